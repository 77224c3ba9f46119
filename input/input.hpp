#pragma once
// The input data file: the action line, the a-priori standard deviations, the points and the
// three sections of measurements, read into the task and into the job part of the results.
#include "core/run.hpp"

namespace kavron {

// Reads the action line and the a-priori standard deviations (and settles MOO and MO).
Flow read_header(Run& r);
// Reads the point section.
Flow read_points(Run& r);
// Reads the directions, zenith angles and distances.
Flow read_measurements(Run& r);

}  // namespace kavron
