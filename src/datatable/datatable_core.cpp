// TDataTable: the data model, resizing, insertion and removal, cell states, names, attributes,
// scale types, category identifiers, the checksums and the events.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <tuple>
#include <unordered_map>

#include "datatable/datatable_internal.hpp"
#include "ozm/base/text.hpp"
#include "ozm/datatable.hpp"
#include "ozm/platform/numtext.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm {

using datatable::detail::DefaultColName;
using datatable::detail::DefaultRowName;
using datatable::detail::IsCategoricalType;
using datatable::detail::TSuspendedEvents;

// --- helpers -------------------------------------------------------------------------------------

namespace datatable {

TDTxmlTags DTxmlTagOf(std::string_view TagText) noexcept {
    // "/datatable" keeps its slash; "size/" (an empty element) does not.
    const std::string_view name = XmlTagName(TagText);
    for (size_t k = 0; k + 1 < DTxmlTags.size(); ++k)
        if (name == DTxmlTags[k]) return static_cast<TDTxmlTags>(k);
    return TDTxmlTags::xmlInvalid;
}

namespace detail {

std::string LowerCase(std::string_view Text) {
    std::string out(Text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool TableSizeIsBacked(int64_t Cols, int64_t Rows, int64_t Backed) noexcept {
    constexpr int64_t kMaxCount = 2147483647;
    constexpr int64_t kFloor = int64_t{1} << 20;
    if (Cols < 0 || Rows < 0 || Cols > kMaxCount || Rows > kMaxCount) return false;
    const int64_t limit = std::max(Backed, kFloor);
    // Cols * (Rows + 16) + 8 * Rows <= limit, without overflow.
    if (8 * Rows > limit) return false;
    const int64_t rest = limit - 8 * Rows;
    return Cols == 0 || Rows + 16 <= rest / Cols;
}

bool ScaleTypeOfName(std::string_view Text, TMScaleType& Type) noexcept {
    for (size_t k = 0; k < MScaleTypeNames.size(); ++k) {
        const std::string_view name = MScaleTypeNames[k];
        if (name.size() != Text.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i) {
            char a = Text[i];
            char b = name[i];
            if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
            if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
            same = a == b;
        }
        if (same) {
            Type = static_cast<TMScaleType>(k);
            return true;
        }
    }
    return false;
}

bool AssignCategories(const std::vector<std::string_view>& Texts, std::vector<double>& Slots,
                      TVTypeSpec& Spec) {
    std::unordered_map<std::string, int> slot_of;
    Spec.ClearIDs();
    int used = 0;
    Slots.assign(Texts.size(), 0.0);
    for (size_t r = 0; r < Texts.size(); ++r) {
        if (Texts[r].empty()) continue;
        const std::string id = CutText(Texts[r], kMaxIDLength);
        auto [it, inserted] = slot_of.emplace(LowerCase(id), used + 1);
        if (inserted) {
            if (used == kMaxNominalIDs) return false;
            ++used;
            Spec.SetID(used, id);
        }
        Slots[r] = it->second;
    }
    return true;
}

void TTableContent::Complete() {
    const size_t nc = static_cast<size_t>(Cols), nr = static_cast<size_t>(Rows);
    Values.resize(nc);
    for (auto& v : Values) v.resize(nr, 0.0);
    States.resize(nc);
    for (auto& v : States) v.resize(nr, 0);
    Types.resize(nc);
    ColAtt.resize(nc, 0);
    RowAtt.resize(nr, 0);
    if (ColNames.size() < nc) {
        ColNames.reserve(nc);
        for (size_t c = ColNames.size(); c < nc; ++c) ColNames.push_back(DefaultColName(static_cast<int>(c + 1)));
    }
    if (RowNames.size() < nr) {
        RowNames.reserve(nr);
        for (size_t r = RowNames.size(); r < nr; ++r) RowNames.push_back(DefaultRowName(static_cast<int>(r + 1)));
    }
}

void AppendNumber(std::string& Out, double Value) {
    if (std::isnan(Value)) {
        Out += "NAN";
    } else if (std::isinf(Value)) {
        Out += Value > 0 ? "+INF" : "-INF";
    } else {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, Value);
        Out.append(buffer, result.ptr);
    }
}

}  // namespace detail
}  // namespace datatable

const TNominalIDStr& TVTypeSpec::ID(int Slot) const noexcept {
    static const TNominalIDStr kFree;
    if (Slot < 1 || static_cast<size_t>(Slot) > IDs.size()) return kFree;
    return IDs[static_cast<size_t>(Slot - 1)];
}

void TVTypeSpec::SetID(int Slot, TNominalIDStr Value) {
    if (Slot < 1 || Slot > kMaxNominalIDs) return;
    if (IDs.empty()) {
        if (Value.empty()) return;
        IDs.resize(kMaxNominalIDs);
    }
    IDs[static_cast<size_t>(Slot - 1)] = std::move(Value);
}

// --- construction, matrix binding ----------------------------------------------------------------

TDataTable::TDataTable(TComponent* AOwner) : TOZMContainer(AOwner) {
    try {
        FNumericData = new TMatrix(nullptr);
        FRowAtt.assign(1, 0);
        FColAtt.assign(1, 0);
        FVType.assign(1, TVTypeSpec{});
        FCState.assign(1, std::vector<uint8_t>(1, 0));
        FColName.assign(1, DefaultColName(1));
        FRowName.assign(1, DefaultRowName(1));
    } catch (const std::bad_alloc&) {
        delete FNumericData;
        FNumericData = nullptr;
        RaiseComponentError<EOZMDataTableError>(*this, ": failed to initialize (out of memory)");
    } catch (const EOZMMatrixError&) {
        delete FNumericData;
        FNumericData = nullptr;
        RaiseComponentError<EOZMDataTableError>(*this, ": failed to initialize (out of memory)");
    }
    BindMatrix(FNumericData);
}

TDataTable::~TDataTable() {
    if (FExtMatAssigned) {
        UnbindMatrix();
    } else {
        delete FNumericData;
    }
}

void TDataTable::BindMatrix(TMatrix* Mat) {
    Mat->OnChange = [this](TObject* Sender) { DataHasChanged(Sender); };
    Mat->OnSortExchange = [this](TObject* Sender, uint8_t What, int I1, int I2, int First,
                                 int Last) { ExchangeDuringSort(Sender, What, I1, I2, First, Last); };
}

void TDataTable::UnbindMatrix() noexcept {
    if (FNumericData == nullptr) return;
    FNumericData->OnChange = nullptr;
    FNumericData->OnSortExchange = nullptr;
}

void TDataTable::RaiseError(std::string_view Detail) const {
    RaiseComponentError<EOZMDataTableError>(*this, Detail);
}

bool TDataTable::IsCategorical(int c) const noexcept {
    return ValidCol(c) && IsCategoricalType(FVType[static_cast<size_t>(c - 1)].MScaleType);
}

// --- events ----------------------------------------------------------------------------------------

void TDataTable::ChangedSetup() {
    if (OnChangeSetup) OnChangeSetup(this);
}
void TDataTable::ChangedNames() {
    if (OnChangeNames) OnChangeNames(this);
}
void TDataTable::ChangedAttrib() {
    if (OnChangeAttrib) OnChangeAttrib(this);
}
void TDataTable::ChangedCellStates() {
    if (OnChangeCellState) OnChangeCellState(this);
}
void TDataTable::DataHasChanged(TObject* /*Sender*/) { Changed(); }
void TDataTable::PercDone(TObject* /*Sender*/, int Percent) {
    if (OnPercentDone) OnPercentDone(this, Percent);
}
void TDataTable::FireResize(int OldCols, int OldRows) {
    if (OnResize) OnResize(this, OldCols, OldRows, FNrOfCols, FNrOfRows);
}

void TDataTable::AnnounceReplacedContent(int OldCols, int OldRows) {
    Changed();
    ChangedCellStates();
    ChangedSetup();
    ChangedNames();
    ChangedAttrib();
    FireResize(OldCols, OldRows);
}

void TDataTable::ResizeStorage(int NrCols, int NrRows) {
    TSuspendedEvents quiet{&FNumericData->OnChange};
    try {
        FNumericData->Resize(NrCols, NrRows);
    } catch (const EOZMMatrixError&) {
        RaiseError(kMsgNoMemoryOnHeap);
    }
}

// --- assignment ------------------------------------------------------------------------------------

void TDataTable::Assign(const TPersistent* Source) {
    const auto* src = dynamic_cast<const TDataTable*>(Source);
    if (src == nullptr) {
        TOZMContainer::Assign(Source);
        return;
    }
    if (src == this) return;
    // Everything is copied aside first, so a failed allocation changes nothing.
    auto copy = GuardAllocation<EOZMDataTableError>(*this, [&] {
        return std::make_tuple(src->FRowAtt, src->FColAtt, src->FVType, src->FCState,
                               src->FColName, src->FRowName, src->FComment);
    });
    {
        TSuspendedEvents quiet{&FNumericData->OnChange};
        try {
            FNumericData->Assign(src->FNumericData);
        } catch (const EOZMMatrixError&) {
            BindMatrix(FNumericData);
            RaiseError(kMsgNoMemoryOnHeap);
        }
    }
    // The matrix's Assign took the source table's handlers; the matrix reports to this table.
    BindMatrix(FNumericData);
    std::tie(FRowAtt, FColAtt, FVType, FCState, FColName, FRowName, FComment) = std::move(copy);
    FNrOfCols = src->FNrOfCols;
    FNrOfRows = src->FNrOfRows;
    FSortIncludeHd = src->FSortIncludeHd;
    OnChange = src->OnChange;
    OnChangeSetup = src->OnChangeSetup;
    OnChangeNames = src->OnChangeNames;
    OnChangeCellState = src->OnChangeCellState;
    OnChangeAttrib = src->OnChangeAttrib;
    OnPercentDone = src->OnPercentDone;
    OnResize = src->OnResize;
    OnSortExchange = src->OnSortExchange;
}

void TDataTable::AssignTo(TPersistent* Dest) const {
    if (auto* dst = dynamic_cast<TDataTable*>(Dest)) {
        dst->Assign(this);
        return;
    }
    TOZMContainer::AssignTo(Dest);
}

// --- size --------------------------------------------------------------------------------------------

namespace {

// The arrays of a table of another size, built aside so that a failed allocation changes nothing.
struct TResizedArrays {
    std::vector<int32_t> RowAtt, ColAtt;
    std::vector<TVTypeSpec> VType;
    std::vector<std::vector<uint8_t>> CState;
    std::vector<TDTNameStr> ColName, RowName;
};

TResizedArrays PrepareArrays(int OldCols, int OldRows, int Nc, int Nr,
                             const std::vector<int32_t>& RowAtt, const std::vector<int32_t>& ColAtt,
                             const std::vector<TVTypeSpec>& VType,
                             const std::vector<std::vector<uint8_t>>& CState,
                             const std::vector<TDTNameStr>& ColName,
                             const std::vector<TDTNameStr>& RowName) {
    TResizedArrays a;
    const size_t nc = static_cast<size_t>(Nc);
    const size_t nr = static_cast<size_t>(Nr);
    a.ColAtt.assign(ColAtt.begin(), ColAtt.begin() + std::min<size_t>(nc, ColAtt.size()));
    a.ColAtt.resize(nc, 0);
    a.VType.assign(VType.begin(), VType.begin() + std::min<size_t>(nc, VType.size()));
    a.VType.resize(nc);
    a.ColName.assign(ColName.begin(), ColName.begin() + std::min<size_t>(nc, ColName.size()));
    a.ColName.reserve(nc);
    for (int c = OldCols + 1; c <= Nc; ++c) a.ColName.push_back(DefaultColName(c));
    a.RowAtt.assign(RowAtt.begin(), RowAtt.begin() + std::min<size_t>(nr, RowAtt.size()));
    a.RowAtt.resize(nr, 0);
    a.RowName.assign(RowName.begin(), RowName.begin() + std::min<size_t>(nr, RowName.size()));
    a.RowName.reserve(nr);
    for (int r = OldRows + 1; r <= Nr; ++r) a.RowName.push_back(DefaultRowName(r));
    a.CState.resize(nc);
    for (size_t c = 0; c < nc; ++c) {
        std::vector<uint8_t>& col = a.CState[c];
        col.resize(nr, 0);
        if (c < CState.size()) {
            const auto& old = CState[c];
            std::copy_n(old.begin(), std::min(nr, old.size()), col.begin());
        }
    }
    return a;
}

}  // namespace

bool TDataTable::ResizeSilently(int NrCols, int NrRows) {
    NrCols = std::max(0, NrCols);
    NrRows = std::max(0, NrRows);
    if (NrCols == FNrOfCols && NrRows == FNrOfRows) return false;
    TResizedArrays a = GuardAllocation<EOZMDataTableError>(*this, [&] {
        return PrepareArrays(FNrOfCols, FNrOfRows, NrCols, NrRows, FRowAtt, FColAtt, FVType,
                             FCState, FColName, FRowName);
    });
    ResizeStorage(NrCols, NrRows);
    FRowAtt = std::move(a.RowAtt);
    FColAtt = std::move(a.ColAtt);
    FVType = std::move(a.VType);
    FCState = std::move(a.CState);
    FColName = std::move(a.ColName);
    FRowName = std::move(a.RowName);
    FNrOfCols = NrCols;
    FNrOfRows = NrRows;
    return true;
}

void TDataTable::Resize(int NrCols, int NrRows) {
    const int old_cols = FNrOfCols;
    const int old_rows = FNrOfRows;
    if (ResizeSilently(NrCols, NrRows)) FireResize(old_cols, old_rows);
}

void TDataTable::SetNrCols(int Nc) { Resize(Nc, FNrOfRows); }
void TDataTable::SetNrRows(int Nr) { Resize(FNrOfCols, Nr); }

void TDataTable::AssignAnotherDataMatrix(TMatrix* NewDMat) {
    if (NewDMat == nullptr || NewDMat == FNumericData) return;
    const int old_cols = FNrOfCols;
    const int old_rows = FNrOfRows;
    const int nc = NewDMat->NrOfColumns();
    const int nr = NewDMat->NrOfRows();
    {
        TSuspendedEvents quiet{&OnChange, &OnChangeSetup};
        TResizedArrays a = GuardAllocation<EOZMDataTableError>(*this, [&] {
            return PrepareArrays(FNrOfCols, FNrOfRows, nc, nr, FRowAtt, FColAtt, FVType, FCState,
                                 FColName, FRowName);
        });
        if (FExtMatAssigned) {
            UnbindMatrix();
        } else {
            delete FNumericData;
        }
        FNumericData = NewDMat;
        FExtMatAssigned = true;
        BindMatrix(FNumericData);
        FRowAtt = std::move(a.RowAtt);
        FColAtt = std::move(a.ColAtt);
        FVType = std::move(a.VType);
        FCState = std::move(a.CState);
        FColName = std::move(a.ColName);
        FRowName = std::move(a.RowName);
        FNrOfCols = nc;
        FNrOfRows = nr;
        for (TVTypeSpec& t : FVType) t.MScaleType = TMScaleType::stInterval;
        FireResize(old_cols, old_rows);
    }
    Changed();
    ChangedSetup();
    ChangedNames();
    ChangedAttrib();
    ChangedCellStates();
}

void TDataTable::Clear() {
    for (int c = 1; c <= FNrOfCols; ++c) {
        FColName[static_cast<size_t>(c - 1)] = DefaultColName(c);
        FColAtt[static_cast<size_t>(c - 1)] = 0;
        FVType[static_cast<size_t>(c - 1)] = TVTypeSpec{};
        std::fill(FCState[static_cast<size_t>(c - 1)].begin(), FCState[static_cast<size_t>(c - 1)].end(),
                  uint8_t{0});
    }
    for (int r = 1; r <= FNrOfRows; ++r) {
        FRowName[static_cast<size_t>(r - 1)] = DefaultRowName(r);
        FRowAtt[static_cast<size_t>(r - 1)] = 0;
    }
    FComment.clear();
    FNumericData->Fill(0.0);
    ChangedNames();
    ChangedAttrib();
    ChangedCellStates();
    ChangedSetup();
}

// --- insertion and removal ---------------------------------------------------------------------

void TDataTable::InsertRow(int ix) {
    if (ix < 1 || ix > FNrOfRows + 1) return;
    const int old_cols = FNrOfCols;
    const int old_rows = FNrOfRows;
    TSuspendedEvents quiet{&FNumericData->OnChange};
    ResizeSilently(FNrOfCols, FNrOfRows + 1);
    const size_t at = static_cast<size_t>(ix - 1);
    std::rotate(FRowName.begin() + static_cast<ptrdiff_t>(at), FRowName.end() - 1, FRowName.end());
    FRowName[at].clear();
    std::rotate(FRowAtt.begin() + static_cast<ptrdiff_t>(at), FRowAtt.end() - 1, FRowAtt.end());
    FRowAtt[at] = 0;
    double* data = FNumericData->Data();
    const size_t rows = static_cast<size_t>(FNrOfRows);
    for (size_t c = 0; c < static_cast<size_t>(FNrOfCols); ++c) {
        double* col = data + c * rows;
        std::rotate(col + at, col + rows - 1, col + rows);
        col[at] = 0.0;
        auto& st = FCState[c];
        std::rotate(st.begin() + static_cast<ptrdiff_t>(at), st.end() - 1, st.end());
        st[at] = 0;
    }
    FireResize(old_cols, old_rows);
    ChangedSetup();
}

void TDataTable::RemoveRow(int ix) {
    if (!ValidRow(ix) || FNrOfRows < 2) return;
    const int old_cols = FNrOfCols;
    const int old_rows = FNrOfRows;
    std::vector<char> remove(static_cast<size_t>(FNrOfRows), 0);
    remove[static_cast<size_t>(ix - 1)] = 1;
    RemoveRowsAside(remove, 1);
    FireResize(old_cols, old_rows);
    ChangedSetup();
}

void TDataTable::RemoveRowsAside(const std::vector<char>& Remove, int Count) {
    // The rows that stay are gathered aside, so exhausted memory changes nothing; the matrix is
    // resized next (it keeps the upper rows or changes nothing), and the rest cannot fail.
    const size_t rows = static_cast<size_t>(FNrOfRows);
    const size_t cols = static_cast<size_t>(FNrOfCols);
    const size_t kept = rows - static_cast<size_t>(Count);
    struct TAside {
        std::vector<double> Values;
        std::vector<std::vector<uint8_t>> States;
        std::vector<TDTNameStr> Names;
        std::vector<int32_t> Att;
    };
    TAside a = GuardAllocation<EOZMDataTableError>(*this, [&] {
        TAside t;
        t.Values.reserve(kept * cols);
        t.States.resize(cols);
        t.Names.reserve(kept);
        t.Att.reserve(kept);
        const double* data = FNumericData->Data();
        for (size_t c = 0; c < cols; ++c) {
            t.States[c].reserve(kept);
            for (size_t r = 0; r < rows; ++r)
                if (!Remove[r]) {
                    t.Values.push_back(data[c * rows + r]);
                    t.States[c].push_back(FCState[c][r]);
                }
        }
        for (size_t r = 0; r < rows; ++r)
            if (!Remove[r]) {
                t.Names.push_back(FRowName[r]);
                t.Att.push_back(FRowAtt[r]);
            }
        return t;
    });
    ResizeStorage(FNrOfCols, static_cast<int>(kept));
    std::copy(a.Values.begin(), a.Values.end(), FNumericData->Data());
    FCState = std::move(a.States);
    FRowName = std::move(a.Names);
    FRowAtt = std::move(a.Att);
    FNrOfRows = static_cast<int>(kept);
}

void TDataTable::InsertColumn(int ix) {
    if (ix < 1 || ix > FNrOfCols + 1) return;
    const int old_cols = FNrOfCols;
    const int old_rows = FNrOfRows;
    TSuspendedEvents quiet{&FNumericData->OnChange};
    ResizeSilently(FNrOfCols + 1, FNrOfRows);
    const size_t at = static_cast<size_t>(ix - 1);
    auto rotate_in = [at](auto& v) {
        std::rotate(v.begin() + static_cast<ptrdiff_t>(at), v.end() - 1, v.end());
    };
    rotate_in(FColName);
    FColName[at].clear();
    rotate_in(FColAtt);
    FColAtt[at] = 0;
    rotate_in(FVType);
    FVType[at] = TVTypeSpec{};
    rotate_in(FCState);
    std::fill(FCState[at].begin(), FCState[at].end(), uint8_t{0});
    double* data = FNumericData->Data();
    const size_t rows = static_cast<size_t>(FNrOfRows);
    const size_t cols = static_cast<size_t>(FNrOfCols);
    std::rotate(data + at * rows, data + (cols - 1) * rows, data + cols * rows);
    std::fill(data + at * rows, data + (at + 1) * rows, 0.0);
    FireResize(old_cols, old_rows);
    ChangedSetup();
}

void TDataTable::RemoveColumn(int ix) {
    if (!ValidCol(ix) || FNrOfCols < 2) return;
    const int old_cols = FNrOfCols;
    const int old_rows = FNrOfRows;
    const size_t at = static_cast<size_t>(ix - 1);
    const size_t rows = static_cast<size_t>(FNrOfRows);
    const size_t cols = static_cast<size_t>(FNrOfCols);
    // The values of the columns right of ix are saved first: if the matrix cannot be resized,
    // nothing has moved yet.
    std::vector<double> right = GuardAllocation<EOZMDataTableError>(*this, [&] {
        const double* data = FNumericData->Data();
        return std::vector<double>(data + (at + 1) * rows, data + cols * rows);
    });
    ResizeStorage(FNrOfCols - 1, FNrOfRows);
    std::copy(right.begin(), right.end(), FNumericData->Data() + at * rows);
    // Every column that moves takes its whole type record, identifiers included, also when it is
    // not categorical at the moment: a column switched to interval keeps its identifiers for the
    // day it is switched back.
    auto erase_at = [at](auto& v) { v.erase(v.begin() + static_cast<ptrdiff_t>(at)); };
    erase_at(FColName);
    erase_at(FColAtt);
    erase_at(FVType);
    erase_at(FCState);
    FNrOfCols -= 1;
    FireResize(old_cols, old_rows);
    ChangedSetup();
}

int TDataTable::RemoveMarkedRows(int FirstRow, int LastRow, uint8_t CState) {
    if (FirstRow == 0 && LastRow == 0) {
        FirstRow = 1;
        LastRow = FNrOfRows;
    } else if (!ValidRow(FirstRow) || !ValidRow(LastRow)) {
        return -1;
    }
    if (FirstRow > LastRow) std::swap(FirstRow, LastRow);
    std::vector<char> remove(static_cast<size_t>(FNrOfRows), 0);
    int count = 0;
    for (int r = FirstRow; r <= LastRow; ++r) {
        if (IfRowHasCellState(r, CState)) {
            remove[static_cast<size_t>(r - 1)] = 1;
            ++count;
        }
    }
    if (count == 0) return 0;
    const int old_cols = FNrOfCols;
    const int old_rows = FNrOfRows;
    {
        TSuspendedEvents quiet{&OnChange};
        RemoveRowsAside(remove, count);
    }
    FireResize(old_cols, old_rows);
    ChangedSetup();
    return count;
}

// --- cells -------------------------------------------------------------------------------------------

double TDataTable::GetElem(int ACol, int ARow) const noexcept {
    if (!ValidCol(ACol) || !ValidRow(ARow)) return 0.0;
    const double v = FNumericData->GetVal(ACol, ARow);
    return IsCategorical(ACol) ? std::nearbyint(v) : v;
}

void TDataTable::SetElem(int ACol, int ARow, double Value) {
    if (!ValidCol(ACol) || !ValidRow(ARow)) return;
    FNumericData->SetVal(ACol, ARow, Value);
}

TNominalIDStr TDataTable::GetElemNominal(int ACol, int ARow) const {
    if (!ValidRow(ARow) || !IsCategorical(ACol)) return {};
    const int64_t k = Round(FNumericData->GetVal(ACol, ARow));
    if (k >= 1 && k <= kMaxNominalIDs) return FVType[static_cast<size_t>(ACol - 1)].ID(static_cast<int>(k));
    return datatable::detail::CutText(std::to_string(k), datatable::kMaxIDLength);
}

void TDataTable::SetElemNominal(int ACol, int ARow, const TNominalIDStr& Value) {
    if (!ValidCol(ACol) || !ValidRow(ARow)) return;
    const TNominalIDStr id = datatable::detail::CutText(Value, datatable::kMaxIDLength);
    int slot = OrdinalOfNominalID(ACol, id, true);
    bool added = false;
    if (slot == 0) {
        TVTypeSpec& vtype = FVType[static_cast<size_t>(ACol - 1)];
        for (int k = 1; k <= kMaxNominalIDs && slot == 0; ++k)
            if (vtype.ID(k).empty()) slot = k;
        if (slot == 0) RaiseError(": number of available nominal values exceeded");
        vtype.SetID(slot, id);
        added = !id.empty();
    }
    FNumericData->SetVal(ACol, ARow, slot);
    // A new identifier changes the column's set of categories, which viewers show.
    if (added) ChangedSetup();
}

uint8_t TDataTable::GetCellState(int ACol, int ARow) const noexcept {
    if (!ValidCol(ACol) || !ValidRow(ARow)) return 0;
    return FCState[static_cast<size_t>(ACol - 1)][static_cast<size_t>(ARow - 1)];
}

void TDataTable::SetCellState(int ACol, int ARow, uint8_t Value) {
    if (!ValidCol(ACol) || !ValidRow(ARow)) return;
    uint8_t& st = FCState[static_cast<size_t>(ACol - 1)][static_cast<size_t>(ARow - 1)];
    if (st == Value) return;
    st = Value;
    ChangedCellStates();
}

bool TDataTable::GetIsEmpty(int ACol, int ARow) const noexcept {
    return (GetCellState(ACol, ARow) & datatable::csEmpty) != 0;
}
bool TDataTable::GetIsImputed(int ACol, int ARow) const noexcept {
    return (GetCellState(ACol, ARow) & datatable::csImputed) != 0;
}
bool TDataTable::GetIsNumber(int ACol, int ARow) const noexcept {
    return ValidCol(ACol) && ValidRow(ARow) &&
           datatable::detail::IsNumberState(GetCellState(ACol, ARow));
}

void TDataTable::SetIsEmpty(int ACol, int ARow, bool Value) {
    if (!ValidCol(ACol) || !ValidRow(ARow)) return;
    const uint8_t st = GetCellState(ACol, ARow);
    SetCellState(ACol, ARow, Value ? uint8_t(st | datatable::csEmpty) : uint8_t(st & ~datatable::csEmpty));
    Changed();
}

void TDataTable::SetIsImputed(int ACol, int ARow, bool Value) {
    if (!ValidCol(ACol) || !ValidRow(ARow)) return;
    const uint8_t st = GetCellState(ACol, ARow);
    SetCellState(ACol, ARow,
                 Value ? uint8_t(st | datatable::csImputed) : uint8_t(st & ~datatable::csImputed));
    Changed();
}

void TDataTable::SetAllCellStates(uint8_t CellState) {
    for (auto& col : FCState) std::fill(col.begin(), col.end(), CellState);
    ChangedCellStates();
}

void TDataTable::UnmarkAllCells() {
    for (auto& col : FCState)
        for (uint8_t& st : col) st &= static_cast<uint8_t>(~(datatable::csMark1 | datatable::csMark2));
    ChangedCellStates();
}

void TDataTable::InvertCellStates(uint8_t StateMask) {
    for (auto& col : FCState)
        for (uint8_t& st : col) st ^= StateMask;
    ChangedCellStates();
}

void TDataTable::ExchangeMarkings() {
    for (auto& col : FCState)
        for (uint8_t& st : col) {
            const uint8_t m1 = st & datatable::csMark1;
            const uint8_t m2 = st & datatable::csMark2;
            st = static_cast<uint8_t>((st & 0x3F) | (m1 << 1) | (m2 >> 1));
        }
    ChangedCellStates();
}

bool TDataTable::IfRowHasCellState(int row, uint8_t CellState) const noexcept {
    if (!ValidRow(row)) return false;
    uint8_t acc = 0;
    for (const auto& col : FCState) acc |= col[static_cast<size_t>(row - 1)];
    return (acc & CellState) != 0;
}

bool TDataTable::IfColHasCellState(int col, uint8_t CellState) const noexcept {
    if (!ValidCol(col)) return false;
    uint8_t acc = 0;
    for (uint8_t st : FCState[static_cast<size_t>(col - 1)]) acc |= st;
    return (acc & CellState) != 0;
}

bool TDataTable::IfAnyCellHasCellState(int LowCol, int LowRow, int HighCol, int HighRow,
                                       uint8_t CellState) const noexcept {
    MakeValidColRange(LowCol, HighCol);
    MakeValidRowRange(LowRow, HighRow);
    uint8_t acc = 0;
    for (int c = LowCol; c <= HighCol; ++c)
        for (int r = LowRow; r <= HighRow; ++r)
            acc |= FCState[static_cast<size_t>(c - 1)][static_cast<size_t>(r - 1)];
    return (acc & CellState) != 0;
}

int TDataTable::CountMarkedCellsInRow(int Row, uint8_t StateMask) const noexcept {
    if (!ValidRow(Row)) return 0;
    int n = 0;
    for (const auto& col : FCState) n += (col[static_cast<size_t>(Row - 1)] & StateMask) != 0;
    return n;
}

int TDataTable::CountMarkedCellsInColumn(int Col, uint8_t StateMask) const noexcept {
    if (!ValidCol(Col)) return 0;
    int n = 0;
    for (uint8_t st : FCState[static_cast<size_t>(Col - 1)]) n += (st & StateMask) != 0;
    return n;
}

// --- names, attributes, types, comment -------------------------------------------------------------

TDTNameStr TDataTable::GetColName(int ColNr) const {
    return ValidCol(ColNr) ? FColName[static_cast<size_t>(ColNr - 1)] : TDTNameStr{};
}
TDTNameStr TDataTable::GetRowName(int RowNr) const {
    return ValidRow(RowNr) ? FRowName[static_cast<size_t>(RowNr - 1)] : TDTNameStr{};
}

void TDataTable::SetColName(int ColNr, const std::string& HLine) {
    if (!ValidCol(ColNr)) return;
    FColName[static_cast<size_t>(ColNr - 1)] = datatable::detail::CutText(HLine, datatable::kMaxNameLength);
    ChangedNames();
}

void TDataTable::SetRowName(int RowNr, const std::string& HLine) {
    if (!ValidRow(RowNr)) return;
    FRowName[static_cast<size_t>(RowNr - 1)] = datatable::detail::CutText(HLine, datatable::kMaxNameLength);
    ChangedNames();
}

namespace {
int MaxLength(const std::vector<TDTNameStr>& Names) noexcept {
    size_t n = 0;
    for (const auto& s : Names) n = std::max(n, s.size());
    return static_cast<int>(n);
}
std::string TrimmedUpper(std::string_view Text) {
    const size_t first = Text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const size_t last = Text.find_last_not_of(' ');
    std::string out(Text.substr(first, last - first + 1));
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}
int FindName(const std::vector<TDTNameStr>& Names, const std::string& ID) {
    const std::string key = TrimmedUpper(ID);
    for (size_t k = 0; k < Names.size(); ++k)
        if (TrimmedUpper(Names[k]) == key) return static_cast<int>(k + 1);
    return 0;
}
}  // namespace

int TDataTable::MaxColNameLength() const noexcept { return MaxLength(FColName); }
int TDataTable::MaxRowNameLength() const noexcept { return MaxLength(FRowName); }
int TDataTable::FindColIndex(const std::string& ColID) const { return FindName(FColName, ColID); }
int TDataTable::FindRowIndex(const std::string& RowID) const { return FindName(FRowName, RowID); }

int32_t TDataTable::GetColAttrib(int ColNr) const noexcept {
    return ValidCol(ColNr) ? FColAtt[static_cast<size_t>(ColNr - 1)] : 0;
}
int32_t TDataTable::GetRowAttrib(int RowNr) const noexcept {
    return ValidRow(RowNr) ? FRowAtt[static_cast<size_t>(RowNr - 1)] : 0;
}
void TDataTable::SetColAttrib(int ColNr, int32_t Attrib) {
    if (!ValidCol(ColNr)) return;
    FColAtt[static_cast<size_t>(ColNr - 1)] = Attrib;
    ChangedAttrib();
}
void TDataTable::SetRowAttrib(int RowNr, int32_t Attrib) {
    if (!ValidRow(RowNr)) return;
    FRowAtt[static_cast<size_t>(RowNr - 1)] = Attrib;
    ChangedAttrib();
}
void TDataTable::SetColAttributes(int32_t Attrib) {
    std::fill(FColAtt.begin(), FColAtt.end(), Attrib);
    ChangedAttrib();
}
void TDataTable::SetRowAttributes(int32_t Attrib) {
    std::fill(FRowAtt.begin(), FRowAtt.end(), Attrib);
    ChangedAttrib();
}
void TDataTable::SetColAttributes(int32_t Attrib, int32_t Mask) {
    for (int32_t& a : FColAtt) a = (a & ~Mask) | (Attrib & Mask);
    ChangedAttrib();
}
void TDataTable::SetRowAttributes(int32_t Attrib, int32_t Mask) {
    for (int32_t& a : FRowAtt) a = (a & ~Mask) | (Attrib & Mask);
    ChangedAttrib();
}

TMScaleType TDataTable::GetMScaleType(int ColNr) const noexcept {
    return ValidCol(ColNr) ? FVType[static_cast<size_t>(ColNr - 1)].MScaleType
                           : TMScaleType::stUnknown;
}

void TDataTable::SetMScaleType(int ColNr, TMScaleType MScaleType) {
    if (!ValidCol(ColNr)) return;
    FVType[static_cast<size_t>(ColNr - 1)].MScaleType = MScaleType;
    ChangedSetup();
}

TMScaleType TDataTable::FindHighestMLevel(int FirstCol, int LastCol) const noexcept {
    MakeValidColRange(FirstCol, LastCol);
    TMScaleType t = TMScaleType::stNominal;
    for (int c = FirstCol; c <= LastCol; ++c) t = std::max(t, FVType[static_cast<size_t>(c - 1)].MScaleType);
    return t;
}

TMScaleType TDataTable::FindLowestMLevel(int FirstCol, int LastCol) const noexcept {
    MakeValidColRange(FirstCol, LastCol);
    TMScaleType t = TMScaleType::stRatio;
    for (int c = FirstCol; c <= LastCol; ++c) t = std::min(t, FVType[static_cast<size_t>(c - 1)].MScaleType);
    return t;
}

void TDataTable::SetFComment(const std::string& Value) {
    FComment = RemoveControlChars(Value);
    ChangedSetup();
}

// --- category identifiers ------------------------------------------------------------------------

int TDataTable::OrdinalOfNominalID(int Col, const TNominalIDStr& ID, bool IgnoreCase) const {
    if (!IsCategorical(Col) || ID.empty()) return 0;
    const TVTypeSpec& vtype = FVType[static_cast<size_t>(Col - 1)];
    const std::string key = IgnoreCase ? datatable::detail::LowerCase(ID) : ID;
    for (int k = 1; k <= static_cast<int>(vtype.IDs.size()); ++k) {
        const TNominalIDStr& id = vtype.ID(k);
        if (id.empty()) continue;
        if (IgnoreCase ? datatable::detail::LowerCase(id) == key : id == key) return k;
    }
    return 0;
}

int TDataTable::AddNominalID(int Col, const TNominalIDStr& MScaleID) {
    if (!ValidCol(Col)) return 0;
    const TNominalIDStr id = datatable::detail::CutText(MScaleID, datatable::kMaxIDLength);
    if (id.empty()) return 0;
    TVTypeSpec& vtype = FVType[static_cast<size_t>(Col - 1)];
    const std::string key = datatable::detail::LowerCase(id);
    int free_slot = 0;
    for (int k = 1; k <= kMaxNominalIDs; ++k) {
        const TNominalIDStr& slot = vtype.ID(k);
        if (slot.empty()) {
            if (free_slot == 0) free_slot = k;
        } else if (datatable::detail::LowerCase(slot) == key) {
            return k;
        }
    }
    if (free_slot == 0) return 0;
    vtype.SetID(free_slot, id);
    // An ordinal column stays ordinal: its categories are ordered, and adding one does not
    // change that.
    if (!IsCategoricalType(vtype.MScaleType)) vtype.MScaleType = TMScaleType::stNominal;
    ChangedSetup();
    return free_slot;
}

void TDataTable::ClearNominalIDs(int Col) {
    if (!ValidCol(Col)) return;
    FVType[static_cast<size_t>(Col - 1)].ClearIDs();
    ChangedSetup();
}

int TDataTable::CountNominalIDs(int Col) const noexcept {
    if (!ValidCol(Col)) return 0;
    int n = 0;
    for (const auto& id : FVType[static_cast<size_t>(Col - 1)].IDs) n += !id.empty();
    return n;
}

void TDataTable::SetNominalID(int ColIx, int OrdVal, const TNominalIDStr& MScaleID) {
    if (!ValidCol(ColIx) || OrdVal < 1 || OrdVal > kMaxNominalIDs) return;
    TVTypeSpec& vtype = FVType[static_cast<size_t>(ColIx - 1)];
    if (MScaleID.empty())
        vtype.SetID(OrdVal, {});
    else if (IsCategorical(ColIx))
        vtype.SetID(OrdVal, datatable::detail::CutText(MScaleID, datatable::kMaxIDLength));
    ChangedSetup();
}

TNominalIDStr TDataTable::GetNominalID(int ColIx, int OrdVal) const {
    if (!IsCategorical(ColIx)) return {};
    return FVType[static_cast<size_t>(ColIx - 1)].ID(OrdVal);
}

TIntArray TDataTable::ListOfCategorialVars() const {
    TIntArray list;
    for (int c = 1; c <= FNrOfCols; ++c)
        if (IsCategorical(c)) list.push_back(c);
    return list;
}

// --- checksums ---------------------------------------------------------------------------------------

std::string TDataTable::CRCofNamesAndAttributes() const {
    TCRCLanes<8> crc;
    auto feed_text = [&crc](const std::string& Text) {
        for (size_t i = 0; i < Text.size(); ++i) crc.AddByte(i + 1, static_cast<uint8_t>(Text[i]));
    };
    feed_text(FComment);
    for (const auto& name : FColName) feed_text(name);
    for (size_t c = 0; c < FColAtt.size(); ++c) crc.AddByte(c + 1, static_cast<uint8_t>(FColAtt[c] & 0xFF));
    for (const auto& name : FRowName) feed_text(name);
    for (size_t r = 0; r < FRowAtt.size(); ++r) crc.AddByte(r + 1, static_cast<uint8_t>(FRowAtt[r] & 0xFF));
    for (size_t c = 0; c < FVType.size(); ++c)
        crc.AddByte(c + 1, static_cast<uint8_t>(FVType[c].MScaleType));
    for (const auto& vtype : FVType)
        for (int k = 1; k <= kMaxNominalIDs; ++k) feed_text(vtype.ID(k));
    return crc.Text();
}

std::string TDataTable::CRCofCellStates() const {
    TCRCLanes<8> crc;
    for (const auto& col : FCState)
        for (size_t r = 0; r < col.size(); ++r) crc.AddByte(r + 1, col[r]);
    return crc.Text();
}

}  // namespace ozm
