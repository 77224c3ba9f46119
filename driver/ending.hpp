#pragma once
// The run as the driver keeps it: its channels (the console, the three files and their names as
// the dialog took them) and its options; and how an ending is written to the console and into
// the results, from where the reports take its text.
#include <string>

#include "core/exits.hpp"
#include "core/results.hpp"
#include "format/channels.hpp"

namespace kavron {

struct Run {
    Console& con;
    OutFile diag;            // diagnostics file
    OutFile lst;             // output listing
    InFile inp;              // input data file
    std::string ADRESC;      // diagnostics file name, 26 characters, blank padded
    std::string ADRESA;      // output listing name, 26 characters
    std::string ADRESB;      // input file name, 26 characters
    bool analyse = false;    // a report asks for the reliability of the measurements
    bool reanalyse = false;  // ... and for the analysis that adjusts again (components, snooping)
    // Messages for the user's terminal beside the console (standard error; nullptr: nowhere),
    // UTF-8: what the console's fixed texts cannot say.
    ByteWriter* errors = nullptr;
};

// Names the ending in the outcome and writes its texts: each on the console and in the ending's
// text; then closes the console as the endings table says. Returns the exit status.
int finish(Run& r, Outcome& end, const Stop& s);

}  // namespace kavron
