// The import of field data against a model written apart (tests/field_model.hpp): readings
// generated from chosen true marks, with the instrument's 2c and index error, the circle turned
// between sets, curvature and refraction, heights and noise, written as GSI-8 and GSI-16 in
// every unit and as the field book. The import must give the true mark-to-mark values back
// within the resolution and the noise, its input adjusted the true coordinates, and each
// planted fault must be flagged at its line, and nothing else.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

#include "field_model.hpp"
#include "format/codepage.hpp"
#include "harness.hpp"

namespace kavron {
namespace {

using Json = nlohmann::json;
using test::FieldModel;

// Four marks on a slope, 40 to 90 m apart; every mark a station that sights the others.
FieldModel quadrilateral(int sets = 2) {
    FieldModel m;
    m.marks = {{"101", 1000.0, 2000.0, 250.000},
               {"102", 1062.3, 2018.4, 251.370},
               {"103", 1041.8, 2081.2, 249.215},
               {"104", 987.5, 2055.9, 252.842}};
    const double heights[4] = {1.552, 1.608, 1.497, 1.631};
    for (int a = 0; a < 4; ++a) {
        test::FieldSetupModel su;
        su.station = m.marks[static_cast<std::size_t>(a)].id;
        su.i = heights[a];
        su.sets = sets;
        su.circle = 37.0 + 61.0 * a;
        su.order = a % 3;
        for (int b = 0; b < 4; ++b) {
            if (b != a) {
                su.sights.push_back({m.marks[static_cast<std::size_t>(b)].id, 1.5 + 0.1 * b});
            }
        }
        m.setups.push_back(su);
    }
    return m;
}

struct Imported {
    test::Scratch s;
    int status = -1;
    std::string errors;
    Json doc;
    std::string input;  // the input file, UTF-8
    Imported(const std::map<std::string, std::string>& files, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"import"};
        for (const auto& [name, bytes] : files) {
            s.put(name, bytes);
            args.push_back(name);
        }
        args.insert(args.end(), {"--output", "vstup.txt", "--json", "i.json"});
        args.insert(args.end(), extra.begin(), extra.end());
        test::ScriptReader none({});
        test::StringWriter out, text, err;
        const auto st = std::make_unique<Storage>();
        status = run_command(args, none, out, text, err, test::fixed_clock, *st, s.dir());
        errors = err.text;
        if (s.exists("i.json")) {
            doc = Json::parse(s.get("i.json"));
        }
        input = decode(s.get("vstup.txt"), CodePage::Cp1250);
    }
    // The measurement of the kind between two points (numbers as the field ids are).
    const Json* measurement(const char* kind, int station, int target) const {
        for (const Json& m : doc["measurements"]) {
            if (m["kind"] == kind && m["station"] == station && m["target"] == target) {
                return &m;
            }
        }
        return nullptr;
    }
    std::vector<std::string> flag_kinds() const {
        std::vector<std::string> out;
        for (const Json& f : doc["flags"]) {
            out.push_back(f["kind"]);
        }
        return out;
    }
};

double wrap_cc(double cc) {
    cc = std::fmod(cc, 4000000.0);
    if (cc > 2000000.0) {
        cc -= 4000000.0;
    } else if (cc <= -2000000.0) {
        cc += 4000000.0;
    }
    return cc;
}

// Every mean of the import against the marks' true values: directions reduced to the station's
// first target, zenith angles and distances mark to mark.
void expect_truth(const FieldModel& m, const Imported& imp, double angle_cc, double length_mm) {
    ASSERT_FALSE(imp.doc.is_null()) << imp.errors;
    int seen = 0;
    for (const test::FieldSetupModel& su : m.setups) {
        const int st = std::stoi(su.station);
        const std::string& first = su.sights.front().target;
        const double zero = m.truth(su.station, first).bearing;
        for (const test::FieldSight& s : su.sights) {
            const int t = std::stoi(s.target);
            const auto g = m.truth(su.station, s.target);
            const Json* dir = imp.measurement("direction", st, t);
            const Json* zen = imp.measurement("zenith_angle", st, t);
            const Json* dist = imp.measurement("distance", st, t);
            ASSERT_TRUE(dir != nullptr && zen != nullptr && dist != nullptr)
                << su.station << " " << s.target;
            EXPECT_NEAR(wrap_cc(dir->at("value").get<double>() - (g.bearing - zero) * 1e4), 0,
                        angle_cc)
                << su.station << " -> " << s.target;
            EXPECT_NEAR(zen->at("value").get<double>(), g.z * 1e4, angle_cc)
                << su.station << " -> " << s.target;
            EXPECT_NEAR(dist->at("value").get<double>(), g.d * 1000.0, length_mm)
                << su.station << " -> " << s.target;
            EXPECT_EQ(dir->at("sets"), su.sets);
            ++seen;
        }
    }
    EXPECT_EQ(seen * 3, static_cast<int>(imp.doc["measurements"].size()));
}

TEST(ImportTruth, GsiInEveryUnitGivesTheMarksBack) {
    const FieldModel m = quadrilateral();
    // The resolutions: 0.1 cc, 0.00001° (0.11 cc), 0.1" (0.31 cc), 0.0001 mil (0.06 cc); 1 mm,
    // 1/1000 ft (0.3 mm), 0.1 mm, 1/10000 ft, 0.01 mm. A zenith angle to the marks moves with
    // the rounding of the distance and of the heights (1/1000 ft, 0.3 mm, at 40 m: 5 cc).
    const struct {
        char angle, length;
        double angle_cc, length_mm;
    } units[] = {{'2', '8', 0.2, 0.01},
                 {'3', '6', 0.3, 0.1},
                 {'4', '7', 0.5, 0.05},
                 {'5', '0', 3.0, 0.6},
                 {'2', '1', 6.0, 0.2}};
    for (const bool sixteen : {false, true}) {
        for (const auto& u : units) {
            std::vector<test::Shot> shots = m.shots();
            test::GsiStyle style;
            style.sixteen = sixteen;
            style.angle = u.angle;
            style.length = u.length;
            style.code_block = u.angle == '3';
            style.eol = u.length == '6' ? "\n" : u.length == '7' ? "\r" : "\r\n";
            const Imported imp({{"den.gsi", test::write_gsi(m, shots, style)}});
            EXPECT_EQ(imp.status, 0) << imp.errors << ::testing::PrintToString(imp.flag_kinds());
            SCOPED_TRACE(std::string("GSI-") + (sixteen ? "16" : "8") + " units " + u.angle +
                         u.length);
            expect_truth(m, imp, u.angle_cc, u.length_mm);
        }
    }
}

TEST(ImportTruth, TheFieldBookGivesTheMarksBack) {
    const FieldModel m = quadrilateral(3);
    for (const char* sep : {" ", ";", "\t"}) {
        std::vector<test::Shot> shots = m.shots();
        const Imported imp({{"zapisnik.txt", test::write_book(m, shots, sep)}});
        EXPECT_EQ(imp.status, 0) << imp.errors << ::testing::PrintToString(imp.flag_kinds());
        expect_truth(m, imp, 0.2, 0.01);
    }
}

// The weight each measurement of an input file carries, by kind (0 directions, 1 zenith angles,
// 2 distances), station and target, as its text.
std::map<std::array<int, 3>, std::string> weights_in(const std::string& input) {
    std::map<std::array<int, 3>, std::string> out;
    std::istringstream in(input);
    std::string line;
    std::getline(in, line);  // the action line
    std::getline(in, line);  // the header
    int section = -1;        // the points
    while (std::getline(in, line)) {
        std::istringstream f(line);
        int station = 0, target = 0;
        std::string value, weight;
        f >> station;
        if (station == -1) {
            ++section;
            continue;
        }
        f >> target >> value >> weight;
        if (section >= 0) {
            out[{section, station, target}] = weight;
        }
    }
    return out;
}

// The weights of means over 1 to 7 sets with default and odd sds: n·(sd of a direction / sd)^2 in
// four significant digits, the same in the input file, the JSON and the report's column, and
// short enough to type (three sets of 0.09 are 0.27, not 0.26999999999999996).
TEST(ImportTruth, EveryWeightIsTheSameInTheInputTheJsonAndTheReport) {
    for (const int sets : {1, 3, 7}) {
        for (const std::vector<std::string>& sds :
             {std::vector<std::string>{}, {"--sd-zenith", "7", "--sd-distance", "0,7"}}) {
            SCOPED_TRACE(std::to_string(sets) + " sets, " + std::to_string(sds.size()) +
                         " options");
            const FieldModel m = quadrilateral(sets);
            std::vector<test::Shot> shots = m.shots();
            std::vector<std::string> extra = sds;
            extra.insert(extra.end(), {"--report", "r.txt"});
            const Imported imp({{"den.gsi", test::write_gsi(m, shots, test::GsiStyle{})}}, extra);
            ASSERT_EQ(imp.status, 0) << imp.errors;
            const double zenith = sds.empty() ? 10.0 : 7.0, distance = sds.empty() ? 1.0 : 0.7;
            const auto written = weights_in(imp.input);
            const std::string report = decode(imp.s.get("r.txt"), CodePage::Cp1250);
            ASSERT_EQ(written.size(), imp.doc["measurements"].size());
            for (const Json& x : imp.doc["measurements"]) {
                const std::string kind = x["kind"];
                const int k = kind == "direction" ? 0 : kind == "zenith_angle" ? 1 : 2;
                const double sd = k == 0 ? 3.0 : k == 1 ? zenith : distance;
                const double exact = x["sets"].get<int>() * 9.0 / (sd * sd);
                const std::string& text = written.at({k, x["station"], x["target"]});
                EXPECT_EQ(std::stod(text), x["weight"].get<double>()) << text;
                EXPECT_NEAR(std::stod(text), exact, exact * 5e-4) << text;
                // At most four significant digits, as typed.
                std::size_t digits = 0;
                bool leading = true;
                for (const char c : text) {
                    leading = leading && (c == '0' || c == '.');
                    digits += !leading && c != '.' ? 1 : 0;
                }
                EXPECT_LE(digits, 4u) << text;
                EXPECT_NE(report.find(" " + text + " "), std::string::npos) << text;
            }
        }
    }
}

// The lines of a text, and the text again (CR LF).
std::vector<std::string> lines_in(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        out.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return out;
}

std::string joined_lines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) {
        out += l + "\r\n";
    }
    return out;
}

struct Planted {
    std::string kind;
    int line;
};

// A day in the field with faults planted: each must be flagged at its line; nothing else may be
// flagged but what follows from them.
TEST(ImportChecks, EveryPlantedFaultIsFlaggedAtItsLineAndNothingElse) {
    FieldModel m = quadrilateral(3);
    m.marks[3].id = "BP04";  // a named point
    for (test::FieldSetupModel& su : m.setups) {
        su.station = su.station == "104" ? "BP04" : su.station;
        for (test::FieldSight& s : su.sights) {
            s.target = s.target == "104" ? "BP04" : s.target;
        }
    }
    m.setups[2].turn = false;  // the circle not turned between the sets of 103
    m.inst.sd_angle = 0.0001;  // 1 cc a reading
    m.inst.sd_distance = 0.0003;
    std::vector<test::Shot> shots = m.shots();
    const auto shot = [&](const std::string& st, const std::string& t, int set, bool face2) {
        for (std::size_t k = 0; k < shots.size(); ++k) {
            const test::Shot& x = shots[k];
            if (x.station == st && x.target == t && x.set == set && x.face2 == face2) {
                return k;
            }
        }
        ADD_FAILURE() << st << " " << t;
        return std::size_t{0};
    };
    // A blunder in a face II zenith reading; in a face II direction; a wrong target height in
    // one set (both faces); a face not measured.
    shots[shot("101", "103", 2, true)].v += 0.05;
    shots[shot("102", "103", 1, true)].hz += 0.05;
    shots[shot("103", "BP04", 2, false)].t += 0.05;
    shots[shot("103", "BP04", 2, true)].t += 0.05;
    shots.erase(shots.begin() + static_cast<std::ptrdiff_t>(shot("BP04", "102", 3, true)));
    test::GsiStyle style;
    std::vector<test::Shot> written = shots;
    std::vector<std::string> lines = lines_in(test::write_gsi(m, written, style));
    const auto line_of = [&](const std::string& st, const std::string& t, int set, bool face2) {
        for (const test::Shot& x : written) {
            if (x.station == st && x.target == t && x.set == set && x.face2 == face2) {
                return x.line;
            }
        }
        return 0;
    };
    std::vector<Planted> planted = {
        {"index_error", line_of("101", "103", 2, false)},
        {"collimation", line_of("102", "103", 1, false)},
        {"set_closure", line_of("103", "BP04", 2, false)},
        {"single_face", line_of("BP04", "102", 3, false)},
    };
    // A block twice, and a line of garbage, the later lines moving on.
    const int twice = line_of("102", "101", 2, false);
    lines.insert(lines.begin() + twice, lines[static_cast<std::size_t>(twice - 1)]);
    for (Planted& p : planted) {
        p.line += p.line > twice ? 1 : 0;
    }
    planted.push_back({"duplicate", twice + 1});
    const int garbage = 30;
    lines.insert(lines.begin() + garbage - 1, "Kalibrace kompenzatoru 12.5.2026 v poradku");
    for (Planted& p : planted) {
        p.line += p.line >= garbage ? 1 : 0;
    }
    planted.push_back({"unread_line", garbage});
    const Imported imp({{"den.gsi", joined_lines(lines)}});
    ASSERT_EQ(imp.status, 1) << imp.errors;
    for (const Planted& p : planted) {
        bool found = false;
        for (const Json& f : imp.doc["flags"]) {
            found = found || (f["kind"] == p.kind && f["line"] == p.line);
        }
        EXPECT_TRUE(found) << p.kind << " at line " << p.line << ": " << imp.doc["flags"].dump(1);
    }
    // Beyond them only what the wrong height gives the sight measured both ways.
    for (const Json& f : imp.doc["flags"]) {
        bool planted_here = false;
        for (const Planted& p : planted) {
            planted_here = planted_here || (f["kind"] == p.kind && f["line"] == p.line);
        }
        const bool follows =
            f["kind"] == "reciprocal_zenith" && ((f["station"] == "103" && f["target"] == "BP04") ||
                                                 (f["station"] == "BP04" && f["target"] == "103"));
        EXPECT_TRUE(planted_here || follows) << f.dump();
    }
    // The blunders are left out of the means; the named point got a number of its own.
    bool numbered = false;
    for (const Json& p : imp.doc["points"]) {
        numbered = numbered || (p["name"] == "BP04" && p["number"] == 1);
    }
    EXPECT_TRUE(numbered) << imp.doc["points"].dump();
}

// The flags of a kind, as their lines.
std::vector<int> flagged(const Imported& imp, const char* kind) {
    std::vector<int> out;
    for (const Json& f : imp.doc["flags"]) {
        if (f["kind"] == kind) {
            out.push_back(f["line"]);
        }
    }
    return out;
}

// Some instruments write their blocks one after another without a line end: each block begins
// with its word 11 (or 41) and number, and the day reads as it does a block to a line.
TEST(ImportReading, BlocksWithoutLineEndsReadAsBlocksOfTheirOwn) {
    const FieldModel m = quadrilateral(2);
    for (const bool sixteen : {false, true}) {
        for (const bool code_block : {false, true}) {
            test::GsiStyle style;
            style.sixteen = sixteen;
            style.code_block = code_block;
            std::vector<test::Shot> shots = m.shots();
            const Imported lines({{"den.gsi", test::write_gsi(m, shots, style)}});
            style.eol = "";
            const Imported one({{"den.gsi", test::write_gsi(m, shots, style)}});
            ASSERT_EQ(lines.status, 0) << lines.errors;
            EXPECT_EQ(one.status, 0) << one.errors << one.doc["flags"].dump(1);
            EXPECT_EQ(one.doc["measurements"], lines.doc["measurements"]);
        }
    }
}

// A distance word of zeros is the instrument's "no distance": the pair takes the distance of
// its other sets, never a distance of 0. A word twice in one block says neither value: the
// block is named and left out. A field book's distance of 0 is unreadable ("-" is unmeasured).
TEST(ImportReading, NoDistanceAndAWordTwiceAreNotReadings) {
    const FieldModel m = quadrilateral(3);
    std::vector<test::Shot> shots = m.shots();
    std::vector<std::string> lines = lines_in(test::write_gsi(m, shots, test::GsiStyle{}));
    const auto line_of = [&](const std::string& st, const std::string& t, int set, bool face2) {
        for (const test::Shot& x : shots) {
            if (x.station == st && x.target == t && x.set == set && x.face2 == face2) {
                return x.line;
            }
        }
        ADD_FAILURE() << st << " " << t;
        return 0;
    };
    for (const bool face2 : {false, true}) {
        std::string& l = lines[static_cast<std::size_t>(line_of("101", "102", 2, face2) - 1)];
        const std::size_t w = l.find(" 31..00+");
        ASSERT_NE(w, std::string::npos) << l;
        l.replace(w + 8, 8, "00000000");
    }
    const int twice = line_of("103", "104", 1, false);
    std::string& l = lines[static_cast<std::size_t>(twice - 1)];
    l += l.substr(l.find(" 21."), 17);
    const Imported imp({{"den.gsi", joined_lines(lines)}});
    ASSERT_EQ(imp.status, 1) << imp.errors;
    const Json* d = imp.measurement("distance", 101, 102);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->at("sets"), 2);
    EXPECT_NEAR(d->at("value").get<double>(), m.truth("101", "102").d * 1000.0, 0.5);
    EXPECT_EQ(flagged(imp, "unread_line"), std::vector<int>{twice});
    EXPECT_EQ(flagged(imp, "single_face"), std::vector<int>{line_of("103", "104", 1, true)});
    const Json* z = imp.measurement("zenith_angle", 103, 104);
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(z->at("sets"), 3);  // the face II reading alone, corrected by the index error
    EXPECT_EQ(imp.measurement("direction", 103, 104)->at("sets"), 3);

    std::vector<test::Shot> booked = m.shots();
    std::vector<std::string> book = test::lines_of(test::write_book(m, booked, " "));
    const int zero = booked[5].line;
    std::string& r = book[static_cast<std::size_t>(zero - 1)];
    std::istringstream f(r);
    std::string a, b, hz, v, dist, t;
    f >> a >> b >> hz >> v >> dist >> t;
    r = a + " " + b + " " + hz + " " + v + " 0 " + t;
    const Imported fb({{"zapisnik.txt", joined_lines(book)}});  // CR LF: the import takes both
    EXPECT_EQ(flagged(fb, "unread_line"), std::vector<int>{zero}) << fb.errors;
}

// A code block whose info words are zeros (a crew's code for the next target) names no station:
// the readings after it belong to none until --station names the file's one station.
TEST(ImportReading, ACodeBlockOfZerosIsNoSetup) {
    FieldModel m = quadrilateral(1);
    m.setups.resize(1);
    std::vector<test::Shot> shots = m.shots();
    test::GsiStyle style;
    style.code_block = true;
    std::vector<std::string> lines = lines_in(test::write_gsi(m, shots, style));
    const std::size_t w = lines[0].find(" 42....+");
    ASSERT_NE(w, std::string::npos) << lines[0];
    lines[0].replace(w + 8, 8, "00000000");
    const Imported none({{"den.gsi", joined_lines(lines)}});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.errors.find("bez stanoviska"), std::string::npos) << none.errors;
    // Named, the readings are the station's; its height went with the empty code block.
    const Imported named({{"den.gsi", joined_lines(lines)}}, {"--station", "101"});
    EXPECT_EQ(named.status, 1) << named.errors;
    EXPECT_EQ(named.flag_kinds(), std::vector<std::string>{"missing_height"});
    EXPECT_EQ(named.doc["measurements"].size(), 9u);
}

// A station whose targets were read in one face only has no index error or 2c to compare.
TEST(ImportReading, AStationWithoutPairsHasNoMedians) {
    FieldModel m = quadrilateral(1);
    std::vector<test::Shot> shots = m.shots();
    std::erase_if(shots, [](const test::Shot& s) { return s.station == "102" && s.face2; });
    const Imported imp({{"den.gsi", test::write_gsi(m, shots, test::GsiStyle{})}});
    ASSERT_EQ(imp.status, 1) << imp.errors;
    for (const Json& st : imp.doc["stations"]) {
        EXPECT_EQ(st["median_index_error_cc"].is_null(), st["name"] == "102") << st["name"];
        EXPECT_EQ(st["median_collimation_cc"].is_null(), st["name"] == "102") << st["name"];
    }
}

// The marks and sights of an input or plan file: its points as the true marks, each station's
// directions as its sights, all in both faces.
FieldModel from_plan(const std::string& plan) {
    FieldModel m;
    const std::vector<std::string> lines = test::lines_of(plan);
    std::size_t k = 2;
    for (; k < lines.size() && lines[k].rfind("-1", 0) != 0; ++k) {
        int n = 0, code = 0;
        double x = 0, y = 0, z = 0;
        if (std::sscanf(lines[k].c_str(), "%d %d %lf %lf %lf", &n, &code, &x, &y, &z) == 5) {
            m.marks.push_back({std::to_string(n), x / 1000, y / 1000, z / 1000});
        }
    }
    for (++k; k < lines.size() && lines[k].rfind("-1", 0) != 0; ++k) {
        int a = 0, b = 0;
        if (std::sscanf(lines[k].c_str(), "%d %d", &a, &b) == 2) {
            if (m.setups.empty() || m.setups.back().station != std::to_string(a)) {
                test::FieldSetupModel su;
                su.station = std::to_string(a);
                su.i = 1.4 + 0.05 * static_cast<double>(m.setups.size());
                su.sets = 2;
                su.circle = 11.0 * static_cast<double>(m.setups.size());
                m.setups.push_back(su);
            }
            m.setups.back().sights.push_back({std::to_string(b), 1.3 + 0.02 * (b % 7)});
        }
    }
    return m;
}

// The adjusted coordinates of a console run of the input.
std::map<int, std::array<double, 3>> adjusted(const std::string& input_utf8) {
    const test::JsonRun r =
        test::run_with_json(encode(input_utf8, CodePage::Cp1250), {"n", "n", "n", "n", "n"});
    EXPECT_EQ(r.status, 0);
    std::map<int, std::array<double, 3>> out;
    const Json doc = Json::parse(r.json);
    EXPECT_EQ(doc["ending"]["kind"], "normal") << doc["ending"].dump();
    for (const Json& p : doc["points"]) {
        out[p["number"]] = {p["adjusted"]["x"], p["adjusted"]["y"], p["adjusted"]["z"]};
    }
    return out;
}

// A round trip: the design's plan, field data for it, the import with the plan's points, and
// the adjustment of what the import wrote gives the plan's coordinates back.
TEST(ImportRoundTrip, ThePlanMeasuredImportedAndAdjusted) {
    const std::string plan = test::slurp(std::filesystem::path(KAVRON_EXAMPLES) / "navrh.txt");
    FieldModel m = from_plan(plan);
    m.inst.sd_angle = 0.00005;
    m.inst.sd_distance = 0.0002;
    std::vector<test::Shot> shots = m.shots();
    test::GsiStyle style;
    style.sixteen = true;
    {
        test::Scratch t;
        t.put("plan.txt", plan);
        t.put("navrh.gsi", test::write_gsi(m, shots, style));
        test::ScriptReader none({});
        test::StringWriter out, text, err;
        const auto st = std::make_unique<Storage>();
        ASSERT_EQ(run_command({"import", "navrh.gsi", "--points", "plan.txt", "--output", "v.txt"},
                              none, out, text, err, test::fixed_clock, *st, t.dir()),
                  0)
            << err.text;
        const auto xyz = adjusted(decode(t.get("v.txt"), CodePage::Cp1250));
        ASSERT_EQ(xyz.size(), m.marks.size());
        for (const test::Mark& mk : m.marks) {
            const auto& a = xyz.at(std::stoi(mk.id));
            EXPECT_NEAR(a[0], mk.x * 1000, 1.0) << mk.id;
            EXPECT_NEAR(a[1], mk.y * 1000, 1.0) << mk.id;
            EXPECT_NEAR(a[2], mk.z * 1000, 1.0) << mk.id;
        }
    }
}

// Without a points file the import places the points itself (the first station at its origin,
// its first target on the x axis): the adjusted network has the true shape.
TEST(ImportRoundTrip, PlacedPointsAdjustToTheTrueShape) {
    FieldModel m = quadrilateral(2);
    m.inst.sd_angle = 0.00005;
    m.inst.sd_distance = 0.0002;
    std::vector<test::Shot> shots = m.shots();
    const Imported imp({{"den.gsi", test::write_gsi(m, shots, test::GsiStyle{})}});
    ASSERT_EQ(imp.status, 0) << imp.errors;
    const auto xyz = adjusted(imp.input);
    for (std::size_t a = 0; a < m.marks.size(); ++a) {
        for (std::size_t b = a + 1; b < m.marks.size(); ++b) {
            const auto& p = xyz.at(std::stoi(m.marks[a].id));
            const auto& q = xyz.at(std::stoi(m.marks[b].id));
            const double dx = m.marks[a].x - m.marks[b].x, dy = m.marks[a].y - m.marks[b].y,
                         dz = m.marks[a].z - m.marks[b].z;
            EXPECT_NEAR(std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]),
                        1000 * std::sqrt(dx * dx + dy * dy + dz * dz), 1.0);
        }
    }
}

// A target sighted from two stations without a distance is placed by forward intersection, its
// height from the zenith angle; directions that meet only behind their stations (here one read
// 200 gon off, as a target mixed up) place nothing and the refusal says so.
TEST(ImportRoundTrip, AnIntersectedPointIsPlacedInFrontOfItsStations) {
    FieldModel m = quadrilateral(2);
    m.setups.resize(2);  // 101 and 102 sight each other, 103 and 104
    std::vector<test::Shot> shots = m.shots();
    std::vector<std::string> lines = lines_in(test::write_gsi(m, shots, test::GsiStyle{}));
    for (const test::Shot& x : shots) {
        if (x.target == "104") {
            std::string& l = lines[static_cast<std::size_t>(x.line - 1)];
            l.erase(l.find(" 31."), 16);
        }
    }
    const Imported imp({{"den.gsi", joined_lines(lines)}});
    ASSERT_EQ(imp.status, 0) << imp.errors;
    std::map<std::string, std::array<double, 3>> xyz;  // the placed points [m]
    for (const Json& p : imp.doc["points"]) {
        xyz[p["name"]] = {p["x"].get<double>() / 1000, p["y"].get<double>() / 1000,
                          p["z"].get<double>() / 1000};
        EXPECT_EQ(p["source"], p["name"] == "104"   ? "intersection"
                               : p["name"] == "101" ? "station"
                                                    : "polar");
    }
    for (const char* a : {"101", "102", "103"}) {
        const auto g = m.truth(a, "104");
        const auto& p = xyz.at(a);
        const auto& q = xyz.at("104");
        EXPECT_NEAR(std::hypot(p[0] - q[0], p[1] - q[1]), g.s, 0.01) << a;
        EXPECT_NEAR(q[2] - p[2], m.mark("104").z - m.mark(a).z, 0.1) << a;
    }
    // Its zenith angles, which no distance reduces, reduced with the placed coordinates: the
    // adjusted heights are the marks' (they were the target's over the instrument's axis).
    for (const Json& st : imp.doc["stations"]) {
        for (const Json& mean : st["means"]) {
            EXPECT_EQ(mean["coordinate_distance"].is_null(), mean["target"] != "104");
        }
    }
    const auto adj = adjusted(imp.input);
    for (const char* a : {"101", "102", "103"}) {
        EXPECT_NEAR((adj.at(104)[2] - adj.at(std::stoi(a))[2]) / 1000,
                    m.mark("104").z - m.mark(a).z, 0.002)
            << a;
    }
    for (const test::Shot& x : shots) {
        if (x.station == "102" && x.target == "104") {
            std::string& l = lines[static_cast<std::size_t>(x.line - 1)];
            const std::size_t w = l.find(" 21.") + 8;
            const long long hz = std::stoll(l.substr(w, 8));
            char turned[16];
            std::snprintf(turned, sizeof turned, "%08lld", (hz + 20000000) % 40000000);
            l.replace(w, 8, turned);
        }
    }
    const Imported off({{"den.gsi", joined_lines(lines)}});
    EXPECT_EQ(off.status, 2);
    EXPECT_NE(off.errors.find("bod 104 nelze z měření umístit (jeho směry ze stanovisek se "
                              "protínají jen za nimi"),
              std::string::npos)
        << off.errors;
}

// The shipped field files are what their generator writes, and the whole-run case of the guide's
// worked example imports them: the case cannot drift from the example.
TEST(ImportExample, TheCaseImportsTheShippedFiles) {
    const std::filesystem::path ex = std::filesystem::path(KAVRON_EXAMPLES) / "zapisnik";
    const std::filesystem::path cases = std::filesystem::path(KAVRON_TESTS_DIR) / "cases";
    for (const char* f : {"den1.gsi", "den2.gsi"}) {
        EXPECT_EQ(test::slurp(cases / "import-example-two-days" / "before" / f),
                  test::slurp(ex / f))
            << f;
    }
}

}  // namespace
}  // namespace kavron
