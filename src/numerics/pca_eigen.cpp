// CalcEigVec (cyclic Jacobi), the per-thread eigen store and CalcPrincComp.
//
// The rotations work in place on the upper triangle of the column-major input, as the classical
// method does. The classical loops for a pair (p, q) run over row p, column p, row q and column
// q; in column-major storage the rows are strided. Row p is the same for a whole run of q, so it
// is gathered into a contiguous buffer once per p (together with column p: the buffer holds the
// elements {j, p} for every j) and scattered back afterwards. What remains strided is row q to
// the right of column q. Every element receives exactly the arithmetic of the textbook loops
// (the updates are element-wise, with no sums whose order could differ), and the off-diagonal
// sum is taken in the same row-by-row order, so results match the classical formulation bit for
// bit.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

#include "numerics/lsq_internal.hpp"
#include "ozm/frame.hpp"
#include "ozm/math2/pca.hpp"

namespace ozm::math2 {

namespace {

constexpr int kMaxEigenSize = 10000;
constexpr int kMaxPasses = 100;

struct TEigenStore {
    int Size = 0;
    bool Present = false;
    std::vector<double> Values;   // n eigenvalues
    std::vector<double> Vectors;  // n x n, column-major: eigenvector k is column k
};

// One store per thread: a computation on one thread never replaces another thread's result.
thread_local TEigenStore gEigen;

// x <- x - s (y + tau x), y <- y + s (x - tau y) over [Begin, End) of two contiguous vectors.
// The kernel is compiled for the baseline instruction set and, on x86-64 with GCC or Clang, for
// AVX2 (without FMA, whose fused rounding would change the results), chosen once from what the
// processor reports. Both give identical results.
#define OZM_ROTATE_BODY                 \
    for (int j = Begin; j < End; ++j) { \
        const double g = x[j];          \
        const double h = y[j];          \
        x[j] = g - s * (h + g * tau);   \
        y[j] = h + s * (g - h * tau);   \
    }

void RotatePairBaseline(double* x, double* y, int Begin, int End, double s, double tau) noexcept {
    OZM_ROTATE_BODY
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define OZM_HAVE_AVX2_KERNEL 1
__attribute__((target("avx2"))) void RotatePairAvx2(double* x, double* y, int Begin, int End,
                                                    double s, double tau) noexcept {
    OZM_ROTATE_BODY
}
#endif
#undef OZM_ROTATE_BODY

using TRotateKernel = void (*)(double*, double*, int, int, double, double) noexcept;

TRotateKernel BestRotateKernel() noexcept {
#if defined(OZM_HAVE_AVX2_KERNEL)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return RotatePairAvx2;
#endif
    return RotatePairBaseline;
}

std::atomic<TRotateKernel> gRotate{nullptr};

inline void RotatePair(double* x, double* y, int Begin, int End, double s, double tau) noexcept {
    TRotateKernel k = gRotate.load(std::memory_order_relaxed);
    if (k == nullptr) {
        k = BestRotateKernel();
        gRotate.store(k, std::memory_order_relaxed);
    }
    k(x, y, Begin, End, s, tau);
}

class TJacobi {
public:
    // A is the column-major n x n matrix whose upper triangle is rotated in place.
    TJacobi(double* A, int n) : a_(A), n_(n) {
        try {
            v_.assign(static_cast<size_t>(n) * n, 0.0);
            d_.assign(static_cast<size_t>(n), 0.0);
            b_.assign(static_cast<size_t>(n), 0.0);
            z_.assign(static_cast<size_t>(n), 0.0);
            row_.assign(static_cast<size_t>(n), 0.0);
        } catch (const std::bad_alloc&) {
            throw EOZMMath2Error("CalcEigVec: not enough memory");
        } catch (const std::length_error&) {
            throw EOZMMath2Error("CalcEigVec: not enough memory");
        }
        for (int c = 0; c < n; ++c) {
            d_[c] = b_[c] = At(c, c);
            v_[static_cast<size_t>(c) * n + c] = 1.0;
        }
    }

    bool Run() {
        const int n = n_;
        for (int pass = 1; pass <= kMaxPasses; ++pass) {
            progress::StepDone();
            double sm = 0.0;
            for (int p = 0; p < n - 1; ++p)
                for (int q = p + 1; q < n; ++q) sm += std::fabs(At(p, q));
            if (sm == 0.0) return true;
            const double tresh = pass < 4 ? 0.2 * sm / (static_cast<double>(n) * n) : 0.0;
            for (int p = 0; p < n - 1; ++p) {
                if (progress::AbortRequested()) return false;
                Gather(p);
                for (int q = p + 1; q < n; ++q) {
                    if (progress::AbortRequested()) {
                        Scatter(p);
                        return false;
                    }
                    progress::StepDone();
                    Visit(pass, p, q, tresh);
                }
                Scatter(p);
            }
            for (int k = 0; k < n; ++k) {
                b_[k] += z_[k];
                d_[k] = b_[k];
                z_[k] = 0.0;
            }
        }
        return false;
    }

    std::vector<double>& Values() noexcept { return d_; }
    std::vector<double>& Vectors() noexcept { return v_; }

private:
    double& At(int r, int c) noexcept { return a_[static_cast<size_t>(c) * n_ + r]; }

    // row_[j] := the element {j, p}: column p above the diagonal, row p to its right.
    void Gather(int p) noexcept {
        for (int j = 0; j < p; ++j) row_[j] = At(j, p);
        for (int j = p + 1; j < n_; ++j) row_[j] = At(p, j);
    }
    void Scatter(int p) noexcept {
        for (int j = 0; j < p; ++j) At(j, p) = row_[j];
        for (int j = p + 1; j < n_; ++j) At(p, j) = row_[j];
    }

    void Visit(int pass, int p, int q, double tresh) noexcept {
        double* rp = row_.data();
        const double apq = rp[q];
        const double g = 200.0 * std::fabs(apq);
        const double dp = std::fabs(d_[p]);
        const double dq = std::fabs(d_[q]);
        if (pass >= 5 && dp + g == dp && dq + g == dq) {
            rp[q] = 0.0;
            return;
        }
        if (!(std::fabs(apq) > tresh)) return;
        double h = d_[q] - d_[p];
        double t;
        if (std::fabs(h) + g == std::fabs(h)) {
            t = apq / h;
        } else {
            const double theta = h / (2.0 * apq);
            t = 1.0 / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
            if (theta < 0.0) t = -t;
        }
        const double c = 1.0 / std::sqrt(t * t + 1.0);
        const double s = t * c;
        const double tau = s / (1.0 + c);
        h = t * apq;
        z_[p] -= h;
        z_[q] += h;
        d_[p] -= h;
        d_[q] += h;
        rp[q] = 0.0;
        // j < p: ({j, p}, {j, q}); p < j < q: ({p, j}, {j, q}); both y in column q.
        double* colq = a_ + static_cast<size_t>(q) * n_;
        RotatePair(rp, colq, 0, p, s, tau);
        RotatePair(rp, colq, p + 1, q, s, tau);
        // j > q: ({p, j}, {q, j}), the second in row q.
        double* rowq = a_ + q;
        const size_t n = static_cast<size_t>(n_);
        for (int j = q + 1; j < n_; ++j) {
            const double gg = rp[j];
            const double hh = rowq[j * n];
            rp[j] = gg - s * (hh + gg * tau);
            rowq[j * n] = hh + s * (gg - hh * tau);
        }
        RotatePair(v_.data() + static_cast<size_t>(p) * n, v_.data() + static_cast<size_t>(q) * n,
                   0, n_, s, tau);
    }

    double* a_;
    int n_;
    std::vector<double> v_;
    std::vector<double> d_;
    std::vector<double> b_;
    std::vector<double> z_;
    std::vector<double> row_;
};

}  // namespace

namespace detail {

int JacobiKernelCount() noexcept {
#if defined(OZM_HAVE_AVX2_KERNEL)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? 2 : 1;
#else
    return 1;
#endif
}

void SetJacobiKernel(int Kernel) noexcept {
    TRotateKernel k = BestRotateKernel();
    if (Kernel == 0) k = RotatePairBaseline;
#if defined(OZM_HAVE_AVX2_KERNEL)
    if (Kernel == 1 && JacobiKernelCount() > 1) k = RotatePairAvx2;
#endif
    gRotate.store(k, std::memory_order_relaxed);
}

}  // namespace detail

bool CalcEigVec(TMatrix& Mat) {
    const int n = Mat.NrOfColumns();
    if (n > kMaxEigenSize || Mat.NrOfRows() != n) return false;
    TJacobi jacobi(Mat.Data(), n);
    AbortMathProc.store(false);
    const bool ok = jacobi.Run();
    Mat.Changed();
    gEigen.Size = n;
    gEigen.Present = true;
    gEigen.Values = std::move(jacobi.Values());
    gEigen.Vectors = std::move(jacobi.Vectors());
    return ok;
}

double GetEigenResult(int k, int j) noexcept {
    const int n = gEigen.Size;
    if (!gEigen.Present || k < 1 || k > n || j < 0 || j > n) return 0.0;
    if (j == 0) return gEigen.Values[static_cast<size_t>(k - 1)];
    return gEigen.Vectors[static_cast<size_t>(k - 1) * n + static_cast<size_t>(j - 1)];
}

int GetEigenSize() noexcept { return gEigen.Size; }

void RemoveEigenMatrix() noexcept {
    gEigen.Present = false;
    std::vector<double>().swap(gEigen.Values);
    std::vector<double>().swap(gEigen.Vectors);
}

bool CalcPrincComp(const TMatrix& DataMat, int LowCol, int HighCol, int LowRow, int HighRow,
                   int Mode, bool Normalise) {
    DataMat.MakeValidColRange(LowCol, HighCol);
    const int p = HighCol - LowCol + 1;
    if (p < 1) return false;
    TMatrix covar;
    covar.Resize(p, p);
    if (!CalcCovar(DataMat, covar, LowCol, HighCol, LowRow, HighRow, Mode)) return false;
    if (!CalcEigVec(covar)) return false;

    std::vector<double>& val = gEigen.Values;
    std::vector<double>& vec = gEigen.Vectors;
    const size_t n = static_cast<size_t>(gEigen.Size);
    if (Normalise) {
        double total = 0.0;
        for (double x : val) total += std::fabs(x);
        if (total != 0.0)
            for (double& x : val) x /= total;
    }
    // Selection by the largest value above 0; values <= 0 never move.
    for (size_t i = 0; i < n; ++i) {
        double best = 0.0;
        size_t at = n;
        for (size_t j = i; j < n; ++j) {
            if (val[j] > best) {
                best = val[j];
                at = j;
            }
        }
        if (at == n || at == i) continue;
        std::swap(val[i], val[at]);
        std::swap_ranges(vec.begin() + static_cast<ptrdiff_t>(i * n),
                         vec.begin() + static_cast<ptrdiff_t>((i + 1) * n),
                         vec.begin() + static_cast<ptrdiff_t>(at * n));
    }
    return true;
}

bool CalcPrincComp(const TMatrix& DataMat, int LowCol, int HighCol, int LowRow, int HighRow,
                   int Mode) {
    return CalcPrincComp(DataMat, LowCol, HighCol, LowRow, HighRow, Mode, true);
}

}  // namespace ozm::math2
