// A plan drawing of the network for a person: x up the page, y to the right, equal scale; the
// points with their numbers and datum roles, the measured connections, and at every adjusted
// point its horizontal standard error ellipse and a bar for the sd of z, magnified by one factor.
// Hand-written SVG on an A4 page (units of 0.1 mm).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "crmath/crmath.hpp"
#include "geometry/geometry.hpp"
#include "reports/reports.hpp"
#include "reports/svg_parts.hpp"

namespace kavron {

// The horizontal error ellipse, with the program's own correctly rounded atan2.
PlanEllipse plan_ellipse(double cxx, double cxy, double cyy) {
    const double mean = (cxx + cyy) / 2.0;
    const double half = (cxx - cyy) / 2.0;
    const double d = std::sqrt(half * half + cxy * cxy);
    const double l1 = mean + d;
    const double l2 = std::max(mean - d, 0.0);
    double theta = 0.5 * crmath::atan2(2.0 * cxy, cxx - cyy);  // from +x towards +y
    if (theta < 0) {
        theta += svg::kPi;
    }
    return {std::sqrt(std::max(l1, 0.0)), std::sqrt(l2), theta * 200.0 / svg::kPi};
}

namespace {

using namespace svg;

// The symbol of a point by its datum role.
std::string symbol(int code, double X, double Y) {
    const int c = std::abs(code);
    const auto triangle = [&](const char* cls) {
        std::string d = num(X);
        d.insert(0, 1, 'M');
        d.append(",").append(num(Y - 26)).append(" L").append(num(X + 23)).append(",");
        d.append(num(Y + 14)).append(" L").append(num(X - 23)).append(",").append(num(Y + 14));
        d.append(" Z");
        return Tag("path").at("d", d).at("class", cls).empty();
    };
    const auto circle = [&](const char* r, const char* cls) {
        return Tag("circle").at("cx", X).at("cy", Y).at("r", r).at("class", cls).empty();
    };
    switch (c) {
        case 7:
            return triangle("fixed");
        case 4:
        case 5:
        case 6:
            return triangle("partly");
        case 2:
            return triangle("open") + circle("5", "fixed");
        case 3:
            return Tag("rect")
                .at("x", X - 17)
                .at("y", Y - 17)
                .at("width", "34")
                .at("height", "34")
                .at("class", "open")
                .empty();
        default:
            return circle("17", "open");
    }
}

}  // namespace

namespace {

// Plan coordinates of the points: adjusted when the adjustment finished, else as read.
Page page_of(const Results& res) {
    double x[JB + 1] = {}, y[JB + 1] = {};
    for (int i = 1; i <= res.points_read; ++i) {
        const Point& p = res.points[i];
        x[i] = res.adjusted ? p.adjusted[0] : p.approx[0];
        y[i] = res.adjusted ? p.adjusted[1] : p.approx[1];
    }
    return page_at(res.points_read, x, y);
}

void head(std::string& out, const Results& res, const Outcome& end, bool plan) {
    out += page_start();
    out +=
        ".fixed { fill: #000; stroke: #000; stroke-width: 3; }\n"
        ".partly { fill: #999; stroke: #000; stroke-width: 3; }\n"
        ".open { fill: #fff; stroke: #000; stroke-width: 3; }\n"
        ".dir { stroke: #1f5fbf; stroke-width: 3; stroke-dasharray: 24 10; fill: none; }\n"
        ".dist { stroke: #444; stroke-width: 3; fill: none; }\n"
        ".zen { stroke: #2a8f3a; stroke-width: 3; stroke-dasharray: 4 8; fill: none; }\n"
        ".ell { stroke: #c0201a; stroke-width: 4; fill: #c0201a; fill-opacity: 0.12; }\n"
        ".zbar { stroke: #c0201a; stroke-width: 6; }\n"
        ".bar { stroke: #000; stroke-width: 6; }\n"
        ".unc { stroke: #999; stroke-dasharray: 3 14; }\n"
        ".suspect { stroke: #d4006a; stroke-width: 12; stroke-opacity: 0.55; fill: none; }\n"
        ".suspect-label { fill: #d4006a; font-weight: bold; stroke: #fff; stroke-width: 8; "
        "paint-order: stroke; }\n";
    if (plan) {
        out +=
            ".weak { stroke: #e07b00; stroke-width: 12; stroke-opacity: 0.55; fill: none; }\n"
            ".weak-label { fill: #b35f00; font-weight: bold; stroke: #fff; stroke-width: 8; "
            "paint-order: stroke; }\n"
            ".sugg { stroke: #7a2fbf; stroke-width: 5; stroke-dasharray: 30 15; fill: none; }\n";
    }
    out += "</style>\n";
    out += "<rect x=\"0\" y=\"0\" width=\"" + num(kPageW) + "\" height=\"" + num(kPageH) +
           "\" fill=\"#fff\"/>\n";

    // Title: the action text and the date of the run.
    char date[64];
    const DateTime& d = res.date;
    std::snprintf(date, sizeof date, "%d. %d. %d  %d:%02d:%02d", d.day, d.month, d.year, d.hour,
                  d.minute, d.second);
    out += "<text x=\"" + num(kLeft) + "\" y=\"170\" font-size=\"60\" font-weight=\"bold\">" +
           esc(action_text(res.action)) + "</text>\n";
    out += "<text x=\"" + num(kLeft) + "\" y=\"245\" font-size=\"40\">" + date +
           "    osa x nahoru, osa y doprava</text>\n";
    if (!res.adjusted || end.ending != Ending::Normal) {
        out += "<text x=\"" + num(kLeft) + "\" y=\"310\" font-size=\"40\" fill=\"#c0201a\">" +
               (res.adjusted ? "výpočet skončil předčasně ("
                             : "přibližné souřadnice, výpočet nedoběhl (") +
               std::string(info(end.ending).kind) + ")</text>\n";
    }
}

const char* const kLineClass[3] = {"dir", "dist", "zen"};

// What the reliability analysis says of the measurements of one kind between two points.
struct Mark {
    bool suspect = false;       // one of them exceeds the critical value
    double max_w = 0;           // the largest |w| of the suspects
    bool uncontrolled = false;  // one of them is uncontrolled (when analysed)
    bool controlled = false;    // one of them is controlled, or the network was not analysed
    bool weak = false;          // a plan: one of them has r below the requirement
    double min_r = 1;           // the smallest r of those
};
// Positions (i < j) -> kinds (0 directions, 1 distances, 2 zenith angles) -> their mark.
using Pairs = std::map<std::pair<int, int>, std::map<int, Mark>>;

// The measured connections, each kind once per pair of points, side by side when several.
// What the analysis says of each kind of measurement between each pair of drawn points.
Pairs marks_of(const Results& res, const Page& pg, const PlanDrawing* plan) {
    Pairs pairs;
    const auto pos = [&](int number) {
        for (int i = 1; i <= pg.n; ++i) {
            if (res.points[i].number == number) {
                return i;
            }
        }
        return 0;
    };
    for (int g = 1; g <= res.observations_read; ++g) {
        const Observation& o = res.observations[g];
        const int a = pos(o.station), b = pos(o.target);
        if (a == 0 || b == 0 || a == b) {
            continue;
        }
        const int kind = o.kind == Kind::Direction ? 0 : o.kind == Kind::Zenith ? 2 : 1;
        Mark& m = pairs[{std::min(a, b), std::max(a, b)}][kind];
        const Reliable& rel = res.reliability.of[g];
        const bool analysed = res.reliability.computed;
        m.uncontrolled = m.uncontrolled || (analysed && !rel.controlled);
        m.controlled = m.controlled || !analysed || rel.controlled;
        if (analysed && rel.outlier) {
            m.suspect = true;
            m.max_w = std::max(m.max_w, std::fabs(rel.w));
        }
        if (plan != nullptr && rel.r < plan->min_r) {
            m.weak = true;
            m.min_r = std::min(m.min_r, rel.r);
        }
    }
    return pairs;
}

Pairs connections(std::string& out, const Results& res, const Page& pg, const PlanDrawing* plan) {
    Pairs pairs = marks_of(res, pg, plan);
    out += "<g>\n";
    for (const auto& [ab, kinds] : pairs) {
        const double x1 = pg.X(ab.first), y1 = pg.Y(ab.first);
        const double x2 = pg.X(ab.second), y2 = pg.Y(ab.second);
        const double len = std::sqrt((x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1));
        if (len < 1e-9) {
            continue;
        }
        const double nx = -(y2 - y1) / len, ny = (x2 - x1) / len;
        for (const auto& [k, mark] : kinds) {
            const double off = kinds.size() == 1 ? 0.0 : (k - 1) * 9.0;
            const std::string ends = "<line x1=\"" + num(x1 + nx * off) + "\" y1=\"" +
                                     num(y1 + ny * off) + "\" x2=\"" + num(x2 + nx * off) +
                                     "\" y2=\"" + num(y2 + ny * off) + "\" class=\"";
            // A pair with controlled and uncontrolled measurements of a kind: the line of the
            // controlled ones, the uncontrolled mark over it.
            out += ends + kLineClass[k] + (mark.controlled ? "" : " unc") + "\"/>\n";
            if (mark.controlled && mark.uncontrolled) {
                out += ends + kLineClass[k] + " unc\"/>\n";
            }
            if (mark.suspect) {
                out += ends + "suspect\"/>\n";
                char w[32];
                std::snprintf(w, sizeof w, "|w| %.1f", mark.max_w);
                out += "<text x=\"" + num((x1 + x2) / 2 + nx * (off + 45)) + "\" y=\"" +
                       num((y1 + y2) / 2 + ny * (off + 45)) +
                       "\" text-anchor=\"middle\" font-size=\"36\" class=\"suspect-label\">" + w +
                       "</text>\n";
            }
            if (mark.weak) {
                out += ends + "weak\"/>\n";
                char r[32];
                std::snprintf(r, sizeof r, "r %.2f", mark.min_r);
                out += "<text x=\"" + num((x1 + x2) / 2 - nx * (off + 45)) + "\" y=\"" +
                       num((y1 + y2) / 2 - ny * (off + 45)) +
                       "\" text-anchor=\"middle\" font-size=\"36\" class=\"weak-label\">" + r +
                       "</text>\n";
            }
        }
    }
    out += "</g>\n";
    return pairs;
}

// The first suggestion of a plan: a dashed line between its points.
void suggestion(std::string& out, const Results& res, const Page& pg, const PlanDrawing& plan) {
    int at[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        for (int i = 1; i <= pg.n && at[k] == 0; ++i) {
            at[k] = res.points[i].number == plan.suggestion[k] ? i : 0;
        }
    }
    if (at[0] == 0 || at[1] == 0 || at[0] == at[1]) {
        return;
    }
    out += Tag("line")
               .at("x1", pg.X(at[0]))
               .at("y1", pg.Y(at[0]))
               .at("x2", pg.X(at[1]))
               .at("y2", pg.Y(at[1]))
               .at("class", "sugg")
               .empty() +
           "\n";
}

// Error ellipses and z bars, magnified by one factor: the largest ellipse (or z bar, when no
// point has an ellipse) is about 10 mm on paper. A point's ellipse is drawn when its x or y is
// adjusted, its z bar when its z is: a fixed component's deviation is only the a-priori
// coordinate sd, which the drawing does not show.
struct Errors {
    PlanEllipse ell[JB + 1] = {};
    double sz[JB + 1] = {};
    bool ellipse[JB + 1] = {}, bar[JB + 1] = {};
    bool left_out = false;  // a point lost its ellipse or its bar that way
    double largest = 0;
    double magnify = 0;  // drawn units per mm of error
};

Errors errors_of(const Results& res, const Page& pg, const PlanDrawing* plan) {
    Errors e;
    double largest_z = 0;
    for (int i = 1; res.adjusted && i <= pg.n; ++i) {
        const int a = 3 * i - 3;
        const geo::Fixed fixed = geo::fixed_components(res.points[i].code);
        e.ell[i] = plan_ellipse(res.covariance[a][a], res.covariance[a][a + 1],
                                res.covariance[a + 1][a + 1]);
        e.sz[i] = std::sqrt(std::fabs(res.covariance[a + 2][a + 2]));
        if (plan != nullptr) {
            e.ell[i].a *= plan->ellipse_factor;
            e.ell[i].b *= plan->ellipse_factor;
            e.sz[i] *= plan->bar_factor;
        }
        e.ellipse[i] = !(fixed.x && fixed.y);
        e.bar[i] = !fixed.z && e.sz[i] > 0;
        e.left_out = e.left_out || !e.ellipse[i] || fixed.z;
        if (e.ellipse[i]) {
            e.largest = std::max(e.largest, e.ell[i].a);
        }
        if (e.bar[i]) {
            largest_z = std::max(largest_z, e.sz[i]);
        }
    }
    if (e.largest == 0) {
        e.largest = largest_z;
    }
    if (e.largest > 0) {
        e.magnify = nice_below(100.0 / e.largest / pg.s) * pg.s;
    }
    return e;
}

// The direction (0..7, counterclockwise from the right, in steps of 45 degrees) of the free
// side of a point for its label: the one farthest from every connection that leaves it and from
// the bar of its z, left of it.
int free_side(int i, const Pairs& pairs, const Page& pg, bool bar) {
    const double pi = kPi;
    std::vector<double> away;  // directions of the connections on the page, radians
    if (bar) {
        away.push_back(pi);
    }
    for (const auto& [ab, kinds] : pairs) {
        if (ab.first == i || ab.second == i) {
            const int j = ab.first == i ? ab.second : ab.first;
            away.push_back(crmath::atan2(-(pg.Y(j) - pg.Y(i)), pg.X(j) - pg.X(i)));
        }
    }
    int best = 1;  // up and to the right when nothing is in the way
    double best_gap = -1;
    for (const int k : {1, 3, 7, 5, 0, 2, 4, 6}) {
        double gap = 10;
        for (const double d : away) {
            gap = std::min(gap, std::fabs(std::remainder(k * pi / 4 - d, 2 * pi)));
        }
        if (gap > best_gap + 1e-9) {
            best = k;
            best_gap = gap;
        }
    }
    return best;
}

void points(std::string& out, const Results& res, const Page& pg, const Pairs& pairs,
            const Errors& e) {
    out += "<g>\n";
    for (int i = 1; i <= pg.n; ++i) {
        out += symbol(res.points[i].code, pg.X(i), pg.Y(i)) + "\n";
        const double a = free_side(i, pairs, pg, e.magnify > 0 && e.bar[i]) * kPi / 4;
        const double c = crmath::cos(a), sn = crmath::sin(a);
        const char* anchor = c > 0.3 ? "start" : c < -0.3 ? "end" : "middle";
        const double x = pg.X(i) + 34 * c;
        const double y = pg.Y(i) - 34 * sn + (sn < -0.3 ? 32 : sn > 0.3 ? 0 : 15);
        out += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" text-anchor=\"" + anchor +
               "\" font-size=\"44\" font-weight=\"bold\">" + std::to_string(res.points[i].number) +
               "</text>\n";
    }
    out += "</g>\n";
}

void ellipses(std::string& out, const Page& pg, const Errors& e) {
    if (e.magnify <= 0) {
        return;
    }
    out += "<g>\n";
    for (int i = 1; i <= pg.n; ++i) {
        const double deg = e.ell[i].bearing * 0.9 - 90.0;
        const double X = pg.X(i), Y = pg.Y(i);
        if (e.ellipse[i]) {
            out += Tag("ellipse")
                       .at("cx", X)
                       .at("cy", Y)
                       .at("rx", e.ell[i].a * e.magnify)
                       .at("ry", e.ell[i].b * e.magnify)
                       .at("transform", "rotate(" + num(deg) + " " + num(X) + " " + num(Y) + ")")
                       .at("class", "ell")
                       .empty() +
                   "\n";
        }
        if (e.bar[i]) {
            out += Tag("line")
                       .at("x1", X - 40)
                       .at("y1", Y - e.sz[i] * e.magnify)
                       .at("x2", X - 40)
                       .at("y2", Y + e.sz[i] * e.magnify)
                       .at("class", "zbar")
                       .empty() +
                   "\n";
        }
    }
    out += "</g>\n";
}

// The roles of the points in the legend: the symbol's code, its text, the codes it stands for.
struct Role {
    int code;
    const char* text;
    int from, to;  // absolute codes
};
constexpr Role kRoles[] = {{7, "pevný bod (7)", 7, 7},
                           {5, "částečně pevný bod (4, 5, 6)", 4, 6},
                           {2, "podmínka směru (2)", 2, 2},
                           {3, "Helmertův bod (3)", 3, 3},
                           {0, "volný bod (0, 1)", 0, 1}};

// A row of the legend's second column at y0: a line of the class and its text; y0 moves on.
void key_row(std::string& out, double& y0, const std::string& cls, const std::string& text) {
    out += Tag("line")
               .at("x1", "800")
               .at("y1", y0)
               .at("x2", "960")
               .at("y2", y0)
               .at("class", cls)
               .empty() +
           "\n";
    out += Tag("text").at("x", "990").at("y", y0 + 12).text(text) + "\n";
    y0 += 75;
}

// A plan's rows of the legend: its weak measurements and its first suggestion.
void plan_rows(std::string& out, double& y0, bool weak, const PlanDrawing* plan) {
    if (weak) {
        key_row(out, y0, "weak", "slabé měření (r pod " + fixed_text(plan->min_r) + ")");
    }
    if (plan != nullptr && plan->suggestion[0] != 0) {
        key_row(out, y0, "sugg", "první návrh: co přidat");
    }
}

// The legend's first column: the roles of the points drawn.
void legend_roles(std::string& out, const Results& res, const Page& pg) {
    double y0 = 2450;
    for (const Role& role : kRoles) {
        bool shown = false;
        for (int i = 1; i <= pg.n; ++i) {
            const int c = std::abs(res.points[i].code);
            shown = shown || (c >= role.from && c <= role.to);
        }
        if (shown) {
            out += symbol(role.code, kLeft + 30, y0) + "\n";
            out += Tag("text").at("x", kLeft + 80).at("y", y0 + 12).text(role.text) + "\n";
            y0 += 75;
        }
    }
}

// The legend's second column from y0 on: the marks of the measurements.
void legend_marks(std::string& out, double& y0, const Pairs& pairs, const PlanDrawing* plan) {
    bool suspects = false, uncontrolled = false, weak = false;
    for (const auto& [ab, kinds] : pairs) {
        for (const auto& [k, mark] : kinds) {
            suspects = suspects || mark.suspect;
            uncontrolled = uncontrolled || mark.uncontrolled;
            weak = weak || mark.weak;
        }
    }
    plan_rows(out, y0, weak, plan);
    if (suspects) {
        key_row(out, y0, "suspect", "podezřelé měření (|w|)");
    }
    if (uncontrolled) {
        key_row(out, y0, "dist unc", "nekontrolované měření");
    }
}

// The legend's second column from y0 on: the ellipses and the z bars.
void legend_errors(std::string& out, double y0, const Page& pg, const Errors& e,
                   const PlanDrawing* plan) {
    bool ellipses = false, bars = false;
    for (int i = 1; i <= pg.n; ++i) {
        ellipses = ellipses || e.ellipse[i];
        bars = bars || e.bar[i];
    }
    if (e.magnify > 0 && ellipses) {
        out += "<ellipse cx=\"880\" cy=\"" + num(y0) + "\" rx=\"50\" ry=\"25\" class=\"ell\"/>\n";
        out += "<text x=\"990\" y=\"" + num(y0 + 12) + "\">" +
               (plan != nullptr ? "elipsa 95 % (vodorovná)" : "elipsa chyb (1σ, vodorovná)") +
               "</text>\n";
        y0 += 75;
    }
    if (e.magnify > 0 && bars) {
        out += "<line x1=\"880\" y1=\"" + num(y0 - 28) + "\" x2=\"880\" y2=\"" + num(y0 + 28) +
               "\" class=\"zbar\"/>\n";
        out += "<text x=\"990\" y=\"" + num(y0 + 12) + "\">" +
               (plan != nullptr ? "95 % výšky (z)" : "±σ výšky (z)") + "</text>\n";
        y0 += 75;
    }
    if (e.magnify > 0 && e.left_out) {
        out += "<text x=\"800\" y=\"" + num(y0 + 12) +
               "\">pevné souřadnice: bez elipsy a bez úsečky</text>\n";
    }
}

// The legend lists what the drawing shows; the scale bars are each at least 10 mm on paper.
void legend(std::string& out, const Results& res, const Page& pg, const Pairs& pairs,
            const Errors& e, const PlanDrawing* plan) {
    out += "<g font-size=\"34\">\n";
    legend_roles(out, res, pg);
    // A plan's drawing has two more rows in this column: it starts higher to stay on the page.
    double y0 = plan != nullptr ? 2300 : 2450;
    const char* lines[3] = {"směry", "délky", "zenitové úhly"};
    for (int k = 0; k < 3; ++k) {
        bool shown = false;
        for (const auto& [ab, kinds] : pairs) {
            shown = shown || kinds.count(k) != 0;
        }
        if (shown) {
            key_row(out, y0, kLineClass[k], lines[k]);
        }
    }
    legend_marks(out, y0, pairs, plan);
    legend_errors(out, y0, pg, e, plan);
    // The network in metres (or millimetres for a tiny one).
    const double net = nice_below(360.0 / pg.s);
    const auto label = [&](const char* y, const std::string& text) {
        out += Tag("text").at("x", "1500").at("y", y).text(text) + "\n";
    };
    out += scale_bar("2450", net * pg.s, "bar");
    label("2510", "síť: " + length_label(net));
    if (e.magnify > 0) {
        const double len = nice_above(100.0 / e.magnify);
        out += scale_bar("2600", len * e.magnify, "zbar");
        label("2660", "elipsy: " + length_label(len));
        label("2720", "zvětšení " + with_spaces(e.magnify / pg.s) + "×");
    }
    out += "</g>\n";
}

}  // namespace

std::string svg_report(const Results& res, const Outcome& end, const PlanDrawing* plan) {
    const Page pg = page_of(res);
    const Errors e = errors_of(res, pg, plan);
    std::string out;
    head(out, res, end, plan != nullptr);
    const Pairs pairs = connections(out, res, pg, plan);
    if (plan != nullptr) {
        suggestion(out, res, pg, *plan);
    }
    points(out, res, pg, pairs, e);
    ellipses(out, pg, e);
    legend(out, res, pg, pairs, e, plan);
    out += "</svg>\n";
    return out;
}

}  // namespace kavron
