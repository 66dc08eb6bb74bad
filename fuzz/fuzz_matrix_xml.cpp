// Fuzz target of the matrix XML readers. The input is read as a document through the stream
// reader and through the text file reader, which must agree; whatever reads successfully must
// write and read back to the same cells and data identifier.
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.hpp"

using namespace ozm;
using ozm::fuzzing::NaNRule;
using ozm::fuzzing::RequireSameCells;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const ozm::fuzzing::ScratchFile scratch("fuzz_matrix_xml");

    TMemoryStream input;
    input.WriteBuffer(Data, static_cast<int64_t>(Size));
    input.SetPosition(0);
    TMatrix from_stream;
    const bool stream_ok = from_stream.ReadFromXMLStream(input);
    if (input.Position() < 0 || input.Position() > input.Size()) std::abort();

    scratch.Write(Data, Size);
    TMatrix from_file;
    const bool file_ok = from_file.LoadFromXMLFile(scratch.Path());
    if (stream_ok != file_ok) std::abort();
    if (!stream_ok) return 0;
    RequireSameCells(from_stream, from_file, NaNRule::AnyNaN);
    if (from_stream.DataID() != from_file.DataID()) std::abort();

    // Shortest exact text: everything but NaN payloads comes back bit for bit.
    from_stream.SetFPrecis(1, 0);
    from_stream.SetFPrecis(2, -1);
    TMemoryStream written;
    from_stream.WriteToXMLStream(written, true);
    written.SetPosition(0);
    TMatrix back;
    if (!back.ReadFromXMLStream(written)) std::abort();
    RequireSameCells(from_stream, back, NaNRule::AnyNaN);
    if (back.DataID() != from_stream.DataID()) std::abort();
    return 0;
}
