// TDataTable: reshaping a table into one long column of values (Serialize).
#include <algorithm>

#include "datatable/datatable_internal.hpp"
#include "ozm/datatable.hpp"

namespace ozm {

using datatable::detail::TSuspendedEvents;

void TDataTable::Serialize(bool ColHeadsAsVar, bool IncludeColRowNumbers) {
    const int C = FNrOfCols;
    const int R = FNrOfRows;
    const TMScaleType data_type = FindHighestMLevel(1, C);
    TDataTable source;
    source.CopyContentsFrom(this);
    const int N = 1 + (ColHeadsAsVar ? 1 : 0) + (IncludeColRowNumbers ? 2 : 0);
    const int64_t out_rows = int64_t{C} * R;
    if (out_rows > INT32_MAX) RaiseError(kMsgNoMemoryOnHeap);
    {
        TSuspendedEvents quiet{&OnChange};
        Resize(N, static_cast<int>(out_rows));
        const size_t rows = static_cast<size_t>(out_rows);
        // The generated columns hold numbers throughout: no state, attribute or identifier of
        // the columns they replace may stay on them.
        for (int c = 1; c <= N; ++c) {
            const size_t ci = static_cast<size_t>(c - 1);
            FColAtt[ci] = 0;
            if (c < N) {
                std::fill(FCState[ci].begin(), FCState[ci].end(), uint8_t{0});
                FVType[ci] = TVTypeSpec{};
            }
        }
        std::vector<int> slot_of_column(static_cast<size_t>(C) + 1, 0);
        if (ColHeadsAsVar) {
            ClearNominalIDs(1);
            for (int s = 1; s <= C; ++s) {
                const int slot = AddNominalID(1, std::to_string(s) + ":" + source.GetColName(s));
                slot_of_column[static_cast<size_t>(s)] = slot > 0 ? slot : s;
            }
            FVType[0].MScaleType = TMScaleType::stNominal;
            FColName[0] = "(column)";
        }
        if (IncludeColRowNumbers) {
            FColName[static_cast<size_t>(N - 3)] = "(col. index)";
            FColName[static_cast<size_t>(N - 2)] = "(row index)";
        }
        FColName[static_cast<size_t>(N - 1)] = "(data)";
        // The data column holds slot numbers of the source's categorical columns, not their
        // identifiers: identifiers it held before would name the wrong categories.
        FVType[static_cast<size_t>(N - 1)] = TVTypeSpec{};
        FVType[static_cast<size_t>(N - 1)].MScaleType = data_type;
        double* data = FNumericData->Data();
        double* out = data + static_cast<size_t>(N - 1) * rows;
        uint8_t* out_state = FCState[static_cast<size_t>(N - 1)].data();
        size_t n = 0;
        for (int s = 1; s <= C; ++s) {
            for (int r = 1; r <= R; ++r, ++n) {
                if (ColHeadsAsVar) data[n] = slot_of_column[static_cast<size_t>(s)];
                if (IncludeColRowNumbers) {
                    data[static_cast<size_t>(N - 3) * rows + n] = s;
                    data[static_cast<size_t>(N - 2) * rows + n] = r;
                }
                out[n] = source.GetElem(s, r);
                out_state[n] = source.GetCellState(s, r);
                FRowName[n] = source.FRowName[static_cast<size_t>(r - 1)];
                FRowAtt[n] = source.FRowAtt[static_cast<size_t>(r - 1)];
            }
        }
        ChangedSetup();
        ChangedNames();
        ChangedAttrib();
        ChangedCellStates();
    }
    Changed();
}

}  // namespace ozm
