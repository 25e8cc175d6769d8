#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

#include "geometry/gm_matrix.h"
#include "geometry/gm_vector.h"
#include "model/ContentList.h"
#include "model/InkNode.h"
#include "model/OctTree.h"
#include "model/OctTreeFill.h"
#include "plugins/ScenePlugins.h"
#include "scene_samples.h"
#include "tests/support/scratch_folder.h"

namespace {

using scene_samples::AddBox;
using scene_samples::NewNode;

GMPolygon Ring(std::initializer_list<GMVector> points) { return GMPolygon{points}; }

void AddTriangle(COctTreeBoxel& tree, GMVector a, GMVector b, GMVector c, InkFigure* figure = nullptr) {
  const GMPolygon polygon = Ring({a, b, c});
  ASSERT_GE(tree.AddPolygon(&polygon, figure), 0);
}

void ForEachCell(const COctTreeCell* cell, const std::function<void(const COctTreeCell&, int)>& visit,
                 int depth = 0) {
  if (!cell) return;
  visit(*cell, depth);
  for (const auto& child : cell->children) ForEachCell(child.get(), visit, depth + 1);
}

double Axis(const GMVector& v, int a) { return a == 0 ? v.x : a == 1 ? v.y : v.z; }

// Whether anything of the triangle is left after cutting it by the six planes
// of the box grown by tol: a reference independent of the octree's own test.
bool ClipLeavesPiece(const COctTreeTriangle& t, const COctTreeCell& cell, double tol) {
  std::vector<GMVector> ring(std::begin(t.vertices), std::end(t.vertices));
  for (int axis = 0; axis < 3; ++axis)
    for (int side = 0; side < 2; ++side) {
      // Inside where s(p) >= 0.
      auto s = [&](const GMVector& p) {
        return side == 0 ? Axis(p, axis) - (Axis(cell.min, axis) - tol) : (Axis(cell.max, axis) + tol) - Axis(p, axis);
      };
      std::vector<GMVector> out;
      for (size_t i = 0; i < ring.size(); ++i) {
        const GMVector& p = ring[i];
        const GMVector& q = ring[(i + 1) % ring.size()];
        const double sp = s(p), sq = s(q);
        if (sp >= 0) out.push_back(p);
        if ((sp >= 0) != (sq >= 0)) {
          const double f = sp / (sp - sq);
          out.push_back({p.x + f * (q.x - p.x), p.y + f * (q.y - p.y), p.z + f * (q.z - p.z)});
        }
      }
      ring = std::move(out);
      if (ring.empty()) return false;
    }
  return true;
}

// Reference ray test: meet the triangle's plane, then check that the point is
// on the inner side of all three edges. Parameter t along start + t·(end - start).
double ReferenceHit(const GMVector& start, const GMVector& end, const COctTreeTriangle& tri) {
  const GMVector& a = tri.vertices[0];
  const GMVector& b = tri.vertices[1];
  const GMVector& c = tri.vertices[2];
  const GMVector n = GMCross(b - a, c - a);
  const GMVector d = end - start;
  const double denom = GMDot(n, d);
  if (std::abs(denom) < 1e-12 * std::sqrt(GMDot(n, n) * GMDot(d, d))) return -1;
  const double t = GMDot(n, a - start) / denom;
  if (t < 0) return -1;
  const GMVector p{start.x + t * d.x, start.y + t * d.y, start.z + t * d.z};
  for (int i = 0; i < 3; ++i) {
    const GMVector& u = tri.vertices[i];
    const GMVector& w = tri.vertices[(i + 1) % 3];
    if (GMDot(GMCross(w - u, p - u), n) < 0) return -1;
  }
  return t;
}

// A scene of count random triangles of mixed sizes in the cube 0..100
// (flat: all in the plane z = 5), built to the given depth.
void RandomScene(COctTreeBoxel& tree, std::mt19937& rng, int count, bool flat, int levels = 4) {
  std::uniform_real_distribution<double> where(0.0, 100.0);
  std::uniform_real_distribution<double> offset(-1.0, 1.0);
  std::uniform_real_distribution<double> size(0.5, 1.0);
  for (int i = 0; i < count; ++i) {
    const double s = (i % 10 == 0 ? 30.0 : 4.0) * size(rng);
    const GMVector c{where(rng), where(rng), flat ? 5.0 : where(rng)};
    GMVector p[3];
    for (GMVector& v : p) v = {c.x + s * offset(rng), c.y + s * offset(rng), flat ? 5.0 : c.z + s * offset(rng)};
    AddTriangle(tree, p[0], p[1], p[2]);
  }
  ASSERT_EQ(tree.Build(levels), 1);
}

}  // namespace

TEST(OctTreeBuild, RefusesWithoutInputAndAnswersNothingWithoutTree) {
  COctTreeBoxel tree;
  EXPECT_EQ(tree.Build(4), 0);
  EXPECT_EQ(tree.GetTree(), nullptr);
  EXPECT_EQ(tree.GetTriangleCount(), 0);
  CPlainList list;
  EXPECT_EQ(tree.FindFirstHit({0, 0, -1}, {0, 0, 1}, nullptr, 0, -1), -1);
  EXPECT_EQ(tree.CollectAlongSegment({0, 0, -1}, {0, 0, 1}, list, 0, 0), -1);

  // A negative depth triangulates but makes no tree.
  AddTriangle(tree, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  AddTriangle(tree, {0, 0, 1}, {1, 0, 1}, {0, 1, 1});
  EXPECT_EQ(tree.Build(-1), 0);
  EXPECT_EQ(tree.GetTree(), nullptr);
  EXPECT_EQ(tree.FindFirstHit({0.2, 0.2, -1}, {0.2, 0.2, 2}, nullptr, 0, -1), -1);
  EXPECT_EQ(tree.GetTree(), nullptr);
  EXPECT_EQ(tree.AddPolygon(nullptr, nullptr), -1);
  EXPECT_EQ(tree.GetInputCount(), 2);
}

TEST(OctTreeBuild, SingleTriangleFillsEveryLevelButAnswersNoRay) {
  COctTreeBoxel tree;
  AddTriangle(tree, {1, 2, 3}, {5, 2, 4}, {2, 7, 9});
  ASSERT_EQ(tree.Build(4), 1);
  const COctTreeCell* root = tree.GetTree();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->min, (GMVector{1, 2, 3}));
  EXPECT_EQ(root->max, (GMVector{5, 7, 9}));
  int leaves = 0;
  ForEachCell(root, [&](const COctTreeCell& cell, int depth) {
    EXPECT_EQ(cell.levels, 4 - depth);
    if (!cell.IsLeaf()) {
      EXPECT_EQ(cell.IndexCount(), 0);
      return;
    }
    ++leaves;
    EXPECT_EQ(depth, 4);
    EXPECT_EQ(cell.indices, std::vector<int32_t>{0});
  });
  EXPECT_GT(leaves, 1);
  // A tree of one polygon answers no query, even a ray straight through it.
  EXPECT_EQ(tree.FindFirstHit({2, 3, 0}, {2, 3, 20}, nullptr, 0, -1), -1);
  CPlainList list;
  EXPECT_EQ(tree.CollectAlongSegment({2, 3, 0}, {2, 3, 20}, list, 0, 0), -1);
}

TEST(OctTreeBuild, TriangulatesPolygonsAndKeepsTheirFigures) {
  COctTreeBoxel tree;
  InkFigure quadFigure, triangleFigure;
  const GMPolygon quad = Ring({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}});
  const GMPolygon ell = Ring({{0, 0, 1}, {4, 0, 1}, {4, 1, 1}, {1, 1, 1}, {1, 4, 1}, {0, 4, 1}});
  EXPECT_EQ(tree.AddPolygon(&quad, &quadFigure), 0);
  EXPECT_EQ(tree.AddPolygon(&ell, &triangleFigure), 1);
  ASSERT_EQ(tree.Build(2), 1);
  ASSERT_EQ(tree.GetTriangleCount(), 2 + 4);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(tree.GetTriangle(i)->figure, &quadFigure);
  double ellArea = 0;
  for (int i = 2; i < 6; ++i) {
    const COctTreeTriangle& t = *tree.GetTriangle(i);
    EXPECT_EQ(t.figure, &triangleFigure);
    const GMVector n = GMCross(t.vertices[1] - t.vertices[0], t.vertices[2] - t.vertices[0]);
    ellArea += 0.5 * std::abs(n.z);
  }
  EXPECT_NEAR(ellArea, 7.0, 1e-12);

  // Dropping the input keeps triangles and tree, but the tree no longer
  // answers (it has fewer than two input polygons) and cannot be rebuilt.
  tree.ClearInput();
  EXPECT_EQ(tree.GetTriangleCount(), 6);
  EXPECT_NE(tree.GetTree(), nullptr);
  EXPECT_EQ(tree.FindFirstHit({1, 1, -1}, {1, 1, 2}, nullptr, 0, -1), -1);
  EXPECT_EQ(tree.Build(2), 0);
  EXPECT_NE(tree.GetTree(), nullptr);
}

TEST(OctTreeBuild, TriangleAcrossTheCentreIsListedInBothHalves) {
  COctTreeBoxel tree;
  AddTriangle(tree, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});        // lower corner only
  AddTriangle(tree, {9, 9, 9}, {10, 9, 9}, {10, 10, 10});    // upper corner only
  AddTriangle(tree, {2, 2, 2}, {8, 2, 2}, {5, 3, 3});        // crosses x = 5
  ASSERT_EQ(tree.Build(1), 1);
  const COctTreeCell* root = tree.GetTree();
  std::set<int> lowerX, upperX;
  for (int k = 0; k < 8; ++k) {
    const COctTreeCell* child = root->children[static_cast<size_t>(k)].get();
    EXPECT_EQ(child != nullptr, ((root->childMask >> k) & 1) == 1);
    if (!child) continue;
    for (int32_t i : child->indices) (k & 1 ? upperX : lowerX).insert(i);
  }
  EXPECT_EQ(lowerX, (std::set<int>{0, 2}));
  EXPECT_EQ(upperX, (std::set<int>{1, 2}));
  EXPECT_EQ(root->children[0]->indices, (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(root->children[7]->indices, (std::vector<int32_t>{1}));
  EXPECT_EQ(root->IndexCount(), 0);
}

TEST(OctTreeBuild, LeavesHoldExactlyTheTrianglesTouchingTheirBoxes) {
  for (unsigned seed : {1u, 2u, 3u}) {
    for (bool flat : {false, true}) {
      COctTreeBoxel tree;
      std::mt19937 rng(seed);
      RandomScene(tree, rng, 300, flat, 3);
      const double tol = tree.GetTolerance();
      std::vector<const COctTreeCell*> leaves;
      ForEachCell(tree.GetTree(), [&](const COctTreeCell& cell, int) {
        if (cell.IsLeaf()) leaves.push_back(&cell);
        for (const auto& child : cell.children) {
          if (!child) continue;
          for (int a = 0; a < 3; ++a) {
            EXPECT_GE(Axis(child->min, a), Axis(cell.min, a));
            EXPECT_LE(Axis(child->max, a), Axis(cell.max, a));
          }
        }
      });
      std::uniform_real_distribution<double> unit(0.0, 1.0);
      for (const COctTreeCell* leaf : leaves) {
        std::set<int32_t> listed(leaf->indices.begin(), leaf->indices.end());
        for (int i = 0; i < tree.GetTriangleCount(); ++i) {
          const COctTreeTriangle& t = *tree.GetTriangle(i);
          if (listed.count(i)) {
            EXPECT_TRUE(ClipLeavesPiece(t, *leaf, tol)) << "seed " << seed << " triangle " << i;
            continue;
          }
          // Not listed: no point of the triangle lies inside the leaf.
          for (int s = 0; s < 8; ++s) {
            double u = unit(rng), v = unit(rng);
            if (u + v > 1) u = 1 - u, v = 1 - v;
            GMVector p;
            for (int a = 0; a < 3; ++a) {
              const double x = Axis(t.vertices[0], a) + u * (Axis(t.vertices[1], a) - Axis(t.vertices[0], a)) +
                               v * (Axis(t.vertices[2], a) - Axis(t.vertices[0], a));
              (a == 0 ? p.x : a == 1 ? p.y : p.z) = x;
            }
            bool inside = true;
            for (int a = 0; a < 3; ++a)
              inside = inside && Axis(p, a) >= Axis(leaf->min, a) && Axis(p, a) <= Axis(leaf->max, a);
            EXPECT_FALSE(inside) << "seed " << seed << " triangle " << i << " missing from a leaf";
          }
        }
      }
    }
  }
}

namespace {

// The tree as it was filed before the build kept its work per depth: every
// triangle handed down cell by cell, each tested against every child's box
// with the full triangle-box test. A reference the build must match exactly.
std::unique_ptr<COctTreeCell> FiledOneByOne(COctTreeBoxel& tree, int levels) {
  const double tol = tree.GetTolerance();
  const double inf = std::numeric_limits<double>::infinity();
  auto root = std::make_unique<COctTreeCell>();
  root->levels = levels;
  root->min = {inf, inf, inf};
  root->max = {-inf, -inf, -inf};
  for (int i = 0; i < tree.GetTriangleCount(); ++i) {
    root->indices.push_back(i);
    for (const GMVector& p : tree.GetTriangle(i)->vertices) {
      root->min = {std::min(root->min.x, p.x), std::min(root->min.y, p.y), std::min(root->min.z, p.z)};
      root->max = {std::max(root->max.x, p.x), std::max(root->max.y, p.y), std::max(root->max.z, p.z)};
    }
  }
  std::function<void(COctTreeCell&)> split = [&](COctTreeCell& cell) {
    if (cell.levels <= 0 || cell.indices.empty()) return;
    for (int k = 0; k < 8; ++k) {
      GMVector lo, hi;
      bool possible = true;
      for (int a = 0; a < 3; ++a) {
        const double min = Axis(cell.min, a), max = Axis(cell.max, a), mid = (min + max) * 0.5;
        const bool high = (k >> a) & 1;
        const bool flat = max - min <= tol;
        possible = possible && !(flat && high);
        (a == 0 ? lo.x : a == 1 ? lo.y : lo.z) = flat || !high ? min : mid;
        (a == 0 ? hi.x : a == 1 ? hi.y : hi.z) = flat || high ? max : mid;
      }
      if (!possible) continue;
      auto child = std::make_unique<COctTreeCell>();
      child->levels = cell.levels - 1;
      child->min = lo;
      child->max = hi;
      for (const int32_t index : cell.indices) {
        const GMVector* v = tree.GetTriangle(index)->vertices;
        bool apart = false;
        for (int a = 0; a < 3; ++a) {
          const double tlo = std::min({Axis(v[0], a), Axis(v[1], a), Axis(v[2], a)});
          const double thi = std::max({Axis(v[0], a), Axis(v[1], a), Axis(v[2], a)});
          apart = apart || tlo > Axis(hi, a) + tol || thi < Axis(lo, a) - tol;
        }
        if (!apart && OctTreeTriangleTouchesBox(v[0], v[1], v[2], lo, hi, tol)) child->indices.push_back(index);
      }
      if (child->indices.empty()) continue;
      split(*child);
      cell.childMask = static_cast<uint8_t>(cell.childMask | (1u << k));
      cell.children[static_cast<size_t>(k)] = std::move(child);
    }
    cell.indices.clear();
  };
  split(*root);
  return root;
}

// The first difference between two trees, or "" when they are the same.
std::string Difference(const COctTreeCell& a, const COctTreeCell& b, const std::string& path = "root") {
  if (!(a.min == b.min) || !(a.max == b.max)) return path + ": box";
  if (a.childMask != b.childMask) return path + ": children";
  if (a.indices != b.indices) return path + ": triangles";
  for (int k = 0; k < 8; ++k)
    if (a.children[static_cast<size_t>(k)]) {
      const std::string d =
          Difference(*a.children[static_cast<size_t>(k)], *b.children[static_cast<size_t>(k)], path + "/" + std::to_string(k));
      if (!d.empty()) return d;
    }
  return "";
}

void AddBlock(COctTreeBoxel& tree, GMVector lo, GMVector hi) {
  const double x0 = lo.x, y0 = lo.y, z0 = lo.z, x1 = hi.x, y1 = hi.y, z1 = hi.z;
  const GMPolygon faces[6] = {
      Ring({{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}}),
      Ring({{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}),
      Ring({{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}}),
      Ring({{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}}),
      Ring({{x1, y1, z0}, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}}),
      Ring({{x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}}),
  };
  for (const GMPolygon& face : faces) ASSERT_GE(tree.AddPolygon(&face, nullptr), 0);
}

}  // namespace

// The build files each triangle cell by cell with shortcuts for walls and
// roofs that lie along the axes; every tree must come out as filing the
// triangles one by one with the full test makes it.
TEST(OctTreeBuild, SameTreeAsFilingOneByOne) {
  struct Scene {
    const char* name;
    std::function<void(COctTreeBoxel&)> add;
  };
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const std::vector<Scene> scenes = {
      // Blocks on a grid whose walls lie on the cells' own faces.
      {"grid blocks", [](COctTreeBoxel& t) {
         for (int i = 0; i < 8; ++i)
           for (int j = 0; j < 8; ++j) AddBlock(t, {i * 16.0, j * 16.0, 0}, {i * 16.0 + 8, j * 16.0 + 12, 4.0 + (i * j) % 29});
       }},
      // The same far out in survey coordinates, and turned off the axes.
      {"survey blocks", [](COctTreeBoxel& t) {
         for (int i = 0; i < 6; ++i)
           for (int j = 0; j < 6; ++j) AddBlock(t, {-35000.0 + i * 17, 512000.0 + j * 13, 20}, {-34990.0 + i * 17, 512009.5 + j * 13, 31.0 + i});
       }},
      {"turned blocks", [&](COctTreeBoxel& t) {
         for (int i = 0; i < 40; ++i) {
           const double a = 0.3 + i, x = 30 * unit(rng), y = 30 * unit(rng), h = 2 + 20 * unit(rng);
           const GMVector u{4 * std::cos(a), 4 * std::sin(a), 0}, w{-3 * std::sin(a), 3 * std::cos(a), 0};
           const GMVector p[4] = {{x, y, 0}, GMVector{x, y, 0} + u, GMVector{x, y, 0} + u + w, GMVector{x, y, 0} + w};
           for (int s = 0; s < 4; ++s) {
             const GMVector& q = p[s];
             const GMVector& r = p[(s + 1) % 4];
             AddTriangle(t, q, r, {r.x, r.y, h});
             AddTriangle(t, q, {r.x, r.y, h}, {q.x, q.y, h});
           }
           AddTriangle(t, {p[0].x, p[0].y, h}, {p[1].x, p[1].y, h}, {p[2].x, p[2].y, h});
         }
       }},
      // Triangles collapsed to a segment or a point, and slivers along an axis.
      {"collapsed", [&](COctTreeBoxel& t) {
         for (int i = 0; i < 60; ++i) {
           const GMVector a{20 * unit(rng), 20 * unit(rng), 20 * unit(rng)};
           const GMVector b = i % 3 == 0 ? a : GMVector{a.x + 5 * unit(rng), a.y, a.z};
           AddTriangle(t, a, b, i % 2 ? a : GMVector{a.x, a.y + 1e-9, a.z + 3});
         }
       }},
      {"soup", [&](COctTreeBoxel& t) { RandomScene(t, rng, 500, false, 0); }},
      {"site plan", [&](COctTreeBoxel& t) { RandomScene(t, rng, 500, true, 0); }},
  };
  for (const Scene& scene : scenes)
    for (const int levels : {1, 3, 5}) {
      COctTreeBoxel tree;
      scene.add(tree);
      ASSERT_EQ(tree.Build(levels), 1) << scene.name;
      const std::unique_ptr<COctTreeCell> reference = FiledOneByOne(tree, levels);
      EXPECT_EQ(Difference(*tree.GetTree(), *reference), "") << scene.name << ", " << levels << " levels";
    }
}

// A worker making the tree for a model that has just changed is stopped: its
// build gives up and leaves no tree, and builds again once let go.
TEST(OctTreeBuild, AStoppedBuildLeavesNoTree) {
  COctTreeBoxel tree;
  std::mt19937 rng(9);
  RandomScene(tree, rng, 200, false, 3);
  std::stop_source stop;
  stop.request_stop();
  tree.SetStop(stop.get_token());
  EXPECT_EQ(tree.Build(3), 0);
  EXPECT_EQ(tree.GetTree(), nullptr);
  EXPECT_EQ(tree.FindFirstHit({50, 50, -10}, {50, 50, 110}, nullptr, 0, -1), -1);
  tree.SetStop({});
  EXPECT_EQ(tree.Build(3), 1);
  EXPECT_NE(tree.GetTree(), nullptr);
}

TEST(OctTreeQuery, NearestHitMatchesEveryTriangleTried) {
  int hits = 0, misses = 0;
  for (unsigned seed : {11u, 12u, 13u, 14u}) {
    const bool flat = seed == 14u;
    COctTreeBoxel tree;
    std::mt19937 rng(seed);
    RandomScene(tree, rng, 400, flat);
    std::uniform_real_distribution<double> where(-20.0, 120.0);
    for (int r = 0; r < 400; ++r) {
      GMVector start{where(rng), where(rng), where(rng)};
      GMVector end{where(rng), where(rng), where(rng)};
      if (r % 4 == 1) end = {start.x, start.y, start.z + (r % 8 == 1 ? 50.0 : -50.0)};  // vertical
      if (r % 4 == 2) end = {start.x + (start.x - 50), start.y + (start.y - 50), start.z};  // outward
      const int limit = r % 5 == 0;
      double bestT = std::numeric_limits<double>::infinity();
      for (int i = 0; i < tree.GetTriangleCount(); ++i) {
        const double t = ReferenceHit(start, end, *tree.GetTriangle(i));
        if (t >= 0 && (!limit || t <= 1)) bestT = std::min(bestT, t);
      }
      GMVector hit = GMUndefinedVector();
      const int found = tree.FindFirstHit(start, end, &hit, limit, -1);
      if (std::isinf(bestT)) {
        EXPECT_EQ(found, -1) << "seed " << seed << " ray " << r;
        ++misses;
        continue;
      }
      ++hits;
      ASSERT_GE(found, 0) << "seed " << seed << " ray " << r;
      // The triangle found is hit at the nearest distance (a tie may pick
      // another triangle, never a farther one).
      const double t = ReferenceHit(start, end, *tree.GetTriangle(found));
      EXPECT_NEAR(t, bestT, 1e-9 * (1 + bestT)) << "seed " << seed << " ray " << r;
      const GMVector d = end - start;
      EXPECT_NEAR(hit.x, start.x + bestT * d.x, 1e-7);
      EXPECT_NEAR(hit.y, start.y + bestT * d.y, 1e-7);
      EXPECT_NEAR(hit.z, start.z + bestT * d.z, 1e-7);
    }
  }
  EXPECT_GT(hits, 300);
  EXPECT_GT(misses, 100);
}

TEST(OctTreeQuery, SkipsTheGivenTriangleAndStopsAtTheSegmentEnd) {
  COctTreeBoxel tree;
  AddTriangle(tree, {0, 0, 1}, {4, 0, 1}, {0, 4, 1});
  AddTriangle(tree, {0, 0, 3}, {4, 0, 3}, {0, 4, 3});
  AddTriangle(tree, {0, 0, -5}, {4, 0, -5}, {0, 4, -5});  // behind the start
  ASSERT_EQ(tree.Build(4), 1);
  GMVector hit;
  EXPECT_EQ(tree.FindFirstHit({1, 1, 0}, {1, 1, 0.5}, &hit, 0, -1), 0);
  EXPECT_EQ(hit, (GMVector{1, 1, 1}));
  EXPECT_EQ(tree.FindFirstHit({1, 1, 0}, {1, 1, 0.5}, nullptr, 1, -1), -1);
  EXPECT_EQ(tree.FindFirstHit({1, 1, 0}, {1, 1, 2}, nullptr, 1, -1), 0);
  EXPECT_EQ(tree.FindFirstHit({1, 1, 1}, {1, 1, 2}, nullptr, 0, 0), 1);
  EXPECT_EQ(tree.FindFirstHit({1, 1, 0}, {1, 1, -1}, nullptr, 0, -1), 2);
  // Only what lies ahead of the start counts, however near a face behind it.
  EXPECT_EQ(tree.FindFirstHit({1, 1, 1.5}, {1, 1, 2}, nullptr, 0, -1), 1);
  EXPECT_EQ(tree.FindFirstHit({1, 1, 0}, {1, 1, 0}, nullptr, 0, -1), -1);
  EXPECT_EQ(tree.FindFirstHit({5, 5, 0}, {5, 5, 2}, nullptr, 0, -1), -1);

  // Along the segment: the leaves in the order they are entered, and the
  // triangles they hold, each once.
  CPlainList cells, triangles;
  const int n = tree.CollectAlongSegment({1, 1, 10}, {1, 1, -10}, cells, 1, 1);
  ASSERT_GT(n, 1);
  double lastTop = std::numeric_limits<double>::infinity();
  for (int i = 0; i < n; ++i) {
    const auto* leaf = static_cast<const COctTreeCell*>(cells.GetAt(i));
    EXPECT_TRUE(leaf->IsLeaf());
    EXPECT_LE(leaf->max.z, lastTop);
    lastTop = leaf->max.z;
  }
  EXPECT_EQ(tree.CollectAlongSegment({1, 1, 10}, {1, 1, -10}, triangles, 1, 0), 3);
  EXPECT_EQ(triangles.GetAt(0), tree.GetTriangle(1));
  EXPECT_EQ(tree.CollectAlongSegment({1, 1, 10}, {1, 1, 9}, triangles, 1, 0), 0);
}

TEST(OctTreeQuery, NearerTriangleInALaterCellWins) {
  // A long sloped face is listed in the first cell the ray crosses but is hit
  // only far along it; a small face in a later cell is hit earlier.
  COctTreeBoxel tree;
  AddTriangle(tree, {0, 0, 1.1}, {100, 0, 2.1}, {100, 10, 2.1});  // hit at x = 90
  AddTriangle(tree, {60, 1, 1}, {60, 3, 1}, {60, 2, 3});          // hit at x = 60
  AddTriangle(tree, {99, 10, 10}, {100, 10, 10}, {100, 9, 10});   // stretches the box
  ASSERT_EQ(tree.Build(1), 1);
  ASSERT_NE(std::find(tree.GetTree()->children[0]->indices.begin(), tree.GetTree()->children[0]->indices.end(), 0),
            tree.GetTree()->children[0]->indices.end());
  GMVector hit;
  EXPECT_EQ(tree.FindFirstHit({0, 2, 2}, {1, 2, 2}, &hit, 0, -1), 1);
  EXPECT_NEAR(hit.x, 60, 1e-12);
  EXPECT_EQ(tree.FindFirstHit({0, 2, 2}, {1, 2, 2}, &hit, 0, 1), 0);
  EXPECT_NEAR(hit.x, 90, 1e-9);
}

TEST(OctTreeDebug, LeafBoxesAndDumpScene) {
  COctTreeBoxel tree;
  std::mt19937 rng(5);
  RandomScene(tree, rng, 50, false, 2);
  int leaves = 0;
  ForEachCell(tree.GetTree(), [&](const COctTreeCell& cell, int) { leaves += cell.IsLeaf(); });
  CGMPolygonList faces;
  tree.CollectCellFaces(tree.GetTree(), faces);
  ASSERT_EQ(faces.GetCount(), 6 * leaves);
  // Faces turn counter-clockwise seen from outside: the normal points away
  // from the box centre.
  const COctTreeCell* first = nullptr;
  ForEachCell(tree.GetTree(), [&](const COctTreeCell& cell, int) {
    if (!first && cell.IsLeaf()) first = &cell;
  });
  const GMVector centre{(first->min.x + first->max.x) / 2, (first->min.y + first->max.y) / 2,
                        (first->min.z + first->max.z) / 2};
  for (int i = 0; i < 6; ++i) {
    const GMPolygon& f = *faces.GetPolygon(i);
    const GMVector n = GMCross(f[1] - f[0], f[2] - f[0]);
    EXPECT_GT(GMDot(n, f[0] - centre), 0) << "face " << i;
  }

  std::unique_ptr<CInkNode> root(NewNode());
  tree.AddDumpNodes(*root);
  ASSERT_EQ(root->GetCount(), 2);
  InkAttributes a;
  EXPECT_STREQ(root->GetChild(0)->GetName(nullptr, 0), "TriangleElement");
  EXPECT_EQ(root->GetChild(0)->GetAttributes(a).colour, 0xFFFF8080u);
  EXPECT_EQ(root->GetChild(0)->GetFigureCount(), tree.GetTriangleCount());
  EXPECT_STREQ(root->GetChild(1)->GetName(nullptr, 0), "OctTreeElement");
  EXPECT_EQ(root->GetChild(1)->GetAttributes(a).colour, 0x8080FFFFu);
  EXPECT_EQ(root->GetChild(1)->GetFigureCount(), 6 * leaves);

  // Without file plug-ins there is nothing to write through.
  const korvex_test::ScratchFolder scratch;
  const std::filesystem::path& empty = scratch.path();
  EXPECT_EQ(korvex::DumpOctTreeToFile(tree, (empty / "dump.ink").string().c_str(), empty), 0);
}

TEST(OctTreeFill, ListsEachFigureOnceAndLeavesOutWhatIsNotShown) {
  std::unique_ptr<CInkNode> root(NewNode());
  CInkNode* a = NewNode();
  CInkNode* a1 = NewNode();
  CInkNode* b = NewNode();
  CInkNode* hiddenNode = NewNode();
  root->AddChild(a);
  a->AddChild(a1);
  root->AddChild(b);
  root->AddChild(hiddenNode);
  hiddenNode->SetShown(0);
  AddBox(*root, {0, 0, 0}, {1, 1, 1});
  AddBox(*a, {2, 0, 0}, {3, 1, 1});
  AddBox(*a, {4, 0, 0}, {5, 1, 1});
  AddBox(*a1, {6, 0, 0}, {7, 1, 1});
  AddBox(*b, {8, 0, 0}, {9, 1, 1});
  AddBox(*hiddenNode, {10, 0, 0}, {11, 1, 1});
  scene_samples::AddPoint(*b, {0, 0, 0});
  const std::vector<GMVector> chain = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
  const InkPolyDescription polyline(chain);
  b->AddPolylineFigure(polyline.Get(), 0);
  a->GetFigure(1)->hidden = 1;

  CContentList content;
  EXPECT_EQ(content.AddFiguresOf(root.get()), 8);
  EXPECT_EQ(content.AddFiguresOf(a), 0);  // already listed
  const std::vector<InkFigure*> order = {root->GetFigure(0), a->GetFigure(0), a->GetFigure(1),
                                         a1->GetFigure(0),  b->GetFigure(0), b->GetFigure(1),
                                         b->GetFigure(2),   hiddenNode->GetFigure(0)};
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(content.GetFigure(static_cast<int>(i)), order[i]);

  COctTreeBoxel tree;
  EXPECT_EQ(AddContentToOctTree(tree, content, OctTreeSpace::Local), 4 * 6);
  ASSERT_EQ(tree.Build(4), 1);
  std::set<const InkFigure*> reached;
  for (const COctTreeTriangle& t : tree.GetTriangles()) reached.insert(t.figure);
  EXPECT_EQ(reached, (std::set<const InkFigure*>{order[0], order[1], order[3], order[4]}));
}

TEST(OctTreeFill, WorldSpacePlacesFiguresByTheirNodes) {
  std::unique_ptr<CInkNode> root(NewNode());
  InkAttributes moved;
  moved.origin = {100, 0, 0};
  moved.scale = {2, 2, 2};
  CInkNode* node = NewNode(&moved);
  root->AddChild(node);
  AddBox(*node, {0, 0, 0}, {1, 1, 1});
  AddBox(*node, {0, 0, 5}, {1, 1, 6});

  COctTreeBoxel local, world;
  ASSERT_EQ(BuildSceneOctTree(local, root.get(), 4, OctTreeSpace::Local), 1);
  ASSERT_EQ(BuildSceneOctTree(world, root.get(), 4, OctTreeSpace::World), 1);
  ASSERT_EQ(world.GetTriangleCount(), 24);
  GMMatrix m;
  node->GetWorldMatrix(m);
  for (int i = 0; i < 24; ++i)
    for (int k = 0; k < 3; ++k) {
      GMVector p = local.GetTriangle(i)->vertices[k];
      GMTransformPoint(p, m);
      EXPECT_EQ(world.GetTriangle(i)->vertices[k], p);
    }
  // A ray in world coordinates from between the boxes upwards meets the
  // upper box first.
  GMVector from{0.5, 0.5, 3};
  GMVector towards{0.5, 0.5, 10};
  GMTransformPoint(from, m);
  GMTransformPoint(towards, m);
  const int found = world.FindFirstHit(from, towards, nullptr, 0, -1);
  ASSERT_GE(found, 0);
  EXPECT_EQ(world.GetTriangle(found)->figure, node->GetFigure(1));
  EXPECT_EQ(BuildSceneOctTree(world, nullptr), 0);
}
