// The TMatrix/TVector forms of the singular value decomposition and the least squares solvers,
// all on the one decomposition of the matrices layer.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "numerics/lsq_internal.hpp"
#include "ozm/math2/lsq.hpp"
#include "ozm/matrix/svd.hpp"

namespace ozm::math2 {

namespace detail {

bool ThinSVD(std::vector<double>& A, int m, int n, std::vector<double>& U, std::vector<double>& W,
             std::vector<double>& V) {
    const bool wide = m < n;
    // A wide matrix goes through its transpose: A^T = U' S V'^T gives A = V' S U'^T.
    std::vector<double> at;
    if (wide) {
        at.resize(A.size());
        for (int c = 0; c < n; ++c)
            for (int r = 0; r < m; ++r)
                at[static_cast<size_t>(r) * n + c] = A[static_cast<size_t>(c) * m + r];
    }
    std::vector<double>& work = wide ? at : A;
    const int rows = wide ? n : m;
    const int cols = wide ? m : n;  // = r
    std::vector<double> w(static_cast<size_t>(cols));
    std::vector<double> v(static_cast<size_t>(cols) * cols);
    if (!matrix::DecomposeSVD(work.data(), rows, cols, w.data(), v.data(), true)) return false;

    std::vector<int> order(static_cast<size_t>(cols));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return w[a] > w[b]; });
    W.resize(static_cast<size_t>(cols));
    std::vector<double> left(static_cast<size_t>(rows) * cols);
    std::vector<double> right(static_cast<size_t>(cols) * cols);
    for (int k = 0; k < cols; ++k) {
        const int src = order[static_cast<size_t>(k)];
        W[static_cast<size_t>(k)] = w[static_cast<size_t>(src)];
        std::memcpy(left.data() + static_cast<size_t>(k) * rows,
                    work.data() + static_cast<size_t>(src) * rows, sizeof(double) * rows);
        std::memcpy(right.data() + static_cast<size_t>(k) * cols,
                    v.data() + static_cast<size_t>(src) * cols, sizeof(double) * cols);
    }
    if (wide) {
        U = std::move(right);  // m x m
        V = std::move(left);   // n x m
    } else {
        U = std::move(left);   // m x n
        V = std::move(right);  // n x n
    }
    return true;
}

void StoreVector(TVector& Vec, std::span<const double> Values) {
    Vec.Resize(Values.empty() ? 1 : static_cast<int>(Values.size()));
    if (Values.empty()) {
        Vec.SetVal(1, 0.0);
        return;
    }
    Vec.CopyFromArray(Values, 1);
}

void StoreMatrix(TMatrix& Mat, int Cols, int Rows, std::span<const double> Cells) {
    Mat.Resize(Cols, Rows);
    if (!Cells.empty()) std::memcpy(Mat.Data(), Cells.data(), sizeof(double) * Cells.size());
    Mat.Changed();
}

std::vector<double> GatherColumns(const TMatrix& Mat, int LowCol, int HighCol, int LowRow,
                                  int HighRow) {
    const int nc = HighCol - LowCol + 1;
    const int nr = HighRow - LowRow + 1;
    if (nc < 1 || nr < 1) return {};
    std::vector<double> cells(static_cast<size_t>(nc) * nr);
    const double* data = Mat.Data();
    const size_t ld = static_cast<size_t>(Mat.NrOfRows());
    for (int c = 0; c < nc; ++c)
        std::memcpy(cells.data() + static_cast<size_t>(c) * nr,
                    data + static_cast<size_t>(LowCol - 1 + c) * ld + (LowRow - 1),
                    sizeof(double) * nr);
    return cells;
}

bool AllFinite(std::span<const double> Values) noexcept {
    // Summing 0 * x propagates NaN for every NaN or infinity and vectorises.
    double probe = 0.0;
    for (double x : Values) probe += 0.0 * x;
    return probe == 0.0;
}

}  // namespace detail

bool DecomposeSVD(TMatrix& A, TMatrix& V, TVector& W) {
    return detail::GuardMemory("DecomposeSVD", [&]() -> bool {
        const int m = A.NrOfRows();
        const int n = A.NrOfColumns();
        if (m < 1 || n < 1) return false;
        if (V.NrOfColumns() != n || V.NrOfRows() != n) V.Resize(n, n);
        std::vector<double> w(static_cast<size_t>(n));
        const bool ok = matrix::DecomposeSVD(A.Data(), m, n, w.data(), V.Data(), true);
        A.Changed();
        V.Changed();
        detail::StoreVector(W, w);
        return ok;
    });
}

bool BackSubstituteSVD(const TMatrix& U, const TMatrix& V, const TVector& W, const TVector& b,
                       TVector& x, TVector* sd) {
    return detail::GuardMemory("BackSubstituteSVD", [&]() -> bool {
        const int m = U.NrOfRows();
        const int n = U.NrOfColumns();
        if (m < 1 || n < 1 || b.NrOfElem() != m || V.NrOfColumns() != n || V.NrOfRows() != n ||
            W.NrOfElem() != n)
            return false;
        const double* u = U.Data();
        const double* v = V.Data();
        const double* w = W.Cells().data();
        const double* bb = b.Cells().data();
        std::vector<double> t(static_cast<size_t>(n), 0.0);
        for (int j = 0; j < n; ++j) {
            if (w[j] == 0.0) continue;
            double s = 0.0;
            const double* uj = u + static_cast<size_t>(j) * m;
            for (int i = 0; i < m; ++i) s += uj[i] * bb[i];
            t[static_cast<size_t>(j)] = s / w[j];
        }
        std::vector<double> xs(static_cast<size_t>(n), 0.0);
        for (int j = 0; j < n; ++j) {
            const double tj = t[static_cast<size_t>(j)];
            const double* vj = v + static_cast<size_t>(j) * n;
            for (int r = 0; r < n; ++r) xs[static_cast<size_t>(r)] += vj[r] * tj;
        }
        detail::StoreVector(x, xs);
        if (sd != nullptr) {
            std::vector<double> var(static_cast<size_t>(n), 0.0);
            for (int j = 0; j < n; ++j) {
                if (w[j] == 0.0) continue;
                const double a = 1.0 / (w[j] * w[j]);
                const double* vj = v + static_cast<size_t>(j) * n;
                for (int r = 0; r < n; ++r) var[static_cast<size_t>(r)] += vj[r] * vj[r] * a;
            }
            for (double& s : var) s = std::sqrt(s);
            detail::StoreVector(*sd, var);
        }
        return true;
    });
}

bool SolveLeastSquaresSVD(TMatrix& A, const TVector& b, TVector& x, bool& NearSingular,
                          TVector& sd) {
    return detail::GuardMemory("SolveLeastSquaresSVD", [&]() -> bool {
        NearSingular = false;
        const int m = A.NrOfRows();
        const int n = A.NrOfColumns();
        if (m < 1 || n < 1 || b.NrOfElem() != m) return false;
        TMatrix V;
        TVector W;
        if (!DecomposeSVD(A, V, W)) return false;
        double wmax = 0.0;
        for (double w : W.Cells()) wmax = std::max(wmax, w);
        const double limit = 1e-14 * wmax;
        for (double& w : W.Cells()) {
            if (w < limit) {
                w = 0.0;
                NearSingular = true;
            }
        }
        return BackSubstituteSVD(A, V, W, b, x, &sd);
    });
}

bool SingValDecomp(const TMatrix& A, TMatrix& U, TVector& W, TMatrix& V) {
    return detail::GuardMemory("SingValDecomp", [&]() -> bool {
        const int m = A.NrOfRows();
        const int n = A.NrOfColumns();
        if (m < 1 || n < 1) return false;
        std::vector<double> a(A.Data(), A.Data() + static_cast<size_t>(m) * n);
        std::vector<double> u, w, v;
        if (!detail::ThinSVD(a, m, n, u, w, v)) return false;
        const int r = std::min(m, n);
        detail::StoreMatrix(U, r, m, u);
        detail::StoreVector(W, w);
        detail::StoreMatrix(V, r, n, v);
        return true;
    });
}

bool SingValEquSolve(const TMatrix& A, const TVector& b, TVector& x, TVector* sd, double RelTol,
                     int& Rank) {
    return detail::GuardMemory("SingValEquSolve", [&]() -> bool {
        const int m = A.NrOfRows();
        const int n = A.NrOfColumns();
        if (m < 1 || n < 1 || b.NrOfElem() != m) return false;
        std::vector<double> a(A.Data(), A.Data() + static_cast<size_t>(m) * n);
        std::vector<double> u, w, v;
        if (!detail::ThinSVD(a, m, n, u, w, v)) return false;
        const int r = std::min(m, n);
        if (RelTol <= 0.0) RelTol = std::max(m, n) * 2.220446049250313e-16;
        const double limit = RelTol * (w.empty() ? 0.0 : w[0]);
        int rank = 0;
        while (rank < r && w[static_cast<size_t>(rank)] > limit) ++rank;
        const double* bb = b.Cells().data();
        std::vector<double> xs(static_cast<size_t>(n), 0.0), var(static_cast<size_t>(n), 0.0);
        for (int j = 0; j < rank; ++j) {
            const double* uj = u.data() + static_cast<size_t>(j) * m;
            double s = 0.0;
            for (int i = 0; i < m; ++i) s += uj[i] * bb[i];
            const double wj = w[static_cast<size_t>(j)];
            const double tj = s / wj;
            const double a2 = 1.0 / (wj * wj);
            const double* vj = v.data() + static_cast<size_t>(j) * n;
            for (int k = 0; k < n; ++k) {
                xs[static_cast<size_t>(k)] += vj[k] * tj;
                var[static_cast<size_t>(k)] += vj[k] * vj[k] * a2;
            }
        }
        Rank = rank;
        detail::StoreVector(x, xs);
        if (sd != nullptr) {
            for (double& s : var) s = std::sqrt(s);
            detail::StoreVector(*sd, var);
        }
        return true;
    });
}

}  // namespace ozm::math2
