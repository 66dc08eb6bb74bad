// TMat4D: the XML vocabulary, the record files and their streaming readers, and the free layer
// readers Read4DLayer and Read4DLayerAndAccumulate.
//
// The readers never hold more of a file than one record: ReadBinary hands the cells on as they
// arrive, the layer readers seek to their layer. A position that a header asks for is computed
// with overflow checks; one beyond the file is an input/output failure, never a wrapped offset.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

#include "matrices/mat4d_block.hpp"
#include "matrices/mat4d_files.hpp"
#include "ozm/matrix/tmat4d.hpp"
#include "ozm/platform/exceptions.hpp"

namespace ozm {

namespace {

// Cells per read of the streaming readers: 16 records.
constexpr size_t kStreamCells = 16 * static_cast<size_t>(matrix::kBinaryCellsPerRecord);

// a * b, or -1 when a or b is negative or the product exceeds 2^59 cells (far beyond any file,
// and small enough that the byte offset of such a cell is still representable).
int64_t CheckedProduct(int64_t a, int64_t b) noexcept {
    if (a < 0 || b < 0) return -1;
    int64_t p = 0;
    if (__builtin_mul_overflow(a, b, &p) || p > (int64_t{1} << 59)) return -1;
    return p;
}

// Cells of one layer (NumX * NumY) and the position of the first cell of layer Layer of slot
// TSlot; false when the header's extents are not positive or the position is beyond any file.
bool LayerPosition(const TMatBinaryHeader& H, int Layer, int TSlot, int64_t& LayerCells,
                   int64_t& Start) noexcept {
    if (H.NumX < 1 || H.NumY < 1 || H.NumZ < 1) return false;
    LayerCells = int64_t{H.NumX} * H.NumY;
    const int64_t layers = CheckedProduct(int64_t{TSlot} - 1, H.NumZ);
    if (layers < 0) return false;
    Start = CheckedProduct(layers + (Layer - 1), LayerCells);
    return Start >= 0;
}

// Opens FName and reads its header; EInOutError when either fails.
std::unique_ptr<TFileStream> OpenWithHeader(const std::string& FName, TMatBinaryHeader& Header) {
    auto file = std::make_unique<TFileStream>(FName, TFileMode::fmOpenRead);
    if (!matrix::ReadBinaryHeader(*file, Header)) throw EInOutError("Stream read error");
    return file;
}

// Positions the file at cell Start after making sure that it holds Count cells from there
// (Start and Count at most 2^59, from CheckedProduct).
void SeekToCells(TFileStream& File, int64_t Start, int64_t Count) {
    if (Start + Count > (File.Size() - matrix::kBinaryRecordSize) / 8)
        throw EInOutError("Stream read error");
    File.Seek(matrix::BinaryCellOffset(Start), TSeekOrigin::soBeginning);
}

// Reads exactly Count cells into Cells.
void ReadCellsExactly(TFileStream& File, double* Cells, size_t Count) {
    if (matrix::ReadBinaryCells(File, std::span<double>(Cells, Count)) != Count)
        throw EInOutError("Stream read error");
}

}  // namespace

// --- XML ---------------------------------------------------------------------------------------

int TMat4D::ApplyAnnouncedXmlSize() {
    if (!matrix::detail::AnnouncedStackIsAcceptable(FXmlExtent, 4)) return -1;
    try {
        Resize(static_cast<int>(FXmlExtent[0]), static_cast<int>(FXmlExtent[1]),
               static_cast<int>(FXmlExtent[2]), static_cast<int>(FXmlExtent[3]));
    } catch (const EOZMMatrixError&) {
        return -1;
    }
    return 0;
}

int TMat4D::ProcessXmlTag(TMatXmlTag Tag, const std::string& TagText, const std::string& Content) {
    size_t pos = 0;
    switch (Tag) {
        case TMatXmlTag::xmlMatNumCols:
        case TMatXmlTag::xmlMatNumRows:
        case TMatXmlTag::xmlMatNumLayers:
        case TMatXmlTag::xmlMatNumTimeSlots:
            // The extents are recorded, not applied: storage and extents change together, at
            // the first cell.
            FXmlExtent[static_cast<int>(Tag)] = matrix::ScanInteger(Content, pos);
            return 0;
        case TMatXmlTag::xmlMatCell: {
            if (FirstCell) {
                if (ApplyAnnouncedXmlSize() != 0) return -1;
                FirstCell = false;
            }
            SetVal(matrix::XmlIndexAttribute(TagText, "ix"), matrix::XmlIndexAttribute(TagText, "iy"),
                   matrix::XmlIndexAttribute(TagText, "il"), matrix::XmlIndexAttribute(TagText, "it"),
                   matrix::ScanReal(Content, pos));
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
    }
    return -1;
}

void TMat4D::WriteXmlLines(bool CreateHeader,
                           const std::function<void(const std::string&)>& Sink) const {
    const int extents[4] = {FNumX, FNumY, FNumZ, FNumT};
    matrix::detail::StackXmlLines(FData.data(), extents, 4, FDataID, CreateHeader, Sink);
}

void TMat4D::WriteToXMLStream(TStream& OutStream, bool CreateHeader) const {
    matrix::detail::XmlLinesToStream(
        OutStream, [&](const matrix::detail::TLineSink& Sink) { WriteXmlLines(CreateHeader, Sink); });
}

void TMat4D::WriteToOpenXMLFile(TTextWriter& OutFile, bool CreateHeader) const {
    WriteXmlLines(CreateHeader, [&](const std::string& Line) { OutFile.WriteLn(Line); });
}

bool TMat4D::SaveAsXMLFile(const std::string& FName) const {
    return matrix::detail::XmlLinesToFile(
        FName, [&](const matrix::detail::TLineSink& Sink) { WriteXmlLines(true, Sink); });
}

bool TMat4D::ReadXmlElement(const matrix::TXmlTagSource& Source) {
    TMat4D loaded;
    std::string data_id;
    const bool complete = matrix::ReadMatrixXmlElement(
        Source,
        [&loaded](TMatXmlTag Tag, const std::string& TagText, const std::string& Content) {
            return loaded.ProcessXmlTag(Tag, TagText, Content);
        },
        data_id);
    if (!complete) return false;
    if (loaded.FirstCell && loaded.ApplyAnnouncedXmlSize() != 0) return false;
    Adopt(std::move(loaded.FData), loaded.FNumX, loaded.FNumY, loaded.FNumZ, loaded.FNumT);
    FDataID = std::move(data_id);
    Changed();
    return true;
}

bool TMat4D::ReadFromXMLStream(TStream& InStream) {
    return matrix::detail::XmlElementFromStream(
        InStream,
        [this](const matrix::TXmlTagSource& Source, int64_t) { return ReadXmlElement(Source); });
}

bool TMat4D::ReadFromOpenXMLFile(TTextReader& InFile) {
    return ReadXmlElement(matrix::XmlTagsOfTextFile(InFile));
}

bool TMat4D::LoadFromXMLFile(const std::string& FName) {
    return matrix::detail::XmlElementFromFile(
        FName,
        [this](const matrix::TXmlTagSource& Source, int64_t) { return ReadXmlElement(Source); });
}

// --- record files ------------------------------------------------------------------------------

bool TMat4D::ReadBinaryHeader(const std::string& FName, int& NrColumns, int& NrRows,
                              int& NrLayers, int& NrTimeSlots, std::string& DataID,
                              int& Format) const {
    return matrix::detail::StackHeaderFields(FName, NrColumns, NrRows, NrLayers, NrTimeSlots,
                                             DataID, Format);
}

bool TMat4D::SaveBinary(const std::string& FName) const {
    TMatBinaryHeader header{FNumX, FNumY, FNumZ, FNumT, FDataID, matrix::kBinaryFormatCode};
    return matrix::detail::SaveStackFile(FName, header, FData.data(), FData.size());
}

int TMat4D::AppendToBinaryFile(const std::string& FName) const {
    std::error_code ec;
    if (!std::filesystem::exists(FName, ec))
        return SaveBinary(FName) ? matrix::kBinaryOk : matrix::kBinaryCannotOpen;
    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(FName, TFileMode::fmOpenReadWrite);
    } catch (const EInOutError&) {
        return matrix::kBinaryCannotOpen;
    }
    try {
        TMatBinaryHeader header;
        if (!matrix::ReadBinaryHeader(*file, header) || header.NumX < 1 || header.NumY < 1 ||
            header.NumZ < 1 || header.NumT < 1 || header.Format != matrix::kBinaryFormatCode)
            return matrix::kBinaryWrongKind;
        if (header.NumX != FNumX || header.NumY != FNumY || header.NumZ != FNumZ ||
            int64_t{header.NumT} + FNumT > INT32_MAX)
            return matrix::kBinaryShapeMismatch;
        const int64_t stored = matrix::BinaryCellCount(header);
        if (stored > (file->Size() - matrix::kBinaryRecordSize) / 8) return matrix::kBinaryTruncated;
        // Cells first, header last: until the header is rewritten the file reads as before.
        file->Seek(matrix::BinaryCellOffset(stored), TSeekOrigin::soBeginning);
        matrix::WriteBinaryCells(*file, FData);
        const int64_t total = stored + static_cast<int64_t>(FData.size());
        matrix::WriteBinaryPadding(*file, total);
        file->Flush();
        if (file->Size() > matrix::BinaryFileSize(total)) file->SetSize(matrix::BinaryFileSize(total));
        header.NumT += FNumT;
        file->Seek(0, TSeekOrigin::soBeginning);
        matrix::WriteBinaryHeader(*file, header);
        file->Flush();
    } catch (const EInOutError&) {
        return matrix::kBinaryTruncated;
    }
    return matrix::kBinaryOk;
}

int TMat4D::LoadBinaryIntern(const std::string& FName, bool CheckFormat) {
    TMatBinaryHeader header;
    std::vector<double> cells;
    const int result = GuardAllocation<EOZMMatrixError>(*this, [&] {
        return matrix::detail::LoadStackFile(FName, CheckFormat, false, header, cells);
    });
    if (result != matrix::kBinaryOk) return result;
    Adopt(std::move(cells), header.NumX, header.NumY, header.NumZ, header.NumT);
    FDataID = std::move(header.DataID);
    Changed();
    return matrix::kBinaryOk;
}

int TMat4D::ReadBinary(const std::string& FName, int TSlotStart, int TSlotEnd) {
    TMatBinaryHeader header;
    std::unique_ptr<TFileStream> file = OpenWithHeader(FName, header);
    if (TSlotStart > header.NumT) return -1;
    if (TSlotStart < 1 || TSlotEnd < 1) {
        TSlotStart = 1;
        TSlotEnd = header.NumT;
    }
    TSlotEnd = std::min(TSlotEnd, header.NumT);
    if (TSlotEnd < TSlotStart || header.NumX < 1 || header.NumY < 1 || header.NumZ < 1) return 0;
    int64_t layer_cells = 0, start = 0;
    if (!LayerPosition(header, 1, TSlotStart, layer_cells, start))
        throw EInOutError("Stream read error");
    const int64_t slots = int64_t{TSlotEnd} - TSlotStart + 1;
    const int64_t total = CheckedProduct(CheckedProduct(layer_cells, header.NumZ), slots);
    if (total < 0) throw EInOutError("Stream read error");
    if (TSlotStart > 1) SeekToCells(*file, start, 0);

    auto fire = [this](int Percent) { PercDone(nullptr, Percent); };
    matrix::detail::TPercentSteps<decltype(fire)> percent(total, std::move(fire));
    // Records are read a few at a time; the handler is looked up once, not per cell.
    std::vector<double> buffer(kStreamCells);
    const TOnReadMat4DElementEvent handler = OnReadElement;
    int ix = 1, iy = 1, il = 1, it = 1;
    for (int64_t left = total; left > 0;) {
        const size_t wanted = static_cast<size_t>(std::min<int64_t>(int64_t(kStreamCells), left));
        const size_t got = matrix::ReadBinaryCells(*file, std::span<double>(buffer.data(), wanted));
        for (size_t k = 0; k < got; ++k) {
            if (handler) handler(this, ix, iy, il, it, buffer[k]);
            percent.Step();
            if (++ix > header.NumX) {
                ix = 1;
                if (++iy > header.NumY) {
                    iy = 1;
                    if (++il > header.NumZ) {
                        il = 1;
                        ++it;
                    }
                }
            }
        }
        // A file that ends inside the range is a read error, as a short record was for the
        // record files of old; the cells before the end have been handed on.
        if (got < wanted) throw EInOutError("Stream read error");
        left -= static_cast<int64_t>(got);
    }
    return 0;
}

int TMat4D::ReadLayer(const std::string& FName, int Layer, int TSlot) {
    try {
        TMatBinaryHeader header;
        std::unique_ptr<TFileStream> file = OpenWithHeader(FName, header);
        int result = 0;
        if (TSlot < 1 || TSlot > header.NumT || TSlot > FNumT) result = -1;
        if (Layer < 1 || Layer > header.NumZ || Layer > FNumZ) result = -2;
        if (header.NumX != FNumX || header.NumY != FNumY) result = -3;
        if (result != 0) return result;
        int64_t layer_cells = 0, start = 0;
        if (!LayerPosition(header, Layer, TSlot, layer_cells, start)) return -4;
        SeekToCells(*file, start, layer_cells);
        // The file's layer and the matrix's layer have the same order: rows of columns.
        double* out = FData.data() + Index(1, 1, Layer, TSlot);
        auto fire = [this](int Percent) { PercDone(nullptr, Percent); };
        matrix::detail::TPercentSteps<decltype(fire)> percent(layer_cells, std::move(fire));
        for (int64_t done = 0; done < layer_cells;) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(int64_t(kStreamCells), layer_cells - done));
            ReadCellsExactly(*file, out + done, n);
            done += static_cast<int64_t>(n);
            percent.Step(static_cast<int64_t>(n));
        }
    } catch (const EInOutError&) {
        return -4;
    }
    return 0;
}

namespace matrix {

namespace {

// Reads layer Layer of slot TSlot a group of rows at a time: Rows(y0, n, cells) with the n rows
// from row y0 (0-based) one after the other, NumX cells each.
template <typename F>
void ReadLayerRows(TFileStream& File, const TMatBinaryHeader& Header, int Layer, int TSlot,
                   F&& Rows) {
    int64_t layer_cells = 0, start = 0;
    if (!LayerPosition(Header, Layer, TSlot, layer_cells, start)) throw EInOutError("Stream read error");
    SeekToCells(File, start, layer_cells);
    // Eight rows at a time: the caller then writes eight consecutive cells of each column array.
    const int group = static_cast<int>(std::clamp<int64_t>(int64_t(kStreamCells) / Header.NumX, 1, 8));
    std::vector<double> rows(static_cast<size_t>(Header.NumX) * group);
    for (int y = 0; y < Header.NumY; y += group) {
        const int n = std::min(group, Header.NumY - y);
        ReadCellsExactly(File, rows.data(), static_cast<size_t>(Header.NumX) * n);
        Rows(y, n, rows.data());
    }
}

}  // namespace

int Read4DLayer(const std::string& FName, int Layer, int TSlot, TDouble2DArray& Dest) {
    try {
        TMatBinaryHeader header;
        std::unique_ptr<TFileStream> file = OpenWithHeader(FName, header);
        int result = 0;
        if (TSlot < 1 || TSlot > header.NumT) result = -1;
        if (Layer < 1 || Layer > header.NumZ) result = -2;
        if (result != 0) return result;
        int64_t layer_cells = 0, start = 0;
        if (!LayerPosition(header, Layer, TSlot, layer_cells, start)) return -3;
        // The file must hold the layer before Dest grows to it.
        SeekToCells(*file, start, layer_cells);
        Dest.resize(static_cast<size_t>(header.NumX));
        for (TDoubleArray& column : Dest) column.resize(static_cast<size_t>(header.NumY));
        const size_t nx = static_cast<size_t>(header.NumX);
        ReadLayerRows(*file, header, Layer, TSlot, [&](int y0, int n, const double* rows) {
            for (size_t x = 0; x < nx; ++x) {
                double* out = Dest[x].data() + y0;
                for (int k = 0; k < n; ++k) out[k] = rows[k * nx + x];
            }
        });
    } catch (const EInOutError&) {
        return -3;
    } catch (const std::bad_alloc&) {
        return -3;
    } catch (const std::length_error&) {
        return -3;
    }
    return 0;
}

int Read4DLayerAndAccumulate(const std::string& FName, int Layer, int TSlot, TDouble2DArray& Dest) {
    try {
        TMatBinaryHeader header;
        std::unique_ptr<TFileStream> file = OpenWithHeader(FName, header);
        int result = 0;
        if (Layer < 1 || Layer > header.NumZ) result = -1;
        if (TSlot < 1 || TSlot > header.NumT) result = -2;
        bool shape = header.NumX >= 1 && header.NumY >= 1 &&
                     Dest.size() == static_cast<size_t>(header.NumX);
        for (size_t x = 0; shape && x < Dest.size(); ++x)
            shape = Dest[x].size() == static_cast<size_t>(header.NumY);
        if (!shape) result = -3;
        if (result != 0) return result;
        const size_t nx = static_cast<size_t>(header.NumX);
        ReadLayerRows(*file, header, Layer, TSlot, [&](int y0, int n, const double* rows) {
            for (size_t x = 0; x < nx; ++x) {
                double* out = Dest[x].data() + y0;
                for (int k = 0; k < n; ++k) out[k] += rows[k * nx + x];
            }
        });
    } catch (const EInOutError&) {
        return -4;
    }
    return 0;
}

}  // namespace matrix

}  // namespace ozm
