// Matrix products and the cross-product matrix of TMatrix, beside Eigen's single-threaded product
// on the same matrices (when Eigen is installed).
#include <benchmark/benchmark.h>

#include <random>

#include "ozm/matrix.hpp"

#if defined(OZM_HAVE_EIGEN)
#include <Eigen/Dense>
#endif

namespace {

void FillRandom(ozm::TMatrix& m, int n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    m.Resize(n, n);
    double* p = m.Data();
    for (long i = 0; i < static_cast<long>(n) * n; ++i) p[i] = dist(gen);
}

void Flops(benchmark::State& state, double perRun) {
    state.counters["GFlop/s"] =
        benchmark::Counter(perRun * static_cast<double>(state.iterations()) / 1e9, benchmark::Counter::kIsRate);
}

void BM_Multiply(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix a, b, c;
    FillRandom(a, n, 1);
    FillRandom(b, n, 2);
    for (auto _ : state) {
        a.Multiply(&b, &c);
        benchmark::DoNotOptimize(c.Data());
    }
    Flops(state, 2.0 * n * n * n);
}

void BM_MultiplyTransposed(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix a, b, c;
    FillRandom(a, n, 1);
    FillRandom(b, n, 2);
    for (auto _ : state) {
        a.MultiplyTransposed(&b, &c);
        benchmark::DoNotOptimize(c.Data());
    }
    Flops(state, 2.0 * n * n * n);
}

void BM_TransposeAndMultiply(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix a, b, c;
    FillRandom(a, n, 1);
    FillRandom(b, n, 2);
    for (auto _ : state) {
        a.TransposeAndMultiply(&b, &c);
        benchmark::DoNotOptimize(c.Data());
    }
    Flops(state, 2.0 * n * n * n);
}

// Square with the thread count given as the second argument.
void BM_Square(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    ozm::TMatrix a, c;
    FillRandom(a, n, 1);
    for (auto _ : state) {
        a.Square(&c, 1.0, threads);
        benchmark::DoNotOptimize(c.Data());
    }
    Flops(state, 1.0 * n * n * n);
}

#if defined(OZM_HAVE_EIGEN)
void BM_EigenProduct(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Eigen::setNbThreads(1);
    ozm::TMatrix ma, mb;
    FillRandom(ma, n, 1);
    FillRandom(mb, n, 2);
    const Eigen::MatrixXd a = Eigen::Map<const Eigen::MatrixXd>(ma.Data(), n, n);
    const Eigen::MatrixXd b = Eigen::Map<const Eigen::MatrixXd>(mb.Data(), n, n);
    Eigen::MatrixXd c(n, n);
    for (auto _ : state) {
        c.noalias() = a * b;
        benchmark::DoNotOptimize(c.data());
    }
    Flops(state, 2.0 * n * n * n);
}
BENCHMARK(BM_EigenProduct)->RangeMultiplier(2)->Range(128, 1024)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK(BM_Multiply)->RangeMultiplier(2)->Range(128, 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MultiplyTransposed)->RangeMultiplier(2)->Range(128, 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransposeAndMultiply)->RangeMultiplier(2)->Range(128, 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Square)
    ->ArgsProduct({{128, 256, 512, 1024}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
