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

// The one-step variance component of each kind present, from the residuals, the weights and the
// redundancy numbers of the controlled measurements (after compute_reliability), with its 95 %
// interval; the iterated figures are left to the caller.
std::vector<VarianceComponent> variance_components(const Results& res);

// The 95 % interval of the ratio sd / a-priori sd of a group with a sum of redundancy numbers ν
// (chi-squared with ν degrees of freedom, interpolated between the table's nodes); false below
// ν = 0.5 or above 120.
bool ratio_interval(double nu, double& low, double& high);

}  // namespace kavron
