// The integer and real scanners of the matrix XML readers.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "ozm/base/constants.hpp"
#include "ozm/matrix/scan.hpp"
#include "ozm/platform/numtext.hpp"

namespace ozm::matrix {

namespace {

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) noexcept {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char Upper(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// Beyond this exponent every double has over- or underflowed, so further digits carry nothing.
constexpr int kMaxCollectedExponent = 4200;

// True when Text at Pos holds Word (upper case) in any case, not followed by a letter or digit.
bool WordAt(std::string_view Text, size_t Pos, std::string_view Word) noexcept {
    if (Text.size() - Pos < Word.size()) return false;
    for (size_t k = 0; k < Word.size(); ++k)
        if (Upper(Text[Pos + k]) != Word[k]) return false;
    const size_t after = Pos + Word.size();
    return after == Text.size() || !IsAlnum(Text[after]);
}

// NAN, INF, +INF, -INF at Pos (blanks already skipped); Pos advances past the word on success.
bool ScanNonFinite(std::string_view Text, size_t& Pos, double& Value) noexcept {
    size_t i = Pos;
    bool negative = false;
    if (Text[i] == '+' || Text[i] == '-') {
        negative = Text[i] == '-';
        ++i;
        if (i >= Text.size()) return false;
    }
    if (i == Pos && WordAt(Text, i, "NAN")) {
        Value = std::numeric_limits<double>::quiet_NaN();
        Pos = i + 3;
        return true;
    }
    if (WordAt(Text, i, "INF")) {
        Value = negative ? -std::numeric_limits<double>::infinity()
                         : std::numeric_limits<double>::infinity();
        Pos = i + 3;
        return true;
    }
    return false;
}

}  // namespace

int32_t ScanInteger(std::string_view Text, size_t& Pos) noexcept {
    if (Text.empty() || Pos >= Text.size()) return 0;
    size_t i = Pos;
    while (i < Text.size() && IsBlank(Text[i])) ++i;
    bool negative = false;
    if (i < Text.size() && (Text[i] == '-' || Text[i] == '+')) {
        negative = Text[i] == '-';
        ++i;
    }
    // Accumulated in 64 bits and held just beyond the 32-bit range, so no digit count overflows.
    constexpr int64_t kCap = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t value = 0;
    while (i < Text.size() && IsDigit(Text[i])) {
        value = value * 10 + (Text[i] - '0');
        if (value > kCap) value = kCap;
        ++i;
    }
    Pos = i;
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

namespace {

// The common spelling: an optional sign, digits, optionally a point and digits, optionally "E"
// (any case), a sign and at most three digits, then a character that no state takes further.
// Such a number is converted in place; it reads exactly as the state machine reads it, since no
// exponent digit is cut and the canonical text denotes the same decimal value. False (nothing
// changed) for every other spelling, and for a value beyond the range of doubles.
bool ScanPlainReal(std::string_view Text, size_t& Pos, double& Value) noexcept {
    const char* const begin = Text.data();
    const char* const end = begin + Text.size();
    const char* p = begin + Pos;
    while (p < end && IsBlank(*p)) ++p;
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    const char* const first = p;
    while (p < end && IsDigit(*p)) ++p;
    if (p == first) return false;
    if (p < end && *p == '.') {
        const char* const fraction = ++p;
        while (p < end && IsDigit(*p)) ++p;
        if (p == fraction) return false;
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) ++p;
        const char* const digits = p;
        while (p < end && IsDigit(*p)) ++p;
        if (p == digits || p - digits > 3) return false;
    }
    // A point or an exponent mark right after would be taken by the state machine.
    if (p < end && (*p == '.' || *p == 'e' || *p == 'E')) return false;
    double v = 0;
    const auto result = std::from_chars(first, p, v, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != p) return false;
    Value = negative ? -v : v;
    Pos = static_cast<size_t>(p - begin);
    return true;
}

}  // namespace

double ScanReal(std::string_view Text, size_t& Pos) noexcept {
    enum class State { Start, AfterSign, Integer, AfterPoint, Fraction, AfterE, ExpSign, Exponent };
    if (Pos >= Text.size()) return 0.0;
    if (double plain = 0; ScanPlainReal(Text, Pos, plain)) return plain;

    // The collected number is rebuilt in a canonical form that the strict parser accepts:
    // sign, integer digits (at least "0"), point, fraction digits (at least "0"), exponent.
    // Each part is a run of Text: integer and fraction digits stand together, and the exponent
    // digits collected are the first ones of their run (once over the limit, none is taken).
    bool negative = false;
    size_t int_first = 0, int_count = 0;
    size_t frac_first = 0, frac_count = 0;
    bool has_exponent = false;
    char exponent_sign = 0;  // '+', '-' or none
    size_t exp_first = 0, exp_count = 0;
    int exponent_read = 0;  // every exponent digit read so far, held just above the limit

    State state = State::Start;
    size_t i = Pos;
    for (;; ++i) {
        const bool at_end = i >= Text.size();
        const char c = at_end ? '\0' : Upper(Text[i]);
        const bool digit = !at_end && IsDigit(c);
        const bool sign = !at_end && (c == '+' || c == '-');
        bool finished = false;
        switch (state) {
            case State::Start:
                if (!at_end && IsBlank(c)) break;
                if (!at_end && (c == 'N' || c == 'I' || sign)) {
                    double special = 0;
                    size_t p = i;
                    if (ScanNonFinite(Text, p, special)) {
                        Pos = p;
                        return special;
                    }
                }
                if (sign) {
                    negative = c == '-';
                    state = State::AfterSign;
                } else if (digit) {
                    int_first = i;
                    int_count = 1;
                    state = State::Integer;
                } else if (c == '.' && !at_end) {
                    state = State::AfterPoint;
                } else {
                    Pos = i;
                    return 0.0;
                }
                break;
            case State::AfterSign:
                if (digit) {
                    int_first = i;
                    int_count = 1;
                    state = State::Integer;
                } else if (c == '.' && !at_end) {
                    state = State::AfterPoint;
                } else {
                    Pos = i;
                    return 0.0;
                }
                break;
            case State::Integer:
                if (digit) {
                    ++int_count;
                } else if (c == '.' && !at_end) {
                    state = State::AfterPoint;
                } else if (c == 'E') {
                    has_exponent = true;
                    state = State::AfterE;
                } else {
                    finished = true;
                }
                break;
            case State::AfterPoint:
            case State::Fraction:
                if (digit) {
                    if (frac_count++ == 0) frac_first = i;
                    state = State::Fraction;
                } else if (c == 'E') {
                    has_exponent = true;
                    state = State::AfterE;
                } else {
                    finished = true;
                }
                break;
            case State::AfterE:
            case State::ExpSign:
                if (state == State::AfterE && sign) {
                    exponent_sign = c;
                    state = State::ExpSign;
                    break;
                }
                if (!digit) {
                    Pos = i;
                    return 0.0;
                }
                state = State::Exponent;
                exp_first = i;
                [[fallthrough]];
            case State::Exponent:
                if (digit) {
                    exponent_read = exponent_read * 10 + (c - '0');
                    if (exponent_read > kMaxCollectedExponent) exponent_read = kMaxCollectedExponent + 1;
                    else ++exp_count;
                } else {
                    finished = true;
                }
                break;
        }
        if (finished) break;
    }
    Pos = i;

    // Composed in a local buffer; only a number of hundreds of digits needs the heap.
    const size_t length = 1 + std::max<size_t>(int_count, 1) + 1 +
                          std::max<size_t>(frac_count, 1) + (has_exponent ? 2 + exp_count : 0);
    char local[256];
    std::string heap;
    char* const text = length <= sizeof local ? local : (heap.resize(length), heap.data());
    char* out = text;
    if (negative) *out++ = '-';
    const auto put = [&out, Text](size_t First, size_t Count) {
        if (Count == 0) {
            *out++ = '0';
        } else {
            std::memcpy(out, Text.data() + First, Count);
            out += Count;
        }
    };
    put(int_first, int_count);
    *out++ = '.';
    put(frac_first, frac_count);
    // An exponent whose digits were all cut off ("E" and a sign only) cannot occur: its first
    // digit is always collected because a single digit never exceeds the limit.
    if (has_exponent) {
        *out++ = 'E';
        if (exponent_sign != 0) *out++ = exponent_sign;
        std::memcpy(out, Text.data() + exp_first, exp_count);
        out += exp_count;
    }
    double value = 0.0;
    if (TryParseDouble(std::string_view(text, static_cast<size_t>(out - text)), value))
        return value;
    // The text is well formed by construction, so the parser rejected an overflow.
    return negative ? -uc_MaxDouble : uc_MaxDouble;
}

}  // namespace ozm::matrix
