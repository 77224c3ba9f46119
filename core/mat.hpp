#pragma once
// Storage of the stages' matrices: dense, 8-byte reals, column-major and indexed from 1, each with
// the extents it is declared with for the whole run.
#include <array>
#include <cassert>
#include <cstddef>

namespace kavron {

// A view of a matrix with its declared extents M x N; element (i, j) lies at (i-1) + (j-1)·M.
struct MatRef {
    double* p;
    int M;
    int N;
    double& operator()(int i, int j) const {
        assert(i >= 1 && i <= M && j >= 1 && j <= N);
        return p[(i - 1) + (j - 1) * M];
    }
};

// A read-only view of a matrix, the same way.
struct MatIn {
    const double* p;
    int M;
    int N;
    MatIn(const double* data, int m, int n) : p(data), M(m), N(n) {}
    MatIn(MatRef r) : p(r.p), M(r.M), N(r.N) {}  // NOLINT(google-explicit-constructor)
    double operator()(int i, int j) const {
        assert(i >= 1 && i <= M && j >= 1 && j <= N);
        return p[(i - 1) + (j - 1) * M];
    }
};

// A matrix owned by a stage, declared R x C once for the whole run.
template <int R, int C>
struct Mat {
    std::array<double, static_cast<std::size_t>(R) * C> a{};
    static std::size_t at(int i, int j) {
        assert(i >= 1 && i <= R && j >= 1 && j <= C);  // the debug builds check every index
        return static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * R;
    }
    double& operator()(int i, int j) { return a[at(i, j)]; }
    double operator()(int i, int j) const { return a[at(i, j)]; }
    MatRef ref() { return {a.data(), R, C}; }
    operator MatRef() { return ref(); }  // NOLINT(google-explicit-constructor)
    MatIn in() const { return {a.data(), R, C}; }
    operator MatIn() const { return in(); }  // NOLINT(google-explicit-constructor)
};

}  // namespace kavron
