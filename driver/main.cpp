// Entry point: the console is the standard input and output, the clock the local time (or
// SOURCE_DATE_EPOCH for reproducible listings); the command line may ask for reports.
#include <cstdlib>
#include <string>

#include "driver/platform.hpp"
#include "driver/run.hpp"

int main(int argc, char** argv) {
    kavron::platform::Session session;
    std::string complaint;
    const kavron::DateTime now = kavron::date_of_run(std::getenv("SOURCE_DATE_EPOCH"),
                                                     kavron::platform::local_now, complaint);
    if (!complaint.empty()) {
        kavron::platform::tell_user(complaint);
    }
    return kavron::run_command(
        kavron::platform::arguments(argc, argv), session.in(), session.out(), session.text_out(),
        session.text_err(), [now] { return now; }, session.task());
}
