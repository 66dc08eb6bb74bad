/// @file
/// Singular value decomposition and least squares on TMatrix and TVector. Every routine here rests
/// on the one Golub-Reinsch decomposition of the matrices layer (ozm::matrix::DecomposeSVD); they
/// differ in what they keep of the input and how they present the result.
///
/// Progress and abort: the decomposition adds 1 to ProcStat (and calls MathFeedBackProc) at each
/// column of the bidiagonal reduction, of each accumulation and at each singular value; a set
/// AbortMathProc stops it at once and the routine reports false. None of them clears the flag.
/// None raises for bad numbers: NaN or infinite cells exhaust the sweeps and give false. Exhausted
/// memory raises EOZMMath2Error "<Routine>: not enough memory".
#pragma once

#include "ozm/matrix.hpp"
#include "ozm/vector.hpp"

namespace ozm::math2 {

// --- the internal solver of the curve fits, the nearest-neighbour models and PseudoInverse ---

/// Decomposes A (m rows x n columns) into U * diag(W) * V^T; U (m x n) replaces A. V is resized to
/// n x n and W to n elements when they do not have that size. The singular values are
/// non-negative and in the order the QR sweeps deliver them (not sorted). False when a singular
/// value did not converge within 30 sweeps (the decomposition still completes), when the abort
/// flag stopped it (A, V and W partly transformed) or when A has no cells (nothing changed).
/// When the decomposition ran, A and V fire OnChange once and W stores its values as SetVal does.
bool DecomposeSVD(TMatrix& A, TMatrix& V, TVector& W);

/// x := V * diag(1/W) * U^T * b, where a zero W(j) contributes nothing (its reciprocal counts as
/// 0), and, when sd is given, sd(r) := sqrt(sum_j V(r, j)^2 / W(j)^2) over the non-zero W(j): the
/// standard errors of x for a unit error variance. x and sd are resized to n and receive their
/// values as SetVal stores them. True; false only for operands that do not fit together (b not of
/// U's row count, V not n x n, W not of n elements), in which case nothing is written.
bool BackSubstituteSVD(const TMatrix& U, const TMatrix& V, const TVector& W, const TVector& b,
                       TVector& x, TVector* sd);

/// Minimises |A x - b| through DecomposeSVD and BackSubstituteSVD. Singular values below 1e-14 of
/// the largest are set to 0 (their directions are dropped and NearSingular becomes true), so an
/// exactly rank-deficient A yields the minimum-norm solution. A holds U afterwards. False when the
/// decomposition fails (x and sd untouched) or b does not have A's row count.
bool SolveLeastSquaresSVD(TMatrix& A, const TVector& b, TVector& x, bool& NearSingular,
                          TVector& sd);

// --- exported forms ----------------------------------------------------------------------------

/// The thin singular value decomposition A = U * diag(W) * V^T of an m x n matrix, A unchanged.
/// With r = min(m, n): U is resized to m rows x r columns, W to r elements, V to n rows x r
/// columns. The singular values come sorted in descending order, the columns of U and V along with
/// them; the columns of U and of V are orthonormal. A wide matrix (m < n) is decomposed through
/// its transpose. False (results unchanged) for a matrix without cells, non-convergence or abort.
bool SingValDecomp(const TMatrix& A, TMatrix& U, TVector& W, TMatrix& V);

/// The minimum-norm least squares solution of A x = b, A (m x n) unchanged. Singular values at or
/// below RelTol times the largest are treated as zero; RelTol <= 0 selects max(m, n) * 2.22e-16,
/// the usual default of least squares drivers. Rank receives the number of singular values kept.
/// x is resized to n; sd (when given) receives the standard errors of x for a unit error variance
/// (as BackSubstituteSVD). False (outputs unchanged) when b does not have m elements, A has no
/// cells, or the decomposition fails.
bool SingValEquSolve(const TMatrix& A, const TVector& b, TVector& x, TVector* sd, double RelTol,
                     int& Rank);

}  // namespace ozm::math2
