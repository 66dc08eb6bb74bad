// TCurveFit: the line, parabola and circle fits and the analysis of variance of a regression.
// The line and parabola are fitted to the pairs centred on their means, which keeps the sums of
// powers small and the normal equations well conditioned for data far from the origin.
#include <cmath>

#include "ozm/math2/curvefit.hpp"
#include "ozm/math2/parabola.hpp"
#include "ozm/platform/exceptions.hpp"

namespace ozm {

void TCurveFit::CalcLinFit(double& k, double& d, double& FitQual) const {
    k = d = FitQual = 0;
    const int n = FNumData;
    if (n < 2) throw EOZMMath2Error("CalcLinFit: not enough data points");
    const double mx = ColumnMean(1), my = ColumnMean(2);
    const double* xs = FData.Data();
    const double* ys = xs + FData.NrOfRows();
    long double su = 0, sv = 0, suu = 0, svv = 0, suv = 0;
    for (int i = 0; i < n; ++i) {
        const long double u = xs[i] - mx, v = ys[i] - my;
        su += u;
        sv += v;
        suu += u * u;
        svv += v * v;
        suv += u * v;
    }
    const long double det = n * suu - su * su;
    if (det == 0) throw EOZMMath2Error("CalcLinFit: slope is infinite");
    const long double slope = (n * suv - su * sv) / det;
    const long double icpt = (suu * sv - su * suv) / det;
    k = static_cast<double>(slope);
    d = static_cast<double>(icpt - slope * mx + my);
    const long double q = svv - sv * sv / n;
    FitQual = q != 0 ? static_cast<double>((sv * icpt + slope * suv - sv * sv / n) / q) : 1.0;
}

void TCurveFit::CalcParabolFit(double& k0, double& k1, double& k2, double& FitQual) const {
    k0 = k1 = k2 = FitQual = 0;
    if (FNumData < 3) throw EOZMMath2Error("CalcParabolFit: not enough data points");
    const double* xs = FData.Data();
    math2::FitParabolaCentred(xs, xs + FData.NrOfRows(), static_cast<size_t>(FNumData),
                              ColumnMean(1), ColumnMean(2), k0, k1, k2, FitQual);
}

void TCurveFit::CalcCircleFit(double& r, double& dx, double& dy) const {
    r = dx = dy = 0;
    const int n = FNumData;
    if (n <= 2) throw EOZMMath2Error("CalcCircleFit: not enough data points");
    const TSums& s = FSum;
    const long double t = s.y * s.y - n * s.yq;
    const long double m = s.x * s.x - n * s.xq;
    const long double sxy = n * s.xy - s.x * s.y;
    const long double u = t * m - sxy * sxy;
    if (u == 0) throw EOZMMath2Error("CalcCircleFit: radius is infinite");
    const long double B = (s.xq + s.yq) * s.y - n * (s.x2y + s.y3);
    const long double C = (s.xq + s.yq) * s.x - n * (s.xy2 + s.x3);
    const long double cx = (sxy * B + t * C) / (2 * u);
    const long double cy = (sxy * C + m * B) / (2 * u);
    dx = static_cast<double>(cx);
    dy = static_cast<double>(cy);
    r = static_cast<double>(
        std::sqrt((s.xq + s.yq - 2 * (s.x * cx + s.y * cy) + n * (cx * cx + cy * cy)) / n));
}

void TCurveFit::CalcAnovaReg(int NumVars, bool IncludeConst, int& dfreg, int& dfres,
                             int& dftotal, double& SSE, double& SSR, double& SST, double& MSE,
                             double& MSR, double& F) const {
    const int n = FNumData;
    dfreg = NumVars;
    dftotal = IncludeConst ? n - 1 : n;
    const long double m = IncludeConst && n > 0 ? FSum.x / n : 0.0L;
    dfres = dftotal - dfreg;
    SSE = static_cast<double>(FSum.diffq);
    SSR = static_cast<double>(FSum.yq - 2 * m * FSum.y + n * m * m);
    SST = static_cast<double>(FSum.xq - 2 * m * FSum.x + n * m * m);
    // Without degrees of freedom a mean square does not exist; it is reported as 0.
    MSE = dfres > 0 ? SSE / dfres : 0.0;
    MSR = dfreg > 0 ? SSR / dfreg : 0.0;
    if (MSR == 0)
        F = 0;
    else if (MSE == 0)
        F = 1e10;
    else
        F = MSR / MSE;
}

}  // namespace ozm
