// TDataTable: the XML vocabulary applied to a table, the XML writers and the readers.
//
// The readers reuse the tag sources of the matrix XML reader (over streams, text files and
// strings): the vocabulary is read one element after the other, which is all these documents
// need, and the stream source can put the stream back right after the table's end element, so a
// table embedded in a larger document leaves the rest to its caller.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "datatable/datatable_internal.hpp"
#include "matrices/xml_lines.hpp"
#include "ozm/base/text.hpp"
#include "ozm/datatable.hpp"
#include "ozm/matrix/scan.hpp"
#include "ozm/matrix/xml.hpp"
#include "ozm/platform/numtext.hpp"

namespace ozm {

using datatable::detail::CutText;

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

// Text of an element or attribute: the markup characters as named entities and the control
// characters as character references, so that names holding line ends or tabs come back as they
// were (XML parsers normalise raw line ends and blanks).
std::string EscapeText(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (char ch : Text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "&#x";
                    out.push_back(kHexDigits[c >> 4]);
                    out.push_back(kHexDigits[c & 0xF]);
                    out.push_back(';');
                } else {
                    out.push_back(ch);
                }
        }
    }
    return out;
}

// Appends code point Cp as UTF-8 (references above 0xFF in hand-written documents).
void AppendUtf8(std::string& Out, uint32_t Cp) {
    if (Cp < 0x80) {
        Out.push_back(static_cast<char>(Cp));
    } else if (Cp < 0x800) {
        Out.push_back(static_cast<char>(0xC0 | (Cp >> 6)));
        Out.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
    } else if (Cp < 0x10000) {
        Out.push_back(static_cast<char>(0xE0 | (Cp >> 12)));
        Out.push_back(static_cast<char>(0x80 | ((Cp >> 6) & 0x3F)));
        Out.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
    } else {
        Out.push_back(static_cast<char>(0xF0 | (Cp >> 18)));
        Out.push_back(static_cast<char>(0x80 | ((Cp >> 12) & 0x3F)));
        Out.push_back(static_cast<char>(0x80 | ((Cp >> 6) & 0x3F)));
        Out.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
    }
}

// The reverse of EscapeText in one pass (so "&amp;#10;" stays the text "&#10;"): the five named
// entities and decimal or hexadecimal character references; anything else stays as it is.
// References below 0x100 give that byte, as the writer produced them.
std::string UnescapeText(std::string_view Text) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    out.reserve(Text.size());
    for (size_t i = 0; i < Text.size();) {
        if (Text[i] != '&') {
            out.push_back(Text[i++]);
            continue;
        }
        bool done = false;
        for (const auto& [entity, ch] : kEntities) {
            if (Text.compare(i, entity.size(), entity) == 0) {
                out.push_back(ch);
                i += entity.size();
                done = true;
                break;
            }
        }
        if (!done && i + 2 < Text.size() && Text[i + 1] == '#') {
            const bool hex = Text[i + 2] == 'x' || Text[i + 2] == 'X';
            size_t j = i + (hex ? 3 : 2);
            uint32_t cp = 0;
            size_t digits = 0;
            for (; j < Text.size() && digits < 8; ++j, ++digits) {
                const char c = Text[j];
                uint32_t d;
                if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
                else if (hex && c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
                else if (hex && c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
                else break;
                cp = cp * (hex ? 16 : 10) + d;
            }
            if (digits > 0 && j < Text.size() && Text[j] == ';' && cp <= 0x10FFFF) {
                if (cp < 0x100)
                    out.push_back(static_cast<char>(cp));
                else
                    AppendUtf8(out, cp);
                i = j + 1;
                done = true;
            }
        }
        if (!done) out.push_back(Text[i++]);
    }
    return out;
}

bool IsEmptyElement(std::string_view TagText) {
    size_t n = TagText.size();
    while (n > 0 && (TagText[n - 1] == ' ' || TagText[n - 1] == '\t' || TagText[n - 1] == '\r' ||
                     TagText[n - 1] == '\n'))
        --n;
    return n > 0 && TagText[n - 1] == '/';
}

bool IsListElement(TDTxmlTags Tag) {
    switch (Tag) {
        case TDTxmlTags::xmlColNames:
        case TDTxmlTags::xmlRowNames:
        case TDTxmlTags::xmlColAttrib:
        case TDTxmlTags::xmlRowAttrib:
        case TDTxmlTags::xmlDataCells:
        case TDTxmlTags::xmlVarType:
            return true;
        default:
            return false;
    }
}

std::string_view TagName(TDTxmlTags Tag) { return datatable::DTxmlTags[static_cast<size_t>(Tag)]; }

// The integer of attribute Name, false when it is missing or no integer.
bool IntAttribute(std::string_view TagText, std::string_view Name, int64_t& Value) {
    std::string text;
    if (!matrix::XmlTextAttribute(TagText, Name, text)) return false;
    int64_t v = 0;
    if (!TryParseInt64(StripLTBlanks(text), v)) return false;
    Value = v;
    return true;
}

}  // namespace

// --- the vocabulary --------------------------------------------------------------------------------

int TDataTable::ProcessXmlTag(TDTxmlTags Tag, const std::string& TagText,
                              const std::string& Content) {
    const bool closing = !TagText.empty() && TagText[0] == '/';
    auto index = [&](std::string_view Name, int Count, int& Ix) {
        int64_t v = 0;
        if (!IntAttribute(TagText, Name, v) || v < 1 || v > Count) return false;
        Ix = static_cast<int>(v);
        return true;
    };
    switch (Tag) {
        case TDTxmlTags::xmlDataTableId:
            FXmlList = TDTxmlTags::xmlInvalid;
            FXmlSized = false;
            return 0;
        case TDTxmlTags::xmlDataTableEndId:
            return (FXmlList == TDTxmlTags::xmlInvalid && FXmlSized) ? 1 : -1;
        case TDTxmlTags::xmlComment:
            if (FXmlList != TDTxmlTags::xmlInvalid) return -1;
            SetFComment(UnescapeText(Content));
            return 0;
        case TDTxmlTags::xmlSize: {
            int64_t cols = 0, rows = 0;
            if (FXmlList != TDTxmlTags::xmlInvalid || FXmlSized) return -1;
            if (!IntAttribute(TagText, "cols", cols) || !IntAttribute(TagText, "rows", rows))
                return -1;
            if (!datatable::detail::TableSizeIsBacked(cols, rows, FXmlLimit)) return -1;
            try {
                Resize(static_cast<int>(cols), static_cast<int>(rows));
            } catch (const EOZMDataTableError&) {
                return -1;
            }
            FXmlSized = true;
            return 0;
        }
        case TDTxmlTags::xmlColNames:
        case TDTxmlTags::xmlRowNames:
        case TDTxmlTags::xmlColAttrib:
        case TDTxmlTags::xmlRowAttrib:
        case TDTxmlTags::xmlDataCells:
        case TDTxmlTags::xmlVarType: {
            if (!FXmlSized) return -1;
            if (closing) {
                if (FXmlList != Tag) return -1;
                FXmlList = TDTxmlTags::xmlInvalid;
                return 0;
            }
            if (FXmlList != TDTxmlTags::xmlInvalid) return -1;  // lists do not nest
            if (Tag == TDTxmlTags::xmlVarType) {
                int col = 0;
                if (!index("ix", FNrOfCols, col)) return -1;
                TMScaleType type = TMScaleType::stInterval;
                std::string type_name;
                if (matrix::XmlTextAttribute(TagText, "type", type_name) &&
                    !datatable::detail::ScaleTypeOfName(StripLTBlanks(type_name), type))
                    return -1;
                TVTypeSpec& vtype = FVType[static_cast<size_t>(col - 1)];
                vtype.MScaleType = type;
                vtype.ClearIDs();  // the element lists all identifiers of the column
                FXmlVarCol = col;
                ChangedSetup();
            }
            FXmlList = Tag;
            return 0;
        }
        case TDTxmlTags::xmlColId:
        case TDTxmlTags::xmlRowId: {
            const bool is_col = Tag == TDTxmlTags::xmlColId;
            const TDTxmlTags names = is_col ? TDTxmlTags::xmlColNames : TDTxmlTags::xmlRowNames;
            const TDTxmlTags attribs = is_col ? TDTxmlTags::xmlColAttrib : TDTxmlTags::xmlRowAttrib;
            int ix = 0;
            if (FXmlList != names && FXmlList != attribs) return -1;
            if (!index("ix", is_col ? FNrOfCols : FNrOfRows, ix)) return -1;
            if (FXmlList == names) {
                const std::string name = UnescapeText(Content);
                if (is_col) SetColName(ix, name);
                else SetRowName(ix, name);
            } else {
                int64_t att = 0;
                if (!TryParseInt64(StripLTBlanks(Content), att) || att < INT32_MIN || att > INT32_MAX)
                    return -1;
                if (is_col) SetColAttrib(ix, static_cast<int32_t>(att));
                else SetRowAttrib(ix, static_cast<int32_t>(att));
            }
            return 0;
        }
        case TDTxmlTags::xmlVarIdentifier: {
            int slot = 0;
            if (FXmlList != TDTxmlTags::xmlVarType || !index("ix", kMaxNominalIDs, slot)) return -1;
            FVType[static_cast<size_t>(FXmlVarCol - 1)].SetID(
                slot, CutText(UnescapeText(Content), datatable::kMaxIDLength));
            ChangedSetup();
            return 0;
        }
        case TDTxmlTags::xmlCellID: {
            int col = 0, row = 0;
            if (FXmlList != TDTxmlTags::xmlDataCells || !index("ix", FNrOfCols, col) ||
                !index("iy", FNrOfRows, row))
                return -1;
            double value = 0.0;
            const std::string text = StripLTBlanks(Content);
            if (!text.empty() && !TryParseDouble(text, value)) return -1;
            int64_t state = 0;
            std::string state_text;
            if (matrix::XmlTextAttribute(TagText, "st", state_text) &&
                (!IntAttribute(TagText, "st", state) || state < 0 || state > 255))
                return -1;
            SetElem(col, row, value);
            SetCellState(col, row, static_cast<uint8_t>(state));
            return 0;
        }
        case TDTxmlTags::xmlInvalid:
            return -1;
    }
    return -1;
}

// --- writers -------------------------------------------------------------------------------------

namespace {

using TLineSink = std::function<void(const std::string&)>;

}  // namespace

struct TDataTableXmlWriter {
    static void Write(const TDataTable& T, bool CreateHeader, const TLineSink& Sink) {
        if (CreateHeader) Sink("<?xml version=\"1.0\"?>");
        Sink("<datatable>");
        Sink("<comment>" + EscapeText(T.FComment) + "</comment>");
        Sink("<size cols=\"" + std::to_string(T.FNrOfCols) + "\" rows=\"" +
             std::to_string(T.FNrOfRows) + "\"/>");
        std::string line;
        auto list = [&](TDTxmlTags List, TDTxmlTags Item, int Count, auto&& Text, auto&& Wanted) {
            Sink("<" + std::string(TagName(List)) + ">");
            const std::string open = "<" + std::string(TagName(Item)) + " ix=\"";
            const std::string close = "</" + std::string(TagName(Item)) + ">";
            for (int k = 1; k <= Count; ++k) {
                if (!Wanted(k)) continue;
                line = open;
                line += std::to_string(k);
                line += "\">";
                line += Text(k);
                line += close;
                Sink(line);
            }
            Sink("</" + std::string(TagName(List)) + ">");
        };
        auto all = [](int) { return true; };
        list(TDTxmlTags::xmlColNames, TDTxmlTags::xmlColId, T.FNrOfCols,
             [&](int k) { return EscapeText(T.FColName[static_cast<size_t>(k - 1)]); }, all);
        list(TDTxmlTags::xmlRowNames, TDTxmlTags::xmlRowId, T.FNrOfRows,
             [&](int k) { return EscapeText(T.FRowName[static_cast<size_t>(k - 1)]); }, all);
        // Attributes are 0 unless set: only the others are listed.
        list(TDTxmlTags::xmlColAttrib, TDTxmlTags::xmlColId, T.FNrOfCols,
             [&](int k) { return std::to_string(T.FColAtt[static_cast<size_t>(k - 1)]); },
             [&](int k) { return T.FColAtt[static_cast<size_t>(k - 1)] != 0; });
        list(TDTxmlTags::xmlRowAttrib, TDTxmlTags::xmlRowId, T.FNrOfRows,
             [&](int k) { return std::to_string(T.FRowAtt[static_cast<size_t>(k - 1)]); },
             [&](int k) { return T.FRowAtt[static_cast<size_t>(k - 1)] != 0; });
        for (int c = 1; c <= T.FNrOfCols; ++c) {
            const TVTypeSpec& vtype = T.FVType[static_cast<size_t>(c - 1)];
            line = "<vardef ix=\"" + std::to_string(c) + "\" type=\"";
            line += datatable::MScaleTypeNames[static_cast<size_t>(vtype.MScaleType) %
                                              datatable::MScaleTypeNames.size()];
            line += "\"";
            // Identifiers are kept whatever the scale type, so they are written for every column.
            if (vtype.IDs.empty() ||
                std::all_of(vtype.IDs.begin(), vtype.IDs.end(), [](const auto& s) { return s.empty(); })) {
                Sink(line + "/>");
                continue;
            }
            Sink(line + ">");
            for (int k = 1; k <= kMaxNominalIDs; ++k) {
                if (vtype.ID(k).empty()) continue;
                Sink("<idf ix=\"" + std::to_string(k) + "\">" + EscapeText(vtype.ID(k)) + "</idf>");
            }
            Sink("</vardef>");
        }
        Sink("<datacells>");
        const size_t rows = static_cast<size_t>(T.FNrOfRows);
        const double* data = T.FNumericData->Data();
        for (int c = 1; c <= T.FNrOfCols; ++c) {
            const std::string col_attr = "<cell ix=\"" + std::to_string(c) + "\" iy=\"";
            const double* col = data + static_cast<size_t>(c - 1) * rows;
            const uint8_t* st = T.FCState[static_cast<size_t>(c - 1)].data();
            for (size_t r = 0; r < rows; ++r) {
                line = col_attr;
                line += std::to_string(r + 1);
                if (st[r] != 0) {
                    line += "\" st=\"";
                    line += std::to_string(st[r]);
                }
                line += "\">";
                datatable::detail::AppendNumber(line, col[r]);
                line += "</cell>";
                Sink(line);
            }
        }
        Sink("</datacells>");
        Sink("</datatable>");
    }
};

void TDataTable::WriteToXMLStream(TStream& OutStream, bool CreateHeader) const {
    matrix::detail::XmlLinesToStream(OutStream, [&](const matrix::detail::TLineSink& Sink) {
        TDataTableXmlWriter::Write(*this, CreateHeader, Sink);
    });
}

void TDataTable::WriteToOpenXMLFile(TTextWriter& OutFile, bool CreateHeader) const {
    TDataTableXmlWriter::Write(*this, CreateHeader,
                               [&](const std::string& Line) { OutFile.WriteLn(Line); });
}

bool TDataTable::SaveAsXMLFile(const std::string& FName) const {
    return matrix::detail::XmlLinesToFile(FName, [&](const matrix::detail::TLineSink& Sink) {
        TDataTableXmlWriter::Write(*this, true, Sink);
    });
}

// --- readers -------------------------------------------------------------------------------------

bool TDataTable::ReadXml(const matrix::TXmlTagSource& Source, int64_t BackedBytes) {
    TDataTable loaded;
    loaded.FXmlLimit = std::max<int64_t>(BackedBytes, 0);
    std::string tag, content, closing, after;
    if (!Source(tag, content)) return false;
    if (datatable::DTxmlTagOf(tag) != TDTxmlTags::xmlDataTableId || IsEmptyElement(tag)) return false;
    loaded.ProcessXmlTag(TDTxmlTags::xmlDataTableId, tag, content);
    bool complete = false;
    while (!complete) {
        if (!Source(tag, content)) return false;  // the table element is never closed
        TDTxmlTags kind = datatable::DTxmlTagOf(tag);
        if (kind == TDTxmlTags::xmlDataTableEndId) {
            if (loaded.ProcessXmlTag(kind, tag, content) != 1) return false;
            complete = true;
            continue;
        }
        if (!tag.empty() && tag[0] == '/') {
            // The end of a list element.
            kind = datatable::DTxmlTagOf(std::string_view(tag).substr(1));
            if (!IsListElement(kind) || loaded.ProcessXmlTag(kind, tag, content) != 0) return false;
            continue;
        }
        if (kind == TDTxmlTags::xmlInvalid || kind == TDTxmlTags::xmlDataTableId) return false;
        if (IsListElement(kind)) {
            if (loaded.ProcessXmlTag(kind, tag, content) != 0) return false;
            if (IsEmptyElement(tag) &&
                loaded.ProcessXmlTag(kind, "/" + std::string(TagName(kind)), "") != 0)
                return false;
            continue;
        }
        // A simple element: closed by its own end tag right after its content, or empty.
        if (IsEmptyElement(tag)) {
            content.clear();
        } else {
            if (!Source(closing, after)) return false;
            if (XmlTagName(closing) != "/" + std::string(TagName(kind))) return false;
        }
        if (loaded.ProcessXmlTag(kind, tag, content) != 0) return false;
    }
    TakeContentsFrom(loaded);
    return true;
}

bool TDataTable::ReadFromXMLStream(TStream& InStream) {
    int64_t backed = 0;
    try {
        backed = InStream.Size() - InStream.Position();
    } catch (const EInOutError&) {
        return false;
    }
    matrix::TXmlStreamTagReader reader(InStream);
    const bool ok = ReadXml(reader.Source(), backed);
    try {
        reader.RestorePosition();
    } catch (const EInOutError&) {
        // The stream cannot seek back: the data read stands, only the position is off.
    }
    return ok;
}

bool TDataTable::ReadFromOpenXMLFile(TTextReader& InFile) {
    // An open file cannot be measured: it may announce what a document of the largest size that
    // the matrix readers accept could hold.
    return ReadXml(matrix::XmlTagsOfTextFile(InFile), matrix::kMaxXmlCells);
}

bool TDataTable::ReadFromXMLString(std::string_view XmlText) {
    size_t pos = 0;
    return ReadXml(
        [&](std::string& Tag, std::string& Content) {
            return ReadNextTagInString(XmlText, pos, Tag, Content);
        },
        static_cast<int64_t>(XmlText.size()));
}

bool TDataTable::LoadFromXMLFile(const std::string& FName) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(FName, ec);
    if (ec) return false;
    std::unique_ptr<TTextReader> reader;
    try {
        reader = std::make_unique<TTextReader>(FName);
    } catch (const EInOutError&) {
        return false;
    }
    return ReadXml(matrix::XmlTagsOfTextFile(*reader), static_cast<int64_t>(size));
}

}  // namespace ozm
