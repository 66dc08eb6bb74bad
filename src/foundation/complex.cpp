// Complex arithmetic in extended precision.
#include "ozm/complex.hpp"

#include <cmath>
#include <complex>
#include <numbers>

namespace ozm::complex {

long double CpxNearZero = 1e-15L;

namespace {

[[noreturn]] void RaiseComplexError(const char* Message) { throw EOZMComplexError(Message); }

std::complex<long double> ToStd(const TComplex& z) noexcept { return {z.re, z.im}; }
TComplex FromStd(const std::complex<long double>& z) noexcept { return {z.real(), z.imag()}; }

}  // namespace

TComplex Cpx(long double re, long double im) noexcept { return {re, im}; }

long double CpxAbs(const TComplex& z) noexcept { return std::hypot(z.re, z.im); }

long double CpxAbsSqr(const TComplex& z) noexcept { return z.re * z.re + z.im * z.im; }

TComplex CpxAdd(const TComplex& a, const TComplex& b) noexcept { return {a.re + b.re, a.im + b.im}; }

TComplex CpxSub(const TComplex& a, const TComplex& b) noexcept { return {a.re - b.re, a.im - b.im}; }

TComplex CpxNeg(const TComplex& z) noexcept { return {-z.re, -z.im}; }

TComplex CpxConj(const TComplex& z) noexcept { return {z.re, -z.im}; }

TComplex CpxMult(const TComplex& a, const TComplex& b) noexcept {
    return {a.re * b.re - a.im * b.im, a.re * b.im + b.re * a.im};
}

TComplex CpxDiv(const TComplex& a, const TComplex& b) {
    // Checked on the operands and the result rather than through floating-point traps, which
    // C++ leaves masked: a zero, underflowed or overflowed denominator and an overflowing or
    // undefined quotient are all the same failure.
    const long double d = b.re * b.re + b.im * b.im;
    if (d == 0 || !std::isfinite(d)) RaiseComplexError("CpxDiv: division by zero");
    const TComplex q{(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
    if (!std::isfinite(q.re) || !std::isfinite(q.im)) RaiseComplexError("CpxDiv: division by zero");
    return q;
}

bool CpxIsEqual(const TComplex& a, const TComplex& b) noexcept { return a.re == b.re && a.im == b.im; }

bool CpxIsNearEqual(const TComplex& a, const TComplex& b) noexcept {
    return std::fabs(a.re - b.re) < CpxNearZero && std::fabs(a.im - b.im) < CpxNearZero;
}

bool CpxIsZero(const TComplex& z) noexcept {
    const long double re = std::fabs(z.re) < CpxNearZero ? 0 : z.re;
    const long double im = std::fabs(z.im) < CpxNearZero ? 0 : z.im;
    return re == 0 && im == 0;
}

TComplexPolar ConvertRectToPolar(const TComplex& z) noexcept {
    long double phi = std::atan2(z.im, z.re);
    // atan2 gives -pi for a negative zero imaginary part; the argument's range is (-pi, pi].
    if (phi == -std::numbers::pi_v<long double>) phi = std::numbers::pi_v<long double>;
    return {CpxAbs(z), phi};
}

TComplex ConvertPolarToRect(const TComplexPolar& p) noexcept {
    return {p.r * std::cos(p.phi), p.r * std::sin(p.phi)};
}

TComplex CpxExp(const TComplex& z) noexcept { return FromStd(std::exp(ToStd(z))); }

TComplex CpxLn(const TComplex& z) noexcept {
    TComplex w = FromStd(std::log(ToStd(z)));
    // Same range of the argument as ConvertRectToPolar, also for -x - 0i.
    if (w.im == -std::numbers::pi_v<long double>) w.im = std::numbers::pi_v<long double>;
    return w;
}

TComplex CpxSqrt(const TComplex& z) noexcept { return FromStd(std::sqrt(ToStd(z))); }

}  // namespace ozm::complex
