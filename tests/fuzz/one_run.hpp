#pragma once
// One whole run on bytes made by the fuzzer: the bytes before the first NUL are the input file,
// the lines after it the console answers that follow the three file names. The run must end with
// its console reads bounded, the console must end with "KONEC" or a stop text, and a created
// listing must start with its header.
#include <filesystem>
#include <string>

namespace kavron::fuzz {

// Runs in the folder `dir`; returns what went wrong, or an empty text.
std::string run_and_check(const std::string& bytes, const std::filesystem::path& dir);

}  // namespace kavron::fuzz
