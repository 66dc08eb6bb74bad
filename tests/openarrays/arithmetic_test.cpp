// Element-wise arithmetic, fills and the small matrix helpers of the open-array unit.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ozm/openarrays.hpp"

namespace oa = ozm::openarrays;
using ozm::TBool2DArray;
using ozm::TBoolArray;
using ozm::TDouble2DArray;
using ozm::TDouble3DArray;
using ozm::TDoubleArray;
using ozm::TInt2DArray;
using ozm::TInt3DArray;
using ozm::TInt4DArray;
using ozm::TIntArray;

namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

TEST(OpenArrayArithmetic, AddArraysChecksExtentsAndLeavesOutputOnFailure) {
    const TDouble2DArray a{{1, 2, 3}, {4, 5, 6}};
    const TDouble2DArray b{{10, 20, 30}, {40, 50, 60}};
    TDouble2DArray c{{-1}};
    ASSERT_EQ(oa::AddArrays(a, b, c), 0);
    EXPECT_EQ(c, (TDouble2DArray{{11, 22, 33}, {44, 55, 66}}));

    TDouble2DArray untouched{{7}};
    const TDouble2DArray transposed{{1, 2}, {3, 4}, {5, 6}};
    EXPECT_EQ(oa::AddArrays(a, transposed, untouched), -2);
    EXPECT_EQ(untouched, (TDouble2DArray{{7}}));
    EXPECT_EQ(oa::AddArrays(a, TDouble2DArray{{}, {}}, untouched), -1);
    EXPECT_EQ(oa::AddArrays(TDouble2DArray{}, a, untouched), -1);
    // Ragged arrays count as differing, even when the first sub-arrays agree.
    EXPECT_EQ(oa::AddArrays(a, TDouble2DArray{{1, 2, 3}, {4, 5}}, untouched), -2);
    EXPECT_EQ(untouched, (TDouble2DArray{{7}}));
}

TEST(OpenArrayArithmetic, OutputMayBeAnInput) {
    TInt3DArray a{{{1, 2}, {3, 4}}, {{5, 6}, {7, 8}}};
    const TInt3DArray b{{{1, 1}, {1, 1}}, {{1, 1}, {1, 1}}};
    ASSERT_EQ(oa::SubtractArrays(a, b, a), 0);
    EXPECT_EQ(a, (TInt3DArray{{{0, 1}, {2, 3}}, {{4, 5}, {6, 7}}}));
    ASSERT_EQ(oa::AddArrays(a, a, a), 0);
    EXPECT_EQ(a, (TInt3DArray{{{0, 2}, {4, 6}}, {{8, 10}, {12, 14}}}));

    TDoubleArray v{1, 2, 3};
    ASSERT_EQ(oa::MultiplyArrayByScalar(v, 2.5, v), 0);
    EXPECT_EQ(v, (TDoubleArray{2.5, 5, 7.5}));
}

TEST(OpenArrayArithmetic, IntegerArithmeticWraps) {
    const TIntArray a{kIntMax, kIntMin, 65536};
    TIntArray c;
    ASSERT_EQ(oa::AddArrays(a, TIntArray{1, -1, 0}, c), 0);
    EXPECT_EQ(c, (TIntArray{kIntMin, kIntMax, 65536}));
    ASSERT_EQ(oa::MultiplyArraysElemw(a, TIntArray{2, 1, 65536}, c), 0);
    EXPECT_EQ(c, (TIntArray{-2, kIntMin, 0}));
    TIntArray abs{kIntMin, -5, 5};
    ASSERT_EQ(oa::AbsValArray(abs), 0);
    EXPECT_EQ(abs, (TIntArray{kIntMin, 5, 5}));
}

TEST(OpenArrayArithmetic, ScalarOperationsKeepTheNestingOfRaggedArrays) {
    const TDouble2DArray ragged{{1, 2, 3}, {4}};
    TDouble2DArray c;
    ASSERT_EQ(oa::AddScalarToArray(ragged, 1.0, c), 0);
    EXPECT_EQ(c, (TDouble2DArray{{2, 3, 4}, {5}}));
    TDouble2DArray inPlace = ragged;
    ASSERT_EQ(oa::IncArray(inPlace, -1.0), 0);
    EXPECT_EQ(inPlace, (TDouble2DArray{{0, 1, 2}, {3}}));
    ASSERT_EQ(oa::MultiplyArrayByScalar(inPlace, -2.0), 0);
    ASSERT_EQ(oa::AbsValArray(inPlace), 0);
    EXPECT_EQ(inPlace, (TDouble2DArray{{0, 2, 4}, {6}}));
    TDoubleArray empty;
    EXPECT_EQ(oa::IncArray(empty, 1.0), -1);
    TInt2DArray out{{4}};
    EXPECT_EQ(oa::AddScalarToArray(TInt2DArray{{}}, 1, out), -1);
    EXPECT_EQ(out, (TInt2DArray{{4}}));
}

TEST(OpenArrayArithmetic, AccumulateArraySumsFramesOfOneShape) {
    TDouble2DArray accu;
    ASSERT_EQ(oa::AccumulateArray(TDouble2DArray{{1, 2}, {3, 4}}, accu), 0);
    ASSERT_EQ(oa::AccumulateArray(TDouble2DArray{{10, 20}, {30, 40}}, accu), 0);
    EXPECT_EQ(accu, (TDouble2DArray{{11, 22}, {33, 44}}));
    EXPECT_EQ(oa::AccumulateArray(TDouble2DArray{{1, 2, 3}, {4, 5, 6}}, accu), -2);
    EXPECT_EQ(oa::AccumulateArray(TDouble2DArray{}, accu), -1);
    EXPECT_EQ(accu, (TDouble2DArray{{11, 22}, {33, 44}}));
}

TEST(OpenArrayFill, WholeAndBoxFills) {
    TDoubleArray a(5, 0.0);
    EXPECT_EQ(oa::FillArray(a, 1.0, 0, 4), 0);
    EXPECT_EQ(a, TDoubleArray(5, 1.0));
    EXPECT_EQ(oa::FillArray(a, 2.0, 0, 5), -2);
    EXPECT_EQ(oa::FillArray(a, 2.0, 3, 2), -2);
    EXPECT_EQ(oa::FillArray(a, 2.0, -1, 2), -2);
    EXPECT_EQ(oa::FillArray(a, 2.0, 2, 2), 0);
    EXPECT_EQ(a, (TDoubleArray{1, 1, 2, 1, 1}));

    // Corner order: Lo1, Lo2, Hi1, Hi2 with index 1 the outer one.
    TInt2DArray b(3, TIntArray(4, 0));
    ASSERT_EQ(oa::FillArray(b, 7, 1, 2, 2, 3), 0);
    EXPECT_EQ(b, (TInt2DArray{{0, 0, 0, 0}, {0, 0, 7, 7}, {0, 0, 7, 7}}));
    EXPECT_EQ(oa::FillArray(b, 7, 0, 0, 0, 4), -2);

    TInt4DArray d(2, TInt3DArray(2, TInt2DArray(2, TIntArray(2, 0))));
    ASSERT_EQ(oa::FillArray(d, 3, 1, 0, 1, 0, 1, 0, 1, 1), 0);
    EXPECT_EQ(d[1][0][1], (TIntArray{3, 3}));
    EXPECT_EQ(d[1][1][1], (TIntArray{0, 0}));

    TBool2DArray flags(2, TBoolArray(3, false));
    ASSERT_EQ(oa::FillArray(flags, true), 0);
    EXPECT_EQ(flags, TBool2DArray(2, TBoolArray(3, true)));
    TDouble2DArray empty(3);
    EXPECT_EQ(oa::FillArray(empty, 1.0), -1);
    // A ragged array has no box that fits all of it.
    TDouble2DArray ragged{{0, 0}, {0}};
    EXPECT_EQ(oa::FillArray(ragged, 1.0, 0, 0, 1, 1), -2);
    EXPECT_EQ(oa::FillArray(ragged, 1.0), 0);
    EXPECT_EQ(ragged, (TDouble2DArray{{1, 1}, {1}}));
}

TEST(OpenArrayFill, RunningIndexAndDiagonal) {
    TInt2DArray a(2, TIntArray(3));
    ASSERT_EQ(oa::FillArrayRix(a), 0);
    EXPECT_EQ(a, (TInt2DArray{{0, 1, 2}, {3, 4, 5}}));
    TDouble3DArray b(2, TDouble2DArray(3, TDoubleArray(2)));
    ASSERT_EQ(oa::FillArrayRix(b), 0);
    EXPECT_EQ(b[1][0][0], 1);
    EXPECT_EQ(b[0][1][0], 2);
    EXPECT_EQ(b[0][0][1], 6);
    EXPECT_EQ(b[1][2][1], 1 + 2 * (2 + 3 * 1));

    TDouble2DArray notSquare(3, TDoubleArray(4, 9.0));
    EXPECT_EQ(oa::FillDiagArray(notSquare, 2.0), -2);
    EXPECT_EQ(notSquare[0][0], 9.0);
    TDouble2DArray square(3, TDoubleArray(3, 9.0));
    ASSERT_EQ(oa::FillDiagArray(square, 2.0), 0);
    EXPECT_EQ(square, (TDouble2DArray{{2, 0, 0}, {0, 2, 0}, {0, 0, 2}}));
    TInt3DArray cube(2, TInt2DArray(2, TIntArray(2, 5)));
    ASSERT_EQ(oa::FillDiagArray(cube, 1), 0);
    EXPECT_EQ(cube, (TInt3DArray{{{1, 0}, {0, 0}}, {{0, 0}, {0, 1}}}));
    TInt3DArray badThird(2, TInt2DArray(2, TIntArray(3)));
    EXPECT_EQ(oa::FillDiagArray(badThird, 1), -2);
}

TEST(OpenArrayFill, RandomFillsRespectTheirRanges) {
    TIntArray sevens(50);
    ASSERT_EQ(oa::FillRandomUniform(sevens, 7, 7), 0);
    EXPECT_EQ(sevens, TIntArray(50, 7));
    TIntArray zeros(200, 5);
    ASSERT_EQ(oa::FillRandomUniform(zeros, 0, 1), 0);
    EXPECT_EQ(zeros, TIntArray(200, 0));
    EXPECT_EQ(oa::FillRandomUniform(zeros, 2, 1), -2);

    TInt2DArray dice(50, TIntArray(40));
    ASSERT_EQ(oa::FillRandomUniform(dice, 1, 7), 0);
    int seen[8] = {};
    for (const auto& column : dice)
        for (int32_t v : column) {
            ASSERT_GE(v, 1);
            ASSERT_LE(v, 6);
            ++seen[v];
        }
    for (int v = 1; v <= 6; ++v) EXPECT_GT(seen[v], 200) << v;  // about 333 each

    TDoubleArray u(10000);
    ASSERT_EQ(oa::FillRandomUniform(u, -2.0, 3.0), 0);
    double mean = 0, var = 0;
    ASSERT_EQ(oa::MeanVarArray(u, mean, var), 0);
    EXPECT_NEAR(mean, 0.5, 0.1);
    EXPECT_NEAR(var, 25.0 / 12, 0.15);
    for (double v : u) ASSERT_TRUE(v >= -2.0 && v < 3.0);
    EXPECT_EQ(oa::FillRandomUniform(u, 1.0, std::nan("")), -2);
    EXPECT_EQ(oa::FillRandomUniform(u, 1.0, 0.5), -2);

    TDouble2DArray g(100, TDoubleArray(100));
    ASSERT_EQ(oa::FillRandomNormal(g, 10.0, 2.0), 0);
    double gm = 0, gv = 0;
    ASSERT_EQ(oa::MeanVarArray(g, gm, gv), 0);
    EXPECT_NEAR(gm, 10.0, 0.1);
    EXPECT_NEAR(std::sqrt(gv), 2.0, 0.1);
    ASSERT_EQ(oa::FillRandomNormal(g, 3.25, 0.0), 0);
    EXPECT_EQ(oa::MinArray(g), 3.25);
    EXPECT_EQ(oa::MaxArray(g), 3.25);
    EXPECT_EQ(oa::FillRandomNormal(g, 0.0, -1.0), -2);
    TDoubleArray none;
    EXPECT_EQ(oa::FillRandomNormal(none, 0.0, 1.0), -1);
}

TEST(OpenArrayHelpers, BoolToNumTraceTransposeAndSquaredDiffs) {
    TIntArray ints;
    ASSERT_EQ(oa::BoolToNumArray(TBoolArray{true, false, true}, -1, 9, ints), 0);
    EXPECT_EQ(ints, (TIntArray{9, -1, 9}));
    TDouble2DArray doubles;
    ASSERT_EQ(oa::BoolToNumArray(TBool2DArray{{false}, {true}}, 0.5, 1.5, doubles), 0);
    EXPECT_EQ(doubles, (TDouble2DArray{{0.5}, {1.5}}));
    EXPECT_EQ(oa::BoolToNumArray(TBoolArray{}, 0, 1, ints), -1);

    EXPECT_EQ(oa::SumOfSquaredDiffs(TDoubleArray{1, 2, 3}, TDoubleArray{1, 4, 0}), 13.0);
    EXPECT_EQ(oa::SumOfSquaredDiffs(TDoubleArray{1, 2}, TDoubleArray{1, 2, 3}), -2.0);
    EXPECT_EQ(oa::SumOfSquaredDiffs(TDoubleArray{}, TDoubleArray{1}), -1.0);
    const TDouble2DArray m{{0, 0}, {1, 1}, {2}};
    EXPECT_EQ(oa::SumOfSquaredDiffs(TDoubleArray{2, 3}, m, 1), 5.0);
    EXPECT_EQ(oa::SumOfSquaredDiffs(TDoubleArray{2, 3}, m, 3), -3.0);
    EXPECT_EQ(oa::SumOfSquaredDiffs(TDoubleArray{2, 3}, m, -1), -3.0);
    EXPECT_EQ(oa::SumOfSquaredDiffs(TDoubleArray{2}, m, 0), -2.0);
    EXPECT_EQ(oa::SumOfSquaredDiffs(TDoubleArray{2, 3}, m, 2), -2.0);  // the short column

    double trace = 99;
    EXPECT_EQ(oa::TraceOfArray(TDouble2DArray(2, TDoubleArray(3, 1.0)), trace), -2);
    EXPECT_EQ(trace, 0.0);
    ASSERT_EQ(oa::TraceOfArray(TDouble2DArray{{1, 9}, {9, 2.5}}, trace), 0);
    EXPECT_EQ(trace, 3.5);
    int32_t itrace = 5;
    EXPECT_EQ(oa::TraceOfArray(TInt2DArray{{1, 2}, {3}}, itrace), -2);
    EXPECT_EQ(itrace, 0);

    TInt2DArray row{{1, 2, 3, 4}};
    ASSERT_EQ(oa::TransposeArray(row), 0);
    EXPECT_EQ(row, (TInt2DArray{{1}, {2}, {3}, {4}}));
    TBool2DArray bits{{true, false}, {false, false}, {true, true}};
    ASSERT_EQ(oa::TransposeArray(bits), 0);
    EXPECT_EQ(bits, (TBool2DArray{{true, false, true}, {false, false, true}}));
    TDouble2DArray ragged{{1, 2}, {3}};
    EXPECT_EQ(oa::TransposeArray(ragged), -2);
    EXPECT_EQ(ragged, (TDouble2DArray{{1, 2}, {3}}));
}

}  // namespace
