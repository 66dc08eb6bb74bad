// The blocked matrix product behind Multiply, MultiplyTransposed, TransposeAndMultiply and the
// blocked factorisations, and the choice of its register kernel.
#pragma once

#include <cstddef>

namespace ozm::matrix::detail {

// A read-only operand seen through strides: element (i, p), 0-based, at base[i * rs + p * cs].
// A column-major matrix with ld rows is {base, 1, ld}; its transpose {base, ld, 1}.
struct TOperand {
    const double* base;
    ptrdiff_t rs;
    ptrdiff_t cs;
};

// The register kernels of the product, one per instruction set. What each guarantees for a cell
// c(i, j) that receives the k products a(i, p) b(p, j):
// - gkPortable (SSE2 on x86-64, plain arithmetic elsewhere): the products are added to the
//   present value one by one in increasing p, each product and each sum rounded, exactly as the
//   plain triple loop does; results are bit for bit those of that loop.
// - gkAvx2Fma and gkAvx512: the same order, but each step is one fused multiply-add (a single
//   rounding of c + a*b), as the loop `c = std::fma(a, b, c)` computes it. The error bound is the
//   plain loop's (at most k roundings, |error| <= k eps sum |a||b| to first order) or better, and
//   results are reproducible for a given kernel, independent of the blocking.
// Products below a small size take the plain loop whatever the kernel.
enum class TGemmKernel { gkPortable, gkAvx2Fma, gkAvx512 };

// The kernel in use: the widest one the processor supports, unless one was forced.
TGemmKernel ActiveGemmKernel() noexcept;
// Whether the processor (and the compiler that built the library) supports the kernel.
bool GemmKernelAvailable(TGemmKernel Kernel) noexcept;
// Makes every later product use Kernel (for tests and benchmarks, process-wide, not while a
// product runs); false, and no change, when it is not available.
bool ForceGemmKernel(TGemmKernel Kernel) noexcept;
// The kernel's name for reports: "portable", "avx2+fma", "avx512".
const char* GemmKernelName(TGemmKernel Kernel) noexcept;

// C (m x n, column-major with leading dimension ldc) += A (m x k) * B (k x n), or -= with
// Subtract. Every cell accumulates its k products one by one in increasing p, starting from its
// present value, with the rounding of the active kernel (see TGemmKernel), so results do not
// depend on the blocking. Work buffers are allocated per call (std::bad_alloc when memory is
// exhausted).
void GemmAccumulate(int m, int n, int k, TOperand A, TOperand B, double* C, ptrdiff_t ldc,
                    bool Subtract = false);

}  // namespace ozm::matrix::detail
