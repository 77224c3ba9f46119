// Statistics, residual tables, coordinates and ellipsoids. The expected listing of the
// hand-checked network below was worked out from the layouts and the numbers by hand:
//  - point 1 is free at the origin; 2..5 are fixed on the axes 100 m away;
//  - distances 2-1 and 3-1 are both 1 mm too long (residuals -1, -1), 4-1 and 5-1 exact with
//    weights 4 and 16, so N = diag(2, 4, 16) and R = diag(0.5, 0.25, 0.0625) for point 1;
//  - station 4 has three directions to fixed points with errors (1, -2, 1) cc about a common
//    orientation: residuals (-1, 2, -1);
//  - zenith angles 2-4 and 3-4 between equal heights are off by +3 and -1 cc: residuals -3, 1;
//  - [pvv] = 6 + 10 + 2 = 18, r = 8 - 15 + 12 = 5, m0 = sqrt(3.6) = 1.897 > (1 + 2/sqrt 5) = 1.894.
#include <gtest/gtest.h>

#include <cmath>

#include "adjustment/adjustment.hpp"
#include "harness.hpp"
#include "results/results.hpp"

namespace kavron {
namespace {

using test::crlf;
using test::LoadedJob;

std::string sp(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}

using test::kHandChecked;

std::string after_point_table(const std::string& listing) {
    const std::string last_row = cp1250("dx=0,dy=0,dz=0") + "\r\n";
    const auto at = listing.rfind(last_row);
    return at == std::string::npos ? std::string() : listing.substr(at + last_row.size());
}

TEST(Results, HandCheckedNetworkListingAfterThePointTable) {
    test::Scratch s;
    const auto o = test::run_job(s, kHandChecked, {"n", "n", "n", "n"});
    EXPECT_EQ(o.status, 0);
    const std::string expected = crlf({
        "",
        cp1250(" Směrodat. odchylka jednot.=    1.9"),
        "",
        "",
        cp1250(" !!! Měření neodpovídá směrodatné odchylce (požadované) !!!"),
        "",
        cp1250(" S m ě r y"),
        cp1250(" stanovisko cíl       směr       váha     oprava"),
        "                      [cc]                [cc]",
        "",
        "       4    2           1.0       1.0      -1.0",
        "       4    5     3499998.0       1.0       2.0",
        "       4    3     3000001.0       1.0      -1.0",
        "",
        cp1250(" [pv] =     .0 Směrod. odch. směru =    1.7 [cc]"),
        "",
        "",
        "",
        cp1250(" Pro všechny směry : "),
        "",
        cp1250(" [pv] =     .0 Směrod. odch. směru =    1.7 [cc]"),
        "",
        "",
        "",
        cp1250(" Z e n i t o v é   ú h l y"),
        cp1250(" stanovisko cíl   zenitový úhel  váha     oprava"),
        "                      [cc]                [cc]",
        "",
        "       2    4     1000003.0       1.0      -3.0",
        "       3    4      999999.0       1.0       1.0",
        "",
        cp1250(" [pv] =   -2.0 Směr.odch. zenit.úhlu =    3.2 [cc]"),
        "",
        "",
        cp1250(" D é l k y"),
        cp1250(" stanovisko cíl       délka      váha     oprava"),
        "                       [mm]                [mm]",
        "",
        "       2    1      100001.0       1.0      -1.0",
        "       3    1      100001.0       1.0      -1.0",
        "       4    1      100000.0       4.0        .0",
        "       5    1      100000.0      16.0        .0",
        "",
        cp1250(" [pv] =   -2.0 Směrod. odch. délky =    1.4 [mm]"),
        "",
        "",
        "",
        "",
        cp1250("       V Ý S L E D N É   S O U Ř A D N I C E  "),
        "",
        cp1250("  číslo      x          dx         y         dy           z      dz"),
        "  bodu      [mm]       [mm]       [mm]      [mm]         [mm]    [mm]",
        "",
        "",
        "    1            .0      .0           .0      .0           .0      .0",
        "    2      100000.0      .0           .0      .0           .0      .0",
        "    3     -100000.0      .0           .0      .0           .0      .0",
        "    4            .0      .0     100000.0      .0           .0      .0",
        "    5            .0      .0           .0      .0     100000.0      .0",
        "",
        "",
        "",
        "       P A R A M E T R Y   E L I P S O I D U   C H Y B",
        "",
        cp1250("  číslo      a          b          c           úhel stočení "),
        "  bodu      [mm]       [mm]       [mm]      alfa      beta     gama",
        "                                            [g]       [g]      [g]",
        "",
        "",
        "    1        1.3        .9        .5          .00      .00      .00",
        "    2         .0        .0        .0          .00      .00      .00",
        "    3         .0        .0        .0          .00      .00      .00",
        "    4         .0        .0        .0          .00      .00      .00",
        "    5         .0        .0        .0          .00      .00      .00",
        "",
        cp1250(" Uvažovaná směrodatná odchylka        =   1.9"),
        "",
        cp1250(" Průměrná směrod. odch. souřadnicová  =    .4 [mm]"),
    });
    EXPECT_EQ(after_point_table(o.listing), expected);
    // The console: redundancy, m0 in the listing's code page, the overwritten progress line.
    const std::string console_part =
        cp852("Počet ndbyteč. měření = ") + sp(10) + "5\r\n\r\n" +
        cp1250("Směrodat. odchylka jednot.=    1.9") + "\r\n\r\n\r" + sp(35) +
        cp852(" Již jsem dopočítal, pokračuje tisk a dialog") + "\r\nTisk smeru \r\n" +
        cp1250("Tisk délek ") + "\r\n" + cp1250("Tisk výsledných souřadnic") + "\r\n";
    EXPECT_NE(o.console.find(console_part), std::string::npos);
}

TEST(Results, ZeroRedundancyWritesTablesWithoutResidualsOrSummaries) {
    LoadedJob job(
        "'r0'\n10 2 20 3 0\n1 0 0 0 0\n2 7 100000 0 0\n4 7 0 100000 0\n-1\n"
        "2 4 0 1\n2 1 2500000 1\n-1\n4 1 1000000 1\n-1\n2 1 100000 1\n-1\n");
    ASSERT_TRUE(job.ok);
    ASSERT_FALSE(adjust(job.r).stopped());
    EXPECT_EQ(job.t->NM - job.t->NN + job.t->NP, 0);
    ASSERT_FALSE(results(job.r).stopped());
    EXPECT_EQ(job.t->MO, 3.0);
    const std::string l = job.listing();
    const std::string tables = crlf({
        "",
        cp1250(" S m ě r y"),
        cp1250(" stanovisko cíl       směr       váha"),
        "                      [cc]",
        "",
        "       2    4            .0       1.0",
        "       2    1     2500000.0       1.0",
        "",
        cp1250(" Z e n i t o v é   ú h l y"),
        cp1250(" stanovisko cíl   zenitový úhel  váha"),
        "                      [cc]",
        "",
        "       4    1     1000000.0       1.0",
        "",
        cp1250(" D é l k y"),
        cp1250(" stanovisko cíl       délka      váha"),
        "                       [mm]",
        "",
        "       2    1      100000.0       1.0",
        "",
        "",
        "",
    });
    EXPECT_NE(l.find(tables), std::string::npos) << l;
    EXPECT_EQ(l.find("[pv]"), std::string::npos);
    EXPECT_EQ(l.find(cp1250("Směrodat. odchylka jednot.")), std::string::npos);
}

// Ellipsoid rotation steps on a cofactor block set by hand.
struct Block {
    test::LoadedJob job{"'e'\n1 1 1 1 0\n"};
    double alfa = 0, beta = 0, omeg = 0;
    Block(std::initializer_list<double> rows) {
        auto it = rows.begin();
        for (int i = 1; i <= 3; ++i) {
            for (int j = 1; j <= 3; ++j) {
                job.t->MX(i, j) = *it++;
            }
        }
        alfa = ellipsoid_angle(job.r, 3, 1, 2);
        beta = ellipsoid_angle(job.r, 1, 2, 3);
        omeg = ellipsoid_angle(job.r, 2, 1, 3);
    }
    double mx(int i, int j) const { return job.t->MX(i, j); }
};

TEST(Ellipsoids, RotationStepsOfTheWorkedBlocks) {
    {
        Block b({3, 0, 0, 0, 2, 0, 0, 0, 1});
        EXPECT_EQ(b.alfa, 0.0);
        EXPECT_EQ(b.beta, 0.0);
        EXPECT_EQ(b.omeg, 0.0);
        EXPECT_EQ(b.mx(1, 1), 3.0);
        EXPECT_EQ(b.mx(3, 3), 1.0);
    }
    {
        Block b({1, 0, 0, 0, 4, 0, 0, 0, 0.25});
        EXPECT_NEAR(b.alfa, 100.0, 1e-5);
        EXPECT_EQ(fmt::real_field(b.alfa, 9, 2), "   100.00");
        EXPECT_EQ(fmt::real_field(b.beta, 9, 2), "      .00");
        EXPECT_EQ(fmt::real_field(b.omeg, 9, 2), "      .00");
        EXPECT_NEAR(b.mx(1, 1), 4.0, 1e-12);
        EXPECT_NEAR(b.mx(2, 2), 1.0, 1e-12);
        EXPECT_NEAR(b.mx(3, 3), 0.25, 1e-12);
    }
    {
        Block b({4, 1, 0, 1, 4, 0, 0, 0, 1});
        EXPECT_EQ(fmt::real_field(b.alfa, 9, 2), "    50.00");
        EXPECT_EQ(fmt::real_field(b.beta, 9, 2), "      .00");
        EXPECT_EQ(fmt::real_field(b.omeg, 9, 2), "      .00");
        EXPECT_NEAR(b.mx(1, 1), 5.0, 1e-12);
        EXPECT_NEAR(b.mx(2, 2), 3.0, 1e-12);
        EXPECT_NEAR(b.mx(1, 2), 0.0, 1e-12);
    }
    {
        Block b({2, -0.5, 0, -0.5, 1, 0, 0, 0, 0.5});
        EXPECT_GT(b.alfa, 150.0);
        EXPECT_LT(b.alfa, 200.0);
    }
    {
        Block b({1, 0.00005, 0, 0.00005, 1.00005, 0, 0, 0, 1});  // equal within 1e-4
        EXPECT_EQ(b.alfa, 0.0);
    }
}

TEST(Ellipsoids, CoordinateVarianceOfTheInputEnlargesThem) {
    std::string text = kHandChecked;
    text.replace(text.find("10 2 20 1 0"), 11, "10 2 20 1 2.5");
    test::Scratch s;
    const auto o = test::run_job(s, text, {"n", "n", "n", "n"});
    // QCH = 2.5^2 / MO^2 on every diagonal: fixed points get MCH on each axis.
    EXPECT_NE(o.listing.find("    2        2.5       2.5       2.5          .00      .00      .00"),
              std::string::npos);
    // Point 1: MO * sqrt(0.5 + QCH) with MO = sqrt(3.6).
    const double MO = std::sqrt(3.6), QCH = 6.25 / 3.6;
    const std::string a = fmt::real_field(MO * std::sqrt(0.5 + QCH), 10, 1);
    EXPECT_NE(o.listing.find("    1 " + a), std::string::npos);
}

}  // namespace
}  // namespace kavron

namespace kavron {
namespace {

TEST(Results, SmallMzeroUsesTheAprioriValueAndASingleDirectionStaysOutOfTheSums) {
    // MOO = 5 is far above m0 = 1.897; station 2 adds one direction with no angle.
    std::string text = test::kHandChecked;
    text.replace(text.find("10 2 20 1 0"), 11, "10 2 20 5 0");
    text.replace(text.find("4 2 1.0 1\n"), 10, "2 4 7.0 1\n4 2 1.0 1\n");
    test::Scratch s;
    const auto o = test::run_job(s, text, {"n", "n", "n", "n"});
    const std::string l = o.listing;
    EXPECT_NE(l.find(cp1250(" Směrodat. odchylka jednot.=    1.9")), std::string::npos);
    EXPECT_EQ(l.find("!!!"), std::string::npos);
    EXPECT_NE(l.find(cp1250(" Uvažovaná směrodatná odchylka        =   5.0")), std::string::npos);
    EXPECT_NE(l.find("       2    4           7.0       1.0        .0\r\n"), std::string::npos);
    // Two stations now: f = 3 - 2 = 1 and the total is sqrt(6 / 1).
    EXPECT_NE(l.find(cp1250(" Pro všechny směry : ") + "\r\n\r\n" +
                     cp1250(" [pv] =     .0 Směrod. odch. směru =    2.4 [cc]")),
              std::string::npos);
    // Point 1's first semi-axis with MO = 5: 5 * sqrt(0.5).
    EXPECT_NE(l.find("    1        3.5       2.5       1.3"), std::string::npos);
}

}  // namespace
}  // namespace kavron
