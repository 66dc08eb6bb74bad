// Angles as text: degrees, minutes and seconds written, converted, rounded to nice steps and read
// back.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "foundation/math1_internal.hpp"
#include "foundation/math1_numtext_lex.hpp"
#include "ozm/math1/numtext.hpp"
#include "ozm/platform/numtext.hpp"
#include "ozm/platform/rounding.hpp"

namespace ozm::math1 {

namespace {

using detail::kDegreeSign;

int64_t PowerOfTen(int n) {
    int64_t p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return p;
}

// Degrees with minutes (and seconds). The angle is split into whole degrees and a fraction (the
// split is exact), the fraction is counted in units of the last field shown, rounded half away from
// zero, and a full degree of units carries over. Counting in integers keeps the fields canonical:
// neither 60 minutes nor 60 seconds can appear, as they could after rounding in binary.
std::string CompoundAngleText(double x, int decimals, bool withSeconds) {
    const double magnitude = std::fabs(x);
    double whole = std::trunc(magnitude);
    const int64_t scale = PowerOfTen(decimals);
    const int64_t unitsPerMinute = scale * (withSeconds ? 60 : 1);
    const int64_t unitsPerDegree = 60 * unitsPerMinute;
    int64_t units = std::llround((magnitude - whole) * static_cast<double>(unitsPerDegree));
    if (units >= unitsPerDegree) {
        whole += 1;
        units -= unitsPerDegree;
    }
    std::string text;
    if (x < 0 && (whole > 0 || units > 0)) text.push_back('-');
    text += FormatFixed(whole, 1, 0);
    text += kDegreeSign;
    text.push_back(' ');
    if (!withSeconds) {
        text += FormatFixed(static_cast<double>(units) / static_cast<double>(scale), decimals + 3,
                            decimals);
        text.push_back('\'');
        return text;
    }
    text += FormatFixed(static_cast<double>(units / unitsPerMinute), 2, 0);
    text += "' ";
    text += FormatFixed(static_cast<double>(units % unitsPerMinute) / static_cast<double>(scale),
                        decimals + 3, decimals);
    text.push_back('"');
    return text;
}

// The steps an angle is rounded to; degrees use all twelve, minutes and seconds the first nine.
constexpr int32_t kAngleSteps[] = {1, 2, 3, 5, 10, 15, 20, 30, 60, 90, 180, 360};
constexpr int kDegreeSteps = 12;
constexpr int kMinuteSteps = 9;

// The largest of the first count steps not above v (at least the first step), or with upward the
// smallest not below v (at most the last).
int32_t RoundToStep(double v, int count, bool upward) {
    if (upward) {
        for (int i = 0; i < count; ++i)
            if (kAngleSteps[i] >= v) return kAngleSteps[i];
        return kAngleSteps[count - 1];
    }
    for (int i = count - 1; i >= 0; --i)
        if (kAngleSteps[i] <= v) return kAngleSteps[i];
    return kAngleSteps[0];
}

// Reads a degree sign at Pos; returns its length (0 when there is none).
size_t DegreeSignLength(std::string_view Text, size_t Pos) {
    if (Text.substr(Pos, kDegreeSign.size()) == kDegreeSign) return kDegreeSign.size();
    if (Pos < Text.size() && Text[Pos] == detail::kLatin1DegreeSign) return 1;
    return 0;
}

// An unsigned minutes or seconds field in 0..60 at Pos, followed directly by Mark; End receives
// the position after the mark; HasPoint tells whether the field has decimals.
bool ReadAngleField(std::string_view Text, size_t Pos, char Mark, double& Value, size_t& End,
                    bool& HasPoint) {
    const size_t end = detail::NumeralEnd(Text, Pos, false, false, HasPoint);
    if (end == detail::kNoNumeral || end >= Text.size() || Text[end] != Mark) return false;
    double v = 0;
    if (!TryParseDouble(Text.substr(Pos, end - Pos), v)) return false;
    Value = v;
    End = end + 1;
    return true;
}

}  // namespace

std::string DegreeToStr(double x, TDegreeFormat format, int decimals) {
    decimals = std::clamp(decimals, 0, 8);
    if (format == TDegreeFormat::dfNumber) return FormatFixed(x, 1, decimals);
    if (format == TDegreeFormat::dfDeg || !std::isfinite(x))
        return FormatFixed(x, 1, decimals) + std::string(kDegreeSign);
    return CompoundAngleText(x, decimals, format == TDegreeFormat::dfDegMinSec);
}

void ConvertDegrees(double& degrees, double& minutes, double& seconds, TDegreeFormat source,
                    TDegreeFormat target) {
    if (!(minutes >= 0 && minutes <= 60)) detail::RaiseMath1Error("ConvertDegrees: invalid range of minutes");
    if (!(seconds >= 0 && seconds <= 60)) detail::RaiseMath1Error("ConvertDegrees: invalid range of seconds");
    if (source == TDegreeFormat::dfNumber) source = TDegreeFormat::dfDeg;
    // Minutes and seconds are unsigned: they add to the magnitude, and the degrees keep the sign
    // (also the sign of -0 degrees, which is how "-0° 30'" stores -0.5).
    const auto withSignOfDegrees = [&degrees](double magnitude) {
        return std::copysign(magnitude, degrees);
    };
    switch (target) {
        case TDegreeFormat::dfDeg:
            if (source == TDegreeFormat::dfDegMin)
                degrees = withSignOfDegrees(std::fabs(Int(degrees)) + minutes / 60);
            else if (source == TDegreeFormat::dfDegMinSec)
                degrees = withSignOfDegrees(std::fabs(Int(degrees)) + Int(minutes) / 60 + seconds / 3600);
            minutes = 0;
            seconds = 0;
            break;
        case TDegreeFormat::dfDegMin:
            if (source == TDegreeFormat::dfDeg) {
                minutes = 60 * Frac(std::fabs(degrees));
                degrees = Int(degrees);
            } else if (source == TDegreeFormat::dfDegMinSec) {
                minutes = minutes + seconds / 60;
            }
            seconds = 0;
            break;
        case TDegreeFormat::dfDegMinSec:
            if (source == TDegreeFormat::dfDeg) {
                const double m = 60 * Frac(std::fabs(degrees));
                degrees = Int(degrees);
                minutes = Int(m);
                seconds = 60 * Frac(m);
            } else if (source == TDegreeFormat::dfDegMin) {
                const double m = minutes;
                minutes = Int(m);
                seconds = 60 * Frac(m);
            }
            break;
        default:
            break;
    }
}

void RoundDegrees(int32_t& degrees, int32_t& minutes, int32_t& seconds, bool upward) {
    if (degrees < 0 || minutes < 0 || seconds < 0) {
        degrees = minutes = seconds = 0;
        return;
    }
    minutes = std::min(minutes, 59);
    seconds = std::min(seconds, 59);
    // Each case measures the angle in its own unit, so that whole values stay exact.
    if (degrees >= 1) {
        const double x = degrees + minutes / 60.0 + seconds / 3600.0;
        degrees = RoundToStep(x, kDegreeSteps, upward);
        minutes = seconds = 0;
    } else if (minutes >= 1) {
        const int32_t m = RoundToStep(minutes + seconds / 60.0, kMinuteSteps, upward);
        seconds = 0;
        if (m == 60) {
            degrees = 1;
            minutes = 0;
        } else {
            minutes = m;
        }
    } else if (seconds >= 1) {
        const int32_t s = RoundToStep(seconds, kMinuteSteps, upward);
        if (s == 60) {
            minutes = 1;
            seconds = 0;
        } else {
            seconds = s;
        }
    }
}

bool ScanDegrees(std::string_view Text, size_t& Pos, double& Degrees, TDegreeFormat& Format) {
    if (Pos > Text.size()) return false;
    const size_t start = detail::SkipBlanks(Text, Pos);
    bool hasPoint = false;
    const size_t numberEnd = detail::NumeralEnd(Text, start, true, false, hasPoint);
    if (numberEnd == detail::kNoNumeral) return false;
    double value = 0;
    if (!TryParseDouble(Text.substr(start, numberEnd - start), value)) return false;

    TDegreeFormat format = TDegreeFormat::dfNumber;
    size_t end = numberEnd;
    const size_t signLength = DegreeSignLength(Text, numberEnd);
    if (signLength > 0) {
        format = TDegreeFormat::dfDeg;
        end = numberEnd + signLength;
        double minutes = 0;
        size_t minutesEnd = 0;
        bool minutesHavePoint = false;
        // Minutes (and seconds) only follow whole degrees; "12.5° 30'" is 12.5° and a rest.
        if (!hasPoint && ReadAngleField(Text, detail::SkipBlanks(Text, end), '\'', minutes,
                                        minutesEnd, minutesHavePoint)) {
            if (minutes > 60) return false;
            double seconds = 0;
            size_t secondsEnd = 0;
            bool secondsHavePoint = false;
            format = TDegreeFormat::dfDegMin;
            end = minutesEnd;
            if (!minutesHavePoint && ReadAngleField(Text, detail::SkipBlanks(Text, minutesEnd), '"',
                                                    seconds, secondsEnd, secondsHavePoint)) {
                if (seconds > 60) return false;
                format = TDegreeFormat::dfDegMinSec;
                end = secondsEnd;
            }
            value = std::copysign(std::fabs(value) + minutes / 60 + seconds / 3600, value);
        }
    }
    if (!detail::IsTokenEnd(Text, end)) return false;
    Degrees = value;
    Format = format;
    Pos = end;
    return true;
}

bool ScanDegrees(std::string_view Text, size_t& Pos, double& Degrees) {
    TDegreeFormat format = TDegreeFormat::dfNumber;
    return ScanDegrees(Text, Pos, Degrees, format);
}

}  // namespace ozm::math1
