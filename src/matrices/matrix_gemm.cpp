// Cache- and register-blocked matrix product. The operands are packed into contiguous panels
// (MR rows of A, NR columns of B, KC deep) and a register-blocked micro-kernel updates one
// MR x NR tile of C per call. The micro-kernel loads the tile of C first and adds the products in
// increasing p, so each cell sees exactly the sequence of roundings of the plain loop.
//
// With GCC and Clang the micro-kernel is written with generic vector types, which the compiler
// maps to the vector registers of any target (two SSE2 registers per four doubles on baseline
// x86-64); other compilers get the same arithmetic in scalar form.
#include "matrices/matrix_gemm.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace ozm::matrix::detail {

namespace {

constexpr int MR = 4;     // rows of a register tile
constexpr int NR = 4;     // columns of a register tile
constexpr int KC = 256;   // depth of a packed panel (B micro-panel stays in L1)
constexpr int MC = 128;   // rows of a packed block of A (stays in L2)
constexpr int NC = 2048;  // columns of a packed block of B

#if defined(__GNUC__) || defined(__clang__)
#define OZM_GEMM_VECTOR_KERNEL 1
typedef double v2d __attribute__((vector_size(16)));

inline v2d Load2(const double* p) noexcept {
    v2d v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void Store2(double* p, v2d v) noexcept { std::memcpy(p, &v, sizeof v); }
#endif

// C tile (MR x NR, leading dimension ldc) += packed A panel * packed B panel over kc.
inline void MicroKernel(int kc, const double* ap, const double* bp, double* c, ptrdiff_t ldc) {
#if defined(OZM_GEMM_VECTOR_KERNEL)
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
        ap += MR;
        bp += NR;
    }
    Store2(c, c00);
    Store2(c + 2, c01);
    Store2(c + ldc, c10);
    Store2(c + ldc + 2, c11);
    Store2(c + 2 * ldc, c20);
    Store2(c + 2 * ldc + 2, c21);
    Store2(c + 3 * ldc, c30);
    Store2(c + 3 * ldc + 2, c31);
#else
    double acc[NR][MR];
    for (int j = 0; j < NR; ++j)
        for (int i = 0; i < MR; ++i) acc[j][i] = c[j * ldc + i];
    for (int p = 0; p < kc; ++p) {
        for (int j = 0; j < NR; ++j)
            for (int i = 0; i < MR; ++i) acc[j][i] += ap[i] * bp[j];
        ap += MR;
        bp += NR;
    }
    for (int j = 0; j < NR; ++j)
        for (int i = 0; i < MR; ++i) c[j * ldc + i] = acc[j][i];
#endif
}

// Packs rows [i0, i0 + mc) and depths [p0, p0 + kc) of A into panels of MR rows, zero-padded;
// negated when subtracting (negation is exact, so c - a*b and c + (-a)*b round alike).
void PackA(const TOperand& A, int i0, int mc, int p0, int kc, bool negate, double* out) {
    for (int ip = 0; ip < mc; ip += MR) {
        const int rows = std::min(MR, mc - ip);
        for (int p = 0; p < kc; ++p) {
            const double* src = A.base + (i0 + ip) * A.rs + (p0 + p) * A.cs;
            int i = 0;
            if (negate)
                for (; i < rows; ++i) out[i] = -src[i * A.rs];
            else
                for (; i < rows; ++i) out[i] = src[i * A.rs];
            for (; i < MR; ++i) out[i] = 0.0;
            out += MR;
        }
    }
}

// Packs depths [p0, p0 + kc) and columns [j0, j0 + nc) of B into panels of NR columns.
void PackB(const TOperand& B, int p0, int kc, int j0, int nc, double* out) {
    for (int jp = 0; jp < nc; jp += NR) {
        const int cols = std::min(NR, nc - jp);
        for (int p = 0; p < kc; ++p) {
            const double* src = B.base + (p0 + p) * B.rs + (j0 + jp) * B.cs;
            int j = 0;
            for (; j < cols; ++j) out[j] = src[j * B.cs];
            for (; j < NR; ++j) out[j] = 0.0;
            out += NR;
        }
    }
}

// The plain loop, for products too small to repay the packing.
void SmallProduct(int m, int n, int k, const TOperand& A, const TOperand& B, double* C,
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

struct AlignedFree {
    void operator()(double* p) const noexcept { ::operator delete[](p, std::align_val_t{64}); }
};
using AlignedBuffer = std::unique_ptr<double[], AlignedFree>;

AlignedBuffer NewBuffer(size_t n) {
    return AlignedBuffer(static_cast<double*>(::operator new[](n * sizeof(double), std::align_val_t{64})));
}

}  // namespace

void GemmAccumulate(int m, int n, int k, TOperand A, TOperand B, double* C, ptrdiff_t ldc,
                    bool Subtract) {
    if (m <= 0 || n <= 0 || k <= 0) return;
    if (static_cast<double>(m) * n * k <= 32.0 * 32.0 * 32.0 || m < MR || n < NR) {
        SmallProduct(m, n, k, A, B, C, ldc, Subtract);
        return;
    }
    const int mcMax = std::min(MC, (m + MR - 1) / MR * MR);
    const int ncMax = std::min(NC, (n + NR - 1) / NR * NR);
    const int kcMax = std::min(KC, k);
    AlignedBuffer packedA = NewBuffer(static_cast<size_t>(mcMax) * kcMax);
    AlignedBuffer packedB = NewBuffer(static_cast<size_t>(ncMax) * kcMax);
    double tile[MR * NR];

    for (int jc = 0; jc < n; jc += NC) {
        const int nc = std::min(NC, n - jc);
        // Depth blocks in increasing order: each cell receives its products in increasing p.
        for (int pc = 0; pc < k; pc += KC) {
            const int kc = std::min(KC, k - pc);
            PackB(B, pc, kc, jc, nc, packedB.get());
            for (int ic = 0; ic < m; ic += MC) {
                const int mc = std::min(MC, m - ic);
                PackA(A, ic, mc, pc, kc, Subtract, packedA.get());
                for (int jr = 0; jr < nc; jr += NR) {
                    const int nr = std::min(NR, nc - jr);
                    const double* bp = packedB.get() + static_cast<ptrdiff_t>(jr) * kc;
                    for (int ir = 0; ir < mc; ir += MR) {
                        const int mr = std::min(MR, mc - ir);
                        const double* ap = packedA.get() + static_cast<ptrdiff_t>(ir) * kc;
                        double* c = C + (ic + ir) + (jc + jr) * ldc;
                        if (mr == MR && nr == NR) {
                            MicroKernel(kc, ap, bp, c, ldc);
                            continue;
                        }
                        // Edge tile: work on a full copy so the kernel never leaves C.
                        for (int j = 0; j < NR; ++j)
                            for (int i = 0; i < MR; ++i)
                                tile[j * MR + i] = (i < mr && j < nr) ? c[i + j * ldc] : 0.0;
                        MicroKernel(kc, ap, bp, tile, MR);
                        for (int j = 0; j < nr; ++j)
                            for (int i = 0; i < mr; ++i) c[i + j * ldc] = tile[j * MR + i];
                    }
                }
            }
        }
    }
}

}  // namespace ozm::matrix::detail
