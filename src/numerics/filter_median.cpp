// Moving median in O(n log W).
//
// The W values of the window sit in W slots (the value at absolute position a in slot a mod W,
// so the value leaving the window and the one entering it share a slot). The slots are split
// between a max-heap holding the h + 1 smallest values, whose top is the median, and a min-heap
// holding the h largest. Each step replaces one slot's value, restores its heap, and exchanges
// the two tops when they are out of order; one exchange always suffices, because only the
// replaced value can break the order between the heaps.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "numerics/filter_internal.hpp"
#include "ozm/math2/filters.hpp"
#include "ozm/vector.hpp"

namespace ozm::math2 {

namespace {

// NaN orders above every number, as in TVector::Quartiles.
inline bool Less(double a, double b) noexcept { return a < b || (std::isnan(b) && !std::isnan(a)); }

class TSlidingMedian {
public:
    // Starts with the window xb[0 .. W-1].
    TSlidingMedian(const double* xb, int W)
        : FVal(xb, xb + W), FPos(static_cast<size_t>(W)), FInLow(static_cast<size_t>(W)) {
        std::vector<int> order(static_cast<size_t>(W));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [this](int a, int b) { return Less(Val(a), Val(b)); });
        const int k = W / 2 + 1;
        // Descending order is a valid max-heap, ascending order a valid min-heap.
        for (int i = k - 1; i >= 0; --i) Push(FLow, order[static_cast<size_t>(i)], true);
        for (int i = k; i < W; ++i) Push(FHigh, order[static_cast<size_t>(i)], false);
    }

    double Median() const noexcept { return Val(FLow[0]); }

    void Replace(int Slot, double Value) noexcept {
        FVal[static_cast<size_t>(Slot)] = Value;
        const size_t at = FPos[static_cast<size_t>(Slot)];
        if (FInLow[static_cast<size_t>(Slot)]) {
            LowDown(LowUp(at));
        } else {
            HighDown(HighUp(at));
        }
        if (!FHigh.empty() && Less(Val(FHigh[0]), Val(FLow[0]))) {
            std::swap(FLow[0], FHigh[0]);
            Place(FLow, 0, true);
            Place(FHigh, 0, false);
            LowDown(0);
            HighDown(0);
        }
    }

private:
    double Val(int slot) const noexcept { return FVal[static_cast<size_t>(slot)]; }

    void Push(std::vector<int>& heap, int slot, bool low) {
        heap.push_back(slot);
        Place(heap, heap.size() - 1, low);
    }
    void Place(std::vector<int>& heap, size_t i, bool low) noexcept {
        FPos[static_cast<size_t>(heap[i])] = i;
        FInLow[static_cast<size_t>(heap[i])] = low;
    }

    // Max-heap of the lower half.
    size_t LowUp(size_t i) noexcept {
        while (i > 0) {
            const size_t parent = (i - 1) / 2;
            if (!Less(Val(FLow[parent]), Val(FLow[i]))) break;
            std::swap(FLow[parent], FLow[i]);
            Place(FLow, i, true);
            i = parent;
        }
        Place(FLow, i, true);
        return i;
    }
    void LowDown(size_t i) noexcept {
        const size_t n = FLow.size();
        for (;;) {
            size_t largest = i;
            const size_t l = 2 * i + 1, r = l + 1;
            if (l < n && Less(Val(FLow[largest]), Val(FLow[l]))) largest = l;
            if (r < n && Less(Val(FLow[largest]), Val(FLow[r]))) largest = r;
            if (largest == i) break;
            std::swap(FLow[largest], FLow[i]);
            Place(FLow, i, true);
            i = largest;
        }
        Place(FLow, i, true);
    }
    // Min-heap of the upper half.
    size_t HighUp(size_t i) noexcept {
        while (i > 0) {
            const size_t parent = (i - 1) / 2;
            if (!Less(Val(FHigh[i]), Val(FHigh[parent]))) break;
            std::swap(FHigh[parent], FHigh[i]);
            Place(FHigh, i, false);
            i = parent;
        }
        Place(FHigh, i, false);
        return i;
    }
    void HighDown(size_t i) noexcept {
        const size_t n = FHigh.size();
        for (;;) {
            size_t smallest = i;
            const size_t l = 2 * i + 1, r = l + 1;
            if (l < n && Less(Val(FHigh[l]), Val(FHigh[smallest]))) smallest = l;
            if (r < n && Less(Val(FHigh[r]), Val(FHigh[smallest]))) smallest = r;
            if (smallest == i) break;
            std::swap(FHigh[smallest], FHigh[i]);
            Place(FHigh, i, false);
            i = smallest;
        }
        Place(FHigh, i, false);
    }

    std::vector<double> FVal;  // value per slot
    std::vector<size_t> FPos;  // index of each slot in its heap
    std::vector<char> FInLow;  // which heap holds the slot
    std::vector<int> FLow, FHigh;
};

}  // namespace

void MovingMedianSmooth(const TVector* SourceVec, int First, int Last, int W, TVector* DestVec) {
    static constexpr detail::TWindowRoutine routine{
        "MovingMedianSmooth",
        "specified range for smoothing is smaller than the length of the smoothing windows",
        "length of smoothing window is out of range",
        "length of smoothing window must be odd",
        3,
        2147483647};
    detail::RunWindowFilter(routine, SourceVec, First, Last, W, DestVec,
                            [W](const double* x, double* out, std::ptrdiff_t count, int h) {
                                const double* xb = x - h;  // first value of the first window
                                TSlidingMedian window(xb, W);
                                for (std::ptrdiff_t j = 0;; ++j) {
                                    out[j] = window.Median();
                                    if (j + 1 == count) break;
                                    window.Replace(static_cast<int>(j % W), xb[j + W]);
                                }
                            });
}

}  // namespace ozm::math2
