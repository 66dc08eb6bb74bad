// Fuzz target of the integer matrix binary readers in both forms: the input is read as a record
// file and as the stream layout (from memory). Dense and sparse reads must agree, and whatever
// reads must write and read back to the same cells.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_intmatrix_support.hpp"
#include "fuzz_support.hpp"

using namespace ozm;
using ozm::fuzzing::RequireSameInts;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const ozm::fuzzing::MemoryFile scratch;
    static const ozm::fuzzing::MemoryFile written_file;
    const std::string& copy = written_file.Path();
    scratch.Write(Data, Size);

    TIntMatrix record;
    TIntMatrix record_sparse(nullptr, CreateSparse, 5);
    const int code = record.LoadBinary(scratch.Path());
    if (record_sparse.LoadBinary(scratch.Path()) != code) std::abort();
    if (code == matrix::kBinaryOk) {
        RequireSameInts(record, record_sparse);
        if (!record_sparse.SaveBinary(copy)) std::abort();
        TIntMatrix back;
        if (back.LoadBinary(copy) != matrix::kBinaryOk) std::abort();
        RequireSameInts(record, back);
        if (back.DataID() != record.DataID()) std::abort();
    }

    TMemoryStream input;
    input.WriteBuffer(Data, static_cast<int64_t>(Size));
    TIntMatrix streamed;
    TIntMatrix streamed_sparse(nullptr, CreateSparse, 5);
    input.SetPosition(0);
    const bool ok = streamed.LoadFromStream(input, true);
    input.SetPosition(0);
    if (streamed_sparse.LoadFromStream(input, true) != ok) std::abort();
    if (ok) RequireSameInts(streamed, streamed_sparse);
    // The stream layout writes every cell, also of a sparse matrix.
    if (ok && ozm::fuzzing::RoundTripWorthwhile(ozm::fuzzing::CellsOf(streamed))) {
        TMemoryStream written;
        streamed_sparse.SaveToStream(written, 0, 0, 0, 0);
        written.SetPosition(0);
        TIntMatrix back;
        if (!back.LoadFromStream(written, true)) std::abort();
        RequireSameInts(streamed, back);
    }
    return 0;
}
