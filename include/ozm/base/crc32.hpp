/// @file
/// CRC-32 (the reflected polynomial 0xEDB88320 of zlib, Ethernet and PNG), one byte at a time. A
/// checksum starts the register at 0xFFFFFFFF and complements it after the last byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ozm {

/// The register after feeding byte b into register crc.
uint32_t CalcNextCRC32(uint8_t b, uint32_t crc) noexcept;
/// The complete checksum of a block (initial 0xFFFFFFFF, final complement).
uint32_t CRC32OfBlock(const void* Data, size_t Count) noexcept;

}  // namespace ozm
