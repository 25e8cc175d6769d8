#include "geometry/gm_plane.h"

#include <cmath>

#include "geometry/gm_segment.h"
#include "geometry/gm_vector.h"

// --- planes -----------------------------------------------------------------

GMPlane GMPlaneFromPointNormal(const GMVector& p, const GMVector& n) { return {n.x, n.y, n.z, -GMDot(n, p)}; }

GMPlane GMPlaneAcrossSegment(const GMVector& p0, const GMVector& p1, double distance) {
  // The normal faces back towards p0, so p0 is on the positive side.
  const GMVector n = GMNormalize(GMSubtract(p1, p0), 0.0);
  const GMVector c{p0.x - n.x * distance, p0.y - n.y * distance, p0.z - n.z * distance};
  return GMPlaneFromPointNormal(c, n);
}

double GMDistanceToPlane(const GMVector& p, const GMPlane& plane) {
  return std::fabs(plane.nx * p.x + plane.ny * p.y + plane.nz * p.z + plane.d) /
         std::sqrt(plane.nx * plane.nx + plane.ny * plane.ny + plane.nz * plane.nz);
}

int GMPlaneSide(const GMVector& p, const GMPlane& plane, double tol) {
  // The side is judged by the cosine between the normal and the direction
  // from the plane's foot point nearest the origin to p, so the tolerance is
  // an angle, not a distance.
  const GMVector v{p.x + plane.d * plane.nx, p.y + plane.d * plane.ny, p.z + plane.d * plane.nz};
  const GMVector u = GMNormalize(v, tol);
  if (GMIsUndefined(u)) return 0;
  const double k = plane.nx * u.x + plane.ny * u.y + plane.nz * u.z;
  if (GMIsNear(k, 0.0, tol)) {
    // An angle's tolerance reaches farther from the plane the farther the
    // point is from the origin: at site coordinates 50 km out, a cosine of
    // 1e-7 is 5 mm, and a point 5 mm above a roof would count as on it.
    // Beyond a kilometre the reach is held at what it is there; nearer in,
    // nothing changes.
    constexpr double kHeldRange = 1000.0;
    if (GMLength(v) > kHeldRange) {
      const double s = plane.nx * v.x + plane.ny * v.y + plane.nz * v.z;
      if (std::fabs(s) > tol * kHeldRange) return s < 0.0 ? -1 : 1;
    }
    return 0;
  }
  return k < 0.0 ? -1 : 1;
}

int GMIsParallelToPlane(const GMVector& p0, const GMVector& p1, const GMPlane& plane, double tol) {
  const GMVector d = GMSubtract(p0, p1);
  return std::fabs(d.x * plane.nx + d.y * plane.ny + d.z * plane.nz) <= tol ? 1 : 0;
}

// --- projections ------------------------------------------------------------
//
// Each image keeps a face's turning sense as seen from the side its normal
// points to, so a counter-clockwise face stays counter-clockwise in 2D.

GMVector GMProject2D(const GMVector& p, GMProjectionAxis axis) {
  switch (axis) {
    case 0: return {p.y, p.z, 0.0};
    case 1: return {p.z, p.y, 0.0};
    case 2: return {p.z, p.x, 0.0};
    case 3: return {p.x, p.z, 0.0};
    case 4: return {p.x, p.y, 0.0};
    case 5: return {p.y, p.x, 0.0};
    default: return GMUndefinedVector();
  }
}

GMProjectionAxis GMProjectionAxisOf(const GMVector& n) {
  const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  // On equal magnitudes z beats both, and y beats x.
  if (az >= ax && az >= ay) return n.z > 0.0 ? 4 : 5;
  if (ay >= ax) return n.y > 0.0 ? 2 : 3;
  return n.x > 0.0 ? 0 : 1;
}

GMVector GMProjectByNormal(const GMVector& p, const GMVector& n, GMProjectionAxis& axis) {
  axis = GMProjectionAxisOf(n);
  return GMProject2D(p, axis);
}

GMVector GMUnproject2D(double u, double v, const GMPlane& plane, GMProjectionAxis axis) {
  // A line along the dropped axis through the image point; the plane cuts it
  // in the 3D point. The cut is used wherever it lies on that line.
  GMVector p0, p1;
  switch (axis) {
    case 0: p0 = {0.0, u, v}; p1 = {1.0, u, v}; break;
    case 1: p0 = {0.0, v, u}; p1 = {-1.0, v, u}; break;
    case 2: p0 = {v, 0.0, u}; p1 = {v, 1.0, u}; break;
    case 3: p0 = {u, 0.0, v}; p1 = {u, -1.0, v}; break;
    case 4: p0 = {u, v, 0.0}; p1 = {u, v, 1.0}; break;
    case 5: p0 = {v, u, 0.0}; p1 = {v, u, -1.0}; break;
    default: return GMUndefinedVector();
  }
  GMVector out;
  const int r = GMIntersectSegmentPlane(p0, p1, plane, out, 1e-7);
  return (r == 0 || r == 1) ? out : GMUndefinedVector();
}
