// TMatrix: the XML vocabulary applied to a two-dimensional matrix, the XML writers and readers.
#include <algorithm>
#include <memory>
#include <string>

#include "ozm/base/text.hpp"
#include "ozm/matrix/persist.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/platform/exceptions.hpp"

namespace ozm {

int TMatrix::ApplyAnnouncedXmlSize() {
    if (FXmlNumCols < 0 || FXmlNumRows < 0) return -1;  // never announced
    if (!matrix::AnnouncedSizeIsBacked(FXmlNumCols, FXmlNumRows, matrix::kMaxXmlCells)) return -1;
    try {
        Resize(static_cast<int>(FXmlNumCols), static_cast<int>(FXmlNumRows));
    } catch (const EOZMMatrixError&) {
        return -1;  // exhausted memory ends the read instead of raising
    }
    return 0;
}

int TMatrix::ProcessXmlTag(TMatXmlTag Tag, const std::string& TagText, const std::string& Content) {
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
            const double value = matrix::ScanReal(Content, pos);
            SetVal(col, row, value);
            return 0;
        }
        case TMatXmlTag::xmlMatEnd:
            return 1;
        case TMatXmlTag::xmlInvalid:
            return -1;
        case TMatXmlTag::xmlMatBegin:
        case TMatXmlTag::xmlMatNumLayers:
        case TMatXmlTag::xmlMatNumTimeSlots:
            return 0;
    }
    return -1;
}

void TMatrix::WriteXmlLines(bool CreateHeader,
                            const std::function<void(const std::string&)>& Sink) const {
    if (CreateHeader) Sink("<?xml version=\"1.0\"?>");
    Sink("<matrix id=\"" + matrix::XmlEscape(FDataID) + "\">");
    Sink("<numcols>" + std::to_string(FNCol) + "</numcols>");
    Sink("<numrows>" + std::to_string(FNRow) + "</numrows>");
    std::string line;
    for (int c = 1; c <= FNCol; ++c) {
        const double* column = Column(c);
        const std::string col_attr = "<cell ix=\"" + std::to_string(c) + "\" iy=\"";
        for (int r = 1; r <= FNRow; ++r) {
            line = col_attr;
            line += std::to_string(r);
            line += "\">";
            line += matrix::CellText(column[r - 1], FPrecis[0], FPrecis[1]);
            line += "</cell>";
            Sink(line);
        }
    }
    Sink("</matrix>");
}

void TMatrix::WriteToXMLStream(TStream& OutStream, bool CreateHeader) const {
    // Lines are collected into blocks, so the stream sees few large writes.
    constexpr size_t kBlock = 65536;
    std::string block;
    WriteXmlLines(CreateHeader, [&](const std::string& Line) {
        block += Line;
        block += "\r\n";
        if (block.size() >= kBlock) {
            OutStream.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
            block.clear();
        }
    });
    OutStream.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
}

void TMatrix::WriteToOpenXMLFile(TTextWriter& OutFile, bool CreateHeader) const {
    WriteXmlLines(CreateHeader, [&](const std::string& Line) { OutFile.WriteLn(Line); });
}

bool TMatrix::SaveAsXMLFile(const std::string& FName) const {
    try {
        TTextWriter writer(FName);
        WriteToOpenXMLFile(writer, true);
        writer.Close();
    } catch (const EInOutError&) {
        return false;
    }
    return true;
}

bool TMatrix::ReadXmlElement(const matrix::TXmlTagSource& Source) {
    TMatrix loaded;
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
    AdoptStorage(std::move(loaded.FData), loaded.FNCol, loaded.FNRow);
    FDataID = std::move(data_id);
    Changed();
    return true;
}

bool TMatrix::ReadFromXMLStream(TStream& InStream) {
    matrix::TXmlStreamTagReader reader(InStream);
    const bool ok = ReadXmlElement(reader.Source());
    try {
        reader.RestorePosition();
    } catch (const EInOutError&) {
        // The stream cannot seek back: the data read stands, only the position is off.
    }
    return ok;
}

bool TMatrix::ReadFromOpenXMLFile(TTextReader& InFile) {
    return ReadXmlElement(matrix::XmlTagsOfTextFile(InFile));
}

bool TMatrix::LoadFromXMLFile(const std::string& FName) {
    std::unique_ptr<TTextReader> reader;
    try {
        reader = std::make_unique<TTextReader>(FName);
    } catch (const EInOutError&) {
        return false;
    }
    return ReadFromOpenXMLFile(*reader);
}

}  // namespace ozm
