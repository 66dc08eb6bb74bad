// Fuzz target of the data-table ASC reader, fed from a memory stream. Whatever reads successfully
// must write and read back to the same table as far as the format carries it.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "ozm/datatable.hpp"

using namespace ozm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TMemoryStream in;
    in.WriteBuffer(Data, static_cast<int64_t>(Size));
    in.SetPosition(0);
    TDataTable t;
    if (t.ReadFromASC(in) != 0) {
        if (t.NrOfColumns() != 1 || t.NrOfRows() != 1) std::abort();  // nothing half-loaded
        return 0;
    }
    TMemoryStream out;
    t.ExportAsASC(out, "fuzz");
    out.SetPosition(0);
    TDataTable back;
    if (back.ReadFromASC(out) != 0) std::abort();
    if (back.NrOfColumns() != t.NrOfColumns() || back.NrOfRows() != t.NrOfRows()) std::abort();
    if (back.CRCofCellStates() != t.CRCofCellStates()) std::abort();
    for (int r = 1; r <= t.NrOfRows(); ++r)
        if (back.GetRowAttrib(r) != t.GetRowAttrib(r)) std::abort();
    for (int c = 1; c <= t.NrOfColumns(); ++c)
        for (int r = 1; r <= t.NrOfRows(); ++r) {
            if (!t.GetIsNumber(c, r)) continue;
            if (t.GetMScaleType(c) == TMScaleType::stNominal) {
                if (t.GetElemNominal(c, r) != back.GetElemNominal(c, r)) std::abort();
                continue;
            }
            const double x = t.GetElem(c, r), y = back.GetElem(c, r);
            if (std::isnan(x)) continue;  // NAN is the format's missing value
            if (std::bit_cast<uint64_t>(x) != std::bit_cast<uint64_t>(y)) std::abort();
        }
    return 0;
}
