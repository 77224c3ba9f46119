// The pure geometry: coefficient rows are the derivatives of their observations, point codes fix
// their components, and the ellipsoid and ellipse of hand-worked cofactor blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "format/record.hpp"
#include "geometry/geometry.hpp"
#include "reports/reports.hpp"

namespace kavron {
namespace {

constexpr double kRO = 636619.772367;

// The observation as a function of the nine coordinates (station, first target, second target)
// and the derivative of each by central differences, in the row's units.
using Observe = std::function<double(const double p[3][3])>;

void expect_derivatives(const geo::Row& row, const double at[3][3], const Observe& observe,
                        double scale, double tolerance) {
    double expected[3][3] = {};
    for (int pt = 0; pt < 3; ++pt) {
        for (int ax = 0; ax < 3; ++ax) {
            double p[3][3], q[3][3];
            std::copy(&at[0][0], &at[0][0] + 9, &p[0][0]);
            std::copy(&at[0][0], &at[0][0] + 9, &q[0][0]);
            const double h = 1e-3;
            p[pt][ax] += h;
            q[pt][ax] -= h;
            expected[pt][ax] = scale * (observe(p) - observe(q)) / (2 * h);
        }
    }
    double got[3][3] = {};
    for (int k = 0; k < row.n; ++k) {
        got[row.c[k].point][row.c[k].axis] = row.c[k].value;
    }
    for (int pt = 0; pt < 3; ++pt) {
        for (int ax = 0; ax < 3; ++ax) {
            EXPECT_NEAR(got[pt][ax], expected[pt][ax], tolerance)
                << "point " << pt << " axis " << ax;
        }
    }
}

const double kAt[3][3] = {
    {1000.0, 2000.0, 300.0}, {181000.0, 29000.0, 5300.0}, {-52000.0, 210500.0, -1700.0}};

TEST(Coefficients, AreTheDerivativesOfTheirObservations) {
    const auto d = [](const double p[3][3], int to, int ax) { return p[to][ax] - p[0][ax]; };
    {
        const double dxJ = d(kAt, 1, 0), dyJ = d(kAt, 1, 1), dxK = d(kAt, 2, 0), dyK = d(kAt, 2, 1);
        const geo::Row row =
            geo::angle_row(dxJ, dyJ, dxK, dyK, dxJ * dxJ + dyJ * dyJ, dxK * dxK + dyK * dyK);
        // The angle at the station from the first to the second target, in cc.
        expect_derivatives(
            row, kAt,
            [&](const double p[3][3]) {
                return std::atan2(d(p, 2, 1), d(p, 2, 0)) - std::atan2(d(p, 1, 1), d(p, 1, 0));
            },
            kRO, 1e-6);
    }
    {
        const double dx = d(kAt, 1, 0), dy = d(kAt, 1, 1), dz = d(kAt, 1, 2);
        const double h = std::sqrt(dx * dx + dy * dy);
        const geo::Row row = geo::zenith_row(dx, dy, dz, h, dx * dx + dy * dy + dz * dz);
        expect_derivatives(
            row, kAt,
            [&](const double p[3][3]) {
                return std::atan2(std::hypot(d(p, 1, 0), d(p, 1, 1)), d(p, 1, 2));
            },
            kRO, 1e-6);
        const double s = std::sqrt(dx * dx + dy * dy + dz * dz);
        expect_derivatives(
            geo::distance_row(dx, dy, dz, s, true), kAt,
            [&](const double p[3][3]) {
                return std::sqrt(std::pow(d(p, 1, 0), 2) + std::pow(d(p, 1, 1), 2) +
                                 std::pow(d(p, 1, 2), 2));
            },
            1.0, 1e-7);
        expect_derivatives(
            geo::distance_row(dx, dy, 0.0, h, false), kAt,
            [&](const double p[3][3]) { return std::hypot(d(p, 1, 0), d(p, 1, 1)); }, 1.0, 1e-7);
    }
}

TEST(Coefficients, PointCodesFixTheirComponents) {
    const struct {
        int code;
        bool x, y, z;
    } rows[] = {{0, false, false, false}, {1, false, false, false}, {2, false, false, false},
                {3, false, false, false}, {4, true, true, false},   {-5, false, true, true},
                {6, true, false, true},   {-7, true, true, true},   {8, false, false, false}};
    for (const auto& r : rows) {
        const geo::Fixed f = geo::fixed_components(r.code);
        EXPECT_EQ(f.x, r.x) << r.code;
        EXPECT_EQ(f.y, r.y) << r.code;
        EXPECT_EQ(f.z, r.z) << r.code;
    }
}

geo::Rotated rotated(std::initializer_list<double> rows) {
    double b[3][3];
    std::copy(rows.begin(), rows.end(), &b[0][0]);
    return geo::rotate_to_axes(b);
}

TEST(Ellipsoids, RotationStepsOfTheWorkedBlocks) {
    {
        const geo::Rotated r = rotated({3, 0, 0, 0, 2, 0, 0, 0, 1});
        EXPECT_EQ(r.alfa, 0.0);
        EXPECT_EQ(r.beta, 0.0);
        EXPECT_EQ(r.omeg, 0.0);
        EXPECT_EQ(r.block[0][0], 3.0);
        EXPECT_EQ(r.block[2][2], 1.0);
    }
    {
        const geo::Rotated r = rotated({1, 0, 0, 0, 4, 0, 0, 0, 0.25});
        EXPECT_NEAR(r.alfa, 100.0, 1e-5);
        EXPECT_EQ(fmt::real_field(r.alfa, 9, 2), "   100.00");
        EXPECT_EQ(fmt::real_field(r.beta, 9, 2), "      .00");
        EXPECT_EQ(fmt::real_field(r.omeg, 9, 2), "      .00");
        EXPECT_NEAR(r.block[0][0], 4.0, 1e-12);
        EXPECT_NEAR(r.block[1][1], 1.0, 1e-12);
        EXPECT_NEAR(r.block[2][2], 0.25, 1e-12);
        const double b[3][3] = {{1, 0, 0}, {0, 4, 0}, {0, 0, 0.25}};
        const Ellipsoid e = geo::ellipsoid_of(b, 2.0);  // the first two axes exchanged
        EXPECT_NEAR(e.a, 4.0, 1e-12);
        EXPECT_NEAR(e.b, 2.0, 1e-12);
        EXPECT_NEAR(e.c, 1.0, 1e-12);
    }
    {
        const geo::Rotated r = rotated({4, 1, 0, 1, 4, 0, 0, 0, 1});
        EXPECT_EQ(fmt::real_field(r.alfa, 9, 2), "    50.00");
        EXPECT_EQ(fmt::real_field(r.beta, 9, 2), "      .00");
        EXPECT_EQ(fmt::real_field(r.omeg, 9, 2), "      .00");
        EXPECT_NEAR(r.block[0][0], 5.0, 1e-12);
        EXPECT_NEAR(r.block[1][1], 3.0, 1e-12);
        EXPECT_NEAR(r.block[0][1], 0.0, 1e-12);
    }
    {
        const geo::Rotated r = rotated({2, -0.5, 0, -0.5, 1, 0, 0, 0, 0.5});
        EXPECT_GT(r.alfa, 150.0);
        EXPECT_LT(r.alfa, 200.0);
    }
    {
        const geo::Rotated r = rotated({1, 0.00005, 0, 0.00005, 1.00005, 0, 0, 0, 1});
        EXPECT_EQ(r.alfa, 0.0);  // equal within 1e-4
    }
    {
        // The listing's columns: beta is the third step's angle, gama the second's.
        const double b[3][3] = {{4, 0, 1}, {0, 3, 0.5}, {1, 0.5, 2}};
        const geo::Rotated r = geo::rotate_to_axes(b);
        const Ellipsoid e = geo::ellipsoid_of(b, 1.0);
        EXPECT_EQ(e.beta, r.omeg);
        EXPECT_EQ(e.gama, r.beta);
        EXPECT_NE(e.beta, e.gama);
    }
}

TEST(Drawing, HorizontalEllipsesOfHandWorkedBlocks) {
    const struct {
        double cxx, cxy, cyy, a, b, bearing;
    } rows[] = {
        {4, 0, 1, 2, 1, 0},           // major axis along x
        {1, 0, 4, 2, 1, 100},         // along y
        {2.5, 1.5, 2.5, 2, 1, 50},    // eigenvalues 4 and 1, halfway between x and y
        {2.5, -1.5, 2.5, 2, 1, 150},  // the other diagonal
        {3, 0, 3, std::sqrt(3.0), std::sqrt(3.0), 0},  // a circle
    };
    for (const auto& r : rows) {
        const PlanEllipse e = plan_ellipse(r.cxx, r.cxy, r.cyy);
        EXPECT_NEAR(e.a, r.a, 1e-12) << r.cxx << " " << r.cxy << " " << r.cyy;
        EXPECT_NEAR(e.b, r.b, 1e-12) << r.cxx << " " << r.cxy << " " << r.cyy;
        EXPECT_NEAR(e.bearing, r.bearing, 1e-9) << r.cxx << " " << r.cxy << " " << r.cyy;
    }
}

}  // namespace
}  // namespace kavron
