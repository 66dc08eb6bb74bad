// Helpers shared by the source files of TMatrix.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace ozm::matrix::detail {

// Zeroed storage for nc x nr cells with one spare column or row for a dimension of 0. Exhausted
// memory and unrepresentable sizes arrive as std::bad_alloc.
std::vector<double> NewCells(int nc, int nr);

// Visits the cells of the rectangle [LowCol..HighCol] x [LowRow..HighRow] (1-based, valid) of a
// column-major matrix with `rows` rows, column by column, rows within a column.
template <typename F>
void VisitRectangle(const double* data, int rows, int LowCol, int LowRow, int HighCol,
                    int HighRow, F&& visit) {
    for (int c = LowCol; c <= HighCol; ++c) {
        const double* col = data + static_cast<size_t>(c - 1) * rows;
        for (int r = LowRow - 1; r < HighRow; ++r) visit(col[r]);
    }
}

// Mean and variance of the matrix statistics: Variance = (sum d^2 - (sum d)^2 / n) / (n - 1),
// d the deviations from the mean, for n >= 3, and 1 for one or two cells; rounding below 0
// gives 0. n = 0 gives 0 and 0.
void MeanVarOf(std::span<const double> cells, double& Mean, double& Variance);

// The cell of rank round(n * prob / 100), held to n - 1, of the cells in ascending order (prob
// held to [0, 100]); reorders the cells. NaN ranks above every number. n = 0 gives 0.
double SelectPercentile(std::span<double> cells, double prob);

// Strict weak order of the order statistics: NaN above every number and equal to itself.
inline bool NaNLastLess(double a, double b) noexcept {
    return a < b || (b != b && a == a);
}

}  // namespace ozm::matrix::detail
