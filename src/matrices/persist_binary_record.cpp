// The header record and the cell encoding of the matrix record files.
#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "ozm/matrix/binary.hpp"

namespace ozm::matrix {

namespace {

constexpr size_t kNumXOffset = 0;
constexpr size_t kNumYOffset = 4;
constexpr size_t kNumZOffset = 8;
constexpr size_t kNumTOffset = 12;
constexpr size_t kDataIDOffset = 16;
constexpr size_t kFormatOffset = 272;
// Cells are converted through a buffer of one record at a time.
constexpr size_t kChunkCells = static_cast<size_t>(kBinaryCellsPerRecord);

void PutInt32(uint8_t* At, int32_t Value) noexcept {
    const auto u = static_cast<uint32_t>(Value);
    for (int k = 0; k < 4; ++k) At[k] = static_cast<uint8_t>(u >> (8 * k));
}

int32_t GetInt32(const uint8_t* At) noexcept {
    uint32_t u = 0;
    for (int k = 0; k < 4; ++k) u |= static_cast<uint32_t>(At[k]) << (8 * k);
    return static_cast<int32_t>(u);
}

void PutDouble(uint8_t* At, double Value) noexcept {
    uint64_t u = std::bit_cast<uint64_t>(Value);
    for (int k = 0; k < 8; ++k) At[k] = static_cast<uint8_t>(u >> (8 * k));
}

double GetDouble(const uint8_t* At) noexcept {
    uint64_t u = 0;
    for (int k = 0; k < 8; ++k) u |= static_cast<uint64_t>(At[k]) << (8 * k);
    return std::bit_cast<double>(u);
}

}  // namespace

void WriteBinaryHeader(TStream& Stream, const TMatBinaryHeader& Header) {
    uint8_t record[kBinaryRecordSize] = {};
    PutInt32(record + kNumXOffset, Header.NumX);
    PutInt32(record + kNumYOffset, Header.NumY);
    PutInt32(record + kNumZOffset, Header.NumZ);
    PutInt32(record + kNumTOffset, Header.NumT);
    const size_t length = std::min<size_t>(Header.DataID.size(), kBinaryDataIDField - 1);
    record[kDataIDOffset] = static_cast<uint8_t>(length);
    std::memcpy(record + kDataIDOffset + 1, Header.DataID.data(), length);
    PutInt32(record + kFormatOffset, Header.Format);
    Stream.WriteBuffer(record, kBinaryRecordSize);
}

bool ReadBinaryHeader(TStream& Stream, TMatBinaryHeader& Header) {
    uint8_t record[kBinaryRecordSize];
    if (Stream.Read(record, kBinaryRecordSize) != kBinaryRecordSize) return false;
    TMatBinaryHeader h;
    h.NumX = GetInt32(record + kNumXOffset);
    h.NumY = GetInt32(record + kNumYOffset);
    h.NumZ = GetInt32(record + kNumZOffset);
    h.NumT = GetInt32(record + kNumTOffset);
    const size_t length = record[kDataIDOffset];  // at most 255: the field always holds it
    h.DataID.assign(reinterpret_cast<const char*>(record + kDataIDOffset + 1), length);
    h.Format = GetInt32(record + kFormatOffset);
    Header = std::move(h);
    return true;
}

bool ReadBinaryHeaderFile(const std::string& FileName, TMatBinaryHeader& Header) {
    TFileStream file(FileName, TFileMode::fmOpenRead);
    return ReadBinaryHeader(file, Header);
}

int64_t BinaryCellCount(const TMatBinaryHeader& Header) noexcept {
    if (Header.NumX < 0 || Header.NumY < 0 || Header.NumZ < 0 || Header.NumT < 0) return -1;
    // NumX * NumY fits in 64 bits; further factors are capped at 2^60 cells, far beyond any file.
    constexpr int64_t kCap = int64_t{1} << 60;
    int64_t count = int64_t{Header.NumX} * Header.NumY;
    for (int32_t extent : {Header.NumZ, Header.NumT}) {
        if (extent <= 0) continue;
        if (count > kCap / extent) return kCap;
        count *= extent;
    }
    return count;
}

void WriteBinaryCells(TStream& Stream, std::span<const double> Cells) {
    uint8_t buffer[kChunkCells * 8];
    for (size_t i = 0; i < Cells.size(); i += kChunkCells) {
        const size_t n = std::min(kChunkCells, Cells.size() - i);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(buffer, Cells.data() + i, n * 8);
        } else {
            for (size_t k = 0; k < n; ++k) PutDouble(buffer + 8 * k, Cells[i + k]);
        }
        Stream.WriteBuffer(buffer, static_cast<int64_t>(n * 8));
    }
}

void WriteBinaryPadding(TStream& Stream, int64_t CellsWritten) {
    const int64_t used = CellsWritten % kBinaryCellsPerRecord;
    if (used == 0) return;
    static constexpr uint8_t kZeros[kBinaryRecordSize] = {};
    Stream.WriteBuffer(kZeros, (kBinaryCellsPerRecord - used) * 8);
}

size_t ReadBinaryCells(TStream& Stream, std::span<double> Cells) {
    if constexpr (std::endian::native == std::endian::little) {
        // The file's bytes are the cells' bytes: read them in place, in one call.
        const int64_t got = Stream.Read(Cells.data(), static_cast<int64_t>(Cells.size() * 8));
        return got > 0 ? static_cast<size_t>(got) / 8 : 0;
    }
    uint8_t buffer[kChunkCells * 8];
    size_t done = 0;
    while (done < Cells.size()) {
        const size_t n = std::min(kChunkCells, Cells.size() - done);
        const int64_t got = Stream.Read(buffer, static_cast<int64_t>(n * 8));
        const size_t whole = got > 0 ? static_cast<size_t>(got) / 8 : 0;
        for (size_t k = 0; k < whole; ++k) Cells[done + k] = GetDouble(buffer + 8 * k);
        done += whole;
        if (whole < n) break;
    }
    return done;
}

}  // namespace ozm::matrix
