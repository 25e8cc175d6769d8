#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "geometry/gm_lists.h"
#include "geometry/gm_vector.h"

namespace {

GMVector V(double x, double y, double z) { return {x, y, z}; }

TEST(PointList, DuplicateRejectionFollowsTheFlagAndTheClosedTolerance) {
  CGMPointList unique;
  unique.SetTolerance(GM_LIST_UNIQUE, GM_TOLERANCE);
  EXPECT_EQ(unique.AddPoint(V(5e-8, 0, 0)), 0);
  EXPECT_EQ(unique.AddPoint(V(0, 0, 0)), -1);
  EXPECT_EQ(unique.GetCount(), 1);
  // Per axis, not by distance: 0.9e-7 on every axis is still the same point.
  EXPECT_EQ(unique.AddPoint(V(5e-8 + 0.9e-7, 0.9e-7, -0.9e-7)), -1);
  EXPECT_EQ(unique.AddPoint(V(5e-8 + 1.1e-7, 0, 0)), 1);

  CGMPointList any;
  any.SetTolerance(0, GM_TOLERANCE);
  EXPECT_EQ(any.AddPoint(V(5e-8, 0, 0)), 0);
  EXPECT_EQ(any.AddPoint(V(0, 0, 0)), 1);
}

TEST(PointList, FindPointProbesEndsAndCursorFirst) {
  CGMPointList list;
  list.SetTolerance(0, 0.5);
  for (int i = 0; i < 8; ++i) list.AddPoint(V(i, 0, 0));
  EXPECT_EQ(list.FindPoint(V(7.4, 0, 0)), 7);
  EXPECT_EQ(list.FindPoint(V(9, 0, 0)), -1);
  // 2.5 is within 0.5 of both 2 and 3; with the cursor at 4, index 3 is probed
  // (as the cursor's predecessor) before the walk would reach 2.
  list.GetPoint(4);
  EXPECT_EQ(list.FindPoint(V(2.5, 0, 0)), 3);
  list.GetPoint(0);
  EXPECT_EQ(list.FindPoint(V(2.5, 0, 0)), 2);
  EXPECT_EQ(list.FindId(6), 6);
  EXPECT_EQ(list.FindId(60), -1);
}

TEST(PointList, InsertRemoveAndBadIndices) {
  CGMPointList list;
  list.SetTolerance(GM_LIST_UNIQUE, GM_TOLERANCE);
  list.AddPoint(V(0, 0, 0));
  list.AddPoint(V(2, 0, 0));
  EXPECT_EQ(list.InsertPoint(1, V(1, 0, 0)), 1);
  EXPECT_EQ(list.InsertPoint(1, V(2, 0, 0)), -1);  // a duplicate
  EXPECT_EQ(list.InsertPoint(3, V(3, 0, 0)), -1);  // never appends
  EXPECT_EQ(list.GetPoint(1), V(1, 0, 0));
  EXPECT_THROW(list.GetPoint(3), CListError);
  list.RemoveAt(1);
  EXPECT_EQ(list.AddPoint(V(1, 0, 0)), 2);  // accepted again once removed
  list.RemoveAll();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.AddPoint(V(1, 0, 0)), 0);
}

// The hash grid that speeds up duplicate rejection on long lists must say
// exactly what the plain comparison with every listed point says.
TEST(PointList, LongListsRejectExactlyWhatAScanRejects) {
  for (double tol : {GM_TOLERANCE, 0.0, 0.25}) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(-3.0, 3.0);
    std::uniform_int_distribution<int> pick(0, 9);
    std::vector<GMVector> accepted;
    CGMPointList list;
    list.SetTolerance(GM_LIST_UNIQUE, tol);
    for (int n = 0; n < 3000; ++n) {
      GMVector p;
      if (!accepted.empty() && pick(rng) < 4) {
        // Near an earlier point: on, inside or just outside the tolerance per axis.
        p = accepted[std::uniform_int_distribution<size_t>(0, accepted.size() - 1)(rng)];
        const double offsets[] = {0.0, tol, -tol, tol * 0.999, tol * 1.001, tol + 1e-9};
        p.x += offsets[pick(rng) % 6];
        p.y -= offsets[pick(rng) % 6];
        p.z += offsets[pick(rng) % 6];
      } else {
        // Coarse coordinates put many points on the cell walls of the grid.
        p = V(std::round(coord(rng) * 4) / 4, std::round(coord(rng) * 4) / 4, coord(rng));
      }
      bool duplicate = false;
      for (const GMVector& q : accepted) duplicate = duplicate || GMIsSamePoint(q, p, tol);
      const int r = list.AddPoint(p);
      ASSERT_EQ(r < 0, duplicate) << "point " << n << " tol " << tol;
      if (!duplicate) accepted.push_back(p);
      if (n % 500 == 250 && list.GetCount() > 3) {
        // Removal must leave the grid in step with the list.
        const GMVector gone = list.GetPoint(1);
        list.RemoveAt(1);
        accepted.erase(accepted.begin() + 1);
        const int countBefore = list.GetCount();
        EXPECT_EQ(list.AddPoint(gone), countBefore);
        accepted.push_back(gone);
      }
    }
    EXPECT_EQ(list.GetCount(), static_cast<int>(accepted.size()));
  }
}

TEST(PointList, UndefinedAndHugeCoordinatesDoNotUpsetTheGrid) {
  CGMPointList list;
  list.SetTolerance(GM_LIST_UNIQUE, GM_TOLERANCE);
  for (int i = 0; i < 40; ++i) list.AddPoint(V(i, i * 2.0, 0));
  EXPECT_GE(list.AddPoint(GMUndefinedVector()), 0);
  EXPECT_EQ(list.AddPoint(GMUndefinedVector()), -1);
  EXPECT_GE(list.AddPoint(V(-1e300, 1e300, 0)), 0);
  EXPECT_EQ(list.AddPoint(V(-1e300, 1e300, 0)), -1);
  EXPECT_GE(list.AddPoint(V(1e15, 0, 0)), 0);
  EXPECT_EQ(list.AddPoint(V(1e15, 0, 0)), -1);
  EXPECT_GE(list.AddPoint(V(1e15 + 0.125, 0, 0)), 0);  // the next double up, far beyond the tolerance
}

TEST(PointList, SortByDistanceMovesCoordinatesAndIds) {
  CGMPointList list;
  list.AddPoint(V(3, 0, 0));
  list.AddPoint(V(1, 0, 0));
  list.AddPoint(V(2, 0, 0));
  const void* storage0 = list.GetAt(0);
  list.SortByDistance(V(0, 0, 0));
  EXPECT_EQ(list.GetPoint(0), V(1, 0, 0));
  EXPECT_EQ(list.GetPoint(1), V(2, 0, 0));
  EXPECT_EQ(list.GetPoint(2), V(3, 0, 0));
  EXPECT_EQ(list.GetIdAt(0), 1);
  EXPECT_EQ(list.GetIdAt(1), 2);
  EXPECT_EQ(list.GetIdAt(2), 0);
  EXPECT_EQ(list.GetAt(0), storage0);  // the storage stays with its link

  // Equal distances keep their order.
  CGMPointList ties;
  ties.AddPoint(V(0, 2, 0));
  ties.AddPoint(V(1, 0, 0));
  ties.AddPoint(V(2, 0, 0));
  ties.AddPoint(V(-1, 0, 0));
  ties.SortByDistance(V(0, 0, 0));
  EXPECT_EQ(ties.GetPoint(0), V(1, 0, 0));
  EXPECT_EQ(ties.GetPoint(1), V(-1, 0, 0));
  EXPECT_EQ(ties.GetPoint(2), V(0, 2, 0));
  EXPECT_EQ(ties.GetPoint(3), V(2, 0, 0));
}

TEST(PointList, ToPolygonDropsRepeatsOfTheSuccessor) {
  CGMPointList list;
  list.SetTolerance(0, GM_TOLERANCE);
  list.AddPoint(V(0, 0, 0));
  list.AddPoint(V(0, 0, 0));
  EXPECT_EQ(list.ToPolygon(), nullptr);
  list.AddPoint(V(1, 0, 0));
  list.AddPoint(V(1, 1, 0));
  GMPolygonPtr ring = list.ToPolygon();
  ASSERT_NE(ring, nullptr);
  ASSERT_EQ(ring->Count(), 3);
  EXPECT_EQ((*ring)[0], V(0, 0, 0));
  EXPECT_EQ((*ring)[2], V(1, 1, 0));
  // A closing repeat of the first point is dropped as well.
  list.AddPoint(V(0, 0, 5e-8));
  EXPECT_EQ(list.ToPolygon()->Count(), 3);
}

TEST(LineList, ReversedSegmentsAreDuplicatesUnlessDirected) {
  CGMLineList lines;
  lines.SetTolerance(GM_LIST_UNIQUE, GM_TOLERANCE);
  EXPECT_EQ(lines.AddLine(V(0, 0, 0), V(1, 0, 0)), 0);
  EXPECT_EQ(lines.AddLine(V(1, 0, 0), V(0, 0, 0)), -1);
  EXPECT_EQ(lines.AddLine(V(0, 0, 5e-8), V(1, 0, 0)), -1);

  CGMLineList directed;
  directed.SetTolerance(GM_LIST_UNIQUE | GM_LIST_DIRECTED, GM_TOLERANCE);
  EXPECT_EQ(directed.AddLine(V(0, 0, 0), V(1, 0, 0)), 0);
  EXPECT_EQ(directed.AddLine(V(1, 0, 0), V(0, 0, 0)), 1);
  EXPECT_EQ(directed.AddLine(V(0, 0, 0), V(1, 0, 0)), -1);
  EXPECT_EQ(directed.FindLine(V(1, 0, 0), V(0, 0, 0), 0), 1);
  EXPECT_EQ(directed.FindLine(V(1, 0, 0), V(0, 0, 0), 1), 0);
}

TEST(LineList, LinesAtPointInListOrder) {
  CGMLineList lines;
  lines.SetTolerance(0, GM_TOLERANCE);
  lines.AddLine(V(0, 0, 0), V(1, 0, 0));
  lines.AddLine(V(5, 5, 0), V(6, 6, 0));
  lines.AddLine(V(1, 1, 0), V(0, 0, 0));
  EXPECT_EQ(lines.LinesAtPoint(V(0, 0, 0)), (std::vector<int>{0, 2}));
  EXPECT_TRUE(lines.LinesAtPoint(V(9, 9, 0)).empty());
  EXPECT_EQ(lines.GetLine(2).end, V(0, 0, 0));
  lines.RemoveAt(0);
  EXPECT_EQ(lines.LinesAtPoint(V(0, 0, 0)), (std::vector<int>{1}));
}

TEST(PolygonList, CopiesRefusesDuplicatesAndConverts) {
  const std::vector<GMVector> square{V(0, 0, 0), V(1, 0, 0), V(1, 1, 0), V(0, 1, 0)};
  GMPolygonPtr a = GMNewPolygon(square);
  // The same ring started at another vertex.
  const std::vector<GMVector> rotated{square[2], square[3], square[0], square[1]};
  GMPolygonPtr b = GMNewPolygon(rotated);

  CGMPolygonList list;
  list.SetTolerance(GM_LIST_UNIQUE, GM_TOLERANCE);
  EXPECT_EQ(list.ToPolygonSet(), nullptr);
  EXPECT_EQ(list.AddPolygonCopy(a.get()), 0);
  EXPECT_EQ(list.AddPolygonCopy(b.get()), -1);
  EXPECT_EQ(list.AddPolygonCopy(nullptr), -1);
  a->points[0].x = 9;  // the list holds its own copy
  EXPECT_EQ((*list.GetPolygon(0))[0], V(0, 0, 0));
  EXPECT_EQ(list.AddPolygonCopy(a.get()), 1);

  GMPolygonSetPtr set = list.ToPolygonSet();
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(set->Count(), 2);
  EXPECT_EQ((*set)[1][0], V(9, 0, 0));
  list.RemoveAll();
  EXPECT_EQ(list.GetCount(), 0);
}

TEST(NumList, FindNumberIsClosedAtTheTolerance) {
  CNumList numbers;
  numbers.AddNumber(0.50000009);
  EXPECT_EQ(numbers.FindNumber(0.5), 0);
  CNumList far;
  far.AddNumber(0.5000002);
  EXPECT_EQ(far.FindNumber(0.5), -1);
}

TEST(NumList, SortNumbersCarriesIdsAndKeepsTies) {
  CNumList numbers;
  numbers.AddNumber(3);
  numbers.AddNumber(1);
  numbers.AddNumber(2);
  numbers.SetIdAt(0, 30);
  numbers.SetIdAt(1, 10);
  numbers.SetIdAt(2, 20);
  numbers.SortNumbers();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(numbers.GetNumber(i), i + 1);
    EXPECT_EQ(numbers.GetIdAt(i), (i + 1) * 10);
  }

  CNumList ties;
  const double values[] = {2, 1, 2, 1, 0};
  for (int i = 0; i < 5; ++i) {
    ties.AddNumber(values[i]);
    ties.SetIdAt(i, i);
  }
  ties.SortNumbers();
  const int expectedIds[] = {4, 1, 3, 0, 2};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ties.GetIdAt(i), expectedIds[i]) << i;
}

}  // namespace
