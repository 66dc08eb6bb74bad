// The number scanners, the XML vocabulary and ProcessXmlTag of TMatrix.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "ozm/base/constants.hpp"
#include "ozm/matrix.hpp"

namespace ozm {
namespace {

using matrix::ScanInteger;
using matrix::ScanReal;

int32_t Int(const std::string& text, size_t pos = 0) { return ScanInteger(text, pos); }
double Real(const std::string& text, size_t pos = 0) { return ScanReal(text, pos); }

TEST(PersistScanInteger, SignsBlanksStopAndPosition) {
    size_t pos = 0;
    EXPECT_EQ(ScanInteger("  -12abc", pos), -12);
    EXPECT_EQ(pos, 5u);  // left on "a"
    EXPECT_EQ(Int("+7"), 7);
    EXPECT_EQ(Int("\t\r\n 42</x>"), 42);
    EXPECT_EQ(Int("abc"), 0);
    EXPECT_EQ(Int("-"), 0);
    pos = 0;
    EXPECT_EQ(ScanInteger("", pos), 0);
    EXPECT_EQ(pos, 0u);
    pos = 10;  // beyond the text: nothing read, nothing moved
    EXPECT_EQ(ScanInteger("12", pos), 0);
    EXPECT_EQ(pos, 10u);
    pos = 3;
    EXPECT_EQ(ScanInteger("ix=19\"", pos), 19);
}

TEST(PersistScanInteger, SaturatesInsteadOfWrapping) {
    EXPECT_EQ(Int("2147483647"), 2147483647);
    EXPECT_EQ(Int("2147483648"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(Int("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(Int("99999999999999999999999999"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(Int("-99999999999999999999999999"), std::numeric_limits<int32_t>::min());
    // 4294967297 would wrap to 1 in 32-bit arithmetic and alias a valid index.
    EXPECT_EQ(Int("4294967297"), std::numeric_limits<int32_t>::max());
}

TEST(PersistScanReal, NumbersOfTheStateMachine) {
    EXPECT_DOUBLE_EQ(Real("1.5E2"), 150.0);
    EXPECT_DOUBLE_EQ(Real("1."), 1.0);
    EXPECT_DOUBLE_EQ(Real(".25"), 0.25);
    EXPECT_DOUBLE_EQ(Real("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(Real("  +3.25e-1"), 0.325);
    EXPECT_DOUBLE_EQ(Real("7e+2"), 700.0);
    EXPECT_DOUBLE_EQ(Real("12 34"), 12.0);
    EXPECT_EQ(Real("."), 0.0);
    EXPECT_TRUE(std::signbit(Real("-0.0")));
    size_t pos = 0;
    EXPECT_DOUBLE_EQ(ScanReal("1.5E2xyz", pos), 150.0);
    EXPECT_EQ(pos, 5u);
    pos = 0;
    EXPECT_DOUBLE_EQ(ScanReal("2.5</cell>", pos), 2.5);
    EXPECT_EQ(pos, 3u);
}

TEST(PersistScanReal, ErrorsGiveZero) {
    for (const char* text : {"", "abc", "+", "-x", "1E", "1E+", "1.5e-", "+-1", "E5", "- 1", "NANx"})
        EXPECT_EQ(Real(text), 0.0) << text;
    size_t pos = 0;
    EXPECT_EQ(ScanReal("1Ex", pos), 0.0);
    EXPECT_EQ(pos, 2u);  // on the character that had no entry
}

TEST(PersistScanReal, RangeIsHeldAndExponentsAreCut) {
    EXPECT_EQ(Real("1E400"), uc_MaxDouble);
    EXPECT_EQ(Real("-1E400"), -uc_MaxDouble);
    EXPECT_EQ(Real("1E-400"), 0.0);
    // Digits that push the exponent beyond 4200 are consumed but not collected.
    size_t pos = 0;
    EXPECT_EQ(ScanReal("1E99999999999999999999;", pos), uc_MaxDouble);
    EXPECT_EQ(pos, 22u);
    EXPECT_EQ(Real("1E-4201"), 0.0);
    EXPECT_DOUBLE_EQ(Real("1E0000000000000000000000003"), 1000.0);
    // 4201 is cut to 420 and stays cut: a later digit may not bring 4200 back in.
    EXPECT_EQ(Real("2E42010"), uc_MaxDouble);
    // Long mantissas are converted correctly rounded.
    EXPECT_EQ(Real("0.1000000000000000055511151231257827021181583404541015625"), 0.1);
    EXPECT_EQ(Real(std::string(400, '9')), uc_MaxDouble);
}

// Plain spellings are converted directly; where the state machine reads on or cuts an exponent,
// the result must still be its result.
TEST(PersistScanReal, PlainSpellingsReadAsTheStateMachineReadsThem) {
    const struct {
        std::string text;
        double value;
        size_t pos;
    } cases[] = {
        {"1.5.3", 1.5, 3},       {"1E5E2", 1e5, 3},          {"-12.5e-3x", -0.0125, 8},
        {"\r\n 8;", 8.0, 4},     {"4.9E-324<", 4.9e-324, 8}, {"2.5e+308", uc_MaxDouble, 8},
        {"1e-999", 0.0, 6},      {"007.50", 7.5, 6},         {"+3e2", 300.0, 4},
        // A long fraction with a three-digit exponent reads exactly.
        {"0." + std::string(400, '0') + "1E405", 1e4, 407},
        // Four exponent digits beyond 4200 are cut: 4500 becomes 450, so the value is 0, not 1e99.
        {"0." + std::string(4400, '0') + "1E4500", 0.0, 4408},
    };
    for (const auto& c : cases) {
        size_t pos = 0;
        EXPECT_EQ(ScanReal(c.text, pos), c.value) << c.text.substr(0, 20);
        EXPECT_EQ(pos, c.pos) << c.text.substr(0, 20);
    }
}

TEST(PersistScanReal, NonFiniteWordsOfTheWriters) {
    EXPECT_TRUE(std::isnan(Real("NAN")));
    EXPECT_TRUE(std::isnan(Real(" nan</cell>")));
    EXPECT_EQ(Real("+INF"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Real("-inf"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(Real("INF"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Real("INFINITE"), 0.0);  // not the word: the state machine rejects the letter
    size_t pos = 0;
    ScanReal("-INF<", pos);
    EXPECT_EQ(pos, 4u);
}

TEST(PersistXmlVocabulary, TagTableAndClassification) {
    using T = TMatXmlTag;
    const std::pair<T, const char*> expected[] = {
        {T::xmlMatNumCols, "numcols"}, {T::xmlMatNumRows, "numrows"},
        {T::xmlMatNumLayers, "numplanes"}, {T::xmlMatNumTimeSlots, "numtimeslots"},
        {T::xmlMatCell, "cell"}, {T::xmlMatBegin, "matrix"},
        {T::xmlMatEnd, "/matrix"}, {T::xmlInvalid, "invalidtag"}};
    ASSERT_EQ(matrix::MatXmlTags.size(), 8u);
    for (const auto& [tag, text] : expected) {
        EXPECT_EQ(matrix::MatXmlTagText(tag), text);
        if (tag != T::xmlInvalid) {
            EXPECT_EQ(matrix::MatXmlTagOf(text), tag) << text;
        }
    }
    EXPECT_EQ(matrix::MatXmlTagOf("cell ix=\"1\" iy=\"2\""), T::xmlMatCell);
    EXPECT_EQ(matrix::MatXmlTagOf("matrix id=\"a\""), T::xmlMatBegin);
    EXPECT_EQ(matrix::MatXmlTagOf("invalidtag"), T::xmlInvalid);
    EXPECT_EQ(matrix::MatXmlTagOf("Cell"), T::xmlInvalid);
    EXPECT_EQ(matrix::MatXmlTagOf("/cell"), T::xmlInvalid);
    EXPECT_EQ(matrix::MatXmlTagOf(""), T::xmlInvalid);
}

TEST(PersistXmlVocabulary, AttributesAndEntities) {
    EXPECT_EQ(matrix::XmlIndexAttribute("cell ix=\"12\" iy=\"-3\"", "ix"), 12);
    EXPECT_EQ(matrix::XmlIndexAttribute("cell ix=\"12\" iy=\"-3\"", "iy"), -3);
    EXPECT_EQ(matrix::XmlIndexAttribute("cell ix=\"12\"", "iy"), 0);
    EXPECT_EQ(matrix::XmlIndexAttribute("cell ix=12", "ix"), 0);  // no quote: no attribute
    std::string value;
    EXPECT_TRUE(matrix::XmlTextAttribute("matrix id=\"a &lt;b&gt; &amp; &quot;c&quot;\"", "id", value));
    EXPECT_EQ(value, "a <b> & \"c\"");
    EXPECT_FALSE(matrix::XmlTextAttribute("matrix grid=\"x\"", "id", value));  // not a word start
    EXPECT_FALSE(matrix::XmlTextAttribute("matrix id=\"open", "id", value));
    const std::string tricky = "<a href=\"x\">&amp;";
    EXPECT_EQ(matrix::XmlUnescape(matrix::XmlEscape(tricky)), tricky);
    EXPECT_EQ(matrix::XmlUnescape("&unknown; &"), "&unknown; &");
}

TEST(PersistProcessXmlTag, AppliesSizeAndCells) {
    TMatrix m;
    int changes = 0;
    m.OnChange = [&](TObject*) { ++changes; };
    using T = TMatXmlTag;
    EXPECT_EQ(m.ProcessXmlTag(T::xmlMatBegin, "matrix", ""), 0);
    EXPECT_EQ(m.ProcessXmlTag(T::xmlMatNumCols, "numcols", "3"), 0);
    EXPECT_EQ(m.ProcessXmlTag(T::xmlMatNumRows, "numrows", " 2 "), 0);
    EXPECT_EQ(m.NrOfColumns(), 1);  // the size takes effect with the first cell
    EXPECT_EQ(m.ProcessXmlTag(T::xmlMatCell, "cell ix=\"3\" iy=\"2\"", "7.25"), 0);
    EXPECT_EQ(m.NrOfColumns(), 3);
    EXPECT_EQ(m.NrOfRows(), 2);
    EXPECT_EQ(m.GetVal(3, 2), 7.25);
    EXPECT_EQ(m.GetVal(1, 1), 0.0);
    EXPECT_EQ(changes, 2);  // the resize and the cell
    // Outside the matrix: ignored, no notification.
    EXPECT_EQ(m.ProcessXmlTag(T::xmlMatCell, "cell ix=\"4\" iy=\"1\"", "9"), 0);
    EXPECT_EQ(m.ProcessXmlTag(T::xmlMatCell, "cell iy=\"1\"", "9"), 0);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(m.CRCofData(), [] {
        TMatrix ref;
        ref.Resize(3, 2);
        ref.SetVal(3, 2, 7.25);
        return ref.CRCofData();
    }());
    // The size is applied on the first cell only.
    EXPECT_EQ(m.ProcessXmlTag(T::xmlMatNumCols, "numcols", "10"), 0);
    EXPECT_EQ(m.ProcessXmlTag(T::xmlMatCell, "cell ix=\"1\" iy=\"1\"", "abc"), 0);
    EXPECT_EQ(m.NrOfColumns(), 3);
    EXPECT_EQ(m.GetVal(1, 1), 0.0);  // a malformed number reads as 0
    EXPECT_EQ(m.ProcessXmlTag(T::xmlMatNumLayers, "numplanes", "4"), 0);
    EXPECT_EQ(m.ProcessXmlTag(T::xmlMatNumTimeSlots, "numtimeslots", "4"), 0);
    EXPECT_EQ(m.ProcessXmlTag(T::xmlMatEnd, "/matrix", ""), 1);
    EXPECT_EQ(m.ProcessXmlTag(T::xmlInvalid, "foo", ""), -1);
}

TEST(PersistProcessXmlTag, RefusesSizesItCannotBack) {
    using T = TMatXmlTag;
    {
        TMatrix m;  // no size announced: the cell cannot size the matrix
        EXPECT_EQ(m.ProcessXmlTag(T::xmlMatCell, "cell ix=\"1\" iy=\"1\"", "1"), -1);
        EXPECT_EQ(m.NrOfColumns(), 1);
    }
    {
        TMatrix m;
        m.ProcessXmlTag(T::xmlMatNumCols, "numcols", "2000000000");
        m.ProcessXmlTag(T::xmlMatNumRows, "numrows", "1");
        EXPECT_EQ(m.ProcessXmlTag(T::xmlMatCell, "cell ix=\"1\" iy=\"1\"", "1"), -1);
        EXPECT_EQ(m.NrOfColumns(), 1);
    }
    {
        TMatrix m;  // a dimension of 0 still keeps a spare row per column
        m.ProcessXmlTag(T::xmlMatNumCols, "numcols", "2000000000");
        m.ProcessXmlTag(T::xmlMatNumRows, "numrows", "0");
        EXPECT_EQ(m.ProcessXmlTag(T::xmlMatCell, "cell ix=\"1\" iy=\"1\"", "1"), -1);
    }
    {
        TMatrix m;  // negative sizes count as 0
        m.ProcessXmlTag(T::xmlMatNumCols, "numcols", "-5");
        m.ProcessXmlTag(T::xmlMatNumRows, "numrows", "2");
        EXPECT_EQ(m.ProcessXmlTag(T::xmlMatCell, "cell ix=\"1\" iy=\"1\"", "1"), 0);
        EXPECT_EQ(m.NrOfColumns(), 0);
        EXPECT_EQ(m.NrOfRows(), 2);
    }
}

}  // namespace
}  // namespace ozm
