// The matrix core (TMatrix and TIntMatrix): construction, sizing, access, fills, structure
// changes, element-wise arithmetic and queries; and what only TMatrix has of these: assignment,
// precision settings and the random fills.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>


#include "matrices/matrix_internal.hpp"
#include "ozm/math1/scalar.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/random.hpp"
#include "vectors/vector_impl.hpp"

namespace ozm {

using matrix::detail::CellDistance;
using matrix::detail::NewCellsOf;
using vecimpl::CellAdd;
using vecimpl::CellMul;
using vecimpl::CellSub;

template <typename TCell, typename TSelf>
TMatrixCore<TCell, TSelf>::TMatrixCore(TComponent* AOwner) : TOZMContainer(AOwner) {
    FData = Guarded([] { return NewCellsOf<TCell>(1, 1); });
}

TMatrix::TMatrix(TComponent* AOwner) : TMatrixCore(AOwner) {}

TMatrix::~TMatrix() = default;

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::RaiseError(std::string_view Detail) const {
    RaiseComponentError<EOZMMatrixError>(*this, Detail);
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::NotifyEachCell(size_t Count) {
    if (!OnChange) return;
    for (size_t i = 0; i < Count; ++i) Changed();
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::AdoptStorage(std::vector<TCell>&& Cells, int Nc, int Nr) noexcept {
    FData = std::move(Cells);
    FNCol = Nc;
    FNRow = Nr;
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::PercDone(TObject* /*Sender*/, int Percent) {
    if (OnPercentDone) OnPercentDone(this, Percent);
}

// --- size and access ---------------------------------------------------------------------------

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::Resize(int Nc, int Nr) {
    DenseOnly("Resize");
    Nc = std::max(Nc, 0);
    Nr = std::max(Nr, 0);
    if (Nc == FNCol && Nr == FNRow) return true;
    std::vector<TCell> cells = Guarded([&] { return NewCellsOf<TCell>(Nc, Nr); });
    const int keepCols = std::min(Nc, FNCol);
    const int keepRows = std::min(Nr, FNRow);
    for (int c = 0; c < keepCols; ++c)
        std::copy_n(FData.data() + static_cast<size_t>(c) * FNRow, keepRows,
                    cells.data() + static_cast<size_t>(c) * Nr);
    AdoptStorage(std::move(cells), Nc, Nr);
    Changed();
    return true;
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::ResizeAndClear(int Nc, int Nr) {
    if (!Self().Resize(Nc, Nr)) return false;
    Self().Fill(TCell(0));
    return true;
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::SetNCols(int Nc) {
    Self().Resize(std::max(Nc, 0), FNRow);
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::SetNRows(int Nr) {
    Self().Resize(FNCol, std::max(Nr, 0));
}

void TMatrix::SetFPrecis(int ix, int Value) noexcept {
    FPrecis[ix <= 1 ? 0 : 1] = std::clamp(Value, -1, 25);
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::MakeValidColRange(int& LowCol, int& HighCol) const noexcept {
    MakeValidRange(LowCol, HighCol, FNCol);
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::MakeValidRowRange(int& LowRow, int& HighRow) const noexcept {
    MakeValidRange(LowRow, HighRow, FNRow);
}

// --- assignment ----------------------------------------------------------------------------------

void TMatrix::Assign(const TPersistent* Source) {
    const auto* src = dynamic_cast<const TMatrix*>(Source);
    if (src == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    if (src == this) return;
    std::vector<double> cells = Guarded([&] { return src->FData; });
    FDataID = src->FDataID;
    FPrecis[0] = src->FPrecis[0];
    FPrecis[1] = src->FPrecis[1];
    OnChange = src->OnChange;
    OnSortExchange = src->OnSortExchange;
    OnCalcDistance = src->OnCalcDistance;
    AdoptStorage(std::move(cells), src->FNCol, src->FNRow);
}

void TMatrix::AssignTo(TPersistent* Dest) const {
    if (auto* dest = dynamic_cast<TMatrix*>(Dest)) {
        dest->Assign(this);
        return;
    }
    TPersistent::AssignTo(Dest);
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::Clone(const TSelf* MatSource) {
    if (MatSource == nullptr) return;
    DenseOnly("Clone");
    DenseOperand(MatSource, "Clone");
    if (MatSource != this) {
        Resize(MatSource->FNCol, MatSource->FNRow);
        std::copy_n(MatSource->FData.data(), CellCount(), FData.data());
    }
    NotifyEachCell(CellCount());
    Changed();
}

void TMatrix::CopyFrom(const TMatrix* MatSource, int SourceColLo, int SourceRowLo,
                       int SourceColHi, int SourceRowHi, int DestCol, int DestRow) {
    if (MatSource == nullptr) return;
    CopyRectangle(
        MatSource->FNCol, MatSource->FNRow,
        [MatSource](int c, int r) { return MatSource->FData[MatSource->CellIndex(c, r)]; },
        SourceColLo, SourceRowLo, SourceColHi, SourceRowHi, DestCol, DestRow);
}

void TMatrix::CopyFrom(const TIntMatrix* MatSource, int SourceColLo, int SourceRowLo,
                       int SourceColHi, int SourceRowHi, int DestCol, int DestRow) {
    if (MatSource == nullptr) return;
    // Read through GetVal, so a source in sparse form is read as well.
    CopyRectangle(
        MatSource->NrOfColumns(), MatSource->NrOfRows(),
        [MatSource](int c, int r) { return static_cast<double>(MatSource->GetVal(c, r)); },
        SourceColLo, SourceRowLo, SourceColHi, SourceRowHi, DestCol, DestRow);
}

// --- filling -------------------------------------------------------------------------------------

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::Fill(TCell value) {
    DenseOnly("Fill");
    std::fill_n(FData.data(), CellCount(), value);
    Changed();
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::Fill(int LowCol, int HighCol, int LowRow, int HighRow,
                                     TCell value) {
    DenseOnly("Fill");
    if (CellCount() > 0) {
        MakeValidColRange(LowCol, HighCol);
        MakeValidRowRange(LowRow, HighRow);
        for (int c = LowCol; c <= HighCol; ++c)
            std::fill_n(Column(c) + (LowRow - 1), HighRow - LowRow + 1, value);
    }
    Changed();
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::FillDiag(TCell value) {
    DenseOnly("FillDiag");
    const int n = std::min(FNCol, FNRow);
    for (int i = 1; i <= n; ++i) FData[CellIndex(i, i)] = value;
    Changed();
}

void TMatrix::FillRandomUniform(double RangeLow, double RangeHigh) {
    FillRandomUniform(0, 0, 0, 0, RangeLow, RangeHigh);
}

void TMatrix::FillRandomUniform(int LowCol, int HighCol, int LowRow, int HighRow,
                                double RangeLow, double RangeHigh) {
    if (CellCount() > 0) {
        MakeValidColRange(LowCol, HighCol);
        MakeValidRowRange(LowRow, HighRow);
        const double span = RangeHigh - RangeLow;
        for (int c = LowCol; c <= HighCol; ++c) {
            double* col = Column(c);
            for (int r = LowRow - 1; r < HighRow; ++r) col[r] = RangeLow + Random() * span;
        }
    }
    Changed();
}

void TMatrix::FillRandomGauss(double Mean, double StdDev) {
    FillRandomGauss(0, 0, 0, 0, Mean, StdDev);
}

void TMatrix::FillRandomGauss(int LowCol, int HighCol, int LowRow, int HighRow, double Mean,
                              double StdDev) {
    if (CellCount() > 0) {
        MakeValidColRange(LowCol, HighCol);
        MakeValidRowRange(LowRow, HighRow);
        for (int c = LowCol; c <= HighCol; ++c) {
            double* col = Column(c);
            for (int r = LowRow - 1; r < HighRow; ++r) col[r] = Mean + StdDev * math1::GRandom();
        }
    }
    Changed();
}

// --- structure -----------------------------------------------------------------------------------

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::RemoveColumn(int col) {
    DenseOnly("RemoveColumn");
    if (col < 1 || col > FNCol || FNCol <= 1) return false;
    // The columns right of col move one place left; the last one is then cut off.
    TCell* dst = Column(col);
    const size_t tail = static_cast<size_t>(FNCol - col) * FNRow;
    std::memmove(dst, dst + FNRow, tail * sizeof(TCell));
    Resize(FNCol - 1, FNRow);
    return true;
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::RemoveRow(int row) {
    DenseOnly("RemoveRow");
    if (row < 1 || row > FNRow || FNRow <= 1) return false;
    for (int c = 1; c <= FNCol; ++c) {
        TCell* col = Column(c);
        std::memmove(col + (row - 1), col + row, static_cast<size_t>(FNRow - row) * sizeof(TCell));
    }
    Resize(FNCol, FNRow - 1);
    return true;
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::ExchangeColumns(int c1, int c2) {
    DenseOnly("ExchangeColumns");
    if (c1 < 1 || c1 > FNCol || c2 < 1 || c2 > FNCol) return;
    if (c1 != c2) std::swap_ranges(Column(c1), Column(c1) + FNRow, Column(c2));
    Changed();
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::ExchangeRows(int r1, int r2) {
    DenseOnly("ExchangeRows");
    if (r1 < 1 || r1 > FNRow || r2 < 1 || r2 > FNRow) return;
    if (r1 != r2)
        for (int c = 1; c <= FNCol; ++c) std::swap(Column(c)[r1 - 1], Column(c)[r2 - 1]);
    Changed();
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::MirrorColumns() {
    DenseOnly("MirrorColumns");
    for (int lo = 1, hi = FNCol; lo < hi; ++lo, --hi)
        std::swap_ranges(Column(lo), Column(lo) + FNRow, Column(hi));
    Changed();
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::MirrorRows() {
    DenseOnly("MirrorRows");
    for (int c = 1; c <= FNCol; ++c) std::reverse(Column(c), Column(c) + FNRow);
    Changed();
}

// --- element-wise arithmetic ---------------------------------------------------------------------

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::SAdd(TCell Scalar) {
    DenseOnly("SAdd");
    TCell* p = FData.data();
    const size_t n = CellCount();
    for (size_t i = 0; i < n; ++i) p[i] = CellAdd(p[i], Scalar);
    Changed();
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::SMult(TCell Scalar) {
    DenseOnly("SMult");
    TCell* p = FData.data();
    const size_t n = CellCount();
    for (size_t i = 0; i < n; ++i) p[i] = CellMul(p[i], Scalar);
    Changed();
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::Add(const TSelf* MatB) {
    DenseOnly("Add");
    DenseOperand(MatB, "Add");
    if (MatB == nullptr || MatB->FNCol != FNCol || MatB->FNRow != FNRow) return false;
    TCell* p = FData.data();
    const TCell* q = MatB->FData.data();
    const size_t n = CellCount();
    for (size_t i = 0; i < n; ++i) p[i] = CellAdd(p[i], q[i]);
    Changed();
    return true;
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::Subtract(const TSelf* MatB) {
    DenseOnly("Subtract");
    DenseOperand(MatB, "Subtract");
    if (MatB == nullptr || MatB->FNCol != FNCol || MatB->FNRow != FNRow) return false;
    TCell* p = FData.data();
    const TCell* q = MatB->FData.data();
    const size_t n = CellCount();
    for (size_t i = 0; i < n; ++i) p[i] = CellSub(p[i], q[i]);
    Changed();
    return true;
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::EMult(const TSelf* MatB, TSelf* MatRes) {
    DenseOnly("EMult");
    DenseOperand(MatB, "EMult");
    DenseOperand(MatRes, "EMult");
    if (MatB == nullptr || MatRes == nullptr || MatB->FNCol != FNCol || MatB->FNRow != FNRow)
        return false;
    MatRes->Resize(FNCol, FNRow);
    // Cell-wise, so MatRes may be one of the operands.
    const TCell* p = FData.data();
    const TCell* q = MatB->FData.data();
    TCell* res = MatRes->FData.data();
    const size_t n = CellCount();
    for (size_t i = 0; i < n; ++i) res[i] = CellMul(p[i], q[i]);
    MatRes->NotifyEachCell(n);
    Changed();
    return true;
}

template <typename TCell, typename TSelf>
int TMatrixCore<TCell, TSelf>::Dichotomize(TCell Threshold, TBool2DArray& ResultArray) const {
    DenseOnly("Dichotomize");
    int count = 0;
    ResultArray.assign(static_cast<size_t>(FNCol), TBoolArray(static_cast<size_t>(FNRow), false));
    for (int c = 1; c <= FNCol; ++c) {
        const TCell* col = Column(c);
        TBoolArray& out = ResultArray[static_cast<size_t>(c - 1)];
        for (int r = 0; r < FNRow; ++r)
            if (col[r] > Threshold) {
                out[static_cast<size_t>(r)] = true;
                ++count;
            }
    }
    return count;
}

// --- queries -------------------------------------------------------------------------------------

template <typename TCell, typename TSelf>
int TMatrixCore<TCell, TSelf>::CountValues(int LowCol, int HighCol, int LowRow, int HighRow,
                                           TCell RangeLow, TCell RangeHigh) const {
    DenseOnly("CountValues");
    if (CellCount() == 0) return 0;
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    int count = 0;
    for (int c = LowCol; c <= HighCol; ++c) {
        const TCell* col = Column(c);
        for (int r = LowRow - 1; r < HighRow; ++r)
            if (RangeLow <= col[r] && col[r] <= RangeHigh) ++count;
    }
    return count;
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::Find(int LowCol, int HighCol, int LowRow, int HighRow, TCell Value,
                                     int& ColIx, int& RowIx) const {
    DenseOnly("Find");
    ColIx = 0;
    RowIx = 0;
    if (CellCount() == 0) return;
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    double best = 0.0;
    for (int c = LowCol; c <= HighCol; ++c) {
        const TCell* col = Column(c);
        for (int r = LowRow; r <= HighRow; ++r) {
            const double d = CellDistance(col[r - 1], Value);
            // The first cell is taken whatever it holds, so a rectangle of NaN still gives a
            // position inside it.
            if (ColIx == 0 || d < best) {
                best = d;
                ColIx = c;
                RowIx = r;
            }
        }
    }
}

template <typename TCell, typename TSelf>
int TMatrixCore<TCell, TSelf>::FindInSortedColumn(int Col, bool ColIsAscending, TCell Value) const {
    DenseOnly("FindInSortedColumn");
    if (Col < 1 || Col > FNCol || FNRow < 1) return 0;
    const TCell* col = Column(Col);
    auto x = [col](int row) { return col[row - 1]; };
    int lo = 1;
    int hi = FNRow;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (x(mid) == Value) return mid;
        const bool above = ColIsAscending ? Value > x(mid) : Value < x(mid);
        if (above)
            lo = mid;
        else
            hi = mid;
    }
    return CellDistance(x(lo), Value) >= CellDistance(x(hi), Value) ? hi : lo;
}

template <typename TCell, typename TSelf>
TCell TMatrixCore<TCell, TSelf>::Sum(int LoC, int LoR, int HiC, int HiR) const {
    DenseOnly("Sum");
    if (CellCount() == 0) return TCell(0);
    MakeValidColRange(LoC, HiC);
    MakeValidRowRange(LoR, HiR);
    TCell sum = 0;
    for (int c = LoC; c <= HiC; ++c) {
        const TCell* col = Column(c);
        for (int r = LoR - 1; r < HiR; ++r) sum = CellAdd(sum, col[r]);
    }
    return sum;
}

template <typename TCell, typename TSelf>
TCell TMatrixCore<TCell, TSelf>::Trace() const {
    DenseOnly("Trace");
    if (FNCol != FNRow) return TCell(0);
    TCell sum = 0;
    for (int i = 1; i <= FNCol; ++i) sum = CellAdd(sum, FData[CellIndex(i, i)]);
    return sum;
}

template <typename TCell, typename TSelf>
std::string TMatrixCore<TCell, TSelf>::CRCofData() const {
    DenseOnly("CRCofData");
    return CRCFingerprint(std::span<const TCell>(FData.data(), CellCount()));
}

template <typename TCell, typename TSelf>
std::vector<double> TMatrixCore<TCell, TSelf>::GatherRectangle(int LowCol, int LowRow, int HighCol,
                                                               int HighRow) const {
    const size_t rows = static_cast<size_t>(HighRow - LowRow + 1);
    const size_t cols = static_cast<size_t>(HighCol - LowCol + 1);
    std::vector<double> cells = Guarded([&] { return std::vector<double>(rows * cols); });
    double* out = cells.data();
    for (int c = LowCol; c <= HighCol; ++c, out += rows)
        std::copy_n(Column(c) + (LowRow - 1), rows, out);  // integers become doubles
    return cells;
}

#define OZM_CORE_MEMBERS(TCell, TSelf)                                                           \
    template TMatrixCore<TCell, TSelf>::TMatrixCore(TComponent*);                                \
    template void TMatrixCore<TCell, TSelf>::RaiseError(std::string_view) const;                 \
    template void TMatrixCore<TCell, TSelf>::NotifyEachCell(size_t);                             \
    template void TMatrixCore<TCell, TSelf>::AdoptStorage(std::vector<TCell>&&, int, int);       \
    template void TMatrixCore<TCell, TSelf>::PercDone(TObject*, int);                            \
    template bool TMatrixCore<TCell, TSelf>::Resize(int, int);                                   \
    template bool TMatrixCore<TCell, TSelf>::ResizeAndClear(int, int);                           \
    template void TMatrixCore<TCell, TSelf>::SetNCols(int);                                      \
    template void TMatrixCore<TCell, TSelf>::SetNRows(int);                                      \
    template void TMatrixCore<TCell, TSelf>::MakeValidColRange(int&, int&) const;                \
    template void TMatrixCore<TCell, TSelf>::MakeValidRowRange(int&, int&) const;                \
    template void TMatrixCore<TCell, TSelf>::Clone(const TSelf*);                                \
    template void TMatrixCore<TCell, TSelf>::Fill(TCell);                                        \
    template void TMatrixCore<TCell, TSelf>::Fill(int, int, int, int, TCell);                    \
    template void TMatrixCore<TCell, TSelf>::FillDiag(TCell);                                    \
    template bool TMatrixCore<TCell, TSelf>::RemoveColumn(int);                                  \
    template bool TMatrixCore<TCell, TSelf>::RemoveRow(int);                                     \
    template void TMatrixCore<TCell, TSelf>::ExchangeColumns(int, int);                          \
    template void TMatrixCore<TCell, TSelf>::ExchangeRows(int, int);                             \
    template void TMatrixCore<TCell, TSelf>::MirrorColumns();                                    \
    template void TMatrixCore<TCell, TSelf>::MirrorRows();                                       \
    template void TMatrixCore<TCell, TSelf>::SAdd(TCell);                                        \
    template void TMatrixCore<TCell, TSelf>::SMult(TCell);                                       \
    template bool TMatrixCore<TCell, TSelf>::Add(const TSelf*);                                  \
    template bool TMatrixCore<TCell, TSelf>::Subtract(const TSelf*);                             \
    template bool TMatrixCore<TCell, TSelf>::EMult(const TSelf*, TSelf*);                        \
    template int TMatrixCore<TCell, TSelf>::Dichotomize(TCell, TBool2DArray&) const;             \
    template int TMatrixCore<TCell, TSelf>::CountValues(int, int, int, int, TCell, TCell) const; \
    template void TMatrixCore<TCell, TSelf>::Find(int, int, int, int, TCell, int&, int&) const;  \
    template int TMatrixCore<TCell, TSelf>::FindInSortedColumn(int, bool, TCell) const;          \
    template TCell TMatrixCore<TCell, TSelf>::Sum(int, int, int, int) const;                     \
    template TCell TMatrixCore<TCell, TSelf>::Trace() const;                                     \
    template std::string TMatrixCore<TCell, TSelf>::CRCofData() const;                           \
    template std::vector<double> TMatrixCore<TCell, TSelf>::GatherRectangle(int, int, int, int)  \
        const;

OZM_INSTANTIATE_MATRIX_CORE(OZM_CORE_MEMBERS)

}  // namespace ozm
