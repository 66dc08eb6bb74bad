// TVectorCore: searching, the comb sort, mirroring, shuffling and the extremes.
// Included by vector_core.cpp.

namespace ozm {

namespace vecimpl {

// |a - b| without integer overflow (32-bit differences are exact in double).
template <typename T>
inline double AbsDiff(T a, T b) noexcept {
    return std::fabs(static_cast<double>(a) - static_cast<double>(b));
}

// One comb pass over the 0-based positions first..last with the given gap, without reports.
// The exchange is written as two selects so the loop has no data-dependent branch. NaN compares
// false both ways, so it is never moved, which keeps the sort finite.
template <bool Ascending, typename T>
bool CombPass(T* a, int first, int last, int gap) noexcept {
    bool exchanged = false;
    for (int i = first, end = last - gap; i <= end; ++i) {
        const T x = a[i];
        const T y = a[i + gap];
        const bool out_of_order = Ascending ? (y < x) : (y > x);
        a[i] = out_of_order ? y : x;
        a[i + gap] = out_of_order ? x : y;
        exchanged |= out_of_order;
    }
    return exchanged;
}

// The next gap of the comb sort: trunc(gap / 1.3), at least 1.
inline int NextCombGap(int gap) noexcept {
    const int next = static_cast<int>(gap / 1.3);
    return next < 1 ? 1 : next;
}

}  // namespace vecimpl

template <typename TCell, typename TSelf>
int TVectorCore<TCell, TSelf>::Find(int LowElem, int HighElem, TCell value) const {
    MakeValidElemRange(LowElem, HighElem);
    int best = LowElem;
    double best_diff = vecimpl::AbsDiff(FVec[size_t(LowElem - 1)], value);
    for (int i = LowElem + 1; i <= HighElem; ++i) {
        const double d = vecimpl::AbsDiff(FVec[size_t(i - 1)], value);
        // A NaN element never wins; a NaN at the start is replaced by the first number.
        if (d < best_diff || (std::isnan(best_diff) && !std::isnan(d))) {
            best = i;
            best_diff = d;
        }
    }
    return best;
}

template <typename TCell, typename TSelf>
int TVectorCore<TCell, TSelf>::FindInSortedVector(bool Ascending, TCell Value) const {
    const TCell* e = FVec.data() - 1;  // 1-based view
    int lo = 1;
    int hi = FNElem;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (e[mid] == Value) return mid;
        const bool go_up = Ascending ? (Value > e[mid]) : (Value < e[mid]);
        if (go_up)
            lo = mid;
        else
            hi = mid;
    }
    return vecimpl::AbsDiff(e[lo], Value) >= vecimpl::AbsDiff(e[hi], Value) ? hi : lo;
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::SortElems(bool Ascending, int RangeFirst, int RangeLast) {
    int first = RangeFirst;
    int last = RangeLast;
    if (first == 0 && last == 0) {
        first = 1;
        last = FNElem;
    } else {
        if (last < first) std::swap(first, last);
        first = std::clamp(first, 1, FNElem);
        last = std::clamp(last, 1, FNElem);
    }
    int gap = last - first;
    if (gap < 1) return;
    const int lo = first - 1;  // 0-based
    const int hi = last - 1;

    if (!OnSortExchange) {
        TCell* a = FVec.data();
        bool exchanged = false;
        do {
            gap = vecimpl::NextCombGap(gap);
            exchanged = Ascending ? vecimpl::CombPass<true>(a, lo, hi, gap)
                                  : vecimpl::CombPass<false>(a, lo, hi, gap);
        } while (gap > 1 || exchanged);
        Changed();
        return;
    }

    // With a listener every exchange is reported as it happens. The handler may touch the
    // vector, so storage is re-read after each report, and a handler that shrinks the vector
    // below the range ends the sort.
    bool exchanged = false;
    do {
        gap = vecimpl::NextCombGap(gap);
        exchanged = false;
        for (int i = lo; i + gap <= hi; ++i) {
            if (static_cast<int>(FVec.size()) <= hi) {
                Changed();
                return;
            }
            TCell& x = FVec[size_t(i)];
            TCell& y = FVec[size_t(i + gap)];
            const bool out_of_order = Ascending ? (y < x) : (y > x);
            if (!out_of_order) continue;
            std::swap(x, y);
            exchanged = true;
            SortExchange(kExchangeElements, i + 1, i + gap + 1, 0, 0);
        }
    } while (gap > 1 || exchanged);
    Changed();
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::Mirror() {
    std::reverse(FVec.begin(), FVec.end());
    Changed();
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::ShuffleElems() {
    Randomize();
    // Fisher-Yates: every permutation is equally likely. (A fixed number of transpositions
    // between independently drawn positions would leave about e^-2 of the elements in place.)
    for (int i = FNElem - 1; i >= 1; --i) {
        const int j = Random(i + 1);
        std::swap(FVec[size_t(i)], FVec[size_t(j)]);
    }
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::MinMax(int LowElem, int HighElem, TCell& Minimum,
                                       TCell& Maximum) const {
    int min_ix = 0;
    int max_ix = 0;
    MinMax(LowElem, HighElem, Minimum, Maximum, min_ix, max_ix);
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::MinMax(int LowElem, int HighElem, TCell& Minimum, TCell& Maximum,
                                       int& MinIx, int& MaxIx) const {
    Minimum = TVectorCellTraits<TCell>::kMinMaxStartMin;
    Maximum = TVectorCellTraits<TCell>::kMinMaxStartMax;
    MinIx = 0;
    MaxIx = 0;
    MakeValidElemRange(LowElem, HighElem);
    const TCell* e = FVec.data() - 1;
    TCell mn = Minimum;
    TCell mx = Maximum;
    int mn_ix = 0;
    int mx_ix = 0;
    for (int i = LowElem; i <= HighElem; ++i) {
        const TCell x = e[i];
        if (x < mn) {
            mn = x;
            mn_ix = i;
        }
        if (x > mx) {
            mx = x;
            mx_ix = i;
        }
    }
    Minimum = mn;
    Maximum = mx;
    MinIx = mn_ix;
    MaxIx = mx_ix;
}

}  // namespace ozm
