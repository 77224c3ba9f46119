// The reports beside the listing (--json, --svg): they leave the console and the files as they
// are, and every figure they give is the one the listing prints, before its rounding.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "geometry/geometry.hpp"
#include "harness.hpp"
#include "reports/reports.hpp"

namespace kavron {
namespace {

using fmt::int_field;
using fmt::real_field;
using Json = nlohmann::json;
using test::lines_of;
using test::slurp;

struct Files {
    int status;
    std::string console, listing, diag, json;
};

Files run_example(const std::string& job, const std::vector<std::string>& args) {
    const std::filesystem::path ex = KAVRON_EXAMPLES;
    test::Scratch s;
    s.put(job + ".txt", slurp(ex / (job + ".txt")));
    test::ScriptReader in(lines_of(slurp(ex / (job + ".konzole"))));
    test::StringWriter out, text, errors;
    const auto storage = std::make_unique<Storage>();
    const int status =
        run_command(args, in, out, text, errors, test::fixed_clock, *storage, s.dir());
    return {status, out.text, s.get("vysledky.txt"), s.get("chyby.txt"), s.get("r.json")};
}

// Pieces of a row, one after another (appended, which also spares GCC's -Wrestrict its false
// alarm about string concatenation).
std::string cat(std::initializer_list<std::string_view> parts) {
    std::string s;
    for (const std::string_view p : parts) {
        s.append(p);
    }
    return s;
}

bool has(const std::string& listing, const std::string& row) {
    return listing.find(cat({"\r\n", cp1250(row), "\r\n"})) != std::string::npos;
}

// A row of the ellipsoid table.
std::string ellipsoid_row(int number, const Ellipsoid& e) {
    return cat({" ", int_field(number, 4), " ", real_field(e.a, 10, 1), real_field(e.b, 10, 1),
                real_field(e.c, 10, 1), "    ", real_field(e.alfa, 9, 2), real_field(e.beta, 9, 2),
                real_field(e.gama, 9, 2)});
}

void covariance_agrees(const Json& doc, const std::string& l);

class Example : public ::testing::TestWithParam<const char*> {};

TEST_P(Example, ReportsChangeNothingAndAgreeWithTheListing) {
    const Files plain = run_example(GetParam(), {});
    const Files with =
        run_example(GetParam(), {"--json", "r.json", "--svg", "r.svg", "--analysis", "r.txt"});
    EXPECT_EQ(with.status, plain.status);
    EXPECT_EQ(with.console, plain.console);
    EXPECT_EQ(with.listing, plain.listing);
    EXPECT_EQ(with.diag, plain.diag);
    const std::string& l = with.listing;
    const Json doc = Json::parse(with.json);
    ASSERT_EQ(doc["ending"]["kind"], "normal");

    const Json& st = doc["statistics"];
    if (!st["m0"].is_null()) {
        EXPECT_TRUE(has(l, cat({" Směrodat. odchylka jednot.= ", real_field(st["m0"], 6, 1)})));
    }
    EXPECT_TRUE(
        has(l, cat({" Uvažovaná směrodatná odchylka        =", real_field(st["m0_used"], 6, 1)})));
    for (const Json& p : doc["points"]) {
        const std::string n = cat({" ", int_field(p["number"], 4), " "});
        std::string row = n;
        for (const char* axis : {"x", "y", "z"}) {
            const double adj = p["adjusted"][axis], apx = p["approximate"][axis];
            row.append(real_field(adj, 13, 1)).append(real_field(apx - adj, 8, 1));
        }
        EXPECT_TRUE(has(l, row)) << row;
        const Json& e = p["ellipsoid"];
        row = ellipsoid_row(p["number"], {e["a"], e["b"], e["c"], e["alfa"], e["beta"], e["gama"]});
        EXPECT_TRUE(has(l, row)) << row;
    }
    for (const Json& o : doc["observations"]) {
        const std::string row =
            cat({"   ", int_field(o["station"], 5), int_field(o["target"], 5), "    ",
                 real_field(o["value"], 10, 1), real_field(o["weight"], 10, 1),
                 real_field(o["residual"], 10, 1)});
        EXPECT_TRUE(has(l, row)) << row;
    }
    for (const Json& d : doc["derived"]) {
        const auto& pts = d["points"];
        const std::string third =
            pts.size() == 3 ? cat({" -", int_field(pts[2], 4), "  "}) : std::string(8, ' ');
        const std::string row =
            cat({"  ", int_field(pts[0], 4), " -", int_field(pts[1], 4), third,
                 real_field(d["value"], 12, 1), "      ", real_field(d["sd"], 9, 3)});
        EXPECT_TRUE(has(l, row)) << row;
    }
    covariance_agrees(doc, l);
}

// The covariance is symmetric, and each point's block, taken back to cofactors and put through
// the listing's own ellipsoid computation, gives the listing's figures.
void covariance_agrees(const Json& doc, const std::string& l) {
    const Json& cov = doc["covariance"]["matrix"];
    const double MO = doc["statistics"]["m0_used"];
    for (std::size_t i = 0; i < cov.size(); ++i) {
        for (std::size_t j = 0; j < cov.size(); ++j) {
            const double a = cov[i][j], b = cov[j][i];
            EXPECT_NEAR(a, b, 1e-12 * std::max(1.0, std::fabs(a)));
        }
    }
    for (std::size_t p = 0; p < doc["points"].size(); ++p) {
        double block[3][3];
        for (std::size_t a = 0; a < 3; ++a) {
            for (std::size_t b = 0; b < 3; ++b) {
                block[a][b] = cov[3 * p + a][3 * p + b].get<double>() / (MO * MO);
            }
        }
        const Ellipsoid e = geo::ellipsoid_of(block, MO);
        const std::string row = ellipsoid_row(doc["points"][p]["number"], e);
        EXPECT_TRUE(has(l, row)) << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, Example,
                         ::testing::Values("mikrosit", "helmert", "castecne", "nejvetsi"));

TEST(Reports, DrawingShowsTheEllipseOfAHandWorkedBlock) {
    // One free point: the page centre, one drawn unit per mm; the largest semi-axis (2 mm) is
    // magnified 50 times to 100 units, the major axis at 50 gon from x (up) towards y (right).
    Results res;
    res.points_read = 1;
    res.points[1].number = 1;
    res.adjusted = true;
    const double cov[3][3] = {{2.5, 1.5, 0}, {1.5, 2.5, 0}, {0, 0, 1}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            res.covariance[i][j] = cov[i][j];
        }
    }
    const std::string svg = svg_report(res, Outcome{});
    EXPECT_NE(svg.find("<ellipse cx=\"1050.0\" cy=\"1375.0\" rx=\"100.0\" ry=\"50.0\" "
                       "transform=\"rotate(-45.0 1050.0 1375.0)\""),
              std::string::npos)
        << svg;
    // The sd of z (1 mm) as a bar of 50 units either way.
    EXPECT_NE(svg.find("y1=\"1325.0\" x2=\"1010.0\" y2=\"1425.0\" class=\"zbar\""),
              std::string::npos);
}

}  // namespace
}  // namespace kavron

namespace kavron {
namespace {

// The drawing of the largest example: no ellipse at a fixed point nor at the points whose x and
// y are both fixed, no z bar where z is fixed, a legend of only what is drawn, and scale bars of
// at least 10 mm (100 units) on the page.
TEST(Reports, DrawingShowsOnlyWhatIsAdjustedAndLegendsOnlyWhatIsDrawn) {
    test::Scratch s;
    const std::filesystem::path ex = KAVRON_EXAMPLES;
    s.put("nejvetsi.txt", slurp(ex / "nejvetsi.txt"));
    test::ScriptReader in(lines_of(slurp(ex / "nejvetsi.konzole")));
    test::StringWriter out, text, errors;
    const auto job = std::make_unique<Storage>();
    ASSERT_EQ(
        run_command({"--svg", "r.svg"}, in, out, text, errors, test::fixed_clock, *job, s.dir()),
        0);
    const std::string svg = s.get("r.svg");
    const auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (auto at = svg.find(what); at != std::string::npos; at = svg.find(what, at + 1)) {
            ++n;
        }
        return n;
    };
    // Codes 7, 4 (x and y fixed), and five others: five ellipses and the legend's.
    EXPECT_EQ(count("class=\"ell\""), 6U);
    // z is free at the points of codes 0, 1, 2 and 4: four bars and the legend's.
    EXPECT_EQ(count("class=\"zbar\""), 4U + 1 + 1);  // and the ellipses' scale bar
    EXPECT_EQ(count("Helmertův bod"), 0U);
    EXPECT_EQ(count("pevné souřadnice: bez elipsy a bez úsečky"), 1U);
    for (const char* bar : {"y1=\"2450\" class=\"bar\"", "y2=\"2600\" class=\"zbar\""}) {
        const auto at = svg.rfind("x2=\"", svg.find(bar));
        ASSERT_NE(at, std::string::npos) << bar;
        EXPECT_GE(std::stod(svg.substr(at + 4)) - 1500.0, 100.0) << bar;
    }
}

}  // namespace
}  // namespace kavron
