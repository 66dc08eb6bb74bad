// ISO 8601 dates and times in the extended format ("2024-02-29T13:45:30.25+01:00").
#include <cmath>
#include <string>

#include "foundation/math1_numtext_lex.hpp"
#include "ozm/math1/numtext.hpp"
#include "ozm/platform/numtext.hpp"

namespace ozm::math1 {

namespace {

using detail::IsDigit;

// Exactly Count decimal digits at Pos; Pos moves past them.
bool ReadDigits(std::string_view Text, size_t& Pos, int Count, int32_t& Value) {
    if (Pos + static_cast<size_t>(Count) > Text.size()) return false;
    int32_t v = 0;
    for (int i = 0; i < Count; ++i) {
        const char c = Text[Pos + static_cast<size_t>(i)];
        if (!IsDigit(c)) return false;
        v = v * 10 + (c - '0');
    }
    Value = v;
    Pos += static_cast<size_t>(Count);
    return true;
}

bool ReadChar(std::string_view Text, size_t& Pos, char C) {
    if (Pos >= Text.size() || Text[Pos] != C) return false;
    ++Pos;
    return true;
}

bool IsLeapYear(int32_t y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

int32_t DaysInMonth(int32_t year, int32_t month) {
    static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// "YYYY-MM-DD" at Pos.
bool ReadDate(std::string_view Text, size_t& Pos, TIsoDateTime& Out) {
    size_t i = Pos;
    int32_t year = 0, month = 0, day = 0;
    if (!ReadDigits(Text, i, 4, year) || !ReadChar(Text, i, '-') || !ReadDigits(Text, i, 2, month) ||
        !ReadChar(Text, i, '-') || !ReadDigits(Text, i, 2, day))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    Out.HasDate = true;
    Out.Year = year;
    Out.Month = month;
    Out.Day = day;
    Pos = i;
    return true;
}

// "Z", "+hh:mm", "+hhmm" or "+hh" (or "-") at Pos, when there is one. False only for a zone that
// starts but is malformed.
bool ReadZone(std::string_view Text, size_t& Pos, TIsoDateTime& Out) {
    if (Pos >= Text.size()) return true;
    const char c = Text[Pos];
    if (c == 'Z' || c == 'z') {
        Out.HasZone = true;
        Out.ZoneOffset = 0;
        ++Pos;
        return true;
    }
    if (c != '+' && c != '-') return true;
    size_t i = Pos + 1;
    int32_t hours = 0, minutes = 0;
    if (!ReadDigits(Text, i, 2, hours)) return false;
    if (ReadChar(Text, i, ':')) {
        if (!ReadDigits(Text, i, 2, minutes)) return false;
    } else if (i < Text.size() && IsDigit(Text[i])) {
        if (!ReadDigits(Text, i, 2, minutes)) return false;
    }
    if (hours > 23 || minutes > 59) return false;
    Out.HasZone = true;
    Out.ZoneOffset = (c == '-' ? -1 : 1) * (60 * hours + minutes);
    Pos = i;
    return true;
}

// "hh:mm[:ss[(.|,)fraction]]" and an optional zone at Pos.
bool ReadTime(std::string_view Text, size_t& Pos, TIsoDateTime& Out) {
    size_t i = Pos;
    int32_t hour = 0, minute = 0, wholeSecond = 0;
    double second = 0;
    if (!ReadDigits(Text, i, 2, hour) || !ReadChar(Text, i, ':') || !ReadDigits(Text, i, 2, minute))
        return false;
    if (ReadChar(Text, i, ':')) {
        if (!ReadDigits(Text, i, 2, wholeSecond)) return false;
        second = wholeSecond;
        if (i < Text.size() && (Text[i] == '.' || Text[i] == ',')) {
            const size_t fracStart = i + 1;
            const size_t fracEnd = detail::SkipDigits(Text, fracStart);
            if (fracEnd == fracStart) return false;
            std::string decimal = "0." + std::string(Text.substr(fracStart, fracEnd - fracStart));
            double fraction = 0;
            if (!TryParseDouble(decimal, fraction)) return false;
            second += fraction;
            // A fraction of many nines rounds to 1 in binary; the second must stay the one
            // written (59.999... is no leap second, 60.999... no 61st second).
            const double nextWhole = static_cast<double>(wholeSecond) + 1;
            if (second >= nextWhole) second = std::nextafter(nextWhole, 0.0);
            i = fracEnd;
        }
    }
    if (minute > 59 || wholeSecond > 60) return false;
    if (hour > 24 || (hour == 24 && (minute != 0 || second != 0))) return false;
    TIsoDateTime result = Out;
    result.HasTime = true;
    result.Hour = hour;
    result.Minute = minute;
    result.Second = second;
    if (!ReadZone(Text, i, result)) return false;
    Out = result;
    Pos = i;
    return true;
}

}  // namespace

bool ScanDateTime(std::string_view Text, size_t& Pos, TIsoDateTime& Value) {
    if (Pos > Text.size()) return false;
    size_t i = detail::SkipBlanks(Text, Pos);
    TIsoDateTime result;
    if (ReadDate(Text, i, result)) {
        if (i < Text.size() && (Text[i] == 'T' || Text[i] == 't')) {
            ++i;
            if (!ReadTime(Text, i, result)) return false;
        } else if (i < Text.size() && Text[i] == ' ') {
            // A blank joins a time only when one follows; otherwise the date ends there.
            size_t t = i + 1;
            if (ReadTime(Text, t, result)) i = t;
        }
    } else {
        if (i < Text.size() && Text[i] == 'T') ++i;
        if (!ReadTime(Text, i, result)) return false;
    }
    if (!detail::IsTokenEnd(Text, i)) return false;
    Value = result;
    Pos = i;
    return true;
}

}  // namespace ozm::math1
