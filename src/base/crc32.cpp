#include "ozm/base/crc32.hpp"

#include <array>

namespace ozm {

namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

uint32_t CalcNextCRC32(uint8_t b, uint32_t crc) noexcept {
    return kCrcTable[(crc ^ b) & 0xFFu] ^ (crc >> 8);
}

uint32_t CRC32OfBlock(const void* Data, size_t Count) noexcept {
    const auto* p = static_cast<const uint8_t*>(Data);
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < Count; ++i) crc = kCrcTable[(crc ^ p[i]) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

}  // namespace ozm
