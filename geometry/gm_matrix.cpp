#include "geometry/gm_matrix.h"

#include <cmath>

#include "geometry/gm_plane.h"
#include "geometry/gm_vector.h"

GMMatrix GMMatrixIdentity() {
  GMMatrix m;
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0;
  return m;
}

void GMMatrixMultiply(const GMMatrix& A, const GMMatrix& B, GMMatrix& out) {
  // Row vectors multiply on the left, so "B, then A" is the product B · A.
  // The product is built aside because callers pass out as A or B to
  // accumulate transforms.
  GMMatrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0.0;
      for (int k = 0; k < 4; ++k) s += B.m[i][k] * A.m[k][j];
      r.m[i][j] = s;
    }
  out = r;
}

void GMTransformPoint(GMVector& p, const GMMatrix& M) {
  const double w = p.x * M.m[0][3] + p.y * M.m[1][3] + p.z * M.m[2][3] + M.m[3][3];
  double r[3];
  for (int j = 0; j < 3; ++j) r[j] = (p.x * M.m[0][j] + p.y * M.m[1][j] + p.z * M.m[2][j] + M.m[3][j]) / w;
  p = {r[0], r[1], r[2]};
}

GMMatrix GMMatrixTranslate(double tx, double ty, double tz) {
  GMMatrix m = GMMatrixIdentity();
  m.m[3][0] = tx;
  m.m[3][1] = ty;
  m.m[3][2] = tz;
  return m;
}

GMMatrix GMMatrixScale(double sx, double sy, double sz) {
  GMMatrix m = GMMatrixIdentity();
  m.m[0][0] = sx;
  m.m[1][1] = sy;
  m.m[2][2] = sz;
  return m;
}

GMMatrix GMMatrixRotateX(double theta) {
  GMMatrix m = GMMatrixIdentity();
  const double c = std::cos(theta), s = std::sin(theta);
  m.m[1][1] = c;
  m.m[1][2] = s;
  m.m[2][1] = -s;
  m.m[2][2] = c;
  return m;
}

GMMatrix GMMatrixRotateY(double theta) {
  GMMatrix m = GMMatrixIdentity();
  const double c = std::cos(theta), s = std::sin(theta);
  m.m[0][0] = c;
  m.m[0][2] = -s;
  m.m[2][0] = s;
  m.m[2][2] = c;
  return m;
}

GMMatrix GMMatrixRotateZ(double theta) {
  GMMatrix m = GMMatrixIdentity();
  const double c = std::cos(theta), s = std::sin(theta);
  m.m[0][0] = c;
  m.m[0][1] = s;
  m.m[1][0] = -s;
  m.m[1][1] = c;
  return m;
}

void GMMatrixPlanarProjection(const GMPlane& plane, const double light[4], GMMatrix& out) {
  // p' = k·p - (p·plane)·light, which lies on the plane for every p: the
  // point where the ray from the light through p meets the plane.
  const double pl[4] = {plane.nx, plane.ny, plane.nz, plane.d};
  const double k = pl[0] * light[0] + pl[1] * light[1] + pl[2] * light[2] + pl[3] * light[3];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) out.m[i][j] = (i == j ? k : 0.0) - pl[i] * light[j];
}

namespace {
// The rotations that turn the direction d (from the target to the eye) onto
// +z and the side direction up × d onto +x, so that up shows as +y.
GMMatrix ViewRotation(const GMVector& d, const GMVector& up) {
  double yaw = GMVectorAngle2D(d.z, d.x, GM_TOLERANCE);
  if (yaw == GM_UNDEFINED) yaw = 0.0;
  double dz = d.z, dx = d.x;
  GMRotate2D(dz, dx, yaw, GM_TOLERANCE);
  double pitch = GMVectorAngle2D(dz, d.y, GM_TOLERANCE);
  if (pitch == GM_UNDEFINED) pitch = 0.0;

  GMMatrix q;
  GMMatrixMultiply(GMMatrixRotateX(pitch), GMMatrixRotateY(-yaw), q);

  GMVector side = GMCross(up, d);
  GMTransformPoint(side, q);
  double roll = GMVectorAngle2D(side.x, side.y, GM_TOLERANCE);
  if (roll == GM_UNDEFINED) roll = 0.0;
  GMMatrixMultiply(GMMatrixRotateZ(-roll), q, q);
  return q;
}
}  // namespace

void GMMatrixLookAt(const GMVector& eye, const GMVector& target, const GMVector& up, GMMatrix& out) {
  out = GMMatrixTranslate(-target.x, -target.y, -target.z);
  GMMatrixMultiply(ViewRotation(GMSubtract(target, eye), up), out, out);
}

void GMMatrixPerspectivePlane(const GMVector& eye, const GMVector& target, double distance,
                              const GMVector& up, GMMatrix& out, double w) {
  const GMPlane picture = GMPlaneAcrossSegment(eye, target, distance);
  const double light[4] = {eye.x, eye.y, eye.z, w};
  GMMatrixPlanarProjection(picture, light, out);

  // Carry the picture plane's own origin (the point on the viewing line) to
  // the origin, then turn the plane onto the xy plane.
  const GMVector n = GMNormalize(GMSubtract(target, eye), 0.0);
  const GMVector c{eye.x - n.x * distance, eye.y - n.y * distance, eye.z - n.z * distance};
  GMMatrixMultiply(GMMatrixTranslate(-c.x, -c.y, -c.z), out, out);
  GMMatrixMultiply(ViewRotation(GMSubtract(target, eye), up), out, out);
}
