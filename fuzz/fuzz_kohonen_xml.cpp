// Fuzz target of the self-organizing map's XML readers. The stream reader and the text reader
// must agree; a refused document leaves the map exactly as it was and says why; a map that was
// read holds no more weights than the input backs, and writes and reads back bit for bit.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "ozm/kohonen.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"

using namespace ozm;
using ozm::fuzzing::Require;

namespace {

std::vector<uint64_t> State(const TKohonen& m) {
    std::vector<uint64_t> s = {
        static_cast<uint64_t>(m.SizeX()),          static_cast<uint64_t>(m.SizeY()),
        static_cast<uint64_t>(m.NrOfInSens()),     static_cast<uint64_t>(m.InitialNeighbors()),
        static_cast<uint64_t>(m.NrOfTrnSteps()),   static_cast<uint64_t>(m.CurrentStep()),
        std::bit_cast<uint64_t>(m.InitialAlpha()), m.Cyclic() ? 1u : 0u,
        static_cast<uint64_t>(m.NrOfTrnObj())};
    const TMat3D& w = m.WeightMatrix();
    const size_t n = static_cast<size_t>(w.NrOfColumns()) * w.NrOfRows() * w.NrOfLayers();
    for (size_t i = 0; i < n; ++i) s.push_back(std::bit_cast<uint64_t>(w.Data()[i]));
    for (int k = 1; k <= m.NrOfInSens(); ++k) {
        s.push_back(std::bit_cast<uint64_t>(m.MeanVec().GetVal(k)));
        s.push_back(std::bit_cast<uint64_t>(m.StdDevVec().GetVal(k)));
    }
    for (char c : m.Comment() + '\0' + m.DataID()) s.push_back(static_cast<unsigned char>(c));
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    SetRandSeed(1);
    TKohonen from_stream;
    const std::vector<uint64_t> fresh = State(from_stream);
    TMemoryStream in;
    in.WriteBuffer(Data, static_cast<int64_t>(Size));
    in.SetPosition(0);
    const bool stream_ok = from_stream.ReadFromXMLStream(in);
    Require(in.Position() >= 0 && in.Position() <= in.Size(), "stream position out of bounds");

    SetRandSeed(1);
    TKohonen from_text;
    TTextReader reader(reinterpret_cast<const char*>(Data), Size);
    const bool text_ok = from_text.ReadFromOpenXMLFile(reader);
    Require(stream_ok == text_ok, "stream and text readers disagree");
    if (!stream_ok) {
        Require(State(from_stream) == fresh && State(from_text) == fresh,
                "a refused document changed the map");
        Require(!from_stream.LastXMLError().empty(), "a refused document without a reason");
        return 0;
    }
    Require(State(from_stream) == State(from_text), "stream and text readers read different maps");
    const int64_t weights =
        int64_t{from_stream.SizeX()} * from_stream.SizeY() * from_stream.NrOfInSens();
    Require(weights * 16 <= static_cast<int64_t>(Size), "more weights than the input backs");

    TMemoryStream out;
    from_stream.WriteToXMLStream(out, true);
    out.SetPosition(0);
    TKohonen back;
    Require(back.ReadFromXMLStream(out), "a written map does not read back");
    Require(State(back) == State(from_stream), "the round trip changed the map");
    return 0;
}
