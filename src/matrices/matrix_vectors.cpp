// Exchange of the matrices with vectors (copies, matrix-vector products, mean vectors).
#include <algorithm>

#include "matrices/matrix_internal.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"
#include "vectors/vector_impl.hpp"

namespace ozm {

using vecimpl::CellAdd;
using vecimpl::CellMul;

namespace {

// The vector writers of the size property (SetVecSize, SetIntVecSize) in one shape.
template <typename TVec>
void SetVectorSize(TVec& Vec, int NE) {
    if (NE > 0 && NE != Vec.NrOfElem()) Vec.Resize(NE);
}

}  // namespace

void TMatrix::CopyFromVec(TDims Dim, const TVector* VecSource, int Source1stElem,
                          int SourceLastElem, int DestCol, int DestRow) {
    if (VecSource == nullptr) return;
    VecSource->MakeValidElemRange(Source1stElem, SourceLastElem);
    const bool alongRow = Dim == TDims::dimColumns;
    for (int e = Source1stElem; e <= SourceLastElem; ++e) {
        const int64_t offset = e - Source1stElem;
        const int64_t c = alongRow ? DestCol + offset : DestCol;
        const int64_t r = alongRow ? DestRow : DestRow + offset;
        if (c < 1 || c > FNCol || r < 1 || r > FNRow) continue;
        FData[CellIndex(static_cast<int>(c), static_cast<int>(r))] = VecSource->GetVal(e);
    }
    Changed();
}

void TMatrix::CopyFromVec(const TVector* VecSource, int Source1stElem, int SourceLastElem,
                          int DestCol, int DestRow) {
    CopyFromVec(TDims::dimRows, VecSource, Source1stElem, SourceLastElem, DestCol, DestRow);
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::CopyRowToVec(TVec* DestVec, int Row, int FirstCol,
                                             int LastCol) const {
    if (DestVec == nullptr) return;
    DenseOnly("CopyRowToVec");
    DestVec->Fill(TCell(0));
    if (CellCount() == 0) return;
    MakeValidColRange(FirstCol, LastCol);
    Row = std::clamp(Row, 1, FNRow);
    LastCol = static_cast<int>(std::min<int64_t>(LastCol, int64_t{FirstCol} + DestVec->NrOfElem() - 1));
    for (int c = FirstCol; c <= LastCol; ++c) DestVec->SetVal(c - FirstCol + 1, Column(c)[Row - 1]);
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::CopyColToVec(TVec* DestVec, int Col, int FirstRow,
                                             int LastRow) const {
    if (DestVec == nullptr) return;
    DenseOnly("CopyColToVec");
    DestVec->Fill(TCell(0));
    if (CellCount() == 0) return;
    MakeValidRowRange(FirstRow, LastRow);
    Col = std::clamp(Col, 1, FNCol);
    LastRow = static_cast<int>(std::min<int64_t>(LastRow, int64_t{FirstRow} + DestVec->NrOfElem() - 1));
    const TCell* col = Column(Col);
    for (int r = FirstRow; r <= LastRow; ++r) DestVec->SetVal(r - FirstRow + 1, col[r - 1]);
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::Multiply(const TVec* VecB, TVec* VecRes) {
    DenseOnly("Multiply");
    if (VecB == nullptr || VecRes == nullptr || FNCol != VecB->NrOfElem() || FNRow < 1)
        return false;
    // y = sum over c of b(c) * column c; every element accumulates in increasing c. Computed
    // aside, so VecRes may be VecB.
    std::vector<TCell> y = Guarded([&] { return std::vector<TCell>(FNRow, TCell(0)); });
    for (int c = 1; c <= FNCol; ++c) {
        const TCell b = VecB->GetVal(c);
        const TCell* col = Column(c);
        for (int r = 0; r < FNRow; ++r) y[r] = CellAdd(y[r], CellMul(col[r], b));
    }
    SetVectorSize(*VecRes, FNRow);
    for (int r = 1; r <= FNRow; ++r) VecRes->SetVal(r, y[r - 1]);
    Changed();  // as every product: the left operand reports once
    return true;
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::TransposeAndMultiply(const TVec* VecB, TVec* VecRes) {
    DenseOnly("TransposeAndMultiply");
    if (VecB == nullptr || VecRes == nullptr || FNRow != VecB->NrOfElem() || FNCol < 1)
        return false;
    std::vector<TCell> y = Guarded([&] { return std::vector<TCell>(FNCol, TCell(0)); });
    std::span<const TCell> b = VecB->Cells();
    for (int c = 1; c <= FNCol; ++c) {
        const TCell* col = Column(c);
        TCell s = 0;
        for (int r = 0; r < FNRow; ++r) s = CellAdd(s, CellMul(col[r], b[r]));
        y[c - 1] = s;
    }
    SetVectorSize(*VecRes, FNCol);
    for (int c = 1; c <= FNCol; ++c) VecRes->SetVal(c, y[c - 1]);
    Changed();
    return true;
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::MeanVec(TDims Dim, TVector* Means) const {
    DenseOnly("MeanVec");
    if (Means == nullptr || CellCount() == 0) return;
    if (Dim == TDims::dimColumns) {
        Means->SetVecSize(FNCol);
        for (int c = 1; c <= FNCol; ++c) {
            const TCell* col = Column(c);
            double s = 0.0;
            for (int r = 0; r < FNRow; ++r) s += col[r];
            Means->SetVal(c, s / FNRow);
        }
    } else {
        std::vector<double> sums = Guarded([&] { return std::vector<double>(FNRow, 0.0); });
        for (int c = 1; c <= FNCol; ++c) {
            const TCell* col = Column(c);
            for (int r = 0; r < FNRow; ++r) sums[r] += col[r];
        }
        Means->SetVecSize(FNRow);
        for (int r = 1; r <= FNRow; ++r) Means->SetVal(r, sums[r - 1] / FNCol);
    }
}

#define OZM_VECTOR_MEMBERS(TCell, TSelf)                                               \
    template void TMatrixCore<TCell, TSelf>::CopyRowToVec(TVec*, int, int, int) const; \
    template void TMatrixCore<TCell, TSelf>::CopyColToVec(TVec*, int, int, int) const; \
    template bool TMatrixCore<TCell, TSelf>::Multiply(const TVec*, TVec*);             \
    template bool TMatrixCore<TCell, TSelf>::TransposeAndMultiply(const TVec*, TVec*); \
    template void TMatrixCore<TCell, TSelf>::MeanVec(TDims, TVector*) const;

OZM_INSTANTIATE_MATRIX_CORE(OZM_VECTOR_MEMBERS)

}  // namespace ozm
