// What only the integer vector has: exact search, its cross-correlation with the shift running
// the other way, the integer histogram and the integer ASC and list writers.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "ozm/base/text.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/textfile.hpp"
#include "ozm/vector.hpp"
#include "vectors/vector_impl.hpp"

namespace ozm {

void TIntVector::SetIntVecSize(int NE) {
    if (NE > 0 && NE != FNElem) Resize(NE);
}

int TIntVector::FindExact(int LowElem, int HighElem, int32_t value) const {
    MakeValidElemRange(LowElem, HighElem);
    for (int i = LowElem; i <= HighElem; ++i)
        if (FVec[size_t(i - 1)] == value) return i;
    return 0;
}

int32_t TIntVector::Correlate(const TIntVector* OtherVec, int ElemShift) const {
    if (OtherVec == nullptr) return 0;
    // y(i + ElemShift) exists for 1 - ElemShift <= i <= m - ElemShift; elsewhere it reads 0.
    const int64_t lo = std::max<int64_t>(1, 1 - int64_t(ElemShift));
    const int64_t hi = std::min<int64_t>(FNElem, int64_t(OtherVec->NrOfElem()) - ElemShift);
    const int32_t* x = FVec.data() - 1;
    const int32_t* y = OtherVec->Cells().data() - 1;
    int32_t sum = 0;
    for (int64_t i = lo; i <= hi; ++i)
        sum = vecimpl::CellAdd(sum, vecimpl::CellMul(x[i], y[i + ElemShift]));
    return sum;
}

bool TIntVector::Histogram(int FirstElem, int LastElem, int FirstBin, int LastBin, int BinWidth,
                           TIntVector* Histo, int& Underflow, int& Overflow, int& MaxCnt) const {
    if (Histo == nullptr) return false;
    if (BinWidth <= 0) BinWidth = 1;
    const int64_t nb = std::llabs(int64_t(LastBin) - FirstBin) / BinWidth + 1;
    if (nb <= 0 || nb > 500) vecimpl::RaiseInvalidBinCount(*this);

    std::vector<int64_t> counts(size_t(nb), 0);
    int64_t under = 0;
    int64_t over = 0;
    const int64_t top = int64_t(LastBin) + BinWidth;
    const auto classify = [&](int64_t x, int64_t times) {
        if (x < FirstBin) {
            under += times;
        } else if (x < top) {
            const int64_t b = (x - FirstBin) / BinWidth;
            // With a width that does not divide the span, the values just below LastBin +
            // BinWidth fall one bin beyond the last; they are counted as overflow.
            if (b < nb)
                counts[size_t(b)] += times;
            else
                over += times;
        } else {
            over += times;
        }
    };
    // Counted before Histo is touched, so a vector may be its own histogram.
    if (FirstElem <= LastElem) {
        const int64_t inside_lo = std::max<int64_t>(FirstElem, 1);
        const int64_t inside_hi = std::min<int64_t>(LastElem, FNElem);
        const int64_t outside =
            (int64_t(LastElem) - FirstElem + 1) - std::max<int64_t>(0, inside_hi - inside_lo + 1);
        if (outside > 0) classify(0, outside);
        for (int64_t i = inside_lo; i <= inside_hi; ++i) classify(FVec[size_t(i - 1)], 1);
    }
    const auto clamp32 = [](int64_t v) {
        return static_cast<int>(std::min<int64_t>(v, INT32_MAX));
    };
    Histo->Resize(static_cast<int>(nb));
    Histo->Clear();
    std::span<int32_t> cells = Histo->Cells();
    int64_t max_count = 0;
    for (size_t b = 0; b < size_t(nb); ++b) {
        cells[b] = clamp32(counts[b]);
        max_count = std::max(max_count, counts[b]);
    }
    Histo->CellsWritten();
    Underflow = clamp32(under);
    Overflow = clamp32(over);
    MaxCnt = clamp32(max_count);
    return true;
}

int TIntVector::ExportAsASC(const std::string& FName, const std::string& Comment) const {
    std::unique_ptr<TTextWriter> writer;
    try {
        writer = std::make_unique<TTextWriter>(FName);
    } catch (const EInOutError&) {
        return -1;
    }
    vecimpl::WriteAscColumnHeader(*writer, Comment, "Exported by OZM TIntVector component: ", FName,
                                  FNElem);
    for (const int32_t x : FVec) writer->WriteLn(strff(x, 12, 0));
    writer->Close();
    return 0;
}

bool TIntVector::StoreOnFile(int FirstElem, int LastElem, const std::string& FileName) const {
    if (LastElem < FirstElem) std::swap(FirstElem, LastElem);
    if (FirstElem < 1) FirstElem = 1;
    if (LastElem > FNElem) LastElem = FNElem;
    try {
        TTextWriter writer(FileName);
        writer.WriteLn(std::to_string(FirstElem) + " " + std::to_string(LastElem));
        for (int i = FirstElem; i <= LastElem; ++i) writer.WriteLn(std::to_string(GetVal(i)));
        writer.Close();
    } catch (const EInOutError&) {
        return false;  // not created, or the data could not be written
    }
    return true;
}

}  // namespace ozm
