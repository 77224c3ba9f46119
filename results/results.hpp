#pragma once
// The figures of the results, computed once from the last pass of the adjustment into the
// results value: the redundancy, the unit standard deviation and its test, the final
// coordinates, the residual summaries, the covariance and the error ellipsoids; and, on request
// in the dialog, derived quantities with their standard deviations.
#include <optional>

#include "core/job.hpp"
#include "core/results.hpp"
#include "core/solution.hpp"

namespace kavron {

// The job's part of the results: the header once the action line was read, the points and the
// measurements as far as they were stored, the warnings.
void take_job(const Job& job, Results& res);
// Statistics and residual summaries; the adjusted coordinates: every point takes the last
// corrections.
void compute_statistics(const Job& job, const Solution& sol, Results& res);
// The covariance of the coordinates and the error ellipsoid of every point.
void compute_ellipsoids(const Job& job, const Solution& sol, Results& res);

// A derived quantity between the adjusted points at list positions Ki, Kj (and Kk), after the
// statistics: its value and standard deviation from the cofactors of the solution, or nothing when
// it is rejected (a zero length). `negative` receives the propagated cofactor when it came out
// negative (its standard deviation is then 0).
struct DerivedResult {
    DerivedQuantity q;
    std::optional<double> negative;
};
std::optional<DerivedResult> derived_distance(const Solution& sol, const Results& res, int Ki,
                                              int Kj, bool horizontal);
DerivedResult derived_height(const Solution& sol, const Results& res, int Ki, int Kj);
std::optional<DerivedResult> derived_angle(const Solution& sol, const Results& res, int Kj, int Ki,
                                           int Kk);
std::optional<DerivedResult> derived_zenith(const Solution& sol, const Results& res, int Ki,
                                            int Kj);

}  // namespace kavron
