// TMatrix: matrix products; the transpose of both matrix classes.
#include <algorithm>

#include "matrices/matrix_gemm.hpp"
#include "matrices/matrix_internal.hpp"
#include "ozm/matrix.hpp"

namespace ozm {

using matrix::detail::GemmAccumulate;
using matrix::detail::NewCells;
using matrix::detail::TOperand;

namespace {

// Operand views of a column-major matrix with `rows` rows, as is and transposed.
TOperand Plain(const double* data, int rows) { return {data, 1, std::max(rows, 1)}; }
TOperand Transposed(const double* data, int rows) { return {data, std::max(rows, 1), 1}; }

}  // namespace

// The product is computed into fresh storage and then handed to the result, so the result may be
// one of the operands without spoiling them while they are read.
bool TMatrix::StoreProduct(TMatrix* MatRes, int Rows, int Cols, int Depth,
                           const matrix::detail::TOperand& A, const matrix::detail::TOperand& B) {
    std::vector<double> cells = Guarded([&] {
        std::vector<double> out = NewCells(Cols, Rows);
        GemmAccumulate(Rows, Cols, Depth, A, B, out.data(), std::max(Rows, 1));
        return out;
    });
    const bool resized = MatRes->FNCol != Cols || MatRes->FNRow != Rows;
    MatRes->AdoptStorage(std::move(cells), Cols, Rows);
    if (resized) MatRes->Changed();
    MatRes->NotifyEachCell(MatRes->CellCount());
    Changed();
    return true;
}

bool TMatrix::Multiply(const TMatrix* MatB, TMatrix* MatRes) {
    if (MatB == nullptr || MatRes == nullptr || FNCol != MatB->FNRow) return false;
    return StoreProduct(MatRes, FNRow, MatB->FNCol, FNCol, Plain(Data(), FNRow),
                        Plain(MatB->Data(), MatB->FNRow));
}

bool TMatrix::MultiplyTransposed(const TMatrix* MatB, TMatrix* MatRes) {
    if (MatB == nullptr || MatRes == nullptr || FNCol != MatB->FNCol) return false;
    return StoreProduct(MatRes, FNRow, MatB->FNRow, FNCol, Plain(Data(), FNRow),
                        Transposed(MatB->Data(), MatB->FNRow));
}

bool TMatrix::TransposeAndMultiply(const TMatrix* MatB, TMatrix* MatRes) {
    if (MatB == nullptr || MatRes == nullptr || FNRow != MatB->FNRow) return false;
    return StoreProduct(MatRes, FNCol, MatB->FNCol, FNRow, Transposed(Data(), FNRow),
                        Plain(MatB->Data(), MatB->FNRow));
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::Transpose() {
    DenseOnly("Transpose");
    std::vector<TCell> cells =
        Guarded([&] { return matrix::detail::NewCellsOf<TCell>(FNRow, FNCol); });
    // Blocks of 32 x 32 keep both the read and the written lines in cache.
    constexpr int kBlock = 32;
    const int rows = FNRow;
    const int cols = FNCol;
    const TCell* src = FData.data();
    TCell* dst = cells.data();
    for (int c0 = 0; c0 < cols; c0 += kBlock)
        for (int r0 = 0; r0 < rows; r0 += kBlock) {
            const int c1 = std::min(cols, c0 + kBlock);
            const int r1 = std::min(rows, r0 + kBlock);
            for (int c = c0; c < c1; ++c)
                for (int r = r0; r < r1; ++r)
                    dst[static_cast<size_t>(r) * cols + c] = src[static_cast<size_t>(c) * rows + r];
        }
    AdoptStorage(std::move(cells), rows, cols);
    Changed();
    return true;
}

#define OZM_TRANSPOSE_MEMBERS(TCell, TSelf) template bool TMatrixCore<TCell, TSelf>::Transpose();

OZM_INSTANTIATE_MATRIX_CORE(OZM_TRANSPOSE_MEMBERS)

}  // namespace ozm
