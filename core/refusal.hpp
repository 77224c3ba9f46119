#pragma once
// A tool's refusal: what it was given cannot be used (its command line, an input, a report file
// that exists) or a report could not be written. One Czech line for standard error and the exit
// status; the tool leaves no file behind.
#include <string>

namespace kavron {

struct Refusal {
    int status = 2;    // 2: the command line or an input; 4: a report could not be written
    std::string text;  // Czech, UTF-8, one line without its end
};

}  // namespace kavron
