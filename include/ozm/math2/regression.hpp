/// @file
/// Linear models on data matrices: multiple linear regression with intercept, ridge regression,
/// partial least squares by SIMPLS, vertex component analysis, and the parser of the variable-name
/// lists used to label their results.
///
/// Data matrices have one column per variable and one row per observation (as in CalcCovar).
/// All routines leave their inputs unchanged, solve through the singular value decomposition of
/// the matrices layer and report bad input (mismatched sizes, NaN or infinite cells, too few
/// observations) and a decomposition that does not converge or is aborted (AbortMathProc, which
/// they do not clear) by a false result. Exhausted memory raises EOZMMath2Error
/// "<Routine>: not enough memory" (for example "MultiLinReg: not enough memory").
#pragma once

#include <string_view>

#include "ozm/base/types.hpp"
#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm::math2 {

/// Default relative rank tolerance of MultiLinReg: a singular value of the centred design with
/// unit-length columns at or below this fraction of the largest counts as zero.
constexpr double kRegRankTol = 1e-12;

/// The result of MultiLinReg. Index 0 of Coeffs, StdErrors and TValues is the intercept, index k
/// the coefficient of predictor k (column k of X).
struct TLinRegResult {
    int NumObs = 0;         ///< observations used (those with positive weight)
    int NumPredictors = 0;  ///< p, the columns of X
    int Rank = 0;           ///< numerical rank of the design including the intercept (<= p + 1)
    /// True when Rank < p + 1.
    bool RankDeficient = false;
    TDoubleArray Coeffs;     ///< p + 1 values
    TDoubleArray StdErrors;  ///< p + 1 standard errors (NaN when DFResid = 0)
    TDoubleArray TValues;    ///< Coeffs / StdErrors
    TDoubleArray Residuals;  ///< y - fitted for every row of X, unweighted (also zero-weight rows)
    double RSS = 0.0;        ///< weighted residual sum of squares
    double MSS = 0.0;        ///< weighted model sum of squares about the weighted mean of the fit
    double RSquared = 0.0;   ///< MSS / (MSS + RSS); NaN when both are 0
    /// Adjusted R squared 1 - (1 - RSquared)(NumObs - 1) / DFResid; NaN without residual degrees of
    /// freedom.
    double AdjRSquared = 0.0;
    double SigmaResid = 0.0;  ///< residual standard error sqrt(RSS / DFResid)
    int DFModel = 0;          ///< Rank - 1
    int DFResid = 0;          ///< NumObs - Rank
    double FValue = 0.0;      ///< (MSS / DFModel) / (RSS / DFResid); NaN when a df is 0
    /// Upper-tail probability P(F > FValue) on (DFModel, DFResid) degrees of freedom, computed as
    /// the lower tail of 1/FValue on (DFResid, DFModel), which keeps its accuracy for tiny p; NaN
    /// when FValue is.
    double FPValue = 0.0;
};

/// Multiple linear regression y = b0 + sum_k b_k x_k by weighted least squares (Weights null:
/// all 1). Rows with weight 0 are left out of the fit; negative or non-finite weights give false.
/// The predictors are centred on their (weighted) means and scaled to unit length before the
/// singular value decomposition, which keeps polynomial and other ill-conditioned designs
/// accurate; the intercept follows from the means. A design whose scaled singular values fall at
/// or below RelTol times the largest (RelTol <= 0 selects kRegRankTol) is rank deficient: Rank <
/// p + 1, RankDeficient true, the coefficients are the minimum-norm solution in the coordinates of
/// the scaled predictors (aliased columns share the effect: for x and 2x, b_x x = b_2x (2x)) and
/// the standard errors are those of the pseudo-inverse. Definitions
/// follow the usual regression summary: sigma^2 = RSS / (n - Rank), R^2 = MSS / (MSS + RSS),
/// adjusted R^2 = 1 - (1 - R^2)(n - 1)/(n - Rank), F = (MSS/DFModel)/sigma^2. False when y or
/// Weights do not have one element per row of X, no observation has positive weight, a cell is
/// not finite, or the decomposition fails; Result is then unchanged.
bool MultiLinReg(const TMatrix& X, const TVector& y, TLinRegResult& Result,
                 const TVector* Weights = nullptr, double RelTol = 0.0);

/// The result of RidgeReg and RidgeRegStd. Coeffs holds the intercept and then one coefficient
/// per predictor, all on the scale of the raw predictors.
struct TRidgeResult {
    TDoubleArray Coeffs;     ///< p + 1
    TDoubleArray StdCoeffs;  ///< RidgeRegStd: p coefficients of the standardised predictors
    TDoubleArray Residuals;  ///< y - fitted, one per row
    /// Residual sum of squares.
    double RSS = 0.0;
    double EffectiveDF = 0.0;  ///< 1 + sum s_k^2 / (s_k^2 + Lambda): trace of the hat matrix
};

/// Ridge regression on the raw predictors: minimises sum (y - b0 - x^T b)^2 + Lambda |b|^2 with
/// the intercept b0 not penalised (b = (Xc^T Xc + Lambda I)^-1 Xc^T yc on the centred data).
/// Lambda = 0 gives the minimum-norm least squares fit. False for Lambda < 0 or not finite, y not
/// of X's row count, fewer than two rows, cells that are not finite, or a failed decomposition.
bool RidgeReg(const TMatrix& X, const TVector& y, double Lambda, TRidgeResult& Result);

/// Ridge regression on standardised predictors: each column is centred and divided by its sample
/// standard deviation (divisor n - 1) before the penalty Lambda |g|^2 is applied to the
/// standardised coefficients g (StdCoeffs); Coeffs are g_k / sd_k with the matching intercept. A
/// constant column gets the coefficient 0. Failures as RidgeReg.
bool RidgeRegStd(const TMatrix& X, const TVector& y, double Lambda, TRidgeResult& Result);

/// Partial least squares by de Jong's SIMPLS for the responses Y (m x q) on the predictors X
/// (m x p), both centred inside. NumComp components (1 <= NumComp <= min(m - 1, p)); extraction
/// stops early when the remaining cross-covariance vanishes, and the outputs then have as many
/// columns as components were found (NumComp receives that number). Outputs, one column per
/// component: Weights R (p rows), XLoadings P (p rows), YLoadings Q (q rows), XScores T (m rows,
/// orthonormal columns), YScores U (m rows); Coeffs B = R Q^T (p rows x q columns) and Intercepts
/// (q) so that Y ~ Intercepts + X B. The dominant direction of each step is the leading singular
/// pair of the deflated cross-covariance; for one response it is that covariance itself, and the
/// fit equals the NIPALS partial least squares fit. False for bad sizes or NumComp out of range,
/// non-finite cells or a failed decomposition.
bool SimPLS(const TMatrix& X, const TMatrix& Y, int& NumComp, TMatrix& Weights, TMatrix& XLoadings,
            TMatrix& YLoadings, TMatrix& XScores, TMatrix& YScores, TMatrix& Coeffs,
            TVector& Intercepts);

/// Vertex component analysis (Nascimento and Bioucas-Dias, 2005) of spectral data: one row per
/// pixel, one column per band. Finds NumEndmembers pixels that are the vertices of the simplex the
/// data span. The data are projected on the leading NumEndmembers (high signal-to-noise ratio,
/// projective projection) or NumEndmembers - 1 (low ratio, centred projection) eigenvectors of
/// their second moments; then each step picks the pixel with the largest projection on a random
/// direction orthogonal to the vertices found so far. SNR is the signal-to-noise ratio in dB that
/// chooses the projection (threshold 15 + 10 log10(NumEndmembers)); NaN estimates it from the data
/// as the authors do. The random directions come from the shared generator (SetRandSeed makes
/// the result reproducible). Indices receives the 1-based row numbers of the endmember pixels in
/// the order found; Signatures (NumEndmembers rows x bands columns) the pixels' spectra as
/// projected on the signal subspace (equal to the measured spectra for noise-free data). False
/// for NumEndmembers < 1 or above the number of bands or pixels, non-finite cells or a failed
/// decomposition.
bool VertexCompAnalysis(const TMatrix& Data, int NumEndmembers, TIntArray& Indices,
                        TMatrix& Signatures, double SNR);

/// Splits a list of NumVars variable names, as used to label the results above. Entries are
/// separated by commas, semicolons, tabs or line ends; blanks around an entry are dropped (blanks
/// inside a name are kept). A name in double quotes may contain separators, and "" inside it
/// stands for one double quote. Empty entries at the end of the list are ignored. Names receives
/// NumVars entries: the listed names, and "V<k>" for position k when the list ends early or its
/// entry is empty. Returns the number of names taken
/// from the list, or -1 for a broken quotation (no closing quote, or text after it within the
/// entry), -2 for more entries than NumVars, -3 when two names are equal; Names is then unchanged.
/// An empty list with NumVars <= 0 gives 0 and no names.
int ExtractVarNames(std::string_view List, int NumVars, TStrArray& Names);

}  // namespace ozm::math2
