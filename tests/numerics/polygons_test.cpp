// Polygon routines: worked examples, the hull against its defining properties on many random
// point sets, and the great-circle distance against the haversine formula.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "ozm/math2.hpp"

namespace ozm::math2 {
namespace {

using Poly = std::vector<TPointDouble>;

double CrossAt(const TPointDouble& a, const TPointDouble& b, const TPointDouble& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

TEST(Polygons, WorkedExamples) {
    const Poly square = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const Poly reversed(square.rbegin(), square.rend());
    int crossings = -1;
    EXPECT_EQ(PolygonArea(square, crossings), 1.0);
    EXPECT_EQ(crossings, 0);
    EXPECT_EQ(PolygonArea(reversed), -1.0);
    EXPECT_EQ(PolygonArea(Poly{{0, 0}, {1, 1}, {1, 0}, {0, 1}}, crossings), 0.0);
    EXPECT_EQ(crossings, 1);  // the bow tie
    EXPECT_EQ(PolygonLength(square, false), 3.0);
    EXPECT_EQ(PolygonLength(square, true), 4.0);
    double x0, y0, x1, y1;
    OuterRectOfPolygon(Poly{{2, -1}, {-3, 4}, {0, 0}}, x0, y0, x1, y1);
    EXPECT_EQ(x0, -3);
    EXPECT_EQ(y0, -1);
    EXPECT_EQ(x1, 2);
    EXPECT_EQ(y1, 4);
    EXPECT_EQ(DistanceToPolygon({0.5, 3}, square, false), 2.0);
    EXPECT_EQ(DistanceToPolygon({-2, 0.5}, square, true), 2.0);
    EXPECT_EQ(DistanceToPolygon({-2, 0.5}, square, false), std::hypot(2.0, 0.5));
    EXPECT_EQ(DistanceToPolygon({0, 0}, Poly{{1, 1}}, true), std::numeric_limits<double>::max());

    EXPECT_TRUE(PointIsInsidePolygon(0.5, 0.5, square));
    EXPECT_FALSE(PointIsInsidePolygon(1, 0.5, square));  // on an edge
    EXPECT_FALSE(PointIsInsidePolygon(0, 0, square));    // on a vertex
    EXPECT_FALSE(PointIsInsidePolygon(1.5, 0.5, square));
    // A concave polygon (a U): the notch is outside.
    const Poly u = {{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}};
    EXPECT_TRUE(PointIsInsidePolygon(0.5, 2, u));
    EXPECT_FALSE(PointIsInsidePolygon(1.5, 2, u));
    EXPECT_TRUE(PointIsInsidePolygon(1.5, 0.5, u));
    EXPECT_TRUE(PointIsInsideConvexHull(0.5, 0.5, square));
    EXPECT_FALSE(PointIsInsideConvexHull(1, 0.5, square));
    EXPECT_FALSE(PointIsInsideConvexHull(0.5, 0.5, reversed));  // clockwise: nothing is left

    Poly hull = Convex2DHull(Poly{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5, 0.5}});
    // Counter-clockwise, starting from straight below the centroid: (1, 0) lies 45 degrees past
    // that direction, (1, 1) 135, (0, 1) 225 and (0, 0) 315.
    ASSERT_EQ(hull.size(), 4u);
    EXPECT_EQ(hull[0].x, 1);
    EXPECT_EQ(hull[0].y, 0);
    EXPECT_EQ(hull[1].x, 1);
    EXPECT_EQ(hull[1].y, 1);
    EXPECT_EQ(hull[3].x, 0);
    EXPECT_EQ(hull[3].y, 0);
    EXPECT_EQ(PolygonArea(hull), 1.0);
    EXPECT_EQ(Convex2DHull(Poly{{3, 3}, {1, 1}}).size(), 2u);  // three or fewer: as given
    EXPECT_EQ(Convex2DHull(Poly{{0, 0}, {1, 1}, {2, 2}, {3, 3}}).size(), 2u);  // a line: its ends

    Poly diffs, back;
    const Poly path = {{0, 0}, {1, 0}, {2, 0}, {2, 1}};
    EXPECT_EQ(ConvertToDiffPolygon(path, diffs, 2), 2);
    EXPECT_EQ(diffs[0].x, 2);
    EXPECT_EQ(diffs[1].y, 1);
    ConvertFromDiffPolygon({0, 0}, diffs, back);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[1].x, 2);
    EXPECT_EQ(back[2].y, 1);
    EXPECT_EQ(ConvertToDiffPolygon(Poly{{0, 0}, {0, 0}, {1, 0}}, diffs, 0), 2);
    EXPECT_EQ(ConvertToDiffPolygon(Poly{{0, 0}, {0, 0}, {1, 0}}, diffs, 1), 1);
    // Opposite directions are not merged: (2, 0) then (-1, 0) stays two differences.
    EXPECT_EQ(ConvertToDiffPolygon(Poly{{0, 0}, {2, 0}, {1, 0}}, diffs, 2), 2);

    EXPECT_NEAR(SphereGreatCircleDist(0, 0, 90, 0, 1), std::numbers::pi / 2, 1e-15);
    EXPECT_EQ(SphereGreatCircleDist(12.5, 47.1, 12.5, 47.1, 6371), 0.0);
}

TEST(Polygons, ReductionKeepsTurnsAndDropsStraightVertices) {
    std::vector<TPointDouble> p = {{0, 0}, {0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 5}, {2, 2}, {3, 2}};
    // (0, 0) repeated; (1, 0) and (2, 1) lie between their neighbours; (2, 5) is where the path
    // turns back and stays.
    EXPECT_EQ(ReducePolygon(p), 5);
    const std::vector<TPointDouble> want = {{0, 0}, {2, 0}, {2, 5}, {2, 2}, {3, 2}};
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(p[i].x, want[i].x) << i;
        EXPECT_EQ(p[i].y, want[i].y) << i;
    }
    // Steep collinear edges are straight too (a slope tolerance would keep them).
    std::vector<TPoint> q = {{0, 0}, {1, 1000000}, {2, 2000000}, {3, 2000001}};
    EXPECT_EQ(ReducePolygon(q), 3);
    EXPECT_EQ(q[1].x, 2);
}

// The hull of random integer point sets (many collinear and repeated points) must contain every
// point, turn strictly left at every vertex, and consist of input points: together these define
// the convex hull's vertex set.
TEST(Polygons, HullHasTheDefiningPropertiesOnRandomSets) {
    std::mt19937 gen(11);
    for (int trial = 0; trial < 3000; ++trial) {
        const int n = 4 + trial % 40;
        std::uniform_int_distribution<int> coord(-5 - trial % 20, 5 + trial % 20);
        Poly pts(static_cast<size_t>(n));
        for (auto& p : pts) p = {double(coord(gen)), double(coord(gen))};
        const Poly hull = Convex2DHull(pts);
        const size_t h = hull.size();
        ASSERT_GE(h, 1u);
        for (const auto& v : hull) {
            bool found = false;
            for (const auto& p : pts) found = found || (p.x == v.x && p.y == v.y);
            ASSERT_TRUE(found) << trial;
        }
        if (h < 3) continue;  // all points on one line
        for (size_t i = 0; i < h; ++i) {
            ASSERT_GT(CrossAt(hull[i], hull[(i + 1) % h], hull[(i + 2) % h]), 0) << trial;
            for (const auto& p : pts) ASSERT_GE(CrossAt(hull[i], hull[(i + 1) % h], p), 0) << trial;
        }
    }
}

TEST(Polygons, GreatCircleAgainstHaversine) {
    std::mt19937 gen(5);
    std::uniform_real_distribution<double> lon(-180, 180), lat(-90, 90), tiny(-1e-7, 1e-7);
    constexpr double kRad = std::numbers::pi / 180;
    const auto haversine = [&](double l1, double p1, double l2, double p2) {
        const double s1 = std::sin((p2 - p1) * kRad / 2), s2 = std::sin((l2 - l1) * kRad / 2);
        const double h = s1 * s1 + std::cos(p1 * kRad) * std::cos(p2 * kRad) * s2 * s2;
        return 2 * std::asin(std::min(1.0, std::sqrt(h)));
    };
    for (int i = 0; i < 2000; ++i) {
        const double l1 = lon(gen), p1 = lat(gen);
        // Short arcs (where the law of cosines loses every digit) and arbitrary ones.
        const double l2 = i % 2 ? l1 + tiny(gen) : lon(gen);
        const double p2 = i % 2 ? std::clamp(p1 + tiny(gen), -90.0, 90.0) : lat(gen);
        const double want = haversine(l1, p1, l2, p2);
        if (want > 3.1) continue;  // haversine itself is poor near antipodes
        EXPECT_NEAR(SphereGreatCircleDist(l1, p1, l2, p2, 1), want, 1e-12 * want + 1e-300) << i;
    }
}

}  // namespace
}  // namespace ozm::math2
