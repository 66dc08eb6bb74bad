// The integer matrix: building the sparse form in column order and in random order, lookups in a
// sparse matrix of 10^6 entries, the conversions between the forms at 4000 x 4000 with 1 % fill,
// and the dense integer product beside the double one at n = 512.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

#include "ozm/matrix.hpp"

namespace {

// The cells of a square sparse matrix with Count entries spread evenly: (column, row) pairs in
// column order.
std::vector<std::pair<int, int>> SpreadCells(int64_t Count) {
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(Count) * 100.0)));
    std::vector<std::pair<int, int>> cells;
    cells.reserve(static_cast<size_t>(Count));
    std::mt19937 gen(7);
    for (int64_t k = 0; k < Count; ++k) {
        // About one cell in a hundred, column by column.
        const int64_t linear = k * 100 + static_cast<int64_t>(gen() % 100);
        cells.emplace_back(static_cast<int>(linear / side) + 1,
                           static_cast<int>(linear % side) + 1);
    }
    return cells;
}

void BM_BuildColumnOrder(benchmark::State& state) {
    const auto cells = SpreadCells(state.range(0));
    for (auto _ : state) {
        ozm::TIntMatrix m(nullptr, ozm::CreateSparse, 100);
        for (const auto& [c, r] : cells) m.SetVal(c, r, c + r);
        benchmark::DoNotOptimize(m.SparseNumElem());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_BuildRandomOrder(benchmark::State& state) {
    auto cells = SpreadCells(state.range(0));
    std::shuffle(cells.begin(), cells.end(), std::mt19937(11));
    for (auto _ : state) {
        ozm::TIntMatrix m(nullptr, ozm::CreateSparse, 100);
        for (const auto& [c, r] : cells) m.SetVal(c, r, c + r);
        benchmark::DoNotOptimize(m.SparseNumElem());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_GetValSparse(benchmark::State& state) {
    const auto cells = SpreadCells(1000000);
    ozm::TIntMatrix m(nullptr, ozm::CreateSparse, 1000);
    for (const auto& [c, r] : cells) m.SetVal(c, r, 1);
    // Half of the lookups hit an entry, half miss inside the box.
    std::vector<std::pair<int, int>> probes;
    std::mt19937 gen(3);
    for (int k = 0; k < 4096; ++k) {
        const auto& cell = cells[gen() % cells.size()];
        probes.push_back(k % 2 == 0 ? cell
                                    : std::make_pair(cell.first, cell.second % m.NrOfRows() + 1));
    }
    size_t k = 0;
    int64_t sum = 0;
    for (auto _ : state) {
        const auto& [c, r] = probes[k++ & 4095];
        sum += m.GetVal(c, r);
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}

void FillPercent(ozm::TIntMatrix& m, int n) {
    m.ResizeAndClear(n, n);
    std::mt19937 gen(5);
    int32_t* p = m.Data();
    for (int64_t i = 0; i < int64_t{n} * n; ++i)
        if (gen() % 100 == 0) p[i] = static_cast<int32_t>(gen() % 1000) + 1;
}

void BM_ArrayToSparse(benchmark::State& state) {
    ozm::TIntMatrix source;
    FillPercent(source, 4000);
    for (auto _ : state) {
        state.PauseTiming();
        ozm::TIntMatrix m;
        m.Assign(&source);
        state.ResumeTiming();
        m.ArrayToSparse(1000);
        benchmark::DoNotOptimize(m.SparseNumElem());
    }
}

void BM_SparseToArray(benchmark::State& state) {
    ozm::TIntMatrix source;
    FillPercent(source, 4000);
    source.ArrayToSparse(1000);
    for (auto _ : state) {
        state.PauseTiming();
        ozm::TIntMatrix m;
        m.Assign(&source);
        state.ResumeTiming();
        m.SparseToArray();
        benchmark::DoNotOptimize(m.Data());
    }
}

template <typename TMat, typename TCell>
void FillSquare(TMat& m, int n, unsigned seed) {
    std::mt19937 gen(seed);
    m.Resize(n, n);
    TCell* p = m.Data();
    for (int64_t i = 0; i < int64_t{n} * n; ++i)
        p[i] = static_cast<TCell>(static_cast<int>(gen() % 201) - 100);
}

void BM_MultiplyInt(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TIntMatrix a, b, c;
    FillSquare<ozm::TIntMatrix, int32_t>(a, n, 1);
    FillSquare<ozm::TIntMatrix, int32_t>(b, n, 2);
    for (auto _ : state) {
        a.Multiply(&b, &c);
        benchmark::DoNotOptimize(c.Data());
    }
    state.counters["GOp/s"] =
        benchmark::Counter(2.0 * n * n * n * static_cast<double>(state.iterations()) / 1e9,
                           benchmark::Counter::kIsRate);
}

void BM_MultiplyDouble(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix a, b, c;
    FillSquare<ozm::TMatrix, double>(a, n, 1);
    FillSquare<ozm::TMatrix, double>(b, n, 2);
    for (auto _ : state) {
        a.Multiply(&b, &c);
        benchmark::DoNotOptimize(c.Data());
    }
    state.counters["GOp/s"] =
        benchmark::Counter(2.0 * n * n * n * static_cast<double>(state.iterations()) / 1e9,
                           benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_BuildColumnOrder)
    ->RangeMultiplier(10)
    ->Range(10000, 1000000)
    ->Unit(benchmark::kMillisecond);
// Random order inserts in front of other entries: O(n) moves per entry, so 10^6 takes minutes.
BENCHMARK(BM_BuildRandomOrder)
    ->RangeMultiplier(10)
    ->Range(10000, 100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetValSparse);
BENCHMARK(BM_ArrayToSparse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SparseToArray)->Unit(benchmark::kMillisecond);
// Interleaved, so the two products see the same load of the machine.
BENCHMARK(BM_MultiplyInt)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MultiplyDouble)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MultiplyInt)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MultiplyDouble)->Arg(512)->Unit(benchmark::kMillisecond);
