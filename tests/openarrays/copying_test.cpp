// Cloning, copying, columns and rows, flipping, removing, sorting and shuffling of open arrays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "ozm/base/globals.hpp"
#include "ozm/openarrays.hpp"
#include "ozm/platform/random.hpp"

namespace oa = ozm::openarrays;
using ozm::TBool2DArray;
using ozm::TBoolArray;
using ozm::TDouble2DArray;
using ozm::TDouble3DArray;
using ozm::TDoubleArray;
using ozm::TInt2DArray;
using ozm::TInt3DArray;
using ozm::TIntArray;
using ozm::TSingleArray;

namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

TEST(OpenArrayClone, ConversionsSaturateAndRoundToEven) {
    TIntArray ints{99};
    ASSERT_EQ(oa::CloneArray(TDoubleArray{2.5, 3.5, 1e10, -1e10, std::nan(""), -2.5, 2147483647.4},
                             ints),
              0);
    EXPECT_EQ(ints, (TIntArray{2, 4, kIntMax, kIntMin, kIntMax, -2, kIntMax}));
    TSingleArray singles;
    ASSERT_EQ(oa::CloneArray(TDoubleArray{0.1, 1e300}, singles), 0);
    EXPECT_EQ(singles[0], 0.1f);
    EXPECT_TRUE(std::isinf(singles[1]));
    // Beyond the single range: within half a unit of the largest single it stays there, past
    // that it is infinite, with the sign kept (the reversing clone converts the same way).
    constexpr double kSingleMax = std::numeric_limits<float>::max();
    const TDoubleArray huge{kSingleMax + std::ldexp(1.0, 102), -1e300, -kSingleMax};
    ASSERT_EQ(oa::CloneAndReverseArray(huge, singles), 0);
    ASSERT_EQ(singles.size(), 3u);
    EXPECT_EQ(singles[0], -std::numeric_limits<float>::max());
    EXPECT_EQ(singles[1], -std::numeric_limits<float>::infinity());
    EXPECT_EQ(singles[2], std::numeric_limits<float>::max());
    TDouble2DArray doubles;
    ASSERT_EQ(oa::CloneArray(TInt2DArray{{1, 2}, {3}}, doubles), 0);  // nesting kept
    EXPECT_EQ(doubles, (TDouble2DArray{{1, 2}, {3}}));
    EXPECT_EQ(oa::CloneArray(TInt2DArray{{}}, doubles), -1);
    EXPECT_EQ(doubles, (TDouble2DArray{{1, 2}, {3}}));
    TDouble3DArray self{{{1, 2}}};
    ASSERT_EQ(oa::CloneArray(self, self), 0);
    EXPECT_EQ(self, (TDouble3DArray{{{1, 2}}}));

    TIntArray rev{1, 2, 3};
    ASSERT_EQ(oa::CloneAndReverseArray(rev, rev), 0);
    EXPECT_EQ(rev, (TIntArray{3, 2, 1}));
    TDoubleArray fromSingles;
    ASSERT_EQ(oa::CloneAndReverseArray(TSingleArray{1.5f, 2.5f}, fromSingles), 0);
    EXPECT_EQ(fromSingles, (TDoubleArray{2.5, 1.5}));
    TBoolArray bits;
    ASSERT_EQ(oa::CloneAndReverseArray(TBoolArray{true, false, false}, bits), 0);
    EXPECT_EQ(bits, (TBoolArray{false, false, true}));
    EXPECT_EQ(oa::CloneAndReverseArray(TDoubleArray{}, ints), -1);
}

TEST(OpenArrayCopy, WholeAndRangedBlocks) {
    TDoubleArray dest(3, 0.0);
    EXPECT_EQ(oa::CopyArray(TDoubleArray{1, 2, 3}, 0, dest), 0);
    EXPECT_EQ(dest, (TDoubleArray{1, 2, 3}));
    EXPECT_EQ(oa::CopyArray(TDoubleArray{7, 8, 9}, 1, dest), -2);
    EXPECT_EQ(dest, (TDoubleArray{1, 2, 3}));
    EXPECT_EQ(oa::CopyArray(TDoubleArray{7, 8}, 1, dest), 0);  // ends exactly at the last cell
    EXPECT_EQ(dest, (TDoubleArray{1, 7, 8}));
    EXPECT_EQ(oa::CopyArray(TDoubleArray{}, 0, dest), -1);

    TInt2DArray src(10, TIntArray(10));
    ASSERT_EQ(oa::FillArrayRix(src), 0);
    TInt2DArray small(5, TIntArray(5, 0));
    ASSERT_EQ(oa::CopyArray(src, 7, 7, 8, 8, 0, 0, small), 0);
    EXPECT_EQ(small[0], (TIntArray{77, 78, 0, 0, 0}));
    EXPECT_EQ(small[1], (TIntArray{87, 88, 0, 0, 0}));
    EXPECT_EQ(small[2], TIntArray(5, 0));
    EXPECT_EQ(oa::CopyArray(src, 7, 7, 8, 8, 4, 0, small), -2);   // does not fit
    EXPECT_EQ(oa::CopyArray(src, 7, 7, 6, 8, 0, 0, small), -2);   // Hi < Lo
    EXPECT_EQ(oa::CopyArray(src, 7, 7, 10, 8, 0, 0, small), -2);  // beyond the source
    EXPECT_EQ(oa::CopyArray(src, 7, 7, 8, 8, 0, -1, small), -2);

    // One array as source and destination: overlapping blocks read the old values.
    TIntArray overlap{1, 2, 3, 4, 5};
    ASSERT_EQ(oa::CopyArray(overlap, 0, 3, 1, overlap), 0);
    EXPECT_EQ(overlap, (TIntArray{1, 1, 2, 3, 4}));
    TDouble2DArray grid{{1, 2}, {3, 4}, {5, 6}};
    ASSERT_EQ(oa::CopyArray(grid, 0, 0, 1, 1, 1, 0, grid), 0);
    EXPECT_EQ(grid, (TDouble2DArray{{1, 2}, {1, 2}, {3, 4}}));

    TBool2DArray flags(2, TBoolArray(3, false));
    ASSERT_EQ(oa::CopyArray(TBool2DArray{{true, true}}, 1, 1, flags), 0);
    EXPECT_EQ(flags, (TBool2DArray{{false, false, false}, {false, true, true}}));
    TInt3DArray cube(2, TInt2DArray(2, TIntArray(2, 0)));
    ASSERT_EQ(oa::CopyArray(TInt3DArray{{{5}}}, 1, 0, 1, cube), 0);
    EXPECT_EQ(cube[1][0][1], 5);

    TDouble2DArray ragged{{0, 0}, {0}};
    EXPECT_EQ(oa::CopyArray(TDouble2DArray{{1}, {1}}, 0, 1, ragged), -2);
    EXPECT_EQ(ragged, (TDouble2DArray{{0, 0}, {0}}));
}

TEST(OpenArrayCopy, ColumnsRowsAndVectors) {
    const TDouble2DArray a{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};  // 3 columns, 4 rows
    TDoubleArray vec{42};
    ASSERT_EQ(oa::CopyArrayColumn(a, 1, 1, 3, vec), 0);
    EXPECT_EQ(vec, (TDoubleArray{6, 7, 8}));
    EXPECT_EQ(oa::CopyArrayColumn(a, 3, 0, 1, vec), -3);
    EXPECT_EQ(oa::CopyArrayColumn(a, 0, 0, 4, vec), -2);
    EXPECT_EQ(oa::CopyArrayColumn(a, 0, 2, 1, vec), -2);
    EXPECT_EQ(oa::CopyArrayColumn(TDouble2DArray{}, 0, 0, 0, vec), -1);
    ASSERT_EQ(oa::CopyArrayRow(a, 2, 0, 2, vec), 0);
    EXPECT_EQ(vec, (TDoubleArray{3, 7, 11}));
    EXPECT_EQ(oa::CopyArrayRow(a, 4, 0, 2, vec), -3);
    EXPECT_EQ(oa::CopyArrayRow(a, 0, 1, 3, vec), -2);
    EXPECT_EQ(oa::CopyArrayRow(TDouble2DArray{{1, 2}, {3}}, 1, 0, 1, vec), -2);
    TBoolArray bits;
    ASSERT_EQ(oa::CopyArrayRow(TBool2DArray{{true, false}, {false, true}}, 1, 0, 1, bits), 0);
    EXPECT_EQ(bits, (TBoolArray{false, true}));

    TInt2DArray dest(3, TIntArray(4, 0));
    ASSERT_EQ(oa::CopyVectorToArrayColumn(TIntArray{1, 2, 3, 4, 5}, 0, 0, 1, 3, dest), 0);
    EXPECT_EQ(dest[1], (TIntArray{0, 0, 0, 1}));
    ASSERT_EQ(oa::CopyVectorToArrayColumn(TIntArray{1, 2, 3, 4, 5}, 2, 3, 0, 0, dest), 0);
    EXPECT_EQ(dest[0], (TIntArray{3, 4, 0, 0}));
    EXPECT_EQ(oa::CopyVectorToArrayColumn(TIntArray{1, 2}, 0, 2, 0, 0, dest), -1);
    EXPECT_EQ(oa::CopyVectorToArrayColumn(TIntArray{1, 2}, 1, 0, 0, 0, dest), -1);
    // -2 wins over -1.
    EXPECT_EQ(oa::CopyVectorToArrayColumn(TIntArray{1, 2}, 0, 5, 3, 0, dest), -2);
    EXPECT_EQ(oa::CopyVectorToArrayColumn(TIntArray{1, 2}, 0, 1, 0, 4, dest), -2);
    TInt2DArray noCells;
    EXPECT_EQ(oa::CopyVectorToArrayColumn(TIntArray{1}, 0, 0, 0, 0, noCells), -2);
    EXPECT_EQ(oa::CopyVectorToArrayColumn(TIntArray{}, 0, 0, 2, 1, dest), 0);  // copies nothing
    ASSERT_EQ(oa::CopyVectorToArrayRow(TIntArray{7, 8, 9}, 0, 0, 1, 2, dest), 0);
    EXPECT_EQ(dest, (TInt2DArray{{3, 4, 0, 0}, {0, 0, 7, 1}, {0, 0, 8, 0}}));
    EXPECT_EQ(oa::CopyVectorToArrayRow(TIntArray{7}, 0, 0, 0, 4, dest), -2);
}

TEST(OpenArrayReshape, FlipAndRemove) {
    TInt2DArray a{{1, 2, 3}, {4, 5, 6}};
    ASSERT_EQ(oa::FlipDimArray(a, 2), 0);
    EXPECT_EQ(a, (TInt2DArray{{3, 2, 1}, {6, 5, 4}}));
    ASSERT_EQ(oa::FlipDimArray(a, 1), 0);
    EXPECT_EQ(a, (TInt2DArray{{6, 5, 4}, {3, 2, 1}}));
    EXPECT_EQ(oa::FlipDimArray(a, 3), -2);
    EXPECT_EQ(oa::FlipDimArray(a, 0), -2);
    TDouble3DArray c{{{1, 2}, {3, 4}}};
    ASSERT_EQ(oa::FlipDimArray(c, 3), 0);
    EXPECT_EQ(c, (TDouble3DArray{{{2, 1}, {4, 3}}}));
    TDoubleArray none;
    EXPECT_EQ(oa::FlipDimArray(none, 1), -1);

    TDouble2DArray two{{1}, {2}};
    EXPECT_TRUE(oa::RemoveRow(two, 0));
    EXPECT_EQ(two, (TDouble2DArray{{}, {}}));
    EXPECT_FALSE(oa::RemoveRow(two, 0));
    TInt2DArray b{{1, 2, 3}, {4, 5, 6}};
    EXPECT_FALSE(oa::RemoveRow(b, 3));
    EXPECT_FALSE(oa::RemoveRow(b, -1));
    EXPECT_TRUE(oa::RemoveRow(b, 1));
    EXPECT_EQ(b, (TInt2DArray{{1, 3}, {4, 6}}));
    EXPECT_TRUE(oa::RemoveColumn(b, 0));
    EXPECT_EQ(b, (TInt2DArray{{4, 6}}));
    EXPECT_FALSE(oa::RemoveColumn(b, 1));
    TInt2DArray ragged{{1, 2}, {3}};
    EXPECT_FALSE(oa::RemoveRow(ragged, 1));
    EXPECT_EQ(ragged, (TInt2DArray{{1, 2}, {3}}));
}

TEST(OpenArraySort, CombSortCarriesTheIndex) {
    TIntArray a{3, 1, 2}, index;
    ASSERT_EQ(oa::SortArray(true, a, index), 0);
    EXPECT_EQ(a, (TIntArray{1, 2, 3}));
    EXPECT_EQ(index, (TIntArray{2, 3, 1}));
    TIntArray one{5};
    EXPECT_EQ(oa::SortArray(true, one, index), -1);
    EXPECT_EQ(index, (TIntArray{1}));

    // A larger array against std::sort, with the index mapping checked cell by cell.
    TDoubleArray v(1000);
    ozm::SetRandSeed(11);
    for (double& x : v) x = std::floor(ozm::Random() * 50);  // many ties
    const TDoubleArray original = v;
    ASSERT_EQ(oa::SortArray(false, v, index), 0);
    TDoubleArray expected = original;
    std::sort(expected.begin(), expected.end(), std::greater<>());
    EXPECT_EQ(v, expected);
    for (size_t k = 0; k < v.size(); ++k) ASSERT_EQ(v[k], original[size_t(index[k] - 1)]);

    // NaN goes to the end in either direction, and the sort ends.
    const double nan = std::nan("");
    for (bool ascending : {true, false}) {
        TDoubleArray withNaN{nan, 2, nan, 1, 3};
        ASSERT_EQ(oa::SortArray(ascending, withNaN, index), 0);
        EXPECT_EQ(withNaN[0], ascending ? 1 : 3);
        EXPECT_EQ(withNaN[2], ascending ? 3 : 1);
        EXPECT_TRUE(std::isnan(withNaN[3]) && std::isnan(withNaN[4]));
    }
}

TEST(OpenArraySort, ShuffleAndRemoveDuplicates) {
    TIntArray pair{1, 2};
    ASSERT_EQ(oa::ShuffleArray(pair), 0);
    EXPECT_EQ(pair, (TIntArray{2, 1}));
    TDoubleArray v(50);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<double>(i);
    ASSERT_EQ(oa::ShuffleArray(v), 0);
    TDoubleArray sorted = v;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < v.size(); ++i) {
        EXPECT_EQ(sorted[i], static_cast<double>(i));  // a permutation
        EXPECT_NE(v[i], static_cast<double>(i));       // cyclic: nothing stays
    }
    TIntArray single{1};
    EXPECT_EQ(oa::ShuffleArray(single), -1);

    TIntArray d{3, 1, 3, 2, 1};
    EXPECT_EQ(oa::SortAndRemoveDuplicates(d, true), 2);
    EXPECT_EQ(d, (TIntArray{1, 2, 3}));
    TIntArray down{3, 1, 3, 2, 1, 3};
    EXPECT_EQ(oa::SortAndRemoveDuplicates(down, false), 3);
    EXPECT_EQ(down, (TIntArray{3, 2, 1}));
    EXPECT_EQ(oa::SortAndRemoveDuplicates(single, true), -1);
}

}  // namespace
