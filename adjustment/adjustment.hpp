#pragma once
#include "core/run.hpp"

namespace kavron {

// Adjusts the network: passes until the corrections settle, or an error exit.
Flow adjust(Run& r);

}  // namespace kavron
