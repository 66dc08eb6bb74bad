// Crout LU decomposition with implicit partial pivoting, and the inverse from its factors.
//
// Crout's method computes column j from the finished columns left of it: a(i, j) -= sum over
// k < min(i, j) of a(i, k) a(k, j). On column-major storage this is done as a sequence of column
// updates in increasing k (left-looking), which gives every cell the same sequence of roundings
// as the textbook inner products while the loops run over contiguous memory.
#include "matrices/matrix_lu.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "ozm/frame.hpp"

namespace ozm::matrix::detail {

namespace {

constexpr double kTinyPivot = 1e-100;
// Columns of the identity solved together: the factor columns are then read once per block.
constexpr int kRhsBlock = 8;

inline bool Step() {
    progress::StepDone();
    return !progress::AbortRequested();
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
    const size_t ld = static_cast<size_t>(n);
    for (int j = 0; j < n; ++j) {
        if (Progress && !Step()) return TLUStatus::Aborted;
        double* cj = a + j * ld;
        for (int k = 0; k < j; ++k) {
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
    return status;
}

bool InverseFromFactors(const double* lu, int n, const std::vector<int>& perm, double* inv) {
    const size_t ld = static_cast<size_t>(n);
    std::fill_n(inv, ld * ld, 0.0);
    for (int j0 = 0; j0 < n; j0 += kRhsBlock) {
        const int nb = std::min(kRhsBlock, n - j0);
        for (int b = 0; b < nb; ++b)
            if (!Step()) return false;
        double* y[kRhsBlock];
        int first[kRhsBlock];
        int firstOfBlock = n;
        for (int b = 0; b < nb; ++b) {
            y[b] = inv + (j0 + b) * ld;
            y[b][j0 + b] = 1.0;
            // The row interchanges of the decomposition, in their order.
            for (int i = 0; i < n; ++i)
                if (perm[i] != i) std::swap(y[b][i], y[b][perm[i]]);
            first[b] = static_cast<int>(std::find(y[b], y[b] + n, 1.0) - y[b]);
            firstOfBlock = std::min(firstOfBlock, first[b]);
        }
        // Forward substitution with the unit lower factor, skipping the leading zeros.
        for (int k = firstOfBlock; k < n; ++k) {
            const double* lk = lu + k * ld;
            for (int b = 0; b < nb; ++b) {
                if (k < first[b]) continue;
                const double yk = y[b][k];
                double* yb = y[b];
                for (int i = k + 1; i < n; ++i) yb[i] -= lk[i] * yk;
            }
        }
        // Back substitution with the upper factor.
        for (int k = n - 1; k >= 0; --k) {
            const double* uk = lu + k * ld;
            for (int b = 0; b < nb; ++b) {
                double* yb = y[b];
                const double yk = yb[k] / uk[k];
                yb[k] = yk;
                for (int i = 0; i < k; ++i) yb[i] -= uk[i] * yk;
            }
        }
    }
    return true;
}

}  // namespace ozm::matrix::detail
