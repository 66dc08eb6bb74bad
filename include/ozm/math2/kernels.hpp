/// @file
/// Image kernels and comparison of the unit math2: 2-D kernel correlation with edge replication,
/// the compass and Kirsch edge kernels, the correlation of two image areas, and generators of
/// Gaussian kernels, peaks, a 2-D Gaussian and a sigmoid.
///
/// 2-D arrays are TDouble2DArray values indexed [row][column], both 0-based.
#pragma once

#include <cstdint>
#include <vector>

#include "ozm/base/types.hpp"

namespace ozm {

class TBitmap;
class TVector;
class TMatrix;

/// The colour quantity CalcImgCorrelation compares.
enum class TImgCompareMode : uint8_t {
    icmRed,
    icmBlue,
    icmGreen,
    icmHue,
    icmLightness,
    icmSaturation,
    icmGrayValues
};

/// One Gaussian peak: height * exp(-((k - Position) / Width)^2).
struct TGaussPeakParams {
    /// The centre k of the peak.
    double Position = 0;
    /// The width of the peak.
    double Width = 0;
    /// The height of the peak.
    double Height = 0;
};
/// A list of Gaussian peaks.
using TPeakParamsList = std::vector<TGaussPeakParams>;

}  // namespace ozm

namespace ozm::math2 {

/// Dest[i][j] = sum over p, q = 0..K-1 of Kernel[p][q] * Source[i + p - h][j + q - h], h = K div 2,
/// with indices outside Source held to its first or last row and column (edge replication).
/// The kernel is NOT mirrored: this is a correlation (scipy.ndimage.correlate, or convolve with
/// the kernel rotated by 180 degrees); the direction of the compass and Kirsch kernels relies on
/// it. Dest is replaced by an array of Source's shape (Dest may be Source).
/// Results: 0 done; -1 a kernel row whose length differs from the number of rows K, -2 K even,
/// -3 K < 3 (the last failing test of these three decides; Dest is left unchanged); -4 Source is
/// not rectangular (rows of different lengths), Dest unchanged. A source without rows or columns
/// gives an empty Dest and 0.
/// OnPercentDone (may be empty) is called with a null sender after every s-th interior element
/// (whose window lies inside Source), s = (rows - K)(columns - K)/100 but at least 1, with the
/// number of calls so far, so it counts to about 100. The calls come at the end of each interior
/// row, in order, one per s-th element passed.
int KernelConvolve(const TDouble2DArray& Kernel, const TDouble2DArray& Source, TDouble2DArray& Dest,
                   const TOnPercentDoneEvent& OnPercentDone);

/// KernelConvolve with the compass (Prewitt-type) kernel of Direction 0..7; -1 for another
/// direction. Each kernel sums to 0, so a constant area gives 0. Direction 0 has its negative row
/// on top: it responds to brightness increasing downwards; the directions turn in steps of 45
/// degrees.
int ApplyCompassKernel(int Direction, const TDouble2DArray& Source, TDouble2DArray& Dest,
                       const TOnPercentDoneEvent& OnPercentDone);
/// The same with the Kirsch kernels (weights 5 and -3).
int ApplyKirschKernel(int Direction, const TDouble2DArray& Source, TDouble2DArray& Dest,
                      const TOnPercentDoneEvent& OnPercentDone);

/// Pearson correlation of two image areas in one colour quantity. Areas are pixel rectangles with
/// inclusive bounds; they must have equal widths (right - left), else EOZMMath2Error "image ranges
/// to compare are not of equal size"; heights are not compared: pixel (x, y) of Area1 pairs with
/// (x + Area2.left - Area1.left, y + Area2.top - Area1.top) of Image2. Pixels outside a bitmap
/// read as black (colour 0). Quantities: the red, blue or green channel (0..255), hue (degrees),
/// lightness (the intensity, channel mean) and saturation of RGBtoHSI, or RGBtoGray.
/// The result is the Pearson r of the pairs as TVector::PearsonCorrCoeff forms it (from deviations
/// of the means): 0 for fewer than 3 pairs (an area with right < left or bottom < top has none)
/// or when either area is uniform. Areas of more than 2^31 - 1 pixels raise
/// "CalcImgCorrelation: image ranges to compare are too large".
double CalcImgCorrelation(const TBitmap& Image1, const TBitmap& Image2, const TRect& Area1,
                          const TRect& Area2, TImgCompareMode Mode);

/// exp(-min(s / Width^2, 20)), s = sum over k = 1..length of b of (a(k) - b(k))^2 (elements of a
/// beyond its length read 0): 1 for identical vectors (also for Width 0), exp(-20) for distant
/// ones.
double CalcGaussKernel(const TVector& a, const TVector& b, double Width);
/// The same with b taken from row Row of Mat (over its columns; a row outside reads 0).
double CalcGaussKernelMat(const TVector& a, const TMatrix& Mat, int Row, double Width);

/// Arr[i-1][j-1] = Amplitude * exp(-((i - CentreRow)^2 + (j - CentreCol)^2) / Width^2) for 1-based
/// i, j over the cells Arr has (ragged rows keep their lengths). -2 when Arr has fewer than 2 rows
/// or its first row fewer than 2 elements, then -1 when Width is not positive (or NaN); 0 done.
int Gauss2D(int CentreRow, int CentreCol, double Width, double Amplitude, TDouble2DArray& Arr);

/// Arr[k-1] = sum over the peaks of Height * exp(-((k - Position)/Width)^2), 1-based k. -2 when Arr
/// has fewer than 3 elements (wins over -1), -1 when there are no peaks, -3 when a peak has width 0
/// (its value at the centre would be 0/0); 0 done. Arr is not resized.
int CreateGaussianPeaks(const TPeakParamsList& Peaks, TDoubleArray& Arr);

/// Arr[k-1] = Base + Amplitude / (1 + exp(-Slope (k - Centre))), 1-based k. -1 when Arr has 2
/// elements or fewer; 0 done.
int CreateSigmoidArray(TDoubleArray& Arr, double Slope, double Base, double Amplitude, int Centre);

}  // namespace ozm::math2
