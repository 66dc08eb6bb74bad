// Fuzz target of the XML readers of the stack classes: the input is read as a TMat4D and as a
// TMat3D document from memory. Whatever reads must be written and read back to the same extents,
// identifier and cells (NaN payloads aside, which the text form does not keep).
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.hpp"

using namespace ozm;

namespace {

template <typename M>
size_t CellCount(const M& m);
template <>
size_t CellCount(const TMat4D& m) {
    return size_t(m.NrOfColumns()) * m.NrOfRows() * m.NrOfLayers() * m.NrOfTimeSlots();
}
template <>
size_t CellCount(const TMat3D& m) {
    return size_t(m.NrOfColumns()) * m.NrOfRows() * m.NrOfLayers();
}

template <typename M>
void RoundTrip(const uint8_t* Data, size_t Size) {
    TMemoryStream in;
    in.WriteBuffer(Data, static_cast<int64_t>(Size));
    in.SetPosition(0);
    M m;
    if (!m.ReadFromXMLStream(in)) return;
    if (!ozm::fuzzing::RoundTripWorthwhile(static_cast<int64_t>(CellCount(m)))) return;
    TMemoryStream out;
    m.WriteToXMLStream(out, true);
    out.SetPosition(0);
    M back;
    if (!back.ReadFromXMLStream(out)) std::abort();
    if (CellCount(m) != CellCount(back) || m.NrOfColumns() != back.NrOfColumns() ||
        m.NrOfRows() != back.NrOfRows() || m.DataID() != back.DataID())
        std::abort();
    for (size_t i = 0; i < CellCount(m); ++i) {
        const double a = m.Data()[i], b = back.Data()[i];
        if (std::isnan(a) ? !std::isnan(b) : std::bit_cast<uint64_t>(a) != std::bit_cast<uint64_t>(b))
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    RoundTrip<TMat4D>(Data, Size);
    RoundTrip<TMat3D>(Data, Size);
    return 0;
}
