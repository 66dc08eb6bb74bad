/// @file
/// Byte streams: TStream with position and size, an in-memory stream and a file stream. Binary
/// formats of the library are little-endian; an extended real is its 10-byte x87 image
/// (EncodeExtended/DecodeExtended), whatever the host's long double is.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ozm/platform/object.hpp"

namespace ozm {

/// The reference point of TStream::Seek: the start, the current position or the end of the stream.
enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

/// A byte stream with a position and a size; reads and writes move the position.
class TStream : public TObject {
public:
    const char* ClassName() const override { return "TStream"; }

    /// Read up to Count bytes; returns the number read (0 at the end or for Count <= 0).
    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    /// Write Count bytes; returns the number written (0 for Count <= 0).
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    /// Moves the position and returns the new one. A target beyond the end is allowed (a write
    /// there extends the stream, zero-filled); one before the start, or beyond the 64-bit range, is
    /// rejected with EInOutError "Invalid stream position".
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
    /// The number of bytes in the stream.
    virtual int64_t Size() = 0;
    /// Cuts or extends the stream to NewSize bytes (a negative size counts as 0); new bytes are 0.
    virtual void SetSize(int64_t NewSize) = 0;

    /// The current position (bytes from the start).
    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    /// Moves to Pos bytes from the start, as Seek does.
    void SetPosition(int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }

    /// Read or write exactly Count bytes; EInOutError "Stream read error" / "Stream write error".
    /// Count <= 0 does nothing. After a short read the position stands after the bytes read.
    ///@{
    void ReadBuffer(void* Buffer, int64_t Count);
    void WriteBuffer(const void* Buffer, int64_t Count);
    ///@}
    /// Copies Count bytes from Source's position (with Count 0: all of Source, from its start) and
    /// returns the count; a negative Count copies nothing. Too few bytes in Source raise
    /// EInOutError "Stream read error".
    int64_t CopyFrom(TStream& Source, int64_t Count);
};

/// A stream held in memory.
class TMemoryStream : public TStream {
public:
    const char* ClassName() const override { return "TMemoryStream"; }

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override { return static_cast<int64_t>(FData.size()); }
    /// Cuts or extends the content to NewSize bytes (a negative size counts as 0), new bytes 0; a
    /// position beyond the new end moves to the end.
    void SetSize(int64_t NewSize) override;

    /// Empties the stream and frees its memory; the position becomes 0.
    void Clear();
    /// The content (Size() bytes); invalidated by any write or resize.
    const uint8_t* Memory() const noexcept { return FData.data(); }
    /// Writes the whole content to a new file / replaces the content by a file's bytes (position
    /// 0). Errors raise EInOutError; a failed load leaves the stream as it was.
    ///@{
    void SaveToFile(const std::string& FileName);
    void LoadFromFile(const std::string& FileName);
    ///@}

private:
    std::vector<uint8_t> FData;
    int64_t FPosition = 0;
};

/// How TFileStream opens its file (see there).
enum class TFileMode { fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite };

/// A buffered file. fmCreate creates or truncates the file for reading and writing; fmOpenWrite
/// and fmOpenReadWrite open an existing file for both. Failure to open (also: the name is a
/// folder) raises EInOutError ("Cannot create file \"<name>\"" or "Cannot open file \"<name>\"").
/// Writes on a file opened with fmOpenRead fail (WriteBuffer raises). The destructor closes
/// without reporting errors: call Flush first when the data matters.
class TFileStream : public TStream {
public:
    /// Opens or creates FileName in the given mode.
    TFileStream(const std::string& FileName, TFileMode Mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    const char* ClassName() const override { return "TFileStream"; }

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t Size() override;
    void SetSize(int64_t NewSize) override;

    /// The name the stream was opened with.
    const std::string& FileName() const noexcept { return FFileName; }
    /// Flushes buffered writes; EInOutError when the data cannot be written.
    void Flush();

private:
    enum class LastOp { None, Read, Write };
    void Switch(LastOp Next);

    std::FILE* FFile = nullptr;
    std::string FFileName;
    LastOp FLastOp = LastOp::None;
};

/// 10-byte little-endian x87 extended image of a long double and back. Decoding maps the encodings
/// the x87 unit refuses (unnormals, pseudo-infinities) to NaN; every other image reads back bit
/// for bit on x86.
///@{
void EncodeExtended(long double Value, uint8_t (&Bytes)[10]) noexcept;
long double DecodeExtended(const uint8_t (&Bytes)[10]) noexcept;
///@}

}  // namespace ozm
