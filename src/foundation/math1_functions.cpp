// Compensated summation, polynomials and the small elementary functions of math1: squashing,
// histogram bins, real remainder, plane distance, logarithms, hyperbolic and trigonometric
// functions and angle normalisation.
#include <cmath>
#include <limits>
#include <numbers>
#include <span>
#include <string>
#include <string_view>

#include "foundation/math1_internal.hpp"
#include "ozm/math1/scalar.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm {

void TKahanSum::Add(double ANumber) noexcept {
    // Every intermediate is a double, so the compensation captures exactly what t lost.
    const double y = ANumber - cps;
    const double t = Sum + y;
    cps = (t - Sum) - y;
    Sum = t;
}

namespace math1 {

namespace {

// The elementary functions report through the platform's math error, not the unit's class.
[[noreturn]] void RaiseMathError(std::string_view Message) { throw EMathError(std::string(Message)); }

// Sum of c[i] * t^i for i = 0..n, from i = 0 upwards with a running power.
double PowerSeries(std::span<const double> c, int n, double t) {
    if (n < 0 || static_cast<size_t>(n) >= c.size())
        detail::RaiseMath1Error("Polynomial: invalid order of polynomial");
    const double* const coef = c.data();
    double sum = 0;
    double power = 1;
    for (int i = 0; i <= n; ++i) {
        sum += coef[i] * power;
        power *= t;
    }
    return sum;
}

// The equal angle in [-half, half], where full = 2 * half is one turn.
double CanonicalAngle(double angle, double full, double half) noexcept {
    if (angle > full)
        angle = full * Frac(angle / full);
    else if (angle < -full)
        angle = -full * Frac(-angle / full);
    if (angle > half)
        angle -= full;
    else if (angle < -half)
        angle += full;
    return angle;
}

}  // namespace

double Polynomial(std::span<const double> c, int n, double x) { return PowerSeries(c, n, x); }

double CenteredPolynomial(std::span<const double> c, int n, double shift, double x) {
    return PowerSeries(c, n, x - shift);
}

double Squash(double x, double centre, double slope, double limit) noexcept {
    // A zero limit squashes everything to 0 (the limit of the curve); the formula would divide
    // 0 by 0 at the centre.
    if (limit == 0) return 0;
    const double e = -2.0 * slope * (x - centre) / limit;
    if (std::fabs(e) >= 200) return e > 0 ? -limit : limit;
    return limit * (2.0 / (std::exp(e) + 1.0) - 1.0);
}

double HistoBinRef(double x, double origin, double width, double& offset) noexcept {
    if (width == 0) {
        // Bins of zero width: every value is the edge of its own bin (the limit of the formula).
        offset = 0;
        return x;
    }
    const double edge = origin + width * std::floor((x - origin) / width);
    offset = x - edge;
    return edge;
}

double modr(double x, double y) noexcept {
    // The remainder by 0 is taken as 0, the limit of y * frac(x / y) as y tends to 0.
    if (y == 0) return 0;
    // fmod is the exact value of y * frac(x / y), sign of x included; the product itself would
    // round (modr(7, 3) = 0.9999999999999998) and fail once x / y leaves the double range.
    return std::fmod(x, y);
}

double EuclideanDistance(double x1, double y1, double x2, double y2) noexcept {
    const double dx = x1 - x2;
    const double dy = y1 - y2;
    const double s = dx * dx + dy * dy;
    // The squares overflow for coordinates beyond 1e154 and underflow below 1e-154; hypot
    // scales and is used only then, because it is several times slower.
    if (s >= std::numeric_limits<double>::min() && s <= std::numeric_limits<double>::max())
        return std::sqrt(s);
    return std::hypot(dx, dy);
}

double EuclideanDistance(const TPointDouble& p1, const TPointDouble& p2) noexcept {
    return EuclideanDistance(p1.x, p1.y, p2.x, p2.y);
}

// log10 and log2 rather than ln x / ln 10: they are exact at the powers of the base, so that
// floor(lg x) counts digits correctly (ln 1000 / ln 10 is 2.9999999999999996).
double lg(double x) {
    if (x <= 0) RaiseMathError("logarithm: invalid argument");
    return std::log10(x);
}

double ld(double x) {
    if (x <= 0) RaiseMathError("logarithm: invalid argument");
    return std::log2(x);
}

// The library's hyperbolic functions are the standard ones. The textbook forms (e^x - e^-x) / 2
// and 1 - 2 / (e^2x + 1) cancel to 0 for tiny x and overflow early for large x; the standard
// functions are accurate over the whole range.
double sinh(double x) noexcept { return std::sinh(x); }
double cosh(double x) noexcept { return std::cosh(x); }
double tgh(double x) noexcept { return std::tanh(x); }

double tg(double x) {
    const double c = std::cos(x);
    if (c == 0) RaiseMathError("tangens overflow");
    return std::sin(x) / c;
}

double cot(double x) {
    const double s = std::sin(x);
    if (s == 0) RaiseMathError("cotangens overflow");
    return std::cos(x) / s;
}

double CanonicalAngleRadians(double angle) noexcept {
    return CanonicalAngle(angle, 2.0 * std::numbers::pi, std::numbers::pi);
}

double CanonicalAngleDegrees(double angle) noexcept { return CanonicalAngle(angle, 360.0, 180.0); }

}  // namespace math1
}  // namespace ozm
