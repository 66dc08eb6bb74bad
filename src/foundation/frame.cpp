#include "ozm/frame.hpp"

#include <cstring>
#include <utility>

namespace ozm {

std::string ComponentMessage(const TComponent& Component, std::string_view Detail) {
    std::string msg = "Component \"";
    msg += Component.Name();
    msg += '"';
    msg += Detail;
    return msg;
}

void MakeValidRange(int& Low, int& High, int Count) noexcept {
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

namespace {

template <typename Cell>
std::string Fingerprint(std::span<const Cell> cells) {
    constexpr size_t kLanes = sizeof(Cell);
    uint32_t lanes[kLanes];
    for (auto& lane : lanes) lane = 0xFFFFFFFFu;
    for (const Cell& cell : cells) {
        uint8_t bytes[kLanes];
        std::memcpy(bytes, &cell, kLanes);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        // The lanes follow the little-endian byte order on every host.
        for (size_t i = 0; i < kLanes / 2; ++i) std::swap(bytes[i], bytes[kLanes - 1 - i]);
#endif
        for (size_t k = 0; k < kLanes; ++k) lanes[k] = CalcNextCRC32(bytes[k], lanes[k]);
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(kLanes * 8);
    for (uint32_t lane : lanes) {
        lane = ~lane;
        for (int shift = 28; shift >= 0; shift -= 4) text.push_back(kHex[(lane >> shift) & 0xF]);
    }
    return text;
}

}  // namespace

std::string CRCFingerprint(std::span<const double> Cells) { return Fingerprint(Cells); }
std::string CRCFingerprint(std::span<const int32_t> Cells) { return Fingerprint(Cells); }

}  // namespace ozm
