/// @file
/// Open arrays: element-wise arithmetic, accumulation, filling, conversion of booleans and the
/// small matrix helpers (sum of squared differences, trace, transposition).
/// The conventions of the unit are stated in ozm/openarrays.hpp.
#pragma once

#include <cstdint>

#include "ozm/base/types.hpp"

namespace ozm::openarrays {

// --- element-wise arithmetic of two arrays ---------------------------------------------------

/// C = A + B cell by cell; C is resized to the extents of A. -1 if A or B is empty; -2 if their
/// extents differ in any dimension (ragged arrays count as differing). C may be A or B.
/// Integer arithmetic wraps in 32 bits.
///@{
int AddArrays(const TDoubleArray& A, const TDoubleArray& B, TDoubleArray& C);
int AddArrays(const TDouble2DArray& A, const TDouble2DArray& B, TDouble2DArray& C);
int AddArrays(const TDouble3DArray& A, const TDouble3DArray& B, TDouble3DArray& C);
int AddArrays(const TDouble4DArray& A, const TDouble4DArray& B, TDouble4DArray& C);
int AddArrays(const TIntArray& A, const TIntArray& B, TIntArray& C);
int AddArrays(const TInt2DArray& A, const TInt2DArray& B, TInt2DArray& C);
int AddArrays(const TInt3DArray& A, const TInt3DArray& B, TInt3DArray& C);
int AddArrays(const TInt4DArray& A, const TInt4DArray& B, TInt4DArray& C);
///@}

/// C = A - B cell by cell; codes as AddArrays.
///@{
int SubtractArrays(const TDoubleArray& A, const TDoubleArray& B, TDoubleArray& C);
int SubtractArrays(const TDouble2DArray& A, const TDouble2DArray& B, TDouble2DArray& C);
int SubtractArrays(const TDouble3DArray& A, const TDouble3DArray& B, TDouble3DArray& C);
int SubtractArrays(const TDouble4DArray& A, const TDouble4DArray& B, TDouble4DArray& C);
int SubtractArrays(const TIntArray& A, const TIntArray& B, TIntArray& C);
int SubtractArrays(const TInt2DArray& A, const TInt2DArray& B, TInt2DArray& C);
int SubtractArrays(const TInt3DArray& A, const TInt3DArray& B, TInt3DArray& C);
int SubtractArrays(const TInt4DArray& A, const TInt4DArray& B, TInt4DArray& C);
///@}

/// C = A * B cell by cell (not the matrix product, see MultiplyArrays); codes as AddArrays.
///@{
int MultiplyArraysElemw(const TDoubleArray& A, const TDoubleArray& B, TDoubleArray& C);
int MultiplyArraysElemw(const TDouble2DArray& A, const TDouble2DArray& B, TDouble2DArray& C);
int MultiplyArraysElemw(const TIntArray& A, const TIntArray& B, TIntArray& C);
int MultiplyArraysElemw(const TInt2DArray& A, const TInt2DArray& B, TInt2DArray& C);
///@}

/// Accu = Accu + A cell by cell, for summing many arrays of one shape (frames of a series, say).
/// An empty Accu is first given the extents of A with every cell 0, so the first call copies A.
/// -1 if A is empty; -2 if A is ragged, or Accu is not empty and its extents differ from A's.
///@{
int AccumulateArray(const TDoubleArray& A, TDoubleArray& Accu);
int AccumulateArray(const TDouble2DArray& A, TDouble2DArray& Accu);
int AccumulateArray(const TDouble3DArray& A, TDouble3DArray& Accu);
int AccumulateArray(const TDouble4DArray& A, TDouble4DArray& Accu);
int AccumulateArray(const TIntArray& A, TIntArray& Accu);
int AccumulateArray(const TInt2DArray& A, TInt2DArray& Accu);
int AccumulateArray(const TInt3DArray& A, TInt3DArray& Accu);
int AccumulateArray(const TInt4DArray& A, TInt4DArray& Accu);
///@}

// --- arithmetic with a scalar -------------------------------------------------------------------
// These work cell by cell and accept ragged arrays: every cell that exists is processed, and an
// output gets exactly the nesting of A. -1 if A is empty, otherwise 0.

/// C = A + Scalar.
///@{
int AddScalarToArray(const TDoubleArray& A, double Scalar, TDoubleArray& C);
int AddScalarToArray(const TDouble2DArray& A, double Scalar, TDouble2DArray& C);
int AddScalarToArray(const TDouble3DArray& A, double Scalar, TDouble3DArray& C);
int AddScalarToArray(const TDouble4DArray& A, double Scalar, TDouble4DArray& C);
int AddScalarToArray(const TIntArray& A, int32_t Scalar, TIntArray& C);
int AddScalarToArray(const TInt2DArray& A, int32_t Scalar, TInt2DArray& C);
int AddScalarToArray(const TInt3DArray& A, int32_t Scalar, TInt3DArray& C);
int AddScalarToArray(const TInt4DArray& A, int32_t Scalar, TInt4DArray& C);
///@}

/// A = A + Scalar in place.
///@{
int IncArray(TDoubleArray& A, double Scalar);
int IncArray(TDouble2DArray& A, double Scalar);
int IncArray(TDouble3DArray& A, double Scalar);
int IncArray(TDouble4DArray& A, double Scalar);
int IncArray(TIntArray& A, int32_t Scalar);
int IncArray(TInt2DArray& A, int32_t Scalar);
int IncArray(TInt3DArray& A, int32_t Scalar);
int IncArray(TInt4DArray& A, int32_t Scalar);
///@}

/// C = A * Scalar (C may be A), or A = A * Scalar in place.
///@{
int MultiplyArrayByScalar(const TDoubleArray& A, double Scalar, TDoubleArray& C);
int MultiplyArrayByScalar(const TDouble2DArray& A, double Scalar, TDouble2DArray& C);
int MultiplyArrayByScalar(const TDouble3DArray& A, double Scalar, TDouble3DArray& C);
int MultiplyArrayByScalar(const TDouble4DArray& A, double Scalar, TDouble4DArray& C);
int MultiplyArrayByScalar(const TIntArray& A, int32_t Scalar, TIntArray& C);
int MultiplyArrayByScalar(const TInt2DArray& A, int32_t Scalar, TInt2DArray& C);
int MultiplyArrayByScalar(const TInt3DArray& A, int32_t Scalar, TInt3DArray& C);
int MultiplyArrayByScalar(const TInt4DArray& A, int32_t Scalar, TInt4DArray& C);
int MultiplyArrayByScalar(TDoubleArray& A, double Scalar);
int MultiplyArrayByScalar(TDouble2DArray& A, double Scalar);
int MultiplyArrayByScalar(TDouble3DArray& A, double Scalar);
int MultiplyArrayByScalar(TDouble4DArray& A, double Scalar);
int MultiplyArrayByScalar(TIntArray& A, int32_t Scalar);
int MultiplyArrayByScalar(TInt2DArray& A, int32_t Scalar);
int MultiplyArrayByScalar(TInt3DArray& A, int32_t Scalar);
int MultiplyArrayByScalar(TInt4DArray& A, int32_t Scalar);
///@}

/// A = |A| in place. The integer -2147483648 has no positive counterpart and stays (wrapping).
///@{
int AbsValArray(TDoubleArray& A);
int AbsValArray(TDouble2DArray& A);
int AbsValArray(TDouble3DArray& A);
int AbsValArray(TDouble4DArray& A);
int AbsValArray(TIntArray& A);
int AbsValArray(TInt2DArray& A);
int AbsValArray(TInt3DArray& A);
int AbsValArray(TInt4DArray& A);
///@}

// --- filling ------------------------------------------------------------------------------------
// Fills write into the existing cells and never resize; -1 for an empty array.

/// Every cell = Value (ragged arrays: every cell that exists).
///@{
int FillArray(TDoubleArray& A, double Value);
int FillArray(TDouble2DArray& A, double Value);
int FillArray(TDouble3DArray& A, double Value);
int FillArray(TDouble4DArray& A, double Value);
int FillArray(TIntArray& A, int32_t Value);
int FillArray(TInt2DArray& A, int32_t Value);
int FillArray(TInt3DArray& A, int32_t Value);
int FillArray(TInt4DArray& A, int32_t Value);
int FillArray(TBoolArray& A, bool Value);
int FillArray(TBool2DArray& A, bool Value);
///@}

/// The box Lo1..Hi1 x Lo2..Hi2 x ... = Value. The bounds come in corner order: all lower bounds
/// (outer dimension first), then all upper bounds. -2 if in any dimension Hi < Lo, a bound is
/// negative or a bound is not below the extent, or if A is ragged.
///@{
int FillArray(TDoubleArray& A, double Value, int Lo1, int Hi1);
int FillArray(TDouble2DArray& A, double Value, int Lo1, int Lo2, int Hi1, int Hi2);
int FillArray(TDouble3DArray& A, double Value, int Lo1, int Lo2, int Lo3, int Hi1, int Hi2,
              int Hi3);
int FillArray(TDouble4DArray& A, double Value, int Lo1, int Lo2, int Lo3, int Lo4, int Hi1,
              int Hi2, int Hi3, int Hi4);
int FillArray(TIntArray& A, int32_t Value, int Lo1, int Hi1);
int FillArray(TInt2DArray& A, int32_t Value, int Lo1, int Lo2, int Hi1, int Hi2);
int FillArray(TInt3DArray& A, int32_t Value, int Lo1, int Lo2, int Lo3, int Hi1, int Hi2,
              int Hi3);
int FillArray(TInt4DArray& A, int32_t Value, int Lo1, int Lo2, int Lo3, int Lo4, int Hi1,
              int Hi2, int Hi3, int Hi4);
///@}

/// Running index: rank 1 A[i] = i; rank 2 A[i][j] = i*E2 + j (fastest along the inner index);
/// rank 3 A[i][j][k] = i + E1*(j + E2*k) (fastest along the outer index). E1, E2 are the measured
/// extents; in a ragged array every existing cell gets the formula's value.
///@{
int FillArrayRix(TDoubleArray& A);
int FillArrayRix(TDouble2DArray& A);
int FillArrayRix(TDouble3DArray& A);
int FillArrayRix(TIntArray& A);
int FillArrayRix(TInt2DArray& A);
int FillArrayRix(TInt3DArray& A);
///@}

/// Value where all indices are equal, 0 elsewhere. -2 unless all extents are equal (checked
/// pairwise, outer against second first) and the array is rectangular.
///@{
int FillDiagArray(TDouble2DArray& A, double Value);
int FillDiagArray(TDouble3DArray& A, double Value);
int FillDiagArray(TDouble4DArray& A, double Value);
int FillDiagArray(TInt2DArray& A, int32_t Value);
int FillDiagArray(TInt3DArray& A, int32_t Value);
int FillDiagArray(TInt4DArray& A, int32_t Value);
///@}

/// Uniform deviates. Every call first reseeds the shared generator from the clock (so sequences
/// are not reproducible), then: -1 if A is empty. Doubles: -2 unless RangeHigh >= RangeLow and
/// both are finite (NaN fails), cells RangeLow + (RangeHigh - RangeLow)*u with u in [0, 1),
/// computed so that even the span -uc_MaxDouble..uc_MaxDouble stays finite. Integers: -2 if Hi < Lo,
/// cells floor(Lo + (Hi - Lo)*u), so Hi occurs only when Lo = Hi.
///@{
int FillRandomUniform(TDoubleArray& A, double RangeLow, double RangeHigh);
int FillRandomUniform(TDouble2DArray& A, double RangeLow, double RangeHigh);
int FillRandomUniform(TDouble3DArray& A, double RangeLow, double RangeHigh);
int FillRandomUniform(TDouble4DArray& A, double RangeLow, double RangeHigh);
int FillRandomUniform(TIntArray& A, int32_t Lo, int32_t Hi);
int FillRandomUniform(TInt2DArray& A, int32_t Lo, int32_t Hi);
int FillRandomUniform(TInt3DArray& A, int32_t Lo, int32_t Hi);
int FillRandomUniform(TInt4DArray& A, int32_t Lo, int32_t Hi);
///@}

/// Normal deviates with the given mean and standard deviation (reseeded like FillRandomUniform).
/// -1 if A is empty; -2 unless StdDev >= 0. StdDev 0 fills every cell with Mean exactly.
///@{
int FillRandomNormal(TDoubleArray& A, double Mean, double StdDev);
int FillRandomNormal(TDouble2DArray& A, double Mean, double StdDev);
int FillRandomNormal(TDouble3DArray& A, double Mean, double StdDev);
int FillRandomNormal(TDouble4DArray& A, double Mean, double StdDev);
///@}

// --- conversion and small matrix helpers --------------------------------------------------------

/// Dest gets the nesting of Src; a false cell becomes FalseValue, a true cell TrueValue. -1 if
/// Src is empty.
///@{
int BoolToNumArray(const TBoolArray& Src, int32_t FalseValue, int32_t TrueValue, TIntArray& Dest);
int BoolToNumArray(const TBoolArray& Src, double FalseValue, double TrueValue, TDoubleArray& Dest);
int BoolToNumArray(const TBool2DArray& Src, int32_t FalseValue, int32_t TrueValue,
                   TInt2DArray& Dest);
int BoolToNumArray(const TBool2DArray& Src, double FalseValue, double TrueValue,
                   TDouble2DArray& Dest);
///@}

/// Sum of (A[i] - B[i])^2. -1.0 if A or B is empty; -2.0 if the lengths differ.
double SumOfSquaredDiffs(const TDoubleArray& A, const TDoubleArray& B);
/// Sum of (A[i] - M[Ix][i])^2. -1.0 if A or M is empty; -2.0 if the length of A differs from the
/// inner extent of M (or from the length of M[Ix] in a ragged M); -3.0 if Ix is outside the outer
/// extent of M.
double SumOfSquaredDiffs(const TDoubleArray& A, const TDouble2DArray& M, int Ix);

/// Trace = sum of A[i][i]. Trace is 0 on entry, so it is 0 after a failure. -1 if A is empty;
/// -2 if the outer extent differs from the inner one or A is ragged.
///@{
int TraceOfArray(const TDouble2DArray& A, double& Trace);
int TraceOfArray(const TInt2DArray& A, int32_t& Trace);
///@}

/// A becomes its transpose: extents (inner, outer), new A[j][i] = old A[i][j]. -1 if A is empty;
/// -2 (A unchanged) if A is ragged.
///@{
int TransposeArray(TDouble2DArray& A);
int TransposeArray(TInt2DArray& A);
int TransposeArray(TBool2DArray& A);
///@}

}  // namespace ozm::openarrays
