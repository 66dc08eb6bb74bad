// Golub-Reinsch singular value decomposition on a column-major buffer. The classic formulation
// walks rows and columns alike; here every row operation is recast as a sequence of column
// operations (a work vector collects the row dot products), so the inner loops run over
// contiguous memory.
#include "ozm/matrix/svd.hpp"

#include <cmath>
#include <cstddef>
#include <vector>

#include "matrices/matrix_kernels.hpp"
#include "ozm/frame.hpp"

namespace ozm::matrix {

namespace {

// Magnitude of a with the sign of b, a non-negative b counting as positive.
inline double SignOf(double a, double b) noexcept { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }

inline double Hypot(double a, double b) noexcept { return std::sqrt(a * a + b * b); }

// One major step of the progress protocol; false when the caller asked to stop.
inline bool Step() {
    progress::StepDone();
    return !progress::AbortRequested();
}

class Decomposition {
public:
    Decomposition(double* A, int m, int n, double* W, double* V, bool withVectors)
        : a_(A), v_(V), w_(W), m_(m), n_(n), vectors_(withVectors),
          rv1_(static_cast<size_t>(n)), work_(static_cast<size_t>(m > n ? m : n)) {}

    bool Run() {
        if (!Bidiagonalise()) return false;
        if (vectors_) {
            if (!AccumulateRight()) return false;
            if (!AccumulateLeft()) return false;
        }
        return Diagonalise();
    }

private:
    double& A(int r, int c) noexcept { return a_[static_cast<size_t>(c) * m_ + r]; }
    double* ACol(int c) noexcept { return a_ + static_cast<size_t>(c) * m_; }
    double& V(int r, int c) noexcept { return v_[static_cast<size_t>(c) * n_ + r]; }
    double* VCol(int c) noexcept { return v_ + static_cast<size_t>(c) * n_; }

    bool Bidiagonalise() {
        double g = 0.0, scale = 0.0;
        anorm_ = 0.0;
        for (int i = 0; i < n_; ++i) {
            if (!Step()) return false;
            const int l = i + 1;
            rv1_[i] = scale * g;
            g = scale = 0.0;
            if (i < m_) {
                // Left Householder transformation: annihilates column i below the diagonal.
                double* ci = ACol(i) + i;
                const ptrdiff_t len = m_ - i;
                for (ptrdiff_t k = 0; k < len; ++k) scale += std::fabs(ci[k]);
                if (scale != 0.0) {
                    double s = 0.0;
                    for (ptrdiff_t k = 0; k < len; ++k) {
                        ci[k] /= scale;
                        s += ci[k] * ci[k];
                    }
                    const double f = ci[0];
                    g = -SignOf(std::sqrt(s), f);
                    const double h = f * g - s;
                    ci[0] = f - g;
                    for (int j = l; j < n_; ++j) {
                        double* cj = ACol(j) + i;
                        const double sj = detail::Dot(ci, cj, len);
                        detail::Axpy(sj / h, ci, cj, len);
                    }
                    detail::Scale(scale, ci, len);
                }
            }
            w_[i] = scale * g;
            g = scale = 0.0;
            if (i < m_ && i != n_ - 1) {
                // Right Householder transformation: annihilates row i right of the superdiagonal.
                for (int k = l; k < n_; ++k) scale += std::fabs(A(i, k));
                if (scale != 0.0) {
                    double s = 0.0;
                    for (int k = l; k < n_; ++k) {
                        A(i, k) /= scale;
                        s += A(i, k) * A(i, k);
                    }
                    const double f = A(i, l);
                    g = -SignOf(std::sqrt(s), f);
                    const double h = f * g - s;
                    A(i, l) = f - g;
                    for (int k = l; k < n_; ++k) rv1_[k] = A(i, k) / h;
                    // Rows l..m-1: s_j = sum_k A(j, k) A(i, k), then A(j, k) += s_j rv1(k).
                    const ptrdiff_t rows = m_ - l;
                    if (rows > 0) {
                        double* sj = work_.data();
                        for (ptrdiff_t j = 0; j < rows; ++j) sj[j] = 0.0;
                        for (int k = l; k < n_; ++k) detail::Axpy(A(i, k), ACol(k) + l, sj, rows);
                        for (int k = l; k < n_; ++k) detail::Axpy(rv1_[k], sj, ACol(k) + l, rows);
                    }
                    for (int k = l; k < n_; ++k) A(i, k) *= scale;
                }
            }
            const double size = std::fabs(w_[i]) + std::fabs(rv1_[i]);
            if (size > anorm_) anorm_ = size;
        }
        lastG_ = g;
        return true;
    }

    bool AccumulateRight() {
        double g = lastG_;
        int l = n_;
        for (int i = n_ - 1; i >= 0; --i) {
            if (!Step()) return false;
            if (i < n_ - 1) {
                if (g != 0.0) {
                    // The double division avoids a possible underflow.
                    const double ail = A(i, l);
                    double* vi = VCol(i);
                    for (int j = l; j < n_; ++j) vi[j] = (A(i, j) / ail) / g;
                    double* row = work_.data();
                    for (int k = l; k < n_; ++k) row[k - l] = A(i, k);
                    const ptrdiff_t len = n_ - l;
                    for (int j = l; j < n_; ++j) {
                        double* vj = VCol(j) + l;
                        const double s = detail::Dot(row, vj, len);
                        detail::Axpy(s, vi + l, vj, len);
                    }
                }
                for (int j = l; j < n_; ++j) V(i, j) = V(j, i) = 0.0;
            }
            V(i, i) = 1.0;
            g = rv1_[i];
            l = i;
        }
        return true;
    }

    bool AccumulateLeft() {
        for (int i = (m_ < n_ ? m_ : n_) - 1; i >= 0; --i) {
            if (!Step()) return false;
            const int l = i + 1;
            double g = w_[i];
            for (int j = l; j < n_; ++j) A(i, j) = 0.0;
            double* ci = ACol(i);
            if (g != 0.0) {
                g = 1.0 / g;
                for (int j = l; j < n_; ++j) {
                    double* cj = ACol(j);
                    const double s = detail::Dot(ci + l, cj + l, m_ - l);
                    const double f = (s / ci[i]) * g;
                    detail::Axpy(f, ci + i, cj + i, m_ - i);
                }
                detail::Scale(g, ci + i, m_ - i);
            } else {
                for (int j = i; j < m_; ++j) ci[j] = 0.0;
            }
            ci[i] += 1.0;
        }
        return true;
    }

    bool Diagonalise() {
        bool converged = true;
        for (int k = n_ - 1; k >= 0; --k) {
            if (!Step()) return false;
            // At most 30 sweeps; the split test after the 30th decides whether it converged.
            for (int its = 1;; ++its) {
                // Find the split: a negligible superdiagonal element rv1(l), or a negligible
                // diagonal element w(l - 1) that allows cancelling rv1(l). rv1(0) is always 0;
                // l = 0 ends the search even when anorm is NaN.
                bool cancel = true;
                int l = k;
                for (; l >= 0; --l) {
                    if (l == 0 || std::fabs(rv1_[l]) + anorm_ == anorm_) {
                        cancel = false;
                        break;
                    }
                    if (std::fabs(w_[l - 1]) + anorm_ == anorm_) break;
                }
                if (cancel) CancelSuperdiagonal(l, k);
                const double z = w_[k];
                if (l == k) {
                    if (z < 0.0) {
                        w_[k] = -z;
                        if (vectors_) detail::Scale(-1.0, VCol(k), n_);
                    }
                    break;
                }
                if (its > 30) {
                    converged = false;
                    break;
                }
                ShiftedSweep(l, k);
            }
        }
        return converged;
    }

    // Cancels rv1(l) by rotations against w(l - 1), when w(l - 1) is negligible.
    void CancelSuperdiagonal(int l, int k) {
        const int nm = l - 1;
        double c = 0.0, s = 1.0;
        for (int i = l; i <= k; ++i) {
            const double f = s * rv1_[i];
            rv1_[i] = c * rv1_[i];
            if (std::fabs(f) + anorm_ == anorm_) break;
            const double g = w_[i];
            double h = Hypot(f, g);
            w_[i] = h;
            h = 1.0 / h;
            c = g * h;
            s = -f * h;
            if (vectors_) detail::Rotate(ACol(nm), ACol(i), m_, c, s);
        }
    }

    // One implicit-shift QR sweep over the unreduced block l..k; the shift comes from the
    // trailing 2 x 2 minor.
    void ShiftedSweep(int l, int k) {
        double x = w_[l];
        const int nm = k - 1;
        double y = w_[nm];
        double g = rv1_[nm];
        double h = rv1_[k];
        double z = w_[k];
        double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
        g = Hypot(f, 1.0);
        f = ((x - z) * (x + z) + h * ((y / (f + SignOf(g, f))) - h)) / x;
        double c = 1.0, s = 1.0;
        for (int j = l; j <= nm; ++j) {
            const int i = j + 1;
            g = rv1_[i];
            y = w_[i];
            h = s * g;
            g = c * g;
            z = Hypot(f, h);
            rv1_[j] = z;
            c = f / z;
            s = h / z;
            f = x * c + g * s;
            g = g * c - x * s;
            h = y * s;
            y *= c;
            if (vectors_) detail::Rotate(VCol(j), VCol(i), n_, c, s);
            z = Hypot(f, h);
            w_[j] = z;
            if (z != 0.0) {
                z = 1.0 / z;
                c = f * z;
                s = h * z;
            }
            f = c * g + s * y;
            x = c * y - s * g;
            if (vectors_) detail::Rotate(ACol(j), ACol(i), m_, c, s);
        }
        rv1_[l] = 0.0;
        rv1_[k] = f;
        w_[k] = x;
    }

    double* a_;
    double* v_;
    double* w_;
    int m_;
    int n_;
    bool vectors_;
    double anorm_ = 0.0;
    double lastG_ = 0.0;
    std::vector<double> rv1_;
    std::vector<double> work_;
};

}  // namespace

bool DecomposeSVD(double* A, int m, int n, double* W, double* V, bool WithVectors) {
    if (m < 1 || n < 1) return true;
    Decomposition svd(A, m, n, W, V, WithVectors && V != nullptr);
    return svd.Run();
}

}  // namespace ozm::matrix
