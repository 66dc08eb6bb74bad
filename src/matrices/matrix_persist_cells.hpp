// How the file formats of the matrix core meet the cells: the text of a cell, the conversion of
// a value read, and the hand-over to a matrix in dense or sparse form. Included by the persistence
// sources of the core; the members are instantiated where they are used.
#pragma once

#include <charconv>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "ozm/matrix.hpp"
#include "vectors/vector_impl.hpp"

namespace ozm {

namespace matrix::detail {

// A real read from a stream or record file as a cell: doubles as IEEE arithmetic rounds them
// (an extended real beyond the double range becomes the largest double or infinite), integers
// rounded to nearest (ties to even); false for an integer cell when the value is not finite or
// lies outside the 32-bit range.
template <typename TCell>
bool CellFromReal(long double Value, TCell& Cell) noexcept {
    return vecimpl::CellFromReal(Value, Cell);
}
// A text field as a cell (the same rules after parsing the number).
template <typename TCell>
bool CellFromText(std::string_view Text, TCell& Cell) noexcept {
    return vecimpl::CellFromText(Text, Cell);
}

// Room for every cell text (that of 25 decimals of the largest double included).
inline constexpr size_t kCellChars = 512;
// The text of CellText at Out (kCellChars characters of room); returns its end.
char* CellChars(char* Out, double Value, int Precision1, int Precision2) noexcept;

// FormatCell(Value) of M appended to Line, without a string per cell.
template <typename TSelf, typename TCell>
void AppendCellText(const TSelf& M, std::string& Line, TCell Value) {
    char buffer[kCellChars];
    char* end;
    if constexpr (std::is_floating_point_v<TCell>)
        end = CellChars(buffer, Value, M.GetFPrecis(1), M.GetFPrecis(2));
    else
        end = std::to_chars(buffer, buffer + sizeof buffer, Value).ptr;  // as std::to_string
    Line.append(buffer, end);
}

}  // namespace matrix::detail

template <typename TCell, typename TSelf>
std::string TMatrixCore<TCell, TSelf>::FormatCell(TCell Value) const {
    if constexpr (std::is_floating_point_v<TCell>)
        return matrix::CellText(Value, Self().GetFPrecis(1), Self().GetFPrecis(2));
    else
        return std::to_string(Value);
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::PutReadCell(int64_t Nc, int64_t Nr, TCell Value) {
    if constexpr (TSelf::kHasSparseForm)
        if (SparseNow()) return Self().SparsePut(Nc, Nr, Value);
    if (Nc >= 1 && Nc <= FNCol && Nr >= 1 && Nr <= FNRow)
        FData[CellIndex(static_cast<int>(Nc), static_cast<int>(Nr))] = Value;
    return true;
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::AdoptRead(std::vector<TCell>&& Cells, int Nc, int Nr) {
    if constexpr (TSelf::kHasSparseForm) {
        if (SparseNow()) {
            Self().TakeCellsAsSparse(Cells, Nc, Nr);
            return;
        }
    }
    AdoptStorage(std::move(Cells), Nc, Nr);
}

template <typename TCell, typename TSelf>
const TSelf& TMatrixCore<TCell, TSelf>::DenseView(std::unique_ptr<TSelf>& Holder) const {
    if constexpr (TSelf::kHasSparseForm) {
        if (SparseNow()) {
            Holder = Self().DenseCopy();
            return *Holder;
        }
    }
    return Self();
}

}  // namespace ozm
