#pragma once
// The reliability of the measurements, from the program's own adjustment (its design rows, its
// weights and its estimator, the last pass): for every measurement the cofactor of its residual,
// its redundancy number, normalized and studentized residuals with their tests, the minimal
// detectable bias and its effect on the coordinates, and the m0 without it; overall Σr, the
// chi-squared test of m0 and the largest normalized residual.
#include "core/job.hpp"
#include "core/results.hpp"
#include "core/solution.hpp"

namespace kavron {

// After compute_statistics: fills res.reliability from the job and its solution.
void compute_reliability(const Job& job, const Solution& sol, Results& res);
// The same of a plan, whose measured values mean nothing: the redundancy numbers, the minimal
// detectable biases and their effects, the critical values; nothing that follows from the
// residuals (the tests, the largest |w|, the ties, the m0 without a measurement).
void compute_plan_reliability(const Job& job, const Solution& sol, Results& res);

}  // namespace kavron
