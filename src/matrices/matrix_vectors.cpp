// TMatrix: exchange with vectors (copies, matrix-vector products, mean vectors).
#include <algorithm>

#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm {

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

void TMatrix::CopyRowToVec(TVector* DestVec, int Row, int FirstCol, int LastCol) const {
    if (DestVec == nullptr) return;
    DestVec->Fill(0.0);
    if (CellCount() == 0) return;
    MakeValidColRange(FirstCol, LastCol);
    Row = std::clamp(Row, 1, FNRow);
    LastCol = static_cast<int>(std::min<int64_t>(LastCol, int64_t{FirstCol} + DestVec->NrOfElem() - 1));
    for (int c = FirstCol; c <= LastCol; ++c) DestVec->SetVal(c - FirstCol + 1, Column(c)[Row - 1]);
}

void TMatrix::CopyColToVec(TVector* DestVec, int Col, int FirstRow, int LastRow) const {
    if (DestVec == nullptr) return;
    DestVec->Fill(0.0);
    if (CellCount() == 0) return;
    MakeValidRowRange(FirstRow, LastRow);
    Col = std::clamp(Col, 1, FNCol);
    LastRow = static_cast<int>(std::min<int64_t>(LastRow, int64_t{FirstRow} + DestVec->NrOfElem() - 1));
    const double* col = Column(Col);
    for (int r = FirstRow; r <= LastRow; ++r) DestVec->SetVal(r - FirstRow + 1, col[r - 1]);
}

bool TMatrix::Multiply(const TVector* VecB, TVector* VecRes) {
    if (VecB == nullptr || VecRes == nullptr || FNCol != VecB->NrOfElem() || FNRow < 1)
        return false;
    // y = sum over c of b(c) * column c; every element accumulates in increasing c. Computed
    // aside, so VecRes may be VecB.
    std::vector<double> y = Guarded([&] { return std::vector<double>(FNRow, 0.0); });
    for (int c = 1; c <= FNCol; ++c) {
        const double b = VecB->GetVal(c);
        const double* col = Column(c);
        for (int r = 0; r < FNRow; ++r) y[r] += col[r] * b;
    }
    VecRes->SetVecSize(FNRow);
    for (int r = 1; r <= FNRow; ++r) VecRes->SetVal(r, y[r - 1]);
    Changed();  // as every product: the left operand reports once
    return true;
}

bool TMatrix::TransposeAndMultiply(const TVector* VecB, TVector* VecRes) {
    if (VecB == nullptr || VecRes == nullptr || FNRow != VecB->NrOfElem() || FNCol < 1)
        return false;
    std::vector<double> y = Guarded([&] { return std::vector<double>(FNCol, 0.0); });
    std::span<const double> b = VecB->Cells();
    for (int c = 1; c <= FNCol; ++c) {
        const double* col = Column(c);
        double s = 0.0;
        for (int r = 0; r < FNRow; ++r) s += col[r] * b[r];
        y[c - 1] = s;
    }
    VecRes->SetVecSize(FNCol);
    for (int c = 1; c <= FNCol; ++c) VecRes->SetVal(c, y[c - 1]);
    Changed();
    return true;
}

void TMatrix::MeanVec(TDims Dim, TVector* Means) const {
    if (Means == nullptr || CellCount() == 0) return;
    if (Dim == TDims::dimColumns) {
        Means->SetVecSize(FNCol);
        for (int c = 1; c <= FNCol; ++c) {
            const double* col = Column(c);
            double s = 0.0;
            for (int r = 0; r < FNRow; ++r) s += col[r];
            Means->SetVal(c, s / FNRow);
        }
    } else {
        std::vector<double> sums = Guarded([&] { return std::vector<double>(FNRow, 0.0); });
        for (int c = 1; c <= FNCol; ++c) {
            const double* col = Column(c);
            for (int r = 0; r < FNRow; ++r) sums[r] += col[r];
        }
        Means->SetVecSize(FNRow);
        for (int r = 1; r <= FNRow; ++r) Means->SetVal(r, sums[r - 1] / FNCol);
    }
}

}  // namespace ozm
