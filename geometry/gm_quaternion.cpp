#include "geometry/gm_quaternion.h"

#include <cmath>

#include "geometry/gm_matrix.h"
#include "geometry/gm_plane.h"
#include "geometry/gm_segment.h"
#include "geometry/gm_vector.h"

CGMQt::CGMQt() : pi(GMPi()) {}

CGMQt::~CGMQt() = default;

void CGMQt::SetXYZW(double qx, double qy, double qz, double qw) { SetWXYZ(qw, qx, qy, qz); }

void CGMQt::SetWXYZ(double qw, double qx, double qy, double qz) {
  w = qw;
  x = qx;
  y = qy;
  z = qz;
}

void CGMQt::Initialize() {}

GMQuat CGMQt::AddVector(double qx, double qy, double qz, double qw) { return AddQ(qw, qx, qy, qz); }

GMQuat CGMQt::AddQ(double qw, double qx, double qy, double qz) {
  const GMQuat old = GetQ();
  SetWXYZ(w + qw, x + qx, y + qy, z + qz);
  return old;
}

GMQuat CGMQt::ScaleQ(double s) {
  const GMQuat old = GetQ();
  SetWXYZ(w * s, x * s, y * s, z * s);
  return old;
}

GMQuat CGMQt::MultiplyVector(double qx, double qy, double qz, double qw) { return MultiplyQ(qw, qx, qy, qz); }

GMQuat CGMQt::MultiplyQ(double r0, double r1, double r2, double r3) {
  const GMQuat old = GetQ();
  SetWXYZ(w * r0 - x * r1 - y * r2 - z * r3,  //
          w * r1 + x * r0 + y * r3 - z * r2,  //
          w * r2 - x * r3 + y * r0 + z * r1,  //
          w * r3 + x * r2 - y * r1 + z * r0);
  return old;
}

GMQuat CGMQt::TakeQ() { return ExchangeWXYZ(0.0, 0.0, 0.0, 0.0); }

GMQuat CGMQt::ExchangeWXYZ(double qw, double qx, double qy, double qz) {
  const GMQuat old = GetQ();
  SetWXYZ(qw, qx, qy, qz);
  return old;
}

GMQuat CGMQt::ExchangeXYZW(double qx, double qy, double qz, double qw) { return ExchangeWXYZ(qw, qx, qy, qz); }

GMQuat CGMQt::GetQ() const { return {w, x, y, z}; }

GMQuat CGMQt::MakeQ(double qx, double qy, double qz, double qw) const { return {qw, qx, qy, qz}; }

double CGMQt::NormOfXYZW(double qx, double qy, double qz, double qw) const {
  const GMQuat q = MakeQ(qx, qy, qz, qw);
  return NormWXYZ(q.w, q.x, q.y, q.z);
}

double CGMQt::NormWXYZ(double qw, double qx, double qy, double qz) const {
  return std::sqrt(qw * qw + qx * qx + qy * qy + qz * qz);
}

double CGMQt::Norm() const { return NormWXYZ(w, x, y, z); }

GMQuat CGMQt::NormalizedXYZW(double qx, double qy, double qz, double qw) const {
  const GMQuat q = MakeQ(qx, qy, qz, qw);
  return NormalizedWXYZ(q.w, q.x, q.y, q.z);
}

GMQuat CGMQt::NormalizedWXYZ(double qw, double qx, double qy, double qz) const {
  const double n = NormWXYZ(qw, qx, qy, qz);
  return {qw / n, qx / n, qy / n, qz / n};
}

GMQuat CGMQt::Normalized() const { return NormalizedWXYZ(w, x, y, z); }

GMQuat CGMQt::ConjugateXYZW(double qx, double qy, double qz, double qw) const {
  const GMQuat q = MakeQ(qx, qy, qz, qw);
  return ConjugateWXYZ(q.w, q.x, q.y, q.z);
}

GMQuat CGMQt::ConjugateWXYZ(double qw, double qx, double qy, double qz) const { return {qw, -qx, -qy, -qz}; }

GMQuat CGMQt::Conjugate() const { return ConjugateWXYZ(w, x, y, z); }

GMQuat CGMQt::InverseXYZW(double qx, double qy, double qz, double qw) const {
  const GMQuat q = MakeQ(qx, qy, qz, qw);
  return InverseWXYZ(q.w, q.x, q.y, q.z);
}

GMQuat CGMQt::InverseWXYZ(double qw, double qx, double qy, double qz) const {
  const double n2 = qw * qw + qx * qx + qy * qy + qz * qz;
  const GMQuat c = ConjugateWXYZ(qw, qx, qy, qz);
  return {c.w / n2, c.x / n2, c.y / n2, c.z / n2};
}

GMQuat CGMQt::Inverse() const { return InverseWXYZ(w, x, y, z); }

GMVector& CGMQt::RotatePoint(GMVector& point, const GMVector& axis, double angle) {
  return RotatePointAbout(point, GMVector{0.0, 0.0, 0.0}, axis, angle);
}

GMVector& CGMQt::RotatePointAbout(GMVector& point, const GMVector& centre, const GMVector& axis,
                                  double angle) {
  // An axis without direction defines no turn; dividing by its zero length
  // would spoil the point with NaNs.
  if (axis.x == 0.0 && axis.y == 0.0 && axis.z == 0.0) return point;
  angle = GMNormalizeAngle(angle, 1e-7);
  const GMQuat u = NormalizedXYZW(axis.x, axis.y, axis.z, 0.0);

  const GMQuat saved = GetQ();
  const double h = angle * 0.5;
  const double s = std::sin(h);
  const GMQuat r{std::cos(h), s * u.x, s * u.y, s * u.z};
  const GMQuat rInv = InverseWXYZ(r.w, r.x, r.y, r.z);

  // p' = r · p · r⁻¹ with p the point, relative to the centre, as a pure
  // quaternion.
  SetWXYZ(r.w, r.x, r.y, r.z);
  MultiplyVector(point.x - centre.x, point.y - centre.y, point.z - centre.z, 0.0);
  MultiplyQ(rInv.w, rInv.x, rInv.y, rInv.z);
  point = {x + centre.x, y + centre.y, z + centre.z};

  SetWXYZ(saved.w, saved.x, saved.y, saved.z);
  return point;
}

void GMMatrixFromAxisAngle(GMMatrix& out, const GMVector& axis, double angle) {
  out = GMMatrixIdentity();
  if (axis.x == 0.0 && axis.y == 0.0 && axis.z == 0.0) return;
  CGMQt qt;
  const GMQuat u = qt.NormalizedXYZW(axis.x, axis.y, axis.z, 0.0);
  const double h = angle * 0.5;
  const double s = std::sin(h);
  const double w = std::cos(h), x = s * u.x, y = s * u.y, z = s * u.z;
  // The transpose of the familiar column-vector matrix, since points here are
  // row vectors multiplied on the left.
  out.m[0][0] = w * w + x * x - y * y - z * z;
  out.m[0][1] = 2.0 * (x * y + z * w);
  out.m[0][2] = 2.0 * (x * z - y * w);
  out.m[1][0] = 2.0 * (x * y - z * w);
  out.m[1][1] = w * w - x * x + y * y - z * z;
  out.m[1][2] = 2.0 * (y * z + x * w);
  out.m[2][0] = 2.0 * (x * z + y * w);
  out.m[2][1] = 2.0 * (y * z - x * w);
  out.m[2][2] = w * w - x * x - y * y + z * z;
}

void GMMatrixRotateAboutPoint(GMMatrix& out, const GMVector& centre, const GMVector& axis, double angle) {
  GMMatrix turn;
  GMMatrixFromAxisAngle(turn, axis, angle);
  out = GMMatrixTranslate(-centre.x, -centre.y, -centre.z);
  GMMatrixMultiply(turn, out, out);
  GMMatrixMultiply(GMMatrixTranslate(centre.x, centre.y, centre.z), out, out);
}

GMVector& GMRotatePointAboutAxis(GMVector& point, const GMVector& centre, const GMVector& axis,
                                 double angle) {
  CGMQt qt;
  return qt.RotatePointAbout(point, centre, axis, angle);
}

GMVector GMCircumcenter(const GMVector& p1, const GMVector& p2, const GMVector& p3) {
  GMVector n = GMCross(GMSubtract(p3, p2), GMSubtract(p3, p1));
  GMScaleToLength(n, 1.0);
  // Points on a line span no plane and have no circle through them.
  if (GMIsUndefined(n)) return GMUndefinedVector();

  // Each side turned a quarter about the triangle normal through its midpoint
  // lies on that side's perpendicular bisector; the centre is where two of
  // the bisectors meet.
  CGMQt qt;
  const double quarter = qt.pi * 0.5;
  const GMVector m1 = GMMidpoint(p1, p3);
  GMVector a0 = p1, a1 = p3;
  qt.RotatePointAbout(a0, m1, n, quarter);
  qt.RotatePointAbout(a1, m1, n, quarter);
  const GMVector m2 = GMMidpoint(p3, p2);
  GMVector b0 = p3, b1 = p2;
  qt.RotatePointAbout(b0, m2, n, quarter);
  qt.RotatePointAbout(b1, m2, n, quarter);

  GMVector centre;
  const int r = GMIntersectSegments3D(a0, a1, b0, b1, centre, 1e-7);
  return (r == 0 || r == 1) ? centre : GMUndefinedVector();
}
