// TDataTable: CSV (RFC 4180) and ASC text tables, read from memory through std::string_view.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <deque>
#include <filesystem>
#include <limits>

#include "datatable/datatable_internal.hpp"
#include "ozm/base/asc.hpp"
#include "ozm/base/text.hpp"
#include "ozm/datatable.hpp"
#include "ozm/platform/numtext.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm {

using datatable::detail::CutText;
using datatable::detail::IsCategoricalType;
using datatable::detail::IsNumberState;

namespace {

// The whole rest of a stream as text; false when it cannot be read.
bool ReadRest(TStream& InStream, std::string& Text) {
    try {
        const int64_t left = InStream.Size() - InStream.Position();
        if (left < 0 || static_cast<uint64_t>(left) > std::numeric_limits<size_t>::max() / 2) return false;
        Text.resize(static_cast<size_t>(left));
        InStream.ReadBuffer(Text.data(), left);
    } catch (const EInOutError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool ReadFileText(const std::string& FName, std::string& Text) {
    try {
        TFileStream file(FName, TFileMode::fmOpenRead);
        return ReadRest(file, Text);
    } catch (const EInOutError&) {
        return false;
    }
}

// Writes text blocks to a stream.
class TBlockWriter {
public:
    explicit TBlockWriter(TStream& Out) : FOut(Out) {}
    std::string& Buffer() { return FBlock; }
    void FlushIfFull() {
        if (FBlock.size() >= 65536) Flush();
    }
    void Flush() {
        FOut.WriteBuffer(FBlock.data(), static_cast<int64_t>(FBlock.size()));
        FBlock.clear();
    }

private:
    TStream& FOut;
    std::string FBlock;
};

// --- CSV tokenizer ----------------------------------------------------------------------------------

// Splits CSV text into records. Fields point into the text, or into Arena for quoted fields with
// doubled quotes. Returns kCsvOk or kCsvUnclosedQuote.
class TCsvTokenizer {
public:
    TCsvTokenizer(std::string_view Text, char Separator) : FText(Text), FSep(Separator) {}

    // Reads the next record into Fields; false at the end of the text or on an error (Error()).
    bool Next(std::vector<std::string_view>& Fields) {
        Fields.clear();
        if (AtEnd()) return false;
        std::string_view field;
        bool record_ends = false;
        while (!record_ends) {
            if (!Field(field, record_ends)) return false;
            Fields.push_back(field);
        }
        return true;
    }

    bool AtEnd() const noexcept { return FPos >= FText.size() || FError != datatable::kCsvOk; }

    // Reads the next field; RecordEnds tells whether it was the last of its record. False on an
    // error (Error()).
    bool Field(std::string_view& F, bool& RecordEnds) {
        if (FPos < FText.size() && FText[FPos] == '"') {
            if (!QuotedField(F)) return false;
        } else {
            const size_t start = FPos;
            while (FPos < FText.size() && FText[FPos] != FSep && FText[FPos] != '\n' &&
                   FText[FPos] != '\r')
                ++FPos;
            F = FText.substr(start, FPos - start);
        }
        RecordEnds = EndField();
        return true;
    }

    // The fast path of numeric tables: an unquoted field that std::from_chars reads up to the
    // next separator or line end as a plain decimal number (digits last, so no NAN or INF
    // spelling). Nothing is consumed when the field is anything else.
    bool NumberField(double& V, bool& RecordEnds) {
        const char* first = FText.data() + FPos;
        const char* last = FText.data() + FText.size();
        const auto res = std::from_chars(first, last, V);
        if (res.ec != std::errc() || res.ptr == first) return false;
        const char end_char = res.ptr[-1];
        if (!((end_char >= '0' && end_char <= '9') || end_char == '.')) return false;
        if (res.ptr != last && *res.ptr != FSep && *res.ptr != '\n' && *res.ptr != '\r') return false;
        FPos = static_cast<size_t>(res.ptr - FText.data());
        RecordEnds = EndField();
        return true;
    }

    int Error() const noexcept { return FError; }

private:
    // Consumes the separator or line end after a field; true at the end of a record.
    bool EndField() {
        if (FPos >= FText.size()) return true;
        const char c = FText[FPos++];
        if (c == FSep) return false;
        if (c == '\r' && FPos < FText.size() && FText[FPos] == '\n') ++FPos;
        return true;
    }

    bool QuotedField(std::string_view& Field) {
        const size_t start = ++FPos;
        bool doubled = false;
        for (;;) {
            const size_t q = FText.find('"', FPos);
            if (q == std::string_view::npos) {
                FError = datatable::kCsvUnclosedQuote;
                return false;
            }
            if (q + 1 < FText.size() && FText[q + 1] == '"') {
                doubled = true;
                FPos = q + 2;
                continue;
            }
            FPos = q + 1;
            Field = FText.substr(start, q - start);
            break;
        }
        if (FPos < FText.size() && FText[FPos] != FSep && FText[FPos] != '\n' && FText[FPos] != '\r') {
            FError = datatable::kCsvUnclosedQuote;  // text after the closing quote
            return false;
        }
        if (doubled) {
            std::string& text = FArena.emplace_back();
            text.reserve(Field.size());
            for (size_t i = 0; i < Field.size(); ++i) {
                text.push_back(Field[i]);
                if (Field[i] == '"') ++i;  // the second quote of a pair
            }
            Field = text;
        }
        return true;
    }

    std::string_view FText;
    char FSep;
    size_t FPos = 0;
    int FError = datatable::kCsvOk;
    std::deque<std::string> FArena;  // stable storage of unescaped fields
};

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlankChar(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlankChar(s.back())) s.remove_suffix(1);
    return s;
}

// A number in the given decimal point, strictly; false for any other text.
bool ParseCsvNumber(std::string_view Field, char DecimalPoint, double& Value) {
    Field = TrimBlanks(Field);
    if (Field.empty()) return false;
    if (DecimalPoint == '.') return TryParseDouble(Field, Value);
    if (Field.find('.') != std::string_view::npos) return false;
    char buffer[64];
    std::string long_text;
    char* out = buffer;
    if (Field.size() > sizeof buffer) {
        long_text.resize(Field.size());
        out = long_text.data();
    }
    for (size_t i = 0; i < Field.size(); ++i) out[i] = Field[i] == DecimalPoint ? '.' : Field[i];
    return TryParseDouble(std::string_view(out, Field.size()), Value);
}

bool BadSeparators(const TCsvOptions& O) {
    auto bad = [](char c) { return c == '"' || c == '\r' || c == '\n' || c == '\0'; };
    return O.Separator == O.DecimalPoint || bad(O.Separator) || bad(O.DecimalPoint) ||
           (O.DecimalPoint >= '0' && O.DecimalPoint <= '9') || O.DecimalPoint == '-' ||
           O.DecimalPoint == '+' || O.DecimalPoint == 'e' || O.DecimalPoint == 'E';
}

// Per column of a CSV read: values and states in row order, and the counts that decide its type.
struct TCsvColumn {
    std::vector<double> Values;
    std::vector<uint8_t> States;
    size_t Numbers = 0;
    size_t Texts = 0;
};

}  // namespace

struct TDataTableFiles {
    static int ImportCsv(TDataTable& T, std::string_view Text, const TCsvOptions& O);
    static void ExportCsv(const TDataTable& T, TStream& Out, const TCsvOptions& O);
    static int ReadAsc(TDataTable& T, std::string_view Text);
    static void WriteAsc(const TDataTable& T, TStream& Out, const std::string& FName);
};

namespace {

// Pass 1 of a CSV read: the columns gathered field by field.
int GatherCsv(const TCsvOptions& O, TCsvTokenizer& Tokens,
              std::vector<std::string_view>& First, std::vector<TCsvColumn>& Columns,
              TStrArray& RowNames) {
    const size_t width = First.size();
    const size_t skip = O.HasRowNames ? 1 : 0;
    auto store = [&](size_t k, std::string_view f) {
        if (k < skip) {
            RowNames.emplace_back(CutText(f, datatable::kMaxNameLength));
            return;
        }
        TCsvColumn& col = Columns[k - skip];
        double v = 0.0;
        uint8_t st = 0;
        if (f.empty()) {
            st = datatable::csEmpty;
        } else if (ParseCsvNumber(f, O.DecimalPoint, v)) {
            ++col.Numbers;
        } else {
            st = datatable::csInvalid;
            ++col.Texts;
        }
        col.Values.push_back(v);
        col.States.push_back(st);
    };
    if (!O.HasHeader)
        for (size_t k = 0; k < width; ++k) store(k, First[k]);
    const bool fast = O.DecimalPoint == '.';
    size_t k = 0;  // field index within the record
    std::string_view field;
    bool record_ends = false;
    // The text may end inside a record only after a separator: an empty last field follows.
    while (Tokens.Error() == datatable::kCsvOk && !(Tokens.AtEnd() && k == 0)) {
        if (k >= width) return datatable::kCsvRaggedRow;
        double v;
        if (fast && k >= skip && Tokens.NumberField(v, record_ends)) {
            TCsvColumn& col = Columns[k - skip];
            col.Values.push_back(v);
            col.States.push_back(0);
            ++col.Numbers;
        } else {
            if (!Tokens.Field(field, record_ends)) break;
            store(k, field);
        }
        ++k;
        if (record_ends) {
            if (k != width) return datatable::kCsvRaggedRow;
            k = 0;
        }
    }
    return Tokens.Error();
}

}  // namespace

int TDataTableFiles::ImportCsv(TDataTable& T, std::string_view Text, const TCsvOptions& O) {
    if (BadSeparators(O)) return datatable::kCsvBadSeparators;
    if (Text.size() >= 3 && std::memcmp(Text.data(), "\xEF\xBB\xBF", 3) == 0) Text.remove_prefix(3);
    // Line ends at the very end close the last record; they are no records of their own.
    while (!Text.empty() && (Text.back() == '\n' || Text.back() == '\r')) Text.remove_suffix(1);
    if (Text.empty()) return datatable::kCsvNoData;

    // Every record ends in a line end, so their number bounds the rows.
    const size_t max_rows = static_cast<size_t>(std::count(Text.begin(), Text.end(), '\n')) + 1;
    TCsvTokenizer tokens(Text, O.Separator);
    std::vector<std::string_view> first;
    if (!tokens.Next(first)) return tokens.Error() != datatable::kCsvOk ? tokens.Error() : datatable::kCsvNoData;
    const size_t width = first.size();
    const size_t skip = O.HasRowNames ? 1 : 0;
    const size_t cols = width - std::min(width, skip);

    datatable::detail::TTableContent content;
    if (O.HasHeader)
        for (size_t k = skip; k < width; ++k) content.ColNames.emplace_back(CutText(first[k], datatable::kMaxNameLength));
    std::vector<TCsvColumn> columns;
    try {
        columns.resize(cols);
        for (auto& col : columns) {
            col.Values.reserve(max_rows);
            col.States.reserve(max_rows);
        }
        if (const int rc = GatherCsv(O, tokens, first, columns, content.RowNames); rc != 0) return rc;
    } catch (const std::bad_alloc&) {
        return datatable::kCsvTooLarge;
    } catch (const std::length_error&) {
        return datatable::kCsvTooLarge;
    }
    const size_t rows = columns.empty() ? content.RowNames.size() : columns[0].Values.size();
    if (rows == 0 && !O.HasHeader) return datatable::kCsvNoData;
    if (!datatable::detail::TableSizeIsBacked(static_cast<int64_t>(cols), static_cast<int64_t>(rows),
                                              static_cast<int64_t>(Text.size()) * 2))
        return datatable::kCsvTooLarge;

    // Columns mostly of text are categorical; their texts are read once more, now all of them.
    content.Types.resize(cols);
    std::vector<size_t> text_columns;
    for (size_t c = 0; c < cols; ++c)
        if (columns[c].Texts > columns[c].Numbers) text_columns.push_back(c);
    if (!text_columns.empty()) {
        std::vector<std::vector<std::string_view>> texts(text_columns.size());
        for (auto& t : texts) t.reserve(rows);
        TCsvTokenizer again(Text, O.Separator);
        std::vector<std::string_view> fields;
        if (O.HasHeader) again.Next(fields);
        while (again.Next(fields))
            for (size_t k = 0; k < text_columns.size(); ++k) texts[k].push_back(fields[text_columns[k] + skip]);
        for (size_t k = 0; k < text_columns.size(); ++k) {
            TCsvColumn& col = columns[text_columns[k]];
            TVTypeSpec& vtype = content.Types[text_columns[k]];
            if (!datatable::detail::AssignCategories(texts[k], col.Values, vtype))
                return datatable::kCsvTooManyCategories;
            vtype.MScaleType = TMScaleType::stNominal;
            for (size_t r = 0; r < rows; ++r) col.States[r] = texts[k][r].empty() ? datatable::csEmpty : 0;
        }
    }

    content.Cols = static_cast<int>(cols);
    content.Rows = static_cast<int>(rows);
    try {
        content.Values.resize(cols);
        content.States.resize(cols);
        for (size_t c = 0; c < cols; ++c) {
            content.Values[c] = std::move(columns[c].Values);
            content.States[c] = std::move(columns[c].States);
        }
        content.Complete();
    } catch (const std::bad_alloc&) {
        return datatable::kCsvTooLarge;
    }
    try {
        T.TakeContent(content);
    } catch (const EOZMDataTableError&) {
        return datatable::kCsvTooLarge;
    }
    return datatable::kCsvOk;
}

namespace {

// A field is quoted when it holds the separator, a quote or a line end, has outer blanks, or
// starts with the UTF-8 byte order mark (as the first field of a file, readers would drop it).
void AppendCsvField(std::string& Out, std::string_view Field, char Separator) {
    const bool quote = Field.find_first_of(std::string{Separator, '"', '\r', '\n'}) != std::string_view::npos ||
                       (!Field.empty() && (IsBlankChar(Field.front()) || IsBlankChar(Field.back()))) ||
                       Field.starts_with("\xEF\xBB\xBF");
    if (!quote) {
        Out += Field;
        return;
    }
    Out.push_back('"');
    for (char c : Field) {
        if (c == '"') Out.push_back('"');
        Out.push_back(c);
    }
    Out.push_back('"');
}

void AppendCsvNumber(std::string& Out, double Value, char DecimalPoint) {
    const size_t start = Out.size();
    datatable::detail::AppendNumber(Out, Value);
    if (DecimalPoint != '.') std::replace(Out.begin() + static_cast<ptrdiff_t>(start), Out.end(), '.', DecimalPoint);
}

}  // namespace

void TDataTableFiles::ExportCsv(const TDataTable& T, TStream& Out, const TCsvOptions& O) {
    TBlockWriter w(Out);
    std::string& b = w.Buffer();
    const size_t cols = static_cast<size_t>(T.FNrOfCols);
    const size_t rows = static_cast<size_t>(T.FNrOfRows);
    const size_t width = cols + (O.HasRowNames ? 1 : 0);
    auto end_record = [&](size_t start) {
        // A record of one empty field would be an empty line, which readers drop.
        if (b.size() == start) b += "\"\"";
        b += "\r\n";
        w.FlushIfFull();
    };
    if (O.HasHeader && width > 0) {
        const size_t start = b.size();
        if (O.HasRowNames) b += cols > 0 ? "" : "\"\"";
        for (size_t c = 0; c < cols; ++c) {
            if (c > 0 || O.HasRowNames) b.push_back(O.Separator);
            AppendCsvField(b, T.FColName[c], O.Separator);
        }
        end_record(start);
    }
    const double* data = T.FNumericData->Data();
    for (size_t r = 0; r < rows && width > 0; ++r) {
        const size_t start = b.size();
        if (O.HasRowNames) AppendCsvField(b, T.FRowName[r], O.Separator);
        for (size_t c = 0; c < cols; ++c) {
            if (c > 0 || O.HasRowNames) b.push_back(O.Separator);
            if (!IsNumberState(T.FCState[c][r])) continue;
            const double v = data[c * rows + r];
            const TVTypeSpec& vtype = T.FVType[c];
            if (IsCategoricalType(vtype.MScaleType)) {
                const int64_t k = Round(v);
                if (k >= 1 && k <= kMaxNominalIDs && !vtype.ID(static_cast<int>(k)).empty()) {
                    AppendCsvField(b, vtype.ID(static_cast<int>(k)), O.Separator);
                    continue;
                }
            }
            AppendCsvNumber(b, v, O.DecimalPoint);
        }
        end_record(start);
    }
    w.Flush();
}

int TDataTable::ExportAsCSV(TStream& OutStream, const TCsvOptions& Options) const {
    if (BadSeparators(Options)) return datatable::kCsvBadSeparators;
    TDataTableFiles::ExportCsv(*this, OutStream, Options);
    return 0;
}

int TDataTable::ExportAsCSV(const std::string& FName, const TCsvOptions& Options) const {
    if (BadSeparators(Options)) return datatable::kCsvBadSeparators;
    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(FName, TFileMode::fmCreate);
    } catch (const EInOutError&) {
        return -1;
    }
    TDataTableFiles::ExportCsv(*this, *file, Options);
    file->Flush();
    return 0;
}

int TDataTable::ReadFromCSVString(std::string_view CsvText, const TCsvOptions& Options) {
    return TDataTableFiles::ImportCsv(*this, CsvText, Options);
}

int TDataTable::ImportFromCSV(const std::string& FName, const TCsvOptions& Options) {
    if (BadSeparators(Options)) return datatable::kCsvBadSeparators;
    std::string text;
    if (!ReadFileText(FName, text)) return datatable::kCsvCannotOpen;
    return TDataTableFiles::ImportCsv(*this, text, Options);
}

// --- ASC -------------------------------------------------------------------------------------------

namespace {

constexpr std::string_view kAscDefaultComment = "Exported by OZM TDataTable component: ";
constexpr size_t kAscFieldWidth = 12;

std::string AscQuoted(std::string_view Text) {
    std::string out = "\"";
    for (char c : Text) out.push_back(c == '"' ? '\'' : (c == '\r' || c == '\n') ? ' ' : c);
    out.push_back('"');
    return out;
}

// The lines of an ASC text (CR LF, LF or CR ends).
class TLineReader {
public:
    explicit TLineReader(std::string_view Text) : FText(Text) {}
    bool Next(std::string_view& Line) {
        if (FPos >= FText.size()) return false;
        const size_t end = FText.find_first_of("\r\n", FPos);
        if (end == std::string_view::npos) {
            Line = FText.substr(FPos);
            FPos = FText.size();
            return true;
        }
        Line = FText.substr(FPos, end - FPos);
        FPos = end + 1;
        if (FText[end] == '\r' && FPos < FText.size() && FText[FPos] == '\n') ++FPos;
        return true;
    }

private:
    std::string_view FText;
    size_t FPos = 0;
};

// The count at the start of a header line, as ReadHeaderOfASC reads it.
bool AscCount(std::string_view Line, int& Count) {
    Line = TrimBlanks(Line.substr(0, Line.find(';')));
    int32_t v = 0;
    if (Line.empty() || Line[0] == '+' || Line[0] == '-' || !TryParseInt(Line, v)) return false;
    Count = v;
    return true;
}

bool AscFlags(std::string_view Line, TAscHeader& H) {
    const TStrArray words = Tokenize(Line.substr(0, Line.find(';')), " \t");
    bool* flags[4] = {&H.RowAttributes, &H.ColumnNames, &H.RowNames, &H.NominalVariables};
    if (words.size() < 3 || words.size() > 4) return false;
    H.NominalVariables = false;
    for (size_t k = 0; k < words.size(); ++k) {
        const std::string w = datatable::detail::LowerCase(words[k]);
        if (w == "true") *flags[k] = true;
        else if (w == "false") *flags[k] = false;
        else return false;
    }
    return true;
}

std::string_view NextAscWord(std::string_view Line, size_t& Pos) {
    while (Pos < Line.size() && IsBlankChar(Line[Pos])) ++Pos;
    const size_t start = Pos;
    while (Pos < Line.size() && !IsBlankChar(Line[Pos]) && Line[Pos] != ';') ++Pos;
    return Line.substr(start, Pos - start);
}

bool IsMissing(std::string_view Word) {
    return Word == "###" || datatable::detail::LowerCase(Word) == "nan";
}

}  // namespace

void TDataTableFiles::WriteAsc(const TDataTable& T, TStream& Out, const std::string& FName) {
    TBlockWriter w(Out);
    std::string& b = w.Buffer();
    std::string comment = T.FComment;  // control characters never reach the comment
    if (comment.empty()) comment = std::string(kAscDefaultComment) + FName;
    for (char& c : comment)
        if (c == '\r' || c == '\n') c = ' ';
    const bool nominal = !T.ListOfCategorialVars().empty();
    b += comment + "\r\n";
    b += std::to_string(T.FNrOfCols) + "\t;nr. of columns\r\n";
    b += std::to_string(T.FNrOfRows) + "\t;nr. of rows\r\n";
    b += std::string("TRUE TRUE TRUE ") + (nominal ? "TRUE" : "FALSE") +
         "\t;row attributes, column names, row names, nominal variables\r\n";
    for (int c = 0; c < T.FNrOfCols; ++c) {
        if (c > 0) b.push_back(' ');
        b += AscQuoted(T.FColName[static_cast<size_t>(c)]);
    }
    b += "\r\n";
    const size_t rows = static_cast<size_t>(T.FNrOfRows);
    const double* data = T.FNumericData->Data();
    std::string field;
    for (size_t r = 0; r < rows; ++r) {
        b += std::to_string(T.FRowAtt[r]);
        b.push_back(' ');
        b += AscQuoted(T.FRowName[r]);
        for (size_t c = 0; c < static_cast<size_t>(T.FNrOfCols); ++c) {
            field.clear();
            const double v = data[c * rows + r];
            const TVTypeSpec& vtype = T.FVType[c];
            if (!IsNumberState(T.FCState[c][r])) {
                field = "NAN";
            } else if (IsCategoricalType(vtype.MScaleType) && Round(v) >= 1 &&
                       Round(v) <= kMaxNominalIDs && !vtype.ID(static_cast<int>(Round(v))).empty()) {
                field = AscQuoted(vtype.ID(static_cast<int>(Round(v))));
            } else {
                datatable::detail::AppendNumber(field, v);
            }
            b.push_back(' ');
            if (field.size() < kAscFieldWidth) b.append(kAscFieldWidth - field.size(), ' ');
            b += field;
        }
        b += "\r\n";
        w.FlushIfFull();
    }
    w.Flush();
}

int TDataTableFiles::ReadAsc(TDataTable& T, std::string_view Text) {
    TLineReader lines(Text);
    std::string_view header[4];
    for (auto& line : header)
        if (!lines.Next(line)) return kAscHeaderTruncated;
    TAscHeader h;
    h.Comment = std::string(header[0]);
    if (!AscCount(header[1], h.NrColumns)) return kAscBadColumnCount;
    if (!AscCount(header[2], h.NrRows)) return kAscBadRowCount;
    if (!AscFlags(header[3], h)) return kAscBadFlags;
    // Every value needs a character and a separator.
    const int64_t backed = static_cast<int64_t>(Text.size()) / 2;
    const int64_t cols = h.NrColumns, rows = h.NrRows;
    if (cols * rows > backed || (cols == 0 && rows > backed) || (rows == 0 && cols > backed) ||
        !datatable::detail::TableSizeIsBacked(cols, rows, backed))
        return datatable::kAscValueError;

    const size_t nc = static_cast<size_t>(cols), nr = static_cast<size_t>(rows);
    datatable::detail::TTableContent content;
    content.Cols = h.NrColumns;
    content.Rows = h.NrRows;
    content.Comment = RemoveControlChars(h.Comment);
    content.Complete();  // defaults: names, attributes, states 0, values 0
    std::vector<std::vector<std::string_view>> cat_texts(nc);  // for columns with quoted values
    std::string_view line;
    if (h.ColumnNames) {
        if (!lines.Next(line)) return datatable::kAscValueError;
        size_t pos = 0;
        std::string name;
        for (size_t c = 0; c < nc && ParseQuotedName(line, pos, name); ++c)
            content.ColNames[c] = CutText(name, datatable::kMaxNameLength);
    }
    for (size_t r = 0; r < nr; ++r) {
        do {
            if (!lines.Next(line)) return datatable::kAscValueError;  // the text ends early
        } while (TrimBlanks(line.substr(0, line.find(';'))).empty());
        size_t pos = 0;
        if (h.RowAttributes) {
            double att = 0;
            if (!TryParseDouble(NextAscWord(line, pos), att) || !(std::fabs(att) <= INT32_MAX))
                return datatable::kAscRowAttributeError;
            content.RowAtt[r] = static_cast<int32_t>(Round(att));
        }
        if (h.RowNames) {
            std::string name;
            if (ParseQuotedName(line, pos, name)) content.RowNames[r] = CutText(name, datatable::kMaxNameLength);
        }
        for (size_t c = 0; c < nc; ++c) {
            while (pos < line.size() && IsBlankChar(line[pos])) ++pos;
            if (pos < line.size() && line[pos] == '"') {
                const size_t close = line.find('"', pos + 1);
                if (close == std::string_view::npos) return datatable::kAscValueError;
                const std::string_view text = line.substr(pos + 1, close - pos - 1);
                pos = close + 1;
                if (text.empty()) {  // "" names no category: a missing value
                    content.States[c][r] = datatable::csEmpty;
                    continue;
                }
                if (cat_texts[c].empty()) cat_texts[c].resize(nr);
                cat_texts[c][r] = text;
                continue;
            }
            const std::string_view word = NextAscWord(line, pos);
            double v = 0;
            // NAN in any spelling is the format's missing value, never a number.
            if (IsMissing(word) || (TryParseDouble(word, v) && std::isnan(v))) {
                content.States[c][r] = datatable::csEmpty;
            } else if (TryParseDouble(word, v)) {
                content.Values[c][r] = v;
            } else {
                return datatable::kAscValueError;  // no number, or the row is short
            }
        }
    }
    std::vector<double> slots;
    for (size_t c = 0; c < nc; ++c) {
        if (cat_texts[c].empty()) continue;
        if (!datatable::detail::AssignCategories(cat_texts[c], slots, content.Types[c]))
            return datatable::kAscTooManyCategories;
        content.Types[c].MScaleType = TMScaleType::stNominal;
        for (size_t r = 0; r < nr; ++r)
            if (slots[r] != 0) content.Values[c][r] = slots[r];
    }
    try {
        T.TakeContent(content);
    } catch (const EOZMDataTableError&) {
        return datatable::kAscValueError;
    }
    return 0;
}

int TDataTable::ExportAsASC(const std::string& FName) const {
    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(FName, TFileMode::fmCreate);
    } catch (const EInOutError&) {
        return -1;
    }
    TDataTableFiles::WriteAsc(*this, *file, FName);
    file->Flush();
    return 0;
}

void TDataTable::ExportAsASC(TStream& OutStream, const std::string& FName) const {
    TDataTableFiles::WriteAsc(*this, OutStream, FName);
}

int TDataTable::ImportASC(const std::string& FName) {
    std::error_code ec;
    if (!std::filesystem::exists(FName, ec)) return datatable::kAscFileMissing;
    std::string text;
    if (!ReadFileText(FName, text)) return kAscCannotOpen;
    return TDataTableFiles::ReadAsc(*this, text);
}

int TDataTable::ReadFromASC(TStream& InStream) {
    std::string text;
    if (!ReadRest(InStream, text)) return kAscCannotOpen;
    return TDataTableFiles::ReadAsc(*this, text);
}

}  // namespace ozm
