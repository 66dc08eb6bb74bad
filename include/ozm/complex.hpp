/// @file
/// The unit complex: complex numbers in extended precision (long double) as a plain value type,
/// with free routines that take their operands by constant reference and return a new value.
/// Nothing allocates and nothing keeps state except the tolerance CpxNearZero.
#pragma once

#include "ozm/platform/exceptions.hpp"

namespace ozm {

/// re + i*im.
struct TComplex {
    /// Real part.
    long double re = 0;
    /// Imaginary part.
    long double im = 0;
};

/// Modulus r and argument phi (radians).
struct TComplexPolar {
    /// Modulus.
    long double r = 0;
    /// Argument in radians.
    long double phi = 0;
};

namespace complex {

/// Zero.
inline constexpr TComplex COMPLEX_0{0, 0};
/// One.
inline constexpr TComplex COMPLEX_1{1, 0};

/// Tolerance of CpxIsNearEqual and CpxIsZero, 1e-15 at start. Process-wide and not synchronised:
/// change it only while no other thread uses these tests.
extern long double CpxNearZero;

/// The number re + i*im.
TComplex Cpx(long double re, long double im) noexcept;

/// |z| = sqrt(re^2 + im^2), formed without intermediate overflow or underflow (hypot).
long double CpxAbs(const TComplex& z) noexcept;
/// re^2 + im^2 (overflows to +inf beyond the long double range).
long double CpxAbsSqr(const TComplex& z) noexcept;

/// Sum, difference, negative, conjugate and product, formed part by part with the usual formulas.
///@{
TComplex CpxAdd(const TComplex& a, const TComplex& b) noexcept;
TComplex CpxSub(const TComplex& a, const TComplex& b) noexcept;
TComplex CpxNeg(const TComplex& z) noexcept;
TComplex CpxConj(const TComplex& z) noexcept;
TComplex CpxMult(const TComplex& a, const TComplex& b) noexcept;
///@}

/// a / b with the denominator d = b.re^2 + b.im^2 formed first, without scaling. Raises
/// EOZMComplexError "CpxDiv: division by zero" when d is zero (also when it underflows to zero),
/// when d or the quotient is not finite (overflow, or a NaN or infinite operand); no value is
/// delivered then.
TComplex CpxDiv(const TComplex& a, const TComplex& b);

/// Exact comparison of both parts.
bool CpxIsEqual(const TComplex& a, const TComplex& b) noexcept;
/// Both parts differ by less than CpxNearZero.
bool CpxIsNearEqual(const TComplex& a, const TComplex& b) noexcept;
/// Both parts are below CpxNearZero in magnitude (strictly; an exact zero counts as zero).
bool CpxIsZero(const TComplex& z) noexcept;

/// r = CpxAbs(z), phi = atan2(im, re) in (-pi, pi] (a negative zero imaginary part on the negative
/// real axis gives +pi as well).
TComplexPolar ConvertRectToPolar(const TComplex& z) noexcept;
/// re = r cos(phi), im = r sin(phi).
TComplex ConvertPolarToRect(const TComplexPolar& p) noexcept;

/// The principal branches of the elementary functions, with the usual cuts along the negative real
/// axis: exp(z); ln(z) with imaginary part in (-pi, pi] (ln 0 = -inf + 0i); sqrt(z) with a
/// non-negative real part. Special values follow the C library's complex functions.
///@{
TComplex CpxExp(const TComplex& z) noexcept;
TComplex CpxLn(const TComplex& z) noexcept;
TComplex CpxSqrt(const TComplex& z) noexcept;
///@}

}  // namespace complex
}  // namespace ozm
