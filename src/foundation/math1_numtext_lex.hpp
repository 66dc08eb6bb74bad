// Character-level pieces shared by the math1 number-text sources: blanks, the end of a scanned
// token, numerals and the degree sign. Positions are 0-based; "npos" means "no numeral here".
#pragma once

#include <cstddef>
#include <string_view>

namespace ozm::math1::detail {

// The degree sign as the formatters write it (UTF-8) and the single Latin-1 byte the scanner
// also accepts.
inline constexpr std::string_view kDegreeSign = "\xC2\xB0";
inline constexpr char kLatin1DegreeSign = '\xB0';

inline constexpr size_t kNoNumeral = std::string_view::npos;

inline bool IsBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
inline bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

inline size_t SkipBlanks(std::string_view Text, size_t Pos) noexcept {
    while (Pos < Text.size() && IsBlank(Text[Pos])) ++Pos;
    return Pos;
}

// A scanned number must end here: the end of the text, a blank, a tab, a line end, "," or ";".
inline bool IsTokenEnd(std::string_view Text, size_t Pos) noexcept {
    return Pos >= Text.size() || IsBlank(Text[Pos]) || Text[Pos] == ',' || Text[Pos] == ';';
}

inline size_t SkipDigits(std::string_view Text, size_t Pos) noexcept {
    while (Pos < Text.size() && IsDigit(Text[Pos])) ++Pos;
    return Pos;
}

// End of a decimal numeral at Pos: [sign] digits [ "." digits ], at least one digit in all, and,
// with AllowExponent, an optional exponent "E"/"e" [sign] digits. kNoNumeral when there is none or
// an exponent lacks its digits. HasPoint tells whether a point was read.
inline size_t NumeralEnd(std::string_view Text, size_t Pos, bool AllowSign, bool AllowExponent,
                         bool& HasPoint) noexcept {
    const size_t n = Text.size();
    HasPoint = false;
    if (AllowSign && Pos < n && (Text[Pos] == '+' || Text[Pos] == '-')) ++Pos;
    const size_t intStart = Pos;
    Pos = SkipDigits(Text, Pos);
    size_t digits = Pos - intStart;
    if (Pos < n && Text[Pos] == '.') {
        HasPoint = true;
        const size_t fracStart = ++Pos;
        Pos = SkipDigits(Text, Pos);
        digits += Pos - fracStart;
    }
    if (digits == 0) return kNoNumeral;
    if (AllowExponent && Pos < n && (Text[Pos] == 'E' || Text[Pos] == 'e')) {
        size_t i = Pos + 1;
        if (i < n && (Text[i] == '+' || Text[i] == '-')) ++i;
        const size_t expStart = i;
        i = SkipDigits(Text, i);
        if (i == expStart) return kNoNumeral;
        Pos = i;
    }
    return Pos;
}

}  // namespace ozm::math1::detail
