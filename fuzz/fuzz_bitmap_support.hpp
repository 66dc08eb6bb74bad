// The check the three image targets share: an image decoded from the input has the pixels its
// size says, within the pixel cap, and what the encoder writes of it decodes again.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "fuzz_support.hpp"
#include "platform/image_codecs.hpp"

namespace ozm::fuzzing {

using ImageDecoder = bool (*)(std::span<const uint8_t>, imaging::TImage&);
using ImageEncoder = bool (*)(const imaging::TImage&, std::vector<uint8_t>&);

struct ImageRoundTrip {
    ImageEncoder Encode;
    bool Exact;  // pixel for pixel, else only the size must come back
    int64_t MaxPixels = std::numeric_limits<int64_t>::max();  // larger images skip the round trip
};

inline void CheckImageDecoder(const uint8_t* Data, size_t Size, ImageDecoder Decode,
                              const ImageRoundTrip& Trip) {
    imaging::TImage image;
    if (!Decode(std::span<const uint8_t>(Data, Size), image)) return;
    const int64_t pixels = int64_t{image.Width} * image.Height;
    Require(image.Width > 0 && image.Height > 0 && pixels <= imaging::kMaxPixels &&
                image.Pixels.size() == size_t(pixels),
            "decoded image of inconsistent size");
    if (pixels > Trip.MaxPixels) return;
    std::vector<uint8_t> bytes;
    Require(Trip.Encode(image, bytes), "decoded image not encoded");
    imaging::TImage back;
    Require(Decode(bytes, back), "encoded image does not decode");
    Require(back.Width == image.Width && back.Height == image.Height,
            "round trip changed the size");
    if (Trip.Exact) Require(back.Pixels == image.Pixels, "round trip changed the image");
}

}  // namespace ozm::fuzzing
