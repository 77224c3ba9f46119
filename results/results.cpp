// Accuracy statistics, residual summaries, adjusted coordinates, covariance and error ellipsoids.
#include "results/results.hpp"

#include <cmath>

#include "geometry/geometry.hpp"
#include "matrix/matrix.hpp"

namespace kavron {

namespace {

constexpr double kSymmetry = 0.009999999776482582;  // 0.01 as a 4-byte real

// The unit standard deviation and its test against the a-priori value.
void unit_sd(Task& t, Results& res) {
    const int rr = t.NM - t.NN + t.NP;
    res.redundancy = rr;
    res.pvv = t.VVT(1, 1);
    if (rr >= 1) {
        const double m0sq = t.VVT(1, 1) / rr;
        t.MO = std::sqrt(m0sq);
        res.m0 = t.MO;
        res.m0_tested = true;
        const double c = 2.0 / std::sqrt(static_cast<double>(rr));
        const double u = (1.0 + c) * t.MOO;
        const float u4 = static_cast<float>(u);
        if (u4 > t.MO) {
            t.MO = t.MOO;
        }
        res.m0_warning = u < t.MO;
    }
    if (rr < 1) {
        t.MO = t.MOO;
    }
}

// [pv] and the standard deviation of each direction set of three or more non-zero residuals,
// and of all directions.
void direction_summaries(const Task& t, Results& res) {
    double SS1 = 0, SS2 = 0, QX = 0, QY = 0;
    int set_count = 0, total = 0;
    for (int i = 1; i <= t.IS; ++i) {
        const double v = t.V(i, 1), p = t.PPP(1, i);
        if (!(std::fabs(v) > kResidualFloor)) {
            continue;
        }
        QX += v * p;
        QY += v * v * p;
        ++set_count;
        if (i == t.IS || t.INS[i + 1] != t.INS[i]) {
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
    const int f = total - t.IST;
    if (f >= 1) {
        SS2 = std::sqrt(SS2 / f);
        res.all_directions = {true, SS1, SS2};
    }
}

// The same of the measurements first+1..first+count (zenith angles or distances).
Summary kind_summary(const Task& t, int first, int count) {
    double SS1 = 0, SS2 = 0;
    int used = 0;
    for (int i = 1; i <= count; ++i) {
        const int k = first + i;
        const double v = t.V(k, 1), p = t.PPP(1, k);
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

void compute_statistics(Task& t, Results& res) {
    unit_sd(t, res);
    res.MO = t.MO;
    res.passes = t.IIT;

    // Every point takes the last corrections.
    MADSUB(t.HR, t.H, t.HR, t.NN, 1);
    for (int i = 1; i <= t.IB; ++i) {
        t.XO[i] += t.H(3 * i - 2, 1);
        t.YO[i] += t.H(3 * i - 1, 1);
        t.ZO[i] += t.H(3 * i, 1);
        Point& p = res.points[i];
        p.adjusted[0] = t.XO[i];
        p.adjusted[1] = t.YO[i];
        p.adjusted[2] = t.ZO[i];
        for (int a = 0; a < 3; ++a) {
            p.shift[a] = t.HR(3 * i - 2 + a, 1);
        }
    }
    for (int g = 1; g <= t.NR; ++g) {
        res.observations[g].residual = t.V(g, 1);
    }
    if (res.redundancy != 0) {
        direction_summaries(t, res);
        res.zenith_summary = kind_summary(t, t.IS, t.IZ);
        res.distance_summary = kind_summary(t, t.ISZ, t.ID);
    }
    t.QCH = t.MCH * t.MCH / (t.MO * t.MO);
}

void compute_ellipsoids(Task& t, Results& res) {
    const int NN = t.NN;
    for (int i = 1; i <= NN; ++i) {
        for (int j = 1; j <= NN; ++j) {
            t.RD(i, j) = t.R(i, j);
        }
    }
    for (int i = 1; i <= NN; ++i) {
        t.RD(i, i) = t.RD(i, i) + t.QCH;
    }
    for (int i = 1; i <= NN; ++i) {
        for (int j = 1; j <= NN; ++j) {
            res.covariance[i - 1][j - 1] = t.MO * t.MO * t.RD(i, j);
        }
    }
    double TR = 0;
    MADTRE(t.RD, NN, TR);
    res.MXY = t.MO * std::sqrt(std::fabs(TR / NN));

    for (int i = 1; i <= t.IB; ++i) {
        const int idx[3] = {3 * i - 2, 3 * i - 1, 3 * i};
        double block[3][3];
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                block[a][b] = t.RD(idx[a], idx[b]);
            }
        }
        const int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
        for (int k = 0; k < 3; ++k) {
            const int p = idx[pairs[k][0]], q = idx[pairs[k][1]];
            res.points[i].asymmetric[k] = std::fabs(t.RD(p, q) - t.RD(q, p)) > kSymmetry;
        }
        res.points[i].ellipsoid = geo::ellipsoid_of(block, t.MO);
    }
    res.adjusted = true;
}

}  // namespace kavron
