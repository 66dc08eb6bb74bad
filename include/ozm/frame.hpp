/// @file
/// The frame shared by every container and model class: change and sort-exchange events, index
/// range normalisation, the data fingerprint, component error messages and the progress and abort
/// protocol of long operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "ozm/base/crc32.hpp"
#include "ozm/base/globals.hpp"
#include "ozm/base/types.hpp"
#include "ozm/platform/component_error.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/object.hpp"

namespace ozm {

/// Kinds of exchange reported through OnSortExchange.
///@{
constexpr uint8_t kExchangeElements = 0;
constexpr uint8_t kExchangeColumns = 1;
constexpr uint8_t kExchangeRows = 2;
///@}

/// Normalises the 1-based range [Low, High] of a dimension with Count entries: (0, 0) means all;
/// bounds below 1 become 1, bounds above Count become Count; reversed bounds are swapped. On a
/// 10-entry dimension (0, 5) gives (1, 5), (7, 0) gives (1, 7), (12, 15) gives (10, 10). A
/// dimension without entries (Count <= 0) always gives the empty range (1, 0), so that a loop
/// from Low to High touches nothing.
void MakeValidRange(int& Low, int& High, int Count) noexcept;

/// The CRC-32 lanes behind the data fingerprint, for callers that feed cells piecewise (a matrix
/// column by column, selected layers) or bytes by position. Each lane starts at FFFFFFFF; Text()
/// writes the complemented lanes as 8 upper-case hexadecimal digits each, lane 0 first.
template <size_t Lanes>
class TCRCLanes {
public:
    static_assert(Lanes > 0);

    TCRCLanes() noexcept {
        for (auto& lane : FLanes) lane = 0xFFFFFFFFu;
    }
    /// Feeds Byte into lane Lane (taken modulo the number of lanes).
    void AddByte(size_t Lane, uint8_t Byte) noexcept {
        uint32_t& lane = FLanes[Lane % Lanes];
        lane = CalcNextCRC32(Byte, lane);
    }
    /// Feeds the bytes of one cell, least significant first, byte k into lane k.
    template <typename Cell>
        requires(sizeof(Cell) == Lanes && std::is_trivially_copyable_v<Cell>)
    void AddCell(const Cell& Value) noexcept {
        uint8_t bytes[Lanes];
        std::memcpy(bytes, &Value, Lanes);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        // The lanes follow the little-endian byte order on every host.
        for (size_t i = 0; i < Lanes / 2; ++i) std::swap(bytes[i], bytes[Lanes - 1 - i]);
#endif
        for (size_t k = 0; k < Lanes; ++k) FLanes[k] = CalcNextCRC32(bytes[k], FLanes[k]);
    }
    /// Feeds the cells one after the other, as AddCell does.
    template <typename Cell>
    void AddCells(std::span<const Cell> Cells) noexcept {
        for (const Cell& cell : Cells) AddCell(cell);
    }
    /// The complemented lanes as 8 upper-case hexadecimal digits each, lane 0 first.
    std::string Text() const {
        static constexpr char kHex[] = "0123456789ABCDEF";
        std::string text;
        text.reserve(Lanes * 8);
        for (uint32_t lane : FLanes) {
            lane = ~lane;
            for (int shift = 28; shift >= 0; shift -= 4) text.push_back(kHex[(lane >> shift) & 0xF]);
        }
        return text;
    }

private:
    uint32_t FLanes[Lanes];
};

/// The data fingerprint of cells in storage order: one lane per byte position of the cell type
/// (64 characters for doubles, 32 for 32-bit integers). Equal cells give equal text; changing one
/// byte of one cell changes exactly the 8 characters of that byte's lane.
///@{
std::string CRCFingerprint(std::span<const double> Cells);
std::string CRCFingerprint(std::span<const int32_t> Cells);
///@}

/// The base of the containers: a component with the change and sort-exchange events.
class TOZMContainer : public TComponent {
public:
    using TComponent::TComponent;
    const char* ClassName() const override { return "TOZMContainer"; }

    /// Fires after every change of the data (see Changed).
    TNotifyEvent OnChange;
    /// Fires after each exchange of a sort with what was exchanged: elements, columns or rows
    /// (kExchangeElements, kExchangeColumns, kExchangeRows), the two indices and the stretch moved.
    TSortExchgEvent OnSortExchange;

    /// Fires OnChange(this) when assigned.
    void Changed() {
        if (OnChange) OnChange(this);
    }

protected:
    /// Fires OnSortExchange when assigned; called by the sorts after each exchange.
    void SortExchange(uint8_t ExchgWhat, int Index1, int Index2, int First, int Last) {
        if (OnSortExchange) OnSortExchange(this, ExchgWhat, Index1, Index2, First, Last);
    }
};

/// The progress and abort protocol of long operations.
namespace progress {

/// True when the caller asked the running operation to stop.
inline bool AbortRequested() noexcept { return AbortMathProc.load(std::memory_order_relaxed); }
/// One major step done: ProcStat + 1, then MathFeedBackProc with the new value.
inline void StepDone() { IncProcStat(); }

}  // namespace progress

}  // namespace ozm
