// TCurveFit: the linearised models, fitted from the running sums of the transformed variables.
#include <cmath>

#include "ozm/math2/curvefit.hpp"

namespace ozm {

namespace {

using ld = long double;

// Least squares v = p + q u from n, sum u, sum v, sum u^2, sum u v, sum v^2; r2 the coefficient
// of determination (1 when v is constant). False for n < 2 or constant u.
bool LineFromSums(int n, ld su, ld sv, ld suu, ld suv, ld svv, ld& p, ld& q, ld& r2) {
    if (n < 2) return false;
    const ld det = n * suu - su * su;
    if (!(det != 0) || !std::isfinite(det)) return false;
    q = (n * suv - su * sv) / det;
    p = (sv - q * su) / n;
    const ld total = svv - sv * sv / n;
    const ld explained = q * (suv - su * sv / n);
    r2 = total != 0 ? explained / total : 1.0L;
    return std::isfinite(p) && std::isfinite(q);
}

// Least squares v = p0 + p1 u1 + p2 u2 from the sums of the normal equations
// [[n, s1, s2], [s1, s11, s12], [s2, s12, s22]] p = [sv, s1v, s2v]; svv for r2.
bool PlaneFromSums(int n, ld s1, ld s2, ld s11, ld s12, ld s22, ld sv, ld s1v, ld s2v, ld svv,
                   ld (&p)[3], ld& r2) {
    if (n < 3) return false;
    ld a[3][4] = {{ld(n), s1, s2, sv}, {s1, s11, s12, s1v}, {s2, s12, s22, s2v}};
    // Gaussian elimination with partial pivoting on the 3 x 3 system.
    for (int col = 0; col < 3; ++col) {
        int piv = col;
        for (int r = col + 1; r < 3; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[piv][col])) piv = r;
        if (!(std::fabs(a[piv][col]) > 0)) return false;
        for (int j = 0; j < 4; ++j) std::swap(a[piv][j], a[col][j]);
        for (int r = col + 1; r < 3; ++r) {
            const ld f = a[r][col] / a[col][col];
            for (int j = col; j < 4; ++j) a[r][j] -= f * a[col][j];
        }
    }
    for (int r = 2; r >= 0; --r) {
        ld v = a[r][3];
        for (int j = r + 1; j < 3; ++j) v -= a[r][j] * p[j];
        p[r] = v / a[r][r];
    }
    const ld total = svv - sv * sv / n;
    const ld explained = p[1] * (s1v - s1 * sv / n) + p[2] * (s2v - s2 * sv / n);
    r2 = total != 0 ? explained / total : 1.0L;
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

}  // namespace

// The two-parameter models: v = p + q u in the transformed variables, refused when an entered
// pair met one of the Refusing conditions; with ExpP the first parameter is e^p.
bool TCurveFit::LinearisedFit(std::initializer_list<TCurveFitError> Refusing, const TLineSums& s,
                              bool ExpP, double& a, double& b, double& FitQual) const {
    a = b = FitQual = 0;
    for (TCurveFitError e : Refusing)
        if (FErrIndic.Contains(e)) return false;
    ld p, q, r2;
    if (!LineFromSums(FNumData, s.u, s.v, s.uu, s.uv, s.vv, p, q, r2)) return false;
    a = double(ExpP ? std::exp(p) : p);
    b = double(q);
    FitQual = double(r2);
    return true;
}

bool TCurveFit::CalcHyperbolFit(double& a, double& b, double& FitQual) const {
    const TSums& s = FSum;
    return LinearisedFit({TCurveFitError::cfeXEQ0}, {s.r1byx, s.y, s.r1byxq, s.ybyx, s.yq}, false,
                         a, b, FitQual);
}

bool TCurveFit::CalcReciLinFit(double& a, double& b, double& FitQual) const {
    const TSums& s = FSum;
    return LinearisedFit({TCurveFitError::cfeYEQ0}, {s.x, s.r1byy, s.xq, s.xbyy, s.r1byyq}, false,
                         a, b, FitQual);
}

bool TCurveFit::CalcReciHyperbolFit(double& a, double& b, double& FitQual) const {
    const TSums& s = FSum;
    return LinearisedFit({TCurveFitError::cfeXEQ0, TCurveFitError::cfeYEQ0},
                         {s.r1byx, s.r1byy, s.r1byxq, s.r1byxy, s.r1byyq}, false, a, b, FitQual);
}

bool TCurveFit::CalcLogFit(double& a, double& b, double& FitQual) const {
    const TSums& s = FSum;
    return LinearisedFit({TCurveFitError::cfeXLE0}, {s.lnx, s.y, s.lnxq, s.ylnx, s.yq}, false, a,
                         b, FitQual);
}

bool TCurveFit::CalcReciLogFit(double& a, double& b, double& FitQual) const {
    const TSums& s = FSum;
    return LinearisedFit({TCurveFitError::cfeXLE0, TCurveFitError::cfeYEQ0},
                         {s.lnx, s.r1byy, s.lnxq, s.lnxbyy, s.r1byyq}, false, a, b, FitQual);
}

bool TCurveFit::CalcPowerFit(double& a, double& b, double& FitQual) const {
    const TSums& s = FSum;
    return LinearisedFit({TCurveFitError::cfeXLE0, TCurveFitError::cfeYLE0},
                         {s.lnx, s.lny, s.lnxq, s.lnxlny, s.lnyq}, true, a, b, FitQual);
}

bool TCurveFit::CalcExponentialFit(double& a, double& b, double& FitQual) const {
    const TSums& s = FSum;
    return LinearisedFit({TCurveFitError::cfeYLE0}, {s.x, s.lny, s.xq, s.xlny, s.lnyq}, true, a,
                         b, FitQual);
}

bool TCurveFit::CalcHoerlFit(double& a, double& b, double& c, double& FitQual) const {
    a = b = c = FitQual = 0;
    if (FErrIndic.Contains(TCurveFitError::cfeXLE0) || FErrIndic.Contains(TCurveFitError::cfeYLE0))
        return false;
    ld p[3], r2;
    if (!PlaneFromSums(FNumData, FSum.x, FSum.lnx, FSum.xq, FSum.xlnx, FSum.lnxq, FSum.lny,
                       FSum.xlny, FSum.lnxlny, FSum.lnyq, p, r2))
        return false;
    a = double(std::exp(p[0])), b = double(std::exp(p[1])), c = double(p[2]);
    FitQual = double(r2);
    return true;
}

bool TCurveFit::CalcGaussFit(double& a, double& b, double& c, double& FitQual) const {
    a = b = c = FitQual = 0;
    if (FErrIndic.Contains(TCurveFitError::cfeYLE0)) return false;
    ld p[3], r2;
    if (!PlaneFromSums(FNumData, FSum.x, FSum.xq, FSum.xq, FSum.x3, FSum.x4, FSum.lny, FSum.xlny,
                       FSum.xqlny, FSum.lnyq, p, r2))
        return false;
    // ln y = p0 + p1 x + p2 x^2 with p2 = -1/(2c^2), p1 = b/c^2, p0 = ln a - b^2/(2c^2).
    if (!(p[2] < 0)) return false;
    const ld c2 = -1 / (2 * p[2]);
    const ld centre = p[1] * c2;
    a = double(std::exp(p[0] + centre * centre / (2 * c2)));
    b = double(centre);
    c = double(std::sqrt(c2));
    FitQual = double(r2);
    return std::isfinite(a);
}

}  // namespace ozm
