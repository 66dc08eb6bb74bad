/// @file
/// TIntMatrix: the 32-bit integer twin of TMatrix, held either densely or in a sparse form.
///
/// Dense form: everything of the matrix core (ozm/matrix/matrix_core.hpp) with integer cells, plus
/// the integer products and CountMaskedZeros below. Sums and products wrap in 32-bit two's
/// complement; statistics with real results are formed in double.
///
/// Sparse form: a list of entries (column, row, value), sorted by column and within a column by
/// row, at most one per cell; a cell without entry holds 0 (an entry may hold 0: SetVal(.., 0)
/// stores it). A bounding box of the entries (empty: low 2147483647, high 1) lets GetVal answer
/// cells outside it without a search; inside it an entry is found by bisection. The capacity
/// (NumAllocated) grows in steps of AllocBy entries as the entries need it; the storage beneath
/// grows geometrically, so building n entries in column order costs O(n) in all, while an entry
/// inserted in front of others moves them up by one (O(n) per entry in random order).
///
/// The operations with a meaning in the sparse form are declared below; every other operation
/// needs the dense form and raises EOZMMatrixError "Component \"<Name>\": <routine> needs the
/// dense form" on a sparse matrix (convert with SparseToArray first). The file writers write the
/// dense view of a sparse matrix (XML: its entries only); the readers keep the form of the matrix
/// they read into. StoreSparseMat/LoadSparseMat keep the entry list itself.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ozm/matrix/matrix_core.hpp"

namespace ozm {

/// One entry of the sparse form.
struct TSpMatElemInt {
    /// Column of the cell.
    int32_t colidx;
    /// Row of the cell.
    int32_t rowidx;
    /// The value of the cell.
    int32_t value;
};

/// Selects the sparse constructor: TIntMatrix M(Owner, CreateSparse, AllocBy).
struct TCreateSparse {
    explicit TCreateSparse() = default;
};
/// The tag value that selects the sparse constructor.
inline constexpr TCreateSparse CreateSparse{};

/// The 32-bit integer matrix, dense or sparse; the two forms are described at the top of this
/// header.
class TIntMatrix : public TMatrixCore<int32_t, TIntMatrix> {
public:
    /// The matrix core asks each class whether it has a sparse form.
    static constexpr bool kHasSparseForm = true;

    /// A dense 1 x 1 matrix holding 0 (Create).
    explicit TIntMatrix(TComponent* AOwner = nullptr);
    /// An empty sparse matrix (CreateSparse): 0 x 0, no entries, capacity and growth step
    /// max(AllocBy, 1).
    TIntMatrix(TComponent* AOwner, TCreateSparse, int AllocBy);
    ~TIntMatrix() override;
    const char* ClassName() const override { return "TIntMatrix"; }

    // --- the sparse form ---------------------------------------------------------------------

    /// True while the matrix is in sparse form.
    bool IsSparse() const noexcept { return FIsSparse; }
    /// Capacity in entries (0 in dense form) and its growth step.
    ///@{
    int NumAllocated() const noexcept { return FNumAllocated; }
    int AllocBy() const noexcept { return FAllocBy; }
    ///@}
    /// Entries in use and the bounding box of their cells.
    ///@{
    int SparseNumElem() const noexcept { return static_cast<int>(SpMat.size()); }
    int SparseLowCol() const noexcept { return FSparseLowCol; }
    int SparseHighCol() const noexcept { return FSparseHighCol; }
    int SparseLowRow() const noexcept { return FSparseLowRow; }
    int SparseHighRow() const noexcept { return FSparseHighRow; }
    ///@}
    /// The entries in their order (empty in dense form).
    std::span<const TSpMatElemInt> SparseEntries() const noexcept { return SpMat; }

    /// Converts to the sparse form (nothing when already sparse): growth step max(1, AllocBy),
    /// one entry per non-zero cell, column by column; the dense storage is released; the
    /// dimensions are kept. No notification.
    void ArrayToSparse(int AllocBy);
    /// Converts to the dense form (nothing when already dense). The dimensions become the high
    /// corner of the bounding box (an empty sparse matrix becomes 1 x 1), the entries are written
    /// to their cells, the entry list is released (capacity 0). No notification. Allocation
    /// failure raises the heap message and leaves the matrix sparse.
    void SparseToArray();

    // --- operations of both forms ------------------------------------------------------------

    /// Sparse: 0 unless the cell lies in the bounding box and has an entry. Dense: the cell, 0
    /// outside the matrix.
    int32_t GetVal(int Nc, int Nr) const noexcept;
    /// Sparse: needs Nc >= 1 and Nr >= 1 (no upper bound; ignored otherwise). An entry of the cell
    /// gets the value; otherwise a new entry is inserted at its place (the capacity growing by
    /// AllocBy when the entries need it; exhausted memory raises the heap message), the bounding
    /// box is widened, and the dimensions become its high corner. Dense: the cell, ignored outside
    /// the matrix. OnChange in both forms (not when ignored).
    void SetVal(int Nc, int Nr, int32_t Value);
    /// Sparse: the dimensions become (Nc, Nr) (negative values 0), the high bounds of the box are
    /// lowered to them, the low bounds to the high bounds where larger, entries outside are
    /// removed; no notification. Dense: as the core's, with OnChange. True; nothing else happens
    /// when the size is unchanged.
    bool Resize(int Nc, int Nr);
    /// Resize, then Fill(0).
    bool ResizeAndClear(int Nc, int Nr);
    /// The core's Fill over a rectangle stays available beside the one below.
    using TMatrixCore::Fill;
    /// Sparse: value <> 0 sets every entry to value (cells without entry stay 0); value 0 removes
    /// every entry (capacity AllocBy, empty box). Dense: every cell. OnChange.
    void Fill(int32_t value);
    /// Nothing for a null source or a source of the other form. Sparse: capacity, growth step,
    /// entries, box and dimensions, then OnChange. Dense: as the core's.
    void Clone(const TIntMatrix* MatSource);
    /// Sparse: rows and columns of every entry and of the box exchanged, and the dimensions too,
    /// then the entries re-sorted by a comb sort (shrink 1.3). Dense: as the core's. OnChange;
    /// true.
    bool Transpose();
    /// Sum of the cells of the normalised rectangle (wrapping), in both forms.
    int32_t Sum(int LoC, int LoR, int HiC, int HiR) const;
    /// Sparse: the sum of the diagonal entries when the high corner of the box is square, else 0.
    /// Dense: as the core's.
    int32_t Trace() const;
    /// The statistics of the core over the cells of the rectangle; in the sparse form the cells
    /// without entry count as 0.
    ///@{
    void MeanVar(int LowCol, int LowRow, int HighCol, int HighRow, double& Mean,
                 double& Variance) const;
    void SkewKurt(int LowCol, int LowRow, int HighCol, int HighRow, double& Skewness,
                  double& Kurtosis) const;
    void SkewKurtSample(int LowCol, int LowRow, int HighCol, int HighRow, double& Skewness,
                        double& Kurtosis) const;
    void MinMax(int LowCol, int LowRow, int HighCol, int HighRow, int32_t& Minimum,
                int32_t& Maximum) const;
    ///@}
    /// this := this + MatB (wrapping); OnChange, true. False when MatB is null or this matrix is
    /// sparse. A sparse MatB is added entry by entry and needs this matrix to reach the high
    /// corner of its box; a dense MatB must have the same size.
    bool Add(const TIntMatrix* MatB);

    // --- dense form only ---------------------------------------------------------------------

    /// Copies dimensions, form, cells or entries, DataID and the handlers OnChange and
    /// OnSortExchange (not OnPercentDone) from another TIntMatrix; no notification. Any other
    /// source raises EConvertError "Cannot assign a <class> to a TIntMatrix".
    void Assign(const TPersistent* Source) override;
    void AssignTo(TPersistent* Dest) const override;
    /// The rectangle copy of TMatrix::CopyFrom (the source may be sparse; it is read through
    /// GetVal).
    void CopyFrom(const TIntMatrix* MatSource, int SourceColLo, int SourceRowLo, int SourceColHi,
                  int SourceRowHi, int DestCol, int DestRow);
    /// Number of cells of the normalised rectangle whose bitwise AND with Bitmask is 0.
    int CountMaskedZeros(int LowCol, int HighCol, int LowRow, int HighRow, uint32_t Bitmask) const;

    /// Integer products (wrapping), as TMatrix's: the result is resized and written (one OnChange
    /// of the result per cell), then this matrix fires OnChange. A mismatch or a null argument
    /// gives false and changes nothing; the result may be an operand.
    /// MatRes := A * B; needs NrOfColumns = MatB.NrOfRows.
    bool Multiply(const TIntMatrix* MatB, TIntMatrix* MatRes);
    /// MatRes := A * B^T; needs NrOfColumns = MatB.NrOfColumns.
    bool MultiplyTransposed(const TIntMatrix* MatB, TIntMatrix* MatRes);
    /// MatRes := A^T * B; needs NrOfRows = MatB.NrOfRows.
    bool TransposeAndMultiply(const TIntMatrix* MatB, TIntMatrix* MatRes);
    /// The vector products (TIntVector) are those of the core.
    using TMatrixCore::Multiply;
    using TMatrixCore::TransposeAndMultiply;

    // --- the entry list file (either form) ---------------------------------------------------
    // Text lines: "NrOfColumns NrOfRows NumEntries AllocBy", then one line "column row value" per
    // entry in the order of the entries (a dense matrix writes its non-zero cells, column by
    // column, and its growth step 1).

    /// False when the file cannot be created or written.
    bool StoreSparseMat(const std::string& FName) const;
    /// Reads an entry list file into the sparse form (a dense matrix becomes sparse), with the
    /// file's size, entries and growth step; OnChange. False, the matrix unchanged, when the file
    /// cannot be read, the header is not four integers (sizes >= 0, entries >= 0), the file is
    /// too small for the entries it announces, or an entry is no three integers, lies outside the
    /// size or repeats a cell. Entries may come in any order.
    bool LoadSparseMat(const std::string& FName);

private:
    friend class TMatrixCore<int32_t, TIntMatrix>;

    // Index of the first entry not before (Nc, Nr) in (column, row) order: the bisection of the
    // sparse form. SpMat.size() when every entry lies before the cell.
    size_t LowerEntry(int Nc, int Nr) const noexcept;
    // Inserts a new entry at Position (which keeps the order), growing the capacity by AllocBy
    // when needed, and widens the box. The dimensions are not changed.
    void InsertEntry(size_t Position, int Nc, int Nr, int32_t Value);
    // Capacity for Count entries: AllocBy steps, at least one step, at most INT32_MAX.
    int CapacityFor(size_t Count) const noexcept;
    void EmptyBox() noexcept;
    void WidenBox(int Nc, int Nr) noexcept;
    // The sparse statistics: the number of cells of the normalised rectangle (0 without cells)
    // and a visit of the entries inside it.
    template <typename F>
    int64_t VisitSparseRectangle(int& LowCol, int& LowRow, int& HighCol, int& HighRow,
                                 F&& Visit) const;
    // Hooks of the matrix core's file formats.
    bool SparsePut(int64_t Nc, int64_t Nr, int32_t Value);
    void TakeCellsAsSparse(const std::vector<int32_t>& Cells, int Nc, int Nr);
    std::unique_ptr<TIntMatrix> DenseCopy() const;
    void TakeOverSparse(TIntMatrix& From) noexcept;
    // The integer product kernel behind the three products.
    bool StoreIntProduct(TIntMatrix* MatRes, int Rows, int Cols, int Depth, const int32_t* A,
                         bool TransposeA, int LdA, const int32_t* B, bool TransposeB, int LdB);

    bool FIsSparse = false;
    int FNumAllocated = 0;
    int FAllocBy = 1;
    int FSparseLowCol = 2147483647;
    int FSparseHighCol = 1;
    int FSparseLowRow = 2147483647;
    int FSparseHighRow = 1;
    std::vector<TSpMatElemInt> SpMat;
};

}  // namespace ozm
