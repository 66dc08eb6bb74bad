// Fuzz target of the integer matrix text readers in both forms: the input is read as an XML
// document (from memory), as an ASC file, as a list file and as an entry list file. Dense and
// sparse reads of the same input must agree where both succeed, and whatever reads must write
// and read back to the same cells.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_intmatrix_support.hpp"
#include "fuzz_support.hpp"

using namespace ozm;
using ozm::fuzzing::RequireSameInts;

namespace {

bool ReadXml(TIntMatrix& M, const uint8_t* Data, size_t Size) {
    TMemoryStream input;
    input.WriteBuffer(Data, static_cast<int64_t>(Size));
    input.SetPosition(0);
    const bool ok = M.ReadFromXMLStream(input);
    if (input.Position() < 0 || input.Position() > input.Size()) std::abort();
    return ok;
}

// The sparse writer writes only the entries, so a sparse matrix of any size is worth it.
void XmlRoundTrip(const TIntMatrix& M) {
    if (!M.IsSparse() && !ozm::fuzzing::RoundTripWorthwhile(ozm::fuzzing::CellsOf(M))) return;
    TMemoryStream written;
    M.WriteToXMLStream(written, true);
    written.SetPosition(0);
    TIntMatrix back;
    if (M.IsSparse()) back.ArrayToSparse(3);
    if (!back.ReadFromXMLStream(written)) std::abort();
    RequireSameInts(M, back);
    if (back.DataID() != M.DataID()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const ozm::fuzzing::MemoryFile scratch;
    static const ozm::fuzzing::MemoryFile written_file;
    const std::string& copy = written_file.Path();

    TIntMatrix dense;
    TIntMatrix sparse(nullptr, CreateSparse, 3);
    const bool dense_ok = ReadXml(dense, Data, Size);
    const bool sparse_ok = ReadXml(sparse, Data, Size);
    if (dense_ok) XmlRoundTrip(dense);
    if (sparse_ok) XmlRoundTrip(sparse);
    // A sparse read refuses cells outside the size that a dense read ignores, and a dense read
    // refuses sizes that a sparse one can hold; where both succeed they hold the same cells.
    if (dense_ok && sparse_ok) RequireSameInts(dense, sparse);

    scratch.Write(Data, Size);
    std::string comment;
    TIntMatrix asc_dense;
    TIntMatrix asc_sparse(nullptr, CreateSparse, 2);
    const int code = asc_dense.ImportASC(scratch.Path(), comment);
    if (asc_sparse.ImportASC(scratch.Path(), comment) != code) std::abort();
    if (code == 0) {
        RequireSameInts(asc_dense, asc_sparse);
        if (asc_sparse.ExportAsASC(copy, comment) != 0) std::abort();
        TIntMatrix back;
        if (back.ImportASC(copy, comment) != 0) std::abort();
        RequireSameInts(asc_dense, back);
    }

    TIntMatrix list_dense;
    list_dense.Resize(0, 0);
    TIntMatrix list_sparse(nullptr, CreateSparse, 2);
    const bool list_ok = list_dense.LoadFromFile(scratch.Path(), true);
    if (list_sparse.LoadFromFile(scratch.Path(), true) != list_ok) std::abort();
    if (list_ok) RequireSameInts(list_dense, list_sparse);
    if (list_ok && ozm::fuzzing::RoundTripWorthwhile(ozm::fuzzing::CellsOf(list_dense))) {
        if (!list_sparse.StoreOnFile(0, 0, 0, 0, copy)) std::abort();
        TIntMatrix back;
        if (!back.LoadFromFile(copy, true)) std::abort();
        RequireSameInts(list_dense, back);
    }

    TIntMatrix entries;
    if (entries.LoadSparseMat(scratch.Path())) {
        if (!entries.IsSparse() || !entries.StoreSparseMat(copy)) std::abort();
        TIntMatrix back(nullptr, CreateSparse, 1);
        if (!back.LoadSparseMat(copy)) std::abort();
        RequireSameInts(entries, back);
        if (back.SparseNumElem() != entries.SparseNumElem() || back.AllocBy() != entries.AllocBy())
            std::abort();
    }
    return 0;
}
