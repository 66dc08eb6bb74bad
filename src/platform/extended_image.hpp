// The arithmetic conversion between a long double and the 10-byte x87 extended image, used where
// the host's long double is not the x87 format. It is compiled on every host, so that the tests
// can hold it against the native image on x86.
#pragma once

#include <cstdint>

namespace ozm::detail {

// Rounds towards zero where the host's long double carries more bits than the image.
void EncodeExtendedPortable(long double Value, uint8_t (&Bytes)[10]) noexcept;
// Encodings the x87 unit refuses (an integer bit of 0 with a non-zero exponent) read as NaN.
long double DecodeExtendedPortable(const uint8_t (&Bytes)[10]) noexcept;

}  // namespace ozm::detail
