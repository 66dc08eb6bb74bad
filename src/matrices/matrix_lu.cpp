// Crout LU decomposition with implicit partial pivoting, and the inverse from its factors.
//
// Crout's method gives every cell the subtractions a(i, j) -= a(i, k) a(k, j) over
// k < min(i, j), in increasing k. Here the columns are taken in panels of kPanel, right-looking:
// when a panel is reached, every cell right of the panels before it has received their
// subtractions; the panel's own columns are finished one after the other over contiguous memory,
// its row block right of it is solved with its unit lower triangle, and the rest of the matrix
// receives the panel's subtractions from one blocked product, which keeps the increasing k of
// every cell. Every cell thus receives exactly the subtractions of the textbook inner products,
// in their order, and the pivots come out the same. (A left-looking order gives the same cells
// but repacks everything left of each panel for its product, which costs more than the product.)
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
constexpr int kRhsBlock = 256;

inline bool Step() {
    progress::StepDone();
    return !progress::AbortRequested();
}

// Column-major view helpers over a matrix with leading dimension ld.
inline TOperand View(const double* base, ptrdiff_t ld) { return {base, 1, ld}; }

// Forward elimination of one column x with the unit lower columns l + k ld, k in [k0, k1): for
// k in increasing order, x[i] -= l(i, k) x[k] for every row i in (k, end). Each x[k] is final
// once the columns before k are subtracted, so four columns are taken at once: the rows inside
// the group first (in order), then every row below the group receives the four subtractions in
// increasing k in one pass, which loads and stores x once instead of four times. Every cell gets
// the same subtractions in the same order as the column-at-a-time loop. Compiled also for AVX2
// (without FMA, whose fused rounding would change the results) and chosen at load time where
// the processor has it; both give identical results.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target_clones("avx2", "default")))
#endif
void EliminateColumn(const double* l, ptrdiff_t ld, double* x, int k0, int k1, int end) {
    int k = k0;
    for (; k + 4 <= k1; k += 4) {
        const double* c0 = l + k * ld;
        const double* c1 = c0 + ld;
        const double* c2 = c1 + ld;
        const double* c3 = c2 + ld;
        const int head = std::min(end, k + 4);
        for (int i = k + 1; i < head; ++i) x[i] -= c0[i] * x[k];
        for (int i = k + 2; i < head; ++i) x[i] -= c1[i] * x[k + 1];
        for (int i = k + 3; i < head; ++i) x[i] -= c2[i] * x[k + 2];
        const double m0 = x[k], m1 = x[k + 1], m2 = x[k + 2], m3 = x[k + 3];
        for (int i = k + 4; i < end; ++i) {
            double v = x[i];
            v -= c0[i] * m0;
            v -= c1[i] * m1;
            v -= c2[i] * m2;
            v -= c3[i] * m3;
            x[i] = v;
        }
    }
    for (; k < k1; ++k) {
        const double* ck = l + k * ld;
        const double xk = x[k];
        for (int i = k + 1; i < end; ++i) x[i] -= ck[i] * xk;
    }
}

// Columns [j0, j1) of an n x n matrix with unit lower factor L below the diagonal: rows i of
// [r0, r1) receive the subtractions of k in [r0, i), in increasing k.
void UnitLowerTriangle(const double* l, double* x, ptrdiff_t ld, int r0, int r1, int j0, int j1) {
    for (int j = j0; j < j1; ++j) EliminateColumn(l, ld, x + j * ld, r0, r1, r1);
}

// The row interchanges of steps [j0, j1) applied to every column outside [j0, j1), in the order
// of the steps. Column by column, so each column's rows are touched while they are in cache; the
// panel reads no column outside itself, so deferring the interchanges to here moves the same
// values as exchanging whole rows at each step.
void ApplyInterchanges(double* a, int n, const std::vector<int>& perm, int j0, int j1) {
    auto interchange = [&](int c0, int c1) {
        for (int c = c0; c < c1; ++c) {
            double* col = a + static_cast<ptrdiff_t>(c) * n;
            for (int j = j0; j < j1; ++j)
                if (perm[j] != j) std::swap(col[perm[j]], col[j]);
        }
    };
    interchange(0, j0);
    interchange(j1, n);
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
        // The panel's own columns, one after the other: the subtractions of the panel's columns
        // left of each, then its pivot.
        for (int j = j0; j < j1; ++j) {
            if (Progress && !Step()) {
                ApplyInterchanges(a, n, perm, j0, j);
                return TLUStatus::Aborted;
            }
            double* cj = a + j * ld;
            EliminateColumn(a, ld, cj, j0, j, n);
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
                // Only the panel's columns now; the others receive the panel's interchanges below.
                for (int c = j0; c < j1; ++c) std::swap(a[c * ld + imax], a[c * ld + j]);
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
        ApplyInterchanges(a, n, perm, j0, j1);
        if (j1 == n) break;
        // The panel's rows right of it: the subtractions of k in [j0, i) of row i.
        UnitLowerTriangle(a, a, ld, j0, j1, j1, n);
        // Below and right of the panel: the subtractions of k in [j0, j1).
        GemmAccumulate(n - j1, n - j1, j1 - j0, View(a + j0 * ld + j1, ld),
                       View(a + j1 * ld + j0, ld), a + j1 * ld + j1, ld, true);
    }
    return status;
}

// The inverse is U^-1 L^-1 P: column j of P I is the unit column e(q) of the row q that the
// interchanges move its 1 to, so the columns are solved in the order of q, as columns of the
// identity, and placed at j at the end. Both substitutions run right-looking by blocks of kPanel
// rows, like the decomposition. Forward substitution: column q has zeros above row q, so a block
// of columns starting at q0 needs no row above q0 (the textbook skips the leading zeros
// likewise; the zeros of a block contribute exact zeros); each cell receives the subtractions of
// increasing k. Back substitution, from the last block up: the subtractions of decreasing k,
// then the division by the pivot; the product for the rows above a block runs its depth
// backwards (negative strides) to keep that order.
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
            UnitLowerTriangle(lu, work, ld, i0, i1, q0, q1);
            if (i1 < n)
                GemmAccumulate(n - i1, width, i1 - i0, View(lu + i0 * ld + i1, ld), View(y + i0, ld),
                               y + i1, ld, true);
        }
        for (int i1 = n; i1 > 0; i1 -= kPanel) {
            const int i0 = std::max(0, i1 - kPanel);
            for (int q = q0; q < q1; ++q) {
                double* yq = work + q * ld;
                for (int k = i1 - 1; k >= i0; --k) {
                    const double* uk = lu + k * ld;
                    const double yk = yq[k] / uk[k];
                    yq[k] = yk;
                    for (int i = i0; i < k; ++i) yq[i] -= uk[i] * yk;
                }
            }
            if (i0 > 0) {
                const TOperand upper{lu + (i1 - 1) * ld, 1, -ld};  // U(i, i1 - 1 - p)
                const TOperand solved{y + (i1 - 1), -1, ld};       // Y(i1 - 1 - p, j)
                GemmAccumulate(i0, width, i1 - i0, upper, solved, y, ld, true);
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
