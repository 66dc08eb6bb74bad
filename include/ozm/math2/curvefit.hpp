/// @file
/// TCurveFit: a collection of (x, y) pairs with running sums, its bivariate and rank statistics,
/// least-squares fits of lines, parabolas, polynomials and circles, and the ASC file of the
/// pairs. Errors raise EOZMMath2Error with the messages given below.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "ozm/base/types.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/platform/object.hpp"

namespace ozm {

/// Conditions met by some entered pair that rule out the reciprocal or logarithmic sums.
enum class TCurveFitError : uint8_t { cfeXLE0, cfeYLE0, cfeXEQ0, cfeYEQ0 };

/// A set of TCurveFitError.
class TCurveFitErrors {
public:
    /// Whether e is in the set.
    bool Contains(TCurveFitError e) const noexcept { return (FBits & Bit(e)) != 0; }
    /// Whether the set is empty.
    bool Empty() const noexcept { return FBits == 0; }
    /// Adds e to the set.
    void Include(TCurveFitError e) noexcept { FBits = static_cast<uint8_t>(FBits | Bit(e)); }
    /// Removes every element.
    void Clear() noexcept { FBits = 0; }
    /// Equal when both sets hold the same elements.
    bool operator==(const TCurveFitErrors&) const = default;

private:
    static uint8_t Bit(TCurveFitError e) noexcept { return uint8_t(1u << static_cast<int>(e)); }
    uint8_t FBits = 0;
};

/// A collection of (x, y) pairs with running sums, their statistics, least-squares fits and
/// splines.
class TCurveFit : public TComponent {
public:
    /// Empty, with natural spline ends, end slopes 0 and spline smoothing 0.5.
    explicit TCurveFit(TComponent* AOwner = nullptr);
    const char* ClassName() const override { return "TCurveFit"; }

    // --- the pairs --------------------------------------------------------------------------

    /// Removes every pair: all sums 0, extremes reset (minima +uc_MaxReal, maxima -uc_MaxReal),
    /// FErrIndic empty, the smoothed spline's fit quality 0.
    void Init();
    /// Adds the pair to the running sums (a value with |v| <= 1e-30 counts as zero in the
    /// reciprocal sums, whose reciprocal is then uc_MaxReal; logarithms only of positive values)
    /// and stores it; returns the new number of pairs.
    int EnterStatValue(double x, double y);
    /// Removes pair ix (1-based) from the sums and the store, keeping the order of the others;
    /// the extremes and ErrIndic stay as they were. Other ix: nothing removed. Caches are
    /// cleared either way.
    void RemoveStatValue(int ix);
    /// Exchanges x and y in every pair and every sum (the difference sum changes sign).
    void FlipXY();
    /// Pair ix (1-based); 0 outside 1..NumData.
    double GetDataX(int ix) const noexcept;
    /// The same for y.
    double GetDataY(int ix) const noexcept;
    /// Number of pairs entered.
    int NumData() const noexcept { return FNumData; }
    /// Smallest x entered; +uc_MaxReal without pairs.
    double MinX() const noexcept { return FMinX; }
    /// Largest x entered; -uc_MaxReal without pairs.
    double MaxX() const noexcept { return FMaxX; }
    /// Smallest y entered; +uc_MaxReal without pairs.
    double MinY() const noexcept { return FMinY; }
    /// Largest y entered; -uc_MaxReal without pairs.
    double MaxY() const noexcept { return FMaxY; }
    /// The conditions met among the entered pairs (see TCurveFitError).
    TCurveFitErrors ErrIndic() const noexcept { return FErrIndic; }

    // --- spline settings ----------------------------------------------------------------------

    /// True when the interpolating spline is natural (second derivative 0) at its first (last) end;
    /// false when it takes the slope Y1Dash (YNDash) there.
    ///@{
    bool Natural1() const noexcept { return FNatural1; }
    bool NaturalN() const noexcept { return FNaturalN; }
    ///@}
    /// The slope of the interpolating spline at its first (last) end, used when that end is not
    /// natural.
    ///@{
    double Y1Dash() const noexcept { return FY1Dash; }
    double YNDash() const noexcept { return FYNDash; }
    ///@}
    /// Set the end conditions of the interpolating spline (see Natural1, Y1Dash); the spline is
    /// computed anew on its next use.
    ///@{
    void SetNatural1(bool Value) noexcept;
    void SetNaturalN(bool Value) noexcept;
    void SetY1Dash(double Value) noexcept;
    void SetYNDash(double Value) noexcept;
    ///@}
    /// The smoothing parameter p of SmoothedSpline.
    double SplineSmoothing() const noexcept { return FPSplineSmooth; }
    /// Sets the smoothing parameter p of SmoothedSpline (held to [0, 1] when used); the spline is
    /// computed anew on its next use.
    void SetSplineSmoothing(double Value) noexcept;
    /// The coefficient of determination of the last SmoothedSpline; 0 before one.
    double SplineFitQuality() const noexcept { return FPSplineFQ; }

    // --- descriptive statistics (n = NumData) ----------------------------------------------

    /// Sum / n; 0 for n <= 0.
    ///@{
    double GetMeanX() const noexcept;
    double GetMeanY() const noexcept;
    ///@}
    double GetMeanDiff() const noexcept;  ///< of x - y
    /// sqrt|(sum of squares - sum^2 / n) / (n - 1)|; 0 for n < 3.
    ///@{
    double GetStdDevX() const noexcept;
    double GetStdDevY() const noexcept;
    double GetStdDevDiff() const noexcept;
    ///@}
    /// Pearson's r from the sums; 0 for n <= 2, a zero sum of squares or a zero spread.
    double GetRxy() const noexcept;
    /// All outputs 0 first; means for n > 0, standard deviations and r for n > 2.
    void CalcStatistics(int& NumData, double& MeanX, double& MeanY, double& StdevX,
                        double& StdevY, double& MeanDiff, double& StdevDiff, double& rxy) const;
    /// The matrix percentile (rank round(n prob / 100), no interpolation) and quartiles ((n + 1)p
    /// rule) of x or y; see docs/statistics.md. 0 (false for the quartiles) without pairs.
    ///@{
    double PercentileX(double prob) const;
    double PercentileY(double prob) const;
    bool QuartilesX(double& q1, double& q2, double& q3) const;
    bool QuartilesY(double& q1, double& q2, double& q3) const;
    ///@}
    /// Sample skewness and excess kurtosis corrected for sample size (TMatrix::SkewKurtSample);
    /// 0 for fewer than 4 pairs.
    ///@{
    double GetSkewnessX() const;
    double GetSkewnessY() const;
    double GetKurtosisX() const;
    double GetKurtosisY() const;
    ///@}
    /// Circular mean of angles in degrees, in [0, 360): arctan(S / C) of the sums of sines and
    /// cosines, moved into the quadrant of (C, S). 0 without pairs; NaN when S = C = 0.
    ///@{
    double GetMeanXDegrees() const;
    double GetMeanYDegrees() const;
    ///@}
    /// Kruskal's gamma (C - D) / (C + D) from the concordant and discordant pair counts; 0 when
    /// C + D = 0.
    double GetKruskalGamma() const;
    /// Kendall's tau-b (C - D) / sqrt((C + D + T1)(C + D + T2)), T1 the pairs tied in y only, T2
    /// those tied in x only; P the two-sided p-value of the normal approximation without tie
    /// correction (sigma = sqrt((4n + 10) / (9n(n - 1)))). 0 and P = 0 when the root is 0.
    /// The pair counts cost O(n log n) and are kept until the pairs change; a pair is judged by
    /// the signs of its differences (so tiny differences never vanish in a product), and pairs
    /// holding NaN are not counted.
    double KendallsTau(double& P) const;
    /// Spearman's rank correlation with the tie-corrected formula (mean ranks for ties); 0 for
    /// n < 3 or when every x (or every y) is tied.
    double GetSpearman() const;

    // --- fits -------------------------------------------------------------------------------

    /// y = k x + d by least squares on the centred pairs; FitQual the coefficient of
    /// determination (1 when y is constant). Raises "CalcLinFit: not enough data points" for
    /// n < 2 and "CalcLinFit: slope is infinite" when all x are equal.
    void CalcLinFit(double& k, double& d, double& FitQual) const;
    /// y = k0 + k1 x + k2 x^2 by least squares on the centred pairs; FitQual as above. Raises
    /// "CalcParabolFit: not enough data points" for n < 3.
    void CalcParabolFit(double& k0, double& k1, double& k2, double& FitQual) const;
    /// The polynomial y = sum_j kArray[j] x^j of order nOrder by least squares through the
    /// singular value decomposition of the power design (columns x, x^2, ..., x^nOrder, 1);
    /// singular values below 1e-14 of the largest are dropped and reported by NearSingular.
    /// kArray is enlarged to nOrder + 1 elements when it is shorter (never shrunk). FitQual is r^2
    /// between y and the fitted values. Alpha receives nOrder + 1 two-sided significances of the
    /// coefficients (index 0 the constant): 2 P(T > |t|) with t = coefficient / standard error on
    /// n - nOrder - 1 degrees of freedom, 0 where the standard error or the residual error is 0.
    /// False, with nothing changed, when nOrder >= NumData or nOrder < 0; false also when the
    /// decomposition fails or AbortMathProc stops it (the flag is cleared at the start).
    /// The power design of data far from 0 is ill conditioned: prefer CalcCenteredPolyFit there.
    ///@{
    bool CalcPolyFit(int nOrder, TDoubleArray& kArray, double& FitQual, bool& NearSingular) const;
    bool CalcPolyFit(int nOrder, TDoubleArray& kArray, TDoubleArray& Alpha, double& FitQual,
                     bool& NearSingular) const;
    ///@}
    /// The same in the centred and scaled variable (x - XShift) / s, s the standard deviation of x
    /// (1 when it is 0), with y centred on its mean; XShift = 0 on entry is replaced by the mean of
    /// x. The coefficients are returned for powers of (x - XShift):
    /// y = sum_j kArray[j] (x - XShift)^j (math1::CenteredPolynomial). FitQual and Alpha refer to
    /// the centred and scaled system. Well conditioned also for data far from the origin.
    ///@{
    bool CalcCenteredPolyFit(int nOrder, TDoubleArray& kArray, double& XShift, double& FitQual,
                             bool& NearSingular) const;
    bool CalcCenteredPolyFit(int nOrder, TDoubleArray& kArray, TDoubleArray& Alpha,
                             double& XShift, double& FitQual, bool& NearSingular) const;
    ///@}
    /// The circle through the pairs by algebraic least squares: radius r, centre (dx, dy).
    /// Raises "CalcCircleFit: not enough data points" for n <= 2 and "CalcCircleFit: radius is
    /// infinite" for collinear pairs.
    void CalcCircleFit(double& r, double& dx, double& dy) const;
    /// Analysis of variance of (observed x, estimated y) pairs of a regression with NumVars
    /// variables: degrees of freedom, sums of squares (SSE = sum (x - y)^2), mean squares (0
    /// where their degrees of freedom are not positive) and F (1e10 when MSR != 0 and MSE = 0, 0
    /// when MSR = 0).
    void CalcAnovaReg(int NumVars, bool IncludeConst, int& dfreg, int& dfres, int& dftotal,
                      double& SSE, double& SSR, double& SST, double& MSE, double& MSR,
                      double& F) const;

    // --- linearised models -------------------------------------------------------------------
    // Each model is made linear in its parameters by a transformation of x and/or y, and fitted
    // by least squares in the transformed variables from the running sums; FitQual is the
    // coefficient of determination there (1 when the transformed y is constant). A model whose
    // transformation needs x or y to be positive or non-zero refuses (false, outputs 0) when
    // ErrIndic shows that some entered pair breaks that condition; so does a fit of fewer than
    // two pairs (three for the three-parameter models) or of a singular system.

    /// y = a + b / x: y against 1/x (x != 0).
    bool CalcHyperbolFit(double& a, double& b, double& FitQual) const;
    /// y = 1 / (a + b x): 1/y against x (y != 0).
    bool CalcReciLinFit(double& a, double& b, double& FitQual) const;
    /// y = x / (a x + b), i.e. 1/y = a + b / x: 1/y against 1/x (x, y != 0).
    bool CalcReciHyperbolFit(double& a, double& b, double& FitQual) const;
    /// y = a + b ln x: y against ln x (x > 0).
    bool CalcLogFit(double& a, double& b, double& FitQual) const;
    /// y = 1 / (a + b ln x): 1/y against ln x (x > 0, y != 0).
    bool CalcReciLogFit(double& a, double& b, double& FitQual) const;
    /// y = a x^b: ln y against ln x (x > 0, y > 0).
    bool CalcPowerFit(double& a, double& b, double& FitQual) const;
    /// y = a e^(b x): ln y against x (y > 0).
    bool CalcExponentialFit(double& a, double& b, double& FitQual) const;
    /// y = a b^x x^c: ln y against x and ln x (x > 0, y > 0, b > 0).
    bool CalcHoerlFit(double& a, double& b, double& c, double& FitQual) const;
    /// y = a exp(-(x - b)^2 / (2 c^2)), c > 0: ln y as a parabola in x (y > 0); false also when
    /// that parabola does not open downwards (no peak).
    bool CalcGaussFit(double& a, double& b, double& c, double& FitQual) const;

    // --- splines ------------------------------------------------------------------------------
    // The splines are built on the pairs sorted by x, which must be finite
    // ("<routine>: x values must be finite and distinct") and, for the interpolating spline,
    // distinct; the smoothing splines merge pairs of equal x into their mean y, weighted by
    // their count. At least two distinct x are needed ("<routine>: not enough data points"). Beyond the outer pairs each spline continues its end
    // piece. A spline is computed once and kept until the pairs or its settings change, so a
    // call costs a bisection and one cubic.

    /// The interpolating cubic spline at x: at each end either natural (second derivative 0,
    /// Natural1/NaturalN) or with the given slope (Y1Dash/YNDash).
    double CubicSpline(double x) const;
    /// The cubic smoothing spline of Reinsch at x, natural at both ends, with the smoothing
    /// parameter p = SplineSmoothing() in [0, 1] (held there): it minimises
    /// p sum (y_i - g(x_i))^2 + (1 - p) integral g''(t)^2 dt over all pairs, so p = 1
    /// interpolates (the means of tied pairs) and p = 0 gives the least-squares line.
    /// SplineFitQuality() becomes the coefficient of determination
    /// 1 - sum (y_i - g(x_i))^2 / sum (y_i - mean y)^2 of the spline over all pairs.
    double SmoothedSpline(double x) const;
    /// The penalised cubic spline at x: the natural cubic spline g that minimises
    /// sum (y_i - g(x_i))^2 + Lambda integral g''(t)^2 dt (Lambda >= 0, else
    /// "PenalizedCubicSpline: smoothing parameter must not be negative").
    double PenalizedCubicSpline(double x, double Lambda) const;

    // --- files ------------------------------------------------------------------------------

    /// Writes the pairs as a two-column ASC file ("x" and "y"), each value with Precision
    /// decimals; an empty Comment becomes "Exported by OZM TCurveFit component: <FName>". The
    /// result is empty on success, else the error text.
    std::string ExportAsASC(const std::string& FName, const std::string& Comment,
                            int Precision) const;
    /// Replaces the pairs by those of a two-column ASC file. 0 on success; the negative codes of
    /// ReadHeaderOfASC (-1 also for a missing file); -7 for a file of nominal variables; 250 for a
    /// value that is no number or a file that ends early; 251 for a bad row attribute. A column
    /// count other than 2 raises "TCurveFit.ImportASC: number of columns must be 2 (is actually
    /// <count>).". Nothing changes unless the whole file was read.
    int ImportASC(const std::string& FName);

private:
    // The running sums, in extended precision.
    struct TSums {
        long double x = 0, y = 0, xq = 0, yq = 0, diff = 0, diffq = 0, xy = 0, x2y = 0, xy2 = 0,
                    x3 = 0, y3 = 0, x4 = 0, y4 = 0;
        long double r1byy = 0, r1byxy = 0, r1byyq = 0, xbyy = 0, ybyx = 0, r1byx = 0, r1byxq = 0;
        long double lnx = 0, lnxlny = 0, lnxq = 0, ylny = 0, ylnx = 0, xlnx = 0, lnxbyy = 0,
                    lnybyx = 0, lny = 0, lnyq = 0, xlny = 0, xqlny = 0, yqlnx = 0;
    };
    // Adds (Sign = 1) or removes (Sign = -1) the contributions of one pair; entering also
    // records the conditions met in FErrIndic.
    void Accumulate(double x, double y, int Sign);
    void InvalidateCaches() noexcept;
    // The sums of a straight-line fit v = p + q u: sum u, sum v, sum u^2, sum u v, sum v^2.
    struct TLineSums {
        long double u, v, uu, uv, vv;
    };
    bool LinearisedFit(std::initializer_list<TCurveFitError> Refusing, const TLineSums& Sums,
                       bool ExpP, double& a, double& b, double& FitQual) const;
    void EnsureCapacity(int Rows);
    void UpdateKendallCounts() const;
    // The pairs' column Col (1 = x, 2 = y) of FData as a matrix range of rows 1..n.
    double ColumnMean(int Col) const;
    double CircularMean(int Col) const;
    double ColumnSkewKurt(int Col, bool Kurtosis) const;

    // A natural or clamped cubic spline through (x_i, g_i) with second derivatives m_i.
    struct TSplineData {
        std::vector<double> x, g, m;
        double Eval(double At) const noexcept;
    };
    // The pairs sorted by x, checked for the splines of Routine. With Weights, pairs of equal x
    // are merged into one with their mean y and their count as weight; without, they raise.
    void SortedPairs(const char* Routine, std::vector<double>& x, std::vector<double>& y,
                     std::vector<double>* Weights = nullptr) const;
    const TSplineData& SmoothingSpline(const char* Routine, double Lambda) const;
    bool PolyFit(int nOrder, bool Centred, TDoubleArray& kArray, TDoubleArray* Alpha,
                 double& XShift, double& FitQual, bool& NearSingular) const;

    TSums FSum;
    int FNumData = 0;
    double FMinX = 0, FMaxX = 0, FMinY = 0, FMaxY = 0;
    bool FNatural1 = true, FNaturalN = true;
    double FY1Dash = 0, FYNDash = 0;
    TCurveFitErrors FErrIndic;
    // The pairs: column 1 x, column 2 y, rows 1..FNumData; the rows beyond are spare capacity,
    // a multiple of 1000 that at least doubles when it runs out.
    TMatrix FData;
    mutable bool FSplineValid = false;
    mutable TSplineData FSpline;  // the interpolating spline
    double FPSplineSmooth = 0.5;
    mutable double FPSplineFQ = 0;
    mutable bool FPenSplineValid = false;
    mutable double FPenSplineLambda = 0;
    mutable TSplineData FPenSpline;  // the smoothing spline of FPenSplineLambda
    mutable bool FKendallValid = false;
    mutable int64_t FKendallConcord = 0, FKendallDiscord = 0, FKendallTies1 = 0, FKendallTies2 = 0;
};

}  // namespace ozm
