// TCurveFit: the interpolating and the smoothing cubic splines.
//
// The smoothing spline follows Reinsch's construction as Green and Silverman write it: with the
// knot spacings h, the tridiagonal matrices Q (second differences, n x (n - 2)) and R (the
// integral of g''^2, (n - 2) x (n - 2)), the second derivatives at the inner knots solve
// (R + lambda Q^T Q) gamma = Q^T y, a symmetric positive definite five-band system solved by a
// banded LDL^T factorisation in O(n), and the fitted values are g = y - lambda Q gamma. Pairs
// that share an x are merged into their mean y with their count as weight W, which turns the
// system into (R + lambda Q^T W^-1 Q) gamma = Q^T y and the fit into g = y - lambda W^-1 Q gamma.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

#include "ozm/math2/curvefit.hpp"
#include "ozm/platform/exceptions.hpp"

namespace ozm {

namespace {

[[noreturn]] void RaiseSpline(const char* Routine, const char* Detail) {
    throw EOZMMath2Error(std::string(Routine) + ": " + Detail);
}

// Second derivatives of the interpolating spline through (x, y): natural ends (m = 0) or the
// given end slopes. The tridiagonal system is solved by the Thomas algorithm.
void InterpolatingSecondDerivatives(const std::vector<double>& x, const std::vector<double>& y,
                                    bool natural1, double slope1, bool naturalN, double slopeN,
                                    std::vector<double>& m) {
    const size_t n = x.size();
    m.assign(n, 0.0);
    std::vector<double> diag(n), upper(n), rhs(n);
    for (size_t i = 0; i < n; ++i) {
        const double hl = i > 0 ? x[i] - x[i - 1] : 0;
        const double hr = i + 1 < n ? x[i + 1] - x[i] : 0;
        const double sl = i > 0 ? (y[i] - y[i - 1]) / hl : 0;
        const double sr = i + 1 < n ? (y[i + 1] - y[i]) / hr : 0;
        double lower = hl / 6;
        diag[i] = (hl + hr) / 3;
        upper[i] = hr / 6;
        rhs[i] = sr - sl;
        if (i == 0) {
            if (natural1) {
                diag[i] = 1, upper[i] = 0, rhs[i] = 0;
            } else {
                rhs[i] = sr - slope1;
            }
        }
        if (i + 1 == n) {
            if (naturalN) {
                diag[i] = 1, lower = 0, rhs[i] = 0;
            } else {
                rhs[i] = slopeN - sl;
            }
        }
        // Forward elimination with the previous row.
        if (i > 0) {
            const double f = lower / diag[i - 1];
            diag[i] -= f * upper[i - 1];
            rhs[i] -= f * rhs[i - 1];
        }
    }
    for (size_t i = n; i-- > 0;)
        m[i] = (rhs[i] - (i + 1 < n ? upper[i] * m[i + 1] : 0.0)) / diag[i];
}

}  // namespace

double TCurveFit::TSplineData::Eval(double At) const noexcept {
    const size_t n = x.size();
    // The piece [x_k, x_k+1] that holds At; the end pieces extend beyond the outer knots.
    size_t k = static_cast<size_t>(std::upper_bound(x.begin(), x.end(), At) - x.begin());
    k = std::clamp<size_t>(k, 1, n - 1) - 1;
    const double h = x[k + 1] - x[k];
    const double a = (x[k + 1] - At) / h;
    const double b = (At - x[k]) / h;
    return a * g[k] + b * g[k + 1] +
           ((a * a * a - a) * m[k] + (b * b * b - b) * m[k + 1]) * (h * h) / 6;
}

void TCurveFit::SortedPairs(const char* Routine, std::vector<double>& x, std::vector<double>& y,
                            std::vector<double>* Weights) const {
    const int n = FNumData;
    if (n < 2) RaiseSpline(Routine, "not enough data points");
    const double* xs = FData.Data();
    const double* ys = xs + FData.NrOfRows();
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(xs[i])) RaiseSpline(Routine, "x values must be finite and distinct");
    std::sort(order.begin(), order.end(), [xs](int a, int b) { return xs[a] < xs[b]; });
    x.clear();
    y.clear();
    if (Weights != nullptr) Weights->clear();
    for (size_t i = 0; i < order.size(); ++i) {
        const double xi = xs[order[i]], yi = ys[order[i]];
        if (!x.empty() && xi == x.back()) {
            if (Weights == nullptr) RaiseSpline(Routine, "x values must be finite and distinct");
            // A repeated x: its pairs become one with their mean y and their count as weight.
            double& w = Weights->back();
            y.back() = (y.back() * w + yi) / (w + 1);
            w += 1;
            continue;
        }
        x.push_back(xi);
        y.push_back(yi);
        if (Weights != nullptr) Weights->push_back(1);
    }
    if (x.size() < 2) RaiseSpline(Routine, "not enough data points");
}

double TCurveFit::CubicSpline(double x) const {
    if (!FSplineValid) {
        TSplineData s;
        SortedPairs("CubicSpline", s.x, s.g);
        InterpolatingSecondDerivatives(s.x, s.g, FNatural1, FY1Dash, FNaturalN, FYNDash, s.m);
        FSpline = std::move(s);
        FSplineValid = true;
    }
    return FSpline.Eval(x);
}

const TCurveFit::TSplineData& TCurveFit::SmoothingSpline(const char* Routine,
                                                         double Lambda) const {
    if (FPenSplineValid && FPenSplineLambda == Lambda) return FPenSpline;
    TSplineData s;
    std::vector<double> y, w;
    SortedPairs(Routine, s.x, y, &w);
    const size_t n = s.x.size();
    s.m.assign(n, 0.0);
    s.g = y;
    if (std::isinf(Lambda)) {
        // No curvature allowed: the least-squares line.
        double k = 0, d = 0, q = 0;
        CalcLinFit(k, d, q);
        for (size_t i = 0; i < n; ++i) s.g[i] = k * s.x[i] + d;
    } else if (n > 2 && Lambda > 0) {
        const size_t m = n - 2;  // inner knots 1..n-2, unknowns j = 0..m-1 for knot j + 1
        std::vector<double> h(n - 1);
        for (size_t i = 0; i + 1 < n; ++i) h[i] = s.x[i + 1] - s.x[i];
        // Column j of Q holds 1/h_j, -(1/h_j + 1/h_j+1), 1/h_j+1 at knots j, j + 1, j + 2.
        const auto qLo = [&](size_t j) { return 1 / h[j]; };
        const auto qMid = [&](size_t j) { return -(1 / h[j] + 1 / h[j + 1]); };
        const auto qHi = [&](size_t j) { return 1 / h[j + 1]; };
        // The five bands of A = R + lambda Q^T Q: d0 (diagonal), d1, d2 (above it).
        std::vector<double> d0(m), d1(m, 0.0), d2(m, 0.0), rhs(m);
        for (size_t j = 0; j < m; ++j) {
            // Q^T W^-1 Q with the weights of knots j, j + 1, j + 2.
            const double w0 = 1 / w[j], w1 = 1 / w[j + 1], w2 = 1 / w[j + 2];
            d0[j] = (h[j] + h[j + 1]) / 3 +
                    Lambda * (qLo(j) * qLo(j) * w0 + qMid(j) * qMid(j) * w1 + qHi(j) * qHi(j) * w2);
            if (j + 1 < m)
                d1[j] = h[j + 1] / 6 +
                        Lambda * (qMid(j) * qLo(j + 1) * w1 + qHi(j) * qMid(j + 1) * w2);
            if (j + 2 < m) d2[j] = Lambda * qHi(j) * qLo(j + 2) * w2;
            rhs[j] = qLo(j) * y[j] + qMid(j) * y[j + 1] + qHi(j) * y[j + 2];
        }
        // Banded LDL^T: L has the sub-diagonals l1, l2; D the pivots.
        std::vector<double> piv(m), l1(m, 0.0), l2(m, 0.0);
        for (size_t j = 0; j < m; ++j) {
            double dj = d0[j];
            if (j >= 1) dj -= l1[j - 1] * l1[j - 1] * piv[j - 1];
            if (j >= 2) dj -= l2[j - 2] * l2[j - 2] * piv[j - 2];
            piv[j] = dj;
            if (j + 1 < m) {
                double e = d1[j];
                if (j >= 1) e -= l1[j - 1] * l2[j - 1] * piv[j - 1];
                l1[j] = e / dj;
            }
            if (j + 2 < m) l2[j] = d2[j] / dj;
        }
        std::vector<double> gamma(rhs);
        for (size_t j = 0; j < m; ++j) {
            if (j >= 1) gamma[j] -= l1[j - 1] * gamma[j - 1];
            if (j >= 2) gamma[j] -= l2[j - 2] * gamma[j - 2];
        }
        for (size_t j = 0; j < m; ++j) gamma[j] /= piv[j];
        for (size_t j = m; j-- > 0;) {
            if (j + 1 < m) gamma[j] -= l1[j] * gamma[j + 1];
            if (j + 2 < m) gamma[j] -= l2[j] * gamma[j + 2];
        }
        for (size_t j = 0; j < m; ++j) {
            s.g[j] -= Lambda * qLo(j) * gamma[j] / w[j];
            s.g[j + 1] -= Lambda * qMid(j) * gamma[j] / w[j + 1];
            s.g[j + 2] -= Lambda * qHi(j) * gamma[j] / w[j + 2];
            s.m[j + 1] = gamma[j];
        }
    } else if (Lambda == 0) {
        InterpolatingSecondDerivatives(s.x, s.g, true, 0, true, 0, s.m);
    }
    // The fit quality of the spline at every pair.
    const double* xs = FData.Data();
    const double* ys = xs + FData.NrOfRows();
    const double mean = GetMeanY();
    double rss = 0, tss = 0;
    for (int i = 0; i < FNumData; ++i) {
        const double r = ys[i] - s.Eval(xs[i]);
        rss += r * r;
        tss += (ys[i] - mean) * (ys[i] - mean);
    }
    FPSplineFQ = tss > 0 ? 1 - rss / tss : 1.0;
    FPenSpline = std::move(s);
    FPenSplineLambda = Lambda;
    FPenSplineValid = true;
    return FPenSpline;
}

double TCurveFit::SmoothedSpline(double x) const {
    const double p = std::clamp(FPSplineSmooth, 0.0, 1.0);
    // p sum r^2 + (1 - p) J  has the minimiser of  sum r^2 + ((1 - p) / p) J.
    const double lambda = p > 0 ? (1 - p) / p : HUGE_VAL;
    return SmoothingSpline("SmoothedSpline", lambda).Eval(x);
}

double TCurveFit::PenalizedCubicSpline(double x, double Lambda) const {
    if (!(Lambda >= 0))
        throw EOZMMath2Error("PenalizedCubicSpline: smoothing parameter must not be negative");
    return SmoothingSpline("PenalizedCubicSpline", Lambda).Eval(x);
}

}  // namespace ozm
