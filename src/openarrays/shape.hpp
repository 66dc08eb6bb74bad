// Shape handling shared by the open-array routines: the rank and cell type of a nested array,
// its extents measured along the first elements, rectangularity checks, and walks over the
// innermost rows of one or several arrays of equal shape. Every routine measures and checks
// here, so the kernels can run over contiguous rows without further bounds checks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace ozm::openarrays::detail {

template <class T>
struct ArrayTraits {
    static constexpr size_t rank = 0;
    using Cell = T;
};
template <class T, class Alloc>
struct ArrayTraits<std::vector<T, Alloc>> {
    static constexpr size_t rank = ArrayTraits<T>::rank + 1;
    using Cell = typename ArrayTraits<T>::Cell;
};

template <class A>
inline constexpr size_t kRank = ArrayTraits<A>::rank;
template <class A>
using CellOf = typename ArrayTraits<A>::Cell;

template <size_t R>
using Extents = std::array<size_t, R>;
// Bounds as the callers pass them: signed, checked before use.
template <size_t R>
using Bounds = std::array<int, R>;

// The same nesting with another cell type (double -> int32_t and so on).
template <class A, class T>
struct Rebind {
    using type = T;
};
template <class U, class Alloc, class T>
struct Rebind<std::vector<U, Alloc>, T> {
    using type = std::vector<typename Rebind<U, T>::type>;
};
template <class A, class T>
using RebindT = typename Rebind<A, T>::type;

template <class A>
void MeasureInto(const A& a, size_t* e) {
    e[0] = a.size();
    if constexpr (kRank<A> > 1) {
        if (a.empty()) {
            for (size_t d = 1; d < kRank<A>; ++d) e[d] = 0;
        } else {
            MeasureInto(a[0], e + 1);
        }
    }
}

// Extent of every dimension: dimension d is the length of the first sub-array at depth d.
template <class A>
Extents<kRank<A>> ExtentsOf(const A& a) {
    Extents<kRank<A>> e{};
    MeasureInto(a, e.data());
    return e;
}

template <size_t R>
bool AnyZero(const Extents<R>& e) {
    for (size_t x : e)
        if (x == 0) return true;
    return false;
}

// An array is empty when any of its extents is zero.
template <class A>
bool IsEmpty(const A& a) {
    return AnyZero(ExtentsOf(a));
}

// True when every sub-array at every depth has exactly the extent e of its depth.
template <class A>
bool HasExtents(const A& a, const size_t* e) {
    if (a.size() != e[0]) return false;
    if constexpr (kRank<A> > 1) {
        for (const auto& sub : a)
            if (!HasExtents(sub, e + 1)) return false;
    }
    return true;
}

template <class A>
bool IsRectangular(const A& a) {
    const auto e = ExtentsOf(a);
    return HasExtents(a, e.data());
}

// Both arrays rectangular with the same extents.
template <class A, class B>
bool SameRectangularShape(const A& a, const B& b) {
    const auto e = ExtentsOf(a);
    return HasExtents(a, e.data()) && HasExtents(b, e.data());
}

// Calls f(row) for every innermost (rank-1) sub-array in storage order. Ragged arrays are fine:
// each row is handed over with its own length.
template <class A, class F>
void ForEachRow(A& a, F&& f) {
    if constexpr (kRank<std::remove_const_t<A>> == 1) {
        f(a);
    } else {
        for (auto& sub : a) ForEachRow(sub, f);
    }
}

// Calls f(rowOfA, rowOfB, ...) over arrays whose shapes the caller has checked to be equal.
template <class F, class A, class... Bs>
void ZipRows(F&& f, A& a, Bs&... bs) {
    if constexpr (kRank<std::remove_const_t<A>> == 1) {
        f(a, bs...);
    } else {
        for (size_t i = 0; i < a.size(); ++i) ZipRows(f, a[i], bs[i]...);
    }
}

// Gives out the nesting and the row lengths of a (cells that already exist keep their values,
// new cells are zero). Resizing to the present shape does nothing, so out may be a itself.
template <class Out, class A>
void ReshapeLike(Out& out, const A& a) {
    static_assert(kRank<Out> == kRank<A>);
    if constexpr (kRank<A> == 1) {
        out.resize(a.size());
    } else {
        out.resize(a.size());
        for (size_t i = 0; i < a.size(); ++i) ReshapeLike(out[i], a[i]);
    }
}

// A rectangular array of the given extents, every cell zero.
template <class A>
A MakeArray(const size_t* e) {
    if constexpr (kRank<A> == 1) {
        return A(e[0]);
    } else {
        A a(e[0]);
        for (auto& sub : a) sub = MakeArray<typename A::value_type>(e + 1);
        return a;
    }
}

// True when 0 <= lo[d] <= hi[d] < e[d] in every dimension.
template <size_t R>
bool BoxInside(const Extents<R>& e, const Bounds<R>& lo, const Bounds<R>& hi) {
    for (size_t d = 0; d < R; ++d) {
        if (lo[d] < 0 || hi[d] < lo[d] || static_cast<size_t>(hi[d]) >= e[d]) return false;
    }
    return true;
}

// Calls f(row, first, last) for every innermost run of the box lo..hi (inclusive), in storage
// order. The caller has checked the box against the extents of a rectangular array.
template <size_t D = 0, class A, size_t R, class F>
void ForEachBoxRun(A& a, const Bounds<R>& lo, const Bounds<R>& hi, F&& f) {
    if constexpr (D + 1 == R) {
        f(a, static_cast<size_t>(lo[D]), static_cast<size_t>(hi[D]));
    } else {
        for (int i = lo[D]; i <= hi[D]; ++i) ForEachBoxRun<D + 1>(a[size_t(i)], lo, hi, f);
    }
}

// Number of cells of a checked box.
template <size_t R>
size_t BoxCellCount(const Bounds<R>& lo, const Bounds<R>& hi) {
    size_t n = 1;
    for (size_t d = 0; d < R; ++d) n *= static_cast<size_t>(hi[d] - lo[d]) + 1;
    return n;
}

// 32-bit integer arithmetic that wraps instead of overflowing (unsigned arithmetic is modular,
// and the conversion back to int32_t is modular since C++20).
inline int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrapMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
inline int32_t WrapAbs(int32_t a) { return a < 0 ? WrapSub(0, a) : a; }

// The cell arithmetic of the unit: plain for doubles, wrapping for 32-bit integers.
inline double AddCells(double a, double b) { return a + b; }
inline int32_t AddCells(int32_t a, int32_t b) { return WrapAdd(a, b); }
inline double SubCells(double a, double b) { return a - b; }
inline int32_t SubCells(int32_t a, int32_t b) { return WrapSub(a, b); }
inline double MulCells(double a, double b) { return a * b; }
inline int32_t MulCells(int32_t a, int32_t b) { return WrapMul(a, b); }

// NaN test that also takes the integer and single cells of the generic kernels.
inline bool IsNaNCell(double v) { return v != v; }
inline bool IsNaNCell(float v) { return v != v; }
inline bool IsNaNCell(int32_t) { return false; }

}  // namespace ozm::openarrays::detail
