// Descriptive statistics of the matrices over rectangles of cells (column by column, rows
// within a column); the histogram and the correlation of TMatrix.
#include <algorithm>
#include <cmath>

#include "matrices/matrix_internal.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/platform/rounding.hpp"
#include "ozm/vector.hpp"

namespace ozm {

using matrix::detail::CorrectSkewKurtForSample;
using matrix::detail::MeanVarOf;
using matrix::detail::NaNLastLess;
using matrix::detail::SelectPercentile;
using matrix::detail::SkewKurtOfMoments;
using matrix::detail::VisitRectangle;

namespace matrix::detail {

void MeanVarOf(std::span<const double> cells, double& Mean, double& Variance) {
    const size_t n = cells.size();
    Mean = 0.0;
    Variance = 0.0;
    if (n == 0) return;
    double sum = 0.0;
    for (double x : cells) sum += x;
    Mean = sum / static_cast<double>(n);
    if (n < 3) {
        Variance = 1.0;
        return;
    }
    double sd = 0.0, sd2 = 0.0;
    for (double x : cells) {
        const double d = x - Mean;
        sd += d;
        sd2 += d * d;
    }
    Variance = (sd2 - sd * sd / static_cast<double>(n)) / static_cast<double>(n - 1);
    if (Variance < 0.0) Variance = 0.0;
}

double SelectPercentile(std::span<double> cells, double prob) {
    const size_t n = cells.size();
    if (n == 0) return 0.0;
    prob = std::clamp(prob, 0.0, 100.0);
    int64_t k = Round(static_cast<double>(n) * prob / 100.0);
    k = std::clamp<int64_t>(k, 0, static_cast<int64_t>(n) - 1);
    std::nth_element(cells.begin(), cells.begin() + k, cells.end(), NaNLastLess);
    return cells[static_cast<size_t>(k)];
}

void SkewKurtOfMoments(double n, double s1, double s2, double s3, double s4, double& Skewness,
                       double& Kurtosis) {
    const double sd = std::sqrt((s2 - s1 * s1 / n) / (n - 1.0));
    if (sd == 0.0 || std::isnan(sd)) return;
    Skewness = (s3 / n) / (sd * sd * sd);
    Kurtosis = (s4 / n) / (sd * sd * sd * sd) - 3.0;
}

void CorrectSkewKurtForSample(double n, double& Skewness, double& Kurtosis) {
    const double s = Skewness;
    const double k = Kurtosis;
    Skewness = s * n * n / ((n - 1.0) * (n - 2.0));
    Kurtosis = (k + 3.0) * n * n * (n + 1.0) / ((n - 1.0) * (n - 2.0) * (n - 3.0)) -
               3.0 * (n - 1.0) * (n - 1.0) / ((n - 2.0) * (n - 3.0));
}

}  // namespace matrix::detail

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::ValidRectangle(int& LowCol, int& LowRow, int& HighCol,
                                               int& HighRow) const noexcept {
    if (CellCount() == 0) return false;
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    return true;
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::MeanVar(int LowCol, int LowRow, int HighCol, int HighRow,
                                        double& Mean, double& Variance) const {
    DenseOnly("MeanVar");
    Mean = 0.0;
    Variance = 0.0;
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow)) return;
    const std::vector<double> cells = GatherRectangle(LowCol, LowRow, HighCol, HighRow);
    MeanVarOf(cells, Mean, Variance);
}

template <typename TCell, typename TSelf>
double TMatrixCore<TCell, TSelf>::GeometricMean(int LowCol, int LowRow, int HighCol,
                                                int HighRow) const {
    DenseOnly("GeometricMean");
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow)) return 0.0;
    double logSum = 0.0;
    bool zero = false;
    bool negative = false;
    size_t n = 0;
    VisitRectangle(Data(), FNRow, LowCol, LowRow, HighCol, HighRow, [&](double x) {
        ++n;
        if (x < 0.0)
            negative = true;
        else if (x == 0.0)
            zero = true;
        else
            logSum += std::log(x);
    });
    if (negative) RaiseError(": negative argument passed to GeometricMean");
    if (zero) return 0.0;
    return std::exp(logSum / static_cast<double>(n));
}

template <typename TCell, typename TSelf>
double TMatrixCore<TCell, TSelf>::HarmonicMean(int LowCol, int LowRow, int HighCol,
                                               int HighRow) const {
    DenseOnly("HarmonicMean");
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow)) return 0.0;
    double sum = 0.0;
    bool invalid = false;
    size_t n = 0;
    VisitRectangle(Data(), FNRow, LowCol, LowRow, HighCol, HighRow, [&](double x) {
        ++n;
        if (x <= 0.0)
            invalid = true;
        else
            sum += 1.0 / x;
    });
    if (invalid) RaiseError(": negative or zero argument passed to HarmonicMean");
    return static_cast<double>(n) / sum;
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::SkewKurt(int LowCol, int LowRow, int HighCol, int HighRow,
                                         double& Skewness, double& Kurtosis) const {
    DenseOnly("SkewKurt");
    Skewness = 0.0;
    Kurtosis = 0.0;
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow)) return;
    const std::vector<double> cells = GatherRectangle(LowCol, LowRow, HighCol, HighRow);
    const double n = static_cast<double>(cells.size());
    if (cells.size() < 2) return;
    double sum = 0.0;
    for (double x : cells) sum += x;
    const double mean = sum / n;
    double s1 = 0.0, s2 = 0.0, s3 = 0.0, s4 = 0.0;
    for (double x : cells) {
        const double d = x - mean;
        const double d2 = d * d;
        s1 += d;
        s2 += d2;
        s3 += d2 * d;
        s4 += d2 * d2;
    }
    SkewKurtOfMoments(n, s1, s2, s3, s4, Skewness, Kurtosis);
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::SkewKurtSample(int LowCol, int LowRow, int HighCol, int HighRow,
                                               double& Skewness, double& Kurtosis) const {
    DenseOnly("SkewKurtSample");
    Skewness = 0.0;
    Kurtosis = 0.0;
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow)) return;
    const double n = static_cast<double>(HighCol - LowCol + 1) * (HighRow - LowRow + 1);
    if (n < 4.0) return;
    double s = 0.0, k = 0.0;
    SkewKurt(LowCol, LowRow, HighCol, HighRow, s, k);
    Skewness = s;
    Kurtosis = k;
    CorrectSkewKurtForSample(n, Skewness, Kurtosis);
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::Quartiles(int LowCol, int LowRow, int HighCol, int HighRow,
                                          double& Q1, double& Q2, double& Q3) const {
    DenseOnly("Quartiles");
    Q1 = Q2 = Q3 = 0.0;
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow)) return false;
    std::vector<double> s = GatherRectangle(LowCol, LowRow, HighCol, HighRow);
    std::sort(s.begin(), s.end(), NaNLastLess);
    const int n = static_cast<int>(s.size());
    if (n == 1) {
        Q1 = Q2 = Q3 = s[0];
        return true;
    }
    // The (n + 1)p rule, held to the first and last pairs (the first or last cell beyond them, as
    // for vectors); k is 1-based.
    auto quartile = [&](double p) {
        const double h = (n + 1) * p;
        int k = static_cast<int>(std::trunc(h));
        double f = h - std::trunc(h);
        if (k == 0) {
            k = 1;
            f = 0.0;
        }
        if (k > n - 1) {
            k = n - 1;
            f = 1.0;
        }
        if (f == 1.0) return s[k];
        return s[k - 1] + (s[k] - s[k - 1]) * f;
    };
    Q1 = quartile(0.25);
    Q2 = quartile(0.5);
    Q3 = quartile(0.75);
    return true;
}

template <typename TCell, typename TSelf>
double TMatrixCore<TCell, TSelf>::Percentile(double prob, int LowCol, int LowRow, int HighCol,
                                             int HighRow) const {
    DenseOnly("Percentile");
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow)) return 0.0;
    std::vector<double> cells = GatherRectangle(LowCol, LowRow, HighCol, HighRow);
    return SelectPercentile(cells, prob);
}

template <typename TCell, typename TSelf>
double TMatrixCore<TCell, TSelf>::Percentile(double prob, int LowCol, int LowRow, int HighCol,
                                             int HighRow, int SampleSize) const {
    DenseOnly("Percentile");
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow)) return 0.0;
    const int ncols = HighCol - LowCol + 1;
    const int nrows = HighRow - LowRow + 1;
    if (SampleSize <= 0 || static_cast<double>(SampleSize) >= static_cast<double>(ncols) * nrows)
        return Percentile(prob, LowCol, LowRow, HighCol, HighRow);
    prob = std::clamp(prob, 0.0, 100.0);
    std::vector<double> sample = Guarded([&] { return std::vector<double>(SampleSize); });
    Randomize();
    int negatives = 0, zeros = 0;
    for (double& x : sample) {
        const int c = LowCol + Random(ncols);
        const int r = LowRow + Random(nrows);
        x = Column(c)[r - 1];
        if (x < 0.0)
            ++negatives;
        else if (x == 0.0)
            ++zeros;
    }
    // When the requested rank falls among the zeros the answer is 0 without a selection.
    const double p = prob / 100.0;
    const double neg = static_cast<double>(negatives) / SampleSize;
    const double nonpos = static_cast<double>(negatives + zeros) / SampleSize;
    if (p > neg && p < nonpos) return 0.0;
    return SelectPercentile(sample, prob);
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::MinMax(int LowCol, int LowRow, int HighCol, int HighRow,
                                       TCell& Minimum, TCell& Maximum) const {
    DenseOnly("MinMax");
    Minimum = TMatrixCellTraits<TCell>::kMinMaxStartMin;
    Maximum = TMatrixCellTraits<TCell>::kMinMaxStartMax;
    if (!ValidRectangle(LowCol, LowRow, HighCol, HighRow)) return;
    VisitRectangle(Data(), FNRow, LowCol, LowRow, HighCol, HighRow, [&](TCell x) {
        if (x < Minimum) Minimum = x;
        if (x > Maximum) Maximum = x;
    });
}

bool TMatrix::Histogram(int LoX, int LoY, int HiX, int HiY, double FirstBin, double LastBin,
                        double BinWidth, TIntVector* Histo, int& Underflow, int& Overflow,
                        int& MaxCnt) const {
    if (Histo == nullptr || !(BinWidth > 0.0) || !std::isfinite(FirstBin) ||
        !std::isfinite(LastBin) || !std::isfinite(BinWidth))
        return false;
    const double bins = std::fabs(LastBin - FirstBin) / BinWidth;
    if (!(bins < 500.0)) return false;  // also catches an overflowing quotient
    const int nb = static_cast<int>(Round(bins)) + 1;
    if (nb > 500) return false;
    Underflow = Overflow = MaxCnt = 0;
    if (Histo->NrOfElem() != nb) Histo->Resize(nb);
    std::span<int32_t> counts = Histo->Cells();
    std::fill(counts.begin(), counts.end(), 0);
    if (ValidRectangle(LoX, LoY, HiX, HiY)) {
        const double top = LastBin + BinWidth;
        VisitRectangle(Data(), FNRow, LoX, LoY, HiX, HiY, [&](double x) {
            if (x < FirstBin) {
                ++Underflow;
                return;
            }
            if (x < top) {
                const double bin = std::floor((x - FirstBin) / BinWidth) + 1.0;
                if (bin <= nb) {
                    const int32_t cnt = ++counts[static_cast<size_t>(bin) - 1];
                    if (cnt > MaxCnt) MaxCnt = cnt;
                    return;
                }
            }
            // NaN, values at or above the top, and the last partial bin beyond NB.
            ++Overflow;
        });
    }
    Histo->CellsWritten();
    return true;
}

double TMatrix::Correlate(const TMatrix* OtherMat) const {
    if (OtherMat == nullptr || OtherMat->FNCol != FNCol || OtherMat->FNRow != FNRow)
        RaiseError(": matrices do not match");
    const size_t count = CellCount();
    if (count < 3) return 0.0;
    const double n = static_cast<double>(count);
    const double* x = Data();
    const double* y = OtherMat->Data();
    double sx = 0.0, sy = 0.0, sxx = 0.0, syy = 0.0, sxy = 0.0;
    for (size_t i = 0; i < count; ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        syy += y[i] * y[i];
        sxy += x[i] * y[i];
    }
    if (!(sxx > 0.0) || !(syy > 0.0)) return 0.0;
    // A constant operand has no spread, but Sxx and Syy computed from the raw sums keep a
    // rounding residue (0.1 in three cells gives about 1E-17), and the quotient of two such
    // residues is any number, -1 for a constant matrix with itself. Constant operands give 0.
    const auto constant = [count](const double* v) {
        for (size_t i = 1; i < count; ++i)
            if (!(v[i] == v[0])) return false;
        return true;
    };
    if (constant(x) || constant(y)) return 0.0;
    const double vx = sxx - sx * sx / n;
    const double vy = syy - sy * sy / n;
    if (vx == 0.0 || vy == 0.0) return 0.0;
    return (sxy - sx * sy / n) / std::sqrt(std::fabs(vx * vy));
}

#define OZM_STATS_MEMBERS(TCell, TSelf)                                                            \
    template bool TMatrixCore<TCell, TSelf>::ValidRectangle(int&, int&, int&, int&) const;         \
    template void TMatrixCore<TCell, TSelf>::MeanVar(int, int, int, int, double&, double&) const;  \
    template double TMatrixCore<TCell, TSelf>::GeometricMean(int, int, int, int) const;            \
    template double TMatrixCore<TCell, TSelf>::HarmonicMean(int, int, int, int) const;             \
    template void TMatrixCore<TCell, TSelf>::SkewKurt(int, int, int, int, double&, double&) const; \
    template void TMatrixCore<TCell, TSelf>::SkewKurtSample(int, int, int, int, double&, double&)  \
        const;                                                                                     \
    template bool TMatrixCore<TCell, TSelf>::Quartiles(int, int, int, int, double&, double&,       \
                                                       double&) const;                             \
    template double TMatrixCore<TCell, TSelf>::Percentile(double, int, int, int, int) const;       \
    template double TMatrixCore<TCell, TSelf>::Percentile(double, int, int, int, int, int) const;  \
    template void TMatrixCore<TCell, TSelf>::MinMax(int, int, int, int, TCell&, TCell&) const;

OZM_INSTANTIATE_MATRIX_CORE(OZM_STATS_MEMBERS)

}  // namespace ozm
