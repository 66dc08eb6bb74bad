// Nearest-neighbour search against sklearn's brute-force NearestNeighbors and the five estimates
// against numpy computations on the same neighbour lists.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "cluster_refs.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/math2.hpp"

namespace ozm::math2 {
namespace {

using namespace clusterrefs;

void FillRows(TMatrix& M, const double* v, int nRows, int nCols) {
    M.Resize(nCols, nRows);
    for (int r = 0; r < nRows; ++r)
        for (int c = 0; c < nCols; ++c) M.SetVal(c + 1, r + 1, v[r * nCols + c]);
}

void FillVec(TVector& V, const double* v, int n) {
    V.Resize(n);
    for (int i = 0; i < n; ++i) V.SetVal(i + 1, v[i]);
}

TEST(KnnSearch, AgreesWithSklearnAndEstimates) {
    TMatrix X;
    FillRows(X, kNnData, kNnN, kNnP);
    TVector y;
    FillVec(y, kNnResp, kNnN);
    constexpr double kTol = 1e-13;
    for (int t = 0; t < kNnT; ++t) {
        SCOPED_TRACE(t);
        TVector target;
        FillVec(target, kNnTargets + t * kNnP, kNnP);
        TMatrix nb;
        nb.Resize(2, kNnK);
        FindNearestNeighbors(kNnK, X, 0, 0, target, nb);
        for (int r = 1; r <= kNnK; ++r) {
            EXPECT_EQ(nb.GetVal(1, r), kNnIndex[t * kNnK + r - 1]);
            EXPECT_NEAR(nb.GetVal(2, r), kNnDist[t * kNnK + r - 1], kTol);
        }
        // The caller's distance gives the same list.
        TMatrix nb2;
        nb2.Resize(2, kNnK);
        FindNearestNeighbors(kNnK, X, 0, 0, target, nb2, [&](int row) {
            double s = 0;
            for (int c = 1; c <= kNnP; ++c) s += std::pow(X.GetVal(c, row) - target.GetVal(c), 2);
            return std::sqrt(s);
        });
        for (int r = 1; r <= kNnK; ++r) EXPECT_EQ(nb2.GetVal(1, r), nb.GetVal(1, r));

        const double* e = kNnEst + t * 5;
        const TKnnWMode modes[] = {TKnnWMode::kwmGauss, TKnnWMode::kwmAverage, TKnnWMode::kwmMedian,
                                   TKnnWMode::kwmLinear};
        for (int m = 0; m < 4; ++m) {
            double est = 99;
            double md = 0;
            EstimateByKNN(X, y, kNnK, modes[m], kNnWidth, target, est, md);
            EXPECT_NEAR(md, e[0], kTol);
            EXPECT_NEAR(est, e[m + 1], 1e-12) << "mode " << m;
        }
    }
    // Target 3 lies on row 124: it is neighbour 1 at distance 0.
    EXPECT_EQ(kNnIndex[2 * kNnK], 124);
}

TEST(KnnSearch, RangesTiesAndShortLists) {
    TMatrix X;
    const double pts[] = {0, 1, 1, 3, 1, 10};
    FillRows(X, pts, 6, 1);
    TVector target;
    FillVec(target, pts + 1, 1);  // 1
    TMatrix nb;
    nb.Resize(2, 3);
    FindNearestNeighbors(3, X, 0, 0, target, nb);
    // Equal distances: the later row first.
    EXPECT_EQ(nb.GetVal(1, 1), 5);
    EXPECT_EQ(nb.GetVal(1, 2), 3);
    EXPECT_EQ(nb.GetVal(1, 3), 2);
    // A range of 2 rows with k = 3: the third entry is the empty sentinel.
    FindNearestNeighbors(3, X, 6, 5, target, nb);
    EXPECT_EQ(nb.GetVal(1, 1), 5);
    EXPECT_EQ(nb.GetVal(1, 2), 6);
    EXPECT_EQ(nb.GetVal(1, 3), 0);
    EXPECT_EQ(nb.GetVal(2, 3), uc_MaxReal);
    // NaN distances never enter.
    FindNearestNeighbors(2, X, 0, 0, target, nb, [](int row) { return row == 6 ? 0.0 : NAN; });
    EXPECT_EQ(nb.GetVal(1, 1), 6);
    EXPECT_EQ(nb.GetVal(1, 2), 0);
}

TEST(KnnEstimate, EdgeCasesAndLocalQuadratic) {
    TMatrix X;
    const double pts[] = {0, 1, 2, 3, 4};
    FillRows(X, pts, 5, 1);
    TVector y;
    const double ys[] = {10, 20, 30, 40, 50};
    FillVec(y, ys, 5);
    TVector target;
    FillVec(target, pts + 3, 1);
    double est = 0;
    double md = 0;
    EstimateByKNN(X, y, 1, TKnnWMode::kwmAverage, 1, target, est, md);
    EXPECT_EQ(est, 40.0);
    EXPECT_EQ(md, 0.0);
    EstimateByKNN(X, y, 50, TKnnWMode::kwmAverage, 1, target, est, md);  // k -> 5
    EXPECT_DOUBLE_EQ(est, 30.0);
    EXPECT_DOUBLE_EQ(md, 1.4);
    // Width so small that no linear weight is positive (no neighbour at distance 0).
    est = 7;
    TVector between;
    const double half = 2.5;
    FillVec(between, &half, 1);
    EstimateByKNN(X, y, 3, TKnnWMode::kwmLinear, 1e-9, between, est, md);
    EXPECT_EQ(est, 0.0);
    // All neighbours at distance 0: D = 0 is reported, the weights use 0.001.
    TMatrix same;
    const double zeros[] = {2, 2, 2};
    FillRows(same, zeros, 3, 1);
    TVector t2;
    FillVec(t2, zeros, 1);
    EstimateByKNN(same, y, 3, TKnnWMode::kwmGauss, 1, t2, est, md);
    EXPECT_EQ(md, 0.0);
    EXPECT_DOUBLE_EQ(est, 20.0);
    // A width that would underflow every Gaussian weight: the nearest response wins.
    EstimateByKNN(X, y, 3, TKnnWMode::kwmGauss, 1e3, between, est, md);
    EXPECT_DOUBLE_EQ(est, 35.0);  // rows 3 and 4 at distance 0.5 each
    EXPECT_THROW(EstimateByKNN(X, y, 0, TKnnWMode::kwmAverage, 1, target, est, md), EOZMMath2Error);

    // Local quadratic: exact on a quadratic surface, numpy's lstsq on a smooth one.
    TMatrix Q;
    FillRows(Q, kBqData, 60, 2);
    TVector qy;
    qy.Resize(60);
    for (int i = 1; i <= 60; ++i) {
        const double a = Q.GetVal(1, i);
        const double b = Q.GetVal(2, i);
        qy.SetVal(i, 1 - 2 * a + 0.5 * b + 3 * a * a - b * b + 0.75 * a * b);
    }
    TVector qt;
    FillVec(qt, kBqTarget, 2);
    const double a = kBqTarget[0];
    const double b = kBqTarget[1];
    EstimateByKNN(Q, qy, 12, TKnnWMode::kwmBiQuad, 1, qt, est, md);
    EXPECT_NEAR(est, 1 - 2 * a + 0.5 * b + 3 * a * a - b * b + 0.75 * a * b, 1e-11);
    FillVec(qy, kBqResp, 60);
    EstimateByKNN(Q, qy, 30, TKnnWMode::kwmBiQuad, 1, qt, est, md);
    EXPECT_NEAR(est, kBqEstimate, 1e-12);
}

}  // namespace
}  // namespace ozm::math2
