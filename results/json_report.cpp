// The results of a run as one JSON document: what the listing shows, at full precision, and how
// the run ended, so that a script can compare jobs. Names: docs/json.md.
#include <nlohmann/json.hpp>

#include <cmath>
#include <string>

#include "driver/run.hpp"
#include "format/codepage.hpp"

namespace kavron {

namespace {

using Json = nlohmann::ordered_json;

}  // namespace

std::string action_text(std::string bytes) {
    while (!bytes.empty() && bytes.back() == ' ') {
        bytes.pop_back();
    }
    std::size_t i = 0;
    bool valid = true;
    while (valid && i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const std::size_t len = b < 0x80             ? 1
                                : (b & 0xE0) == 0xC0 ? 2
                                : (b & 0xF0) == 0xE0 ? 3
                                : (b & 0xF8) == 0xF0 ? 4
                                                     : 0;
        valid = len != 0 && i + len <= bytes.size() && (len != 2 || b >= 0xC2);
        for (std::size_t k = 1; valid && k < len; ++k) {
            valid = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
        }
        i += len;
    }
    return valid ? bytes : decode(bytes, CodePage::Cp1250);
}

namespace {

// The console text of the ending: lines as the console shows them (code page 852), without the
// closing KONEC.
std::string message_of(const std::string& console, std::size_t from) {
    const std::string utf8 =
        decode(console.substr(std::min(from, console.size())), CodePage::Cp852);
    std::string out;
    std::string line;
    auto flush = [&] {
        const auto a = line.find_first_not_of(' ');
        const auto b = line.find_last_not_of(' ');
        if (a != std::string::npos) {
            if (!out.empty()) {
                out.push_back('\n');
            }
            out.append(line, a, b - a + 1);
        }
        line.clear();
    };
    for (const char c : utf8) {
        if (c == '\r' || c == '\n') {
            flush();
        } else {
            line.push_back(c);
        }
    }
    flush();
    const std::string tail = "KONEC";
    if (out.size() >= tail.size() &&
        out.compare(out.size() - tail.size(), tail.size(), tail) == 0) {
        out.erase(out.size() - tail.size());
        while (!out.empty() && out.back() == '\n') {
            out.pop_back();
        }
    }
    return out;
}

Json xyz(double x, double y, double z) {
    return Json{{"x", x}, {"y", y}, {"z", z}};
}

}  // namespace

void write_json(std::FILE* f, const Run& r, int status, const std::string& console) {
    const Task& t = r.t;
    const Report& rep = r.rep;
    Json doc;
    doc["format"] = "kavron-results";
    doc["version"] = 1;
    char date[80];
    std::snprintf(date, sizeof date, "%04d-%02d-%02dT%02d:%02d:%02d", t.IYR, t.IMON, t.IDAY, t.IHR,
                  t.IMIN, t.ISEC);
    doc["date"] = date;
    const bool normal = rep.ending == "normal";
    doc["ending"] = {{"status", status},
                     {"kind", std::string(rep.ending)},
                     {"message", normal ? std::string() : message_of(console, rep.ending_from)}};

    Json job;
    job["action"] = action_text(t.ZAH);
    job["apriori"] = {{"direction_sd_cc", static_cast<double>(t.UU)},
                      {"distance_sd_mm", static_cast<double>(t.UD)},
                      {"zenith_sd_cc", static_cast<double>(t.UZ)},
                      {"unit_sd", static_cast<double>(t.MOO)},
                      {"coordinate_sd_mm", t.MCH}};
    job["counts"] = {{"points", t.IB},    {"directions", t.IS}, {"zenith_angles", t.IZ},
                     {"distances", t.ID}, {"equations", t.NM},  {"unknowns", 3 * t.IB}};
    doc["job"] = job;

    Json points = Json::array();
    for (int i = 1; i <= t.IB; ++i) {
        Json p;
        p["number"] = t.IN[i];
        p["code"] = t.KOD1[i];
        p["approximate"] = xyz(rep.X0[i], rep.Y0[i], rep.Z0[i]);
        if (rep.adjusted) {
            const int a = 3 * i - 3;
            p["adjusted"] = xyz(t.XO[i], t.YO[i], t.ZO[i]);
            p["sigma"] = xyz(std::sqrt(std::fabs(rep.covariance[a][a])),
                             std::sqrt(std::fabs(rep.covariance[a + 1][a + 1])),
                             std::sqrt(std::fabs(rep.covariance[a + 2][a + 2])));
            const Ellipsoid& e = rep.ellipsoid[i];
            p["ellipsoid"] = {{"a", e.a},       {"b", e.b},       {"c", e.c},
                              {"alfa", e.alfa}, {"beta", e.beta}, {"gama", e.gama}};
        }
        points.push_back(p);
    }
    doc["points"] = points;

    if (rep.adjusted) {
        Json rows = Json::array();
        Json matrix = Json::array();
        for (int i = 0; i < 3 * t.IB; ++i) {
            rows.push_back({{"point", t.IN[i / 3 + 1]}, {"axis", std::string(1, "xyz"[i % 3])}});
            Json row = Json::array();
            for (int j = 0; j < 3 * t.IB; ++j) {
                row.push_back(rep.covariance[i][j]);
            }
            matrix.push_back(row);
        }
        doc["covariance"] = {{"unit", "mm2"}, {"rows", rows}, {"matrix", matrix}};
        doc["statistics"] = {
            {"m0", rep.m0_tested ? Json(rep.m0) : Json(nullptr)},
            {"m0_apriori", static_cast<double>(t.MOO)},
            {"m0_used", t.MO},
            {"redundancy", rep.redundancy},
            {"passes", t.IIT},
            {"m0_test_passed", rep.m0_tested ? Json(rep.m0_passed) : Json(nullptr)}};
    }

    Json observations = Json::array();
    for (int g = 1; g <= t.NR; ++g) {
        const bool direction = g <= t.IS, zenith = !direction && g <= t.ISZ;
        const double value = direction ? t.SMO[g] : zenith ? t.ZMO[g - t.IS] : t.DO[g - t.ISZ];
        observations.push_back({{"kind", direction ? "direction"
                                         : zenith  ? "zenith_angle"
                                                   : "distance"},
                                {"station", t.INS[g]},
                                {"target", t.INC[g]},
                                {"value", value},
                                {"unit", direction || zenith ? "cc" : "mm"},
                                {"weight", t.PPP(1, g)},
                                {"residual", rep.adjusted ? Json(t.V(g, 1)) : Json(nullptr)}});
    }
    doc["observations"] = observations;

    Json derived = Json::array();
    for (const DerivedQuantity& d : rep.derived) {
        const bool angle = d.kind == "angle" || d.kind == "zenith_angle";
        derived.push_back({{"kind", std::string(d.kind)},
                           {"points", d.points},
                           {"value", d.value},
                           {"sd", d.sd},
                           {"unit", angle ? "cc" : "mm"}});
    }
    doc["derived"] = derived;

    const std::string text = doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    std::fwrite(text.data(), 1, text.size(), f);
}

}  // namespace kavron
