// The pass loop on networks built from chosen true coordinates, the check tables and the exits of
// the adjustment.
#include <gtest/gtest.h>

#include <cmath>

#include "adjustment/adjustment.hpp"
#include "harness.hpp"
#include "network.hpp"

namespace kavron {
namespace {

using test::LoadedJob;
using test::Network;

// Five points a few hundred metres apart, heights differing by metres.
Network five_points(int c1, int c2, int c3, int c4, int c5) {
    Network n;
    n.pts = {{1, c1, 1000000.0, 2000000.0, 250000.0},
             {2, c2, 1180000.0, 2030000.0, 254321.0},
             {3, c3, 1150000.0, 2210000.0, 248765.0},
             {4, c4, 960000.0, 2190000.0, 251234.0},
             {5, c5, 1070000.0, 2100000.0, 262000.0}};
    return n;
}

// Offsets of tens of millimetres on the points whose coordinates the passes correct.
void disturb_free_points(Network& n) {
    double k = 1.0;
    for (auto& p : n.pts) {
        if (std::abs(p.code) <= 1) {
            p.ox = 31.0 * k;
            p.oy = -27.0 * k;
            p.oz = 19.0 * k;
            k = -k * 1.3;
        }
    }
}

// A job read and adjusted; `converged` is false when the input or the passes ended the run.
struct Adjusted : LoadedJob {
    bool converged;
    explicit Adjusted(const std::string& text)
        : LoadedJob(text), converged(ok && !adjust(r).stopped()) {}
};

void expect_truth(const Network& n, const Task& t, bool free_only) {
    for (int i = 1; i <= t.IB; ++i) {
        const auto& p = n.at(t.IN[i]);
        if (free_only && std::abs(p.code) > 1) {
            continue;
        }
        EXPECT_NEAR(t.XO[i], p.x, 0.01) << "point " << p.num;
        EXPECT_NEAR(t.YO[i], p.y, 0.01) << "point " << p.num;
        EXPECT_NEAR(t.ZO[i], p.z, 0.01) << "point " << p.num;
    }
    for (int i = 1; i <= t.NR; ++i) {
        EXPECT_NEAR(t.V(i, 1), 0.0, 0.01) << "measurement " << i;
    }
}

TEST(Adjustment, FixedPointWithDirectionConditionReturnsTheTruth) {
    Network n = five_points(7, 2, 0, 0, 0);
    n.observe_all();
    disturb_free_points(n);
    Adjusted job(n.text());
    ASSERT_TRUE(job.converged);
    const Task& t = *job.t;
    EXPECT_EQ(t.NP, 4);  // three fixed components and the direction
    EXPECT_EQ(t.NN, 15);
    EXPECT_GE(t.IIT, 3);
    expect_truth(n, t, true);
    EXPECT_LT(t.VVT(1, 1), 1e-6);
    // The direction 1 -> 2 and the fixed point keep no correction.
    EXPECT_EQ(t.H(1, 1), 0.0);
    EXPECT_EQ(t.R(2, 2), 0.0);
    EXPECT_EQ(t.R(3, 7), 0.0);
}

TEST(Adjustment, SeveralFixedPoints) {
    Network n = five_points(0, 7, 7, 0, 0);
    n.observe_all(true, true, false);
    disturb_free_points(n);
    Adjusted job(n.text());
    ASSERT_TRUE(job.converged);
    expect_truth(n, *job.t, true);
    EXPECT_EQ(job.t->NP, 6);
}

TEST(Adjustment, PartlyFixedPointsKeepTheirOtherUnknowns) {
    Network n = five_points(7, 4, 5, 6, 0);
    n.observe_all();
    disturb_free_points(n);
    Adjusted job(n.text());
    ASSERT_TRUE(job.converged);
    const Task& t = *job.t;
    EXPECT_EQ(t.NP, 9);
    expect_truth(n, t, true);
    // Fixed components are exact zeros in H and in R, rows and columns.
    for (int k : {1, 2, 3, 4, 5, 8, 9, 10, 12}) {
        EXPECT_EQ(t.H(k, 1), 0.0) << k;
        for (int j = 1; j <= 15; ++j) {
            EXPECT_EQ(t.R(k, j), 0.0) << k << "," << j;
            EXPECT_EQ(t.R(j, k), 0.0) << j << "," << k;
        }
    }
    EXPECT_GT(t.R(6, 6), 0.0);    // dz of the code-4 point
    EXPECT_GT(t.R(7, 7), 0.0);    // dx of the code-5 point
    EXPECT_GT(t.R(11, 11), 0.0);  // dy of the code-6 point
}

TEST(Adjustment, HelmertNetworkKeepsTheShapeAndAddsNoShiftOrRotation) {
    Network n = five_points(3, 3, 3, 3, 0);
    n.pts.pop_back();
    n.observe_all();
    const double off[4][3] = {{20, -15, 8}, {-12, 30, -5}, {7, 9, -22}, {-25, -11, 14}};
    for (int i = 0; i < 4; ++i) {
        n.pts[i].ox = off[i][0];
        n.pts[i].oy = off[i][1];
        n.pts[i].oz = off[i][2];
    }
    Adjusted job(n.text());
    ASSERT_TRUE(job.converged);
    const Task& t = *job.t;
    EXPECT_EQ(t.IIT, 2);  // no free point: nothing moves, HTH repeats
    EXPECT_EQ(t.NP, 4);
    double sx = 0, sy = 0, sz = 0, rot = 0;
    double X[5], Y[5], Z[5];
    for (int i = 1; i <= 4; ++i) {
        const double hx = t.H(3 * i - 2, 1), hy = t.H(3 * i - 1, 1), hz = t.H(3 * i, 1);
        sx += hx;
        sy += hy;
        sz += hz;
        rot += -t.YO[i] * hx + t.XO[i] * hy;
        X[i] = t.XO[i] + hx;
        Y[i] = t.YO[i] + hy;
        Z[i] = t.ZO[i] + hz;
    }
    EXPECT_NEAR(sx, 0.0, 1e-6);
    EXPECT_NEAR(sy, 0.0, 1e-6);
    EXPECT_NEAR(sz, 0.0, 1e-6);
    EXPECT_NEAR(rot / t.RC, 0.0, 1e-6);
    for (int i = 1; i <= 4; ++i) {
        for (int j = i + 1; j <= 4; ++j) {
            const auto& a = n.pts[i - 1];
            const auto& b = n.pts[j - 1];
            EXPECT_NEAR(std::hypot(X[j] - X[i], Y[j] - Y[i], Z[j] - Z[i]),
                        std::hypot(b.x - a.x, b.y - a.y, b.z - a.z), 0.01);
            EXPECT_NEAR(Z[j] - Z[i], b.z - a.z, 0.01);
        }
    }
}

TEST(Adjustment, HelmertWithoutDistancesHasAFifthRowInTheDyAndDzColumns) {
    Network n = five_points(3, 3, 3, 3, 0);
    n.pts.pop_back();
    n.observe_all(true, true, false);
    Adjusted job(n.text());
    ASSERT_TRUE(job.converged);
    const Task& t = *job.t;
    EXPECT_EQ(t.NP, 5);
    EXPECT_EQ(t.G(5, 4), 0.0);
    EXPECT_DOUBLE_EQ(t.G(5, 5), t.XO[2] / t.RC);
    EXPECT_DOUBLE_EQ(t.G(5, 6), t.YO[2] / t.RC);
    EXPECT_DOUBLE_EQ(t.G(4, 4), -t.YO[2] / t.RC);
}

TEST(Adjustment, ThreeDirectionStationGivesTheTridiagonalCofactorBlock) {
    Network n = five_points(7, 2, 0, 0, 0);
    n.pts.pop_back();
    n.dirs = {{1, 2}, {1, 3}, {1, 4}};  // one station, three directions
    n.observe_all(false, true, true);
    Adjusted job(n.text());
    ASSERT_TRUE(job.converged);
    const Task& t = *job.t;
    EXPECT_EQ(t.QI(1, 1), 2.0);
    EXPECT_EQ(t.QI(1, 2), -1.0);
    EXPECT_EQ(t.QI(2, 1), -1.0);
    EXPECT_EQ(t.QI(2, 2), 2.0);
    EXPECT_EQ(t.QI(3, 3), 1.0);
    EXPECT_EQ(t.IST, 1);
    EXPECT_EQ(t.D(1, 1), -1.0);
    EXPECT_EQ(t.D(1, 2), 1.0);
    EXPECT_EQ(t.D(3, t.ISZ + 1), 1.0);  // distances follow the angles
    EXPECT_EQ(t.D(3 + t.ID, t.IS + 1), 1.0);
}

TEST(Adjustment, RedundancyCountsEquationsUnknownsAndConditions) {
    Network n = five_points(3, 3, 3, 3, 0);
    n.pts.pop_back();
    n.observe_all(false, false, true);
    for (const auto& d : n.dists) {
        n.zeniths.push_back(d);
    }
    Adjusted job(n.text());
    ASSERT_TRUE(job.converged);
    const Task& t = *job.t;
    EXPECT_EQ(t.NM, 12);
    EXPECT_EQ(t.NN, 12);
    EXPECT_EQ(t.NP, 4);
    EXPECT_EQ(t.NM - t.NN + t.NP, 4);
}

const std::string kDiagStart = test::crlf({cp1250("  Toto okno slouží ke kontrole dat. "), "", ""});

TEST(DataCheck, TablesOfAHandComputedCaseThenTheUnderdeterminedStop) {
    // Station 1 at the origin; 2 on the x axis, 3 on the y axis, all at height 0. The measured
    // angle 2-1-3 is 10 cc above a quarter circle, the distance 5 mm too long and the zenith
    // angle 20 cc above the horizontal one.
    test::Scratch s;
    const auto o = test::run_job(s,
                                 "'Tabulky'\n10 2 20 1 0\n1 7 0 0 0\n2 0 100000 0 0\n"
                                 "3 0 0 100000 0\n-1\n1 2 0 1\n1 3 1000010 1\n-1\n"
                                 "1 3 1000020 1\n-1\n1 2 100005 1\n-1\n");
    const std::string head =
        test::crlf({" " + std::string(4, ' ') + "out.txt" + std::string(19, ' ') +
                    std::string(4, ' ') + "in.txt" + std::string(20, ' ')});
    EXPECT_EQ(o.diag,
              kDiagStart + head +
                  test::crlf({cp1250(" Rozdíly mezi úhly vypoč. z měř. směrů a ze souřad."), "", "",
                              "     2    1    3       10.00", "", "",
                              cp1250(" Rozdíly mezi délkami vypoč. z měření a ze souřad."), "", "",
                              "     1    2        5.00",
                              cp1250(" Rozdíly mezi zenit.délkami z měř. hodnot a ze souřad."), "",
                              "", "     1    3       20.00"}));
    EXPECT_EQ(o.status, 0);
    const std::string tail = "\r" + std::string(35, ' ') + " pocitam    1\r\n" +
                             cp852(" Chyba - úloha je nedostatečně určena") + "\r\n" +
                             cp852("         tj. malý počet podmínek umístění sítě") + "\r\n" +
                             cp852("         nebo nedostatečné zaměření sítě") +
                             "\r\nStop - Program terminated.\r\n";
    ASSERT_GE(o.console.size(), tail.size());
    EXPECT_EQ(o.console.substr(o.console.size() - tail.size()), tail);
}

TEST(DataCheck, TablesOnlyInTheFirstPassAndTheZenithHeadingWithoutZenithAngles) {
    Network n = five_points(7, 2, 0, 0, 0);
    n.observe_all(true, false, true);
    disturb_free_points(n);
    test::Scratch s;
    const auto o = test::run_job(s, n.text());
    const std::string zenith = cp1250(" Rozdíly mezi zenit.délkami z měř. hodnot a ze souřad.");
    const auto at = o.diag.find(zenith);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(o.diag.substr(at), zenith + "\r\n\r\n\r\n");  // the last thing in the file
    EXPECT_EQ(o.diag.find(cp1250(" Rozdíly mezi úhly")),
              o.diag.rfind(cp1250(" Rozdíly mezi úhly")));
    EXPECT_NE(o.console.find(" pocitam    3"), std::string::npos);
}

TEST(DataCheck, MisclosuresAreNotReducedToAHalfCircle) {
    // Measured angle 0.5 cc, computed 3 999 999.8 cc.
    LoadedJob job(
        "'r'\n1 1 1 1 0\n1 7 0 0 0\n2 7 100000 0 0\n3 7 100000 -0.0314159 0\n-1\n"
        "1 2 0 1\n1 3 0.5 1\n-1\n-1\n-1\n");
    ASSERT_TRUE(job.ok);
    (void)adjust(job.r);
    EXPECT_LT(job.t->L(1, 1), -3999999.0);
    EXPECT_GT(job.t->L(1, 1), -4000000.0);
}

TEST(DataCheck, UnknownPointNumberEndsTheCheck) {
    test::Scratch s;
    const auto o = test::run_job(s,
                                 "'p'\n1 1 1 1 0\n1 7 0 0 0\n2 0 100 0 0\n-1\n1 2 0 1\n1 9 5 1\n"
                                 "-1\n-1\n-1\n");
    const std::string tail = "\r\nProcedura CBODU ... Hledane cislo neexistuje          9\r\n" +
                             cp852("Číslo stanoviska nebo cíle neexistuje v seznamu") + "\r\nsou" +
                             cp852("ř") + "adnic\r\n" +
                             cp852("Proveďte opravu dat, smažte  výstupní soubor - ") + "out.txt" +
                             std::string(19, ' ') + "\r\na znovu prove" + cp852("ď") + "te v" +
                             cp852("ý") + "po" + cp852("č") + "et\r\nKONEC\r\n";
    ASSERT_GE(o.console.size(), tail.size());
    EXPECT_EQ(o.console.substr(o.console.size() - tail.size()), tail);
    EXPECT_EQ(o.diag.substr(o.diag.size() - 4), "\r\n\r\n");  // the angle heading, no line
}

TEST(DataCheck, CoincidentPointsInADistanceAndInAVerticalSight) {
    test::Scratch s;
    auto o = test::run_job(s, "'c'\n1 1 1 1 0\n1 7 0 0 0\n2 0 0 0 0\n-1\n-1\n-1\n1 2 5 1\n-1\n");
    EXPECT_NE(o.console.find(cp852(" Čísla bodů: ") + "          1           2           0"),
              std::string::npos);
    EXPECT_NE(o.console.find(cp852(" Čísla indexů:") + "          1           2           0"),
              std::string::npos);
    EXPECT_EQ(o.console.substr(o.console.size() - 30), "\r\nStop - Program terminated.\r\n");

    test::Scratch s2;
    o = test::run_job(s2, "'v'\n1 1 1 1 0\n1 7 0 0 0\n2 0 0 0 500\n-1\n-1\n1 2 0 1\n-1\n-1\n");
    EXPECT_NE(o.console.find(cp852(" Chyba - Jsou zadány stejné souřadnice pro dva body")),
              std::string::npos);
    EXPECT_EQ(o.console.find("KONEC"), std::string::npos);
}

TEST(Datum, NoDatumCodeEndsInTheSingularSolution) {
    std::string text = "'s'\n1 1 1 1 0\n1 0 0 0 0\n2 0 100000 0 0\n3 0 0 100000 0\n-1\n-1\n-1\n";
    for (int k = 0; k < 5; ++k) {
        text += "1 2 100000 1\n1 3 100000 1\n";
    }
    test::Scratch s;
    const auto o = test::run_job(s, text + "-1\n", {""});
    const std::string tail = "\r\n" + cp852("singularita řešení  ") + "\r\n" +
                             cp852(" zřejmě špatně zadané podmínky na umístění sítě,") + "\r\n" +
                             cp852(" nejprve ale proveďte kontrolu vstupních veličin") +
                             "\r\nKONEC\r\n";
    ASSERT_GE(o.console.size(), tail.size());
    EXPECT_EQ(o.console.substr(o.console.size() - tail.size()), tail);
}

TEST(Datum, DirectionConditionNeedsAFixedPoint) {
    test::Scratch s;
    const auto o = test::run_job(s,
                                 "'d'\n1 1 1 1 0\n1 2 0 0 0\n2 4 100 0 0\n-1\n-1\n-1\n"
                                 "1 2 100 1\n1 2 100 1\n1 2 100 1\n-1\n");
    const std::string tail =
        "\r\n" + cp852("*** Chyba v zadání: Chybí bod s číslem o  kódu 7 ***") + "\r\nKONEC\r\n";
    ASSERT_GE(o.console.size(), tail.size());
    EXPECT_EQ(o.console.substr(o.console.size() - tail.size()), tail);
}

}  // namespace
}  // namespace kavron
