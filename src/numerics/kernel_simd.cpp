// The inner loops of the window filters and of the 2-D kernel correlation, compiled for the
// baseline instruction set and for AVX2 and AVX-512, chosen once from what the processor reports.
//
// Each loop forms a block of results side by side in a small accumulator array that the compiler
// keeps in vector registers; every single result still sees the plain loop's sequence of
// operations. Multiply-adds are not contracted into fused instructions (the pragma below), so the
// instruction sets give identical results and the choice is a matter of speed only.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include <atomic>

#include "numerics/filter_internal.hpp"

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define OZM_FILTER_X86_DISPATCH 1
#define OZM_ALWAYS_INLINE [[gnu::always_inline]] inline
#else
#define OZM_ALWAYS_INLINE inline
#endif

namespace ozm::math2::detail {

namespace {

// Results formed side by side: 16 doubles are 8 SSE2, 4 AVX2 or 2 AVX-512 registers.
constexpr int kBlock = 16;

OZM_ALWAYS_INLINE void SymmetricWindowBody(const double* x, double* out, std::ptrdiff_t n,
                                           const double* c, int h, bool Antisymmetric,
                                           double Norm) noexcept {
    const double c0 = c[0];
    std::ptrdiff_t j = 0;
    if (!Antisymmetric) {
        for (; j + kBlock <= n; j += kBlock) {
            double acc[kBlock];
            for (int b = 0; b < kBlock; ++b) acc[b] = c0 * x[j + b];
            for (int i = 1; i <= h; ++i) {
                const double ci = c[i];
                const double* xp = x + j + i;
                const double* xm = x + j - i;
                for (int b = 0; b < kBlock; ++b) acc[b] += ci * (xp[b] + xm[b]);
            }
            for (int b = 0; b < kBlock; ++b) out[j + b] = acc[b] / Norm;
        }
        for (; j < n; ++j) {
            double acc = c0 * x[j];
            for (int i = 1; i <= h; ++i) acc += c[i] * (x[j + i] + x[j - i]);
            out[j] = acc / Norm;
        }
    } else {
        for (; j + kBlock <= n; j += kBlock) {
            double acc[kBlock];
            for (int b = 0; b < kBlock; ++b) acc[b] = c0 * x[j + b];
            for (int i = 1; i <= h; ++i) {
                const double ci = c[i];
                const double* xp = x + j + i;
                const double* xm = x + j - i;
                for (int b = 0; b < kBlock; ++b) acc[b] += ci * (xp[b] - xm[b]);
            }
            for (int b = 0; b < kBlock; ++b) out[j + b] = acc[b] / Norm;
        }
        for (; j < n; ++j) {
            double acc = c0 * x[j];
            for (int i = 1; i <= h; ++i) acc += c[i] * (x[j + i] - x[j - i]);
            out[j] = acc / Norm;
        }
    }
}

#if defined(__GNUC__) || defined(__clang__)
// Four doubles: one AVX register, two SSE2 registers on the baseline. Loads and stores go through
// memcpy (unaligned, no aliasing questions) inside the loop bodies: a function returning the
// vector type by value would have a different ABI per instruction set.
typedef double v4d __attribute__((vector_size(32)));
#endif

OZM_ALWAYS_INLINE void CorrelateRowBody(const double* const* rows, const double* const* k, int K,
                                        double* out, std::ptrdiff_t n) noexcept {
    std::ptrdiff_t j = 0;
#if defined(__GNUC__) || defined(__clang__)
    for (; j + kBlock <= n; j += kBlock) {
        v4d a0 = {0, 0, 0, 0}, a1 = a0, a2 = a0, a3 = a0;
        for (int p = 0; p < K; ++p) {
            const double* kp = k[p];
            const double* src = rows[p] + j;
            for (int q = 0; q < K; ++q) {
                const double kq = kp[q];
                const v4d kv = {kq, kq, kq, kq};
                v4d x0, x1, x2, x3;
                __builtin_memcpy(&x0, src + q, sizeof x0);
                __builtin_memcpy(&x1, src + q + 4, sizeof x1);
                __builtin_memcpy(&x2, src + q + 8, sizeof x2);
                __builtin_memcpy(&x3, src + q + 12, sizeof x3);
                a0 += kv * x0;
                a1 += kv * x1;
                a2 += kv * x2;
                a3 += kv * x3;
            }
        }
        __builtin_memcpy(out + j, &a0, sizeof a0);
        __builtin_memcpy(out + j + 4, &a1, sizeof a1);
        __builtin_memcpy(out + j + 8, &a2, sizeof a2);
        __builtin_memcpy(out + j + 12, &a3, sizeof a3);
    }
#endif
    for (; j < n; ++j) {
        double acc = 0;
        for (int p = 0; p < K; ++p)
            for (int q = 0; q < K; ++q) acc += k[p][q] * rows[p][j + q];
        out[j] = acc;
    }
}

void SymmetricWindowBaseline(const double* x, double* out, std::ptrdiff_t n, const double* c, int h,
                             bool Anti, double Norm) noexcept {
    SymmetricWindowBody(x, out, n, c, h, Anti, Norm);
}
void CorrelateRowBaseline(const double* const* rows, const double* const* k, int K, double* out,
                          std::ptrdiff_t n) noexcept {
    CorrelateRowBody(rows, k, K, out, n);
}

#if defined(OZM_FILTER_X86_DISPATCH)
__attribute__((target("avx2"))) void SymmetricWindowAVX2(const double* x, double* out,
                                                         std::ptrdiff_t n, const double* c, int h,
                                                         bool Anti, double Norm) noexcept {
    SymmetricWindowBody(x, out, n, c, h, Anti, Norm);
}
__attribute__((target("avx2"))) void CorrelateRowAVX2(const double* const* rows,
                                                      const double* const* k, int K, double* out,
                                                      std::ptrdiff_t n) noexcept {
    CorrelateRowBody(rows, k, K, out, n);
}
__attribute__((target("avx512f"))) void SymmetricWindowAVX512(const double* x, double* out,
                                                              std::ptrdiff_t n, const double* c,
                                                              int h, bool Anti,
                                                              double Norm) noexcept {
    SymmetricWindowBody(x, out, n, c, h, Anti, Norm);
}
__attribute__((target("avx512f"))) void CorrelateRowAVX512(const double* const* rows,
                                                           const double* const* k, int K,
                                                           double* out, std::ptrdiff_t n) noexcept {
    CorrelateRowBody(rows, k, K, out, n);
}
#endif

TSimdLevel Detect() noexcept {
#if defined(OZM_FILTER_X86_DISPATCH)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return TSimdLevel::AVX512;
    if (__builtin_cpu_supports("avx2")) return TSimdLevel::AVX2;
#endif
    return TSimdLevel::Baseline;
}

std::atomic<int>& ActiveLevelStore() noexcept {
    static std::atomic<int> level{static_cast<int>(Detect())};
    return level;
}

}  // namespace

TSimdLevel DetectedSimdLevel() noexcept {
    static const TSimdLevel detected = Detect();
    return detected;
}

TSimdLevel ActiveSimdLevel() noexcept {
    return static_cast<TSimdLevel>(ActiveLevelStore().load(std::memory_order_relaxed));
}

TSimdLevel ForceSimdLevel(TSimdLevel Level) noexcept {
    const int wanted = static_cast<int>(Level);
    const int best = static_cast<int>(DetectedSimdLevel());
    const int level = wanted < 0 ? 0 : (wanted > best ? best : wanted);
    ActiveLevelStore().store(level, std::memory_order_relaxed);
    return static_cast<TSimdLevel>(level);
}

void SymmetricWindow(const double* x, double* out, std::ptrdiff_t n, const double* c, int h,
                     bool Antisymmetric, double Norm) noexcept {
    switch (ActiveSimdLevel()) {
#if defined(OZM_FILTER_X86_DISPATCH)
        case TSimdLevel::AVX512:
            return SymmetricWindowAVX512(x, out, n, c, h, Antisymmetric, Norm);
        case TSimdLevel::AVX2:
            return SymmetricWindowAVX2(x, out, n, c, h, Antisymmetric, Norm);
#endif
        default:
            return SymmetricWindowBaseline(x, out, n, c, h, Antisymmetric, Norm);
    }
}

void CorrelateRow(const double* const* rows, const double* const* k, int K, double* out,
                  std::ptrdiff_t n) noexcept {
    switch (ActiveSimdLevel()) {
#if defined(OZM_FILTER_X86_DISPATCH)
        case TSimdLevel::AVX512:
            return CorrelateRowAVX512(rows, k, K, out, n);
        case TSimdLevel::AVX2:
            return CorrelateRowAVX2(rows, k, K, out, n);
#endif
        default:
            return CorrelateRowBaseline(rows, k, K, out, n);
    }
}

}  // namespace ozm::math2::detail
