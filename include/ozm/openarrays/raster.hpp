/// @file
/// Open arrays as rasters A[x][y] (x = outer index = column, y = inner index = row): flood fill,
/// masked fill, edge profiles and export as an image file.
/// The conventions of the unit are stated in ozm/openarrays.hpp.
#pragma once

#include <cstdint>
#include <string>

#include "ozm/base/types.hpp"

namespace ozm::openarrays {

/// Fills the 4-connected region around the seed (X, Y) with NewValue and returns the number of
/// cells changed. Integer form: the region holds the seed's former value. -2 if the seed already
/// holds NewValue (a seed outside A counts as holding 0, so an outside seed with NewValue 0 gives
/// -2); otherwise -1 if (X, Y) lies outside A.
/// MinX/MaxX/MinY/MaxY start at the seed and end as the smallest box around every changed cell;
/// after a failure they are untouched. The fill uses an explicit work list, so region size is
/// limited by memory only (no recursion). In a ragged A a cell exists where its column has it.
int FloodFillArray(int X, int Y, int32_t NewValue, TInt2DArray& A, int& MaxY, int& MinY,
                   int& MinX, int& MaxX);
/// Double form: the region holds values v with s - t <= v <= s + t, s the seed's former value and
/// t = |Tolerance|; NaN cells always match. -1 if (X, Y) lies outside A; -2 if NewValue itself
/// would match (it lies in the band, or is NaN), since filled cells would then match again.
int FloodFillArray(int X, int Y, double Tolerance, double NewValue, TDouble2DArray& A, int& MaxY,
                   int& MinY, int& MinX, int& MaxX);

/// Writes Value into every cell whose mask cell is false; an empty mask means every cell.
/// -2 if A is empty; -1 if a mask is given and its nesting differs from A's; 0 otherwise.
///@{
int FillArrayMasked(TDouble2DArray& A, double Value, const TBool2DArray& Mask);
int FillArrayMasked(TInt2DArray& A, int32_t Value, const TBool2DArray& Mask);
///@}

/// Profile of a raster with n columns and m rows, as doubles. orPerRow: m values, value y reduces
/// A[0][y] .. A[n-1][y]; orPerColumn: n values, value x reduces A[x][0] .. A[x][m-1]. eoMin starts
/// at uc_MaxDouble and takes smaller values (or any value after a NaN); eoMax starts at
/// -uc_MaxDouble and takes a value unless the running maximum is >= it; eoSum adds; eoMean divides
/// the sum by the number of values reduced. -1 if A is empty; -2 if A is ragged or Operation or
/// Orientation holds no valid value. Profile is untouched after a failure.
///@{
int EdgeVector(const TInt2DArray& A, TOrientation Orientation, TEdgeOp Operation,
               TDoubleArray& Profile);
int EdgeVector(const TDouble2DArray& A, TOrientation Orientation, TEdgeOp Operation,
               TDoubleArray& Profile);
///@}

/// Writes A as an image of n * Magnification x m * Magnification pixels; pixel (px, py) takes
/// the colour A[px / Magnification][py / Magnification], each cell holding 0x00BBGGRR (red in
/// the lowest byte). The extension of FName (any case) selects the file type: ".bmp", ".png" or
/// ".jpg". Results: -2 if Magnification is outside 1..10; -1 for another extension, or for a name
/// without extension (nothing is saved); -2 if A is empty or ragged or the image would exceed
/// the bitmap's size limits; -3 for an empty FName, which asks for the clipboard: there is none
/// here, so nothing is delivered. 0 after writing. File and encoder failures raise EInOutError.
int SaveArrayAsImg(const std::string& FName, const TInt2DArray& A, int Magnification);

}  // namespace ozm::openarrays
