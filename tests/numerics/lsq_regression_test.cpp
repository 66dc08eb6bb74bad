// Multiple linear regression against R's lm and mpmath, ridge against the closed form, SIMPLS
// against scikit-learn and the least squares identity, vertex component analysis on synthetic
// mixtures with known pure pixels, and the variable-name lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>
#include <limits>

#include "lsq_refs.hpp"
#include "polyfit_stress_refs.hpp"
#include "ozm/math2.hpp"
#include "ozm/platform/random.hpp"

using namespace ozm;
using namespace ozm::math2;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Longley from R's table: predictors in columns 1..6, Employed in column 7.
void Longley(const lsqtest::Refs& r, TMatrix& x, TVector& y) {
    const auto& d = r["longley_data"];
    x.Resize(6, d.rows);
    y.Resize(d.rows);
    for (int i = 0; i < d.rows; ++i) {
        for (int c = 0; c < 6; ++c) x.SetVal(c + 1, i + 1, d.at(i, c));
        y.SetVal(i + 1, d.at(i, 6));
    }
}

// Degree-5 polynomial design of x.
void Powers(const lsqtest::Block& xs, TMatrix& x) {
    const int n = static_cast<int>(xs.v.size());
    x.Resize(5, n);
    for (int i = 0; i < n; ++i)
        for (int k = 1; k <= 5; ++k) x.SetVal(k, i + 1, std::pow(xs.v[i], k));
}

double MinDigits(const std::vector<double>& got, const std::vector<double>& ref) {
    double d = 15.0;
    for (size_t i = 0; i < ref.size(); ++i) d = std::min(d, lsqtest::CorrectDigits(got[i], ref[i]));
    return d;
}

}  // namespace

TEST(LsqMultiLinReg, LongleyAndWamplerDigits) {
    const lsqtest::Refs r("lsq_r_lm.txt");
    const lsqtest::Refs mp("lsq_mpmath.txt");
    TMatrix x;
    TVector y;
    Longley(r, x, y);
    TLinRegResult res;
    ASSERT_TRUE(MultiLinReg(x, y, res));
    EXPECT_EQ(res.Rank, 7);
    EXPECT_FALSE(res.RankDeficient);
    const double coefDigits = MinDigits(res.Coeffs, mp["longley_coef"].v);
    const double seDigits = MinDigits(res.StdErrors, mp["longley_se"].v);
    std::cout << "[digits] Longley coefficients " << coefDigits << ", standard errors " << seDigits
              << ", R^2 " << lsqtest::CorrectDigits(res.RSquared, mp["longley_stats"].v[0])
              << ", RSS " << lsqtest::CorrectDigits(res.RSS, mp["longley_stats"].v[1]) << "\n";
    EXPECT_GE(coefDigits, 9.0);
    EXPECT_GE(seDigits, 9.0);
    EXPECT_GE(lsqtest::CorrectDigits(res.RSS, mp["longley_stats"].v[1]), 9.0);
    // R's summary: R^2, adjusted R^2, F, its degrees of freedom, sigma.
    const auto& st = r["longley_stats"];
    EXPECT_NEAR(res.RSquared, st.v[0], 1e-12);
    EXPECT_NEAR(res.AdjRSquared, st.v[1], 1e-12);
    EXPECT_NEAR(res.FValue, st.v[2], 1e-9 * st.v[2]);
    EXPECT_EQ(res.DFModel, st.v[3]);
    EXPECT_EQ(res.DFResid, st.v[4]);
    EXPECT_NEAR(res.SigmaResid, st.v[5], 1e-11 * st.v[5]);
    // pf(F, df1, df2, lower.tail = FALSE) in R; the tail is tiny (about 4e-10).
    EXPECT_NEAR(res.FPValue, st.v[6], 1e-11 * st.v[6]);
    double rss = 0.0;
    for (int i = 0; i < 16; ++i) rss += res.Residuals[i] * res.Residuals[i];
    EXPECT_NEAR(rss, res.RSS, 1e-12 * res.RSS);

    // Weighted (weights 1..16) against lm(weights = 1:16).
    TVector w;
    w.Resize(16);
    for (int i = 1; i <= 16; ++i) w.SetVal(i, i);
    ASSERT_TRUE(MultiLinReg(x, y, res, &w));
    for (int k = 0; k < 7; ++k) {
        EXPECT_GE(lsqtest::CorrectDigits(res.Coeffs[k], r["longley_w_coef"].v[k]), 8.0) << k;
        EXPECT_GE(lsqtest::CorrectDigits(res.StdErrors[k], r["longley_w_se"].v[k]), 8.0) << k;
    }
    EXPECT_NEAR(res.RSquared, r["longley_w_stats"].v[0], 1e-12);
    EXPECT_NEAR(res.FValue, r["longley_w_stats"].v[2], 1e-8 * r["longley_w_stats"].v[2]);

    // Wampler 1 and 2: exact degree-5 polynomials.
    for (const char* name : {"wampler1", "wampler2"}) {
        TMatrix px;
        TVector py;
        Powers(mp[std::string(name) + "_x"], px);
        lsqtest::ToVector(mp[std::string(name) + "_y"], py);
        ASSERT_TRUE(MultiLinReg(px, py, res));
        EXPECT_EQ(res.Rank, 6);
        const double digits = MinDigits(res.Coeffs, mp[std::string(name) + "_coef"].v);
        std::cout << "[digits] " << name << " coefficients " << digits << "\n";
        EXPECT_GE(digits, 7.0) << name;
        EXPECT_NEAR(res.RSquared, 1.0, 1e-12);
    }
}

// Degree 10 in the centred years of a century of Nile flows: the regression keeps about as many
// digits of the exact solution as the centred polynomial fit.
TEST(LsqMultiLinReg, PolynomialOfDegreeTenInTheYears) {
    std::ifstream in(std::string(OZM_TEST_DATA_DIR) + "/nile_flow.txt");
    std::vector<double> flows;
    for (double f; in >> f;) flows.push_back(f);
    ASSERT_EQ(flows.size(), 100u);
    TMatrix px;
    TVector py;
    px.Resize(10, 100);
    py.Resize(100);
    for (int r = 1; r <= 100; ++r) {
        const double u = 1870 + r - 1920.5;
        double power = 1;
        for (int j = 1; j <= 10; ++j) px.SetVal(j, r, power *= u);
        py.SetVal(r, flows[static_cast<size_t>(r - 1)]);
    }
    TLinRegResult res;
    ASSERT_TRUE(MultiLinReg(px, py, res));
    EXPECT_EQ(res.Rank, 11);
    const double digits = MinDigits(res.Coeffs, polyfit_stress_refs::kDegree10);
    std::cout << "[digits] Nile flow, degree 10 in the centred years: " << digits << "\n";
    EXPECT_GE(digits, 10.0);
}

TEST(LsqMultiLinReg, RankDeficiencyAndBadInput) {
    const lsqtest::Refs r("lsq_r_lm.txt");
    TMatrix x, d;
    TVector y;
    Longley(r, x, y);
    // Predictors GNP.deflator, GNP, 2 GNP, Year: rank 4 of 5 as R finds it, same fit.
    d.Resize(4, 16);
    for (int i = 1; i <= 16; ++i) {
        d.SetVal(1, i, x.GetVal(1, i));
        d.SetVal(2, i, x.GetVal(2, i));
        d.SetVal(3, i, 2 * x.GetVal(2, i));
        d.SetVal(4, i, x.GetVal(6, i));
    }
    TLinRegResult res;
    ASSERT_TRUE(MultiLinReg(d, y, res));
    EXPECT_TRUE(res.RankDeficient);
    EXPECT_EQ(res.Rank, static_cast<int>(r["defic_stats"].v[4]));
    EXPECT_EQ(res.DFResid, 16 - res.Rank);
    EXPECT_NEAR(res.RSquared, r["defic_stats"].v[0], 1e-12);
    EXPECT_NEAR(res.FValue, r["defic_stats"].v[1], 1e-8 * r["defic_stats"].v[1]);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(y.GetVal(i + 1) - res.Residuals[i], r["defic_fitted"].v[i], 1e-10);
    // Minimum norm in the scaled coordinates: the aliased pair shares the effect equally,
    // b2 GNP = b3 (2 GNP).
    EXPECT_NEAR(res.Coeffs[2], 2 * res.Coeffs[3], 1e-12 * std::fabs(res.Coeffs[2]));

    // A constant column is aliased with the intercept.
    TMatrix c;
    c.Resize(2, 16);
    for (int i = 1; i <= 16; ++i) {
        c.SetVal(1, i, x.GetVal(2, i));
        c.SetVal(2, i, 5.0);
    }
    ASSERT_TRUE(MultiLinReg(c, y, res));
    EXPECT_EQ(res.Rank, 2);
    EXPECT_EQ(res.Coeffs[2], 0.0);

    // More predictors than observations: rank capped, no residual df, NaN errors.
    TMatrix wide;
    wide.Resize(6, 4);
    TVector y4;
    y4.Resize(4);
    for (int i = 1; i <= 4; ++i) {
        for (int k = 1; k <= 6; ++k) wide.SetVal(k, i, x.GetVal(k, i));
        y4.SetVal(i, y.GetVal(i));
    }
    ASSERT_TRUE(MultiLinReg(wide, y4, res));
    EXPECT_EQ(res.Rank, 4);
    EXPECT_EQ(res.DFResid, 0);
    EXPECT_TRUE(std::isnan(res.StdErrors[1]));
    EXPECT_TRUE(std::isnan(res.FValue));
    for (double e : res.Residuals) EXPECT_NEAR(e, 0.0, 1e-9);

    // One observation: the intercept alone.
    TMatrix one;
    one.Resize(1, 1);
    one.SetVal(1, 1, 3.0);
    TVector y1;
    y1.SetVal(1, 2.0);
    ASSERT_TRUE(MultiLinReg(one, y1, res));
    EXPECT_EQ(res.Coeffs[0], 2.0);
    EXPECT_EQ(res.Rank, 1);

    // Failures leave the result alone.
    res.NumObs = -5;
    TVector shortY;
    shortY.Resize(3);
    EXPECT_FALSE(MultiLinReg(x, shortY, res));
    TMatrix bad;
    bad.Assign(&x);
    bad.SetVal(3, 4, kNaN);
    EXPECT_FALSE(MultiLinReg(bad, y, res));
    TVector negw;
    negw.Resize(16);
    negw.Fill(1.0);
    negw.SetVal(2, -1.0);
    EXPECT_FALSE(MultiLinReg(x, y, res, &negw));
    negw.Fill(0.0);
    EXPECT_FALSE(MultiLinReg(x, y, res, &negw));
    MathFeedBackProc = [](double) { AbortMathProc = true; };
    EXPECT_FALSE(MultiLinReg(x, y, res));
    TRidgeResult ridge;
    EXPECT_FALSE(RidgeReg(x, y, 1.0, ridge));
    MathFeedBackProc = nullptr;
    AbortMathProc = false;
    EXPECT_EQ(res.NumObs, -5);
    // Zero weights leave rows out of the fit but not out of the residuals.
    TVector w;
    w.Resize(16);
    w.Fill(1.0);
    w.SetVal(16, 0.0);
    ASSERT_TRUE(MultiLinReg(x, y, res, &w));
    EXPECT_EQ(res.NumObs, 15);
    EXPECT_EQ(res.Residuals.size(), 16u);
}

TEST(LsqRidge, ClosedFormRawAndStandardised) {
    const lsqtest::Refs r("lsq_ridge.txt");
    TMatrix x;
    TVector y;
    lsqtest::ToMatrix(r["x"], x);
    lsqtest::ToVector(r["y"], y);
    for (const char* lam : {"0", "0.5", "10"}) {
        SCOPED_TRACE(lam);
        const double lambda = std::stod(lam);
        TRidgeResult res;
        ASSERT_TRUE(RidgeReg(x, y, lambda, res));
        for (int k = 0; k < 5; ++k)
            EXPECT_NEAR(res.Coeffs[k], r[std::string("raw_") + lam].v[k],
                        1e-12 * (1 + std::fabs(r[std::string("raw_") + lam].v[k])));
        EXPECT_GT(res.EffectiveDF, 1.0);
        EXPECT_LE(res.EffectiveDF, 5.0 + 1e-12);
        ASSERT_TRUE(RidgeRegStd(x, y, lambda, res));
        for (int k = 0; k < 5; ++k)
            EXPECT_NEAR(res.Coeffs[k], r[std::string("std_") + lam].v[k],
                        1e-12 * (1 + std::fabs(r[std::string("std_") + lam].v[k])));
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(res.StdCoeffs[k], r[std::string("stdg_") + lam].v[k], 1e-12);
    }
    TRidgeResult res;
    EXPECT_FALSE(RidgeReg(x, y, -1.0, res));
    EXPECT_FALSE(RidgeRegStd(x, y, kNaN, res));
}

TEST(LsqSimPLS, SingleResponseMatchesSklearnAndFullRankIsLeastSquares) {
    const lsqtest::Refs r("lsq_pls.txt");
    TMatrix x, y;
    const auto& yb = r["y"];
    lsqtest::ToMatrix(r["x"], x);
    y.Resize(1, yb.cols);
    for (int i = 0; i < yb.cols; ++i) y.SetVal(1, i + 1, yb.v[i]);
    TMatrix W, P, Q, T, U, B;
    TVector b0;
    for (int k : {1, 2, 4}) {
        SCOPED_TRACE(k);
        int comps = k;
        ASSERT_TRUE(SimPLS(x, y, comps, W, P, Q, T, U, B, b0));
        ASSERT_EQ(comps, k);
        const auto& coef = r["coef_" + std::to_string(k)];
        const auto& pred = r["pred_" + std::to_string(k)];
        for (int j = 0; j < 6; ++j) EXPECT_NEAR(B.GetVal(1, j + 1), coef.v[j], 1e-10);
        for (int i = 0; i < 30; ++i) {
            double f = b0.GetVal(1);
            for (int j = 1; j <= 6; ++j) f += x.GetVal(j, i + 1) * B.GetVal(1, j);
            EXPECT_NEAR(f, pred.v[i], 1e-10);
        }
        // Orthonormal X-scores.
        for (int a = 1; a <= k; ++a)
            for (int c = 1; c <= k; ++c) {
                double s = 0.0;
                for (int i = 1; i <= 30; ++i) s += T.GetVal(a, i) * T.GetVal(c, i);
                EXPECT_NEAR(s, a == c ? 1.0 : 0.0, 1e-12);
            }
    }
    // Two responses with all components: the coefficients are those of least squares.
    TMatrix y2;
    y2.Resize(2, 30);
    for (int i = 1; i <= 30; ++i) {
        y2.SetVal(1, i, yb.v[i - 1]);
        y2.SetVal(2, i, x.GetVal(2, i) - 3 * x.GetVal(4, i) + std::sin(i));
    }
    int comps = 6;
    ASSERT_TRUE(SimPLS(x, y2, comps, W, P, Q, T, U, B, b0));
    ASSERT_EQ(comps, 6);
    for (int resp = 1; resp <= 2; ++resp) {
        TVector col;
        y2.CopyColToVec(&col, resp, 0, 0);
        col.Resize(30);
        y2.CopyColToVec(&col, resp, 0, 0);
        TLinRegResult ols;
        ASSERT_TRUE(MultiLinReg(x, col, ols));
        for (int j = 1; j <= 6; ++j) EXPECT_NEAR(B.GetVal(resp, j), ols.Coeffs[j], 1e-9);
        EXPECT_NEAR(b0.GetVal(resp), ols.Coeffs[0], 1e-9);
    }
    comps = 7;  // more than the predictors
    EXPECT_FALSE(SimPLS(x, y2, comps, W, P, Q, T, U, B, b0));
}

TEST(LsqVCA, FindsThePurePixelsInBothProjections) {
    // 3 endmembers over 8 bands, 60 mixtures with Dirichlet-like abundances; the pure pixels sit
    // at rows 7, 23 and 41.
    SetRandSeed(4242);
    const int L = 8, N = 60, p = 3;
    double m[p][L];
    for (int k = 0; k < p; ++k)
        for (int b = 0; b < L; ++b)
            m[k][b] = 0.2 + 0.8 * std::fabs(std::sin(1.3 * (k + 1) * (b + 1) + k));
    TMatrix data;
    data.Resize(L, N);
    const int pure[p] = {7, 23, 41};
    for (int i = 1; i <= N; ++i) {
        double a[p], s = 0.0;
        for (int k = 0; k < p; ++k) s += a[k] = 0.2 + Random();
        for (int k = 0; k < p; ++k) a[k] /= s;
        for (int k = 0; k < p; ++k)
            if (pure[k] == i)
                for (int j = 0; j < p; ++j) a[j] = j == k ? 1.0 : 0.0;
        for (int b = 0; b < L; ++b) {
            double v = 0.0;
            for (int k = 0; k < p; ++k) v += a[k] * m[k][b];
            data.SetVal(b + 1, i, v);
        }
    }
    for (double snr : {kNaN, 0.0}) {  // estimated (noise-free: projective) and forced low
        SCOPED_TRACE(snr);
        TIntArray idx;
        TMatrix sig;
        ASSERT_TRUE(VertexCompAnalysis(data, p, idx, sig, snr));
        ASSERT_EQ(idx.size(), 3u);
        std::vector<int> sorted(idx.begin(), idx.end());
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (std::vector<int>{7, 23, 41}));
        ASSERT_EQ(sig.NrOfRows(), 3);
        ASSERT_EQ(sig.NrOfColumns(), L);
        for (int k = 0; k < 3; ++k)
            for (int b = 1; b <= L; ++b)
                EXPECT_NEAR(sig.GetVal(b, k + 1), data.GetVal(b, idx[k]), 1e-12);
    }
    TIntArray idx;
    TMatrix sig;
    EXPECT_FALSE(VertexCompAnalysis(data, 9, idx, sig, kNaN));
    EXPECT_FALSE(VertexCompAnalysis(data, 0, idx, sig, kNaN));
}

TEST(LsqNames, ExtractVarNames) {
    TStrArray names;
    EXPECT_EQ(
        ExtractVarNames(" GNP deflator , GNP;\"Armed, Forces\"\t\"say \"\"hi\"\"\"", 5, names), 4);
    EXPECT_EQ(names, (TStrArray{"GNP deflator", "GNP", "Armed, Forces", "say \"hi\"", "V5"}));
    EXPECT_EQ(ExtractVarNames("a,,c\r\n", 3, names), 2);
    EXPECT_EQ(names, (TStrArray{"a", "V2", "c"}));
    EXPECT_EQ(ExtractVarNames("", 0, names), 0);
    EXPECT_TRUE(names.empty());
    names = {"keep"};
    EXPECT_EQ(ExtractVarNames("\"open", 2, names), -1);
    EXPECT_EQ(ExtractVarNames("\"x\"y", 2, names), -1);
    EXPECT_EQ(ExtractVarNames("a,b,c", 2, names), -2);
    EXPECT_EQ(ExtractVarNames("a, a", 2, names), -3);
    EXPECT_EQ(ExtractVarNames("V2", 2, names), -3);
    EXPECT_EQ(names, (TStrArray{"keep"}));
}
