// Speed of the 2-D kernel correlation (KernelConvolve) on a 4000 x 4000 array with kernels of
// 3 x 3 to 15 x 15, beside the plain four-deep loop over the interior (no edge handling, so the
// baseline does slightly less work).
#include <benchmark/benchmark.h>

#include <vector>

#include "ozm/math2.hpp"
#include "ozm/platform/random.hpp"

namespace {

constexpr size_t kSide = 4000;

ozm::TDouble2DArray RandomArray(size_t rows, size_t cols) {
    ozm::SetRandSeed(77);
    ozm::TDouble2DArray a(rows, ozm::TDoubleArray(cols));
    for (auto& r : a)
        for (double& v : r) v = ozm::Random();
    return a;
}

void Kernels(benchmark::internal::Benchmark* b) {
    for (int64_t k : {3, 5, 9, 15}) b->Arg(k);
    b->Unit(benchmark::kMillisecond);
}

void BM_KernelConvolve(benchmark::State& state) {
    const auto src = RandomArray(kSide, kSide);
    const size_t K = static_cast<size_t>(state.range(0));
    const auto ker = RandomArray(K, K);
    ozm::TDouble2DArray dst;
    ozm::math2::KernelConvolve(ker, src, dst, nullptr);  // sizes dst once, as the baseline's is
    for (auto _ : state) {
        benchmark::DoNotOptimize(ozm::math2::KernelConvolve(ker, src, dst, nullptr));
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSide * kSide));
}
BENCHMARK(BM_KernelConvolve)->Apply(Kernels);

void BM_PlainLoop(benchmark::State& state) {
    const auto src = RandomArray(kSide, kSide);
    const size_t K = static_cast<size_t>(state.range(0)), h = K / 2;
    const auto ker = RandomArray(K, K);
    ozm::TDouble2DArray dst(kSide, ozm::TDoubleArray(kSide));
    for (auto _ : state) {
        for (size_t i = h; i < kSide - h; ++i)
            for (size_t j = h; j < kSide - h; ++j) {
                double s = 0;
                for (size_t p = 0; p < K; ++p)
                    for (size_t q = 0; q < K; ++q) s += ker[p][q] * src[i + p - h][j + q - h];
                dst[i][j] = s;
            }
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSide * kSide));
}
BENCHMARK(BM_PlainLoop)->Apply(Kernels);

}  // namespace
