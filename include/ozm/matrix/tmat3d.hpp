/// @file
/// TMat3D: a three-dimensional block of doubles, columns x rows x layers, addressed (column, row,
/// layer), all 1-based. It offers the access, filling and block statistics of TMat4D without the
/// time dimension; TMat4D copies its time slots to and from it.
///
/// Storage: one contiguous buffer with the column fastest, then the row, then the layer, the order
/// of the record files (docs/stack-formats.md), so a TMat3D file is a TMat4D file of one time slot
/// and a layer is one contiguous run of NrOfColumns * NrOfRows cells. Where an operation is defined
/// by a scan order (Find, CRCofData, the percentile work array) that order is column outermost,
/// then row, then layer, whatever the storage.
///
/// Extents are always at least 1; ranges are normalised (0, 0 is the whole dimension, bounds
/// clamped, reversed bounds swapped). Errors are EOZMMatrixError with the component messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ozm/base/types.hpp"
#include "ozm/frame.hpp"
#include "ozm/matrix/persist.hpp"

namespace ozm {

class TMatrix;

/// A three-dimensional matrix of doubles (columns, rows, layers), 1-based, one contiguous block of
/// cells.
class TMat3D : public TOZMContainer {
public:
    /// A 1 x 1 x 1 matrix holding 0 with an empty DataID.
    explicit TMat3D(TComponent* AOwner = nullptr);
    const char* ClassName() const override { return "TMat3D"; }

    /// Number of columns.
    int NrOfColumns() const noexcept { return FNumX; }
    /// Number of rows.
    int NrOfRows() const noexcept { return FNumY; }
    /// Number of layers.
    int NrOfLayers() const noexcept { return FNumZ; }
    /// Resize with one extent changed; a value below 1 becomes 1.
    ///@{
    void SetNrOfColumns(int Value);
    void SetNrOfRows(int Value);
    void SetNrOfLayers(int Value);
    ///@}
    /// A free text that identifies the data; the XML and record formats store it.
    const std::string& DataID() const noexcept { return FDataID; }
    /// Sets the DataID.
    void SetDataID(const std::string& AID) { FDataID = AID; }

    /// Progress percentage; fired only through PercDone (no stack operation calls it).
    TOnPercentDoneEvent OnPercentDone;
    /// Fires OnPercentDone(this, Percent).
    void PercDone(TObject* Sender, int Percent);

    /// The cells, column fastest (cell (x, y, z) at ((z - 1) * rows + y - 1) * columns + x - 1).
    /// Writing through it does not notify; the pointer is invalidated by every resize.
    ///@{
    double* Data() noexcept { return FData.data(); }
    const double* Data() const noexcept { return FData.data(); }
    ///@}

    /// Sets the extents when one of them differs and all are >= 1, keeping the cells whose indices
    /// still exist (new cells 0), and fires OnChange. Other calls change nothing. Always true;
    /// exhausted memory raises "Component \"<Name>\": not enough memory on heap" (unchanged).
    bool Resize(int Nc, int Nr, int Nl);
    /// Resize, then Fill(0).
    bool ResizeAndClear(int Nc, int Nr, int Nl);

    /// The cell, 0 outside; SetVal ignores cells outside and does not fire OnChange.
    ///@{
    double GetVal(int Nx, int Ny, int Nz) const noexcept {
        return Valid(Nx, Ny, Nz) ? FData[Index(Nx, Ny, Nz)] : 0.0;
    }
    void SetVal(int Nx, int Ny, int Nz, double Value) noexcept {
        if (Valid(Nx, Ny, Nz)) FData[Index(Nx, Ny, Nz)] = Value;
    }
    ///@}

    /// Range normalisation of the frame (MakeValidRange) over the columns, rows and layers.
    ///@{
    void MakeValidColRange(int& LowCol, int& HighCol) const noexcept;
    void MakeValidRowRange(int& LowRow, int& HighRow) const noexcept;
    void MakeValidLayerRange(int& LowLayer, int& HighLayer) const noexcept;
    ///@}

    /// Every cell := value, without OnChange.
    void Fill(double value);
    /// Cells (i, i, i) := value; OnChange.
    void FillDiag(double value);
    /// Uniform in [RangeLow, RangeHigh) / Mean + StdDev * GRandom from the shared generator;
    /// OnChange.
    ///@{
    void FillRandomUniform(double RangeLow, double RangeHigh);
    void FillRandomGauss(double Mean, double StdDev);
    ///@}

    /// Resize to the source's extents and copy every cell; OnChange. Null source: nothing.
    void Clone(const TMat3D* MatSource);

    /// Block statistics over the normalised ranges, as TMat4D's namesakes without the time slots.
    ///@{
    void Find(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
              double Value, int& ColIx, int& RowIx, int& LayerIx) const;
    void MinMax(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
                double& Minimum, double& Maximum) const;
    void MeanVar(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
                 double& Mean, double& Variance) const;
    ///@}
    /// The cell of rank min(n - 1, round(n * prob / 100)) of the block's n cells (prob held to
    /// 0..100; NaN ranks above every number). Exhausted memory raises the heap message.
    double Percentile(double prob, int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer,
                      int HighLayer) const;
    /// The same over SampleSize cells drawn at random (with replacement) after reseeding the
    /// shared generator from the clock; SampleSize 0 or not below the block's size gives the
    /// exact percentile above.
    double Percentile(double prob, int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer,
                      int HighLayer, int SampleSize) const;
    /// Fingerprint of all cells (8 lanes, column outermost, then row, then layer).
    std::string CRCofData() const;

    /// DestMat := the normalised block of one layer, resized to it. Layer outside 1..NrOfLayers
    /// raises "Component \"<Name>\": specified layer beyond data range". Null DestMat: nothing.
    void CopyLayerToMatrix(TMatrix* DestMat, int LowCol, int HighCol, int LowRow, int HighRow,
                           int Layer) const;
    /// Source cell (c, r) of SrcMat (the range used as given, cells outside reading 0) goes to
    /// (c - SrcLowCol + LayLowCol, r - SrcLowRow + LayLowRow) of the layer where that lies inside.
    /// Layer outside raises the "layer beyond data range" message; no OnChange.
    void CopyMatrixToLayer(const TMatrix* SrcMat, int SrcLowCol, int SrcHighCol, int SrcLowRow,
                           int SrcHighRow, int Layer, int LayLowCol, int LayLowRow);

    // --- XML and record files (mat3d_persist.cpp; layouts in docs/stack-formats.md) ---------

    /// One parsed element of the matrix XML vocabulary: numcols, numrows and numplanes announce
    /// the extents, the first cell resizes to them, every cell stores the real of its content at
    /// its ix, iy and iz attributes. Returns 1 for the end of the element, -1 for an invalid tag
    /// and for a cell when an extent is missing or below 1, the block exceeds kMaxXmlCells cells
    /// or cannot be allocated; 0 otherwise.
    int ProcessXmlTag(TMatXmlTag Tag, const std::string& TagText, const std::string& Content);
    /// The matrix element (id = DataID), numcols, numrows, numplanes, then one cell per line,
    /// column by column, row by row, layer innermost, each written with the shortest text that
    /// reads back exactly. EInOutError when writing fails; SaveAsXMLFile reports failure by false.
    ///@{
    void WriteToXMLStream(TStream& OutStream, bool CreateHeader) const;
    void WriteToOpenXMLFile(TTextWriter& OutFile, bool CreateHeader) const;
    bool SaveAsXMLFile(const std::string& FName) const;
    ///@}
    /// Reads one matrix element (into a work object, so a failure changes nothing) and takes its
    /// extents, cells and DataID; fires OnChange. False for a document that breaks the vocabulary,
    /// lacks an extent or announces more than kMaxXmlCells cells.
    ///@{
    bool ReadFromXMLStream(TStream& InStream);
    bool ReadFromOpenXMLFile(TTextReader& InFile);
    bool LoadFromXMLFile(const std::string& FName);
    ///@}

    /// Header fields of a record file; true when it has layers and time slots and format 1. A
    /// file shorter than one record gives false with zero outputs; one that cannot be opened
    /// raises EInOutError. The matrix is not changed.
    bool ReadBinaryHeader(const std::string& FName, int& NrColumns, int& NrRows, int& NrLayers,
                          int& NrTimeSlots, std::string& DataID, int& Format) const;
    /// Record file of one time slot. False when the file cannot be created or written.
    bool SaveBinary(const std::string& FName) const;
    /// Reads a record file of exactly one time slot: extents, cells, DataID; OnChange. Results
    /// kBinaryOk, kBinaryCannotOpen, kBinaryWrongKind (short header, format <> 1, an extent below
    /// 1, more than one time slot), kBinaryTruncated (fewer cells than announced); the matrix is
    /// unchanged unless the result is kBinaryOk.
    int LoadBinary(const std::string& FName);

private:
    friend class TMat4D;

    bool Valid(int x, int y, int z) const noexcept {
        return x >= 1 && x <= FNumX && y >= 1 && y <= FNumY && z >= 1 && z <= FNumZ;
    }
    size_t Index(int x, int y, int z) const noexcept {
        return (static_cast<size_t>(z - 1) * static_cast<size_t>(FNumY) +
                static_cast<size_t>(y - 1)) *
                   static_cast<size_t>(FNumX) +
               static_cast<size_t>(x - 1);
    }
    [[noreturn]] void RaiseError(std::string_view Detail) const;
    void Adopt(std::vector<double>&& Cells, int Nc, int Nr, int Nl) noexcept;
    bool ReadXmlElement(const matrix::TXmlTagSource& Source);
    void WriteXmlLines(bool CreateHeader, const std::function<void(const std::string&)>& Sink) const;
    int ApplyAnnouncedXmlSize();

    int FNumX = 1;
    int FNumY = 1;
    int FNumZ = 1;
    std::string FDataID;
    std::vector<double> FData;

    bool FirstCell = true;
    int64_t FXmlExtent[3] = {-1, -1, -1};  // announced extents of the XML read; -1 not announced
};

}  // namespace ozm
