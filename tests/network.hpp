#pragma once
// Builds input files of networks from chosen true coordinates: exact directions (each station
// with its own orientation), zenith angles and slope distances, and approximate coordinates
// that are off by chosen amounts.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace kavron::test {

struct TruePoint {
    int num;
    int code;
    double x, y, z;
    double ox = 0, oy = 0, oz = 0;  // error of the approximate coordinates [mm]
};

struct Sight {
    int from, to;
    double weight = 1.0;
    double blunder = 0.0;  // a gross error put into the measured value (cc or mm)
};

constexpr double kRO = 636619.772367;

struct Network {
    std::vector<TruePoint> pts;
    std::vector<Sight> dirs, zeniths, dists;
    double moo = 1.0;
    double mch = 0.0;
    bool zero_values = false;  // a plan: every measured value written as 0
    double orientation = 0;    // added to the zero of every set [cc]

    const TruePoint& at(int num) const {
        for (const auto& p : pts) {
            if (p.num == num) {
                return p;
            }
        }
        return pts.front();
    }

    static std::string num(double v) {
        char b[64];
        std::snprintf(b, sizeof b, "%.7f", v);
        return b;
    }
    // A weight exactly: it reads back as the same double.
    static std::string weight(double v) {
        char b[64];
        std::snprintf(b, sizeof b, "%.17g", v);
        return b;
    }
    std::string value(double v) const { return zero_values ? "0" : num(v); }

    std::string text(const std::string& action = "Test network") const {
        std::string s = "'" + action + "'\n10 2 20 " + num(moo) + " " + num(mch) + "\n";
        for (const auto& p : pts) {
            s += std::to_string(p.num) + " " + std::to_string(p.code) + " " + num(p.x + p.ox) +
                 " " + num(p.y + p.oy) + " " + num(p.z + p.oz) + "\n";
        }
        s += "-1\n";
        int station = -1;
        double orient = 0;
        for (const auto& d : dirs) {
            if (d.from != station) {
                station = d.from;
                orient = 123456.789 * (d.from % 5 + 1) + orientation;  // each set its own zero
            }
            const auto& a = at(d.from);
            const auto& b = at(d.to);
            // Bearings as the program forms them: a negative angle gets the full circle of the
            // single-precision pi added before the conversion to cc.
            double bearing = std::atan2(b.y - a.y, b.x - a.x);
            if (bearing < 0) {
                bearing += 2.0 * 3.1415927410125732;
            }
            double t = bearing * kRO - orient;
            while (t < 0) {
                t += 4000000.0;
            }
            s += std::to_string(d.from) + " " + std::to_string(d.to) + " " + value(t + d.blunder) +
                 " " + weight(d.weight) + "\n";
        }
        s += "-1\n";
        for (const auto& d : zeniths) {
            const auto& a = at(d.from);
            const auto& b = at(d.to);
            const double h = std::hypot(b.x - a.x, b.y - a.y);
            s += std::to_string(d.from) + " " + std::to_string(d.to) + " " +
                 value(std::atan2(h, b.z - a.z) * kRO + d.blunder) + " " + weight(d.weight) + "\n";
        }
        s += "-1\n";
        for (const auto& d : dists) {
            const auto& a = at(d.from);
            const auto& b = at(d.to);
            const double len = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) +
                                         (b.z - a.z) * (b.z - a.z));
            s += std::to_string(d.from) + " " + std::to_string(d.to) + " " +
                 value(len + d.blunder) + " " + weight(d.weight) + "\n";
        }
        s += "-1\n";
        return s;
    }

    // Every station sights every other point: a full set of directions, zenith angles and
    // distances.
    void observe_all(bool directions = true, bool zenith = true, bool distances = true) {
        for (const auto& a : pts) {
            for (const auto& b : pts) {
                if (a.num == b.num) {
                    continue;
                }
                if (directions) {
                    dirs.push_back({a.num, b.num});
                }
                if (zenith) {
                    zeniths.push_back({a.num, b.num});
                }
                if (distances && a.num < b.num) {
                    dists.push_back({a.num, b.num});
                }
            }
        }
    }
};

// Five points a few hundred metres apart, heights differing by metres.
inline Network five_points(int c1, int c2, int c3, int c4, int c5) {
    Network n;
    n.pts = {{1, c1, 1000000.0, 2000000.0, 250000.0},
             {2, c2, 1180000.0, 2030000.0, 254321.0},
             {3, c3, 1150000.0, 2210000.0, 248765.0},
             {4, c4, 960000.0, 2190000.0, 251234.0},
             {5, c5, 1070000.0, 2100000.0, 262000.0}};
    return n;
}

}  // namespace kavron::test
