#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "geometry/gm_vector.h"
#include "gm_expect.h"

TEST(GMTolerance, ComparisonsAreClosedAndPerAxis) {
  EXPECT_EQ(GMIsNear(0.0, 1e-7, GM_TOLERANCE), 1);  // exactly the tolerance still counts
  EXPECT_EQ(GMIsNear(0.0, 1.1e-7, GM_TOLERANCE), 0);
  EXPECT_EQ(GMIsNear(5.0, 5.0, 0.0), 1);
  // The difference is judged exactly: in plain double 1e-7 + 1e-24 would
  // round down onto the tolerance and pass.
  EXPECT_EQ(GMIsNear(1e-7, -1e-24, 1e-7), 0);

  // A box test, not a distance: 0.9e-7 on every axis is 1.56e-7 away.
  const GMVector p{10.0, 20.0, 30.0};
  const GMVector q{10.0 + 0.9e-7, 20.0 - 0.9e-7, 30.0 + 0.9e-7};
  EXPECT_GT(GMDistance(p, q), GM_TOLERANCE);
  EXPECT_EQ(GMIsSamePoint(p, q, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsSamePoint(p, {10.0, 20.0, 30.0 + 2e-7}, GM_TOLERANCE), 0);
}

TEST(GMTolerance, BetweenUsesToleranceOnlyAtTheEnds) {
  EXPECT_EQ(GMIsBetween(0.5, 1.0, 0.0, 0.0), 1);  // reversed bounds
  EXPECT_EQ(GMIsBetween(-5e-8, 0.0, 1.0, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsBetween(-5e-8, 0.0, 1.0, 0.0), 0);
  EXPECT_EQ(GMIsBetween(1.0 + 5e-8, 0.0, 1.0, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsBetween(2.0, 0.0, 1.0, GM_TOLERANCE), 0);
}

TEST(GMTolerance, BoxAndSegmentComparison) {
  const GMVector lo{0, 0, 0}, hi{1, 2, 3};
  EXPECT_EQ(GMBoxContainsPoint(lo, hi, {0.5, 1, 1.5}, GM_TOLERANCE), 1);
  EXPECT_EQ(GMBoxContainsPoint(lo, hi, {1 + 5e-8, 2, -5e-8}, GM_TOLERANCE), 1);
  EXPECT_EQ(GMBoxContainsPoint(lo, hi, {0.5, 2.001, 1}, GM_TOLERANCE), 0);
  EXPECT_EQ(GMBoxContainsPoint(lo, hi, {0.5, 1, -0.001}, GM_TOLERANCE), 0);

  const GMVector a{0, 0, 0}, b{1, 1, 1};
  const GMVector b2{1 + 5e-8, 1, 1};
  EXPECT_EQ(GMCompareSegments(a, b, a, b2, GM_TOLERANCE), 1);
  EXPECT_EQ(GMCompareSegments(a, b, b2, a, GM_TOLERANCE), -1);
  EXPECT_EQ(GMCompareSegments(a, b, a, {1, 1, 2}, GM_TOLERANCE), 0);
}

TEST(GMVectorOps, NormalizeAndScaleGiveUndefinedForNoDirection) {
  EXPECT_TRUE(GMIsUndefined(GMNormalize({0, 0, 0}, 0.0)));
  EXPECT_TRUE(GMIsUndefined(GMNormalize({1e-7, 0, 0}, GM_TOLERANCE)));  // length == tol
  EXPECT_TRUE(VectorNear(GMNormalize({0, 3, 4}, GM_TOLERANCE), {0, 0.6, 0.8}));
  EXPECT_TRUE(VectorNear(GMNormalize({2e-7, 0, 0}, GM_TOLERANCE), {1, 0, 0}));

  GMVector v{0, 3, 4};
  GMScaleToLength(v, 10.0);
  EXPECT_TRUE(VectorNear(v, {0, 6, 8}));
  GMVector zero{0, 0, 0};
  GMScaleToLength(zero, 0.5);
  EXPECT_TRUE(GMIsUndefined(zero));

  EXPECT_TRUE(VectorNear(GMSubtract({1, 2, 3}, {4, 6, 8}), {3, 4, 5}));  // q - p
  EXPECT_TRUE(VectorNear(GMCross({1, 0, 0}, {0, 1, 0}), {0, 0, 1}));
}

TEST(GMVectorOps, OperatorsAndBoxExtend) {
  // The operators take their operands in reading order, unlike GMSubtract.
  EXPECT_EQ((GMVector{1, 2, 3} - GMVector{4, 6, 8}), (GMVector{-3, -4, -5}));
  EXPECT_EQ((GMVector{1, 2, 3} + GMVector{4, 6, 8} * 0.5), (GMVector{3, 5, 7}));
  EXPECT_EQ((2.0 * GMVector{1, -2, 3}), (GMVector{2, -4, 6}));
  EXPECT_EQ(GMDot({1, 2, 3}, {4, -5, 6}), 12.0);
  EXPECT_EQ(GMCross({0, 1, 0}, {1, 0, 0}), (GMVector{0, 0, -1}));

  // Each axis grows on its own; a coordinate that is no number is passed by.
  GMBox box{0, 0, 0, 1, 1, 1};
  box.Extend({-2, 0.5, 4});
  EXPECT_EQ(box, (GMBox{-2, 0, 0, 1, 1, 4}));
  box.Extend({std::nan(""), -1, std::nan("")});
  EXPECT_EQ(box, (GMBox{-2, -1, 0, 1, 1, 4}));
}

TEST(GMVectorOps, SetSegmentLengthMovesTheRightEnd) {
  GMSegment s{{1, 1, 1}, {1, 1, 5}};
  EXPECT_EQ(GMSetSegmentLength(s, 2.0, GM_TOLERANCE), 1);
  EXPECT_TRUE(VectorNear(s.start, {1, 1, 1}));
  EXPECT_TRUE(VectorNear(s.end, {1, 1, 3}));

  // A negative length is measured from the end, which stays.
  s = {{1, 1, 1}, {1, 1, 5}};
  EXPECT_EQ(GMSetSegmentLength(s, -1.0, GM_TOLERANCE), 1);
  EXPECT_TRUE(VectorNear(s.start, {1, 1, 4}));
  EXPECT_TRUE(VectorNear(s.end, {1, 1, 5}));

  s = {{1, 1, 1}, {1, 1, 5}};
  EXPECT_EQ(GMSetSegmentLength(s, 0.0, GM_TOLERANCE), 0);
  EXPECT_EQ(s.end, s.start);

  s = {{1, 1, 1}, {1, 1, 1 + 5e-8}};
  EXPECT_EQ(GMSetSegmentLength(s, 3.0, GM_TOLERANCE), 0);
  EXPECT_EQ(s.end.z, 1 + 5e-8);
}

// The plain-double answer of GMIsNear is the extended-precision one, also
// for differences a rounding step away from the tolerance, at every scale
// from millimetres to site coordinates, and for the values that are no
// ordinary numbers.
TEST(GMTolerance, NearIsJudgedAsInExtendedPrecision) {
  const auto literal = [](double a, double b, double tol) {
    const long double diff = static_cast<long double>(a) - static_cast<long double>(b);
    const long double t = tol;
    return (-t <= diff && diff <= t) ? 1 : 0;
  };
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const double tolerances[] = {GM_TOLERANCE, 1e-3, 0.0, 1e-310, 5e-324, -1e-7, 1.0};
  const double scales[] = {1e-9, 1.0, 30.0, 40000.0, 1e12};
  int checked = 0, nearBoundary = 0;
  for (const double tol : tolerances)
    for (const double scale : scales)
      for (int i = 0; i < 400; ++i) {
        const double a = unit(random) * scale;
        // b a rounding step or two either side of a ± tol, or anywhere near a.
        double b = a + (i % 2 ? tol : -tol);
        for (int k = static_cast<int>(i % 7) - 3; k != 0; k += k < 0 ? 1 : -1)
          b = std::nextafter(b, k < 0 ? -HUGE_VAL : HUGE_VAL);
        if (i % 5 == 0) b = a + unit(random) * 2 * std::fabs(tol);
        ASSERT_EQ(GMIsNear(a, b, tol), literal(a, b, tol)) << a << " " << b << " " << tol;
        nearBoundary += std::fabs(std::fabs(a - b) - std::fabs(tol)) <= 8 * std::max(std::fabs(a), std::fabs(b)) * 0x1p-52;
        ++checked;
      }
  EXPECT_GT(nearBoundary, 500);
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  for (const double a : {inf, -inf, nan, GM_UNDEFINED, -GM_UNDEFINED, 0.0})
    for (const double b : {inf, -inf, nan, GM_UNDEFINED, -GM_UNDEFINED, 0.0})
      for (const double tol : {GM_TOLERANCE, 0.0, inf, nan}) EXPECT_EQ(GMIsNear(a, b, tol), literal(a, b, tol));
  EXPECT_EQ(checked, 7 * 5 * 400);
}

TEST(GMAngles, NormalizeAngle) {
  EXPECT_EQ(GMPi(), kPi);
  EXPECT_EQ(GMNormalizeAngle(2 * kPi + 5e-8, GM_TOLERANCE), 0.0);
  EXPECT_EQ(GMNormalizeAngle(-5e-8, GM_TOLERANCE), 0.0);
  EXPECT_NEAR(GMNormalizeAngle(-kPi / 2, GM_TOLERANCE), 3 * kPi / 2, 1e-12);
  EXPECT_NEAR(GMNormalizeAngle(5 * kPi, GM_TOLERANCE), kPi, 1e-12);
  EXPECT_NEAR(GMNormalizeAngle(-7 * kPi / 2, GM_TOLERANCE), kPi / 2, 1e-12);
  EXPECT_NEAR(GMNormalizeAngle(2 * kPi - 1e-6, GM_TOLERANCE), 2 * kPi - 1e-6, 1e-15);
  EXPECT_NEAR(GMNormalizeAngle(1e6 * kPi + 1.0, GM_TOLERANCE), 1.0, 1e-6);
  EXPECT_EQ(GMNormalizeAngle(GM_UNDEFINED, GM_TOLERANCE), GM_UNDEFINED);
}

TEST(GMAngles, DirectionAnglesCoverTheFullTurn) {
  EXPECT_NEAR(GMVectorAngle2D(1, 0, GM_TOLERANCE), 0.0, 1e-15);
  EXPECT_NEAR(GMVectorAngle2D(0, 2, GM_TOLERANCE), kPi / 2, 1e-15);
  EXPECT_NEAR(GMVectorAngle2D(-1, 0, GM_TOLERANCE), kPi, 1e-15);
  EXPECT_NEAR(GMVectorAngle2D(1, -1, GM_TOLERANCE), 7 * kPi / 4, 1e-15);
  EXPECT_EQ(GMVectorAngle2D(5e-8, 0, GM_TOLERANCE), GM_UNDEFINED);
  EXPECT_NEAR(GMDirectionAngle({1, 1, 0}, {1, 0, 0}, GM_TOLERANCE), 3 * kPi / 2, 1e-15);
  EXPECT_NEAR(GMRadToDeg(kPi / 3), 60.0, 1e-12);
  EXPECT_NEAR(GMDegToRad(270.0), 3 * kPi / 2, 1e-15);
}

TEST(GMAngles, AngleBetweenAndAround) {
  EXPECT_NEAR(GMAngleBetween({1, 0, 0}, {0, 5, 0}, GM_TOLERANCE), kPi / 2, 1e-15);
  EXPECT_EQ(GMAngleBetween({1, 1, 0}, {-2, -2, 0}, GM_TOLERANCE), kPi);
  EXPECT_EQ(GMAngleBetween({1, 1, 0}, {3, 3, 0}, GM_TOLERANCE), 0.0);
  EXPECT_EQ(GMAngleBetween({0, 0, 0}, {1, 0, 0}, GM_TOLERANCE), GM_UNDEFINED);
  // Parallel vectors of different length whose unit vectors round to a dot
  // product just above 1: with no tolerance the angle is 0, not NaN.
  const GMVector u{-0.13556550506081411, 0.92906089881014475, 0.36795458561201944};
  const double k = 2.3545999903226735;
  const GMVector ku{u.x * k, u.y * k, u.z * k};
  ASSERT_GT(GMDot(GMNormalize(u, 0), GMNormalize(ku, 0)), 1.0);
  EXPECT_EQ(GMAngleBetween(u, ku, 0.0), 0.0);

  // Seen from +z, x to y is a quarter turn; seen from -z three quarters.
  EXPECT_NEAR(GMAngleAround({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, GM_TOLERANCE), kPi / 2, 1e-15);
  EXPECT_NEAR(GMAngleAround({1, 0, 0}, {0, 1, 0}, {0, 0, -1}, GM_TOLERANCE), 3 * kPi / 2, 1e-15);
  EXPECT_EQ(GMAngleAround({1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, GM_TOLERANCE), kPi);
}

TEST(GMAngles, Rotate2DIsClockwiseWithExactQuarterTurns) {
  double x = 1, y = 0;
  GMRotate2D(x, y, kPi / 2, GM_TOLERANCE);
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(y, -1.0);

  GMVector v{1, 0, 7};
  GMRotate2D(v, -kPi / 2, GM_TOLERANCE);  // raised to 3·pi/2
  EXPECT_EQ(v, (GMVector{0, 1, 7}));

  v = {3, 4, 0};
  GMRotate2D(v, kPi, GM_TOLERANCE);
  EXPECT_EQ(v, (GMVector{-3, -4, 0}));

  v = {1, 0, 0};
  GMRotate2D(v, kPi / 6 + 4 * kPi, GM_TOLERANCE);
  EXPECT_TRUE(VectorNear(v, {std::cos(kPi / 6), -std::sin(kPi / 6), 0}));

  v = {1, 2, 3};
  GMRotate2D(v, 11 * kPi, GM_TOLERANCE);
  GMRotate2D(v, GM_UNDEFINED, GM_TOLERANCE);
  EXPECT_EQ(v, (GMVector{1, 2, 3}));
}

// Angles that stepping by whole turns can never bring into range: infinite
// ones and not-a-number leave the pair alone, a huge negative one turns by
// its remainder, and none of them hangs.
TEST(GMAngles, Rotate2DEndsOnInfiniteAndHugeAngles) {
  const double inf = std::numeric_limits<double>::infinity();
  for (const double angle : {-inf, inf, std::numeric_limits<double>::quiet_NaN()}) {
    GMVector v{1, 2, 3};
    GMRotate2D(v, angle, GM_TOLERANCE);
    EXPECT_EQ(v, (GMVector{1, 2, 3})) << angle;
  }
  GMVector v{1, 0, 0};
  GMRotate2D(v, -1e300, GM_TOLERANCE);
  EXPECT_NEAR(std::hypot(v.x, v.y), 1.0, 1e-12);
  v = {1, 0, 0};
  GMRotate2D(v, -(1e6 * 2 * kPi) - kPi / 2, GM_TOLERANCE);  // a million turns back, then a quarter
  EXPECT_TRUE(VectorNear(v, {0, 1, 0}, 1e-6));
}

TEST(GMTriangles, AreaFromSidesDegenerateCases) {
  EXPECT_EQ(GMTriangleAreaFromSides(1, 2, 3, GM_TOLERANCE), 0.0);
  EXPECT_EQ(GMTriangleAreaFromSides(3, 1, 2, GM_TOLERANCE), 0.0);
  EXPECT_EQ(GMTriangleAreaFromSides(1, 1, 3, GM_TOLERANCE), GM_UNDEFINED);
  EXPECT_EQ(GMTriangleAreaFromSides(1, 5, 1, GM_TOLERANCE), GM_UNDEFINED);
  EXPECT_EQ(GMTriangleAreaFromSides(0, 2, 2, GM_TOLERANCE), 0.0);
  EXPECT_EQ(GMTriangleAreaFromSides(2, 0, 1, GM_TOLERANCE), GM_UNDEFINED);
  EXPECT_EQ(GMTriangleAreaFromSides(2, 1, 5e-8, GM_TOLERANCE), GM_UNDEFINED);
  EXPECT_NEAR(GMTriangleAreaFromSides(3, 4, 5, GM_TOLERANCE), 6.0, 1e-12);
  EXPECT_NEAR(GMTriangleAreaFromSides(2, 2, 2, GM_TOLERANCE), std::sqrt(3.0), 1e-12);
  EXPECT_EQ(GMHeronArea(1, 1, 3), 0.0);  // impossible sides clamp to no area
}

TEST(GMTriangles, SignedAreaNormalAndCentroid) {
  const GMVector a{0, 0, 9}, b{4, 0, 9}, c{0, 3, 9};
  EXPECT_EQ(GMTriangleArea2D(a, b, c), 6.0);
  EXPECT_EQ(GMTriangleArea2D(a, c, b), -6.0);
  EXPECT_TRUE(VectorNear(GMTriangleNormal(a, b, c), {0, 0, 1}));
  EXPECT_TRUE(GMIsUndefined(GMTriangleNormal({0, 0, 0}, {1, 1, 1}, {3, 3, 3})));

  const GMVector tris[][3] = {{a, b, c},
                              {{1, 2, 3}, {-4, 0, 2}, {7, 7, -1}},
                              {{0, 0, 0}, {1000, 0, 0}, {500, 1e-3, 0}},
                              {{2, 2, 2}, {2, 2, 2}, {5, 2, 2}}};
  for (const auto& t : tris) {
    const GMVector mean{(t[0].x + t[1].x + t[2].x) / 3, (t[0].y + t[1].y + t[2].y) / 3,
                        (t[0].z + t[1].z + t[2].z) / 3};
    EXPECT_TRUE(VectorNear(GMTriangleCentroid(t[0], t[1], t[2]), mean, 1e-9));
  }
}
