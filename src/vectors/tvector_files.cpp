// The text files only the double vector writes: ASC with a precision, the list format with a
// precision, and the reader of plain columns of numbers.
#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "ozm/base/text.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/textfile.hpp"
#include "ozm/vector.hpp"
#include "platform/numtext_chars.hpp"
#include "vectors/vector_impl.hpp"
#include "vectors/vector_text_readers.hpp"

namespace ozm {

namespace {

// strff(x, Width, Precision) and a line end to W, without a string per value.
void WriteNumberLn(TTextWriter& W, double x, int Width, int Precision) {
    if (Precision < 0) {
        W.WriteLn(strff(x, Width, Precision));  // exponential text
        return;
    }
    char buffer[detail::kNumCharsSize + 2];
    char* end = detail::FixedChars(buffer, x, Precision);
    constexpr std::string_view kBlanks = "                                ";
    for (auto pad = static_cast<ptrdiff_t>(Width) - (end - buffer); pad > 0;
         pad -= static_cast<ptrdiff_t>(kBlanks.size()))
        W.Write(kBlanks.substr(0, static_cast<size_t>(std::min<ptrdiff_t>(pad, kBlanks.size()))));
    *end++ = '\r';
    *end++ = '\n';
    W.Write(std::string_view(buffer, static_cast<size_t>(end - buffer)));
}

}  // namespace

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
    for (const double x : FVec) WriteNumberLn(*writer, x, 12, Precision);
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
            WriteNumberLn(writer, FVec[size_t(i - 1)], width, Precision);
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
    // An entry is a line holding a decimal digit, so a header word or a blank line cannot shift
    // the values; its first blank- or tab-separated field is the value. Readable is false for an
    // entry that is no number (its element keeps its value). False at the end of the text.
    std::string_view line;
    const auto next_entry = [&](bool& Readable, double& Value) {
        const auto digit = [](char c) { return c >= '0' && c <= '9'; };
        const auto blank = [](char c) { return c == ' ' || c == '\t'; };
        while (Reader.NextLine(line)) {
            const auto start = std::find_if_not(line.begin(), line.end(), blank);
            const auto end = std::find_if(start, line.end(), blank);
            // The digit is nearly always in the field itself; the rest of the line is searched
            // only when it is not.
            if (std::none_of(start, end, digit) && std::none_of(end, line.end(), digit)) continue;
            Readable = CellFromText(line.substr(size_t(start - line.begin()), size_t(end - start)),
                                    Value);
            return true;
        }
        return false;
    };
    bool stored = false;
    bool readable = false;
    double value = 0;
    try {
        if (AdjustVectorSize) {
            // One pass: the entries are gathered (each is a line of the text, so their memory is
            // bounded by the text's size), then the vector takes their count.
            std::vector<double> values;
            std::vector<uint8_t> readable_at;
            while (next_entry(readable, value)) {
                values.push_back(readable ? value : 0.0);
                readable_at.push_back(readable ? 1 : 0);
            }
            if (!values.empty() && values.size() <= size_t{INT32_MAX})
                V.Resize(static_cast<int>(values.size()));
            const size_t n = std::min(values.size(), static_cast<size_t>(V.FNElem));
            for (size_t k = 0; k < n; ++k) {
                if (!readable_at[k]) continue;
                V.FVec[k] = values[k];
                stored = true;
            }
        } else {
            for (int elem = 1; elem <= V.FNElem && next_entry(readable, value); ++elem) {
                if (!readable) continue;
                V.FVec[size_t(elem - 1)] = value;
                stored = true;
            }
        }
    } catch (const EInOutError&) {
        return false;
    } catch (const EOZMVectorError&) {
        return false;  // the vector cannot take the entries' count
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (stored) V.FIsEmpty = false;
    V.Changed();
    return true;
}

}  // namespace ozm
