// TDataTable speed: CSV import and export of a 10^6 x 10 numeric table against a plain loop that
// splits lines and converts with std::from_chars / std::to_chars, and SortRows and CalcCovar on a
// 10^5 x 20 table against plain loops (std::sort of a row permutation, a two-pass covariance).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "ozm/datatable.hpp"

namespace {

constexpr int kCsvRows = 1000000;
constexpr int kCsvCols = 10;
constexpr int kSortRows = 100000;
constexpr int kSortCols = 20;

void FillRandom(ozm::TDataTable& T, int Cols, int Rows) {
    T.Resize(Cols, Rows);
    std::mt19937_64 gen(42);
    std::normal_distribution<double> normal(10.0, 3.0);
    double* data = T.NumericData()->Data();
    for (size_t k = 0; k < static_cast<size_t>(Cols) * Rows; ++k) data[k] = normal(gen);
}

const std::string& CsvText() {
    static const std::string text = [] {
        ozm::TDataTable t;
        FillRandom(t, kCsvCols, kCsvRows);
        ozm::TMemoryStream s;
        t.ExportAsCSV(s);
        return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
    }();
    return text;
}

void BM_ImportFromCSV(benchmark::State& state) {
    const std::string& text = CsvText();
    for (auto _ : state) {
        ozm::TDataTable t;
        if (t.ReadFromCSVString(text) != 0) state.SkipWithError("import failed");
        benchmark::DoNotOptimize(t.NumericData()->Data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

// The plain loop: header skipped, lines split at ',', every field converted by from_chars into a
// column-major array. No quotes, no checks beyond what from_chars does.
void BM_PlainFromCharsLoop(benchmark::State& state) {
    const std::string& text = CsvText();
    for (auto _ : state) {
        std::vector<std::vector<double>> cols(kCsvCols);
        for (auto& c : cols) c.reserve(kCsvRows);
        const char* p = text.data();
        const char* end = p + text.size();
        p = std::find(p, end, '\n') + 1;
        while (p < end) {
            for (int c = 0; c < kCsvCols; ++c) {
                double v = 0;
                auto res = std::from_chars(p, end, v);
                cols[static_cast<size_t>(c)].push_back(v);
                p = res.ptr + 1;  // the separator, or the CR of the line end
            }
            if (p < end && *p == '\n') ++p;
        }
        benchmark::DoNotOptimize(cols.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_ExportAsCSV(benchmark::State& state) {
    ozm::TDataTable t;
    t.ReadFromCSVString(CsvText());
    for (auto _ : state) {
        ozm::TMemoryStream s;
        t.ExportAsCSV(s);
        benchmark::DoNotOptimize(s.Memory());
    }
}

void BM_PlainToCharsLoop(benchmark::State& state) {
    ozm::TDataTable t;
    t.ReadFromCSVString(CsvText());
    const double* data = t.NumericData()->Data();
    for (auto _ : state) {
        std::string out;
        char buffer[32];
        for (int r = 0; r < kCsvRows; ++r) {
            for (int c = 0; c < kCsvCols; ++c) {
                if (c > 0) out.push_back(',');
                auto res = std::to_chars(buffer, buffer + sizeof buffer,
                                         data[static_cast<size_t>(c) * kCsvRows + r]);
                out.append(buffer, res.ptr);
            }
            out += "\r\n";
        }
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_SortRows(benchmark::State& state) {
    ozm::TDataTable t;
    for (auto _ : state) {
        state.PauseTiming();
        FillRandom(t, kSortCols, kSortRows);
        state.ResumeTiming();
        t.SortRows(1, true, 0, 0, 0, 0, true);
    }
}

// Baseline: a permutation sorted by the key column, then every column gathered through it.
void BM_PlainSortRows(benchmark::State& state) {
    ozm::TDataTable t;
    for (auto _ : state) {
        state.PauseTiming();
        FillRandom(t, kSortCols, kSortRows);
        state.ResumeTiming();
        double* data = t.NumericData()->Data();
        std::vector<int> perm(kSortRows);
        std::iota(perm.begin(), perm.end(), 0);
        std::sort(perm.begin(), perm.end(), [&](int a, int b) { return data[a] < data[b]; });
        std::vector<double> tmp(kSortRows);
        for (int c = 0; c < kSortCols; ++c) {
            double* col = data + static_cast<size_t>(c) * kSortRows;
            for (int r = 0; r < kSortRows; ++r) tmp[static_cast<size_t>(r)] = col[perm[static_cast<size_t>(r)]];
            std::copy(tmp.begin(), tmp.end(), col);
        }
        benchmark::DoNotOptimize(data);
    }
}

void BM_CalcCovar(benchmark::State& state) {
    ozm::TDataTable t;
    FillRandom(t, kSortCols, kSortRows);
    ozm::TMatrix cov;
    cov.Resize(kSortCols, kSortCols);
    for (auto _ : state) benchmark::DoNotOptimize(t.CalcCovar(&cov, 0, 0, 0, 0, static_cast<int>(state.range(0))));
}

// Baseline: column means, then the upper triangle of the centred cross products.
void BM_PlainCovar(benchmark::State& state) {
    ozm::TDataTable t;
    FillRandom(t, kSortCols, kSortRows);
    const double* data = t.NumericData()->Data();
    std::vector<double> cov(kSortCols * kSortCols), means(kSortCols);
    for (auto _ : state) {
        for (int c = 0; c < kSortCols; ++c) {
            double s = 0;
            for (int r = 0; r < kSortRows; ++r) s += data[static_cast<size_t>(c) * kSortRows + r];
            means[static_cast<size_t>(c)] = s / kSortRows;
        }
        for (int a = 0; a < kSortCols; ++a)
            for (int b = a; b < kSortCols; ++b) {
                const double* x = data + static_cast<size_t>(a) * kSortRows;
                const double* y = data + static_cast<size_t>(b) * kSortRows;
                double s = 0;
                for (int r = 0; r < kSortRows; ++r) s += (x[r] - means[a]) * (y[r] - means[b]);
                cov[static_cast<size_t>(a) * kSortCols + b] = s / (kSortRows - 1);
            }
        benchmark::DoNotOptimize(cov.data());
    }
}

}  // namespace

BENCHMARK(BM_ImportFromCSV)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainFromCharsLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportAsCSV)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainToCharsLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSortRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcCovar)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainCovar)->Unit(benchmark::kMillisecond);
