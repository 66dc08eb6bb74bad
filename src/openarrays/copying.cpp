// Copying into existing open arrays: blocks, columns, rows and vectors.
#include <algorithm>

#include "openarrays/shape.hpp"
#include "ozm/openarrays/copying.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

// Copies the box lo..hi of src to dest starting at dix; all indices checked by the caller.
template <size_t D = 0, class A, size_t R>
void CopyBlock(const A& src, A& dest, const Bounds<R>& lo, const Bounds<R>& hi,
               const Bounds<R>& dix) {
    const auto n = static_cast<std::ptrdiff_t>(hi[D] - lo[D] + 1);
    if constexpr (D + 1 == R) {
        const auto from = src.begin() + lo[D];
        std::copy(from, from + n, dest.begin() + dix[D]);
    } else {
        for (std::ptrdiff_t k = 0; k < n; ++k)
            CopyBlock<D + 1>(src[size_t(lo[D] + k)], dest[size_t(dix[D] + k)], lo, hi, dix);
    }
}

// The box lo..hi of a as an array of its own.
template <size_t D = 0, class A, size_t R>
A ExtractBlock(const A& a, const Bounds<R>& lo, const Bounds<R>& hi) {
    if constexpr (D + 1 == R) {
        return A(a.begin() + lo[D], a.begin() + hi[D] + 1);
    } else {
        A block;
        block.reserve(size_t(hi[D] - lo[D] + 1));
        for (int i = lo[D]; i <= hi[D]; ++i)
            block.push_back(ExtractBlock<D + 1>(a[size_t(i)], lo, hi));
        return block;
    }
}

template <class A, size_t R = kRank<A>>
int CopyBox(const A& src, const Bounds<R>& lo, const Bounds<R>& hi, const Bounds<R>& dix,
            A& dest) {
    if (IsEmpty(src) || IsEmpty(dest)) return -1;
    const auto es = ExtentsOf(src);
    const auto ed = ExtentsOf(dest);
    if (!BoxInside(es, lo, hi)) return -2;
    for (size_t d = 0; d < R; ++d) {
        if (dix[d] < 0 || static_cast<size_t>(dix[d]) >= ed[d]) return -2;
        const size_t block = static_cast<size_t>(hi[d] - lo[d]) + 1;
        if (static_cast<size_t>(dix[d]) + block > ed[d]) return -2;
    }
    if (!HasExtents(src, es.data()) || !HasExtents(dest, ed.data())) return -2;
    if (&src == &dest) {
        // Overlapping blocks of one array: read everything before writing anything.
        const A block = ExtractBlock(src, lo, hi);
        Bounds<R> zero{}, extent{};
        for (size_t d = 0; d < R; ++d) extent[d] = hi[d] - lo[d];
        CopyBlock(block, dest, zero, extent, dix);
    } else {
        CopyBlock(src, dest, lo, hi, dix);
    }
    return 0;
}

template <class A, size_t R = kRank<A>>
int CopyWhole(const A& src, const Bounds<R>& dix, A& dest) {
    if (IsEmpty(src)) return -1;
    const auto es = ExtentsOf(src);
    Bounds<R> lo{}, hi{};
    for (size_t d = 0; d < R; ++d) hi[d] = static_cast<int>(es[d] - 1);
    return CopyBox(src, lo, hi, dix, dest);
}

bool Inside(int ix, size_t extent) { return ix >= 0 && static_cast<size_t>(ix) < extent; }

template <class T>
int CopyColumn(const std::vector<std::vector<T>>& a, int col, int lo, int hi,
               std::vector<T>& vec) {
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    if (hi < lo || !Inside(lo, e[1]) || !Inside(hi, e[1]) || !HasExtents(a, e.data())) return -2;
    if (!Inside(col, e[0])) return -3;
    const auto& column = a[size_t(col)];
    vec.assign(column.begin() + lo, column.begin() + hi + 1);
    return 0;
}

template <class T>
int CopyRow(const std::vector<std::vector<T>>& a, int row, int lo, int hi, std::vector<T>& vec) {
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    if (hi < lo || !Inside(lo, e[0]) || !Inside(hi, e[0]) || !HasExtents(a, e.data())) return -2;
    if (!Inside(row, e[1])) return -3;
    std::vector<T> result(size_t(hi - lo + 1));
    for (int i = lo; i <= hi; ++i) result[size_t(i - lo)] = a[size_t(i)][size_t(row)];
    vec = std::move(result);
    return 0;
}

// The vector range of CopyVectorToArrayColumn/Row: 0 and the range, or -1.
template <class T>
int VectorRange(const std::vector<T>& vec, int& lo, int& hi) {
    if (lo == 0 && hi == 0) {
        hi = static_cast<int>(vec.size()) - 1;  // -1 for an empty vector: nothing to copy
        return 0;
    }
    if (!Inside(lo, vec.size()) || !Inside(hi, vec.size()) || hi < lo) return -1;
    return 0;
}

template <class T>
int VectorToColumn(const std::vector<T>& vec, int vecLo, int vecHi, int col, int firstRow,
                   std::vector<std::vector<T>>& a) {
    const auto e = ExtentsOf(a);
    if (!Inside(col, e[0]) || !Inside(firstRow, e[1]) || !HasExtents(a, e.data())) return -2;
    if (const int rc = VectorRange(vec, vecLo, vecHi)) return rc;
    auto& column = a[size_t(col)];
    size_t row = size_t(firstRow);
    for (int i = vecLo; i <= vecHi && row < column.size(); ++i, ++row) column[row] = vec[size_t(i)];
    return 0;
}

template <class T>
int VectorToRow(const std::vector<T>& vec, int vecLo, int vecHi, int firstCol, int row,
                std::vector<std::vector<T>>& a) {
    const auto e = ExtentsOf(a);
    if (!Inside(firstCol, e[0]) || !Inside(row, e[1]) || !HasExtents(a, e.data())) return -2;
    if (const int rc = VectorRange(vec, vecLo, vecHi)) return rc;
    size_t col = size_t(firstCol);
    for (int i = vecLo; i <= vecHi && col < a.size(); ++i, ++col)
        a[col][size_t(row)] = vec[size_t(i)];
    return 0;
}

}  // namespace

int CopyArray(const TBoolArray& Src, int DestIx1, TBoolArray& Dest) {
    return CopyWhole(Src, Bounds<1>{DestIx1}, Dest);
}
int CopyArray(const TBool2DArray& Src, int DestIx1, int DestIx2, TBool2DArray& Dest) {
    return CopyWhole(Src, Bounds<2>{DestIx1, DestIx2}, Dest);
}

#define OZM_OA_COPY(A1, A2, A3, A4)                                                            \
    int CopyArray(const A1& Src, int DestIx1, A1& Dest) {                                      \
        return CopyWhole(Src, Bounds<1>{DestIx1}, Dest);                                       \
    }                                                                                          \
    int CopyArray(const A2& Src, int DestIx1, int DestIx2, A2& Dest) {                         \
        return CopyWhole(Src, Bounds<2>{DestIx1, DestIx2}, Dest);                              \
    }                                                                                          \
    int CopyArray(const A3& Src, int DestIx1, int DestIx2, int DestIx3, A3& Dest) {            \
        return CopyWhole(Src, Bounds<3>{DestIx1, DestIx2, DestIx3}, Dest);                     \
    }                                                                                          \
    int CopyArray(const A4& Src, int DestIx1, int DestIx2, int DestIx3, int DestIx4,           \
                  A4& Dest) {                                                                  \
        return CopyWhole(Src, Bounds<4>{DestIx1, DestIx2, DestIx3, DestIx4}, Dest);            \
    }                                                                                          \
    int CopyArray(const A1& Src, int SrcLo1, int SrcHi1, int DestIx1, A1& Dest) {              \
        return CopyBox(Src, Bounds<1>{SrcLo1}, Bounds<1>{SrcHi1}, Bounds<1>{DestIx1}, Dest);   \
    }                                                                                          \
    int CopyArray(const A2& Src, int SrcLo1, int SrcLo2, int SrcHi1, int SrcHi2, int DestIx1,  \
                  int DestIx2, A2& Dest) {                                                     \
        return CopyBox(Src, Bounds<2>{SrcLo1, SrcLo2}, Bounds<2>{SrcHi1, SrcHi2},              \
                       Bounds<2>{DestIx1, DestIx2}, Dest);                                     \
    }                                                                                          \
    int CopyArray(const A3& Src, int SrcLo1, int SrcLo2, int SrcLo3, int SrcHi1, int SrcHi2,   \
                  int SrcHi3, int DestIx1, int DestIx2, int DestIx3, A3& Dest) {               \
        return CopyBox(Src, Bounds<3>{SrcLo1, SrcLo2, SrcLo3},                                 \
                       Bounds<3>{SrcHi1, SrcHi2, SrcHi3}, Bounds<3>{DestIx1, DestIx2, DestIx3}, \
                       Dest);                                                                  \
    }                                                                                          \
    int CopyArray(const A4& Src, int SrcLo1, int SrcLo2, int SrcLo3, int SrcLo4, int SrcHi1,   \
                  int SrcHi2, int SrcHi3, int SrcHi4, int DestIx1, int DestIx2, int DestIx3,   \
                  int DestIx4, A4& Dest) {                                                     \
        return CopyBox(Src, Bounds<4>{SrcLo1, SrcLo2, SrcLo3, SrcLo4},                         \
                       Bounds<4>{SrcHi1, SrcHi2, SrcHi3, SrcHi4},                              \
                       Bounds<4>{DestIx1, DestIx2, DestIx3, DestIx4}, Dest);                   \
    }
OZM_OA_COPY(TDoubleArray, TDouble2DArray, TDouble3DArray, TDouble4DArray)
OZM_OA_COPY(TIntArray, TInt2DArray, TInt3DArray, TInt4DArray)
#undef OZM_OA_COPY

#define OZM_OA_COLUMNS(A2, A1)                                                                 \
    int CopyArrayColumn(const A2& A, int Col, int Lo, int Hi, A1& Vec) {                       \
        return CopyColumn(A, Col, Lo, Hi, Vec);                                                \
    }                                                                                          \
    int CopyArrayRow(const A2& A, int Row, int Lo, int Hi, A1& Vec) {                          \
        return CopyRow(A, Row, Lo, Hi, Vec);                                                   \
    }                                                                                          \
    int CopyVectorToArrayColumn(const A1& Vec, int VecLo, int VecHi, int Col, int FirstRow,    \
                                A2& A) {                                                       \
        return VectorToColumn(Vec, VecLo, VecHi, Col, FirstRow, A);                            \
    }                                                                                          \
    int CopyVectorToArrayRow(const A1& Vec, int VecLo, int VecHi, int FirstCol, int Row,       \
                             A2& A) {                                                          \
        return VectorToRow(Vec, VecLo, VecHi, FirstCol, Row, A);                               \
    }
OZM_OA_COLUMNS(TDouble2DArray, TDoubleArray)
OZM_OA_COLUMNS(TInt2DArray, TIntArray)
OZM_OA_COLUMNS(TBool2DArray, TBoolArray)
#undef OZM_OA_COLUMNS

}  // namespace ozm::openarrays
