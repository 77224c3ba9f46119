#pragma once
// A group's listing and diagnostics file made again: the program run on the group's input as the
// listing says it was run (its date and time, the answers of its dialog), and both files compared
// with the program's, line by line.
#include <string>
#include <string_view>
#include <vector>

#include "checking/check.hpp"
#include "checking/folders.hpp"
#include "core/check.hpp"

namespace kavron {

// Runs the group's input again and compares its listing and diagnostics file; fills the
// group's listing and diagnostics parts and the run's results, and tells how the run ended.
Outcome remake(const FolderFiles& f, const RunJob& run, GroupCheck& g, Results& res);

}  // namespace kavron
