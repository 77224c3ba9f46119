#pragma once
// The analysis that adjusts the job again: the variance components of the kinds iterated (each
// kind's weights divided by its ratio squared until every ratio is 1), and the iterated data
// snooping (the suspect left out, the rest adjusted and tested again, until nothing exceeds its
// critical value). Each adjustment is the program's own, on a copy of the job.
#include "core/job.hpp"
#include "core/results.hpp"

namespace kavron {

// After compute_reliability of the run: fills res.reliability's components and snooping.
void reanalyse(const Job& job, Results& res);

// The job without measurement g (as if its line were not in the input).
Job without_measurement(const Job& job, int g);

}  // namespace kavron
