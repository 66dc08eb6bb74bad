/// @file
/// OZM_fourier: TFastFourier, one block of N complex samples (N a power of two) with a weighting
/// window, an in-place radix-2 fast Fourier transform and spectral queries on its result.
#pragma once

#include <cstdint>
#include <vector>

#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/object.hpp"

namespace ozm {

/// The weighting windows applied by TFastFourier::Transform.
enum class TFastFourierWgtWin : uint8_t {
    fwRectangle,
    fwTriangle,
    fwCos2,
    fwGauss,
    fwHamming,
    fwBlackman,
    fwBlkmHarris,
    fwBlkmNuttall,
    fwUserDef
};

/// Sign convention: the forward transform computes X(n) = sum_k x(k) exp(+2 pi i n k / N), the
/// inverse x(k) = (1/N) sum_n X(n) exp(-2 pi i n k / N). numpy's fft uses the opposite sign, so
/// Transform (with fwRectangle) gives N * numpy.fft.ifft(x).
///
/// Indices: sample access (GetRealVal ... SetWgtVal) is 1-based, ix = 1..N; spectral access uses
/// line numbers 0..N/2, line L combining sample L (0-based) with its mirror N - L. Out-of-range
/// indices read 0 and write nothing. Errors raise EOZMFourierError with the component's name.
class TFastFourier : public TComponent {
public:
    /// N = 256, all samples 0, window fwRectangle, all user weights 1.
    explicit TFastFourier(TComponent* AOwner = nullptr);
    const char* ClassName() const override { return "TFastFourier"; }

    /// The number of samples N.
    int SpectrumSize() const noexcept { return FNumData; }
    /// n must be a positive power of two ("Component \"<Name>\": data length must be power of 2").
    /// Clears every sample and sets every user weight to 0 (not 1 as on creation). A failed
    /// allocation raises "...: not enough memory on heap" and leaves the object unchanged.
    void SetNumData(int n);

    /// The weighting window that Transform applies.
    TFastFourierWgtWin WeightingWindow() const noexcept { return FWgtWin; }
    /// Selects the weighting window.
    void SetWgtWin(TFastFourierWgtWin w) noexcept { FWgtWin = w; }

    /// The real (imaginary) part of sample ix (1-based); 0 outside.
    ///@{
    double GetRealVal(int ix) const noexcept;
    double GetImagVal(int ix) const noexcept;
    ///@}
    /// Stores the real (imaginary) part of sample ix (1-based); ignored outside.
    ///@{
    void SetRealVal(int ix, double v) noexcept;
    void SetImagVal(int ix, double v) noexcept;
    ///@}
    /// The user-defined window (fwUserDef), one weight per sample.
    ///@{
    double GetWgtVal(int ix) const noexcept;
    void SetWgtVal(int ix, double v) noexcept;
    ///@}

    /// Sets every sample to 0 (ClearReal, ClearImag: only the real or the imaginary parts).
    ///@{
    void Clear() noexcept;
    void ClearReal() noexcept;
    void ClearImag() noexcept;
    ///@}

    /// Multiplies both parts of every sample by the window weight (the data stay weighted), then
    /// runs the forward transform.
    void Transform() noexcept;
    /// The inverse transform including the division by N; no window.
    void InverseTransform() noexcept;
    /// The transform itself: Direction +1 forward, -1 inverse (scaled by 1/N). Any other value
    /// does nothing. The result equals the radix-2 decimation-in-time transform to rounding.
    void DoFFT(int Direction) noexcept;

    /// The window weight of sample k = 1..N for the selected window (1 for fwRectangle and for
    /// samples outside 1..N). The weights peak at sample k = N/2 (0-based position N/2 - 1), one
    /// sample earlier than the usual periodic windows: weight k equals scipy's periodic window
    /// (sym=False) at index k mod N. fwHamming and fwBlackman use the exact constants (0.543478261/0.456521739 and
    /// 0.42659/0.49656/0.076848), not the rounded classic ones.
    double WindowWeight(int k) const noexcept;

    /// Spectral results after Transform (X(L) = the complex value of sample L, 0-based). Line 0
    /// and line N/2 are their own mirrors and are counted once.
    /// Power: line 0 and N/2 |X(L)|^2 / N; lines 1..N/2-1 (|X(L)|^2 + |X(N-L)|^2) / N.
    double GetPowerSpec(int ix) const noexcept;
    /// Magnitude: line 0 and N/2 |X(L)| / N; lines 1..N/2-1
    /// sqrt((Re X(L) + Re X(N-L))^2 + (Im X(L) - Im X(N-L))^2) / N, the amplitude
    /// sqrt(a^2 + b^2) of the line's cosine and sine coefficients for a real signal.
    double GetMagnitude(int ix) const noexcept;
    /// Phase of lines 1..N/2: arctan(Im X / Re X) folded into (-pi/2, pi/2) (not atan2); pi/2 or
    /// -pi/2 when Re X = 0 (by the sign of Im X). Line 0 and other ix: 0.
    double GetPhase(int ix) const noexcept;
    /// Fourier series coefficients of a real signal x(k) = a0 + sum a(n) cos(2 pi n k/N) +
    /// b(n) sin(2 pi n k/N): GetFSerCos(0) = a0, GetFSerCos(n) = a(n), GetFSerSin(n) = b(n) for
    /// 0 < n <= N/2 (the line N/2 taken once: a(N/2) = Re X(N/2) / N, b(N/2) = 0).
    ///@{
    double GetFSerCos(int n) const noexcept;
    double GetFSerSin(int n) const noexcept;
    ///@}
    /// sqrt(sum of the unnormalised power terms of the lines FirstIx..LastIx) / N; both limits
    /// are clamped into 0..N/2 and put in order. Over all lines this is the root mean square of
    /// the (weighted) signal (Parseval).
    double RMS(int FirstIx, int LastIx) const noexcept;
    /// ix / (SampleTime * N) for 1 <= ix <= N/2, else 0.
    double FreqOfLine(int ix, double SampleTime) const noexcept;
    /// round(N * f * SampleTime) when that line lies in 1..N/2, else 0 (also for NaN).
    int LineOfFreq(double f, double SampleTime) const noexcept;

    /// Extremes over all samples, cached until the data change. Max power runs over lines
    /// 1..N/2-1 (lines 0 and N/2 excluded), max magnitude over lines 1..N/2. NaN samples are
    /// passed over.
    ///@{
    double GetMaxReal() const noexcept;
    double GetMaxImag() const noexcept;
    double GetMinReal() const noexcept;
    double GetMinImag() const noexcept;
    double GetMaxPower() const noexcept;
    double GetMaxMagni() const noexcept;
    ///@}

private:
    void CalcMaxValues() const noexcept;
    double Re(int k) const noexcept { return FData[2 * static_cast<size_t>(k)]; }
    double Im(int k) const noexcept { return FData[2 * static_cast<size_t>(k) + 1]; }
    double PowerTerm(int L) const noexcept;
    double MagnitudeTerm(int L) const noexcept;

    int FNumData = 0;
    TFastFourierWgtWin FWgtWin = TFastFourierWgtWin::fwRectangle;
    mutable bool MaxValuesValid = false;
    mutable double FMaxReal = 0, FMaxImag = 0, FMinReal = 0, FMinImag = 0;
    mutable double FMaxPower = 0, FMaxMagni = 0;
    std::vector<double> FUserWgt;
    std::vector<double> FData;
    // Twiddle factors of every butterfly stage, exp(+i pi j / m) for span m at complex index
    // m + j (j = 0..m-1), N complex numbers in all; computed once per size.
    std::vector<double> FTwiddle;
    // The exchanges of the bit-reversal permutation (pairs of sample indices), for N <= 2^10.
    std::vector<uint32_t> FBitRevSwaps;
};

}  // namespace ozm
