/// @file
/// The behaviour TMatrix and TIntMatrix share, written once over the cell type: sizing and cell
/// access, copies, fills, structure changes, element-wise arithmetic, queries, the transpose, the
/// statistics over rectangles, sorting and edge vectors, and every file format. TSelf is the
/// concrete class (TMatrix or TIntMatrix), so that operands have the caller's type; TVec is the
/// vector class of the cell type (TVector or TIntVector).
///
/// Conventions of every member:
/// - Cells are addressed column first, row second, both 1-based (GetVal(Nc, Nr) is the element
///   a(r, c) of a matrix with NrOfRows rows and NrOfColumns columns). The dense cells live in one
///   contiguous column-major buffer: cell (c, r) is Data()[(c - 1) * NrOfRows() + (r - 1)].
/// - Ranges (LowCol/HighCol, LowRow/HighRow) are normalised by MakeValidColRange/MakeValidRowRange:
///   (0, 0) means the whole dimension, out-of-range bounds are clamped, reversed bounds swapped. A
///   matrix may have 0 columns or 0 rows after a resize; it then has no cells and behaves as empty.
/// - Integer cells compute sums and products in 32-bit two's complement (results beyond the range
///   wrap); statistics with real results are formed in double.
/// - Errors are EOZMMatrixError with the component messages of the frame.
/// - A class with a sparse form (TIntMatrix) holds no dense storage while it is sparse. The
///   members here then raise "Component \"<Name>\": <routine> needs the dense form" unless the
///   class gives them a sparse meaning (see tintmatrix.hpp), so nothing ever reads released
///   storage. The file writers write the dense view of a sparse matrix (XML: its entries only) and
///   the readers keep the form of the matrix they read into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ozm/base/constants.hpp"
#include "ozm/base/types.hpp"
#include "ozm/frame.hpp"
#include "ozm/matrix/persist.hpp"
#include "ozm/platform/stream.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm {

class TVector;
class TIntVector;

/// What differs between the cell types beyond their arithmetic.
template <typename TCell>
struct TMatrixCellTraits;

/// The cell type double: the vector class TVector and the start values of the MinMax scan.
template <>
struct TMatrixCellTraits<double> {
    /// The vector class of the cell type.
    using TVec = TVector;
    /// Start values of the MinMax scan, returned when the rectangle has no cells.
    static constexpr double kMinMaxStartMin = uc_MaxReal;
    /// Start value of the maximum.
    static constexpr double kMinMaxStartMax = -uc_MaxReal;
};

/// The cell type int32_t: the vector class TIntVector and the start values of the MinMax scan.
template <>
struct TMatrixCellTraits<int32_t> {
    /// The vector class of the cell type.
    using TVec = TIntVector;
    /// As for the integer vector: the maximum starts at -2147483647.
    static constexpr int32_t kMinMaxStartMin = 2147483647;
    /// Start value of the maximum.
    static constexpr int32_t kMinMaxStartMax = -2147483647;
};

/// The behaviour TMatrix and TIntMatrix share, over the cell type TCell; TSelf is the concrete
/// class. The conventions of its members are stated at the top of this header.
template <typename TCell, typename TSelf>
class TMatrixCore : public TOZMContainer {
public:
    /// The cell type.
    using TCellType = TCell;
    /// The vector class of the cell type (TVector or TIntVector).
    using TVec = typename TMatrixCellTraits<TCell>::TVec;
    /// A rectangle of cells indexed [column][row].
    using TCell2DArray = std::vector<std::vector<TCell>>;

    // --- properties and events ---------------------------------------------------------------

    /// Number of columns.
    int NrOfColumns() const noexcept { return FNCol; }
    /// Number of rows.
    int NrOfRows() const noexcept { return FNRow; }
    /// Negative values become 0, then Resize with the other dimension unchanged.
    void SetNCols(int Nc);
    /// The same for the rows.
    void SetNRows(int Nr);
    /// A free text that identifies the data; the XML and record formats store it.
    const std::string& DataID() const noexcept { return FDataID; }
    /// Sets the DataID.
    void SetDataID(const std::string& AID) { FDataID = AID; }

    /// Progress percentage; fired only through PercDone (no matrix operation calls it).
    TOnPercentDoneEvent OnPercentDone;
    /// Fires OnPercentDone(this, Percent); the sender argument is not passed on. It has the shape
    /// of a progress handler so that it can be plugged into another object's progress event.
    void PercDone(TObject* Sender, int Percent);

    /// The dense cells, column after column (NrOfRows cells each). Writing through this pointer
    /// does not notify: call Changed() afterwards. The pointer is invalidated by every resize.
    /// A matrix in sparse form has no dense cells (the pointer may be null).
    ///@{
    TCell* Data() noexcept { return FData.data(); }
    /// Read-only access to the dense cells.
    const TCell* Data() const noexcept { return FData.data(); }
    ///@}

    // --- size and access (matrix_core.cpp) ---------------------------------------------------

    /// Resizes to Nc columns and Nr rows (negative values become 0). Cells inside both the old and
    /// the new size keep their values, the others are 0. Fires OnChange unless the size is
    /// unchanged. Always true; allocation failure raises "Component \"<Name>\": not enough memory
    /// on heap" and leaves the matrix as it was.
    bool Resize(int Nc, int Nr);
    /// Resize, then Fill(0): all cells 0 and OnChange, even when the size did not change.
    bool ResizeAndClear(int Nc, int Nr);

    /// The cell (Nc, Nr), or 0 when an index lies outside the matrix. (A matrix in sparse form
    /// answers through its own GetVal and SetVal, also when called through the core.)
    TCell GetVal(int Nc, int Nr) const noexcept {
        if constexpr (TSelf::kHasSparseForm)
            if (SparseNow()) return Self().GetVal(Nc, Nr);
        if (!ValidCell(Nc, Nr)) return TCell(0);
        return FData[CellIndex(Nc, Nr)];
    }
    /// Stores Value and fires OnChange when both indices are valid; otherwise ignored silently.
    void SetVal(int Nc, int Nr, TCell Value) {
        if constexpr (TSelf::kHasSparseForm) {
            if (SparseNow()) {
                Self().SetVal(Nc, Nr, Value);
                return;
            }
        }
        if (!ValidCell(Nc, Nr)) return;
        FData[CellIndex(Nc, Nr)] = Value;
        Changed();
    }

    /// Range normalisation of the frame over the columns and rows of this matrix. On a matrix with
    /// 0 columns (rows) the column (row) range comes out as (1, 0) for (0, 0).
    void MakeValidColRange(int& LowCol, int& HighCol) const noexcept;
    /// The same for the rows.
    void MakeValidRowRange(int& LowRow, int& HighRow) const noexcept;

    // --- copying (matrix_core.cpp, matrix_copy.cpp, matrix_vectors.cpp) ----------------------

    /// Data-only copy: Resize to the source's size, every cell (OnChange once per cell, as SetVal
    /// does), then OnChange once more. Null source: nothing.
    void Clone(const TSelf* MatSource);

    /// Fills DestVec with 0, then copies the cells (FirstCol.., Row) into its elements 1, 2, ...
    /// The column range is normalised and cut to the vector's length; Row is clamped to the rows.
    /// The vector is not resized. Null vector: nothing.
    void CopyRowToVec(TVec* DestVec, int Row, int FirstCol, int LastCol) const;
    /// The same along column Col (clamped) over the normalised row range.
    void CopyColToVec(TVec* DestVec, int Col, int FirstRow, int LastRow) const;
    /// DestArray becomes the normalised rectangle, indexed [c - LowCol][r - LowRow].
    void CopyToArray(TCell2DArray& DestArray, int LowCol, int HighCol, int LowRow,
                     int HighRow) const;
    /// SrcArray[i][j] goes to cell (Col + i, Row + j) as through SetVal (one OnChange per cell
    /// written, no final notification). The number of rows is that of SrcArray[0]; a shorter inner
    /// array of a ragged source contributes only the cells it has.
    void CopyFromArray(const TCell2DArray& SrcArray, int Col, int Row);

    // --- filling (matrix_core.cpp) -----------------------------------------------------------

    /// Every cell (of the normalised rectangle) := value; OnChange.
    ///@{
    void Fill(TCell value);
    /// The same over the normalised rectangle of the dimension-order bounds.
    void Fill(int LowCol, int HighCol, int LowRow, int HighRow, TCell value);
    ///@}
    /// Cells (i, i), i = 1..min(columns, rows) := value; OnChange.
    void FillDiag(TCell value);

    // --- structure (matrix_core.cpp) ---------------------------------------------------------

    /// Removes column col (row row); false when the index is outside the matrix or it is the
    /// only column (row). OnChange through the resize.
    bool RemoveColumn(int col);
    /// The same for a row.
    bool RemoveRow(int row);
    /// Swap two columns (rows); OnChange. An index outside the matrix does nothing at all.
    void ExchangeColumns(int c1, int c2);
    /// The same for two rows.
    void ExchangeRows(int r1, int r2);
    /// Reverse the order of the columns (rows); OnChange.
    void MirrorColumns();
    /// The same for the rows.
    void MirrorRows();

    // --- element-wise arithmetic (matrix_core.cpp) -------------------------------------------

    /// Every cell := cell + Scalar; OnChange.
    void SAdd(TCell Scalar);
    /// Every cell := cell * Scalar; OnChange.
    void SMult(TCell Scalar);
    /// this := this +/- MatB; false (nothing changed) when MatB is null or differs in size.
    bool Add(const TSelf* MatB);
    /// this := this - MatB, as Add.
    bool Subtract(const TSelf* MatB);
    /// MatRes := this .* MatB cell by cell (resized to this size, one OnChange of MatRes per
    /// cell); then OnChange of this matrix. False when an operand is null or the sizes differ.
    bool EMult(const TSelf* MatB, TSelf* MatRes);
    /// ResultArray becomes columns x rows with true where the cell is > Threshold; returns the
    /// number of true cells.
    int Dichotomize(TCell Threshold, TBool2DArray& ResultArray) const;

    // --- queries (matrix_core.cpp) -----------------------------------------------------------

    /// Number of cells of the rectangle with RangeLow <= value <= RangeHigh.
    int CountValues(int LowCol, int HighCol, int LowRow, int HighRow, TCell RangeLow,
                    TCell RangeHigh) const;
    /// Position of the cell nearest to Value in the rectangle (first one wins ties, column by
    /// column); (0, 0) when the matrix has no cells.
    void Find(int LowCol, int HighCol, int LowRow, int HighRow, TCell Value, int& ColIx,
              int& RowIx) const;
    /// Bisection over the rows of column Col, sorted in the stated direction: the row of a cell
    /// equal to Value or of the nearer of the two bracketing cells (ties to the higher row).
    /// Returns 0 when Col lies outside the matrix or it has no rows.
    int FindInSortedColumn(int Col, bool ColIsAscending, TCell Value) const;
    /// Sum of the rectangle (note the parameter order); 0 without cells.
    TCell Sum(int LoC, int LoR, int HiC, int HiR) const;
    /// Sum of the diagonal of a square matrix; 0 for a non-square one.
    TCell Trace() const;
    /// Fingerprint of the cells in storage order: one CRC-32 lane per byte of the cell type (64
    /// upper-case hexadecimal digits for doubles, 32 for integers).
    std::string CRCofData() const;

    // --- products with vectors, transpose (matrix_vectors.cpp, matrix_products.cpp) ----------
    // The left operand reports once (OnChange) after the result has been written; a mismatch or
    // a null argument gives false and changes nothing. VecRes may be VecB.

    /// VecRes := A * b (NrOfRows elements); needs NrOfColumns = VecB.NrOfElem. False as well for a
    /// matrix without rows, which a vector cannot hold.
    bool Multiply(const TVec* VecB, TVec* VecRes);
    /// VecRes := A^T * b (NrOfColumns elements); needs NrOfRows = VecB.NrOfElem and a column.
    bool TransposeAndMultiply(const TVec* VecB, TVec* VecRes);
    /// Replaces the matrix by its transpose; OnChange; true. Allocation failure of the work copy
    /// raises the heap message.
    bool Transpose();

    // --- statistics over rectangles (matrix_stats.cpp) ---------------------------------------
    // The rectangle is given as LowCol, LowRow, HighCol, HighRow (both ranges normalised).

    /// Mean and variance (n - 1 denominator; variance 1 for fewer than 3 cells, negative rounding
    /// results 0). Both 0 without cells.
    void MeanVar(int LowCol, int LowRow, int HighCol, int HighRow, double& Mean,
                 double& Variance) const;
    /// Means sized to the columns (dimColumns, column means) or rows (dimRows, row means).
    /// Null Means or a matrix without cells: nothing (a mean over 0 cells does not exist).
    void MeanVec(TDims Dim, TVector* Means) const;
    /// exp(mean of ln x); 0 when a cell is 0. A negative cell raises "Component \"<Name>\":
    /// negative argument passed to GeometricMean".
    double GeometricMean(int LowCol, int LowRow, int HighCol, int HighRow) const;
    /// n / sum(1/x). A cell <= 0 raises "Component \"<Name>\": negative or zero argument passed to
    /// HarmonicMean".
    double HarmonicMean(int LowCol, int LowRow, int HighCol, int HighRow) const;
    /// Skewness and excess kurtosis from the sample standard deviation, for 2 or more cells;
    /// both 0 for one cell, no cells or a zero standard deviation.
    void SkewKurt(int LowCol, int LowRow, int HighCol, int HighRow, double& Skewness,
                  double& Kurtosis) const;
    /// The same corrected for sample size; both 0 for fewer than 4 cells.
    void SkewKurtSample(int LowCol, int LowRow, int HighCol, int HighRow, double& Skewness,
                        double& Kurtosis) const;
    /// Quartiles by the (n + 1)p rule on the sorted cells, held to the ends as TVector::Quartiles
    /// holds them (beyond the last pair the last cell); false (all 0) without cells. NaN cells
    /// sort above every number.
    bool Quartiles(int LowCol, int LowRow, int HighCol, int HighRow, double& Q1, double& Q2,
                   double& Q3) const;
    /// The cell of rank round(n * prob / 100) (held to n - 1), without interpolation; prob is held
    /// to [0, 100]. 0 without cells.
    double Percentile(double prob, int LowCol, int LowRow, int HighCol, int HighRow) const;
    /// The same estimated from SampleSize cells drawn with replacement (the shared generator is
    /// reseeded from the clock). SampleSize <= 0 or not below the number of cells gives the exact
    /// result.
    double Percentile(double prob, int LowCol, int LowRow, int HighCol, int HighRow,
                      int SampleSize) const;
    /// Smallest and largest cell; the start values of TMatrixCellTraits (uc_MaxReal and
    /// -uc_MaxReal for doubles) without cells.
    void MinMax(int LowCol, int LowRow, int HighCol, int HighRow, TCell& Minimum,
                TCell& Maximum) const;

    // --- sorting, edge vectors (matrix_sort.cpp) ---------------------------------------------

    /// Comb sort (shrink 1.3) of the rows of the row range by column SortColIx. An exchange moves
    /// the columns of the column range, and the key cells too when the key column lies outside it;
    /// each exchange is reported through OnSortExchange (kind 2, the two rows, the column range).
    /// OnChange once at the end; nothing at all for fewer than two rows or an invalid SortColIx.
    void SortRows(int SortColIx, bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow);
    /// The same for the columns of the column range by row SortRowIx (kind 1, the row range).
    void SortCols(int SortRowIx, bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow);
    /// One reduction per row (orPerRow, DestVec sized to the rows) or per column (orPerColumn):
    /// minimum, maximum, sum or mean, in double. Null DestVec or a matrix without cells: nothing.
    void EdgeVector(TOrientation Orient, TEdgeOp EdgeOp, TVector* DestVec) const;

    // --- files and streams (src/matrices/matrix_persist*.cpp) --------------------------------
    // Layouts in docs/matrix-formats.md. The text writers write real cells as the precision
    // settings of TMatrix say and integer cells as decimal integers; the readers believe
    // announced sizes only as far as the data backs them (both rules in ozm/matrix/persist.hpp).
    // Integer matrices round the values they read (ties to even); a value that is not finite or
    // lies outside the 32-bit range is a value error. Readers that fail leave the matrix
    // unchanged unless a routine says otherwise; a successful read fires OnChange once. The
    // writers other than XML need the dense view of a sparse matrix: when it cannot be allocated
    // they raise the heap message.

    /// Applies one parsed element of the XML vocabulary. numcols/numrows record the integer at the
    /// start of Content as the announced size (negative counts as 0). xmlMatBegin starts a document:
    /// the first cell after it (FirstCell) resizes the matrix to the size announced since; every
    /// cell then stores the number at the start of Content (ScanReal for real cells, ScanInteger for
    /// integer cells) at its ix and iy attributes through SetVal (cells outside a dense matrix are
    /// ignored). Returns 1 for xmlMatEnd, -1 for xmlInvalid, 0 otherwise, and -1 for a cell when no
    /// size was announced, the size exceeds kMaxXmlCells (dense form) or cannot be allocated (the
    /// matrix is then not resized), or when a cell of a sparse matrix lies outside the announced
    /// size. Raises nothing itself; exceptions of an OnChange handler pass.
    int ProcessXmlTag(TMatXmlTag Tag, const std::string& TagText, const std::string& Content);
    /// The header record of a record file: columns, rows, data identifier and format code. True
    /// when the file holds a two-dimensional matrix (no layers, no time slots, format 1). A file
    /// shorter than one record gives false with the outputs 0, 0, "" and 0. A file that cannot be
    /// opened raises EInOutError. The matrix is not changed.
    bool ReadBinaryHeader(const std::string& FName, int& NrColumns, int& NrRows,
                          std::string& DataID, int& Format) const;

    /// XML: the matrix element (id attribute = DataID), numcols, numrows, then one cell element
    /// per cell, column by column, one element per line (a sparse matrix: one per entry);
    /// CreateHeader writes <?xml version="1.0"?> first. The stream and file writers raise
    /// EInOutError when writing fails; SaveAsXMLFile writes a header and reports any failure by
    /// false.
    void WriteToXMLStream(TStream& OutStream, bool CreateHeader) const;
    /// The XML writer on an open text file.
    void WriteToOpenXMLFile(TTextWriter& OutFile, bool CreateHeader) const;
    /// Writes the XML file FName with a header; false on any failure.
    bool SaveAsXMLFile(const std::string& FName) const;
    /// Read one matrix element from the current position through ProcessXmlTag (on a work matrix
    /// of the same form, so a failure changes nothing) and take its size, cells and DataID. False
    /// for a document that breaks the vocabulary (ozm::matrix::ReadMatrixXmlElement), lacks
    /// numcols or numrows, or announces more than kMaxXmlCells cells (dense form). The stream
    /// reader leaves the stream after "</matrix>"; the file reader after the text that follows it
    /// up to the next "<".
    bool ReadFromXMLStream(TStream& InStream);
    /// The XML reader on an open text file.
    bool ReadFromOpenXMLFile(TTextReader& InFile);
    /// Reads the XML file FName; false when it cannot be read or breaks the format.
    bool LoadFromXMLFile(const std::string& FName);

    /// ASC: the comment line (line ends become blanks; empty gives "Exported by OZM <class>
    /// component: " and FName), NrOfColumns, NrOfRows, the four flags (column names TRUE in the
    /// second overload, which writes one double-quoted name per column: ColNames, "" for missing
    /// entries, double quotes inside a name written as single quotes), then one line per row with
    /// the row's values right-aligned in 12 characters. 0, or -1 when the file cannot be created;
    /// errors while writing raise EInOutError.
    ///@{
    int ExportAsASC(const std::string& FName, const std::string& Comment) const;
    /// With the column names ColNames written in the header.
    int ExportAsASC(const std::string& FName, const std::string& Comment,
                    const TStrArray& ColNames) const;
    ///@}
    /// Reads an ASC file into the matrix (NrColumns x NrRows). Results: 0; kAscFileMissing (-8);
    /// a negative code of ReadHeaderOfASC; kAscRowAttributeError (-5); kAscValueError (-6) for a
    /// value that is no number (or no 32-bit integer), a row with too few values, the end of the
    /// file before the last row, or a size the file cannot hold. "NAN" and "###" read as 0.
    /// Comment receives the comment line; ColNames the column names (NrColumns entries, "" where
    /// the file has none). Row attributes and row names are skipped; fields after a row's values
    /// and ";" comments are ignored, as are empty lines. On any error the matrix (and ColNames)
    /// are unchanged.
    ///@{
    int ImportASC(const std::string& FName, std::string& Comment);
    /// With ColNames receiving the column names.
    int ImportASC(const std::string& FName, std::string& Comment, TStrArray& ColNames);
    ///@}

    /// List format: "LowCol HighCol LowRow HighRow", then one line per row of the rectangle with
    /// its values separated by blanks. Reversed bounds are swapped, then the ranges normalised.
    /// False when the file cannot be created or written.
    bool StoreOnFile(int LowCol, int HighCol, int LowRow, int HighRow,
                     const std::string& FileName) const;
    /// Reads the list format. With AdjustMatrixSize the matrix is resized to HighCol x HighRow
    /// (cells that fit are kept). False when the file cannot be read, the header is not four
    /// integers with 1 <= Low <= High + 1, the file is too small for the announced rectangle,
    /// the matrix is smaller than the rectangle (nothing read), or the file ends early (the
    /// values read so far stay). An entry that is no number (or no 32-bit integer) is skipped
    /// (its cell keeps its value). OnChange once after the header was accepted.
    bool LoadFromFile(const std::string& FileName, bool AdjustMatrixSize);

    /// Stream layout: LowCol, HighCol, LowRow, HighRow, then the cells of the rectangle column by
    /// column, each a 10-byte extended real. The ranges are normalised. A null TMemoryStream
    /// receives a new one (the caller owns it); a null TFileStream does nothing.
    ///@{
    void SaveToStream(TStream& OutStream, int LowCol, int HighCol, int LowRow, int HighRow) const;
    /// Into a memory stream; a null one receives a new stream that the caller owns.
    void SaveToStream(TMemoryStream*& OutStream, int LowCol, int HighCol, int LowRow,
                      int HighRow) const;
    /// Into a file stream; null does nothing.
    void SaveToStream(TFileStream* OutStream, int LowCol, int HighCol, int LowRow,
                      int HighRow) const;
    ///@}
    /// Reads the stream layout. False with the matrix unchanged for a null stream, an unreadable
    /// or damaged header (bounds not integers with 1 <= Low <= High + 1) or fewer bytes left than
    /// the cells need. With AdjustMatrixSize the matrix is resized to HighCol x HighRow; a matrix
    /// smaller than the rectangle gives false without reading. A cell that an integer matrix
    /// cannot hold keeps its value and makes the result false. OnChange once after the header
    /// was accepted.
    ///@{
    bool LoadFromStream(TStream& InStream, bool AdjustMatrixSize);
    /// From a memory stream; null gives false.
    bool LoadFromStream(TMemoryStream* InStream, bool AdjustMatrixSize);
    /// From a file stream; null gives false.
    bool LoadFromStream(TFileStream* InStream, bool AdjustMatrixSize);
    ///@}

    /// Record file: header (columns, rows, 0 layers, 0 time slots, DataID cut to 255 bytes,
    /// format 1), then the cells as doubles with the column fastest, bit for bit. False when the
    /// file cannot be created or written.
    bool SaveBinary(const std::string& FName) const;
    /// Reads a record file written for a two-dimensional matrix: size, cells and DataID. Results:
    /// kBinaryOk, kBinaryCannotOpen, kBinaryWrongKind (header short or not two-dimensional),
    /// kBinaryTruncated (negative extents or fewer cells than announced), kBinaryNotInteger (a
    /// cell an integer matrix cannot hold); the matrix is unchanged unless the result is
    /// kBinaryOk.
    int LoadBinary(const std::string& FName);

protected:
    /// @cond
    /// One cell (the minimum) of storage. Raises the heap message when even that fails.
    explicit TMatrixCore(TComponent* AOwner);

    TSelf& Self() noexcept { return static_cast<TSelf&>(*this); }
    const TSelf& Self() const noexcept { return static_cast<const TSelf&>(*this); }

    /// True while the matrix is in sparse form (never for classes without one).
    bool SparseNow() const noexcept {
        if constexpr (TSelf::kHasSparseForm)
            return Self().IsSparse();
        else
            return false;
    }
    /// Raises "Component \"<Name>\": <Routine> needs the dense form" for a matrix in sparse form;
    /// DenseOperand does the same for an operand (naming that operand).
    void DenseOnly(std::string_view Routine) const {
        if (SparseNow())
            RaiseError(std::string(": ") + std::string(Routine) + " needs the dense form");
    }
    static void DenseOperand(const TSelf* Operand, std::string_view Routine) {
        if (Operand != nullptr) Operand->DenseOnly(Routine);
    }

    /// Copies the clamped rectangle [ColLo..ColHi] x [RowLo..RowHi] of a source of SourceCols x
    /// SourceRows cells, read through Cell(c, r), to (DestCol, DestRow) as CopyFrom describes. The
    /// rectangle is read completely before anything is written, so source and destination may
    /// share storage.
    template <typename CellReader>
    void CopyRectangle(int SourceCols, int SourceRows, CellReader&& Cell, int ColLo, int RowLo,
                       int ColHi, int RowHi, int DestCol, int DestRow);

    /// Fires OnChange Count times: the notifications of Count cell writes done in bulk.
    void NotifyEachCell(size_t Count);

    bool ValidCell(int Nc, int Nr) const noexcept {
        return Nc >= 1 && Nc <= FNCol && Nr >= 1 && Nr <= FNRow;
    }
    size_t CellIndex(int Nc, int Nr) const noexcept {
        return static_cast<size_t>(Nc - 1) * static_cast<size_t>(FNRow) +
               static_cast<size_t>(Nr - 1);
    }
    size_t CellCount() const noexcept {
        return static_cast<size_t>(FNCol) * static_cast<size_t>(FNRow);
    }
    TCell* Column(int Nc) noexcept { return FData.data() + static_cast<size_t>(Nc - 1) * FNRow; }
    const TCell* Column(int Nc) const noexcept {
        return FData.data() + static_cast<size_t>(Nc - 1) * FNRow;
    }
    /// SetVal for destination indices computed from caller offsets, which may leave the int range.
    void SetValWide(int64_t Nc, int64_t Nr, TCell Value) {
        if (Nc < 1 || Nc > FNCol || Nr < 1 || Nr > FNRow) return;
        FData[CellIndex(static_cast<int>(Nc), static_cast<int>(Nr))] = Value;
        Changed();
    }
    [[noreturn]] void RaiseError(std::string_view Detail) const;
    /// Runs Allocate, turning exhausted memory into the heap message of this matrix.
    template <typename F>
    decltype(auto) Guarded(F&& Allocate) const {
        return GuardAllocation<EOZMMatrixError>(*this, std::forward<F>(Allocate));
    }
    /// Replaces the storage by Cells (already laid out for Nc x Nr) and sets the dimensions.
    void AdoptStorage(std::vector<TCell>&& Cells, int Nc, int Nr) noexcept;
    /// Normalises both ranges of a rectangle; false when the matrix has no cells.
    bool ValidRectangle(int& LowCol, int& LowRow, int& HighCol, int& HighRow) const noexcept;
    /// Gathers the cells of a normalised rectangle, column by column, into a work array.
    std::vector<double> GatherRectangle(int LowCol, int LowRow, int HighCol, int HighRow) const;

    int FNCol = 1;
    int FNRow = 1;
    std::string FDataID;
    /// Column-major cells; max(FNCol, 1) x max(FNRow, 1) of them, so that a dimension of 0 keeps
    /// one spare column or row of storage. Empty while a matrix is in sparse form.
    std::vector<TCell> FData;

/// @endcond
private:
    // Text of one cell in the text formats.
    std::string FormatCell(TCell Value) const;
    // A read value stored at (Nc, Nr) as the readers store it: dense cells outside the matrix are
    // ignored (true); a sparse matrix keeps the entry list lean (a 0 creates no entry) and
    // refuses cells outside its size (false). No notification.
    bool PutReadCell(int64_t Nc, int64_t Nr, TCell Value);
    // Takes over cells read in full (already laid out for Nc x Nr), in the present form.
    void AdoptRead(std::vector<TCell>&& Cells, int Nc, int Nr);
    // This matrix, or for a matrix in sparse form a dense copy in Holder.
    const TSelf& DenseView(std::unique_ptr<TSelf>& Holder) const;
    // The announced size applied on the first cell (or at the end of a read without cells):
    // 0, or -1 when it is missing, too large or cannot be allocated.
    int ApplyAnnouncedXmlSize();
    // Reads one matrix element from Source into a work matrix and takes it over on success.
    bool ReadXmlElement(const matrix::TXmlTagSource& Source);
    // Writes the XML lines to Sink (each line without its line end).
    void WriteXmlLines(bool CreateHeader,
                       const std::function<void(const std::string&)>& Sink) const;
    int WriteAsc(const std::string& FName, const std::string& Comment,
                 const TStrArray* ColNames) const;

    bool FirstCell = true;
    int64_t FXmlNumCols = -1;  // announced size of the XML read in progress; -1 not announced
    int64_t FXmlNumRows = -1;
};

/// @cond
template <typename TCell, typename TSelf>
template <typename CellReader>
void TMatrixCore<TCell, TSelf>::CopyRectangle(int SourceCols, int SourceRows, CellReader&& Cell,
                                              int ColLo, int RowLo, int ColHi, int RowHi,
                                              int DestCol, int DestRow) {
    DenseOnly("CopyFrom");
    if (SourceCols < 1 || SourceRows < 1) {
        Changed();
        return;
    }
    auto clamp = [](int& lo, int& hi, int count) {
        lo = lo < 1 ? 1 : (lo > count ? count : lo);
        hi = hi < 1 ? 1 : (hi > count ? count : hi);
        if (hi < lo) std::swap(lo, hi);
    };
    clamp(ColLo, ColHi, SourceCols);
    clamp(RowLo, RowHi, SourceRows);
    const int nc = ColHi - ColLo + 1;
    const int nr = RowHi - RowLo + 1;
    std::vector<TCell> cells =
        Guarded([&] { return std::vector<TCell>(static_cast<size_t>(nc) * nr); });
    for (int c = 0; c < nc; ++c)
        for (int r = 0; r < nr; ++r)
            cells[static_cast<size_t>(c) * nr + r] = static_cast<TCell>(Cell(ColLo + c, RowLo + r));
    for (int c = 0; c < nc; ++c)
        for (int r = 0; r < nr; ++r)
            SetValWide(int64_t{DestCol} + c, int64_t{DestRow} + r,
                       cells[static_cast<size_t>(c) * nr + r]);
    Changed();
}
/// @endcond

}  // namespace ozm
