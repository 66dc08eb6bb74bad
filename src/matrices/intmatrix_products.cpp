// TIntMatrix: the integer matrix products. Integer sums wrap, so the order of the terms does not
// change a result and the kernel may run the depth in whatever order suits the memory.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "matrices/matrix_internal.hpp"
#include "ozm/matrix.hpp"

namespace ozm {

using matrix::detail::NewCellsOf;

namespace {

// C (Rows x Cols, column-major, zeroed) += A * B with A column-major (Rows x Depth) and
// B(k, j) read through b(k, j). Four columns of C are formed at once, so each column of A is
// read once per four result columns; unsigned arithmetic wraps as the cells do and vectorises.
template <typename BAt>
void IntGemm(int Rows, int Cols, int Depth, const uint32_t* A, BAt b, uint32_t* C) {
    const size_t rows = static_cast<size_t>(Rows);
    int j = 0;
    for (; j + 4 <= Cols; j += 4) {
        uint32_t* c0 = C + static_cast<size_t>(j) * rows;
        uint32_t* c1 = c0 + rows;
        uint32_t* c2 = c1 + rows;
        uint32_t* c3 = c2 + rows;
        for (int k = 0; k < Depth; ++k) {
            const uint32_t* a = A + static_cast<size_t>(k) * rows;
            const uint32_t b0 = b(k, j), b1 = b(k, j + 1), b2 = b(k, j + 2), b3 = b(k, j + 3);
            for (size_t i = 0; i < rows; ++i) {
                const uint32_t x = a[i];
                c0[i] += x * b0;
                c1[i] += x * b1;
                c2[i] += x * b2;
                c3[i] += x * b3;
            }
        }
    }
    for (; j < Cols; ++j) {
        uint32_t* c0 = C + static_cast<size_t>(j) * rows;
        for (int k = 0; k < Depth; ++k) {
            const uint32_t* a = A + static_cast<size_t>(k) * rows;
            const uint32_t b0 = b(k, j);
            for (size_t i = 0; i < rows; ++i) c0[i] += a[i] * b0;
        }
    }
}

}  // namespace

bool TIntMatrix::StoreIntProduct(TIntMatrix* MatRes, int Rows, int Cols, int Depth,
                                 const int32_t* A, bool TransposeA, int LdA, const int32_t* B,
                                 bool TransposeB, int LdB) {
    std::vector<int32_t> cells = Guarded([&] {
        std::vector<int32_t> out = NewCellsOf<int32_t>(Cols, Rows);
        // A transposed operand is laid out plainly first: O(n^2) against the O(n^3) product.
        std::vector<int32_t> plain;
        const int32_t* a = A;
        if (TransposeA) {
            plain.resize(static_cast<size_t>(Rows) * static_cast<size_t>(Depth));
            for (int k = 0; k < Depth; ++k)
                for (int i = 0; i < Rows; ++i)
                    plain[static_cast<size_t>(k) * Rows + i] = A[static_cast<size_t>(i) * LdA + k];
            a = plain.data();
        }
        const auto* ua = reinterpret_cast<const uint32_t*>(a);
        const auto* ub = reinterpret_cast<const uint32_t*>(B);
        auto* uc = reinterpret_cast<uint32_t*>(out.data());
        const size_t ld = static_cast<size_t>(LdB);
        if (TransposeB)
            IntGemm(
                Rows, Cols, Depth, ua,
                [ub, ld](int k, int j) { return ub[static_cast<size_t>(k) * ld + j]; }, uc);
        else
            IntGemm(
                Rows, Cols, Depth, ua,
                [ub, ld](int k, int j) { return ub[static_cast<size_t>(j) * ld + k]; }, uc);
        return out;
    });
    const bool resized = MatRes->FNCol != Cols || MatRes->FNRow != Rows;
    MatRes->AdoptStorage(std::move(cells), Cols, Rows);
    if (resized) MatRes->Changed();
    MatRes->NotifyEachCell(MatRes->CellCount());
    Changed();
    return true;
}

bool TIntMatrix::Multiply(const TIntMatrix* MatB, TIntMatrix* MatRes) {
    DenseOnly("Multiply");
    DenseOperand(MatB, "Multiply");
    DenseOperand(MatRes, "Multiply");
    if (MatB == nullptr || MatRes == nullptr || FNCol != MatB->FNRow) return false;
    return StoreIntProduct(MatRes, FNRow, MatB->FNCol, FNCol, Data(), false, FNRow, MatB->Data(),
                           false, std::max(MatB->FNRow, 1));
}

bool TIntMatrix::MultiplyTransposed(const TIntMatrix* MatB, TIntMatrix* MatRes) {
    DenseOnly("MultiplyTransposed");
    DenseOperand(MatB, "MultiplyTransposed");
    DenseOperand(MatRes, "MultiplyTransposed");
    if (MatB == nullptr || MatRes == nullptr || FNCol != MatB->FNCol) return false;
    return StoreIntProduct(MatRes, FNRow, MatB->FNRow, FNCol, Data(), false, FNRow, MatB->Data(),
                           true, std::max(MatB->FNRow, 1));
}

bool TIntMatrix::TransposeAndMultiply(const TIntMatrix* MatB, TIntMatrix* MatRes) {
    DenseOnly("TransposeAndMultiply");
    DenseOperand(MatB, "TransposeAndMultiply");
    DenseOperand(MatRes, "TransposeAndMultiply");
    if (MatB == nullptr || MatRes == nullptr || FNRow != MatB->FNRow) return false;
    return StoreIntProduct(MatRes, FNCol, MatB->FNCol, FNRow, Data(), true, std::max(FNRow, 1),
                           MatB->Data(), false, std::max(MatB->FNRow, 1));
}

}  // namespace ozm
