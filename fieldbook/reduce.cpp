// The readings of each station into means: the faces paired within their sets, the pairs whose
// index error or 2c departs from the station's median left out, each set reduced to its first
// target and the sets averaged, the spread of the sets; then the means reduced from the
// instrument's axis and the target's height to the marks and into the flat local system, and
// the sights measured both ways compared.
#include "fieldbook/reduce.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "crmath/crmath.hpp"

namespace kavron {

namespace {

// Into [0, 400).
double circle(double gon) {
    double g = std::fmod(gon, 400.0);
    g = g < 0 ? g + 400.0 : g;
    return g >= 400.0 ? g - 400.0 : g;
}

// Into (-200, 200].
double wrap(double gon) {
    double g = std::fmod(gon, 400.0);
    if (g > 200.0) {
        g -= 400.0;
    } else if (g <= -200.0) {
        g += 400.0;
    }
    return g;
}

double median(std::vector<double> v) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string figure(double v, int decimals) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

std::string where(const Place& at) {
    return at.file + ", řádek " + std::to_string(at.line);
}

FieldStation& station_named(Import& imp, const std::string& name, const Place& at) {
    for (FieldStation& s : imp.stations) {
        if (s.name == name) {
            return s;
        }
    }
    imp.stations.emplace_back();
    imp.stations.back().name = name;
    imp.stations.back().at = at;
    return imp.stations.back();
}

bool same_reading(const FieldReading& a, const FieldReading& b) {
    return a.station == b.station && a.target == b.target && a.has_hz == b.has_hz &&
           a.has_v == b.has_v && a.has_d == b.has_d && a.hz == b.hz && a.v == b.v && a.d == b.d;
}

}  // namespace

std::optional<Refusal> gather(Import& imp) {
    const ImportOptions& o = imp.options;
    for (FieldFile& f : imp.files) {
        // Readings before any setup: the file's one station, when --station names it.
        std::vector<int> orphans;
        bool one_station = true;
        for (const FieldSetup& s : f.setups) {
            one_station = one_station && (s.station.empty() || s.station == o.station);
        }
        for (const FieldReading& r : f.readings) {
            if (r.station.empty()) {
                orphans.push_back(r.at.line);
            }
        }
        if (!orphans.empty() && (o.station.empty() || !one_station)) {
            std::string lines;
            for (std::size_t k = 0; k < orphans.size() && k < 10; ++k) {
                lines += (k == 0 ? "" : ", ") + std::to_string(orphans[k]);
            }
            if (orphans.size() > 10) {
                lines += ", ...";
            }
            return Refusal{2, "soubor " + f.name + ": záznamy bez stanoviska (řádky " + lines +
                                  "); drží-li soubor jediné stanovisko, pojmenujte ho volbou "
                                  "--station"};
        }
        for (FieldSetup& s : f.setups) {
            s.station = s.station.empty() ? o.station : s.station;
        }
        for (FieldReading& r : f.readings) {
            r.station = r.station.empty() ? o.station : r.station;
        }
        // The instrument height of each reading: its station's last setup before it.
        std::size_t next_setup = 0;
        struct Height {
            std::string station;
            bool has;
            double i;
        };
        std::vector<Height> heights;
        const auto height_of = [&](const std::string& st) -> Height& {
            for (Height& h : heights) {
                if (h.station == st) {
                    return h;
                }
            }
            heights.push_back({st, false, 0});
            return heights.back();
        };
        for (FieldReading& r : f.readings) {
            while (next_setup < f.setups.size() && f.setups[next_setup].at.line <= r.at.line) {
                const FieldSetup& s = f.setups[next_setup++];
                Height& h = height_of(s.station);
                if (s.has_i) {
                    h.has = true;
                    h.i = s.i;
                }
                (void)station_named(imp, s.station, s.at);
            }
            const Height& h = height_of(r.station);
            r.has_i = h.has;
            r.i = h.i;
        }
        for (; next_setup < f.setups.size(); ++next_setup) {
            (void)station_named(imp, f.setups[next_setup].station, f.setups[next_setup].at);
        }
        for (const FieldReading& r : f.readings) {
            (void)station_named(imp, r.station, r.at);  // a station booked without its setup
        }
    }
    return std::nullopt;
}

namespace {

// The faces of one station's readings paired: a face II reading (V over 200 gon) pairs with the
// face I reading of the same target in the same set; a target met again in the same face starts
// a new set.
void pair_faces(Import& imp, FieldStation& st, const std::vector<const FieldReading*>& readings) {
    int set = 1;
    std::size_t set_start = st.pairs.size();
    const FieldReading* previous = nullptr;
    for (const FieldReading* r : readings) {
        if (previous != nullptr && same_reading(*previous, *r)) {
            imp.flags.push_back({FlagKind::Duplicate, r->at, r->station, r->target, 0, 0, true,
                                 where(r->at) + ": záznam " + r->station + " na " + r->target +
                                     " se opakuje (týž blok dvakrát), vynechán"});
            continue;
        }
        previous = r;
        const bool face2 = r->has_v && r->v > 200.0;
        FacePair* p = nullptr;
        for (std::size_t k = set_start; k < st.pairs.size(); ++k) {
            p = st.pairs[k].target == r->target ? &st.pairs[k] : p;
        }
        if (p != nullptr && (face2 ? p->face2 : p->face1)) {
            ++set;
            set_start = st.pairs.size();
            p = nullptr;
        }
        if (p == nullptr) {
            st.pairs.emplace_back();
            p = &st.pairs.back();
            p->target = r->target;
            p->set = set;
            p->at = r->at;
        }
        FacePair& q = *p;
        (face2 ? q.face2 : q.face1) = true;
        if (!face2) {
            q.at = r->at;
        }
        if (face2) {
            q.has_hz2 = r->has_hz;
            q.hz2 = r->hz;
            q.has_v2 = r->has_v;
            q.v2 = r->v;
        } else {
            q.has_hz1 = r->has_hz;
            q.hz1 = r->hz;
            q.has_v1 = r->has_v;
            q.v1 = r->v;
        }
        if (r->has_d) {
            q.d = q.has_d ? (q.d + r->d) / 2 : r->d;
            q.has_d = true;
        }
        if (r->has_t && !q.has_t) {
            q.has_t = true;
            q.t = r->t;
        }
        if (r->has_i && !q.has_i) {
            q.has_i = true;
            q.i = r->i;
        }
    }
    st.sets = set;
}

// The pairs' means from the readings they hold: Hz = Hz_I + wrap(Hz_II - 200 - Hz_I)/2,
// z = (V_I - V_II + 400)/2, the index error (V_I + V_II - 400)/2, 2c = Hz_I - (Hz_II - 200).
void pair_values(FieldStation& st) {
    for (FacePair& p : st.pairs) {
        const bool one = p.has_hz1 && p.has_v1, two = p.has_hz2 && p.has_v2;
        if (one && two) {
            const double delta = wrap(p.hz2 - 200.0 - p.hz1);
            p.hz = circle(p.hz1 + delta / 2);
            p.c2 = -delta;
            p.z = (p.v1 - p.v2 + 400.0) / 2;
            p.index = (p.v1 + p.v2 - 400.0) / 2;
        } else if (one) {
            p.face2 = false;
            p.hz = p.hz1;
            p.z = p.v1;
        } else if (two) {
            p.face1 = false;
            p.hz = circle(p.hz2 - 200.0);
            p.z = 400.0 - p.v2;
        } else {
            p.left_out = true;  // a reading without its angles
        }
    }
}

// The index errors and 2c of the pairs against the station's medians; a pair beyond the
// tolerance is a reading blunder, left out of the means.
void check_pairs(Import& imp, FieldStation& st) {
    std::vector<double> index, c2;
    for (const FacePair& p : st.pairs) {
        if (p.face1 && p.face2 && !p.left_out) {
            index.push_back(p.index);
            c2.push_back(p.c2);
        }
    }
    st.has_medians = !index.empty();
    st.median_index = median(index);
    st.median_c2 = median(c2);
    for (FacePair& p : st.pairs) {
        if (p.left_out) {
            continue;
        }
        if (!(p.face1 && p.face2)) {
            // One face alone: its zenith angle corrected by the station's index error.
            p.z = p.face1 ? p.z - st.median_index : p.z + st.median_index;
            imp.flags.push_back(
                {FlagKind::SingleFace, p.at, st.name, p.target, 0, 0, false,
                 where(p.at) + ": " + st.name + " na " + p.target + ", skupina " +
                     std::to_string(p.set) + ": změřeno jen v " + (p.face1 ? "I." : "II.") +
                     " poloze, použito samo" +
                     (index.empty() ? " (indexová chyba neznámá: zenitový úhel neopraven)"
                                    : " (zenitový úhel opraven o indexovou chybu " +
                                          figure(st.median_index * kCcPerGon, 1) + " cc)")});
            continue;
        }
        const double di = (p.index - st.median_index) * kCcPerGon;
        const double dc = (p.c2 - st.median_c2) * kCcPerGon;
        if (index.size() >= 3 && std::fabs(di) > imp.tolerance_index) {
            p.left_out = true;
            imp.flags.push_back(
                {FlagKind::IndexError, p.at, st.name, p.target, di, imp.tolerance_index, true,
                 where(p.at) + ": " + st.name + " na " + p.target + ", skupina " +
                     std::to_string(p.set) + ": indexová chyba se liší od " +
                     "mediánu stanoviska o " + figure(di, 1) + " cc (mez " +
                     figure(imp.tolerance_index, 1) + " cc): chyba čtení, dvojice vynechána"});
        } else if (c2.size() >= 3 && std::fabs(dc) > imp.tolerance_c2) {
            p.left_out = true;
            imp.flags.push_back(
                {FlagKind::Collimation, p.at, st.name, p.target, dc, imp.tolerance_c2, true,
                 where(p.at) + ": " + st.name + " na " + p.target + ", skupina " +
                     std::to_string(p.set) + ": 2c se liší od mediánu " + "stanoviska o " +
                     figure(dc, 1) + " cc (mez " + figure(imp.tolerance_c2, 1) +
                     " cc): chyba čtení, dvojice vynechána"});
        }
    }
}

// The directions of the sets reduced to the station's first target and averaged; the spread of
// the sets.
void average_directions(Import& imp, FieldStation& st) {
    std::vector<std::string> targets;  // in the order of their first reading
    for (const FacePair& p : st.pairs) {
        if (std::find(targets.begin(), targets.end(), p.target) == targets.end()) {
            targets.push_back(p.target);
        }
    }
    st.means.clear();
    for (const std::string& t : targets) {
        st.means.push_back(FieldMean{});
        st.means.back().target = t;
    }
    const auto pair_of = [&](int set, const std::string& t) -> const FacePair* {
        for (const FacePair& p : st.pairs) {
            if (p.set == set && p.target == t && !p.left_out) {
                return &p;
            }
        }
        return nullptr;
    };
    // Each set's directions reduced: to the first target when the set has it, else by the mean
    // of its differences from the sets before it.
    std::vector<std::vector<double>> reduced(static_cast<std::size_t>(st.sets) + 1,
                                             std::vector<double>(targets.size(), -1));
    std::vector<double> frame(targets.size(), -1);
    for (int set = 1; set <= st.sets; ++set) {
        std::vector<double>& r = reduced[static_cast<std::size_t>(set)];
        const FacePair* first = pair_of(set, targets[0]);
        double zero = 0;
        bool have_zero = first != nullptr;
        if (first != nullptr) {
            zero = first->hz;
        } else {
            double sum = 0;
            int n = 0;
            double ref = 0;
            for (std::size_t k = 0; k < targets.size(); ++k) {
                const FacePair* p = pair_of(set, targets[k]);
                if (p != nullptr && frame[k] >= 0) {
                    const double off = wrap(p->hz - frame[k]);
                    ref = n == 0 ? off : ref;
                    sum += ref + wrap(off - ref);
                    ++n;
                }
            }
            have_zero = n > 0;
            zero = n > 0 ? sum / n : 0;
        }
        if (!have_zero) {
            continue;  // a set with nothing in common with the others
        }
        for (std::size_t k = 0; k < targets.size(); ++k) {
            const FacePair* p = pair_of(set, targets[k]);
            if (p != nullptr) {
                r[k] = circle(p->hz - zero);
                if (frame[k] < 0) {
                    frame[k] = r[k];
                }
            }
        }
    }
    // The means, near the first set's value of each target (a mean does not cross the circle's
    // end).
    for (std::size_t k = 0; k < targets.size(); ++k) {
        double sum = 0;
        int n = 0;
        for (int set = 1; set <= st.sets; ++set) {
            const double v = reduced[static_cast<std::size_t>(set)][k];
            if (v >= 0) {
                sum += frame[k] + wrap(v - frame[k]);
                ++n;
            }
        }
        FieldMean& m = st.means[k];
        m.has_direction = n > 0;
        m.direction_sets = n;
        m.direction = n > 0 ? circle(sum / n) : 0;
    }
    // The spread: each set's residuals after its own orientation, Σv² / (observations - sets -
    // targets + 1).
    double vv = 0;
    int observations = 0, sets_used = 0;
    for (int set = 1; set <= st.sets; ++set) {
        const std::vector<double>& r = reduced[static_cast<std::size_t>(set)];
        double off = 0;
        int n = 0;
        for (std::size_t k = 0; k < targets.size(); ++k) {
            if (r[k] >= 0) {
                off += wrap(r[k] - st.means[k].direction);
                ++n;
            }
        }
        if (n == 0) {
            continue;
        }
        ++sets_used;
        off /= n;
        for (std::size_t k = 0; k < targets.size(); ++k) {
            if (r[k] >= 0) {
                ++observations;
                const double v = wrap(r[k] - st.means[k].direction) - off;
                vv += v * v;
            }
        }
    }
    // The closure of each set, robustly: against the median of the sets (the mean of two) after
    // the median of the set's own differences, so that one wrong direction does not move the
    // others.
    std::vector<double> center(targets.size(), 0);
    for (std::size_t k = 0; k < targets.size(); ++k) {
        std::vector<double> v;
        for (int set = 1; set <= st.sets; ++set) {
            const double x = reduced[static_cast<std::size_t>(set)][k];
            if (x >= 0) {
                v.push_back(wrap(x - st.means[k].direction));
            }
        }
        center[k] = median(v);
    }
    for (int set = 1; set <= st.sets; ++set) {
        const std::vector<double>& r = reduced[static_cast<std::size_t>(set)];
        std::vector<double> diffs;
        for (std::size_t k = 0; k < targets.size(); ++k) {
            if (r[k] >= 0) {
                diffs.push_back(wrap(r[k] - st.means[k].direction) - center[k]);
            }
        }
        const double off = median(diffs);
        for (std::size_t k = 0; k < targets.size(); ++k) {
            if (r[k] < 0 || st.means[k].direction_sets < 2) {
                continue;
            }
            const double cc = (wrap(r[k] - st.means[k].direction) - center[k] - off) * kCcPerGon;
            if (std::fabs(cc) > imp.tolerance_set) {
                const FacePair* p = pair_of(set, targets[k]);
                imp.flags.push_back(
                    {FlagKind::SetClosure, p->at, st.name, targets[k], cc, imp.tolerance_set, false,
                     where(p->at) + ": " + st.name + " na " + targets[k] + ", skupina " +
                         std::to_string(set) + ": redukovaný směr se liší od ostatních skupin o " +
                         figure(cc, 1) + " cc (mez " + figure(imp.tolerance_set, 1) + " cc)"});
            }
        }
    }
    const int dof = observations - sets_used - static_cast<int>(targets.size()) + 1;
    st.has_sd_direction = dof > 0;
    st.sd_direction = dof > 0 ? std::sqrt(vv / dof) : 0;
    // A station with a single target: its direction says nothing.
    int aimed = 0;
    for (const FieldMean& m : st.means) {
        aimed += m.has_direction ? 1 : 0;
    }
    if (aimed == 1) {
        imp.flags.push_back({FlagKind::SingleTarget, st.at, st.name, st.means[0].target, 0, 0, true,
                             where(st.at) + ": stanovisko " + st.name +
                                 " má směr jen na jeden cíl: směr nic neurčí, vynechán"});
        st.single_target = true;
    }
}

}  // namespace

void reduce_stations(Import& imp) {
    const ImportOptions& o = imp.options;
    imp.tolerance_index = 4 * o.sd_zenith;
    imp.tolerance_c2 = 8 * o.sd_direction;
    imp.tolerance_set = 4 * o.sd_direction;
    imp.tolerance_zenith_set = 4 * o.sd_zenith;
    for (FieldStation& st : imp.stations) {
        std::vector<const FieldReading*> readings;
        for (const FieldFile& f : imp.files) {
            for (const FieldReading& r : f.readings) {
                if (r.station == st.name && r.target != st.name) {
                    readings.push_back(&r);
                }
            }
        }
        for (const FieldReading* r : readings) {
            if (r->has_i) {
                st.has_i = true;
                st.i = r->i;
                break;
            }
        }
        pair_faces(imp, st, readings);
        pair_values(st);
        check_pairs(imp, st);
        average_directions(imp, st);
    }
}

namespace {

// The mean slope distance of the station to the target over its pairs (0 when none).
double measured_distance(const FieldStation& st, const std::string& target) {
    double sum = 0;
    int n = 0;
    for (const FacePair& p : st.pairs) {
        if (p.target == target && p.has_d && !p.left_out) {
            sum += p.d;
            ++n;
        }
    }
    return n > 0 ? sum / n : 0;
}

}  // namespace

void reduce_to_marks(Import& imp) {
    const ImportOptions& o = imp.options;
    for (FieldStation& st : imp.stations) {
        bool told_i = false;
        std::vector<std::string> told_t;
        double vz = 0, vd = 0;  // the sets' squared residuals
        int fz = 0, fd = 0;     // and their degrees of freedom
        for (FieldMean& m : st.means) {
            // Where a pair has no distance of its own: the station's mean to the target, else
            // the distance measured the other way.
            double slope = measured_distance(st, m.target);
            for (const FieldStation& other : imp.stations) {
                slope = slope == 0 && other.name == m.target ? measured_distance(other, st.name)
                                                             : slope;
            }
            std::vector<double> zs, ds;
            double rawz = 0, rawd = 0;
            for (FacePair& p : st.pairs) {
                if (p.target != m.target || p.left_out) {
                    continue;
                }
                if (!p.has_i && !told_i) {
                    told_i = true;
                    imp.flags.push_back({FlagKind::MissingHeight, p.at, st.name, p.target, 0, 0,
                                         false,
                                         where(p.at) + ": chybí výška přístroje na stanovisku " +
                                             st.name + "; počítá se s 0 m"});
                }
                if (!p.has_t && std::find(told_t.begin(), told_t.end(), p.target) == told_t.end()) {
                    told_t.push_back(p.target);
                    imp.flags.push_back({FlagKind::MissingHeight, p.at, st.name, p.target, 0, 0,
                                         false,
                                         where(p.at) + ": chybí výška cíle " + p.target +
                                             " ze stanoviska " + st.name + "; počítá se s 0 m"});
                }
                const double d = p.has_d ? p.d : slope;
                const double i = p.has_i ? p.i : 0, t = p.has_t ? p.t : 0;
                if (d > 0) {
                    // s = d sin z, Δh = d cos z + i - t; the mark-to-mark distance and zenith.
                    const double zr = p.z * kRadPerGon;
                    const double s = d * crmath::sin(zr);
                    const double dh = d * crmath::cos(zr) + i - t;
                    p.d_mark = std::sqrt(s * s + dh * dh);
                    p.z_mark = crmath::atan2(s, dh) / kRadPerGon;
                    p.reduced = true;
                } else {
                    p.z_mark = p.z;  // nothing to reduce it with: as measured
                }
                zs.push_back(p.z_mark);
                rawz += p.z;
                if (p.has_d) {
                    ds.push_back(p.d_mark);
                    rawd += p.d;
                }
            }
            double zm = 0;
            for (const double z : zs) {
                zm += z;
            }
            zm = zs.empty() ? 0 : zm / static_cast<double>(zs.size());
            // A set's zenith angle against the median of the sets (a wrong height, a blunder in
            // both faces).
            const double zc = median(zs);
            for (const FacePair& p : st.pairs) {
                if (p.target != m.target || p.left_out || zs.size() < 2) {
                    continue;
                }
                const double cc = (p.z_mark - zc) * kCcPerGon;
                if (std::fabs(cc) > imp.tolerance_zenith_set) {
                    imp.flags.push_back({FlagKind::SetClosure, p.at, st.name, p.target, cc,
                                         imp.tolerance_zenith_set, false,
                                         where(p.at) + ": " + st.name + " na " + p.target +
                                             ", skupina " + std::to_string(p.set) +
                                             ": zenitový úhel na značky se liší od ostatních "
                                             "skupin o " +
                                             figure(cc, 1) + " cc (mez " +
                                             figure(imp.tolerance_zenith_set, 1) +
                                             " cc; výška cíle?)"});
                }
            }
            double dm = 0;
            for (const double d : ds) {
                dm += d;
            }
            dm = ds.empty() ? 0 : dm / static_cast<double>(ds.size());
            for (const double z : zs) {
                vz += (z - zm) * (z - zm);
            }
            for (const double d : ds) {
                vd += (d - dm) * (d - dm);
            }
            fz += zs.empty() ? 0 : static_cast<int>(zs.size()) - 1;
            fd += ds.empty() ? 0 : static_cast<int>(ds.size()) - 1;
            m.has_zenith = !zs.empty();
            m.zenith_sets = static_cast<int>(zs.size());
            m.raw_zenith = zs.empty() ? 0 : rawz / static_cast<double>(zs.size());
            m.has_distance = !ds.empty();
            m.distance_sets = static_cast<int>(ds.size());
            m.distance = dm;
            m.raw_distance = ds.empty() ? 0 : rawd / static_cast<double>(ds.size());
            // Into the flat local system: z - (1 - k) s / (2R).
            const double s = (m.has_distance ? dm : slope) * crmath::sin(zm * kRadPerGon);
            m.correction =
                o.curvature && s > 0 ? (1 - o.refraction) * s / (2 * kEarthRadius) / kRadPerGon : 0;
            m.zenith = zm - m.correction;
            if (m.correction * kCcPerGon > imp.largest_correction) {
                imp.largest_correction = m.correction * kCcPerGon;
                imp.largest_correction_at = st.name + " - " + m.target;
            }
        }
        st.has_sd_zenith = fz > 0;
        st.sd_zenith = fz > 0 ? std::sqrt(vz / fz) : 0;
        st.has_sd_distance = fd > 0;
        st.sd_distance = fd > 0 ? std::sqrt(vd / fd) : 0;
    }
}

void compare_reciprocal(Import& imp) {
    const ImportOptions& o = imp.options;
    for (std::size_t a = 0; a < imp.stations.size(); ++a) {
        for (std::size_t b = a + 1; b < imp.stations.size(); ++b) {
            const FieldStation& A = imp.stations[a];
            const FieldStation& B = imp.stations[b];
            const FieldMean* ab = nullptr;
            const FieldMean* ba = nullptr;
            for (const FieldMean& m : A.means) {
                ab = m.target == B.name ? &m : ab;
            }
            for (const FieldMean& m : B.means) {
                ba = m.target == A.name ? &m : ba;
            }
            if (ab == nullptr || ba == nullptr) {
                continue;
            }
            const Place at = A.at;
            if (ab->has_distance && ba->has_distance) {
                const double diff = (ab->distance - ba->distance) * 1000.0;
                const double tol = 4 * o.sd_distance *
                                   std::sqrt(1.0 / ab->distance_sets + 1.0 / ba->distance_sets);
                if (std::fabs(diff) > tol) {
                    imp.flags.push_back(
                        {FlagKind::ReciprocalDistance, at, A.name, B.name, diff, tol, false,
                         "délka " + A.name + " - " + B.name + " tam a zpět se liší o " +
                             figure(diff, 2) + " mm (mez " + figure(tol, 2) + " mm)"});
                }
            }
            if (ab->has_zenith && ba->has_zenith) {
                // In the flat system the two zenith angles add up to 200 gon; as measured, to
                // 200 gon and (1 - k) s / R.
                double expected = 200.0;
                if (!o.curvature) {
                    const double s = (ab->has_distance ? ab->distance : 0) *
                                     crmath::sin(ab->zenith * kRadPerGon);
                    expected += (1 - o.refraction) * s / kEarthRadius / kRadPerGon;
                }
                const double diff = (ab->zenith + ba->zenith - expected) * kCcPerGon;
                const double tol =
                    4 * o.sd_zenith * std::sqrt(1.0 / ab->zenith_sets + 1.0 / ba->zenith_sets);
                if (std::fabs(diff) > tol) {
                    imp.flags.push_back({FlagKind::ReciprocalZenith, at, A.name, B.name, diff, tol,
                                         false,
                                         "zenitové úhly " + A.name + " - " + B.name +
                                             " tam a zpět se liší od 200 gon o " + figure(diff, 1) +
                                             " cc (mez " + figure(tol, 1) + " cc)"});
                }
            }
        }
    }
}

}  // namespace kavron
