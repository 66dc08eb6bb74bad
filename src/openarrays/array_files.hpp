// Pieces shared by the text and the binary array files: element kinds, the extents stated by a
// file and the check that a file can hold them.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

#include "openarrays/shape.hpp"
#include "ozm/openarrays/files.hpp"

namespace ozm::openarrays::detail {

inline constexpr std::string_view kTextSignature = "OZMARRAY";
inline constexpr int kTextVersion = 1;
inline constexpr std::string_view kKindNameDouble = "DOUBLE";
inline constexpr std::string_view kKindNameInteger = "INTEGER";

template <class T>
constexpr TArrayFileKind KindOf() {
    if constexpr (std::is_same_v<T, double>)
        return TArrayFileKind::afDouble;
    else
        return TArrayFileKind::afInteger;
}

inline size_t CellSize(TArrayFileKind kind) { return kind == TArrayFileKind::afDouble ? 8 : 4; }

// Number of cells of the stated extents, or 0 when an extent is below 1 or the product exceeds
// limit (checked step by step, so it cannot overflow).
template <size_t R>
uint64_t CheckedCellCount(const std::array<int64_t, R>& extents, uint64_t limit) {
    uint64_t cells = 1;
    for (int64_t e : extents) {
        if (e < 1 || e > std::numeric_limits<int32_t>::max()) return 0;
        if (cells > limit / static_cast<uint64_t>(e)) return 0;
        cells *= static_cast<uint64_t>(e);
    }
    return cells;
}

// A rectangular array of the given (checked) extents.
template <class A, size_t R = kRank<A>>
A ArrayOfExtents(const std::array<int64_t, R>& extents) {
    Extents<R> e{};
    for (size_t d = 0; d < R; ++d) e[d] = static_cast<size_t>(extents[d]);
    return MakeArray<A>(e.data());
}

}  // namespace ozm::openarrays::detail
