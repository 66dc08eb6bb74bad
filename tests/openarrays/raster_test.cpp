// Flood fill, masked fill, edge profiles and image export of open-array rasters.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "ozm/openarrays.hpp"
#include "ozm/platform/bitmap.hpp"
#include "ozm/platform/exceptions.hpp"
#include "test_support.hpp"

namespace oa = ozm::openarrays;
using ozm::TBool2DArray;
using ozm::TDouble2DArray;
using ozm::TDoubleArray;
using ozm::TEdgeOp;
using ozm::TInt2DArray;
using ozm::TIntArray;
using ozm::TOrientation;

namespace {

struct BoxOut {
    int maxY = -7, minY = -7, minX = -7, maxX = -7;
};

int Fill(int x, int y, int32_t value, TInt2DArray& a, BoxOut& b) {
    return oa::FloodFillArray(x, y, value, a, b.maxY, b.minY, b.minX, b.maxX);
}

TEST(OpenArrayFloodFill, RegionCountAndBoundingBox) {
    TInt2DArray zeros(3, TIntArray(3, 0));
    BoxOut b;
    EXPECT_EQ(Fill(1, 1, 5, zeros, b), 9);
    EXPECT_EQ(zeros, TInt2DArray(3, TIntArray(3, 5)));
    EXPECT_EQ(b.minX, 0);
    EXPECT_EQ(b.minY, 0);
    EXPECT_EQ(b.maxX, 2);
    EXPECT_EQ(b.maxY, 2);

    TInt2DArray checker(4, TIntArray(4));
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 4; ++y) checker[x][y] = (x + y) % 2;
    EXPECT_EQ(Fill(0, 0, 7, checker, b), 1);  // no diagonal spread
    EXPECT_EQ(checker[0][0], 7);
    EXPECT_EQ(checker[1][1], 0);

    // A U-shaped region: the fill has to go down one arm and up the other.
    TInt2DArray u{{1, 1, 1, 1}, {0, 0, 0, 1}, {1, 1, 1, 1}, {9, 9, 9, 9}};
    EXPECT_EQ(Fill(0, 0, 4, u, b), 9);
    EXPECT_EQ(u, (TInt2DArray{{4, 4, 4, 4}, {0, 0, 0, 4}, {4, 4, 4, 4}, {9, 9, 9, 9}}));
    EXPECT_EQ(b.minX, 0);
    EXPECT_EQ(b.maxX, 2);
    EXPECT_EQ(b.minY, 0);
    EXPECT_EQ(b.maxY, 3);
}

TEST(OpenArrayFloodFill, FailuresLeaveEverythingUntouched) {
    TInt2DArray a(2, TIntArray(2, 3));
    BoxOut b;
    EXPECT_EQ(Fill(0, 0, 3, a, b), -2);
    EXPECT_EQ(Fill(5, 0, 1, a, b), -1);
    EXPECT_EQ(Fill(5, 0, 0, a, b), -2);  // an outside seed counts as holding 0
    EXPECT_EQ(Fill(0, -1, 1, a, b), -1);
    EXPECT_EQ(a, TInt2DArray(2, TIntArray(2, 3)));
    EXPECT_EQ(b.minX, -7);
    EXPECT_EQ(b.maxY, -7);

    // Ragged raster: the short column simply has fewer cells.
    TInt2DArray ragged{{0, 0, 0}, {0}, {0, 0}};
    EXPECT_EQ(Fill(1, 2, 1, ragged, b), -1);
    EXPECT_EQ(Fill(2, 1, 1, ragged, b), 6);
    EXPECT_EQ(ragged, (TInt2DArray{{1, 1, 1}, {1}, {1, 1}}));
}

TEST(OpenArrayFloodFill, DoubleToleranceBand) {
    TDouble2DArray a{{1.0, 1.4, 2.0}, {0.6, std::nan(""), 1.6}};
    BoxOut b;
    const auto fill = [&](double tol, double value, TDouble2DArray& r) {
        return oa::FloodFillArray(0, 0, tol, value, r, b.maxY, b.minY, b.minX, b.maxX);
    };
    TDouble2DArray r = a;
    EXPECT_EQ(fill(-0.5, 9.0, r), 4);  // 1.0, 1.4, 0.6 and the NaN; 2.0 and 1.6 are outside
    EXPECT_EQ(r[0], (TDoubleArray{9, 9, 2.0}));
    EXPECT_EQ(r[1][0], 9.0);
    EXPECT_EQ(r[1][1], 9.0);
    EXPECT_EQ(r[1][2], 1.6);
    TDouble2DArray s = a;
    EXPECT_EQ(fill(0.5, 9.0, s), 4);  // the sign of the tolerance does not matter
    EXPECT_EQ(s, r);
    // A new value inside the band (or NaN) would match again: refused, nothing changes.
    TDouble2DArray t = a;
    EXPECT_EQ(fill(0.5, 1.2, t), -2);
    EXPECT_EQ(fill(0.5, std::nan(""), t), -2);
    EXPECT_EQ(t[0], a[0]);
    EXPECT_EQ(oa::FloodFillArray(2, 0, 0.5, 9.0, t, b.maxY, b.minY, b.minX, b.maxX), -1);
}

TEST(OpenArrayFloodFill, LargeRasterNeedsNoRecursion) {
    // A 4000 x 4000 raster with a serpentine corridor: one region of about 8 million cells
    // whose fill would recurse once per run in a recursive implementation.
    const int n = 4000;
    TInt2DArray a(n, TIntArray(n, 0));
    for (int x = 1; x < n; x += 2) {
        const int gap = (x / 2) % 2 == 0 ? n - 1 : 0;
        for (int y = 0; y < n; ++y)
            if (y != gap) a[x][y] = 1;
    }
    int64_t zeros = 0;
    for (const auto& column : a)
        for (int32_t v : column) zeros += (v == 0);
    BoxOut b;
    EXPECT_EQ(Fill(0, 0, 2, a, b), zeros);
    EXPECT_EQ(b.minX, 0);
    EXPECT_EQ(b.maxX, n - 1);
    EXPECT_EQ(b.maxY, n - 1);
    for (const auto& column : a)
        for (int32_t v : column) ASSERT_NE(v, 0);
}

TEST(OpenArrayRaster, MaskedFillAndEdgeProfiles) {
    TDouble2DArray a{{1, 2}, {3, 4}};
    EXPECT_EQ(oa::FillArrayMasked(a, 0.0, TBool2DArray{{true, false}, {false, true}}), 0);
    EXPECT_EQ(a, (TDouble2DArray{{1, 0}, {0, 4}}));
    EXPECT_EQ(oa::FillArrayMasked(a, 5.0, TBool2DArray{{true, false}}), -1);
    EXPECT_EQ(a, (TDouble2DArray{{1, 0}, {0, 4}}));
    EXPECT_EQ(oa::FillArrayMasked(a, 5.0, TBool2DArray{}), 0);
    EXPECT_EQ(a, (TDouble2DArray{{5, 5}, {5, 5}}));
    TInt2DArray none;
    EXPECT_EQ(oa::FillArrayMasked(none, 1, TBool2DArray{}), -2);

    const TInt2DArray r{{1, 2, 3}, {4, 5, 6}};
    TDoubleArray profile{99};
    ASSERT_EQ(oa::EdgeVector(r, TOrientation::orPerColumn, TEdgeOp::eoMean, profile), 0);
    EXPECT_EQ(profile, (TDoubleArray{2, 5}));
    ASSERT_EQ(oa::EdgeVector(r, TOrientation::orPerRow, TEdgeOp::eoSum, profile), 0);
    EXPECT_EQ(profile, (TDoubleArray{5, 7, 9}));
    ASSERT_EQ(oa::EdgeVector(r, TOrientation::orPerRow, TEdgeOp::eoMin, profile), 0);
    EXPECT_EQ(profile, (TDoubleArray{1, 2, 3}));
    ASSERT_EQ(oa::EdgeVector(r, TOrientation::orPerColumn, TEdgeOp::eoMax, profile), 0);
    EXPECT_EQ(profile, (TDoubleArray{3, 6}));
    const TDouble2DArray withNaN{{std::nan(""), 1}, {2, 0}};
    ASSERT_EQ(oa::EdgeVector(withNaN, TOrientation::orPerRow, TEdgeOp::eoMax, profile), 0);
    EXPECT_EQ(profile[0], 2);  // a NaN maximum gives way to the next value
    EXPECT_EQ(profile[1], 1);
    EXPECT_EQ(oa::EdgeVector(TInt2DArray{{}}, TOrientation::orPerRow, TEdgeOp::eoSum, profile), -1);
    EXPECT_EQ(oa::EdgeVector(TInt2DArray{{1, 2}, {3}}, TOrientation::orPerRow, TEdgeOp::eoSum,
                             profile),
              -2);
    EXPECT_EQ(profile[1], 1);
}

TEST(OpenArrayRaster, SaveArrayAsImgWritesReadableImages) {
    ozm::testing::ScratchDir dir;
    // 2 columns x 3 rows of distinct colours (0x00BBGGRR).
    const TInt2DArray a{{0x0000FF, 0x00FF00, 0xFF0000}, {0xFFFFFF, 0x000000, 0x808080}};
    ASSERT_EQ(oa::SaveArrayAsImg(dir.file("a.bmp"), a, 4), 0);
    ASSERT_EQ(oa::SaveArrayAsImg(dir.file("a.PNG"), a, 4), 0);
    ASSERT_EQ(oa::SaveArrayAsImg(dir.file("a.jpg"), a, 4), 0);
    ozm::TBitmap bmp, png, jpg;
    bmp.LoadFromBMP(dir.file("a.bmp"));
    png.LoadFromPNG(dir.file("a.PNG"));
    jpg.LoadFromJPEG(dir.file("a.jpg"));
    for (const ozm::TBitmap* img : {&bmp, &png, &jpg}) {
        EXPECT_EQ(img->Width(), 8);
        EXPECT_EQ(img->Height(), 12);
    }
    for (int py = 0; py < 12; ++py)
        for (int px = 0; px < 8; ++px) {
            const auto want = static_cast<ozm::TColor>(a[px / 4][py / 4]);
            ASSERT_EQ(bmp.Pixel(px, py), want);
            ASSERT_EQ(png.Pixel(px, py), want);
        }
    // JPEG is lossy: the centre of each 4 x 4 block stays close to its colour.
    for (int x = 0; x < 2; ++x)
        for (int y = 0; y < 3; ++y) {
            const ozm::TColor got = jpg.Pixel(4 * x + 2, 4 * y + 2);
            const auto want = static_cast<ozm::TColor>(a[x][y]);
            EXPECT_NEAR(ozm::RedOf(got), ozm::RedOf(want), 40) << x << "," << y;
            EXPECT_NEAR(ozm::GreenOf(got), ozm::GreenOf(want), 40) << x << "," << y;
            EXPECT_NEAR(ozm::BlueOf(got), ozm::BlueOf(want), 40) << x << "," << y;
        }

    EXPECT_EQ(oa::SaveArrayAsImg(dir.file("b.png"), a, 11), -2);
    EXPECT_EQ(oa::SaveArrayAsImg(dir.file("b.png"), a, 0), -2);
    EXPECT_EQ(oa::SaveArrayAsImg(dir.file("b.gif"), a, 1), -1);
    EXPECT_EQ(oa::SaveArrayAsImg(dir.file("noext"), a, 1), -1);
    EXPECT_EQ(oa::SaveArrayAsImg(dir.file("b.png"), TInt2DArray{}, 1), -2);
    EXPECT_EQ(oa::SaveArrayAsImg(dir.file("b.png"), TInt2DArray{{1, 2}, {3}}, 1), -2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("b.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("b.gif")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("noext")));
    // No clipboard here: an empty name reports failure instead of claiming success.
    EXPECT_EQ(oa::SaveArrayAsImg("", a, 1), -3);
    EXPECT_THROW(oa::SaveArrayAsImg(dir.file("missing/sub/a.png"), a, 1), ozm::EInOutError);
}

}  // namespace
