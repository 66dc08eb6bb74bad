// Plane geometry of math1: the worked cases, and the ellipse distance against an independent
// search over the ellipse.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

#include "ozm/math1/geometry.hpp"

namespace {

using namespace ozm;
using namespace ozm::math1;

constexpr double kPi = std::numbers::pi;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Geometry, OrientationAndSegmentIntersection) {
    EXPECT_EQ(CcwTriangle({0, 0}, {1, 0}, {0, 1}), 1);
    EXPECT_EQ(CcwTriangle({0, 0}, {0, 1}, {1, 0}), -1);
    EXPECT_EQ(CcwTriangle({0, 0}, {1, 1}, {3, 3}), 0);
    // The cross product of huge coordinates overflows a double; the sign must survive.
    EXPECT_EQ(CcwTriangle({-1e300, -1e300}, {1e300, -1e300}, {0, 1e300}), 1);
    // A turn far below the resolution of the coordinates' products in double.
    EXPECT_EQ(CcwTriangle({0, 0}, {1e8, 1e8}, {1e8 + 1, 1e8}), -1);
    EXPECT_EQ(CcwTriangle({0, 0}, {kNaN, 1}, {1, 0}), 0);

    EXPECT_TRUE(SegmentsIntersect({0, 0}, {2, 2}, {0, 2}, {2, 0}));
    EXPECT_TRUE(SegmentsIntersect({0, 0}, {1, 0}, {2, 0}, {3, 0}));  // collinear: always true
    EXPECT_TRUE(SegmentsIntersect({0, 0}, {2, 0}, {1, 0}, {1, 5}));  // touching
    EXPECT_FALSE(SegmentsIntersect({0, 0}, {2, 0}, {1, 1}, {1, 5}));
    EXPECT_FALSE(SegmentsIntersect({0, 0}, {1, 1}, {3, 0}, {0, 3.5}));
    // NaN makes every orientation 0; that must not pass for "collinear, so intersecting".
    EXPECT_FALSE(SegmentsIntersect({0, 0}, {2, 2}, {kNaN, 2}, {2, 0}));
    EXPECT_FALSE(SegmentsIntersect({0, kNaN}, {2, 2}, {0, 2}, {2, 0}));
}

TEST(Geometry, DistanceToSegment) {
    EXPECT_DOUBLE_EQ(DistanceToSegment({0, 1}, {-1, 0}, {1, 0}), 1);
    EXPECT_DOUBLE_EQ(DistanceToSegment({0, 1}, {2, 0}, {2, 0}), std::sqrt(5.0));
    EXPECT_DOUBLE_EQ(DistanceToSegment({-3, 4}, {0, 0}, {10, 0}), 5);   // beyond A
    EXPECT_DOUBLE_EQ(DistanceToSegment({13, -4}, {0, 0}, {10, 0}), 5);  // beyond B
    EXPECT_DOUBLE_EQ(DistanceToSegment({1e300, 1e300}, {-1e300, 0}, {1e300, 0}), 1e300);
    EXPECT_TRUE(std::isnan(DistanceToSegment({kNaN, 0}, {0, 0}, {1, 0})));
    // A NaN end point must not fall back to the distance from the other end.
    EXPECT_TRUE(std::isnan(DistanceToSegment({0, 1}, {0, 0}, {kNaN, 0})));
}

TEST(Geometry, DistFromRect) {
    const TRect r{0, 0, 10, 10};
    EXPECT_EQ(DistFromRect({0, 5}, r), 0);
    EXPECT_EQ(DistFromRect({5, 5}, r), 0);
    EXPECT_EQ(DistFromRect({-3, 5}, r), 3);
    EXPECT_EQ(DistFromRect({14, 5}, r), 4);
    EXPECT_EQ(DistFromRect({5, -7}, r), 7);
    EXPECT_EQ(DistFromRect({5, 12}, r), 2);
    EXPECT_EQ(DistFromRect({-3, -4}, r), 5);
    EXPECT_EQ(DistFromRect({11, 11}, r), 1);  // sqrt 2 rounds to 1
    EXPECT_EQ(DistFromRect({12, 12}, r), 3);  // sqrt 8 rounds to 3
    // Differences beyond 32 bits neither wrap nor go negative.
    EXPECT_EQ(DistFromRect({INT32_MIN, 5}, {0, 0, INT32_MAX, 10}), INT32_MAX);
    EXPECT_EQ(DistFromRect({INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}),
              INT32_MAX);
}

// Independent reference: the smallest distance over a fine sampling of the parameter angle,
// refined by golden-section search around the best sample.
double BruteForceEllipseDistance(double px, double py, double cx, double cy, double a, double b) {
    const auto dist = [&](double t) {
        return std::hypot(cx + a * std::cos(t) - px, cy + b * std::sin(t) - py);
    };
    constexpr int kSamples = 20000;
    double bestT = 0, best = dist(0);
    for (int i = 1; i < kSamples; ++i) {
        const double t = 2 * kPi * i / kSamples;
        const double d = dist(t);
        if (d < best) best = d, bestT = t;
    }
    double lo = bestT - 2 * kPi / kSamples, hi = bestT + 2 * kPi / kSamples;
    const double g = (std::sqrt(5.0) - 1) / 2;
    for (int i = 0; i < 200; ++i) {
        const double m1 = hi - g * (hi - lo), m2 = lo + g * (hi - lo);
        if (dist(m1) < dist(m2)) hi = m2;
        else lo = m1;
    }
    return std::min(best, dist((lo + hi) / 2));
}

TEST(Geometry, DistFromEllipseWorkedCases) {
    TPointDouble q;
    EXPECT_DOUBLE_EQ(DistFromEllipse({0, 0}, 0, 0, 2, 2, q), 2);
    EXPECT_DOUBLE_EQ(std::hypot(q.x, q.y), 2);
    EXPECT_DOUBLE_EQ(DistFromEllipse({5, 0}, 0, 0, 3, 1, q), 2);
    EXPECT_DOUBLE_EQ(q.x, 3);
    EXPECT_DOUBLE_EQ(q.y, 0);
    // The centre of a proper ellipse is nearest to the ends of the short axis.
    EXPECT_DOUBLE_EQ(DistFromEllipse({10, 20}, 10, 20, 3, 1, q), 1);
    EXPECT_DOUBLE_EQ(q.x, 10);
    EXPECT_DOUBLE_EQ(std::fabs(q.y - 20), 1);
    // On the ellipse: distance 0 and Q is the point itself.
    EXPECT_DOUBLE_EQ(DistFromEllipse({-3, 0}, 0, 0, 3, 1, q), 0);
    EXPECT_DOUBLE_EQ(q.x, -3);
    // Negative semi-axes describe the same ellipse.
    EXPECT_DOUBLE_EQ(DistFromEllipse({5, 0}, 0, 0, -3, -1, q), 2);
}

TEST(Geometry, DistFromEllipseMatchesBruteForce) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> axis(0.05, 5);
    std::uniform_real_distribution<double> coord(-8, 8);
    for (int i = 0; i < 150; ++i) {
        const double a = axis(rng), b = axis(rng), cx = coord(rng), cy = coord(rng);
        // Points inside, near and far outside; every quadrant.
        const double scale = i % 3 == 0 ? 0.3 : (i % 3 == 1 ? 1.05 : 3);
        const double t = std::uniform_real_distribution<double>(0, 2 * kPi)(rng);
        const double px = cx + scale * a * std::cos(t) + 0.1 * coord(rng) / 8;
        const double py = cy + scale * b * std::sin(t) + 0.1 * coord(rng) / 8;
        TPointDouble q;
        const double d = DistFromEllipse({px, py}, cx, cy, a, b, q);
        const double reference = BruteForceEllipseDistance(px, py, cx, cy, a, b);
        EXPECT_NEAR(d, reference, 1e-9 * (1 + reference)) << a << " " << b << " " << px << " " << py;
        // Q lies on the ellipse and is at the returned distance.
        const double onEllipse = std::pow((q.x - cx) / a, 2) + std::pow((q.y - cy) / b, 2);
        EXPECT_NEAR(onEllipse, 1, 1e-12);
        EXPECT_NEAR(std::hypot(q.x - px, q.y - py), d, 1e-12 * (1 + d));
    }
}

TEST(Geometry, DistFromEllipseExtremeAndDegenerateInput) {
    TPointDouble q;
    // Extreme axis ratio and a far point: no overflow, the nearest point is the vertex.
    EXPECT_DOUBLE_EQ(DistFromEllipse({1e300, 0}, 0, 0, 1e-300, 1e-300, q), 1e300);
    const double d = DistFromEllipse({1e200, 1e200}, 0, 0, 1e-200, 1, q);
    EXPECT_NEAR(d, std::hypot(1e200, 1e200 - 1), 1e186);
    EXPECT_NEAR(q.y, 1, 1e-12);
    // A zero semi-axis makes a segment; two make a point.
    EXPECT_DOUBLE_EQ(DistFromEllipse({1, 3}, 0, 0, 2, 0, q), 3);
    EXPECT_DOUBLE_EQ(q.x, 1);
    EXPECT_DOUBLE_EQ(DistFromEllipse({5, 4}, 0, 0, 0, 2, q), std::hypot(5.0, 2.0));
    EXPECT_DOUBLE_EQ(q.y, 2);
    EXPECT_DOUBLE_EQ(DistFromEllipse({3, 4}, 0, 0, 0, 0, q), 5);
    // NaN anywhere, or a non-finite ellipse: NaN, promptly.
    for (double bad : {kNaN, kInf}) {
        EXPECT_TRUE(std::isnan(DistFromEllipse({1, 1}, bad, 0, 1, 1, q)));
        EXPECT_TRUE(std::isnan(DistFromEllipse({1, 1}, 0, 0, bad, 1, q)));
        EXPECT_TRUE(std::isnan(q.x) && std::isnan(q.y));
    }
    EXPECT_TRUE(std::isnan(DistFromEllipse({kNaN, 1}, 0, 0, 2, 1, q)));
    // A point at infinity: infinite distance, Q the limit of the nearest point.
    EXPECT_EQ(DistFromEllipse({kInf, 7}, 1, 1, 3, 2, q), kInf);
    EXPECT_NEAR(q.x, 4, 1e-12);
    EXPECT_NEAR(q.y, 1, 1e-12);
    EXPECT_EQ(DistFromEllipse({-kInf, -kInf}, 0, 0, 3, 4, q), kInf);
    // Along (-1, -1) the outward normal (x/9, y/16) is parallel at (-9, -16)/5.
    EXPECT_NEAR(q.x, -9.0 / 5, 1e-9);
    EXPECT_NEAR(q.y, -16.0 / 5, 1e-9);
}

TEST(Geometry, AngleToXAxis) {
    EXPECT_DOUBLE_EQ(AngleToXAxis(0, 0), 3 * kPi / 2);
    EXPECT_DOUBLE_EQ(AngleToXAxis(0, 2), kPi / 2);
    EXPECT_DOUBLE_EQ(AngleToXAxis(-1, 0), kPi);
    EXPECT_DOUBLE_EQ(AngleToXAxis(1, -1), 7 * kPi / 4);
    EXPECT_DOUBLE_EQ(AngleToXAxis(-1, -1), 5 * kPi / 4);
    EXPECT_DOUBLE_EQ(AngleToXAxis(kInf, kInf), kPi / 4);
    EXPECT_DOUBLE_EQ(AngleToXAxis(-kInf, 3), kPi);
    EXPECT_TRUE(std::isnan(AngleToXAxis(kNaN, 1)));
    EXPECT_TRUE(std::isnan(AngleToXAxis(0, kNaN)));  // not the 3*pi/2 of (0, y <= 0)
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> c(-5, 5);
    for (int i = 0; i < 200; ++i) {
        const double x = c(rng), y = c(rng);
        const double angle = AngleToXAxis(x, y);
        ASSERT_GE(angle, 0);
        ASSERT_LE(angle, 2 * kPi);
        EXPECT_NEAR(std::hypot(x, y) * std::cos(angle), x, 1e-12);
        EXPECT_NEAR(std::hypot(x, y) * std::sin(angle), y, 1e-12);
    }
}

TEST(Geometry, RectangleTests) {
    const TRectDouble r{10, 10, 0, 0};  // corners in either order
    EXPECT_TRUE(WithinRect({0, 10}, r));
    EXPECT_FALSE(WithinRect({-0.001, 5}, r));
    EXPECT_FALSE(WithinRect({kNaN, 5}, r));

    TPointDouble p{5, 20};
    EXPECT_TRUE(ConfinePointToRect(p, r));
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 10);
    EXPECT_FALSE(ConfinePointToRect(p, r));
    p = {-kInf, 3};
    EXPECT_TRUE(ConfinePointToRect(p, r));
    EXPECT_EQ(p.x, 0);
    p = {kNaN, 3};
    EXPECT_FALSE(ConfinePointToRect(p, r));
    EXPECT_TRUE(std::isnan(p.x));
}

}  // namespace
