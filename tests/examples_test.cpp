// The shipped example jobs, run with their console scripts: the listing, the diagnostics file and
// the console must stay byte for byte what examples/expected holds. The expected files were made
// by the program and then read line by line against the layouts of the listing (header, point
// table, tables of residuals with their summaries, coordinates, ellipsoids, derived quantities);
// the figures of the networks themselves are covered by the hand-checked tests.
// With KAVRON_UPDATE_EXAMPLES=1 in the environment the test writes the files instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "harness.hpp"

namespace kavron {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        out.push_back(l);
    }
    return out;
}

class Example : public ::testing::TestWithParam<const char*> {};

TEST_P(Example, ListingDiagnosticsAndConsoleAreUnchanged) {
    const std::string job = GetParam();
    const std::string dir = KAVRON_EXAMPLES;
    test::Scratch s;
    s.put(job + ".txt", slurp(dir + "/" + job + ".txt"));
    test::ScriptReader in(lines_of(slurp(dir + "/" + job + ".konzole")));
    test::StringWriter out;
    EXPECT_EQ(run_program(in, out, test::fixed_clock, s.dir()), 0);
    const std::string got[3] = {s.get("vysledky.txt"), s.get("chyby.txt"), out.text};
    const char* kinds[3] = {".vysledky", ".chyby", ".konzole"};
    for (int k = 0; k < 3; ++k) {
        const std::string path = dir + "/expected/" + job + kinds[k];
        if (std::getenv("KAVRON_UPDATE_EXAMPLES") != nullptr) {
            std::ofstream(path, std::ios::binary) << got[k];
            continue;
        }
        EXPECT_EQ(got[k], slurp(path)) << path;
    }
    EXPECT_NE(out.text.find("KONEC"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Shipped, Example,
                         ::testing::Values("mikrosit", "helmert", "castecne", "nejvetsi"));

}  // namespace
}  // namespace kavron
