/// @file
/// Rounding helpers with fixed meanings, used throughout the library. They are defined for every
/// input: NaN gives 0 and values beyond the 64-bit range saturate at its ends.
#pragma once

#include <cmath>
#include <cstdint>

namespace ozm {

/// Nearest integer, ties to even (2.5 -> 2, 3.5 -> 4).
///@{
int64_t Round(double x) noexcept;
int64_t Round(long double x) noexcept;
///@}
/// Integer part, towards zero.
///@{
int64_t Trunc(double x) noexcept;
int64_t Trunc(long double x) noexcept;
///@}
/// Integer part as a float, towards zero (Int(-2.7) = -2.0); infinities and NaN pass through.
///@{
inline double Int(double x) noexcept { return std::trunc(x); }
inline long double Int(long double x) noexcept { return std::trunc(x); }
///@}
/// Fractional part with the sign of x (Frac(-2.75) = -0.75); NaN for NaN and infinities.
///@{
inline double Frac(double x) noexcept { return x - std::trunc(x); }
inline long double Frac(long double x) noexcept { return x - std::trunc(x); }
///@}

}  // namespace ozm
