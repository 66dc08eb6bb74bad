// What the transform classes add to the component error path of the platform layer.
#pragma once

#include <string_view>

namespace ozm::transforms::detail {

inline constexpr std::string_view kMsgNotPowerOf2 = ": data length must be power of 2";

// True for n = 1, 2, 4, ...
constexpr bool IsPowerOfTwo(long long n) noexcept { return n > 0 && (n & (n - 1)) == 0; }

}  // namespace ozm::transforms::detail
