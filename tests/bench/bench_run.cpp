// Timing of the largest job: one whole run in-process (file dialog, input, adjustment, results and
// a dialog asking for one of each derived quantity), and the adjustment passes alone; the design
// of a plan; a listing made again in memory, and the check of a class of thirty; the import of a
// day's field records.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "adjustment/adjustment.hpp"
#include "checking/check.hpp"
#include "field_model.hpp"
#include "fieldbook/fieldbook.hpp"
#include "harness.hpp"
#include "input/input.hpp"
#include "planning/design.hpp"
#include "reports/reports.hpp"

namespace {

using namespace kavron;

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::vector<std::string> script() {
    std::vector<std::string> lines;
    std::istringstream in(slurp(std::string(KAVRON_EXAMPLES) + "/nejvetsi.konzole"));
    for (std::string l; std::getline(in, l);) {
        lines.push_back(l);
    }
    return lines;
}

void WholeRun(benchmark::State& state) {
    test::Scratch s;
    s.put("nejvetsi.txt", slurp(std::string(KAVRON_EXAMPLES) + "/nejvetsi.txt"));
    const auto lines = script();
    for (auto _ : state) {
        std::filesystem::remove(s.dir() / "vysledky.txt");
        test::ScriptReader in(lines);
        test::StringWriter out;
        const int status = run_program(in, out, test::fixed_clock, s.dir());
        benchmark::DoNotOptimize(status);
    }
}
BENCHMARK(WholeRun)->Unit(benchmark::kMicrosecond);

// A whole run with the analysis report, which adjusts the job again: the kinds' weights iterated
// and the suspects left out one by one. Arg 0: the largest job (no suspect); 1: the example with
// two gross errors (two steps of the snooping).
void WholeRunWithAnalysis(benchmark::State& state) {
    const std::string job = state.range(0) == 0 ? "nejvetsi" : "dve-chyby";
    test::Scratch s;
    s.put(job + ".txt", slurp(std::string(KAVRON_EXAMPLES) + "/" + job + ".txt"));
    std::vector<std::string> lines;
    std::istringstream in(slurp(std::string(KAVRON_EXAMPLES) + "/" + job + ".konzole"));
    for (std::string l; std::getline(in, l);) {
        lines.push_back(l);
    }
    const auto storage = std::make_unique<Storage>();
    for (auto _ : state) {
        std::filesystem::remove(s.dir() / "vysledky.txt");
        std::filesystem::remove(s.dir() / "r.txt");
        test::ScriptReader con(lines);
        test::StringWriter out, text, errors;
        *storage = Storage{};
        const int status = run_command({"--analysis", "r.txt"}, con, out, text, errors,
                                       test::fixed_clock, *storage, s.dir());
        benchmark::DoNotOptimize(status);
    }
}
BENCHMARK(WholeRunWithAnalysis)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void AdjustmentAlone(benchmark::State& state) {
    test::LoadedJob job(slurp(std::string(KAVRON_EXAMPLES) + "/nejvetsi.txt"));
    if (!job.ok) {
        state.SkipWithError("the job does not read");
        return;
    }
    const auto sol = std::make_unique<Solution>();
    const auto work = std::make_unique<Work>();
    for (auto _ : state) {
        *sol = Solution{};  // each adjustment starts on fresh storage, as a run's does
        *work = Work{};
        const Halt h = adjust(*job.job, *sol, *work, {job.con, job.diag, "out.txt"});
        benchmark::DoNotOptimize(h.has_value());
    }
}
BENCHMARK(AdjustmentAlone)->Unit(benchmark::kMicrosecond);

// The design of the largest plan that leaves room for suggestions: the largest job without its
// distances (7 points, 48 measurements), every candidate tried.
void DesignWithSuggestions(benchmark::State& state) {
    test::LoadedJob job(slurp(std::string(KAVRON_EXAMPLES) + "/nejvetsi.txt"));
    if (!job.ok) {
        state.SkipWithError("the job does not read");
        return;
    }
    job.job->NR = job.job->ISZ;
    job.job->ID = 0;
    const auto dw = std::make_unique<DesignWork>();
    for (auto _ : state) {
        const auto plan = std::make_unique<Plan>();
        std::string said;
        const Halt h = design(*job.job, {}, *plan, *dw, said);
        benchmark::DoNotOptimize(h.has_value());
        benchmark::DoNotOptimize(plan->candidates);
    }
}
BENCHMARK(DesignWithSuggestions)->Unit(benchmark::kMillisecond);

// The largest job's listing made again in memory, as the check of a class does for each group.
void RemakeListing(benchmark::State& state) {
    const std::string input = slurp(std::string(KAVRON_EXAMPLES) + "/nejvetsi.txt");
    std::vector<std::string> answers = script();
    answers.erase(answers.begin(), answers.begin() + 3);  // the file dialog's three names
    for (auto _ : state) {
        const auto st = std::make_unique<Storage>();
        const InMemory m =
            run_in_memory(input, test::fixed_clock(), answers, "vysledky.txt", "nejvetsi.txt", *st);
        benchmark::DoNotOptimize(m.listing.size());
    }
}
BENCHMARK(RemakeListing)->Unit(benchmark::kMicrosecond);

// A class of thirty groups, each handing in the largest job with its listing and diagnostics
// file: every listing made again and compared, every input and result compared.
void ClassOfThirty(benchmark::State& state) {
    test::Scratch s;
    const std::string input = slurp(std::string(KAVRON_EXAMPLES) + "/nejvetsi.txt");
    s.put("zadani.txt", input);
    std::vector<std::string> folders;
    for (int k = 1; k <= 30; ++k) {
        std::string g = std::to_string(k);
        g.insert(0, "skupina-");
        s.put(g + "/nejvetsi.txt", input);
        test::ScriptReader in(script());
        test::StringWriter out;
        (void)run_program(in, out, test::fixed_clock, s.dir() / g);
        folders.push_back(g);
    }
    for (auto _ : state) {
        ClassCheck cc;
        const auto refused = check_class("zadani.txt", folders, s.dir(), run_group, cc);
        if (refused || cc.groups.size() != 30 || cc.groups.back().genuine != true) {
            state.SkipWithError("the class does not check as genuine");
            return;
        }
    }
}
BENCHMARK(ClassOfThirty)->Unit(benchmark::kMillisecond);

// A day in the field: five stations, each with four targets read in both faces in 100 sets
// (4 000 lines of GSI-16), imported into the input file (`range(0)` 1: its report and JSON too,
// which grow with every pair).
void ImportDay(benchmark::State& state) {
    test::FieldModel m;
    m.marks = {{"101", 1000, 2000, 250},
               {"102", 1062.3, 2018.4, 251.37},
               {"103", 1041.8, 2081.2, 249.215},
               {"104", 987.5, 2055.9, 252.842},
               {"105", 1020.2, 2040.1, 250.9}};
    for (std::size_t a = 0; a < m.marks.size(); ++a) {
        test::FieldSetupModel su;
        su.station = m.marks[a].id;
        su.sets = 100;
        for (std::size_t b = 0; b < m.marks.size(); ++b) {
            if (b != a) {
                su.sights.push_back({m.marks[b].id, 1.5});
            }
        }
        m.setups.push_back(su);
    }
    m.inst.sd_angle = 0.0001;
    std::vector<test::Shot> shots = m.shots();
    test::GsiStyle style;
    style.sixteen = true;
    const std::string day = test::write_gsi(m, shots, style);
    for (auto _ : state) {
        std::vector<FieldFile> files(1);
        (void)read_field_file("den.gsi", day, files[0]);
        Import imp;
        imp.output = "vstup.txt";
        (void)import_field(std::move(files), nullptr, ImportOptions{}, imp);
        std::size_t bytes = import_input(imp).size();
        if (state.range(0) == 1) {
            bytes += import_report(imp).size() + import_json(imp).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["lines"] = static_cast<double>(shots.size() + m.setups.size());
}
BENCHMARK(ImportDay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
