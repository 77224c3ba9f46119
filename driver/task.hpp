#pragma once
// Everything one adjustment job holds for the whole run, with fixed capacities. Arrays are indexed
// from 1, as the job numbers its points, measurements and unknowns.
#include <cstdint>
#include <string>

#include "subruth/matrix.hpp"

namespace kavron {

using i16 = std::int16_t;

constexpr int JB = 7;   // points
constexpr int JR = 62;  // measured quantities
constexpr int JM = 56;  // observation equations
constexpr int JN = 60;  // unknowns
constexpr int JP = 60;  // condition rows
constexpr int JD = 50;  // distances

struct Task {
    // Files named in the dialog (26 characters each, blank padded).
    std::string ADRESC, ADRESA, ADRESB;
    i16 IYR = 0, IMON = 0, IDAY = 0, IHR = 0, IMIN = 0, ISEC = 0;

    // Run data.
    std::string ZAH;
    float UU = 0, UD = 0, UZ = 0, MOO = 0;
    double MCH = 0;
    double MO = 0;
    i16 NS = 0;

    // Points.
    i16 IB = 0;
    i16 IN[JB + 1] = {};
    double XO[JB + 1] = {}, YO[JB + 1] = {}, ZO[JB + 1] = {};
    i16 KOD1[JB + 1] = {};
    i16 NN = 0;
    double RC = 0;

    // Measurements: directions 1..IS, zenith angles IS+1..ISZ, distances ISZ+1..NR.
    i16 IS = 0, IZ = 0, ID = 0, NR = 0, ISZ = 0, ISN1 = 0, IZN1 = 0;
    i16 INS[JR + 2] = {}, INC[JR + 2] = {};  // one spare: messages name the next record's target
    double SMO[JR + 1] = {}, ZMO[JR + 1] = {}, DO[JD + 1] = {};
    i16 CS[JR + 1] = {}, CC[JR + 1] = {};
    double SO[JR + 1] = {}, ZZ[JR + 1] = {};
    Mat<1, JR> PPP;  // weights

    // Adjustment.
    i16 IIT = 0, ITER = 0, IIK = 0;
    i16 IX = 0, IXX = 0, IXD = 0, NM = 0, IST = 0, NP = 0, NNKK = 0;
    i16 I1 = 0, J1 = 0, K1 = 0;  // list positions of the last looked-up points
    double HTH = 0, HTC = 0;
    Mat<JR, JR> PP, PI;
    Mat<JM, JN> A;
    Mat<JM, 1> L, AH, AHL;
    Mat<JM, JR> D;
    Mat<JR, JM> DT, PIDT, DTQ;
    Mat<JM, JM> QI, Q;
    Mat<JP, JN> G;
    Mat<JN, JM> AT, ATQ, MATQ;
    Mat<JN, JN> N, GT, GTG, MI, M, MATQA, R, RW;
    Mat<JN, 1> H, HR;
    Mat<1, JN> HT;
    Mat<JR, 1> V;
    Mat<1, JR> VT;
    Mat<1, 1> VVT;

    // Results.
    double QCH = 0;
    Mat<66, 66> RD;
    Mat<1, 66> F, FR;
    Mat<66, 1> FT;
    Mat<3, 3> MX, ROT, ROTT, MXR;
};

}  // namespace kavron
