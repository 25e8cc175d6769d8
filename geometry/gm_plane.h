// Planes, projections to a plane of work, segments and their intersections.
#pragma once

#include <span>
#include <vector>

#include "geometry/gm_types.h"

// --- planes -----------------------------------------------------------------
GMPlane GMPlaneFromPointNormal(const GMVector& p, const GMVector& n);
GMPlane GMPlaneAcrossSegment(const GMVector& p0, const GMVector& p1, double distance);
double GMDistanceToPlane(const GMVector& p, const GMPlane& plane);
int GMPlaneSide(const GMVector& p, const GMPlane& plane, double tol);  // -1, 0 or 1
int GMIsParallelToPlane(const GMVector& p0, const GMVector& p1, const GMPlane& plane, double tol);

// --- projections ------------------------------------------------------------
GMVector GMProject2D(const GMVector& p, GMProjectionAxis axis);
GMVector GMProjectByNormal(const GMVector& p, const GMVector& n, GMProjectionAxis& axis);
// The axis a normal selects (the choice GMProjectByNormal makes).
GMProjectionAxis GMProjectionAxisOf(const GMVector& n);
GMVector GMUnproject2D(double u, double v, const GMPlane& plane, GMProjectionAxis axis);

// --- segments ---------------------------------------------------------------
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
