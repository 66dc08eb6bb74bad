// Speed of the statistics unit's special functions and distributions per call, beside Boost.Math
// (when installed) on the same arguments. Each benchmark cycles through a fixed set of arguments
// so that neither side profits from a repeated identical call.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>

#include "ozm/statis.hpp"

#ifdef OZM_HAVE_BOOST_MATH
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/math/special_functions/beta.hpp>
#endif

namespace {

using namespace ozm::statis;

constexpr std::array<double, 8> kProbs = {1e-10, 1e-4, 0.01, 0.2, 0.5, 0.8, 0.99, 0.999999};
constexpr std::array<double, 8> kDf = {0.5, 1, 3, 7.5, 20, 150, 4000, 1e5};
constexpr std::array<double, 8> kX = {0.001, 0.05, 0.2, 0.45, 0.5, 0.7, 0.93, 0.999};

// --- IncompleteBeta (the classical routine) against boost::math::ibeta ---------------------------
void BM_IncompleteBeta(benchmark::State& state) {
    size_t i = 0;
    for (auto _ : state) {
        const double a = kDf[i % 8], b = kDf[(i + 3) % 8];
        benchmark::DoNotOptimize(IncompleteBeta(kX[i % 8], a, b));
        ++i;
    }
}
BENCHMARK(BM_IncompleteBeta);

void BM_tDistriQuantile(benchmark::State& state) {
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tDistriQuantile(kProbs[i % 8], kDf[(i / 8) % 8]));
        ++i;
    }
}
BENCHMARK(BM_tDistriQuantile);

void BM_FDistriIntegral(benchmark::State& state) {
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FDistriIntegral(0.25 + kX[i % 8] * 3, kDf[(i / 8) % 8], kDf[(i + 5) % 8]));
        ++i;
    }
}
BENCHMARK(BM_FDistriIntegral);

void BM_chi2DistriQuantile(benchmark::State& state) {
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(chi2DistriQuantile(kProbs[i % 8], kDf[(i / 8) % 8]));
        ++i;
    }
}
BENCHMARK(BM_chi2DistriQuantile);

// Exact distribution (matrix power of order 2 n d + 1) for n = 1000 at d below the asymptotic
// switch (d²n <= 3.76). Boost.Math has no finite-n Kolmogorov-Smirnov distribution to compare.
void BM_KSPValue_n1000(benchmark::State& state) {
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KSPValue(1000, 0.02 + 0.005 * static_cast<double>(i % 8)));
        ++i;
    }
}
BENCHMARK(BM_KSPValue_n1000)->Unit(benchmark::kMillisecond);

#ifdef OZM_HAVE_BOOST_MATH
void BM_Boost_ibeta(benchmark::State& state) {
    size_t i = 0;
    for (auto _ : state) {
        const double a = kDf[i % 8], b = kDf[(i + 3) % 8];
        benchmark::DoNotOptimize(boost::math::ibeta(a, b, kX[i % 8]));
        ++i;
    }
}
BENCHMARK(BM_Boost_ibeta);

void BM_Boost_students_t_quantile(benchmark::State& state) {
    size_t i = 0;
    for (auto _ : state) {
        boost::math::students_t dist(kDf[(i / 8) % 8]);
        benchmark::DoNotOptimize(boost::math::quantile(dist, kProbs[i % 8]));
        ++i;
    }
}
BENCHMARK(BM_Boost_students_t_quantile);

void BM_Boost_fisher_f_cdf(benchmark::State& state) {
    size_t i = 0;
    for (auto _ : state) {
        boost::math::fisher_f dist(kDf[(i / 8) % 8], kDf[(i + 5) % 8]);
        benchmark::DoNotOptimize(boost::math::cdf(dist, 0.25 + kX[i % 8] * 3));
        ++i;
    }
}
BENCHMARK(BM_Boost_fisher_f_cdf);

void BM_Boost_chi_squared_quantile(benchmark::State& state) {
    size_t i = 0;
    for (auto _ : state) {
        boost::math::chi_squared dist(kDf[(i / 8) % 8]);
        benchmark::DoNotOptimize(boost::math::quantile(dist, kProbs[i % 8]));
        ++i;
    }
}
BENCHMARK(BM_Boost_chi_squared_quantile);

#endif

}  // namespace
