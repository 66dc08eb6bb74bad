// The blocked matrix product behind Multiply, MultiplyTransposed, TransposeAndMultiply and the
// blocked factorisations.
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

// C (m x n, column-major with leading dimension ldc) += A (m x k) * B (k x n), or -= with
// Subtract. Every cell accumulates its k products one by one in increasing p, starting from its
// present value, exactly as the plain triple loop does, so results do not depend on the
// blocking. Work buffers are allocated per call (std::bad_alloc when memory is exhausted).
void GemmAccumulate(int m, int n, int k, TOperand A, TOperand B, double* C, ptrdiff_t ldc,
                    bool Subtract = false);

}  // namespace ozm::matrix::detail
