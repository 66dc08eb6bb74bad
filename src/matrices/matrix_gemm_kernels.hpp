// The register kernels of the blocked product, one per instruction set (matrix_gemm_kernels.cpp).
#pragma once

#include <cstddef>

#include "matrices/matrix_gemm.hpp"

namespace ozm::matrix::detail {

// C tile (mr x nr, leading dimension ldc) += packed A panel (mr rows per depth step) * packed B
// panel (nr columns per depth step) over kc depth steps, in increasing depth.
using TMicroKernel = void (*)(int kc, const double* ap, const double* bp, double* c,
                              ptrdiff_t ldc);
// The plain loop with the kernel's rounding, for products too small to repay the packing.
using TSmallProduct = void (*)(int m, int n, int k, const TOperand& A, const TOperand& B,
                               double* C, ptrdiff_t ldc, bool subtract);

struct TKernelSpec {
    int mr;  // rows of a register tile (a divisor of the driver's MC)
    int nr;  // columns of a register tile
    TMicroKernel micro;
    TSmallProduct small;
};

// The largest mr * nr of the kernels, for the driver's edge tile.
constexpr int kMaxTileCells = 16 * 12;

// Whether the processor (and the compiler) can run the kernel.
bool KernelSupported(TGemmKernel Kernel) noexcept;
// The kernel's tile and functions; an unsupported kernel gives the portable one.
const TKernelSpec& KernelSpec(TGemmKernel Kernel) noexcept;

}  // namespace ozm::matrix::detail
