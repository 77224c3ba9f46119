#pragma once
// What the Czech text reports share (the analysis, the design): lines gathered in UTF-8 and
// written in code page 1250 with CR LF, figures, and the names of the measurements.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/results.hpp"

namespace kavron::text {

// Lines in UTF-8, encoded at the end.
struct Text {
    std::string out;
    void line(const std::string& s = {}) {
        out += s;
        out += '\n';
    }
    // A sentence in lines of at most `width` characters, each begun with `indent`, broken
    // between words.
    void wrapped(const std::string& s, const std::string& indent = "  ", std::size_t width = 92) {
        std::string row = indent;
        std::size_t chars = indent.size(), start = 0;
        while (start < s.size()) {
            std::size_t end = s.find(' ', start);
            if (end == std::string::npos) {
                end = s.size();
            }
            const std::string word = s.substr(start, end - start);
            std::size_t n = 0;
            for (const char c : word) {
                n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
            }
            if (chars > indent.size() && chars + 1 + n > width) {
                line(row);
                row = indent;
                chars = indent.size();
            }
            if (chars > indent.size()) {
                row += ' ';
                ++chars;
            }
            row += word;
            chars += n;
            start = end + 1;
        }
        line(row);
    }
};

// A figure with its decimals; beyond 10^12 in the exponent form, which a student reads as such.
inline std::string fixed(double v, int decimals) {
    char b[64];
    std::snprintf(b, sizeof b, std::fabs(v) < 1e12 ? "%.*f" : "%.*e", decimals, v);
    return b;
}

// A value the user typed, as typed: the fewest decimals, at least `decimals`, that give the
// same double back (0.30, 0.001).
inline std::string typed(double v, int decimals) {
    // Room for every finite double in full (309 digits before the point) and 40 after it.
    char b[360];
    for (int d = decimals; d <= 40; ++d) {
        std::snprintf(b, sizeof b, "%.*f", d, v);
        if (std::strtod(b, nullptr) == v) {
            break;
        }
    }
    return b;
}

// A value in `digits` significant digits, written without an exponent and without trailing
// zeros (0.0224, 24.8, 1440), so that a student can type it into an input file as it stands.
inline std::string significant(double v, int digits) {
    char b[40];
    std::snprintf(b, sizeof b, "%.*e", digits - 1, v);
    return typed(std::strtod(b, nullptr), 0);
}

// A text padded with blanks to n characters (UTF-8: a character is its lead byte).
inline std::string pad(const std::string& s, std::size_t n, bool right = true) {
    std::size_t chars = 0;
    for (const char c : s) {
        chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    const std::string fill(chars < n ? n - chars : 0, ' ');
    return right ? fill + s : s + fill;
}

inline const char* kind_name(Kind k) {
    return k == Kind::Direction ? "směr" : k == Kind::Zenith ? "zen.úhel" : "délka";
}

// The kind in the plural, as a table of the kinds names it.
inline const char* kinds_name(Kind k) {
    return k == Kind::Direction ? "směry" : k == Kind::Zenith ? "zenitové úhly" : "délky";
}

inline const char* unit_of(Kind k) {
    return k == Kind::Distance ? "mm" : "cc";
}

// "směr ze stanoviska 101 na 105" and the like.
inline std::string naming(Kind kind, int station, int target) {
    const std::string from = std::to_string(station), to = std::to_string(target);
    switch (kind) {
        case Kind::Direction:
            return "směr ze stanoviska " + from + " na " + to;
        case Kind::Zenith:
            return "zenitový úhel ze stanoviska " + from + " na " + to;
        case Kind::Distance:
            return "délka " + from + " - " + to;
    }
    return {};
}

inline std::string naming(const Observation& o) {
    return naming(o.kind, o.station, o.target);
}

// The text in code page 1250 with CR LF; no control character of the input reaches the reader's
// terminal.
std::string in_cp1250(std::string utf8);

}  // namespace kavron::text
