/// @file
/// A file of mixed binary items and text lines, written in one pass and read back in the same
/// order. Bytes are single bytes, integers 4-byte and doubles 8-byte little-endian, lines end with
/// CR LF (LF or CR alone is accepted on reading). Reads return false at the end of the data, or
/// when fewer bytes than the item needs are left, and leave their value unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ozm/platform/stream.hpp"

namespace ozm {

/// A file of binary items and text lines in a fixed order; the layout is given at the top of this
/// header.
class TMixedFStream : public TObject {
public:
    /// Creates (ForWriting) or opens the file; EInOutError when that fails.
    TMixedFStream(const std::string& FileName, bool ForWriting);
    const char* ClassName() const override { return "TMixedFStream"; }

    /// Write one byte (a 4-byte integer, an 8-byte double).
    ///@{
    void WriteByte(uint8_t Value);
    void WriteInteger(int32_t Value);
    void WriteDouble(double Value);
    ///@}
    /// Writes Line followed by CR LF.
    void WriteLn(const std::string& Line);
    /// Read one byte (a 4-byte integer, an 8-byte double); false when too few bytes are left.
    ///@{
    bool ReadByte(uint8_t& Value);
    bool ReadInteger(int32_t& Value);
    bool ReadDouble(double& Value);
    ///@}
    /// Reads up to the next line end (not included); false when nothing is left.
    bool ReadLn(std::string& Line);
    /// True when the position stands at the end of the file.
    bool Eof();
    /// Flushes written data; EInOutError when that fails.
    void Close();

private:
    std::unique_ptr<TFileStream> FStream;
};

}  // namespace ozm
