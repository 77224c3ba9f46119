// The order of the run: clock, banner, file dialog, listing header, input, adjustment, results,
// the dialog of derived quantities and the end.
#include "driver/run.hpp"

#include <memory>
#include <optional>

#include "adjustment/adjustment.hpp"
#include "core/exits.hpp"
#include "driver/dialog.hpp"
#include "format/codepage.hpp"
#include "input/input.hpp"
#include "platform/platform.hpp"
#include "reports/listing.hpp"
#include "reports/reports.hpp"
#include "results/results.hpp"

namespace kavron {

using fmt::lit;
using fmt::raw;

namespace {

void banner(Console& c, const DateTime& d) {
    using namespace fmt;
    c.write({G(25, {E()})});
    const Layout frame = {T(" "), G(36, {T("* ")})};
    c.write(frame);
    c.write({T(" * Program pro výpočet geodetických úloh v E-3"), X(25), T("*")});
    c.write({T(" * v místní souřadnicové soustavě             "), X(25), T("*")});
    c.write({T(" *  7 bodů,  72 měřených veličin              "), X(25), T("*")});
    c.write({T(" *"), X(46), X(23), T("*")});
    c.write({T(" * *verze pro studenty*                       "), X(25), T("*")});
    c.write({T(" * 15/05/2003  ver. 3.09"), X(29), T("Datum: "), I(2), T("."), I(2), T("."), I(4),
             T(" *")},
            {d.day, d.month, d.year});
    c.write({T(" * Školní verze          "), X(30), T("Čas: "), I(2), T(":"), I(2), T(":"), I(2),
             T("   *")},
            {d.hour, d.minute, d.second});
    c.write({T(" * "), T("Prostorová síť E3"), X(51), T("*")});
    c.write(frame);
    c.write({E(), E(), E()});
}

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') {
        s.pop_back();
    }
    return s;
}

// Asks for a file name (its two prompt records, then 24 characters of the answer into a
// 26-character name) until `try_open` takes it: try_open returns nothing to ask again (having
// said why), or how the run goes on. An empty answer asks again; the end of the console input
// ends the run.
template <typename TryOpen>
Flow ask_until(Run& r, std::string_view prompt, std::string& name, TryOpen try_open) {
    for (;;) {
        r.con.list({lit(prompt)});
        r.con.list({lit("zadejte celou adresu               ")});
        const auto line = r.con.read_line();
        if (!line) {
            if (r.con.input_ended()) {
                return end_with(r, Ending::ConsoleEnded);
            }
            continue;
        }
        name = line->substr(0, 24);
        name.resize(26, ' ');
        if (rtrim(name).empty()) {
            continue;
        }
        if (const std::optional<Flow> f = try_open(rtrim(name))) {
            return *f;
        }
    }
}

Flow file_dialog(Run& r, const std::filesystem::path& dir) {
    using namespace fmt;
    Task& t = r.t;
    KAVRON_TRY(ask_until(r, "Jméno chybového  souboru (ERR$$$.TXT)        ", t.ADRESC,
                         [&](const std::string& name) -> std::optional<Flow> {
                             r.diag.attach(platform::create_file(path_of(dir, name),
                                                                 platform::Create::Replace));
                             if (r.diag.is_open()) {
                                 return Flow::go();
                             }
                             ending(r, Ending::DiagnosticsFile);
                             r.con.list({lit("Chybový soubor nelze otevřít: "), raw(name)});
                             return close_run(r);
                         }));
    r.diag.write({T(" "), T(" Toto okno slouží ke kontrole dat. "), E(), E()});
    KAVRON_TRY(ask_until(
        r, "Jméno výstupního souboru (pro tisk výsledků) ", t.ADRESA,
        [&](const std::string& name) -> std::optional<Flow> {
            r.lst.attach(platform::create_file(path_of(dir, name), platform::Create::New));
            if (r.lst.is_open()) {
                return Flow::go();
            }
            r.con.write({T(" "), A(24), T(" - tento soubor již existuje")}, {raw(t.ADRESA)});
            return std::nullopt;
        }));
    KAVRON_TRY(ask_until(
        r, "Jméno vstupního souboru (souřadnice,směry,délky,..) ", t.ADRESB,
        [&](const std::string& name) -> std::optional<Flow> {
            std::string bytes;
            if (platform::read_file(path_of(dir, name), bytes)) {
                r.inp.load(bytes);
                return Flow::go();
            }
            r.con.write({T(" "), A(24), T(" - tento soubor neexistuje")}, {raw(t.ADRESB)});
            return std::nullopt;
        }));
    r.diag.write({T(" "), A(30), A(30)}, {raw(t.ADRESA), raw(t.ADRESB)});
    return Flow::go();
}

// The listing's result sections, in the listing's order.
void write_results(Run& r) {
    const Results& res = r.res;
    listing::results_console(r.con, res);
    listing::unit_sd(r.lst, res);
    listing::directions(r.lst, res);
    listing::zenith_angles(r.lst, res);
    listing::distances(r.lst, res);
    listing::coordinates(r.lst, res);
    listing::ellipsoids(r.lst, res);
    listing::closing(r.lst, res);
}

Flow whole_run(Run& r, const std::filesystem::path& dir) {
    banner(r.con, r.res.date);
    KAVRON_TRY(file_dialog(r, dir));
    KAVRON_TRY(read_header(r));
    listing::header(r.lst, r.res);
    KAVRON_TRY(read_points(r));
    listing::point_table(r.lst, r.con, r.res);
    KAVRON_TRY(read_measurements(r));
    if (r.t.NR == 0) {
        return end_with(r, Ending::NoMeasurements);
    }
    KAVRON_TRY(adjust(r));
    compute_statistics(r.t, r.res);
    compute_ellipsoids(r.t, r.res);
    write_results(r);
    derived_dialog(r);
    r.con.list({lit("Výsledky výpočtu jsou v souboru :  "), raw(r.t.ADRESA)});
    r.con.record("    ");
    return close_run(r);
}

// Writes a report into its file; the file is closed.
void write_report(std::unique_ptr<RawFile>& f, const std::string& text) {
    if (f == nullptr) {
        return;
    }
    std::size_t done = 0;
    int error = 0;
    (void)f->write(text, done, error);
    (void)f->close(error);
    f.reset();
}

}  // namespace

std::string path_of(const std::filesystem::path& dir, const std::string& name) {
    std::string n = rtrim(name);
    if (dir.empty() || std::filesystem::path(n).is_absolute()) {
        return n;
    }
    return (dir / n).string();
}

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

int run_program(LineReader& in, ByteWriter& out, const std::function<DateTime()>& clock, Job& job,
                const std::filesystem::path& dir, Reports reports) {
    Console con(in, out);
    if (reports.json != nullptr) {
        con.keep_transcript();
    }
    Task& t = job.task;
    Results* res = &job.results;
    Run r{con, t, *res, {}, {}, {}};
    const DateTime now = clock();
    res->date = now;
    t.IYR = static_cast<i16>(now.year);
    t.IMON = static_cast<i16>(now.month);
    t.IDAY = static_cast<i16>(now.day);
    t.IHR = static_cast<i16>(now.hour);
    t.IMIN = static_cast<i16>(now.minute);
    t.ISEC = static_cast<i16>(now.second);
    Flow f = Flow::go();
    try {
        f = whole_run(r, dir);
    } catch (const fmt::LayoutError& e) {
        // A write statement that does not fit its values: say so rather than print a wrong digit.
        ending(r, Ending::InternalError);
        con.text_line(cp852("Vnitřní chyba programu: ") + e.what());
        f = close_run(r);
    }
    con.finish();
    (void)r.lst.close();
    (void)r.diag.close();
    if (reports.json != nullptr) {
        write_report(reports.json, json_report(*res, f.status(), con.transcript()));
    }
    if (reports.svg != nullptr) {
        write_report(reports.svg, svg_report(*res));
    }
    return f.status();
}

int run_program(LineReader& in, ByteWriter& out, const std::function<DateTime()>& clock,
                const std::filesystem::path& dir) {
    const auto job = std::make_unique<Job>();
    return run_program(in, out, clock, *job, dir);
}

}  // namespace kavron
