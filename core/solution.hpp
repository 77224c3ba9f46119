#pragma once
// The solution: what the adjustment of a job gives, filled by the adjustment stage and only read
// after it. Equation index e: angles first, then distances, then zenith angles (1..NM). Unknown
// index: three per point in point-list order, 3i-2, 3i-1, 3i = dx, dy, dz of point i (1..NN).
#include "core/job.hpp"

namespace kavron {

// A misclosure of the first pass (measured minus computed from the approximate coordinates),
// kept for the report of a run that does not converge: the kind, its points (station and
// target; for an angle the left target, the station and the right target), the misclosure [cc
// or mm] and its a-priori standard deviation.
struct Misclosure {
    Kind kind = Kind::Direction;  // Direction: the angle between two directions of a set
    int points[3] = {};
    double value = 0, sd = 0;
};

struct Solution {
    // ---- Coordinates [mm] ----
    // Approximate at the start, then corrected pass by pass. Only points of code 0 or 1 move
    // between passes; the others keep their input coordinates and take H once, in the results
    // (adjustment.cpp says why).
    double XO[JB + 1] = {};
    double YO[JB + 1] = {};
    double ZO[JB + 1] = {};

    // ---- Counts ----
    i16 NM = 0;      // observation equations (at most JM), once the first pass formed them
    i16 NN = 0;      // unknowns: 3*IB, fewer while fixed components are removed
    i16 NNKK = 0;    // 3*IB, the number of unknowns before the reduction
    i16 NP = 0;      // datum condition rows (at most kConditions)
    i16 IST = 0;     // direction sets (runs of directions from one station)
    i16 IIT = 0;     // pass counter, 1 in the first pass
    i16 ITER = 0;    // solved passes
    i16 IIK = 0;     // divergence counter; more than 5 ends the run
    double HTH = 0;  // sum of the squared corrections of this pass [mm^2]
    double HTC = 0;  // the same of the previous pass

    // ---- The last pass ----
    Mat<kUnknowns, 1> H;          // corrections dx, dy, dz of the pass [mm]
    Mat<kUnknowns, 1> HR;         // accumulated shifts: approximate minus current [mm]
    Mat<kUnknowns, kUnknowns> R;  // cofactors of the unknowns, M*N*M, 3*IB square
    Mat<JR, 1> V;                 // residuals of the measurements by index g [cc or mm]
    Mat<1, 1> VVT;                // [pvv], the weighted sum of the squared residuals
    // The estimator of the last pass, which the reliability analysis reads.
    Mat<JM, kUnknowns> A;     // design matrix, fixed components' columns removed
    Mat<JM, JR> D;            // measurements to equations (an angle is a difference of directions)
    Mat<JM, JM> QI;           // cofactors of the equations
    Mat<JR, JM> DTQ;          // equation residuals to measurement residuals
    Mat<kUnknowns, JM> MATQ;  // equation misclosures to corrections

    // ---- The first pass's misclosures ----
    int misclosures = 0;  // 1..misclosures, at most JM
    Misclosure first_pass[JM + 1];
};

}  // namespace kavron
