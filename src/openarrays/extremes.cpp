// Extremes of open arrays: MaxArray, MinArray and MinMaxArray.
//
// The scans start from the first cell that is not NaN and replace the current extreme only when
// a cell is strictly better, so ties keep the first occurrence and NaN cells never win or block a
// later number. Starting from a cell instead of from the neutral value also gives the right
// answer for arrays of infinities or of cells equal to the neutral value.
#include <limits>
#include <span>

#include "openarrays/shape.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/openarrays/statistics.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

struct Greater {
    template <class T>
    bool operator()(T a, T b) const { return a > b; }
};
struct Less {
    template <class T>
    bool operator()(T a, T b) const { return a < b; }
};

// Running extreme over any number of rows.
template <class T, class Better>
struct ExtremeScan {
    T best;
    bool found = false;

    void Row(const T* p, size_t n) {
        size_t i = 0;
        if (!found) {
            while (i < n && IsNaNCell(p[i])) ++i;
            if (i == n) return;
            best = p[i++];
            found = true;
        }
        Better better;
        for (; i < n; ++i)
            if (better(p[i], best)) best = p[i];
    }
};

template <class A, class Better>
CellOf<A> Extreme(const A& a, CellOf<A> neutral) {
    using T = CellOf<A>;
    if (IsEmpty(a)) return neutral;
    ExtremeScan<T, Better> scan{neutral};
    ForEachRow(a, [&scan](const auto& row) { scan.Row(row.data(), row.size()); });
    return scan.found ? scan.best : neutral;
}

template <class Better>
int32_t ExtremeAt(const TIntArray& a, int& ix) {
    Better better;
    size_t best = 0;
    for (size_t i = 1; i < a.size(); ++i)
        if (better(a[i], a[best])) best = i;
    ix = static_cast<int>(best);
    return a[best];
}

template <class Better>
int32_t ExtremeAt(const TInt2DArray& a, int& ix1, int& ix2) {
    Better better;
    size_t bi = 0, bj = 0;
    int32_t best = a[0][0];
    for (size_t i = 0; i < a.size(); ++i) {
        const int32_t* p = a[i].data();
        for (size_t j = 0; j < a[i].size(); ++j)
            if (better(p[j], best)) {
                best = p[j];
                bi = i;
                bj = j;
            }
    }
    ix1 = static_cast<int>(bi);
    ix2 = static_cast<int>(bj);
    return best;
}

template <class T>
struct Presets;
template <>
struct Presets<double> {
    static constexpr double kMin = uc_MaxDouble;
    static constexpr double kMax = -uc_MaxDouble;
};
template <>
struct Presets<int32_t> {
    static constexpr int32_t kMin = kIntMax;
    static constexpr int32_t kMax = kIntMin;
};

// Whole-array form: presets first, then both extremes from the first number and the rest.
template <class A, class R>
int MinMaxWhole(const A& a, R& mn, R& mx, R presetMin, R presetMax) {
    using T = CellOf<A>;
    mn = presetMin;
    mx = presetMax;
    if (IsEmpty(a)) return -1;
    ExtremeScan<T, Less> low{T{}};
    ExtremeScan<T, Greater> high{T{}};
    ForEachRow(a, [&](const auto& row) {
        low.Row(row.data(), row.size());
        high.Row(row.data(), row.size());
    });
    if (low.found) {
        mn = static_cast<R>(low.best);
        mx = static_cast<R>(high.best);
    }
    return 0;
}

template <class T>
int MinMaxSpan(std::span<const T> values, T& mn, T& mx) {
    mn = Presets<T>::kMin;
    mx = Presets<T>::kMax;
    if (values.empty()) return -1;
    ExtremeScan<T, Less> low{T{}};
    ExtremeScan<T, Greater> high{T{}};
    low.Row(values.data(), values.size());
    high.Row(values.data(), values.size());
    if (low.found) {
        mn = low.best;
        mx = high.best;
    }
    return 0;
}

// Takes cell v at position pos into the running extremes of a range scan.
template <class T, class Pos>
void TakeCell(T v, const Pos& pos, bool& started, T& mn, T& mx, Pos& minPos, Pos& maxPos) {
    if (IsNaNCell(v)) return;
    if (!started) {
        mn = mx = v;
        minPos = maxPos = pos;
        started = true;
        return;
    }
    if (v < mn) {
        mn = v;
        minPos = pos;
    }
    if (v > mx) {
        mx = v;
        maxPos = pos;
    }
}

bool BoundOk(int b, size_t extent) { return b >= 0 && static_cast<size_t>(b) < extent; }

template <class T>
int MinMaxRange(const std::vector<T>& a, int lo, int hi, T& mn, T& mx, int& minIx, int& maxIx) {
    mn = Presets<T>::kMin;
    mx = Presets<T>::kMax;
    minIx = maxIx = 0;
    if (a.empty()) return -1;
    if (!BoundOk(lo, a.size()) || !BoundOk(hi, a.size())) return -2;
    bool started = false;
    for (int i = lo; i <= hi; ++i) TakeCell(a[size_t(i)], i, started, mn, mx, minIx, maxIx);
    return 0;
}

template <class T>
int MinMaxBox(const std::vector<std::vector<T>>& a, int lo1, int lo2, int hi1, int hi2, T& mn,
              T& mx, int& minIx1, int& minIx2, int& maxIx1, int& maxIx2) {
    mn = Presets<T>::kMin;
    mx = Presets<T>::kMax;
    minIx1 = minIx2 = maxIx1 = maxIx2 = 0;
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    if (!BoundOk(lo1, e[0]) || !BoundOk(hi1, e[0]) || !BoundOk(lo2, e[1]) || !BoundOk(hi2, e[1]))
        return -2;
    if (!HasExtents(a, e.data())) return -2;
    using Pos = std::array<int, 2>;
    Pos minPos{0, 0}, maxPos{0, 0};
    bool started = false;
    for (int i = lo1; i <= hi1; ++i) {
        const T* p = a[size_t(i)].data();
        for (int j = lo2; j <= hi2; ++j) TakeCell(p[j], Pos{i, j}, started, mn, mx, minPos, maxPos);
    }
    minIx1 = minPos[0];
    minIx2 = minPos[1];
    maxIx1 = maxPos[0];
    maxIx2 = maxPos[1];
    return 0;
}

}  // namespace

#define OZM_OA_EXTREMES(ArrayT, CellT, Neutral)                                                \
    CellT MaxArray(const ArrayT& A) { return Extreme<ArrayT, Greater>(A, -(Neutral)); }        \
    CellT MinArray(const ArrayT& A) { return Extreme<ArrayT, Less>(A, Neutral); }              \
    int MinMaxArray(const ArrayT& A, CellT& Min, CellT& Max) {                                 \
        return MinMaxWhole(A, Min, Max, Presets<CellT>::kMin, Presets<CellT>::kMax);           \
    }
OZM_OA_EXTREMES(TDoubleArray, double, uc_MaxDouble)
OZM_OA_EXTREMES(TDouble2DArray, double, uc_MaxDouble)
OZM_OA_EXTREMES(TDouble3DArray, double, uc_MaxDouble)
OZM_OA_EXTREMES(TDouble4DArray, double, uc_MaxDouble)
#undef OZM_OA_EXTREMES

// The integer neutral values are not symmetric (-(2147483647) is not the minimum).
#define OZM_OA_EXTREMES(ArrayT)                                                                \
    int32_t MaxArray(const ArrayT& A) { return Extreme<ArrayT, Greater>(A, kIntMin); }         \
    int32_t MinArray(const ArrayT& A) { return Extreme<ArrayT, Less>(A, kIntMax); }            \
    int MinMaxArray(const ArrayT& A, int32_t& Min, int32_t& Max) {                             \
        return MinMaxWhole(A, Min, Max, kIntMax, kIntMin);                                     \
    }
OZM_OA_EXTREMES(TIntArray)
OZM_OA_EXTREMES(TInt2DArray)
OZM_OA_EXTREMES(TInt3DArray)
OZM_OA_EXTREMES(TInt4DArray)
#undef OZM_OA_EXTREMES

int32_t MaxArray(const TIntArray& A, int& Ix) {
    return A.empty() ? kIntMin : ExtremeAt<Greater>(A, Ix);
}
int32_t MaxArray(const TInt2DArray& A, int& Ix1, int& Ix2) {
    return IsEmpty(A) ? kIntMin : ExtremeAt<Greater>(A, Ix1, Ix2);
}
int32_t MinArray(const TIntArray& A, int& Ix) {
    return A.empty() ? kIntMax : ExtremeAt<Less>(A, Ix);
}
int32_t MinArray(const TInt2DArray& A, int& Ix1, int& Ix2) {
    return IsEmpty(A) ? kIntMax : ExtremeAt<Less>(A, Ix1, Ix2);
}

int MinMaxArray(const TSingleArray& A, double& Min, double& Max) {
    return MinMaxWhole(A, Min, Max, static_cast<double>(uc_MaxSingle),
                       -static_cast<double>(uc_MaxSingle));
}
int MinMaxArray(std::span<const double> Values, double& Min, double& Max) {
    return MinMaxSpan(Values, Min, Max);
}
int MinMaxArray(std::span<const int32_t> Values, int32_t& Min, int32_t& Max) {
    return MinMaxSpan(Values, Min, Max);
}

int MinMaxArray(const TDoubleArray& A, int Lo, int Hi, double& Min, double& Max, int& MinIx,
                int& MaxIx) {
    return MinMaxRange(A, Lo, Hi, Min, Max, MinIx, MaxIx);
}
int MinMaxArray(const TIntArray& A, int Lo, int Hi, int32_t& Min, int32_t& Max, int& MinIx,
                int& MaxIx) {
    return MinMaxRange(A, Lo, Hi, Min, Max, MinIx, MaxIx);
}
int MinMaxArray(const TDouble2DArray& A, int Lo1, int Lo2, int Hi1, int Hi2, double& Min,
                double& Max, int& MinIx1, int& MinIx2, int& MaxIx1, int& MaxIx2) {
    return MinMaxBox(A, Lo1, Lo2, Hi1, Hi2, Min, Max, MinIx1, MinIx2, MaxIx1, MaxIx2);
}
int MinMaxArray(const TInt2DArray& A, int Lo1, int Lo2, int Hi1, int Hi2, int32_t& Min,
                int32_t& Max, int& MinIx1, int& MinIx2, int& MaxIx1, int& MaxIx2) {
    return MinMaxBox(A, Lo1, Lo2, Hi1, Hi2, Min, Max, MinIx1, MinIx2, MaxIx1, MaxIx2);
}

}  // namespace ozm::openarrays
