// TMatrix statistics over rectangles, normalisations, sorting, edge vectors and distances.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "matrix_test_support.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm {
namespace {

using testing::ChangeCounter;
using testing::SetColumns;
using testing::SetRows;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(MatrixStats, MeanVarFollowsTheVectorDefinition) {
    TMatrix m;
    SetColumns(m, {{5, 1, 1}, {9, 3, 2}, {0, 0, 3}});
    double mean, var;
    m.MeanVar(1, 1, 1, 1, mean, var);  // [5]
    EXPECT_EQ(mean, 5);
    EXPECT_EQ(var, 1);
    m.MeanVar(1, 2, 2, 2, mean, var);  // row 2 of columns 1..2: [1, 3]
    EXPECT_EQ(mean, 2);
    EXPECT_EQ(var, 1);
    m.MeanVar(3, 0, 3, 0, mean, var);  // column 3: [0, 0, 3]
    EXPECT_EQ(mean, 1);
    EXPECT_EQ(var, 3);
    TMatrix empty;
    empty.Resize(3, 0);
    empty.MeanVar(0, 0, 0, 0, mean, var);
    EXPECT_EQ(mean, 0);
    EXPECT_EQ(var, 0);

    TVector means;
    m.MeanVec(TDims::dimColumns, &means);
    ASSERT_EQ(means.NrOfElem(), 3);
    EXPECT_DOUBLE_EQ(means.GetVal(1), 7.0 / 3);
    m.MeanVec(TDims::dimRows, &means);
    ASSERT_EQ(means.NrOfElem(), 3);
    EXPECT_DOUBLE_EQ(means.GetVal(3), 2.0);  // row 3: [1, 2, 3]
}

TEST(MatrixStats, GeometricAndHarmonicMeans) {
    TMatrix m;
    m.SetName("G");
    SetColumns(m, {{1, 4}, {0, 2}, {-1, 8}});
    EXPECT_DOUBLE_EQ(m.GeometricMean(1, 0, 1, 0), 2.0);
    EXPECT_DOUBLE_EQ(m.HarmonicMean(1, 0, 1, 0), 1.6);
    EXPECT_EQ(m.GeometricMean(2, 0, 2, 0), 0.0);  // a zero cell
    try {
        m.GeometricMean(2, 0, 3, 0);  // the negative cell after the zero still counts
        FAIL() << "no error raised";
    } catch (const EOZMMatrixError& e) {
        EXPECT_STREQ(e.what(), "Component \"G\": negative argument passed to GeometricMean");
    }
    try {
        m.HarmonicMean(0, 0, 0, 0);
        FAIL() << "no error raised";
    } catch (const EOZMMatrixError& e) {
        EXPECT_STREQ(e.what(), "Component \"G\": negative or zero argument passed to HarmonicMean");
    }
}

// Reference values: the sample skewness and excess kurtosis of spreadsheet programs (SKEW and
// KURT) for 3, 4, 5, 2, 3, 4, 5, 6, 4, 7.
TEST(MatrixStats, SkewnessAndKurtosis) {
    TMatrix m;
    SetColumns(m, {{3, 4, 5, 2, 3}, {4, 5, 6, 4, 7}});
    double s, k;
    m.SkewKurtSample(0, 0, 0, 0, s, k);
    EXPECT_NEAR(s, 0.359543, 1e-6);
    EXPECT_NEAR(k, -0.151799637, 1e-8);
    m.SkewKurt(2, 3, 2, 5, s, k);  // three cells (6, 4, 7) are evaluated by the population form
    EXPECT_LT(s, 0.0);
    m.SkewKurtSample(2, 3, 2, 5, s, k);
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(k, 0.0);
    m.SkewKurt(1, 1, 1, 1, s, k);  // one cell
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(k, 0.0);
}

TEST(MatrixStats, QuartilesAndPercentiles) {
    TMatrix m;
    SetColumns(m, {{4, 1, 3, 2}});
    double q1, q2, q3;
    ASSERT_TRUE(m.Quartiles(0, 0, 0, 0, q1, q2, q3));
    EXPECT_EQ(q1, 1.25);
    EXPECT_EQ(q2, 2.5);
    EXPECT_EQ(q3, 3.75);
    ASSERT_TRUE(m.Quartiles(1, 1, 1, 1, q1, q2, q3));
    EXPECT_EQ(q1, 4);
    EXPECT_EQ(q3, 4);
    // Beyond the last pair the upper quartile is the last cell (it once was the one before it).
    ASSERT_TRUE(m.Quartiles(1, 1, 1, 2, q1, q2, q3));
    EXPECT_EQ(q1, 1);
    EXPECT_EQ(q2, 2.5);
    EXPECT_EQ(q3, 4);
    ASSERT_TRUE(m.Quartiles(1, 1, 1, 3, q1, q2, q3));
    EXPECT_EQ(q3, 4);
    // Selection without interpolation.
    EXPECT_EQ(m.Percentile(50, 0, 0, 0, 0), 3);
    EXPECT_EQ(m.Percentile(100, 0, 0, 0, 0), 4);
    EXPECT_EQ(m.Percentile(150, 0, 0, 0, 0), 4);
    EXPECT_EQ(m.Percentile(-3, 0, 0, 0, 0), 1);
    EXPECT_EQ(m.Percentile(50, 0, 0, 0, 0, 4), 3);  // sample as large as the rectangle: exact
    EXPECT_EQ(m.Percentile(50, 0, 0, 0, 0, 0), 3);
    m.SetVal(1, 2, kNaN);  // NaN sorts above every number
    EXPECT_EQ(m.Percentile(0, 0, 0, 0, 0), 2);
    ASSERT_TRUE(m.Quartiles(0, 0, 0, 0, q1, q2, q3));
    EXPECT_EQ(q1, 2.25);

    TMatrix empty;
    empty.Resize(0, 2);
    EXPECT_FALSE(empty.Quartiles(0, 0, 0, 0, q1, q2, q3));
    EXPECT_EQ(empty.Percentile(50, 0, 0, 0, 0), 0.0);
}

TEST(MatrixStats, SampledPercentile) {
    TMatrix m;
    m.Resize(100, 100);
    for (int c = 1; c <= 100; ++c)
        for (int r = 1; r <= 100; ++r) m.SetVal(c, r, (c - 1) * 100 + r);  // 1..10000
    const double median = m.Percentile(50, 0, 0, 0, 0, 4000);
    EXPECT_NEAR(median, 5000, 400);
    // A quantile that falls among the zeros is 0 without a selection.
    for (int c = 1; c <= 100; ++c)
        for (int r = 1; r <= 100; ++r) m.SetVal(c, r, r <= 20 ? -1.0 : (r <= 80 ? 0.0 : 1.0));
    EXPECT_EQ(m.Percentile(50, 0, 0, 0, 0, 2000), 0.0);
    EXPECT_EQ(m.Percentile(5, 0, 0, 0, 0, 2000), -1.0);
    EXPECT_EQ(m.Percentile(95, 0, 0, 0, 0, 2000), 1.0);
}

TEST(MatrixStats, MinMaxHistogramAndCorrelation) {
    TMatrix m;
    m.SetName("C");
    SetColumns(m, {{0.5, 1.5, 2.5}, {-1, 9, 1.7}});
    double lo, hi;
    m.MinMax(0, 0, 0, 0, lo, hi);
    EXPECT_EQ(lo, -1);
    EXPECT_EQ(hi, 9);
    TMatrix empty;
    empty.Resize(2, 0);
    empty.MinMax(0, 0, 0, 0, lo, hi);
    EXPECT_EQ(lo, uc_MaxReal);
    EXPECT_EQ(hi, -uc_MaxReal);

    TIntVector histo;
    int under, over, maxCnt;
    ASSERT_TRUE(m.Histogram(0, 0, 0, 0, 0.0, 2.0, 1.0, &histo, under, over, maxCnt));
    ASSERT_EQ(histo.NrOfElem(), 3);
    EXPECT_EQ(histo.GetVal(1), 1);  // 0.5
    EXPECT_EQ(histo.GetVal(2), 2);  // 1.5, 1.7
    EXPECT_EQ(histo.GetVal(3), 1);  // 2.5 in the last bin [2, 3)
    EXPECT_EQ(under, 1);
    EXPECT_EQ(over, 1);
    EXPECT_EQ(maxCnt, 2);
    EXPECT_FALSE(m.Histogram(0, 0, 0, 0, 0.0, 500.0, 1.0, &histo, under, over, maxCnt));
    EXPECT_TRUE(m.Histogram(0, 0, 0, 0, 0.0, 499.0, 1.0, &histo, under, over, maxCnt));
    EXPECT_EQ(histo.NrOfElem(), 500);
    EXPECT_FALSE(m.Histogram(0, 0, 0, 0, 0.0, 1.0, 0.0, &histo, under, over, maxCnt));
    // 2.4 / 1 rounds down to 3 bins, but the top is 3.4: a cell in [3, 3.4) has no bin and
    // counts as overflow rather than vanishing.
    TMatrix partial;
    SetColumns(partial, {{0.5, 3.2}});
    ASSERT_TRUE(partial.Histogram(0, 0, 0, 0, 0.0, 2.4, 1.0, &histo, under, over, maxCnt));
    ASSERT_EQ(histo.NrOfElem(), 3);
    EXPECT_EQ(histo.GetVal(1) + histo.GetVal(2) + histo.GetVal(3), 1);
    EXPECT_EQ(under, 0);
    EXPECT_EQ(over, 1);

    TMatrix other;
    SetColumns(other, {{2, 4, 6}, {-1, 19, 4.4}});  // 2 x + 1
    EXPECT_NEAR(m.Correlate(&other), 1.0, 1e-15);
    other.SMult(-1);
    EXPECT_NEAR(m.Correlate(&other), -1.0, 1e-15);
    other.Resize(3, 2);
    try {
        m.Correlate(&other);
        FAIL() << "no error raised";
    } catch (const EOZMMatrixError& e) {
        EXPECT_STREQ(e.what(), "Component \"C\": matrices do not match");
    }
    EXPECT_THROW(m.Correlate(nullptr), EOZMMatrixError);

    // Constant matrices have no spread: the rounding residues of the raw sums must not turn
    // into a correlation (0.1 in three cells gave -1 with itself).
    TMatrix flat;
    SetColumns(flat, {{0.1, 0.1, 0.1}});
    EXPECT_EQ(flat.Correlate(&flat), 0.0);
    TMatrix flat2;
    SetColumns(flat2, {{0.7, 0.7, 0.7, 0.7, 0.7, 0.7, 0.7}});
    TMatrix flat1;
    SetColumns(flat1, {{0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1}});
    EXPECT_EQ(flat1.Correlate(&flat2), 0.0);
    TMatrix ramp;
    SetColumns(ramp, {{1, 2, 3, 4, 5, 6, 7}});
    EXPECT_EQ(flat1.Correlate(&ramp), 0.0);
}

TEST(MatrixNormalize, StandardizeQNormalizeAndCenter) {
    TMatrix m;
    SetColumns(m, {{1, 3}, {2, 4}});
    TVector means, sds;
    means.Resize(1);  // not resized: the second mean is dropped
    sds.Resize(2);
    ChangeCounter changes(m);
    m.StandardizeColumns(&means, &sds);
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(m.GetVal(1, 1), -1);  // two cells: variance 1
    EXPECT_EQ(m.GetVal(2, 2), 1);
    EXPECT_EQ(means.NrOfElem(), 1);
    EXPECT_EQ(means.GetVal(1), 2);
    EXPECT_EQ(sds.GetVal(2), 1);

    m.Resize(3, 4);
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 3; ++c) m.SetVal(c, r, r * c);
    m.StandardizeRows(nullptr, nullptr);
    for (int r = 1; r <= 4; ++r) {
        double mean, var;
        m.MeanVar(0, r, 0, r, mean, var);
        EXPECT_NEAR(mean, 0, 1e-15);
        EXPECT_NEAR(var, 1, 1e-14);
    }

    SetColumns(m, {{1, 2, 3, 4, 100}, {7, 7, 7, 7, 7}});
    TVector medians, diffs;
    medians.Resize(2);
    diffs.Resize(2);
    m.QNormalizeColumns(25, &medians, &diffs);
    EXPECT_EQ(medians.GetVal(1), 3);  // rank round(2.5) = 2
    EXPECT_EQ(diffs.GetVal(1), 1);    // 25th: rank round(1.25) = 1 -> 2
    EXPECT_EQ(m.GetVal(1, 5), 97);
    EXPECT_EQ(diffs.GetVal(2), 0);    // constant column stays
    EXPECT_EQ(m.GetVal(2, 1), 7);
    m.QNormalizeRows(0, nullptr, nullptr);
    EXPECT_EQ(m.GetVal(1, 1), -1);  // row 1: [-2, 7], median 7, 0th percentile -2, d = 9
    EXPECT_EQ(m.GetVal(2, 1), 0);

    SetColumns(m, {{1, 2, 3}, {10, 20, 60}});
    TVector centres;
    m.MeanCenterColumns(&centres);
    ASSERT_EQ(centres.NrOfElem(), 2);
    EXPECT_EQ(centres.GetVal(2), 30);
    EXPECT_EQ(m.GetVal(2, 3), 30);
    m.MeanCenterRows(&centres);
    ASSERT_EQ(centres.NrOfElem(), 3);
    EXPECT_EQ(m.GetVal(1, 1) + m.GetVal(2, 1), 0.0);
}

TEST(MatrixSort, RowsByAKeyColumnWithExchangeReports) {
    TMatrix m;
    SetColumns(m, {{3, 1, 4, 1, 5, 9, 2, 6}, {30, 10, 40, 11, 50, 90, 20, 60}, {0, 0, 0, 0, 0, 0, 0, 0}});
    std::vector<double> replay = {0, 30, 10, 40, 11, 50, 90, 20, 60};  // column 2, 1-based
    int events = 0;
    m.OnSortExchange = [&](TObject* sender, uint8_t kind, int i, int j, int first, int last) {
        EXPECT_EQ(sender, &m);
        EXPECT_EQ(kind, kExchangeRows);
        EXPECT_EQ(first, 2);
        EXPECT_EQ(last, 2);
        std::swap(replay[i], replay[j]);
        ++events;
    };
    ChangeCounter changes(m);
    // Key column 1 outside the moved column range 2..2: the key cells move along.
    m.SortRows(1, true, 2, 0, 2, 0);
    EXPECT_EQ(changes.count, 1);
    EXPECT_GT(events, 0);
    for (int r = 1; r < 8; ++r) EXPECT_LE(m.GetVal(1, r), m.GetVal(1, r + 1));
    for (int r = 1; r <= 8; ++r) {
        EXPECT_EQ(m.GetVal(2, r), replay[r]);
        EXPECT_EQ(std::floor(m.GetVal(2, r) / 10), m.GetVal(1, r));  // rows stayed together
    }
    m.OnSortExchange = [&](TObject*, uint8_t, int, int, int, int) { ++events; };
    m.SortRows(2, false, 0, 0, 0, 0);
    EXPECT_EQ(m.GetVal(2, 1), 90);
    EXPECT_EQ(m.GetVal(1, 1), 9);

    changes.count = 0;
    events = 0;
    m.SortRows(1, true, 0, 3, 0, 3);  // one row
    m.SortRows(4, true, 0, 0, 0, 0);  // invalid key column
    EXPECT_EQ(changes.count + events, 0);
}

TEST(MatrixSort, ColumnsByAKeyRow) {
    TMatrix m;
    SetRows(m, {{3, 1, 2}, {30, 10, 20}, {kNaN, 5, 6}});
    int events = 0;
    m.OnSortExchange = [&](TObject*, uint8_t kind, int, int, int first, int last) {
        EXPECT_EQ(kind, kExchangeColumns);
        EXPECT_EQ(first, 1);
        EXPECT_EQ(last, 3);
        ++events;
    };
    m.SortCols(1, true, 0, 0, 0, 0);
    EXPECT_EQ(m.GetVal(1, 1), 1);
    EXPECT_EQ(m.GetVal(1, 2), 10);
    EXPECT_EQ(m.GetVal(3, 2), 30);
    EXPECT_TRUE(std::isnan(m.GetVal(3, 3)));
    EXPECT_GT(events, 0);
    m.SortCols(3, true, 0, 0, 0, 0);  // NaN keys are never exchanged; it must still end
    m.OnSortExchange = nullptr;
    m.SortCols(1, false, 0, 2, 0, 3);  // rows 2..3 move, key row 1 moves along
    EXPECT_EQ(m.GetVal(1, 1), 3);
    EXPECT_EQ(m.GetVal(1, 2), 30);
}

TEST(MatrixEdgeVector, ReductionsPerRowAndColumn) {
    TMatrix m;
    SetRows(m, {{1, -2}, {3, 4}, {5, 9}});  // 3 rows x 2 columns
    TVector v;
    m.EdgeVector(TOrientation::orPerColumn, TEdgeOp::eoMean, &v);
    ASSERT_EQ(v.NrOfElem(), 2);
    EXPECT_EQ(v.GetVal(1), 3);
    EXPECT_DOUBLE_EQ(v.GetVal(2), 11.0 / 3);
    m.EdgeVector(TOrientation::orPerRow, TEdgeOp::eoMin, &v);
    ASSERT_EQ(v.NrOfElem(), 3);
    EXPECT_EQ(v.GetVal(1), -2);
    m.EdgeVector(TOrientation::orPerRow, TEdgeOp::eoMax, &v);
    EXPECT_EQ(v.GetVal(3), 9);
    m.EdgeVector(TOrientation::orPerRow, TEdgeOp::eoSum, &v);
    EXPECT_EQ(v.GetVal(2), 7);
    m.EdgeVector(TOrientation::orPerRow, static_cast<TEdgeOp>(9), &v);  // unknown: unchanged
    EXPECT_EQ(v.GetVal(2), 7);
}

TEST(MatrixDistances, MeasuresBetweenRows) {
    TMatrix m;
    SetRows(m, {{0, 0}, {3, 4}, {1, 2}});
    EXPECT_EQ(m.DistanceOfObjects(TDistMode::dmEuclidean, 1, 2), 5);
    EXPECT_EQ(m.DistanceOfObjects(TDistMode::dmSqrEuclidean, 1, 2), 25);
    EXPECT_EQ(m.DistanceOfObjects(TDistMode::dmCityBlock, 2, 3), 4);
    EXPECT_DOUBLE_EQ(m.DistanceOfObjects(TDistMode::dmTanimoto, 2, 3), 11.0 / (25 + 5 - 11));
    EXPECT_DOUBLE_EQ(m.DistanceOfObjects(TDistMode::dmDice, 2, 3), 22.0 / 30);
    EXPECT_EQ(m.DistanceOfObjects(TDistMode::dmEuclidean, 2, 99), 5);  // outside: zeros
    EXPECT_EQ(m.DistanceOfObjects(TDistMode::dmByEvent, 1, 2), 0);
    m.OnCalcDistance = [&](TObject* sender, int r1, int r2, double& d) {
        EXPECT_EQ(sender, &m);
        EXPECT_EQ(d, 0.0);
        d = r1 * 10 + r2;
    };
    EXPECT_EQ(m.DistanceOfObjects(TDistMode::dmByEvent, 1, 2), 12);
}

TEST(MatrixDistances, DistanceMatrix) {
    TMatrix m, d;
    m.Resize(2, 4);
    m.FillRandomUniform(-1, 1);
    d.Resize(3, 3);
    EXPECT_EQ(m.CalcDistMat(TDistMode::dmEuclidean, &d), -2);
    d.Resize(4, 3);
    EXPECT_EQ(m.CalcDistMat(TDistMode::dmEuclidean, &d), -1);
    EXPECT_EQ(m.CalcDistMat(TDistMode::dmEuclidean, nullptr), -2);
    d.Resize(4, 4);
    d.Fill(7);
    ChangeCounter changes(d);
    ASSERT_EQ(m.CalcDistMat(TDistMode::dmCityBlock, &d), 0);
    EXPECT_EQ(changes.count, 16);  // as through SetVal: diagonal and both triangles
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(d.GetVal(i, i), 0);
        for (int j = i + 1; j <= 4; ++j) {
            EXPECT_EQ(d.GetVal(i, j), d.GetVal(j, i));
            EXPECT_DOUBLE_EQ(d.GetVal(i, j), m.DistanceOfObjects(TDistMode::dmCityBlock, i, j));
        }
    }
    m.OnCalcDistance = [](TObject*, int r1, int r2, double& dist) { dist = r1 + r2; };
    ASSERT_EQ(m.CalcDistMat(TDistMode::dmByEvent, &d), 0);
    EXPECT_EQ(d.GetVal(4, 2), 6);
    // The distance matrix of a square matrix may be the matrix itself.
    TMatrix sq;
    SetRows(sq, {{0, 3}, {4, 0}});
    ASSERT_EQ(sq.CalcDistMat(TDistMode::dmEuclidean, &sq), 0);
    EXPECT_EQ(sq.GetVal(1, 2), 5);
}

}  // namespace
}  // namespace ozm
