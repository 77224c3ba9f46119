// What the reports show a reader whatever the figures: table columns that never run together,
// every uncontrolled measurement in the drawing, a scale in plain numbers, no control character
// of the input, no character lost after a byte that is not UTF-8; and a run whose memory runs
// out still ends with its reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include "driver/run.hpp"
#include "format/codepage.hpp"
#include "harness.hpp"
#include "reports/reports.hpp"

namespace kavron {
namespace {

// Two fixed points and one measured between them, analysed: the figures are set by hand.
std::unique_ptr<Results> two_points() {
    auto res = std::make_unique<Results>();
    res->action = "Ukazka";
    res->action.resize(80, ' ');
    res->points_read = 2;
    res->points[1] = {101, 7, {0, 0, 0}, {0, 0, 0}, {}, {}, {}};
    res->points[2] = {102, 7, {100000, 0, 0}, {100000, 0, 0}, {}, {}, {}};
    res->adjusted = true;
    res->redundancy = 1;
    res->m0_tested = true;
    res->m0 = 1;
    res->MOO = 1;
    res->reliability.computed = true;
    return res;
}

// The rows of the analysis's measurement table, split at blanks.
std::vector<std::vector<std::string>> table_rows(const std::string& report) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(decode(report, CodePage::Cp1250));
    std::string line;
    bool in_table = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.rfind("   č.  druh", 0) == 0) {
            in_table = true;
            continue;
        }
        if (in_table && line.empty()) {
            break;
        }
        if (in_table) {
            std::istringstream fields(line);
            std::vector<std::string> row;
            for (std::string f; fields >> f;) {
                row.push_back(f);
            }
            rows.push_back(row);
        }
    }
    return rows;
}

TEST(AnalysisTable, FiguresOfAGrossErrorStandApart) {
    auto res = two_points();
    res->observations_read = 2;
    res->observations[1] = {Kind::Distance, 101, 102, 100000.0, 1.0, -45150.86};
    res->observations[2] = {Kind::Distance, 102, 101, 145150.0, 1e300, 85243.539938};
    for (int g = 1; g <= 2; ++g) {
        Reliable& m = res->reliability.of[g];
        m.controlled = true;
        m.r = 0.8064;
        m.sd_v = 0.8064;
        m.w = 414.85 * (g == 1 ? -1 : 1) * 1e9;
        m.has_tau = true;
        m.tau = -85243.539938;
        m.mdb = 123456789.0;
        m.mdb_effect = 98765432.1;
        m.mdb_point = 102;
        m.v_over_r = -1e14;
        m.has_m0_without = true;
        m.m0_without = 12345678.9;
    }
    const auto rows = table_rows(analysis_report(*res, Outcome{}, "v.txt"));
    ASSERT_EQ(rows.size(), 2U);
    for (const auto& row : rows) {
        // number, kind and the fourteen figures, each a field of its own.
        ASSERT_EQ(row.size(), 16U) << ::testing::PrintToString(row);
        for (std::size_t k = 2; k < row.size(); ++k) {
            // A figure reads as one number: one sign at most, at its start (or in its exponent).
            const std::string& f = row[k];
            EXPECT_EQ(f.find('-', 1) == std::string::npos || f.find("e-") != std::string::npos ||
                          f.find("e+") != std::string::npos,
                      true)
                << f;
        }
    }
    EXPECT_EQ(rows[1][5], "1.00e+300");  // the weight, not 300 digits cut at 63
    EXPECT_EQ(rows[0][6], "-45150.86");
}

TEST(AnalysisText, ControlCharactersOfTheInputReachNoTerminal) {
    auto res = two_points();
    res->action = std::string("Akce \x1b]0;titulek\x07 a\rb\x7f", 21);
    res->action.resize(80, ' ');
    res->warnings.push_back({3, "unread_values", "řádek 3: zbylo \x1b[2J\x1b[H"});
    const std::string report = analysis_report(*res, Outcome{}, "v\x1b.txt");
    for (std::size_t i = 0; i < report.size(); ++i) {
        const auto c = static_cast<unsigned char>(report[i]);
        const bool line_end =
            (c == '\r' && report[i + 1] == '\n') || (c == '\n' && i > 0 && report[i - 1] == '\r');
        EXPECT_TRUE((c >= 0x20 && c != 0x7f) || line_end) << "byte " << i << ": " << int(c);
    }
}

TEST(CodePages, NoCharacterIsLostAfterAByteThatIsNotUtf8) {
    EXPECT_EQ(cp1250("v\xC3ysledky.txt"), "v?ysledky.txt");
    EXPECT_EQ(cp1250("konec\xE2\x82"), "konec??");
    EXPECT_EQ(cp1250("\xF0"
                     "abc"),
              "?abc");
    EXPECT_EQ(as_utf8("poznámka", CodePage::Cp1250), "poznámka");
    EXPECT_EQ(as_utf8("pozn\xE1mka", CodePage::Cp1250), "poznámka");
}

// Every Czech text of the reports in code page 1250 and of the terminal's texts in 852 has its
// characters in that page: a string literal of their sources that does not come back the same
// from the page would print as '?' (a Σ in a table head, typographic quotes in a help text).
TEST(CodePages, EveryTextOfTheSourcesIsInItsCodePage) {
    const std::filesystem::path root = std::filesystem::path(KAVRON_TESTS_DIR).parent_path();
    const struct {
        const char* file;
        CodePage page;
    } sources[] = {
        {"reports/analysis.cpp", CodePage::Cp1250},    {"reports/design.cpp", CodePage::Cp1250},
        {"reports/check.cpp", CodePage::Cp1250},       {"reports/import.cpp", CodePage::Cp1250},
        {"reports/deformation.cpp", CodePage::Cp1250}, {"reports/listing.cpp", CodePage::Cp1250},
        {"reports/text.hpp", CodePage::Cp1250},        {"core/listing_texts.hpp", CodePage::Cp1250},
        {"fieldbook/reduce.cpp", CodePage::Cp1250},    {"fieldbook/network.cpp", CodePage::Cp1250},
        {"input/input.cpp", CodePage::Cp1250},         {"driver/commands.cpp", CodePage::Cp852},
        {"driver/toolkit.cpp", CodePage::Cp852},       {"driver/tools.cpp", CodePage::Cp852},
        {"core/exits.cpp", CodePage::Cp852},           {"core/endings.cpp", CodePage::Cp852},
    };
    // Texts of these files that go to a document in UTF-8 (the class check's CSV).
    const std::set<std::string> utf8_texts = {"největší rozdíl souřadnic [σ]"};
    const std::regex literal(R"re("((\\.|[^"\\])*)")re");
    int texts = 0;
    for (const auto& src : sources) {
        std::istringstream in(test::slurp(root / src.file));
        int n = 0;
        for (std::string line; std::getline(in, line);) {
            ++n;
            for (auto it = std::sregex_iterator(line.begin(), line.end(), literal);
                 it != std::sregex_iterator(); ++it) {
                const std::string text = (*it)[1];
                if (std::all_of(text.begin(), text.end(),
                                [](char c) { return static_cast<unsigned char>(c) < 0x80; }) ||
                    utf8_texts.count(text) != 0) {
                    continue;
                }
                ++texts;
                EXPECT_EQ(decode(encode(text, src.page), src.page), text) << src.file << ":" << n;
            }
        }
    }
    EXPECT_GT(texts, 200);
}

TEST(Drawing, MarksAnUncontrolledMeasurementBesideAControlledOne) {
    auto res = two_points();
    res->observations_read = 2;
    res->observations[1] = {Kind::Distance, 101, 102, 100000.0, 1.0, 0.0};
    res->observations[2] = {Kind::Distance, 102, 101, 100000.0, 1.0, 0.0};
    res->reliability.of[1].controlled = true;
    res->reliability.of[2].controlled = false;
    const std::string svg = svg_report(*res, Outcome{});
    EXPECT_NE(svg.find("class=\"dist\"/>"), std::string::npos);
    EXPECT_NE(svg.find("class=\"dist unc\"/>"), std::string::npos);
    EXPECT_NE(svg.find("nekontrolované měření"), std::string::npos);
}

TEST(Drawing, ScaleInPlainNumbers) {
    for (const double far : {1e5, 1e11, 3e13}) {
        auto res = two_points();
        res->points[2].approx[0] = res->points[2].adjusted[0] = far;
        const std::string svg = svg_report(*res, Outcome{});
        const auto at = svg.find("síť: ");
        ASSERT_NE(at, std::string::npos);
        const std::string label = svg.substr(at, svg.find('<', at) - at);
        EXPECT_EQ(label.find('e'), std::string::npos) << label;
        EXPECT_NE(label.find(" m"), std::string::npos) << label;
    }
}

}  // namespace
}  // namespace kavron

namespace kavron {
namespace {

// A console whose third answer cannot be read because the memory has run out.
class MemoryRunsOut : public LineReader {
public:
    std::optional<std::string> read_line() override {
        if (++reads == 3) {
            throw std::bad_alloc();
        }
        return reads == 1 ? "chyby.txt" : "vysledky.txt";
    }
    int reads = 0;
};

TEST(Endings, MemoryExhaustionIsAnInternalErrorWithTheReports) {
    test::Scratch s;
    MemoryRunsOut in;
    test::StringWriter out, text, errors;
    const auto job = std::make_unique<Storage>();
    const int status =
        run_command({"--json", "r.json"}, in, out, text, errors, test::fixed_clock, *job, s.dir());
    EXPECT_EQ(status, 3);
    EXPECT_NE(out.text.find(cp852("Vnitřní chyba programu: nedostatek paměti")), std::string::npos);
    const std::string json = s.get("r.json");
    EXPECT_NE(json.find("\"kind\": \"internal_error\""), std::string::npos) << json;
    EXPECT_NE(json.find("nedostatek paměti"), std::string::npos) << json;
}

}  // namespace
}  // namespace kavron
