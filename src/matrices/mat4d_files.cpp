// XML and record files of the stack classes TMat3D and TMat4D.
#include "matrices/mat4d_files.hpp"

#include <memory>
#include <new>

#include "ozm/platform/exceptions.hpp"

namespace ozm::matrix::detail {

void StackXmlLines(const double* Data, const int* Extents, int Dims, const std::string& DataID,
                   bool CreateHeader, const TLineSink& Sink) {
    const int nx = Extents[0], ny = Extents[1], nz = Extents[2];
    const int nt = Dims == 4 ? Extents[3] : 1;
    if (CreateHeader) Sink("<?xml version=\"1.0\"?>");
    Sink("<matrix id=\"" + XmlEscape(DataID) + "\">");
    Sink("<numcols>" + std::to_string(nx) + "</numcols>");
    Sink("<numrows>" + std::to_string(ny) + "</numrows>");
    Sink("<numplanes>" + std::to_string(nz) + "</numplanes>");
    if (Dims == 4) Sink("<numtimeslots>" + std::to_string(nt) + "</numtimeslots>");
    const size_t slice = static_cast<size_t>(nx) * ny;
    std::string line;
    for (int x = 1; x <= nx; ++x)
        for (int y = 1; y <= ny; ++y) {
            const std::string prefix = "<cell ix=\"" + std::to_string(x) + "\" iy=\"" +
                                       std::to_string(y) + (Dims == 4 ? "\" il=\"" : "\" iz=\"");
            const double* cell = Data + static_cast<size_t>(y - 1) * nx + (x - 1);
            for (int z = 1; z <= nz; ++z)
                for (int t = 1; t <= nt; ++t) {
                    line = prefix;
                    line += std::to_string(z);
                    if (Dims == 4) {
                        line += "\" it=\"";
                        line += std::to_string(t);
                    }
                    line += "\">";
                    // Shortest text that reads back to the same double.
                    line += CellText(cell[(static_cast<size_t>(t - 1) * nz + (z - 1)) * slice], -1, -1);
                    line += "</cell>";
                    Sink(line);
                }
        }
    Sink("</matrix>");
}

bool AnnouncedStackIsAcceptable(const int64_t* Extents, int Dims) noexcept {
    int64_t cells = 1;
    for (int d = 0; d < Dims; ++d) {
        if (Extents[d] < 1 || Extents[d] > kMaxXmlCells) return false;
        cells *= Extents[d];  // at most 2^24 * 2^24: no overflow before the test below
        if (cells > kMaxXmlCells) return false;
    }
    return true;
}

bool SaveStackFile(const std::string& FName, const TMatBinaryHeader& Header, const double* Cells,
                   size_t Count) {
    try {
        TFileStream file(FName, TFileMode::fmCreate);
        WriteBinaryHeader(file, Header);
        WriteBinaryCells(file, std::span<const double>(Cells, Count));
        WriteBinaryPadding(file, static_cast<int64_t>(Count));
        file.Flush();
    } catch (const EInOutError&) {
        return false;
    }
    return true;
}

int LoadStackFile(const std::string& FName, bool CheckFormat, bool OneSlot, TMatBinaryHeader& Header,
                  std::vector<double>& Cells) {
    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(FName, TFileMode::fmOpenRead);
    } catch (const EInOutError&) {
        return kBinaryCannotOpen;
    }
    try {
        TMatBinaryHeader h;
        if (!ReadBinaryHeader(*file, h)) return kBinaryWrongKind;
        if (h.NumX < 1 || h.NumY < 1 || h.NumZ < 1 || h.NumT < 1) return kBinaryWrongKind;
        if (CheckFormat && h.Format != kBinaryFormatCode) return kBinaryWrongKind;
        if (OneSlot && h.NumT != 1) return kBinaryWrongKind;
        const int64_t count = BinaryCellCount(h);
        const int64_t backed = (file->Size() - kBinaryRecordSize) / 8;
        if (count > backed) return kBinaryTruncated;
        std::vector<double> cells(static_cast<size_t>(count));
        if (ReadBinaryCells(*file, cells) != cells.size()) return kBinaryTruncated;
        Header = std::move(h);
        Cells = std::move(cells);
    } catch (const EInOutError&) {
        return kBinaryTruncated;
    }
    return kBinaryOk;
}

bool StackHeaderFields(const std::string& FName, int& NrColumns, int& NrRows, int& NrLayers,
                       int& NrTimeSlots, std::string& DataID, int& Format) {
    TMatBinaryHeader header;
    if (!ReadBinaryHeaderFile(FName, header)) {
        NrColumns = NrRows = NrLayers = NrTimeSlots = Format = 0;
        DataID.clear();
        return false;
    }
    NrColumns = header.NumX;
    NrRows = header.NumY;
    NrLayers = header.NumZ;
    NrTimeSlots = header.NumT;
    DataID = header.DataID;
    Format = header.Format;
    return header.NumZ > 0 && header.NumT > 0 && header.Format == kBinaryFormatCode;
}

}  // namespace ozm::matrix::detail
