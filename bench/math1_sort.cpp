// Comb sort (SortArray) and quickselect (QuickSelect) of math1 beside std::sort and
// std::nth_element, on uniformly random doubles. Each iteration sorts a fresh copy of the same
// data; the copy is part of both timings.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <span>
#include <vector>

#include "ozm/math1/scalar.hpp"

namespace {

std::vector<double> RandomData(size_t n) {
    std::mt19937_64 gen(42);
    std::uniform_real_distribution<double> dist(-1e6, 1e6);
    std::vector<double> data(n);
    for (auto& v : data) v = dist(gen);
    return data;
}

void BM_SortArray(benchmark::State& state) {
    const auto data = RandomData(static_cast<size_t>(state.range(0)));
    std::vector<double> work(data.size());
    for (auto _ : state) {
        std::copy(data.begin(), data.end(), work.begin());
        ozm::math1::SortArray(std::span<double>(work), true);
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_StdSort(benchmark::State& state) {
    const auto data = RandomData(static_cast<size_t>(state.range(0)));
    std::vector<double> work(data.size());
    for (auto _ : state) {
        std::copy(data.begin(), data.end(), work.begin());
        std::sort(work.begin(), work.end());
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_QuickSelectMedian(benchmark::State& state) {
    const auto data = RandomData(static_cast<size_t>(state.range(0)));
    std::vector<double> work(data.size());
    const int hi = static_cast<int>(data.size()) - 1;
    for (auto _ : state) {
        std::copy(data.begin(), data.end(), work.begin());
        benchmark::DoNotOptimize(ozm::math1::QuickSelect(work, hi / 2, 0, hi));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_NthElementMedian(benchmark::State& state) {
    const auto data = RandomData(static_cast<size_t>(state.range(0)));
    std::vector<double> work(data.size());
    for (auto _ : state) {
        std::copy(data.begin(), data.end(), work.begin());
        std::nth_element(work.begin(), work.begin() + static_cast<ptrdiff_t>(work.size() / 2), work.end());
        benchmark::DoNotOptimize(work[work.size() / 2]);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_SortArray)->RangeMultiplier(10)->Range(1000, 1000000);
BENCHMARK(BM_StdSort)->RangeMultiplier(10)->Range(1000, 1000000);
BENCHMARK(BM_QuickSelectMedian)->RangeMultiplier(10)->Range(1000, 1000000);
BENCHMARK(BM_NthElementMedian)->RangeMultiplier(10)->Range(1000, 1000000);
