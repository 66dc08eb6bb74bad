// Small vector kernels over contiguous columns, shared by the matrix routines. They are written so
// that the compiler vectorises them at -O2/-O3 without target-specific code.
#pragma once

#include <cstddef>

namespace ozm::matrix::detail {

// Sum of x[i] * y[i] with four interleaved partial sums (a fixed order, independent of the
// caller, so repeated runs give identical results).
inline double Dot(const double* x, const double* y, ptrdiff_t n) noexcept {
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    ptrdiff_t i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += x[i] * y[i];
        s1 += x[i + 1] * y[i + 1];
        s2 += x[i + 2] * y[i + 2];
        s3 += x[i + 3] * y[i + 3];
    }
    for (; i < n; ++i) s0 += x[i] * y[i];
    return (s0 + s1) + (s2 + s3);
}

// y[i] += a * x[i].
inline void Axpy(double a, const double* x, double* y, ptrdiff_t n) noexcept {
    for (ptrdiff_t i = 0; i < n; ++i) y[i] += a * x[i];
}

// x[i] *= a.
inline void Scale(double a, double* x, ptrdiff_t n) noexcept {
    for (ptrdiff_t i = 0; i < n; ++i) x[i] *= a;
}

// Plane rotation of two columns: (x, y) := (x c + y s, y c - x s).
inline void Rotate(double* x, double* y, ptrdiff_t n, double c, double s) noexcept {
    for (ptrdiff_t i = 0; i < n; ++i) {
        const double xi = x[i];
        const double yi = y[i];
        x[i] = xi * c + yi * s;
        y[i] = yi * c - xi * s;
    }
}

}  // namespace ozm::matrix::detail
