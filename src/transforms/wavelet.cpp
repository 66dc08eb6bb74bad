// TWavelet1D: Daubechies filters, signal extensions and the decomposition steps.
#include "ozm/wavelet.hpp"

#include <algorithm>
#include <cmath>

#include "ozm/platform/component_error.hpp"
#include "transforms/component_error.hpp"

namespace ozm {

using transforms::detail::IsPowerOfTwo;

namespace {

// The orthonormal Daubechies scaling filters from their closed forms, evaluated in extended
// precision (the published 17-digit decimals are only the double roundings of these).
std::vector<long double> DaubechiesLowPass(int K) {
    const long double s2 = std::sqrt(2.0L);
    switch (K) {
        case 1: return {1 / s2, 1 / s2};
        case 2: {
            const long double s3 = std::sqrt(3.0L);
            const long double d = 4 * s2;
            return {(1 + s3) / d, (3 + s3) / d, (3 - s3) / d, (1 - s3) / d};
        }
        default: {
            const long double r10 = std::sqrt(10.0L);
            const long double r = std::sqrt(5 + 2 * r10);
            const long double d = 16 * s2;
            return {(1 + r10 + r) / d,          (5 + r10 + 3 * r) / d, (10 - 2 * r10 + 2 * r) / d,
                    (10 - 2 * r10 - 2 * r) / d, (5 + r10 - 3 * r) / d, (1 + r10 - r) / d};
        }
    }
}

// The position a filter tap at t (t < n, possibly before the block) reads, or -1 for a tap that
// is dropped. The symmetric extension is the half-sample mirror repeated with period 2n, so a
// filter longer than the block (six taps on two values) stays inside the block.
inline int MapPosition(int t, int n, TWLSigExtMode Mode) noexcept {
    if (t >= 0) return t;
    switch (Mode) {
        case TWLSigExtMode::wseWrap: return t & (n - 1);
        case TWLSigExtMode::wseZeroPad: return -1;
        case TWLSigExtMode::wseSymmetric: {
            const int period = 2 * n;
            int r = t % period;
            if (r < 0) r += period;
            return r < n ? r : period - 1 - r;
        }
    }
    return -1;
}

}  // namespace

TWavelet1D::TWavelet1D(TComponent* AOwner) : TComponent(AOwner) {
    SetNumData(256);
    SetOrder(2);
}

void TWavelet1D::SetNumData(int n) {
    if (!IsPowerOfTwo(n))
        RaiseComponentError<EOZMWaveletError>(*this, transforms::detail::kMsgNotPowerOf2);
    GuardAllocation<EOZMWaveletError>(*this, [&] {
        CheckStorageRequest(static_cast<size_t>(n) * sizeof(long double));
        std::vector<long double> data(static_cast<size_t>(n), 0.0L);
        FData.swap(data);
    });
    FNumData = n;
}

void TWavelet1D::SetOrder(int k) {
    if (k < 1 || k > 3) {
        RaiseComponentError<EOZMWaveletError>(*this, ": invalid order of Daubechies wavelet family");
    }
    GuardAllocation<EOZMWaveletError>(*this, [&] {
        std::vector<long double> h = DaubechiesLowPass(k);
        std::vector<long double> g(h.size());
        const size_t last = h.size() - 1;
        for (size_t j = 0; j <= last; ++j) g[j] = (j % 2 == 0) ? h[last - j] : -h[last - j];
        FCoeffsLP.swap(h);
        FCoeffsHP.swap(g);
    });
    FOrder = k;
}

double TWavelet1D::GetDataVal(int ix) const noexcept {
    return (ix >= 1 && ix <= FNumData) ? static_cast<double>(FData[static_cast<size_t>(ix - 1)]) : 0.0;
}

void TWavelet1D::SetDataVal(int ix, double v) noexcept {
    if (ix >= 1 && ix <= FNumData) FData[static_cast<size_t>(ix - 1)] = v;
}

void TWavelet1D::Clear() noexcept { std::fill(FData.begin(), FData.end(), 0.0L); }

long double TWavelet1D::LowPass(int j) const noexcept {
    return (j >= 0 && j < 2 * FOrder) ? FCoeffsLP[static_cast<size_t>(j)] : 0.0L;
}

long double TWavelet1D::HighPass(int j) const noexcept {
    return (j >= 0 && j < 2 * FOrder) ? FCoeffsHP[static_cast<size_t>(j)] : 0.0L;
}

void TWavelet1D::Transform(int Level) { DoWLT(Level, false); }

void TWavelet1D::InverseTransform(int Level) { DoWLT(Level, true); }

void TWavelet1D::SingleStep(bool Inverse) { PartialWLT(FNumData, 0, Inverse); }

void TWavelet1D::Step(long double* x, long double* temp, int n, bool Inverse) const noexcept {
    const int half = n / 2;
    const int taps = 2 * FOrder;
    const long double* h = FCoeffsLP.data();
    const long double* g = FCoeffsHP.data();
    // Outputs l >= K-1 read only positions inside the block; the first K-1 go through the
    // extension.
    const int first_inner = std::min(FOrder - 1, half);
    if (!Inverse) {
        for (int l = 0; l < first_inner; ++l) {
            long double a = 0, d = 0;
            for (int j = 0; j < taps; ++j) {
                const int p = MapPosition(2 * l + 2 - taps + j, n, FWLSigExtMode);
                if (p < 0) continue;
                a += h[j] * x[p];
                d += g[j] * x[p];
            }
            temp[l] = a;
            temp[half + l] = d;
        }
        for (int l = first_inner; l < half; ++l) {
            const long double* xs = x + (2 * l + 2 - taps);
            long double a = 0, d = 0;
            for (int j = 0; j < taps; ++j) {
                a += h[j] * xs[j];
                d += g[j] * xs[j];
            }
            temp[l] = a;
            temp[half + l] = d;
        }
    } else {
        // The transpose gathered per output: value 2q + e receives h(2s + e) a(l) + g(2s + e) d(l)
        // from l = q + K - 1 - s (s = 0..K-1) wherever that coefficient exists; the taps of the
        // first K - 1 coefficients that reached before the block are then added at their mapped
        // positions.
        const long double* a = x;
        const long double* d = x + half;
        const int K = FOrder;
        for (int q = 0; q < half; ++q) {
            const int s_first = std::max(0, q + K - half);  // l = q + K - 1 - s <= half - 1
            long double even = 0, odd = 0;
            for (int s = s_first; s < K; ++s) {
                const int l = q + K - 1 - s;
                even += h[2 * s] * a[l] + g[2 * s] * d[l];
                odd += h[2 * s + 1] * a[l] + g[2 * s + 1] * d[l];
            }
            temp[2 * q] = even;
            temp[2 * q + 1] = odd;
        }
        for (int l = 0; l < first_inner; ++l) {
            const int base = 2 * l + 2 - taps;
            for (int j = 0; j < taps && base + j < 0; ++j) {
                const int p = MapPosition(base + j, n, FWLSigExtMode);
                if (p >= 0) temp[p] += h[j] * a[l] + g[j] * d[l];
            }
        }
    }
    std::copy(temp, temp + n, x);
}

void TWavelet1D::PartialWLT(int n, int Offset, bool Inverse) {
    if (n < 2 || !IsPowerOfTwo(n) || Offset < 0 || Offset > FNumData - n) return;
    std::vector<long double> temp;
    GuardAllocation<EOZMWaveletError>(*this, [&] { temp.resize(static_cast<size_t>(n)); });
    Step(FData.data() + Offset, temp.data(), n, Inverse);
}

void TWavelet1D::DoWLT(int Level, bool Inverse) {
    if (FNumData <= 1) return;
    Level = std::max(Level, 1);
    std::vector<long double> temp;
    GuardAllocation<EOZMWaveletError>(*this, [&] { temp.resize(static_cast<size_t>(FNumData)); });
    if (!Inverse) {
        for (int n = FNumData; Level > 0 && n > 1; --Level, n /= 2) Step(FData.data(), temp.data(), n, false);
    } else {
        for (int n = 2; Level > 0 && n <= FNumData; --Level, n *= 2) Step(FData.data(), temp.data(), n, true);
    }
}

}  // namespace ozm
