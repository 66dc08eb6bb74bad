// Eigenvectors, least squares, covariance and principal components of math2 beside their
// baselines: LAPACK's dsyev (CalcEigVec) and dgelsd (SolveLeastSquaresSVD) when installed, and
// the matrix layer's blocked product TransposeAndMultiply (CalcCovar). Every run starts from a
// fresh copy of the input, for both sides; the progress hooks are unassigned.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "ozm/math2.hpp"
#include "ozm/platform/random.hpp"

#if defined(OZM_HAVE_LAPACK)
#include <cstddef>
extern "C" {
void dsyev_(const char* jobz, const char* uplo, const int* n, double* a, const int* lda, double* w,
            double* work, const int* lwork, int* info, std::size_t jobz_len, std::size_t uplo_len);
void dgelsd_(const int* m, const int* n, const int* nrhs, double* a, const int* lda, double* b,
             const int* ldb, double* s, const double* rcond, int* rank, double* work,
             const int* lwork, int* iwork, int* info);
}
#endif

namespace {

using ozm::TMatrix;
using ozm::TVector;

void Random(TMatrix& m, int cols, int rows, uint64_t seed) {
    ozm::SetRandSeed(seed);
    m.Resize(cols, rows);
    m.FillRandomUniform(-1.0, 1.0);
}

void Symmetric(TMatrix& m, int n) {
    Random(m, n, n, 17);
    for (int c = 1; c <= n; ++c)
        for (int r = c + 1; r <= n; ++r) m.SetVal(c, r, m.GetVal(r, c));
}

void BM_CalcEigVec(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TMatrix src, work;
    Symmetric(src, n);
    for (auto _ : state) {
        state.PauseTiming();
        work.Assign(&src);
        state.ResumeTiming();
        benchmark::DoNotOptimize(ozm::math2::CalcEigVec(work));
    }
}
BENCHMARK(BM_CalcEigVec)->Arg(50)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_SolveLeastSquaresSVD(benchmark::State& state) {
    const int m = static_cast<int>(state.range(0)), n = static_cast<int>(state.range(1));
    TMatrix src, work;
    Random(src, n, m, 5);
    TVector b, x, sd;
    b.Resize(m);
    b.FillRandomUniform(-1.0, 1.0);
    bool near = false;
    for (auto _ : state) {
        state.PauseTiming();
        work.Assign(&src);
        state.ResumeTiming();
        benchmark::DoNotOptimize(ozm::math2::SolveLeastSquaresSVD(work, b, x, near, sd));
    }
}
BENCHMARK(BM_SolveLeastSquaresSVD)->Args({10000, 50})->Unit(benchmark::kMillisecond);

void BM_CalcCovar(benchmark::State& state) {
    const int m = static_cast<int>(state.range(0)), p = static_cast<int>(state.range(1));
    TMatrix data, out;
    Random(data, p, m, 9);
    out.Resize(p, p);
    for (auto _ : state) benchmark::DoNotOptimize(ozm::math2::CalcCovar(data, out, 0, 0, 0, 0, 1));
}
BENCHMARK(BM_CalcCovar)->Args({100000, 100})->Unit(benchmark::kMillisecond);

// The blocked product X^T X of the matrix layer, the baseline of CalcCovar.
void BM_TransposeAndMultiply(benchmark::State& state) {
    const int m = static_cast<int>(state.range(0)), p = static_cast<int>(state.range(1));
    TMatrix data, out;
    Random(data, p, m, 9);
    for (auto _ : state) benchmark::DoNotOptimize(data.TransposeAndMultiply(&data, &out));
}
BENCHMARK(BM_TransposeAndMultiply)->Args({100000, 100})->Unit(benchmark::kMillisecond);

void BM_CalcPrincComp(benchmark::State& state) {
    const int m = static_cast<int>(state.range(0)), p = static_cast<int>(state.range(1));
    TMatrix data;
    Random(data, p, m, 3);
    for (auto _ : state) benchmark::DoNotOptimize(ozm::math2::CalcPrincComp(data, 0, 0, 0, 0, 1));
}
BENCHMARK(BM_CalcPrincComp)->Args({10000, 50})->Unit(benchmark::kMillisecond);

#if defined(OZM_HAVE_LAPACK)
void BM_LapackDsyev(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TMatrix src;
    Symmetric(src, n);
    std::vector<double> a(static_cast<size_t>(n) * n), w(static_cast<size_t>(n));
    int lwork = -1, info = 0;
    double query = 0.0;
    dsyev_("V", "U", &n, a.data(), &n, w.data(), &query, &lwork, &info, 1, 1);
    lwork = static_cast<int>(query);
    std::vector<double> work(static_cast<size_t>(lwork));
    for (auto _ : state) {
        std::memcpy(a.data(), src.Data(), sizeof(double) * a.size());
        dsyev_("V", "U", &n, a.data(), &n, w.data(), work.data(), &lwork, &info, 1, 1);
        benchmark::DoNotOptimize(a.data());
    }
}
BENCHMARK(BM_LapackDsyev)->Arg(50)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_LapackDgelsd(benchmark::State& state) {
    const int m = static_cast<int>(state.range(0)), n = static_cast<int>(state.range(1));
    TMatrix src;
    Random(src, n, m, 5);
    TVector b;
    b.Resize(m);
    b.FillRandomUniform(-1.0, 1.0);
    std::vector<double> a(static_cast<size_t>(m) * n), rhs(static_cast<size_t>(m)),
        s(static_cast<size_t>(n));
    const int one = 1;
    const double rcond = -1.0;
    int rank = 0, info = 0, lwork = -1, iquery = 0;
    double query = 0.0;
    dgelsd_(&m, &n, &one, a.data(), &m, rhs.data(), &m, s.data(), &rcond, &rank, &query, &lwork,
            &iquery, &info);
    lwork = static_cast<int>(query);
    std::vector<double> work(static_cast<size_t>(lwork));
    std::vector<int> iwork(static_cast<size_t>(iquery > 1 ? iquery : 1) + 64 * n);
    for (auto _ : state) {
        std::memcpy(a.data(), src.Data(), sizeof(double) * a.size());
        std::memcpy(rhs.data(), b.Cells().data(), sizeof(double) * rhs.size());
        dgelsd_(&m, &n, &one, a.data(), &m, rhs.data(), &m, s.data(), &rcond, &rank, work.data(),
                &lwork, iwork.data(), &info);
        benchmark::DoNotOptimize(rhs.data());
    }
}
BENCHMARK(BM_LapackDgelsd)->Args({10000, 50})->Unit(benchmark::kMillisecond);
#endif

}  // namespace
