// The incomplete gamma and beta kernels (series and continued fractions with a tolerance and a
// step limit), the accurate prefactors built from Stirling's series, the tails of the gamma, beta
// and normal distributions and their inverses.
#include <algorithm>
#include <cmath>

#include "statistics/statis_internal.hpp"

namespace ozm::statis::detail {

namespace {

// Smallest magnitude the Lentz recurrence lets a denominator take (avoids division by zero).
constexpr ld kLentzFloor = std::numeric_limits<ld>::min() / std::numeric_limits<ld>::epsilon();

// (z - ½) ln z - z + ½ ln 2π, the main part of Stirling's formula.
ld StirlingMain(ld z) noexcept { return (z - 0.5L) * std::log(z) - z + kLnSqrt2Pi; }

// Stirling's series of lnΓ(z) - StirlingMain(z) for z >= 20; the omitted term is below 1e-21.
ld StirlingSeries(ld z) noexcept {
    const ld r = 1 / z;
    const ld r2 = r * r;
    return r * (1.0L / 12 -
                r2 * (1.0L / 360 -
                      r2 * (1.0L / 1260 -
                            r2 * (1.0L / 1680 -
                                  r2 * (1.0L / 1188 - r2 * (691.0L / 360360 - r2 / 156))))));
}

constexpr ld kStirlingFrom = 20;

// lnΓ(a) for 0 < a < 20 by the upward recurrence Γ(a) = Γ(a + n)/(a (a + 1) ... (a + n - 1)).
ld LnGammaShifted(ld a) noexcept {
    ld prod = 1;
    ld z = a;
    while (z < kStirlingFrom) {
        prod *= z;
        z += 1;
    }
    return StirlingMain(z) + StirlingSeries(z) - std::log(prod);
}

// Step limit of the accurate kernels: the series and fractions need O(√a) steps where x is near
// the mode; a generous multiple of that bounds them without ever cutting a converging run short.
// The hard cap (about 0.1 s) is reached only where both beta parameters exceed about 1e11; the
// gamma kernel hands such sizes to the uniform expansion below.
long AccurateSteps(ld scale) noexcept {
    const ld s = 2000 + 40 * std::sqrt(scale);
    return s > 2e7L ? 20000000L : static_cast<long>(s);
}

// From this a on, the incomplete gamma function is Temme's uniform expansion with its leading
// coefficient: the first omitted term is C1(η)/a relative to C0(η), below 1e-13 (C1/C0 is about
// 1/180 near the centre); below it the series and fraction need at most a few million steps.
constexpr ld kTemmeFrom = 1e11L;

// Temme: Q(a, x) = ½ erfc(η √(a/2)) + e^(-aη²/2)/√(2πa) (C0(η) + O(1/a)), with λ = x/a,
// η = sign(λ - 1) √(2 (λ - 1 - ln λ)), C0 = 1/(λ - 1) - 1/η; P takes the mirrored form, so
// each tail keeps its relative accuracy.
TTails GammaTemme(ld a, ld x) noexcept {
    const ld t = (x - a) / a;
    const ld d = t < -0.5L ? t - std::log(x / a) : -Log1pmx(t);  // λ - 1 - ln λ >= 0
    const ld eta = std::copysign(std::sqrt(2 * d), t);
    ld c0;
    if (std::fabs(eta) < 1e-3L)
        c0 = -1.0L / 3 + eta * (1.0L / 12 + eta * (-2.0L / 135 + eta * (1.0L / 864)));
    else
        c0 = 1 / t - 1 / eta;
    const ld r = std::exp(-a * d - 0.5L * std::log(2 * kPi * a)) * c0;
    const ld z = eta * std::sqrt(a / 2);
    if (eta >= 0) {
        const ld upper = 0.5L * std::erfc(z) + r;
        return {1 - upper, upper};
    }
    const ld lower = 0.5L * std::erfc(-z) - r;
    return {lower, 1 - lower};
}

}  // namespace

TIterResult GammaSeries(ld a, ld x, ld tol, long maxTerms) noexcept {
    ld sum = 1 / a;
    ld term = sum;
    ld ap = a;
    for (long k = 1; k <= maxTerms; ++k) {
        const ld before = ap;
        ap += 1;
        if (ap == before) break;  // a beyond 2^64: the terms no longer change, no convergence
        term *= x / ap;
        sum += term;
        if (std::fabs(term) < std::fabs(sum) * tol) return {sum, true};
    }
    return {sum, false};
}

TIterResult GammaContFrac(ld a, ld x, ld tol, long maxSteps) noexcept {
    ld a0 = 1, a1 = x, b0 = 0, b1 = 1, fac = 1, g = 0, gold = 0;
    for (long n = 1; n <= maxSteps; ++n) {
        const ld an = static_cast<ld>(n);
        const ld ana = an - a;
        a0 = (a1 + a0 * ana) * fac;
        b0 = (b1 + b0 * ana) * fac;
        const ld anf = an * fac;
        a1 = x * a0 + anf * a1;
        b1 = x * b0 + anf * b1;
        if (a1 != 0) {
            fac = 1 / a1;
            g = b1 * fac;
            if (std::fabs((g - gold) / g) < tol) return {g, true};
            gold = g;
        }
    }
    return {g, false};
}

TIterResult BetaContFrac(ld a, ld b, ld x, ld tol, long maxSteps) noexcept {
    const ld qab = a + b, qap = a + 1, qam = a - 1;
    ld c = 1;
    ld d = 1 - qab * x / qap;
    if (std::fabs(d) < kLentzFloor) d = kLentzFloor;
    d = 1 / d;
    ld h = d;
    for (long m = 1; m <= maxSteps; ++m) {
        const ld fm = static_cast<ld>(m);
        const ld m2 = 2 * fm;
        ld aa = fm * (b - fm) * x / ((qam + m2) * (a + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < kLentzFloor) d = kLentzFloor;
        c = 1 + aa / c;
        if (std::fabs(c) < kLentzFloor) c = kLentzFloor;
        d = 1 / d;
        h *= d * c;
        aa = -(a + fm) * (qab + fm) * x / ((a + m2) * (qap + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < kLentzFloor) d = kLentzFloor;
        c = 1 + aa / c;
        if (std::fabs(c) < kLentzFloor) c = kLentzFloor;
        d = 1 / d;
        const ld del = d * c;
        h *= del;
        if (std::fabs(del - 1) < tol) return {h, true};
    }
    return {h, false};
}

ld Log1pmx(ld t) noexcept {
    if (std::fabs(t) < 0.01L) {
        // -t²/2 + t³/3 - ...: at |t| < 0.01 each term is 100 times smaller than the last.
        ld power = t * t;
        ld sum = -power / 2;
        for (int k = 3; k < 40; ++k) {
            power *= -t;
            const ld term = power / k;
            sum -= term;
            if (std::fabs(term) < std::fabs(sum) * std::numeric_limits<ld>::epsilon()) break;
        }
        return sum;
    }
    return std::log1p(t) - t;
}

ld LnGammaCorr(ld a) noexcept {
    if (a >= kStirlingFrom) return StirlingSeries(a);
    return LnGammaShifted(a) - StirlingMain(a);
}

ld LnGammaAcc(ld a) noexcept {
    if (a >= kStirlingFrom) return StirlingMain(a) + StirlingSeries(a);
    return LnGammaShifted(a);
}

ld GammaPrefix(ld a, ld x) noexcept {
    if (!(x > 0)) return 0;
    // x^a e^-x / Γ(a) = √(a/2π) · exp(a (ln(1 + t) - t) - corr(a)), t = (x - a)/a: the large
    // terms a ln x, x and lnΓ(a) cancel analytically instead of in floating point.
    const ld t = (x - a) / a;
    const ld lm = t < -0.5L ? std::log(x / a) - t : Log1pmx(t);
    return std::sqrt(a / (2 * kPi)) * std::exp(a * lm - LnGammaCorr(a));
}

TTails GammaTails(ld a, ld x) noexcept {
    if (std::isnan(a) || std::isnan(x) || !(a > 0) || std::isinf(a)) return {kNaN, kNaN};
    if (x <= 0) return {0, 1};
    if (std::isinf(x)) return {1, 0};
    if (a >= kTemmeFrom) return GammaTemme(a, x);
    const ld g = GammaPrefix(a, x);
    const long steps = AccurateSteps(a);
    if (x < a + 1) {
        const TIterResult s = GammaSeries(a, x, kAccurateTol, steps);
        if (!s.converged) return {kNaN, kNaN};
        const ld lower = std::min<ld>(g * s.value, 1);
        return {lower, 1 - lower, g};
    }
    const TIterResult f = GammaContFrac(a, x, kAccurateTol, steps);
    if (!f.converged) return {kNaN, kNaN};
    const ld upper = std::min<ld>(g * f.value, 1);
    return {1 - upper, upper, g};
}

ld BetaPrefix(ld a, ld b, ld x, ld y) noexcept {
    if (!(x > 0) || !(y > 0)) return 0;
    // x^a y^b / B(a, b) = √(ab/(2πc)) (xc/a)^a (yc/b)^b e^(corr(c) - corr(a) - corr(b)), c = a + b,
    // with each power written as exp(a (ln(1 + u) - u)) and the linear parts a u + b v summed
    // exactly to c (x + y - 1).
    const ld c = a + b;
    const ld u = (x * c - a) / a;
    const ld v = (y * c - b) / b;
    const ld la = u < -0.5L ? std::log(x * c / a) - u : Log1pmx(u);
    const ld lb = v < -0.5L ? std::log(y * c / b) - v : Log1pmx(v);
    const ld e = a * la + b * lb + c * ((x + y) - 1) + LnGammaCorr(c) - LnGammaCorr(a) -
                 LnGammaCorr(b);
    return std::sqrt(a * b / (2 * kPi * c)) * std::exp(e);
}

TTails BetaTails(ld a, ld b, ld x, ld y) noexcept {
    if (std::isnan(a) || std::isnan(b) || std::isnan(x) || std::isnan(y) || !(a > 0) ||
        !(b > 0) || std::isinf(a) || std::isinf(b))
        return {kNaN, kNaN};
    if (x <= 0) return {0, 1};
    if (y <= 0) return {1, 0};
    const ld bt = BetaPrefix(a, b, x, y);
    const long steps = AccurateSteps(std::max(a, b));
    if (x < (a + 1) / (a + b + 2)) {
        const TIterResult f = BetaContFrac(a, b, x, kAccurateTol, steps);
        if (!f.converged) return {kNaN, kNaN};
        const ld lower = std::min<ld>(bt * f.value / a, 1);
        return {lower, 1 - lower, bt};
    }
    const TIterResult f = BetaContFrac(b, a, y, kAccurateTol, steps);
    if (!f.converged) return {kNaN, kNaN};
    const ld upper = std::min<ld>(bt * f.value / b, 1);
    return {1 - upper, upper, bt};
}

ld LnInvBeta(ld a, ld b) noexcept {
    const ld c = a + b;
    return 0.5L * std::log(a * b / (2 * kPi * c)) + a * std::log1p(b / a) +
           b * std::log1p(a / b) + LnGammaCorr(c) - LnGammaCorr(a) - LnGammaCorr(b);
}

TTails NormalTails(ld x) noexcept {
    constexpr ld kInvSqrt2 = 0.707106781186547524400844362104849039L;
    return {0.5L * std::erfc(-x * kInvSqrt2), 0.5L * std::erfc(x * kInvSqrt2)};
}

namespace {

// Solves T(s) = target for s in (lo, hi) by Newton steps on ln T against ln s, falling back to
// bisection (geometric where the bracket allows) whenever a step leaves the bracket. eval(s)
// returns T(s) and |d ln T / d ln s|; T rises with s when rising, else falls. At most 400 steps.
template <class Eval>
ld SolveTail(Eval eval, ld target, bool rising, ld s, ld lo, ld hi) noexcept {
    const ld lnTarget = std::log(target);
    for (int iter = 0; iter < 400; ++iter) {
        const auto [val, slope] = eval(s);
        if (std::isnan(val)) return kNaN;
        if (val == target) return s;
        const bool tooSmall = rising ? (val < target) : (val > target);
        (tooSmall ? lo : hi) = s;
        ld next = kNaN;
        if (val > 0 && slope > 0) {
            const ld delta = (lnTarget - std::log(val)) / (rising ? slope : -slope);
            next = s * std::exp(delta);
            // Newton's error after a step is of the order of the step squared: below 1e-9 the
            // new point is good to about 1e-18, beyond what a double result can show.
            // (The step may round to nothing; the point then stays where it is.)
            if (std::fabs(delta) < 1e-9L) return std::clamp(next, lo, hi);
        }
        if (!(next > lo && next < hi)) {
            if (std::isinf(hi)) next = std::max(s, lo) * 8;
            else if (lo > 0) next = hi / lo > 4 ? std::sqrt(lo) * std::sqrt(hi) : (lo + hi) / 2;
            else next = hi / 8;
        }
        if (next == s || (std::isfinite(hi) && hi - lo <= 2 * std::numeric_limits<ld>::epsilon() * hi))
            return next;
        s = next;
    }
    return s;
}

struct TValSlope {
    ld val;
    ld slope;
};

}  // namespace

ld NormalQuantileAcc(ld p, ld q) noexcept {
    if (std::isnan(p) || std::isnan(q)) return kNaN;
    if (p <= 0) return -kInf;
    if (q <= 0) return kInf;
    const bool lowerSide = p <= q;
    const ld t = lowerSide ? p : q;
    // Abramowitz-Stegun 26.2.23 for the upper quantile z of t, then Newton on ln Q(z).
    const ld c = -2 * std::log(t);
    const ld r = std::sqrt(c);
    ld z = r - (2.515517L + 0.802853L * r + 0.010328L * c) /
                   (1 + 1.432788L * r + c * (0.189269L + 0.001308L * r));
    for (int i = 0; i < 50; ++i) {
        const ld qz = NormalTails(z).upper;
        const ld phi = std::exp(-z * z / 2 - kLnSqrt2Pi);
        const ld step = (std::log(qz) - std::log(t)) * qz / phi;
        if (!std::isfinite(step)) break;
        z += step;
        if (std::fabs(step) <= 4 * std::numeric_limits<ld>::epsilon() * std::max<ld>(1, std::fabs(z)))
            break;
    }
    return lowerSide ? -z : z;
}

ld GammaQuantile(ld a, ld p, ld q) noexcept {
    if (std::isnan(a) || std::isnan(p) || std::isnan(q) || !(a > 0)) return kNaN;
    if (p <= 0) return 0;
    if (q <= 0) return kInf;
    const bool lowerSide = p <= q;
    // P(a, x) <= x^a / Γ(a + 1) for every x, so this x is a lower bound of the quantile.
    const ld lowerBound = std::exp((std::log(p) + LnGammaAcc(a + 1)) / a);
    // Wilson-Hilferty start.
    const ld z = NormalQuantileAcc(p, q);
    const ld w = 1 - 1 / (9 * a) + z / (3 * std::sqrt(a));
    ld start = w > 0 ? a * w * w * w : lowerBound;
    if (!(start > lowerBound)) start = lowerBound * 1.0001L;
    if (!std::isfinite(start)) start = a;
    auto eval = [a, lowerSide](ld s) {
        const TTails t = GammaTails(a, s);
        const ld val = lowerSide ? t.lower : t.upper;
        return TValSlope{val, (t.prefix > 0 ? t.prefix : GammaPrefix(a, s)) / val};
    };
    return SolveTail(eval, lowerSide ? p : q, lowerSide, start, lowerBound * (1 - 1e-15L), kInf);
}

void BetaQuantile(ld a, ld b, ld p, ld q, ld& x, ld& y) noexcept {
    if (std::isnan(a) || std::isnan(b) || std::isnan(p) || std::isnan(q) || !(a > 0) ||
        !(b > 0)) {
        x = y = kNaN;
        return;
    }
    if (p <= 0) {
        x = 0, y = 1;
        return;
    }
    if (q <= 0) {
        x = 1, y = 0;
        return;
    }
    // Start value (Abramowitz-Stegun 26.5.22 for a, b >= 1, the tail power laws otherwise).
    ld x0;
    if (a >= 1 && b >= 1) {
        const ld zu = NormalQuantileAcc(q, p);
        const ld al = (zu * zu - 3) / 6;
        const ld h = 2 / (1 / (2 * a - 1) + 1 / (2 * b - 1));
        const ld w = zu * std::sqrt(al + h) / h -
                     (1 / (2 * b - 1) - 1 / (2 * a - 1)) * (al + 5.0L / 6 - 2 / (3 * h));
        x0 = a / (a + b * std::exp(2 * w));
    } else {
        const ld c = a + b;
        const ld ta = std::exp(a * std::log(a / c)) / a;
        const ld tb = std::exp(b * std::log(b / c)) / b;
        const ld wsum = ta + tb;
        x0 = p < ta / wsum ? std::pow(a * wsum * p, 1 / a) : 1 - std::pow(b * wsum * q, 1 / b);
    }
    if (!(x0 > 0 && x0 < 1)) x0 = a / (a + b);
    // Solve in the variable that stays small, so its complement keeps full precision.
    const bool swap = x0 > 0.5L;
    const ld A = swap ? b : a, B = swap ? a : b;
    const ld P = swap ? q : p, Q = swap ? p : q;
    ld s0 = swap ? 1 - x0 : x0;
    if (!(s0 > 0)) s0 = std::numeric_limits<ld>::min();
    const bool lowerSide = P <= Q;
    auto eval = [A, B, lowerSide](ld s) {
        const TTails t = BetaTails(A, B, s, 1 - s);
        const ld val = lowerSide ? t.lower : t.upper;
        return TValSlope{val, (t.prefix > 0 ? t.prefix : BetaPrefix(A, B, s, 1 - s)) / ((1 - s) * val)};
    };
    const ld s = SolveTail(eval, lowerSide ? P : Q, lowerSide, s0, 0, 1);
    x = swap ? 1 - s : s;
    y = swap ? s : 1 - s;
}

}  // namespace ozm::statis::detail
