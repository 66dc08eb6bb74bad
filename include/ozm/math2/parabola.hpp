// Least-squares parabola, the one routine behind every quadratic fit of the library (the curve
// fit's parabola and the statistics unit's interpolation of tabulated critical values).
#pragma once

#include <span>

namespace ozm::math2 {

// Fits y = k0 + k1·x + k2·x² to the points (x[i], y[i]) by least squares. The abscissae are
// centred and scaled before the normal equations are formed and solved (in extended precision,
// with partial pivoting), so values far from 0 or over several decades stay well conditioned.
// Uses the first min(x.size(), y.size()) points. False (k0, k1, k2 untouched) when fewer than
// three distinct abscissae are given or a value is not finite.
bool FitParabola(std::span<const double> x, std::span<const double> y, double& k0, double& k1,
                 double& k2) noexcept;

}  // namespace ozm::math2
