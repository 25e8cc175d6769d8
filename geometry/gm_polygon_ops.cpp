#include "geometry/gm_polygon_ops.h"

#include <algorithm>
#include <cmath>

#include "geometry/gm_vector.h"

void GMReversePolygon(GMPolygon& polygon) {
  if (polygon.points.size() > 2) std::reverse(polygon.points.begin() + 1, polygon.points.end());
}

GMPolygonSetPtr GMBoxFaces(double x0, double y0, double z0, double x1, double y1, double z1) {
  auto quad = [](GMVector a, GMVector b, GMVector c, GMVector d) { return GMPolygon{{a, b, c, d}}; };
  auto set = std::make_unique<GMPolygonSet>();
  set->polygons = {
      quad({x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}),  // y = y0
      quad({x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}),  // x = x1
      quad({x1, y1, z0}, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}),  // y = y1
      quad({x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}),  // x = x0
      quad({x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}),  // z = z0
      quad({x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}),  // z = z1
  };
  return set;
}

int GMIsPointOnSegmentBySum(const GMVector& a, const GMVector& b, const GMVector& p, double tol) {
  if (GMIsSamePoint(p, a, tol) || GMIsSamePoint(p, b, tol)) return 1;
  return std::fabs(GMDistance(a, p) + GMDistance(p, b) - GMDistance(a, b)) <= tol ? 1 : 0;
}

int GMPointOnPolygonBoundary(const GMPolygon& polygon, const GMVector& p, double tol) {
  const int n = polygon.Count();
  for (int i = 0; i < n; ++i)
    if (GMIsPointOnSegmentBySum(polygon[i], polygon[(i + 1) % n], p, tol)) return 1;
  return 0;
}

int GMIsPointOnSegment2D(const GMVector& aIn, const GMVector& bIn, const GMVector& pIn, double tol,
                         double angleTol) {
  GMVector a{aIn.x, aIn.y, 0.0}, b{bIn.x, bIn.y, 0.0}, p{pIn.x, pIn.y, 0.0};
  if (GMIsSamePoint(p, a, tol) || GMIsSamePoint(p, b, tol)) return 1;
  // Turn the three points so that the segment runs along +x; p is then on it
  // when it is level with it and between its ends.
  const double angle = GMDirectionAngle(a, b, tol);
  GMRotate2D(a, angle, angleTol);
  GMRotate2D(b, angle, angleTol);
  GMRotate2D(p, angle, angleTol);
  return (std::fabs(p.y - a.y) <= tol && a.x <= p.x && p.x <= b.x) ? 1 : 0;
}

double GMDistanceToLine2D(const GMVector& pIn, const GMVector& aIn, const GMVector& bIn) {
  GMVector a{aIn.x, aIn.y, 0.0}, b{bIn.x, bIn.y, 0.0}, p{pIn.x, pIn.y, 0.0};
  if (GMIsSamePoint(a, b, 1e-7)) return GM_UNDEFINED;
  const double angle = GMDirectionAngle(a, b, GM_TOLERANCE);
  GMRotate2D(a, angle, GM_TOLERANCE);
  GMRotate2D(p, angle, GM_TOLERANCE);
  return std::fabs(p.y - a.y);
}

double GMDistanceToLine(const GMVector& p, const GMVector& a, const GMVector& b, GMVector* foot) {
  if (foot) GMSetUndefined(*foot);
  const double ab = GMDistance(a, b), pb = GMDistance(p, b), pa = GMDistance(a, p);
  // Coinciding ends span no line; the height below would divide by zero.
  if (GMIsNear(ab, 0.0, 1e-7)) return GM_UNDEFINED;
  const double area = GMTriangleAreaFromSides(ab, pb, pa, 1e-7);
  if (area == GM_UNDEFINED) return GM_UNDEFINED;
  const double h = 2.0 * area / ab;
  if (!foot) return h;
  if (GMIsNear(h, pb, 1e-7)) {
    *foot = b;
  } else if (GMIsNear(h, pa, 1e-7)) {
    *foot = a;
  } else {
    // Measure along the line from the end farther from p, so the foot lies
    // on the right side of it even when it is beyond the segment.
    const bool fromA = pb < pa;
    const double lever = fromA ? pa : pb;
    const double along = std::cos(std::asin(std::min(1.0, h / lever))) * lever;
    GMSegment s = fromA ? GMSegment{a, b} : GMSegment{b, a};
    GMSetSegmentLength(s, along, 1e-7);
    *foot = s.end;
  }
  return h;
}

int GMIsCollinear(const GMVector& p0, const GMVector& p1, const GMVector& p2, double tol) {
  if (GMIsSamePoint(p2, p0, tol) || GMIsSamePoint(p2, p1, tol)) return 1;
  const GMVector u = GMNormalize(GMSubtract(p0, p1), 0.0);
  const GMVector w = GMNormalize(GMSubtract(p0, p2), 0.0);
  return (GMIsSamePoint(u, w, tol) || GMIsSamePoint(u, GMNegate(w), tol)) ? 1 : 0;
}
