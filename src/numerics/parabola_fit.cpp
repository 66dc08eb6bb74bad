// The least-squares parabola on centred data.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "ozm/math2/parabola.hpp"

namespace ozm::math2 {

void FitParabolaCentred(const double* x, const double* y, size_t Count, double MeanX, double MeanY,
                        double& k0, double& k1, double& k2, double& FitQual) noexcept {
    using ld = long double;
    const ld n = static_cast<ld>(Count);
    ld su = 0, sv = 0, suu = 0, svv = 0, suv = 0, suuv = 0, suuu = 0, suuuu = 0;
    for (size_t i = 0; i < Count; ++i) {
        const ld u = x[i] - MeanX, v = y[i] - MeanY, uu = u * u;
        su += u;
        sv += v;
        suu += uu;
        svv += v * v;
        suv += u * v;
        suuv += uu * v;
        suuu += uu * u;
        suuuu += uu * uu;
    }
    const ld c = n * suu - su * su;
    const ld A = n * suuv - suu * sv;
    const ld g = n * suuu - suu * su;
    const ld B = n * suv - su * sv;
    const ld e = n * suuuu - suu * suu;
    const ld a2 = g * g != c * e ? (c * A - g * B) / (c * e - g * g) : 0.0L;
    const ld a1 = c != 0 ? (B - g * a2) / c : 0.0L;
    const ld a0 = (sv - a1 * su - a2 * suu) / n;
    k2 = static_cast<double>(a2);
    k1 = static_cast<double>(a1 - 2 * a2 * MeanX);
    k0 = static_cast<double>(a2 * MeanX * MeanX + a0 - a1 * MeanX + MeanY);
    const ld q = svv - sv * sv / n;
    FitQual = q != 0 ? static_cast<double>((sv * a0 + a1 * suv + a2 * suuv - sv * sv / n) / q)
                     : 1.0;
}

bool FitParabola(std::span<const double> x, std::span<const double> y, double& k0, double& k1,
                 double& k2) noexcept {
    const size_t n = std::min(x.size(), y.size());
    if (n < 3) return false;
    // Three distinct abscissae at least (a parabola through fewer is not determined).
    double first = x[0], second = x[0];
    bool third = false;
    long double meanX = 0, meanY = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) return false;
        meanX += x[i];
        meanY += y[i];
        if (x[i] != first && second == first)
            second = x[i];
        else if (x[i] != first && x[i] != second)
            third = true;
    }
    if (!third) return false;
    double q = 0;
    FitParabolaCentred(x.data(), y.data(), n, static_cast<double>(meanX / n),
                       static_cast<double>(meanY / n), k0, k1, k2, q);
    return true;
}

}  // namespace ozm::math2
