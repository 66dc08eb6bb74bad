// Component messages and the physical-memory check of storage requests.
#include "ozm/platform/component_error.hpp"

#include <unistd.h>

#include <limits>

namespace ozm {

std::string ComponentMessage(const TComponent& Component, std::string_view Detail) {
    std::string msg = "Component \"";
    msg += Component.Name();
    msg += '"';
    msg += Detail;
    return msg;
}

size_t PhysicalMemory() noexcept {
    static const size_t bytes = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long size = sysconf(_SC_PAGESIZE);
        if (pages <= 0 || size <= 0) return std::numeric_limits<size_t>::max();
        return static_cast<size_t>(pages) * static_cast<size_t>(size);
    }();
    return bytes;
}

void CheckStorageRequest(size_t Bytes) {
    if (Bytes > PhysicalMemory()) throw std::bad_alloc();
}

}  // namespace ozm
