// The text readers of the vectors without the file around them: the public LoadFromFile and
// ImportASC open the file and hand its TTextReader here; the fuzz targets hand a reader over
// memory. The behaviour and the result codes are those of the public members.
#pragma once

#include <string>

#include "ozm/platform/textfile.hpp"
#include "ozm/vector.hpp"

namespace ozm::vecimpl {

// Every value of a text file needs at least one character and a separator, so a text of S bytes
// backs S / 2 values.
inline constexpr int64_t kMinBytesPerTextValue = 2;

struct TTextReaders {
    // The list format (TVectorCore::LoadFromFile without the opening of the file).
    template <typename TCell, typename TSelf>
    static bool LoadList(TVectorCore<TCell, TSelf>& V, TTextReader& Reader, bool AdjustVectorSize);
    // The ASC table (TVectorCore::ImportASC after the file was found and opened).
    template <typename TCell, typename TSelf>
    static int ImportAsc(TVectorCore<TCell, TSelf>& V, TTextReader& Reader, std::string& Comment);
    // Plain columns of numbers (TVector::LoadFromFile with AutoDetect); two passes over Reader.
    static bool LoadColumn(TVector& V, TTextReader& Reader, bool AdjustVectorSize);
};

}  // namespace ozm::vecimpl
