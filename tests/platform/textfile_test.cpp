// Text files: CR LF written, any line end read, words and numbers across lines, quoted names.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/textfile.hpp"
#include "test_support.hpp"

namespace {

using ozm::testing::ReadWholeFile;
using ozm::testing::WriteWholeFile;

TEST(TextFiles, WriterWritesCrLfAndReportsErrors) {
    ozm::testing::ScratchDir dir;
    const std::string name = dir.file("w.txt");
    {
        ozm::TTextWriter w(name);
        w.Write("a");
        w.WriteLn(" b");
        w.WriteLn();
        w.Write("");
        w.WriteLn("c");
        w.Close();
        // Writing after Close is an error, not a crash.
        EXPECT_THROW(w.Write("x"), ozm::EInOutError);
        w.Close();  // a second Close does nothing
    }
    EXPECT_EQ(ReadWholeFile(name), "a b\r\n\r\nc\r\n");

    const std::string bad = dir.file("missing/w.txt");
    try {
        ozm::TTextWriter w(bad);
        FAIL() << "created a file in a missing folder";
    } catch (const ozm::EInOutError& e) {
        EXPECT_EQ(e.message(), "Cannot create file \"" + bad + "\"");
    }
#ifdef __linux__
    // A full device: the error shows at the latest when the buffer is flushed by Close.
    try {
        ozm::TTextWriter full("/dev/full");
        for (int i = 0; i < 10000; ++i) full.WriteLn("0123456789");
        full.Close();
        FAIL() << "writing to /dev/full did not raise";
    } catch (const ozm::EInOutError& e) {
        EXPECT_EQ(e.message(), "Error writing file \"/dev/full\"");
    }
#endif
}

TEST(TextFiles, ReaderTakesEveryLineEnd) {
    ozm::testing::ScratchDir dir;
    const std::string name = dir.file("r.txt");
    WriteWholeFile(name, "crlf\r\nlf\ncr\r\r\nlast");
    ozm::TTextReader r(name);
    std::string line;
    ASSERT_TRUE(r.ReadLine(line));
    EXPECT_EQ(line, "crlf");
    ASSERT_TRUE(r.ReadLine(line));
    EXPECT_EQ(line, "lf");
    ASSERT_TRUE(r.ReadLine(line));
    EXPECT_EQ(line, "cr");
    ASSERT_TRUE(r.ReadLine(line));  // the empty line between CR and CR LF
    EXPECT_EQ(line, "");
    ASSERT_TRUE(r.ReadLine(line));  // no line end after the last line
    EXPECT_EQ(line, "last");
    EXPECT_TRUE(r.Eof());
    EXPECT_FALSE(r.ReadLine(line));
    EXPECT_EQ(line, "");
    EXPECT_EQ(r.Get(), -1);
    EXPECT_EQ(r.Peek(), -1);

    // Opening failures, also for a folder.
    EXPECT_THROW(ozm::TTextReader(dir.file("missing.txt")), ozm::EInOutError);
    EXPECT_THROW(ozm::TTextReader(dir.path().string()), ozm::EInOutError);
}

TEST(TextFiles, WordsNumbersAndQuotedNames) {
    ozm::testing::ScratchDir dir;
    const std::string name = dir.file("words.txt");
    WriteWholeFile(name,
                   "  alpha\tbeta\r\n\r\n  gamma\n 1.5e3 -42 12a 2147483648\r"
                   "\"first name\"  \"across\r\nlines\" noquote \"open end");
    ozm::TTextReader r(name);
    EXPECT_EQ(r.ReadWord(), "alpha");
    EXPECT_EQ(r.ReadWord(), "beta");
    EXPECT_EQ(r.ReadWord(), "gamma");  // across an empty line
    double d = 0;
    EXPECT_TRUE(r.ReadDouble(d));
    EXPECT_EQ(d, 1500.0);
    int32_t i = 0;
    EXPECT_TRUE(r.ReadInt(i));
    EXPECT_EQ(i, -42);
    EXPECT_FALSE(r.ReadInt(i));  // "12a" is consumed but is no number
    EXPECT_EQ(i, -42);
    EXPECT_FALSE(r.ReadInt(i));  // overflow
    std::string text;
    EXPECT_TRUE(r.ReadQuoted(text));
    EXPECT_EQ(text, "first name");
    EXPECT_TRUE(r.ReadQuoted(text));
    EXPECT_EQ(text, "across lines");  // a line end inside becomes one blank
    EXPECT_FALSE(r.ReadQuoted(text));  // no quote here: nothing consumed
    EXPECT_EQ(r.ReadWord(), "noquote");
    EXPECT_FALSE(r.ReadQuoted(text));  // closing quote missing
    EXPECT_EQ(text, "open end");
    EXPECT_EQ(r.ReadWord(), "");
    EXPECT_FALSE(r.ReadDouble(d));
}

TEST(TextFiles, LargeFilesCrossTheBufferBoundary) {
    ozm::testing::ScratchDir dir;
    const std::string name = dir.file("big.txt");
    // About 0.6 MB: many refills of the 64 KiB buffer, with lines ending in CR LF so that some
    // CR LF pairs straddle a refill.
    std::string content;
    const int lines = 50000;
    for (int k = 0; k < lines; ++k) content += std::to_string(k) + " " + std::to_string(k * 3) + "\r\n";
    WriteWholeFile(name, content);
    {
        ozm::TTextReader r(name);
        std::string line;
        int count = 0;
        bool all_match = true;
        while (r.ReadLine(line)) {
            all_match = all_match && line == std::to_string(count) + " " + std::to_string(count * 3);
            ++count;
        }
        EXPECT_EQ(count, lines);
        EXPECT_TRUE(all_match);
    }
    {
        ozm::TTextReader r(name);
        r.SkipLines(49998);
        int32_t a = 0, b = 0;
        ASSERT_TRUE(r.ReadInt(a));
        ASSERT_TRUE(r.ReadInt(b));
        EXPECT_EQ(a, 49998);
        EXPECT_EQ(b, 149994);
    }
    // A CR LF pair split exactly by a refill is still one line end.
    WriteWholeFile(name, std::string(65535, 'a') + "\r\nnext\r\n");
    {
        ozm::TTextReader r(name);
        std::string line;
        ASSERT_TRUE(r.ReadLine(line));
        EXPECT_EQ(line.size(), 65535u);
        ASSERT_TRUE(r.ReadLine(line));
        EXPECT_EQ(line, "next");
        EXPECT_FALSE(r.ReadLine(line));
    }
    // One word longer than the buffer.
    const std::string long_word(200000, 'w');
    WriteWholeFile(name, "x " + long_word + "\ny");
    ozm::TTextReader r(name);
    EXPECT_EQ(r.ReadWord(), "x");
    EXPECT_EQ(r.ReadWord(), long_word);
    EXPECT_EQ(r.ReadWord(), "y");
}

}  // namespace

namespace {

// The reader over text in memory reads exactly what the reader over a file of the same bytes
// reads, across the file reader's buffer boundary, and both start again with Rewind.
TEST(TextFiles, MemoryAndFileReadersAgree) {
    ozm::testing::ScratchDir dir;
    std::string text = "first line\r\n\"a\r\nname\" 12 -3.5e2\rword\n";
    while (text.size() < 70000) text += "entry " + std::to_string(text.size()) + "\r\n";
    text += "last";
    WriteWholeFile(dir.file("t.txt"), text);
    ozm::TTextReader from_file(dir.file("t.txt"));
    ozm::TTextReader from_memory(text.data(), text.size());
    EXPECT_EQ(from_file.Size(), static_cast<int64_t>(text.size()));
    EXPECT_EQ(from_memory.Size(), static_cast<int64_t>(text.size()));
    for (int pass = 0; pass < 2; ++pass) {
        std::string a, b;
        ASSERT_TRUE(from_file.ReadLine(a));
        ASSERT_TRUE(from_memory.ReadLine(b));
        EXPECT_EQ(a, b);
        ASSERT_TRUE(from_file.ReadQuoted(a));
        ASSERT_TRUE(from_memory.ReadQuoted(b));
        EXPECT_EQ(a, "a name");
        EXPECT_EQ(b, a);
        int32_t i = 0, j = 0;
        ASSERT_TRUE(from_file.ReadInt(i));
        ASSERT_TRUE(from_memory.ReadInt(j));
        EXPECT_EQ(i, 12);
        EXPECT_EQ(j, 12);
        double x = 0, y = 0;
        ASSERT_TRUE(from_file.ReadDouble(x));
        ASSERT_TRUE(from_memory.ReadDouble(y));
        EXPECT_EQ(x, -350.0);
        EXPECT_EQ(y, x);
        size_t lines = 0;
        while (from_file.ReadLine(a)) {
            ASSERT_TRUE(from_memory.ReadLine(b));
            ASSERT_EQ(a, b) << lines;
            ++lines;
        }
        EXPECT_FALSE(from_memory.ReadLine(b));
        EXPECT_TRUE(from_memory.Eof());
        EXPECT_EQ(b, "");
        EXPECT_GT(lines, 3000u);
        from_file.Rewind();
        from_memory.Rewind();
    }
}

}  // namespace

namespace {

// The views (NextWord, NextLine, NextUntil, SkipUntil) against a plain model over the same bytes,
// mixed at random with Get, over texts of CR, LF and CR LF line ends: empty, short, and longer
// than the file reader's 64 KiB blocks (a word, a CR LF pair or a delimiter on a block border,
// words at the text's end), read both from memory and from a file.
struct ModelReader {
    std::string_view s;
    size_t pos = 0;
    static bool White(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    std::string Word() {
        while (pos < s.size() && White(s[pos])) ++pos;
        const size_t start = pos;
        while (pos < s.size() && !White(s[pos])) ++pos;
        return std::string(s.substr(start, pos - start));
    }
    bool Line(std::string& out) {
        out.clear();
        if (pos >= s.size()) return false;
        const size_t start = pos;
        while (pos < s.size() && s[pos] != '\r' && s[pos] != '\n') ++pos;
        out = s.substr(start, pos - start);
        if (pos < s.size())
            pos += (s[pos] == '\r' && pos + 1 < s.size() && s[pos + 1] == '\n') ? 2 : 1;
        return true;
    }
    std::string Until(char d) {
        const size_t start = pos;
        while (pos < s.size() && s[pos] != d) ++pos;
        return std::string(s.substr(start, pos - start));
    }
    int Get() { return pos < s.size() ? static_cast<unsigned char>(s[pos++]) : -1; }
};

TEST(TextFiles, ViewsMatchAPlainModel) {
    ozm::testing::ScratchDir dir;
    std::mt19937 gen(11);
    const char alphabet[] = "ab1.  \t\r\n<>";
    std::vector<std::string> texts = {"",     "a",      " ",           "\r", "\n",
                                      "\r\n", "word", "a\rb\nc\r\nd", "x  "};
    for (const size_t size : {200u, 5000u, 140000u}) {
        std::string t;
        while (t.size() < size) {
            t += alphabet[gen() % (sizeof alphabet - 1)];
            if (gen() % 7 == 0) t += std::string(gen() % 40, 'w');  // longer words
        }
        texts.push_back(t);
    }
    // Block borders: a CR LF pair, a word and a delimiter across the first border; a word of
    // more than two blocks.
    texts.push_back(std::string(65535, 'a') + "\r\nb\rc");
    texts.push_back(std::string(65530, ' ') + "word_over_the_border\n");
    texts.push_back(std::string(65535, 'x') + "<y>" + std::string(70000, 'z') + " end");
    texts.push_back(std::string(150000, 'q') + "\r");
    for (size_t k = 0; k < texts.size(); ++k) {
        const std::string& text = texts[k];
        WriteWholeFile(dir.file("v.txt"), text);
        ozm::TTextReader from_file(dir.file("v.txt"));
        ozm::TTextReader from_memory(text.data(), text.size());
        // Modes 0..3 use one view only (every border is met by it), mode 4 mixes them all.
        for (unsigned mode = 0; mode < 5; ++mode) {
            for (ozm::TTextReader* r : {&from_file, &from_memory}) {
                r->Rewind();
                ModelReader model{text};
                std::mt19937 ops(static_cast<unsigned>(k));
                for (int step = 0; step < 400000 && model.pos < text.size(); ++step) {
                    switch (mode < 4 ? mode : ops() % 5) {
                        case 0: {
                            const std::string expected = model.Word();
                            ASSERT_EQ(r->NextWord(), expected) << "text " << k << " step " << step;
                            break;
                        }
                        case 1: {
                            std::string expected;
                            const bool more = model.Line(expected);
                            std::string_view line = "junk";
                            ASSERT_EQ(r->NextLine(line), more) << "text " << k << " step " << step;
                            ASSERT_EQ(line, expected) << "text " << k << " step " << step;
                            break;
                        }
                        case 2: {
                            const std::string expected = model.Until('<');
                            ASSERT_EQ(r->NextUntil('<'), expected)
                                << "text " << k << " step " << step;
                            ASSERT_EQ(r->Get(), model.Get()) << "text " << k << " step " << step;
                            break;
                        }
                        case 3:
                            model.Until('>');
                            r->SkipUntil('>');
                            ASSERT_EQ(r->Get(), model.Get()) << "text " << k << " step " << step;
                            break;
                        default:
                            ASSERT_EQ(r->Get(), model.Get()) << "text " << k << " step " << step;
                    }
                }
                // At the end every view is empty and Eof holds.
                EXPECT_TRUE(r->Eof());
                EXPECT_EQ(r->NextWord(), "");
                EXPECT_EQ(r->NextUntil('<'), "");
                std::string_view line = "junk";
                EXPECT_FALSE(r->NextLine(line));
                EXPECT_EQ(line, "");
            }
        }
    }
}

}  // namespace
