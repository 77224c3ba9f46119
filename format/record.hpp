#pragma once
// Building output records: formatted layouts (fixed texts, skips, record ends, groups, integer,
// real and text fields) and value-list records.
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "format/codepage.hpp"

namespace kavron::fmt {

// One value handed to a write statement.
struct Val {
    enum class Kind { Int, Dbl, Flt, Raw, Lit };
    Kind kind;
    long long i = 0;
    double d = 0.0;
    std::string_view s;

    Val(int v) : kind(Kind::Int), i(v) {}
    Val(short v) : kind(Kind::Int), i(v) {}
    Val(long v) : kind(Kind::Int), i(v) {}
    Val(double v) : kind(Kind::Dbl), d(v) {}
    // A 4-byte real: printed with at most 7 significant digits.
    Val(float v) : kind(Kind::Flt), d(v) {}
    Val(Kind k, std::string_view text) : kind(k), s(text) {}
};

// Bytes already in the channel's code page (file names, the action line, labels).
inline Val raw(std::string_view bytes) {
    return {Val::Kind::Raw, bytes};
}
// A fixed text written in UTF-8; converted to the code page of the statement.
inline Val lit(std::string_view utf8) {
    return {Val::Kind::Lit, utf8};
}

// One edit item of a layout.
struct Item {
    enum class Kind { Text, Skip, End, Int, Real, Str, Group };
    Kind kind;
    std::string_view text;  // Text: UTF-8
    int w = 0;              // Skip: count; Int, Real, Str: width (Str: 0 = whole value)
    int d = 0;              // Real: decimals
    int n = 0;              // Group: repeat count
    std::vector<Item> sub;  // Group: items
};
using Layout = std::vector<Item>;

inline Item T(std::string_view utf8) {
    return {Item::Kind::Text, utf8, 0, 0, 0, {}};
}
inline Item X(int n) {
    return {Item::Kind::Skip, {}, n, 0, 0, {}};
}
inline Item E() {
    return {Item::Kind::End, {}, 0, 0, 0, {}};
}
inline Item I(int w) {
    return {Item::Kind::Int, {}, w, 0, 0, {}};
}
inline Item F(int w, int d) {
    return {Item::Kind::Real, {}, w, d, 0, {}};
}
inline Item A(int w = 0) {
    return {Item::Kind::Str, {}, w, 0, 0, {}};
}
inline Item G(int n, Layout items) {
    return {Item::Kind::Group, {}, 0, 0, n, std::move(items)};
}

// A double's 17 significant digits, "d.dddddddddddddddde±xx", the exact value rounded half to
// even, into buf (at least 32 bytes); returns the length. Every field of a real starts from it.
// Two ways give the same bytes: the C++ library's to_chars where it converts doubles (the native
// builds), else the C library's printf (the web build's library lacks to_chars for doubles).
int scientific17(double v, char* buf);
int scientific17_printf(double v, char* buf);

// An integer right-justified in w positions; w asterisks when it does not fit.
std::string int_field(long long v, int w);
// A real in w positions with d decimals: the 17-digit decimal expansion rounded half away from
// zero (at most 16 significant digits, 7 for a 4-byte real), no digit before the point when the
// integer part is 0, no sign on a value that rounds to zero, asterisks when it does not fit or
// is not a finite number.
std::string real_field(double v, int w, int d, bool single = false);
// A double as written in a value list: 24 positions, fixed form with 15 decimals for
// magnitudes in [1, 1e7), else one digit, 15 decimals and a three-digit exponent.
std::string list_double(double v);

// A write statement whose values do not match its layout: a fault of the program, not of its
// input. Checked in every build; the driver ends the run with an internal-error message.
class LayoutError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// The records of one formatted write statement (throws LayoutError on a mismatch).
std::vector<std::string> format_records(const Layout& layout, std::span<const Val> vals,
                                        CodePage cp);
// The records of one value-list write statement (each begins with a blank; at most 79 positions
// follow it).
std::vector<std::string> list_records(std::span<const Val> vals, CodePage cp);

}  // namespace kavron::fmt
