// Derived quantities between adjusted points and their standard deviations, propagated from the
// cofactor matrix of the unknowns.
#include <cmath>

#include "crmath/crmath.hpp"
#include "geometry/geometry.hpp"
#include "matrix/matrix.hpp"
#include "results/results.hpp"

namespace kavron {

namespace {

// Clears F and fills RD with the cofactors of the adjustment alone.
void frame(Task& t) {
    const int NND = 3 * t.IB;
    MADVAL(t.F, 1, NND, 0.0);
    MADVAL(t.RD, NND, NND, 0.0);
    for (int i = 1; i <= t.NN; ++i) {
        for (int j = 1; j <= t.NN; ++j) {
            t.RD(i, j) = t.R(i, j);
        }
    }
}

// Writes the coefficients of a row into F; positions[k] is the list position of its point k.
void put(Task& t, const geo::Row& row, const int positions[3], double sign) {
    for (int k = 0; k < row.n; ++k) {
        const geo::Coefficient& c = row.c[k];
        t.F(1, 3 * positions[c.point] - 2 + c.axis) = sign * c.value;
    }
}

// Propagates F through RD: the quantity with its standard deviation.
DerivedResult propagate(Task& t, Derived kind, std::initializer_list<int> positions, double value) {
    const int NND = 3 * t.IB;
    MADTRN(t.F, t.FT, 1, NND);
    MADMUL(t.F, t.RD, t.FR, 1, NND, NND);
    MADMUL(t.FR, t.FT, t.FRFT, 1, NND, 1);
    DerivedResult out{{kind, {0, 0, 0}, value, 0.0}, std::nullopt};
    int k = 0;
    for (const int pos : positions) {
        out.q.points[k++] = t.IN[pos];
    }
    double MF = t.FRFT(1, 1) * t.MO * t.MO;
    if (MF < 0.0) {
        out.negative = t.FRFT(1, 1);
        MF = 0.0;
    }
    out.q.sd = std::sqrt(MF);
    return out;
}

}  // namespace

std::optional<DerivedResult> derived_distance(Task& t, int Ki, int Kj, bool horizontal) {
    frame(t);
    const double DXK = t.XO[Kj] - t.XO[Ki];
    const double DYK = t.YO[Kj] - t.YO[Ki];
    const double DZK = horizontal ? 0.0 : t.ZO[Kj] - t.ZO[Ki];
    const double SK = std::sqrt(DZK * DZK + DXK * DXK + DYK * DYK);
    if (SK <= 0.0) {
        return std::nullopt;
    }
    // The row of the quantity with the opposite sign: the variance is the same.
    const int positions[3] = {Ki, Kj, 0};
    put(t, geo::distance_row(DXK, DYK, DZK, SK, !horizontal), positions, -1.0);
    return propagate(t, horizontal ? Derived::HorizontalDistance : Derived::SpatialDistance,
                     {Ki, Kj}, SK);
}

DerivedResult derived_height(Task& t, int Ki, int Kj) {
    frame(t);
    const double DZK = t.ZO[Kj] - t.ZO[Ki];
    t.F(1, 3 * Ki) = -1.0;
    t.F(1, 3 * Kj) = 1.0;
    return propagate(t, Derived::HeightDifference, {Ki, Kj}, DZK);
}

std::optional<DerivedResult> derived_angle(Task& t, int Kj, int Ki, int Kk) {
    frame(t);
    const double DYK = t.YO[Kk] - t.YO[Ki];
    const double DYJ = t.YO[Kj] - t.YO[Ki];
    const double DXK = t.XO[Kk] - t.XO[Ki];
    const double DXJ = t.XO[Kj] - t.XO[Ki];
    const double SK = DXK * DXK + DYK * DYK;
    const double SJ = DXJ * DXJ + DYJ * DYJ;
    if (SK <= 0.0 || SJ <= 0.0) {
        return std::nullopt;
    }
    double XR = crmath::atan2(DYJ, DXJ) * RO;
    double YR = crmath::atan2(DYK, DXK) * RO;
    if (XR < 0.0) {
        XR = XR + RK;
    }
    if (YR < 0.0) {
        YR = YR + RK;
    }
    double OMEG = YR - XR;
    if (OMEG < 0.0) {
        OMEG = OMEG + RK;
    }
    const int positions[3] = {Ki, Kj, Kk};
    put(t, geo::angle_row(DXJ, DYJ, DXK, DYK, SJ, SK), positions, 1.0);
    return propagate(t, Derived::Angle, {Kj, Ki, Kk}, OMEG);
}

std::optional<DerivedResult> derived_zenith(Task& t, int Ki, int Kj) {
    frame(t);
    const double DXK = t.XO[Kj] - t.XO[Ki];
    const double DYK = t.YO[Kj] - t.YO[Ki];
    const double DZK = t.ZO[Kj] - t.ZO[Ki];
    const double SK = DZK * DZK + DXK * DXK + DYK * DYK;
    const double SOR = std::sqrt(DXK * DXK + DYK * DYK);
    if (SOR == 0.0) {
        return std::nullopt;
    }
    const int positions[3] = {Ki, Kj, 0};
    put(t, geo::zenith_row(DXK, DYK, DZK, SOR, SK), positions, 1.0);
    const double ZR = DZK == 0.0 ? 1000000.0 : crmath::atan2(SOR, DZK) * RO;
    return propagate(t, Derived::ZenithAngle, {Ki, Kj}, ZR);
}

}  // namespace kavron
