/// @file
/// Constants of the base module.
#pragma once

#include <cfloat>
#include <cstdint>
#include <limits>

namespace ozm {

/// The largest double.
constexpr double uc_MaxDouble = DBL_MAX;
constexpr double uc_MaxReal = DBL_MAX;  ///< the real type is the double
/// The largest float.
constexpr float uc_MaxSingle = FLT_MAX;
/// The largest 64-bit integer.
constexpr int64_t uc_MaxInt64 = std::numeric_limits<int64_t>::max();
/// sqrt(2).
constexpr double uc_sqrt2 = 1.41421356237309504880168872420969808;
/// 1 / sqrt(2 pi)
constexpr double uc_sqrt2pitom1 = 0.398942280401432677939946059934381868;

/// ln(n!) for n = 0..uc_LnFactorialMax, each the double nearest to the exact value.
constexpr int uc_LnFactorialMax = 1000;
/// The table of ln(n!).
extern const double uc_LnFactorial[uc_LnFactorialMax + 1];

}  // namespace ozm
