/// @file
/// A bitmap of 32-bit colours (0x00BBGGRR) with BMP, PNG and JPEG files. There is no clipboard on a
/// server: CopyToClipboard reports failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ozm/platform/object.hpp"

namespace ozm {

/// A colour as 0x00BBGGRR: red in the low byte, then green and blue.
using TColor = uint32_t;

/// The colour of the given red, green and blue intensities.
constexpr TColor RGBColor(uint8_t R, uint8_t G, uint8_t B) noexcept {
    return static_cast<TColor>(R) | (static_cast<TColor>(G) << 8) | (static_cast<TColor>(B) << 16);
}
/// The red (green, blue) intensity of a colour.
///@{
constexpr uint8_t RedOf(TColor C) noexcept { return static_cast<uint8_t>(C & 0xFF); }
constexpr uint8_t GreenOf(TColor C) noexcept { return static_cast<uint8_t>((C >> 8) & 0xFF); }
constexpr uint8_t BlueOf(TColor C) noexcept { return static_cast<uint8_t>((C >> 16) & 0xFF); }
///@}

/// An RGB image in memory, 8 bits per channel, with BMP, PNG and JPEG files. X runs 0..Width-1, Y
/// 0..Height-1.
class TBitmap : public TObject {
public:
    TBitmap() = default;
    /// A black bitmap of the given size (see SetSize).
    TBitmap(int Width, int Height) { SetSize(Width, Height); }
    const char* ClassName() const override { return "TBitmap"; }

    /// Width in pixels.
    int Width() const noexcept { return FWidth; }
    /// Height in pixels.
    int Height() const noexcept { return FHeight; }
    /// New pixels are black; negative sizes count as 0. Sizes whose pixel count exceeds 2^28
    /// raise EInOutError "Bitmap too large".
    void SetSize(int Width, int Height);
    /// Outside the bitmap a read gives 0 and a write is ignored.
    ///@{
    TColor Pixel(int X, int Y) const noexcept;
    void SetPixel(int X, int Y, TColor Color) noexcept;
    ///@}
    /// Every pixel := Color.
    void Fill(TColor Color) noexcept;

    /// Writers raise EInOutError "Cannot create file \"<name>\"" or "Error writing file
    /// \"<name>\""; an empty bitmap cannot be written ("Cannot write an empty bitmap").
    void SaveToBMP(const std::string& FileName) const;   ///< 24-bit, bottom-up
    void SaveToPNG(const std::string& FileName) const;   ///< 8-bit RGB
    /// Baseline JPEG of the given quality (held to 1..100).
    void SaveToJPEG(const std::string& FileName, int Quality = 90) const;
    /// Readers replace size and pixels; a missing, damaged, truncated or unsupported file (BMP:
    /// 24-bit uncompressed only; JPEG: Huffman-coded only) raises EInOutError "Cannot read image file \"<name>\"" and leaves
    /// the bitmap as it was. Images of more than 2^28 pixels are refused the same way. Memory
    /// follows the file: BMP pixel rows and PNG image data must be present before the pixels
    /// are allocated, a JPEG grows row by row, and libjpeg's warnings about corrupt or missing
    /// scan data are errors (see docs/ARCHITECTURE.md, image readers).
    ///@{
    void LoadFromBMP(const std::string& FileName);
    void LoadFromPNG(const std::string& FileName);
    void LoadFromJPEG(const std::string& FileName);
    ///@}

    /// Always false: no clipboard exists here.
    bool CopyToClipboard() const noexcept { return false; }

private:
    int FWidth = 0;
    int FHeight = 0;
    std::vector<TColor> FPixels;  // row after row, top row first
};

}  // namespace ozm
