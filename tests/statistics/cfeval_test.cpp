// TCFEvaluator against sklearn.metrics (tests/data/statis_tests/cfeval.txt).

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "htest_refs.hpp"
#include "ozm/statis/classifier.hpp"
#include "test_support.hpp"

namespace {

using ozm::TCFEvaluator;
using ozm::testing::kEps;

void Load(TCFEvaluator& ev, const std::vector<double>& y, const std::vector<double>& e) {
    ev.SetNData(static_cast<int>(y.size()));
    for (size_t i = 0; i < y.size(); ++i) {
        ev.SetTrueData(static_cast<int>(i + 1), y[i]);
        ev.SetEstimData(static_cast<int>(i + 1), e[i]);
    }
}

TEST(CFEvaluator, ScoresRocAndScanMatchSklearn) {
    const auto cases = ozm::testing::LoadTestRefs("cfeval.txt");
    int checked = 0;
    for (const auto& c : cases) {
        if (c.name.empty()) continue;
        SCOPED_TRACE(c.name);
        TCFEvaluator ev;
        Load(ev, c.at("true"), c.at("est"));
        ASSERT_EQ(ev.CalcConfusionMatrix(c.num("thresh")), 0);
        int32_t tp, fp, tn, fn;
        double th;
        ASSERT_EQ(ev.GetConfMatValues(tp, fp, tn, fn, th), 0);
        EXPECT_EQ(tp, c.num("counts", 0));
        EXPECT_EQ(fp, c.num("counts", 1));
        EXPECT_EQ(tn, c.num("counts", 2));
        EXPECT_EQ(fn, c.num("counts", 3));
        EXPECT_NEAR(ev.MatthewsCorr(), c.num("mcc"), 8 * kEps);
        EXPECT_NEAR(ev.Accuracy(), c.num("acc"), 4 * kEps);
        EXPECT_NEAR(ev.F1Score(), c.num("f1"), 4 * kEps);
        // The library's 1e-15 in the denominator keeps 0/0 away; it shifts the value by ~1e-15.
        EXPECT_NEAR(ev.UncertCoeff(), c.num("uc"), 1e-13);

        ozm::TDouble2DArray roc;
        int best;
        double auc, tMcc, tAcc, tInf;
        ASSERT_EQ(ev.OptimizeThresholds(roc, best, auc, tMcc, tAcc, tInf), 0);
        EXPECT_NEAR(auc, c.num("auc"), 8 * kEps);
        const auto& fpr = c.at("rocfpr");
        ASSERT_EQ(roc.size(), 3u);
        ASSERT_EQ(roc[0].size(), fpr.size() + 1);
        for (size_t k = 0; k < fpr.size(); ++k) {
            EXPECT_NEAR(roc[0][k], fpr[k], 2 * kEps);
            EXPECT_NEAR(roc[1][k], c.num("roctpr", k), 2 * kEps);
            EXPECT_EQ(roc[2][k], c.num("rocthr", k));
        }
        EXPECT_EQ(roc[0].back(), 1.0);
        EXPECT_EQ(roc[1].back(), 1.0);
        // BestROC is the point farthest from the diagonal.
        double far = 0;
        for (size_t k = 0; k < roc[0].size(); ++k) far = std::max(far, std::fabs(roc[1][k] - roc[0][k]));
        EXPECT_EQ(std::fabs(roc[1][size_t(best)] - roc[0][size_t(best)]), far);
        // The chosen thresholds reach the best value of each score over the scanned grid.
        if (c.num("best", 1) > 0) {
            ASSERT_EQ(ev.CalcConfusionMatrix(tMcc), 0);
            EXPECT_NEAR(ev.MatthewsCorr(), c.num("best", 0), 8 * kEps);
            ASSERT_EQ(ev.CalcConfusionMatrix(tAcc), 0);
            EXPECT_NEAR(ev.Accuracy(), c.num("best", 1), 4 * kEps);
            ASSERT_EQ(ev.CalcConfusionMatrix(tInf), 0);
            EXPECT_NEAR(ev.Informedness(), c.num("best", 2), 8 * kEps);
        } else {
            EXPECT_EQ(tMcc, 0.0);  // all estimates equal: nothing scanned
        }
        ++checked;
    }
    EXPECT_EQ(checked, 5);
}

TEST(CFEvaluator, WorkedExampleCodesAndInvalidation) {
    TCFEvaluator ev;
    EXPECT_EQ(ev.NData(), 1);
    EXPECT_EQ(ev.TpRate(), -2);  // one value: not dichotomous
    Load(ev, {0, 0, 1, 1}, {0.1, 0.4, 0.35, 0.8});
    EXPECT_EQ(ev.TpRate(), -1);
    EXPECT_EQ(ev.Informedness(), -2);
    EXPECT_EQ(ev.MatthewsCorr(), -3);
    ASSERT_EQ(ev.CalcConfusionMatrix(0.5), 0);
    EXPECT_EQ(ev.TpRate(), 0.5);
    EXPECT_EQ(ev.FnRate(), 0.5);
    EXPECT_EQ(ev.TnRate(), 1.0);
    EXPECT_EQ(ev.FpRate(), 0.0);
    EXPECT_EQ(ev.Precision(), 1.0);
    EXPECT_DOUBLE_EQ(ev.NegPredVal(), 2.0 / 3.0);
    EXPECT_EQ(ev.ThreatScore(), 0.5);
    EXPECT_EQ(ev.Accuracy(), 0.75);
    EXPECT_DOUBLE_EQ(ev.F1Score(), 2.0 / 3.0);
    EXPECT_EQ(ev.Informedness(), 0.5);
    EXPECT_DOUBLE_EQ(ev.MatthewsCorr(), 2.0 / std::sqrt(12.0));
    EXPECT_EQ(ev.Threshold(), 0.5);
    // The objects are now ordered by descending estimate.
    EXPECT_EQ(ev.GetEstimData(1), 0.8);
    EXPECT_EQ(ev.GetTrueData(2), 0.0);
    EXPECT_EQ(ev.GetEstimData(5), 0.0);
    // Any change of the data makes the confusion matrix stale.
    ev.SetEstimData(1, 0.9);
    EXPECT_EQ(ev.Accuracy(), -1);
    ASSERT_EQ(ev.CalcConfusionMatrix(0.5), 0);
    ev.SetTrueData(1, 7);  // a third value
    EXPECT_EQ(ev.CalcConfusionMatrix(0.5), -2);
    EXPECT_EQ(ev.Accuracy(), -2);
    EXPECT_EQ(ev.Informedness(), -3);
    EXPECT_EQ(ev.MatthewsCorr(), -2);
    double v1, v2;
    EXPECT_FALSE(ev.GetActualDichoValues(v1, v2));
    ozm::TDouble2DArray roc;
    int best;
    double auc, a, b, c;
    EXPECT_EQ(ev.OptimizeThresholds(roc, best, auc, a, b, c), -1);

    // Matrix columns: an invalid column, different lengths, one class only.
    ozm::TMatrix m;
    m.Resize(2, 6);
    for (int r = 1; r <= 6; ++r) m.SetVal(1, r, r % 2 ? 2.0 : 5.0), m.SetVal(2, r, r);
    EXPECT_EQ(ev.CopyTrueFromMatrix(3, &m), -1);
    EXPECT_EQ(ev.CopyTrueFromMatrix(1, nullptr), -1);
    EXPECT_EQ(ev.CopyTrueFromMatrix(1, &m), 0);
    EXPECT_EQ(ev.DichoV1(), 2.0);
    EXPECT_EQ(ev.DichoV2(), 5.0);
    EXPECT_EQ(ev.NData(), -1);
    EXPECT_EQ(ev.CalcConfusionMatrix(0.5), -1);
    EXPECT_EQ(ev.SortEstimated(), -1);
    EXPECT_EQ(ev.OptimizeThresholds(roc, best, auc, a, b, c), -3);
    EXPECT_EQ(ev.CopyEstFromMatrix(2, &m), 0);
    EXPECT_EQ(ev.OptimizeThresholds(roc, best, auc, a, b, c), 0);
    EXPECT_DOUBLE_EQ(auc, 6.0 / 9.0);  // positives at 2, 4, 6 outrank 1 + 2 + 3 of the 9 pairs
    EXPECT_EQ(ev.CopyTrueFromMatrix(2, &m), -2);
    m.Fill(1.0);
    EXPECT_EQ(ev.CopyTrueFromMatrix(1, &m), -2);
}

TEST(CFEvaluator, MatthewsCorrelationOfHugeCounts) {
    const auto cases = ozm::testing::LoadTestRefs("cfeval.txt");
    int checked = 0;
    for (const auto& [key, v] : cases.back().records) {
        if (key != "mcccounts") continue;
        const double got = ozm::statis::MatthewsCorrOfCounts(int64_t(v[0]), int64_t(v[1]),
                                                             int64_t(v[2]), int64_t(v[3]));
        EXPECT_NEAR(got, v[4], 4 * kEps * std::fabs(v[4])) << v[0];
        ++checked;
    }
    EXPECT_EQ(checked, 3);
    EXPECT_TRUE(std::isnan(ozm::statis::MatthewsCorrOfCounts(-1, 0, 0, 0)));
    EXPECT_EQ(ozm::statis::MatthewsCorrOfCounts(5, 0, 0, 3), 0.0);

    // The same through the evaluator: tp = 60000, fp = 1234, tn = 70000, fn = 4321, whose
    // products overflow 32 bits.
    TCFEvaluator ev;
    ev.SetNData(60000 + 1234 + 70000 + 4321);
    int ix = 1;
    auto put = [&](int count, double truth, double est) {
        for (int i = 0; i < count; ++i, ++ix) ev.SetTrueData(ix, truth), ev.SetEstimData(ix, est);
    };
    put(60000, 1, 0.9);
    put(1234, 0, 0.8);
    put(70000, 0, 0.1);
    put(4321, 1, 0.2);
    ASSERT_EQ(ev.CalcConfusionMatrix(0.5), 0);
    EXPECT_NEAR(ev.MatthewsCorr(), 0.9185978700444352, 4 * kEps);
}

}  // namespace
