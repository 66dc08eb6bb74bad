// Helpers shared by the source files of TMatrix and TIntMatrix.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <stdexcept>
#include <vector>

#include "ozm/matrix.hpp"
#include "ozm/platform/component_error.hpp"

namespace ozm::matrix::detail {

// Zeroed storage for nc x nr cells with one spare column or row for a dimension of 0. Exhausted
// memory and unrepresentable sizes arrive as std::bad_alloc.
template <typename TCell>
std::vector<TCell> NewCellsOf(int nc, int nr) {
    const size_t cols = static_cast<size_t>(std::max(nc, 1));
    const size_t rows = static_cast<size_t>(std::max(nr, 1));
    if (rows > std::vector<TCell>().max_size() / cols) throw std::bad_alloc();
    // More than the physical memory could only be met by overcommitted pages.
    if (rows * cols > ozm::PhysicalMemory() / sizeof(TCell)) throw std::bad_alloc();
    try {
        return std::vector<TCell>(cols * rows, TCell(0));
    } catch (const std::length_error&) {
        throw std::bad_alloc();
    }
}
inline std::vector<double> NewCells(int nc, int nr) { return NewCellsOf<double>(nc, nr); }

// Visits the cells of the rectangle [LowCol..HighCol] x [LowRow..HighRow] (1-based, valid) of a
// column-major matrix with `rows` rows, column by column, rows within a column.
template <typename TCell, typename F>
void VisitRectangle(const TCell* data, int rows, int LowCol, int LowRow, int HighCol, int HighRow,
                    F&& visit) {
    for (int c = LowCol; c <= HighCol; ++c) {
        const TCell* col = data + static_cast<size_t>(c - 1) * rows;
        for (int r = LowRow - 1; r < HighRow; ++r) visit(col[r]);
    }
}

// Mean and variance of the matrix statistics: Variance = (sum d^2 - (sum d)^2 / n) / (n - 1),
// d the deviations from the mean, for n >= 3, and 1 for one or two cells; rounding below 0
// gives 0. n = 0 gives 0 and 0.
void MeanVarOf(std::span<const double> cells, double& Mean, double& Variance);

// Skewness (s3 / n) / sd^3 and excess kurtosis (s4 / n) / sd^4 - 3 from the sums s1..s4 of the
// first to fourth powers of the deviations from the mean of n values, sd the sample standard
// deviation; both left unchanged when sd is 0 or NaN.
void SkewKurtOfMoments(double n, double s1, double s2, double s3, double s4, double& Skewness,
                       double& Kurtosis);
// Turns the skewness and kurtosis above into their sample-size corrected forms (n >= 4).
void CorrectSkewKurtForSample(double n, double& Skewness, double& Kurtosis);

// The cell of rank round(n * prob / 100), held to n - 1, of the cells in ascending order (prob
// held to [0, 100]); reorders the cells. NaN ranks above every number. n = 0 gives 0.
double SelectPercentile(std::span<double> cells, double prob);

// Strict weak order of the order statistics: NaN above every number and equal to itself.
inline bool NaNLastLess(double a, double b) noexcept {
    return a < b || (b != b && a == a);
}

// Comb sort with shrink factor 1.3 over positions first..last, as the vector's sort does it:
// OutOfOrder(i, j) decides, Exchange(i, j) swaps. The passes end after a pass with gap 1 that
// made no exchange. Equal and NaN keys are never exchanged, so it always ends.
template <typename OutOfOrder, typename Exchange>
void CombSort(int first, int last, OutOfOrder&& outOfOrder, Exchange&& exchange) {
    int gap = last - first;
    if (gap < 1) return;
    bool exchanged;
    do {
        gap = std::max(1, static_cast<int>(std::trunc(gap / 1.3)));
        exchanged = false;
        for (int i = first; i + gap <= last; ++i) {
            if (outOfOrder(i, i + gap)) {
                exchange(i, i + gap);
                exchanged = true;
            }
        }
    } while (gap > 1 || exchanged);
}

// The distance |a - b| of two cells, taken in double (integer differences may leave the range).
template <typename TCell>
inline double CellDistance(TCell a, TCell b) noexcept {
    return std::fabs(static_cast<double>(a) - static_cast<double>(b));
}

}  // namespace ozm::matrix::detail

// Explicit instantiation of the core members a source file defines, for both matrix classes:
// the file defines a macro Members(TCell, TSelf) that lists them and passes it here.
#define OZM_INSTANTIATE_MATRIX_CORE(Members) Members(double, TMatrix) Members(int32_t, TIntMatrix)
