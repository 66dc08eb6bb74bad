// Bounds, clamping, limited rounding, rounding to the 1-2-5 series and axis scaling.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <system_error>

#include "foundation/math1_internal.hpp"
#include "ozm/math1/scalar.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm::math1 {

namespace {

template <typename T>
T Confine(T x, T b1, T b2) noexcept {
    const T lo = b1 < b2 ? b1 : b2;
    const T hi = b1 < b2 ? b2 : b1;
    if (x < lo) return lo;
    if (x > hi) return hi;
    return x;
}

// s * 10^e (s a short decimal such as 1, 1.5 or 5), correctly rounded: read back from its
// decimal text, so that a value of the series comes out as exactly the floating-point number
// nearest to it in every decade (a rounded power of ten times s can miss it by an ulp).
template <typename Real>
Real ScaleByPow10(Real s, int e) noexcept {
    char text[64];
    char* const end = text + sizeof text;
    char* p = std::to_chars(text, end, s).ptr;
    *p++ = 'e';
    p = std::to_chars(p, end, e).ptr;
    Real value = 0;
    if (std::from_chars(text, p, value).ec == std::errc::result_out_of_range)
        return e > 0 ? std::numeric_limits<Real>::infinity() : Real(0);
    return value;
}

// The decade of |x| (finite, non-zero): the E with 10^E <= |x| < 10^(E+1). It starts from
// floor(log10 |x|), with the logarithm snapped to an integer within 1e-14, and is then checked
// against the powers of ten themselves, so that a logarithm rounded across an integer cannot
// put |x| into the wrong decade.
int DecadeOf(double ax) noexcept {
    double L = std::log10(ax);
    const double nearest = std::round(L);
    if (std::fabs(L - nearest) < 1e-14) L = nearest;
    int e = IntNeg(L);
    if (ScaleByPow10(1.0, e) > ax) --e;
    if (ScaleByPow10(10.0, e) <= ax) ++e;
    return e;
}

// The smallest of 1, 2, 5, 10 times 10^E that is not below ax.
double UpInMagnitude(double ax, int e) noexcept {
    for (const double s : {1.0, 2.0, 5.0}) {
        const double c = ScaleByPow10(s, e);
        if (c >= ax) return c;
    }
    return ScaleByPow10(10.0, e);
}

// The largest of 1, 2, 5 times 10^E that is not above ax.
double DownInMagnitude(double ax, int e) noexcept {
    for (const double s : {5.0, 2.0}) {
        const double c = ScaleByPow10(s, e);
        if (c <= ax) return c;
    }
    return ScaleByPow10(1.0, e);
}

// Rounds |x| with Magnitude and gives the result the sign of x; 0, NaN and infinities pass.
template <typename Magnitude>
double Round125With(double x, Magnitude magnitude) noexcept {
    if (x == 0 || !std::isfinite(x)) return x;
    const double ax = std::fabs(x);
    const double r = magnitude(ax, DecadeOf(ax));
    return x < 0 ? -r : r;
}

// Moves first by whole steps until it is no longer before x1 (in the direction d) by more than a
// thousandth of a step. The loop normally runs two or three times; it stops when adding a step
// no longer changes first (a step lost in rounding against huge values), and after a bound that
// no legitimate case reaches.
void AdvanceToStart(long double x1, long double d, long double step, long double& first) noexcept {
    for (int i = 0; i < 64 && 0.001L * std::fabs(step) < d * (x1 - first); ++i) {
        const long double next = first + step;
        if (next == first) break;
        first = next;
    }
}

}  // namespace

bool WithinBounds(double x, double b1, double b2) noexcept {
    return (b1 < b2) ? (b1 <= x && x <= b2) : (b2 <= x && x <= b1);
}

bool WithinBounds(double x, double b1, double b2, double tolerance) noexcept {
    const double lo = b1 < b2 ? b1 : b2;
    const double hi = b1 < b2 ? b2 : b1;
    return lo - tolerance <= x && x <= hi + tolerance;
}

double ConfineValue(double x, double b1, double b2) noexcept { return Confine(x, b1, b2); }
float ConfineValue(float x, float b1, float b2) noexcept { return Confine(x, b1, b2); }
int32_t ConfineValue(int32_t x, int32_t b1, int32_t b2) noexcept { return Confine(x, b1, b2); }

int64_t RoundLimit(double x, int64_t low, int64_t high) noexcept {
    int64_t r = Round(x);  // ties to even; saturates beyond the 64-bit range, NaN gives 0
    if (r < low) r = low;
    if (r > high) r = high;
    return r;
}

double Round125(double x) noexcept {
    return Round125With(x, [](double ax, int e) {
        double s = 10;
        if (ax < ScaleByPow10(1.5, e))
            s = 1;
        else if (ax < ScaleByPow10(3.0, e))
            s = 2;
        else if (ax < ScaleByPow10(8.0, e))
            s = 5;
        return ScaleByPow10(s, e);
    });
}

double RoundPos125(double x) noexcept {
    return x > 0 ? Round125With(x, UpInMagnitude) : Round125With(x, DownInMagnitude);
}

double RoundNeg125(double x) noexcept {
    return x > 0 ? Round125With(x, DownInMagnitude) : Round125With(x, UpInMagnitude);
}

void CalcScalePars(int32_t count, long double x1, long double x2, long double& first,
                   long double& step, uint16_t& minor) noexcept {
    const auto degenerate = [&] {
        first = x1;
        step = 0;
        minor = 1;
    };
    if (x1 == x2) return degenerate();
    const long double range = std::fabs(x2 - x1);
    // NaN or infinite ends (or a range beyond the floating-point range) have no ticks.
    if (!std::isfinite(range)) return degenerate();
    const long double d = x1 < x2 ? 1 : -1;

    if (count == 0) {
        step = 1;
        first = Int(x1) - 1;
        AdvanceToStart(x1, d, step, first);
        minor = range <= 10 ? 5 : 1;
        return;
    }

    // A negative number of intervals counts by its magnitude.
    const auto intervals = static_cast<long double>(std::abs(static_cast<int64_t>(count)));
    long double L = std::log10(range / intervals);
    if (!std::isfinite(L)) return degenerate();  // range / intervals underflowed to 0
    long double h = L - Int(L);
    if (std::fabs(h) < 1e-10L || std::fabs(h) > 0.9999999999L) {
        L = std::round(L);
        h = 0;
    }
    if (L < 0 && h != 0) L -= 1;
    if (h < 0) h += 1;

    constexpr long double eps = 1e-10L;
    long double mantissa;
    if (h < std::log10(2.0L) + eps) {
        mantissa = 1;
        minor = 5;
    } else if (h < std::log10(5.0L) + eps) {
        mantissa = 2;
        minor = 4;
    } else {
        mantissa = 5;
        minor = 5;
    }
    // mantissa * 10^int(L) rather than 10^(int(L) + log10 mantissa): the same step, but exact,
    // so that four intervals over 0..100 give a step of 20, not 19.999999999999999998.
    step = d * ScaleByPow10(mantissa, static_cast<int>(Int(L)));
    if (step == 0 || !std::isfinite(step)) return degenerate();
    first = (Int(x1 / step) - 1) * step;
    AdvanceToStart(x1, d, step, first);
}

}  // namespace ozm::math1
