// ASC text tables and the list format of TMatrix.
#include <gtest/gtest.h>

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

void Fill(TMatrix& m, int nc, int nr) {
    m.Resize(nc, nr);
    for (int c = 1; c <= nc; ++c)
        for (int r = 1; r <= nr; ++r) m.SetVal(c, r, (c * 10 + r) / 7.0);
}

TEST(PersistAsc, ExportLayout) {
    ScratchDir dir;
    TMatrix m;
    m.Resize(2, 2);
    m.SetVal(1, 1, 1.5);
    m.SetVal(2, 1, -2.0);
    m.SetVal(1, 2, 1234567.25);
    m.SetFPrecis(2, 2);
    const std::string f = dir.file("m.asc");
    ASSERT_EQ(m.ExportAsASC(f, ""), 0);
    EXPECT_EQ(ReadWholeFile(f),
              "Exported by OZM TMatrix component: " + f + "\r\n"
              "2\t;nr. of columns\r\n"
              "2\t;nr. of rows\r\n"
              "FALSE FALSE FALSE FALSE\t;row attributes, column names, row names, nominal variables\r\n"
              "        1.50        -2.00\r\n"
              "  1234567.25         0.00\r\n");

    ASSERT_EQ(m.ExportAsASC(f, "two\nlines", {"a \"b\"", "x\ry", "ignored"}), 0);
    const std::string text = ReadWholeFile(f);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "two lines");
    EXPECT_NE(text.find("FALSE TRUE FALSE FALSE\t;"), std::string::npos);
    EXPECT_NE(text.find("\r\n\"a 'b'\" \"x y\"\r\n"), std::string::npos);

    EXPECT_EQ(m.ExportAsASC(dir.file("no/folder.asc"), ""), -1);
}

TEST(PersistAsc, RoundTripsWithAndWithoutNames) {
    ScratchDir dir;
    TMatrix m;
    Fill(m, 3, 4);
    m.SetFPrecis(1, 0);
    m.SetVal(2, 3, -std::numeric_limits<double>::infinity());
    const std::string f = dir.file("m.asc");
    ASSERT_EQ(m.ExportAsASC(f, "data", {"alpha", "beta"}), 0);
    TMatrix back;
    int changes = 0;
    back.OnChange = [&](TObject*) { ++changes; };
    std::string comment;
    TStrArray names;
    ASSERT_EQ(back.ImportASC(f, comment, names), 0);
    EXPECT_EQ(comment, "data");
    EXPECT_EQ(names, (TStrArray{"alpha", "beta", ""}));
    EXPECT_EQ(back.CRCofData(), m.CRCofData());
    EXPECT_EQ(changes, 1);

    ASSERT_EQ(m.ExportAsASC(f, ""), 0);
    TMatrix plain;
    ASSERT_EQ(plain.ImportASC(f, comment), 0);
    EXPECT_EQ(plain.CRCofData(), m.CRCofData());
    ASSERT_EQ(plain.ImportASC(f, comment, names), 0);
    EXPECT_EQ(names, (TStrArray{"", "", ""}));

    // A NaN cell is written NAN, which the format reads as a missing value: 0.
    m.SetVal(1, 1, std::numeric_limits<double>::quiet_NaN());
    ASSERT_EQ(m.ExportAsASC(f, ""), 0);
    ASSERT_EQ(plain.ImportASC(f, comment), 0);
    EXPECT_EQ(plain.GetVal(1, 1), 0.0);
}

TEST(PersistAsc, ReadsAttributesNamesCommentsAndMissingValues) {
    ScratchDir dir;
    const std::string f = dir.file("in.asc");
    WriteWholeFile(f,
                   "comment\n2 ;nr. of columns\n3\n true TRUE true false\n"
                   "\"c1\" \"c 2\"\n"
                   "; a comment line\n"
                   "1 \"row one\" 1.5 NAN extra fields\n"
                   "\n"
                   "2.5\t\"r2\"\t### -2e3 ;comment\n"
                   "3 \"r3\" 7 8;comment\n");
    TMatrix m;
    std::string comment;
    TStrArray names;
    ASSERT_EQ(m.ImportASC(f, comment, names), 0);
    EXPECT_EQ(comment, "comment");
    EXPECT_EQ(names, (TStrArray{"c1", "c 2"}));
    ASSERT_EQ(m.NrOfColumns(), 2);
    ASSERT_EQ(m.NrOfRows(), 3);
    EXPECT_EQ(m.GetVal(1, 1), 1.5);
    EXPECT_EQ(m.GetVal(2, 1), 0.0);
    EXPECT_EQ(m.GetVal(1, 2), 0.0);
    EXPECT_EQ(m.GetVal(2, 2), -2000.0);
    EXPECT_EQ(m.GetVal(1, 3), 7.0);
    EXPECT_EQ(m.GetVal(2, 3), 8.0);
}

TEST(PersistAsc, ErrorsLeaveTheMatrixUnchanged) {
    ScratchDir dir;
    const std::string f = dir.file("bad.asc");
    const std::string header = "c\n2\n2\nFALSE FALSE FALSE FALSE\n";
    const std::pair<std::string, int> cases[] = {
        {header + "1 2\n3\n", matrix::kAscValueError},          // a row with too few values
        {header + "1 2\n", matrix::kAscValueError},             // file ends before the last row
        {header + "1 x\n3 4\n", matrix::kAscValueError},        // no number
        {"c\n2\n2\nTRUE FALSE FALSE\nx 1 2\n1 3 4\n", matrix::kAscRowAttributeError},
        {"c\n2000000000\n2000000000\nFALSE FALSE FALSE\n1 2\n", matrix::kAscValueError},
        {"c\n2000000000\n0\nFALSE FALSE FALSE\n", matrix::kAscValueError},
        {"c\n2\n", kAscHeaderTruncated},
        {"c\nx\n2\nFALSE FALSE FALSE\n", kAscBadColumnCount},
        {"c\n2\n2\nMAYBE\n", kAscBadFlags}};
    for (const auto& [text, code] : cases) {
        WriteWholeFile(f, text);
        TMatrix m;
        m.SetVal(1, 1, 9.0);
        int changes = 0;
        m.OnChange = [&](TObject*) { ++changes; };
        std::string comment;
        TStrArray names{"kept"};
        EXPECT_EQ(m.ImportASC(f, comment, names), code) << text;
        EXPECT_EQ(m.NrOfColumns(), 1);
        EXPECT_EQ(m.GetVal(1, 1), 9.0);
        EXPECT_EQ(names, TStrArray{"kept"});
        EXPECT_EQ(changes, 0);
    }
    TMatrix m;
    std::string comment;
    EXPECT_EQ(m.ImportASC(dir.file("missing.asc"), comment), matrix::kAscFileMissing);
}

TEST(PersistList, StoreLayoutAndRange) {
    ScratchDir dir;
    TMatrix m;
    Fill(m, 4, 5);
    m.SetFPrecis(2, 1);
    const std::string f = dir.file("m.lst");
    // Reversed bounds are swapped, out-of-range ones clamped.
    ASSERT_TRUE(m.StoreOnFile(3, 2, 9, 4, f));
    EXPECT_EQ(ReadWholeFile(f), "2 3 4 5\r\n3.4 4.9\r\n3.6 5.0\r\n");
    EXPECT_FALSE(m.StoreOnFile(0, 0, 0, 0, dir.file("no/folder.lst")));
}

TEST(PersistList, LoadFillsTheRectangle) {
    ScratchDir dir;
    TMatrix m;
    Fill(m, 4, 5);
    m.SetFPrecis(1, 0);
    const std::string f = dir.file("m.lst");
    ASSERT_TRUE(m.StoreOnFile(2, 3, 4, 5, f));

    TMatrix back;  // AdjustMatrixSize: the matrix becomes HighCol x HighRow
    int changes = 0;
    back.OnChange = [&](TObject*) { ++changes; };
    ASSERT_TRUE(back.LoadFromFile(f, true));
    EXPECT_EQ(back.NrOfColumns(), 3);
    EXPECT_EQ(back.NrOfRows(), 5);
    EXPECT_EQ(back.GetVal(2, 4), m.GetVal(2, 4));
    EXPECT_EQ(back.GetVal(3, 5), m.GetVal(3, 5));
    EXPECT_EQ(back.GetVal(1, 1), 0.0);
    EXPECT_EQ(changes, 1);  // once: the resize is part of the load

    TMatrix small;  // too small without AdjustMatrixSize: nothing read
    small.Resize(2, 2);
    small.SetVal(1, 1, 5.0);
    EXPECT_FALSE(small.LoadFromFile(f, false));
    EXPECT_EQ(small.GetVal(1, 1), 5.0);

    ASSERT_TRUE(m.StoreOnFile(0, 0, 0, 0, f));  // whole matrix, exact text
    TMatrix whole;
    ASSERT_TRUE(whole.LoadFromFile(f, true));
    EXPECT_EQ(whole.CRCofData(), m.CRCofData());

    TMatrix empty;
    empty.Resize(0, 3);
    ASSERT_TRUE(empty.StoreOnFile(0, 0, 0, 0, f));
    EXPECT_EQ(ReadWholeFile(f).substr(0, 9), "1 0 1 3\r\n");
    ASSERT_TRUE(whole.LoadFromFile(f, true));
    EXPECT_EQ(whole.NrOfColumns(), 0);
    EXPECT_EQ(whole.NrOfRows(), 3);
}

TEST(PersistList, DamagedFiles) {
    ScratchDir dir;
    const std::string f = dir.file("bad.lst");
    TMatrix m;
    m.Resize(3, 3);
    m.SetVal(1, 1, 9.0);
    // An unreadable entry is skipped; the file ending early gives false, the rest stays read.
    WriteWholeFile(f, "1 2 1 2\n1 x\n3");
    EXPECT_FALSE(m.LoadFromFile(f, false));
    EXPECT_EQ(m.GetVal(1, 1), 1.0);
    EXPECT_EQ(m.GetVal(2, 1), 0.0);
    EXPECT_EQ(m.GetVal(1, 2), 3.0);
    for (const char* text : {"1 2 1", "0 2 1 2\n1 2\n3 4\n", "3 1 1 2\n1\n", "a b c d",
                             "1 2000000000 1 2000000000\n1 2\n",
                             "2000000000 2000000000 1 1\n5\n"}) {
        WriteWholeFile(f, text);
        TMatrix t;
        t.SetVal(1, 1, 7.0);
        EXPECT_FALSE(t.LoadFromFile(f, true)) << text;
        EXPECT_EQ(t.NrOfColumns(), 1) << text;
        EXPECT_EQ(t.GetVal(1, 1), 7.0) << text;
    }
    EXPECT_FALSE(m.LoadFromFile(dir.file("missing.lst"), true));
}

}  // namespace
}  // namespace ozm
