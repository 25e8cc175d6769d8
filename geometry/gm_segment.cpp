// Segments: point on segment, 2D and 3D segment intersection, segment against
// plane, and clipping of segment sets by a cutting plane.
#include "geometry/gm_segment.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "geometry/gm_plane.h"
#include "geometry/gm_vector.h"

namespace {
GMVector Flat(const GMVector& p) { return {p.x, p.y, 0.0}; }

bool SameXY(const GMVector& p, const GMVector& q, double tol) {
  return GMIsNear(p.x, q.x, tol) && GMIsNear(p.y, q.y, tol);
}

double PlaneValue(const GMVector& p, const GMPlane& plane) {
  return plane.nx * p.x + plane.ny * p.y + plane.nz * p.z + plane.d;
}
}  // namespace

int GMIsPointOnSegment(const GMVector& a, const GMVector& b, const GMVector& p, double tol) {
  // A point farther than the tolerance from the segment's bounds on some
  // axis is neither at an end nor at the foot of its perpendicular, which
  // lies within the bounds but for rounding: answered without measuring.
  // Point-in-polygon tests ask this of every edge, nearly always far away.
  const double reach = 2.0 * tol + 8.0 * DBL_EPSILON * (1.0 + std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(a.z),
                                                                    std::fabs(b.x), std::fabs(b.y), std::fabs(b.z)}));
  if (p.x < std::min(a.x, b.x) - reach || p.x > std::max(a.x, b.x) + reach || p.y < std::min(a.y, b.y) - reach ||
      p.y > std::max(a.y, b.y) + reach || p.z < std::min(a.z, b.z) - reach || p.z > std::max(a.z, b.z) + reach)
    return 0;
  if (GMIsSamePoint(p, a, tol) || GMIsSamePoint(p, b, tol)) return 1;
  // Measure from the endpoint farther from p: the projection is then taken
  // along the longer lever and loses less to rounding.
  GMVector from = a, to = b;
  if (GMDistance(p, b) > GMDistance(p, a)) {
    from = b;
    to = a;
  }
  const GMVector ab = GMSubtract(from, to);
  const double len2 = GMDot(ab, ab);
  if (len2 == 0.0) return 0;  // a point segment holds only its own point, tested above
  const double along = GMDot(GMSubtract(from, p), ab);
  const double t = along / len2;
  if (t < 0.0 || t > 1.0) return 0;
  const GMVector foot{from.x + ab.x * t, from.y + ab.y * t, from.z + ab.z * t};
  return GMIsNear(GMDistance(p, foot), 0.0, tol) ? 1 : 0;
}

int GMLineSlope2D(const GMVector& p, const GMVector& q, double& slope, double& intercept, double tol) {
  if (std::fabs(q.x - p.x) <= tol) return std::fabs(q.y - p.y) <= tol ? 1 : 2;
  slope = (q.y - p.y) / (q.x - p.x);
  intercept = p.y - p.x * slope;
  return 0;
}

int GMIntersectSegments2D(const GMVector& a0In, const GMVector& a1In, const GMVector& b0In,
                          const GMVector& b1In, GMVector& out, double tol) {
  out = {GM_UNDEFINED, GM_UNDEFINED, 0.0};
  if (GMIsSamePoint(a0In, a1In, tol) || GMIsSamePoint(b0In, b1In, tol)) return 3;

  // Work in the xy plane, each segment running towards +x.
  GMVector a0 = Flat(a0In), a1 = Flat(a1In), b0 = Flat(b0In), b1 = Flat(b1In);
  if (a1.x < a0.x) std::swap(a0, a1);
  if (b1.x < b0.x) std::swap(b0, b1);

  const GMVector da = GMNormalize(GMSubtract(a0, a1), tol);
  const GMVector db = GMNormalize(GMSubtract(b0, b1), tol);
  // Parallel, collinear (overlapping or touching) and two segments along z
  // all have no single crossing.
  if (GMIsSamePoint(da, db, tol) || GMIsSamePoint(da, GMNegate(db), tol)) return 2;

  // A shared end is the crossing, taken exactly from the first segment.
  for (const GMVector* pa : {&a0, &a1})
    for (const GMVector* pb : {&b0, &b1})
      if (SameXY(*pa, *pb, tol)) {
        out = *pa;
        return 0;
      }

  // A segment along z shows as a point: it meets the other segment's line
  // only if that point lies on it.
  const bool aIsPoint = GMIsUndefined(da), bIsPoint = GMIsUndefined(db);
  if (aIsPoint || bIsPoint) {
    if (aIsPoint && bIsPoint) return 2;
    const GMVector pt = aIsPoint ? a0 : b0;
    const GMVector& l0 = aIsPoint ? b0 : a0;
    const GMVector& l1 = aIsPoint ? b1 : a1;
    const GMVector dir = aIsPoint ? db : da;
    const double off = std::fabs(dir.x * (pt.y - l0.y) - dir.y * (pt.x - l0.x));
    if (off > tol) return 2;
    out = pt;
    return GMIsPointOnSegment(l0, l1, pt, tol) ? 0 : 1;
  }

  double sa = 0.0, ia = 0.0, sb = 0.0, ib = 0.0;
  // A segment too short in x to give a slope counts as vertical.
  const bool aVertical = GMLineSlope2D(a0, a1, sa, ia, tol) != 0;
  const bool bVertical = GMLineSlope2D(b0, b1, sb, ib, tol) != 0;
  if (aVertical && bVertical) return 2;
  if (aVertical || bVertical) {
    const double k = aVertical ? a0.x : b0.x;
    const double y = aVertical ? sb * k + ib : sa * k + ia;
    out = {k, y, 0.0};
    const bool inside = GMIsBetween(k, a0.x, a1.x, tol) && GMIsBetween(k, b0.x, b1.x, tol) &&
                        GMIsBetween(y, a0.y, a1.y, tol) && GMIsBetween(y, b0.y, b1.y, tol);
    return inside ? 0 : 1;
  }
  if (sa == sb) return 2;  // directions agreed beyond the tolerance test's reach
  const double x = (ib - ia) / (sa - sb);
  out = {x, sa * x + ia, 0.0};
  return (GMIsPointOnSegment(a0, a1, out, tol) && GMIsPointOnSegment(b0, b1, out, tol)) ? 0 : 1;
}

int GMIntersectSegments3D(const GMVector& a0, const GMVector& a1, const GMVector& b0, const GMVector& b1,
                          GMVector& out, double tol) {
  GMSetUndefined(out);
  if (GMCompareSegments(a0, a1, b0, b1, tol) == 1) return -1;
  if (GMIsSamePoint(a0, b0, tol) || GMIsSamePoint(a0, b1, tol)) {
    out = a0;
    return 0;
  }
  if (GMIsSamePoint(a1, b0, tol) || GMIsSamePoint(a1, b1, tol)) {
    out = a1;
    return 0;
  }

  // The plane of the two segments, from the first segment and whichever
  // point of the second is off its line.
  GMVector n = GMTriangleNormal(a0, a1, b0);
  GMVector fourth = b1;
  if (GMIsUndefined(n)) {
    n = GMTriangleNormal(a0, a1, b1);
    fourth = b0;
  }
  if (GMIsUndefined(n)) {
    // No plane: either a segment is a bare point or all four are on a line.
    if (GMIsSamePoint(a0, a1, tol) || GMIsSamePoint(b0, b1, tol)) return 4;
    return 2;
  }
  const GMPlane plane = GMPlaneFromPointNormal(a0, n);
  if (GMPlaneSide(fourth, plane, tol) != 0) return 3;

  GMProjectionAxis axis = 0;
  const GMVector pa0 = GMProjectByNormal(a0, n, axis);
  const GMVector pa1 = GMProject2D(a1, axis);
  const GMVector pb0 = GMProject2D(b0, axis);
  const GMVector pb1 = GMProject2D(b1, axis);
  GMVector hit;
  const int r = GMIntersectSegments2D(pa0, pa1, pb0, pb1, hit, tol);
  if (r == 3) return 4;
  if (r == 2) return 2;
  out = GMUnproject2D(hit.x, hit.y, plane, axis);
  return r;
}

int GMIntersectSegmentPlane(const GMVector& p0, const GMVector& p1, const GMPlane& plane, GMVector& out,
                            double tol) {
  GMSetUndefined(out);
  const double s0 = PlaneValue(p0, plane);
  const double s1 = PlaneValue(p1, plane);
  const bool on0 = GMIsNear(s0, 0.0, tol), on1 = GMIsNear(s1, 0.0, tol);
  if (on0 && on1) return 3;
  if (on0) {
    out = p0;
    return 0;
  }
  if (on1) {
    out = p1;
    return 0;
  }
  if (GMIsParallelToPlane(p0, p1, plane, tol)) return 2;
  const GMVector d = GMSubtract(p0, p1);
  const double t = -s0 / (plane.nx * d.x + plane.ny * d.y + plane.nz * d.z);
  out = {p0.x + d.x * t, p0.y + d.y * t, p0.z + d.z * t};
  return (t < 0.0 || t > 1.0) ? 1 : 0;
}

std::vector<GMSegment> GMClipSegmentsByPlane(std::span<const GMSegment> segments, const GMPlane& plane,
                                             double tol) {
  std::vector<GMSegment> kept;
  for (const GMSegment& s : segments) {
    GMVector hit;
    const int r = GMIntersectSegmentPlane(s.start, s.end, plane, hit, tol);
    if (r == 3) {
      kept.push_back(s);  // lying in the cutting plane counts as behind it
      continue;
    }
    const bool startBehind = GMPlaneSide(s.start, plane, tol) == -1;
    if (r != 0) {
      if (startBehind) kept.push_back(s);
      continue;
    }
    // The segment meets the plane: keep the part on the far side of the cut.
    // A segment that only touches the plane with one end keeps all of itself
    // when the rest is behind, and nothing when the rest is in front.
    const bool endBehind = GMPlaneSide(s.end, plane, tol) == -1;
    if (startBehind && endBehind)
      kept.push_back(s);
    else if (startBehind)
      kept.push_back({s.start, hit});
    else if (endBehind)
      kept.push_back({hit, s.end});
  }
  return kept;
}
