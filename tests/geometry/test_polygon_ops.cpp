// Reversal, box faces, point-on-segment and point-to-line tests.
#include <gtest/gtest.h>

#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_polygon_ops.h"
#include "geometry/gm_vector.h"
#include "gm_expect.h"
#include "polygon_samples.h"

using samples::Ring;

TEST(PolygonReverse, KeepsFirstVertexAndFlipsNormal) {
  const GMVector P{0, 0, 0}, Q{1, 0, 0}, R{1, 1, 0}, S{0, 1, 0};
  GMPolygon ring = Ring({P, Q, R, S});
  GMReversePolygon(ring);
  ASSERT_EQ(ring.Count(), 4);
  EXPECT_EQ(ring[0], P);
  EXPECT_EQ(ring[1], S);
  EXPECT_EQ(ring[2], R);
  EXPECT_EQ(ring[3], Q);
  EXPECT_TRUE(VectorNear(GMPolygonNormal(ring, GM_TOLERANCE), {0, 0, -1}));

  GMPolygon pentagon = Ring({P, Q, {2, 1, 0}, R, S});
  GMReversePolygon(pentagon);
  EXPECT_EQ(pentagon[1], S);
  EXPECT_EQ(pentagon[2], R);
  EXPECT_EQ(pentagon[3], (GMVector{2, 1, 0}));
  EXPECT_EQ(pentagon[4], Q);
}

TEST(PolygonBoxFaces, SixQuadsFacingOutwards) {
  const double x0 = -1, y0 = 2, z0 = 3, x1 = 4, y1 = 6, z1 = 5;
  const GMPolygonSetPtr faces = GMBoxFaces(x0, y0, z0, x1, y1, z1);
  ASSERT_TRUE(faces);
  ASSERT_EQ(faces->Count(), 6);
  const GMVector outward[6] = {{0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, -1}, {0, 0, 1}};
  for (int f = 0; f < 6; ++f) {
    const GMPolygon& face = (*faces)[f];
    ASSERT_EQ(face.Count(), 4);
    EXPECT_TRUE(VectorNear(GMPolygonNormal(face, GM_TOLERANCE), outward[f])) << "face " << f;
    for (const GMVector& v : face.points) {
      EXPECT_TRUE(v.x == x0 || v.x == x1);
      EXPECT_TRUE(v.y == y0 || v.y == y1);
      EXPECT_TRUE(v.z == z0 || v.z == z1);
    }
  }
  // The first face starts at the minimum corner and runs along +x.
  EXPECT_EQ((*faces)[0][0], (GMVector{x0, y0, z0}));
  EXPECT_EQ((*faces)[0][1], (GMVector{x1, y0, z0}));
  EXPECT_EQ((*faces)[5][2], (GMVector{x1, y1, z1}));
}

TEST(PointOnSegment, BySumAndBoundary) {
  const GMVector a{0, 0, 0}, b{2, 2, 2};
  EXPECT_EQ(GMIsPointOnSegmentBySum(a, b, {1, 1, 1}, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsPointOnSegmentBySum(a, b, a, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsPointOnSegmentBySum(a, b, {3, 3, 3}, GM_TOLERANCE), 0);
  EXPECT_EQ(GMIsPointOnSegmentBySum(a, b, {1, 1, 1.001}, GM_TOLERANCE), 0);

  const GMPolygon square = Ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  EXPECT_EQ(GMPointOnPolygonBoundary(square, {0, 0.5, 0}, GM_TOLERANCE), 1);  // closing edge
  EXPECT_EQ(GMPointOnPolygonBoundary(square, {1, 1, 0}, GM_TOLERANCE), 1);
  EXPECT_EQ(GMPointOnPolygonBoundary(square, {0.5, 0.5, 0}, GM_TOLERANCE), 0);
}

TEST(PointOnSegment, InTheXyPlaneAnyDirection) {
  // The segment runs backwards and diagonally; z plays no part.
  const GMVector a{2, 2, 7}, b{0, 0, -1};
  EXPECT_EQ(GMIsPointOnSegment2D(a, b, {1, 1, 100}, GM_TOLERANCE, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsPointOnSegment2D(a, b, {0.5, 0.5, 0}, GM_TOLERANCE, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsPointOnSegment2D(a, b, {3, 3, 0}, GM_TOLERANCE, GM_TOLERANCE), 0);
  EXPECT_EQ(GMIsPointOnSegment2D(a, b, {-0.5, -0.5, 0}, GM_TOLERANCE, GM_TOLERANCE), 0);
  EXPECT_EQ(GMIsPointOnSegment2D(a, b, {1, 1.001, 0}, GM_TOLERANCE, GM_TOLERANCE), 0);
  EXPECT_EQ(GMIsPointOnSegment2D(a, b, {2, 2, 0}, GM_TOLERANCE, GM_TOLERANCE), 1);
  // Along the axes too (angles that the turn treats as exact).
  EXPECT_EQ(GMIsPointOnSegment2D({0, 5, 0}, {0, -5, 0}, {0, 1, 0}, GM_TOLERANCE, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsPointOnSegment2D({5, 0, 0}, {-5, 0, 0}, {1, 1e-3, 0}, GM_TOLERANCE, GM_TOLERANCE), 0);
}

TEST(DistanceToLine, PlanarAndSpatial) {
  EXPECT_NEAR(GMDistanceToLine2D({3, 2, 9}, {0, 0, 0}, {1, 0, 0}), 2.0, 1e-12);
  EXPECT_NEAR(GMDistanceToLine2D({1, 0, 0}, {0, 0, 0}, {1, 1, 0}), std::sqrt(0.5), 1e-12);
  EXPECT_EQ(GMDistanceToLine2D({1, 1, 0}, {2, 2, 0}, {2, 2, 5}), GM_UNDEFINED);

  GMVector foot;
  EXPECT_NEAR(GMDistanceToLine({1, 1, 0}, {0, 0, 0}, {2, 0, 0}, &foot), 1.0, 1e-9);
  EXPECT_TRUE(VectorNear(foot, {1, 0, 0}, 1e-9));
  // Feet beyond either end lie on the line's extension.
  EXPECT_NEAR(GMDistanceToLine({3, 0, 2}, {0, 0, 0}, {2, 0, 0}, &foot), 2.0, 1e-9);
  EXPECT_TRUE(VectorNear(foot, {3, 0, 0}, 1e-9));
  EXPECT_NEAR(GMDistanceToLine({-1, 1, 0}, {0, 0, 0}, {2, 0, 0}, &foot), 1.0, 1e-9);
  EXPECT_TRUE(VectorNear(foot, {-1, 0, 0}, 1e-9));
  // Straight above an end the foot is that end.
  EXPECT_NEAR(GMDistanceToLine({2, 0, 1}, {0, 0, 0}, {2, 0, 0}, &foot), 1.0, 1e-9);
  EXPECT_EQ(foot, (GMVector{2, 0, 0}));
  EXPECT_NEAR(GMDistanceToLine({1, 0, 0}, {0, 0, 0}, {2, 0, 0}), 0.0, 1e-9);
  // Coinciding ends: no line, no distance.
  EXPECT_EQ(GMDistanceToLine({1, 1, 0}, {0, 0, 0}, {0, 0, 0}, &foot), GM_UNDEFINED);
  EXPECT_TRUE(GMIsUndefined(foot));
}

TEST(Collinear, SameOrOppositeDirections) {
  EXPECT_EQ(GMIsCollinear({0, 0, 0}, {1, 1, 1}, {3, 3, 3}, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsCollinear({0, 0, 0}, {1, 1, 1}, {-2, -2, -2}, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsCollinear({0, 0, 0}, {1, 0, 0}, {1, 0, 0}, GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsCollinear({0, 0, 0}, {1, 0, 0}, {2, 1e-3, 0}, GM_TOLERANCE), 0);
  EXPECT_EQ(GMIsCollinear({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, GM_TOLERANCE), 0);
}
