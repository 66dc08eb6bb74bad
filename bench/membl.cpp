// TMemBasedLearner: predicting objects against a large model and the neighbour lists of all
// model objects, each interleaved with a plain brute-force reference (all distances of a query,
// then std::partial_sort of the 100 nearest by distance and, among equal distances, the later row
// first), so that the counter "ratio" compares both in one run.
//
// scripts/membl_sklearn_timing.py times sklearn's brute-force KNeighborsRegressor on the same
// sizes (predict 10^4 objects against 10^5 x 10; neighbour lists of a 5000-object model);
// BM_PredictFullSize runs the library's side of that comparison once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "ozm/membl.hpp"
#include "ratio.hpp"

using namespace ozm;

namespace {

constexpr int kIndep = 10;

// A model of Rows objects: 10 independent normal columns and one target column.
void FillModel(TMemBasedLearner& L, int Rows, std::vector<double>& ColumnMajor) {
    std::mt19937_64 gen(42);
    std::normal_distribution<double> normal;
    TDataTable& t = *L.ModelData();
    t.Resize(kIndep + 1, Rows);
    double* data = t.NumericData()->Data();
    ColumnMajor.assign(static_cast<size_t>(kIndep) * Rows, 0.0);
    for (size_t i = 0; i < static_cast<size_t>(kIndep + 1) * Rows; ++i) data[i] = normal(gen);
    std::copy(data, data + static_cast<size_t>(kIndep) * Rows, ColumnMajor.begin());
    t.NumericData()->Changed();
    for (int c = 1; c <= kIndep; ++c) L.SetVarType(c, TMBLVarType::mblVarIndep);
    L.SetVarType(kIndep + 1, TMBLVarType::mblVarTarget);
    L.SetNumNearestNb(5);
}

std::vector<TDoubleArray> Queries(int Count) {
    std::mt19937_64 gen(7);
    std::normal_distribution<double> normal;
    std::vector<TDoubleArray> q(static_cast<size_t>(Count), TDoubleArray(kIndep + 1, 0.0));
    for (auto& s : q)
        for (int j = 0; j < kIndep; ++j) s[static_cast<size_t>(j)] = normal(gen);
    return q;
}

// The reference: every distance of the query into a buffer, then the 100 nearest sorted.
struct TBruteForce {
    const std::vector<double>& cols;
    int rows;
    std::vector<double> dist;
    std::vector<int> order;
    double Predict(const double* query, int k) {
        dist.assign(static_cast<size_t>(rows), 0.0);
        for (int j = 0; j < kIndep; ++j) {
            const double* c = cols.data() + static_cast<size_t>(j) * rows;
            for (int r = 0; r < rows; ++r) {
                const double d = query[j] - c[r];
                dist[static_cast<size_t>(r)] += d * d;
            }
        }
        for (double& d : dist) d = std::sqrt(d);
        order.resize(static_cast<size_t>(rows));
        std::iota(order.begin(), order.end(), 0);
        std::partial_sort(order.begin(), order.begin() + 100, order.end(), [&](int a, int b) {
            const double da = dist[static_cast<size_t>(a)], db = dist[static_cast<size_t>(b)];
            return da < db || (da == db && a > b);
        });
        return static_cast<double>(order[static_cast<size_t>(k - 1)]);
    }
};

void BM_Predict(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const int count = static_cast<int>(state.range(1));
    TMemBasedLearner L;
    std::vector<double> cols;
    FillModel(L, rows, cols);
    const std::vector<TDoubleArray> queries = Queries(count);
    TBruteForce ref{cols, rows, {}, {}};
    TDoubleArray s;
    L.ApplyModel(s = queries[0], 0, 0);  // the search copy is built once, outside the timing
    double sink = 0;
    bench::Interleaved(
        state,
        [&] {
            for (const auto& q : queries) {
                s = q;
                L.ApplyModel(s, 0, 0);
                sink += s[kIndep];
            }
        },
        [&] {
            for (const auto& q : queries) sink += ref.Predict(q.data(), 5);
        });
    benchmark::DoNotOptimize(sink);
}
BENCHMARK(BM_Predict)->Args({100000, 1000})->Unit(benchmark::kMillisecond)->Iterations(2);

// The library's side of the sklearn comparison: 10^4 objects against 10^5 x 10.
void BM_PredictFullSize(benchmark::State& state) {
    TMemBasedLearner L;
    std::vector<double> cols;
    FillModel(L, 100000, cols);
    const std::vector<TDoubleArray> queries = Queries(10000);
    TDoubleArray s = queries[0];
    L.ApplyModel(s, 0, 0);
    double sink = 0;
    for (auto _ : state) {
        for (const auto& q : queries) {
            s = q;
            L.ApplyModel(s, 0, 0);
            sink += s[kIndep];
        }
    }
    benchmark::DoNotOptimize(sink);
}
BENCHMARK(BM_PredictFullSize)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CalcNNOfModelData(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    TMemBasedLearner L;
    std::vector<double> cols;
    FillModel(L, rows, cols);
    TBruteForce ref{cols, rows, {}, {}};
    std::vector<double> query(kIndep);
    double sink = 0;
    bench::Interleaved(
        state,
        [&] {
            L.CalcNNOfModelData();
            sink += L.GetkNNofModelData(100, rows);
        },
        [&] {
            for (int r = 0; r < rows; ++r) {
                for (int j = 0; j < kIndep; ++j)
                    query[static_cast<size_t>(j)] = cols[static_cast<size_t>(j) * rows + r];
                sink += ref.Predict(query.data(), 100);
            }
        });
    benchmark::DoNotOptimize(sink);
}
BENCHMARK(BM_CalcNNOfModelData)->Arg(2000)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
