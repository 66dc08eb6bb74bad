// TCurveFit: statistics and fits against scipy/numpy, the pair counts against the quadratic loop,
// the sums against removal and flipping, the ASC file round trip.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "curvefit_refs.hpp"
#include "polyfit_stress_refs.hpp"
#include "ozm/math1.hpp"
#include "ozm/math2.hpp"
#include "ozm/platform/exceptions.hpp"

namespace ozm {
namespace {

void Enter(TCurveFit& fit, const std::vector<double>& x, const std::vector<double>& y) {
    fit.Init();
    for (size_t i = 0; i < x.size(); ++i) fit.EnterStatValue(x[i], y[i]);
}

// Every observable that the running sums determine, for comparing two states.
std::vector<double> SumSignature(const TCurveFit& f) {
    int n = 0;
    double mx, my, sx, sy, md, sd, r;
    f.CalcStatistics(n, mx, my, sx, sy, md, sd, r);
    std::vector<double> sig = {double(n), mx, my, sx, sy, md, sd, r};
    if (n > 2) {
        double cr, cx, cy;
        f.CalcCircleFit(cr, cx, cy);
        sig.insert(sig.end(), {cr, cx, cy});
    }
    int a, b, c;
    double e[6];
    f.CalcAnovaReg(1, true, a, b, c, e[0], e[1], e[2], e[3], e[4], e[5]);
    sig.insert(sig.end(), e, e + 6);
    return sig;
}

void ExpectSignaturesNear(const std::vector<double>& a, const std::vector<double>& b,
                          double rel) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_NEAR(a[i], b[i], rel * std::max(1.0, std::fabs(a[i]))) << i;
}

TEST(CurveFit, StatisticsAndFitsAgainstScipy) {
    // The sums are extended-precision; what remains is the rounding of double inputs and results.
    constexpr double kTol = 1e-12;
    TCurveFit fit;
    for (const auto& ref : curvefit_refs::kRefSets) {
        SCOPED_TRACE(ref.name);
        Enter(fit, ref.x, ref.y);
        EXPECT_NEAR(fit.GetRxy(), ref.pearson, kTol);
        EXPECT_NEAR(fit.GetSpearman(), ref.spearman, kTol);
        double p = 0;
        EXPECT_NEAR(fit.KendallsTau(p), ref.kendall, kTol);
        if (ref.kendallP >= 0) {
            // p = 1 - ErfApprox: the fractional error 1.2e-7 of its complementary function,
            // plus the rounding of 1 - erf.
            EXPECT_NEAR(p, ref.kendallP, 1.2e-7 * ref.kendallP + 1e-15);
        }
        double k, d, q;
        fit.CalcLinFit(k, d, q);
        EXPECT_NEAR(k, ref.slope, kTol * std::fabs(ref.slope) + 1e-14);
        EXPECT_NEAR(d, ref.intercept, kTol * std::max(1.0, std::fabs(ref.intercept)));
        EXPECT_NEAR(q, ref.r2, kTol);
        double k0, k1, k2;
        fit.CalcParabolFit(k0, k1, k2, q);
        // Far from the origin the power basis is ill conditioned: numpy's own solution carries
        // about cond * eps of error there, so the comparison is on the fitted values.
        for (double x : {ref.x.front(), ref.x[ref.x.size() / 2], ref.x.back()}) {
            const double mine = k0 + k1 * x + k2 * x * x;
            const double theirs = ref.k0 + ref.k1 * x + ref.k2 * x * x;
            EXPECT_NEAR(mine, theirs, 1e-8 * std::max(1.0, std::fabs(theirs)));
        }
        EXPECT_NEAR(q, ref.parabolaR2, 1e-9);
        double r, cx, cy;
        fit.CalcCircleFit(r, cx, cy);
        EXPECT_NEAR(r, ref.radius, 1e-6 * ref.radius);
        EXPECT_NEAR(cx, ref.cx, 1e-6 * std::max(1.0, std::fabs(ref.cx)));
        EXPECT_NEAR(cy, ref.cy, 1e-6 * std::max(1.0, std::fabs(ref.cy)));
    }
}

// The merge-sort pair counts against the comparison of every pair, on data with ties in x, in
// y and in both, and with NaN pairs (which the quadratic loop counts nowhere).
TEST(CurveFit, PairCountsEqualTheQuadraticLoop) {
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> small(0, 6);
    TCurveFit fit;
    for (int n : {3, 4, 10, 57, 200}) {
        std::vector<double> x(n), y(n);
        for (int i = 0; i < n; ++i) {
            x[i] = small(gen);
            y[i] = small(gen) - 0.5 * small(gen);
        }
        if (n > 10) x[3] = std::nan("");
        Enter(fit, x, y);
        double c = 0, d = 0, t1 = 0, t2 = 0;
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) {
                const double dx = x[i] - x[j], dy = y[i] - y[j], h = dx * dy;
                if (h > 0) ++c;
                if (h < 0) ++d;
                if (h == 0 && dx != 0) ++t1;
                if (h == 0 && dy != 0) ++t2;
            }
        const double gamma = c + d > 0 ? (c - d) / (c + d) : 0;
        EXPECT_DOUBLE_EQ(fit.GetKruskalGamma(), gamma) << n;
        const double root = std::sqrt((c + d + t1) * (c + d + t2));
        double p;
        EXPECT_DOUBLE_EQ(fit.KendallsTau(p), root > 0 ? (c - d) / root : 0) << n;
    }
}

TEST(CurveFit, WorkedExamples) {
    TCurveFit fit;
    fit.EnterStatValue(1, 2);
    fit.EnterStatValue(2, 4);
    fit.EnterStatValue(3, 6);
    double k, d, q;
    fit.CalcLinFit(k, d, q);
    EXPECT_DOUBLE_EQ(k, 2);
    EXPECT_NEAR(d, 0, 1e-15);
    EXPECT_DOUBLE_EQ(q, 1);
    EXPECT_DOUBLE_EQ(fit.GetRxy(), 1);
    EXPECT_DOUBLE_EQ(fit.GetSpearman(), 1);

    fit.Init();
    for (int i = 0; i < 4; ++i) fit.EnterStatValue(5, i);
    try {
        fit.CalcLinFit(k, d, q);
        FAIL();
    } catch (const EOZMMath2Error& e) {
        EXPECT_STREQ(e.what(), "CalcLinFit: slope is infinite");
    }
    EXPECT_EQ(fit.GetSpearman(), 0);  // every x tied

    fit.Init();
    for (double a : {0.3, 1.9, 3.3, 5.0})
        fit.EnterStatValue(1 + 2 * std::cos(a), -1 + 2 * std::sin(a));
    double r, cx, cy;
    fit.CalcCircleFit(r, cx, cy);
    EXPECT_NEAR(r, 2, 1e-12);
    EXPECT_NEAR(cx, 1, 1e-12);
    EXPECT_NEAR(cy, -1, 1e-12);

    fit.Init();
    fit.EnterStatValue(80, 350);
    fit.EnterStatValue(100, 20);
    EXPECT_NEAR(fit.GetMeanXDegrees(), 90, 1e-12);
    EXPECT_NEAR(fit.GetMeanYDegrees(), 5, 1e-12);

    // Identical observed and estimated values: no error, F at its cap.
    fit.Init();
    for (double v : {1.0, 3.0, 4.0, 8.0}) fit.EnterStatValue(v, v);
    int dfreg, dfres, dftotal;
    double sse, ssr, sst, mse, msr, f;
    fit.CalcAnovaReg(1, true, dfreg, dfres, dftotal, sse, ssr, sst, mse, msr, f);
    EXPECT_EQ(sse, 0);
    EXPECT_EQ(f, 1e10);
    EXPECT_EQ(dftotal, 3);
    EXPECT_EQ(dfres, 2);

    // Too few points.
    fit.Init();
    fit.EnterStatValue(1, 1);
    EXPECT_THROW(fit.CalcLinFit(k, d, q), EOZMMath2Error);
    double k0, k1, k2;
    fit.EnterStatValue(2, 1);
    try {
        fit.CalcParabolFit(k0, k1, k2, q);
        FAIL();
    } catch (const EOZMMath2Error& e) {
        EXPECT_STREQ(e.what(), "CalcParabolFit: not enough data points");
    }
    try {
        fit.CalcCircleFit(r, cx, cy);
        FAIL();
    } catch (const EOZMMath2Error& e) {
        EXPECT_STREQ(e.what(), "CalcCircleFit: not enough data points");
    }
    fit.EnterStatValue(3, 1);  // collinear
    try {
        fit.CalcCircleFit(r, cx, cy);
        FAIL();
    } catch (const EOZMMath2Error& e) {
        EXPECT_STREQ(e.what(), "CalcCircleFit: radius is infinite");
    }
    EXPECT_EQ(fit.GetStdDevX(), 1.0);
    EXPECT_EQ(fit.GetRxy(), 0.0);  // y constant
}

TEST(CurveFit, RemovalFlipAndGrowthKeepTheSums) {
    std::mt19937 gen(3);
    std::uniform_real_distribution<double> u(0.5, 20);
    TCurveFit fit;
    std::vector<double> x(2500), y(2500);
    for (size_t i = 0; i < x.size(); ++i) {
        x[i] = u(gen);
        y[i] = u(gen) * (i % 7 == 0 ? 0 : 1);  // some zeros for the substituted reciprocals
        EXPECT_EQ(fit.EnterStatValue(x[i], y[i]), int(i + 1));
    }
    const auto before = SumSignature(fit);
    // Remove pair 300 and enter it again: the sums come back; the later pairs moved up in order.
    fit.RemoveStatValue(300);
    EXPECT_EQ(fit.NumData(), 2499);
    EXPECT_EQ(fit.GetDataX(300), x[300]);
    EXPECT_EQ(fit.GetDataY(2499), y[2499]);
    fit.EnterStatValue(x[299], y[299]);
    ExpectSignaturesNear(SumSignature(fit), before, 1e-12);
    fit.RemoveStatValue(0);
    fit.RemoveStatValue(5000);
    EXPECT_EQ(fit.NumData(), 2500);

    // Flipping twice restores everything; once, it exchanges the roles.
    const double meanX = fit.GetMeanX(), minY = fit.MinY();
    fit.FlipXY();
    EXPECT_EQ(fit.GetMeanY(), meanX);
    EXPECT_EQ(fit.MinX(), minY);
    EXPECT_EQ(fit.GetDataY(7), x[6]);
    EXPECT_DOUBLE_EQ(fit.GetMeanDiff(), -(meanX - fit.GetMeanX()));
    fit.FlipXY();
    ExpectSignaturesNear(SumSignature(fit), before, 1e-12);
    EXPECT_TRUE(fit.ErrIndic().Contains(TCurveFitError::cfeYEQ0));
    EXPECT_TRUE(fit.ErrIndic().Contains(TCurveFitError::cfeYLE0));
    EXPECT_FALSE(fit.ErrIndic().Contains(TCurveFitError::cfeXLE0));
    EXPECT_EQ(fit.GetDataX(0), 0);
    EXPECT_EQ(fit.GetDataX(2501), 0);
}

TEST(CurveFit, OrderStatisticsFollowTheMatrixRules) {
    TCurveFit fit;
    double q1, q2, q3;
    EXPECT_FALSE(fit.QuartilesX(q1, q2, q3));
    EXPECT_EQ(fit.PercentileY(50), 0);
    for (double v : {4.0, 1.0, 3.0, 2.0}) fit.EnterStatValue(v, 10 * v);
    ASSERT_TRUE(fit.QuartilesX(q1, q2, q3));
    EXPECT_EQ(q1, 1.25);
    EXPECT_EQ(q3, 3.75);
    ASSERT_TRUE(fit.QuartilesY(q1, q2, q3));
    EXPECT_EQ(q2, 25);
    EXPECT_EQ(fit.PercentileX(25), 2);  // rank round(n p), no interpolation
    EXPECT_EQ(fit.PercentileY(100), 40);
    EXPECT_NEAR(fit.GetSkewnessX(), 0, 1e-15);
    EXPECT_NEAR(fit.GetKurtosisY(), -1.2, 1e-12);
}

// Every linearised model against numpy's least squares on the transformed variables, and its
// refusal when an entered pair leaves the model's domain.
TEST(CurveFit, LinearisedModelsAgainstNumpy) {
    using namespace curvefit_refs;
    TCurveFit fit;
    Enter(fit, kPositiveX, kPositiveY);
    constexpr double kTol = 1e-10;
    const auto near = [&](double got, double want) {
        EXPECT_NEAR(got, want, kTol * std::max(1.0, std::fabs(want)));
    };
    using TwoParam = bool (TCurveFit::*)(double&, double&, double&) const;
    struct Case {
        TwoParam fit;
        const double* ref;
        bool expA;  // a = exp(intercept)
    };
    const Case cases[] = {{&TCurveFit::CalcHyperbolFit, kHyperbol, false},
                          {&TCurveFit::CalcReciLinFit, kReciLin, false},
                          {&TCurveFit::CalcReciHyperbolFit, kReciHyperbol, false},
                          {&TCurveFit::CalcLogFit, kLog, false},
                          {&TCurveFit::CalcReciLogFit, kReciLog, false},
                          {&TCurveFit::CalcPowerFit, kPower, true},
                          {&TCurveFit::CalcExponentialFit, kExponential, true}};
    for (const Case& c : cases) {
        double a, b, q;
        ASSERT_TRUE((fit.*c.fit)(a, b, q));
        near(a, c.expA ? std::exp(c.ref[0]) : c.ref[0]);
        near(b, c.ref[1]);
        near(q, c.ref[3]);
    }
    double a, b, c, q;
    ASSERT_TRUE(fit.CalcHoerlFit(a, b, c, q));
    near(a, std::exp(kHoerl[0]));
    near(b, std::exp(kHoerl[1]));
    near(c, kHoerl[2]);
    near(q, kHoerl[3]);
    ASSERT_TRUE(fit.CalcGaussFit(a, b, c, q));
    const double c2 = -1 / (2 * kGauss[2]);
    near(b, kGauss[1] * c2);
    near(c, std::sqrt(c2));
    near(a, std::exp(kGauss[0] + kGauss[1] * kGauss[1] * c2 / 2));
    near(q, kGauss[3]);

    // Exact model data come back exactly (to rounding).
    fit.Init();
    for (double x = 0.5; x < 9; x += 0.5)
        fit.EnterStatValue(x, 5 * std::exp(-(x - 4) * (x - 4) / 4.5));
    ASSERT_TRUE(fit.CalcGaussFit(a, b, c, q));
    EXPECT_NEAR(a, 5, 1e-9);
    EXPECT_NEAR(b, 4, 1e-9);
    EXPECT_NEAR(c, 1.5, 1e-9);
    EXPECT_NEAR(q, 1, 1e-12);

    // Outside every model's domain: false and zero outputs, never NaN coefficients.
    fit.EnterStatValue(0, 0);
    for (const Case& m : cases) {
        double ma = 7, mb = 7, mq = 7;
        EXPECT_FALSE((fit.*m.fit)(ma, mb, mq));
        EXPECT_EQ(ma, 0);
        EXPECT_EQ(mb, 0);
    }
    EXPECT_FALSE(fit.CalcHoerlFit(a, b, c, q));
    EXPECT_FALSE(fit.CalcGaussFit(a, b, c, q));
    // A parabola in ln y that opens upwards has no peak.
    fit.Init();
    for (double x = 1; x < 6; x += 1) fit.EnterStatValue(x, std::exp(x * x / 10));
    EXPECT_FALSE(fit.CalcGaussFit(a, b, c, q));
}

TEST(CurveFit, SplinesAgainstScipy) {
    using namespace curvefit_refs;
    const TRefSet& ref = kRefSets[1];
    TCurveFit fit;
    Enter(fit, ref.x, ref.y);
    const auto compare = [&](auto&& spline, const std::vector<double>& want, const char* what) {
        for (size_t i = 0; i < kSplineGrid.size(); ++i)
            EXPECT_NEAR(spline(kSplineGrid[i]), want[i], 1e-9 * std::max(1.0, std::fabs(want[i])))
                << what << " at " << kSplineGrid[i];
    };
    compare([&](double x) { return fit.CubicSpline(x); }, kNaturalSpline, "natural");
    fit.SetNatural1(false);
    fit.SetNaturalN(false);
    fit.SetY1Dash(0.5);
    fit.SetYNDash(-1.0);
    compare([&](double x) { return fit.CubicSpline(x); }, kClampedSpline, "clamped");
    compare([&](double x) { return fit.PenalizedCubicSpline(x, 0.05); }, kSmoothingLam005,
            "lambda 0.05");
    compare([&](double x) { return fit.PenalizedCubicSpline(x, 2.0); }, kSmoothingLam2, "lambda 2");
    // The smoothing parameter p of SmoothedSpline is lambda = (1 - p) / p.
    fit.SetSplineSmoothing(1 / 3.0);
    compare([&](double x) { return fit.SmoothedSpline(x); }, kSmoothingLam2, "p = 1/3");
    EXPECT_GT(fit.SplineFitQuality(), 0.0);
    EXPECT_LT(fit.SplineFitQuality(), 1.0);
    // p = 1 interpolates (fit quality 1), p = 0 is the least-squares line.
    fit.SetSplineSmoothing(1);
    for (int i = 1; i <= fit.NumData(); ++i)
        EXPECT_NEAR(fit.SmoothedSpline(fit.GetDataX(i)), fit.GetDataY(i), 1e-12);
    EXPECT_DOUBLE_EQ(fit.SplineFitQuality(), 1.0);
    fit.SetSplineSmoothing(0);
    double k, d, q;
    fit.CalcLinFit(k, d, q);
    EXPECT_NEAR(fit.SmoothedSpline(2.5), k * 2.5 + d, 1e-12);
    EXPECT_NEAR(fit.SplineFitQuality(), q, 1e-12);

    // Pairs entered twice weigh twice: sum 2 r^2 + 2 lambda J has the minimiser of
    // sum r^2 + lambda J, so the doubled data with 2 lambda give the spline of lambda.
    TCurveFit twice;
    for (int i = 1; i <= fit.NumData(); ++i) {
        twice.EnterStatValue(fit.GetDataX(i), fit.GetDataY(i));
        twice.EnterStatValue(fit.GetDataX(i), fit.GetDataY(i));
    }
    compare([&](double x) { return twice.PenalizedCubicSpline(x, 4.0); }, kSmoothingLam2,
            "doubled pairs");

    // Entering a pair rebuilds the splines; the interpolating spline refuses a repeated x.
    fit.EnterStatValue(ref.x[0], 1.0);
    try {
        fit.CubicSpline(0);
        FAIL();
    } catch (const EOZMMath2Error& e) {
        EXPECT_STREQ(e.what(), "CubicSpline: x values must be finite and distinct");
    }
    EXPECT_THROW(fit.PenalizedCubicSpline(0, -1), EOZMMath2Error);
    fit.Init();
    fit.EnterStatValue(1, 1);
    try {
        fit.SmoothedSpline(0);
        FAIL();
    } catch (const EOZMMath2Error& e) {
        EXPECT_STREQ(e.what(), "SmoothedSpline: not enough data points");
    }
}

TEST(CurveFit, PolynomialFitsAgainstNumpy) {
    using namespace curvefit_refs;
    TCurveFit fit;
    Enter(fit, kRefSets[1].x, kRefSets[1].y);
    TDoubleArray k, alpha;
    double q = 0;
    bool near = true;
    ASSERT_TRUE(fit.CalcPolyFit(3, k, alpha, q, near));
    EXPECT_FALSE(near);
    ASSERT_EQ(k.size(), 4u);
    for (size_t j = 0; j < 4; ++j) {
        EXPECT_NEAR(k[j], kPolyNotiesCoef[j], 1e-11 * std::fabs(kPolyNotiesCoef[j])) << j;
        EXPECT_NEAR(alpha[j], kPolyNotiesAlpha[j], 1e-9 * kPolyNotiesAlpha[j]) << j;
    }
    EXPECT_NEAR(q, kPolyNotiesR2, 1e-12);

    // Far from the origin the centred fit keeps every digit, and its tiny significances too.
    Enter(fit, kRefSets[2].x, kRefSets[2].y);
    double shift = 0;
    ASSERT_TRUE(fit.CalcCenteredPolyFit(2, k, alpha, shift, q, near));
    EXPECT_DOUBLE_EQ(shift, fit.GetMeanX());
    for (size_t j = 0; j < 3; ++j)
        EXPECT_NEAR(k[j], kPolyFarCoef[j], 1e-11 * std::fabs(kPolyFarCoef[j])) << j;
    // The constant's significance refers to the system with y centred; the powers' do not.
    for (size_t j = 1; j < 3; ++j) EXPECT_NEAR(alpha[j], kPolyFarAlpha[j], 1e-8 * kPolyFarAlpha[j]);
    EXPECT_NEAR(q, kPolyFarR2, 1e-12);
    EXPECT_NEAR(math1::CenteredPolynomial(k, 2, shift, 1010.0),
                kPolyFarCoef[0] + kPolyFarCoef[1] * (1010 - shift) +
                    kPolyFarCoef[2] * (1010 - shift) * (1010 - shift),
                1e-9);

    // An order not below the number of pairs changes nothing.
    TDoubleArray untouched = {7, 7};
    EXPECT_FALSE(fit.CalcPolyFit(30, untouched, q, near));
    EXPECT_FALSE(fit.CalcPolyFit(-1, untouched, q, near));
    EXPECT_EQ(untouched, (TDoubleArray{7, 7}));
    // Exact data: a perfect fit, zero residual error, significances 0 by definition.
    fit.Init();
    for (double x = -2; x <= 2; x += 0.5) fit.EnterStatValue(x, 1 - x + 0.25 * x * x * x);
    ASSERT_TRUE(fit.CalcPolyFit(3, k, alpha, q, near));
    EXPECT_NEAR(k[0], 1, 1e-13);
    EXPECT_NEAR(k[1], -1, 1e-13);
    EXPECT_NEAR(k[2], 0, 1e-13);
    EXPECT_NEAR(k[3], 0.25, 1e-13);
    EXPECT_NEAR(q, 1, 1e-14);
}

// Polynomials in the years through a century of Nile flows, up to degree 10: as ill conditioned
// as the hardest certified polynomial problems. The centred fit is held to the digits it reaches
// against the exact solutions (log relative error, the smallest over the coefficients).
TEST(CurveFit, CentredPolynomialsOfHighDegreeKeepTheirDigits) {
    std::ifstream in(std::string(OZM_TEST_DATA_DIR) + "/nile_flow.txt");
    TCurveFit fit;
    double flow;
    for (int year = 1871; in >> flow; ++year) fit.EnterStatValue(year, flow);
    ASSERT_EQ(fit.NumData(), 100);
    const struct {
        int degree;
        const std::vector<double>& exact;
        double floor;
    } cases[] = {{6, polyfit_stress_refs::kDegree6, 12.0},
                 {8, polyfit_stress_refs::kDegree8, 11.0},
                 {10, polyfit_stress_refs::kDegree10, 10.0}};
    for (const auto& c : cases) {
        TDoubleArray k;
        double shift = 0, q = 0;
        bool near = true;
        ASSERT_TRUE(fit.CalcCenteredPolyFit(c.degree, k, shift, q, near)) << c.degree;
        EXPECT_EQ(shift, 1920.5);
        EXPECT_FALSE(near) << c.degree;
        double digits = 17;
        for (int j = 0; j <= c.degree; ++j) {
            const double rel = std::fabs(k[j] - c.exact[j]) / std::fabs(c.exact[j]);
            digits = std::min(digits, rel > 0 ? -std::log10(rel) : 17.0);
        }
        std::cout << "[digits] centred polynomial of degree " << c.degree << ": " << digits << "\n";
        EXPECT_GE(digits, c.floor) << c.degree;
    }
}

TEST(CurveFit, AscFileRoundTripAndRefusals) {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string path = (dir / "ozm_curvefit_test.asc").string();
    TCurveFit fit, back;
    const auto& ref = curvefit_refs::kRefSets[1];
    Enter(fit, ref.x, ref.y);
    EXPECT_EQ(fit.ExportAsASC(path, "", 17), "");
    ASSERT_EQ(back.ImportASC(path), 0);
    ASSERT_EQ(back.NumData(), fit.NumData());
    for (int i = 1; i <= fit.NumData(); ++i) {
        EXPECT_NEAR(back.GetDataX(i), fit.GetDataX(i), 1e-15 * std::fabs(fit.GetDataX(i)));
        EXPECT_NEAR(back.GetDataY(i), fit.GetDataY(i), 1e-15 * std::fabs(fit.GetDataY(i)));
    }
    ExpectSignaturesNear(SumSignature(back), SumSignature(fit), 1e-12);

    // The default title names the file.
    {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        char line[512] = {};
        ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
        std::fclose(f);
        EXPECT_EQ(std::string(line).rfind("Exported by OZM TCurveFit component: " + path, 0), 0u);
    }

    const auto write = [&](const std::string& text) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fputs(text.c_str(), f);
        std::fclose(f);
    };
    write("t\n3\n1\nFALSE FALSE FALSE\n1 2 3\n");
    try {
        back.ImportASC(path);
        FAIL();
    } catch (const EOZMMath2Error& e) {
        EXPECT_STREQ(e.what(), "TCurveFit.ImportASC: number of columns must be 2 (is actually 3).");
    }
    write("t\n2\n2\nFALSE FALSE FALSE TRUE\n1 2\n3 4\n");
    EXPECT_EQ(back.ImportASC(path), -7);
    write("t\n2\n2\nFALSE FALSE FALSE\n1 2\n3 x\n");
    EXPECT_EQ(back.ImportASC(path), 250);
    write("t\n2\n1\nTRUE FALSE FALSE\nq 1 2\n");
    EXPECT_EQ(back.ImportASC(path), 251);
    EXPECT_EQ(back.NumData(), fit.NumData());  // failed imports change nothing
    std::filesystem::remove(path);
    EXPECT_EQ(back.ImportASC(path), -1);
}

}  // namespace
}  // namespace ozm
