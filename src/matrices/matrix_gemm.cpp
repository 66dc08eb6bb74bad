// Cache- and register-blocked matrix product. The operands are packed into contiguous panels
// (MR rows of A, NR columns of B, KC deep) and a register-blocked micro-kernel updates one
// MR x NR tile of C per call. The micro-kernel loads the tile of C first and adds the products in
// increasing p, so each cell sees one fixed sequence of roundings whatever the blocking.
//
// The micro-kernels live in matrix_gemm_kernels.cpp, one per instruction set; the widest one the
// processor supports is chosen on first use. The blocking adapts to the kernel's tile.
#include "matrices/matrix_gemm.hpp"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>

#include "matrices/matrix_gemm_kernels.hpp"

namespace ozm::matrix::detail {

namespace {

constexpr int KC = 256;   // depth of a packed panel (a B micro-panel stays in L1)
constexpr int MC = 192;   // rows of a packed block of A (stays in L2); a multiple of every MR
constexpr int NC = 3072;  // columns of a packed block of B

static_assert(MC % 16 == 0 && MC % 8 == 0 && MC % 4 == 0);

TGemmKernel DetectKernel() noexcept {
    if (KernelSupported(TGemmKernel::gkAvx512)) return TGemmKernel::gkAvx512;
    if (KernelSupported(TGemmKernel::gkAvx2Fma)) return TGemmKernel::gkAvx2Fma;
    return TGemmKernel::gkPortable;
}

std::atomic<TGemmKernel>& ActiveSlot() noexcept {
    static std::atomic<TGemmKernel> active{DetectKernel()};
    return active;
}

// Packs rows [i0, i0 + mc) and depths [p0, p0 + kc) of A into panels of mr rows, zero-padded;
// negated when subtracting (negation is exact, so c - a*b and c + (-a)*b round alike).
void PackA(const TOperand& A, int i0, int mc, int p0, int kc, bool negate, int mr, double* out) {
    for (int ip = 0; ip < mc; ip += mr) {
        const int rows = std::min(mr, mc - ip);
        for (int p = 0; p < kc; ++p) {
            const double* src = A.base + (i0 + ip) * A.rs + (p0 + p) * A.cs;
            int i = 0;
            if (negate)
                for (; i < rows; ++i) out[i] = -src[i * A.rs];
            else
                for (; i < rows; ++i) out[i] = src[i * A.rs];
            for (; i < mr; ++i) out[i] = 0.0;
            out += mr;
        }
    }
}

// Packs depths [p0, p0 + kc) and columns [j0, j0 + nc) of B into panels of nr columns.
// When the depths of a column are adjacent in memory (a column-major B), each column is read
// front to back and scattered into the panel; otherwise each depth row is gathered.
void PackB(const TOperand& B, int p0, int kc, int j0, int nc, int nr, double* out) {
    for (int jp = 0; jp < nc; jp += nr) {
        const int cols = std::min(nr, nc - jp);
        if (B.rs == 1) {
            for (int j = 0; j < cols; ++j) {
                const double* src = B.base + p0 + (j0 + jp + j) * B.cs;
                for (int p = 0; p < kc; ++p) out[p * nr + j] = src[p];
            }
            for (int j = cols; j < nr; ++j)
                for (int p = 0; p < kc; ++p) out[p * nr + j] = 0.0;
            out += static_cast<ptrdiff_t>(kc) * nr;
            continue;
        }
        for (int p = 0; p < kc; ++p) {
            const double* src = B.base + (p0 + p) * B.rs + (j0 + jp) * B.cs;
            int j = 0;
            for (; j < cols; ++j) out[j] = src[j * B.cs];
            for (; j < nr; ++j) out[j] = 0.0;
            out += nr;
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

TGemmKernel ActiveGemmKernel() noexcept { return ActiveSlot().load(std::memory_order_relaxed); }

bool GemmKernelAvailable(TGemmKernel Kernel) noexcept { return KernelSupported(Kernel); }

bool ForceGemmKernel(TGemmKernel Kernel) noexcept {
    if (!KernelSupported(Kernel)) return false;
    ActiveSlot().store(Kernel, std::memory_order_relaxed);
    return true;
}

const char* GemmKernelName(TGemmKernel Kernel) noexcept {
    switch (Kernel) {
        case TGemmKernel::gkAvx2Fma:
            return "avx2+fma";
        case TGemmKernel::gkAvx512:
            return "avx512";
        case TGemmKernel::gkPortable:
            break;
    }
    return "portable";
}

void GemmAccumulate(int m, int n, int k, TOperand A, TOperand B, double* C, ptrdiff_t ldc,
                    bool Subtract) {
    if (m <= 0 || n <= 0 || k <= 0) return;
    const TKernelSpec& kernel = KernelSpec(ActiveGemmKernel());
    const int MR = kernel.mr;
    const int NR = kernel.nr;
    if (static_cast<double>(m) * n * k <= 32.0 * 32.0 * 32.0 || m < MR || n < NR) {
        kernel.small(m, n, k, A, B, C, ldc, Subtract);
        return;
    }
    const int mcMax = std::min(MC, (m + MR - 1) / MR * MR);
    const int ncMax = std::min((NC + NR - 1) / NR * NR, (n + NR - 1) / NR * NR);
    const int ncStep = ncMax;  // a multiple of NR, so only the last block has a ragged panel
    const int kcMax = std::min(KC, k);
    AlignedBuffer packedA = NewBuffer(static_cast<size_t>(mcMax) * kcMax);
    AlignedBuffer packedB = NewBuffer(static_cast<size_t>(ncMax) * kcMax);
    alignas(64) double tile[kMaxTileCells];

    for (int jc = 0; jc < n; jc += ncStep) {
        const int nc = std::min(ncStep, n - jc);
        // Depth blocks in increasing order: each cell receives its products in increasing p.
        for (int pc = 0; pc < k; pc += KC) {
            const int kc = std::min(KC, k - pc);
            PackB(B, pc, kc, jc, nc, NR, packedB.get());
            for (int ic = 0; ic < m; ic += MC) {
                const int mc = std::min(MC, m - ic);
                PackA(A, ic, mc, pc, kc, Subtract, MR, packedA.get());
                for (int jr = 0; jr < nc; jr += NR) {
                    const int nr = std::min(NR, nc - jr);
                    const double* bp = packedB.get() + static_cast<ptrdiff_t>(jr) * kc;
                    for (int ir = 0; ir < mc; ir += MR) {
                        const int mr = std::min(MR, mc - ir);
                        const double* ap = packedA.get() + static_cast<ptrdiff_t>(ir) * kc;
                        double* c = C + (ic + ir) + (jc + jr) * ldc;
                        if (mr == MR && nr == NR) {
                            kernel.micro(kc, ap, bp, c, ldc);
                            continue;
                        }
                        // Edge tile: work on a full copy so the kernel never leaves C.
                        for (int j = 0; j < NR; ++j)
                            for (int i = 0; i < MR; ++i)
                                tile[j * MR + i] = (i < mr && j < nr) ? c[i + j * ldc] : 0.0;
                        kernel.micro(kc, ap, bp, tile, MR);
                        for (int j = 0; j < nr; ++j)
                            for (int i = 0; i < mr; ++i) c[i + j * ldc] = tile[j * MR + i];
                    }
                }
            }
        }
    }
}

}  // namespace ozm::matrix::detail
