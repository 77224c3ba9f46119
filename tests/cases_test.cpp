// Whole runs as data. Every folder under tests/cases is one run of the program:
//   script     the console lines the user types, one a line
//   args       (optional) the command line, one argument a line
//   example    (instead of before/ and script) the name of a shipped example job, run with its
//              own console script
//   before/    the files in the folder when the run starts (the input file, an existing listing;
//              subfolders too)
//   console    the console bytes the run must write
//   status     its exit status
//   errors     what it writes on standard error (nothing, when the file is not there)
//   console-is-text  (a marker) the console holds texts for the terminal (help, version): UTF-8
//              here; a real program writes them in code page 852 (unless its console is a
//              UTF-8 terminal), the web build in UTF-8
//   after/     every file the run creates or changes, as it must be at the end
// After the run the folder must hold exactly the files of before/ and after/, those of before/
// that after/ does not name unchanged. tests/cases/update.sh rewrites console, status and after/
// from the program's output on purpose; the test run itself never writes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "harness.hpp"

namespace kavron {
namespace {

namespace fs = std::filesystem;
using test::lines_of;
using test::slurp;
using Files = std::map<std::string, std::string>;

const fs::path kCases = fs::path(KAVRON_TESTS_DIR) / "cases";

void spill(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

// The files under the folder by their paths in it ("trida/g1/vysledky.txt").
Files files_in(const fs::path& dir) {
    Files out;
    if (fs::is_directory(dir)) {
        for (const auto& e : fs::recursive_directory_iterator(dir)) {
            if (e.is_regular_file()) {
                out[fs::relative(e.path(), dir).generic_string()] = slurp(e.path());
            }
        }
    }
    return out;
}

std::vector<std::string> case_names() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(kCases)) {
        if (e.is_directory()) {
            names.push_back(e.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The files of `now` that `before` lacks or held otherwise.
Files changed_files(const Files& before, const Files& now) {
    Files changed;
    for (const auto& [name, bytes] : now) {
        const auto b = before.find(name);
        if (b == before.end() || b->second != bytes) {
            changed[name] = bytes;
        }
    }
    return changed;
}

class Case : public ::testing::TestWithParam<std::string> {};

TEST_P(Case, RunGivesItsConsoleStatusAndFiles) {
    const fs::path dir = kCases / GetParam();
    Files before = files_in(dir / "before");
    std::string script = slurp(dir / "script");
    if (fs::exists(dir / "example")) {
        const std::string job = lines_of(slurp(dir / "example")).at(0);
        const fs::path ex = KAVRON_EXAMPLES;
        before[job + ".txt"] = slurp(ex / (job + ".txt"));
        script = slurp(ex / (job + ".konzole"));
    }
    test::Scratch s;
    for (const auto& [name, bytes] : before) {
        s.put(name, bytes);
    }
    test::ScriptReader in(lines_of(script));
    test::StringWriter out, text, errors;
    const auto job = std::make_unique<Storage>();
    const int status = run_command(lines_of(slurp(dir / "args")), in, out, text, errors,
                                   test::fixed_clock, *job, s.dir());
    const Files now = files_in(s.dir());
    const Files changed = changed_files(before, now);
    if (std::getenv("KAVRON_UPDATE_CASES") != nullptr) {
        // Rewriting the expected files checks nothing: never where the tests must check.
        ASSERT_EQ(std::getenv("CI"), nullptr) << "KAVRON_UPDATE_CASES is set under CI";
        spill(dir / "console", out.text + text.text);
        spill(dir / "status", std::to_string(status) + "\n");
        fs::remove(dir / "errors");
        if (!errors.text.empty()) {
            spill(dir / "errors", errors.text);
        }
        fs::remove_all(dir / "after");
        for (const auto& [name, bytes] : changed) {
            spill(dir / "after" / name, bytes);
        }
        return;
    }
    EXPECT_EQ(status, std::stoi(slurp(dir / "status")));
    EXPECT_EQ(out.text + text.text, slurp(dir / "console"));
    // A case without an errors file says nothing on standard error.
    EXPECT_EQ(errors.text, fs::exists(dir / "errors") ? slurp(dir / "errors") : std::string());
    const Files after = files_in(dir / "after");
    for (const auto& [name, bytes] : after) {
        const auto got = now.find(name);
        if (got == now.end()) {
            ADD_FAILURE() << name << " was not written";
        } else {
            EXPECT_EQ(got->second, bytes) << name;
        }
    }
    for (const auto& [name, bytes] : changed) {
        EXPECT_TRUE(after.count(name) != 0) << name << " was written but is not expected";
    }
    for (const auto& [name, bytes] : before) {
        EXPECT_TRUE(now.count(name) != 0) << name << " is gone";
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, Case, ::testing::ValuesIn(case_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string n = info.param;
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });

}  // namespace
}  // namespace kavron
