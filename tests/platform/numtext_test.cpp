// Number text: fixed and exponential forms, shortest round trip, strict parsing, no locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "ozm/platform/numtext.hpp"
#include "test_support.hpp"

namespace {

using ozm::FormatExp;
using ozm::FormatFixed;
using ozm::TryParseDouble;
using ozm::TryParseInt;
using ozm::TryParseInt64;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NumberText, FormatFixedRoundsAndPads) {
    EXPECT_EQ(FormatFixed(3.14159, 8, 2), "    3.14");
    EXPECT_EQ(FormatFixed(1.5, 6, 1), "   1.5");
    EXPECT_EQ(FormatFixed(12345.678, 3, 2), "12345.68");  // never cut to the width
    EXPECT_EQ(FormatFixed(-1.75, 7, 1), "   -1.8");
    EXPECT_EQ(FormatFixed(-12.5, 0, 3), "-12.500");
    // Rounded from the exact binary value: 2.675 is stored as 2.67499999..., 0.125 is an exact
    // tie and goes to even.
    EXPECT_EQ(FormatFixed(2.675, 0, 2), "2.67");
    EXPECT_EQ(FormatFixed(0.125, 0, 2), "0.12");
    EXPECT_EQ(FormatFixed(0.375, 0, 2), "0.38");
    // No decimals: no point.
    EXPECT_EQ(FormatFixed(2.5, 0, 0), "2");
    EXPECT_EQ(FormatFixed(3.5, 3, 0), "  4");
    EXPECT_EQ(FormatFixed(-7.0, 0, 0), "-7");
    // Large values are written in full.
    EXPECT_EQ(FormatFixed(1e20, 0, 1), "100000000000000000000.0");
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::max(), 0, 0).size(), 309u);
    // A huge decimal count is held to 100 and shows the exact binary value.
    const std::string tenth = FormatFixed(0.1, 0, 500);
    EXPECT_EQ(tenth.size(), 102u);
    EXPECT_EQ(tenth.substr(0, 30), "0.1000000000000000055511151231");
    EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::max(), 0, 100).size(), 411u);
    // A negative decimal count selects the exponential form.
    EXPECT_EQ(FormatFixed(1234.5, 13, -2), " 1.2345E+0003");
}

TEST(NumberText, FormatFixedSpecialValues) {
    EXPECT_EQ(FormatFixed(kNaN, 6, 2), "   NAN");
    EXPECT_EQ(FormatFixed(kInf, 6, 2), "  +INF");
    EXPECT_EQ(FormatFixed(-kInf, 0, 2), "-INF");
    // Zero never carries a sign, also when a small negative value rounds to it.
    EXPECT_EQ(FormatFixed(-0.0, 5, 2), " 0.00");
    EXPECT_EQ(FormatFixed(-0.001, 0, 2), "0.00");
    EXPECT_EQ(FormatFixed(-0.4, 0, 0), "0");
    EXPECT_EQ(FormatFixed(-0.005001, 0, 2), "-0.01");
}

TEST(NumberText, FormatExpDigitsAndExponent) {
    // Width - 8 significant digits.
    EXPECT_EQ(FormatExp(1234.5, 13), " 1.2345E+0003");
    EXPECT_EQ(FormatExp(-0.000123456, 12), "-1.235E-0004");
    EXPECT_EQ(FormatExp(1.0 / 3.0, 26), " 3.33333333333333315E-0001");
    // Held to 2..18 digits; wider fields are padded on the left.
    EXPECT_EQ(FormatExp(5.0, 0), " 5.0E+0000");
    EXPECT_EQ(FormatExp(-5.0, 9), "-5.0E+0000");
    const std::string wide = FormatExp(2.0, 40);
    EXPECT_EQ(wide, std::string(14, ' ') + " 2.00000000000000000E+0000");
    // Carries into the exponent.
    EXPECT_EQ(FormatExp(9.9996, 12), " 1.000E+0001");
    EXPECT_EQ(FormatExp(1e-300, 10), " 1.0E-0300");
    EXPECT_EQ(FormatExp(std::numeric_limits<double>::denorm_min(), 13), " 4.9407E-0324");
    // Zero, negative zero, non-finite values.
    EXPECT_EQ(FormatExp(0.0, 10), " 0.0E+0000");
    EXPECT_EQ(FormatExp(-0.0, 12), "-0.000E+0000");
    EXPECT_EQ(FormatExp(kNaN, 10), "       NAN");
    EXPECT_EQ(FormatExp(-kInf, 10), "      -INF");
    // The extended overload reaches four-digit exponents.
    EXPECT_EQ(FormatExp(1e-4000L, 13), " 1.0000E-4000");
    EXPECT_EQ(FormatExp(-2.5e4000L, 10), "-2.5E+4000");
}

TEST(NumberText, FormatShortestReadsBackExactly) {
    EXPECT_EQ(ozm::FormatShortest(0.1), "0.1");
    EXPECT_EQ(ozm::FormatShortest(1e300), "1e+300");
    EXPECT_EQ(ozm::FormatShortest(-2.5), "-2.5");
    EXPECT_EQ(ozm::FormatShortest(kNaN), "NAN");
    EXPECT_EQ(ozm::FormatShortest(-kInf), "-INF");
    // Random bit patterns cover every exponent, subnormals included.
    std::mt19937_64 bits(20240517);
    int failures = 0;
    for (int k = 0; k < 20000; ++k) {
        const uint64_t u = bits();
        double x;
        std::memcpy(&x, &u, sizeof x);
        if (!std::isfinite(x)) continue;
        double back = 0;
        if (!TryParseDouble(ozm::FormatShortest(x), back) || std::memcmp(&back, &x, sizeof x) != 0) ++failures;
    }
    EXPECT_EQ(failures, 0);
}

TEST(NumberText, TryParseDoubleIsStrict) {
    struct Good {
        const char* text;
        double value;
    };
    for (const Good& g : {Good{"1", 1.0}, Good{"-1.5", -1.5}, Good{"+2", 2.0}, Good{".5", 0.5},
                          Good{"5.", 5.0}, Good{"1e3", 1000.0}, Good{"1E-3", 0.001},
                          Good{"2.5e+2", 250.0}, Good{"-INF", -kInf}, Good{"Infinity", kInf},
                          Good{"1.7976931348623157e308", std::numeric_limits<double>::max()},
                          Good{"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()}}) {
        double v = -99;
        EXPECT_TRUE(TryParseDouble(g.text, v)) << g.text;
        EXPECT_EQ(v, g.value) << g.text;
    }
    double v = 0;
    EXPECT_TRUE(TryParseDouble("nan", v));
    EXPECT_TRUE(std::isnan(v));

    // Rejected, and the value stays as it was.
    for (const char* bad : {"", " 1", "1 ", "1x", "+", "-", "e5", "1e", ".", "--1", "+-1", "1e+-5",
                            "0x10", "1,5", "1.2.3", "nan(1)", "infinit", "1e400", "-1e400",
                            "1e5000", "1.8e308"}) {
        double keep = 7.25;
        EXPECT_FALSE(TryParseDouble(bad, keep)) << bad;
        EXPECT_EQ(keep, 7.25) << bad;
    }
    // Underflow reads as zero with the sign of the text.
    for (const char* tiny : {"1e-400", "1e-5000", "-1e-400", "0.0000000000000000000000000000000000000000"
                                                             "00000000000000000000000000000000000000000"
                                                             "00000000000000000000000000000000000000000"
                                                             "00000000000000000000000000000000000000000"
                                                             "00000000000000000000000000000000000000000"
                                                             "00000000000000000000000000000000000000000"
                                                             "00000000000000000000000000000000000000000"
                                                             "00000000000000000000000000000000000000000"
                                                             "1"}) {
        double z = 7.25;
        EXPECT_TRUE(TryParseDouble(tiny, z)) << tiny;
        EXPECT_EQ(z, 0.0) << tiny;
        EXPECT_EQ(std::signbit(z), tiny[0] == '-') << tiny;
    }
}

TEST(NumberText, TryParseIntIsStrict) {
    int32_t i = 0;
    EXPECT_TRUE(TryParseInt("2147483647", i));
    EXPECT_EQ(i, 2147483647);
    EXPECT_TRUE(TryParseInt("-2147483648", i));
    EXPECT_EQ(i, INT32_MIN);
    EXPECT_TRUE(TryParseInt("+5", i));
    EXPECT_EQ(i, 5);
    EXPECT_TRUE(TryParseInt("-0", i));
    EXPECT_EQ(i, 0);
    for (const char* bad : {"", "+", "-", "+-5", "-+5", "++5", " 5", "5 ", "1.0", "1e3", "12a",
                            "2147483648", "-2147483649", "0x1F"}) {
        int32_t keep = 99;
        EXPECT_FALSE(TryParseInt(bad, keep)) << bad;
        EXPECT_EQ(keep, 99) << bad;
    }
    int64_t l = 0;
    EXPECT_TRUE(TryParseInt64("-9223372036854775808", l));
    EXPECT_EQ(l, INT64_MIN);
    EXPECT_TRUE(TryParseInt64("+9223372036854775807", l));
    EXPECT_EQ(l, INT64_MAX);
    EXPECT_FALSE(TryParseInt64("9223372036854775808", l));
    EXPECT_FALSE(TryParseInt64("+-1", l));
}

TEST(NumberText, NothingDependsOnTheProcessLocale) {
    ozm::testing::ScopedCommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma installed";
    // Make sure the locale really writes a comma, or the test proves nothing.
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5");

    EXPECT_EQ(FormatFixed(1.5, 0, 1), "1.5");
    EXPECT_EQ(FormatFixed(-1234567.25, 0, 2), "-1234567.25");  // no grouping either
    EXPECT_EQ(FormatExp(1234.5, 13), " 1.2345E+0003");
    EXPECT_EQ(FormatExp(-0.5L, 10), "-5.0E-0001");
    EXPECT_EQ(ozm::FormatShortest(0.25), "0.25");
    double v = 0;
    EXPECT_TRUE(TryParseDouble("1.5", v));
    EXPECT_EQ(v, 1.5);
    EXPECT_FALSE(TryParseDouble("1,5", v));
}

}  // namespace
