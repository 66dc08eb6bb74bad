// The butterfly kernels of TFastFourier: one implementation per instruction set, chosen at run time
// from what the processor reports. Every kernel computes the same transform to rounding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ozm::fourier::detail {

enum class TFFTKernel { Scalar, SSE2, AVX2, AVX512 };

// All butterfly stages of an N-point transform (N >= 4, a power of two) on interleaved complex
// data that are already in bit-reversed order. Twiddle holds the table of BuildTwiddles; Inverse
// uses the conjugate factors (the e^(-i...) direction). No scaling.
using TFFTStages = void (*)(double* Data, size_t N, const double* Twiddle, bool Inverse);

void FFTStagesScalar(double* Data, size_t N, const double* Twiddle, bool Inverse) noexcept;
#if defined(__x86_64__) || defined(_M_X64)
void FFTStagesSSE2(double* Data, size_t N, const double* Twiddle, bool Inverse) noexcept;
void FFTStagesAVX2(double* Data, size_t N, const double* Twiddle, bool Inverse) noexcept;
void FFTStagesAVX512(double* Data, size_t N, const double* Twiddle, bool Inverse) noexcept;
#endif

// Whether the processor can run the kernel.
bool KernelAvailable(TFFTKernel Kernel) noexcept;
// Selects the kernel used from now on (tests force each in turn); false, and no change, when the
// processor cannot run it.
bool SelectKernel(TFFTKernel Kernel) noexcept;
// The kernel in use: the widest available unless another was selected.
TFFTKernel ActiveKernel() noexcept;

// Fills Twiddle (2N doubles) with exp(+i pi j / m) at complex index m + j for every span
// m = 1, 2, 4, ... N/2 and j = 0..m-1. Entries are correctly rounded to within an ulp (long double
// sines of angles reduced to the first octant); index 0 is unused.
void BuildTwiddles(std::vector<double>& Twiddle, size_t N);

// Blocks up to this size keep the list of their bit-reversal exchanges (8 bytes per pair, at
// most 4 KiB), which saves the mispredicted comparisons of the plain loop; larger ones compute
// the exchanges on the fly in small tiles whose two sides stay in the level-1 cache.
constexpr size_t kSwapTableMaxN = size_t{1} << 10;

// Fills Swaps with the pairs (i, j), i < j, that the bit-reversal permutation of N samples
// exchanges, as consecutive entries; empty for N > kSwapTableMaxN.
void BuildBitReversal(std::vector<uint32_t>& Swaps, size_t N);

// The complete transform on N interleaved complex samples: bit-reversal permutation and all
// butterfly stages with the selected kernel; Inverse uses exp(-i...) and divides by N. Swaps is
// the list of BuildBitReversal for N.
void RunFFT(double* Data, size_t N, const double* Twiddle, const std::vector<uint32_t>& Swaps,
            bool Inverse) noexcept;

}  // namespace ozm::fourier::detail
