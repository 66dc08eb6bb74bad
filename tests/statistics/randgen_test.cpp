// TRandGen: table handling, and goodness of fit of large seeded samples to each named density.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "ozm/platform/random.hpp"
#include "ozm/statis/distributions.hpp"
#include "ozm/statis/randgen.hpp"

namespace {

using ozm::TRandGen;

// Chi-square goodness of fit of n draws against the distribution function cdf restricted to
// [lo, hi], in 40 equal bins; returns the p-value.
double GoodnessOfFit(TRandGen& gen, const std::function<double(double)>& cdf, double lo, double hi,
                     int n) {
    constexpr int kBins = 40;
    std::vector<double> counts(kBins, 0.0);
    for (int i = 0; i < n; ++i) {
        const double x = gen.Random();
        const int b = std::clamp(int((x - lo) / (hi - lo) * kBins), 0, kBins - 1);
        counts[size_t(b)] += 1;
    }
    const double mass = cdf(hi) - cdf(lo);
    double chi2 = 0;
    for (int b = 0; b < kBins; ++b) {
        const double e = n * (cdf(lo + (b + 1) * (hi - lo) / kBins) - cdf(lo + b * (hi - lo) / kBins)) / mass;
        if (e > 0) chi2 += (counts[size_t(b)] - e) * (counts[size_t(b)] - e) / e;
    }
    return 1.0 - ozm::statis::chi2DistriIntegral(chi2, kBins - 1);
}

struct Named {
    const char* name;
    double lo, hi;
    std::function<void(TRandGen&)> fill;
    std::function<double(double)> cdf;
};

TEST(RandGen, NamedDensitiesPassGoodnessOfFit) {
    using namespace ozm::statis;
    const Named densities[] = {
        {"normal", -9, 11, [](TRandGen& g) { g.NormalDistri(1, 2); },
         [](double x) { return 0.5 * std::erfc(-(x - 1) / (2 * std::sqrt(2.0))); }},
        {"weibull", 0, 12, [](TRandGen& g) { g.WeibullDistri(1.5, 2); },
         [](double x) { return 1 - std::exp(-std::pow(x / 2, 1.5)); }},
        {"chi2", 0, 40, [](TRandGen& g) { g.Chi2Distri(4); },
         [](double x) { return chi2DistriIntegral(x, 4); }},
        {"F", 0, 30, [](TRandGen& g) { g.FDistri(5, 10); },
         [](double x) { return FDistriIntegral(x, 5, 10); }},
        {"t", -30, 30, [](TRandGen& g) { g.tDistri(5); },
         [](double x) { return tDistriIntegral(x, 5); }},
        {"uniform", -2, 3, [](TRandGen& g) { g.UniformDistri(); },
         [](double x) { return x; }},
    };
    for (const auto& d : densities) {
        SCOPED_TRACE(d.name);
        TRandGen gen;
        gen.SetResolution(4000);
        gen.SetLowBorder(d.lo);
        gen.SetHighBorder(d.hi);
        d.fill(gen);
        ASSERT_TRUE(gen.Standardize());
        ozm::SetRandSeed(2026);
        // The uniform table is constant over [lo, hi) but the last bin tapers to 0 at hi.
        if (std::string(d.name) == "uniform") {
            gen.SetProbability(4000, 1.0);
            const double p = GoodnessOfFit(gen, d.cdf, d.lo, d.hi - 5.0 / 4000, 100000);
            EXPECT_GT(p, 1e-3);
            continue;
        }
        EXPECT_GT(GoodnessOfFit(gen, d.cdf, d.lo, d.hi, 100000), 1e-3);
    }
    // The check can fail: a normal table tested against Student's t with 5 degrees of freedom.
    TRandGen gen;
    gen.SetResolution(4000);
    gen.SetLowBorder(-30);
    gen.SetHighBorder(30);
    gen.NormalDistri(0, std::sqrt(5.0 / 3.0));  // the same variance as t(5)
    ozm::SetRandSeed(2026);
    EXPECT_LT(GoodnessOfFit(gen, [](double x) { return ozm::statis::tDistriIntegral(x, 5); }, -30,
                            30, 100000),
              1e-6);
}

TEST(RandGen, TableAndReproducibility) {
    TRandGen gen;
    EXPECT_EQ(gen.Resolution(), 500);
    EXPECT_EQ(gen.GetProbability(1), 1.0);
    EXPECT_EQ(gen.GetProbability(0), 0.0);
    EXPECT_EQ(gen.GetProbability(501), 0.0);
    EXPECT_EQ(gen.Random(), 0.0);  // both borders 0
    gen.SetResolution(5);
    EXPECT_EQ(gen.Resolution(), 10);
    gen.SetProbability(3, 1.5);
    EXPECT_EQ(gen.GetProbability(3), 1.0);
    gen.SetProbability(4, -2);
    EXPECT_EQ(gen.GetProbability(4), 0.0);
    gen.SetResolution(10000);
    EXPECT_EQ(gen.Resolution(), 4000);
    EXPECT_EQ(gen.GetProbability(4), 1.0);  // reset

    gen.SetResolution(10);
    gen.SetLowBorder(2);
    gen.SetHighBorder(7);
    EXPECT_EQ(gen.GetLambda(0), 2.0);
    EXPECT_EQ(gen.GetLambda(3), 3.0);
    EXPECT_EQ(gen.GetLambda(11), 7.0);
    EXPECT_EQ(gen.IndexOfLambda(2), 1);
    EXPECT_EQ(gen.IndexOfLambda(7), 11);
    EXPECT_EQ(gen.IndexOfLambda(6.99), 10);
    EXPECT_EQ(gen.IndexOfLambda(1.9), 0);
    EXPECT_EQ(gen.IndexOfLambda(7.1), 11);

    // Normalize maps onto [0, 1]; Standardize divides by the largest bin.
    for (int i = 1; i <= 10; ++i) gen.SetProbability(i, 0.1 * i * 0.5);
    gen.Normalize();
    EXPECT_EQ(gen.GetProbability(1), 0.0);
    EXPECT_EQ(gen.GetProbability(10), 1.0);
    for (int i = 1; i <= 10; ++i) gen.SetProbability(i, 0.0);
    EXPECT_FALSE(gen.Standardize());

    // A table of zeros gives up after 100 001 candidates and returns a value inside the range.
    ozm::SetRandSeed(1);
    const double x = gen.Random();
    EXPECT_GE(x, 2.0);
    EXPECT_LT(x, 7.0);

    // Seeded runs repeat.
    gen.UniformDistri();
    gen.SetProbability(4, 0.0);
    ozm::SetRandSeed(99);
    std::vector<double> first;
    for (int i = 0; i < 50; ++i) first.push_back(gen.Random());
    ozm::SetRandSeed(99);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(gen.Random(), first[size_t(i)]);

    // Chi-square with one degree of freedom has a pole at 0: the first bin takes the density at
    // its middle instead of an infinite value.
    gen.SetLowBorder(0);
    gen.SetHighBorder(5);
    gen.Chi2Distri(1);
    EXPECT_TRUE(std::isfinite(gen.GetProbability(1)));
    EXPECT_TRUE(gen.Standardize());
    EXPECT_EQ(gen.GetProbability(1), 1.0);
}

}  // namespace
