// atan2, sine and cosine against MPFR, bit for bit: special values, published hard-to-round
// arguments, the program's own domains and the whole range of doubles. The number of drawn
// arguments is KAVRON_CRMATH_ARGUMENTS (200 000 by default; CI's heavier part draws ten
// million), their sequence the same as tests/numbers-hash.cpp draws on every system.
#include <mpfr.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "crmath/arguments.hpp"
#include "crmath/crmath.hpp"

namespace kavron {
namespace {

using test::Fn;

// The correctly rounded double of f, by MPFR at 53 bits with the exponent range of doubles.
class Mpfr {
public:
    Mpfr() {
        mpfr_set_emin(-1073);
        mpfr_set_emax(1024);
        mpfr_inits2(53, a_, b_, r_, static_cast<mpfr_ptr>(nullptr));
    }
    ~Mpfr() {
        mpfr_clears(a_, b_, r_, static_cast<mpfr_ptr>(nullptr));
        mpfr_set_emin(mpfr_get_emin_min());
        mpfr_set_emax(mpfr_get_emax_max());
    }
    Mpfr(const Mpfr&) = delete;
    Mpfr& operator=(const Mpfr&) = delete;
    double operator()(Fn fn, double y, double x) {
        mpfr_set_d(a_, y, MPFR_RNDN);
        mpfr_set_d(b_, x, MPFR_RNDN);
        int t = 0;
        switch (fn) {
            case Fn::Atan2:
                t = mpfr_atan2(r_, a_, b_, MPFR_RNDN);
                break;
            case Fn::Sin:
                t = mpfr_sin(r_, b_, MPFR_RNDN);
                break;
            case Fn::Cos:
                t = mpfr_cos(r_, b_, MPFR_RNDN);
                break;
        }
        mpfr_subnormalize(r_, t, MPFR_RNDN);
        return mpfr_get_d(r_, MPFR_RNDN);
    }

private:
    mpfr_t a_, b_, r_;
};

double ours(Fn fn, double y, double x) {
    return fn == Fn::Atan2 ? crmath::atan2(y, x) : fn == Fn::Sin ? crmath::sin(x) : crmath::cos(x);
}

bool same(double a, double b) {
    std::uint64_t u = 0, v = 0;
    std::memcpy(&u, &a, sizeof u);
    std::memcpy(&v, &b, sizeof v);
    return u == v || (std::isnan(a) && std::isnan(b));
}

const char* name(Fn fn) {
    return fn == Fn::Atan2 ? "atan2" : fn == Fn::Sin ? "sin" : "cos";
}

TEST(CorrectRounding, SpecialValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double pi = 0x1.921fb54442d18p+1, pi2 = 0x1.921fb54442d18p+0;
    const double pi4 = 0x1.921fb54442d18p-1, pi34 = 0x1.2d97c7f3321d2p+1;
    const struct {
        double y, x, r;
    } rows[] = {
        {0.0, 1.0, 0.0},
        {-0.0, 1.0, -0.0},
        {0.0, 0.0, 0.0},
        {-0.0, 0.0, -0.0},
        {0.0, -0.0, pi},
        {-0.0, -0.0, -pi},
        {0.0, -2.0, pi},
        {-0.0, -2.0, -pi},
        {3.0, 0.0, pi2},
        {3.0, -0.0, pi2},
        {-3.0, 0.0, -pi2},
        {-3.0, -0.0, -pi2},
        {inf, 5.0, pi2},
        {-inf, -5.0, -pi2},
        {inf, inf, pi4},
        {-inf, inf, -pi4},
        {inf, -inf, pi34},
        {-inf, -inf, -pi34},
        {5.0, inf, 0.0},
        {-5.0, inf, -0.0},
        {5.0, -inf, pi},
        {-5.0, -inf, -pi},
        {nan, 1.0, nan},
        {1.0, nan, nan},
        {1.0, 1.0, pi4},
        {-1.0, -1.0, -pi34},
        {0x1p-1074, 1.0, 0x1p-1074},
        {1.0, 0x1p-1074, pi2},
        {0x1p1023, 0x1p-1022, pi2},
    };
    for (const auto& r : rows) {
        EXPECT_TRUE(same(crmath::atan2(r.y, r.x), r.r)) << "atan2(" << r.y << ", " << r.x << ")";
    }
    EXPECT_TRUE(same(crmath::sin(0.0), 0.0));
    EXPECT_TRUE(same(crmath::sin(-0.0), -0.0));
    EXPECT_TRUE(same(crmath::cos(-0.0), 1.0));
    EXPECT_TRUE(same(crmath::sin(0x1p-1074), 0x1p-1074));
    for (const double x : {inf, -inf, nan}) {
        EXPECT_TRUE(std::isnan(crmath::sin(x)));
        EXPECT_TRUE(std::isnan(crmath::cos(x)));
    }
}

// Published hard-to-round arguments (the worst cases of Lefèvre and Muller): the exact value lies
// very near the middle between two doubles. atan(x) is atan2(x, 1).
TEST(CorrectRounding, HardToRoundArguments) {
    const double sin_args[] = {0x1.E0000000001C2p-20, 0x1.598BAE9E632F6p-7, 0x1.9283586503FEp-5,
                               0x1.D7BDCD778049Fp-5,  0x1.A202B3FB84788p-4, 0x1.D037CB27EE6DFp-3,
                               0x1.D5064E6FE82C5p-3,  0x1.FE767739D0F6Dp-2, 0x1.D98C4C612718Dp-1,
                               0x1.921FB54442D18p-0,  0x1.6756745770A51p+1};
    const double cos_args[] = {0x1.8000000000009p-23, 0x1.8000000000024p-22, 0x1.2000000000F30p-18,
                               0x1.06B505550E6B2p-9,  0x1.97CCD3D2C438Fp-6,  0x1.549EC0C0C5AFAp-5,
                               0x1.16E534EE36580p-4,  0x1.EFEEF61D39AC2p-3,  0x1.FEB1F7920E248p-2,
                               0x1.7CB7648526F99p-1,  0x1.C65A170474549p-1,  0x1.6B8A6273D7C21p+0};
    const double atan_args[] = {0x1.E000000000546p-21, 0x1.22E8D75E2BC7Fp-11, 0x1.0FC9F1FABE658p-5,
                                0x1.1BBE9C255698Dp-5,  0x1.8DDD25AB90CA1p-5,  0x1.5389E6DF41979p-4,
                                0x1.A933FE176B375p-3,  0x1.0F6E5D9960397p-2,  0x1.7BA49F739829Fp-1,
                                0x1.7BA49F739829Fp+3};
    Mpfr ref;
    for (const double x : sin_args) {
        for (const double s : {x, -x}) {
            EXPECT_TRUE(same(crmath::sin(s), ref(Fn::Sin, 0, s))) << "sin " << s;
            EXPECT_TRUE(same(crmath::detail::slow_sin(s), ref(Fn::Sin, 0, s))) << "sin " << s;
        }
    }
    for (const double x : cos_args) {
        EXPECT_TRUE(same(crmath::cos(x), ref(Fn::Cos, 0, x))) << "cos " << x;
        EXPECT_TRUE(same(crmath::detail::slow_cos(x), ref(Fn::Cos, 0, x))) << "cos " << x;
    }
    for (const double x : atan_args) {
        for (const auto& [y, z] : {std::pair{x, 1.0}, std::pair{1.0, x}, std::pair{-x, -1.0}}) {
            EXPECT_TRUE(same(crmath::atan2(y, z), ref(Fn::Atan2, y, z))) << y << " " << z;
            EXPECT_TRUE(same(crmath::detail::slow_atan2(y, z), ref(Fn::Atan2, y, z)));
        }
    }
}

long arguments_to_draw() {
    const char* n = std::getenv("KAVRON_CRMATH_ARGUMENTS");
    return n != nullptr ? std::atol(n) : 200000;
}

TEST(CorrectRounding, TheProgramsDomainsAndAllDoublesAgreeWithMpfr) {
    test::Arguments args(2026);
    Mpfr ref;
    const long count = arguments_to_draw();
    long wrong = 0, by_kind[3] = {};
    for (long i = 0; i < count; ++i) {
        Fn fn;
        double y, x;
        args.next(fn, y, x);
        ++by_kind[static_cast<int>(fn)];
        const double got = ours(fn, y, x), want = ref(fn, y, x);
        if (!same(got, want) && ++wrong <= 10) {
            ADD_FAILURE() << name(fn) << "(" << std::hexfloat << y << ", " << x << ") = " << got
                          << ", correctly rounded " << want;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(by_kind[0], count / 2);
    std::printf("%ld arguments: %ld atan2, %ld sin, %ld cos; slow path %lu times\n", count,
                by_kind[0], by_kind[1], by_kind[2], crmath::detail::slow_calls());
}

// The slow path on its own, on arguments of every kind.
TEST(CorrectRounding, TheSlowPathAgreesWithMpfr) {
    test::Arguments args(7);
    Mpfr ref;
    for (int i = 0; i < 3000; ++i) {
        Fn fn;
        double y, x;
        args.next(fn, y, x);
        const double got = fn == Fn::Atan2 ? crmath::detail::slow_atan2(y, x)
                           : fn == Fn::Sin ? crmath::detail::slow_sin(x)
                                           : crmath::detail::slow_cos(x);
        EXPECT_TRUE(same(got, ref(fn, y, x))) << name(fn) << std::hexfloat << " " << y << " " << x;
    }
}

// The constants of the fast path, from the committed table, against MPFR.
namespace table {
struct DD {
    double hi, lo;
};
#include "crmath/tables.inc"
}  // namespace table

TEST(CorrectRounding, TheTablesHoldTheirConstants) {
    mpfr_t v, w;
    mpfr_inits2(300, v, w, static_cast<mpfr_ptr>(nullptr));
    const auto close = [&](const table::DD& d) {
        mpfr_set_d(w, d.hi, MPFR_RNDN);
        mpfr_add_d(w, w, d.lo, MPFR_RNDN);
        mpfr_sub(w, w, v, MPFR_RNDN);
        mpfr_div(w, w, v, MPFR_RNDN);
        return mpfr_zero_p(w) != 0 || mpfr_get_exp(w) < -104;
    };
    for (int k = 1; k <= 256; ++k) {
        mpfr_set_ui(v, static_cast<unsigned long>(k), MPFR_RNDN);
        mpfr_div_ui(v, v, 256, MPFR_RNDN);
        mpfr_atan(v, v, MPFR_RNDN);
        EXPECT_TRUE(close(table::kAtan[k])) << k;
    }
    mpfr_const_pi(v, MPFR_RNDN);
    EXPECT_TRUE(close(table::kPi));
    mpfr_set_ui(w, 1, MPFR_RNDN);
    for (int n = 2; n < 32; ++n) {
        mpfr_fac_ui(v, static_cast<unsigned long>(n), MPFR_RNDN);
        mpfr_ui_div(v, 1, v, MPFR_RNDN);
        EXPECT_TRUE(close(table::kInverseFactorial[n])) << n;
    }
    mpfr_clears(v, w, static_cast<mpfr_ptr>(nullptr));
}

}  // namespace
}  // namespace kavron
