// Kernels shared by the statis unit: the incomplete gamma series and continued fraction, the
// incomplete beta continued fraction (each with its tolerance and step limit, so the classical
// routines and the accurate distributions run the same code), accurate prefactors, tails and
// their inverses. Everything works in long double (80-bit on x86-64).
#pragma once

#include <cmath>
#include <limits>
#include <string_view>

#include "ozm/platform/exceptions.hpp"

namespace ozm::statis::detail {

using ld = long double;

inline constexpr ld kNaN = std::numeric_limits<ld>::quiet_NaN();
inline constexpr ld kInf = std::numeric_limits<ld>::infinity();
// Tolerance of the accurate kernels: a few units of extended precision.
inline constexpr ld kAccurateTol = 4 * std::numeric_limits<ld>::epsilon();
inline constexpr ld kLnSqrt2Pi = 0.918938533204672741780329736405617639861L;
inline constexpr ld kPi = 3.141592653589793238462643383279502884L;

// The unit's one error path: raises EOZMStatisError with the message as given.
[[noreturn]] inline void RaiseStatisError(std::string_view Message) {
    throw EOZMStatisError(std::string(Message));
}

// Result of a bounded iteration: the value and whether the stopping rule was met.
struct TIterResult {
    ld value;
    bool converged;
};

// S = 1/a + Σ term_k, term_k = term_(k-1)·x/(a + k), summed until a term is below tol times the
// sum (that term included) or maxTerms terms; P(a, x) = x^a e^(-x)/Γ(a) · S.
TIterResult GammaSeries(ld a, ld x, ld tol, long maxTerms) noexcept;
// G of Q(a, x) = x^a e^(-x)/Γ(a) · G by the classical recurrences (rescaled each step), stopping
// when |(G - G_previous)/G| < tol or after maxSteps steps.
TIterResult GammaContFrac(ld a, ld x, ld tol, long maxSteps) noexcept;
// CF of I_x(a, b) = x^a (1 - x)^b / B(a, b) · CF / a (modified Lentz, even and odd steps),
// stopping when the relative change is below tol or after maxSteps steps.
TIterResult BetaContFrac(ld a, ld b, ld x, ld tol, long maxSteps) noexcept;

// ln(1 + t) - t for t > -1 without cancellation where it matters.
ld Log1pmx(ld t) noexcept;
// Stirling's correction lnΓ(a) - ((a - ½) ln a - a + ½ ln 2π) for a > 0.
ld LnGammaCorr(ld a) noexcept;
// ln Γ(a) for a > 0, accurate to a few units of extended precision (no global state).
ld LnGammaAcc(ld a) noexcept;

// Both tails of a distribution, each with its own relative accuracy, and the prefactor the
// evaluation used (x^a e^-x / Γ(a) or x^a y^b / B(a, b); 0 where none was needed), from which
// the density follows without a second evaluation.
struct TTails {
    ld lower;
    ld upper;
    ld prefix = 0;
};

// x^a e^(-x) / Γ(a), accurate also for large a.
ld GammaPrefix(ld a, ld x) noexcept;
// P(a, x) and Q(a, x); NaN pair for a <= 0 or NaN arguments.
TTails GammaTails(ld a, ld x) noexcept;
// x^a y^b / B(a, b) with y = 1 - x supplied by the caller (so it keeps its precision).
ld BetaPrefix(ld a, ld b, ld x, ld y) noexcept;
// I_x(a, b) and 1 - I_x(a, b), y = 1 - x.
TTails BetaTails(ld a, ld b, ld x, ld y) noexcept;
// ln(1 / B(a, b)).
ld LnInvBeta(ld a, ld b) noexcept;

// Standard normal tails Φ(x) and 1 - Φ(x).
TTails NormalTails(ld x) noexcept;
// x with Φ(x) = p, given p and q = 1 - p (the smaller one is used).
ld NormalQuantileAcc(ld p, ld q) noexcept;
// x with P(a, x) = p (q = 1 - p).
ld GammaQuantile(ld a, ld p, ld q) noexcept;
// x, y = 1 - x with I_x(a, b) = p (q = 1 - p).
void BetaQuantile(ld a, ld b, ld p, ld q, ld& x, ld& y) noexcept;

}  // namespace ozm::statis::detail
