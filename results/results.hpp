#pragma once
// The figures of the results, computed once from the last pass of the adjustment into the
// results value: the redundancy, the unit standard deviation and its test, the final
// coordinates, the residual summaries, the covariance and the error ellipsoids; and, on request
// in the dialog, derived quantities with their standard deviations.
#include <optional>

#include "core/results.hpp"
#include "core/task.hpp"

namespace kavron {

// Statistics and residual summaries; applies the last corrections to every point.
void compute_statistics(Task& t, Results& res);
// The covariance of the coordinates and the error ellipsoid of every point.
void compute_ellipsoids(Task& t, Results& res);

// A derived quantity between the points at list positions Ki, Kj (and Kk): its value and
// standard deviation, or nothing when it is rejected (a zero length). `negative` receives the
// propagated cofactor when it came out negative (its standard deviation is then 0).
struct DerivedResult {
    DerivedQuantity q;
    std::optional<double> negative;
};
std::optional<DerivedResult> derived_distance(Task& t, int Ki, int Kj, bool horizontal);
DerivedResult derived_height(Task& t, int Ki, int Kj);
std::optional<DerivedResult> derived_angle(Task& t, int Kj, int Ki, int Kk);
std::optional<DerivedResult> derived_zenith(Task& t, int Ki, int Kj);

}  // namespace kavron
