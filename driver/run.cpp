// The order of the run: banner, file dialog, listing header, input, adjustment, results, the
// dialog of derived quantities and the end; then the files closed and the reports written.
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
#include "driver/run_parts.hpp"
#include "format/codepage.hpp"
#include "input/input.hpp"
#include "platform/platform.hpp"
#include "reanalysis/reanalysis.hpp"
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

}  // namespace

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
    if (r.reanalyse) {
        reanalyse(st.job, res);
    }
    write_results(r, res);
    derived_dialog(r, st.job, st.solution, res);
    r.con.list({lit("Výsledky výpočtu jsou v souboru :  "), raw(r.ADRESA)});
    r.con.record("    ");
    return stop(Ending::Normal);
}

namespace {

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

// The run up to the closing of its console; every way it ends gives its status here.
int run_to_end(Run& r, Storage& st, const std::filesystem::path& dir,
               const std::vector<std::string>& reports, ByteWriter* errors) {
    Outcome& end = st.outcome;
    try {
        const int status = finish_guarded(r, end, [&] { return whole_run(r, st, dir, reports); });
        r.con.finish();
        return status;
    } catch (const Interrupted& i) {
        r.con.stop();
        end.ending = Ending::Interrupted;
        end.text.clear();
        end.note = std::string("výpočet přerušen (") + i.what() + ")";
        return i.status;
    } catch (const WriteFailed& w) {
        const int status = channel_failure(r, end, w.error, errors);
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

int run_program(LineReader& in, ByteWriter& out, const std::function<DateTime()>& clock,
                Storage& storage, const std::filesystem::path& dir, Options options) {
    FilesFirst reader(in);
    Console con(reader, out);
    Results& res = storage.results;
    Run r{con, {}, {}, {}, {}, {}, {}};
    r.errors = options.errors;
    r.analyse = options.reports != nullptr && options.reports->size() > 0;
    // The drawing shows the suspects but neither the components nor the snooping.
    r.reanalyse =
        r.analyse && (options.reports->has("--json") || options.reports->has("--analysis"));
    reader.run = &r;
    res.date = clock();
    const std::vector<std::string> reports =
        options.reports != nullptr ? options.reports->paths() : std::vector<std::string>{};
    Outcome& end = storage.outcome;
    end.status = run_to_end(r, storage, dir, reports, options.errors);
    end.diagnostics_name = r.ADRESC;  // as far as the dialog took it, however the run ended

    // The files are closed; a failure there is a failure of the run.
    const struct {
        OutFile& f;
        const std::string& name;
    } files[] = {{r.lst, r.ADRESA}, {r.diag, r.ADRESC}};
    for (const auto& [f, name] : files) {
        const bool already = f.failed();
        if (!f.close() && !already) {
            const int s = write_failure(end, file_named(name), f.error(), options.errors);
            end.status = end.status == 0 ? s : end.status;
        }
    }
    return write_reports(r, res, end, options);
}

int run_program(LineReader& in, ByteWriter& out, const std::function<DateTime()>& clock,
                const std::filesystem::path& dir) {
    const auto storage = std::make_unique<Storage>();
    return run_program(in, out, clock, *storage, dir);
}

}  // namespace kavron
