/// @file
/// Typed values in byte streams. Integers are 4-byte little-endian; extended reals are their
/// 10-byte x87 image. Reads return false (value unchanged) when the stream holds too few bytes.
#pragma once

#include <cstdint>

#include "ozm/platform/stream.hpp"

namespace ozm {

/// Write (read) an extended real as its 10-byte image.
///@{
void WriteExtendedToStream(TStream& Stream, long double Value);
bool ReadExtendedFromStream(TStream& Stream, long double& Value);
///@}
/// Write (read) a 32-bit integer.
///@{
void WriteLongintToStream(TStream& Stream, int32_t Value);
bool ReadLongintFromStream(TStream& Stream, int32_t& Value);
///@}

/// Sizes that files and streams announce. A reader never allocates on a file's word alone: the
/// values it has to find must be backed in full by the bytes the input holds (how many bytes a
/// value takes at least is the format's business), and storage beyond them (a container grown
/// to the announced last index of a stored range) is granted up to the larger of this floor and
/// the backed count. 2^20 elements are 8 MiB of doubles.
inline constexpr int64_t kAnnouncedCountFloor = int64_t{1} << 20;

/// True when Count elements may be allocated for input that backs Backed values:
/// 0 <= Count <= max(kAnnouncedCountFloor, Backed).
constexpr bool AnnouncedCountIsBacked(int64_t Count, int64_t Backed) noexcept {
    return Count >= 0 && Count <= (Backed > kAnnouncedCountFloor ? Backed : kAnnouncedCountFloor);
}

}  // namespace ozm
