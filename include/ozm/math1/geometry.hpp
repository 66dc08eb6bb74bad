/// @file
/// Plane geometry of the unit math1: orientation of three points, segment intersection, distances
/// from a point to a segment, a rectangle and an axis-parallel ellipse, the direction angle of a
/// vector and point-in-rectangle tests. All routines accept every input; NaN coordinates give NaN
/// distances and angles, 0 orientations and false tests unless stated otherwise.
#pragma once

#include <cstdint>

#include "ozm/base/types.hpp"

namespace ozm::math1 {

/// The sign of the cross product (P2 - P1) x (P3 - P1): 1 when P1, P2, P3 turn counter-clockwise,
/// -1 clockwise, 0 when they are collinear (or the product is NaN).
int CcwTriangle(const TPointDouble& P1, const TPointDouble& P2, const TPointDouble& P3) noexcept;

/// True when the closed segments A1-A2 and B1-B2 share a point. Touching counts; collinear segments
/// always report true, even when they are disjoint pieces of one line. A NaN coordinate gives false.
bool SegmentsIntersect(const TPointDouble& A1, const TPointDouble& A2, const TPointDouble& B1,
                       const TPointDouble& B2) noexcept;

/// Distance from P to the nearest point of the segment A-B (to A when A = B). NaN when the
/// projection of P onto the segment is undefined (a NaN coordinate, or an infinite end point).
double DistanceToSegment(const TPointDouble& P, const TPointDouble& A, const TPointDouble& B) noexcept;

/// Integer distance from P to the rectangle R (left < right, top < bottom, y growing downwards):
/// 0 inside or on the border, the distance to the nearest edge beside it, and the distance to the
/// nearest corner, rounded, diagonally outside. Computed without overflow; saturates at INT32_MAX.
int32_t DistFromRect(const TPoint& P, const TRect& R) noexcept;

/// Distance from P to the ellipse (x - cx)^2/a^2 + (y - cy)^2/b^2 = 1 (a along x, b along y; their
/// signs do not matter), with Q receiving the nearest point of the ellipse. Uses Eberly's robust
/// method: bisection on the root of the distance equation, in extended precision, so it always
/// ends and neither overflows nor loses the point for extreme ratios. A zero semi-axis makes the
/// ellipse a segment, two make it the centre. NaN in any input, or an infinite centre or semi-axis,
/// gives NaN and Q = (NaN, NaN); an infinite P gives +inf with Q the limit of the nearest point
/// along P's direction.
double DistFromEllipse(const TPointDouble& P, double cx, double cy, double a, double b,
                       TPointDouble& Q) noexcept;

/// Direction angle of the vector (x, y) in [0, 2*pi]; (0, 0) and (0, negative) give 3*pi/2.
double AngleToXAxis(double x, double y) noexcept;

/// True when P lies in the rectangle, borders included; the corners may come in either order.
bool WithinRect(const TPointDouble& P, const TRectDouble& R) noexcept;

/// Clamps P into the rectangle (corners in either order); true when P was moved. A NaN coordinate
/// stays NaN and does not count as moved.
bool ConfinePointToRect(TPointDouble& P, const TRectDouble& R) noexcept;

}  // namespace ozm::math1
