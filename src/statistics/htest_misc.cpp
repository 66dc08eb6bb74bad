// Durbin-Watson statistic, exact runs distribution, percentiles of arrays, the adaptive kernel
// density estimate and the comment of a saved PLS model.

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "ozm/base/asc.hpp"
#include "ozm/math1/scalar.hpp"
#include "ozm/platform/rounding.hpp"
#include "ozm/statis/tests.hpp"

namespace ozm::statis {

double DurbinWatson(const TDoubleArray& residuals) {
    const size_t n = residuals.size();
    if (n < 3) return 2.0;
    long double num = 0, den = residuals[0] * static_cast<long double>(residuals[0]);
    for (size_t i = 1; i < n; ++i) {
        const long double d = static_cast<long double>(residuals[i]) - residuals[i - 1];
        num += d * d;
        den += static_cast<long double>(residuals[i]) * residuals[i];
    }
    return den == 0 ? 0.0 : static_cast<double>(num / den);
}

namespace {

// ln C(n, k) for 0 <= k <= n; -inf outside (the coefficient is 0).
long double LnChoose(int64_t n, int64_t k) {
    if (k < 0 || k > n || n < 0) return -std::numeric_limits<long double>::infinity();
    return std::lgamma(static_cast<long double>(n + 1)) - std::lgamma(static_cast<long double>(k + 1)) -
           std::lgamma(static_cast<long double>(n - k + 1));
}

}  // namespace

double ExactRunsTest(int32_t n1, int32_t n2, int32_t r) {
    if (n1 < 1 || n2 < 1) return -1.0;
    if (n1 > n2) std::swap(n1, n2);
    const int64_t maxRuns = n1 == n2 ? 2 * int64_t(n1) : 2 * int64_t(n1) + 1;
    if (r >= maxRuns) return 1.0;
    // Each term is a ratio of binomial coefficients; in logarithms no term overflows.
    const long double lnN = LnChoose(int64_t(n1) + n2, n1);
    long double sum = 0;
    for (int64_t u = 2; u <= r; ++u) {
        const int64_t k = u / 2;
        if (u % 2 == 0) {
            sum += 2 * std::exp(LnChoose(n1 - 1, k - 1) + LnChoose(n2 - 1, k - 1) - lnN);
        } else {
            sum += std::exp(LnChoose(n1 - 1, k) + LnChoose(n2 - 1, k - 1) - lnN) +
                   std::exp(LnChoose(n1 - 1, k - 1) + LnChoose(n2 - 1, k) - lnN);
        }
    }
    return static_cast<double>(std::min(sum, 1.0L));
}

int PercentileOfArray(TDoubleArray& Data, double prob, int LowIx, int HighIx, double& Pctl) {
    Pctl = 0.0;
    if (!(prob >= 0.0 && prob <= 100.0)) return -2;
    if (HighIx < LowIx) return -3;
    if (LowIx < 0 || static_cast<size_t>(HighIx) >= Data.size()) return -1;
    const int m = HighIx - LowIx + 1;
    const int j = static_cast<int>(std::min<int64_t>(Round(prob * m / 100.0), m - 1));
    Pctl = math1::QuickSelect(Data, LowIx + j, LowIx, HighIx);
    return 0;
}

void EstimateProbDensity(TVector& Data, TVector& Density, double XLow, double XHigh,
                         double BandWidth, double Radius, int NumSteps, int& IxMin, int& IxMax,
                         const TDensityFeedback& Feedback) {
    NumSteps = std::clamp(NumSteps, 10, 10000);
    if (!(BandWidth > 0)) BandWidth = 1.0;
    const int n = Data.NrOfElem();
    if (n > 1) Data.SortElems(true, 1, n);
    const std::span<const double> x = std::as_const(Data).Cells();
    // Calls of Feedback are counted over the data points and the grid points, so the last call
    // reports exactly 100 percent.
    const double calls = double(n) + NumSteps + 1;
    double count = 0;
    auto report = [&] {
        ++count;
        if (Feedback) Feedback(nullptr, count / calls * 100.0, count);
    };

    // Width of each point from the values closer than Radius: sorted, they form one run, found
    // by bisection; its consecutive differences sum to its range.
    std::vector<double> h(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double xi = x[size_t(i)];
        double w = Radius;
        if (Radius > 0) {
            const auto lo = std::upper_bound(x.begin(), x.end(), xi - Radius);
            const auto hi = std::lower_bound(x.begin(), x.end(), xi + Radius);
            const ptrdiff_t values = hi - lo;
            if (values > 1) {
                const double mean = (*(hi - 1) - *lo) / double(values - 1);
                w = mean > 0 ? mean : Radius / double(values);
            }
        }
        const double hw = BandWidth * w;
        // A zero (or, for Radius <= 0, negative) width falls back to the band width.
        h[size_t(i)] = hw > 0 ? hw : BandWidth;
        report();
    }

    std::vector<double> dens(static_cast<size_t>(NumSteps) + 1);
    const double scale = n > 0 ? 1.0 / (n * std::sqrt(2.0 * std::numbers::pi)) : 0.0;
    const double dx = (XHigh - XLow) / NumSteps;
    double best = -1, worst = std::numeric_limits<double>::infinity();
    IxMin = IxMax = 1;
    for (int j = 0; j <= NumSteps; ++j) {
        const double at = XLow + j * dx;
        long double sum = 0;
        for (int i = 0; i < n; ++i) {
            const double z = (at - x[size_t(i)]) / h[size_t(i)];
            sum += std::exp(-0.5 * z * z) / h[size_t(i)];
        }
        const double d = static_cast<double>(sum) * scale;
        dens[size_t(j)] = d;
        if (d > best) best = d, IxMax = j + 1;
        if (d < worst) worst = d, IxMin = j + 1;
        report();
    }
    Density.Resize(NumSteps + 1);
    std::copy(dens.begin(), dens.end(), Density.Cells().begin());
    Density.CellsWritten();
}

int LoadPLSModelComment(const std::string& FileName, std::string& Comment) {
    Comment.clear();
    TAscHeader header;
    const int code = ReadHeaderOfASC(FileName, header);
    if (code == kAscHeaderOk) Comment = header.Comment;
    return code;
}

}  // namespace ozm::statis
