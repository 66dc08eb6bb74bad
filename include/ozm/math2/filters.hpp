/// @file
/// Smoothing, derivative and frequency filters of the unit math2 on TVector series.
///
/// Window filters (MovingAverageSmooth ... SecondDeriv) share one frame:
/// - SourceVec and DestVec must be given, else "<Routine>: either SourceVec or DestVec is
///   undefined".
/// - First and Last are 1-based elements of SourceVec, clamped into 1..n and swapped when
///   reversed; (0, 0) means the whole vector, as for every range of the library. Last - First must be at least W (a range of exactly W elements is refused with the
///   routine's range message), then W must lie in the routine's range (length message) and be odd
///   (odd message), tested in that order.
/// - For each centre e = First + h .. Last - h (h = W div 2) the window value goes to DestVec
///   element e - First + 1. DestVec is not resized: results beyond its size are dropped.
/// - Ends: the h elements at either end of the result receive the first and the last computed
///   value (constant extension of the result, not of the data). This matches none of the usual
///   end modes (mirror, nearest, interpolation); compare with other packages only away from the
///   ends.
/// - DestVec's OnChange fires once at the end. DestVec may be SourceVec: the results are formed
///   aside and stored once every window has been read.
/// - NaN samples propagate into every window that holds them; the moving median orders NaN above
///   every number (as TVector::Quartiles does), so a single NaN does not spread through it.
#pragma once

#include "ozm/base/types.hpp"

namespace ozm {
class TVector;
class TMatrix;
}  // namespace ozm

namespace ozm::math2 {

// --- window filters ------------------------------------------------------------------------

/// Mean of the W values of each window. W odd, >= 3.
void MovingAverageSmooth(const TVector* SourceVec, int First, int Last, int W, TVector* DestVec);
/// Median of the W values of each window (the middle order statistic). W odd, >= 3. Runs in
/// O(n log W): the window lives in two heaps that are updated by one replacement per step.
void MovingMedianSmooth(const TVector* SourceVec, int First, int Last, int W, TVector* DestVec);
/// Triangular weights h + 1 - |i| (centre h + 1), normalised to sum 1. W odd, >= 3.
void WeightedAverageSmooth(const TVector* SourceVec, int First, int Last, int W, TVector* DestVec);
/// Savitzky-Golay smoothing with the least-squares parabola (quadratic and cubic sequences pass
/// unchanged): weights 3h^2 + 3h - 1 - 5i^2. W odd, 5..25; W = 5 weighs (-3, 12, 17, 12, -3)/35.
void PolynomialSmooth(const TVector* SourceVec, int First, int Last, int W, TVector* DestVec);
/// Slope of the least-squares straight line per element: sum i x(e+i) / sum i^2. W odd, 5..25.
void FirstDeriv(const TVector* SourceVec, int First, int Last, int W, TVector* DestVec);
/// Second derivative of the least-squares parabola per element squared: weights 3i^2 - h(h+1)
/// over (1/2) sum i^2 (3i^2 - h(h+1)); W = 5 weighs (2, -1, -2, -1, 2)/7. W odd, 5..25.
void SecondDeriv(const TVector* SourceVec, int First, int Last, int W, TVector* DestVec);

// --- windowed-sinc kernels -----------------------------------------------------------------
/// Frequencies are fractions of the sampling rate, clamped into 0..0.5. Window: 1 Hamming,
/// 2 Blackman, any other value none (rectangular). The kernel is resized to M elements (element k
/// of the vector is element k - 1 of the array) with its centre at element M div 2 + 1; the low-pass
/// kernel is normalised to sum 1 unless its sum is 0 (cutoff 0). For odd M the kernel is symmetric
/// (linear phase, delay (M - 1)/2); for even M the sinc is centred at M/2 + 1 but the window at
/// (M + 1)/2, so the kernel is not symmetric: use odd lengths for linear phase.
/// M < 1 raises "<Routine>: kernel length must be positive", a NaN cutoff
/// "<Routine>: cutoff frequency is not a number" (the vector cannot be empty, and a kernel left as
/// it was must not pass for a result).
///@{
void CalcSincLPKernel(int M, double Cutoff, int Window, TVector& Kernel);
void CalcSincLPKernel(int M, double Cutoff, int Window, TDoubleArray& Kernel);
///@}
/// Spectral inversion of the low-pass kernel: negated, 1 added at the centre.
///@{
void CalcSincHPKernel(int M, double Cutoff, int Window, TVector& Kernel);
void CalcSincHPKernel(int M, double Cutoff, int Window, TDoubleArray& Kernel);
///@}
/// Band-stop: low-pass at the lower plus high-pass at the higher cutoff (cutoffs in any order).
///@{
void CalcSincBSKernel(int M, double Cutoff1, double Cutoff2, int Window, TVector& Kernel);
void CalcSincBSKernel(int M, double Cutoff1, double Cutoff2, int Window, TDoubleArray& Kernel);
///@}
/// Band-pass: the band-stop kernel spectrally inverted.
///@{
void CalcSincBPKernel(int M, double Cutoff1, double Cutoff2, int Window, TVector& Kernel);
void CalcSincBPKernel(int M, double Cutoff1, double Cutoff2, int Window, TDoubleArray& Kernel);
///@}

/// Runs FilterKernel (K elements) over elements First..Last of SourceVec (clamped into 1..N,
/// ordered): DestVec(b - First + 1) = sum over k = 1..K of FilterKernel(k) x(b + k - 1 - K div 2),
/// the source index held to First..Last (the range's end values repeat beyond its ends). The kernel
/// is not reversed: this is a correlation, identical to a convolution for symmetric kernels.
/// DestVec is resized to N; elements beyond Last - First + 1 keep their values (0 when new).
/// Raises "MovingKernelfilter: SourceVec, DestVec and/or FilterKernel is undefined" and, when
/// Last - First < K, "MovingKernelfilter: specified range for smoothing is smaller than the length
/// of the kernel". Any of the three vectors may be the same object. OnChange of DestVec once.
void MovingKernelFilter(const TVector* SourceVec, int First, int Last, TVector* DestVec,
                        const TVector* FilterKernel);

// --- Chebyshev type I recursive filter (pole-pair cascade) -----------------------------------

/// Designs a low- or high-pass Chebyshev filter of NPoles poles with passband ripple Ripple (in
/// percent: the passband dips to (100 - Ripple)% of its peak; 0 gives a Butterworth filter). The
/// cutoff (fraction of the sampling rate) is where the response falls to half power. The gain is
/// 1 at 0 Hz (low-pass) or at the Nyquist frequency (high-pass). Results: a0 and Coeffs resized to
/// 2 columns x NPoles rows, row k holding a_k (column 1) and b_k (column 2) of
///   y(n) = a0 x(n) + sum_k a_k x(n - k) + sum_k b_k y(n - k).
/// Raises "CalcChebFilterCoeffs: NPoles must be even", "CalcChebFilterCoeffs: invalid Ripple value"
/// (outside 0..29), "CalcChebFilterCoeffs: invalid cutoff frequency" (outside 0..0.5, or at the end
/// where the filter passes nothing: 0 for low-pass, 0.5 for high-pass) and
/// "CalcChebFilterCoeffs: NPoles must not exceed 20" (also for negative NPoles), in this order.
/// Accuracy: the pole pairs are multiplied into one polynomial of degree NPoles, whose roots crowd
/// together for many poles at a cutoff near 0 (near 0.5 for high-pass). Compared with a design in
/// second-order sections (largest error of the complex response), low-pass: 4 poles at 0.02
/// agree to about 2e-11; 8 poles at 0.02 to 1e-8 without ripple and 2e-5 with ripple 10..29;
/// 20 poles at 0.4 to 5e-7, at 0.1 to 6e-7 without ripple but only 0.02..0.3 with ripple, and at
/// 0.02 not at all (high-pass mirrored). Use few poles at extreme cutoffs, or apply a filter of
/// fewer poles several times.
void CalcChebFilterCoeffs(int NPoles, bool HighPass, double Cutoff, double Ripple, double& a0,
                          TMatrix& Coeffs);

/// Zero-phase application of a recursive filter (a0, Coeffs as above): forward over the signal,
/// then backward over the result, so the magnitude response is squared and the phase is 0.
/// The filter always starts at element 1 and treats the signal as 0 before element 1 and after
/// Last (First and Last clamped into 1..N and ordered); First only selects which results are
/// stored. Results are stored at the source index (DestVec(e) for e = First..Last, unlike the
/// window filters, which store from element 1). DestVec is not resized: stores beyond its size are
/// dropped. OnChange of DestVec once. DestVec may be SourceVec.
void ChebychevFilter(const TVector& SourceVec, int First, int Last, TVector& DestVec, double a0,
                     const TMatrix& Coeffs);

}  // namespace ozm::math2
