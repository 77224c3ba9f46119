// Entry point: the console is the standard input and output, the clock the local time (or
// SOURCE_DATE_EPOCH for reproducible listings); the command line may ask for reports.
#include <cstdlib>
#include <new>
#include <string>

#include "driver/run.hpp"
#include "platform/platform.hpp"

int main(int argc, char** argv) try {
    kavron::platform::Session session;
    std::string complaint;
    const kavron::DateTime now = kavron::date_of_run(
        std::getenv("SOURCE_DATE_EPOCH"),
        [] {
            const kavron::platform::LocalTime l = kavron::platform::local_now();
            return kavron::DateTime{l.year, l.month, l.day, l.hour, l.minute, l.second};
        },
        complaint);
    if (!complaint.empty()) {
        kavron::platform::tell_user(complaint);
    }
    kavron::Storage* storage = new (session.memory(sizeof(kavron::Storage))) kavron::Storage;
#ifdef KAVRON_CONSOLE_ONLY
    // The page's small module: the console program without the tools.
    const int status = kavron::run_console_command(
#else
    const int status = kavron::run_command(
#endif
        kavron::platform::arguments(argc, argv), session.in(), session.out(), session.text_out(),
        session.text_err(), [now] { return now; }, *storage);
    storage->~Storage();
    return status;
} catch (const std::bad_alloc&) {
    kavron::platform::tell_user("kavron: nedostatek paměti");
    return 3;
}
