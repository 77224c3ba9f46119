// The driver: clock, banner, file dialog, listing header, input, adjustment, results, dialog and
// the end of the run.
#include "driver/run.hpp"

#include "adjustment/adjustment.hpp"
#include "driver/exits.hpp"
#include "driver/input.hpp"
#include "results/results.hpp"

namespace kavron {

using fmt::lit;
using fmt::raw;

namespace {

void banner(Run& r) {
    using namespace fmt;
    const Task& t = r.t;
    Console& c = r.con;
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
            {t.IDAY, t.IMON, t.IYR});
    c.write({T(" * Školní verze          "), X(30), T("Čas: "), I(2), T(":"), I(2), T(":"), I(2),
             T("   *")},
            {t.IHR, t.IMIN, t.ISEC});
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

// One step of the file dialog: the two prompt records and the answer (24 characters in a
// 26-character name). Returns false when the console input has ended for good.
enum class Answer { Name, Retry, Ended };

Answer ask_name(Run& r, std::string_view prompt, std::string& name) {
    r.con.list({lit(prompt)});
    r.con.list({lit("zadejte celou adresu               ")});
    auto line = r.con.read_line();
    if (!line) {
        return r.con.input_ended() ? Answer::Ended : Answer::Retry;
    }
    name = line->substr(0, 24);
    name.resize(26, ' ');
    return rtrim(name).empty() ? Answer::Retry : Answer::Name;
}

}  // namespace

std::string path_of(const std::filesystem::path& dir, const std::string& name) {
    std::string n = rtrim(name);
    if (dir.empty() || std::filesystem::path(n).is_absolute()) {
        return n;
    }
    return (dir / n).string();
}

namespace {

Flow file_dialog(Run& r, const std::filesystem::path& dir) {
    using namespace fmt;
    Task& t = r.t;
    const auto ended = [&r] {
        ending(r, "console_ended");
        return stop_text(r, "Konec vstupu z konzoly");
    };
    for (;;) {
        const Answer a = ask_name(r, "Jméno chybového  souboru (ERR$$$.TXT)        ", t.ADRESC);
        if (a == Answer::Ended) {
            return ended();
        }
        if (a == Answer::Retry) {
            continue;
        }
        if (!r.diag.create(path_of(dir, t.ADRESC))) {
            ending(r, "diagnostics_file");
            r.con.list({lit("Chybový soubor nelze otevřít: "), raw(rtrim(t.ADRESC))});
            return Flow::halt(1);
        }
        break;
    }
    r.diag.write({T(" "), T(" Toto okno slouží ke kontrole dat. "), E(), E()});
    for (;;) {
        const Answer a = ask_name(r, "Jméno výstupního souboru (pro tisk výsledků) ", t.ADRESA);
        if (a == Answer::Ended) {
            return ended();
        }
        if (a == Answer::Retry) {
            continue;
        }
        if (r.lst.create_new(path_of(dir, t.ADRESA))) {
            break;
        }
        r.con.write({T(" "), A(24), T(" - tento soubor již existuje")}, {raw(t.ADRESA)});
    }
    for (;;) {
        const Answer a =
            ask_name(r, "Jméno vstupního souboru (souřadnice,směry,délky,..) ", t.ADRESB);
        if (a == Answer::Ended) {
            return ended();
        }
        if (a == Answer::Retry) {
            continue;
        }
        if (r.inp.open(path_of(dir, t.ADRESB))) {
            break;
        }
        r.con.write({T(" "), A(24), T(" - tento soubor neexistuje")}, {raw(t.ADRESB)});
    }
    r.diag.write({T(" "), A(30), A(30)}, {raw(t.ADRESA), raw(t.ADRESB)});
    return Flow::go();
}

void listing_header(Run& r) {
    using namespace fmt;
    const Task& t = r.t;
    r.lst.write({T(" KAVRON 3.09 Prostorová síť   E3   Datum: "), I(2), T("."), I(2), T("."), I(4),
                 T("   Čas: "), I(2), T(":"), I(2), T(":"), I(2), E(), E()},
                {t.IDAY, t.IMON, t.IYR, t.IHR, t.IMIN, t.ISEC});
    r.lst.write({T(" Akce: "), A(), E()}, {raw(t.ZAH)});
    const Layout row = {T(""), A(), F(6, 1)};
    r.lst.write(row, {lit(" směrodatná odchylka směru        [cc] ="), t.UU});
    r.lst.write(row, {lit(" směrodatná odchylka délky        [mm] ="), t.UD});
    r.lst.write(row, {lit(" směrodatná odchylka zen.úhlu     [cc] ="), t.UZ});
    r.lst.write(row, {lit(" směrodatná odchylka jednotková        ="), t.MOO});
    r.lst.write(row, {lit(" směrodatná odchylka souřadnicová [mm] ="), t.MCH});
    r.lst.write({});
}

Flow whole_run(Run& r, const std::filesystem::path& dir) {
    banner(r);
    KAVRON_TRY(file_dialog(r, dir));
    KAVRON_TRY(read_header(r));
    listing_header(r);
    KAVRON_TRY(read_points_and_measurements(r));
    if (r.t.NR == 0) {
        ending(r, "no_measurements");
        return end_sequence(r);
    }
    KAVRON_TRY(adjust(r));
    KAVRON_TRY(results(r));
    KAVRON_TRY(dialog(r));
    r.con.list({lit("Výsledky výpočtu jsou v souboru :  "), raw(r.t.ADRESA)});
    r.con.record("    ");
    return end_sequence(r);
}

}  // namespace

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

int run_program(LineReader& in, ByteWriter& out, const std::function<DateTime()>& clock, Task& t,
                const std::filesystem::path& dir, const Reports& reports) {
    Console con(in, out);
    if (reports.json != nullptr) {
        con.keep_transcript();
    }
    Run r{con, t, {}, {}, {}, {}};
    const DateTime now = clock();
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
        ending(r, "internal_error");
        con.text_line(cp852("Vnitřní chyba programu: ") + e.what());
        f = Flow::halt(3);
    }
    con.finish();
    r.lst.close();
    r.diag.close();
    if (reports.json != nullptr) {
        write_json(reports.json, r, f.status(), con.transcript());
    }
    if (reports.svg != nullptr) {
        write_svg(reports.svg, r);
    }
    return f.status();
}

int run_program(LineReader& in, ByteWriter& out, const std::function<DateTime()>& clock,
                const std::filesystem::path& dir) {
    const auto task = std::make_unique<Task>();
    return run_program(in, out, clock, *task, dir);
}

}  // namespace kavron
