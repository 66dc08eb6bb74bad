// TCurveFit: the pairs, their running sums and the descriptive statistics.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "ozm/base/constants.hpp"
#include "ozm/math2/curvefit.hpp"

namespace ozm {

namespace {

constexpr int kRowStep = 1000;       // the store grows in multiples of this many rows
constexpr double kZeroLimit = 1e-30;  // |v| at or below this counts as zero in the reciprocals

bool IsZero(double v) noexcept { return std::fabs(v) <= kZeroLimit; }

// sqrt|(sum of squares - sum^2 / n) / (n - 1)|, 0 for n < 3.
double StdDevFromSums(long double Sum, long double SumSq, int n) noexcept {
    if (n < 3) return 0;
    return static_cast<double>(std::sqrt(std::fabs((SumSq - Sum * Sum / n) / (n - 1))));
}

}  // namespace

TCurveFit::TCurveFit(TComponent* AOwner) : TComponent(AOwner) {
    FData.Resize(2, kRowStep);
    Init();
}

void TCurveFit::Init() {
    FSum = TSums{};
    FNumData = 0;
    FPSplineFQ = 0;
    FData.Fill(0, 0, 0, 0, 0.0);
    FMinX = FMinY = uc_MaxReal;
    FMaxX = FMaxY = -uc_MaxReal;
    FErrIndic.Clear();
    InvalidateCaches();
}

void TCurveFit::InvalidateCaches() noexcept {
    FSplineValid = false;
    FPenSplineValid = false;
    FKendallValid = false;
}

void TCurveFit::EnsureCapacity(int Rows) {
    if (Rows <= FData.NrOfRows()) return;
    // Doubling keeps n entries at O(n) copies in all; the row count stays a multiple of the step.
    const int64_t doubled = std::max<int64_t>(Rows, int64_t{2} * FData.NrOfRows());
    const int64_t rounded = (doubled + kRowStep - 1) / kRowStep * kRowStep;
    FData.Resize(2, static_cast<int>(std::min<int64_t>(rounded, INT32_MAX)));
}

void TCurveFit::Accumulate(double x, double y, int Sign) {
    using ld = long double;
    TSums& s = FSum;
    const ld lx = x, ly = y, sg = Sign;
    s.x += sg * lx;
    s.y += sg * ly;
    s.xq += sg * lx * lx;
    s.yq += sg * ly * ly;
    s.diff += sg * (lx - ly);
    s.diffq += sg * (lx - ly) * (lx - ly);
    s.xy += sg * lx * ly;
    s.x2y += sg * lx * lx * ly;
    s.xy2 += sg * lx * ly * ly;
    s.x3 += sg * lx * lx * lx;
    s.y3 += sg * ly * ly * ly;
    s.x4 += sg * lx * lx * lx * lx;
    s.y4 += sg * ly * ly * ly * ly;

    // Reciprocals: a zero value stands in as the largest double. Conditions are recorded only
    // on entry (removal leaves ErrIndic as it was).
    const bool entering = Sign > 0;
    const auto note = [&](TCurveFitError e) {
        if (entering) FErrIndic.Include(e);
    };
    const ld M = uc_MaxReal;
    const bool xZero = IsZero(x), yZero = IsZero(y);
    // One division per value; the reciprocal sums reuse it.
    const ld rx = xZero ? M : 1 / lx;
    const ld ry = yZero ? M : 1 / ly;
    if (yZero) note(TCurveFitError::cfeYEQ0);
    if (xZero) note(TCurveFitError::cfeXEQ0);
    s.r1byy += sg * ry;
    s.r1byyq += sg * ry * ry;
    s.xbyy += sg * lx * ry;
    // 1/(xy): the substitute M once when both are zero, else M/y or M/x for the zero one.
    s.r1byxy += sg * (xZero && yZero ? M : rx * ry);
    s.r1byx += sg * rx;
    s.r1byxq += sg * rx * rx;
    s.ybyx += sg * ly * rx;
    // Logarithms of positive values only; the double logarithm is exact to an ulp, the sums
    // keep the extended precision.
    if (x > 0) {
        const ld lnx = std::log(x);
        s.lnx += sg * lnx;
        s.lnxq += sg * lnx * lnx;
        s.ylnx += sg * ly * lnx;
        s.xlnx += sg * lx * lnx;
        s.yqlnx += sg * ly * ly * lnx;
        if (y != 0)
            s.lnxbyy += sg * lnx / ly;
        else
            note(TCurveFitError::cfeYEQ0);
        if (y > 0)
            s.lnxlny += sg * lnx * std::log(y);
        else
            note(TCurveFitError::cfeYLE0);
    } else {
        note(TCurveFitError::cfeXLE0);
    }
    if (y > 0) {
        const ld lny = std::log(y);
        s.lny += sg * lny;
        s.ylny += sg * ly * lny;
        s.lnyq += sg * lny * lny;
        s.xlny += sg * lx * lny;
        s.xqlny += sg * lx * lx * lny;
        if (x != 0)
            s.lnybyx += sg * lny / lx;
        else
            note(TCurveFitError::cfeXEQ0);
    } else {
        note(TCurveFitError::cfeYLE0);
    }
}

int TCurveFit::EnterStatValue(double x, double y) {
    EnsureCapacity(FNumData + 1);
    FMinX = std::min(FMinX, x);
    FMaxX = std::max(FMaxX, x);
    FMinY = std::min(FMinY, y);
    FMaxY = std::max(FMaxY, y);
    Accumulate(x, y, 1);
    ++FNumData;
    double* cells = FData.Data();
    const int64_t ld = FData.NrOfRows();
    cells[FNumData - 1] = x;
    cells[ld + FNumData - 1] = y;
    InvalidateCaches();
    return FNumData;
}

void TCurveFit::RemoveStatValue(int ix) {
    InvalidateCaches();
    if (ix < 1 || ix > FNumData) return;
    double* xs = FData.Data();
    double* ys = xs + FData.NrOfRows();
    Accumulate(xs[ix - 1], ys[ix - 1], -1);
    std::copy(xs + ix, xs + FNumData, xs + ix - 1);
    std::copy(ys + ix, ys + FNumData, ys + ix - 1);
    --FNumData;
    xs[FNumData] = 0;
    ys[FNumData] = 0;
}

void TCurveFit::FlipXY() {
    TSums& s = FSum;
    std::swap(FMinX, FMinY);
    std::swap(FMaxX, FMaxY);
    std::swap(s.x, s.y);
    std::swap(s.xq, s.yq);
    std::swap(s.x2y, s.xy2);
    std::swap(s.x3, s.y3);
    std::swap(s.x4, s.y4);
    std::swap(s.r1byy, s.r1byx);
    std::swap(s.r1byyq, s.r1byxq);
    std::swap(s.xbyy, s.ybyx);
    std::swap(s.lnx, s.lny);
    std::swap(s.lnxq, s.lnyq);
    std::swap(s.ylnx, s.xlny);
    std::swap(s.xlnx, s.ylny);
    std::swap(s.lnxbyy, s.lnybyx);
    std::swap(s.xqlny, s.yqlnx);
    s.diff = -s.diff;
    double* xs = FData.Data();
    std::swap_ranges(xs, xs + FData.NrOfRows(), xs + FData.NrOfRows());
    InvalidateCaches();
}

double TCurveFit::GetDataX(int ix) const noexcept {
    return ix >= 1 && ix <= FNumData ? FData.Data()[ix - 1] : 0.0;
}

double TCurveFit::GetDataY(int ix) const noexcept {
    return ix >= 1 && ix <= FNumData ? FData.Data()[FData.NrOfRows() + ix - 1] : 0.0;
}

void TCurveFit::SetNatural1(bool Value) noexcept {
    FNatural1 = Value;
    FSplineValid = false;
}
void TCurveFit::SetNaturalN(bool Value) noexcept {
    FNaturalN = Value;
    FSplineValid = false;
}
void TCurveFit::SetY1Dash(double Value) noexcept {
    FY1Dash = Value;
    FSplineValid = false;
}
void TCurveFit::SetYNDash(double Value) noexcept {
    FYNDash = Value;
    FSplineValid = false;
}
void TCurveFit::SetSplineSmoothing(double Value) noexcept {
    FPSplineSmooth = Value;
    FPenSplineValid = false;
}

// --- descriptive statistics -------------------------------------------------------------------

double TCurveFit::GetMeanX() const noexcept {
    return FNumData > 0 ? static_cast<double>(FSum.x / FNumData) : 0.0;
}
double TCurveFit::GetMeanY() const noexcept {
    return FNumData > 0 ? static_cast<double>(FSum.y / FNumData) : 0.0;
}
double TCurveFit::GetMeanDiff() const noexcept {
    return FNumData > 0 ? static_cast<double>(FSum.diff / FNumData) : 0.0;
}
double TCurveFit::GetStdDevX() const noexcept { return StdDevFromSums(FSum.x, FSum.xq, FNumData); }
double TCurveFit::GetStdDevY() const noexcept { return StdDevFromSums(FSum.y, FSum.yq, FNumData); }
double TCurveFit::GetStdDevDiff() const noexcept {
    return StdDevFromSums(FSum.diff, FSum.diffq, FNumData);
}

double TCurveFit::GetRxy() const noexcept {
    const int n = FNumData;
    if (n <= 2 || FSum.xq <= 0 || FSum.yq <= 0) return 0;
    const long double a = FSum.xq - FSum.x * FSum.x / n;
    const long double b = FSum.yq - FSum.y * FSum.y / n;
    if (a == 0 || b == 0) return 0;
    return static_cast<double>((FSum.xy - FSum.x * FSum.y / n) / std::sqrt(std::fabs(a * b)));
}

void TCurveFit::CalcStatistics(int& NumData, double& MeanX, double& MeanY, double& StdevX,
                               double& StdevY, double& MeanDiff, double& StdevDiff,
                               double& rxy) const {
    NumData = FNumData;
    MeanX = GetMeanX();
    MeanY = GetMeanY();
    MeanDiff = GetMeanDiff();
    StdevX = GetStdDevX();
    StdevY = GetStdDevY();
    StdevDiff = GetStdDevDiff();
    rxy = GetRxy();
}

double TCurveFit::PercentileX(double prob) const {
    return FNumData > 0 ? FData.Percentile(prob, 1, 1, 1, FNumData) : 0.0;
}
double TCurveFit::PercentileY(double prob) const {
    return FNumData > 0 ? FData.Percentile(prob, 2, 1, 2, FNumData) : 0.0;
}
bool TCurveFit::QuartilesX(double& q1, double& q2, double& q3) const {
    q1 = q2 = q3 = 0;
    return FNumData > 0 && FData.Quartiles(1, 1, 1, FNumData, q1, q2, q3);
}
bool TCurveFit::QuartilesY(double& q1, double& q2, double& q3) const {
    q1 = q2 = q3 = 0;
    return FNumData > 0 && FData.Quartiles(2, 1, 2, FNumData, q1, q2, q3);
}

double TCurveFit::ColumnSkewKurt(int Col, bool Kurtosis) const {
    if (FNumData == 0) return 0;
    double skew = 0, kurt = 0;
    FData.SkewKurtSample(Col, 1, Col, FNumData, skew, kurt);
    return Kurtosis ? kurt : skew;
}
double TCurveFit::GetSkewnessX() const { return ColumnSkewKurt(1, false); }
double TCurveFit::GetSkewnessY() const { return ColumnSkewKurt(2, false); }
double TCurveFit::GetKurtosisX() const { return ColumnSkewKurt(1, true); }
double TCurveFit::GetKurtosisY() const { return ColumnSkewKurt(2, true); }

double TCurveFit::ColumnMean(int Col) const {
    double mean = 0, variance = 0;
    FData.MeanVar(Col, 1, Col, FNumData, mean, variance);
    return mean;
}

double TCurveFit::CircularMean(int Col) const {
    if (FNumData == 0) return 0;
    constexpr double kRad = std::numbers::pi / 180;
    const double* v = FData.Data() + static_cast<int64_t>(Col - 1) * FData.NrOfRows();
    long double S = 0, C = 0;
    for (int i = 0; i < FNumData; ++i) {
        S += std::sin(v[i] * kRad);
        C += std::cos(v[i] * kRad);
    }
    const double e = static_cast<double>(std::atan(S / C)) / kRad;
    if (C >= 0) return S >= 0 ? e : e + 360;
    return e + 180;
}
double TCurveFit::GetMeanXDegrees() const { return CircularMean(1); }
double TCurveFit::GetMeanYDegrees() const { return CircularMean(2); }

}  // namespace ozm
