// Point-in-polygon, point-in-triangle, segment against polygon, splitting a
// segment by polygons and the relation of two polygons.
#include <gtest/gtest.h>

#include "geometry/gm_polygon_inside.h"
#include "geometry/gm_polygon_ops.h"
#include "geometry/gm_vector.h"
#include "gm_expect.h"
#include "polygon_samples.h"

using samples::Ring;

namespace {
const GMPolygon kSquare = Ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});

GMPolygon Square(double x0, double y0, double size) {
  return Ring({{x0, y0, 0}, {x0 + size, y0, 0}, {x0 + size, y0 + size, 0}, {x0, y0 + size, 0}});
}
}  // namespace

TEST(PointInPolygon2D, InsideOutsideAndBoundary) {
  EXPECT_EQ(GMPointInPolygon2D(kSquare, {0.5, 0.5, 0}, 0, GM_TOLERANCE), 1);
  EXPECT_EQ(GMPointInPolygon2D(kSquare, {1.5, 0.5, 0}, 1, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPointInPolygon2D(kSquare, {-0.5, 0.5, 0}, 1, GM_TOLERANCE), 0);
  for (int onBoundary : {0, 1}) {
    EXPECT_EQ(GMPointInPolygon2D(kSquare, {1, 0.25, 0}, onBoundary, GM_TOLERANCE), onBoundary);
    EXPECT_EQ(GMPointInPolygon2D(kSquare, {0, 0.5, 0}, onBoundary, GM_TOLERANCE), onBoundary);
    EXPECT_EQ(GMPointInPolygon2D(kSquare, {1, 1, 0}, onBoundary, GM_TOLERANCE), onBoundary);
    EXPECT_EQ(GMPointInPolygon2D(kSquare, {0.5, 5e-8, 0}, onBoundary, GM_TOLERANCE), onBoundary);
  }
  // The ring's heights and the point's height play no part.
  const GMPolygon tilted = Ring({{0, 0, 3}, {1, 0, -2}, {1, 1, 8}, {0, 1, 0}});
  EXPECT_EQ(GMPointInPolygon2D(tilted, {0.5, 0.5, 40}, 0, GM_TOLERANCE), 1);
  // A repeated vertex (a zero-length edge) changes nothing.
  const GMPolygon repeated = Ring({{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  EXPECT_EQ(GMPointInPolygon2D(repeated, {0.5, 0.5, 0}, 0, GM_TOLERANCE), 1);
  EXPECT_EQ(GMPointInPolygon2D(repeated, {1.5, 0.5, 0}, 0, GM_TOLERANCE), 0);
}

TEST(PointInPolygon2D, RayThroughVerticesAndAlongEdges) {
  // The ray from these points passes exactly through the diamond's vertices.
  const GMPolygon diamond = Ring({{0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}});
  EXPECT_EQ(GMPointInPolygon2D(diamond, {-0.5, 0, 0}, 0, GM_TOLERANCE), 1);
  EXPECT_EQ(GMPointInPolygon2D(diamond, {0.5, 0, 0}, 0, GM_TOLERANCE), 1);
  EXPECT_EQ(GMPointInPolygon2D(diamond, {-2, 0, 0}, 1, GM_TOLERANCE), 0);

  // A roof with a notch whose bottom vertex (2,1) only touches the ray from
  // (0.5, 1); edges level with the ray from (2.5, 2) run along it.
  const GMPolygon notched = Ring({{0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {3, 2, 0}, {2, 1, 0}, {1, 2, 0}, {0, 2, 0}});
  EXPECT_EQ(GMPointInPolygon2D(notched, {0.5, 1, 0}, 0, GM_TOLERANCE), 1);
  EXPECT_EQ(GMPointInPolygon2D(notched, {2, 1.5, 0}, 0, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPointInPolygon2D(notched, {2, 2, 0}, 1, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPointInPolygon2D(notched, {-1, 2, 0}, 1, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPointInPolygon2D(notched, {3.5, 1, 0}, 0, GM_TOLERANCE), 1);
  // Level with the base, below it.
  EXPECT_EQ(GMPointInPolygon2D(notched, {-3, 0, 0}, 1, GM_TOLERANCE), 0);
}

TEST(PointInPolygon3D, OnThePlaneOnly) {
  // The unit square stood up in the plane x = 2, facing +x.
  const GMPolygon wall = Ring({{2, 0, 0}, {2, 1, 0}, {2, 1, 1}, {2, 0, 1}});
  EXPECT_EQ(GMPointInPolygon3D(wall, {2, 0.5, 0.5}, 0, GM_TOLERANCE), 1);
  EXPECT_EQ(GMPointInPolygon3D(wall, {2, 1.5, 0.5}, 1, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPointInPolygon3D(wall, {2.01, 0.5, 0.5}, 1, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPointInPolygon3D(wall, {2, 1, 0.5}, 1, GM_TOLERANCE), 1);
  EXPECT_EQ(GMPointInPolygon3D(wall, {2, 1, 0.5}, 0, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPointInPolygon3D(Ring({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}), {1, 1, 1}, 1, GM_TOLERANCE), 0);
}

TEST(PointInTriangle, AreasAddUp) {
  const GMVector a{0, 0, 1}, b{2, 0, 1}, c{0, 2, 3};
  EXPECT_EQ(GMPointInTriangle(a, b, c, GMTriangleCentroid(a, b, c), 0, GM_TOLERANCE), 1);
  EXPECT_EQ(GMPointInTriangle(a, b, c, {1.5, 1.5, 2.5}, 1, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPointInTriangle(a, b, c, {0.5, 0.5, 5}, 1, GM_TOLERANCE), 0);  // off the plane
  EXPECT_EQ(GMPointInTriangle(a, b, c, {1, 0, 1}, 0, GM_TOLERANCE), 0);
  EXPECT_EQ(GMPointInTriangle(a, b, c, {1, 0, 1}, 1, GM_TOLERANCE), 1);
  EXPECT_EQ(GMPointInTriangle(a, b, c, c, 1, GM_TOLERANCE), 1);
}

TEST(IntersectSegmentPolygon, EveryResultCode) {
  const GMPolygon floor = Square(0, 0, 2);
  GMVector hit;
  EXPECT_EQ(GMIntersectSegmentPolygon({1, 1, -1}, {1, 1, 1}, floor, hit, GM_TOLERANCE), 0);
  EXPECT_TRUE(VectorNear(hit, {1, 1, 0}));
  EXPECT_EQ(GMIntersectSegmentPolygon({2, 1, -1}, {2, 1, 1}, floor, hit, GM_TOLERANCE), 0);  // on an edge
  EXPECT_EQ(GMIntersectSegmentPolygon({3, 1, -1}, {3, 1, 1}, floor, hit, GM_TOLERANCE), 1);  // outside
  EXPECT_TRUE(VectorNear(hit, {3, 1, 0}));
  EXPECT_EQ(GMIntersectSegmentPolygon({1, 1, 1}, {1, 1, 2}, floor, hit, GM_TOLERANCE), 1);  // beyond
  EXPECT_EQ(GMIntersectSegmentPolygon({0, 0, 1}, {1, 1, 1}, floor, hit, GM_TOLERANCE), 2);
  EXPECT_EQ(GMIntersectSegmentPolygon({0, 0, 0}, {1, 1, 0}, floor, hit, GM_TOLERANCE), 3);
  EXPECT_EQ(GMIntersectSegmentPolygon({0, 0, -1}, {0, 0, 1}, Ring({{0, 0, 0}, {1, 0, 0}}), hit, GM_TOLERANCE),
            4);
  EXPECT_EQ(GMIntersectSegmentPolygon({0, 0, -1}, {0, 0, 1}, Ring({{1, 1, 0}, {1, 1, 0}, {1, 1, 0}}), hit,
                                      GM_TOLERANCE),
            4);
}

TEST(SplitSegmentByPolygons, PiecesInOrderFromTheStart) {
  const GMPolygon polygons[] = {Square(0, 0, 1), Square(2, 0, 1)};
  // Given from right to left, and with heights that are ignored.
  const std::vector<GMSegment> pieces = GMSplitSegmentByPolygons({{4, 0.5, 3}, {-1, 0.5, 3}}, polygons, GM_TOLERANCE);
  ASSERT_EQ(pieces.size(), 5u);
  const double xs[] = {4, 3, 2, 1, 0, -1};
  for (size_t i = 0; i < pieces.size(); ++i) {
    EXPECT_TRUE(VectorNear(pieces[i].start, {xs[i], 0.5, 0})) << i;
    EXPECT_TRUE(VectorNear(pieces[i].end, {xs[i + 1], 0.5, 0})) << i;
  }
}

TEST(SplitSegmentByPolygons, AlongEdgesThroughVerticesAndDegenerates) {
  const GMPolygon square[] = {Square(0, 0, 1)};
  // Along the bottom edge: cut at its ends, each once.
  std::vector<GMSegment> pieces = GMSplitSegmentByPolygons({{-1, 0, 0}, {2, 0, 0}}, square, GM_TOLERANCE);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0].end, (GMVector{0, 0, 0}));
  EXPECT_EQ(pieces[1].end, (GMVector{1, 0, 0}));
  // Through a vertex that the crossing only nearly hits: the piece ends
  // exactly at the vertex.
  const GMVector v{1.0 / 3.0, 1.0 / 3.0, 0};
  const GMPolygon wedge[] = {Ring({{1, 0, 0}, v, {0, 1, 0}, {1, 1, 0}})};
  pieces = GMSplitSegmentByPolygons({{0, 0, 0}, {1, 1, 0}}, wedge, GM_TOLERANCE);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].end, v);
  EXPECT_EQ(pieces[1].start, v);
  EXPECT_EQ(pieces[1].end, (GMVector{1, 1, 0}));
  // Untouched: one piece, the segment itself.
  pieces = GMSplitSegmentByPolygons({{5, 5, 0}, {6, 6, 0}}, square, GM_TOLERANCE);
  ASSERT_EQ(pieces.size(), 1u);
  // A polygon with a zero-length edge, or a zero-length segment: no pieces.
  const GMPolygon repeated[] = {Ring({{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}})};
  EXPECT_TRUE(GMSplitSegmentByPolygons({{-1, 0.5, 0}, {2, 0.5, 0}}, repeated, GM_TOLERANCE).empty());
  EXPECT_TRUE(GMSplitSegmentByPolygons({{0.5, 0.5, 0}, {0.5, 0.5, 0}}, square, GM_TOLERANCE).empty());
}

TEST(PolygonRelation, EveryCode) {
  const GMPolygon big = Square(0, 0, 4), small = Square(1, 1, 1);
  EXPECT_EQ(GMPolygonRelation(big, small, GM_TOLERANCE), GM_RELATION_B_IN_A);
  EXPECT_EQ(GMPolygonRelation(small, big, GM_TOLERANCE), GM_RELATION_A_IN_B);
  // Side by side along a whole edge, corner to corner, and far apart.
  EXPECT_EQ(GMPolygonRelation(Square(0, 0, 1), Square(1, 0, 1), GM_TOLERANCE), GM_RELATION_TOUCH);
  EXPECT_EQ(GMPolygonRelation(Square(0, 0, 1), Square(1, 1, 1), GM_TOLERANCE), GM_RELATION_TOUCH);
  EXPECT_EQ(GMPolygonRelation(Square(0, 0, 1), Square(5, 5, 1), GM_TOLERANCE), GM_RELATION_TOUCH);
  // Overlapping by half (edges collinear and crossing), and crossing properly.
  EXPECT_EQ(GMPolygonRelation(Square(0, 0, 2), Square(1, 0, 2), GM_TOLERANCE), GM_RELATION_OVERLAP);
  EXPECT_EQ(GMPolygonRelation(Square(0, 0, 2), Square(1, 1, 2), GM_TOLERANCE), GM_RELATION_OVERLAP);
  // The same square either way round lies within the other.
  GMPolygon reversed = Square(0, 0, 1);
  GMReversePolygon(reversed);
  EXPECT_EQ(GMPolygonRelation(Square(0, 0, 1), reversed, GM_TOLERANCE), GM_RELATION_A_IN_B);
}

TEST(PolygonRelation, TouchingAtVerticesAndAlongPartOfAnEdge) {
  // Inside, with one vertex on the outer square's edge.
  const GMPolygon outer = Square(0, 0, 4);
  const GMPolygon kite = Ring({{2, 0, 0}, {3, 1, 0}, {2, 2, 0}, {1, 1, 0}});
  EXPECT_EQ(GMPolygonRelation(kite, outer, GM_TOLERANCE), GM_RELATION_A_IN_B);
  EXPECT_EQ(GMPolygonRelation(outer, kite, GM_TOLERANCE), GM_RELATION_B_IN_A);
  // Outside, one vertex touching the square's edge.
  const GMPolygon below = Ring({{2, 0, 0}, {1, -1, 0}, {3, -1, 0}});
  EXPECT_EQ(GMPolygonRelation(below, outer, GM_TOLERANCE), GM_RELATION_TOUCH);
  EXPECT_EQ(GMPolygonRelation(outer, below, GM_TOLERANCE), GM_RELATION_TOUCH);
  // Two rooms of different lengths sharing part of a wall: a corner of each
  // lies inside the other's edge.
  const GMPolygon room = Ring({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}});
  const GMPolygon annex = Ring({{1, -1, 0}, {3, -1, 0}, {3, 0, 0}, {1, 0, 0}});
  EXPECT_EQ(GMPolygonRelation(room, annex, GM_TOLERANCE), GM_RELATION_TOUCH);
  EXPECT_EQ(GMPolygonRelation(annex, room, GM_TOLERANCE), GM_RELATION_TOUCH);
  // A small room set into the middle of a long wall from outside.
  const GMPolygon bay = Ring({{1, 1, 0}, {1.5, 1, 0}, {1.5, 2, 0}, {1, 2, 0}});
  EXPECT_EQ(GMPolygonRelation(room, bay, GM_TOLERANCE), GM_RELATION_TOUCH);
  EXPECT_EQ(GMPolygonRelation(bay, room, GM_TOLERANCE), GM_RELATION_TOUCH);
  // A concave polygon round a square that pokes out through its notch.
  const GMPolygon u = Ring({{0, 0, 0}, {3, 0, 0}, {3, 3, 0}, {2, 3, 0}, {2, 1, 0}, {1, 1, 0}, {1, 3, 0}, {0, 3, 0}});
  EXPECT_EQ(GMPolygonRelation(Ring({{1, 1, 0}, {2, 1, 0}, {2, 2, 0}, {1, 2, 0}}), u, GM_TOLERANCE),
            GM_RELATION_TOUCH);
  EXPECT_EQ(GMPolygonRelation(Ring({{0.5, 0.5, 0}, {2.5, 0.5, 0}, {2.5, 2, 0}, {0.5, 2, 0}}), u, GM_TOLERANCE),
            GM_RELATION_OVERLAP);
}
