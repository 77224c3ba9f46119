#pragma once
// The tests' own Gauss-Markov adjustment, written from the definitions (not from the program's
// code): from a run's JSON document (its points, measurements and residuals) the redundancy
// numbers and normalized residuals of every measurement.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <map>
#include <vector>

#include "network.hpp"

namespace kavron::test {

using Json = nlohmann::json;

// The inverse of a symmetric positive definite matrix by Gauss-Jordan elimination on [A | I].
inline std::vector<std::vector<double>> spd_inverse(std::vector<std::vector<double>> a) {
    const std::size_t n = a.size();
    std::vector<std::vector<double>> inv(n, std::vector<double>(n, 0.0));
    for (std::size_t i = 0; i < n; ++i) {
        inv[i][i] = 1.0;
    }
    for (std::size_t p = 0; p < n; ++p) {
        const double d = a[p][p];
        EXPECT_GT(d, 0.0) << "the normal matrix is singular";
        for (std::size_t j = 0; j < n; ++j) {
            a[p][j] /= d;
            inv[p][j] /= d;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const double f = i == p ? 0.0 : a[i][p];
            for (std::size_t j = 0; j < n; ++j) {
                a[i][j] -= f * a[p][j];
                inv[i][j] -= f * inv[p][j];
            }
        }
    }
    return inv;
}

// Redundancy numbers and normalized residuals of the Gauss-Markov model: unknowns are the
// coordinates that the point codes leave free and one orientation per direction set (a run of
// directions from one station); the datum conditions of the codes (the Helmert rows and the
// direction condition) are observations of weight 1. Linearized where the program's last pass
// was: adjusted coordinates for free points (codes 0 and 1), the input ones for the others.
struct Model {
    std::vector<double> r, w;
};

// The points of the model: positions by number, where each is linearized, the approximate
// coordinates, the codes and the columns of the free coordinates; then the orientation columns.
struct Net {
    std::map<int, int> pos;
    std::vector<std::array<double, 3>> at, approx;
    std::vector<int> code;
    std::vector<std::array<int, 3>> col;
    int cols = 0;
};

inline Net net_of(const Json& pts) {
    const int n = static_cast<int>(pts.size());
    Net net{{},
            std::vector<std::array<double, 3>>(n),
            std::vector<std::array<double, 3>>(n),
            std::vector<int>(n),
            std::vector<std::array<int, 3>>(n, {-1, -1, -1}),
            0};
    for (int i = 0; i < n; ++i) {
        net.pos[pts[i]["number"]] = i;
        net.code[i] = std::abs(pts[i]["code"].get<int>());
        const Json& a = pts[i]["approximate"];
        net.approx[i] = {a["x"], a["y"], a["z"]};
        const Json& c = net.code[i] <= 1 ? pts[i]["adjusted"] : a;
        net.at[i] = {c["x"], c["y"], c["z"]};
    }
    for (int i = 0; i < n; ++i) {
        const int k = net.code[i];
        for (int a = 0; a < 3; ++a) {
            const bool fixed =
                k == 7 || (k == 4 && a < 2) || (k == 5 && a > 0) || (k == 6 && a != 1);
            if (!fixed) {
                net.col[i][a] = net.cols++;
            }
        }
    }
    return net;
}

struct Rows {
    std::vector<std::vector<double>> rows;
    std::vector<double> weights;
    bool distances = false;
};

// The row of measurement g; `set` is the orientation column of a direction.
inline std::vector<double> measurement_row(const Net& net, const Json& o, int set, bool& distance) {
    std::vector<double> row(net.cols, 0.0);
    const int s = net.pos.at(o["station"]), t = net.pos.at(o["target"]);
    const auto& at = net.at;
    const double dx = at[t][0] - at[s][0], dy = at[t][1] - at[s][1], dz = at[t][2] - at[s][2];
    const double h2 = dx * dx + dy * dy, h = std::sqrt(h2), s2 = h2 + dz * dz;
    double d[3] = {};  // derivatives by the target's x, y, z
    if (o["kind"] == "direction") {
        d[0] = -kRO * dy / h2;
        d[1] = kRO * dx / h2;
        row[set] = -1.0;
    } else if (o["kind"] == "zenith_angle") {
        d[0] = kRO * dz * dx / (h * s2);
        d[1] = kRO * dz * dy / (h * s2);
        d[2] = -kRO * h / s2;
    } else {
        distance = true;
        const double len = std::sqrt(s2);
        d[0] = dx / len;
        d[1] = dy / len;
        d[2] = dz / len;
    }
    for (int a = 0; a < 3; ++a) {
        if (net.col[t][a] >= 0) {
            row[net.col[t][a]] += d[a];
        }
        if (net.col[s][a] >= 0) {
            row[net.col[s][a]] -= d[a];
        }
    }
    return row;
}

// The measurements' rows, one orientation column added for each direction set.
inline Rows measurement_rows(Net& net, const Json& obs) {
    std::vector<int> set(obs.size(), -1);
    int prev_station = -1;
    for (std::size_t g = 0; g < obs.size(); ++g) {
        if (obs[g]["kind"] == "direction") {
            if (obs[g]["station"] != prev_station || g == 0) {
                ++net.cols;
            }
            set[g] = net.cols - 1;
            prev_station = obs[g]["station"];
        }
    }
    Rows m;
    for (std::size_t g = 0; g < obs.size(); ++g) {
        m.rows.push_back(measurement_row(net, obs[g], set[g], m.distances));
        m.weights.push_back(obs[g]["weight"]);
    }
    return m;
}

// The datum conditions of the codes, as observations of weight 1: a direction condition for a
// point of code 2, the Helmert rows when a point has code 3.
inline void datum_rows(const Net& net, Rows& m) {
    const int n = static_cast<int>(net.code.size());
    const auto& approx = net.approx;
    double rc = 0;
    for (int i = 0; i < n; ++i) {
        rc += std::fabs(approx[i][1]) + std::fabs(approx[i][0]);
    }
    rc /= 3.0 * n;
    std::vector<std::vector<double>> helmert(m.distances ? 4 : 5,
                                             std::vector<double>(net.cols, 0.0));
    bool any_helmert = false;
    const auto put = [&](std::vector<double>& row, int i, int a, double v) {
        if (net.col[i][a] >= 0) {
            row[net.col[i][a]] += v;
        }
    };
    for (int i = 0; i < n; ++i) {
        if (net.code[i] == 3) {
            any_helmert = true;
            put(helmert[0], i, 0, 1.0);
            put(helmert[1], i, 1, 1.0);
            put(helmert[2], i, 2, 1.0);
            put(helmert[3], i, 0, -approx[i][1] / rc);
            put(helmert[3], i, 1, approx[i][0] / rc);
            if (!m.distances) {
                put(helmert[4], i, 1, approx[i][0] / rc);
                put(helmert[4], i, 2, approx[i][1] / rc);
            }
        } else if (net.code[i] == 2) {
            int ref = 0;
            while (net.code[ref] != 7) {
                ++ref;
            }
            const double dx = approx[i][0] - approx[ref][0], dy = approx[i][1] - approx[ref][1];
            const double len = std::hypot(dx, dy);
            std::vector<double> row(net.cols, 0.0);
            put(row, i, 0, -dy / len);
            put(row, i, 1, dx / len);
            m.rows.push_back(row);
            m.weights.push_back(1.0);
        }
    }
    for (auto& row : any_helmert ? helmert : std::vector<std::vector<double>>{}) {
        m.rows.push_back(row);
        m.weights.push_back(1.0);
    }
}

inline Model gauss_markov(const Json& doc) {
    Net net = net_of(doc["points"]);
    const Json& obs = doc["observations"];
    Rows m = measurement_rows(net, obs);
    datum_rows(net, m);
    const int cols = net.cols;
    const auto& rows = m.rows;
    const auto& weights = m.weights;
    std::vector<std::vector<double>> N(cols, std::vector<double>(cols, 0.0));
    for (std::size_t k = 0; k < rows.size(); ++k) {
        for (int i = 0; i < cols; ++i) {
            for (int j = 0; j < cols; ++j) {
                N[i][j] += rows[k][i] * weights[k] * rows[k][j];
            }
        }
    }
    // The estimate is x = M Aᵀ P ℓ with M the inverse of the normal matrix, the datum rows in it;
    // only the measurements ℓ are random: v = S ℓ with S = A M Aᵀ P - I, and the cofactor of v_g
    // is Σ_k S_gk² / p_k. With a datum that is just complete this is 1/p - a M aᵀ.
    const auto M = spd_inverse(N);
    const std::size_t nobs = obs.size();
    std::vector<std::vector<double>> AM(nobs, std::vector<double>(cols, 0.0));
    for (std::size_t g = 0; g < nobs; ++g) {
        for (int j = 0; j < cols; ++j) {
            for (int i = 0; i < cols; ++i) {
                AM[g][j] += rows[g][i] * M[i][j];
            }
        }
    }
    Model model;
    const double moo = doc["job"]["apriori"]["unit_sd"];
    for (std::size_t g = 0; g < nobs; ++g) {
        double qvv = 0;
        for (std::size_t k = 0; k < nobs; ++k) {
            double sgk = g == k ? -1.0 : 0.0;
            for (int j = 0; j < cols; ++j) {
                sgk += AM[g][j] * rows[k][j] * weights[k];
            }
            qvv += sgk * sgk / weights[k];
        }
        model.r.push_back(weights[g] * qvv);
        const double v = obs[g]["residual"];
        model.w.push_back(model.r.back() >= 0.001 ? v / (moo * std::sqrt(qvv)) : 0.0);
    }
    return model;
}

}  // namespace kavron::test
