// Fuzz target of the matrix text readers: the input is read as an ASC table and as a list-format
// file. Whatever reads successfully must export and import back to the same cells (NaN reads back
// as the missing value 0 in ASC), column names and comment.
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.hpp"

using namespace ozm;
using ozm::fuzzing::NaNRule;
using ozm::fuzzing::RequireSameCells;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    static const ozm::fuzzing::ScratchFile scratch("fuzz_matrix_asc");
    static const std::string copy = scratch.Sibling(".out");
    scratch.Write(Data, Size);

    TMatrix asc;
    std::string comment;
    TStrArray names;
    if (asc.ImportASC(scratch.Path(), comment, names) == 0) {
        if (names.size() != static_cast<size_t>(asc.NrOfColumns())) std::abort();
        asc.SetFPrecis(1, 0);
        asc.SetFPrecis(2, -1);
        if (asc.ExportAsASC(copy, comment, names) != 0) std::abort();
        TMatrix back;
        std::string back_comment;
        TStrArray back_names;
        if (back.ImportASC(copy, back_comment, back_names) != 0) std::abort();
        RequireSameCells(asc, back, NaNRule::NaNAsZero);
        if (back_names != names) std::abort();
        if (!comment.empty() && back_comment != comment) std::abort();
    }

    TMatrix list;
    if (list.LoadFromFile(scratch.Path(), true)) {
        list.SetFPrecis(1, 0);
        list.SetFPrecis(2, -1);
        if (!list.StoreOnFile(0, 0, 0, 0, copy)) std::abort();
        TMatrix back;
        if (!back.LoadFromFile(copy, true)) std::abort();
        RequireSameCells(list, back, NaNRule::AnyNaN);
    }
    return 0;
}
