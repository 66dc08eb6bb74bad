// Extremes, moments, percentiles, frequency distributions, counting, searching and two-valued data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "ozm/base/constants.hpp"
#include "ozm/openarrays.hpp"

namespace oa = ozm::openarrays;
using ozm::TBool2DArray;
using ozm::TDouble2DArray;
using ozm::TDouble3DArray;
using ozm::TDoubleArray;
using ozm::TInt2DArray;
using ozm::TInt4DArray;
using ozm::TIntArray;
using ozm::TSingleArray;
using ozm::TStrArray;
using ozm::uc_MaxDouble;

namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
const double kNaN = std::nan("");
const double kInf = std::numeric_limits<double>::infinity();

TEST(OpenArrayExtremes, MaxMinKeepTheFirstOccurrence) {
    int ix = -5;
    EXPECT_EQ(oa::MaxArray(TIntArray{3, 7, 7}, ix), 7);
    EXPECT_EQ(ix, 1);
    EXPECT_EQ(oa::MaxArray(TIntArray{9, 1}, ix), 9);
    EXPECT_EQ(ix, 0);
    ix = 42;
    EXPECT_EQ(oa::MaxArray(TIntArray{}, ix), kIntMin);
    EXPECT_EQ(ix, 42);
    EXPECT_EQ(oa::MinArray(TIntArray{}, ix), kIntMax);

    int i1 = -1, i2 = -1;
    EXPECT_EQ(oa::MinArray(TInt2DArray{{4, 2}, {2, 1}, {1, 5}}, i1, i2), 1);
    EXPECT_EQ(i1, 1);
    EXPECT_EQ(i2, 1);
    EXPECT_EQ(oa::MaxArray(TInt2DArray{{4, 2}, {2, 1}, {1, 5}}, i1, i2), 5);
    EXPECT_EQ(i1, 2);
    EXPECT_EQ(i2, 1);

    EXPECT_EQ(oa::MaxArray(TDoubleArray{}), -uc_MaxDouble);
    EXPECT_EQ(oa::MinArray(TDouble2DArray{{}}), uc_MaxDouble);
    EXPECT_EQ(oa::MaxArray(TDouble3DArray{{{1, 8}, {3, 2}}}), 8);
    EXPECT_EQ(oa::MinArray(TInt4DArray{{{{4, -3}}}, {{{0, 9}}}}), -3);
    // NaN cells are passed over wherever they stand; infinities are ordinary values.
    EXPECT_EQ(oa::MaxArray(TDoubleArray{kNaN, 1, kNaN, 2}), 2);
    EXPECT_EQ(oa::MinArray(TDoubleArray{-kInf, -kInf}), -kInf);
    // Ragged arrays: every cell counts.
    EXPECT_EQ(oa::MaxArray(TDouble2DArray{{1}, {2, 30, 4}}), 30);
}

TEST(OpenArrayExtremes, MinMaxPresetsAndRanges) {
    double mn = 0, mx = 0;
    EXPECT_EQ(oa::MinMaxArray(TDoubleArray{}, mn, mx), -1);
    EXPECT_EQ(mn, uc_MaxDouble);
    EXPECT_EQ(mx, -uc_MaxDouble);
    EXPECT_EQ(oa::MinMaxArray(TSingleArray{}, mn, mx), -1);
    EXPECT_EQ(mn, static_cast<double>(ozm::uc_MaxSingle));
    ASSERT_EQ(oa::MinMaxArray(TSingleArray{2.5f, -1.5f}, mn, mx), 0);
    EXPECT_EQ(mn, -1.5);
    EXPECT_EQ(mx, 2.5);
    const double raw[] = {4, kNaN, -2, 9};
    ASSERT_EQ(oa::MinMaxArray(std::span<const double>(raw), mn, mx), 0);
    EXPECT_EQ(mn, -2);
    EXPECT_EQ(mx, 9);
    int32_t imn = 0, imx = 0;
    ASSERT_EQ(oa::MinMaxArray(TInt2DArray{{5, 1}, {8, 3}}, imn, imx), 0);
    EXPECT_EQ(imn, 1);
    EXPECT_EQ(imx, 8);

    int minIx = -1, maxIx = -1;
    const TDoubleArray v{5, 1, 9, 1, 9, 0};
    ASSERT_EQ(oa::MinMaxArray(v, 1, 4, mn, mx, minIx, maxIx), 0);
    EXPECT_EQ(mn, 1);
    EXPECT_EQ(minIx, 1);
    EXPECT_EQ(mx, 9);
    EXPECT_EQ(maxIx, 2);
    // Hi < Lo scans nothing and keeps the presets; a bound beyond the array is an error.
    ASSERT_EQ(oa::MinMaxArray(v, 4, 1, mn, mx, minIx, maxIx), 0);
    EXPECT_EQ(mn, uc_MaxDouble);
    EXPECT_EQ(minIx, 0);
    EXPECT_EQ(oa::MinMaxArray(v, 0, 6, mn, mx, minIx, maxIx), -2);

    int a1, a2, b1, b2;
    const TInt2DArray grid{{1, 2, 3}, {4, -5, 6}, {7, 8, 99}};
    ASSERT_EQ(oa::MinMaxArray(grid, 0, 1, 1, 2, imn, imx, a1, a2, b1, b2), 0);
    EXPECT_EQ(imn, -5);
    EXPECT_EQ(imx, 6);
    EXPECT_EQ(a1, 1);
    EXPECT_EQ(a2, 1);
    EXPECT_EQ(b1, 1);
    EXPECT_EQ(b2, 2);
    EXPECT_EQ(oa::MinMaxArray(grid, 0, 0, 3, 2, imn, imx, a1, a2, b1, b2), -2);
    EXPECT_EQ(oa::MinMaxArray(TInt2DArray{{1, 2}, {3}}, 0, 0, 1, 1, imn, imx, a1, a2, b1, b2), -2);
}

TEST(OpenArrayMoments, MeanAndStdDevOfRanges) {
    double mean = -1;
    EXPECT_EQ(oa::MeanArray(TDoubleArray{1, 2, 3, 4}, 1, 2, mean), 0);
    EXPECT_EQ(mean, 2.5);
    mean = 7;
    EXPECT_EQ(oa::MeanArray(TDoubleArray{1, 2, 3, 4}, 2, 1, mean), -2);
    EXPECT_EQ(mean, 0);
    EXPECT_EQ(oa::MeanArray(TIntArray{}, 0, 0, mean), -1);
    EXPECT_EQ(oa::MeanArray(TDouble2DArray{{1, 2}, {3}}, 0, 0, 1, 0, mean), -2);

    double sd = -1;
    ASSERT_EQ(oa::StdDevArray(TDoubleArray{2, 4}, 0, 1, sd), 0);
    EXPECT_DOUBLE_EQ(sd, std::sqrt(2.0));
    ASSERT_EQ(oa::StdDevArray(TIntArray{2, 4}, 1, 1, sd), 0);
    EXPECT_EQ(sd, 0);

    // Against a naive two-pass computation over a box of a 3-D array with a large offset.
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> dist(-1, 1);
    TDouble3DArray a(6, TDouble2DArray(5, TDoubleArray(7)));
    for (auto& plane : a)
        for (auto& row : plane)
            for (double& v : row) v = 1e6 + dist(gen);
    double sum = 0;
    int n = 0;
    for (int i = 1; i <= 4; ++i)
        for (int j = 0; j <= 3; ++j)
            for (int k = 2; k <= 6; ++k) {
                sum += a[i][j][k];
                ++n;
            }
    const double naiveMean = sum / n;
    double ss = 0;
    for (int i = 1; i <= 4; ++i)
        for (int j = 0; j <= 3; ++j)
            for (int k = 2; k <= 6; ++k) ss += (a[i][j][k] - naiveMean) * (a[i][j][k] - naiveMean);
    ASSERT_EQ(oa::MeanArray(a, 1, 0, 2, 4, 3, 6, mean), 0);
    EXPECT_NEAR(mean, naiveMean, 1e-9);
    ASSERT_EQ(oa::StdDevArray(a, 1, 0, 2, 4, 3, 6, sd), 0);
    EXPECT_NEAR(sd, std::sqrt(ss / (n - 1)), 1e-9);

    double var = -1;
    ASSERT_EQ(oa::MeanVarArray(TInt2DArray{{1, 2}, {3, 6}}, mean, var), 0);
    EXPECT_EQ(mean, 3);
    EXPECT_DOUBLE_EQ(var, 14.0 / 3);
    EXPECT_EQ(oa::MeanVarArray(TDouble2DArray{{1, 2}, {3}}, mean, var), -2);
    EXPECT_EQ(mean, 0);
    EXPECT_EQ(var, 0);
}

TEST(OpenArrayPercentile, RankSelectionWithoutInterpolation) {
    TDoubleArray a{5, 1, 3};
    EXPECT_EQ(oa::PercentileArray(50, a), 5);  // k = round(1.5) = 2
    std::sort(a.begin(), a.end());
    EXPECT_EQ(a, (TDoubleArray{1, 3, 5}));  // same values, possibly reordered
    TDoubleArray b{4, 8, 1, 6, 2};
    EXPECT_EQ(oa::PercentileArray(100, b), 8);
    EXPECT_EQ(oa::PercentileArray(0, b), 1);
    EXPECT_EQ(oa::PercentileArray(-20, b), 1);
    EXPECT_EQ(oa::PercentileArray(250, b), 8);
    TDoubleArray empty;
    EXPECT_EQ(oa::PercentileArray(50, empty), 0);

    const TDouble2DArray grid{{9, 1, 4}, {7, 3, 8}, {2, 6, 5}};
    const TDouble2DArray copy = grid;
    // Box columns 1..2, rows 0..1: cells 7, 3, 2, 6 -> sorted 2 3 6 7, k = round(2) = 2.
    EXPECT_EQ(oa::PercentileArray(50, grid, 1, 0, 2, 1), 6);
    EXPECT_EQ(grid, copy);
    // Bounds are clamped to the array.
    EXPECT_EQ(oa::PercentileArray(100, grid, -3, -3, 10, 10), 9);
    EXPECT_EQ(oa::PercentileArray(50, grid, 2, 0, 1, 2), 0);
    EXPECT_EQ(oa::PercentileArray(50, TDouble2DArray{}, 0, 0, 0, 0), 0);
    // Ragged: only the cells that exist.
    EXPECT_EQ(oa::PercentileArray(100, TDouble2DArray{{1, 2}, {3}}, 0, 0, 1, 1), 3);
}

TEST(OpenArrayFrequency, BinsBelowAboveAndCodes) {
    TIntArray dist{-9};
    int below = -1, above = -1, maxCount = -1;
    const TDoubleArray a{0, 0.5, 1, 1.5, 2, -1};
    ASSERT_EQ(oa::FrequDistOfArray(a, 0, 0, 0, 1, 0.5, dist, below, above, maxCount), 0);
    EXPECT_EQ(dist, (TIntArray{1, 1, 1}));
    EXPECT_EQ(below, 1);
    EXPECT_EQ(above, 2);
    EXPECT_EQ(maxCount, 1);

    ASSERT_EQ(oa::FrequDistOfArray(TDoubleArray{0.1, 0.2, kNaN, 0.7}, 0, 3, 0, 1, 0.5, dist, below,
                                   above, maxCount),
              0);
    EXPECT_EQ(dist, (TIntArray{2, 1, 0}));
    EXPECT_EQ(below, 1);
    EXPECT_EQ(maxCount, 2);

    const TIntArray before = dist;
    EXPECT_EQ(oa::FrequDistOfArray(a, 0, 6, 0, 1, 0.5, dist, below, above, maxCount), -1);
    EXPECT_EQ(oa::FrequDistOfArray(a, 3, 2, 0, 1, 0.5, dist, below, above, maxCount), -2);
    EXPECT_EQ(oa::FrequDistOfArray(a, 0, 5, 1, 1, 0.5, dist, below, above, maxCount), -3);
    EXPECT_EQ(oa::FrequDistOfArray(a, 0, 5, 0, 1, 0, dist, below, above, maxCount), -4);
    EXPECT_EQ(oa::FrequDistOfArray(a, 0, 5, 0, 10, 0.001, dist, below, above, maxCount), -5);
    EXPECT_EQ(oa::FrequDistOfArray(a, 0, 5, 0, 1e308, 1e-300, dist, below, above, maxCount), -5);
    EXPECT_EQ(oa::FrequDistOfArray(TDoubleArray{}, 0, 0, 0, 1, 0.5, dist, below, above, maxCount),
              -1);
    EXPECT_EQ(dist, before);

    const TDouble2DArray grid{{0.1, 0.6}, {0.2, 5}, {-3, 0.3}};
    const TBool2DArray mask{{false, true}, {false, false}, {true, false}};
    ASSERT_EQ(oa::FrequDistOfArray(grid, 0, 0, 0, 0, 0, 1, 0.5, dist, below, above, maxCount), 0);
    EXPECT_EQ(dist, (TIntArray{3, 1, 0}));
    EXPECT_EQ(below, 1);
    EXPECT_EQ(above, 1);
    ASSERT_EQ(oa::FrequDistOfArray(grid, mask, 1, 0, 2, 1, 0, 1, 0.5, dist, below, above, maxCount),
              0);
    EXPECT_EQ(dist, (TIntArray{2, 0, 0}));  // 0.2 and 0.3; -3 is masked, 5 above
    EXPECT_EQ(above, 1);
    EXPECT_EQ(oa::FrequDistOfArray(grid, TBool2DArray{{false}}, 0, 0, 0, 0, 0, 1, 0.5, dist,
                                   below, above, maxCount),
              -6);
    EXPECT_EQ(oa::FrequDistOfArray(TDouble2DArray{{1, 2}, {3}}, 0, 0, 0, 0, 0, 1, 0.5, dist,
                                   below, above, maxCount),
              -2);
}

TEST(OpenArrayCounting, CountValuesInPairOrderAndEquality) {
    const TDoubleArray v{2, 1, 2, 3, 2};
    EXPECT_EQ(oa::CountValues(v, 0, 4, 2.0, 2.0), 3);
    EXPECT_EQ(oa::CountValues(v, 1, 3, 1.5, 3.0), 2);
    EXPECT_EQ(oa::CountValues(v, 0, 4, 3.0, 2.0), -2);
    EXPECT_EQ(oa::CountValues(v, 0, 5, 0.0, 9.0), -2);
    EXPECT_EQ(oa::CountValues(TDoubleArray{}, 0, 0, 0.0, 9.0), -1);
    // Pair order: Lo1, Hi1, Lo2, Hi2.
    const TInt2DArray g{{1, 2, 3}, {4, 5, 6}};
    EXPECT_EQ(oa::CountValues(g, 1, 1, 0, 2, 5, 9), 2);
    EXPECT_EQ(oa::CountValues(g, 0, 1, 2, 2, 0, 9), 2);
    EXPECT_EQ(oa::CountValues(g, 0, 2, 0, 0, 0, 9), -2);

    EXPECT_EQ(oa::CountTrueCellsOfArray(ozm::TBoolArray{true, false, true}), 2);
    EXPECT_EQ(oa::CountTrueCellsOfArray(TBool2DArray{{true}, {true, true}}), 3);
    EXPECT_EQ(oa::CountTrueCellsOfArray(ozm::TBoolArray{}), -1);

    EXPECT_TRUE(oa::EqualArrays(TIntArray{}, TIntArray{}));
    EXPECT_TRUE(oa::EqualArrays(TInt2DArray{{1, 2}}, TInt2DArray{{1, 2}}));
    EXPECT_FALSE(oa::EqualArrays(TInt2DArray{{1, 2}}, TInt2DArray{{1, 3}}));
    EXPECT_FALSE(oa::EqualArrays(TInt2DArray{{1, 2}}, TInt2DArray{{1}, {2}}));
    EXPECT_FALSE(oa::EqualArrays(TInt2DArray{{1}, {2}}, TInt2DArray{{1}, {2, 3}}));
}

TEST(OpenArraySearch, FindInArraysAndSortedArrays) {
    EXPECT_EQ(oa::FindInArray(5, TIntArray{1, 5, 5}), 1);
    EXPECT_EQ(oa::FindInArray(6, TIntArray{1, 5, 5}), -2);
    EXPECT_EQ(oa::FindInArray(6, TIntArray{}), -1);
    const TStrArray words{"xABy", "ab"};
    EXPECT_EQ(oa::FindInArray("ab", words, true, true), 0);
    EXPECT_EQ(oa::FindInArray("ab", words, true, false), 1);
    EXPECT_EQ(oa::FindInArray("ab", words, false, true), 1);
    EXPECT_EQ(oa::FindInArray("zz", words, true, true), -2);
    EXPECT_EQ(oa::FindInArray("ab", TStrArray{}, true, true), -1);

    const TDoubleArray up{1, 2, 3};
    EXPECT_EQ(oa::FindInSortedArray(2.4, up, true), 1);
    EXPECT_EQ(oa::FindInSortedArray(2.5, up, true), 2);
    EXPECT_EQ(oa::FindInSortedArray(0.5, up, true), -2);
    EXPECT_EQ(oa::FindInSortedArray(1, up, true), 0);
    EXPECT_EQ(oa::FindInSortedArray(3, up, true), 2);
    EXPECT_EQ(oa::FindInSortedArray(kNaN, up, true), -2);
    EXPECT_EQ(oa::FindInSortedArray(1, TDoubleArray{}, true), -1);
    const TDoubleArray down{9, 7, 5, 3, 1};
    EXPECT_EQ(oa::FindInSortedArray(6.1, down, false), 1);
    EXPECT_EQ(oa::FindInSortedArray(6, down, false), 2);  // equally near: the later one
    EXPECT_EQ(oa::FindInSortedArray(10, down, false), -2);
    // Exhaustive cross-check on an ascending grid against a linear nearest search.
    TDoubleArray grid(37);
    for (size_t i = 0; i < grid.size(); ++i) grid[i] = 0.5 * static_cast<double>(i * i);
    for (double x = 0; x <= grid.back(); x += 0.37) {
        size_t best = 0;
        for (size_t i = 1; i < grid.size(); ++i)
            if (std::fabs(grid[i] - x) <= std::fabs(grid[best] - x)) best = i;
        ASSERT_EQ(oa::FindInSortedArray(x, grid, true), static_cast<int>(best)) << x;
    }
}

TEST(OpenArrayTwoValued, DichotomousDichotomizeDiscretize) {
    double lo = 5, hi = 5;
    EXPECT_FALSE(oa::IsDichotomous(TDoubleArray{1.0, 1.0}, lo, hi));
    EXPECT_EQ(lo, 0);
    EXPECT_TRUE(oa::IsDichotomous(TDoubleArray{2, 1, 2}, lo, hi));
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 2);
    EXPECT_FALSE(oa::IsDichotomous(TDoubleArray{1, 2, 3}, lo, hi));
    EXPECT_FALSE(oa::IsDichotomous(TDoubleArray{1, kNaN, 1}, lo, hi));
    EXPECT_FALSE(oa::IsDichotomous(TDoubleArray{1}, lo, hi));
    int32_t ilo = 3, ihi = 3;
    EXPECT_TRUE(oa::IsDichotomous(TIntArray{1, 1}, ilo, ihi));
    EXPECT_EQ(ilo, 1);
    EXPECT_EQ(ihi, 1);
    EXPECT_FALSE(oa::IsDichotomous(TIntArray{7}, ilo, ihi));
    EXPECT_EQ(ilo, 0);
    EXPECT_EQ(ihi, 0);

    TBool2DArray mask;
    ASSERT_EQ(oa::DichotomizeArray(TDouble2DArray{{0.5, 2}, {kNaN, 1}}, 1.0, mask), 0);
    EXPECT_EQ(mask, (TBool2DArray{{false, true}, {true, false}}));
    ASSERT_EQ(oa::DichotomizeArray(TInt2DArray{{1, 5, 9}}, 8, 2, mask), 0);
    EXPECT_EQ(mask, (TBool2DArray{{false, true, false}}));
    ASSERT_EQ(oa::DichotomizeArray(TDouble2DArray{{1, kNaN}, {4}}, 0.0, 2.0, mask), 0);
    EXPECT_EQ(mask, (TBool2DArray{{true, true}, {false}}));
    EXPECT_EQ(oa::DichotomizeArray(TInt2DArray{}, 1, mask), -1);

    TDouble2DArray d{{0.5, -1, 2, kNaN}};
    EXPECT_EQ(oa::DiscretizeArray(d, 3, 1, 0, 0, 10), -2);
    EXPECT_EQ(oa::DiscretizeArray(d, 2, 0, 1, 0, 10), -1);
    EXPECT_TRUE(std::isnan(d[0][3]));
    ASSERT_EQ(oa::DiscretizeArray(d, 3, 0, 1, 0, 10), 0);
    EXPECT_EQ(d, (TDouble2DArray{{5, 0, 10, 0}}));
    TDouble2DArray levels{{0.1, 0.4, 0.7, 0.95}};
    ASSERT_EQ(oa::DiscretizeArray(levels, 5, 0, 0.9, 0, 8), 0);  // w = 0.3, steps of 2
    EXPECT_EQ(levels, (TDouble2DArray{{2, 4, 6, 8}}));
}

}  // namespace
