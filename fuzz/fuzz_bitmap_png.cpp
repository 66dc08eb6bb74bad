// Fuzz target of the TBitmap PNG decoder (libpng), fed the input bytes directly. A decoded image
// must have the pixels its size says, within the pixel cap, and come back pixel for pixel through
// the writer.
#include "fuzz_bitmap_support.hpp"

using namespace ozm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const auto encode = [](const imaging::TImage& im, std::vector<uint8_t>& bytes) {
        return imaging::EncodePNG(im.Width, im.Height, im.Pixels, bytes);
    };
    fuzzing::CheckImageDecoder(Data, Size, imaging::DecodePNG, {encode, true});
    return 0;
}
