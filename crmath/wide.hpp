#pragma once
// Binary floating-point numbers of 64·N bits for the slow path of the correctly rounded
// functions: sign, an N-limb mantissa m (top bit set, or zero) and an exponent e, the value
// ±m·2^(e - 64N). Every operation truncates its exact result to 64·N bits, so its relative error
// is below 2^-(64N-1); no operation allocates, nothing is initialised at the program's start.
#include <cstdint>
#include <cstring>

namespace kavron::crmath {

template <int N>
struct Wide {
    std::uint64_t m[N] = {};  // m[N-1] the most significant limb
    std::int64_t e = 0;
    bool neg = false;

    bool zero() const {
        for (int i = 0; i < N; ++i) {
            if (m[i] != 0) {
                return false;
            }
        }
        return true;
    }
    // An upper bound of log2 |value|: |value| < 2^e.
    std::int64_t magnitude() const { return e; }
};

namespace wide {

__extension__ using u128 = unsigned __int128;  // GCC and Clang on every target the program has

// The value Σ limbs[i]·2^(64 i) · 2^shift (count limbs), truncated into a Wide.
template <int N>
Wide<N> from_limbs(const std::uint64_t* limbs, int count, std::int64_t shift, bool neg) {
    Wide<N> w;
    w.neg = neg;
    int top = count - 1;
    while (top >= 0 && limbs[top] == 0) {
        --top;
    }
    if (top < 0) {
        w.neg = false;
        return w;
    }
    const int lead = __builtin_clzll(limbs[top]);
    // The bit position (from 0) of the leading one in the whole number.
    const std::int64_t lead_bit = 64 * static_cast<std::int64_t>(top) + 63 - lead;
    // Take 64N bits from lead_bit down: bit (lead_bit - 64N + 1 + j) goes to mantissa bit j.
    const std::int64_t low = lead_bit - std::int64_t{64} * N + 1;
    for (int j = 0; j < N; ++j) {
        const std::int64_t bit = low + 64 * static_cast<std::int64_t>(j);
        std::uint64_t v = 0;
        for (int part = 0; part < 2; ++part) {
            // limb k holds bits 64k .. 64k+63
            const std::int64_t b = bit + std::int64_t{64} * part;
            const std::int64_t k = b >= 0 ? b / 64 : (b - 63) / 64;
            const std::int64_t off = b - 64 * k;
            if (k < 0 || k >= count) {
                continue;
            }
            if (part == 0) {
                v |= limbs[k] >> off;
            } else if (off != 0) {
                v |= limbs[k] << (64 - off);
            }
        }
        w.m[j] = v;
    }
    w.e = lead_bit + 1 + shift;
    return w;
}

template <int N>
Wide<N> of(double d) {
    std::uint64_t u = 0;
    std::memcpy(&u, &d, sizeof u);
    const bool neg = (u >> 63) != 0;
    const int biased = static_cast<int>((u >> 52) & 0x7FF);
    std::uint64_t mant = u & ((std::uint64_t{1} << 52) - 1);
    int exp2 = 0;
    if (biased == 0) {
        exp2 = -1074;
    } else {
        mant |= std::uint64_t{1} << 52;
        exp2 = biased - 1075;
    }
    return from_limbs<N>(&mant, 1, exp2, neg);
}

template <int N>
Wide<N> of_int(std::uint64_t k) {
    return from_limbs<N>(&k, 1, 0, false);
}

// Compares |a| and |b|: -1, 0 or 1.
template <int N>
int compare_magnitude(const Wide<N>& a, const Wide<N>& b) {
    const bool za = a.zero(), zb = b.zero();
    if (za || zb) {
        return za && zb ? 0 : za ? -1 : 1;
    }
    if (a.e != b.e) {
        return a.e < b.e ? -1 : 1;
    }
    for (int i = N - 1; i >= 0; --i) {
        if (a.m[i] != b.m[i]) {
            return a.m[i] < b.m[i] ? -1 : 1;
        }
    }
    return 0;
}

template <int N>
Wide<N> negate(Wide<N> a) {
    if (!a.zero()) {
        a.neg = !a.neg;
    }
    return a;
}

// a + b (signed): both mantissas in N + 1 limbs with one guard limb, the smaller shifted right.
template <int N>
Wide<N> add(const Wide<N>& a, const Wide<N>& b) {
    if (a.zero()) {
        return b;
    }
    if (b.zero()) {
        return a;
    }
    const int c = compare_magnitude(a, b);
    const Wide<N>& big = c >= 0 ? a : b;
    const Wide<N>& small = c >= 0 ? b : a;
    std::uint64_t x[N + 2] = {}, y[N + 2] = {};
    for (int i = 0; i < N; ++i) {
        x[i + 1] = big.m[i];
    }
    // small's mantissa shifted right by d = big.e - small.e bits (into the guard limb and beyond).
    const std::int64_t d = big.e - small.e;
    if (d < std::int64_t{64} * (N + 1)) {
        const int limbs = static_cast<int>(d / 64), bits = static_cast<int>(d % 64);
        for (int i = 0; i < N; ++i) {
            const int to = i + 1 - limbs;
            if (to >= 0) {
                y[to] |= bits == 0 ? small.m[i] : small.m[i] >> bits;
            }
            if (bits != 0 && to - 1 >= 0) {
                y[to - 1] |= small.m[i] << (64 - bits);
            }
        }
    }
    if (big.neg == small.neg) {
        u128 carry = 0;
        for (int i = 0; i < N + 2; ++i) {
            const u128 s = static_cast<u128>(x[i]) + y[i] + carry;
            x[i] = static_cast<std::uint64_t>(s);
            carry = s >> 64;
        }
    } else {
        std::uint64_t borrow = 0;
        for (int i = 0; i < N + 2; ++i) {
            const u128 s = static_cast<u128>(x[i]) - y[i] - borrow;
            x[i] = static_cast<std::uint64_t>(s);
            borrow = (s >> 64) != 0 ? 1 : 0;
        }
    }
    // x holds the value · 2^(64 - (big.e - 64N)) ... as limbs of weight 2^(big.e - 64N - 64).
    return from_limbs<N>(x, N + 2, big.e - 64 * N - 64, big.neg);
}

template <int N>
Wide<N> sub(const Wide<N>& a, const Wide<N>& b) {
    return add(a, negate(b));
}

template <int N>
Wide<N> mul(const Wide<N>& a, const Wide<N>& b) {
    if (a.zero() || b.zero()) {
        return {};
    }
    std::uint64_t p[2 * N] = {};
    for (int i = 0; i < N; ++i) {
        u128 carry = 0;
        for (int j = 0; j < N; ++j) {
            const u128 t = static_cast<u128>(a.m[i]) * b.m[j] + p[i + j] + carry;
            p[i + j] = static_cast<std::uint64_t>(t);
            carry = t >> 64;
        }
        p[i + N] = static_cast<std::uint64_t>(carry);
    }
    return from_limbs<N>(p, 2 * N, a.e + b.e - 128 * N, a.neg != b.neg);
}

template <int N>
Wide<N> mul_small(const Wide<N>& a, std::uint64_t k) {
    std::uint64_t p[N + 1] = {};
    u128 carry = 0;
    for (int i = 0; i < N; ++i) {
        const u128 t = static_cast<u128>(a.m[i]) * k + carry;
        p[i] = static_cast<std::uint64_t>(t);
        carry = t >> 64;
    }
    p[N] = static_cast<std::uint64_t>(carry);
    return from_limbs<N>(p, N + 1, a.e - 64 * N, a.neg);
}

// a / k for 0 < k: the quotient of the mantissa with one more limb.
template <int N>
Wide<N> div_small(const Wide<N>& a, std::uint64_t k) {
    std::uint64_t q[N + 1] = {};
    u128 rem = 0;
    for (int i = N; i >= 0; --i) {
        const u128 cur = (rem << 64) | (i > 0 ? a.m[i - 1] : 0);
        q[i] = static_cast<std::uint64_t>(cur / k);
        rem = cur % k;
    }
    return from_limbs<N>(q, N + 1, a.e - 64 * N - 64, a.neg);
}

// a / b for b != 0, bit by bit: 64N + 2 quotient bits.
template <int N>
Wide<N> div(const Wide<N>& a, const Wide<N>& b) {
    if (a.zero()) {
        return {};
    }
    std::uint64_t r[N + 1] = {}, d[N + 1] = {};
    for (int i = 0; i < N; ++i) {
        r[i] = a.m[i];
        d[i] = b.m[i];
    }
    constexpr int kBits = 64 * N + 2;
    std::uint64_t q[N + 1] = {};
    const auto ge = [&] {
        for (int i = N; i >= 0; --i) {
            if (r[i] != d[i]) {
                return r[i] > d[i];
            }
        }
        return true;
    };
    for (int bit = kBits - 1; bit >= 0; --bit) {
        if (ge()) {
            std::uint64_t borrow = 0;
            for (int i = 0; i <= N; ++i) {
                const u128 s = static_cast<u128>(r[i]) - d[i] - borrow;
                r[i] = static_cast<std::uint64_t>(s);
                borrow = (s >> 64) != 0 ? 1 : 0;
            }
            q[bit / 64] |= std::uint64_t{1} << (bit % 64);
        }
        for (int i = N; i > 0; --i) {  // r <<= 1
            r[i] = (r[i] << 1) | (r[i - 1] >> 63);
        }
        r[0] <<= 1;
    }
    // q = floor(ma / mb · 2^(kBits - 1)).
    return from_limbs<N>(q, N + 1, a.e - b.e - (kBits - 1), a.neg != b.neg);
}

// The nearest integer of a (ties away), as a Wide, and its two lowest bits; a >= 0 and below
// 2^(64N).
template <int N>
Wide<N> round_to_integer(const Wide<N>& a, int& low_bits) {
    Wide<N> half = of<N>(0.5);
    Wide<N> t = add(a, half);
    low_bits = 0;
    if (t.e <= 0) {
        return {};
    }
    // Bits of the mantissa below 2^0 are cleared: mantissa bit j has weight 2^(j + e - 64N).
    const std::int64_t cut = 64 * N - t.e;  // bits 0 .. cut-1 are fractional
    for (int j = 0; j < 64 * N; ++j) {
        if (j < cut) {
            t.m[j / 64] &= ~(std::uint64_t{1} << (j % 64));
        }
    }
    for (int b = 0; b < 2; ++b) {
        const std::int64_t j = cut + b;
        if (j >= 0 && j < std::int64_t{64} * N && ((t.m[j / 64] >> (j % 64)) & 1) != 0) {
            low_bits |= 1 << b;
        }
    }
    return t;
}

}  // namespace wide

}  // namespace kavron::crmath
