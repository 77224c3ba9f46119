#include "matrix/matrix.hpp"

#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/constants.hpp"
#include "crmath/crmath.hpp"
#include "format/channels.hpp"

namespace kavron {

namespace {
constexpr int kMaxExtent = JR;  // the largest extent a stage declares
void same_shape([[maybe_unused]] MatIn A, [[maybe_unused]] MatIn B) {
    assert(A.M == B.M && A.N == B.N);
}
// The bits of a double (one move; every library the program is built with has memcpy).
std::uint64_t bits(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}
// Whether the values p[0], p[stride], ... (K of them, in `count` runs of K) are all finite. An
// exponent of all ones marks an infinity or a NaN; adding one to such an exponent carries into
// the sign bit, to no other exponent. Counted without a branch per element.
bool all_finite(const double* p, int K, int count, std::ptrdiff_t stride) {
    constexpr std::uint64_t kExponent = 0x7FF0000000000000ULL;
    constexpr std::uint64_t kExponentOne = 0x0010000000000000ULL;
    std::uint64_t carry = 0;
    for (int r = 0; r < count; ++r) {
        for (int i = 0; i < K; ++i) {
            carry |= (bits(p[i]) & kExponent) + kExponentOne;
        }
        p += stride;
    }
    return carry >> 63 == 0;
}

// Whether any of the same values is a negative zero.
bool has_negative_zero(const double* p, int K, int count, std::ptrdiff_t stride) {
    constexpr std::uint64_t kNegativeZero = 0x8000000000000000ULL;
    std::uint64_t found = 0;
    for (int r = 0; r < count; ++r) {
        for (int i = 0; i < K; ++i) {
            found |= bits(p[i]) == kNegativeZero ? 1U : 0U;
        }
        p += stride;
    }
    return found != 0;
}
}  // namespace

void MADADD(MatIn A, MatIn B, MatRef C, int K, int L) {
    same_shape(A, B);
    same_shape(A, C);
    for (int i = 1; i <= K; ++i) {
        for (int j = 1; j <= L; ++j) {
            C(i, j) = A(i, j) + B(i, j);
        }
    }
}

void MADSUB(MatIn A, MatIn B, MatRef C, int K, int L) {
    same_shape(A, B);
    same_shape(A, C);
    for (int i = 1; i <= K; ++i) {
        for (int j = 1; j <= L; ++j) {
            C(i, j) = A(i, j) - B(i, j);
        }
    }
}

void MADNAS(MatIn A, MatIn B, MatRef C, int K, int L) {
    same_shape(A, B);
    same_shape(A, C);
    for (int i = 1; i <= K; ++i) {
        for (int j = 1; j <= L; ++j) {
            C(i, j) = A(i, j) * B(i, j);
        }
    }
}

void MADMUL(MatIn A, MatIn B, MatRef C, int M, int L, int N) {
    assert(A.N == B.M && C.M == A.M && C.N == B.N);
    assert(C.p != A.p && C.p != B.p);
    assert(L <= kMaxExtent);
    // C(i,j) is the sum over k = 1..L, in ascending k, of A(i,k)·B(k,j), started from +0. C is
    // built column by column: column j gathers A(:,k)·B(k,j) for k = 1, 2, ..., L, so each element
    // still receives its terms one by one in ascending k. A zero B(k,j) against a column of A
    // that is all finite gives only zeros, and adding a zero to a sum changes nothing (the sum
    // starts at +0 and can never become -0): such terms are left out, so the sparse matrices of
    // the adjustment cost little. An infinity or a NaN in the column keeps them (0·inf is NaN).
    bool finite[kMaxExtent];
    for (int k = 0; k < L; ++k) {
        finite[k] = all_finite(A.p + static_cast<std::ptrdiff_t>(k) * A.M, M, 1, 0);
    }
    for (int j = 0; j < N; ++j) {
        const double* b = B.p + static_cast<std::ptrdiff_t>(j) * B.M;
        double* c = C.p + static_cast<std::ptrdiff_t>(j) * C.M;
        for (int i = 0; i < M; ++i) {
            c[i] = 0.0;
        }
        for (int k = 0; k < L; ++k) {
            const double x = b[k];
            if (x == 0.0 && finite[k]) {
                continue;
            }
            const double* a = A.p + static_cast<std::ptrdiff_t>(k) * A.M;
            for (int i = 0; i < M; ++i) {
                c[i] = c[i] + a[i] * x;
            }
        }
    }
}

// The routines that only move or set elements walk the storage column by column; each element
// ends with the same value in any order.
void MADTRN(MatIn A, MatRef B, int K, int L) {
    assert(B.M == A.N && B.N == A.M && A.p != B.p);
    for (int j = 1; j <= K; ++j) {
        for (int i = 1; i <= L; ++i) {
            B(i, j) = A(j, i);
        }
    }
}

void MADVAL(MatRef A, int K, int L, double D) {
    for (int j = 1; j <= L; ++j) {
        for (int i = 1; i <= K; ++i) {
            A(i, j) = D;
        }
    }
}

void MADTRE(MatIn A, int K, double& T) {
    T = 0.0;
    for (int i = 1; i <= K; ++i) {
        T = T + A(i, i);
    }
}

void MADRED(MatRef A, int K, std::int16_t& L, int IC) {
    if (IC < 1 || IC > L) {
        return;
    }
    for (int j = IC; j <= L - 1; ++j) {
        for (int i = 1; i <= K; ++i) {
            A(i, j) = A(i, j + 1);
        }
    }
    L = static_cast<std::int16_t>(L - 1);
}

void MADEXT(MatRef A, int K, std::int16_t& L, int IC) {
    if (IC < 1) {
        return;
    }
    L = static_cast<std::int16_t>(L + 1);
    for (int j = L - 1; j >= IC; --j) {
        for (int i = 1; i <= K; ++i) {
            A(i, j + 1) = A(i, j);
        }
    }
    for (int i = 1; i <= K; ++i) {
        A(i, IC) = 0.0;
    }
}

int MADINV(MatIn A, MatRef B, int K) {
    same_shape(A, B);
    assert(K <= kMaxExtent);
    for (int j = 1; j <= K; ++j) {
        for (int i = 1; i <= K; ++i) {
            B(i, j) = A(i, j);
        }
    }
    // Whether B holds a negative zero. Subtracting a zero product changes an element only when
    // the element is -0 (-0 - -0 is +0); a -0 can come only from the input or from the scaling of
    // a pivot row, as a difference is -0 only when its first operand already is.
    bool negative_zero = K > 0 && has_negative_zero(&B(1, 1), K, K, B.M);
    for (int i = 1; i <= K; ++i) {
        B(i, i) = B(i, i) + 1.0;
    }
    int rows[kMaxExtent];
    double factors[kMaxExtent];
    for (int I = 1; I <= K; ++I) {
        const double P = B(I, I) - 1.0;
        if (P == 0.0 || std::isnan(P)) {
            return 1;
        }
        for (int J = 1; J <= K; ++J) {
            B(I, J) = B(I, J) / P;
        }
        const bool finite = all_finite(&B(I, 1), 1, K, B.M);
        negative_zero = negative_zero || has_negative_zero(&B(I, 1), 1, K, B.M);
        // Every other row L loses B(I,J)·Q from each B(L,J), Q being its B(L,I) before the step.
        // A row whose Q is a zero would only subtract zeros: it is left alone while the pivot row
        // is finite and B holds no -0, when that changes nothing. The rows are updated column by
        // column: each element receives the same single subtraction.
        const bool skip_zeros = finite && !negative_zero;
        int count = 0;
        for (int L = 1; L <= K; ++L) {
            const double Q = B(L, I);
            rows[count] = L - 1;
            factors[count] = Q;
            count += L != I && (Q != 0.0 || !skip_zeros) ? 1 : 0;
        }
        for (int J = 1; J <= K; ++J) {
            const double pivot = B(I, J);
            double* column = &B(1, J);
            for (int t = 0; t < count; ++t) {
                column[rows[t]] = column[rows[t]] - pivot * factors[t];
            }
        }
    }
    for (int i = 1; i <= K; ++i) {
        B(i, i) = B(i, i) - 1.0;
    }
    return 0;
}

void MADROT(MatRef ROT, double OMEG, int OSA) {
    assert(ROT.M == 3 && ROT.N == 3);
    assert(OSA >= 1 && OSA <= 3);
    int i = 0;
    int j = 0;
    switch (OSA) {
        case 3:
            i = 1;
            j = 2;
            break;
        case 2:
            i = 1;
            j = 3;
            break;
        case 1:
            i = 2;
            j = 3;
            break;
        default:
            return;
    }
    const double c = crmath::cos(OMEG);
    const double s = crmath::sin(OMEG);
    ROT(OSA, i) = 0.0;
    ROT(OSA, j) = 0.0;
    ROT(i, OSA) = 0.0;
    ROT(j, OSA) = 0.0;
    ROT(OSA, OSA) = 1.0;
    ROT(i, i) = c;
    ROT(i, j) = -s;
    ROT(j, i) = s;
    ROT(j, j) = c;
}

int CBODU(const std::int16_t* IN, int IB, int ICB, std::int16_t& I, Console& con) {
    for (int k = 1; k <= IB; ++k) {
        if (IN[k] == ICB) {
            I = static_cast<std::int16_t>(k);
            return 0;
        }
    }
    con.list({fmt::lit("Procedura CBODU ... Hledane cislo neexistuje"), ICB});
    return 1;
}

}  // namespace kavron
