// The glossary names every short upper-case name that a header of the program uses, so that a
// newcomer finds each one explained (docs/glossary.md), and no name that the code does not use.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "harness.hpp"

namespace kavron {
namespace {

namespace fs = std::filesystem;

const char* const kLayers[] = {"crmath",    "format",     "platform",    "core",
                               "matrix",    "geometry",   "input",       "adjustment",
                               "results",   "planning",   "deformation", "checking",
                               "fieldbook", "reanalysis", "reports",     "driver"};

// The code of a header line: its comment and the texts of its string literals left out.
std::string code_of(std::string line) {
    line = std::regex_replace(line, std::regex(R"("(\\.|[^"\\])*")"), "\"\"");
    const auto comment = line.find("//");
    return comment == std::string::npos ? line : line.substr(0, comment);
}

TEST(Glossary, NamesEveryShortNameOfTheHeaders) {
    const fs::path root = fs::path(KAVRON_TESTS_DIR).parent_path();
    const std::string glossary = test::slurp(root / "docs" / "glossary.md");
    std::set<std::string> explained;
    const std::regex quoted("`([A-Za-z0-9_]+)");
    for (auto it = std::sregex_iterator(glossary.begin(), glossary.end(), quoted);
         it != std::sregex_iterator(); ++it) {
        explained.insert((*it)[1]);
    }
    const std::regex short_name(R"(\b[A-Z][A-Z0-9]{1,7}\b)");
    std::set<std::string> missing;
    int headers = 0;
    for (const char* layer : kLayers) {
        for (const auto& e : fs::directory_iterator(root / layer)) {
            if (e.path().extension() != ".hpp") {
                continue;
            }
            ++headers;
            std::istringstream in(test::slurp(e.path()));
            for (std::string line; std::getline(in, line);) {
                const std::string code = code_of(line);
                for (auto it = std::sregex_iterator(code.begin(), code.end(), short_name);
                     it != std::sregex_iterator(); ++it) {
                    if (explained.count(it->str()) == 0) {
                        missing.insert(it->str() + " (" + e.path().filename().string() + ")");
                    }
                }
            }
        }
    }
    EXPECT_GT(headers, 15);
    EXPECT_TRUE(missing.empty()) << "not in docs/glossary.md: "
                                 << ::testing::PrintToString(missing);
    // And the other way: every short name the glossary explains is used by the program's code.
    std::set<std::string> used;
    for (const char* layer : kLayers) {
        for (const auto& e : fs::directory_iterator(root / layer)) {
            if (e.path().extension() != ".hpp" && e.path().extension() != ".cpp") {
                continue;
            }
            std::istringstream in(test::slurp(e.path()));
            for (std::string line; std::getline(in, line);) {
                const std::string code = code_of(line);
                for (auto it = std::sregex_iterator(code.begin(), code.end(), short_name);
                     it != std::sregex_iterator(); ++it) {
                    used.insert(it->str());
                }
            }
        }
    }
    std::set<std::string> stale;
    const std::regex whole(R"([A-Z][A-Z0-9]{1,7})");
    for (const std::string& name : explained) {
        if (std::regex_match(name, whole) && used.count(name) == 0) {
            stale.insert(name);
        }
    }
    EXPECT_TRUE(stale.empty()) << "in docs/glossary.md but in no code: "
                               << ::testing::PrintToString(stale);
}

}  // namespace
}  // namespace kavron
