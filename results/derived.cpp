// Derived quantities between adjusted points and their standard deviations, propagated from the
// cofactor matrix of the unknowns.
#include <cmath>

#include "crmath/crmath.hpp"
#include "geometry/geometry.hpp"
#include "matrix/matrix.hpp"
#include "results/results.hpp"

namespace kavron {

namespace {

// The propagation of one derived quantity: its coefficients in the unknowns, F, through the
// cofactors of the adjustment alone, RD.
struct Propagation {
    const Solution& sol;
    const Results& res;
    Mat<1, kUnknowns> F;           // coefficients of the quantity in the unknowns
    Mat<kUnknowns, kUnknowns> RD;  // cofactors of the coordinates, 3*IB square
    Mat<1, kUnknowns> FR;          // F*RD
    Mat<kUnknowns, 1> FT;          // F transposed
    Mat<1, 1> FRFT;                // F*RD*FT: the cofactor of the quantity

    Propagation(const Solution& s, const Results& r) : sol(s), res(r) {
        for (int i = 1; i <= sol.NN; ++i) {
            for (int j = 1; j <= sol.NN; ++j) {
                RD(i, j) = sol.R(i, j);
            }
        }
    }
    double x(int i) const { return res.points[i].adjusted[0]; }
    double y(int i) const { return res.points[i].adjusted[1]; }
    double z(int i) const { return res.points[i].adjusted[2]; }
};

// Writes the coefficients of a row into F; positions[k] is the list position of its point k.
void put(Propagation& t, const geo::Row& row, const int positions[3], double sign) {
    for (int k = 0; k < row.n; ++k) {
        const geo::Coefficient& c = row.c[k];
        t.F(1, 3 * positions[c.point] - 2 + c.axis) = sign * c.value;
    }
}

// Propagates F through RD: the quantity with its standard deviation.
DerivedResult propagate(Propagation& t, Derived kind, std::initializer_list<int> positions,
                        double value) {
    const int NND = 3 * t.res.points_read;
    MADTRN(t.F, t.FT, 1, NND);
    MADMUL(t.F, t.RD, t.FR, 1, NND, NND);
    MADMUL(t.FR, t.FT, t.FRFT, 1, NND, 1);
    DerivedResult out{{kind, {0, 0, 0}, value, 0.0}, std::nullopt};
    int k = 0;
    for (const int pos : positions) {
        out.q.points[k++] = t.res.points[pos].number;
    }
    double MF = t.FRFT(1, 1) * t.res.MO * t.res.MO;
    if (MF < 0.0) {
        out.negative = t.FRFT(1, 1);
        MF = 0.0;
    }
    out.q.sd = std::sqrt(MF);
    return out;
}

}  // namespace

std::optional<DerivedResult> derived_distance(const Solution& sol, const Results& res, int Ki,
                                              int Kj, bool horizontal) {
    Propagation t(sol, res);
    const double DXK = t.x(Kj) - t.x(Ki);
    const double DYK = t.y(Kj) - t.y(Ki);
    const double DZK = horizontal ? 0.0 : t.z(Kj) - t.z(Ki);
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

DerivedResult derived_height(const Solution& sol, const Results& res, int Ki, int Kj) {
    Propagation t(sol, res);
    const double DZK = t.z(Kj) - t.z(Ki);
    t.F(1, 3 * Ki) = -1.0;
    t.F(1, 3 * Kj) = 1.0;
    return propagate(t, Derived::HeightDifference, {Ki, Kj}, DZK);
}

std::optional<DerivedResult> derived_angle(const Solution& sol, const Results& res, int Kj, int Ki,
                                           int Kk) {
    Propagation t(sol, res);
    const double DYK = t.y(Kk) - t.y(Ki);
    const double DYJ = t.y(Kj) - t.y(Ki);
    const double DXK = t.x(Kk) - t.x(Ki);
    const double DXJ = t.x(Kj) - t.x(Ki);
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

std::optional<DerivedResult> derived_zenith(const Solution& sol, const Results& res, int Ki,
                                            int Kj) {
    Propagation t(sol, res);
    const double DXK = t.x(Kj) - t.x(Ki);
    const double DYK = t.y(Kj) - t.y(Ki);
    const double DZK = t.z(Kj) - t.z(Ki);
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
