// Fuzz target of the ASC header reader (the four lines that every ASC table starts with), fed
// through a text reader over the input bytes. A header that reads must hold counts that are not
// negative and leave the reader after its fourth line.
#include <cstdint>
#include <string>

#include "fuzz_support.hpp"
#include "ozm/base/asc.hpp"
#include "ozm/platform/textfile.hpp"

using namespace ozm;
using ozm::fuzzing::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string_view text = ozm::fuzzing::AsText(Data, Size);
    TTextReader reader(text.data(), text.size());
    TAscHeader header;
    const int code = ReadHeaderOfASC(reader, header);
    if (code != kAscHeaderOk) {
        Require(code == kAscHeaderTruncated || code == kAscBadColumnCount ||
                    code == kAscBadRowCount || code == kAscBadFlags,
                "unknown header result");
        return 0;
    }
    Require(header.NrColumns >= 0 && header.NrRows >= 0, "negative count");
    // The reader stands after the fourth line: four line reads from the start reach the same
    // place.
    TTextReader again(text.data(), text.size());
    std::string line;
    for (int i = 0; i < 4; ++i) Require(again.ReadLine(line), "header of fewer than four lines");
    std::string rest_a, rest_b;
    const bool more_a = reader.ReadLine(rest_a);
    const bool more_b = again.ReadLine(rest_b);
    Require(more_a == more_b && rest_a == rest_b, "reader left inside the header");
    return 0;
}
