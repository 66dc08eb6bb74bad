/// @file
/// TMatrix: the two-dimensional container of doubles. What it shares with the integer matrix
/// (sizing, access, copies, fills, structure, element-wise arithmetic, queries, statistics,
/// sorting and every file format) is declared, with the conventions of all members, in
/// ozm/matrix/matrix_core.hpp; this class adds the real-valued operations: random fills,
/// precision settings of the text writers, the products, linear algebra, the histogram,
/// correlation, normalisations and distances.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ozm/base/types.hpp"
#include "ozm/frame.hpp"
#include "ozm/matrix/matrix_core.hpp"
#include "ozm/matrix/persist.hpp"

namespace ozm {

namespace matrix::detail {
struct TOperand;
}

class TVector;
class TIntVector;
class TIntMatrix;

/// The matrix norms of TMatrix::Norm, in this order.
enum class TNormType : uint8_t { ntColwise, ntRowwise, ntSpectral, ntFrobenius };

/// User distance between rows Row1 and Row2 of the matrix Sender (DistanceOfObjects with
/// TDistMode::dmByEvent); Distance arrives preset to 0.
using TOnCalcDistanceEvent =
    std::function<void(TObject* Sender, int Row1, int Row2, double& Distance)>;

/// The two-dimensional container of doubles; its shared members are those of TMatrixCore.
class TMatrix : public TMatrixCore<double, TMatrix> {
public:
    /// The matrix core asks each class whether it has a sparse form.
    static constexpr bool kHasSparseForm = false;

    /// A 1 x 1 matrix holding 0, empty DataID, precision settings 15 and -1.
    explicit TMatrix(TComponent* AOwner = nullptr);
    ~TMatrix() override;
    const char* ClassName() const override { return "TMatrix"; }

    /// User distance of DistanceOfObjects (mode dmByEvent).
    TOnCalcDistanceEvent OnCalcDistance;
    /// Output precision settings used by the text writers: setting 1 (ix <= 1) or 2 (ix >= 2).
    /// SetFPrecis clamps the value to [-1, 25]; no notification.
    ///@{
    int GetFPrecis(int ix) const noexcept { return FPrecis[ix <= 1 ? 0 : 1]; }
    void SetFPrecis(int ix, int Value) noexcept;
    ///@}

    // --- copying (matrix_core.cpp, matrix_copy.cpp) ----------------------------------------

    /// Copies dimensions, cells, DataID, precision settings and the handlers OnChange,
    /// OnSortExchange and OnCalcDistance (not OnPercentDone) from another TMatrix; no notification.
    /// Any other source raises EConvertError "Cannot assign a <class> to a TMatrix".
    void Assign(const TPersistent* Source) override;
    void AssignTo(TPersistent* Dest) const override;
    /// Copies the source rectangle to (DestCol, DestRow) of this matrix, cell by cell as SetVal
    /// does (one OnChange per cell inside this matrix), then OnChange once. The rectangle is
    /// clamped to the source (bounds <= 0 become 1, bounds above the size the size, reversed bounds
    /// swapped; (0, 0) is not special). Destination cells outside this matrix are dropped; this
    /// matrix is not resized. Null source: nothing. Copying a matrix onto itself is safe, also for
    /// overlapping rectangles.
    void CopyFrom(const TMatrix* MatSource, int SourceColLo, int SourceRowLo, int SourceColHi,
                  int SourceRowHi, int DestCol, int DestRow);
    /// The same from an integer matrix (in either form); integer values become doubles.
    void CopyFrom(const TIntMatrix* MatSource, int SourceColLo, int SourceRowLo, int SourceColHi,
                  int SourceRowHi, int DestCol, int DestRow);
    /// The same from layer SourceLayer of a three-dimensional matrix.
    void CopyFrom(const class TMat3D* MatSource, int SourceColLo, int SourceRowLo,
                  int SourceColHi, int SourceRowHi, int SourceLayer, int DestCol, int DestRow);

    /// Copies the normalised element range of VecSource into the matrix, starting at (DestCol,
    /// DestRow): along a row for TDims::dimColumns, along a column for TDims::dimRows. Cells outside
    /// the matrix are dropped; OnChange once. Null source: nothing.
    void CopyFromVec(TDims Dim, const TVector* VecSource, int Source1stElem, int SourceLastElem,
                     int DestCol, int DestRow);
    /// The overload above along a column.
    void CopyFromVec(const TVector* VecSource, int Source1stElem, int SourceLastElem, int DestCol,
                     int DestRow);
    /// The copies to and from double arrays are those of the core.
    using TMatrixCore::CopyFromArray;
    using TMatrixCore::CopyToArray;
    /// The normalised rectangle to an integer array indexed [c - LowCol][r - LowRow], each value
    /// rounded to nearest (ties to even) and saturated at the 32-bit range.
    void CopyToArray(TInt2DArray& DestArray, int LowCol, int HighCol, int LowRow,
                     int HighRow) const;
    /// SrcArray[i][j] goes to cell (Col + i, Row + j) as the double overload does.
    void CopyFromArray(const TInt2DArray& SrcArray, int Col, int Row);

    // --- filling (matrix_core.cpp) ---------------------------------------------------------

    /// Cells := RangeLow + u * (RangeHigh - RangeLow), u uniform in [0, 1) from the shared
    /// generator, column by column; OnChange.
    ///@{
    void FillRandomUniform(double RangeLow, double RangeHigh);
    void FillRandomUniform(int LowCol, int HighCol, int LowRow, int HighRow, double RangeLow,
                           double RangeHigh);
    ///@}
    /// Cells := Mean + StdDev * g, g standard normal; OnChange.
    ///@{
    void FillRandomGauss(double Mean, double StdDev);
    void FillRandomGauss(int LowCol, int HighCol, int LowRow, int HighRow, double Mean,
                         double StdDev);
    ///@}

    // --- products (matrix_products.cpp) ----------------------------------------------------
    // Each product resizes the result, writes it (one OnChange of the result per cell) and then
    // fires OnChange of this matrix. A mismatch or a null argument gives false and changes
    // nothing. The result may be one of the operands: it is then computed aside first.

    /// MatRes := A * B (MatB.NrOfColumns x NrOfRows); needs NrOfColumns = MatB.NrOfRows.
    bool Multiply(const TMatrix* MatB, TMatrix* MatRes);
    /// MatRes := A * B^T (MatB.NrOfRows x NrOfRows); needs NrOfColumns = MatB.NrOfColumns.
    bool MultiplyTransposed(const TMatrix* MatB, TMatrix* MatRes);
    /// MatRes := A^T * B (MatB.NrOfColumns x NrOfColumns); needs NrOfRows = MatB.NrOfRows.
    bool TransposeAndMultiply(const TMatrix* MatB, TMatrix* MatRes);
    /// The vector products (TVector) are those of the core.
    using TMatrixCore::Multiply;
    using TMatrixCore::TransposeAndMultiply;

    // --- linear algebra (matrix_linalg.cpp, matrix_square.cpp, matrix_norms.cpp) -----------

    /// MatRes (NrOfColumns x NrOfColumns) := (A^T * A) / Norm, written without notifications.
    /// NThreads = 1 runs on the calling thread; otherwise the calling thread and up to
    /// min(NThreads, NrOfColumns) - 1 worker threads take the columns one by one (small products
    /// get fewer threads), and the calling thread calls MathFeedBackProc with ProcStat every
    /// 20 ms and at the end. The result is the same for every thread count. NThreads < 1 counts
    /// as 1. ProcStat grows by 1 per column. False for a null MatRes or when
    /// AbortMathProc stopped it (the cells not computed are left as they were); no thread
    /// outlives the call.
    bool Square(TMatrix* MatRes, double Norm, int NThreads);
    /// The overload above with one thread per processor.
    bool Square(TMatrix* MatRes, double Norm);
    /// Inverts a square matrix in place by Crout's LU decomposition with implicit partial
    /// pivoting. ProcStat grows by 1 per column of the decomposition and per column of the
    /// inverse (MathFeedBackProc called, AbortMathProc tested). False for a non-square matrix
    /// (unchanged), a zero row (unchanged), a pivot below 1E-100 or NaN (singular) or an abort;
    /// after a failed decomposition the matrix holds the partial, row-permuted factors. OnChange
    /// once the computation has run (not for a non-square matrix).
    bool Invert();
    /// MatU := a copy of this matrix (Clone), decomposed in place; MatL (n x n) := the unit lower
    /// factor, so that MatL * MatU = P * A. NumPerm is +1 or -1, the sign of the row permutation.
    /// False when the matrix is not square, a result is null or both are the same object
    /// (nothing done, NumPerm 1), or when it is singular (MatL stays zero, MatU partial).
    bool LUdecomposition(TMatrix* MatL, TMatrix* MatU, int& NumPerm);
    /// Determinant from the LU factors; 0 for a singular or non-square matrix.
    double Determinant() const;
    /// Cholesky factor of a symmetric positive definite matrix: MatL (n x n) := L, lower
    /// triangular, with L * L^T = A. Only the diagonal and the upper triangle are read. Surprise:
    /// the factor values L(j, i), j > i, are also stored in this matrix above the diagonal, at
    /// GetVal(j, i), without notification. False for a non-square matrix (nothing done) or a
    /// non-positive pivot (that column of L is then 0). MatL may be this matrix.
    bool CholeskyDecomp(TMatrix* MatL);
    /// Balances a square matrix by similarity scaling (sweeps of square-root factors until no
    /// factor reaches 1.05); no notification. False for a non-square matrix and when the sweeps
    /// do not settle within 1000 (NaN or infinite cells are skipped, so they cannot hang it).
    bool Balance();
    /// ntColwise: largest column sum of |a|; ntRowwise: largest row sum; ntFrobenius: square root
    /// of the sum of squares (overflow-safe); ntSpectral: the largest singular value. 0 without
    /// cells. The spectral norm raises EOZMMatrixError "near singular covariance matrix" when the
    /// decomposition does not converge or AbortMathProc stops it (ProcStat grows by 1 per column
    /// of the bidiagonal reduction and per singular value).
    double Norm(TNormType nt) const;
    /// HatMat (NrOfRows x NrOfRows) := X (X^T X)^-1 X^T with X this matrix; returns the result of
    /// the inversion; HatMat is unchanged on failure or when it is null.
    bool CalcHatMatrix(TMatrix* HatMat) const;
    /// Replaces each column by its Order-th forward difference and drops the last Order rows;
    /// nothing when Order < 1, Order > 10 or Order >= NrOfRows.
    void Diff(int Order);

    // --- statistics (matrix_stats.cpp) ------------------------------------------------------

    /// Frequency distribution of the rectangle (LoX/HiX columns, LoY/HiY rows) into Histo:
    /// round(|LastBin - FirstBin| / BinWidth) + 1 bins, the last covering [LastBin, LastBin +
    /// BinWidth). Cells below FirstBin are Underflow; cells at or above LastBin + BinWidth, NaN
    /// cells and cells whose bin lies beyond the last one (when the bin count was rounded down)
    /// are Overflow, so every cell is counted once. False (nothing done) for more than 500 bins,
    /// BinWidth <= 0, non-finite bin bounds or a null Histo.
    bool Histogram(int LoX, int LoY, int HiX, int HiY, double FirstBin, double LastBin,
                   double BinWidth, TIntVector* Histo, int& Underflow, int& Overflow,
                   int& MaxCnt) const;
    /// Pearson correlation of corresponding cells. A null or differently shaped OtherMat raises
    /// "Component \"<Name>\": matrices do not match"; 0 for fewer than 3 cells or a constant matrix.
    double Correlate(const TMatrix* OtherMat) const;

    // --- normalisation (matrix_normalize.cpp) ----------------------------------------------
    // Each fires OnChange once. The result vectors may be null; Standardize and QNormalize do not
    // resize them (values beyond their length are dropped), MeanCenter does.

    /// (cell - mean) / sqrt(variance) per column (row), when the variance is > 0.
    ///@{
    void StandardizeColumns(TVector* Means, TVector* StdDevs);
    void StandardizeRows(TVector* Means, TVector* StdDevs);
    ///@}
    /// (cell - median) / |median - Percentile(RefQuant)| per column (row), when that is > 0.
    ///@{
    void QNormalizeColumns(double RefQuant, TVector* Medians, TVector* QuantDiffs);
    void QNormalizeRows(double RefQuant, TVector* Medians, TVector* QuantDiffs);
    ///@}
    /// Subtracts the mean of each column (row).
    ///@{
    void MeanCenterColumns(TVector* Means);
    void MeanCenterRows(TVector* Means);
    ///@}

    // --- distances (matrix_distance.cpp) ---------------------------------------------------

    /// Distance or similarity between rows obj1 and obj2 over all columns; rows outside the matrix
    /// read as zeros. dmByEvent asks OnCalcDistance (0 when unassigned).
    double DistanceOfObjects(TDistMode Mode, int obj1, int obj2) const;
    /// DMat (NrOfRows x NrOfRows, not resized) := the symmetric distance matrix with a zero
    /// diagonal, written as through SetVal. -2 when DMat is null or its column count differs from
    /// NrOfRows, -1 when it is not square (nothing written), else 0.
    int CalcDistMat(TDistMode Mode, TMatrix* DMat) const;

private:
    // Stores the Rows x Cols product A * B (Depth terms per cell) in MatRes with the notifications
    // of the products; true.
    bool StoreProduct(TMatrix* MatRes, int Rows, int Cols, int Depth,
                      const matrix::detail::TOperand& A, const matrix::detail::TOperand& B);
    // The column (PerColumn) and row variants of the normalisations.
    void Standardize(bool PerColumn, TVector* Means, TVector* StdDevs);
    void QNormalize(bool PerColumn, double RefQuant, TVector* Medians, TVector* QuantDiffs);
    void MeanCenter(bool PerColumn, TVector* Means);
    int FPrecis[2] = {15, -1};
};

}  // namespace ozm
