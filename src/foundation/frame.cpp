#include "ozm/frame.hpp"

#include <utility>

namespace ozm {

void MakeValidRange(int& Low, int& High, int Count) noexcept {
    if (Count <= 0) {
        Low = 1;
        High = 0;
        return;
    }
    if (Low == 0 && High == 0) {
        Low = 1;
        High = Count;
        return;
    }
    if (Low <= 0) Low = 1;
    if (Low > Count) Low = Count;
    if (High <= 0) High = 1;
    if (High > Count) High = Count;
    if (High < Low) std::swap(Low, High);
}

std::string CRCFingerprint(std::span<const double> Cells) {
    TCRCLanes<sizeof(double)> lanes;
    lanes.AddCells(Cells);
    return lanes.Text();
}

std::string CRCFingerprint(std::span<const int32_t> Cells) {
    TCRCLanes<sizeof(int32_t)> lanes;
    lanes.AddCells(Cells);
    return lanes.Text();
}

}  // namespace ozm
