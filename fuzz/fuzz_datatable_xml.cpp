// Fuzz target of the data-table XML readers: the stream reader and the string reader must agree,
// the stream must stand within its bounds afterwards, and whatever reads successfully must write
// and read back to exactly the same table.
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
    if (a.Comment() != b.Comment()) std::abort();
    if (a.CRCofNamesAndAttributes() != b.CRCofNamesAndAttributes()) std::abort();
    if (a.CRCofCellStates() != b.CRCofCellStates()) std::abort();
    for (int c = 1; c <= a.NrOfColumns(); ++c)
        for (int r = 1; r <= a.NrOfRows(); ++r) {
            const double x = a.NumericData()->GetVal(c, r), y = b.NumericData()->GetVal(c, r);
            if (std::isnan(x) ? !std::isnan(y) : std::bit_cast<uint64_t>(x) != std::bit_cast<uint64_t>(y))
                std::abort();
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TMemoryStream in;
    in.WriteBuffer(Data, static_cast<int64_t>(Size));
    in.SetPosition(0);
    TDataTable from_stream;
    const bool stream_ok = from_stream.ReadFromXMLStream(in);
    if (in.Position() < 0 || in.Position() > in.Size()) std::abort();
    TDataTable from_string;
    const bool string_ok = from_string.ReadFromXMLString(
        std::string_view(reinterpret_cast<const char*>(Data), Size));
    if (stream_ok != string_ok) std::abort();
    if (!stream_ok) {
        if (from_stream.NrOfColumns() != 1 || from_stream.NrOfRows() != 1) std::abort();
        return 0;
    }
    RequireSame(from_stream, from_string);
    TMemoryStream out;
    from_stream.WriteToXMLStream(out, true);
    out.SetPosition(0);
    TDataTable back;
    if (!back.ReadFromXMLStream(out)) std::abort();
    RequireSame(from_stream, back);
    return 0;
}
