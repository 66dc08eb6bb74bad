// The speed of the matrix kernels as ratios to the references, measured in one run with library
// and reference interleaved call by call: Multiply against Eigen's product, Square (one thread)
// against Eigen's symmetric rank update, Square with two threads against one, Invert and
// Determinant against LAPACK's dgetrf/dgetri (OpenBLAS where it is the installed LAPACK; set
// OPENBLAS_CORETYPE to the processor's type when OpenBLAS misdetects it).
//
// This file is compiled with -march=native (bench/CMakeLists.txt), so the references use every
// instruction set of the machine; the library is the portable shared library, which chooses its
// kernels at run time. The counter "ratio" is library time / reference time (below 1: faster).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "ozm/matrix.hpp"
#include "ratio.hpp"

#if defined(OZM_HAVE_EIGEN)
#include <Eigen/Dense>
#endif

#if defined(OZM_HAVE_LAPACK)
extern "C" {
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetri_(const int* n, double* a, const int* lda, const int* ipiv, double* work,
             const int* lwork, int* info);
}
#endif

namespace {

void FillRandom(ozm::TMatrix& m, int cols, int rows, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    m.Resize(cols, rows);
    double* p = m.Data();
    for (long i = 0; i < static_cast<long>(cols) * rows; ++i) p[i] = dist(gen);
}

using ozm::bench::Interleaved;

#if defined(OZM_HAVE_EIGEN)
void BM_MultiplyVsEigen(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Eigen::setNbThreads(1);
    ozm::TMatrix a, b, c;
    FillRandom(a, n, n, 1);
    FillRandom(b, n, n, 2);
    const Eigen::MatrixXd ea = Eigen::Map<const Eigen::MatrixXd>(a.Data(), n, n);
    const Eigen::MatrixXd eb = Eigen::Map<const Eigen::MatrixXd>(b.Data(), n, n);
    Eigen::MatrixXd ec(n, n);
    Interleaved(
        state, [&] { a.Multiply(&b, &c); benchmark::DoNotOptimize(c.Data()); },
        [&] { ec.noalias() = ea * eb; benchmark::DoNotOptimize(ec.data()); });
    state.counters["lib_GFlops"] = 2.0 * n * n * n / (state.counters["lib_ms"] * 1e6);
}
BENCHMARK(BM_MultiplyVsEigen)->Arg(512)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

// Square with one thread is A^T A; Eigen's rankUpdate computes the lower triangle of A^T A.
void BM_SquareOneThreadVsEigenRankUpdate(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Eigen::setNbThreads(1);
    ozm::TMatrix a, c;
    FillRandom(a, n, n, 3);
    const Eigen::MatrixXd ea = Eigen::Map<const Eigen::MatrixXd>(a.Data(), n, n);
    Eigen::MatrixXd ec(n, n);
    Interleaved(
        state, [&] { a.Square(&c, 1.0, 1); benchmark::DoNotOptimize(c.Data()); },
        [&] {
            ec.setZero();
            ec.selfadjointView<Eigen::Lower>().rankUpdate(ea.transpose());
            benchmark::DoNotOptimize(ec.data());
        });
}
BENCHMARK(BM_SquareOneThreadVsEigenRankUpdate)->Arg(1024)->Arg(2048)
    ->Unit(benchmark::kMillisecond)->MinTime(1.0);
#endif

// Two threads against one: the ratio is the two-thread time over the one-thread time (the speed-up
// is its inverse).
void BM_SquareTwoThreadsVsOne(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix a, c1, c2;
    FillRandom(a, n, n, 4);
    Interleaved(
        state, [&] { a.Square(&c2, 1.0, 2); benchmark::DoNotOptimize(c2.Data()); },
        [&] { a.Square(&c1, 1.0, 1); benchmark::DoNotOptimize(c1.Data()); });
    state.counters["speedup"] = 1.0 / state.counters["ratio"];
}
BENCHMARK(BM_SquareTwoThreadsVsOne)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond)
    ->UseRealTime()->MinTime(1.0);

#if defined(OZM_HAVE_LAPACK)
void BM_InvertVsLapack(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix a, inv;
    FillRandom(a, n, n, 5);
    std::vector<double> work(static_cast<size_t>(n) * n), lwork(static_cast<size_t>(n) * 64);
    std::vector<int> ipiv(static_cast<size_t>(n));
    const int lw = static_cast<int>(lwork.size());
    Interleaved(
        state,
        [&] {
            inv.Assign(&a);
            inv.Invert();
            benchmark::DoNotOptimize(inv.Data());
        },
        [&] {
            std::copy(a.Data(), a.Data() + work.size(), work.begin());
            int info = 0;
            dgetrf_(&n, &n, work.data(), &n, ipiv.data(), &info);
            dgetri_(&n, work.data(), &n, ipiv.data(), lwork.data(), &lw, &info);
            benchmark::DoNotOptimize(work.data());
        });
}
BENCHMARK(BM_InvertVsLapack)->Arg(1024)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_DeterminantVsLapack(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ozm::TMatrix a;
    FillRandom(a, n, n, 6);
    std::vector<double> work(static_cast<size_t>(n) * n);
    std::vector<int> ipiv(static_cast<size_t>(n));
    Interleaved(
        state, [&] { benchmark::DoNotOptimize(a.Determinant()); },
        [&] {
            std::copy(a.Data(), a.Data() + work.size(), work.begin());
            int info = 0;
            dgetrf_(&n, &n, work.data(), &n, ipiv.data(), &info);
            benchmark::DoNotOptimize(work.data());
        });
}
BENCHMARK(BM_DeterminantVsLapack)->Arg(1024)->Unit(benchmark::kMillisecond)->MinTime(1.0);
#endif

}  // namespace
