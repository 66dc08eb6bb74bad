#include "ozm/platform/textfile.hpp"

#include <sys/stat.h>

#include <cstring>

#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/numtext.hpp"

namespace ozm {

// --- TTextWriter ---------------------------------------------------------------------------

TTextWriter::TTextWriter(const std::string& FileName)
    : FFileName(FileName), FBlock(new char[kBlockSize]) {
    FFile = std::fopen(FileName.c_str(), "wb");
    if (!FFile) throw EInOutError("Cannot create file \"" + FileName + "\"");
}

TTextWriter::~TTextWriter() {
    if (!FFile) return;
    if (FUsed > 0) std::fwrite(FBlock.get(), 1, FUsed, FFile);  // errors are not reported here
    std::fclose(FFile);
}

void TTextWriter::Flush() {
    const size_t n = FUsed;
    FUsed = 0;
    if (n > 0 && std::fwrite(FBlock.get(), 1, n, FFile) != n)
        throw EInOutError("Error writing file \"" + FFileName + "\"");
}

void TTextWriter::Write(std::string_view Text) {
    if (!FFile) throw EInOutError("Error writing file \"" + FFileName + "\"");
    if (Text.empty()) return;
    if (Text.size() > kBlockSize - FUsed) {
        Flush();
        if (Text.size() >= kBlockSize) {
            if (std::fwrite(Text.data(), 1, Text.size(), FFile) != Text.size())
                throw EInOutError("Error writing file \"" + FFileName + "\"");
            return;
        }
    }
    std::memcpy(FBlock.get() + FUsed, Text.data(), Text.size());
    FUsed += Text.size();
}

void TTextWriter::WriteLn(std::string_view Text) {
    Write(Text);
    Write("\r\n");
}

void TTextWriter::Close() {
    if (!FFile) return;
    bool written = true;
    try {
        Flush();
    } catch (const EInOutError&) {
        written = false;
    }
    std::FILE* f = FFile;
    FFile = nullptr;
    const bool flushed = written && std::fflush(f) == 0 && !std::ferror(f);
    const bool closed = std::fclose(f) == 0;
    if (!flushed || !closed) throw EInOutError("Error writing file \"" + FFileName + "\"");
}

// --- TTextReader ---------------------------------------------------------------------------

TTextReader::TTextReader(const std::string& FileName) : FBuf(new char[kBufSize]), FCap(kBufSize) {
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

bool TTextReader::More() {
    if (!FFile) return false;  // text in memory: all of it is there from the start
    char* buf = FBuf.get();
    if (FPos > 0) {
        std::memmove(buf, buf + FPos, FLen - FPos);
        FLen -= FPos;
        FPos = 0;
    }
    if (FLen == FCap) {
        // Unread text fills the buffer: one word, line or span is longer than the buffer. Its
        // length is bounded by the file's, so the growth is too.
        std::unique_ptr<char[]> grown(new char[2 * FCap]);
        std::memcpy(grown.get(), buf, FLen);
        FBuf = std::move(grown);
        FCap *= 2;
        buf = FBuf.get();
        FText = buf;
    }
    const size_t got = std::fread(buf + FLen, 1, FCap - FLen, FFile);
    FLen += got;
    return got > 0;
}

void TTextReader::Rewind() {
    FPos = 0;
    if (FFile) {
        std::rewind(FFile);
        FLen = 0;
    }
}

namespace {
inline bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
inline bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
}  // namespace

std::string_view TTextReader::NextWord() {
    SkipWhite();
    // n counts the word's characters from FPos; More keeps them, moving them to the start.
    size_t n = 0;
    for (;;) {
        const char* p = FText + FPos;
        const size_t avail = FLen - FPos;
        while (n < avail && !IsWhite(p[n])) ++n;
        if (n < avail || !More()) break;
    }
    const std::string_view word(FText + FPos, n);
    FPos += n;
    return word;
}

bool TTextReader::NextLine(std::string_view& Line) {
    Line = std::string_view();
    if (Eof()) return false;
    size_t n = 0;
    for (;;) {
        const char* p = FText + FPos;
        const size_t avail = FLen - FPos;
        while (n < avail && !IsLineEnd(p[n])) ++n;
        // Done at an LF, or at a CR whose next character (an LF to join or not) is at hand.
        if (n + 1 < avail || (n < avail && p[n] == '\n')) break;
        if (!More()) break;
    }
    const char* p = FText + FPos;
    const size_t avail = FLen - FPos;
    Line = std::string_view(p, n);
    size_t used = n;
    if (n < avail) used = (p[n] == '\r' && n + 1 < avail && p[n + 1] == '\n') ? n + 2 : n + 1;
    FPos += used;
    return true;
}

std::string_view TTextReader::NextUntil(char Delim) {
    size_t n = 0;
    for (;;) {
        const size_t avail = FLen - FPos;
        const void* hit = avail > n ? std::memchr(FText + FPos + n, Delim, avail - n) : nullptr;
        if (hit) {
            n = static_cast<size_t>(static_cast<const char*>(hit) - (FText + FPos));
            break;
        }
        n = avail;
        if (!More()) break;
    }
    const std::string_view span(FText + FPos, n);
    FPos += n;
    return span;
}

void TTextReader::SkipUntil(char Delim) {
    for (;;) {
        const void* hit = FPos < FLen ? std::memchr(FText + FPos, Delim, FLen - FPos) : nullptr;
        if (hit) {
            FPos = static_cast<size_t>(static_cast<const char*>(hit) - FText);
            return;
        }
        FPos = FLen;
        if (!More()) return;
    }
}

bool TTextReader::ReadLine(std::string& Line) {
    std::string_view view;
    const bool got = NextLine(view);
    Line.assign(view);
    return got;
}

void TTextReader::SkipWhite() {
    for (;;) {
        while (FPos < FLen && IsWhite(FText[FPos])) ++FPos;
        if (FPos < FLen || !More()) return;
    }
}

void TTextReader::SkipBlanks() {
    for (;;) {
        while (FPos < FLen && (FText[FPos] == ' ' || FText[FPos] == '\t')) ++FPos;
        if (FPos < FLen || !More()) return;
    }
}

std::string TTextReader::ReadWord() { return std::string(NextWord()); }

bool TTextReader::ReadDouble(double& Value) { return TryParseDouble(NextWord(), Value); }

bool TTextReader::ReadInt(int32_t& Value) { return TryParseInt(NextWord(), Value); }

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
    std::string_view line;
    for (int i = 0; i < Count && NextLine(line); ++i) {
    }
}

}  // namespace ozm
