// The check that the stream and list readers of the matrices share before they read any cell.
#pragma once

#include <cstdint>

#include "ozm/matrix.hpp"

namespace ozm::matrix::detail {

// A rectangle of cells as a reader found it stored, 1-based and inclusive.
struct TStoredRange {
    int64_t LowCol, HighCol, LowRow, HighRow;
};

// Whether the cells of Range may be read into Mat. The range must be normalised as the writers
// store it (an empty one as 1, 0) and be backed in full by BackedCells stored values; with
// AdjustMatrixSize the matrix is first resized to the upper bounds, within the limit of
// AnnouncedSizeIsBacked. A matrix that still cannot hold the range fires OnChange (the load got
// past its header) and is refused.
template <typename TMat>
bool AcceptStoredRange(TMat& Mat, const TStoredRange& Range, int64_t BackedCells,
                       bool AdjustMatrixSize) {
    const auto [low_col, high_col, low_row, high_row] = Range;
    if (low_col < 1 || high_col < low_col - 1 || low_row < 1 || high_row < low_row - 1)
        return false;
    if ((high_col - low_col + 1) * (high_row - low_row + 1) > BackedCells) return false;

    if (AdjustMatrixSize && (high_col != Mat.NrOfColumns() || high_row != Mat.NrOfRows())) {
        if (!AnnouncedSizeIsBacked(high_col, high_row, BackedCells)) return false;
        try {
            Mat.Resize(static_cast<int>(high_col), static_cast<int>(high_row));
        } catch (const EOZMMatrixError&) {
            return false;
        }
    }
    if (Mat.NrOfColumns() < high_col || Mat.NrOfRows() < high_row) {
        Mat.Changed();
        return false;
    }
    return true;
}

}  // namespace ozm::matrix::detail
