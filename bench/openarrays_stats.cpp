// PercentileArray and FrequDistOfArray of the open-array unit beside hand-written equivalents
// (std::nth_element on a copy; a loop with floor division into bins), on one million doubles.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "ozm/openarrays.hpp"

namespace {

namespace oa = ozm::openarrays;
using ozm::TDouble2DArray;
using ozm::TDoubleArray;
using ozm::TIntArray;

TDoubleArray NormalData(size_t n, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::normal_distribution<double> dist(50, 15);
    TDoubleArray v(n);
    for (double& x : v) x = dist(gen);
    return v;
}

TDouble2DArray NormalRaster(size_t n, unsigned seed) {
    TDouble2DArray a(n);
    for (size_t i = 0; i < n; ++i) a[i] = NormalData(n, seed + static_cast<unsigned>(i));
    return a;
}

// The rank-1 form works in place, so each iteration selects from a fresh copy (timed in both).
void BM_PercentileArray(benchmark::State& state) {
    const TDoubleArray data = NormalData(static_cast<size_t>(state.range(0)), 1);
    TDoubleArray work(data.size());
    for (auto _ : state) {
        std::copy(data.begin(), data.end(), work.begin());
        benchmark::DoNotOptimize(oa::PercentileArray(90, work));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_HandNthElement(benchmark::State& state) {
    const TDoubleArray data = NormalData(static_cast<size_t>(state.range(0)), 1);
    TDoubleArray work(data.size());
    for (auto _ : state) {
        std::copy(data.begin(), data.end(), work.begin());
        const size_t k = std::min(work.size() - 1,
                                  static_cast<size_t>(std::nearbyint(0.9 * double(work.size()))));
        std::nth_element(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(k), work.end());
        benchmark::DoNotOptimize(work[k]);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The rank-2 form copies the box itself and leaves the raster alone.
void BM_PercentileArray2D(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const TDouble2DArray a = NormalRaster(size_t(n), 2);
    for (auto _ : state) benchmark::DoNotOptimize(oa::PercentileArray(90, a, 0, 0, n - 1, n - 1));
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}

void BM_HandNthElement2D(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    const TDouble2DArray a = NormalRaster(n, 2);
    TDoubleArray work;
    for (auto _ : state) {
        work.clear();
        for (const auto& column : a) work.insert(work.end(), column.begin(), column.end());
        const size_t k = std::min(work.size() - 1,
                                  static_cast<size_t>(std::nearbyint(0.9 * double(work.size()))));
        std::nth_element(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(k), work.end());
        benchmark::DoNotOptimize(work[k]);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}

void BM_FrequDistOfArray(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const TDouble2DArray a = NormalRaster(size_t(n), 3);
    TIntArray dist;
    int below = 0, above = 0, maxCount = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(oa::FrequDistOfArray(a, 0, 0, 0, 0, 0.0, 99.0, 1.0, dist, below,
                                                      above, maxCount));
        benchmark::DoNotOptimize(dist.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}

// The plain loop, with the bin layout as run-time arguments as the library routine gets it.
[[gnu::noinline]] int HandHistogram(const TDouble2DArray& a, double first, double width,
                                    TIntArray& dist) {
    std::fill(dist.begin(), dist.end(), 0);
    int below = 0, above = 0;
    const auto bins = static_cast<double>(dist.size());
    for (const auto& column : a)
        for (double v : column) {
            if (!(v >= first)) {
                ++below;
            } else {
                const double b = std::floor((v - first) / width);
                if (b >= bins)
                    ++above;
                else
                    ++dist[static_cast<size_t>(b)];
            }
        }
    return below + above;
}

void BM_HandHistogram(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    const TDouble2DArray a = NormalRaster(n, 3);
    TIntArray dist(100);
    for (auto _ : state) {
        benchmark::DoNotOptimize(HandHistogram(a, 0.0, 1.0, dist));
        benchmark::DoNotOptimize(dist.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}

}  // namespace

BENCHMARK(BM_PercentileArray)->Arg(1 << 20);
BENCHMARK(BM_HandNthElement)->Arg(1 << 20);
BENCHMARK(BM_PercentileArray2D)->Arg(1000);
BENCHMARK(BM_HandNthElement2D)->Arg(1000);
BENCHMARK(BM_FrequDistOfArray)->Arg(1000);
BENCHMARK(BM_HandHistogram)->Arg(1000);
