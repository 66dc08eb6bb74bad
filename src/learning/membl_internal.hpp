// Internals of the memory-based learner shared with its tests: the choice of the distance
// kernel of the neighbour search.
#pragma once

#include <cstddef>

namespace ozm::membl::detail {

// Forms of the block distance kernel. All give the same bits: the sums run in column order
// without fused operations and square roots are correctly rounded.
enum class TSearchKernel { Portable, SSE2, AVX2 };

// The kernel in use (the widest the processor runs, chosen once).
TSearchKernel SearchKernel() noexcept;
// Uses Kernel from now on (for the tests); false, nothing changed, when the processor or the
// build lacks it.
bool SetSearchKernel(TSearchKernel Kernel) noexcept;

}  // namespace ozm::membl::detail
