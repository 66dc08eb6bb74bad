/// @file
/// Open arrays: linear algebra and distances. A two-dimensional array A is read as the matrix M
/// with M(r, c) = A[c][r] (outer index = column).
/// The conventions of the unit are stated in ozm/openarrays.hpp.
#pragma once

#include <cstdint>

#include "ozm/base/types.hpp"

namespace ozm::openarrays {

/// Matrix product C = A B in the array layout: A has A.size() columns of A[0].size() rows, B must
/// have as many rows as A has columns, and C gets B's columns of A's rows,
/// C[j][i] = sum over k of A[k][i] * B[j][k]. -1 if A or B is empty; -2 if the inner dimensions
/// differ or A or B is ragged. C may be A or B. Integer arithmetic wraps in 32 bits.
///@{
int MultiplyArrays(const TDouble2DArray& A, const TDouble2DArray& B, TDouble2DArray& C);
int MultiplyArrays(const TInt2DArray& A, const TInt2DArray& B, TInt2DArray& C);
///@}

/// Inverse in place, by Crout's LU decomposition with implicit partial pivoting (rows scaled by
/// their largest magnitude, a later row winning a tie), then one forward and back substitution
/// per unit vector. Adds 1 to ProcStat and calls MathFeedBackProc for every column of each of the
/// two phases, and stops with -3 when AbortMathProc is set at such a step. 0 done; -1 if A is
/// empty or not square (or ragged); -2 if the work storage cannot be allocated; -3 if A is
/// singular (a zero row, or a pivot below 1e-100 in magnitude or NaN) or the caller aborted.
/// After any failure A is unchanged.
int InvertArray(TDouble2DArray& A);
/// Logical negation of every cell (every existing cell of a ragged array); -1 if A is empty.
///@{
int InvertArray(TBoolArray& A);
int InvertArray(TBool2DArray& A);
///@}

/// Hat matrix H = X (X'X)^-1 X' of the regression on the columns of X (H is n x n for n rows).
/// Built from CloneArray, TransposeArray, MultiplyArrays and InvertArray. -1 if X is empty; -2 if
/// X is ragged or memory runs out; -3 if X'X is singular (linearly dependent columns) or the
/// caller aborted. H is untouched after a failure and may be X.
int CalcHatMatrix(const TDouble2DArray& X, TDouble2DArray& H);

/// Distance or similarity between rows Obj1 and Obj2 of A over the columns FirstVar..LastVar, with
/// x_k = A[k][Obj1] and y_k = A[k][Obj2]: dmTanimoto sum xy / (sum x^2 + sum y^2 - sum xy);
/// dmCityBlock sum |x - y|; dmEuclidean sqrt(sum (x - y)^2); dmSqrEuclidean sum (x - y)^2;
/// dmDice 2 sum xy / (sum x^2 + sum y^2). The similarities of two all-zero rows are 0/0 = NaN.
/// Dist is 0 on entry and stays 0 after a failure. The checks run in this order and the last one
/// that fails decides: -1 dmByEvent (not supported); -2 Obj1 or Obj2 outside the rows, or A ragged;
/// -3 FirstVar or LastVar outside the columns; -4 LastVar < FirstVar. 0 after the computation.
int DistanceOfObjects(const TDouble2DArray& A, TDistMode Mode, int Obj1, int Obj2, int FirstVar,
                      int LastVar, double& Dist);

/// Scalar product of two vectors of equal length. Dot is 0 on entry and stays 0 after a failure.
/// -1 if A or B is empty; -2 if their lengths differ.
int VectorDotProduct(const TDoubleArray& A, const TDoubleArray& B, double& Dot);
/// Cross product C = A x B of two three-element vectors (C may be A or B). -1 if A or B is
/// empty; -2 unless both have exactly three elements.
int VectorCrossProduct(const TDoubleArray& A, const TDoubleArray& B, TDoubleArray& C);

}  // namespace ozm::openarrays
