// Measures of a polygon: area, normal, plane, planarity; cleaning of
// straight-through vertices; a point inside; and the 2D image of a polygon on
// its plane of work.
#pragma once

#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"

// Signed xy area (z ignored), positive for counter-clockwise rings; 0 for
// fewer than 3 vertices.
double GMPolygonArea2D(const GMPolygon& polygon);

// The normal of the first three vertices; undefined when they are collinear.
GMVector GMFirstTriangleNormal(const GMPolygon& polygon);

// Unit normal taken at a vertex that is certainly convex (the extreme vertex
// in x or y), so it follows the ring's turning sense even for concave rings.
// The GM_UNDEFINED vector for degenerate rings.
GMVector GMPolygonNormal(const GMPolygon& polygon, double tol);

// The plane through vertex 0 with GMPolygonNormal (tolerance 1e-7). All four
// fields are GM_UNDEFINED when the ring has no normal.
GMPlane GMPolygonPlane(const GMPolygon& polygon);

// 1 when every vertex lies on the plane fixed by vertex 0 and the first two
// other distinct, non-collinear vertices (GMPlaneSide within tol); 0 when a
// vertex is off it or undefined. Rings of fewer than 4 vertices are planar.
int GMIsPlanarPolygon(const GMPolygon& polygon, double tol);

// A new ring without the vertices where the path runs straight on (incoming
// and outgoing unit directions the same within tol) and without vertices
// between two zero-length edges; spikes stay. Null when fewer than 3 remain.
GMPolygonPtr GMRemoveCollinearVertices(const GMPolygon& polygon, double tol);

// Interior-point modes.
inline constexpr int GM_INTERIOR_2D_CCW = 0;  // xy ring, counter-clockwise, centroid checked inside
inline constexpr int GM_INTERIOR_ANY_PLANE = 1;  // any plane, first non-degenerate corner triangle

// A point inside the polygon: the centroid of a triangle made of an edge and
// another vertex. The GM_UNDEFINED vector when none qualifies.
GMVector GMInteriorPoint(const GMPolygon& polygon, double tol, int mode);

// A new polygon of the 2D images (z = 0) of the vertices, for the projection
// axis that `normal` selects; the axis is reported.
GMPolygonPtr GMProjectPolygon(const GMPolygon& polygon, const GMVector& normal, GMProjectionAxis& axis);
// The same with the polygon's own normal (GMPolygonNormal, tolerance 1e-7).
GMPolygonPtr GMProjectPolygonByOwnNormal(const GMPolygon& polygon, GMProjectionAxis& axis);
// The same, replacing the vertices in place.
void GMProjectPolygonByOwnNormalInPlace(GMPolygon& polygon, GMProjectionAxis& axis);
