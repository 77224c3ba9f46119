#pragma once
// The comparison of two epochs read from the program's results JSON: the coordinate method
// (pooled variance factor, S-transformation onto the stable points, global congruence test,
// localisation of the moved points, a test of each point). The method is written out in
// docs/navod.md.
#include <optional>
#include <string>
#include <vector>

#include "core/deformation.hpp"

namespace kavron {

// Reads an epoch from the bytes of a results JSON; a refusal says why it cannot be one.
std::optional<std::string> read_epoch(const std::string& bytes, Epoch& e);

// Compares the epochs; `stable` lists the stable candidates (empty: every common point).
std::optional<std::string> compare_epochs(const Epoch& e1, const Epoch& e2,
                                          const std::vector<int>& stable, double alpha,
                                          Deformation& out);

// The symmetric n x n matrix a (row-major) as eigenvalues, ascending, and their unit
// eigenvectors, columns of v (row-major) by Jacobi rotations.
void symmetric_eigen(std::vector<double> a, int n, std::vector<double>& values,
                     std::vector<double>& vectors);

}  // namespace kavron
