#pragma once
// One whole run on bytes made by the fuzzer: the bytes before the first NUL are the input file,
// the lines after it the console answers that follow the three file names (or, when the first
// of them is "#names", the next three lines are the file names). The run asks for both reports.
// The folder holds before the run, beside the input, a student's file and an old diagnostics
// file. Checked: the console reads stay bounded; the ending the JSON names is one of the table's,
// with its status and its closing text on the console; the JSON is valid and the drawing
// well-formed XML; a created listing starts with its header; no file that was there before is
// changed, except an old diagnostics file named as the diagnostics file.
#include <filesystem>
#include <string>

namespace kavron::fuzz {

// Runs in the folder `dir`; returns what went wrong, or an empty text.
std::string run_and_check(const std::string& bytes, const std::filesystem::path& dir);

}  // namespace kavron::fuzz
