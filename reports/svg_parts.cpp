// What the program's drawings share: the page, its figures and texts, and the element builder.
#include "reports/svg_parts.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kavron::svg {

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

// The document's first lines: an A4 page in tenths of a millimetre, and the start of its style.
std::string page_start() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"210mm\" height=\"297mm\" "
           "viewBox=\"0 0 " +
           num(kPageW) + " " + num(kPageH) +
           "\">\n<style>\ntext { font-family: DejaVu Sans, Arial, sans-serif; fill: #000; }\n";
}

// Appended piece by piece (GCC 12 warns of an overlap, falsely, where a short literal is joined to
// a string with +).
Tag::Tag(std::string_view name) : name_(name) {
    out_.push_back('<');
    out_.append(name);
}

Tag& Tag::at(std::string_view key, std::string_view value) {
    out_.push_back(' ');
    out_.append(key).append("=\"").append(esc(std::string(value))).push_back('"');
    return *this;
}

Tag& Tag::at(std::string_view key, double value) {
    out_.push_back(' ');
    out_.append(key).append("=\"").append(num(value)).push_back('"');
    return *this;
}

std::string Tag::empty() const {
    std::string out = out_;
    out.append("/>");
    return out;
}

std::string Tag::with(std::string_view markup) const {
    std::string out = out_;
    out.push_back('>');
    out.append(markup).append("</").append(name_).push_back('>');
    return out;
}

std::string Tag::text(std::string_view plain) const {
    return with(esc(std::string(plain)));
}

std::string scale_bar(const char* y, double length, const char* cls) {
    return Tag("line")
               .at("x1", "1500")
               .at("y1", y)
               .at("x2", 1500 + length)
               .at("y2", y)
               .at("class", cls)
               .empty() +
           "\n";
}

}  // namespace kavron::svg
