// Inversion, determinant and spectral norm of TMatrix, beside LAPACK's dgetrf/dgetri and dgesvd
// on the same matrices (when LAPACK is installed). Every run starts from a fresh copy of the
// matrix, for both sides.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "ozm/matrix.hpp"

#if defined(OZM_HAVE_LAPACK)
#include <cstddef>
extern "C" {
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetri_(const int* n, double* a, const int* lda, const int* ipiv, double* work,
             const int* lwork, int* info);
void dgesvd_(const char* jobu, const char* jobvt, const int* m, const int* n, double* a,
             const int* lda, double* s, double* u, const int* ldu, double* vt, const int* ldvt,
             double* work, const int* lwork, int* info, std::size_t jobu_len, std::size_t jobvt_len);
}
#endif

namespace {

// A random matrix with a strengthened diagonal, so that every size is comfortably regular.
void FillRandom(ozm::TMatrix& m, int n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    m.Resize(n, n);
    double* p = m.Data();
    for (long i = 0; i < static_cast<long>(n) * n; ++i) p[i] = dist(gen);
    for (int i = 0; i < n; ++i) p[static_cast<long>(i) * n + i] += 4.0;
}

void BM_Invert(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix source, work;
    FillRandom(source, n, 1);
    work.Assign(&source);
    for (auto _ : state) {
        std::copy_n(source.Data(), static_cast<long>(n) * n, work.Data());
        benchmark::DoNotOptimize(work.Invert());
    }
}

void BM_Determinant(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix source;
    FillRandom(source, n, 1);
    for (auto _ : state) benchmark::DoNotOptimize(source.Determinant());
}

void BM_SpectralNorm(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix source;
    FillRandom(source, n, 1);
    for (auto _ : state) benchmark::DoNotOptimize(source.Norm(ozm::TNormType::ntSpectral));
}

#if defined(OZM_HAVE_LAPACK)
// dgetrf alone: the counterpart of Determinant.
void BM_LapackGetrf(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix source;
    FillRandom(source, n, 1);
    std::vector<double> a(static_cast<size_t>(n) * n);
    std::vector<int> ipiv(n);
    int info = 0;
    for (auto _ : state) {
        std::copy_n(source.Data(), a.size(), a.data());
        dgetrf_(&n, &n, a.data(), &n, ipiv.data(), &info);
        benchmark::DoNotOptimize(a.data());
    }
}

// dgetrf and dgetri: the counterpart of Invert.
void BM_LapackInvert(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix source;
    FillRandom(source, n, 1);
    std::vector<double> a(static_cast<size_t>(n) * n);
    std::vector<int> ipiv(n);
    int info = 0;
    const int lwork = 64 * n;
    std::vector<double> work(lwork);
    for (auto _ : state) {
        std::copy_n(source.Data(), a.size(), a.data());
        dgetrf_(&n, &n, a.data(), &n, ipiv.data(), &info);
        dgetri_(&n, a.data(), &n, ipiv.data(), work.data(), &lwork, &info);
        benchmark::DoNotOptimize(a.data());
    }
}

// dgesvd without singular vectors: the counterpart of Norm(ntSpectral).
void BM_LapackSingularValues(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix source;
    FillRandom(source, n, 1);
    std::vector<double> a(static_cast<size_t>(n) * n), s(n);
    int info = 0, lwork = -1, one = 1;
    double query = 0, dummy = 0;
    dgesvd_("N", "N", &n, &n, a.data(), &n, s.data(), &dummy, &one, &dummy, &one, &query, &lwork,
            &info, 1, 1);
    lwork = static_cast<int>(query);
    std::vector<double> work(lwork);
    for (auto _ : state) {
        std::copy_n(source.Data(), a.size(), a.data());
        dgesvd_("N", "N", &n, &n, a.data(), &n, s.data(), &dummy, &one, &dummy, &one, work.data(),
                &lwork, &info, 1, 1);
        benchmark::DoNotOptimize(s.data());
    }
}

BENCHMARK(BM_LapackGetrf)->RangeMultiplier(2)->Range(128, 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LapackInvert)->RangeMultiplier(2)->Range(128, 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LapackSingularValues)->RangeMultiplier(2)->Range(128, 1024)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK(BM_Invert)->RangeMultiplier(2)->Range(128, 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Determinant)->RangeMultiplier(2)->Range(128, 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpectralNorm)->RangeMultiplier(2)->Range(128, 1024)->Unit(benchmark::kMillisecond);
