// Counting, comparison, searching and two-valued data on open arrays.
#include <algorithm>
#include <cmath>
#include <string>

#include "openarrays/shape.hpp"
#include "ozm/openarrays/statistics.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

template <class A, class T, size_t R = kRank<A>>
int Count(const A& a, const Bounds<R>& lo, const Bounds<R>& hi, T rangeLow, T rangeHigh) {
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    if (!HasExtents(a, e.data()) || !BoxInside(e, lo, hi) || rangeHigh < rangeLow) return -2;
    int64_t count = 0;
    ForEachBoxRun(a, lo, hi, [&](const auto& row, size_t first, size_t last) {
        const T* p = row.data();
        for (size_t i = first; i <= last; ++i) count += (p[i] >= rangeLow && p[i] <= rangeHigh);
    });
    return static_cast<int>(count);
}

template <class A>
int CountTrue(const A& a) {
    if (IsEmpty(a)) return -1;
    int64_t count = 0;
    ForEachRow(a, [&count](const auto& row) { count += std::count(row.begin(), row.end(), true); });
    return static_cast<int>(count);
}

template <class A>
bool Equal(const A& a, const A& b) {
    return ExtentsOf(a) == ExtentsOf(b) && a == b;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string s) {
    for (char& c : s) c = LowerAscii(c);
    return s;
}

// Low and High of two distinct values, or of one repeated value when allowSingle.
template <class T>
bool Dichotomous(const std::vector<T>& a, T& low, T& high, bool allowSingle) {
    low = high = T{};
    if (a.size() < 2) return false;
    const T first = a[0];
    if (IsNaNCell(first)) return false;
    bool haveSecond = false;
    T second{};
    for (size_t i = 1; i < a.size(); ++i) {
        const T v = a[i];
        if (IsNaNCell(v)) return false;
        if (v == first || (haveSecond && v == second)) continue;
        if (haveSecond) return false;
        second = v;
        haveSecond = true;
    }
    if (!haveSecond) {
        if (!allowSingle) return false;
        second = first;
    }
    low = std::min(first, second);
    high = std::max(first, second);
    return true;
}

template <class A, class InBand>
int Dichotomize(const A& a, TBool2DArray& mask, InBand inBand) {
    if (IsEmpty(a)) return -1;
    TBool2DArray result(a.size());
    for (size_t i = 0; i < a.size(); ++i) {
        const auto& column = a[i];
        TBoolArray& m = result[i];
        m.resize(column.size());
        for (size_t j = 0; j < column.size(); ++j) m[j] = inBand(column[j]);
    }
    mask = std::move(result);
    return 0;
}

}  // namespace

int CountValues(const TDoubleArray& A, int Lo1, int Hi1, double RangeLow, double RangeHigh) {
    return Count(A, Bounds<1>{Lo1}, Bounds<1>{Hi1}, RangeLow, RangeHigh);
}
int CountValues(const TDouble2DArray& A, int Lo1, int Hi1, int Lo2, int Hi2, double RangeLow,
                double RangeHigh) {
    return Count(A, Bounds<2>{Lo1, Lo2}, Bounds<2>{Hi1, Hi2}, RangeLow, RangeHigh);
}
int CountValues(const TDouble3DArray& A, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3,
                double RangeLow, double RangeHigh) {
    return Count(A, Bounds<3>{Lo1, Lo2, Lo3}, Bounds<3>{Hi1, Hi2, Hi3}, RangeLow, RangeHigh);
}
int CountValues(const TDouble4DArray& A, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3,
                int Lo4, int Hi4, double RangeLow, double RangeHigh) {
    return Count(A, Bounds<4>{Lo1, Lo2, Lo3, Lo4}, Bounds<4>{Hi1, Hi2, Hi3, Hi4}, RangeLow,
                 RangeHigh);
}
int CountValues(const TIntArray& A, int Lo1, int Hi1, int32_t RangeLow, int32_t RangeHigh) {
    return Count(A, Bounds<1>{Lo1}, Bounds<1>{Hi1}, RangeLow, RangeHigh);
}
int CountValues(const TInt2DArray& A, int Lo1, int Hi1, int Lo2, int Hi2, int32_t RangeLow,
                int32_t RangeHigh) {
    return Count(A, Bounds<2>{Lo1, Lo2}, Bounds<2>{Hi1, Hi2}, RangeLow, RangeHigh);
}
int CountValues(const TInt3DArray& A, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3,
                int32_t RangeLow, int32_t RangeHigh) {
    return Count(A, Bounds<3>{Lo1, Lo2, Lo3}, Bounds<3>{Hi1, Hi2, Hi3}, RangeLow, RangeHigh);
}
int CountValues(const TInt4DArray& A, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3,
                int Lo4, int Hi4, int32_t RangeLow, int32_t RangeHigh) {
    return Count(A, Bounds<4>{Lo1, Lo2, Lo3, Lo4}, Bounds<4>{Hi1, Hi2, Hi3, Hi4}, RangeLow,
                 RangeHigh);
}

int CountTrueCellsOfArray(const TBoolArray& A) { return CountTrue(A); }
int CountTrueCellsOfArray(const TBool2DArray& A) { return CountTrue(A); }

bool EqualArrays(const TIntArray& A, const TIntArray& B) { return Equal(A, B); }
bool EqualArrays(const TInt2DArray& A, const TInt2DArray& B) { return Equal(A, B); }
bool EqualArrays(const TInt3DArray& A, const TInt3DArray& B) { return Equal(A, B); }
bool EqualArrays(const TInt4DArray& A, const TInt4DArray& B) { return Equal(A, B); }

int FindInArray(int32_t Key, const TIntArray& A) {
    if (A.empty()) return -1;
    const auto it = std::find(A.begin(), A.end(), Key);
    return it == A.end() ? -2 : static_cast<int>(it - A.begin());
}

int FindInArray(const std::string& Text, const TStrArray& A, bool IgnoreCase, bool Partial) {
    if (A.empty()) return -1;
    const std::string key = IgnoreCase ? Lower(Text) : Text;
    for (size_t i = 0; i < A.size(); ++i) {
        const std::string item = IgnoreCase ? Lower(A[i]) : A[i];
        if (Partial ? item.find(key) != std::string::npos : item == key)
            return static_cast<int>(i);
    }
    return -2;
}

int FindInSortedArray(double X, const TDoubleArray& A, bool Ascending) {
    if (A.empty()) return -1;
    const size_t n = A.size();
    if (std::isnan(X)) return -2;
    if (Ascending ? (X < A[0] || X > A[n - 1]) : (X > A[0] || X < A[n - 1])) return -2;
    // Positions 1..n; A[pos - 1] is the element at position pos.
    size_t lo = 1, hi = n;
    while (hi - lo > 1) {
        const size_t mid = (lo + hi) / 2;
        const double v = A[mid - 1];
        if (v == X) return static_cast<int>(mid - 1);
        if (Ascending ? X >= v : X < v)
            lo = mid;
        else
            hi = mid;
    }
    return static_cast<int>(std::fabs(A[lo - 1] - X) >= std::fabs(A[hi - 1] - X) ? hi - 1
                                                                                  : lo - 1);
}

bool IsDichotomous(const TDoubleArray& A, double& Low, double& High) {
    return Dichotomous(A, Low, High, false);
}
bool IsDichotomous(const TIntArray& A, int32_t& Low, int32_t& High) {
    return Dichotomous(A, Low, High, true);
}

int DichotomizeArray(const TDouble2DArray& A, double Threshold, TBool2DArray& Mask) {
    return Dichotomize(A, Mask, [Threshold](double v) { return v > Threshold || std::isnan(v); });
}
int DichotomizeArray(const TInt2DArray& A, int32_t Threshold, TBool2DArray& Mask) {
    return Dichotomize(A, Mask, [Threshold](int32_t v) { return v > Threshold; });
}
int DichotomizeArray(const TDouble2DArray& A, double T1, double T2, TBool2DArray& Mask) {
    const double low = std::min(T1, T2), high = std::max(T1, T2);
    return Dichotomize(A, Mask,
                       [low, high](double v) { return (v >= low && v <= high) || std::isnan(v); });
}
int DichotomizeArray(const TInt2DArray& A, int32_t T1, int32_t T2, TBool2DArray& Mask) {
    const int32_t low = std::min(T1, T2), high = std::max(T1, T2);
    return Dichotomize(A, Mask, [low, high](int32_t v) { return v >= low && v <= high; });
}

int DiscretizeArray(TDouble2DArray& A, int NLevels, double LowThreshold, double HighThreshold,
                    double LowValue, double HighValue) {
    if (!(HighThreshold > LowThreshold)) return -2;
    if (NLevels < 3) return -1;
    const double w = (HighThreshold - LowThreshold) / (NLevels - 2);
    for (TDoubleArray& column : A)
        for (double& v : column) {
            if (!(v > LowThreshold)) {  // at or below the low threshold, or NaN
                v = LowValue;
            } else if (v >= HighThreshold) {
                v = HighValue;
            } else {
                const double m = std::floor((v - LowThreshold) / w);
                v = LowValue + (m + 1) * (HighValue - LowValue) / (NLevels - 1);
            }
        }
    return 0;
}

}  // namespace ozm::openarrays
