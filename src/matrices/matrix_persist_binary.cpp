// The matrices: the stream layout (extended reals) and the record files (doubles).
#include <algorithm>
#include <cmath>
#include <memory>

#include "matrices/matrix_internal.hpp"
#include "matrices/matrix_persist_cells.hpp"
#include "matrices/persist_range.hpp"
#include "ozm/base/streamhelp.hpp"
#include "ozm/matrix/persist.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm {

namespace {

constexpr int64_t kExtendedBytes = 10;
// Cells pass through buffers of this many values per stream call.
constexpr size_t kChunk = 512;

}  // namespace

// --- stream layout -----------------------------------------------------------------------------

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::SaveToStream(TStream& OutStream, int LowCol, int HighCol,
                                             int LowRow, int HighRow) const {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    std::unique_ptr<TSelf> dense_copy;
    const TSelf& view = DenseView(dense_copy);
    for (const int bound : {LowCol, HighCol, LowRow, HighRow}) WriteExtendedToStream(OutStream, bound);
    uint8_t buffer[kChunk][kExtendedBytes];
    for (int c = LowCol; c <= HighCol; ++c) {
        const TCell* column = view.Column(c);
        for (int r = LowRow; r <= HighRow;) {
            const int count = std::min<int>(int(kChunk), HighRow - r + 1);
            for (int k = 0; k < count; ++k)
                EncodeExtended(static_cast<long double>(column[r - 1 + k]), buffer[k]);
            OutStream.WriteBuffer(buffer, count * kExtendedBytes);
            r += count;
        }
    }
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::SaveToStream(TMemoryStream*& OutStream, int LowCol, int HighCol,
                                             int LowRow, int HighRow) const {
    if (OutStream == nullptr) OutStream = new TMemoryStream();
    SaveToStream(static_cast<TStream&>(*OutStream), LowCol, HighCol, LowRow, HighRow);
}

template <typename TCell, typename TSelf>
void TMatrixCore<TCell, TSelf>::SaveToStream(TFileStream* OutStream, int LowCol, int HighCol,
                                             int LowRow, int HighRow) const {
    if (OutStream != nullptr)
        SaveToStream(static_cast<TStream&>(*OutStream), LowCol, HighCol, LowRow, HighRow);
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::LoadFromStream(TStream& InStream, bool AdjustMatrixSize) {
    int64_t bounds[4] = {};  // LowCol, HighCol, LowRow, HighRow
    int64_t remaining = 0;
    try {
        for (int64_t& bound : bounds) {
            long double value = 0;
            if (!ReadExtendedFromStream(InStream, value) || !std::isfinite(value) ||
                std::fabs(value) > 2147483647.0L)
                return false;
            bound = Round(value);
        }
        remaining = InStream.Size() - InStream.Position();
    } catch (const EInOutError&) {
        return false;
    }
    const int64_t low_col = bounds[0], high_col = bounds[1];
    const int64_t low_row = bounds[2], high_row = bounds[3];
    const int64_t backed = remaining / kExtendedBytes;
    if (!matrix::detail::AcceptStoredRange(Self(), {low_col, high_col, low_row, high_row}, backed,
                                           AdjustMatrixSize))
        return false;
    bool ok = true;
    bool values_ok = true;
    uint8_t buffer[kChunk][kExtendedBytes];
    try {
        for (int64_t c = low_col; ok && c <= high_col; ++c) {
            for (int64_t r = low_row; r <= high_row;) {
                const int64_t wanted = std::min<int64_t>(int64_t(kChunk), high_row - r + 1);
                const int64_t got = InStream.Read(buffer, wanted * kExtendedBytes) / kExtendedBytes;
                for (int64_t k = 0; k < got; ++k) {
                    // A value an integer cell cannot hold keeps the cell and fails the load.
                    TCell value;
                    if (matrix::detail::CellFromReal(DecodeExtended(buffer[k]), value))
                        PutReadCell(c, r + k, value);
                    else
                        values_ok = false;
                }
                if (got < wanted) {
                    ok = false;  // the stream ended early: the other cells keep their values
                    break;
                }
                r += got;
            }
        }
    } catch (const EInOutError&) {
        ok = false;
    }
    Changed();
    return ok && values_ok;
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::LoadFromStream(TMemoryStream* InStream, bool AdjustMatrixSize) {
    return InStream != nullptr && LoadFromStream(static_cast<TStream&>(*InStream), AdjustMatrixSize);
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::LoadFromStream(TFileStream* InStream, bool AdjustMatrixSize) {
    return InStream != nullptr && LoadFromStream(static_cast<TStream&>(*InStream), AdjustMatrixSize);
}

// --- record files ------------------------------------------------------------------------------

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::ReadBinaryHeader(const std::string& FName, int& NrColumns,
                                                 int& NrRows, std::string& DataID,
                                                 int& Format) const {
    TMatBinaryHeader header;
    if (!matrix::ReadBinaryHeaderFile(FName, header)) {
        NrColumns = 0;
        NrRows = 0;
        DataID.clear();
        Format = 0;
        return false;
    }
    NrColumns = header.NumX;
    NrRows = header.NumY;
    DataID = header.DataID;
    Format = header.Format;
    return matrix::IsTwoDimensionalHeader(header);
}

template <typename TCell, typename TSelf>
bool TMatrixCore<TCell, TSelf>::SaveBinary(const std::string& FName) const {
    std::unique_ptr<TSelf> dense_copy;
    const TSelf& view = DenseView(dense_copy);
    TMatBinaryHeader header;
    header.NumX = FNCol;
    header.NumY = FNRow;
    header.NumZ = 0;
    header.NumT = 0;
    header.DataID = FDataID;
    header.Format = matrix::kBinaryFormatCode;
    try {
        TFileStream file(FName, TFileMode::fmCreate);
        matrix::WriteBinaryHeader(file, header);
        // The file runs with the column fastest, the storage with the row fastest: cells are
        // gathered row by row into a record-sized buffer.
        double buffer[kChunk];
        size_t used = 0;
        for (int r = 0; r < FNRow; ++r) {
            const TCell* cell = view.FData.data() + r;
            for (int c = 0; c < FNCol; ++c) {
                buffer[used++] = static_cast<double>(cell[static_cast<size_t>(c) * FNRow]);
                if (used == kChunk) {
                    matrix::WriteBinaryCells(file, buffer);
                    used = 0;
                }
            }
        }
        matrix::WriteBinaryCells(file, std::span<const double>(buffer, used));
        matrix::WriteBinaryPadding(file, int64_t{FNCol} * FNRow);
        file.Flush();
    } catch (const EInOutError&) {
        return false;
    }
    return true;
}

template <typename TCell, typename TSelf>
int TMatrixCore<TCell, TSelf>::LoadBinary(const std::string& FName) {
    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(FName, TFileMode::fmOpenRead);
    } catch (const EInOutError&) {
        return matrix::kBinaryCannotOpen;
    }
    std::vector<TCell> cells;
    TMatBinaryHeader header;
    try {
        if (!matrix::ReadBinaryHeader(*file, header) || !matrix::IsTwoDimensionalHeader(header))
            return matrix::kBinaryWrongKind;
        const int64_t count = matrix::BinaryCellCount(header);
        if (count < 0) return matrix::kBinaryTruncated;
        const int64_t backed = (file->Size() - matrix::kBinaryRecordSize) / 8;
        if (count > backed || !matrix::AnnouncedSizeIsBacked(header.NumX, header.NumY, backed))
            return matrix::kBinaryTruncated;
        cells =
            Guarded([&] { return matrix::detail::NewCellsOf<TCell>(header.NumX, header.NumY); });
        const size_t rows = static_cast<size_t>(header.NumY);
        double buffer[kChunk];
        size_t x = 0;  // position of the next cell in the file order
        size_t y = 0;
        for (int64_t done = 0; done < count;) {
            const size_t wanted = static_cast<size_t>(std::min<int64_t>(int64_t(kChunk), count - done));
            if (matrix::ReadBinaryCells(*file, std::span<double>(buffer, wanted)) != wanted)
                return matrix::kBinaryTruncated;
            for (size_t k = 0; k < wanted; ++k) {
                if constexpr (std::is_floating_point_v<TCell>)
                    cells[x * rows + y] = buffer[k];  // bit for bit, NaN payloads included
                else if (!matrix::detail::CellFromReal(buffer[k], cells[x * rows + y]))
                    return matrix::kBinaryNotInteger;
                if (++x == static_cast<size_t>(header.NumX)) {
                    x = 0;
                    ++y;
                }
            }
            done += static_cast<int64_t>(wanted);
        }
    } catch (const EInOutError&) {
        return matrix::kBinaryTruncated;
    }
    AdoptRead(std::move(cells), header.NumX, header.NumY);
    FDataID = std::move(header.DataID);
    Changed();
    return matrix::kBinaryOk;
}

#define OZM_BINARY_MEMBERS(TCell, TSelf)                                                           \
    template void TMatrixCore<TCell, TSelf>::SaveToStream(TStream&, int, int, int, int) const;     \
    template void TMatrixCore<TCell, TSelf>::SaveToStream(TMemoryStream*&, int, int, int, int)     \
        const;                                                                                     \
    template void TMatrixCore<TCell, TSelf>::SaveToStream(TFileStream*, int, int, int, int) const; \
    template bool TMatrixCore<TCell, TSelf>::LoadFromStream(TStream&, bool);                       \
    template bool TMatrixCore<TCell, TSelf>::LoadFromStream(TMemoryStream*, bool);                 \
    template bool TMatrixCore<TCell, TSelf>::LoadFromStream(TFileStream*, bool);                   \
    template bool TMatrixCore<TCell, TSelf>::ReadBinaryHeader(const std::string&, int&, int&,      \
                                                              std::string&, int&) const;           \
    template bool TMatrixCore<TCell, TSelf>::SaveBinary(const std::string&) const;                 \
    template int TMatrixCore<TCell, TSelf>::LoadBinary(const std::string&);

OZM_INSTANTIATE_MATRIX_CORE(OZM_BINARY_MEMBERS)

}  // namespace ozm
