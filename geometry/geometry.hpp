#pragma once
// The geometry of the network as pure functions of values: which coordinates a point code holds
// fixed, the coefficients of the observation equations, and the error ellipsoid and ellipse of a
// cofactor block. Each expression is evaluated in one fixed order, the one every figure of the
// listing depends on.
#include "core/results.hpp"

namespace kavron::geo {

// The coordinate components a point code holds fixed (by its absolute value: 4 x and y, 5 y and
// z, 6 x and z, 7 all three; any other code none).
struct Fixed {
    bool x = false, y = false, z = false;
    bool any() const { return x || y || z; }
};
Fixed fixed_components(int code);

// One coefficient of an observation equation: the point it belongs to (0 the station, 1 the
// first target, 2 the second target), the axis (0 x, 1 y, 2 z) and its value. A row's
// coefficients are listed in the order they are assigned: when two of the points are one, the
// later assignment stands.
struct Coefficient {
    int point;
    int axis;
    double value;
};
struct Row {
    Coefficient c[6];
    int n = 0;
};

// The angle at the station between the first target J and the second target K [cc per mm], from
// the coordinate differences station to J and station to K and their squared horizontal lengths
// sJ = dxJ² + dyJ², sK = dxK² + dyK².
Row angle_row(double dxJ, double dyJ, double dxK, double dyK, double sJ, double sK);
// A zenith angle from the station to the target [cc per mm]: differences dx, dy, dz, horizontal
// length h and squared slope length s2 (each caller sums s2 in its own order).
Row zenith_row(double dx, double dy, double dz, double h, double s2);
// A slope distance (dimensionless): differences and the length s; without z the horizontal one.
Row distance_row(double dx, double dy, double dz, double s, bool with_z);

// One sweep of three plane rotations that turns a 3x3 cofactor block (x, y, z) towards its
// principal axes: the angle of each step in gon (about z, about x, about y) and the block it
// leaves.
struct Rotated {
    double alfa, beta, omeg;
    double block[3][3];
};
Rotated rotate_to_axes(const double block[3][3]);

// The error ellipsoid of a point from its cofactor block, with the unit standard deviation MO.
Ellipsoid ellipsoid_of(const double block[3][3], double MO);

}  // namespace kavron::geo
