// Fuzz target of the matrix XML readers. The input is read as a document through the stream
// reader and through the text reader, which must agree; whatever reads successfully must write
// and read back to the same cells and data identifier.
#include <cstdint>

#include "fuzz_support.hpp"
#include "ozm/platform/textfile.hpp"

using namespace ozm;
using ozm::fuzzing::NaNRule;
using ozm::fuzzing::Require;
using ozm::fuzzing::RequireSameCells;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TMemoryStream input;
    input.WriteBuffer(Data, static_cast<int64_t>(Size));
    input.SetPosition(0);
    TMatrix from_stream;
    const bool stream_ok = from_stream.ReadFromXMLStream(input);
    Require(input.Position() >= 0 && input.Position() <= input.Size(), "stream position outside");

    TTextReader text(reinterpret_cast<const char*>(Data), Size);
    TMatrix from_text;
    const bool text_ok = from_text.ReadFromOpenXMLFile(text);
    Require(stream_ok == text_ok, "stream and text readers disagree");
    if (!stream_ok) return 0;
    RequireSameCells(from_stream, from_text, NaNRule::AnyNaN);
    Require(from_stream.DataID() == from_text.DataID(), "data identifiers differ");
    const int64_t cells = ozm::fuzzing::CellsOf(from_stream);
    Require(cells <= matrix::kMaxXmlCells, "document beyond the announced-cell limit");

    if (!ozm::fuzzing::RoundTripWorthwhile(cells)) return 0;

    // Shortest exact text: everything but NaN payloads comes back bit for bit.
    from_stream.SetFPrecis(1, 0);
    from_stream.SetFPrecis(2, -1);
    TMemoryStream written;
    from_stream.WriteToXMLStream(written, true);
    written.SetPosition(0);
    TMatrix back;
    Require(back.ReadFromXMLStream(written), "written document does not read back");
    RequireSameCells(from_stream, back, NaNRule::AnyNaN);
    Require(back.DataID() == from_stream.DataID(), "data identifier changed");
    return 0;
}
