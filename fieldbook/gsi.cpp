// Leica GSI, read word by word: a line is a block of words separated by blanks, a GSI-16 line
// begins with '*'. A word: its index in positions 1-2 (three digits when the third is a digit),
// then in the first word of a block the block number in 3-6, else the compensator and input
// mode in 4-5 and the unit in 6; the sign in 7; then the data, right-aligned, 8 characters in
// GSI-8 and 16 in GSI-16 (each word is read by its own length).
#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdlib>
#include <span>

#include "fieldbook/fieldbook.hpp"
#include "fieldbook/lines.hpp"

namespace kavron {

namespace {

constexpr double kFoot = 0.3048;  // m, the international foot

// A word of a block.
struct Word {
    int index = 0;
    char unit = '.';
    bool negative = false;
    std::string data;  // the characters after the sign
};

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// The word from its text; false when it is no word.
bool word_of(std::string_view w, bool first, Word& out) {
    if (w.size() < 8 || !digit(w[0]) || !digit(w[1])) {
        return false;
    }
    out.index = (w[0] - '0') * 10 + (w[1] - '0');
    if (!first && digit(w[2])) {
        out.index = out.index * 10 + (w[2] - '0');
    }
    const char sign = w[6];
    if (sign != '+' && sign != '-') {
        return false;
    }
    out.unit = first ? '.' : w[5];
    out.negative = sign == '-';
    out.data = std::string(w.substr(7));
    return !out.data.empty();
}

// The data of a word as a whole number; false when it is not all digits.
bool integer_of(const Word& w, long long& v) {
    if (w.data.empty() || w.data.size() > 17) {
        return false;
    }
    long long n = 0;
    for (const char c : w.data) {
        if (!digit(c)) {
            return false;
        }
        n = n * 10 + (c - '0');
    }
    v = w.negative ? -n : n;
    return true;
}

// A point id: the data without its leading zeros (a name keeps its letters).
std::string id_of(const Word& w) {
    const std::size_t a = w.data.find_first_not_of('0');
    return a == std::string::npos ? "0" : w.data.substr(a);
}

// An instrument height in a code block's info word: metres with a decimal point, or whole
// millimetres.
bool info_height(const Word& w, double& m) {
    std::string t = w.data;
    const std::size_t a = t.find_first_not_of('0');
    t = a == std::string::npos ? "0" : t.substr(a);
    if (t.find('.') != std::string::npos) {
        char* end = nullptr;
        m = std::strtod(t.c_str(), &end);
        return end == t.c_str() + t.size() && std::isfinite(m);
    }
    long long v = 0;
    if (!integer_of(w, v)) {
        return false;
    }
    m = static_cast<double>(v) / 1000.0;
    return true;
}

}  // namespace

bool gsi_angle(char unit, long long value, double& gon) {
    const auto v = static_cast<double>(value);
    switch (unit) {
        case '2':
            gon = v / 100000.0;
            return true;
        case '3':
            gon = v / 100000.0 * 400.0 / 360.0;
            return true;
        case '4': {
            // DDDMMSSs: the last digit tenths of a second.
            const long long n = value < 0 ? -value : value;
            const long long tenths = n % 1000, minutes = n / 1000 % 100, degrees = n / 100000;
            const double deg = static_cast<double>(degrees) + static_cast<double>(minutes) / 60.0 +
                               static_cast<double>(tenths) / 36000.0;
            gon = (value < 0 ? -deg : deg) * 400.0 / 360.0;
            return minutes < 60 && tenths < 600;
        }
        case '5':
            gon = v / 10000.0 * 400.0 / 6400.0;
            return true;
        default:
            return false;
    }
}

bool gsi_length(char unit, long long value, double& m) {
    const auto v = static_cast<double>(value);
    switch (unit) {
        case '0':
            m = v / 1000.0;
            return true;
        case '1':
            m = v / 1000.0 * kFoot;
            return true;
        case '6':
            m = v / 10000.0;
            return true;
        case '7':
            m = v / 10000.0 * kFoot;
            return true;
        case '8':
            m = v / 100000.0;
            return true;
        default:
            return false;
    }
}

namespace {

// The words of a block, each by its own length: 7 characters of header and sign, then 16 of
// data in a GSI-16 line (after its '*') and 8 in a GSI-8 line, which may hold a blank (a point
// id "RTCM-Ref 0454"); a word of another length ends at the next blank.
std::vector<std::string_view> words_of(std::string_view line) {
    const bool sixteen = !line.empty() && line.front() == '*';
    if (sixteen) {
        line.remove_prefix(1);
    }
    const std::size_t data = sixteen ? 16 : 8;
    const auto blank = [&](std::size_t k) {
        return k >= line.size() || line[k] == ' ' || line[k] == '\t';
    };
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < line.size()) {
        std::size_t a = line.find_first_not_of(" \t", at);
        if (a == std::string_view::npos) {
            break;
        }
        // The '*' of a GSI-16 block that follows another on the same line.
        a += sixteen && line[a] == '*' ? 1 : 0;
        if (a >= line.size()) {
            break;
        }
        std::size_t b = std::min(line.find_first_of(" \t", a), line.size());
        const bool signed_word = a + 7 <= line.size() && (line[a + 6] == '+' || line[a + 6] == '-');
        if (signed_word && a + 7 + data <= line.size() && blank(a + 7 + data)) {
            b = a + 7 + data;
        }
        out.push_back(line.substr(a, b - a));
        at = b;
    }
    return out;
}

// The state of a file: the current setup and the heights, which persist until a block changes
// them.
struct State {
    explicit State(FieldFile& f) : out(f) {}
    FieldFile& out;
    bool in_setup = false;
    std::string station;
    bool has_t = false;
    double t = 0;
};

void unread(State& st, const Place& at, const std::string& why) {
    st.out.unread.push_back(at);
    st.out.unread_why.push_back(why);
}

// Whether a word opens a block: a measurement (11) or code (41) word with its block number,
// which some instruments write several to a line without a line end between them.
bool opens_block(std::string_view w) {
    if (w.size() < 8 || !(w.substr(0, 2) == "11" || w.substr(0, 2) == "41") ||
        (w[6] != '+' && w[6] != '-')) {
        return false;
    }
    for (std::size_t k = 2; k < 6; ++k) {
        if (!digit(w[k])) {
            return false;
        }
    }
    return true;
}

// One block of a GSI file: its words, the first 11 or 41.
void block(State& st, const Place& at, std::span<const std::string_view> words) {
    Word first;
    if (!word_of(words[0], true, first) || (first.index != 11 && first.index != 41)) {
        unread(st, at, "řádek není blok GSI (první slovo není 11 ani 41)");
        return;
    }
    FieldReading r;
    r.at = at;
    FieldSetup s;
    s.at = at;
    bool has_i = false, has_xyz[3] = {false, false, false}, measures = false;
    double i = 0, xyz[3] = {0, 0, 0};
    std::string code_station;
    std::string skipped;
    std::bitset<1000> seen;  // the word indices met (two or three digits)
    for (std::size_t k = 1; k < words.size(); ++k) {
        Word w;
        if (!word_of(words[k], false, w)) {
            skipped += (skipped.empty() ? "" : ", ") + std::string(words[k]);
            continue;
        }
        if (seen.test(static_cast<std::size_t>(w.index))) {
            // Which of the two is meant, the block does not say: none is taken.
            unread(st, at,
                   "slovo " + std::to_string(w.index) + " dvakrát v jednom bloku: blok vynechán");
            return;
        }
        seen.set(static_cast<std::size_t>(w.index));
        long long v = 0;
        const bool number = integer_of(w, v);
        double x = 0;
        switch (w.index) {
            case 21:
            case 22:
                if (!number || !gsi_angle(w.unit, v, x)) {
                    skipped += (skipped.empty() ? "" : ", ") + std::string(words[k]);
                    break;
                }
                (w.index == 21 ? r.hz : r.v) = x;
                (w.index == 21 ? r.has_hz : r.has_v) = true;
                measures = true;
                break;
            case 31:
            case 84:
            case 85:
            case 86:
            case 87:
            case 88:
                if (!number || !gsi_length(w.unit, v, x)) {
                    skipped += (skipped.empty() ? "" : ", ") + std::string(words[k]);
                    break;
                }
                if (w.index == 31) {
                    if (x < 0) {
                        skipped += (skipped.empty() ? "" : ", ") + std::string(words[k]);
                        break;
                    }
                    // A zero is the instrument's word for no distance measured (a sight to a
                    // far target, an orientation).
                    r.d = x;
                    r.has_d = x > 0;
                    measures = true;
                } else if (w.index == 87) {
                    st.t = x;
                    st.has_t = true;
                } else if (w.index == 88) {
                    i = x;
                    has_i = true;
                } else {
                    xyz[w.index - 84] = x;
                    has_xyz[w.index - 84] = true;
                }
                break;
            case 42:
                // An info word of zeros is empty: the code block names no station.
                code_station = w.data.find_first_not_of("0 ") == std::string::npos ? "" : id_of(w);
                break;
            case 43:
                if (first.index == 41) {
                    has_i = info_height(w, i);
                    if (!has_i) {
                        skipped += (skipped.empty() ? "" : ", ") + std::string(words[k]);
                    }
                }
                break;
            default:
                break;  // a word the import does not use (32, 33 the instrument computed, ...)
        }
    }
    if (!skipped.empty()) {
        unread(st, at, "slova, která nelze přečíst: " + skipped);
    }
    const bool coordinates = has_xyz[0] || has_xyz[1] || has_xyz[2];
    if (first.index == 41) {
        // A code block: the station in 42 and its instrument height in 43, by the crew's
        // convention; another code block says nothing the import uses.
        if (!code_station.empty()) {
            s.station = code_station;
            s.has_i = has_i;
            s.i = i;
            st.out.setups.push_back(s);
            st.in_setup = true;
            st.station = s.station;
        }
        return;
    }
    const std::string id = id_of(first);
    if (coordinates || (has_i && !r.has_v && !r.has_d)) {
        // The setup function's block: the station, its height, its coordinates.
        s.station = id;
        s.has_i = has_i;
        s.i = i;
        s.has_xyz = coordinates;
        s.x = xyz[1];  // northing
        s.y = xyz[0];  // easting
        s.z = xyz[2];
        st.out.setups.push_back(s);
        st.in_setup = true;
        st.station = id;
        return;
    }
    if (has_i) {
        // The instrument height repeated in a measurement block.
        FieldSetup again;
        again.at = at;
        again.station = st.station;
        again.has_i = true;
        again.i = i;
        st.out.setups.push_back(again);
    }
    if (!measures) {
        return;
    }
    r.station = st.in_setup ? st.station : std::string();
    r.target = id;
    r.has_t = st.has_t;
    r.t = st.t;
    st.out.readings.push_back(r);
}

}  // namespace

void read_gsi(const std::string& name, std::string_view bytes, FieldFile& out) {
    out.name = name;
    State st(out);
    int n = 0;
    for_each_line(bytes, [&](std::string_view line) {
        ++n;
        // A line is a block; a word that opens a block inside a line starts the next one.
        const std::vector<std::string_view> words = words_of(line);
        for (std::size_t a = 0; a < words.size();) {
            std::size_t b = a + 1;
            while (b < words.size() && !opens_block(words[b])) {
                ++b;
            }
            block(st, Place{name, n}, std::span(words).subspan(a, b - a));
            a = b;
        }
        return true;
    });
    out.lines = n;
}

}  // namespace kavron
