#pragma once
// What a run gathers for the reports beside the listing (--json, --svg): the input coordinates,
// the figures of the results as the listing computes them, every derived quantity accepted in
// the dialog, and how the run ended. Gathering it changes nothing the run writes.
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "driver/task.hpp"

namespace kavron {

struct DerivedQuantity {
    std::string_view kind;    // "spatial_distance", "horizontal_distance", "height_difference",
                              // "angle", "zenith_angle"
    std::vector<int> points;  // point numbers: i, j; for an angle j (left), i (vertex), k (right)
    double value;             // mm or cc, as in the listing
    double sd;                // its standard deviation, same unit
};

struct Ellipsoid {
    double a = 0, b = 0, c = 0;           // semi-axes [mm]
    double alfa = 0, beta = 0, gama = 0;  // angles [gon] as the listing's columns name them
};

struct Report {
    // Input: the approximate coordinates of the points read so far (1..IB).
    double X0[JB + 1] = {}, Y0[JB + 1] = {}, Z0[JB + 1] = {};

    // Results, once the adjustment has converged.
    bool adjusted = false;
    int redundancy = 0;
    double m0 = 0;           // a posteriori, when the redundancy is at least 1
    bool m0_tested = false;  // the test runs when the redundancy is at least 1
    bool m0_passed = false;  // no warning in the listing
    Ellipsoid ellipsoid[JB + 1];
    // MO^2 * (R + QCH) over the 3*IB unknowns: the covariance the ellipsoids are computed from
    // [mm^2], rows and columns x, y, z of point 1, then of point 2, ...
    double covariance[3 * JB][3 * JB] = {};

    std::vector<DerivedQuantity> derived;

    // The ending: a short name ("normal" for the end after the dialog) and where its console
    // text begins in the console transcript.
    std::string_view ending = "normal";
    std::size_t ending_from = 0;
};

struct Run;

// The horizontal standard error ellipse of a point from the x, y block of its covariance [mm^2]:
// the semi-axes [mm] and the bearing of the major axis [gon, 0 to 200, clockwise from +x].
struct PlanEllipse {
    double a, b, bearing;
};
PlanEllipse horizontal_ellipse(double cxx, double cxy, double cyy);

// The action line of the input as UTF-8: its bytes when they are valid UTF-8, else taken as code
// page 1250; trailing blanks dropped.
std::string action_text(std::string bytes);

// The results as one JSON document (UTF-8).
void write_json(std::FILE* f, const Run& r, int status, const std::string& console);
// A plan drawing of the network (SVG, UTF-8).
void write_svg(std::FILE* f, const Run& r);

}  // namespace kavron
