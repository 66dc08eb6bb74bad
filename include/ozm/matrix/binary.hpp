/// @file
/// The record file format of the matrix classes: a 4096-byte header record followed by the cells
/// as little-endian IEEE doubles, 512 per 4096-byte record. Four-dimensional matrices use every
/// header field; three-dimensional ones one time slot; two-dimensional matrices (TMatrix,
/// TIntMatrix) write zero layers and zero time slots.
///
/// Header record (integers 32-bit signed little-endian):
/// @verbatim
///     offset   0  number of columns (NumX)
///     offset   4  number of rows (NumY)
///     offset   8  number of layers (NumZ)
///     offset  12  number of time slots (NumT)
///     offset  16  data identifier: a length byte n (0..255) and n 8-bit characters (256 bytes)
///     offset 272  format code, 1 for this layout
///     offset 276  zero bytes up to 4095
/// @endverbatim
/// Cells: column fastest, then row, layer, time slot; cell k (0-based) lies in record 1 + k div 512
/// at slot k mod 512, that is at byte 4096 + 8k. Writers pad the last record with zero bytes, so a
/// file is always a whole number of records long.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "ozm/platform/stream.hpp"

namespace ozm {

/// The fields of a header record.
struct TMatBinaryHeader {
    /// Number of columns.
    int32_t NumX = 0;
    /// Number of rows.
    int32_t NumY = 0;
    /// Number of layers.
    int32_t NumZ = 0;
    /// Number of time slots.
    int32_t NumT = 0;
    std::string DataID;  ///< bytes as stored; writers cut it to 255 bytes
    /// Format code; 1 for this layout.
    int32_t Format = 1;
};

}  // namespace ozm

namespace ozm::matrix {

/// Size of a record in bytes.
inline constexpr int64_t kBinaryRecordSize = 4096;
/// Cells per record.
inline constexpr int64_t kBinaryCellsPerRecord = 512;
/// The format code of this layout.
inline constexpr int32_t kBinaryFormatCode = 1;
/// Size of the data identifier field, the length byte included.
inline constexpr int64_t kBinaryDataIDField = 256;

/// Writes the 4096-byte header record at the stream's position. EInOutError when it cannot be
/// written.
void WriteBinaryHeader(TStream& Stream, const TMatBinaryHeader& Header);
/// Reads a header record from the stream's position. False (Header unchanged, the stream read
/// as far as it went) when fewer than 4096 bytes are left; read errors of the stream propagate.
bool ReadBinaryHeader(TStream& Stream, TMatBinaryHeader& Header);
/// Opens FileName, reads its header record and closes it again. A file that cannot be opened
/// raises EInOutError; a file shorter than one record gives false.
bool ReadBinaryHeaderFile(const std::string& FileName, TMatBinaryHeader& Header);

/// True when Header describes a two-dimensional matrix file: no layers, no time slots, format 1.
inline bool IsTwoDimensionalHeader(const TMatBinaryHeader& Header) noexcept {
    return Header.NumZ == 0 && Header.NumT == 0 && Header.Format == kBinaryFormatCode;
}

/// Number of cells of a header: NumX * NumY times NumZ and NumT where these are above 0 (a
/// two-dimensional file has NumX * NumY cells). -1 when an extent is negative.
int64_t BinaryCellCount(const TMatBinaryHeader& Header) noexcept;
/// Byte offset of cell k (0-based) in the file: 4096 + 8k.
inline constexpr int64_t BinaryCellOffset(int64_t k) noexcept { return kBinaryRecordSize + 8 * k; }
/// Size in bytes of a file of Cells cells as the writers write it (whole records).
inline constexpr int64_t BinaryFileSize(int64_t Cells) noexcept {
    return kBinaryRecordSize *
           (1 + (Cells + kBinaryCellsPerRecord - 1) / kBinaryCellsPerRecord);
}

/// Writes the cells in order as little-endian doubles (bit for bit, NaN payloads included).
void WriteBinaryCells(TStream& Stream, std::span<const double> Cells);
/// Zero bytes after CellsWritten cells, up to the end of their last record.
void WriteBinaryPadding(TStream& Stream, int64_t CellsWritten);
/// Reads Cells.size() little-endian doubles from the stream's position; returns the number of
/// whole cells read (fewer at the end of the stream, and then the cell after the last whole one
/// may hold part of the bytes that were left).
size_t ReadBinaryCells(TStream& Stream, std::span<double> Cells);

}  // namespace ozm::matrix
