// The reports of a console run: written from the results once the listing is closed.
#include "driver/run_parts.hpp"
#include "platform/platform.hpp"
#include "reports/reports.hpp"

namespace kavron {

// The reports asked for, in this order: the drawing first, so that the JSON can tell whether it
// was written. When one cannot be written, those written before it are written again with the
// ending it gave the run. Returns the run's status.
int write_reports(const Run& r, const Results& res, Outcome& end, const Options& options) {
    if (options.reports == nullptr) {
        return end.status;
    }
    ReportFiles& files = *options.reports;
    std::string listing = r.ADRESA;
    listing.erase(listing.find_last_not_of(' ') + 1);
    std::vector<std::pair<std::size_t, std::string_view>> order;  // file, option
    for (const std::string_view option : {"--svg", "--analysis", "--json"}) {
        if (const int k = files.index_of(option); k >= 0) {
            order.emplace_back(static_cast<std::size_t>(k), option);
        }
    }
    const auto text_of = [&](std::string_view option) {
        if (option == "--svg") {
            return svg_report(res, end);
        }
        if (option == "--analysis") {
            return analysis_report(res, end, platform::shown_name(listing, true));
        }
        return json_report(res, end);
    };
    const auto failed = [&](std::size_t k, int error) {
        const int s = write_failure(end, "soubor " + platform::shown_name(files.name(k), false),
                                    error, options.errors);
        end.status = end.status == 0 ? s : end.status;
    };
    for (int pass = 0; pass < 2; ++pass) {
        bool failure = false;
        for (const auto& [k, option] : order) {
            if (!files.open(k) || (pass == 1 && !files.written(k))) {
                continue;
            }
            int error = 0;
            if (!files.write(k, text_of(option), error)) {
                failed(k, error);
                failure = true;
            }
        }
        if (!failure) {
            break;
        }
    }
    for (const auto& [k, option] : order) {
        int error = 0;
        if (!files.close(k, error)) {
            failed(k, error);
        }
    }
    return end.status;
}

}  // namespace kavron
