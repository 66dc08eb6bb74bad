#include "ozm/platform/numtext.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/numtext_chars.hpp"

namespace ozm {

namespace {

std::string PadLeft(std::string text, int width) {
    if (width > 0 && text.size() < static_cast<size_t>(width))
        text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
    return text;
}

// Text for the values that have no digits.
bool NonFiniteText(long double x, std::string& text) {
    if (std::isnan(x)) {
        text = "NAN";
        return true;
    }
    if (std::isinf(x)) {
        text = x > 0 ? "+INF" : "-INF";
        return true;
    }
    return false;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != b[i]) return false;
    }
    return true;
}

}  // namespace

namespace detail {

// Copies a text of the non-finite values, or returns null for a finite x.
char* NonFiniteChars(char* Out, double x) noexcept {
    const char* text = std::isnan(x) ? "NAN" : std::isinf(x) ? (x > 0 ? "+INF" : "-INF") : nullptr;
    if (!text) return nullptr;
    const size_t n = std::strlen(text);
    std::memcpy(Out, text, n);
    return Out + n;
}

char* FixedChars(char* Out, double x, int Decimals) noexcept {
    if (char* end = NonFiniteChars(Out, x)) return end;
    const int decimals = std::min(Decimals, 100);
    char* const end =
        std::to_chars(Out, Out + kNumCharsSize, x, std::chars_format::fixed, decimals).ptr;
    // A value that shows as zero carries no sign: neither -0.0 nor -0.0004 with two decimals
    // gives "-0.00".
    if (Out[0] == '-' && std::all_of(Out + 1, end, [](char c) { return c == '0' || c == '.'; })) {
        std::memmove(Out, Out + 1, static_cast<size_t>(end - Out - 1));
        return end - 1;
    }
    return end;
}

char* ShortestChars(char* Out, double x) noexcept {
    if (char* end = NonFiniteChars(Out, x)) return end;
    return std::to_chars(Out, Out + kNumCharsSize, x).ptr;
}

}  // namespace detail

std::string FormatFixed(double x, int width, int decimals) {
    if (decimals < 0) return FormatExp(x, width);
    char buf[detail::kNumCharsSize];
    return PadLeft(std::string(buf, detail::FixedChars(buf, x, decimals)), width);
}

std::string FormatExp(long double x, int width) {
    const int digits = std::clamp(width - 8, 2, 18);
    std::string text;
    if (NonFiniteText(x, text)) return PadLeft(text, width);
    // to_chars writes "d.ddde+XX" with the point whatever the process locale says (printf would
    // write the locale's separator); the exponent is recast to its sign and four digits.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, digits - 1);
    const std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
    const size_t e = s.find('e');
    const bool negative_exponent = s[e + 1] == '-';
    int exponent = 0;
    for (size_t i = e + 2; i < s.size(); ++i) exponent = exponent * 10 + (s[i] - '0');
    text.reserve(static_cast<size_t>(digits) + 8);
    if (s[0] != '-') text.push_back(' ');
    text.append(s.substr(0, e));
    text.push_back('E');
    text.push_back(negative_exponent ? '-' : '+');
    for (int scale = 1000; scale > 0; scale /= 10) text.push_back(static_cast<char>('0' + exponent / scale % 10));
    return PadLeft(std::move(text), width);
}

std::string FormatExp(double x, int width) { return FormatExp(static_cast<long double>(x), width); }

std::string FormatShortest(double x) {
    char buf[detail::kNumCharsSize];
    return std::string(buf, detail::ShortestChars(buf, x));
}

bool TryParseDouble(std::string_view Text, double& Value) noexcept {
    std::string_view body = Text;
    bool negative = false;
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
        negative = body[0] == '-';
        body.remove_prefix(1);
    }
    if (body.empty()) return false;
    // from_chars would also take "nan(...)" and "infinity" spellings: only a text starting with
    // a digit or the point reaches it, and in the general format it takes nothing but digits,
    // point and exponent from there, so a text it takes whole is a plain decimal number.
    if (const char lead = body[0]; !((lead >= '0' && lead <= '9') || lead == '.')) {
        if (EqualsNoCase(body, "NAN")) {
            Value = std::numeric_limits<double>::quiet_NaN();
            return true;
        }
        if (EqualsNoCase(body, "INF") || EqualsNoCase(body, "INFINITY")) {
            Value = negative ? -std::numeric_limits<double>::infinity()
                             : std::numeric_limits<double>::infinity();
            return true;
        }
        return false;
    }
    double v = 0;
    const char* first = body.data();
    const char* last = first + body.size();
    auto res = std::from_chars(first, last, v, std::chars_format::general);
    if (res.ptr != last) return false;
    if (res.ec == std::errc::result_out_of_range) {
        // Tell underflow (reads as 0) from overflow (rejected) through the wider type.
        long double wide = 0;
        auto wres = std::from_chars(first, last, wide, std::chars_format::general);
        if (wres.ptr != last) return false;
        if (wres.ec == std::errc()) {
            if (std::fabs(wide) > std::numeric_limits<double>::max()) return false;
            v = static_cast<double>(wide);
        } else {
            // Beyond even the extended range: decide by the sign of the exponent.
            const size_t epos = body.find_first_of("eE");
            if (epos == std::string_view::npos || body.find('-', epos) == std::string_view::npos)
                return false;
            v = 0;
        }
    } else if (res.ec != std::errc()) {
        return false;
    }
    Value = negative ? -v : v;
    return true;
}

namespace {
template <typename Int>
bool ParseInteger(std::string_view Text, Int& Value) noexcept {
    // from_chars takes a minus but no plus: strip one plus, and refuse a sign after it ("+-5").
    if (!Text.empty() && Text[0] == '+') {
        Text.remove_prefix(1);
        if (Text.empty() || Text[0] == '-') return false;
    }
    if (Text.empty() || Text[0] == '+') return false;
    Int v = 0;
    auto res = std::from_chars(Text.data(), Text.data() + Text.size(), v, 10);
    if (res.ec != std::errc() || res.ptr != Text.data() + Text.size()) return false;
    Value = v;
    return true;
}
}  // namespace

bool TryParseInt(std::string_view Text, int32_t& Value) noexcept { return ParseInteger(Text, Value); }
bool TryParseInt64(std::string_view Text, int64_t& Value) noexcept { return ParseInteger(Text, Value); }

}  // namespace ozm
