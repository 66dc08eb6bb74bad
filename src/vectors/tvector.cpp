// What only the double vector has: the random fills, length scaling, the normalisations, the
// real-valued histogram, its cross-correlation and the integration of the samples.
#include <algorithm>
#include <cmath>
#include <limits>

#include "ozm/math1/scalar.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/platform/rounding.hpp"
#include "ozm/vector.hpp"
#include "vectors/vector_impl.hpp"

namespace ozm {

void TVector::SetVecSize(int NE) {
    if (NE > 0 && NE != FNElem) Resize(NE);
}

void TVector::FillRandomUniform(double RangeLow, double RangeHigh) {
    const double span = RangeHigh - RangeLow;
    for (double& x : FVec) x = RangeLow + Random() * span;
    FIsEmpty = false;
    Changed();
}

void TVector::FillRandomGauss(double Mean, double StdDev) {
    for (double& x : FVec) x = math1::GRandom() * StdDev + Mean;
    FIsEmpty = false;
    Changed();
}

void TVector::SetVecLeng(double x) {
    const double length = CalcVecLeng();
    if (!(length > 0)) return;
    const double factor = x / length;
    for (double& e : FVec) e *= factor;
    Changed();
}

double TVector::MeanCenter() {
    double mean = 0;
    double variance = 0;
    MeanVar(1, FNElem, mean, variance);
    for (double& e : FVec) e -= mean;
    return mean;
}

void TVector::Standardize(double& mean, double& stddev) {
    double variance = 0;
    MeanVar(1, FNElem, mean, variance);
    stddev = std::sqrt(variance);
    if (!(stddev > 0)) return;
    for (double& e : FVec) e = (e - mean) / stddev;
}

void TVector::QNormalize(double RefQuant, double& Median, double& QuantDiff) {
    Median = Percentile(50, 0, 0);
    QuantDiff = std::fabs(Median - Percentile(RefQuant, 0, 0));
    if (!(QuantDiff > 0)) return;
    for (double& e : FVec) e = (e - Median) / QuantDiff;
}

bool TVector::Histogram(int FirstElem, int LastElem, double FirstBin, double LastBin,
                        double BinWidth, TIntVector* Histo, int& Underflow, int& Overflow,
                        int& MaxCnt) const {
    if (Histo == nullptr || !std::isfinite(FirstBin) || !std::isfinite(LastBin) ||
        !std::isfinite(BinWidth) || !(BinWidth > 0))
        return false;
    const double bins = std::fabs(LastBin - FirstBin) / BinWidth;
    if (!(bins <= 1000)) return false;
    const int nb = static_cast<int>(Round(bins)) + 1;
    if (nb > 500) return false;

    std::vector<int64_t> counts(size_t(nb), 0);
    int64_t under = 0;
    int64_t over = 0;
    const double top = LastBin + BinWidth;
    const auto classify = [&](double x, int64_t times) {
        if (x < FirstBin) {
            under += times;
        } else if (x < top) {
            const double b = std::floor((x - FirstBin) / BinWidth);
            // A bin beyond the last one (rounding of NB) still counts, as an overflow.
            if (b < nb)
                counts[size_t(b)] += times;
            else
                over += times;
        } else {
            over += times;  // NaN lands here too
        }
    };
    // Indices outside the vector read 0; they are classified once and counted in bulk.
    if (FirstElem <= LastElem) {
        const int64_t inside_lo = std::max<int64_t>(FirstElem, 1);
        const int64_t inside_hi = std::min<int64_t>(LastElem, FNElem);
        const int64_t outside =
            (int64_t(LastElem) - FirstElem + 1) - std::max<int64_t>(0, inside_hi - inside_lo + 1);
        if (outside > 0) classify(0.0, outside);
        for (int64_t i = inside_lo; i <= inside_hi; ++i) classify(FVec[size_t(i - 1)], 1);
    }
    const auto clamp32 = [](int64_t v) {
        return static_cast<int>(std::min<int64_t>(v, INT32_MAX));
    };
    Histo->Resize(nb);
    Histo->Clear();
    std::span<int32_t> cells = Histo->Cells();
    int64_t max_count = 0;
    for (int b = 0; b < nb; ++b) {
        cells[size_t(b)] = clamp32(counts[size_t(b)]);
        max_count = std::max(max_count, counts[size_t(b)]);
    }
    Histo->CellsWritten();
    Underflow = clamp32(under);
    Overflow = clamp32(over);
    MaxCnt = clamp32(max_count);
    return true;
}

double TVector::Correlate(const TVector* OtherVec, int ElemShift) const {
    if (OtherVec == nullptr) return 0;
    const int64_t lo = std::max<int64_t>(1, int64_t(ElemShift) + 1);
    const int64_t hi = std::min<int64_t>(FNElem, int64_t(ElemShift) + OtherVec->NrOfElem());
    if (hi - lo + 1 < 2) return 0;
    const double* x = FVec.data() - 1;
    const double* y = OtherVec->Cells().data() - 1;
    double sum = 0;
    for (int64_t i = lo; i <= hi; ++i) sum += x[i] * y[i - ElemShift];
    return sum;
}

double TVector::Integrate(double BoundLow, double BoundHigh, TIntegMethod Method) const {
    if (std::isnan(BoundLow) || std::isnan(BoundHigh))
        return std::numeric_limits<double>::quiet_NaN();
    const int n = FNElem;
    double lo = std::clamp(BoundLow, 1.0, double(n));
    double hi = std::clamp(BoundHigh, 1.0, double(n));
    if (lo > hi) std::swap(lo, hi);
    const double w = hi - lo;
    const int a = static_cast<int>(std::ceil(lo));   // first sample inside [lo, hi]
    const int b = static_cast<int>(std::floor(hi));  // last sample inside
    const double* y = FVec.data() - 1;               // 1-based samples
    // Linear interpolation at a real abscissa t in [1, n].
    const auto at = [&](double t) {
        const int k = static_cast<int>(std::floor(t));
        const double f = t - k;
        return (f == 0 || k >= n) ? y[k] : y[k] + (y[k + 1] - y[k]) * f;
    };
    // The partial unit intervals at both ends (zero width reads nothing).
    const auto pieces = [&] {
        double s = 0;
        if (a - lo > 0) s += (at(lo) + y[a]) / 2 * (a - lo);
        if (hi - b > 0) s += (y[b] + at(hi)) / 2 * (hi - b);
        return s;
    };
    const auto trapezoids = [&] {
        if (b < a) return (at(lo) + at(hi)) / 2 * w;
        double s = pieces();
        for (int k = a; k < b; ++k) s += (y[k] + y[k + 1]) / 2;
        return s;
    };

    switch (Method) {
        case TIntegMethod::imSimple: {
            if (b < a) return (y[b] + y[a]) / 2 * w;
            double s = 0;
            for (int k = a; k <= b; ++k) s += y[k];
            return s / (b - a + 1) * w;
        }
        case TIntegMethod::imTrapezoidal:
            return trapezoids();
        case TIntegMethod::imSimpson: {
            const int m = b - a + 1;
            if (m < 3) return trapezoids();
            double s = 0;
            if (m == 3) {
                s = (y[a] + 4 * y[a + 1] + y[a + 2]) / 3;
            } else if (m == 4) {
                s = 3.0 / 8.0 * (y[a] + 3 * y[a + 1] + 3 * y[a + 2] + y[a + 3]);
            } else if (m == 5) {
                s = 2.0 / 45.0 *
                    (7 * y[a] + 32 * y[a + 1] + 12 * y[a + 2] + 32 * y[a + 3] + 7 * y[a + 4]);
            } else {
                s = 3.0 / 8.0 * y[a] + 7.0 / 6.0 * y[a + 1] + 23.0 / 24.0 * y[a + 2];
                for (int k = a + 3; k <= b - 3; ++k) s += y[k];
                s += 23.0 / 24.0 * y[b - 2] + 7.0 / 6.0 * y[b - 1] + 3.0 / 8.0 * y[b];
            }
            return s + pieces();
        }
    }
    return 0;
}

}  // namespace ozm
