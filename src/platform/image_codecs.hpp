// The image codecs under TBitmap, on whole files in memory: the public loaders and writers read
// or write the file and call these; the fuzz targets feed them their inputs directly.
//
// What a decoder allocates is bounded by its input before it is allocated:
// - BMP: the file must hold every pixel row before the pixels are allocated;
// - PNG: the compressed image data (IDAT) must be able to inflate to the pixel rows (deflate
//   expands at most 1032 times), checked before the pixels are allocated;
// - JPEG: the pixels grow row by row as they are decoded, so a file that ends early fails
//   before it costs memory for rows it does not hold; libjpeg's own working memory for
//   multi-scan files is held to max(64 MiB, 1024 bytes per file byte) (a Huffman-coded block
//   of 128 coefficient bytes takes at least one bit per scan), and at most 1000 scans are read;
// - all: at most kMaxPixels pixels.
// libjpeg's warnings about corrupt data (a damaged or truncated scan, which it would fill with
// grey) are errors here. Arithmetic-coded JPEGs are refused: that decoder reads a scan cut short
// as zeros without any warning.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ozm/platform/bitmap.hpp"

namespace ozm::imaging {

// The most pixels a bitmap may have (1 GiB of 32-bit colours).
inline constexpr int64_t kMaxPixels = int64_t{1} << 28;
// The most scans a JPEG file may have; a progressive file has about ten.
inline constexpr int kMaxJpegScans = 1000;

struct TImage {
    int Width = 0;
    int Height = 0;
    std::vector<TColor> Pixels;  // row after row, top row first
};

// False for a damaged, truncated, unsupported (BMP: other than 24-bit uncompressed) or too
// large image; Image is then unspecified. Exhausted memory raises std::bad_alloc.
bool DecodeBMP(std::span<const uint8_t> Bytes, TImage& Image);
bool DecodePNG(std::span<const uint8_t> Bytes, TImage& Image);
bool DecodeJPEG(std::span<const uint8_t> Bytes, TImage& Image);

// The file of a Width x Height image (both above 0, Pixels row after row): BMP 24-bit
// bottom-up, PNG 8-bit RGB, JPEG with Quality 1..100. False when the encoder fails.
bool EncodeBMP(int Width, int Height, std::span<const TColor> Pixels, std::vector<uint8_t>& Bytes);
bool EncodePNG(int Width, int Height, std::span<const TColor> Pixels, std::vector<uint8_t>& Bytes);
bool EncodeJPEG(int Width, int Height, std::span<const TColor> Pixels, int Quality,
                std::vector<uint8_t>& Bytes);

}  // namespace ozm::imaging
