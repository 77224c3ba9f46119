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

namespace kavron {

namespace {
constexpr double kPi = 3.141592653589793;  // the double nearest to pi
}  // namespace

// The horizontal error ellipse, with the program's own correctly rounded atan2.
PlanEllipse plan_ellipse(double cxx, double cxy, double cyy) {
    const double mean = (cxx + cyy) / 2.0;
    const double half = (cxx - cyy) / 2.0;
    const double d = std::sqrt(half * half + cxy * cxy);
    const double l1 = mean + d;
    const double l2 = std::max(mean - d, 0.0);
    double theta = 0.5 * crmath::atan2(2.0 * cxy, cxx - cyy);  // from +x towards +y
    if (theta < 0) {
        theta += kPi;
    }
    return {std::sqrt(std::max(l1, 0.0)), std::sqrt(l2), theta * 200.0 / kPi};
}

namespace {

constexpr double kPageW = 2100, kPageH = 2970;
constexpr double kLeft = 150, kRight = 1950, kTop = 420, kBottom = 2330;

std::string esc(const std::string& s) {
    std::string out;
    for (const char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if ((static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) || c == '\t') {
                    out.push_back(c);
                }
        }
    }
    return out;
}

std::string num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.1f", std::fabs(v) < 0.05 ? 0.0 : v);
    return b;
}

// The power of ten at most v (v > 0), from powers that are exact (or, below 1, the quotient of
// two exact numbers: the double nearest to the power); k receives its exponent.
double decade(double v, int& k) {
    double p = 1;
    k = 0;
    if (v >= 1) {
        while (p * 10 <= v && k < 300) {
            p *= 10;
            ++k;
        }
        return p;
    }
    double q = 1;  // 10^-k, exact while k <= 22
    while (1 / q > v && k < 300) {
        q *= 10;
        --k;
    }
    return 1 / q;
}

double decade(double v) {
    int k = 0;
    return decade(v, k);
}

// 1, 2 or 5 times a power of ten, at least v.
double nice_above(double v) {
    const double p = decade(v);
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * p >= v) {
            return m * p;
        }
    }
    return 10 * p;
}

// 1, 2 or 5 times a power of ten, at most v.
double nice_below(double v) {
    const double p = decade(v);
    for (const double m : {5.0, 2.0, 1.0}) {
        if (m * p <= v) {
            return m * p;
        }
    }
    return p;
}

// A requirement as the legend gives it: 0.3 as "0,3".
std::string fixed_text(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%g", v);
    std::string s = b;
    for (char& c : s) {
        c = c == '.' ? ',' : c;
    }
    return s;
}

std::string with_spaces(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.0f", v);
    // Thousands apart by a blank, as Czech writes them.
    const std::string digits = b;
    std::string s;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            s.push_back(' ');
        }
        s.push_back(digits[i]);
    }
    return s;
}

// A length of the scale (1, 2 or 5 times a power of ten) in plain digits: metres from 1 m on,
// thousands apart by a blank, millimetres below with the decimals they need.
std::string length_label(double mm) {
    if (mm >= 1000.0) {
        return with_spaces(mm / 1000.0) + " m";
    }
    if (mm >= 1.0) {
        return with_spaces(mm) + " mm";
    }
    int k = 0;
    (void)decade(mm, k);
    const int decimals = std::clamp(-k, 1, 20);
    char b[48];
    std::snprintf(b, sizeof b, "%.*f mm", decimals, mm);
    std::string label = b;
    std::replace(label.begin(), label.end(), '.', ',');  // a Czech decimal comma
    return label;
}

// The symbol of a point by its datum role.
std::string symbol(int code, double X, double Y) {
    const int c = std::abs(code);
    const std::string at = num(X) + "," + num(Y);
    const std::string tri = "<path d=\"M" + num(X) + "," + num(Y - 26) + " L" + num(X + 23) + "," +
                            num(Y + 14) + " L" + num(X - 23) + "," + num(Y + 14) + " Z\"";
    switch (c) {
        case 7:
            return tri + " class=\"fixed\"/>";
        case 4:
        case 5:
        case 6:
            return tri + " class=\"partly\"/>";
        case 2:
            return tri + " class=\"open\"/><circle cx=\"" + num(X) + "\" cy=\"" + num(Y) +
                   "\" r=\"5\" class=\"fixed\"/>";
        case 3:
            return "<rect x=\"" + num(X - 17) + "\" y=\"" + num(Y - 17) +
                   "\" width=\"34\" height=\"34\" class=\"open\"/>";
        default:
            return "<circle cx=\"" + num(X) + "\" cy=\"" + num(Y) + "\" r=\"17\" class=\"open\"/>";
    }
}

}  // namespace

namespace {

// The page: where every point is drawn, at one scale for the whole network.
struct Page {
    int n = 0;
    double px[JB + 1] = {}, py[JB + 1] = {};  // plan coordinates [mm]
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    double s = 1;  // drawn units per mm of the network
    double cx = (kLeft + kRight) / 2, cy = (kTop + kBottom) / 2;
    double X(int i) const { return cx + (py[i] - (ymin + ymax) / 2) * s; }
    double Y(int i) const { return cy - (px[i] - (xmin + xmax) / 2) * s; }
};

// The page of the points at the plan coordinates x[1..n], y[1..n].
Page page_at(int n, const double* x, const double* y) {
    Page pg;
    pg.n = n;
    for (int i = 1; i <= pg.n; ++i) {
        pg.px[i] = x[i];
        pg.py[i] = y[i];
        pg.xmin = i == 1 ? pg.px[i] : std::min(pg.xmin, pg.px[i]);
        pg.xmax = i == 1 ? pg.px[i] : std::max(pg.xmax, pg.px[i]);
        pg.ymin = i == 1 ? pg.py[i] : std::min(pg.ymin, pg.py[i]);
        pg.ymax = i == 1 ? pg.py[i] : std::max(pg.ymax, pg.py[i]);
    }
    const double w = kRight - kLeft, h = kBottom - kTop;
    const double extent = std::max({pg.ymax - pg.ymin, (pg.xmax - pg.xmin) * w / h, 0.0});
    pg.s = extent > 0 ? 0.85 * w / extent : 1.0;
    return pg;
}

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

// The document's first lines: an A4 page in tenths of a millimetre, and the start of its style.
std::string page_start() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"210mm\" height=\"297mm\" "
           "viewBox=\"0 0 " +
           num(kPageW) + " " + num(kPageH) +
           "\">\n<style>\ntext { font-family: DejaVu Sans, Arial, sans-serif; fill: #000; }\n";
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
    out += "<line x1=\"" + num(pg.X(at[0])) + "\" y1=\"" + num(pg.Y(at[0])) + "\" x2=\"" +
           num(pg.X(at[1])) + "\" y2=\"" + num(pg.Y(at[1])) + "\" class=\"sugg\"/>\n";
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
            out += "<ellipse cx=\"" + num(X) + "\" cy=\"" + num(Y) + "\" rx=\"" +
                   num(e.ell[i].a * e.magnify) + "\" ry=\"" + num(e.ell[i].b * e.magnify) +
                   "\" transform=\"rotate(" + num(deg) + " " + num(X) + " " + num(Y) +
                   ")\" class=\"ell\"/>\n";
        }
        if (e.bar[i]) {
            out += "<line x1=\"" + num(X - 40) + "\" y1=\"" + num(Y - e.sz[i] * e.magnify) +
                   "\" x2=\"" + num(X - 40) + "\" y2=\"" + num(Y + e.sz[i] * e.magnify) +
                   "\" class=\"zbar\"/>\n";
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

// A plan's rows of the legend: its weak measurements and its first suggestion.
void plan_rows(std::string& out, double& y0, bool weak, const PlanDrawing* plan) {
    if (weak) {
        out += "<line x1=\"800\" y1=\"" + num(y0) + "\" x2=\"960\" y2=\"" + num(y0) +
               "\" class=\"weak\"/>\n";
        out += "<text x=\"990\" y=\"" + num(y0 + 12) + "\">slabé měření (r pod " +
               fixed_text(plan->min_r) + ")</text>\n";
        y0 += 75;
    }
    if (plan != nullptr && plan->suggestion[0] != 0) {
        out += "<line x1=\"800\" y1=\"" + num(y0) + "\" x2=\"960\" y2=\"" + num(y0) +
               "\" class=\"sugg\"/>\n";
        out += "<text x=\"990\" y=\"" + num(y0 + 12) + "\">první návrh: co přidat</text>\n";
        y0 += 75;
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
            out += "<text x=\"" + num(kLeft + 80) + "\" y=\"" + num(y0 + 12) + "\">" + role.text +
                   "</text>\n";
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
        out += "<line x1=\"800\" y1=\"" + num(y0) + "\" x2=\"960\" y2=\"" + num(y0) +
               "\" class=\"suspect\"/>\n";
        out += "<text x=\"990\" y=\"" + num(y0 + 12) + "\">podezřelé měření (|w|)</text>\n";
        y0 += 75;
    }
    if (uncontrolled) {
        out += "<line x1=\"800\" y1=\"" + num(y0) + "\" x2=\"960\" y2=\"" + num(y0) +
               "\" class=\"dist unc\"/>\n";
        out += "<text x=\"990\" y=\"" + num(y0 + 12) + "\">nekontrolované měření</text>\n";
        y0 += 75;
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
            out += "<line x1=\"800\" y1=\"" + num(y0) + "\" x2=\"960\" y2=\"" + num(y0) +
                   "\" class=\"" + kLineClass[k] + "\"/>\n";
            out += "<text x=\"990\" y=\"" + num(y0 + 12) + "\">" + lines[k] + "</text>\n";
            y0 += 75;
        }
    }
    legend_marks(out, y0, pairs, plan);
    legend_errors(out, y0, pg, e, plan);
    // The network in metres (or millimetres for a tiny one).
    const double net = nice_below(360.0 / pg.s);
    out += "<line x1=\"1500\" y1=\"2450\" x2=\"" + num(1500 + net * pg.s) +
           "\" y2=\"2450\" class=\"bar\"/>\n";
    out += "<text x=\"1500\" y=\"2510\">síť: " + length_label(net) + "</text>\n";
    if (e.magnify > 0) {
        const double len = nice_above(100.0 / e.magnify);
        out += "<line x1=\"1500\" y1=\"2600\" x2=\"" + num(1500 + len * e.magnify) +
               "\" y2=\"2600\" class=\"zbar\"/>\n";
        out += "<text x=\"1500\" y=\"2660\">elipsy: " + length_label(len) + "</text>\n";
        out +=
            "<text x=\"1500\" y=\"2720\">zvětšení " + with_spaces(e.magnify / pg.s) + "×</text>\n";
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

namespace {

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
    out += "<rect x=\"0\" y=\"0\" width=\"" + num(kPageW) + "\" height=\"" + num(kPageH) +
           "\" fill=\"#fff\"/>\n";
    out += "<text x=\"" + num(kLeft) + "\" y=\"170\" font-size=\"60\" font-weight=\"bold\">" +
           "Porovnání epoch: posuny bodů</text>\n";
    out += "<text x=\"" + num(kLeft) + "\" y=\"235\" font-size=\"36\">1: " + esc(df.e1.action) +
           "</text>\n<text x=\"" + num(kLeft) +
           "\" y=\"285\" font-size=\"36\">2: " + esc(df.e2.action) + "</text>\n<text x=\"" +
           num(kLeft) + "\" y=\"335\" font-size=\"36\">osa x nahoru, osa y doprava</text>\n";
    return out;
}

// The key and the scale bars of the drawing of the displacements.
void displacement_key(std::string& out, const Page& pg, double magnify) {
    const double net = nice_below(360.0 / pg.s);
    out += "<g font-size=\"34\">\n";
    out += "<line x1=\"1500\" y1=\"2450\" x2=\"" + num(1500 + net * pg.s) +
           "\" y2=\"2450\" class=\"bar\"/>\n";
    out += "<text x=\"1500\" y=\"2510\">síť: " + length_label(net) + "</text>\n";
    if (magnify > 0) {
        const double len = nice_above(100.0 / magnify);
        out += "<line x1=\"1500\" y1=\"2600\" x2=\"" + num(1500 + len * magnify) +
               "\" y2=\"2600\" class=\"arrow\"/>\n";
        out += "<text x=\"1500\" y=\"2660\">posuny a elipsy: " + length_label(len) + "</text>\n";
    }
    out += "<line x1=\"" + num(kLeft) + "\" y1=\"2450\" x2=\"" + num(kLeft + 160) +
           "\" y2=\"2450\" class=\"arrow\"/>\n<text x=\"" + num(kLeft + 190) +
           "\" y=\"2462\">posun bodu (zvětšený)</text>\n";
    out += "<ellipse cx=\"" + num(kLeft + 80) +
           "\" cy=\"2530\" rx=\"50\" ry=\"25\" "
           "class=\"ell\"/>\n<text x=\"" +
           num(kLeft + 190) + "\" y=\"2542\">95% elipsa posunu (vodorovná)</text>\n";
    out += "<circle cx=\"" + num(kLeft + 80) +
           "\" cy=\"2610\" r=\"14\" class=\"moved\"/>\n"
           "<text x=\"" +
           num(kLeft + 190) + "\" y=\"2622\">bod, který se posunul</text>\n";
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
            out += "<ellipse cx=\"" + num(X2) + "\" cy=\"" + num(Y2) + "\" rx=\"" +
                   num(ell[j].a * magnify) + "\" ry=\"" + num(ell[j].b * magnify) +
                   "\" transform=\"rotate(" + num(ell[j].bearing * 0.9 - 90.0) + " " + num(X2) +
                   " " + num(Y2) + ")\" class=\"ell\"/>\n";
            out += "<line x1=\"" + num(X) + "\" y1=\"" + num(Y) + "\" x2=\"" + num(X2) +
                   "\" y2=\"" + num(Y2) + "\" class=\"arrow\"/>\n";
        }
        out += "<circle cx=\"" + num(X) + "\" cy=\"" + num(Y) + "\" r=\"14\" class=\"" +
               (m.moved ? "moved" : "pt") + "\"/>\n";
        out += "<text x=\"" + num(X + 24) + "\" y=\"" + num(Y - 20) +
               "\" font-size=\"40\" font-weight=\"bold\">" + std::to_string(m.number) +
               (m.moved ? " posun" : "") + "</text>\n";
    }
    displacement_key(out, pg, magnify);
    out += "</g>\n</svg>\n";
    return out;
}

}  // namespace kavron
