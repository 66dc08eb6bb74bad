// Cloning open arrays, with conversion between element types and optional reversal.
#include <algorithm>
#include <cmath>
#include <limits>

#include "openarrays/shape.hpp"
#include "ozm/openarrays/copying.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

// Cell conversion: saturating and rounding (ties to even) into 32-bit integers, rounding to
// nearest into single precision, exact otherwise.
template <class To, class From>
To ConvertCell(From v) {
    if constexpr (std::is_same_v<To, int32_t> && std::is_floating_point_v<From>) {
        constexpr double kMax = std::numeric_limits<int32_t>::max();
        constexpr double kMin = std::numeric_limits<int32_t>::min();
        const double x = static_cast<double>(v);
        if (std::isnan(x) || x > kMax) return std::numeric_limits<int32_t>::max();
        if (x < kMin) return std::numeric_limits<int32_t>::min();
        return static_cast<int32_t>(Round(x));
    } else if constexpr (std::is_same_v<To, float> && std::is_same_v<From, double>) {
        // A double beyond the single range cannot go through a plain conversion (undefined
        // behaviour); it is rounded as IEEE arithmetic rounds it: up to half a unit in the last
        // place beyond the largest single it stays there, past that it becomes infinite.
        constexpr double kSingleMax = std::numeric_limits<float>::max();
        if (std::isfinite(v) && std::fabs(v) > kSingleMax) {
            const double overflowAt = std::ldexp(1.0, 128) - std::ldexp(1.0, 103);
            const float magnitude = std::fabs(v) < overflowAt
                                        ? std::numeric_limits<float>::max()
                                        : std::numeric_limits<float>::infinity();
            return v < 0 ? -magnitude : magnitude;
        }
        return static_cast<float>(v);
    } else {
        return static_cast<To>(v);
    }
}

template <class Src, class Dest>
void ConvertInto(const Src& src, Dest& dest) {
    if constexpr (kRank<Src> == 1) {
        dest.resize(src.size());
        for (size_t i = 0; i < src.size(); ++i) dest[i] = ConvertCell<CellOf<Dest>>(src[i]);
    } else {
        dest.resize(src.size());
        for (size_t i = 0; i < src.size(); ++i) ConvertInto(src[i], dest[i]);
    }
}

template <class Src, class Dest>
int Clone(const Src& src, Dest& dest) {
    if (IsEmpty(src)) return -1;
    if constexpr (std::is_same_v<Src, Dest>) {
        if (&src != &dest) dest = src;
    } else {
        Dest result;
        ConvertInto(src, result);
        dest = std::move(result);
    }
    return 0;
}

template <class Src, class Dest>
int CloneReversed(const Src& src, Dest& dest) {
    if (src.empty()) return -1;
    Dest result(src.size());
    const size_t n = src.size();
    for (size_t i = 0; i < n; ++i) result[i] = ConvertCell<CellOf<Dest>>(src[n - 1 - i]);
    dest = std::move(result);
    return 0;
}

}  // namespace

#define OZM_OA_CLONE(SrcT, DestT)                                                              \
    int CloneArray(const SrcT& Src, DestT& Dest) { return Clone(Src, Dest); }
OZM_OA_CLONE(TBoolArray, TBoolArray)
OZM_OA_CLONE(TBool2DArray, TBool2DArray)
OZM_OA_CLONE(TDoubleArray, TDoubleArray)
OZM_OA_CLONE(TDouble2DArray, TDouble2DArray)
OZM_OA_CLONE(TDouble3DArray, TDouble3DArray)
OZM_OA_CLONE(TDouble4DArray, TDouble4DArray)
OZM_OA_CLONE(TIntArray, TIntArray)
OZM_OA_CLONE(TInt2DArray, TInt2DArray)
OZM_OA_CLONE(TInt3DArray, TInt3DArray)
OZM_OA_CLONE(TInt4DArray, TInt4DArray)
OZM_OA_CLONE(TSingleArray, TDoubleArray)
OZM_OA_CLONE(TDoubleArray, TSingleArray)
OZM_OA_CLONE(TDoubleArray, TIntArray)
OZM_OA_CLONE(TDouble2DArray, TInt2DArray)
OZM_OA_CLONE(TDouble3DArray, TInt3DArray)
OZM_OA_CLONE(TDouble4DArray, TInt4DArray)
OZM_OA_CLONE(TIntArray, TDoubleArray)
OZM_OA_CLONE(TInt2DArray, TDouble2DArray)
OZM_OA_CLONE(TInt3DArray, TDouble3DArray)
OZM_OA_CLONE(TInt4DArray, TDouble4DArray)
#undef OZM_OA_CLONE

#define OZM_OA_CLONE_REVERSED(SrcT, DestT)                                                     \
    int CloneAndReverseArray(const SrcT& Src, DestT& Dest) { return CloneReversed(Src, Dest); }
OZM_OA_CLONE_REVERSED(TBoolArray, TBoolArray)
OZM_OA_CLONE_REVERSED(TDoubleArray, TDoubleArray)
OZM_OA_CLONE_REVERSED(TIntArray, TIntArray)
OZM_OA_CLONE_REVERSED(TSingleArray, TDoubleArray)
OZM_OA_CLONE_REVERSED(TDoubleArray, TSingleArray)
OZM_OA_CLONE_REVERSED(TDoubleArray, TIntArray)
OZM_OA_CLONE_REVERSED(TIntArray, TDoubleArray)
#undef OZM_OA_CLONE_REVERSED

}  // namespace ozm::openarrays
