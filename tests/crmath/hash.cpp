// Draws the arguments of the correctly rounded functions' test (tests/crmath/arguments.hpp) and
// prints a hash of the results, so that the results of two systems can be compared without
// MPFR: on Linux the test compares each result with MPFR; here, on Windows under Wine too, the
// same hash means the same doubles.
//   crmath-hash [COUNT]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "crmath/arguments.hpp"
#include "crmath/crmath.hpp"

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 200000;
    kavron::test::Arguments args(2026);
    std::uint64_t h = 0xCBF29CE484222325ULL;
    for (long i = 0; i < count; ++i) {
        kavron::test::Fn fn;
        double y, x;
        args.next(fn, y, x);
        const double r = fn == kavron::test::Fn::Atan2 ? kavron::crmath::atan2(y, x)
                         : fn == kavron::test::Fn::Sin ? kavron::crmath::sin(x)
                                                       : kavron::crmath::cos(x);
        std::uint64_t u = 0;
        std::memcpy(&u, &r, sizeof u);
        for (int b = 0; b < 8; ++b) {
            h = (h ^ ((u >> (8 * b)) & 0xFF)) * 0x100000001B3ULL;
        }
    }
    std::printf("%ld arguments: %016llx\n", count, static_cast<unsigned long long>(h));
    return 0;
}
