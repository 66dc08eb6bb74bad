// TMatrix::Square: the cross-product matrix A^T A / Norm, one column after the other on the
// calling thread or by worker threads.
//
// The unit of work is one column c of the result: the dot products of column c with columns
// c..n, written to the cells (c, i) and (i, c), so workers write disjoint cells and take no lock.
// Instead of one short-lived thread per column, NThreads threads (the calling thread and
// NThreads - 1 workers, matrices/column_workers.hpp) take the next column from a shared counter
// until none is left, so a thread is started once per call, not once per column, and no lock is
// taken per column. The calling thread supervises between its columns and while it waits for the
// workers (feedback procedure every 20 ms and after the last column, AbortMathProc).
#include <algorithm>
#include <cstring>
#include <vector>

#include "matrices/column_workers.hpp"
#include "matrices/matrix_internal.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/threads.hpp"

namespace ozm {

namespace {

#if defined(__GNUC__) || defined(__clang__)
typedef double v2d __attribute__((vector_size(16)));
inline v2d Load2(const double* p) noexcept {
    v2d v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
#endif

// Dot products of x with W columns y[0..W-1], each of n cells. Every column is summed in the
// same fixed pattern (two pairs of partial sums, then the tail), so a cell does not depend on
// which columns it was grouped with.
template <int W>
inline void DotColumns(const double* x, const double* const* y, ptrdiff_t n, double* out) {
    ptrdiff_t r = 0;
#if defined(__GNUC__) || defined(__clang__)
    v2d lo[W], hi[W];
    for (int w = 0; w < W; ++w) lo[w] = hi[w] = v2d{0.0, 0.0};
    for (; r + 4 <= n; r += 4) {
        const v2d x0 = Load2(x + r);
        const v2d x1 = Load2(x + r + 2);
        for (int w = 0; w < W; ++w) {
            lo[w] += x0 * Load2(y[w] + r);
            hi[w] += x1 * Load2(y[w] + r + 2);
        }
    }
    for (int w = 0; w < W; ++w) out[w] = (lo[w][0] + hi[w][0]) + (lo[w][1] + hi[w][1]);
#else
    double s[W][4] = {};
    for (; r + 4 <= n; r += 4)
        for (int w = 0; w < W; ++w)
            for (int q = 0; q < 4; ++q) s[w][q] += x[r + q] * y[w][r + q];
    for (int w = 0; w < W; ++w) out[w] = (s[w][0] + s[w][2]) + (s[w][1] + s[w][3]);
#endif
    for (; r < n; ++r)
        for (int w = 0; w < W; ++w) out[w] += x[r] * y[w][r];
}

// Column c (0-based) of the result, rows c..cols-1. Only this column is written: threads that
// also wrote the mirrored cells (i, c) would share cache lines with their neighbours' columns on
// every write; the upper triangle is filled by MirrorComputedColumns afterwards.
void SquareColumn(const double* a, int rows, int cols, int c, double norm, double* res) {
    const size_t ld = static_cast<size_t>(rows);
    const size_t ldr = static_cast<size_t>(cols);
    const double* x = a + c * ld;
    int i = c;
    for (; i + 4 <= cols; i += 4) {
        const double* y[4] = {a + i * ld, a + (i + 1) * ld, a + (i + 2) * ld, a + (i + 3) * ld};
        double s[4];
        DotColumns<4>(x, y, rows, s);
        for (int w = 0; w < 4; ++w) res[c * ldr + (i + w)] = s[w] / norm;
    }
    for (; i < cols; ++i) {
        const double* y[1] = {a + i * ld};
        double s;
        DotColumns<1>(x, y, rows, &s);
        res[c * ldr + i] = s / norm;
    }
}

// Copies column c below the diagonal to row c right of it, for every computed column c.
void MirrorComputedColumns(double* res, int cols, const std::vector<unsigned char>& computed) {
    const size_t ldr = static_cast<size_t>(cols);
    for (int c = 0; c < cols; ++c) {
        if (!computed[c]) continue;
        for (int i = c + 1; i < cols; ++i) res[i * ldr + c] = res[c * ldr + i];
    }
}

// Runs the columns on the calling thread and nthreads - 1 worker threads; true when every column
// was computed.
bool SquareByWorkers(const double* a, int rows, int cols, double norm, double* res,
                     int nthreads, std::vector<unsigned char>& computed) {
    return matrix::detail::RunColumnWorkers(cols, nthreads, true, [&](int c) {
        SquareColumn(a, rows, cols, c, norm, res);
        computed[c] = 1;
        ProcStat.fetch_add(1.0);
    });
}

}  // namespace

bool TMatrix::Square(TMatrix* MatRes, double Norm, int NThreads) {
    if (MatRes == nullptr) return false;
    const int cols = FNCol;
    const int rows = FNRow;
    // Squaring into this matrix itself: compute aside, the source must stay intact while read.
    std::vector<double> aside;
    double* res;
    if (MatRes == this) {
        aside = Guarded([&] { return matrix::detail::NewCells(cols, cols); });
        res = aside.data();
    } else {
        MatRes->Resize(cols, cols);
        res = MatRes->FData.data();
    }
    const double* a = FData.data();
    std::vector<unsigned char> computed = Guarded([&] { return std::vector<unsigned char>(cols, 0); });
    bool complete = true;
    if (NThreads <= 1) {
        for (int c = 0; c < cols; ++c) {
            if (progress::AbortRequested()) {
                complete = false;
                break;
            }
            progress::StepDone();
            SquareColumn(a, rows, cols, c, Norm, res);
            computed[c] = 1;
        }
    } else {
        // Starting and joining a thread costs some tens of microseconds; each thread gets at least
        // kWorkPerThread multiply-adds, so small products are not slowed down by threads.
        constexpr double kWorkPerThread = 2.0 * 1024 * 1024;
        const double work = static_cast<double>(rows) * cols * (cols + 1.0) / 2.0;
        const int byWork = static_cast<int>(std::min(1.0 + work / kWorkPerThread, 1e6));
        complete = SquareByWorkers(a, rows, cols, Norm, res, std::min({NThreads, cols, byWork}),
                                   computed);
    }
    MirrorComputedColumns(res, cols, computed);
    if (MatRes == this) {
        const bool resized = FNRow != cols;
        AdoptStorage(std::move(aside), cols, cols);
        if (resized) Changed();
    }
    return complete;
}

bool TMatrix::Square(TMatrix* MatRes, double Norm) { return Square(MatRes, Norm, ProcessorCount()); }

}  // namespace ozm
