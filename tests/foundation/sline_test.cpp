// TSLine: constructions checked by substituting points into A x + B y + C, the six messages, and
// clipping.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>

#include "ozm/sline.hpp"

namespace {

using namespace ozm;

constexpr double kPi = std::numbers::pi;

double Residual(const TSLine& line, double x, double y) {
    return line.ParA() * x + line.ParB() * y + line.ParC();
}

template <typename F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const EOZMSLineError& e) {
        return e.message();
    }
    return "<no exception>";
}

TEST(SLine, DefaultsAndSetters) {
    TSLine line;
    EXPECT_EQ(line.ParA(), 0);
    EXPECT_EQ(line.ParB(), 1);
    EXPECT_EQ(line.ParC(), 0);
    EXPECT_FALSE(line.SubstituteInf());
    EXPECT_EQ(line.Direction(), 0);
    EXPECT_FALSE(std::signbit(line.Direction()));

    line.SetParA(0);  // B = 1: accepted
    line.SetParA(2);
    line.SetParB(0);
    EXPECT_EQ(MessageOf([&] { line.SetParA(0); }), "parameter A and B must not both be zero");
    EXPECT_EQ(line.ParA(), 2);
    line.SetParB(3);
    line.SetParA(0);
    EXPECT_EQ(MessageOf([&] { line.SetParB(0); }), "parameter A and B must not both be zero");
    EXPECT_EQ(line.ParB(), 3);
    // The error class is not one of the library's EOZMError classes.
    try {
        line.SetParB(0);
    } catch (const EOZMError&) {
        ADD_FAILURE() << "derived from EOZMError";
    } catch (const Exception&) {
    }
}

TEST(SLine, ConstructionsPassThroughTheirPoints) {
    std::mt19937_64 rng(4);
    std::uniform_real_distribution<double> c(-50, 50);
    TSLine line, other;
    for (int i = 0; i < 200; ++i) {
        const double x1 = c(rng), y1 = c(rng), x2 = c(rng), y2 = c(rng), px = c(rng), py = c(rng);
        const double tol = 1e-9;
        ASSERT_TRUE(line.LineFrom2Points(x1, y1, x2, y2));
        EXPECT_NEAR(Residual(line, x1, y1), 0, tol);
        EXPECT_NEAR(Residual(line, x2, y2), 0, tol);

        const double angle = c(rng);
        other.LineThroughPoint(px, py, angle);
        EXPECT_NEAR(Residual(other, px, py), 0, tol);
        EXPECT_NEAR(Residual(other, px + std::cos(angle), py + std::sin(angle)), 0, tol);

        TSLine parallel, normal;
        parallel.ParallelLine(px, py, line);
        EXPECT_NEAR(Residual(parallel, px, py), 0, tol);
        EXPECT_EQ(parallel.AngleBetweenLines(line), 0);
        double x = 0, y = 0;
        EXPECT_FALSE(parallel.InterSection(line, x, y));
        normal.NormalLine(px, py, line);
        EXPECT_NEAR(Residual(normal, px, py), 0, tol);
        EXPECT_DOUBLE_EQ(normal.AngleBetweenLines(line), kPi / 2);

        // The crossing of the normal with the line is the foot of the perpendicular: its
        // distance from (px, py) is |Distance|.
        ASSERT_TRUE(normal.InterSection(line, x, y));
        EXPECT_NEAR(Residual(line, x, y), 0, tol);
        EXPECT_NEAR(Residual(normal, x, y), 0, tol);
        EXPECT_NEAR(std::hypot(x - px, y - py), std::fabs(line.Distance(px, py)), tol);
    }
    // NormalLine may take the line itself.
    line.LineFromSlopeIcpt(2, 1);
    line.NormalLine(0, 1, line);
    EXPECT_NEAR(line.Slope(), -0.5, 1e-15);
    EXPECT_NEAR(line.Intercept(), 1, 1e-15);
}

TEST(SLine, InterSectionWithNaNOffsetReportsNoPoint) {
    TSLine line, other;
    line.LineFromSlopeIcpt(1, 0);
    other.LineFromSlopeIcpt(-1, std::numeric_limits<double>::quiet_NaN());
    double x = 7, y = 8;
    EXPECT_FALSE(line.InterSection(other, x, y));
    EXPECT_FALSE(other.InterSection(line, x, y));
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);
}

TEST(SLine, FailuresLeaveTheLineAlone) {
    TSLine line;
    line.LineFromSlopeIcpt(3, -2);
    EXPECT_FALSE(line.LineFrom2Points(1, 1, 1, 1));
    EXPECT_EQ(line.ParA(), 3);
    EXPECT_EQ(line.ParB(), -1);
    EXPECT_EQ(line.ParC(), -2);
    double k = 0, d = 0;
    line.CalcKDForm(k, d);
    EXPECT_EQ(k, 3);
    EXPECT_EQ(d, -2);
    EXPECT_EQ(line.CalcY(2), 4);
    EXPECT_EQ(line.CalcX(4), 2);

    TSLine vertical;
    ASSERT_TRUE(vertical.LineFrom2Points(2, 0, 2, 5));  // x = 2: B = 0
    EXPECT_EQ(MessageOf([&] { vertical.CalcY(1); }), "cannot calculate y");
    EXPECT_EQ(MessageOf([&] { vertical.Slope(); }), "slope is infinite");
    EXPECT_EQ(MessageOf([&] { vertical.Intercept(); }),
              "cannot calculate intercept (line is parallel to y axis)");
    EXPECT_EQ(MessageOf([&] { vertical.CalcKDForm(k, d); }),
              "cannot convert to k-d-form if ParB is zero");
    EXPECT_EQ(k, 3);
    vertical.SetSubstituteInf(true);
    const double y = vertical.CalcY(1);  // (-1*A - C) / 1e-100, A = -5, C = 10
    EXPECT_TRUE(std::isfinite(y));
    EXPECT_LT(y, -1e99);
    EXPECT_GT(vertical.CalcY(3), 1e99);

    TSLine horizontal;  // the x axis: A = 0
    EXPECT_EQ(MessageOf([&] { horizontal.CalcX(1); }), "cannot calculate x");
    horizontal.SetSubstituteInf(true);
    EXPECT_LT(horizontal.CalcX(1), -1e99);
}

TEST(SLine, AnglesDirectionAndDistance) {
    TSLine a, b;
    a.LineFromSlopeIcpt(1, 0);  // A = 1, B = -1
    EXPECT_DOUBLE_EQ(a.Direction(), 5 * kPi / 4);
    b.SetParA(1);
    b.SetParB(1);  // y = -x
    EXPECT_DOUBLE_EQ(b.Direction(), 7 * kPi / 4);
    EXPECT_DOUBLE_EQ(a.AngleBetweenLines(b), kPi / 2);
    EXPECT_EQ(a.AngleBetweenLines(a), 0);
    b.LineThroughPoint(0, 0, kPi / 6);
    EXPECT_NEAR(b.AngleBetweenLines(TSLine()), kPi / 6, 1e-15);
    // The direction of LineThroughPoint is its angle.
    for (double angle : {0.1, 1.0, 2.0, 3.0, 4.0, 5.0, 6.2}) {
        b.LineThroughPoint(1, 2, angle);
        EXPECT_NEAR(b.Direction(), angle, 1e-12) << angle;
    }
    // A direction a hair below 2 pi stays below 2 pi.
    b.SetParB(1);
    b.SetParA(1e-300);
    EXPECT_LT(b.Direction(), 2 * kPi);
    b.SetParA(0);
    b.SetParB(-1);
    EXPECT_DOUBLE_EQ(b.Direction(), kPi);

    // Signed distance: positive where the normal (A, B) points.
    TSLine axis;  // y = 0, normal (0, 1)
    EXPECT_EQ(axis.Distance(5, 3), 3);
    EXPECT_EQ(axis.Distance(5, -3), -3);
    a.LineFrom2Points(0, 0, 3, 4);
    EXPECT_DOUBLE_EQ(std::fabs(a.Distance(4, -3)), 5);
}

TEST(SLine, ClipBox) {
    TSLine line;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    line.LineFromSlopeIcpt(1, 0);  // y = x
    ASSERT_TRUE(line.ClipBox(0, 0, 1, 1, x1, y1, x2, y2));
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(y1, 0);
    EXPECT_EQ(x2, 1);
    EXPECT_EQ(y2, 1);
    line.LineFromSlopeIcpt(1, 5);
    x1 = y1 = x2 = y2 = -7;
    EXPECT_FALSE(line.ClipBox(0, 0, 1, 1, x1, y1, x2, y2));
    EXPECT_EQ(x1, -7);

    // Axis-parallel lines never raise and give the full chord.
    TSLine vertical;
    vertical.LineFrom2Points(0.5, -3, 0.5, 3);
    ASSERT_TRUE(vertical.ClipBox(0, 0, 1, 1, x1, y1, x2, y2));
    EXPECT_DOUBLE_EQ(x1, 0.5);
    EXPECT_DOUBLE_EQ(y1, 0);
    EXPECT_DOUBLE_EQ(x2, 0.5);
    EXPECT_DOUBLE_EQ(y2, 1);
    EXPECT_FALSE(vertical.SubstituteInf());
    TSLine horizontal;
    horizontal.LineFromSlopeIcpt(0, 0.25);
    ASSERT_TRUE(horizontal.ClipBox(0, 0, 1, 1, x1, y1, x2, y2));
    EXPECT_DOUBLE_EQ(y1, 0.25);
    EXPECT_DOUBLE_EQ(x2, 1);

    // Regression: a vertical line beside a box with large coordinates is no hit (a substitute
    // divisor of 1e-100 made "x = 5" hit the left edge of a box reaching to 1e101).
    vertical.LineFrom2Points(5, 0, 5, 1);
    EXPECT_FALSE(vertical.ClipBox(0, -1e101, 1, 1e101, x1, y1, x2, y2));
    // A line along an edge clips to that edge.
    vertical.LineFrom2Points(0, 0, 0, 1);
    ASSERT_TRUE(vertical.ClipBox(0, -2, 4, 2, x1, y1, x2, y2));
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(y1, -2);
    EXPECT_EQ(x2, 0);
    EXPECT_EQ(y2, 2);

    // Regression: a line through a corner and the interior gives the corner and the far end, not
    // the corner twice (y = 2x enters at (0, 0) on two edges and leaves at (0.5, 1)).
    line.LineFrom2Points(0, 0, 0.5, 1);
    ASSERT_TRUE(line.ClipBox(0, 0, 1, 1, x1, y1, x2, y2));
    EXPECT_NEAR(x1, 0, 1e-15);
    EXPECT_NEAR(y1, 0, 1e-15);
    EXPECT_NEAR(x2, 0.5, 1e-15);
    EXPECT_NEAR(y2, 1, 1e-15);
    // A line that only touches a corner gives that corner twice.
    line.LineFromSlopeIcpt(-1, 0);
    ASSERT_TRUE(line.ClipBox(0, 0, 1, 1, x1, y1, x2, y2));
    EXPECT_EQ(x1, x2);
    EXPECT_EQ(y1, y2);

    // Random chords: both ends lie on the line and on the border of the box.
    std::mt19937_64 rng(8);
    std::uniform_real_distribution<double> c(-3, 3);
    for (int i = 0; i < 300; ++i) {
        line.LineFrom2Points(c(rng), c(rng), c(rng), c(rng));
        if (!line.ClipBox(-1, -1, 1, 1, x1, y1, x2, y2)) continue;
        for (auto [x, y] : {std::pair{x1, y1}, std::pair{x2, y2}}) {
            EXPECT_NEAR(Residual(line, x, y), 0, 1e-12 * (std::fabs(line.ParA()) + std::fabs(line.ParB())));
            EXPECT_NEAR(std::max(std::fabs(x), std::fabs(y)), 1, 1e-12);
        }
    }
}

TEST(SLine, AssignAndOwnership) {
    TSLine owner;
    auto* owned = new TSLine(&owner);
    owned->LineFromSlopeIcpt(4, 5);
    owned->SetSubstituteInf(true);
    TSLine copy;
    copy.Assign(owned);
    EXPECT_EQ(copy.ParA(), 4);
    EXPECT_EQ(copy.ParC(), 5);
    EXPECT_TRUE(copy.SubstituteInf());
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_THROW(copy.Assign(nullptr), EConvertError);
}

}  // namespace
