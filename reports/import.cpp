// The import of field data: the input file it makes (code page 1250, CR LF, an ordinary input
// file of the program), its report "Import ze zápisníku" (Czech, code page 1250, CR LF, like the
// analysis) and its JSON.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "format/codepage.hpp"
#include "reports/json_parts.hpp"
#include "reports/reports.hpp"
#include "reports/text.hpp"

namespace kavron {

namespace {

using text::fixed;
using text::pad;
using text::Text;

constexpr double kCcPerGon = 10000.0;

// A weight or a deviation as few digits as read back the same (0.09, 18, 10).
std::string weight_text(double w) {
    return text::typed(w, 0);
}

const char* kind_text(FieldMeasurement::Kind k) {
    return k == FieldMeasurement::Direction ? "směr"
           : k == FieldMeasurement::Zenith  ? "zen.úhel"
                                            : "délka";
}

const char* kind_json(FieldMeasurement::Kind k) {
    return k == FieldMeasurement::Direction ? "direction"
           : k == FieldMeasurement::Zenith  ? "zenith_angle"
                                            : "distance";
}

const char* flag_json(FlagKind k) {
    switch (k) {
        case FlagKind::IndexError:
            return "index_error";
        case FlagKind::Collimation:
            return "collimation";
        case FlagKind::SetClosure:
            return "set_closure";
        case FlagKind::SingleFace:
            return "single_face";
        case FlagKind::ReciprocalDistance:
            return "reciprocal_distance";
        case FlagKind::ReciprocalZenith:
            return "reciprocal_zenith";
        case FlagKind::UnreadLine:
            return "unread_line";
        case FlagKind::Duplicate:
            return "duplicate";
        case FlagKind::SingleTarget:
            return "single_target";
        case FlagKind::MissingHeight:
            return "missing_height";
        case FlagKind::LeftOut:
            return "left_out";
    }
    return "";
}

// The action line: in apostrophes, or in quotation marks when it holds an apostrophe.
std::string action_line(const std::string& utf8) {
    std::string a = utf8;
    for (char& c : a) {
        c = c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
    }
    const char q = a.find('\'') != std::string::npos ? '"' : '\'';
    for (char& c : a) {
        c = c == q ? ' ' : c;
    }
    return q + a + q;
}

}  // namespace

std::string import_input(const Import& imp) {
    std::string t = action_line(imp.action) + "\n";
    const ImportOptions& o = imp.options;
    t += weight_text(o.sd_direction) + " " + weight_text(o.sd_distance) + " " +
         weight_text(o.sd_zenith) + " " + weight_text(o.sd_direction) + " 0\n";
    char b[160];
    for (const FieldPoint& p : imp.points) {
        std::snprintf(b, sizeof b, "%d %d %.1f %.1f %.1f\n", p.number, p.code, p.x, p.y, p.z);
        t += b;
    }
    t += "-1\n";
    FieldMeasurement::Kind section = FieldMeasurement::Direction;
    for (const FieldMeasurement& m : imp.measurements) {
        while (m.kind != section) {
            t += "-1\n";
            section = static_cast<FieldMeasurement::Kind>(section + 1);
        }
        std::snprintf(b, sizeof b, "%d %d %.2f ", m.station, m.target, m.value);
        t += b + weight_text(m.weight) + "\n";
    }
    while (section != FieldMeasurement::Distance) {
        t += "-1\n";
        section = static_cast<FieldMeasurement::Kind>(section + 1);
    }
    t += "-1\n";
    return text::in_cp1250(t);
}

namespace {

std::string gon(double v) {
    return fixed(v, 5);
}

std::string cc(double gon_value, int decimals = 1) {
    return fixed(gon_value * kCcPerGon, decimals);
}

std::string place_text(const Place& at) {
    return at.file + ", řádek " + std::to_string(at.line);
}

void head(Text& t, const Import& imp) {
    const ImportOptions& o = imp.options;
    t.line("Import ze zápisníku");
    t.line("===================");
    t.line();
    std::string files;
    for (const FieldFile& f : imp.files) {
        files += (files.empty() ? "" : "; ") + f.name + " (" + f.format + ", řádků " +
                 std::to_string(f.lines) + ")";
    }
    t.line("Soubory:  " + files);
    t.line("Úloha:    " + imp.action);
    int n[3] = {0, 0, 0};
    for (const FieldMeasurement& m : imp.measurements) {
        ++n[m.kind];
    }
    t.line("Vstup:    " + imp.output + " (body " + std::to_string(imp.points.size()) + ", směry " +
           std::to_string(n[0]) + ", zenitové úhly " + std::to_string(n[1]) + ", délky " +
           std::to_string(n[2]) + ")");
    t.line();
    t.line(
        "Apriorní směrodatné odchylky jedné skupiny (hlavička vstupu; --sd-direction, "
        "--sd-zenith, --sd-distance):");
    t.line("  směr " + text::typed(o.sd_direction, 0) + " cc, zenitový úhel " +
           text::typed(o.sd_zenith, 0) + " cc, délka " + text::typed(o.sd_distance, 0) +
           " mm; jednotková " + text::typed(o.sd_direction, 0));
    t.line("Váha průměru z n skupin: p = n · (" + text::typed(o.sd_direction, 0) +
           " / sd jedné skupiny)^2 na 4 platné číslice,");
    t.line(
        "  tj. směr n, zenitový úhel n · " +
        text::significant((o.sd_direction / o.sd_zenith) * (o.sd_direction / o.sd_zenith), 4) +
        ", délka n · " +
        text::significant((o.sd_direction / o.sd_distance) * (o.sd_direction / o.sd_distance), 4));
    t.line("Meze kontrol: indexová chyba " + fixed(imp.tolerance_index, 1) + " cc a 2c " +
           fixed(imp.tolerance_c2, 1) + " cc od mediánu stanoviska (dvojice nad mezí se");
    t.line("  vynechá), směr skupiny " + fixed(imp.tolerance_set, 1) + " cc a zenitový úhel " +
           fixed(imp.tolerance_zenith_set, 1) + " cc od ostatních skupin, délky a zenitové");
    t.line("  úhly tam a zpět 4 sd rozdílu");
    if (o.curvature) {
        t.line(
            "Do místní soustavy: zenitové úhly opraveny o zakřivení Země a refrakci, z - (1 - k)"
            " s / 2R,");
        t.line("  k = " + text::typed(o.refraction, 2) + ", R = 6378 km; největší oprava " +
               fixed(imp.largest_correction, 2) + " cc" +
               (imp.largest_correction_at.empty() ? "" : " (" + imp.largest_correction_at + ")"));
    } else {
        t.line("Zenitové úhly bez opravy o zakřivení Země a refrakci (--no-curvature).");
    }
    t.line();
}

void station(Text& t, const FieldStation& st) {
    t.line("Stanovisko " + st.name + " (" + place_text(st.at) + "): výška přístroje " +
           (st.has_i ? fixed(st.i, 3) + " m" : std::string("chybí")) + ", skupin " +
           std::to_string(st.sets));
    t.line("  sk. " + pad("cíl", 8, false) + pad("Hz I", 11) + pad("Hz II", 11) + pad("V I", 11) +
           pad("V II", 11) + pad("2c [cc]", 9) + pad("i [cc]", 8) + pad("d [m]", 11) +
           pad("t [m]", 7));
    for (const FacePair& p : st.pairs) {
        const auto angle = [](bool has, double v) { return has ? gon(v) : std::string("-"); };
        const bool both = p.face1 && p.face2;
        t.line("  " + pad(std::to_string(p.set), 3) + " " + pad(p.target, 8, false) +
               pad(angle(p.has_hz1, p.hz1), 11) + pad(angle(p.has_hz2, p.hz2), 11) +
               pad(angle(p.has_v1, p.v1), 11) + pad(angle(p.has_v2, p.v2), 11) +
               pad(both ? cc(p.c2) : "-", 9) + pad(both ? cc(p.index) : "-", 8) +
               pad(p.has_d ? fixed(p.d, 4) : "-", 11) + pad(p.has_t ? fixed(p.t, 3) : "-", 7) +
               (p.left_out ? "  vynecháno" : ""));
    }
    t.line(st.has_medians ? "  medián indexové chyby " + cc(st.median_index) + " cc, medián 2c " +
                                cc(st.median_c2) + " cc"
                          : std::string("  medián indexové chyby -, medián 2c - (žádná dvojice "
                                        "obou poloh)"));
    t.line("  rozptyl skupin: sd směru " +
           (st.has_sd_direction ? cc(st.sd_direction) + " cc" : std::string("-")) +
           ", zenitového úhlu " + (st.has_sd_zenith ? cc(st.sd_zenith) + " cc" : std::string("-")) +
           ", délky " +
           (st.has_sd_distance ? fixed(st.sd_distance * 1000, 2) + " mm" : std::string("-")) +
           " (z dat; bez otočení kruhu mezi skupinami menší, než je)");
    t.line("  průměry na značky: " + pad("cíl", 8, false) + pad("směr [gon]", 12) + pad("sk.", 4) +
           pad("zenit [gon]", 13) + pad("oprava [cc]", 12) + pad("sk.", 4) + pad("délka [m]", 11) +
           pad("sk.", 4));
    for (const FieldMean& m : st.means) {
        t.line(std::string(21, ' ') + pad(m.target, 8, false) +
               pad(m.has_direction ? gon(m.direction) : "-", 12) +
               pad(std::to_string(m.direction_sets), 4) +
               pad(m.has_zenith ? gon(m.zenith) : "-", 13) +
               pad(m.has_zenith ? fixed(m.correction * kCcPerGon, 2) : "-", 12) +
               pad(std::to_string(m.zenith_sets), 4) +
               pad(m.has_distance ? fixed(m.distance, 4) : "-", 11) +
               pad(std::to_string(m.distance_sets), 4));
    }
    for (const FieldMean& m : st.means) {
        if (m.zenith_by_coordinates) {
            t.line("  zenitový úhel na " + m.target +
                   " (bez délky) převeden na značky délkou z přibližných souřadnic " +
                   fixed(m.coordinate_distance, 3) + " m");
        }
    }
    t.line();
}

const char* source_text(const std::string& source) {
    return source == "points"         ? "ze souboru bodů"
           : source == "station"      ? "první stanovisko"
           : source == "polar"        ? "polárně"
           : source == "intersection" ? "protínáním"
                                      : "";
}

void points(Text& t, const Import& imp) {
    t.line("Body");
    t.line("----");
    t.line("  " + pad("název", 10, false) + pad("číslo", 6) + pad("kód", 5) + pad("x [mm]", 14) +
           pad("y [mm]", 14) + pad("z [mm]", 13) + "  původ");
    for (const FieldPoint& p : imp.points) {
        t.line("  " + pad(p.name, 10, false) + pad(std::to_string(p.number), 6) +
               pad(std::to_string(p.code), 5) + pad(fixed(p.x, 1), 14) + pad(fixed(p.y, 1), 14) +
               pad(fixed(p.z, 1), 13) + "  " + source_text(p.source));
    }
    if (imp.points_given) {
        t.line("Body, kódy a přibližné souřadnice jsou ze souboru " + imp.points_file + ".");
    } else {
        t.line("Umístění sítě: první stanovisko pevné (kód 7) a směr na jeho první cíl (kód 2);");
        t.line(
            "  ve vstupním souboru je lze změnit. Přibližné souřadnice: první stanovisko v x = "
            "500 000 mm,");
        t.line(
            "  y = 500 000 mm, z = 100 000 mm, jeho první cíl na ose x, další body polárně ze "
            "stanovisek");
        t.line("  s orientací a protínáním; výšky z převýšení.");
    }
    t.line();
}

void measurements(Text& t, const Import& imp) {
    t.line("Měření do vstupního souboru");
    t.line("---------------------------");
    t.line("  " + pad("druh", 9, false) + pad("stan.", 6) + pad("cíl", 6) + pad("hodnota", 14) +
           pad("váha", 10) + pad("skupin", 7));
    for (const FieldMeasurement& m : imp.measurements) {
        t.line("  " + pad(kind_text(m.kind), 9, false) + pad(std::to_string(m.station), 6) +
               pad(std::to_string(m.target), 6) + pad(fixed(m.value, 2), 14) +
               pad(weight_text(m.weight), 10) + pad(std::to_string(m.sets), 7));
    }
    t.line(
        "  (směry a zenitové úhly v cc, délky v mm; směry stanoviska redukované na jeho "
        "první cíl)");
    t.line();
}

void findings(Text& t, const Import& imp) {
    t.line("Nálezy");
    t.line("------");
    int left = 0;
    for (const FieldFlag& f : imp.flags) {
        t.line("  " + f.text);
        left += f.left_out ? 1 : 0;
    }
    if (imp.flags.empty()) {
        t.line("  žádné");
    }
    t.line();
    t.line("Závěr");
    t.line("-----");
    if (imp.flags.empty()) {
        t.line("Vstupní soubor " + imp.output + " je zapsán; kontroly nic nenašly.");
    } else {
        t.line("Vstupní soubor " + imp.output + " je zapsán; nálezů " +
               std::to_string(imp.flags.size()) + " (z nich vynecháno " + std::to_string(left) +
               "): projděte je, než síť vyrovnáte.");
    }
}

}  // namespace

std::string import_report(const Import& imp) {
    Text t;
    head(t, imp);
    for (const FieldStation& st : imp.stations) {
        station(t, st);
    }
    points(t, imp);
    measurements(t, imp);
    findings(t, imp);
    return text::in_cp1250(t.out);
}

std::string import_json(const Import& imp) {
    const ImportOptions& o = imp.options;
    Json doc;
    doc["format"] = "kavron-import";
    doc["version"] = 1;
    doc["files"] = Json::array();
    for (const FieldFile& f : imp.files) {
        doc["files"].push_back({{"name", f.name}, {"format", f.format}, {"lines", f.lines}});
    }
    doc["action"] = imp.action;
    doc["input"] = imp.output;
    doc["options"] = {{"sd_direction_cc", o.sd_direction},
                      {"sd_zenith_cc", o.sd_zenith},
                      {"sd_distance_mm", o.sd_distance},
                      {"refraction", o.refraction},
                      {"curvature", o.curvature},
                      {"only", o.only},
                      {"station", o.station.empty() ? Json(nullptr) : Json(o.station)}};
    doc["tolerances"] = {{"index_error_cc", imp.tolerance_index},
                         {"collimation_cc", imp.tolerance_c2},
                         {"set_closure_cc", imp.tolerance_set},
                         {"zenith_set_closure_cc", imp.tolerance_zenith_set}};
    doc["largest_correction_cc"] = imp.largest_correction;
    doc["stations"] = Json::array();
    for (const FieldStation& st : imp.stations) {
        Json pairs = Json::array();
        for (const FacePair& p : st.pairs) {
            const bool both = p.face1 && p.face2;
            pairs.push_back({{"file", p.at.file},
                             {"line", p.at.line},
                             {"target", p.target},
                             {"set", p.set},
                             {"faces", both ? 2 : 1},
                             {"hz", p.hz},
                             {"zenith", p.z},
                             {"index_error_cc", both ? Json(p.index * kCcPerGon) : Json(nullptr)},
                             {"collimation_cc", both ? Json(p.c2 * kCcPerGon) : Json(nullptr)},
                             {"distance", p.has_d ? Json(p.d) : Json(nullptr)},
                             {"target_height", p.has_t ? Json(p.t) : Json(nullptr)},
                             {"left_out", p.left_out}});
        }
        Json means = Json::array();
        for (const FieldMean& m : st.means) {
            means.push_back(
                {{"target", m.target},
                 {"direction", m.has_direction ? Json(m.direction) : Json(nullptr)},
                 {"direction_sets", m.direction_sets},
                 {"zenith", m.has_zenith ? Json(m.zenith) : Json(nullptr)},
                 {"zenith_measured", m.has_zenith ? Json(m.raw_zenith) : Json(nullptr)},
                 {"correction_cc", m.correction * kCcPerGon},
                 {"coordinate_distance",
                  m.zenith_by_coordinates ? Json(m.coordinate_distance) : Json(nullptr)},
                 {"zenith_sets", m.zenith_sets},
                 {"distance", m.has_distance ? Json(m.distance) : Json(nullptr)},
                 {"distance_measured", m.has_distance ? Json(m.raw_distance) : Json(nullptr)},
                 {"distance_sets", m.distance_sets}});
        }
        doc["stations"].push_back(
            {{"name", st.name},
             {"file", st.at.file},
             {"line", st.at.line},
             {"instrument_height", st.has_i ? Json(st.i) : Json(nullptr)},
             {"sets", st.sets},
             {"median_index_error_cc",
              st.has_medians ? Json(st.median_index * kCcPerGon) : Json(nullptr)},
             {"median_collimation_cc",
              st.has_medians ? Json(st.median_c2 * kCcPerGon) : Json(nullptr)},
             {"sd_direction_cc",
              st.has_sd_direction ? Json(st.sd_direction * kCcPerGon) : Json(nullptr)},
             {"sd_zenith_cc", st.has_sd_zenith ? Json(st.sd_zenith * kCcPerGon) : Json(nullptr)},
             {"sd_distance_mm", st.has_sd_distance ? Json(st.sd_distance * 1000.0) : Json(nullptr)},
             {"pairs", pairs},
             {"means", means}});
    }
    doc["points"] = Json::array();
    for (const FieldPoint& p : imp.points) {
        doc["points"].push_back({{"name", p.name},
                                 {"number", p.number},
                                 {"code", p.code},
                                 {"x", p.x},
                                 {"y", p.y},
                                 {"z", p.z},
                                 {"source", p.source}});
    }
    doc["measurements"] = Json::array();
    for (const FieldMeasurement& m : imp.measurements) {
        doc["measurements"].push_back({{"kind", kind_json(m.kind)},
                                       {"station", m.station},
                                       {"target", m.target},
                                       {"value", m.value},
                                       {"weight", m.weight},
                                       {"sets", m.sets}});
    }
    doc["flags"] = Json::array();
    for (const FieldFlag& f : imp.flags) {
        doc["flags"].push_back({{"kind", flag_json(f.kind)},
                                {"file", f.at.file.empty() ? Json(nullptr) : Json(f.at.file)},
                                {"line", f.at.line != 0 ? Json(f.at.line) : Json(nullptr)},
                                {"station", f.station.empty() ? Json(nullptr) : Json(f.station)},
                                {"target", f.target.empty() ? Json(nullptr) : Json(f.target)},
                                {"value", f.value},
                                {"tolerance", f.tolerance},
                                {"left_out", f.left_out},
                                {"text", f.text}});
    }
    doc["ending"] = {{"status", imp.flags.empty() ? 0 : 1},
                     {"flags", static_cast<int>(imp.flags.size())}};
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace kavron
