// The ear test of the triangulation, as the ear-clipping rules read it: on a
// working ring held in a point list, with a re-projected copy of the ring for
// the inside test. The linked clipper in gm_triangulate.cpp takes the same
// decisions without the copies.
#include "geometry/gm_lists.h"
#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_inside.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_segment.h"
#include "geometry/gm_triangulate.h"
#include "geometry/gm_vector.h"

int GMIsEar(CGMPointList& ring, double tol) {
  const int n = ring.GetCount();
  if (n < 3) return 1;
  const GMVector r0 = ring.GetPoint(0), r1 = ring.GetPoint(1), r2 = ring.GetPoint(2);
  // A corner whose two sides leave r0 the same way is a collinear spike.
  if (GMIsSamePoint(GMNormalize(GMSubtract(r0, r1), tol), GMNormalize(GMSubtract(r0, r2), tol), tol)) return 1;

  // The diagonal r0-r2 must not meet an edge that does not touch r0 or r2,
  // nor pass through a vertex.
  for (int j = 3; j <= n - 2; ++j) {
    const GMVector a = ring.GetPoint(j), b = ring.GetPoint(j + 1);
    GMVector hit;
    if (GMIntersectSegments3D(r0, r2, a, b, hit, tol) == 0) return 1;
    if (GMIsPointOnSegment(r0, r2, a, tol) || GMIsPointOnSegment(r0, r2, b, tol)) return 1;
  }

  // And it must run inside: its midpoint is inside the ring's own image.
  GMPolygon copy;
  copy.points.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) copy.points.push_back(ring.GetPoint(i));
  GMProjectionAxis axis = 0;
  const GMPolygonPtr image = GMProjectPolygonByOwnNormal(copy, axis);
  const GMVector mid = GMProject2D(GMMidpoint(r0, r2), axis);
  return GMPointInPolygon2D(*image, mid, 1, tol) ? 0 : 1;
}
