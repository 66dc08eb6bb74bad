#include "ozm/platform/rounding.hpp"

#include <cmath>
#include <limits>

namespace ozm {

namespace {

// Converts an already integral value to int64, saturating and mapping NaN to 0.
template <typename Real>
int64_t SaturateToInt64(Real r) noexcept {
    if (std::isnan(r)) return 0;
    // 2^63 is exactly representable; everything below it fits.
    constexpr Real limit = static_cast<Real>(9223372036854775808.0L);
    if (r >= limit) return std::numeric_limits<int64_t>::max();
    if (r < -limit) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(r);
}

template <typename Real>
Real RoundHalfEven(Real x) noexcept {
    Real r = std::round(x);  // halves away from zero
    if (std::fabs(x - std::trunc(x)) == static_cast<Real>(0.5)) {
        // A tie: std::round went away from zero; step back when that landed on an odd value.
        if (std::fmod(r, static_cast<Real>(2)) != 0) r -= std::copysign(static_cast<Real>(1), x);
    }
    return r;
}

}  // namespace

int64_t Round(double x) noexcept { return SaturateToInt64(RoundHalfEven(x)); }
int64_t Round(long double x) noexcept { return SaturateToInt64(RoundHalfEven(x)); }
int64_t Trunc(double x) noexcept { return SaturateToInt64(std::trunc(x)); }
int64_t Trunc(long double x) noexcept { return SaturateToInt64(std::trunc(x)); }

}  // namespace ozm
