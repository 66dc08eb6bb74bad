// FloodFillArray of the open-array unit beside a plain breadth-first fill with a queue of cells,
// on 2000 x 2000 integer rasters: an open field (one region of four million cells) and a field
// strewn with 35 % obstacles (a ragged region of many short runs). Consecutive iterations fill
// the same region back and forth between two values.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "ozm/openarrays.hpp"

namespace {

namespace oa = ozm::openarrays;
using ozm::TInt2DArray;
using ozm::TIntArray;

constexpr int32_t kObstacle = 9;

TInt2DArray Field(size_t n, double obstacles) {
    std::mt19937_64 gen(17);
    std::bernoulli_distribution wall(obstacles);
    TInt2DArray a(n, TIntArray(n, 0));
    for (auto& column : a)
        for (int32_t& v : column) v = wall(gen) ? kObstacle : 0;
    a[n / 2][n / 2] = 0;
    return a;
}

int HandFill(int x0, int y0, int32_t newValue, TInt2DArray& a) {
    const int32_t old = a[size_t(x0)][size_t(y0)];
    if (old == newValue) return 0;
    const int nx = static_cast<int>(a.size()), ny = static_cast<int>(a[0].size());
    std::vector<std::pair<int, int>> queue{{x0, y0}};
    a[size_t(x0)][size_t(y0)] = newValue;
    int count = 0;
    for (size_t head = 0; head < queue.size(); ++head) {
        const auto [x, y] = queue[head];
        ++count;
        const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
        for (int k = 0; k < 4; ++k) {
            const int u = x + dx[k], v = y + dy[k];
            if (u < 0 || v < 0 || u >= nx || v >= ny || a[size_t(u)][size_t(v)] != old) continue;
            a[size_t(u)][size_t(v)] = newValue;
            queue.emplace_back(u, v);
        }
    }
    return count;
}

void BM_FloodFillArray(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    TInt2DArray a = Field(n, static_cast<double>(state.range(1)) / 100);
    const int seed = static_cast<int>(n / 2);
    int32_t next = 1;
    int maxY, minY, minX, maxX, cells = 0;
    for (auto _ : state) {
        cells = oa::FloodFillArray(seed, seed, next, a, maxY, minY, minX, maxX);
        benchmark::DoNotOptimize(cells);
        next = 1 - next;
    }
    state.counters["cells"] = cells;
    state.SetItemsProcessed(state.iterations() * cells);
}

void BM_HandQueueFill(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    TInt2DArray a = Field(n, static_cast<double>(state.range(1)) / 100);
    const int seed = static_cast<int>(n / 2);
    int32_t next = 1;
    int cells = 0;
    for (auto _ : state) {
        cells = HandFill(seed, seed, next, a);
        benchmark::DoNotOptimize(cells);
        next = 1 - next;
    }
    state.counters["cells"] = cells;
    state.SetItemsProcessed(state.iterations() * cells);
}

}  // namespace

BENCHMARK(BM_FloodFillArray)->Args({2000, 0})->Args({2000, 35})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HandQueueFill)->Args({2000, 0})->Args({2000, 35})->Unit(benchmark::kMillisecond);
