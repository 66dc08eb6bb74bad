#include "ozm/platform/stream.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "ozm/platform/exceptions.hpp"
#include "extended_image.hpp"

namespace ozm {

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
    if (Count > 0 && Read(Buffer, Count) != Count) throw EInOutError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
    if (Count > 0 && Write(Buffer, Count) != Count) throw EInOutError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
    if (Count < 0) return 0;
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.Size();
    }
    // On the heap: worker threads may run with small stacks.
    std::vector<char> buf(static_cast<size_t>(std::min<int64_t>(Count, 65536)));
    int64_t left = Count;
    while (left > 0) {
        const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(buf.size()));
        Source.ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        left -= n;
    }
    return Count;
}

// --- TMemoryStream -------------------------------------------------------------------------

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
    const int64_t size = Size();
    if (Count <= 0 || FPosition >= size) return 0;
    const int64_t n = std::min(Count, size - FPosition);
    std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0) return 0;
    // A position far beyond the end (Seek allows it) must not overflow the arithmetic below.
    if (Count > static_cast<int64_t>(FData.max_size()) ||
        FPosition > static_cast<int64_t>(FData.max_size()) - Count)
        return 0;
    const int64_t end = FPosition + Count;
    if (end > Size()) FData.resize(static_cast<size_t>(end));
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = end;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    int64_t base = 0;
    if (Origin == TSeekOrigin::soCurrent) base = FPosition;
    if (Origin == TSeekOrigin::soEnd) base = Size();
    if (Offset > 0 && base > std::numeric_limits<int64_t>::max() - Offset)
        throw EInOutError("Invalid stream position");
    const int64_t target = base + Offset;
    if (target < 0) throw EInOutError("Invalid stream position");
    FPosition = target;  // beyond the end is allowed: a write there extends the stream
    return FPosition;
}

void TMemoryStream::SetSize(int64_t NewSize) {
    FData.resize(static_cast<size_t>(std::max<int64_t>(NewSize, 0)));
    FPosition = std::min(FPosition, Size());
}

void TMemoryStream::Clear() {
    FData.clear();
    FData.shrink_to_fit();
    FPosition = 0;
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
    TFileStream file(FileName, TFileMode::fmCreate);
    file.WriteBuffer(FData.data(), Size());
    file.Flush();
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
    TFileStream file(FileName, TFileMode::fmOpenRead);
    const int64_t size = file.Size();
    if (size < 0) throw EInOutError("Stream read error");
    std::vector<uint8_t> data(static_cast<size_t>(size));
    file.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
    FData.swap(data);
    FPosition = 0;
}

// --- TFileStream ---------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName) {
    const char* mode = "rb";
    switch (Mode) {
        case TFileMode::fmCreate: mode = "w+b"; break;
        case TFileMode::fmOpenRead: mode = "rb"; break;
        case TFileMode::fmOpenWrite:
        case TFileMode::fmOpenReadWrite: mode = "r+b"; break;
    }
    FFile = std::fopen(FileName.c_str(), mode);
    // fopen opens a folder for reading on POSIX systems; every read would then fail.
    struct stat info;
    if (FFile && (fstat(fileno(FFile), &info) != 0 || S_ISDIR(info.st_mode))) {
        std::fclose(FFile);
        FFile = nullptr;
    }
    if (!FFile) {
        throw EInOutError((Mode == TFileMode::fmCreate ? "Cannot create file \"" : "Cannot open file \"") +
                          FileName + "\"");
    }
}

TFileStream::~TFileStream() {
    if (FFile) std::fclose(FFile);
}

void TFileStream::Switch(LastOp Next) {
    // C streams need a positioning call between reading and writing.
    if (FLastOp != LastOp::None && FLastOp != Next) std::fseek(FFile, 0, SEEK_CUR);
    FLastOp = Next;
}

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
    if (Count <= 0) return 0;
    Switch(LastOp::Read);
    return static_cast<int64_t>(std::fread(Buffer, 1, static_cast<size_t>(Count), FFile));
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0) return 0;
    Switch(LastOp::Write);
    return static_cast<int64_t>(std::fwrite(Buffer, 1, static_cast<size_t>(Count), FFile));
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    const int whence = Origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : Origin == TSeekOrigin::soCurrent   ? SEEK_CUR
                                                          : SEEK_END;
    if (!(Origin == TSeekOrigin::soCurrent && Offset == 0)) {
        if (fseeko(FFile, static_cast<off_t>(Offset), whence) != 0)
            throw EInOutError("Invalid stream position");
        FLastOp = LastOp::None;
    }
    return static_cast<int64_t>(ftello(FFile));
}

int64_t TFileStream::Size() {
    const off_t here = ftello(FFile);
    fseeko(FFile, 0, SEEK_END);
    const off_t size = ftello(FFile);
    fseeko(FFile, here, SEEK_SET);
    FLastOp = LastOp::None;
    return static_cast<int64_t>(size);
}

void TFileStream::SetSize(int64_t NewSize) {
    Flush();
    if (ftruncate(fileno(FFile), static_cast<off_t>(std::max<int64_t>(NewSize, 0))) != 0)
        throw EInOutError("Error writing file \"" + FFileName + "\"");
}

void TFileStream::Flush() {
    if (std::fflush(FFile) != 0) throw EInOutError("Error writing file \"" + FFileName + "\"");
}

// --- extended reals ------------------------------------------------------------------------

namespace detail {

void EncodeExtendedPortable(long double Value, uint8_t (&Bytes)[10]) noexcept {
    uint16_t sign_exp = std::signbit(Value) ? 0x8000 : 0;
    uint64_t mantissa = 0;
    const long double a = std::fabs(Value);
    if (std::isnan(Value)) {
        sign_exp |= 0x7FFF;
        mantissa = 0xC000000000000000ULL;
    } else if (std::isinf(Value)) {
        sign_exp |= 0x7FFF;
        mantissa = 0x8000000000000000ULL;
    } else if (a != 0) {
        int e = 0;
        long double m = std::frexp(a, &e);  // a = m * 2^e, m in [0.5, 1)
        int biased = e - 1 + 16383;
        if (biased <= 0) {  // subnormal in the extended format
            m = std::ldexp(m, biased - 1);
            biased = 0;
        }
        if (biased >= 0x7FFF) {
            sign_exp |= 0x7FFF;
            mantissa = 0x8000000000000000ULL;
        } else {
            sign_exp |= static_cast<uint16_t>(biased);
            // m < 1, so the product stays below 2^64 (a cast truncates any further bits).
            mantissa = static_cast<uint64_t>(std::ldexp(m, 64));
        }
    }
    for (int i = 0; i < 8; ++i) Bytes[i] = static_cast<uint8_t>(mantissa >> (8 * i));
    Bytes[8] = static_cast<uint8_t>(sign_exp & 0xFF);
    Bytes[9] = static_cast<uint8_t>(sign_exp >> 8);
}

long double DecodeExtendedPortable(const uint8_t (&Bytes)[10]) noexcept {
    uint64_t mantissa = 0;
    for (int i = 0; i < 8; ++i) mantissa |= static_cast<uint64_t>(Bytes[i]) << (8 * i);
    const uint16_t sign_exp = static_cast<uint16_t>(Bytes[8] | (Bytes[9] << 8));
    const bool negative = (sign_exp & 0x8000) != 0;
    const int exponent = sign_exp & 0x7FFF;
    const bool integer_bit = (mantissa >> 63) != 0;
    long double value;
    if (exponent == 0x7FFF) {
        value = (mantissa << 1) != 0 || !integer_bit ? std::numeric_limits<long double>::quiet_NaN()
                                                     : std::numeric_limits<long double>::infinity();
    } else if (exponent != 0 && !integer_bit) {
        value = std::numeric_limits<long double>::quiet_NaN();
    } else {
        value = std::ldexp(static_cast<long double>(mantissa), (exponent == 0 ? 1 : exponent) - 16383 - 63);
    }
    return negative ? -value : value;
}

}  // namespace detail

#if LDBL_MANT_DIG == 64 && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// The host's long double is the x87 format: its first ten bytes are the image.

void EncodeExtended(long double Value, uint8_t (&Bytes)[10]) noexcept { std::memcpy(Bytes, &Value, 10); }

long double DecodeExtended(const uint8_t (&Bytes)[10]) noexcept {
    // The unit refuses unnormals and pseudo-infinities (integer bit 0, exponent not 0) as invalid
    // operands, yet std::isnan would not call them NaN: give them a proper NaN, so that reading
    // damaged bytes cannot yield a value that behaves differently from what it claims to be.
    const bool integer_bit = (Bytes[7] & 0x80) != 0;
    const int exponent = (Bytes[8] | (Bytes[9] << 8)) & 0x7FFF;
    if (exponent != 0 && !integer_bit) {
        const long double nan = std::numeric_limits<long double>::quiet_NaN();
        return (Bytes[9] & 0x80) ? -nan : nan;
    }
    long double value = 0;
    std::memcpy(&value, Bytes, 10);
    return value;
}

#else

void EncodeExtended(long double Value, uint8_t (&Bytes)[10]) noexcept {
    detail::EncodeExtendedPortable(Value, Bytes);
}

long double DecodeExtended(const uint8_t (&Bytes)[10]) noexcept { return detail::DecodeExtendedPortable(Bytes); }

#endif

}  // namespace ozm
