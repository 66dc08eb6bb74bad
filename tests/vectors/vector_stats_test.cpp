// Descriptive statistics, correlation and integration against values found independently:
// by hand, from published worked examples, from a sort-based reference, or from the known
// moments of a distribution.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <cmath>
#include <vector>

#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"

namespace ozm {
namespace {

template <typename V, typename T>
V& Set(V& v, const std::vector<T>& values) {
    v.Resize(static_cast<int>(values.size()));
    std::copy(values.begin(), values.end(), v.Cells().begin());
    return v;
}

std::unique_ptr<TVector> Make(const std::vector<double>& values) {
    auto v = std::make_unique<TVector>();
    Set(*v, values);
    return v;
}

// Order statistic reference: sort, then the textbook interpolation.
double ReferencePercentile(std::vector<double> x, double p) {
    std::sort(x.begin(), x.end());
    const double pos = (x.size() - 1) * p / 100;  // 0-based position
    const size_t k = static_cast<size_t>(pos);
    if (k + 1 >= x.size()) return x.back();
    return x[k] + (x[k + 1] - x[k]) * (pos - double(k));
}

TEST(VectorStats, SumAndMeanVar) {
    TVector v;
    double mean = 0, var = 0;
    Set(v, std::vector<double>{5});
    v.MeanVar(0, 0, mean, var);
    EXPECT_EQ(mean, 5.0);
    EXPECT_EQ(var, 1.0);
    Set(v, std::vector<double>{1, 3});
    v.MeanVar(0, 0, mean, var);
    EXPECT_EQ(mean, 2.0);
    EXPECT_EQ(var, 1.0);  // by definition, not the two-element sample variance 2
    Set(v, std::vector<double>{1, 2, 3});
    v.MeanVar(0, 0, mean, var);
    EXPECT_EQ(mean, 2.0);
    EXPECT_EQ(var, 1.0);
    Set(v, std::vector<double>{2, 4, 4, 4, 5, 5, 7, 9});
    EXPECT_EQ(v.Sum(0, 0), 40.0);
    EXPECT_EQ(v.Sum(2, 4), 12.0);
    v.MeanVar(0, 0, mean, var);
    EXPECT_EQ(mean, 5.0);
    EXPECT_DOUBLE_EQ(var, 32.0 / 7.0);
    v.MeanVar(6, 8, mean, var);
    EXPECT_EQ(mean, 7.0);
    EXPECT_EQ(var, 4.0);

    // Far from zero the spread survives: 1e9 + {1..5} has variance 2.5 (the naive one-pass
    // sum of squares loses it to cancellation).
    Set(v, std::vector<double>{1e9 + 1, 1e9 + 2, 1e9 + 3, 1e9 + 4, 1e9 + 5});
    v.MeanVar(0, 0, mean, var);
    EXPECT_EQ(mean, 1e9 + 3);
    EXPECT_DOUBLE_EQ(var, 2.5);

    // A large sample of N(3, 0.5^2) against its moments, and against a long double two-pass.
    SetRandSeed(5);
    v.Resize(200000);
    v.FillRandomGauss(3, 0.5);
    v.MeanVar(0, 0, mean, var);
    long double s = 0, s2 = 0;
    for (double x : v.Cells()) s += x;
    const long double m = s / v.NrOfElem();
    for (double x : v.Cells()) s2 += (x - m) * (x - m);
    EXPECT_NEAR(mean, double(m), 1e-13);
    EXPECT_NEAR(var, double(s2 / (v.NrOfElem() - 1)), 1e-13);
    EXPECT_NEAR(mean, 3, 0.01);
    EXPECT_NEAR(var, 0.25, 0.005);
}

TEST(VectorStats, GeometricAndHarmonicMean) {
    TVector v;
    v.SetName("G");
    Set(v, std::vector<double>{1, 2, 4});
    EXPECT_DOUBLE_EQ(v.GeometricMean(0, 0), 2);
    EXPECT_DOUBLE_EQ(v.HarmonicMean(0, 0), 3 / 1.75);
    Set(v, std::vector<double>{0, 4});
    EXPECT_EQ(v.GeometricMean(0, 0), 0.0);
    Set(v, std::vector<double>{0, -1});
    try {
        v.GeometricMean(0, 0);
        FAIL();
    } catch (const EOZMVectorError& e) {
        EXPECT_EQ(e.message(), "Component \"G\": negative argument passed to GeometricMean");
    }
    Set(v, std::vector<double>{2, 0});
    try {
        v.HarmonicMean(0, 0);
        FAIL();
    } catch (const EOZMVectorError& e) {
        EXPECT_EQ(e.message(), "Component \"G\": negative or zero argument passed to HarmonicMean");
    }
    // AM >= GM >= HM on positive data, equality on constants.
    Set(v, std::vector<double>{0.5, 3, 8, 11, 2});
    double mean = 0, var = 0;
    v.MeanVar(0, 0, mean, var);
    EXPECT_GT(mean, v.GeometricMean(0, 0));
    EXPECT_GT(v.GeometricMean(0, 0), v.HarmonicMean(0, 0));
    Set(v, std::vector<double>{6, 6, 6});
    EXPECT_DOUBLE_EQ(v.GeometricMean(0, 0), 6);
    EXPECT_DOUBLE_EQ(v.HarmonicMean(0, 0), 6);
}

TEST(VectorStats, ModeQuartilesPercentile) {
    EXPECT_EQ(Make({3, 1, 3, 1, 2})->Mode(0, 0), 1.0);
    EXPECT_EQ(Make({4, 5, 6})->Mode(0, 0), 4.0);
    EXPECT_EQ(Make({9, 2, 9, 2, 9})->Mode(0, 0), 9.0);
    EXPECT_EQ(Make({9, 2, 9, 2, 9})->Mode(2, 4), 2.0);

    double q1 = 0, q2 = 0, q3 = 0;
    EXPECT_TRUE(Make({1, 2, 3, 4})->Quartiles(0, 0, q1, q2, q3));
    EXPECT_EQ(q1, 1.25);
    EXPECT_EQ(q2, 2.5);
    EXPECT_EQ(q3, 3.75);
    Make({7})->Quartiles(0, 0, q1, q2, q3);
    EXPECT_EQ(q1, 7.0);
    EXPECT_EQ(q3, 7.0);
    // Two values: below the first pair the first element, above the last pair the last one
    // ((n + 1) 0.75 = 2.25 lies beyond the pair (1, 2)). The upper quartile once came out as the
    // smaller value.
    Make({10, 20})->Quartiles(0, 0, q1, q2, q3);
    EXPECT_EQ(q1, 10.0);
    EXPECT_EQ(q2, 15.0);
    EXPECT_EQ(q3, 20.0);
    Make({1, 2, 3})->Quartiles(0, 0, q1, q2, q3);
    EXPECT_EQ(q1, 1.0);
    EXPECT_EQ(q3, 3.0);
    // The rule treats both ends alike: Q1(x) = -Q3(-x) and Q2(x) = -Q2(-x) for every length.
    SetRandSeed(5);
    for (int n = 2; n <= 40; ++n) {
        std::vector<double> x(static_cast<size_t>(n)), neg(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            x[size_t(i)] = std::floor(Random() * 20);
            neg[size_t(i)] = -x[size_t(i)];
        }
        double a1, a2, a3, b1, b2, b3;
        Make(x)->Quartiles(0, 0, a1, a2, a3);
        Make(neg)->Quartiles(0, 0, b1, b2, b3);
        EXPECT_EQ(a1, -b3) << n;
        EXPECT_EQ(a2, -b2) << n;
        EXPECT_EQ(a3, -b1) << n;
        EXPECT_LE(a1, a2);
        EXPECT_LE(a2, a3);
    }

    TVector v;
    Set(v, std::vector<double>{4, 1, 3, 2});
    EXPECT_EQ(v.Percentile(25, 0, 0), 1.75);
    EXPECT_EQ(v.Percentile(50, 0, 0), 2.5);
    EXPECT_EQ(v.Percentile(150, 0, 0), 4.0);
    EXPECT_EQ(v.Percentile(-1, 0, 0), 1.0);
    EXPECT_EQ(v.Percentile(100, 0, 0), 4.0);
    EXPECT_EQ(v.GetVal(1), 4.0);  // the vector itself is never reordered

    // Against the sort-based reference on random data with ties, at many probabilities.
    SetRandSeed(17);
    std::vector<double> data(5001);
    for (double& x : data) x = std::floor(Random() * 300);
    Set(v, data);
    for (double p = 0; p <= 100; p += 3.7)
        EXPECT_DOUBLE_EQ(v.Percentile(p, 0, 0), ReferencePercentile(data, p)) << p;
    std::vector<double> sub(data.begin() + 99, data.begin() + 3000);
    EXPECT_DOUBLE_EQ(v.Percentile(42, 3000, 100), ReferencePercentile(sub, 42));
    // Quartiles by the (n + 1)p rule at 1-based position h: reference from the sorted data.
    std::vector<double> sorted = data;
    std::sort(sorted.begin(), sorted.end());
    v.Quartiles(0, 0, q1, q2, q3);
    const double n = double(data.size());
    for (auto [p, q] : {std::pair{0.25, q1}, std::pair{0.5, q2}, std::pair{0.75, q3}}) {
        const double h = (n + 1) * p;
        const size_t k = size_t(h);
        EXPECT_DOUBLE_EQ(q, sorted[k - 1] + (sorted[k] - sorted[k - 1]) * (h - double(k)));
    }
}

TEST(VectorStats, OrderStatisticsWithNaNAndInfinity) {
    TVector v;
    Set(v, std::vector<double>{3, NAN, 1, 2, NAN});
    // NaN sorts after every number: the lower percentiles still see the numbers.
    EXPECT_EQ(v.Percentile(0, 0, 0), 1.0);
    EXPECT_EQ(v.Percentile(25, 0, 0), 2.0);
    EXPECT_TRUE(std::isnan(v.Percentile(100, 0, 0)));
    EXPECT_TRUE(std::isnan(v.Percentile(NAN, 0, 0)));
    double q1 = 0, q2 = 0, q3 = 0;
    EXPECT_TRUE(v.Quartiles(0, 0, q1, q2, q3));
    EXPECT_EQ(q1, 1.5);
    (void)v.Mode(0, 0);
    // An infinite neighbour does not spoil an exact order statistic.
    Set(v, std::vector<double>{1, 2, 3, INFINITY});
    EXPECT_EQ(v.Percentile(100.0 * 2 / 3, 0, 0), 3.0);

    // Against a full sort (NaN last) for many lengths, NaN shares and probabilities: selection,
    // the neighbour found by a scan and the NaN tail must all agree with the sorted order. Each
    // vector is asked twice, so the kept work storage is reused.
    SetRandSeed(23);
    for (int n = 2; n <= 300; n += 7) {
        std::vector<double> x(static_cast<size_t>(n));
        for (double& e : x) e = Random() < 0.1 ? NAN : std::floor(Random() * 50);
        Set(v, x);
        std::vector<double> sorted = x;
        std::sort(sorted.begin(), sorted.end(), [](double a, double b) {
            return std::isnan(b) ? !std::isnan(a) : a < b;
        });
        for (double p : {0.0, 10.0, 33.0, 50.0, 90.0, 99.5}) {
            for (int repeat = 0; repeat < 2; ++repeat) {
                const double h = p * (n - 1) / 100;
                const size_t k = std::min(static_cast<size_t>(h), size_t(n - 2));
                const double f = h - double(k);
                const double expected =
                    f == 0 ? sorted[k] : sorted[k] + (sorted[k + 1] - sorted[k]) * f;
                const double got = v.Percentile(p, 0, 0);
                if (std::isnan(expected))
                    EXPECT_TRUE(std::isnan(got)) << n << " " << p;
                else
                    EXPECT_EQ(got, expected) << n << " " << p;
            }
        }
    }
}

TEST(VectorStats, SkewnessAndKurtosis) {
    double s = 1, k = 1;
    Make({1, 5, 2})->SkewKurt(0, 0, s, k);
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(k, 0.0);
    Make({4, 4, 4, 4})->SkewKurt(0, 0, s, k);
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(k, 0.0);
    // The sample-corrected values equal the spreadsheet SKEW and KURT functions; their
    // published worked example: 3,4,5,2,3,4,5,6,4,7 -> 0.359543, -0.151800.
    TVector v;
    Set(v, std::vector<double>{3, 4, 5, 2, 3, 4, 5, 6, 4, 7});
    v.SkewKurtSample(0, 0, s, k);
    EXPECT_NEAR(s, 0.359543, 5e-7);
    EXPECT_NEAR(k, -0.151800, 5e-7);
    // Symmetric data: no skew.
    Make({1, 2, 3, 10, 17, 18, 19})->SkewKurt(0, 0, s, k);
    EXPECT_NEAR(s, 0, 1e-15);
    // Uniform distribution: skewness 0, excess kurtosis -1.2.
    SetRandSeed(9);
    v.Resize(400000);
    v.FillRandomUniform(0, 1);
    v.SkewKurt(0, 0, s, k);
    EXPECT_NEAR(s, 0, 0.01);
    EXPECT_NEAR(k, -1.2, 0.01);
}

TEST(VectorStats, CorrelationAndDichotomy) {
    TVector x, y;
    Set(x, std::vector<double>{1, 2, 3});
    Set(y, std::vector<double>{2, 4, 6});
    EXPECT_DOUBLE_EQ(x.PearsonCorrCoeff(&y), 1);
    TVector z;
    Set(z, std::vector<double>{1, 2});
    EXPECT_EQ(x.PearsonCorrCoeff(&z), 0.0);
    EXPECT_EQ(x.PearsonCorrCoeff(nullptr), 0.0);
    TVector c;
    Set(c, std::vector<double>{0.1, 0.1, 0.1});
    EXPECT_EQ(x.PearsonCorrCoeff(&c), 0.0);
    Set(x, std::vector<double>{1, 2, 3, 4, 5});
    Set(y, std::vector<double>{2, 4, 5, 4, 5});
    EXPECT_NEAR(x.PearsonCorrCoeff(&y), std::sqrt(0.6), 1e-15);  // Sxy 6, Sxx 10, Syy 6
    // Large offsets do not matter.
    Set(y, std::vector<double>{1e9 + 2, 1e9 + 4, 1e9 + 5, 1e9 + 4, 1e9 + 5});
    EXPECT_NEAR(x.PearsonCorrCoeff(&y), std::sqrt(0.6), 1e-12);
    Set(y, std::vector<double>{-1e9 - 1, -1e9 - 2, -1e9 - 3, -1e9 - 4, -1e9 - 5});
    EXPECT_EQ(x.PearsonCorrCoeff(&y), -1.0);

    Set(x, std::vector<double>{1, 2, 3});
    Set(y, std::vector<double>{4, 5, 6});
    EXPECT_EQ(x.Correlate(&y, 0), 32.0);
    EXPECT_EQ(x.Correlate(&y, 1), 2 * 4 + 3 * 5.0);
    EXPECT_EQ(x.Correlate(&y, -1), 1 * 5 + 2 * 6.0);
    EXPECT_EQ(x.Correlate(&y, 2), 0.0);  // a single overlapping element does not count
    EXPECT_EQ(x.Correlate(&y, -2), 0.0);
    EXPECT_EQ(x.Correlate(&y, 1000000000), 0.0);
    EXPECT_EQ(x.Correlate(nullptr, 0), 0.0);

    double v1 = 9, v2 = 9;
    EXPECT_FALSE(Make({5})->IsDichotomous(v1, v2));
    EXPECT_EQ(v1, 0.0);
    EXPECT_EQ(v2, 0.0);
    EXPECT_TRUE(Make({2, 2, 7, 2, 7})->IsDichotomous(v1, v2));
    EXPECT_EQ(v1, 2.0);
    EXPECT_EQ(v2, 7.0);
    EXPECT_TRUE(Make({3, 3})->IsDichotomous(v1, v2));
    EXPECT_EQ(v2, 3.0);
    EXPECT_FALSE(Make({1, 2, 3})->IsDichotomous(v1, v2));
    EXPECT_FALSE(Make({NAN, NAN})->IsDichotomous(v1, v2));
}

TEST(VectorStats, Histogram) {
    TVector v;
    Set(v, std::vector<double>{-1, 0, 0.5, 1, 2.99, 3, 3.5, 4, NAN});
    TIntVector h;
    int under = 0, over = 0, maxcnt = 0;
    ASSERT_TRUE(v.Histogram(1, 9, 0, 3, 1, &h, under, over, maxcnt));
    ASSERT_EQ(h.NrOfElem(), 4);  // round(3 / 1) + 1; the last bin is [3, 4)
    EXPECT_EQ(std::vector<int32_t>(h.Cells().begin(), h.Cells().end()),
              (std::vector<int32_t>{2, 1, 1, 2}));
    EXPECT_EQ(under, 1);
    EXPECT_EQ(over, 2);  // 4 and NaN
    EXPECT_EQ(maxcnt, 2);
    // Elements outside the vector read 0.
    ASSERT_TRUE(v.Histogram(-1, 2, 0, 3, 1, &h, under, over, maxcnt));
    EXPECT_EQ(h.GetVal(1), 3);  // indices -1, 0 and element 2
    EXPECT_EQ(under, 1);
    // Every element is counted exactly once, even when NB rounds below the span: width 0.2
    // over 0..0.9 gives round(4.5) + 1 = 5 bins, and 1.0 (< 1.1) lies beyond them.
    Set(v, std::vector<double>{0, 0.1, 0.5, 0.95, 1.0, 1.05});
    ASSERT_TRUE(v.Histogram(0, 0, 0, 0.9, 0.2, &h, under, over, maxcnt));
    ASSERT_EQ(h.NrOfElem(), 5);
    int total = under + over;
    for (int32_t c : h.Cells()) total += c;
    // The range is used as given: (0, 0) is the single index 0, which reads 0.
    EXPECT_EQ(total, 1);
    EXPECT_EQ(h.GetVal(1), 1);
    ASSERT_TRUE(v.Histogram(1, 6, 0, 0.9, 0.2, &h, under, over, maxcnt));
    total = under + over;
    for (int32_t c : h.Cells()) total += c;
    EXPECT_EQ(total, 6);
    EXPECT_EQ(over, 2);

    TVector big;
    big.Resize(10);
    EXPECT_FALSE(big.Histogram(1, 10, 0, 500, 1, &h, under, over, maxcnt));
    EXPECT_EQ(h.NrOfElem(), 5);  // untouched
    EXPECT_TRUE(big.Histogram(1, 10, 0, 499, 1, &h, under, over, maxcnt));
    EXPECT_EQ(h.NrOfElem(), 500);
    EXPECT_EQ(h.GetVal(1), 10);
    EXPECT_FALSE(big.Histogram(1, 10, 0, 5, 0, &h, under, over, maxcnt));
    EXPECT_FALSE(big.Histogram(1, 10, 0, 5, -1, &h, under, over, maxcnt));
    EXPECT_FALSE(big.Histogram(1, 10, 0, INFINITY, 1, &h, under, over, maxcnt));
    EXPECT_FALSE(big.Histogram(1, 10, 0, 5, 1, nullptr, under, over, maxcnt));

    int events = 0;
    h.OnChange = [&](TObject*) { ++events; };
    big.Histogram(1, 10, 0, 9, 1, &h, under, over, maxcnt);  // resize, clear, filled
    EXPECT_EQ(events, 3);
}

TEST(VectorStats, Integration) {
    TVector v;
    Set(v, std::vector<double>{1, 2, 3});
    for (auto m : {TIntegMethod::imSimple, TIntegMethod::imTrapezoidal, TIntegMethod::imSimpson}) {
        EXPECT_EQ(v.Integrate(1, 3, m), 4.0);
        EXPECT_EQ(v.Integrate(3, 1, m), v.Integrate(1, 3, m));
        EXPECT_EQ(v.Integrate(1.5, 1.5, m), 0.0);
        EXPECT_EQ(v.Integrate(-5, 10, m), 4.0);  // clamped to 1..3
    }
    EXPECT_TRUE(std::isnan(v.Integrate(NAN, 2, TIntegMethod::imSimple)));
    // No sample inside: simple uses the two bracketing samples, trapezoidal interpolates.
    EXPECT_DOUBLE_EQ(v.Integrate(1.2, 1.7, TIntegMethod::imSimple), 1.5 * 0.5);
    EXPECT_DOUBLE_EQ(v.Integrate(1.2, 1.7, TIntegMethod::imTrapezoidal), 1.45 * 0.5);

    // Linear samples: the trapezoidal rule with its partial pieces is exact for any bounds.
    std::vector<double> lin(20);
    for (size_t k = 0; k < lin.size(); ++k) lin[k] = 2.0 * double(k + 1) + 1;
    Set(v, lin);
    const auto exact_lin = [](double a, double b) { return (b * b + b) - (a * a + a); };
    for (auto [a, b] : {std::pair{1.3, 7.6}, std::pair{2.0, 19.5}, std::pair{4.25, 4.75}}) {
        EXPECT_NEAR(v.Integrate(a, b, TIntegMethod::imTrapezoidal), exact_lin(a, b), 1e-12);
        EXPECT_NEAR(v.Integrate(a, b, TIntegMethod::imSimpson), exact_lin(a, b), 1e-12);
    }
    // Cubic samples: Simpson, three-eighths and the extended rule are exact for cubics, Boole
    // for quintics, whatever the number of samples.
    for (int n = 3; n <= 20; ++n) {
        std::vector<double> cub(static_cast<size_t>(n));
        for (int k = 1; k <= n; ++k) cub[size_t(k - 1)] = double(k) * k * k - 4.0 * k * k + 2;
        Set(v, cub);
        const auto F = [](double x) { return x * x * x * x / 4 - 4 * x * x * x / 3 + 2 * x; };
        EXPECT_NEAR(v.Integrate(1, n, TIntegMethod::imSimpson), F(n) - F(1), 1e-9 * std::pow(n, 4))
            << n;
    }
    std::vector<double> quint(5);
    for (int k = 1; k <= 5; ++k) quint[size_t(k - 1)] = std::pow(double(k), 5);
    Set(v, quint);
    EXPECT_NEAR(v.Integrate(1, 5, TIntegMethod::imSimpson), (std::pow(5.0, 6) - 1) / 6, 1e-9);
    // Simpson pieces: samples inside 2..4 of a cubic plus linear end pieces.
    Set(v, std::vector<double>{1, 8, 27, 64, 125});
    const double pieces = (v.Integrate(1.5, 2, TIntegMethod::imTrapezoidal)) +
                          (v.Integrate(4, 4.5, TIntegMethod::imTrapezoidal));
    EXPECT_DOUBLE_EQ(v.Integrate(1.5, 4.5, TIntegMethod::imSimpson),
                     (8 + 4 * 27 + 64) / 3.0 + pieces);
}

}  // namespace
}  // namespace ozm
