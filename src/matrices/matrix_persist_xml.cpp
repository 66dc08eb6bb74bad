// The matrices: the XML vocabulary applied to a two-dimensional matrix, the XML writers and
// readers.
#include <algorithm>
#include <charconv>
#include <string>

#include "matrices/matrix_internal.hpp"
#include "matrices/matrix_persist_cells.hpp"
#include "matrices/xml_documents.hpp"
#include "ozm/base/text.hpp"
#include "ozm/matrix/persist.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/platform/exceptions.hpp"

namespace ozm {

template <typename TCell, typename TSelf>
int TMatrixCore<TCell, TSelf>::ApplyAnnouncedXmlSize() {
    if (FXmlNumCols < 0 || FXmlNumRows < 0) return -1;  // never announced
    // A sparse matrix allocates nothing for its size, so only the dense form is held to
    // kMaxXmlCells; the integer scanner already keeps both counts within the 32-bit range.
    if (!SparseNow() &&
        !matrix::AnnouncedSizeIsBacked(FXmlNumCols, FXmlNumRows, matrix::kMaxXmlCells))
        return -1;
    try {
        Self().Resize(static_cast<int>(FXmlNumCols), static_cast<int>(FXmlNumRows));
    } catch (const EOZMMatrixError&) {
        return -1;  // exhausted memory ends the read instead of raising
    }
    return 0;
}

template <typename TCell, typename TSelf>
int TMatrixCore<TCell, TSelf>::ProcessXmlTag(TMatXmlTag Tag, const std::string& TagText,
                                             const std::string& Content) {
    size_t pos = 0;
    switch (Tag) {
        case TMatXmlTag::xmlMatNumCols:
            FXmlNumCols = std::max(0, matrix::ScanInteger(Content, pos));
            return 0;
        case TMatXmlTag::xmlMatNumRows:
            FXmlNumRows = std::max(0, matrix::ScanInteger(Content, pos));
            return 0;
        case TMatXmlTag::xmlMatCell: {
            if (FirstCell) {
                if (ApplyAnnouncedXmlSize() != 0) return -1;
                FirstCell = false;
            }
            const int col = matrix::XmlIndexAttribute(TagText, "ix");
            const int row = matrix::XmlIndexAttribute(TagText, "iy");
            TCell value;
            if constexpr (std::is_floating_point_v<TCell>)
                value = matrix::ScanReal(Content, pos);
            else
                value = matrix::ScanInteger(Content, pos);
            if (SparseNow()) return PutReadCell(col, row, value) ? 0 : -1;
            SetVal(col, row, value);
            return 0;
        }
        case TMatXmlTag::xmlMatEnd:
            return 1;
        case TMatXmlTag::xmlInvalid:
            return -1;
        case TMatXmlTag::xmlMatBegin:
            // A new document: its size is announced afresh and applied at its first cell.
            FirstCell = true;
            FXmlNumCols = -1;
            FXmlNumRows = -1;
            return 0;
        case TMatXmlTag::xmlMatNumLayers:
        case TMatXmlTag::xmlMatNumTimeSlots:
            return 0;
    }
    return -1;
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::WriteXmlLines(
    bool CreateHeader, const std::function<void(const std::string&)>& Sink) const {
    if (CreateHeader) Sink("<?xml version=\"1.0\"?>");
    Sink("<matrix id=\"" + matrix::XmlEscape(FDataID) + "\">");
    Sink("<numcols>" + std::to_string(FNCol) + "</numcols>");
    Sink("<numrows>" + std::to_string(FNRow) + "</numrows>");
    std::string line;
    const auto append_index = [&line](int Index) {
        char digits[16];
        line.append(digits, std::to_chars(digits, digits + sizeof digits, Index).ptr);
    };
    const auto cell_line = [&](int c, int r, TCell value) {
        line.assign("<cell ix=\"");
        append_index(c);
        line += "\" iy=\"";
        append_index(r);
        line += "\">";
        matrix::detail::AppendCellText(Self(), line, value);
        line += "</cell>";
        Sink(line);
    };
    if constexpr (TSelf::kHasSparseForm) {
        if (SparseNow()) {
            // Only the entries: cells without one read as 0 anyway.
            for (const auto& e : Self().SparseEntries()) cell_line(e.colidx, e.rowidx, e.value);
            Sink("</matrix>");
            return;
        }
    }
    for (int c = 1; c <= FNCol; ++c) {
        const TCell* column = Column(c);
        for (int r = 1; r <= FNRow; ++r) cell_line(c, r, column[r - 1]);
    }
    Sink("</matrix>");
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::WriteToXMLStream(TStream& OutStream, bool CreateHeader) const {
    matrix::detail::XmlLinesToStream(
        OutStream, [&](const matrix::detail::TLineSink& Sink) { WriteXmlLines(CreateHeader, Sink); });
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::WriteToOpenXMLFile(TTextWriter& OutFile, bool CreateHeader) const {
    WriteXmlLines(CreateHeader, [&](const std::string& Line) { OutFile.WriteLn(Line); });
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::SaveAsXMLFile(const std::string& FName) const {
    try {
        TTextWriter writer(FName);
        WriteToOpenXMLFile(writer, true);
        writer.Close();
    } catch (const EInOutError&) {
        return false;
    }
    return true;
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::ReadXmlElement(const matrix::TXmlTagSource& Source) {
    // The work matrix has the form of this one, so that a sparse matrix reads into entries.
    TSelf loaded;
    if constexpr (TSelf::kHasSparseForm)
        if (SparseNow()) loaded.ArrayToSparse(Self().AllocBy());
    loaded.FirstCell = true;
    loaded.FXmlNumCols = -1;
    loaded.FXmlNumRows = -1;
    std::string data_id;
    const bool complete = matrix::ReadMatrixXmlElement(
        Source,
        [&loaded](TMatXmlTag Tag, const std::string& TagText, const std::string& Content) {
            return loaded.ProcessXmlTag(Tag, TagText, Content);
        },
        data_id);
    if (!complete) return false;
    // A matrix without cells (a dimension of 0) is described by its size alone.
    if (loaded.FirstCell && loaded.ApplyAnnouncedXmlSize() != 0) return false;
    if constexpr (TSelf::kHasSparseForm)
        if (SparseNow()) Self().TakeOverSparse(loaded);
    if (!SparseNow()) AdoptStorage(std::move(loaded.FData), loaded.FNCol, loaded.FNRow);
    FDataID = std::move(data_id);
    Changed();
    return true;
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::ReadFromXMLStream(TStream& InStream) {
    return matrix::detail::XmlElementFromStream(
        InStream,
        [this](const matrix::TXmlTagSource& Source, int64_t) { return ReadXmlElement(Source); });
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::ReadFromOpenXMLFile(TTextReader& InFile) {
    return ReadXmlElement(matrix::XmlTagsOfTextFile(InFile));
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::LoadFromXMLFile(const std::string& FName) {
    return matrix::detail::XmlElementFromFile(
        FName,
        [this](const matrix::TXmlTagSource& Source, int64_t) { return ReadXmlElement(Source); });
}

#define OZM_XML_MEMBERS(TCell, TSelf)                                                      \
    template int TMatrixCore<TCell, TSelf>::ApplyAnnouncedXmlSize();                       \
    template int TMatrixCore<TCell, TSelf>::ProcessXmlTag(TMatXmlTag, const std::string&,  \
                                                          const std::string&);             \
    template void TMatrixCore<TCell, TSelf>::WriteXmlLines(                                \
        bool, const std::function<void(const std::string&)>&) const;                       \
    template void TMatrixCore<TCell, TSelf>::WriteToXMLStream(TStream&, bool) const;       \
    template void TMatrixCore<TCell, TSelf>::WriteToOpenXMLFile(TTextWriter&, bool) const; \
    template bool TMatrixCore<TCell, TSelf>::SaveAsXMLFile(const std::string&) const;      \
    template bool TMatrixCore<TCell, TSelf>::ReadXmlElement(const matrix::TXmlTagSource&); \
    template bool TMatrixCore<TCell, TSelf>::ReadFromXMLStream(TStream&);                  \
    template bool TMatrixCore<TCell, TSelf>::ReadFromOpenXMLFile(TTextReader&);            \
    template bool TMatrixCore<TCell, TSelf>::LoadFromXMLFile(const std::string&);

OZM_INSTANTIATE_MATRIX_CORE(OZM_XML_MEMBERS)

}  // namespace ozm
