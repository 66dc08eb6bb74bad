// Fuzz target of the TBitmap PNG decoder (libpng), fed the input bytes directly. A decoded image
// must have the pixels its size says, within the pixel cap.
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_support.hpp"
#include "platform/image_codecs.hpp"

using namespace ozm;
using ozm::fuzzing::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    imaging::TImage image;
    if (!imaging::DecodePNG(std::span<const uint8_t>(Data, Size), image)) return 0;
    Require(image.Width > 0 && image.Height > 0 &&
                int64_t{image.Width} * image.Height <= imaging::kMaxPixels &&
                image.Pixels.size() == size_t(image.Width) * size_t(image.Height),
            "decoded image of inconsistent size");
    // The writer and the reader are exact: the image must come back pixel for pixel.
    std::vector<uint8_t> bytes;
    Require(imaging::EncodePNG(image.Width, image.Height, image.Pixels, bytes),
            "decoded image not encoded");
    imaging::TImage back;
    Require(imaging::DecodePNG(bytes, back), "encoded image does not decode");
    Require(back.Width == image.Width && back.Height == image.Height && back.Pixels == image.Pixels,
            "round trip changed the image");
    return 0;
}
