// The comparison of two epochs: the report "Porovnání epoch" (Czech, code page 1250, CR LF, like
// the analysis), its JSON and the drawing of the displacements.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <string>

#include "reports/reports.hpp"
#include "reports/svg_parts.hpp"
#include "reports/text.hpp"

namespace kavron {

namespace {

using text::fixed;
using text::Text;

std::string list_of(const std::vector<int>& v) {
    std::string s;
    for (const int n : v) {
        s += (s.empty() ? "" : ", ") + std::to_string(n);
    }
    return s.empty() ? "žádný" : s;
}

std::string date_of(const DateTime& d) {
    char b[64];
    std::snprintf(b, sizeof b, "%d. %d. %d  %d:%02d:%02d", d.day, d.month, d.year, d.hour, d.minute,
                  d.second);
    return b;
}

void epochs(Text& t, const Deformation& df) {
    for (const Epoch* e : {&df.e1, &df.e2}) {
        t.line(std::string(e == &df.e1 ? "Epocha 1: " : "Epocha 2: ") + e->name);
        t.line("          " + e->action + ", " +
               (e->date_text.empty() ? date_of(e->date) : e->date_text));
        t.line("          m0 = " + fixed(e->m0, 2) + " (apriorní " + fixed(e->MOO, 2) +
               "), nadbytečnost " + std::to_string(e->f) + ", rozptylový faktor " +
               fixed(e->variance_factor(), 3) + (e->m0_failed ? "; m0 neprošlo testem" : ""));
    }
    t.line();
}

std::string test_line(const Congruence& c) {
    return "Omega = " + fixed(c.omega, 2) + ", h = " + std::to_string(c.h) +
           ", T = Omega / (h s0^2) = " + fixed(c.statistic, 2) + ", kritická hodnota " +
           fixed(c.critical, 2) + ": " + (c.passed ? "vyhověl" : "nevyhověl");
}

void tests(Text& t, const Deformation& df) {
    t.line("Přesnost epoch");
    t.line("--------------");
    t.line("  společná směrodatná odchylka s0 = " + fixed(df.s0, 3) +
           " (rozptylový faktor z obou epoch, stupňů volnosti " + std::to_string(df.df) + ")");
    if (df.precision_statistic > 0) {
        t.line("  test shodné přesnosti: F = " + fixed(df.precision_statistic, 2) +
               ", kritická hodnota (5 %, oboustranně) " + fixed(df.precision_critical, 2) + ": " +
               (df.precision_passed ? "epochy jsou stejně přesné"
                                    : "epochy nejsou stejně přesné (jen pro informaci)"));
    }
    t.line();
    t.line("Test shodnosti stabilních bodů (hladina " + fixed(100 * df.alpha, 0) + " %)");
    t.line("-----------------------------------------");
    std::vector<int> candidates;
    for (const Motion& m : df.points) {
        if (m.candidate) {
            candidates.push_back(m.number);
        }
    }
    t.line("  kandidáti stabilních bodů: " + list_of(candidates));
    t.line("  " + test_line(df.global));
    int k = 0;
    for (const Congruence& c : df.steps) {
        t.line("  krok " + std::to_string(++k) + ": bez bodu " + std::to_string(c.removed) +
               " (nejmenší Omega ze všech možností): " + test_line(c));
    }
    t.line("  stabilní body: " + list_of(df.stable_points));
    t.line();
}

void verdict(Text& t, const Deformation& df) {
    t.line("Závěr");
    t.line("-----");
    for (const Epoch* e : {&df.e1, &df.e2}) {
        if (e->m0_failed) {
            t.line(std::string("Epocha ") + (e == &df.e1 ? "1" : "2") + " (" + e->name +
                   ") neprošla testem m0 (m0 = " + fixed(e->m0, 2) + ", apriorní " +
                   fixed(e->MOO, 2) +
                   "): nejspíš obsahuje hrubou chybu měření, a porovnání proto není spolehlivé. "
                   "Najděte ji rozborem spolehlivosti (--analysis) a epochu vyrovnejte znovu.");
        }
    }
    if (df.undecided) {
        t.line("Stabilní body " + list_of(df.stable_points) +
               " spolu nesouhlasí (test shodnosti nevyhověl) a dál je rozlišit nelze: data "
               "nerozhodnou, který z nich se posunul. V tomto umístění proto žádný bod za "
               "posunutý neprohlašuji; zvolte jiné stabilní body (--stable) nebo porovnejte "
               "víc společných bodů.");
    } else if (df.moved_points.empty()) {
        t.line("Žádný bod se prokazatelně neposunul.");
    }
    for (const Motion& m : df.points) {
        if (m.moved) {
            t.line("Posunul se bod " + std::to_string(m.number) + ": o " + fixed(m.length, 1) +
                   " mm (vodorovně " + fixed(m.horizontal, 1) + " mm, výška " + fixed(m.d[2], 1) +
                   " mm), směrodatná odchylka délky posunu " + fixed(m.sd_length, 1) + " mm.");
        }
    }
    t.line();
}

void table(Text& t, const Deformation& df) {
    t.line("Body (posuny v umístění stabilních bodů, mm)");
    t.line("----");
    std::string head = text::pad("bod", 6) + "  " + text::pad("role", 9, false);
    const char* const columns[] = {"dx",    "dy", "dz",    "délka", "vodor", "sd dx", "sd dy",
                                   "sd dz", "T",  "krit.", "a95",   "b95",   "c95"};
    const int widths[] = {8, 8, 8, 8, 8, 8, 8, 8, 7, 7, 6, 7, 7};
    for (int k = 0; k < 13; ++k) {
        head += text::pad(columns[k], static_cast<std::size_t>(widths[k]));
    }
    t.line(head + "   posun");
    for (const Motion& m : df.points) {
        char b[256];
        std::snprintf(b, sizeof b,
                      "%6d  %s %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %6.2f %6.2f "
                      "%5.2f  %5.2f  %5.2f   %s",
                      m.number,
                      text::pad(m.stable      ? "stabilní"
                                : m.candidate ? "vyřazený"
                                              : "objekt",
                                9, false)
                          .c_str(),
                      m.d[0], m.d[1], m.d[2], m.length, m.horizontal, m.sd[0], m.sd[1], m.sd[2],
                      m.statistic, m.critical, m.c95[0], m.c95[1], m.c95[2],
                      df.undecided ? "?"
                      : m.moved    ? "ano"
                                   : "ne");
        t.line(b);
    }
    t.line();
    t.line("T: test bodu d' Q+ d / (h s0^2) proti F(h, f; 1 - alfa); a95, b95, c95: poloosy 95%");
    t.line("elipsoidu posunu; role: stabilní bod umístění, vyřazený z nich při hledání, objekt.");
    if (df.undecided) {
        t.line("posun ?: stabilní body spolu nesouhlasí, v jejich umístění nelze rozhodnout.");
    }
}

}  // namespace

std::string deformation_report(const Deformation& df) {
    Text t;
    t.line("Porovnání epoch");
    t.line("===============");
    t.line();
    epochs(t, df);
    tests(t, df);
    verdict(t, df);
    table(t, df);
    return text::in_cp1250(t.out);
}

std::string deformation_json(const Deformation& df) {
    using Json = nlohmann::ordered_json;
    const auto test = [](const Congruence& c) {
        return Json{{"omega", c.omega},
                    {"h", c.h},
                    {"statistic", c.statistic},
                    {"critical", c.critical},
                    {"passed", c.passed}};
    };
    Json doc;
    doc["format"] = "kavron-deformation";
    doc["version"] = 1;
    doc["epochs"] = Json::array();
    for (const Epoch* e : {&df.e1, &df.e2}) {
        doc["epochs"].push_back(
            {{"file", e->name},
             {"action", e->action},
             {"m0", e->m0},
             {"m0_apriori", e->MOO},
             {"redundancy", e->f},
             {"variance_factor", e->variance_factor()},
             {"m0_test_passed", e->m0_tested ? Json(!e->m0_failed) : Json(nullptr)}});
    }
    doc["s0"] = df.s0;
    doc["df"] = df.df;
    doc["precision_test"] = {{"statistic", df.precision_statistic},
                             {"critical", df.precision_critical},
                             {"passed", df.precision_passed}};
    Json global = test(df.global);
    global["alpha"] = df.alpha;
    doc["global_test"] = global;
    doc["steps"] = Json::array();
    for (const Congruence& c : df.steps) {
        Json s = {{"removed", c.removed}};
        s.update(test(c));
        doc["steps"].push_back(s);
    }
    doc["stable_points"] = df.stable_points;
    doc["moved_points"] = df.moved_points;
    doc["undecided"] = df.undecided;
    doc["conclusive"] = df.conclusive();
    doc["points"] = Json::array();
    for (const Motion& m : df.points) {
        doc["points"].push_back(
            {{"number", m.number},
             {"displacement", {{"x", m.d[0]}, {"y", m.d[1]}, {"z", m.d[2]}}},
             {"length", m.length},
             {"horizontal_length", m.horizontal},
             {"sigma", {{"x", m.sd[0]}, {"y", m.sd[1]}, {"z", m.sd[2]}}},
             {"sigma_length", m.sd_length},
             {"sigma_horizontal_length", m.sd_horizontal},
             {"confidence95", {{"a", m.c95[0]}, {"b", m.c95[1]}, {"c", m.c95[2]}}},
             {"h", m.h},
             {"statistic", m.statistic},
             {"critical", m.critical},
             {"candidate", m.candidate},
             {"stable", m.stable},
             {"moved", m.moved}});
    }
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

namespace {

using namespace svg;

// The page, its style and its title for the drawing of the displacements.
std::string displacement_head(const Deformation& df) {
    std::string out = page_start();
    out +=
        ".pt { fill: #fff; stroke: #000; stroke-width: 3; }\n"
        ".moved { fill: #c0201a; stroke: #000; stroke-width: 3; }\n"
        ".arrow { stroke: #1f5fbf; stroke-width: 6; fill: none; marker-end: url(#head); }\n"
        ".ell { stroke: #c0201a; stroke-width: 4; fill: #c0201a; fill-opacity: 0.12; }\n"
        ".bar { stroke: #000; stroke-width: 6; }\n</style>\n";
    out +=
        "<defs><marker id=\"head\" viewBox=\"0 0 10 10\" refX=\"9\" refY=\"5\" "
        "markerWidth=\"5\" markerHeight=\"5\" orient=\"auto\"><path d=\"M0,0 L10,5 L0,10 "
        "z\" fill=\"#1f5fbf\"/></marker></defs>\n";
    out += Tag("rect")
               .at("x", "0")
               .at("y", "0")
               .at("width", kPageW)
               .at("height", kPageH)
               .at("fill", "#fff")
               .empty() +
           "\n";
    out += Tag("text")
               .at("x", kLeft)
               .at("y", "170")
               .at("font-size", "60")
               .at("font-weight", "bold")
               .text("Porovnání epoch: posuny bodů") +
           "\n";
    const char* const y[3] = {"235", "285", "335"};
    const std::string lines[3] = {"1: " + df.e1.action, "2: " + df.e2.action,
                                  "osa x nahoru, osa y doprava"};
    for (int k = 0; k < 3; ++k) {
        out += Tag("text").at("x", kLeft).at("y", y[k]).at("font-size", "36").text(lines[k]) + "\n";
    }
    return out;
}

// The key and the scale bars of the drawing of the displacements.
void displacement_key(std::string& out, const Page& pg, double magnify) {
    const double net = nice_below(360.0 / pg.s);
    const auto label = [&](std::string_view x, const char* y, const std::string& text) {
        out += Tag("text").at("x", x).at("y", y).text(text) + "\n";
    };
    out += "<g font-size=\"34\">\n";
    out += scale_bar("2450", net * pg.s, "bar");
    label("1500", "2510", "síť: " + length_label(net));
    if (magnify > 0) {
        const double len = nice_above(100.0 / magnify);
        out += scale_bar("2600", len * magnify, "arrow");
        label("1500", "2660", "posuny a elipsy: " + length_label(len));
    }
    const std::string key_x = num(kLeft + 190);
    out += Tag("line")
               .at("x1", kLeft)
               .at("y1", "2450")
               .at("x2", kLeft + 160)
               .at("y2", "2450")
               .at("class", "arrow")
               .empty() +
           "\n";
    label(key_x, "2462", "posun bodu (zvětšený)");
    out += Tag("ellipse")
               .at("cx", kLeft + 80)
               .at("cy", "2530")
               .at("rx", "50")
               .at("ry", "25")
               .at("class", "ell")
               .empty() +
           "\n";
    label(key_x, "2542", "95% elipsa posunu (vodorovná)");
    out += Tag("circle")
               .at("cx", kLeft + 80)
               .at("cy", "2610")
               .at("r", "14")
               .at("class", "moved")
               .empty() +
           "\n";
    label(key_x, "2622", "bod, který se posunul");
}

}  // namespace

std::string deformation_svg(const Deformation& df) {
    double x[JB + 1] = {}, y[JB + 1] = {};
    const int n = static_cast<int>(df.points.size());
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < df.e1.n; ++i) {
            if (df.e1.number[i] == df.points[static_cast<std::size_t>(j)].number) {
                x[j + 1] = df.e1.xyz[i][0];
                y[j + 1] = df.e1.xyz[i][1];
            }
        }
    }
    const Page pg = page_at(n, x, y);
    // One magnification for the arrows and the ellipses: the largest of either about 35 mm.
    double largest = 0;
    PlanEllipse ell[JB + 1] = {};
    for (int j = 1; j <= n; ++j) {
        const Motion& m = df.points[static_cast<std::size_t>(j - 1)];
        ell[j] = plan_ellipse(m.cxx * df.ellipse95, m.cxy * df.ellipse95, m.cyy * df.ellipse95);
        largest = std::max({largest, m.horizontal, ell[j].a});
    }
    const double magnify = largest > 0 ? nice_below(350.0 / largest / pg.s) * pg.s : 0;
    std::string out = displacement_head(df);
    for (int j = 1; j <= n; ++j) {
        const Motion& m = df.points[static_cast<std::size_t>(j - 1)];
        const double X = pg.X(j), Y = pg.Y(j);
        if (magnify > 0) {
            const double X2 = X + m.d[1] * magnify, Y2 = Y - m.d[0] * magnify;
            out += Tag("ellipse")
                       .at("cx", X2)
                       .at("cy", Y2)
                       .at("rx", ell[j].a * magnify)
                       .at("ry", ell[j].b * magnify)
                       .at("transform", "rotate(" + num(ell[j].bearing * 0.9 - 90.0) + " " +
                                            num(X2) + " " + num(Y2) + ")")
                       .at("class", "ell")
                       .empty() +
                   "\n";
            out += Tag("line")
                       .at("x1", X)
                       .at("y1", Y)
                       .at("x2", X2)
                       .at("y2", Y2)
                       .at("class", "arrow")
                       .empty() +
                   "\n";
        }
        out += Tag("circle")
                   .at("cx", X)
                   .at("cy", Y)
                   .at("r", "14")
                   .at("class", m.moved ? "moved" : "pt")
                   .empty() +
               "\n";
        out += Tag("text")
                   .at("x", X + 24)
                   .at("y", Y - 20)
                   .at("font-size", "40")
                   .at("font-weight", "bold")
                   .text(std::to_string(m.number) + (m.moved ? " posun" : "")) +
               "\n";
    }
    displacement_key(out, pg, magnify);
    out += "</g>\n</svg>\n";
    return out;
}

}  // namespace kavron
