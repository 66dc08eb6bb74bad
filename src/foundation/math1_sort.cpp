// Selection, comb sort, sorted insertion and value exchange. One template per algorithm serves the
// double, float and 32-bit integer overloads; the untyped overloads dispatch on the TVarKind.
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <utility>

#include "foundation/math1_internal.hpp"
#include "ozm/base/globals.hpp"
#include "ozm/math1/scalar.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm::math1 {

namespace {

// Runs Action with the element type that Kind selects; returns false for kinds the routines do
// not know (the data is then left alone). Kinds arrive from callers as raw bytes, so every value
// of the underlying type must be handled.
template <typename Action>
bool DispatchKind(TVarKind Kind, Action&& Act) {
    switch (static_cast<uint8_t>(Kind)) {
        case static_cast<uint8_t>(TVarKind::vkDouble):
        case static_cast<uint8_t>(TVarKind::vkFloat64):
            Act(static_cast<double*>(nullptr));
            return true;
        case static_cast<uint8_t>(TVarKind::vkSingle):
            Act(static_cast<float*>(nullptr));
            return true;
        case static_cast<uint8_t>(TVarKind::vkInteger):
        case static_cast<uint8_t>(TVarKind::vkInt32):
            Act(static_cast<int32_t*>(nullptr));
            return true;
        default:
            return false;
    }
}

// Lomuto-style partition of data[lo..hi] around the element in the middle; returns the pivot's
// final position. Everything left of it is smaller, everything right of it is not.
ptrdiff_t PartitionAroundMiddle(double* data, ptrdiff_t lo, ptrdiff_t hi) noexcept {
    const ptrdiff_t m = lo + (hi - lo) / 2;
    std::swap(data[m], data[lo]);
    const double v = data[lo];
    ptrdiff_t i = lo + 1;
    while (i <= hi && data[i] < v) ++i;
    for (ptrdiff_t j = i + 1; j <= hi; ++j) {
        if (data[j] < v) {
            std::swap(data[j], data[i]);
            ++i;
        }
    }
    data[lo] = data[i - 1];
    data[i - 1] = v;
    return i - 1;
}

// One comb-sort pass with the given gap; true when anything was exchanged. Branch-free
// exchange: on random data a comparison branch mispredicts half the time.
template <typename T, typename Before>
bool CombPass(T* data, size_t n, size_t gap, Before before) noexcept {
    bool exchanged = false;
    T* const end = data + (n - gap);
    for (T* p = data; p < end; ++p) {
        const T a = p[0];
        const T b = p[gap];
        const bool swap = before(b, a);
        p[0] = swap ? b : a;
        p[gap] = swap ? a : b;
        exchanged |= swap;
    }
    return exchanged;
}

template <typename T, typename Before>
void CombSortWith(T* data, size_t n, Before before) {
    size_t gap = n;
    bool exchanged = true;
    while (gap > 1 || exchanged) {
        // The shrink step divides in floating point, so gaps follow trunc(gap / 1.3) exactly.
        gap = static_cast<size_t>(static_cast<double>(gap) / 1.3);
        if (gap < 1) gap = 1;
        exchanged = CombPass(data, n, gap, before);
        IncProcStat();
    }
}

template <typename T>
void CombSort(T* data, size_t n, bool ascending) {
    if (data == nullptr || n < 2) return;
    if (ascending)
        CombSortWith(data, n, [](T b, T a) { return b < a; });
    else
        CombSortWith(data, n, [](T b, T a) { return b > a; });
}

template <typename T>
int SortInto(T* data, size_t n, T item, bool ascending, bool allowDuplicates) noexcept {
    if (data == nullptr || n == 0) return -1;
    const size_t last = n - 1;
    size_t pos = 0;
    if (ascending) {
        while (pos < last && !(data[pos] >= item)) ++pos;
        if (!(data[pos] >= item)) return -1;
    } else {
        while (pos < last && !(data[pos] <= item)) ++pos;
        if (!(data[pos] <= item)) return -1;
    }
    if (!allowDuplicates && data[pos] == item) return -1;
    for (size_t i = last; i > pos; --i) data[i] = data[i - 1];
    data[pos] = item;
    return static_cast<int>(pos);
}

template <typename T>
void InsertAt(T* data, size_t n, T item, int64_t position) noexcept {
    if (data == nullptr || position < 0 || static_cast<uint64_t>(position) >= n) return;
    const auto pos = static_cast<size_t>(position);
    for (size_t i = n - 1; i > pos; --i) data[i] = data[i - 1];
    data[pos] = item;
}

}  // namespace

double QuickSelect(std::span<double> data, int k, int lo, int hi) {
    if (hi < lo) return 0;
    // A range outside the array would be read outside it; it gives 0 and leaves the data alone.
    const auto size = static_cast<int64_t>(data.size());
    if (lo < 0 || hi >= size) return 0;
    double* const p = data.data();
    const double first = p[lo];
    bool allEqual = true;
    for (ptrdiff_t i = lo + 1; i <= hi && allEqual; ++i) allEqual = (p[i] == first);
    if (allEqual) return first;
    // With k outside [lo, hi] the loop below would never end or leave the range: 0 as well.
    if (k < lo || k > hi) return 0;

    ptrdiff_t l = lo;
    ptrdiff_t h = hi;
    for (;;) {
        const ptrdiff_t pivot = PartitionAroundMiddle(p, l, h);
        // hi moves to the pivot itself, not one below: the pivot then is the strict maximum of
        // the range, so the next pivot lands further left and the range keeps shrinking.
        if (k < pivot)
            h = pivot;
        else if (k > pivot)
            l = pivot + 1;
        else
            return p[k];
    }
}

void SortArray(std::span<double> data, bool ascending) { CombSort(data.data(), data.size(), ascending); }
void SortArray(std::span<float> data, bool ascending) { CombSort(data.data(), data.size(), ascending); }
void SortArray(std::span<int32_t> data, bool ascending) { CombSort(data.data(), data.size(), ascending); }

void SortArray(void* data, int count, TVarKind kind, bool ascending) {
    if (data == nullptr || count < 2) return;
    DispatchKind(kind, [&](auto* typed) {
        using T = std::remove_pointer_t<decltype(typed)>;
        CombSort(static_cast<T*>(data), static_cast<size_t>(count), ascending);
    });
}

int SortIntoArray(std::span<double> data, double item, bool ascending, bool allowDuplicates) {
    return SortInto(data.data(), data.size(), item, ascending, allowDuplicates);
}
int SortIntoArray(std::span<float> data, float item, bool ascending, bool allowDuplicates) {
    return SortInto(data.data(), data.size(), item, ascending, allowDuplicates);
}
int SortIntoArray(std::span<int32_t> data, int32_t item, bool ascending, bool allowDuplicates) {
    return SortInto(data.data(), data.size(), item, ascending, allowDuplicates);
}

int SortIntoArray(void* data, int count, TVarKind kind, const void* item, bool ascending,
                  bool allowDuplicates) {
    if (data == nullptr || item == nullptr || count < 1) return 0;
    int position = -1;
    DispatchKind(kind, [&](auto* typed) {
        using T = std::remove_pointer_t<decltype(typed)>;
        position = SortInto(static_cast<T*>(data), static_cast<size_t>(count),
                            *static_cast<const T*>(item), ascending, allowDuplicates);
    });
    return position + 1;
}

void InsertIntoArray(std::span<double> data, double item, int position) {
    InsertAt(data.data(), data.size(), item, position);
}
void InsertIntoArray(std::span<float> data, float item, int position) {
    InsertAt(data.data(), data.size(), item, position);
}
void InsertIntoArray(std::span<int32_t> data, int32_t item, int position) {
    InsertAt(data.data(), data.size(), item, position);
}

void InsertIntoArray(void* data, int count, TVarKind kind, const void* item, int position) {
    if (data == nullptr || item == nullptr || count < 1) return;
    DispatchKind(kind, [&](auto* typed) {
        using T = std::remove_pointer_t<decltype(typed)>;
        InsertAt(static_cast<T*>(data), static_cast<size_t>(count), *static_cast<const T*>(item),
                 static_cast<int64_t>(position) - 1);
    });
}

void ExChange(int32_t& a, int32_t& b) noexcept { std::swap(a, b); }
void ExChange(uint32_t& a, uint32_t& b) noexcept { std::swap(a, b); }
void ExChange(int64_t& a, int64_t& b) noexcept { std::swap(a, b); }
void ExChange(uint8_t& a, uint8_t& b) noexcept { std::swap(a, b); }
void ExChange(uint16_t& a, uint16_t& b) noexcept { std::swap(a, b); }
void ExChange(bool& a, bool& b) noexcept { std::swap(a, b); }
void ExChange(float& a, float& b) noexcept { std::swap(a, b); }
void ExChange(double& a, double& b) noexcept { std::swap(a, b); }
void ExChange(long double& a, long double& b) noexcept { std::swap(a, b); }
void ExChange(char16_t& a, char16_t& b) noexcept { std::swap(a, b); }
void ExChange(char& a, char& b) noexcept { std::swap(a, b); }
void ExChange(std::string& a, std::string& b) noexcept { a.swap(b); }

void ExChange(void* a, void* b, uint16_t size) noexcept {
    if (a == nullptr || b == nullptr || a == b) return;
    auto* pa = static_cast<unsigned char*>(a);
    auto* pb = static_cast<unsigned char*>(b);
    for (uint16_t i = 0; i < size; ++i) std::swap(pa[i], pb[i]);
}

bool SortSwap(double& a, double& b, bool ascending) noexcept {
    if (ascending ? (b <= a) : (b > a)) {
        std::swap(a, b);
        return true;
    }
    return false;
}

}  // namespace ozm::math1
