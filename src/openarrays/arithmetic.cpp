// Element-wise arithmetic of open arrays: two-array operations, accumulation and operations with
// a scalar. One template per family serves every element type and rank.
#include "ozm/openarrays/arithmetic.hpp"

#include <cmath>

#include "openarrays/shape.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

struct Plus {
    template <class T>
    T operator()(T a, T b) const { return AddCells(a, b); }
};
struct Minus {
    template <class T>
    T operator()(T a, T b) const { return SubCells(a, b); }
};
struct Times {
    template <class T>
    T operator()(T a, T b) const { return MulCells(a, b); }
};

// C = A op B over rectangular arrays of one shape. C may be A or B: every cell is read before
// the same cell is written, and reshaping C to its own shape does nothing.
template <class A, class Op>
int CombineArrays(const A& a, const A& b, A& c, Op op) {
    if (IsEmpty(a) || IsEmpty(b)) return -1;
    if (!SameRectangularShape(a, b)) return -2;
    ReshapeLike(c, a);
    ZipRows(
        [op](const auto& ra, const auto& rb, auto& rc) {
            const auto* pa = ra.data();
            const auto* pb = rb.data();
            auto* pc = rc.data();
            const size_t n = ra.size();
            for (size_t i = 0; i < n; ++i) pc[i] = op(pa[i], pb[i]);
        },
        a, b, c);
    return 0;
}

template <class A>
int Accumulate(const A& a, A& accu) {
    if (IsEmpty(a)) return -1;
    if (!IsRectangular(a)) return -2;
    if (IsEmpty(accu)) {
        const auto e = ExtentsOf(a);
        accu = MakeArray<A>(e.data());
    } else if (!SameRectangularShape(a, accu)) {
        return -2;
    }
    ZipRows(
        [](const auto& ra, auto& racc) {
            const auto* pa = ra.data();
            auto* pacc = racc.data();
            const size_t n = ra.size();
            for (size_t i = 0; i < n; ++i) pacc[i] = AddCells(pacc[i], pa[i]);
        },
        a, accu);
    return 0;
}

// Applies f to every existing cell of a in place.
template <class A, class F>
int TransformInPlace(A& a, F f) {
    if (IsEmpty(a)) return -1;
    ForEachRow(a, [f](auto& row) {
        auto* p = row.data();
        const size_t n = row.size();
        for (size_t i = 0; i < n; ++i) p[i] = f(p[i]);
    });
    return 0;
}

// C = f(A) cell by cell, C taking the nesting of A (ragged or not). C may be A.
template <class A, class F>
int TransformInto(const A& a, A& c, F f) {
    if (IsEmpty(a)) return -1;
    if (&a != &c) c = a;
    ForEachRow(c, [f](auto& row) {
        auto* p = row.data();
        const size_t n = row.size();
        for (size_t i = 0; i < n; ++i) p[i] = f(p[i]);
    });
    return 0;
}

template <class T>
struct AddScalar {
    T s;
    T operator()(T v) const { return AddCells(v, s); }
};
template <class T>
struct MulScalar {
    T s;
    T operator()(T v) const { return MulCells(v, s); }
};
struct Absolute {
    double operator()(double v) const { return std::fabs(v); }
    int32_t operator()(int32_t v) const { return WrapAbs(v); }
};

}  // namespace

#define OZM_OA_FOR_DOUBLE_AND_INT_RANKS(X)                                                     \
    X(TDoubleArray, double) X(TDouble2DArray, double) X(TDouble3DArray, double)                \
    X(TDouble4DArray, double) X(TIntArray, int32_t) X(TInt2DArray, int32_t)                    \
    X(TInt3DArray, int32_t) X(TInt4DArray, int32_t)

#define OZM_OA_ARITH(ArrayT, ScalarT)                                                          \
    int AddArrays(const ArrayT& A, const ArrayT& B, ArrayT& C) {                               \
        return CombineArrays(A, B, C, Plus{});                                                 \
    }                                                                                          \
    int SubtractArrays(const ArrayT& A, const ArrayT& B, ArrayT& C) {                          \
        return CombineArrays(A, B, C, Minus{});                                                \
    }                                                                                          \
    int AccumulateArray(const ArrayT& A, ArrayT& Accu) { return Accumulate(A, Accu); }         \
    int AddScalarToArray(const ArrayT& A, ScalarT Scalar, ArrayT& C) {                         \
        return TransformInto(A, C, AddScalar<ScalarT>{Scalar});                                \
    }                                                                                          \
    int IncArray(ArrayT& A, ScalarT Scalar) {                                                  \
        return TransformInPlace(A, AddScalar<ScalarT>{Scalar});                                \
    }                                                                                          \
    int MultiplyArrayByScalar(const ArrayT& A, ScalarT Scalar, ArrayT& C) {                    \
        return TransformInto(A, C, MulScalar<ScalarT>{Scalar});                                \
    }                                                                                          \
    int MultiplyArrayByScalar(ArrayT& A, ScalarT Scalar) {                                     \
        return TransformInPlace(A, MulScalar<ScalarT>{Scalar});                                \
    }                                                                                          \
    int AbsValArray(ArrayT& A) { return TransformInPlace(A, Absolute{}); }

OZM_OA_FOR_DOUBLE_AND_INT_RANKS(OZM_OA_ARITH)
#undef OZM_OA_ARITH
#undef OZM_OA_FOR_DOUBLE_AND_INT_RANKS

int MultiplyArraysElemw(const TDoubleArray& A, const TDoubleArray& B, TDoubleArray& C) {
    return CombineArrays(A, B, C, Times{});
}
int MultiplyArraysElemw(const TDouble2DArray& A, const TDouble2DArray& B, TDouble2DArray& C) {
    return CombineArrays(A, B, C, Times{});
}
int MultiplyArraysElemw(const TIntArray& A, const TIntArray& B, TIntArray& C) {
    return CombineArrays(A, B, C, Times{});
}
int MultiplyArraysElemw(const TInt2DArray& A, const TInt2DArray& B, TInt2DArray& C) {
    return CombineArrays(A, B, C, Times{});
}

}  // namespace ozm::openarrays
