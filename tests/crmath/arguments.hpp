#pragma once
// Arguments of atan2, sine and cosine from the program's own domains, the same sequence on every
// system (a splitmix64 generator): bearings between points millimetres to kilometres apart in
// every quadrant, zenith angles of near-horizontal and near-vertical sights, the ellipsoid's
// atan2(2q, p - q) with ratios from 1e-12 to 1e12, the rotation angles 0..pi, and a share of
// arguments from the whole range of doubles.
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kavron::test {

enum class Fn { Atan2, Sin, Cos };

class Arguments {
public:
    explicit Arguments(std::uint64_t seed) : state_(seed) {}

    // The next argument: the function, y and x (sine and cosine take x).
    void next(Fn& fn, double& y, double& x) {
        const unsigned kind = static_cast<unsigned>(bits() % 32) / 2;
        y = 0;
        x = 0;
        fn = Fn::Atan2;
        switch (kind) {
            case 0:
            case 1:
            case 2:
            case 3:  // a bearing: coordinate differences of 0.1 mm steps up to 10 km
                y = signed_grid(27);
                x = signed_grid(27);
                break;
            case 4:
            case 5:  // a zenith angle, h against dz, near horizontal or near vertical
                x = signed_uniform();
                x *= log_uniform(-10, 17);
                y = log_uniform(0, 24);
                if (bits() % 2 == 0) {
                    std::swap(x, y);
                    y = std::fabs(y);
                }
                break;
            case 6:
            case 7: {  // the ellipsoid: atan2(2q, p - q) of cofactors
                const double p = log_uniform(-27, 14);
                double q = p * signed_uniform();
                q *= log_uniform(-40, 40);
                y = 2.0 * q;
                x = p - q * log_uniform(-1, 1);
                break;
            }
            case 8:  // any two doubles, now and then (half of them end in the slow path)
                if (bits() % 4 == 0) {
                    y = any_double();
                    x = any_double();
                } else {
                    y = signed_grid(27);
                    x = signed_grid(27);
                }
                break;
            case 9:
            case 10:
            case 11:  // rotation angles
                fn = bits() % 2 == 0 ? Fn::Sin : Fn::Cos;
                x = uniform() * 3.1415927410125732;
                break;
            case 12:
            case 13:  // a few turns either way
                fn = bits() % 2 == 0 ? Fn::Sin : Fn::Cos;
                x = signed_uniform();
                x *= log_uniform(-30, 20);
                break;
            default:  // now and then any double (most of them far beyond 2^20: the slow path)
                fn = bits() % 2 == 0 ? Fn::Sin : Fn::Cos;
                if (bits() % 8 == 0) {
                    x = any_double();
                } else {
                    x = signed_uniform();
                    x *= log_uniform(-60, 30);
                }
                break;
        }
    }

private:
    std::uint64_t bits() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(bits() >> 11) * 0x1p-53; }
    double signed_uniform() { return bits() % 2 == 0 ? uniform() : -uniform(); }
    // Spread evenly over the binary exponents from 2^lo to 2^hi (exact operations only, and
    // every draw in its own statement, since compilers order the operands of an expression
    // differently: so every system and compiler draws the same arguments).
    double log_uniform(int lo, int hi) {
        const double m = 1.0 + uniform();
        return std::ldexp(m, lo + static_cast<int>(bits() % static_cast<unsigned>(hi - lo)));
    }
    // A multiple of 0.1 up to about 2^hi / 10.
    double signed_grid(int hi) {
        const double v = std::floor(log_uniform(0, hi)) / 10.0;
        return bits() % 2 == 0 ? v : -v;
    }
    double any_double() {
        for (;;) {
            const std::uint64_t u = bits();
            double d = 0;
            std::memcpy(&d, &u, sizeof d);
            if (std::isfinite(d)) {
                return d;
            }
        }
    }
    std::uint64_t state_;
};

}  // namespace kavron::test
