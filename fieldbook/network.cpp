// The points and measurements of the input file: field ids numbered (numbers stay, names get
// numbers not otherwise used), the points placed (from a points file, or from the measurements:
// the first station at a stated origin, its first target on the x axis, then chained polar
// points and orientations and forward intersections; heights from the height differences), and
// the measurements with their weights.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "core/constants.hpp"
#include "crmath/crmath.hpp"
#include "fieldbook/fieldbook.hpp"
#include "fieldbook/reduce.hpp"

namespace kavron {

namespace {

// A weight as the input file carries it: four significant digits, so that the file, the report
// and the JSON say the same weight and a student reads 0.27 where three sets of 0.09 give
// 0.26999999999999996.
double four_digits(double w) {
    char b[32];
    std::snprintf(b, sizeof b, "%.3e", w);
    return std::strtod(b, nullptr);
}

// Where the first station stands when nothing places the points [m].
constexpr double kOriginX = 500.0, kOriginY = 500.0, kOriginZ = 100.0;

bool numeric(const std::string& id, int& n) {
    if (id.empty() || id.size() > 5 || id.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    n = std::stoi(id);
    return n >= 1 && n <= 32767;
}

// The field ids in the order they appear: each file's setups and readings by their lines,
// a station before its targets.
std::vector<std::string> ids_in_order(const Import& imp) {
    std::vector<std::string> out;
    const auto add = [&](const std::string& id) {
        if (!id.empty() && std::find(out.begin(), out.end(), id) == out.end()) {
            out.push_back(id);
        }
    };
    for (const FieldStation& st : imp.stations) {
        add(st.name);
        for (const FieldMean& m : st.means) {
            add(m.target);
        }
    }
    return out;
}

FieldPoint* point_named(Import& imp, const std::string& name) {
    for (FieldPoint& p : imp.points) {
        if (p.name == name) {
            return &p;
        }
    }
    return nullptr;
}

struct Placed {
    bool at = false, oriented = false;
    double x = 0, y = 0, z = 0;  // m
    double orientation = 0;      // gon: bearing = direction + orientation
};

// The horizontal distance and height difference of a mean, mark to mark [m].
bool polar(const FieldMean& m, double& s, double& dh) {
    if (!m.has_distance) {
        return false;
    }
    const double z = (m.has_zenith ? m.zenith : 100.0) * kRadPerGon;
    s = m.distance * crmath::sin(z);
    dh = m.distance * crmath::cos(z);
    return s > 0;
}

double bearing(double dx, double dy) {
    double b = crmath::atan2(dy, dx) / kRadPerGon;
    return b < 0 ? b + 400.0 : b;
}

// A direction to a point from an oriented station: the bearing [rad], the zenith angle from the
// instrument's axis to the target and the heights between them and the marks (i - t).
struct Ray {
    const Placed* from;
    double bearing;
    bool has_zenith;
    double zenith;   // [gon]
    double heights;  // [m]
};

// The instrument height less the target height of a station's first pair to the target; 0 when
// its zenith angle was reduced to the marks already (with a distance measured the other way).
double heights_of(const FieldStation& st, const std::string& target) {
    for (const FacePair& p : st.pairs) {
        if (p.target == target && !p.left_out) {
            return p.reduced ? 0 : (p.has_i ? p.i : 0) - (p.has_t ? p.t : 0);
        }
    }
    return 0;
}

// Places point k by forward intersection: the first two directions to it from oriented
// stations that meet in front of both (at a cut of at least 1 gon); its height from the first
// station's zenith angle over the horizontal distance, else the station's. A pair whose
// directions meet only behind a station (a target mixed up, a direction read wrong) places
// nothing: the point joins `behind`.
template <class Index>
bool intersect(Import& imp, std::vector<Placed>& at, const Index& index, std::size_t k,
               std::set<std::string>& behind) {
    std::vector<Ray> rays;
    for (const FieldStation& st : imp.stations) {
        const Placed& s = at[static_cast<std::size_t>(index(st.name))];
        for (const FieldMean& m : st.means) {
            if (m.target == imp.points[k].name && s.at && s.oriented && m.has_direction) {
                rays.push_back({&s, (m.direction + s.orientation) * kRadPerGon, m.has_zenith,
                                m.zenith, heights_of(st, m.target)});
            }
        }
    }
    const double cut = crmath::sin(1.0 * kRadPerGon);
    for (std::size_t i = 0; i < rays.size(); ++i) {
        for (std::size_t j = i + 1; j < rays.size(); ++j) {
            const Placed& a = *rays[i].from;
            const Placed& b = *rays[j].from;
            const double ca = crmath::cos(rays[i].bearing), sa = crmath::sin(rays[i].bearing);
            const double cb = crmath::cos(rays[j].bearing), sb = crmath::sin(rays[j].bearing);
            const double det = ca * sb - sa * cb;
            if (std::fabs(det) < cut) {
                continue;
            }
            const double ta = ((b.x - a.x) * sb - (b.y - a.y) * cb) / det;
            const double tb = ((b.x - a.x) * sa - (b.y - a.y) * ca) / det;
            if (ta <= 0 || tb <= 0) {
                behind.insert(imp.points[k].name);
                continue;
            }
            double z = a.z;
            if (rays[i].has_zenith) {
                const double zr = rays[i].zenith * kRadPerGon;
                z += ta * crmath::cos(zr) / crmath::sin(zr) + rays[i].heights;
            }
            at[k] = {true, false, a.x + ta * ca, a.y + ta * sa, z, 0};
            imp.points[k].source = "intersection";
            return true;
        }
    }
    return false;
}

// Places the points from the measurements; false (and the point) when one cannot be placed,
// `behind` set when its directions meet only behind their stations.
bool place(Import& imp, std::string& lost, bool& behind_stations) {
    std::vector<Placed> at(imp.points.size());
    const auto index = [&](const std::string& name) {
        for (std::size_t k = 0; k < imp.points.size(); ++k) {
            if (imp.points[k].name == name) {
                return static_cast<int>(k);
            }
        }
        return -1;
    };
    std::set<std::string> behind;
    const FieldStation& first = imp.stations.front();
    const int f = index(first.name);
    at[static_cast<std::size_t>(f)] = {true, false, kOriginX, kOriginY, kOriginZ, 0};
    imp.points[static_cast<std::size_t>(f)].source = "station";
    for (const FieldMean& m : first.means) {
        if (m.has_direction) {
            at[static_cast<std::size_t>(f)].oriented = true;
            at[static_cast<std::size_t>(f)].orientation = -m.direction;  // its target on +x
            break;
        }
    }
    bool moved = true;
    while (moved) {
        moved = false;
        for (const FieldStation& st : imp.stations) {
            const int si = index(st.name);
            Placed& s = at[static_cast<std::size_t>(si)];
            if (!s.at) {
                continue;
            }
            // A station placed: its orientation from a placed target it has a direction to.
            for (const FieldMean& m : st.means) {
                const Placed& t = at[static_cast<std::size_t>(index(m.target))];
                if (!s.oriented && m.has_direction && t.at && (t.x != s.x || t.y != s.y)) {
                    s.orientation = bearing(t.x - s.x, t.y - s.y) - m.direction;
                    s.oriented = moved = true;
                }
            }
            // Polar points.
            for (const FieldMean& m : st.means) {
                const int ti = index(m.target);
                Placed& t = at[static_cast<std::size_t>(ti)];
                double hs = 0, dh = 0;
                if (!t.at && s.oriented && m.has_direction && polar(m, hs, dh)) {
                    const double b = (m.direction + s.orientation) * kRadPerGon;
                    t = {true,     false, s.x + hs * crmath::cos(b), s.y + hs * crmath::sin(b),
                         s.z + dh, 0};
                    imp.points[static_cast<std::size_t>(ti)].source = "polar";
                    moved = true;
                }
            }
        }
        if (moved) {
            continue;
        }
        // Forward intersection of a point from two oriented stations' directions.
        for (std::size_t k = 0; k < imp.points.size() && !moved; ++k) {
            if (!at[k].at) {
                moved = intersect(imp, at, index, k, behind);
            }
        }
    }
    for (std::size_t k = 0; k < imp.points.size(); ++k) {
        if (!at[k].at) {
            lost = imp.points[k].name;
            behind_stations = behind.count(lost) > 0;
            return false;
        }
        imp.points[k].x = at[k].x * 1000.0;
        imp.points[k].y = at[k].y * 1000.0;
        imp.points[k].z = at[k].z * 1000.0;
    }
    return true;
}

// A zenith angle with no distance measured either way (a sight to a target the instrument
// cannot measure to) reaches the input file from the instrument's axis to the target, unless
// it is reduced: here with the horizontal distance between the approximate coordinates, then
// into the flat local system as the others are.
void reduce_by_coordinates(Import& imp) {
    const ImportOptions& o = imp.options;
    for (FieldStation& st : imp.stations) {
        for (FieldMean& m : st.means) {
            bool reduced = false;
            for (const FacePair& p : st.pairs) {
                reduced = reduced || (p.target == m.target && !p.left_out && p.reduced);
            }
            const FieldPoint* a = point_named(imp, st.name);
            const FieldPoint* b = point_named(imp, m.target);
            if (!m.has_zenith || reduced || a == nullptr || b == nullptr) {
                continue;
            }
            const double dx = (b->x - a->x) / 1000.0, dy = (b->y - a->y) / 1000.0;
            const double s = std::sqrt(dx * dx + dy * dy);
            if (!(s > 0)) {
                continue;
            }
            // The height of the target over the axis, then of mark over mark.
            const double zr = m.zenith * kRadPerGon;
            const double dh = s * crmath::cos(zr) / crmath::sin(zr) + heights_of(st, m.target);
            const double z = crmath::atan2(s, dh) / kRadPerGon;
            m.correction =
                o.curvature ? (1 - o.refraction) * s / (2 * kEarthRadius) / kRadPerGon : 0;
            m.zenith = z - m.correction;
            m.zenith_by_coordinates = true;
            m.coordinate_distance = s;
            if (m.correction * kCcPerGon > imp.largest_correction) {
                imp.largest_correction = m.correction * kCcPerGon;
                imp.largest_correction_at = st.name + " - " + m.target;
            }
        }
    }
}

std::string list_of(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v) {
        s += (s.empty() ? "" : ", ") + x;
    }
    return s;
}

}  // namespace

std::optional<Refusal> make_network(Import& imp, const Job* points) {
    const std::vector<std::string> ids = ids_in_order(imp);
    if (imp.stations.empty() || ids.size() < 2) {
        return Refusal{2, "záznamy nemají žádné měření mezi dvěma body"};
    }
    if (static_cast<int>(ids.size()) > JB) {
        return Refusal{2, "záznamy mají " + std::to_string(ids.size()) + " bodů (" + list_of(ids) +
                              "), program pojme " + std::to_string(JB) +
                              ": vyberte je volbou --only ČÍSLO,ČÍSLO,..."};
    }
    imp.points.clear();
    if (points != nullptr) {
        imp.points_given = true;
        for (const std::string& id : ids) {
            int n = 0;
            bool listed = false;
            for (int i = 1; i <= points->IB && numeric(id, n); ++i) {
                listed = listed || points->IN[i] == n;
            }
            if (!listed) {
                return Refusal{2, "bod " + id + " ze záznamů není v souboru bodů " +
                                      imp.points_file + " (jeho čísla musí být čísla bodů)"};
            }
        }
        // The points file's points that the field data names, in the file's order.
        for (int i = 1; i <= points->IB; ++i) {
            const std::string id = std::to_string(points->IN[i]);
            if (std::find(ids.begin(), ids.end(), id) != ids.end()) {
                imp.points.push_back({id, points->IN[i], points->KOD1[i], points->XO[i],
                                      points->YO[i], points->ZO[i], "points"});
            }
        }
    } else {
        std::set<int> used;
        for (const std::string& id : ids) {
            int n = 0;
            if (numeric(id, n)) {
                used.insert(n);
            }
        }
        int next = 1;
        for (const std::string& id : ids) {
            int n = 0;
            if (!numeric(id, n)) {
                while (used.count(next) != 0) {
                    ++next;
                }
                n = next;
                used.insert(n);
            }
            imp.points.push_back({id, n, 0, 0, 0, 0, ""});
        }
        std::string lost;
        bool behind = false;
        if (!place(imp, lost, behind)) {
            return Refusal{2, "bod " + lost + " nelze z měření umístit (" +
                                  (behind ? "jeho směry ze stanovisek se protínají jen za "
                                            "nimi: zaměněný cíl nebo chybně čtený směr?"
                                          : "chybí k němu délka a směr z umístěného "
                                            "stanoviska, nebo dva směry") +
                                  "): zadejte body souborem --points"};
        }
        // The datum: the first station fixed, the direction to its first target.
        point_named(imp, imp.stations.front().name)->code = 7;
        for (const FieldMean& m : imp.stations.front().means) {
            if (m.has_direction) {
                point_named(imp, m.target)->code = 2;
                break;
            }
        }
    }
    reduce_by_coordinates(imp);
    // The measurements: directions station by station, then zenith angles, then distances.
    const ImportOptions& o = imp.options;
    imp.measurements.clear();
    const double unit = o.sd_direction;
    for (const FieldMeasurement::Kind kind :
         {FieldMeasurement::Direction, FieldMeasurement::Zenith, FieldMeasurement::Distance}) {
        for (const FieldStation& st : imp.stations) {
            for (const FieldMean& m : st.means) {
                FieldMeasurement x;
                x.kind = kind;
                x.station_name = st.name;
                x.target_name = m.target;
                x.station = point_named(imp, st.name)->number;
                x.target = point_named(imp, m.target)->number;
                double sd = 0;
                if (kind == FieldMeasurement::Direction && m.has_direction && !st.single_target) {
                    x.value = m.direction * 10000.0;
                    x.sets = m.direction_sets;
                    sd = o.sd_direction;
                } else if (kind == FieldMeasurement::Zenith && m.has_zenith) {
                    x.value = m.zenith * 10000.0;
                    x.sets = m.zenith_sets;
                    sd = o.sd_zenith;
                } else if (kind == FieldMeasurement::Distance && m.has_distance) {
                    x.value = m.distance * 1000.0;
                    x.sets = m.distance_sets;
                    sd = o.sd_distance;
                } else {
                    continue;
                }
                // A mean of n sets has the sd of one set over √n.
                x.weight = four_digits(x.sets * (unit / sd) * (unit / sd));
                imp.measurements.push_back(x);
            }
        }
    }
    int distances = 0;
    for (const FieldMeasurement& x : imp.measurements) {
        distances += x.kind == FieldMeasurement::Distance ? 1 : 0;
    }
    if (static_cast<int>(imp.measurements.size()) > JR || distances > JD) {
        return Refusal{2, "záznamy dávají " + std::to_string(imp.measurements.size()) +
                              " měření (" + std::to_string(distances) + " délek), program pojme " +
                              std::to_string(JR) + " (" + std::to_string(JD) +
                              " délek): vyberte body volbou --only (body: " + list_of(ids) + ")"};
    }
    if (imp.measurements.empty()) {
        return Refusal{2, "záznamy nedávají žádné měření"};
    }
    return std::nullopt;
}

std::optional<Refusal> import_field(std::vector<FieldFile> files, const Job* points,
                                    const ImportOptions& options, Import& out) {
    out.options = options;
    out.files = std::move(files);
    for (const FieldFile& f : out.files) {
        for (std::size_t k = 0; k < f.unread.size(); ++k) {
            out.flags.push_back({FlagKind::UnreadLine, f.unread[k], "", "", 0, 0, true,
                                 f.unread[k].file + ", řádek " + std::to_string(f.unread[k].line) +
                                     ": " + f.unread_why[k]});
        }
    }
    // Readings to points outside --only are left out, and counted.
    if (!options.only.empty()) {
        const auto kept = [&](const std::string& id) {
            return std::find(options.only.begin(), options.only.end(), id) != options.only.end();
        };
        for (FieldFile& f : out.files) {
            std::vector<FieldReading> readings;
            for (const FieldReading& r : f.readings) {
                if ((r.station.empty() || kept(r.station)) && kept(r.target)) {
                    readings.push_back(r);
                } else {
                    ++out.left_out_readings;
                }
            }
            f.readings = std::move(readings);
            std::vector<FieldSetup> setups;
            for (const FieldSetup& s : f.setups) {
                if (s.station.empty() || kept(s.station)) {
                    setups.push_back(s);
                }
            }
            f.setups = std::move(setups);
        }
        if (out.left_out_readings > 0) {
            out.flags.push_back(
                {FlagKind::LeftOut, Place{}, "", "", static_cast<double>(out.left_out_readings), 0,
                 true,
                 std::to_string(out.left_out_readings) + " záznamů k bodům mimo --only vynecháno"});
        }
    }
    if (auto r = gather(out)) {
        return r;
    }
    reduce_stations(out);
    reduce_to_marks(out);
    compare_reciprocal(out);
    return make_network(out, points);
}

}  // namespace kavron
