/// @file
/// Thread helpers: the processor count and a critical section for the operations that run worker
/// threads. Worker threads themselves are std::thread.
#pragma once

#include <mutex>

namespace ozm {

/// Number of processors the operations may use; at least 1.
int ProcessorCount() noexcept;

/// A mutual-exclusion lock with the Enter/Leave vocabulary; usable with std::lock_guard.
class TCriticalSection {
public:
    /// Waits for the lock and takes it.
    void Enter() { FMutex.lock(); }
    /// Releases the lock.
    void Leave() { FMutex.unlock(); }
    /// The same as Enter and Leave, for std::lock_guard.
    ///@{
    void lock() { FMutex.lock(); }
    void unlock() { FMutex.unlock(); }
    ///@}

private:
    std::mutex FMutex;
};

}  // namespace ozm
