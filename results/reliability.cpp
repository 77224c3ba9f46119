// The residuals of the measurements are a linear function of the measurements: with the
// misclosures L of the equations (their stochastic part D·ℓ, cofactors QI = D P⁻¹ Dᵀ), the
// program's estimate H = MATQ·L gives the residuals of the equations A·H - L = (A·MATQ - I)·L and
// those of the measurements V = DTQ·(A·MATQ - I)·L. So V = W·L with W = DTQ·(A·MATQ - I), and the
// cofactor matrix of V is W·QI·Wᵀ. This holds for the directions too, which enter the adjustment
// as angles: V is each direction's own residual, the same as in a model with one orientation
// unknown per station. A bias ∇ on measurement i moves the estimate by MATQ·D·e_i·∇.
#include "results/reliability.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "geometry/geometry.hpp"

namespace kavron {

namespace {

#include "results/quantiles.inc"

constexpr double kUncontrolled = 0.001;

// The job and the last pass of its adjustment.
struct Adjusted {
    const Job& job;
    const Solution& sol;
};

// The unknowns of the adjustment without the fixed components, in their order, as positions of
// the full list (3i-2, 3i-1, 3i for point i); returns their count.
int free_unknowns(const Adjusted& t, int* full) {
    int n = 0;
    for (int i = 1; i <= t.job.IB; ++i) {
        const geo::Fixed f = geo::fixed_components(t.job.KOD1[i]);
        const bool fixed[3] = {f.x, f.y, f.z};
        for (int a = 0; a < 3; ++a) {
            if (!fixed[a]) {
                full[n++] = 3 * i - 2 + a;
            }
        }
    }
    return n;
}

// The largest 3-D shift of a point that a unit bias of measurement g causes [mm], and that
// point's number.
void effect_of(const Adjusted& t, int g, int nr, const int* full, double& shift, int& point) {
    double dx[3 * JB + 1] = {};
    for (int k = 0; k < nr; ++k) {
        double s = 0;
        for (int e = 1; e <= t.sol.NM; ++e) {
            s += t.sol.MATQ(k + 1, e) * t.sol.D(e, g);
        }
        dx[full[k]] = s;
    }
    shift = 0;
    point = 0;
    for (int i = 1; i <= t.job.IB; ++i) {
        const double* d = &dx[3 * static_cast<std::size_t>(i) - 2];
        const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (len > shift) {
            shift = len;
            point = t.job.IN[i];
        }
    }
}

// The overall figures: the level, the critical values, the chi-squared interval of m0.
void overall(Results& res) {
    Reliability& rel = res.reliability;
    const int r = res.redundancy;
    rel.alpha = kAlpha;
    rel.power = kPower;
    rel.delta0 = kNormalCritical + kNormalPower;
    rel.critical_w = kNormalCritical;
    if (r >= 2) {
        const double tq = kStudent[std::min(r - 1, kMaxDof)];
        rel.has_critical_tau = true;
        rel.critical_tau = std::sqrt(r * tq * tq / (r - 1 + tq * tq));
    }
    if (r >= 1 && res.m0_tested) {
        const int k = std::min(r, kMaxDof);
        rel.has_chi2 = true;
        rel.chi2_low = std::sqrt(kChi2Low[k] / k);
        rel.chi2_high = std::sqrt(kChi2High[k] / k);
        const double ratio = res.m0 / res.MOO;
        rel.chi2_passed = ratio >= rel.chi2_low && ratio <= rel.chi2_high;
        rel.m0_large = ratio > rel.chi2_high;
        rel.m0_small = ratio < rel.chi2_low;
    }
}

// Two figures equal but for the rounding of the computation.
bool same(double a, double b) {
    return std::fabs(a - b) <= 1e-6 * std::max(std::fabs(a), std::fabs(b));
}

// The measurements the data cannot tell from the one with the largest |w|: an equal |w|, or a
// residual fully correlated with its (the two directions of a station with only two, every
// measurement of a network with one redundant measurement). `W` holds the rows of W, `QI` the
// cofactors of the misclosures.
void ties(const Adjusted& t, Results& res, const double (*W)[JM + 1]) {
    Reliability& rel = res.reliability;
    const int s = rel.max_index;
    rel.tied_count = 0;
    if (s == 0) {
        return;
    }
    const auto cofactor = [&](int g, int h) {
        double q = 0;
        for (int e = 1; e <= t.sol.NM; ++e) {
            double x = 0;
            for (int f = 1; f <= t.sol.NM; ++f) {
                x += t.sol.QI(e, f) * W[h][f];
            }
            q += W[g][e] * x;
        }
        return q;
    };
    int found[JR] = {};
    int n = 0;
    for (int g = 1; g <= res.observations_read; ++g) {
        const Reliable& o = rel.of[g];
        if (g == s || !o.controlled) {
            continue;
        }
        const double rho = cofactor(g, s) / std::sqrt(o.qvv * rel.of[s].qvv);
        if (same(std::fabs(o.w), rel.max_w) || std::fabs(rho) >= 1 - 1e-6) {
            found[n++] = g;
        }
    }
    if (n > 0) {
        rel.tied[rel.tied_count++] = s;
        for (int k = 0; k < n; ++k) {
            rel.tied[rel.tied_count++] = found[k];
        }
    }
}

// What the figures come from: an adjustment of measured values, or a plan, whose values are
// not measured (its residuals mean nothing, so nothing that follows from them is computed).
enum class Of { Adjustment, Plan };

// The tests of a controlled measurement g with residual v and weight p, from its qvv and r; of a
// plan only the minimal detectable bias and its effect.
void test_of(const Adjusted& t, Results& res, int g, int nr, const int* full, Of of) {
    Reliability& rel = res.reliability;
    Reliable& o = rel.of[g];
    const double m0_apriori = res.MOO;
    const double p = t.job.PPP(1, g), v = t.sol.V(g, 1);
    effect_of(t, g, nr, full, o.mdb_effect, o.mdb_point);
    o.sd_v = m0_apriori * std::sqrt(o.qvv);
    if (of == Of::Plan) {
        o.mdb = rel.delta0 * m0_apriori / std::sqrt(p * o.r);
        o.mdb_effect *= o.mdb;
        rel.controlled += 1;
        return;
    }
    o.w = v / o.sd_v;
    o.has_tau = rel.m0_large;
    if (o.has_tau) {
        o.tau = v / (res.m0 * std::sqrt(o.qvv));
    }
    o.outlier = o.has_tau && rel.has_critical_tau ? std::fabs(o.tau) > rel.critical_tau
                                                  : std::fabs(o.w) > rel.critical_w;
    o.mdb = rel.delta0 * m0_apriori / std::sqrt(p * o.r);
    o.mdb_effect *= o.mdb;
    o.v_over_r = v / o.r;
    if (res.redundancy >= 2) {
        o.has_m0_without = true;
        o.m0_without = std::sqrt(std::max(res.pvv - v * v * p / o.r, 0.0) / (res.redundancy - 1));
    }
    rel.controlled += 1;
    if (std::fabs(o.w) > rel.max_w) {
        rel.max_w = std::fabs(o.w);
        rel.max_index = g;
    }
}

// Row g of W = DTQ·T (T = A·MATQ - I) into w, and qvv_g = W_g·QI·W_gᵀ.
double qvv_of(const Adjusted& t, int g, const double (*T)[JM + 1], double* w) {
    const int NM = t.sol.NM;
    std::fill(w, w + JM + 1, 0.0);
    for (int f = 1; f <= NM; ++f) {
        double s = 0;
        for (int e = 1; e <= NM; ++e) {
            s += t.sol.DTQ(g, e) * T[e][f];
        }
        w[f] = s;
    }
    double qvv = 0;
    for (int e = 1; e <= NM; ++e) {
        double s = 0;
        for (int f = 1; f <= NM; ++f) {
            s += t.sol.QI(e, f) * w[f];
        }
        qvv += w[e] * s;
    }
    return qvv;
}

}  // namespace

namespace {

void reliability_of(const Job& job, const Solution& sol, Results& res, Of of) {
    const Adjusted t{job, sol};
    Reliability& rel = res.reliability;
    overall(res);
    int full[3 * JB] = {};
    const int nr = free_unknowns(t, full);
    const int NM = t.sol.NM, NR = t.job.NR;
    // W = DTQ·(A·MATQ - I), row by row; then qvv_g = W_g·QI·W_gᵀ.
    double T[JM + 1][JM + 1];
    for (int e = 1; e <= NM; ++e) {
        for (int f = 1; f <= NM; ++f) {
            double s = e == f ? -1.0 : 0.0;
            for (int k = 1; k <= nr; ++k) {
                s += t.sol.A(e, k) * t.sol.MATQ(k, f);
            }
            T[e][f] = s;
        }
    }
    // The rows of W, kept for the ties; static, since the web build's stack is small.
    static double W[JR + 1][JM + 1];
    for (int g = 1; g <= NR; ++g) {
        const double qvv = qvv_of(t, g, T, W[g]);
        Reliable& o = rel.of[g];
        o.qvv = std::max(qvv, 0.0);
        o.r = t.job.PPP(1, g) * o.qvv;
        rel.sum_r += o.r;
        o.controlled = o.r >= kUncontrolled;
        if (o.controlled) {
            test_of(t, res, g, nr, full, of);
        }
    }
    if (of == Of::Adjustment) {
        ties(t, res, W);
    }
    rel.computed = true;
}

}  // namespace

void compute_reliability(const Job& job, const Solution& sol, Results& res) {
    reliability_of(job, sol, res, Of::Adjustment);
}

void compute_plan_reliability(const Job& job, const Solution& sol, Results& res) {
    reliability_of(job, sol, res, Of::Plan);
}

namespace {

// The cubic through the four nodes around x of a table on an even grid.
double cubic(const double* table, int nodes, double from, double step, double x) {
    const double u = (x - from) / step;
    int k = static_cast<int>(u) - 1;
    k = std::clamp(k, 0, nodes - 4);
    const double t = u - k;  // in [1, 2] inside the table
    const double y0 = table[k], y1 = table[k + 1], y2 = table[k + 2], y3 = table[k + 3];
    // Lagrange's form on the nodes 0, 1, 2, 3.
    return y0 * (t - 1) * (t - 2) * (t - 3) / -6.0 + y1 * t * (t - 2) * (t - 3) / 2.0 +
           y2 * t * (t - 1) * (t - 3) / -2.0 + y3 * t * (t - 1) * (t - 2) / 6.0;
}

}  // namespace

bool ratio_interval(double nu, double& low, double& high) {
    constexpr int g_last = kRatioGrids - 1;
    const double last =
        kRatioGridFrom[g_last] + (kRatioGridNodes[g_last] - 1) * kRatioGridStep[g_last];
    if (!(nu >= kRatioGridFrom[0] && nu <= last)) {
        return false;
    }
    int g = 0;
    while (g < g_last && nu >= kRatioGridFrom[g + 1]) {
        ++g;
    }
    low = cubic(kRatioLow + kRatioGridFirst[g], kRatioGridNodes[g], kRatioGridFrom[g],
                kRatioGridStep[g], nu);
    high = cubic(kRatioHigh + kRatioGridFirst[g], kRatioGridNodes[g], kRatioGridFrom[g],
                 kRatioGridStep[g], nu);
    return true;
}

std::vector<VarianceComponent> variance_components(const Results& res) {
    std::vector<VarianceComponent> out;
    const double m0 = res.MOO;
    for (const Kind kind : {Kind::Direction, Kind::Zenith, Kind::Distance}) {
        VarianceComponent c;
        c.kind = kind;
        double vv = 0;  // Σ v² / σ², σ = m0 a priori / √p
        bool present = false;
        for (int g = 1; g <= res.observations_read; ++g) {
            const Observation& o = res.observations[g];
            const Reliable& m = res.reliability.of[g];
            if (o.kind != kind) {
                continue;
            }
            present = true;
            if (!m.controlled) {
                continue;
            }
            ++c.count;
            c.redundancy += m.r;
            vv += o.residual * o.residual * o.weight / (m0 * m0);
        }
        if (!present) {
            continue;
        }
        c.ratio = c.redundancy > 0 ? std::sqrt(vv / c.redundancy) : 0;
        c.has_interval = c.count > 0 && ratio_interval(c.redundancy, c.low, c.high);
        c.passed = c.has_interval && c.ratio >= c.low && c.ratio <= c.high;
        out.push_back(c);
    }
    return out;
}

}  // namespace kavron
