#include "ozm/platform/threads.hpp"

#include <thread>

namespace ozm {

int ProcessorCount() noexcept {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(n);
}

}  // namespace ozm
