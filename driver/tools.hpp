#pragma once
// The tools beside the console program, run without a dialog: `kavron design` and
// `kavron deformation`. Each writes its
// reports as new files, and refuses bad input with one Czech line on standard error, a non-zero
// status and no file left behind.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/results.hpp"
#include "format/channels.hpp"

namespace kavron {

// Whether the arguments name a tool (their first one).
bool is_tool(const std::vector<std::string>& args);

// Runs the tool the first argument names: status 0, 1 for a plan the adjustment refuses, 2 for
// a bad command line or input, 4 when a report cannot be written.
int run_tool(const std::vector<std::string>& args, ByteWriter& text, ByteWriter& errors,
             const std::function<DateTime()>& clock, const std::filesystem::path& dir);

}  // namespace kavron
