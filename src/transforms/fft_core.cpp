// Twiddle table, bit-reversal permutation and the choice of butterfly kernel for TFastFourier.
#include <atomic>
#include <cmath>
#include <numbers>
#include <utility>

#include "transforms/fft_kernels.hpp"

namespace ozm::fourier::detail {
namespace {

bool CpuHasAvx2Fma() noexcept {
#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

bool CpuHasAvx512() noexcept {
#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && CpuHasAvx2Fma();
#else
    return false;
#endif
}

TFFTKernel BestKernel() noexcept {
#if defined(__x86_64__) || defined(_M_X64)
    if (CpuHasAvx512()) return TFFTKernel::AVX512;
    return CpuHasAvx2Fma() ? TFFTKernel::AVX2 : TFFTKernel::SSE2;
#else
    return TFFTKernel::Scalar;
#endif
}

std::atomic<TFFTKernel> gKernel{BestKernel()};

TFFTStages StagesOf(TFFTKernel Kernel) noexcept {
    switch (Kernel) {
#if defined(__x86_64__) || defined(_M_X64)
        case TFFTKernel::AVX512: return &FFTStagesAVX512;
        case TFFTKernel::AVX2: return &FFTStagesAVX2;
        case TFFTKernel::SSE2: return &FFTStagesSSE2;
#endif
        default: return &FFTStagesScalar;
    }
}

// Reverses the order of the Bits lowest bits of i.
inline size_t ReverseBits(size_t i, unsigned Bits) noexcept {
    size_t r = 0;
    for (unsigned b = 0; b < Bits; ++b) {
        r = (r << 1) | (i & 1);
        i >>= 1;
    }
    return r;
}

inline void SwapComplex(double* Data, size_t i, size_t j) noexcept {
    std::swap(Data[2 * i], Data[2 * j]);
    std::swap(Data[2 * i + 1], Data[2 * j + 1]);
}

// Bit-reversal permutation. Small blocks walk their list of exchanges. Larger ones split the index
// into a high part, a middle and a low part of b = 3 bits at both ends; the exchanges
// (hi, mid, lo) <-> (rev lo, rev mid, rev hi) are walked tile by tile, middle outermost, so each
// side of a tile is 8 runs of 8 consecutive samples (whole cache lines). Wider tiles would place
// their runs at power-of-two strides into the same few cache sets and evict each other.
void BitReverse(double* Data, size_t N, const std::vector<uint32_t>& Swaps) noexcept {
    if (!Swaps.empty() || N <= 2) {
        // a list without branches: the comparison i < j would be mispredicted every other time
        const uint32_t* s = Swaps.data();
        for (size_t p = 0; p < Swaps.size(); p += 2) SwapComplex(Data, s[p], s[p + 1]);
        return;
    }
    unsigned bits = 0;
    while ((size_t{1} << bits) < N) ++bits;
    const unsigned b = 3;                 // 8 x 8 tiles
    const unsigned mid_bits = bits - 2 * b;
    const size_t B = size_t{1} << b;
    size_t rev_small[1 << 3];
    for (size_t i = 0; i < B; ++i) rev_small[i] = ReverseBits(i, b);
    const size_t mids = size_t{1} << mid_bits;
    for (size_t mid = 0; mid < mids; ++mid) {
        const size_t rmid = ReverseBits(mid, mid_bits);
        if (rmid < mid) continue;          // that pair of blocks was done from the other side
        for (size_t hi = 0; hi < B; ++hi) {
            const size_t i_base = (hi << (bits - b)) | (mid << b);
            const size_t j_low = rev_small[hi];
            for (size_t lo = 0; lo < B; ++lo) {
                const size_t i = i_base | lo;
                const size_t j = (rev_small[lo] << (bits - b)) | (rmid << b) | j_low;
                // Blocks of two different middles are each other's images: swap all of them.
                if (rmid != mid || i < j) SwapComplex(Data, i, j);
            }
        }
    }
}

}  // namespace

bool KernelAvailable(TFFTKernel Kernel) noexcept {
    switch (Kernel) {
        case TFFTKernel::Scalar: return true;
#if defined(__x86_64__) || defined(_M_X64)
        case TFFTKernel::SSE2: return true;
        case TFFTKernel::AVX2: return CpuHasAvx2Fma();
        case TFFTKernel::AVX512: return CpuHasAvx512();
#endif
        default: return false;
    }
}

bool SelectKernel(TFFTKernel Kernel) noexcept {
    if (!KernelAvailable(Kernel)) return false;
    gKernel.store(Kernel, std::memory_order_relaxed);
    return true;
}

TFFTKernel ActiveKernel() noexcept { return gKernel.load(std::memory_order_relaxed); }

void BuildTwiddles(std::vector<double>& Twiddle, size_t N) {
    Twiddle.assign(2 * N, 0.0);
    if (N < 2) return;
    // exp(+2 pi i k / N) for k = 0..N/2-1 at complex index N/2 + k. The first quadrant comes from
    // long double sines of angles at most pi/4 (cos and sin swap beyond the octant), so every
    // entry is the rounded value of the exact one, not of a recurrence whose error grows with N.
    const long double two_pi_n = 2.0L * std::numbers::pi_v<long double> / static_cast<long double>(N);
    const size_t quarter = N / 4;
    auto first_quadrant = [&](size_t k, double& c, double& s) {
        // 0 <= k <= N/4
        if (8 * k <= N) {
            const long double a = two_pi_n * static_cast<long double>(k);
            c = static_cast<double>(std::cos(a));
            s = static_cast<double>(std::sin(a));
        } else {
            const long double a = two_pi_n * static_cast<long double>(quarter - k);
            c = static_cast<double>(std::sin(a));
            s = static_cast<double>(std::cos(a));
        }
    };
    double* top = Twiddle.data() + N;  // complex index N/2
    for (size_t k = 0; k < N / 2; ++k) {
        double c, s;
        if (k <= quarter) {
            first_quadrant(k, c, s);
        } else {
            first_quadrant(N / 2 - k, c, s);
            c = -c;  // angle pi - a
        }
        top[2 * k] = c;
        top[2 * k + 1] = s;
    }
    // exp(i pi j / m) = exp(i pi 2j / 2m): every smaller span reuses every other entry.
    for (size_t m = N / 4; m >= 1; m /= 2) {
        for (size_t j = 0; j < m; ++j) {
            Twiddle[2 * (m + j)] = Twiddle[2 * (2 * m + 2 * j)];
            Twiddle[2 * (m + j) + 1] = Twiddle[2 * (2 * m + 2 * j) + 1];
        }
    }
}

void BuildBitReversal(std::vector<uint32_t>& Swaps, size_t N) {
    Swaps.clear();
    if (N > kSwapTableMaxN) return;
    for (size_t i = 1, j = 0; i < N; ++i) {
        size_t bit = N >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j |= bit;
        if (i < j) {
            Swaps.push_back(static_cast<uint32_t>(i));
            Swaps.push_back(static_cast<uint32_t>(j));
        }
    }
}

void RunFFT(double* Data, size_t N, const double* Twiddle, const std::vector<uint32_t>& Swaps,
            bool Inverse) noexcept {
    if (N < 2) return;
    BitReverse(Data, N, Swaps);
    if (N == 2) {
        const double r0 = Data[0], i0 = Data[1], r1 = Data[2], i1 = Data[3];
        Data[0] = r0 + r1;
        Data[1] = i0 + i1;
        Data[2] = r0 - r1;
        Data[3] = i0 - i1;
    } else {
        StagesOf(ActiveKernel())(Data, N, Twiddle, Inverse);
    }
    if (Inverse) {
        // N is a power of two, so multiplying by 1/N is the exact division.
        const double scale = 1.0 / static_cast<double>(N);
        for (size_t i = 0; i < 2 * N; ++i) Data[i] *= scale;
    }
}

}  // namespace ozm::fourier::detail
