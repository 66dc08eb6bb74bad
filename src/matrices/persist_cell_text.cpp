// Cell text of the matrix text writers under the matrix's precision settings.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "matrices/matrix_persist_cells.hpp"
#include "ozm/matrix/persist.hpp"
#include "platform/numtext_chars.hpp"

namespace ozm::matrix {

namespace detail {

char* CellChars(char* Out, double Value, int Precision1, int Precision2) noexcept {
    if (Precision2 >= 0) return ozm::detail::FixedChars(Out, Value, std::min(Precision2, 25));
    if (!std::isfinite(Value)) return ozm::detail::FixedChars(Out, Value, 0);  // NAN, +INF, -INF
    if (Precision1 <= 0) return ozm::detail::ShortestChars(Out, Value);
    // 17 significant digits identify every double; more would only add noise digits.
    return std::to_chars(Out, Out + kCellChars, Value, std::chars_format::general,
                         std::min(Precision1, 17))
        .ptr;
}

}  // namespace detail

std::string CellText(double Value, int Precision1, int Precision2) {
    char buffer[detail::kCellChars];
    return std::string(buffer, detail::CellChars(buffer, Value, Precision1, Precision2));
}

}  // namespace ozm::matrix
