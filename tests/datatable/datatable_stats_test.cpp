// TDataTable statistics on Fisher's iris table against numpy (scripts/gen_datatable_refs.py), the
// cell selections, sorting and exchanging with their events, and Serialize.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "datatable_test_support.hpp"
#include "ozm/base/globals.hpp"
#include "ozm/vector.hpp"

namespace ozm {
namespace {

using Events = std::vector<std::string>;
using ozm::testing::EventLog;
using ozm::testing::LoadIris;
using ozm::testing::Ref;

// Sums of 150 values of a few units: the order of summation moves the result by a few ulps of
// the sum; moments and correlations are a few such sums combined.
constexpr double kSumTol = 1e-13;
double Near(double ref) { return kSumTol * std::max(1.0, std::fabs(ref)); }

TEST(DataTableStats, IrisDescriptiveStatisticsAgainstNumpy) {
    TDataTable t;
    LoadIris(t);
    for (int c = 1; c <= 4; ++c) {
        const std::string k = std::to_string(c);
        double mean, var, lo, hi, sum, q1, q2, q3;
        int n;
        EXPECT_EQ(t.MeanVarOfNumCells(c, 0, c, 0, mean, var), 150);
        EXPECT_NEAR(mean, Ref("mean_" + k), Near(Ref("mean_" + k)));
        EXPECT_NEAR(var, Ref("var_" + k), Near(Ref("var_" + k)));
        EXPECT_EQ(t.MinMaxOfNumCells(c, 1, c, 150, lo, hi), 150);
        EXPECT_EQ(lo, Ref("min_" + k));
        EXPECT_EQ(hi, Ref("max_" + k));
        EXPECT_EQ(t.SumOfNumCells(c, 1, c, 150, sum), 150);
        EXPECT_NEAR(sum, Ref("sum_" + k), Near(Ref("sum_" + k)));
        t.SumOfSquaredNumCells(c, 1, c, 150, sum);
        EXPECT_NEAR(sum, Ref("sumsq_" + k), Near(Ref("sumsq_" + k)));
        EXPECT_TRUE(t.QuartilesOfNumCells(c, 1, c, 150, q1, q2, q3, n));
        EXPECT_NEAR(q1, Ref("q1_" + k), Near(q1));
        EXPECT_NEAR(q2, Ref("q2_" + k), Near(q2));
        EXPECT_NEAR(q3, Ref("q3_" + k), Near(q3));
        for (const char* p : {"0", "10", "33.3", "50", "90", "100"}) {
            const double ref = Ref(std::string("pct_") + p + "_" + k);
            EXPECT_NEAR(t.PercentileOfNumCells(std::stod(p), c, 1, c, 150, n), ref, Near(ref)) << p;
        }
        EXPECT_NEAR(t.GeometricMeanOfNumCells(c, 1, c, 150, n), Ref("geo_" + k), Near(Ref("geo_" + k)));
        EXPECT_NEAR(t.HarmonicMeanOfNumCells(c, 1, c, 150, n), Ref("harm_" + k), Near(Ref("harm_" + k)));
    }
    double mean, var;
    // The species column is nominal: the whole table gives the four measurements only.
    EXPECT_EQ(t.MeanVarOfNumCells(0, 0, 0, 0, mean, var), 600);
    EXPECT_NEAR(mean, Ref("mean_all"), Near(Ref("mean_all")));
    EXPECT_NEAR(var, Ref("var_all"), Near(Ref("var_all")));
    EXPECT_EQ(t.CountNumCells(0, 0, 0, 0), 600);
    EXPECT_EQ(t.CountValidCells(0, 0, 0, 0), 750);

    // Marked cells: the versicolor rows.
    for (int r = 1; r <= 150; ++r)
        if (t.GetElemNominal(5, r) == "versicolor")
            for (int c = 1; c <= 5; ++c) t.SetCellState(c, r, datatable::csMark1);
    EXPECT_EQ(t.MeanVarOfMarkedCells(1, 1, 1, 150, datatable::csMark1, mean, var), 50);
    EXPECT_NEAR(mean, Ref("marked_mean"), Near(mean));
    EXPECT_NEAR(var, Ref("marked_var"), Near(var));
    double lo, hi;
    EXPECT_EQ(t.MinMaxOfMarkedCells(5, 0, 5, 0, datatable::csMark1, lo, hi), 50);  // any scale
    EXPECT_EQ(lo, 2.0);
    EXPECT_EQ(t.MeanVarOfMarkedCells(5, 0, 5, 0, datatable::csMark1, mean, var), 0);
    EXPECT_EQ(t.MinMaxOfNumCells(5, 0, 5, 0, lo, hi), 0);
    TVector v;
    EXPECT_EQ(t.CopyCellsToVector(1, 0, 2, 0, datatable::csMark1, &v), 100);
    EXPECT_EQ(v.NrOfElem(), 100);
    EXPECT_EQ(v.GetVal(51), t.GetElem(2, 51));
}

TEST(DataTableStats, SmallSelectionsAndDefinedResults) {
    TDataTable t;
    t.Resize(2, 4);
    for (int r = 1; r <= 4; ++r) t.SetElem(1, r, r);
    double mean, var, q1, q2, q3;
    int n;
    EXPECT_EQ(t.MeanVarOfNumCells(1, 1, 1, 2, mean, var), 2);
    EXPECT_EQ(var, 1.0);  // fewer than three cells
    t.QuartilesOfNumCells(1, 0, 1, 0, q1, q2, q3, n);
    EXPECT_EQ(q1, 1.25);
    EXPECT_EQ(q2, 2.5);
    EXPECT_EQ(q3, 3.75);
    t.SetIsEmpty(1, 2, true);
    EXPECT_EQ(t.CountEmptyCells(0, 0, 0, 0), 1);
    EXPECT_EQ(t.CountNumCells(1, 0, 1, 0), 3);
    EXPECT_EQ(t.GeometricMeanOfNumCells(2, 0, 2, 0, n), 0.0);  // zeros
    EXPECT_EQ(n, 0);
    t.SetElem(2, 3, -1);
    EXPECT_THROW(t.GeometricMeanOfNumCells(2, 0, 2, 0, n), EOZMMatrixError);
    EXPECT_THROW(t.HarmonicMeanOfNumCells(2, 0, 2, 0, n), EOZMMatrixError);
    t.SetMScaleType(1, TMScaleType::stOrdinal);
    EXPECT_EQ(t.PercentileOfNumCells(50, 1, 0, 1, 0, n), 0.0);
    EXPECT_EQ(n, 0);
    EXPECT_THROW(t.StandardizeNumCellRows(nullptr, nullptr), EOZMDataTableError);
    try {
        t.MeanCenterNumCellRows(nullptr);
    } catch (const EOZMDataTableError& e) {
        EXPECT_EQ(e.message(),
                  "mean centering of rows is not possible with nominal or ordinal variables");
    }
    double v1, v2;
    EXPECT_FALSE(t.CheckDichotomousColumn(1, v1, v2));
    t.Resize(2, 4);
    for (int r = 1; r <= 4; ++r) t.SetElem(2, r, r % 2 ? 7 : -3);
    EXPECT_TRUE(t.CheckDichotomousColumn(2, v1, v2));
    EXPECT_EQ(v1, -3.0);
    EXPECT_EQ(v2, 7.0);
    EXPECT_FALSE(t.IsConstantColumn(2));
    EXPECT_EQ(t.FillMarkedCells(5, datatable::csEmpty), 1);
    EXPECT_EQ(t.GetElem(1, 2), 5.0);
}

TEST(DataTableStats, CovarianceModesAgainstNumpy) {
    TDataTable t;
    LoadIris(t);
    TMatrix cov;
    cov.Resize(4, 4);
    const double before = ProcStat.load();
    for (int mode = 0; mode <= 4; ++mode) {
        ASSERT_TRUE(t.CalcCovar(&cov, 1, 4, 0, 0, mode));
        for (int a = 1; a <= 4; ++a)
            for (int b = 1; b <= 4; ++b) {
                const double ref = Ref("cov" + std::to_string(mode) + "_" + std::to_string(a) +
                                       "_" + std::to_string(b));
                EXPECT_NEAR(cov.GetVal(a, b), ref, 1e-12 * std::max(1.0, std::fabs(ref)))
                    << mode << " " << a << " " << b;
            }
    }
    EXPECT_EQ(ProcStat.load() - before, 4 * 5 + 4 * 4);  // one step per column, twice for modes >= 1
    TMatrix small;
    small.Resize(3, 4);
    EXPECT_FALSE(t.CalcCovar(&small, 1, 4, 0, 0, 1));

    // Pairwise deletion on missing cells.
    for (int c = 1; c <= 4; ++c)
        for (int r = 1; r <= 150; ++r)
            if ((r * (c + 3)) % 11 == 0) t.SetIsEmpty(c, r, true);
    for (int mode : {1, 2}) {
        ASSERT_TRUE(t.CalcCovar(&cov, 1, 4, 0, 0, mode));
        for (int a = 1; a <= 4; ++a)
            for (int b = 1; b <= 4; ++b) {
                const double ref = Ref((mode == 1 ? "pair_cov_" : "pair_r_") + std::to_string(a) +
                                       "_" + std::to_string(b));
                EXPECT_NEAR(cov.GetVal(a, b), ref, 1e-12 * std::max(1.0, std::fabs(ref)));
            }
    }
    // An abort from the feedback procedure stops the computation with false.
    MathFeedBackProc = [](double) { AbortMathProc = true; };
    EXPECT_FALSE(t.CalcCovar(&cov, 1, 4, 0, 0, 2));
    MathFeedBackProc = nullptr;
    AbortMathProc = false;
}

TEST(DataTableStats, ContingencyTableAndCategoryScan) {
    TDataTable t;
    LoadIris(t);
    t.InsertColumn(6);
    t.SetMScaleType(6, TMScaleType::stOrdinal);
    for (int r = 1; r <= 150; ++r) {
        const double pl = t.GetElem(3, r);
        t.SetElem(6, r, pl < 2.5 ? 1 : pl < 5.0 ? 2 : 3);
    }
    TInt2DArray ct;
    ASSERT_EQ(t.CreateContingencyTable(5, 6, 0, 0, ct), 0);
    ASSERT_EQ(ct.size(), 4u);
    ASSERT_EQ(ct[0].size(), 4u);
    int grand = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(ct[i][j], Ref("ct_" + std::to_string(i + 1) + "_" + std::to_string(j + 1)));
            grand += ct[i][j];
        }
    EXPECT_EQ(ct[3][3], 150);
    EXPECT_EQ(grand, 150);
    EXPECT_EQ(ct[3][1], ct[0][1] + ct[1][1] + ct[2][1]);  // totals of row 2 in the last column
    EXPECT_EQ(ct[1][3], 50);                              // versicolor in the last row
    EXPECT_EQ(t.CreateContingencyTable(5, 1, 0, 0, ct), -2);
    EXPECT_EQ(t.CreateContingencyTable(5, 9, 0, 0, ct), -1);
    t.SetElem(6, 1, 0);  // a category outside 1..150: left out
    ASSERT_EQ(t.CreateContingencyTable(5, 6, 0, 0, ct), -3);
    EXPECT_EQ(ct[3][3], 149);
    TIntArray ord;
    EXPECT_EQ(t.ScanForCatValues(6, 0, 0, ord), 1);
    EXPECT_EQ(ord[1], Ref("ct_2_2") + Ref("ct_3_2"));
    EXPECT_EQ(t.ScanForCatValues(1, 0, 0, ord), 0);
}

TEST(DataTableStats, StandardizeAndCenter) {
    TDataTable t;
    LoadIris(t);
    TVector means, sds;
    means.Resize(5);
    sds.Resize(5);
    EventLog log(t);
    t.StandardizeNumCellColumns(&means, &sds);
    EXPECT_EQ(log.Take(), Events{"data"});
    for (int c = 1; c <= 4; ++c) {
        EXPECT_NEAR(means.GetVal(c), Ref("mean_" + std::to_string(c)), 1e-13);
        for (int r : {1, 77, 150}) {
            const double ref = Ref("std_" + std::to_string(c) + "_" + std::to_string(r));
            EXPECT_NEAR(t.GetElem(c, r), ref, 1e-12);
        }
    }
    EXPECT_EQ(t.GetElem(5, 1), 1.0);  // the nominal column is left alone
    TDataTable rows;
    rows.Resize(3, 2);
    for (int c = 1; c <= 3; ++c) rows.SetElem(c, 1, c);
    rows.SetIsEmpty(3, 2, true);
    rows.SetElem(3, 2, 99);
    rows.MeanCenterNumCellRows(&means);
    EXPECT_EQ(rows.GetElem(1, 1), -1.0);
    EXPECT_EQ(rows.GetElem(3, 1), 1.0);
    EXPECT_EQ(rows.GetElem(3, 2), 99.0);  // an empty cell is not a number
}

TEST(DataTableStats, SortingMovesStatesNamesAndFiresEvents) {
    TDataTable t;
    t.Resize(2, 5);
    const double key[] = {3, 1, 2, 5, 4};
    for (int r = 1; r <= 5; ++r) {
        t.SetElem(1, r, key[r - 1]);
        t.SetElem(2, r, 10 * key[r - 1]);
        t.SetCellState(2, r, static_cast<uint8_t>(key[r - 1]));
        t.SetRowName(r, "k" + std::to_string(static_cast<int>(key[r - 1])));
        t.SetRowAttrib(r, static_cast<int>(key[r - 1]));
    }
    int exchanges = 0;
    t.OnSortExchange = [&](TObject* s, uint8_t what, int, int, int, int) {
        EXPECT_EQ(s, &t);
        EXPECT_EQ(what, kExchangeRows);
        ++exchanges;
    };
    EventLog log(t);
    t.SortRows(1, true, 0, 0, 0, 0, true);
    EXPECT_GT(exchanges, 0);
    EXPECT_EQ(log.Take(), (Events{"data", "states", "names", "attrib"}));
    for (int r = 1; r <= 5; ++r) {
        EXPECT_EQ(t.GetElem(1, r), r);
        EXPECT_EQ(t.GetElem(2, r), 10 * r);
        EXPECT_EQ(t.GetCellState(2, r), r);
        EXPECT_EQ(t.GetRowName(r), "k" + std::to_string(r));
    }
    t.SortRows(2, false, 0, 0, 0, 0, false);  // names stay
    EXPECT_EQ(t.GetElem(1, 1), 5.0);
    EXPECT_EQ(t.GetCellState(2, 1), 5);
    EXPECT_EQ(t.GetRowName(1), "k1");
    log.Take();
    t.SortRowAttributes(true, 0, 0, 0, 0);  // attributes still follow the original keys
    EXPECT_EQ(log.Take(), (Events{"data", "attrib", "states"}));
    EXPECT_EQ(t.GetRowAttrib(1), 1);
    EXPECT_EQ(t.GetRowName(1), "k1");
    EXPECT_EQ(t.GetElem(1, 1), 5.0);  // moved with the row
    t.SetRowName(3, "B");
    t.SetRowName(4, "a");
    t.SortRowNames(true, true, 0, 3, 0, 4);
    EXPECT_EQ(t.GetRowName(3), "a");
    t.SortRowNames(true, 0, 3, 0, 4);  // case-sensitive: "B" < "a"
    EXPECT_EQ(t.GetRowName(3), "B");

    t.SetMScaleType(2, TMScaleType::stNominal);
    t.SetNominalID(2, 1, "x");
    log.Take();
    t.ExchangeColumns(1, 2);
    EXPECT_EQ(log.Take(), (Events{"data", "states", "attrib", "names", "setup"}));
    EXPECT_EQ(t.GetNominalID(1, 1), "x");
    t.ExchangeColumns(1, 3);  // invalid: nothing
    EXPECT_TRUE(log.Take().empty());
    const double first = t.GetElem(2, 1), last = t.GetElem(2, 5);
    t.MirrorRows();
    EXPECT_EQ(t.GetElem(2, 1), last);
    EXPECT_EQ(t.GetElem(2, 5), first);
    EXPECT_EQ(log.Take().size(), 5u);
}

TEST(DataTableStats, CopiesBetweenTablesAndArrays) {
    TDataTable a;
    a.Resize(3, 5);
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 5; ++r) {
            a.SetElem(c, r, c * 10 + r);
            a.SetCellState(c, r, static_cast<uint8_t>(r));
        }
    TDoubleArray row;
    EXPECT_EQ(a.CopyDataRowToArray(2, row), 0);
    EXPECT_EQ(row, (TDoubleArray{12, 22, 32}));
    EXPECT_EQ(a.CopyDataRowToArray(6, row), -1);
    EXPECT_EQ(a.CopyDataColumnFromArray(1, {1, 2}), 0);
    EXPECT_EQ(a.GetElem(1, 2), 2.0);
    EXPECT_EQ(a.GetElem(1, 3), 13.0);
    TDouble2DArray all;
    a.CopyDataToArray(all);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[2][4], 35.0);
    EXPECT_EQ(a.CopyDataFromArray(TInt2DArray{{7}}), -1);
    EXPECT_EQ(a.GetElem(1, 1), 7.0);

    TDataTable b;
    b.Resize(2, 2);
    EventLog log(b);
    b.CopyFrom(&a, 2, 4, 3, 9, 2, 1);  // rows clamped to 4..5; column 3 falls outside b
    EXPECT_EQ(log.Take(), (Events{"data", "states"}));
    EXPECT_EQ(b.GetElem(2, 1), 24.0);
    EXPECT_EQ(b.GetCellState(2, 2), 5);
    EXPECT_EQ(b.GetElem(1, 1), 0.0);
    a.SetFComment("source");
    b.CopyContentsFrom(&a);
    EXPECT_EQ(log.Take(), (Events{"data", "states", "setup", "names", "attrib", "resize 2x2->3x5"}));
    EXPECT_EQ(b.CRCofCellStates(), a.CRCofCellStates());
    EXPECT_EQ(b.NumericData()->CRCofData(), a.NumericData()->CRCofData());
    EXPECT_EQ(b.Comment(), "source");
    TDataTable c;
    EXPECT_FALSE(c.CopyCellStatesFrom(&a));
}

TEST(DataTableStats, SerializeStacksColumns) {
    TDataTable t;
    t.Resize(2, 3);
    t.SetColName(1, "Height");
    t.SetColName(2, "Weight");
    for (int c = 1; c <= 2; ++c)
        for (int r = 1; r <= 3; ++r) t.SetElem(c, r, c * 10 + r);
    t.SetCellState(2, 3, datatable::csEmpty);
    t.SetRowName(2, "second");
    EventLog log(t);
    t.Serialize(true, true);
    EXPECT_EQ(log.Events.back(), "data");
    EXPECT_EQ(std::count(log.Events.begin(), log.Events.end(), "data"), 1);
    ASSERT_EQ(t.NrOfColumns(), 4);
    ASSERT_EQ(t.NrOfRows(), 6);
    EXPECT_EQ(t.GetColName(1), "(column)");
    EXPECT_EQ(t.GetColName(2), "(col. index)");
    EXPECT_EQ(t.GetColName(3), "(row index)");
    EXPECT_EQ(t.GetColName(4), "(data)");
    EXPECT_EQ(t.GetMScaleType(1), TMScaleType::stNominal);
    EXPECT_EQ(t.GetNominalID(1, 1), "1:Height");
    EXPECT_EQ(t.GetNominalID(1, 2), "2:Weight");
    const double data[] = {11, 12, 13, 21, 22, 23};
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(t.GetElem(4, n), data[n - 1]);
        EXPECT_EQ(t.GetElem(1, n), n <= 3 ? 1 : 2);
        EXPECT_EQ(t.GetElem(3, n), (n - 1) % 3 + 1);
        EXPECT_EQ(t.GetCellState(1, n), 0);
    }
    EXPECT_EQ(t.GetCellState(4, 6), datatable::csEmpty);
    EXPECT_EQ(t.GetRowName(5), "second");
    EXPECT_EQ(t.GetMScaleType(4), TMScaleType::stInterval);

    TDataTable plain;
    plain.Resize(3, 2);
    plain.Serialize(false, false);
    EXPECT_EQ(plain.NrOfColumns(), 1);
    EXPECT_EQ(plain.NrOfRows(), 6);
    EXPECT_EQ(plain.GetRowName(3), "R-1");
}

}  // namespace
}  // namespace ozm
