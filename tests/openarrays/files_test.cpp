// Text and binary array files: round trips, codes and damaged or lying files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "ozm/openarrays.hpp"
#include "test_support.hpp"

namespace oa = ozm::openarrays;
using ozm::TDouble2DArray;
using ozm::TDouble3DArray;
using ozm::TDouble4DArray;
using ozm::TDoubleArray;
using ozm::TInt2DArray;
using ozm::TInt3DArray;
using ozm::TIntArray;
using ozm::testing::ReadWholeFile;
using ozm::testing::ScratchDir;
using ozm::testing::WriteWholeFile;

namespace {

TDouble3DArray AwkwardDoubles() {
    std::mt19937_64 gen(5);
    std::uniform_real_distribution<double> dist(-1e6, 1e6);
    TDouble3DArray a(3, TDouble2DArray(4, TDoubleArray(5)));
    for (auto& plane : a)
        for (auto& row : plane)
            for (double& v : row) v = dist(gen) / 3.0;
    a[0][0][0] = std::numeric_limits<double>::denorm_min();
    a[0][0][1] = -0.0;
    a[0][0][2] = std::numeric_limits<double>::infinity();
    a[0][0][3] = -std::numeric_limits<double>::max();
    a[0][0][4] = 0.1;
    return a;
}

bool BitIdentical(const TDouble3DArray& a, const TDouble3DArray& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].size() != b[i].size()) return false;
        for (size_t j = 0; j < a[i].size(); ++j) {
            if (a[i][j].size() != b[i][j].size()) return false;
            if (std::memcmp(a[i][j].data(), b[i][j].data(), a[i][j].size() * sizeof(double)) != 0)
                return false;
        }
    }
    return true;
}

TEST(OpenArrayFiles, BinaryRoundTripIsBitExact) {
    ScratchDir dir;
    TDouble3DArray a = AwkwardDoubles();
    a[2][3][4] = std::nan("");
    ASSERT_EQ(oa::SaveBinaryArray(dir.file("a.bin"), a), 0);
    TDouble3DArray back;
    ASSERT_EQ(oa::LoadBinaryArray(dir.file("a.bin"), back), 0);
    EXPECT_TRUE(BitIdentical(a, back));

    const TInt2DArray ints{{std::numeric_limits<int32_t>::min(), 0, 7}, {1, -1, 2147483647}};
    ASSERT_EQ(oa::SaveBinaryArray(dir.file("i.bin"), ints), 0);
    TInt2DArray intsBack;
    ASSERT_EQ(oa::LoadBinaryArray(dir.file("i.bin"), intsBack), 0);
    EXPECT_EQ(intsBack, ints);
    // Little-endian layout: signature, version, kind, rank, extents, cells, CRC-32.
    const std::string raw = ReadWholeFile(dir.file("i.bin"));
    ASSERT_EQ(raw.size(), 12u + 8u + 24u + 4u);
    EXPECT_EQ(raw.substr(0, 7), "OZMABIN");
    EXPECT_EQ(raw[10], 2);  // integer
    EXPECT_EQ(raw[11], 2);  // rank
    EXPECT_EQ(raw[12], 2);  // two columns
    EXPECT_EQ(raw[16], 3);  // of three rows

    oa::TArrayFileKind kind{};
    int rank = 0;
    TIntArray extents;
    ASSERT_EQ(oa::ReadBinaryArrayHeader(dir.file("a.bin"), kind, rank, extents), 0);
    EXPECT_EQ(kind, oa::TArrayFileKind::afDouble);
    EXPECT_EQ(rank, 3);
    EXPECT_EQ(extents, (TIntArray{3, 4, 5}));
}

TEST(OpenArrayFiles, BinaryCodesAndLyingHeaders) {
    ScratchDir dir;
    const TIntArray v{1, 2, 3, 4};
    ASSERT_EQ(oa::SaveBinaryArray(dir.file("v.bin"), v), 0);
    const std::string good = ReadWholeFile(dir.file("v.bin"));

    TIntArray keep{9};
    TDoubleArray wrongKind;
    TInt2DArray wrongRank;
    EXPECT_EQ(oa::LoadBinaryArray(dir.file("missing.bin"), keep), -1);
    EXPECT_EQ(oa::LoadBinaryArray(dir.file("v.bin"), wrongKind), -2);
    EXPECT_EQ(oa::LoadBinaryArray(dir.file("v.bin"), wrongRank), -2);
    WriteWholeFile(dir.file("text.bin"), "not an array file at all");
    EXPECT_EQ(oa::LoadBinaryArray(dir.file("text.bin"), keep), -2);

    // A header claiming 2^31 - 1 cells in a file of a few bytes must fail before allocating.
    std::string lying = good;
    lying[12] = '\xFF';
    lying[13] = '\xFF';
    lying[14] = '\xFF';
    lying[15] = '\x7F';
    WriteWholeFile(dir.file("lying.bin"), lying);
    EXPECT_EQ(oa::LoadBinaryArray(dir.file("lying.bin"), keep), -3);
    oa::TArrayFileKind kind{};
    int rank = -1;
    TIntArray extents;
    EXPECT_EQ(oa::ReadBinaryArrayHeader(dir.file("lying.bin"), kind, rank, extents), -3);
    EXPECT_EQ(rank, -1);
    // Extents whose product overflows 64 bits, a zero extent, a negative one, a bad rank.
    TInt3DArray cube(2, TInt2DArray(2, TIntArray(2, 1)));
    ASSERT_EQ(oa::SaveBinaryArray(dir.file("c.bin"), cube), 0);
    std::string overflow = ReadWholeFile(dir.file("c.bin"));
    for (int i = 12; i < 24; ++i) overflow[size_t(i)] = (i % 4 == 3) ? '\x7F' : '\xFF';
    WriteWholeFile(dir.file("overflow.bin"), overflow);
    EXPECT_EQ(oa::LoadBinaryArray(dir.file("overflow.bin"), cube), -3);
    for (const char bad : {'\x00', '\x80'}) {
        std::string s = good;
        s[15] = bad;
        s[12] = bad == '\x00' ? '\x00' : s[12];
        WriteWholeFile(dir.file("bad.bin"), s);
        EXPECT_EQ(oa::LoadBinaryArray(dir.file("bad.bin"), keep), -3);
    }
    std::string badRank = good;
    badRank[11] = 9;
    WriteWholeFile(dir.file("rank.bin"), badRank);
    EXPECT_EQ(oa::LoadBinaryArray(dir.file("rank.bin"), keep), -3);
    // Truncated, extended and corrupted payloads.
    WriteWholeFile(dir.file("short.bin"), good.substr(0, good.size() - 1));
    EXPECT_EQ(oa::LoadBinaryArray(dir.file("short.bin"), keep), -3);
    WriteWholeFile(dir.file("long.bin"), good + "x");
    EXPECT_EQ(oa::LoadBinaryArray(dir.file("long.bin"), keep), -3);
    std::string flipped = good;
    flipped[20] ^= 0x01;
    WriteWholeFile(dir.file("flipped.bin"), flipped);
    EXPECT_EQ(oa::LoadBinaryArray(dir.file("flipped.bin"), keep), -3);
    EXPECT_EQ(keep, (TIntArray{9}));

    EXPECT_EQ(oa::SaveBinaryArray(dir.file("e.bin"), TIntArray{}), -1);
    EXPECT_EQ(oa::SaveBinaryArray(dir.file("r.bin"), TInt2DArray{{1, 2}, {3}}), -2);
    EXPECT_EQ(oa::SaveBinaryArray(dir.file("no/such/dir/x.bin"), v), -3);
}

TEST(OpenArrayFiles, TextRoundTripsExactlyOrToTheStatedDecimals) {
    ScratchDir dir;
    const TDouble3DArray a = AwkwardDoubles();
    ASSERT_EQ(oa::StoreArray(dir.file("a.txt"), a), 0);
    TDouble3DArray back;
    ASSERT_EQ(oa::LoadArray(dir.file("a.txt"), back), 0);
    EXPECT_TRUE(BitIdentical(a, back));

    TDouble2DArray m{{1.23456, -2.5, 1e-9}, {3, std::nan(""), 1234567.891}};
    ASSERT_EQ(oa::StoreArray(dir.file("m.txt"), m, 3), 0);
    TDouble2DArray mBack;
    ASSERT_EQ(oa::LoadArray(dir.file("m.txt"), mBack), 0);
    ASSERT_EQ(mBack.size(), 2u);
    for (size_t c = 0; c < 2; ++c)
        for (size_t r = 0; r < 3; ++r) {
            if (std::isnan(m[c][r])) {
                EXPECT_TRUE(std::isnan(mBack[c][r]));
                continue;
            }
            EXPECT_LE(std::fabs(mBack[c][r] - m[c][r]), 0.5e-3 * (1 + 1e-12)) << c << r;
        }
    // Header lines, then one line per column, CR LF line ends.
    EXPECT_EQ(ReadWholeFile(dir.file("m.txt")),
              "OZMARRAY 1 DOUBLE 2\r\n2 3\r\n1.235 -2.500 0.000\r\n3.000 NAN 1234567.891\r\n");

    const TInt2DArray ints{{-7, 0}, {2147483647, std::numeric_limits<int32_t>::min()}};
    ASSERT_EQ(oa::StoreArray(dir.file("i.txt"), ints), 0);
    TInt2DArray intsBack;
    ASSERT_EQ(oa::LoadArray(dir.file("i.txt"), intsBack), 0);
    EXPECT_EQ(intsBack, ints);
    TDoubleArray v{1.5, 2.5};
    ASSERT_EQ(oa::StoreArray(dir.file("v.txt"), v), 0);
    EXPECT_EQ(ReadWholeFile(dir.file("v.txt")), "OZMARRAY 1 DOUBLE 1\r\n2\r\n1.5\r\n2.5\r\n");

    EXPECT_EQ(oa::StoreArray(dir.file("e.txt"), TDoubleArray{}), -1);
    EXPECT_EQ(oa::StoreArray(dir.file("r.txt"), TInt2DArray{{1}, {2, 3}}), -2);
    EXPECT_EQ(oa::StoreArray(dir.file("d.txt"), v, 18), -2);
    EXPECT_EQ(oa::StoreArray(dir.file("no/such/dir/x.txt"), v), -3);
}

TEST(OpenArrayFiles, TextCodesAndLyingHeaders) {
    ScratchDir dir;
    TInt2DArray keep{{5}};
    TDouble2DArray other;
    const auto load = [&](const std::string& text) {
        WriteWholeFile(dir.file("t.txt"), text);
        return oa::LoadArray(dir.file("t.txt"), keep);
    };
    EXPECT_EQ(oa::LoadArray(dir.file("missing.txt"), keep), -1);
    EXPECT_EQ(load("OZMARRAY 1 INTEGER 2\n1 2\n3 4\n"), 0);  // LF line ends are fine
    EXPECT_EQ(keep, (TInt2DArray{{3, 4}}));
    keep = {{5}};
    EXPECT_EQ(load("NOARRAY 1 INTEGER 2\n1 1\n3\n"), -2);
    EXPECT_EQ(load("OZMARRAY 2 INTEGER 2\n1 1\n3\n"), -2);
    EXPECT_EQ(load("OZMARRAY 1 INTEGER 3\n1 1 1\n3\n"), -2);
    EXPECT_EQ(load("OZMARRAY 1 DOUBLE 2\n1 1\n3\n"), -2);
    EXPECT_EQ(load("OZMARRAY 1 INTEGER 2\n1 2\n3\n"), -3);         // a value missing
    EXPECT_EQ(load("OZMARRAY 1 INTEGER 2\n1 2\n3 4 5\n"), -3);     // one too many
    EXPECT_EQ(load("OZMARRAY 1 INTEGER 2\n1 2\n3 x\n"), -3);       // malformed
    EXPECT_EQ(load("OZMARRAY 1 INTEGER 2\n1 2\n3 4.5\n"), -3);     // not an integer
    EXPECT_EQ(load("OZMARRAY 1 INTEGER 2\n0 2\n"), -3);            // zero extent
    EXPECT_EQ(load("OZMARRAY 1 INTEGER 2\n-1 2\n3 4\n"), -3);
    // Extents far beyond what the file can hold are refused before any allocation.
    EXPECT_EQ(load("OZMARRAY 1 INTEGER 2\n2147483647 2147483647\n1 2\n"), -3);
    EXPECT_EQ(load("OZMARRAY 1 INTEGER 2\n100000000 1\n1\n"), -3);
    EXPECT_EQ(keep, (TInt2DArray{{5}}));
    WriteWholeFile(dir.file("d.txt"), "OZMARRAY 1 INTEGER 2\n1 1\n3\n");
    EXPECT_EQ(oa::LoadArray(dir.file("d.txt"), other), -2);
}

}  // namespace
