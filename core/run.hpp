#pragma once
// One run of the program as its steps see it: the console, the three files, the task's data and
// the results value, and the way every step hands an ending back to the driver.
#include "core/results.hpp"
#include "core/task.hpp"
#include "format/channels.hpp"

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

struct Run {
    Console& con;
    Task& t;
    Results& res;
    OutFile diag;          // diagnostics file
    OutFile lst;           // output listing
    InFile inp;            // input data file
    bool analyse = false;  // a report asks for the reliability of the measurements
    // Messages for the user's terminal beside the console (standard error; nullptr: nowhere),
    // UTF-8: what the console's fixed texts cannot say.
    ByteWriter* errors = nullptr;
};

}  // namespace kavron
