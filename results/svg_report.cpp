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

#include "driver/run.hpp"

namespace kavron {

PlanEllipse horizontal_ellipse(double cxx, double cxy, double cyy) {
    const double mean = (cxx + cyy) / 2.0;
    const double half = (cxx - cyy) / 2.0;
    const double d = std::sqrt(half * half + cxy * cxy);
    const double l1 = mean + d;
    const double l2 = std::max(mean - d, 0.0);
    double theta = 0.5 * std::atan2(2.0 * cxy, cxx - cyy);  // from +x towards +y
    if (theta < 0) {
        theta += std::acos(-1.0);
    }
    return {std::sqrt(std::max(l1, 0.0)), std::sqrt(l2), theta * 200.0 / std::acos(-1.0)};
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
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') {
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

// 1, 2 or 5 times a power of ten, at most v.
double nice_below(double v) {
    const double p = std::pow(10.0, std::floor(std::log10(v)));
    for (const double m : {5.0, 2.0, 1.0}) {
        if (m * p <= v) {
            return m * p;
        }
    }
    return p;
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

std::string length_label(double mm) {
    char b[48];
    if (mm >= 1000.0) {
        std::snprintf(b, sizeof b, "%g m", mm / 1000.0);
    } else {
        std::snprintf(b, sizeof b, "%g mm", mm);
    }
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

void write_svg(std::FILE* f, const Run& r) {
    const Task& t = r.t;
    const Report& rep = r.rep;
    const int n = t.IB;
    // Plan coordinates of the points: adjusted when the adjustment finished, else as read.
    double px[JB + 1] = {}, py[JB + 1] = {};
    for (int i = 1; i <= n; ++i) {
        px[i] = rep.adjusted ? t.XO[i] : rep.X0[i];
        py[i] = rep.adjusted ? t.YO[i] : rep.Y0[i];
    }
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    for (int i = 1; i <= n; ++i) {
        xmin = i == 1 ? px[i] : std::min(xmin, px[i]);
        xmax = i == 1 ? px[i] : std::max(xmax, px[i]);
        ymin = i == 1 ? py[i] : std::min(ymin, py[i]);
        ymax = i == 1 ? py[i] : std::max(ymax, py[i]);
    }
    const double w = kRight - kLeft, h = kBottom - kTop;
    const double extent = std::max({ymax - ymin, (xmax - xmin) * w / h, 0.0});
    const double s = extent > 0 ? 0.85 * w / extent : 1.0;  // drawn units per mm of the network
    const double cx = (kLeft + kRight) / 2, cy = (kTop + kBottom) / 2;
    const auto X = [&](int i) { return cx + (py[i] - (ymin + ymax) / 2) * s; };
    const auto Y = [&](int i) { return cy - (px[i] - (xmin + xmax) / 2) * s; };

    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out +=
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"210mm\" height=\"297mm\" viewBox=\"0 "
        "0 " +
        num(kPageW) + " " + num(kPageH) + "\">\n";
    out +=
        "<style>\n"
        "text { font-family: DejaVu Sans, Arial, sans-serif; fill: #000; }\n"
        ".fixed { fill: #000; stroke: #000; stroke-width: 3; }\n"
        ".partly { fill: #999; stroke: #000; stroke-width: 3; }\n"
        ".open { fill: #fff; stroke: #000; stroke-width: 3; }\n"
        ".dir { stroke: #1f5fbf; stroke-width: 3; stroke-dasharray: 24 10; fill: none; }\n"
        ".dist { stroke: #444; stroke-width: 3; fill: none; }\n"
        ".zen { stroke: #2a8f3a; stroke-width: 3; stroke-dasharray: 4 8; fill: none; }\n"
        ".ell { stroke: #c0201a; stroke-width: 4; fill: #c0201a; fill-opacity: 0.12; }\n"
        ".zbar { stroke: #c0201a; stroke-width: 6; }\n"
        ".bar { stroke: #000; stroke-width: 6; }\n"
        "</style>\n";
    out += "<rect x=\"0\" y=\"0\" width=\"" + num(kPageW) + "\" height=\"" + num(kPageH) +
           "\" fill=\"#fff\"/>\n";

    // Title: the action text and the date of the run.
    char date[64];
    std::snprintf(date, sizeof date, "%d. %d. %d  %d:%02d:%02d", t.IDAY, t.IMON, t.IYR, t.IHR,
                  t.IMIN, t.ISEC);
    out += "<text x=\"" + num(kLeft) + "\" y=\"170\" font-size=\"60\" font-weight=\"bold\">" +
           esc(action_text(t.ZAH)) + "</text>\n";
    out += "<text x=\"" + num(kLeft) + "\" y=\"245\" font-size=\"40\">" + date +
           "    osa x nahoru, osa y doprava</text>\n";
    if (!rep.adjusted) {
        out += "<text x=\"" + num(kLeft) + "\" y=\"310\" font-size=\"40\" fill=\"#c0201a\">" +
               "přibližné souřadnice, výpočet nedoběhl (" + std::string(rep.ending) + ")</text>\n";
    }

    // The measured connections, each kind once per pair of points, side by side when several.
    std::map<std::pair<int, int>, std::set<int>> pairs;  // positions (i < j) -> kinds 0, 1, 2
    const auto pos = [&](int number) {
        for (int i = 1; i <= n; ++i) {
            if (t.IN[i] == number) {
                return i;
            }
        }
        return 0;
    };
    for (int g = 1; g <= t.NR; ++g) {
        const int a = pos(t.INS[g]), b = pos(t.INC[g]);
        if (a == 0 || b == 0 || a == b) {
            continue;
        }
        const int kind = g <= t.IS ? 0 : g <= t.ISZ ? 2 : 1;
        pairs[{std::min(a, b), std::max(a, b)}].insert(kind);
    }
    const char* cls[3] = {"dir", "dist", "zen"};
    out += "<g>\n";
    for (const auto& [ab, kinds] : pairs) {
        const double x1 = X(ab.first), y1 = Y(ab.first), x2 = X(ab.second), y2 = Y(ab.second);
        const double len = std::hypot(x2 - x1, y2 - y1);
        if (len < 1e-9) {
            continue;
        }
        const double nx = -(y2 - y1) / len, ny = (x2 - x1) / len;
        for (const int k : kinds) {
            const double off = kinds.size() == 1 ? 0.0 : (k - 1) * 9.0;
            out += "<line x1=\"" + num(x1 + nx * off) + "\" y1=\"" + num(y1 + ny * off) +
                   "\" x2=\"" + num(x2 + nx * off) + "\" y2=\"" + num(y2 + ny * off) +
                   "\" class=\"" + cls[k] + "\"/>\n";
        }
    }
    out += "</g>\n";

    // Error ellipses and z bars, magnified by one factor: the largest ellipse (or z bar, when no
    // point has an ellipse) is about 10 mm on paper.
    double largest = 0, largest_z = 0;
    PlanEllipse ell[JB + 1] = {};
    double sz[JB + 1] = {};
    for (int i = 1; rep.adjusted && i <= n; ++i) {
        const int a = 3 * i - 3;
        ell[i] = horizontal_ellipse(rep.covariance[a][a], rep.covariance[a][a + 1],
                                    rep.covariance[a + 1][a + 1]);
        sz[i] = std::sqrt(std::fabs(rep.covariance[a + 2][a + 2]));
        largest = std::max(largest, ell[i].a);
        largest_z = std::max(largest_z, sz[i]);
    }
    if (largest == 0) {
        largest = largest_z;
    }
    double magnify = 0;  // drawn units per mm of error
    if (largest > 0) {
        magnify = nice_below(100.0 / largest / s) * s;
    }

    // Points and their numbers.
    out += "<g>\n";
    for (int i = 1; i <= n; ++i) {
        out += symbol(t.KOD1[i], X(i), Y(i)) + "\n";
        out += "<text x=\"" + num(X(i) + 30) + "\" y=\"" + num(Y(i) - 28) +
               "\" font-size=\"44\" font-weight=\"bold\">" + std::to_string(t.IN[i]) + "</text>\n";
    }
    out += "</g>\n";

    if (magnify > 0) {
        out += "<g>\n";
        for (int i = 1; i <= n; ++i) {
            const double deg = ell[i].bearing * 0.9 - 90.0;
            out += "<ellipse cx=\"" + num(X(i)) + "\" cy=\"" + num(Y(i)) + "\" rx=\"" +
                   num(ell[i].a * magnify) + "\" ry=\"" + num(ell[i].b * magnify) +
                   "\" transform=\"rotate(" + num(deg) + " " + num(X(i)) + " " + num(Y(i)) +
                   ")\" class=\"ell\"/>\n";
            if (sz[i] > 0) {
                out += "<line x1=\"" + num(X(i) - 40) + "\" y1=\"" + num(Y(i) - sz[i] * magnify) +
                       "\" x2=\"" + num(X(i) - 40) + "\" y2=\"" + num(Y(i) + sz[i] * magnify) +
                       "\" class=\"zbar\"/>\n";
            }
        }
        out += "</g>\n";
    }

    // Legend and scale bars.
    double y0 = 2450;
    out += "<g font-size=\"34\">\n";
    const std::pair<int, const char*> roles[] = {{7, "pevný bod (7)"},
                                                 {5, "částečně pevný bod (4, 5, 6)"},
                                                 {2, "podmínka směru (2)"},
                                                 {3, "Helmertův bod (3)"},
                                                 {0, "volný bod (0, 1)"}};
    for (const auto& [code, label] : roles) {
        out += symbol(code, kLeft + 30, y0) + "\n";
        out +=
            "<text x=\"" + num(kLeft + 80) + "\" y=\"" + num(y0 + 12) + "\">" + label + "</text>\n";
        y0 += 75;
    }
    y0 = 2450;
    const char* lines[3] = {"směry", "délky", "zenitové úhly"};
    for (int k = 0; k < 3; ++k) {
        out += "<line x1=\"800\" y1=\"" + num(y0) + "\" x2=\"960\" y2=\"" + num(y0) +
               "\" class=\"" + cls[k] + "\"/>\n";
        out += "<text x=\"990\" y=\"" + num(y0 + 12) + "\">" + lines[k] + "</text>\n";
        y0 += 75;
    }
    if (magnify > 0) {
        out += "<ellipse cx=\"880\" cy=\"" + num(y0) + "\" rx=\"50\" ry=\"25\" class=\"ell\"/>\n";
        out += "<text x=\"990\" y=\"" + num(y0 + 12) + "\">elipsa chyb (1σ, vodorovná)</text>\n";
        y0 += 75;
        out += "<line x1=\"880\" y1=\"" + num(y0 - 28) + "\" x2=\"880\" y2=\"" + num(y0 + 28) +
               "\" class=\"zbar\"/>\n";
        out += "<text x=\"990\" y=\"" + num(y0 + 12) + "\">±σ výšky (z)</text>\n";
    }
    // The network in metres (or millimetres for a tiny one).
    const double net = nice_below(360.0 / s);
    out += "<line x1=\"1500\" y1=\"2450\" x2=\"" + num(1500 + net * s) +
           "\" y2=\"2450\" class=\"bar\"/>\n";
    out += "<text x=\"1500\" y=\"2510\">síť: " + length_label(net) + "</text>\n";
    if (magnify > 0) {
        const double e = nice_below(1.5 * largest);  // about as long as the largest semi-axis
        out += "<line x1=\"1500\" y1=\"2600\" x2=\"" + num(1500 + e * magnify) +
               "\" y2=\"2600\" class=\"zbar\"/>\n";
        out += "<text x=\"1500\" y=\"2660\">elipsy: " + length_label(e) + "</text>\n";
        out += "<text x=\"1500\" y=\"2720\">zvětšení " + with_spaces(magnify / s) + "×</text>\n";
    }
    out += "</g>\n</svg>\n";
    std::fwrite(out.data(), 1, out.size(), f);
}

}  // namespace kavron
