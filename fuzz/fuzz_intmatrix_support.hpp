// Helpers of the integer matrix fuzz targets: comparison of two integer matrices in either form.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ozm/matrix.hpp"

namespace ozm::fuzzing {

// Number of non-zero cells (a sparse matrix is counted by its entries, never cell by cell).
inline int64_t NonZeroCells(const TIntMatrix& M) {
    int64_t n = 0;
    if (M.IsSparse()) {
        for (const TSpMatElemInt& e : M.SparseEntries()) n += e.value != 0;
        return n;
    }
    const int32_t* cells = M.Data();
    const size_t count = static_cast<size_t>(M.NrOfColumns()) * static_cast<size_t>(M.NrOfRows());
    for (size_t i = 0; i < count; ++i) n += cells[i] != 0;
    return n;
}

// Aborts unless B holds A's size and cells. Two dense matrices are compared in storage order.
// Otherwise both must have as many non-zero cells and agree at every sparse entry: the entries
// then hold every non-zero cell of both, so the matrices agree everywhere (sparse matrices may
// have sizes far beyond their entries and are never compared cell by cell).
inline void RequireSameInts(const TIntMatrix& A, const TIntMatrix& B) {
    if (A.NrOfColumns() != B.NrOfColumns() || A.NrOfRows() != B.NrOfRows()) std::abort();
    if (A.IsSparse() || B.IsSparse()) {
        if (NonZeroCells(A) != NonZeroCells(B)) std::abort();
        for (const TIntMatrix* m : {&A, &B})
            for (const TSpMatElemInt& e : m->SparseEntries())
                if (A.GetVal(e.colidx, e.rowidx) != B.GetVal(e.colidx, e.rowidx)) std::abort();
        return;
    }
    const size_t count = static_cast<size_t>(A.NrOfColumns()) * static_cast<size_t>(A.NrOfRows());
    if (count > 0 && std::memcmp(A.Data(), B.Data(), count * sizeof(int32_t)) != 0) std::abort();
}

}  // namespace ozm::fuzzing
