// TVectorCore: construction, sizing, element access, fills, copying and element-wise arithmetic.
// Included by vector_core.cpp, which instantiates the template for both cell types.

namespace ozm {

template <typename TCell, typename TSelf>
TVectorCore<TCell, TSelf>::TVectorCore(TComponent* AOwner) : TOZMContainer(AOwner) {
    GuardAllocation<EOZMVectorError>(*this, [this] { FVec.assign(1, TCell(0)); });
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::ResizeStorage(int NE) {
    // std::vector::resize keeps the old storage when the allocation fails.
    GuardAllocation<EOZMVectorError>(
        *this,
        [this, NE] {
            CheckStorageRequest(static_cast<size_t>(NE) * sizeof(TCell));
            FVec.resize(static_cast<size_t>(NE), TCell(0));
        },
        kMsgNoMemory);
    FNElem = NE;
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::AdoptCells(TCellArray&& Cells) {
    FVec = std::move(Cells);
    FNElem = static_cast<int>(FVec.size());
}

template <typename TCell, typename TSelf>
bool TVectorCore<TCell, TSelf>::Resize(int NE) {
    if (NE == FNElem) return true;
    if (NE <= 0) return false;
    ResizeStorage(NE);
    Changed();
    return true;
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::SetVal(int Elem, TCell Value) {
    if (Elem < 1 || Elem > FNElem) return;
    FVec[static_cast<size_t>(Elem - 1)] = Value;
    FIsEmpty = false;
    Changed();
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::MakeValidElemRange(int& LowElem, int& HighElem) const noexcept {
    MakeValidRange(LowElem, HighElem, FNElem);
}

template <typename TCell, typename TSelf>
std::string TVectorCore<TCell, TSelf>::CRCofData() const {
    return CRCFingerprint(Cells());
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::Clear() {
    std::fill(FVec.begin(), FVec.end(), TCell(0));
    FIsEmpty = true;
    Changed();
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::CellsWritten() {
    FIsEmpty = false;
    Changed();
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::Fill(TCell value) {
    std::fill(FVec.begin(), FVec.end(), value);
    FIsEmpty = false;
    Changed();
}

// --- copying ---------------------------------------------------------------------------------

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::Assign(const TPersistent* Source) {
    const auto* source = dynamic_cast<const TSelf*>(Source);
    if (source == nullptr) {
        TOZMContainer::Assign(Source);  // raises the conversion error for other classes
        return;
    }
    if (source == this) return;
    const TVectorCore& src = *source;
    // Everything is copied aside first, so a failed allocation leaves this vector as it was.
    TCellArray cells = GuardAllocation<EOZMVectorError>(
        *this,
        [&src] {
            CheckStorageRequest(src.FVec.size() * sizeof(TCell));
            return src.FVec;
        },
        kMsgNoMemory);
    TNotifyEvent on_change = src.OnChange;
    TSortExchgEvent on_sort_exchange = src.OnSortExchange;
    FVec = std::move(cells);
    FNElem = src.FNElem;
    FIsEmpty = src.FIsEmpty;
    OnChange = std::move(on_change);
    OnSortExchange = std::move(on_sort_exchange);
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::AssignTo(TPersistent* Dest) const {
    if (auto* dest = dynamic_cast<TSelf*>(Dest)) {
        dest->Assign(this);
        return;
    }
    TOZMContainer::AssignTo(Dest);
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::Clone(const TSelf* VecSource) {
    if (VecSource == nullptr) return;
    const TVectorCore& src = *VecSource;
    const int n = src.FNElem;
    Resize(n);
    if (!OnChange) {
        if (&src != this) std::copy(src.FVec.begin(), src.FVec.end(), FVec.begin());
        FIsEmpty = false;
    } else {
        // Per-element notification; GetVal re-reads the source each time, since a handler may
        // touch either vector.
        for (int i = 1; i <= n; ++i) SetVal(i, src.GetVal(i));
    }
    Changed();
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::CopyFrom(const TSelf* VecSource, int SourceElemLo, int SourceElemHi,
                                         int DestElem) {
    if (VecSource == nullptr) return;
    const TVectorCore& src = *VecSource;
    const int sn = src.FNElem;
    int lo = std::clamp(SourceElemLo, 1, sn);
    int hi = std::clamp(SourceElemHi, 1, sn);
    if (hi < lo) std::swap(lo, hi);
    // Destination positions DestElem .. DestElem + (hi - lo), restricted to this vector.
    const int64_t dest_first = std::max<int64_t>(DestElem, 1);
    const int64_t dest_last = std::min<int64_t>(int64_t(DestElem) + (hi - lo), FNElem);
    if (dest_first <= dest_last) {
        const int64_t skip = dest_first - DestElem;  // source elements dropped before position 1
        const size_t count = static_cast<size_t>(dest_last - dest_first + 1);
        const size_t src_pos = static_cast<size_t>(lo - 1 + skip);
        // A snapshot of the source stretch keeps self-copies exact and is immune to handlers
        // that modify either vector between the per-element notifications.
        const TCellArray stretch(src.FVec.begin() + static_cast<std::ptrdiff_t>(src_pos),
                                 src.FVec.begin() + static_cast<std::ptrdiff_t>(src_pos + count));
        if (!OnChange) {
            std::copy(stretch.begin(), stretch.end(),
                      FVec.begin() + static_cast<std::ptrdiff_t>(dest_first - 1));
            FIsEmpty = false;
        } else {
            for (size_t k = 0; k < count; ++k)
                SetVal(static_cast<int>(dest_first + static_cast<int64_t>(k)), stretch[k]);
        }
    }
    Changed();
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::CopyToArray(TCellArray& DestArray, int LowElem,
                                            int HighElem) const {
    MakeValidElemRange(LowElem, HighElem);
    GuardAllocation<EOZMVectorError>(
        *this, [&] { DestArray.assign(FVec.begin() + (LowElem - 1), FVec.begin() + HighElem); });
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::CopyFromArray(std::span<const TCell> SrcArray, int Elem) {
    const int64_t first = std::max<int64_t>(Elem, 1);
    const int64_t last = std::min<int64_t>(int64_t(Elem) + int64_t(SrcArray.size()) - 1, FNElem);
    if (first > last) return;
    const size_t skip = static_cast<size_t>(first - Elem);
    const size_t count = static_cast<size_t>(last - first + 1);
    // The array may be a view of this vector's own storage, so it is copied before writing.
    const TCellArray values(SrcArray.begin() + static_cast<std::ptrdiff_t>(skip),
                            SrcArray.begin() + static_cast<std::ptrdiff_t>(skip + count));
    if (!OnChange) {
        std::copy(values.begin(), values.end(),
                  FVec.begin() + static_cast<std::ptrdiff_t>(first - 1));
        FIsEmpty = false;
        return;
    }
    for (size_t k = 0; k < count; ++k) SetVal(static_cast<int>(first + int64_t(k)), values[k]);
}

// --- arithmetic ------------------------------------------------------------------------------

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::Add(const TSelf* OtherVec) {
    if (OtherVec == nullptr) return;
    const TVectorCore& other = *OtherVec;
    if (other.FNElem != FNElem) vecimpl::RaiseVectorError(*this, vecimpl::kMsgDifferentDims);
    TCell* a = FVec.data();
    const TCell* b = other.FVec.data();
    for (size_t i = 0, n = FVec.size(); i < n; ++i) a[i] = vecimpl::CellAdd(a[i], b[i]);
    Changed();
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::Subtract(const TSelf* OtherVec) {
    if (OtherVec == nullptr) return;
    const TVectorCore& other = *OtherVec;
    if (other.FNElem != FNElem) vecimpl::RaiseVectorError(*this, vecimpl::kMsgDifferentDims);
    TCell* a = FVec.data();
    const TCell* b = other.FVec.data();
    for (size_t i = 0, n = FVec.size(); i < n; ++i) a[i] = vecimpl::CellSub(a[i], b[i]);
    Changed();
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::SMult(TCell scalar) {
    for (TCell& x : FVec) x = vecimpl::CellMul(x, scalar);
    Changed();
}

template <typename TCell, typename TSelf>
void TVectorCore<TCell, TSelf>::AbsVal() {
    for (TCell& x : FVec) x = vecimpl::CellAbs(x);
    Changed();
}

template <typename TCell, typename TSelf>
TCell TVectorCore<TCell, TSelf>::DotProduct(const TSelf* OtherVec) const {
    if (OtherVec == nullptr) return TCell(0);
    const TVectorCore& other = *OtherVec;
    if (other.FNElem != FNElem) vecimpl::RaiseVectorError(*this, vecimpl::kMsgDifferentDims);
    TCell sum = 0;
    const TCell* a = FVec.data();
    const TCell* b = other.FVec.data();
    for (size_t i = 0, n = FVec.size(); i < n; ++i)
        sum = vecimpl::CellAdd(sum, vecimpl::CellMul(a[i], b[i]));
    return sum;
}

template <typename TCell, typename TSelf>
double TVectorCore<TCell, TSelf>::EuclideanDistance(const TSelf* OtherVec) const {
    if (OtherVec == nullptr || OtherVec->NrOfElem() != FNElem) vecimpl::RaiseEuclideanMismatch();
    const TCell* a = FVec.data();
    const TCell* b = OtherVec->Cells().data();
    return vecimpl::EuclideanNorm(FVec.size(), [a, b](size_t i) {
        return static_cast<double>(a[i]) - static_cast<double>(b[i]);
    });
}

template <typename TCell, typename TSelf>
double TVectorCore<TCell, TSelf>::CalcVecLeng() const {
    const TCell* a = FVec.data();
    return vecimpl::EuclideanNorm(FVec.size(), [a](size_t i) { return static_cast<double>(a[i]); });
}

}  // namespace ozm
