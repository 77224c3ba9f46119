// What the console program's command line and the tools share: numbers as typed, the option
// tables, and the report files' policy (created new, one file named once, removed unless kept,
// a failed write leaving nothing or whole lines).
#include <gtest/gtest.h>

#include <filesystem>

#include "driver/commands.hpp"
#include "driver/toolkit.hpp"
#include "harness.hpp"

namespace kavron {
namespace {

TEST(TypedNumber, DecimalPointOrCommaAndNothingElse) {
    EXPECT_EQ(typed_number("0,3"), 0.3);
    EXPECT_EQ(typed_number("0.3"), 0.3);
    EXPECT_EQ(typed_number("3,5"), 3.5);
    EXPECT_EQ(typed_number("-2"), -2.0);
    EXPECT_EQ(typed_number("1e-3"), 0.001);
    EXPECT_EQ(typed_number(",5"), 0.5);
    for (const char* bad : {"", " 1", "1 ", "1,000.5", "1,0,0", "inf", "nan", "0x10", "1e400",
                            "1..2", "abc", "+", "1e", "--1"}) {
        EXPECT_FALSE(typed_number(bad).has_value()) << bad;
    }
    EXPECT_EQ(typed_number("1,"), 1.0);  // as "1." reads
}

CommandLine parsed(const Command& c, const std::vector<std::string>& args,
                   std::optional<Refusal>& r) {
    CommandLine cl;
    r = parse_command_line(c, args, 0, cl);
    return cl;
}

TEST(CommandLineTable, ValuesByTheirKinds) {
    std::optional<Refusal> r;
    const CommandLine cl = parsed(
        commands::kDesign, {"plan.txt", "--min-r", "0,25", "--limit", "3,5", "--json", "x"}, r);
    ASSERT_FALSE(r) << r->text;
    EXPECT_EQ(cl.operands, std::vector<std::string>{"plan.txt"});
    EXPECT_EQ(cl.number("--min-r", 0), 0.25);
    EXPECT_EQ(cl.number("--limit", 0), 3.5);
    EXPECT_EQ(cl.text("--json"), "x");
    EXPECT_FALSE(cl.has("--svg"));
    const CommandLine d =
        parsed(commands::kDeformation, {"a.json", "b.json", "--stable", "101,102,105"}, r);
    ASSERT_FALSE(r) << r->text;
    EXPECT_EQ(d.find("--stable")->points, (std::vector<int>{101, 102, 105}));
    EXPECT_TRUE(parsed(commands::kCheck, {"--help"}, r).help);
    EXPECT_FALSE(r);
}

TEST(CommandLineTable, RefusalsSayWhatIsWrong) {
    const struct {
        const Command* c;
        std::vector<std::string> args;
        std::string text;
    } cases[] = {
        {&commands::kDesign,
         {"p.txt", "--min-r", "1,5"},
         "--min-r 1,5: číslo nadbytečnosti je mezi 0 a 1"},
        {&commands::kDesign,
         {"p.txt", "--limit", "0"},
         "--limit 0: mez musí být kladné číslo v mm"},
        {&commands::kDesign, {"p.txt", "--limit"}, "u volby --limit chybí hodnota"},
        {&commands::kDesign,
         {"p.txt", "--limit", "--json"},
         "u volby --limit chybí hodnota (místo ní stojí --json)"},
        {&commands::kDesign,
         {"p.txt", "--json", "--svg", "x"},
         "u volby --json chybí jméno souboru (místo něj stojí --svg)"},
        {&commands::kDesign,
         {"p.txt", "--json", "a", "--json", "b"},
         "volba --json je zadána dvakrát"},
        {&commands::kDesign,
         {"p.txt", "q.txt"},
         "druhý vstup: q.txt (" + usage_line(commands::kDesign) + ")"},
        {&commands::kDesign,
         {"p.txt", "--xyz"},
         "neznámá volba: --xyz (" + usage_line(commands::kDesign) + ")"},
        {&commands::kDesign, {}, "chybí vstupní soubor (" + usage_line(commands::kDesign) + ")"},
        {&commands::kDeformation,
         {"a", "b", "--alpha", "0,1"},
         "--alpha 0,1: hladina testů je 0,05 nebo 0,01"},
        {&commands::kDeformation,
         {"a", "b", "--stable", "1,,2"},
         "--stable 1,,2: čísla bodů oddělená čárkou"},
        {&commands::kConsole, {"--json"}, "u volby --json chybí jméno souboru"},
        {&commands::kConsole, {"design"}, "neznámá volba: design"},
    };
    for (const auto& c : cases) {
        std::optional<Refusal> r;
        (void)parsed(*c.c, c.args, r);
        ASSERT_TRUE(r.has_value()) << c.text;
        EXPECT_EQ(r->status, 2);
        EXPECT_EQ(r->text, c.text);
    }
}

// The usage lines come from the tables: what the guide and the refusals quote.
TEST(CommandLineTable, UsageLines) {
    EXPECT_EQ(usage_line(commands::kConsole),
              "kavron [--svg SOUBOR] [--json SOUBOR] [--analysis SOUBOR] [--help] [--version]");
    EXPECT_EQ(usage_line(commands::kDesign),
              "kavron design VSTUP [--report SOUBOR] [--json SOUBOR] [--svg SOUBOR] [--limit MM] "
              "[--min-r R]");
    const std::string help = help_text(commands::all());
    for (const Command* c : commands::all()) {
        for (const Option& o : c->options) {
            EXPECT_NE(help.find("  " + std::string(o.name)), std::string::npos) << o.name;
        }
    }
}

struct Files : ::testing::Test {
    test::Scratch s;
};

TEST_F(Files, AnExistingFileIsNeverReplacedAndThoseMadeAreRemoved) {
    s.put("b.txt", "the user's\n");
    {
        ReportFiles f(s.dir());
        ASSERT_FALSE(f.create("--report", "a.txt"));
        const std::optional<Refusal> r = f.create("--json", "b.txt");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->text, "soubor již existuje: b.txt");
        EXPECT_FALSE(s.exists("a.txt"));
    }
    EXPECT_EQ(s.get("b.txt"), "the user's\n");
}

TEST_F(Files, OneFileUnderTwoNamesIsRefusedAsSuch) {
    ReportFiles f(s.dir());
    ASSERT_FALSE(f.create("--report", "x.txt"));
    std::optional<Refusal> r = f.create("--json", "./x.txt");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->text, "volby --report a --json nesmějí psát do téhož souboru");
    EXPECT_FALSE(s.exists("x.txt"));
    // A link to a file of the run, made after it.
    ReportFiles g(s.dir());
    ASSERT_FALSE(g.create("--report", "y.txt"));
    std::filesystem::create_symlink(s.dir() / "y.txt", s.dir() / "z.txt");
    r = g.create("--json", "z.txt");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->text, "volby --report a --json nesmějí psát do téhož souboru");
}

TEST_F(Files, KeptOnlyWhenTheRunSaysSo) {
    {
        ReportFiles f(s.dir());
        ASSERT_FALSE(f.create("--report", "a.txt"));
        ASSERT_FALSE(f.put("--report", "whole\r\n"));
    }
    EXPECT_FALSE(s.exists("a.txt"));
    {
        ReportFiles f(s.dir());
        ASSERT_FALSE(f.create("--report", "a.txt"));
        ASSERT_FALSE(f.put("--report", "whole\r\n"));
        f.keep();
    }
    EXPECT_EQ(s.get("a.txt"), "whole\r\n");
}

// Writing again replaces the text from the start.
TEST_F(Files, AWriteAgainStartsFromTheStart) {
    ReportFiles f(s.dir());
    ASSERT_FALSE(f.create("--analysis", "a.txt", ReportFiles::Cut::LastWholeLine));
    int error = 0;
    ASSERT_TRUE(f.write(0, "first, longer text\r\n", error));
    ASSERT_TRUE(f.write(0, "second\r\n", error));
    ASSERT_TRUE(f.close(0, error));
    f.keep();
    EXPECT_EQ(s.get("a.txt"), "second\r\n");
}

}  // namespace
}  // namespace kavron
