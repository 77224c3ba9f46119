#pragma once
// One run of the program: the console, the three files and the task, and the way every step
// hands an ending back to the driver.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/task.hpp"
#include "format/channels.hpp"
#include "results/report.hpp"

namespace kavron {

// Whether the run goes on, or has ended with an exit status.
class [[nodiscard]] Flow {
public:
    static Flow go() { return Flow(false, 0); }
    static Flow halt(int status) { return Flow(true, status); }
    bool stopped() const { return stopped_; }
    int status() const { return status_; }

private:
    Flow(bool s, int st) : stopped_(s), status_(st) {}
    bool stopped_;
    int status_;
};

// Runs a step and returns from the caller when the step ended the run.
#define KAVRON_TRY(step)                  \
    do {                                  \
        const ::kavron::Flow f_ = (step); \
        if (f_.stopped()) {               \
            return f_;                    \
        }                                 \
    } while (0)

struct DateTime {
    int year, month, day, hour, minute, second;
};

struct Run {
    Console& con;
    Task& t;
    OutFile diag;  // diagnostics file
    OutFile lst;   // output listing
    InFile inp;    // input data file
    Report rep;    // what the reports beside the listing need
};

// The date and time of a run. When source_date_epoch (the SOURCE_DATE_EPOCH of the environment,
// or nullptr) holds a decimal count of seconds since 1970-01-01 00:00:00 UTC, up to the end of
// the year 9999, that moment in UTC; otherwise local(), and when the variable was set but not
// such a number, `complaint` receives one line for the user.
DateTime date_of_run(const char* source_date_epoch, const std::function<DateTime()>& local,
                     std::string& complaint);

// The reports a run writes beside the listing when its command line asks for them: files already
// created, written at the end of the run.
struct Reports {
    std::FILE* json = nullptr;
    std::FILE* svg = nullptr;
};

// A file name as typed (trailing blanks dropped), taken in `dir` unless empty or absolute.
std::string path_of(const std::filesystem::path& dir, const std::string& name);

// The whole program: console in and out, the clock, and the folder that relative file names are
// taken from (empty: the current folder). Returns the exit status.
int run_program(LineReader& in, ByteWriter& out, const std::function<DateTime()>& clock,
                const std::filesystem::path& dir = {});
// The same on a task the caller provides, freshly constructed, with the reports asked for.
int run_program(LineReader& in, ByteWriter& out, const std::function<DateTime()>& clock, Task& t,
                const std::filesystem::path& dir = {}, const Reports& reports = {});

// The program with its command line (the arguments after the program's name): --svg FILE,
// --json FILE, --help, --version. Texts for the user's terminal (help, version, complaints) go to
// `text` and `errors` in UTF-8. A bad command line ends with status 2 before the banner.
int run_command(const std::vector<std::string>& args, LineReader& in, ByteWriter& out,
                ByteWriter& text, ByteWriter& errors, const std::function<DateTime()>& clock,
                Task& t, const std::filesystem::path& dir = {});

}  // namespace kavron
