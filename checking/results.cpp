// The group's results against the reference's.
#include <algorithm>
#include <cmath>

#include "checking/compare.hpp"

namespace kavron {

void compare_results(const Results& ref, const Results& grp, GroupCheck& g) {
    g.adjusted = true;
    g.m0 = grp.m0_tested ? grp.m0 : grp.MO;
    if (grp.m0_tested) {
        g.m0_test_passed = !grp.m0_warning;
    }
    const Reliability& rel = grp.reliability;
    const int s = rel.max_index;
    if (rel.computed && grp.redundancy >= 1 && rel.controlled > 0 && s != 0 && rel.of[s].outlier) {
        const Observation& o = grp.observations[s];
        g.suspect = Named{o.kind, o.station, o.target};
    }
    for (int i = 1; i <= ref.points_read; ++i) {
        const int j = position(grp, ref.points[i].number);
        if (j == 0) {
            continue;
        }
        for (int a = 0; a < 3; ++a) {
            CoordinateDifference c;
            c.point = ref.points[i].number;
            c.axis = a;
            c.mm = grp.points[j].adjusted[a] - ref.points[i].adjusted[a];
            const int ri = 3 * (i - 1) + a, gj = 3 * (j - 1) + a;
            c.sd = std::sqrt(std::max(0.0, ref.covariance[ri][ri]) +
                             std::max(0.0, grp.covariance[gj][gj]));
            c.has_sigma = c.sd > 1e-9;
            c.sigma = c.has_sigma ? std::fabs(c.mm) / c.sd : 0;
            c.flagged = c.has_sigma ? c.sigma > kCoordinateFlag : std::fabs(c.mm) >= 0.05;
            if (!g.has_max || std::fabs(c.mm) > g.max_mm) {
                g.has_max = true;
                g.max_mm = std::fabs(c.mm);
            }
            if (c.has_sigma && (!g.has_max_sigma || c.sigma > g.max_sigma)) {
                g.has_max_sigma = true;
                g.max_sigma = c.sigma;
            }
            g.coordinates.push_back(c);
        }
    }
}

}  // namespace kavron
