// Number text of math1: fixed, exponential and engineering notation, integer bases, Roman numerals
// and the hexadecimal image of floating-point numbers.
#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "ozm/base/text.hpp"
#include "ozm/math1/numtext.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/numtext.hpp"
#include "ozm/platform/stream.hpp"

namespace ozm::math1 {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The platform's exponential text ends in "E", the exponent sign and four digits; returns the
// position of the "E" when it does (non-finite values have no exponent).
size_t ExponentPosition(const std::string& text) {
    const size_t e = text.rfind('E');
    if (e == std::string::npos || e + 6 != text.size()) return std::string::npos;
    return e;
}

// The exponent written after position e ("E+0012" gives 12).
int ExponentValue(const std::string& text, size_t e) {
    int value = 0;
    for (size_t i = e + 2; i < text.size(); ++i) value = value * 10 + (text[i] - '0');
    return text[e + 1] == '-' ? -value : value;
}

// Digits of value in a base that is a power of two (bitsPerDigit 1, 3 or 4), lowest digits only.
std::string PowerOfTwoDigits(uint32_t value, uint8_t digits, int bitsPerDigit, int maxDigits) {
    const int count = std::clamp<int>(digits, 1, maxDigits);
    const uint32_t mask = (1u << bitsPerDigit) - 1;
    std::string text(static_cast<size_t>(count), '0');
    for (int i = count - 1; i >= 0; --i) {
        text[static_cast<size_t>(i)] = kHexDigits[value & mask];
        value >>= bitsPerDigit;
    }
    return text;
}

std::string BytesToHex(const uint8_t* bytesMsbFirst, size_t count) {
    std::string text(2 * count, '0');
    for (size_t i = 0; i < count; ++i) {
        text[2 * i] = kHexDigits[bytesMsbFirst[i] >> 4];
        text[2 * i + 1] = kHexDigits[bytesMsbFirst[i] & 0x0F];
    }
    return text;
}

int HexDigitValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The bytes of a hexadecimal image, most significant first. Anything but exactly 2 * count hex
// digits raises the base error with the routine's message.
void HexToBytes(std::string_view text, uint8_t* bytesMsbFirst, size_t count, const char* routine) {
    bool valid = text.size() == 2 * count;
    for (size_t i = 0; valid && i < count; ++i) {
        const int hi = HexDigitValue(text[2 * i]);
        const int lo = HexDigitValue(text[2 * i + 1]);
        valid = hi >= 0 && lo >= 0;
        if (valid) bytesMsbFirst[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    if (!valid)
        throw EOZMError(std::string(routine) + ": invalid hex string \"" + std::string(text) + "\"");
}

// 10^n for n >= 0 (exact up to 10^22, which covers the powers of 1000 used for scaling).
double PowerOfTen(int n) {
    double p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return p;
}

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

std::string strf(double x, int width, int decimals) {
    if (decimals != -2) return FormatFixed(x, width, decimals);
    if (!std::isfinite(x)) return FormatFixed(x, width, 0);
    // Two more characters than asked for: the two leading exponent digits are dropped below.
    std::string text = FormatExp(x, width > INT_MAX - 2 ? INT_MAX : width + 2);
    const size_t e = ExponentPosition(text);
    if (e == std::string::npos) return text;
    const bool fits = text[e + 2] == '0' && text[e + 3] == '0';
    text.erase(e + 2, 2);
    if (!fits) std::fill(text.begin(), text.end(), '*');
    return text;
}

std::string MakeEFormat(double x, int width, int digits) {
    digits = std::clamp(digits, 2, 15);
    width = std::clamp(width, 8, 40);
    const std::string platform = FormatExp(x, digits + 8);
    const size_t e = ExponentPosition(platform);
    std::string text;
    if (e == std::string::npos) {
        text = FormatFixed(x, 1, 0);  // NAN, +INF, -INF
    } else {
        // platform: sign, first digit, point, digits - 1 further digits, "E", sign, 4 digits.
        const int exponent = ExponentValue(platform, e) + (x != 0 ? 1 : 0);
        const int magnitude = std::abs(exponent);
        text.reserve(static_cast<size_t>(digits) + 8);
        text.push_back(platform[0]);
        text.append("0.");
        text.push_back(platform[1]);
        text.append(platform, 3, static_cast<size_t>(digits - 1));
        text.push_back('E');
        text.push_back(exponent < 0 ? '-' : '+');
        if (magnitude < 10) text.push_back('0');
        text.append(std::to_string(magnitude));
    }
    if (text.size() < static_cast<size_t>(width)) text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
    return text;
}

std::string EEngStr(double x, int digits) {
    static constexpr const char* kPrefixes[] = {"a", "f", "p", "n", "u", "m", "", "k", "M", "G", "T"};
    constexpr int kLowestGroup = -6;
    constexpr int kHighestGroup = 4;
    digits = std::clamp(digits, -9, 9);
    const int b = digits >= 2 ? digits - 1 : (digits <= -2 ? digits + 1 : 0);
    const int d = std::abs(b);
    if (x == 0 || !std::isfinite(x)) return strff(x, 1, d);
    const double ax = std::fabs(x);
    int e = static_cast<int>(std::floor(std::log10(ax)));
    int group = 0;
    std::string text;
    // Rounding the mantissa may carry it into the next decade (999.96 with four digits gives
    // "1000.0"); that value is then written for the next decade, which shows the right number of
    // digits and, at a power of 1000, the next prefix.
    for (int attempt = 0; attempt < 2; ++attempt, ++e) {
        group = std::clamp(FloorDiv(e, 3), kLowestGroup, kHighestGroup);
        // Scale by exact powers of 1000 (1e18 and below are exact; their reciprocals are not).
        const double scale = PowerOfTen(3 * std::abs(group));
        const double mantissa = group >= 0 ? ax / scale : ax * scale;
        text = strff(mantissa, 1, std::max(d + 3 * group - e, 0));
        double shown = 0;
        if (!TryParseDouble(text, shown) || shown < PowerOfTen(std::max(e - 3 * group + 1, 0)))
            break;
    }
    if (group != 0) {
        const char* prefix = kPrefixes[group - kLowestGroup];
        const size_t point = text.find('.');
        if (b < 0 && point != std::string::npos) text.replace(point, 1, prefix);
        else text.append(prefix);
    }
    if (x < 0) text.insert(0, 1, '-');
    return text;
}

std::string Hex(uint32_t value, uint8_t digits) { return PowerOfTwoDigits(value, digits, 4, 8); }
std::string Octal(uint32_t value, uint8_t digits) { return PowerOfTwoDigits(value, digits, 3, 11); }
std::string Bin(uint32_t value, uint8_t digits) { return PowerOfTwoDigits(value, digits, 1, 32); }

std::string Roman(int32_t n) {
    static constexpr int32_t kValues[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
    static constexpr const char* kTexts[] = {"M", "CM", "D", "CD", "C", "XC", "L", "XL", "X",
                                             "IX", "V", "IV", "I"};
    std::string text;
    if (n <= 0 || n >= 30000) return text;
    for (size_t i = 0; i < std::size(kValues); ++i) {
        while (n >= kValues[i]) {
            text.append(kTexts[i]);
            n -= kValues[i];
        }
    }
    return text;
}

std::string FPNumToHex(double x) {
    const uint64_t bits = std::bit_cast<uint64_t>(x);
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(bits >> (8 * (7 - i)));
    return BytesToHex(bytes, 8);
}

std::string FPNumToHex(long double x) {
    uint8_t image[10];  // little-endian x87 image
    EncodeExtended(x, image);
    uint8_t bytes[10];
    for (int i = 0; i < 10; ++i) bytes[i] = image[9 - i];
    return BytesToHex(bytes, 10);
}

std::string FPNumToHex(float x) {
    const uint32_t bits = std::bit_cast<uint32_t>(x);
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(bits >> (8 * (3 - i)));
    return BytesToHex(bytes, 4);
}

double HexToDouble(std::string_view text) {
    uint8_t bytes[8];
    HexToBytes(text, bytes, 8, "HexToDouble");
    uint64_t bits = 0;
    for (uint8_t byte : bytes) bits = bits << 8 | byte;
    return std::bit_cast<double>(bits);
}

long double HexToExtended(std::string_view text) {
    uint8_t bytes[10];
    HexToBytes(text, bytes, 10, "HexToExtended");
    uint8_t image[10];
    for (int i = 0; i < 10; ++i) image[i] = bytes[9 - i];
    return DecodeExtended(image);
}

float HexToSingle(std::string_view text) {
    uint8_t bytes[4];
    HexToBytes(text, bytes, 4, "HexToSingle");
    uint32_t bits = 0;
    for (uint8_t byte : bytes) bits = bits << 8 | byte;
    return std::bit_cast<float>(bits);
}

int32_t StrToIntDefault(std::string_view text, int32_t Default) {
    int32_t value = 0;
    return TryParseInt(text, value) ? value : Default;
}

}  // namespace ozm::math1
