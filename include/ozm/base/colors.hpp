/// @file
/// Colour conversions of the base module. Channels are 0..255.
#pragma once

#include <cstdint>

#include "ozm/platform/bitmap.hpp"

namespace ozm {

/// Luma of ITU-R BT.601: 0.299 R + 0.587 G + 0.114 B, in 0..255.
///@{
double RGBtoGray(uint8_t R, uint8_t G, uint8_t B) noexcept;
double RGBtoGray(TColor Color) noexcept;
///@}

/// Hue in degrees [0, 360) (0 for grey), saturation 1 - min/mean in [0, 1] and intensity, the
/// mean of the three channels, in [0, 255].
///@{
void RGBtoHSI(uint8_t R, uint8_t G, uint8_t B, double& Hue, double& Saturation, double& Intensity) noexcept;
void RGBtoHSI(TColor Color, double& Hue, double& Saturation, double& Intensity) noexcept;
///@}

}  // namespace ozm
