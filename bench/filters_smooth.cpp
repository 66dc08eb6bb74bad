// Speed of the window filters: the moving median (heap window, O(n log W)) beside a selection per
// window (std::nth_element on a copy, the usual O(n W) method), and Savitzky-Golay smoothing
// beside a plain convolution loop over the same weights. Library and baseline run on the same
// data in one program, so their ratio is meaningful on a loaded machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ozm/math2.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"

namespace {

std::vector<double> Noise(int64_t n) {
    ozm::SetRandSeed(2024);
    std::vector<double> x(static_cast<size_t>(n));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = std::sin(static_cast<double>(i) * 1e-3) + ozm::Random();
    return x;
}

void Load(ozm::TVector& v, const std::vector<double>& data) {
    v.Resize(static_cast<int>(data.size()));
    std::copy(data.begin(), data.end(), v.Cells().begin());
}

constexpr int64_t kMedianN = 1'000'000;
constexpr int64_t kSavGolN = 10'000'000;

void MedianWindows(benchmark::internal::Benchmark* b) {
    for (int64_t w : {5, 11, 51, 101, 501, 1001}) b->Arg(w);
    b->Unit(benchmark::kMillisecond);
}

void BM_MovingMedianSmooth(benchmark::State& state) {
    const auto x = Noise(kMedianN);
    ozm::TVector src, dst;
    Load(src, x);
    dst.Resize(static_cast<int>(kMedianN));
    const int w = static_cast<int>(state.range(0));
    for (auto _ : state) {
        ozm::math2::MovingMedianSmooth(&src, 1, static_cast<int>(kMedianN), w, &dst);
        benchmark::DoNotOptimize(dst.Cells().data());
    }
    state.SetItemsProcessed(state.iterations() * kMedianN);
}
BENCHMARK(BM_MovingMedianSmooth)->Apply(MedianWindows);

// Baseline: select the median of a copy of every window.
void BM_MedianSelectPerWindow(benchmark::State& state) {
    const auto x = Noise(kMedianN);
    const int w = static_cast<int>(state.range(0)), h = w / 2;
    std::vector<double> out(x.size()), win(static_cast<size_t>(w));
    for (auto _ : state) {
        for (size_t e = static_cast<size_t>(h); e + static_cast<size_t>(h) < x.size(); ++e) {
            std::copy(x.begin() + static_cast<std::ptrdiff_t>(e - h),
                      x.begin() + static_cast<std::ptrdiff_t>(e + h + 1), win.begin());
            std::nth_element(win.begin(), win.begin() + h, win.end());
            out[e] = win[static_cast<size_t>(h)];
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kMedianN);
}
BENCHMARK(BM_MedianSelectPerWindow)->Apply(MedianWindows);

void SavGolWindows(benchmark::internal::Benchmark* b) {
    for (int64_t w : {5, 11, 25}) b->Arg(w);
    b->Unit(benchmark::kMillisecond);
}

void BM_PolynomialSmooth(benchmark::State& state) {
    const auto x = Noise(kSavGolN);
    ozm::TVector src, dst;
    Load(src, x);
    dst.Resize(static_cast<int>(kSavGolN));
    const int w = static_cast<int>(state.range(0));
    for (auto _ : state) {
        ozm::math2::PolynomialSmooth(&src, 1, static_cast<int>(kSavGolN), w, &dst);
        benchmark::DoNotOptimize(dst.Cells().data());
    }
    state.SetItemsProcessed(state.iterations() * kSavGolN);
}
BENCHMARK(BM_PolynomialSmooth)->Apply(SavGolWindows);

// Baseline: the plain convolution loop with the same weights, output into a plain array.
void BM_PlainConvolution(benchmark::State& state) {
    const auto x = Noise(kSavGolN);
    const int w = static_cast<int>(state.range(0)), h = w / 2;
    std::vector<double> c(static_cast<size_t>(w));
    double norm = 0;
    for (int i = -h; i <= h; ++i) {
        c[static_cast<size_t>(i + h)] = 3.0 * h * h + 3.0 * h - 1 - 5.0 * i * i;
        norm += c[static_cast<size_t>(i + h)];
    }
    for (double& v : c) v /= norm;
    std::vector<double> out(x.size());
    for (auto _ : state) {
        const size_t n = x.size() - static_cast<size_t>(w) + 1;
        for (size_t e = 0; e < n; ++e) {
            double s = 0;
            for (int k = 0; k < w; ++k)
                s += c[static_cast<size_t>(k)] * x[e + static_cast<size_t>(k)];
            out[e + static_cast<size_t>(h)] = s;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kSavGolN);
}
BENCHMARK(BM_PlainConvolution)->Apply(SavGolWindows);

}  // namespace
