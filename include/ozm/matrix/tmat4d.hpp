/// @file
/// TMat4D: a four-dimensional block of doubles, columns x rows x layers x time slots, typically a
/// stack of images over channels or planes (layers) and points in time (time slots). Cells are
/// addressed (column, row, layer, time slot), all 1-based.
///
/// Storage: one contiguous buffer with the column fastest, then the row, the layer and the time
/// slot, exactly the order of the record files (docs/stack-formats.md): cell (x, y, z, t) is
/// Data()[((t - 1) * NrOfLayers + z - 1) * NrOfRows + y - 1) * NrOfColumns + x - 1], and every
/// layer of a time slot is one contiguous image. Where an operation is defined by a scan order
/// (Find's ties, the percentile work array, CRCofData) that order is column outermost, then row,
/// layer and time slot, whatever the storage.
///
/// Conventions of every member:
/// - Extents are always at least 1. Ranges (LowCol/HighCol, LowRow/HighRow, LowLayer/HighLayer,
///   LowTimeSlot/HighTimeSlot) are normalised: (0, 0) is the whole dimension, bounds are clamped,
///   reversed bounds swapped. Single cells outside read 0 and ignore writes.
/// - Errors are EOZMMatrixError: "Component \"<Name>\": not enough memory on heap" (the matrix is
///   then unchanged), "...: specified layer beyond data range", "...: specified time slot beyond
///   data range".
/// - Progress: operations over whole layers report through OnPercentDone (Cut, Resample,
///   Transpose, CRCofData, the file readers); the block operations step ProcStat and call
///   MathFeedBackProc about once per percent of the (column, row) positions they visit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ozm/base/types.hpp"
#include "ozm/frame.hpp"
#include "ozm/matrix/persist.hpp"
#include "ozm/matrix/tmat3d.hpp"

namespace ozm {

class TMatrix;
class TVector;

/// Receives the cells that TMat4D::ReadBinary streams from a file: column, row, layer, time slot
/// (counted from the first slot read) and value.
using TOnReadMat4DElementEvent =
    std::function<void(TObject* Sender, int ix, int iy, int il, int it, double Value)>;

/// A four-dimensional matrix of doubles (columns, rows, layers, time slots), 1-based, one
/// contiguous block of cells.
class TMat4D : public TOZMContainer {
public:
    /// A 1 x 1 x 1 x 1 matrix holding 0 with an empty DataID.
    explicit TMat4D(TComponent* AOwner = nullptr);
    const char* ClassName() const override { return "TMat4D"; }

    // --- properties, events, storage --------------------------------------------------------

    /// Number of columns.
    int NrOfColumns() const noexcept { return FNumX; }
    /// Number of rows.
    int NrOfRows() const noexcept { return FNumY; }
    /// Number of layers.
    int NrOfLayers() const noexcept { return FNumZ; }
    /// Number of time slots.
    int NrOfTimeSlots() const noexcept { return FNumT; }
    /// Resize with one extent changed; a value below 1 becomes 1.
    ///@{
    void SetNrOfColumns(int Value);
    void SetNrOfRows(int Value);
    void SetNrOfLayers(int Value);
    void SetNrOfTimeSlots(int Value);
    ///@}
    /// A free text that identifies the data; the XML and record formats store it.
    const std::string& DataID() const noexcept { return FDataID; }
    /// Sets the DataID.
    void SetDataID(const std::string& AID) { FDataID = AID; }

    /// Progress percentage of the operations over whole layers (Cut, Resample, Transpose,
    /// CRCofData, the file readers), fired through PercDone.
    TOnPercentDoneEvent OnPercentDone;
    /// Receives every cell that ReadBinary streams from a file.
    TOnReadMat4DElementEvent OnReadElement;
    /// Fires OnPercentDone(this, Percent).
    void PercDone(TObject* Sender, int Percent);
    /// Fires OnReadElement with this matrix as the sender.
    void ReadElement(TObject* Sender, int ix, int iy, int il, int it, double Value);

    /// The cells in storage order (see above). Writing through it does not notify; the pointer is
    /// invalidated by every resize.
    ///@{
    double* Data() noexcept { return FData.data(); }
    const double* Data() const noexcept { return FData.data(); }
    ///@}
    /// Size of the cells in megabytes.
    double MemoryConsumed() const noexcept;

    // --- size and access --------------------------------------------------------------------

    /// Sets the extents when one differs and all are >= 1, keeping the cells whose indices still
    /// exist (new cells 0), and fires OnChange; other calls change nothing. Always true.
    bool Resize(int Nc, int Nr, int Nl, int Nt);
    /// Resize, then Fill(0).
    bool ResizeAndClear(int Nc, int Nr, int Nl, int Nt);

    /// The cell, 0 outside.
    double GetVal(int Nx, int Ny, int Nz, int Nt) const noexcept {
        return Valid(Nx, Ny, Nz, Nt) ? FData[Index(Nx, Ny, Nz, Nt)] : 0.0;
    }
    /// Ignored outside; no OnChange.
    void SetVal(int Nx, int Ny, int Nz, int Nt, double Value) noexcept {
        if (Valid(Nx, Ny, Nz, Nt)) FData[Index(Nx, Ny, Nz, Nt)] = Value;
    }

    /// 0-based address of (column, row, layer) within one time slot with the layer fastest, then
    /// the column, then the row: ((iy - 1) * columns + ix - 1) * layers + il - 1. -1 for an index
    /// outside, -2 when columns * rows * layers exceeds 2147483647. (This is an address space of
    /// its own, not the storage order.)
    int Lin3DAddr(int ix, int iy, int il) const noexcept;
    /// The inverse of Lin3DAddr; false (outputs untouched) for an address outside.
    bool ConvertLinTo3DAddr(int LinAddr, int& ix, int& iy, int& il) const noexcept;

    /// Range normalisation of the frame (MakeValidRange) over the columns, rows, layers and time
    /// slots.
    ///@{
    void MakeValidColRange(int& LowCol, int& HighCol) const noexcept;
    void MakeValidRowRange(int& LowRow, int& HighRow) const noexcept;
    void MakeValidLayerRange(int& LowLayer, int& HighLayer) const noexcept;
    void MakeValidTSlotRange(int& LowTimeSlot, int& HighTimeSlot) const noexcept;
    ///@}

    /// Copies extents, DataID, cells and the handlers OnChange, OnPercentDone and OnReadElement
    /// from another TMat4D, without OnChange. Other sources raise EConvertError.
    void Assign(const TPersistent* Source) override;
    void AssignTo(TPersistent* Dest) const override;
    /// Resize to the source's extents and copy every cell (not DataID, not handlers); ProcStat
    /// steps; OnChange. Null source: nothing.
    void Clone(const TMat4D* MatSource);

    // --- filling ------------------------------------------------------------------------------

    /// Every cell := value; OnChange.
    void Fill(double value);
    /// Cells (i, i, i, i) := value; OnChange.
    void FillDiag(double value);
    /// Layer Layer of every time slot := value; an invalid Layer does nothing; no OnChange.
    void FillLayer(int Layer, double value);
    /// Layer Layer of time slot TimeSlot: Mode 0 par1; 1 uniform par1 + u (par2 - par1); 2 normal
    /// par1 + par2 * GRandom. 0, or -1 (Layer), -2 (TimeSlot), -3 (Mode); of several faults the
    /// last wins and nothing is written. No OnChange.
    int FillLayer(int Layer, int TimeSlot, int Mode, double par1, double par2);
    /// Every cell uniform in [RangeLow, RangeHigh) from the shared generator; OnChange.
    void FillRandomUniform(double RangeLow, double RangeHigh);
    /// Every cell Mean + StdDev * GRandom; OnChange.
    void FillRandomGauss(double Mean, double StdDev);
    /// Adds Src[x - 1][y - 1] to cell (x, y) of the layer. -1 when Src is not columns x rows
    /// (every inner array included), -2 Layer, -3 TimeSlot (last fault wins); 0. No OnChange.
    int AccumulateLayer(int Layer, int TimeSlot, const TDouble2DArray& Src);

    // --- block statistics (ranges in the order columns, rows, layers, time slots) -------------

    /// Smallest and largest cell (NaN cells are passed over).
    void MinMax(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
                int LowTimeSlot, int HighTimeSlot, double& Minimum, double& Maximum) const;
    /// Mean and Variance = (sum v^2 - (sum v)^2 / n) / (n - 1) for n >= 3 (computed from the
    /// deviations from the mean, which is the same quantity without the cancellation of the raw
    /// sums), 1.0 for n < 3; a negative or NaN variance becomes 0.
    void MeanVar(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
                 int LowTimeSlot, int HighTimeSlot, double& Mean, double& Variance) const;
    /// Sum (sum of squares) of the cells of the block.
    ///@{
    double Sum(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
               int LowTimeSlot, int HighTimeSlot) const;
    double SquaredSum(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer,
                      int HighLayer, int LowTimeSlot, int HighTimeSlot) const;
    ///@}
    /// Number of cells of the block with RangeLow <= value <= RangeHigh.
    int CountValues(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
                    int LowTimeSlot, int HighTimeSlot, double RangeLow, double RangeHigh) const;
    /// Position of the cell nearest to Value; ties to the first in the scan order. All four
    /// outputs are 0 when no cell compares (a NaN Value, a block of NaN cells).
    void Find(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
              int LowTimeSlot, int HighTimeSlot, double Value, int& ColIx, int& RowIx,
              int& LayerIx, int& TimeSlotIx) const;
    /// The cell of rank k = min(n - 1, round(n * prob / 100)) of the block's n cells (prob held
    /// to 0..100; NaN ranks above every number). A value that 7 of 15 random samples share is
    /// answered without a selection when its cells cover rank k. Exhausted memory raises the heap
    /// message.
    double Percentile(double prob, int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer,
                      int HighLayer, int LowTimeSlot, int HighTimeSlot) const;
    /// The rank k of SampleSize cells drawn at random (with replacement) after reseeding the
    /// shared generator from the clock; SampleSize 0 or not below n gives the overload above.
    double Percentile(double prob, int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer,
                      int HighLayer, int LowTimeSlot, int HighTimeSlot, int SampleSize) const;
    /// Fingerprint (8 lanes) over the cells in scan order, only layers whose number is a multiple
    /// of Sample (Sample held to NrOfLayers div 2, then raised to 1). OnPercentDone over the
    /// columns x rows positions.
    ///@{
    std::string CRCofData() const { return CRCofData(1); }
    std::string CRCofData(int Sample) const;
    ///@}

    // --- reshaping (OnChange at the end) ------------------------------------------------------

    /// The matrix becomes the normalised block.
    void Cut(int LowCol, int HighCol, int LowRow, int HighRow, int LowLayer, int HighLayer,
             int LowTimeslot, int HighTimeslot);
    /// Shrinks every dimension by its divisor: new extent (N - offset - 1) div Div + 1, new cell
    /// = first cell of its block or, with Average, the sum of the existing block cells divided
    /// by the full block size. Offsets are taken modulo their divisors; a divisor below 1 counts
    /// as 1 and a negative offset as 0.
    void Resample(int XDiv, int XOffset, int YDiv, int YOffset, int ZDiv, int ZOffset, int TDiv,
                  int TOffset, bool Average);
    /// Exchanges columns and rows in every layer and time slot; true. AbortMathProc is tested
    /// before each column of its two passes: after an abort the matrix is still transposed in
    /// shape and holds the columns done before it, the others 0.
    bool Transpose();
    /// Reverse the order of the columns (rows, layers, time slots); OnChange.
    ///@{
    void MirrorColumns();
    void MirrorRows();
    void MirrorLayers();
    void MirrorTimeSlots();
    ///@}

    // --- copying between containers -----------------------------------------------------------

    /// Source block (normalised against the source) to (DestCol, DestRow, DestLayer, DestTSlot)
    /// of this matrix; cells falling outside are dropped; ProcStat steps; OnChange. Copying from
    /// this matrix itself is safe. Null source: nothing.
    void CopyFrom(const TMat4D* MatSource, int SrcLowCol, int SrcHighCol, int SrcLowRow,
                  int SrcHighRow, int SrcLowLayer, int SrcHighLayer, int SrcLowTSlot,
                  int SrcHighTSlot, int DestCol, int DestRow, int DestLayer, int DestTSlot);
    /// DestMat := the block of one layer of one time slot. Raises the layer message, then the
    /// time slot message, for indices outside. Null DestMat: nothing.
    void CopyLayerToMatrix(TMatrix* DestMat, int LowCol, int HighCol, int LowRow, int HighRow,
                           int Layer, int TimeSlot) const;
    /// DestArray[x - LowCol][y - LowRow]; -1 Layer, -2 TimeSlot (TimeSlot wins), 0.
    int CopyLayerToArray(TDouble2DArray& DestArray, int LowCol, int HighCol, int LowRow,
                         int HighRow, int Layer, int TimeSlot) const;
    /// Source rectangle (normalised against this matrix's columns and rows; cells outside SrcMat
    /// read 0) to (LayLowCol, LayLowRow) of the layer. Raises as CopyLayerToMatrix; no OnChange.
    void CopyMatrixToLayer(const TMatrix* SrcMat, int SrcLowCol, int SrcHighCol, int SrcLowRow,
                           int SrcHighRow, int Layer, int TimeSlot, int LayLowCol, int LayLowRow);
    /// SrcArray[i][j] to (Col + i, Row + j); -1 Layer, -2 TimeSlot (TimeSlot wins), 0.
    int CopyArrayToLayer(const TDouble2DArray& SrcArray, int Col, int Row, int Layer,
                         int TimeSlot);
    /// DestMat := the block of one time slot; the time slot message for a slot outside.
    void CopyTimeSlotToMat3D(TMat3D* DestMat, int LowCol, int HighCol, int LowRow, int HighRow,
                             int LowLay, int HighLay, int TimeSlot) const;
    /// DestMat[x - LowCol][y - LowRow][z - LowLay]; -1 for a slot outside, 0.
    int CopyTimeSlotToArray(TDouble3DArray& DestMat, int LowCol, int HighCol, int LowRow,
                            int HighRow, int LowLay, int HighLay, int TimeSlot) const;
    /// Source block (normalised against SrcMat) to (DestCol, DestRow, DestLayer) of the slot;
    /// the time slot message for a slot outside. No OnChange.
    void CopyMat3DToTimeSlot(const TMat3D* SrcMat, int SrcLowCol, int SrcHighCol, int SrcLowRow,
                             int SrcHighRow, int SrcLowLay, int SrcHighLay, int TimeSlot,
                             int DestCol, int DestRow, int DestLayer);
    /// 0-based source bounds ((0, 0) the whole extent, each within 0..extent - 1). -1 columns,
    /// -2 rows, -3 layers, -4 TimeSlot, -5 DestCol, -6 DestRow, -7 DestLayer (last wins); 0.
    /// A ragged source contributes only the cells it has. No OnChange.
    int CopyArrayToTimeSlot(const TDouble3DArray& SrcMat, int SrcLowCol, int SrcHighCol,
                            int SrcLowRow, int SrcHighRow, int SrcLowLay, int SrcHighLay,
                            int TimeSlot, int DestCol, int DestRow, int DestLayer);
    /// The layers of one pixel: -1 Col, -2 Row, -3 TimeSlot (last wins); 0. Null Dest: -1.
    int CopyPixelToVector(TVector* Dest, int Col, int Row, int TimeSlot) const;
    /// The same into a plain array (0-based, one element per layer).
    int CopyPixelTo1DArray(TDoubleArray& Dest, int Col, int Row, int TimeSlot) const;
    /// Element e to layer FirstLayer + e - 1 while that is a layer: -1 Col, -2 Row, -3 FirstLayer,
    /// -4 TimeSlot (last wins); 0. No OnChange. Null Src: -1.
    int CopyVectorToPixel(const TVector* Src, int Col, int Row, int FirstLayer, int TimeSlot);
    /// The same from a plain array (element 0 to layer FirstLayer).
    int Copy1DArrayToPixel(const TDoubleArray& Src, int Col, int Row, int FirstLayer,
                           int TimeSlot);

    // --- layer reductions (mat4d_reduce.cpp) --------------------------------------------------
    /// DestMat := one cell per (column, row) position of the block holding the mean, maximum,
    /// minimum or population standard deviation of that position over the block's layers and
    /// time slots (summed layer by layer, time slots inside). NThreads is held to
    /// 1..ProcessorCount(); the overload without it uses every processor. With 1 the calling
    /// thread computes; otherwise min(NThreads, columns) worker threads take the columns while
    /// the calling thread supervises: it calls MathFeedBackProc with ProcStat every 20 ms and at
    /// the end, and stops handing out columns once AbortMathProc is set. No worker outlives the
    /// call, also when MathFeedBackProc throws. The result is the same for every thread count.
    /// ProcStat grows by 100 over a call. DestMat is resized (OnChange), its cells written
    /// directly and OnChange fired once more at the end on the calling thread. Several reductions
    /// may run at once on different destinations. False for a null DestMat or after an abort (the
    /// positions not reduced hold 0).
    ///@{
    bool MeanOfLayersToMatrix(TMatrix* DestMat, int LowCol, int HighCol, int LowRow, int HighRow,
                              int LowLayer, int HighLayer, int LowTimeSlot, int HighTimeSlot,
                              int NThreads) const;
    bool MeanOfLayersToMatrix(TMatrix* DestMat, int LowCol, int HighCol, int LowRow, int HighRow,
                              int LowLayer, int HighLayer, int LowTimeSlot,
                              int HighTimeSlot) const;
    bool MaximumOfLayersToMatrix(TMatrix* DestMat, int LowCol, int HighCol, int LowRow,
                                 int HighRow, int LowLayer, int HighLayer, int LowTimeSlot,
                                 int HighTimeSlot, int NThreads) const;
    bool MaximumOfLayersToMatrix(TMatrix* DestMat, int LowCol, int HighCol, int LowRow,
                                 int HighRow, int LowLayer, int HighLayer, int LowTimeSlot,
                                 int HighTimeSlot) const;
    bool MinimumOfLayersToMatrix(TMatrix* DestMat, int LowCol, int HighCol, int LowRow,
                                 int HighRow, int LowLayer, int HighLayer, int LowTimeSlot,
                                 int HighTimeSlot, int NThreads) const;
    bool MinimumOfLayersToMatrix(TMatrix* DestMat, int LowCol, int HighCol, int LowRow,
                                 int HighRow, int LowLayer, int HighLayer, int LowTimeSlot,
                                 int HighTimeSlot) const;
    bool StdDevOfLayersToMatrix(TMatrix* DestMat, int LowCol, int HighCol, int LowRow,
                                int HighRow, int LowLayer, int HighLayer, int LowTimeSlot,
                                int HighTimeSlot, int NThreads) const;
    bool StdDevOfLayersToMatrix(TMatrix* DestMat, int LowCol, int HighCol, int LowRow,
                                int HighRow, int LowLayer, int HighLayer, int LowTimeSlot,
                                int HighTimeSlot) const;

    ///@}
    // --- XML (mat4d_persist.cpp; layout in docs/stack-formats.md) -----------------------------

    /// One parsed element: numcols, numrows, numplanes and numtimeslots announce the extents, the
    /// first cell resizes to them, every cell stores the real of its content at its ix, iy, il
    /// and it attributes. 1 for the end of the element, -1 for an invalid tag and for a cell when
    /// an extent is missing or below 1, the block exceeds kMaxXmlCells or cannot be allocated.
    int ProcessXmlTag(TMatXmlTag Tag, const std::string& TagText, const std::string& Content);
    /// The matrix element (id = DataID), numcols, numrows, numplanes, numtimeslots, then one cell
    /// per line with the shortest text that reads back exactly. EInOutError when writing fails;
    /// SaveAsXMLFile reports failure by false.
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

    // --- record files (mat4d_persist.cpp) -----------------------------------------------------

    /// Header fields; true when layers > 0, time slots > 0 and format 1. A file shorter than one
    /// record gives false with zero outputs; one that cannot be opened raises EInOutError.
    bool ReadBinaryHeader(const std::string& FName, int& NrColumns, int& NrRows, int& NrLayers,
                          int& NrTimeSlots, std::string& DataID, int& Format) const;
    /// Streams the cells of time slots TSlotStart..min(TSlotEnd, NumT) (all of them when either
    /// bound is below 1) in file order to OnReadElement, the time slot counted from 1 for the
    /// first slot read; OnPercentDone about once per percent. -1 (nothing streamed) when
    /// TSlotStart exceeds the file's time slots; 0. A file that cannot be opened, has a short
    /// header or ends before the range does raises EInOutError (cells before the end have been
    /// streamed). Reads one record at a time: the file may be far larger than memory.
    int ReadBinary(const std::string& FName, int TSlotStart, int TSlotEnd);
    /// Reads one layer of one time slot of the file into the same layer and slot of this matrix.
    /// -1 TSlot outside the file or the matrix, -2 Layer likewise, -3 columns or rows differ (the
    /// last failing check decides), -4 any input/output failure (the layer may be partly
    /// written); 0. No OnChange.
    int ReadLayer(const std::string& FName, int Layer, int TSlot);
    /// Record file of this matrix (DataID cut to 255 bytes, zero padding). False when the file
    /// cannot be created or written.
    bool SaveBinary(const std::string& FName) const;
    /// Appends the time slots of this matrix to a record file of the same columns, rows and
    /// layers and raises its number of time slots (the file's DataID stays). A missing file is
    /// created as by SaveBinary. The header is rewritten only after the cells, so a failed append
    /// leaves a file that still reads as before. kBinaryOk, kBinaryCannotOpen, kBinaryWrongKind
    /// (short header, no layers or time slots, format <> 1), kBinaryTruncated (the file holds
    /// fewer cells than its header says, or writing failed), kBinaryShapeMismatch (other columns,
    /// rows or layers, or too many time slots in total).
    int AppendToBinaryFile(const std::string& FName) const;
    /// Reads a whole record file: extents, cells, DataID; OnChange. kBinaryOk, kBinaryCannotOpen,
    /// kBinaryWrongKind (short header, an extent below 1, format <> 1 when CheckFormat),
    /// kBinaryTruncated (fewer cells than announced); unchanged unless kBinaryOk.
    int LoadBinaryIntern(const std::string& FName, bool CheckFormat);
    /// LoadBinaryIntern with the format check.
    int LoadBinary(const std::string& FName) { return LoadBinaryIntern(FName, true); }
    /// For files whose writers left the format code unset: the layout is taken as format 1.
    int LoadBinaryNoFmtCheck(const std::string& FName) { return LoadBinaryIntern(FName, false); }

private:
    bool Valid(int x, int y, int z, int t) const noexcept {
        return x >= 1 && x <= FNumX && y >= 1 && y <= FNumY && z >= 1 && z <= FNumZ && t >= 1 &&
               t <= FNumT;
    }
    size_t Index(int x, int y, int z, int t) const noexcept {
        return ((static_cast<size_t>(t - 1) * static_cast<size_t>(FNumZ) +
                 static_cast<size_t>(z - 1)) *
                    static_cast<size_t>(FNumY) +
                static_cast<size_t>(y - 1)) *
                   static_cast<size_t>(FNumX) +
               static_cast<size_t>(x - 1);
    }
    size_t LayerSize() const noexcept {
        return static_cast<size_t>(FNumX) * static_cast<size_t>(FNumY);
    }
    [[noreturn]] void RaiseError(std::string_view Detail) const;
    void Adopt(std::vector<double>&& Cells, int Nc, int Nr, int Nl, int Nt) noexcept;
    bool ValidLayerSlot(int Layer, int TimeSlot) const noexcept {
        return Layer >= 1 && Layer <= FNumZ && TimeSlot >= 1 && TimeSlot <= FNumT;
    }
    enum class TReduction { Mean, Maximum, Minimum, StdDev };
    bool ReduceLayers(TReduction Kind, TMatrix* DestMat, int LowCol, int HighCol, int LowRow,
                      int HighRow, int LowLayer, int HighLayer, int LowTimeSlot, int HighTimeSlot,
                      int NThreads) const;
    bool ReadXmlElement(const matrix::TXmlTagSource& Source);
    void WriteXmlLines(bool CreateHeader, const std::function<void(const std::string&)>& Sink) const;
    int ApplyAnnouncedXmlSize();

    int FNumX = 1;
    int FNumY = 1;
    int FNumZ = 1;
    int FNumT = 1;
    std::string FDataID;
    std::vector<double> FData;

    bool FirstCell = true;
    int64_t FXmlExtent[4] = {-1, -1, -1, -1};  // announced extents of the XML read; -1 none
};

}  // namespace ozm

namespace ozm::matrix {

/// Result of TMat4D::AppendToBinaryFile besides the codes of persist.hpp: the file holds a stack
/// of another shape.
inline constexpr int kBinaryShapeMismatch = -4;

/// Dest := one layer of one time slot of a record file, Dest[x - 1][y - 1] for column x, row y.
/// -1 TSlot outside 1..NumT, -2 Layer outside 1..NumZ (the last failing check decides), -3 any
/// input/output failure (a file that cannot be opened, a short or damaged header, a file that
/// ends inside the layer); Dest is resized only once the file is known to hold the layer. 0.
int Read4DLayer(const std::string& FName, int Layer, int TSlot, TDouble2DArray& Dest);
/// Adds one layer of one time slot to Dest without resizing it. Note the codes: -1 Layer outside,
/// -2 TSlot outside, -3 Dest is not NumX x NumY (the last failing check decides), -4 any
/// input/output failure (Dest may then hold part of the sum). 0.
int Read4DLayerAndAccumulate(const std::string& FName, int Layer, int TSlot, TDouble2DArray& Dest);

/// M := A[i][j][Layer] for the columns LowCol..HighCol and rows LowRow..HighRow (0-based array
/// indices) at cell (i - LowCol + 1, j - LowRow + 1); entries the array does not have read 0.
void CopyArr3DLayerToMatrix(const TDouble3DArray& A, TMatrix& M, int LowCol, int HighCol,
                            int LowRow, int HighRow, int Layer);
/// D[i - LowCol][j - LowRow] := A[i][j][Layer], likewise.
void CopyArr3DLayerToArr2D(const TDouble3DArray& A, TDouble2DArray& D, int LowCol, int HighCol,
                           int LowRow, int HighRow, int Layer);
/// D[c - LowCol][r - LowRow] := cell (c, r) of M (1-based, 0 outside).
void CopyMatrixToArray(const TMatrix& M, TDouble2DArray& D, int LowCol, int HighCol, int LowRow,
                       int HighRow);

}  // namespace ozm::matrix
