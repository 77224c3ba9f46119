// The design of a plan: its figures against an adjustment of the same network measured exactly,
// against a plan worked by hand, with every measured value 0, and its suggestions against every
// candidate tried by the test on plans of its own.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "harness.hpp"
#include "network.hpp"
#include "planning/design.hpp"
#include "reports/reports.hpp"
#include "results/reliability.hpp"
#include "results/results.hpp"

namespace kavron {
namespace {

using test::five_points;
using test::LoadedJob;
using test::Network;

std::unique_ptr<Job> read(const std::string& text) {
    LoadedJob lj(text);
    EXPECT_TRUE(lj.ok);
    return std::move(lj.job);
}

struct Designed {
    std::unique_ptr<Plan> plan = std::make_unique<Plan>();
    std::unique_ptr<DesignWork> dw = std::make_unique<DesignWork>();
    Halt halt;
    std::string said;
    explicit Designed(const std::string& text, Requirements req = {}) {
        const auto job = read(text);
        halt = design(*job, req, *plan, *dw, said);
    }
};

void expect_close(double a, double b, const std::string& what) {
    EXPECT_NEAR(a, b, 1e-6 * std::max(1.0, std::fabs(b))) << what;
}

// The network measured exactly and adjusted, with the analysis: its figures at the truth are the
// plan's figures.
void expect_as_adjusted(const Network& n) {
    const std::string text = n.text();
    LoadedJob lj(text);
    ASSERT_TRUE(lj.ok);
    const auto sol = std::make_unique<Solution>();
    const auto work = std::make_unique<Work>();
    ASSERT_FALSE(adjust(*lj.job, *sol, *work, {lj.con, lj.diag, "out.txt"}));
    const auto res = std::make_unique<Results>();
    take_job(*lj.job, *res);
    compute_statistics(*lj.job, *sol, *res);
    compute_ellipsoids(*lj.job, *sol, *res);
    compute_reliability(*lj.job, *sol, *res);
    ASSERT_EQ(res->MO, static_cast<double>(lj.job->MOO));  // m0 of exact measurements is ~0

    Designed d(text);
    ASSERT_FALSE(d.halt);
    const Results& p = d.plan->res;
    EXPECT_EQ(p.redundancy, res->redundancy);
    for (int g = 1; g <= lj.job->NR; ++g) {
        const Reliable& a = res->reliability.of[g];
        const Reliable& b = p.reliability.of[g];
        expect_close(b.r, a.r, "r of " + std::to_string(g));
        ASSERT_EQ(b.controlled, a.controlled) << g;
        if (a.controlled) {
            expect_close(b.mdb, a.mdb, "MDB of " + std::to_string(g));
            expect_close(b.mdb_effect, a.mdb_effect, "effect of " + std::to_string(g));
            EXPECT_EQ(b.mdb_point, a.mdb_point) << g;
        }
    }
    for (int i = 0; i < 3 * lj.job->IB; ++i) {
        for (int j = 0; j < 3 * lj.job->IB; ++j) {
            expect_close(p.covariance[i][j], res->covariance[i][j], "covariance");
        }
    }
    for (int i = 1; i <= lj.job->IB; ++i) {
        const Ellipsoid &a = res->points[i].ellipsoid, &b = p.points[i].ellipsoid;
        expect_close(b.a, a.a, "a");
        expect_close(b.b, a.b, "b");
        expect_close(b.c, a.c, "c");
    }
}

// Weights other than 1 and an a-priori unit sd other than 1.
Network weighted(Network n) {
    n.moo = 1.5;
    n.mch = 0.3;
    for (auto& s : n.dirs) {
        s.weight = 2.0;
    }
    for (auto& s : n.zeniths) {
        s.weight = 0.5;
    }
    for (auto& s : n.dists) {
        s.weight = 4.0;
    }
    return n;
}

TEST(Design, FiguresAreThoseOfTheAdjustmentOfTheSameNetworkMeasuredExactly) {
    Network a = five_points(7, 2, 0, 0, 0);
    a.observe_all();
    expect_as_adjusted(weighted(a));
    Network b = five_points(7, 4, 5, 6, 0);
    b.observe_all(true, true, false);
    expect_as_adjusted(weighted(b));
    Network c = five_points(3, 3, 3, 3, 0);
    c.pts.pop_back();
    c.observe_all();
    expect_as_adjusted(weighted(c));
}

TEST(Design, PlanWithEveryValueZeroIsTheSameDesign) {
    Network n = five_points(7, 2, 0, 0, 0);
    n.observe_all(true, true, false);
    n.dists = {{1, 3}, {2, 4, 0.25}};
    Designed measured(weighted(n).text());
    n.zero_values = true;
    Designed planned(weighted(n).text());
    ASSERT_FALSE(measured.halt);
    ASSERT_FALSE(planned.halt);
    EXPECT_EQ(design_json(*planned.plan), design_json(*measured.plan));
    EXPECT_EQ(design_report(*planned.plan, "x"), design_report(*measured.plan, "x"));
}

// Two points along the x axis, the second free in x only, its distance measured twice with
// weights 4 and 1 (a-priori sd of a distance 2 mm, unit sd 1): x is their weighted mean.
TEST(Design, TwoDistancesOfOneUnknownAsWorkedByHand) {
    const std::string text =
        "'ruka'\n10 2 20 1 0\n1 7 0 0 0\n2 5 100000 0 0\n-1\n-1\n-1\n1 2 0 4\n2 1 0 1\n-1\n";
    Designed d(text, {true, 1.0, 0.3});
    ASSERT_FALSE(d.halt) << refusal_text(*d.halt, d.said);
    const Results& r = d.plan->res;
    EXPECT_EQ(r.redundancy, 1);
    EXPECT_NEAR(r.reliability.of[1].r, 1.0 / 5.0, 1e-12);  // p2 / (p1 + p2)
    EXPECT_NEAR(r.reliability.of[2].r, 4.0 / 5.0, 1e-12);
    EXPECT_NEAR(r.covariance[3][3], 1.0 / 5.0, 1e-12);  // 1 / (p1 + p2)
    EXPECT_EQ(r.covariance[4][4], 0.0);
    const double delta0 = 3.2905267314919255 + 0.8416212335729143;
    EXPECT_NEAR(r.reliability.of[2].mdb, delta0 / std::sqrt(1.0 * 0.8), 1e-9);
    // A bias of the second distance moves x by p2 / (p1 + p2) of it.
    EXPECT_NEAR(r.reliability.of[2].mdb_effect, 0.2 * r.reliability.of[2].mdb, 1e-9);
    EXPECT_NEAR(d.plan->figures.largest_semi_axis, kConfidence95 * std::sqrt(0.2), 1e-12);
    EXPECT_EQ(d.plan->figures.largest_point, 2);
    EXPECT_EQ(d.plan->figures.smallest_index, 1);
    EXPECT_FALSE(d.plan->met);  // 2.7955 * 0.447 mm > 1 mm, and r = 0.2 < 0.3
    EXPECT_EQ(d.plan->weak_points.size(), 1u);
    ASSERT_EQ(d.plan->weak_measurements.size(), 1u);
    EXPECT_EQ(d.plan->weak_measurements[0], 1);
}

// A suggestion added to the network as the report tells the user to add it to the file: a
// distance or a zenith angle at the end of its section, a direction after the last direction of
// its station's set.
Network with_suggestion(Network n, const Candidate& c) {
    const test::Sight sight{c.station, c.target, c.weight};
    switch (c.kind) {
        case Kind::Distance:
            n.dists.push_back(sight);
            break;
        case Kind::Zenith:
            n.zeniths.push_back(sight);
            break;
        case Kind::Direction: {
            std::size_t end = 0;  // after the station's first set
            while (end < n.dirs.size() && n.dirs[end].from != c.station) {
                ++end;
            }
            while (end < n.dirs.size() && n.dirs[end].from == c.station) {
                ++end;
            }
            n.dirs.insert(n.dirs.begin() + static_cast<std::ptrdiff_t>(end), sight);
            break;
        }
    }
    return n;
}

// Every suggestion keeps its promise: added to the file, it gives the plan exactly the figures
// it was listed with; the lists are best first.
void expect_suggestions_keep_their_promise(const Network& n) {
    Designed d(n.text());
    ASSERT_FALSE(d.halt);
    ASSERT_FALSE(d.plan->by_semi_axis.empty());
    for (const auto* list : {&d.plan->by_semi_axis, &d.plan->by_redundancy}) {
        EXPECT_LE(list->size(), 5u);
        for (std::size_t k = 0; k < list->size(); ++k) {
            const Candidate& c = (*list)[k];
            Designed with(with_suggestion(n, c).text());
            ASSERT_FALSE(with.halt);
            EXPECT_EQ(with.plan->figures.largest_semi_axis, c.figures.largest_semi_axis);
            EXPECT_EQ(with.plan->figures.smallest_r, c.figures.smallest_r);
            if (k > 0 && list == &d.plan->by_semi_axis) {
                EXPECT_LE((*list)[k - 1].figures.largest_semi_axis, c.figures.largest_semi_axis);
            } else if (k > 0) {
                EXPECT_GE((*list)[k - 1].figures.smallest_r, c.figures.smallest_r);
            }
        }
    }
    // Each promise improves the plan.
    EXPECT_LT(d.plan->by_semi_axis.front().figures.largest_semi_axis,
              d.plan->figures.largest_semi_axis);
}

TEST(Design, SuggestionsKeepTheirPromise) {
    Network a = five_points(7, 2, 0, 0, 0);
    a.dirs = {{1, 2}, {1, 3}, {1, 4}, {3, 1}, {3, 5}, {3, 2}, {4, 5}, {4, 1}};
    a.zeniths = {{1, 5}, {3, 5}, {4, 5}, {1, 2}};
    a.dists = {{1, 2}, {1, 3}, {3, 5}, {4, 5}};
    expect_suggestions_keep_their_promise(weighted(a));
    Network b = five_points(7, 0, 0, 6, 0);
    b.pts.pop_back();
    b.dirs = {{1, 2}, {1, 3}, {2, 3}, {2, 1}, {4, 1}, {4, 2}};
    b.zeniths = {{1, 2}, {1, 3}, {2, 3}, {4, 3}};
    b.dists = {{1, 2}, {2, 3}, {1, 4}};
    expect_suggestions_keep_their_promise(b);
}

}  // namespace
}  // namespace kavron

namespace kavron {
namespace {

// The worked example of the students' guide: the plan misses a 3 mm limit; its first suggestion
// is what the completed plan adds, and the completed plan meets the limit with the figure the
// suggestion promised.
TEST(Design, ShippedPlanAndItsCompletion) {
    const std::filesystem::path ex = KAVRON_EXAMPLES;
    const Requirements limit{true, 3.0, 0.0};
    Designed plan(test::slurp(ex / "navrh.txt"), limit);
    Designed done(test::slurp(ex / "navrh-doplneny.txt"), limit);
    ASSERT_FALSE(plan.halt);
    ASSERT_FALSE(done.halt);
    EXPECT_FALSE(plan.plan->met);
    ASSERT_FALSE(plan.plan->by_semi_axis.empty());
    const Candidate& first = plan.plan->by_semi_axis.front();
    EXPECT_EQ(first.kind, Kind::Zenith);
    EXPECT_EQ(first.station, 102);
    EXPECT_EQ(first.target, 103);
    EXPECT_TRUE(done.plan->met);
    EXPECT_EQ(done.plan->figures.largest_semi_axis, first.figures.largest_semi_axis);
}

}  // namespace
}  // namespace kavron
