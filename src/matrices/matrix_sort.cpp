// The matrices: sorting rows and columns by a key, and edge vectors.
#include <algorithm>
#include <cmath>

#include "matrices/matrix_internal.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm {

using matrix::detail::CombSort;

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::SortRows(int SortColIx, bool Ascending, int LowCol, int LowRow,
                                         int HighCol, int HighRow) {
    DenseOnly("SortRows");
    if (SortColIx < 1 || SortColIx > FNCol) return;
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow) || HighRow - LowRow < 1) return;
    TCell* key = Column(SortColIx);  // row i at key[i - 1]
    const bool keyOutside = SortColIx < LowCol || SortColIx > HighCol;
    CombSort(
        LowRow, HighRow,
        [&](int i, int j) { return Ascending ? key[j - 1] < key[i - 1] : key[j - 1] > key[i - 1]; },
        [&](int i, int j) {
            for (int c = LowCol; c <= HighCol; ++c) std::swap(Column(c)[i - 1], Column(c)[j - 1]);
            if (keyOutside) std::swap(key[i - 1], key[j - 1]);
            SortExchange(kExchangeRows, i, j, LowCol, HighCol);
        });
    Changed();
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::SortCols(int SortRowIx, bool Ascending, int LowCol, int LowRow,
                                         int HighCol, int HighRow) {
    DenseOnly("SortCols");
    if (SortRowIx < 1 || SortRowIx > FNRow) return;
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow) || HighCol - LowCol < 1) return;
    const int k = SortRowIx - 1;
    const bool keyOutside = SortRowIx < LowRow || SortRowIx > HighRow;
    CombSort(
        LowCol, HighCol,
        [&](int i, int j) {
            const TCell ki = Column(i)[k];
            const TCell kj = Column(j)[k];
            return Ascending ? kj < ki : kj > ki;
        },
        [&](int i, int j) {
            std::swap_ranges(Column(i) + (LowRow - 1), Column(i) + HighRow, Column(j) + (LowRow - 1));
            if (keyOutside) std::swap(Column(i)[k], Column(j)[k]);
            SortExchange(kExchangeColumns, i, j, LowRow, HighRow);
        });
    Changed();
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::EdgeVector(TOrientation Orient, TEdgeOp EdgeOp,
                                           TVector* DestVec) const {
    DenseOnly("EdgeVector");
    if (DestVec == nullptr || CellCount() == 0) return;
    if (EdgeOp != TEdgeOp::eoMin && EdgeOp != TEdgeOp::eoMax && EdgeOp != TEdgeOp::eoSum &&
        EdgeOp != TEdgeOp::eoMean)
        return;
    const bool perRow = Orient == TOrientation::orPerRow;
    const int count = perRow ? FNRow : FNCol;
    const int reduced = perRow ? FNCol : FNRow;
    double start = 0.0;
    if (EdgeOp == TEdgeOp::eoMin) start = uc_MaxDouble;
    if (EdgeOp == TEdgeOp::eoMax) start = -uc_MaxDouble;
    std::vector<double> acc = Guarded([&] { return std::vector<double>(count, start); });
    // Column by column in storage order; a row result accumulates across the columns.
    for (int c = 1; c <= FNCol; ++c) {
        const TCell* col = Column(c);
        for (int r = 0; r < FNRow; ++r) {
            double& a = acc[perRow ? r : c - 1];
            const double x = col[r];
            switch (EdgeOp) {
                case TEdgeOp::eoMin:
                    if (x < a) a = x;
                    break;
                case TEdgeOp::eoMax:
                    if (x > a) a = x;
                    break;
                default:
                    a += x;
                    break;
            }
        }
    }
    if (EdgeOp == TEdgeOp::eoMean)
        for (double& a : acc) a /= reduced;
    DestVec->SetVecSize(count);
    for (int k = 1; k <= count; ++k) DestVec->SetVal(k, acc[k - 1]);
}

#define OZM_SORT_MEMBERS(TCell, TSelf)                                                \
    template void TMatrixCore<TCell, TSelf>::SortRows(int, bool, int, int, int, int); \
    template void TMatrixCore<TCell, TSelf>::SortCols(int, bool, int, int, int, int); \
    template void TMatrixCore<TCell, TSelf>::EdgeVector(TOrientation, TEdgeOp, TVector*) const;

OZM_INSTANTIATE_MATRIX_CORE(OZM_SORT_MEMBERS)

}  // namespace ozm
