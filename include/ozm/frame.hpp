// The frame shared by every container and model class: change and sort-exchange events, index
// range normalisation, the data fingerprint, component error messages and the progress and abort
// protocol of long operations.
#pragma once

#include <cstdint>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "ozm/base/crc32.hpp"
#include "ozm/base/globals.hpp"
#include "ozm/base/types.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/object.hpp"

namespace ozm {

// Kinds of exchange reported through OnSortExchange.
constexpr uint8_t kExchangeElements = 0;
constexpr uint8_t kExchangeColumns = 1;
constexpr uint8_t kExchangeRows = 2;

// Detail texts of component messages (they follow "Component \"<Name>\"").
inline constexpr std::string_view kMsgNoMemoryOnHeap = ": not enough memory on heap";
inline constexpr std::string_view kMsgNoMemory = ": not enough memory";

// "Component \"<Name>\"" followed directly by Detail.
std::string ComponentMessage(const TComponent& Component, std::string_view Detail);

// Raises the unit's exception class E with the component message.
template <typename E>
[[noreturn]] void RaiseComponentError(const TComponent& Component, std::string_view Detail) {
    throw E(ComponentMessage(Component, Detail));
}

// Runs Allocate and turns a failed allocation into E with the component message (by default
// ": not enough memory on heap"). Allocate must leave the object unchanged when it throws.
template <typename E, typename F>
decltype(auto) GuardAllocation(const TComponent& Component, F&& Allocate,
                               std::string_view Detail = kMsgNoMemoryOnHeap) {
    try {
        return std::forward<F>(Allocate)();
    } catch (const std::bad_alloc&) {
        RaiseComponentError<E>(Component, Detail);
    }
}

// Normalises the 1-based range [Low, High] of a dimension with Count entries: (0, 0) means all;
// bounds below 1 become 1, bounds above Count become Count; reversed bounds are swapped.
void MakeValidRange(int& Low, int& High, int Count) noexcept;

// The data fingerprint: the bytes of every cell, in the given order, feed one CRC-32 lane per byte
// position of the cell type; the complemented lanes are written as 8 upper-case hexadecimal
// digits each, lane 0 first (64 characters for doubles, 32 for 32-bit integers).
std::string CRCFingerprint(std::span<const double> Cells);
std::string CRCFingerprint(std::span<const int32_t> Cells);

// The base of the containers: a component with the change and sort-exchange events.
class TOZMContainer : public TComponent {
public:
    using TComponent::TComponent;
    const char* ClassName() const override { return "TOZMContainer"; }

    TNotifyEvent OnChange;
    TSortExchgEvent OnSortExchange;

    // Fires OnChange(this) when assigned.
    void Changed() {
        if (OnChange) OnChange(this);
    }

protected:
    // Fires OnSortExchange when assigned; called by the sorts after each exchange.
    void SortExchange(uint8_t ExchgWhat, int Index1, int Index2, int First, int Last) {
        if (OnSortExchange) OnSortExchange(this, ExchgWhat, Index1, Index2, First, Last);
    }
};

// The progress and abort protocol of long operations.
namespace progress {

// True when the caller asked the running operation to stop.
inline bool AbortRequested() noexcept { return AbortMathProc.load(std::memory_order_relaxed); }
// One major step done: ProcStat + 1, then MathFeedBackProc with the new value.
inline void StepDone() { IncProcStat(); }

}  // namespace progress

}  // namespace ozm
