// MultiLinReg, RidgeReg and RidgeRegStd: least squares on the centred predictors through the
// thin singular value decomposition. Centring removes the intercept column, whose size relative
// to the predictors would otherwise dominate the conditioning of polynomial designs, and the
// unit-length scaling of MultiLinReg makes its rank tolerance independent of the units.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "numerics/lsq_internal.hpp"
#include "ozm/math2/regression.hpp"
#include "ozm/statis/distributions.hpp"

namespace ozm::math2 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Column-major view of X's cells and y's elements, checked for shape and finiteness.
bool ReadProblem(const TMatrix& X, const TVector& y, std::vector<double>& x,
                 std::vector<double>& yy) {
    const int n = X.NrOfRows();
    if (n < 1 || y.NrOfElem() != n) return false;
    x.assign(X.Data(), X.Data() + static_cast<size_t>(n) * X.NrOfColumns());
    yy.assign(y.Cells().begin(), y.Cells().end());
    return detail::AllFinite(x) && detail::AllFinite(yy);
}

// The ridge fit shared by RidgeReg and RidgeRegStd; Scale holds the divisor of each column (1 for
// raw predictors). Coefficients are computed for the scaled columns and returned in raw units.
bool RidgeCore(const TMatrix& X, const TVector& y, double Lambda, bool Standardise,
               TRidgeResult& Result) {
    if (!(Lambda >= 0.0) || !std::isfinite(Lambda)) return false;
    std::vector<double> x, yy;
    if (!ReadProblem(X, y, x, yy)) return false;
    const int n = X.NrOfRows();
    const int p = X.NrOfColumns();
    if (n < 2) return false;
    double ymean = 0.0;
    for (double v : yy) ymean += v;
    ymean /= n;
    std::vector<double> yc(yy.size());
    for (int i = 0; i < n; ++i) yc[static_cast<size_t>(i)] = yy[static_cast<size_t>(i)] - ymean;
    std::vector<double> mean(static_cast<size_t>(p), 0.0), scale(static_cast<size_t>(p), 1.0);
    std::vector<bool> constant(static_cast<size_t>(p), false);
    std::vector<double> z(x.size());
    for (int c = 0; c < p; ++c) {
        const double* col = x.data() + static_cast<size_t>(c) * n;
        double* zc = z.data() + static_cast<size_t>(c) * n;
        double s = 0.0;
        for (int i = 0; i < n; ++i) s += col[i];
        const double mu = s / n;
        double ss = 0.0;
        for (int i = 0; i < n; ++i) {
            zc[i] = col[i] - mu;
            ss += zc[i] * zc[i];
        }
        mean[static_cast<size_t>(c)] = mu;
        if (Standardise) {
            const double sd = std::sqrt(ss / (n - 1));
            if (sd > 0.0) {
                scale[static_cast<size_t>(c)] = sd;
                for (int i = 0; i < n; ++i) zc[i] /= sd;
            } else {
                constant[static_cast<size_t>(c)] = true;
                for (int i = 0; i < n; ++i) zc[i] = 0.0;
            }
        }
    }
    std::vector<double> g(static_cast<size_t>(p), 0.0);
    double edf = 1.0;
    if (p > 0) {
        std::vector<double> u, w, v;
        if (!detail::ThinSVD(z, n, p, u, w, v)) return false;
        const int r = std::min(n, p);
        // Directions with a negligible singular value carry nothing when Lambda = 0.
        const double limit = std::max(n, p) * 2.220446049250313e-16 * (r > 0 ? w[0] : 0.0);
        for (int k = 0; k < r; ++k) {
            const double s = w[static_cast<size_t>(k)];
            if (s <= limit) continue;
            const double f = s / (s * s + Lambda);
            edf += s * s / (s * s + Lambda);
            const double* uk = u.data() + static_cast<size_t>(k) * n;
            double dot = 0.0;
            for (int i = 0; i < n; ++i) dot += uk[i] * yc[static_cast<size_t>(i)];
            const double* vk = v.data() + static_cast<size_t>(k) * p;
            for (int j = 0; j < p; ++j) g[static_cast<size_t>(j)] += vk[j] * f * dot;
        }
    }
    TRidgeResult res;
    res.Coeffs.assign(static_cast<size_t>(p) + 1, 0.0);
    double b0 = ymean;
    for (int j = 0; j < p; ++j) {
        const double b = constant[static_cast<size_t>(j)]
                             ? 0.0
                             : g[static_cast<size_t>(j)] / scale[static_cast<size_t>(j)];
        res.Coeffs[static_cast<size_t>(j) + 1] = b;
        b0 -= b * mean[static_cast<size_t>(j)];
    }
    res.Coeffs[0] = b0;
    if (Standardise) res.StdCoeffs = g;
    res.Residuals.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        double fit = b0;
        for (int j = 0; j < p; ++j)
            fit += res.Coeffs[static_cast<size_t>(j) + 1] * x[static_cast<size_t>(j) * n + i];
        const double r = yy[static_cast<size_t>(i)] - fit;
        res.Residuals[static_cast<size_t>(i)] = r;
        res.RSS += r * r;
    }
    res.EffectiveDF = edf;
    Result = std::move(res);
    return true;
}

}  // namespace

bool MultiLinReg(const TMatrix& X, const TVector& y, TLinRegResult& Result, const TVector* Weights,
                 double RelTol) {
    return detail::GuardMemory("MultiLinReg", [&]() -> bool {
        std::vector<double> x, yy;
        if (!ReadProblem(X, y, x, yy)) return false;
        const int rows = X.NrOfRows();
        const int p = X.NrOfColumns();
        std::vector<double> wt(static_cast<size_t>(rows), 1.0);
        if (Weights != nullptr) {
            if (Weights->NrOfElem() != rows) return false;
            for (int i = 0; i < rows; ++i) {
                const double w = Weights->Cells()[static_cast<size_t>(i)];
                if (!(w >= 0.0) || !std::isfinite(w)) return false;
                wt[static_cast<size_t>(i)] = w;
            }
        }
        std::vector<int> used;
        for (int i = 0; i < rows; ++i)
            if (wt[static_cast<size_t>(i)] > 0.0) used.push_back(i);
        const int n = static_cast<int>(used.size());
        if (n < 1) return false;
        if (RelTol <= 0.0) RelTol = kRegRankTol;

        double sw = 0.0, ymean = 0.0;
        for (int i : used) {
            sw += wt[static_cast<size_t>(i)];
            ymean += wt[static_cast<size_t>(i)] * yy[static_cast<size_t>(i)];
        }
        ymean /= sw;
        // Weighted, centred design with unit-length columns (rows with weight 0 left out).
        std::vector<double> mean(static_cast<size_t>(p), 0.0), norm(static_cast<size_t>(p), 1.0);
        std::vector<double> z(static_cast<size_t>(n) * p), yt(static_cast<size_t>(n));
        for (int k = 0; k < n; ++k) {
            const int i = used[static_cast<size_t>(k)];
            yt[static_cast<size_t>(k)] =
                std::sqrt(wt[static_cast<size_t>(i)]) * (yy[static_cast<size_t>(i)] - ymean);
        }
        for (int c = 0; c < p; ++c) {
            const double* col = x.data() + static_cast<size_t>(c) * rows;
            double mu = 0.0;
            for (int i : used) mu += wt[static_cast<size_t>(i)] * col[i];
            mu /= sw;
            double* zc = z.data() + static_cast<size_t>(c) * n;
            double ss = 0.0;
            for (int k = 0; k < n; ++k) {
                const int i = used[static_cast<size_t>(k)];
                zc[k] = std::sqrt(wt[static_cast<size_t>(i)]) * (col[i] - mu);
                ss += zc[k] * zc[k];
            }
            const double len = std::sqrt(ss);
            if (len > 0.0) {
                for (int k = 0; k < n; ++k) zc[k] /= len;
                norm[static_cast<size_t>(c)] = len;
            }
            mean[static_cast<size_t>(c)] = mu;
        }

        // beta_scaled = V diag(1/s) U^T yt over the kept directions; C = V diag(1/s^2) V^T is the
        // scaled (Z^T Z)^+ from which the covariance of the coefficients follows.
        std::vector<double> beta(static_cast<size_t>(p), 0.0);
        std::vector<double> cinv(static_cast<size_t>(p) * p, 0.0);
        int rank = 0;
        if (p > 0) {
            std::vector<double> u, w, v;
            if (!detail::ThinSVD(z, n, p, u, w, v)) return false;
            const int r = std::min(n, p);
            const double limit = RelTol * w[0];
            while (rank < r && w[static_cast<size_t>(rank)] > limit) ++rank;
            for (int k = 0; k < rank; ++k) {
                const double s = w[static_cast<size_t>(k)];
                const double* uk = u.data() + static_cast<size_t>(k) * n;
                double dot = 0.0;
                for (int i = 0; i < n; ++i) dot += uk[i] * yt[static_cast<size_t>(i)];
                const double* vk = v.data() + static_cast<size_t>(k) * p;
                for (int j = 0; j < p; ++j) beta[static_cast<size_t>(j)] += vk[j] * (dot / s);
                const double a = 1.0 / (s * s);
                for (int j = 0; j < p; ++j)
                    for (int l = 0; l < p; ++l)
                        cinv[static_cast<size_t>(j) * p + l] += vk[l] * vk[j] * a;
            }
        }

        TLinRegResult res;
        res.NumObs = n;
        res.NumPredictors = p;
        res.Rank = rank + 1;
        res.RankDeficient = res.Rank < p + 1;
        res.Coeffs.assign(static_cast<size_t>(p) + 1, 0.0);
        double b0 = ymean;
        for (int j = 0; j < p; ++j) {
            const double b = beta[static_cast<size_t>(j)] / norm[static_cast<size_t>(j)];
            res.Coeffs[static_cast<size_t>(j) + 1] = b;
            b0 -= b * mean[static_cast<size_t>(j)];
        }
        res.Coeffs[0] = b0;

        // Residuals of every row; sums over the used rows with their weights.
        res.Residuals.resize(static_cast<size_t>(rows));
        std::vector<double> fitted(static_cast<size_t>(rows));
        for (int i = 0; i < rows; ++i) {
            double f = b0;
            for (int j = 0; j < p; ++j)
                f += res.Coeffs[static_cast<size_t>(j) + 1] * x[static_cast<size_t>(j) * rows + i];
            fitted[static_cast<size_t>(i)] = f;
            res.Residuals[static_cast<size_t>(i)] = yy[static_cast<size_t>(i)] - f;
        }
        double fmean = 0.0;
        for (int i : used) fmean += wt[static_cast<size_t>(i)] * fitted[static_cast<size_t>(i)];
        fmean /= sw;
        for (int i : used) {
            const double w = wt[static_cast<size_t>(i)];
            const double r = res.Residuals[static_cast<size_t>(i)];
            const double d = fitted[static_cast<size_t>(i)] - fmean;
            res.RSS += w * r * r;
            res.MSS += w * d * d;
        }
        res.DFModel = res.Rank - 1;
        res.DFResid = n - res.Rank;
        const double total = res.MSS + res.RSS;
        res.RSquared = total > 0.0 ? res.MSS / total : kNaN;
        res.FPValue = kNaN;
        if (res.DFResid > 0) {
            const double sigma2 = res.RSS / res.DFResid;
            res.SigmaResid = std::sqrt(sigma2);
            res.AdjRSquared = 1.0 - (1.0 - res.RSquared) * (n - 1) / res.DFResid;
            res.FValue = res.DFModel > 0 ? (res.MSS / res.DFModel) / sigma2 : kNaN;
            // P(F > f) is P(1/F < 1/f), and 1/F follows F with the degrees of freedom exchanged.
            if (!std::isnan(res.FValue))
                res.FPValue = statis::FDistriIntegral(1.0 / res.FValue, res.DFResid, res.DFModel);
            // Var(b) = sigma^2 (Xc^T W Xc)^+ = sigma^2 D^-1 C D^-1 with D the column lengths;
            // Var(b0) = sigma^2 (1/sum w + m^T Var(b)/sigma^2 m).
            res.StdErrors.assign(static_cast<size_t>(p) + 1, 0.0);
            double q = 0.0;
            for (int j = 0; j < p; ++j) {
                const double nj = norm[static_cast<size_t>(j)];
                res.StdErrors[static_cast<size_t>(j) + 1] =
                    std::sqrt(sigma2 * cinv[static_cast<size_t>(j) * p + j]) / nj;
                for (int l = 0; l < p; ++l)
                    q += mean[static_cast<size_t>(j)] * mean[static_cast<size_t>(l)] *
                         cinv[static_cast<size_t>(j) * p + l] / (nj * norm[static_cast<size_t>(l)]);
            }
            res.StdErrors[0] = std::sqrt(sigma2 * (1.0 / sw + q));
        } else {
            res.SigmaResid = kNaN;
            res.AdjRSquared = kNaN;
            res.FValue = kNaN;
            res.StdErrors.assign(static_cast<size_t>(p) + 1, kNaN);
        }
        res.TValues.resize(static_cast<size_t>(p) + 1);
        for (int j = 0; j <= p; ++j)
            res.TValues[static_cast<size_t>(j)] =
                res.Coeffs[static_cast<size_t>(j)] / res.StdErrors[static_cast<size_t>(j)];
        Result = std::move(res);
        return true;
    });
}

bool RidgeReg(const TMatrix& X, const TVector& y, double Lambda, TRidgeResult& Result) {
    return detail::GuardMemory("RidgeReg",
                               [&]() -> bool { return RidgeCore(X, y, Lambda, false, Result); });
}

bool RidgeRegStd(const TMatrix& X, const TVector& y, double Lambda, TRidgeResult& Result) {
    return detail::GuardMemory("RidgeRegStd",
                               [&]() -> bool { return RidgeCore(X, y, Lambda, true, Result); });
}

}  // namespace ozm::math2
