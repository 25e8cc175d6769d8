// The view's own camera helpers; sums, products and lengths are those of
// geometry/gm_vector.h.
#pragma once

#include <cmath>

#include "geometry/gm_quaternion.h"
#include "geometry/gm_types.h"
#include "geometry/gm_vector.h"

namespace korvex::vm {

// The unit vector, or the zero vector for one without direction.
inline GMVector Unit(const GMVector& a) {
  const double l = GMLength(a);
  return l > 0.0 ? a * (1.0 / l) : GMVector{};
}
inline GMVector WithLength(const GMVector& a, double length) { return Unit(a) * length; }
inline bool SamePoint(const GMVector& a, const GMVector& b, double tol) {
  return std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol;
}
// The point turned about the line through centre along axis (right hand),
// by radians. A zero axis leaves it where it is.
inline GMVector Rotate(GMVector point, const GMVector& centre, const GMVector& axis, double radians) {
  if (GMLength(axis) == 0.0 || radians == 0.0) return point;
  GMRotatePointAboutAxis(point, centre, axis, radians);
  return point;
}
inline double Radians(double degrees) { return degrees * M_PI / 180.0; }

}  // namespace korvex::vm
