#pragma once
// Constants that the adjustment, the results and the input share. Several are 4-byte reals carried
// in 8 bytes: they are written here as those doubles, so that every figure comes out the same.
// The legacy program declared them (and the header's a-priori deviations UU, UD, UZ, MOO) as
// 4-byte reals and computed with them in 8 bytes; a figure near a rounding boundary of the
// listing prints one way with 3.1415927410125732 and the other with the double nearest pi, and
// course material quotes the listing. So the 4-byte values stay, and the header's values are read
// as floats (job.hpp).

namespace kavron {

// Capacities of a job.
constexpr int JB = 7;   // points
constexpr int JR = 62;  // measured quantities
constexpr int JM = 56;  // observation equations
constexpr int JN = 60;  // unknowns
constexpr int JP = 60;  // condition rows
constexpr int JD = 50;  // distances

// What the capacities allow, and what the working matrices are sized by: three unknowns a point,
// and the condition rows of a datum (at most three a point, or the five Helmert rows, which start
// the count anew, and then three a point). JN and JP are the legacy's declared extents; only the
// check NP > JP still uses one.
constexpr int kUnknowns = 3 * JB;        // 21
constexpr int kConditions = 3 * JB + 5;  // 26

constexpr double RO = 636619.772367;         // cc per radian
constexpr double RK = 4000000.0;             // full circle in cc
constexpr double kPi4 = 3.1415927410125732;  // pi as a 4-byte real
constexpr double kGon4 = 63.66197967529297;  // gon per radian (200/pi) as a 4-byte real
constexpr double kOneThousandth4 = 0.0010000000474974513;  // 0.001 as a 4-byte real

// The weight floor: a weight below it counts as 1; residuals at or below it stay out of the
// accuracy sums. Both are the same 4-byte 0.001.
constexpr double kMinWeight = kOneThousandth4;
constexpr double kResidualFloor = kOneThousandth4;

}  // namespace kavron
