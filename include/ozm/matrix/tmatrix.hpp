// TMatrix: the two-dimensional container of doubles. Cells are addressed column first, row second,
// both 1-based (GetVal(Nc, Nr) is the element a(r, c) of a matrix with NrOfRows rows and
// NrOfColumns columns). The cells live in one contiguous column-major buffer: cell (c, r) is
// Data()[(c - 1) * NrOfRows() + (r - 1)].
//
// Ranges (LowCol/HighCol, LowRow/HighRow) are normalised by MakeValidColRange/MakeValidRowRange:
// (0, 0) means the whole dimension, out-of-range bounds are clamped, reversed bounds swapped. A
// matrix may have 0 columns or 0 rows after a resize; it then has no cells and behaves as empty.
// Errors are EOZMMatrixError with the component messages of the frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ozm/base/types.hpp"
#include "ozm/frame.hpp"
#include "ozm/matrix/persist.hpp"

namespace ozm {

namespace matrix::detail {
struct TOperand;
}

class TVector;
class TIntVector;

// The matrix norms of TMatrix::Norm, in this order.
enum class TNormType : uint8_t { ntColwise, ntRowwise, ntSpectral, ntFrobenius };

// User distance between rows Row1 and Row2 of the matrix Sender (DistanceOfObjects with
// TDistMode::dmByEvent); Distance arrives preset to 0.
using TOnCalcDistanceEvent =
    std::function<void(TObject* Sender, int Row1, int Row2, double& Distance)>;

class TMatrix : public TOZMContainer {
public:
    // A 1 x 1 matrix holding 0, empty DataID, precision settings 15 and -1.
    explicit TMatrix(TComponent* AOwner = nullptr);
    ~TMatrix() override;
    const char* ClassName() const override { return "TMatrix"; }

    // --- properties and events -------------------------------------------------------------

    int NrOfColumns() const noexcept { return FNCol; }
    int NrOfRows() const noexcept { return FNRow; }
    // Negative values become 0, then Resize with the other dimension unchanged.
    void SetNCols(int Nc);
    void SetNRows(int Nr);
    const std::string& DataID() const noexcept { return FDataID; }
    void SetDataID(const std::string& AID) { FDataID = AID; }

    // User distance of DistanceOfObjects (mode dmByEvent).
    TOnCalcDistanceEvent OnCalcDistance;
    // Progress percentage; fired only through PercDone (no matrix operation calls it).
    TOnPercentDoneEvent OnPercentDone;

    // Fires OnPercentDone(this, Percent); the sender argument is not passed on. It has the shape
    // of a progress handler so that it can be plugged into another object's progress event.
    void PercDone(TObject* Sender, int Percent);

    // The cells, column after column (NrOfRows cells each). Writing through this pointer does not
    // notify: call Changed() afterwards. The pointer is invalidated by every resize.
    double* Data() noexcept { return FData.data(); }
    const double* Data() const noexcept { return FData.data(); }

    // --- size and access (matrix_core.cpp) -------------------------------------------------

    // Resizes to Nc columns and Nr rows (negative values become 0). Cells inside both the old and
    // the new size keep their values, the others are 0. Fires OnChange unless the size is
    // unchanged. Always true; allocation failure raises "Component \"<Name>\": not enough memory
    // on heap" and leaves the matrix as it was.
    bool Resize(int Nc, int Nr);
    // Resize, then Fill(0): all cells 0 and OnChange, even when the size did not change.
    bool ResizeAndClear(int Nc, int Nr);

    // The cell (Nc, Nr), or 0 when an index lies outside the matrix.
    double GetVal(int Nc, int Nr) const noexcept {
        if (!ValidCell(Nc, Nr)) return 0.0;
        return FData[CellIndex(Nc, Nr)];
    }
    // Stores Value and fires OnChange when both indices are valid; otherwise ignored silently.
    void SetVal(int Nc, int Nr, double Value) {
        if (!ValidCell(Nc, Nr)) return;
        FData[CellIndex(Nc, Nr)] = Value;
        Changed();
    }

    // Output precision settings used by the text writers: setting 1 (ix <= 1) or 2 (ix >= 2).
    // SetFPrecis clamps the value to [-1, 25]; no notification.
    int GetFPrecis(int ix) const noexcept { return FPrecis[ix <= 1 ? 0 : 1]; }
    void SetFPrecis(int ix, int Value) noexcept;

    // Range normalisation of the frame over the columns and rows of this matrix. On a matrix with
    // 0 columns (rows) the column (row) range comes out as (1, 0) for (0, 0).
    void MakeValidColRange(int& LowCol, int& HighCol) const noexcept;
    void MakeValidRowRange(int& LowRow, int& HighRow) const noexcept;

    // --- copying (matrix_core.cpp, matrix_copy.cpp) ----------------------------------------

    // Copies dimensions, cells, DataID, precision settings and the handlers OnChange,
    // OnSortExchange and OnCalcDistance (not OnPercentDone) from another TMatrix; no notification.
    // Any other source raises EConvertError "Cannot assign a <class> to a TMatrix".
    void Assign(const TPersistent* Source) override;
    void AssignTo(TPersistent* Dest) const override;
    // Data-only copy: Resize to the source's size, every cell (OnChange once per cell, as SetVal
    // does), then OnChange once more. Null source: nothing.
    void Clone(const TMatrix* MatSource);

    // Copies the source rectangle to (DestCol, DestRow) of this matrix, cell by cell as SetVal
    // does (one OnChange per cell inside this matrix), then OnChange once. The rectangle is
    // clamped to the source (bounds <= 0 become 1, bounds above the size the size, reversed bounds
    // swapped; (0, 0) is not special). Destination cells outside this matrix are dropped; this
    // matrix is not resized. Null source: nothing. Copying a matrix onto itself is safe, also for
    // overlapping rectangles.
    void CopyFrom(const TMatrix* MatSource, int SourceColLo, int SourceRowLo, int SourceColHi,
                  int SourceRowHi, int DestCol, int DestRow);
    // Copies from TIntMatrix and TMat3D are CopyFrom overloads with the same clamping and
    // notifications, built on CopyRectangle below.
    void CopyFrom(const class TMat3D* MatSource, int SourceColLo, int SourceRowLo,
                  int SourceColHi, int SourceRowHi, int SourceLayer, int DestCol, int DestRow);

    // Copies the normalised element range of VecSource into the matrix, starting at (DestCol,
    // DestRow): along a row for TDims::dimColumns, along a column for TDims::dimRows. Cells outside
    // the matrix are dropped; OnChange once. Null source: nothing.
    void CopyFromVec(TDims Dim, const TVector* VecSource, int Source1stElem, int SourceLastElem,
                     int DestCol, int DestRow);
    // The overload above along a column.
    void CopyFromVec(const TVector* VecSource, int Source1stElem, int SourceLastElem, int DestCol,
                     int DestRow);
    // Fills DestVec with 0, then copies the cells (FirstCol.., Row) into its elements 1, 2, ...
    // The column range is normalised and cut to the vector's length; Row is clamped to the rows.
    // The vector is not resized. Null vector: nothing.
    void CopyRowToVec(TVector* DestVec, int Row, int FirstCol, int LastCol) const;
    // The same along column Col (clamped) over the normalised row range.
    void CopyColToVec(TVector* DestVec, int Col, int FirstRow, int LastRow) const;
    // DestArray becomes the normalised rectangle, indexed [c - LowCol][r - LowRow]; the integer
    // overload rounds to nearest (ties to even) and saturates at the 32-bit range.
    void CopyToArray(TDouble2DArray& DestArray, int LowCol, int HighCol, int LowRow,
                     int HighRow) const;
    void CopyToArray(TInt2DArray& DestArray, int LowCol, int HighCol, int LowRow,
                     int HighRow) const;
    // SrcArray[i][j] goes to cell (Col + i, Row + j) as through SetVal (one OnChange per cell
    // written, no final notification). The number of rows is that of SrcArray[0]; a shorter inner
    // array of a ragged source contributes only the cells it has.
    void CopyFromArray(const TDouble2DArray& SrcArray, int Col, int Row);
    void CopyFromArray(const TInt2DArray& SrcArray, int Col, int Row);

    // --- filling (matrix_core.cpp) ---------------------------------------------------------

    // Every cell (of the normalised rectangle) := value; OnChange.
    void Fill(double value);
    void Fill(int LowCol, int HighCol, int LowRow, int HighRow, double value);
    // Cells (i, i), i = 1..min(columns, rows) := value; OnChange.
    void FillDiag(double value);
    // Cells := RangeLow + u * (RangeHigh - RangeLow), u uniform in [0, 1) from the shared
    // generator, column by column; OnChange.
    void FillRandomUniform(double RangeLow, double RangeHigh);
    void FillRandomUniform(int LowCol, int HighCol, int LowRow, int HighRow, double RangeLow,
                           double RangeHigh);
    // Cells := Mean + StdDev * g, g standard normal; OnChange.
    void FillRandomGauss(double Mean, double StdDev);
    void FillRandomGauss(int LowCol, int HighCol, int LowRow, int HighRow, double Mean,
                         double StdDev);

    // --- structure (matrix_core.cpp) -------------------------------------------------------

    // Removes column col (row row); false when the index is outside the matrix or it is the
    // only column (row). OnChange through the resize.
    bool RemoveColumn(int col);
    bool RemoveRow(int row);
    // Swap two columns (rows); OnChange. An index outside the matrix does nothing at all.
    void ExchangeColumns(int c1, int c2);
    void ExchangeRows(int r1, int r2);
    // Reverse the order of the columns (rows); OnChange.
    void MirrorColumns();
    void MirrorRows();

    // --- element-wise arithmetic (matrix_core.cpp) -----------------------------------------

    void SAdd(double Scalar);
    void SMult(double Scalar);
    // this := this +/- MatB; false (nothing changed) when MatB is null or differs in size.
    bool Add(const TMatrix* MatB);
    bool Subtract(const TMatrix* MatB);
    // MatRes := this .* MatB cell by cell (resized to this size, one OnChange of MatRes per
    // cell); then OnChange of this matrix. False when an operand is null or the sizes differ.
    bool EMult(const TMatrix* MatB, TMatrix* MatRes);
    // ResultArray becomes columns x rows with true where the cell is > Threshold; returns the
    // number of true cells.
    int Dichotomize(double Threshold, TBool2DArray& ResultArray) const;

    // --- queries (matrix_core.cpp) ---------------------------------------------------------

    // Number of cells of the rectangle with RangeLow <= value <= RangeHigh.
    int CountValues(int LowCol, int HighCol, int LowRow, int HighRow, double RangeLow,
                    double RangeHigh) const;
    // Position of the cell nearest to Value in the rectangle (first one wins ties, column by
    // column); (0, 0) when the matrix has no cells.
    void Find(int LowCol, int HighCol, int LowRow, int HighRow, double Value, int& ColIx,
              int& RowIx) const;
    // Bisection over the rows of column Col, sorted in the stated direction: the row of a cell
    // equal to Value or of the nearer of the two bracketing cells (ties to the higher row).
    // Returns 0 when Col lies outside the matrix or it has no rows.
    int FindInSortedColumn(int Col, bool ColIsAscending, double Value) const;
    // Sum of the rectangle (note the parameter order); 0 without cells.
    double Sum(int LoC, int LoR, int HiC, int HiR) const;
    // Sum of the diagonal of a square matrix; 0 for a non-square one.
    double Trace() const;
    // Fingerprint of the cells in storage order: 64 upper-case hexadecimal digits.
    std::string CRCofData() const;

    // --- products (matrix_products.cpp) ----------------------------------------------------
    // Each product resizes the result, writes it (one OnChange of the result per cell) and then
    // fires OnChange of this matrix. A mismatch or a null argument gives false and changes
    // nothing. The result may be one of the operands: it is then computed aside first.

    // MatRes := A * B (MatB.NrOfColumns x NrOfRows); needs NrOfColumns = MatB.NrOfRows.
    bool Multiply(const TMatrix* MatB, TMatrix* MatRes);
    // MatRes := A * B^T (MatB.NrOfRows x NrOfRows); needs NrOfColumns = MatB.NrOfColumns.
    bool MultiplyTransposed(const TMatrix* MatB, TMatrix* MatRes);
    // MatRes := A^T * B (MatB.NrOfColumns x NrOfColumns); needs NrOfRows = MatB.NrOfRows.
    bool TransposeAndMultiply(const TMatrix* MatB, TMatrix* MatRes);
    // VecRes := A * b (NrOfRows elements); needs NrOfColumns = VecB.NrOfElem. False as well for a
    // matrix without rows, which a vector cannot hold.
    bool Multiply(const TVector* VecB, TVector* VecRes);
    // VecRes := A^T * b (NrOfColumns elements); needs NrOfRows = VecB.NrOfElem and a column.
    bool TransposeAndMultiply(const TVector* VecB, TVector* VecRes);

    // --- linear algebra (matrix_linalg.cpp, matrix_square.cpp, matrix_norms.cpp) -----------

    // Replaces the matrix by its transpose; OnChange; true. Allocation failure of the work copy
    // raises the heap message.
    bool Transpose();
    // MatRes (NrOfColumns x NrOfColumns) := (A^T * A) / Norm, written without notifications.
    // NThreads = 1 runs on the calling thread; otherwise the calling thread and up to
    // min(NThreads, NrOfColumns) - 1 worker threads take the columns one by one (small products
    // get fewer threads), and the calling thread calls MathFeedBackProc with ProcStat every
    // 20 ms and at the end. The result is the same for every thread count. NThreads < 1 counts
    // as 1. ProcStat grows by 1 per column. False for a null MatRes or when
    // AbortMathProc stopped it (the cells not computed are left as they were); no thread
    // outlives the call.
    bool Square(TMatrix* MatRes, double Norm, int NThreads);
    // The overload above with one thread per processor.
    bool Square(TMatrix* MatRes, double Norm);
    // Inverts a square matrix in place by Crout's LU decomposition with implicit partial
    // pivoting. ProcStat grows by 1 per column of the decomposition and per column of the
    // inverse (MathFeedBackProc called, AbortMathProc tested). False for a non-square matrix
    // (unchanged), a zero row (unchanged), a pivot below 1E-100 or NaN (singular) or an abort;
    // after a failed decomposition the matrix holds the partial, row-permuted factors. OnChange
    // once the computation has run (not for a non-square matrix).
    bool Invert();
    // MatU := a copy of this matrix (Clone), decomposed in place; MatL (n x n) := the unit lower
    // factor, so that MatL * MatU = P * A. NumPerm is +1 or -1, the sign of the row permutation.
    // False when the matrix is not square, a result is null or both are the same object
    // (nothing done, NumPerm 1), or when it is singular (MatL stays zero, MatU partial).
    bool LUdecomposition(TMatrix* MatL, TMatrix* MatU, int& NumPerm);
    // Determinant from the LU factors; 0 for a singular or non-square matrix.
    double Determinant() const;
    // Cholesky factor of a symmetric positive definite matrix: MatL (n x n) := L, lower
    // triangular, with L * L^T = A. Only the diagonal and the upper triangle are read. Surprise:
    // the factor values L(j, i), j > i, are also stored in this matrix above the diagonal, at
    // GetVal(j, i), without notification. False for a non-square matrix (nothing done) or a
    // non-positive pivot (that column of L is then 0). MatL may be this matrix.
    bool CholeskyDecomp(TMatrix* MatL);
    // Balances a square matrix by similarity scaling (sweeps of square-root factors until no
    // factor reaches 1.05); no notification. False for a non-square matrix and when the sweeps
    // do not settle within 1000 (NaN or infinite cells are skipped, so they cannot hang it).
    bool Balance();
    // ntColwise: largest column sum of |a|; ntRowwise: largest row sum; ntFrobenius: square root
    // of the sum of squares (overflow-safe); ntSpectral: the largest singular value. 0 without
    // cells. The spectral norm raises EOZMMatrixError "near singular covariance matrix" when the
    // decomposition does not converge or AbortMathProc stops it (ProcStat grows by 1 per column
    // of the bidiagonal reduction and per singular value).
    double Norm(TNormType nt) const;
    // HatMat (NrOfRows x NrOfRows) := X (X^T X)^-1 X^T with X this matrix; returns the result of
    // the inversion; HatMat is unchanged on failure or when it is null.
    bool CalcHatMatrix(TMatrix* HatMat) const;
    // Replaces each column by its Order-th forward difference and drops the last Order rows;
    // nothing when Order < 1, Order > 10 or Order >= NrOfRows.
    void Diff(int Order);

    // --- statistics over rectangles (matrix_stats.cpp) -------------------------------------
    // The rectangle is given as LowCol, LowRow, HighCol, HighRow (both ranges normalised).

    // Mean and variance (n - 1 denominator; variance 1 for fewer than 3 cells, negative rounding
    // results 0). Both 0 without cells.
    void MeanVar(int LowCol, int LowRow, int HighCol, int HighRow, double& Mean,
                 double& Variance) const;
    // Means sized to the columns (dimColumns, column means) or rows (dimRows, row means).
    // Null Means or a matrix without cells: nothing (a mean over 0 cells does not exist).
    void MeanVec(TDims Dim, TVector* Means) const;
    // exp(mean of ln x); 0 when a cell is 0. A negative cell raises "Component \"<Name>\":
    // negative argument passed to GeometricMean".
    double GeometricMean(int LowCol, int LowRow, int HighCol, int HighRow) const;
    // n / sum(1/x). A cell <= 0 raises "Component \"<Name>\": negative or zero argument passed to
    // HarmonicMean".
    double HarmonicMean(int LowCol, int LowRow, int HighCol, int HighRow) const;
    // Skewness and excess kurtosis from the sample standard deviation, for 2 or more cells;
    // both 0 for one cell, no cells or a zero standard deviation.
    void SkewKurt(int LowCol, int LowRow, int HighCol, int HighRow, double& Skewness,
                  double& Kurtosis) const;
    // The same corrected for sample size; both 0 for fewer than 4 cells.
    void SkewKurtSample(int LowCol, int LowRow, int HighCol, int HighRow, double& Skewness,
                        double& Kurtosis) const;
    // Quartiles by the (n + 1)p rule on the sorted cells; false (all 0) without cells. NaN cells
    // sort above every number.
    bool Quartiles(int LowCol, int LowRow, int HighCol, int HighRow, double& Q1, double& Q2,
                   double& Q3) const;
    // The cell of rank round(n * prob / 100) (held to n - 1), without interpolation; prob is held
    // to [0, 100]. 0 without cells.
    double Percentile(double prob, int LowCol, int LowRow, int HighCol, int HighRow) const;
    // The same estimated from SampleSize cells drawn with replacement (the shared generator is
    // reseeded from the clock). SampleSize <= 0 or not below the number of cells gives the exact
    // result.
    double Percentile(double prob, int LowCol, int LowRow, int HighCol, int HighRow,
                      int SampleSize) const;
    // Smallest and largest cell; uc_MaxReal and -uc_MaxReal without cells.
    void MinMax(int LowCol, int LowRow, int HighCol, int HighRow, double& Minimum,
                double& Maximum) const;
    // Frequency distribution of the rectangle (LoX/HiX columns, LoY/HiY rows) into Histo:
    // round(|LastBin - FirstBin| / BinWidth) + 1 bins, the last covering [LastBin, LastBin +
    // BinWidth). Cells below FirstBin are Underflow; cells at or above LastBin + BinWidth, NaN
    // cells and cells whose bin lies beyond the last one (when the bin count was rounded down)
    // are Overflow, so every cell is counted once. False (nothing done) for more than 500 bins,
    // BinWidth <= 0, non-finite bin bounds or a null Histo.
    bool Histogram(int LoX, int LoY, int HiX, int HiY, double FirstBin, double LastBin,
                   double BinWidth, TIntVector* Histo, int& Underflow, int& Overflow,
                   int& MaxCnt) const;
    // Pearson correlation of corresponding cells. A null or differently shaped OtherMat raises
    // "Component \"<Name>\": matrices do not match"; 0 for fewer than 3 cells or a constant matrix.
    double Correlate(const TMatrix* OtherMat) const;

    // --- normalisation (matrix_normalize.cpp) ----------------------------------------------
    // Each fires OnChange once. The result vectors may be null; Standardize and QNormalize do not
    // resize them (values beyond their length are dropped), MeanCenter does.

    // (cell - mean) / sqrt(variance) per column (row), when the variance is > 0.
    void StandardizeColumns(TVector* Means, TVector* StdDevs);
    void StandardizeRows(TVector* Means, TVector* StdDevs);
    // (cell - median) / |median - Percentile(RefQuant)| per column (row), when that is > 0.
    void QNormalizeColumns(double RefQuant, TVector* Medians, TVector* QuantDiffs);
    void QNormalizeRows(double RefQuant, TVector* Medians, TVector* QuantDiffs);
    // Subtracts the mean of each column (row).
    void MeanCenterColumns(TVector* Means);
    void MeanCenterRows(TVector* Means);

    // --- sorting, edge vectors, distances (matrix_sort.cpp, matrix_distance.cpp) -----------

    // Comb sort (shrink 1.3) of the rows of the row range by column SortColIx. An exchange moves
    // the columns of the column range, and the key cells too when the key column lies outside it;
    // each exchange is reported through OnSortExchange (kind 2, the two rows, the column range).
    // OnChange once at the end; nothing at all for fewer than two rows or an invalid SortColIx.
    void SortRows(int SortColIx, bool Ascending, int LowCol, int LowRow, int HighCol,
                  int HighRow);
    // The same for the columns of the column range by row SortRowIx (kind 1, the row range).
    void SortCols(int SortRowIx, bool Ascending, int LowCol, int LowRow, int HighCol,
                  int HighRow);
    // One reduction per row (orPerRow, DestVec sized to the rows) or per column (orPerColumn):
    // minimum, maximum, sum or mean. Null DestVec or a matrix without cells: nothing.
    void EdgeVector(TOrientation Orient, TEdgeOp EdgeOp, TVector* DestVec) const;
    // Distance or similarity between rows obj1 and obj2 over all columns; rows outside the matrix
    // read as zeros. dmByEvent asks OnCalcDistance (0 when unassigned).
    double DistanceOfObjects(TDistMode Mode, int obj1, int obj2) const;
    // DMat (NrOfRows x NrOfRows, not resized) := the symmetric distance matrix with a zero
    // diagonal, written as through SetVal. -2 when DMat is null or its column count differs from
    // NrOfRows, -1 when it is not square (nothing written), else 0.
    int CalcDistMat(TDistMode Mode, TMatrix* DMat) const;

protected:
    // Copies the clamped rectangle [ColLo..ColHi] x [RowLo..RowHi] of a source of SourceCols x
    // SourceRows cells, read through Cell(c, r), to (DestCol, DestRow) as CopyFrom describes. The
    // rectangle is read completely before anything is written, so source and destination may
    // share storage.
    template <typename CellReader>
    void CopyRectangle(int SourceCols, int SourceRows, CellReader&& Cell, int ColLo, int RowLo,
                       int ColHi, int RowHi, int DestCol, int DestRow);

    // Fires OnChange Count times: the notifications of Count cell writes done in bulk.
    void NotifyEachCell(size_t Count);

private:
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
    double* Column(int Nc) noexcept { return FData.data() + static_cast<size_t>(Nc - 1) * FNRow; }
    const double* Column(int Nc) const noexcept {
        return FData.data() + static_cast<size_t>(Nc - 1) * FNRow;
    }
    // SetVal for destination indices computed from caller offsets, which may leave the int range.
    void SetValWide(int64_t Nc, int64_t Nr, double Value) {
        if (Nc < 1 || Nc > FNCol || Nr < 1 || Nr > FNRow) return;
        FData[CellIndex(static_cast<int>(Nc), static_cast<int>(Nr))] = Value;
        Changed();
    }
    [[noreturn]] void RaiseError(std::string_view Detail) const;
    // Runs Allocate, turning exhausted memory into the heap message of this matrix.
    template <typename F>
    decltype(auto) Guarded(F&& Allocate) const {
        return GuardAllocation<EOZMMatrixError>(*this, std::forward<F>(Allocate));
    }
    // Replaces the storage by Cells (already laid out for Nc x Nr) and sets the dimensions.
    void AdoptStorage(std::vector<double>&& Cells, int Nc, int Nr) noexcept;
    // Stores the Rows x Cols product A * B (Depth terms per cell) in MatRes with the notifications
    // of the products; true.
    bool StoreProduct(TMatrix* MatRes, int Rows, int Cols, int Depth,
                      const matrix::detail::TOperand& A, const matrix::detail::TOperand& B);
    // The column (PerColumn) and row variants of the normalisations.
    void Standardize(bool PerColumn, TVector* Means, TVector* StdDevs);
    void QNormalize(bool PerColumn, double RefQuant, TVector* Medians, TVector* QuantDiffs);
    void MeanCenter(bool PerColumn, TVector* Means);
    // Normalises both ranges of a rectangle; false when the matrix has no cells.
    bool ValidRectangle(int& LowCol, int& LowRow, int& HighCol, int& HighRow) const noexcept;
    // Gathers the cells of a normalised rectangle, column by column, into a work array.
    std::vector<double> GatherRectangle(int LowCol, int LowRow, int HighCol, int HighRow) const;

    int FNCol = 1;
    int FNRow = 1;
    std::string FDataID;
    int FPrecis[2] = {15, -1};
    // Column-major cells; max(FNCol, 1) x max(FNRow, 1) of them, so that a dimension of 0 keeps
    // one spare column or row of storage.
    std::vector<double> FData;

    // --- files and streams (src/matrices/matrix_persist*.cpp) --------------------------------
    // Layouts in docs/matrix-formats.md. The text writers write cells as the precision settings
    // say and the readers believe announced sizes only as far as the data backs them (both rules
    // in ozm/matrix/persist.hpp). Readers that fail leave the matrix unchanged unless a routine
    // says otherwise; a successful read fires OnChange once.
public:
    // Applies one parsed element of the XML vocabulary. numcols/numrows record the integer at the
    // start of Content as the announced size (negative counts as 0). The first cell of a read
    // (FirstCell) resizes the matrix to the announced size; every cell then stores the real at
    // the start of Content at its ix and iy attributes through SetVal (cells outside the matrix
    // are ignored). Returns 1 for xmlMatEnd, -1 for xmlInvalid, 0 otherwise, and -1 for a cell
    // when no size was announced, the size exceeds kMaxXmlCells or cannot be allocated (the
    // matrix is then not resized). Raises nothing itself; exceptions of an OnChange handler pass.
    int ProcessXmlTag(TMatXmlTag Tag, const std::string& TagText, const std::string& Content);
    // The header record of a record file: columns, rows, data identifier and format code. True
    // when the file holds a two-dimensional matrix (no layers, no time slots, format 1). A file
    // shorter than one record gives false with the outputs 0, 0, "" and 0. A file that cannot be
    // opened raises EInOutError. The matrix is not changed.
    bool ReadBinaryHeader(const std::string& FName, int& NrColumns, int& NrRows,
                          std::string& DataID, int& Format) const;

    // XML: the matrix element (id attribute = DataID), numcols, numrows, then one cell element
    // per cell, column by column, one element per line; CreateHeader writes <?xml version="1.0"?>
    // first. The stream and file writers raise EInOutError when writing fails; SaveAsXMLFile
    // writes a header and reports any failure by false.
    void WriteToXMLStream(TStream& OutStream, bool CreateHeader) const;
    void WriteToOpenXMLFile(TTextWriter& OutFile, bool CreateHeader) const;
    bool SaveAsXMLFile(const std::string& FName) const;
    // Read one matrix element from the current position through ProcessXmlTag (on a work matrix,
    // so a failure changes nothing) and take its size, cells and DataID. False for a document
    // that breaks the vocabulary (ozm::matrix::ReadMatrixXmlElement), lacks numcols or numrows,
    // or announces more than kMaxXmlCells cells. The stream reader leaves the stream after
    // "</matrix>"; the file reader after the text that follows it up to the next "<".
    bool ReadFromXMLStream(TStream& InStream);
    bool ReadFromOpenXMLFile(TTextReader& InFile);
    bool LoadFromXMLFile(const std::string& FName);

    // ASC: the comment line (line ends become blanks; empty gives "Exported by OZM TMatrix
    // component: " and FName), NrOfColumns, NrOfRows, the four flags (column names TRUE in the
    // second overload, which writes one double-quoted name per column: ColNames, "" for missing
    // entries, double quotes inside a name written as single quotes), then one line per row with
    // the row's values right-aligned in 12 characters. 0, or -1 when the file cannot be created;
    // errors while writing raise EInOutError.
    int ExportAsASC(const std::string& FName, const std::string& Comment) const;
    int ExportAsASC(const std::string& FName, const std::string& Comment,
                    const TStrArray& ColNames) const;
    // Reads an ASC file into the matrix (NrColumns x NrRows). Results: 0; kAscFileMissing (-8);
    // a negative code of ReadHeaderOfASC; kAscRowAttributeError (-5); kAscValueError (-6) for a
    // value that is no number, a row with too few values, the end of the file before the last
    // row, or a size the file cannot hold. "NAN" and "###" read as 0. Comment receives the
    // comment line; ColNames the column names (NrColumns entries, "" where the file has none).
    // Row attributes and row names are skipped; fields after a row's values and ";" comments are
    // ignored, as are empty lines. On any error the matrix (and ColNames) are unchanged.
    int ImportASC(const std::string& FName, std::string& Comment);
    int ImportASC(const std::string& FName, std::string& Comment, TStrArray& ColNames);

    // List format: "LowCol HighCol LowRow HighRow", then one line per row of the rectangle with
    // its values separated by blanks. Reversed bounds are swapped, then the ranges normalised.
    // False when the file cannot be created or written.
    bool StoreOnFile(int LowCol, int HighCol, int LowRow, int HighRow,
                     const std::string& FileName) const;
    // Reads the list format. With AdjustMatrixSize the matrix is resized to HighCol x HighRow
    // (cells that fit are kept). False when the file cannot be read, the header is not four
    // integers with 1 <= Low <= High + 1, the file is too small for the announced rectangle,
    // the matrix is smaller than the rectangle (nothing read), or the file ends early (the
    // values read so far stay). An entry that is no number is skipped (its cell keeps its
    // value). OnChange once after the header was accepted.
    bool LoadFromFile(const std::string& FileName, bool AdjustMatrixSize);

    // Stream layout: LowCol, HighCol, LowRow, HighRow, then the cells of the rectangle column by
    // column, each a 10-byte extended real. The ranges are normalised. A null TMemoryStream
    // receives a new one (the caller owns it); a null TFileStream does nothing.
    void SaveToStream(TStream& OutStream, int LowCol, int HighCol, int LowRow, int HighRow) const;
    void SaveToStream(TMemoryStream*& OutStream, int LowCol, int HighCol, int LowRow,
                      int HighRow) const;
    void SaveToStream(TFileStream* OutStream, int LowCol, int HighCol, int LowRow,
                      int HighRow) const;
    // Reads the stream layout. False with the matrix unchanged for a null stream, an unreadable
    // or damaged header (bounds not integers with 1 <= Low <= High + 1) or fewer bytes left than
    // the cells need. With AdjustMatrixSize the matrix is resized to HighCol x HighRow; a matrix
    // smaller than the rectangle gives false without reading. OnChange once after the header
    // was accepted.
    bool LoadFromStream(TStream& InStream, bool AdjustMatrixSize);
    bool LoadFromStream(TMemoryStream* InStream, bool AdjustMatrixSize);
    bool LoadFromStream(TFileStream* InStream, bool AdjustMatrixSize);

    // Record file: header (columns, rows, 0 layers, 0 time slots, DataID cut to 255 bytes,
    // format 1), then the cells with the column fastest, bit for bit. False when the file cannot
    // be created or written.
    bool SaveBinary(const std::string& FName) const;
    // Reads a record file written for a two-dimensional matrix: size, cells and DataID. Results:
    // kBinaryOk, kBinaryCannotOpen, kBinaryWrongKind (header short or not two-dimensional),
    // kBinaryTruncated (negative extents or fewer cells than announced); the matrix is unchanged
    // unless the result is kBinaryOk.
    int LoadBinary(const std::string& FName);

private:
    // The announced size applied on the first cell (or at the end of a read without cells):
    // 0, or -1 when it is missing, too large or cannot be allocated.
    int ApplyAnnouncedXmlSize();
    // Reads one matrix element from Source into a work matrix and takes it over on success.
    bool ReadXmlElement(const matrix::TXmlTagSource& Source);
    // Writes the XML lines to Sink (each line without its line end).
    void WriteXmlLines(bool CreateHeader, const std::function<void(const std::string&)>& Sink) const;

    bool FirstCell = true;
    int64_t FXmlNumCols = -1;  // announced size of the XML read in progress; -1 not announced
    int64_t FXmlNumRows = -1;
};

template <typename CellReader>
void TMatrix::CopyRectangle(int SourceCols, int SourceRows, CellReader&& Cell, int ColLo,
                            int RowLo, int ColHi, int RowHi, int DestCol, int DestRow) {
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
    std::vector<double> cells =
        Guarded([&] { return std::vector<double>(static_cast<size_t>(nc) * nr); });
    for (int c = 0; c < nc; ++c)
        for (int r = 0; r < nr; ++r)
            cells[static_cast<size_t>(c) * nr + r] = static_cast<double>(Cell(ColLo + c, RowLo + r));
    for (int c = 0; c < nc; ++c)
        for (int r = 0; r < nr; ++r)
            SetValWide(int64_t{DestCol} + c, int64_t{DestRow} + r,
                       cells[static_cast<size_t>(c) * nr + r]);
    Changed();
}

}  // namespace ozm
