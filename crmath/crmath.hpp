#pragma once
// atan2, sine and cosine of the program's own, correctly rounded: each returns the exact value
// rounded once to the nearest double (ties to even) for every finite argument, and the special
// values of C's Annex F. The result is therefore the same double on every system, whatever its
// C library. Every computation whose figure is printed or reported uses these.
namespace kavron::crmath {

double atan2(double y, double x);
double sin(double x);
double cos(double x);

namespace detail {

// The slow path alone (high precision with a proven rounding decision), for the tests.
double slow_atan2(double y, double x);
double slow_sin(double x);
double slow_cos(double x);
// How many calls took the slow path since the start (for the tests and the benchmark).
unsigned long slow_calls();

}  // namespace detail

}  // namespace kavron::crmath
