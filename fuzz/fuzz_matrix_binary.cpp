// Fuzz target of the matrix binary readers: the input is read as a record file (from a file in
// memory, as that reader takes file names) and as the stream layout (from a memory stream).
// What reads successfully must stay within the storage its input backs and write and read back
// bit for bit.
#include <cstdint>

#include "fuzz_support.hpp"

using namespace ozm;
using ozm::fuzzing::NaNRule;
using ozm::fuzzing::Require;
using ozm::fuzzing::RequireSameCells;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const ozm::fuzzing::MemoryFile input;
    static const ozm::fuzzing::MemoryFile copy;
    input.Write(Data, Size);

    TMatrix record;
    int cols = 0, rows = 0, format = 0;
    std::string id;
    const bool two_dimensional = record.ReadBinaryHeader(input.Path(), cols, rows, id, format);
    if (record.LoadBinary(input.Path()) == matrix::kBinaryOk) {
        Require(two_dimensional && cols == record.NrOfColumns() && rows == record.NrOfRows() &&
                    id == record.DataID(),
                "header and loaded record file disagree");
        Require(int64_t{cols} * rows <= (static_cast<int64_t>(Size) - 4096) / 8,
                "record cells beyond the file");
        Require(record.SaveBinary(copy.Path()), "record file not written");
        TMatrix back;
        Require(back.LoadBinary(copy.Path()) == matrix::kBinaryOk,
                "record file does not read back");
        RequireSameCells(record, back, NaNRule::Exact);
        Require(back.DataID() == record.DataID(), "data identifier changed");
    }

    TMemoryStream stream;
    stream.WriteBuffer(Data, static_cast<int64_t>(Size));
    stream.SetPosition(0);
    TMatrix streamed;
    int events = 0;
    streamed.OnChange = [&](TObject*) { ++events; };
    const bool stream_ok = streamed.LoadFromStream(stream, true);
    Require(events <= 1, "a stream load notified more than once");
    if (stream_ok) {
        const int64_t storage = ozm::fuzzing::StorageCellsOf(streamed);
        Require(ozm::fuzzing::WithinAnnouncedBound(storage, static_cast<int64_t>(Size), 10),
                "stream storage beyond what the stream backs");
        if (!ozm::fuzzing::RoundTripWorthwhile(storage)) return 0;
        TMemoryStream written;
        streamed.SaveToStream(written, 0, 0, 0, 0);
        written.SetPosition(0);
        TMatrix back;
        Require(back.LoadFromStream(written, true), "written stream does not read back");
        RequireSameCells(streamed, back, NaNRule::Exact);
    }
    return 0;
}
