#pragma once
#include "driver/run.hpp"

namespace kavron {

// Reads the action line and the a-priori standard deviations (and settles MOO and MO).
Flow read_header(Run& r);
// Reads the points (with the point table on the listing) and the three measurement sections.
Flow read_points_and_measurements(Run& r);

}  // namespace kavron
