// TWavelet1D: full decomposition and reconstruction of 2^20 samples (order 2, wrap), reported per
// sample to compare with PyWavelets' time per sample (scripts/gen_transforms_refs.py --time-pywt
// measures pywt.wavedec / waverec with "db2", mode "periodization", on the same size).
#include <benchmark/benchmark.h>

#include <random>

#include "ozm/wavelet.hpp"

namespace {

constexpr int kN = 1 << 20;
constexpr int kLevels = 20;

void Fill(ozm::TWavelet1D& w, int order) {
    w.SetNumData(kN);
    w.SetOrder(order);
    std::mt19937_64 gen(7);
    std::normal_distribution<double> d;
    for (int i = 1; i <= kN; ++i) w.SetDataVal(i, d(gen));
}

void BM_WaveletDecompose(benchmark::State& state) {
    ozm::TWavelet1D w;
    Fill(w, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        w.Transform(kLevels);
        state.PauseTiming();
        w.InverseTransform(kLevels);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kN);  // ns per sample = 1e9 / items_per_second
}

void BM_WaveletReconstruct(benchmark::State& state) {
    ozm::TWavelet1D w;
    Fill(w, static_cast<int>(state.range(0)));
    w.Transform(kLevels);
    for (auto _ : state) {
        w.InverseTransform(kLevels);
        state.PauseTiming();
        w.Transform(kLevels);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kN);  // ns per sample = 1e9 / items_per_second
}

}  // namespace

BENCHMARK(BM_WaveletDecompose)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaveletReconstruct)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
