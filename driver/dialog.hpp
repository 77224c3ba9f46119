#pragma once
#include "core/job.hpp"
#include "core/results.hpp"
#include "core/solution.hpp"
#include "driver/ending.hpp"

namespace kavron {

// The console dialog of derived quantities between adjusted points: every accepted quantity is
// a row of the listing and an entry of the results.
void derived_dialog(Run& r, const Job& job, const Solution& sol, Results& res);

}  // namespace kavron
