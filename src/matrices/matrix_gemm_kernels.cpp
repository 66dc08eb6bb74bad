// The register kernels of the blocked product. The portable kernel is written with generic vector
// types (two SSE2 registers per four doubles on baseline x86-64) and keeps the rounding of the
// plain loop. On x86-64 the AVX2+FMA and AVX-512 kernels are compiled here with function target
// attributes, so the library itself needs no -m flag and runs on any x86-64 processor; they are
// only called after the processor has reported the instruction set.
//
// Every kernel keeps its tile of C in registers for the whole depth and adds the products in
// increasing depth, so each cell's sequence of roundings is fixed by the kernel alone.
#include "matrices/matrix_gemm_kernels.hpp"

#include <cmath>
#include <cstring>

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define OZM_GEMM_X86_KERNELS 1
#include <immintrin.h>
#endif

namespace ozm::matrix::detail {

namespace {

// --- portable: 4 x 4, plain multiply then add ---------------------------------------------------

#if defined(__GNUC__) || defined(__clang__)
typedef double v2d __attribute__((vector_size(16)));

inline v2d Load2(const double* p) noexcept {
    v2d v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void Store2(double* p, v2d v) noexcept { std::memcpy(p, &v, sizeof v); }

void MicroPortable(int kc, const double* ap, const double* bp, double* c, ptrdiff_t ldc) {
    v2d c00 = Load2(c), c01 = Load2(c + 2);
    v2d c10 = Load2(c + ldc), c11 = Load2(c + ldc + 2);
    v2d c20 = Load2(c + 2 * ldc), c21 = Load2(c + 2 * ldc + 2);
    v2d c30 = Load2(c + 3 * ldc), c31 = Load2(c + 3 * ldc + 2);
    for (int p = 0; p < kc; ++p) {
        const v2d a0 = Load2(ap);
        const v2d a1 = Load2(ap + 2);
        const v2d b0 = {bp[0], bp[0]};
        c00 += a0 * b0;
        c01 += a1 * b0;
        const v2d b1 = {bp[1], bp[1]};
        c10 += a0 * b1;
        c11 += a1 * b1;
        const v2d b2 = {bp[2], bp[2]};
        c20 += a0 * b2;
        c21 += a1 * b2;
        const v2d b3 = {bp[3], bp[3]};
        c30 += a0 * b3;
        c31 += a1 * b3;
        ap += 4;
        bp += 4;
    }
    Store2(c, c00);
    Store2(c + 2, c01);
    Store2(c + ldc, c10);
    Store2(c + ldc + 2, c11);
    Store2(c + 2 * ldc, c20);
    Store2(c + 2 * ldc + 2, c21);
    Store2(c + 3 * ldc, c30);
    Store2(c + 3 * ldc + 2, c31);
}
#else
void MicroPortable(int kc, const double* ap, const double* bp, double* c, ptrdiff_t ldc) {
    double acc[4][4];
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) acc[j][i] = c[j * ldc + i];
    for (int p = 0; p < kc; ++p) {
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i) acc[j][i] += ap[i] * bp[j];
        ap += 4;
        bp += 4;
    }
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) c[j * ldc + i] = acc[j][i];
}
#endif

void SmallPortable(int m, int n, int k, const TOperand& A, const TOperand& B, double* C,
                   ptrdiff_t ldc, bool subtract) {
    for (int j = 0; j < n; ++j) {
        double* cj = C + j * ldc;
        for (int p = 0; p < k; ++p) {
            const double b = B.base[p * B.rs + j * B.cs];
            const double* ap = A.base + p * A.cs;
            if (subtract)
                for (int i = 0; i < m; ++i) cj[i] -= ap[i * A.rs] * b;
            else
                for (int i = 0; i < m; ++i) cj[i] += ap[i * A.rs] * b;
        }
    }
}

#if defined(OZM_GEMM_X86_KERNELS)

// The plain loop with one fused multiply-add per step, as the FMA kernels round. Subtraction
// negates the product exactly: c - a*b = fma(-a, b, c).
__attribute__((target("fma"))) void SmallFma(int m, int n, int k, const TOperand& A,
                                             const TOperand& B, double* C, ptrdiff_t ldc,
                                             bool subtract) {
    for (int j = 0; j < n; ++j) {
        double* cj = C + j * ldc;
        for (int p = 0; p < k; ++p) {
            const double b = subtract ? -B.base[p * B.rs + j * B.cs] : B.base[p * B.rs + j * B.cs];
            const double* ap = A.base + p * A.cs;
            for (int i = 0; i < m; ++i) cj[i] = __builtin_fma(ap[i * A.rs], b, cj[i]);
        }
    }
}

// --- AVX2 + FMA: 8 x 6 (two 4-wide registers per column, 12 accumulators) ----------------------

__attribute__((target("avx2,fma"))) void MicroAvx2(int kc, const double* ap, const double* bp,
                                                   double* c, ptrdiff_t ldc) {
    constexpr int NR = 6;
    __m256d lo[NR], hi[NR];
#pragma GCC unroll 6
    for (int j = 0; j < NR; ++j) {
        lo[j] = _mm256_loadu_pd(c + j * ldc);
        hi[j] = _mm256_loadu_pd(c + j * ldc + 4);
    }
    for (int p = 0; p < kc; ++p) {
        const __m256d a0 = _mm256_load_pd(ap);
        const __m256d a1 = _mm256_load_pd(ap + 4);
#pragma GCC unroll 6
        for (int j = 0; j < NR; ++j) {
            const __m256d b = _mm256_broadcast_sd(bp + j);
            lo[j] = _mm256_fmadd_pd(a0, b, lo[j]);
            hi[j] = _mm256_fmadd_pd(a1, b, hi[j]);
        }
        ap += 8;
        bp += NR;
    }
#pragma GCC unroll 6
    for (int j = 0; j < NR; ++j) {
        _mm256_storeu_pd(c + j * ldc, lo[j]);
        _mm256_storeu_pd(c + j * ldc + 4, hi[j]);
    }
}

// --- AVX-512: 16 x 12 (two 8-wide registers per column, 24 accumulators) -----------------------

__attribute__((target("avx512f"))) void MicroAvx512(int kc, const double* ap, const double* bp,
                                                    double* c, ptrdiff_t ldc) {
    constexpr int NR = 12;
    __m512d lo[NR], hi[NR];
#pragma GCC unroll 12
    for (int j = 0; j < NR; ++j) {
        lo[j] = _mm512_loadu_pd(c + j * ldc);
        hi[j] = _mm512_loadu_pd(c + j * ldc + 8);
    }
    for (int p = 0; p < kc; ++p) {
        const __m512d a0 = _mm512_load_pd(ap);
        const __m512d a1 = _mm512_load_pd(ap + 8);
#pragma GCC unroll 12
        for (int j = 0; j < NR; ++j) {
            const __m512d b = _mm512_set1_pd(bp[j]);
            lo[j] = _mm512_fmadd_pd(a0, b, lo[j]);
            hi[j] = _mm512_fmadd_pd(a1, b, hi[j]);
        }
        ap += 16;
        bp += NR;
    }
#pragma GCC unroll 12
    for (int j = 0; j < NR; ++j) {
        _mm512_storeu_pd(c + j * ldc, lo[j]);
        _mm512_storeu_pd(c + j * ldc + 8, hi[j]);
    }
}

#endif  // OZM_GEMM_X86_KERNELS

constexpr TKernelSpec kPortable{4, 4, MicroPortable, SmallPortable};
#if defined(OZM_GEMM_X86_KERNELS)
constexpr TKernelSpec kAvx2{8, 6, MicroAvx2, SmallFma};
constexpr TKernelSpec kAvx512{16, 12, MicroAvx512, SmallFma};
#endif

}  // namespace

bool KernelSupported(TGemmKernel Kernel) noexcept {
    switch (Kernel) {
        case TGemmKernel::gkPortable:
            return true;
#if defined(OZM_GEMM_X86_KERNELS)
        case TGemmKernel::gkAvx2Fma:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
        case TGemmKernel::gkAvx512:
            return __builtin_cpu_supports("avx512f");
#else
        case TGemmKernel::gkAvx2Fma:
        case TGemmKernel::gkAvx512:
            return false;
#endif
    }
    return false;
}

const TKernelSpec& KernelSpec(TGemmKernel Kernel) noexcept {
#if defined(OZM_GEMM_X86_KERNELS)
    if (Kernel == TGemmKernel::gkAvx512 && KernelSupported(Kernel)) return kAvx512;
    if (Kernel == TGemmKernel::gkAvx2Fma && KernelSupported(Kernel)) return kAvx2;
#else
    (void)Kernel;
#endif
    return kPortable;
}

}  // namespace ozm::matrix::detail
