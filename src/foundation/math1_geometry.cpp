// Plane geometry of math1. Products of coordinates are formed in extended precision: differences of
// doubles multiplied there neither overflow nor lose the sign of a nearly degenerate orientation.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <utility>

#include "ozm/math1/geometry.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm::math1 {

namespace {

using Extended = long double;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Bisection steps that can separate the ends of any bracket of extended values: from the largest
// binade down to the smallest subnormal. The loop normally ends long before, when the midpoint
// equals an end.
constexpr int kMaxHalvings = std::numeric_limits<Extended>::max_exponent -
                             std::numeric_limits<Extended>::min_exponent +
                             std::numeric_limits<Extended>::digits;

int Sign(Extended v) noexcept { return (v > 0) - (v < 0); }

// Nearest point (x0, x1) to (y0, y1) on the ellipse with semi-axes e0 >= e1 > 0, for y0, y1 >= 0
// (Eberly, "Distance from a point to an ellipse, an ellipsoid, or a hyperellipsoid").
void NearestOnEllipseQuadrant(Extended e0, Extended e1, Extended y0, Extended y1, Extended& x0,
                              Extended& x1) noexcept {
    if (y1 > 0) {
        if (y0 > 0) {
            const Extended z0 = y0 / e0;
            const Extended z1 = y1 / e1;
            Extended g = z0 * z0 + z1 * z1 - 1;
            if (g == 0) {
                x0 = y0;
                x1 = y1;
                return;
            }
            // The root s of F(s) = (r0 z0/(s + r0))^2 + (z1/(s + 1))^2 - 1 is bracketed by
            // [z1 - 1, 0] inside the ellipse and [z1 - 1, |(r0 z0, z1)| - 1] outside.
            const Extended r0 = (e0 / e1) * (e0 / e1);
            const Extended n0 = r0 * z0;
            Extended s0 = z1 - 1;
            Extended s1 = g < 0 ? 0 : std::hypot(n0, z1) - 1;
            Extended s = s0;
            for (int i = 0; i < kMaxHalvings; ++i) {
                s = (s0 + s1) / 2;
                if (s == s0 || s == s1) break;
                const Extended ratio0 = n0 / (s + r0);
                const Extended ratio1 = z1 / (s + 1);
                g = ratio0 * ratio0 + ratio1 * ratio1 - 1;
                if (g > 0) s0 = s;
                else if (g < 0) s1 = s;
                else break;
            }
            x0 = r0 * y0 / (s + r0);
            x1 = y1 / (s + 1);
            return;
        }
        x0 = 0;
        x1 = e1;
        return;
    }
    // On the major axis: the nearest point leaves the axis only for points close to the centre.
    const Extended numer = e0 * y0;
    const Extended denom = e0 * e0 - e1 * e1;
    if (numer < denom) {
        const Extended x = numer / denom;
        x0 = e0 * x;
        x1 = e1 * std::sqrt(1 - x * x);
    } else {
        x0 = e0;
        x1 = 0;
    }
}

}  // namespace

int CcwTriangle(const TPointDouble& P1, const TPointDouble& P2, const TPointDouble& P3) noexcept {
    const Extended cross = (Extended(P2.x) - P1.x) * (Extended(P3.y) - P1.y) -
                           (Extended(P3.x) - P1.x) * (Extended(P2.y) - P1.y);
    return Sign(cross);
}

bool SegmentsIntersect(const TPointDouble& A1, const TPointDouble& A2, const TPointDouble& B1,
                       const TPointDouble& B2) noexcept {
    // A NaN coordinate makes every orientation 0, which would read as "collinear, intersecting".
    for (const TPointDouble* p : {&A1, &A2, &B1, &B2})
        if (std::isnan(p->x) || std::isnan(p->y)) return false;
    if (CcwTriangle(A1, A2, B1) * CcwTriangle(A1, A2, B2) > 0) return false;
    return CcwTriangle(B1, B2, A1) * CcwTriangle(B1, B2, A2) <= 0;
}

double DistanceToSegment(const TPointDouble& P, const TPointDouble& A, const TPointDouble& B) noexcept {
    const Extended dx = Extended(B.x) - A.x;
    const Extended dy = Extended(B.y) - A.y;
    const Extended length2 = dx * dx + dy * dy;
    const Extended t = length2 == 0 ? -1 : (dx * (Extended(P.x) - A.x) + dy * (Extended(P.y) - A.y)) / length2;
    // A NaN (or an undefined projection on an infinite segment) has no nearest point; without
    // this the comparisons below would silently pick A.
    if (std::isnan(t)) return kNaN;
    Extended nx = A.x, ny = A.y;
    if (t > 1) {
        nx = B.x;
        ny = B.y;
    } else if (t >= 0) {
        nx = A.x + t * dx;
        ny = A.y + t * dy;
    }
    return static_cast<double>(std::hypot(Extended(P.x) - nx, Extended(P.y) - ny));
}

int32_t DistFromRect(const TPoint& P, const TRect& R) noexcept {
    const int64_t px = P.x, py = P.y;
    const int64_t left = R.left, top = R.top, right = R.right, bottom = R.bottom;
    int64_t distance = 0;
    if (left < px && px < right) {
        if (py < top) distance = top - py;
        else if (py > bottom) distance = py - bottom;
    } else if (top < py && py < bottom) {
        distance = px <= left ? left - px : px - right;
    } else {
        const auto corner = [px, py](int64_t cx, int64_t cy) {
            return Round(std::hypot(static_cast<double>(px - cx), static_cast<double>(py - cy)));
        };
        distance = std::min({corner(left, top), corner(right, top), corner(left, bottom),
                             corner(right, bottom)});
    }
    return static_cast<int32_t>(std::min<int64_t>(distance, INT32_MAX));
}

double DistFromEllipse(const TPointDouble& P, double cx, double cy, double a, double b,
                       TPointDouble& Q) noexcept {
    if (std::isnan(P.x) || std::isnan(P.y) || !std::isfinite(cx) || !std::isfinite(cy) ||
        !std::isfinite(a) || !std::isfinite(b)) {
        Q = {kNaN, kNaN};
        return kNaN;
    }
    // A point at infinity is brought in to the largest double: in extended precision that is far
    // enough for the nearest point to be its limit, and nothing overflows.
    const bool atInfinity = std::isinf(P.x) || std::isinf(P.y);
    const auto finite = [](double v) { return std::isinf(v) ? std::copysign(DBL_MAX, v) : v; };
    Extended dx = Extended(finite(P.x)) - cx;
    Extended dy = Extended(finite(P.y)) - cy;
    Extended e0 = std::fabs(Extended(a));
    Extended e1 = std::fabs(Extended(b));
    const bool swapped = e1 > e0;
    if (swapped) {
        std::swap(dx, dy);
        std::swap(e0, e1);
    }
    const Extended y0 = std::fabs(dx);
    const Extended y1 = std::fabs(dy);
    Extended x0 = 0, x1 = 0;
    if (e1 > 0) {
        NearestOnEllipseQuadrant(e0, e1, y0, y1, x0, x1);
    } else {
        // A flat ellipse is the segment [-e0, e0] of its long axis (the centre when e0 = 0 too).
        x0 = std::min(y0, e0);
        x1 = 0;
    }
    const Extended distance = std::hypot(x0 - y0, x1 - y1);
    x0 = std::copysign(x0, dx);
    x1 = std::copysign(x1, dy);
    if (swapped) std::swap(x0, x1);
    Q = {static_cast<double>(cx + x0), static_cast<double>(cy + x1)};
    return atInfinity ? std::numeric_limits<double>::infinity() : static_cast<double>(distance);
}

double AngleToXAxis(double x, double y) noexcept {
    constexpr double kTwoPi = 2 * std::numbers::pi;
    double angle;
    if (std::isnan(x) || std::isnan(y)) return kNaN;
    if (x == 0) {
        angle = y > 0 ? std::numbers::pi / 2 : 3 * std::numbers::pi / 2;
    } else if (std::isinf(x) && std::isinf(y)) {
        angle = std::atan2(y, x);  // y/x would be NaN; the direction is still a diagonal
    } else {
        angle = std::atan(y / x);
        if (x < 0) angle += std::numbers::pi;
    }
    if (angle < 0) angle += kTwoPi;
    else if (angle > kTwoPi) angle -= kTwoPi;
    return angle;
}

bool WithinRect(const TPointDouble& P, const TRectDouble& R) noexcept {
    return std::min(R.x1, R.x2) <= P.x && P.x <= std::max(R.x1, R.x2) &&
           std::min(R.y1, R.y2) <= P.y && P.y <= std::max(R.y1, R.y2);
}

bool ConfinePointToRect(TPointDouble& P, const TRectDouble& R) noexcept {
    const auto confine = [](double& v, double b1, double b2) {
        const double lo = std::min(b1, b2);
        const double hi = std::max(b1, b2);
        if (v < lo) v = lo;
        else if (v > hi) v = hi;
        else return false;
        return true;
    };
    const bool movedX = confine(P.x, R.x1, R.x2);
    const bool movedY = confine(P.y, R.y1, R.y2);
    return movedX || movedY;
}

}  // namespace ozm::math1
