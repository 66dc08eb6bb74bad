// The inner loops of the self-organizing map: squared distances of one input to every neuron and
// the first minimum of them. The distance pass is compiled for the baseline instruction set and
// for AVX2 and AVX-512 and follows the level the numerics kernels chose
// (math2::detail::ActiveSimdLevel, which tests may force); every level performs the same
// operations per neuron, so the results agree bit for bit.
#pragma once

#include <cstddef>

namespace ozm::kohonen::detail {

// Dist[n] := sum over k = 0..Nin-1 of (W[k * N + n] - Row[k])^2, summed in the order of k, for
// n = 0..N-1 (W: one run of N neurons per input). Nin >= 1.
void SquaredDistances(const double* W, size_t N, size_t Nin, const double* Row,
                      double* Dist) noexcept;

// The index of the first n with Dist[n] < Dist[m] for no m: the result of scanning n = 1..N-1
// and taking n when Dist[n] < Dist[best] (best starting at 0), so a NaN is never taken and a NaN
// at 0 stays the result. N >= 1.
size_t FirstMinimum(const double* Dist, size_t N) noexcept;

}  // namespace ozm::kohonen::detail
