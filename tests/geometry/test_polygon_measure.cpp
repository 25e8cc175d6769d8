// Area, normal, plane, planarity, collinear-vertex removal, interior points
// and projections of polygons.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_inside.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_polygon_ops.h"
#include "geometry/gm_vector.h"
#include "gm_expect.h"
#include "polygon_samples.h"

using samples::Ring;

namespace {
const GMPolygon kSquare = Ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
// An L whose first corner is reflex: the first three vertices turn clockwise.
const GMPolygon kReflexFirst = Ring({{2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}, {0, 0, 0}, {2, 0, 0}});
}  // namespace

TEST(PolygonArea, SignedByTurningSense) {
  EXPECT_DOUBLE_EQ(GMPolygonArea2D(kSquare), 1.0);
  GMPolygon cw = kSquare;
  GMReversePolygon(cw);
  EXPECT_DOUBLE_EQ(GMPolygonArea2D(cw), -1.0);
  EXPECT_DOUBLE_EQ(GMPolygonArea2D(kReflexFirst), 3.0);
  EXPECT_EQ(GMPolygonArea2D(Ring({{0, 0, 0}, {1, 0, 0}})), 0.0);
}

TEST(PolygonNormal, FollowsTurningSenseAtAConvexVertex) {
  EXPECT_TRUE(VectorNear(GMPolygonNormal(kSquare, GM_TOLERANCE), {0, 0, 1}));
  GMPolygon cw = kSquare;
  GMReversePolygon(cw);
  EXPECT_TRUE(VectorNear(GMPolygonNormal(cw, GM_TOLERANCE), {0, 0, -1}));
  // The first corner is reflex, so the first triangle points the wrong way;
  // the robust normal does not.
  EXPECT_TRUE(VectorNear(GMFirstTriangleNormal(kReflexFirst), {0, 0, -1}));
  EXPECT_TRUE(VectorNear(GMPolygonNormal(kReflexFirst, GM_TOLERANCE), {0, 0, 1}));
  // Walls: every vertex shares x (no x extreme qualifies), or every vertex shares y.
  EXPECT_TRUE(VectorNear(GMPolygonNormal(Ring({{3, 0, 0}, {3, 1, 0}, {3, 1, 1}, {3, 0, 1}}), GM_TOLERANCE),
                         {1, 0, 0}));
  EXPECT_TRUE(VectorNear(GMPolygonNormal(Ring({{0, 3, 0}, {0, 3, 1}, {1, 3, 1}, {1, 3, 0}}), GM_TOLERANCE),
                         {0, 1, 0}));
}

TEST(PolygonNormal, DegenerateRingsHaveNone) {
  EXPECT_TRUE(GMIsUndefined(GMPolygonNormal(Ring({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}}), GM_TOLERANCE)));
  EXPECT_TRUE(GMIsUndefined(GMPolygonNormal(Ring({{0, 0, 0}, {1, 0, 0}}), GM_TOLERANCE)));
  EXPECT_TRUE(GMIsUndefined(GMPolygonNormal(Ring({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}), GM_TOLERANCE)));
  EXPECT_TRUE(GMIsUndefined(GMFirstTriangleNormal(Ring({{0, 0, 0}, {1, 0, 0}}))));
  const GMPlane none = GMPolygonPlane(Ring({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}));
  EXPECT_EQ(none.nx, GM_UNDEFINED);
  EXPECT_EQ(none.d, GM_UNDEFINED);
}

// A slightly bent ring shows which vertex the normal was taken at.
TEST(PolygonNormal, ChoosesTheExtremeOfTheWiderExtent) {
  // x extent 4 beats y extent 2: the vertex of largest x, (3,1,1).
  const GMPolygon wide = Ring({{0, 0, 0}, {3, 1, 1}, {0, 2, 0}, {-1, 1, 0}});
  const GMVector atX = GMNormalize({-2, 0, 6}, 0);
  EXPECT_TRUE(VectorNear(GMPolygonNormal(wide, GM_TOLERANCE), atX));
  // Squeeze x to the same extent as y: the vertex of largest y, (0,2,0), wins.
  const GMPolygon even = Ring({{0, 0, 0}, {1, 1, 1}, {0, 2, 0}, {-1, 1, 0}});
  const GMVector atY = GMTriangleNormal({1, 1, 1}, {0, 2, 0}, {-1, 1, 0});
  EXPECT_TRUE(VectorNear(GMPolygonNormal(even, GM_TOLERANCE), atY));
  EXPECT_FALSE(VectorNear(atY, GMTriangleNormal({0, 0, 0}, {1, 1, 1}, {0, 2, 0})));
}

TEST(PolygonNormal, SkipsTheMiddleOfARunAndRepeatedPoints) {
  // (2+5e-8, 1, 1) has the largest x, but both neighbours share its x within
  // the tolerance, so the run's end (2,0,0) is used.
  const GMPolygon run = Ring({{-1, 0, 0}, {2, 0, 0}, {2 + 5e-8, 1, 1}, {2, 2, 0}, {-1, 2, 0}});
  EXPECT_TRUE(VectorNear(GMPolygonNormal(run, GM_TOLERANCE), GMNormalize({0, -1, 1}, 0)));
  // Repeats of the extreme vertex are walked past to its distinct neighbours.
  const GMPolygon repeats =
      Ring({{0, 0, 0}, {4, 0, 0}, {4, 0, 0}, {4, 0, 0}, {4, 1, 0}, {4, 1, 0}, {0, 1, 0}});
  EXPECT_TRUE(VectorNear(GMPolygonNormal(repeats, GM_TOLERANCE), {0, 0, 1}));
}

TEST(PolygonPlane, ThroughFirstVertex) {
  GMPolygon lifted = kSquare;
  for (GMVector& p : lifted.points) p.z = 5;
  const GMPlane plane = GMPolygonPlane(lifted);
  EXPECT_DOUBLE_EQ(plane.nz, 1.0);
  EXPECT_DOUBLE_EQ(plane.d, -5.0);
}

TEST(PolygonPlanarity, OffPlaneUndefinedAndCollinearStarts) {
  EXPECT_EQ(GMIsPlanarPolygon(Ring({{0, 0, 0}, {1, 0, 5}, {0, 1, 9}}), GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsPlanarPolygon(samples::Place(kReflexFirst, 4), GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsPlanarPolygon(Ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 1e-3}, {0, 1, 0}}), GM_TOLERANCE), 0);
  EXPECT_EQ(GMIsPlanarPolygon(Ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {GM_UNDEFINED, 0, 0}}), GM_TOLERANCE), 0);
  // Repeats of vertex 0 and of the second vertex do not fix the plane.
  EXPECT_EQ(GMIsPlanarPolygon(Ring({{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}),
                              GM_TOLERANCE),
            1);
  // A third vertex on the line of the first two cannot fix the plane either;
  // the next one does, and the last vertex is tested against it.
  EXPECT_EQ(GMIsPlanarPolygon(Ring({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}), GM_TOLERANCE), 1);
  EXPECT_EQ(GMIsPlanarPolygon(Ring({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 1}}), GM_TOLERANCE), 0);
}

TEST(RemoveCollinearVertices, DropsStraightThroughKeepsSpikes) {
  const GMPolygonPtr cleaned =
      GMRemoveCollinearVertices(Ring({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}), GM_TOLERANCE);
  ASSERT_TRUE(cleaned);
  ASSERT_EQ(cleaned->Count(), 4);
  EXPECT_EQ((*cleaned)[0], (GMVector{0, 0, 0}));
  EXPECT_EQ((*cleaned)[1], (GMVector{2, 0, 0}));

  // A spike (the path turns right back) stays.
  const GMPolygon spiked =
      Ring({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {1, 2, 0}, {1, 3, 0}, {1, 2.5, 0}, {0, 2, 0}});
  const GMPolygonPtr kept = GMRemoveCollinearVertices(spiked, GM_TOLERANCE);
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->Count(), 7);

  // Between two zero-length edges a vertex goes; next to one it stays.
  const GMPolygonPtr doubled = GMRemoveCollinearVertices(
      Ring({{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}), GM_TOLERANCE);
  ASSERT_TRUE(doubled);
  EXPECT_EQ(doubled->Count(), 5);

  EXPECT_FALSE(GMRemoveCollinearVertices(Ring({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}), GM_TOLERANCE));
  EXPECT_FALSE(GMRemoveCollinearVertices(Ring({{0, 0, 0}, {1, 0, 0}}), GM_TOLERANCE));
}

TEST(InteriorPoint, TrianglesAndDegenerates) {
  const GMVector c = GMInteriorPoint(Ring({{0, 0, 0}, {3, 0, 0}, {0, 3, 0}}), GM_TOLERANCE, 0);
  EXPECT_TRUE(VectorNear(c, {1, 1, 0}, 1e-9));
  EXPECT_TRUE(GMIsUndefined(GMInteriorPoint(Ring({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}), GM_TOLERANCE, 0)));
  EXPECT_TRUE(GMIsUndefined(GMInteriorPoint(Ring({{0, 0, 0}, {0, 0, 0}, {2, 1, 0}}), GM_TOLERANCE, 0)));
  EXPECT_TRUE(GMIsUndefined(GMInteriorPoint(Ring({{0, 0, 0}, {1, 0, 0}}), GM_TOLERANCE, 0)));
}

TEST(InteriorPoint, PlanarModeFindsAPointStrictlyInside) {
  // A U: many corner triangles have centroids in the notch.
  const GMPolygon u = Ring({{0, 0, 0}, {3, 0, 0}, {3, 3, 0}, {2, 3, 0}, {2, 1, 0}, {1, 1, 0}, {1, 3, 0}, {0, 3, 0}});
  const GMVector p = GMInteriorPoint(u, GM_TOLERANCE, GM_INTERIOR_2D_CCW);
  ASSERT_FALSE(GMIsUndefined(p));
  EXPECT_EQ(GMPointInPolygon2D(u, p, 0, GM_TOLERANCE), 1);
  // On the first edge, the centroids with (3,3) and (2,3) fall on the
  // notch's corner and bottom edge, which count as outside; (2,1) gives one
  // strictly inside.
  EXPECT_TRUE(VectorNear(p, GMTriangleCentroid({0, 0, 0}, {3, 0, 0}, {2, 1, 0})));
  // Seen from below nothing turns counter-clockwise: no point.
  GMPolygon cw = kSquare;
  GMReversePolygon(cw);
  EXPECT_TRUE(GMIsUndefined(GMInteriorPoint(cw, GM_TOLERANCE, GM_INTERIOR_2D_CCW)));
}

TEST(InteriorPoint, AnyPlaneModeSkipsCollinearAndZeroLengthEdges) {
  // In a wall; the first corner is straight, so vertex 3 is the first partner.
  const GMPolygon wall = Ring({{0, 5, 0}, {1, 5, 0}, {2, 5, 0}, {2, 5, 2}, {0, 5, 2}});
  EXPECT_TRUE(VectorNear(GMInteriorPoint(wall, GM_TOLERANCE, GM_INTERIOR_ANY_PLANE),
                         GMTriangleCentroid({0, 5, 0}, {1, 5, 0}, {2, 5, 2})));
  // A zero-length first edge spans no triangle; the next edge is used.
  const GMPolygon repeated = Ring({{0, 0, 0}, {0, 0, 0}, {2, 0, 0}, {0, 2, 0}});
  EXPECT_TRUE(VectorNear(GMInteriorPoint(repeated, GM_TOLERANCE, GM_INTERIOR_ANY_PLANE),
                         GMTriangleCentroid({0, 0, 0}, {2, 0, 0}, {0, 2, 0})));
}

TEST(ProjectPolygon, ImageKeepsTurningSenseForEveryAxis) {
  // The square placed in every axis-aligned orientation, counter-clockwise
  // about its normal, gives a counter-clockwise image for the chosen axis.
  const GMVector normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  for (int want = 0; want < 6; ++want) {
    const GMVector n = normals[want];
    // Two in-plane directions u, v with u x v = n.
    const GMVector u = std::fabs(n.z) > 0.5 ? GMVector{1, 0, 0} : GMVector{0, 0, 1};
    const GMVector v = GMCross(n, u);
    GMPolygon ring;
    for (const auto& [s, t] : {std::pair{0.0, 0.0}, {2.0, 0.0}, {2.0, 1.0}, {0.0, 1.0}})
      ring.points.push_back({5 + s * u.x + t * v.x, 6 + s * u.y + t * v.y, 7 + s * u.z + t * v.z});
    ASSERT_TRUE(VectorNear(GMPolygonNormal(ring, GM_TOLERANCE), n)) << want;
    GMProjectionAxis axis = -1;
    const GMPolygonPtr image = GMProjectPolygonByOwnNormal(ring, axis);
    EXPECT_EQ(axis, want);
    ASSERT_TRUE(image);
    EXPECT_NEAR(GMPolygonArea2D(*image), 2.0, 1e-12) << "axis " << axis;
    for (const GMVector& p : image->points) EXPECT_EQ(p.z, 0.0);

    GMPolygon inPlace = ring;
    GMProjectionAxis axis2 = -1;
    GMProjectPolygonByOwnNormalInPlace(inPlace, axis2);
    EXPECT_EQ(axis2, want);
    EXPECT_EQ(inPlace.points, image->points);
  }
}
