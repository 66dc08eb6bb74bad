#include "ozm/platform/numtext.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

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

std::string FormatFixed(double x, int width, int decimals) {
    if (decimals < 0) return FormatExp(x, width);
    std::string text;
    if (NonFiniteText(x, text)) return PadLeft(text, width);
    decimals = std::min(decimals, 100);
    if (x == 0) x = 0;  // no "-0.00" for a negative zero
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
    return PadLeft(std::string(buf, res.ptr), width);
}

std::string FormatExp(long double x, int width) {
    const int digits = std::clamp(width - 8, 2, 18);
    std::string text;
    if (NonFiniteText(x, text)) return PadLeft(text, width);
    if (x == 0) x = 0;
    // printf gives d.ddddde+XX with at least two exponent digits; recast the exponent.
    char buf[128];
    std::snprintf(buf, sizeof buf, "%.*Le", digits - 1, x);
    std::string s(buf);
    const size_t e = s.find('e');
    const std::string mantissa = s.substr(0, e);
    const int exponent = std::atoi(s.c_str() + e + 1);
    char expbuf[16];
    std::snprintf(expbuf, sizeof expbuf, "E%c%04d", exponent < 0 ? '-' : '+', std::abs(exponent));
    text = (mantissa[0] == '-' ? "" : " ") + mantissa + expbuf;
    return PadLeft(text, width);
}

std::string FormatExp(double x, int width) { return FormatExp(static_cast<long double>(x), width); }

std::string FormatShortest(double x) {
    std::string text;
    if (NonFiniteText(x, text)) return text;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, res.ptr);
}

bool TryParseDouble(std::string_view Text, double& Value) noexcept {
    std::string_view body = Text;
    bool negative = false;
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
        negative = body[0] == '-';
        body.remove_prefix(1);
    }
    if (body.empty()) return false;
    if (EqualsNoCase(body, "NAN")) {
        Value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (EqualsNoCase(body, "INF") || EqualsNoCase(body, "INFINITY")) {
        Value = negative ? -std::numeric_limits<double>::infinity()
                         : std::numeric_limits<double>::infinity();
        return true;
    }
    // from_chars would also take "nan(...)" and "infinity" spellings: only digits, point and
    // exponent reach it.
    for (char c : body) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-'))
            return false;
    }
    if (body[0] == '+' || body[0] == '-') return false;
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
    if (!Text.empty() && Text[0] == '+') Text.remove_prefix(1);
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
