// Fuzz target of the matrix binary readers: the input is read as a record file and as the
// stream layout. Whatever reads successfully must write and read back bit for bit.
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.hpp"

using namespace ozm;
using ozm::fuzzing::NaNRule;
using ozm::fuzzing::RequireSameCells;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const ozm::fuzzing::ScratchFile scratch("fuzz_matrix_binary");
    static const std::string copy = scratch.Sibling(".out");
    scratch.Write(Data, Size);

    TMatrix record;
    int cols = 0, rows = 0, format = 0;
    std::string id;
    const bool two_dimensional = record.ReadBinaryHeader(scratch.Path(), cols, rows, id, format);
    const int code = record.LoadBinary(scratch.Path());
    if (code == matrix::kBinaryOk) {
        if (!two_dimensional || cols != record.NrOfColumns() || rows != record.NrOfRows() ||
            id != record.DataID())
            std::abort();
        if (!record.SaveBinary(copy)) std::abort();
        TMatrix back;
        if (back.LoadBinary(copy) != matrix::kBinaryOk) std::abort();
        RequireSameCells(record, back, NaNRule::Exact);
        if (back.DataID() != record.DataID()) std::abort();
    }

    TMemoryStream input;
    input.WriteBuffer(Data, static_cast<int64_t>(Size));
    input.SetPosition(0);
    TMatrix streamed;
    if (streamed.LoadFromStream(input, true)) {
        TMemoryStream written;
        streamed.SaveToStream(written, 0, 0, 0, 0);
        written.SetPosition(0);
        TMatrix back;
        if (!back.LoadFromStream(written, true)) std::abort();
        RequireSameCells(streamed, back, NaNRule::Exact);
    }
    return 0;
}
