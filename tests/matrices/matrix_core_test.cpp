// TMatrix core: sizing, access, copying, fills, structure, element-wise arithmetic, queries,
// fingerprint and events.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "matrix_test_support.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"

namespace ozm {
namespace {

using testing::ChangeCounter;
using testing::SetColumns;

TEST(MatrixCore, CreationDefaults) {
    TMatrix m;
    EXPECT_EQ(m.NrOfColumns(), 1);
    EXPECT_EQ(m.NrOfRows(), 1);
    EXPECT_EQ(m.GetVal(1, 1), 0.0);
    EXPECT_EQ(m.DataID(), "");
    EXPECT_EQ(m.GetFPrecis(1), 15);
    EXPECT_EQ(m.GetFPrecis(2), -1);
    EXPECT_STREQ(m.ClassName(), "TMatrix");
}

TEST(MatrixCore, ResizeKeepsOverlapAndZeroesTheRest) {
    TMatrix m;
    SetColumns(m, {{1, 2}, {3, 4}});  // column 1 = [1, 2], column 2 = [3, 4]
    ChangeCounter changes(m);
    EXPECT_TRUE(m.Resize(3, 1));
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(m.GetVal(1, 1), 1);
    EXPECT_EQ(m.GetVal(2, 1), 3);
    EXPECT_EQ(m.GetVal(3, 1), 0);
    EXPECT_EQ(m.GetVal(1, 2), 0);  // outside now
    EXPECT_TRUE(m.Resize(3, 1));   // same size: no notification
    EXPECT_EQ(changes.count, 1);
    m.SetNRows(-4);
    EXPECT_EQ(m.NrOfRows(), 0);
    EXPECT_EQ(m.NrOfColumns(), 3);
}

TEST(MatrixCore, ZeroDimensionMatrixBehavesAsEmpty) {
    TMatrix m;
    m.Fill(7);
    m.Resize(-2, 3);
    EXPECT_EQ(m.NrOfColumns(), 0);
    EXPECT_EQ(m.NrOfRows(), 3);
    EXPECT_EQ(m.GetVal(1, 1), 0);
    EXPECT_EQ(m.Sum(0, 0, 0, 0), 0);
    EXPECT_EQ(m.Sum(1, 1, 5, 5), 0);
    int c = -1, r = -1;
    m.Find(0, 0, 0, 0, 1.0, c, r);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(r, 0);
    m.Fill(2, 5, 1, 2, 9.0);  // nothing to fill, must not touch storage
    EXPECT_EQ(m.CountValues(0, 0, 0, 0, -1e300, 1e300), 0);
    EXPECT_EQ(m.Norm(TNormType::ntSpectral), 0.0);
    EXPECT_EQ(m.CRCofData(), std::string(64, '0'));  // no cell fed: complemented start values
    m.Resize(2, 3);
    for (int col = 1; col <= 2; ++col)
        for (int row = 1; row <= 3; ++row) EXPECT_EQ(m.GetVal(col, row), 0.0);
}

TEST(MatrixCore, ResizeAndClearAlwaysClearsAndNotifies) {
    TMatrix m;
    SetColumns(m, {{1, 2}, {3, 4}});
    ChangeCounter changes(m);
    EXPECT_TRUE(m.ResizeAndClear(2, 2));
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(m.Sum(0, 0, 0, 0), 0.0);
}

TEST(MatrixCore, ExhaustedMemoryRaisesAndKeepsTheMatrix) {
    TMatrix m;
    m.SetName("Big");
    SetColumns(m, {{1, 2}});
    try {
        m.Resize(INT_MAX, INT_MAX);
        FAIL() << "no error raised";
    } catch (const EOZMMatrixError& e) {
        EXPECT_STREQ(e.what(), "Component \"Big\": not enough memory on heap");
    }
    EXPECT_EQ(m.NrOfColumns(), 1);
    EXPECT_EQ(m.NrOfRows(), 2);
    EXPECT_EQ(m.GetVal(1, 2), 2.0);
}

TEST(MatrixCore, SingleCellAccessOutsideIsIgnored) {
    TMatrix m;
    m.Resize(2, 2);
    ChangeCounter changes(m);
    for (auto [c, r] : {std::pair{0, 1}, {3, 1}, {1, 0}, {1, 3}, {INT_MIN, INT_MAX}}) {
        m.SetVal(c, r, 5.0);
        EXPECT_EQ(m.GetVal(c, r), 0.0);
    }
    EXPECT_EQ(changes.count, 0);
    m.SetVal(2, 1, 5.0);
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(m.Data()[2], 5.0);  // column-major: cell (2, 1) follows column 1
}

TEST(MatrixCore, PrecisionSettingsAreClamped) {
    TMatrix m;
    ChangeCounter changes(m);
    m.SetFPrecis(1, 40);
    m.SetFPrecis(2, -7);
    EXPECT_EQ(m.GetFPrecis(0), 25);
    EXPECT_EQ(m.GetFPrecis(5), -1);
    EXPECT_EQ(changes.count, 0);
}

TEST(MatrixCore, AssignCopiesDataSettingsAndHandlersButNotPercentDone) {
    TMatrix src, dst;
    SetColumns(src, {{1, 2, 3}, {4, 5, 6}});
    src.SetDataID("set-1");
    src.SetFPrecis(1, 4);
    int srcChanges = 0, exchanges = 0, percents = 0;
    src.OnChange = [&](TObject*) { ++srcChanges; };
    src.OnSortExchange = [&](TObject*, uint8_t, int, int, int, int) { ++exchanges; };
    src.OnCalcDistance = [](TObject*, int, int, double& d) { d = 42; };
    src.OnPercentDone = [&](TObject*, int) { ++percents; };
    dst.Assign(&src);
    EXPECT_EQ(srcChanges, 0);
    EXPECT_EQ(dst.NrOfColumns(), 2);
    EXPECT_EQ(dst.GetVal(2, 3), 6.0);
    EXPECT_EQ(dst.DataID(), "set-1");
    EXPECT_EQ(dst.GetFPrecis(1), 4);
    EXPECT_TRUE(dst.OnChange);
    EXPECT_EQ(dst.DistanceOfObjects(TDistMode::dmByEvent, 1, 2), 42.0);
    EXPECT_FALSE(dst.OnPercentDone);
    dst.PercDone(nullptr, 50);
    EXPECT_EQ(percents, 0);
    src.PercDone(&dst, 50);
    EXPECT_EQ(percents, 1);

    TMatrix copy;
    src.AssignTo(&copy);
    EXPECT_EQ(copy.CRCofData(), src.CRCofData());

    TVector v;
    try {
        dst.Assign(&v);
        FAIL() << "no error raised";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TVector to a TMatrix");
    }
}

TEST(MatrixCore, CloneCopiesDataOnlyWithCellNotifications) {
    TMatrix src, dst;
    SetColumns(src, {{1, 2, 3}, {4, 5, 6}});
    src.OnChange = [](TObject*) {};
    ChangeCounter changes(dst);
    dst.Clone(&src);
    // Resize, six cells, and the final notification.
    EXPECT_EQ(changes.count, 1 + 6 + 1);
    EXPECT_EQ(testing::MaxDiff(src, dst), 0.0);
    dst.Clone(nullptr);
    EXPECT_EQ(changes.count, 8);
}

TEST(MatrixCore, CopyFromClampsTheSourceAndDropsOutsideCells) {
    TMatrix src, dst;
    SetColumns(src, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    dst.Resize(3, 3);
    ChangeCounter changes(dst);
    // Source rectangle columns 2..5 (clamped to 3), rows 3..0 (becomes 1..3), placed at (2, 2).
    dst.CopyFrom(&src, 5, 3, 2, 0, 2, 2);
    EXPECT_EQ(dst.GetVal(2, 2), 4);
    EXPECT_EQ(dst.GetVal(3, 3), 8);
    EXPECT_EQ(dst.GetVal(1, 1), 0);
    EXPECT_EQ(changes.count, 4 + 1);  // four cells fell inside, then the final notification
    // (0, 0) is not "all": it becomes the single cell (1, 1).
    dst.CopyFrom(&src, 0, 0, 0, 0, 1, 1);
    EXPECT_EQ(dst.GetVal(1, 1), 1);
    EXPECT_EQ(dst.GetVal(1, 2), 0);
}

TEST(MatrixCore, CopyFromItselfWithOverlapReadsTheOriginal) {
    TMatrix m;
    SetColumns(m, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    m.CopyFrom(&m, 1, 1, 2, 3, 2, 1);  // shift the first two columns one place right
    EXPECT_EQ(m.GetVal(1, 1), 1);
    EXPECT_EQ(m.GetVal(2, 1), 1);
    EXPECT_EQ(m.GetVal(2, 3), 3);
    EXPECT_EQ(m.GetVal(3, 1), 4);
    EXPECT_EQ(m.GetVal(3, 3), 6);
}

TEST(MatrixCore, VectorCopies) {
    TMatrix m;
    m.Resize(5, 3);
    for (int c = 1; c <= 5; ++c)
        for (int r = 1; r <= 3; ++r) m.SetVal(c, r, 10 * c + r);
    TVector v;
    v.Resize(2);
    m.CopyRowToVec(&v, 9, 0, 0);  // row clamped to 3, range cut to the vector's length
    EXPECT_EQ(v.GetVal(1), 13);
    EXPECT_EQ(v.GetVal(2), 23);
    v.Resize(4);
    m.CopyColToVec(&v, 2, 2, 0);  // rows 1..2 of column 2; the rest of the vector zeroed
    EXPECT_EQ(v.GetVal(1), 21);
    EXPECT_EQ(v.GetVal(2), 22);
    EXPECT_EQ(v.GetVal(3), 0);

    TVector src;
    src.Resize(3);
    for (int e = 1; e <= 3; ++e) src.SetVal(e, -e);
    ChangeCounter changes(m);
    m.CopyFromVec(TDims::dimColumns, &src, 0, 0, 5, 1);  // along row 1 from the last column
    EXPECT_EQ(m.GetVal(5, 1), -1);
    EXPECT_EQ(m.GetVal(4, 1), 41);
    EXPECT_EQ(changes.count, 1);
    m.CopyFromVec(&src, 2, 3, 1, 2);  // along column 1 from row 2
    EXPECT_EQ(m.GetVal(1, 2), -2);
    EXPECT_EQ(m.GetVal(1, 3), -3);
    m.CopyFromVec(&src, 0, 0, INT_MAX, INT_MAX);  // far outside: nothing written
    EXPECT_EQ(m.GetVal(5, 3), 53);
}

TEST(MatrixCore, ArrayCopies) {
    TMatrix m;
    SetColumns(m, {{1.5, 2.5, -0.5}, {4, 5, 6}});
    TDouble2DArray d;
    m.CopyToArray(d, 2, 0, 3, 2);  // columns 1..2 (0 becomes 1), rows 2..3
    ASSERT_EQ(d.size(), 2u);
    ASSERT_EQ(d[0].size(), 2u);
    EXPECT_EQ(d[0][0], 2.5);
    EXPECT_EQ(d[1][1], 6);
    TInt2DArray n;
    m.CopyToArray(n, 1, 1, 0, 0);
    ASSERT_EQ(n.size(), 1u);
    EXPECT_EQ(n[0], (TIntArray{2, 2, 0}));  // halves round to even

    // A ragged source: the first inner array sets the row count, shorter ones give what they have.
    TMatrix t;
    t.Resize(3, 3);
    ChangeCounter changes(t);
    t.CopyFromArray(TDouble2DArray{{1, 2}, {3}, {5, 6, 7}}, 2, 2);
    EXPECT_EQ(t.GetVal(2, 2), 1);
    EXPECT_EQ(t.GetVal(2, 3), 2);
    EXPECT_EQ(t.GetVal(3, 2), 3);
    EXPECT_EQ(t.GetVal(3, 3), 0);
    EXPECT_EQ(changes.count, 3);  // one per cell written inside, no final notification
    t.CopyFromArray(TInt2DArray{{9}}, 1, 1);
    EXPECT_EQ(t.GetVal(1, 1), 9);
}

TEST(MatrixCore, Fills) {
    TMatrix m;
    m.Resize(3, 2);
    ChangeCounter changes(m);
    m.FillDiag(1);
    EXPECT_EQ(m.GetVal(1, 1), 1);
    EXPECT_EQ(m.GetVal(2, 2), 1);
    EXPECT_EQ(m.Sum(0, 0, 0, 0), 2);
    m.Fill(3, 2, 0, 0, 4.0);  // columns 2..3, all rows
    EXPECT_EQ(m.GetVal(1, 2), 0);
    EXPECT_EQ(m.GetVal(3, 2), 4);
    EXPECT_EQ(m.GetVal(2, 2), 4);
    EXPECT_EQ(changes.count, 2);

    SetRandSeed(17);
    m.FillRandomUniform(2.0, 3.0);
    double lo, hi;
    m.MinMax(0, 0, 0, 0, lo, hi);
    EXPECT_GE(lo, 2.0);
    EXPECT_LT(hi, 3.0);
    const std::string first = m.CRCofData();
    SetRandSeed(17);
    m.FillRandomUniform(2.0, 3.0);
    EXPECT_EQ(m.CRCofData(), first);  // reproducible through the shared generator

    m.Resize(50, 40);
    m.FillRandomGauss(10.0, 2.0);
    double mean, var;
    m.MeanVar(0, 0, 0, 0, mean, var);
    EXPECT_NEAR(mean, 10.0, 0.3);
    EXPECT_NEAR(std::sqrt(var), 2.0, 0.2);
    m.FillRandomGauss(1, 1, 1, 1, 1e6, 0.0);
    EXPECT_EQ(m.GetVal(1, 1), 1e6);
    EXPECT_NE(m.GetVal(2, 1), 1e6);
}

TEST(MatrixCore, RemoveAndExchange) {
    TMatrix m;
    SetColumns(m, {{1, 2}, {3, 4}, {5, 6}});
    EXPECT_FALSE(m.RemoveColumn(0));
    EXPECT_FALSE(m.RemoveColumn(4));
    EXPECT_TRUE(m.RemoveColumn(1));
    EXPECT_EQ(m.NrOfColumns(), 2);
    EXPECT_EQ(m.GetVal(1, 1), 3);
    EXPECT_EQ(m.GetVal(2, 2), 6);
    EXPECT_TRUE(m.RemoveRow(1));
    EXPECT_EQ(m.NrOfRows(), 1);
    EXPECT_EQ(m.GetVal(1, 1), 4);
    EXPECT_EQ(m.GetVal(2, 1), 6);
    EXPECT_FALSE(m.RemoveRow(1));  // the only row
    EXPECT_TRUE(m.RemoveColumn(2));
    EXPECT_FALSE(m.RemoveColumn(1));  // the only column

    SetColumns(m, {{1, 2, 3}, {4, 5, 6}});
    const std::string before = m.CRCofData();
    ChangeCounter changes(m);
    // Indices outside the matrix: nothing touched, nothing fired.
    m.ExchangeColumns(0, 2);
    m.ExchangeColumns(1, 3);
    m.ExchangeRows(-1, 2);
    m.ExchangeRows(2, 4);
    EXPECT_EQ(m.CRCofData(), before);
    EXPECT_EQ(changes.count, 0);
    m.ExchangeColumns(1, 2);
    m.ExchangeRows(1, 3);
    EXPECT_EQ(m.GetVal(1, 1), 6);
    EXPECT_EQ(m.GetVal(2, 3), 1);
    EXPECT_EQ(changes.count, 2);
    m.MirrorColumns();
    m.MirrorRows();
    EXPECT_EQ(m.CRCofData(), before);  // both exchanges undone by the mirrors
}

TEST(MatrixCore, ElementwiseArithmetic) {
    TMatrix a, b, c;
    SetColumns(a, {{1, 2}, {3, 4}});
    SetColumns(b, {{10, 20}, {30, 40}});
    a.SAdd(1);
    a.SMult(2);
    EXPECT_EQ(a.GetVal(2, 2), 10);
    EXPECT_TRUE(a.Add(&b));
    EXPECT_EQ(a.GetVal(1, 2), 26);
    EXPECT_TRUE(a.Subtract(&b));
    EXPECT_EQ(a.GetVal(1, 2), 6);

    TMatrix wrong;
    wrong.Resize(2, 3);
    const std::string before = a.CRCofData();
    ChangeCounter changes(a);
    EXPECT_FALSE(a.Add(&wrong));
    EXPECT_FALSE(a.Subtract(nullptr));
    EXPECT_FALSE(a.EMult(&wrong, &c));
    EXPECT_FALSE(a.EMult(&b, nullptr));
    EXPECT_EQ(a.CRCofData(), before);
    EXPECT_EQ(changes.count, 0);

    ChangeCounter resChanges(c);
    EXPECT_TRUE(a.EMult(&b, &c));
    EXPECT_EQ(c.GetVal(2, 1), 8 * 30);
    EXPECT_EQ(changes.count, 1);          // the left operand notifies
    EXPECT_EQ(resChanges.count, 1 + 4);  // resize from 1 x 1, then once per cell
    EXPECT_TRUE(a.EMult(&b, &a));         // in place
    EXPECT_EQ(a.GetVal(2, 2), 10 * 40);
}

TEST(MatrixCore, Queries) {
    TMatrix m;
    SetColumns(m, {{0.5, 0.6, 2.0}, {-1.0, 3.0, 2.5}});
    TBool2DArray flags;
    EXPECT_EQ(m.Dichotomize(0.5, flags), 4);
    EXPECT_FALSE(flags[0][0]);
    EXPECT_TRUE(flags[0][1]);
    EXPECT_EQ(m.CountValues(0, 0, 0, 0, 0.5, 2.5), 4);
    EXPECT_EQ(m.CountValues(2, 2, 1, 2, -5, 5), 2);
    int c, r;
    m.Find(0, 0, 0, 0, 2.25, c, r);  // 2.0 and 2.5 tie: the first one found wins
    EXPECT_EQ(c, 1);
    EXPECT_EQ(r, 3);
    m.Find(2, 2, 0, 0, 100, c, r);
    EXPECT_EQ(c, 2);
    EXPECT_EQ(r, 2);
    EXPECT_DOUBLE_EQ(m.Sum(2, 2, 2, 3), 5.5);  // column 2, rows 2..3
    EXPECT_EQ(m.Trace(), 0.0);                  // 2 x 3 is not square
    TMatrix sq;
    SetColumns(sq, {{1, 2}, {3, 4}});
    EXPECT_EQ(sq.Trace(), 5.0);

    TMatrix sorted;
    SetColumns(sorted, {{1, 2, 3, 4}, {4, 3, 2, 1}});
    EXPECT_EQ(sorted.FindInSortedColumn(1, true, 2.5), 3);  // tie goes to the higher row
    EXPECT_EQ(sorted.FindInSortedColumn(1, true, 3.0), 3);
    EXPECT_EQ(sorted.FindInSortedColumn(1, true, -7.0), 1);
    EXPECT_EQ(sorted.FindInSortedColumn(2, false, 1.2), 4);
    EXPECT_EQ(sorted.FindInSortedColumn(0, true, 1.0), 0);  // invalid column: nothing read
    EXPECT_EQ(sorted.FindInSortedColumn(3, true, 1.0), 0);
}

TEST(MatrixCore, FingerprintFollowsStorageOrder) {
    TMatrix m;
    SetColumns(m, {{1, 2}, {3, 4}});
    const std::string crc = m.CRCofData();
    ASSERT_EQ(crc.size(), 64u);
    EXPECT_EQ(crc.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    // The same cells in the same column-major order through the frame's fingerprint.
    const double cells[] = {1, 2, 3, 4};
    EXPECT_EQ(crc, CRCFingerprint(std::span<const double>(cells)));
    m.Transpose();
    EXPECT_NE(m.CRCofData(), crc);
}

}  // namespace
}  // namespace ozm
