/// @file
/// OZM_wavelet: TWavelet1D, a signal of N values (N a power of two) transformed in place with the
/// orthonormal Daubechies wavelets of 2, 4 or 6 coefficients over any number of levels.
#pragma once

#include <cstdint>
#include <vector>

#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/object.hpp"

namespace ozm {

/// How a block is extended before its start: periodically, by zeros, or mirrored about its first
/// value (half-sample symmetry: ... x1 x0 | x0 x1 ..., continued periodically with period 2n when
/// the filter reaches further back than the block is long).
enum class TWLSigExtMode : uint8_t { wseWrap, wseZeroPad, wseSymmetric };
/// The wavelet family; the Daubechies wavelets are the only one.
enum class TWaveletFamily : uint8_t { wlfDaubechies };

/// One step on a block of n values x(0..n-1) computes, for l = 0..n/2-1,
///   a(l) = sum_j h(j) x(2l + 2 - 2K + j),   d(l) = sum_j g(j) x(2l + 2 - 2K + j),
/// with the positions before the block mapped by the extension mode, and stores a(0..n/2-1)
/// followed by d(0..n/2-1) (Mallat order). The low-pass filter h is the orthonormal Daubechies
/// scaling filter of order K (sum sqrt 2); g(j) = (-1)^j h(2K-1-j). In PyWavelets' terms (wavelets
/// "db1".."db3", whose decomposition filters are h and g reversed): wseZeroPad and wseSymmetric
/// give the first n/2 outputs of pywt.dwt in modes "zero" and "symmetric"; wseWrap gives mode
/// "periodization" applied to the block rotated by K-1 positions (numpy.roll(x, K-1)).
///
/// The inverse step is the transpose of the forward step (each coefficient is spread back through
/// the same filters onto the same mapped positions). What round trips are exact:
/// - wseWrap: the step is orthogonal for every order and block size, so a full decomposition
///   (Level >= log2 N) followed by InverseTransform of the same Level restores the signal to
///   rounding; so does SingleStep(false) then SingleStep(true).
/// - Order 1 (Haar) never reaches before the block: exact in every mode.
/// - wseZeroPad and wseSymmetric with order 2 or 3 are not orthogonal: zero padding loses the last
///   2K-2 values of a block, the symmetric extension values at both ends, and over several levels
///   the error spreads to every position. These are analysis modes, not round-trip modes.
/// - The inverse always starts at the coarsest block of two values and doubles it Level times, so
///   it undoes a forward transform of Level levels only when Level >= log2 N.
///
/// Indices are 1-based (1..N); out-of-range indices read 0 and write nothing. Values and filters
/// are kept in extended precision. Errors raise EOZMWaveletError with the component's name.
class TWavelet1D : public TComponent {
public:
    /// Family wlfDaubechies, N = 256, wseWrap, order 2, all values 0.
    explicit TWavelet1D(TComponent* AOwner = nullptr);
    const char* ClassName() const override { return "TWavelet1D"; }

    /// The number of values N.
    int Size() const noexcept { return FNumData; }
    /// n must be a positive power of two ("Component \"<Name>\": data length must be power of 2");
    /// all values become 0. A failed allocation raises "...: not enough memory on heap"; the object
    /// is unchanged on either error.
    void SetNumData(int n);

    /// The order K of the Daubechies wavelet.
    int Order() const noexcept { return FOrder; }
    /// k = 1, 2 or 3 (2, 4, 6 coefficients); else "Component \"<Name>\": invalid order of
    /// Daubechies wavelet family". Keeps the signal.
    void SetOrder(int k);

    /// How a block is extended before its start (see TWLSigExtMode).
    TWLSigExtMode SignalExtMode() const noexcept { return FWLSigExtMode; }
    /// Selects the extension mode.
    void SetSigExtMode(TWLSigExtMode m) noexcept { FWLSigExtMode = m; }
    /// The wavelet family.
    TWaveletFamily WaveletFamily() const noexcept { return FWaveletFam; }
    /// Selects the wavelet family.
    void SetWaveletFam(TWaveletFamily f) noexcept { FWaveletFam = f; }

    /// The value ix (1-based); 0 outside.
    double GetDataVal(int ix) const noexcept;
    /// Stores the value ix (1-based); ignored outside.
    void SetDataVal(int ix, double v) noexcept;
    /// Sets every value to 0.
    void Clear() noexcept;

    /// The filters h(0..2K-1) and g(0..2K-1) of the current order.
    ///@{
    long double LowPass(int j) const noexcept;
    long double HighPass(int j) const noexcept;
    ///@}

    /// DoWLT(Level, false) and DoWLT(Level, true).
    ///@{
    void Transform(int Level);
    void InverseTransform(int Level);
    ///@}
    /// One step on the whole signal: PartialWLT(N, 0, inverse).
    void SingleStep(bool Inverse);
    /// Level <= 0 counts as 1. Forward: steps on blocks N, N/2, ... (Level of them, down to 2).
    /// Inverse: steps on blocks 2, 4, ... (Level of them, up to N).
    void DoWLT(int Level, bool Inverse);
    /// One step on the n values from 0-based position Offset. Does nothing unless n is a power of
    /// two of at least 2 and the block lies inside the signal. Raises the memory message when its
    /// work block cannot be allocated.
    void PartialWLT(int n, int Offset, bool Inverse);

private:
    void Step(long double* x, long double* temp, int n, bool Inverse) const noexcept;

    int FNumData = 0;
    std::vector<long double> FData;
    int FOrder = 0;
    std::vector<long double> FCoeffsLP;
    std::vector<long double> FCoeffsHP;
    TWLSigExtMode FWLSigExtMode = TWLSigExtMode::wseWrap;
    TWaveletFamily FWaveletFam = TWaveletFamily::wlfDaubechies;
};

}  // namespace ozm
