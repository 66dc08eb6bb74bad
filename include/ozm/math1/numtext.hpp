/// @file
/// Number text of the unit math1: fixed, exponential and engineering notation, angles in degrees,
/// minutes and seconds, integers in hexadecimal, octal, binary and Roman notation, the exact
/// hexadecimal image of floating-point numbers, and the scanners and validators that read these
/// forms back.
///
/// Fixed and exponential digits come from the platform's FormatFixed/FormatExp (and strff), so a
/// value shows the same digits wherever the library writes it. Nothing here depends on the process
/// locale: the decimal separator is always a point. Errors raise EOZMMath1Error unless stated
/// otherwise. The degree sign is written as UTF-8 ("\xC2\xB0").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ozm/base/types.hpp"

namespace ozm {

/// A date and/or time of day read from ISO 8601 text by math1::ScanDateTime. Fields of a part that
/// the text does not have are 0.
struct TIsoDateTime {
    /// True when the text has a date part.
    bool HasDate = false;
    int32_t Year = 0;    ///< 0..9999
    int32_t Month = 0;   ///< 1..12
    int32_t Day = 0;     ///< 1..days of the month (Gregorian leap years)
    /// True when the text has a time part.
    bool HasTime = false;
    int32_t Hour = 0;    ///< 0..24; 24 only as 24:00:00 (end of the day)
    int32_t Minute = 0;  ///< 0..59
    double Second = 0;   ///< 0 <= Second < 61 (a leap second reads as 60.x), with its fraction
    /// True when the text has a zone designator.
    bool HasZone = false;
    int32_t ZoneOffset = 0;  ///< minutes east of UTC ("Z" gives 0)
};

namespace math1 {

// --- formatting ---------------------------------------------------------------------------------

/// FormatFixed(x, width, decimals): right-aligned in at least width characters. decimals = -2
/// selects exponential text with a two-digit exponent, e.g. strf(1234.5, 11, -2) = " 1.2345E+03";
/// when the exponent needs three digits the whole text is replaced by "*" characters (overflow
/// marker). Other negative decimals give the platform's four-digit exponential form. NaN and
/// infinities give "NAN", "+INF", "-INF" (right-aligned).
std::string strf(double x, int width, int decimals);

/// Exponential text with a mantissa in [0.1, 1): sign character (blank or "-"), "0.", digits
/// significant digits, "E", exponent sign and at least two exponent digits, padded with blanks on
/// the left to width: MakeEFormat(1234.56, 12, 4) = "  0.1235E+04". digits is held to 2..15, width
/// to 8..40. Zero has exponent +00. NaN and infinities give the platform's text, padded.
std::string MakeEFormat(double x, int width, int digits);

/// Engineering notation: the mantissa for the power of 1000 between 1e-18 and 1e12 nearest below
/// |x|, followed by its prefix letter ("a", "f", "p", "n", "u", "m", none, "k", "M", "G", "T"):
/// EEngStr(1234.5, 3) = "1.23k", EEngStr(0.001, 2) = "1.0m". digits (held to -9..9) is the number of
/// significant digits; a negative digits puts the prefix letter in place of the decimal point
/// ("1k23"). Values beyond the prefix range keep the outermost prefix and show more digits. NaN and
/// infinities give "NAN", "+INF", "-INF".
std::string EEngStr(double x, int digits);

/// Angle text, decimals held to 0..8:
/// @verbatim
///   dfDeg        "12.50°"            the value with decimals decimals and a degree sign;
///   dfDegMin     "10° 30.0'"         integer degrees, minutes with decimals decimals, right-aligned
///                                    in decimals + 3 characters;
///   dfDegMinSec  "10° 30' 45.0\""    integer degrees, minutes in two characters, seconds with
///                                    decimals decimals in decimals + 3 characters;
///   dfNumber     "12.50"             the plain value.
/// @endverbatim
/// The last unit is rounded half away from zero and carries into the larger ones, so minutes and
/// seconds never show 60. A negative angle carries its sign on the degrees ("-0° 30.0'"). NaN and
/// infinities are written as in dfDeg ("NAN°") except for dfNumber.
std::string DegreeToStr(double x, TDegreeFormat format, int decimals);

/// Converts an angle held in degrees, minutes and seconds from one TDegreeFormat to another, in
/// place. Minutes or seconds outside 0..60 (or NaN) raise "ConvertDegrees: invalid range of
/// minutes" / "ConvertDegrees: invalid range of seconds" before anything changes. Minutes and
/// seconds are unsigned; the sign of the angle is the sign of the degrees (also a negative zero),
/// so -10 degrees 30 minutes converts to -10.5. dfNumber counts as degrees only; any other target
/// than dfDeg, dfDegMin and dfDegMinSec changes nothing.
void ConvertDegrees(double& degrees, double& minutes, double& seconds, TDegreeFormat source,
                    TDegreeFormat target);

/// Rounds an angle to a "nice" step in its largest non-zero unit, down or (upward) up: degrees to
/// 1, 2, 3, 5, 10, 15, 20, 30, 60, 90, 180, 360; minutes and seconds to 1, 2, 3, 5, 10, 15, 20, 30,
/// 60, where 60 carries into the next unit. Minutes and seconds above 59 count as 59; any negative
/// part sets all three to 0. 0°7'0" gives 0°5'0" down and 0°10'0" up.
void RoundDegrees(int32_t& degrees, int32_t& minutes, int32_t& seconds, bool upward);

/// The lowest digits digits of value (taken as unsigned 32 bits) in base 16, 8 or 2, most
/// significant first, with leading zeros and upper-case letters. digits 0 counts as 1; it is capped
/// at 8, 11 and 32: Hex(255, 4) = "00FF", Hex(-1, 0) = "F".
///@{
std::string Hex(uint32_t value, uint8_t digits);
std::string Octal(uint32_t value, uint8_t digits);
std::string Bin(uint32_t value, uint8_t digits);
///@}

/// Roman numeral of 1..29999 (thousands as repeated "M": 4000 = "MMMM"); any other n gives "".
std::string Roman(int32_t n);

/// The binary image of x, most significant byte first, two upper-case hexadecimal digits a byte:
/// 16 characters for a double, 20 for an extended (its 10-byte x87 image), 8 for a single.
///@{
std::string FPNumToHex(double x);
std::string FPNumToHex(long double x);
std::string FPNumToHex(float x);
///@}

/// The inverses of FPNumToHex. The text must be exactly 16, 20 or 8 hexadecimal digits (either
/// case), nothing else, not even blanks; otherwise EOZMError (the library's base class) with
/// "HexToDouble: invalid hex string \"<text>\"" (HexToExtended, HexToSingle likewise).
///@{
double HexToDouble(std::string_view text);
long double HexToExtended(std::string_view text);
float HexToSingle(std::string_view text);
///@}

/// The platform's strict integer conversion (optional sign, decimal digits, 32-bit range, nothing
/// else); Default when the text is empty or does not convert.
int32_t StrToIntDefault(std::string_view text, int32_t Default);

// --- scanning -----------------------------------------------------------------------------------
//
// Each scanner reads one number from Text starting at the 0-based position Pos: it skips blanks,
// tabs and line ends, reads the number, and requires it to end at the end of the text, at a blank,
// tab, line end, "," or ";" (so "12a" or "1.5.2" fail instead of yielding a prefix). On success Pos
// moves just past the number and the result is stored; on failure both stay unchanged and the
// result is false. Values beyond the target type are rejected, never wrapped. They read what the
// formatters above write, including their leading blanks.

/// Hexadecimal (either case), octal or binary digits without prefix or sign, any number of leading
/// zeros, value up to 2^32 - 1: the inverses of Hex, Octal and Bin.
///@{
bool ScanHex(std::string_view Text, size_t& Pos, uint32_t& Value);
bool ScanOctal(std::string_view Text, size_t& Pos, uint32_t& Value);
bool ScanBin(std::string_view Text, size_t& Pos, uint32_t& Value);
///@}

/// A decimal integer: optional sign and decimal digits, 32-bit range.
bool ScanDecimal(std::string_view Text, size_t& Pos, int32_t& Value);

/// A floating-point number: optional sign, digits with an optional point (at least one digit before
/// or after it), optional exponent "E" or "e" with optional sign and digits. Reads the fixed and
/// exponential texts of strf, MakeEFormat and FormatFixed/FormatExp. A magnitude beyond the double
/// range is rejected, one below it reads as 0. "NAN" and "INF" are not numbers here.
bool ScanFPNum(std::string_view Text, size_t& Pos, double& Value);

/// An angle as DegreeToStr writes it, as decimal degrees: "12.5°" (dfDeg), "10° 30.0'" (dfDegMin),
/// "10° 30' 45.0\"" (dfDegMinSec) or a plain number (dfNumber); Format receives the form found.
/// Degrees carry the sign; in the two compound forms the degrees are an integer, any number of
/// blanks may follow "°" and "'", the minutes (integer in dfDegMinSec) and seconds are unsigned and
/// lie in 0..60. The degree sign may also be the single byte 0xB0 (Latin-1).
///@{
bool ScanDegrees(std::string_view Text, size_t& Pos, double& Degrees, TDegreeFormat& Format);
bool ScanDegrees(std::string_view Text, size_t& Pos, double& Degrees);
///@}

/// An ISO 8601 date, time or both in the extended format: "YYYY-MM-DD", "hh:mm", "hh:mm:ss",
/// "hh:mm:ss.fff" (fraction after "." or ","), a time optionally after "T"; date and time joined
/// by "T", "t" or one blank; a time may end in a zone "Z", "+hh:mm", "+hhmm" or "+hh" (or "-").
/// Every field has its fixed number of digits and is range-checked (month, days of the month with
/// Gregorian leap years, hour 0..24 with 24 only as 24:00:00, minute 0..59, second 0..60, zone up
/// to 23:59).
bool ScanDateTime(std::string_view Text, size_t& Pos, TIsoDateTime& Value);

// --- validation ---------------------------------------------------------------------------------
//
// True when the whole text, apart from leading and trailing blanks, tabs and line ends, is one
// number of the kind the matching scanner reads.

/// A finite double: what ScanFPNum accepts ("1e400" is not valid).
bool IsValidDouble(std::string_view Text);
/// The floating-point syntax of ScanFPNum regardless of range ("1e400" is valid).
bool IsValidFPNum(std::string_view Text);
/// True when the text, apart from surrounding blanks, is one number that ScanHex (ScanOctal,
/// ScanBin, ScanDecimal) reads.
///@{
bool IsValidHex(std::string_view Text);
bool IsValidOct(std::string_view Text);
bool IsValidBin(std::string_view Text);
bool IsValidDecInt(std::string_view Text);
///@}

}  // namespace math1
}  // namespace ozm
