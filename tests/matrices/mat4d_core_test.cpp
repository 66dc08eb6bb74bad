// TMat4D: access, statistics against plain loops over GetVal, reshaping, copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "matrix_test_support.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"

namespace ozm {
namespace {

using ozm::testing::ChangeCounter;

// A stack of the given extents with cells drawn from a few integers (so that ties and repeated
// values occur) or, with Spread, from a wide uniform range.
void FillStack(TMat4D& m, int nx, int ny, int nz, int nt, uint32_t seed, bool Spread = false) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> small(-3, 5);
    std::uniform_real_distribution<double> wide(-1e3, 1e3);
    m.Resize(nx, ny, nz, nt);
    for (int t = 1; t <= nt; ++t)
        for (int z = 1; z <= nz; ++z)
            for (int y = 1; y <= ny; ++y)
                for (int x = 1; x <= nx; ++x) m.SetVal(x, y, z, t, Spread ? wide(gen) : small(gen));
}

struct Block {
    int c0, c1, r0, r1, z0, z1, t0, t1;
};

// The block's cells in the scan order column, row, layer, time slot (column outermost).
std::vector<double> ScanCells(const TMat4D& m, const Block& b) {
    std::vector<double> v;
    for (int x = b.c0; x <= b.c1; ++x)
        for (int y = b.r0; y <= b.r1; ++y)
            for (int z = b.z0; z <= b.z1; ++z)
                for (int t = b.t0; t <= b.t1; ++t) v.push_back(m.GetVal(x, y, z, t));
    return v;
}

TEST(Mat4DCore, CreationAddressingAndSingleCells) {
    TMat4D m;
    EXPECT_EQ(m.NrOfColumns() + m.NrOfRows() + m.NrOfLayers() + m.NrOfTimeSlots(), 4);
    EXPECT_DOUBLE_EQ(m.MemoryConsumed(), 8.0 / 1048576.0);
    EXPECT_EQ(m.Lin3DAddr(1, 1, 1), 0);
    ChangeCounter changes(m);
    EXPECT_TRUE(m.Resize(2, 2, 2, 0));  // an extent of 0: nothing changes
    EXPECT_TRUE(m.Resize(1, 1, 1, 1));  // unchanged extents: nothing fires
    EXPECT_EQ(changes.count, 0);
    m.SetVal(1, 1, 1, 1, 7.0);
    m.Resize(3, 2, 4, 1);
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(m.GetVal(1, 1, 1, 1), 7.0);  // kept through the resize
    EXPECT_EQ(m.Lin3DAddr(2, 1, 1), 4);
    EXPECT_EQ(m.Lin3DAddr(4, 1, 1), -1);
    int ix = 0, iy = 0, il = 0;
    ASSERT_TRUE(m.ConvertLinTo3DAddr(4, ix, iy, il));
    EXPECT_EQ(ix * 100 + iy * 10 + il, 211);
    EXPECT_FALSE(m.ConvertLinTo3DAddr(24, ix, iy, il));
    // The inverse holds over the whole address space.
    for (int a = 0; a < 24; ++a) {
        ASSERT_TRUE(m.ConvertLinTo3DAddr(a, ix, iy, il));
        EXPECT_EQ(m.Lin3DAddr(ix, iy, il), a);
    }
    m.SetVal(1, 1, 1, 2, 5.0);  // time slot beyond: ignored
    EXPECT_EQ(m.GetVal(0, 1, 1, 1), 0.0);
    EXPECT_EQ(changes.count, 1);  // SetVal does not notify
    // Storage is column fastest, the order of the record files.
    m.SetVal(3, 2, 4, 1, 9.0);
    EXPECT_EQ(m.Data()[((4 - 1) * 2 + (2 - 1)) * 3 + (3 - 1)], 9.0);
    m.SetNrOfTimeSlots(0);  // below 1 becomes 1
    EXPECT_EQ(m.NrOfTimeSlots(), 1);
}

TEST(Mat4DCore, HugeResizeRaisesTheHeapMessage) {
    TMat4D m;
    m.SetName("stack");
    try {
        m.Resize(1 << 30, 1 << 30, 1 << 30, 1 << 30);
        FAIL() << "no error";
    } catch (const EOZMMatrixError& e) {
        EXPECT_STREQ(e.what(), "Component \"stack\": not enough memory on heap");
    }
    EXPECT_EQ(m.NrOfColumns(), 1);
}

TEST(Mat4DCore, FillsAndTheirCodes) {
    TMat4D m;
    m.Resize(3, 2, 4, 2);
    ChangeCounter changes(m);
    m.Fill(2.0);
    m.FillDiag(-1.0);
    EXPECT_EQ(changes.count, 2);
    EXPECT_EQ(m.GetVal(1, 1, 1, 1), -1.0);
    EXPECT_EQ(m.GetVal(2, 2, 2, 2), -1.0);
    EXPECT_EQ(m.GetVal(3, 2, 3, 2), 2.0);
    m.FillLayer(3, 8.0);
    EXPECT_EQ(m.Sum(0, 0, 0, 0, 3, 3, 0, 0), 8.0 * 12);
    EXPECT_EQ(m.FillLayer(5, 3, 3, 0, 0), -3);  // all three faults: the last wins
    EXPECT_EQ(m.FillLayer(5, 3, 0, 0, 0), -2);
    EXPECT_EQ(m.FillLayer(5, 1, 0, 0, 0), -1);
    EXPECT_EQ(m.FillLayer(1, 1, 3, 0, 0), -3);
    EXPECT_EQ(m.GetVal(1, 1, 1, 1), -1.0);  // unchanged by the refused calls
    EXPECT_EQ(m.FillLayer(4, 2, 1, 10.0, 20.0), 0);
    double lo, hi;
    m.MinMax(0, 0, 0, 0, 4, 4, 2, 2, lo, hi);
    EXPECT_GE(lo, 10.0);
    EXPECT_LT(hi, 20.0);
    EXPECT_EQ(changes.count, 2);  // FillLayer does not notify

    TDouble2DArray add(3, TDoubleArray(2, 0.5));
    EXPECT_EQ(m.AccumulateLayer(2, 1, add), 0);
    EXPECT_EQ(m.GetVal(3, 1, 2, 1), 2.5);
    add[2].resize(1);  // ragged
    EXPECT_EQ(m.AccumulateLayer(2, 1, add), -1);
    EXPECT_EQ(m.AccumulateLayer(9, 9, add), -3);
    EXPECT_EQ(m.GetVal(3, 1, 2, 1), 2.5);
}

TEST(Mat4DCore, BlockStatisticsMatchPlainLoops) {
    TMat4D m;
    FillStack(m, 7, 5, 4, 3, 11);
    m.SetVal(2, 3, 1, 2, NAN);  // NaN cells are passed over by the extremes
    const Block blocks[] = {{1, 7, 1, 5, 1, 4, 1, 3}, {2, 6, 3, 5, 2, 2, 1, 3},
                            {7, 7, 1, 1, 4, 4, 3, 3}, {3, 4, 2, 4, 1, 3, 2, 3},
                            {1, 2, 1, 5, 2, 4, 3, 3}};
    for (const Block& b : blocks) {
        SCOPED_TRACE(::testing::Message() << b.c0 << ".." << b.c1 << " " << b.t0 << ".." << b.t1);
        std::vector<double> v = ScanCells(m, b);
        const bool has_nan = std::any_of(v.begin(), v.end(), [](double x) { return x != x; });
        double lo, hi;
        m.MinMax(b.c0, b.c1, b.r0, b.r1, b.z0, b.z1, b.t0, b.t1, lo, hi);
        double rlo = 1.7e308, rhi = -1.7e308;
        for (double x : v)
            if (x == x) rlo = std::min(rlo, x), rhi = std::max(rhi, x);
        EXPECT_EQ(lo, rlo);
        EXPECT_EQ(hi, rhi);
        EXPECT_EQ(m.CountValues(b.c0, b.c1, b.r0, b.r1, b.z0, b.z1, b.t0, b.t1, -1, 2),
                  std::count_if(v.begin(), v.end(), [](double x) { return x >= -1 && x <= 2; }));
        if (has_nan) continue;
        // Small integers: every sum below is exact whatever the order.
        double s = 0, s2 = 0;
        for (double x : v) s += x, s2 += x * x;
        EXPECT_EQ(m.Sum(b.c0, b.c1, b.r0, b.r1, b.z0, b.z1, b.t0, b.t1), s);
        EXPECT_EQ(m.SquaredSum(b.c0, b.c1, b.r0, b.r1, b.z0, b.z1, b.t0, b.t1), s2);
        double mean, var;
        m.MeanVar(b.c0, b.c1, b.r0, b.r1, b.z0, b.z1, b.t0, b.t1, mean, var);
        const double n = static_cast<double>(v.size());
        EXPECT_NEAR(mean, s / n, 1e-15 * std::abs(s / n) + 1e-300);
        if (v.size() >= 3)
            EXPECT_NEAR(var, (s2 - s * s / n) / (n - 1), 1e-13 * (s2 / n + 1));
        else
            EXPECT_EQ(var, 1.0);
        // Every percentile against a sort of the block.
        std::vector<double> sorted = v;
        std::sort(sorted.begin(), sorted.end());
        for (double p : {0.0, 3.0, 25.0, 50.0, 62.5, 99.0, 100.0, 140.0}) {
            const auto k = std::min<int64_t>(
                static_cast<int64_t>(sorted.size()) - 1,
                static_cast<int64_t>(std::nearbyint(n * std::min(p, 100.0) / 100.0)));
            EXPECT_EQ(m.Percentile(p, b.c0, b.c1, b.r0, b.r1, b.z0, b.z1, b.t0, b.t1), sorted[k])
                << p;
            EXPECT_EQ(m.Percentile(p, b.c0, b.c1, b.r0, b.r1, b.z0, b.z1, b.t0, b.t1, 0), sorted[k]);
        }
    }
    // Reversed and out-of-range bounds are normalised, (0, 0) is everything.
    EXPECT_EQ(m.CountValues(0, 0, 0, 0, 0, 0, 0, 0, -1e9, 1e9), 7 * 5 * 4 * 3 - 1);
    EXPECT_EQ(m.Sum(6, 2, 9, 3, 2, 2, 3, -4), m.Sum(2, 6, 3, 5, 2, 2, 1, 3));

    TMat4D two;
    two.Resize(2, 1, 1, 1);
    two.SetVal(1, 1, 1, 1, 1);
    two.SetVal(2, 1, 1, 1, 3);
    double mean, var;
    two.MeanVar(0, 0, 0, 0, 0, 0, 0, 0, mean, var);
    EXPECT_EQ(mean, 2.0);
    EXPECT_EQ(var, 1.0);
}

TEST(Mat4DCore, FindTakesTheFirstNearestInScanOrder) {
    TMat4D m;
    m.Resize(3, 2, 2, 2);
    // Two cells at distance 1 from 4: (3, 1, 1, 1) comes first in storage order, but the scan
    // order runs column outermost, so (2, 2, 2, 2) wins.
    m.Fill(100);
    m.SetVal(3, 1, 1, 1, 5.0);
    m.SetVal(2, 2, 2, 2, 3.0);
    int c, r, l, t;
    m.Find(0, 0, 0, 0, 0, 0, 0, 0, 4.0, c, r, l, t);
    EXPECT_EQ(std::vector<int>({c, r, l, t}), std::vector<int>({2, 2, 2, 2}));
    // Same column: the lower row wins although it lies in a later slot.
    m.SetVal(2, 1, 1, 2, 5.0);
    m.Find(0, 0, 0, 0, 0, 0, 0, 0, 4.0, c, r, l, t);
    EXPECT_EQ(std::vector<int>({c, r, l, t}), std::vector<int>({2, 1, 1, 2}));
    // Restricted to column 3.
    m.Find(3, 3, 0, 0, 0, 0, 0, 0, 4.0, c, r, l, t);
    EXPECT_EQ(std::vector<int>({c, r, l, t}), std::vector<int>({3, 1, 1, 1}));
    m.Find(0, 0, 0, 0, 0, 0, 0, 0, NAN, c, r, l, t);
    EXPECT_EQ(c + r + l + t, 0);
}

// Regression: a value shared by most random samples was returned for every rank below its
// count of cells, although cells below it take the lowest ranks. The dominant value here is the
// largest of the block; rank 0 is the smallest cell.
TEST(Mat4DCore, PercentileDominantValueAboveTheOthers) {
    TMat4D m;
    m.Resize(10, 10, 2, 2);
    m.Fill(255.0);
    for (int x = 1; x <= 10; ++x) m.SetVal(x, 1, 1, 1, x);  // 10 of 400 cells below 255
    for (uint64_t seed = 1; seed <= 5; ++seed) {
        SetRandSeed(seed);
        EXPECT_EQ(m.Percentile(0, 0, 0, 0, 0, 0, 0, 0, 0), 1.0);
        EXPECT_EQ(m.Percentile(1, 0, 0, 0, 0, 0, 0, 0, 0), 5.0);  // k = 4
        EXPECT_EQ(m.Percentile(50, 0, 0, 0, 0, 0, 0, 0, 0), 255.0);
    }
    // All equal: every percentile is that value.
    m.Fill(4.5);
    EXPECT_EQ(m.Percentile(0, 0, 0, 0, 0, 0, 0, 0, 0), 4.5);
    // Sampling: with every cell equal the sample can only give that value.
    EXPECT_EQ(m.Percentile(30, 0, 0, 0, 0, 0, 0, 0, 0, 50), 4.5);
}

TEST(Mat4DCore, FingerprintSamplesLayers) {
    TMat4D a, b;
    FillStack(a, 4, 3, 4, 2, 5, true);
    b.Assign(&a);
    EXPECT_EQ(a.CRCofData(), b.CRCofData());
    int percents = 0, last = -1;
    a.OnPercentDone = [&](TObject*, int p) { ++percents, last = p; };
    b.SetVal(2, 2, 1, 1, 0.25);  // layer 1 and 3 do not enter with Sample 5 (held to 2)
    b.SetVal(2, 2, 3, 2, 0.25);
    EXPECT_EQ(a.CRCofData(5), b.CRCofData(5));
    EXPECT_EQ(a.CRCofData(2), b.CRCofData(2));
    EXPECT_NE(a.CRCofData(), b.CRCofData());
    b.SetVal(1, 3, 4, 2, 0.25);
    EXPECT_NE(a.CRCofData(5), b.CRCofData(5));
    EXPECT_GT(percents, 0);
    EXPECT_EQ(last, 100);
    // Against a plain fingerprint of the scan order.
    std::vector<double> scan = ScanCells(a, {1, 4, 1, 3, 1, 4, 1, 2});
    EXPECT_EQ(a.CRCofData(), CRCFingerprint(scan));
}

TEST(Mat4DCore, CutResampleTransposeMirror) {
    TMat4D m;
    FillStack(m, 5, 4, 3, 2, 21, true);
    TMat4D orig;
    orig.Assign(&m);
    ChangeCounter changes(m);

    m.Cut(2, 4, 0, 0, 3, 2, 2, 2);
    EXPECT_EQ(changes.count, 1);
    ASSERT_EQ(std::vector<int>({m.NrOfColumns(), m.NrOfRows(), m.NrOfLayers(), m.NrOfTimeSlots()}),
              std::vector<int>({3, 4, 2, 1}));
    for (int x = 1; x <= 3; ++x)
        for (int y = 1; y <= 4; ++y)
            for (int z = 1; z <= 2; ++z) EXPECT_EQ(m.GetVal(x, y, z, 1), orig.GetVal(x + 1, y, z + 1, 2));

    // Resample of 5 columns by 2 gives 3; with Average the last new column holds half of
    // old column 5.
    m.Assign(&orig);
    m.Resample(2, 0, 1, 0, 1, 0, 1, 0, true);
    ASSERT_EQ(m.NrOfColumns(), 3);
    EXPECT_DOUBLE_EQ(m.GetVal(3, 2, 3, 2), orig.GetVal(5, 2, 3, 2) / 2);
    EXPECT_DOUBLE_EQ(m.GetVal(2, 1, 1, 1), (orig.GetVal(3, 1, 1, 1) + orig.GetVal(4, 1, 1, 1)) / 2);
    m.Assign(&orig);
    m.Resample(2, 3, 3, 1, 2, 0, 1, 0, false);  // offset 3 mod 2 = 1
    ASSERT_EQ(std::vector<int>({m.NrOfColumns(), m.NrOfRows(), m.NrOfLayers(), m.NrOfTimeSlots()}),
              std::vector<int>({2, 1, 2, 2}));
    EXPECT_EQ(m.GetVal(2, 1, 2, 2), orig.GetVal(4, 2, 3, 2));
    m.Assign(&orig);
    m.Resample(9, 7, 1, 0, 1, 0, 1, 0, true);  // offset beyond the extent: one empty cell
    EXPECT_EQ(m.NrOfColumns(), 1);
    EXPECT_EQ(m.GetVal(1, 1, 1, 1), 0.0);

    // Transpose of 3 x 2 x 1 x 1: new (2, 1) = old (1, 2).
    TMat4D t;
    t.Resize(3, 2, 1, 1);
    for (int x = 1; x <= 3; ++x)
        for (int y = 1; y <= 2; ++y) t.SetVal(x, y, 1, 1, 10 * x + y);
    EXPECT_TRUE(t.Transpose());
    ASSERT_EQ(t.NrOfColumns() * 10 + t.NrOfRows(), 23);
    EXPECT_EQ(t.GetVal(2, 1, 1, 1), 12.0);
    EXPECT_EQ(t.GetVal(2, 3, 1, 1), 32.0);
    // Twice is the identity on a larger stack (more than one group of columns).
    FillStack(m, 19, 6, 2, 3, 4, true);
    orig.Assign(&m);
    m.Transpose();
    m.Transpose();
    EXPECT_EQ(m.CRCofData(), orig.CRCofData());

    // Mirrors: each is an involution, and reverses its dimension.
    m.MirrorColumns();
    EXPECT_EQ(m.GetVal(1, 2, 1, 3), orig.GetVal(19, 2, 1, 3));
    m.MirrorRows();
    EXPECT_EQ(m.GetVal(1, 1, 1, 3), orig.GetVal(19, 6, 1, 3));
    m.MirrorLayers();
    m.MirrorTimeSlots();
    EXPECT_EQ(m.GetVal(1, 1, 1, 1), orig.GetVal(19, 6, 2, 3));
    m.MirrorColumns();
    m.MirrorRows();
    m.MirrorLayers();
    m.MirrorTimeSlots();
    EXPECT_EQ(m.CRCofData(), orig.CRCofData());
}

TEST(Mat4DCore, TransposeStopsAtAnAbort) {
    TMat4D m;
    FillStack(m, 20, 3, 1, 1, 8, true);
    AbortMathProc = true;
    EXPECT_TRUE(m.Transpose());
    AbortMathProc = false;
    EXPECT_EQ(m.NrOfColumns(), 3);  // still transposed in shape
    EXPECT_EQ(m.Sum(0, 0, 0, 0, 0, 0, 0, 0), 0.0);
}

TEST(Mat4DCore, CopiesBetweenContainers) {
    TMat4D m;
    m.SetName("stack");
    FillStack(m, 4, 3, 3, 2, 31, true);
    TMatrix mat;
    m.CopyLayerToMatrix(&mat, 2, 3, 0, 0, 2, 2);
    ASSERT_EQ(mat.NrOfColumns() * 10 + mat.NrOfRows(), 23);
    EXPECT_EQ(mat.GetVal(2, 3), m.GetVal(3, 3, 2, 2));
    try {
        m.CopyLayerToMatrix(&mat, 0, 0, 0, 0, 4, 3);
        FAIL();
    } catch (const EOZMMatrixError& e) {
        EXPECT_STREQ(e.what(), "Component \"stack\": specified layer beyond data range");
    }
    try {
        m.CopyMatrixToLayer(&mat, 0, 0, 0, 0, 1, 0, 1, 1);
        FAIL();
    } catch (const EOZMMatrixError& e) {
        EXPECT_STREQ(e.what(), "Component \"stack\": specified time slot beyond data range");
    }
    TDouble2DArray arr;
    EXPECT_EQ(m.CopyLayerToArray(arr, 0, 0, 2, 3, 9, 9), -2);
    EXPECT_EQ(m.CopyLayerToArray(arr, 0, 0, 2, 3, 9, 1), -1);
    ASSERT_EQ(m.CopyLayerToArray(arr, 0, 0, 2, 3, 1, 1), 0);
    ASSERT_EQ(arr.size(), 4u);
    EXPECT_EQ(arr[3][1], m.GetVal(4, 3, 1, 1));

    // Matrix into a layer at an offset: cells beyond the layer are dropped.
    TMat4D n;
    n.Resize(4, 3, 3, 2);
    mat.Resize(3, 3);
    mat.Fill(6.0);
    n.CopyMatrixToLayer(&mat, 0, 0, 0, 0, 3, 2, 3, 2);
    EXPECT_EQ(n.Sum(0, 0, 0, 0, 3, 3, 2, 2), 6.0 * 2 * 2);
    EXPECT_EQ(n.GetVal(3, 2, 3, 2), 6.0);
    EXPECT_EQ(n.CopyArrayToLayer(arr, 2, 0, 1, 1), 0);  // row 0: the first array row is dropped
    EXPECT_EQ(n.GetVal(2, 1, 1, 1), arr[0][1]);

    // Time slot to a TMat3D and back.
    TMat3D cube;
    m.CopyTimeSlotToMat3D(&cube, 2, 4, 1, 2, 2, 3, 2);
    ASSERT_EQ(cube.NrOfColumns() * 100 + cube.NrOfRows() * 10 + cube.NrOfLayers(), 322);
    EXPECT_EQ(cube.GetVal(3, 2, 2), m.GetVal(4, 2, 3, 2));
    n.Fill(0);
    n.CopyMat3DToTimeSlot(&cube, 0, 0, 0, 0, 0, 0, 1, 2, 2, 2);
    EXPECT_EQ(n.GetVal(4, 3, 3, 1), m.GetVal(4, 2, 3, 2));
    EXPECT_EQ(n.Sum(0, 0, 0, 0, 0, 0, 2, 2), 0.0);
    TDouble3DArray a3;
    EXPECT_EQ(m.CopyTimeSlotToArray(a3, 0, 0, 0, 0, 0, 0, 3), -1);
    ASSERT_EQ(m.CopyTimeSlotToArray(a3, 0, 0, 0, 0, 2, 3, 1), 0);
    EXPECT_EQ(a3[3][2][1], m.GetVal(4, 3, 3, 1));
    EXPECT_EQ(n.CopyArrayToTimeSlot(a3, 0, 4, 0, 0, 0, 0, 3, 0, 0, 0), -7);
    EXPECT_EQ(n.CopyArrayToTimeSlot(a3, 0, 4, 0, 0, 0, 0, 1, 1, 1, 1), -1);
    ASSERT_EQ(n.CopyArrayToTimeSlot(a3, 1, 3, 0, 0, 1, 1, 2, 1, 1, 3), 0);
    EXPECT_EQ(n.GetVal(1, 2, 3, 2), a3[1][1][1]);
    EXPECT_EQ(n.GetVal(3, 3, 3, 2), a3[3][2][1]);

    // Pixels along the layers.
    TVector v;
    v.Resize(10);
    for (int e = 1; e <= 10; ++e) v.SetVal(e, e);
    TMat4D deep;
    deep.Resize(2, 2, 10, 1);
    EXPECT_EQ(deep.CopyVectorToPixel(&v, 3, 3, 11, 2), -4);
    ASSERT_EQ(deep.CopyVectorToPixel(&v, 2, 1, 5, 1), 0);
    EXPECT_EQ(deep.GetVal(2, 1, 4, 1), 0.0);
    EXPECT_EQ(deep.GetVal(2, 1, 5, 1), 1.0);
    EXPECT_EQ(deep.GetVal(2, 1, 10, 1), 6.0);
    TDoubleArray px;
    EXPECT_EQ(deep.CopyPixelTo1DArray(px, 2, 3, 1), -2);
    ASSERT_EQ(deep.CopyPixelTo1DArray(px, 2, 1, 1), 0);
    EXPECT_EQ(px.size(), 10u);
    EXPECT_EQ(px[9], 6.0);
    TVector back;
    ASSERT_EQ(deep.CopyPixelToVector(&back, 2, 1, 1), 0);
    EXPECT_EQ(back.NrOfElem(), 10);
    EXPECT_EQ(back.GetVal(6), 2.0);

    // CopyFrom within one matrix with overlapping blocks reads the block before writing.
    TMat4D s;
    FillStack(s, 6, 1, 1, 1, 2, true);
    TMat4D ref;
    ref.Assign(&s);
    ChangeCounter changes(s);
    s.CopyFrom(&s, 1, 4, 0, 0, 0, 0, 0, 0, 3, 1, 1, 1);
    EXPECT_EQ(changes.count, 1);
    for (int x = 3; x <= 6; ++x) EXPECT_EQ(s.GetVal(x, 1, 1, 1), ref.GetVal(x - 2, 1, 1, 1));

    // Free routines.
    TMatrix fm;
    matrix::CopyArr3DLayerToMatrix(a3, fm, 1, 2, 0, 2, 1);
    ASSERT_EQ(fm.NrOfColumns() * 10 + fm.NrOfRows(), 23);
    EXPECT_EQ(fm.GetVal(2, 3), a3[2][2][1]);
    TDouble2DArray d2;
    matrix::CopyArr3DLayerToArr2D(a3, d2, 2, 5, 0, 0, 0);  // columns beyond the array read 0
    ASSERT_EQ(d2.size(), 4u);
    EXPECT_EQ(d2[1][0], a3[3][0][0]);
    EXPECT_EQ(d2[3][0], 0.0);
    matrix::CopyMatrixToArray(fm, d2, 2, 3, 3, 4);
    EXPECT_EQ(d2[0][0], fm.GetVal(2, 3));
    EXPECT_EQ(d2[1][1], 0.0);
}

TEST(Mat4DCore, AssignCloneAndErrors) {
    TMat4D a, b;
    FillStack(a, 3, 3, 2, 2, 3, true);
    a.SetDataID("id");
    int fired = 0;
    a.OnChange = [&](TObject*) { ++fired; };
    b.Assign(&a);
    EXPECT_EQ(b.DataID(), "id");
    EXPECT_EQ(b.CRCofData(), a.CRCofData());
    EXPECT_EQ(fired, 0);
    b.Fill(1.0);  // the handler came along
    EXPECT_EQ(fired, 1);
    TMat4D c;
    const double before = ProcStat.load();
    c.Clone(&a);
    EXPECT_EQ(c.CRCofData(), a.CRCofData());
    EXPECT_EQ(c.DataID(), "");
    EXPECT_EQ(ProcStat.load() - before, 9.0);  // 9 positions: a step per position
    TMatrix m;
    EXPECT_THROW(c.Assign(&m), EConvertError);
    TMat3D cube;
    EXPECT_THROW(cube.Assign(&c), EConvertError);
}

}  // namespace
}  // namespace ozm
