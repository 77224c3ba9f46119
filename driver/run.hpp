#pragma once
// The program: the clock, the command line, the order of the run and its dialogs. main() wires
// the real console, clock and storage; the tests wire their own.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "adjustment/adjustment.hpp"
#include "checking/check.hpp"
#include "core/job.hpp"
#include "core/results.hpp"
#include "core/solution.hpp"
#include "driver/toolkit.hpp"
#include "format/channels.hpp"

namespace kavron {

// The date and time of a run. When source_date_epoch (the SOURCE_DATE_EPOCH of the environment,
// or nullptr) holds a decimal count of seconds since 1970-01-01 00:00:00 UTC, up to the end of
// the year 9999, that moment in UTC; otherwise local(), and when the variable was set but not
// such a number, `complaint` receives one line for the user.
DateTime date_of_run(const char* source_date_epoch, const std::function<DateTime()>& local,
                     std::string& complaint);

// What a run takes beside its console: the report files its command line asks for (created
// already, written at the end of the run: --svg, --json, --analysis) and where messages for the
// user's terminal go (standard error; nullptr: nowhere).
struct Options {
    ReportFiles* reports = nullptr;
    ByteWriter* errors = nullptr;
};

// The storage of one run, freshly constructed: the values its stages hand on (the job, its
// solution and the results) and the adjustment's work.
struct Storage {
    Job job;
    Solution solution;
    Work work;
    Results results;
    Outcome outcome;
};

// The whole program: console in and out, the clock, and the folder that relative file names are
// taken from (empty: the current folder), on the given storage, with the reports asked for.
// Returns the exit status.
int run_program(LineReader& in, ByteWriter& out, const std::function<DateTime()>& clock,
                Storage& storage, const std::filesystem::path& dir = {}, Options options = {});
// The same on storage of its own.
int run_program(LineReader& in, ByteWriter& out, const std::function<DateTime()>& clock,
                const std::filesystem::path& dir = {});

// A run on files of its own in memory, without the banner and the file dialog: the input's
// bytes, the date and time of the run, the lines the console answers with (then its input
// ends), and the names the dialog would have taken for the listing and the input file (the
// diagnostics file names them). The reliability of the measurements is computed. Gives the
// listing's and the diagnostics file's bytes and the status; the results are in the storage.
struct InMemory {
    std::string listing, diagnostics;
    int status = 0;
};
InMemory run_in_memory(std::string_view input, const DateTime& date,
                       const std::vector<std::string>& answers, const std::string& listing_name,
                       const std::string& input_name, Storage& st);

// The check of a class's run of a group's input (a RunJob): run_in_memory on storage of its own,
// its results copied into `res`.
RunOutcome run_group(std::string_view input, const DateTime& date,
                     const std::vector<std::string>& answers, const std::string& listing_name,
                     const std::string& input_name, Results& res);

// The program with its command line (the arguments after the program's name): a tool's name
// (`design`, `deformation`, `check`) runs that tool; else --svg FILE, --json FILE, --help,
// --version. Texts for the user's terminal (help, version, complaints) go to `text` and `errors` in
// UTF-8. A bad command line, or a report file that exists or cannot be created, ends with status 2
// before the banner, touching no file.
int run_command(const std::vector<std::string>& args, LineReader& in, ByteWriter& out,
                ByteWriter& text, ByteWriter& errors, const std::function<DateTime()>& clock,
                Storage& storage, const std::filesystem::path& dir = {});

// The same without the tools (`design`, `deformation`, `check` are unknown options): the console
// program alone, for the page's small module.
int run_console_command(const std::vector<std::string>& args, LineReader& in, ByteWriter& out,
                        ByteWriter& text, ByteWriter& errors,
                        const std::function<DateTime()>& clock, Storage& storage,
                        const std::filesystem::path& dir = {});

}  // namespace kavron
