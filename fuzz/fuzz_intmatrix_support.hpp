// Helpers of the integer matrix fuzz targets: comparison of two integer matrices in either form.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "ozm/matrix.hpp"

namespace ozm::fuzzing {

// Number of non-zero cells (a sparse matrix is counted by its entries, never cell by cell).
inline int64_t NonZeroCells(const TIntMatrix& M) {
    int64_t n = 0;
    if (M.IsSparse()) {
        for (const TSpMatElemInt& e : M.SparseEntries()) n += e.value != 0;
        return n;
    }
    for (int c = 1; c <= M.NrOfColumns(); ++c)
        for (int r = 1; r <= M.NrOfRows(); ++r) n += M.GetVal(c, r) != 0;
    return n;
}

// Aborts unless B holds A's size and cells. Sparse matrices may have sizes far beyond their
// entries, so they are compared through their non-zero cells.
inline void RequireSameInts(const TIntMatrix& A, const TIntMatrix& B) {
    if (A.NrOfColumns() != B.NrOfColumns() || A.NrOfRows() != B.NrOfRows()) std::abort();
    if (A.IsSparse() || B.IsSparse()) {
        if (NonZeroCells(A) != NonZeroCells(B)) std::abort();
        for (const TIntMatrix* m : {&A, &B})
            for (const TSpMatElemInt& e : m->SparseEntries())
                if (A.GetVal(e.colidx, e.rowidx) != B.GetVal(e.colidx, e.rowidx)) std::abort();
        if (!A.IsSparse() || !B.IsSparse()) {
            const TIntMatrix& dense = A.IsSparse() ? B : A;
            const TIntMatrix& sparse = A.IsSparse() ? A : B;
            for (int c = 1; c <= dense.NrOfColumns(); ++c)
                for (int r = 1; r <= dense.NrOfRows(); ++r)
                    if (dense.GetVal(c, r) != sparse.GetVal(c, r)) std::abort();
        }
        return;
    }
    for (int c = 1; c <= A.NrOfColumns(); ++c)
        for (int r = 1; r <= A.NrOfRows(); ++r)
            if (A.GetVal(c, r) != B.GetVal(c, r)) std::abort();
}

}  // namespace ozm::fuzzing
