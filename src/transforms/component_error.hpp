// The component error messages of the transform classes. The component frame of the higher
// layers has the same helper; the transforms rest on the platform and base layers alone, so they
// keep this small copy of it.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "ozm/platform/object.hpp"

namespace ozm::transforms::detail {

inline constexpr std::string_view kMsgNotPowerOf2 = ": data length must be power of 2";
inline constexpr std::string_view kMsgNoMemoryOnHeap = ": not enough memory on heap";

// Raises E with "Component \"<Name>\"" followed by Detail.
template <typename E>
[[noreturn]] void RaiseComponentError(const TComponent& Component, std::string_view Detail) {
    std::string msg = "Component \"";
    msg += Component.Name();
    msg += '"';
    msg += Detail;
    throw E(std::move(msg));
}

// Runs Allocate (which must leave the object unchanged when it throws) and turns a failed
// allocation, or a size no vector can hold, into E with the memory message.
template <typename E, typename F>
void GuardAllocation(const TComponent& Component, F&& Allocate) {
    try {
        std::forward<F>(Allocate)();
    } catch (const std::bad_alloc&) {
        RaiseComponentError<E>(Component, kMsgNoMemoryOnHeap);
    } catch (const std::length_error&) {
        RaiseComponentError<E>(Component, kMsgNoMemoryOnHeap);
    }
}

// Throws std::bad_alloc when Bytes exceed the machine's physical memory: such a request could only
// be met by overcommitted pages, and filling them would get the process killed instead of
// reporting the shortage.
inline void CheckStorageRequest(size_t Bytes) {
    static const size_t physical = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long page_size = sysconf(_SC_PAGE_SIZE);
        if (pages <= 0 || page_size <= 0) return std::numeric_limits<size_t>::max();
        return static_cast<size_t>(pages) * static_cast<size_t>(page_size);
    }();
    if (Bytes > physical) throw std::bad_alloc();
}

// True for n = 1, 2, 4, ...
constexpr bool IsPowerOfTwo(long long n) noexcept { return n > 0 && (n & (n - 1)) == 0; }

}  // namespace ozm::transforms::detail
