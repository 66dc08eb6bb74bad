// TFastFourier: storage, windows, transform and spectral queries.
#include "ozm/fourier.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ozm/base/constants.hpp"
#include "ozm/platform/rounding.hpp"
#include "ozm/platform/component_error.hpp"
#include "transforms/component_error.hpp"
#include "transforms/fft_kernels.hpp"

namespace ozm {

using transforms::detail::IsPowerOfTwo;

TFastFourier::TFastFourier(TComponent* AOwner) : TComponent(AOwner) {
    SetNumData(256);
    std::fill(FUserWgt.begin(), FUserWgt.end(), 1.0);
}

void TFastFourier::SetNumData(int n) {
    if (!IsPowerOfTwo(n))
        RaiseComponentError<EOZMFourierError>(*this, transforms::detail::kMsgNotPowerOf2);
    GuardAllocation<EOZMFourierError>(*this, [&] {
        const size_t count = static_cast<size_t>(n);
        // samples, user weights and twiddles: 5 doubles per sample
        CheckStorageRequest(5 * sizeof(double) * count);
        std::vector<double> data(2 * count, 0.0);
        std::vector<double> weights(count, 0.0);
        std::vector<double> twiddle;
        fourier::detail::BuildTwiddles(twiddle, count);
        std::vector<uint32_t> swaps;
        fourier::detail::BuildBitReversal(swaps, count);
        FData.swap(data);
        FUserWgt.swap(weights);
        FTwiddle.swap(twiddle);
        FBitRevSwaps.swap(swaps);
    });
    FNumData = n;
    MaxValuesValid = false;
}

double TFastFourier::GetRealVal(int ix) const noexcept {
    return (ix >= 1 && ix <= FNumData) ? Re(ix - 1) : 0.0;
}

double TFastFourier::GetImagVal(int ix) const noexcept {
    return (ix >= 1 && ix <= FNumData) ? Im(ix - 1) : 0.0;
}

void TFastFourier::SetRealVal(int ix, double v) noexcept {
    if (ix < 1 || ix > FNumData) return;
    FData[2 * static_cast<size_t>(ix - 1)] = v;
    MaxValuesValid = false;
}

void TFastFourier::SetImagVal(int ix, double v) noexcept {
    if (ix < 1 || ix > FNumData) return;
    FData[2 * static_cast<size_t>(ix - 1) + 1] = v;
    MaxValuesValid = false;
}

double TFastFourier::GetWgtVal(int ix) const noexcept {
    return (ix >= 1 && ix <= FNumData) ? FUserWgt[static_cast<size_t>(ix - 1)] : 0.0;
}

void TFastFourier::SetWgtVal(int ix, double v) noexcept {
    if (ix >= 1 && ix <= FNumData) FUserWgt[static_cast<size_t>(ix - 1)] = v;
}

void TFastFourier::Clear() noexcept {
    std::fill(FData.begin(), FData.end(), 0.0);
    MaxValuesValid = false;
}

void TFastFourier::ClearReal() noexcept {
    for (size_t i = 0; i < FData.size(); i += 2) FData[i] = 0.0;
    MaxValuesValid = false;
}

void TFastFourier::ClearImag() noexcept {
    for (size_t i = 1; i < FData.size(); i += 2) FData[i] = 0.0;
    MaxValuesValid = false;
}

double TFastFourier::WindowWeight(int k) const noexcept {
    const int n = FNumData;
    if (k < 1 || k > n) return 1.0;
    const double nd = n;
    const double dk = static_cast<double>(k) - nd / 2;
    auto theta = [&](double m) { return m * std::numbers::pi * dk / nd; };
    switch (FWgtWin) {
        case TFastFourierWgtWin::fwRectangle: return 1.0;
        case TFastFourierWgtWin::fwTriangle:
            // samples j and N + 1 - j get 2j/N for j = 1..N/2; a single sample stays as it is
            return n == 1 ? 1.0 : 2.0 * std::min(k, n + 1 - k) / nd;
        case TFastFourierWgtWin::fwCos2: {
            const double c = std::cos(theta(1));
            return c * c;
        }
        case TFastFourierWgtWin::fwGauss: {
            const double a = 6.0 * dk / nd;
            return std::exp(-a * a / 2);
        }
        case TFastFourierWgtWin::fwHamming: return 0.543478261 + 0.456521739 * std::cos(theta(2));
        case TFastFourierWgtWin::fwBlackman:
            return 0.42659 + 0.49656 * std::cos(theta(2)) + 0.076848 * std::cos(theta(4));
        case TFastFourierWgtWin::fwBlkmHarris:
            return 0.35875 + 0.48829 * std::cos(theta(2)) + 0.14128 * std::cos(theta(4)) +
                   0.01168 * std::cos(theta(6));
        case TFastFourierWgtWin::fwBlkmNuttall:
            return 0.3635819 + 0.4891775 * std::cos(theta(2)) + 0.1365995 * std::cos(theta(4)) +
                   0.0106411 * std::cos(theta(6));
        case TFastFourierWgtWin::fwUserDef: return FUserWgt[static_cast<size_t>(k - 1)];
    }
    return 1.0;
}

void TFastFourier::Transform() noexcept {
    if (FWgtWin != TFastFourierWgtWin::fwRectangle) {
        for (int k = 1; k <= FNumData; ++k) {
            const double w = WindowWeight(k);
            FData[2 * static_cast<size_t>(k - 1)] *= w;
            FData[2 * static_cast<size_t>(k - 1) + 1] *= w;
        }
    }
    DoFFT(1);
}

void TFastFourier::InverseTransform() noexcept { DoFFT(-1); }

void TFastFourier::DoFFT(int Direction) noexcept {
    if (Direction != 1 && Direction != -1) return;
    fourier::detail::RunFFT(FData.data(), static_cast<size_t>(FNumData), FTwiddle.data(),
                            FBitRevSwaps, Direction == -1);
    MaxValuesValid = false;
}

// |X(L)|^2 + |X(N-L)|^2 for the lines between 0 and N/2; the self-mirrored lines 0 and N/2 count
// their one sample once.
double TFastFourier::PowerTerm(int L) const noexcept {
    const double p = Re(L) * Re(L) + Im(L) * Im(L);
    if (L == 0 || 2 * L == FNumData) return p;
    const int M = FNumData - L;
    return p + Re(M) * Re(M) + Im(M) * Im(M);
}

double TFastFourier::MagnitudeTerm(int L) const noexcept {
    if (L == 0 || 2 * L == FNumData) return std::hypot(Re(L), Im(L));
    const int M = FNumData - L;
    return std::hypot(Re(L) + Re(M), Im(L) - Im(M));
}

double TFastFourier::GetPowerSpec(int ix) const noexcept {
    if (ix < 0 || 2 * static_cast<long long>(ix) > FNumData) return 0.0;
    return PowerTerm(ix) / FNumData;
}

double TFastFourier::GetMagnitude(int ix) const noexcept {
    if (ix < 0 || 2 * static_cast<long long>(ix) > FNumData) return 0.0;
    return MagnitudeTerm(ix) / FNumData;
}

double TFastFourier::GetPhase(int ix) const noexcept {
    if (ix < 1 || 2 * static_cast<long long>(ix) > FNumData) return 0.0;
    const double re = Re(ix);
    const double im = Im(ix);
    if (re == 0.0) return im > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
    return std::atan(im / re);
}

double TFastFourier::GetFSerCos(int n) const noexcept {
    if (n < 0 || 2 * static_cast<long long>(n) > FNumData) return 0.0;
    if (n == 0 || 2 * n == FNumData) return Re(n) / FNumData;
    return (Re(n) + Re(FNumData - n)) / FNumData;
}

double TFastFourier::GetFSerSin(int n) const noexcept {
    if (n < 1 || 2 * static_cast<long long>(n) >= FNumData) return 0.0;
    return (Im(n) - Im(FNumData - n)) / FNumData;
}

double TFastFourier::RMS(int FirstIx, int LastIx) const noexcept {
    const int half = FNumData / 2;
    FirstIx = std::clamp(FirstIx, 0, half);
    LastIx = std::clamp(LastIx, 0, half);
    if (LastIx < FirstIx) std::swap(FirstIx, LastIx);
    double s = 0;
    for (int L = FirstIx; L <= LastIx; ++L) s += PowerTerm(L);
    return std::sqrt(s) / FNumData;
}

double TFastFourier::FreqOfLine(int ix, double SampleTime) const noexcept {
    if (ix < 1 || 2 * static_cast<long long>(ix) > FNumData) return 0.0;
    return ix / (SampleTime * FNumData);
}

int TFastFourier::LineOfFreq(double f, double SampleTime) const noexcept {
    // Round saturates and maps NaN to 0, so any frequency gives a line or 0.
    const int64_t L = Round(static_cast<double>(FNumData) * f * SampleTime);
    return (L >= 1 && L <= FNumData / 2) ? static_cast<int>(L) : 0;
}

void TFastFourier::CalcMaxValues() const noexcept {
    FMaxReal = FMaxImag = -uc_MaxDouble;
    FMinReal = FMinImag = uc_MaxDouble;
    for (int k = 0; k < FNumData; ++k) {
        const double re = Re(k), im = Im(k);
        if (re > FMaxReal) FMaxReal = re;
        if (re < FMinReal) FMinReal = re;
        if (im > FMaxImag) FMaxImag = im;
        if (im < FMinImag) FMinImag = im;
    }
    FMaxPower = 0;
    FMaxMagni = 0;
    const int half = FNumData / 2;
    for (int L = 1; L <= half; ++L) {
        if (L < half) FMaxPower = std::max(FMaxPower, PowerTerm(L));
        FMaxMagni = std::max(FMaxMagni, MagnitudeTerm(L));
    }
    FMaxPower /= FNumData;
    FMaxMagni /= FNumData;
    MaxValuesValid = true;
}

double TFastFourier::GetMaxReal() const noexcept {
    if (!MaxValuesValid) CalcMaxValues();
    return FMaxReal;
}
double TFastFourier::GetMaxImag() const noexcept {
    if (!MaxValuesValid) CalcMaxValues();
    return FMaxImag;
}
double TFastFourier::GetMinReal() const noexcept {
    if (!MaxValuesValid) CalcMaxValues();
    return FMinReal;
}
double TFastFourier::GetMinImag() const noexcept {
    if (!MaxValuesValid) CalcMaxValues();
    return FMinImag;
}
double TFastFourier::GetMaxPower() const noexcept {
    if (!MaxValuesValid) CalcMaxValues();
    return FMaxPower;
}
double TFastFourier::GetMaxMagni() const noexcept {
    if (!MaxValuesValid) CalcMaxValues();
    return FMaxMagni;
}

}  // namespace ozm
