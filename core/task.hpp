#pragma once
// Everything one adjustment job holds for the whole run, with fixed capacities. Arrays are indexed
// from 1, as the job numbers its points, measurements and unknowns; element 0 is unused.
// Units: coordinates, distances and their corrections in mm; directions, angles and their
// residuals in cc (centesimal seconds, 4 000 000 to the circle).
// Measurement index g: directions 1..IS, zenith angles IS+1..ISZ, distances ISZ+1..NR.
// Equation index: angles first, then distances, then zenith angles (1..NM).
// Unknown index: three per point in point-list order, 3i-2, 3i-1, 3i = dx, dy, dz of point i.
#include <cstdint>
#include <string>

#include "core/constants.hpp"
#include "core/mat.hpp"

namespace kavron {

using i16 = std::int16_t;

struct Task {
    // ---- Files and clock ----
    std::string ADRESC;               // diagnostics file name, 26 characters, blank padded
    std::string ADRESA;               // output listing name, 26 characters
    std::string ADRESB;               // input file name, 26 characters
    i16 IYR = 0, IMON = 0, IDAY = 0;  // date of the run: year (4 digits), month 1-12, day 1-31
    i16 IHR = 0, IMIN = 0, ISEC = 0;  // time of the run: hour 0-23, minute, second

    // ---- Run data ----
    // The four a-priori deviations are 4-byte reals, read and compared as the legacy program did
    // (constants.hpp says why); every computation takes them into 8 bytes.
    std::string ZAH;  // action line, 80 characters, blank padded (input bytes as read)
    float UU = 0;     // a-priori sd of a direction [cc]
    float UD = 0;     // a-priori sd of a distance [mm]
    float UZ = 0;     // a-priori sd of a zenith angle [cc]
    float MOO = 0;    // a-priori unit sd (below 0.01 replaced by 1)
    double MCH = 0;   // sd of the approximate coordinates [mm]; only the results use it
    double MO = 0;    // unit sd in use: MOO until the results fix it
    i16 NS = 0;       // input lines read so far (first reads), named by the input error

    // ---- Points, 1..IB ----
    i16 IB = 0;              // number of points (at most JB)
    i16 IN[JB + 1] = {};     // point numbers
    double XO[JB + 1] = {};  // x [mm]: approximate, then corrected pass by pass
    double YO[JB + 1] = {};  // y [mm]
    double ZO[JB + 1] = {};  // z [mm]
    i16 KOD1[JB + 1] = {};   // point codes (the absolute value picks the datum role)
    i16 NN = 0;              // unknowns: 3*IB, fewer while fixed components are removed
    double RC = 0;           // Helmert scale divisor: sum of |x|+|y| over the points / (3*IB)

    // ---- Measurements, by measurement index g = 1..NR ----
    i16 IS = 0;               // number of directions
    i16 IZ = 0;               // number of zenith angles
    i16 ID = 0;               // number of distances (at most JD)
    i16 NR = 0;               // number of measurements, IS+IZ+ID (at most JR)
    i16 ISZ = 0;              // IS+IZ
    i16 INS[JR + 2] = {};     // station number of measurement g (one spare: messages name g+1)
    i16 INC[JR + 2] = {};     // target number of measurement g
    double SMO[JR + 1] = {};  // directions [cc], 1..IS
    double ZMO[JR + 1] = {};  // zenith angles [cc], 1..IZ
    double DO[JD + 1] = {};   // distances [mm], 1..ID
    Mat<1, JR> PPP;           // weight of measurement g (a weight below 0.001 counts as 1)

    // ---- Adjustment (used sizes: NM equations, NR measurements, NN unknowns, NP conditions) ----
    i16 IIT = 0;                 // pass counter, 1 in the first pass
    i16 ITER = 0;                // solved passes
    i16 IIK = 0;                 // divergence counter; more than 5 ends the run
    i16 IX = 0;                  // equations whose misclosure is stored
    i16 IXX = 0;                 // equations whose design-matrix row is stored
    i16 IXD = 0;                 // rows of D written; must equal NM
    i16 NM = 0;                  // observation equations (at most JM)
    i16 IST = 0;                 // direction sets (runs of directions from one station)
    i16 NP = 0;                  // datum condition rows (at most kConditions)
    i16 NNKK = 0;                // 3*IB, the number of unknowns before the reduction
    i16 I1 = 0, J1 = 0, K1 = 0;  // list positions of the last looked-up points
    double HTH = 0;              // sum of the squared corrections of this pass [mm^2]
    double HTC = 0;              // the same of the previous pass
    Mat<JR, JR> PP;              // weights of the measurements on the diagonal (g, g)
    Mat<JR, JR> PI;              // PP inverse: cofactors of the measurements
    Mat<JM, kUnknowns> A;        // design matrix, fixed components' columns removed
    Mat<JM, 1> L;                // misclosures, measured minus computed [cc or mm]
    Mat<JM, 1> AH;               // A*H
    Mat<JM, 1> AHL;              // A*H - L: residuals of the equations
    Mat<JM, JR> D;     // measurements to equations (an angle is a difference of directions)
    Mat<JR, JM> DT;    // D transposed
    Mat<JR, JM> PIDT;  // PI*DT
    Mat<JR, JM> DTQ;   // PIDT*Q: equation residuals to measurement residuals
    Mat<JM, JM> QI;    // cofactors of the equations, D*PIDT
    Mat<JM, JM> Q;     // weights of the equations, QI inverse
    Mat<kConditions, kUnknowns> G;    // datum condition rows
    Mat<kUnknowns, JM> AT;            // A transposed
    Mat<kUnknowns, JM> ATQ;           // AT*Q
    Mat<kUnknowns, JM> MATQ;          // M*ATQ
    Mat<kUnknowns, kUnknowns> N;      // normal matrix ATQ*A
    Mat<kUnknowns, kConditions> GT;   // G transposed
    Mat<kUnknowns, kUnknowns> GTG;    // GT*G
    Mat<kUnknowns, kUnknowns> MI;     // N + GTG
    Mat<kUnknowns, kUnknowns> M;      // MI inverse
    Mat<kUnknowns, kUnknowns> MATQA;  // MATQ*A
    Mat<kUnknowns, kUnknowns>
        R;  // cofactors of the unknowns, M*N*M (after re-insertion 3*IB square)
    Mat<kUnknowns, kUnknowns> RW;  // work copy of R while fixed components are re-inserted
    Mat<kUnknowns, 1> H;           // corrections dx, dy, dz of the pass [mm]
    Mat<kUnknowns, 1> HR;  // accumulated shifts: approximate minus adjusted coordinates [mm]
    Mat<1, kUnknowns> HT;  // H as a row
    Mat<JR, 1> V;          // residuals of the measurements by index g [cc or mm]
    Mat<1, JR> VT;         // p*v by index g
    Mat<1, 1> VVT;         // [pvv], the weighted sum of the squared residuals

    // ---- Results ----
    double QCH = 0;                // MCH^2 / MO^2: the coordinates' variance in cofactor units
    Mat<kUnknowns, kUnknowns> RD;  // working cofactor matrix of the coordinates, 3*IB square
    Mat<1, kUnknowns> F;           // coefficients of one derived quantity in the unknowns
    Mat<1, kUnknowns> FR;          // F*RD
    Mat<kUnknowns, 1> FT;          // F transposed
    Mat<1, 1> FRFT;                // F*RD*FT: the cofactor of the derived quantity
};

}  // namespace kavron
