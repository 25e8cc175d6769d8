// The kernel's tolerance grid may only make searches faster: every entry the
// per-axis tolerance test calls near must be handed back, whatever the
// tolerance, the number of coordinates or where the points lie.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include "geometry/gm_near_grid.h"
#include "geometry/gm_vector.h"

namespace {

template <int N>
bool Near(const std::array<double, N>& a, const std::array<double, N>& b, double tol) {
  for (int k = 0; k < N; ++k)
    if (!GMIsNear(a[k], b[k], tol)) return false;
  return true;
}

// Fills a grid with points on and beside its cell walls, near and far from
// the origin, and compares every query with a scan of all entries.
template <int N>
void ExpectNoNearEntryMissed(double tol, double scale) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> coord(-4.0, 4.0);
  std::uniform_int_distribution<int> pick(0, 5);
  CGMNearGrid<N> grid(tol);
  std::vector<std::array<double, N>> points;
  for (int n = 0; n < 1000; ++n) {
    std::array<double, N> p{};
    if (!points.empty() && pick(rng) < 3) {
      // An earlier point moved on, inside or just outside the tolerance.
      p = points[std::uniform_int_distribution<size_t>(0, points.size() - 1)(rng)];
      const double offsets[] = {0.0, tol, -tol, tol * 0.999, -tol * 1.001, tol * 2};
      for (double& v : p) v += offsets[pick(rng)];
    } else {
      // Multiples of the tolerance put points right on the walls of the cells.
      for (double& v : p)
        v = scale + (std::isfinite(tol) && tol > 0 ? std::round(coord(rng) * 20) * tol : coord(rng));
    }
    std::set<int32_t> found;
    grid.ForEachCandidate(p, [&](int32_t id) { found.insert(id); });
    for (size_t i = 0; i < points.size(); ++i) {
      if (Near<N>(points[i], p, tol)) {
        ASSERT_TRUE(found.count(static_cast<int32_t>(i))) << "N " << N << " tol " << tol << " point " << n;
      }
    }
    grid.Insert(p, static_cast<int32_t>(points.size()));
    points.push_back(p);
  }
  EXPECT_EQ(grid.Size(), points.size());
}

}  // namespace

TEST(NearGrid, HandsBackEveryNearEntry) {
  for (const double tol : {1e-7, 0.25, 0.0, 3.0, 1e300, std::numeric_limits<double>::infinity()}) {
    for (const double scale : {0.0, 1e7, -3e12}) {
      ExpectNoNearEntryMissed<2>(tol, scale);
      ExpectNoNearEntryMissed<3>(tol, scale);
      ExpectNoNearEntryMissed<4>(tol, scale);
    }
  }
}

TEST(NearGrid, EraseResetAndAnEarlyStop) {
  CGMNearGrid<3, GMVector> grid(0.5);
  const GMVector a{1, 2, 3}, b{1.25, 2, 3}, far{40, 0, 0};
  for (const GMVector& p : {a, b, far}) grid.Insert({p.x, p.y, p.z}, p);
  auto near = [&](const GMVector& q) {
    std::vector<GMVector> seen;
    grid.ForEachCandidate({q.x, q.y, q.z}, [&](const GMVector& v) {
      if (GMIsSamePoint(v, q, 0.5)) seen.push_back(v);
    });
    return seen.size();
  };
  EXPECT_EQ(near(a), 2u);
  // Erase takes only the entry it is asked for, once.
  auto isB = [&](const GMVector& v) { return v.x == b.x; };
  EXPECT_TRUE(grid.Erase({b.x, b.y, b.z}, isB));
  EXPECT_FALSE(grid.Erase({b.x, b.y, b.z}, isB));
  EXPECT_EQ(near(a), 1u);
  EXPECT_EQ(grid.Size(), 2u);
  // A visit that answers true ends the search at once.
  grid.Insert({a.x, a.y, a.z}, a);
  int visits = 0;
  EXPECT_TRUE(grid.ForEachCandidate({a.x, a.y, a.z}, [&](const GMVector&) { return ++visits > 0; }));
  EXPECT_EQ(visits, 1);
  EXPECT_FALSE(grid.ForEachCandidate({-40, 0, 0}, [](const GMVector&) { return true; }));
  // Reset forgets every entry and takes the new tolerance.
  grid.Reset(0.01);
  EXPECT_EQ(grid.Size(), 0u);
  EXPECT_EQ(near(a), 0u);
  grid.Insert({a.x, a.y, a.z}, a);
  EXPECT_EQ(near(GMVector{1.005, 2, 3}), 1u);
}
