// Hostile inputs against a replaced allocator: each reproducer of a reader that once believed a
// file's word (vector list and stream headers with a high first index, image headers claiming
// 16384 x 16384 pixels, JPEG scans cut short) must be refused with the reader's documented result,
// and no allocation above the limit may even be attempted while it is read. This program
// replaces the global operator new, so it has a folder of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <cstdio>  // jpeglib.h needs FILE
#include <jpeglib.h>

#include "ozm/base/crc32.hpp"
#include "ozm/base/streamhelp.hpp"
#include "ozm/platform/bitmap.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/vector.hpp"
#include "platform/image_codecs.hpp"
#include "test_support.hpp"

namespace {

std::atomic<size_t> g_limit{SIZE_MAX};
std::atomic<size_t> g_refused{0};

}  // namespace

// GCC takes the pair for mismatched when it inlines a container's deallocation: it knows the
// operator new it would call, not that this one takes its memory from malloc.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(size_t Size) {
    if (Size > g_limit.load(std::memory_order_relaxed)) {
        g_refused.fetch_add(1, std::memory_order_relaxed);
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(Size == 0 ? 1 : Size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

using ozm::testing::ScratchDir;
using ozm::testing::WriteWholeFile;

// While alive, requests above Limit bytes fail; Refused() counts them.
class AllocationLimit {
public:
    explicit AllocationLimit(size_t Limit) {
        g_refused = 0;
        g_limit = Limit;
    }
    ~AllocationLimit() { g_limit = SIZE_MAX; }
    size_t Refused() const { return g_refused; }
};

constexpr size_t kLimit = size_t{64} << 20;

TEST(HostileInputs, TheHookRefusesLargeRequests) {
    AllocationLimit limit(kLimit);
    EXPECT_THROW(std::vector<char>(kLimit + 1), std::bad_alloc);
    EXPECT_EQ(limit.Refused(), 1u);
    std::vector<char> fits(kLimit);  // at the limit: granted
    EXPECT_EQ(fits.size(), kLimit);
}

TEST(HostileInputs, VectorHeadersWithAHighFirstIndex) {
    ScratchDir dir;
    // 118 bytes: indices 2147483600..2147483647 and their 48 values.
    std::string list = "2147483600 2147483647\n";
    for (int i = 0; i < 48; ++i) list += "1\n";
    ASSERT_EQ(list.size(), 118u);
    WriteWholeFile(dir.file("high.lst"), list);
    // 18 bytes: first above last, so no entry is checked, and 4012393 elements announced.
    WriteWholeFile(dir.file("reversed.lst"), "24012393 4012393\n");
    // 500 bytes of stream layout with the same indices.
    ozm::TMemoryStream stream;
    ozm::WriteExtendedToStream(stream, 2147483600.0L);
    ozm::WriteExtendedToStream(stream, 2147483647.0L);
    for (int i = 0; i < 48; ++i) ozm::WriteExtendedToStream(stream, 1.0L);
    ASSERT_EQ(stream.Size(), 500);

    AllocationLimit limit(kLimit);
    ozm::TVector reals;
    ozm::TIntVector ints;
    for (const char* name : {"high.lst", "reversed.lst"}) {
        EXPECT_FALSE(reals.LoadFromFile(dir.file(name), true)) << name;
        EXPECT_FALSE(ints.LoadFromFile(dir.file(name), true)) << name;
    }
    stream.SetPosition(0);
    EXPECT_FALSE(reals.LoadFromStream(stream, true));
    stream.SetPosition(0);
    EXPECT_FALSE(ints.LoadFromStream(stream, true));
    EXPECT_EQ(reals.NrOfElem(), 1);
    EXPECT_EQ(ints.NrOfElem(), 1);
    EXPECT_EQ(limit.Refused(), 0u);
}

void PutBE32(std::string& s, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) s[at + size_t(k)] = static_cast<char>(v >> (24 - 8 * k));
}

std::string PngChunk(const std::string& Type, const std::string& Data) {
    std::string chunk(4, '\0');
    PutBE32(chunk, 0, static_cast<uint32_t>(Data.size()));
    chunk += Type + Data;
    const std::string covered = Type + Data;
    std::string crc(4, '\0');
    PutBE32(crc, 0, ozm::CRC32OfBlock(covered.data(), covered.size()));
    return chunk + crc;
}

// The first SOF marker's height and width set to Height x Width.
std::string WithFrameSize(std::string Jpeg, uint16_t Height, uint16_t Width) {
    for (size_t i = 0; i + 8 < Jpeg.size(); ++i) {
        if (Jpeg[i] == '\xFF' && (Jpeg[i + 1] == '\xC0' || Jpeg[i + 1] == '\xC2')) {
            Jpeg[i + 5] = static_cast<char>(Height >> 8);
            Jpeg[i + 6] = static_cast<char>(Height & 0xFF);
            Jpeg[i + 7] = static_cast<char>(Width >> 8);
            Jpeg[i + 8] = static_cast<char>(Width & 0xFF);
            return Jpeg;
        }
    }
    ADD_FAILURE() << "no frame header";
    return Jpeg;
}

std::string NoisyJpeg(int Side) {
    std::vector<ozm::TColor> pixels(size_t(Side) * size_t(Side));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<ozm::TColor>(i * 2654435761u) & 0xFFFFFF;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ozm::imaging::EncodeJPEG(Side, Side, pixels, 75, bytes));
    return std::string(bytes.begin(), bytes.end());
}

TEST(HostileInputs, ImageHeadersClaiming16384Squared) {
    ScratchDir dir;
    // 54 bytes of BMP header, 24-bit, no pixels.
    std::string bmp(54, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[10] = 54;
    bmp[14] = 40;
    bmp[19] = 0x40;  // width 16384
    bmp[23] = 0x40;  // height 16384
    bmp[26] = 1;
    bmp[28] = 24;
    WriteWholeFile(dir.file("huge.bmp"), bmp);
    // 69 bytes of PNG: a valid header for 16384 x 16384 RGB, a 12-byte IDAT, IEND.
    std::string ihdr(13, '\0');
    PutBE32(ihdr, 0, 16384);
    PutBE32(ihdr, 4, 16384);
    ihdr[8] = 8;
    ihdr[9] = 2;
    const std::string png = std::string("\x89PNG\r\n\x1A\n", 8) + PngChunk("IHDR", ihdr) +
                            PngChunk("IDAT", std::string("\x78\x9C\x63\x60\x60\x60\x00\x00\x00\x04\x00"
                                                         "\x01", 12)) +
                            PngChunk("IEND", "");
    ASSERT_EQ(png.size(), 69u);
    WriteWholeFile(dir.file("huge.png"), png);
    // A small JPEG whose frame header claims 16384 x 16384.
    WriteWholeFile(dir.file("huge.jpg"), WithFrameSize(NoisyJpeg(16), 16384, 16384));

    AllocationLimit limit(kLimit);
    for (const auto& [load, name] :
         {std::pair{&ozm::TBitmap::LoadFromBMP, "huge.bmp"},
          std::pair{&ozm::TBitmap::LoadFromPNG, "huge.png"},
          std::pair{&ozm::TBitmap::LoadFromJPEG, "huge.jpg"}}) {
        ozm::TBitmap bitmap(2, 2);
        EXPECT_THROW((bitmap.*load)(dir.file(name)), ozm::EInOutError) << name;
        EXPECT_EQ(bitmap.Width(), 2) << name;
    }
    EXPECT_EQ(limit.Refused(), 0u);
}

// Every cut of a JPEG's scan data closed with an EOI marker once loaded as a grey lower part.
TEST(HostileInputs, JpegScansCutAndClosedByEoi) {
    const std::string jpeg = NoisyJpeg(64);
    const size_t scan = jpeg.find("\xFF\xDA", 0, 2);
    ASSERT_NE(scan, std::string::npos);
    const size_t data = scan + 2 + (uint8_t(jpeg[scan + 2]) << 8 | uint8_t(jpeg[scan + 3]));
    ASSERT_LT(data + 100, jpeg.size());
    ozm::imaging::TImage whole;
    ASSERT_TRUE(ozm::imaging::DecodeJPEG(
        {reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size()}, whole));

    AllocationLimit limit(kLimit);
    int accepted = 0;
    for (size_t cut = data; cut + 2 < jpeg.size(); ++cut) {
        const std::string damaged = jpeg.substr(0, cut) + "\xFF\xD9";
        ozm::imaging::TImage image;
        accepted += ozm::imaging::DecodeJPEG(
            {reinterpret_cast<const uint8_t*>(damaged.data()), damaged.size()}, image);
    }
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(limit.Refused(), 0u);
}

// An arithmetic-coded scan cut short decodes as zeros without any warning from libjpeg, so such
// files are refused whole: a few bytes would otherwise load as a full-size image of garbage.
TEST(HostileInputs, ArithmeticCodedJpegIsRefused) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    jpeg_mem_dest(&cinfo, &out, &out_size);
    cinfo.image_width = 64;
    cinfo.image_height = 64;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    cinfo.arith_code = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(64 * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (size_t x = 0; x < row.size(); ++x)
            row[x] = static_cast<unsigned char>(x * 7 + cinfo.next_scanline * 13);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const std::string whole(reinterpret_cast<const char*>(out), out_size);
    std::free(out);

    ScratchDir dir;
    const std::string cut = whole.substr(0, whole.size() / 2) + "\xFF\xD9";
    WriteWholeFile(dir.file("whole.jpg"), whole);
    WriteWholeFile(dir.file("cut.jpg"), cut);
    AllocationLimit limit(kLimit);
    for (const char* name : {"whole.jpg", "cut.jpg"}) {
        ozm::TBitmap bitmap;
        EXPECT_THROW(bitmap.LoadFromJPEG(dir.file(name)), ozm::EInOutError) << name;
    }
    EXPECT_EQ(limit.Refused(), 0u);
}

}  // namespace
