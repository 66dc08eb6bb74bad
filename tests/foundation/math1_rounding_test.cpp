// Bounds, clamping, limited rounding, the 1-2-5 series and axis scaling.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ozm/math1/scalar.hpp"

namespace {

using namespace ozm::math1;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(Math1Bounds, WithinBoundsAndConfineValue) {
    EXPECT_TRUE(WithinBounds(2, 1, 3));
    EXPECT_TRUE(WithinBounds(2, 3, 1));
    EXPECT_TRUE(WithinBounds(3, 3, 1));
    EXPECT_FALSE(WithinBounds(3.5, 3, 1));
    EXPECT_TRUE(WithinBounds(3.5, 3, 1, 0.5));
    EXPECT_TRUE(WithinBounds(0.5, 3, 1, 0.5));
    EXPECT_FALSE(WithinBounds(0.4, 3, 1, 0.5));
    EXPECT_FALSE(WithinBounds(kNaN, 1, 3));
    EXPECT_FALSE(WithinBounds(2, kNaN, 3));

    EXPECT_EQ(ConfineValue(5.0, 3.0, 1.0), 3.0);
    EXPECT_EQ(ConfineValue(-5.0, 3.0, 1.0), 1.0);
    EXPECT_EQ(ConfineValue(2.0f, 1.0f, 3.0f), 2.0f);
    EXPECT_EQ(ConfineValue(int32_t{7}, int32_t{10}, int32_t{-10}), 7);
    EXPECT_EQ(ConfineValue(std::numeric_limits<int32_t>::min(), int32_t{10}, int32_t{-10}), -10);
    EXPECT_TRUE(std::isnan(ConfineValue(kNaN, 1.0, 3.0)));
}

TEST(Math1Bounds, RoundLimitRoundsHalfToEvenThenClamps) {
    EXPECT_EQ(RoundLimit(2.5, -100, 100), 2);
    EXPECT_EQ(RoundLimit(3.5, -100, 100), 4);
    EXPECT_EQ(RoundLimit(-2.5, -100, 100), -2);
    EXPECT_EQ(RoundLimit(2.6, -100, 100), 3);
    EXPECT_EQ(RoundLimit(250.0, -100, 100), 100);
    EXPECT_EQ(RoundLimit(-250.0, -100, 100), -100);
    EXPECT_EQ(RoundLimit(1e300, 0, std::numeric_limits<int64_t>::max()), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(RoundLimit(-kInf, std::numeric_limits<int64_t>::min(), 0), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(RoundLimit(kNaN, 5, 10), 5);
    EXPECT_EQ(RoundLimit(kNaN, -5, 10), 0);
    EXPECT_EQ(RoundLimit(7.0, 10, 5), 5);  // low raised first, then high lowers it
}

TEST(Math1Round125, WorkedExamples) {
    EXPECT_EQ(Round125(0.0034), 0.005);
    EXPECT_EQ(Round125(-140), -100);
    EXPECT_EQ(Round125(1.49), 1);
    EXPECT_EQ(Round125(1.5), 2);
    EXPECT_EQ(Round125(2.99), 2);
    EXPECT_EQ(Round125(3), 5);
    EXPECT_EQ(Round125(7.99), 5);
    EXPECT_EQ(Round125(8), 10);
    EXPECT_EQ(Round125(9.99e-7), 1e-6);
    EXPECT_EQ(RoundPos125(2.1), 5);
    EXPECT_EQ(RoundNeg125(2.1), 2);
    EXPECT_EQ(RoundNeg125(-2.1), -5);
    EXPECT_EQ(RoundPos125(-2.1), -2);
    EXPECT_EQ(RoundPos125(5.01), 10);
    EXPECT_EQ(RoundNeg125(9.99), 5);
    for (const auto f : {Round125, RoundPos125, RoundNeg125}) {
        EXPECT_EQ(f(0.0), 0.0);
        EXPECT_TRUE(std::isnan(f(kNaN)));
        EXPECT_EQ(f(kInf), kInf);
        EXPECT_EQ(f(-kInf), -kInf);
        EXPECT_GE(f(std::numeric_limits<double>::denorm_min()), 0.0);
    }
    EXPECT_EQ(Round125(std::numeric_limits<double>::max()), kInf);  // 2e308 is beyond double
}

// The series values 1, 2, 5 x 10^k as the nearest doubles, by decimal parsing.
std::vector<double> SeriesValues(int lowExp, int highExp) {
    std::vector<double> values;
    for (int k = lowExp; k <= highExp; ++k)
        for (const char* m : {"1", "2", "5"}) values.push_back(std::stod(std::string(m) + "e" + std::to_string(k)));
    return values;
}

TEST(Math1Round125, ValuesOfTheSeriesGiveThemselves) {
    for (const double v : SeriesValues(-300, 300)) {
        ASSERT_EQ(Round125(v), v) << v;
        ASSERT_EQ(RoundPos125(v), v) << v;
        ASSERT_EQ(RoundNeg125(v), v) << v;
        ASSERT_EQ(RoundPos125(-v), -v) << v;
        ASSERT_EQ(RoundNeg125(-v), -v) << v;
    }
}

TEST(Math1Round125, DirectedRoundingFindsTheNeighboursInTheSeries) {
    const std::vector<double> series = SeriesValues(-12, 12);
    std::mt19937_64 gen(3);
    std::uniform_real_distribution<double> exponent(-11.5, 11.5);
    for (int trial = 0; trial < 20000; ++trial) {
        const double x = std::pow(10.0, exponent(gen));
        const auto above = std::lower_bound(series.begin(), series.end(), x);
        const auto below = std::upper_bound(series.begin(), series.end(), x) - 1;
        ASSERT_EQ(RoundPos125(x), *above) << x;
        ASSERT_EQ(RoundNeg125(x), *below) << x;
        ASSERT_EQ(RoundNeg125(-x), -*above) << x;
        ASSERT_EQ(RoundPos125(-x), -*below) << x;
        const double r = Round125(x);
        ASSERT_TRUE(r == *above || r == *below || r == *(above + 1)) << x;
    }
}

struct Axis {
    long double first;
    long double step;
    uint16_t minor;
};

Axis Scale(int32_t count, long double x1, long double x2) {
    Axis a{-99, -99, 99};
    CalcScalePars(count, x1, x2, a.first, a.step, a.minor);
    return a;
}

TEST(Math1CalcScalePars, WorkedExamples) {
    struct Case {
        int32_t count;
        long double x1, x2, first, step;
        uint16_t minor;
    };
    const Case cases[] = {
        {4, 0, 100, 0, 20, 4},       // 25 per interval: mantissa 2
        {5, 0, 100, 0, 10, 5},       // exactly 20 per interval gives 10
        {0, 1, 1, 1, 0, 1},          // empty axis
        {5, 3.7L, 18.2L, 4, 2, 4},   // 2.9 per interval
        {5, 100, 0, 100, -10, 5},    // descending axis: the step points towards x2
        {3, 0, 1000, 0, 200, 4},     // 333 per interval: mantissa 2
        {2, 0, 1400, 0, 500, 5},     // 700 per interval: mantissa 5
        {-4, 0, 100, 0, 20, 4},      // a negative count counts by its magnitude
        {0, 0.5L, 7.2L, 1, 1, 5},    // automatic: unit steps, five minor ticks up to a range of 10
        {0, -3.5L, 20, -3, 1, 1},
    };
    for (const Case& c : cases) {
        const Axis a = Scale(c.count, c.x1, c.x2);
        EXPECT_NEAR(static_cast<double>(a.first), static_cast<double>(c.first), 1e-15) << c.count << " " << static_cast<double>(c.x1);
        EXPECT_EQ(a.step, c.step) << c.count << " " << static_cast<double>(c.x1);
        EXPECT_EQ(a.minor, c.minor) << c.count << " " << static_cast<double>(c.x1);
    }
    const Axis tenth = Scale(10, 0, 1);
    EXPECT_EQ(tenth.step, 1.0L / 10);
    EXPECT_EQ(tenth.first, 0);
    EXPECT_EQ(tenth.minor, 5);
    const Axis fine = Scale(4, -0.01L, 0.07L);  // exactly 0.02 per interval gives 0.01
    EXPECT_EQ(fine.step, 1.0L / 100);
    EXPECT_EQ(fine.first, -0.01L);
    EXPECT_EQ(fine.minor, 5);
    const Axis fine2 = Scale(4, -0.01L, 0.11L);  // 0.03 per interval
    EXPECT_EQ(fine2.step, 2.0L / 100);
    EXPECT_EQ(fine2.first, 0);
    EXPECT_EQ(fine2.minor, 4);
}

TEST(Math1CalcScalePars, StepsFollowTheSeriesAndFirstIsTheFirstTick) {
    std::mt19937_64 gen(8);
    // Magnitudes in [0.1, 1) with either sign; the range is at least 1e-4 of |x1|, so that first
    // counts at most some 1e5 steps and the tick test below stays exact.
    std::uniform_real_distribution<double> mag(0.1, 1);
    const auto unit = [&] { return (gen() & 1 ? 1 : -1) * mag(gen); };
    for (int trial = 0; trial < 5000; ++trial) {
        const int e1 = static_cast<int>(gen() % 13) - 6;
        const int e2 = e1 - 4 + static_cast<int>(gen() % 9);
        const long double x1 = unit() * std::pow(10.0L, e1);
        const long double x2 = x1 + unit() * std::pow(10.0L, e2);
        const auto count = static_cast<int32_t>(1 + gen() % 20);
        if (x1 == x2) continue;
        const Axis a = Scale(count, x1, x2);
        const long double perInterval = std::fabs(x2 - x1) / count;
        const long double step = std::fabs(a.step);
        ASSERT_TRUE(step <= perInterval * (1 + 1e-9L) && step >= perInterval / 2.5L * (1 - 1e-9L));
        const long double mantissa = step / std::pow(10.0L, std::floor(std::log10(step) + 1e-12L));
        ASSERT_TRUE(std::fabs(mantissa - 1) < 1e-9L || std::fabs(mantissa - 2) < 1e-9L ||
                    std::fabs(mantissa - 5) < 1e-9L);
        ASSERT_EQ(a.minor, std::fabs(mantissa - 2) < 1e-9L ? 4 : 5);
        // first is a tick (a multiple of step) at most a thousandth of a step before x1, and the
        // tick before it is more than that.
        const long double d = x2 > x1 ? 1 : -1;
        const long double ticks = a.first / a.step;
        ASSERT_NEAR(static_cast<double>(ticks), std::round(static_cast<double>(ticks)), 1e-6);
        ASSERT_LE(d * (x1 - a.first), 0.001L * step * (1 + 1e-9L));
        ASSERT_GT(d * (x1 - (a.first - a.step)), 0.001L * step);
    }
}

TEST(Math1CalcScalePars, DegenerateInputsGiveAnEmptyAxisAndNeverHang) {
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double inf = std::numeric_limits<long double>::infinity();
    for (const auto& [x1, x2] : {std::pair{nan, 1.0L}, std::pair{0.0L, nan}, std::pair{-inf, 1.0L},
                                 std::pair{0.0L, inf}, std::pair{-std::numeric_limits<long double>::max(),
                                                                 std::numeric_limits<long double>::max()}}) {
        for (const int32_t count : {0, 5}) {
            const Axis a = Scale(count, x1, x2);
            EXPECT_EQ(a.step, 0);
            EXPECT_EQ(a.minor, 1);
        }
    }
    // A step below half an ulp of the ends (500000 against an ulp of 2^20 at 1e25): adding it
    // changes nothing, and the start loop must still end.
    const Axis huge = Scale(5, 1e25L, 1e25L + 4194304.0L);
    EXPECT_EQ(huge.step, 500000);
    EXPECT_NEAR(static_cast<double>(huge.first / 1e25L), 1.0, 1e-15);
    const Axis hugeAuto = Scale(0, 1e30L, 1e30L + 1e12L);
    EXPECT_EQ(hugeAuto.step, 1);
    // A range whose per-interval width underflows.
    const Axis tiny = Scale(std::numeric_limits<int32_t>::max(), 0, std::numeric_limits<long double>::denorm_min());
    EXPECT_EQ(tiny.step, 0);
    // The most negative count: 2^31 intervals of 4.66e-8.
    const Axis dense = Scale(std::numeric_limits<int32_t>::min(), 0, 100);
    EXPECT_EQ(dense.step, 2.0L / 100000000);
    EXPECT_EQ(dense.minor, 4);
    EXPECT_EQ(dense.first, 0);
}

}  // namespace
