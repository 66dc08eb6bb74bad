#include "ozm/base/colors.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ozm {

double RGBtoGray(uint8_t R, uint8_t G, uint8_t B) noexcept { return 0.299 * R + 0.587 * G + 0.114 * B; }

double RGBtoGray(TColor Color) noexcept { return RGBtoGray(RedOf(Color), GreenOf(Color), BlueOf(Color)); }

void RGBtoHSI(uint8_t R, uint8_t G, uint8_t B, double& Hue, double& Saturation, double& Intensity) noexcept {
    const double r = R, g = G, b = B;
    Intensity = (r + g + b) / 3.0;
    const double lowest = std::min({r, g, b});
    Saturation = Intensity > 0 ? 1.0 - lowest / Intensity : 0.0;
    // The geometric hue of the HSI model: the angle of the colour in the chromaticity plane.
    const double num = 0.5 * ((r - g) + (r - b));
    const double den = std::sqrt((r - g) * (r - g) + (r - b) * (g - b));
    if (den <= 0) {
        Hue = 0;  // grey has no hue
        return;
    }
    double theta = std::acos(std::clamp(num / den, -1.0, 1.0)) * 180.0 / std::numbers::pi;
    Hue = b > g ? 360.0 - theta : theta;
    if (Hue >= 360.0) Hue -= 360.0;
}

void RGBtoHSI(TColor Color, double& Hue, double& Saturation, double& Intensity) noexcept {
    RGBtoHSI(RedOf(Color), GreenOf(Color), BlueOf(Color), Hue, Saturation, Intensity);
}

}  // namespace ozm
