// TMemBasedLearner: settings, neighbour search and local models against sklearn and numpy
// (tests/data/membl, scripts/gen_membl_refs.py), the tie rule, result codes and events, the
// neighbour lists of the model objects and the contingency table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "membl_refs.hpp"
#include "ozm/base/constants.hpp"
#include "learning/membl_internal.hpp"
#include "ozm/membl.hpp"

using namespace ozm;
using ozm::testing::FillRefModel;
using ozm::testing::LoadMemblRefs;
using ozm::testing::RefQuery;

namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();
// sklearn's ball tree and the learner sum the same four terms; standardising with means and
// deviations that differ in the last bits moves distances by a few hundred ulps at most.
constexpr double kDistTol = 1024 * kEps;
// Estimates: a mean of up to 12 values (ulps), Gaussian weights evaluated relative to the
// nearest one (the exponent is formed differently), and the regression solved by SVD instead of
// LAPACK's least squares on a well-conditioned 12 x 5 design.
constexpr double kMeanTol = 64 * kEps;
constexpr double kGaussTol = 4096 * kEps;
constexpr double kRegressTol = 1e-9;

void Near(double expected, double actual, double rel, const std::string& what) {
    EXPECT_NEAR(actual, expected, rel * (1.0 + std::fabs(expected))) << what;
}

// Learner over a table given column by column.
void FillColumns(TMemBasedLearner& L, const std::vector<std::vector<double>>& cols) {
    TDataTable& t = *L.ModelData();
    t.Resize(static_cast<int>(cols.size()), static_cast<int>(cols[0].size()));
    for (size_t c = 0; c < cols.size(); ++c)
        for (size_t r = 0; r < cols[c].size(); ++r)
            t.SetElem(static_cast<int>(c) + 1, static_cast<int>(r) + 1, cols[c][r]);
}

}  // namespace

TEST(MemBasedLearner, SettingsRolesAndColumnStatistics) {
    TMemBasedLearner L;
    EXPECT_EQ(L.ModelName(), "undefined");
    EXPECT_EQ(L.NumNearestNb(), 3);
    EXPECT_EQ(L.LocalModel(), TMBLLocalModel::mblLMAverage);
    EXPECT_EQ(L.DistMode(), TMBLDistMode::mblDistEuclid);
    EXPECT_EQ(L.ScalingMode(), TMBLScalingMode::mblUnscaled);

    // k: cut to the rows, then to 100, then raised to 1.
    L.ModelData()->Resize(2, 1000);
    L.SetNumNearestNb(0);
    EXPECT_EQ(L.NumNearestNb(), 1);
    L.SetNumNearestNb(500);
    EXPECT_EQ(L.NumNearestNb(), 100);
    L.ModelData()->Resize(2, 3);
    L.SetNumNearestNb(5);
    EXPECT_EQ(L.NumNearestNb(), 3);

    // Roles live in the column attributes.
    L.ModelData()->Resize(4, 3);
    L.SetAllVars(TMBLVarType::mblVarIndep);
    L.SetVarType(4, TMBLVarType::mblVarTarget);
    L.SetVarType(2, TMBLVarType::mblVarIgnore);
    L.SetVarType(5, TMBLVarType::mblVarTarget);  // outside: ignored
    EXPECT_EQ(L.CountIndependentVars(), 2);
    EXPECT_EQ(L.CountTargetVars(), 1);
    EXPECT_EQ(L.ModelData()->GetColAttrib(4), 2);
    EXPECT_EQ(L.GetVarType(1), TMBLVarType::mblVarIndep);
    EXPECT_EQ(L.GetVarType(0), TMBLVarType::mblVarIgnore);
    EXPECT_EQ(L.GetVarType(9), TMBLVarType::mblVarIgnore);
    L.ModelData()->SetColAttrib(3, 77);
    EXPECT_EQ(L.GetVarType(3), TMBLVarType::mblVarIgnore);

    // Statistics follow cell changes and resizes (which fire no OnChange of the table).
    FillColumns(L, {{1, 2, 3, 6}, {5, 5, 5, 5}});
    const TMatrix& s = L.MeanVarRange();
    ASSERT_EQ(s.NrOfColumns(), 2);
    ASSERT_EQ(s.NrOfRows(), 4);
    EXPECT_DOUBLE_EQ(s.GetVal(1, 1), 3.0);
    EXPECT_DOUBLE_EQ(s.GetVal(1, 2), 14.0 / 3.0);
    EXPECT_DOUBLE_EQ(s.GetVal(1, 3), 1.0);
    EXPECT_DOUBLE_EQ(s.GetVal(1, 4), 6.0);
    EXPECT_DOUBLE_EQ(s.GetVal(2, 2), 0.0);
    L.ModelData()->SetElem(2, 4, 9.0);
    EXPECT_DOUBLE_EQ(L.MeanVarRange().GetVal(2, 1), 6.0);
    L.ModelData()->Resize(3, 4);
    EXPECT_EQ(L.MeanVarRange().NrOfColumns(), 3);

    // The table's progress reaches the learner's handler with the learner as sender.
    TObject* sender = nullptr;
    int percent = -1;
    L.OnPercentDone = [&](TObject* s, int p) { sender = s, percent = p; };
    L.ModelData()->PercDone(nullptr, 40);
    EXPECT_EQ(sender, &L);
    EXPECT_EQ(percent, 40);
}

TEST(MemBasedLearner, NeighboursAndEstimatesMatchSklearn) {
    const auto refs = LoadMemblRefs("knn_refs.txt");
    ASSERT_TRUE(refs.count("model")) << "tests/data/membl/knn_refs.txt missing";
    const auto& model = refs.at("model");
    TMemBasedLearner L;
    FillRefModel(L, model);
    std::vector<int> event_rows;
    std::vector<double> event_dist;
    int events = 0;
    L.OnModelApplied = [&](TObject* Sender, int Tag, const TIntArray& rows, const TDoubleArray& dist,
                           int errnum) {
        EXPECT_EQ(Sender, &L);
        EXPECT_EQ(errnum, 0);
        EXPECT_EQ(Tag, events);
        event_rows.assign(rows.begin(), rows.end());
        event_dist.assign(dist.begin(), dist.end());
        ++events;
    };
    int compared = 0;
    for (const char* metric : {"euclidean", "manhattan"})
        for (const char* scaling : {"unscaled", "standardized"})
            for (int k : {1, 5, 12}) {
                const std::string name =
                    std::string(metric) + "_" + scaling + "_k" + std::to_string(k);
                const auto& ref = refs.at(name);
                L.SetDistMode(metric[0] == 'e' ? TMBLDistMode::mblDistEuclid
                                               : TMBLDistMode::mblDistManhattan);
                L.SetScalingMode(scaling[0] == 'u' ? TMBLScalingMode::mblUnscaled
                                                   : TMBLScalingMode::mblStandardized);
                L.SetNumNearestNb(k);
                for (int q = 0; q < 20; ++q) {
                    const std::string at = name + " query " + std::to_string(q + 1);
                    const TDoubleArray query = RefQuery(model, q);
                    TDoubleArray s = query;
                    L.SetLocalModel(TMBLLocalModel::mblLMAverage);
                    ASSERT_EQ(L.ApplyModel(s, 0, events), 0);
                    Near(ref.at("average")[2 * q], s[3], kMeanTol, at + " average y");
                    Near(ref.at("average")[2 * q + 1], s[5], kMeanTol, at + " average class");
                    EXPECT_EQ(s[0], query[0]) << "independent entries stay";
                    if (q < 3) {
                        const auto& rows = ref.at("nb_rows_q" + std::to_string(q + 1));
                        const auto& dist = ref.at("nb_dist_q" + std::to_string(q + 1));
                        for (size_t i = 0; i < 100; ++i) {
                            ASSERT_EQ(event_rows[i], static_cast<int>(rows[i])) << at << " place " << i;
                            Near(dist[i], event_dist[i], kDistTol, at + " distance");
                        }
                        EXPECT_EQ(L.CalcDist(query, event_rows[7]), event_dist[7]);
                        if (metric[0] == 'e') {
                            // Mahalanobis is computed exactly as Euclidean.
                            L.SetDistMode(TMBLDistMode::mblDistMahalanobis);
                            const std::vector<double> euclid = event_dist;
                            TDoubleArray m = query;
                            ASSERT_EQ(L.ApplyModel(m, 0, events), 0);
                            EXPECT_EQ(event_dist, euclid);
                            EXPECT_EQ(m[3], s[3]);
                            L.SetDistMode(TMBLDistMode::mblDistEuclid);
                        }
                    }
                    s = query;
                    L.SetLocalModel(TMBLLocalModel::mblLMWgtGauss);
                    ASSERT_EQ(L.ApplyModel(s, 0, events), 0);
                    Near(ref.at("gauss")[2 * q], s[3], kGaussTol, at + " gauss y");
                    Near(ref.at("gauss")[2 * q + 1], s[5], kGaussTol, at + " gauss class");
                    s = query;
                    L.SetLocalModel(TMBLLocalModel::mblLMMajority);
                    ASSERT_EQ(L.ApplyModel(s, 0, events), 0);
                    if (ref.at("vote_tied")[q] == 0.0) {
                        EXPECT_EQ(s[5], ref.at("vote")[q]) << at << " vote";
                        ++compared;
                    }
                    if (k == 12) {
                        s = query;
                        L.SetLocalModel(TMBLLocalModel::mblLMRegress);
                        ASSERT_EQ(L.ApplyModel(s, 0, events), 0);
                        Near(ref.at("regress")[2 * q], s[3], kRegressTol, at + " regress y");
                        Near(ref.at("regress")[2 * q + 1], s[5], kRegressTol, at + " regress class");
                    }
                }
            }
    EXPECT_GT(compared, 200);
}

TEST(MemBasedLearner, TieRuleResultCodesAndEvents) {
    // Objects on a line at 0, 1, 1, 3, -1 with target 10 * row; the query at 0.
    TMemBasedLearner L;
    FillColumns(L, {{0, 1, 1, 3, -1}, {10, 20, 30, 40, 50}});
    L.SetVarType(1, TMBLVarType::mblVarIndep);
    L.SetVarType(2, TMBLVarType::mblVarTarget);
    std::vector<int> rows, codes;
    std::vector<double> dist;
    L.OnModelApplied = [&](TObject*, int, const TIntArray& r, const TDoubleArray& d, int e) {
        rows.assign(r.begin(), r.end());
        dist.assign(d.begin(), d.end());
        codes.push_back(e);
    };
    TDoubleArray s{0.0, 0.0};
    L.SetNumNearestNb(3);
    ASSERT_EQ(L.ApplyModel(s, 0, 7), 0);
    // Rows 2, 3 and 5 lie at distance 1: the later rows come first; free places hold row 0.
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_EQ((std::vector<int>(rows.begin(), rows.begin() + 6)), (std::vector<int>{1, 5, 3, 2, 4, 0}));
    EXPECT_EQ((std::vector<double>(dist.begin(), dist.begin() + 5)),
              (std::vector<double>{0, 1, 1, 1, 3}));
    EXPECT_EQ(dist[5], uc_MaxDouble);
    EXPECT_DOUBLE_EQ(s[1], (10 + 50 + 30) / 3.0);

    // Leaving out row 1 (leave-one-out) moves the next object up.
    s = {0.0, 0.0};
    ASSERT_EQ(L.ApplyModel(s, 1, 0), 0);
    EXPECT_EQ((std::vector<int>(rows.begin(), rows.begin() + 5)), (std::vector<int>{5, 3, 2, 4, 0}));
    EXPECT_DOUBLE_EQ(s[1], (50 + 30 + 20) / 3.0);

    // A sensor one element short: -3, zeros, no event.
    const size_t events = codes.size();
    TDoubleArray short_sensor{4.0};
    EXPECT_EQ(L.ApplyModel(short_sensor, 0, 0), membl::kApplyBadSensor);
    EXPECT_EQ(short_sensor, TDoubleArray{0.0});
    EXPECT_EQ(codes.size(), events);

    // k equal to the number of rows: -2, zeros, the event carries the code.
    L.SetNumNearestNb(5);
    s = {0.5, 0.5};
    EXPECT_EQ(L.ApplyModel(s, 0, 0), membl::kApplyTooFewObjects);
    EXPECT_EQ(s, (TDoubleArray{0.0, 0.0}));
    EXPECT_EQ(codes.back(), membl::kApplyTooFewObjects);

    // No row at a finite distance: -4 and NaN targets instead of the targets of row 0.
    L.SetNumNearestNb(2);
    s = {std::nan(""), 1.0};
    EXPECT_EQ(L.ApplyModel(s, 0, 0), membl::kApplyNoNeighbour);
    EXPECT_TRUE(std::isnan(s[1]));
    EXPECT_EQ(codes.back(), membl::kApplyNoNeighbour);
    EXPECT_EQ(rows[0], 0);

    // Without an independent column every object lies at distance 0: the last rows come first.
    TMemBasedLearner Z;
    FillColumns(Z, {{1, 2, 3}, {4, 5, 6}});
    Z.SetVarType(2, TMBLVarType::mblVarTarget);
    Z.SetNumNearestNb(2);
    TDoubleArray z{0, 0};
    ASSERT_EQ(Z.ApplyModel(z, 0, 0), 0);
    EXPECT_DOUBLE_EQ(z[1], (6 + 5) / 2.0);

    // CalcDist: -1 for a bad sensor or row; Manhattan and standardised by hand.
    EXPECT_EQ(L.CalcDist({1.0}, 1), -1.0);
    EXPECT_EQ(L.CalcDist({1.0, 0.0}, 6), -1.0);
    L.SetDistMode(TMBLDistMode::mblDistManhattan);
    EXPECT_EQ(L.CalcDist({-2.5, 99.0}, 4), 5.5);
    L.SetScalingMode(TMBLScalingMode::mblStandardized);  // mean 0.8, variance 2.2
    EXPECT_NEAR(L.CalcDist({0.8, 0.0}, 4), 2.2 / std::sqrt(2.2), 4 * kEps);
}

TEST(MemBasedLearner, LocalModelEdgeCases) {
    TMemBasedLearner L;
    // Target exactly linear in two independent columns: the regression reproduces it anywhere.
    std::vector<double> x1, x2, y, c;
    for (int r = 0; r < 40; ++r) {
        x1.push_back(std::sin(r * 1.3) * 4);
        x2.push_back(std::cos(r * 0.7) * 2);
        y.push_back(3.0 + 2.0 * x1.back() - x2.back());
        c.push_back(7.0);
    }
    FillColumns(L, {x1, x2, y, c});
    L.SetVarType(1, TMBLVarType::mblVarIndep);
    L.SetVarType(2, TMBLVarType::mblVarIndep);
    L.SetVarType(3, TMBLVarType::mblVarTarget);
    L.SetVarType(4, TMBLVarType::mblVarTarget);
    L.SetNumNearestNb(8);
    L.SetLocalModel(TMBLLocalModel::mblLMRegress);
    TDoubleArray s{0.3, -0.4, 0, 0};
    ASSERT_EQ(L.ApplyModel(s, 0, 0), 0);
    EXPECT_NEAR(s[2], 3.0 + 0.6 + 0.4, 1e-12);
    EXPECT_NEAR(s[3], 7.0, 1e-12);

    // Majority of a constant column: the value of model row 1.
    L.SetLocalModel(TMBLLocalModel::mblLMMajority);
    s = {0.3, -0.4, 0, 0};
    ASSERT_EQ(L.ApplyModel(s, 0, 0), 0);
    EXPECT_EQ(s[3], 7.0);

    // Gaussian weights for an object far from every model row: the nearest dominate, no 0/0.
    L.SetLocalModel(TMBLLocalModel::mblLMWgtGauss);
    s = {1e6, 0, 0, 0};
    ASSERT_EQ(L.ApplyModel(s, 0, 0), 0);
    EXPECT_TRUE(std::isfinite(s[2]));
    EXPECT_EQ(s[3], 7.0);

    // A regression that cannot be computed (values whose squares overflow; the Manhattan
    // distances stay finite) gives the mean of the neighbours' targets.
    TMemBasedLearner H;
    FillColumns(H, {{1e300, 2e300, 3e300, 4e300, 5e300, 6e300}, {1, 2, 3, 4, 5, 9}});
    H.SetVarType(1, TMBLVarType::mblVarIndep);
    H.SetVarType(2, TMBLVarType::mblVarTarget);
    H.SetDistMode(TMBLDistMode::mblDistManhattan);
    H.SetLocalModel(TMBLLocalModel::mblLMRegress);
    H.SetNumNearestNb(3);
    TDoubleArray h{5.9e300, 0};
    ASSERT_EQ(H.ApplyModel(h, 0, 0), 0);
    EXPECT_TRUE(std::isfinite(h[1]));
    H.SetLocalModel(TMBLLocalModel::mblLMAverage);
    TDoubleArray a{5.9e300, 0};
    ASSERT_EQ(H.ApplyModel(a, 0, 0), 0);
    EXPECT_EQ(h[1], a[1]);
}

TEST(MemBasedLearner, NeighbourListsOfTheModelMatchSklearn) {
    const auto refs = LoadMemblRefs("knn_refs.txt");
    const auto& ref = refs.at("selfnn_euclidean_standardized");
    TMemBasedLearner L;
    FillRefModel(L, refs.at("model"));
    L.SetScalingMode(TMBLScalingMode::mblStandardized);
    int last_percent = -1, progress_calls = 0;
    L.OnPercentDone = [&](TObject*, int p) {
        EXPECT_GT(p, last_percent);
        last_percent = p;
        ++progress_calls;
    };
    EXPECT_EQ(L.GetkNNofModelData(1, 1), -1);
    L.CalcNNOfModelData();
    EXPECT_EQ(last_percent, 100);
    EXPECT_EQ(progress_calls, 101);  // 0 to 100
    for (int r : {1, 137, 300}) {
        const auto& rows = ref.at("nn_rows_" + std::to_string(r));
        const auto& dist = ref.at("nn_dist_" + std::to_string(r));
        for (int k = 1; k <= 100; ++k) {
            ASSERT_EQ(L.GetkNNofModelData(k, r), static_cast<int>(rows[static_cast<size_t>(k - 1)]));
            EXPECT_NEAR(L.GetkNNDistofModelData(k, r), dist[static_cast<size_t>(k - 1)],
                        kDistTol * (1 + dist[static_cast<size_t>(k - 1)]));
        }
    }
    EXPECT_EQ(L.GetkNNofModelData(0, 1), -1);
    EXPECT_EQ(L.GetkNNofModelData(101, 1), -1);
    EXPECT_EQ(L.GetkNNofModelData(1, 301), -1);
    EXPECT_EQ(L.GetkNNDistofModelData(1, 0), -1.0);
    // The lists describe the table as it was: a change drops them.
    L.ModelData()->SetElem(1, 1, 0.5);
    EXPECT_EQ(L.GetkNNofModelData(1, 1), -1);
    // So does a resize, which the table announces through OnResize alone.
    L.OnPercentDone = nullptr;
    L.CalcNNOfModelData();
    ASSERT_NE(L.GetkNNofModelData(1, 300), -1);
    L.ModelData()->Resize(L.ModelData()->NrOfColumns(), 200);
    EXPECT_EQ(L.GetkNNofModelData(1, 300), -1);
    EXPECT_EQ(L.GetkNNofModelData(1, 1), -1);
}

TEST(MemBasedLearner, ContingencyTableOfIris) {
    const auto refs = LoadMemblRefs("iris_refs.txt");
    const auto& ref = refs.at("iris");
    TMemBasedLearner L;
    TDataTable& t = *L.ModelData();
    ASSERT_EQ(t.ImportFromCSV(std::string(OZM_TEST_DATA_DIR) + "/iris.csv"), 0);
    ASSERT_EQ(t.NrOfColumns(), 5);
    ASSERT_EQ(t.NrOfRows(), 150);
    for (int r = 1; r <= 150; ++r) t.SetElem(5, r, t.GetElem(5, r) + 1);  // species 1..3
    for (int c = 1; c <= 4; ++c) L.SetVarType(c, TMBLVarType::mblVarIndep);
    L.SetVarType(5, TMBLVarType::mblVarTarget);

    TInt2DArray tab;
    EXPECT_EQ(L.CalcContingencyTable(5, 1, tab), membl::kContTabNotCategorical);
    t.SetMScaleType(5, TMScaleType::stNominal);
    EXPECT_EQ(L.CalcContingencyTable(0, 1, tab), membl::kContTabBadColumn);
    EXPECT_EQ(L.CalcContingencyTable(6, 1, tab), membl::kContTabBadColumn);

    // Flowers 102 and 143 are identical: each has the other (the later row) in first place.
    for (int r : {102, 143}) {
        const auto& rows = ref.at("nn_rows_" + std::to_string(r));
        const auto& dist = ref.at("nn_dist_" + std::to_string(r));
        L.CalcNNOfModelData();
        for (int k = 1; k <= 10; ++k) {
            EXPECT_EQ(L.GetkNNofModelData(k, r), static_cast<int>(rows[static_cast<size_t>(k - 1)]));
            EXPECT_EQ(L.GetkNNDistofModelData(k, r), dist[static_cast<size_t>(k - 1)]);
        }
    }
    for (int offset : {0, 2}) {
        // Categories 3..5 give the same table as 1..3: cells are indexed from the smallest.
        for (int r = 1; r <= 150; ++r) t.SetElem(5, r, t.GetElem(5, r) + offset);
        for (int nb : {1, 3, 5}) {
            ASSERT_EQ(L.CalcContingencyTable(5, nb, tab), membl::kContTabOk);
            const auto& want = ref.at("conttab_" + std::to_string(nb));
            ASSERT_EQ(tab.size(), 4u);
            for (size_t a = 0; a < 4; ++a) {
                ASSERT_EQ(tab[a].size(), 4u);
                for (size_t b = 0; b < 4; ++b)
                    EXPECT_EQ(tab[a][b], static_cast<int>(want[4 * a + b]))
                        << "offset " << offset << " NumNb " << nb << " cell " << a << "," << b;
            }
            EXPECT_EQ(tab[3][3], 150 * nb);
        }
    }
    // A category 0, one category, more than 100.
    t.SetElem(5, 7, 0.0);
    EXPECT_EQ(L.CalcContingencyTable(5, 1, tab), membl::kContTabBadMinimum);
    for (int r = 1; r <= 150; ++r) t.SetElem(5, r, 4.0);
    EXPECT_EQ(L.CalcContingencyTable(5, 1, tab), membl::kContTabBadCount);
    t.SetElem(5, 9, 104.0);
    EXPECT_EQ(L.CalcContingencyTable(5, 1, tab), membl::kContTabBadCount);
    // An invalid cell is left out as row and as neighbour.
    for (int r = 1; r <= 150; ++r) t.SetElem(5, r, r <= 75 ? 4.0 : 5.0);
    t.SetCellState(5, 9, datatable::csInvalid);
    t.SetElem(5, 9, -30.0);
    ASSERT_EQ(L.CalcContingencyTable(5, 1, tab), membl::kContTabOk);
    ASSERT_EQ(tab.size(), 3u);
    int lost = 0;
    for (int r = 1; r <= 150; ++r) {
        if (r == 9) continue;
        const int first = L.GetkNNofModelData(1, r) == r ? L.GetkNNofModelData(2, r)
                                                          : L.GetkNNofModelData(1, r);
        lost += first == 9;
    }
    EXPECT_EQ(tab[2][2], 149 - lost);
}

TEST(MemBasedLearner, EveryDistanceKernelGivesTheSameBits) {
    using membl::detail::TSearchKernel;
    const auto refs = LoadMemblRefs("knn_refs.txt");
    const auto& model = refs.at("model");
    TMemBasedLearner L;
    FillRefModel(L, model);
    L.SetLocalModel(TMBLLocalModel::mblLMWgtGauss);  // also depends on every distance
    std::vector<double> seen;
    L.OnModelApplied = [&](TObject*, int, const TIntArray& rows, const TDoubleArray& dist, int) {
        seen.insert(seen.end(), rows.begin(), rows.end());
        seen.insert(seen.end(), dist.begin(), dist.end());
    };
    auto run = [&] {
        seen.clear();
        for (auto mode : {TMBLDistMode::mblDistEuclid, TMBLDistMode::mblDistManhattan}) {
            L.SetDistMode(mode);
            for (int q = 0; q < 20; ++q) {
                TDoubleArray s = RefQuery(model, q);
                L.ApplyModel(s, q, 0);
                seen.push_back(s[3]);
            }
            L.CalcNNOfModelData();
            for (int r = 1; r <= 300; r += 7) seen.push_back(L.GetkNNDistofModelData(100, r));
        }
        return seen;
    };
    const TSearchKernel original = membl::detail::SearchKernel();
    ASSERT_TRUE(membl::detail::SetSearchKernel(TSearchKernel::Portable));
    const std::vector<double> portable = run();
    int kernels = 0;
    for (TSearchKernel k : {TSearchKernel::SSE2, TSearchKernel::AVX2}) {
        if (!membl::detail::SetSearchKernel(k)) continue;
        ++kernels;
        const std::vector<double> other = run();
        ASSERT_EQ(other.size(), portable.size());
        for (size_t i = 0; i < other.size(); ++i)
            ASSERT_EQ(std::memcmp(&other[i], &portable[i], sizeof(double)), 0)
                << "kernel " << static_cast<int>(k) << " entry " << i;
    }
    membl::detail::SetSearchKernel(original);
    RecordProperty("vector_kernels_tested", kernels);
}
