// The matrices: the ASC text table and the list format.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "matrices/matrix_internal.hpp"
#include "matrices/matrix_persist_cells.hpp"
#include "matrices/persist_range.hpp"
#include "ozm/base/asc.hpp"
#include "ozm/base/text.hpp"
#include "ozm/matrix/persist.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/numtext.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm {

namespace {

constexpr size_t kAscFieldWidth = 12;
// Every value of a text file needs a character and a separator.
constexpr int64_t kMinBytesPerTextValue = 2;

int64_t FileSizeOrMinus1(const std::string& FileName) noexcept {
    std::error_code ec;
    const auto size = std::filesystem::file_size(FileName, ec);
    return ec ? -1 : static_cast<int64_t>(size);
}

std::string WithoutLineEnds(std::string Text) {
    // A carriage return would end the line just as a line feed does for the readers.
    for (char& c : Text)
        if (c == '\n' || c == '\r') c = ' ';
    return Text;
}

std::string QuotedAscName(const std::string& Name) {
    std::string text = WithoutLineEnds(Name);
    std::replace(text.begin(), text.end(), '"', '\'');  // a quote would end the name early
    return "\"" + text + "\"";
}

bool IsMissingAscValue(std::string_view Word) {
    if (Word == "###") return true;
    return Word.size() == 3 && (Word[0] == 'N' || Word[0] == 'n') &&
           (Word[1] == 'A' || Word[1] == 'a') && (Word[2] == 'N' || Word[2] == 'n');
}

// The next field of an ASC data line from Pos: "" at the end of the line or at a ";" comment.
std::string_view NextAscField(std::string_view Line, size_t& Pos) {
    while (Pos < Line.size() && (Line[Pos] == ' ' || Line[Pos] == '\t')) ++Pos;
    const size_t start = Pos;
    while (Pos < Line.size() && Line[Pos] != ' ' && Line[Pos] != '\t' && Line[Pos] != ';') ++Pos;
    return Line.substr(start, Pos - start);
}

// True for a line with nothing but blanks and a comment.
bool IsEmptyAscLine(std::string_view Line) {
    const size_t first = Line.find_first_not_of(" \t");
    return first == std::string_view::npos || Line[first] == ';';
}

// Parses the data lines of an ASC file into Cells (column-major, NrRows per column).
template <typename TCell>
int ReadAscData(TTextReader& Reader, const TAscHeader& Header, std::vector<TCell>& Cells,
                TStrArray& Names) {
    const size_t cols = static_cast<size_t>(Header.NrColumns);
    const size_t rows = static_cast<size_t>(Header.NrRows);
    std::string_view line;
    Names.assign(cols, std::string());
    if (Header.ColumnNames && Reader.NextLine(line)) {
        size_t pos = 0;
        for (size_t c = 0; c < cols && ParseQuotedName(line, pos, Names[c]); ++c) {
        }
    }
    if (cols == 0) return 0;  // rows without values
    for (size_t r = 0; r < rows; ++r) {
        do {
            if (!Reader.NextLine(line)) return matrix::kAscValueError;  // the file ends early
        } while (IsEmptyAscLine(line));
        size_t pos = 0;
        if (Header.RowAttributes) {
            double attribute = 0;
            if (!TryParseDouble(NextAscField(line, pos), attribute))
                return matrix::kAscRowAttributeError;
        }
        std::string name;
        if (Header.RowNames) ParseQuotedName(line, pos, name);
        for (size_t c = 0; c < cols; ++c) {
            const std::string_view word = NextAscField(line, pos);
            TCell value = 0;
            if (!IsMissingAscValue(word) && !matrix::detail::CellFromText(word, value))
                return matrix::kAscValueError;
            Cells[c * rows + r] = value;
        }
    }
    return 0;
}

}  // namespace

template <typename TCell, typename TSelf>
int TMatrixCore<TCell, TSelf>::WriteAsc(const std::string& FName, const std::string& Comment,
                                        const TStrArray* ColNames) const {
    std::unique_ptr<TSelf> dense_copy;
    const TSelf& M = DenseView(dense_copy);
    std::unique_ptr<TTextWriter> writer;
    try {
        writer = std::make_unique<TTextWriter>(FName);
    } catch (const EInOutError&) {
        return -1;
    }
    // Write errors (a full disk) propagate as EInOutError.
    std::string line = WithoutLineEnds(Comment);
    if (line.empty()) line = std::string("Exported by OZM ") + ClassName() + " component: " + FName;
    writer->WriteLn(line);
    writer->WriteLn(std::to_string(M.NrOfColumns()) + "\t;nr. of columns");
    writer->WriteLn(std::to_string(M.NrOfRows()) + "\t;nr. of rows");
    writer->WriteLn(std::string(ColNames ? "FALSE TRUE FALSE FALSE" : "FALSE FALSE FALSE FALSE") +
                    "\t;row attributes, column names, row names, nominal variables");
    if (ColNames) {
        line.clear();
        for (int c = 0; c < M.NrOfColumns(); ++c) {
            if (c > 0) line += ' ';
            line += QuotedAscName(size_t(c) < ColNames->size() ? (*ColNames)[size_t(c)] : "");
        }
        writer->WriteLn(line);
    }
    const TCell* cells = M.Data();
    const size_t rows = static_cast<size_t>(M.NrOfRows());
    for (size_t r = 0; r < rows; ++r) {
        line.clear();
        for (int c = 0; c < M.NrOfColumns(); ++c) {
            if (c > 0) line += ' ';
            const size_t start = line.size();
            matrix::detail::AppendCellText(Self(), line, cells[size_t(c) * rows + r]);
            const size_t length = line.size() - start;
            if (length < kAscFieldWidth) line.insert(start, kAscFieldWidth - length, ' ');
        }
        writer->WriteLn(line);
    }
    writer->Close();
    return 0;
}

template <typename TCell, typename TSelf>
int TMatrixCore<TCell, TSelf>::ExportAsASC(const std::string& FName,
                                           const std::string& Comment) const {
    return WriteAsc(FName, Comment, nullptr);
}

template <typename TCell, typename TSelf>
int TMatrixCore<TCell, TSelf>::ExportAsASC(const std::string& FName, const std::string& Comment,
                                           const TStrArray& ColNames) const {
    return WriteAsc(FName, Comment, &ColNames);
}

template <typename TCell, typename TSelf>
int TMatrixCore<TCell, TSelf>::ImportASC(const std::string& FName, std::string& Comment) {
    TStrArray names;
    return ImportASC(FName, Comment, names);
}

template <typename TCell, typename TSelf>
int TMatrixCore<TCell, TSelf>::ImportASC(const std::string& FName, std::string& Comment,
                                         TStrArray& ColNames) {
    std::error_code ec;
    if (!std::filesystem::exists(FName, ec)) return matrix::kAscFileMissing;
    TAscHeader header;
    if (const int rc = ReadHeaderOfASC(FName, header); rc != kAscHeaderOk) return rc;
    Comment = header.Comment;
    const int64_t backed = FileSizeOrMinus1(FName) / kMinBytesPerTextValue;
    if (int64_t{header.NrColumns} * header.NrRows > backed ||
        !matrix::AnnouncedSizeIsBacked(header.NrColumns, header.NrRows, backed) ||
        (header.ColumnNames && header.NrColumns > backed))
        return matrix::kAscValueError;  // the file cannot hold what it announces

    std::vector<TCell> cells =
        Guarded([&] { return matrix::detail::NewCellsOf<TCell>(header.NrColumns, header.NrRows); });
    TStrArray names;
    int code = 0;
    try {
        TTextReader reader(FName);
        reader.SkipLines(4);
        code = ReadAscData(reader, header, cells, names);
    } catch (const EInOutError&) {
        return kAscCannotOpen;
    }
    if (code != 0) return code;
    AdoptRead(std::move(cells), header.NrColumns, header.NrRows);
    ColNames = std::move(names);
    Changed();
    return 0;
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::StoreOnFile(int LowCol, int HighCol, int LowRow, int HighRow,
                                            const std::string& FileName) const {
    if (HighCol < LowCol) std::swap(LowCol, HighCol);
    if (HighRow < LowRow) std::swap(LowRow, HighRow);
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    std::unique_ptr<TSelf> dense_copy;
    const TSelf& view = DenseView(dense_copy);
    try {
        TTextWriter writer(FileName);
        writer.WriteLn(std::to_string(LowCol) + " " + std::to_string(HighCol) + " " +
                       std::to_string(LowRow) + " " + std::to_string(HighRow));
        std::string line;
        for (int r = LowRow; r <= HighRow; ++r) {
            line.clear();
            for (int c = LowCol; c <= HighCol; ++c) {
                if (c > LowCol) line += ' ';
                matrix::detail::AppendCellText(Self(), line, view.Column(c)[r - 1]);
            }
            writer.WriteLn(line);
        }
        writer.Close();
    } catch (const EInOutError&) {
        // A write that fails (a full disk) means the data did not arrive, as a file that cannot
        // be created does.
        return false;
    }
    return true;
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::LoadFromFile(const std::string& FileName, bool AdjustMatrixSize) {
    std::unique_ptr<TTextReader> reader;
    int32_t bounds[4] = {};  // LowCol, HighCol, LowRow, HighRow
    try {
        reader = std::make_unique<TTextReader>(FileName);
        for (int32_t& bound : bounds)
            if (!reader->ReadInt(bound)) return false;
    } catch (const EInOutError&) {
        return false;
    }
    const int64_t low_col = bounds[0], high_col = bounds[1];
    const int64_t low_row = bounds[2], high_row = bounds[3];
    const int64_t backed = FileSizeOrMinus1(FileName) / kMinBytesPerTextValue;
    if (!matrix::detail::AcceptStoredRange(Self(), {low_col, high_col, low_row, high_row}, backed,
                                           AdjustMatrixSize))
        return false;
    bool ok = true;
    try {
        for (int64_t r = low_row; ok && r <= high_row; ++r) {
            for (int64_t c = low_col; c <= high_col; ++c) {
                const std::string_view word = reader->NextWord();
                if (word.empty()) {
                    ok = false;  // the file ends before the last entry
                    break;
                }
                TCell value = 0;
                if (matrix::detail::CellFromText(word,
                                                 value))  // an unreadable entry keeps its cell
                    PutReadCell(c, r, value);
            }
        }
    } catch (const EInOutError&) {
        ok = false;
    }
    Changed();
    return ok;
}

#define OZM_TEXT_MEMBERS(TCell, TSelf)                                                           \
    template int TMatrixCore<TCell, TSelf>::WriteAsc(const std::string&, const std::string&,     \
                                                     const TStrArray*) const;                    \
    template int TMatrixCore<TCell, TSelf>::ExportAsASC(const std::string&, const std::string&)  \
        const;                                                                                   \
    template int TMatrixCore<TCell, TSelf>::ExportAsASC(const std::string&, const std::string&,  \
                                                        const TStrArray&) const;                 \
    template int TMatrixCore<TCell, TSelf>::ImportASC(const std::string&, std::string&);         \
    template int TMatrixCore<TCell, TSelf>::ImportASC(const std::string&, std::string&,          \
                                                      TStrArray&);                               \
    template bool TMatrixCore<TCell, TSelf>::StoreOnFile(int, int, int, int, const std::string&) \
        const;                                                                                   \
    template bool TMatrixCore<TCell, TSelf>::LoadFromFile(const std::string&, bool);

OZM_INSTANTIATE_MATRIX_CORE(OZM_TEXT_MEMBERS)

}  // namespace ozm
