// The pass loop: misclosures and check tables, observation equations and weights, datum
// conditions, the constrained solution, coordinate updates and the convergence test.
#include "adjustment/adjustment.hpp"

#include <cmath>
#include <cstdlib>

#include "core/exits.hpp"
#include "crmath/crmath.hpp"
#include "geometry/geometry.hpp"
#include "matrix/matrix.hpp"

namespace kavron {

using fmt::lit;

namespace {

constexpr double LU = kPi4;
constexpr double kMinDirLen = 0.10000000149011612;
constexpr double kConvergence = 0.1 + 0.10000000149011612;
static_assert(kConvergence == 0.20000000149011612);

int dx_of(int p) {
    return 3 * p - 2;
}
int dy_of(int p) {
    return 3 * p - 1;
}
int dz_of(int p) {
    return 3 * p;
}

// Writes a row of coefficients into row `row` of A; points[k] is the list position of the row's
// point k (station, first target, second target).
void put_row(Task& t, int row, const geo::Row& coefficients, const int points[3]) {
    for (int k = 0; k < coefficients.n; ++k) {
        const geo::Coefficient& c = coefficients.c[k];
        t.A(row, 3 * points[c.point] - 2 + c.axis) = c.value;
    }
}

// Bearing from a to b in cc, in [0, 4 000 000).
double bearing(double dx, double dy) {
    double t = crmath::atan2(dy, dx);
    if (t < 0.0) {
        t = t + 2.0 * LU;
    }
    return t * RO;
}

// Looks up a point number; on failure the point-not-listed exit follows.
bool lookup(Run& r, int number, i16& pos) {
    return CBODU(r.t.IN, r.t.IB, number, pos, r.con) == 0;
}

Flow too_many_equations(Run& r) {
    ending(r, Ending::TooManyEquations);
    pause(r, " NM > JM ");
    return close_run(r);
}

// A misclosure of the first pass, for the report of a run that will not converge.
void keep_misclosure(Run& r, const Misclosure& m) {
    if (r.res.misclosures < JM) {
        r.res.first_pass[++r.res.misclosures] = m;
    }
}

// Angles from consecutive directions of one station: misclosures, design-matrix rows and, in
// the first pass, their check table. Counts the direction sets in IST.
Flow angles(Run& r, bool first) {
    using namespace fmt;
    Task& t = r.t;
    if (first) {
        r.diag.write({T(" Rozdíly mezi úhly vypoč. z měř. směrů a ze souřad."), E(), E()});
    }
    for (int i = 1; i <= t.IS - 1; ++i) {
        if (t.INS[i + 1] != t.INS[i]) {
            t.IST = static_cast<i16>(t.IST + 1);
            continue;
        }
        if (!lookup(r, t.INS[i], t.I1) || !lookup(r, t.INC[i], t.J1) ||
            !lookup(r, t.INC[i + 1], t.K1)) {
            return exit_point_not_listed(r);
        }
        const int S = t.I1, J = t.J1, K = t.K1;
        const double dxJ = t.XO[J] - t.XO[S], dyJ = t.YO[J] - t.YO[S];
        const double dxK = t.XO[K] - t.XO[S], dyK = t.YO[K] - t.YO[S];
        const double sJ = dxJ * dxJ + dyJ * dyJ;
        const double sK = dxK * dxK + dyK * dyK;
        if (sK == 0.0 || sJ == 0.0) {
            return exit_coincident(r, t.INS[i], t.INC[i], t.INC[i + 1], t.I1, t.J1, t.K1);
        }
        double omega = bearing(dxK, dyK) - bearing(dxJ, dyJ);
        if (omega < 0.0) {
            omega = omega + RK;
        }
        double measured = t.SMO[i + 1] - t.SMO[i];
        if (measured < 0.0) {
            measured = measured + RK;
        }
        t.IX = static_cast<i16>(t.IX + 1);
        const double misclosure = measured - omega;
        if (first) {
            r.diag.write({T(" "), I(5), I(5), I(5), F(12, 2)},
                         {t.INC[i], t.INS[i], t.INC[i + 1], misclosure});
            keep_misclosure(r, {Kind::Direction,
                                {t.INC[i], t.INS[i], t.INC[i + 1]},
                                misclosure,
                                t.UU * std::sqrt(1 / t.PPP(1, i) + 1 / t.PPP(1, i + 1))});
        }
        if (t.IX > JM) {
            return too_many_equations(r);
        }
        t.L(t.IX, 1) = misclosure;
        t.IXX = static_cast<i16>(t.IXX + 1);
        const int points[3] = {S, J, K};
        put_row(t, t.IXX, geo::angle_row(dxJ, dyJ, dxK, dyK, sJ, sK), points);
    }
    t.IST = static_cast<i16>(t.IST + 1);
    return Flow::go();
}

// Slope distances. Equations beyond the capacity are not stored; the run stops after them.
Flow distances(Run& r, bool first) {
    using namespace fmt;
    Task& t = r.t;
    if (first) {
        r.diag.write({E(), E(), T(" Rozdíly mezi délkami vypoč. z měření a ze souřad."), E(), E()});
    }
    int k = 0;
    for (int i = t.ISZ + 1; i <= t.NR; ++i) {
        if (!lookup(r, t.INS[i], t.I1) || !lookup(r, t.INC[i], t.J1)) {
            return exit_point_not_listed(r);
        }
        const int S = t.I1, T2 = t.J1;
        const double dx = t.XO[T2] - t.XO[S], dy = t.YO[T2] - t.YO[S], dz = t.ZO[T2] - t.ZO[S];
        const double s = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (s == 0.0) {
            return exit_coincident(r, t.INS[i], t.INC[i], t.INC[i + 1], t.I1, t.J1, t.K1);
        }
        t.IX = static_cast<i16>(t.IX + 1);
        k = k + 1;
        const double misclosure = t.DO[k] - s;
        if (first) {
            r.diag.write({T(" "), I(5), I(5), F(12, 2)}, {t.INS[i], t.INC[i], misclosure});
            keep_misclosure(r, {Kind::Distance,
                                {t.INS[i], t.INC[i], 0},
                                misclosure,
                                t.UD / std::sqrt(t.PPP(1, i))});
        }
        if (t.IX > JM) {
            continue;
        }
        t.L(t.IX, 1) = misclosure;
        t.IXX = static_cast<i16>(t.IXX + 1);
        const int points[3] = {S, T2, 0};
        put_row(t, t.IXX, geo::distance_row(dx, dy, dz, s, true), points);
    }
    return Flow::go();
}

// Zenith angles; their check table is headed whenever there are directions or zenith angles.
Flow zenith_angles(Run& r, bool first) {
    using namespace fmt;
    Task& t = r.t;
    if (first) {
        r.diag.write({T(" Rozdíly mezi zenit.délkami z měř. hodnot a ze souřad."), E(), E()});
    }
    int k = 0;
    for (int i = t.IS + 1; i <= t.ISZ; ++i) {
        k = k + 1;
        if (!lookup(r, t.INS[i], t.I1) || !lookup(r, t.INC[i], t.J1)) {
            return exit_point_not_listed(r);
        }
        const int S = t.I1, T2 = t.J1;
        const double dz = t.ZO[T2] - t.ZO[S], dy = t.YO[T2] - t.YO[S], dx = t.XO[T2] - t.XO[S];
        const double h = std::sqrt(dx * dx + dy * dy);
        if (h == 0.0) {
            return exit_coincident(r, t.INS[i], t.INC[i], t.INC[i + 1], t.I1, t.J1, t.K1);
        }
        const double z = dz == 0.0 ? 1000000.0 : crmath::atan2(h, dz) * RO;
        t.IX = static_cast<i16>(t.IX + 1);
        const double misclosure = t.ZMO[k] - z;
        if (first) {
            r.diag.write({T(" "), I(5), I(5), F(12, 2)}, {t.INS[i], t.INC[i], misclosure});
            keep_misclosure(
                r,
                {Kind::Zenith, {t.INS[i], t.INC[i], 0}, misclosure, t.UZ / std::sqrt(t.PPP(1, i))});
        }
        if (t.IX > JM) {
            return too_many_equations(r);
        }
        t.L(t.IX, 1) = misclosure;
        t.IXX = static_cast<i16>(t.IXX + 1);
        const double s2 = dx * dx + dy * dy + dz * dz;
        const int points[3] = {S, T2, 0};
        put_row(t, t.IXX, geo::zenith_row(dx, dy, dz, h, s2), points);
        if (t.IX != t.IXX) {
            r.con.list({lit(" chyba v číslování řádků IXX <> IX")});
        }
    }
    return Flow::go();
}

// The first step of every pass: misclosures, design-matrix rows and, in the first pass only, the
// check tables of the diagnostics file.
Flow data_check(Run& r) {
    Task& t = r.t;
    const bool first = t.IIT == 1;
    for (int i = 1; i <= t.NR; ++i) {
        t.PP(i, i) = t.PPP(1, i);
    }
    t.IST = 0;
    if (t.IS >= 2) {
        KAVRON_TRY(angles(r, first));
    }
    if (t.ID >= 1) {
        KAVRON_TRY(distances(r, first));
    }
    if (t.IX > JM) {
        return end_with(r, Ending::TooManyDistanceEquations);
    }
    if (t.IX != t.IXX) {
        pause(r, "Chyba  IXX <> NM");
    }
    if (t.ISZ >= 1) {
        KAVRON_TRY(zenith_angles(r, first));
    }
    t.NM = t.IX;
    r.res.equations = t.NM;
    return Flow::go();
}

// The transformation from measurements to equations.
Flow transformation(Run& r) {
    Task& t = r.t;
    int m = 0;
    for (int i = 1; i <= t.IS - 1; ++i) {
        if (t.INS[i + 1] == t.INS[i]) {
            ++m;
            t.D(m, i) = -1.0;
            t.D(m, i + 1) = 1.0;
        }
    }
    for (int k = 1; k <= t.ID; ++k) {
        ++m;
        t.D(m, t.ISZ + k) = 1.0;
    }
    for (int i = t.IS + 1; i <= t.ISZ; ++i) {
        ++m;
        t.D(m, i) = 1.0;
    }
    t.IXD = static_cast<i16>(m);
    if (t.NM != t.IXD) {
        return exit_row_mismatch(r);
    }
    return Flow::go();
}

// Condition rows of the datum and the checks of their count and of the redundancy.
// The condition row IR of a point i of code 2: its direction to the first point of code 7 keeps
// its bearing.
Flow direction_condition(Run& r, int i, int IR) {
    Task& t = r.t;
    const double x = t.XO[i], y = t.YO[i];
    int j = 0;
    for (int k = 1; k <= t.IB && j == 0; ++k) {
        if (std::abs(t.KOD1[k]) == 7) {
            j = k;
        }
    }
    if (j == 0) {
        ending(r, Ending::MissingReferencePoint);
        say(r, {lit("*** Chyba v zadání: Chybí bod s číslem o  kódu 7 ***")});
        return close_run(r);
    }
    const double dx = x - t.XO[j], dy = y - t.YO[j];
    const double d = std::sqrt(dx * dx + dy * dy);
    if (d < kMinDirLen) {
        return exit_coincident(r, t.IN[i], t.IN[j], 0, i, j, 0);
    }
    t.G(IR, dx_of(i)) = -dy / d;
    t.G(IR, dy_of(i)) = dx / d;
    return Flow::go();
}

Flow conditions(Run& r) {
    Task& t = r.t;
    int IR = 0;
    for (int i = 1; i <= t.IB; ++i) {
        const int c = std::abs(t.KOD1[i]);
        const double x = t.XO[i], y = t.YO[i];
        if (c == 3) {
            if (t.RC == 0.0) {
                return exit_underdetermined(r);
            }
            IR = 4;
            t.G(1, dx_of(i)) = 1.0;
            t.G(2, dy_of(i)) = 1.0;
            t.G(3, dz_of(i)) = 1.0;
            t.G(4, dx_of(i)) = -y / t.RC;
            t.G(4, dy_of(i)) = x / t.RC;
            if (t.ID == 0) {
                IR = 5;
                t.G(5, dy_of(i)) = x / t.RC;
                t.G(5, dz_of(i)) = y / t.RC;
            }
        } else if (c == 2) {
            ++IR;
            KAVRON_TRY(direction_condition(r, i, IR));
        } else {
            const geo::Fixed fixed = geo::fixed_components(c);
            if (fixed.x) {
                t.G(++IR, dx_of(i)) = 1.0;
            }
            if (fixed.y) {
                t.G(++IR, dy_of(i)) = 1.0;
            }
            if (fixed.z) {
                t.G(++IR, dz_of(i)) = 1.0;
            }
        }
    }
    t.NP = static_cast<i16>(IR);
    if (t.NP > JP) {
        return exit_too_many_conditions(r);
    }
    if (t.NM - 3 * t.IB + t.NP < 0) {
        return exit_underdetermined(r);
    }
    return Flow::go();
}

// Removes the columns of fixed components from A and G, last point first.
void eliminate(Task& t) {
    i16 NNA = static_cast<i16>(3 * t.IB);
    i16 NNG = NNA;
    const auto remove = [&](int col) {
        MADRED(t.A, t.NM, NNA, col);
        if (t.NP >= 1) {
            MADRED(t.G, t.NP, NNG, col);
        }
    };
    for (int i = t.IB; i >= 1; --i) {
        const geo::Fixed fixed = geo::fixed_components(t.KOD1[i]);
        if (fixed.z) {
            remove(dz_of(i));
        }
        if (fixed.y) {
            remove(dy_of(i));
        }
        if (fixed.x) {
            remove(dx_of(i));
        }
    }
    t.NNKK = static_cast<i16>(3 * t.IB);
    t.NN = NNA;
}

// Weight matrix of the equations.
Flow weights(Run& r) {
    Task& t = r.t;
    MADTRN(t.D, t.DT, t.NM, t.NR);
    if (MADINV(t.PP, t.PI, t.NR) != 0) {
        return exit_weights_singular(r);
    }
    MADMUL(t.PI, t.DT, t.PIDT, t.NR, t.NR, t.NM);
    MADMUL(t.D, t.PIDT, t.QI, t.NM, t.NR, t.NM);
    if (MADINV(t.QI, t.Q, t.NM) != 0) {
        return exit_qi_singular(r);
    }
    MADMUL(t.PIDT, t.Q, t.DTQ, t.NR, t.NM, t.NM);
    return Flow::go();
}

// The constrained solution, its cofactors and the residuals.
Flow solve(Run& r) {
    Task& t = r.t;
    const int NN = t.NN, NM = t.NM, NP = t.NP, NR = t.NR;
    MADTRN(t.A, t.AT, NM, NN);
    MADMUL(t.AT, t.Q, t.ATQ, NN, NM, NM);
    MADMUL(t.ATQ, t.A, t.N, NN, NM, NN);
    MADTRN(t.G, t.GT, NP, NN);
    MADMUL(t.GT, t.G, t.GTG, NN, NP, NN);
    MADADD(t.N, t.GTG, t.MI, NN, NN);
    if (MADINV(t.MI, t.M, NN) != 0) {
        return exit_solution_singular(r);
    }
    MADMUL(t.M, t.ATQ, t.MATQ, NN, NN, NM);
    MADMUL(t.MATQ, t.L, t.H, NN, NM, 1);
    MADMUL(t.MATQ, t.A, t.MATQA, NN, NM, NN);
    MADMUL(t.MATQA, t.M, t.R, NN, NN, NN);
    MADMUL(t.A, t.H, t.AH, NM, NN, 1);
    MADSUB(t.AH, t.L, t.AHL, NM, 1);
    MADMUL(t.DTQ, t.AHL, t.V, NR, NM, 1);
    MADTRN(t.V, t.VT, NR, 1);
    MADNAS(t.VT, t.PPP, t.VT, 1, NR);
    MADMUL(t.VT, t.V, t.VVT, 1, NR, 1);
    return Flow::go();
}

// Puts zeros back at the fixed components of the unknowns and their cofactor matrix.
Flow reinsert(Run& r) {
    Task& t = r.t;
    MADTRN(t.H, t.HT, t.NN, 1);
    i16 NNH = t.NN, NNR = t.NN, NNS = t.NN;
    const auto insert = [&](int k) {
        MADEXT(t.HT, 1, NNH, k);
        MADEXT(t.R, NNR, NNS, k);
        MADTRN(t.R, t.RW, NNR, NNS);
        MADEXT(t.RW, NNS, NNR, k);
        MADTRN(t.RW, t.R, NNS, NNR);
    };
    for (int i = 1; i <= t.IB; ++i) {
        const geo::Fixed fixed = geo::fixed_components(t.KOD1[i]);
        if (fixed.x) {
            insert(dx_of(i));
        }
        if (fixed.y) {
            insert(dy_of(i));
        }
        if (fixed.z) {
            insert(dz_of(i));
        }
    }
    t.NN = NNH;
    if (NNR != NNS || NNS != NNH) {
        return exit_dimensions(r);
    }
    if (t.NN != t.NNKK) {
        return exit_dimension_not_restored(r);
    }
    MADTRN(t.HT, t.H, 1, t.NN);
    return Flow::go();
}

// Only points of code 0 or 1 move between passes. A point with a datum role (codes 2 to 7) keeps
// its input coordinates in every pass, and its correction, measured again from them each time,
// is taken into its coordinates once, by the results, after the last pass. This is the legacy
// program's rule and is kept on purpose: the listing's coordinates and shifts of such points,
// and the convergence test (which watches the change of the corrections' squared length, not
// their size, because these corrections never tend to zero), depend on it.
void update_free_points(Task& t) {
    for (int i = 1; i <= t.IB; ++i) {
        if (std::abs(t.KOD1[i]) > 1) {
            continue;
        }
        t.XO[i] += t.H(dx_of(i), 1);
        t.YO[i] += t.H(dy_of(i), 1);
        t.ZO[i] += t.H(dz_of(i), 1);
        t.HR(dx_of(i), 1) -= t.H(dx_of(i), 1);
        t.HR(dy_of(i), 1) -= t.H(dy_of(i), 1);
        t.HR(dz_of(i), 1) -= t.H(dz_of(i), 1);
    }
}

void clear_for_next_pass(Task& t) {
    MADVAL(t.D, t.NM, t.NR, 0.0);
    MADVAL(t.A, t.NM, 3 * t.IB, 0.0);
    MADVAL(t.G, t.NP, 3 * t.IB, 0.0);
    MADVAL(t.PP, t.NR, t.NR, 0.0);
    t.IXX = 0;
    t.IX = 0;
    t.IXD = 0;
}

}  // namespace

Flow adjust(Run& r) {
    using namespace fmt;
    Task& t = r.t;
    for (;;) {
        if (t.IIT == 32767) {
            return exit_no_convergence(r);
        }
        t.IIT = static_cast<i16>(t.IIT + 1);
        r.con.write({T("+"), X(35), T(" pocitam "), I(4)}, {t.IIT});
        KAVRON_TRY(data_check(r));
        KAVRON_TRY(transformation(r));
        KAVRON_TRY(conditions(r));
        eliminate(t);
        // D and PP hold the same values in every pass: D follows from the order of the
        // measurements and their stations, PP from their weights, neither from the coordinates.
        // So do PI, PIDT, QI, Q and DTQ, which follow from them alone: they are computed in the
        // first pass and kept (a failure there ends the run in that pass).
        if (t.IIT == 1) {
            KAVRON_TRY(weights(r));
        }
        KAVRON_TRY(solve(r));
        KAVRON_TRY(reinsert(r));
        update_free_points(t);

        t.ITER = static_cast<i16>(t.ITER + 1);
        Mat<1, 1> hth;
        MADMUL(t.HT, t.H, hth, 1, t.NN, 1);
        t.HTH = hth(1, 1);
        if (!std::isfinite(t.HTH)) {
            return exit_no_convergence(r);
        }
        if (t.ITER > 1) {
            if (std::fabs(t.HTH - t.HTC) < kConvergence) {
                return Flow::go();
            }
            if (t.HTH + 1.0 > t.HTC) {
                t.IIK = static_cast<i16>(t.IIK + 1);
                if (t.IIK > 5) {
                    return exit_no_convergence(r);
                }
            }
            if (t.HTH + 1.0 < t.HTC) {
                t.IIK = 0;
            }
        }
        t.HTC = t.HTH;
        clear_for_next_pass(t);
    }
}

}  // namespace kavron
