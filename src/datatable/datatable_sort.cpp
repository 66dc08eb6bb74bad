// TDataTable: sorting, exchanging and mirroring rows and columns, and the copies between tables,
// arrays and the numeric store.
#include <algorithm>
#include <cmath>
#include <tuple>

#include "datatable/datatable_internal.hpp"
#include "matrices/matrix_internal.hpp"
#include "ozm/datatable.hpp"

namespace ozm {

using datatable::detail::TSuspendedEvents;

using matrix::detail::CombSort;

// --- exchanging ----------------------------------------------------------------------------------

void TDataTable::SwapRowData(int r1, int r2, int LowCol, int HighCol, bool Headers) {
    const size_t a = static_cast<size_t>(r1 - 1), b = static_cast<size_t>(r2 - 1);
    const size_t rows = static_cast<size_t>(FNrOfRows);
    double* data = FNumericData->Data();
    for (int c = LowCol; c <= HighCol; ++c) {
        const size_t ci = static_cast<size_t>(c - 1);
        std::swap(data[ci * rows + a], data[ci * rows + b]);
        std::swap(FCState[ci][a], FCState[ci][b]);
    }
    if (Headers) SwapRowHeaders(a, b);
}

void TDataTable::SwapColData(int c1, int c2, int LowRow, int HighRow, bool Headers) {
    const size_t a = static_cast<size_t>(c1 - 1), b = static_cast<size_t>(c2 - 1);
    const size_t rows = static_cast<size_t>(FNrOfRows);
    double* data = FNumericData->Data();
    for (int r = LowRow; r <= HighRow; ++r) {
        const size_t ri = static_cast<size_t>(r - 1);
        std::swap(data[a * rows + ri], data[b * rows + ri]);
        std::swap(FCState[a][ri], FCState[b][ri]);
    }
    if (Headers) SwapColHeaders(a, b);
}

void TDataTable::SwapRowHeaders(size_t a, size_t b) noexcept {
    std::swap(FRowName[a], FRowName[b]);
    std::swap(FRowAtt[a], FRowAtt[b]);
}

void TDataTable::SwapColHeaders(size_t a, size_t b) noexcept {
    std::swap(FColName[a], FColName[b]);
    std::swap(FColAtt[a], FColAtt[b]);
    std::swap(FVType[a], FVType[b]);
}

void TDataTable::ExchangeDuringSort(TObject* /*Sender*/, uint8_t ExchgWhat, int Index1, int Index2,
                                    int First, int Last) {
    // The matrix has already moved the values; the states and headers follow here.
    if (ExchgWhat == kExchangeRows && ValidRow(Index1) && ValidRow(Index2)) {
        MakeValidColRange(First, Last);
        const size_t a = static_cast<size_t>(Index1 - 1), b = static_cast<size_t>(Index2 - 1);
        for (int c = First; c <= Last; ++c) {
            auto& states = FCState[static_cast<size_t>(c - 1)];
            std::swap(states[a], states[b]);
        }
        if (FSortIncludeHd) SwapRowHeaders(a, b);
    } else if (ExchgWhat == kExchangeColumns && ValidCol(Index1) && ValidCol(Index2)) {
        MakeValidRowRange(First, Last);
        const size_t a = static_cast<size_t>(Index1 - 1), b = static_cast<size_t>(Index2 - 1);
        std::swap_ranges(FCState[a].begin() + (First - 1), FCState[a].begin() + Last,
                         FCState[b].begin() + (First - 1));
        if (FSortIncludeHd) SwapColHeaders(a, b);
    }
    SortExchange(ExchgWhat, Index1, Index2, First, Last);
}

void TDataTable::SortRows(int SortColIx, bool Ascending, int LowCol, int LowRow, int HighCol,
                          int HighRow, bool IncludeHeaders) {
    int lo = LowRow, hi = HighRow;
    MakeValidRowRange(lo, hi);
    if (!ValidCol(SortColIx) || hi - lo < 1) return;  // the matrix does nothing either
    FSortIncludeHd = IncludeHeaders;
    FNumericData->SortRows(SortColIx, Ascending, LowCol, LowRow, HighCol, HighRow);
    // The states moved with the values.
    ChangedCellStates();
    if (IncludeHeaders) {
        ChangedNames();
        ChangedAttrib();
    }
}

void TDataTable::SortCols(int SortRowIx, bool Ascending, int LowCol, int LowRow, int HighCol,
                          int HighRow, bool IncludeHeaders) {
    int lo = LowCol, hi = HighCol;
    MakeValidColRange(lo, hi);
    if (!ValidRow(SortRowIx) || hi - lo < 1) return;  // the matrix does nothing either
    FSortIncludeHd = IncludeHeaders;
    FNumericData->SortCols(SortRowIx, Ascending, LowCol, LowRow, HighCol, HighRow);
    ChangedCellStates();
    if (IncludeHeaders) {
        ChangedNames();
        ChangedAttrib();
    }
}

namespace {
enum class TSortKey { Attribute, Name, NameIgnoreCase };
}

struct TDataTableSorter {
    // Sorts the rows (ByRows) or columns of the range by attribute or name; each exchange moves
    // the whole headers and the cells of the other range.
    static void Sort(TDataTable& T, bool ByRows, TSortKey Key, bool Ascending, int LowCol,
                     int LowRow, int HighCol, int HighRow) {
        T.MakeValidColRange(LowCol, HighCol);
        T.MakeValidRowRange(LowRow, HighRow);
        const int first = ByRows ? LowRow : LowCol;
        const int last = ByRows ? HighRow : HighCol;
        const auto& att = ByRows ? T.FRowAtt : T.FColAtt;
        const auto& names = ByRows ? T.FRowName : T.FColName;
        std::vector<std::string> lower;
        if (Key == TSortKey::NameIgnoreCase) {
            lower.resize(names.size());
            for (size_t k = 0; k < names.size(); ++k) lower[k] = datatable::detail::LowerCase(names[k]);
        }
        auto less = [&](int i, int j) {  // key(i) < key(j)
            const size_t a = static_cast<size_t>(i - 1), b = static_cast<size_t>(j - 1);
            switch (Key) {
                case TSortKey::Attribute: return att[a] < att[b];
                case TSortKey::Name: return names[a] < names[b];
                default: return lower[a] < lower[b];
            }
        };
        CombSort(
            first, last, [&](int i, int j) { return Ascending ? less(j, i) : less(i, j); },
            [&](int i, int j) {
                if (!lower.empty()) std::swap(lower[static_cast<size_t>(i - 1)], lower[static_cast<size_t>(j - 1)]);
                if (ByRows) {
                    T.SwapRowData(i, j, LowCol, HighCol, true);
                    T.SortExchange(kExchangeRows, i, j, LowCol, HighCol);
                } else {
                    T.SwapColData(i, j, LowRow, HighRow, true);
                    T.SortExchange(kExchangeColumns, i, j, LowRow, HighRow);
                }
            });
        T.Changed();
        if (Key == TSortKey::Attribute)
            T.ChangedAttrib();
        else
            T.ChangedNames();
        T.ChangedCellStates();
    }
};

void TDataTable::SortRowAttributes(bool Ascending, int LowCol, int LowRow, int HighCol,
                                   int HighRow) {
    TDataTableSorter::Sort(*this, true, TSortKey::Attribute, Ascending, LowCol, LowRow, HighCol,
                           HighRow);
}
void TDataTable::SortColAttributes(bool Ascending, int LowCol, int LowRow, int HighCol,
                                   int HighRow) {
    TDataTableSorter::Sort(*this, false, TSortKey::Attribute, Ascending, LowCol, LowRow, HighCol,
                           HighRow);
}
void TDataTable::SortRowNames(bool Ascending, bool IgnoreCase, int LowCol, int LowRow,
                              int HighCol, int HighRow) {
    TDataTableSorter::Sort(*this, true, IgnoreCase ? TSortKey::NameIgnoreCase : TSortKey::Name,
                           Ascending, LowCol, LowRow, HighCol, HighRow);
}
void TDataTable::SortColNames(bool Ascending, bool IgnoreCase, int LowCol, int LowRow,
                              int HighCol, int HighRow) {
    TDataTableSorter::Sort(*this, false, IgnoreCase ? TSortKey::NameIgnoreCase : TSortKey::Name,
                           Ascending, LowCol, LowRow, HighCol, HighRow);
}
void TDataTable::SortRowNames(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow) {
    SortRowNames(Ascending, false, LowCol, LowRow, HighCol, HighRow);
}
void TDataTable::SortColNames(bool Ascending, int LowCol, int LowRow, int HighCol, int HighRow) {
    SortColNames(Ascending, false, LowCol, LowRow, HighCol, HighRow);
}

namespace {
void FireExchangeEvents(TDataTable& T) {
    T.ChangedData();
    T.ChangedCellStates();
    T.ChangedAttrib();
    T.ChangedNames();
    T.ChangedSetup();
}
}  // namespace

void TDataTable::ExchangeRows(int r1, int r2) {
    if (!ValidRow(r1) || !ValidRow(r2)) return;
    SwapRowData(r1, r2, 1, FNrOfCols, true);
    FireExchangeEvents(*this);
}

void TDataTable::ExchangeColumns(int c1, int c2) {
    if (!ValidCol(c1) || !ValidCol(c2)) return;
    SwapColData(c1, c2, 1, FNrOfRows, true);
    FireExchangeEvents(*this);
}

// The events fire once, when the whole order is reversed: a handler never sees a half-mirrored
// table.
void TDataTable::MirrorRows() {
    for (int i = 1, j = FNrOfRows; i < j; ++i, --j) SwapRowData(i, j, 1, FNrOfCols, true);
    FireExchangeEvents(*this);
}

void TDataTable::MirrorColumns() {
    for (int i = 1, j = FNrOfCols; i < j; ++i, --j) SwapColData(i, j, 1, FNrOfRows, true);
    FireExchangeEvents(*this);
}

// --- copying -------------------------------------------------------------------------------------

int TDataTable::CopyDataColumnToArray(int Col, TDoubleArray& DstArray) const {
    if (!ValidCol(Col)) return -1;
    const double* col = FNumericData->Data() + static_cast<size_t>(Col - 1) * FNrOfRows;
    DstArray.assign(col, col + FNrOfRows);
    return 0;
}

int TDataTable::CopyDataRowToArray(int Row, TDoubleArray& DstArray) const {
    if (!ValidRow(Row)) return -1;
    DstArray.resize(static_cast<size_t>(FNrOfCols));
    for (int c = 1; c <= FNrOfCols; ++c) DstArray[static_cast<size_t>(c - 1)] = FNumericData->GetVal(c, Row);
    return 0;
}

int TDataTable::CopyDataColumnFromArray(int Col, const TDoubleArray& SrcArray) {
    if (!ValidCol(Col)) return -1;
    const size_t n = std::min(SrcArray.size(), static_cast<size_t>(FNrOfRows));
    std::copy_n(SrcArray.begin(), n, FNumericData->Data() + static_cast<size_t>(Col - 1) * FNrOfRows);
    FNumericData->Changed();
    return 0;
}

int TDataTable::CopyDataRowFromArray(int Row, const TDoubleArray& SrcArray) {
    if (!ValidRow(Row)) return -1;
    const size_t n = std::min(SrcArray.size(), static_cast<size_t>(FNrOfCols));
    for (size_t c = 0; c < n; ++c)
        FNumericData->Data()[c * static_cast<size_t>(FNrOfRows) + static_cast<size_t>(Row - 1)] = SrcArray[c];
    FNumericData->Changed();
    return 0;
}

void TDataTable::CopyDataToArray(TDouble2DArray& DstArray) const {
    FNumericData->CopyToArray(DstArray, 1, FNrOfCols, 1, FNrOfRows);
    if (FNrOfCols == 0 || FNrOfRows == 0) {
        DstArray.assign(static_cast<size_t>(FNrOfCols), TDoubleArray(static_cast<size_t>(FNrOfRows)));
    }
}

namespace {
template <typename Cell>
int CopyFrom2D(TMatrix& M, int Cols, int Rows, const std::vector<std::vector<Cell>>& Src) {
    const size_t src_rows = Src.empty() ? 0 : Src[0].size();
    const bool same = Src.size() == static_cast<size_t>(Cols) && src_rows == static_cast<size_t>(Rows);
    const size_t nc = std::min(Src.size(), static_cast<size_t>(Cols));
    for (size_t c = 0; c < nc; ++c) {
        const size_t nr = std::min(Src[c].size(), static_cast<size_t>(Rows));
        double* col = M.Data() + c * static_cast<size_t>(Rows);
        for (size_t r = 0; r < nr; ++r) col[r] = static_cast<double>(Src[c][r]);
    }
    M.Changed();
    return same ? 0 : -1;
}
}  // namespace

int TDataTable::CopyDataFromArray(const TDouble2DArray& SrcArray) {
    return CopyFrom2D(*FNumericData, FNrOfCols, FNrOfRows, SrcArray);
}
int TDataTable::CopyDataFromArray(const TInt2DArray& SrcArray) {
    return CopyFrom2D(*FNumericData, FNrOfCols, FNrOfRows, SrcArray);
}

void TDataTable::CopyContentsFrom(const TDataTable* ExtTab) {
    if (ExtTab == nullptr) return;
    const int old_cols = FNrOfCols;
    const int old_rows = FNrOfRows;
    if (ExtTab != this) {
        TSuspendedEvents quiet{&OnChange, &OnChangeSetup, &OnChangeNames, &OnChangeAttrib,
                               &OnChangeCellState};
        auto copy = GuardAllocation<EOZMDataTableError>(*this, [&] {
            return std::make_tuple(ExtTab->FRowAtt, ExtTab->FColAtt, ExtTab->FVType,
                                   ExtTab->FCState, ExtTab->FColName, ExtTab->FRowName,
                                   ExtTab->FComment);
        });
        ResizeStorage(ExtTab->FNrOfCols, ExtTab->FNrOfRows);
        const size_t cells = static_cast<size_t>(ExtTab->FNrOfCols) * static_cast<size_t>(ExtTab->FNrOfRows);
        std::copy_n(ExtTab->FNumericData->Data(), cells, FNumericData->Data());
        std::tie(FRowAtt, FColAtt, FVType, FCState, FColName, FRowName, FComment) = std::move(copy);
        FNrOfCols = ExtTab->FNrOfCols;
        FNrOfRows = ExtTab->FNrOfRows;
    }
    AnnounceReplacedContent(old_cols, old_rows);
}

void TDataTable::TakeContentsFrom(TDataTable& Loaded) {
    const int old_cols = FNrOfCols;
    const int old_rows = FNrOfRows;
    ResizeStorage(Loaded.FNrOfCols, Loaded.FNrOfRows);
    std::copy_n(Loaded.FNumericData->Data(),
                static_cast<size_t>(Loaded.FNrOfCols) * static_cast<size_t>(Loaded.FNrOfRows),
                FNumericData->Data());
    FRowAtt = std::move(Loaded.FRowAtt);
    FColAtt = std::move(Loaded.FColAtt);
    FVType = std::move(Loaded.FVType);
    FCState = std::move(Loaded.FCState);
    FColName = std::move(Loaded.FColName);
    FRowName = std::move(Loaded.FRowName);
    FComment = std::move(Loaded.FComment);
    FNrOfCols = Loaded.FNrOfCols;
    FNrOfRows = Loaded.FNrOfRows;
    AnnounceReplacedContent(old_cols, old_rows);
}

void TDataTable::TakeContent(datatable::detail::TTableContent& Content) {
    const int old_cols = FNrOfCols;
    const int old_rows = FNrOfRows;
    ResizeStorage(Content.Cols, Content.Rows);
    const size_t rows = static_cast<size_t>(Content.Rows);
    for (size_t c = 0; c < Content.Values.size(); ++c) {
        std::copy(Content.Values[c].begin(), Content.Values[c].end(),
                  FNumericData->Data() + c * rows);
        // Give the column back as soon as it is copied: the peak stays near one table.
        std::vector<double>().swap(Content.Values[c]);
    }
    FRowAtt = std::move(Content.RowAtt);
    FColAtt = std::move(Content.ColAtt);
    FVType = std::move(Content.Types);
    FCState = std::move(Content.States);
    FColName = std::move(Content.ColNames);
    FRowName = std::move(Content.RowNames);
    FComment = std::move(Content.Comment);
    FNrOfCols = Content.Cols;
    FNrOfRows = Content.Rows;
    AnnounceReplacedContent(old_cols, old_rows);
}

bool TDataTable::CopyCellStatesFrom(const TDataTable* ExtTab) {
    if (ExtTab == nullptr || ExtTab->FNrOfCols != FNrOfCols || ExtTab->FNrOfRows != FNrOfRows)
        return false;
    if (ExtTab != this) FCState = ExtTab->FCState;
    ChangedCellStates();
    return true;
}

void TDataTable::CopyFrom(const TDataTable* ExtTab, int SourceColLo, int SourceRowLo,
                          int SourceColHi, int SourceRowHi, int DestCol, int DestRow) {
    if (ExtTab == nullptr) return;
    ExtTab->MakeValidColRange(SourceColLo, SourceColHi);
    ExtTab->MakeValidRowRange(SourceRowLo, SourceRowHi);
    {
        TSuspendedEvents quiet{&OnChange, &OnChangeCellState, &FNumericData->OnChange};
        const int nc = SourceColHi - SourceColLo + 1;
        const int nr = SourceRowHi - SourceRowLo + 1;
        if (nc > 0 && nr > 0) {
            // Read the rectangle completely first: source and destination may be this table.
            std::vector<double> values(static_cast<size_t>(nc) * static_cast<size_t>(nr));
            std::vector<uint8_t> states(values.size());
            for (int c = 0; c < nc; ++c)
                for (int r = 0; r < nr; ++r) {
                    const size_t k = static_cast<size_t>(c) * static_cast<size_t>(nr) + static_cast<size_t>(r);
                    values[k] = ExtTab->FNumericData->GetVal(SourceColLo + c, SourceRowLo + r);
                    states[k] = ExtTab->GetCellState(SourceColLo + c, SourceRowLo + r);
                }
            for (int c = 0; c < nc; ++c) {
                const int64_t dc = int64_t{DestCol} + c;
                if (dc < 1 || dc > FNrOfCols) continue;
                for (int r = 0; r < nr; ++r) {
                    const int64_t dr = int64_t{DestRow} + r;
                    if (dr < 1 || dr > FNrOfRows) continue;
                    const size_t k = static_cast<size_t>(c) * static_cast<size_t>(nr) + static_cast<size_t>(r);
                    FNumericData->Data()[static_cast<size_t>(dc - 1) * static_cast<size_t>(FNrOfRows) +
                                         static_cast<size_t>(dr - 1)] = values[k];
                    FCState[static_cast<size_t>(dc - 1)][static_cast<size_t>(dr - 1)] = states[k];
                }
            }
        }
    }
    Changed();
    ChangedCellStates();
}

}  // namespace ozm
