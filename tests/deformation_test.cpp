// The comparison of two epochs against a model written here from the method's definitions (its
// own S-transformation by least squares, its own pseudo-inverse through the datum's null space,
// Boost.Math's F quantiles), on epoch pairs adjusted by the program from generated networks with
// seeded noise; and seeded trials of the tests' level and power.
#include <gtest/gtest.h>

#include <boost/math/distributions/fisher_f.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <random>

#include "deformation/deformation.hpp"
#include "format/codepage.hpp"
#include "harness.hpp"
#include "network.hpp"
#include "reports/reports.hpp"

namespace kavron {
namespace {

using Json = nlohmann::json;
using test::Network;
using Mat = std::vector<std::vector<double>>;

// The network with noise of its a-priori sds (weights 1: the unit sd) on every measurement.
Network noisy(Network n, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const auto gauss = [&] {  // Box-Muller: the same numbers on every platform
        const double a = u(rng), b = u(rng);
        return std::sqrt(-2 * std::log(1 - a)) * std::cos(2 * 3.141592653589793 * b);
    };
    for (auto* list : {&n.dirs, &n.zeniths, &n.dists}) {
        for (auto& s : *list) {
            s.blunder = n.moo * gauss();
        }
    }
    return n;
}

std::string results_of(const Network& n) {
    const test::JsonRun r = test::run_with_json(n.text(), {"n", "n", "n", "n", "n"});
    EXPECT_EQ(r.status, 0);
    return r.json;
}

// Point 4 moved by (dx, dy, dz) mm; the approximate coordinates stay those of epoch 1.
Network moved(Network n, double dx, double dy, double dz) {
    auto& p = n.pts[3];
    p.x += dx;
    p.y += dy;
    p.z += dz;
    p.ox -= dx;
    p.oy -= dy;
    p.oz -= dz;
    return n;
}

Network base() {
    Network n = test::five_points(7, 2, 0, 0, 0);
    n.observe_all();
    n.moo = 1.0;
    return n;
}

Mat inverse(const Mat& m) {
    Mat a = m;
    const std::size_t n = a.size();
    Mat inv(n, std::vector<double>(n, 0.0));
    for (std::size_t i = 0; i < n; ++i) {
        inv[i][i] = 1;
    }
    for (std::size_t p = 0; p < n; ++p) {
        std::size_t best = p;
        for (std::size_t r = p + 1; r < n; ++r) {
            best = std::fabs(a[r][p]) > std::fabs(a[best][p]) ? r : best;
        }
        std::swap(a[p], a[best]);
        std::swap(inv[p], inv[best]);
        const double d = a[p][p];
        for (std::size_t j = 0; j < n; ++j) {
            a[p][j] /= d;
            inv[p][j] /= d;
        }
        for (std::size_t r = 0; r < n; ++r) {
            if (r != p) {
                const double f = a[r][p];
                for (std::size_t j = 0; j < n; ++j) {
                    a[r][j] -= f * a[p][j];
                    inv[r][j] -= f * inv[p][j];
                }
            }
        }
    }
    return inv;
}

struct ModelEpoch {
    std::vector<int> number;
    std::vector<std::array<double, 3>> x;
    Mat Q;
    double vf;
    int f;
};

ModelEpoch epoch_of(const Json& j) {
    ModelEpoch e;
    const double moo = j["statistics"]["m0_apriori"], mo = j["statistics"]["m0_used"];
    const double mch = j["job"]["apriori"]["coordinate_sd_mm"];
    const double m0 = j["statistics"]["m0"];
    e.vf = (m0 / moo) * (m0 / moo);
    e.f = j["statistics"]["redundancy"];
    for (const Json& p : j["points"]) {
        e.number.push_back(p["number"]);
        e.x.push_back({p["adjusted"]["x"], p["adjusted"]["y"], p["adjusted"]["z"]});
    }
    const Json& c = j["covariance"]["matrix"];
    e.Q.assign(c.size(), std::vector<double>(c.size()));
    for (std::size_t i = 0; i < c.size(); ++i) {
        for (std::size_t k = 0; k < c.size(); ++k) {
            e.Q[i][k] =
                (c[i][k].get<double>() - (i == k ? mch * mch : 0.0)) * moo * moo / (mo * mo);
        }
    }
    return e;
}

struct ModelResult {
    double omega = 0;
    bool passed = false;
    bool final_passed = false;             // the test over the final stable points
    std::vector<std::array<double, 3>> d;  // in the final datum
};

// d = dx - G t with t the least-squares fit of the stable points' dx; Q_dd = S Q Sᵀ; Ω through
// (Q_BB + N Nᵀ)⁻¹ with N an orthonormal basis of G_B, the null space of Q_BB.
struct Fit {
    std::vector<double> d;
    Mat Qdd;
};

Fit fit(const ModelEpoch& a, const std::vector<double>& dx, const Mat& Q,
        const std::vector<bool>& B) {
    const std::size_t N = dx.size();
    Mat G(N, std::vector<double>(4, 0.0));
    for (std::size_t i = 0; i < N / 3; ++i) {
        for (std::size_t c = 0; c < 3; ++c) {
            G[3 * i + c][c] = 1;
        }
        G[3 * i][3] = -a.x[i][1] / 1e6;
        G[3 * i + 1][3] = a.x[i][0] / 1e6;
    }
    Mat GBG(4, std::vector<double>(4, 0.0));  // G_Bᵀ G_B
    for (std::size_t k = 0; k < N; ++k) {
        for (std::size_t r = 0; r < 4 && B[k / 3]; ++r) {
            for (std::size_t c = 0; c < 4; ++c) {
                GBG[r][c] += G[k][r] * G[k][c];
            }
        }
    }
    const Mat inv = inverse(GBG);
    Mat S(N, std::vector<double>(N, 0.0));
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = 0; j < N; ++j) {
            double x = 0;
            for (std::size_t r = 0; r < 4 && B[j / 3]; ++r) {
                for (std::size_t c = 0; c < 4; ++c) {
                    x += G[i][r] * inv[r][c] * G[j][c];
                }
            }
            S[i][j] = (i == j ? 1.0 : 0.0) - x;
        }
    }
    Fit out{std::vector<double>(N, 0.0), Mat(N, std::vector<double>(N, 0.0))};
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = 0; j < N; ++j) {
            out.d[i] += S[i][j] * dx[j];
            for (std::size_t k = 0; k < N; ++k) {
                for (std::size_t l = 0; l < N; ++l) {
                    out.Qdd[i][l] += S[i][j] * Q[j][k] * S[l][k];
                }
            }
        }
    }
    return out;
}

double omega_of(const Fit& f, const ModelEpoch& a, const std::vector<bool>& B) {
    std::vector<std::size_t> idx;
    for (std::size_t k = 0; k < f.d.size(); ++k) {
        if (B[k / 3]) {
            idx.push_back(k);
        }
    }
    const std::size_t m = idx.size();
    // An orthonormal basis of the translations and the rotation over the stable coordinates.
    std::vector<std::vector<double>> basis;
    for (int c = 0; c < 4; ++c) {
        std::vector<double> v(m);
        for (std::size_t i = 0; i < m; ++i) {
            const std::size_t k = idx[i], p = k / 3, axis = k % 3;
            v[i] = c < 3       ? (axis == static_cast<std::size_t>(c) ? 1.0 : 0.0)
                   : axis == 0 ? -a.x[p][1] / 1e6
                   : axis == 1 ? a.x[p][0] / 1e6
                               : 0.0;
        }
        for (const auto& b : basis) {
            double dot = 0;
            for (std::size_t i = 0; i < m; ++i) {
                dot += v[i] * b[i];
            }
            for (std::size_t i = 0; i < m; ++i) {
                v[i] -= dot * b[i];
            }
        }
        double len = 0;
        for (const double x : v) {
            len += x * x;
        }
        for (double& x : v) {
            x /= std::sqrt(len);
        }
        basis.push_back(v);
    }
    Mat M(m, std::vector<double>(m));
    for (std::size_t i = 0; i < m; ++i) {
        for (std::size_t j = 0; j < m; ++j) {
            M[i][j] = f.Qdd[idx[i]][idx[j]];
            for (const auto& b : basis) {
                M[i][j] += b[i] * b[j];
            }
        }
    }
    const Mat inv = inverse(M);
    double omega = 0;
    for (std::size_t i = 0; i < m; ++i) {
        for (std::size_t j = 0; j < m; ++j) {
            omega += f.d[idx[i]] * inv[i][j] * f.d[idx[j]];
        }
    }
    return omega;
}

ModelResult model(const Json& j1, const Json& j2, double alpha, const std::vector<int>& stable) {
    const ModelEpoch a = epoch_of(j1), b = epoch_of(j2);
    const std::size_t n = a.number.size(), N = 3 * n;
    std::vector<double> dx(N);
    Mat Q(N, std::vector<double>(N));
    for (std::size_t i = 0; i < N; ++i) {
        dx[i] = b.x[i / 3][i % 3] - a.x[i / 3][i % 3];
        for (std::size_t k = 0; k < N; ++k) {
            Q[i][k] = a.Q[i][k] + b.Q[i][k];
        }
    }
    const int df = a.f + b.f;
    const double s0sq = (a.f * a.vf + b.f * b.vf) / df;
    const auto passes = [&](double omega, int h) {
        return omega / (h * s0sq) <= boost::math::quantile(boost::math::fisher_f(h, df), 1 - alpha);
    };
    // The global test over every common point, and the final datum over the stable points the
    // comparison found.
    std::vector<bool> all(n, true), B(n, false);
    for (std::size_t j = 0; j < n; ++j) {
        B[j] = std::find(stable.begin(), stable.end(), a.number[j]) != stable.end();
    }
    ModelResult r;
    r.omega = omega_of(fit(a, dx, Q, all), a, all);
    r.passed = passes(r.omega, 3 * static_cast<int>(n) - 4);
    const int kept = static_cast<int>(std::count(B.begin(), B.end(), true));
    r.final_passed = passes(omega_of(fit(a, dx, Q, B), a, B), 3 * kept - 4);
    const Fit f = fit(a, dx, Q, B);
    for (std::size_t j = 0; j < n; ++j) {
        r.d.push_back({f.d[3 * j], f.d[3 * j + 1], f.d[3 * j + 2]});
    }
    return r;
}

struct Compared {
    std::unique_ptr<Deformation> df = std::make_unique<Deformation>();
    std::optional<std::string> refusal;
    Compared(const std::string& r1, const std::string& r2, const std::vector<int>& stable = {},
             double alpha = 0.05) {
        Epoch e1, e2;
        refusal = read_epoch(r1, e1);
        if (!refusal) {
            refusal = read_epoch(r2, e2);
        }
        if (!refusal) {
            refusal = compare_epochs(e1, e2, stable, alpha, *df);
        }
    }
};

TEST(Deformation, AgreesWithTheModelOnGeneratedEpochPairs) {
    std::mt19937 rng(7);
    for (const double shift : {0.0, 4.0, 8.0, 12.0}) {
        const Network a = noisy(base(), rng);
        const Network b = noisy(moved(base(), shift, -0.5 * shift, 0.3 * shift), rng);
        const std::string r1 = results_of(a), r2 = results_of(b);
        const Compared c(r1, r2);
        ASSERT_FALSE(c.refusal) << *c.refusal;
        const ModelResult m = model(Json::parse(r1), Json::parse(r2), 0.05, c.df->stable_points);
        EXPECT_NEAR(c.df->global.omega, m.omega, 1e-6 * std::max(1.0, m.omega)) << shift;
        EXPECT_EQ(c.df->global.passed, m.passed) << shift;
        // The points taken out leave stable points that pass the model's test.
        EXPECT_TRUE(m.final_passed) << shift;
        for (std::size_t j = 0; j < m.d.size(); ++j) {
            for (int axis = 0; axis < 3; ++axis) {
                EXPECT_NEAR(c.df->points[j].d[axis], m.d[j][static_cast<std::size_t>(axis)], 1e-6);
            }
        }
        if (shift >= 8) {
            EXPECT_EQ(c.df->moved_points, std::vector<int>{4}) << shift;
        }
    }
}

TEST(Deformation, StablePointsGivenMakeTheOthersObjectPoints) {
    std::mt19937 rng(11);
    const std::string r1 = results_of(noisy(base(), rng));
    const std::string r2 = results_of(noisy(moved(base(), 10, 6, 0), rng));
    const Compared c(r1, r2, {1, 2, 3, 5});
    ASSERT_FALSE(c.refusal) << *c.refusal;
    EXPECT_EQ(c.df->global.h, 3 * 4 - 4);
    EXPECT_TRUE(c.df->steps.empty() || !c.df->global.passed);
    EXPECT_FALSE(c.df->points[3].candidate);
    EXPECT_TRUE(c.df->points[3].moved);  // its own test
    EXPECT_NEAR(c.df->points[3].horizontal, std::hypot(10.0, 6.0), 3.0);
    EXPECT_EQ(Compared(r1, r2, {1, 9}).refusal, "bod 9 z --stable není společný bod obou epoch");
}

// Seeded trials: the global test of an unmoved network passes about 95 % of the time at 5 %,
// and a movement of 5 sigma (of the point's displacement, horizontally) is found.
TEST(Deformation, LevelAndPowerInSeededTrials) {
    std::mt19937 rng(2026);
    int passed = 0, found = 0;
    constexpr int kTrials = 60;
    // The sd of point 4's x displacement, from one pair.
    double sd = 0;
    {
        const Compared c(results_of(noisy(base(), rng)), results_of(noisy(base(), rng)));
        sd = c.df->points[3].sd[0] / c.df->s0;
    }
    for (int t = 0; t < kTrials; ++t) {
        const std::string r1 = results_of(noisy(base(), rng));
        const Compared still(r1, results_of(noisy(base(), rng)));
        passed += still.df->global.passed ? 1 : 0;
        const Compared move(r1, results_of(noisy(moved(base(), 5 * sd, 0, 0), rng)));
        found += move.df->moved_points == std::vector<int>{4} ? 1 : 0;
    }
    EXPECT_GE(passed, kTrials * 85 / 100);  // 95 % expected; 85 % is 3.5 sd below
    EXPECT_LE(passed, kTrials);
    EXPECT_GE(found, kTrials * 80 / 100);
}

}  // namespace
}  // namespace kavron

namespace kavron {
namespace {

// The shipped example pair, adjusted now and compared, gives the report of the whole-run case
// (whose results files were made from the same examples): the case cannot drift from them.
TEST(Deformation, ShippedEpochsGiveTheCasesReport) {
    const std::filesystem::path ex = KAVRON_EXAMPLES;
    test::Scratch s;
    for (const char* k : {"1", "2"}) {
        s.put(std::string("epocha") + k + ".txt",
              test::slurp(ex / (std::string("epocha") + k + ".txt")));
        test::ScriptReader in({std::string("chyby") + k + ".txt",
                               std::string("vysledky") + k + ".txt",
                               std::string("epocha") + k + ".txt", "n", "n", "n", "n", "n"});
        test::StringWriter out, text, errors;
        const auto storage = std::make_unique<Storage>();
        ASSERT_EQ(run_command({"--json", std::string("e") + k + ".json"}, in, out, text, errors,
                              test::fixed_clock, *storage, s.dir()),
                  0);
    }
    test::ScriptReader none({});
    test::StringWriter out, text, errors;
    const auto storage = std::make_unique<Storage>();
    ASSERT_EQ(run_command({"deformation", "e1.json", "e2.json", "--report", "porovnani.txt"}, none,
                          out, text, errors, test::fixed_clock, *storage, s.dir()),
              0)
        << errors.text;
    EXPECT_EQ(s.get("porovnani.txt"),
              test::slurp(std::filesystem::path(KAVRON_TESTS_DIR) / "cases" /
                          "deformation-example-pair" / "after" / "porovnani.txt"));
}

}  // namespace
}  // namespace kavron

namespace kavron {
namespace {

// The tool on two results files, as a user runs it: its status, its line on standard error and
// the files it left.
struct ToolRun {
    test::Scratch s;
    int status = -1;
    std::string errors;
    ToolRun(const std::string& r1, const std::string& r2, std::vector<std::string> extra = {}) {
        s.put("e1.json", r1);
        s.put("e2.json", r2);
        std::vector<std::string> args = {"deformation", "e1.json", "e2.json", "--report",
                                         "z.txt",       "--json",  "z.json"};
        args.insert(args.end(), extra.begin(), extra.end());
        test::ScriptReader none({});
        test::StringWriter out, text, err;
        const auto storage = std::make_unique<Storage>();
        status = run_command(args, none, out, text, err, test::fixed_clock, *storage, s.dir());
        errors = err.text;
    }
    std::string report() const { return decode(s.get("z.txt"), CodePage::Cp1250); }
};

// The example's network with point 4 moved by 6 mm: the two epochs' results.
struct MovedPair {
    std::string r1, r2;
    MovedPair() {
        std::mt19937 rng(5);
        r1 = results_of(noisy(base(), rng));
        r2 = results_of(noisy(moved(base(), 5, -4, 3), rng));
    }
};

// Two stable points that disagree (one of them moved) cannot be told apart: nothing is declared
// moved in their datum, and the tool says that its conclusion does not stand.
TEST(DeformationConclusion, AStablePairThatDisagreesDecidesNothing) {
    const MovedPair p;
    const ToolRun t(p.r1, p.r2, {"--stable", "3,4"});
    EXPECT_EQ(t.status, 1) << t.errors;
    const Json doc = Json::parse(t.s.get("z.json"));
    EXPECT_FALSE(doc["global_test"]["passed"].get<bool>());
    EXPECT_TRUE(doc["undecided"].get<bool>());
    EXPECT_TRUE(doc["moved_points"].empty());
    for (const Json& m : doc["points"]) {
        EXPECT_FALSE(m["moved"].get<bool>()) << m["number"];
    }
    EXPECT_NE(t.report().find("Stabilní body 3, 4 spolu nesouhlasí"), std::string::npos)
        << t.report();
    // With a pair that agrees, the same comparison decides.
    const ToolRun agreeing(p.r1, p.r2, {"--stable", "1,3"});
    EXPECT_EQ(agreeing.status, 0) << agreeing.errors;
    EXPECT_EQ(Json::parse(agreeing.s.get("z.json"))["moved_points"], Json::array({4}));
}

// Keeps the points of a results file whose numbers are given (and their covariance).
std::string only_points(const std::string& results, const std::vector<int>& keep) {
    Json j = Json::parse(results);
    std::vector<std::size_t> rows;
    Json points = Json::array();
    for (std::size_t i = 0; i < j["points"].size(); ++i) {
        const int n = j["points"][i]["number"];
        if (std::find(keep.begin(), keep.end(), n) != keep.end()) {
            points.push_back(j["points"][i]);
            for (std::size_t a = 0; a < 3; ++a) {
                rows.push_back(3 * i + a);
            }
        }
    }
    Json cov = Json::array();
    for (const std::size_t r : rows) {
        Json row = Json::array();
        for (const std::size_t c : rows) {
            row.push_back(j["covariance"]["matrix"][r][c]);
        }
        cov.push_back(row);
    }
    j["points"] = points;
    j["covariance"]["matrix"] = cov;
    return j.dump();
}

TEST(DeformationConclusion, TwoCommonPointsThatDisagreeDecideNothing) {
    const MovedPair p;
    const ToolRun t(p.r1, only_points(p.r2, {1, 4}));
    EXPECT_EQ(t.status, 1) << t.errors;
    const Json doc = Json::parse(t.s.get("z.json"));
    EXPECT_TRUE(doc["undecided"].get<bool>());
    EXPECT_EQ(doc["stable_points"], Json::array({1, 4}));
    EXPECT_EQ(t.report().find("Žádný bod se prokazatelně neposunul"), std::string::npos);
}

// An epoch with a gross error fails its m0 test; pooled, it would hide a real movement: the
// conclusion names it, and the status says the comparison is not to be trusted.
TEST(DeformationConclusion, AnEpochThatFailedItsM0TestIsNamed) {
    std::mt19937 rng(5);
    const std::string r1 = results_of(noisy(base(), rng));
    Network b = noisy(moved(base(), 5, -4, 3), rng);
    b.dirs[1].blunder += 60;
    const std::string r2 = results_of(b);
    ASSERT_FALSE(Json::parse(r2)["statistics"]["m0_test_passed"].get<bool>());
    const ToolRun t(r1, r2);
    EXPECT_EQ(t.status, 1) << t.errors;
    EXPECT_NE(t.report().find("Epocha 2 (e2.json) neprošla testem m0"), std::string::npos)
        << t.report();
    EXPECT_FALSE(Json::parse(t.s.get("z.json"))["conclusive"].get<bool>());
    const ToolRun clean(r1, r1 + " ");
    EXPECT_EQ(clean.status, 0) << clean.errors;
}

// A date that is no date and time is shown as the file gives it.
TEST(DeformationConclusion, AShortDateIsShownAsGiven) {
    const MovedPair p;
    Json j = Json::parse(p.r2);
    j["date"] = "2026";
    const ToolRun t(p.r1, j.dump());
    EXPECT_EQ(t.status, 0) << t.errors;
    EXPECT_NE(t.report().find("Test network, 2026\r\n"), std::string::npos) << t.report();
}

// A results file that no run of the program can have written is refused with the field named,
// status 2 and no file left.
TEST(DeformationRefusals, ImpossibleFieldsAreNamed) {
    const MovedPair p;
    const auto with = [&](const std::function<void(Json&)>& change) {
        Json j = Json::parse(p.r2);
        change(j);
        return j.dump();
    };
    const struct {
        std::string r2;
        std::string says;
    } cases[] = {
        {with([](Json& j) { j["statistics"]["redundancy"] = 1e20; }), "statistics.redundancy"},
        {with([](Json& j) { j["statistics"]["redundancy"] = 2147483647; }), "redundancy"},
        {with([](Json& j) { j["statistics"]["redundancy"] = -1; }), "redundancy"},
        {with([](Json& j) { j["statistics"]["redundancy"] = 2.5; }), "redundancy není celé"},
        {with([](Json& j) { j["statistics"]["m0_apriori"] = 0; }), "m0_apriori"},
        {with([](Json& j) { j["statistics"]["m0_apriori"] = -3; }), "m0_apriori"},
        {with([](Json& j) { j["statistics"]["m0"] = 1e200; }), "m0"},
        {with([](Json& j) { j["covariance"]["matrix"][0][1] = 5.0; }), "není symetrická"},
        {with([](Json& j) { j["covariance"]["matrix"][0][0] = -50.0; }), "záporný rozptyl"},
        {with([](Json& j) {
             Json& c = j["covariance"]["matrix"];
             c[9][12] = c[12][9] = 10 * std::sqrt(c[9][9].get<double>() * c[12][12].get<double>());
         }),
         "pozitivně semidefinitní"},
        {with([](Json& j) { j["points"][2]["number"] = j["points"][1]["number"]; }), "dvakrát"},
        {with([](Json& j) { j["version"] = 2; }), "verzi formátu 2"},
        {with([](Json& j) { j["points"][0]["adjusted"]["x"] = "1"; }), "points[0].adjusted.x"},
        {with([](Json& j) {
             for (Json& pt : j["points"]) {
                 pt["adjusted"]["x"] = pt["adjusted"]["x"].get<double>() + 321000;
             }
         }),
         "nejsou táž síť"},
        {p.r1, "jsou tytéž výsledky"},
    };
    for (const auto& c : cases) {
        const ToolRun t(p.r1, c.r2);
        EXPECT_EQ(t.status, 2) << c.says;
        EXPECT_NE(t.errors.find(c.says), std::string::npos) << c.says << ": " << t.errors;
        EXPECT_EQ(std::count(t.errors.begin(), t.errors.end(), '\n'), 1) << t.errors;
        EXPECT_FALSE(t.s.exists("z.txt")) << c.says;
        EXPECT_FALSE(t.s.exists("z.json")) << c.says;
    }
}

TEST(DeformationRefusals, TheSameFileTwice) {
    const MovedPair p;
    test::Scratch s;
    s.put("e1.json", p.r1);
    test::ScriptReader none({});
    test::StringWriter out, text, err;
    const auto storage = std::make_unique<Storage>();
    EXPECT_EQ(run_command({"deformation", "e1.json", "./e1.json", "--report", "z.txt"}, none, out,
                          text, err, test::fixed_clock, *storage, s.dir()),
              2);
    EXPECT_NE(err.text.find("jsou tytéž výsledky"), std::string::npos) << err.text;
    EXPECT_FALSE(s.exists("z.txt"));
}

}  // namespace
}  // namespace kavron
