// Stream helpers, the mixed file stream and the ASC header reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "ozm/base/asc.hpp"
#include "ozm/base/mixedfstream.hpp"
#include "ozm/base/streamhelp.hpp"
#include "ozm/platform/exceptions.hpp"
#include "test_support.hpp"

namespace {

using ozm::testing::ReadWholeFile;
using ozm::testing::WriteWholeFile;

TEST(StreamHelpers, ValuesReadBackAndShortStreamsFail) {
    using L = std::numeric_limits<long double>;
    const long double extended[] = {0.0L, -0.0L, 1.0L / 3.0L, -L::max(), L::denorm_min(), L::infinity(),
                                    L::quiet_NaN()};
    const int32_t ints[] = {0, -1, INT32_MIN, INT32_MAX, 0x01020304};
    ozm::TMemoryStream s;
    for (long double v : extended) ozm::WriteExtendedToStream(s, v);
    for (int32_t v : ints) ozm::WriteLongintToStream(s, v);
    EXPECT_EQ(s.Size(), 7 * 10 + 5 * 4);
    // Little-endian integer bytes at the end.
    EXPECT_EQ(std::memcmp(s.Memory() + s.Size() - 4, "\x04\x03\x02\x01", 4), 0);

    s.SetPosition(0);
    for (long double v : extended) {
        long double r = 5;
        ASSERT_TRUE(ozm::ReadExtendedFromStream(s, r));
        if (std::isnan(v)) {
            EXPECT_TRUE(std::isnan(r));
        } else {
            EXPECT_EQ(r, v);
            EXPECT_EQ(std::signbit(r), std::signbit(v));
        }
    }
    for (int32_t v : ints) {
        int32_t r = 5;
        ASSERT_TRUE(ozm::ReadLongintFromStream(s, r));
        EXPECT_EQ(r, v);
    }
    // At the end and on a stream with too few bytes: false, value untouched.
    long double e = 5;
    int32_t i = 5;
    EXPECT_FALSE(ozm::ReadExtendedFromStream(s, e));
    EXPECT_FALSE(ozm::ReadLongintFromStream(s, i));
    ozm::TMemoryStream short_stream;
    short_stream.WriteBuffer("\x01\x02\x03", 3);
    short_stream.SetPosition(0);
    EXPECT_FALSE(ozm::ReadLongintFromStream(short_stream, i));
    short_stream.SetPosition(0);
    EXPECT_FALSE(ozm::ReadExtendedFromStream(short_stream, e));
    EXPECT_EQ(e, 5);
    EXPECT_EQ(i, 5);
}

TEST(MixedFStream, EveryItemRoundTripsAndReadsStopAtTheEnd) {
    ozm::testing::ScratchDir dir;
    const std::string name = dir.file("mixed.bin");
    const double denorm = std::numeric_limits<double>::denorm_min();
    {
        ozm::TMixedFStream f(name, true);
        f.WriteByte(0);
        f.WriteByte(255);
        f.WriteInteger(INT32_MIN);
        f.WriteInteger(0x01020304);
        f.WriteDouble(-0.0);
        f.WriteDouble(denorm);
        f.WriteDouble(std::numeric_limits<double>::quiet_NaN());
        f.WriteLn("first line");
        f.WriteLn("");
        f.WriteByte('\n');  // binary items may hold line-end bytes
        f.WriteLn("last");
        f.Close();
    }
    const std::string bytes = ReadWholeFile(name);
    EXPECT_EQ(bytes.size(), 2u + 8u + 24u + 12u + 2u + 1u + 6u);
    EXPECT_EQ(bytes.substr(6, 4), std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(bytes.substr(34, 12), "first line\r\n");

    ozm::TMixedFStream f(name, false);
    uint8_t b = 0;
    int32_t i = 0;
    double d = 0;
    std::string line;
    ASSERT_TRUE(f.ReadByte(b));
    EXPECT_EQ(b, 0);
    ASSERT_TRUE(f.ReadByte(b));
    EXPECT_EQ(b, 255);
    ASSERT_TRUE(f.ReadInteger(i));
    EXPECT_EQ(i, INT32_MIN);
    ASSERT_TRUE(f.ReadInteger(i));
    EXPECT_EQ(i, 0x01020304);
    ASSERT_TRUE(f.ReadDouble(d));
    EXPECT_EQ(d, 0.0);
    EXPECT_TRUE(std::signbit(d));
    ASSERT_TRUE(f.ReadDouble(d));
    EXPECT_EQ(d, denorm);
    ASSERT_TRUE(f.ReadDouble(d));
    EXPECT_TRUE(std::isnan(d));
    ASSERT_TRUE(f.ReadLn(line));
    EXPECT_EQ(line, "first line");
    ASSERT_TRUE(f.ReadLn(line));
    EXPECT_EQ(line, "");
    ASSERT_TRUE(f.ReadByte(b));
    EXPECT_EQ(b, '\n');
    EXPECT_FALSE(f.Eof());
    ASSERT_TRUE(f.ReadLn(line));
    EXPECT_EQ(line, "last");
    EXPECT_TRUE(f.Eof());

    // Past the end every read reports false and leaves its value alone.
    b = 7;
    i = 7;
    d = 7;
    EXPECT_FALSE(f.ReadByte(b));
    EXPECT_FALSE(f.ReadInteger(i));
    EXPECT_FALSE(f.ReadDouble(d));
    EXPECT_FALSE(f.ReadLn(line));
    EXPECT_EQ(b, 7);
    EXPECT_EQ(i, 7);
    EXPECT_EQ(d, 7);

    EXPECT_THROW(ozm::TMixedFStream(dir.file("missing.bin"), false), ozm::EInOutError);
}

TEST(MixedFStream, LinesWithAnyEndAndTruncatedItems) {
    ozm::testing::ScratchDir dir;
    const std::string name = dir.file("lines.txt");
    WriteWholeFile(name, "lf\ncr\rcrlf\r\nend\r");
    {
        ozm::TMixedFStream f(name, false);
        std::string line;
        for (const char* expected : {"lf", "cr", "crlf", "end"}) {
            ASSERT_TRUE(f.ReadLn(line));
            EXPECT_EQ(line, expected);
        }
        EXPECT_FALSE(f.ReadLn(line));
    }
    WriteWholeFile(name, std::string("\x01\x02\x03", 3));
    ozm::TMixedFStream f(name, false);
    double d = 1;
    int32_t i = 1;
    EXPECT_FALSE(f.ReadDouble(d));
    EXPECT_EQ(d, 1);
    EXPECT_FALSE(f.ReadInteger(i));
    EXPECT_EQ(i, 1);
}

TEST(AscHeader, EveryResultCode) {
    ozm::testing::ScratchDir dir;
    const std::string name = dir.file("h.asc");
    auto read = [&](const std::string& content, ozm::TAscHeader& h) {
        WriteWholeFile(name, content);
        return ozm::ReadHeaderOfASC(name, h);
    };
    ozm::TAscHeader h;

    // A good header with four flags, written as the library writes it.
    ASSERT_EQ(read("my data\r\n3\t;nr. of columns\r\n5\t;nr. of rows\r\n"
                   "TRUE false True FALSE\t;row attributes, column names, row names, nominal variables\r\n"
                   "1 2 3\r\n",
                   h),
              ozm::kAscHeaderOk);
    EXPECT_EQ(h.Comment, "my data");
    EXPECT_EQ(h.NrColumns, 3);
    EXPECT_EQ(h.NrRows, 5);
    EXPECT_TRUE(h.RowAttributes);
    EXPECT_FALSE(h.ColumnNames);
    EXPECT_TRUE(h.RowNames);
    EXPECT_FALSE(h.NominalVariables);

    // Three flags (curve-fit files), LF line ends, no comment after the counts.
    ASSERT_EQ(read("\n0\n1\nFALSE TRUE TRUE\n", h), ozm::kAscHeaderOk);
    EXPECT_EQ(h.Comment, "");
    EXPECT_EQ(h.NrColumns, 0);
    EXPECT_EQ(h.NrRows, 1);
    EXPECT_FALSE(h.RowAttributes);
    EXPECT_TRUE(h.ColumnNames);
    EXPECT_TRUE(h.RowNames);
    EXPECT_FALSE(h.NominalVariables);
    ASSERT_EQ(read("c\n2;cols\n 4 ;rows\nTRUE TRUE TRUE TRUE;flags", h), ozm::kAscHeaderOk);
    EXPECT_EQ(h.NrColumns, 2);
    EXPECT_EQ(h.NrRows, 4);
    EXPECT_TRUE(h.NominalVariables);

    // Failures leave the header as it was.
    const ozm::TAscHeader before = h;
    EXPECT_EQ(ozm::ReadHeaderOfASC(dir.file("missing.asc"), h), ozm::kAscCannotOpen);
    EXPECT_EQ(ozm::ReadHeaderOfASC(dir.path().string(), h), ozm::kAscCannotOpen);
    EXPECT_EQ(read("", h), ozm::kAscHeaderTruncated);
    EXPECT_EQ(read("c\r\n1\r\n2\r\n", h), ozm::kAscHeaderTruncated);
    for (const char* columns : {"", "x", "-1", "3x", "2147483648", "1.5"})
        EXPECT_EQ(read(std::string("c\n") + columns + "\n2\nTRUE TRUE TRUE\n", h), ozm::kAscBadColumnCount) << columns;
    EXPECT_EQ(read("c\n1\n-2\nTRUE TRUE TRUE\n", h), ozm::kAscBadRowCount);
    EXPECT_EQ(read("c\n1\n\nTRUE TRUE TRUE\n", h), ozm::kAscBadRowCount);
    for (const char* flags : {"", "TRUE TRUE", "TRUE TRUE TRUE TRUE TRUE", "TRUE MAYBE FALSE", "1 0 1"})
        EXPECT_EQ(read(std::string("c\n1\n2\n") + flags + "\n", h), ozm::kAscBadFlags) << flags;
    EXPECT_EQ(h.Comment, before.Comment);
    EXPECT_EQ(h.NrColumns, before.NrColumns);
    EXPECT_EQ(h.NrRows, before.NrRows);
    EXPECT_EQ(h.NominalVariables, before.NominalVariables);
}

}  // namespace
