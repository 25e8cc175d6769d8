// Tolerance predicates, vector arithmetic, angles and triangle measures.
//
// Comparisons are closed (a difference equal to the tolerance still counts as
// near) and points are compared per axis, not by distance.
#pragma once

#include <cmath>

#include "geometry/gm_types.h"

// --- tolerance predicates -------------------------------------------------
namespace gm_detail {
// GMIsNear with the difference taken in extended precision.
int IsNearExtended(double a, double b, double tol);
}  // namespace gm_detail

// 1 when -tol <= a - b <= tol, the difference judged in extended precision.
// Nearly every geometric test asks this, so it is answered here in plain
// double wherever that gives the same answer: the double difference is off
// by at most a part in 2^53 of itself, so only a difference within a part in
// 2^50 of the tolerance (or no number at all) needs the extended look.
inline int GMIsNear(double a, double b, double tol) {
  const double d = a - b;
  const double m = d < 0.0 ? -d : d;
  if (tol >= 1e-290 && tol <= 1e290) {
    if (m <= tol * (1.0 - 0x1p-50)) return 1;
    if (m >= tol * (1.0 + 0x1p-50)) return 0;
  }
  return gm_detail::IsNearExtended(a, b, tol);
}
int GMIsBetween(double v, double a, double b, double tol);
inline int GMIsSamePoint(const GMVector& p, const GMVector& q, double tol) {
  return (GMIsNear(p.x, q.x, tol) && GMIsNear(p.y, q.y, tol) && GMIsNear(p.z, q.z, tol)) ? 1 : 0;
}
inline int GMCompareSegments(const GMVector& a0, const GMVector& a1, const GMVector& b0, const GMVector& b1,
                             double tol) {
  if (GMIsSamePoint(a0, b0, tol) && GMIsSamePoint(a1, b1, tol)) return 1;
  if (GMIsSamePoint(a1, b0, tol) && GMIsSamePoint(a0, b1, tol)) return -1;
  return 0;
}
int GMBoxContainsPoint(const GMVector& min, const GMVector& max, const GMVector& p, double tol);

// Whether every coordinate of p is a number.
inline bool GMIsFinite(const GMVector& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Whether a site could hold p: every coordinate a number no farther out than
// GM_GARBAGE_COORDINATE. Imports and the scene's clean-up judge corners by it.
inline bool GMIsSiteCoordinate(const GMVector& p) {
  return GMIsFinite(p) && std::fabs(p.x) <= GM_GARBAGE_COORDINATE && std::fabs(p.y) <= GM_GARBAGE_COORDINATE &&
         std::fabs(p.z) <= GM_GARBAGE_COORDINATE;
}

// --- vectors ----------------------------------------------------------------
// Sums, differences and multiples, component by component; every module
// writes its vector arithmetic with these.
inline GMVector operator+(const GMVector& a, const GMVector& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline GMVector operator-(const GMVector& a, const GMVector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline GMVector operator*(const GMVector& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline GMVector operator*(double s, const GMVector& a) { return {a.x * s, a.y * s, a.z * s}; }

GMVector GMSetVector(double x, double y, double z);
GMVector GMSetScalar(double v);
GMBox GMSetBox(double minX, double minY, double minZ, double maxX, double maxY, double maxZ);
// The small helpers below are asked millions of times by every Boolean step
// and every inside test, so they are written out where they are used.
inline void GMAdd(GMVector& p, double dx, double dy, double dz) {
  p.x += dx;
  p.y += dy;
  p.z += dz;
}
// q - p
inline GMVector GMSubtract(const GMVector& p, const GMVector& q) {
  return {q.x - p.x, q.y - p.y, q.z - p.z};
}
inline GMVector GMNegate(const GMVector& v) { return {-v.x, -v.y, -v.z}; }
inline GMVector GMMidpoint(const GMVector& p, const GMVector& q) {
  return {p.x + (q.x - p.x) * 0.5, p.y + (q.y - p.y) * 0.5, p.z + (q.z - p.z) * 0.5};
}
inline double GMDot(const GMVector& u, const GMVector& v) { return u.x * v.x + u.y * v.y + u.z * v.z; }
inline GMVector GMCross(const GMVector& u, const GMVector& v) {
  return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}
inline double GMLength(const GMVector& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
inline double GMDistance(const GMVector& p, const GMVector& q) { return GMLength(GMSubtract(p, q)); }
// The unit vector along v; undefined when v is shorter than tol.
inline GMVector GMNormalize(const GMVector& v, double tol) {
  const double len = GMLength(v);
  if (GMIsNear(len, 0.0, tol)) return GMUndefinedVector();
  return {v.x / len, v.y / len, v.z / len};
}
void GMScaleToLength(GMVector& v, double len);
int GMSetSegmentLength(GMSegment& seg, double len, double tol);

// --- angles -----------------------------------------------------------------
double GMPi();
double GMRadToDeg(double r);
double GMDegToRad(double d);
double GMNormalizeAngle(double a, double tol);
double GMDirectionAngle(const GMVector& p, const GMVector& q, double tol);
double GMVectorAngle2D(double x, double y, double tol);
double GMAngleBetween(const GMVector& u, const GMVector& v, double tol);
double GMAngleAround(const GMVector& u, const GMVector& v, const GMVector& axis, double tol);
void GMRotate2D(GMVector& xy, double angle, double tol);  // turns (x, y); z untouched
void GMRotate2D(double& x, double& y, double angle, double tol);

// --- triangle measures ------------------------------------------------------
double GMTriangleArea2D(const GMVector& p1, const GMVector& p2, const GMVector& p3);
double GMHeronArea(double la, double lb, double lc);
double GMTriangleAreaFromSides(double la, double lb, double lc, double tol);
GMVector GMTriangleNormal(const GMVector& p1, const GMVector& p2, const GMVector& p3);
GMVector GMTriangleCentroid(const GMVector& p1, const GMVector& p2, const GMVector& p3);
