// The rectangle visit of the sparse form of TIntMatrix, shared by its sources.
#pragma once

#include <cstdint>

#include "ozm/matrix.hpp"

namespace ozm {

template <typename F>
int64_t TIntMatrix::VisitSparseRectangle(int& LowCol, int& LowRow, int& HighCol, int& HighRow,
                                         F&& Visit) const {
    if (FNCol < 1 || FNRow < 1) return 0;
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    // The entries of the column range form one run; rows are tested one by one.
    for (size_t i = LowerEntry(LowCol, LowRow); i < SpMat.size() && SpMat[i].colidx <= HighCol; ++i)
        if (SpMat[i].rowidx >= LowRow && SpMat[i].rowidx <= HighRow) Visit(SpMat[i].value);
    return int64_t{HighCol - LowCol + 1} * (HighRow - LowRow + 1);
}

}  // namespace ozm
