// The reliability analysis: its redundancy numbers and normalized residuals against an
// independent computation, a Gauss-Markov model with one orientation unknown per direction set
// written here from the definitions (not from the program's code); hand-worked small networks;
// and the suspect of networks with one gross error put in.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "harness.hpp"
#include "network.hpp"
#include "planning/design.hpp"
#include "reports/reports.hpp"

namespace kavron {
namespace {

using Json = nlohmann::json;
using test::lines_of;
using test::slurp;

// A run with --json; the document.
Json run_json(const std::string& input, const std::vector<std::string>& script) {
    return Json::parse(test::run_with_json(input, script).json);
}

Json run_example(const std::string& name) {
    const std::filesystem::path ex = KAVRON_EXAMPLES;
    std::vector<std::string> script = lines_of(slurp(ex / (name + ".konzole")));
    script.at(2) = "in.txt";
    return run_json(slurp(ex / (name + ".txt")), script);
}

// The inverse of a symmetric positive definite matrix by Gauss-Jordan elimination on [A | I].
std::vector<std::vector<double>> spd_inverse(std::vector<std::vector<double>> a) {
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

Net net_of(const Json& pts) {
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
std::vector<double> measurement_row(const Net& net, const Json& o, int set, bool& distance) {
    std::vector<double> row(net.cols, 0.0);
    const int s = net.pos.at(o["station"]), t = net.pos.at(o["target"]);
    const auto& at = net.at;
    const double dx = at[t][0] - at[s][0], dy = at[t][1] - at[s][1], dz = at[t][2] - at[s][2];
    const double h2 = dx * dx + dy * dy, h = std::sqrt(h2), s2 = h2 + dz * dz;
    double d[3] = {};  // derivatives by the target's x, y, z
    if (o["kind"] == "direction") {
        d[0] = -test::kRO * dy / h2;
        d[1] = test::kRO * dx / h2;
        row[set] = -1.0;
    } else if (o["kind"] == "zenith_angle") {
        d[0] = test::kRO * dz * dx / (h * s2);
        d[1] = test::kRO * dz * dy / (h * s2);
        d[2] = -test::kRO * h / s2;
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
Rows measurement_rows(Net& net, const Json& obs) {
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
void datum_rows(const Net& net, Rows& m) {
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

Model gauss_markov(const Json& doc) {
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

class Shipped : public ::testing::TestWithParam<const char*> {};

TEST_P(Shipped, RedundanciesAndNormalizedResidualsAgreeWithAGaussMarkovModel) {
    const Json doc = run_example(GetParam());
    const Model m = gauss_markov(doc);
    const Json& obs = doc["observations"];
    double sum = 0;
    for (std::size_t g = 0; g < obs.size(); ++g) {
        EXPECT_NEAR(obs[g]["redundancy"].get<double>(), m.r[g], 1e-6) << GetParam() << " " << g;
        if (obs[g]["redundancy"].get<double>() >= 0.001) {
            EXPECT_NEAR(obs[g]["normalized_residual"].get<double>(), m.w[g], 1e-6)
                << GetParam() << " " << g;
        }
        sum += m.r[g];
    }
    EXPECT_NEAR(doc["reliability"]["sum_redundancy"].get<double>(), sum, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Examples, Shipped,
                         ::testing::Values("mikrosit", "helmert", "castecne", "nejvetsi"));

// The design of an input studied as a plan: its redundancy numbers and MDBs are the model's at
// the approximate coordinates, where the design linearizes.
class ShippedPlan : public ::testing::TestWithParam<const char*> {};

TEST_P(ShippedPlan, DesignAgreesWithTheGaussMarkovModelAtTheApproximateCoordinates) {
    const std::filesystem::path ex = KAVRON_EXAMPLES;
    test::LoadedJob lj(slurp(ex / (std::string(GetParam()) + ".txt")));
    ASSERT_TRUE(lj.ok);
    const auto plan = std::make_unique<Plan>();
    const auto dw = std::make_unique<DesignWork>();
    std::string said;
    ASSERT_FALSE(design(*lj.job, {}, *plan, *dw, said));
    Json doc = Json::parse(design_json(*plan));
    for (Json& p : doc["points"]) {
        p["adjusted"] = p["approximate"];
    }
    for (Json& o : doc["observations"]) {
        o["residual"] = 0.0;
    }
    const Model m = gauss_markov(doc);
    const Json& obs = doc["observations"];
    const double moo = doc["job"]["apriori"]["unit_sd"];
    const double delta0 = 3.2905267314919255 + 0.8416212335729143;  // alpha 0.1 %, power 80 %
    for (std::size_t g = 0; g < obs.size(); ++g) {
        const double r = obs[g]["redundancy"];
        EXPECT_NEAR(r, m.r[g], 1e-6) << GetParam() << " " << g;
        if (m.r[g] >= 0.001) {
            const double p = obs[g]["weight"];
            EXPECT_NEAR(obs[g]["mdb"].get<double>(), delta0 * moo / std::sqrt(p * m.r[g]),
                        1e-6 * obs[g]["mdb"].get<double>())
                << GetParam() << " " << g;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, ShippedPlan,
                         ::testing::Values("mikrosit", "helmert", "castecne", "nejvetsi", "navrh"));

}  // namespace
}  // namespace kavron

namespace kavron {
namespace {

const std::vector<std::string> kNames = {"err.txt", "out.txt", "in.txt"};

// Two fixed points on the y axis and between them a point whose y alone is unknown: two
// distances A-P and P-B of weights 1 and 3 share the one unknown (r = 3/4 and 1/4: the cofactor
// of a residual is 1/p - 1/(p1 + p2)); the distance A-B between the fixed points has r = 1.
TEST(Reliability, HandWorkedLineOfThreePoints) {
    const Json doc = run_json(
        "'line'\n1 1 1 1 0\n1 7 0 0 0\n2 6 0 40000 0\n3 7 0 100000 0\n-1\n-1\n-1\n"
        "1 2 40003 1\n2 3 59999 3\n1 3 100000.5 2\n-1\n",
        kNames);
    const Json& obs = doc["observations"];
    ASSERT_EQ(obs.size(), 3U);
    EXPECT_NEAR(obs[0]["redundancy"].get<double>(), 0.75, 1e-12);
    EXPECT_NEAR(obs[1]["redundancy"].get<double>(), 0.25, 1e-12);
    EXPECT_NEAR(obs[2]["redundancy"].get<double>(), 1.0, 1e-12);
    EXPECT_NEAR(doc["reliability"]["sum_redundancy"].get<double>(), 2.0, 1e-12);
    EXPECT_EQ(doc["statistics"]["redundancy"], 2);
    // The misclosures 3 (A-P) and -1 (P-B) give dy = (1·3 + 3·1) / 4 = 1.5: v1 = -1.5, v2 = -0.5.
    EXPECT_NEAR(obs[0]["residual"].get<double>(), -1.5, 1e-9);
    EXPECT_NEAR(obs[1]["residual"].get<double>(), -0.5, 1e-9);
    // sd_v = m0 a priori √qvv with qvv = r/p; w = v / sd_v; v/r.
    EXPECT_NEAR(obs[0]["sd_residual"].get<double>(), std::sqrt(0.75), 1e-12);
    EXPECT_NEAR(obs[1]["normalized_residual"].get<double>(), -0.5 / std::sqrt(0.25 / 3), 1e-9);
    // v/r = -2: P-B puts P at 40001, so A-P should be 40001, not 40003.
    EXPECT_NEAR(obs[0]["v_over_r"].get<double>(), -2.0, 1e-9);
    // MDB = δ0 m0 / √(p r) and its effect on P: a bias b of A-P moves y_P by b·p1/(p1+p2).
    const double delta0 = doc["reliability"]["delta0"];
    EXPECT_NEAR(delta0, 3.2905267 + 0.8416212, 1e-6);
    EXPECT_NEAR(obs[0]["mdb"].get<double>(), delta0 / std::sqrt(0.75), 1e-9);
    EXPECT_NEAR(obs[0]["mdb_effect_mm"].get<double>(), delta0 / std::sqrt(0.75) / 4, 1e-9);
    EXPECT_EQ(obs[0]["mdb_effect_point"], 2);
}

TEST(Reliability, ADistanceMeasuredTwiceHasRedundancyOneHalfEach) {
    const Json doc = run_json(
        "'twice'\n1 1 1 1 0\n1 7 0 0 0\n2 6 0 40000 0\n-1\n-1\n-1\n"
        "1 2 40003 2\n1 2 40001 2\n-1\n",
        kNames);
    for (const Json& o : doc["observations"]) {
        EXPECT_NEAR(o["redundancy"].get<double>(), 0.5, 1e-12);
    }
    // m0 without one of them: [pvv] - v²p/r over r - 1 = 0 degrees of freedom is not formed.
    EXPECT_TRUE(doc["observations"][0]["m0_without"].is_null());
}

// One gross error in an otherwise exact network: whenever its normalized residual exceeds the
// critical value, it is the largest, so the report names it.
TEST(Reliability, TheSuspectIsTheMeasurementWithTheGrossError) {
    int named = 0;
    for (int g = 0; g < 50; g += 3) {  // 20 directions, 20 zenith angles, 10 distances
        test::Network n = test::five_points(7, 2, 0, 0, 0);
        n.observe_all();
        n.moo = 2.0;
        // Measurement g of the input order: directions, zenith angles, distances.
        const std::size_t d = n.dirs.size(), z = n.zeniths.size();
        const std::size_t k = static_cast<std::size_t>(g);
        ASSERT_LT(k, d + z + n.dists.size());
        auto& s = k < d ? n.dirs[k] : k < d + z ? n.zeniths[k - d] : n.dists[k - d - z];
        s.blunder = k < d + z ? 60.0 : 25.0;
        s.weight = 1.5;
        const Json doc = run_json(n.text(), kNames);
        const Json& o = doc["observations"][k];
        ASSERT_TRUE(o["outlier"].is_boolean()) << g;
        if (std::fabs(o["normalized_residual"].get<double>()) > 3.2905) {
            EXPECT_EQ(doc["reliability"]["max_index"], g) << "measurement " << g;
            ++named;
        }
    }
    EXPECT_GE(named, 10);
}

}  // namespace
}  // namespace kavron

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>

namespace kavron {
namespace {

namespace quantiles {
#include "results/quantiles.inc"
}

// The quantiles of the analysis: every entry of the program's table is Boost.Math's, and some
// agree with printed statistical tables (to the digits printed there).
TEST(Reliability, QuantilesAreBoostMathsAndThoseOfPrintedTables) {
    using namespace quantiles;
    const double a = kAlpha;
    EXPECT_DOUBLE_EQ(kNormalCritical, boost::math::quantile(boost::math::normal(), 1 - a / 2));
    for (int k = 1; k <= kMaxDof; ++k) {
        EXPECT_DOUBLE_EQ(kStudent[k], boost::math::quantile(boost::math::students_t(k), 1 - a / 2));
        EXPECT_DOUBLE_EQ(kChi2Low[k], boost::math::quantile(boost::math::chi_squared(k), 0.025));
        EXPECT_DOUBLE_EQ(kChi2High[k], boost::math::quantile(boost::math::chi_squared(k), 0.975));
    }
    EXPECT_NEAR(kNormalCritical, 3.2905, 5e-5);  // z(0.9995)
    EXPECT_NEAR(kNormalPower, 0.8416, 5e-5);     // z(0.80)
    EXPECT_NEAR(kStudent[1], 636.62, 5e-3);      // t(0.9995), 1, 10 and 30 degrees of freedom
    EXPECT_NEAR(kStudent[10], 4.587, 5e-4);
    EXPECT_NEAR(kStudent[30], 3.646, 5e-4);
    EXPECT_NEAR(kChi2Low[1], 0.000982, 5e-7);  // chi-squared 0.025 and 0.975
    EXPECT_NEAR(kChi2High[1], 5.024, 5e-4);
    EXPECT_NEAR(kChi2Low[10], 3.247, 5e-4);
    EXPECT_NEAR(kChi2High[10], 20.483, 5e-4);
    EXPECT_NEAR(kChi2Low[100], 74.222, 5e-4);
    EXPECT_NEAR(kChi2High[100], 129.561, 5e-4);
}

}  // namespace
}  // namespace kavron
