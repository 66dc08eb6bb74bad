// Speed of the vector's sort, order statistics, moments, histogram and ASC round trip, beside
// the standard library on the same data. Sorting benches copy the unsorted data into place in
// every iteration, for the library and the baseline alike.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ozm/platform/random.hpp"
#include "ozm/vector.hpp"
#include "ratio.hpp"

namespace {

std::vector<double> RandomData(int64_t n) {
    ozm::SetRandSeed(12345);
    std::vector<double> data(static_cast<size_t>(n));
    for (double& x : data) x = ozm::Random() * 1000.0 - 500.0;
    return data;
}

void Load(ozm::TVector& v, const std::vector<double>& data) {
    v.Resize(static_cast<int>(data.size()));
    std::copy(data.begin(), data.end(), v.Cells().begin());
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int64_t n : {10'000, 100'000, 1'000'000, 10'000'000}) b->Arg(n);
    b->Unit(benchmark::kMillisecond);
}

void BM_SortElems(benchmark::State& state) {
    const auto data = RandomData(state.range(0));
    ozm::TVector v;
    Load(v, data);
    for (auto _ : state) {
        std::copy(data.begin(), data.end(), v.Cells().begin());
        v.SortElems(true, 0, 0);
        benchmark::DoNotOptimize(v.Cells().data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortElems)->Apply(Sizes);

void BM_StdSort(benchmark::State& state) {
    const auto data = RandomData(state.range(0));
    std::vector<double> work(data.size());
    for (auto _ : state) {
        std::copy(data.begin(), data.end(), work.begin());
        std::sort(work.begin(), work.end());
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StdSort)->Apply(Sizes);

void BM_Percentile(benchmark::State& state) {
    const auto data = RandomData(state.range(0));
    ozm::TVector v;
    Load(v, data);
    for (auto _ : state) benchmark::DoNotOptimize(v.Percentile(37.5, 0, 0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Percentile)->Apply(Sizes);

// The same interpolated percentile by hand: a copy, nth_element, and the minimum above it.
void BM_StdNthElement(benchmark::State& state) {
    const auto data = RandomData(state.range(0));
    for (auto _ : state) {
        std::vector<double> work(data);
        const double h = 37.5 * double(work.size() - 1) / 100;
        const auto k = static_cast<std::ptrdiff_t>(h);
        std::nth_element(work.begin(), work.begin() + k, work.end());
        const double next = *std::min_element(work.begin() + k + 1, work.end());
        benchmark::DoNotOptimize(work[size_t(k)] + (next - work[size_t(k)]) * (h - double(k)));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StdNthElement)->Apply(Sizes);

// Percentile against the hand-made nth_element version, interleaved call by call.
void BM_PercentileVsNthElement(benchmark::State& state) {
    const auto data = RandomData(state.range(0));
    ozm::TVector v;
    Load(v, data);
    std::vector<double> work;
    ozm::bench::Interleaved(
        state, [&] { benchmark::DoNotOptimize(v.Percentile(37.5, 0, 0)); },
        [&] {
            work = data;
            const double h = 37.5 * double(work.size() - 1) / 100;
            const auto k = static_cast<std::ptrdiff_t>(h);
            std::nth_element(work.begin(), work.begin() + k, work.end());
            const double next = *std::min_element(work.begin() + k + 1, work.end());
            benchmark::DoNotOptimize(work[size_t(k)] + (next - work[size_t(k)]) * (h - double(k)));
        });
}
BENCHMARK(BM_PercentileVsNthElement)->Arg(10000)->Arg(1000000)->Arg(10000000);

void BM_Quartiles(benchmark::State& state) {
    const auto data = RandomData(state.range(0));
    ozm::TVector v;
    Load(v, data);
    double q1 = 0, q2 = 0, q3 = 0;
    for (auto _ : state) {
        v.Quartiles(0, 0, q1, q2, q3);
        benchmark::DoNotOptimize(q2);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Quartiles)->Apply(Sizes);

void BM_MeanVar(benchmark::State& state) {
    const auto data = RandomData(state.range(0));
    ozm::TVector v;
    Load(v, data);
    double mean = 0, var = 0;
    for (auto _ : state) {
        v.MeanVar(0, 0, mean, var);
        benchmark::DoNotOptimize(var);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * int64_t(sizeof(double)));
}
BENCHMARK(BM_MeanVar)->Apply(Sizes);

// Baseline: the one-pass sums over the same data (fast, but loses the spread of data far from
// zero, which is why the library takes two passes).
void BM_OnePassMoments(benchmark::State& state) {
    const auto data = RandomData(state.range(0));
    for (auto _ : state) {
        double s = 0, s2 = 0;
        for (double x : data) {
            s += x;
            s2 += x * x;
        }
        const double n = double(data.size());
        benchmark::DoNotOptimize((s2 - s * s / n) / (n - 1));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * int64_t(sizeof(double)));
}
BENCHMARK(BM_OnePassMoments)->Apply(Sizes);

void BM_Histogram(benchmark::State& state) {
    const auto data = RandomData(state.range(0));
    ozm::TVector v;
    Load(v, data);
    ozm::TIntVector histo;
    int under = 0, over = 0, maxcnt = 0;
    for (auto _ : state) {
        v.Histogram(1, v.NrOfElem(), -500, 490, 10, &histo, under, over, maxcnt);
        benchmark::DoNotOptimize(maxcnt);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Histogram)->Apply(Sizes);

void BM_AscRoundTrip(benchmark::State& state) {
    const auto data = RandomData(state.range(0));
    ozm::TVector v, w;
    Load(v, data);
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("ozm_bench_vector_" + std::to_string(state.range(0)) + ".asc"))
                                 .string();
    std::string comment;
    for (auto _ : state) {
        v.ExportAsASC(file, 6, "bench");
        benchmark::DoNotOptimize(w.ImportASC(file, comment));
    }
    std::remove(file.c_str());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AscRoundTrip)->Apply(Sizes);

void BM_StreamRoundTrip(benchmark::State& state) {
    const auto data = RandomData(state.range(0));
    ozm::TVector v, w;
    Load(v, data);
    for (auto _ : state) {
        ozm::TMemoryStream stream;
        v.SaveToStream(stream, 0, 0);
        stream.SetPosition(0);
        benchmark::DoNotOptimize(w.LoadFromStream(&stream, true));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StreamRoundTrip)->Apply(Sizes);

}  // namespace
