#include <gtest/gtest.h>

#include <cmath>

#include "geometry/gm_matrix.h"
#include "geometry/gm_quaternion.h"
#include "geometry/gm_vector.h"
#include "gm_expect.h"

TEST(CGMQtState, ChangingOperationsReturnThePreviousValue) {
  CGMQt q;
  EXPECT_EQ(q.GetQ(), (GMQuat{0, 0, 0, 0}));
  EXPECT_EQ(q.pi, kPi);
  EXPECT_EQ(q.AddQ(1, 0, 0, 0), (GMQuat{0, 0, 0, 0}));
  EXPECT_EQ(q.GetQ(), (GMQuat{1, 0, 0, 0}));
  EXPECT_EQ(q.AddVector(1, 2, 3, 4), (GMQuat{1, 0, 0, 0}));  // vector part first, scalar last
  EXPECT_EQ(q.GetQ(), (GMQuat{5, 1, 2, 3}));
  EXPECT_EQ(q.ScaleQ(2), (GMQuat{5, 1, 2, 3}));
  EXPECT_EQ(q.ExchangeXYZW(7, 8, 9, 6), (GMQuat{10, 2, 4, 6}));
  EXPECT_EQ(q.ExchangeWXYZ(1, 2, 3, 4), (GMQuat{6, 7, 8, 9}));
  EXPECT_EQ(q.TakeQ(), (GMQuat{1, 2, 3, 4}));
  EXPECT_EQ(q.GetQ(), (GMQuat{0, 0, 0, 0}));
  q.SetXYZW(1, 2, 3, 4);
  EXPECT_EQ(q.GetQ(), (GMQuat{4, 1, 2, 3}));
  EXPECT_EQ(q.MakeQ(1, 2, 3, 4), (GMQuat{4, 1, 2, 3}));
  EXPECT_EQ(q.NormOfXYZW(0, 3, 0, 4), 5.0);
  EXPECT_EQ(q.Conjugate(), (GMQuat{4, -1, -2, -3}));
  EXPECT_EQ(q.GetQ(), (GMQuat{4, 1, 2, 3}));  // copies leave q alone
}

TEST(CGMQtAlgebra, HamiltonProductNormAndInverse) {
  CGMQt q;
  q.SetWXYZ(0, 1, 0, 0);                                    // i
  EXPECT_EQ(q.MultiplyQ(0, 0, 1, 0), (GMQuat{0, 1, 0, 0}));  // i·j
  EXPECT_EQ(q.GetQ(), (GMQuat{0, 0, 0, 1}));                // = k
  q.SetWXYZ(0, 0, 1, 0);
  q.MultiplyVector(1, 0, 0, 0);  // j·i
  EXPECT_EQ(q.GetQ(), (GMQuat{0, 0, 0, -1}));

  q.SetWXYZ(1, -2, 0.5, 3);
  EXPECT_NEAR(q.Norm(), std::sqrt(14.25), 1e-15);
  const GMQuat n = q.Normalized();
  EXPECT_NEAR(q.NormWXYZ(n.w, n.x, n.y, n.z), 1.0, 1e-15);
  const GMQuat inv = q.Inverse();
  q.MultiplyQ(inv.w, inv.x, inv.y, inv.z);
  const GMQuat one = q.GetQ();
  EXPECT_NEAR(one.w, 1.0, 1e-15);
  EXPECT_NEAR(std::abs(one.x) + std::abs(one.y) + std::abs(one.z), 0.0, 1e-15);
  EXPECT_EQ(q.InverseXYZW(0, 0, 2, 0), (GMQuat{0, 0, 0, -0.5}));
}

TEST(CGMQtRotation, QuarterTurnsAndOffsetCentre) {
  CGMQt q;
  GMVector p{1, 0, 0};
  EXPECT_EQ(&q.RotatePoint(p, {0, 0, 1}, kPi / 2), &p);
  EXPECT_TRUE(VectorNear(p, {0, 1, 0}, 1e-15));
  p = {1, 0, 0};
  q.RotatePoint(p, {0, 0, 1}, -kPi / 2);
  EXPECT_TRUE(VectorNear(p, {0, -1, 0}, 1e-15));

  // The axis length does not matter, and the held value survives.
  q.SetWXYZ(0.5, 0.25, -1, 2);
  p = {2, 0, 0};
  q.RotatePointAbout(p, {1, 0, 0}, {0, 0, 5}, kPi);
  EXPECT_TRUE(VectorNear(p, {0, 0, 0}, 1e-15));
  EXPECT_EQ(q.GetQ(), (GMQuat{0.5, 0.25, -1, 2}));

  p = {3, 4, 5};
  q.RotatePoint(p, {0, 0, 0}, 1.0);  // no axis, no turn
  EXPECT_EQ(p, (GMVector{3, 4, 5}));
}

TEST(CGMQtRotation, ArbitraryAxesAgreeWithRodrigues) {
  const GMVector axes[] = {{1, 2, 3}, {-0.3, 0.1, 0.9}, {0, -1, 0}, {5, 5, -5}};
  const GMVector centres[] = {{0, 0, 0}, {10, -20, 3.5}};
  const double angles[] = {0.4, 2.5, 4.0, -1.2, 7.0};
  for (const GMVector& axis : axes)
    for (const GMVector& c : centres)
      for (double angle : angles) {
        const GMVector p{1.5, -2, 0.25};
        const GMVector k = GMNormalize(axis, 0);
        const GMVector rel{p.x - c.x, p.y - c.y, p.z - c.z};
        const GMVector want = Rodrigues(rel, k, angle) + c;

        GMVector got = p;
        GMRotatePointAboutAxis(got, c, axis, angle);
        EXPECT_TRUE(VectorNear(got, want, 1e-12));

        GMMatrix m;
        GMMatrixRotateAboutPoint(m, c, axis, angle);
        EXPECT_TRUE(VectorNear(Transformed(p, m), want, 1e-12));
        EXPECT_TRUE(VectorNear(Transformed(c, m), c, 1e-12));
      }
}

TEST(CGMQtMatrix, AxisAngleMatchesTheAxisRotations) {
  GMMatrix m;
  for (double theta : {0.0, 0.7, -2.2, kPi}) {
    GMMatrixFromAxisAngle(m, {0, 0, 1}, theta);
    EXPECT_TRUE(MatrixNear(m, GMMatrixRotateZ(theta), 1e-15));
    GMMatrixFromAxisAngle(m, {3, 0, 0}, theta);
    EXPECT_TRUE(MatrixNear(m, GMMatrixRotateX(theta), 1e-15));
    GMMatrixFromAxisAngle(m, {0, 0.5, 0}, theta);
    EXPECT_TRUE(MatrixNear(m, GMMatrixRotateY(theta), 1e-15));
  }
  GMMatrixFromAxisAngle(m, {0, 0, 0}, 1.0);
  EXPECT_EQ(m, GMMatrixIdentity());
}

TEST(GMCircumcenterTest, CentreIsEquidistantInTheTrianglePlane) {
  EXPECT_TRUE(VectorNear(GMCircumcenter({0, 0, 0}, {2, 0, 0}, {0, 2, 0}), {1, 1, 0}, 1e-12));
  EXPECT_TRUE(VectorNear(GMCircumcenter({0, 2, 0}, {0, 0, 0}, {2, 0, 0}), {1, 1, 0}, 1e-12));

  // An obtuse triangle in a tilted plane: the centre lies outside it.
  const GMVector a{1, 2, 3}, b{4, 2.5, 1}, c{2.2, 2.1, 2.3};
  const GMVector o = GMCircumcenter(a, b, c);
  ASSERT_FALSE(GMIsUndefined(o));
  EXPECT_NEAR(GMDistance(o, a), GMDistance(o, b), 1e-9);
  EXPECT_NEAR(GMDistance(o, a), GMDistance(o, c), 1e-9);
  EXPECT_NEAR(GMDot(GMTriangleNormal(a, b, c), GMSubtract(a, o)), 0.0, 1e-9);

  EXPECT_TRUE(GMIsUndefined(GMCircumcenter({0, 0, 0}, {1, 1, 1}, {3, 3, 3})));
  EXPECT_TRUE(GMIsUndefined(GMCircumcenter({1, 1, 1}, {1, 1, 1}, {1, 1, 1})));
}
