#pragma once
// The commands of the program's command line, as tables: the console program and each tool, their
// operands and options with the texts of --help.
#include "driver/toolkit.hpp"

namespace kavron::commands {

extern const Command kConsole;
extern const Command kDesign;
extern const Command kDeformation;
extern const Command kCheck;
extern const Command kImport;

// The console program and every tool, in the order of --help.
std::span<const Command* const> all();

// The tool a name stands for (nullptr: none).
const Command* tool_named(std::string_view name);

}  // namespace kavron::commands
