// The ellipsoid rotation of the results on cofactor blocks set by hand. The tables and figures of
// the results are checked in whole runs (tests/cases/results-*).
#include <gtest/gtest.h>

#include "harness.hpp"
#include "results/results.hpp"

namespace kavron {
namespace {

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

}  // namespace
}  // namespace kavron
