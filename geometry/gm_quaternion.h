// Quaternion rotations about arbitrary axes.
//
// CGMQt is made on the stack for one operation and thrown away: the navigation
// turns the eye about the target with it, scene nodes turn about their own
// axis, and the kernel derives rotation matrices and circle centres from it.
// Operations named ...XYZW take the vector part first and the scalar last;
// ...WXYZ take the storage order. Every operation that changes the held
// quaternion returns the value it held before.
#pragma once

#include "geometry/gm_types.h"

// A quaternion w + xi + yj + zk; w is the scalar part.
struct GMQuat {
  double w = 0.0;
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  friend bool operator==(const GMQuat&, const GMQuat&) = default;
};

class CGMQt {
 public:
  CGMQt();
  // The virtual operations keep this order: the slot layout is shared with
  // code built separately against the same class.
  virtual ~CGMQt();
  virtual void SetXYZW(double x, double y, double z, double w);
  virtual void SetWXYZ(double w, double x, double y, double z);
  virtual void Initialize();
  virtual GMQuat AddVector(double x, double y, double z, double w);
  virtual GMQuat AddQ(double w, double x, double y, double z);
  virtual GMQuat ScaleQ(double s);
  virtual GMQuat MultiplyVector(double x, double y, double z, double w);
  // q = q · r, the Hamilton product with r on the right.
  virtual GMQuat MultiplyQ(double w, double x, double y, double z);
  virtual GMQuat TakeQ();
  virtual GMQuat ExchangeWXYZ(double w, double x, double y, double z);
  virtual GMQuat ExchangeXYZW(double x, double y, double z, double w);
  virtual GMQuat GetQ() const;
  virtual GMQuat MakeQ(double x, double y, double z, double w) const;
  virtual double NormOfXYZW(double x, double y, double z, double w) const;
  virtual double NormWXYZ(double w, double x, double y, double z) const;
  virtual double Norm() const;
  // Not guarded: normalising or inverting a zero quaternion divides by zero.
  virtual GMQuat NormalizedXYZW(double x, double y, double z, double w) const;
  virtual GMQuat NormalizedWXYZ(double w, double x, double y, double z) const;
  virtual GMQuat Normalized() const;
  virtual GMQuat ConjugateXYZW(double x, double y, double z, double w) const;
  virtual GMQuat ConjugateWXYZ(double w, double x, double y, double z) const;
  virtual GMQuat Conjugate() const;
  virtual GMQuat InverseXYZW(double x, double y, double z, double w) const;
  virtual GMQuat InverseWXYZ(double w, double x, double y, double z) const;
  virtual GMQuat Inverse() const;
  // Turns the point in place about the axis through the origin (or through
  // centre), counter-clockwise seen from the axis tip; returns the point.
  // The held quaternion is the same afterwards. The axis need not be unit
  // length; a zero axis leaves the point where it is.
  virtual GMVector& RotatePoint(GMVector& point, const GMVector& axis, double angle);
  virtual GMVector& RotatePointAbout(GMVector& point, const GMVector& centre, const GMVector& axis,
                                     double angle);

  double w = 0.0;
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  double pi;
};

// Rotation by angle about the axis through the origin, for row vectors.
// A zero axis gives the identity.
void GMMatrixFromAxisAngle(GMMatrix& out, const GMVector& axis, double angle);
// Rotation about the axis through centre: move centre to the origin, turn,
// move back.
void GMMatrixRotateAboutPoint(GMMatrix& out, const GMVector& centre, const GMVector& axis, double angle);
// Turns the point in place about the axis through centre; returns the point.
GMVector& GMRotatePointAboutAxis(GMVector& point, const GMVector& centre, const GMVector& axis,
                                 double angle);
// Centre of the circle through three points; undefined for points on a line.
GMVector GMCircumcenter(const GMVector& p1, const GMVector& p2, const GMVector& p3);
