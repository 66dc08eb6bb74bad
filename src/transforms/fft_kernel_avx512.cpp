// The AVX-512 butterfly kernel: four complex numbers per 512-bit register. Everything in this file
// is compiled for AVX-512F (with AVX2 and FMA); it is only called after the processor reported
// AVX-512F. Like the AVX2 kernel it includes no library header with inline functions of its own.
#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

#include "transforms/fft_kernels.hpp"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx2,fma"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx512f,avx2,fma")
#endif

namespace ozm::fourier::detail {
namespace {

struct Avx512Ops {
    using V = __m512d;
    static constexpr size_t W = 4;
    static V Load(const double* p) { return _mm512_loadu_pd(p); }
    static void Store(double* p, V v) { _mm512_storeu_pd(p, v); }
    static V Add(V a, V b) { return _mm512_add_pd(a, b); }
    static V Sub(V a, V b) { return _mm512_sub_pd(a, b); }
    // The shuffles are the masked forms with every lane selected: the same instruction, but GCC 12's
    // unmasked wrappers start from an undefined register and warn about it.
    static V DupReal(V x) { return _mm512_mask_movedup_pd(x, 0xFF, x); }
    static V DupImag(V x) { return _mm512_mask_permute_pd(x, 0xFF, x, 0xFF); }
    static V Swap(V x) { return _mm512_mask_permute_pd(x, 0xFF, x, 0x55); }
    // (xr wr - xi wi, xr wi + xi wr) per complex number.
    static V Mul(V x, V w) {
        return _mm512_fmaddsub_pd(w, DupReal(x), _mm512_mul_pd(Swap(w), DupImag(x)));
    }
    // Sign flips through integer xor: AVX-512F has no floating-point xor (that is AVX-512DQ).
    static V FlipSigns(V x, __m512i mask) {
        return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(x), mask));
    }
    static __m512i OddLanes() { return _mm512_set_epi64(kSign, 0, kSign, 0, kSign, 0, kSign, 0); }
    static __m512i EvenLanes() { return _mm512_set_epi64(0, kSign, 0, kSign, 0, kSign, 0, kSign); }
    static V Conj(V w) { return FlipSigns(w, OddLanes()); }
    static V MulI(V x) { return FlipSigns(Swap(x), EvenLanes()); }
    static V MulMinusI(V x) { return FlipSigns(Swap(x), OddLanes()); }

    static constexpr long long kSign = static_cast<long long>(0x8000000000000000ULL);
};

#include "transforms/fft_ops_vex128.inl"

}  // namespace

#include "transforms/fft_stages.inl"

void FFTStagesAVX512(double* Data, size_t N, const double* Twiddle, bool Inverse) noexcept {
    Stages<Avx512Ops, Avx128Ops>(Data, N, Twiddle, Inverse);
}

}  // namespace ozm::fourier::detail

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif

#endif
