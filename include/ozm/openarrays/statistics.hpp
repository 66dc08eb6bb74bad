/// @file
/// Open arrays: extremes, means and spread, percentiles, frequency distributions, counting,
/// searching, comparison and two-valued data.
/// The conventions of the unit are stated in ozm/openarrays.hpp. Range parameters come in one of
/// two orders, as each routine says: corner order (all lower bounds, then all upper bounds; rank 2:
/// Lo1, Lo2, Hi1, Hi2) or pair order (the bounds of each dimension together: Lo1, Hi1, Lo2, Hi2).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "ozm/base/types.hpp"

namespace ozm::openarrays {

// --- extremes -----------------------------------------------------------------------------------
// MaxArray / MinArray return the largest / smallest cell; ties keep the first occurrence in
// storage order. NaN cells are ignored. An empty array (or one holding only NaN) returns the
// neutral start value: -uc_MaxDouble / uc_MaxDouble for doubles, -2147483648 / 2147483647 for
// integers; index outputs are then left unchanged. Ragged arrays: every existing cell is scanned.

/// The largest cell of A, and with Ix (Ix1, Ix2) its position. Ties keep the first occurrence in
/// storage order; NaN cells are ignored. An empty array, or one holding only NaN, gives
/// -uc_MaxDouble for doubles and -2147483648 for integers and leaves the index outputs unchanged.
///@{
double MaxArray(const TDoubleArray& A);
double MaxArray(const TDouble2DArray& A);
double MaxArray(const TDouble3DArray& A);
double MaxArray(const TDouble4DArray& A);
int32_t MaxArray(const TIntArray& A);
int32_t MaxArray(const TInt2DArray& A);
int32_t MaxArray(const TInt3DArray& A);
int32_t MaxArray(const TInt4DArray& A);
int32_t MaxArray(const TIntArray& A, int& Ix);
int32_t MaxArray(const TInt2DArray& A, int& Ix1, int& Ix2);
///@}

/// The smallest cell of A, and with Ix (Ix1, Ix2) its position. Ties keep the first occurrence in
/// storage order; NaN cells are ignored. An empty array, or one holding only NaN, gives
/// uc_MaxDouble for doubles and 2147483647 for integers and leaves the index outputs unchanged.
///@{
double MinArray(const TDoubleArray& A);
double MinArray(const TDouble2DArray& A);
double MinArray(const TDouble3DArray& A);
double MinArray(const TDouble4DArray& A);
int32_t MinArray(const TIntArray& A);
int32_t MinArray(const TInt2DArray& A);
int32_t MinArray(const TInt3DArray& A);
int32_t MinArray(const TInt4DArray& A);
int32_t MinArray(const TIntArray& A, int& Ix);
int32_t MinArray(const TInt2DArray& A, int& Ix1, int& Ix2);
///@}

/// Both extremes through Min and Max, preset before any check (doubles Min = uc_MaxDouble,
/// Max = -uc_MaxDouble; single arrays uc_MaxSingle; integers 2147483647 and -2147483648).
/// -1 if the array is empty, otherwise 0. NaN cells are ignored (an all-NaN array keeps the
/// presets). Ragged arrays: every existing cell is scanned.
///@{
int MinMaxArray(const TSingleArray& A, double& Min, double& Max);
int MinMaxArray(const TDoubleArray& A, double& Min, double& Max);
int MinMaxArray(const TDouble2DArray& A, double& Min, double& Max);
int MinMaxArray(const TDouble3DArray& A, double& Min, double& Max);
int MinMaxArray(const TDouble4DArray& A, double& Min, double& Max);
int MinMaxArray(std::span<const double> Values, double& Min, double& Max);
int MinMaxArray(const TIntArray& A, int32_t& Min, int32_t& Max);
int MinMaxArray(const TInt2DArray& A, int32_t& Min, int32_t& Max);
int MinMaxArray(const TInt3DArray& A, int32_t& Min, int32_t& Max);
int MinMaxArray(const TInt4DArray& A, int32_t& Min, int32_t& Max);
int MinMaxArray(std::span<const int32_t> Values, int32_t& Min, int32_t& Max);
///@}

/// Extremes of the range Lo..Hi (rank 1) or the box in corner order (rank 2), with the position
/// of the first minimum and maximum; the index outputs are preset to 0. -1 if A is empty; -2 if a
/// bound is negative or beyond the last index of its dimension, or a rank-2 A is ragged. Hi < Lo
/// is no error: nothing is scanned and the presets stay.
///@{
int MinMaxArray(const TDoubleArray& A, int Lo, int Hi, double& Min, double& Max, int& MinIx,
                int& MaxIx);
int MinMaxArray(const TDouble2DArray& A, int Lo1, int Lo2, int Hi1, int Hi2, double& Min,
                double& Max, int& MinIx1, int& MinIx2, int& MaxIx1, int& MaxIx2);
int MinMaxArray(const TIntArray& A, int Lo, int Hi, int32_t& Min, int32_t& Max, int& MinIx,
                int& MaxIx);
int MinMaxArray(const TInt2DArray& A, int Lo1, int Lo2, int Hi1, int Hi2, int32_t& Min,
                int32_t& Max, int& MinIx1, int& MinIx2, int& MaxIx1, int& MaxIx2);
///@}

// --- means and spread ---------------------------------------------------------------------------

/// Arithmetic mean of the cells of the box (corner order). Mean is 0 after any failure. -1 if A
/// is empty; -2 if a bound is negative or beyond its dimension, Hi < Lo in any dimension, or A is
/// ragged.
///@{
int MeanArray(const TDoubleArray& A, int Lo1, int Hi1, double& Mean);
int MeanArray(const TDouble2DArray& A, int Lo1, int Lo2, int Hi1, int Hi2, double& Mean);
int MeanArray(const TDouble3DArray& A, int Lo1, int Lo2, int Lo3, int Hi1, int Hi2, int Hi3,
              double& Mean);
int MeanArray(const TDouble4DArray& A, int Lo1, int Lo2, int Lo3, int Lo4, int Hi1, int Hi2,
              int Hi3, int Hi4, double& Mean);
int MeanArray(const TIntArray& A, int Lo1, int Hi1, double& Mean);
int MeanArray(const TInt2DArray& A, int Lo1, int Lo2, int Hi1, int Hi2, double& Mean);
int MeanArray(const TInt3DArray& A, int Lo1, int Lo2, int Lo3, int Hi1, int Hi2, int Hi3,
              double& Mean);
int MeanArray(const TInt4DArray& A, int Lo1, int Lo2, int Lo3, int Lo4, int Hi1, int Hi2,
              int Hi3, int Hi4, double& Mean);
///@}

/// Sample standard deviation (denominator n - 1) of the cells of the box, by two passes (mean
/// first, then squared deviations), so large offsets cost no precision. 0 for a single cell.
/// StdDev is 0 after any failure; codes as MeanArray.
///@{
int StdDevArray(const TDoubleArray& A, int Lo1, int Hi1, double& StdDev);
int StdDevArray(const TDouble2DArray& A, int Lo1, int Lo2, int Hi1, int Hi2, double& StdDev);
int StdDevArray(const TDouble3DArray& A, int Lo1, int Lo2, int Lo3, int Hi1, int Hi2, int Hi3,
                double& StdDev);
int StdDevArray(const TDouble4DArray& A, int Lo1, int Lo2, int Lo3, int Lo4, int Hi1, int Hi2,
                int Hi3, int Hi4, double& StdDev);
int StdDevArray(const TIntArray& A, int Lo1, int Hi1, double& StdDev);
int StdDevArray(const TInt2DArray& A, int Lo1, int Lo2, int Hi1, int Hi2, double& StdDev);
int StdDevArray(const TInt3DArray& A, int Lo1, int Lo2, int Lo3, int Hi1, int Hi2, int Hi3,
                double& StdDev);
int StdDevArray(const TInt4DArray& A, int Lo1, int Lo2, int Lo3, int Lo4, int Hi1, int Hi2,
                int Hi3, int Hi4, double& StdDev);
///@}

/// Mean and sample variance (denominator n - 1; 0 for a single cell) of the whole array in one
/// call, by two passes. Mean and Var are preset to 0 and stay 0 after a failure. -1 if A is
/// empty; -2 if A is ragged.
///@{
int MeanVarArray(const TDoubleArray& A, double& Mean, double& Var);
int MeanVarArray(const TDouble2DArray& A, double& Mean, double& Var);
int MeanVarArray(const TDouble3DArray& A, double& Mean, double& Var);
int MeanVarArray(const TDouble4DArray& A, double& Mean, double& Var);
int MeanVarArray(const TIntArray& A, double& Mean, double& Var);
int MeanVarArray(const TInt2DArray& A, double& Mean, double& Var);
int MeanVarArray(const TInt3DArray& A, double& Mean, double& Var);
int MeanVarArray(const TInt4DArray& A, double& Mean, double& Var);
///@}

// --- percentiles --------------------------------------------------------------------------------

/// The value of rank k = min(n - 1, round(n * Prob / 100)) (ties to even) of A, Prob (percent)
/// held to 0..100. No interpolation. Works in place: afterwards A holds the same values in a
/// partly reordered order. An empty A gives 0.
double PercentileArray(double Prob, TDoubleArray& A);
/// The same over the cells of the box (corner order) of a copy, so A stays unchanged. Bounds
/// below 0 become 0, bounds beyond a dimension its last index; Hi < Lo in a dimension, or an
/// empty A, gives 0. In a ragged A only the existing cells of the box are taken.
double PercentileArray(double Prob, const TDouble2DArray& A, int Lo1, int Lo2, int Hi1, int Hi2);

// --- frequency distributions --------------------------------------------------------------------

/// Counts the cells of the range (rank 1: Lo..Hi; rank 2: box in corner order; all bounds 0 mean
/// the whole array) into NB = round(|LastBin - FirstBin| / BinWidth) + 1 bins of width BinWidth,
/// the first starting at FirstBin. Dist is resized to NB; Below counts cells < FirstBin and NaN
/// cells, Above cells >= LastBin + BinWidth or beyond the last bin; MaxCount is the largest bin
/// count. With a mask, only cells whose mask value is false are counted. Checks in this order:
/// -1 a bound negative or not below its extent (so an empty A gives -1); -2 Hi < Lo, or A ragged;
/// -3 unless LastBin > FirstBin; -4 unless BinWidth > 0; -6 unless the mask has the extents of A
/// (mask form); -5 if NB > 1000. Outputs are untouched after a failure.
///@{
int FrequDistOfArray(const TDoubleArray& A, int Lo, int Hi, double FirstBin, double LastBin,
                     double BinWidth, TIntArray& Dist, int& Below, int& Above, int& MaxCount);
int FrequDistOfArray(const TDouble2DArray& A, int Lo1, int Lo2, int Hi1, int Hi2,
                     double FirstBin, double LastBin, double BinWidth, TIntArray& Dist,
                     int& Below, int& Above, int& MaxCount);
int FrequDistOfArray(const TDouble2DArray& A, const TBool2DArray& Mask, int Lo1, int Lo2,
                     int Hi1, int Hi2, double FirstBin, double LastBin, double BinWidth,
                     TIntArray& Dist, int& Below, int& Above, int& MaxCount);
///@}

// --- counting and comparison --------------------------------------------------------------------

/// Number of cells v of the range (pair order: Lo1, Hi1, Lo2, Hi2, ...) with
/// RangeLow <= v <= RangeHigh. -1 if A is empty; -2 if a bound is negative, beyond its dimension,
/// Hi < Lo, RangeHigh < RangeLow, or A is ragged.
///@{
int CountValues(const TDoubleArray& A, int Lo1, int Hi1, double RangeLow, double RangeHigh);
int CountValues(const TDouble2DArray& A, int Lo1, int Hi1, int Lo2, int Hi2, double RangeLow,
                double RangeHigh);
int CountValues(const TDouble3DArray& A, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3,
                double RangeLow, double RangeHigh);
int CountValues(const TDouble4DArray& A, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3,
                int Lo4, int Hi4, double RangeLow, double RangeHigh);
int CountValues(const TIntArray& A, int Lo1, int Hi1, int32_t RangeLow, int32_t RangeHigh);
int CountValues(const TInt2DArray& A, int Lo1, int Hi1, int Lo2, int Hi2, int32_t RangeLow,
                int32_t RangeHigh);
int CountValues(const TInt3DArray& A, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3,
                int32_t RangeLow, int32_t RangeHigh);
int CountValues(const TInt4DArray& A, int Lo1, int Hi1, int Lo2, int Hi2, int Lo3, int Hi3,
                int Lo4, int Hi4, int32_t RangeLow, int32_t RangeHigh);
///@}

/// Number of true cells (every existing cell of a ragged array); -1 if A is empty.
///@{
int CountTrueCellsOfArray(const TBoolArray& A);
int CountTrueCellsOfArray(const TBool2DArray& A);
///@}

/// True when the measured extents agree and every cell of A equals the cell of B; two empty
/// arrays are equal. Ragged arrays are equal only when their nesting is identical too.
///@{
bool EqualArrays(const TIntArray& A, const TIntArray& B);
bool EqualArrays(const TInt2DArray& A, const TInt2DArray& B);
bool EqualArrays(const TInt3DArray& A, const TInt3DArray& B);
bool EqualArrays(const TInt4DArray& A, const TInt4DArray& B);
///@}

// --- searching ----------------------------------------------------------------------------------

/// Index of the first element equal to Key; -1 if A is empty; -2 if not found.
int FindInArray(int32_t Key, const TIntArray& A);
/// Index of the first element that matches Text: equal to it, or containing it when Partial;
/// IgnoreCase compares both sides in lower case (ASCII letters). -1 if A is empty; -2 if not found.
int FindInArray(const std::string& Text, const TStrArray& A, bool IgnoreCase, bool Partial);
/// Index of the element of the sorted A nearest to X, found by bisection; of two equally near
/// elements the later one. -1 if A is empty; -2 if X lies outside [first, last] in the sort
/// direction (or is NaN).
int FindInSortedArray(double X, const TDoubleArray& A, bool Ascending);

// --- two-valued data ----------------------------------------------------------------------------

/// True when A has at least two elements holding exactly two distinct values, returned with
/// Low < High. Low and High are preset to 0 and set only on success. An array containing NaN is
/// not dichotomous.
bool IsDichotomous(const TDoubleArray& A, double& Low, double& High);
/// As above, except that one value repeated (length >= 2) also gives true, Low = High = value.
bool IsDichotomous(const TIntArray& A, int32_t& Low, int32_t& High);

/// Mask gets the nesting of A; a cell is true when its value is greater than Threshold (doubles:
/// also when NaN). -1 if A is empty.
///@{
int DichotomizeArray(const TDouble2DArray& A, double Threshold, TBool2DArray& Mask);
int DichotomizeArray(const TInt2DArray& A, int32_t Threshold, TBool2DArray& Mask);
///@}
/// A cell is true when min(T1, T2) <= value <= max(T1, T2) (doubles: NaN counts as inside).
///@{
int DichotomizeArray(const TDouble2DArray& A, double T1, double T2, TBool2DArray& Mask);
int DichotomizeArray(const TInt2DArray& A, int32_t T1, int32_t T2, TBool2DArray& Mask);
///@}

/// Maps every cell in place to one of NLevels equally spaced values from LowValue to HighValue:
/// v <= LowThreshold (or NaN) -> LowValue; v >= HighThreshold -> HighValue; otherwise, with
/// w = (HighThreshold - LowThreshold) / (NLevels - 2) and m = floor((v - LowThreshold) / w),
/// LowValue + (m + 1) * (HighValue - LowValue) / (NLevels - 1). -2 unless
/// HighThreshold > LowThreshold; -1 if NLevels < 3 (checked in this order, nothing changed).
int DiscretizeArray(TDouble2DArray& A, int NLevels, double LowThreshold, double HighThreshold,
                    double LowValue, double HighValue);

}  // namespace ozm::openarrays
