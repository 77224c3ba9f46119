#pragma once
#include "core/run.hpp"

namespace kavron {

// The console dialog of derived quantities between adjusted points: every accepted quantity is
// a row of the listing and an entry of the results.
void derived_dialog(Run& r);

}  // namespace kavron
