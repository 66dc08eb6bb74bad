// Fuzz target of the TBitmap JPEG decoder (libjpeg; corrupt-data warnings are errors), fed the
// input bytes directly. A decoded image must have the pixels its size says, within the pixel cap;
// the format is lossy, so what the writer makes of it must only decode again at the same size.
#include "fuzz_bitmap_support.hpp"

using namespace ozm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const auto encode = [](const imaging::TImage& im, std::vector<uint8_t>& bytes) {
        return imaging::EncodeJPEG(im.Width, im.Height, im.Pixels, 75, bytes);
    };
    // Encoding is slow: images above 2^16 pixels are left to the decoder checks.
    fuzzing::CheckImageDecoder(Data, Size, imaging::DecodeJPEG, {encode, false, int64_t{1} << 16});
    return 0;
}
