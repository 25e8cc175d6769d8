// Segments: a point on a segment, 2D and 3D segment intersection, a segment
// against a plane, and clipping of segment sets by a cutting plane.
#pragma once

#include <span>
#include <vector>

#include "geometry/gm_types.h"

int GMIsPointOnSegment(const GMVector& a, const GMVector& b, const GMVector& p, double tol);
// 0 sloped, 1 p and q the same xy point, 2 vertical.
int GMLineSlope2D(const GMVector& p, const GMVector& q, double& slope, double& intercept, double tol);
// 0 meet, 1 lines meet outside a segment, 2 parallel or collinear, 3 zero-length segment.
int GMIntersectSegments2D(const GMVector& a0, const GMVector& a1, const GMVector& b0, const GMVector& b1,
                          GMVector& out, double tol);
// -1 same segment, 0 meet, 1 lines meet outside, 2 collinear, 3 skew, 4 zero-length.
int GMIntersectSegments3D(const GMVector& a0, const GMVector& a1, const GMVector& b0, const GMVector& b1,
                          GMVector& out, double tol);
// 0 meet, 1 beyond the segment, 2 parallel, 3 in the plane.
int GMIntersectSegmentPlane(const GMVector& p0, const GMVector& p1, const GMPlane& plane, GMVector& out,
                            double tol);
// The parts of the segments behind the plane (where GMPlaneSide is -1), in order.
std::vector<GMSegment> GMClipSegmentsByPlane(std::span<const GMSegment> segments, const GMPlane& plane,
                                             double tol);
