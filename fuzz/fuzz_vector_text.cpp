// Fuzz target of the vector text readers, fed through a text reader over the input bytes: the
// list format (TVector and TIntVector, with and without size adjustment), the single-column ASC
// table and the auto-detecting reader of plain columns. No reader may grow a vector beyond what
// the text backs (2^20 elements or S / 2 for S bytes).
#include <cstdint>
#include <string>

#include "fuzz_support.hpp"
#include "ozm/platform/textfile.hpp"
#include "ozm/vector.hpp"
#include "vectors/vector_text_readers.hpp"

using namespace ozm;
using ozm::fuzzing::Require;
using ozm::vecimpl::TTextReaders;

namespace {

void RequireBacked(int Elements, int Before, size_t Size) {
    Require(Elements == Before || ozm::fuzzing::WithinAnnouncedBound(Elements, int64_t(Size), 2),
            "vector grown beyond what the text backs");
}

template <typename V>
void ReadAll(std::string_view Text) {
    for (const bool adjust : {true, false}) {
        V list;
        const int before = list.NrOfElem();
        TTextReader reader(Text.data(), Text.size());
        TTextReaders::LoadList(list, reader, adjust);
        RequireBacked(list.NrOfElem(), before, Text.size());
    }
    V asc;
    TTextReader reader(Text.data(), Text.size());
    std::string comment;
    const int code = TTextReaders::ImportAsc(asc, reader, comment);
    Require(code <= 0 && code >= -9, "unknown ASC result");
    RequireBacked(asc.NrOfElem(), 1, Text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string_view text = ozm::fuzzing::AsText(Data, Size);
    ReadAll<TVector>(text);
    ReadAll<TIntVector>(text);

    TVector column;
    TTextReader reader(text.data(), text.size());
    Require(TTextReaders::LoadColumn(column, reader, true), "a text in memory cannot fail");
    RequireBacked(column.NrOfElem(), 1, Size);
    return 0;
}
