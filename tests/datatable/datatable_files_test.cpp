// TDataTable files: XML, CSV and ASC round trips of everything each format carries, the real
// table, embedded documents, and input that is malformed, truncated or hostile.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "datatable_test_support.hpp"
#include "test_support.hpp"

namespace ozm {
namespace {

using ozm::testing::LoadIris;
using ozm::testing::ReadWholeFile;
using ozm::testing::ScratchDir;
using ozm::testing::WriteWholeFile;

std::string StreamText(TMemoryStream& s) {
    return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

// A table holding every kind of content: awkward names, attributes, all scale types, identifiers
// (also on a column that is not categorical at the moment), states and extreme values.
void FillRich(TDataTable& t) {
    t.Resize(5, 4);
    t.SetFComment("Comment with <markup> & \"quotes\"");
    t.SetColName(1, "a<b>&\"c\"");
    t.SetColName(2, "line\r\nend\ttab");
    t.SetColName(3, "");
    t.SetRowName(2, "&#10; literally");
    t.SetColAttrib(4, -7);
    t.SetRowAttrib(3, 2147483647);
    t.SetMScaleType(1, TMScaleType::stNominal);
    t.SetMScaleType(2, TMScaleType::stOrdinal);
    t.SetMScaleType(3, TMScaleType::stRatio);
    t.SetMScaleType(5, TMScaleType::stUnknown);
    t.SetNominalID(1, 1, "x,y");
    t.SetNominalID(1, 150, "last");
    t.SetNominalID(2, 2, "2nd \"q\"");
    t.SetMScaleType(4, TMScaleType::stNominal);
    t.SetNominalID(4, 3, "hidden");
    t.SetMScaleType(4, TMScaleType::stInterval);
    const double values[] = {1, 150, 2, 1,
                             2, 2, 2, 2,
                             0.1, -0.0, 1e-310, 1.7976931348623157e308,
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(), -2.5e-5, 1.0 / 3.0,
                             -1, 0, 1, 2};
    for (int c = 1; c <= 5; ++c)
        for (int r = 1; r <= 4; ++r) t.SetElem(c, r, values[(c - 1) * 4 + (r - 1)]);
    t.SetCellState(3, 2, datatable::csEmpty | datatable::csMark1);
    t.SetCellState(5, 4, 0xFF);
}

// Values of cells that are not numbers are compared only when the format keeps them (XML).
void ExpectSameTable(const TDataTable& a, const TDataTable& b, bool AllValues = true) {
    ASSERT_EQ(a.NrOfColumns(), b.NrOfColumns());
    ASSERT_EQ(a.NrOfRows(), b.NrOfRows());
    EXPECT_EQ(a.Comment(), b.Comment());
    EXPECT_EQ(a.CRCofNamesAndAttributes(), b.CRCofNamesAndAttributes());
    EXPECT_EQ(a.CRCofCellStates(), b.CRCofCellStates());
    for (int c = 1; c <= a.NrOfColumns(); ++c) {
        EXPECT_EQ(a.GetColName(c), b.GetColName(c));
        EXPECT_EQ(a.GetMScaleType(c), b.GetMScaleType(c));
        for (int r = 1; r <= a.NrOfRows(); ++r) {
            if (!AllValues && !a.GetIsNumber(c, r)) continue;
            const double x = a.NumericData()->GetVal(c, r), y = b.NumericData()->GetVal(c, r);
            if (std::isnan(x))
                EXPECT_TRUE(std::isnan(y));
            else
                EXPECT_EQ(std::bit_cast<uint64_t>(x), std::bit_cast<uint64_t>(y)) << c << "," << r;
        }
    }
    for (int r = 1; r <= a.NrOfRows(); ++r) EXPECT_EQ(a.GetRowName(r), b.GetRowName(r));
}

TEST(DataTableXml, RoundTripsEverythingThroughEveryReader) {
    TDataTable t;
    FillRich(t);
    ScratchDir dir;
    ASSERT_TRUE(t.SaveAsXMLFile(dir.file("t.xml")));
    const std::string text = ReadWholeFile(dir.file("t.xml"));
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\"?>\r\n<datatable>\r\n", 0), 0u);
    EXPECT_NE(text.find("<col ix=\"2\">line&#x0D;&#x0A;end&#x09;tab</col>"), std::string::npos);
    EXPECT_NE(text.find("<cell ix=\"3\" iy=\"2\" st=\"66\">-0</cell>"), std::string::npos);

    TDataTable from_file, from_string, from_stream, from_open;
    ASSERT_TRUE(from_file.LoadFromXMLFile(dir.file("t.xml")));
    ExpectSameTable(t, from_file);
    ASSERT_TRUE(from_string.ReadFromXMLString(text));
    ExpectSameTable(t, from_string);
    TMemoryStream s;
    s.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    s.SetPosition(0);
    ASSERT_TRUE(from_stream.ReadFromXMLStream(s));
    ExpectSameTable(t, from_stream);
    TTextReader reader(dir.file("t.xml"));
    ASSERT_TRUE(from_open.ReadFromOpenXMLFile(reader));
    ExpectSameTable(t, from_open);
    from_open.SetMScaleType(4, TMScaleType::stNominal);
    EXPECT_EQ(from_open.GetNominalID(4, 3), "hidden");
    EXPECT_EQ(from_open.GetColAttrib(4), -7);
    EXPECT_EQ(from_open.GetRowAttrib(3), 2147483647);
    EXPECT_EQ(from_open.GetRowName(2), "&#10; literally");

    // A read fires the events of a content copy once.
    TDataTable target;
    ozm::testing::EventLog log(target);
    ASSERT_TRUE(target.ReadFromXMLString(text));
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"data", "states", "setup", "names", "attrib",
                                                     "resize 1x1->5x4"}));
}

TEST(DataTableXml, EmbeddedTableStopsAtItsEndElement) {
    TDataTable t;
    FillRich(t);
    TMemoryStream s;
    const std::string before = "<model>\r\n";
    s.WriteBuffer(before.data(), static_cast<int64_t>(before.size()));
    t.WriteToXMLStream(s, false);
    const std::string after = "<weights>1 2 3</weights>\r\n</model>\r\n";
    s.WriteBuffer(after.data(), static_cast<int64_t>(after.size()));
    s.SetPosition(static_cast<int64_t>(before.size()));
    TDataTable back;
    ASSERT_TRUE(back.ReadFromXMLStream(s));
    ExpectSameTable(t, back);
    std::string rest(static_cast<size_t>(s.Size() - s.Position()), '\0');
    s.ReadBuffer(rest.data(), static_cast<int64_t>(rest.size()));
    EXPECT_EQ(rest, "\r\n" + after);
}

TEST(DataTableXml, MalformedAndHostileDocumentsChangeNothing) {
    const std::string head = "<datatable>\n<size cols=\"2\" rows=\"2\"/>\n";
    const std::string bad[] = {
        "",
        "<matrix>",
        head,                                                           // never closed
        "<datatable>\n</datatable>",                                    // no size
        "<datatable><size cols=\"2\" rows=\"-1\"/></datatable>",
        "<datatable><size cols=\"100000\" rows=\"100000\"/></datatable>",  // absurd size
        "<datatable><size cols=\"2147483647\" rows=\"2147483647\"/></datatable>",
        "<datatable><size cols=\"x\" rows=\"2\"/></datatable>",
        head + "<datacells><cell ix=\"3\" iy=\"1\">1</cell></datacells></datatable>",
        head + "<datacells><cell ix=\"1\" iy=\"0\">1</cell></datacells></datatable>",
        head + "<datacells><cell ix=\"1\" iy=\"1\" st=\"256\">1</cell></datacells></datatable>",
        head + "<datacells><cell ix=\"1\" iy=\"1\">one</cell></datacells></datatable>",
        head + "<datacells><cell ix=\"1\" iy=\"1\">1</datacells></datatable>",  // cell not closed
        head + "<cell ix=\"1\" iy=\"1\">1</cell></datatable>",                   // outside its list
        head + "<colnames><rownames></rownames></colnames></datatable>",       // nested lists
        head + "<colnames><col ix=\"1\">a</col></datatable>",                  // list not closed
        head + "<vardef ix=\"1\" type=\"Fuzzy\"/></datatable>",
        head + "<vardef ix=\"1\"><idf ix=\"151\">a</idf></vardef></datatable>",
        head + "<colattrib><col ix=\"1\">99999999999</col></colattrib></datatable>",
        head + "<unknown/></datatable>",
        head + "<datatable></datatable></datatable>",
        "<datatable><datacells></datacells><size cols=\"1\" rows=\"1\"/></datatable>",  // size late
    };
    for (const std::string& doc : bad) {
        TDataTable t;
        t.SetColName(1, "untouched");
        EXPECT_FALSE(t.ReadFromXMLString(doc)) << doc;
        EXPECT_EQ(t.GetColName(1), "untouched");
        EXPECT_EQ(t.NrOfRows(), 1);
    }
    // A minimal document: everything not given takes the defaults of a resize.
    TDataTable t;
    ASSERT_TRUE(t.ReadFromXMLString(head + "<datacells><cell ix=\"2\" iy=\"2\"/></datacells>"
                                           "</datatable>"));
    EXPECT_EQ(t.GetColName(2), "C-2");
    EXPECT_EQ(t.GetElem(2, 2), 0.0);
}

TEST(DataTableCsv, RoundTripAndRfc4180Fields) {
    TDataTable t;
    t.Resize(3, 4);
    t.SetColName(1, "plain");
    t.SetColName(2, "with,comma \"and\" quotes");
    t.SetColName(3, "multi\nline");
    t.SetMScaleType(3, TMScaleType::stNominal);
    const char* cats[] = {" lead", "x;y", "a\"b", " lead"};
    for (int r = 1; r <= 4; ++r) {
        t.SetElem(1, r, r / 3.0);
        t.SetElem(2, r, r == 2 ? 1e-310 : -r * 1e20);
        t.SetElemNominal(3, r, cats[r - 1]);
        t.SetRowName(r, "row " + std::to_string(r));
    }
    t.SetIsEmpty(2, 3, true);
    for (char dp : {'.', ','}) {
        TCsvOptions o;
        o.Separator = dp == ',' ? ';' : ',';
        o.DecimalPoint = dp;
        o.HasRowNames = true;
        TMemoryStream s;
        ASSERT_EQ(t.ExportAsCSV(s, o), 0);
        const std::string text = StreamText(s);
        TDataTable back;
        ASSERT_EQ(back.ReadFromCSVString(text, o), 0) << text;
        ExpectSameTable(t, back, false);
        EXPECT_EQ(back.GetCellState(2, 3), datatable::csEmpty);
        EXPECT_EQ(back.GetElemNominal(3, 4), " lead");
    }
    TCsvOptions bad;
    bad.Separator = bad.DecimalPoint = ',';
    TMemoryStream s;
    EXPECT_EQ(t.ExportAsCSV(s, bad), datatable::kCsvBadSeparators);

    // A single column with an empty last cell survives (written as "").
    TDataTable one;
    one.Resize(1, 2);
    one.SetIsEmpty(1, 2, true);
    ASSERT_EQ(one.ExportAsCSV(s), 0);
    TDataTable one_back;
    ASSERT_EQ(one_back.ReadFromCSVString(StreamText(s)), 0);
    EXPECT_EQ(one_back.NrOfRows(), 2);
    EXPECT_TRUE(one_back.GetIsEmpty(1, 2));

    // A first field that starts with the byte order mark is quoted, so it is not read as one.
    TDataTable bom;
    bom.Resize(1, 1);
    bom.SetMScaleType(1, TMScaleType::stNominal);
    bom.SetElemNominal(1, 1, "\xEF\xBB\xBFx");
    TCsvOptions no_header;
    no_header.HasHeader = false;
    TMemoryStream bom_text;
    ASSERT_EQ(bom.ExportAsCSV(bom_text, no_header), 0);
    TDataTable bom_back;
    ASSERT_EQ(bom_back.ReadFromCSVString(StreamText(bom_text), no_header), 0);
    EXPECT_EQ(bom_back.GetElemNominal(1, 1), "\xEF\xBB\xBFx");
}

TEST(DataTableCsv, TypesOfColumnsAndBadInput) {
    TDataTable t;
    // Text in a numeric column is an invalid cell, not a silent 0; an empty field is empty.
    ASSERT_EQ(t.ReadFromCSVString(std::string_view("x,kind\r\n1.5,a\r\nn/a,b\r\n,A\r\n2,\r\n")), 0);
    EXPECT_EQ(t.GetMScaleType(1), TMScaleType::stInterval);
    EXPECT_EQ(t.GetCellState(1, 2), datatable::csInvalid);
    EXPECT_EQ(t.GetCellState(1, 3), datatable::csEmpty);
    EXPECT_EQ(t.GetElem(1, 4), 2.0);
    EXPECT_EQ(t.GetMScaleType(2), TMScaleType::stNominal);
    EXPECT_EQ(t.GetElem(2, 3), 1.0);  // "A" is "a"
    EXPECT_EQ(t.GetElem(2, 2), 2.0);
    EXPECT_EQ(t.GetCellState(2, 4), datatable::csEmpty);
    TCsvOptions no_header;
    no_header.HasHeader = false;
    ASSERT_EQ(t.ReadFromCSVString(std::string_view("1\n2"), no_header), 0);
    EXPECT_EQ(t.GetColName(1), "C-1");
    EXPECT_EQ(t.NrOfRows(), 2);

    std::string many = "c\n";
    for (int k = 1; k <= 151; ++k) many += "v" + std::to_string(k) + "\n";
    std::string long_name = std::string(70, 'n') + "\n1\n";
    const std::pair<std::string, int> cases[] = {
        {"a,b\n1,2\n3\n", datatable::kCsvRaggedRow},
        {"a,b\n1,\"2\n", datatable::kCsvUnclosedQuote},
        {"a,b\n1,\"2\"x\n", datatable::kCsvUnclosedQuote},
        {"", datatable::kCsvNoData},
        {"\r\n\r\n", datatable::kCsvNoData},
        {many, datatable::kCsvTooManyCategories},
    };
    for (const auto& [text, code] : cases) {
        TDataTable u;
        u.SetColName(1, "untouched");
        EXPECT_EQ(u.ReadFromCSVString(std::string_view(text)), code) << text;
        EXPECT_EQ(u.GetColName(1), "untouched");
    }
    TDataTable u;
    ASSERT_EQ(u.ReadFromCSVString(std::string_view(long_name)), 0);
    EXPECT_EQ(u.GetColName(1), std::string(50, 'n'));
    EXPECT_EQ(u.ImportFromCSV(std::string("/no/such/file.csv")), datatable::kCsvCannotOpen);
}

TEST(DataTableCsv, ImportsTheRealTableWhateverTheLocale) {
    ozm::testing::ScopedCommaLocale comma;
    TDataTable t;
    LoadIris(t);
    EXPECT_EQ(t.GetElem(1, 1), 5.1);
    EXPECT_EQ(t.GetElem(4, 150), 1.8);
    EXPECT_EQ(t.GetElemNominal(5, 1), "setosa");
    EXPECT_EQ(t.GetElemNominal(5, 150), "virginica");
    EXPECT_EQ(t.CountNominalIDs(5), 3);
    // Written as CSV and read back, the species column comes back as text categories.
    TMemoryStream s;
    ASSERT_EQ(t.ExportAsCSV(s), 0);
    EXPECT_EQ(StreamText(s).substr(0, 78),
              "sepal length,sepal width,petal length,petal width,species\r\n5.1,3.5,1.4,0.2,set");
    TDataTable back;
    ASSERT_EQ(back.ReadFromCSVString(StreamText(s)), 0);
    ExpectSameTable(t, back);
}

TEST(DataTableAsc, RoundTripOfWhatTheFormatCarries) {
    TDataTable t;
    LoadIris(t);
    t.SetFComment("Fisher's iris");
    t.SetRowAttrib(7, -3);
    t.SetRowName(8, "eighth \"row\"");
    t.SetIsEmpty(2, 9, true);
    ScratchDir dir;
    ASSERT_EQ(t.ExportAsASC(dir.file("iris.asc")), 0);
    const std::string text = ReadWholeFile(dir.file("iris.asc"));
    EXPECT_EQ(text.substr(0, text.find("\r\n\"")),
              "Fisher's iris\r\n5\t;nr. of columns\r\n150\t;nr. of rows\r\nTRUE TRUE TRUE TRUE\t"
              ";row attributes, column names, row names, nominal variables");
    TDataTable back;
    ASSERT_EQ(back.ImportASC(dir.file("iris.asc")), 0);
    t.SetRowName(8, "eighth 'row'");  // the format has no quotes inside names
    ExpectSameTable(t, back, false);
    EXPECT_EQ(back.GetRowAttrib(7), -3);
    EXPECT_EQ(back.GetElemNominal(5, 150), "virginica");
    EXPECT_TRUE(back.GetIsEmpty(2, 9));

    // The matrix reads the same file's numbers when it has no categories.
    TDataTable numbers;
    numbers.Resize(2, 2);
    numbers.SetElem(2, 2, 0.25);
    ASSERT_EQ(numbers.ExportAsASC(dir.file("n.asc")), 0);
    TMatrix m;
    std::string comment;
    ASSERT_EQ(m.ImportASC(dir.file("n.asc"), comment), 0);
    EXPECT_EQ(m.GetVal(2, 2), 0.25);
    EXPECT_EQ(comment, "Exported by OZM TDataTable component: " + dir.file("n.asc"));

    EXPECT_EQ(back.ImportASC(dir.file("missing.asc")), datatable::kAscFileMissing);
    const std::pair<std::string, int> cases[] = {
        {"c\n2\n", kAscHeaderTruncated},
        {"c\nx\n1\nFALSE FALSE FALSE\n", kAscBadColumnCount},
        {"c\n1\n-1\nFALSE FALSE FALSE\n", kAscBadRowCount},
        {"c\n1\n1\nFALSE MAYBE FALSE\n", kAscBadFlags},
        {"c\n2\n1\nFALSE FALSE FALSE\n1\n", datatable::kAscValueError},           // short row
        {"c\n1\n2\nFALSE FALSE FALSE\n1\n", datatable::kAscValueError},           // ends early
        {"c\n1\n1\nTRUE FALSE FALSE\nx 1\n", datatable::kAscRowAttributeError},
        {"c\n1\n1\nFALSE FALSE FALSE\nabc\n", datatable::kAscValueError},
        {"c\n1\n1\nFALSE FALSE FALSE\n\"open\n", datatable::kAscValueError},
        {"c\n100000\n100000\nFALSE FALSE FALSE\n1\n", datatable::kAscValueError},  // absurd
    };
    for (const auto& [doc, code] : cases) {
        TMemoryStream s;
        s.WriteBuffer(doc.data(), static_cast<int64_t>(doc.size()));
        s.SetPosition(0);
        TDataTable u;
        EXPECT_EQ(u.ReadFromASC(s), code) << doc;
        EXPECT_EQ(u.NrOfColumns(), 1);
    }
    // An empty quoted value is a missing value, not a category (regression: the column turned
    // nominal and did not read back as such).
    const std::string empty_quote = "c\n2\n1\nFALSE FALSE FALSE TRUE\n\"\" 2\n";
    TMemoryStream eq;
    eq.WriteBuffer(empty_quote.data(), static_cast<int64_t>(empty_quote.size()));
    eq.SetPosition(0);
    ASSERT_EQ(back.ReadFromASC(eq), 0);
    EXPECT_TRUE(back.GetIsEmpty(1, 1));
    EXPECT_EQ(back.GetMScaleType(1), TMScaleType::stInterval);
    std::string many = "c\n1\n151\nFALSE FALSE FALSE TRUE\n";
    for (int k = 1; k <= 151; ++k) many += "\"v" + std::to_string(k) + "\"\n";
    TMemoryStream s;
    s.WriteBuffer(many.data(), static_cast<int64_t>(many.size()));
    s.SetPosition(0);
    EXPECT_EQ(back.ReadFromASC(s), datatable::kAscTooManyCategories);
}

}  // namespace
}  // namespace ozm
