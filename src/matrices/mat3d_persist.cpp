// TMat3D: the XML vocabulary and the record files (a stack of one time slot).
#include <algorithm>

#include "matrices/mat4d_files.hpp"
#include "ozm/matrix/tmat3d.hpp"
#include "ozm/platform/exceptions.hpp"

namespace ozm {

int TMat3D::ApplyAnnouncedXmlSize() {
    if (!matrix::detail::AnnouncedStackIsAcceptable(FXmlExtent, 3)) return -1;
    try {
        Resize(static_cast<int>(FXmlExtent[0]), static_cast<int>(FXmlExtent[1]),
               static_cast<int>(FXmlExtent[2]));
    } catch (const EOZMMatrixError&) {
        return -1;
    }
    return 0;
}

int TMat3D::ProcessXmlTag(TMatXmlTag Tag, const std::string& TagText, const std::string& Content) {
    size_t pos = 0;
    switch (Tag) {
        case TMatXmlTag::xmlMatNumCols:
        case TMatXmlTag::xmlMatNumRows:
        case TMatXmlTag::xmlMatNumLayers:
            // Recorded, applied at the first cell, so that extents and storage change together.
            FXmlExtent[static_cast<int>(Tag)] = matrix::ScanInteger(Content, pos);
            return 0;
        case TMatXmlTag::xmlMatCell: {
            if (FirstCell) {
                if (ApplyAnnouncedXmlSize() != 0) return -1;
                FirstCell = false;
            }
            SetVal(matrix::XmlIndexAttribute(TagText, "ix"), matrix::XmlIndexAttribute(TagText, "iy"),
                   matrix::XmlIndexAttribute(TagText, "iz"), matrix::ScanReal(Content, pos));
            return 0;
        }
        case TMatXmlTag::xmlMatEnd:
            return 1;
        case TMatXmlTag::xmlInvalid:
            return -1;
        case TMatXmlTag::xmlMatBegin:
            // A new document: its extents are announced afresh and applied at its first cell.
            FirstCell = true;
            std::fill(std::begin(FXmlExtent), std::end(FXmlExtent), -1);
            return 0;
        case TMatXmlTag::xmlMatNumTimeSlots:
            return 0;
    }
    return -1;
}

void TMat3D::WriteXmlLines(bool CreateHeader,
                           const std::function<void(const std::string&)>& Sink) const {
    const int extents[3] = {FNumX, FNumY, FNumZ};
    matrix::detail::StackXmlLines(FData.data(), extents, 3, FDataID, CreateHeader, Sink);
}

void TMat3D::WriteToXMLStream(TStream& OutStream, bool CreateHeader) const {
    matrix::detail::XmlLinesToStream(
        OutStream, [&](const matrix::detail::TLineSink& Sink) { WriteXmlLines(CreateHeader, Sink); });
}

void TMat3D::WriteToOpenXMLFile(TTextWriter& OutFile, bool CreateHeader) const {
    WriteXmlLines(CreateHeader, [&](const std::string& Line) { OutFile.WriteLn(Line); });
}

bool TMat3D::SaveAsXMLFile(const std::string& FName) const {
    return matrix::detail::XmlLinesToFile(
        FName, [&](const matrix::detail::TLineSink& Sink) { WriteXmlLines(true, Sink); });
}

bool TMat3D::ReadXmlElement(const matrix::TXmlTagSource& Source) {
    TMat3D loaded;
    std::string data_id;
    const bool complete = matrix::ReadMatrixXmlElement(
        Source,
        [&loaded](TMatXmlTag Tag, const std::string& TagText, const std::string& Content) {
            return loaded.ProcessXmlTag(Tag, TagText, Content);
        },
        data_id);
    if (!complete) return false;
    if (loaded.FirstCell && loaded.ApplyAnnouncedXmlSize() != 0) return false;
    Adopt(std::move(loaded.FData), loaded.FNumX, loaded.FNumY, loaded.FNumZ);
    FDataID = std::move(data_id);
    Changed();
    return true;
}

bool TMat3D::ReadFromXMLStream(TStream& InStream) {
    return matrix::detail::XmlElementFromStream(
        InStream,
        [this](const matrix::TXmlTagSource& Source, int64_t) { return ReadXmlElement(Source); });
}

bool TMat3D::ReadFromOpenXMLFile(TTextReader& InFile) {
    return ReadXmlElement(matrix::XmlTagsOfTextFile(InFile));
}

bool TMat3D::LoadFromXMLFile(const std::string& FName) {
    return matrix::detail::XmlElementFromFile(
        FName,
        [this](const matrix::TXmlTagSource& Source, int64_t) { return ReadXmlElement(Source); });
}

bool TMat3D::ReadBinaryHeader(const std::string& FName, int& NrColumns, int& NrRows,
                              int& NrLayers, int& NrTimeSlots, std::string& DataID,
                              int& Format) const {
    return matrix::detail::StackHeaderFields(FName, NrColumns, NrRows, NrLayers, NrTimeSlots,
                                             DataID, Format);
}

bool TMat3D::SaveBinary(const std::string& FName) const {
    TMatBinaryHeader header{FNumX, FNumY, FNumZ, 1, FDataID, matrix::kBinaryFormatCode};
    return matrix::detail::SaveStackFile(FName, header, FData.data(), FData.size());
}

int TMat3D::LoadBinary(const std::string& FName) {
    TMatBinaryHeader header;
    std::vector<double> cells;
    const int result = GuardAllocation<EOZMMatrixError>(*this, [&] {
        return matrix::detail::LoadStackFile(FName, true, true, header, cells);
    });
    if (result != matrix::kBinaryOk) return result;
    Adopt(std::move(cells), header.NumX, header.NumY, header.NumZ);
    FDataID = std::move(header.DataID);
    Changed();
    return matrix::kBinaryOk;
}

}  // namespace ozm
