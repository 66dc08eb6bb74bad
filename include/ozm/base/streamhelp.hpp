// Typed values in byte streams. Integers are 4-byte little-endian; extended reals are their
// 10-byte x87 image. Reads return false (value unchanged) when the stream holds too few bytes.
#pragma once

#include <cstdint>

#include "ozm/platform/stream.hpp"

namespace ozm {

void WriteExtendedToStream(TStream& Stream, long double Value);
bool ReadExtendedFromStream(TStream& Stream, long double& Value);
void WriteLongintToStream(TStream& Stream, int32_t Value);
bool ReadLongintFromStream(TStream& Stream, int32_t& Value);

}  // namespace ozm
