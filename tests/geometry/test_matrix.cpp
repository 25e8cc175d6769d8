#include <gtest/gtest.h>

#include <cmath>

#include "geometry/gm_matrix.h"
#include "geometry/gm_plane.h"
#include "geometry/gm_segment.h"
#include "geometry/gm_vector.h"
#include "gm_expect.h"

TEST(GMMatrixOps, MultiplyAppliesSecondArgumentFirstAndMayAlias) {
  const GMMatrix t = GMMatrixTranslate(1, 2, 3);
  const GMMatrix s = GMMatrixScale(2, 2, 2);
  GMMatrix m;
  GMMatrixMultiply(s, t, m);  // translate, then scale
  EXPECT_TRUE(VectorNear(Transformed({1, 1, 1}, m), {4, 6, 8}));
  GMMatrixMultiply(t, s, m);  // scale, then translate
  EXPECT_TRUE(VectorNear(Transformed({1, 1, 1}, m), {3, 4, 5}));

  const GMMatrix a = GMMatrixRotateX(0.3), b = GMMatrixRotateZ(1.1);
  GMMatrix expected;
  GMMatrixMultiply(a, b, expected);
  GMMatrix aliasA = a;
  GMMatrixMultiply(aliasA, b, aliasA);
  EXPECT_EQ(aliasA, expected);
  GMMatrix aliasB = b;
  GMMatrixMultiply(a, aliasB, aliasB);
  EXPECT_EQ(aliasB, expected);
  GMMatrix same = t;
  GMMatrixMultiply(same, same, same);
  EXPECT_TRUE(MatrixNear(same, GMMatrixTranslate(2, 4, 6)));
}

TEST(GMMatrixOps, RotationsAreCounterClockwiseAboutTheirAxis) {
  EXPECT_TRUE(VectorNear(Transformed({1, 0, 0}, GMMatrixRotateZ(kPi / 2)), {0, 1, 0}));
  EXPECT_TRUE(VectorNear(Transformed({0, 1, 0}, GMMatrixRotateX(kPi / 2)), {0, 0, 1}));
  EXPECT_TRUE(VectorNear(Transformed({0, 0, 1}, GMMatrixRotateY(kPi / 2)), {1, 0, 0}));
  EXPECT_TRUE(VectorNear(Transformed({2, 0, 5}, GMMatrixRotateZ(kPi / 3)),
                         {2 * std::cos(kPi / 3), 2 * std::sin(kPi / 3), 5}));
}

TEST(GMMatrixOps, PlanarProjectionCastsOntoThePlane) {
  const GMPlane ground{0, 0, 1, 0};
  GMMatrix m;
  // A sun shining along (-1, 0, -1): the shadow of a point moves by its height.
  const double sun[4] = {1, 0, 1, 0};
  GMMatrixPlanarProjection(ground, sun, m);
  EXPECT_TRUE(VectorNear(Transformed({1, 2, 3}, m), {-2, 2, 0}));

  // A lamp at (0, 0, 10) casts onto the tilted plane x + z = 2.
  const GMPlane tilted{1 / std::sqrt(2.0), 0, 1 / std::sqrt(2.0), -2 / std::sqrt(2.0)};
  const double lamp[4] = {0, 0, 10, 1};
  GMMatrixPlanarProjection(tilted, lamp, m);
  const GMVector p{1, 1, 4};
  const GMVector img = Transformed(p, m);
  EXPECT_NEAR(img.x + img.z, 2.0, 1e-12);
  // The image is on the ray from the lamp through the point.
  const GMVector ray = GMCross(GMSubtract({0, 0, 10}, p), GMSubtract({0, 0, 10}, img));
  EXPECT_TRUE(VectorNear(ray, {0, 0, 0}, 1e-12));
}

TEST(GMMatrixOps, LookAtCarriesEyeOntoPositiveZWithUpShowingUp) {
  struct View {
    GMVector eye, target, up;
  };
  const View views[] = {
      {{0, 0, 10}, {0, 0, 0}, {0, 1, 0}},   {{5, -3, 2}, {1, 1, 1}, {0, 0, 1}},
      {{-4, 7, -9}, {2, 0, 3}, {0, 0, 1}},  {{1, 50, 1}, {1, 0, 1}, {1, 0, 0}},
      {{3, 3, 3}, {-1, -2, 0.5}, {0.2, 0.1, 1}}, {{0, 0, -6}, {0, 0, 0}, {0, 1, 0}},
  };
  for (const View& v : views) {
    GMMatrix m;
    GMMatrixLookAt(v.eye, v.target, v.up, m);
    const double dist = GMDistance(v.eye, v.target);
    EXPECT_TRUE(VectorNear(Transformed(v.target, m), {0, 0, 0}));
    EXPECT_TRUE(VectorNear(Transformed(v.eye, m), {0, 0, dist}));
    // The up direction, taken from the target, shows straight up on screen.
    const GMVector upImg = Transformed({v.target.x + v.up.x, v.target.y + v.up.y, v.target.z + v.up.z}, m);
    EXPECT_NEAR(upImg.x, 0.0, 1e-9);
    EXPECT_GT(upImg.y, 0.0);
    // No stretching.
    EXPECT_NEAR(GMDistance(Transformed({1, 2, 3}, m), Transformed({-2, 0, 7}, m)),
                GMDistance({1, 2, 3}, {-2, 0, 7}), 1e-9);
  }
}

TEST(GMMatrixOps, PerspectivePlaneMapsPointsToTheirImageOnThePicturePlane) {
  const GMVector eye{8, -6, 5}, target{1, 2, 0.5}, up{0, 0, 1};
  const double distance = 2.5;
  GMMatrix m;
  GMMatrixPerspectivePlane(eye, target, distance, up, m, 1.0);
  GMMatrix look;
  GMMatrixLookAt(eye, target, up, look);

  const GMPlane picture = GMPlaneAcrossSegment(eye, target, distance);
  const GMVector onPlaneOrigin = Transformed(eye, look);  // eye in view coordinates
  const GMVector points[] = {target, {0, 0, 0}, {3, 4, -2}, {-5, 1, 2}};
  for (const GMVector& p : points) {
    // Reference: cut the sight line eye→p with the picture plane, then
    // express the cut in the plane's own frame (origin on the viewing line).
    GMVector cut;
    ASSERT_LE(GMIntersectSegmentPlane(eye, p, picture, cut, GM_TOLERANCE), 1);
    GMVector want = Transformed(cut, look);
    want.z -= onPlaneOrigin.z - distance;
    EXPECT_TRUE(VectorNear(Transformed(p, m), want, 1e-9));
    EXPECT_NEAR(want.z, 0.0, 1e-9);
  }
}
