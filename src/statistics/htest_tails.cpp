// Upper tails of the test distributions from the unit's accurate incomplete gamma and beta
// kernels, so that small p-values keep their relative accuracy.

#include <cmath>
#include <limits>

#include "htest_internal.hpp"
#include "statis_internal.hpp"

namespace ozm::statis {

using detail::ld;

double Chi2UpperTail(double x, double df) noexcept {
    if (std::isnan(x) || !(df > 0)) return std::numeric_limits<double>::quiet_NaN();
    if (x <= 0) return 1.0;
    return static_cast<double>(detail::GammaTails(ld(df) / 2, ld(x) / 2).upper);
}

double FUpperTail(double x, double df1, double df2) noexcept {
    if (std::isnan(x) || !(df1 > 0) || !(df2 > 0)) return std::numeric_limits<double>::quiet_NaN();
    if (x <= 0) return 1.0;
    if (std::isinf(x)) return 0.0;
    // P(F >= x) = I_w(df2/2, df1/2) with w = df2/(df2 + df1 x); 1 - w formed directly.
    const ld s = ld(df2) + ld(df1) * x;
    return static_cast<double>(
        detail::BetaTails(ld(df2) / 2, ld(df1) / 2, ld(df2) / s, ld(df1) * x / s).lower);
}

double TTwoSided(double t, double df) noexcept {
    if (std::isnan(t) || !(df > 0)) return std::numeric_limits<double>::quiet_NaN();
    if (std::isinf(t)) return 0.0;
    // P(|T| >= |t|) = I_w(df/2, 1/2) with w = df/(df + t²).
    const ld t2 = ld(t) * t, s = ld(df) + t2;
    if (t2 == 0) return 1.0;
    return static_cast<double>(detail::BetaTails(ld(df) / 2, 0.5L, ld(df) / s, t2 / s).lower);
}

double TUpperTail(double t, double df) noexcept {
    const double two = TTwoSided(t, df);
    return t >= 0 ? two / 2 : 1.0 - two / 2;
}

double TLowerTail(double t, double df) noexcept { return TUpperTail(-t, df); }

double NormalLowerTail(double z) noexcept {
    return static_cast<double>(detail::NormalTails(z).lower);
}

double NormalUpperTail(double z) noexcept {
    return static_cast<double>(detail::NormalTails(z).upper);
}

}  // namespace ozm::statis
