// Helpers of the matrix tests: building matrices from column lists, counting events, reference
// products and random matrices with a fixed seed.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

#include "matrices/matrix_gemm.hpp"
#include "ozm/matrix.hpp"

namespace ozm::testing {

// Sets the matrix to the given columns (all of equal length).
inline void SetColumns(TMatrix& m, std::initializer_list<std::initializer_list<double>> columns) {
    const int nc = static_cast<int>(columns.size());
    const int nr = nc > 0 ? static_cast<int>(columns.begin()->size()) : 0;
    m.Resize(nc, nr);
    int c = 1;
    for (const auto& col : columns) {
        int r = 1;
        for (double v : col) m.SetVal(c, r++, v);
        ++c;
    }
}

// Sets an n x n matrix from rows given in mathematical order (row i, column j).
inline void SetRows(TMatrix& m, std::initializer_list<std::initializer_list<double>> rows) {
    const int nr = static_cast<int>(rows.size());
    const int nc = nr > 0 ? static_cast<int>(rows.begin()->size()) : 0;
    m.Resize(nc, nr);
    int r = 1;
    for (const auto& row : rows) {
        int c = 1;
        for (double v : row) m.SetVal(c++, r, v);
        ++r;
    }
}

inline void FillRandom(TMatrix& m, int nc, int nr, uint32_t seed, double lo = -1.0, double hi = 1.0) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(lo, hi);
    m.Resize(nc, nr);
    for (int c = 1; c <= nc; ++c)
        for (int r = 1; r <= nr; ++r) m.SetVal(c, r, dist(gen));
}

// Counts OnChange notifications of a matrix while alive.
struct ChangeCounter {
    explicit ChangeCounter(TOZMContainer& m) { m.OnChange = [this](TObject*) { ++count; }; }
    int count = 0;
};

// Largest |a - b| over all cells; infinity when the shapes differ.
inline double MaxDiff(const TMatrix& a, const TMatrix& b) {
    if (a.NrOfColumns() != b.NrOfColumns() || a.NrOfRows() != b.NrOfRows()) return INFINITY;
    double d = 0.0;
    for (int c = 1; c <= a.NrOfColumns(); ++c)
        for (int r = 1; r <= a.NrOfRows(); ++r) d = std::max(d, std::fabs(a.GetVal(c, r) - b.GetVal(c, r)));
    return d;
}

// The plain product in mathematical terms: (A B)(r, c) = sum_i a(r, i) b(i, c), in increasing i.
// With Fused, every step is one fused multiply-add, as the FMA kernels of the product round.
inline void ReferenceProduct(const TMatrix& a, const TMatrix& b, TMatrix& res, bool Fused = false) {
    res.Resize(b.NrOfColumns(), a.NrOfRows());
    for (int c = 1; c <= b.NrOfColumns(); ++c)
        for (int r = 1; r <= a.NrOfRows(); ++r) {
            double s = 0.0;
            for (int i = 1; i <= a.NrOfColumns(); ++i) {
                if (Fused)
                    s = std::fma(a.GetVal(i, r), b.GetVal(c, i), s);
                else
                    s += a.GetVal(i, r) * b.GetVal(c, i);
            }
            res.SetVal(c, r, s);
        }
}

// Every product kernel this processor can run, and a guard that restores the kernel in use.
inline std::vector<matrix::detail::TGemmKernel> AvailableGemmKernels() {
    using matrix::detail::TGemmKernel;
    std::vector<TGemmKernel> kernels;
    for (TGemmKernel k : {TGemmKernel::gkPortable, TGemmKernel::gkAvx2Fma, TGemmKernel::gkAvx512})
        if (matrix::detail::GemmKernelAvailable(k)) kernels.push_back(k);
    return kernels;
}
struct GemmKernelGuard {
    matrix::detail::TGemmKernel saved = matrix::detail::ActiveGemmKernel();
    ~GemmKernelGuard() { matrix::detail::ForceGemmKernel(saved); }
};

// Restores the progress hooks after a test that sets them.
struct ProgressHooksGuard {
    ProgressHooksGuard() {
        AbortMathProc = false;
        MathFeedBackProc = nullptr;
    }
    ~ProgressHooksGuard() {
        AbortMathProc = false;
        MathFeedBackProc = nullptr;
    }
};

}  // namespace ozm::testing
