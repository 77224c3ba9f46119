// The order of the run: clock, banner, file dialog, listing header, input, adjustment, results,
// the dialog of derived quantities and the end.
#include "driver/run.hpp"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "adjustment/adjustment.hpp"
#include "driver/dialog.hpp"
#include "driver/ending.hpp"
#include "driver/file_dialog.hpp"
#include "format/codepage.hpp"
#include "input/input.hpp"
#include "platform/platform.hpp"
#include "reports/listing.hpp"
#include "reports/reports.hpp"
#include "results/reliability.hpp"
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
    c.write({T(" * 15/05/2003  ver. " KAVRON_VERSION), X(29), T("Datum: "), I(2), T("."), I(2),
             T("."), I(4), T(" *")},
            {d.day, d.month, d.year});
    c.write({T(" * Školní verze          "), X(30), T("Čas: "), I(2), T(":"), I(2), T(":"), I(2),
             T("   *")},
            {d.hour, d.minute, d.second});
    c.write({T(" * "), T("Prostorová síť E3"), X(51), T("*")});
    c.write(frame);
    c.write({E(), E(), E()});
}

// The listing's result sections, in the listing's order.
void write_results(Run& r, const Results& res) {
    listing::results_console(r.con, res);
    listing::unit_sd(r.lst, res);
    listing::directions(r.lst, res);
    listing::zenith_angles(r.lst, res);
    listing::distances(r.lst, res);
    listing::coordinates(r.lst, res);
    listing::ellipsoids(r.lst, res);
    listing::closing(r.lst, res);
}

// The input, stage by stage: each step reads into the job, whose part of the results follows it
// also when the step ends the run.
Halt read_input(Run& r, Storage& st) {
    Reading rd{r.inp, r.diag};
    Results& res = st.results;
    const auto step = [&](Halt (*read)(Reading&, Job&)) {
        Halt h = read(rd, st.job);
        take_job(st.job, res);
        return h;
    };
    if (Halt h = step(read_header)) {
        return h;
    }
    listing::header(r.lst, res);
    if (Halt h = step(read_points)) {
        return h;
    }
    listing::point_table(r.lst, r.con, res);
    return step(read_measurements);
}

// The adjustment of the job; the results keep its count of equations and its first pass's
// misclosures also when it ends the run.
Halt adjust_job(Run& r, Storage& st) {
    Halt h = adjust(st.job, st.solution, st.work, {r.con, r.diag, r.ADRESA});
    Results& res = st.results;
    res.equations = st.solution.NM;
    res.misclosures = st.solution.misclosures;
    for (int k = 1; k <= res.misclosures; ++k) {
        res.first_pass[k] = st.solution.first_pass[k];
    }
    return h;
}

// The run's stages from the input on, the files open, up to its ending, which it returns.
Stop job_run(Run& r, Storage& st) {
    Results& res = st.results;
    if (Halt h = read_input(r, st)) {
        return *h;
    }
    if (st.job.NR == 0) {
        return stop(Ending::NoMeasurements);
    }
    if (Halt h = adjust_job(r, st)) {
        return *h;
    }
    compute_statistics(st.job, st.solution, res);
    compute_ellipsoids(st.job, st.solution, res);
    if (r.analyse) {
        compute_reliability(st.job, st.solution, res);
    }
    write_results(r, res);
    derived_dialog(r, st.job, st.solution, res);
    r.con.list({lit("Výsledky výpočtu jsou v souboru :  "), raw(r.ADRESA)});
    r.con.record("    ");
    return stop(Ending::Normal);
}

// The run's stages up to its ending, which it returns.
Stop whole_run(Run& r, Storage& st, const std::filesystem::path& dir,
               const std::vector<std::string>& reports) {
    Results& res = st.results;
    banner(r.con, res.date);
    if (Halt h = file_dialog(r, dir, reports)) {
        return *h;
    }
    return job_run(r, st);
}

// Writes the gathered records of both files before the program waits for the user, so that a
// run stopped while it waits leaves whole files; a failure ends the run.
class FilesFirst : public LineReader {
public:
    explicit FilesFirst(LineReader& in) : in_(in) {}
    Run* run = nullptr;
    std::optional<std::string> read_line() override {
        if (run != nullptr) {
            for (OutFile* f : {&run->lst, &run->diag}) {
                if (!f->flush()) {
                    throw WriteFailed{f->error()};
                }
            }
        }
        return in_.read_line();
    }

private:
    LineReader& in_;
};

// The end of a run that could not write one of its files or its console: the message on
// standard error, the ending in the reports; status 4.
int write_failure(Results& res, const std::string& what, int error, ByteWriter* errors) {
    const std::string message = "kavron: " + what + " nelze zapsat: " + platform::reason_of(error);
    if (errors != nullptr) {
        errors->write(message + "\n");
    }
    if (res.ending != Ending::WriteError) {
        res.ending = Ending::WriteError;
        res.ending_text.clear();
        res.ending_note = message;
    }
    return info(Ending::WriteError).status;
}

// A file named in the dialog, for a message.
std::string file_named(const std::string& name) {
    std::string n = name;
    while (!n.empty() && n.back() == ' ') {
        n.pop_back();
    }
    return "soubor " + platform::shown_name(n, true);
}

// Which channel failed: the listing, the diagnostics file or the console.
int channel_failure(Run& r, Results& res, int error, ByteWriter* errors) {
    if (r.lst.failed()) {
        return write_failure(res, file_named(r.ADRESA), r.lst.error(), errors);
    }
    if (r.diag.failed()) {
        return write_failure(res, file_named(r.ADRESC), r.diag.error(), errors);
    }
    return write_failure(res, "standardní výstup", error, errors);
}

// The end of a run that met a fault of its own: said on the console, status 3.
int internal_error(Run& r, Results& res, const std::string& what) {
    const int status =
        finish(r, res, stop(Ending::InternalError).line(cp852("Vnitřní chyba programu: ") + what));
    r.con.finish();
    return status;
}

// The run up to the closing of its console; every way it ends gives its status here.
int run_to_end(Run& r, Storage& st, const std::filesystem::path& dir,
               const std::vector<std::string>& reports, ByteWriter* errors) {
    Results& res = st.results;
    try {
        try {
            const int status = finish(r, res, whole_run(r, st, dir, reports));
            r.con.finish();
            return status;
        } catch (const fmt::LayoutError& e) {
            // A write statement that does not fit its values: say so rather than print a wrong
            // digit.
            return internal_error(r, res, e.what());
        } catch (const std::bad_alloc&) {
            // The memory ran out (a job never needs much: something is badly wrong).
            return internal_error(r, res, cp852("nedostatek paměti"));
        }
    } catch (const Interrupted& i) {
        r.con.stop();
        res.ending = Ending::Interrupted;
        res.ending_text.clear();
        res.ending_note = std::string("výpočet přerušen (") + i.what() + ")";
        return i.status;
    } catch (const WriteFailed& w) {
        const int status = channel_failure(r, res, w.error, errors);
        if (!r.con.broken()) {
            try {
                r.con.finish();
            } catch (...) {  // the console too: nothing more can be said there
            }
        }
        return status;
    }
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

namespace {

// The reports asked for, in this order: the drawing first, so that the JSON can tell whether it
// was written. When one cannot be written, those written before it are written again with the
// ending it gave the run. Returns the run's status.
int write_reports(const Run& r, Results& res, const Options& options, int status) {
    if (options.reports == nullptr) {
        return status;
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
            return svg_report(res);
        }
        if (option == "--analysis") {
            return analysis_report(res, status, platform::shown_name(listing, true));
        }
        return json_report(res, status);
    };
    const auto failed = [&](std::size_t k, int error) {
        const int s = write_failure(res, "soubor " + platform::shown_name(files.name(k), false),
                                    error, options.errors);
        status = status == 0 ? s : status;
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
    return status;
}

}  // namespace

int run_program(LineReader& in, ByteWriter& out, const std::function<DateTime()>& clock,
                Storage& storage, const std::filesystem::path& dir, Options options) {
    FilesFirst reader(in);
    Console con(reader, out);
    Results& res = storage.results;
    Run r{con, {}, {}, {}, {}, {}, {}};
    r.errors = options.errors;
    r.analyse = options.reports != nullptr && options.reports->size() > 0;
    reader.run = &r;
    res.date = clock();
    const std::vector<std::string> reports =
        options.reports != nullptr ? options.reports->paths() : std::vector<std::string>{};
    int status = run_to_end(r, storage, dir, reports, options.errors);
    storage.ADRESC = r.ADRESC;  // as far as the dialog took it, however the run ended

    // The files are closed; a failure there is a failure of the run.
    const struct {
        OutFile& f;
        const std::string& name;
    } files[] = {{r.lst, r.ADRESA}, {r.diag, r.ADRESC}};
    for (const auto& [f, name] : files) {
        const bool already = f.failed();
        if (!f.close() && !already) {
            const int s = write_failure(res, file_named(name), f.error(), options.errors);
            status = status == 0 ? s : status;
        }
    }
    return write_reports(r, res, options, status);
}

namespace {

// A file in memory: the bytes written to it.
class MemoryFile : public RawFile {
public:
    explicit MemoryFile(std::string& bytes) : bytes_(bytes) {}
    bool write(std::string_view bytes, std::size_t& done, int&) override {
        bytes_.append(bytes);
        done = bytes.size();
        return true;
    }
    bool truncate(std::uint64_t size) override {
        bytes_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, bytes_.size())));
        return true;
    }
    bool close(int&) override { return true; }

private:
    std::string& bytes_;
};

// The console of a run in memory: the answers given, then the end of input; what it writes
// goes nowhere.
class Answers : public LineReader, public ByteWriter {
public:
    explicit Answers(const std::vector<std::string>& lines) : lines_(lines) {}
    std::optional<std::string> read_line() override {
        if (next_ == lines_.size()) {
            return std::nullopt;
        }
        return lines_[next_++];
    }
    void write(std::string_view) override {}

private:
    const std::vector<std::string>& lines_;
    std::size_t next_ = 0;
};

// A name as the file dialog keeps it: its first 24 characters in 26.
std::string as_typed(const std::string& name) {
    std::string n = name.substr(0, 24);
    n.resize(26, ' ');
    return n;
}

}  // namespace

InMemory run_in_memory(std::string_view input, const DateTime& date,
                       const std::vector<std::string>& answers, const std::string& listing_name,
                       const std::string& input_name, Storage& st) {
    Answers console(answers);
    Console con(console, console);
    Run r{con, {}, {}, {}, {}, {}, {}};
    r.analyse = true;
    InMemory m;
    r.diag.attach(std::make_unique<MemoryFile>(m.diagnostics));
    r.lst.attach(std::make_unique<MemoryFile>(m.listing));
    r.ADRESA = as_typed(listing_name);
    r.ADRESB = as_typed(input_name);
    Results& res = st.results;
    res.date = date;
    diagnostics_opened(r);
    diagnostics_named(r);
    r.inp.load(input);
    try {
        m.status = finish(r, res, job_run(r, st));
    } catch (const fmt::LayoutError& e) {
        m.status = internal_error(r, res, e.what());
    } catch (const std::bad_alloc&) {
        m.status = internal_error(r, res, cp852("nedostatek paměti"));
    }
    r.lst.close();
    r.diag.close();
    return m;
}

RunOutcome run_group(std::string_view input, const DateTime& date,
                     const std::vector<std::string>& answers, const std::string& listing_name,
                     const std::string& input_name, Results& res) {
    const auto st = std::make_unique<Storage>();
    const InMemory m = run_in_memory(input, date, answers, listing_name, input_name, *st);
    res = st->results;
    return {m.listing, m.diagnostics, m.status};
}

int run_program(LineReader& in, ByteWriter& out, const std::function<DateTime()>& clock,
                const std::filesystem::path& dir) {
    const auto storage = std::make_unique<Storage>();
    return run_program(in, out, clock, *storage, dir);
}

}  // namespace kavron
