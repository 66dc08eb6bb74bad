// Polygon geometry, the convex hull and the great-circle distance.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "ozm/math1/geometry.hpp"
#include "ozm/math2/polygons.hpp"

namespace ozm::math2 {

namespace {

// (b - a) x (c - a) in extended precision.
long double Cross(const TPointDouble& a, const TPointDouble& b, const TPointDouble& c) noexcept {
    return (static_cast<long double>(b.x) - a.x) * (static_cast<long double>(c.y) - a.y) -
           (static_cast<long double>(b.y) - a.y) * (static_cast<long double>(c.x) - a.x);
}

// The factor of the crossing test for the edge (a, b) and the point p: 0 on the edge, -1 when a
// rightward ray from p crosses it, 1 otherwise.
int CrossingSign(const TPointDouble& p, TPointDouble a, TPointDouble b) noexcept {
    if (a.y == p.y && b.y == p.y) {
        const bool between = (a.x <= p.x && p.x <= b.x) || (b.x <= p.x && p.x <= a.x);
        return between ? 0 : 1;
    }
    if (a.y > b.y) std::swap(a, b);
    if (p.x == a.x && p.y == a.y) return 0;
    if (p.y <= a.y || p.y > b.y) return 1;
    const double delta = (a.x - p.x) * (b.y - p.y) - (b.x - p.x) * (a.y - p.y);
    if (delta > 0) return -1;
    if (delta < 0) return 1;
    return 0;
}

// The inner vertex b between a and c is redundant: both edges point the same way and are
// parallel to within 1e-10 of their lengths' product.
bool OnSegmentBetween(double ax, double ay, double bx, double by, double cx, double cy) noexcept {
    const double ux = bx - ax, uy = by - ay, vx = cx - bx, vy = cy - by;
    const double cross = ux * vy - uy * vx;
    const double dot = ux * vx + uy * vy;
    return dot > 0 && std::fabs(cross) <= 1e-10 * std::hypot(ux, uy) * std::hypot(vx, vy);
}

template <typename TVertex>
int ReduceVertices(std::vector<TVertex>& Polygon) {
    // Pass 1: vertices equal to their predecessor.
    std::vector<TVertex> kept;
    kept.reserve(Polygon.size());
    for (const TVertex& v : Polygon)
        if (kept.empty() || v.x != kept.back().x || v.y != kept.back().y) kept.push_back(v);
    // Pass 2: inner vertices on the segment between their neighbours, judged on the result of
    // pass 1 (all flags first, then the compaction).
    const size_t n = kept.size();
    std::vector<bool> drop(n, false);
    for (size_t i = 1; i + 1 < n; ++i)
        drop[i] = OnSegmentBetween(kept[i - 1].x, kept[i - 1].y, kept[i].x, kept[i].y,
                                   kept[i + 1].x, kept[i + 1].y);
    Polygon.clear();
    for (size_t i = 0; i < n; ++i)
        if (!drop[i]) Polygon.push_back(kept[i]);
    return static_cast<int>(Polygon.size());
}

double HullKey(const TPointDouble& p, const TPointDouble& centre) noexcept {
    double a = math1::AngleToXAxis(p.x - centre.x, p.y - centre.y) + std::numbers::pi / 2;
    if (a > 2 * std::numbers::pi) a -= 2 * std::numbers::pi;
    return a;
}

}  // namespace

double PolygonArea(std::span<const TPointDouble> Polygon) noexcept {
    const size_t n = Polygon.size();
    if (n < 3) return 0;
    double twice = 0;
    for (size_t i = 0; i < n; ++i) {
        const TPointDouble& a = Polygon[i];
        const TPointDouble& b = Polygon[(i + 1) % n];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2;
}

double PolygonArea(std::span<const TPointDouble> Polygon, int& Crossings) noexcept {
    const int n = static_cast<int>(Polygon.size());
    Crossings = 0;
    if (n < 3) return PolygonArea(Polygon);
    // Every pair of neighbouring edges touches; starting at -n cancels the n such pairs.
    int count = -n;
    const TPointDouble& last = Polygon[size_t(n - 1)];
    const TPointDouble& first = Polygon[0];
    for (int i = 0; i <= n - 2; ++i) {
        const TPointDouble& a1 = Polygon[size_t(i)];
        const TPointDouble& a2 = Polygon[size_t(i + 1)];
        for (int j = i + 1; j <= n - 2; ++j)
            if (math1::SegmentsIntersect(a1, a2, Polygon[size_t(j)], Polygon[size_t(j + 1)]))
                ++count;
        if (math1::SegmentsIntersect(a1, a2, last, first)) ++count;
    }
    Crossings = count;
    return PolygonArea(Polygon);
}

double PolygonLength(std::span<const TPointDouble> Polygon, bool Closed) noexcept {
    const size_t n = Polygon.size();
    double length = 0;
    for (size_t i = 0; i + 1 < n; ++i)
        length += std::hypot(Polygon[i + 1].x - Polygon[i].x, Polygon[i + 1].y - Polygon[i].y);
    if (Closed && n > 1)
        length += std::hypot(Polygon[0].x - Polygon[n - 1].x, Polygon[0].y - Polygon[n - 1].y);
    return length;
}

void OuterRectOfPolygon(std::span<const TPointDouble> Polygon, double& MinX, double& MinY,
                        double& MaxX, double& MaxY) noexcept {
    MinX = MinY = MaxX = MaxY = 0;
    if (Polygon.empty()) return;
    MinX = MaxX = Polygon[0].x;
    MinY = MaxY = Polygon[0].y;
    for (const TPointDouble& p : Polygon) {
        MinX = std::min(MinX, p.x);
        MaxX = std::max(MaxX, p.x);
        MinY = std::min(MinY, p.y);
        MaxY = std::max(MaxY, p.y);
    }
}

double DistanceToPolygon(const TPointDouble& P, std::span<const TPointDouble> Polygon,
                         bool Closed) noexcept {
    const size_t n = Polygon.size();
    double best = std::numeric_limits<double>::max();
    for (size_t i = 0; i + 1 < n; ++i)
        best = std::min(best, math1::DistanceToSegment(P, Polygon[i], Polygon[i + 1]));
    if (Closed && n > 1)
        best = std::min(best, math1::DistanceToSegment(P, Polygon[n - 1], Polygon[0]));
    return best;
}

bool PointIsInsidePolygon(double x, double y, std::span<const TPointDouble> Polygon) noexcept {
    const size_t n = Polygon.size();
    if (n == 0) return false;
    const TPointDouble p{x, y};
    int t = -1;
    t *= CrossingSign(p, Polygon[n - 1], Polygon[0]);
    for (size_t i = 0; i + 1 < n && t != 0; ++i) t *= CrossingSign(p, Polygon[i], Polygon[i + 1]);
    return t == 1;
}

bool PointIsInsideConvexHull(double x, double y, std::span<const TPointDouble> Hull) noexcept {
    const size_t n = Hull.size();
    if (n == 0) return false;
    const TPointDouble p{x, y};
    for (size_t i = 0; i < n; ++i)
        if (!(Cross(Hull[i], Hull[(i + 1) % n], p) > 0)) return false;
    return true;
}

std::vector<TPointDouble> Convex2DHull(std::span<const TPointDouble> Points) {
    if (Points.size() <= 3) return {Points.begin(), Points.end()};
    std::vector<TPointDouble> pts;
    pts.reserve(Points.size());
    TPointDouble centre{0, 0};
    for (const TPointDouble& p : Points) {
        if (std::isnan(p.x) || std::isnan(p.y)) continue;
        pts.push_back(p);
        centre.x += p.x;
        centre.y += p.y;
    }
    if (pts.empty()) return {};
    centre.x /= static_cast<double>(pts.size());
    centre.y /= static_cast<double>(pts.size());
    // Andrew's monotone chain: lower hull left to right, upper hull right to left; a point that
    // does not make a strict left turn is no vertex.
    std::sort(pts.begin(), pts.end(), [](const TPointDouble& a, const TPointDouble& b) {
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    pts.erase(std::unique(pts.begin(), pts.end(),
                          [](const TPointDouble& a, const TPointDouble& b) {
                              return a.x == b.x && a.y == b.y;
                          }),
              pts.end());
    if (pts.size() <= 2) return pts;
    std::vector<TPointDouble> hull(2 * pts.size());
    size_t k = 0;
    for (const TPointDouble& p : pts) {
        while (k >= 2 && !(Cross(hull[k - 2], hull[k - 1], p) > 0)) --k;
        hull[k++] = p;
    }
    for (size_t i = pts.size() - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && !(Cross(hull[k - 2], hull[k - 1], pts[i]) > 0)) --k;
        hull[k++] = pts[i];
    }
    hull.resize(k - 1);  // the last point repeats the first
    // Start at the vertex of the smallest angular key around the centroid; counter-clockwise
    // order is the ascending order of the key.
    const auto first = std::min_element(hull.begin(), hull.end(),
                                        [&](const TPointDouble& a, const TPointDouble& b) {
                                            return HullKey(a, centre) < HullKey(b, centre);
                                        });
    std::rotate(hull.begin(), first, hull.end());
    return hull;
}

int ReducePolygon(std::vector<TPoint>& Polygon) { return ReduceVertices(Polygon); }
int ReducePolygon(std::vector<TPointDouble>& Polygon) { return ReduceVertices(Polygon); }

int ConvertToDiffPolygon(std::span<const TPointDouble> Polygon,
                         std::vector<TPointDouble>& Differences, int Mode) {
    Differences.clear();
    for (size_t i = 0; i + 1 < Polygon.size(); ++i) {
        const TPointDouble d{Polygon[i + 1].x - Polygon[i].x, Polygon[i + 1].y - Polygon[i].y};
        if (Mode >= 1 && d.x == 0 && d.y == 0) continue;
        if (Mode == 2 && !Differences.empty()) {
            TPointDouble& prev = Differences.back();
            // Merge with the previous difference when both point the same way.
            if (prev.x * d.y - prev.y * d.x == 0 && prev.x * d.x + prev.y * d.y > 0) {
                prev.x += d.x;
                prev.y += d.y;
                continue;
            }
        }
        Differences.push_back(d);
    }
    return static_cast<int>(Differences.size());
}

void ConvertFromDiffPolygon(const TPointDouble& Start, std::span<const TPointDouble> Differences,
                            std::vector<TPointDouble>& Polygon) {
    Polygon.resize(Differences.size() + 1);
    Polygon[0] = Start;
    for (size_t i = 0; i < Differences.size(); ++i)
        Polygon[i + 1] = {Polygon[i].x + Differences[i].x, Polygon[i].y + Differences[i].y};
}

double SphereGreatCircleDist(double Long1, double Lat1, double Long2, double Lat2,
                             double Radius) noexcept {
    constexpr double kRad = std::numbers::pi / 180;
    // Differences are taken in degrees first: (Lat2 - Lat1) is exact for nearby latitudes, while
    // the difference of two converted angles would carry their rounding.
    const double phi1 = Lat1 * kRad, phi2 = Lat2 * kRad;
    const double dphi = (Lat2 - Lat1) * kRad, dl = (Long2 - Long1) * kRad;
    // The cross product's components and the dot product of the two unit vectors, written with
    // sin(dphi) and sin^2(dl / 2) so that no term cancels for short arcs:
    // cos p1 sin p2 - sin p1 cos p2 cos dl = sin(p2 - p1) + 2 sin p1 cos p2 sin^2(dl / 2), and
    // sin p1 sin p2 + cos p1 cos p2 cos dl = cos(p2 - p1) - 2 cos p1 cos p2 sin^2(dl / 2).
    const double half = std::sin(dl / 2);
    const double h2 = 2 * half * half;
    const double a = std::cos(phi2) * std::sin(dl);
    const double b = std::sin(dphi) + std::sin(phi1) * std::cos(phi2) * h2;
    const double c = std::cos(dphi) - std::cos(phi1) * std::cos(phi2) * h2;
    return Radius * std::atan2(std::hypot(a, b), c);
}

}  // namespace ozm::math2
