// TBitmap: pixels, BMP/PNG/JPEG round trips and unreadable files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ozm/platform/bitmap.hpp"
#include "ozm/platform/exceptions.hpp"
#include "test_support.hpp"

namespace {

using ozm::RGBColor;
using ozm::TBitmap;
using ozm::TColor;

// A smooth picture with a few hard pixels; odd width so that BMP rows need padding.
TBitmap TestPicture() {
    TBitmap bmp(37, 21);
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            bmp.SetPixel(x, y, RGBColor(static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 12),
                                        static_cast<uint8_t>(128 + x - y)));
    return bmp;
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    return true;
}

TEST(Bitmap, PixelsSizeAndClipping) {
    TBitmap bmp(3, 2);
    EXPECT_EQ(bmp.Pixel(2, 1), 0u);  // new pixels are black
    bmp.SetPixel(1, 1, 0xFF123456);  // the unused top byte is dropped
    EXPECT_EQ(bmp.Pixel(1, 1), 0x00123456u);
    EXPECT_EQ(ozm::RedOf(0x123456), 0x56);
    EXPECT_EQ(ozm::BlueOf(0x123456), 0x12);
    // Outside: reads 0, writes ignored, nothing else touched.
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {INT32_MIN, INT32_MAX}}) {
        EXPECT_EQ(bmp.Pixel(x, y), 0u);
        bmp.SetPixel(x, y, 0xFFFFFF);
    }
    int lit = 0;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) lit += bmp.Pixel(x, y) != 0;
    EXPECT_EQ(lit, 1);

    // Resizing keeps what still fits and blackens the rest.
    bmp.SetSize(2, 3);
    EXPECT_EQ(bmp.Pixel(1, 1), 0x00123456u);
    EXPECT_EQ(bmp.Pixel(1, 2), 0u);
    bmp.SetSize(-4, 5);
    EXPECT_EQ(bmp.Width(), 0);
    EXPECT_EQ(bmp.Height(), 5);
    EXPECT_THROW(bmp.SetSize(1 << 15, 1 << 14), ozm::EInOutError);  // 2^29 pixels
    EXPECT_EQ(bmp.Height(), 5);

    EXPECT_FALSE(bmp.CopyToClipboard());
}

TEST(Bitmap, BmpAndPngRoundTripExactly) {
    ozm::testing::ScratchDir dir;
    const TBitmap picture = TestPicture();
    picture.SaveToBMP(dir.file("p.bmp"));
    picture.SaveToPNG(dir.file("p.png"));
    // 54 header bytes plus 21 rows of 37 * 3 = 111 bytes padded to 112.
    EXPECT_EQ(ozm::testing::ReadWholeFile(dir.file("p.bmp")).size(), 54u + 21u * 112u);
    EXPECT_EQ(ozm::testing::ReadWholeFile(dir.file("p.png")).substr(1, 3), "PNG");

    TBitmap bmp, png;
    bmp.LoadFromBMP(dir.file("p.bmp"));
    png.LoadFromPNG(dir.file("p.png"));
    EXPECT_TRUE(SamePixels(bmp, picture));
    EXPECT_TRUE(SamePixels(png, picture));
}

TEST(Bitmap, JpegRoundTripIsClose) {
    ozm::testing::ScratchDir dir;
    const TBitmap picture = TestPicture();
    picture.SaveToJPEG(dir.file("p.jpg"), 95);
    TBitmap jpg;
    jpg.LoadFromJPEG(dir.file("p.jpg"));
    ASSERT_EQ(jpg.Width(), picture.Width());
    ASSERT_EQ(jpg.Height(), picture.Height());
    long total = 0;
    int worst = 0;
    for (int y = 0; y < jpg.Height(); ++y) {
        for (int x = 0; x < jpg.Width(); ++x) {
            const TColor a = jpg.Pixel(x, y), b = picture.Pixel(x, y);
            for (int shift : {0, 8, 16}) {
                const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
                total += d;
                worst = std::max(worst, d);
            }
        }
    }
    EXPECT_LT(static_cast<double>(total) / (jpg.Width() * jpg.Height() * 3), 3.0);
    EXPECT_LT(worst, 40);
}

TEST(Bitmap, WriteErrors) {
    ozm::testing::ScratchDir dir;
    TBitmap empty;
    for (auto save : {&TBitmap::SaveToBMP, &TBitmap::SaveToPNG}) {
        try {
            (empty.*save)(dir.file("e"));
            FAIL() << "an empty bitmap was written";
        } catch (const ozm::EInOutError& e) {
            EXPECT_STREQ(e.what(), "Cannot write an empty bitmap");
        }
    }
    EXPECT_THROW(empty.SaveToJPEG(dir.file("e.jpg")), ozm::EInOutError);
    TBitmap zero_height(5, 0);
    EXPECT_THROW(zero_height.SaveToPNG(dir.file("z.png")), ozm::EInOutError);

    const std::string bad = dir.file("missing/p.png");
    try {
        TestPicture().SaveToPNG(bad);
        FAIL() << "wrote into a missing folder";
    } catch (const ozm::EInOutError& e) {
        EXPECT_EQ(e.message(), "Cannot create file \"" + bad + "\"");
    }
}

TEST(Bitmap, UnreadableFilesRaiseAndLeaveTheBitmapAlone) {
    ozm::testing::ScratchDir dir;
    const TBitmap picture = TestPicture();
    picture.SaveToBMP(dir.file("p.bmp"));
    picture.SaveToPNG(dir.file("p.png"));
    picture.SaveToJPEG(dir.file("p.jpg"));
    const std::string bmp_bytes = ozm::testing::ReadWholeFile(dir.file("p.bmp"));
    const std::string png_bytes = ozm::testing::ReadWholeFile(dir.file("p.png"));

    ozm::testing::WriteWholeFile(dir.file("garbage"), std::string(300, '\x5A'));
    ozm::testing::WriteWholeFile(dir.file("empty"), "");
    ozm::testing::WriteWholeFile(dir.file("short.bmp"), bmp_bytes.substr(0, bmp_bytes.size() / 2));
    ozm::testing::WriteWholeFile(dir.file("short.png"), png_bytes.substr(0, png_bytes.size() / 2));
    // A JPEG cut inside its scan data, where libjpeg would only warn and fill the rest with grey.
    TBitmap noisy(200, 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) noisy.SetPixel(x, y, static_cast<TColor>((x * 7919 + y * 104729) * 2654435761u));
    noisy.SaveToJPEG(dir.file("noisy.jpg"));
    const std::string noisy_bytes = ozm::testing::ReadWholeFile(dir.file("noisy.jpg"));
    ASSERT_GT(noisy_bytes.size(), 20000u);
    ozm::testing::WriteWholeFile(dir.file("short.jpg"), noisy_bytes.substr(0, noisy_bytes.size() * 3 / 4));
    // A BMP header that claims a huge image.
    std::string huge = bmp_bytes;
    huge[18] = '\xFF';
    huge[19] = '\xFF';
    huge[20] = '\xFF';
    huge[21] = '\x00';
    ozm::testing::WriteWholeFile(dir.file("huge.bmp"), huge);

    struct Case {
        void (TBitmap::*load)(const std::string&);
        std::string file;
    };
    const Case cases[] = {
        {&TBitmap::LoadFromBMP, "garbage"},   {&TBitmap::LoadFromPNG, "garbage"},
        {&TBitmap::LoadFromJPEG, "garbage"},  {&TBitmap::LoadFromBMP, "empty"},
        {&TBitmap::LoadFromPNG, "empty"},     {&TBitmap::LoadFromJPEG, "empty"},
        {&TBitmap::LoadFromBMP, "missing"},   {&TBitmap::LoadFromPNG, "missing"},
        {&TBitmap::LoadFromJPEG, "missing"},  {&TBitmap::LoadFromBMP, "short.bmp"},
        {&TBitmap::LoadFromPNG, "short.png"}, {&TBitmap::LoadFromJPEG, "short.jpg"},
        {&TBitmap::LoadFromBMP, "huge.bmp"},  {&TBitmap::LoadFromPNG, "p.bmp"},
        {&TBitmap::LoadFromJPEG, "p.png"},    {&TBitmap::LoadFromBMP, "p.jpg"},
    };
    for (const Case& c : cases) {
        TBitmap target(2, 2);
        target.SetPixel(1, 1, 0xABCDEF);
        const std::string name = dir.file(c.file);
        try {
            (target.*c.load)(name);
            ADD_FAILURE() << c.file << " was read";
        } catch (const ozm::EInOutError& e) {
            EXPECT_EQ(e.message(), "Cannot read image file \"" + name + "\"") << c.file;
        }
        EXPECT_EQ(target.Width(), 2) << c.file;
        EXPECT_EQ(target.Pixel(1, 1), 0xABCDEFu) << c.file;
    }
}

}  // namespace
