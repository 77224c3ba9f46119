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

// The job, its solution and the adjustment's work, as a test reads them.
struct View {
    const Job& j;
    const Solution& s;
    const Work& w;
};

// A job read and adjusted; `converged` is false when the input or the passes ended the run.
struct Adjusted : LoadedJob {
    std::unique_ptr<Solution> sol = std::make_unique<Solution>();
    std::unique_ptr<Work> work = std::make_unique<Work>();
    bool converged;
    explicit Adjusted(const std::string& text)
        : LoadedJob(text), converged(ok && !adjust(*job, *sol, *work, {con, diag, "out.txt"})) {}
    View view() const { return {*job, *sol, *work}; }
};

void expect_truth(const Network& n, const View& t, bool free_only) {
    for (int i = 1; i <= t.j.IB; ++i) {
        const auto& p = n.at(t.j.IN[i]);
        if (free_only && std::abs(p.code) > 1) {
            continue;
        }
        EXPECT_NEAR(t.s.XO[i], p.x, 0.01) << "point " << p.num;
        EXPECT_NEAR(t.s.YO[i], p.y, 0.01) << "point " << p.num;
        EXPECT_NEAR(t.s.ZO[i], p.z, 0.01) << "point " << p.num;
    }
    for (int i = 1; i <= t.j.NR; ++i) {
        EXPECT_NEAR(t.s.V(i, 1), 0.0, 0.01) << "measurement " << i;
    }
}

TEST(Adjustment, FixedPointWithDirectionConditionReturnsTheTruth) {
    Network n = five_points(7, 2, 0, 0, 0);
    n.observe_all();
    disturb_free_points(n);
    Adjusted job(n.text());
    ASSERT_TRUE(job.converged);
    const View t = job.view();
    EXPECT_EQ(t.s.NP, 4);  // three fixed components and the direction
    EXPECT_EQ(t.s.NN, 15);
    EXPECT_GE(t.s.IIT, 3);
    expect_truth(n, t, true);
    EXPECT_LT(t.s.VVT(1, 1), 1e-6);
    // The direction 1 -> 2 and the fixed point keep no correction.
    EXPECT_EQ(t.s.H(1, 1), 0.0);
    EXPECT_EQ(t.s.R(2, 2), 0.0);
    EXPECT_EQ(t.s.R(3, 7), 0.0);
}

TEST(Adjustment, SeveralFixedPoints) {
    Network n = five_points(0, 7, 7, 0, 0);
    n.observe_all(true, true, false);
    disturb_free_points(n);
    Adjusted job(n.text());
    ASSERT_TRUE(job.converged);
    expect_truth(n, job.view(), true);
    EXPECT_EQ(job.view().s.NP, 6);
}

TEST(Adjustment, PartlyFixedPointsKeepTheirOtherUnknowns) {
    Network n = five_points(7, 4, 5, 6, 0);
    n.observe_all();
    disturb_free_points(n);
    Adjusted job(n.text());
    ASSERT_TRUE(job.converged);
    const View t = job.view();
    EXPECT_EQ(t.s.NP, 9);
    expect_truth(n, t, true);
    // Fixed components are exact zeros in H and in R, rows and columns.
    for (int k : {1, 2, 3, 4, 5, 8, 9, 10, 12}) {
        EXPECT_EQ(t.s.H(k, 1), 0.0) << k;
        for (int j = 1; j <= 15; ++j) {
            EXPECT_EQ(t.s.R(k, j), 0.0) << k << "," << j;
            EXPECT_EQ(t.s.R(j, k), 0.0) << j << "," << k;
        }
    }
    EXPECT_GT(t.s.R(6, 6), 0.0);    // dz of the code-4 point
    EXPECT_GT(t.s.R(7, 7), 0.0);    // dx of the code-5 point
    EXPECT_GT(t.s.R(11, 11), 0.0);  // dy of the code-6 point
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
    const View t = job.view();
    EXPECT_EQ(t.s.IIT, 2);  // no free point: nothing moves, HTH repeats
    EXPECT_EQ(t.s.NP, 4);
    double sx = 0, sy = 0, sz = 0, rot = 0;
    double X[5], Y[5], Z[5];
    for (int i = 1; i <= 4; ++i) {
        const double hx = t.s.H(3 * i - 2, 1), hy = t.s.H(3 * i - 1, 1), hz = t.s.H(3 * i, 1);
        sx += hx;
        sy += hy;
        sz += hz;
        rot += -t.s.YO[i] * hx + t.s.XO[i] * hy;
        X[i] = t.s.XO[i] + hx;
        Y[i] = t.s.YO[i] + hy;
        Z[i] = t.s.ZO[i] + hz;
    }
    EXPECT_NEAR(sx, 0.0, 1e-6);
    EXPECT_NEAR(sy, 0.0, 1e-6);
    EXPECT_NEAR(sz, 0.0, 1e-6);
    EXPECT_NEAR(rot / t.j.RC, 0.0, 1e-6);
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
    const View t = job.view();
    EXPECT_EQ(t.s.NP, 5);
    EXPECT_EQ(t.w.G(5, 4), 0.0);
    EXPECT_DOUBLE_EQ(t.w.G(5, 5), t.s.XO[2] / t.j.RC);
    EXPECT_DOUBLE_EQ(t.w.G(5, 6), t.s.YO[2] / t.j.RC);
    EXPECT_DOUBLE_EQ(t.w.G(4, 4), -t.s.YO[2] / t.j.RC);
}

TEST(Adjustment, ThreeDirectionStationGivesTheTridiagonalCofactorBlock) {
    Network n = five_points(7, 2, 0, 0, 0);
    n.pts.pop_back();
    n.dirs = {{1, 2}, {1, 3}, {1, 4}};  // one station, three directions
    n.observe_all(false, true, true);
    Adjusted job(n.text());
    ASSERT_TRUE(job.converged);
    const View t = job.view();
    EXPECT_EQ(t.s.QI(1, 1), 2.0);
    EXPECT_EQ(t.s.QI(1, 2), -1.0);
    EXPECT_EQ(t.s.QI(2, 1), -1.0);
    EXPECT_EQ(t.s.QI(2, 2), 2.0);
    EXPECT_EQ(t.s.QI(3, 3), 1.0);
    EXPECT_EQ(t.s.IST, 1);
    EXPECT_EQ(t.s.D(1, 1), -1.0);
    EXPECT_EQ(t.s.D(1, 2), 1.0);
    EXPECT_EQ(t.s.D(3, t.j.ISZ + 1), 1.0);  // distances follow the angles
    EXPECT_EQ(t.s.D(3 + t.j.ID, t.j.IS + 1), 1.0);
}

}  // namespace
}  // namespace kavron
