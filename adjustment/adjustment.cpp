// The pass loop: misclosures and check tables, observation equations and weights, datum
// conditions, the constrained solution, coordinate updates and the convergence test.
#include "adjustment/adjustment.hpp"

#include <cmath>
#include <cstdlib>

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

// Bearing from a to b in cc, in [0, 4 000 000).
double bearing(double dx, double dy) {
    double t = crmath::atan2(dy, dx);
    if (t < 0.0) {
        t = t + 2.0 * LU;
    }
    return t * RO;
}

// One adjustment: the job it reads, the solution it fills, its work and its channels.
class Passes {
public:
    Passes(const Job& j, Solution& s, Work& wk, const PassChannels& c)
        : job(j), sol(s), w(wk), io(c) {}

    // The passes, until the corrections settle or an ending.
    Halt run() {
        using namespace fmt;
        for (;;) {
            if (sol.IIT == 32767) {
                return stop_no_convergence();
            }
            sol.IIT = static_cast<i16>(sol.IIT + 1);
            io.con.write({T("+"), X(35), T(" pocitam "), I(4)}, {sol.IIT});
            if (Halt h = pass()) {
                return h;
            }
            update_free_points();

            bool settled = false;
            if (Halt h = convergence(settled)) {
                return h;
            }
            if (settled) {
                return std::nullopt;
            }
            sol.HTC = sol.HTH;
            clear_for_next_pass();
        }
    }

    // The first pass alone, at the approximate coordinates, which it leaves as they are.
    Halt once() {
        sol.IIT = 1;
        return pass();
    }

private:
    // One pass: the equations at the current coordinates and their constrained solution.
    Halt pass() {
        if (Halt h = data_check()) {
            return h;
        }
        if (Halt h = transformation()) {
            return h;
        }
        if (Halt h = conditions()) {
            return h;
        }
        eliminate();
        // D and PP hold the same values in every pass: D follows from the order of the
        // measurements and their stations, PP from their weights, neither from the coordinates.
        // So do PI, PIDT, QI, Q and DTQ, which follow from them alone: they are computed in the
        // first pass and kept (a failure there ends the run in that pass).
        if (sol.IIT == 1) {
            if (Halt h = weights()) {
                return h;
            }
        }
        if (Halt h = solve()) {
            return h;
        }
        return reinsert();
    }

    // The test after a solved pass: the change of the corrections' squared length settles, or
    // grows too often (an ending).
    Halt convergence(bool& settled) {
        sol.ITER = static_cast<i16>(sol.ITER + 1);
        Mat<1, 1> hth;
        MADMUL(w.HT, sol.H, hth, 1, sol.NN, 1);
        sol.HTH = hth(1, 1);
        if (!std::isfinite(sol.HTH)) {
            return stop_no_convergence();
        }
        if (sol.ITER > 1) {
            if (std::fabs(sol.HTH - sol.HTC) < kConvergence) {
                settled = true;
                return std::nullopt;
            }
            if (sol.HTH + 1.0 > sol.HTC) {
                sol.IIK = static_cast<i16>(sol.IIK + 1);
                if (sol.IIK > 5) {
                    return stop_no_convergence();
                }
            }
            if (sol.HTH + 1.0 < sol.HTC) {
                sol.IIK = 0;
            }
        }
        return std::nullopt;
    }

    // Writes a row of coefficients into row `row` of A; points[k] is the list position of the row's
    // point k (station, first target, second target).
    void put_row(int row, const geo::Row& coefficients, const int points[3]) {
        for (int k = 0; k < coefficients.n; ++k) {
            const geo::Coefficient& c = coefficients.c[k];
            sol.A(row, 3 * points[c.point] - 2 + c.axis) = c.value;
        }
    }

    // Looks up a point number; on failure the point-not-listed exit follows.
    bool lookup(int number, i16& pos) { return CBODU(job.IN, job.IB, number, pos, io.con) == 0; }

    // A misclosure of the first pass, for the report of a run that will not converge.
    void keep_misclosure(const Misclosure& m) {
        if (sol.misclosures < JM) {
            sol.first_pass[++sol.misclosures] = m;
        }
    }

    // Angles from consecutive directions of one station: misclosures, design-matrix rows and, in
    // the first pass, their check table. Counts the direction sets in IST.
    Halt angles(bool first) {
        using namespace fmt;
        if (first) {
            io.diag.write({T(" Rozdíly mezi úhly vypoč. z měř. směrů a ze souřad."), E(), E()});
        }
        for (int i = 1; i <= job.IS - 1; ++i) {
            if (job.INS[i + 1] != job.INS[i]) {
                sol.IST = static_cast<i16>(sol.IST + 1);
                continue;
            }
            if (!lookup(job.INS[i], w.I1) || !lookup(job.INC[i], w.J1) ||
                !lookup(job.INC[i + 1], w.K1)) {
                return stop_point_not_listed(io.listing);
            }
            const int S = w.I1, J = w.J1, K = w.K1;
            const double dxJ = sol.XO[J] - sol.XO[S], dyJ = sol.YO[J] - sol.YO[S];
            const double dxK = sol.XO[K] - sol.XO[S], dyK = sol.YO[K] - sol.YO[S];
            const double sJ = dxJ * dxJ + dyJ * dyJ;
            const double sK = dxK * dxK + dyK * dyK;
            if (sK == 0.0 || sJ == 0.0) {
                return stop_coincident(job.INS[i], job.INC[i], job.INC[i + 1], w.I1, w.J1, w.K1);
            }
            double omega = bearing(dxK, dyK) - bearing(dxJ, dyJ);
            if (omega < 0.0) {
                omega = omega + RK;
            }
            double measured = job.value[i + 1] - job.value[i];
            if (measured < 0.0) {
                measured = measured + RK;
            }
            w.IX = static_cast<i16>(w.IX + 1);
            const double misclosure = measured - omega;
            if (first) {
                io.diag.write({T(" "), I(5), I(5), I(5), F(12, 2)},
                              {job.INC[i], job.INS[i], job.INC[i + 1], misclosure});
                keep_misclosure({Kind::Direction,
                                 {job.INC[i], job.INS[i], job.INC[i + 1]},
                                 misclosure,
                                 job.UU * std::sqrt(1 / job.PPP(1, i) + 1 / job.PPP(1, i + 1))});
            }
            if (w.IX > JM) {
                return stop_too_many_equations();
            }
            w.L(w.IX, 1) = misclosure;
            w.IXX = static_cast<i16>(w.IXX + 1);
            const int points[3] = {S, J, K};
            put_row(w.IXX, geo::angle_row(dxJ, dyJ, dxK, dyK, sJ, sK), points);
        }
        sol.IST = static_cast<i16>(sol.IST + 1);
        return std::nullopt;
    }

    // Slope distances. Equations beyond the capacity are not stored; the run stops after them.
    Halt distances(bool first) {
        using namespace fmt;
        if (first) {
            io.diag.write(
                {E(), E(), T(" Rozdíly mezi délkami vypoč. z měření a ze souřad."), E(), E()});
        }
        for (int i = job.ISZ + 1; i <= job.NR; ++i) {
            if (!lookup(job.INS[i], w.I1) || !lookup(job.INC[i], w.J1)) {
                return stop_point_not_listed(io.listing);
            }
            const int S = w.I1, T2 = w.J1;
            const double dx = sol.XO[T2] - sol.XO[S], dy = sol.YO[T2] - sol.YO[S],
                         dz = sol.ZO[T2] - sol.ZO[S];
            const double s = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (s == 0.0) {
                return stop_coincident(job.INS[i], job.INC[i], job.INC[i + 1], w.I1, w.J1, w.K1);
            }
            w.IX = static_cast<i16>(w.IX + 1);
            const double misclosure = job.value[i] - s;
            if (first) {
                io.diag.write({T(" "), I(5), I(5), F(12, 2)}, {job.INS[i], job.INC[i], misclosure});
                keep_misclosure({Kind::Distance,
                                 {job.INS[i], job.INC[i], 0},
                                 misclosure,
                                 job.UD / std::sqrt(job.PPP(1, i))});
            }
            if (w.IX > JM) {
                continue;
            }
            w.L(w.IX, 1) = misclosure;
            w.IXX = static_cast<i16>(w.IXX + 1);
            const int points[3] = {S, T2, 0};
            put_row(w.IXX, geo::distance_row(dx, dy, dz, s, true), points);
        }
        return std::nullopt;
    }

    // Zenith angles; their check table is headed whenever there are directions or zenith angles.
    Halt zenith_angles(bool first) {
        using namespace fmt;
        if (first) {
            io.diag.write({T(" Rozdíly mezi zenit.délkami z měř. hodnot a ze souřad."), E(), E()});
        }
        for (int i = job.IS + 1; i <= job.ISZ; ++i) {
            if (!lookup(job.INS[i], w.I1) || !lookup(job.INC[i], w.J1)) {
                return stop_point_not_listed(io.listing);
            }
            const int S = w.I1, T2 = w.J1;
            const double dz = sol.ZO[T2] - sol.ZO[S], dy = sol.YO[T2] - sol.YO[S],
                         dx = sol.XO[T2] - sol.XO[S];
            const double h = std::sqrt(dx * dx + dy * dy);
            if (h == 0.0) {
                return stop_coincident(job.INS[i], job.INC[i], job.INC[i + 1], w.I1, w.J1, w.K1);
            }
            const double z = dz == 0.0 ? 1000000.0 : crmath::atan2(h, dz) * RO;
            w.IX = static_cast<i16>(w.IX + 1);
            const double misclosure = job.value[i] - z;
            if (first) {
                io.diag.write({T(" "), I(5), I(5), F(12, 2)}, {job.INS[i], job.INC[i], misclosure});
                keep_misclosure({Kind::Zenith,
                                 {job.INS[i], job.INC[i], 0},
                                 misclosure,
                                 job.UZ / std::sqrt(job.PPP(1, i))});
            }
            if (w.IX > JM) {
                return stop_too_many_equations();
            }
            w.L(w.IX, 1) = misclosure;
            w.IXX = static_cast<i16>(w.IXX + 1);
            const double s2 = dx * dx + dy * dy + dz * dz;
            const int points[3] = {S, T2, 0};
            put_row(w.IXX, geo::zenith_row(dx, dy, dz, h, s2), points);
            if (w.IX != w.IXX) {
                io.con.list({lit(" chyba v číslování řádků IXX <> IX")});
            }
        }
        return std::nullopt;
    }

    // The first step of every pass: misclosures, design-matrix rows and, in the first pass only,
    // the check tables of the diagnostics file.
    Halt data_check() {
        const bool first = sol.IIT == 1;
        for (int i = 1; i <= job.NR; ++i) {
            w.PP(i, i) = job.PPP(1, i);
        }
        sol.IST = 0;
        if (job.IS >= 2) {
            if (Halt h = angles(first)) {
                return h;
            }
        }
        if (job.ID >= 1) {
            if (Halt h = distances(first)) {
                return h;
            }
        }
        if (w.IX > JM) {
            return stop(Ending::TooManyDistanceEquations);
        }
        if (w.IX != w.IXX) {
            // Rows are stored for every equation within the capacity, and more equations end the
            // run above: the legacy check cannot fail, and pauses as the legacy program did if so.
            io.con.text_line("Chyba  IXX <> NM");
            (void)io.con.read_line(false);
        }
        if (job.ISZ >= 1) {
            if (Halt h = zenith_angles(first)) {
                return h;
            }
        }
        sol.NM = w.IX;
        return std::nullopt;
    }

    // The transformation from measurements to equations.
    Halt transformation() {
        int m = 0;
        for (int i = 1; i <= job.IS - 1; ++i) {
            if (job.INS[i + 1] == job.INS[i]) {
                ++m;
                sol.D(m, i) = -1.0;
                sol.D(m, i + 1) = 1.0;
            }
        }
        for (int k = 1; k <= job.ID; ++k) {
            ++m;
            sol.D(m, job.ISZ + k) = 1.0;
        }
        for (int i = job.IS + 1; i <= job.ISZ; ++i) {
            ++m;
            sol.D(m, i) = 1.0;
        }
        w.IXD = static_cast<i16>(m);
        if (sol.NM != w.IXD) {
            return stop_row_mismatch();
        }
        return std::nullopt;
    }

    // Condition rows of the datum and the checks of their count and of the redundancy.
    // The condition row IR of a point i of code 2: its direction to the first point of code 7 keeps
    // its bearing.
    Halt direction_condition(int i, int IR) {
        const double x = sol.XO[i], y = sol.YO[i];
        int j = 0;
        for (int k = 1; k <= job.IB && j == 0; ++k) {
            if (std::abs(job.KOD1[k]) == 7) {
                j = k;
            }
        }
        if (j == 0) {
            return stop_missing_reference_point();
        }
        const double dx = x - sol.XO[j], dy = y - sol.YO[j];
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d < kMinDirLen) {
            return stop_coincident(job.IN[i], job.IN[j], 0, i, j, 0);
        }
        w.G(IR, dx_of(i)) = -dy / d;
        w.G(IR, dy_of(i)) = dx / d;
        return std::nullopt;
    }

    Halt conditions() {
        int IR = 0;
        for (int i = 1; i <= job.IB; ++i) {
            const int c = std::abs(job.KOD1[i]);
            const double x = sol.XO[i], y = sol.YO[i];
            if (c == 3) {
                if (job.RC == 0.0) {
                    return stop_underdetermined();
                }
                IR = 4;
                w.G(1, dx_of(i)) = 1.0;
                w.G(2, dy_of(i)) = 1.0;
                w.G(3, dz_of(i)) = 1.0;
                w.G(4, dx_of(i)) = -y / job.RC;
                w.G(4, dy_of(i)) = x / job.RC;
                if (job.ID == 0) {
                    IR = 5;
                    w.G(5, dy_of(i)) = x / job.RC;
                    w.G(5, dz_of(i)) = y / job.RC;
                }
            } else if (c == 2) {
                ++IR;
                if (Halt h = direction_condition(i, IR)) {
                    return h;
                }
            } else {
                const geo::Fixed fixed = geo::fixed_components(c);
                if (fixed.x) {
                    w.G(++IR, dx_of(i)) = 1.0;
                }
                if (fixed.y) {
                    w.G(++IR, dy_of(i)) = 1.0;
                }
                if (fixed.z) {
                    w.G(++IR, dz_of(i)) = 1.0;
                }
            }
        }
        sol.NP = static_cast<i16>(IR);
        if (sol.NP > JP) {
            return stop_too_many_conditions();
        }
        if (sol.NM - 3 * job.IB + sol.NP < 0) {
            return stop_underdetermined();
        }
        return std::nullopt;
    }

    // Removes the columns of fixed components from A and G, last point first.
    void eliminate() {
        i16 NNA = static_cast<i16>(3 * job.IB);
        i16 NNG = NNA;
        const auto remove = [&](int col) {
            MADRED(sol.A, sol.NM, NNA, col);
            if (sol.NP >= 1) {
                MADRED(w.G, sol.NP, NNG, col);
            }
        };
        for (int i = job.IB; i >= 1; --i) {
            const geo::Fixed fixed = geo::fixed_components(job.KOD1[i]);
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
        sol.NNKK = static_cast<i16>(3 * job.IB);
        sol.NN = NNA;
    }

    // Weight matrix of the equations.
    Halt weights() {
        MADTRN(sol.D, w.DT, sol.NM, job.NR);
        if (MADINV(w.PP, w.PI, job.NR) != 0) {
            double diagonal[JR + 1];
            for (int i = 1; i <= job.NR; ++i) {
                diagonal[i] = w.PP(i, i);
            }
            return stop_weights_singular(diagonal, job.NR);
        }
        MADMUL(w.PI, w.DT, w.PIDT, job.NR, job.NR, sol.NM);
        MADMUL(sol.D, w.PIDT, sol.QI, sol.NM, job.NR, sol.NM);
        if (MADINV(sol.QI, w.Q, sol.NM) != 0) {
            return stop_qi_singular();
        }
        MADMUL(w.PIDT, w.Q, sol.DTQ, job.NR, sol.NM, sol.NM);
        return std::nullopt;
    }

    // The constrained solution, its cofactors and the residuals.
    Halt solve() {
        const int NN = sol.NN, NM = sol.NM, NP = sol.NP, NR = job.NR;
        MADTRN(sol.A, w.AT, NM, NN);
        MADMUL(w.AT, w.Q, w.ATQ, NN, NM, NM);
        MADMUL(w.ATQ, sol.A, w.N, NN, NM, NN);
        MADTRN(w.G, w.GT, NP, NN);
        MADMUL(w.GT, w.G, w.GTG, NN, NP, NN);
        MADADD(w.N, w.GTG, w.MI, NN, NN);
        if (MADINV(w.MI, w.M, NN) != 0) {
            return stop_solution_singular();
        }
        MADMUL(w.M, w.ATQ, sol.MATQ, NN, NN, NM);
        MADMUL(sol.MATQ, w.L, sol.H, NN, NM, 1);
        MADMUL(sol.MATQ, sol.A, w.MATQA, NN, NM, NN);
        MADMUL(w.MATQA, w.M, sol.R, NN, NN, NN);
        MADMUL(sol.A, sol.H, w.AH, NM, NN, 1);
        MADSUB(w.AH, w.L, w.AHL, NM, 1);
        MADMUL(sol.DTQ, w.AHL, sol.V, NR, NM, 1);
        MADTRN(sol.V, w.VT, NR, 1);
        MADNAS(w.VT, job.PPP, w.VT, 1, NR);
        MADMUL(w.VT, sol.V, sol.VVT, 1, NR, 1);
        return std::nullopt;
    }

    // Puts zeros back at the fixed components of the unknowns and their cofactor matrix.
    Halt reinsert() {
        MADTRN(sol.H, w.HT, sol.NN, 1);
        i16 NNH = sol.NN, NNR = sol.NN, NNS = sol.NN;
        const auto insert = [&](int k) {
            MADEXT(w.HT, 1, NNH, k);
            MADEXT(sol.R, NNR, NNS, k);
            MADTRN(sol.R, w.RW, NNR, NNS);
            MADEXT(w.RW, NNS, NNR, k);
            MADTRN(w.RW, sol.R, NNS, NNR);
        };
        for (int i = 1; i <= job.IB; ++i) {
            const geo::Fixed fixed = geo::fixed_components(job.KOD1[i]);
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
        sol.NN = NNH;
        if (NNR != NNS || NNS != NNH) {
            return stop_dimensions();
        }
        if (sol.NN != sol.NNKK) {
            return stop_dimension_not_restored();
        }
        MADTRN(w.HT, sol.H, 1, sol.NN);
        return std::nullopt;
    }

    // Only points of code 0 or 1 move between passes. A point with a datum role (codes 2 to 7)
    // keeps its input coordinates in every pass, and its correction, measured again from them each
    // time, is taken into its coordinates once, by the results, after the last pass. This is the
    // legacy program's rule and is kept on purpose: the listing's coordinates and shifts of such
    // points, and the convergence test (which watches the change of the corrections' squared
    // length, not their size, because these corrections never tend to zero), depend on it.
    void update_free_points() {
        for (int i = 1; i <= job.IB; ++i) {
            if (std::abs(job.KOD1[i]) > 1) {
                continue;
            }
            sol.XO[i] += sol.H(dx_of(i), 1);
            sol.YO[i] += sol.H(dy_of(i), 1);
            sol.ZO[i] += sol.H(dz_of(i), 1);
            sol.HR(dx_of(i), 1) -= sol.H(dx_of(i), 1);
            sol.HR(dy_of(i), 1) -= sol.H(dy_of(i), 1);
            sol.HR(dz_of(i), 1) -= sol.H(dz_of(i), 1);
        }
    }

    void clear_for_next_pass() {
        MADVAL(sol.D, sol.NM, job.NR, 0.0);
        MADVAL(sol.A, sol.NM, 3 * job.IB, 0.0);
        MADVAL(w.G, sol.NP, 3 * job.IB, 0.0);
        MADVAL(w.PP, job.NR, job.NR, 0.0);
        w.IXX = 0;
        w.IX = 0;
        w.IXD = 0;
    }

    const Job& job;
    Solution& sol;
    Work& w;
    const PassChannels& io;
};

}  // namespace

Halt adjust(const Job& job, Solution& sol, Work& w, const PassChannels& io) {
    for (int i = 1; i <= job.IB; ++i) {
        sol.XO[i] = job.XO[i];
        sol.YO[i] = job.YO[i];
        sol.ZO[i] = job.ZO[i];
    }
    return Passes(job, sol, w, io).run();
}

Halt adjust_once(const Job& job, Solution& sol, Work& w, const PassChannels& io) {
    for (int i = 1; i <= job.IB; ++i) {
        sol.XO[i] = job.XO[i];
        sol.YO[i] = job.YO[i];
        sol.ZO[i] = job.ZO[i];
    }
    return Passes(job, sol, w, io).once();
}

}  // namespace kavron
