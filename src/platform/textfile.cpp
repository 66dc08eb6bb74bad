#include "ozm/platform/textfile.hpp"

#include <sys/stat.h>

#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/numtext.hpp"

namespace ozm {

// --- TTextWriter ---------------------------------------------------------------------------

TTextWriter::TTextWriter(const std::string& FileName) : FFileName(FileName) {
    FFile = std::fopen(FileName.c_str(), "wb");
    if (!FFile) throw EInOutError("Cannot create file \"" + FileName + "\"");
}

TTextWriter::~TTextWriter() {
    if (FFile) std::fclose(FFile);
}

void TTextWriter::Write(const std::string& Text) {
    if (!FFile) throw EInOutError("Error writing file \"" + FFileName + "\"");
    if (!Text.empty() && std::fwrite(Text.data(), 1, Text.size(), FFile) != Text.size())
        throw EInOutError("Error writing file \"" + FFileName + "\"");
}

void TTextWriter::WriteLn(const std::string& Text) {
    Write(Text);
    Write("\r\n");
}

void TTextWriter::Close() {
    if (!FFile) return;
    std::FILE* f = FFile;
    FFile = nullptr;
    const bool flushed = std::fflush(f) == 0 && !std::ferror(f);
    const bool closed = std::fclose(f) == 0;
    if (!flushed || !closed) throw EInOutError("Error writing file \"" + FFileName + "\"");
}

// --- TTextReader ---------------------------------------------------------------------------

TTextReader::TTextReader(const std::string& FileName) : FBuf(new char[kBufSize]) {
    FFile = std::fopen(FileName.c_str(), "rb");
    // fopen opens a folder for reading on POSIX systems; every read would then fail.
    struct stat info {};
    if (FFile && (fstat(fileno(FFile), &info) != 0 || S_ISDIR(info.st_mode))) {
        std::fclose(FFile);
        FFile = nullptr;
    }
    if (!FFile) throw EInOutError("Cannot open file \"" + FileName + "\"");
    FSize = static_cast<int64_t>(info.st_size);
    FText = FBuf.get();
}

TTextReader::TTextReader(const char* Text, size_t Size)
    : FText(Text), FLen(Size), FSize(static_cast<int64_t>(Size)) {}

TTextReader::~TTextReader() {
    if (FFile) std::fclose(FFile);
}

bool TTextReader::Fill() {
    if (FPos < FLen) return true;
    if (!FFile) return false;  // text in memory: all of it is there from the start
    FLen = std::fread(FBuf.get(), 1, kBufSize, FFile);
    FPos = 0;
    return FLen > 0;
}

void TTextReader::Rewind() {
    FPos = 0;
    if (FFile) {
        std::rewind(FFile);
        FLen = 0;
    }
}

bool TTextReader::Eof() { return !Fill(); }

int TTextReader::Peek() { return Fill() ? static_cast<unsigned char>(FText[FPos]) : -1; }

int TTextReader::Get() { return Fill() ? static_cast<unsigned char>(FText[FPos++]) : -1; }

bool TTextReader::ReadLine(std::string& Line) {
    Line.clear();
    if (Eof()) return false;
    for (;;) {
        const int c = Get();
        if (c < 0 || c == '\n') break;
        if (c == '\r') {
            if (Peek() == '\n') Get();
            break;
        }
        Line.push_back(static_cast<char>(c));
    }
    return true;
}

void TTextReader::SkipWhite() {
    for (int c = Peek(); c == ' ' || c == '\t' || c == '\r' || c == '\n'; c = Peek()) Get();
}

void TTextReader::SkipBlanks() {
    for (int c = Peek(); c == ' ' || c == '\t'; c = Peek()) Get();
}

std::string TTextReader::ReadWord() {
    SkipWhite();
    std::string word;
    for (int c = Peek(); c >= 0 && c != ' ' && c != '\t' && c != '\r' && c != '\n'; c = Peek())
        word.push_back(static_cast<char>(Get()));
    return word;
}

bool TTextReader::ReadDouble(double& Value) { return TryParseDouble(ReadWord(), Value); }

bool TTextReader::ReadInt(int32_t& Value) { return TryParseInt(ReadWord(), Value); }

bool TTextReader::ReadQuoted(std::string& Text) {
    Text.clear();
    SkipWhite();
    if (Peek() != '"') return false;
    Get();
    for (;;) {
        const int c = Get();
        if (c < 0) return false;
        if (c == '"') return true;
        if (c == '\r' || c == '\n') {
            if (c == '\r' && Peek() == '\n') Get();
            Text.push_back(' ');
        } else {
            Text.push_back(static_cast<char>(c));
        }
    }
}

void TTextReader::SkipLines(int Count) {
    std::string line;
    for (int i = 0; i < Count && ReadLine(line); ++i) {
    }
}

}  // namespace ozm
