// Record files and the stream layout of TMatrix.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "ozm/base/streamhelp.hpp"
#include "ozm/matrix.hpp"
#include "test_support.hpp"

namespace ozm {
namespace {

using ozm::testing::ReadWholeFile;
using ozm::testing::ScratchDir;
using ozm::testing::WriteWholeFile;

int32_t Int32At(const std::string& bytes, size_t at) {
    uint32_t u = 0;
    for (int k = 0; k < 4; ++k) u |= uint32_t(uint8_t(bytes[at + k])) << (8 * k);
    return static_cast<int32_t>(u);
}

uint64_t Bits64At(const std::string& bytes, size_t at) {
    uint64_t u = 0;
    for (int k = 0; k < 8; ++k) u |= uint64_t(uint8_t(bytes[at + k])) << (8 * k);
    return u;
}

std::string HeaderBytes(int32_t x, int32_t y, int32_t z, int32_t t, const std::string& id,
                        int32_t format) {
    TMemoryStream s;
    TMatBinaryHeader h;
    h.NumX = x;
    h.NumY = y;
    h.NumZ = z;
    h.NumT = t;
    h.DataID = id;
    h.Format = format;
    matrix::WriteBinaryHeader(s, h);
    return std::string(reinterpret_cast<const char*>(s.Memory()), size_t(s.Size()));
}

TEST(PersistBinary, FileLayoutIsTheRecordFormat) {
    ScratchDir dir;
    TMatrix m;
    m.Resize(3, 2);
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 2; ++r) m.SetVal(c, r, c + 10.0 * r);
    m.SetDataID("probe");
    const std::string f = dir.file("m.bin");
    ASSERT_TRUE(m.SaveBinary(f));
    const std::string bytes = ReadWholeFile(f);
    ASSERT_EQ(bytes.size(), 2u * 4096);
    EXPECT_EQ(Int32At(bytes, 0), 3);
    EXPECT_EQ(Int32At(bytes, 4), 2);
    EXPECT_EQ(Int32At(bytes, 8), 0);
    EXPECT_EQ(Int32At(bytes, 12), 0);
    EXPECT_EQ(uint8_t(bytes[16]), 5);
    EXPECT_EQ(bytes.substr(17, 5), "probe");
    EXPECT_EQ(Int32At(bytes, 272), 1);
    EXPECT_EQ(bytes.substr(276, 4096 - 276), std::string(4096 - 276, '\0'));
    // Column fastest: (1,1) (2,1) (3,1) (1,2) (2,2) (3,2).
    const double expected[] = {11, 12, 13, 21, 22, 23};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(Bits64At(bytes, 4096 + 8 * k), std::bit_cast<uint64_t>(expected[k])) << k;
    EXPECT_EQ(bytes.find_first_not_of('\0', 4096 + 48), std::string::npos);  // padding

    int cols = -1, rows = -1, format = -1;
    std::string id;
    EXPECT_TRUE(m.ReadBinaryHeader(f, cols, rows, id, format));
    EXPECT_EQ(cols, 3);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(id, "probe");
    EXPECT_EQ(format, 1);
}

TEST(PersistBinary, RoundTripIsBitExact) {
    ScratchDir dir;
    TMatrix m;
    m.Resize(37, 29);  // 1073 cells: three records, the last one padded
    for (int c = 1; c <= 37; ++c)
        for (int r = 1; r <= 29; ++r) m.SetVal(c, r, std::sin(c * 1.7 + r * 0.3) * 1e10);
    // NaN payloads, signed zero and subnormals survive untouched.
    m.SetVal(1, 1, std::bit_cast<double>(uint64_t{0x7FF0000000000123}));  // signalling NaN
    m.SetVal(2, 1, std::bit_cast<double>(uint64_t{0xFFF8DEADBEEF0001}));
    m.SetVal(3, 1, -0.0);
    m.SetVal(4, 1, std::numeric_limits<double>::denorm_min());
    m.SetDataID(std::string(300, 'x'));  // cut to 255 bytes
    const std::string f = dir.file("m.bin");
    ASSERT_TRUE(m.SaveBinary(f));
    EXPECT_EQ(ReadWholeFile(f).size(), 4u * 4096);

    TMatrix back;
    int changes = 0;
    back.OnChange = [&](TObject*) { ++changes; };
    ASSERT_EQ(back.LoadBinary(f), matrix::kBinaryOk);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(back.NrOfColumns(), 37);
    EXPECT_EQ(back.NrOfRows(), 29);
    EXPECT_EQ(back.CRCofData(), m.CRCofData());
    EXPECT_EQ(back.DataID(), std::string(255, 'x'));

    TMatrix empty;
    empty.Resize(0, 4);
    ASSERT_TRUE(empty.SaveBinary(f));
    EXPECT_EQ(ReadWholeFile(f).size(), 4096u);
    ASSERT_EQ(back.LoadBinary(f), matrix::kBinaryOk);
    EXPECT_EQ(back.NrOfColumns(), 0);
    EXPECT_EQ(back.NrOfRows(), 4);
}

TEST(PersistBinary, HeaderOfOtherFiles) {
    ScratchDir dir;
    const std::string f = dir.file("h.bin");
    TMatrix m;
    int cols = 0, rows = 0, format = 0;
    std::string id;
    // A four-dimensional file: its fields, and false.
    WriteWholeFile(f, HeaderBytes(2, 3, 4, 5, "4d", 1) + std::string(120 * 8, '\0'));
    EXPECT_FALSE(m.ReadBinaryHeader(f, cols, rows, id, format));
    EXPECT_EQ(cols, 2);
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(id, "4d");
    EXPECT_EQ(format, 1);
    EXPECT_EQ(m.LoadBinary(f), matrix::kBinaryWrongKind);
    // Format code 2.
    WriteWholeFile(f, HeaderBytes(2, 3, 0, 0, "", 2));
    EXPECT_FALSE(m.ReadBinaryHeader(f, cols, rows, id, format));
    EXPECT_EQ(format, 2);
    EXPECT_EQ(m.LoadBinary(f), matrix::kBinaryWrongKind);
    // A short header record.
    WriteWholeFile(f, HeaderBytes(2, 3, 0, 0, "x", 1).substr(0, 4000));
    EXPECT_FALSE(m.ReadBinaryHeader(f, cols, rows, id, format));
    EXPECT_EQ(cols, 0);
    EXPECT_EQ(id, "");
    EXPECT_EQ(m.LoadBinary(f), matrix::kBinaryWrongKind);
    // A file that cannot be opened raises; LoadBinary reports it.
    EXPECT_THROW(m.ReadBinaryHeader(dir.file("missing.bin"), cols, rows, id, format), EInOutError);
    EXPECT_EQ(m.LoadBinary(dir.file("missing.bin")), matrix::kBinaryCannotOpen);
    EXPECT_EQ(m.NrOfColumns(), 1);
}

TEST(PersistBinary, TruncatedAndHostileFilesChangeNothing) {
    ScratchDir dir;
    const std::string f = dir.file("bad.bin");
    const std::string cells(6 * 8, '\x11');
    const std::string files[] = {
        HeaderBytes(3, 2, 0, 0, "", 1) + cells.substr(0, 47),          // one byte short
        HeaderBytes(3, 2, 0, 0, "", 1),                                 // no cells at all
        HeaderBytes(-3, 2, 0, 0, "", 1) + cells,                        // negative extent
        HeaderBytes(2000000000, 2000000000, 0, 0, "", 1) + cells,       // absurd size
        HeaderBytes(2000000000, 0, 0, 0, "", 1),  // no cells, but a spare row per column
        HeaderBytes(65536, 65536, 0, 0, "", 1) + std::string(4096, '\0')};
    for (const std::string& bytes : files) {
        WriteWholeFile(f, bytes);
        TMatrix m;
        m.SetVal(1, 1, 5.0);
        m.SetDataID("kept");
        int changes = 0;
        m.OnChange = [&](TObject*) { ++changes; };
        EXPECT_EQ(m.LoadBinary(f), matrix::kBinaryTruncated);
        EXPECT_EQ(m.NrOfColumns(), 1);
        EXPECT_EQ(m.GetVal(1, 1), 5.0);
        EXPECT_EQ(m.DataID(), "kept");
        EXPECT_EQ(changes, 0);
    }
    // Without the final padding the cells are all there: accepted.
    WriteWholeFile(f, HeaderBytes(3, 2, 0, 0, "", 1) + cells);
    TMatrix m;
    EXPECT_EQ(m.LoadBinary(f), matrix::kBinaryOk);
    EXPECT_EQ(std::bit_cast<uint64_t>(m.GetVal(3, 2)), 0x1111111111111111u);
}

TEST(PersistStream, RoundTripOfRectangles) {
    TMatrix m;
    m.Resize(5, 4);
    for (int c = 1; c <= 5; ++c)
        for (int r = 1; r <= 4; ++r) m.SetVal(c, r, c / 3.0 - r * 1e-300);
    m.SetVal(5, 4, -std::numeric_limits<double>::infinity());
    TMemoryStream* s = nullptr;
    m.SaveToStream(s, 0, 0, 0, 0);  // a null stream receives a new one
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Size(), (4 + 20) * 10);
    s->SetPosition(0);
    TMatrix back;
    int changes = 0;
    back.OnChange = [&](TObject*) { ++changes; };
    ASSERT_TRUE(back.LoadFromStream(s, true));
    EXPECT_EQ(back.CRCofData(), m.CRCofData());
    EXPECT_EQ(changes, 1);  // once: the resize is part of the load
    delete s;

    // A sub-rectangle with reversed bounds lands at its place.
    TMemoryStream part;
    m.SaveToStream(part, 4, 2, 3, 3);
    part.SetPosition(0);
    TMatrix target;
    target.Resize(5, 5);
    ASSERT_TRUE(target.LoadFromStream(&part, false));
    EXPECT_EQ(target.GetVal(2, 3), m.GetVal(2, 3));
    EXPECT_EQ(target.GetVal(4, 3), m.GetVal(4, 3));
    EXPECT_EQ(target.GetVal(1, 3), 0.0);
    EXPECT_EQ(target.GetVal(2, 4), 0.0);

    TMatrix small;  // too small without AdjustMatrixSize: false, nothing read
    part.SetPosition(0);
    EXPECT_FALSE(small.LoadFromStream(part, false));
    EXPECT_FALSE(small.LoadFromStream(static_cast<TMemoryStream*>(nullptr), true));
    EXPECT_FALSE(small.LoadFromStream(static_cast<TFileStream*>(nullptr), true));
}

TEST(PersistStream, DamagedHeadersAndShortStreams) {
    auto stream_of = [](std::initializer_list<long double> values, int extra_bytes) {
        auto s = std::make_unique<TMemoryStream>();
        for (long double v : values) WriteExtendedToStream(*s, v);
        const std::string pad(size_t(extra_bytes), '\0');
        s->WriteBuffer(pad.data(), extra_bytes);
        s->SetPosition(0);
        return s;
    };
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    struct Case {
        std::initializer_list<long double> header;
        int extra;
        const char* why;
    };
    const Case cases[] = {
        {{1, 2, 1}, 0, "three bounds"},
        {{1, 2, 1, 2}, 39, "one byte short of four cells"},
        {{0, 2, 1, 2}, 40, "low bound 0"},
        {{3, 1, 1, 2}, 40, "reversed"},
        {{1, nan, 1, 2}, 40, "NaN bound"},
        {{1, 1e30L, 1, 1}, 40, "bound beyond the integers"},
        {{2000000000, 2000000000, 2000000000, 2000000000}, 10, "one cell, absurd matrix"},
    };
    for (const Case& c : cases) {
        auto s = stream_of(c.header, c.extra);
        TMatrix m;
        m.SetVal(1, 1, 3.0);
        int changes = 0;
        m.OnChange = [&](TObject*) { ++changes; };
        EXPECT_FALSE(m.LoadFromStream(*s, true)) << c.why;
        EXPECT_EQ(m.NrOfColumns(), 1) << c.why;
        EXPECT_EQ(m.GetVal(1, 1), 3.0) << c.why;
        EXPECT_EQ(changes, 0) << c.why;
    }
}

// The writer stores integer bounds; a fraction is damage, not a bound to round (1.5 once read
// as 2).
TEST(PersistStream, FractionalBoundsAreRefused) {
    for (const long double fraction : {1.5L, 2.5L, 1.0000000001L, 0.5L}) {
        for (int position = 0; position < 4; ++position) {
            long double bounds[4] = {1, 2, 1, 2};
            bounds[position] = position % 2 == 0 ? fraction : 1 + fraction;
            TMemoryStream s;
            for (const long double b : bounds) WriteExtendedToStream(s, b);
            const std::string cells(10 * 16, '\0');
            s.WriteBuffer(cells.data(), int64_t(cells.size()));
            s.SetPosition(0);
            TMatrix m;
            m.SetVal(1, 1, 3.0);
            int changes = 0;
            m.OnChange = [&](TObject*) { ++changes; };
            EXPECT_FALSE(m.LoadFromStream(s, true)) << double(fraction) << " at " << position;
            EXPECT_EQ(m.NrOfColumns(), 1);
            EXPECT_EQ(m.GetVal(1, 1), 3.0);
            EXPECT_EQ(changes, 0);
        }
    }
}

}  // namespace
}  // namespace ozm
