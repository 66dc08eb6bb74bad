/// @file
/// Hypothesis tests of the statis unit: contingency tables (chi-square, Yates, Fisher's exact
/// test, Goodman-Kruskal lambda, adjusted Rand index), comparison of binned distributions, runs
/// and serial correlation, outliers, normality, group comparisons, percentiles and a kernel
/// density estimate.
///
/// Conventions:
/// - Contingency tables are TInt2DArray values indexed [row][column] from 0. Unless stated
///   otherwise they carry totals: the last row holds the column totals, the last column the row
///   totals, the last cell the grand total. The 2 x 2 routines take the bare table.
/// - Invalid input is reported by negative result codes with the output parameters set to 0 (or
///   -1 where stated) first; only the routines that say so raise EOZMStatisError.
/// - p-values are upper-tail probabilities of the statistic unless stated otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ozm/base/bitfld.hpp"
#include "ozm/base/types.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/statis/gammabeta.hpp"
#include "ozm/vector.hpp"

namespace ozm::statis {

// --- contingency tables ---------------------------------------------------------------------

/// Pearson's chi-square of a table with totals, E = row total · column total / grand total.
/// Rows and columns whose total is 0 take no part: they add nothing and do not count in the
/// degrees of freedom df = (non-empty rows - 1)(non-empty columns - 1); with df = 0 the statistic
/// is 0 and p = 1. -1 when the table has fewer than 3 rows or columns (totals included).
int Chi2OfContTab(const TInt2DArray& ContTab, double& Chi2, double& p);
/// Chi-square with Yates' continuity correction of a 2 x 2 table with totals (3 x 3, else -1):
/// N (max(0, |ad - bc| - N/2))² / (r1 r2 c1 c2). The correction is capped as usual (a deviation
/// below N/2 gives 0), so the statistic never exceeds the uncorrected one. -2 (p = 0) when a
/// margin is 0.
int Chi2OfContTabYates(const TInt2DArray& ContTab, double& Chi2, double& p);
/// Hypergeometric probability of the bare 2 x 2 table [[a, b], [c, d]] under its margins.
/// -1 unless 2 x 2, -3 when a cell is negative, -2 when the total exceeds 1000.
int Prob2x2Contingency(const TInt2DArray& ContTab, double& p);
/// Fisher's exact test of the bare 2 x 2 table [[a, b], [c, d]], codes as Prob2x2Contingency.
/// With A the upper-left cell over all tables with the observed margins: pLow = P(A <= a) (odds
/// ratio below 1, R's alternative "less"), pHigh = P(A >= a) (alternative "greater"), whatever
/// margin is smallest. pTwoSided sums the tables no more probable than the observed one, with a
/// relative tolerance of 1e-7 so that tables of equal probability are not split by rounding.
int FisherExactTest(const TInt2DArray& ContTab, double& pLow, double& pHigh, double& pTwoSided);
/// Goodman-Kruskal lambda of a table with totals, predicting the column from the row and the row
/// from the column. -1 when a row or column sum differs from its stored total (or the table has
/// fewer than 2 rows or columns). A lambda whose denominator is 0 (all objects in one column,
/// resp. row: nothing left to predict) is 0.
int Lambda(const TInt2DArray& ContTab, double& LambdaColFromRow, double& LambdaRowFromCol);
/// Adjusted Rand index (Hubert and Arabie) of the two partitions that a table with totals
/// cross-classifies. When the index is 0/0 (both partitions are one cluster, or both are
/// singletons: they agree completely) the result is 1, as in the usual implementations. A table
/// smaller than 2 x 2 gives 0.
double AdjustedRandIx(const TInt2DArray& ContTab);

/// Chi-square comparison of an observed with an expected binned distribution: Pearson's statistic
/// with the expected counts scaled to the observed total. Bins are merged from the start; a merged
/// bin closes once its expected count exceeds 5 and the next expected count is not 0, so every
/// closed bin, and the last one, has a positive expected count. Negative counts are refused (they
/// could cancel to an empty expected bin and a division by 0). df = merged bins - 1;
/// p = P(chi²(df) >= Chi2), 1 when df < 1. n1, n2: the observed and expected totals.
/// Codes: -1 lengths differ, -2 an array is empty, -3 a total is 0 or a count negative.
int PerformChi2DistComp(const TIntArray& Observed, const TIntArray& Expected, double& Chi2,
                        double& p, int& df, int& n1, int& n2);

// --- runs and serial correlation --------------------------------------------------------------

/// Durbin-Watson statistic of residuals; 2 for fewer than 3 values, 0 when all are 0.
double DurbinWatson(const TDoubleArray& residuals);
/// P(number of runs <= r) of a random arrangement of n1 and n2 items of two kinds (exact, in
/// floating point). 0 for r < 2; 1 when r reaches the largest possible count; -1 for n1 or n2 < 1.
double ExactRunsTest(int32_t n1, int32_t n2, int32_t r);

// --- percentiles and densities ----------------------------------------------------------------

/// The order statistic at prob percent of Data[LowIx..HighIx] (0-based): the j-th smallest,
/// j = round(prob · m/100) (halves to even) capped at m - 1. Reorders that range (QuickSelect).
/// -2 prob outside 0..100, -3 HighIx < LowIx, -1 an index outside the array.
int PercentileOfArray(TDoubleArray& Data, double prob, int LowIx, int HighIx, double& Pctl);

/// Feedback of EstimateProbDensity: (Sender, Percent, Count).
using TDensityFeedback = std::function<void(TObject* Sender, double Percent, double Count)>;
/// Kernel density estimate with adaptive Gaussian widths on NumSteps + 1 grid points between
/// XLow and XHigh (NumSteps clamped to 10..10000, BandWidth <= 0 becomes 1). Data is sorted in
/// place. The width of each point is BandWidth times the mean spacing of the sorted values lying
/// closer than Radius to it (Radius/count when that spacing is 0, Radius without a neighbour).
/// Density[j + 1] is the estimate at XLow + j (XHigh - XLow)/NumSteps; IxMin, IxMax the first
/// indices of its smallest and largest value. Empty Data gives a zero density (IxMin = IxMax = 1).
void EstimateProbDensity(TVector& Data, TVector& Density, double XLow, double XHigh,
                         double BandWidth, double Radius, int NumSteps, int& IxMin, int& IxMax,
                         const TDensityFeedback& Feedback);

// --- model files ------------------------------------------------------------------------------

/// The comment of a saved partial least squares model (math2::SimPLS): the model is kept as the
/// ASC matrix file of its regression coefficients (TMatrix::ExportAsASC), whose first line is the
/// comment. Reads only the header; returns 0 or the codes of ReadHeaderOfASC (ozm/base/asc.hpp),
/// with Comment empty on failure.
int LoadPLSModelComment(const std::string& FileName, std::string& Comment);

// --- outliers ---------------------------------------------------------------------------------

/// Dean-Dixon outlier test. Q is the larger of the low and high gap ratios of the sorted data
/// (r10, r11, r21 or r22 by n; a ratio with a zero denominator is 0); the result is the 1-based
/// index in Data of the first element equal to the suspected value when Q exceeds
/// DeanDixonCriticalValues(n, level), else 0. Data stays unchanged. Raises EOZMStatisError
/// "DeanDixonTest: number of data points is too low" (n < 3) and "DeanDixonTest: number of data
/// points is too high" (n > 100).
int DeanDixonTest(const TVector& Data, TSignifLevelEx level, double& Q);
/// Grubbs' two-sided outlier test: G = max |x - mean|/s (s the sample standard deviation); the
/// result is the index of the first element reaching it when G exceeds GrubbsCriticalValues(n,
/// alpha, true), else 0 (also when s = 0, with G = 0). Raises EOZMStatisError "GrubbsTest: invalid
/// level of significance" (alpha outside (0, 1)) and "GrubbsTest: number of data points is too
/// low" (n <= 3).
int GrubbsTest(const TVector& Data, double alpha, double& G);

// --- runs -------------------------------------------------------------------------------------

/// Wald-Wolfowitz runs test of the bits 0..Size of Bits, two-sided: too few and too many runs are
/// both significant. p is twice the smaller tail of the number of runs: exact (ExactRunsTest)
/// when both kinds occur at most 25 times, else by the normal approximation. A sequence of one
/// kind only has one possible arrangement: p = 1, not significant. True when p < 0.05.
bool RunsTest(const TBitFld& Bits, double& p);
/// Runs test of Data above / not above its median (the second quartile of TVector::Quartiles).
/// p = -1 and false for an empty vector.
bool RunsTestSerial(const TVector& Data, double& p);

// --- normality --------------------------------------------------------------------------------

/// Kolmogorov-Smirnov statistic D of Data against the standard normal distribution; sorts Data
/// in place unless IsSorted. 0 for an empty vector. p-value: KSPValue(n, D).
double PerformKSNormalityTest(TVector& Data, bool IsSorted);
/// Lilliefors statistic: D as above after standardising Data in place (TVector::Standardize).
/// p-value: LillieforsPValue(n, D), meant for small p-values.
double PerformLillieforsTest(TVector& Data, bool IsSorted);
/// Shapiro-Wilk test by Royston's algorithm (AS R94, 1995) for 3 <= n <= 5000: W, and the result
/// is the p-value (ShapiroWilkIntegral). Codes: -1 n < 3, -2 n > 5000, -3 all values equal (or a
/// value is not finite); W = 0 then.
double ShapiroWilkTest(const TVector& Data, double& W);

// --- two samples ------------------------------------------------------------------------------

/// Two-sample t-test of equal means; the result is the two-sided p-value. EqualVariances: the
/// pooled (Student) form with df = n1 + n2 - 2; otherwise Welch's form with the
/// Welch-Satterthwaite df. t = (mean1 - mean2)/se. Codes: -1 a sample with fewer than 2 values,
/// -3 both samples without spread (t and df 0).
double Perform2SampleTTest(const TVector& Data1, const TVector& Data2, bool EqualVariances,
                           double& t, double& df);
/// Mann-Whitney U (Wilcoxon rank-sum) test; the result is the two-sided p-value. U counts the
/// pairs in which the value of Data1 is the larger (ties count 1/2). Without ties and while
/// UDistriIsExact(n1, n2) the p-value is exact (twice the smaller tail); otherwise the normal
/// approximation with tie correction and continuity correction 1/2, and z is its statistic
/// (z = 0 in the exact case). -1 when a sample is empty; -3 when all values are equal.
double PerformMannWhitneyUTest(const TVector& Data1, const TVector& Data2, double& U, double& z);

// --- groups -----------------------------------------------------------------------------------

/// One-way analysis of variance of Data by the labels in Groups (same length; groups in order of
/// first appearance). The result is P(F >= F_observed). Codes: -4 lengths differ, -1 fewer than 2
/// groups, -2 as many groups as values, -3 no variation at all (F = 0). Without variation within
/// the groups but between them: F = uc_MaxReal and the result 0.
double Anova1F(const TVector& Data, const TIntVector& Groups, double& SSBetween, double& SSWithin,
               double& SSTotal, int& DFBetween, int& DFWithin, int& DFTotal, double& F);
/// Levene's test of equal variances in the mean-centred form (the analysis of variance of
/// |x - group mean|, not the median-centred Brown-Forsythe form); codes as Anova1F.
double LeveneTest(const TVector& Data, const TIntVector& Groups, double& F);
/// Median test of two samples: each value is classed by group (1, 2) and side (2 when at most the
/// median of all values, Q2 of TDataTable::QuartilesOfNumCells, else 1), and the 2 x 2 table of
/// group by side is tested: Chi2 and p by Chi2OfContTab, Chi2Yates and pYates by
/// Chi2OfContTabYates, pFisher = min(pLow, pHigh) of FisherExactTest, a one-sided p-value (the
/// more extreme of the two directions), -1 when that test fails (more than 1000 values).
/// Results: 0; -1 a sample is empty; -2 the Yates statistic cannot be formed (a side is empty:
/// all values equal), Chi2Yates and pYates 0.
int MedianTest(const TDoubleArray& Data1, const TDoubleArray& Data2, double& Chi2, double& p,
               double& Chi2Yates, double& pYates, double& pFisher);
/// Friedman's test of k treatments (columns of Data) in n blocks (rows), ranks within each row
/// with mean ranks for ties and the usual tie correction. The result is P(chi²(k - 1) >= Chi2);
/// -1 for fewer than 3 columns (or fewer than 1 row).
double FriedmanTest(const TMatrix& Data, double& Chi2);

}  // namespace ozm::statis
