// TFastFourier beside FFTW (one thread, FFTW_MEASURE plans, in place, same data). Each iteration
// runs a forward and an inverse transform, so the data stay bounded; FFTW's backward transform is
// unscaled, so the
// bench divides by N as ours does.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "ozm/fourier.hpp"

#if defined(OZM_HAVE_FFTW)
#include <fftw3.h>
#endif

namespace {

std::vector<double> Samples(size_t n) {
    std::mt19937_64 gen(42);
    std::normal_distribution<double> d;
    std::vector<double> x(2 * n);
    for (auto& v : x) v = d(gen);
    return x;
}

void BM_OzmForwardInverse(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TFastFourier f;
    f.SetNumData(n);
    const std::vector<double> x = Samples(static_cast<size_t>(n));
    for (int k = 1; k <= n; ++k) {
        f.SetRealVal(k, x[2 * (k - 1)]);
        f.SetImagVal(k, x[2 * (k - 1) + 1]);
    }
    for (auto _ : state) {
        f.DoFFT(1);
        f.DoFFT(-1);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 2 * n);
}

#if defined(OZM_HAVE_FFTW)
void BM_FftwForwardInverse(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto* data = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * static_cast<size_t>(n)));
    fftw_plan fwd = fftw_plan_dft_1d(n, data, data, FFTW_BACKWARD, FFTW_MEASURE);  // exp(+i...)
    fftw_plan inv = fftw_plan_dft_1d(n, data, data, FFTW_FORWARD, FFTW_MEASURE);
    const std::vector<double> x = Samples(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        data[k][0] = x[2 * k];
        data[k][1] = x[2 * k + 1];
    }
    const double scale = 1.0 / n;
    for (auto _ : state) {
        fftw_execute(fwd);
        fftw_execute(inv);
        // the same division by N as ours, which also keeps the magnitudes bounded
        for (int k = 0; k < n; ++k) {
            data[k][0] *= scale;
            data[k][1] *= scale;
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 2 * n);
    fftw_destroy_plan(fwd);
    fftw_destroy_plan(inv);
    fftw_free(data);
}
#endif

}  // namespace

// Interleaved per size, so both run under the same load of the machine.
#if defined(OZM_HAVE_FFTW)
#define OZM_FFT_BENCH(N) \
    BENCHMARK(BM_OzmForwardInverse)->Arg(N); \
    BENCHMARK(BM_FftwForwardInverse)->Arg(N);
#else
#define OZM_FFT_BENCH(N) BENCHMARK(BM_OzmForwardInverse)->Arg(N);
#endif
OZM_FFT_BENCH(1 << 8)
OZM_FFT_BENCH(1 << 10)
OZM_FFT_BENCH(1 << 12)
OZM_FFT_BENCH(1 << 14)
OZM_FFT_BENCH(1 << 16)
OZM_FFT_BENCH(1 << 18)
OZM_FFT_BENCH(1 << 20)
OZM_FFT_BENCH(1 << 22)
