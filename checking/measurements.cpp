// The group's measurements and points against the reference input's.
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

#include "checking/compare.hpp"

namespace kavron {

namespace {

constexpr double kCircle = 4000000.0;  // cc

// -c/2 < d <= c/2 for a difference of directions.
double wrapped(double d) {
    d = std::fmod(d, kCircle);
    if (d > kCircle / 2) {
        d -= kCircle;
    } else if (d <= -kCircle / 2) {
        d += kCircle;
    }
    return d;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

using Key = std::tuple<int, int, int>;  // kind, station, target

Key key_of(const Observation& o) {
    return {static_cast<int>(o.kind), o.station, o.target};
}

// The a-priori sd of a measurement of the kind; the group's when the reference gives none.
double sd_of(Kind k, const Results& ref, const Results& grp) {
    const auto of = [k](const Results& r) {
        return static_cast<double>(k == Kind::Direction ? r.UU : k == Kind::Zenith ? r.UZ : r.UD);
    };
    return of(ref) > 0 ? of(ref) : of(grp);
}

// The group's measurement g matched with the reference's: the k-th measurement of a kind,
// station and target with the k-th of the reference (0: none).
std::vector<int> match(const Results& ref, const Results& grp, GroupCheck& g) {
    std::map<Key, std::vector<int>> at;
    for (int k = 1; k <= ref.observations_read; ++k) {
        at[key_of(ref.observations[k])].push_back(k);
    }
    std::map<Key, std::size_t> used;
    std::vector<int> m(static_cast<std::size_t>(grp.observations_read) + 1, 0);
    std::vector<bool> matched(static_cast<std::size_t>(ref.observations_read) + 1, false);
    for (int k = 1; k <= grp.observations_read; ++k) {
        const Observation& o = grp.observations[k];
        const Key key = key_of(o);
        std::size_t& u = used[key];
        const auto it = at.find(key);
        if (it != at.end() && u < it->second.size()) {
            const int r = it->second[u++];
            m[static_cast<std::size_t>(k)] = r;
            matched[static_cast<std::size_t>(r)] = true;
        } else {
            g.extra.push_back({o.kind, o.station, o.target});
        }
    }
    for (int k = 1; k <= ref.observations_read; ++k) {
        if (!matched[static_cast<std::size_t>(k)]) {
            const Observation& o = ref.observations[k];
            g.missing.push_back({o.kind, o.station, o.target});
        }
    }
    return m;
}

void typo_if(GroupCheck& g, const Observation& o, const Observation& r, double difference,
             double sd) {
    const double s = sd * std::sqrt(2.0);
    if (s > 0 ? std::fabs(difference) > kTypoFlag * s : std::fabs(difference) >= 0.05) {
        g.typos.push_back({{o.kind, o.station, o.target}, o.value, r.value, difference, s});
    }
}

// The directions of one set (a run of directions of one station in the group's file): their
// differences from the reference after the set's orientation difference, the median of them.
void compare_set(const Results& ref, const Results& grp, const std::vector<int>& m, int from,
                 int to, GroupCheck& g) {
    std::vector<int> ks;
    std::vector<double> d;
    for (int k = from; k < to; ++k) {
        if (const int r = m[static_cast<std::size_t>(k)]; r != 0) {
            const double raw = grp.observations[k].value - ref.observations[r].value;
            // Taken near the first difference, so that a median does not cross the circle's end.
            d.push_back(d.empty() ? wrapped(raw) : d.front() + wrapped(raw - d.front()));
            ks.push_back(k);
        }
    }
    if (d.empty()) {
        return;
    }
    const double orientation = median(d);
    const double sd = sd_of(Kind::Direction, ref, grp);
    for (std::size_t i = 0; i < ks.size(); ++i) {
        const Observation& o = grp.observations[ks[i]];
        typo_if(g, o, ref.observations[m[static_cast<std::size_t>(ks[i])]], d[i] - orientation, sd);
    }
}

}  // namespace

void compare_measurements(const Results& ref, const Results& grp, GroupCheck& g) {
    const std::vector<int> m = match(ref, grp, g);
    int k = 1;
    while (k <= grp.observations_read) {
        const Observation& o = grp.observations[k];
        if (o.kind == Kind::Direction) {
            int end = k + 1;
            while (end <= grp.observations_read && grp.observations[end].kind == Kind::Direction &&
                   grp.observations[end].station == o.station) {
                ++end;
            }
            compare_set(ref, grp, m, k, end, g);
            k = end;
            continue;
        }
        if (const int r = m[static_cast<std::size_t>(k)]; r != 0) {
            typo_if(g, o, ref.observations[r], o.value - ref.observations[r].value,
                    sd_of(o.kind, ref, grp));
        }
        ++k;
    }
}

void compare_points(const Results& ref, const Results& grp, GroupCheck& g) {
    for (int i = 1; i <= ref.points_read; ++i) {
        const Point& r = ref.points[i];
        const int j = position(grp, r.number);
        if (j == 0) {
            g.points.push_back({r.number, PointDifference::Missing, 0, r.code, 0});
            continue;
        }
        const Point& p = grp.points[j];
        if (p.code != r.code) {
            g.points.push_back({r.number, PointDifference::Code, p.code, r.code, 0});
        }
        double most = 0;
        for (int a = 0; a < 3; ++a) {
            most = std::max(most, std::fabs(p.approx[a] - r.approx[a]));
        }
        if (r.code != 0 && most >= 0.05) {
            g.points.push_back({r.number, PointDifference::Coordinates, p.code, r.code, most});
        }
    }
    for (int j = 1; j <= grp.points_read; ++j) {
        if (position(ref, grp.points[j].number) == 0) {
            g.points.push_back(
                {grp.points[j].number, PointDifference::Extra, grp.points[j].code, 0, 0});
        }
    }
}

int position(const Results& res, int n) {
    for (int i = 1; i <= res.points_read; ++i) {
        if (res.points[i].number == n) {
            return i;
        }
    }
    return 0;
}

}  // namespace kavron
