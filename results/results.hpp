#pragma once
#include "driver/run.hpp"

namespace kavron {

// Statistics, residual tables, adjusted coordinates and error ellipsoids.
Flow results(Run& r);
// The error ellipsoid of a point from its 3x3 cofactor block (x, y, z), with the unit standard
// deviation in use: one sweep of three rotations, as the listing prints it.
Ellipsoid ellipsoid_of(Run& r, const double block[3][3]);
// One rotation step of the error ellipsoid on MX in the plane (p, q) about axis OSA; returns the
// angle in gon.
double ellipsoid_angle(Run& r, int OSA, int p, int q);

// The derived quantities between the points at list positions Ki, Kj (and Kk), each with its
// standard deviation written as a row to the listing; false when the quantity is rejected.
bool derived_distance(Run& r, int Ki, int Kj, bool horizontal);
void derived_height(Run& r, int Ki, int Kj);
bool derived_angle(Run& r, int Kj, int Ki, int Kk);
bool derived_zenith(Run& r, int Ki, int Kj);

// The dialog of derived quantities.
Flow dialog(Run& r);

}  // namespace kavron
