// Conversion of boolean arrays to numbers and the small matrix helpers of the unit: sum of
// squared differences, trace and transposition.
#include <utility>

#include "openarrays/shape.hpp"
#include "ozm/openarrays/arithmetic.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

template <class Src, class Dest, class T>
int BoolToNum(const Src& src, T falseValue, T trueValue, Dest& dest) {
    if (IsEmpty(src)) return -1;
    Dest result;
    ReshapeLike(result, src);
    ZipRows(
        [falseValue, trueValue](const auto& rs, auto& rd) {
            T* p = rd.data();
            for (size_t i = 0; i < rs.size(); ++i) p[i] = rs[i] ? trueValue : falseValue;
        },
        src, result);
    dest = std::move(result);
    return 0;
}

double SquaredDiffs(const double* a, const double* b, size_t n) {
    double s = 0;
    for (size_t i = 0; i < n; ++i) {
        const double d = a[i] - b[i];
        s += d * d;
    }
    return s;
}

template <class T>
int TraceOf(const std::vector<std::vector<T>>& a, T& trace) {
    trace = T{};
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    if (e[0] != e[1] || !HasExtents(a, e.data())) return -2;
    T sum{};
    for (size_t i = 0; i < e[0]; ++i) sum = AddCells(sum, a[i][i]);
    trace = sum;
    return 0;
}

template <class T>
int Transpose(std::vector<std::vector<T>>& a) {
    if (IsEmpty(a)) return -1;
    const auto e = ExtentsOf(a);
    if (!HasExtents(a, e.data())) return -2;
    std::vector<std::vector<T>> t(e[1], std::vector<T>(e[0]));
    for (size_t i = 0; i < e[0]; ++i)
        for (size_t j = 0; j < e[1]; ++j) t[j][i] = a[i][j];
    a = std::move(t);
    return 0;
}

}  // namespace

int BoolToNumArray(const TBoolArray& Src, int32_t FalseValue, int32_t TrueValue, TIntArray& Dest) {
    return BoolToNum(Src, FalseValue, TrueValue, Dest);
}
int BoolToNumArray(const TBoolArray& Src, double FalseValue, double TrueValue,
                   TDoubleArray& Dest) {
    return BoolToNum(Src, FalseValue, TrueValue, Dest);
}
int BoolToNumArray(const TBool2DArray& Src, int32_t FalseValue, int32_t TrueValue,
                   TInt2DArray& Dest) {
    return BoolToNum(Src, FalseValue, TrueValue, Dest);
}
int BoolToNumArray(const TBool2DArray& Src, double FalseValue, double TrueValue,
                   TDouble2DArray& Dest) {
    return BoolToNum(Src, FalseValue, TrueValue, Dest);
}

double SumOfSquaredDiffs(const TDoubleArray& A, const TDoubleArray& B) {
    if (A.empty() || B.empty()) return -1.0;
    if (A.size() != B.size()) return -2.0;
    return SquaredDiffs(A.data(), B.data(), A.size());
}

double SumOfSquaredDiffs(const TDoubleArray& A, const TDouble2DArray& M, int Ix) {
    if (A.empty() || IsEmpty(M)) return -1.0;
    if (A.size() != M[0].size()) return -2.0;
    if (Ix < 0 || static_cast<size_t>(Ix) >= M.size()) return -3.0;
    const TDoubleArray& row = M[static_cast<size_t>(Ix)];
    if (row.size() != A.size()) return -2.0;  // a ragged M
    return SquaredDiffs(A.data(), row.data(), A.size());
}

int TraceOfArray(const TDouble2DArray& A, double& Trace) { return TraceOf(A, Trace); }
int TraceOfArray(const TInt2DArray& A, int32_t& Trace) { return TraceOf(A, Trace); }

int TransposeArray(TDouble2DArray& A) { return Transpose(A); }
int TransposeArray(TInt2DArray& A) { return Transpose(A); }
int TransposeArray(TBool2DArray& A) { return Transpose(A); }

}  // namespace ozm::openarrays
