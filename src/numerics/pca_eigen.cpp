// CalcEigVec (cyclic Jacobi), the per-thread eigen store and CalcPrincComp.
//
// The rotations run on a full symmetric copy of the upper triangle, column-major, so that the
// elements a rotation of (p, q) touches, {j, p} and {j, q} for every j, are the contiguous
// columns p and q: they are rotated as two vectors and then mirrored into rows p and q. Every
// element receives exactly the arithmetic of the textbook loops over the upper triangle (the
// updates are element-wise, with no sums whose order could differ), and the off-diagonal sum is
// taken in the same row-by-row order, so results match the classical formulation bit for bit.
#include <cmath>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

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

// x <- x - s (y + tau x), y <- y + s (x - tau y) over [Begin, End) of two columns.
inline void RotatePair(double* x, double* y, int Begin, int End, double s, double tau) noexcept {
    for (int j = Begin; j < End; ++j) {
        const double g = x[j];
        const double h = y[j];
        x[j] = g - s * (h + g * tau);
        y[j] = h + s * (g - h * tau);
    }
}

class TJacobi {
public:
    explicit TJacobi(int n) : n_(n) {
        try {
            a_.assign(static_cast<size_t>(n) * n, 0.0);
            v_.assign(static_cast<size_t>(n) * n, 0.0);
            d_.assign(static_cast<size_t>(n), 0.0);
            b_.assign(static_cast<size_t>(n), 0.0);
            z_.assign(static_cast<size_t>(n), 0.0);
        } catch (const std::bad_alloc&) {
            throw EOZMMath2Error("CalcEigVec: not enough memory");
        } catch (const std::length_error&) {
            throw EOZMMath2Error("CalcEigVec: not enough memory");
        }
    }

    // Loads the upper triangle and diagonal of the column-major matrix M (n x n).
    void Load(const double* M) noexcept {
        const size_t n = static_cast<size_t>(n_);
        for (size_t c = 0; c < n; ++c) {
            for (size_t r = 0; r < c; ++r) {
                a_[c * n + r] = M[c * n + r];
                a_[r * n + c] = M[c * n + r];
            }
            a_[c * n + c] = M[c * n + c];
            d_[c] = b_[c] = M[c * n + c];
            v_[c * n + c] = 1.0;
        }
    }

    // Writes the rotated upper triangle back (the diagonal and lower triangle stay untouched).
    void StoreUpper(double* M) const noexcept {
        const size_t n = static_cast<size_t>(n_);
        for (size_t c = 0; c < n; ++c)
            for (size_t r = 0; r < c; ++r) M[c * n + r] = a_[c * n + r];
    }

    bool Run() {
        const int n = n_;
        for (int pass = 1; pass <= kMaxPasses; ++pass) {
            progress::StepDone();
            double sm = 0.0;
            for (int p = 0; p < n - 1; ++p) {
                const double* col = Col(p);
                for (int q = p + 1; q < n; ++q) sm += std::fabs(col[q]);
            }
            if (sm == 0.0) return true;
            const double tresh = pass < 4 ? 0.2 * sm / (static_cast<double>(n) * n) : 0.0;
            for (int p = 0; p < n - 1; ++p) {
                if (progress::AbortRequested()) return false;
                for (int q = p + 1; q < n; ++q) {
                    if (progress::AbortRequested()) return false;
                    progress::StepDone();
                    Visit(pass, p, q, tresh);
                }
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
    double* Col(int c) noexcept { return a_.data() + static_cast<size_t>(c) * n_; }

    void Visit(int pass, int p, int q, double tresh) noexcept {
        double* colp = Col(p);
        double* colq = Col(q);
        const double apq = colq[p];
        const double g = 200.0 * std::fabs(apq);
        const double dp = std::fabs(d_[p]);
        const double dq = std::fabs(d_[q]);
        if (pass >= 5 && dp + g == dp && dq + g == dq) {
            colq[p] = colp[q] = 0.0;
            return;
        }
        if (!(std::fabs(apq) > tresh)) return;
        double h = d_[q] - d_[p];
        double t;
        if (std::fabs(h) + g == std::fabs(h)) {
            t = apq / h;
        } else {
            const double theta = h / (2.0 * apq);
            t = 1.0 / (std::fabs(theta) + std::sqrt(1.0 + theta * theta));
            if (theta < 0.0) t = -t;
        }
        const double c = 1.0 / std::sqrt(1.0 + t * t);
        const double s = t * c;
        const double tau = s / (1.0 + c);
        h = t * apq;
        z_[p] -= h;
        z_[q] += h;
        d_[p] -= h;
        d_[q] += h;
        colq[p] = colp[q] = 0.0;
        // Columns p and q hold the elements {j, p} and {j, q}; rotate them, then mirror.
        RotatePair(colp, colq, 0, p, s, tau);
        RotatePair(colp, colq, p + 1, q, s, tau);
        RotatePair(colp, colq, q + 1, n_, s, tau);
        const size_t n = static_cast<size_t>(n_);
        double* rowp = a_.data() + p;
        double* rowq = a_.data() + q;
        for (int j = 0; j < n_; ++j) {
            rowp[j * n] = colp[j];
            rowq[j * n] = colq[j];
        }
        RotatePair(v_.data() + static_cast<size_t>(p) * n, v_.data() + static_cast<size_t>(q) * n,
                   0, n_, s, tau);
    }

    int n_;
    std::vector<double> a_;
    std::vector<double> v_;
    std::vector<double> d_;
    std::vector<double> b_;
    std::vector<double> z_;
};

}  // namespace

bool CalcEigVec(TMatrix& Mat) {
    const int n = Mat.NrOfColumns();
    if (n > kMaxEigenSize || Mat.NrOfRows() != n) return false;
    TJacobi jacobi(n);
    jacobi.Load(Mat.Data());
    AbortMathProc.store(false);
    const bool ok = jacobi.Run();
    jacobi.StoreUpper(Mat.Data());
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
