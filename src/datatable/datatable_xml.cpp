// TDataTable: the XML vocabulary applied to a table, the XML writers and the readers.
//
// The readers reuse the tag sources of the matrix XML reader (over streams, text files and
// strings): the vocabulary is read one element after the other, which is all these documents
// need, and the stream source can put the stream back right after the table's end element, so a
// table embedded in a larger document leaves the rest to its caller.
#include <algorithm>
#include <functional>

#include "datatable/datatable_internal.hpp"
#include "matrices/xml_documents.hpp"
#include "ozm/base/text.hpp"
#include "ozm/datatable.hpp"
#include "ozm/matrix/scan.hpp"
#include "ozm/matrix/xml.hpp"
#include "ozm/platform/numtext.hpp"

namespace ozm {

using datatable::detail::CutText;
using matrix::detail::ClosesXmlElement;
using matrix::detail::IsEmptyXmlElement;
using matrix::detail::XmlEscapeText;
using matrix::detail::XmlUnescapeText;

namespace {

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
            SetFComment(XmlUnescapeText(Content));
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
                const std::string name = XmlUnescapeText(Content);
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
                slot, CutText(XmlUnescapeText(Content), datatable::kMaxIDLength));
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
    static void Write(const TDataTable& T, bool CreateHeader, const std::string& DataID,
                      const TLineSink& Sink) {
        if (CreateHeader) Sink("<?xml version=\"1.0\"?>");
        Sink(DataID.empty() ? std::string("<datatable>")
                            : "<datatable id=\"" + XmlEscapeText(DataID) + "\">");
        Sink("<comment>" + XmlEscapeText(T.FComment) + "</comment>");
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
             [&](int k) { return XmlEscapeText(T.FColName[static_cast<size_t>(k - 1)]); }, all);
        list(TDTxmlTags::xmlRowNames, TDTxmlTags::xmlRowId, T.FNrOfRows,
             [&](int k) { return XmlEscapeText(T.FRowName[static_cast<size_t>(k - 1)]); }, all);
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
                Sink("<idf ix=\"" + std::to_string(k) + "\">" + XmlEscapeText(vtype.ID(k)) +
                     "</idf>");
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

void TDataTable::WriteToXMLStream(TStream& OutStream, bool CreateHeader,
                                  const std::string& DataID) const {
    matrix::detail::XmlLinesToStream(OutStream, [&](const matrix::detail::TLineSink& Sink) {
        TDataTableXmlWriter::Write(*this, CreateHeader, DataID, Sink);
    });
}

void TDataTable::WriteToOpenXMLFile(TTextWriter& OutFile, bool CreateHeader,
                                    const std::string& DataID) const {
    TDataTableXmlWriter::Write(*this, CreateHeader, DataID,
                               [&](const std::string& Line) { OutFile.WriteLn(Line); });
}

bool TDataTable::SaveAsXMLFile(const std::string& FName) const {
    return matrix::detail::XmlLinesToFile(FName, [&](const matrix::detail::TLineSink& Sink) {
        TDataTableXmlWriter::Write(*this, true, "", Sink);
    });
}

// --- readers -------------------------------------------------------------------------------------

bool TDataTable::ReadXml(const matrix::TXmlTagSource& Source, int64_t BackedBytes) {
    TDataTable loaded;
    loaded.FXmlLimit = std::max<int64_t>(BackedBytes, 0);
    std::string tag, content, closing, after;
    if (!Source(tag, content)) return false;
    if (datatable::DTxmlTagOf(tag) != TDTxmlTags::xmlDataTableId || IsEmptyXmlElement(tag))
        return false;
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
            if (IsEmptyXmlElement(tag) &&
                loaded.ProcessXmlTag(kind, "/" + std::string(TagName(kind)), "") != 0)
                return false;
            continue;
        }
        // A simple element: closed by its own end tag right after its content, or empty.
        if (IsEmptyXmlElement(tag)) {
            content.clear();
        } else {
            if (!Source(closing, after)) return false;
            if (!ClosesXmlElement(closing, TagName(kind))) return false;
        }
        if (loaded.ProcessXmlTag(kind, tag, content) != 0) return false;
    }
    TakeContentsFrom(loaded);
    return true;
}

bool TDataTable::ReadFromXMLStream(TStream& InStream) {
    return matrix::detail::XmlElementFromStream(
        InStream, [this](const matrix::TXmlTagSource& Source, int64_t Backing) {
            return Backing >= 0 && ReadXml(Source, Backing);
        });
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
    return matrix::detail::XmlElementFromFile(
        FName, [this](const matrix::TXmlTagSource& Source, int64_t Backing) {
            return Backing >= 0 && ReadXml(Source, Backing);
        });
}

}  // namespace ozm
