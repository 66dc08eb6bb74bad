// Reordering open arrays: flipping a dimension, removing rows and columns, sorting with an index,
// shuffling and removing duplicates.
#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

#include "openarrays/shape.hpp"
#include "ozm/math1/scalar.hpp"
#include "ozm/openarrays/copying.hpp"
#include "ozm/platform/random.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

template <class A>
void Flip(A& a, int dim) {
    if (dim == 1) {
        std::reverse(a.begin(), a.end());
    } else if constexpr (kRank<A> > 1) {
        for (auto& sub : a) Flip(sub, dim - 1);
    }
}

template <class A>
int FlipDim(A& a, int dim) {
    if (IsEmpty(a)) return -1;
    if (dim < 1 || dim > static_cast<int>(kRank<A>) || !IsRectangular(a)) return -2;
    Flip(a, dim);
    return 0;
}

template <class T>
bool RemoveRowAt(std::vector<std::vector<T>>& a, int ix) {
    const auto e = ExtentsOf(a);
    if (ix < 0 || static_cast<size_t>(ix) >= e[1] || !HasExtents(a, e.data())) return false;
    for (auto& column : a) column.erase(column.begin() + ix);
    return true;
}

template <class T>
bool RemoveColumnAt(std::vector<std::vector<T>>& a, int ix) {
    if (ix < 0 || static_cast<size_t>(ix) >= a.size()) return false;
    a.erase(a.begin() + ix);
    return true;
}

// The pair (a, b) at positions i < i + gap must be exchanged. NaN counts as belonging after
// every number in either direction, and two NaNs are in order, so every pass with gap 1 over a
// sorted array exchanges nothing and the sort ends.
template <class T>
bool OutOfOrder(T a, T b, bool ascending) {
    if (IsNaNCell(a) || IsNaNCell(b)) return IsNaNCell(a) && !IsNaNCell(b);
    return ascending ? b < a : b > a;
}

template <class T>
int CombSortWithIndex(bool ascending, std::vector<T>& a, TIntArray& index) {
    const size_t n = a.size();
    index.resize(n);
    for (size_t k = 0; k < n; ++k) index[k] = static_cast<int32_t>(k + 1);
    if (n < 2) return -1;
    T* pa = a.data();
    int32_t* pi = index.data();
    size_t gap = n - 1;
    bool exchanged = true;
    while (gap > 1 || exchanged) {
        gap = std::max<size_t>(1, static_cast<size_t>(std::trunc(static_cast<double>(gap) / 1.3)));
        exchanged = false;
        for (size_t i = 0; i + gap < n; ++i) {
            if (OutOfOrder(pa[i], pa[i + gap], ascending)) {
                std::swap(pa[i], pa[i + gap]);
                std::swap(pi[i], pi[i + gap]);
                exchanged = true;
            }
        }
    }
    return 0;
}

template <class T>
int Shuffle(std::vector<T>& a) {
    if (a.size() < 2) return -1;
    // Sattolo's variant: j is drawn from 0..i-1, never i itself.
    for (size_t i = a.size() - 1; i >= 1; --i) {
        const auto j = static_cast<size_t>(Random(static_cast<int32_t>(i)));
        std::swap(a[i], a[j]);
    }
    return 0;
}

}  // namespace

int FlipDimArray(TDoubleArray& A, int Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TDouble2DArray& A, int Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TDouble3DArray& A, int Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TDouble4DArray& A, int Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TIntArray& A, int Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TInt2DArray& A, int Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TInt3DArray& A, int Dim) { return FlipDim(A, Dim); }
int FlipDimArray(TInt4DArray& A, int Dim) { return FlipDim(A, Dim); }

bool RemoveRow(TDouble2DArray& A, int Ix) { return RemoveRowAt(A, Ix); }
bool RemoveRow(TInt2DArray& A, int Ix) { return RemoveRowAt(A, Ix); }
bool RemoveColumn(TDouble2DArray& A, int Ix) { return RemoveColumnAt(A, Ix); }
bool RemoveColumn(TInt2DArray& A, int Ix) { return RemoveColumnAt(A, Ix); }

int SortArray(bool Ascending, TDoubleArray& A, TIntArray& Index) {
    return CombSortWithIndex(Ascending, A, Index);
}
int SortArray(bool Ascending, TIntArray& A, TIntArray& Index) {
    return CombSortWithIndex(Ascending, A, Index);
}

int ShuffleArray(TDoubleArray& A) { return Shuffle(A); }
int ShuffleArray(TIntArray& A) { return Shuffle(A); }

int SortAndRemoveDuplicates(TIntArray& A, bool Ascending) {
    if (A.size() < 2) return -1;
    TIntArray sorted = A;
    math1::SortArray(std::span<int32_t>(sorted), Ascending);
    const auto end = std::unique(sorted.begin(), sorted.end());
    const auto removed = static_cast<int>(sorted.end() - end);
    sorted.erase(end, sorted.end());
    A = std::move(sorted);
    return removed;
}

}  // namespace ozm::openarrays
