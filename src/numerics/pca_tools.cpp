// PseudoInverse, MahalanobisDistance, CalcRanks and CalcFishQ.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "matrices/matrix_gemm.hpp"
#include "numerics/lsq_internal.hpp"
#include "ozm/math2/pca.hpp"
#include "ozm/matrix/svd.hpp"

namespace ozm::math2 {

bool PseudoInverse(const TMatrix& InMat, TMatrix& OutMat, double Threshold) {
    return detail::GuardMemory("PseudoInverse", [&]() -> bool {
        const int m = InMat.NrOfRows();
        const int n = InMat.NrOfColumns();
        if (m < 1 || n < 1) return false;
        std::vector<double> u(InMat.Data(), InMat.Data() + static_cast<size_t>(m) * n);
        std::vector<double> v(static_cast<size_t>(n) * n), w(static_cast<size_t>(n));
        const bool ok = matrix::DecomposeSVD(u.data(), m, n, w.data(), v.data(), true);
        std::vector<double> p(static_cast<size_t>(n) * m, 0.0);
        if (ok) {
            if (Threshold == 0.0) {
                const double wmax = *std::max_element(w.begin(), w.end());
                Threshold = std::max(m, n) * wmax * 1.2e-16;
            }
            // A zero singular value is dropped whatever the threshold: its reciprocal is no number.
            const double limit = std::max(Threshold, 0.0);
            for (int j = 0; j < n; ++j) {
                double* vj = v.data() + static_cast<size_t>(j) * n;
                const double wj = w[static_cast<size_t>(j)];
                const double f = std::fabs(wj) <= limit ? 0.0 : 1.0 / wj;
                for (int r = 0; r < n; ++r) vj[r] *= f;
            }
            // P (n x m) = V diag(1/w) U^T.
            const matrix::detail::TOperand a{v.data(), 1, n};
            const matrix::detail::TOperand b{u.data(), m, 1};
            matrix::detail::GemmAccumulate(n, m, n, a, b, p.data(), n);
        }
        detail::StoreMatrix(OutMat, m, n, p);
        return ok;
    });
}

double MahalanobisDistance(const TVector& x, const TVector& y, const TMatrix& InvCovar) {
    return detail::GuardMemory("MahalanobisDistance", [&]() -> double {
        const int n = x.NrOfElem();
        if (y.NrOfElem() != n)
            throw EOZMVectorError("MahalanobisDistance: dimensions of vectors do not match");
        if (InvCovar.NrOfColumns() != InvCovar.NrOfRows())
            throw EOZMVectorError(
                "MahalanobisDistance: inverse covariance matrix is not quadratric");
        if (InvCovar.NrOfColumns() != n)
            throw EOZMVectorError(
                "MahalanobisDistance: dimension of vectors and inverse covariance matrix do not "
                "match");
        std::vector<double> d(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            d[static_cast<size_t>(i)] =
                x.Cells()[static_cast<size_t>(i)] - y.Cells()[static_cast<size_t>(i)];
        const double* s = InvCovar.Data();
        double q = 0.0;
        for (int i = 0; i < n; ++i) {
            double row = 0.0;
            for (int j = 0; j < n; ++j)
                row += s[static_cast<size_t>(j) * n + static_cast<size_t>(i)] *
                       d[static_cast<size_t>(j)];
            q += row * d[static_cast<size_t>(i)];
        }
        if (q < 0.0)
            throw EOZMVectorError(
                "MahalanobisDistance: the inverse covariance matrix must be symmetric and positive "
                "definite");
        return std::sqrt(q);
    });
}

double CalcRanks(const TVector& DataVec, TVector& RankVec) {
    return detail::GuardMemory("CalcRanks", [&]() -> double {
        const std::span<const double> x = DataVec.Cells();
        const size_t n = x.size();
        std::vector<size_t> order(n);
        std::iota(order.begin(), order.end(), size_t{0});
        // NaN after every number; NaNs are equal among themselves.
        auto less = [&](size_t a, size_t b) {
            const bool na = std::isnan(x[a]), nb = std::isnan(x[b]);
            if (na || nb) return !na && nb;
            return x[a] < x[b];
        };
        auto same = [&](size_t a, size_t b) {
            return (std::isnan(x[a]) && std::isnan(x[b])) || x[a] == x[b];
        };
        std::stable_sort(order.begin(), order.end(), less);
        std::vector<double> rank(n);
        double ties = 0.0;
        for (size_t i = 0; i < n;) {
            size_t e = i + 1;
            while (e < n && same(order[i], order[e])) ++e;
            const double mean = 0.5 * static_cast<double>(i + 1 + e);  // mean of ranks i+1..e
            for (size_t k = i; k < e; ++k) rank[order[k]] = mean;
            const double t = static_cast<double>(e - i);
            if (e - i >= 2) ties += t * t * t - t;
            i = e;
        }
        detail::StoreVector(RankVec, rank);
        return ties;
    });
}

double CalcFishQ(double mean1, double mean2, double sd1, double sd2) noexcept {
    double den = sd1 * sd1 + sd2 * sd2;
    if (den < 1e-6) den = 1e-6;
    const double diff = mean1 - mean2;
    return diff * diff / den;
}

}  // namespace ozm::math2
