// Self-organizing map training: a 20 x 20 map on 10^4 objects of 10 inputs for 10 training steps
// (one step presents every object once), 10^5 presentations in all. The library runs beside a
// plain reference written here: the same algorithm with each neuron's weights contiguous
// (array of structures), distances summed per neuron, the winner found in the same scan. Both
// start from the same weights; the counters report the time per presentation of the library
// (ns_per_presentation) and the ratio library / reference.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ratio.hpp"
#include "ozm/kohonen.hpp"
#include "ozm/matrix.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/platform/rounding.hpp"
#include "ozm/vector.hpp"

namespace {

constexpr int kSide = 20;
constexpr int kInputs = 10;
constexpr int kObjects = 10000;
constexpr int kSteps = 11;  // steps 1..10 are trained

// The reference: weights[(x * Sy + y) * K + k], the data row-major.
void ReferenceTraining(std::vector<double>& w, const std::vector<double>& data, int sx, int sy,
                       int k_in, int rows, int max_steps, int max_neighb, double max_alpha) {
    const int n = sx * sy;
    std::vector<double> dist(static_cast<size_t>(n));
    for (int t = 1; t < max_steps; ++t) {
        const double a = static_cast<double>(max_steps - t) / max_steps;
        const int r = static_cast<int>(ozm::Round(a * a * (max_neighb - 1.0) + 1.0));
        const double alpha = a * a * max_alpha;
        for (int i = 0; i < rows; ++i) {
            const double* x = &data[static_cast<size_t>(i) * k_in];
            int best = 0;
            for (int c = 0; c < n; ++c) {
                const double* wc = &w[static_cast<size_t>(c) * k_in];
                double s = 0;
                for (int k = 0; k < k_in; ++k) s += (wc[k] - x[k]) * (wc[k] - x[k]);
                dist[static_cast<size_t>(c)] = s;
                if (s < dist[static_cast<size_t>(best)]) best = c;
            }
            const int xw = best / sy, yw = best % sy;
            for (int xi = std::max(xw - r, 0); xi <= std::min(xw + r, sx - 1); ++xi)
                for (int yi = std::max(yw - r, 0); yi <= std::min(yw + r, sy - 1); ++yi) {
                    const int c = xi * sy + yi;
                    const double h = alpha / (1 + std::sqrt(dist[static_cast<size_t>(c)] -
                                                            dist[static_cast<size_t>(best)]));
                    double* wc = &w[static_cast<size_t>(c) * k_in];
                    for (int k = 0; k < k_in; ++k) wc[k] += (x[k] - wc[k]) * h;
                }
        }
    }
}

void BM_TrainMap20x20(benchmark::State& state) {
    ozm::TMatrix data;
    ozm::SetRandSeed(2026);
    data.Resize(kInputs, kObjects);
    data.FillRandomUniform(0.0, 1.0);
    std::vector<double> rows(static_cast<size_t>(kObjects) * kInputs);
    for (int i = 0; i < kObjects; ++i)
        for (int k = 0; k < kInputs; ++k)
            rows[static_cast<size_t>(i) * kInputs + k] = data.GetVal(k + 1, i + 1);
    ozm::TKohonen map;
    map.SetDataMat(data);
    map.SetSizeX(kSide);
    map.SetSizeY(kSide);
    map.SetNrOfTrnSteps(kSteps);
    map.SetInitialNeighbors(3);
    std::vector<double> ref;
    double sink = 0;
    ozm::bench::Interleaved(
        state,
        [&] {
            ozm::SetRandSeed(1);
            map.Trainit();
            sink += map.WeightMatrix().GetVal(1, 1, 1);
        },
        [&] {
            ozm::TKohonen start;
            start.SetSizeX(kSide);
            start.SetSizeY(kSide);
            start.SetNumInsens(kInputs);
            ozm::SetRandSeed(1);
            start.SetWeigtsToRandom();
            ref.assign(static_cast<size_t>(kSide) * kSide * kInputs, 0.0);
            for (int x = 0; x < kSide; ++x)
                for (int y = 0; y < kSide; ++y)
                    for (int k = 0; k < kInputs; ++k)
                        ref[(static_cast<size_t>(x) * kSide + y) * kInputs + k] =
                            start.WeightMatrix().GetVal(x + 1, y + 1, k + 1);
            ReferenceTraining(ref, rows, kSide, kSide, kInputs, kObjects, kSteps, 3, 1.0);
            sink += ref[0];
        });
    benchmark::DoNotOptimize(sink);
    // Both did the same work: the same arithmetic in the same order gives the same weights.
    for (int x = 0; x < kSide; ++x)
        for (int y = 0; y < kSide; ++y)
            for (int k = 0; k < kInputs; ++k)
                if (ref[(static_cast<size_t>(x) * kSide + y) * kInputs + k] !=
                    map.WeightMatrix().GetVal(x + 1, y + 1, k + 1)) {
                    state.SkipWithError("library and reference trained different maps");
                    return;
                }
    const double presentations = static_cast<double>(kSteps - 1) * kObjects;
    state.counters["presentations"] = presentations;
    state.counters["ns_per_presentation"] = state.counters["lib_ms"] * 1e6 / presentations;
    state.counters["ref_ns_per_presentation"] = state.counters["ref_ms"] * 1e6 / presentations;
}
BENCHMARK(BM_TrainMap20x20)->Unit(benchmark::kMillisecond)->Iterations(3);

// Mapping one input (ApplyIt) on the same map, library alone.
void BM_ApplyIt20x20(benchmark::State& state) {
    ozm::TKohonen map;
    map.SetSizeX(kSide);
    map.SetSizeY(kSide);
    map.SetNumInsens(kInputs);
    ozm::SetRandSeed(3);
    map.SetWeigtsToRandom();
    ozm::TVector input;
    input.Resize(kInputs);
    for (int k = 1; k <= kInputs; ++k) input.SetVal(k, 0.01 * k);
    int bx = 0, by = 0;
    double d = 0;
    for (auto _ : state) {
        map.ApplyIt(input, bx, by, d);
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_ApplyIt20x20);

}  // namespace
