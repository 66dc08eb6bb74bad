// The AVX2+FMA butterfly kernel: two complex numbers per 256-bit register. Everything in this file
// is compiled for AVX2 and FMA; it is only called after the processor reported both. It includes
// no library header with inline functions of its own, so no AVX2 copy of a shared inline function
// can be picked by the linker for code that runs on older processors.
#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

#include "transforms/fft_kernels.hpp"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif

namespace ozm::fourier::detail {
namespace {

struct Avx2Ops {
    using V = __m256d;
    static constexpr size_t W = 2;
    static V Load(const double* p) { return _mm256_loadu_pd(p); }
    static void Store(double* p, V v) { _mm256_storeu_pd(p, v); }
    static V Add(V a, V b) { return _mm256_add_pd(a, b); }
    static V Sub(V a, V b) { return _mm256_sub_pd(a, b); }
    // (xr wr - xi wi, xr wi + xi wr) per complex number.
    static V Mul(V x, V w) {
        const V xr = _mm256_movedup_pd(x);
        const V xi = _mm256_permute_pd(x, 0xF);
        const V ws = _mm256_permute_pd(w, 0x5);
        return _mm256_fmaddsub_pd(w, xr, _mm256_mul_pd(ws, xi));
    }
    static V Conj(V w) { return _mm256_xor_pd(w, _mm256_set_pd(-0.0, 0.0, -0.0, 0.0)); }
    static V MulI(V x) {
        return _mm256_xor_pd(_mm256_permute_pd(x, 0x5), _mm256_set_pd(0.0, -0.0, 0.0, -0.0));
    }
    static V MulMinusI(V x) {
        return _mm256_xor_pd(_mm256_permute_pd(x, 0x5), _mm256_set_pd(-0.0, 0.0, -0.0, 0.0));
    }
};

#include "transforms/fft_ops_vex128.inl"

}  // namespace

#include "transforms/fft_stages.inl"

void FFTStagesAVX2(double* Data, size_t N, const double* Twiddle, bool Inverse) noexcept {
    Stages<Avx2Ops, Avx128Ops>(Data, N, Twiddle, Inverse);
}

}  // namespace ozm::fourier::detail

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif

#endif
