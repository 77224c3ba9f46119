#pragma once
#include "driver/run.hpp"

namespace kavron {

// Statistics, residual tables, adjusted coordinates and error ellipsoids.
Flow results(Run& r);
// The dialog of derived quantities.
Flow dialog(Run& r);

}  // namespace kavron
