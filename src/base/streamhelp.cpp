#include "ozm/base/streamhelp.hpp"

namespace ozm {

void WriteExtendedToStream(TStream& Stream, long double Value) {
    uint8_t bytes[10];
    EncodeExtended(Value, bytes);
    Stream.WriteBuffer(bytes, sizeof bytes);
}

bool ReadExtendedFromStream(TStream& Stream, long double& Value) {
    uint8_t bytes[10];
    if (Stream.Read(bytes, sizeof bytes) != sizeof bytes) return false;
    Value = DecodeExtended(bytes);
    return true;
}

void WriteLongintToStream(TStream& Stream, int32_t Value) {
    const auto u = static_cast<uint32_t>(Value);
    const uint8_t bytes[4] = {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
    Stream.WriteBuffer(bytes, sizeof bytes);
}

bool ReadLongintFromStream(TStream& Stream, int32_t& Value) {
    uint8_t b[4];
    if (Stream.Read(b, sizeof b) != sizeof b) return false;
    Value = static_cast<int32_t>(uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) |
                                 (uint32_t(b[3]) << 24));
    return true;
}

}  // namespace ozm
