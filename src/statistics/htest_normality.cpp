// Normality tests: Kolmogorov-Smirnov against the standard normal, Lilliefors and Shapiro-Wilk.

#include <algorithm>
#include <cmath>
#include <vector>

#include "htest_internal.hpp"
#include "ozm/statis/distributions.hpp"
#include "ozm/statis/tests.hpp"
#include "statis_internal.hpp"

namespace ozm::statis {

namespace {

double NormalKSStatistic(TVector& Data, bool IsSorted) {
    const int n = Data.NrOfElem();
    if (n < 1 || Data.IsEmpty()) return 0.0;
    if (!IsSorted) Data.SortElems(true, 1, n);
    double d = 0.0;
    for (int i = 1; i <= n; ++i) {
        const double f = NormalLowerTail(Data.GetVal(i));
        d = std::max({d, std::fabs(double(i) / n - f), std::fabs(double(i - 1) / n - f)});
    }
    return d;
}

// Coefficients of Royston's approximation to the Shapiro-Wilk weights (AS R94): polynomials in
// 1/sqrt(n) for the two outermost weights.
constexpr double kC1[6] = {0.0, 0.221157, -0.147981, -2.071190, 4.434685, -2.706056};
constexpr double kC2[6] = {0.0, 0.042981, -0.293762, -1.752461, 5.682633, -3.582633};

double Poly(const double (&c)[6], double x) {
    double r = c[5];
    for (int i = 4; i >= 0; --i) r = r * x + c[i];
    return r;
}

}  // namespace

double PerformKSNormalityTest(TVector& Data, bool IsSorted) {
    return NormalKSStatistic(Data, IsSorted);
}

double PerformLillieforsTest(TVector& Data, bool IsSorted) {
    if (Data.NrOfElem() < 1 || Data.IsEmpty()) return 0.0;
    double mean, sd;
    Data.Standardize(mean, sd);
    return NormalKSStatistic(Data, IsSorted);
}

double ShapiroWilkTest(const TVector& Data, double& W) {
    W = 0.0;
    const int n = Data.NrOfElem();
    if (n < 3) return -1;
    if (n > 5000) return -2;
    std::vector<double> x(Data.Cells().begin(), Data.Cells().end());
    for (const double v : x)
        if (!std::isfinite(v)) return -3;
    std::sort(x.begin(), x.end());
    if (x.front() == x.back()) return -3;

    // Weights a[1..n/2] of the lower half (applied with a minus sign) by Royston's approximation.
    const int half = n / 2;
    std::vector<double> a(size_t(half) + 1, 0.0);
    if (n == 3) {
        a[1] = std::sqrt(0.5);
    } else {
        const long double n25 = n + 0.25L;
        double summ2 = 0;
        std::vector<double> m(size_t(half) + 1);
        for (int i = 1; i <= half; ++i) {
            const long double p = (i - 0.375L) / n25;
            m[size_t(i)] = static_cast<double>(detail::NormalQuantileAcc(p, 1 - p));
            summ2 += m[size_t(i)] * m[size_t(i)];
        }
        summ2 *= 2;
        const double ssumm2 = std::sqrt(summ2), rsn = 1.0 / std::sqrt(double(n));
        const double a1 = Poly(kC1, rsn) - m[1] / ssumm2;
        int first;
        double fac;
        if (n > 5) {
            const double a2 = -m[2] / ssumm2 + Poly(kC2, rsn);
            fac = std::sqrt((summ2 - 2 * m[1] * m[1] - 2 * m[2] * m[2]) /
                            (1 - 2 * a1 * a1 - 2 * a2 * a2));
            a[2] = a2;
            first = 3;
        } else {
            fac = std::sqrt((summ2 - 2 * m[1] * m[1]) / (1 - 2 * a1 * a1));
            first = 2;
        }
        a[1] = a1;
        for (int i = first; i <= half; ++i) a[size_t(i)] = -m[size_t(i)] / fac;
    }

    // W as the squared correlation of the sorted data with the antisymmetric weights, written
    // as 1 - (1 - r²) so that values near 1 keep their digits. The data are scaled by their range.
    const double range = x.back() - x.front();
    long double sx = 0;
    for (const double v : x) sx += v / range;
    sx /= n;
    long double ssa = 0, ssx = 0, sax = 0;
    for (int i = 0; i < n; ++i) {
        const int j = n - 1 - i;
        const long double c = i < j ? -a[size_t(i + 1)] : (i > j ? a[size_t(j + 1)] : 0.0);
        const long double d = x[size_t(i)] / range - sx;
        ssa += c * c;
        ssx += d * d;
        sax += c * d;
    }
    const long double root = std::sqrt(ssa * ssx);
    W = static_cast<double>(1 - (root - sax) * (root + sax) / (ssa * ssx));
    return ShapiroWilkIntegral(W, n);
}

}  // namespace ozm::statis
