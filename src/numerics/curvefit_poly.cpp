// TCurveFit: the polynomial fits through the singular value decomposition.
#include <cmath>
#include <vector>

#include "ozm/base/globals.hpp"
#include "ozm/math2/curvefit.hpp"
#include "ozm/math2/lsq.hpp"
#include "ozm/statis/distributions.hpp"

namespace ozm {

namespace {

// Pearson's r of (a, b) by the sum formula of GetRxy, with its guards.
double PearsonFromSums(const std::vector<double>& a, const std::vector<double>& b) {
    const double n = static_cast<double>(a.size());
    long double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sa += a[i];
        sb += b[i];
        saa += static_cast<long double>(a[i]) * a[i];
        sbb += static_cast<long double>(b[i]) * b[i];
        sab += static_cast<long double>(a[i]) * b[i];
    }
    if (!(saa > 0) || !(sbb > 0)) return 0;
    const long double ca = saa - sa * sa / n, cb = sbb - sb * sb / n;
    if (ca == 0 || cb == 0) return 0;
    return static_cast<double>((sab - sa * sb / n) / std::sqrt(std::fabs(ca * cb)));
}

}  // namespace

bool TCurveFit::PolyFit(int nOrder, bool Centred, TDoubleArray& kArray, TDoubleArray* Alpha,
                        double& XShift, double& FitQual, bool& NearSingular) const {
    const int n = FNumData;
    if (nOrder < 0 || nOrder >= n) return false;
    AbortMathProc = false;
    const double* xs = FData.Data();
    const double* ys = xs + FData.NrOfRows();
    double meanY = 0, scale = 1;
    if (Centred) {
        double meanX = 0, varX = 0;
        FData.MeanVar(1, 1, 1, n, meanX, varX);
        if (XShift == 0) XShift = meanX;
        scale = std::sqrt(varX);
        if (!(scale > 0)) scale = 1;
        meanY = ColumnMean(2);
    }
    // The design: columns 1..nOrder the powers of the (shifted, scaled) abscissa, the last 1.
    TMatrix design;
    design.Resize(nOrder + 1, n);
    TVector rhs;
    rhs.Resize(n);
    double* d = design.Data();
    double* b = rhs.Cells().data();
    for (int i = 0; i < n; ++i) {
        const double u = Centred ? (xs[i] - XShift) / scale : xs[i];
        double power = 1;
        for (int j = 1; j <= nOrder; ++j) {
            power *= u;
            d[static_cast<size_t>(j - 1) * n + i] = power;
        }
        d[static_cast<size_t>(nOrder) * n + i] = 1;
        b[i] = ys[i] - meanY;
    }
    TVector s, sd;
    bool nearSingular = false;
    if (!math2::SolveLeastSquaresSVD(design, rhs, s, nearSingular, sd)) return false;
    NearSingular = nearSingular;

    // Fitted values of the system that was solved, and the residual standard error.
    std::vector<double> observed(static_cast<size_t>(n)), fitted(static_cast<size_t>(n));
    double rss = 0;
    for (int i = 0; i < n; ++i) {
        const double u = Centred ? (xs[i] - XShift) / scale : xs[i];
        double value = s.GetVal(nOrder + 1), power = 1;
        for (int j = 1; j <= nOrder; ++j) {
            power *= u;
            value += s.GetVal(j) * power;
        }
        observed[static_cast<size_t>(i)] = ys[i] - meanY;
        fitted[static_cast<size_t>(i)] = value;
        rss += (value - observed[static_cast<size_t>(i)]) * (value - observed[static_cast<size_t>(i)]);
    }
    const int df = n - nOrder - 1;
    const double sigma = df > 0 ? std::sqrt(rss / df) : 0.0;
    const double r = PearsonFromSums(observed, fitted);
    FitQual = r * r;

    if (kArray.size() < static_cast<size_t>(nOrder) + 1) kArray.resize(static_cast<size_t>(nOrder) + 1);
    double scalePower = 1;
    for (int j = 1; j <= nOrder; ++j) {
        scalePower *= scale;
        kArray[static_cast<size_t>(j)] = s.GetVal(j) / scalePower;
    }
    kArray[0] = s.GetVal(nOrder + 1) + meanY;
    if (Alpha != nullptr) {
        Alpha->assign(static_cast<size_t>(nOrder) + 1, 0.0);
        // Index 0 is the constant, the solver's last unknown; index j the power j.
        for (int j = 0; j <= nOrder; ++j) {
            const int unknown = j == 0 ? nOrder + 1 : j;
            const double se = sd.GetVal(unknown);
            if (sigma == 0 || se == 0) continue;
            const double t = (s.GetVal(unknown) / sigma) / se;
            // 2 (1 - T(|t|)) = 2 T(-|t|), which keeps its digits in the far tail.
            (*Alpha)[static_cast<size_t>(j)] = 2 * statis::tDistriIntegral(-std::fabs(t), df);
        }
    }
    return true;
}

bool TCurveFit::CalcPolyFit(int nOrder, TDoubleArray& kArray, double& FitQual,
                            bool& NearSingular) const {
    double shift = 0;
    return PolyFit(nOrder, false, kArray, nullptr, shift, FitQual, NearSingular);
}

bool TCurveFit::CalcPolyFit(int nOrder, TDoubleArray& kArray, TDoubleArray& Alpha,
                            double& FitQual, bool& NearSingular) const {
    double shift = 0;
    return PolyFit(nOrder, false, kArray, &Alpha, shift, FitQual, NearSingular);
}

bool TCurveFit::CalcCenteredPolyFit(int nOrder, TDoubleArray& kArray, double& XShift,
                                    double& FitQual, bool& NearSingular) const {
    return PolyFit(nOrder, true, kArray, nullptr, XShift, FitQual, NearSingular);
}

bool TCurveFit::CalcCenteredPolyFit(int nOrder, TDoubleArray& kArray, TDoubleArray& Alpha,
                                    double& XShift, double& FitQual, bool& NearSingular) const {
    return PolyFit(nOrder, true, kArray, &Alpha, XShift, FitQual, NearSingular);
}

}  // namespace ozm
