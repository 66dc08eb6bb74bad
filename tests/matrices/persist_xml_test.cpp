// XML files and streams of TMatrix: round trips under the precision settings, the document
// layout, and documents that are malformed, truncated or hostile.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>

#include "ozm/matrix.hpp"
#include "test_support.hpp"

namespace ozm {
namespace {

using ozm::testing::ReadWholeFile;
using ozm::testing::ScratchDir;
using ozm::testing::WriteWholeFile;

std::string XmlText(const TMatrix& m, bool header = false) {
    TMemoryStream s;
    m.WriteToXMLStream(s, header);
    return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

bool ReadXmlText(TMatrix& m, const std::string& text) {
    TMemoryStream s;
    s.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    s.SetPosition(0);
    return m.ReadFromXMLStream(s);
}

void Fill(TMatrix& m, int nc, int nr) {
    m.Resize(nc, nr);
    for (int c = 1; c <= nc; ++c)
        for (int r = 1; r <= nr; ++r) m.SetVal(c, r, (c * 10 + r) / 7.0);
}

TEST(PersistXml, DocumentLayout) {
    TMatrix m;
    m.Resize(2, 1);
    m.SetVal(1, 1, 1.5);
    m.SetVal(2, 1, -0.25);
    m.SetDataID("run <7> & \"x\"");
    EXPECT_EQ(XmlText(m, true),
              "<?xml version=\"1.0\"?>\r\n"
              "<matrix id=\"run &lt;7&gt; &amp; &quot;x&quot;\">\r\n"
              "<numcols>2</numcols>\r\n"
              "<numrows>1</numrows>\r\n"
              "<cell ix=\"1\" iy=\"1\">1.5</cell>\r\n"
              "<cell ix=\"2\" iy=\"1\">-0.25</cell>\r\n"
              "</matrix>\r\n");
}

TEST(PersistXml, PrecisionSettingsChooseTheDigits) {
    TMatrix m;
    m.SetVal(1, 1, 1.0 / 3.0);
    // Defaults: 15 significant digits.
    EXPECT_NE(XmlText(m).find(">0.333333333333333<"), std::string::npos);
    m.SetFPrecis(2, 2);  // fixed-point with two decimals
    EXPECT_NE(XmlText(m).find(">0.33<"), std::string::npos);
    m.SetFPrecis(2, -1);
    m.SetFPrecis(1, 4);
    EXPECT_NE(XmlText(m).find(">0.3333<"), std::string::npos);
    m.SetVal(1, 1, 123456789.0);
    EXPECT_NE(XmlText(m).find(">1.235e+08<"), std::string::npos);

    // Text round trips keep the written digits.
    TMatrix back;
    m.SetFPrecis(2, 3);
    m.SetVal(1, 1, 2.0 / 3.0);
    ASSERT_TRUE(ReadXmlText(back, XmlText(m)));
    EXPECT_EQ(back.GetVal(1, 1), 0.667);
}

TEST(PersistXml, ExactRoundTripWithShortestText) {
    TMatrix m;
    Fill(m, 4, 3);
    m.SetVal(1, 1, std::numeric_limits<double>::denorm_min());
    m.SetVal(2, 1, -std::numeric_limits<double>::max());
    m.SetVal(3, 1, -0.0);
    m.SetVal(4, 1, std::numeric_limits<double>::quiet_NaN());
    m.SetVal(4, 2, -std::numeric_limits<double>::infinity());
    m.SetVal(4, 3, std::numeric_limits<double>::infinity());
    m.SetDataID("exact");
    for (int digits : {0, 17, 25}) {
        m.SetFPrecis(1, digits);
        TMatrix back;
        int changes = 0;
        back.OnChange = [&](TObject*) { ++changes; };
        ASSERT_TRUE(ReadXmlText(back, XmlText(m))) << digits;
        EXPECT_EQ(changes, 1);
        ASSERT_EQ(back.NrOfColumns(), 4);
        ASSERT_EQ(back.NrOfRows(), 3);
        EXPECT_EQ(back.DataID(), "exact");
        for (int c = 1; c <= 4; ++c)
            for (int r = 1; r <= 3; ++r) {
                const double a = m.GetVal(c, r), b = back.GetVal(c, r);
                if (std::isnan(a)) {
                    EXPECT_TRUE(std::isnan(b));
                } else {
                    EXPECT_EQ(std::bit_cast<uint64_t>(a), std::bit_cast<uint64_t>(b)) << c << "," << r;
                }
            }
    }
}

TEST(PersistXml, EmptyDimensionsAndFiles) {
    ScratchDir dir;
    TMatrix m;
    m.Resize(3, 0);
    m.SetDataID("no rows");
    ASSERT_TRUE(m.SaveAsXMLFile(dir.file("m.xml")));
    EXPECT_EQ(ReadWholeFile(dir.file("m.xml")).rfind("<?xml version=\"1.0\"?>\r\n", 0), 0u);
    TMatrix back;
    ASSERT_TRUE(back.LoadFromXMLFile(dir.file("m.xml")));
    EXPECT_EQ(back.NrOfColumns(), 3);
    EXPECT_EQ(back.NrOfRows(), 0);
    EXPECT_EQ(back.DataID(), "no rows");

    EXPECT_FALSE(back.LoadFromXMLFile(dir.file("missing.xml")));
    EXPECT_FALSE(m.SaveAsXMLFile(dir.file("no/such/folder.xml")));
}

TEST(PersistXml, EmbeddedInLargerDocuments) {
    // Two matrices in one stream, with text around them: each reader stops after its element.
    TMatrix a, b;
    Fill(a, 2, 2);
    Fill(b, 1, 3);
    b.SetDataID("second");
    a.SetFPrecis(1, 0);  // shortest exact text, so the cells compare bit for bit
    b.SetFPrecis(1, 0);
    TMemoryStream s;
    const std::string lead = "<outer>\r\n";
    s.WriteBuffer(lead.data(), static_cast<int64_t>(lead.size()));
    a.WriteToXMLStream(s, false);
    b.WriteToXMLStream(s, false);
    s.SetPosition(static_cast<int64_t>(lead.size()));
    TMatrix ra, rb;
    ASSERT_TRUE(ra.ReadFromXMLStream(s));
    ASSERT_TRUE(rb.ReadFromXMLStream(s));
    EXPECT_EQ(ra.CRCofData(), a.CRCofData());
    EXPECT_EQ(rb.CRCofData(), b.CRCofData());
    EXPECT_EQ(rb.DataID(), "second");
    EXPECT_EQ(s.Position(), s.Size() - 2);  // right after "</matrix>", before its line end

    // The same through an open text file.
    ScratchDir dir;
    {
        TTextWriter w(dir.file("two.xml"));
        w.WriteLn("<?xml version=\"1.0\"?>");
        a.WriteToOpenXMLFile(w, false);
        b.WriteToOpenXMLFile(w, false);
        w.Close();
    }
    TTextReader r(dir.file("two.xml"));
    TMatrix fa, fb;
    ASSERT_TRUE(fa.ReadFromOpenXMLFile(r));
    ASSERT_TRUE(fb.ReadFromOpenXMLFile(r));
    EXPECT_EQ(fb.CRCofData(), b.CRCofData());
}

TEST(PersistXml, StreamReaderCopesWithLongContentAndChunkBoundaries) {
    // A cell content far longer than a read chunk, and a document long enough to cross many.
    TMatrix m;
    m.SetFPrecis(1, 0);
    Fill(m, 40, 300);
    std::string text = XmlText(m);
    const std::string cell = "<cell ix=\"1\" iy=\"1\">";
    const size_t at = text.find(cell) + cell.size();
    text.insert(at, std::string(200000, '0'));  // leading zeros do not change the value
    TMatrix back;
    ASSERT_TRUE(ReadXmlText(back, text));
    EXPECT_EQ(back.CRCofData(), m.CRCofData());
}

TEST(PersistXml, LenientWhereTheVocabularyAllows) {
    TMatrix m;
    // Comments, a declaration, blanks and empty cell elements; cells in any order, some absent.
    ASSERT_TRUE(ReadXmlText(m,
                            "<?xml version=\"1.0\"?><!-- a <note> -->\n<matrix>\n"
                            "  <numrows> 2 </numrows><numcols>2</numcols>\n"
                            "  <cell iy=\"2\" ix=\"2\">4</cell>\n"
                            "  <cell ix=\"1\" iy=\"1\"/>\n"
                            "  <numplanes>7</numplanes>\n"
                            "  <cell ix=\"9\" iy=\"1\">5</cell>\n"
                            "</matrix>"));
    EXPECT_EQ(m.NrOfColumns(), 2);
    EXPECT_EQ(m.NrOfRows(), 2);
    EXPECT_EQ(m.GetVal(2, 2), 4.0);
    EXPECT_EQ(m.DataID(), "");
}

TEST(PersistXml, MalformedDocumentsFailAndChangeNothing) {
    const std::string size = "<numcols>2</numcols><numrows>2</numrows>";
    const std::string cell = "<cell ix=\"1\" iy=\"1\">5</cell>";
    const char* why[] = {"empty", "wrong first tag", "no end", "unclosed cell", "wrong closing tag",
                         "invalid tag", "nested matrix", "no size", "no rows", "absurd size",
                         "absurd size without cells", "stray closing tag", "empty matrix tag",
                         "truncated in a tag"};
    const std::string docs[] = {
        "",
        "<matrixx>" + size + "</matrix>",
        "<matrix>" + size + cell,
        "<matrix>" + size + "<cell ix=\"1\" iy=\"1\">5</matrix>",
        "<matrix>" + size + "<cell ix=\"1\" iy=\"1\">5</numcols></matrix>",
        "<matrix>" + size + "<bogus>1</bogus>" + cell + "</matrix>",
        "<matrix>" + size + "<matrix>" + cell + "</matrix></matrix>",
        "<matrix>" + cell + "</matrix>",
        "<matrix><numcols>2</numcols>" + cell + "</matrix>",
        "<matrix><numcols>2000000000</numcols><numrows>2000000000</numrows>" + cell + "</matrix>",
        "<matrix><numcols>2000000000</numcols><numrows>0</numrows></matrix>",
        "<matrix>" + size + "</cell>" + cell + "</matrix>",
        "<matrix/>",
        "<matrix>" + size + "<cell ix=\"1\" iy"};
    for (size_t k = 0; k < std::size(docs); ++k) {
        TMatrix m;
        m.SetVal(1, 1, 42.0);
        m.SetDataID("kept");
        int changes = 0;
        m.OnChange = [&](TObject*) { ++changes; };
        EXPECT_FALSE(ReadXmlText(m, docs[k])) << why[k];
        EXPECT_EQ(m.NrOfColumns(), 1) << why[k];
        EXPECT_EQ(m.GetVal(1, 1), 42.0) << why[k];
        EXPECT_EQ(m.DataID(), "kept") << why[k];
        EXPECT_EQ(changes, 0) << why[k];
    }
}

TEST(PersistXml, StreamPositionAfterAFailedRead) {
    TMemoryStream s;
    const std::string text = "<matrix><numcols>1</numcols><oops/>";
    s.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    s.SetPosition(0);
    TMatrix m;
    EXPECT_FALSE(m.ReadFromXMLStream(s));
    EXPECT_EQ(s.Position(), static_cast<int64_t>(text.size()));  // after the offending tag
}

}  // namespace
}  // namespace ozm

namespace ozm {
namespace {

// A caller that feeds the tags of two documents to the same matrix gets the second document's
// size: the begin tag starts a new document. The size was once applied to the first document
// fed and never again.
TEST(PersistXml, ProcessXmlTagFeedsOneDocumentAfterAnother) {
    TMatrix m;
    const auto feed = [&m](int cols, int rows) {
        EXPECT_EQ(m.ProcessXmlTag(TMatXmlTag::xmlMatBegin, "<matrix>", ""), 0);
        m.ProcessXmlTag(TMatXmlTag::xmlMatNumCols, "<numcols>", std::to_string(cols));
        m.ProcessXmlTag(TMatXmlTag::xmlMatNumRows, "<numrows>", std::to_string(rows));
        EXPECT_EQ(m.ProcessXmlTag(TMatXmlTag::xmlMatCell, "<cell ix=\"1\" iy=\"1\">", "7"), 0);
        EXPECT_EQ(m.ProcessXmlTag(TMatXmlTag::xmlMatEnd, "</matrix>", ""), 1);
    };
    feed(2, 3);
    EXPECT_EQ(m.NrOfColumns(), 2);
    EXPECT_EQ(m.NrOfRows(), 3);
    feed(4, 1);
    EXPECT_EQ(m.NrOfColumns(), 4);
    EXPECT_EQ(m.NrOfRows(), 1);
    EXPECT_EQ(m.GetVal(1, 1), 7);
}

}  // namespace
}  // namespace ozm
