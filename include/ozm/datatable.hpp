/// @file
/// TDataTable: a rectangular table of observations with typed columns. Columns are variables, rows
/// are objects; every cell has a numeric value (kept in a TMatrix, NumericData) and a one-byte cell
/// state; columns have a name, an attribute, a measurement scale type and, when categorical, up to
/// 150 category identifiers; rows have a name and an attribute; the table has a comment.
///
/// Conventions of every member:
/// - Columns and rows are 1-based. Single indices outside the table read 0, "" or stUnknown and
///   ignore writes. Ranges are normalised by MakeValidColRange/MakeValidRowRange: (0, 0) means the
///   whole dimension, bounds are clamped and reversed bounds swapped.
/// - Five change events let a viewer refresh only what changed: OnChange (values), OnChangeSetup
///   (structure: scale types, identifiers, comment, inserted or removed rows and columns),
///   OnChangeNames, OnChangeCellState, OnChangeAttrib; OnResize follows every change of size.
///   Operations that suspend events restore them by a scoped guard, also when they throw.
/// - Names are cut to 50 bytes, identifiers to 10 bytes (kMaxNameLength, kMaxIDLength).
/// - Errors are EOZMDataTableError with the component messages "Component \"<Name>\"...". A failed
///   allocation leaves the table as it was.
/// - The file formats (XML, ASC, CSV) are described in docs/datatable-formats.md. Every reader
///   builds the new content aside and takes it over only when the whole input was read, so a
///   failed read changes nothing; readers allocate only what the input can back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ozm/base/types.hpp"
#include "ozm/frame.hpp"
#include "ozm/matrix/tmatrix.hpp"
#include "ozm/platform/stream.hpp"
#include "ozm/platform/textfile.hpp"

namespace ozm {

class TVector;
namespace datatable::detail {
struct TTableContent;
}

/// Measurement scale of a column; the order is the order of the measurement levels.
enum class TMScaleType : uint8_t { stUnknown, stNominal, stOrdinal, stInterval, stRatio };

/// A category identifier (at most 10 bytes).
using TNominalIDStr = std::string;
/// A row or column name (at most 50 bytes).
using TDTNameStr = std::string;

/// The number of identifier slots of a column.
inline constexpr int kMaxNominalIDs = 150;

/// Scale type and category identifiers of a column. Slots are 1-based; a slot holding "" is free.
/// The identifiers are stored only once a slot is used, so a column without categories costs
/// no more than its scale type.
struct TVTypeSpec {
    /// The measurement scale of the column.
    TMScaleType MScaleType = TMScaleType::stInterval;
    std::vector<TNominalIDStr> IDs;  ///< empty, or kMaxNominalIDs entries (slot k at IDs[k - 1])

    /// The identifier of slot Slot (1-based); "" for a free slot or one outside 1..kMaxNominalIDs.
    const TNominalIDStr& ID(int Slot) const noexcept;
    /// Stores Value in slot Slot; a slot outside 1..kMaxNominalIDs is ignored.
    void SetID(int Slot, TNominalIDStr Value);
    /// Frees every slot.
    void ClearIDs() noexcept { IDs.clear(); }
};

/// The elements of the data-table XML vocabulary; ordinals index ozm::datatable::DTxmlTags.
enum class TDTxmlTags : uint8_t {
    xmlDataTableId,
    xmlDataTableEndId,
    xmlComment,
    xmlSize,
    xmlColNames,
    xmlRowNames,
    xmlColAttrib,
    xmlRowAttrib,
    xmlColId,
    xmlRowId,
    xmlDataCells,
    xmlCellID,
    xmlVarType,
    xmlVarIdentifier,
    xmlInvalid
};

/// The handler type of TDataTable::OnResize: the sender, the old and the new column and row counts.
using TDataTableResizeEvent =
    std::function<void(TObject* Sender, int OldColumns, int OldRows, int NewColumns, int NewRows)>;

namespace datatable {

/// The text of each TMScaleType, in the order of the enumeration.
inline constexpr std::array<std::string_view, 5> MScaleTypeNames = {"Unknown", "Nominal", "Ordinal",
                                                                    "Interval", "Ratio"};
/// The tag text of each TDTxmlTags value, in the order of the enumeration.
inline constexpr std::array<std::string_view, 15> DTxmlTags = {
    "datatable", "/datatable", "comment", "size", "colnames", "rownames", "colattrib", "rowattrib",
    "col",       "row",        "datacells", "cell", "vardef", "idf",    "invalid"};

/// Longest row or column name, in bytes; longer names are cut.
inline constexpr size_t kMaxNameLength = 50;
/// Longest category identifier, in bytes; longer identifiers are cut.
inline constexpr size_t kMaxIDLength = 10;

/// Cell-state bits.
inline constexpr uint8_t csInvalid = 0x01;  ///< the cell holds no valid number
inline constexpr uint8_t csEmpty = 0x02;    ///< the cell is empty
inline constexpr uint8_t csImputed = 0x20;  ///< the value was imputed
/// First free mark bit.
inline constexpr uint8_t csMark1 = 0x40;
/// Second free mark bit.
inline constexpr uint8_t csMark2 = 0x80;
/// The bits that the marked statistics compare with the caller's mask (free flags and marks).
inline constexpr uint8_t csMarkBits = 0xFC;

/// The vocabulary entry of a tag text: its first word compared exactly with DTxmlTags;
/// anything else is xmlInvalid.
TDTxmlTags DTxmlTagOf(std::string_view TagText) noexcept;

/// Results of ImportASC / ReadFromASC besides 0 (the header codes are those of ozm/base/asc.hpp).
inline constexpr int kAscRowAttributeError = -5;    ///< a row attribute is no number
inline constexpr int kAscValueError = -6;           ///< a value is no number, a row is short, the
                                                    ///< text ends early or cannot hold its size
inline constexpr int kAscFileMissing = -8;          ///< the file does not exist
inline constexpr int kAscTooManyCategories = -10;   ///< a column has more than 150 categories

/// Results of ImportFromCSV.
inline constexpr int kCsvOk = 0;
inline constexpr int kCsvCannotOpen = -1;        ///< the file cannot be opened or read
inline constexpr int kCsvUnclosedQuote = -2;     ///< a quoted field is not closed, or text follows
                                                 ///< its closing quote
inline constexpr int kCsvRaggedRow = -3;         ///< a record has another number of fields
inline constexpr int kCsvTooManyCategories = -4; ///< a text column has more than 150 categories
inline constexpr int kCsvNoData = -5;            ///< no record at all
inline constexpr int kCsvBadSeparators = -6;     ///< separator and decimal point are equal, or one
                                                 ///< of them is a quote or a line end
inline constexpr int kCsvTooLarge = -7;          ///< the table cannot be allocated

}  // namespace datatable

/// Options of the CSV readers and writers. The defaults are RFC 4180 with a header row.
struct TCsvOptions {
    /// Field separator.
    char Separator = ',';
    /// Decimal point of the numbers.
    char DecimalPoint = '.';
    bool HasHeader = true;    ///< the first record holds the column names
    bool HasRowNames = false; ///< the first field of every record is the row name
};

/// A table of observations with typed columns; the conventions of its members are stated at the top
/// of this header.
class TDataTable : public TOZMContainer {
public:
    /// A table of 1 column and 1 row: value 0, state 0, attributes 0, names C-1 and R-1, scale
    /// type stInterval, no identifiers, empty comment. Exhausted memory raises "Component
    /// \"<Name>\": failed to initialize (out of memory)".
    explicit TDataTable(TComponent* AOwner = nullptr);
    /// Frees NumericData unless it is borrowed; a borrowed matrix keeps its data and loses the
    /// table's change and sort-exchange handlers.
    ~TDataTable() override;
    const char* ClassName() const override { return "TDataTable"; }

    // --- events ----------------------------------------------------------------------------
    // OnChange and OnSortExchange are inherited from TOZMContainer.
    /// Fires when the structure changes: scale types, identifiers, comment, inserted or removed
    /// rows and columns.
    TNotifyEvent OnChangeSetup;
    /// Fires when row or column names change.
    TNotifyEvent OnChangeNames;
    /// Fires when cell states change.
    TNotifyEvent OnChangeCellState;
    /// Fires when row or column attributes change.
    TNotifyEvent OnChangeAttrib;
    /// Progress percentage; fired only through PercDone (no table operation calls it).
    TOnPercentDoneEvent OnPercentDone;
    /// Fires after every change of size, with the old and the new column and row counts.
    TDataTableResizeEvent OnResize;

    /// Each fires its one event when assigned.
    ///@{
    void ChangedData() { Changed(); }
    void ChangedSetup();
    void ChangedNames();
    void ChangedAttrib();
    void ChangedCellStates();
    ///@}
    /// The handler bound to NumericData's OnChange: fires the table's OnChange.
    void DataHasChanged(TObject* Sender);
    /// Forwards a progress notification to OnPercentDone with the table as sender.
    void PercDone(TObject* Sender, int Percent);

    // --- numeric store ---------------------------------------------------------------------
    /// The cell values, column first, both 1-based. Any change of it, also one made directly,
    /// fires the table's OnChange. Resize the table, never the matrix alone.
    TMatrix* NumericData() const noexcept { return FNumericData; }
    /// Adopts NewDMat as the numeric store (the caller keeps ownership and must keep it alive while
    /// the table uses it): the table takes the matrix's size (names, attributes and states as for
    /// any resize), every scale type becomes stInterval (identifiers stay), OnResize fires, then
    /// OnChange, OnChangeSetup, OnChangeNames, OnChangeAttrib, OnChangeCellState. A null matrix
    /// does nothing.
    void AssignAnotherDataMatrix(TMatrix* NewDMat);
    /// From another TDataTable: comment, size, sort flag, values, names, attributes, type records,
    /// states and the eight event handlers (the own matrix stays the table's). Other sources raise
    /// EConvertError.
    void Assign(const TPersistent* Source) override;
    void AssignTo(TPersistent* Dest) const override;

    // --- size ------------------------------------------------------------------------------
    /// Number of columns (variables).
    int NrOfColumns() const noexcept { return FNrOfCols; }
    /// Number of rows (objects).
    int NrOfRows() const noexcept { return FNrOfRows; }
    /// Resizing keeps what survives; new columns get the names C-k, new rows R-k, attributes and
    /// states 0, new columns stInterval without identifiers, new cells 0. Only OnResize fires
    /// (old and new size); nothing happens when the size stays. Negative counts become 0.
    ///@{
    void SetNrCols(int Nc);
    void SetNrRows(int Nr);
    void Resize(int NrCols, int NrRows);
    ///@}
    /// Default names, states 0, attributes 0, stInterval without identifiers, empty comment and
    /// all values 0; the size stays. OnChange (from the fill), then OnChangeNames, OnChangeAttrib,
    /// OnChangeCellState, OnChangeSetup.
    void Clear();
    /// Insert a row (column) at ix in 1..count+1 with an empty name, attribute 0, values and states
    /// 0 (a new column: stInterval, no identifiers); later rows (columns) move on by one.
    /// Remove the row (column) ix; a table keeps at least one row (column). OnResize, then
    /// OnChangeSetup. Invalid indices do nothing.
    ///@{
    void InsertRow(int ix);
    void RemoveRow(int ix);
    void InsertColumn(int ix);
    void RemoveColumn(int ix);
    ///@}
    /// Removes the rows of FirstRow..LastRow ((0, 0) all rows) in which a cell shares a bit with
    /// CState; returns their number, or -1 (nothing changed) for a bound outside 1..NrOfRows.
    /// OnResize (when rows went), then OnChangeSetup.
    int RemoveMarkedRows(int FirstRow, int LastRow, uint8_t CState);

    /// Range normalisation of the frame (MakeValidRange) over the columns (rows) of the table.
    ///@{
    void MakeValidColRange(int& Lo, int& Hi) const noexcept { MakeValidRange(Lo, Hi, FNrOfCols); }
    void MakeValidRowRange(int& Lo, int& Hi) const noexcept { MakeValidRange(Lo, Hi, FNrOfRows); }
    ///@}

    // --- cells -----------------------------------------------------------------------------
    /// The value; in nominal and ordinal columns rounded to the nearest whole number (ties to
    /// even). 0 outside the table.
    double GetElem(int ACol, int ARow) const noexcept;
    /// Stores the value (state untouched); OnChange.
    void SetElem(int ACol, int ARow, double Value);
    /// The identifier of the cell's category in a nominal or ordinal column: slot round(value) for
    /// 1..150 (possibly ""), otherwise the decimal text of round(value) cut to 10 characters.
    /// "" outside the table or in other columns.
    TNominalIDStr GetElemNominal(int ACol, int ARow) const;
    /// Stores the slot of Value (cut to 10 bytes, found ignoring case); an unknown identifier takes
    /// the first free slot. All slots used: "Component \"<Name>\": number of available nominal
    /// values exceeded". OnChange. The scale type is not changed.
    void SetElemNominal(int ACol, int ARow, const TNominalIDStr& Value);

    /// The state byte of the cell; 0 outside the table.
    uint8_t GetCellState(int ACol, int ARow) const noexcept;
    /// OnChangeCellState only when the byte changes.
    void SetCellState(int ACol, int ARow, uint8_t Value);
    /// Whether the csEmpty (csImputed) bit of the cell is set; false outside the table.
    ///@{
    bool GetIsEmpty(int ACol, int ARow) const noexcept;
    bool GetIsImputed(int ACol, int ARow) const noexcept;
    ///@}
    /// Neither csInvalid nor csEmpty set.
    bool GetIsNumber(int ACol, int ARow) const noexcept;
    /// Set or clear one bit through SetCellState, then OnChange.
    ///@{
    void SetIsEmpty(int ACol, int ARow, bool Value);
    void SetIsImputed(int ACol, int ARow, bool Value);
    ///@}
    /// Each fires OnChangeCellState once.
    void SetAllCellStates(uint8_t CellState);
    /// Clears the bits csMark1 and csMark2 of every cell; OnChangeCellState.
    void UnmarkAllCells();
    /// Flips the bits of StateMask in every cell; OnChangeCellState.
    void InvertCellStates(uint8_t StateMask);
    /// Swaps the bits csMark1 and csMark2 in every cell; OnChangeCellState.
    void ExchangeMarkings();
    /// True when the OR of the states of the row (column, rectangle) shares a bit with CellState.
    ///@{
    bool IfRowHasCellState(int row, uint8_t CellState) const noexcept;
    bool IfColHasCellState(int col, uint8_t CellState) const noexcept;
    bool IfAnyCellHasCellState(int LowCol, int LowRow, int HighCol, int HighRow,
                               uint8_t CellState) const noexcept;
    ///@}
    /// Number of cells of the row (column) whose state shares a bit with StateMask; 0 for an index
    /// outside the table.
    ///@{
    int CountMarkedCellsInRow(int Row, uint8_t StateMask) const noexcept;
    int CountMarkedCellsInColumn(int Col, uint8_t StateMask) const noexcept;
    ///@}

    // --- names, attributes, types, comment -------------------------------------------------
    /// The name of the column (row); "" outside the table.
    ///@{
    TDTNameStr GetColName(int ColNr) const;
    TDTNameStr GetRowName(int RowNr) const;
    ///@}
    /// Cut to 50 bytes; OnChangeNames.
    ///@{
    void SetColName(int ColNr, const std::string& HLine);
    void SetRowName(int RowNr, const std::string& HLine);
    ///@}
    /// Length in bytes of the longest column (row) name.
    ///@{
    int MaxColNameLength() const noexcept;
    int MaxRowNameLength() const noexcept;
    ///@}
    /// First index whose name equals ColID, both trimmed of blanks and compared ignoring case;
    /// 0 when none does.
    ///@{
    int FindColIndex(const std::string& ColID) const;
    int FindRowIndex(const std::string& RowID) const;
    ///@}
    /// The attribute of the column (row); 0 outside the table.
    ///@{
    int32_t GetColAttrib(int ColNr) const noexcept;
    int32_t GetRowAttrib(int RowNr) const noexcept;
    ///@}
    /// OnChangeAttrib (each).
    ///@{
    void SetColAttrib(int ColNr, int32_t Attrib);
    void SetRowAttrib(int RowNr, int32_t Attrib);
    ///@}
    /// Every column (row) attribute := Attrib; OnChangeAttrib.
    ///@{
    void SetColAttributes(int32_t Attrib);
    void SetRowAttributes(int32_t Attrib);
    ///@}
    /// For every entry: clear the bits of Mask, set those of Attrib AND Mask.
    ///@{
    void SetColAttributes(int32_t Attrib, int32_t Mask);
    void SetRowAttributes(int32_t Attrib, int32_t Mask);
    ///@}
    /// The scale type of the column; stUnknown outside the table.
    TMScaleType GetMScaleType(int ColNr) const noexcept;
    /// OnChangeSetup; values and identifiers stay.
    void SetMScaleType(int ColNr, TMScaleType MScaleType);
    /// Highest (lowest) scale type in the column range, at least stNominal (at most stRatio).
    ///@{
    TMScaleType FindHighestMLevel(int FirstCol, int LastCol) const noexcept;
    TMScaleType FindLowestMLevel(int FirstCol, int LastCol) const noexcept;
    ///@}
    /// The table's comment.
    const std::string& Comment() const noexcept { return FComment; }
    /// Control characters are removed; OnChangeSetup.
    void SetFComment(const std::string& Value);

    // --- category identifiers --------------------------------------------------------------
    /// Slot (1..150) of ID in a nominal or ordinal column, 0 when absent, empty or not categorical.
    int OrdinalOfNominalID(int Col, const TNominalIDStr& ID, bool IgnoreCase) const;
    /// The slot of MScaleID (case ignored) or, when new, the first free slot, which receives it;
    /// the column becomes stNominal and OnChangeSetup fires. 0 for an invalid column or when all
    /// slots are used.
    int AddNominalID(int Col, const TNominalIDStr& MScaleID);
    /// Frees every identifier slot of the column; OnChangeSetup. An invalid column does nothing.
    void ClearNominalIDs(int Col);
    /// Number of used identifier slots of the column; 0 for an invalid column.
    int CountNominalIDs(int Col) const noexcept;
    /// "" frees the slot in any column; another text is stored only in a categorical column.
    /// OnChangeSetup whenever column and slot are valid.
    void SetNominalID(int ColIx, int OrdVal, const TNominalIDStr& MScaleID);
    /// The identifier in slot OrdVal of a categorical column; "" otherwise.
    TNominalIDStr GetNominalID(int ColIx, int OrdVal) const;
    /// Indices of the nominal and ordinal columns, ascending.
    TIntArray ListOfCategorialVars() const;

    // --- checksums -------------------------------------------------------------------------
    /// Eight CRC-32 lanes; byte p of a sequence goes to lane p mod 8 (64 hexadecimal digits).
    ///@{
    std::string CRCofNamesAndAttributes() const;
    std::string CRCofCellStates() const;
    ///@}

    // --- statistics over rectangles (datatable_stats.cpp) ----------------------------------
    /// OfNumCells: numeric cells of stInterval and stRatio columns. OfMarkedCells: those of them
    /// whose state shares a bit of csMarkBits with CellState (MinMaxOfMarkedCells: of every
    /// column). OfValidCells: numeric cells of every column. Each returns the number of cells used.
    ///@{
    int SumOfNumCells(int LowCol, int LowRow, int HighCol, int HighRow, double& Sum) const;
    int SumOfMarkedCells(int LowCol, int LowRow, int HighCol, int HighRow, uint8_t CellState,
                         double& Sum) const;
    int SumOfSquaredNumCells(int LowCol, int LowRow, int HighCol, int HighRow, double& Sum) const;
    int SumOfSquaredMarkedCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                uint8_t CellState, double& Sum) const;
    ///@}
    /// Mean (0 without cells) and variance (n - 1 denominator; 1 for fewer than three cells).
    ///@{
    int MeanVarOfNumCells(int LowCol, int LowRow, int HighCol, int HighRow, double& Mean,
                          double& Variance) const;
    int MeanVarOfMarkedCells(int LowCol, int LowRow, int HighCol, int HighRow, uint8_t CellState,
                             double& Mean, double& Variance) const;
    ///@}
    /// Extremes; 0 and 0 without cells.
    ///@{
    int MinMaxOfNumCells(int LowCol, int LowRow, int HighCol, int HighRow, double& Minimum,
                         double& Maximum) const;
    int MinMaxOfMarkedCells(int LowCol, int LowRow, int HighCol, int HighRow, uint8_t CellState,
                            double& Minimum, double& Maximum) const;
    int MinMaxOfValidCells(int LowCol, int LowRow, int HighCol, int HighRow, double& Minimum,
                           double& Maximum) const;
    ///@}
    /// exp(mean ln x); 0 when a cell is 0 (zeros are not counted in NumData) and without cells.
    /// A negative cell raises EOZMMatrixError "Component \"<Name>\": negative argument passed to
    /// GeometricMean".
    double GeometricMeanOfNumCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                   int& NumData) const;
    /// n / sum 1/x; 0 without cells. A cell <= 0 raises EOZMMatrixError "Component \"<Name>\":
    /// negative or zero argument passed to HarmonicMean".
    double HarmonicMeanOfNumCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                  int& NumData) const;
    /// Quartiles by the (n + 1)p rule; zeros without cells. Always true.
    ///@{
    bool QuartilesOfNumCells(int LowCol, int LowRow, int HighCol, int HighRow, double& Q1,
                             double& Q2, double& Q3, int& NumData) const;
    bool QuartilesOfMarkedCells(int LowCol, int LowRow, int HighCol, int HighRow,
                                uint8_t CellState, double& Q1, double& Q2, double& Q3,
                                int& NumData) const;
    ///@}
    /// Linear interpolation between the order statistics at prob (n - 1) / 100 (prob in percent,
    /// held to 0..100); 0 without cells.
    ///@{
    double PercentileOfNumCells(double prob, int LowCol, int LowRow, int HighCol, int HighRow,
                                int& NumData) const;
    double PercentileOfMarkedCells(double prob, int LowCol, int LowRow, int HighCol, int HighRow,
                                   uint8_t CellState, int& NumData) const;
    ///@}
    /// Number of numeric cells of stInterval and stRatio columns (CountNumCells), numeric cells of
    /// every column (CountValidCells), cells with csEmpty (CountEmptyCells) or csImputed
    /// (CountImputedCells) in the rectangle.
    ///@{
    int CountNumCells(int LowCol, int LowRow, int HighCol, int HighRow) const;
    int CountValidCells(int LowCol, int LowRow, int HighCol, int HighRow) const;
    int CountEmptyCells(int LowCol, int LowRow, int HighCol, int HighRow) const;
    int CountImputedCells(int LowCol, int LowRow, int HighCol, int HighRow) const;
    ///@}
    /// Numeric cells of every column whose state shares a bit with CellState ($FF: all numeric
    /// cells), column by column into DestVect (sized to their number; left as it is when there is
    /// none, since a vector cannot be empty). Returns the number; a null vector gives 0.
    int CopyCellsToVector(int LowCol, int LowRow, int HighCol, int HighRow, uint8_t CellState,
                          TVector* DestVect) const;

    // --- sorting, exchanging, mirroring (datatable_sort.cpp) -------------------------------
    /// Sorts the rows (columns) of the rectangle by the values of column SortColIx (row
    /// SortRowIx) with the matrix's comb sort. Each exchange also moves the cell states of the
    /// stretch and, with IncludeHeaders, names and attributes (columns: type records too), and is
    /// forwarded to OnSortExchange. Then OnChangeCellState, and OnChangeNames and OnChangeAttrib
    /// with IncludeHeaders. An invalid key index or fewer than two rows (columns): nothing at all.
    ///@{
    void SortRows(int SortColIx, bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow,
                  bool IncludeHeaders);
    void SortCols(int SortRowIx, bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow,
                  bool IncludeHeaders);
    ///@}
    /// The handler bound to NumericData's OnSortExchange.
    void ExchangeDuringSort(TObject* Sender, uint8_t ExchgWhat, int Index1, int Index2, int First,
                            int Last);
    /// Comb sorts of the rows (columns) of the row (column) range by attribute or name; an
    /// exchange moves names, attributes, the values and states of the other range (columns:
    /// type records too) and is reported through OnSortExchange. Then OnChange and OnChangeAttrib
    /// (OnChangeNames), and OnChangeCellState.
    ///@{
    void SortRowAttributes(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow);
    void SortColAttributes(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow);
    void SortRowNames(bool Ascending, bool IgnoreCase, int LowCol, int LowRow, int HighCol,
                      int HighRow);
    void SortColNames(bool Ascending, bool IgnoreCase, int LowCol, int LowRow, int HighCol,
                      int HighRow);
    ///@}
    /// The case-sensitive forms (bytes compared as unsigned).
    ///@{
    void SortRowNames(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow);
    void SortColNames(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow);
    ///@}
    /// Exchange values, attributes, names, states (columns: type records). Then OnChange,
    /// OnChangeCellState, OnChangeAttrib, OnChangeNames, OnChangeSetup. Invalid indices: nothing.
    ///@{
    void ExchangeRows(int r1, int r2);
    void ExchangeColumns(int c1, int c2);
    ///@}
    /// Reverse the order of the rows (columns): values, attributes, names and states (columns: type
    /// records). Events as ExchangeRows.
    ///@{
    void MirrorRows();
    void MirrorColumns();
    ///@}

    // --- standardisation and centring (datatable_stats.cpp) --------------------------------
    /// Per stInterval/stRatio column: numeric cells := (x - mean) / sd when the variance is > 0.
    /// Means and StdDevs (may be null) receive mean and sd at the column's index. OnChange when a
    /// column was transformed.
    void StandardizeNumCellColumns(TVector* Means, TVector* StdDevs);
    /// Per row over the numeric cells of the stInterval/stRatio columns; raises "standardization of
    /// rows is not possible with nominal or ordinal variables" when a column is categorical.
    void StandardizeNumCellRows(TVector* Means, TVector* StdDevs);
    /// Subtract the mean of the numeric cells from each numeric cell, per stInterval/stRatio column
    /// (per row; categorical columns raise as in StandardizeNumCellRows). Means (may be null)
    /// receives the means. OnChange.
    ///@{
    void MeanCenterNumCellColumns(TVector* Means);
    void MeanCenterNumCellRows(TVector* Means);
    ///@}

    /// CovarMat[a][b] over the columns LoC..HiC and rows LoR..HiR with pairwise deletion (rows
    /// where both cells are numeric, n of them): Mode 0 sum xy / (n - 1); 1 covariance; 2 Pearson
    /// r (1 on the diagonal, 0 for n <= 2 or a constant column); 3 r squared; 4 sum (x - y)^2 /
    /// (n - 1); modes 0, 1 and 4 give 0 for n < 2. The means of mode 1 are those of all numeric
    /// cells of the column in LoR..HiR. CovarMat is not resized: false when it is null or smaller
    /// than the column range, or when AbortMathProc stopped the computation. ProcStat grows by 1 per
    /// column (twice for modes >= 1) with MathFeedBackProc called.
    bool CalcCovar(TMatrix* CovarMat, int LoC, int HiC, int LoR, int HiR, int Mode);

    /// Cross table of two categorical columns over rows LowRow..HighRow: ContTab[i - 1][j - 1]
    /// counts rows with categories i (Col1) and j (Col2), numeric cells only; the last column
    /// holds the row totals, the last row the column totals, the last cell the grand total.
    /// -1 invalid column, -2 a column not categorical, -3 rows with a category outside 1..150
    /// (left out), else 0.
    int CreateContingencyTable(int Col1, int Col2, int LowRow, int HighRow, TInt2DArray& ContTab);
    /// OrdList[k - 1] := number of numeric cells of the rows whose value rounds to k (150
    /// entries); returns the number outside 1..150. -1 invalid column, 0 (OrdList untouched) for a
    /// column that is not categorical.
    int ScanForCatValues(int ACol, int LowRow, int HighRow, TIntArray& OrdList);
    /// True when the column holds exactly two distinct values (all cells), v1 < v2.
    bool CheckDichotomousColumn(int col, double& v1, double& v2) const;
    /// True when every value of the column equals the first.
    bool IsConstantColumn(int ColIx) const;
    /// Every cell whose state shares a bit with StateMask := Value; the count; OnChange when > 0.
    int FillMarkedCells(double Value, uint8_t StateMask);
    /// Largest (smallest) attribute in the range and the first index holding it.
    ///@{
    int32_t MaxRowAttrib(int FirstRow, int LastRow, int& Row) const;
    int32_t MinRowAttrib(int FirstRow, int LastRow, int& Row) const;
    int32_t MaxColAttrib(int FirstCol, int LastCol, int& Col) const;
    int32_t MinColAttrib(int FirstCol, int LastCol, int& Col) const;
    ///@}
    /// Number of distinct attribute values in 0..255.
    ///@{
    int RowAttribLevels() const;
    int ColAttribLevels() const;
    ///@}

    // --- copying (datatable_sort.cpp) ------------------------------------------------------
    /// Raw values only: no states, no events besides the matrix's OnChange. -1 invalid index.
    ///@{
    int CopyDataColumnToArray(int Col, TDoubleArray& DstArray) const;
    int CopyDataRowToArray(int Row, TDoubleArray& DstArray) const;
    int CopyDataColumnFromArray(int Col, const TDoubleArray& SrcArray);
    int CopyDataRowFromArray(int Row, const TDoubleArray& SrcArray);
    ///@}
    /// [column][row] copies of all values; the readers store the overlap and return -1 when the
    /// shape differs (the inner size is that of the first inner array), else 0.
    ///@{
    void CopyDataToArray(TDouble2DArray& DstArray) const;
    int CopyDataFromArray(const TDouble2DArray& SrcArray);
    int CopyDataFromArray(const TInt2DArray& SrcArray);
    ///@}
    /// Makes this table a copy of ExtTab's content; OnChange, OnChangeCellState, OnChangeSetup,
    /// OnChangeNames, OnChangeAttrib, then OnResize (old and new size). Null: nothing.
    void CopyContentsFrom(const TDataTable* ExtTab);
    /// Same size only (else false); OnChangeCellState.
    bool CopyCellStatesFrom(const TDataTable* ExtTab);
    /// Values and states of the clamped source rectangle to (DestCol, DestRow); cells outside this
    /// table are skipped. Then OnChange and OnChangeCellState. Null: nothing.
    void CopyFrom(const TDataTable* ExtTab, int SourceColLo, int SourceRowLo, int SourceColHi,
                  int SourceRowHi, int DestCol, int DestRow);

    // --- reshaping and files (datatable_serialize.cpp, datatable_xml.cpp, datatable_csv.cpp,
    //     datatable_asc.cpp); layouts in docs/datatable-formats.md ------------------------------
    /// Reshapes the table into one column "(data)" of C x R rows, column after column, preceded by
    /// a nominal column "(column)" (ColHeadsAsVar) and "(col. index)", "(row index)"
    /// (IncludeColRowNumbers). OnChange once at the end; the other events as the steps cause them.
    void Serialize(bool ColHeadsAsVar, bool IncludeColRowNumbers);

    /// XML: one datatable element holding everything the table holds; values written as the
    /// shortest text that reads back exactly. CreateHeader writes <?xml version="1.0"?> first;
    /// a DataID that is not empty becomes the element's id attribute (documents that embed a
    /// table name it so; the readers pass over it). The stream and open-file writers raise
    /// EInOutError when writing fails; SaveAsXMLFile reports failure by false.
    ///@{
    void WriteToXMLStream(TStream& OutStream, bool CreateHeader,
                          const std::string& DataID = "") const;
    void WriteToOpenXMLFile(TTextWriter& OutFile, bool CreateHeader,
                            const std::string& DataID = "") const;
    bool SaveAsXMLFile(const std::string& FName) const;
    ///@}
    /// Read one datatable element from the current position, stopping at its end element (the
    /// stream reader leaves the stream right after "</datatable>", so the element can be embedded
    /// in a larger document). False, with the table unchanged, for a document that breaks the
    /// vocabulary, lacks the size, announces more than the input can back, or refers to cells,
    /// columns, rows or slots outside the size. On success OnResize and the five change events
    /// fire as after CopyContentsFrom.
    ///@{
    bool ReadFromXMLStream(TStream& InStream);
    bool ReadFromOpenXMLFile(TTextReader& InFile);
    bool ReadFromXMLString(std::string_view XmlText);
    bool LoadFromXMLFile(const std::string& FName);
    ///@}
    /// Applies one element of a read in progress to this table: the opening tag of a list element
    /// (colnames, rownames, colattrib, rowattrib, datacells, vardef) opens it, its closing tag
    /// (TagText "/colnames"...) closes it; the simple elements carry their value in Content.
    /// Returns 0 to go on, 1 for xmlDataTableEndId, -1 for an element that does not fit (outside
    /// the size, out of place, before the size, xmlInvalid). The readers use it on a work table.
    int ProcessXmlTag(TDTxmlTags Tag, const std::string& TagText, const std::string& Content);

    /// ASC: comment (default "Exported by OZM TDataTable component: " and FName), counts, the
    /// flags TRUE TRUE TRUE and whether a categorical column exists, the column names, then per
    /// row the attribute, the quoted name and the values; cells of categorical columns that have
    /// an identifier are written as the quoted identifier, cells that are not numbers as NAN.
    /// 0, or -1 when the file cannot be created; write errors raise EInOutError.
    ///@{
    int ExportAsASC(const std::string& FName) const;
    void ExportAsASC(TStream& OutStream, const std::string& FName) const;
    ///@}
    /// Reads an ASC document (any of the flags) into the table: comment, names, row attributes,
    /// values; quoted values make their column nominal; NAN and ### are empty cells. 0 or the codes
    /// of ozm/base/asc.hpp and ozm::datatable; on error the table is unchanged.
    ///@{
    int ImportASC(const std::string& FName);
    int ReadFromASC(TStream& InStream);
    ///@}

    /// CSV (RFC 4180, never dependent on the locale): a header record of the column names (with
    /// HasRowNames an empty first field), then one record per row. Numbers are written as the
    /// shortest text that reads back exactly, with the chosen decimal point; cells of categorical
    /// columns that have an identifier as the identifier; cells that are not numbers as empty
    /// fields. Fields holding the separator, a quote, a line end or outer blanks are quoted.
    /// ExportAsCSV returns 0, or -1 when the file cannot be created (write errors raise
    /// EInOutError), or kCsvBadSeparators.
    ///@{
    int ExportAsCSV(const std::string& FName, const TCsvOptions& Options = {}) const;
    int ExportAsCSV(TStream& OutStream, const TCsvOptions& Options = {}) const;
    ///@}
    /// Replace the table by the CSV file (text): a column whose non-empty fields are mostly numbers is
    /// stInterval (other texts there become invalid cells, csInvalid, value 0); other columns are
    /// stNominal with one identifier per distinct text (cut to 10 bytes, case ignored, in order of
    /// appearance). Empty fields are empty cells (csEmpty). Names are cut to 50 bytes; without a
    /// header the columns get their default names. 0 or a kCsv code; on error the table is
    /// unchanged.
    ///@{
    int ImportFromCSV(const std::string& FName, const TCsvOptions& Options = {});
    int ReadFromCSVString(std::string_view CsvText, const TCsvOptions& Options = {});
    ///@}

private:
    friend struct TDataTableAccess;
    friend struct TDataTableSorter;
    friend struct TDataTableXmlWriter;
    friend struct TDataTableFiles;

    void BindMatrix(TMatrix* Mat);
    void UnbindMatrix() noexcept;
    [[noreturn]] void RaiseError(std::string_view Detail) const;
    bool ValidCol(int c) const noexcept { return c >= 1 && c <= FNrOfCols; }
    bool ValidRow(int r) const noexcept { return r >= 1 && r <= FNrOfRows; }
    bool IsCategorical(int c) const noexcept;
    // Resize without firing OnResize; returns true when the size changed.
    bool ResizeSilently(int NrCols, int NrRows);
    void FireResize(int OldCols, int OldRows);
    // Sizes the numeric storage without its change event (the table fires its own); a failed
    // allocation raises the table's memory error.
    void ResizeStorage(int NrCols, int NrRows);
    // Fires what a replaced content fires: every change event once, then OnResize.
    void AnnounceReplacedContent(int OldCols, int OldRows);
    // Removes the rows marked in Remove (Count of them), building what stays aside first.
    void RemoveRowsAside(const std::vector<char>& Remove, int Count);
    // Exchanges rows (columns) r1 and r2 between the given columns (rows): values and states,
    // and with Headers also the headers below.
    void SwapRowData(int r1, int r2, int LowCol, int HighCol, bool Headers);
    void SwapColData(int c1, int c2, int LowRow, int HighRow, bool Headers);
    // Exchanges the name and attribute of the 0-based rows (columns: also type record) a and b.
    void SwapRowHeaders(size_t a, size_t b) noexcept;
    void SwapColHeaders(size_t a, size_t b) noexcept;
    // Takes the whole content of Loaded (moved); events as CopyContentsFrom.
    void TakeContentsFrom(TDataTable& Loaded);
    // Takes a complete content that a reader built (moved); events as CopyContentsFrom.
    void TakeContent(datatable::detail::TTableContent& Content);
    bool ReadXml(const matrix::TXmlTagSource& Source, int64_t BackedBytes);

    TMatrix* FNumericData = nullptr;
    bool FExtMatAssigned = false;
    std::string FComment;
    std::vector<int32_t> FRowAtt;
    std::vector<int32_t> FColAtt;
    std::vector<TVTypeSpec> FVType;
    std::vector<std::vector<uint8_t>> FCState;  // [column][row]
    std::vector<TDTNameStr> FColName;
    std::vector<TDTNameStr> FRowName;
    int FNrOfCols = 1;
    int FNrOfRows = 1;
    bool FSortIncludeHd = false;

    // State of an XML read in progress (ProcessXmlTag).
    TDTxmlTags FXmlList = TDTxmlTags::xmlInvalid;  // the open list element, xmlInvalid: none
    int FXmlVarCol = 0;                           // column of the open vardef
    bool FXmlSized = false;
    int64_t FXmlLimit = matrix::kMaxXmlCells;     // cost the input can back
};

}  // namespace ozm
