// Fuzz target of the variable-name lists of the regression routines (ExtractVarNames). The first
// byte chooses the number of variables, the rest is the list. Whatever parses must give exactly
// that many distinct names, and the names written back as a quoted list must parse to the same
// names again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ozm/math2.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size == 0) return 0;
    const int numVars = Data[0] % 24;
    const std::string_view list(reinterpret_cast<const char*>(Data) + 1, Size - 1);
    ozm::TStrArray names{"untouched"};
    const int given = ozm::math2::ExtractVarNames(list, numVars, names);
    if (given < 0) {
        if (given < -3 || names.size() != 1 || names[0] != "untouched") std::abort();
        return 0;
    }
    if (given > numVars || names.size() != static_cast<size_t>(numVars)) std::abort();
    std::string quoted;
    for (size_t k = 0; k < names.size(); ++k) {
        if (names[k].empty()) std::abort();
        if (k > 0) quoted += ',';
        quoted += '"';
        for (char c : names[k]) {
            if (c == '"') quoted += '"';
            quoted += c;
        }
        quoted += '"';
    }
    ozm::TStrArray again;
    if (ozm::math2::ExtractVarNames(quoted, numVars, again) != numVars || again != names)
        std::abort();
    return 0;
}
