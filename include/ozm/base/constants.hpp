/// @file
/// Constants of the base module.
#pragma once

#include <cfloat>
#include <cstdint>
#include <limits>

namespace ozm {

constexpr double uc_MaxDouble = DBL_MAX;
constexpr double uc_MaxReal = DBL_MAX;  ///< the real type is the double
constexpr float uc_MaxSingle = FLT_MAX;
constexpr int64_t uc_MaxInt64 = std::numeric_limits<int64_t>::max();
constexpr double uc_sqrt2 = 1.41421356237309504880168872420969808;
/// 1 / sqrt(2 pi)
constexpr double uc_sqrt2pitom1 = 0.398942280401432677939946059934381868;

/// ln(n!) for n = 0..uc_LnFactorialMax, each the double nearest to the exact value.
constexpr int uc_LnFactorialMax = 1000;
extern const double uc_LnFactorial[uc_LnFactorialMax + 1];

}  // namespace ozm
