// Clustering and nearest neighbours. AgglomClustering is run beside the plain cubic scan over all
// active pairs (the reference the merge order is defined by, written here with the same update),
// interleaved; scipy's linkage and sklearn's KMeans are timed separately by the Python snippet
// in the unit's architecture notes. k-means on 10^5 x 10 with k = 10 and the neighbour search on
// 10^5 rows report the library alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "ratio.hpp"
#include "ozm/math2.hpp"
#include "ozm/base/globals.hpp"
#include "ozm/platform/random.hpp"

namespace {

using ozm::TMatrix;
using ozm::TVector;

void RandomRows(TMatrix& m, int cols, int rows, uint64_t seed) {
    ozm::SetRandSeed(seed);
    m.Resize(cols, rows);
    m.FillRandomUniform(0.0, 1.0);
}

// Complete linkage by the full scan of the active pairs at every step.
double NaiveCompleteLinkage(const TMatrix& X) {
    const int n = X.NrOfRows();
    TMatrix dm;
    dm.Resize(n, n);
    X.CalcDistMat(ozm::TDistMode::dmEuclidean, &dm);
    double* d = dm.Data();
    std::vector<char> act(static_cast<size_t>(n), 1);
    double last = 0;
    for (int s = 1; s < n; ++s) {
        int g = -1;
        int h = -1;
        double best = 1.7e308;
        for (int i = 0; i < n; ++i) {
            if (!act[static_cast<size_t>(i)]) continue;
            const double* row = d + static_cast<size_t>(i) * n;
            for (int j = i + 1; j < n; ++j)
                if (act[static_cast<size_t>(j)] && row[j] < best) {
                    best = row[j];
                    g = i;
                    h = j;
                }
        }
        for (int i = 0; i < n; ++i) {
            const double v =
                std::max(d[static_cast<size_t>(g) * n + i], d[static_cast<size_t>(h) * n + i]);
            d[static_cast<size_t>(h) * n + i] = v;
            d[static_cast<size_t>(i) * n + h] = v;
        }
        act[static_cast<size_t>(g)] = 0;
        last = best;
    }
    return last;
}

void BM_AgglomVsFullScan(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TMatrix X;
    RandomRows(X, 5, n, 3);
    std::vector<ozm::math2::TMergeStep> dendro;
    TVector merge;
    TVector pos;
    ozm::bench::Interleaved(
        state,
        [&] {
            ozm::math2::AgglomClusteringSteps(nullptr, X, ozm::TDistMode::dmEuclidean,
                                              ozm::math2::TClusterMethod::cmCompleteLink, 0.5,
                                              dendro, merge, pos, {}, {});
            benchmark::DoNotOptimize(merge.GetVal(n - 1));
        },
        [&] { benchmark::DoNotOptimize(NaiveCompleteLinkage(X)); });
}
BENCHMARK(BM_AgglomVsFullScan)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_AgglomWard(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TMatrix X;
    RandomRows(X, 5, n, 4);
    std::vector<ozm::math2::TMergeStep> dendro;
    TVector merge;
    TVector pos;
    for (auto _ : state) {
        ozm::math2::AgglomClusteringSteps(nullptr, X, ozm::TDistMode::dmSqrEuclidean,
                                          ozm::math2::TClusterMethod::cmWard, 0.5, dendro, merge,
                                          pos, {}, {});
        benchmark::DoNotOptimize(merge.GetVal(n - 1));
    }
}
BENCHMARK(BM_AgglomWard)->Arg(500)->Arg(2000)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_kMeans(benchmark::State& state) {
    TMatrix X;
    RandomRows(X, 10, 100000, 5);
    TMatrix centers;
    ozm::TIntVector ix;
    ozm::TIntVector size;
    const double stat0 = ozm::ProcStat.load();
    for (auto _ : state) {
        ix.Clear();
        benchmark::DoNotOptimize(ozm::math2::kMeansClustering(X, 0, 0, 10, 7, centers, ix, size));
    }
    // One ProcStat step per pass: the time per pass is what compares across start centres.
    state.counters["passes"] =
        (ozm::ProcStat.load() - stat0) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_kMeans)->Unit(benchmark::kMillisecond);

void BM_NearestNeighbors(benchmark::State& state) {
    TMatrix X;
    RandomRows(X, 10, 100000, 6);
    TVector target;
    target.Resize(10);
    target.Fill(0.5);
    TMatrix nb;
    nb.Resize(2, 10);
    for (auto _ : state) {
        ozm::math2::FindNearestNeighbors(10, X, 0, 0, target, nb);
        benchmark::DoNotOptimize(nb.GetVal(2, 10));
    }
}
BENCHMARK(BM_NearestNeighbors)->Unit(benchmark::kMillisecond);

}  // namespace
