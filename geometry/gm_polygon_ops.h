// Reversal, the box faces, and the point-against-segment and point-against-line
// tests that the polygon operations share.
#pragma once

#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"

// Turns the ring round in place: vertex 0 stays first and the others follow
// in reverse, new[i] = old[n - i] for i = 1..n-1. The normal flips.
void GMReversePolygon(GMPolygon& polygon);

// The six faces of the box (x0,y0,z0)-(x1,y1,z1) as quads with outward
// normals, in the order y = y0, x = x1, y = y1, x = x0, z = z0, z = z1.
GMPolygonSetPtr GMBoxFaces(double x0, double y0, double z0, double x1, double y1, double z1);

// 1 when p lies on some edge of the ring by GMIsPointOnSegmentBySum.
int GMPointOnPolygonBoundary(const GMPolygon& polygon, const GMVector& p, double tol);

// 1 when p is a or b, or when going round by p is no longer than the segment
// itself: abs(|ap| + |pb| - |ab|) <= tol.
int GMIsPointOnSegmentBySum(const GMVector& a, const GMVector& b, const GMVector& p, double tol);

// In the xy plane (z ignored): 1 when p is a or b within tol, or when p lies
// within tol of the segment once it is turned to run along +x (turned with
// angleTol) and between its ends.
int GMIsPointOnSegment2D(const GMVector& a, const GMVector& b, const GMVector& p, double tol,
                         double angleTol);

// Distance of p from the xy line through a and b; GM_UNDEFINED when a and b
// are the same xy point.
double GMDistanceToLine2D(const GMVector& p, const GMVector& a, const GMVector& b);

// Distance of p from the 3D line through a and b, from the triangle's area;
// the foot of the perpendicular through `foot` when given. GM_UNDEFINED (and
// an undefined foot) when a and b coincide, since no line passes through them.
double GMDistanceToLine(const GMVector& p, const GMVector& a, const GMVector& b, GMVector* foot = nullptr);

// 1 when p2 coincides with p0 or p1, or p0, p1 and p2 lie on one line (the
// unit directions p0→p1 and p0→p2 agree or are opposite within tol).
int GMIsCollinear(const GMVector& p0, const GMVector& p1, const GMVector& p2, double tol);
