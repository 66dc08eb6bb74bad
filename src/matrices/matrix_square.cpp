// TMatrix::Square: the cross-product matrix A^T A / Norm on the blocked product.
//
// The result is symmetric, so only its lower triangle is computed, in panels of kPanel columns:
// panel [j0, j0 + w) is the product of rows j0..n-1 of A^T with columns j0..j0+w-1 of A, one call
// of the blocked product (matrix_gemm.hpp) that packs its operands into cache-sized blocks and
// runs the register kernel of the processor; the upper triangle is mirrored afterwards. Each cell
// accumulates its products in increasing row order with the rounding of the active kernel, so the
// result does not depend on the panels nor on the number of threads.
//
// Progress and abort keep the column as their unit: before a panel is computed, each of its
// columns is announced (ProcStat, and the feedback procedure on one thread) after a look at
// AbortMathProc; an abort leaves the columns from that one on uncomputed. With several threads
// the panels are the units of the worker crew (matrices/column_workers.hpp): the calling thread
// and NThreads - 1 workers take panels from a shared counter, largest first, while the calling
// thread supervises (feedback procedure before the first panel, every 20 ms and after the last
// panel; AbortMathProc).
#include <algorithm>
#include <vector>

#include "matrices/column_workers.hpp"
#include "matrices/matrix_gemm.hpp"
#include "matrices/matrix_internal.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/threads.hpp"

namespace ozm {

namespace {

// Columns of a panel: a multiple of every kernel's tile width (4, 6 and 12).
constexpr int kPanel = 96;

// Columns [j0, j0 + w) of the result, rows j0..cols-1: zeroed, accumulated by the blocked
// product of A^T and A, divided by norm. Only these cells are written.
void SquarePanel(const double* a, int rows, int cols, int j0, int w, double norm, double* res) {
    using matrix::detail::TOperand;
    const ptrdiff_t ld = rows, ldr = cols;
    const int m = cols - j0;
    double* c = res + j0 * ldr + j0;
    for (int j = 0; j < w; ++j) std::fill_n(c + j * ldr, m, 0.0);
    // Row i of A^T is column j0 + i of A; column j of the right operand is column j0 + j.
    const TOperand left{a + j0 * ld, ld, 1};
    const TOperand right{a + j0 * ld, 1, ld};
    matrix::detail::GemmAccumulate(m, w, rows, left, right, c, ldr);
    for (int j = 0; j < w; ++j) {
        double* column = c + j * ldr;
        for (int i = j; i < m; ++i) column[i] /= norm;
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

// Runs the panels on the calling thread and nthreads - 1 worker threads; true when every panel
// was computed.
bool SquareByWorkers(const double* a, int rows, int cols, double norm, double* res,
                     int nthreads, std::vector<unsigned char>& computed) {
    const int panels = (cols + kPanel - 1) / kPanel;
    return matrix::detail::RunColumnWorkers(panels, nthreads, true, [&](int p) {
        const int j0 = p * kPanel, w = std::min(kPanel, cols - j0);
        SquarePanel(a, rows, cols, j0, w, norm, res);
        std::fill_n(computed.begin() + j0, w, 1);
        ProcStat.fetch_add(static_cast<double>(w));
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
        for (int j0 = 0; j0 < cols && complete; j0 += kPanel) {
            int w = 0;
            for (; w < std::min(kPanel, cols - j0); ++w) {
                if (progress::AbortRequested()) {
                    complete = false;
                    break;
                }
                progress::StepDone();
            }
            if (w == 0) break;
            SquarePanel(a, rows, cols, j0, w, Norm, res);
            std::fill_n(computed.begin() + j0, w, 1);
        }
    } else {
        // Starting and joining a thread costs some tens of microseconds; each thread gets at least
        // kWorkPerThread multiply-adds, so small products are not slowed down by threads.
        constexpr double kWorkPerThread = 2.0 * 1024 * 1024;
        const double work = static_cast<double>(rows) * cols * (cols + 1.0) / 2.0;
        const int byWork = static_cast<int>(std::min(1.0 + work / kWorkPerThread, 1e6));
        const int panels = (cols + kPanel - 1) / kPanel;
        complete = SquareByWorkers(a, rows, cols, Norm, res, std::min({NThreads, panels, byWork}),
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
