#include "deformation/deformation.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kavron {

namespace {

#include "deformation/f_quantiles.inc"

using Json = nlohmann::json;

// An index of the small matrices here (at most 21 x 21): int arithmetic cannot overflow.
std::size_t ix(int v) {
    return static_cast<std::size_t>(v);
}
using Matrix = std::vector<double>;  // row-major, square unless said

double quantile(int h, int df, double p) {
    h = std::clamp(h, 1, kMaxH);
    df = std::clamp(df, 1, kMaxDf);
    return p == 0.99 ? kF99[h][df] : kF95[h][df];
}

// The datum conditions an epoch's point codes hold: 3 a fixed point, 2 a partly fixed one, 1 a
// direction condition, 4 the Helmert points together (5 without distances).
int conditions_of(const Epoch& e) {
    int n = 0;
    bool helmert = false;
    for (int i = 0; i < e.n; ++i) {
        const int c = std::abs(e.code[i]);
        n += c == 7 ? 3 : c >= 4 && c <= 6 ? 2 : c == 2 ? 1 : 0;
        helmert = helmert || c == 3;
    }
    return n + (helmert ? (e.distances > 0 ? 4 : 5) : 0);
}

// A field that no adjustment of the program can have written: its name and why.
struct Impossible {
    std::string text;
};

// The number at `name` of `j` (whose path in the document is `where`), finite and within
// [lo, hi].
double number_at(const Json& j, const std::string& where, const std::string& name, double lo,
                 double hi) {
    const Json& v = j.at(name);
    const std::string field = where.empty() ? name : where + "." + name;
    if (!v.is_number()) {
        throw Impossible{"pole " + field + " není číslo"};
    }
    const double x = v.get<double>();
    if (!std::isfinite(x) || x < lo || x > hi) {
        throw Impossible{"pole " + field + " je mimo možný rozsah (" + v.dump() + ")"};
    }
    return x;
}

// The whole number at `name` of `j`, within [lo, hi].
int integer_at(const Json& j, const std::string& where, const std::string& name, int lo, int hi) {
    const double x = number_at(j, where, name, lo, hi);
    if (x != std::floor(x)) {
        throw Impossible{"pole " + (where.empty() ? name : where + "." + name) +
                         " není celé číslo (" + j.at(name).dump() + ")"};
    }
    return static_cast<int>(x);
}

// "2026-05-06T09:05:03" into the date and time; false when the text is no such date.
bool date_of_text(const std::string& t, DateTime& d) {
    if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' ||
        t[16] != ':') {
        return false;
    }
    for (const std::size_t k : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}) {
        if (t[k] < '0' || t[k] > '9') {
            return false;
        }
    }
    const auto n = [&](std::size_t at, std::size_t w) { return std::stoi(t.substr(at, w)); };
    d = {n(0, 4), n(5, 2), n(8, 2), n(11, 2), n(14, 2), n(17, 2)};
    return true;
}

// The covariance's own check: symmetric, and no direction of negative variance beyond the
// rounding of its digits.
void check_covariance(const Epoch& e) {
    const int N = 3 * e.n;
    double top = 0;
    for (int i = 0; i < N; ++i) {
        top = std::max(top, std::fabs(e.Q[i][i]));
    }
    const double tolerance = 1e-9 * top + 1e-300;
    std::vector<double> q(ix(N * N));
    for (int i = 0; i < N; ++i) {
        if (e.Q[i][i] < -tolerance) {
            throw Impossible{"kovarianční matice má záporný rozptyl (řádek " +
                             std::to_string(i + 1) + ")"};
        }
        for (int j = 0; j < N; ++j) {
            if (std::fabs(e.Q[i][j] - e.Q[j][i]) > tolerance) {
                throw Impossible{"kovarianční matice není symetrická (řádek " +
                                 std::to_string(i + 1) + ", sloupec " + std::to_string(j + 1) +
                                 ")"};
            }
            q[ix(i * N + j)] = e.Q[i][j];
        }
    }
    std::vector<double> values, vectors;
    symmetric_eigen(q, N, values, vectors);
    if (N > 0 && values[0] < -1e-6 * std::max(top, values[ix(N - 1)])) {
        throw Impossible{"kovarianční matice není pozitivně semidefinitní"};
    }
}

std::optional<std::string> epoch_fields(const Json& doc, Epoch& e) {
    if (!doc.is_object() || doc.value("format", "") != "kavron-results") {
        return "není soubor výsledků programu kavron (--json)";
    }
    if (!doc.at("version").is_number_integer() || doc.at("version").get<long long>() != 1) {
        return "má verzi formátu " + doc.at("version").dump() + ", program čte verzi 1";
    }
    const Json& ending = doc.at("ending");
    if (ending.at("kind") != "normal") {
        return "výpočet nedoběhl (" + ending.at("kind").get<std::string>() + ")";
    }
    e.action = doc.at("job").at("action").get<std::string>();
    const std::string date = doc.at("date");
    if (!date_of_text(date, e.date)) {
        e.date_text = date;
    }
    const Json& st = doc.at("statistics");
    e.MOO = number_at(st, "statistics", "m0_apriori", 1e-6, 1e6);
    e.f = integer_at(st, "statistics", "redundancy", 0, JM);
    e.m0 = st.at("m0").is_null() ? 0.0 : number_at(st, "statistics", "m0", 0, 1e9);
    if (!(e.variance_factor() <= 1e12)) {
        throw Impossible{"m0 je vůči apriorní hodnotě nemožně velké (" + st.at("m0").dump() + ")"};
    }
    const Json& passed = st.at("m0_test_passed");
    e.m0_tested = passed.is_boolean();
    e.m0_failed = e.m0_tested && !passed.get<bool>();
    e.distances = integer_at(doc.at("job").at("counts"), "job.counts", "distances", 0, JD);
    const double MO = number_at(st, "statistics", "m0_used", 1e-9, 1e9);
    const double MCH =
        number_at(doc.at("job").at("apriori"), "job.apriori", "coordinate_sd_mm", 0, 1e9);
    const Json& pts = doc.at("points");
    if (!pts.is_array() || pts.size() > ix(JB)) {
        return "má víc bodů, než program pojme";
    }
    e.n = static_cast<int>(pts.size());
    const Json& cov = doc.at("covariance").at("matrix");
    if (cov.size() != ix(3 * e.n)) {
        return "kovarianční matice nemá rozměr bodů";
    }
    for (int i = 0; i < e.n; ++i) {
        const std::string at = "points[" + std::to_string(i) + "]";
        e.number[i] = integer_at(pts[i], at, "number", -32768, 32767);
        for (int k = 0; k < i; ++k) {
            if (e.number[k] == e.number[i]) {
                throw Impossible{"bod " + std::to_string(e.number[i]) +
                                 " je v poli points dvakrát"};
            }
        }
        e.code[i] = integer_at(pts[i], at, "code", -7, 7);
        const Json& a = pts[i].at("adjusted");
        e.xyz[i][0] = number_at(a, at + ".adjusted", "x", -1e12, 1e12);
        e.xyz[i][1] = number_at(a, at + ".adjusted", "y", -1e12, 1e12);
        e.xyz[i][2] = number_at(a, at + ".adjusted", "z", -1e12, 1e12);
    }
    // The covariance is MO² (R + MCH²/MO²·I): MOO² R is what the comparison wants.
    for (int i = 0; i < 3 * e.n; ++i) {
        if (cov.at(i).size() != ix(3 * e.n)) {
            return "kovarianční matice nemá rozměr bodů";
        }
        for (int j = 0; j < 3 * e.n; ++j) {
            const Json& x = cov.at(i).at(j);
            if (!x.is_number() || !std::isfinite(x.get<double>()) ||
                std::fabs(x.get<double>()) > 1e18) {
                throw Impossible{"kovarianční matice má nemožný prvek (řádek " +
                                 std::to_string(i + 1) + ", sloupec " + std::to_string(j + 1) +
                                 ")"};
            }
            const double c = x.get<double>() - (i == j ? MCH * MCH : 0.0);
            e.Q[i][j] = c * (e.MOO / MO) * (e.MOO / MO);
        }
    }
    check_covariance(e);
    return std::nullopt;
}

// The rows and columns of the set (coordinate indexes) of a.
Matrix part(const Matrix& a, int n, const std::vector<int>& idx) {
    const std::size_t m = idx.size();
    Matrix out(m * m);
    for (std::size_t i = 0; i < m; ++i) {
        for (std::size_t j = 0; j < m; ++j) {
            out[i * m + j] = a[ix(idx[i] * n + idx[j])];
        }
    }
    return out;
}

Matrix product(const Matrix& a, const Matrix& b, int n) {
    Matrix c(a.size(), 0.0);
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < n; ++k) {
            const double x = a[ix(i * n + k)];
            for (int j = 0; j < n; ++j) {
                c[ix(i * n + j)] += x * b[ix(k * n + j)];
            }
        }
    }
    return c;
}

Matrix transposed(const Matrix& a, int n) {
    Matrix t(a.size());
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            t[ix(j * n + i)] = a[ix(i * n + j)];
        }
    }
    return t;
}

// xᵀ Q⁺ x with the pseudo-inverse of rank `rank` (the largest eigenvalues).
double quadratic_pinv(const Matrix& q, const std::vector<double>& x, int rank) {
    const int m = static_cast<int>(x.size());
    std::vector<double> values, vectors;
    symmetric_eigen(q, m, values, vectors);
    double omega = 0;
    for (int k = m - rank; k < m; ++k) {
        if (!(values[ix(k)] > 0)) {
            continue;
        }
        double p = 0;
        for (int i = 0; i < m; ++i) {
            p += vectors[ix(i * m + k)] * x[ix(i)];
        }
        omega += p * p / values[ix(k)];
    }
    return omega;
}

// The common points' displacements and their cofactors in the datum of the stable set.
struct Datum {
    std::vector<double> d;  // 3n
    Matrix Qdd;             // 3n x 3n
};

// G (3n x 4): the translations and the rotation about the vertical at the coordinates of epoch 1,
// centred on the stable points and scaled to about 1.
Matrix datum_basis(const std::vector<std::array<double, 3>>& at, const std::vector<bool>& stable) {
    const int n = static_cast<int>(at.size());
    double cx = 0, cy = 0, s = 0;
    int ns = 0;
    for (int i = 0; i < n; ++i) {
        if (stable[ix(i)]) {
            cx += at[ix(i)][0];
            cy += at[ix(i)][1];
            ++ns;
        }
    }
    cx /= ns;
    cy /= ns;
    for (int i = 0; i < n; ++i) {
        s = std::max({s, std::fabs(at[ix(i)][0] - cx), std::fabs(at[ix(i)][1] - cy)});
    }
    s = s > 0 ? s : 1;
    Matrix G(ix(3 * n * 4), 0.0);
    for (int i = 0; i < n; ++i) {
        const auto& p = at[ix(i)];
        for (int a = 0; a < 3; ++a) {
            G[ix((3 * i + a) * 4 + a)] = 1;
        }
        G[ix((3 * i) * 4 + 3)] = -(p[1] - cy) / s;
        G[ix((3 * i + 1) * 4 + 3)] = (p[0] - cx) / s;
    }
    return G;
}

// (Gᵀ E G)⁻¹ (4 x 4, by Gauss-Jordan with row pivoting) into M[.][4..7].
void inverse_of_gteg(const Matrix& G, int N, const std::vector<bool>& stable, double (&M)[4][8]) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            for (int k = 0; k < N; ++k) {
                if (stable[ix(k / 3)]) {
                    M[r][c] += G[ix(k * 4 + r)] * G[ix(k * 4 + c)];
                }
            }
        }
        M[r][4 + r] = 1;
    }
    for (int p = 0; p < 4; ++p) {
        int best = p;
        for (int r = p + 1; r < 4; ++r) {
            best = std::fabs(M[r][p]) > std::fabs(M[best][p]) ? r : best;
        }
        std::swap(M[p], M[best]);
        const double d = M[p][p];
        for (double& x : M[p]) {
            x /= d;
        }
        for (int r = 0; r < 4; ++r) {
            if (r != p) {
                const double f = M[r][p];
                for (int c = 0; c < 8; ++c) {
                    M[r][c] -= f * M[p][c];
                }
            }
        }
    }
}

// S = I - G (Gᵀ E G)⁻¹ Gᵀ E, E the stable points' coordinates; d = S dx, Q_dd = S Q Sᵀ.
Datum datum_of(const std::vector<std::array<double, 3>>& at, const std::vector<double>& dx,
               const Matrix& Q, const std::vector<bool>& stable) {
    const int N = 3 * static_cast<int>(at.size());
    const Matrix G = datum_basis(at, stable);
    double M[4][8] = {};
    inverse_of_gteg(G, N, stable, M);
    Matrix S(ix(N * N), 0.0);
    for (int i = 0; i < N; ++i) {
        for (int j = 0; j < N; ++j) {
            double x = 0;
            if (stable[ix(j / 3)]) {
                for (int a = 0; a < 4; ++a) {
                    for (int b = 0; b < 4; ++b) {
                        x += G[ix(i * 4 + a)] * M[a][4 + b] * G[ix(j * 4 + b)];
                    }
                }
            }
            S[ix(i * N + j)] = (i == j ? 1.0 : 0.0) - x;
        }
    }
    Datum out;
    out.d.assign(ix(N), 0.0);
    for (int i = 0; i < N; ++i) {
        for (int j = 0; j < N; ++j) {
            out.d[ix(i)] += S[ix(i * N + j)] * dx[ix(j)];
        }
    }
    out.Qdd = product(product(S, Q, N), transposed(S, N), N);
    return out;
}

// The congruence test of the stable set in its own datum.
Congruence test_of(const Datum& dt, const std::vector<bool>& stable, double s0sq, int df,
                   double p) {
    std::vector<int> idx;
    std::vector<double> dB;
    for (std::size_t k = 0; k < dt.d.size(); ++k) {
        if (stable[k / 3]) {
            idx.push_back(static_cast<int>(k));
            dB.push_back(dt.d[k]);
        }
    }
    const int N = static_cast<int>(dt.d.size());
    Congruence c;
    c.h = static_cast<int>(idx.size()) - 4;
    c.omega = quadratic_pinv(part(dt.Qdd, N, idx), dB, c.h);
    c.statistic = c.omega / (c.h * s0sq);
    c.critical = quantile(c.h, df, p);
    c.passed = c.statistic <= c.critical;
    return c;
}

}  // namespace

void symmetric_eigen(std::vector<double> a, int n, std::vector<double>& values,
                     std::vector<double>& vectors) {
    const auto at = [n](int i, int j) { return ix(i * n + j); };
    vectors.assign(ix(n * n), 0.0);
    for (int i = 0; i < n; ++i) {
        vectors[at(i, i)] = 1;
    }
    for (int sweep = 0; sweep < 100; ++sweep) {
        double off = 0;
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n; ++j) {
                off += a[at(i, j)] * a[at(i, j)];
            }
        }
        if (off < 1e-30) {
            break;
        }
        for (int p = 0; p < n; ++p) {
            for (int q = p + 1; q < n; ++q) {
                if (a[at(p, q)] == 0) {
                    continue;
                }
                const double theta = (a[at(q, q)] - a[at(p, p)]) / (2 * a[at(p, q)]);
                const double t =
                    (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (int k = 0; k < n; ++k) {
                    const double akp = a[at(k, p)], akq = a[at(k, q)];
                    a[at(k, p)] = c * akp - s * akq;
                    a[at(k, q)] = s * akp + c * akq;
                }
                for (int k = 0; k < n; ++k) {
                    const double apk = a[at(p, k)], aqk = a[at(q, k)];
                    a[at(p, k)] = c * apk - s * aqk;
                    a[at(q, k)] = s * apk + c * aqk;
                }
                for (int k = 0; k < n; ++k) {
                    const double vkp = vectors[at(k, p)], vkq = vectors[at(k, q)];
                    vectors[at(k, p)] = c * vkp - s * vkq;
                    vectors[at(k, q)] = s * vkp + c * vkq;
                }
            }
        }
    }
    // Ascending, the vectors with them.
    std::vector<int> order(ix(n));
    for (int i = 0; i < n; ++i) {
        order[ix(i)] = i;
    }
    std::sort(order.begin(), order.end(), [&](int x, int y) { return a[at(x, x)] < a[at(y, y)]; });
    values.assign(ix(n), 0.0);
    std::vector<double> sorted(ix(n * n));
    for (int k = 0; k < n; ++k) {
        const int o = order[ix(k)];
        values[ix(k)] = a[at(o, o)];
        for (int i = 0; i < n; ++i) {
            sorted[at(i, k)] = vectors[at(i, o)];
        }
    }
    vectors = sorted;
}

std::optional<std::string> read_epoch(const std::string& bytes, Epoch& e) {
    try {
        const Json doc = Json::parse(bytes);
        return epoch_fields(doc, e);
    } catch (const Impossible& i) {
        return i.text;
    } catch (const Json::parse_error&) {
        return "není platný JSON";
    } catch (const Json::exception&) {
        return "není úplný soubor výsledků programu kavron (--json)";
    }
}

namespace {

std::optional<std::string> usable(const Epoch& e, const char* which) {
    if (e.distances == 0) {
        return std::string("epocha ") + which +
               " nemá měřené délky: její umístění zahrnuje i měřítko, které se se druhou "
               "epochou porovnat nedá";
    }
    if (conditions_of(e) > 4) {
        return std::string("epocha ") + which + " má v umístění sítě víc podmínek (" +
               std::to_string(conditions_of(e)) +
               ") než 4, které síť potřebuje (dva pevné body, pevné a Helmertovy body spolu): "
               "její kovariance se na jiné umístění převést nedá; vyrovnejte ji jako volnou síť "
               "(Helmertovy body) nebo s minimálním umístěním (bod 7 a bod 2)";
    }
    return std::nullopt;
}

// One point's figures in the final datum.
Motion motion_of(const Datum& dt, int j, double s0sq, int df, double p) {
    const int N = static_cast<int>(dt.d.size());
    Motion m;
    std::vector<double> d(3);
    for (int a = 0; a < 3; ++a) {
        d[ix(a)] = m.d[a] = dt.d[ix(3 * j + a)];
    }
    const Matrix q = part(dt.Qdd, N, {3 * j, 3 * j + 1, 3 * j + 2});
    const auto Q = [&](int a, int b) { return q[ix(3 * a + b)]; };
    for (int a = 0; a < 3; ++a) {
        m.sd[a] = std::sqrt(std::max(s0sq * Q(a, a), 0.0));
    }
    m.cxx = s0sq * Q(0, 0);
    m.cxy = s0sq * Q(0, 1);
    m.cyy = s0sq * Q(1, 1);
    m.horizontal = std::sqrt(d[0] * d[0] + d[1] * d[1]);
    m.length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    // The sds of the lengths along their directions (0 for no displacement).
    double vl = 0, vh = 0;
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            if (m.length > 0) {
                vl += d[ix(a)] * Q(a, b) * d[ix(b)];
            }
            if (m.horizontal > 0 && a < 2 && b < 2) {
                vh += d[ix(a)] * Q(a, b) * d[ix(b)];
            }
        }
    }
    m.sd_length = m.length > 0 ? std::sqrt(std::max(s0sq * vl, 0.0)) / m.length : 0;
    m.sd_horizontal = m.horizontal > 0 ? std::sqrt(std::max(s0sq * vh, 0.0)) / m.horizontal : 0;
    std::vector<double> values, vectors;
    symmetric_eigen(q, 3, values, vectors);
    const double top = std::max(values[2], 0.0);
    m.h = 0;
    for (const double v : values) {
        m.h += v > 1e-12 * top && v > 0 ? 1 : 0;
    }
    m.statistic = m.h > 0 ? quadratic_pinv(q, d, m.h) / (m.h * s0sq) : 0;
    m.critical = m.h > 0 ? quantile(m.h, df, p) : 0;
    const double f3 = 3 * quantile(3, df, 0.95);
    for (int k = 0; k < 3; ++k) {
        m.c95[k] = std::sqrt(std::max(values[ix(2 - k)], 0.0) * s0sq * f3);
    }
    return m;
}

}  // namespace

namespace {

// The common points, the stable candidates among them, and their differences.
struct Common {
    int n = 0;
    std::vector<int> i1, i2;                // the points' positions in each epoch
    std::vector<bool> B;                    // stable candidates
    std::vector<std::array<double, 3>> at;  // epoch 1's coordinates
    std::vector<double> dx;                 // x2 - x1
    Matrix Q;                               // Q1 + Q2
};

std::optional<std::string> common_of(const Epoch& e1, const Epoch& e2,
                                     const std::vector<int>& stable, Common& c) {
    for (int i = 0; i < e1.n; ++i) {
        for (int k = 0; k < e2.n; ++k) {
            if (e1.number[i] == e2.number[k]) {
                c.i1.push_back(i);
                c.i2.push_back(k);
            }
        }
    }
    c.n = static_cast<int>(c.i1.size());
    if (c.n < 2) {
        return std::string("epochy mají společné méně než dva body");
    }
    c.B.assign(ix(c.n), stable.empty());
    for (const int s : stable) {
        bool found = false;
        for (int j = 0; j < c.n; ++j) {
            if (e1.number[c.i1[ix(j)]] == s) {
                c.B[ix(j)] = found = true;
            }
        }
        if (!found) {
            return "bod " + std::to_string(s) + " z --stable není společný bod obou epoch";
        }
    }
    if (std::count(c.B.begin(), c.B.end(), true) < 2) {
        return std::string("stabilní musí být aspoň dva body");
    }
    return std::nullopt;
}

void differences(const Epoch& e1, const Epoch& e2, Common& c) {
    const int n = c.n, N = 3 * n;
    c.at.assign(ix(n), {});
    c.dx.assign(ix(N), 0.0);
    c.Q.assign(ix(N * N), 0.0);
    for (int j = 0; j < n; ++j) {
        const int p = c.i1[ix(j)], q = c.i2[ix(j)];
        for (int a = 0; a < 3; ++a) {
            c.at[ix(j)][ix(a)] = e1.xyz[p][a];
            c.dx[ix(3 * j + a)] = e2.xyz[q][a] - e1.xyz[p][a];
        }
        for (int k = 0; k < n; ++k) {
            const int r1 = c.i1[ix(k)], r2 = c.i2[ix(k)];
            for (int a = 0; a < 3; ++a) {
                for (int b = 0; b < 3; ++b) {
                    c.Q[ix((3 * j + a) * N + 3 * k + b)] =
                        e1.Q[3 * p + a][3 * r1 + b] + e2.Q[3 * q + a][3 * r2 + b];
                }
            }
        }
    }
}

// Two epochs of one network differ in their common points by millimetres, or by what a point
// moved; a difference of a tenth of the network's size (and over 0.1 m) says that the files
// are of two networks that share point numbers.
std::optional<std::string> same_network(const Epoch& e1, const Common& c) {
    double extent = 0, most = 0;
    int far = 0;
    for (int j = 0; j < c.n; ++j) {
        const auto& a = c.at[ix(j)];
        for (int k = 0; k < j; ++k) {
            const auto& b = c.at[ix(k)];
            extent = std::max(
                extent, std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                                  (a[2] - b[2]) * (a[2] - b[2])));
        }
        const double* d = &c.dx[ix(3 * j)];
        const double shift = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (shift > most) {
            most = shift;
            far = e1.number[c.i1[ix(j)]];
        }
    }
    if (most > 100.0 && most > 0.1 * extent) {
        char b[160];
        std::snprintf(b, sizeof b, " by se posunul o %.1f m při rozměru sítě %.1f m", most / 1000,
                      extent / 1000);
        return "epochy asi nejsou táž síť: společný bod " + std::to_string(far) + b +
               "; porovnávejte výsledky téže sítě";
    }
    return std::nullopt;
}

// The pooled variance factor and the test of the epochs' equal precision.
void precision(const Epoch& e1, const Epoch& e2, Deformation& out) {
    const bool first_larger = e1.variance_factor() >= e2.variance_factor();
    const Epoch& a = first_larger ? e1 : e2;
    const Epoch& b = first_larger ? e2 : e1;
    if (a.f > 0 && b.f > 0 && b.variance_factor() > 0) {
        out.precision_statistic = a.variance_factor() / b.variance_factor();
        out.precision_critical = kF975[std::min(a.f, kMaxEpochDf)][std::min(b.f, kMaxEpochDf)];
        out.precision_passed = out.precision_statistic <= out.precision_critical;
    } else {
        out.precision_passed = true;
    }
}

// While the stable set fails its test and more than two remain: the point whose removal leaves
// the smallest Ω has moved.
void localise(const Common& c, std::vector<bool>& B, double s0sq, double p, const Epoch& e1,
              Deformation& out) {
    bool passed = out.global.passed;
    while (!passed && std::count(B.begin(), B.end(), true) > 2) {
        Congruence best;
        int best_j = -1;
        for (int j = 0; j < c.n; ++j) {
            if (!B[ix(j)]) {
                continue;
            }
            std::vector<bool> without = B;
            without[ix(j)] = false;
            const Congruence t =
                test_of(datum_of(c.at, c.dx, c.Q, without), without, s0sq, out.df, p);
            if (best_j < 0 || t.omega < best.omega) {
                best = t;
                best_j = j;
            }
        }
        B[ix(best_j)] = false;
        best.removed = e1.number[c.i1[ix(best_j)]];
        out.steps.push_back(best);
        passed = best.passed;
    }
}

}  // namespace

std::optional<std::string> compare_epochs(const Epoch& e1, const Epoch& e2,
                                          const std::vector<int>& stable, double alpha,
                                          Deformation& out) {
    for (const auto& [e, which] : {std::pair{&e1, "1"}, std::pair{&e2, "2"}}) {
        if (auto r = usable(*e, which)) {
            return r;
        }
    }
    if (e1.f + e2.f == 0) {
        return std::string("žádná epocha nemá nadbytečná měření: přesnost nelze odhadnout");
    }
    Common c;
    if (auto r = common_of(e1, e2, stable, c)) {
        return r;
    }
    out.e1 = e1;
    out.e2 = e2;
    out.alpha = alpha;
    out.df = e1.f + e2.f;
    const double s0sq = (e1.f * e1.variance_factor() + e2.f * e2.variance_factor()) / out.df;
    if (!(s0sq > 0)) {
        return std::string("m0 obou epoch je nulové: přesnost nelze odhadnout");
    }
    out.s0 = std::sqrt(s0sq);
    out.ellipse95 = 2 * quantile(2, out.df, 0.95);
    precision(e1, e2, out);
    differences(e1, e2, c);
    if (auto r = same_network(e1, c)) {
        return r;
    }
    const double p = 1 - alpha;
    std::vector<bool> B = c.B;
    out.global = test_of(datum_of(c.at, c.dx, c.Q, B), B, s0sq, out.df, p);
    localise(c, B, s0sq, p, e1, out);
    // A stable set that still fails its test cannot be a datum that tells moved points apart.
    out.undecided = !(out.steps.empty() ? out.global.passed : out.steps.back().passed);
    const Datum dt = datum_of(c.at, c.dx, c.Q, B);
    for (int j = 0; j < c.n; ++j) {
        Motion m = motion_of(dt, j, s0sq, out.df, p);
        m.number = e1.number[c.i1[ix(j)]];
        m.candidate = c.B[ix(j)];
        m.stable = B[ix(j)];
        m.moved = !out.undecided &&
                  ((m.candidate && !m.stable) || (!m.candidate && m.statistic > m.critical));
        if (m.stable) {
            out.stable_points.push_back(m.number);
        }
        if (m.moved) {
            out.moved_points.push_back(m.number);
        }
        out.points.push_back(m);
    }
    return std::nullopt;
}

}  // namespace kavron
