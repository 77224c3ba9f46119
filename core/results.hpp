#pragma once
// The results value: everything the run's writers (the listing's result sections, the JSON, the
// drawing) need, filled by the steps of the run as they compute it and never changed by a later
// step; and the run's outcome, how it ended. Each part names the step that fills it; a part whose
// step has not run keeps its initial value (`adjusted` and `has_*` tell). Units as in the listing:
// mm for coordinates, distances and their deviations, cc for directions and angles, gon for the
// ellipsoid angles.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/constants.hpp"
#include "core/endings.hpp"
#include "core/job.hpp"
#include "core/solution.hpp"

namespace kavron {

struct DateTime {
    int year, month, day, hour, minute, second;
};

// An error ellipsoid: semi-axes [mm] and the angles [gon] as the listing's columns name them.
struct Ellipsoid {
    double a = 0, b = 0, c = 0;
    double alfa = 0, beta = 0, gama = 0;
};

// One measurement as read (input), with its residual once adjusted (results).
struct Observation {
    Kind kind = Kind::Direction;
    int station = 0, target = 0;
    double value = 0;     // cc or mm
    double weight = 0;    // after the rule that a weight below 0.001 counts as 1
    double residual = 0;  // v [cc or mm], once adjusted
};

// One point: as read (input) and as adjusted (results).
struct Point {
    int number = 0;
    int code = 0;
    double approx[3] = {};  // x, y, z as read
    double adjusted[3] = {};
    double shift[3] = {};  // approximate minus adjusted
    Ellipsoid ellipsoid;
    // The symmetry check of the cofactor block failed for the pairs xy, xz, yz.
    bool asymmetric[3] = {};
};

// The [pv] and the standard deviation of a group of residuals, when the listing prints them.
struct Summary {
    bool shown = false;
    double pv = 0, sd = 0;
};

// The reliability of one measurement (the analysis, when a report asks for it).
struct Reliable {
    double qvv = 0;           // cofactor of the residual
    double r = 0;             // redundancy number p·qvv, 0..1
    bool controlled = false;  // r >= 0.001: a gross error would show in the residual
    double sd_v = 0;          // sd of the residual, m0 a priori · √qvv
    double w = 0;             // normalized residual v / sd_v
    bool has_tau = false;     // m0 failed its test: the studentized residual is used
    double tau = 0;           // v / (m0 √qvv)
    bool outlier = false;     // the test of w (or of tau) rejects the measurement
    double mdb = 0;           // minimal detectable bias, the measurement's unit
    double mdb_effect = 0;    // the largest 3-D shift of a point it would cause [mm]
    int mdb_point = 0;        // that point's number
    double v_over_r = 0;      // v / r: what the others predict minus the value, about
    bool has_m0_without = false;
    double m0_without = 0;  // m0 of the adjustment without the measurement
};

// The variance component of a kind of measurement: how precise its measurements are against
// their weights, σ̂/σ = √(Σ v²/σ² / Σ r) over the controlled ones (σ the a-priori sd of a
// measurement, m0 a priori / √p); and the same iterated: the kind's weights divided by its
// ratio squared and the job adjusted again, until every ratio is 1.
struct VarianceComponent {
    Kind kind = Kind::Direction;
    int count = 0;          // the controlled measurements of the kind
    double redundancy = 0;  // their Σr
    double ratio = 0;
    bool has_interval = false;  // Σr of at least 0.5
    double low = 0, high = 0;   // the 95 % interval of the ratio (χ² with Σr degrees of freedom)
    bool passed = false;        // the ratio within it
    // The iterated estimate: settled (every ratio 1 within 1e-4), run to zero, or not settled
    // in 50 rounds (or the adjustment ended otherwise).
    enum Settle { Settled, Zero, NotSettled } settle = NotSettled;
    double iterated_ratio = 0;  // the product of the rounds' ratios
    double weight_factor = 0;   // 1 / iterated_ratio²: what the kind's weights are multiplied by
};

// A step of the iterated data snooping: the suspect of the adjustment so far, left out, and the
// job adjusted again without it.
struct SnoopStep {
    int index = 0;  // the measurement left out, in the observations as read
    double w = 0;   // its normalized residual (studentized, `tau`, when m0 was too large)
    bool tau = false;
    std::vector<int> tied;  // measurements the data cannot tell from it (the step names them)
    bool adjusted = false;  // the job without it could be adjusted
    bool has_m0_after = false;
    double m0_after = 0;
    bool m0_passed_after = false;  // the χ² test of m0 after leaving it out
    bool passed_after = false;     // no measurement exceeds its critical value then
};

// Why the snooping ended.
enum class SnoopEnd {
    None,            // it did not run (no suspect)
    Passed,          // no measurement exceeds its critical value any more
    Tied,            // the suspect is tied with others: which one is wrong the data cannot tell
    Redundancy,      // leaving one more out would leave the network without redundancy
    CannotLeaveOut,  // the job without the suspect cannot be adjusted
    Steps,           // five steps
};

struct Reliability {
    bool computed = false;
    double alpha = 0, power = 0, delta0 = 0;
    double critical_w = 0;  // two-sided normal quantile at alpha
    bool has_critical_tau = false;
    double critical_tau = 0;  // Pope's, at alpha with the redundancy
    double sum_r = 0;         // Σr: the redundancy, counted measurement by measurement
    double max_w = 0;         // the largest |w| of a controlled measurement
    int max_index = 0;        // its measurement index (0: none)
    bool has_chi2 = false;
    double chi2_low = 0, chi2_high = 0;  // 95 % interval of m0 / m0 a priori
    bool chi2_passed = false;
    // The verdict on m0 that the report gives and the tests follow: too large (the studentized
    // residuals are tested) or too small for the a-priori accuracy, by the chi-squared interval.
    bool m0_large = false, m0_small = false;
    int controlled = 0;  // how many measurements are controlled
    // The measurements that the data cannot tell from the one with the largest |w| (equal |w|,
    // or a residual fully correlated with its): their indices, that one first; 0 when alone.
    int tied_count = 0;
    int tied[JR] = {};
    Reliable of[JR + 1];  // by measurement index
    // The variance components of the kinds present, and the iterated data snooping (when a
    // report asks for the analysis).
    std::vector<VarianceComponent> components;
    std::vector<SnoopStep> snooping;
    SnoopEnd snoop_end = SnoopEnd::None;
};

// A derived quantity accepted in the dialog (the dialog, in the order of its rows).
enum class Derived { SpatialDistance, HorizontalDistance, HeightDifference, Angle, ZenithAngle };
struct DerivedQuantity {
    Derived kind;
    int points[3];  // point numbers: i, j; for an angle j (left), i (vertex), k (right)
    double value;   // mm or cc
    double sd;      // its standard deviation, same unit
};

struct Results {
    // ---- The job (driver and input) ----
    DateTime date{};
    std::string action;  // the action line as read, 80 bytes
    float UU = 0, UD = 0, UZ = 0, MOO = 0;
    double MCH = 0;
    int equations = 0;  // observation equations, once the first pass has formed them
    int points_read = 0;
    Point points[JB + 1];  // 1..points_read
    int observations_read = 0;
    Observation observations[JR + 1];  // measurement index 1..observations_read
    int directions = 0, zeniths = 0, distances = 0;

    // ---- The adjustment and its statistics (results) ----
    bool adjusted = false;
    int passes = 0;
    int redundancy = 0;
    double pvv = 0;           // [pvv]
    bool m0_tested = false;   // the redundancy is at least 1
    double m0 = 0;            // a posteriori, when tested
    bool m0_warning = false;  // the listing warns that the measurements do not fit
    double MO = 0;            // the unit standard deviation in use from here on
    // Direction sets: the summary printed after direction g (0 where none).
    Summary set_after[JR + 1];
    Summary all_directions, zenith_summary, distance_summary;
    // MO² (R + QCH) over the 3·points_read unknowns [mm²]: x, y, z of point 1, then point 2, ...
    double covariance[3 * JB][3 * JB] = {};
    double MXY = 0;  // mean coordinate standard deviation [mm]

    // ---- The reliability analysis (results, when a report asks for it) ----
    Reliability reliability;
    std::vector<Warning> warnings;  // input
    int misclosures = 0;            // the adjustment's first pass
    Misclosure first_pass[JM + 1];  // 1..misclosures

    // ---- The dialog ----
    std::vector<DerivedQuantity> derived;
};

// How a run ended, beside its results: written by the driver as it writes the ending (and again
// by a failed write or an interruption after it), read by the reports.
struct Outcome {
    Ending ending = Ending::Normal;
    std::string text;    // UTF-8: what the ending said on the console, line by line
    std::string note;    // UTF-8: what the ending said elsewhere than on the console
    int input_line = 0;  // an input error: the line of the file where the failing read stood
    int status = 0;      // the run's exit status
    std::string diagnostics_name;  // the diagnostics file name as far as the dialog took it
};

}  // namespace kavron
