// InvertArray of the open-array unit beside a plain Gauss-Jordan inversion with partial
// pivoting and, when LAPACK is installed, dgetrf + dgetri. Every contender starts from the
// nested array A[column][row] and delivers the inverse in that layout, so the copies in and out
// are part of every timing.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "ozm/openarrays.hpp"

#ifdef OZM_HAVE_LAPACK
extern "C" {
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetri_(const int* n, double* a, const int* lda, const int* ipiv, double* work,
             const int* lwork, int* info);
}
#endif

namespace {

namespace oa = ozm::openarrays;
using ozm::TDouble2DArray;
using ozm::TDoubleArray;

TDouble2DArray RandomMatrix(size_t n) {
    std::mt19937_64 gen(23);
    std::uniform_real_distribution<double> dist(-1, 1);
    TDouble2DArray m(n, TDoubleArray(n));
    for (auto& column : m)
        for (double& v : column) v = dist(gen);
    for (size_t i = 0; i < n; ++i) m[i][i] += static_cast<double>(n) / 4;  // well conditioned
    return m;
}

// Gauss-Jordan on a row-major buffer [M | I] reduced to [I | M^-1].
bool GaussJordan(TDouble2DArray& a) {
    const size_t n = a.size(), w = 2 * n;
    std::vector<double> t(n * w, 0.0);
    for (size_t c = 0; c < n; ++c)
        for (size_t r = 0; r < n; ++r) t[r * w + c] = a[c][r];
    for (size_t r = 0; r < n; ++r) t[r * w + n + r] = 1;
    for (size_t j = 0; j < n; ++j) {
        size_t p = j;
        for (size_t r = j + 1; r < n; ++r)
            if (std::fabs(t[r * w + j]) > std::fabs(t[p * w + j])) p = r;
        if (t[p * w + j] == 0) return false;
        if (p != j)
            for (size_t c = 0; c < w; ++c) std::swap(t[p * w + c], t[j * w + c]);
        const double inv = 1 / t[j * w + j];
        for (size_t c = 0; c < w; ++c) t[j * w + c] *= inv;
        for (size_t r = 0; r < n; ++r) {
            if (r == j) continue;
            const double f = t[r * w + j];
            if (f == 0) continue;
            for (size_t c = 0; c < w; ++c) t[r * w + c] -= f * t[j * w + c];
        }
    }
    for (size_t c = 0; c < n; ++c)
        for (size_t r = 0; r < n; ++r) a[c][r] = t[r * w + n + c];
    return true;
}

void BM_InvertArray(benchmark::State& state) {
    const TDouble2DArray m = RandomMatrix(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        TDouble2DArray a = m;
        benchmark::DoNotOptimize(oa::InvertArray(a));
        benchmark::DoNotOptimize(a[0].data());
    }
}

void BM_HandGaussJordan(benchmark::State& state) {
    const TDouble2DArray m = RandomMatrix(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        TDouble2DArray a = m;
        benchmark::DoNotOptimize(GaussJordan(a));
        benchmark::DoNotOptimize(a[0].data());
    }
}

#ifdef OZM_HAVE_LAPACK
void BM_LapackGetrfGetri(benchmark::State& state) {
    const TDouble2DArray m = RandomMatrix(static_cast<size_t>(state.range(0)));
    const int n = static_cast<int>(m.size());
    std::vector<double> buf(size_t(n) * size_t(n));
    std::vector<int> ipiv(static_cast<size_t>(n));
    const int lwork = 64 * n;
    std::vector<double> work(static_cast<size_t>(lwork));
    for (auto _ : state) {
        TDouble2DArray a = m;
        // The column arrays are exactly LAPACK's column-major layout.
        for (int c = 0; c < n; ++c)
            std::copy(a[size_t(c)].begin(), a[size_t(c)].end(), buf.begin() + c * n);
        int info = 0;
        dgetrf_(&n, &n, buf.data(), &n, ipiv.data(), &info);
        dgetri_(&n, buf.data(), &n, ipiv.data(), work.data(), &lwork, &info);
        for (int c = 0; c < n; ++c)
            std::copy(buf.begin() + c * n, buf.begin() + (c + 1) * n, a[size_t(c)].begin());
        benchmark::DoNotOptimize(info);
        benchmark::DoNotOptimize(a[0].data());
    }
}
BENCHMARK(BM_LapackGetrfGetri)->Arg(50)->Arg(200)->Arg(500)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

BENCHMARK(BM_InvertArray)->Arg(50)->Arg(200)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HandGaussJordan)->Arg(50)->Arg(200)->Arg(500)->Unit(benchmark::kMicrosecond);
