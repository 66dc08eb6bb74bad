// Image stacks (TMat4D): the layer reductions beside a plain loop that only sums the same cells
// (the memory bandwidth they cannot beat), the record file readers beside plain fread of the same
// bytes, and Transpose, Resample and Percentile on the same 512 x 512 x 16 x 16 block (512 MB).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ozm/matrix.hpp"

namespace {

constexpr int kX = 512, kY = 512, kZ = 16, kT = 16;

const ozm::TMat4D& Block() {
    static std::unique_ptr<ozm::TMat4D> m = [] {
        auto s = std::make_unique<ozm::TMat4D>();
        s->Resize(kX, kY, kZ, kT);
        std::mt19937_64 gen(5);
        std::uniform_real_distribution<double> u(0.0, 255.0);
        double* p = s->Data();
        for (size_t i = 0; i < size_t(kX) * kY * kZ * kT; ++i) p[i] = u(gen);
        return s;
    }();
    return *m;
}

void Bytes(benchmark::State& state, double perRun) {
    state.SetBytesProcessed(static_cast<int64_t>(perRun * static_cast<double>(state.iterations())));
}

// Baseline: one pass over the cells, summing them.
void BM_PlainSum(benchmark::State& state) {
    const ozm::TMat4D& m = Block();
    const double* p = m.Data();
    const size_t n = size_t(kX) * kY * kZ * kT;
    for (auto _ : state) {
        double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
        for (size_t i = 0; i < n; i += 4) {
            s0 += p[i];
            s1 += p[i + 1];
            s2 += p[i + 2];
            s3 += p[i + 3];
        }
        benchmark::DoNotOptimize(s0 + s1 + s2 + s3);
    }
    Bytes(state, 8.0 * n);
}
BENCHMARK(BM_PlainSum)->Unit(benchmark::kMillisecond);

void BM_Reduction(benchmark::State& state) {
    const ozm::TMat4D& m = Block();
    const int kind = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    ozm::TMatrix d;
    for (auto _ : state) {
        switch (kind) {
            case 0: m.MeanOfLayersToMatrix(&d, 0, 0, 0, 0, 0, 0, 0, 0, threads); break;
            case 1: m.MaximumOfLayersToMatrix(&d, 0, 0, 0, 0, 0, 0, 0, 0, threads); break;
            case 2: m.MinimumOfLayersToMatrix(&d, 0, 0, 0, 0, 0, 0, 0, 0, threads); break;
            default: m.StdDevOfLayersToMatrix(&d, 0, 0, 0, 0, 0, 0, 0, 0, threads); break;
        }
        benchmark::DoNotOptimize(d.Data());
    }
    Bytes(state, 8.0 * kX * kY * kZ * kT);
}
// Arguments: reduction (0 mean, 1 maximum, 2 minimum, 3 standard deviation), threads.
BENCHMARK(BM_Reduction)
    ->ArgsProduct({{0, 1, 2, 3}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Transpose(benchmark::State& state) {
    ozm::TMat4D m;
    m.Assign(&Block());
    for (auto _ : state) m.Transpose();
    Bytes(state, 8.0 * kX * kY * kZ * kT);
}
BENCHMARK(BM_Transpose)->Unit(benchmark::kMillisecond);

void BM_ResampleAverage(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ozm::TMat4D m;
        m.Assign(&Block());
        state.ResumeTiming();
        m.Resample(2, 0, 2, 0, 2, 0, 2, 0, true);
        benchmark::DoNotOptimize(m.Data());
    }
    Bytes(state, 8.0 * kX * kY * kZ * kT);
}
BENCHMARK(BM_ResampleAverage)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Percentile(benchmark::State& state) {
    const ozm::TMat4D& m = Block();
    for (auto _ : state) benchmark::DoNotOptimize(m.Percentile(50, 0, 0, 0, 0, 0, 0, 0, 0));
    Bytes(state, 8.0 * kX * kY * kZ * kT);
}
BENCHMARK(BM_Percentile)->Unit(benchmark::kMillisecond)->Iterations(3);

// --- record files: a file of 4 time slots (128 MB) of the block --------------------------------

constexpr int kFileSlots = 4;

const std::string& StackFile() {
    static const std::string name = [] {
        const std::string f = (std::filesystem::temp_directory_path() / "ozm_bench_stack.bin").string();
        ozm::TMat4D m;
        m.Assign(&Block());
        m.Cut(0, 0, 0, 0, 0, 0, 1, kFileSlots);
        m.SaveBinary(f);
        return f;
    }();
    return name;
}

// Baseline: the same bytes with plain fread in 4096-byte records, summed.
void BM_FreadFile(benchmark::State& state) {
    const std::string& f = StackFile();
    const size_t cells = size_t(kX) * kY * kZ * kFileSlots;
    std::vector<double> rec(512);
    for (auto _ : state) {
        std::FILE* h = std::fopen(f.c_str(), "rb");
        std::fseek(h, 4096, SEEK_SET);
        double s = 0;
        for (size_t done = 0; done < cells; done += 512) {
            if (std::fread(rec.data(), 8, 512, h) != 512) break;
            for (double v : rec) s += v;
        }
        std::fclose(h);
        benchmark::DoNotOptimize(s);
    }
    Bytes(state, 8.0 * cells);
}
BENCHMARK(BM_FreadFile)->Unit(benchmark::kMillisecond);

void BM_ReadBinary(benchmark::State& state) {
    const std::string& f = StackFile();
    ozm::TMat4D m;
    double s = 0;
    m.OnReadElement = [&s](ozm::TObject*, int, int, int, int, double v) { s += v; };
    for (auto _ : state) {
        m.ReadBinary(f, 0, 0);
        benchmark::DoNotOptimize(s);
    }
    Bytes(state, 8.0 * kX * kY * kZ * kFileSlots);
}
BENCHMARK(BM_ReadBinary)->Unit(benchmark::kMillisecond);

// Baseline for the layer readers: seek to layer 9 of slot 3 and fread its cells.
void BM_FreadLayer(benchmark::State& state) {
    const std::string& f = StackFile();
    std::vector<double> layer(size_t(kX) * kY);
    const long start = 4096 + 8L * ((3 - 1) * kZ + 8) * kX * kY;
    for (auto _ : state) {
        std::FILE* h = std::fopen(f.c_str(), "rb");
        std::fseek(h, start, SEEK_SET);
        benchmark::DoNotOptimize(std::fread(layer.data(), 8, layer.size(), h));
        std::fclose(h);
    }
    Bytes(state, 8.0 * kX * kY);
}
BENCHMARK(BM_FreadLayer)->Unit(benchmark::kMicrosecond);

void BM_ReadLayer(benchmark::State& state) {
    const std::string& f = StackFile();
    ozm::TMat4D m;
    m.Resize(kX, kY, kZ, kFileSlots);
    for (auto _ : state) benchmark::DoNotOptimize(m.ReadLayer(f, 9, 3));
    Bytes(state, 8.0 * kX * kY);
}
BENCHMARK(BM_ReadLayer)->Unit(benchmark::kMicrosecond);

void BM_Read4DLayer(benchmark::State& state) {
    const std::string& f = StackFile();
    ozm::TDouble2DArray d;
    for (auto _ : state) benchmark::DoNotOptimize(ozm::matrix::Read4DLayer(f, 9, 3, d));
    Bytes(state, 8.0 * kX * kY);
}
BENCHMARK(BM_Read4DLayer)->Unit(benchmark::kMicrosecond);

}  // namespace
