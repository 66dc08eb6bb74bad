// TIntMatrix: creation, the sparse form (lookup, insertion, conversions) and the operations that
// have a meaning in both forms, assignment and the dense-only CopyFrom and CountMaskedZeros.
#include <algorithm>
#include <climits>
#include <utility>

#include "matrices/intmatrix_sparse.hpp"
#include "matrices/matrix_internal.hpp"
#include "ozm/matrix.hpp"
#include "vectors/vector_impl.hpp"

namespace ozm {

using matrix::detail::CombSort;
using matrix::detail::NewCellsOf;
using vecimpl::CellAdd;

namespace {

// (c1, r1) before (c2, r2) in column-then-row order.
inline bool Precedes(int c1, int r1, int c2, int r2) noexcept {
    return c1 < c2 || (c1 == c2 && r1 < r2);
}

}  // namespace

TIntMatrix::TIntMatrix(TComponent* AOwner) : TMatrixCore(AOwner) {}

TIntMatrix::TIntMatrix(TComponent* AOwner, TCreateSparse, int AllocBy) : TMatrixCore(AOwner) {
    std::vector<int32_t>().swap(FData);
    FIsSparse = true;
    FAllocBy = std::max(AllocBy, 1);
    FNumAllocated = FAllocBy;
    FNCol = 0;
    FNRow = 0;
}

TIntMatrix::~TIntMatrix() = default;

// --- the sparse form -----------------------------------------------------------------------------

size_t TIntMatrix::LowerEntry(int Nc, int Nr) const noexcept {
    // Bisection over lo..hi: an entry before the cell moves lo past it.
    size_t lo = 0;
    size_t hi = SpMat.size();
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (Precedes(SpMat[mid].colidx, SpMat[mid].rowidx, Nc, Nr))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int TIntMatrix::CapacityFor(size_t Count) const noexcept {
    const int64_t steps =
        std::max<int64_t>(1, (static_cast<int64_t>(Count) + FAllocBy - 1) / FAllocBy);
    return static_cast<int>(std::min<int64_t>(steps * FAllocBy, INT32_MAX));
}

void TIntMatrix::EmptyBox() noexcept {
    FSparseLowCol = INT32_MAX;
    FSparseHighCol = 1;
    FSparseLowRow = INT32_MAX;
    FSparseHighRow = 1;
}

void TIntMatrix::WidenBox(int Nc, int Nr) noexcept {
    FSparseLowCol = std::min(FSparseLowCol, Nc);
    FSparseHighCol = std::max(FSparseHighCol, Nc);
    FSparseLowRow = std::min(FSparseLowRow, Nr);
    FSparseHighRow = std::max(FSparseHighRow, Nr);
}

void TIntMatrix::InsertEntry(size_t Position, int Nc, int Nr, int32_t Value) {
    if (SpMat.size() >= static_cast<size_t>(INT32_MAX)) RaiseError(kMsgNoMemoryOnHeap);
    // The vector grows geometrically beneath; the capacity callers see grows by AllocBy.
    Guarded([&] {
        SpMat.insert(SpMat.begin() + static_cast<std::ptrdiff_t>(Position), {Nc, Nr, Value});
    });
    if (SpMat.size() > static_cast<size_t>(FNumAllocated))
        FNumAllocated =
            static_cast<int>(std::min<int64_t>(int64_t{FNumAllocated} + FAllocBy, INT32_MAX));
    WidenBox(Nc, Nr);
}

int32_t TIntMatrix::GetVal(int Nc, int Nr) const noexcept {
    if (!FIsSparse) return TMatrixCore::GetVal(Nc, Nr);
    if (Nc < FSparseLowCol || Nc > FSparseHighCol || Nr < FSparseLowRow || Nr > FSparseHighRow)
        return 0;
    const size_t at = LowerEntry(Nc, Nr);
    if (at < SpMat.size() && SpMat[at].colidx == Nc && SpMat[at].rowidx == Nr)
        return SpMat[at].value;
    return 0;
}

void TIntMatrix::SetVal(int Nc, int Nr, int32_t Value) {
    if (!FIsSparse) {
        TMatrixCore::SetVal(Nc, Nr, Value);
        return;
    }
    if (Nc < 1 || Nr < 1) return;
    // Building in column order appends: no search, no moves.
    if (SpMat.empty() || Precedes(SpMat.back().colidx, SpMat.back().rowidx, Nc, Nr)) {
        InsertEntry(SpMat.size(), Nc, Nr, Value);
    } else {
        const size_t at = LowerEntry(Nc, Nr);
        if (SpMat[at].colidx == Nc && SpMat[at].rowidx == Nr)
            SpMat[at].value = Value;
        else
            InsertEntry(at, Nc, Nr, Value);
    }
    FNCol = FSparseHighCol;
    FNRow = FSparseHighRow;
    Changed();
}

void TIntMatrix::ArrayToSparse(int AllocBy) {
    if (FIsSparse) return;
    const size_t cells = CellCount();
    const size_t count = static_cast<size_t>(
        std::count_if(FData.begin(), FData.begin() + static_cast<std::ptrdiff_t>(cells),
                      [](int32_t v) { return v != 0; }));
    std::vector<TSpMatElemInt> entries = Guarded([&] {
        std::vector<TSpMatElemInt> out;
        out.reserve(count);
        return out;
    });
    for (int c = 1; c <= FNCol; ++c) {
        const int32_t* col = Column(c);
        for (int r = 1; r <= FNRow; ++r)
            if (col[r - 1] != 0) entries.push_back({c, r, col[r - 1]});
    }
    FIsSparse = true;
    FAllocBy = std::max(AllocBy, 1);
    SpMat = std::move(entries);
    FNumAllocated = CapacityFor(SpMat.size());
    EmptyBox();
    for (const TSpMatElemInt& e : SpMat) WidenBox(e.colidx, e.rowidx);
    std::vector<int32_t>().swap(FData);
}

void TIntMatrix::SparseToArray() {
    if (!FIsSparse) return;
    const int nc = std::max(FSparseHighCol, 0);
    const int nr = std::max(FSparseHighRow, 0);
    std::vector<int32_t> cells = Guarded([&] { return NewCellsOf<int32_t>(nc, nr); });
    const size_t rows = static_cast<size_t>(std::max(nr, 1));
    for (const TSpMatElemInt& e : SpMat)
        cells[static_cast<size_t>(e.colidx - 1) * rows + static_cast<size_t>(e.rowidx - 1)] =
            e.value;
    FIsSparse = false;
    std::vector<TSpMatElemInt>().swap(SpMat);
    FNumAllocated = 0;
    AdoptStorage(std::move(cells), nc, nr);
}

// --- operations of both forms --------------------------------------------------------------------

bool TIntMatrix::Resize(int Nc, int Nr) {
    if (!FIsSparse) return TMatrixCore::Resize(Nc, Nr);
    Nc = std::max(Nc, 0);
    Nr = std::max(Nr, 0);
    if (Nc == FNCol && Nr == FNRow) return true;
    FNCol = Nc;
    FNRow = Nr;
    FSparseHighCol = std::min(FSparseHighCol, Nc);
    FSparseHighRow = std::min(FSparseHighRow, Nr);
    FSparseLowCol = std::min(FSparseLowCol, FSparseHighCol);
    FSparseLowRow = std::min(FSparseLowRow, FSparseHighRow);
    std::erase_if(SpMat,
                  [Nc, Nr](const TSpMatElemInt& e) { return e.colidx > Nc || e.rowidx > Nr; });
    return true;
}

bool TIntMatrix::ResizeAndClear(int Nc, int Nr) {
    if (!Resize(Nc, Nr)) return false;
    Fill(0);
    return true;
}

void TIntMatrix::Fill(int32_t value) {
    if (!FIsSparse) {
        TMatrixCore::Fill(value);
        return;
    }
    if (value != 0) {
        for (TSpMatElemInt& e : SpMat) e.value = value;
    } else {
        std::vector<TSpMatElemInt>().swap(SpMat);
        FNumAllocated = FAllocBy;
        EmptyBox();
    }
    Changed();
}

void TIntMatrix::Clone(const TIntMatrix* MatSource) {
    if (MatSource == nullptr || MatSource->FIsSparse != FIsSparse) return;
    if (!FIsSparse) {
        TMatrixCore::Clone(MatSource);
        return;
    }
    if (MatSource != this) {
        SpMat = Guarded([&] { return MatSource->SpMat; });
        FNumAllocated = MatSource->FNumAllocated;
        FAllocBy = MatSource->FAllocBy;
        FSparseLowCol = MatSource->FSparseLowCol;
        FSparseHighCol = MatSource->FSparseHighCol;
        FSparseLowRow = MatSource->FSparseLowRow;
        FSparseHighRow = MatSource->FSparseHighRow;
        FNCol = MatSource->FNCol;
        FNRow = MatSource->FNRow;
    }
    Changed();
}

bool TIntMatrix::Transpose() {
    if (!FIsSparse) return TMatrixCore::Transpose();
    for (TSpMatElemInt& e : SpMat) std::swap(e.colidx, e.rowidx);
    std::swap(FSparseLowCol, FSparseLowRow);
    std::swap(FSparseHighCol, FSparseHighRow);
    // The dimensions follow the entries; keeping them would leave entries outside the matrix.
    std::swap(FNCol, FNRow);
    TSpMatElemInt* e = SpMat.data();
    CombSort(
        0, static_cast<int>(SpMat.size()) - 1,
        [e](int i, int j) { return Precedes(e[j].colidx, e[j].rowidx, e[i].colidx, e[i].rowidx); },
        [e](int i, int j) { std::swap(e[i], e[j]); });
    Changed();
    return true;
}

int32_t TIntMatrix::Sum(int LoC, int LoR, int HiC, int HiR) const {
    if (!FIsSparse) return TMatrixCore::Sum(LoC, LoR, HiC, HiR);
    int32_t sum = 0;
    VisitSparseRectangle(LoC, LoR, HiC, HiR, [&sum](int32_t v) { sum = CellAdd(sum, v); });
    return sum;
}

int32_t TIntMatrix::Trace() const {
    if (!FIsSparse) return TMatrixCore::Trace();
    if (FSparseHighRow != FSparseHighCol) return 0;
    int32_t sum = 0;
    for (const TSpMatElemInt& e : SpMat)
        if (e.colidx == e.rowidx) sum = CellAdd(sum, e.value);
    return sum;
}

bool TIntMatrix::Add(const TIntMatrix* MatB) {
    if (MatB == nullptr || FIsSparse) return false;
    if (!MatB->FIsSparse) return TMatrixCore::Add(MatB);
    if (MatB->SpMat.empty()) {
        Changed();
        return true;
    }
    if (FNCol < MatB->FSparseHighCol || FNRow < MatB->FSparseHighRow) return false;
    for (const TSpMatElemInt& e : MatB->SpMat) {
        int32_t& cell = FData[CellIndex(e.colidx, e.rowidx)];
        cell = CellAdd(cell, e.value);
    }
    Changed();
    return true;
}

// --- assignment and the dense-only members -------------------------------------------------------

void TIntMatrix::Assign(const TPersistent* Source) {
    const auto* src = dynamic_cast<const TIntMatrix*>(Source);
    if (src == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    if (src == this) return;
    std::vector<int32_t> cells = Guarded([&] { return src->FData; });
    std::vector<TSpMatElemInt> entries = Guarded([&] { return src->SpMat; });
    FDataID = src->FDataID;
    OnChange = src->OnChange;
    OnSortExchange = src->OnSortExchange;
    FIsSparse = src->FIsSparse;
    FNumAllocated = src->FNumAllocated;
    FAllocBy = src->FAllocBy;
    FSparseLowCol = src->FSparseLowCol;
    FSparseHighCol = src->FSparseHighCol;
    FSparseLowRow = src->FSparseLowRow;
    FSparseHighRow = src->FSparseHighRow;
    SpMat = std::move(entries);
    AdoptStorage(std::move(cells), src->FNCol, src->FNRow);
}

void TIntMatrix::AssignTo(TPersistent* Dest) const {
    if (auto* dest = dynamic_cast<TIntMatrix*>(Dest)) {
        dest->Assign(this);
        return;
    }
    TPersistent::AssignTo(Dest);
}

void TIntMatrix::CopyFrom(const TIntMatrix* MatSource, int SourceColLo, int SourceRowLo,
                          int SourceColHi, int SourceRowHi, int DestCol, int DestRow) {
    if (MatSource == nullptr) return;
    CopyRectangle(
        MatSource->FNCol, MatSource->FNRow,
        [MatSource](int c, int r) { return MatSource->GetVal(c, r); }, SourceColLo, SourceRowLo,
        SourceColHi, SourceRowHi, DestCol, DestRow);
}

int TIntMatrix::CountMaskedZeros(int LowCol, int HighCol, int LowRow, int HighRow,
                                 uint32_t Bitmask) const {
    DenseOnly("CountMaskedZeros");
    if (CellCount() == 0) return 0;
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    int count = 0;
    for (int c = LowCol; c <= HighCol; ++c) {
        const int32_t* col = Column(c);
        for (int r = LowRow - 1; r < HighRow; ++r)
            if ((static_cast<uint32_t>(col[r]) & Bitmask) == 0) ++count;
    }
    return count;
}

// --- hooks of the file formats -------------------------------------------------------------------

bool TIntMatrix::SparsePut(int64_t Nc, int64_t Nr, int32_t Value) {
    if (Nc < 1 || Nr < 1 || Nc > FNCol || Nr > FNRow) return false;
    const int c = static_cast<int>(Nc);
    const int r = static_cast<int>(Nr);
    const size_t at = LowerEntry(c, r);
    if (at < SpMat.size() && SpMat[at].colidx == c && SpMat[at].rowidx == r)
        SpMat[at].value = Value;
    else if (Value != 0)
        InsertEntry(at, c, r, Value);
    return true;
}

void TIntMatrix::TakeCellsAsSparse(const std::vector<int32_t>& Cells, int Nc, int Nr) {
    const size_t rows = static_cast<size_t>(std::max(Nr, 1));
    std::vector<TSpMatElemInt> entries = Guarded([&] {
        std::vector<TSpMatElemInt> out;
        out.reserve(static_cast<size_t>(
            std::count_if(Cells.begin(), Cells.end(), [](int32_t v) { return v != 0; })));
        for (int c = 1; c <= Nc; ++c)
            for (int r = 1; r <= Nr; ++r) {
                const int32_t v =
                    Cells[static_cast<size_t>(c - 1) * rows + static_cast<size_t>(r - 1)];
                if (v != 0) out.push_back({c, r, v});
            }
        return out;
    });
    SpMat = std::move(entries);
    FNumAllocated = CapacityFor(SpMat.size());
    EmptyBox();
    for (const TSpMatElemInt& e : SpMat) WidenBox(e.colidx, e.rowidx);
    FNCol = Nc;
    FNRow = Nr;
}

std::unique_ptr<TIntMatrix> TIntMatrix::DenseCopy() const {
    auto copy = std::make_unique<TIntMatrix>();
    copy->FData = Guarded([&] { return NewCellsOf<int32_t>(FNCol, FNRow); });
    copy->FNCol = FNCol;
    copy->FNRow = FNRow;
    copy->FDataID = FDataID;
    for (const TSpMatElemInt& e : SpMat)
        if (e.colidx <= FNCol && e.rowidx <= FNRow)
            copy->FData[copy->CellIndex(e.colidx, e.rowidx)] = e.value;
    return copy;
}

void TIntMatrix::TakeOverSparse(TIntMatrix& From) noexcept {
    SpMat = std::move(From.SpMat);
    FNumAllocated = From.FNumAllocated;
    FSparseLowCol = From.FSparseLowCol;
    FSparseHighCol = From.FSparseHighCol;
    FSparseLowRow = From.FSparseLowRow;
    FSparseHighRow = From.FSparseHighRow;
    FNCol = From.FNCol;
    FNRow = From.FNRow;
}

}  // namespace ozm
