/// @file
/// Text files as the library reads and writes them: lines written with CR LF, read with CR LF, LF
/// or CR; blank-separated words and numbers read across line ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace ozm {

/// Writes a text file. Construction creates (truncates) the file or raises EInOutError "Cannot
/// create file \"<name>\""; a failed write raises EInOutError "Error writing file \"<name>\"".
class TTextWriter {
public:
    /// Creates or truncates FileName (see above).
    explicit TTextWriter(const std::string& FileName);
    ~TTextWriter();
    TTextWriter(const TTextWriter&) = delete;
    TTextWriter& operator=(const TTextWriter&) = delete;

    /// Writes Text as it is. Text is gathered in a block of 64 KiB that goes to the file when
    /// full, so a failed write may raise on a later call or on Close.
    void Write(std::string_view Text);
    void WriteLn(std::string_view Text = {});  ///< Text followed by CR LF
    /// Flushes and closes; errors raise as above. The destructor closes silently.
    void Close();

private:
    void Flush();

    static constexpr size_t kBlockSize = 65536;
    std::FILE* FFile = nullptr;
    std::string FFileName;
    std::unique_ptr<char[]> FBlock;  // text not yet handed to the file
    size_t FUsed = 0;
};

/// Reads a text file through a buffer of 64 KiB (grown only for a longer word, line or span read
/// as a view), so any file size works in bounded memory.
/// Construction raises EInOutError "Cannot open file \"<name>\"" when the file cannot be opened
/// (or is a folder). A read error of the file system ends the text like the end of the file.
/// The same reader runs over text in memory, so that every reader of a text format can be fed
/// from a buffer (the fuzz targets do) through the code that reads files.
class TTextReader {
public:
    /// Opens FileName for reading (see above).
    explicit TTextReader(const std::string& FileName);
    /// Reads the Size bytes of text at Text, which must outlive the reader; nothing is copied.
    /// (A text, not a file name: the one-argument constructor opens a file.)
    TTextReader(const char* Text, size_t Size);
    ~TTextReader();
    TTextReader(const TTextReader&) = delete;
    TTextReader& operator=(const TTextReader&) = delete;

    /// True when no character is left.
    bool Eof() { return FPos >= FLen && !More(); }
    /// Next character without consuming it; -1 at the end.
    int Peek() { return FPos < FLen || More() ? static_cast<unsigned char>(FText[FPos]) : -1; }
    /// Consumes and returns the next character; -1 at the end.
    int Get() { return FPos < FLen || More() ? static_cast<unsigned char>(FText[FPos++]) : -1; }
    /// Reads the rest of the current line without its line end; false at the end of the file.
    bool ReadLine(std::string& Line);
    /// Skips blanks, tabs and line ends.
    void SkipWhite();
    /// Skips blanks and tabs within the current line.
    void SkipBlanks();
    /// Skips white space and reads characters up to the next blank, tab or line end ("" at the end).
    std::string ReadWord();
    /// Reads the next word and converts it strictly; false (word consumed) when it is no number.
    ///@{
    bool ReadDouble(double& Value);
    bool ReadInt(int32_t& Value);
    ///@}
    /// Skips white space and reads a double-quoted text; false when no quote follows or the
    /// closing quote is missing. Names may span lines; a line end inside becomes a blank.
    bool ReadQuoted(std::string& Text);
    /// Skips the given number of lines.
    void SkipLines(int Count);

    /// @name Views into the text without copying
    /// A view stays valid until the next call of any reading function of this reader (Rewind
    /// included). A file is read in blocks, and a word, line or span that reaches beyond the
    /// block grows the buffer to hold it, so memory follows the longest one of them (at most the
    /// file's size).
    ///@{
    /// Skips white space and returns the next word ("" at the end), as ReadWord.
    std::string_view NextWord();
    /// The rest of the current line without its line end, as ReadLine; false at the end.
    bool NextLine(std::string_view& Line);
    /// The text up to the next Delim (or to the end), which stays unread.
    std::string_view NextUntil(char Delim);
    /// Skips the text up to the next Delim (or to the end), which stays unread.
    void SkipUntil(char Delim);
    ///@}

    /// Size of the text in bytes (of a file as it was when it was opened), which bounds what a
    /// reader may allocate on the text's word.
    int64_t Size() const noexcept { return FSize; }
    /// Starts again at the first character (readers that take two passes).
    void Rewind();

private:
    // Reads more of the file behind the unread text, which moves to the buffer's start (the
    // buffer doubles when it is full of unread text); false when nothing more comes.
    bool More();

    static constexpr size_t kBufSize = 65536;
    std::FILE* FFile = nullptr;
    std::unique_ptr<char[]> FBuf;  // on the heap: readers live on worker threads' stacks too
    const char* FText = nullptr;   // FBuf's content, or the text in memory
    size_t FPos = 0;
    size_t FLen = 0;
    size_t FCap = 0;  // size of FBuf
    int64_t FSize = 0;
};

}  // namespace ozm
