/// @file
/// Locale-independent number text. Every routine of the library that writes or reads numbers goes
/// through these, so the same value always gives the same digits, with a point as separator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ozm {

/// Fixed-point text of x with the given number of decimals (0..100), right-aligned in at least
/// width characters: FormatFixed(3.14159, 8, 2) = "    3.14". The last digit is rounded to nearest
/// from the exact binary value (ties to even). A value that shows as zero has no sign ("0.00" for
/// -0.001 and for -0.0). A negative decimals count selects FormatExp(x, width). NaN and infinities
/// are written "NAN", "+INF" and "-INF", also right-aligned.
std::string FormatFixed(double x, int width, int decimals);

/// Exponential text: a sign character (blank or "-"), one digit, the point, further digits, "E",
/// the exponent sign and four exponent digits, e.g. " 1.2345E+0003". The number of significant
/// digits is width - 8, held to 2..18, so the text has at least width characters (at least 10).
/// Zero is " 0.0...E+0000" and a negative zero "-0.0...E+0000", so that text with enough digits
/// reads back to the same double bit for bit; NaN and infinities as FormatFixed.
///@{
std::string FormatExp(double x, int width);
std::string FormatExp(long double x, int width);
///@}

/// Shortest text that reads back to exactly the same double ("0.1", "1e+300").
std::string FormatShortest(double x);

/// Strict parsers: the whole text must be the number, without blanks. Reals take an optional sign,
/// digits with an optional point and an optional exponent, or "NAN"/"INF"/"INFINITY" in any case;
/// a magnitude beyond the double range is rejected, one below it reads as 0. Integers take an
/// optional sign and decimal digits and are rejected on overflow. Value is left unchanged when the
/// text is rejected. None of them depends on the process locale.
///@{
bool TryParseDouble(std::string_view Text, double& Value) noexcept;
bool TryParseInt(std::string_view Text, int32_t& Value) noexcept;
bool TryParseInt64(std::string_view Text, int64_t& Value) noexcept;
///@}

}  // namespace ozm
