// 2-D kernel correlation against scipy.ndimage, the edge kernels, the image-area correlation
// against numpy and the Gaussian and sigmoid generators.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "filter_refs.hpp"
#include "numerics/filter_internal.hpp"
#include "ozm/math2.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/bitmap.hpp"
#include "ozm/vector.hpp"

namespace {

using namespace ozm;
using namespace ozm::math2;
using ozm::testing::FilterRefs;

constexpr double kEps = std::numeric_limits<double>::epsilon();

TDouble2DArray Reshape(const std::vector<double>& v, size_t offset, size_t rows, size_t cols) {
    TDouble2DArray a(rows, TDoubleArray(cols));
    for (size_t i = 0; i < rows; ++i)
        for (size_t j = 0; j < cols; ++j) a[i][j] = v[offset + i * cols + j];
    return a;
}

TDouble2DArray RandomArray(size_t rows, size_t cols, unsigned seed) {
    std::mt19937 gen(seed);
    std::normal_distribution<double> nd(0, 1);
    TDouble2DArray a(rows, TDoubleArray(cols));
    for (auto& r : a)
        for (double& v : r) v = nd(gen);
    return a;
}

TEST(KernelConvolve, MatchesScipyCorrelateWithNearestEdges) {
    const FilterRefs refs("conv2d.txt");
    for (const char* name : {"a", "b", "c", "d", "e", "f"}) {
        const std::vector<double>& s = refs[std::string("src_") + name];
        const std::vector<double>& k = refs[std::string("kernel_") + name];
        const std::vector<double>& want = refs[std::string("expect_") + name];
        const size_t rows = static_cast<size_t>(s[0]), cols = static_cast<size_t>(s[1]);
        const size_t K = static_cast<size_t>(k[0]);
        const TDouble2DArray src = Reshape(s, 2, rows, cols), ker = Reshape(k, 1, K, K);
        TDouble2DArray dst;
        ASSERT_EQ(KernelConvolve(ker, src, dst, nullptr), 0) << name;
        ASSERT_EQ(dst.size(), rows);
        double ms = 0, mk = 0;
        for (double v : s) ms = std::max(ms, std::fabs(v));
        for (double v : k) mk = std::max(mk, std::fabs(v));
        const double tol =
            4.0 * static_cast<double>(K * K) * kEps * ms * mk;  // K^2 products summed
        for (size_t i = 0; i < rows; ++i) {
            ASSERT_EQ(dst[i].size(), cols);
            for (size_t j = 0; j < cols; ++j)
                ASSERT_NEAR(dst[i][j], want[i * cols + j], tol) << name << " " << i << "," << j;
        }
    }
}

TEST(KernelConvolve, InstructionSetsAgreeBitForBit) {
    using namespace ozm::math2::detail;
    const TDouble2DArray src = RandomArray(61, 83, 5);
    const TSimdLevel best = DetectedSimdLevel();
    for (size_t K : {3u, 5u, 15u}) {
        const TDouble2DArray ker = RandomArray(K, K, static_cast<unsigned>(K));
        TDouble2DArray first;
        for (int level = 0; level <= static_cast<int>(best); ++level) {
            ForceSimdLevel(static_cast<TSimdLevel>(level));
            TDouble2DArray dst;
            ASSERT_EQ(KernelConvolve(ker, src, dst, nullptr), 0);
            if (level == 0) {
                first = dst;
            } else {
                EXPECT_TRUE(dst == first) << "K " << K << " level " << level;
            }
        }
    }
    ForceSimdLevel(best);
}

TEST(KernelConvolve, ResultCodesShapesAndProgress) {
    const TDouble2DArray src = RandomArray(7, 9, 1);
    const TDouble2DArray keep = {{42.0}};
    TDouble2DArray dst = keep;
    // The last failing test decides: -1 row length, -2 even, -3 smaller than 3.
    EXPECT_EQ(KernelConvolve({{1, 2}, {3, 4}}, src, dst, nullptr), -3);
    EXPECT_EQ(KernelConvolve({}, src, dst, nullptr), -3);
    EXPECT_EQ(KernelConvolve({{1}}, src, dst, nullptr), -3);
    EXPECT_EQ(KernelConvolve(TDouble2DArray(4, TDoubleArray(4, 1.0)), src, dst, nullptr), -2);
    EXPECT_EQ(KernelConvolve(TDouble2DArray(4, TDoubleArray(3, 1.0)), src, dst, nullptr), -2);
    EXPECT_EQ(KernelConvolve({{1, 2, 3, 4}, {1, 2, 3}, {1, 2, 3}}, src, dst, nullptr), -1);
    // Regression: a short row after a correct first row was read past its end.
    EXPECT_EQ(KernelConvolve({{1, 2, 3}, {1, 2}, {1, 2, 3}}, src, dst, nullptr), -1);
    TDouble2DArray ragged = src;
    ragged[3].pop_back();
    EXPECT_EQ(KernelConvolve(TDouble2DArray(3, TDoubleArray(3, 1.0)), ragged, dst, nullptr), -4);
    EXPECT_EQ(dst, keep);

    // The centre pulse copies; the destination may be the source.
    TDouble2DArray pulse(3, TDoubleArray(3, 0.0));
    pulse[1][1] = 1;
    ASSERT_EQ(KernelConvolve(pulse, src, dst, nullptr), 0);
    EXPECT_EQ(dst, src);
    TDouble2DArray self = src;
    TDouble2DArray shiftDown(3, TDoubleArray(3, 0.0));
    shiftDown[0][1] = 1;  // not mirrored: reads the row above
    ASSERT_EQ(KernelConvolve(shiftDown, self, self, nullptr), 0);
    EXPECT_EQ(self[0], src[0]);
    for (size_t i = 1; i < src.size(); ++i) EXPECT_EQ(self[i], src[i - 1]);
    TDouble2DArray empty(3);
    ASSERT_EQ(KernelConvolve(pulse, empty, dst, nullptr), 0);
    EXPECT_EQ(dst, empty);

    // Progress: one call per s-th interior element, s = (rows - K)(cols - K)/100, counting up.
    const TDouble2DArray big = RandomArray(103, 53, 2);
    std::vector<int> seen;
    const TOnPercentDoneEvent ev = [&](TObject* sender, int pct) {
        EXPECT_EQ(sender, nullptr);
        seen.push_back(pct);
    };
    ASSERT_EQ(KernelConvolve(pulse, big, dst, ev), 0);
    const int s = 100 * 50 / 100, interior = 101 * 51;
    ASSERT_EQ(seen.size(), static_cast<size_t>(interior / s));
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], static_cast<int>(i) + 1);
    seen.clear();
    ASSERT_EQ(KernelConvolve(pulse, RandomArray(2, 40, 3), dst, ev), 0);  // no interior rows
    EXPECT_TRUE(seen.empty());
}

TEST(KernelConvolve, CompassAndKirschKernels) {
    const TDouble2DArray flat(12, TDoubleArray(10, 7.25));
    TDouble2DArray dst;
    for (int d = 0; d < 8; ++d) {
        ASSERT_EQ(ApplyCompassKernel(d, flat, dst, nullptr), 0);
        for (const auto& r : dst)
            for (double v : r) ASSERT_EQ(v, 0.0) << d;
        ASSERT_EQ(ApplyKirschKernel(d, flat, dst, nullptr), 0);
        for (const auto& r : dst)
            for (double v : r) ASSERT_EQ(v, 0.0) << d;
    }
    for (int d : {-1, 8}) {
        EXPECT_EQ(ApplyCompassKernel(d, flat, dst, nullptr), -1);
        EXPECT_EQ(ApplyKirschKernel(d, flat, dst, nullptr), -1);
    }
    // Brighter below row 5: direction 0 (negative row on top) answers positively, 4 negatively;
    // a vertical edge (brighter on the right) is found by direction 6 and against it by 2.
    TDouble2DArray step(10, TDoubleArray(10, 0.0)), side(10, TDoubleArray(10, 0.0));
    for (size_t i = 0; i < 10; ++i)
        for (size_t j = 0; j < 10; ++j)
            step[i][j] = i >= 5 ? 1.0 : 0.0, side[i][j] = j >= 5 ? 1.0 : 0.0;
    ASSERT_EQ(ApplyCompassKernel(0, step, dst, nullptr), 0);
    EXPECT_EQ(dst[4][4], 3.0);
    EXPECT_EQ(dst[5][4], 3.0);  // (-1,-1,-1) on the dark row, (1,-2,1) and (1,1,1) on bright ones
    EXPECT_EQ(dst[2][4], 0.0);
    ASSERT_EQ(ApplyCompassKernel(4, step, dst, nullptr), 0);
    EXPECT_EQ(dst[4][4], -3.0);
    ASSERT_EQ(ApplyKirschKernel(0, step, dst, nullptr), 0);
    EXPECT_EQ(dst[4][4], 15.0);
    ASSERT_EQ(ApplyKirschKernel(6, side, dst, nullptr), 0);
    EXPECT_EQ(dst[4][4], 15.0);
    ASSERT_EQ(ApplyKirschKernel(2, side, dst, nullptr), 0);
    EXPECT_EQ(dst[4][4], -9.0);
}

TBitmap BitmapFrom(const std::vector<double>& v) {
    TBitmap bmp(static_cast<int>(v[0]), static_cast<int>(v[1]));
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            bmp.SetPixel(x, y,
                         static_cast<TColor>(v[2 + static_cast<size_t>(y * bmp.Width() + x)]));
    return bmp;
}

TEST(KernelImageCorrelation, MatchesNumpyAndHandlesDegenerateAreas) {
    const FilterRefs refs("imgcorr.txt");
    const TBitmap img1 = BitmapFrom(refs["img1"]), img2 = BitmapFrom(refs["img2"]);
    const TImgCompareMode modes[] = {TImgCompareMode::icmRed, TImgCompareMode::icmGreen,
                                     TImgCompareMode::icmBlue, TImgCompareMode::icmGrayValues};
    for (const char* key : {"case0", "case1", "case2"}) {
        const std::vector<double>& c = refs[key];
        const TRect a1{static_cast<int>(c[0]), static_cast<int>(c[1]), static_cast<int>(c[2]),
                       static_cast<int>(c[3])};
        const TRect a2{static_cast<int>(c[4]), static_cast<int>(c[5]), static_cast<int>(c[6]),
                       static_cast<int>(c[7])};
        for (size_t m = 0; m < 4; ++m)
            EXPECT_NEAR(CalcImgCorrelation(img1, img2, a1, a2, modes[m]), c[8 + m], 64 * kEps)
                << key << " mode " << m;
    }
    const TRect whole{0, 0, img1.Width() - 1, img1.Height() - 1};
    for (TImgCompareMode m : {TImgCompareMode::icmGrayValues, TImgCompareMode::icmHue,
                              TImgCompareMode::icmLightness, TImgCompareMode::icmSaturation})
        EXPECT_NEAR(CalcImgCorrelation(img1, img1, whole, whole, m), 1.0, 8 * kEps);
    // Uniform area, fewer than 3 pixels, empty area: 0.
    TBitmap grey(8, 8);
    grey.Fill(RGBColor(90, 90, 90));
    EXPECT_EQ(CalcImgCorrelation(grey, img1, {0, 0, 7, 7}, {0, 0, 7, 7}, TImgCompareMode::icmRed),
              0.0);
    EXPECT_EQ(CalcImgCorrelation(img1, img2, {0, 0, 1, 0}, {3, 3, 4, 3}, TImgCompareMode::icmRed),
              0.0);
    EXPECT_EQ(CalcImgCorrelation(img1, img2, {5, 5, 4, 9}, {5, 5, 4, 9}, TImgCompareMode::icmRed),
              0.0);
    // Widths must agree; heights are not compared and pixels beyond the bitmap read black.
    try {
        CalcImgCorrelation(img1, img2, {0, 0, 5, 5}, {0, 0, 6, 5}, TImgCompareMode::icmRed);
        ADD_FAILURE() << "no error";
    } catch (const EOZMMath2Error& e) {
        EXPECT_STREQ(e.what(), "image ranges to compare are not of equal size");
    }
    EXPECT_TRUE(std::isfinite(
        CalcImgCorrelation(img1, img2, {0, 0, 5, 12}, {10, 5, 15, 99}, TImgCompareMode::icmRed)));
    try {
        CalcImgCorrelation(img1, img2, {-2000000000, 0, 2000000000, 1},
                           {-2000000000, 0, 2000000000, 0}, TImgCompareMode::icmRed);
        ADD_FAILURE() << "no error";
    } catch (const EOZMMath2Error& e) {
        EXPECT_STREQ(e.what(), "CalcImgCorrelation: image ranges to compare are too large");
    }
}

TEST(KernelGenerators, GaussianAndSigmoidValuesAndCodes) {
    TVector a, b;
    a.Resize(3);
    b.Resize(3);
    a.Cells()[0] = 1, a.Cells()[1] = 2, a.Cells()[2] = 3;
    b.Cells()[0] = 1, b.Cells()[1] = 3, b.Cells()[2] = 4;
    EXPECT_EQ(CalcGaussKernel(a, a, 0.7), 1.0);
    EXPECT_EQ(CalcGaussKernel(a, a, 0.0), 1.0);
    EXPECT_NEAR(CalcGaussKernel(a, b, 2.0), std::exp(-0.5), 4 * kEps);
    EXPECT_EQ(CalcGaussKernel(a, b, 0.01), std::exp(-20.0));
    TMatrix m;
    m.Resize(3, 2);
    m.SetVal(1, 2, 1), m.SetVal(2, 2, 3), m.SetVal(3, 2, 4);
    EXPECT_EQ(CalcGaussKernelMat(a, m, 2, 2.0), CalcGaussKernel(a, b, 2.0));

    TDouble2DArray g(5, TDoubleArray(7, 0.0)), thin(1, TDoubleArray(7));
    EXPECT_EQ(Gauss2D(2, 3, 1.5, 4.0, thin), -2);
    EXPECT_EQ(Gauss2D(2, 3, 0.0, 4.0, g), -1);
    EXPECT_EQ(Gauss2D(2, 3, std::nan(""), 4.0, g), -1);
    ASSERT_EQ(Gauss2D(2, 3, 1.5, 4.0, g), 0);
    EXPECT_EQ(g[1][2], 4.0);  // 1-based centre (2, 3)
    EXPECT_NEAR(g[4][6], 4.0 * std::exp(-(9.0 + 16.0) / 2.25), 4 * kEps);
    EXPECT_EQ(g[0][2], g[2][2]);

    TDoubleArray arr(10), tiny(2);
    EXPECT_EQ(CreateGaussianPeaks({}, tiny), -2);
    EXPECT_EQ(CreateGaussianPeaks({}, arr), -1);
    EXPECT_EQ(CreateGaussianPeaks({{3, 0, 1}}, arr), -3);
    ASSERT_EQ(CreateGaussianPeaks({{3, 2, 5}, {8.5, 1, -1}}, arr), 0);
    EXPECT_NEAR(arr[2], 5 + -1 * std::exp(-30.25), 4 * kEps);
    EXPECT_NEAR(arr[8], 5 * std::exp(-9.0) - std::exp(-0.25), 4 * kEps);

    EXPECT_EQ(CreateSigmoidArray(tiny, 1, 0, 1, 1), -1);
    ASSERT_EQ(CreateSigmoidArray(arr, 0.0, 2.0, 3.0, 4), 0);
    for (double v : arr) EXPECT_EQ(v, 3.5);
    ASSERT_EQ(CreateSigmoidArray(arr, 1.5, -1.0, 2.0, 5), 0);
    EXPECT_EQ(arr[4], 0.0);
    EXPECT_NEAR(arr[9], -1.0 + 2.0 / (1 + std::exp(-7.5)), 4 * kEps);
}

}  // namespace
