#include "geometry/gm_polygon_measure.h"

#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_detail.h"
#include "geometry/gm_polygon_inside.h"
#include "geometry/gm_polygon_ops.h"
#include "geometry/gm_vector.h"

double GMPolygonArea2D(const GMPolygon& polygon) {
  const int n = polygon.Count();
  if (n < 3) return 0.0;
  double area = 0.0;
  for (int i = 1; i + 1 < n; ++i) area += GMTriangleArea2D(polygon[0], polygon[i], polygon[i + 1]);
  return area;
}

GMVector GMFirstTriangleNormal(const GMPolygon& polygon) {
  if (polygon.Count() < 3) return GMUndefinedVector();
  return GMTriangleNormal(polygon[0], polygon[1], polygon[2]);
}

GMVector GMPolygonNormal(const GMPolygon& polygon, double tol) {
  return gm_detail::PolygonNormalAt(
      polygon.Count(), [&](int i) -> const GMVector& { return polygon[i]; }, tol);
}

GMPlane GMPolygonPlane(const GMPolygon& polygon) {
  const GMVector n = GMPolygonNormal(polygon, 1e-7);
  // Without a normal there is no plane; keep every field undefined rather
  // than let the offset overflow into infinities.
  if (GMIsUndefined(n)) return {GM_UNDEFINED, GM_UNDEFINED, GM_UNDEFINED, GM_UNDEFINED};
  return GMPlaneFromPointNormal(polygon[0], n);
}

int GMIsPlanarPolygon(const GMPolygon& polygon, double tol) {
  const int n = polygon.Count();
  if (n < 4) return 1;
  const GMVector& p0 = polygon[0];
  if (p0.x == GM_UNDEFINED) return 0;
  const GMVector* second = nullptr;
  bool havePlane = false;
  GMPlane plane;
  for (int i = 1; i < n; ++i) {
    const GMVector& p = polygon[i];
    if (p.x == GM_UNDEFINED) return 0;
    if (havePlane) {
      if (GMPlaneSide(p, plane, tol) != 0) return 0;
      continue;
    }
    if (GMIsSamePoint(p, p0, tol) || (second && GMIsSamePoint(p, *second, tol))) continue;
    if (!second) {
      second = &p;
      continue;
    }
    const GMVector normal = GMTriangleNormal(p0, *second, p);
    // A vertex on the line through vertex 0 and the second vertex lies on
    // every plane through that line, so it cannot fix one: wait for the next.
    if (GMIsUndefined(normal)) continue;
    plane = GMPlaneFromPointNormal(p0, normal);
    havePlane = true;
  }
  return 1;
}

GMPolygonPtr GMRemoveCollinearVertices(const GMPolygon& polygon, double tol) {
  const int n = polygon.Count();
  if (n < 3) return nullptr;
  auto result = std::make_unique<GMPolygon>();
  result->points.reserve(polygon.points.size());
  for (int i = 0; i < n; ++i) {
    const GMVector& prev = polygon[(i + n - 1) % n];
    const GMVector& p = polygon[i];
    const GMVector& next = polygon[(i + 1) % n];
    const GMVector in = GMNormalize(GMSubtract(prev, p), 0.0);
    const GMVector out = GMNormalize(GMSubtract(p, next), 0.0);
    if (!GMIsSamePoint(in, out, tol)) result->points.push_back(p);
  }
  if (result->Count() < 3) return nullptr;
  return result;
}

GMVector GMInteriorPoint(const GMPolygon& polygon, double tol, int mode) {
  const int n = polygon.Count();
  if (n < 3) return GMUndefinedVector();
  if (n == 3) {
    if (GMIsSamePoint(polygon[0], polygon[1], tol)) return GMUndefinedVector();
    const double h = GMDistanceToLine(polygon[2], polygon[0], polygon[1]);
    if (h == GM_UNDEFINED || GMIsNear(h, 0.0, tol)) return GMUndefinedVector();
    return GMTriangleCentroid(polygon[0], polygon[1], polygon[2]);
  }
  for (int i = 0; i < n; ++i) {
    const GMVector& a = polygon[i];
    const GMVector& b = polygon[(i + 1) % n];
    for (int step = 2; step < n; ++step) {
      const GMVector& c = polygon[(i + step) % n];
      if (mode == GM_INTERIOR_2D_CCW) {
        if (!(GMTriangleArea2D(a, b, c) > tol)) continue;
        const GMVector centroid = GMTriangleCentroid(a, b, c);
        if (GMPointInPolygon2D(polygon, centroid, 0, tol)) return centroid;
      } else {
        // A zero-length edge spans no line; its "triangles" are slivers
        // whose centroid lies on the boundary, so it gives no candidate.
        const double h = GMDistanceToLine(c, a, b);
        if (h != GM_UNDEFINED && h > tol) return GMTriangleCentroid(a, b, c);
      }
    }
  }
  return GMUndefinedVector();
}

GMPolygonPtr GMProjectPolygon(const GMPolygon& polygon, const GMVector& normal, GMProjectionAxis& axis) {
  axis = GMProjectionAxisOf(normal);
  auto image = std::make_unique<GMPolygon>();
  image->points.reserve(polygon.points.size());
  for (const GMVector& p : polygon.points) image->points.push_back(GMProject2D(p, axis));
  return image;
}

GMPolygonPtr GMProjectPolygonByOwnNormal(const GMPolygon& polygon, GMProjectionAxis& axis) {
  return GMProjectPolygon(polygon, GMPolygonNormal(polygon, 1e-7), axis);
}

void GMProjectPolygonByOwnNormalInPlace(GMPolygon& polygon, GMProjectionAxis& axis) {
  axis = GMProjectionAxisOf(GMPolygonNormal(polygon, 1e-7));
  for (GMVector& p : polygon.points) p = GMProject2D(p, axis);
}
