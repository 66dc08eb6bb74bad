// Matrix inversion of open arrays: Crout's LU decomposition with implicit partial pivoting,
// followed by forward and back substitution for each unit vector.
//
// The working matrix is copied into one contiguous row-major buffer. Crout's recurrences for
// column j are inner products of a row of L with column j of U; column j is gathered into a
// contiguous vector first, so both operands of every inner product are contiguous. The result
// columns are the solution vectors themselves: column j of the inverse is A[j] in the array
// layout. The caller's array is replaced only after everything succeeded, so a singular matrix
// or an abort leaves it as it was.
#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include "openarrays/shape.hpp"
#include "ozm/frame.hpp"
#include "ozm/openarrays/linalg.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

constexpr double kTinyPivot = 1e-100;

double Dot(const double* a, const double* b, size_t n) {
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        s0 += a[k] * b[k];
        s1 += a[k + 1] * b[k + 1];
        s2 += a[k + 2] * b[k + 2];
        s3 += a[k + 3] * b[k + 3];
    }
    for (; k < n; ++k) s0 += a[k] * b[k];
    return (s0 + s1) + (s2 + s3);
}

struct LUWork {
    size_t n = 0;
    std::vector<double> lu;  // row-major, lu[r * n + c] = M(r, c)
    std::vector<double> scale;
    std::vector<double> column;
    std::vector<size_t> pivot;
    TDouble2DArray inverse;

    double* Row(size_t r) { return lu.data() + r * n; }
};

// Scale factors 1 / max |M(r, c)| of every row; false when a row is all zero.
bool ScaleRows(LUWork& w) {
    bool regular = true;
    for (size_t r = 0; r < w.n; ++r) {
        const double* row = w.Row(r);
        double big = 0;
        for (size_t c = 0; c < w.n; ++c) big = std::fmax(big, std::fabs(row[c]));
        if (big == 0)
            regular = false;  // still scan the remaining rows
        else
            w.scale[r] = 1 / big;
    }
    return regular;
}

// Crout decomposition in place; 0, -3 for a singular matrix or an abort.
int Decompose(LUWork& w) {
    const size_t n = w.n;
    double* col = w.column.data();
    bool singular = false;
    for (size_t j = 0; j < n; ++j) {
        progress::StepDone();
        if (progress::AbortRequested()) return -3;
        for (size_t i = 0; i < n; ++i) col[i] = w.lu[i * n + j];
        // Upper part (i < j) and lower part (i >= j) of column j.
        for (size_t i = 0; i < n; ++i) col[i] -= Dot(w.Row(i), col, i < j ? i : j);
        size_t imax = j;
        double big = 0;
        for (size_t i = j; i < n; ++i) {
            const double weighted = w.scale[i] * std::fabs(col[i]);
            if (weighted >= big) {  // a later row wins a tie
                big = weighted;
                imax = i;
            }
        }
        for (size_t i = 0; i < n; ++i) w.lu[i * n + j] = col[i];
        if (imax != j) {
            std::swap_ranges(w.Row(imax), w.Row(imax) + n, w.Row(j));
            w.scale[imax] = w.scale[j];
        }
        w.pivot[j] = imax;
        double& p = w.lu[j * n + j];
        if (!(std::fabs(p) >= kTinyPivot)) {  // tiny or NaN: finish, then report
            p = kTinyPivot;
            singular = true;
        }
        const double inv = 1 / p;
        for (size_t i = j + 1; i < n; ++i) w.lu[i * n + j] *= inv;
    }
    return singular ? -3 : 0;
}

// Solves L U x = e_j for every j into the columns of the inverse; 0 or -3 on abort.
int Substitute(LUWork& w) {
    const size_t n = w.n;
    constexpr size_t kNone = static_cast<size_t>(-1);
    for (size_t j = 0; j < n; ++j) {
        progress::StepDone();
        if (progress::AbortRequested()) return -3;
        double* b = w.inverse[j].data();
        b[j] = 1;
        // Forward substitution, skipping the leading zeros of the permuted right-hand side.
        size_t first = kNone;
        for (size_t i = 0; i < n; ++i) {
            const size_t ip = w.pivot[i];
            double sum = b[ip];
            b[ip] = b[i];
            if (first != kNone)
                sum -= Dot(w.Row(i) + first, b + first, i - first);
            else if (sum != 0)
                first = i;
            b[i] = sum;
        }
        for (size_t i = n; i-- > 0;) {
            const double* row = w.Row(i);
            b[i] = (b[i] - Dot(row + i + 1, b + i + 1, n - i - 1)) / row[i];
        }
    }
    return 0;
}

}  // namespace

int InvertArray(TDouble2DArray& A) {
    if (IsEmpty(A)) return -1;
    const size_t n = A.size();
    if (A[0].size() != n || !IsRectangular(A)) return -1;
    LUWork w;
    try {
        w.n = n;
        w.lu.resize(n * n);
        w.scale.resize(n);
        w.column.resize(n);
        w.pivot.resize(n);
        w.inverse.assign(n, TDoubleArray(n, 0.0));
    } catch (const std::bad_alloc&) {
        return -2;
    }
    for (size_t c = 0; c < n; ++c) {
        const double* src = A[c].data();
        for (size_t r = 0; r < n; ++r) w.lu[r * n + c] = src[r];
    }
    if (!ScaleRows(w)) return -3;
    if (const int rc = Decompose(w)) return rc;
    if (const int rc = Substitute(w)) return rc;
    A = std::move(w.inverse);
    return 0;
}

int InvertArray(TBoolArray& A) {
    if (A.empty()) return -1;
    A.flip();
    return 0;
}

int InvertArray(TBool2DArray& A) {
    if (IsEmpty(A)) return -1;
    for (TBoolArray& column : A) column.flip();
    return 0;
}

}  // namespace ozm::openarrays
