// The pass loop on networks built from chosen true coordinates. The check tables and the exits of
// the adjustment are checked in whole runs (tests/cases/check-*, datum-*).
#include <gtest/gtest.h>

#include <cmath>

#include "adjustment/adjustment.hpp"
#include "harness.hpp"
#include "network.hpp"

namespace kavron {
namespace {

using test::five_points;
using test::LoadedJob;
using test::Network;

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

}  // namespace
}  // namespace kavron
