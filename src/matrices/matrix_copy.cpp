// Copies between the matrices and plain two-dimensional arrays.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "matrices/matrix_internal.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm {

namespace {

int32_t RoundToInt32(double x) noexcept {
    const int64_t r = Round(x);
    return static_cast<int32_t>(std::clamp<int64_t>(r, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::CopyToArray(TCell2DArray& DestArray, int LowCol, int HighCol,
                                            int LowRow, int HighRow) const {
    DenseOnly("CopyToArray");
    if (CellCount() == 0) {
        DestArray.clear();
        return;
    }
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    const size_t rows = static_cast<size_t>(HighRow - LowRow + 1);
    Guarded([&] {
        TCell2DArray out(static_cast<size_t>(HighCol - LowCol + 1));
        for (int c = LowCol; c <= HighCol; ++c) {
            const TCell* col = Column(c) + (LowRow - 1);
            out[static_cast<size_t>(c - LowCol)].assign(col, col + rows);
        }
        DestArray = std::move(out);
    });
}

void TMatrix::CopyToArray(TInt2DArray& DestArray, int LowCol, int HighCol, int LowRow,
                          int HighRow) const {
    if (CellCount() == 0) {
        DestArray.clear();
        return;
    }
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    const size_t rows = static_cast<size_t>(HighRow - LowRow + 1);
    Guarded([&] {
        TInt2DArray out(static_cast<size_t>(HighCol - LowCol + 1), TIntArray(rows));
        for (int c = LowCol; c <= HighCol; ++c) {
            const double* col = Column(c) + (LowRow - 1);
            TIntArray& dst = out[static_cast<size_t>(c - LowCol)];
            for (size_t r = 0; r < rows; ++r) dst[r] = RoundToInt32(col[r]);
        }
        DestArray = std::move(out);
    });
}

namespace {

template <typename Cell, typename Store>
void CopyArrayCells(const std::vector<std::vector<Cell>>& src, Store&& store) {
    if (src.empty()) return;
    const size_t rows = src.front().size();
    for (size_t i = 0; i < src.size(); ++i) {
        const size_t n = std::min(rows, src[i].size());
        for (size_t j = 0; j < n; ++j) store(i, j, src[i][j]);
    }
}

}  // namespace

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::CopyFromArray(const TCell2DArray& SrcArray, int Col, int Row) {
    DenseOnly("CopyFromArray");
    CopyArrayCells(SrcArray, [&](size_t i, size_t j, TCell v) {
        SetValWide(int64_t{Col} + static_cast<int64_t>(i), int64_t{Row} + static_cast<int64_t>(j), v);
    });
}

void TMatrix::CopyFromArray(const TInt2DArray& SrcArray, int Col, int Row) {
    CopyArrayCells(SrcArray, [&](size_t i, size_t j, double v) {
        SetValWide(int64_t{Col} + static_cast<int64_t>(i), int64_t{Row} + static_cast<int64_t>(j), v);
    });
}

#define OZM_COPY_MEMBERS(TCell, TSelf)                                                             \
    template void TMatrixCore<TCell, TSelf>::CopyToArray(TCell2DArray&, int, int, int, int) const; \
    template void TMatrixCore<TCell, TSelf>::CopyFromArray(const TCell2DArray&, int, int);

OZM_INSTANTIATE_MATRIX_CORE(OZM_COPY_MEMBERS)

}  // namespace ozm
