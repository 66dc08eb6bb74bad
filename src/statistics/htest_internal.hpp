// Upper tails of the test distributions, each computed directly (not as 1 - lower tail), so that
// small p-values keep their relative accuracy.
#pragma once

namespace ozm::statis {

// P(chi²(df) >= x); 1 for x <= 0; NaN for df <= 0 or NaN.
double Chi2UpperTail(double x, double df) noexcept;
// P(F(df1, df2) >= x); 1 for x <= 0.
double FUpperTail(double x, double df1, double df2) noexcept;
// P(|T(df)| >= |t|), Student's t with df degrees of freedom (df may be fractional).
double TTwoSided(double t, double df) noexcept;
// P(T(df) <= t) and P(T(df) >= t).
double TLowerTail(double t, double df) noexcept;
double TUpperTail(double t, double df) noexcept;
// P(Z <= z) and P(Z >= z) of the standard normal distribution.
double NormalLowerTail(double z) noexcept;
double NormalUpperTail(double z) noexcept;

}  // namespace ozm::statis
