// Clustering: k-means against sklearn started from the same centres, the agglomerative merges
// against scipy's linkage and an independent Lance-Williams run, the worked examples, and the
// faults mended in the merge update, MeanDistanceKNN and FindCenters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "cluster_refs.hpp"
#include "ozm/math2.hpp"

namespace ozm::math2 {
namespace {

using namespace clusterrefs;

// Fills a matrix with nRows x nCols numbers given row by row.
void FillRows(TMatrix& M, const double* v, int nRows, int nCols) {
    M.Resize(nCols, nRows);
    for (int r = 0; r < nRows; ++r)
        for (int c = 0; c < nCols; ++c) M.SetVal(c + 1, r + 1, v[r * nCols + c]);
}

TEST(ClusterKMeans, AgreesWithSklearnFromSameCentres) {
    TMatrix X;
    FillRows(X, kKmData, kKmN, kKmP);
    TMatrix centers;
    TIntVector ix;
    TIntVector size;
    const double wss = kMeansClustering(X, 0, 0, kKmK, 0, centers, ix, size);
    EXPECT_NEAR(wss, kKmInertia, 1e-10 * kKmInertia);
    // Same partition up to the numbering; our numbering follows decreasing size.
    std::map<int, int> map;
    for (int i = 0; i < kKmN; ++i) {
        const auto [it, fresh] = map.emplace(ix.GetVal(i + 1), kKmLabels[i]);
        EXPECT_EQ(it->second, kKmLabels[i]) << "object " << i + 1;
    }
    ASSERT_EQ(map.size(), 3u);
    int total = 0;
    for (int c = 1; c <= kKmK; ++c) {
        total += size.GetVal(c);
        if (c > 1) {
            EXPECT_GE(size.GetVal(c - 1), size.GetVal(c));
        }
        for (int v = 1; v <= kKmP; ++v)
            EXPECT_NEAR(centers.GetVal(v, c), kKmCenters[map[c] * kKmP + v - 1], 1e-12);
    }
    EXPECT_EQ(total, kKmN);
    // The within sum of squares is the one of the returned centres.
    double check = 0;
    for (int i = 1; i <= kKmN; ++i)
        for (int v = 1; v <= kKmP; ++v)
            check += std::pow(X.GetVal(v, i) - centers.GetVal(v, ix.GetVal(i)), 2);
    EXPECT_NEAR(wss, check, 1e-12 * check);
}

TEST(ClusterKMeans, WorkedExamplesAndErrors) {
    // Groups of 3 and 5 objects: the group of 5 becomes cluster 1.
    TMatrix X;
    const double pts[] = {10, 10.5, 11, 0, 0.2, 0.4, 0.6, 0.8};
    FillRows(X, pts, 8, 1);
    TMatrix centers;
    TIntVector ix;
    TIntVector size;
    kMeansClustering(X, 0, 0, 2, 0, centers, ix, size);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(ix.GetVal(i), 2);
    for (int i = 4; i <= 8; ++i) EXPECT_EQ(ix.GetVal(i), 1);
    EXPECT_EQ(size.GetVal(1), 5);
    EXPECT_DOUBLE_EQ(centers.GetVal(1, 1), 0.4);
    EXPECT_DOUBLE_EQ(centers.GetVal(1, 2), 10.5);

    // k = n without seed: every object alone, total 0.
    TIntVector ix2;
    EXPECT_EQ(kMeansClustering(X, 0, 0, 8, centers, ix2), 0.0);
    std::set<int> seen;
    for (int i = 1; i <= 8; ++i) seen.insert(ix2.GetVal(i));
    EXPECT_EQ(seen.size(), 8u);

    // Seeded runs are reproducible.
    TIntVector a;
    TIntVector b;
    TIntVector sa;
    TMatrix ca;
    TMatrix cb;
    const double wa = kMeansClustering(X, 0, 0, 2, 17, ca, a, sa);
    const double wb = kMeansClustering(X, 0, 0, 2, 17, cb, b, sa);
    EXPECT_EQ(wa, wb);
    EXPECT_EQ(a.CRCofData(), b.CRCofData());

    try {
        kMeansClustering(X, 0, 0, 9, centers, ix);
        FAIL() << "k > n accepted";
    } catch (const EOZMMath2Error& e) {
        EXPECT_STREQ(e.what(),
                     "kMeansClustering: number of clusters is greater than number of objects");
    }
    EXPECT_THROW(kMeansClustering(X, 0, 0, 0, centers, ix), EOZMMath2Error);

    EXPECT_EQ(kMeansEstimatedSteps(1, 1, 1), 20);
    // 0.18232 * 1e3 - 108 - 0.92427 - 0.17557e3*... evaluated directly:
    const double x = 0.18232 * std::sqrt(1e4 * 100.0) - 108 - 0.00092427 * 1e4 -
                     0.00017557 * 1e4 * 5 + 0.38775 * std::sqrt(1e4 * 5.0);
    EXPECT_EQ(kMeansEstimatedSteps(10000, 100, 5), static_cast<int>(std::lround(x)));
}

// The first pass always recomputes the centres: a caller who passes the final assignment in
// ClustIx still gets the cluster means, not the start objects.
TEST(ClusterKMeans, PresetAssignmentStillGivesMeans) {
    TMatrix X;
    const double pts[] = {0, 1, 2, 10, 11, 12};
    FillRows(X, pts, 6, 1);
    TIntVector ix;
    ix.Resize(6);
    for (int i = 1; i <= 6; ++i) ix.SetVal(i, i <= 1 ? 1 : 2);  // what the first pass gives
    TMatrix centers;
    const double wss = kMeansClustering(X, 0, 0, 2, centers, ix);
    // Start centres 0 and 1; the preset is their assignment {0} / {1, ..., 12}. Without the
    // forced first update the run would stop at once with centres 0 and 1 and total 303. The
    // iteration reaches {0,1,2} / {10,11,12}: means 1 and 11, total 4.
    EXPECT_DOUBLE_EQ(wss, 4.0);
    EXPECT_DOUBLE_EQ(centers.GetVal(1, 1), 1.0);
    EXPECT_DOUBLE_EQ(centers.GetVal(1, 2), 11.0);
}

TEST(ClusterKMeans, FindCentersRunsOnTheRangeAndWritesNoFile) {
    const auto before = std::filesystem::exists("MAT.$$$");
    TMatrix X;
    FillRows(X, kKmData, kKmN, kKmP);
    TMatrix centers;
    double wss = -1;
    FindCenters(X, 0, 0, kKmK, centers, wss);
    EXPECT_NEAR(wss, kKmInertia, 1e-10 * kKmInertia);
    EXPECT_EQ(centers.NrOfRows(), kKmK);
    EXPECT_EQ(std::filesystem::exists("MAT.$$$"), before);
    // A range: the same as k-means on a matrix holding only those rows.
    TMatrix sub;
    FillRows(sub, kKmData + 10 * kKmP, 40, kKmP);
    TMatrix c1;
    TIntVector ix;
    const double w1 = kMeansClustering(sub, 0, 0, 2, c1, ix);
    FindCenters(X, 50, 11, 2, centers, wss);
    EXPECT_DOUBLE_EQ(wss, w1);
    EXPECT_EQ(centers.CRCofData(), c1.CRCofData());
    EXPECT_THROW(FindCenters(X, 1, 2, 3, centers, wss), EOZMMath2Error);
}

TEST(ClusterMeanDistance, RangeRuleAndShortRanges) {
    TMatrix X;
    const double pts[] = {0, 1, 3, 7, 15};
    FillRows(X, pts, 5, 1);
    TVector md;
    md.Resize(5);
    MeanDistanceKNN(X, 1, 0, 0, md);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(md.GetVal(i), 0.0);
    MeanDistanceKNN(X, 2, 0, 0, md);  // (0, 0) is every object
    const double want2[] = {0.5, 0.5, 1.0, 2.0, 4.0};
    for (int i = 1; i <= 5; ++i) EXPECT_DOUBLE_EQ(md.GetVal(i), want2[i - 1]);
    // A range of 2 objects with k = 3: k becomes 2, no sentinel is averaged in.
    md.Fill(-1);
    MeanDistanceKNN(X, 3, 5, 4, md);
    EXPECT_DOUBLE_EQ(md.GetVal(4), 4.0);
    EXPECT_DOUBLE_EQ(md.GetVal(5), 4.0);
    EXPECT_EQ(md.GetVal(3), -1.0);
}

struct TAgglomOut {
    std::vector<TMergeStep> dendro;
    TVector merge;
    TVector pos;
    int result = 0;
};

void RunAgglom(TAgglomOut& o, TMatrix& X, TDistMode mode, TClusterMethod m, double a = 0.5) {
    o.result = AgglomClusteringSteps(nullptr, X, mode, m, a, o.dendro, o.merge, o.pos, {}, {});
}

// Leaf sets of the new clusters, step by step.
std::vector<std::vector<int>> LeafSets(const std::vector<TMergeStep>& d, int n) {
    std::vector<std::vector<int>> members(static_cast<size_t>(2 * n));
    for (int i = 1; i <= n; ++i) members[static_cast<size_t>(i)] = {i};
    std::vector<std::vector<int>> out;
    for (const TMergeStep& s : d) {
        auto u = members[static_cast<size_t>(s.First)];
        const auto& v = members[static_cast<size_t>(s.Second)];
        u.insert(u.end(), v.begin(), v.end());
        std::sort(u.begin(), u.end());
        members[static_cast<size_t>(s.NewId)] = u;
        out.push_back(u);
    }
    return out;
}

TEST(ClusterAgglom, MergesAgreeWithScipyAndLanceWilliams) {
    TMatrix X;
    FillRows(X, kAgData, kAgN, 2);
    struct Case {
        const char* name;
        TClusterMethod method;
        TDistMode mode;
        double a;
        bool sqrtHeights;
        const double* heights;
        const int* sets;
    };
    const Case cases[] = {
        {"single", TClusterMethod::cmSingleLink, TDistMode::dmEuclidean, 0.5, false,
         kAgSingleHeights, kAgSingleSets},
        {"complete", TClusterMethod::cmCompleteLink, TDistMode::dmEuclidean, 0.5, false,
         kAgCompleteHeights, kAgCompleteSets},
        {"upgma", TClusterMethod::cmUpgma, TDistMode::dmEuclidean, 0.5, false, kAgUpgmaHeights,
         kAgUpgmaSets},
        {"wpgma", TClusterMethod::cmAvgLink, TDistMode::dmEuclidean, 0.5, false, kAgWpgmaHeights,
         kAgWpgmaSets},
        {"ward", TClusterMethod::cmWard, TDistMode::dmSqrEuclidean, 0.5, true, kAgWardHeights,
         kAgWardSets},
        {"flex .625", TClusterMethod::cmFlexLink, TDistMode::dmEuclidean, 0.625, false,
         kAgFlex625Heights, kAgFlex625Sets},
        {"flex 1", TClusterMethod::cmFlexLink, TDistMode::dmEuclidean, 1.0, false, kAgFlex1Heights,
         kAgFlex1Sets},
        {"flex 2 -> 1", TClusterMethod::cmFlexLink, TDistMode::dmEuclidean, 2.0, false,
         kAgFlex1Heights, kAgFlex1Sets},
        {"ward plain", TClusterMethod::cmWard, TDistMode::dmEuclidean, 0.5, false,
         kAgWardPlainHeights, kAgWardPlainSets},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TAgglomOut o;
        RunAgglom(o, X, c.mode, c.method, c.a);
        ASSERT_EQ(o.result, 0);
        const auto sets = LeafSets(o.dendro, kAgN);
        size_t off = 0;
        for (int s = 0; s < kAgN - 1; ++s) {
            double h = o.merge.GetVal(s + 1);
            if (c.sqrtHeights) h = std::sqrt(h);
            EXPECT_NEAR(h, c.heights[s], 1e-12 * (1 + c.heights[s])) << "step " << s + 1;
            const auto& got = sets[static_cast<size_t>(s)];
            const std::vector<int> want(c.sets + off, c.sets + off + got.size());
            EXPECT_EQ(got, want) << "step " << s + 1;
            off += got.size();
            EXPECT_EQ(o.dendro[static_cast<size_t>(s)].NewId, kAgN + s + 1);
        }
    }
    // A flexibility parameter of 0.2 is used as 0.5, which is the average rule.
    TAgglomOut lo;
    RunAgglom(lo, X, TDistMode::dmEuclidean, TClusterMethod::cmFlexLink, 0.2);
    TAgglomOut avg;
    RunAgglom(avg, X, TDistMode::dmEuclidean, TClusterMethod::cmAvgLink);
    EXPECT_EQ(lo.merge.CRCofData(), avg.merge.CRCofData());
}

TEST(ClusterAgglom, WorkedExampleTiesAndPositions) {
    TMatrix X;
    const double pts[] = {0, 1, 10};
    FillRows(X, pts, 3, 1);
    TAgglomOut o;
    RunAgglom(o, X, TDistMode::dmEuclidean, TClusterMethod::cmSingleLink);
    ASSERT_EQ(o.dendro.size(), 2u);
    EXPECT_EQ(o.dendro[0].First, 1);
    EXPECT_EQ(o.dendro[0].Second, 2);
    EXPECT_EQ(o.dendro[0].NewId, 4);
    EXPECT_EQ(o.dendro[1].First, 4);  // the lower slot's identifier comes first
    EXPECT_EQ(o.dendro[1].Second, 3);
    EXPECT_EQ(o.dendro[1].NewId, 5);
    EXPECT_EQ(o.merge.GetVal(1), 1.0);
    EXPECT_EQ(o.merge.GetVal(2), 9.0);
    const double pos[] = {2, 1, 3, 1.5, 2.25};
    ASSERT_EQ(o.pos.NrOfElem(), 5);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(o.pos.GetVal(i), pos[i - 1]);

    // The integer-matrix form, dense and sparse: the same rows.
    TIntMatrix dense;
    TIntMatrix sparse(nullptr, CreateSparse, 4);
    TVector merge;
    TVector pos2;
    ASSERT_EQ(AgglomClustering(nullptr, X, TDistMode::dmEuclidean, TClusterMethod::cmSingleLink,
                               0.5, dense, merge, pos2),
              0);
    ASSERT_EQ(AgglomClustering(nullptr, X, TDistMode::dmEuclidean, TClusterMethod::cmSingleLink,
                               0.5, sparse, merge, pos2),
              0);
    const int rows[2][3] = {{1, 2, 4}, {4, 3, 5}};
    for (const TIntMatrix* d : {&dense, &sparse}) {
        ASSERT_EQ(d->NrOfColumns(), 3);
        ASSERT_EQ(d->NrOfRows(), 2);
        for (int r = 1; r <= 2; ++r)
            for (int c = 1; c <= 3; ++c) EXPECT_EQ(d->GetVal(c, r), rows[r - 1][c - 1]);
    }
    EXPECT_TRUE(sparse.IsSparse());

    // Equally spaced points: every distance tie goes to the lexicographically first pair, as
    // the plain scan over all pairs decides. Brute-force that scan here for complete linkage.
    TMatrix E;
    const double eq[] = {0, 1, 2, 3, 4, 5, 6, 7};
    FillRows(E, eq, 8, 1);
    TAgglomOut t;
    RunAgglom(t, E, TDistMode::dmEuclidean, TClusterMethod::cmCompleteLink);
    std::vector<std::vector<double>> D(8, std::vector<double>(8));
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j) D[i][j] = std::abs(eq[i] - eq[j]);
    std::vector<int> id = {1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<bool> act(8, true);
    for (int s = 1; s <= 7; ++s) {
        int g = -1;
        int h = -1;
        double best = 1e300;
        for (int i = 0; i < 8; ++i)
            for (int j = i + 1; j < 8; ++j)
                if (act[i] && act[j] && D[i][j] < best) {
                    best = D[i][j];
                    g = i;
                    h = j;
                }
        const TMergeStep& m = t.dendro[static_cast<size_t>(s - 1)];
        EXPECT_EQ(m.First, id[g]);
        EXPECT_EQ(m.Second, id[h]);
        EXPECT_EQ(t.merge.GetVal(s), best);
        for (int i = 0; i < 8; ++i) D[h][i] = D[i][h] = std::max(D[g][i], D[h][i]);
        D[h][h] = 0;
        id[h] = 8 + s;
        act[g] = false;
    }
}

// The pair distance must be read before row h is rewritten: with Ward's and the flexible rule
// the update of D(g, h) itself must not feed the later updates of the same step.
TEST(ClusterAgglom, PairDistanceSavedBeforeUpdate) {
    TMatrix X;
    const double pts[] = {0, 0, 1, 0, 5, 0, 9, 1};
    FillRows(X, pts, 4, 2);
    TAgglomOut o;
    RunAgglom(o, X, TDistMode::dmSqrEuclidean, TClusterMethod::cmWard);
    // Classical Ward: each merge height is twice the growth of the within sum of squares.
    auto ess = [&](const std::vector<int>& m) {
        double cx = 0;
        double cy = 0;
        for (int i : m) {
            cx += pts[2 * (i - 1)] / m.size();
            cy += pts[2 * (i - 1) + 1] / m.size();
        }
        double e = 0;
        for (int i : m)
            e += std::pow(pts[2 * (i - 1)] - cx, 2) + std::pow(pts[2 * (i - 1) + 1] - cy, 2);
        return e;
    };
    std::vector<std::vector<int>> members = {{}, {1}, {2}, {3}, {4}, {}, {}, {}};
    for (int s = 0; s < 3; ++s) {
        const TMergeStep& m = o.dendro[static_cast<size_t>(s)];
        auto& u = members[static_cast<size_t>(m.NewId)];
        u = members[static_cast<size_t>(m.First)];
        u.insert(u.end(), members[static_cast<size_t>(m.Second)].begin(),
                 members[static_cast<size_t>(m.Second)].end());
        const double growth = ess(u) - ess(members[static_cast<size_t>(m.First)]) -
                              ess(members[static_cast<size_t>(m.Second)]);
        EXPECT_NEAR(o.merge.GetVal(s + 1), 2 * growth, 1e-12 * (1 + growth)) << s;
    }
}

TEST(ClusterAgglom, AbortFeedbackEventAndDegenerateInput) {
    TMatrix X;
    FillRows(X, kAgData, kAgN, 2);
    std::vector<double> percents;
    int calls = 0;
    TClusterFeedback fb = [&](TObject*, double pc, double) {
        percents.push_back(pc);
        if (++calls == 5) AbortMathProc = true;
    };
    std::vector<TMergeStep> d;
    TVector merge;
    TVector pos;
    const int r = AgglomClusteringSteps(nullptr, X, TDistMode::dmEuclidean,
                                        TClusterMethod::cmSingleLink, 0.5, d, merge, pos, fb, {});
    EXPECT_EQ(r, -1);
    EXPECT_EQ(percents.front(), 0.0);
    EXPECT_DOUBLE_EQ(percents[1], 100.0 / kAgN);
    for (const TMergeStep& s : d) EXPECT_EQ(s.First + s.Second + s.NewId, 0);
    for (int i = 1; i <= pos.NrOfElem(); ++i) EXPECT_EQ(pos.GetVal(i), 0.0);
    AbortMathProc = false;

    // The caller's distance replaces the matrix's event only for the call.
    bool own = false;
    X.OnCalcDistance = [&](TObject*, int, int, double& dd) {
        own = true;
        dd = 1;
    };
    int asked = 0;
    TCalcDistFunc byRow = [&](TObject*, int i, int j, double& dd) {
        ++asked;
        dd = std::abs(i - j);
    };
    const int r2 =
        AgglomClusteringSteps(nullptr, X, TDistMode::dmByEvent, TClusterMethod::cmSingleLink, 0.5,
                              d, merge, pos, {}, byRow);
    EXPECT_EQ(r2, 0);
    EXPECT_GT(asked, 0);
    EXPECT_FALSE(own);
    for (int s = 1; s < kAgN; ++s) EXPECT_EQ(merge.GetVal(s), 1.0);
    ASSERT_TRUE(X.OnCalcDistance);

    // NaN coordinates and duplicates: no hang, every object merged exactly once.
    TMatrix N;
    const double pts[] = {0, 0, NAN, 1, 1, 1};
    FillRows(N, pts, 6, 1);
    TAgglomOut o;
    RunAgglom(o, N, TDistMode::dmEuclidean, TClusterMethod::cmCompleteLink);
    ASSERT_EQ(o.dendro.size(), 5u);
    std::multiset<int> used;
    for (const TMergeStep& s : o.dendro) {
        used.insert(s.First);
        used.insert(s.Second);
    }
    for (int id = 1; id <= 10; ++id) EXPECT_EQ(used.count(id), 1u) << id;
    TMatrix one;
    FillRows(one, pts, 1, 1);
    TAgglomOut single;
    RunAgglom(single, one, TDistMode::dmEuclidean, TClusterMethod::cmWard);
    EXPECT_EQ(single.result, 0);
    EXPECT_TRUE(single.dendro.empty());
}

}  // namespace
}  // namespace ozm::math2
