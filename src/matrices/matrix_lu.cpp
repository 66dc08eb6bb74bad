// Crout LU decomposition with implicit partial pivoting, and the inverse from its factors.
//
// Crout's method computes column j from the finished columns left of it: a(i, j) -= sum over
// k < min(i, j) of a(i, k) a(k, j), subtracted in increasing k. Here the columns are taken in
// panels of kPanel: the contributions of the columns left of a panel are subtracted by the
// blocked product (which keeps the increasing k of every cell), the rest column by column over
// contiguous memory. Every cell thus receives exactly the subtractions of the textbook inner
// products, in their order, and the pivots come out the same.
#include "matrices/matrix_lu.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "matrices/matrix_gemm.hpp"
#include "ozm/frame.hpp"

namespace ozm::matrix::detail {

namespace {

constexpr double kTinyPivot = 1e-100;
// Columns of a panel of the decomposition, and rows of a block of the triangular solves.
constexpr int kPanel = 64;
// Columns of the identity solved together.
constexpr int kRhsBlock = 64;

inline bool Step() {
    progress::StepDone();
    return !progress::AbortRequested();
}

// Column-major view helpers over a matrix with leading dimension ld.
inline TOperand View(const double* base, ptrdiff_t ld) { return {base, 1, ld}; }

// Columns [j0, j1) of an n x n matrix with unit lower factor L below the diagonal: rows i of
// [r0, r1) receive the subtractions of k in [r0, i), in increasing k.
void UnitLowerTriangle(const double* l, double* x, ptrdiff_t ld, int r0, int r1, int j0, int j1) {
    for (int j = j0; j < j1; ++j) {
        double* xj = x + j * ld;
        for (int k = r0; k < r1; ++k) {
            const double xk = xj[k];
            const double* lk = l + k * ld;
            for (int i = k + 1; i < r1; ++i) xj[i] -= lk[i] * xk;
        }
    }
}

}  // namespace

TLUStatus RowScales(const double* a, int n, std::vector<double>& scale) {
    scale.assign(static_cast<size_t>(n), 0.0);
    for (int c = 0; c < n; ++c) {
        const double* col = a + static_cast<size_t>(c) * n;
        for (int r = 0; r < n; ++r) {
            const double v = std::fabs(col[r]);
            if (v > scale[r]) scale[r] = v;
        }
    }
    for (int r = 0; r < n; ++r) {
        if (!(scale[r] > 0.0)) return TLUStatus::ZeroRow;
        scale[r] = 1.0 / scale[r];
    }
    return TLUStatus::Ok;
}

TLUStatus CroutDecompose(double* a, int n, std::vector<double>& scale, std::vector<int>& perm,
                         int& sign, bool Progress) {
    perm.assign(static_cast<size_t>(n), 0);
    sign = 1;
    TLUStatus status = TLUStatus::Ok;
    const ptrdiff_t ld = n;
    for (int j0 = 0; j0 < n; j0 += kPanel) {
        const int j1 = std::min(n, j0 + kPanel);
        const int width = j1 - j0;
        double* panel = a + j0 * ld;
        // Rows above the panel, block by block: the columns left of the block by the product,
        // then the triangle inside the block.
        for (int i0 = 0; i0 < j0; i0 += kPanel) {
            const int i1 = std::min(j0, i0 + kPanel);
            GemmAccumulate(i1 - i0, width, i0, View(a + i0, ld), View(panel, ld), panel + i0, ld,
                           true);
            UnitLowerTriangle(a, a, ld, i0, i1, j0, j1);
        }
        // Rows from the panel's diagonal down: every column left of the panel.
        GemmAccumulate(n - j0, width, j0, View(a + j0, ld), View(panel, ld), panel + j0, ld, true);
        // The panel's own columns, one after the other.
        for (int j = j0; j < j1; ++j) {
            if (Progress && !Step()) return TLUStatus::Aborted;
            double* cj = a + j * ld;
            for (int k = j0; k < j; ++k) {
                const double akj = cj[k];
                const double* ck = a + k * ld;
                for (int i = k + 1; i < n; ++i) cj[i] -= ck[i] * akj;
            }
            // Pivot: the largest scaled magnitude on or below the diagonal, the last one on ties.
            double big = 0.0;
            int imax = j;
            for (int i = j; i < n; ++i) {
                const double d = scale[i] * std::fabs(cj[i]);
                if (d >= big) {
                    big = d;
                    imax = i;
                }
            }
            if (imax != j) {
                for (int c = 0; c < n; ++c) std::swap(a[c * ld + imax], a[c * ld + j]);
                std::swap(scale[imax], scale[j]);
                sign = -sign;
            }
            perm[j] = imax;
            if (!(std::fabs(cj[j]) >= kTinyPivot)) {
                cj[j] = kTinyPivot;
                status = TLUStatus::Singular;
            }
            const double pivot = cj[j];
            for (int i = j + 1; i < n; ++i) cj[i] /= pivot;
        }
    }
    return status;
}

// The inverse is U^-1 L^-1 P: column j of P I is the unit column e(q) of the row q that the
// interchanges move its 1 to, so the columns are solved in the order of q, as columns of the
// identity, and placed at j at the end. Forward substitution: column q has zeros above row q, so
// a block of columns starting at q0 needs no row above q0 (the textbook skips the leading zeros
// likewise; the zeros of a block contribute exact zeros); each cell receives the subtractions of
// increasing k. Back substitution: the subtractions of decreasing k, then the division by the
// pivot; the product over the rows below a block runs its depth backwards (negative strides) to
// keep that order.
bool InverseFromFactors(const double* lu, int n, const std::vector<int>& perm, double* work,
                        double* out) {
    const ptrdiff_t ld = n;
    std::fill_n(work, static_cast<size_t>(n) * n, 0.0);
    for (int q0 = 0; q0 < n; q0 += kRhsBlock) {
        const int q1 = std::min(n, q0 + kRhsBlock);
        const int width = q1 - q0;
        for (int q = q0; q < q1; ++q)
            if (!Step()) return false;
        double* y = work + q0 * ld;
        for (int q = q0; q < q1; ++q) work[q * ld + q] = 1.0;
        for (int i0 = q0; i0 < n; i0 += kPanel) {
            const int i1 = std::min(n, i0 + kPanel);
            GemmAccumulate(i1 - i0, width, i0 - q0, View(lu + q0 * ld + i0, ld), View(y + q0, ld),
                           y + i0, ld, true);
            UnitLowerTriangle(lu, work, ld, i0, i1, q0, q1);
        }
        for (int i1 = n; i1 > 0; i1 -= kPanel) {
            const int i0 = std::max(0, i1 - kPanel);
            if (i1 < n) {
                const int depth = n - i1;
                const TOperand upper{lu + (n - 1) * ld + i0, 1, -ld};  // U(i0 + i, n - 1 - p)
                const TOperand solved{y + (n - 1), -1, ld};            // Y(n - 1 - p, j)
                GemmAccumulate(i1 - i0, width, depth, upper, solved, y + i0, ld, true);
            }
            for (int q = q0; q < q1; ++q) {
                double* yq = work + q * ld;
                for (int k = i1 - 1; k >= i0; --k) {
                    const double* uk = lu + k * ld;
                    const double yk = yq[k] / uk[k];
                    yq[k] = yk;
                    for (int i = i0; i < k; ++i) yq[i] -= uk[i] * yk;
                }
            }
        }
    }
    // where[q]: the column of P I whose 1 the interchanges moved to row q.
    std::vector<int> where(static_cast<size_t>(n));
    for (int q = 0; q < n; ++q) where[q] = q;
    for (int i = 0; i < n; ++i)
        if (perm[i] != i) std::swap(where[i], where[perm[i]]);
    for (int q = 0; q < n; ++q) std::copy_n(work + q * ld, n, out + where[q] * ld);
    return true;
}

}  // namespace ozm::matrix::detail
