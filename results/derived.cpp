// Derived quantities between adjusted points and their standard deviations, propagated from the
// cofactor matrix of the unknowns.
#include <cmath>

#include "results/results.hpp"

namespace kavron {

using fmt::lit;

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

// Propagates F through RD; the standard deviation of the quantity.
double propagate(Run& r) {
    Task& t = r.t;
    const int NND = 3 * t.IB;
    MADTRN(t.F, t.FT, 1, NND);
    MADMUL(t.F, t.RD, t.FR, 1, NND, NND);
    MADMUL(t.FR, t.FT, t.VVT, 1, NND, 1);
    double MF = t.VVT(1, 1) * t.MO * t.MO;
    if (MF < 0.0) {
        r.con.list({lit("f fce"), t.VVT(1, 1)});
        MF = 0.0;
    }
    return std::sqrt(MF);
}

void two_point_row(Run& r, std::string_view kind, int Ki, int Kj, double value, double MF) {
    using namespace fmt;
    r.lst.write({X(2), I(4), T(" -"), I(4), X(8), F(12, 1), X(6), F(9, 3)},
                {r.t.IN[Ki], r.t.IN[Kj], value, MF});
    r.rep.derived.push_back({kind, {r.t.IN[Ki], r.t.IN[Kj]}, value, MF});
}

}  // namespace

bool derived_distance(Run& r, int Ki, int Kj, bool horizontal) {
    Task& t = r.t;
    frame(t);
    const double DXK = t.XO[Kj] - t.XO[Ki];
    const double DYK = t.YO[Kj] - t.YO[Ki];
    const double DZK = horizontal ? 0.0 : t.ZO[Kj] - t.ZO[Ki];
    const double SK = std::sqrt(DZK * DZK + DXK * DXK + DYK * DYK);
    if (SK <= 0.0) {
        return false;
    }
    t.F(1, 3 * Ki - 2) = DXK / SK;
    t.F(1, 3 * Kj - 2) = -DXK / SK;
    t.F(1, 3 * Ki - 1) = DYK / SK;
    t.F(1, 3 * Kj - 1) = -DYK / SK;
    if (!horizontal) {
        t.F(1, 3 * Ki) = DZK / SK;
        t.F(1, 3 * Kj) = -DZK / SK;
    }
    two_point_row(r, horizontal ? "horizontal_distance" : "spatial_distance", Ki, Kj, SK,
                  propagate(r));
    return true;
}

void derived_height(Run& r, int Ki, int Kj) {
    Task& t = r.t;
    frame(t);
    const double DZK = t.ZO[Kj] - t.ZO[Ki];
    t.F(1, 3 * Ki) = -1.0;
    t.F(1, 3 * Kj) = 1.0;
    two_point_row(r, "height_difference", Ki, Kj, DZK, propagate(r));
}

bool derived_angle(Run& r, int Kj, int Ki, int Kk) {
    using namespace fmt;
    Task& t = r.t;
    frame(t);
    const double DYK = t.YO[Kk] - t.YO[Ki];
    const double DYJ = t.YO[Kj] - t.YO[Ki];
    const double DXK = t.XO[Kk] - t.XO[Ki];
    const double DXJ = t.XO[Kj] - t.XO[Ki];
    const double SK = DXK * DXK + DYK * DYK;
    const double SJ = DXJ * DXJ + DYJ * DYJ;
    if (SK <= 0.0 || SJ <= 0.0) {
        return false;
    }
    double XR = std::atan2(DYJ, DXJ) * RO;
    double YR = std::atan2(DYK, DXK) * RO;
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
    t.F(1, 3 * Ki - 2) = RO * (DYK / SK - DYJ / SJ);
    t.F(1, 3 * Ki - 1) = -RO * (DXK / SK - DXJ / SJ);
    t.F(1, 3 * Kj - 2) = RO * DYJ / SJ;
    t.F(1, 3 * Kj - 1) = -RO * DXJ / SJ;
    t.F(1, 3 * Kk - 2) = -RO * DYK / SK;
    t.F(1, 3 * Kk - 1) = RO * DXK / SK;
    const double MF = propagate(r);
    r.lst.write({X(2), I(4), T(" -"), I(4), T(" -"), I(4), X(2), F(12, 1), X(6), F(9, 3)},
                {t.IN[Kj], t.IN[Ki], t.IN[Kk], OMEG, MF});
    r.rep.derived.push_back({"angle", {t.IN[Kj], t.IN[Ki], t.IN[Kk]}, OMEG, MF});
    return true;
}

bool derived_zenith(Run& r, int Ki, int Kj) {
    Task& t = r.t;
    frame(t);
    const double DXK = t.XO[Kj] - t.XO[Ki];
    const double DYK = t.YO[Kj] - t.YO[Ki];
    const double DZK = t.ZO[Kj] - t.ZO[Ki];
    const double SK = DZK * DZK + DXK * DXK + DYK * DYK;
    const double SOR = std::sqrt(DXK * DXK + DYK * DYK);
    if (SOR == 0.0) {
        return false;
    }
    const double SIR = DZK * RO / (SK * SOR);
    t.F(1, 3 * Ki - 2) = -SIR * DXK;
    t.F(1, 3 * Kj - 2) = SIR * DXK;
    t.F(1, 3 * Ki - 1) = -SIR * DYK;
    t.F(1, 3 * Kj - 1) = SIR * DYK;
    t.F(1, 3 * Ki) = SOR * RO / SK;
    t.F(1, 3 * Kj) = -SOR * RO / SK;
    const double ZR = DZK == 0.0 ? 1000000.0 : std::atan2(SOR, DZK) * RO;
    two_point_row(r, "zenith_angle", Ki, Kj, ZR, propagate(r));
    return true;
}

}  // namespace kavron
