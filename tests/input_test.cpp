// The input reader on small jobs, read into a task by hand, and the exits that no input file
// reaches. Whole runs of the reader's error exits are cases under tests/cases.
#include <gtest/gtest.h>

#include <tuple>

#include "core/exits.hpp"
#include "harness.hpp"

namespace kavron {
namespace {

using Reader = test::LoadedJob;

TEST(Input, SmallJobReadsToItsCounts) {
    Reader rd(
        "'Test site'\n10 10 10 1 5\n1 7 0 0 0\n2 0 100000 0 0\n3 0 0 100000 0\n-1\n"
        "1 2 0 1\n1 3 1000000 1\n-1\n1 2 1000000 1\n-1\n1 2 100000 1\n1 3 100000 1\n-1\n");
    ASSERT_TRUE(rd.ok);
    const Job& t = *rd.job;
    EXPECT_EQ(t.ZAH, "Test site" + std::string(71, ' '));
    EXPECT_EQ(t.IB, 3);
    EXPECT_EQ(t.IS, 2);
    EXPECT_EQ(t.IZ, 1);
    EXPECT_EQ(t.ID, 2);
    EXPECT_EQ(t.NR, 5);
    EXPECT_EQ(rd.rd.NS, 14);
    EXPECT_DOUBLE_EQ(t.RC, 200000.0 / 9.0);
    EXPECT_EQ(t.value[2], 1000000.0);
    EXPECT_EQ(t.value[3], 1000000.0);  // the zenith angle
    EXPECT_EQ(t.value[5], 100000.0);   // the second distance
    EXPECT_EQ(t.kind(2), Kind::Direction);
    EXPECT_EQ(t.kind(3), Kind::Zenith);
    EXPECT_EQ(t.kind(4), Kind::Distance);
    EXPECT_EQ(t.INC[5], 3);
    EXPECT_EQ(t.INS[3], 1);
    EXPECT_EQ(t.INC[3], 2);
}

TEST(Input, SlashKeepsEarlierValuesAndWeightsFollowTheirRule) {
    Reader rd(
        "'s'\n1 1 1 0.005 0\n"
        "1 7 10 20 30\n"
        "2 0 /\n"
        "3 0 5 6\n-1\n"  // the full read takes -1 as the height and consumes the end line
        "4 0 1 2 /\n-1\n"
        "1 2 100 /\n1 3 200 0\n1 4 300 0.0005\n1 2 400 0.002\n1 3 500 /\n");
    ASSERT_TRUE(rd.ok);
    const Job& t = *rd.job;
    EXPECT_EQ(t.MOO, 1.0f);
    ASSERT_EQ(t.IB, 4);
    EXPECT_EQ(t.XO[2], 10.0);
    EXPECT_EQ(t.YO[2], 20.0);
    EXPECT_EQ(t.ZO[2], 0.0);
    EXPECT_EQ(t.ZO[3], -1.0);
    EXPECT_EQ(t.ZO[4], 0.0);
    ASSERT_EQ(t.IS, 5);
    const double weights[] = {1.0, 1.0, 1.0, 0.002, 0.002};  // 0 and below 0.001 become 1
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(t.PPP(1, i), weights[i - 1]) << i;
    }
    EXPECT_EQ(t.IZ, 0);
    EXPECT_EQ(t.ID, 0);
    EXPECT_EQ(t.NR, 5);
}

TEST(Input, MooBelowOneHundredthBecomesOne) {
    for (const auto& [text, expect] : std::vector<std::pair<std::string, float>>{
             {"0", 1.0f}, {"0.005", 1.0f}, {"0.01", 0.01f}, {"2.5", 2.5f}}) {
        Reader rd("'m'\n1 1 1 " + text + " 0\n");
        ASSERT_TRUE(rd.ok);
        EXPECT_EQ(rd.job->MOO, expect) << text;
    }
}

TEST(Input, FileEndingInsideTheZenithSection) {
    Reader rd("'z'\n1 1 1 1 0\n1 7 0 0 0\n2 0 5 5 5\n-1\n1 2 0 1\n-1\n1 2 90 1\n");
    ASSERT_TRUE(rd.ok);
    EXPECT_EQ(rd.job->IS, 1);
    EXPECT_EQ(rd.job->IZ, 1);
    EXPECT_EQ(rd.job->ID, 0);
    EXPECT_EQ(rd.job->NR, 2);
}

TEST(Exits, WeightMatrixPausesAfterEveryDiagonalRecord) {
    Reader job("'w'\n1 1 1 1 0\n", {"a", "b", "c", "d"});
    const double diagonal[] = {0.0, 1.0, 0.5};
    job.con.record(" an open line");
    job.out.text.clear();
    kavron::Run r{job.con, {}, {}, {}, {}, {}, {}};
    Outcome end;
    EXPECT_EQ(finish(r, end, stop_weights_singular(diagonal, 2)), 0);
    EXPECT_EQ(job.in.taken(), 3u);  // one wait after the first line and after each weight
    job.con.finish();
    EXPECT_EQ(job.out.text,
              "\r\n" + cp852("chyba v zadání - zkontrolujte sořadnice, kódy,vstupní vel.") +
                  "\r\np(i,i) =          1        1.000000000000000\r\n" + cp1250("dále ?") +
                  "\r\np(i,i) =          2   5.000000000000000E-001\r\n" + cp1250("dále ?") +
                  "\r\nKONEC\r\n");
}

TEST(Exits, AdviceBlockClosesWithTwoContactRecordsOfFixedLength) {
    Reader job("'w'\n1 1 1 1 0\n");
    kavron::Run r{job.con, {}, {}, {}, {}, {}, {}};
    Outcome end;
    EXPECT_EQ(finish(r, end, stop_no_convergence()), 0);
    EXPECT_EQ(end.ending, Ending::NoConvergence);
    EXPECT_EQ(end.text.substr(0, 26), "***** P O Z O R ! *****\nZp");
    const std::string& text = job.out.text;
    const auto pos = text.find(cp852("  nevedou-li"));
    ASSERT_NE(pos, std::string::npos);
    const auto a = text.find("\r\n", pos);
    const auto b = text.find("\r\n", a + 2);
    const auto c = text.find("\r\n", b + 2);
    EXPECT_EQ(b - (a + 2) + 1, 52u);  // with the control blank the console consumed
    EXPECT_EQ(c - (b + 2) + 1, 56u);
    EXPECT_EQ(text.substr(c), "\r\nKONEC");
}

}  // namespace
}  // namespace kavron

namespace kavron {
namespace {

TEST(Clock, SourceDateEpochGivesItsMomentInUtcAndAnythingElseTheLocalTime) {
    const auto local = [] { return DateTime{2026, 5, 6, 9, 5, 3}; };
    const struct {
        const char* value;
        DateTime want;
        bool complaint;
    } rows[] = {
        {nullptr, {2026, 5, 6, 9, 5, 3}, false},
        {"1709715903", {2024, 3, 6, 9, 5, 3}, false},
        {"0", {1970, 1, 1, 0, 0, 0}, false},
        {"951782400", {2000, 2, 29, 0, 0, 0}, false},         // a leap day of a century year
        {"4107542399", {2100, 2, 28, 23, 59, 59}, false},     // 2100 is no leap year
        {"253402300799", {9999, 12, 31, 23, 59, 59}, false},  // the last moment a listing shows
        {"253402300800", {2026, 5, 6, 9, 5, 3}, true},
        {"", {2026, 5, 6, 9, 5, 3}, true},
        {"-5", {2026, 5, 6, 9, 5, 3}, true},
        {"+5", {2026, 5, 6, 9, 5, 3}, true},
        {" 5", {2026, 5, 6, 9, 5, 3}, true},
        {"12x", {2026, 5, 6, 9, 5, 3}, true},
        {"99999999999999999999", {2026, 5, 6, 9, 5, 3}, true},
    };
    for (const auto& row : rows) {
        std::string complaint;
        const DateTime d = date_of_run(row.value, local, complaint);
        const std::string name = row.value == nullptr ? "(unset)" : row.value;
        EXPECT_EQ(std::tie(d.year, d.month, d.day, d.hour, d.minute, d.second),
                  std::tie(row.want.year, row.want.month, row.want.day, row.want.hour,
                           row.want.minute, row.want.second))
            << name;
        EXPECT_EQ(!complaint.empty(), row.complaint) << name;
    }
}

}  // namespace
}  // namespace kavron
