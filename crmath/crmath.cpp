// Correctly rounded atan2, sine and cosine. Each function first evaluates its value in
// double-double arithmetic (a pair hi + lo of doubles, about 106 bits) with a proven bound on the
// error; when every value within that bound of the result rounds to the same double, that double
// is the correctly rounded result (the rounding test). Otherwise, which happens for about one
// argument in 2^30, the value is evaluated again at 320 and then at 1408 bits (crmath/wide.hpp),
// with the same test. The values are transcendental for every finite
// argument other than the exact cases handled first, so they never lie on a rounding boundary
// and the test decides.
//
// Only exact operations of the C++ library are used (fabs, the comparisons, the IEEE operations
// + - * / with -ffp-contract=off), so the results are the same on every system.
#include "crmath/crmath.hpp"

#include "crmath/wide.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

namespace kavron::crmath {

namespace {

// ---- double-double arithmetic (Dekker, Knuth); needs no fused multiply-add ----

struct DD {
    double hi, lo;
};

#include "crmath/tables.inc"

DD two_sum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// |a| >= |b|.
DD fast_two_sum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

DD split(double a) {
    const double t = 134217729.0 * a;  // 2^27 + 1
    const double hi = t - (t - a);
    return {hi, a - hi};
}

DD two_prod(double a, double b) {
    const double p = a * b;
    const DD x = split(a), y = split(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

DD add(DD a, DD b) {
    DD s = two_sum(a.hi, b.hi);
    const DD t = two_sum(a.lo, b.lo);
    s.lo += t.hi;
    s = fast_two_sum(s.hi, s.lo);
    s.lo += t.lo;
    return fast_two_sum(s.hi, s.lo);
}

// a + b when no cancellation can happen (|a + b| is at least about max(|a|, |b|) / 2): the
// cheaper sum, its relative error below 2^-104.
DD add_apart(DD a, DD b) {
    DD s = two_sum(a.hi, b.hi);
    s.lo += a.lo + b.lo;
    return fast_two_sum(s.hi, s.lo);
}

DD neg(DD a) {
    return {-a.hi, -a.lo};
}

DD mul(DD a, DD b) {
    DD p = two_prod(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return fast_two_sum(p.hi, p.lo);
}

DD mul(DD a, double b) {
    DD p = two_prod(a.hi, b);
    p.lo += a.lo * b;
    return fast_two_sum(p.hi, p.lo);
}

// a / b; relative error below 2^-103.
DD div(DD a, DD b) {
    const double q1 = a.hi / b.hi;
    const DD p = mul(b, q1);
    // a - p: p is within an ulp of a, so the difference of the high parts is exact.
    const double r = ((a.hi - p.hi) - p.lo) + a.lo;
    return fast_two_sum(q1, r / b.hi);
}

// ---- neighbours and the rounding test ----

std::uint64_t bits_of(double d) {
    std::uint64_t u = 0;
    std::memcpy(&u, &d, sizeof u);
    return u;
}

double of_bits(std::uint64_t u) {
    double d = 0;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

// The next double above and below a finite d.
double next_up(double d) {
    if (d == 0.0) {
        return of_bits(1);
    }
    const std::uint64_t u = bits_of(d);
    return of_bits(d > 0 ? u + 1 : u - 1);
}

double next_down(double d) {
    return -next_up(-d);
}

// The double that v = hi + lo (hi > 0) rounds to when every value within err of v rounds to it;
// nothing when the bound reaches a rounding boundary. The boundaries around a candidate c are
// the midpoints to its neighbours; v - c is formed exactly up to an error far below err.
std::optional<double> rounded(DD v, double err) {
    v = fast_two_sum(v.hi, v.lo);
    const double e = err * (1.0 + 0x1p-20);  // covers the rounding of the comparisons
    for (const double c : {v.hi, next_up(v.hi), next_down(v.hi)}) {
        const double off = (v.hi - c) + v.lo;  // v - c; v.hi - c is exact for neighbours
        const double above = (next_up(c) - c) / 2, below = (c - next_down(c)) / 2;
        if (off + e < above && off - e > -below) {
            return c;
        }
    }
    return std::nullopt;
}

// ---- the slow path ----

unsigned long slow_count = 0;

using wide::add;
using wide::div;
using wide::div_small;
using wide::mul;
using wide::mul_small;
using wide::sub;

// pi at 64·N bits by Machin's formula pi = 16 atan(1/5) - 4 atan(1/239), each atan by its
// series; computed when first needed. Error below 2^-(64N-16).
template <int N>
Wide<N> atan_inverse(std::uint64_t k) {
    Wide<N> p = div_small(wide::of_int<N>(1), k);  // 1/k^(2n+1)
    Wide<N> sum = p;
    for (std::uint64_t n = 1; p.magnitude() > -64 * N - 16; ++n) {
        p = div_small(p, k * k);
        const Wide<N> term = div_small(p, 2 * n + 1);
        sum = n % 2 == 1 ? sub(sum, term) : add(sum, term);
    }
    return sum;
}

template <int N>
const Wide<N>& pi() {
    static const Wide<N> value =
        sub(mul_small(atan_inverse<N>(5), 16), mul_small(atan_inverse<N>(239), 4));
    return value;
}

// atan(q) for 0 < q <= 1 by Euler's series: atan q = (q / (1 + q²)) Σ a_n z^n with
// z = q² / (1 + q²) <= 1/2, a_0 = 1, a_n = a_(n-1)·2n / (2n + 1). Error below 2^-(64N-20)
// relative: some 64N + 16 terms of a few truncated operations each.
template <int N>
Wide<N> atan01_wide(const Wide<N>& q) {
    const Wide<N> one = wide::of_int<N>(1);
    const Wide<N> inv = div(one, add(one, mul(q, q)));
    const Wide<N> w = mul(q, inv);
    const Wide<N> z = mul(q, w);
    Wide<N> term = one, sum = one;
    for (std::uint64_t n = 1; term.magnitude() > -64 * N - 16; ++n) {
        term = div_small(mul_small(mul(term, z), 2 * n), 2 * n + 1);
        sum = add(sum, term);
    }
    return mul(w, sum);
}

// sin r (first = 1) or cos r (first = 0) by the series, for |r| below about 1.
template <int N>
Wide<N> series_wide(const Wide<N>& r, int first) {
    const Wide<N> r2 = mul(r, r);
    Wide<N> term = first == 1 ? r : wide::of_int<N>(1);
    Wide<N> sum = term;
    const std::int64_t stop = term.magnitude() - 64 * N - 16;
    for (std::uint64_t n = static_cast<std::uint64_t>(first) + 1; term.magnitude() > stop; n += 2) {
        term = wide::negate(div_small(mul(term, r2), n * (n + 1)));
        sum = add(sum, term);
    }
    return sum;
}

template <int N>
bool positive(const Wide<N>& w) {
    return !w.zero() && !w.neg;
}

// The double nearest to v when every value within 2^err_log2 of v has the same nearest double:
// v - err and v + err lie strictly between the midpoints around it.
template <int N>
std::optional<double> nearest(const Wide<N>& v, std::int64_t err_log2) {
    Wide<N> err = wide::of<N>(1.0);
    err.e += err_log2;
    const Wide<N> below = sub(v, err), above = add(v, err);
    // A first guess from the leading 53 bits (at most an ulp off), then its neighbours.
    double d = 0.0;
    if (!v.zero()) {
        if (v.e > 1025) {
            return std::nullopt;
        }
        const double top = static_cast<double>(v.m[N - 1] >> 11) * 0x1p-53;  // in [0.5, 1)
        d = v.e < -1100 ? 0.0 : std::ldexp(top, static_cast<int>(v.e));
        d = v.neg ? -d : d;
    }
    for (const double c : {d, next_up(d), next_down(d)}) {
        const Wide<N> wc = wide::of<N>(c);
        const Wide<N> lo = div_small(add(wide::of<N>(next_down(c)), wc), 2);
        const Wide<N> hi = div_small(add(wc, wide::of<N>(next_up(c))), 2);
        if (positive(sub(below, lo)) && positive(sub(hi, above))) {
            return c;
        }
    }
    return std::nullopt;
}

enum class Fn { Atan2, Sin, Cos };

// atan2 at 64·N bits for finite non-zero arguments.
template <int N>
Wide<N> atan2_wide(double y, double x) {
    const double ax = std::fabs(x), ay = std::fabs(y);
    const bool swap = ay > ax;
    Wide<N> a = atan01_wide(div(wide::of<N>(swap ? ax : ay), wide::of<N>(swap ? ay : ax)));
    if (swap) {
        Wide<N> half = pi<N>();
        half.e -= 1;
        a = sub(half, a);
    }
    if (x < 0) {
        a = sub(pi<N>(), a);
    }
    return y < 0 ? wide::negate(a) : a;
}

// sin or cos at 64·N bits of a finite x with |x| < 2^(64N - 64): x reduced by the nearest
// multiple k of pi/2, the quadrant from k.
template <int N>
Wide<N> sincos_wide(double x, int quarter) {
    Wide<N> half_pi = pi<N>();
    half_pi.e -= 1;
    const Wide<N> ax = wide::of<N>(std::fabs(x));
    int low = 0;
    const Wide<N> k = wide::round_to_integer(div(ax, half_pi), low);
    const Wide<N> r = sub(ax, mul(k, half_pi));
    const int q = (low + quarter) & 3;
    Wide<N> v = series_wide(r, q % 2 == 0 ? 1 : 0);
    bool negative = q >= 2;
    if (quarter == 0 && x < 0) {
        negative = !negative;
    }
    return negative ? wide::negate(v) : v;
}

// The value at 64·N bits and the rounding test, with a bound on the error: for atan2 relative
// 2^-(64N-40); for sine and cosine 2^-(64N-40) absolute, plus |x|·2^-(64N-16) for the reduction
// of a large argument (the truncation of pi/2 times the multiple of it taken away).
template <int N>
std::optional<double> evaluate(Fn fn, double y, double x) {
    if (fn != Fn::Atan2 && std::fabs(x) >= std::ldexp(1.0, 64 * N - 64)) {
        return std::nullopt;  // the multiple of pi/2 would not fit
    }
    if (fn == Fn::Atan2) {
        const Wide<N> v = atan2_wide<N>(y, x);
        return nearest(v, v.magnitude() - (64 * N - 40));
    }
    const Wide<N> v = sincos_wide<N>(x, fn == Fn::Cos ? 1 : 0);
    const int xe = std::ilogb(x);
    const std::int64_t err = std::max<std::int64_t>(-(64 * N - 40), xe + 1 - (64 * N - 16)) + 1;
    return nearest(v, err);
}

double slow(Fn fn, double y, double x) {
    ++slow_count;
    if (const auto r = evaluate<5>(fn, y, x)) {
        return *r;
    }
    if (const auto r = evaluate<22>(fn, y, x)) {
        return *r;
    }
    // Not reached for any argument tried.
    return evaluate<22>(fn, y, x).value_or(0.0);
}

// ---- atan2 ----

// atan(q) for 0 <= q = qh + ql <= 1 (qh the nearest double of q): atan(c) of the nearest
// c = k/256 from the table, plus atan(t) with t = (q - c) / (1 + q c), |t| <= 2^-9, by its series
// t - t³/3 + t⁵/5 - t⁷/7 + t⁹/9 (the rest is below 2^-93 of t). Relative error below 2^-87:
// the terms beyond t³/3 in double add at most 2^-88, the double-double operations 2^-99.
DD atan01(double qh, double ql) {
    // qh >= 0: adding one half and truncating rounds to the nearest k
    // NOLINTNEXTLINE(bugprone-incorrect-roundings)
    const int k = static_cast<int>(qh * 256.0 + 0.5);
    const double c = k / 256.0;
    DD t{qh, ql};
    if (k != 0) {
        const DD n = two_sum(qh - c, ql);  // qh - c is exact: qh lies within c/2 and 2c
        const DD d = add_apart(add_apart({1.0, 0.0}, two_prod(qh, c)), {ql * c, 0.0});
        t = div(n, d);
    }
    const DD s = mul(t, t);
    const double sh = s.hi;
    const double rest = sh * (0.2 + sh * (-1.0 / 7.0 + sh * (1.0 / 9.0)));
    const DD w = add_apart(kMinusThird, {rest, 0.0});
    const DD at = add_apart(t, mul(mul(t, s), w));
    return add_apart(kAtan[k], at);  // |atan t| <= 2^-9 < atan(c) / 2 when k >= 1
}

// ---- sine and cosine ----

// The series of sine and cosine, from the smallest term up: sin r = r Σ (-1)^m s^m / (2m+1)!
// (first = 1), cos r = Σ (-1)^m s^m / (2m)! (first = 0), s = r², m to 14: for |r| <= pi/4 (a
// little more after the reduction) the rest is below 2^-110, and the double-double operations
// keep the relative error below 2^-98.
DD series(DD s, int first) {
    DD p{0.0, 0.0};
    for (int m = 14; m >= 0; --m) {
        const DD c =
            m % 2 == 0 ? kInverseFactorial[2 * m + first] : neg(kInverseFactorial[2 * m + first]);
        p = add(c, mul(s, p));
    }
    return p;
}

// x reduced to r = x - k·pi/2 with |r| <= pi/4 (about), for 0 <= x <= 2^20. pi/2 comes in four
// parts; k times each of the first two is exact, so the reduction's error is below
// 2^-103 |r| + 2^-135.
DD reduce(double x, int& k) {
    constexpr double kRound = 0x1.8p52;
    const double kd = (x * kTwoOverPi + kRound) - kRound;
    k = static_cast<int>(kd);
    DD r = two_sum(x - kd * kPi2Part[0], -(kd * kPi2Part[1]));
    r = add(r, neg(two_prod(kd, kPi2Part[2])));
    return add(r, {-(kd * kPi2Part[3]), 0.0});
}

// sin(x) (cosine: quarter = 1) for 2^-27 <= |x| <= 2^20, or nothing when the rounding test
// cannot decide.
std::optional<double> fast_sincos(double x, int quarter) {
    int k = 0;
    const DD r = reduce(std::fabs(x), k);
    const int q = (k + quarter) & 3;
    const DD s = mul(r, r);
    DD v = q % 2 == 0 ? mul(r, series(s, 1)) : series(s, 0);
    bool negative = q >= 2;
    if (quarter == 0 && x < 0) {
        negative = !negative;
    }
    if (v.hi < 0) {
        v = neg(v);
        negative = !negative;
    }
    const auto res = rounded(v, v.hi * 0x1p-95 + 0x1p-133);
    if (!res) {
        return std::nullopt;
    }
    return negative ? -*res : *res;
}

}  // namespace

double atan2(double y, double x) {
    if (std::isnan(x) || std::isnan(y)) {
        return x + y;
    }
    const bool negative = std::signbit(y);
    const double sign = negative ? -1.0 : 1.0;
    if (y == 0.0) {
        return std::signbit(x) ? sign * kPi.hi : y;  // ±0 or ±pi
    }
    if (std::isinf(y)) {
        return sign * (std::isinf(x) ? (x > 0 ? kPi4.hi : k3Pi4.hi) : kPi2.hi);
    }
    if (x == 0.0) {
        return sign * kPi2.hi;
    }
    if (std::isinf(x)) {
        return x > 0 ? sign * 0.0 : sign * kPi.hi;
    }
    const double ax = std::fabs(x), ay = std::fabs(y);
    const bool swap = ay > ax;
    double num = swap ? ax : ay, den = swap ? ay : ax;
    if (den > 0x1p500 || den < 0x1p-400) {
        // Scaled by a power of two (exactly, or num underflows and goes to the slow path below)
        // so that the products of the double-double arithmetic neither overflow nor underflow.
        const int e = static_cast<int>((bits_of(den) >> 52) & 0x7FF) - 1023;  // den is normal
        const int shift = e > 0 ? -e : std::min(-e, 1000);
        const double scale = of_bits(static_cast<std::uint64_t>(1023 + shift / 2) << 52);
        const double rest = of_bits(static_cast<std::uint64_t>(1023 + shift - shift / 2) << 52);
        den = den * scale * rest;
        num = num * scale * rest;
    }
    if (num < den * 0x1p-500) {  // a result far below 1: only the slow path rounds it
        return slow(Fn::Atan2, y, x);
    }
    const double qh = num / den;
    const DD p = two_prod(qh, den);
    const double ql = ((num - p.hi) - p.lo) / den;
    const DD q = fast_two_sum(qh, ql);
    DD at = atan01(q.hi, q.lo);
    if (swap) {
        at = add_apart(kPi2, neg(at));  // at <= pi/4
    }
    if (x < 0) {
        at = add_apart(kPi, neg(at));  // at <= pi/2
    }
    // Every result is at least atan(q) or pi/4, so the relative bound of atan01 holds for it.
    if (const auto r = rounded(at, at.hi * 0x1p-85)) {
        return sign * *r;
    }
    return slow(Fn::Atan2, y, x);
}

double sin(double x) {
    if (!std::isfinite(x)) {
        return x - x;  // NaN
    }
    if (std::fabs(x) < 0x1p-26) {
        return x;  // sin x = x - x³/6: within a quarter of an ulp of x
    }
    if (std::fabs(x) <= 0x1p20) {
        if (const auto r = fast_sincos(x, 0)) {
            return *r;
        }
    }
    return slow(Fn::Sin, 0.0, x);
}

double cos(double x) {
    if (!std::isfinite(x)) {
        return x - x;
    }
    if (std::fabs(x) < 0x1p-27) {
        return 1.0;  // cos x = 1 - x²/2: above the midpoint 1 - 2^-54
    }
    if (std::fabs(x) <= 0x1p20) {
        if (const auto r = fast_sincos(x, 1)) {
            return *r;
        }
    }
    return slow(Fn::Cos, 0.0, x);
}

namespace detail {

double slow_atan2(double y, double x) {
    return slow(Fn::Atan2, y, x);
}
double slow_sin(double x) {
    return slow(Fn::Sin, 0.0, x);
}
double slow_cos(double x) {
    return slow(Fn::Cos, 0.0, x);
}
unsigned long slow_calls() {
    return slow_count;
}

}  // namespace detail

}  // namespace kavron::crmath
