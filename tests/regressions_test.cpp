// Inputs that the fuzzer once found faults with: every one must now end a run properly.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fuzz/one_run.hpp"
#include "harness.hpp"

namespace kavron {
namespace {

TEST(FuzzRegressions, EveryKeptInputEndsItsRunProperly) {
    const std::filesystem::path dir = std::filesystem::path(KAVRON_TESTS_DIR) / "fuzz/regressions";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream f(entry.path(), std::ios::binary);
        std::ostringstream ss;
        ss << f.rdbuf();
        test::Scratch s;
        EXPECT_EQ(fuzz::run_and_check(ss.str(), s.dir()), "") << entry.path();
        ++count;
    }
    EXPECT_GT(count, 0);
}

}  // namespace
}  // namespace kavron
