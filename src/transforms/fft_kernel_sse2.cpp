// The SSE2 butterfly kernel: one complex number per 128-bit register. SSE2 is part of every x86-64
// processor, so this kernel needs no check.
#if defined(__x86_64__) || defined(_M_X64)

#include <emmintrin.h>

#include "transforms/fft_kernels.hpp"

namespace ozm::fourier::detail {
namespace {

struct Sse2Ops {
    using V = __m128d;
    static constexpr size_t W = 1;
    static V Load(const double* p) { return _mm_loadu_pd(p); }
    static void Store(double* p, V v) { _mm_storeu_pd(p, v); }
    static V Add(V a, V b) { return _mm_add_pd(a, b); }
    static V Sub(V a, V b) { return _mm_sub_pd(a, b); }
    // (xr wr - xi wi, xr wi + xi wr)
    static V Mul(V x, V w) {
        const V xr = _mm_unpacklo_pd(x, x);
        const V xi = _mm_unpackhi_pd(x, x);
        const V ws = _mm_shuffle_pd(w, w, 1);
        const V a = _mm_mul_pd(w, xr);
        const V b = _mm_xor_pd(_mm_mul_pd(ws, xi), _mm_set_pd(0.0, -0.0));
        return _mm_add_pd(a, b);
    }
    static V Conj(V w) { return _mm_xor_pd(w, _mm_set_pd(-0.0, 0.0)); }
    static V MulI(V x) { return _mm_xor_pd(_mm_shuffle_pd(x, x, 1), _mm_set_pd(0.0, -0.0)); }
    static V MulMinusI(V x) { return _mm_xor_pd(_mm_shuffle_pd(x, x, 1), _mm_set_pd(-0.0, 0.0)); }
};

}  // namespace

#include "transforms/fft_stages.inl"

void FFTStagesSSE2(double* Data, size_t N, const double* Twiddle, bool Inverse) noexcept {
    Stages<Sse2Ops, Sse2Ops>(Data, N, Twiddle, Inverse);
}

}  // namespace ozm::fourier::detail

#endif
