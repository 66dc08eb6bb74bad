/// @file
/// Least-squares parabola, the one routine behind every quadratic fit of the library (the curve
/// fit's parabola and the statistics unit's interpolation of tabulated critical values).
#pragma once

#include <cstddef>
#include <span>

namespace ozm::math2 {

/// Fits y = k0 + k1·x + k2·x² by least squares on the points centred on the means MeanX, MeanY:
/// with u = x - MeanX, v = y - MeanY and the sums of n, u, v, u², v², uv, u²v, u³, u⁴ (extended
/// precision), c = nΣu² - (Σu)², A = nΣu²v - Σu²Σv, g = nΣu³ - Σu²Σu, B = nΣuv - ΣuΣv,
/// e = nΣu⁴ - (Σu²)²: a2 = (cA - gB)/(ce - g²) (0 when ce = g²), a1 = (B - g a2)/c (0 when c = 0),
/// a0 = (Σv - a1Σu - a2Σu²)/n, and back to x: k2 = a2, k1 = a1 - 2 a2 MeanX,
/// k0 = a2 MeanX² + a0 - a1 MeanX + MeanY. FitQual = (Σv a0 + a1Σuv + a2Σu²v - (Σv)²/n) / Q with
/// Q = Σv² - (Σv)²/n, or 1 when Q = 0. Centring keeps data far from the origin well conditioned.
/// Count >= 1 points are read from x and y.
void FitParabolaCentred(const double* x, const double* y, size_t Count, double MeanX, double MeanY,
                        double& k0, double& k1, double& k2, double& FitQual) noexcept;

/// The same fit of the first min(x.size(), y.size()) points, centred on their own means. False
/// (k0, k1, k2 untouched) when fewer than three distinct abscissae are given or a value is not
/// finite.
bool FitParabola(std::span<const double> x, std::span<const double> y, double& k0, double& k1,
                 double& k2) noexcept;

}  // namespace ozm::math2
