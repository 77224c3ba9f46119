// Timing of the largest job: one whole run in-process (file dialog, input, adjustment, results and
// a dialog asking for one of each derived quantity), and the adjustment passes alone; the design
// of a plan; a listing made again in memory, and the check of a class of thirty.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "adjustment/adjustment.hpp"
#include "checking/check.hpp"
#include "harness.hpp"
#include "input/input.hpp"
#include "planning/design.hpp"

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

}  // namespace

BENCHMARK_MAIN();
