// AddArrays and MeanArray of the open-array unit beside plain hand-written loops over the same
// nested arrays, on a 1000 x 1000 raster of doubles and on a flat array of one million doubles.
#include <benchmark/benchmark.h>

#include <random>

#include "ozm/openarrays.hpp"

namespace {

namespace oa = ozm::openarrays;
using ozm::TDouble2DArray;
using ozm::TDoubleArray;

TDouble2DArray RandomRaster(size_t columns, size_t rows, unsigned seed) {
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> dist(-1e3, 1e3);
    TDouble2DArray a(columns, TDoubleArray(rows));
    for (auto& column : a)
        for (double& v : column) v = dist(gen);
    return a;
}

void BM_AddArrays2D(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    const TDouble2DArray a = RandomRaster(n, n, 1), b = RandomRaster(n, n, 2);
    TDouble2DArray c(n, TDoubleArray(n));
    for (auto _ : state) {
        benchmark::DoNotOptimize(oa::AddArrays(a, b, c));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}

void BM_HandLoopAdd2D(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    const TDouble2DArray a = RandomRaster(n, n, 1), b = RandomRaster(n, n, 2);
    TDouble2DArray c(n, TDoubleArray(n));
    for (auto _ : state) {
        for (size_t i = 0; i < a.size(); ++i)
            for (size_t j = 0; j < a[i].size(); ++j) c[i][j] = a[i][j] + b[i][j];
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}

void BM_AddArrays1D(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    const TDoubleArray a = RandomRaster(1, n, 1)[0], b = RandomRaster(1, n, 2)[0];
    TDoubleArray c(n);
    for (auto _ : state) {
        benchmark::DoNotOptimize(oa::AddArrays(a, b, c));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_HandLoopAdd1D(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    const TDoubleArray a = RandomRaster(1, n, 1)[0], b = RandomRaster(1, n, 2)[0];
    TDoubleArray c(n);
    for (auto _ : state) {
        for (size_t i = 0; i < a.size(); ++i) c[i] = a[i] + b[i];
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_MeanArray2D(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const TDouble2DArray a = RandomRaster(size_t(n), size_t(n), 3);
    double mean = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(oa::MeanArray(a, 0, 0, n - 1, n - 1, mean));
        benchmark::DoNotOptimize(mean);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}

void BM_HandLoopMean2D(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    const TDouble2DArray a = RandomRaster(n, n, 3);
    for (auto _ : state) {
        double sum = 0;
        for (size_t i = 0; i < n; ++i)
            for (size_t j = 0; j < n; ++j) sum += a[i][j];
        benchmark::DoNotOptimize(sum / static_cast<double>(n * n));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}

// A box in the middle of the raster: the range handling of MeanArray against the same loop.
void BM_MeanArrayBox(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const TDouble2DArray a = RandomRaster(size_t(n), size_t(n), 3);
    double mean = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(oa::MeanArray(a, n / 4, n / 4, 3 * n / 4, 3 * n / 4, mean));
        benchmark::DoNotOptimize(mean);
    }
}

void BM_HandLoopMeanBox(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const TDouble2DArray a = RandomRaster(size_t(n), size_t(n), 3);
    for (auto _ : state) {
        double sum = 0;
        for (int i = n / 4; i <= 3 * n / 4; ++i)
            for (int j = n / 4; j <= 3 * n / 4; ++j) sum += a[size_t(i)][size_t(j)];
        benchmark::DoNotOptimize(sum);
    }
}

}  // namespace

BENCHMARK(BM_AddArrays2D)->Arg(1000);
BENCHMARK(BM_HandLoopAdd2D)->Arg(1000);
BENCHMARK(BM_AddArrays1D)->Arg(1 << 20);
BENCHMARK(BM_HandLoopAdd1D)->Arg(1 << 20);
BENCHMARK(BM_MeanArray2D)->Arg(1000);
BENCHMARK(BM_HandLoopMean2D)->Arg(1000);
BENCHMARK(BM_MeanArrayBox)->Arg(1000);
BENCHMARK(BM_HandLoopMeanBox)->Arg(1000);
