// Percentiles and frequency distributions of open arrays.
#include <algorithm>
#include <cmath>

#include "openarrays/shape.hpp"
#include "ozm/math1/scalar.hpp"
#include "ozm/openarrays/statistics.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm::openarrays {
namespace {

using namespace detail;

constexpr int64_t kMaxBins = 1000;

// Rank k = min(n - 1, round(n * prob / 100)) with prob held to 0..100 (NaN counts as 0).
int PercentileRank(double prob, size_t n) {
    if (!(prob > 0)) prob = 0;
    if (prob > 100) prob = 100;
    const int64_t k = Round(static_cast<double>(n) * prob / 100.0);
    return static_cast<int>(std::min<int64_t>(k, static_cast<int64_t>(n) - 1));
}

int ClampBound(int b, size_t extent) {
    if (b < 0) return 0;
    if (static_cast<size_t>(b) >= extent) return static_cast<int>(extent - 1);
    return b;
}

// Bin layout and counters of a frequency distribution.
struct Binning {
    double first = 0;
    double last = 0;
    double width = 0;
    size_t count = 0;
    TIntArray dist;
    int below = 0;
    int above = 0;

    // Counts p[from..to], skipping the cells whose mask bit is set when a mask row is given.
    // The bin layout and the counters live in locals during the loop, so they stay in registers
    // (stores into the bins could otherwise alias the counters).
    template <bool Masked>
    void TakeRun(const double* p, size_t from, size_t to, const TBoolArray* mask) {
        const double f = first, w = width, upper = last + width;
        const auto bins = static_cast<double>(count);
        int* d = dist.data();
        int low = 0, high = 0;
        for (size_t j = from; j <= to; ++j) {
            if constexpr (Masked) {
                if ((*mask)[j]) continue;
            }
            const double v = p[j];
            if (v >= f && v < upper) {  // the common case first
                const double b = std::floor((v - f) / w);
                if (b < bins)
                    ++d[static_cast<size_t>(b)];
                else
                    ++high;
            } else if (v >= upper) {
                ++high;
            } else {  // below the first edge, or NaN
                ++low;
            }
        }
        below += low;
        above += high;
    }
};

// Checks -3, -4 and -5 of the bin parameters and sets up the bins.
int PrepareBins(double firstBin, double lastBin, double binWidth, int maskCheck, Binning& bins) {
    if (!(lastBin > firstBin)) return -3;
    if (!(binWidth > 0)) return -4;
    if (maskCheck != 0) return maskCheck;
    const double spans = std::fabs(lastBin - firstBin) / binWidth;
    if (!(spans <= static_cast<double>(kMaxBins))) return -5;  // also keeps Round in range
    const int64_t nb = Round(spans) + 1;
    if (nb > kMaxBins) return -5;
    bins.first = firstBin;
    bins.last = lastBin;
    bins.width = binWidth;
    bins.count = static_cast<size_t>(nb);
    bins.dist.assign(bins.count, 0);
    return 0;
}

void Deliver(Binning& bins, TIntArray& dist, int& below, int& above, int& maxCount) {
    maxCount = bins.dist.empty() ? 0 : *std::max_element(bins.dist.begin(), bins.dist.end());
    below = bins.below;
    above = bins.above;
    dist = std::move(bins.dist);
}

// Bound checks -1 and -2 of the box (corner order) in one dimension.
int CheckFrequBounds(int lo, int hi, size_t extent) {
    if (lo < 0 || hi < 0 || static_cast<size_t>(lo) >= extent ||
        static_cast<size_t>(hi) >= extent)
        return -1;
    if (hi < lo) return -2;
    return 0;
}

int FrequDist2D(const TDouble2DArray& a, const TBool2DArray* mask, int lo1, int lo2, int hi1,
                int hi2, double firstBin, double lastBin, double binWidth, TIntArray& dist,
                int& below, int& above, int& maxCount) {
    const auto e = ExtentsOf(a);
    if (CheckFrequBounds(lo1, hi1, e[0]) == -1 || CheckFrequBounds(lo2, hi2, e[1]) == -1)
        return -1;
    if (hi1 < lo1 || hi2 < lo2 || !HasExtents(a, e.data())) return -2;
    const int maskCheck = (mask != nullptr && !HasExtents(*mask, e.data())) ? -6 : 0;
    Binning bins;
    if (const int rc = PrepareBins(firstBin, lastBin, binWidth, maskCheck, bins)) return rc;
    if (lo1 == 0 && lo2 == 0 && hi1 == 0 && hi2 == 0) {
        hi1 = static_cast<int>(e[0] - 1);
        hi2 = static_cast<int>(e[1] - 1);
    }
    for (int i = lo1; i <= hi1; ++i) {
        const double* p = a[size_t(i)].data();
        if (mask != nullptr)
            bins.TakeRun<true>(p, size_t(lo2), size_t(hi2), &(*mask)[size_t(i)]);
        else
            bins.TakeRun<false>(p, size_t(lo2), size_t(hi2), nullptr);
    }
    Deliver(bins, dist, below, above, maxCount);
    return 0;
}

}  // namespace

double PercentileArray(double Prob, TDoubleArray& A) {
    if (A.empty()) return 0;
    const int k = PercentileRank(Prob, A.size());
    return math1::QuickSelect(A, k, 0, static_cast<int>(A.size()) - 1);
}

double PercentileArray(double Prob, const TDouble2DArray& A, int Lo1, int Lo2, int Hi1, int Hi2) {
    const auto e = ExtentsOf(A);
    if (AnyZero(e)) return 0;
    Lo1 = ClampBound(Lo1, e[0]);
    Hi1 = ClampBound(Hi1, e[0]);
    Lo2 = ClampBound(Lo2, e[1]);
    Hi2 = ClampBound(Hi2, e[1]);
    if (Hi1 < Lo1 || Hi2 < Lo2) return 0;
    TDoubleArray work;
    work.reserve(static_cast<size_t>(Hi1 - Lo1 + 1) * static_cast<size_t>(Hi2 - Lo2 + 1));
    for (int i = Lo1; i <= Hi1; ++i) {
        const TDoubleArray& column = A[size_t(i)];
        // A ragged column contributes only the cells it has.
        const size_t end = std::min(column.size(), static_cast<size_t>(Hi2) + 1);
        for (size_t j = static_cast<size_t>(Lo2); j < end; ++j) work.push_back(column[j]);
    }
    if (work.empty()) return 0;
    const int k = PercentileRank(Prob, work.size());
    return math1::QuickSelect(work, k, 0, static_cast<int>(work.size()) - 1);
}

int FrequDistOfArray(const TDoubleArray& A, int Lo, int Hi, double FirstBin, double LastBin,
                     double BinWidth, TIntArray& Dist, int& Below, int& Above, int& MaxCount) {
    if (const int rc = CheckFrequBounds(Lo, Hi, A.size())) return rc;
    Binning bins;
    if (const int rc = PrepareBins(FirstBin, LastBin, BinWidth, 0, bins)) return rc;
    if (Lo == 0 && Hi == 0) Hi = static_cast<int>(A.size()) - 1;
    bins.TakeRun<false>(A.data(), size_t(Lo), size_t(Hi), nullptr);
    Deliver(bins, Dist, Below, Above, MaxCount);
    return 0;
}

int FrequDistOfArray(const TDouble2DArray& A, int Lo1, int Lo2, int Hi1, int Hi2,
                     double FirstBin, double LastBin, double BinWidth, TIntArray& Dist,
                     int& Below, int& Above, int& MaxCount) {
    return FrequDist2D(A, nullptr, Lo1, Lo2, Hi1, Hi2, FirstBin, LastBin, BinWidth, Dist, Below,
                       Above, MaxCount);
}

int FrequDistOfArray(const TDouble2DArray& A, const TBool2DArray& Mask, int Lo1, int Lo2,
                     int Hi1, int Hi2, double FirstBin, double LastBin, double BinWidth,
                     TIntArray& Dist, int& Below, int& Above, int& MaxCount) {
    return FrequDist2D(A, &Mask, Lo1, Lo2, Hi1, Hi2, FirstBin, LastBin, BinWidth, Dist, Below,
                       Above, MaxCount);
}

}  // namespace ozm::openarrays
