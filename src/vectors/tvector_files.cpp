// The text files only the double vector writes: ASC with a precision, the list format with a
// precision, and the reader of plain columns of numbers.
#include <algorithm>
#include <memory>
#include <string>

#include "ozm/base/text.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/textfile.hpp"
#include "ozm/vector.hpp"
#include "vectors/vector_impl.hpp"
#include "vectors/vector_text_readers.hpp"

namespace ozm {

int TVector::ExportAsASC(const std::string& FName, int Precision,
                         const std::string& Comment) const {
    std::unique_ptr<TTextWriter> writer;
    try {
        writer = std::make_unique<TTextWriter>(FName);
    } catch (const EInOutError&) {
        return -1;
    }
    // Write errors (a full disk) propagate as EInOutError.
    vecimpl::WriteAscColumnHeader(*writer, Comment, "Exported by OZM TVector component: ", FName,
                                  FNElem);
    for (const double x : FVec) writer->WriteLn(strff(x, 12, Precision));
    writer->Close();
    return 0;
}

bool TVector::StoreOnFile(int FirstElem, int LastElem, int Precision,
                          const std::string& FileName) const {
    if (Precision < -2) Precision = 2;
    if (Precision > 20) Precision = 20;
    const int width = Precision == -1 ? 13 : Precision == -2 ? 26 : 1;
    if (LastElem < FirstElem) std::swap(FirstElem, LastElem);
    MakeValidElemRange(FirstElem, LastElem);
    try {
        TTextWriter writer(FileName);
        writer.WriteLn(std::to_string(FirstElem) + " " + std::to_string(LastElem));
        for (int i = FirstElem; i <= LastElem; ++i)
            writer.WriteLn(strff(FVec[size_t(i - 1)], width, Precision));
        writer.Close();
    } catch (const EInOutError&) {
        // Not only a file that cannot be created: a write that fails (a full disk) also means
        // the data did not arrive, so it is reported the same way.
        return false;
    }
    return true;
}

bool TVector::LoadFromFile(const std::string& FileName, bool AdjustVectorSize, bool AutoDetect) {
    if (!AutoDetect) return LoadFromFile(FileName, AdjustVectorSize);
    std::unique_ptr<TTextReader> reader;
    try {
        reader = std::make_unique<TTextReader>(FileName);
    } catch (const EInOutError&) {
        return false;
    }
    return vecimpl::TTextReaders::LoadColumn(*this, *reader, AdjustVectorSize);
}

bool vecimpl::TTextReaders::LoadColumn(TVector& V, TTextReader& Reader, bool AdjustVectorSize) {
    // An entry is a non-empty line holding a decimal digit. The same rule decides which lines
    // are read in the second pass, so a header word or a blank line cannot shift the values.
    // Each entry is a line of the text, so the count is bounded by the text's size.
    const auto is_entry = [](std::string_view line) {
        return std::any_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    int64_t entries = 0;
    try {
        std::string_view line;
        while (Reader.NextLine(line))
            if (is_entry(line)) ++entries;
    } catch (const EInOutError&) {
        return false;
    }
    if (AdjustVectorSize && entries > 0 && entries <= INT32_MAX) {
        try {
            V.Resize(static_cast<int>(entries));
        } catch (const EOZMVectorError&) {
            return false;
        }
    }
    try {
        Reader.Rewind();
        std::string_view line;
        int elem = 1;
        bool stored = false;
        while (elem <= V.FNElem && Reader.NextLine(line)) {
            if (!is_entry(line)) continue;
            // The first blank- or tab-separated field (an entry holds a digit, so it has one).
            const size_t start = line.find_first_not_of(" \t");
            const size_t end = line.find_first_of(" \t", start);
            const std::string_view field = line.substr(start, end - start);
            double value = 0;
            if (CellFromText(field, value)) {
                V.FVec[size_t(elem - 1)] = value;
                stored = true;
            }
            ++elem;  // an unreadable entry keeps its element's value
        }
        if (stored) V.FIsEmpty = false;
    } catch (const EInOutError&) {
        return false;
    }
    V.Changed();
    return true;
}

}  // namespace ozm
