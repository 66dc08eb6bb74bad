// Polynomials, table interpolation and the elementary functions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "ozm/math1/scalar.hpp"
#include "ozm/platform/exceptions.hpp"

namespace {

using namespace ozm;
using namespace ozm::math1;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = std::numbers::pi;

// The message of the exception E that Call raises, or "no error".
template <typename E, typename F>
std::string MessageOf(F&& Call) {
    try {
        Call();
    } catch (const E& e) {
        return e.message();
    }
    return "no error";
}

TEST(Math1Polynomial, EvaluatesUpToTheGivenOrder) {
    const std::vector<double> c{1, 2, 3};
    EXPECT_EQ(Polynomial(c, 2, 2.0), 17.0);
    EXPECT_EQ(Polynomial(c, 1, 2.0), 5.0);
    EXPECT_EQ(Polynomial(c, 0, 2.0), 1.0);
    EXPECT_EQ(CenteredPolynomial(c, 2, 1.0, 3.0), 17.0);
    const std::string msg = "Polynomial: invalid order of polynomial";
    EXPECT_EQ(MessageOf<EOZMMath1Error>([&] { Polynomial(c, 3, 1.0); }), msg);
    EXPECT_EQ(MessageOf<EOZMMath1Error>([&] { Polynomial(c, -1, 1.0); }), msg);
    EXPECT_EQ(MessageOf<EOZMMath1Error>([&] { Polynomial({}, 0, 1.0); }), msg);
    EXPECT_EQ(MessageOf<EOZMMath1Error>([&] { CenteredPolynomial(c, 5, 0.0, 1.0); }), msg);
}

TEST(Math1InterpolTable, InterpolatesAndExtendsInBothDirections) {
    const TDoubleArray t{0, 10, 20, 40};
    EXPECT_DOUBLE_EQ(InterpolTable(1.5, 0, 3, t), 15);
    EXPECT_DOUBLE_EQ(InterpolTable(2.75, 0, 3, t), 35);
    EXPECT_EQ(InterpolTable(3, 0, 3, t), 40);
    EXPECT_EQ(InterpolTable(0, 0, 3, t), 0);
    EXPECT_DOUBLE_EQ(InterpolTable(-1, 0, 3, t), -10);  // line through the first two values
    EXPECT_DOUBLE_EQ(InterpolTable(4, 0, 3, t), 60);    // line through the last two values
    // first > last: element 0 belongs to abscissa 3, element 3 to abscissa 0.
    EXPECT_EQ(InterpolTable(3, 3, 0, t), 0);
    EXPECT_EQ(InterpolTable(0, 3, 0, t), 40);
    EXPECT_DOUBLE_EQ(InterpolTable(0.25, 3, 0, t), 35);
    EXPECT_DOUBLE_EQ(InterpolTable(-1, 3, 0, t), 60);
    EXPECT_DOUBLE_EQ(InterpolTable(4, 3, 0, t), -10);
    // Scaled abscissae.
    EXPECT_DOUBLE_EQ(InterpolTable(15, 10, 40, t), 5);

    const TIntArray wide{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    EXPECT_EQ(InterpolTable(0.5, 0, 1, wide), -0.5);
    EXPECT_DOUBLE_EQ(InterpolTable(2.5, 1, 3, TIntArray{2, 4, 8}), 6);

    EXPECT_TRUE(std::isnan(InterpolTable(kNaN, 0, 3, t)));
    EXPECT_TRUE(std::isnan(InterpolTable(1, kNaN, 3, t)));
    // A point just below the last abscissa stays inside the table.
    TDoubleArray many(1001);
    for (size_t i = 0; i < many.size(); ++i) many[i] = static_cast<double>(i);
    EXPECT_NEAR(InterpolTable(std::nextafter(0.3, 0.0), 0.1, 0.3, many), 1000, 1e-9);

    EXPECT_EQ(MessageOf<EOZMMath1Error>([] { InterpolTable(0, 0, 1, TDoubleArray{1}); }),
              "InterpolTable: pivot array must contain at least 2 values");
    EXPECT_EQ(MessageOf<EOZMMath1Error>([] { InterpolTable(0, 0, 1, TIntArray{}); }),
              "InterpolTable: pivot array must contain at least 2 values");
    EXPECT_EQ(MessageOf<EOZMMath1Error>([&] { InterpolTable(0, 2, 2, t); }),
              "InterpolTable: specified range of pivot array is zero");
}

TEST(Math1InterpolXYTable, AscendingAndDescendingAbscissae) {
    const TDouble2DArray up{{0, 1, 2, 4}, {5, 10, 20, 40}};
    EXPECT_DOUBLE_EQ(InterpolXYTable(3, up, false), 30);
    EXPECT_DOUBLE_EQ(InterpolXYTable(0.5, up, false), 7.5);
    EXPECT_DOUBLE_EQ(InterpolXYTable(1, up, false), 10);
    EXPECT_EQ(InterpolXYTable(0, up, false), 0);   // an end abscissa is outside the open interval
    EXPECT_EQ(InterpolXYTable(0, up, true), 5);
    EXPECT_EQ(InterpolXYTable(4, up, false), 0);
    EXPECT_EQ(InterpolXYTable(4, up, true), 40);
    EXPECT_DOUBLE_EQ(InterpolXYTable(5, up, true), 50);
    EXPECT_DOUBLE_EQ(InterpolXYTable(-1, up, true), 0);

    const TDouble2DArray down{{4, 2, 1, 0}, {40, 20, 10, 5}};
    EXPECT_DOUBLE_EQ(InterpolXYTable(3, down, false), 30);
    EXPECT_DOUBLE_EQ(InterpolXYTable(0.5, down, false), 7.5);
    EXPECT_DOUBLE_EQ(InterpolXYTable(2, down, false), 20);
    EXPECT_EQ(InterpolXYTable(4, down, true), 40);
    EXPECT_DOUBLE_EQ(InterpolXYTable(5, down, true), 50);
    EXPECT_DOUBLE_EQ(InterpolXYTable(-1, down, true), 0);
    EXPECT_EQ(InterpolXYTable(-1, down, false), 0);

    // Columns of different length: only the rows both hold.
    EXPECT_DOUBLE_EQ(InterpolXYTable(0.5, TDouble2DArray{{0, 1, 2}, {0, 10}}, false), 5);
    EXPECT_TRUE(std::isnan(InterpolXYTable(kNaN, up, true)));
    EXPECT_EQ(InterpolXYTable(kNaN, up, false), 0);

    const std::string columns = "InterpolXYTable: pivot array must contain 2 columns";
    const std::string rows = "InterpolXYTable: pivot array must contain at least 2 rows";
    EXPECT_EQ(MessageOf<EOZMMath1Error>([] { InterpolXYTable(0, TDouble2DArray{{0, 1}}, true); }), columns);
    EXPECT_EQ(MessageOf<EOZMMath1Error>([] { InterpolXYTable(0, TDouble2DArray{{0, 1}, {0, 1}, {0, 1}}, true); }),
              columns);
    EXPECT_EQ(MessageOf<EOZMMath1Error>([] { InterpolXYTable(0, TDouble2DArray{{0}, {1}}, true); }), rows);
    EXPECT_EQ(MessageOf<EOZMMath1Error>([] { InterpolXYTable(0, TDouble2DArray{{0, 1}, {}}, true); }), rows);
}

TEST(Math1Functions, BilinearSquashBinsAndRemainders) {
    EXPECT_EQ(InterpolZofXYRect(1, 2, 3, 4, 0, 0), 1);
    EXPECT_EQ(InterpolZofXYRect(1, 2, 3, 4, 1, 0), 3);
    EXPECT_EQ(InterpolZofXYRect(1, 2, 3, 4, 0, 1), 2);
    EXPECT_EQ(InterpolZofXYRect(1, 2, 3, 4, 1, 1), 4);
    EXPECT_EQ(InterpolZofXYRect(1, 2, 3, 4, 0.5, 0.5), 2.5);

    for (const double x : {-3.0, -0.4, 0.0, 0.7, 2.5, 6.0})
        EXPECT_NEAR(Squash(x, 1.0, 2.0, 3.0), 3.0 * std::tanh(2.0 * (x - 1.0) / 3.0), 1e-14) << x;
    EXPECT_EQ(Squash(1e6, 0, 1, 2), 2);
    EXPECT_EQ(Squash(-1e6, 0, 1, 2), -2);
    EXPECT_EQ(Squash(5, 0, 1, 0), 0);

    double offset = -1;
    EXPECT_EQ(HistoBinRef(7.5, 0, 2, offset), 6);
    EXPECT_EQ(offset, 1.5);
    EXPECT_EQ(HistoBinRef(-0.5, 0, 2, offset), -2);
    EXPECT_EQ(offset, 1.5);
    EXPECT_EQ(HistoBinRef(3.25, 1, 0.5, offset), 3);
    EXPECT_EQ(offset, 0.25);
    EXPECT_EQ(HistoBinRef(3.25, 1, 0, offset), 3.25);
    EXPECT_EQ(offset, 0);

    EXPECT_EQ(modr(7, 3), 1);
    EXPECT_EQ(modr(-7, 3), -1);
    EXPECT_EQ(modr(7, -3), 1);
    EXPECT_EQ(modr(5.5, 2), 1.5);
    EXPECT_EQ(modr(5, 0), 0);
    EXPECT_EQ(modr(1e300, 7), 1);  // the double 1e300 is an integer; x / y is far beyond 2^53
    EXPECT_TRUE(std::isnan(modr(kInf, 2)));
}

TEST(Math1Functions, EuclideanDistanceWithoutOverflow) {
    EXPECT_EQ(EuclideanDistance(0, 0, 3, 4), 5);
    EXPECT_EQ(EuclideanDistance(TPointDouble{1, 1}, TPointDouble{4, 5}), 5);
    EXPECT_DOUBLE_EQ(EuclideanDistance(3e200, 4e200, 0, 0), 5e200);
    EXPECT_DOUBLE_EQ(EuclideanDistance(3e-200, 4e-200, 0, 0), 5e-200);
    EXPECT_EQ(EuclideanDistance(2, 2, 2, 2), 0);
}

TEST(Math1Functions, LogarithmsAreExactAtPowersAndRejectNonPositive) {
    EXPECT_EQ(lg(1000), 3);
    EXPECT_EQ(lg(1e-5), -5);
    EXPECT_EQ(ld(1024), 10);
    EXPECT_EQ(ld(0.125), -3);
    EXPECT_NEAR(lg(2), std::log(2.0) / std::log(10.0), 1e-16);
    EXPECT_TRUE(std::isnan(lg(kNaN)));
    const std::string msg = "logarithm: invalid argument";
    EXPECT_EQ(MessageOf<EMathError>([] { lg(0); }), msg);
    EXPECT_EQ(MessageOf<EMathError>([] { lg(-1); }), msg);
    EXPECT_EQ(MessageOf<EMathError>([] { ld(-kInf); }), msg);
}

TEST(Math1Functions, HyperbolicFunctionsAreAccurateAtBothEnds) {
    // Qualified: with a using-directive the C library's ::sinh and ::cosh would be ambiguous.
    EXPECT_EQ(math1::sinh(1e-20), 1e-20);
    EXPECT_EQ(math1::tgh(1e-20), 1e-20);
    EXPECT_EQ(math1::cosh(0), 1);
    EXPECT_TRUE(std::isfinite(math1::sinh(710)));
    EXPECT_EQ(math1::tgh(1000), 1);
    EXPECT_EQ(math1::tgh(-1000), -1);
    for (const double x : {-3.0, -0.5, 0.25, 1.0, 4.0}) {
        EXPECT_NEAR(math1::cosh(x) * math1::cosh(x) - math1::sinh(x) * math1::sinh(x), 1.0, 1e-12) << x;
        EXPECT_NEAR(math1::tgh(x), math1::sinh(x) / math1::cosh(x), 1e-15) << x;
        EXPECT_NEAR(math1::sinh(x), (std::exp(x) - std::exp(-x)) / 2, 1e-14 * std::cosh(x)) << x;
    }
}

TEST(Math1Functions, TangentAndCotangent) {
    EXPECT_NEAR(tg(kPi / 4), 1, 1e-15);
    EXPECT_NEAR(cot(kPi / 4), 1, 1e-15);
    EXPECT_NEAR(tg(-kPi / 3), -std::sqrt(3.0), 1e-14);
    EXPECT_GT(std::fabs(tg(kPi / 2)), 1e15);  // cos(pi/2) is not exactly 0 in double
    EXPECT_EQ(MessageOf<EMathError>([] { cot(0); }), "cotangens overflow");
    EXPECT_EQ(MessageOf<EMathError>([] { cot(-0.0); }), "cotangens overflow");
    EXPECT_TRUE(std::isnan(tg(kInf)));
}

TEST(Math1Functions, CanonicalAngles) {
    EXPECT_EQ(CanonicalAngleDegrees(190), -170);
    EXPECT_EQ(CanonicalAngleDegrees(-540), -180);
    EXPECT_EQ(CanonicalAngleDegrees(180), 180);
    EXPECT_EQ(CanonicalAngleDegrees(-190), 170);
    EXPECT_NEAR(CanonicalAngleDegrees(370), 10, 1e-12);
    EXPECT_EQ(CanonicalAngleDegrees(720), 0);
    EXPECT_NEAR(CanonicalAngleDegrees(-725), -5, 1e-12);
    EXPECT_NEAR(CanonicalAngleRadians(1.5 * kPi), -0.5 * kPi, 1e-15);
    EXPECT_NEAR(CanonicalAngleRadians(2.5 * kPi), 0.5 * kPi, 1e-15);
    EXPECT_NEAR(CanonicalAngleRadians(-2.5 * kPi), -0.5 * kPi, 1e-15);
    EXPECT_EQ(CanonicalAngleRadians(1.0), 1.0);
    EXPECT_TRUE(std::isnan(CanonicalAngleDegrees(kNaN)));
    EXPECT_TRUE(std::isnan(CanonicalAngleDegrees(kInf)));
    EXPECT_TRUE(std::isnan(CanonicalAngleRadians(-kInf)));
    // Huge angles end up in range as well (their fractional turns are what the double holds).
    const double a = CanonicalAngleDegrees(1e17);
    EXPECT_TRUE(a >= -180 && a <= 180);
}

}  // namespace
