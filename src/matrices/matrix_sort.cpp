// TMatrix: sorting rows and columns by a key, and edge vectors.
#include <algorithm>
#include <cmath>

#include "ozm/base/constants.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm {

namespace {

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

}  // namespace

void TMatrix::SortRows(int SortColIx, bool Ascending, int LowCol, int LowRow, int HighCol,
                       int HighRow) {
    if (SortColIx < 1 || SortColIx > FNCol) return;
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow) || HighRow - LowRow < 1) return;
    double* key = Column(SortColIx);  // row i at key[i - 1]
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

void TMatrix::SortCols(int SortRowIx, bool Ascending, int LowCol, int LowRow, int HighCol,
                       int HighRow) {
    if (SortRowIx < 1 || SortRowIx > FNRow) return;
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow) || HighCol - LowCol < 1) return;
    const int k = SortRowIx - 1;
    const bool keyOutside = SortRowIx < LowRow || SortRowIx > HighRow;
    CombSort(
        LowCol, HighCol,
        [&](int i, int j) {
            const double ki = Column(i)[k];
            const double kj = Column(j)[k];
            return Ascending ? kj < ki : kj > ki;
        },
        [&](int i, int j) {
            std::swap_ranges(Column(i) + (LowRow - 1), Column(i) + HighRow, Column(j) + (LowRow - 1));
            if (keyOutside) std::swap(Column(i)[k], Column(j)[k]);
            SortExchange(kExchangeColumns, i, j, LowRow, HighRow);
        });
    Changed();
}

void TMatrix::EdgeVector(TOrientation Orient, TEdgeOp EdgeOp, TVector* DestVec) const {
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
        const double* col = Column(c);
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

}  // namespace ozm
