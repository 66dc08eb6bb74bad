// Group, two-sample, normality, runs and outlier tests against R and scipy
// (tests/data/statis_tests/tests.txt).

#include <gtest/gtest.h>

#include <cmath>

#include "htest_refs.hpp"
#include "ozm/base/asc.hpp"
#include "ozm/base/constants.hpp"
#include "ozm/statis/critical.hpp"
#include "ozm/statis/distributions.hpp"
#include "ozm/statis/tests.hpp"
#include "test_support.hpp"

namespace {

using namespace ozm::statis;
using ozm::TIntVector;
using ozm::TVector;

// Statistics are short sums in extended precision: agreement to a few ulps scaled by the
// condition of the sum. p-values go through the incomplete beta/gamma kernels (about 1e-14
// relative) and R's own (about 1e-14), so 1e-11 relative covers both with margin.
constexpr double kStatTol = 1e-12;
constexpr double kPTol = 1e-11;

void Put(TVector& v, const double* x, size_t n) {
    v.Resize(int(n));
    for (size_t i = 0; i < n; ++i) v.SetVal(int(i + 1), x[i]);
}

void ExpectRel(double got, double want, double tol) {
    EXPECT_NEAR(got, want, tol * std::fabs(want)) << "want " << want;
}

const std::vector<ozm::testing::RefCase>& Refs() {
    static const auto refs = ozm::testing::LoadTestRefs("tests.txt");
    return refs;
}

const ozm::testing::RefCase& Case(const std::string& name) {
    for (const auto& c : Refs())
        if (c.name == name) return c;
    throw std::runtime_error("no reference case " + name);
}

TEST(HypothesisTests, TwoSampleTestsAgainstR) {
    int checked = 0;
    for (const char* name : {"small", "ties", "spread", "large", "offset"}) {
        SCOPED_TRACE(name);
        const auto& c = Case(name);
        TVector x, y;
        Put(x, c.at("x").data(), c.at("x").size());
        Put(y, c.at("y").data(), c.at("y").size());
        double t, df;
        // Data near 1e6 with unit spread cost R's double-precision sums six digits; the library
        // sums in extended precision, so there the reference is the less accurate side.
        const bool offset = std::string(name) == "offset";
        const double statTol = offset ? 1e-9 : kStatTol, pTol = offset ? 1e-9 : kPTol;
        ExpectRel(Perform2SampleTTest(x, y, true, t, df), c.num("ttest", 2), pTol);
        ExpectRel(t, c.num("ttest", 0), statTol);
        EXPECT_EQ(df, c.num("ttest", 1));
        ExpectRel(Perform2SampleTTest(x, y, false, t, df), c.num("ttest", 5), pTol);
        ExpectRel(t, c.num("ttest", 3), statTol);
        ExpectRel(df, c.num("ttest", 4), statTol);

        double U, z;
        const double p = PerformMannWhitneyUTest(x, y, U, z);
        EXPECT_EQ(U, c.num("mwu", 0));
        ExpectRel(p, c.num("mwu", 1), kPTol);
        EXPECT_EQ(z == 0.0, c.num("mwu", 2) == 1.0);  // exact exactly where R was exact
        ++checked;
    }
    EXPECT_EQ(checked, 5);

    TVector one, two;
    one.Resize(1);
    two.Resize(3);
    double t, df, U, z;
    EXPECT_EQ(Perform2SampleTTest(one, two, true, t, df), -1);
    two.Fill(4.0);
    TVector three;
    three.Resize(2);
    three.Fill(4.0);
    EXPECT_EQ(Perform2SampleTTest(three, two, false, t, df), -3);
    EXPECT_EQ(PerformMannWhitneyUTest(three, two, U, z), -3);
}

TEST(HypothesisTests, ShapiroWilkAgainstR) {
    int checked = 0;
    for (const auto& [key, v] : Case("shapiro").records) {
        const size_t n = size_t(v[0]);
        SCOPED_TRACE(n);
        TVector x;
        Put(x, &v[3], n);
        double W;
        const double p = ShapiroWilkTest(x, W);
        // R computes the weights in double precision: W agrees to ~1e-14 of 1 - W.
        EXPECT_NEAR(W, v[1], 1e-12);
        EXPECT_NEAR(p, v[2], 1e-9 * std::max(v[2], 1e-3));
        ++checked;
    }
    EXPECT_EQ(checked, 12);
    TVector x;
    double W;
    x.Resize(2);
    EXPECT_EQ(ShapiroWilkTest(x, W), -1);
    x.Resize(5001);
    EXPECT_EQ(ShapiroWilkTest(x, W), -2);
    x.Resize(10);
    x.Fill(3.0);
    EXPECT_EQ(ShapiroWilkTest(x, W), -3);
}

TEST(HypothesisTests, NormalityDistancesAgainstScipy) {
    int checked = 0;
    for (const auto& [key, v] : Case("ks").records) {
        const size_t n = size_t(v[0]);
        TVector x;
        Put(x, &v[3], n);
        EXPECT_NEAR(PerformKSNormalityTest(x, false), v[1], 1e-14);
        // Sorted in place: a second call with IsSorted gives the same.
        EXPECT_NEAR(PerformKSNormalityTest(x, true), v[1], 1e-14);
        Put(x, &v[3], n);
        EXPECT_NEAR(PerformLillieforsTest(x, false), v[2], 1e-13);
        ++checked;
    }
    EXPECT_EQ(checked, 3);
}

TEST(HypothesisTests, AnovaLeveneFriedmanAgainstR) {
    int checked = 0;
    for (const auto& [key, v] : Case("anova").records) {
        const size_t n = size_t(v[0]);
        TVector x;
        TIntVector g;
        Put(x, &v[1], n);
        g.Resize(int(n));
        for (size_t i = 0; i < n; ++i) g.SetVal(int(i + 1), int32_t(v[1 + n + i]));
        const double* r = &v[1 + 2 * n];
        double ssb, ssw, sst, F;
        int dfb, dfw, dft;
        const double p = Anova1F(x, g, ssb, ssw, sst, dfb, dfw, dft, F);
        ExpectRel(ssb, r[0], kStatTol);
        ExpectRel(ssw, r[1], kStatTol);
        ExpectRel(sst, r[0] + r[1], kStatTol);
        ExpectRel(F, r[2], kStatTol);
        ExpectRel(p, r[3], kPTol);
        EXPECT_EQ(dft, int(n) - 1);
        EXPECT_EQ(dfb + dfw, dft);
        ExpectRel(LeveneTest(x, g, F), r[5], kPTol);
        ExpectRel(F, r[4], kStatTol);
        ++checked;
    }
    EXPECT_EQ(checked, 2);
    for (const auto& [key, v] : Case("friedman").records) {
        ozm::TMatrix m;
        m.Resize(4, 8);
        for (int r = 1; r <= 8; ++r)
            for (int c = 1; c <= 4; ++c) m.SetVal(c, r, v[size_t((r - 1) * 4 + c - 1)]);
        double chi2;
        ExpectRel(FriedmanTest(m, chi2), v[33], kPTol);
        ExpectRel(chi2, v[32], kStatTol);
        ++checked;
    }
    EXPECT_EQ(checked, 4);

    // Codes and the degenerate cases.
    TVector x;
    TIntVector g;
    x.Resize(4);
    g.Resize(3);
    double ssb, ssw, sst, F, chi2;
    int dfb, dfw, dft;
    EXPECT_EQ(Anova1F(x, g, ssb, ssw, sst, dfb, dfw, dft, F), -4);
    g.Resize(4);
    g.Fill(1);
    EXPECT_EQ(Anova1F(x, g, ssb, ssw, sst, dfb, dfw, dft, F), -1);
    for (int i = 1; i <= 4; ++i) g.SetVal(i, i);
    EXPECT_EQ(LeveneTest(x, g, F), -2);
    // Groups {1, 1}, {2, 2} of equal values: all variation lies between the groups.
    g.SetVal(2, 1), g.SetVal(4, 3);
    g.SetVal(3, 3);
    x.SetVal(1, 0.1), x.SetVal(2, 0.1), x.SetVal(3, 0.7), x.SetVal(4, 0.7);
    EXPECT_EQ(Anova1F(x, g, ssb, ssw, sst, dfb, dfw, dft, F), 0.0);
    EXPECT_EQ(F, ozm::uc_MaxReal);
    x.Fill(0.3);
    EXPECT_EQ(Anova1F(x, g, ssb, ssw, sst, dfb, dfw, dft, F), -3);
    EXPECT_EQ(F, 0.0);
    ozm::TMatrix two;
    two.Resize(2, 5);
    EXPECT_EQ(FriedmanTest(two, chi2), -1);
}

TEST(HypothesisTests, RunsAgainstEnumeration) {
    int checked = 0;
    for (const auto& [key, v] : Case("runs").records) {
        const int n1 = int(v[0]), n2 = int(v[1]);
        for (int r = 2; r <= n1 + n2 + 1; ++r) {
            EXPECT_NEAR(ExactRunsTest(n1, n2, r), v[size_t(2 + r)], 1e-14) << n1 << " " << n2 << " " << r;
            EXPECT_NEAR(ExactRunsTest(n2, n1, r), v[size_t(2 + r)], 1e-14);
        }
        ++checked;
    }
    EXPECT_EQ(checked, 4);
    EXPECT_EQ(ExactRunsTest(0, 5, 3), -1);

    // Too many runs are significant as well as too few: alternating bits of length 20.
    ozm::TBitFld bits(19);
    for (int i = 0; i < 20; i += 2) bits.SetBit(i, true);
    double p;
    EXPECT_TRUE(RunsTest(bits, p));
    EXPECT_NEAR(p, 2 * 2.0 / 184756.0, 1e-15);  // 2 of C(20, 10) arrangements alternate
    // Two blocks: 2 runs, too few.
    bits.Clear();
    for (int i = 0; i < 10; ++i) bits.SetBit(i, true);
    EXPECT_TRUE(RunsTest(bits, p));
    EXPECT_NEAR(p, 2 * 2.0 / 184756.0, 1e-15);
    // One kind only: nothing to test.
    bits.Clear();
    EXPECT_FALSE(RunsTest(bits, p));
    EXPECT_EQ(p, 1.0);
    // Beyond 25 of a kind the normal approximation: 60 alternating bits.
    ozm::TBitFld longBits(59);
    for (int i = 0; i < 60; i += 2) longBits.SetBit(i, true);
    EXPECT_TRUE(RunsTest(longBits, p));
    // z = (60 - 31)/sqrt(1800*1740/(3600*59)) = 29/3.8406..., two-sided.
    const double z = 29.0 / std::sqrt(1800.0 * 1740.0 / (3600.0 * 59.0));
    EXPECT_NEAR(p, std::erfc(z / std::sqrt(2.0)), 1e-12 * p);

    TVector serial;
    serial.Resize(12);
    for (int i = 1; i <= 12; ++i) serial.SetVal(i, i);  // trend: two runs around the median
    EXPECT_TRUE(RunsTestSerial(serial, p));
    EXPECT_NEAR(p, 2 * 2.0 / 924.0, 1e-15);
}

TEST(HypothesisTests, OutliersPercentilesAndDensity) {
    const auto& g = Case("grubbs").records.at(0).second;
    TVector x;
    Put(x, &g[2], g.size() - 2);
    double G;
    const int ix = GrubbsTest(x, 0.05, G);
    EXPECT_NEAR(G, g[0], 1e-13);
    // The t quantile behind the critical value is solved to about 1e-9 relative.
    EXPECT_NEAR(GrubbsCriticalValues(x.NrOfElem(), 0.05, true), g[1], 1e-8);
    EXPECT_EQ(ix, g[0] > g[1] ? x.NrOfElem() : 0);
    EXPECT_THROW(GrubbsTest(x, 1.0, G), ozm::EOZMStatisError);
    TVector four;
    four.Resize(3);
    try {
        GrubbsTest(four, 0.05, G);
        ADD_FAILURE();
    } catch (const ozm::EOZMStatisError& e) {
        EXPECT_EQ(e.message(), "GrubbsTest: number of data points is too low");
    }
    four.Resize(4);
    four.Fill(2.0);
    EXPECT_EQ(GrubbsTest(four, 0.05, G), 0);
    EXPECT_EQ(G, 0.0);

    // Dean-Dixon: the position in the unsorted input is reported; equal values give Q = 0.
    TVector dd;
    const double d[] = {10.1, 10.4, 9.8, 14.9, 10.0, 10.2};
    Put(dd, d, 6);
    double Q;
    EXPECT_EQ(DeanDixonTest(dd, TSignifLevelEx::Dot050, Q), 4);
    EXPECT_NEAR(Q, (14.9 - 10.4) / (14.9 - 9.8), 1e-15);
    EXPECT_EQ(dd.GetVal(4), 14.9);  // unchanged
    dd.Resize(3);
    dd.Fill(3.0);
    EXPECT_EQ(DeanDixonTest(dd, TSignifLevelEx::Dot050, Q), 0);
    EXPECT_EQ(Q, 0.0);
    dd.Resize(2);
    try {
        DeanDixonTest(dd, TSignifLevelEx::Dot050, Q);
        ADD_FAILURE();
    } catch (const ozm::EOZMStatisError& e) {
        EXPECT_EQ(e.message(), "DeanDixonTest: number of data points is too low");
    }
    EXPECT_EQ(DurbinWatson({1.0, 2.0}), 2.0);
    EXPECT_DOUBLE_EQ(DurbinWatson({1.0, -1.0, 1.0}), 8.0 / 3.0);
    EXPECT_EQ(DurbinWatson({0.0, 0.0, 0.0}), 0.0);

    // Percentiles: order statistics of a range; 100 percent is its maximum.
    ozm::TDoubleArray a = {9, 1, 8, 2, 7, 3, 6, 4, 5};
    double pct;
    EXPECT_EQ(PercentileOfArray(a, 100, 2, 6, pct), 0);
    EXPECT_EQ(pct, 8);
    a = {9, 1, 8, 2, 7, 3, 6, 4, 5};
    EXPECT_EQ(PercentileOfArray(a, 50, 0, 8, pct), 0);
    EXPECT_EQ(pct, 5);  // round(4.5) = 4 (ties to even): the fifth smallest
    EXPECT_EQ(PercentileOfArray(a, 101, 0, 8, pct), -2);
    EXPECT_EQ(PercentileOfArray(a, 50, 5, 4, pct), -3);
    EXPECT_EQ(PercentileOfArray(a, 50, 0, 9, pct), -1);

    // Kernel density: with a radius below every spacing each width is BandWidth·Radius, a
    // fixed-width Gaussian kernel estimate (scipy's gaussian_kde).
    const auto& k = Case("kde");
    const double h = k.num("kde", 0);
    TVector data, dens;
    Put(data, &k.at("kde")[1], k.at("kde").size() - 1);
    int calls = 0;
    double lastPct = 0;
    int ixMin, ixMax;
    EstimateProbDensity(data, dens, -3, 3, h / 1e-9, 1e-9, 20, ixMin, ixMax,
                        [&](ozm::TObject* s, double pctDone, double count) {
                            EXPECT_EQ(s, nullptr);
                            EXPECT_EQ(count, ++calls);
                            lastPct = pctDone;
                        });
    EXPECT_EQ(calls, 60 + 21);
    EXPECT_DOUBLE_EQ(lastPct, 100.0);
    const auto& want = k.at("kdegrid");
    ASSERT_EQ(dens.NrOfElem(), 21);
    double mx = 0, mn = 1e300;
    for (int j = 0; j <= 20; ++j) {
        EXPECT_NEAR(dens.GetVal(j + 1), want[size_t(j)], 1e-14);
        mx = std::max(mx, want[size_t(j)]);
        mn = std::min(mn, want[size_t(j)]);
    }
    EXPECT_NEAR(dens.GetVal(ixMax), mx, 1e-14);
    EXPECT_NEAR(dens.GetVal(ixMin), mn, 1e-14);
}

}  // namespace

namespace {

TEST(HypothesisTests, PLSModelComment) {
    ozm::testing::ScratchDir dir;
    ozm::TMatrix coeffs;
    coeffs.Resize(2, 3);
    coeffs.Fill(0.25);
    const std::string file = dir.file("model.asc");
    ASSERT_EQ(coeffs.ExportAsASC(file, "SIMPLS, 2 components, scaled X"), 0);
    std::string comment = "stale";
    EXPECT_EQ(LoadPLSModelComment(file, comment), ozm::kAscHeaderOk);
    EXPECT_EQ(comment, "SIMPLS, 2 components, scaled X");
    EXPECT_EQ(LoadPLSModelComment(dir.file("missing.asc"), comment), ozm::kAscCannotOpen);
    EXPECT_EQ(comment, "");
    ozm::testing::WriteWholeFile(dir.file("short.asc"), "a comment\n2\n");
    EXPECT_EQ(LoadPLSModelComment(dir.file("short.asc"), comment), ozm::kAscHeaderTruncated);
    EXPECT_EQ(comment, "");
}

}  // namespace

namespace {

TEST(HypothesisTests, MedianTestAgainstR) {
    int checked = 0;
    for (const auto& [key, v] : Case("median").records) {
        const size_t nx = size_t(v[0]), ny = size_t(v[1]);
        const ozm::TDoubleArray x(v.begin() + 2, v.begin() + 2 + long(nx));
        const ozm::TDoubleArray y(v.begin() + 2 + long(nx), v.begin() + 2 + long(nx + ny));
        const double* r = &v[2 + nx + ny];
        double chi2, p, chi2y, py, pf;
        ASSERT_EQ(MedianTest(x, y, chi2, p, chi2y, py, pf), 0);
        EXPECT_NEAR(chi2, r[0], 1e-13 * std::max(1.0, r[0]));
        ExpectRel(p, r[1], kPTol);
        EXPECT_NEAR(chi2y, r[2], 1e-13 * std::max(1.0, r[2]));
        ExpectRel(py, r[3], kPTol);
        ExpectRel(pf, r[4], 1e-11);
        ++checked;
    }
    EXPECT_EQ(checked, 3);
    double chi2, p, chi2y, py, pf;
    EXPECT_EQ(MedianTest({}, {1.0}, chi2, p, chi2y, py, pf), -1);
    EXPECT_EQ(pf, -1.0);
    // All values equal: every value lies at the median, one side is empty.
    EXPECT_EQ(MedianTest({2.0, 2.0}, {2.0, 2.0, 2.0}, chi2, p, chi2y, py, pf), -2);
    EXPECT_EQ(chi2y, 0.0);
    EXPECT_EQ(pf, 1.0);
}

}  // namespace

namespace {

// Adaptive widths: the values closer than Radius to a point set its width (their mean spacing,
// Radius/count when they are equal, Radius when alone); the estimate integrates to 1.
TEST(HypothesisTests, DensityWithAdaptiveWidths) {
    TVector data;
    const double x[] = {10, 2, 0, 1};
    Put(data, x, 4);
    TVector dens;
    int ixMin, ixMax;
    // Widths 0.5·1 for 0, 1, 2 (spacing 1 within radius 1.5), 0.5·1.5 for the lone 10.
    EstimateProbDensity(data, dens, -10, 25, 0.5, 1.5, 10000, ixMin, ixMax, nullptr);
    EXPECT_EQ(data.GetVal(1), 0.0);  // sorted in place
    EXPECT_EQ(data.GetVal(4), 10.0);
    double integral = 0;
    for (int j = 1; j <= 10001; ++j) integral += dens.GetVal(j) * 35.0 / 10000;
    EXPECT_NEAR(integral, 1.0, 1e-9);
    // At x = 10 (grid index 5715 + 1: -10 + 5714·0.0035 = 9.999) the lone point dominates.
    const double at = -10 + 5714 * 0.0035;
    const double h10 = 0.75, h = 0.5, c = 1 / (4 * std::sqrt(2 * std::acos(-1.0)));
    const double want = c * (std::exp(-0.5 * std::pow((at - 10) / h10, 2)) / h10 +
                             std::exp(-0.5 * std::pow((at - 2) / h, 2)) / h);
    EXPECT_NEAR(dens.GetVal(5715), want, 1e-14);
    EXPECT_NEAR(-10 + (ixMax - 1) * 0.0035, 1.0, 0.01);  // the peak lies over the cluster

    // Three equal values within the radius: width Radius/3 each, times the band width 1.
    const double same[] = {3, 3, 3};
    Put(data, same, 3);
    EstimateProbDensity(data, dens, 3, 4, 1, 0.9, 10, ixMin, ixMax, nullptr);
    EXPECT_NEAR(dens.GetVal(1), 1 / (0.3 * std::sqrt(2 * std::acos(-1.0))), 1e-14);
    EXPECT_EQ(ixMax, 1);
    EXPECT_EQ(ixMin, 11);
}

}  // namespace
