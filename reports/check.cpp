// The check of a class: the report (code page 1250, CR LF), the table for a spreadsheet (CSV,
// UTF-8 with a byte-order mark) and the JSON document.
#include <nlohmann/json.hpp>

#include "format/codepage.hpp"
#include "reports/reports.hpp"
#include "reports/text.hpp"

namespace kavron {

using text::fixed;
using text::pad;
using text::Text;

namespace {

const char* const kAxis[] = {"x", "y", "z"};

const char* json_kind(Kind k) {
    return k == Kind::Direction ? "direction" : k == Kind::Zenith ? "zenith" : "distance";
}

// "směr 101-103" and the like: short, for a table.
std::string short_name(const Named& m) {
    return std::string(text::kind_name(m.kind)) + " " + std::to_string(m.station) + "-" +
           std::to_string(m.target);
}

std::string listing_cell(const GroupCheck& g) {
    if (!g.genuine) {
        return "-";
    }
    return *g.genuine ? "pravý" : "ne, ř. " + std::to_string(g.first.line);
}

std::string m0_cell(const GroupCheck& g) {
    return g.adjusted ? fixed(g.m0, 2) : "-";
}

std::string test_cell(const GroupCheck& g) {
    return !g.m0_test_passed ? "-" : *g.m0_test_passed ? "ano" : "ne";
}

std::string typos_cell(const GroupCheck& g) {
    return g.input_read ? std::to_string(g.typos.size()) : "-";
}

std::string max_mm_cell(const GroupCheck& g) {
    return g.has_max ? fixed(g.max_mm, 1) : "-";
}

std::string max_sigma_cell(const GroupCheck& g) {
    return g.has_max_sigma ? fixed(g.max_sigma, 1) : "-";
}

std::string likely_text(Likely l) {
    switch (l) {
        case Likely::Version:
            return "výpis je z jiné verze programu";
        case Likely::Input:
            return "výpis je asi z jiného vstupu";
        case Likely::EditedLine:
            return "řádek výpisu byl asi upraven";
        case Likely::Dialog:
            return "výpočty na konci výpisu nemohly vzniknout v jednom dialogu";
        case Likely::Truncated:
            return "výpis končí předčasně: je to začátek výpisu programu";
        case Likely::Recoded:
            return "výpis je z programu, ale byl uložen znovu v kódování UTF-8";
        case Likely::LineEnds:
            return "výpis je z programu, ale byl uložen znovu s jinými konci řádků";
        case Likely::ByteOrderMark:
            return "výpis je z programu, ale byl uložen znovu se značkou BOM (UTF-8)";
        case Likely::WidePointNumbers:
            return "výpočty na konci výpisu jmenují body, jejichž čísla se tisknou jako ****: "
                   "porovnána je část výpisu před nimi";
        case Likely::None:
            break;
    }
    return {};
}

// The same, short, for the verdict.
std::string likely_short(Likely l) {
    switch (l) {
        case Likely::Version:
            return "jiná verze programu";
        case Likely::Input:
            return "jiný vstup";
        case Likely::EditedLine:
            return "upravený řádek";
        case Likely::Dialog:
            return "výpočty na konci nepocházejí z jednoho dialogu";
        case Likely::Truncated:
            return "výpis končí předčasně";
        case Likely::Recoded:
            return "uložen znovu v UTF-8";
        case Likely::LineEnds:
            return "uložen znovu s jinými konci řádků";
        case Likely::ByteOrderMark:
            return "uložen znovu se značkou BOM";
        case Likely::WidePointNumbers:
            return "výpočty na konci nelze porovnat (čísla bodů ****)";
        case Likely::None:
            break;
    }
    return {};
}

std::string count(std::size_t n, const char* one, const char* few, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : n >= 2 && n <= 4 ? few : many);
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        out += out.empty() ? "" : ", ";
        out += n;
    }
    return out;
}

std::string finding_text(const GroupCheck& g, Finding f) {
    switch (f) {
        case Finding::FolderProblem:
            return g.files.problem;
        case Finding::NoInput:
            return g.files.unreadable.empty()
                       ? "chybí vstupní soubor"
                       : "chybí vstupní soubor (nelze přečíst: " + joined(g.files.unreadable) + ")";
        case Finding::NoListing:
            return "chybí výpis";
        case Finding::ListingSavedAgain:
            return "výpis " + likely_short(g.likely);
        case Finding::ListingNotGenuine:
            return "výpis neodpovídá vstupu (řádek " + std::to_string(g.first.line) +
                   (g.likely != Likely::None ? ", " + likely_short(g.likely) : "") + ")";
        case Finding::DerivedNotCompared:
            return likely_short(g.likely);
        case Finding::DiagnosticsNotGenuine:
            return "chybový soubor neodpovídá vstupu";
        case Finding::InputProblem:
            return g.input_problem;
        case Finding::RunEnded:
            return "výpočet neskončil řádně: " + g.ending;
        case Finding::Typos:
            return count(g.typos.size(), "překlep", "překlepy", "překlepů");
        case Finding::Missing:
            return "chybí " + count(g.missing.size(), "měření", "měření", "měření");
        case Finding::Extra:
            return count(g.extra.size(), "měření", "měření", "měření") + " navíc";
        case Finding::Points:
            return "body se liší od zadání";
        case Finding::M0Failed:
            return "m0 neprošlo testem";
        case Finding::Suspect:
            return "podezřelé měření";
        case Finding::Coordinates:
            return "souřadnice se liší od referenčních";
    }
    return {};
}

}  // namespace

std::string check_verdict(const GroupCheck& g) {
    std::string out;
    for (const Finding f : g.findings) {
        out += out.empty() ? "" : "; ";
        out += finding_text(g, f);
    }
    return out.empty() ? "v pořádku" : out;
}

namespace {

void table(Text& t, const ClassCheck& c) {
    std::size_t w = 8;
    for (const GroupCheck& g : c.groups) {
        std::size_t chars = 0;
        for (const char ch : g.folder) {
            chars += (static_cast<unsigned char>(ch) & 0xC0) != 0x80 ? 1 : 0;
        }
        w = std::max(w, chars);
    }
    t.line(pad("Skupina", w, false) + "  Výpis       Překlepy      m0  Test  " +
           pad("Podezřelé", 20, false) + "  Rozdíl[mm]  [sigma]  Závěr");
    for (const GroupCheck& g : c.groups) {
        t.line(pad(g.folder, w, false) + "  " + pad(listing_cell(g), 10, false) +
               pad(typos_cell(g), 10) + pad(m0_cell(g), 8) + "  " + pad(test_cell(g), 4, false) +
               "  " + pad(g.suspect ? short_name(*g.suspect) : "-", 20, false) +
               pad(max_mm_cell(g), 11) + pad(max_sigma_cell(g), 9) + "  " + check_verdict(g));
    }
    t.line();
}

void listing_details(Text& t, const GroupCheck& g) {
    if (g.genuine == true && g.likely == Likely::WidePointNumbers) {
        t.line("  Výpis odpovídá vstupu až po výpočty na konci: " + likely_text(g.likely) + ".");
    } else if (g.genuine == true) {
        t.line("  Výpis odpovídá vstupu: program z něj dává tentýž výpis bajt po bajtu.");
    } else if (g.genuine == false) {
        t.line("  Výpis neodpovídá vstupu: první rozdíl je na řádku " +
               std::to_string(g.first.line) + ".");
        t.line("    ve výpisu:  \"" + g.first.listing + "\"");
        t.line("    z programu: \"" + g.first.program + "\"");
        if (g.likely != Likely::None) {
            t.line("  Pravděpodobně: " + likely_text(g.likely) +
                   (g.likely == Likely::Version ? " (" + g.listing_version + ")" : "") + ".");
        }
    }
    if (g.diagnostics == false) {
        t.line("  Chybový soubor neodpovídá vstupu" +
               (g.diagnostics_first.line != 0
                    ? " (první rozdíl na řádku " + std::to_string(g.diagnostics_first.line) + ")."
                    : "."));
    }
}

void input_details(Text& t, const GroupCheck& g) {
    for (const Typo& p : g.typos) {
        const char* u = text::unit_of(p.m.kind);
        t.line("  Překlep? " + text::naming(p.m.kind, p.m.station, p.m.target) + ": " +
               fixed(p.value, 1) + " " + u + ", v zadání " + fixed(p.reference, 1) + " " + u +
               ", rozdíl " + fixed(p.difference, 1) + " " + u + " (mez " +
               fixed(kTypoFlag * p.sd, 1) + " " + u + ")");
    }
    for (const Named& m : g.missing) {
        t.line("  Chybí: " + text::naming(m.kind, m.station, m.target));
    }
    for (const Named& m : g.extra) {
        t.line("  Navíc: " + text::naming(m.kind, m.station, m.target));
    }
    for (const PointDifference& p : g.points) {
        const std::string n = "  Bod " + std::to_string(p.number);
        switch (p.what) {
            case PointDifference::Missing:
                t.line(n + " chybí.");
                break;
            case PointDifference::Extra:
                t.line(n + " v zadání není.");
                break;
            case PointDifference::Code:
                t.line(n + " má kód " + std::to_string(p.code) + ", v zadání " +
                       std::to_string(p.reference_code) + ".");
                break;
            case PointDifference::Coordinates:
                t.line(n + " (kód " + std::to_string(p.reference_code) +
                       ") má jiné souřadnice než v zadání, až o " + fixed(p.difference_mm, 1) +
                       " mm.");
                break;
        }
    }
}

void results_details(Text& t, const GroupCheck& g) {
    if (!g.adjusted) {
        return;
    }
    t.line("  m0 = " + fixed(g.m0, 2) +
           (g.m0_test_passed ? (*g.m0_test_passed ? ", test vyhověl" : ", test nevyhověl") : "") +
           (g.suspect ? "; nejvíce podezřelé: " +
                            text::naming(g.suspect->kind, g.suspect->station, g.suspect->target)
                      : ""));
    for (const CoordinateDifference& c : g.coordinates) {
        if (c.flagged) {
            t.line("  Bod " + std::to_string(c.point) + " " + kAxis[c.axis] + ": rozdíl " +
                   fixed(c.mm, 1) + " mm" +
                   (c.has_sigma ? " (" + fixed(c.sigma, 1) + " sigma)" : " (pevný bod)"));
        }
    }
}

void details(Text& t, const GroupCheck& g) {
    t.line("Skupina " + g.folder);
    const Found& f = g.files;
    if (!f.problem.empty()) {
        t.line("  " + f.problem);
    } else {
        t.line("  Vstup: " + (f.input.empty() ? std::string("chybí") : f.input) +
               ", výpis: " + (f.listing.empty() ? std::string("chybí") : f.listing) +
               ", chybový soubor: " + (f.diagnostics.empty() ? "není" : f.diagnostics));
    }
    if (!f.unknown.empty()) {
        std::string names;
        for (const std::string& n : f.unknown) {
            names += names.empty() ? "" : ", ";
            names += n;
        }
        t.line("  Další soubory: " + names);
    }
    if (!f.unreadable.empty()) {
        t.line("  Nelze přečíst: " + joined(f.unreadable));
    }
    listing_details(t, g);
    if (!g.input_problem.empty()) {
        t.line("  " + g.input_problem);
    }
    for (const Warning& w : g.warnings) {
        t.line("  Upozornění ke vstupu: " + w.text);
    }
    input_details(t, g);
    if (!g.ending.empty()) {
        t.line("  Výpočet neskončil řádně: " + g.ending);
    }
    results_details(t, g);
    t.line("  Závěr: " + check_verdict(g));
    t.line();
}

}  // namespace

std::string check_report(const ClassCheck& c) {
    Text t;
    t.line("Kontrola třídy");
    t.line("==============");
    t.line();
    std::size_t ok = 0;
    for (const GroupCheck& g : c.groups) {
        ok += g.ok ? 1 : 0;
    }
    t.line("Zadání (referenční vstup): " + c.reference + " (m0 = " + fixed(c.m0, 2) + ")");
    for (const Warning& w : c.warnings) {
        t.line("  Upozornění k zadání: " + w.text);
    }
    t.line("Skupin: " + std::to_string(c.groups.size()) + ", v pořádku: " + std::to_string(ok));
    t.line("Rozdíl souřadnic je označen nad " + fixed(kCoordinateFlag, 0) +
           " sigma rozdílu, překlep nad " + fixed(kTypoFlag, 0) + " sigma rozdílu měření.");
    t.line();
    table(t, c);
    for (const GroupCheck& g : c.groups) {
        details(t, g);
    }
    return text::in_cp1250(t.out);
}

namespace {

// A CSV field: valid UTF-8; a text that a spreadsheet would take as a formula (it begins with
// =, +, -, @, a tab or a carriage return) preceded by an apostrophe, so that it shows as text;
// quoted when it holds a separator, a quote or a line end.
std::string csv_field(const std::string& cell) {
    std::string s = utf8_replaced(cell);
    if (!s.empty() && std::string_view("=+-@\t\r").find(s.front()) != std::string_view::npos) {
        s.insert(0, 1, '\'');
    }
    if (s.find_first_of(";\"\r\n") == std::string::npos) {
        return s;
    }
    std::string q = "\"";
    for (const char ch : s) {
        q += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    }
    return q + "\"";
}

// A figure with a decimal comma, as a Czech spreadsheet reads it.
std::string comma(std::string figure) {
    for (char& ch : figure) {
        ch = ch == '.' ? ',' : ch;
    }
    return figure == "-" ? "" : figure;
}

}  // namespace

std::string check_csv(const ClassCheck& c) {
    std::string out = "\xEF\xBB\xBF";
    const auto row = [&out](const std::vector<std::string>& cells) {
        for (std::size_t k = 0; k < cells.size(); ++k) {
            out += k == 0 ? "" : ";";
            out += csv_field(cells[k]);
        }
        out += "\r\n";
    };
    row({"skupina", "výpis pravý", "první rozdíl na řádku", "překlepy", "m0", "test m0",
         "podezřelé měření", "největší rozdíl souřadnic [mm]", "největší rozdíl souřadnic [σ]",
         "závěr"});
    for (const GroupCheck& g : c.groups) {
        std::string suspect =
            g.suspect ? text::naming(g.suspect->kind, g.suspect->station, g.suspect->target) : "";
        row({g.folder,
             !g.genuine   ? ""
             : *g.genuine ? "ano"
                          : "ne",
             g.genuine == false ? std::to_string(g.first.line) : "",
             g.input_read ? std::to_string(g.typos.size()) : "", comma(m0_cell(g)),
             comma(test_cell(g)), suspect, comma(max_mm_cell(g)), comma(max_sigma_cell(g)),
             check_verdict(g)});
    }
    return out;
}

namespace {

using Json = nlohmann::ordered_json;

Json named_json(const Named& m) {
    return Json{{"kind", json_kind(m.kind)}, {"station", m.station}, {"target", m.target}};
}

Json optional_json(const std::optional<bool>& b) {
    return b ? Json(*b) : Json(nullptr);
}

Json text_or_null(const std::string& s) {
    return s.empty() ? Json(nullptr) : Json(s);
}

Json warnings_json(const std::vector<Warning>& warnings) {
    Json out = Json::array();
    for (const Warning& w : warnings) {
        out.push_back({{"line", w.line}, {"kind", std::string(w.kind)}, {"text", w.text}});
    }
    return out;
}

// The group's input against the reference input.
void input_json(Json& j, const GroupCheck& g) {
    const char* const what[] = {"missing", "extra", "code", "coordinates"};
    j["input_problem"] = text_or_null(g.input_problem);
    j["warnings"] = warnings_json(g.warnings);
    j["typos"] = Json::array();
    for (const Typo& p : g.typos) {
        Json typo = named_json(p.m);
        typo.update({{"value", p.value},
                     {"reference", p.reference},
                     {"difference", p.difference},
                     {"limit", kTypoFlag * p.sd}});
        j["typos"].push_back(typo);
    }
    j["missing"] = Json::array();
    for (const Named& m : g.missing) {
        j["missing"].push_back(named_json(m));
    }
    j["extra"] = Json::array();
    for (const Named& m : g.extra) {
        j["extra"].push_back(named_json(m));
    }
    j["points"] = Json::array();
    for (const PointDifference& p : g.points) {
        j["points"].push_back({{"number", p.number},
                               {"difference", what[p.what]},
                               {"code", p.code},
                               {"reference_code", p.reference_code},
                               {"coordinates_mm", p.difference_mm}});
    }
}

// The group's results against the reference's.
void results_json(Json& j, const GroupCheck& g) {
    j["ending"] = text_or_null(g.ending);
    j["m0"] = g.adjusted ? Json(g.m0) : Json(nullptr);
    j["m0_test_passed"] = optional_json(g.m0_test_passed);
    j["suspect"] = g.suspect ? named_json(*g.suspect) : Json(nullptr);
    j["coordinates"] = Json::array();
    for (const CoordinateDifference& d : g.coordinates) {
        j["coordinates"].push_back({{"point", d.point},
                                    {"axis", kAxis[d.axis]},
                                    {"difference_mm", d.mm},
                                    {"sd_mm", d.sd},
                                    {"sigma", d.has_sigma ? Json(d.sigma) : Json(nullptr)},
                                    {"flagged", d.flagged}});
    }
    j["max_coordinate_difference_mm"] = g.has_max ? Json(g.max_mm) : Json(nullptr);
    j["max_coordinate_difference_sigma"] = g.has_max_sigma ? Json(g.max_sigma) : Json(nullptr);
}

Json group_json(const GroupCheck& g) {
    Json j;
    j["folder"] = g.folder;
    const Found& f = g.files;
    j["files"] = {{"input", text_or_null(f.input)},
                  {"listing", text_or_null(f.listing)},
                  {"diagnostics", text_or_null(f.diagnostics)},
                  {"reports", f.other},
                  {"unknown", f.unknown},
                  {"unreadable", f.unreadable},
                  {"problem", text_or_null(f.problem)}};
    j["genuine"] = optional_json(g.genuine);
    j["first_difference"] = g.genuine == false ? Json{{"line", g.first.line},
                                                      {"listing", g.first.listing},
                                                      {"program", g.first.program},
                                                      {"likely", likely_text(g.likely)}}
                                               : Json(nullptr);
    j["diagnostics_genuine"] = optional_json(g.diagnostics);
    input_json(j, g);
    results_json(j, g);
    j["verdict"] = check_verdict(g);
    j["ok"] = g.ok;
    return j;
}

}  // namespace

std::string check_json(const ClassCheck& c) {
    Json doc;
    doc["format"] = "kavron-check";
    doc["version"] = 1;
    doc["reference"] = c.reference;
    doc["reference_m0"] = c.m0;
    doc["reference_warnings"] = warnings_json(c.warnings);
    doc["groups"] = Json::array();
    for (const GroupCheck& g : c.groups) {
        doc["groups"].push_back(group_json(g));
    }
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace kavron
