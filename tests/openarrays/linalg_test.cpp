// Matrix products, inversion, the hat matrix, distances and vector products of open arrays.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "ozm/base/globals.hpp"
#include "ozm/openarrays.hpp"
#include "test_support.hpp"

namespace oa = ozm::openarrays;
using ozm::TBool2DArray;
using ozm::TBoolArray;
using ozm::TDistMode;
using ozm::TDouble2DArray;
using ozm::TDoubleArray;
using ozm::TInt2DArray;

namespace {

// Restores the process-wide progress hooks a test changes.
struct HookGuard {
    ~HookGuard() {
        ozm::AbortMathProc = false;
        ozm::MathFeedBackProc = nullptr;
    }
};

TDouble2DArray RandomMatrix(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-1, 1);
    TDouble2DArray m(n, TDoubleArray(n));
    for (auto& column : m)
        for (double& v : column) v = dist(gen);
    return m;
}

double MaxDeviationFromIdentity(const TDouble2DArray& p) {
    double worst = 0;
    for (size_t c = 0; c < p.size(); ++c)
        for (size_t r = 0; r < p.size(); ++r)
            worst = std::max(worst, std::fabs(p[c][r] - (r == c ? 1.0 : 0.0)));
    return worst;
}

TEST(OpenArrayLinAlg, MultiplyArraysIsTheMatrixProductInColumnLayout) {
    // A = [1 2 3; 4 5 6] (2 rows, 3 columns), B = [1 0; 0 1; 2 2] (3 rows, 2 columns).
    const TDouble2DArray a{{1, 4}, {2, 5}, {3, 6}};
    const TDouble2DArray b{{1, 0, 2}, {0, 1, 2}};
    TDouble2DArray c;
    ASSERT_EQ(oa::MultiplyArrays(a, b, c), 0);
    EXPECT_EQ(c, (TDouble2DArray{{7, 16}, {8, 17}}));  // [7 8; 16 17]
    EXPECT_EQ(oa::MultiplyArrays(a, a, c), -2);
    EXPECT_EQ(oa::MultiplyArrays(a, TDouble2DArray{}, c), -1);
    EXPECT_EQ(oa::MultiplyArrays(TDouble2DArray{{1, 2}, {3}}, b, c), -2);
    EXPECT_EQ(c, (TDouble2DArray{{7, 16}, {8, 17}}));
    TInt2DArray sq{{1, 3}, {2, 4}};  // [1 2; 3 4]
    ASSERT_EQ(oa::MultiplyArrays(sq, sq, sq), 0);  // output is an input
    EXPECT_EQ(sq, (TInt2DArray{{7, 15}, {10, 22}}));
}

TEST(OpenArrayLinAlg, InvertArrayWorkedExamples) {
    TDouble2DArray d{{2, 0}, {0, 4}};
    ASSERT_EQ(oa::InvertArray(d), 0);
    EXPECT_EQ(d, (TDouble2DArray{{0.5, 0}, {0, 0.25}}));
    TDouble2DArray swap{{0, 1}, {1, 0}};
    ASSERT_EQ(oa::InvertArray(swap), 0);
    EXPECT_EQ(swap, (TDouble2DArray{{0, 1}, {1, 0}}));
    // Singular matrices and bad shapes leave the array as it was.
    TDouble2DArray singular{{1, 2}, {2, 4}};
    EXPECT_EQ(oa::InvertArray(singular), -3);
    EXPECT_EQ(singular, (TDouble2DArray{{1, 2}, {2, 4}}));
    TDouble2DArray zeroRow{{1, 0}, {2, 0}};
    EXPECT_EQ(oa::InvertArray(zeroRow), -3);
    TDouble2DArray wide(2, TDoubleArray(3, 1.0));
    EXPECT_EQ(oa::InvertArray(wide), -1);
    TDouble2DArray ragged{{1, 2}, {3}};
    EXPECT_EQ(oa::InvertArray(ragged), -1);
    TDouble2DArray empty;
    EXPECT_EQ(oa::InvertArray(empty), -1);
    TDouble2DArray withNaN{{1, 0}, {0, std::nan("")}};
    EXPECT_EQ(oa::InvertArray(withNaN), -3);
}

TEST(OpenArrayLinAlg, InverseTimesMatrixIsTheIdentity) {
    for (size_t n : {1u, 3u, 17u, 60u}) {
        const TDouble2DArray m = RandomMatrix(n, static_cast<unsigned>(n));
        TDouble2DArray inv = m;
        ASSERT_EQ(oa::InvertArray(inv), 0) << n;
        TDouble2DArray p;
        ASSERT_EQ(oa::MultiplyArrays(inv, m, p), 0);
        EXPECT_LT(MaxDeviationFromIdentity(p), 1e3 * ozm::testing::kEps * static_cast<double>(n))
            << n;
        ASSERT_EQ(oa::MultiplyArrays(m, inv, p), 0);
        EXPECT_LT(MaxDeviationFromIdentity(p), 1e3 * ozm::testing::kEps * static_cast<double>(n))
            << n;
    }
}

TEST(OpenArrayLinAlg, InvertArrayReportsProgressAndHonoursAbort) {
    HookGuard guard;
    ozm::ProcStat = 0;
    int calls = 0;
    ozm::MathFeedBackProc = [&calls](double) { ++calls; };
    TDouble2DArray m = RandomMatrix(5, 3);
    ASSERT_EQ(oa::InvertArray(m), 0);
    EXPECT_EQ(ozm::ProcStat.load(), 10.0);  // one step per column in each phase
    EXPECT_EQ(calls, 10);

    // Abort requested from the feedback procedure in the middle of the decomposition.
    const TDouble2DArray original = RandomMatrix(6, 4);
    TDouble2DArray a = original;
    ozm::MathFeedBackProc = [](double stat) {
        if (stat >= 13) ozm::AbortMathProc = true;
    };
    EXPECT_EQ(oa::InvertArray(a), -3);
    EXPECT_EQ(a, original);
    // Already set before the call.
    ozm::MathFeedBackProc = nullptr;
    EXPECT_EQ(oa::InvertArray(a), -3);
    EXPECT_EQ(a, original);
}

TEST(OpenArrayLinAlg, BooleanInversionNegates) {
    TBoolArray v{true, false};
    ASSERT_EQ(oa::InvertArray(v), 0);
    EXPECT_EQ(v, (TBoolArray{false, true}));
    TBool2DArray m{{true}, {false, false}};
    ASSERT_EQ(oa::InvertArray(m), 0);
    EXPECT_EQ(m, (TBool2DArray{{false}, {true, true}}));
    TBoolArray none;
    EXPECT_EQ(oa::InvertArray(none), -1);
}

TEST(OpenArrayLinAlg, HatMatrixIsASymmetricProjection) {
    // 6 observations, intercept and one regressor.
    const TDouble2DArray x{{1, 1, 1, 1, 1, 1}, {0, 1, 2, 3, 5, 8}};
    TDouble2DArray h;
    ASSERT_EQ(oa::CalcHatMatrix(x, h), 0);
    ASSERT_EQ(h.size(), 6u);
    double trace = 0;
    ASSERT_EQ(oa::TraceOfArray(h, trace), 0);
    EXPECT_NEAR(trace, 2.0, 1e-12);  // the number of parameters
    TDouble2DArray hh;
    ASSERT_EQ(oa::MultiplyArrays(h, h, hh), 0);
    for (size_t i = 0; i < 6; ++i)
        for (size_t j = 0; j < 6; ++j) {
            EXPECT_NEAR(h[i][j], h[j][i], 1e-12);
            EXPECT_NEAR(hh[i][j], h[i][j], 1e-12);
        }
    // H X = X: the columns of X are reproduced.
    TDouble2DArray hx;
    ASSERT_EQ(oa::MultiplyArrays(h, x, hx), 0);
    for (size_t c = 0; c < 2; ++c)
        for (size_t r = 0; r < 6; ++r) EXPECT_NEAR(hx[c][r], x[c][r], 1e-12);
    // Leverage of the simple regression: 1/n + (x - mean)^2 / Sxx.
    const double mean = 19.0 / 6;
    double sxx = 0;
    for (double v : x[1]) sxx += (v - mean) * (v - mean);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_NEAR(h[i][i], 1.0 / 6 + (x[1][i] - mean) * (x[1][i] - mean) / sxx, 1e-12);

    TDouble2DArray untouched{{1}};
    EXPECT_EQ(oa::CalcHatMatrix(TDouble2DArray{{1, 2, 3}, {2, 4, 6}}, untouched), -3);
    EXPECT_EQ(oa::CalcHatMatrix(TDouble2DArray{}, untouched), -1);
    EXPECT_EQ(oa::CalcHatMatrix(TDouble2DArray{{1, 2}, {3}}, untouched), -2);
    EXPECT_EQ(untouched, (TDouble2DArray{{1}}));
    TDouble2DArray same = x;
    ASSERT_EQ(oa::CalcHatMatrix(same, same), 0);
    EXPECT_EQ(same, h);
}

TEST(OpenArrayLinAlg, DistanceOfObjects) {
    // Rows (1, 2) and (3, 4): columns 0 and 1 hold x_k and y_k.
    const TDouble2DArray a{{1, 3}, {2, 4}};
    double d = -1;
    ASSERT_EQ(oa::DistanceOfObjects(a, TDistMode::dmCityBlock, 0, 1, 0, 1, d), 0);
    EXPECT_EQ(d, 4);
    ASSERT_EQ(oa::DistanceOfObjects(a, TDistMode::dmEuclidean, 0, 1, 0, 1, d), 0);
    EXPECT_DOUBLE_EQ(d, std::sqrt(8.0));
    ASSERT_EQ(oa::DistanceOfObjects(a, TDistMode::dmSqrEuclidean, 0, 1, 0, 1, d), 0);
    EXPECT_EQ(d, 8);
    ASSERT_EQ(oa::DistanceOfObjects(a, TDistMode::dmDice, 0, 1, 0, 1, d), 0);
    EXPECT_DOUBLE_EQ(d, 22.0 / 30);
    ASSERT_EQ(oa::DistanceOfObjects(a, TDistMode::dmTanimoto, 0, 1, 0, 1, d), 0);
    EXPECT_DOUBLE_EQ(d, 11.0 / 19);
    ASSERT_EQ(oa::DistanceOfObjects(a, TDistMode::dmSqrEuclidean, 1, 1, 1, 1, d), 0);
    EXPECT_EQ(d, 0);

    d = 5;
    EXPECT_EQ(oa::DistanceOfObjects(a, TDistMode::dmEuclidean, 0, 1, 1, 0, d), -4);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(oa::DistanceOfObjects(a, TDistMode::dmByEvent, 0, 1, 0, 1, d), -1);
    EXPECT_EQ(oa::DistanceOfObjects(a, TDistMode::dmEuclidean, 0, 2, 0, 1, d), -2);
    EXPECT_EQ(oa::DistanceOfObjects(a, TDistMode::dmEuclidean, 0, 1, 0, 2, d), -3);
    // The last failing check decides.
    EXPECT_EQ(oa::DistanceOfObjects(a, TDistMode::dmByEvent, -1, 1, 0, 1, d), -2);
    EXPECT_EQ(oa::DistanceOfObjects(a, TDistMode::dmByEvent, -1, 1, 1, 0, d), -4);
    EXPECT_EQ(oa::DistanceOfObjects(TDouble2DArray{{1, 2}, {3}}, TDistMode::dmEuclidean, 0, 1, 0,
                                    1, d),
              -2);
    EXPECT_EQ(d, 0);
}

TEST(OpenArrayLinAlg, VectorProducts) {
    double dot = -1;
    ASSERT_EQ(oa::VectorDotProduct(TDoubleArray{1, 2, 3}, TDoubleArray{4, -5, 6}, dot), 0);
    EXPECT_EQ(dot, 12);
    EXPECT_EQ(oa::VectorDotProduct(TDoubleArray{1, 2}, TDoubleArray{4, -5, 6}, dot), -2);
    EXPECT_EQ(dot, 0);
    EXPECT_EQ(oa::VectorDotProduct(TDoubleArray{}, TDoubleArray{}, dot), -1);

    TDoubleArray x{1, 0, 0}, y{0, 1, 0}, c;
    ASSERT_EQ(oa::VectorCrossProduct(x, y, c), 0);
    EXPECT_EQ(c, (TDoubleArray{0, 0, 1}));
    TDoubleArray u{2, 3, 4};
    const TDoubleArray v{5, 6, 7};
    ASSERT_EQ(oa::VectorCrossProduct(u, v, u), 0);  // output is an input
    EXPECT_EQ(u, (TDoubleArray{-3, 6, -3}));
    double orthogonal = -1;
    ASSERT_EQ(oa::VectorDotProduct(u, v, orthogonal), 0);
    EXPECT_EQ(orthogonal, 0);
    EXPECT_EQ(oa::VectorCrossProduct(TDoubleArray{1, 2}, v, c), -2);
    EXPECT_EQ(oa::VectorCrossProduct(TDoubleArray{}, v, c), -1);
}

}  // namespace
