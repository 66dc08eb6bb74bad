// TFastFourier against numpy/scipy references, an extended-precision transform and the identities
// of the discrete Fourier transform.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "ozm/fourier.hpp"
#include "test_support.hpp"
#include "transforms/fft_kernels.hpp"

namespace {

#include "../data/transforms/fft_refs.inc"

using ozm::TFastFourier;
using ozm::TFastFourierWgtWin;
using ozm::testing::kEps;
using ozm::fourier::detail::TFFTKernel;
using cld = std::complex<long double>;

constexpr TFastFourierWgtWin kWindows[] = {
    TFastFourierWgtWin::fwRectangle, TFastFourierWgtWin::fwTriangle,    TFastFourierWgtWin::fwCos2,
    TFastFourierWgtWin::fwGauss,     TFastFourierWgtWin::fwHamming,     TFastFourierWgtWin::fwBlackman,
    TFastFourierWgtWin::fwBlkmHarris, TFastFourierWgtWin::fwBlkmNuttall, TFastFourierWgtWin::fwUserDef};

const double* WindowRef(int w, int n) {
    static const double* const k8[] = {
        fft_refs::kWindow_fwRectangle_8,  fft_refs::kWindow_fwTriangle_8,   fft_refs::kWindow_fwCos2_8,
        fft_refs::kWindow_fwGauss_8,      fft_refs::kWindow_fwHamming_8,    fft_refs::kWindow_fwBlackman_8,
        fft_refs::kWindow_fwBlkmHarris_8, fft_refs::kWindow_fwBlkmNuttall_8, fft_refs::kWindow_fwUserDef_8};
    static const double* const k64[] = {
        fft_refs::kWindow_fwRectangle_64,  fft_refs::kWindow_fwTriangle_64,   fft_refs::kWindow_fwCos2_64,
        fft_refs::kWindow_fwGauss_64,      fft_refs::kWindow_fwHamming_64,    fft_refs::kWindow_fwBlackman_64,
        fft_refs::kWindow_fwBlkmHarris_64, fft_refs::kWindow_fwBlkmNuttall_64, fft_refs::kWindow_fwUserDef_64};
    return n == 8 ? k8[w] : k64[w];
}

// The accuracy the transform promises: RMS error relative to the RMS of the exact result.
double AccuracyBound(int n) { return 2 * kEps * std::max(1.0, std::log2(static_cast<double>(n))); }

// The exact transform in extended precision: radix-2 with each twiddle from a long double sine of
// its own reduced angle (an independent, plain implementation).
std::vector<cld> ExtendedFFT(std::vector<cld> x, int sign) {
    const size_t n = x.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j |= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (size_t m = 1; m < n; m *= 2) {
        for (size_t j = 0; j < m; ++j) {
            const long double a = sign * std::numbers::pi_v<long double> * j / m;
            const cld w(std::cos(a), std::sin(a));
            for (size_t p = j; p < n; p += 2 * m) {
                const cld t = w * x[p + m];
                x[p + m] = x[p] - t;
                x[p] += t;
            }
        }
    }
    return x;
}

// The definition itself, for small blocks: X(n) = sum x(k) exp(+2 pi i n k / N).
std::vector<cld> DirectDFT(const std::vector<cld>& x) {
    const size_t n = x.size();
    std::vector<cld> y(n);
    for (size_t f = 0; f < n; ++f) {
        for (size_t k = 0; k < n; ++k) {
            const long double a = 2 * std::numbers::pi_v<long double> * ((f * k) % n) / n;
            y[f] += x[k] * cld(std::cos(a), std::sin(a));
        }
    }
    return y;
}

void Load(TFastFourier& f, const std::vector<cld>& x) {
    for (size_t k = 0; k < x.size(); ++k) {
        f.SetRealVal(static_cast<int>(k + 1), static_cast<double>(x[k].real()));
        f.SetImagVal(static_cast<int>(k + 1), static_cast<double>(x[k].imag()));
    }
}

// ||result - ref|| / ||ref||.
double RelativeError(const TFastFourier& f, const std::vector<cld>& ref) {
    long double err = 0, norm = 0;
    for (size_t k = 0; k < ref.size(); ++k) {
        const cld got(f.GetRealVal(static_cast<int>(k + 1)), f.GetImagVal(static_cast<int>(k + 1)));
        err += std::norm(got - ref[k]);
        norm += std::norm(ref[k]);
    }
    return static_cast<double>(std::sqrt(err / norm));
}

std::vector<cld> RandomBlock(size_t n, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::normal_distribution<double> d;
    std::vector<cld> x(n);
    for (auto& v : x) v = cld(d(gen), d(gen));
    return x;
}

std::vector<TFFTKernel> AvailableKernels() {
    std::vector<TFFTKernel> ks;
    for (TFFTKernel k : {TFFTKernel::Scalar, TFFTKernel::SSE2, TFFTKernel::AVX2, TFFTKernel::AVX512}) {
        if (ozm::fourier::detail::KernelAvailable(k)) ks.push_back(k);
    }
    return ks;
}

// Selects a kernel for the scope and restores the one before.
class ScopedKernel {
public:
    explicit ScopedKernel(TFFTKernel k) : old_(ozm::fourier::detail::ActiveKernel()) {
        EXPECT_TRUE(ozm::fourier::detail::SelectKernel(k));
    }
    ~ScopedKernel() { ozm::fourier::detail::SelectKernel(old_); }
    ScopedKernel(const ScopedKernel&) = delete;
    ScopedKernel& operator=(const ScopedKernel&) = delete;

private:
    TFFTKernel old_;
};

// Forward and inverse transforms of every kernel against the extended-precision transform.
void CheckAccuracy(int max_log2) {
    for (TFFTKernel kernel : AvailableKernels()) {
        ScopedKernel scoped(kernel);
        for (int lg = 0; lg <= max_log2; ++lg) {
            const int n = 1 << lg;
            SCOPED_TRACE("kernel " + std::to_string(static_cast<int>(kernel)) + ", N = " + std::to_string(n));
            const std::vector<cld> x = RandomBlock(static_cast<size_t>(n), 77 + lg);
            TFastFourier f;
            f.SetNumData(n);
            Load(f, x);
            f.DoFFT(1);
            const std::vector<cld> ref = n <= 256 ? DirectDFT(x) : ExtendedFFT(x, 1);
            EXPECT_LE(RelativeError(f, ref), AccuracyBound(n));
            // the inverse of the exact spectrum gives the block back
            Load(f, ref);
            f.InverseTransform();
            EXPECT_LE(RelativeError(f, x), AccuracyBound(n));
        }
    }
}

}  // namespace

TEST(FastFourier, MatchesExtendedPrecisionTransformWithEveryKernel) { CheckAccuracy(16); }

// The largest sizes take a while; run with --gtest_also_run_disabled_tests.
TEST(FastFourier, DISABLED_MatchesExtendedPrecisionTransformUpTo2Pow22) { CheckAccuracy(22); }

TEST(FastFourier, WindowWeightsMatchScipy) {
    TFastFourier f;
    for (int n : {8, 64}) {
        f.SetNumData(n);
        for (int k = 1; k <= n; ++k) f.SetWgtVal(k, 1.0);
        for (int w = 0; w < 9; ++w) {
            f.SetWgtWin(kWindows[w]);
            const double* ref = WindowRef(w, n);
            for (int k = 1; k <= n; ++k) {
                EXPECT_NEAR(f.WindowWeight(k), ref[k - 1], 4 * kEps) << "window " << w << " N " << n << " k " << k;
            }
        }
    }
}

TEST(FastFourier, TransformOfEveryWindowMatchesNumpy) {
    const int n = fft_refs::kN;
    for (TFFTKernel kernel : AvailableKernels()) {
        ScopedKernel scoped(kernel);
        for (int w = 0; w < 9; ++w) {
            TFastFourier f;
            f.SetNumData(n);
            for (int k = 1; k <= n; ++k) {
                f.SetRealVal(k, fft_refs::kSignalRe[k - 1]);
                f.SetImagVal(k, fft_refs::kSignalIm[k - 1]);
                f.SetWgtVal(k, fft_refs::kUserWeights[k - 1]);
            }
            f.SetWgtWin(kWindows[w]);
            f.Transform();
            std::vector<cld> ref(n);
            for (int k = 0; k < n; ++k) ref[k] = cld(fft_refs::kTransformRe[w * n + k], fft_refs::kTransformIm[w * n + k]);
            // numpy's own rounding counts too: twice the bound
            EXPECT_LE(RelativeError(f, ref), 2 * AccuracyBound(n)) << "window " << w;
        }
    }
}

TEST(FastFourier, SpectralQueriesMatchNumpyAndScipy) {
    const int n = fft_refs::kN;
    TFastFourier f;
    f.SetNumData(n);
    for (int k = 1; k <= n; ++k) f.SetRealVal(k, fft_refs::kRealSignal[k - 1]);
    f.Transform();
    const double tol = 16 * kEps * std::log2(n);  // the values are of order 1..10
    double max_power = 0, max_magni = 0;
    for (int L = 0; L <= n / 2; ++L) {
        SCOPED_TRACE("line " + std::to_string(L));
        EXPECT_NEAR(f.GetPowerSpec(L), fft_refs::kRealPower[L], tol * std::max(1.0, fft_refs::kRealPower[L]));
        EXPECT_NEAR(f.GetMagnitude(L), fft_refs::kRealMagnitude[L], tol);
        EXPECT_NEAR(f.GetFSerCos(L), fft_refs::kRealFSerCos[L], tol);
        EXPECT_NEAR(f.GetFSerSin(L), fft_refs::kRealFSerSin[L], tol);
        EXPECT_NEAR(f.GetPhase(L), fft_refs::kRealPhase[L], 1e3 * tol);  // arctan of a ratio
        if (L >= 1 && L < n / 2) max_power = std::max(max_power, fft_refs::kRealPower[L]);
        if (L >= 1) max_magni = std::max(max_magni, fft_refs::kRealMagnitude[L]);
    }
    EXPECT_NEAR(f.RMS(0, n / 2), fft_refs::kRealRms, tol);
    EXPECT_NEAR(f.RMS(-5, 1000), fft_refs::kRealRms, tol);  // clamped
    EXPECT_EQ(f.RMS(10, 3), f.RMS(3, 10));
    EXPECT_NEAR(f.GetMaxPower(), max_power, tol * max_power);
    EXPECT_NEAR(f.GetMaxMagni(), max_magni, tol);
    // line 5 carries the sine of amplitude 2 (plus noise): the largest magnitude
    EXPECT_NEAR(f.GetMaxMagni(), f.GetMagnitude(5), 0.0);
    // outside the lines
    for (int L : {-1, n / 2 + 1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(f.GetPowerSpec(L), 0.0);
        EXPECT_EQ(f.GetMagnitude(L), 0.0);
        EXPECT_EQ(f.GetPhase(L), 0.0);
        EXPECT_EQ(f.GetFSerCos(L), 0.0);
        EXPECT_EQ(f.GetFSerSin(L), 0.0);
    }
    EXPECT_EQ(f.GetPhase(0), 0.0);
}

TEST(FastFourier, SeriesCoefficientsOfSimpleSignals) {
    TFastFourier f;
    f.SetNumData(8);
    for (int k = 1; k <= 8; ++k) f.SetRealVal(k, std::sin(2 * std::numbers::pi * (k - 1) / 8));
    f.Transform();
    EXPECT_NEAR(f.GetFSerSin(1), 1.0, 4 * kEps);
    EXPECT_NEAR(f.GetFSerCos(1), 0.0, 4 * kEps);
    EXPECT_NEAR(f.GetMagnitude(1), 1.0, 4 * kEps);
    EXPECT_NEAR(f.GetPowerSpec(2), 0.0, 4 * kEps);

    // a constant: everything in line 0
    f.SetNumData(16);
    for (int k = 1; k <= 16; ++k) f.SetRealVal(k, -2.5);
    f.Transform();
    EXPECT_DOUBLE_EQ(f.GetFSerCos(0), -2.5);
    EXPECT_DOUBLE_EQ(f.GetMagnitude(0), 2.5);
    EXPECT_DOUBLE_EQ(f.GetPowerSpec(0), 16 * 6.25);
    for (int L = 1; L <= 8; ++L) EXPECT_EQ(f.GetMagnitude(L), 0.0) << L;

    // x(k) = a0 + a cos + b sin at lines 3 and 7 of N = 32
    f.SetNumData(32);
    for (int k = 0; k < 32; ++k) {
        const double t = 2 * std::numbers::pi * k / 32;
        f.SetRealVal(k + 1, 0.5 + 1.25 * std::cos(3 * t) - 0.75 * std::sin(3 * t) + 2 * std::sin(7 * t));
    }
    f.Transform();
    EXPECT_NEAR(f.GetFSerCos(0), 0.5, 8 * kEps);
    EXPECT_NEAR(f.GetFSerCos(3), 1.25, 8 * kEps);
    EXPECT_NEAR(f.GetFSerSin(3), -0.75, 8 * kEps);
    EXPECT_NEAR(f.GetMagnitude(3), std::hypot(1.25, 0.75), 8 * kEps);
    EXPECT_NEAR(f.GetFSerSin(7), 2.0, 8 * kEps);
    EXPECT_NEAR(f.GetPhase(3), std::atan(-0.75 / 1.25), 8 * kEps);
    // Parseval: the band RMS over all lines is the RMS of the signal
    const double ms = 0.25 + (1.25 * 1.25 + 0.75 * 0.75 + 4) / 2;
    EXPECT_NEAR(f.RMS(0, 16), std::sqrt(ms), 8 * kEps);
    EXPECT_NEAR(f.RMS(3, 3), std::sqrt((1.25 * 1.25 + 0.75 * 0.75) / 2), 8 * kEps);
}

// A pure Nyquist signal a (-1)^k has its one sample X(N/2) = N a: the line N/2 is counted once, so
// amplitude, cosine coefficient, power and band RMS agree with the signal, as for every other line.
TEST(FastFourier, NyquistLineCountedOnce) {
    for (int n : {2, 8, 64}) {
        TFastFourier f;
        f.SetNumData(n);
        const double a = -1.5;
        for (int k = 0; k < n; ++k) f.SetRealVal(k + 1, (k % 2 == 0) ? a : -a);
        f.Transform();
        const int h = n / 2;
        EXPECT_DOUBLE_EQ(f.GetFSerCos(h), a);
        EXPECT_EQ(f.GetFSerSin(h), 0.0);
        EXPECT_DOUBLE_EQ(f.GetMagnitude(h), std::fabs(a));
        EXPECT_DOUBLE_EQ(f.GetPowerSpec(h), n * a * a);
        EXPECT_DOUBLE_EQ(f.RMS(0, h), std::fabs(a));
        EXPECT_DOUBLE_EQ(f.RMS(h, h), std::fabs(a));
        EXPECT_DOUBLE_EQ(f.GetMaxMagni(), std::fabs(a));
        EXPECT_EQ(f.GetMaxPower(), 0.0);  // line N/2 is left out of the largest power
    }
}

TEST(FastFourier, TransformAndInverseRestoreSamples) {
    for (TFFTKernel kernel : AvailableKernels()) {
        ScopedKernel scoped(kernel);
        for (int n : {1, 2, 4, 8, 1024, 8192, 32768}) {
            const std::vector<cld> x = RandomBlock(static_cast<size_t>(n), 5);
            TFastFourier f;
            f.SetNumData(n);
            Load(f, x);
            f.Transform();
            f.InverseTransform();
            EXPECT_LE(RelativeError(f, x), 2 * AccuracyBound(n)) << n;
        }
    }
    // a block of one sample is its own transform
    TFastFourier f;
    f.SetNumData(1);
    f.SetRealVal(1, 3);
    f.SetImagVal(1, -4);
    f.Transform();
    EXPECT_EQ(f.GetRealVal(1), 3.0);
    EXPECT_EQ(f.GetImagVal(1), -4.0);
    EXPECT_EQ(f.GetMagnitude(0), 5.0);
    f.DoFFT(0);  // not a direction: nothing happens
    f.DoFFT(2);
    EXPECT_EQ(f.GetRealVal(1), 3.0);
}

TEST(FastFourier, SizesDefaultsAndIndexRanges) {
    TFastFourier f;
    f.SetName("FFT1");
    EXPECT_EQ(f.SpectrumSize(), 256);
    EXPECT_EQ(f.WeightingWindow(), TFastFourierWgtWin::fwRectangle);
    EXPECT_EQ(f.GetWgtVal(1), 1.0);
    EXPECT_EQ(f.GetWgtVal(256), 1.0);
    EXPECT_EQ(f.GetRealVal(128), 0.0);
    for (int bad : {1000, 0, -4, 3, INT_MIN, INT_MAX}) {
        try {
            f.SetNumData(bad);
            ADD_FAILURE() << bad;
        } catch (const ozm::EOZMFourierError& e) {
            EXPECT_EQ(e.message(), "Component \"FFT1\": data length must be power of 2");
        }
    }
    EXPECT_EQ(f.SpectrumSize(), 256);
    // larger than the machine can hold: the memory message, the object as it was
    f.SetRealVal(3, 7);
    try {
        f.SetNumData(1 << 30);
        if (f.SpectrumSize() != (1 << 30)) ADD_FAILURE() << "no error and no resize";
    } catch (const ozm::EOZMFourierError& e) {
        EXPECT_EQ(e.message(), "Component \"FFT1\": not enough memory on heap");
        EXPECT_EQ(f.SpectrumSize(), 256);
        EXPECT_EQ(f.GetRealVal(3), 7.0);
    }
    f.SetNumData(256);
    EXPECT_EQ(f.GetWgtVal(1), 0.0);  // a resize clears the user weights
    EXPECT_EQ(f.GetRealVal(3), 0.0);
    for (int ix : {0, -1, 257, INT_MIN, INT_MAX}) {
        f.SetRealVal(ix, 9);
        f.SetImagVal(ix, 9);
        f.SetWgtVal(ix, 9);
        EXPECT_EQ(f.GetRealVal(ix), 0.0);
        EXPECT_EQ(f.GetImagVal(ix), 0.0);
        EXPECT_EQ(f.GetWgtVal(ix), 0.0);
    }
    EXPECT_EQ(f.GetMaxReal(), 0.0);
    EXPECT_EQ(f.GetMinImag(), 0.0);

    // line/frequency conversion on N = 256, 0.01 s per sample
    EXPECT_DOUBLE_EQ(f.FreqOfLine(64, 0.01), 64 / 2.56);
    EXPECT_EQ(f.FreqOfLine(0, 0.01), 0.0);
    EXPECT_EQ(f.FreqOfLine(129, 0.01), 0.0);
    EXPECT_EQ(f.LineOfFreq(25.0, 0.01), 64);
    EXPECT_EQ(f.LineOfFreq(50.0, 0.01), 128);
    EXPECT_EQ(f.LineOfFreq(50.5, 0.01), 0);  // above the Nyquist line
    EXPECT_EQ(f.LineOfFreq(0.1, 0.01), 0);
    EXPECT_EQ(f.LineOfFreq(std::nan(""), 0.01), 0);
    EXPECT_EQ(f.LineOfFreq(1e300, 1e300), 0);
    EXPECT_EQ(f.LineOfFreq(-25.0, 0.01), 0);
}

TEST(FastFourier, ExtremesFollowTheData) {
    TFastFourier f;
    f.SetNumData(8);
    f.SetRealVal(2, 3);
    f.SetRealVal(5, -2);
    f.SetImagVal(7, 4);
    EXPECT_EQ(f.GetMaxReal(), 3.0);
    EXPECT_EQ(f.GetMinReal(), -2.0);
    EXPECT_EQ(f.GetMaxImag(), 4.0);
    EXPECT_EQ(f.GetMinImag(), 0.0);
    f.SetRealVal(3, 10);  // invalidates the cache
    EXPECT_EQ(f.GetMaxReal(), 10.0);
    f.SetImagVal(1, std::nan(""));  // NaN samples are passed over
    EXPECT_EQ(f.GetMaxImag(), 4.0);
    f.ClearImag();
    EXPECT_EQ(f.GetMaxImag(), 0.0);
    EXPECT_EQ(f.GetMaxReal(), 10.0);
    f.ClearReal();
    EXPECT_EQ(f.GetMaxReal(), 0.0);
    f.SetRealVal(1, 8);
    f.Transform();  // an impulse: flat spectrum
    EXPECT_EQ(f.GetMaxReal(), 8.0);
    EXPECT_EQ(f.GetMinReal(), 8.0);
    EXPECT_EQ(f.GetMaxPower(), 2 * 64 / 8.0);
    EXPECT_EQ(f.GetMaxMagni(), 2.0);
    f.Clear();
    EXPECT_EQ(f.GetMaxReal(), 0.0);
    EXPECT_EQ(f.GetMaxPower(), 0.0);
}

TEST(FastFourier, NaNSampleSpoilsOnlyTheSpectrum) {
    TFastFourier f;
    f.SetNumData(16);
    for (int k = 1; k <= 16; ++k) f.SetRealVal(k, k);
    f.SetRealVal(4, std::nan(""));
    f.Transform();
    for (int L = 0; L <= 8; ++L) EXPECT_TRUE(std::isnan(f.GetPowerSpec(L))) << L;
    EXPECT_TRUE(std::isnan(f.RMS(0, 8)));
    EXPECT_EQ(f.GetPowerSpec(9), 0.0);
    f.SetNumData(16);  // a resize starts clean
    f.Transform();
    EXPECT_EQ(f.RMS(0, 8), 0.0);
}

TEST(FastFourier, OwnedAndErrorClass) {
    auto* owner = new ozm::TComponent(nullptr);
    auto* f = new TFastFourier(owner);
    EXPECT_STREQ(f->ClassName(), "TFastFourier");
    EXPECT_EQ(owner->ComponentCount(), 1);
    delete owner;  // deletes the transform too (the sanitizer build sees a leak otherwise)
    const ozm::EOZMFourierError e("x");
    EXPECT_NE(dynamic_cast<const ozm::EOZMError*>(&e), nullptr);
}
