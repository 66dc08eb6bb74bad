/// @file
/// Polygons of the unit math2: area, length, bounding box, distance and containment, the convex
/// hull, vertex reduction, difference chains, and the great-circle distance on a sphere. A polygon
/// is a dynamic array of vertices 0..n-1; the closing edge from the last vertex back to the first
/// is implied where a routine says so.
#pragma once

#include <span>
#include <vector>

#include "ozm/base/types.hpp"

namespace ozm::math2 {

/// Signed area by the shoelace formula: positive for counter-clockwise vertices. Fewer than three
/// vertices give 0.
double PolygonArea(std::span<const TPointDouble> Polygon) noexcept;
/// The same area; Crossings receives the number of intersecting pairs of edges that are not
/// neighbours (closing edge included), so a simple polygon gives 0 and a bow tie 1. Collinear
/// overlapping edges count as intersecting.
double PolygonArea(std::span<const TPointDouble> Polygon, int& Crossings) noexcept;
/// Sum of the edge lengths from vertex 0 to n-1, plus the closing edge when Closed.
double PolygonLength(std::span<const TPointDouble> Polygon, bool Closed) noexcept;
/// The bounding box of the vertices (all four 0 for an empty polygon).
void OuterRectOfPolygon(std::span<const TPointDouble> Polygon, double& MinX, double& MinY,
                        double& MaxX, double& MaxY) noexcept;
/// Smallest distance from P to an edge (and the closing edge when Closed); the largest double
/// when there is no edge (fewer than two vertices).
double DistanceToPolygon(const TPointDouble& P, std::span<const TPointDouble> Polygon,
                         bool Closed) noexcept;
/// True when (x, y) lies inside the polygon (closing edge implied), by the crossing test with
/// signs; a point on the boundary counts as outside. Works for any simple or self-intersecting
/// polygon (even-odd rule).
bool PointIsInsidePolygon(double x, double y, std::span<const TPointDouble> Polygon) noexcept;
/// True when (x, y) lies strictly left of every edge of a counter-clockwise convex hull (closing
/// edge included); points on an edge are outside.
bool PointIsInsideConvexHull(double x, double y, std::span<const TPointDouble> Hull) noexcept;
/// The vertices of the convex hull of Points, counter-clockwise, beginning with the first vertex
/// counter-clockwise from the direction straight down from the centroid of the points (ascending
/// AngleToXAxis + pi/2 of the centred vertex, reduced by 2 pi when above 2 pi). Points on an edge of
/// the hull are not vertices; all points on one line give the two ends. Three or fewer points are
/// returned as they are. The hull comes from Andrew's monotone chain with the orientation test in
/// extended precision, so no vertex is lost however close its neighbours lie in angle. Points with a
/// NaN coordinate are ignored.
std::vector<TPointDouble> Convex2DHull(std::span<const TPointDouble> Points);
/// Removes every vertex equal to its predecessor, then every inner vertex (not the first, not the
/// last) that lies on the segment between its neighbours: the two edges at the vertex point the
/// same way (a positive scalar product) and their cross product is at most 1e-10 of the product
/// of their lengths. A vertex where the path turns back is kept. Returns the new count.
///@{
int ReducePolygon(std::vector<TPoint>& Polygon);
int ReducePolygon(std::vector<TPointDouble>& Polygon);
///@}
/// The differences d(i) = P(i+1) - P(i), i = 0..n-2, into Differences. Mode <= 0 keeps all of
/// them; Mode >= 1 drops zero differences; Mode 2 also merges runs of consecutive differences
/// that point the same way (parallel, positive scalar product) into their sum. Returns the count.
int ConvertToDiffPolygon(std::span<const TPointDouble> Polygon,
                         std::vector<TPointDouble>& Differences, int Mode);
/// The polygon Start, Start + d0, Start + d0 + d1, ...: one vertex more than Differences.
void ConvertFromDiffPolygon(const TPointDouble& Start, std::span<const TPointDouble> Differences,
                            std::vector<TPointDouble>& Polygon);
/// Distance along a great circle of a sphere of the given Radius between two points given by
/// longitude and latitude in degrees: Radius times the central angle, computed as the atan2 of
/// the cross and dot products of the two directions, accurate for short and antipodal arcs alike
/// (identical points give 0).
double SphereGreatCircleDist(double Long1, double Lat1, double Long2, double Lat2,
                             double Radius) noexcept;

}  // namespace ozm::math2
