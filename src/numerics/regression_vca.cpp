// VertexCompAnalysis after J. M. P. Nascimento and J. M. Bioucas-Dias, "Vertex component
// analysis: a fast algorithm to unmix hyperspectral data", IEEE Trans. Geoscience and Remote
// Sensing 43 (2005) 898-910, including their signal-to-noise estimate and choice of projection.
#include <algorithm>
#include <cmath>
#include <vector>

#include "matrices/matrix_gemm.hpp"
#include "numerics/lsq_internal.hpp"
#include "ozm/math1/scalar.hpp"
#include "ozm/math2/regression.hpp"

namespace ozm::math2 {

namespace {

// The Count leading eigenvectors (L x Count, column-major) of the L x L second-moment matrix
// R R^T / N of the bands x pixels data R.
bool LeadingSubspace(const std::vector<double>& R, int L, int N, int Count,
                     std::vector<double>& Basis) {
    std::vector<double> c(static_cast<size_t>(L) * L, 0.0);
    const matrix::detail::TOperand a{R.data(), 1, L};  // R (L x N)
    const matrix::detail::TOperand b{R.data(), L, 1};  // R^T (N x L)
    matrix::detail::GemmAccumulate(L, L, N, a, b, c.data(), L);
    for (double& x : c) x /= N;
    std::vector<double> u, w, v;
    if (!detail::ThinSVD(c, L, L, u, w, v)) return false;
    Basis.assign(u.begin(), u.begin() + static_cast<ptrdiff_t>(L) * Count);
    return true;
}

// Coordinates (Count x N) of the columns of R in the orthonormal Basis (L x Count).
std::vector<double> Project(const std::vector<double>& Basis, const std::vector<double>& R, int L,
                            int N, int Count) {
    std::vector<double> x(static_cast<size_t>(Count) * N, 0.0);
    const matrix::detail::TOperand a{Basis.data(), L, 1};  // Basis^T (Count x L)
    const matrix::detail::TOperand b{R.data(), 1, L};      // R (L x N)
    matrix::detail::GemmAccumulate(Count, N, L, a, b, x.data(), Count);
    return x;
}

}  // namespace

bool VertexCompAnalysis(const TMatrix& Data, int NumEndmembers, TIntArray& Indices,
                        TMatrix& Signatures, double SNR) {
    return detail::GuardMemory("VertexCompAnalysis", [&]() -> bool {
        const int N = Data.NrOfRows();     // pixels
        const int L = Data.NrOfColumns();  // bands
        const int p = NumEndmembers;
        if (p < 1 || p > L || p > N) return false;
        const size_t LL = static_cast<size_t>(L);
        // R: bands x pixels, column-major (one pixel per column).
        std::vector<double> R(LL * N);
        for (int b = 0; b < L; ++b)
            for (int i = 0; i < N; ++i)
                R[static_cast<size_t>(i) * LL + b] = Data.Data()[static_cast<size_t>(b) * N + i];
        if (!detail::AllFinite(R)) return false;

        std::vector<double> rm(LL, 0.0);
        for (int i = 0; i < N; ++i)
            for (size_t b = 0; b < LL; ++b) rm[b] += R[static_cast<size_t>(i) * LL + b];
        for (double& x : rm) x /= N;
        std::vector<double> Ro(R);
        for (int i = 0; i < N; ++i)
            for (size_t b = 0; b < LL; ++b) Ro[static_cast<size_t>(i) * LL + b] -= rm[b];

        std::vector<double> basis;
        if (!LeadingSubspace(Ro, L, N, p, basis)) return false;
        std::vector<double> xp = Project(basis, Ro, L, N, p);
        if (std::isnan(SNR)) {
            double py = 0.0, px = 0.0, rr = 0.0;
            for (double x : R) py += x * x;
            for (double x : xp) px += x * x;
            for (double x : rm) rr += x * x;
            py /= N;
            px = px / N + rr;
            SNR = 10.0 * std::log10((px - static_cast<double>(p) / L * py) / (py - px));
        }
        const double threshold = 15.0 + 10.0 * std::log10(static_cast<double>(p));

        // y (p x N): the data in the coordinates of the simplex search; rp (L x N): the data
        // projected on the signal subspace, from which the signatures are taken.
        std::vector<double> y(static_cast<size_t>(p) * N), rp(LL * N, 0.0);
        // A noise-free signal gives SNR = +inf (or NaN from 0/0): both take the projective branch.
        const bool projective = p == 1 || !(SNR < threshold);
        if (!projective) {
            const int d = p - 1;
            double c = 0.0;
            for (int i = 0; i < N; ++i) {
                double s = 0.0;
                for (int k = 0; k < d; ++k) {
                    const double v = xp[static_cast<size_t>(i) * p + k];
                    s += v * v;
                }
                c = std::max(c, s);
            }
            c = std::sqrt(c);
            for (int i = 0; i < N; ++i) {
                for (int k = 0; k < d; ++k)
                    y[static_cast<size_t>(i) * p + k] = xp[static_cast<size_t>(i) * p + k];
                y[static_cast<size_t>(i) * p + d] = c;
                double* out = rp.data() + static_cast<size_t>(i) * LL;
                for (size_t b = 0; b < LL; ++b) {
                    double s = rm[b];
                    for (int k = 0; k < d; ++k)
                        s += basis[static_cast<size_t>(k) * LL + b] *
                             xp[static_cast<size_t>(i) * p + k];
                    out[b] = s;
                }
            }
        } else {
            if (!LeadingSubspace(R, L, N, p, basis)) return false;
            std::vector<double> xr = Project(basis, R, L, N, p);
            std::vector<double> u(static_cast<size_t>(p), 0.0);
            for (int i = 0; i < N; ++i)
                for (int k = 0; k < p; ++k)
                    u[static_cast<size_t>(k)] += xr[static_cast<size_t>(i) * p + k];
            for (double& x : u) x /= N;
            for (int i = 0; i < N; ++i) {
                const double* xi = xr.data() + static_cast<size_t>(i) * p;
                double den = 0.0;
                for (int k = 0; k < p; ++k) den += u[static_cast<size_t>(k)] * xi[k];
                // A pixel on the wrong side of the origin's hyperplane has no place on the simplex:
                // it is kept at the origin, where no direction selects it.
                const double f = den > 0.0 ? 1.0 / den : 0.0;
                for (int k = 0; k < p; ++k) y[static_cast<size_t>(i) * p + k] = xi[k] * f;
                double* out = rp.data() + static_cast<size_t>(i) * LL;
                for (size_t b = 0; b < LL; ++b) {
                    double s = 0.0;
                    for (int k = 0; k < p; ++k) s += basis[static_cast<size_t>(k) * LL + b] * xi[k];
                    out[b] = s;
                }
            }
        }

        // Vertex search. The orthonormal basis Q spans the vertices found so far (at the start the
        // last axis, as in the authors' initialisation); f = (I - Q Q^T) w for a Gaussian w.
        std::vector<double> Qb;
        std::vector<double> e(static_cast<size_t>(p), 0.0);
        e[static_cast<size_t>(p) - 1] = 1.0;
        Qb = e;
        int qcount = 1;
        TIntArray idx;
        std::vector<double> f(static_cast<size_t>(p));
        for (int step = 0; step < p; ++step) {
            double fn = 0.0;
            for (int attempt = 0; attempt < 100 && !(fn > 0.0); ++attempt) {
                for (double& x : f) x = math1::GRandom();
                for (int pass = 0; pass < 2; ++pass)  // twice: orthogonal to working accuracy
                    for (int b = 0; b < qcount; ++b) {
                        const double* qb = Qb.data() + static_cast<size_t>(b) * p;
                        double c = 0.0;
                        for (int k = 0; k < p; ++k) c += qb[k] * f[static_cast<size_t>(k)];
                        for (int k = 0; k < p; ++k) f[static_cast<size_t>(k)] -= c * qb[k];
                    }
                fn = 0.0;
                for (double x : f) fn += x * x;
                fn = std::sqrt(fn);
            }
            if (!(fn > 0.0)) return false;
            int best = 0;
            double bestv = -1.0;
            for (int i = 0; i < N; ++i) {
                const double* yi = y.data() + static_cast<size_t>(i) * p;
                double v = 0.0;
                for (int k = 0; k < p; ++k) v += f[static_cast<size_t>(k)] * yi[k];
                v = std::fabs(v);
                if (v > bestv) {
                    bestv = v;
                    best = i;
                }
            }
            idx.push_back(best + 1);
            // The basis becomes the orthonormalised vertices found (the initial axis is replaced).
            if (step == 0) {
                qcount = 0;
                Qb.clear();
            }
            std::vector<double> nv(y.begin() + static_cast<ptrdiff_t>(best) * p,
                                   y.begin() + static_cast<ptrdiff_t>(best + 1) * p);
            for (int pass = 0; pass < 2; ++pass)
                for (int b = 0; b < qcount; ++b) {
                    const double* qb = Qb.data() + static_cast<size_t>(b) * p;
                    double c = 0.0;
                    for (int k = 0; k < p; ++k) c += qb[k] * nv[static_cast<size_t>(k)];
                    for (int k = 0; k < p; ++k) nv[static_cast<size_t>(k)] -= c * qb[k];
                }
            double nn = 0.0;
            for (double x : nv) nn += x * x;
            nn = std::sqrt(nn);
            if (nn > 0.0) {
                for (double& x : nv) x /= nn;
                Qb.insert(Qb.end(), nv.begin(), nv.end());
                ++qcount;
            }
        }

        std::vector<double> sig(static_cast<size_t>(p) * LL);
        for (int k = 0; k < p; ++k) {
            const double* src =
                rp.data() + static_cast<size_t>(idx[static_cast<size_t>(k)] - 1) * LL;
            for (size_t b = 0; b < LL; ++b) sig[b * p + static_cast<size_t>(k)] = src[b];
        }
        Indices = std::move(idx);
        detail::StoreMatrix(Signatures, L, p, sig);
        return true;
    });
}

}  // namespace ozm::math2
