/// @file
/// Covariance-type matrices, eigenvectors by cyclic Jacobi rotations, principal components, the
/// Moore-Penrose pseudo-inverse, the Mahalanobis distance, ranks with ties and Fisher's quotient.
///
/// Data matrices have one column per variable and one row per observation. Column and row ranges
/// are normalised as everywhere: (0, 0) means all, bounds are clamped, reversed bounds swapped.
///
/// The eigen results live in an eigen store that CalcEigVec (and so CalcPrincComp) replaces and
/// GetEigenResult reads. The store belongs to the calling thread: two threads computing at once
/// never see each other's results, and within one thread it behaves as one unit-wide store.
/// Exhausted memory raises EOZMMath2Error "<Routine>: not enough memory" (the eigen store's own
/// message is "CalcEigVec: not enough memory").
#pragma once

#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm::math2 {

/// Modes of CalcCovar and CalcPrincComp.
constexpr int kCovarCrossProducts = 0;   ///< sum x_i x_j / (m - 1), uncentred
constexpr int kCovarCovariance = 1;      ///< sum (x_i - mean_i)(x_j - mean_j) / (m - 1)
constexpr int kCovarCorrelation = 2;     ///< covariance / sqrt(var_i var_j), diagonal exactly 1
constexpr int kCovarSqrCorrelation = 3;  ///< square of the correlation (diagonal computed)
constexpr int kCovarMeanSqrDiff = 4;     ///< sum (x_i - x_j)^2 / (m - 1)

/// OutMat (its top-left p x p cells, p = number of columns in the range) := the covariance-type
/// matrix of the columns LowCol..HighCol over the observations LowRow..HighRow in the given mode
/// (other modes give zeros). Clears AbortMathProc first. Progress: for modes > 0 one ProcStat step
/// per observation (the means pass); then, for each result row i, m is added to ProcStat and
/// MathFeedBackProc called once per pair (i, j), j <= i, with the abort flag tested before each
/// row. Means and variances are taken from deviations about the mean, so a large common offset
/// does not cancel the variances away. A zero standard deviation makes the correlation divide by
/// 1e-38. False when OutMat has fewer than p columns or rows, the range has fewer than two
/// observations (the divisor m - 1 would be 0) or no column, or on abort; OutMat is then not
/// changed. On success OutMat fires OnChange once.
bool CalcCovar(const TMatrix& InMat, TMatrix& OutMat, int LowCol, int HighCol, int LowRow,
               int HighRow, int Mode);

/// Eigenvalues and eigenvectors of the symmetric n x n matrix Mat by the cyclic Jacobi method,
/// stored in the eigen store (replacing the previous result). Only the upper triangle is read,
/// and it is destroyed (rotated in place; Mat fires OnChange once). Passes: sum of the
/// absolute upper off-diagonal elements; 0 ends with success, otherwise a sweep over all pairs
/// (p, q), with a threshold of 0.2 sum / n^2 in the first three sweeps, and from the fifth sweep
/// on elements negligible beside both diagonal values are set to 0 without rotation. After 100
/// sweeps without reaching 0 the result is false. The eigenvalues are not sorted. A false result
/// after the start (no convergence, abort) still replaces the store, with the partial result.
/// Clears AbortMathProc; one progress step per pass and per pair (p, q); an abort gives false.
/// False without touching the store for n > 10000 or a non-square Mat. Raises EOZMMath2Error
/// "CalcEigVec: not enough memory" when the store cannot be allocated (the previous store is
/// kept). NaN cells give false after the 100 sweeps.
bool CalcEigVec(TMatrix& Mat);

/// Eigenvalue k (j = 0) or component j of eigenvector k (1 <= j <= n) of the stored result; 0 for
/// any other k or j and when nothing is stored.
double GetEigenResult(int k, int j) noexcept;

/// The size n of the last CalcEigVec, kept after RemoveEigenMatrix; 0 before any.
int GetEigenSize() noexcept;

/// Releases the stored eigenvalues and eigenvectors (GetEigenSize keeps its value).
void RemoveEigenMatrix() noexcept;

/// Principal components: CalcCovar over the ranges in Mode, then CalcEigVec on the result. With
/// Normalise every eigenvalue is divided by the sum of the absolute eigenvalues (when that is not
/// 0). Then the eigenvalues are sorted in descending order by selection, the eigenvector columns
/// along: for each position the largest value above 0 among the remaining positions is moved
/// there (ties keep the first found). Values <= 0 never move, so the order is complete only when
/// at most the trailing values are <= 0; an indefinite matrix (mode 4) may be left partly
/// unsorted. Read the results with GetEigenResult. False when CalcCovar or CalcEigVec fails.
bool CalcPrincComp(const TMatrix& DataMat, int LowCol, int HighCol, int LowRow, int HighRow,
                   int Mode, bool Normalise);
/// The same with Normalise = true.
bool CalcPrincComp(const TMatrix& DataMat, int LowCol, int HighCol, int LowRow, int HighRow,
                   int Mode);

/// OutMat (n rows x m columns) := the Moore-Penrose pseudo-inverse of InMat (m x n) by the
/// singular value decomposition: singular values at or below Threshold are dropped (their
/// reciprocals count as 0); Threshold = 0 selects max(m, n) * max(w) * 1.2e-16. Zero singular
/// values are always dropped, also for a negative Threshold. InMat is not changed. False when the
/// decomposition does not converge or is aborted; OutMat is then n x m zeros. An InMat without
/// cells gives false and leaves OutMat unchanged.
bool PseudoInverse(const TMatrix& InMat, TMatrix& OutMat, double Threshold);

/// sqrt(d^T S d) with d = x - y and S(i, j) the cell in row i, column j. Raises EOZMVectorError:
/// "MahalanobisDistance: dimensions of vectors do not match",
/// "MahalanobisDistance: inverse covariance matrix is not quadratric",
/// "MahalanobisDistance: dimension of vectors and inverse covariance matrix do not match",
/// "MahalanobisDistance: the inverse covariance matrix must be symmetric and positive definite"
/// (a negative quadratic form), checked in this order.
double MahalanobisDistance(const TVector& x, const TVector& y, const TMatrix& InvCovar);

/// RankVec (resized to DataVec's length) := the ascending rank of each element of DataVec, in
/// DataVec's order (1 for the smallest); equal values share the mean of their ranks. NaN elements
/// rank after every number and tie among themselves. Returns the tie sum sum(t^3 - t) over the
/// groups of t >= 2 equal values (0 without ties).
double CalcRanks(const TVector& DataVec, TVector& RankVec);

/// Fisher's quotient (mean1 - mean2)^2 / (sd1^2 + sd2^2); the denominator is raised to 1e-6 when
/// smaller.
double CalcFishQ(double mean1, double mean2, double sd1, double sd2) noexcept;

}  // namespace ozm::math2
