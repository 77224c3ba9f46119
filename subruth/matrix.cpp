#include "subruth/matrix.hpp"

#include <bit>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "format/channels.hpp"

namespace kavron {

namespace {
constexpr int kMaxExtent = 66;  // the largest extent the task declares
void same_shape([[maybe_unused]] MatRef A, [[maybe_unused]] MatRef B) {
    assert(A.M == B.M && A.N == B.N);
}
// Whether every element of the K x L block is finite: an exponent of all ones marks an infinity
// or a NaN. Counted without a branch per element.
bool all_finite(MatRef A, int K, int L) {
    constexpr std::uint64_t kExponent = 0x7FF0000000000000ULL;
    std::uint64_t bad = 0;
    for (int j = 1; j <= L; ++j) {
        const double* column = &A(1, j);
        for (int i = 0; i < K; ++i) {
            bad |= (std::bit_cast<std::uint64_t>(column[i]) & kExponent) == kExponent ? 1U : 0U;
        }
    }
    return bad == 0;
}
}  // namespace

void MADADD(MatRef A, MatRef B, MatRef C, int K, int L) {
    same_shape(A, B);
    same_shape(A, C);
    for (int i = 1; i <= K; ++i) {
        for (int j = 1; j <= L; ++j) {
            C(i, j) = A(i, j) + B(i, j);
        }
    }
}

void MADSUB(MatRef A, MatRef B, MatRef C, int K, int L) {
    same_shape(A, B);
    same_shape(A, C);
    for (int i = 1; i <= K; ++i) {
        for (int j = 1; j <= L; ++j) {
            C(i, j) = A(i, j) - B(i, j);
        }
    }
}

void MADNAS(MatRef A, MatRef B, MatRef C, int K, int L) {
    same_shape(A, B);
    same_shape(A, C);
    for (int i = 1; i <= K; ++i) {
        for (int j = 1; j <= L; ++j) {
            C(i, j) = A(i, j) * B(i, j);
        }
    }
}

void MADMUL(MatRef A, MatRef B, MatRef C, int M, int L, int N) {
    assert(A.N == B.M && C.M == A.M && C.N == B.N);
    assert(C.p != A.p && C.p != B.p);
    assert(L <= kMaxExtent && N <= kMaxExtent);
    // C(i,j) is the sum over k = 1..L, in ascending k, of A(i,k)·B(k,j), started from +0. A term
    // whose A(i,k) is an exact zero adds a zero to the sum, which changes nothing (the sum starts
    // at +0 and can never become -0), unless B holds an infinity or a NaN. Such terms are left
    // out, so the sparse matrices of the adjustment cost little. The sums of one row of C are
    // built side by side, term after term, each still in ascending k: the same additions in the
    // same order.
    const bool finite = all_finite(B, L, N);
    int terms[kMaxExtent];
    double factors[kMaxExtent];
    double sums[kMaxExtent];
    for (int i = 1; i <= M; ++i) {
        const double* row = &A(i, 1);
        int count = 0;
        for (int k = 0; k < L; ++k) {
            const double a = row[static_cast<std::ptrdiff_t>(k) * A.M];
            terms[count] = k;
            factors[count] = a;
            count += !finite || a != 0.0 ? 1 : 0;
        }
        for (int j = 0; j < N; ++j) {
            sums[j] = 0.0;
        }
        const std::ptrdiff_t stride = B.M;
        for (int t = 0; t < count; ++t) {
            const double a = factors[t];
            const double* b = B.p + terms[t];
            for (int j = 0; j < N; ++j) {
                sums[j] = sums[j] + a * b[j * stride];
            }
        }
        double* c = &C(i, 1);
        for (int j = 0; j < N; ++j) {
            c[static_cast<std::ptrdiff_t>(j) * C.M] = sums[j];
        }
    }
}

void MADTRN(MatRef A, MatRef B, int K, int L) {
    assert(B.M == A.N && B.N == A.M && A.p != B.p);
    for (int i = 1; i <= L; ++i) {
        for (int j = 1; j <= K; ++j) {
            B(i, j) = A(j, i);
        }
    }
}

void MADVAL(MatRef A, int K, int L, double D) {
    for (int i = 1; i <= K; ++i) {
        for (int j = 1; j <= L; ++j) {
            A(i, j) = D;
        }
    }
}

void MADTRE(MatRef A, int K, double& T) {
    T = 0.0;
    for (int i = 1; i <= K; ++i) {
        T = T + A(i, i);
    }
}

void MADRED(MatRef A, int K, std::int16_t& L, int IC) {
    if (IC < 1 || IC > L) {
        return;
    }
    for (int i = 1; i <= K; ++i) {
        for (int j = IC; j <= L - 1; ++j) {
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
    for (int i = 1; i <= K; ++i) {
        for (int j = L - 1; j >= IC; --j) {
            A(i, j + 1) = A(i, j);
        }
        A(i, IC) = 0.0;
    }
}

int MADINV(MatRef A, MatRef B, int K) {
    same_shape(A, B);
    for (int i = 1; i <= K; ++i) {
        for (int j = 1; j <= K; ++j) {
            B(i, j) = A(i, j);
        }
    }
    for (int i = 1; i <= K; ++i) {
        B(i, i) = B(i, i) + 1.0;
    }
    for (int I = 1; I <= K; ++I) {
        const double P = B(I, I) - 1.0;
        if (P == 0.0 || std::isnan(P)) {
            return 1;
        }
        for (int J = 1; J <= K; ++J) {
            B(I, J) = B(I, J) / P;
        }
        // A row whose multiplier is an exact zero would only subtract zeros; it is left alone
        // unless the pivot row holds an infinity or a NaN.
        bool finite = true;
        for (int J = 1; J <= K && finite; ++J) {
            finite = std::isfinite(B(I, J));
        }
        for (int L = 1; L <= K; ++L) {
            if (L == I) {
                continue;
            }
            const double Q = B(L, I);
            if (Q == 0.0 && finite) {
                continue;
            }
            for (int J = 1; J <= K; ++J) {
                B(L, J) = B(L, J) - B(I, J) * Q;
            }
        }
    }
    for (int i = 1; i <= K; ++i) {
        B(i, i) = B(i, i) - 1.0;
    }
    return 0;
}

void MADROT(MatRef ROT, double OMEG, int OSA, OutFile& listing) {
    assert(ROT.M == 3 && ROT.N == 3);
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
            using namespace fmt;
            listing.write({T(" Spatne zadana osa rotace <1,3> = "), I(3)}, {OSA});
            return;
    }
    const double c = std::cos(OMEG);
    const double s = std::sin(OMEG);
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
