#pragma once
// Inside the field data layer: the steps of the import, in their order.
#include <optional>

#include "core/field.hpp"
#include "core/job.hpp"
#include "core/refusal.hpp"

namespace kavron {

// The earth's radius of the curvature and refraction correction [m]; the angles' units.
constexpr double kEarthRadius = 6378000.0;
constexpr double kRadPerGon = 3.141592653589793 / 200.0;
constexpr double kCcPerGon = 10000.0;

// The files' setups and readings into stations: each reading with its station and the
// instrument height of its setup; a refusal for readings of no station.
std::optional<Refusal> gather(Import& imp);
// Each station's faces paired, checked and averaged (the flags of the checks).
void reduce_stations(Import& imp);
// The means reduced to the marks and into the flat local system.
void reduce_to_marks(Import& imp);
// The sights measured both ways compared.
void compare_reciprocal(Import& imp);
// The points numbered and placed (from `points`, or from the measurements), the measurements of
// the input file with their weights; a refusal when they do not fit the program.
std::optional<Refusal> make_network(Import& imp, const Job* points);

}  // namespace kavron
