// SimPLS: de Jong's SIMPLS (Chemometrics and Intelligent Laboratory Systems 18, 1993, 251-263).
// Each component maximises the covariance of X-scores and Y-scores under orthogonality of the
// X-scores, found as the leading singular pair of the cross-covariance S = X0^T Y0 deflated by
// the orthonormalised X-loadings found so far.
#include <algorithm>
#include <cmath>
#include <vector>

#include "numerics/lsq_internal.hpp"
#include "ozm/math2/regression.hpp"

namespace ozm::math2 {

namespace {

// Column-major cells of Mat centred column by column; the means go to Mean.
std::vector<double> Centred(const TMatrix& Mat, std::vector<double>& Mean) {
    const int n = Mat.NrOfRows();
    const int c = Mat.NrOfColumns();
    std::vector<double> a(Mat.Data(), Mat.Data() + static_cast<size_t>(n) * c);
    Mean.assign(static_cast<size_t>(c), 0.0);
    for (int j = 0; j < c; ++j) {
        double* col = a.data() + static_cast<size_t>(j) * n;
        double s = 0.0;
        for (int i = 0; i < n; ++i) s += col[i];
        const double mu = s / n;
        for (int i = 0; i < n; ++i) col[i] -= mu;
        Mean[static_cast<size_t>(j)] = mu;
    }
    return a;
}

double Dot(const double* a, const double* b, int n) noexcept {
    double s = 0.0;
    for (int i = 0; i < n; ++i) s += a[i] * b[i];
    return s;
}

}  // namespace

bool SimPLS(const TMatrix& X, const TMatrix& Y, int& NumComp, TMatrix& Weights, TMatrix& XLoadings,
            TMatrix& YLoadings, TMatrix& XScores, TMatrix& YScores, TMatrix& Coeffs,
            TVector& Intercepts) {
    return detail::GuardMemory("SimPLS", [&]() -> bool {
        const int m = X.NrOfRows();
        const int p = X.NrOfColumns();
        const int q = Y.NrOfColumns();
        if (m < 2 || p < 1 || q < 1 || Y.NrOfRows() != m) return false;
        if (NumComp < 1 || NumComp > std::min(m - 1, p)) return false;
        std::vector<double> xmean, ymean;
        std::vector<double> x0 = Centred(X, xmean);
        std::vector<double> y0 = Centred(Y, ymean);
        if (!detail::AllFinite(x0) || !detail::AllFinite(y0)) return false;
        const size_t P = static_cast<size_t>(p), Q = static_cast<size_t>(q),
                     M = static_cast<size_t>(m);

        // S = X0^T Y0 (p x q).
        std::vector<double> s(P * Q);
        double s0 = 0.0;
        for (size_t k = 0; k < Q; ++k)
            for (size_t j = 0; j < P; ++j) {
                s[k * P + j] = Dot(x0.data() + j * M, y0.data() + k * M, m);
                s0 = std::max(s0, std::fabs(s[k * P + j]));
            }
        const int a = NumComp;
        std::vector<double> R, Pl, Ql, T, U, V;
        std::vector<double> r(P), t(M), pl(P), ql(Q), u(M), v(P), qdir(Q);
        int found = 0;
        for (int comp = 0; comp < a; ++comp) {
            // Leading right singular vector of S (q = 1: the single direction 1).
            if (q == 1) {
                qdir[0] = 1.0;
            } else {
                std::vector<double> work(s), su, sw, sv;
                if (!detail::ThinSVD(work, p, q, su, sw, sv)) return false;
                // sv is q x min(p, q); its first column is the leading direction. A fixed sign
                // (largest component positive) makes the result reproducible.
                size_t big = 0;
                for (size_t k = 1; k < Q; ++k)
                    if (std::fabs(sv[k]) > std::fabs(sv[big])) big = k;
                const double sign = sv[big] < 0.0 ? -1.0 : 1.0;
                for (size_t k = 0; k < Q; ++k) qdir[k] = sign * sv[k];
            }
            for (size_t j = 0; j < P; ++j) {
                double acc = 0.0;
                for (size_t k = 0; k < Q; ++k) acc += s[k * P + j] * qdir[k];
                r[j] = acc;
            }
            std::fill(t.begin(), t.end(), 0.0);
            for (size_t j = 0; j < P; ++j)
                for (size_t i = 0; i < M; ++i) t[i] += x0[j * M + i] * r[j];
            const double normt = std::sqrt(Dot(t.data(), t.data(), m));
            // Nothing left to explain: the deflated covariance has vanished (relative to the
            // start).
            double rmax = 0.0;
            for (double x : r) rmax = std::max(rmax, std::fabs(x));
            if (!(normt > 0.0) || rmax <= 1e-13 * s0) break;
            for (double& x : t) x /= normt;
            for (double& x : r) x /= normt;
            for (size_t j = 0; j < P; ++j) pl[j] = Dot(x0.data() + j * M, t.data(), m);
            for (size_t k = 0; k < Q; ++k) ql[k] = Dot(y0.data() + k * M, t.data(), m);
            std::fill(u.begin(), u.end(), 0.0);
            for (size_t k = 0; k < Q; ++k)
                for (size_t i = 0; i < M; ++i) u[i] += y0[k * M + i] * ql[k];
            v = pl;
            for (int b = 0; b < found; ++b) {
                const double* vb = V.data() + static_cast<size_t>(b) * P;
                const double c = Dot(vb, pl.data(), p);
                for (size_t j = 0; j < P; ++j) v[j] -= c * vb[j];
                const double* tb = T.data() + static_cast<size_t>(b) * M;
                const double d = Dot(tb, u.data(), m);
                for (size_t i = 0; i < M; ++i) u[i] -= d * tb[i];
            }
            const double normv = std::sqrt(Dot(v.data(), v.data(), p));
            if (!(normv > 0.0)) break;
            for (double& x : v) x /= normv;
            // S := S - v (v^T S).
            for (size_t k = 0; k < Q; ++k) {
                double* sk = s.data() + k * P;
                const double c = Dot(v.data(), sk, p);
                for (size_t j = 0; j < P; ++j) sk[j] -= c * v[j];
            }
            R.insert(R.end(), r.begin(), r.end());
            Pl.insert(Pl.end(), pl.begin(), pl.end());
            Ql.insert(Ql.end(), ql.begin(), ql.end());
            T.insert(T.end(), t.begin(), t.end());
            U.insert(U.end(), u.begin(), u.end());
            V.insert(V.end(), v.begin(), v.end());
            ++found;
        }
        if (found == 0) return false;

        // B = R Q^T (p x q); intercepts = ymean - xmean^T B.
        std::vector<double> B(P * Q, 0.0);
        for (int b = 0; b < found; ++b)
            for (size_t k = 0; k < Q; ++k) {
                const double qk = Ql[static_cast<size_t>(b) * Q + k];
                for (size_t j = 0; j < P; ++j)
                    B[k * P + j] += R[static_cast<size_t>(b) * P + j] * qk;
            }
        std::vector<double> icpt(Q);
        for (size_t k = 0; k < Q; ++k) icpt[k] = ymean[k] - Dot(xmean.data(), B.data() + k * P, p);

        NumComp = found;
        detail::StoreMatrix(Weights, found, p, R);
        detail::StoreMatrix(XLoadings, found, p, Pl);
        detail::StoreMatrix(YLoadings, found, q, Ql);
        detail::StoreMatrix(XScores, found, m, T);
        detail::StoreMatrix(YScores, found, m, U);
        detail::StoreMatrix(Coeffs, q, p, B);
        detail::StoreVector(Intercepts, icpt);
        return true;
    });
}

}  // namespace ozm::math2
