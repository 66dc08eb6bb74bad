// TMatrix: construction, sizing, access, assignment, fills, structure changes, element-wise
// arithmetic and queries.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>


#include "matrices/matrix_internal.hpp"
#include "ozm/math1/scalar.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/random.hpp"

namespace ozm {

namespace matrix::detail {

std::vector<double> NewCells(int nc, int nr) {
    const size_t cols = static_cast<size_t>(std::max(nc, 1));
    const size_t rows = static_cast<size_t>(std::max(nr, 1));
    if (rows > std::vector<double>().max_size() / cols) throw std::bad_alloc();
    if (rows * cols > ozm::PhysicalMemory() / sizeof(double)) throw std::bad_alloc();
    try {
        return std::vector<double>(cols * rows, 0.0);
    } catch (const std::length_error&) {
        throw std::bad_alloc();
    }
}

}  // namespace matrix::detail

using matrix::detail::NewCells;

TMatrix::TMatrix(TComponent* AOwner) : TOZMContainer(AOwner) {
    FData = Guarded([] { return NewCells(1, 1); });
}

TMatrix::~TMatrix() = default;

void TMatrix::RaiseError(std::string_view Detail) const {
    RaiseComponentError<EOZMMatrixError>(*this, Detail);
}

void TMatrix::NotifyEachCell(size_t Count) {
    if (!OnChange) return;
    for (size_t i = 0; i < Count; ++i) Changed();
}

void TMatrix::AdoptStorage(std::vector<double>&& Cells, int Nc, int Nr) noexcept {
    FData = std::move(Cells);
    FNCol = Nc;
    FNRow = Nr;
}

void TMatrix::PercDone(TObject* /*Sender*/, int Percent) {
    if (OnPercentDone) OnPercentDone(this, Percent);
}

// --- size and access ---------------------------------------------------------------------------

bool TMatrix::Resize(int Nc, int Nr) {
    Nc = std::max(Nc, 0);
    Nr = std::max(Nr, 0);
    if (Nc == FNCol && Nr == FNRow) return true;
    std::vector<double> cells = Guarded([&] { return NewCells(Nc, Nr); });
    const int keepCols = std::min(Nc, FNCol);
    const int keepRows = std::min(Nr, FNRow);
    for (int c = 0; c < keepCols; ++c)
        std::copy_n(FData.data() + static_cast<size_t>(c) * FNRow, keepRows,
                    cells.data() + static_cast<size_t>(c) * Nr);
    AdoptStorage(std::move(cells), Nc, Nr);
    Changed();
    return true;
}

bool TMatrix::ResizeAndClear(int Nc, int Nr) {
    if (!Resize(Nc, Nr)) return false;
    Fill(0.0);
    return true;
}

void TMatrix::SetNCols(int Nc) { Resize(std::max(Nc, 0), FNRow); }

void TMatrix::SetNRows(int Nr) { Resize(FNCol, std::max(Nr, 0)); }

void TMatrix::SetFPrecis(int ix, int Value) noexcept {
    FPrecis[ix <= 1 ? 0 : 1] = std::clamp(Value, -1, 25);
}

void TMatrix::MakeValidColRange(int& LowCol, int& HighCol) const noexcept {
    MakeValidRange(LowCol, HighCol, FNCol);
}

void TMatrix::MakeValidRowRange(int& LowRow, int& HighRow) const noexcept {
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

void TMatrix::Clone(const TMatrix* MatSource) {
    if (MatSource == nullptr) return;
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

// --- filling -------------------------------------------------------------------------------------

void TMatrix::Fill(double value) {
    std::fill_n(FData.data(), CellCount(), value);
    Changed();
}

void TMatrix::Fill(int LowCol, int HighCol, int LowRow, int HighRow, double value) {
    if (CellCount() > 0) {
        MakeValidColRange(LowCol, HighCol);
        MakeValidRowRange(LowRow, HighRow);
        for (int c = LowCol; c <= HighCol; ++c)
            std::fill_n(Column(c) + (LowRow - 1), HighRow - LowRow + 1, value);
    }
    Changed();
}

void TMatrix::FillDiag(double value) {
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

bool TMatrix::RemoveColumn(int col) {
    if (col < 1 || col > FNCol || FNCol <= 1) return false;
    // The columns right of col move one place left; the last one is then cut off.
    double* dst = Column(col);
    const size_t tail = static_cast<size_t>(FNCol - col) * FNRow;
    std::memmove(dst, dst + FNRow, tail * sizeof(double));
    Resize(FNCol - 1, FNRow);
    return true;
}

bool TMatrix::RemoveRow(int row) {
    if (row < 1 || row > FNRow || FNRow <= 1) return false;
    for (int c = 1; c <= FNCol; ++c) {
        double* col = Column(c);
        std::memmove(col + (row - 1), col + row, static_cast<size_t>(FNRow - row) * sizeof(double));
    }
    Resize(FNCol, FNRow - 1);
    return true;
}

void TMatrix::ExchangeColumns(int c1, int c2) {
    if (c1 < 1 || c1 > FNCol || c2 < 1 || c2 > FNCol) return;
    if (c1 != c2) std::swap_ranges(Column(c1), Column(c1) + FNRow, Column(c2));
    Changed();
}

void TMatrix::ExchangeRows(int r1, int r2) {
    if (r1 < 1 || r1 > FNRow || r2 < 1 || r2 > FNRow) return;
    if (r1 != r2)
        for (int c = 1; c <= FNCol; ++c) std::swap(Column(c)[r1 - 1], Column(c)[r2 - 1]);
    Changed();
}

void TMatrix::MirrorColumns() {
    for (int lo = 1, hi = FNCol; lo < hi; ++lo, --hi)
        std::swap_ranges(Column(lo), Column(lo) + FNRow, Column(hi));
    Changed();
}

void TMatrix::MirrorRows() {
    for (int c = 1; c <= FNCol; ++c) std::reverse(Column(c), Column(c) + FNRow);
    Changed();
}

// --- element-wise arithmetic ---------------------------------------------------------------------

void TMatrix::SAdd(double Scalar) {
    double* p = FData.data();
    const size_t n = CellCount();
    for (size_t i = 0; i < n; ++i) p[i] += Scalar;
    Changed();
}

void TMatrix::SMult(double Scalar) {
    double* p = FData.data();
    const size_t n = CellCount();
    for (size_t i = 0; i < n; ++i) p[i] *= Scalar;
    Changed();
}

bool TMatrix::Add(const TMatrix* MatB) {
    if (MatB == nullptr || MatB->FNCol != FNCol || MatB->FNRow != FNRow) return false;
    double* p = FData.data();
    const double* q = MatB->FData.data();
    const size_t n = CellCount();
    for (size_t i = 0; i < n; ++i) p[i] += q[i];
    Changed();
    return true;
}

bool TMatrix::Subtract(const TMatrix* MatB) {
    if (MatB == nullptr || MatB->FNCol != FNCol || MatB->FNRow != FNRow) return false;
    double* p = FData.data();
    const double* q = MatB->FData.data();
    const size_t n = CellCount();
    for (size_t i = 0; i < n; ++i) p[i] -= q[i];
    Changed();
    return true;
}

bool TMatrix::EMult(const TMatrix* MatB, TMatrix* MatRes) {
    if (MatB == nullptr || MatRes == nullptr || MatB->FNCol != FNCol || MatB->FNRow != FNRow)
        return false;
    MatRes->Resize(FNCol, FNRow);
    // Cell-wise, so MatRes may be one of the operands.
    const double* p = FData.data();
    const double* q = MatB->FData.data();
    double* res = MatRes->FData.data();
    const size_t n = CellCount();
    for (size_t i = 0; i < n; ++i) res[i] = p[i] * q[i];
    MatRes->NotifyEachCell(n);
    Changed();
    return true;
}

int TMatrix::Dichotomize(double Threshold, TBool2DArray& ResultArray) const {
    int count = 0;
    ResultArray.assign(static_cast<size_t>(FNCol), TBoolArray(static_cast<size_t>(FNRow), false));
    for (int c = 1; c <= FNCol; ++c) {
        const double* col = Column(c);
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

int TMatrix::CountValues(int LowCol, int HighCol, int LowRow, int HighRow, double RangeLow,
                         double RangeHigh) const {
    if (CellCount() == 0) return 0;
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    int count = 0;
    for (int c = LowCol; c <= HighCol; ++c) {
        const double* col = Column(c);
        for (int r = LowRow - 1; r < HighRow; ++r)
            if (RangeLow <= col[r] && col[r] <= RangeHigh) ++count;
    }
    return count;
}

void TMatrix::Find(int LowCol, int HighCol, int LowRow, int HighRow, double Value, int& ColIx,
                   int& RowIx) const {
    ColIx = 0;
    RowIx = 0;
    if (CellCount() == 0) return;
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    double best = 0.0;
    for (int c = LowCol; c <= HighCol; ++c) {
        const double* col = Column(c);
        for (int r = LowRow; r <= HighRow; ++r) {
            const double d = std::fabs(col[r - 1] - Value);
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

int TMatrix::FindInSortedColumn(int Col, bool ColIsAscending, double Value) const {
    if (Col < 1 || Col > FNCol || FNRow < 1) return 0;
    const double* col = Column(Col);
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
    return std::fabs(x(lo) - Value) >= std::fabs(x(hi) - Value) ? hi : lo;
}

double TMatrix::Sum(int LoC, int LoR, int HiC, int HiR) const {
    if (CellCount() == 0) return 0.0;
    MakeValidColRange(LoC, HiC);
    MakeValidRowRange(LoR, HiR);
    double sum = 0.0;
    for (int c = LoC; c <= HiC; ++c) {
        const double* col = Column(c);
        for (int r = LoR - 1; r < HiR; ++r) sum += col[r];
    }
    return sum;
}

double TMatrix::Trace() const {
    if (FNCol != FNRow) return 0.0;
    double sum = 0.0;
    for (int i = 1; i <= FNCol; ++i) sum += FData[CellIndex(i, i)];
    return sum;
}

std::string TMatrix::CRCofData() const {
    return CRCFingerprint(std::span<const double>(FData.data(), CellCount()));
}

std::vector<double> TMatrix::GatherRectangle(int LowCol, int LowRow, int HighCol,
                                             int HighRow) const {
    const size_t rows = static_cast<size_t>(HighRow - LowRow + 1);
    const size_t cols = static_cast<size_t>(HighCol - LowCol + 1);
    std::vector<double> cells = Guarded([&] { return std::vector<double>(rows * cols); });
    double* out = cells.data();
    for (int c = LowCol; c <= HighCol; ++c, out += rows)
        std::copy_n(Column(c) + (LowRow - 1), rows, out);
    return cells;
}

}  // namespace ozm
