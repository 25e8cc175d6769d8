// Ear-clipping triangulation: exact orders on small rings, refusals, spikes,
// backtracking, invariants on generated faces, and sameness of the fast
// clipper with the step-by-step point-list version.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "geometry/gm_lists.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_triangulate.h"
#include "triangulate_reference.h"
#include "geometry/gm_vector.h"
#include "gm_expect.h"
#include "polygon_samples.h"

using samples::Ring;

namespace {

using Triangulator = GMPolygonSetPtr (*)(const GMPolygon&, double);

// Every case runs against both implementations.
class Triangulate : public ::testing::TestWithParam<Triangulator> {
 protected:
  GMPolygonSetPtr Run(const GMPolygon& ring) const { return GetParam()(ring, GM_TOLERANCE); }
};

::testing::AssertionResult HasTriangles(const GMPolygonSet* set, std::initializer_list<GMPolygon> want) {
  if (!set) return ::testing::AssertionFailure() << "no set";
  if (set->Count() != static_cast<int>(want.size()))
    return ::testing::AssertionFailure() << set->Count() << " triangles, want " << want.size();
  int t = 0;
  for (const GMPolygon& w : want) {
    if ((*set)[t].points != w.points) return ::testing::AssertionFailure() << "triangle " << t << " differs";
    ++t;
  }
  return ::testing::AssertionSuccess();
}

// Newell's area vector: half its length is the area of a planar ring, and it
// points along the ring's normal.
GMVector AreaVector(const GMPolygon& ring) {
  GMVector s{0, 0, 0};
  const int n = ring.Count();
  for (int i = 0; i < n; ++i) {
    const GMVector& p = ring[i];
    const GMVector& q = ring[(i + 1) % n];
    s.x += (p.y - q.y) * (p.z + q.z);
    s.y += (p.z - q.z) * (p.x + q.x);
    s.z += (p.x - q.x) * (p.y + q.y);
  }
  return {s.x * 0.5, s.y * 0.5, s.z * 0.5};
}

TEST_P(Triangulate, SmallRingsInTheirExactOrder) {
  const GMPolygon triangle = Ring({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  EXPECT_TRUE(HasTriangles(Run(triangle).get(), {triangle}));

  const GMPolygonSetPtr square = Run(Ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));
  EXPECT_TRUE(HasTriangles(square.get(), {Ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}),
                                          Ring({{1, 1, 0}, {0, 1, 0}, {0, 0, 0}})}));

  // An L: the diagonal (0,2)-(2,0) of the second front corner passes
  // through the reflex vertex (1,1), so that corner is passed over.
  const GMPolygonSetPtr l = Run(Ring({{1, 1, 0}, {1, 2, 0}, {0, 2, 0}, {0, 0, 0}, {2, 0, 0}, {2, 1, 0}}));
  EXPECT_TRUE(HasTriangles(l.get(), {Ring({{1, 1, 0}, {1, 2, 0}, {0, 2, 0}}),
                                     Ring({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}}),
                                     Ring({{1, 1, 0}, {0, 2, 0}, {0, 0, 0}}),
                                     Ring({{0, 0, 0}, {2, 1, 0}, {1, 1, 0}})}));
}

TEST_P(Triangulate, RefusesRepeatedAndUndefinedPoints) {
  EXPECT_FALSE(Run(Ring({{0, 0, 0}, {1, 0, 0}})));
  // A hole joined by a bridge walked both ways visits two points twice.
  const GMPolygon bridged = Ring({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {0, 0, 0}, {1, 1, 0}, {1, 2, 0},
                                  {2, 2, 0}, {2, 1, 0}, {1, 1, 0}});
  EXPECT_FALSE(Run(bridged));
  // Within the tolerance counts as the same point.
  EXPECT_FALSE(Run(Ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {5e-8, 1e-8, 0}})));
  EXPECT_FALSE(Run(Ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, GM_UNDEFINED}})));
  // Just beyond the tolerance it is a distinct point.
  EXPECT_TRUE(Run(Ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2e-7, 0.5, 0}})));
}

TEST_P(Triangulate, SpikesAreNotCutAndSliversAreDropped) {
  // Front corner (1,0) (2,0) (0,0) passes the ear test with its diagonal
  // along an edge; the zero-area triangle is dropped and (2,0) still goes.
  EXPECT_TRUE(HasTriangles(Run(Ring({{1, 0, 0}, {2, 0, 0}, {0, 0, 0}, {1, 1, 0}})).get(),
                           {Ring({{0, 0, 0}, {1, 1, 0}, {1, 0, 0}})}));
  // Front corner (0,0) (2,0) (1,0) is a spike (both sides leave (0,0) the
  // same way) and is passed over. The closing triangle is kept even though
  // it is flat.
  EXPECT_TRUE(HasTriangles(Run(Ring({{0, 0, 0}, {2, 0, 0}, {1, 0, 0}, {1, 1, 0}})).get(),
                           {Ring({{1, 0, 0}, {1, 1, 0}, {0, 0, 0}}), Ring({{0, 0, 0}, {2, 0, 0}, {1, 0, 0}})}));
}

TEST_P(Triangulate, BacktracksWhenNoEarIsLeft) {
  // A bow tie has no ear at all: after as many empty turns as it has points
  // the first three points close it.
  EXPECT_TRUE(HasTriangles(Run(Ring({{1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {1, 1, 0}})).get(),
                           {Ring({{1, 0, 0}, {0, 1, 0}, {0, 0, 0}})}));
  // One ear, (1,1) (2,0.5) (1,0), leaves a bow tie. A full turn without an ear
  // puts (2,0.5) back at position 1 of the ring, which by then starts at
  // (1,0), and drops the triangle; no ear follows, and after five backtracks
  // the closing triangle is taken from where the ring then starts.
  EXPECT_TRUE(HasTriangles(Run(Ring({{1, 1, 0}, {2, 0.5, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}})).get(),
                           {Ring({{1, 0, 0}, {2, 0.5, 0}, {0, 1, 0}})}));
}

TEST_P(Triangulate, SimpleFacesAreCoveredExactly) {
  std::mt19937 rng(7);
  for (int i = 0; i < 300; ++i) {
    GMPolygon ring;
    switch (i % 3) {
      case 0: ring = samples::StarRing(rng, 4 + i % 37, false); break;
      case 1: ring = samples::StarRing(rng, 4 + i % 37, true); break;
      default: ring = samples::Footprint(rng, 1 + i % 18, i % 3); break;
    }
    const GMPolygon face = samples::Place(ring, i / 3);
    const GMPolygonSetPtr set = Run(face);
    ASSERT_TRUE(set) << i;
    const GMVector normal = GMPolygonNormal(face, GM_TOLERANCE);
    const double area = GMLength(AreaVector(face));
    double sum = 0;
    int flat = 0;
    for (const GMPolygon& t : set->polygons) {
      ASSERT_EQ(t.Count(), 3);
      const GMVector cross = GMCross(GMSubtract(t[0], t[1]), GMSubtract(t[0], t[2]));
      const double part = 0.5 * GMLength(cross);
      sum += part;
      // The closing triangle is kept even when the last three points of a
      // footprint lie on one line; a flat triangle has no direction to check.
      if (part <= 1e-9 * (1 + area)) {
        ++flat;
        continue;
      }
      EXPECT_GT(GMDot(GMTriangleNormal(t[0], t[1], t[2]), normal), 1 - 1e-9) << "face " << i;
    }
    EXPECT_NEAR(sum, area, 1e-9 * (1 + area)) << "face " << i;
    if (i % 3 != 2) {  // no collinear vertices: a full cover, nothing flat
      EXPECT_EQ(set->Count(), face.Count() - 2) << "face " << i;
      EXPECT_EQ(flat, 0) << "face " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Clipper, Triangulate,
                         ::testing::Values(&GMTriangulate, &gm_detail::TriangulateByPointList),
                         [](const auto& info) { return info.index == 0 ? "Linked" : "PointList"; });

// The fast clipper and the point-list version agree to the last bit, on
// simple faces in every placement and on tangled rings that force
// backtracking.
TEST(TriangulateSameness, LinkedRingMatchesPointList) {
  std::mt19937 rng(2024);
  int shortCuts = 0, tangled = 0;
  for (int i = 0; i < 2400; ++i) {
    GMPolygon ring;
    const int n = std::uniform_int_distribution<int>(4, 40)(rng);
    switch (i % 5) {
      case 0: ring = samples::StarRing(rng, n, false); break;
      case 1: ring = samples::StarRing(rng, n, true); break;
      case 2: ring = samples::Footprint(rng, 1 + n / 2 - 2, i % 3); break;
      case 3: ring = samples::StarRing(rng, n, true, 1e-3); break;  // millimetre detail
      default:
        ring = samples::TangledRing(rng, 4 + n % 9);
        ++tangled;
        break;
    }
    if (i % 7 == 3) {
      // A second vertex right beside another one: within the tolerance (the
      // ring is refused) or just beyond it (a tiny edge).
      const size_t at = static_cast<size_t>(i) % ring.points.size();
      GMVector twin = ring.points[at];
      twin.x += (i % 2 == 0) ? 5e-8 : 3e-7;
      ring.points.insert(ring.points.begin() + static_cast<long>(at) + 1, twin);
    }
    const GMPolygon face = samples::Place(ring, i / 5);
    const GMPolygonSetPtr fast = GMTriangulate(face, GM_TOLERANCE);
    const GMPolygonSetPtr reference = gm_detail::TriangulateByPointList(face, GM_TOLERANCE);
    ASSERT_EQ(fast == nullptr, reference == nullptr) << "ring " << i;
    if (!fast) continue;
    ASSERT_EQ(fast->Count(), reference->Count()) << "ring " << i;
    for (int t = 0; t < fast->Count(); ++t) ASSERT_EQ((*fast)[t].points, (*reference)[t].points) << "ring " << i;
    if (i % 5 == 4 && fast->Count() < face.Count() - 2) ++shortCuts;
  }
  // Tangled rings must have exercised backtracking (fewer triangles than a
  // full cover) often enough to count.
  EXPECT_GT(shortCuts, tangled / 10);
}

// Large rings take the local ear test where they are plain; its triangles
// are those of the ring-by-ring clipper to the last bit, and rings that are
// not plain (tangled, or with two vertices a hair apart) are left to it.
TEST(TriangulateSameness, LargePlainRingsGiveTheSameTrianglesByTheLocalTest) {
  std::mt19937 rng(4711);
  int plain = 0, candidates = 0;
  for (int i = 0; i < 120; ++i) {
    const int n = std::uniform_int_distribution<int>(64, 400)(rng);
    GMPolygon ring;
    bool simple = true;
    switch (i % 5) {
      case 0: ring = samples::StarRing(rng, n, false); break;
      case 1: ring = samples::StarRing(rng, n, true); break;
      case 2: ring = samples::Footprint(rng, n / 2, i % 4); break;
      case 3: ring = samples::StarRing(rng, n, true, 1.0); break;  // two metres across
      default:
        ring = samples::TangledRing(rng, n);
        simple = false;
        break;
    }
    if (i % 11 == 7) {
      // A vertex just beyond the tolerance from its neighbour.
      GMVector twin = ring.points[5];
      twin.x += 3e-7;
      ring.points.insert(ring.points.begin() + 6, twin);
      simple = false;
    }
    const GMPolygon face = samples::Place(ring, i / 5);
    const GMPolygonSetPtr reference = gm_detail::TriangulateRingByRing(face, GM_TOLERANCE);
    const GMPolygonSetPtr local = gm_detail::TriangulatePlainRing(face, GM_TOLERANCE);
    const GMPolygonSetPtr chosen = GMTriangulate(face, GM_TOLERANCE);
    ASSERT_TRUE(reference) << "ring " << i;
    ASSERT_TRUE(chosen) << "ring " << i;
    if (!simple) {
      EXPECT_FALSE(local) << "ring " << i << " is not plain";
    } else {
      ++candidates;
      if (local) {
        ++plain;
        ASSERT_EQ(local->Count(), reference->Count()) << "ring " << i;
        for (int t = 0; t < local->Count(); ++t)
          ASSERT_EQ((*local)[t].points, (*reference)[t].points) << "ring " << i << " triangle " << t;
      }
    }
    ASSERT_EQ(chosen->Count(), reference->Count()) << "ring " << i;
    for (int t = 0; t < chosen->Count(); ++t) ASSERT_EQ((*chosen)[t].points, (*reference)[t].points) << "ring " << i;
  }
  // Nearly every simple ring is plain; otherwise the local test would be
  // tested on too few.
  EXPECT_GT(plain, candidates * 9 / 10) << plain << " of " << candidates;
}

// A ring the clipper cannot finish within its budget: an untidy site
// outline (one vertex a hair beside another, so not plain) is finished by
// the local test and still covered exactly; a tangled ring of thousands of
// random points, once a matter of minutes, ends with triangles of its own
// corners and says that it gave up.
TEST(TriangulateBudget, RingsBeyondTheBudgetEndCoveredOrClosed) {
  GMPolygon outline = samples::SurveyedOutline(8000);
  GMVector twin = outline.points[5];
  twin.x += 3e-7;
  outline.points.insert(outline.points.begin() + 6, twin);
  GMTriangulateStatus status = GMTriangulateStatus::kGaveUp;
  const GMPolygonSetPtr covered = GMTriangulateWithStatus(outline, GM_TOLERANCE, status);
  ASSERT_TRUE(covered);
  EXPECT_EQ(status, GMTriangulateStatus::kDone);
  const double area = GMLength(AreaVector(outline));
  double sum = 0;
  for (const GMPolygon& t : covered->polygons) {
    ASSERT_EQ(t.Count(), 3);
    const GMVector cross = GMCross(GMSubtract(t[1], t[0]), GMSubtract(t[2], t[0]));
    EXPECT_GE(cross.z, -1e-9) << "a triangle turned over";
    sum += 0.5 * GMLength(cross);
  }
  EXPECT_NEAR(sum, area, 1e-6 * area);
  // Slivers along the noisy boundary are dropped, nothing else.
  EXPECT_GT(covered->Count(), outline.Count() - 2 - outline.Count() / 100);

  std::mt19937 rng(5);
  const GMPolygon tangled = samples::TangledRing(rng, 3000);
  const GMPolygonSetPtr closed = GMTriangulateWithStatus(tangled, GM_TOLERANCE, status);
  ASSERT_TRUE(closed);
  // Most of the face is missing, and the caller is told.
  EXPECT_EQ(status, GMTriangulateStatus::kGaveUp);
  EXPECT_LT(closed->Count(), tangled.Count() / 10);
  ASSERT_GE(closed->Count(), 1);
  EXPECT_LE(closed->Count(), tangled.Count() - 2);
  for (const GMPolygon& t : closed->polygons) {
    ASSERT_EQ(t.Count(), 3);
    for (const GMVector& p : t.points)
      EXPECT_NE(std::find(tangled.points.begin(), tangled.points.end(), p), tangled.points.end());
  }
}

TEST(IsEar, OnAPointListRing) {
  auto ring = [](std::initializer_list<GMVector> points) {
    auto list = std::make_unique<CGMPointList>();
    list->SetTolerance(GM_LIST_UNIQUE, GM_TOLERANCE);
    for (const GMVector& p : points) list->AddPoint(p);
    return list;
  };
  // Convex corner of a square: an ear.
  EXPECT_EQ(GMIsEar(*ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}), GM_TOLERANCE), 0);
  // Reflex corner at the front: its diagonal runs outside.
  EXPECT_EQ(GMIsEar(*ring({{2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}, {0, 0, 0}, {2, 0, 0}}), GM_TOLERANCE), 1);
  // Straight-through corner: collinear sides.
  EXPECT_EQ(GMIsEar(*ring({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}), GM_TOLERANCE), 1);
  // Convex corner whose diagonal passes through another vertex.
  EXPECT_EQ(GMIsEar(*ring({{0, 0, 0}, {2, -1, 0}, {4, 0, 0}, {4, 2, 0}, {2, 0, 0}, {0, 2, 0}}), GM_TOLERANCE), 1);
  // Convex corner whose diagonal crosses an edge that dips into the triangle.
  EXPECT_EQ(GMIsEar(*ring({{0, 0, 0}, {2, -2, 0}, {4, 0, 0}, {4, 2, 0}, {2, -1, 0}, {0, 2, 0}}), GM_TOLERANCE), 1);
  // The same corner in a wall facing -y.
  EXPECT_EQ(GMIsEar(*ring({{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}), GM_TOLERANCE), 0);
}

}  // namespace
