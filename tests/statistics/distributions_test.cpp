// Accurate distributions against mpmath (50 digits): chi-square, F, Student's t, binomial,
// Mann-Whitney U, Shapiro-Wilk.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ozm/statis.hpp"
#include "statis_refs.hpp"

using namespace ozm::statis;
using ozm::testing::LoadStatisRefs;
using ozm::testing::RelErr;

namespace {

// The promise of the accurate distributions: relative error 1e-12 in every tail, degrees of
// freedom 0.5 .. 1e6, down to 1e-300.
constexpr long double kDistTol = 1e-12L;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Runs fn over the rows and reports the worst relative error (with its row) before comparing.
template <class Fn>
void ExpectAllWithin(const char* file, long double tol, Fn fn) {
    const auto rows = LoadStatisRefs(file);
    ASSERT_GT(rows.size(), 20u) << file;
    long double worst = 0;
    std::string where;
    for (const auto& r : rows) {
        const long double e = fn(r);
        if (!(e <= worst)) {
            worst = e;
            where.clear();
            for (const auto& t : r.text) where += t + " ";
        }
    }
    EXPECT_LE(worst, tol) << file << ": worst row " << where;
}

}  // namespace

TEST(StatisDistributions, Chi2AgainstMpmath) {
    ExpectAllWithin("chi2_cdf.txt", kDistTol, [](const auto& r) {
        return RelErr(chi2DistriIntegral(r.dbl(0), r.dbl(1)), r.num(2));
    });
    ExpectAllWithin("chi2_quantile.txt", kDistTol, [](const auto& r) {
        return RelErr(chi2DistriQuantile(r.dbl(0), r.dbl(1)), r.num(2));
    });
}

// Beyond 2e11 degrees of freedom the uniform expansion takes over from the series and fraction,
// whose step count would grow with √df; the references lie on both sides of the switch.
TEST(StatisDistributions, Chi2HugeDegreesOfFreedom) {
    ExpectAllWithin("chi2_cdf_large.txt", kDistTol, [](const auto& r) {
        return RelErr(chi2DistriIntegral(r.dbl(0), r.dbl(1)), r.num(2));
    });
    EXPECT_LE(RelErr(chi2DistriQuantile(0.3, 1e14), 1e14 - 0.52440051270804067 * std::sqrt(2e14)),
              1e-11L);
}

TEST(StatisDistributions, StudentTAgainstMpmath) {
    ExpectAllWithin("t_cdf.txt", kDistTol, [](const auto& r) {
        return RelErr(tDistriIntegral(r.dbl(0), r.dbl(1)), r.num(2));
    });
    ExpectAllWithin("t_quantile.txt", kDistTol, [](const auto& r) {
        return RelErr(tDistriQuantile(r.dbl(0), r.dbl(1)), r.num(2));
    });
}

TEST(StatisDistributions, FAgainstMpmath) {
    ExpectAllWithin("f_cdf.txt", kDistTol, [](const auto& r) {
        return RelErr(FDistriIntegral(r.dbl(0), r.dbl(1), r.dbl(2)), r.num(3));
    });
    ExpectAllWithin("f_quantile.txt", kDistTol, [](const auto& r) {
        return RelErr(FDistriQuantile(r.dbl(0), r.dbl(1), r.dbl(2)), r.num(3));
    });
}

TEST(StatisDistributions, BinomialAgainstExactSums) {
    ExpectAllWithin("binom.txt", kDistTol, [](const auto& r) {
        const double p = r.dbl(0);
        const int n = r.integer(1), k = r.integer(2);
        return std::max(RelErr(BinomDistriDensity(p, n, k), r.num(3)),
                        RelErr(BinomDistriIntegral(p, n, k), r.num(4)));
    });
    // The quantile is the smallest k whose distribution function reaches the level.
    for (const auto& [p, n] : {std::pair{0.3, 1000}, {0.5, 7}, {1e-5, 1000}, {0.999, 5000}}) {
        for (double prob : {1e-12, 0.01, 0.25, 0.5, 0.9, 0.999999}) {
            const int k = BinomDistriQuantile(p, n, prob);
            ASSERT_GE(k, 0);
            EXPECT_GE(BinomDistriIntegral(p, n, k), prob * (1 - 1e-13)) << p << " " << n;
            if (k > 0) {
                EXPECT_LT(BinomDistriIntegral(p, n, k - 1), prob * (1 - 1e-13)) << p << " " << n;
            }
        }
    }
}

TEST(StatisDistributions, DensitiesAgainstMpmath) {
    ExpectAllWithin("densities.txt", kDistTol, [](const auto& r) {
        const std::string& kind = r.text[0];
        const double x = r.dbl(1), d1 = r.dbl(2), d2 = r.dbl(3);
        const double got = kind == "chi2" ? Chi2DistriDensity(x, d1)
                           : kind == "t"  ? tDistriDensity(x, d1)
                                          : FDistriDensity(x, d1, d2);
        return RelErr(got, r.num(4));
    });
}

TEST(StatisDistributions, QuantilesInvertTheirIntegrals) {
    // x -> P(X <= x) -> quantile is well conditioned in the lower tail (the quantile's error is
    // the integral's divided by the elasticity x f(x)/F(x)), so it should return x to the
    // distribution's promise. (Near 1 the double P(X <= x) itself has lost the upper tail.)
    for (double df : {0.5, 1.0, 4.0, 17.5, 250.0, 3e4, 1e6}) {
        for (double z : {-30.0, -5.0, -1.0, 0.3}) {
            const double x = std::max(1e-3, df + z * std::sqrt(2 * df));
            const double pc = chi2DistriIntegral(x, df);
            if (pc > 1e-300) {
                EXPECT_LE(RelErr(chi2DistriQuantile(pc, df), x), kDistTol) << df << " " << x;
            }
            EXPECT_LE(RelErr(tDistriQuantile(tDistriIntegral(z, df), df), z), kDistTol)
                << df << " " << z;
            const double f = std::exp(z / 4);
            const double pf = FDistriIntegral(f, df, 7.0);
            if (pf > 1e-300) {
                EXPECT_LE(RelErr(FDistriQuantile(pf, df, 7.0), f), kDistTol) << df << " " << f;
            }
        }
    }
}

TEST(StatisDistributions, ClosedFormsAndLimits) {
    for (double x : {1e-300, 1e-8, 0.3, 2.0, 17.0, 90.0}) {
        // χ² with 2 degrees of freedom is exponential; t with 1 is Cauchy.
        EXPECT_LE(RelErr(chi2DistriIntegral(x, 2), -std::expm1(-x / 2)), 1e-14L) << x;
        EXPECT_LE(RelErr(Chi2DistriDensity(x, 2), 0.5 * std::exp(-x / 2)), 1e-14L) << x;
        EXPECT_LE(RelErr(tDistriIntegral(-x, 1), std::atan(1 / x) / M_PI), 1e-14L) << x;
        EXPECT_LE(RelErr(tDistriDensity(x, 1), 1 / (M_PI * (1 + x * x))), 1e-14L) << x;
        // F(1, ν) is t² folded: P(F <= t²) = 1 - 2 P(T <= -t) (absolute: both sides cancel).
        EXPECT_NEAR(FDistriIntegral(x * x, 1, 6), 1 - 2 * static_cast<long double>(tDistriIntegral(-x, 6)),
                    1e-15)
            << x;
        // F density with 2 numerator degrees: (1 + 2x/ν)^(-(ν/2 + 1)).
        EXPECT_LE(RelErr(FDistriDensity(x, 2, 9), std::pow(1 + 2 * x / 9, -5.5)), 1e-14L) << x;
    }
    for (double t : {-3.0, -2.0, 0.0, 0.5, 3.0}) {
        const double phi = std::exp(-t * t / 2) / std::sqrt(2 * M_PI);
        EXPECT_LE(RelErr(tDistriDensity(t, kInf), phi), 1e-15L);
        EXPECT_LE(RelErr(tDistriIntegral(t, kInf), 0.5 * std::erfc(-t / std::sqrt(2.0))), 1e-14L);
        // Large ν: density φ(t) (1 + (t⁴ - 2t² - 1)/(4ν)) up to O(t⁸/ν²).
        EXPECT_LE(RelErr(tDistriDensity(t, 1e8), phi * (1 + (t * t * t * t - 2 * t * t - 1) / 4e8)),
                  1e-13L);
    }
    EXPECT_DOUBLE_EQ(Chi2DistriDensity(0, 2), 0.5);
    EXPECT_EQ(Chi2DistriDensity(0, 1), kInf);
    EXPECT_EQ(Chi2DistriDensity(0, 5), 0);
    EXPECT_DOUBLE_EQ(FDistriDensity(0, 2, 5), 1);
    EXPECT_DOUBLE_EQ(tDistriIntegral(0, 3), 0.5);
    EXPECT_EQ(tDistriQuantile(0.5, 3), 0);
    // Regression: F(1; 1e6, 1e6) is one half to the skew of the distribution, not far from it.
    EXPECT_NEAR(FDistriIntegral(1, 1e6, 1e6), 0.5, 1e-3);
}

TEST(StatisDistributions, BadInputGivesNaNOrTheLimit) {
    for (double bad : {kNaN, 0.0, -1.0}) {
        EXPECT_TRUE(std::isnan(chi2DistriIntegral(1, bad)));
        EXPECT_TRUE(std::isnan(chi2DistriQuantile(0.5, bad)));
        EXPECT_TRUE(std::isnan(tDistriIntegral(1, bad)));
        EXPECT_TRUE(std::isnan(tDistriQuantile(0.5, bad)));
        EXPECT_TRUE(std::isnan(FDistriIntegral(1, bad, 3)));
        EXPECT_TRUE(std::isnan(FDistriQuantile(0.5, 3, bad)));
        EXPECT_TRUE(std::isnan(Chi2DistriDensity(1, bad)));
        EXPECT_TRUE(std::isnan(tDistriDensity(1, bad)));
        EXPECT_TRUE(std::isnan(FDistriDensity(1, bad, 2)));
    }
    for (double p : {kNaN, -0.1, 1.5}) {
        EXPECT_TRUE(std::isnan(chi2DistriQuantile(p, 3)));
        EXPECT_TRUE(std::isnan(tDistriQuantile(p, 3)));
        EXPECT_TRUE(std::isnan(FDistriQuantile(p, 3, 4)));
        EXPECT_TRUE(std::isnan(BinomDistriDensity(p, 4, 2)));
        EXPECT_EQ(BinomDistriQuantile(0.5, 4, p), -1);
        EXPECT_EQ(UDistriQuantile(p, 3, 4), -1);
    }
    EXPECT_TRUE(std::isnan(chi2DistriIntegral(kNaN, 3)));
    EXPECT_EQ(chi2DistriIntegral(-1, 3), 0);
    EXPECT_EQ(chi2DistriIntegral(kInf, 3), 1);
    EXPECT_EQ(FDistriIntegral(kInf, 3, 3), 1);
    EXPECT_EQ(tDistriIntegral(-kInf, 3), 0);
    EXPECT_EQ(tDistriIntegral(kInf, 3), 1);
    EXPECT_EQ(chi2DistriQuantile(0, 3), 0);
    EXPECT_EQ(chi2DistriQuantile(1, 3), kInf);
    EXPECT_EQ(tDistriQuantile(0, 3), -kInf);
    EXPECT_EQ(FDistriQuantile(1, 3, 3), kInf);
    EXPECT_EQ(BinomDistriDensity(0.3, 10, 11), 0);
    EXPECT_EQ(BinomDistriIntegral(0.3, 10, -1), 0);
    EXPECT_EQ(BinomDistriIntegral(0.3, 10, 10), 1);
    EXPECT_TRUE(std::isnan(BinomDistriIntegral(0.3, -1, 0)));
    EXPECT_TRUE(std::isnan(UDistriIntegral(1, 0, 3)));
    EXPECT_TRUE(std::isnan(ShapiroWilkIntegral(0.9, 2)));
    EXPECT_TRUE(std::isnan(ShapiroWilkIntegral(1.2, 20)));
}

TEST(StatisDistributions, MannWhitneyUExactAndNormal) {
    ExpectAllWithin("u_distri.txt", 1e-15L, [](const auto& r) {
        const int n1 = r.integer(0), n2 = r.integer(1);
        const double u = r.dbl(2);
        // The distribution is symmetric in the samples.
        return std::max({RelErr(UDistriDensity(u, n1, n2), r.num(3)),
                         RelErr(UDistriIntegral(u, n1, n2), r.num(4)),
                         RelErr(UDistriIntegral(u, n2, n1), r.num(4))});
    });
    // Counts far beyond 2^64 stay exact: the distribution is symmetric about n1 n2 / 2, so
    // 2 P(U <= 1799) + P(U = 1800) = 1 for 60 and 60, and the tails mirror each other.
    ASSERT_TRUE(UDistriIsExact(60, 60));
    EXPECT_NEAR(2 * UDistriIntegral(1799, 60, 60) + UDistriDensity(1800, 60, 60), 1, 1e-15);
    EXPECT_EQ(UDistriDensity(100, 60, 60), UDistriDensity(3500, 60, 60));
    EXPECT_GT(UDistriDensity(0, 60, 60), 0);  // 1/C(120, 60), about 1e-35
    EXPECT_EQ(UDistriDensity(2.5, 3, 4), 0);
    for (double p : {0.001, 0.025, 0.5, 0.975}) {
        const int u = UDistriQuantile(p, 12, 15);
        EXPECT_GE(UDistriIntegral(u, 12, 15), p);
        EXPECT_LT(UDistriIntegral(u - 1, 12, 15), p);
    }
    // Beyond the exact range: the continuity-corrected normal approximation.
    ASSERT_FALSE(UDistriIsExact(200, 300));
    const double mu = 30000, sigma = std::sqrt(200.0 * 300 * 501 / 12);
    EXPECT_NEAR(UDistriIntegral(28000, 200, 300),
                0.5 * std::erfc(-(28000.5 - mu) / sigma / std::sqrt(2.0)), 1e-15);
    const int q = UDistriQuantile(0.05, 200, 300);
    EXPECT_GE(UDistriIntegral(q, 200, 300), 0.05);
    EXPECT_LT(UDistriIntegral(q - 1, 200, 300), 0.05);
}

TEST(StatisDistributions, ShapiroWilkAgainstRoyston) {
    // scipy's AS R94 computes in single precision; the p-values agree to its precision.
    for (const auto& r : LoadStatisRefs("shapiro.txt")) {
        const int n = r.integer(0);
        const double w = r.dbl(1), p = r.dbl(2);
        EXPECT_NEAR(ShapiroWilkIntegral(w, n), p, 2e-6 + 2e-5 * p) << n << " " << w;
    }
    EXPECT_EQ(ShapiroWilkIntegral(1, 30), 1);
    EXPECT_EQ(ShapiroWilkIntegral(0.7, 3), 0);  // below the minimum 3/4 of W for n = 3
}
