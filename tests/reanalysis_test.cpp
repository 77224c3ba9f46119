// The analysis that adjusts again: the variance components of the kinds against the tests' own
// Gauss-Markov model, their iterated weights written into the input by hand, and the iterated
// data snooping step by step against runs of the input with the earlier suspects' lines removed.
#include <gtest/gtest.h>

#include <boost/math/distributions/chi_squared.hpp>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gauss_markov.hpp"
#include "harness.hpp"
#include "network.hpp"
#include "results/reliability.hpp"

namespace kavron {
namespace {

using Json = nlohmann::json;
using test::slurp;

const std::vector<std::string> kNames = {"err.txt", "out.txt", "in.txt"};
const char* const kKinds[] = {"direction", "zenith_angle", "distance"};

Json run_json(const std::string& input) {
    const test::JsonRun r = test::run_with_json(input, kNames);
    EXPECT_EQ(r.status, 0);
    return Json::parse(r.json);
}

// The lines of a text, each with its end.
std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        out.push_back(l + "\n");
    }
    return out;
}

// The line of each measurement in an input of one measurement per line (the shipped examples and
// the generated networks): after the header and the points' section, the lines of the three
// sections other than their ends.
std::vector<std::size_t> measurement_lines(const std::vector<std::string>& ls) {
    std::vector<std::size_t> out;
    int ends = 0;
    for (std::size_t k = 2; k < ls.size(); ++k) {
        std::istringstream words(ls[k]);
        std::string first;
        words >> first;
        if (first == "-1") {
            ++ends;
        } else if (ends >= 1 && ends <= 3) {
            out.push_back(k);
        }
    }
    return out;
}

// The input with the weights of each kind multiplied by its factor (written exactly).
std::string with_weights(const std::string& text, const std::map<std::string, double>& factor,
                         const Json& obs) {
    std::vector<std::string> ls = lines(text);
    const std::vector<std::size_t> at = measurement_lines(ls);
    EXPECT_EQ(at.size(), obs.size());
    for (std::size_t g = 0; g < at.size() && g < obs.size(); ++g) {
        std::istringstream words(ls[at[g]]);
        std::string s, t, v;
        double w = 0;
        words >> s >> t >> v >> w;
        std::ostringstream line;
        line << s << ' ' << t << ' ' << v << ' '
             << test::Network::weight(w * factor.at(obs[g]["kind"])) << '\n';
        ls[at[g]] = line.str();
    }
    std::string out;
    for (const std::string& l : ls) {
        out += l;
    }
    return out;
}

// The input without the lines of the measurements (indices in observations[]).
std::string without_lines(const std::string& text, const std::set<int>& gone) {
    std::vector<std::string> ls = lines(text);
    const std::vector<std::size_t> at = measurement_lines(ls);
    std::set<std::size_t> drop;
    for (const int g : gone) {
        drop.insert(at.at(static_cast<std::size_t>(g)));
    }
    std::string out;
    for (std::size_t k = 0; k < ls.size(); ++k) {
        out += drop.count(k) != 0 ? "" : ls[k];
    }
    return out;
}

// The model's component of a kind: Σ v²p/m0² and Σr over the measurements it controls.
struct Component {
    int count = 0;
    double redundancy = 0, ratio = 0;
};

Component model_component(const Json& doc, const test::Model& m, const std::string& kind) {
    const Json& obs = doc["observations"];
    const double moo = doc["job"]["apriori"]["unit_sd"];
    Component c;
    double vv = 0;
    for (std::size_t g = 0; g < obs.size(); ++g) {
        if (obs[g]["kind"] != kind || m.r[g] < 0.001) {
            continue;
        }
        const double v = obs[g]["residual"], p = obs[g]["weight"];
        ++c.count;
        c.redundancy += m.r[g];
        vv += v * v * p / (moo * moo);
    }
    c.ratio = std::sqrt(vv / c.redundancy);
    return c;
}

const Json& component_of(const Json& doc, const std::string& kind) {
    for (const Json& c : doc["reliability"]["variance_components"]) {
        if (c["kind"] == kind) {
            return c;
        }
    }
    static const Json none;
    ADD_FAILURE() << "no component of " << kind;
    return none;
}

double boost_ratio(double nu, double p) {
    return std::sqrt(boost::math::quantile(boost::math::chi_squared(nu), p) / nu);
}

// Every component of the run against the model (to 1e-9 relative), its interval against
// Boost.Math; then the input with each kind's weights multiplied by its factor: every ratio 1.
void expect_components(const std::string& input, const std::string& what) {
    const Json doc = run_json(input);
    const test::Model m = test::gauss_markov(doc);
    std::map<std::string, double> factor;
    for (const char* kind : kKinds) {
        const Component c = model_component(doc, m, kind);
        if (c.count == 0) {
            continue;
        }
        const Json& j = component_of(doc, kind);
        EXPECT_EQ(j["count"], c.count) << what << " " << kind;
        EXPECT_NEAR(j["redundancy"].get<double>(), c.redundancy, 1e-9 * c.redundancy)
            << what << " " << kind;
        EXPECT_NEAR(j["ratio"].get<double>(), c.ratio, 1e-9 * c.ratio) << what << " " << kind;
        const double low = boost_ratio(c.redundancy, 0.025),
                     high = boost_ratio(c.redundancy, 0.975);
        EXPECT_NEAR(j["low"].get<double>(), low, 5e-7 * low) << what << " " << kind;
        EXPECT_NEAR(j["high"].get<double>(), high, 5e-7 * high) << what << " " << kind;
        EXPECT_EQ(j["passed"].get<bool>(), c.ratio >= low && c.ratio <= high) << what << kind;
        ASSERT_EQ(j["settled"], "settled") << what << " " << kind;
        const double it = j["iterated_ratio"];
        EXPECT_NEAR(j["weight_factor"].get<double>(), 1 / (it * it), 1e-12 / (it * it));
        factor[kind] = j["weight_factor"];
    }
    for (const char* kind : kKinds) {
        factor.emplace(kind, 1.0);
    }
    const Json again = run_json(with_weights(input, factor, doc["observations"]));
    for (const Json& c : again["reliability"]["variance_components"]) {
        EXPECT_NEAR(c["ratio"].get<double>(), 1.0, 0.005) << what << " " << c["kind"];
        EXPECT_NEAR(c["iterated_ratio"].get<double>(), 1.0, 0.005) << what << " " << c["kind"];
    }
}

TEST(VarianceComponents, TheIntervalIsBoostMathsChiSquaredForEveryRedundancy) {
    for (int k = 0; k <= 8722; ++k) {  // ν from 0.5 to 120 by 0.0137, between the nodes
        const double nu = 0.5 + k * 0.0137;
        double low = 0, high = 0;
        ASSERT_TRUE(ratio_interval(nu, low, high)) << nu;
        // 4.2e-7 in the table's first cell, where the lower bound falls steeply to 0.
        const double tol = nu < 0.51 ? 5e-7 : 2e-7;
        EXPECT_NEAR(low, boost_ratio(nu, 0.025), tol * low) << nu;
        EXPECT_NEAR(high, boost_ratio(nu, 0.975), tol * high) << nu;
    }
    double low = 0, high = 0;
    EXPECT_FALSE(ratio_interval(0.49, low, high));
    EXPECT_FALSE(ratio_interval(120.01, low, high));
    // Printed tables: χ²(10; 0.025) = 3.247, χ²(10; 0.975) = 20.483.
    ASSERT_TRUE(ratio_interval(10, low, high));
    EXPECT_NEAR(low * low * 10, 3.247, 5e-4);
    EXPECT_NEAR(high * high * 10, 20.483, 5e-4);
}

// Three points on a line, distances only (weights 1, 3, 2; hand-worked in the reliability
// tests): v = -1.5, -0.5, -0.5 and Σr = 2, so the ratio is √((2.25 + 0.75 + 0.5) / 2). One kind
// alone: dividing its weights changes no residual, so the iteration settles after one round.
TEST(VarianceComponents, HandWorkedLineOfThreePoints) {
    const Json doc = run_json(
        "'line'\n1 1 1 1 0\n1 7 0 0 0\n2 6 0 40000 0\n3 7 0 100000 0\n-1\n-1\n-1\n"
        "1 2 40003 1\n2 3 59999 3\n1 3 100000.5 2\n-1\n");
    const Json& cs = doc["reliability"]["variance_components"];
    ASSERT_EQ(cs.size(), 1U);
    const Json& c = cs[0];
    EXPECT_EQ(c["kind"], "distance");
    EXPECT_EQ(c["count"], 3);
    EXPECT_NEAR(c["redundancy"].get<double>(), 2.0, 1e-12);
    EXPECT_NEAR(c["ratio"].get<double>(), std::sqrt(1.75), 1e-9);
    EXPECT_NEAR(c["low"].get<double>(), std::sqrt(0.0506356 / 2), 1e-6);
    EXPECT_NEAR(c["high"].get<double>(), std::sqrt(7.377759 / 2), 1e-6);
    EXPECT_TRUE(c["passed"].get<bool>());
    EXPECT_NEAR(c["iterated_ratio"].get<double>(), std::sqrt(1.75), 1e-9);
    EXPECT_NEAR(c["weight_factor"].get<double>(), 1 / 1.75, 1e-9);
}

class ShippedComponents : public ::testing::TestWithParam<const char*> {};

TEST_P(ShippedComponents, AgreeWithTheModelAndTheirWeightsMakeEveryRatioOne) {
    const std::filesystem::path ex = KAVRON_EXAMPLES;
    expect_components(slurp(ex / (std::string(GetParam()) + ".txt")), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Examples, ShippedComponents,
                         ::testing::Values("mikrosit", "helmert", "castecne", "nejvetsi",
                                           "hruba-chyba", "epocha1", "epocha2"));

// Normal deviates of a fixed sequence (Box and Muller on a 64-bit linear congruential
// generator), the same on every run.
struct Noise {
    std::uint64_t state;
    double uniform() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return (static_cast<double>(state >> 11) + 0.5) / 9007199254740992.0;
    }
    double normal() {
        return std::sqrt(-2 * std::log(uniform())) * std::cos(6.283185307179586 * uniform());
    }
};

// Five points, every station sighting every other point, weights other than 1; every measurement
// off by its a-priori sd times a normal deviate, those of one kind `scale` times more.
test::Network noisy(std::uint64_t seed, int noisier, double scale) {
    test::Network n = test::five_points(7, 2, 0, 0, 0);
    n.observe_all();
    n.moo = 2.0;
    Noise noise{seed};
    std::vector<test::Sight>* kinds[] = {&n.dirs, &n.zeniths, &n.dists};
    const double weights[] = {1.5, 0.25, 4.0};
    for (int k = 0; k < 3; ++k) {
        for (test::Sight& s : *kinds[k]) {
            s.weight = weights[k];
            s.blunder = (k == noisier ? scale : 1.0) * n.moo / std::sqrt(s.weight) * noise.normal();
        }
    }
    return n;
}

TEST(VarianceComponents, OneKindNoisierThanItsWeightsOnGeneratedNetworks) {
    int found = 0;
    for (int kind = 0; kind < 3; ++kind) {
        for (std::uint64_t seed = 1; seed <= 3; ++seed) {
            const test::Network n =
                noisy(seed * 7919 + static_cast<std::uint64_t>(kind), kind, 2.0);
            const std::string what = std::string(kKinds[kind]) + " seed " + std::to_string(seed);
            expect_components(n.text(), what);
            // The noisier kind has the largest iterated ratio.
            const Json doc = run_json(n.text());
            const double mine = component_of(doc, kKinds[kind])["iterated_ratio"];
            bool largest = true;
            for (const Json& c : doc["reliability"]["variance_components"]) {
                largest = largest && c["iterated_ratio"].get<double>() <= mine;
            }
            found += largest ? 1 : 0;
        }
    }
    EXPECT_GE(found, 8) << "the noisier kind stood out in " << found << " of 9 networks";
}

// Each step of the snooping is the run of the input without the earlier steps' measurements:
// its suspect and |w| there, and the m0 and the test of the run without it too.
void expect_steps_are_runs(const std::string& input, const Json& steps) {
    std::set<int> gone;
    for (const Json& s : steps) {
        const Json doc = run_json(without_lines(input, gone));
        // The run's measurement index of the step's measurement: the originals less those gone.
        const int g = s["index"];
        int here = g;
        for (const int h : gone) {
            here -= h < g ? 1 : 0;
        }
        const Json& rel = doc["reliability"];
        ASSERT_EQ(rel["max_index"], here) << "step " << s;
        const Json& o = doc["observations"][static_cast<std::size_t>(here)];
        const bool tau = s["studentized"];
        EXPECT_EQ(s["w"].get<double>(),
                  o[tau ? "studentized_residual" : "normalized_residual"].get<double>());
        gone.insert(g);
        if (!s["left_out"].get<bool>()) {
            continue;
        }
        const Json after = run_json(without_lines(input, gone));
        EXPECT_EQ(s["m0_after"].get<double>(), after["statistics"]["m0"].get<double>());
        EXPECT_EQ(s["chi2_passed_after"], after["reliability"]["chi2_passed"]);
        const Json& next = after["reliability"];
        const bool suspect =
            !next["max_index"].is_null() &&
            after["observations"][next["max_index"].get<std::size_t>()]["outlier"].get<bool>();
        EXPECT_EQ(s["passed_after"].get<bool>(), !suspect);
    }
}

// Two blunders in a network with noise as its weights say: the snooping names both (in either
// order), and each of its steps is the run without the earlier ones.
TEST(Snooping, TwoPlantedBlundersAreNamedStepByStep) {
    int both = 0, cases = 0;
    for (std::uint64_t seed = 1; seed <= 8; ++seed) {
        test::Network n = noisy(seed * 104729, -1, 1.0);
        // Measurement indices in the input's order: directions, zenith angles, distances.
        const int d = static_cast<int>(n.dirs.size()), z = static_cast<int>(n.zeniths.size());
        const int first = static_cast<int>(seed * 5 % static_cast<std::uint64_t>(d));
        const int second = d + z + static_cast<int>(seed * 3 % n.dists.size());
        n.dirs[static_cast<std::size_t>(first)].blunder += seed % 2 == 0 ? 80.0 : -80.0;
        n.dists[static_cast<std::size_t>(second - d - z)].blunder += 15.0;
        const std::string input = n.text();
        const Json doc = run_json(input);
        const Json& steps = doc["reliability"]["snooping"];
        ++cases;
        ASSERT_GE(steps.size(), 1U) << "seed " << seed;
        EXPECT_EQ(steps[0]["index"], doc["reliability"]["max_index"]);
        // The first two steps are the blunders; a third may follow where the noise of the rest
        // exceeds the critical value.
        const std::set<int> named = {steps[0]["index"].get<int>(),
                                     steps.size() > 1 ? steps[1]["index"].get<int>() : -1};
        if (named == std::set<int>{first, second}) {
            ++both;
            EXPECT_FALSE(steps[0]["passed_after"].get<bool>());
            EXPECT_EQ(steps[1]["passed_after"].get<bool>(), steps.size() == 2);
            EXPECT_EQ(doc["reliability"]["snooping_end"], "passed") << "seed " << seed;
        }
        expect_steps_are_runs(input, steps);
    }
    EXPECT_EQ(both, cases) << "both blunders named in " << both << " of " << cases << " networks";
}

// Without a suspect there is no step; the shipped example with its one blunder takes one step,
// after which its m0 passes.
TEST(Snooping, OneStepForTheShippedBlunderNoneWithout) {
    const std::filesystem::path ex = KAVRON_EXAMPLES;
    const Json clean = run_json(slurp(ex / "mikrosit.txt"));
    EXPECT_TRUE(clean["reliability"]["snooping"].empty());
    EXPECT_EQ(clean["reliability"]["snooping_end"], "none");
    const std::string input = slurp(ex / "hruba-chyba.txt");
    const Json doc = run_json(input);
    const Json& steps = doc["reliability"]["snooping"];
    ASSERT_EQ(steps.size(), 1U);
    EXPECT_EQ(steps[0]["index"], 2);
    EXPECT_TRUE(steps[0]["studentized"].get<bool>());
    EXPECT_TRUE(steps[0]["chi2_passed_after"].get<bool>());
    EXPECT_EQ(doc["reliability"]["snooping_end"], "passed");
    expect_steps_are_runs(input, steps);
}

}  // namespace
}  // namespace kavron
