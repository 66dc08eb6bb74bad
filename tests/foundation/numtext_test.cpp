// Number text of math1: formatters against hand-worked texts, and every formatter read back by its
// scanner.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "ozm/math1/numtext.hpp"
#include "ozm/platform/exceptions.hpp"
#include "ozm/platform/numtext.hpp"
#include "test_support.hpp"

namespace {

using namespace ozm;
using namespace ozm::math1;

const std::string kDeg = "\xC2\xB0";
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

template <typename E, typename F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.message();
    }
    return "<no exception>";
}

TEST(NumText, StrfFixedAndTwoDigitExponent) {
    EXPECT_EQ(strf(3.14159, 8, 2), "    3.14");
    EXPECT_EQ(strf(1234.5, 11, -2), " 1.2345E+03");
    EXPECT_EQ(strf(-0.00012345, 11, -2), "-1.2345E-04");
    EXPECT_EQ(strf(0, 10, -2), " 0.000E+00");
    // A three-digit exponent does not fit: the whole text becomes the overflow marker.
    EXPECT_EQ(strf(1e150, 11, -2), std::string(11, '*'));
    EXPECT_EQ(strf(-2.5e-123, 11, -2), std::string(11, '*'));
    EXPECT_EQ(strf(kNaN, 6, -2), "   NAN");
    EXPECT_EQ(strf(-kInf, 1, 3), "-INF");
}

TEST(NumText, MakeEFormatHasMantissaBelowOne) {
    EXPECT_EQ(MakeEFormat(1234.56, 12, 4), "  0.1235E+04");
    EXPECT_EQ(MakeEFormat(-0.5, 0, 3), "-0.500E+00");  // width raised to 8, text is longer
    EXPECT_EQ(MakeEFormat(0, 10, 2), "  0.00E+00");
    EXPECT_EQ(MakeEFormat(9.999, 0, 2), " 0.10E+02");  // rounding carries into the exponent
    EXPECT_EQ(MakeEFormat(1e200, 0, 2), " 0.10E+201");
    EXPECT_EQ(MakeEFormat(3e-5, 0, 1), " 0.30E-04");  // digits raised to 2
    EXPECT_EQ(MakeEFormat(1, 100, 2).size(), 40u);    // width capped at 40
    EXPECT_EQ(MakeEFormat(kNaN, 8, 4), "     NAN");
}

TEST(NumText, EEngStrPrefixesAndDigits) {
    EXPECT_EQ(EEngStr(1234.5, 3), "1.23k");
    EXPECT_EQ(EEngStr(0.001, 2), "1.0m");
    EXPECT_EQ(EEngStr(1e6, 2), "1.0M");
    EXPECT_EQ(EEngStr(999, 3), "999");
    EXPECT_EQ(EEngStr(1000, 3), "1.00k");
    EXPECT_EQ(EEngStr(-47e-9, 2), "-47n");
    EXPECT_EQ(EEngStr(0, 3), "0.00");
    // A negative digits count puts the prefix where the point was.
    EXPECT_EQ(EEngStr(1234.5, -3), "1k23");
    EXPECT_EQ(EEngStr(123456, -3), "123k");
    // Beyond the prefix table the outermost prefix stays and the mantissa grows.
    EXPECT_EQ(EEngStr(5e15, 1), "5000T");
    EXPECT_EQ(EEngStr(2e-21, 1), "0.002a");
    EXPECT_EQ(EEngStr(1e308, 1).back(), 'T');
    EXPECT_EQ(EEngStr(std::numeric_limits<double>::denorm_min(), 9).back(), 'a');
    EXPECT_EQ(EEngStr(kNaN, 3), "NAN");
    EXPECT_EQ(EEngStr(-kInf, 3), "-INF");
    // Powers of ten sit in their own decade, also where the nearest double lies just below it.
    const char* prefixes[] = {"a", "f", "p", "n", "u", "m", "", "k", "M", "G", "T"};
    for (int e = -18; e <= 14; ++e) {
        const int group = e >= 0 ? e / 3 : -((-e + 2) / 3);
        const std::string expected = "1" + std::string(static_cast<size_t>(e - 3 * group), '0') +
                                     prefixes[group + 6];
        EXPECT_EQ(EEngStr(std::pow(10.0, e), 1), expected);
    }
    // A mantissa rounded up to the next decade is shown there, with the digits asked for.
    EXPECT_EQ(EEngStr(999.9999, 3), "1.00k");
    EXPECT_EQ(EEngStr(999.96, 4), "1.000k");
    EXPECT_EQ(EEngStr(99.996, 3), "100");
}

TEST(NumText, DegreeToStrForms) {
    EXPECT_EQ(DegreeToStr(10.5, TDegreeFormat::dfDegMin, 1), "10" + kDeg + " 30.0'");
    EXPECT_EQ(DegreeToStr(12.5, TDegreeFormat::dfDeg, 2), "12.50" + kDeg);
    EXPECT_EQ(DegreeToStr(12.5, TDegreeFormat::dfNumber, 2), "12.50");
    EXPECT_EQ(DegreeToStr(10.5125, TDegreeFormat::dfDegMinSec, 1), "10" + kDeg + " 30' 45.0\"");
    EXPECT_EQ(DegreeToStr(10.0 + 5.0 / 60, TDegreeFormat::dfDegMin, 0), "10" + kDeg + "   5'");
    EXPECT_EQ(DegreeToStr(-0.5, TDegreeFormat::dfDegMin, 1), "-0" + kDeg + " 30.0'");
    EXPECT_EQ(DegreeToStr(-0.00001, TDegreeFormat::dfDegMin, 1), "0" + kDeg + "  0.0'");
    EXPECT_EQ(DegreeToStr(1.5, TDegreeFormat::dfDegMin, 20), "1" + kDeg + " 30.00000000'");
    EXPECT_EQ(DegreeToStr(kNaN, TDegreeFormat::dfDegMinSec, 1), "NAN" + kDeg);
    EXPECT_EQ(DegreeToStr(kInf, TDegreeFormat::dfNumber, 1), "+INF");
}

TEST(NumText, DegreeToStrCarriesInsteadOfShowingSixty) {
    // Rounding the last field up to a full unit carries: never 60 minutes or 60 seconds.
    EXPECT_EQ(DegreeToStr(10.99999999, TDegreeFormat::dfDegMin, 1), "11" + kDeg + "  0.0'");
    EXPECT_EQ(DegreeToStr(299.999999999, TDegreeFormat::dfDegMinSec, 0), "300" + kDeg + "  0'   0\"");
    EXPECT_EQ(DegreeToStr(300.5 - 1e-13, TDegreeFormat::dfDegMinSec, 1), "300" + kDeg + " 30'  0.0\"");
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> angle(-400, 400);
    for (int i = 0; i < 2000; ++i) {
        const double x = angle(rng);
        const std::string text = DegreeToStr(x, TDegreeFormat::dfDegMinSec, i % 4);
        // "<deg>° <mm>' <ss.s>\"": both fields below 60.
        const size_t minutesAt = text.find(kDeg) + kDeg.size();
        const size_t minutesEnd = text.find('\'');
        double minutes = 99, seconds = 99;
        ASSERT_TRUE(TryParseDouble(text.substr(minutesAt + 1, minutesEnd - minutesAt - 1).substr(
                                       text[minutesAt + 1] == ' ' ? 1 : 0),
                                   minutes))
            << text;
        std::string secondsText = text.substr(minutesEnd + 2, text.size() - minutesEnd - 3);
        secondsText.erase(0, secondsText.find_first_not_of(' '));
        ASSERT_TRUE(TryParseDouble(secondsText, seconds)) << text;
        EXPECT_LT(minutes, 60) << text;
        EXPECT_LT(seconds, 60) << text;
    }
}

TEST(NumText, ConvertDegreesBetweenForms) {
    double d = 10.5125, m = 0, s = 0;
    ConvertDegrees(d, m, s, TDegreeFormat::dfDeg, TDegreeFormat::dfDegMinSec);
    EXPECT_EQ(d, 10);
    EXPECT_EQ(m, 30);
    EXPECT_NEAR(s, 45, 1e-9);
    ConvertDegrees(d, m, s, TDegreeFormat::dfDegMinSec, TDegreeFormat::dfDegMin);
    EXPECT_NEAR(m, 30.75, 1e-12);
    EXPECT_EQ(s, 0);
    ConvertDegrees(d, m, s, TDegreeFormat::dfDegMin, TDegreeFormat::dfDeg);
    EXPECT_NEAR(d, 10.5125, 1e-12);
    EXPECT_EQ(m, 0);

    // Degrees, minutes and seconds keep the fractional degrees out: int(degrees) is used.
    d = 3.7, m = 15.9, s = 30;
    ConvertDegrees(d, m, s, TDegreeFormat::dfDegMinSec, TDegreeFormat::dfDeg);
    EXPECT_NEAR(d, 3 + 15.0 / 60 + 30.0 / 3600, 1e-12);

    // Same format and a target outside the three forms change nothing.
    d = 1.25, m = 7, s = 8;
    ConvertDegrees(d, m, s, TDegreeFormat::dfDegMinSec, TDegreeFormat::dfDegMinSec);
    ConvertDegrees(d, m, s, TDegreeFormat::dfDeg, TDegreeFormat::dfNumber);
    EXPECT_EQ(d, 1.25);
    EXPECT_EQ(m, 7);
    EXPECT_EQ(s, 8);
}

TEST(NumText, ConvertDegreesKeepsTheSignOnTheWholeAngle) {
    // Regression: adding unsigned minutes to negative degrees gave -9.5 for -10° 30'.
    for (double x : {-10.5, -0.5, -123.45678}) {
        double d = x, m = 0, s = 0;
        ConvertDegrees(d, m, s, TDegreeFormat::dfDeg, TDegreeFormat::dfDegMin);
        EXPECT_GE(m, 0);
        EXPECT_TRUE(std::signbit(d));
        ConvertDegrees(d, m, s, TDegreeFormat::dfDegMin, TDegreeFormat::dfDeg);
        EXPECT_NEAR(d, x, 1e-12);
        d = x, m = 0, s = 0;
        ConvertDegrees(d, m, s, TDegreeFormat::dfNumber, TDegreeFormat::dfDegMinSec);
        ConvertDegrees(d, m, s, TDegreeFormat::dfDegMinSec, TDegreeFormat::dfDeg);
        EXPECT_NEAR(d, x, 1e-11);
    }
}

TEST(NumText, ConvertDegreesRejectsBadMinutesAndSeconds) {
    double d = 1, m = 61, s = 0;
    EXPECT_EQ(MessageOf<EOZMMath1Error>([&] {
                  ConvertDegrees(d, m, s, TDegreeFormat::dfDeg, TDegreeFormat::dfDeg);
              }),
              "ConvertDegrees: invalid range of minutes");
    EXPECT_EQ(m, 61);  // nothing changed
    m = 0, s = -1;
    EXPECT_EQ(MessageOf<EOZMMath1Error>([&] {
                  ConvertDegrees(d, m, s, TDegreeFormat::dfDeg, TDegreeFormat::dfDeg);
              }),
              "ConvertDegrees: invalid range of seconds");
    s = kNaN;
    EXPECT_THROW(ConvertDegrees(d, m, s, TDegreeFormat::dfDeg, TDegreeFormat::dfDeg), EOZMMath1Error);
    m = 60, s = 60;  // the bounds themselves are valid
    EXPECT_NO_THROW(ConvertDegrees(d, m, s, TDegreeFormat::dfDegMinSec, TDegreeFormat::dfDeg));
}

TEST(NumText, RoundDegreesToNiceSteps) {
    struct Case { int d, m, s; bool up; int rd, rm, rs; };
    const Case cases[] = {
        {0, 7, 0, false, 0, 5, 0},   {0, 7, 0, true, 0, 10, 0},  {0, 50, 0, true, 1, 0, 0},
        {0, 50, 0, false, 0, 30, 0}, {0, 10, 0, true, 0, 10, 0}, {0, 10, 30, true, 0, 15, 0},
        {7, 30, 0, false, 5, 0, 0},  {7, 0, 0, true, 10, 0, 0},  {1, 30, 0, true, 2, 0, 0},
        {400, 0, 0, false, 360, 0, 0}, {400, 0, 0, true, 360, 0, 0}, {1, 0, 0, false, 1, 0, 0},
        {0, 0, 45, true, 0, 1, 0},   {0, 0, 45, false, 0, 0, 30}, {0, 0, 4, false, 0, 0, 3},
        {0, 99, 0, true, 1, 0, 0},   {0, 0, 0, true, 0, 0, 0},   {3, -1, 0, true, 0, 0, 0},
        {INT32_MAX, 59, 59, false, 360, 0, 0}, {20, 0, 0, true, 20, 0, 0},
    };
    for (const Case& c : cases) {
        int d = c.d, m = c.m, s = c.s;
        RoundDegrees(d, m, s, c.up);
        EXPECT_EQ(d, c.rd) << c.d << " " << c.m << " " << c.s << " " << c.up;
        EXPECT_EQ(m, c.rm) << c.d << " " << c.m << " " << c.s << " " << c.up;
        EXPECT_EQ(s, c.rs) << c.d << " " << c.m << " " << c.s << " " << c.up;
    }
}

TEST(NumText, IntegerBasesAndRoman) {
    EXPECT_EQ(Hex(255, 4), "00FF");
    EXPECT_EQ(Hex(static_cast<uint32_t>(-1), 0), "F");
    EXPECT_EQ(Hex(0xDEADBEEF, 200), "DEADBEEF");
    EXPECT_EQ(Bin(5, 0), "1");
    EXPECT_EQ(Bin(5, 40), std::string(29, '0') + "101");
    EXPECT_EQ(Octal(8, 3), "010");
    EXPECT_EQ(Octal(UINT32_MAX, 11), "37777777777");
    EXPECT_EQ(Roman(1994), "MCMXCIV");
    EXPECT_EQ(Roman(4000), "MMMM");
    EXPECT_EQ(Roman(3999), "MMMCMXCIX");
    EXPECT_EQ(Roman(29999), std::string(29, 'M') + "CMXCIX");
    EXPECT_EQ(Roman(0), "");
    EXPECT_EQ(Roman(30000), "");
    EXPECT_EQ(Roman(INT32_MIN), "");
}

TEST(NumText, FloatingPointImagesAndTheirInverses) {
    EXPECT_EQ(FPNumToHex(1.0), "3FF0000000000000");
    EXPECT_EQ(FPNumToHex(-2.0f), "C0000000");
    EXPECT_EQ(FPNumToHex(1.0L), "3FFF8000000000000000");
    EXPECT_EQ(HexToDouble("3FF0000000000000"), 1.0);
    EXPECT_EQ(HexToDouble("c000000000000000"), -2.0);  // lower case accepted
    EXPECT_EQ(HexToExtended("3FFF8000000000000000"), 1.0L);

    // Every bit survives the round trip, including signed zeros, subnormals, infinities and NaNs.
    const double doubles[] = {0.0, -0.0, 0.1, -1e-310, std::numeric_limits<double>::max(), kInf,
                              -kInf, kNaN, std::numeric_limits<double>::denorm_min()};
    for (double x : doubles) {
        const double y = HexToDouble(FPNumToHex(x));
        EXPECT_EQ(std::memcmp(&x, &y, sizeof x), 0) << FPNumToHex(x);
    }
    for (float x : {0.0f, -0.0f, 0.1f, 3.4e38f, 1e-45f, -std::numeric_limits<float>::infinity()}) {
        const float y = HexToSingle(FPNumToHex(x));
        EXPECT_EQ(std::memcmp(&x, &y, sizeof x), 0) << FPNumToHex(x);
    }
    for (long double x : {0.1L, -1e-4940L, 1e4930L, -0.0L, 3.0L}) {
        EXPECT_EQ(FPNumToHex(HexToExtended(FPNumToHex(x))), FPNumToHex(x));
        EXPECT_EQ(HexToExtended(FPNumToHex(x)), x);
    }
}

TEST(NumText, HexParsersRejectAnythingButExactDigits) {
    const auto doubleMessage = [](const std::string& text) {
        return MessageOf<EOZMError>([&] { HexToDouble(text); });
    };
    EXPECT_EQ(doubleMessage("3FF000000000000"), "HexToDouble: invalid hex string \"3FF000000000000\"");
    EXPECT_EQ(doubleMessage("3FF00000000000000"), "HexToDouble: invalid hex string \"3FF00000000000000\"");
    EXPECT_EQ(doubleMessage("3FF000000000000G"), "HexToDouble: invalid hex string \"3FF000000000000G\"");
    EXPECT_EQ(doubleMessage(" 3FF00000000000"), "HexToDouble: invalid hex string \" 3FF00000000000\"");
    EXPECT_EQ(doubleMessage(""), "HexToDouble: invalid hex string \"\"");
    EXPECT_EQ(MessageOf<EOZMError>([] { HexToExtended("3FFF800000000000000"); }),
              "HexToExtended: invalid hex string \"3FFF800000000000000\"");
    EXPECT_EQ(MessageOf<EOZMError>([] { HexToSingle("3F80000-"); }),
              "HexToSingle: invalid hex string \"3F80000-\"");
    // The base class, not the unit's class.
    try {
        HexToSingle("x");
        ADD_FAILURE();
    } catch (const EOZMMath1Error&) {
        ADD_FAILURE() << "raised the unit's class";
    } catch (const EOZMError&) {
    }
}

TEST(NumText, StrToIntDefault) {
    EXPECT_EQ(StrToIntDefault("12a", 7), 7);
    EXPECT_EQ(StrToIntDefault("", 7), 7);
    EXPECT_EQ(StrToIntDefault("-2147483648", 7), INT32_MIN);
    EXPECT_EQ(StrToIntDefault("2147483648", 7), 7);
    EXPECT_EQ(StrToIntDefault("+42", 7), 42);
    EXPECT_EQ(StrToIntDefault(" 42", 7), 7);
}

TEST(NumText, BaseScannersReadWhatTheFormattersWrite) {
    std::mt19937 rng(11);
    for (int i = 0; i < 500; ++i) {
        const uint32_t v = rng();
        uint32_t back = 0;
        size_t pos = 0;
        std::string text = Hex(v, 8);
        ASSERT_TRUE(ScanHex(text, pos, back));
        EXPECT_EQ(back, v);
        EXPECT_EQ(pos, text.size());
        text = Octal(v, 11);
        pos = 0;
        ASSERT_TRUE(ScanOctal(text, pos, back));
        EXPECT_EQ(back, v);
        text = Bin(v, 32);
        pos = 0;
        ASSERT_TRUE(ScanBin(text, pos, back));
        EXPECT_EQ(back, v);
        EXPECT_TRUE(IsValidHex(Hex(v, 8)) && IsValidOct(Octal(v, 11)) && IsValidBin(Bin(v, 32)));
    }
}

TEST(NumText, ScannersWalkAListAndRefuseGarbage) {
    const std::string list = "  1F, ff 0;7";
    size_t pos = 0;
    uint32_t v = 0;
    ASSERT_TRUE(ScanHex(list, pos, v));
    EXPECT_EQ(v, 0x1Fu);
    EXPECT_EQ(pos, 4u);
    ++pos;  // the comma belongs to the caller
    ASSERT_TRUE(ScanHex(list, pos, v));
    EXPECT_EQ(v, 0xFFu);
    ASSERT_TRUE(ScanHex(list, pos, v));
    EXPECT_EQ(v, 0u);
    EXPECT_FALSE(ScanHex(list, pos, v));  // ";7": the scanner does not skip separators
    EXPECT_EQ(pos, 10u);

    // Failures leave position and value alone.
    for (const char* bad : {"12G", "100000000", "", "   ", "-1", "0x10"}) {
        pos = 0;
        v = 77;
        EXPECT_FALSE(ScanHex(bad, pos, v)) << bad;
        EXPECT_EQ(pos, 0u);
        EXPECT_EQ(v, 77u);
    }
    pos = 99;
    EXPECT_FALSE(ScanHex("1", pos, v));
    EXPECT_FALSE(IsValidOct("8"));
    EXPECT_FALSE(IsValidOct("40000000000"));  // 2^32
    EXPECT_TRUE(IsValidOct("0000037777777777"));
    EXPECT_FALSE(IsValidBin("102"));
    EXPECT_FALSE(IsValidBin(std::string(33, '1')));
    EXPECT_TRUE(IsValidBin(" 0101 "));

    int32_t d = 0;
    pos = 0;
    ASSERT_TRUE(ScanDecimal("-2147483648 x", pos, d));
    EXPECT_EQ(d, INT32_MIN);
    EXPECT_TRUE(IsValidDecInt(" +17\t"));
    EXPECT_FALSE(IsValidDecInt("2147483648"));
    EXPECT_FALSE(IsValidDecInt("12a"));
    EXPECT_FALSE(IsValidDecInt("1 2"));
    EXPECT_FALSE(IsValidDecInt("-"));
}

TEST(NumText, FloatingScannerReadsEveryWrittenForm) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-80, 80);
    for (int i = 0; i < 1000; ++i) {
        const double x = mantissa(rng) * std::pow(10.0, exponent(rng));
        const std::string texts[] = {strf(x, 20, -2), MakeEFormat(x, 20, 12), FormatExp(x, 26),
                                     FormatShortest(x)};
        for (const std::string& text : texts) {
            double back = 0;
            size_t pos = 0;
            ASSERT_TRUE(ScanFPNum(text, pos, back)) << text;
            EXPECT_EQ(pos, text.size());
            EXPECT_NEAR(back, x, std::fabs(x) * 1e-11) << text;
            EXPECT_TRUE(IsValidDouble(text)) << text;
        }
        double exact = 0;
        size_t pos = 0;
        ASSERT_TRUE(ScanFPNum(FormatShortest(x), pos, exact));
        EXPECT_EQ(exact, x);
    }
    double v = 5;
    size_t pos = 0;
    EXPECT_TRUE(ScanFPNum(strf(2.5, 9, 3), pos, v));
    EXPECT_EQ(v, 2.5);
    for (const char* ok : {".5", "5.", "-1e-400", "1E+5", "+0.0"}) EXPECT_TRUE(IsValidDouble(ok)) << ok;
    for (const char* bad : {"1e400", "NAN", "INF", "1.2.3", "1e", "e5", ".", "--1", "1,5", "**"})
        EXPECT_FALSE(IsValidDouble(bad)) << bad;
    EXPECT_TRUE(IsValidFPNum("1e400"));  // the syntax holds, only the range does not
    EXPECT_TRUE(IsValidFPNum(" -12.5E-3 "));
    EXPECT_FALSE(IsValidFPNum("1e400x"));
    EXPECT_FALSE(IsValidFPNum("1.5 2"));
}

TEST(NumText, DegreeScannerReadsDegreeToStr) {
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> angle(-720, 720);
    const TDegreeFormat forms[] = {TDegreeFormat::dfDeg, TDegreeFormat::dfDegMin,
                                   TDegreeFormat::dfDegMinSec, TDegreeFormat::dfNumber};
    const double unit[] = {1, 1.0 / 60, 1.0 / 3600, 1};
    for (int i = 0; i < 400; ++i) {
        const double x = angle(rng);
        const int decimals = i % 5;
        for (int f = 0; f < 4; ++f) {
            const std::string text = DegreeToStr(x, forms[f], decimals);
            double back = 0;
            TDegreeFormat form = TDegreeFormat::dfNumber;
            size_t pos = 0;
            ASSERT_TRUE(ScanDegrees(text, pos, back, form)) << text;
            EXPECT_EQ(pos, text.size());
            EXPECT_EQ(form, forms[f]) << text;
            EXPECT_NEAR(back, x, 0.5 * unit[f] * std::pow(10.0, -decimals) * (1 + 1e-9)) << text;
        }
    }
    double d = 0;
    size_t pos = 0;
    ASSERT_TRUE(ScanDegrees("-0\xB0 30'", pos, d));  // Latin-1 degree sign
    EXPECT_EQ(d, -0.5);
    pos = 0;
    TDegreeFormat form{};
    ASSERT_TRUE(ScanDegrees("12.5" + kDeg + " 30' rest", pos, d, form));
    EXPECT_EQ(form, TDegreeFormat::dfDeg);  // decimals on the degrees end the angle
    EXPECT_EQ(d, 12.5);
    pos = 0;
    ASSERT_TRUE(ScanDegrees("10" + kDeg + " 30.5' 20\"", pos, d, form));
    EXPECT_EQ(form, TDegreeFormat::dfDegMin);  // seconds only follow whole minutes
    for (const std::string& bad : {"10" + kDeg + " 61'", "10" + kDeg + " 30' 75\"", "10" + kDeg + "x",
                                  kDeg, std::string("ten")}) {
        pos = 0;
        EXPECT_FALSE(ScanDegrees(bad, pos, d)) << bad;
    }
}

TEST(NumText, DateTimeScannerReadsIsoForms) {
    TIsoDateTime t;
    size_t pos = 0;
    ASSERT_TRUE(ScanDateTime("2024-02-29T13:45:30.25+01:30", pos, t));
    EXPECT_TRUE(t.HasDate && t.HasTime && t.HasZone);
    EXPECT_EQ(t.Year, 2024);
    EXPECT_EQ(t.Month, 2);
    EXPECT_EQ(t.Day, 29);
    EXPECT_EQ(t.Hour, 13);
    EXPECT_EQ(t.Minute, 45);
    EXPECT_DOUBLE_EQ(t.Second, 30.25);
    EXPECT_EQ(t.ZoneOffset, 90);

    const std::string list = " 1999-12-31 23:59:60,5Z; 12:00 T08:15-0500 2000-01-01";
    pos = 0;
    ASSERT_TRUE(ScanDateTime(list, pos, t));
    EXPECT_TRUE(t.HasDate && t.HasTime);
    EXPECT_DOUBLE_EQ(t.Second, 60.5);  // leap second
    EXPECT_EQ(list[pos], ';');
    ++pos;
    ASSERT_TRUE(ScanDateTime(list, pos, t));
    EXPECT_FALSE(t.HasDate);
    EXPECT_EQ(t.Hour, 12);
    EXPECT_FALSE(t.HasZone);
    ASSERT_TRUE(ScanDateTime(list, pos, t));
    EXPECT_EQ(t.ZoneOffset, -300);
    ASSERT_TRUE(ScanDateTime(list, pos, t));
    EXPECT_TRUE(t.HasDate && !t.HasTime);
    EXPECT_EQ(pos, list.size());

    const TIsoDateTime before = t;
    for (const char* bad : {"2023-02-29", "2100-02-29", "2024-13-01", "2024-04-31", "24:00:01",
                            "24:30", "12:60", "12:00:61", "2024-1-01", "2024-01-01T", "12:00+24:00",
                            "12:00:00.", "12:00Zx", "2024-01-01T25:00", "1234"}) {
        pos = 0;
        EXPECT_FALSE(ScanDateTime(bad, pos, t)) << bad;
        EXPECT_EQ(pos, 0u);
    }
    EXPECT_EQ(t.Year, before.Year);
    pos = 0;
    EXPECT_TRUE(ScanDateTime("2000-02-29 24:00:00", pos, t));
    EXPECT_EQ(t.Hour, 24);
    // A fraction of many nines rounds to 1 as a double; the whole second written must stay.
    pos = 0;
    ASSERT_TRUE(ScanDateTime("23:59:59.99999999999999999", pos, t));
    EXPECT_LT(t.Second, 60);
    EXPECT_GT(t.Second, 59.99);
    pos = 0;
    ASSERT_TRUE(ScanDateTime("23:59:60.99999999999999999", pos, t));
    EXPECT_LT(t.Second, 61);
}

TEST(NumText, TextIgnoresTheProcessLocale) {
    ozm::testing::ScopedCommaLocale comma;
    if (!comma.active()) GTEST_SKIP() << "no decimal-comma locale installed";
    EXPECT_EQ(strf(2.5, 1, 2), "2.50");
    EXPECT_EQ(MakeEFormat(2.5, 8, 3), " 0.250E+01");
    EXPECT_EQ(EEngStr(2500, 3), "2.50k");
    EXPECT_EQ(DegreeToStr(10.5, TDegreeFormat::dfDegMin, 1), "10" + kDeg + " 30.0'");
    double v = 0;
    size_t pos = 0;
    EXPECT_TRUE(ScanFPNum("2.5", pos, v));
    EXPECT_EQ(v, 2.5);
    EXPECT_FALSE(IsValidDouble("2,5"));
}

}  // namespace
