// Scanners and validators of numbers in text: the inverses of Hex, Octal, Bin, the decimal integer
// and the fixed and exponential forms.
#include <cmath>
#include <cstdint>

#include "foundation/math1_numtext_lex.hpp"
#include "ozm/math1/numtext.hpp"
#include "ozm/platform/numtext.hpp"

namespace ozm::math1 {

namespace {

using detail::IsTokenEnd;
using detail::kNoNumeral;
using detail::SkipBlanks;

int DigitValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 99;
}

// Digits of the given base up to the value 2^32 - 1, no sign, no prefix.
bool ScanUnsigned(std::string_view Text, size_t& Pos, uint32_t& Value, int Base) {
    if (Pos > Text.size()) return false;
    const size_t start = SkipBlanks(Text, Pos);
    size_t i = start;
    uint64_t value = 0;
    for (; i < Text.size(); ++i) {
        const int digit = DigitValue(Text[i]);
        if (digit >= Base) break;
        value = value * static_cast<uint64_t>(Base) + static_cast<uint64_t>(digit);
        if (value > UINT32_MAX) return false;
    }
    if (i == start || !IsTokenEnd(Text, i)) return false;
    Value = static_cast<uint32_t>(value);
    Pos = i;
    return true;
}

// True when the whole text apart from surrounding blanks is one token the scanner reads.
template <typename T, typename Scanner>
bool WholeTextScans(std::string_view Text, Scanner&& Scan) {
    size_t pos = 0;
    T value{};
    return Scan(Text, pos, value) && SkipBlanks(Text, pos) == Text.size();
}

}  // namespace

bool ScanHex(std::string_view Text, size_t& Pos, uint32_t& Value) { return ScanUnsigned(Text, Pos, Value, 16); }
bool ScanOctal(std::string_view Text, size_t& Pos, uint32_t& Value) { return ScanUnsigned(Text, Pos, Value, 8); }
bool ScanBin(std::string_view Text, size_t& Pos, uint32_t& Value) { return ScanUnsigned(Text, Pos, Value, 2); }

bool ScanDecimal(std::string_view Text, size_t& Pos, int32_t& Value) {
    if (Pos > Text.size()) return false;
    const size_t start = SkipBlanks(Text, Pos);
    size_t i = start;
    if (i < Text.size() && (Text[i] == '+' || Text[i] == '-')) ++i;
    const size_t end = detail::SkipDigits(Text, i);
    if (end == i || !IsTokenEnd(Text, end)) return false;
    int32_t value = 0;
    if (!TryParseInt(Text.substr(start, end - start), value)) return false;  // overflow
    Value = value;
    Pos = end;
    return true;
}

bool ScanFPNum(std::string_view Text, size_t& Pos, double& Value) {
    if (Pos > Text.size()) return false;
    const size_t start = SkipBlanks(Text, Pos);
    bool hasPoint = false;
    const size_t end = detail::NumeralEnd(Text, start, true, true, hasPoint);
    if (end == kNoNumeral || !IsTokenEnd(Text, end)) return false;
    double value = 0;
    // The platform parser rejects magnitudes beyond the double range and reads tiny ones as 0.
    if (!TryParseDouble(Text.substr(start, end - start), value) || !std::isfinite(value)) return false;
    Value = value;
    Pos = end;
    return true;
}

bool IsValidDouble(std::string_view Text) { return WholeTextScans<double>(Text, ScanFPNum); }

bool IsValidFPNum(std::string_view Text) {
    bool hasPoint = false;
    const size_t end = detail::NumeralEnd(Text, SkipBlanks(Text, 0), true, true, hasPoint);
    return end != kNoNumeral && SkipBlanks(Text, end) == Text.size();
}

bool IsValidHex(std::string_view Text) { return WholeTextScans<uint32_t>(Text, ScanHex); }
bool IsValidOct(std::string_view Text) { return WholeTextScans<uint32_t>(Text, ScanOctal); }
bool IsValidBin(std::string_view Text) { return WholeTextScans<uint32_t>(Text, ScanBin); }
bool IsValidDecInt(std::string_view Text) { return WholeTextScans<int32_t>(Text, ScanDecimal); }

}  // namespace ozm::math1
