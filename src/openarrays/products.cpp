// Matrix and vector products of open arrays, the regression hat matrix and distances between
// objects (rows) of a two-dimensional array.
#include <cmath>
#include <new>
#include <utility>

#include "openarrays/shape.hpp"
#include "ozm/openarrays/arithmetic.hpp"
#include "ozm/openarrays/copying.hpp"
#include "ozm/openarrays/linalg.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

// C = A B in the column layout: column j of C is the combination of the columns of A weighted
// by column j of B, so every inner loop runs down contiguous columns.
template <class T>
int Multiply(const std::vector<std::vector<T>>& a, const std::vector<std::vector<T>>& b,
             std::vector<std::vector<T>>& c) {
    if (IsEmpty(a) || IsEmpty(b)) return -1;
    const auto ea = ExtentsOf(a);
    const auto eb = ExtentsOf(b);
    if (ea[0] != eb[1] || !HasExtents(a, ea.data()) || !HasExtents(b, eb.data())) return -2;
    const size_t rows = ea[1], inner = ea[0], columns = eb[0];
    std::vector<std::vector<T>> result(columns, std::vector<T>(rows, T{}));
    for (size_t j = 0; j < columns; ++j) {
        T* out = result[j].data();
        const T* weights = b[j].data();
        for (size_t k = 0; k < inner; ++k) {
            const T w = weights[k];
            const T* in = a[k].data();
            for (size_t i = 0; i < rows; ++i) out[i] = AddCells(out[i], MulCells(in[i], w));
        }
    }
    c = std::move(result);
    return 0;
}

}  // namespace

int MultiplyArrays(const TDouble2DArray& A, const TDouble2DArray& B, TDouble2DArray& C) {
    return Multiply(A, B, C);
}
int MultiplyArrays(const TInt2DArray& A, const TInt2DArray& B, TInt2DArray& C) {
    return Multiply(A, B, C);
}

int CalcHatMatrix(const TDouble2DArray& X, TDouble2DArray& H) {
    try {
        TDouble2DArray xt;
        if (const int rc = CloneArray(X, xt)) return rc;
        if (const int rc = TransposeArray(xt)) return rc;
        TDouble2DArray p, q, h;
        if (const int rc = MultiplyArrays(xt, X, p)) return rc;  // X'X
        if (const int rc = InvertArray(p)) return rc;
        if (const int rc = MultiplyArrays(X, p, q)) return rc;   // X (X'X)^-1
        if (const int rc = MultiplyArrays(q, xt, h)) return rc;  // X (X'X)^-1 X'
        H = std::move(h);
        return 0;
    } catch (const std::bad_alloc&) {
        return -2;
    }
}

int DistanceOfObjects(const TDouble2DArray& A, TDistMode Mode, int Obj1, int Obj2, int FirstVar,
                      int LastVar, double& Dist) {
    Dist = 0;
    const auto e = ExtentsOf(A);
    const auto columns = static_cast<int64_t>(e[0]), rows = static_cast<int64_t>(e[1]);
    int rc = 0;
    if (static_cast<uint8_t>(Mode) > static_cast<uint8_t>(TDistMode::dmDice)) rc = -1;
    if (Obj1 < 0 || Obj1 >= rows || Obj2 < 0 || Obj2 >= rows || !HasExtents(A, e.data())) rc = -2;
    if (FirstVar < 0 || FirstVar >= columns || LastVar < 0 || LastVar >= columns) rc = -3;
    if (LastVar < FirstVar) rc = -4;
    if (rc != 0) return rc;

    double sxy = 0, sxx = 0, syy = 0, sabs = 0, ssq = 0;
    for (int k = FirstVar; k <= LastVar; ++k) {
        const double x = A[size_t(k)][size_t(Obj1)];
        const double y = A[size_t(k)][size_t(Obj2)];
        const double d = x - y;
        sxy += x * y;
        sxx += x * x;
        syy += y * y;
        sabs += std::fabs(d);
        ssq += d * d;
    }
    switch (Mode) {
        case TDistMode::dmTanimoto: Dist = sxy / (sxx + syy - sxy); break;
        case TDistMode::dmCityBlock: Dist = sabs; break;
        case TDistMode::dmEuclidean: Dist = std::sqrt(ssq); break;
        case TDistMode::dmSqrEuclidean: Dist = ssq; break;
        case TDistMode::dmDice: Dist = 2 * sxy / (sxx + syy); break;
        default: break;
    }
    return 0;
}

int VectorDotProduct(const TDoubleArray& A, const TDoubleArray& B, double& Dot) {
    Dot = 0;
    if (A.empty() || B.empty()) return -1;
    if (A.size() != B.size()) return -2;
    double s = 0;
    for (size_t i = 0; i < A.size(); ++i) s += A[i] * B[i];
    Dot = s;
    return 0;
}

int VectorCrossProduct(const TDoubleArray& A, const TDoubleArray& B, TDoubleArray& C) {
    if (A.empty() || B.empty()) return -1;
    if (A.size() != 3 || B.size() != 3) return -2;
    TDoubleArray r{A[1] * B[2] - A[2] * B[1], A[2] * B[0] - A[0] * B[2],
                   A[0] * B[1] - A[1] * B[0]};
    C = std::move(r);
    return 0;
}

}  // namespace ozm::openarrays
