// χ², F, Student's t and binomial distributions on the accurate incomplete gamma and beta
// kernels.
#include <algorithm>
#include <cmath>
#include <limits>

#include "ozm/statis/distributions.hpp"
#include "statistics/statis_internal.hpp"

namespace ozm::statis {

using detail::ld;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool ValidDf(double df) noexcept { return df > 0; }  // false for NaN
bool ValidProb(double p) noexcept { return p >= 0 && p <= 1; }

// The complement 1 - p, exact for p >= 0.5 and within one extended ulp below.
ld Complement(double p) noexcept { return 1 - static_cast<ld>(p); }

// Beyond this many degrees of freedom t is normal and F the scaled χ² limit to better than 1e-12
// relative (the differences are O(1/df)), and the beta parameters df/2 would no longer carry the
// other parameter's ½ in extended precision.
constexpr double kDfLimit = 1e18;

// Beta variables of Student's t: x = df/(df + t²), y = t²/(df + t²), each without cancellation.
void TToBeta(ld t, ld df, ld& x, ld& y) noexcept {
    const ld t2 = t * t;
    if (std::isinf(t2)) {
        x = 0, y = 1;
        return;
    }
    x = df / (df + t2);
    y = t2 / (df + t2);
}

// Beta variables of F: x = d1 f/(d1 f + d2), y = d2/(d1 f + d2).
void FToBeta(ld f, ld d1, ld d2, ld& x, ld& y) noexcept {
    if (std::isinf(f)) {
        x = 1, y = 0;
        return;
    }
    const ld s = d1 * f + d2;
    x = d1 * f / s;
    y = d2 / s;
}

}  // namespace

// --- χ² -------------------------------------------------------------------------------------------

double Chi2DistriDensity(double x, double df) noexcept {
    if (std::isnan(x) || !ValidDf(df)) return kNaN;
    if (x < 0 || std::isinf(x)) return 0;
    if (x == 0) return df < 2 ? kInf : (df == 2 ? 0.5 : 0);
    const ld a = static_cast<ld>(df) / 2;
    return static_cast<double>(detail::GammaPrefix(a, static_cast<ld>(x) / 2) / x);
}

double chi2DistriIntegral(double x, double df) noexcept {
    if (std::isnan(x) || !ValidDf(df)) return kNaN;
    return static_cast<double>(detail::GammaTails(static_cast<ld>(df) / 2, static_cast<ld>(x) / 2).lower);
}

double chi2DistriQuantile(double p, double df) noexcept {
    if (!ValidProb(p) || !ValidDf(df)) return kNaN;
    return static_cast<double>(2 * detail::GammaQuantile(static_cast<ld>(df) / 2, p, Complement(p)));
}

// --- F --------------------------------------------------------------------------------------------

double FDistriDensity(double x, double df1, double df2) noexcept {
    if (std::isnan(x) || !ValidDf(df1) || !ValidDf(df2)) return kNaN;
    if (x < 0 || std::isinf(x)) return 0;
    if (x == 0) return df1 < 2 ? kInf : (df1 == 2 ? 1 : 0);
    if (df1 > kDfLimit && df2 > kDfLimit) return kNaN;
    if (df2 > kDfLimit) return df1 * Chi2DistriDensity(df1 * x, df1);  // χ²(df1)/df1
    if (df1 > kDfLimit) return df2 / (x * x) * Chi2DistriDensity(df2 / x, df2);  // df2/χ²(df2)
    ld bx, by;
    FToBeta(x, df1, df2, bx, by);
    return static_cast<double>(
        detail::BetaPrefix(static_cast<ld>(df1) / 2, static_cast<ld>(df2) / 2, bx, by) / x);
}

double FDistriIntegral(double x, double df1, double df2) noexcept {
    if (std::isnan(x) || !ValidDf(df1) || !ValidDf(df2)) return kNaN;
    if (x <= 0) return 0;
    if (df1 > kDfLimit && df2 > kDfLimit) return kNaN;
    if (df2 > kDfLimit)
        return static_cast<double>(
            detail::GammaTails(static_cast<ld>(df1) / 2, static_cast<ld>(df1) * x / 2).lower);
    if (df1 > kDfLimit)
        return static_cast<double>(
            detail::GammaTails(static_cast<ld>(df2) / 2, static_cast<ld>(df2) / (2 * static_cast<ld>(x))).upper);
    ld bx, by;
    FToBeta(x, df1, df2, bx, by);
    return static_cast<double>(
        detail::BetaTails(static_cast<ld>(df1) / 2, static_cast<ld>(df2) / 2, bx, by).lower);
}

double FDistriQuantile(double p, double df1, double df2) noexcept {
    if (!ValidProb(p) || !ValidDf(df1) || !ValidDf(df2)) return kNaN;
    if (p == 0) return 0;
    if (p == 1) return kInf;
    if (df1 > kDfLimit && df2 > kDfLimit) return kNaN;
    if (df2 > kDfLimit)
        return static_cast<double>(2 * detail::GammaQuantile(static_cast<ld>(df1) / 2, p, Complement(p)) / df1);
    if (df1 > kDfLimit)  // P(F <= x) = P(χ²(df2) >= df2/x)
        return static_cast<double>(df2 / (2 * detail::GammaQuantile(static_cast<ld>(df2) / 2, Complement(p), p)));
    ld x, y;
    detail::BetaQuantile(static_cast<ld>(df1) / 2, static_cast<ld>(df2) / 2, p, Complement(p), x, y);
    return static_cast<double>(static_cast<ld>(df2) / df1 * (x / y));
}

// --- Student's t ------------------------------------------------------------------------------------

double tDistriDensity(double t, double df) noexcept {
    if (std::isnan(t) || !ValidDf(df)) return kNaN;
    if (std::isinf(t)) return 0;
    const ld lt = t;
    if (df > kDfLimit) return static_cast<double>(std::exp(-lt * lt / 2 - detail::kLnSqrt2Pi));
    const ld nu = df;
    // Γ((ν+1)/2)/(√(νπ) Γ(ν/2)) (1 + t²/ν)^(-(ν+1)/2) = (1/B(ν/2, ½)) ν^(-½) (...)
    const ld ln = detail::LnInvBeta(nu / 2, 0.5L) - 0.5L * std::log(nu) -
                  (nu + 1) / 2 * std::log1p(lt * lt / nu);
    return static_cast<double>(std::exp(ln));
}

double tDistriIntegral(double t, double df) noexcept {
    if (std::isnan(t) || !ValidDf(df)) return kNaN;
    const ld lt = t;
    if (df > kDfLimit) return static_cast<double>(detail::NormalTails(lt).lower);
    if (t == 0) return 0.5;
    ld x, y;
    TToBeta(lt, df, x, y);
    // P(T <= -|t|) = ½ I_x(ν/2, ½); the other side is its complement.
    const detail::TTails b = detail::BetaTails(static_cast<ld>(df) / 2, 0.5L, x, y);
    const ld tail = b.lower / 2;
    return static_cast<double>(t < 0 ? tail : 1 - tail);
}

double tDistriQuantile(double p, double df) noexcept {
    if (!ValidProb(p) || !ValidDf(df)) return kNaN;
    if (p == 0) return -kInf;
    if (p == 1) return kInf;
    if (p == 0.5) return 0;
    const ld pt = p < 0.5 ? static_cast<ld>(p) : Complement(p);  // the smaller tail
    ld q;
    if (df > kDfLimit) {
        q = detail::NormalQuantileAcc(pt, 1 - pt);
    } else {
        // P(T <= -|q|) = pt  <=>  I_x(ν/2, ½) = 2 pt with x = ν/(ν + q²).
        ld x, y;
        detail::BetaQuantile(static_cast<ld>(df) / 2, 0.5L, 2 * pt, 1 - 2 * pt, x, y);
        q = -std::sqrt(static_cast<ld>(df) * (y / x));
    }
    return static_cast<double>(p < 0.5 ? q : -q);
}

// --- binomial ----------------------------------------------------------------------------------------

namespace {

// x ln(x/np) + np - x (Loader's bd0). Near x = np it is np ((1 + v) ln(1 + v) - v) with
// v = (x - np)/np, rewritten as np ((1 + v)(ln(1 + v) - v) + v²) so the small result is formed
// without cancellation; far from np the direct form has none.
ld Bd0(ld x, ld np) noexcept {
    const ld v = (x - np) / np;
    if (std::fabs(v) < 0.5L) return np * ((1 + v) * detail::Log1pmx(v) + v * v);
    return x * std::log(x / np) + np - x;
}

}  // namespace

double BinomDistriDensity(double p, int32_t n, int32_t k) noexcept {
    if (!ValidProb(p) || n < 0) return kNaN;
    if (k < 0 || k > n) return 0;
    const ld lp = p, lq = Complement(p);
    if (p == 0) return k == 0 ? 1 : 0;
    if (p == 1) return k == n ? 1 : 0;
    if (k == 0) return static_cast<double>(std::exp(n * std::log1p(-lp)));
    if (k == n) return static_cast<double>(std::exp(n * std::log(lp)));
    // Loader's saddle-point form: exact up to the Stirling corrections, which are computed to
    // full precision, so large n loses nothing to cancelling log-factorials.
    const ld ln = n, lk = k, lnk = ln - lk;
    const ld e = detail::LnGammaCorr(ln) - detail::LnGammaCorr(lk) - detail::LnGammaCorr(lnk) -
                 Bd0(lk, ln * lp) - Bd0(lnk, ln * lq);
    return static_cast<double>(std::exp(e) * std::sqrt(ln / (2 * detail::kPi * lk * lnk)));
}

double BinomDistriIntegral(double p, int32_t n, int32_t k) noexcept {
    if (!ValidProb(p) || n < 0) return kNaN;
    if (k < 0) return 0;
    if (k >= n) return 1;
    if (p == 0) return 1;
    if (p == 1) return 0;
    // P(X <= k) = 1 - I_p(k + 1, n - k).
    return static_cast<double>(
        detail::BetaTails(static_cast<ld>(k) + 1, static_cast<ld>(n) - k, p, Complement(p)).upper);
}

int32_t BinomDistriQuantile(double p, int32_t n, double prob) noexcept {
    if (!ValidProb(p) || n < 0 || !ValidProb(prob)) return -1;
    if (p == 0 || prob == 0) return 0;
    if (p == 1 || prob == 1) return n;
    const ld lp = p, lq = Complement(p);
    const bool lowerSide = prob <= 0.5;
    const ld target = lowerSide ? static_cast<ld>(prob) : Complement(prob);
    // P(X <= k) >= prob, compared in the smaller tail; a value within rounding of the level
    // (an exact tie such as P(X <= 3) = ½ for n = 7, p = ½) counts as reaching it.
    constexpr ld kTie = 1e-14L;
    auto reaches = [&](int32_t k) {
        if (k >= n) return true;
        const detail::TTails t =
            detail::BetaTails(static_cast<ld>(k) + 1, static_cast<ld>(n) - k, lp, lq);
        return lowerSide ? t.upper >= target * (1 - kTie) : t.lower <= target * (1 + kTie);
    };
    int32_t lo = 0, hi = n;  // reaches(hi) holds; find the smallest such k
    if (reaches(0)) return 0;
    while (hi - lo > 1) {
        const int32_t mid = lo + (hi - lo) / 2;
        (reaches(mid) ? hi : lo) = mid;
    }
    return hi;
}

}  // namespace ozm::statis
