// Contingency-table statistics against R (fisher.test, chisq.test, dhyper) and sklearn
// (adjusted_rand_score): tests/data/statis_tests/contingency.txt.

#include <gtest/gtest.h>

#include <cmath>

#include "htest_refs.hpp"
#include "ozm/statis/tests.hpp"
#include "test_support.hpp"

namespace {

using namespace ozm::statis;
using ozm::TInt2DArray;

// The factorial logarithms of the 2 x 2 probabilities are doubles of magnitude up to ~5900, so
// a probability carries a relative error of a few 1e-13; R works the same way.
constexpr double kHyperTol = 1e-11;
// The chi-square statistics are short sums; the p-values go through the incomplete gamma
// function, accurate to about 1e-14 relative.
constexpr double kChi2Tol = 1e-13;
constexpr double kChi2PTol = 1e-11;

TInt2DArray WithTotals(const std::vector<std::vector<int>>& t) {
    TInt2DArray r(t.size() + 1, std::vector<int32_t>(t[0].size() + 1, 0));
    for (size_t i = 0; i < t.size(); ++i)
        for (size_t j = 0; j < t[0].size(); ++j) {
            r[i][j] = t[i][j];
            r[i].back() += t[i][j];
            r.back()[j] += t[i][j];
            r.back().back() += t[i][j];
        }
    return r;
}

void ExpectRel(double got, double want, double tol) {
    if (std::isnan(want)) {
        EXPECT_TRUE(std::isnan(got)) << got;
        return;
    }
    EXPECT_NEAR(got, want, tol * std::max(std::fabs(want), 1e-300)) << "want " << want;
}

TEST(Contingency, TwoByTwoAgainstR) {
    const auto refs = ozm::testing::LoadTestRefs("contingency.txt");
    int checked = 0;
    for (const auto& [key, v] : refs[0].records) {
        if (key != "t2") continue;
        const int a = int(v[0]), b = int(v[1]), c = int(v[2]), d = int(v[3]);
        SCOPED_TRACE(::testing::Message() << a << " " << b << " " << c << " " << d);
        const TInt2DArray bare = {{a, b}, {c, d}};
        double pLow, pHigh, pTwo, p;
        ASSERT_EQ(FisherExactTest(bare, pLow, pHigh, pTwo), 0);
        ExpectRel(pLow, v[4], kHyperTol);
        ExpectRel(pHigh, v[5], kHyperTol);
        ExpectRel(pTwo, v[6], kHyperTol);
        // The same table transposed or with its rows swapped keeps the two-sided p; swapping
        // the rows exchanges the tails.
        double tLow, tHigh, tTwo;
        ASSERT_EQ(FisherExactTest({{a, c}, {b, d}}, tLow, tHigh, tTwo), 0);
        ExpectRel(tLow, pLow, kHyperTol);
        ExpectRel(tTwo, pTwo, kHyperTol);
        ASSERT_EQ(FisherExactTest({{c, d}, {a, b}}, tLow, tHigh, tTwo), 0);
        ExpectRel(tLow, pHigh, kHyperTol);
        ExpectRel(tHigh, pLow, kHyperTol);
        ASSERT_EQ(Prob2x2Contingency(bare, p), 0);
        ExpectRel(p, v[7], kHyperTol);

        const TInt2DArray full = WithTotals({{a, b}, {c, d}});
        double chi2, pc;
        const int yates = Chi2OfContTabYates(full, chi2, pc);
        if (std::isnan(v[8])) {
            EXPECT_EQ(yates, -2);
            EXPECT_EQ(pc, 0.0);
        } else {
            ASSERT_EQ(yates, 0);
            EXPECT_NEAR(chi2, v[8], kChi2Tol * std::max(1.0, v[8]));
            ExpectRel(pc, v[9], kChi2PTol);
            double plain, pp;
            ASSERT_EQ(Chi2OfContTab(full, plain, pp), 0);
            EXPECT_NEAR(plain, v[10], kChi2Tol * std::max(1.0, v[10]));
            ExpectRel(pp, v[11], kChi2PTol);
            EXPECT_LE(chi2, plain);  // the capped correction never raises the statistic
        }
        ++checked;
    }
    EXPECT_EQ(checked, 12);
}

TEST(Contingency, LargerTablesAgainstRAndSklearn) {
    const auto refs = ozm::testing::LoadTestRefs("contingency.txt");
    int checked = 0;
    for (const auto& [key, v] : refs[0].records) {
        if (key != "tab") continue;
        const size_t nr = size_t(v[0]), nc = size_t(v[1]);
        std::vector<std::vector<int>> t(nr, std::vector<int>(nc));
        for (size_t i = 0; i < nr; ++i)
            for (size_t j = 0; j < nc; ++j) t[i][j] = int(v[2 + i * nc + j]);
        const double* ref = &v[2 + nr * nc];
        const TInt2DArray full = WithTotals(t);
        double chi2, p;
        ASSERT_EQ(Chi2OfContTab(full, chi2, p), 0);
        EXPECT_NEAR(chi2, ref[0], kChi2Tol * ref[0]);
        ExpectRel(p, ref[1], kChi2PTol);
        EXPECT_NEAR(AdjustedRandIx(full), ref[3], 1e-14);
        ++checked;
    }
    EXPECT_EQ(checked, 4);
}

TEST(Contingency, CodesAndDegenerateTables) {
    double a, b, c;
    EXPECT_EQ(FisherExactTest({{1, 2, 3}, {4, 5, 6}}, a, b, c), -1);
    EXPECT_EQ(FisherExactTest({{1, -2}, {4, 5}}, a, b, c), -3);
    EXPECT_EQ(FisherExactTest({{500, 500}, {1, 0}}, a, b, c), -2);  // total 1001
    EXPECT_EQ(FisherExactTest({{500, 499}, {1, 0}}, a, b, c), 0);
    EXPECT_EQ(Prob2x2Contingency({{1, 2}}, a), -1);
    EXPECT_EQ(Chi2OfContTab({{1, 2}, {3, 4}}, a, b), -1);
    EXPECT_EQ(Chi2OfContTabYates(WithTotals({{1, 2, 3}, {4, 5, 6}}), a, b), -1);
    EXPECT_EQ(Chi2OfContTabYates(WithTotals({{0, 0}, {4, 5}}), a, b), -2);
    EXPECT_EQ(b, 0.0);

    // An empty row takes no part: the statistic and df are those of the table without it.
    double chiA, pA, chiB, pB;
    ASSERT_EQ(Chi2OfContTab(WithTotals({{10, 20, 5}, {0, 0, 0}, {30, 5, 8}}), chiA, pA), 0);
    ASSERT_EQ(Chi2OfContTab(WithTotals({{10, 20, 5}, {30, 5, 8}}), chiB, pB), 0);
    EXPECT_EQ(chiA, chiB);
    EXPECT_EQ(pA, pB);
    ASSERT_EQ(Chi2OfContTab(WithTotals({{10, 20, 5}, {0, 0, 0}}), chiA, pA), 0);
    EXPECT_EQ(chiA, 0.0);
    EXPECT_EQ(pA, 1.0);

    // Goodman-Kruskal lambda of a worked example: rows 3, columns 3.
    //   20 5 5 | 30     column totals 35 30 35, N = 100, largest 35; row maxima 20 + 20 + 25
    //   10 20 5 | 35    -> (65 - 35)/(100 - 35) = 30/65; column maxima 20 + 20 + 25 = 65,
    //   5 5 25 | 35     largest row total 35 -> 30/65.
    double lcr, lrc;
    const TInt2DArray gk = WithTotals({{20, 5, 5}, {10, 20, 5}, {5, 5, 25}});
    ASSERT_EQ(Lambda(gk, lcr, lrc), 0);
    EXPECT_DOUBLE_EQ(lcr, 30.0 / 65.0);
    EXPECT_DOUBLE_EQ(lrc, 30.0 / 65.0);
    TInt2DArray broken = gk;
    broken[1][3] = 36;
    EXPECT_EQ(Lambda(broken, lcr, lrc), -1);
    ASSERT_EQ(Lambda(WithTotals({{4, 0}, {6, 0}}), lcr, lrc), 0);  // one column: nothing to predict
    EXPECT_EQ(lcr, 0.0);

    // Adjusted Rand index: identical partitions give 1, also in the 0/0 cases.
    EXPECT_DOUBLE_EQ(AdjustedRandIx(WithTotals({{5, 0}, {0, 7}})), 1.0);
    EXPECT_EQ(AdjustedRandIx(WithTotals({{9}})), 1.0);
    EXPECT_EQ(AdjustedRandIx(WithTotals({{1, 0}, {0, 1}})), 1.0);
    EXPECT_EQ(AdjustedRandIx({{1}}), 0.0);
}

TEST(Contingency, BinnedDistributionComparison) {
    int df, n1, n2;
    double chi2, p;
    // Observed 2x the expected shape: identical after scaling, so chi2 = 0.
    ASSERT_EQ(PerformChi2DistComp({20, 40, 60, 20}, {10, 20, 30, 10}, chi2, p, df, n1, n2), 0);
    EXPECT_NEAR(chi2, 0.0, 1e-12);
    EXPECT_EQ(df, 3);
    EXPECT_EQ(n1, 140);
    EXPECT_EQ(n2, 70);
    EXPECT_NEAR(p, 1.0, 1e-12);
    // Pearson's statistic with expected counts scaled to the observed total, bins merged until
    // the expected count exceeds 5: bins {2,3,4} (E 9), {8} and {1, 0, 3, 0}: with scaling 1
    // O = 5, 6, 12 against 9, 8, 4... computed by hand below.
    ASSERT_EQ(PerformChi2DistComp({1, 1, 3, 6, 4, 0, 2, 0}, {2, 3, 4, 8, 1, 0, 3, 0}, chi2, p, df,
                                  n1, n2),
              0);
    // Bins: {2,3,4} closes at E = 9 (> 5, next 8 non-zero) -> O 5; {8} closes (next 1) -> O 6;
    // {1, 0, 3, 0}: 1 > 5 no; ... stays open to the end -> E 4, O 6. Totals 17 and 21.
    const double s = 17.0 / 21.0;
    const double want = (5 - 9 * s) * (5 - 9 * s) / (9 * s) + (6 - 8 * s) * (6 - 8 * s) / (8 * s) +
                        (6 - 4 * s) * (6 - 4 * s) / (4 * s);
    EXPECT_NEAR(chi2, want, 1e-13 * want);
    EXPECT_EQ(df, 2);
    EXPECT_EQ(PerformChi2DistComp({1, 2}, {1}, chi2, p, df, n1, n2), -1);
    EXPECT_EQ(PerformChi2DistComp({}, {}, chi2, p, df, n1, n2), -2);
    EXPECT_EQ(PerformChi2DistComp({0, 0}, {1, 2}, chi2, p, df, n1, n2), -3);
    // Negative counts could cancel the expected sum of the last bin to 0 (a division by 0).
    EXPECT_EQ(PerformChi2DistComp({1, 2, 4}, {6, 3, -3}, chi2, p, df, n1, n2), -3);
    EXPECT_TRUE(std::isfinite(chi2));
}

}  // namespace
