// Point-in-polygon, point-in-triangle, segment against polygon, splitting a
// segment by polygons and the relation of two polygons.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "geometry/gm_lists.h"
#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_inside.h"
#include "geometry/gm_polygon_ops.h"
#include "geometry/gm_segment.h"
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

// --- the shortcuts against the rules ------------------------------------------------

namespace {

GMVector Flat(const GMVector& p) { return {p.x, p.y, 0.0}; }

// Ray casting exactly as the rules read, every edge asked.
int PointInPolygonByRules(const GMPolygon& polygon, const GMVector& pIn, int onBoundary, double tol) {
  const int n = polygon.Count();
  const GMVector p = Flat(pIn);
  double maxX = p.x;
  for (const GMVector& v : polygon.points) maxX = std::max(maxX, v.x);
  for (int i = 0; i < n; ++i)
    if (GMIsPointOnSegment(Flat(polygon[i]), Flat(polygon[(i + 1) % n]), p, tol)) return onBoundary != 0;
  GMVector e{maxX + 100.0, p.y, 0.0};
  int crossings = 0, turns = 0, raises = 0;
  for (int i = 0; i < n; ++i) {
    const GMVector a = Flat(polygon[i]), b = Flat(polygon[(i + 1) % n]);
    if (GMIsSamePoint(a, b, tol)) continue;
    GMVector hit;
    const int r = GMIntersectSegments2D(p, e, a, b, hit, tol);
    if (r == 0 && (GMIsSamePoint(hit, b, tol) || GMIsSamePoint(hit, a, tol))) {
      GMVector d = GMSubtract(p, e);
      GMRotate2D(d, 0.1, GM_TOLERANCE);
      e = {p.x + d.x, p.y + d.y, 0.0};
      if (++turns == 100) break;
      crossings = 0;
      i = -1;
    } else if (r == 0) {
      ++crossings;
    } else if (r == 2) {
      e.y += 1.0;
      if (++raises == 10000) break;
      crossings = 0;
      i = -1;
    }
  }
  return crossings % 2 == 1 ? 1 : 0;
}

// Splitting as the rules read, every edge asked.
std::vector<GMSegment> SplitByRules(const GMSegment& segment, const std::vector<GMPolygon>& polygons, double tol) {
  const GMVector s0 = Flat(segment.start), s1 = Flat(segment.end);
  CGMPointList cuts;
  cuts.SetTolerance(GM_LIST_UNIQUE, tol);
  cuts.AddPoint(s0);
  cuts.AddPoint(s1);
  for (const GMPolygon& polygon : polygons)
    for (int i = 0; i < polygon.Count(); ++i) {
      const GMVector e0 = Flat(polygon[i]), e1 = Flat(polygon[(i + 1) % polygon.Count()]);
      GMVector hit;
      const int r = GMIntersectSegments2D(s0, s1, e0, e1, hit, tol);
      if (r == 3) return {};
      if (r == 2) {
        if (GMIsPointOnSegment2D(s0, s1, e0, 1e-7, 1e-7)) cuts.AddPoint(e0);
        if (GMIsPointOnSegment2D(s0, s1, e1, 1e-7, 1e-7)) cuts.AddPoint(e1);
      } else if (r == 0) {
        for (const GMVector* end : {&s0, &s1, &e0, &e1})
          if (GMIsSamePoint(hit, *end, tol)) {
            hit = *end;
            break;
          }
        cuts.AddPoint(hit);
      }
    }
  cuts.SortByDistance(s0);
  std::vector<GMSegment> pieces;
  for (int i = 1; i < cuts.GetCount(); ++i) pieces.push_back({cuts.GetPoint(i - 1), cuts.GetPoint(i)});
  return pieces;
}

}  // namespace

// The edges passed over by bounds give the answers of asking every edge: for
// star-shaped and building-like rings with level and upright edges, at the
// origin and at site coordinates, for points anywhere, level with corners,
// on edges and just off them, and for segments crossing, touching and
// running along them.
TEST(PolygonShortcuts, AnswerAsAskingEveryEdge) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int inside = 0, cutMore = 0;
  for (int round = 0; round < 300; ++round) {
    GMPolygon ring = round % 3 == 0 ? samples::Footprint(rng, 3 + round % 5, round % 3)
                                    : samples::StarRing(rng, 5 + round % 20, round % 2 == 0);
    const double shift = round % 4 == 3 ? 40000.0 : 0.0;
    for (GMVector& p : ring.points) p = {p.x - shift, p.y + shift * 0.75, 0};
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (const GMVector& p : ring.points) {
      x0 = std::min(x0, p.x);
      y0 = std::min(y0, p.y);
      x1 = std::max(x1, p.x);
      y1 = std::max(y1, p.y);
    }
    const auto anywhere = [&] {
      return GMVector{x0 + (x1 - x0) * (1.4 * unit(rng) - 0.2), y0 + (y1 - y0) * (1.4 * unit(rng) - 0.2), 0};
    };
    for (int k = 0; k < 40; ++k) {
      GMVector p = anywhere();
      const GMVector& corner = ring[static_cast<int>(rng() % static_cast<unsigned>(ring.Count()))];
      const GMVector& next = ring[static_cast<int>((rng() + 1) % static_cast<unsigned>(ring.Count()))];
      if (k % 4 == 1) p.y = corner.y;
      if (k % 4 == 2) p = GMMidpoint(corner, next);
      // Just off an edge, at about the tolerance, where the reach of the
      // tests decides.
      if (k % 8 == 3) {
        p = GMMidpoint(corner, next);
        const double off = GM_TOLERANCE * (0.5 + 3.0 * unit(rng)) * (rng() % 2 ? 1 : -1);
        (rng() % 2 ? p.x : p.y) += off;
      }
      const int want = PointInPolygonByRules(ring, p, 1, GM_TOLERANCE);
      ASSERT_EQ(GMPointInPolygon2D(ring, p, 1, GM_TOLERANCE), want) << round << " " << k;
      ASSERT_EQ(GMPointInPolygon2D(ring, p, 0, GM_TOLERANCE), PointInPolygonByRules(ring, p, 0, GM_TOLERANCE));
      inside += want;
      GMSegment s{anywhere(), anywhere()};
      if (k % 5 == 0) s = {corner, anywhere()};
      if (k % 5 == 1) s = {corner, {corner.x + (next.x - corner.x) * 3, corner.y + (next.y - corner.y) * 3, 0}};
      const std::vector<GMPolygon> set{ring, Square(x0 + 1, y0 + 1, 2)};
      const std::vector<GMSegment> pieces = GMSplitSegmentByPolygons(s, set, GM_TOLERANCE);
      const std::vector<GMSegment> literal = SplitByRules(s, set, GM_TOLERANCE);
      ASSERT_EQ(pieces.size(), literal.size()) << round << " " << k;
      for (size_t i = 0; i < pieces.size(); ++i) {
        ASSERT_EQ(pieces[i].start, literal[i].start);
        ASSERT_EQ(pieces[i].end, literal[i].end);
      }
      cutMore += pieces.size() > 1 ? 1 : 0;
    }
  }
  EXPECT_GT(inside, 1000);
  EXPECT_GT(cutMore, 1000);
}
