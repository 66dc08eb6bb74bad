#include "ozm/base/mixedfstream.hpp"

#include <cstring>

namespace ozm {

namespace {

template <size_t N>
void PutLE(uint8_t (&bytes)[N], uint64_t v) {
    for (size_t i = 0; i < N; ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
}

template <size_t N>
uint64_t GetLE(const uint8_t (&bytes)[N]) {
    uint64_t v = 0;
    for (size_t i = 0; i < N; ++i) v |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    return v;
}

}  // namespace

TMixedFStream::TMixedFStream(const std::string& FileName, bool ForWriting)
    : FStream(std::make_unique<TFileStream>(FileName, ForWriting ? TFileMode::fmCreate : TFileMode::fmOpenRead)) {}

void TMixedFStream::WriteByte(uint8_t Value) { FStream->WriteBuffer(&Value, 1); }

void TMixedFStream::WriteInteger(int32_t Value) {
    uint8_t bytes[4];
    PutLE(bytes, static_cast<uint32_t>(Value));
    FStream->WriteBuffer(bytes, sizeof bytes);
}

void TMixedFStream::WriteDouble(double Value) {
    uint64_t bits;
    std::memcpy(&bits, &Value, sizeof bits);
    uint8_t bytes[8];
    PutLE(bytes, bits);
    FStream->WriteBuffer(bytes, sizeof bytes);
}

void TMixedFStream::WriteLn(const std::string& Line) {
    FStream->WriteBuffer(Line.data(), static_cast<int64_t>(Line.size()));
    FStream->WriteBuffer("\r\n", 2);
}

bool TMixedFStream::ReadByte(uint8_t& Value) { return FStream->Read(&Value, 1) == 1; }

bool TMixedFStream::ReadInteger(int32_t& Value) {
    uint8_t bytes[4];
    if (FStream->Read(bytes, sizeof bytes) != sizeof bytes) return false;
    Value = static_cast<int32_t>(static_cast<uint32_t>(GetLE(bytes)));
    return true;
}

bool TMixedFStream::ReadDouble(double& Value) {
    uint8_t bytes[8];
    if (FStream->Read(bytes, sizeof bytes) != sizeof bytes) return false;
    const uint64_t bits = GetLE(bytes);
    std::memcpy(&Value, &bits, sizeof Value);
    return true;
}

bool TMixedFStream::ReadLn(std::string& Line) {
    Line.clear();
    uint8_t c;
    if (FStream->Read(&c, 1) != 1) return false;
    for (;;) {
        if (c == '\n') break;
        if (c == '\r') {
            // Swallow the LF of a CR LF pair; a lone CR ends the line too.
            uint8_t next;
            if (FStream->Read(&next, 1) == 1 && next != '\n') FStream->Seek(-1, TSeekOrigin::soCurrent);
            break;
        }
        Line.push_back(static_cast<char>(c));
        if (FStream->Read(&c, 1) != 1) break;
    }
    return true;
}

bool TMixedFStream::Eof() { return FStream->Position() >= FStream->Size(); }

void TMixedFStream::Close() { FStream->Flush(); }

}  // namespace ozm
