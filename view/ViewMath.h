// Small vector helpers of the view's camera arithmetic.
#pragma once

#include <cmath>

#include "geometry/gm_quaternion.h"
#include "geometry/gm_types.h"
#include "geometry/gm_vector.h"

namespace korvex::vm {

inline GMVector Add(const GMVector& a, const GMVector& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline GMVector Sub(const GMVector& a, const GMVector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline GMVector Mul(const GMVector& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(const GMVector& a, const GMVector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline GMVector Cross(const GMVector& a, const GMVector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const GMVector& a) { return std::sqrt(Dot(a, a)); }
// The unit vector, or the zero vector for one without direction.
inline GMVector Unit(const GMVector& a) {
  const double l = Length(a);
  return l > 0.0 ? Mul(a, 1.0 / l) : GMVector{};
}
inline GMVector WithLength(const GMVector& a, double length) { return Mul(Unit(a), length); }
inline bool SamePoint(const GMVector& a, const GMVector& b, double tol) {
  return std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol;
}
// The point turned about the line through centre along axis (right hand),
// by radians. A zero axis leaves it where it is.
inline GMVector Rotate(GMVector point, const GMVector& centre, const GMVector& axis, double radians) {
  if (Length(axis) == 0.0 || radians == 0.0) return point;
  GMRotatePointAboutAxis(point, centre, axis, radians);
  return point;
}
inline double Radians(double degrees) { return degrees * M_PI / 180.0; }

}  // namespace korvex::vm
