#pragma once
// What the program's drawings share: an A4 page in tenths of a millimetre with the points at one
// scale, figures and texts as the drawings print them, and a builder of elements.
#include <string>
#include <string_view>

#include "core/constants.hpp"

namespace kavron::svg {

constexpr double kPageW = 2100, kPageH = 2970;
constexpr double kLeft = 150, kRight = 1950, kTop = 420, kBottom = 2330;
constexpr double kPi = 3.141592653589793;  // the double nearest to pi

// A text for the markup: &, <, > and " as entities, control characters left out.
std::string esc(const std::string& s);
// A coordinate on the page: one decimal, -0 as 0.
std::string num(double v);
// The power of ten at most v (v > 0), from powers that are exact (or, below 1, the quotient of
// two exact numbers: the double nearest to the power); k receives its exponent.
double decade(double v, int& k);
double decade(double v);
// 1, 2 or 5 times a power of ten, at least v; at most v.
double nice_above(double v);
double nice_below(double v);
// A requirement as a legend gives it: 0.3 as "0,3".
std::string fixed_text(double v);
// A whole number with its thousands apart by a blank, as Czech writes them.
std::string with_spaces(double v);
// A length of a scale (1, 2 or 5 times a power of ten) in plain digits: metres from 1 m on,
// millimetres below with the decimals they need.
std::string length_label(double mm);

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
Page page_at(int n, const double* x, const double* y);

// The document's first lines: an A4 page, and the start of its style.
std::string page_start();

// An element: its name, then its attributes in order (a number as a page coordinate, a text
// escaped); empty ("<line .../>"), or around its content.
class Tag {
public:
    explicit Tag(std::string_view name);
    Tag& at(std::string_view key, std::string_view value);
    Tag& at(std::string_view key, const char* value) { return at(key, std::string_view(value)); }
    Tag& at(std::string_view key, double value);
    std::string empty() const;
    std::string with(std::string_view markup) const;  // content that is markup already
    std::string text(std::string_view plain) const;   // content escaped

private:
    std::string name_, out_;
};

// A scale bar of a drawing's key, with its line end: from x = 1500 at the height y, `length` page
// units long, of the style class.
std::string scale_bar(const char* y, double length, const char* cls);

}  // namespace kavron::svg
