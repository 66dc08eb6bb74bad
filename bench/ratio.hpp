// Library against reference in one run: both are called alternately, once each per iteration,
// so that the load of the machine falls on both alike. Reports both mean times (ms) and the
// counter "ratio" = library time / reference time (below 1: the library is faster).
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>

namespace ozm::bench {

template <typename Library, typename Reference>
void Interleaved(benchmark::State& state, Library&& library, Reference&& reference) {
    using Clock = std::chrono::steady_clock;
    double libSeconds = 0, refSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        library();
        const auto t1 = Clock::now();
        reference();
        const auto t2 = Clock::now();
        libSeconds += std::chrono::duration<double>(t1 - t0).count();
        refSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["lib_ms"] = 1e3 * libSeconds / n;
    state.counters["ref_ms"] = 1e3 * refSeconds / n;
    state.counters["ratio"] = libSeconds / refSeconds;
}

}  // namespace ozm::bench
