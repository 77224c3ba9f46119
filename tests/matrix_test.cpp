// Matrix routines: storage, elementary operations, inversion, rotation and point lookup.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "format/channels.hpp"
#include "harness.hpp"
#include "matrix/matrix.hpp"

namespace kavron {
namespace {

constexpr double kSentinel = -777.0;

template <int R, int C>
void fill_sentinel(Mat<R, C>& m) {
    m.a.fill(kSentinel);
}

// Every element outside rows 1..K and columns 1..L still holds the sentinel.
template <int R, int C>
bool untouched_outside(const Mat<R, C>& m, int K, int L) {
    for (int i = 1; i <= R; ++i) {
        for (int j = 1; j <= C; ++j) {
            if ((i > K || j > L) && m(i, j) != kSentinel) {
                return false;
            }
        }
    }
    return true;
}

template <int R, int C>
void set2(Mat<R, C>& m, double a, double b, double c, double d) {
    m(1, 1) = a;
    m(1, 2) = b;
    m(2, 1) = c;
    m(2, 2) = d;
}

template <int R, int C>
void expect_block(const Mat<R, C>& m, const std::vector<std::vector<double>>& rows, double tol) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (std::size_t j = 0; j < rows[i].size(); ++j) {
            EXPECT_NEAR(m(int(i) + 1, int(j) + 1), rows[i][j], tol) << i + 1 << "," << j + 1;
        }
    }
}

TEST(Matrix, ElementWiseRoutinesStayInTheirBlockAndMayOverwriteAnOperand) {
    Mat<5, 4> A, B, C;
    fill_sentinel(A);
    fill_sentinel(B);
    fill_sentinel(C);
    for (int i = 1; i <= 2; ++i) {
        for (int j = 1; j <= 3; ++j) {
            A(i, j) = 10 * i + j;
            B(i, j) = i - j;
        }
    }
    MADADD(A, B, C, 2, 3);
    EXPECT_EQ(C(2, 3), 23.0 - 1.0);
    EXPECT_TRUE(untouched_outside(C, 2, 3));
    MADSUB(A, B, C, 2, 3);
    EXPECT_EQ(C(1, 3), 13.0 + 2.0);
    MADNAS(A, B, C, 2, 3);
    EXPECT_EQ(C(2, 1), 21.0 * 1.0);
    MADADD(A, B, A, 2, 3);  // A := A + B
    EXPECT_EQ(A(1, 2), 12.0 - 1.0);
    EXPECT_TRUE(untouched_outside(A, 2, 3));
    MADVAL(C, 2, 2, 0.5);
    EXPECT_EQ(C(2, 2), 0.5);
    EXPECT_EQ(C(1, 3), 13.0 * -2.0);  // column 3 keeps the product
    Mat<5, 4> Z;
    fill_sentinel(Z);
    MADVAL(Z, 0, 4, 1.0);
    MADVAL(Z, 4, -1, 1.0);
    MADADD(A, B, Z, 0, 3);
    EXPECT_TRUE(untouched_outside(Z, 0, 0));
}

TEST(Matrix, ProductSumsInOrderAndClearsItsTarget) {
    Mat<4, 3> A;
    Mat<3, 5> B;
    Mat<4, 5> C;
    fill_sentinel(C);
    set2(A, 1, 2, 3, 4);
    set2(B, 5, 6, 7, 8);
    MADMUL(A, B, C, 2, 2, 2);
    expect_block(C, {{19, 22}, {43, 50}}, 0.0);
    EXPECT_TRUE(untouched_outside(C, 2, 2));
    MADMUL(A, B, C, 3, 0, 4);  // L = 0: a block of zeros
    expect_block(C, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}, 0.0);
    EXPECT_TRUE(untouched_outside(C, 3, 4));
    // Summation order: (1e16 + 1) + (-1e16) is 0 in doubles, taken k = 1, 2, 3.
    Mat<1, 3> r;
    Mat<3, 1> c;
    Mat<1, 1> s;
    r(1, 1) = 1e16;
    r(1, 2) = 1.0;
    r(1, 3) = -1e16;
    c(1, 1) = c(2, 1) = c(3, 1) = 1.0;
    MADMUL(r, c, s, 1, 3, 1);
    EXPECT_EQ(s(1, 1), 0.0);
}

TEST(Matrix, TransposeBetweenDifferentlyDeclaredArraysAndTrace) {
    static Mat<56, 62> A;
    static Mat<62, 56> B;
    fill_sentinel(B);
    for (int i = 1; i <= 10; ++i) {
        for (int j = 1; j <= 15; ++j) {
            A(i, j) = 100 * i + j;
        }
    }
    MADTRN(A, B, 10, 15);
    EXPECT_EQ(B(15, 10), 1015.0);
    EXPECT_EQ(B(3, 7), 703.0);
    EXPECT_TRUE(untouched_outside(B, 15, 10));
    double T = -1;
    MADTRE(A, 0, T);
    EXPECT_EQ(T, 0.0);
    MADTRE(A, 3, T);
    EXPECT_EQ(T, 101.0 + 202.0 + 303.0);
}

TEST(Matrix, ColumnRemovalAndInsertion) {
    Mat<3, 6> A;
    fill_sentinel(A);
    for (int i = 1; i <= 2; ++i) {
        for (int j = 1; j <= 4; ++j) {
            A(i, j) = 10 * i + j;
        }
    }
    std::int16_t L = 4;
    MADRED(A, 2, L, 0);
    MADRED(A, 2, L, 5);
    EXPECT_EQ(L, 4);  // refused
    MADEXT(A, 2, L, 0);
    EXPECT_EQ(L, 4);
    MADRED(A, 2, L, 4);  // the last column: only L changes
    EXPECT_EQ(L, 3);
    EXPECT_EQ(A(1, 4), 14.0);
    L = 4;
    MADRED(A, 2, L, 2);
    EXPECT_EQ(L, 3);
    EXPECT_EQ(A(1, 2), 13.0);
    EXPECT_EQ(A(2, 3), 24.0);
    EXPECT_EQ(A(3, 2), kSentinel);  // rows beyond K are not moved
    MADEXT(A, 2, L, 2);             // the round trip restores the shape with a zero column
    EXPECT_EQ(L, 4);
    EXPECT_EQ(A(1, 1), 11.0);
    EXPECT_EQ(A(1, 2), 0.0);
    EXPECT_EQ(A(2, 2), 0.0);
    EXPECT_EQ(A(1, 3), 13.0);
    EXPECT_EQ(A(2, 4), 24.0);
    MADEXT(A, 2, L, 5);  // appends
    EXPECT_EQ(L, 5);
    EXPECT_EQ(A(1, 5), 0.0);
    MADEXT(A, 2, L, 1);
    EXPECT_EQ(L, 6);
    EXPECT_EQ(A(1, 1), 0.0);
    EXPECT_EQ(A(1, 2), 11.0);
    EXPECT_EQ(A(3, 1), kSentinel);
}

TEST(Inversion, WorkedExamples) {
    Mat<3, 3> A, B;
    A(1, 1) = 4;
    EXPECT_EQ(MADINV(A, B, 1), 0);
    EXPECT_EQ(B(1, 1), 0.25);

    Mat<3, 3> I3, J;
    fill_sentinel(J);
    for (int i = 1; i <= 3; ++i) {
        I3(i, i) = 1.0;
    }
    EXPECT_EQ(MADINV(I3, J, 3), 0);
    expect_block(J, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 0.0);

    Mat<2, 2> S, T;
    set2(S, 2, 1, 1, 3);
    EXPECT_EQ(MADINV(S, T, 2), 0);
    expect_block(T, {{0.6, -0.2}, {-0.2, 0.4}}, 4 * std::numeric_limits<double>::epsilon());
    EXPECT_EQ(S(1, 1), 2.0);  // the input is left alone

    set2(S, 0, 1, 1, 0);
    EXPECT_EQ(MADINV(S, T, 2), 1);  // invertible, but the first pivot is zero
    set2(S, 1e-17, 0, 0, 1);
    EXPECT_EQ(MADINV(S, T, 2), 1);
    set2(S, 1, 2, 2, 4);
    EXPECT_EQ(MADINV(S, T, 2), 1);
    S(1, 1) = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(MADINV(S, T, 2), 1);
    fill_sentinel(T);
    EXPECT_EQ(MADINV(S, T, 0), 0);
    EXPECT_TRUE(untouched_outside(T, 0, 0));
}

// The textbook loops of the product and the inversion, every term and every row taken, for
// comparison with the routines, which leave out terms that cannot change a bit.
template <int R, int C>
void reference_product(const Mat<R, C>& A, const Mat<R, C>& B, Mat<R, C>& P, int M, int L, int N) {
    for (int i = 1; i <= M; ++i) {
        for (int j = 1; j <= N; ++j) {
            P(i, j) = 0.0;
            for (int k = 1; k <= L; ++k) {
                P(i, j) = P(i, j) + A(i, k) * B(k, j);
            }
        }
    }
}

template <int R, int C>
int reference_inverse(const Mat<R, C>& A, Mat<R, C>& B, int K) {
    B = A;
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
        for (int L = 1; L <= K; ++L) {
            if (L != I) {
                const double Q = B(L, I);
                for (int J = 1; J <= K; ++J) {
                    B(L, J) = B(L, J) - B(I, J) * Q;
                }
            }
        }
    }
    for (int i = 1; i <= K; ++i) {
        B(i, i) = B(i, i) - 1.0;
    }
    return 0;
}

// Equal to the last bit, the sign of a zero included; any NaN matches any NaN.
template <int R, int C>
bool same_bits(const Mat<R, C>& X, const Mat<R, C>& Y, int K, int L) {
    for (int j = 1; j <= L; ++j) {
        for (int i = 1; i <= K; ++i) {
            const double x = X(i, j), y = Y(i, j);
            const bool both_nan = std::isnan(x) && std::isnan(y);
            if (!both_nan && std::bit_cast<std::uint64_t>(x) != std::bit_cast<std::uint64_t>(y)) {
                return false;
            }
        }
    }
    return true;
}

TEST(Matrix, SparseProductsAndInversesMatchTheTextbookLoopsBitForBit) {
    // Mostly zeros of both signs, with values that underflow when multiplied, and now and then an
    // infinity or a NaN: the cases where leaving out a zero term could change a result.
    std::mt19937 gen(20261207);
    auto value = [&gen](int nonfinite_in) -> double {
        const unsigned r = gen() % 100;
        if (r < 45) {
            return 0.0;
        }
        if (r < 60) {
            return -0.0;
        }
        if (r < 65) {
            return (gen() % 2 != 0 ? 1e-200 : -1e-200);
        }
        if (nonfinite_in > 0 && gen() % static_cast<unsigned>(nonfinite_in) == 0) {
            return gen() % 2 != 0 ? std::numeric_limits<double>::infinity()
                                  : std::numeric_limits<double>::quiet_NaN();
        }
        return static_cast<double>(static_cast<int>(gen() % 2001) - 1000) / 8.0;
    };
    static Mat<14, 14> A, B, C, D;
    int products = 0, inverses = 0;
    for (int round = 0; round < 3000; ++round) {
        const int nonfinite_in = round % 3 == 0 ? 40 : 0;
        const int M = 1 + static_cast<int>(gen() % 12), L = static_cast<int>(gen() % 13),
                  N = 1 + static_cast<int>(gen() % 12);
        for (int j = 1; j <= 14; ++j) {
            for (int i = 1; i <= 14; ++i) {
                A(i, j) = value(nonfinite_in);
                B(i, j) = value(nonfinite_in);
            }
        }
        MADMUL(A, B, C, M, L, N);
        reference_product(A, B, D, M, L, N);
        ASSERT_TRUE(same_bits(C, D, M, N)) << "product, round " << round;
        ++products;
        // A dominant diagonal, so that most inversions go through to the end.
        for (int i = 1; i <= 14; ++i) {
            A(i, i) = static_cast<double>(20 + static_cast<int>(gen() % 20)) *
                      (gen() % 5 == 0 ? -1.0 : 1.0);
        }
        const int K = 1 + static_cast<int>(gen() % 12);
        const int status = MADINV(A, C, K);
        ASSERT_EQ(status, reference_inverse(A, D, K)) << "inversion, round " << round;
        if (status == 0) {
            ASSERT_TRUE(same_bits(C, D, K, K)) << "inversion, round " << round;
            ++inverses;
        }
    }
    EXPECT_GT(inverses, 1000);
    EXPECT_EQ(products, 3000);
}

TEST(Rotation, AxesAndAngles) {
    Mat<3, 3> R;
    for (int osa = 1; osa <= 3; ++osa) {
        fill_sentinel(R);
        MADROT(R, 0.0, osa);
        expect_block(R, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 0.0);
    }
    const double h = std::acos(-1.0) / 2;
    MADROT(R, h, 3);
    expect_block(R, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}, 1e-15);
    MADROT(R, h, 2);
    expect_block(R, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}, 1e-15);
    MADROT(R, 0.3, 1);
    EXPECT_EQ(R(1, 1), 1.0);
    EXPECT_EQ(R(1, 2), 0.0);
    EXPECT_EQ(R(3, 1), 0.0);
    EXPECT_EQ(R(2, 3), -std::sin(0.3));
}

TEST(PointLookup, FirstMatchOrAMessage) {
    test::ScriptReader in({});
    test::StringWriter out;
    Console con(in, out);
    const std::int16_t IN[8] = {0, 5, 9, 5};
    std::int16_t I = 0;
    EXPECT_EQ(CBODU(IN, 3, 5, I, con), 0);
    EXPECT_EQ(I, 1);
    EXPECT_EQ(CBODU(IN, 3, 9, I, con), 0);
    EXPECT_EQ(I, 2);
    EXPECT_EQ(out.text, "");
    EXPECT_EQ(CBODU(IN, 0, 5, I, con), 1);
    EXPECT_EQ(CBODU(IN, 3, -4, I, con), 1);
    con.finish();
    EXPECT_EQ(out.text,
              "Procedura CBODU ... Hledane cislo neexistuje          5\r\n"
              "Procedura CBODU ... Hledane cislo neexistuje         -4\r\n");
}

}  // namespace
}  // namespace kavron
