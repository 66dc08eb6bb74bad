/// @file
/// The singular value decomposition of the matrices layer, on a plain column-major buffer, so that
/// the matrix norm and the least squares solvers share one implementation.
#pragma once

namespace ozm::matrix {

/// Golub-Reinsch decomposition A = U * diag(W) * V^T of the m x n matrix A, stored column-major
/// (cell (row r, column c), 0-based, at A[c * m + r]): Householder reduction to bidiagonal form,
/// accumulation of the right-hand and then the left-hand transformations, and diagonalisation by
/// implicit-shift QR sweeps from the last singular value to the first.
///
/// With WithVectors, U (m x n) replaces A and V (n x n, column-major) receives V. Without, only W
/// is computed: A is destroyed, V is not touched (it may be null) and the two accumulations are
/// skipped. W receives n values, non-negative, in the order the sweeps deliver them (not sorted).
///
/// Progress: at the start of each column of the reduction, of each accumulation that runs and of
/// each singular value, ProcStat grows by 1, MathFeedBackProc is called, and a set AbortMathProc
/// ends the routine at once with false (A, V and W partly transformed). Each singular value gets at
/// most 30 sweeps; one that has not converged after its 30th makes the result false (the
/// decomposition goes on with the next value). NaN cells cannot hang it: they exhaust the sweeps
/// and give false. m or n below 1 does nothing and gives true.
bool DecomposeSVD(double* A, int m, int n, double* W, double* V, bool WithVectors = true);

}  // namespace ozm::matrix
