#pragma once
// Inside the driver: the parts of a run that the console run and the run in memory share, and
// the endings of a run that failed.
#include <functional>
#include <string>

#include "driver/ending.hpp"
#include "driver/run.hpp"

namespace kavron {

// The run's stages from the input on, the files open, up to its ending, which it returns.
Stop job_run(Run& r, Storage& st);

// Writes the ending of the stages (finish), or, when they meet a fault of the program (a write
// statement that does not fit its values, the memory), the internal-error ending. Returns the
// status.
int finish_guarded(Run& r, Outcome& end, const std::function<Stop()>& stages);

// The end of a run that could not write one of its files or its console: the message on
// standard error, the ending in the reports; status 4.
int write_failure(Outcome& end, const std::string& what, int error, ByteWriter* errors);
// A file named in the dialog, for a message.
std::string file_named(const std::string& name);
// Which channel failed: the listing, the diagnostics file or the console.
int channel_failure(Run& r, Outcome& end, int error, ByteWriter* errors);

// The reports the command line asks for, written once the listing is closed, with the run's
// status (a report that cannot be written changes the outcome). Returns the run's status.
int write_reports(const Run& r, const Results& res, Outcome& end, const Options& options);

}  // namespace kavron
