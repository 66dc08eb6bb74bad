// Means and spread of open arrays: MeanArray, StdDevArray and MeanVarArray.
//
// Integer cells are summed exactly in 64 bits. Double sums run with four partial sums, which lets
// the compiler keep them in registers (a single accumulator would serialise every addition) and
// tends to lose less precision than one running sum. The spread takes two passes: the mean first,
// then the squared deviations with the usual correction for the rounding of the mean.
#include <cmath>

#include "openarrays/shape.hpp"
#include "ozm/openarrays/statistics.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

double SumRun(const double* p, size_t n) {
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += p[i];
        s1 += p[i + 1];
        s2 += p[i + 2];
        s3 += p[i + 3];
    }
    for (; i < n; ++i) s0 += p[i];
    return (s0 + s1) + (s2 + s3);
}

double SumRun(const int32_t* p, size_t n) {
    int64_t s = 0;
    for (size_t i = 0; i < n; ++i) s += p[i];
    return static_cast<double>(s);
}

// Sum of (v - mean) and of (v - mean)^2 over a run.
template <class T>
void DeviationRun(const T* p, size_t n, double mean, double& sumDev, double& sumSq) {
    double d0 = 0, q0 = 0, d1 = 0, q1 = 0;
    size_t i = 0;
    for (; i + 2 <= n; i += 2) {
        const double a = static_cast<double>(p[i]) - mean;
        const double b = static_cast<double>(p[i + 1]) - mean;
        d0 += a;
        q0 += a * a;
        d1 += b;
        q1 += b * b;
    }
    for (; i < n; ++i) {
        const double a = static_cast<double>(p[i]) - mean;
        d0 += a;
        q0 += a * a;
    }
    sumDev += d0 + d1;
    sumSq += q0 + q1;
}

// Visits the runs of a checked box, or of the whole rectangular array.
template <class A, size_t R = kRank<A>, class F>
void ForBoxRuns(const A& a, const Bounds<R>& lo, const Bounds<R>& hi, F&& f) {
    ForEachBoxRun(a, lo, hi, [&f](const auto& row, size_t first, size_t last) {
        f(row.data() + first, last - first + 1);
    });
}

template <class A, size_t R = kRank<A>>
int CheckBox(const A& a, const Bounds<R>& lo, const Bounds<R>& hi) {
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    if (!HasExtents(a, e.data()) || !BoxInside(e, lo, hi)) return -2;
    return 0;
}

template <class A, size_t R = kRank<A>>
double BoxMean(const A& a, const Bounds<R>& lo, const Bounds<R>& hi) {
    double sum = 0;
    ForBoxRuns(a, lo, hi, [&sum](const auto* p, size_t n) { sum += SumRun(p, n); });
    return sum / static_cast<double>(BoxCellCount(lo, hi));
}

// Sample variance around a known mean of n cells, with the correction term that removes most
// of the error of a rounded mean (the "corrected two-pass" formula).
template <class A, size_t R = kRank<A>>
double BoxVariance(const A& a, const Bounds<R>& lo, const Bounds<R>& hi, double mean) {
    const double n = static_cast<double>(BoxCellCount(lo, hi));
    if (n < 2) return 0;
    double sumDev = 0, sumSq = 0;
    ForBoxRuns(a, lo, hi,
               [&](const auto* p, size_t len) { DeviationRun(p, len, mean, sumDev, sumSq); });
    const double var = (sumSq - sumDev * sumDev / n) / (n - 1);
    return var > 0 ? var : 0;
}

template <class A, size_t R = kRank<A>>
int Mean(const A& a, const Bounds<R>& lo, const Bounds<R>& hi, double& mean) {
    mean = 0;
    if (const int rc = CheckBox(a, lo, hi)) return rc;
    mean = BoxMean(a, lo, hi);
    return 0;
}

template <class A, size_t R = kRank<A>>
int StdDev(const A& a, const Bounds<R>& lo, const Bounds<R>& hi, double& stdDev) {
    stdDev = 0;
    if (const int rc = CheckBox(a, lo, hi)) return rc;
    stdDev = std::sqrt(BoxVariance(a, lo, hi, BoxMean(a, lo, hi)));
    return 0;
}

template <class A>
int MeanVar(const A& a, double& mean, double& var) {
    constexpr size_t R = kRank<A>;
    mean = 0;
    var = 0;
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    if (!HasExtents(a, e.data())) return -2;
    Bounds<R> lo{}, hi{};
    for (size_t d = 0; d < R; ++d) hi[d] = static_cast<int>(e[d] - 1);
    const double m = BoxMean(a, lo, hi);
    var = BoxVariance(a, lo, hi, m);
    mean = m;
    return 0;
}

}  // namespace

#define OZM_OA_MOMENTS(ArrayT)                                                                 \
    int MeanArray(const ArrayT& A, int Lo1, int Hi1, double& Mean) {                           \
        return openarrays::Mean(A, Bounds<1>{Lo1}, Bounds<1>{Hi1}, Mean);                      \
    }                                                                                          \
    int StdDevArray(const ArrayT& A, int Lo1, int Hi1, double& StdDev) {                       \
        return openarrays::StdDev(A, Bounds<1>{Lo1}, Bounds<1>{Hi1}, StdDev);                  \
    }
OZM_OA_MOMENTS(TDoubleArray)
OZM_OA_MOMENTS(TIntArray)
#undef OZM_OA_MOMENTS

#define OZM_OA_MOMENTS(ArrayT)                                                                 \
    int MeanArray(const ArrayT& A, int Lo1, int Lo2, int Hi1, int Hi2, double& Mean) {         \
        return openarrays::Mean(A, Bounds<2>{Lo1, Lo2}, Bounds<2>{Hi1, Hi2}, Mean);            \
    }                                                                                          \
    int StdDevArray(const ArrayT& A, int Lo1, int Lo2, int Hi1, int Hi2, double& StdDev) {     \
        return openarrays::StdDev(A, Bounds<2>{Lo1, Lo2}, Bounds<2>{Hi1, Hi2}, StdDev);        \
    }
OZM_OA_MOMENTS(TDouble2DArray)
OZM_OA_MOMENTS(TInt2DArray)
#undef OZM_OA_MOMENTS

#define OZM_OA_MOMENTS(ArrayT)                                                                 \
    int MeanArray(const ArrayT& A, int Lo1, int Lo2, int Lo3, int Hi1, int Hi2, int Hi3,       \
                  double& Mean) {                                                              \
        return openarrays::Mean(A, Bounds<3>{Lo1, Lo2, Lo3}, Bounds<3>{Hi1, Hi2, Hi3}, Mean);  \
    }                                                                                          \
    int StdDevArray(const ArrayT& A, int Lo1, int Lo2, int Lo3, int Hi1, int Hi2, int Hi3,     \
                    double& StdDev) {                                                          \
        return openarrays::StdDev(A, Bounds<3>{Lo1, Lo2, Lo3}, Bounds<3>{Hi1, Hi2, Hi3},       \
                                  StdDev);                                                     \
    }
OZM_OA_MOMENTS(TDouble3DArray)
OZM_OA_MOMENTS(TInt3DArray)
#undef OZM_OA_MOMENTS

#define OZM_OA_MOMENTS(ArrayT)                                                                 \
    int MeanArray(const ArrayT& A, int Lo1, int Lo2, int Lo3, int Lo4, int Hi1, int Hi2,       \
                  int Hi3, int Hi4, double& Mean) {                                            \
        return openarrays::Mean(A, Bounds<4>{Lo1, Lo2, Lo3, Lo4},                              \
                                Bounds<4>{Hi1, Hi2, Hi3, Hi4}, Mean);                          \
    }                                                                                          \
    int StdDevArray(const ArrayT& A, int Lo1, int Lo2, int Lo3, int Lo4, int Hi1, int Hi2,     \
                    int Hi3, int Hi4, double& StdDev) {                                        \
        return openarrays::StdDev(A, Bounds<4>{Lo1, Lo2, Lo3, Lo4},                            \
                                  Bounds<4>{Hi1, Hi2, Hi3, Hi4}, StdDev);                      \
    }
OZM_OA_MOMENTS(TDouble4DArray)
OZM_OA_MOMENTS(TInt4DArray)
#undef OZM_OA_MOMENTS

int MeanVarArray(const TDoubleArray& A, double& Mean, double& Var) {
    return MeanVar(A, Mean, Var);
}
int MeanVarArray(const TDouble2DArray& A, double& Mean, double& Var) {
    return MeanVar(A, Mean, Var);
}
int MeanVarArray(const TDouble3DArray& A, double& Mean, double& Var) {
    return MeanVar(A, Mean, Var);
}
int MeanVarArray(const TDouble4DArray& A, double& Mean, double& Var) {
    return MeanVar(A, Mean, Var);
}
int MeanVarArray(const TIntArray& A, double& Mean, double& Var) { return MeanVar(A, Mean, Var); }
int MeanVarArray(const TInt2DArray& A, double& Mean, double& Var) {
    return MeanVar(A, Mean, Var);
}
int MeanVarArray(const TInt3DArray& A, double& Mean, double& Var) {
    return MeanVar(A, Mean, Var);
}
int MeanVarArray(const TInt4DArray& A, double& Mean, double& Var) {
    return MeanVar(A, Mean, Var);
}

}  // namespace ozm::openarrays
