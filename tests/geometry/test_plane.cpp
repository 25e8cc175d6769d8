#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "geometry/gm_plane.h"
#include "geometry/gm_segment.h"
#include "geometry/gm_vector.h"
#include "gm_expect.h"

TEST(GMPlanes, ConstructionDistanceAndSide) {
  const GMPlane p = GMPlaneFromPointNormal({1, 2, 3}, {0, 0, 1});
  EXPECT_EQ(p, (GMPlane{0, 0, 1, -3}));
  EXPECT_EQ(GMDistanceToPlane({7, 7, 1}, p), 2.0);
  EXPECT_EQ(GMDistanceToPlane({0, 0, 1}, GMPlane{0, 0, 2, -6}), 2.0);  // unnormalised normal

  // Across a sight line: the normal faces the first point.
  const GMPlane across = GMPlaneAcrossSegment({0, 0, 10}, {0, 0, 0}, 4);
  EXPECT_TRUE(VectorNear({across.nx, across.ny, across.nz}, {0, 0, 1}));
  EXPECT_NEAR(across.d, -6.0, 1e-12);

  EXPECT_EQ(GMPlaneSide({0, 0, 5}, p, GM_TOLERANCE), 1);
  EXPECT_EQ(GMPlaneSide({0, 0, 2}, p, GM_TOLERANCE), -1);
  EXPECT_EQ(GMPlaneSide({0, 0, 3}, p, GM_TOLERANCE), 0);  // the plane's own foot point
  EXPECT_EQ(GMPlaneSide({9, 0, 3}, p, GM_TOLERANCE), 0);
  // The tolerance is on the cosine: 1e-6 off the plane but 100 away from the
  // foot point is still on it, while close to the foot point it is not.
  EXPECT_EQ(GMPlaneSide({100, 0, 3 - 1e-6}, p, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPlaneSide({1e-5, 0, 3 - 1e-6}, p, GM_TOLERANCE), -1);
  // At site coordinates the cosine would reach 5 mm off a roof: the reach is
  // held at what it is a kilometre out (0.1 mm), so a point 5 mm above the
  // top of a block there is above it, one a micrometre off is still on it,
  // and a kilometre out nothing changes.
  const GMPlane roof = GMPlaneFromPointNormal({-40000, 30000, 9}, {0, 0, 1});
  EXPECT_EQ(GMPlaneSide({-40000, 30000, 9.005}, roof, GM_TOLERANCE), 1);
  EXPECT_EQ(GMPlaneSide({-40010, 30010, 8.995}, roof, GM_TOLERANCE), -1);
  EXPECT_EQ(GMPlaneSide({-40000, 30000, 9 + 1e-6}, roof, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPlaneSide({-40000, 30000, 9.0}, roof, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPlaneSide({999, 0, 3 + 9e-5}, p, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPlaneSide({999, 0, 3 + 1.1e-4}, p, GM_TOLERANCE), 1);

  EXPECT_EQ(GMIsParallelToPlane({0, 0, 3}, {5, 5, 3 + 5e-8}, p, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsParallelToPlane({0, 0, 3}, {5, 5, 3.1}, p, GM_TOLERANCE), 0);
}

TEST(GMProjection, AxisChoiceAndTies) {
  struct Row {
    GMVector n;
    GMProjectionAxis axis;
  };
  const Row rows[] = {
      {{0.9, 0.1, -0.3}, 0}, {{-0.9, 0.1, 0.3}, 1}, {{0.1, 0.8, 0.3}, 2}, {{0.1, -0.8, 0.3}, 3},
      {{0.1, 0.2, 0.7}, 4},  {{0, 0, -1}, 5},       {{1, 1, 0}, 2},       {{1, -1, 0}, 3},
      {{-1, 0, 1}, 4},       {{1, 1, -1}, 5},       {{0, 0, 0}, 5},
  };
  for (const Row& r : rows) EXPECT_EQ(GMProjectionAxisOf(r.n), r.axis) << r.n.x << " " << r.n.y << " " << r.n.z;

  GMProjectionAxis axis = -1;
  EXPECT_EQ(GMProjectByNormal({1, 2, 3}, {0, 0, -1}, axis), (GMVector{2, 1, 0}));
  EXPECT_EQ(axis, 5);
  EXPECT_TRUE(GMIsUndefined(GMProject2D({1, 2, 3}, 6)));
  EXPECT_TRUE(GMIsUndefined(GMUnproject2D(1, 2, GMPlane{0, 0, 1, 0}, -1)));
}

TEST(GMProjection, ImagesKeepTheTurningSenseAndUnprojectRoundTrips) {
  // A counter-clockwise triangle about each of many normals must stay
  // counter-clockwise in its image, and every image point must lift back.
  const GMVector normals[] = {{1, 0.2, 0.1},  {-1, 0.3, 0.2}, {0.1, 1, -0.4}, {0.2, -1, 0.3},
                              {0.3, 0.1, 1},  {0.1, 0.4, -1}, {1, 1, 1},      {-1, -1, -1}};
  for (const GMVector& raw : normals) {
    const GMVector n = GMNormalize(raw, 0);
    // Two directions in the plane, turning counter-clockwise about n.
    GMVector u = GMNormalize(GMCross(n, std::fabs(n.x) < 0.9 ? GMVector{1, 0, 0} : GMVector{0, 1, 0}), 0);
    const GMVector v = GMCross(n, u);
    const GMVector o{2, -1, 3};
    const GMPlane plane = GMPlaneFromPointNormal(o, n);
    const GMVector tri[3] = {o, {o.x + u.x, o.y + u.y, o.z + u.z}, {o.x + v.x, o.y + v.y, o.z + v.z}};

    GMProjectionAxis axis = -1;
    GMVector img[3];
    for (int i = 0; i < 3; ++i) img[i] = GMProjectByNormal(tri[i], n, axis);
    EXPECT_GT(GMTriangleArea2D(img[0], img[1], img[2]), 0.0) << "axis " << axis;
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(VectorNear(GMUnproject2D(img[i].x, img[i].y, plane, axis), tri[i]));
  }
  // A plane that contains the dropped axis has no unique lift.
  EXPECT_TRUE(GMIsUndefined(GMUnproject2D(1, 1, GMPlane{1, 0, 0, -1}, 4)));
}

TEST(GMSegments, PointOnSegmentAndSlope) {
  const GMVector a{0, 0, 0}, b{10, 10, 0};
  EXPECT_EQ(GMIsPointOnSegment(a, b, {5, 5, 0}, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsPointOnSegment(a, b, {10 + 5e-8, 10, 0}, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsPointOnSegment(a, b, {5, 5, 5e-8}, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsPointOnSegment(a, b, {5, 5, 1e-6}, GM_TOLERANCE), 0);
  EXPECT_EQ(GMIsPointOnSegment(a, b, {11, 11, 0}, GM_TOLERANCE), 0);
  EXPECT_EQ(GMIsPointOnSegment(a, b, {-1, -1, 0}, GM_TOLERANCE), 0);
  EXPECT_EQ(GMIsPointOnSegment(a, a, {1, 0, 0}, GM_TOLERANCE), 0);

  double slope = 0, intercept = 0;
  EXPECT_EQ(GMLineSlope2D({1, 1, 0}, {3, 5, 0}, slope, intercept, GM_TOLERANCE), 0);
  EXPECT_EQ(slope, 2.0);
  EXPECT_EQ(intercept, -1.0);
  EXPECT_EQ(GMLineSlope2D({1, 1, 0}, {1, 5, 0}, slope, intercept, GM_TOLERANCE), 2);
  EXPECT_EQ(GMLineSlope2D({1, 1, 0}, {1, 1, 5}, slope, intercept, GM_TOLERANCE), 1);
}

TEST(GMSegments, Intersect2DResultCodes) {
  GMVector out;
  EXPECT_EQ(GMIntersectSegments2D({0, 0, 0}, {4, 4, 0}, {0, 4, 0}, {4, 0, 0}, out, GM_TOLERANCE), 0);
  EXPECT_TRUE(VectorNear(out, {2, 2, 0}));
  // z plays no part.
  EXPECT_EQ(GMIntersectSegments2D({0, 0, 5}, {4, 4, -5}, {4, 0, 1}, {0, 4, 2}, out, GM_TOLERANCE), 0);
  EXPECT_TRUE(VectorNear(out, {2, 2, 0}));
  // The lines cross beyond the end of the second segment.
  EXPECT_EQ(GMIntersectSegments2D({0, 0, 0}, {4, 4, 0}, {0, 4, 0}, {1, 3, 0}, out, GM_TOLERANCE), 1);
  EXPECT_TRUE(VectorNear(out, {2, 2, 0}));
  EXPECT_EQ(GMIntersectSegments2D({0, 0, 0}, {4, 0, 0}, {0, 1, 0}, {4, 1, 0}, out, GM_TOLERANCE), 2);
  EXPECT_TRUE(GMIsUndefined(out));
  EXPECT_EQ(GMIntersectSegments2D({0, 0, 0}, {4, 0, 0}, {2, 0, 0}, {6, 0, 0}, out, GM_TOLERANCE), 2);
  EXPECT_EQ(GMIntersectSegments2D({0, 0, 0}, {4, 0, 0}, {6, 0, 0}, {4, 0, 0}, out, GM_TOLERANCE), 2);
  EXPECT_EQ(GMIntersectSegments2D({1, 1, 0}, {1, 1, 0}, {0, 4, 0}, {4, 0, 0}, out, GM_TOLERANCE), 3);
  // A shared end is returned exactly as the first segment has it.
  EXPECT_EQ(GMIntersectSegments2D({0, 0, 0}, {4, 4, 7}, {4 + 5e-8, 4, 0}, {8, 0, 0}, out, GM_TOLERANCE), 0);
  EXPECT_EQ(out, (GMVector{4, 4, 0}));
}

TEST(GMSegments, Intersect2DVerticalAndUpright) {
  GMVector out;
  // A segment parallel to y against a sloped one.
  EXPECT_EQ(GMIntersectSegments2D({2, -5, 0}, {2, 5, 0}, {0, 0, 0}, {4, 2, 0}, out, GM_TOLERANCE), 0);
  EXPECT_TRUE(VectorNear(out, {2, 1, 0}));
  EXPECT_EQ(GMIntersectSegments2D({0, 0, 0}, {4, 2, 0}, {2, 3, 0}, {2, 5, 0}, out, GM_TOLERANCE), 1);
  EXPECT_TRUE(VectorNear(out, {2, 1, 0}));
  // A segment along z shows as a point.
  EXPECT_EQ(GMIntersectSegments2D({2, 1, 0}, {2, 1, 9}, {0, 0, 0}, {4, 2, 0}, out, GM_TOLERANCE), 0);
  EXPECT_TRUE(VectorNear(out, {2, 1, 0}));
  EXPECT_EQ(GMIntersectSegments2D({0, 0, 0}, {4, 2, 0}, {6, 3, 0}, {6, 3, 9}, out, GM_TOLERANCE), 1);
  EXPECT_TRUE(VectorNear(out, {6, 3, 0}));
  EXPECT_EQ(GMIntersectSegments2D({2, 2, 0}, {2, 2, 9}, {0, 0, 0}, {4, 2, 0}, out, GM_TOLERANCE), 2);
  EXPECT_EQ(GMIntersectSegments2D({2, 2, 0}, {2, 2, 9}, {0, 0, 1}, {0, 0, 3}, out, GM_TOLERANCE), 2);
}

TEST(GMSegments, Intersect3DResultCodes) {
  const GMVector a0{1, 1, 1}, a1{3, 5, 2};
  GMVector out;
  EXPECT_EQ(GMIntersectSegments3D(a0, a1, a0, a1, out, GM_TOLERANCE), -1);
  EXPECT_EQ(GMIntersectSegments3D(a0, a1, a1, a0, out, GM_TOLERANCE), 0);
  EXPECT_EQ(out, a0);

  // Two crossing segments in a tilted plane.
  const GMVector c0{0, 0, 0}, c1{4, 2, 2}, c2{0, 2, 1}, c3{4, 0, 1};
  EXPECT_EQ(GMIntersectSegments3D(c0, c1, c2, c3, out, GM_TOLERANCE), 0);
  EXPECT_TRUE(VectorNear(out, {2, 1, 1}));
  // The second cut short: their lines still meet at the same point.
  EXPECT_EQ(GMIntersectSegments3D(c0, c1, c2, {1, 1.5, 1}, out, GM_TOLERANCE), 1);
  EXPECT_TRUE(VectorNear(out, {2, 1, 1}));
  // Lift the second segment off the plane: skew.
  EXPECT_EQ(GMIntersectSegments3D(c0, c1, {0, 2, 2}, {4, 0, 2}, out, GM_TOLERANCE), 3);
  EXPECT_TRUE(GMIsUndefined(out));
  EXPECT_EQ(GMIntersectSegments3D(c0, c1, {6, 3, 3}, {8, 4, 4}, out, GM_TOLERANCE), 2);
  EXPECT_EQ(GMIntersectSegments3D(c0, c1, {0, 4, 0}, {4, 6, 2}, out, GM_TOLERANCE), 2);  // parallel
  EXPECT_EQ(GMIntersectSegments3D(c0, c1, {0, 5, 0}, {0, 5, 0}, out, GM_TOLERANCE), 4);
  EXPECT_EQ(GMIntersectSegments3D(c0, c0, c2, c3, out, GM_TOLERANCE), 4);
}

TEST(GMSegments, SegmentAgainstPlane) {
  const GMPlane floor{0, 0, 1, -1};  // z = 1
  GMVector out;
  EXPECT_EQ(GMIntersectSegmentPlane({0, 0, 0}, {2, 4, 2}, floor, out, GM_TOLERANCE), 0);
  EXPECT_TRUE(VectorNear(out, {1, 2, 1}));
  EXPECT_EQ(GMIntersectSegmentPlane({3, 3, 1 + 5e-8}, {0, 0, 5}, floor, out, GM_TOLERANCE), 0);
  EXPECT_EQ(out, (GMVector{3, 3, 1 + 5e-8}));
  EXPECT_EQ(GMIntersectSegmentPlane({0, 0, 5}, {3, 3, 1}, floor, out, GM_TOLERANCE), 0);
  EXPECT_EQ(out, (GMVector{3, 3, 1}));
  EXPECT_EQ(GMIntersectSegmentPlane({0, 0, 1}, {3, 3, 1}, floor, out, GM_TOLERANCE), 3);
  EXPECT_TRUE(GMIsUndefined(out));
  EXPECT_EQ(GMIntersectSegmentPlane({0, 0, 2}, {3, 3, 2}, floor, out, GM_TOLERANCE), 2);
  EXPECT_TRUE(GMIsUndefined(out));
  EXPECT_EQ(GMIntersectSegmentPlane({0, 0, 3}, {0, 2, 2}, floor, out, GM_TOLERANCE), 1);
  EXPECT_TRUE(VectorNear(out, {0, 4, 1}));
  EXPECT_EQ(GMIntersectSegmentPlane({0, 0, 3}, {0, 2, 2}, GMPlane{0, 0, 1, -4}, out, GM_TOLERANCE), 1);
  EXPECT_TRUE(VectorNear(out, {0, -2, 4}));
}

TEST(GMSegments, ClipKeepsWhatLiesBehindThePlane) {
  const GMPlane cut{1, 0, 0, -2};  // x = 2, behind is x < 2
  const std::vector<GMSegment> in = {
      {{0, 0, 0}, {4, 0, 0}},  // crosses forwards
      {{4, 1, 0}, {0, 1, 0}},  // crosses backwards
      {{0, 2, 0}, {1, 2, 0}},  // wholly behind
      {{3, 3, 0}, {5, 3, 0}},  // wholly in front
      {{2, 0, 0}, {2, 5, 5}},  // in the plane
      {{2, 4, 0}, {1, 4, 0}},  // touches, rest behind
      {{2, 5, 0}, {3, 5, 0}},  // touches, rest in front
      {{3, 6, 0}, {2, 6, 0}},  // comes in from the front to touch
  };
  const std::vector<GMSegment> out = GMClipSegmentsByPlane(in, cut, GM_TOLERANCE);
  const std::vector<GMSegment> want = {
      {{0, 0, 0}, {2, 0, 0}}, {{2, 1, 0}, {0, 1, 0}}, {{0, 2, 0}, {1, 2, 0}},
      {{2, 0, 0}, {2, 5, 5}}, {{2, 4, 0}, {1, 4, 0}},
  };
  ASSERT_EQ(out.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_TRUE(VectorNear(out[i].start, want[i].start)) << i;
    EXPECT_TRUE(VectorNear(out[i].end, want[i].end)) << i;
  }
  EXPECT_TRUE(GMClipSegmentsByPlane(std::span<const GMSegment>(in).subspan(3, 1), cut, GM_TOLERANCE).empty());
}

// The bounds shortcut of GMIsPointOnSegment answers as the measurement
// would: points at, just within and just beyond the tolerance of segments
// in every direction, at the origin's scale and at site coordinates.
TEST(GMSegments, PointOnSegmentShortcutAnswersAsTheMeasurement) {
  const auto literal = [](const GMVector& a, const GMVector& b, const GMVector& p, double tol) {
    if (GMIsSamePoint(p, a, tol) || GMIsSamePoint(p, b, tol)) return 1;
    GMVector from = a, to = b;
    if (GMDistance(p, b) > GMDistance(p, a)) std::swap(from, to);
    const GMVector ab = GMSubtract(from, to);
    const double len2 = GMDot(ab, ab);
    if (len2 == 0.0) return 0;
    const double t = GMDot(GMSubtract(from, p), ab) / len2;
    if (t < 0.0 || t > 1.0) return 0;
    const GMVector foot{from.x + ab.x * t, from.y + ab.y * t, from.z + ab.z * t};
    return GMIsNear(GMDistance(p, foot), 0.0, tol) ? 1 : 0;
  };
  std::mt19937 random(5);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  int on = 0, off = 0;
  for (const double scale : {1.0, 50000.0})
    for (int i = 0; i < 20000; ++i) {
      const GMVector a{scale + unit(random) * 10, -scale + unit(random) * 10, unit(random) * (i % 3 ? 10 : 0)};
      GMVector b{a.x + unit(random) * 10, a.y + unit(random) * 10, a.z + (i % 3 ? unit(random) : 0.0)};
      if (i % 7 == 0) b.y = a.y;  // along an axis
      const double t = 1.2 * unit(random);
      const double off1 = unit(random) * 3e-7, off2 = unit(random) * 3e-7;
      const GMVector p{a.x + (b.x - a.x) * t + off1, a.y + (b.y - a.y) * t + off2, a.z + (b.z - a.z) * t - off1};
      const int want = literal(a, b, p, GM_TOLERANCE);
      ASSERT_EQ(GMIsPointOnSegment(a, b, p, GM_TOLERANCE), want) << i;
      (want ? on : off) += 1;
    }
  EXPECT_GT(on, 1500);
  EXPECT_GT(off, 3000);
}
