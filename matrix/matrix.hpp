#pragma once
// The elementary routines over a used block of the stages' matrices (column-major, indexed from
// 1, with their declared extents), inversion, plane rotations and the lookup of a point number.
// No routine allocates or keeps state.
#include <cstdint>

#include "core/mat.hpp"

namespace kavron {

class Console;

// C := A + B over the K x L block; A, B, C declared alike; C may be A or B.
void MADADD(MatIn A, MatIn B, MatRef C, int K, int L);
// C := A - B.
void MADSUB(MatIn A, MatIn B, MatRef C, int K, int L);
// C := A × B element by element.
void MADNAS(MatIn A, MatIn B, MatRef C, int K, int L);
// C := A·B; A holds M x L, B holds L x N, C receives M x N. C must differ from A and B.
void MADMUL(MatIn A, MatIn B, MatRef C, int M, int L, int N);
// B := transpose of the K x L block of A (B receives L x K). B must differ from A.
void MADTRN(MatIn A, MatRef B, int K, int L);
// Every element of the K x L block := D.
void MADVAL(MatRef A, int K, int L, double D);
// T := trace of the K x K block.
void MADTRE(MatIn A, int K, double& T);
// Removes column IC of the K x L block (L decreases); nothing for IC outside 1..L.
void MADRED(MatRef A, int K, std::int16_t& L, int IC);
// Inserts a zero column at IC (L increases); nothing for IC < 1.
void MADEXT(MatRef A, int K, std::int16_t& L, int IC);
// B := inverse of the K x K block of A; 0 on success, 1 when a pivot was zero.
int MADINV(MatIn A, MatRef B, int K);
// ROT := the rotation by OMEG [rad] in the plane perpendicular to axis OSA (1, 2 or 3).
void MADROT(MatRef ROT, double OMEG, int OSA);

// Position of the point number ICB among IN(1..IB) (IN indexed from 1); 0 on success, 1 with a
// console message when it is missing.
int CBODU(const std::int16_t* IN, int IB, int ICB, std::int16_t& I, Console& con);

}  // namespace kavron
