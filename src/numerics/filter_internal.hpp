// Shared pieces of the filter and kernel routines: the one error path and the vector kernels
// that are compiled for several instruction sets and chosen at run time.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "ozm/platform/exceptions.hpp"

namespace ozm::math2::detail {

// Raises EOZMMath2Error "<Routine>: <Detail>".
[[noreturn]] inline void RaiseMath2(std::string_view Routine, std::string_view Detail) {
    std::string msg;
    msg.reserve(Routine.size() + 2 + Detail.size());
    msg.append(Routine).append(": ").append(Detail);
    throw EOZMMath2Error(msg);
}

// Vector instruction sets the hot kernels are built for. Every level forms each result by the
// same sequence of operations (no contraction into fused multiply-adds), so the levels agree bit
// for bit; they differ only in how many results are formed at once.
enum class TSimdLevel : int { Baseline = 0, AVX2 = 1, AVX512 = 2 };

// The best level this processor supports.
TSimdLevel DetectedSimdLevel() noexcept;
// The level in use (the detected one unless a test forced another).
TSimdLevel ActiveSimdLevel() noexcept;
// Forces Level (held to the detected level); returns the level now in use. For tests.
TSimdLevel ForceSimdLevel(TSimdLevel Level) noexcept;

// out[j] = (c[0] x[j] + sum over i = 1..h of c[i] (x[j + i] + Sign x[j - i])) / Norm for
// j = 0..n-1, Sign +1 (symmetric window) or -1 (antisymmetric); x must be readable from -h to
// n - 1 + h.
void SymmetricWindow(const double* x, double* out, std::ptrdiff_t n, const double* c, int h,
                     bool Antisymmetric, double Norm) noexcept;

// out[j] = sum over p = 0..K-1, q = 0..K-1 of k[p][q] * rows[p][j + q], j = 0..n-1, summed in
// the order (p, q) ascending. rows[p] must be readable from 0 to n - 1 + K - 1.
void CorrelateRow(const double* const* rows, const double* const* k, int K, double* out,
                  std::ptrdiff_t n) noexcept;

}  // namespace ozm::math2::detail

namespace ozm {
class TVector;
}

namespace ozm::math2::detail {

// The messages and the allowed window lengths of one window filter.
struct TWindowRoutine {
    std::string_view Name;
    std::string_view RangeDetail;  // after "<Name>: "
    std::string_view LengthDetail;
    std::string_view OddDetail;
    int MinW;
    int MaxW;
};

// Computes Count window values: out[j] is the value of the window centred at x[j], where x[-h]
// .. x[Count - 1 + h] are readable.
using TWindowCompute =
    std::function<void(const double* x, double* out, std::ptrdiff_t Count, int h)>;

// The frame the window filters share: argument checks, window placement, the ends and the
// notification (see ozm/math2/filters.hpp).
void RunWindowFilter(const TWindowRoutine& Routine, const TVector* SourceVec, int First, int Last,
                     int W, TVector* DestVec, const TWindowCompute& Compute);

}  // namespace ozm::math2::detail
