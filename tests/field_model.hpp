#pragma once
// A total station in the field, written apart from the importer: true marks (metres), stations
// with their instrument heights and targets with theirs, each set read in both faces with the
// circle turned by its own orientation, the instrument's collimation (2c) and index error, the
// earth's curvature and refraction in the zenith angles, and noise; the readings written as
// Leica GSI-8 or GSI-16 in any unit, or as the program's field book. Planted faults change
// single readings; each reading knows its line.
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace kavron::test {

struct Mark {
    std::string id;
    double x, y, z;  // m: x north, y east, z up
};

struct FieldSight {
    std::string target;
    double t = 1.5;  // target height [m]
};

struct FieldSetupModel {
    std::string station;
    double i = 1.55;  // instrument height [m]
    std::vector<FieldSight> sights;
    int sets = 2;
    // 0: each target face I then II; 1: all in face I, then all in face II in reverse order;
    // 2: all in face I, then all in face II in the same order.
    int order = 1;
    double circle = 37.0;  // the zero of the first set [gon]; each next set turned by 200/sets
    bool turn = true;      // the circle turned between sets
};

// One reading as the instrument records it.
struct Shot {
    std::string station, target;
    double hz, v;  // gon
    double d;      // m
    double t, i;
    int set = 1;
    bool face2 = false;
    int line = 0;  // set by the writer
};

struct Instrument {
    double c2 = 0.0012;      // 2c [gon] (12 cc)
    double index = 0.0008;   // index error [gon] (8 cc)
    double sd_angle = 0;     // noise of one reading [gon]
    double sd_distance = 0;  // [m]
    double k = 0.13;         // refraction
    unsigned seed = 1;
};

constexpr double kPiModel = 3.141592653589793;
constexpr double kRadius = 6378000.0;

inline double rad(double gon) {
    return gon * kPiModel / 200.0;
}
inline double gon_of(double r) {
    return r * 200.0 / kPiModel;
}
inline double circle400(double g) {
    g = std::fmod(g, 400.0);
    return g < 0 ? g + 400.0 : g;
}

struct FieldModel {
    std::vector<Mark> marks;
    std::vector<FieldSetupModel> setups;
    Instrument inst;

    const Mark& mark(const std::string& id) const {
        for (const Mark& m : marks) {
            if (m.id == id) {
                return m;
            }
        }
        return marks.front();
    }

    // The true bearing [gon], horizontal distance, and from the instrument's axis to the target
    // the slope distance and zenith angle in the flat system [m, gon].
    struct Geometry {
        double bearing, s, d, z;
    };
    Geometry geometry(const std::string& from, const std::string& to, double i, double t) const {
        const Mark& a = mark(from);
        const Mark& b = mark(to);
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double s = std::sqrt(dx * dx + dy * dy);
        const double dh = (b.z + t) - (a.z + i);
        return {circle400(gon_of(std::atan2(dy, dx))), s, std::sqrt(s * s + dh * dh),
                gon_of(std::atan2(s, dh))};
    }

    // The marks' own values: the direction's bearing, the zenith angle and the distance mark to
    // mark.
    Geometry truth(const std::string& from, const std::string& to) const {
        return geometry(from, to, 0, 0);
    }

    // Every reading of every setup, in the order the instrument records them.
    std::vector<Shot> shots() const {
        std::mt19937 rng(inst.seed);
        std::normal_distribution<double> gauss(0.0, 1.0);
        std::vector<Shot> out;
        for (const FieldSetupModel& su : setups) {
            for (int set = 1; set <= su.sets; ++set) {
                const double zero = su.circle + (su.turn ? (set - 1) * 200.0 / su.sets : 0.0);
                const auto reading = [&](const FieldSight& s, bool face2) {
                    const Geometry g = geometry(su.station, s.target, su.i, s.t);
                    // Curvature and refraction lower the target: the zenith angle grows.
                    const double z = g.z + gon_of((1 - inst.k) * g.s / (2 * kRadius));
                    const double hz =
                        circle400(g.bearing - zero + (face2 ? 200.0 - inst.c2 / 2 : inst.c2 / 2) +
                                  inst.sd_angle * gauss(rng));
                    const double v =
                        (face2 ? 400.0 - z : z) + inst.index + inst.sd_angle * gauss(rng);
                    const double d = g.d + inst.sd_distance * gauss(rng);
                    out.push_back({su.station, s.target, hz, v, d, s.t, su.i, set, face2, 0});
                };
                const std::vector<FieldSight>& ts = su.sights;
                if (su.order == 0) {
                    for (const FieldSight& s : ts) {
                        reading(s, false);
                        reading(s, true);
                    }
                } else {
                    for (const FieldSight& s : ts) {
                        reading(s, false);
                    }
                    for (std::size_t k = 0; k < ts.size(); ++k) {
                        reading(ts[su.order == 1 ? ts.size() - 1 - k : k], true);
                    }
                }
            }
        }
        return out;
    }
};

// How the readings are written: GSI-8 or GSI-16 with the units' digits (angle: '2' gon, '3'
// degrees, '4' DDDMMSSs, '5' mil; length: '0' mm, '1' ft/1000, '6' 0.1 mm, '7' ft/10000, '8'
// 0.01 mm), the setup as the setup function's block (11 and 88) or as a code block (41, 42, 43).
struct GsiStyle {
    bool sixteen = false;
    char angle = '2', length = '0';
    bool code_block = false;
    std::string eol = "\r\n";
};

inline long long gsi_angle_value(double gon, char unit) {
    switch (unit) {
        case '3':
            return std::llround(gon * 360.0 / 400.0 * 100000.0);
        case '4': {
            const double deg = gon * 360.0 / 400.0;
            long long tenths = std::llround(deg * 36000.0);  // tenths of a second
            const long long d = tenths / 36000;
            tenths -= d * 36000;
            const long long m = tenths / 600;
            tenths -= m * 600;
            return d * 100000 + m * 1000 + tenths;
        }
        case '5':
            return std::llround(gon * 6400.0 / 400.0 * 10000.0);
        default:
            return std::llround(gon * 100000.0);
    }
}

inline long long gsi_length_value(double m, char unit) {
    switch (unit) {
        case '1':
            return std::llround(m / 0.3048 * 1000.0);
        case '6':
            return std::llround(m * 10000.0);
        case '7':
            return std::llround(m / 0.3048 * 10000.0);
        case '8':
            return std::llround(m * 100000.0);
        default:
            return std::llround(m * 1000.0);
    }
}

// A word: its index, the rest of its header (4 characters), the sign and the data
// right-aligned, zero-padded.
inline std::string gsi_word(const std::string& index, const std::string& header, long long v,
                            bool sixteen) {
    char b[64];
    std::snprintf(b, sizeof b, "%s%s%c%0*lld", index.c_str(), header.c_str(), v < 0 ? '-' : '+',
                  sixteen ? 16 : 8, v < 0 ? -v : v);
    return b;
}

inline std::string gsi_text_word(const std::string& first6, const std::string& id, bool sixteen) {
    std::string data = id;
    const std::size_t w = sixteen ? 16 : 8;
    data.insert(0, w > data.size() ? w - data.size() : 0, '0');
    return first6 + "+" + data;
}

// The shots as a GSI file; each shot's line is set. A word's header after its index: "." and
// the compensator and input mode, then the unit.
inline std::string write_gsi(const FieldModel& m, std::vector<Shot>& shots, const GsiStyle& st) {
    std::string out;
    int block = 0, line = 0;
    const std::string lead = st.sixteen ? "*" : "";
    const auto number = [&]() {
        char n[8];
        std::snprintf(n, sizeof n, "%04d", ++block % 10000);
        return std::string(n);
    };
    const std::string angle = std::string(".10") + st.angle;
    const std::string distance = std::string("..0") + st.length;
    const std::string height = std::string("...") + st.length;
    std::string station;
    for (Shot& s : shots) {
        if (s.station != station) {
            station = s.station;
            ++line;
            double i = 0;
            for (const FieldSetupModel& su : m.setups) {
                i = su.station == station ? su.i : i;
            }
            if (st.code_block) {
                out += lead + gsi_text_word("41" + number(), "1", st.sixteen) + " " +
                       gsi_text_word("42....", station, st.sixteen) + " " +
                       gsi_word("43", "....", std::llround(i * 1000.0), st.sixteen) + " " + st.eol;
            } else {
                out += lead + gsi_text_word("11" + number(), station, st.sixteen) + " " +
                       gsi_word("88", height, gsi_length_value(i, st.length), st.sixteen) + " " +
                       st.eol;
            }
        }
        ++line;
        s.line = line;
        out += lead + gsi_text_word("11" + number(), s.target, st.sixteen) + " " +
               gsi_word("21", angle, gsi_angle_value(s.hz, st.angle), st.sixteen) + " " +
               gsi_word("22", angle, gsi_angle_value(s.v, st.angle), st.sixteen) + " " +
               gsi_word("31", distance, gsi_length_value(s.d, st.length), st.sixteen) + " " +
               gsi_word("87", height, gsi_length_value(s.t, st.length), st.sixteen) + " " + st.eol;
    }
    return out;
}

// The shots as the program's field book (gon, m); each shot's line is set.
inline std::string write_book(const FieldModel& m, std::vector<Shot>& shots,
                              const std::string& sep = " ") {
    std::string out = "kavron-zapisnik\njednotky gon m\n";
    int line = 2;
    std::string station;
    char b[200];
    for (Shot& s : shots) {
        if (s.station != station) {
            station = s.station;
            double i = 0;
            for (const FieldSetupModel& su : m.setups) {
                i = su.station == station ? su.i : i;
            }
            std::snprintf(b, sizeof b, "stanovisko%s%s%s%.4f\n", sep.c_str(), station.c_str(),
                          sep.c_str(), i);
            out += b;
            ++line;
        }
        ++line;
        s.line = line;
        std::snprintf(b, sizeof b, "%s%s%s%s%.5f%s%.5f%s%.5f%s%.4f\n", s.station.c_str(),
                      sep.c_str(), s.target.c_str(), sep.c_str(), s.hz, sep.c_str(), s.v,
                      sep.c_str(), s.d, sep.c_str(), s.t);
        out += b;
    }
    return out;
}

}  // namespace kavron::test
