// The inner loops of the self-organizing map (kohonen_kernels.hpp).
//
// Distances are formed for a block of neurons side by side in an accumulator array that the
// compiler keeps in vector registers while the inputs are swept, so the weights are read once and
// each sum is stored once; each single sum still adds its terms input by input. Blocks shrink
// towards the end of the neuron run, so a remainder is not left to scalar code. Multiply-adds are
// not contracted into fused instructions (the pragma below): all levels give the same bits.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include "learning/kohonen_kernels.hpp"

#include "numerics/filter_internal.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define OZM_KOHONEN_X86_DISPATCH 1
#define OZM_ALWAYS_INLINE [[gnu::always_inline]] inline
#else
#define OZM_ALWAYS_INLINE inline
#endif

namespace ozm::kohonen::detail {

namespace {

using math2::detail::TSimdLevel;

// Neurons n0, n0 + B, ... in blocks of B while a whole block fits; returns where it stopped.
template <size_t B>
OZM_ALWAYS_INLINE size_t DistanceBlocks(const double* __restrict W, size_t N, size_t Nin,
                                        const double* __restrict Row, double* __restrict Dist,
                                        size_t n0) noexcept {
    for (; n0 + B <= N; n0 += B) {
        double acc[B];
        const double x0 = Row[0];
        for (size_t j = 0; j < B; ++j) {
            const double d = W[n0 + j] - x0;
            acc[j] = d * d;
        }
        for (size_t k = 1; k < Nin; ++k) {
            const double* __restrict w = W + k * N + n0;
            const double x = Row[k];
            for (size_t j = 0; j < B; ++j) {
                const double d = w[j] - x;
                acc[j] += d * d;
            }
        }
        for (size_t j = 0; j < B; ++j) Dist[n0 + j] = acc[j];
    }
    return n0;
}

// Wide blocks keep eight independent sums per vector lane in flight (4-cycle additions at two
// per cycle); the narrower ones take the rest of the run.
template <size_t Wide>
OZM_ALWAYS_INLINE void DistancesBody(const double* W, size_t N, size_t Nin, const double* Row,
                                     double* Dist) noexcept {
    size_t n0 = DistanceBlocks<Wide>(W, N, Nin, Row, Dist, 0);
    if constexpr (Wide > 16) n0 = DistanceBlocks<16>(W, N, Nin, Row, Dist, n0);
    n0 = DistanceBlocks<4>(W, N, Nin, Row, Dist, n0);
    DistanceBlocks<1>(W, N, Nin, Row, Dist, n0);
}

void DistancesBaseline(const double* W, size_t N, size_t Nin, const double* Row,
                       double* Dist) noexcept {
    DistancesBody<16>(W, N, Nin, Row, Dist);
}

#if defined(OZM_KOHONEN_X86_DISPATCH)
__attribute__((target("avx2"))) void DistancesAVX2(const double* W, size_t N, size_t Nin,
                                                   const double* Row, double* Dist) noexcept {
    DistancesBody<32>(W, N, Nin, Row, Dist);
}
__attribute__((target("avx512f"))) void DistancesAVX512(const double* W, size_t N, size_t Nin,
                                                        const double* Row, double* Dist) noexcept {
    DistancesBody<64>(W, N, Nin, Row, Dist);
}
#endif

}  // namespace

void SquaredDistances(const double* W, size_t N, size_t Nin, const double* Row,
                      double* Dist) noexcept {
    switch (math2::detail::ActiveSimdLevel()) {
#if defined(OZM_KOHONEN_X86_DISPATCH)
        case TSimdLevel::AVX512:
            return DistancesAVX512(W, N, Nin, Row, Dist);
        case TSimdLevel::AVX2:
            return DistancesAVX2(W, N, Nin, Row, Dist);
#endif
        default:
            return DistancesBaseline(W, N, Nin, Row, Dist);
    }
}

size_t FirstMinimum(const double* Dist, size_t N) noexcept {
    // A running minimum is a chain of dependent comparisons: independent vector lanes find the
    // smallest value, a second pass its first place. _mm_min_pd(a, b) is a < b ? a : b lane by
    // lane, the step of the scan, so a NaN in the data is passed over as the scan passes it.
    const double first = Dist[0];
    if (first != first) return 0;  // nothing compares below a NaN at the start
    double low = first;
    size_t n = 1;
#if defined(__SSE2__)
    if (N >= 9) {
        __m128d m0 = _mm_set1_pd(first), m1 = m0, m2 = m0, m3 = m0;
        for (; n + 8 <= N; n += 8) {
            m0 = _mm_min_pd(_mm_loadu_pd(Dist + n), m0);
            m1 = _mm_min_pd(_mm_loadu_pd(Dist + n + 2), m1);
            m2 = _mm_min_pd(_mm_loadu_pd(Dist + n + 4), m2);
            m3 = _mm_min_pd(_mm_loadu_pd(Dist + n + 6), m3);
        }
        double lanes[8];
        _mm_storeu_pd(lanes, m0);
        _mm_storeu_pd(lanes + 2, m1);
        _mm_storeu_pd(lanes + 4, m2);
        _mm_storeu_pd(lanes + 6, m3);
        for (double v : lanes) low = v < low ? v : low;
    }
#endif
    for (; n < N; ++n) low = Dist[n] < low ? Dist[n] : low;
    size_t at = 0;
#if defined(__SSE2__)
    const __m128d target = _mm_set1_pd(low);
    for (; at + 2 <= N; at += 2) {
        const int hit = _mm_movemask_pd(_mm_cmpeq_pd(_mm_loadu_pd(Dist + at), target));
        if (hit != 0) return at + ((hit & 1) != 0 ? 0 : 1);
    }
#endif
    while (!(Dist[at] == low)) ++at;
    return at;
}

}  // namespace ozm::kohonen::detail
