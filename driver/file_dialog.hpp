#pragma once
// The file dialog: the diagnostics file, the listing and the input file, each asked for until it
// opens, by the rules that keep every file of the user's: the listing must be new; the
// diagnostics file replaces only an empty file or an old diagnostics file (and whatever is not a
// regular file, a device say); the report files of this run are none of the three.
#include <filesystem>
#include <string>
#include <vector>

#include "driver/ending.hpp"

namespace kavron {

// `reports`: the paths of the report files this run has created.
Halt file_dialog(Run& r, const std::filesystem::path& dir, const std::vector<std::string>& reports);

// The diagnostics file's first records, written once it is open; and the record that names the
// listing and the input file, once both are open.
void diagnostics_opened(Run& r);
void diagnostics_named(Run& r);

// A file name as typed (trailing blanks dropped), taken in `dir` unless empty or absolute.
std::string path_of(const std::filesystem::path& dir, const std::string& name);

}  // namespace kavron
