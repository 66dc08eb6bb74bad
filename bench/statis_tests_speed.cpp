// Speed of the hypothesis tests, the classifier evaluation and the table-driven random
// generator. Baselines beside them in one run (ratio = library / baseline): Fisher's exact test
// beside the same sum over Boost.Math's hypergeometric pdf (when Boost is installed), the ROC
// scan beside a plain sort-and-sweep area under the curve, TRandGen's normal draws beside
// std::normal_distribution. The Shapiro-Wilk test and the other densities run alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "ozm/platform/random.hpp"
#include "ozm/statis/classifier.hpp"
#include "ozm/statis/randgen.hpp"
#include "ozm/statis/tests.hpp"
#include "ratio.hpp"

#ifdef OZM_HAVE_BOOST_MATH
#include <boost/math/distributions/hypergeometric.hpp>
#endif

namespace {

void BM_FisherExactTest1000(benchmark::State& state) {
    const ozm::TInt2DArray table = {{180, 320}, {300, 200}};
    double lo, hi, two;
#ifdef OZM_HAVE_BOOST_MATH
    ozm::bench::Interleaved(
        state,
        [&] {
            ozm::statis::FisherExactTest(table, lo, hi, two);
            benchmark::DoNotOptimize(two);
        },
        [&] {
            // Two-sided p over every table with these margins, from Boost's pdf.
            const boost::math::hypergeometric_distribution<double> h(480, 500, 1000);
            const double p0 = boost::math::pdf(h, 180u);
            double sum = 0;
            for (unsigned x = 0; x <= 480; ++x) {
                const double p = boost::math::pdf(h, x);
                if (p <= p0 * (1 + 1e-7)) sum += p;
            }
            benchmark::DoNotOptimize(sum);
        });
#else
    for (auto _ : state) {
        ozm::statis::FisherExactTest(table, lo, hi, two);
        benchmark::DoNotOptimize(two);
    }
#endif
}
BENCHMARK(BM_FisherExactTest1000)->Unit(benchmark::kMicrosecond);

void BM_ShapiroWilk5000(benchmark::State& state) {
    ozm::SetRandSeed(5);
    ozm::TVector x;
    x.Resize(5000);
    x.FillRandomGauss(0, 1);
    double W;
    for (auto _ : state) benchmark::DoNotOptimize(ozm::statis::ShapiroWilkTest(x, W));
}
BENCHMARK(BM_ShapiroWilk5000)->Unit(benchmark::kMicrosecond);

void BM_RocScan1e6(benchmark::State& state) {
    const int n = 1'000'000;
    ozm::SetRandSeed(11);
    ozm::TCFEvaluator ev;
    ev.SetNData(n);
    std::vector<std::pair<double, bool>> plain(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i) {
        const bool pos = ozm::Random() < 0.3;
        const double est = std::round((ozm::Random() + (pos ? 0.4 : 0.0)) * 1e4) / 1e4;
        ev.SetTrueData(i, pos);
        ev.SetEstimData(i, est);
        plain[size_t(i - 1)] = {est, pos};
    }
    ozm::TDouble2DArray roc;
    int best;
    double auc, a, b, c;
    ozm::bench::Interleaved(
        state,
        [&] {
            ev.SetEstimData(1, ev.GetEstimData(1));  // forces the sort again
            ev.OptimizeThresholds(roc, best, auc, a, b, c);
            benchmark::DoNotOptimize(auc);
        },
        [&] {
            auto d = plain;
            std::sort(d.begin(), d.end(), [](auto& x, auto& y) { return x.first > y.first; });
            double tp = 0, fp = 0, area = 0, tpPrev = 0, fpPrev = 0;
            for (size_t i = 0; i < d.size(); ++i) {
                (d[i].second ? tp : fp) += 1;
                if (i + 1 == d.size() || d[i + 1].first != d[i].first) {
                    area += (fp - fpPrev) * (tp + tpPrev);
                    tpPrev = tp, fpPrev = fp;
                }
            }
            benchmark::DoNotOptimize(area);
        });
}
BENCHMARK(BM_RocScan1e6)->Unit(benchmark::kMillisecond);

void Fill(ozm::TRandGen& g, int which) {
    g.SetResolution(4000);
    switch (which) {
        case 0: g.SetLowBorder(-10), g.SetHighBorder(10), g.NormalDistri(0, 1); break;
        case 1: g.SetLowBorder(0), g.SetHighBorder(10), g.WeibullDistri(1.5, 2); break;
        case 2: g.SetLowBorder(0), g.SetHighBorder(40), g.Chi2Distri(4); break;
        case 3: g.SetLowBorder(0), g.SetHighBorder(30), g.FDistri(5, 10); break;
        case 4: g.SetLowBorder(-30), g.SetHighBorder(30), g.tDistri(5); break;
        default: g.SetLowBorder(0), g.SetHighBorder(1), g.UniformDistri(); break;
    }
    g.Standardize();
}

// Draws per second for each named density (label), 10^5 draws per iteration.
void BM_RandGenDraws(benchmark::State& state) {
    static const char* names[] = {"normal", "weibull", "chi2", "F", "t", "uniform"};
    ozm::TRandGen g;
    Fill(g, int(state.range(0)));
    ozm::SetRandSeed(3);
    if (state.range(0) == 0) {
        std::mt19937_64 eng(3);
        std::normal_distribution<double> nd(0, 1);
        ozm::bench::Interleaved(
            state,
            [&] {
                double s = 0;
                for (int i = 0; i < 100000; ++i) s += g.Random();
                benchmark::DoNotOptimize(s);
            },
            [&] {
                double s = 0;
                for (int i = 0; i < 100000; ++i) s += nd(eng);
                benchmark::DoNotOptimize(s);
            });
    } else {
        for (auto _ : state) {
            double s = 0;
            for (int i = 0; i < 100000; ++i) s += g.Random();
            benchmark::DoNotOptimize(s);
        }
    }
    state.SetItemsProcessed(state.iterations() * 100000);
    state.SetLabel(names[state.range(0)]);
}
BENCHMARK(BM_RandGenDraws)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

}  // namespace
