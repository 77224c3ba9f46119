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

#include "gauss_markov.hpp"
#include "harness.hpp"
#include "network.hpp"
#include "planning/design.hpp"
#include "reports/reports.hpp"

namespace kavron {
namespace {

using Json = nlohmann::json;
using test::gauss_markov;
using test::lines_of;
using test::Model;
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
    // The group redundancy of each kind: the model's r summed over the kind's controlled ones.
    std::map<std::string, double> sum;
    for (std::size_t g = 0; g < obs.size(); ++g) {
        sum[obs[g]["kind"]] += m.r[g] >= 0.001 ? m.r[g] : 0.0;
    }
    const Json& groups = doc["statistics"]["group_redundancy"];
    EXPECT_EQ(groups.size(), sum.size()) << GetParam();
    for (const Json& gr : groups) {
        EXPECT_NEAR(gr["redundancy"].get<double>(), sum[gr["kind"]], 1e-6) << GetParam();
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
