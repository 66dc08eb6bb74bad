// TMatrix: inversion, LU and Cholesky decomposition, determinant and balancing.
#include <algorithm>
#include <cmath>

#include "matrices/matrix_kernels.hpp"
#include "matrices/matrix_lu.hpp"
#include "ozm/matrix.hpp"

namespace ozm {

using matrix::detail::CroutDecompose;
using matrix::detail::InverseFromFactors;
using matrix::detail::RowScales;
using matrix::detail::TLUStatus;

bool TMatrix::Invert() {
    if (FNCol != FNRow) return false;
    const int n = FNCol;
    std::vector<double> scale;
    std::vector<int> perm;
    std::vector<double> inverse;
    bool ok = false;
    if (progress::AbortRequested()) {
        // Stopped before the first row: nothing computed.
    } else if (Guarded([&] { return RowScales(FData.data(), n, scale); }) == TLUStatus::Ok) {
        Guarded([&] {
            perm.reserve(static_cast<size_t>(n));
            inverse.resize(CellCount());
        });
        int sign = 1;
        ok = Guarded([&] {
            return CroutDecompose(FData.data(), n, scale, perm, sign, true) == TLUStatus::Ok &&
                   InverseFromFactors(FData.data(), n, perm, inverse.data(), FData.data());
        });
    }
    Changed();
    return ok;
}

bool TMatrix::LUdecomposition(TMatrix* MatL, TMatrix* MatU, int& NumPerm) {
    NumPerm = 1;
    if (FNCol != FNRow || MatL == nullptr || MatU == nullptr || MatL == MatU) return false;
    const int n = FNCol;
    MatU->Clone(this);
    MatL->Resize(n, n);
    MatL->Fill(0.0);
    double* u = MatU->FData.data();
    std::vector<double> scale;
    if (Guarded([&] { return RowScales(u, n, scale); }) != TLUStatus::Ok) return false;
    std::vector<int> perm;
    Guarded([&] { perm.reserve(static_cast<size_t>(n)); });
    const TLUStatus status = Guarded([&] { return CroutDecompose(u, n, scale, perm, NumPerm, false); });
    if (status != TLUStatus::Ok) {
        MatU->Changed();
        return false;
    }
    // Split: multipliers below the diagonal go to L (unit diagonal), U keeps the rest.
    double* l = MatL->FData.data();
    const size_t ld = static_cast<size_t>(n);
    for (int c = 0; c < n; ++c) {
        l[c * ld + c] = 1.0;
        for (int r = c + 1; r < n; ++r) {
            l[c * ld + r] = u[c * ld + r];
            u[c * ld + r] = 0.0;
        }
    }
    MatL->Changed();
    MatU->Changed();
    return true;
}

double TMatrix::Determinant() const {
    if (FNCol != FNRow) return 0.0;
    const int n = FNCol;
    std::vector<double> lu = Guarded([&] { return FData; });
    std::vector<double> scale;
    std::vector<int> perm;
    if (Guarded([&] { return RowScales(lu.data(), n, scale); }) != TLUStatus::Ok) return 0.0;
    Guarded([&] { perm.reserve(static_cast<size_t>(n)); });
    int sign = 1;
    if (Guarded([&] { return CroutDecompose(lu.data(), n, scale, perm, sign, false); }) != TLUStatus::Ok)
        return 0.0;
    double det = sign;
    for (int i = 0; i < n; ++i) det *= lu[static_cast<size_t>(i) * n + i];
    return det;
}

bool TMatrix::CholeskyDecomp(TMatrix* MatL) {
    if (FNCol != FNRow || MatL == nullptr) return false;
    const int n = FNCol;
    const size_t ld = static_cast<size_t>(n);
    std::vector<double> diag = Guarded([&] { return std::vector<double>(ld); });
    double* a = FData.data();
    bool ok = true;
    // a(i, j), j >= i, is read at step (i, j) and then replaced by L(j, i); the factors of row k
    // of L^T (that is L(i, k), L(j, k)) therefore sit in rows k < i of columns i and j.
    for (int i = 0; i < n; ++i) {
        double* ci = a + i * ld;
        for (int j = i; j < n; ++j) {
            double* cj = a + j * ld;
            const double s = cj[i] - matrix::detail::Dot(ci, cj, i);
            if (j == i) {
                if (s > 0.0) {
                    diag[i] = std::sqrt(s);
                } else {
                    diag[i] = 0.0;
                    ok = false;
                }
            } else {
                cj[i] = diag[i] > 0.0 ? s / diag[i] : 0.0;
            }
        }
    }
    std::vector<double> l = Guarded([&] { return std::vector<double>(ld * ld, 0.0); });
    for (int i = 0; i < n; ++i) {
        l[i * ld + i] = diag[i];
        for (int j = i + 1; j < n; ++j) l[i * ld + j] = a[j * ld + i];
    }
    if (l.empty()) l.push_back(0.0);  // the spare cell of a 0 x 0 matrix
    MatL->AdoptStorage(std::move(l), n, n);
    MatL->Changed();
    return ok;
}

bool TMatrix::Balance() {
    if (FNCol != FNRow) return false;
    // Balancing converges quickly on any finite matrix; the cap only guards against matrices
    // whose factors keep growing until they overflow.
    constexpr int kMaxSweeps = 1000;
    constexpr double kSettled = 1.05;
    const int n = FNCol;
    const size_t ld = static_cast<size_t>(n);
    double* a = FData.data();
    for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
        double fmax = 0.0;
        for (int i = 0; i < n; ++i) {
            double* ci = a + i * ld;
            double r = 0.0, c = 0.0;
            for (int j = 0; j < n; ++j) {
                if (j == i) continue;
                r += std::fabs(a[j * ld + i]);
                c += std::fabs(ci[j]);
            }
            // A zero column sum, a zero row sum (the factor would be 0) and non-finite sums
            // leave index i as it is.
            if (c == 0.0 || !(r > 0.0)) continue;
            const double f = std::sqrt(r / c);
            if (!std::isfinite(f) || f == 0.0) continue;
            if (f > fmax) fmax = f;
            for (int j = 0; j < n; ++j) {
                if (j == i) continue;
                a[j * ld + i] /= f;
                ci[j] *= f;
            }
        }
        if (fmax < kSettled) return true;
    }
    return false;
}

}  // namespace ozm
