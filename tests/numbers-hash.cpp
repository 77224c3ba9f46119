// Prints hashes of the doubles and digits that every printed figure rests on, so that two systems
// can be compared without MPFR (Windows under Wine, the web build under node): the correctly
// rounded atan2, sine and cosine on the arguments of their test (tests/crmath/arguments.hpp;
// on Linux that test compares each result with MPFR), and the 17-digit expansions of the records
// of those results, their arguments and of ties. The same hashes mean the same bytes.
//   numbers-hash [COUNT]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "crmath/arguments.hpp"
#include "crmath/crmath.hpp"
#include "format/record.hpp"

namespace {

struct Hash {
    std::uint64_t h = 0xCBF29CE484222325ULL;
    void add(const void* p, std::size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < n; ++i) {
            h = (h ^ b[i]) * 0x100000001B3ULL;
        }
    }
};

void add_digits(Hash& h, double v) {
    char buf[32];
    const int n = kavron::fmt::scientific17(v, buf);
    h.add(buf, static_cast<std::size_t>(n));
}

}  // namespace

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 200000;
    kavron::test::Arguments args(2026);
    Hash results, digits;
    for (long i = 0; i < count; ++i) {
        kavron::test::Fn fn;
        double y, x;
        args.next(fn, y, x);
        const double r = fn == kavron::test::Fn::Atan2 ? kavron::crmath::atan2(y, x)
                         : fn == kavron::test::Fn::Sin ? kavron::crmath::sin(x)
                                                       : kavron::crmath::cos(x);
        results.add(&r, sizeof r);
        add_digits(digits, r);
        add_digits(digits, x);
    }
    // Ties: 18 significant digits ending in 5, rounded half to even.
    for (std::uint64_t k = 0; k < 100000; ++k) {
        add_digits(digits,
                   static_cast<double>((std::uint64_t{1} << 50) + k * 7919) + 0.25 * (k % 4));
        add_digits(digits,
                   static_cast<double>((std::uint64_t{1} << 47) + k * 104729) + 0.125 * (k % 8));
    }
    std::printf("%ld arguments: atan2, sin, cos %016llx, digits %016llx\n", count,
                static_cast<unsigned long long>(results.h),
                static_cast<unsigned long long>(digits.h));
    return 0;
}
