// Parenthesis balance of expression text.
#include <climits>
#include <cstddef>

#include "ozm/math2.hpp"

namespace ozm::math2 {

int CheckParanthInExp(std::string_view Expression) noexcept {
    // The depth counts in 64 bits: a text of more than 2^31 "(" must not wrap to a negative depth.
    long long depth = 0;
    for (size_t i = 0; i < Expression.size(); ++i) {
        if (Expression[i] == '(') {
            ++depth;
        } else if (Expression[i] == ')') {
            if (depth == 0) return i + 1 > static_cast<size_t>(INT_MAX) ? INT_MIN : -static_cast<int>(i + 1);
            --depth;
        }
    }
    return depth > INT_MAX ? INT_MAX : static_cast<int>(depth);
}

}  // namespace ozm::math2
