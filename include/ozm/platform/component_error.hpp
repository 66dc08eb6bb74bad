/// @file
/// The error path of every component class: the message "Component \"<Name>\"<detail>", raising it
/// as a unit's exception class, turning a failed allocation into that error, and the check that
/// refuses storage requests beyond the machine's physical memory.
#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "ozm/platform/object.hpp"

namespace ozm {

/// Detail texts of component messages (they follow "Component \"<Name>\"").
inline constexpr std::string_view kMsgNoMemoryOnHeap = ": not enough memory on heap";
/// Detail text of a failed allocation of a container.
inline constexpr std::string_view kMsgNoMemory = ": not enough memory";

/// "Component \"<Name>\"" followed directly by Detail.
std::string ComponentMessage(const TComponent& Component, std::string_view Detail);

/// Raises the unit's exception class E with the component message.
template <typename E>
[[noreturn]] void RaiseComponentError(const TComponent& Component, std::string_view Detail) {
    throw E(ComponentMessage(Component, Detail));
}

/// Runs Allocate and turns a failed allocation into E with the component message (by default
/// ": not enough memory on heap"). Allocate must leave the object unchanged when it throws. A size
/// beyond what a std::vector can hold (std::length_error, e.g. columns * rows of a huge matrix)
/// counts as a failed allocation too; other exceptions pass through.
template <typename E, typename F>
decltype(auto) GuardAllocation(const TComponent& Component, F&& Allocate,
                               std::string_view Detail = kMsgNoMemoryOnHeap) {
    try {
        return std::forward<F>(Allocate)();
    } catch (const std::bad_alloc&) {
        RaiseComponentError<E>(Component, Detail);
    } catch (const std::length_error&) {
        RaiseComponentError<E>(Component, Detail);
    }
}

/// Bytes of physical memory of the machine (the largest size_t when it cannot be read).
size_t PhysicalMemory() noexcept;

/// Throws std::bad_alloc when Bytes exceed the machine's physical memory: such a request could
/// only be met by overcommitted pages, and filling them would get the process killed instead of
/// reporting the shortage.
void CheckStorageRequest(size_t Bytes);

}  // namespace ozm
