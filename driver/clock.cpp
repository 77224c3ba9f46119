// The date and time of a run: the local clock, or SOURCE_DATE_EPOCH for reproducible listings.
#include <string>
#include <string_view>

#include "driver/run.hpp"

namespace kavron {

DateTime date_of_run(const char* source_date_epoch, const std::function<DateTime()>& local,
                     std::string& complaint) {
    if (source_date_epoch == nullptr) {
        return local();
    }
    constexpr long long kLast = 253402300799;  // 9999-12-31 23:59:59
    const std::string_view text(source_date_epoch);
    long long s = 0;
    bool ok = !text.empty() && text.size() <= 12;
    for (const char c : text) {
        ok = ok && c >= '0' && c <= '9';
        s = ok ? s * 10 + (c - '0') : 0;
    }
    if (!ok || s > kLast) {
        complaint = "kavron: SOURCE_DATE_EPOCH=\"" + std::string(text) +
                    "\" není počet sekund od 1. 1. 1970 0:00 UTC (0 až 253402300799), "
                    "platí místní čas";
        return local();
    }
    // Days since 1970-01-01 to the civil date (proleptic Gregorian calendar).
    const long long days = s / 86400, secs = s % 86400;
    const long long z = days + 719468, era = z / 146097, doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    return {static_cast<int>(year),
            static_cast<int>(month),
            static_cast<int>(day),
            static_cast<int>(secs / 3600),
            static_cast<int>(secs / 60 % 60),
            static_cast<int>(secs % 60)};
}

}  // namespace kavron
