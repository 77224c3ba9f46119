// Entry point: the console is the standard input and output, the clock the local time (or
// SOURCE_DATE_EPOCH for reproducible listings).
#include <cstdlib>
#include <string>

#include "driver/platform.hpp"
#include "driver/run.hpp"

int main() {
    kavron::platform::Session session;
    std::string complaint;
    const kavron::DateTime now = kavron::date_of_run(std::getenv("SOURCE_DATE_EPOCH"),
                                                     kavron::platform::local_now, complaint);
    if (!complaint.empty()) {
        kavron::platform::tell_user(complaint);
    }
    return kavron::run_program(
        session.in(), session.out(), [now] { return now; }, session.task());
}
