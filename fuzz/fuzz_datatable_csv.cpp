// Fuzz target of the data-table CSV reader. The first byte chooses separator, decimal point,
// header and row names; the rest is the CSV text, read from memory. Whatever reads successfully
// must write and read back to the same table (names, types, states, numeric values).
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ozm/datatable.hpp"

using namespace ozm;

namespace {

void RequireSame(const TDataTable& a, const TDataTable& b) {
    if (a.NrOfColumns() != b.NrOfColumns() || a.NrOfRows() != b.NrOfRows()) std::abort();
    for (int c = 1; c <= a.NrOfColumns(); ++c) {
        if (a.GetColName(c) != b.GetColName(c) || a.GetMScaleType(c) != b.GetMScaleType(c))
            std::abort();
        for (int r = 1; r <= a.NrOfRows(); ++r) {
            // Cells that are no numbers (empty or invalid text) are written as empty fields.
            if (a.GetIsNumber(c, r) != b.GetIsNumber(c, r)) std::abort();
            if (!a.GetIsNumber(c, r)) continue;
            if (a.GetMScaleType(c) == TMScaleType::stNominal) {
                if (a.GetElemNominal(c, r) != b.GetElemNominal(c, r)) std::abort();
                continue;
            }
            const double x = a.GetElem(c, r), y = b.GetElem(c, r);
            if (std::isnan(x) ? !std::isnan(y) : std::bit_cast<uint64_t>(x) != std::bit_cast<uint64_t>(y))
                std::abort();
        }
    }
    for (int r = 1; r <= a.NrOfRows(); ++r)
        if (a.GetRowName(r) != b.GetRowName(r)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size < 1) return 0;
    static const char kSeparators[] = {',', ';', '\t', '|'};
    TCsvOptions o;
    o.Separator = kSeparators[Data[0] & 3];
    o.DecimalPoint = (Data[0] & 4) ? ',' : '.';
    o.HasHeader = (Data[0] & 8) == 0;
    o.HasRowNames = (Data[0] & 16) != 0;
    const std::string_view text(reinterpret_cast<const char*>(Data + 1), Size - 1);
    TDataTable t;
    const int rc = t.ReadFromCSVString(text, o);
    if (rc != 0) {
        if (t.NrOfColumns() != 1 || t.NrOfRows() != 1) std::abort();  // nothing half-loaded
        return 0;
    }
    TMemoryStream out;
    if (t.ExportAsCSV(out, o) != 0) std::abort();
    TDataTable back;
    const std::string_view written(reinterpret_cast<const char*>(out.Memory()),
                                   static_cast<size_t>(out.Size()));
    // Text that was a number in a column of texts becomes a category, and a category text that
    // looks like a number can turn its column numeric: only tables whose columns keep their
    // kind are compared.
    if (back.ReadFromCSVString(written, o) != 0) std::abort();
    bool same_kinds = back.NrOfColumns() == t.NrOfColumns();
    for (int c = 1; same_kinds && c <= t.NrOfColumns(); ++c)
        same_kinds = t.GetMScaleType(c) == back.GetMScaleType(c);
    if (same_kinds) RequireSame(t, back);
    return 0;
}
