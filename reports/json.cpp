// The results of a run as one JSON document: what the listing shows, at full precision, and how
// the run ended, so that a script can compare jobs. Names: docs/json.md.
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "format/codepage.hpp"
#include "reports/json_parts.hpp"
#include "reports/reports.hpp"

namespace kavron {

std::string action_text(std::string bytes) {
    while (!bytes.empty() && bytes.back() == ' ') {
        bytes.pop_back();
    }
    return as_utf8(bytes, CodePage::Cp1250);
}

std::string ending_message(const Outcome& end) {
    if (!end.note.empty()) {
        return end.note;
    }
    return end.ending == Ending::Normal ? std::string() : end.text;
}

namespace {

Json xyz(double x, double y, double z) {
    return Json{{"x", x}, {"y", y}, {"z", z}};
}

}  // namespace

namespace {

std::string_view derived_kind(Derived d) {
    switch (d) {
        case Derived::SpatialDistance:
            return "spatial_distance";
        case Derived::HorizontalDistance:
            return "horizontal_distance";
        case Derived::HeightDifference:
            return "height_difference";
        case Derived::Angle:
            return "angle";
        case Derived::ZenithAngle:
            return "zenith_angle";
    }
    return {};
}

}  // namespace

const char* kind_key(Kind k) {
    return k == Kind::Direction ? "direction" : k == Kind::Zenith ? "zenith_angle" : "distance";
}

Json job_json(const Results& res) {
    Json job;
    job["action"] = action_text(res.action);
    job["apriori"] = {{"direction_sd_cc", static_cast<double>(res.UU)},
                      {"distance_sd_mm", static_cast<double>(res.UD)},
                      {"zenith_sd_cc", static_cast<double>(res.UZ)},
                      {"unit_sd", static_cast<double>(res.MOO)},
                      {"coordinate_sd_mm", res.MCH}};
    job["counts"] = {{"points", res.points_read},    {"directions", res.directions},
                     {"zenith_angles", res.zeniths}, {"distances", res.distances},
                     {"equations", res.equations},   {"unknowns", 3 * res.points_read}};
    return job;
}

Json points_json(const Results& res) {
    Json points = Json::array();
    for (int i = 1; i <= res.points_read; ++i) {
        const Point& pt = res.points[i];
        Json p;
        p["number"] = pt.number;
        p["code"] = pt.code;
        p["approximate"] = xyz(pt.approx[0], pt.approx[1], pt.approx[2]);
        if (res.adjusted) {
            const int a = 3 * i - 3;
            p["adjusted"] = xyz(pt.adjusted[0], pt.adjusted[1], pt.adjusted[2]);
            p["sigma"] = xyz(std::sqrt(std::fabs(res.covariance[a][a])),
                             std::sqrt(std::fabs(res.covariance[a + 1][a + 1])),
                             std::sqrt(std::fabs(res.covariance[a + 2][a + 2])));
            const Ellipsoid& e = pt.ellipsoid;
            p["ellipsoid"] = {{"a", e.a},       {"b", e.b},       {"c", e.c},
                              {"alfa", e.alfa}, {"beta", e.beta}, {"gama", e.gama}};
        }
        points.push_back(p);
    }
    return points;
}

namespace {

Json covariance_of(const Results& res) {
    Json rows = Json::array();
    Json matrix = Json::array();
    for (int i = 0; i < 3 * res.points_read; ++i) {
        rows.push_back(
            {{"point", res.points[i / 3 + 1].number}, {"axis", std::string(1, "xyz"[i % 3])}});
        Json row = Json::array();
        for (int j = 0; j < 3 * res.points_read; ++j) {
            row.push_back(res.covariance[i][j]);
        }
        matrix.push_back(row);
    }
    return {{"unit", "mm2"}, {"rows", rows}, {"matrix", matrix}};
}

// The reliability of a measurement: null where it was not computed or, for the tests, where the
// measurement is uncontrolled.
void reliability_of(Json& o, const Results& res, int g) {
    const Reliability& rel = res.reliability;
    const Reliable& m = rel.of[g];
    const bool on = rel.computed, tested = on && m.controlled;
    const auto num = [](bool has, double v) { return has ? Json(v) : Json(nullptr); };
    o["redundancy"] = num(on, m.r);
    o["sd_residual"] = num(tested, m.sd_v);
    o["normalized_residual"] = num(tested, m.w);
    o["studentized_residual"] = num(tested && m.has_tau, m.tau);
    o["outlier"] = tested ? Json(m.outlier) : Json(nullptr);
    o["mdb"] = num(tested, m.mdb);
    o["mdb_effect_mm"] = num(tested, m.mdb_effect);
    o["mdb_effect_point"] = tested && m.mdb_point != 0 ? Json(m.mdb_point) : Json(nullptr);
    o["v_over_r"] = num(tested, m.v_over_r);
    o["m0_without"] = num(tested && m.has_m0_without, m.m0_without);
}

Json observations_of(const Results& res) {
    Json observations = Json::array();
    for (int g = 1; g <= res.observations_read; ++g) {
        const Observation& o = res.observations[g];
        const bool direction = o.kind == Kind::Direction, zenith = o.kind == Kind::Zenith;
        Json j = {{"kind", kind_key(o.kind)},
                  {"station", o.station},
                  {"target", o.target},
                  {"value", o.value},
                  {"unit", direction || zenith ? "cc" : "mm"},
                  {"weight", o.weight},
                  {"residual", res.adjusted ? Json(o.residual) : Json(nullptr)}};
        reliability_of(j, res, g);
        observations.push_back(j);
    }
    return observations;
}

const char* snoop_end_json(SnoopEnd e) {
    switch (e) {
        case SnoopEnd::None:
            return "none";
        case SnoopEnd::Passed:
            return "passed";
        case SnoopEnd::Tied:
            return "tied";
        case SnoopEnd::Redundancy:
            return "redundancy";
        case SnoopEnd::CannotLeaveOut:
            return "cannot_leave_out";
        case SnoopEnd::Steps:
            return "steps";
    }
    return "";
}

Json components_json(const Reliability& rel) {
    const auto num = [](bool has, double v) { return has ? Json(v) : Json(nullptr); };
    Json out = Json::array();
    for (const VarianceComponent& c : rel.components) {
        const bool counted = c.count > 0;
        out.push_back(
            {{"kind", kind_key(c.kind)},
             {"count", c.count},
             {"redundancy", c.redundancy},
             {"ratio", num(counted, c.ratio)},
             {"low", num(c.has_interval, c.low)},
             {"high", num(c.has_interval, c.high)},
             {"passed", c.has_interval ? Json(c.passed) : Json(nullptr)},
             {"iterated_ratio", num(c.settle == VarianceComponent::Settled, c.iterated_ratio)},
             {"weight_factor", num(c.settle == VarianceComponent::Settled, c.weight_factor)},
             {"settled", !counted                                 ? Json(nullptr)
                         : c.settle == VarianceComponent::Settled ? Json("settled")
                         : c.settle == VarianceComponent::Zero    ? Json("zero")
                                                                  : Json("not_settled")}});
    }
    return out;
}

Json snooping_json(const Reliability& rel) {
    Json out = Json::array();
    for (const SnoopStep& s : rel.snooping) {
        Json tied = Json::array();
        for (const int g : s.tied) {
            tied.push_back(g - 1);
        }
        out.push_back({{"index", s.index - 1},
                       {"w", s.w},
                       {"studentized", s.tau},
                       {"tied_indices", tied},
                       {"left_out", s.adjusted},
                       {"m0_after", s.has_m0_after ? Json(s.m0_after) : Json(nullptr)},
                       {"chi2_passed_after", s.adjusted ? Json(s.m0_passed_after) : Json(nullptr)},
                       {"passed_after", s.adjusted ? Json(s.passed_after) : Json(nullptr)}});
    }
    return out;
}

Json reliability_json(const Results& res) {
    const Reliability& rel = res.reliability;
    const auto num = [](bool has, double v) { return has ? Json(v) : Json(nullptr); };
    Json tied = Json::array();
    for (int k = 0; k < rel.tied_count; ++k) {
        tied.push_back(rel.tied[k] - 1);
    }
    return {{"alpha", rel.alpha},
            {"power", rel.power},
            {"delta0", rel.delta0},
            {"critical_normalized", rel.critical_w},
            {"critical_studentized", num(rel.has_critical_tau, rel.critical_tau)},
            {"sum_redundancy", rel.sum_r},
            {"max_normalized_residual", num(rel.max_index != 0, rel.max_w)},
            {"max_index", rel.max_index != 0 ? Json(rel.max_index - 1) : Json(nullptr)},
            {"chi2_interval",
             rel.has_chi2 ? Json::array({rel.chi2_low, rel.chi2_high}) : Json(nullptr)},
            {"chi2_passed", rel.has_chi2 ? Json(rel.chi2_passed) : Json(nullptr)},
            {"m0_verdict", !rel.has_chi2  ? Json(nullptr)
                           : rel.m0_large ? Json("large")
                           : rel.m0_small ? Json("small")
                                          : Json("fits")},
            {"tied_indices", tied},
            {"variance_components", components_json(rel)},
            {"snooping", snooping_json(rel)},
            {"snooping_end", snoop_end_json(rel.snoop_end)}};
}

}  // namespace

Json warnings_json(const Results& res) {
    Json warnings = Json::array();
    for (const Warning& w : res.warnings) {
        warnings.push_back({{"line", w.line}, {"kind", std::string(w.kind)}, {"text", w.text}});
    }
    return warnings;
}

std::string json_report(const Results& res, const Outcome& end) {
    Json doc;
    doc["format"] = "kavron-results";
    doc["version"] = 1;
    char date[80];
    const DateTime& d = res.date;
    std::snprintf(date, sizeof date, "%04d-%02d-%02dT%02d:%02d:%02d", d.year, d.month, d.day,
                  d.hour, d.minute, d.second);
    doc["date"] = date;
    const std::string message = ending_message(end);
    doc["ending"] = {{"status", end.status},
                     {"kind", std::string(info(end.ending).kind)},
                     {"message", message},
                     {"input_line", end.input_line != 0 ? Json(end.input_line) : Json(nullptr)}};
    doc["job"] = job_json(res);
    doc["points"] = points_json(res);
    if (res.adjusted) {
        doc["covariance"] = covariance_of(res);
        doc["statistics"] = {
            {"m0", res.m0_tested ? Json(res.m0) : Json(nullptr)},
            {"m0_apriori", static_cast<double>(res.MOO)},
            {"m0_used", res.MO},
            {"redundancy", res.redundancy},
            {"passes", res.passes},
            {"m0_test_passed", res.m0_tested ? Json(!res.m0_warning) : Json(nullptr)}};
    }
    doc["observations"] = observations_of(res);
    if (res.reliability.computed) {
        doc["reliability"] = reliability_json(res);
    }
    doc["warnings"] = warnings_json(res);
    Json derived = Json::array();
    for (const DerivedQuantity& q : res.derived) {
        const bool angle = q.kind == Derived::Angle || q.kind == Derived::ZenithAngle;
        std::vector<int> points(q.points, q.points + (q.kind == Derived::Angle ? 3 : 2));
        derived.push_back({{"kind", std::string(derived_kind(q.kind))},
                           {"points", points},
                           {"value", q.value},
                           {"sd", q.sd},
                           {"unit", angle ? "cc" : "mm"}});
    }
    doc["derived"] = derived;
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace kavron
