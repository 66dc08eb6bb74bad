/// @file
/// Special functions of the statis unit: log-gamma, incomplete gamma and beta, error function,
/// the normal distribution, binomial coefficients, hypergeometric and Weibull densities, Fisher's
/// z-transform and the normal confidence interval.
///
/// These routines follow the classical published algorithms with their stated tolerances
/// (relative 1e-8 for the incomplete gamma and beta functions, whose prefactor uses the six-term
/// Lanczos series of LnGamma, good to about 1e-10). The accurate distributions of
/// ozm/statis/distributions.hpp share the same series and continued fractions with a tolerance at
/// the limit of extended precision.
///
/// Domain errors give the documented fallback values; NaN arguments without a documented fallback
/// give NaN. Only FisherTransform and HyperGeoDistriDensity raise EOZMStatisError. Every iteration
/// is bounded.
#pragma once

#include <cstdint>

#include "ozm/platform/exceptions.hpp"

namespace ozm::statis {

/// Significance levels of the Kolmogorov-Smirnov tables: 0.20, 0.15, 0.10, 0.05, 0.01.
enum class TSignifLevel { Dot20, Dot15, Dot10, Dot05, Dot01 };
/// Significance levels of the Dean-Dixon tables (values in NumericSigLevel).
enum class TSignifLevelEx { Dot001, Dot002, Dot005, Dot010, Dot020, Dot050, Dot100, Dot200, Dot500 };
/// The numeric value of each TSignifLevelEx, indexed by its ordinal.
inline constexpr double NumericSigLevel[9] = {0.001, 0.002, 0.005, 0.01, 0.02,
                                              0.05,  0.1,   0.2,   0.5};

/// ln Γ(x) by the six-term Lanczos series (absolute error about 2e-10); 0 for x <= 0.
double LnGamma(double x) noexcept;
/// Regularised lower incomplete gamma P(a, x): series for x < a + 1, continued fraction above,
/// relative tolerance 1e-8 (the fraction stops after 99 steps; the series gives NaN if it has not
/// converged after 10^6 terms, which happens only for x near a beyond 1e10). 0 when x <= 0 or
/// a <= 0; 1 for x = +inf. Results are kept within [0, 1].
double IncompleteGamma(double x, double a) noexcept;
/// Regularised incomplete beta I_x(a, b) by the continued fraction (modified Lentz, at most 100
/// steps, relative tolerance 1e-8). 0 for x < 0, 1 for x > 1; NaN for a <= 0 or b <= 0.
double IncompleteBeta(double x, double a, double b) noexcept;
/// ln Γ(a) + ln Γ(b) - ln Γ(a + b) with LnGamma; 0 when a < 0 or b < 0.
double LnBeta(double a, double b) noexcept;
/// Error function as ±P(0.5, x²) (relative accuracy about 1e-8).
double Erf(double x) noexcept;
/// Error function by the Chebyshev-fitted complementary error function (error below 1.2e-7).
double ErfApprox(double x) noexcept;

/// Standard normal density.
double nDistriDensity(double x) noexcept;
/// Standard normal distribution function ½(1 ± P(0.5, x²/2)). The lower tail below x = -8 is
/// lost to cancellation (it reads 0 or close to 0): use tDistriIntegral with an infinite df or
/// the quantile routines for accurate tails.
double nDistriIntegral(double x) noexcept;
/// Φ⁻¹(p) by bisection from the Abramowitz-Stegun 26.2.23 start value, until the smaller tail
/// min(p, 1 - p) is met to 1e-8 relative. The tail is evaluated accurately (complementary error
/// function) and the bisection is bounded, so every p in (0, 1) down to the smallest double gives
/// a result accurate to about 1e-9 relative. 0 for p <= 0, p >= 1 and NaN.
double nDistriQuantile(double p) noexcept;

/// Binomial coefficient C(n, k), exact in 64-bit integers. 0 when n < 0, k < 0 or k > n; -1 when
/// the value exceeds the int64 range (from C(67, 33) on; use LnBinomCoeff).
int64_t BinomCoeff(int32_t n, int32_t k) noexcept;
/// ln C(n, k) through LnGamma (unrounded); -1 when n < 0, k < 0 or k > n.
double LnBinomCoeff(int32_t n, int32_t k) noexcept;

/// Probability of k successes in a sample of nsample drawn without replacement from npop items of
/// which M = p·npop (rounded, halves to even) are successes. A product p·npop within a few double
/// ulps of a half counts as that half, so 0.35·10 gives M = 4 however 0.35 was rounded to binary.
/// Raises EOZMStatisError, checked in this order: "HyperGeoDistriDensity: probability p must be
/// between 0.0 and 1.0", "HyperGeoDistriDensity: npop must be greater than 0",
/// "HyperGeoDistriDensity: nsample must not be greater than npop", "HyperGeoDistriDensity: nsample
/// must not be less than 1". 0 when k is outside the support.
double HyperGeoDistriDensity(double p, int32_t npop, int32_t nsample, int32_t k);

/// Weibull density beta·x^(beta-1)/eta^beta·exp(-(x/eta)^beta); 0 for x <= 0 or eta <= 0.
double WeibullDensity(double x, double beta, double eta) noexcept;

/// Fisher's z = ½ ln((1 + r)/(1 - r)). r outside (-1, 1) raises EOZMStatisError
/// "FisherTransform: argument out of range"; NaN gives NaN.
double FisherTransform(double r);
/// The inverse, tanh z: defined for every z (±1 for large |z|, where the quotient form
/// (e^(2z) - 1)/(e^(2z) + 1) would overflow to NaN).
double FisherTransformInv(double z) noexcept;
/// (m1 - m2)² / (s1² + s2²), the denominator replaced by 1e-6 when smaller.
double CalcFishQ(double m1, double m2, double s1, double s2) noexcept;
/// Half-width z(1 - alpha/2)·stddev/√n of the normal confidence interval (z = nDistriQuantile).
/// NaN for n < 1.
double ConfidenceInterval(double alpha, double stddev, int32_t n) noexcept;

}  // namespace ozm::statis
