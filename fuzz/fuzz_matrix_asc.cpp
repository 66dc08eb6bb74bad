// Fuzz target of the matrix text readers: the input is read as an ASC table and as a list-format
// file (from a file in memory, as these readers take file names). What reads successfully must
// stay within the storage its input backs, and export and import back to the same cells (NaN
// reads back as the missing value 0 in ASC), column names and comment.
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
    const int64_t bytes = static_cast<int64_t>(Size);

    TMatrix asc;
    std::string comment;
    TStrArray names;
    if (asc.ImportASC(input.Path(), comment, names) == 0) {
        Require(names.size() == static_cast<size_t>(asc.NrOfColumns()), "one name per column");
        Require(ozm::fuzzing::WithinAnnouncedBound(ozm::fuzzing::StorageCellsOf(asc), bytes, 2),
                "ASC storage beyond what the file backs");
        asc.SetFPrecis(1, 0);
        asc.SetFPrecis(2, -1);
        Require(asc.ExportAsASC(copy.Path(), comment, names) == 0, "ASC export failed");
        TMatrix back;
        std::string back_comment;
        TStrArray back_names;
        Require(back.ImportASC(copy.Path(), back_comment, back_names) == 0,
                "exported ASC does not read back");
        RequireSameCells(asc, back, NaNRule::NaNAsZero);
        Require(back_names == names, "column names changed");
        Require(comment.empty() || back_comment == comment, "comment changed");
    }

    TMatrix list;
    if (list.LoadFromFile(input.Path(), true)) {
        Require(ozm::fuzzing::WithinAnnouncedBound(ozm::fuzzing::StorageCellsOf(list), bytes, 2),
                "list storage beyond what the file backs");
        if (!ozm::fuzzing::RoundTripWorthwhile(ozm::fuzzing::StorageCellsOf(list))) return 0;
        list.SetFPrecis(1, 0);
        list.SetFPrecis(2, -1);
        Require(list.StoreOnFile(0, 0, 0, 0, copy.Path()), "list store failed");
        TMatrix back;
        Require(back.LoadFromFile(copy.Path(), true), "stored list does not read back");
        RequireSameCells(list, back, NaNRule::AnyNaN);
    }
    return 0;
}
