#include "geometry/geometry.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/constants.hpp"
#include "crmath/crmath.hpp"
#include "matrix/matrix.hpp"

namespace kavron::geo {

Fixed fixed_components(int code) {
    const int c = std::abs(code);
    if (c < 4 || c > 7) {
        return {};
    }
    return {c != 5, c != 6, c != 4};
}

Row angle_row(double dxJ, double dyJ, double dxK, double dyK, double sJ, double sK) {
    return {{{0, 0, RO * (dyK / sK - dyJ / sJ)},
             {0, 1, -RO * (dxK / sK - dxJ / sJ)},
             {1, 0, RO * dyJ / sJ},
             {1, 1, -RO * dxJ / sJ},
             {2, 0, -RO * dyK / sK},
             {2, 1, RO * dxK / sK}},
            6};
}

Row zenith_row(double dx, double dy, double dz, double h, double s2) {
    const double c = RO * dz / (s2 * h);
    return {{{0, 0, -c * dx},
             {1, 0, c * dx},
             {0, 1, -c * dy},
             {1, 1, c * dy},
             {0, 2, RO * h / s2},
             {1, 2, -RO * h / s2}},
            6};
}

Row distance_row(double dx, double dy, double dz, double s, bool with_z) {
    Row r;
    r.c[r.n++] = {0, 0, -dx / s};
    r.c[r.n++] = {0, 1, -dy / s};
    if (with_z) {
        r.c[r.n++] = {0, 2, -dz / s};
    }
    r.c[r.n++] = {1, 0, dx / s};
    r.c[r.n++] = {1, 1, dy / s};
    if (with_z) {
        r.c[r.n++] = {1, 2, dz / s};
    }
    return r;
}

namespace {

constexpr double kDegenerate = 9.999999747378752e-05;  // 1.0e-4 as a 4-byte real

// Turns MX in the plane (p, q) about axis OSA so that MX(p, q) becomes zero; returns the angle
// in radians, 0 for a degenerate pair.
double rotation_step(Mat<3, 3>& MX, int OSA, int p, int q) {
    double phi = 0.0;
    const bool degenerate =
        (std::fabs(MX(p, q)) < kDegenerate && std::fabs(MX(p, p) - MX(q, q)) < kDegenerate) ||
        (std::fabs(MX(p, p)) < kDegenerate && std::fabs(MX(q, q)) < kDegenerate);
    if (!degenerate) {
        phi = crmath::atan2(2.0 * MX(p, q), MX(p, p) - MX(q, q));
        if (phi < 0.0) {
            phi = phi + 2.0 * kPi4;
        }
        phi = phi / 2.0;
    }
    Mat<3, 3> ROT, ROTT, MXR;
    MADROT(ROT, phi, OSA);
    MADMUL(MX, ROT, MXR, 3, 3, 3);
    MADTRN(ROT, ROTT, 3, 3);
    MADMUL(ROTT, MXR, MX, 3, 3, 3);
    return phi;
}

}  // namespace

Rotated rotate_to_axes(const double block[3][3]) {
    Mat<3, 3> MX;
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            MX(a + 1, b + 1) = block[a][b];
        }
    }
    Rotated r{};
    r.alfa = rotation_step(MX, 3, 1, 2) * kGon4;
    r.beta = rotation_step(MX, 1, 2, 3) * kGon4;
    r.omeg = rotation_step(MX, 2, 1, 3) * kGon4;
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            r.block[a][b] = MX(a + 1, b + 1);
        }
    }
    return r;
}

Ellipsoid ellipsoid_of(const double block[3][3], double MO) {
    const Rotated r = rotate_to_axes(block);
    const double EX1 = std::sqrt(std::fabs(r.block[0][0])) * MO;
    const double EY1 = std::sqrt(std::fabs(r.block[1][1])) * MO;
    const double EZ1 = std::sqrt(std::fabs(r.block[2][2])) * MO;
    // The listing's columns: alfa, then beta (the third step's angle), then gama (the second's).
    return {EX1, EY1, EZ1, r.alfa, r.omeg, r.beta};
}

}  // namespace kavron::geo
