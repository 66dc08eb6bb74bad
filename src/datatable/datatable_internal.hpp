// Helpers shared by the source files of TDataTable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ozm/base/types.hpp"
#include "ozm/datatable.hpp"

namespace ozm::datatable::detail {

// Suspends notify events for the lifetime of the guard: the handlers are taken out of their slots
// and put back by the destructor, also when the operation throws, so a failure never leaves a
// caller's handler detached.
class TSuspendedEvents {
public:
    TSuspendedEvents(std::initializer_list<TNotifyEvent*> Slots) {
        FSaved.reserve(Slots.size());
        for (TNotifyEvent* slot : Slots) {
            FSaved.emplace_back(slot, std::move(*slot));
            *slot = nullptr;
        }
    }
    ~TSuspendedEvents() {
        for (auto& [slot, handler] : FSaved) *slot = std::move(handler);
    }
    TSuspendedEvents(const TSuspendedEvents&) = delete;
    TSuspendedEvents& operator=(const TSuspendedEvents&) = delete;

private:
    std::vector<std::pair<TNotifyEvent*, TNotifyEvent>> FSaved;
};

inline bool IsNumberState(uint8_t State) noexcept { return (State & (csInvalid | csEmpty)) == 0; }
inline bool IsMetric(TMScaleType T) noexcept {
    return T == TMScaleType::stInterval || T == TMScaleType::stRatio;
}
inline bool IsCategoricalType(TMScaleType T) noexcept {
    return T == TMScaleType::stNominal || T == TMScaleType::stOrdinal;
}

inline std::string DefaultColName(int k) { return "C-" + std::to_string(k); }
inline std::string DefaultRowName(int k) { return "R-" + std::to_string(k); }
inline std::string CutText(std::string_view Text, size_t Length) {
    return std::string(Text.substr(0, Length));
}
std::string LowerCase(std::string_view Text);

// The memory a table of Cols x Rows costs, counted in cells (one cell is a value and its state;
// a column or row also carries a name, an attribute and bookkeeping worth a few cells). Readers
// compare it with what their input can back before they allocate.
constexpr int64_t TableCost(int64_t Cols, int64_t Rows) noexcept {
    return Cols * (Rows + 16) + 8 * Rows;
}
// True when a table of Cols x Rows may be built from an input that backs Backed cells: at most
// max(2^20, Backed) cells of cost and both counts within the 32-bit range.
bool TableSizeIsBacked(int64_t Cols, int64_t Rows, int64_t Backed) noexcept;

// The scale type named Text (MScaleTypeNames, case ignored); false when none is.
bool ScaleTypeOfName(std::string_view Text, TMScaleType& Type) noexcept;

// Assigns the categories of one text column: Texts[r] is the text of row r (cut to 10 bytes,
// compared ignoring case), Slots[r] receives its slot (1-based, in order of first appearance) and
// Spec the identifiers. Rows with an empty text are skipped (Slots[r] = 0). False when the
// column has more than 150 categories.
bool AssignCategories(const std::vector<std::string_view>& Texts, std::vector<double>& Slots,
                      TVTypeSpec& Spec);

// The content of a table that a reader builds before the table takes it over: values per
// column, and every other array already of full size (Complete fills what the input left out).
struct TTableContent {
    int Cols = 0;
    int Rows = 0;
    std::string Comment;
    std::vector<std::vector<double>> Values;   // Cols columns of Rows values
    std::vector<std::vector<uint8_t>> States;  // Cols columns of Rows states
    std::vector<TVTypeSpec> Types;
    std::vector<TDTNameStr> ColNames, RowNames;
    std::vector<int32_t> ColAtt, RowAtt;

    // Sizes every array that is still empty to Cols or Rows, with the defaults of a resize.
    void Complete();
};

// Shortest text that reads back exactly; non-finite values as NAN, +INF, -INF.
void AppendNumber(std::string& Out, double Value);

}  // namespace ozm::datatable::detail
