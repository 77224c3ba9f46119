// Accuracy statistics, residual summaries, adjusted coordinates, covariance and error ellipsoids.
#include "results/results.hpp"

#include <cmath>

#include "geometry/geometry.hpp"
#include "matrix/matrix.hpp"

namespace kavron {

namespace {

constexpr double kSymmetry = 0.009999999776482582;  // 0.01 as a 4-byte real

// The unit standard deviation and its test against the a-priori value; MO, the one in use from
// here on.
void unit_sd(const Job& job, const Solution& sol, Results& res) {
    const int rr = sol.NM - sol.NN + sol.NP;
    res.redundancy = rr;
    res.pvv = sol.VVT(1, 1);
    double MO = 0;
    if (rr >= 1) {
        const double m0sq = sol.VVT(1, 1) / rr;
        MO = std::sqrt(m0sq);
        res.m0 = MO;
        res.m0_tested = true;
        const double c = 2.0 / std::sqrt(static_cast<double>(rr));
        const double u = (1.0 + c) * job.MOO;
        const float u4 = static_cast<float>(u);
        if (u4 > MO) {
            MO = job.MOO;
        }
        res.m0_warning = u < MO;
    }
    if (rr < 1) {
        MO = job.MOO;
    }
    res.MO = MO;
}

// [pv] and the standard deviation of each direction set of three or more non-zero residuals,
// and of all directions.
void direction_summaries(const Job& job, const Solution& sol, Results& res) {
    double SS1 = 0, SS2 = 0, QX = 0, QY = 0;
    int set_count = 0, total = 0;
    for (int i = 1; i <= job.IS; ++i) {
        const double v = sol.V(i, 1), p = job.PPP(1, i);
        if (!(std::fabs(v) > kResidualFloor)) {
            continue;
        }
        QX += v * p;
        QY += v * v * p;
        ++set_count;
        if (i == job.IS || job.INS[i + 1] != job.INS[i]) {
            if (set_count >= 3) {
                QY = std::sqrt(QY / (set_count - 1));
                res.set_after[i] = {true, QX, QY};
            }
            QX = 0;
            QY = 0;
            set_count = 0;
        }
        ++total;
        SS1 += v * p;
        SS2 += v * v * p;
    }
    const int f = total - sol.IST;
    if (f >= 1) {
        SS2 = std::sqrt(SS2 / f);
        res.all_directions = {true, SS1, SS2};
    }
}

// The same of the measurements first+1..first+count (zenith angles or distances).
Summary kind_summary(const Job& job, const Solution& sol, int first, int count) {
    double SS1 = 0, SS2 = 0;
    int used = 0;
    for (int i = 1; i <= count; ++i) {
        const int k = first + i;
        const double v = sol.V(k, 1), p = job.PPP(1, k);
        if (std::fabs(v) > kResidualFloor) {
            ++used;
            SS1 += v * p;
            SS2 += v * v * p;
        }
    }
    if (count >= 2 && used > 1) {
        SS2 = std::sqrt(SS2 / (used - 1));
        return {true, SS1, SS2};
    }
    return {};
}

}  // namespace

void take_job(const Job& job, Results& res) {
    if (job.action_read) {
        res.action = job.ZAH;
        res.UU = job.UU;
        res.UD = job.UD;
        res.UZ = job.UZ;
        res.MOO = job.MOO;
        res.MCH = job.MCH;
    }
    res.points_read = job.IB;
    for (int i = 1; i <= job.IB; ++i) {
        Point& p = res.points[i];
        p.number = job.IN[i];
        p.code = job.KOD1[i];
        p.approx[0] = job.XO[i];
        p.approx[1] = job.YO[i];
        p.approx[2] = job.ZO[i];
    }
    for (int g = 1; g <= job.stored(); ++g) {
        res.observations[g] = {job.kind(g),  job.INS[g],    job.INC[g],
                               job.value[g], job.PPP(1, g), 0.0};
    }
    res.observations_read = job.NR;
    res.directions = job.IS;
    res.zeniths = job.IZ;
    res.distances = job.ID;
    res.warnings = job.warnings;
}

void compute_statistics(const Job& job, const Solution& sol, Results& res) {
    unit_sd(job, sol, res);
    res.passes = sol.IIT;

    // Every point takes the last corrections.
    for (int i = 1; i <= job.IB; ++i) {
        Point& p = res.points[i];
        p.adjusted[0] = sol.XO[i] + sol.H(3 * i - 2, 1);
        p.adjusted[1] = sol.YO[i] + sol.H(3 * i - 1, 1);
        p.adjusted[2] = sol.ZO[i] + sol.H(3 * i, 1);
        for (int a = 0; a < 3; ++a) {
            p.shift[a] = sol.HR(3 * i - 2 + a, 1) - sol.H(3 * i - 2 + a, 1);
        }
    }
    for (int g = 1; g <= job.NR; ++g) {
        res.observations[g].residual = sol.V(g, 1);
    }
    if (res.redundancy != 0) {
        direction_summaries(job, sol, res);
        res.zenith_summary = kind_summary(job, sol, job.IS, job.IZ);
        res.distance_summary = kind_summary(job, sol, job.ISZ, job.ID);
    }
}

void compute_ellipsoids(const Job& job, const Solution& sol, Results& res) {
    const double MO = res.MO;
    const double QCH = job.MCH * job.MCH / (MO * MO);  // the coordinates' variance in cofactors
    const int NN = sol.NN;
    Mat<kUnknowns, kUnknowns> RD;  // the cofactors of the coordinates
    for (int i = 1; i <= NN; ++i) {
        for (int j = 1; j <= NN; ++j) {
            RD(i, j) = sol.R(i, j);
        }
    }
    for (int i = 1; i <= NN; ++i) {
        RD(i, i) = RD(i, i) + QCH;
    }
    for (int i = 1; i <= NN; ++i) {
        for (int j = 1; j <= NN; ++j) {
            res.covariance[i - 1][j - 1] = MO * MO * RD(i, j);
        }
    }
    double TR = 0;
    MADTRE(RD, NN, TR);
    res.MXY = MO * std::sqrt(std::fabs(TR / NN));

    for (int i = 1; i <= job.IB; ++i) {
        const int idx[3] = {3 * i - 2, 3 * i - 1, 3 * i};
        double block[3][3];
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                block[a][b] = RD(idx[a], idx[b]);
            }
        }
        const int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
        for (int k = 0; k < 3; ++k) {
            const int p = idx[pairs[k][0]], q = idx[pairs[k][1]];
            res.points[i].asymmetric[k] = std::fabs(RD(p, q) - RD(q, p)) > kSymmetry;
        }
        res.points[i].ellipsoid = geo::ellipsoid_of(block, MO);
    }
    res.adjusted = true;
}

}  // namespace kavron
