// Cell text of the matrix text writers under the matrix's precision settings.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "ozm/matrix/persist.hpp"
#include "ozm/platform/numtext.hpp"

namespace ozm::matrix {

std::string CellText(double Value, int Precision1, int Precision2) {
    if (Precision2 >= 0) return FormatFixed(Value, 1, std::min(Precision2, 25));
    if (!std::isfinite(Value)) return FormatFixed(Value, 1, 0);  // NAN, +INF, -INF
    if (Precision1 <= 0) return FormatShortest(Value);
    // 17 significant digits identify every double; more would only add noise digits.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, Value,
                                      std::chars_format::general, std::min(Precision1, 17));
    return std::string(buffer, result.ptr);
}

}  // namespace ozm::matrix
