// Timing of the largest job: one whole run in-process (file dialog, input, adjustment, results and
// a dialog asking for one of each derived quantity), and the adjustment passes alone.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "adjustment/adjustment.hpp"
#include "harness.hpp"
#include "input/input.hpp"

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
    const auto input = std::make_unique<Task>(*job.t);  // the task as the reader left it
    for (auto _ : state) {
        *job.t = *input;
        const Flow f = adjust(job.r);
        benchmark::DoNotOptimize(f.stopped());
    }
}
BENCHMARK(AdjustmentAlone)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
