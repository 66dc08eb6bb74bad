// The stream layout, the ASC format and the list formats: exact layouts, round trips, error
// codes and hostile files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ozm/base/streamhelp.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"
#include "test_support.hpp"

namespace ozm {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

template <typename V, typename T>
V& Set(V& v, const std::vector<T>& values) {
    v.Resize(static_cast<int>(values.size()));
    std::copy(values.begin(), values.end(), v.Cells().begin());
    return v;
}

std::vector<double> Values(const TVector& v) { return {v.Cells().begin(), v.Cells().end()}; }
std::vector<int32_t> Values(const TIntVector& v) { return {v.Cells().begin(), v.Cells().end()}; }

bool HaveDevFull() { return std::filesystem::exists("/dev/full"); }

// --- stream layout --------------------------------------------------------------------------

TEST(VectorStream, RoundTripThroughNewMemoryStream) {
    TVector v;
    Set(v, std::vector<double>{1.5, -2.25, 1e-300, 3.141592653589793, INFINITY, NAN});
    TMemoryStream* stream = nullptr;
    v.SaveToStream(stream, 0, 0);
    ASSERT_NE(stream, nullptr);
    std::unique_ptr<TMemoryStream> owned(stream);
    EXPECT_EQ(stream->Size(), 10 * (2 + 6));
    stream->SetPosition(0);
    TVector w;
    int events = 0;
    w.OnChange = [&](TObject*) { ++events; };
    ASSERT_TRUE(w.LoadFromStream(stream, true));
    ASSERT_EQ(w.NrOfElem(), 6);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(w.GetVal(i), v.GetVal(i));
    EXPECT_TRUE(std::isnan(w.GetVal(6)));
    EXPECT_EQ(events, 1 + 6 + 1);  // resize, one per element (through SetVal), the end
    EXPECT_FALSE(w.IsEmpty());
}

TEST(VectorStream, SubRangeGoesBackToItsIndices) {
    TVector v;
    Set(v, std::vector<double>{1, 2, 3, 4, 5});
    TMemoryStream stream;
    v.SaveToStream(stream, 4, 2);  // normalised to 2..4
    stream.SetPosition(0);
    long double first = 0, last = 0;
    ASSERT_TRUE(ReadExtendedFromStream(stream, first));
    ASSERT_TRUE(ReadExtendedFromStream(stream, last));
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 4);
    stream.SetPosition(0);
    TVector w;
    Set(w, std::vector<double>{9, 9, 9, 9, 9, 9});
    ASSERT_TRUE(w.LoadFromStream(&stream, false));
    EXPECT_EQ(Values(w), (std::vector<double>{9, 2, 3, 4, 9, 9}));
    // Too short without adjusting: false, nothing read, but notified.
    stream.SetPosition(0);
    Set(w, std::vector<double>{7, 7, 7});
    int events = 0;
    w.OnChange = [&](TObject*) { ++events; };
    EXPECT_FALSE(w.LoadFromStream(&stream, false));
    EXPECT_EQ(Values(w), (std::vector<double>{7, 7, 7}));
    EXPECT_EQ(events, 1);
}

TEST(VectorStream, FileStreamRoundTrip) {
    ScratchDir dir;
    TIntVector v;
    Set(v, std::vector<int32_t>{5, -7, INT32_MAX, INT32_MIN});
    {
        TFileStream out(dir.file("v.bin"), TFileMode::fmCreate);
        v.SaveToStream(&out, 0, 0);
    }
    TFileStream in(dir.file("v.bin"), TFileMode::fmOpenRead);
    TIntVector w;
    ASSERT_TRUE(w.LoadFromStream(&in, true));
    EXPECT_EQ(Values(w), Values(v));
    TFileStream* none = nullptr;
    EXPECT_FALSE(w.LoadFromStream(none, true));
    v.SaveToStream(none, 0, 0);  // nothing to write to: nothing happens
}

TEST(VectorStream, DamagedStreamsLeaveTheVectorAlone) {
    TVector v;
    Set(v, std::vector<double>{1, 2, 3});
    int events = 0;
    v.OnChange = [&](TObject*) { ++events; };
    const auto header = [](long double first, long double last, int values) {
        auto s = std::make_unique<TMemoryStream>();
        WriteExtendedToStream(*s, first);
        WriteExtendedToStream(*s, last);
        for (int i = 0; i < values; ++i) WriteExtendedToStream(*s, 42);
        s->SetPosition(0);
        return s;
    };
    // Truncated header, empty stream, no stream.
    TMemoryStream empty;
    EXPECT_FALSE(v.LoadFromStream(&empty, true));
    auto s = header(1, 3, 0);
    s->SetSize(15);
    EXPECT_FALSE(v.LoadFromStream(s.get(), true));
    EXPECT_FALSE(v.LoadFromStream(static_cast<TMemoryStream*>(nullptr), true));
    // A header announcing more elements than follow, an absurd count, reversed or
    // non-positive indices, or a NaN index: refused before any allocation.
    EXPECT_FALSE(v.LoadFromStream(header(1, 5, 4).get(), true));
    EXPECT_FALSE(v.LoadFromStream(header(1, 2e9, 2).get(), true));
    EXPECT_FALSE(v.LoadFromStream(header(1, 1e30L, 2).get(), true));
    EXPECT_FALSE(v.LoadFromStream(header(3, 1, 3).get(), true));
    EXPECT_FALSE(v.LoadFromStream(header(0, 2, 3).get(), true));
    EXPECT_FALSE(v.LoadFromStream(header(NAN, 2, 3).get(), true));
    EXPECT_EQ(Values(v), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(events, 0);
    // Rounded indices: 0.6 .. 2.4 is 1 .. 2.
    EXPECT_TRUE(v.LoadFromStream(header(0.6, 2.4, 2).get(), false));
    EXPECT_EQ(Values(v), (std::vector<double>{42, 42, 3}));

    // An integer vector refuses values that are no 32-bit integers, element by element.
    TIntVector iv;
    auto t = std::make_unique<TMemoryStream>();
    for (long double x : {1.0L, 3.0L, 2.5L, 1e12L, -7.0L}) WriteExtendedToStream(*t, x);
    t->SetPosition(0);
    Set(iv, std::vector<int32_t>{0, 5, 5});
    EXPECT_FALSE(iv.LoadFromStream(t.get(), false));
    EXPECT_EQ(Values(iv), (std::vector<int32_t>{2, 5, -7}));  // 2.5 -> 2 (ties to even)

    // Extended reals beyond the double range are rounded as IEEE rounds them: just past the
    // largest double it stays, further out they become infinite with their sign.
    if (std::numeric_limits<long double>::max() > std::numeric_limits<double>::max()) {
        constexpr long double kDoubleMax = std::numeric_limits<double>::max();
        auto u = std::make_unique<TMemoryStream>();
        for (long double x : {1.0L, 3.0L, kDoubleMax + std::ldexp(1.0L, 969), -1e4000L, 1e4000L})
            WriteExtendedToStream(*u, x);
        u->SetPosition(0);
        EXPECT_TRUE(v.LoadFromStream(u.get(), true));
        const double inf = std::numeric_limits<double>::infinity();
        EXPECT_EQ(Values(v), (std::vector<double>{std::numeric_limits<double>::max(), -inf, inf}));
    }
}

// --- ASC --------------------------------------------------------------------------------------

TEST(VectorAsc, ExactLayoutAndRoundTrip) {
    ScratchDir dir;
    const std::string f = dir.file("v.asc");
    TVector v;
    Set(v, std::vector<double>{1.5, 2});
    ASSERT_EQ(v.ExportAsASC(f, 2, ""), 0);
    EXPECT_EQ(ReadWholeFile(f), "Exported by OZM TVector component: " + f +
                                    "\r\n"
                                    "1\t;nr. of columns\r\n"
                                    "2\t;nr. of rows\r\n"
                                    "FALSE FALSE FALSE FALSE\t;row attributes, column names, row "
                                    "names, nominal variables\r\n"
                                    "        1.50\r\n"
                                    "        2.00\r\n");
    TVector w;
    std::string comment;
    int events = 0;
    w.OnChange = [&](TObject*) { ++events; };
    EXPECT_EQ(w.ImportASC(f, comment), 0);
    EXPECT_EQ(Values(w), (std::vector<double>{1.5, 2}));
    EXPECT_EQ(comment, "Exported by OZM TVector component: " + f);
    EXPECT_EQ(events, 1);
    EXPECT_FALSE(w.IsEmpty());

    // Line ends in the comment become blanks. Values come back exactly when the decimals hold
    // them; a negative precision gives exponential text with 4 significant digits in 12
    // characters.
    v.Resize(1000);
    for (int i = 1; i <= 1000; ++i) v.SetVal(i, (i - 500) / 8.0);
    ASSERT_EQ(v.ExportAsASC(f, 3, "two\nlines\r"), 0);
    EXPECT_EQ(w.ImportASC(f, comment), 0);
    EXPECT_EQ(comment, "two lines ");
    EXPECT_EQ(Values(w), Values(v));
    SetRandSeed(21);
    v.FillRandomGauss(0, 1e30);
    ASSERT_EQ(v.ExportAsASC(f, -1, "exp"), 0);
    EXPECT_EQ(w.ImportASC(f, comment), 0);
    ASSERT_EQ(w.NrOfElem(), 1000);
    for (int i = 1; i <= 1000; ++i)
        EXPECT_NEAR(w.GetVal(i), v.GetVal(i), 5.01e-4 * std::fabs(v.GetVal(i)));
}

TEST(VectorAsc, ReaderAcceptsTheFullTableLayout) {
    ScratchDir dir;
    const std::string f = dir.file("t.asc");
    // Row attributes, a column name, row names (one spanning two lines), LF line ends, missing
    // values, comments and surplus fields.
    WriteWholeFile(f,
                   "measured\n1\t;cols\n5\t;rows\nTRUE TRUE TRUE FALSE\t;flags\n"
                   "\"height\"\n"
                   "1 \"a\" 1.25\n"
                   "2 \"b\" NAN ; no reading\n"
                   "3 \"c\nd\" 3e2 extra fields\n"
                   "; a comment line\n"
                   "4 \"e\" ###\n"
                   "5 \"f\" -7.5;glued comment\n");
    TVector v;
    std::string comment;
    EXPECT_EQ(v.ImportASC(f, comment), 0);
    EXPECT_EQ(comment, "measured");
    EXPECT_EQ(Values(v), (std::vector<double>{1.25, 0, 300, 0, -7.5}));
}

TEST(VectorAsc, ErrorCodes) {
    ScratchDir dir;
    TVector v;
    v.SetName("V");
    Set(v, std::vector<double>{1, 2, 3});
    std::string comment = "unchanged";
    EXPECT_EQ(v.ImportASC(dir.file("missing.asc"), comment), -8);

    const auto import = [&](const std::string& text) {
        WriteWholeFile(dir.file("x.asc"), text);
        return v.ImportASC(dir.file("x.asc"), comment);
    };
    const std::string flags = "FALSE FALSE FALSE FALSE\n";
    EXPECT_EQ(import("c\n3\n2\n" + flags + "1 2 3\n4 5 6\n"), -7);
    EXPECT_EQ(import("c\n1\n"), -2);
    EXPECT_EQ(import("c\nx\n2\n" + flags), -3);
    EXPECT_EQ(import("c\n1\n-2\n" + flags), -4);
    EXPECT_EQ(import("c\n1\n2\nTRUE\n"), -9);
    EXPECT_EQ(Values(v), (std::vector<double>{1, 2, 3}));  // header errors change nothing

    // A bad value stops at its row: the vector ends with that row, which keeps its value.
    EXPECT_EQ(import("c\n1\n5\n" + flags + "10\n20\nabc\n40\n50\n"), -6);
    EXPECT_EQ(Values(v), (std::vector<double>{10, 20, 3}));
    Set(v, std::vector<double>{1, 2});
    EXPECT_EQ(import("c\n1\n5\n" + flags + "10\n20\nabc\n"), -6);
    EXPECT_EQ(Values(v), (std::vector<double>{10, 20, 0}));  // row 3 is new: 0
    EXPECT_EQ(import("c\n1\n2\nTRUE FALSE FALSE FALSE\nx 1\n"), -5);
    EXPECT_EQ(v.NrOfElem(), 1);

    // A header announcing two billion rows over two values: the data decides the memory.
    EXPECT_EQ(import("c\n1\n2000000000\n" + flags + "1\n2\n"), -6);
    EXPECT_EQ(Values(v), (std::vector<double>{1, 2, 0}));
    // Zero rows: nothing to read, the vector keeps its size.
    EXPECT_EQ(import("c\n1\n0\n" + flags), 0);
    EXPECT_EQ(v.NrOfElem(), 3);

    EXPECT_EQ(v.ExportAsASC(dir.file("no/such/folder/x.asc"), 2, ""), -1);
    if (HaveDevFull()) {
        EXPECT_THROW(v.ExportAsASC("/dev/full", 2, ""), EInOutError);
    }
}

// --- list format ------------------------------------------------------------------------------

TEST(VectorList, LayoutAndPrecision) {
    ScratchDir dir;
    const std::string f = dir.file("l.txt");
    TVector v;
    v.Resize(10);
    for (int i = 1; i <= 10; ++i) v.SetVal(i, i + 0.25);
    ASSERT_TRUE(v.StoreOnFile(5, 3, 1, f));
    EXPECT_EQ(ReadWholeFile(f), "3 5\r\n3.2\r\n4.2\r\n5.2\r\n");  // 3.25 -> 3.2: to even
    ASSERT_TRUE(v.StoreOnFile(1, 1, -5, f));
    EXPECT_EQ(ReadWholeFile(f), "1 1\r\n1.25\r\n");  // below -2: two decimals
    ASSERT_TRUE(v.StoreOnFile(1, 1, 99, f));
    EXPECT_EQ(ReadWholeFile(f), "1 1\r\n1.25000000000000000000\r\n");
    ASSERT_TRUE(v.StoreOnFile(2, 2, -1, f));
    EXPECT_EQ(ReadWholeFile(f), "2 2\r\n 2.2500E+0000\r\n");
    ASSERT_TRUE(v.StoreOnFile(0, 0, 0, f));
    EXPECT_EQ(ReadWholeFile(f).substr(0, 6), "1 10\r\n");

    EXPECT_FALSE(v.StoreOnFile(0, 0, 2, dir.file("no/such/folder/l.txt")));
    if (HaveDevFull()) {
        EXPECT_FALSE(v.StoreOnFile(0, 0, 2, "/dev/full"));  // failed writes report too
    }
}

TEST(VectorList, RoundTripAndPartialLoads) {
    ScratchDir dir;
    const std::string f = dir.file("l.txt");
    TVector v;
    SetRandSeed(4);
    v.Resize(2000);
    v.FillRandomGauss(0, 1e5);
    v.SetVal(7, -0.0);
    v.SetVal(8, 5e-324);
    ASSERT_TRUE(v.StoreOnFile(0, 0, -2, f));  // 18 significant digits: exact
    TVector w;
    int events = 0;
    w.OnChange = [&](TObject*) { ++events; };
    ASSERT_TRUE(w.LoadFromFile(f, true));
    EXPECT_EQ(Values(w), Values(v));
    EXPECT_EQ(events, 1 + 2000 + 1);  // resize, per element, the end

    // "3 5" fills elements 3 to 5 only.
    WriteWholeFile(f, "3 5\r\n30\r\n40\r\n50\r\n");
    Set(w, std::vector<double>{1, 2});
    ASSERT_TRUE(w.LoadFromFile(f, true));
    EXPECT_EQ(Values(w), (std::vector<double>{1, 2, 30, 40, 50}));
    // Too short without adjusting: false, nothing read.
    Set(w, std::vector<double>{1, 2});
    events = 0;
    EXPECT_FALSE(w.LoadFromFile(f, false));
    EXPECT_EQ(Values(w), (std::vector<double>{1, 2}));
    EXPECT_EQ(events, 1);
    // Unreadable entries are skipped; a file that ends early reports false.
    WriteWholeFile(f, "1 4\n10\nzz\n30\n");
    Set(w, std::vector<double>{0, 7, 0, 9});
    EXPECT_FALSE(w.LoadFromFile(f, false));
    EXPECT_EQ(Values(w), (std::vector<double>{10, 7, 30, 9}));
    WriteWholeFile(f, "1 3\n10\nzz\n30\n");
    EXPECT_TRUE(w.LoadFromFile(f, false));

    // Hostile headers: missing, garbled, or announcing far more entries than the file holds.
    Set(w, std::vector<double>{1, 2});
    EXPECT_FALSE(w.LoadFromFile(dir.file("missing.txt"), true));
    WriteWholeFile(f, "one two\n1\n");
    EXPECT_FALSE(w.LoadFromFile(f, true));
    WriteWholeFile(f, "1 2000000000\n1\n2\n");
    EXPECT_FALSE(w.LoadFromFile(f, true));
    WriteWholeFile(f, "");
    EXPECT_FALSE(w.LoadFromFile(f, true));
    EXPECT_EQ(Values(w), (std::vector<double>{1, 2}));
}

// A high first index backed by a few bytes must not size the vector: the growth beyond the data
// is held to max(2^20, backed elements), as for the matrices. Reversed ranges announce nothing.
TEST(VectorHostile, AnnouncedLastIndexBeyondTheDataIsRefused) {
    ScratchDir dir;
    const std::string f = dir.file("l.txt");
    std::string high_list = "2147483600 2147483647\n";
    for (int i = 0; i < 48; ++i) high_list += "1\n";
    TMemoryStream high_stream;
    WriteExtendedToStream(high_stream, 2147483600.0L);
    WriteExtendedToStream(high_stream, 2147483647.0L);
    for (int i = 0; i < 48; ++i) WriteExtendedToStream(high_stream, 1.0L);
    const auto refuses = [&](auto& v) {
        int events = 0;
        v.OnChange = [&](TObject*) { ++events; };
        const int size = v.NrOfElem();
        for (const char* text : {high_list.c_str(), "24012393 4012393", "1048578 1048577\n",
                                 "0 3\n1\n2\n3\n4\n"}) {
            WriteWholeFile(f, text);
            EXPECT_FALSE(v.LoadFromFile(f, true)) << text;
        }
        high_stream.SetPosition(0);
        EXPECT_FALSE(v.LoadFromStream(high_stream, true));
        EXPECT_EQ(v.NrOfElem(), size);
        EXPECT_EQ(events, 0);
        v.OnChange = nullptr;  // the counter ends with this lambda
    };
    TVector reals;
    TIntVector ints;
    refuses(reals);
    refuses(ints);

    // Within the floor an empty range (as the integer writer stores one) still sizes the vector.
    WriteWholeFile(f, "6 5\n");
    ASSERT_TRUE(ints.LoadFromFile(f, true));
    EXPECT_EQ(ints.NrOfElem(), 5);
    // Growth is granted up to 2^20 elements from any file.
    WriteWholeFile(f, "1048576 1048576\n7\n");
    ASSERT_TRUE(reals.LoadFromFile(f, true));
    EXPECT_EQ(reals.NrOfElem(), 1 << 20);
    EXPECT_EQ(reals.GetVal(1 << 20), 7.0);
}

// Exponential text keeps the sign of a negative zero, so precision -2 reads back bit for bit.
TEST(VectorList, NegativeZeroReadsBackWithItsSign) {
    ScratchDir dir;
    const std::string f = dir.file("z.txt");
    TVector v;
    Set(v, std::vector<double>{-0.0, 0.0, -1e-310});
    for (const int precision : {-1, -2}) {
        ASSERT_TRUE(v.StoreOnFile(0, 0, precision, f));
        TVector w;
        ASSERT_TRUE(w.LoadFromFile(f, true));
        EXPECT_TRUE(std::signbit(w.GetVal(1))) << precision;
        EXPECT_FALSE(std::signbit(w.GetVal(2))) << precision;
        EXPECT_TRUE(std::signbit(w.GetVal(3))) << precision;
    }
}

TEST(VectorList, AutoDetectReadsAPlainColumn) {
    ScratchDir dir;
    const std::string f = dir.file("col.txt");
    // A header word, blank lines, CR LF and LF, a line with a digit that is no number, a line
    // with two fields: the entries are the lines that hold a digit, in order.
    WriteWholeFile(f, "value\r\n1.5\r\n\r\n  2.5  \n x3\n4 5\n\n");
    TVector v;
    int events = 0;
    v.OnChange = [&](TObject*) { ++events; };
    ASSERT_TRUE(v.LoadFromFile(f, true, true));
    EXPECT_EQ(Values(v), (std::vector<double>{1.5, 2.5, 0, 4}));
    EXPECT_EQ(events, 2);  // resize, end
    // Without adjusting, entries beyond the vector are ignored.
    v.Resize(2);
    ASSERT_TRUE(v.LoadFromFile(f, false, true));
    EXPECT_EQ(Values(v), (std::vector<double>{1.5, 2.5}));
    EXPECT_FALSE(v.LoadFromFile(dir.file("missing.txt"), true, true));
    // The list format is still reachable through the same overload.
    ASSERT_TRUE(v.StoreOnFile(0, 0, 3, f));
    EXPECT_TRUE(v.LoadFromFile(f, true, false));
    EXPECT_EQ(Values(v), (std::vector<double>{1.5, 2.5}));
}

}  // namespace
}  // namespace ozm
