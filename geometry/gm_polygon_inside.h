// Inside tests and intersections of points and segments with polygons, and
// the relation of two polygons.
#pragma once

#include <span>
#include <vector>

#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"

// Ray casting in the xy plane (z of the ring and of p ignored): 1 inside, 0
// outside, and onBoundary (as 0 or 1) for a point on an edge. A ray that
// meets a vertex is turned by 0.1 radian, one that runs along an edge is
// raised, and the count starts again.
int GMPointInPolygon2D(const GMPolygon& polygon, const GMVector& p, int onBoundary, double tol);

// 0 when p is off the polygon's plane (or the ring has no plane); otherwise
// GMPointInPolygon2D on the images of ring and point for the ring's own axis.
int GMPointInPolygon3D(const GMPolygon& polygon, const GMVector& p, int onBoundary, double tol);

// onBoundary for a point on an edge; otherwise 1 when the three triangles
// that p makes with the edges add up to the triangle's area within tol.
int GMPointInTriangle(const GMVector& t1, const GMVector& t2, const GMVector& t3, const GMVector& p,
                      int onBoundary, double tol);

// Where the segment p0-p1 meets the polygon, through `out`:
// 0 inside the polygon (boundary included), 1 outside it or beyond the
// segment, 2 parallel to its plane, 3 lying in its plane, 4 no polygon
// (fewer than 3 vertices, or no plane).
int GMIntersectSegmentPolygon(const GMVector& p0, const GMVector& p1, const GMPolygon& polygon, GMVector& out,
                              double tol);

// Cuts the xy segment (z taken as 0) where it meets the edges of the
// polygons: the pieces between consecutive cut points in order from the
// start. Empty when an edge or the segment has zero length.
std::vector<GMSegment> GMSplitSegmentByPolygons(const GMSegment& segment, std::span<const GMPolygon> polygons,
                                                double tol);

// Relation codes of two xy polygons.
inline constexpr int GM_RELATION_TOUCH = -1;    // meet at most along their boundaries
inline constexpr int GM_RELATION_A_IN_B = 1;    // a lies within b
inline constexpr int GM_RELATION_B_IN_A = 2;    // b lies within a
inline constexpr int GM_RELATION_OVERLAP = 3;   // cross or overlap partly

int GMPolygonRelation(const GMPolygon& a, const GMPolygon& b, double tol);
