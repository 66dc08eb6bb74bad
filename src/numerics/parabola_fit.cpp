// Least-squares parabola through centred, scaled abscissae.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "ozm/math2/parabola.hpp"

namespace ozm::math2 {

bool FitParabola(std::span<const double> x, std::span<const double> y, double& k0, double& k1,
                 double& k2) noexcept {
    using ld = long double;
    const size_t n = std::min(x.size(), y.size());
    if (n < 3) return false;
    ld lo = x[0], hi = x[0], mean = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) return false;
        lo = std::min<ld>(lo, x[i]);
        hi = std::max<ld>(hi, x[i]);
        mean += x[i];
    }
    mean /= static_cast<ld>(n);
    const ld scale = (hi - lo) / 2;
    if (!(scale > 0)) return false;
    // Normal equations in t = (x - mean)/scale: A c = r with A[i][j] = Σ t^(i+j), r[i] = Σ y t^i.
    ld s[5] = {0, 0, 0, 0, 0}, r[3] = {0, 0, 0};
    for (size_t i = 0; i < n; ++i) {
        const ld t = (x[i] - mean) / scale;
        ld p = 1;
        for (int j = 0; j < 5; ++j) {
            if (j < 3) r[j] += y[i] * p;
            s[j] += p;
            p *= t;
        }
    }
    ld a[3][4];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) a[i][j] = s[i + j];
        a[i][3] = r[i];
    }
    for (int col = 0; col < 3; ++col) {
        int piv = col;
        for (int i = col + 1; i < 3; ++i)
            if (std::fabs(a[i][col]) > std::fabs(a[piv][col])) piv = i;
        // Fewer than three distinct abscissae leave the system singular (to rounding).
        if (!(std::fabs(a[piv][col]) > 1e-12L * static_cast<ld>(n))) return false;
        if (piv != col)
            for (int j = 0; j < 4; ++j) std::swap(a[piv][j], a[col][j]);
        for (int i = col + 1; i < 3; ++i) {
            const ld f = a[i][col] / a[col][col];
            for (int j = col; j < 4; ++j) a[i][j] -= f * a[col][j];
        }
    }
    ld c[3];
    for (int i = 2; i >= 0; --i) {
        ld v = a[i][3];
        for (int j = i + 1; j < 3; ++j) v -= a[i][j] * c[j];
        c[i] = v / a[i][i];
    }
    // Back to powers of x: c0 + c1 t + c2 t², t = (x - mean)/scale.
    const ld b1 = c[1] / scale, b2 = c[2] / (scale * scale);
    k0 = static_cast<double>(c[0] - b1 * mean + b2 * mean * mean);
    k1 = static_cast<double>(b1 - 2 * b2 * mean);
    k2 = static_cast<double>(b2);
    return true;
}

}  // namespace ozm::math2
