#include "geometry/gm_vector.h"

#include <cmath>

// --- tolerance predicates -------------------------------------------------
//
// Differences are taken in long double so that a difference of two large site
// coordinates that sits exactly on the tolerance is not pushed over it by the
// rounding of the subtraction.

int gm_detail::IsNearExtended(double a, double b, double tol) {
  const long double diff = static_cast<long double>(a) - static_cast<long double>(b);
  const long double t = tol;
  return (-t <= diff && diff <= t) ? 1 : 0;
}

int GMIsBetween(double v, double a, double b, double tol) {
  if (tol != 0.0 && (GMIsNear(v, a, tol) || GMIsNear(v, b, tol))) return 1;
  const double lo = a < b ? a : b;
  const double hi = a < b ? b : a;
  return (lo <= v && v <= hi) ? 1 : 0;
}

namespace {
bool AxisInside(double v, double lo, double hi, double tol) {
  return (GMIsNear(v, lo, tol) || v > lo) && (GMIsNear(v, hi, tol) || v < hi);
}
}  // namespace

int GMBoxContainsPoint(const GMVector& min, const GMVector& max, const GMVector& p, double tol) {
  return (AxisInside(p.x, min.x, max.x, tol) && AxisInside(p.y, min.y, max.y, tol) &&
          AxisInside(p.z, min.z, max.z, tol))
             ? 1
             : 0;
}

// --- vectors ----------------------------------------------------------------

GMVector GMSetVector(double x, double y, double z) { return {x, y, z}; }

GMVector GMSetScalar(double v) { return {v, v, v}; }

GMBox GMSetBox(double minX, double minY, double minZ, double maxX, double maxY, double maxZ) {
  return {minX, minY, minZ, maxX, maxY, maxZ};
}

void GMScaleToLength(GMVector& v, double len) {
  const GMVector unit = GMNormalize(v, 0.0);
  // A zero vector has no direction: it stays undefined whatever the length,
  // instead of becoming an ordinary (or infinite) value that callers would no
  // longer recognise.
  if (GMIsUndefined(unit)) {
    v = unit;
    return;
  }
  v = {unit.x * len, unit.y * len, unit.z * len};
}

int GMSetSegmentLength(GMSegment& seg, double len, double tol) {
  if (GMIsSamePoint(seg.start, seg.end, tol)) return 0;
  const double full = GMDistance(seg.start, seg.end);
  if (len > 0.0) {
    const double k = len / full;
    seg.end = {seg.start.x + (seg.end.x - seg.start.x) * k, seg.start.y + (seg.end.y - seg.start.y) * k,
               seg.start.z + (seg.end.z - seg.start.z) * k};
    return 1;
  }
  if (len < 0.0) {
    // A negative length is measured back from the end, which stays put.
    const double k = -len / full;
    seg.start = {seg.end.x + (seg.start.x - seg.end.x) * k, seg.end.y + (seg.start.y - seg.end.y) * k,
                 seg.end.z + (seg.start.z - seg.end.z) * k};
    return 1;
  }
  seg.end = seg.start;
  return 0;
}

// --- angles -----------------------------------------------------------------

double GMPi() {
  static const double pi = std::atan2(0.0, -1.0);
  return pi;
}

double GMRadToDeg(double r) { return r * 180.0 / GMPi(); }

double GMDegToRad(double d) { return d * GMPi() / 180.0; }

double GMNormalizeAngle(double a, double tol) {
  const double twoPi = 2.0 * GMPi();
  if (GMIsNear(a, 0.0, tol) || GMIsNear(a, twoPi, tol)) return 0.0;
  // "No angle" stays "no angle", and values that are not numbers cannot be
  // reduced; stepping by 2·pi would never end for either.
  if (a == GM_UNDEFINED || !std::isfinite(a)) return a;
  // Far out of range, stepping one turn at a time would take too long and add
  // up rounding; the exact remainder gives the same angle.
  if (std::fabs(a) > 64.0 * twoPi) a = std::fmod(a, twoPi);
  while (a > twoPi) a -= twoPi;
  while (a < 0.0) a += twoPi;
  return a;
}

double GMDirectionAngle(const GMVector& p, const GMVector& q, double tol) {
  const GMVector d = GMNormalize(GMSubtract(p, q), tol);
  if (d.x < -1.0 || d.x > 1.0) return GM_UNDEFINED;
  const double a = std::acos(d.x);
  return d.y >= 0.0 ? a : 2.0 * GMPi() - a;
}

double GMVectorAngle2D(double x, double y, double tol) {
  return GMDirectionAngle(GMVector{0.0, 0.0, 0.0}, GMVector{x, y, 0.0}, tol);
}

double GMAngleBetween(const GMVector& u, const GMVector& v, double tol) {
  const GMVector a = GMNormalize(u, 0.0);
  const GMVector b = GMNormalize(v, 0.0);
  // A zero vector has no direction, so there is no angle to it.
  if (GMIsUndefined(a) || GMIsUndefined(b)) return GM_UNDEFINED;
  if (GMIsSamePoint(a, b, tol)) return 0.0;
  if (GMIsSamePoint(a, GMNegate(b), tol)) return GMPi();
  // Nearly parallel unit vectors can give a dot product a rounding step
  // outside [-1, 1]; acos of that would be NaN rather than the tiny angle.
  double c = GMDot(a, b);
  if (c > 1.0) c = 1.0;
  if (c < -1.0) c = -1.0;
  return std::acos(c);
}

double GMAngleAround(const GMVector& u, const GMVector& v, const GMVector& axis, double tol) {
  if (GMIsSamePoint(u, v, tol)) return 0.0;
  if (GMIsSamePoint(u, GMNegate(v), tol)) return GMPi();
  const double theta = GMAngleBetween(u, v, tol);
  if (theta == GM_UNDEFINED) return GM_UNDEFINED;
  const GMVector n = GMNormalize(GMCross(u, v), tol);
  if (GMIsSamePoint(n, axis, tol)) return theta;
  return 2.0 * GMPi() - theta;
}

void GMRotate2D(double& x, double& y, double angle, double tol) {
  const double pi = GMPi();
  if (angle == GM_UNDEFINED || angle > 10.0 * pi) return;
  // An angle that is no number, or infinite, gives no turn; raising it by
  // 2·pi at a time would never end, and neither would a huge negative one,
  // which the exact remainder brings into range first.
  if (!std::isfinite(angle)) return;
  if (angle < -64.0 * pi) angle = std::fmod(angle, 2.0 * pi);
  while (angle < 0.0) angle += 2.0 * pi;
  while (angle > 2.0 * pi) angle -= 2.0 * pi;
  // Quarter turns are exact: a wall turned by 90 degrees must stay exactly
  // axis-parallel, not pick up a 6e-17 slant from the library sine.
  double s = std::sin(angle);
  double c = std::cos(angle);
  if (GMIsNear(angle, 0.0, tol) || GMIsNear(angle, pi, tol)) s = 0.0;
  if (GMIsNear(angle, pi * 0.5, tol) || GMIsNear(angle, pi * 1.5, tol)) c = 0.0;
  const double nx = c * x + s * y;
  const double ny = c * y - s * x;
  x = nx;
  y = ny;
}

void GMRotate2D(GMVector& xy, double angle, double tol) { GMRotate2D(xy.x, xy.y, angle, tol); }

// --- triangle measures ------------------------------------------------------

double GMTriangleArea2D(const GMVector& p1, const GMVector& p2, const GMVector& p3) {
  return ((p2.x - p1.x) * (p3.y - p1.y) - (p2.y - p1.y) * (p3.x - p1.x)) * 0.5;
}

double GMHeronArea(double la, double lb, double lc) {
  const double s = (la + lb + lc) * 0.5;
  const double sq = s * (s - la) * (s - lb) * (s - lc);
  return sq < 0.0 ? 0.0 : std::sqrt(sq);
}

double GMTriangleAreaFromSides(double la, double lb, double lc, double tol) {
  // A vanishing side leaves a triangle only when the other two coincide.
  if (GMIsNear(la, 0.0, tol)) return GMIsNear(lb, lc, tol) ? 0.0 : GM_UNDEFINED;
  if (GMIsNear(lb, 0.0, tol)) return GMIsNear(la, lc, tol) ? 0.0 : GM_UNDEFINED;
  if (GMIsNear(lc, 0.0, tol)) return GMIsNear(la, lb, tol) ? 0.0 : GM_UNDEFINED;

  // Triangle inequality against a strictly longest side: equal means flat,
  // longer means the sides cannot close.
  auto against = [tol](double longest, double s1, double s2) {
    if (GMIsNear(longest, s1 + s2, tol)) return 0.0;
    if (longest > s1 + s2) return GM_UNDEFINED;
    return -1.0;  // a real triangle; measure it below
  };
  double r = -1.0;
  if (la > lb && la > lc)
    r = against(la, lb, lc);
  else if (la < lb && lb > lc)
    r = against(lb, la, lc);
  else if (la < lc && lb < lc)
    r = against(lc, la, lb);
  if (r != -1.0) return r;
  return GMHeronArea(la, lb, lc);
}

GMVector GMTriangleNormal(const GMVector& p1, const GMVector& p2, const GMVector& p3) {
  return GMNormalize(GMCross(GMSubtract(p1, p2), GMSubtract(p1, p3)), 0.0);
}

GMVector GMTriangleCentroid(const GMVector& p1, const GMVector& p2, const GMVector& p3) {
  // The centroid lies 2/3 of the way along a median. The median to the longest
  // side is used: it is the one least spoilt by rounding in a sliver.
  const double l12 = GMDistance(p1, p2);
  const double l23 = GMDistance(p2, p3);
  const double l31 = GMDistance(p3, p1);
  GMSegment median{p3, GMMidpoint(p1, p2)};
  double longest = l12;
  if (l23 >= longest) {
    longest = l23;
    median = {p1, GMMidpoint(p2, p3)};
  }
  if (l31 >= longest) median = {p2, GMMidpoint(p3, p1)};
  GMSetSegmentLength(median, GMDistance(median.start, median.end) * 2.0 / 3.0, 1e-7);
  return median.end;
}
