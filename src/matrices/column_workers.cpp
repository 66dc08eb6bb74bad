// The crew of worker threads shared by TMatrix::Square and the layer reductions.
#include "matrices/column_workers.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "ozm/frame.hpp"

namespace ozm::matrix::detail {

bool RunColumnWorkers(int Units, int NThreads, bool CallerWorks,
                      const std::function<void(int Unit)>& Work) {
    // How often the calling thread calls the feedback procedure and looks at the abort flag.
    constexpr auto kPass = std::chrono::milliseconds(20);
    std::atomic<int> next{0};      // next unit to take
    std::atomic<int> finished{0};  // units done
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::condition_variable wake;
    int running = 0;  // live workers, guarded by lock

    // Takes units until none is left or the work is stopped; Pass is called after each unit.
    auto takeUnits = [&](auto&& pass) {
        for (;;) {
            if (stop.load(std::memory_order_relaxed) || progress::AbortRequested()) break;
            const int unit = next.fetch_add(1);
            if (unit >= Units) break;
            Work(unit);
            finished.fetch_add(1);
            pass();
        }
    };
    auto worker = [&] {
        takeUnits([] {});
        {
            std::lock_guard<std::mutex> guard(lock);
            --running;
        }
        wake.notify_one();
    };

    // Joins every worker on all paths, also when the feedback procedure throws.
    struct Crew {
        std::vector<std::thread> threads;
        std::atomic<bool>& stop;
        ~Crew() {
            stop.store(true);
            for (auto& t : threads)
                if (t.joinable()) t.join();
        }
    } crew{{}, stop};

    // One supervising pass: feedback with ProcStat, and an abort passed on to the workers.
    auto supervise = [&] {
        if (MathFeedBackProc) MathFeedBackProc(ProcStat.load());
        if (progress::AbortRequested()) stop.store(true);
    };
    // The first pass comes before any unit is taken, so an abort raised by the feedback procedure
    // takes effect however fast the units are done.
    supervise();

    const int workers = CallerWorks ? NThreads - 1 : NThreads;
    crew.threads.reserve(static_cast<size_t>(workers > 0 ? workers : 0));
    for (int t = 0; t < workers; ++t) {
        {
            std::lock_guard<std::mutex> guard(lock);
            ++running;
        }
        try {
            crew.threads.emplace_back(worker);
        } catch (const std::system_error&) {
            // No more threads to be had: go on with those that started.
            std::lock_guard<std::mutex> guard(lock);
            --running;
            break;
        }
    }

    if (CallerWorks || crew.threads.empty()) {
        // The calling thread takes units too and supervises between them...
        auto lastPass = std::chrono::steady_clock::now();
        takeUnits([&] {
            const auto now = std::chrono::steady_clock::now();
            if (now - lastPass < kPass) return;
            lastPass = now;
            supervise();
        });
    }
    // ...and waits for the workers' last units, still supervising.
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        const bool allStopped = wake.wait_for(guard, kPass, [&] { return running == 0; });
        guard.unlock();
        supervise();
        guard.lock();
        if (allStopped) break;
    }
    guard.unlock();
    for (auto& t : crew.threads) t.join();
    return finished.load() == Units;
}

}  // namespace ozm::matrix::detail
