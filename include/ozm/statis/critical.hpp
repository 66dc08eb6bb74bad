/// @file
/// Critical values and p-values of the statis unit's tests: Kolmogorov-Smirnov (exact
/// distribution), Lilliefors, Wilcoxon signed-rank, Dean-Dixon, Grubbs and Durbin-Watson.
/// The tables are constant data of the library (Massey's Kolmogorov-Smirnov values, exact Wilcoxon
/// counts, the Dean-Dixon table, exact Durbin-Watson 5 % bounds and fits to them beyond n = 100).
#pragma once

#include <cstdint>

#include "ozm/statis/gammabeta.hpp"

namespace ozm::statis {

/// P(Dn >= d) of the one-sample Kolmogorov-Smirnov statistic, exact (Marsaglia, Tsang and Wang:
/// matrix power in extended precision with a decimal exponent). Where d²n > 7.24 and n <= 99 the
/// upper tail is 2·P(Dn+ >= d) by the exact Smirnov-Birnbaum-Tingey sum (exact for d >= 0.5,
/// otherwise within 4e-7 relative), so the p-value falls monotonically with d and keeps its
/// relative accuracy where 1 - CDF would cancel; for n > 99 and d²n > 3.76 the asymptotic
/// 2 exp(-(2.000071 + 0.331/√n + 1.409/n)·d²n). Where the matrix order 2nd + 1 would pass 301
/// or n passes 100000 (large n below that switch), the limiting series with Stephens' scaling
/// d(√n + 0.12 + 0.11/√n). 1 for d <= 1/(2n), 0 for d >= 1; NaN for n < 1 or a NaN d.
double KSPValue(int32_t n, double d) noexcept;
/// Tabulated critical value (Massey) for 1 <= n <= 20, else c/√n with c = 1.073, 1.138, 1.224,
/// 1.358, 1.628. NaN for n < 1.
double KolmogSmir1SampleTestStat(int32_t n, TSignifLevel level) noexcept;
/// The critical value refined with KSPValue until P(Dn >= d) is within 1e-4 of the level (at most
/// 1000 steps). NaN for n < 1.
double KSQuantile(int32_t n, TSignifLevel level) noexcept;

/// p-value of the Lilliefors statistic by the Dallal-Wilkinson approximation; -1 for n < 6.
/// The approximation is meant for small p-values: above about 0.1 it is far off (it is capped at
/// 1), so use it to decide significance at the usual levels, not to report large p-values.
double LillieforsPValue(int32_t n, double d) noexcept;
/// Critical value 1/√(n·A(1 - alpha) + B(1 - alpha)) with the two degree-6 polynomials A, B.
double LillieforsQuantile(int32_t n, double alpha) noexcept;

/// Largest signed-rank statistic whose tail probability does not exceed alpha (two-sided or one).
/// For 8 <= n <= 100: the table value where the level (alpha, or 2·alpha one-sided) is one of
/// 0.10, 0.05, 0.02, 0.01, 0.001 (within 1e-9); between them a least-squares parabola in ln(level)
/// through the tabulated values (3 levels for n = 8, 4 for n = 9, 10, 5 otherwise), rounded, at
/// least 0. For n > 100 the normal approximation. -1 for n <= 7, n > 1000000 or alpha outside
/// [0.000499999, 0.20000001]. The result is 64-bit: beyond n = 92 000 it exceeds 32 bits.
int64_t WilcoxonSRQuantile(int32_t n, double alpha, bool TwoSided) noexcept;
/// Tabulated Dean-Dixon critical value (r10 for n = 3..7, r11 for 8..10, r21 for 11..13, r22 for
/// 14..100); -1 for n outside 3..100.
double DeanDixonCriticalValues(int32_t n, TSignifLevelEx level) noexcept;
/// Critical value of Grubbs' statistic ((n - 1)/√n)·√(t²/(n - 2 + t²)), t the Student quantile at
/// 1 - alpha/(j n) with n - 2 degrees of freedom (j = 2 two-sided). -1 unless 0 < alpha < 1 and
/// n > 2.
double GrubbsCriticalValues(int32_t n, double alpha, bool TwoSided) noexcept;
/// Durbin-Watson 5 % bounds for n observations and k regressors (without the intercept): exact
/// tables for n <= 100, fitted polynomials in n for 100 < n <= 500, base + 1/(a n + b) beyond.
/// False (dL, dU untouched) when n - k < 5, k < 1, k > 20, n < 5 or n > 2000.
bool DurbinWatsonCrit5pct(int32_t n, int32_t k, double& dL, double& dU) noexcept;

}  // namespace ozm::statis
