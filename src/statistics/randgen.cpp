// TRandGen: table of relative probabilities and rejection sampling against it.

#include <algorithm>
#include <cmath>

#include "ozm/frame.hpp"
#include "ozm/platform/random.hpp"
#include "ozm/statis/distributions.hpp"
#include "ozm/statis/randgen.hpp"
#include "ozm/statis/gammabeta.hpp"

namespace ozm {

TRandGen::TRandGen(TComponent* AOwner) : TComponent(AOwner) {
    GuardAllocation<EOZMStatisError>(*this, [this] { FDistVec.assign(500, 1.0); });
}

void TRandGen::SetResolution(int Count) {
    Count = std::clamp(Count, 10, 4000);
    GuardAllocation<EOZMStatisError>(
        *this, [&] { std::vector<double>(static_cast<size_t>(Count), 1.0).swap(FDistVec); },
        kMsgNoMemory);
    FResolution = Count;
}

double TRandGen::GetProbability(int Idx) const noexcept {
    return Idx >= 1 && Idx <= FResolution ? FDistVec[size_t(Idx - 1)] : 0.0;
}

void TRandGen::SetProbability(int Idx, double Value) noexcept {
    if (Idx < 1 || Idx > FResolution) return;
    FDistVec[size_t(Idx - 1)] = std::isnan(Value) ? 0.0 : std::clamp(Value, 0.0, 1.0);
}

double TRandGen::GetLambda(int ix) const noexcept {
    if (ix <= 0) return FLowBorder;
    if (ix > FResolution) return FHighBorder;
    return FLowBorder + (ix - 1) * (FHighBorder - FLowBorder) / FResolution;
}

int TRandGen::IndexOfLambda(double Lambda) const noexcept {
    if (Lambda < FLowBorder) return 0;
    if (Lambda > FHighBorder) return FResolution + 1;
    const double width = FHighBorder - FLowBorder;
    if (!(width > 0)) return 1;
    const double pos = std::floor((Lambda - FLowBorder) * FResolution / width);
    return static_cast<int>(std::min(pos, double(FResolution))) + 1;
}

double TRandGen::Random() {
    const int res = FResolution;
    int a = 0;
    double r = 0.0;
    for (int candidate = 0; candidate < 100001; ++candidate) {
        a = ozm::Random(res);
        r = ozm::Random();
        const double p = a + 1 < res
                             ? FDistVec[size_t(a)] + r * (FDistVec[size_t(a + 1)] - FDistVec[size_t(a)])
                             : FDistVec[size_t(a)] * (1 - r);
        if (p >= 1 || p > ozm::Random()) break;
    }
    return FLowBorder + (a + r) * (FHighBorder - FLowBorder) / res;
}

void TRandGen::Normalize() noexcept {
    const auto [lo, hi] = std::minmax_element(FDistVec.begin(), FDistVec.end());
    const double mn = *lo, mx = *hi;
    if (!(mx > mn)) return;
    for (double& v : FDistVec) v = (v - mn) / (mx - mn);
}

bool TRandGen::Standardize() noexcept {
    const double mx = *std::max_element(FDistVec.begin(), FDistVec.end());
    if (!(mx > 0) || !std::isfinite(mx)) return false;
    for (double& v : FDistVec) v /= mx;
    return true;
}

template <typename Density>
void TRandGen::FillFrom(Density&& f) noexcept {
    const double half = (FHighBorder - FLowBorder) / FResolution / 2;
    for (int i = 1; i <= FResolution; ++i) {
        const double x = GetLambda(i);
        double v = f(x);
        if (std::isinf(v)) v = f(x + half);
        FDistVec[size_t(i - 1)] = std::isfinite(v) && v > 0 ? v : 0.0;
    }
}

void TRandGen::UniformDistri() noexcept { std::fill(FDistVec.begin(), FDistVec.end(), 1.0); }

void TRandGen::NormalDistri(double m, double s) noexcept {
    if (!(s > 0)) {
        std::fill(FDistVec.begin(), FDistVec.end(), 0.0);
        const int ix = IndexOfLambda(m);
        if (ix >= 1 && ix <= FResolution) FDistVec[size_t(ix - 1)] = 1.0;
        return;
    }
    FillFrom([m, s](double x) { return std::exp(-(x - m) * (x - m) / (2 * s * s)); });
}

void TRandGen::WeibullDistri(double beta, double eta) noexcept {
    FillFrom([beta, eta](double x) { return statis::WeibullDensity(x, beta, eta); });
}

void TRandGen::Chi2Distri(double df) noexcept {
    FillFrom([df](double x) { return x < 0 ? 0.0 : statis::Chi2DistriDensity(x, df); });
}

void TRandGen::FDistri(double df1, double df2) noexcept {
    FillFrom([df1, df2](double x) { return x <= 0 ? 0.0 : statis::FDistriDensity(x, df1, df2); });
}

void TRandGen::tDistri(double df) noexcept {
    FillFrom([df](double x) { return statis::tDistriDensity(x, df); });
}

}  // namespace ozm
