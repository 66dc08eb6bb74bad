/// @file
/// Open arrays: cloning with type conversion, copying into existing arrays, columns, rows and
/// vectors, flipping, removing rows and columns, sorting and shuffling.
/// The conventions of the unit are stated in ozm/openarrays.hpp; ranges here come in corner order.
#pragma once

#include <cstdint>

#include "ozm/base/types.hpp"

namespace ozm::openarrays {

// --- cloning ------------------------------------------------------------------------------------
/// Dest gets the nesting of Src (a ragged Src gives a ragged Dest) and every cell, converted where
/// the types differ; -1 if Src is empty (Dest unchanged), else 0. Double -> integer: above
/// 2147483647 and NaN give 2147483647, below -2147483648 gives -2147483648, everything else is
/// rounded to nearest, ties to even. Double -> single rounds to single precision.
///@{
int CloneArray(const TBoolArray& Src, TBoolArray& Dest);
int CloneArray(const TBool2DArray& Src, TBool2DArray& Dest);
int CloneArray(const TDoubleArray& Src, TDoubleArray& Dest);
int CloneArray(const TDouble2DArray& Src, TDouble2DArray& Dest);
int CloneArray(const TDouble3DArray& Src, TDouble3DArray& Dest);
int CloneArray(const TDouble4DArray& Src, TDouble4DArray& Dest);
int CloneArray(const TIntArray& Src, TIntArray& Dest);
int CloneArray(const TInt2DArray& Src, TInt2DArray& Dest);
int CloneArray(const TInt3DArray& Src, TInt3DArray& Dest);
int CloneArray(const TInt4DArray& Src, TInt4DArray& Dest);
int CloneArray(const TSingleArray& Src, TDoubleArray& Dest);
int CloneArray(const TDoubleArray& Src, TSingleArray& Dest);
int CloneArray(const TDoubleArray& Src, TIntArray& Dest);
int CloneArray(const TDouble2DArray& Src, TInt2DArray& Dest);
int CloneArray(const TDouble3DArray& Src, TInt3DArray& Dest);
int CloneArray(const TDouble4DArray& Src, TInt4DArray& Dest);
int CloneArray(const TIntArray& Src, TDoubleArray& Dest);
int CloneArray(const TInt2DArray& Src, TDouble2DArray& Dest);
int CloneArray(const TInt3DArray& Src, TDouble3DArray& Dest);
int CloneArray(const TInt4DArray& Src, TDouble4DArray& Dest);
///@}

/// As CloneArray, in reverse order: Dest[i] = Src[n - 1 - i]. Dest may be Src.
///@{
int CloneAndReverseArray(const TBoolArray& Src, TBoolArray& Dest);
int CloneAndReverseArray(const TDoubleArray& Src, TDoubleArray& Dest);
int CloneAndReverseArray(const TIntArray& Src, TIntArray& Dest);
int CloneAndReverseArray(const TSingleArray& Src, TDoubleArray& Dest);
int CloneAndReverseArray(const TDoubleArray& Src, TSingleArray& Dest);
int CloneAndReverseArray(const TDoubleArray& Src, TIntArray& Dest);
int CloneAndReverseArray(const TIntArray& Src, TDoubleArray& Dest);
///@}

// --- copying into an existing array -------------------------------------------------------------
// Dest is never resized. -1 if Src or Dest is empty; -2 if an index or bound is negative, a
// source bound is not below its extent, Hi < Lo, a destination index is not below the
// destination's extent, the block does not fit (DestIx + block extent must not exceed the
// destination's extent), or Src or Dest is ragged. Src may be Dest: overlapping blocks are
// copied as if through a buffer.

/// All of Src: Src[i1]..[iN] -> Dest[i1 + DestIx1]..[iN + DestIxN].
///@{
int CopyArray(const TBoolArray& Src, int DestIx1, TBoolArray& Dest);
int CopyArray(const TBool2DArray& Src, int DestIx1, int DestIx2, TBool2DArray& Dest);
int CopyArray(const TDoubleArray& Src, int DestIx1, TDoubleArray& Dest);
int CopyArray(const TDouble2DArray& Src, int DestIx1, int DestIx2, TDouble2DArray& Dest);
int CopyArray(const TDouble3DArray& Src, int DestIx1, int DestIx2, int DestIx3,
              TDouble3DArray& Dest);
int CopyArray(const TDouble4DArray& Src, int DestIx1, int DestIx2, int DestIx3, int DestIx4,
              TDouble4DArray& Dest);
int CopyArray(const TIntArray& Src, int DestIx1, TIntArray& Dest);
int CopyArray(const TInt2DArray& Src, int DestIx1, int DestIx2, TInt2DArray& Dest);
int CopyArray(const TInt3DArray& Src, int DestIx1, int DestIx2, int DestIx3, TInt3DArray& Dest);
int CopyArray(const TInt4DArray& Src, int DestIx1, int DestIx2, int DestIx3, int DestIx4,
              TInt4DArray& Dest);
///@}

/// The box SrcLo..SrcHi (corner order) of Src: Src[SrcLo1 + j1].. -> Dest[DestIx1 + j1]..
///@{
int CopyArray(const TDoubleArray& Src, int SrcLo1, int SrcHi1, int DestIx1, TDoubleArray& Dest);
int CopyArray(const TDouble2DArray& Src, int SrcLo1, int SrcLo2, int SrcHi1, int SrcHi2,
              int DestIx1, int DestIx2, TDouble2DArray& Dest);
int CopyArray(const TDouble3DArray& Src, int SrcLo1, int SrcLo2, int SrcLo3, int SrcHi1,
              int SrcHi2, int SrcHi3, int DestIx1, int DestIx2, int DestIx3,
              TDouble3DArray& Dest);
int CopyArray(const TDouble4DArray& Src, int SrcLo1, int SrcLo2, int SrcLo3, int SrcLo4,
              int SrcHi1, int SrcHi2, int SrcHi3, int SrcHi4, int DestIx1, int DestIx2,
              int DestIx3, int DestIx4, TDouble4DArray& Dest);
int CopyArray(const TIntArray& Src, int SrcLo1, int SrcHi1, int DestIx1, TIntArray& Dest);
int CopyArray(const TInt2DArray& Src, int SrcLo1, int SrcLo2, int SrcHi1, int SrcHi2,
              int DestIx1, int DestIx2, TInt2DArray& Dest);
int CopyArray(const TInt3DArray& Src, int SrcLo1, int SrcLo2, int SrcLo3, int SrcHi1,
              int SrcHi2, int SrcHi3, int DestIx1, int DestIx2, int DestIx3, TInt3DArray& Dest);
int CopyArray(const TInt4DArray& Src, int SrcLo1, int SrcLo2, int SrcLo3, int SrcLo4,
              int SrcHi1, int SrcHi2, int SrcHi3, int SrcHi4, int DestIx1, int DestIx2,
              int DestIx3, int DestIx4, TInt4DArray& Dest);
///@}

// --- columns, rows and vectors (column = outer index, row = inner index) ------------------------

/// Vec = A[Col][Lo..Hi], resized to Hi - Lo + 1. -1 if A is empty; -2 if Hi < Lo, a bound is
/// negative or not below the row extent, or A is ragged; -3 if Col is outside the columns.
///@{
int CopyArrayColumn(const TDouble2DArray& A, int Col, int Lo, int Hi, TDoubleArray& Vec);
int CopyArrayColumn(const TInt2DArray& A, int Col, int Lo, int Hi, TIntArray& Vec);
int CopyArrayColumn(const TBool2DArray& A, int Col, int Lo, int Hi, TBoolArray& Vec);
///@}

/// Vec[i] = A[Lo + i][Row] over the columns Lo..Hi. -1 if A is empty; -2 for bad column bounds or
/// a ragged A; -3 if Row is outside the rows.
///@{
int CopyArrayRow(const TDouble2DArray& A, int Row, int Lo, int Hi, TDoubleArray& Vec);
int CopyArrayRow(const TInt2DArray& A, int Row, int Lo, int Hi, TIntArray& Vec);
int CopyArrayRow(const TBool2DArray& A, int Row, int Lo, int Hi, TBoolArray& Vec);
///@}

/// Copies Vec[VecLo..VecHi] into column Col of A from row FirstRow on, stopping silently at the
/// last row. VecLo = VecHi = 0 means the whole vector (an empty one copies nothing). -2 if Col or
/// FirstRow is outside A (an empty A included) or A is ragged; otherwise -1 if VecLo or VecHi is
/// negative or not below the length of Vec, or VecHi < VecLo. Nothing is copied unless the result
/// is 0; A is never resized.
///@{
int CopyVectorToArrayColumn(const TDoubleArray& Vec, int VecLo, int VecHi, int Col, int FirstRow,
                            TDouble2DArray& A);
int CopyVectorToArrayColumn(const TIntArray& Vec, int VecLo, int VecHi, int Col, int FirstRow,
                            TInt2DArray& A);
int CopyVectorToArrayColumn(const TBoolArray& Vec, int VecLo, int VecHi, int Col, int FirstRow,
                            TBool2DArray& A);
///@}

/// The same along row Row from column FirstCol on, stopping at the last column.
///@{
int CopyVectorToArrayRow(const TDoubleArray& Vec, int VecLo, int VecHi, int FirstCol, int Row,
                         TDouble2DArray& A);
int CopyVectorToArrayRow(const TIntArray& Vec, int VecLo, int VecHi, int FirstCol, int Row,
                         TInt2DArray& A);
int CopyVectorToArrayRow(const TBoolArray& Vec, int VecLo, int VecHi, int FirstCol, int Row,
                         TBool2DArray& A);
///@}

// --- reshaping and ordering ---------------------------------------------------------------------

/// Reverses the order along dimension Dim (1 = outer, up to the rank). -1 if A is empty; -2 if
/// Dim is not between 1 and the rank, or A is ragged.
///@{
int FlipDimArray(TDoubleArray& A, int Dim);
int FlipDimArray(TDouble2DArray& A, int Dim);
int FlipDimArray(TDouble3DArray& A, int Dim);
int FlipDimArray(TDouble4DArray& A, int Dim);
int FlipDimArray(TIntArray& A, int Dim);
int FlipDimArray(TInt2DArray& A, int Dim);
int FlipDimArray(TInt3DArray& A, int Dim);
int FlipDimArray(TInt4DArray& A, int Dim);
///@}

/// Removes row Ix (inner index) from every column. False (A unchanged) if Ix < 0, Ix is beyond the
/// last row, A has no rows, or A is ragged.
///@{
bool RemoveRow(TDouble2DArray& A, int Ix);
bool RemoveRow(TInt2DArray& A, int Ix);
///@}
/// Removes column Ix (outer index). False if Ix < 0, Ix is beyond the last column or A is empty.
///@{
bool RemoveColumn(TDouble2DArray& A, int Ix);
bool RemoveColumn(TInt2DArray& A, int Ix);
///@}

/// Comb sort (gap from n - 1, shrink factor 1.3) in place, not stable. Index receives the former
/// 1-based positions: afterwards A[k] is the element that stood at Index[k] - 1. NaN cells go to
/// the end in either direction (a NaN never counts as smaller or larger than a number, which
/// would keep the sort from ending). -1 if A has fewer than 2 elements (Index is still 1..n).
///@{
int SortArray(bool Ascending, TDoubleArray& A, TIntArray& Index);
int SortArray(bool Ascending, TIntArray& A, TIntArray& Index);
///@}

/// Random cyclic permutation in place (Sattolo): every element leaves its place. Uses the shared
/// generator without reseeding it. -1 if A has fewer than 2 elements.
///@{
int ShuffleArray(TDoubleArray& A);
int ShuffleArray(TIntArray& A);
///@}

/// Sorts A in the given direction and removes repeated values; returns the number removed, or -1
/// if A has fewer than 2 elements.
int SortAndRemoveDuplicates(TIntArray& A, bool Ascending);

}  // namespace ozm::openarrays
