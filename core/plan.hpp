#pragma once
// The design of a plan: the figures a planned network will have, from its approximate
// coordinates and planned measurements alone, whether they meet the requirements, and the
// measurements that would help most. Filled by planning/, written by reports/.
#include <vector>

#include "core/results.hpp"

namespace kavron {

// The 95 % factors: kConfidence95 on an ellipsoid's semi-axes, kEllipse95 on an ellipse's,
// kNormal975 on a sd (both sides).
#include "core/confidence.inc"

// What the plan must meet.
struct Requirements {
    bool has_limit = false;
    double limit_mm = 0;  // the largest 95 % semi-axis allowed
    double min_r = 0.3;   // the smallest redundancy number allowed
};

// The two figures a plan is judged by.
struct PlanFigures {
    double largest_semi_axis = 0;  // the largest 95 % semi-axis of a point [mm]
    int largest_point = 0;         // its point number (0: no point is determined)
    double smallest_r = 0;         // the smallest redundancy number of a measurement
    int smallest_index = 0;        // its measurement index
};

// A measurement the plan does not hold: a distance or a zenith angle between two listed points,
// or a direction added to a station's set; `at` is the measurement index it takes.
struct Candidate {
    Kind kind = Kind::Distance;
    int station = 0, target = 0;
    double weight = 0;  // (unit sd / a-priori sd of the kind)^2
    int at = 0;
    PlanFigures figures;  // the plan's figures with it
};

struct Plan {
    Results res;  // the job, the covariance and ellipsoids at MOO, the reliability (r, MDB)
    Requirements req;
    PlanFigures figures;
    bool met = false;
    std::vector<int> weak_points;         // list positions whose 95 % semi-axis exceeds the limit
    std::vector<int> weak_measurements;   // measurement indexes whose r is below min_r
    int candidates = 0;                   // candidates tried within the capacities
    std::vector<Candidate> by_semi_axis;  // up to five, best first
    std::vector<Candidate> by_redundancy;
};

// Whether the point at list position i is determined by the plan: a point of code 7 keeps all
// three coordinates and does not count.
inline bool determined(const Results& res, int i) {
    return res.points[i].code != 7 && res.points[i].code != -7;
}

// The largest 95 % semi-axis of the point's ellipsoid [mm].
inline double largest_semi_axis(const Results& res, int i) {
    const Ellipsoid& e = res.points[i].ellipsoid;
    const double a = e.a > e.b ? e.a : e.b;
    return kConfidence95 * (a > e.c ? a : e.c);
}

}  // namespace kavron
