// The program's own field book, for readings booked by hand or exported by any instrument's
// software through a spreadsheet. Plain text, one line a record, values apart by blanks, tabs or
// semicolons, a decimal point or comma, "-" for a value not measured, "#" a comment:
//   kavron-zapisnik                      (may stand first)
//   jednotky gon m                       angles gon, stupne, dms or mil; lengths m, mm or stopy
//   stanovisko 101 1.543                 a setup: the station and its instrument height
//   101 102 0.0000 99.5432 123.456 1.600 station, target, Hz, V, slope distance, target height
// A target height "-" is the station's last one. Angles in dms are packed D.MMSSs (123.45305 is
// 123°45'30.5").
#include <cmath>
#include <cstdlib>

#include "fieldbook/fieldbook.hpp"
#include "fieldbook/lines.hpp"

namespace kavron {

namespace {

enum class Angle { Gon, Degrees, Dms, Mil };
enum class Length { M, Mm, Ft };

std::vector<std::string> fields_of(std::string_view line) {
    const std::size_t hash = line.find('#');
    if (hash != std::string_view::npos) {
        line = line.substr(0, hash);
    }
    std::vector<std::string> out;
    std::string cur;
    bool any = false;
    for (const char c : line) {
        if (c == ' ' || c == '\t' || c == ';') {
            if (any) {
                out.push_back(cur);
            }
            cur.clear();
            any = false;
        } else {
            cur.push_back(c);
            any = true;
        }
    }
    if (any) {
        out.push_back(cur);
    }
    return out;
}

// A decimal number with a point or a comma; nothing else.
bool decimal(std::string s, double& v) {
    const std::size_t comma = s.find(',');
    if (comma != std::string::npos && s.find('.') == std::string::npos) {
        s[comma] = '.';
    }
    if (s.empty() || s.find_first_not_of("0123456789+-.eE") != std::string::npos) {
        return false;
    }
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && std::isfinite(v);
}

bool angle_of(const std::string& s, Angle unit, double& gon) {
    double v = 0;
    if (!decimal(s, v)) {
        return false;
    }
    switch (unit) {
        case Angle::Gon:
            gon = v;
            return true;
        case Angle::Degrees:
            gon = v * 400.0 / 360.0;
            return true;
        case Angle::Mil:
            gon = v * 400.0 / 6400.0;
            return true;
        case Angle::Dms: {
            // D.MMSSs: the digits after the point are minutes, seconds and their decimals.
            std::string t = s;
            const std::size_t c = t.find(',');
            if (c != std::string::npos) {
                t[c] = '.';
            }
            const bool negative = !t.empty() && t[0] == '-';
            const std::size_t point = t.find('.');
            const std::string whole = t.substr(negative ? 1 : 0, point - (negative ? 1 : 0));
            std::string frac = point == std::string::npos ? "" : t.substr(point + 1);
            frac.resize(std::max<std::size_t>(frac.size(), 4), '0');
            double deg = 0, rest = 0;
            if (!decimal(whole.empty() ? "0" : whole, deg) ||
                frac.find_first_not_of("0123456789") != std::string::npos) {
                return false;
            }
            const int minutes = std::atoi(frac.substr(0, 2).c_str());
            const std::string seconds = frac.substr(2, 2) + "." + frac.substr(4);
            if (!decimal(seconds, rest) || minutes >= 60 || rest >= 60) {
                return false;
            }
            const double d = deg + minutes / 60.0 + rest / 3600.0;
            gon = (negative ? -d : d) * 400.0 / 360.0;
            return true;
        }
    }
    return false;
}

bool length_of(const std::string& s, Length unit, double& m) {
    double v = 0;
    if (!decimal(s, v)) {
        return false;
    }
    m = unit == Length::M ? v : unit == Length::Mm ? v / 1000.0 : v * 0.3048;
    return true;
}

}  // namespace

void read_book(const std::string& name, std::string_view bytes, FieldFile& out) {
    out.name = name;
    Angle angle = Angle::Gon;
    Length length = Length::M;
    bool units = false;
    struct Height {
        std::string station;
        double t;
    };
    std::vector<Height> last_t;
    int n = 0;
    const auto unread = [&](const std::string& why) {
        out.unread.push_back(Place{name, n});
        out.unread_why.push_back(why);
    };
    for_each_line(bytes, [&](std::string_view line) {
        ++n;
        const std::vector<std::string> f = fields_of(line);
        if (f.empty() || f[0] == "kavron-zapisnik") {
            return true;
        }
        if (f[0] == "jednotky") {
            const auto a = f.size() > 1 ? f[1] : "";
            const auto l = f.size() > 2 ? f[2] : "";
            units = f.size() == 3 && (a == "gon" || a == "stupne" || a == "dms" || a == "mil") &&
                    (l == "m" || l == "mm" || l == "stopy");
            if (!units) {
                unread("jednotky nejsou „jednotky gon|stupne|dms|mil m|mm|stopy“");
                return true;
            }
            angle = a == "gon"      ? Angle::Gon
                    : a == "stupne" ? Angle::Degrees
                    : a == "dms"    ? Angle::Dms
                                    : Angle::Mil;
            length = l == "m" ? Length::M : l == "mm" ? Length::Mm : Length::Ft;
            return true;
        }
        if (!units) {
            unread("chybí řádek „jednotky ...“ před prvním záznamem");
            return true;
        }
        if (f[0] == "stanovisko") {
            FieldSetup s;
            s.at = Place{name, n};
            if (f.size() < 2 || f.size() > 3) {
                unread("stanovisko má být „stanovisko ČÍSLO VÝŠKA_PŘÍSTROJE“");
                return true;
            }
            s.station = f[1];
            if (f.size() == 3 && f[2] != "-") {
                if (!length_of(f[2], length, s.i)) {
                    unread("výšku přístroje nelze přečíst: " + f[2]);
                    return true;
                }
                s.has_i = true;
            }
            out.setups.push_back(s);
            return true;
        }
        if (f.size() != 6) {
            unread("záznam má mít 6 hodnot (stanovisko, cíl, Hz, V, délka, výška cíle), má " +
                   std::to_string(f.size()));
            return true;
        }
        FieldReading r;
        r.at = Place{name, n};
        r.station = f[0];
        r.target = f[1];
        const auto value = [&](const std::string& s, bool is_angle, bool& has, double& v) {
            if (s == "-") {
                return true;
            }
            has = is_angle ? angle_of(s, angle, v) : length_of(s, length, v);
            return has;
        };
        if (!value(f[2], true, r.has_hz, r.hz) || !value(f[3], true, r.has_v, r.v) ||
            !value(f[4], false, r.has_d, r.d) || !value(f[5], false, r.has_t, r.t)) {
            unread("hodnotu záznamu nelze přečíst");
            return true;
        }
        if (r.has_d && r.d <= 0) {
            unread("délka musí být kladná (nezměřenou napište -): " + f[4]);
            return true;
        }
        if (!r.has_hz && !r.has_v && !r.has_d) {
            unread("záznam nemá žádnou změřenou hodnotu");
            return true;
        }
        // A target height "-" is the station's last one.
        Height* last = nullptr;
        for (Height& h : last_t) {
            last = h.station == r.station ? &h : last;
        }
        if (r.has_t) {
            if (last == nullptr) {
                last_t.push_back({r.station, r.t});
            } else {
                last->t = r.t;
            }
        } else if (last != nullptr) {
            r.has_t = true;
            r.t = last->t;
        }
        out.readings.push_back(r);
        return true;
    });
    out.lines = n;
}

}  // namespace kavron
