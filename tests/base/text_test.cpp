// Text helpers: tags, quoted names, tokens, patterns and string clean-up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ozm/base/text.hpp"
#include "test_support.hpp"

namespace {

using ozm::TStrArray;

const char* const kXml =
    "<?xml version=\"1.0\"?>\n"
    "<!-- a comment with <b> and > inside -->"
    "<matrix name=\"m 1\" cols=\"2\">\n  <cell ix=\"1\">1.5</cell><empty/>"
    "<!---->text</matrix>";

// The tags and contents the reader must deliver for kXml, in order.
const std::vector<std::pair<std::string, std::string>> kExpected = {
    {"matrix name=\"m 1\" cols=\"2\"", "\n  "},
    {"cell ix=\"1\"", "1.5"},
    {"/cell", ""},
    {"empty/", ""},
    {"/matrix", ""},  // text after a comment is content of no tag
};

TEST(TextHelpers, TagsFromStringsAndFiles) {
    std::string tag, content;
    size_t pos = 0;
    std::vector<std::pair<std::string, std::string>> got;
    std::vector<size_t> positions;
    while (ozm::ReadNextTagInString(kXml, pos, tag, content)) {
        got.emplace_back(tag, content);
        positions.push_back(pos);
    }
    ASSERT_EQ(got.size(), kExpected.size());
    EXPECT_EQ(got[0], kExpected[0]);
    EXPECT_EQ(got[1], kExpected[1]);
    EXPECT_EQ(got[2], kExpected[2]);
    EXPECT_EQ(got[3], kExpected[3]);
    EXPECT_EQ(got[4], kExpected[4]);
    // Pos stops at the "<" of the next tag, after the content.
    const std::string xml = kXml;
    EXPECT_EQ(positions[0], xml.find("<cell"));
    EXPECT_EQ(positions[1], xml.find("</cell"));
    EXPECT_EQ(positions[4], xml.size());

    ozm::testing::ScratchDir dir;
    ozm::testing::WriteWholeFile(dir.file("t.xml"), kXml);
    ozm::TTextReader file(dir.file("t.xml"));
    for (size_t k = 0; k < 4; ++k) {  // the file reader delivers the same
        ASSERT_TRUE(ozm::ReadNextTagInTextFile(file, tag, content));
        EXPECT_EQ(std::make_pair(tag, content), kExpected[k]);
    }
    ASSERT_TRUE(ozm::ReadNextTagInTextFile(file, tag, content));
    EXPECT_EQ(std::make_pair(tag, content), kExpected[4]);
    EXPECT_FALSE(ozm::ReadNextTagInTextFile(file, tag, content));

    EXPECT_EQ(ozm::XmlTagName("cell ix=\"1\""), "cell");
    EXPECT_EQ(ozm::XmlTagName("/cell"), "/cell");
    EXPECT_EQ(ozm::XmlTagName("empty/"), "empty");
    EXPECT_EQ(ozm::XmlTagName("  "), "");
}

TEST(TextHelpers, BrokenTagsEndTheScan) {
    std::string tag, content;
    size_t pos = 0;
    const std::string unclosed = "<a>text<b attr";
    ASSERT_TRUE(ozm::ReadNextTagInString(unclosed, pos, tag, content));
    EXPECT_EQ(tag, "a");
    EXPECT_EQ(content, "text");
    EXPECT_FALSE(ozm::ReadNextTagInString(unclosed, pos, tag, content));
    // An unclosed comment, a text without tags, a position past the end.
    pos = 0;
    EXPECT_FALSE(ozm::ReadNextTagInString("<!-- open <a>", pos, tag, content));
    pos = 0;
    EXPECT_FALSE(ozm::ReadNextTagInString("plain text", pos, tag, content));
    pos = 1000;
    EXPECT_FALSE(ozm::ReadNextTagInString("<a>", pos, tag, content));
}

TEST(TextHelpers, ParseQuotedName) {
    const std::string text = "  \"first name\" \"\" \"open";
    size_t pos = 0;
    std::string name;
    ASSERT_TRUE(ozm::ParseQuotedName(text, pos, name));
    EXPECT_EQ(name, "first name");
    EXPECT_EQ(pos, 14u);
    ASSERT_TRUE(ozm::ParseQuotedName(text, pos, name));
    EXPECT_EQ(name, "");
    EXPECT_EQ(pos, 17u);
    // Missing closing quote: false, position unchanged.
    EXPECT_FALSE(ozm::ParseQuotedName(text, pos, name));
    EXPECT_EQ(pos, 17u);
    pos = 0;
    EXPECT_FALSE(ozm::ParseQuotedName("name", pos, name));
    EXPECT_EQ(pos, 0u);
    pos = 99;
    EXPECT_FALSE(ozm::ParseQuotedName("\"a\"", pos, name));
}

TEST(TextHelpers, TokensAndLookups) {
    EXPECT_EQ(ozm::Tokenize("a, b,,c ", ", "), (TStrArray{"a", "b", "c"}));
    EXPECT_EQ(ozm::Tokenize(" \tone\t two  "), (TStrArray{"one", "two"}));
    EXPECT_TRUE(ozm::Tokenize("").empty());
    EXPECT_TRUE(ozm::Tokenize(" \t ").empty());
    EXPECT_EQ(ozm::Tokenize("abc", ""), (TStrArray{"abc"}));

    const TStrArray list = {"alpha", "beta", "alpha", ""};
    EXPECT_EQ(ozm::StringIx("alpha", list), 0);
    EXPECT_EQ(ozm::StringIx("beta", list), 1);
    EXPECT_EQ(ozm::StringIx("", list), 3);
    EXPECT_EQ(ozm::StringIx("Alpha", list), -1);  // exact match only
    EXPECT_EQ(ozm::StringIx("x", {}), -1);
}

TEST(TextHelpers, StringContainsPatterns) {
    EXPECT_TRUE(ozm::StringContains("value 3", "//dig"));
    EXPECT_FALSE(ozm::StringContains("no digits", "//dig"));
    EXPECT_FALSE(ozm::StringContains("", "//dig"));
    EXPECT_TRUE(ozm::StringContains("  -.5e", "//alpha"));
    EXPECT_FALSE(ozm::StringContains("1.5 -3", "//alpha"));
    EXPECT_FALSE(ozm::StringContains("\xE9\xC4", "//alpha"));  // bytes above 127 are no letters
    EXPECT_TRUE(ozm::StringContains("--7--", "//alnum"));
    EXPECT_FALSE(ozm::StringContains("-- .", "//alnum"));
    EXPECT_TRUE(ozm::StringContains("a\tb", "//blank"));
    EXPECT_FALSE(ozm::StringContains("a_b", "//blank"));
    // Anything else is a plain substring.
    EXPECT_TRUE(ozm::StringContains("hello", "ell"));
    EXPECT_FALSE(ozm::StringContains("hello", "//digit"));
    EXPECT_TRUE(ozm::StringContains("a //dig b", "//dig b"));
    EXPECT_TRUE(ozm::StringContains("x", ""));
}

TEST(TextHelpers, CleanUpAndFormatting) {
    EXPECT_EQ(ozm::StripLTBlanks("\t a b \t"), "a b");
    EXPECT_EQ(ozm::StripLTBlanks(" \t "), "");
    EXPECT_EQ(ozm::StripLTBlanks("x"), "x");
    EXPECT_EQ(ozm::StripTrailingChars("1.2000", '0'), "1.2");
    EXPECT_EQ(ozm::StripTrailingChars("000", '0'), "");
    EXPECT_EQ(ozm::StripTrailingChars("0a0", '0'), "0a");
    EXPECT_EQ(ozm::RemoveControlChars(std::string("a\tb\r\nc\x7f\x01\0d\xE9", 11)), "abcd\xE9");
    EXPECT_EQ(ozm::ReplaceCharInString("a,b,,c", ',', ';'), "a;b;;c");
    EXPECT_EQ(ozm::ReplaceCharInString("", ',', ';'), "");
    EXPECT_EQ(ozm::strff(1.5, 6, 2), "  1.50");
    EXPECT_EQ(ozm::strff(-2.25, 0, 1), "-2.2");
    EXPECT_EQ(ozm::strff(1234.5, 13, -1), " 1.2345E+0003");

    ozm::testing::ScratchDir dir;
    ozm::testing::WriteWholeFile(dir.file("w.txt"), " one\r\n\ttwo  three\n");
    ozm::TTextReader r(dir.file("w.txt"));
    EXPECT_EQ(ozm::ReadNextWordInTextFile(r), "one");
    EXPECT_EQ(ozm::ReadNextWordInTextFile(r), "two");
    EXPECT_EQ(ozm::ReadNextWordInTextFile(r), "three");
    EXPECT_EQ(ozm::ReadNextWordInTextFile(r), "");
}

}  // namespace
