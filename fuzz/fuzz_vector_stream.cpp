// Fuzz target of the vector stream layout: the input, as a memory stream, is read into a TVector
// and a TIntVector, each with and without size adjustment. A load must never allocate beyond
// the bound its stream backs (2^20 elements or the elements present); what a double vector
// reads writes and reads back bit for bit.
#include <cstdint>

#include "fuzz_support.hpp"
#include "ozm/vector.hpp"

using namespace ozm;
using ozm::fuzzing::Require;

namespace {

template <typename V>
void LoadBoth(const uint8_t* Data, size_t Size, V& Adjusted) {
    for (const bool adjust : {true, false}) {
        TMemoryStream stream;
        stream.WriteBuffer(Data, static_cast<int64_t>(Size));
        stream.SetPosition(0);
        V fresh;
        V& target = adjust ? Adjusted : fresh;
        const int before = target.NrOfElem();
        const bool ok = target.LoadFromStream(stream, adjust);
        Require(stream.Position() <= stream.Size(), "stream position beyond the end");
        if (!adjust) Require(target.NrOfElem() == before, "a load without adjustment resized");
        Require(target.NrOfElem() == before ||
                    ozm::fuzzing::WithinAnnouncedBound(target.NrOfElem(), int64_t(Size), 10),
                "vector grown beyond what the stream backs");
        (void)ok;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TIntVector ints;
    LoadBoth(Data, Size, ints);

    TVector reals;
    LoadBoth(Data, Size, reals);
    TMemoryStream stream;
    stream.WriteBuffer(Data, static_cast<int64_t>(Size));
    stream.SetPosition(0);
    TVector v;
    if (v.LoadFromStream(stream, true) && ozm::fuzzing::RoundTripWorthwhile(v.NrOfElem())) {
        TMemoryStream written;
        v.SaveToStream(written, 0, 0);
        written.SetPosition(0);
        TVector back;
        Require(back.LoadFromStream(written, true), "written stream does not read back");
        Require(back.NrOfElem() == v.NrOfElem(), "round trip changed the size");
        for (int i = 1; i <= v.NrOfElem(); ++i)
            Require(ozm::fuzzing::SameValue(v.GetVal(i), back.GetVal(i),
                                            ozm::fuzzing::NaNRule::Exact),
                    "round trip changed an element");
    }
    return 0;
}
