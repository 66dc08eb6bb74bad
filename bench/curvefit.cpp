// TCurveFit: entering pairs, Kendall's tau (O(n log n) pair counts) and spline evaluation. The
// reference for Kendall's tau is scipy.stats.kendalltau on the same kind of data (timed outside
// this program; see the closing notes of the curve-fit work).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "ozm/math2.hpp"

namespace {

void Fill(ozm::TCurveFit& fit, int n, unsigned seed) {
    std::mt19937 gen(seed);
    std::normal_distribution<double> dist;
    fit.Init();
    for (int i = 0; i < n; ++i) {
        const double x = dist(gen);
        fit.EnterStatValue(x, 0.5 * x + dist(gen));
    }
}

void BM_EnterStatValue(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TCurveFit fit;
    for (auto _ : state) Fill(fit, n, 1);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_EnterStatValue)->Arg(10000000)->Unit(benchmark::kMillisecond);

// The pair counts are recomputed on every call: entering a pair clears them.
void BM_KendallsTau(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TCurveFit fit;
    Fill(fit, n, 2);
    for (auto _ : state) {
        fit.RemoveStatValue(n + 1);  // changes nothing but the caches
        double p = 0;
        benchmark::DoNotOptimize(fit.KendallsTau(p));
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_KendallsTau)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);

void BM_CubicSplineEvaluation(benchmark::State& state) {
    ozm::TCurveFit fit;
    for (int i = 0; i < 1000; ++i) fit.EnterStatValue(i, (i * 7919) % 101);
    const int points = static_cast<int>(state.range(0));
    for (auto _ : state) {
        double sum = 0;
        for (int i = 0; i < points; ++i) sum += fit.CubicSpline(i * (999.0 / points));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_CubicSplineEvaluation)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
