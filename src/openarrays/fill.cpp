// Filling open arrays: constant values (whole array or a box), running indices, diagonals and
// random deviates.
#include <algorithm>
#include <cmath>

#include "openarrays/shape.hpp"
#include "ozm/openarrays/arithmetic.hpp"
#include "ozm/platform/random.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

template <class A, class T>
int FillWhole(A& a, T value) {
    if (IsEmpty(a)) return -1;
    ForEachRow(a, [value](auto& row) { std::fill(row.begin(), row.end(), value); });
    return 0;
}

template <class A, class T, size_t R = kRank<A>>
int FillBox(A& a, T value, const Bounds<R>& lo, const Bounds<R>& hi) {
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    if (!HasExtents(a, e.data()) || !BoxInside(e, lo, hi)) return -2;
    ForEachBoxRun(a, lo, hi, [value](auto& row, size_t first, size_t last) {
        std::fill(row.begin() + static_cast<std::ptrdiff_t>(first),
                  row.begin() + static_cast<std::ptrdiff_t>(last) + 1, value);
    });
    return 0;
}

// The running index converted to the cell type; integer cells wrap beyond 2^31 cells.
template <class T>
T IndexValue(uint64_t ix) {
    if constexpr (std::is_same_v<T, double>)
        return static_cast<double>(ix);
    else
        return static_cast<T>(static_cast<uint32_t>(ix));
}

template <class A>
int FillRix(A& a) {
    using T = CellOf<A>;
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    if constexpr (kRank<A> == 1) {
        for (size_t i = 0; i < a.size(); ++i) a[i] = IndexValue<T>(i);
    } else if constexpr (kRank<A> == 2) {
        for (size_t i = 0; i < a.size(); ++i) {
            T* p = a[i].data();
            const size_t n = a[i].size();
            for (size_t j = 0; j < n; ++j) p[j] = IndexValue<T>(i * e[1] + j);
        }
    } else {
        static_assert(kRank<A> == 3);
        for (size_t i = 0; i < a.size(); ++i)
            for (size_t j = 0; j < a[i].size(); ++j) {
                T* p = a[i][j].data();
                const size_t n = a[i][j].size();
                for (size_t k = 0; k < n; ++k) p[k] = IndexValue<T>(i + e[0] * (j + e[1] * k));
            }
    }
    return 0;
}

template <class A, class T>
void WriteDiagonal(A& a, T value, size_t ix) {
    if constexpr (kRank<A> == 1)
        a[ix] = value;
    else
        WriteDiagonal(a[ix], value, ix);
}

template <class A, class T>
int FillDiag(A& a, T value) {
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    for (size_t d = 0; d + 1 < e.size(); ++d)
        if (e[d] != e[d + 1]) return -2;
    if (!HasExtents(a, e.data())) return -2;
    ForEachRow(a, [](auto& row) { std::fill(row.begin(), row.end(), T{}); });
    for (size_t i = 0; i < e[0]; ++i) WriteDiagonal(a, value, i);
    return 0;
}

// Uniform deviate in [lo, hi); the bounds are finite and lo <= hi.
double UniformIn(double lo, double hi) {
    const double u = Random();
    const double span = hi - lo;
    // A span beyond the double range (lo = -max, hi = +max) would give inf * 0 = NaN.
    double r = std::isfinite(span) ? lo + span * u : lo * (1 - u) + hi * u;
    if (r >= hi && hi > lo) r = std::nextafter(hi, lo);  // rounding may reach hi itself
    return r;
}

int32_t UniformIntIn(int32_t lo, int32_t hi) {
    const double r = std::floor(static_cast<double>(lo) +
                                (static_cast<double>(hi) - static_cast<double>(lo)) * Random());
    const auto v = static_cast<int64_t>(r);
    if (hi > lo && v >= hi) return hi - 1;  // rounding may reach hi itself
    return static_cast<int32_t>(v);
}

// Marsaglia's polar method on the shared uniform generator. The second deviate of a pair is kept
// only for the running fill, so no state outlives the call.
class NormalDeviates {
public:
    double Next() {
        if (FHasSpare) {
            FHasSpare = false;
            return FSpare;
        }
        double u, v, s;
        do {
            u = 2 * Random() - 1;
            v = 2 * Random() - 1;
            s = u * u + v * v;
        } while (s >= 1 || s == 0);  // s = 0 would give 0 * inf
        const double f = std::sqrt(-2 * std::log(s) / s);
        FSpare = u * f;
        FHasSpare = true;
        return v * f;
    }

private:
    bool FHasSpare = false;
    double FSpare = 0;
};

template <class A>
int FillUniform(A& a, double lo, double hi) {
    Randomize();
    if (IsEmpty(a)) return -1;
    if (!(hi >= lo) || !std::isfinite(lo) || !std::isfinite(hi)) return -2;
    ForEachRow(a, [lo, hi](auto& row) {
        for (double& v : row) v = UniformIn(lo, hi);
    });
    return 0;
}

template <class A>
int FillUniformInt(A& a, int32_t lo, int32_t hi) {
    Randomize();
    if (IsEmpty(a)) return -1;
    if (hi < lo) return -2;
    ForEachRow(a, [lo, hi](auto& row) {
        for (int32_t& v : row) v = UniformIntIn(lo, hi);
    });
    return 0;
}

template <class A>
int FillNormal(A& a, double mean, double stdDev) {
    Randomize();
    if (IsEmpty(a)) return -1;
    if (!(stdDev >= 0)) return -2;
    NormalDeviates deviates;
    ForEachRow(a, [&](auto& row) {
        for (double& v : row) v = mean + stdDev * deviates.Next();
    });
    return 0;
}

}  // namespace

#define OZM_OA_FILL(ArrayT, ScalarT)                                                           \
    int FillArray(ArrayT& A, ScalarT Value) { return FillWhole(A, Value); }                    \
    int FillRandomUniform(ArrayT& A, ScalarT Lo, ScalarT Hi) {                                 \
        if constexpr (std::is_same_v<ScalarT, double>)                                         \
            return FillUniform(A, Lo, Hi);                                                     \
        else                                                                                   \
            return FillUniformInt(A, Lo, Hi);                                                  \
    }
OZM_OA_FILL(TDoubleArray, double)
OZM_OA_FILL(TDouble2DArray, double)
OZM_OA_FILL(TDouble3DArray, double)
OZM_OA_FILL(TDouble4DArray, double)
OZM_OA_FILL(TIntArray, int32_t)
OZM_OA_FILL(TInt2DArray, int32_t)
OZM_OA_FILL(TInt3DArray, int32_t)
OZM_OA_FILL(TInt4DArray, int32_t)
#undef OZM_OA_FILL

int FillArray(TBoolArray& A, bool Value) { return FillWhole(A, Value); }
int FillArray(TBool2DArray& A, bool Value) { return FillWhole(A, Value); }

int FillArray(TDoubleArray& A, double Value, int Lo1, int Hi1) {
    return FillBox(A, Value, Bounds<1>{Lo1}, Bounds<1>{Hi1});
}
int FillArray(TDouble2DArray& A, double Value, int Lo1, int Lo2, int Hi1, int Hi2) {
    return FillBox(A, Value, Bounds<2>{Lo1, Lo2}, Bounds<2>{Hi1, Hi2});
}
int FillArray(TDouble3DArray& A, double Value, int Lo1, int Lo2, int Lo3, int Hi1, int Hi2,
              int Hi3) {
    return FillBox(A, Value, Bounds<3>{Lo1, Lo2, Lo3}, Bounds<3>{Hi1, Hi2, Hi3});
}
int FillArray(TDouble4DArray& A, double Value, int Lo1, int Lo2, int Lo3, int Lo4, int Hi1,
              int Hi2, int Hi3, int Hi4) {
    return FillBox(A, Value, Bounds<4>{Lo1, Lo2, Lo3, Lo4}, Bounds<4>{Hi1, Hi2, Hi3, Hi4});
}
int FillArray(TIntArray& A, int32_t Value, int Lo1, int Hi1) {
    return FillBox(A, Value, Bounds<1>{Lo1}, Bounds<1>{Hi1});
}
int FillArray(TInt2DArray& A, int32_t Value, int Lo1, int Lo2, int Hi1, int Hi2) {
    return FillBox(A, Value, Bounds<2>{Lo1, Lo2}, Bounds<2>{Hi1, Hi2});
}
int FillArray(TInt3DArray& A, int32_t Value, int Lo1, int Lo2, int Lo3, int Hi1, int Hi2,
              int Hi3) {
    return FillBox(A, Value, Bounds<3>{Lo1, Lo2, Lo3}, Bounds<3>{Hi1, Hi2, Hi3});
}
int FillArray(TInt4DArray& A, int32_t Value, int Lo1, int Lo2, int Lo3, int Lo4, int Hi1,
              int Hi2, int Hi3, int Hi4) {
    return FillBox(A, Value, Bounds<4>{Lo1, Lo2, Lo3, Lo4}, Bounds<4>{Hi1, Hi2, Hi3, Hi4});
}

int FillArrayRix(TDoubleArray& A) { return FillRix(A); }
int FillArrayRix(TDouble2DArray& A) { return FillRix(A); }
int FillArrayRix(TDouble3DArray& A) { return FillRix(A); }
int FillArrayRix(TIntArray& A) { return FillRix(A); }
int FillArrayRix(TInt2DArray& A) { return FillRix(A); }
int FillArrayRix(TInt3DArray& A) { return FillRix(A); }

int FillDiagArray(TDouble2DArray& A, double Value) { return FillDiag(A, Value); }
int FillDiagArray(TDouble3DArray& A, double Value) { return FillDiag(A, Value); }
int FillDiagArray(TDouble4DArray& A, double Value) { return FillDiag(A, Value); }
int FillDiagArray(TInt2DArray& A, int32_t Value) { return FillDiag(A, Value); }
int FillDiagArray(TInt3DArray& A, int32_t Value) { return FillDiag(A, Value); }
int FillDiagArray(TInt4DArray& A, int32_t Value) { return FillDiag(A, Value); }

int FillRandomNormal(TDoubleArray& A, double Mean, double StdDev) {
    return FillNormal(A, Mean, StdDev);
}
int FillRandomNormal(TDouble2DArray& A, double Mean, double StdDev) {
    return FillNormal(A, Mean, StdDev);
}
int FillRandomNormal(TDouble3DArray& A, double Mean, double StdDev) {
    return FillNormal(A, Mean, StdDev);
}
int FillRandomNormal(TDouble4DArray& A, double Mean, double StdDev) {
    return FillNormal(A, Mean, StdDev);
}

}  // namespace ozm::openarrays
