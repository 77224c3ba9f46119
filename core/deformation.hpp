#pragma once
// The comparison of two epochs of a network: the displacements of the common points in the datum
// of the stable ones, the global congruence test, the localisation of the moved points and a
// test of each point. Filled by deformation/, written by reports/.
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "core/results.hpp"

namespace kavron {

// The levels the tests can have (the quantile tables hold them).
constexpr bool supported_alpha(double alpha) {
    return alpha == 0.05 || alpha == 0.01;
}

// One epoch as its results JSON gives it.
struct Epoch {
    std::string name;    // the file, as given
    std::string action;  // UTF-8
    DateTime date{};
    std::string date_text;   // the date as the file gives it, when it is no date and time
    bool m0_tested = false;  // the epoch's m0 was tested (it had redundancy)
    bool m0_failed = false;  // ... and failed its test: a gross error most likely
    double m0 = 0;           // a posteriori (0 when not tested)
    double MOO = 0;          // a-priori unit sd
    int f = 0;               // redundancy
    int distances = 0;       // measured distances
    int n = 0;               // points
    int number[JB] = {};
    int code[JB] = {};
    double xyz[JB][3] = {};         // adjusted [mm]
    double Q[3 * JB][3 * JB] = {};  // MOO² times the adjustment's cofactors [mm²]
    double variance_factor() const { return MOO > 0 ? (m0 / MOO) * (m0 / MOO) : 0; }
};

// A test of a set of points: Ω = dᵀ Q⁺ d over their coordinates, h its degrees of freedom,
// T = Ω / (h s0²) against F(h, f1 + f2; 1 - α).
struct Congruence {
    int removed = 0;  // the point a localisation step took out (0: the initial test)
    double omega = 0;
    int h = 0;
    double statistic = 0, critical = 0;
    bool passed = false;
};

struct Motion {
    int number = 0;
    double d[3] = {};  // displacement x, y, z [mm]
    double length = 0, horizontal = 0;
    double sd[3] = {};  // of x, y, z [mm]
    double sd_length = 0, sd_horizontal = 0;
    double c95[3] = {};                // 95 % confidence semi-axes of the displacement [mm]
    double cxx = 0, cxy = 0, cyy = 0;  // the horizontal block of its covariance s0² Q [mm²]
    double statistic = 0, critical = 0;
    int h = 0;
    bool candidate = false;  // a stable candidate (else an object point)
    bool stable = false;     // in the final datum
    bool moved = false;
};

struct Deformation {
    Epoch e1, e2;
    double alpha = 0.05;
    double s0 = 0;         // pooled, the square root of the variance factor
    int df = 0;            // f1 + f2
    double ellipse95 = 0;  // 2 F(2, f1 + f2; 0.95): a horizontal covariance times it bounds 95 %
    double precision_statistic = 0, precision_critical = 0;
    bool precision_passed = false;
    Congruence global;
    std::vector<Congruence> steps;
    std::vector<int> stable_points, moved_points;
    std::vector<Motion> points;  // the common points, in epoch 1's order
    // The stable set fails its test and no further point can be taken out (two are left): the
    // data cannot tell which of them moved, and no point is declared moved in that datum.
    bool undecided = false;
    // Whether the conclusion stands: no undecided stable set, no epoch whose m0 failed its test.
    bool conclusive() const { return !undecided && !e1.m0_failed && !e2.m0_failed; }
};

}  // namespace kavron
