// Record formatting: fields, layouts, value lists, code pages and value-list reading.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "format/channels.hpp"
#include "harness.hpp"

namespace kavron {
namespace {

using namespace fmt;

TEST(Fields, IntegersJustifyAndOverflowToAsterisks) {
    EXPECT_EQ(int_field(12345, 4), "****");
    EXPECT_EQ(int_field(-123, 4), "-123");
    EXPECT_EQ(int_field(0, 3), "  0");
    EXPECT_EQ(int_field(-5, 11), "         -5");
}

TEST(Fields, RealsRoundHalfAwayWithoutLeadingZero) {
    EXPECT_EQ(real_field(12.25, 6, 1), "  12.3");
    EXPECT_EQ(real_field(2.25, 6, 1), "   2.3");
    EXPECT_EQ(real_field(-2.25, 6, 1), "  -2.3");
    EXPECT_EQ(real_field(123456.0, 6, 1), "******");
    EXPECT_EQ(real_field(0.5, 6, 1), "    .5");
    EXPECT_EQ(real_field(-0.25, 6, 1), "   -.3");
    EXPECT_EQ(real_field(0.0, 6, 1), "    .0");
    EXPECT_EQ(real_field(-0.0, 6, 1), "    .0");
    EXPECT_EQ(real_field(-0.04, 6, 1), "    .0");  // rounds to zero: no sign
    EXPECT_EQ(real_field(0.05, 6, 1), "    .1");
    EXPECT_EQ(real_field(9.96, 5, 1), " 10.0");  // the carry adds a digit
    EXPECT_EQ(real_field(99.96, 4, 1), "****");
    EXPECT_EQ(real_field(0.0, 3, 0), " 0.");
    EXPECT_EQ(real_field(7.5, 4, 0), "  8.");
    EXPECT_EQ(real_field(1.0 / 3.0, 9, 3), "     .333");
    EXPECT_EQ(real_field(-1234.5678, 12, 2), "    -1234.57");
}

TEST(Fields, RealsRoundTheSeventeenDigitExpansion) {
    // 0.15 is 0.1499999999999999944... : its 17 digits end ...99, so it rounds down.
    EXPECT_EQ(real_field(0.15, 6, 1), "    .1");
    EXPECT_EQ(real_field(2.675, 6, 2), "  2.67");
    // 1.0000000000000000004 has no 17-digit expansion other than 1.0...
    EXPECT_EQ(real_field(1.005, 6, 2), "  1.00");  // 1.00499999999999989...
}

// The two ways to the 17-digit expansion give the same bytes: on ties (a double with 18
// significant digits ending in 5, which rounds half to even), at the ends of the range, and on
// doubles of every exponent.
TEST(Fields, BothWaysToTheSeventeenDigitsGiveTheSameBytes) {
    char a[32], b[32];
    const auto same = [&](double v) {
        const int na = scientific17(v, a), nb = scientific17_printf(v, b);
        ASSERT_EQ(std::string(a, static_cast<std::size_t>(na)),
                  std::string(b, static_cast<std::size_t>(nb)))
            << std::hexfloat << v;
    };
    scientific17(1125899906842624.25, a);  // 2^50 + 1/4: a tie, to the even 2
    EXPECT_STREQ(a, "1.1258999068426242e+15");
    scientific17(1125899906842625.25, a);  // 2^50 + 1 + 1/4: to the even 2 again
    EXPECT_STREQ(a, "1.1258999068426252e+15");
    scientific17(1125899906842624.75, a);  // to the even 8
    EXPECT_STREQ(a, "1.1258999068426248e+15");
    for (double v : {0.0, -0.0, 5e-324, -5e-324, 2.2250738585072014e-308, 1.7976931348623157e308,
                     0.1, 1.0 / 3.0, 1e23, 9007199254740993.0}) {
        same(v);
    }
    for (std::uint64_t k = 0; k < 20000; ++k) {
        same(static_cast<double>((std::uint64_t{1} << 50) + k * 7919) + 0.25 * (k % 4));
        same(static_cast<double>((std::uint64_t{1} << 47) + k * 104729) + 0.125 * (k % 8));
    }
    std::uint64_t x = 0x9E3779B97F4A7C15ULL;
    for (int n = 0; n < 200000; ++n) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        double v;
        std::memcpy(&v, &x, sizeof v);
        if (std::isfinite(v)) {
            same(v);
        }
    }
}

TEST(Fields, RealsUseAtMostSixteenOrSevenSignificantDigits) {
    EXPECT_EQ(real_field(1234567890.123456789, 22, 10), " 1234567890.1234570000");
    EXPECT_EQ(real_field(static_cast<double>(123456.789f), 11, 3, true), " 123456.800");
    EXPECT_EQ(real_field(static_cast<double>(0.1f), 12, 10, true), " .1000000000");
    EXPECT_EQ(real_field(static_cast<double>(0.1f), 20, 18), " .100000001490116100");
}

TEST(Fields, NonFiniteValuesFillTheFieldWithAsterisks) {
    EXPECT_EQ(real_field(std::numeric_limits<double>::quiet_NaN(), 6, 1), "******");
    EXPECT_EQ(real_field(std::numeric_limits<double>::infinity(), 8, 2), "********");
    EXPECT_EQ(list_double(-std::numeric_limits<double>::infinity()), std::string(24, '*'));
}

TEST(Fields, ValueListDoublesFixedOrExponent) {
    EXPECT_EQ(list_double(0.5), "  5.000000000000000E-001");
    EXPECT_EQ(list_double(1.0), "       1.000000000000000");
    EXPECT_EQ(list_double(-1.0), "      -1.000000000000000");
    EXPECT_EQ(list_double(1234567.891), " 1234567.891000000000000");
    EXPECT_EQ(list_double(10000000.0), "  1.000000000000000E+007");
    EXPECT_EQ(list_double(-0.001), " -1.000000000000000E-003");
    EXPECT_EQ(list_double(0.0), "  0.000000000000000E+000");
    EXPECT_EQ(list_double(1.0 / 3.0), "  3.333333333333333E-001");
    // 0.66666666666666663: the 17th digit decides.
    EXPECT_EQ(list_double(2.0 / 3.0), "  6.666666666666666E-001");
    EXPECT_EQ(list_double(1e-300), "  1.000000000000000E-300");
}

std::vector<std::string> fmt_records(const Layout& l, std::initializer_list<Val> v) {
    return format_records(l, {v.begin(), v.size()}, CodePage::Cp1250);
}

TEST(Layouts, RecordEndsSkipsAndGroups) {
    EXPECT_EQ(fmt_records({T("a"), E(), E(), T("b")}, {}),
              (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(fmt_records({T("a"), E(), E()}, {}), (std::vector<std::string>{"a", "", ""}));
    EXPECT_EQ(fmt_records({E(), E()}, {}), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(fmt_records({G(25, {E()})}, {}).size(), 26u);
    EXPECT_EQ(fmt_records({T("a"), X(5)}, {}), (std::vector<std::string>{"a"}));
    EXPECT_EQ(fmt_records({T("a"), X(3), T("b")}, {}), (std::vector<std::string>{"a   b"}));
    EXPECT_EQ(fmt_records({T(" "), G(3, {T("* ")})}, {}), (std::vector<std::string>{" * * * "}));
}

TEST(Layouts, WritingStopsAtTheFirstFieldWithoutAValue) {
    const Layout l = {T(" "), X(2), I(5), I(5), X(4), G(6, {F(10, 1)})};
    const auto recs = fmt_records(l, {1, 2, 1.0, 2.0, 3.0});
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].size(), 47u);
    EXPECT_EQ(recs[0], "       1    2           1.0       2.0       3.0");
    EXPECT_EQ(fmt_records({I(3), T("x"), X(2), T("y"), I(3), T("z")}, {7}),
              (std::vector<std::string>{"  7x  y"}));
}

TEST(Layouts, TextFieldsCutOrRightJustify) {
    const std::string name = "abcdefghijklmnopqrstuvwxyz";
    EXPECT_EQ(fmt_records({A(24)}, {raw(name)})[0], name.substr(0, 24));
    EXPECT_EQ(fmt_records({A(30)}, {raw(name)})[0], "    " + name);
    EXPECT_EQ(fmt_records({A()}, {raw("xy")})[0], "xy");
    EXPECT_EQ(fmt_records({A(4)}, {lit("ř")})[0], "   \xF8");
}

TEST(Layouts, BytesOfBothCodePagesDecodeBackToUtf8) {
    const std::string text = "Výsledky výpočtu: Čísla bodů, směrodatná odchylka, Žadná, ř";
    EXPECT_EQ(decode(cp852(text), CodePage::Cp852), text);
    EXPECT_EQ(decode(cp1250(text), CodePage::Cp1250), text);
    EXPECT_EQ(decode("\x81", CodePage::Cp1250), "?");  // unassigned in 1250
    EXPECT_EQ(decode("\xB0\xFE", CodePage::Cp852), "\xE2\x96\x91\xE2\x96\xA0");
}

std::vector<std::string> lst(std::initializer_list<Val> v) {
    return list_records({v.begin(), v.size()}, CodePage::Cp852);
}

TEST(ValueLists, NumbersTakeElevenOrTwentyFourWithASeparatorBlank) {
    EXPECT_EQ(lst({lit("p(i,i) ="), 3, 2.0}),
              (std::vector<std::string>{" p(i,i) =          3        2.000000000000000"}));
    EXPECT_EQ(lst({lit("a"), 1, 2, lit("b"), 3}),
              (std::vector<std::string>{" a          1           2b          3"}));
}

TEST(ValueLists, RecordsHoldSeventyNinePositions) {
    const auto recs = lst({1, 2, 3, 4, 5, 6, 7});
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].size(), 1u + 11 + 5 * 12);
    EXPECT_EQ(recs[1], "           7");
    const std::string long_text(100, 'x');
    const auto split = lst({lit(long_text)});
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0], " " + std::string(79, 'x'));
    EXPECT_EQ(split[1], " " + std::string(21, 'x'));
    EXPECT_EQ(lst({lit(" ")}), (std::vector<std::string>{"  "}));
}

// ---- reading ----

class Reading : public ::testing::Test {
protected:
    InFile& open(const std::string& text) {
        file_.load(text);
        return file_;
    }
    InFile file_;
};

TEST_F(Reading, EmptyValuesSlashAndRepeats) {
    std::int16_t a = 9, b = 9, c = 9;
    auto& f = open("1,,3\n1 /\n2*5\n2*,7\n,4\n");
    EXPECT_EQ(f.list_read({var(a), var(b), var(c)}), ReadStatus::Ok);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 9);
    EXPECT_EQ(c, 3);
    a = b = c = 0;
    EXPECT_EQ(f.list_read({var(a), var(b), var(c)}), ReadStatus::Ok);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(f.list_read({var(a), var(b)}), ReadStatus::Ok);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 5);
    a = b = c = 1;
    EXPECT_EQ(f.list_read({var(a), var(b), var(c)}), ReadStatus::Ok);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(c, 7);
    EXPECT_EQ(f.list_read({var(a), var(b)}), ReadStatus::Ok);  // leading comma: a unchanged
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 4);
    EXPECT_EQ(f.list_read({var(a)}), ReadStatus::End);
    EXPECT_EQ(a, 1);
}

TEST_F(Reading, SeparatorsLineEndsAndTheRestOfALine) {
    std::int16_t a = 0, b = 0;
    double x = 0;
    auto& f = open("  7\t, 8 , 2.5 99 junk\n\n  3\n\n4\n");
    EXPECT_EQ(f.list_read({var(a), var(b), var(x)}), ReadStatus::Ok);
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 8);
    EXPECT_EQ(x, 2.5);
    EXPECT_EQ(f.list_read({var(a), var(b)}), ReadStatus::Ok);  // skips the rest and blank lines
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 4);
}

TEST_F(Reading, QuotedTextsAcrossLinesAndDoubledQuotes) {
    std::string s;
    auto& f = open("'ab''c\nde' \"x\"\"y\" 'unterminated\n");
    EXPECT_EQ(f.list_read({var(s, 8)}), ReadStatus::Ok);
    EXPECT_EQ(s, "ab'cde  ");
    f.step_back();
    EXPECT_EQ(f.list_read({var(s, 3)}), ReadStatus::Fail);  // the line "de' ..." is not quoted
    auto& g = open("\"x\"\"y\" 'a' 'unterminated\n");
    std::string t, u;
    EXPECT_EQ(g.list_read({var(s, 2), var(t, 4), var(u, 4)}), ReadStatus::End);
    EXPECT_EQ(s, "x\"");
    EXPECT_EQ(t, "a   ");
    // An empty quoted text is a text; a stray NUL byte is not a quote.
    auto& h = open(std::string("''\n\0x\n", 6));
    EXPECT_EQ(h.list_read({var(s, 3)}), ReadStatus::Ok);
    EXPECT_EQ(s, "   ");
    EXPECT_EQ(h.list_read({var(s, 3)}), ReadStatus::Fail);
}

TEST_F(Reading, IntegerRangeAndTypes) {
    std::int16_t a = 0;
    auto& f = open("32767\n-32767\n32768\n-32768\n1.5\nabc\n+12\n");
    EXPECT_EQ(f.list_read({var(a)}), ReadStatus::Ok);
    EXPECT_EQ(a, 32767);
    EXPECT_EQ(f.list_read({var(a)}), ReadStatus::Ok);
    EXPECT_EQ(a, -32767);
    EXPECT_EQ(f.list_read({var(a)}), ReadStatus::Fail);
    EXPECT_EQ(f.list_read({var(a)}), ReadStatus::Fail);
    EXPECT_EQ(f.list_read({var(a)}), ReadStatus::Fail);
    EXPECT_EQ(f.list_read({var(a)}), ReadStatus::Fail);
    EXPECT_EQ(f.list_read({var(a)}), ReadStatus::Ok);
    EXPECT_EQ(a, 12);
}

TEST_F(Reading, RealsRoundStraightToTheirTypeAndRespectItsRange) {
    float f32 = 0;
    double f64 = 0;
    // Just below the midpoint of two floats: read through a double it would tie and round up.
    auto& f = open("1.00000017881393432617187499\n1e39\n1e309\n3.4e38 1.5E2 .5 5. -2e-3\n1D3\n");
    EXPECT_EQ(f.list_read({var(f32)}), ReadStatus::Ok);
    EXPECT_EQ(f32, 1.00000011920928955078125f);
    EXPECT_EQ(f.list_read({var(f32)}), ReadStatus::Fail);
    EXPECT_EQ(f.list_read({var(f64)}), ReadStatus::Fail);
    double a = 0, b = 0, c = 0, d = 0;
    EXPECT_EQ(f.list_read({var(f32), var(a), var(b), var(c), var(d)}), ReadStatus::Ok);
    EXPECT_EQ(f32, 3.4e38f);
    EXPECT_EQ(a, 150.0);
    EXPECT_EQ(b, 0.5);
    EXPECT_EQ(c, 5.0);
    EXPECT_EQ(d, -2e-3);
    EXPECT_EQ(f.list_read({var(d)}), ReadStatus::Fail);  // only E introduces an exponent
}

TEST_F(Reading, AFailureLeavesThePositionBehindItsSeparator) {
    std::int16_t a = 0, b = 0;
    std::string echo;
    auto& f = open("1 x7 ,  rest of it\n5 bad\nnext line\n");
    EXPECT_EQ(f.list_read({var(a), var(b)}), ReadStatus::Fail);
    EXPECT_EQ(f.text_read(echo, 40, 40), ReadStatus::Ok);
    EXPECT_EQ(echo, "rest of it" + std::string(30, ' '));
    EXPECT_EQ(f.list_read({var(a), var(b)}), ReadStatus::Fail);
    EXPECT_EQ(f.text_read(echo, 4, 6), ReadStatus::Ok);
    EXPECT_EQ(echo, "next  ");
    EXPECT_EQ(f.text_read(echo, 4, 4), ReadStatus::End);
}

TEST_F(Reading, StepBackReturnsToTheRecordOfTheLastValue) {
    std::int16_t a = 0, b = 0;
    auto& f = open("\n\n 4 5\n6 7\n");
    EXPECT_EQ(f.list_read({var(a)}), ReadStatus::Ok);
    f.step_back();
    EXPECT_EQ(f.list_read({var(a), var(b)}), ReadStatus::Ok);
    EXPECT_EQ(a, 4);
    EXPECT_EQ(b, 5);
    EXPECT_EQ(f.list_read({var(a)}), ReadStatus::Ok);
    EXPECT_EQ(a, 6);
}

TEST_F(Reading, LinesMayEndInCrLf) {
    std::int16_t a = 0, b = 0;
    std::string s;
    auto& f = open("'t'\r\n1\r\n2\r\nabc\r\n");
    EXPECT_EQ(f.list_read({var(s, 2)}), ReadStatus::Ok);
    EXPECT_EQ(s, "t ");
    EXPECT_EQ(f.list_read({var(a), var(b)}), ReadStatus::Ok);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(f.text_read(s, 10, 5), ReadStatus::Ok);
    EXPECT_EQ(s, "abc  ");
}

}  // namespace
}  // namespace kavron
