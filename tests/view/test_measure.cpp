// Measuring: what the cursor snaps to, the parts of a distance, and the area
// of a whole planar face however it was split into triangles.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <stop_token>
#include <thread>
#include <cmath>
#include <set>
#include <vector>

#include "model/InkFigAdmin.h"
#include "model/InkNode.h"
#include "view/Measure.h"
#include "view/MeasureBuild.h"

namespace {

using korvex::MeasureConstraint;
using korvex::MeasureScene;
using korvex::SnapKind;

// A plan view of 100 × 100 pixels, one pixel a model unit, the window's
// middle over the origin: world (x, y) lies at pixel (x + 50, 50 - y).
korvex::WindowProjector PlanProjector() {
  korvex::WindowProjector p;
  p.eye = {0, 0, 100};
  p.f = {0, 0, -1};
  p.s = {1, 0, 0};
  p.u = {0, 1, 0};
  p.left = -50;
  p.right = 50;
  p.bottom = -50;
  p.top = 50;
  p.nearPlane = 1;
  p.parallel = true;
  p.w = 100;
  p.h = 100;
  return p;
}

// A level rectangle of two triangles with its four sides as drawn edges.
void AddSlab(MeasureScene& scene, double x0, double y0, double x1, double y1, double z) {
  const GMVector a{x0, y0, z}, b{x1, y0, z}, c{x1, y1, z}, d{x0, y1, z};
  scene.AddTriangle(a, b, c);
  scene.AddTriangle(a, c, d);
  scene.AddEdge({a, b});
  scene.AddEdge({b, c});
  scene.AddEdge({c, d});
  scene.AddEdge({d, a});
}

void ExpectPoint(const korvex::MeasurePoint& p, SnapKind kind, GMVector at) {
  EXPECT_EQ(p.kind, kind);
  EXPECT_NEAR(p.at.x, at.x, 1e-9);
  EXPECT_NEAR(p.at.y, at.y, 1e-9);
  EXPECT_NEAR(p.at.z, at.z, 1e-9);
}

TEST(MeasureSnap, CornerFirstThenEdgeThenFaceEachWithinItsReach) {
  MeasureScene scene;
  AddSlab(scene, 0, 0, 20, 20, 0);
  ASSERT_TRUE(scene.Build());
  const korvex::WindowProjector view = PlanProjector();
  auto at = [&](double x, double y) { return scene.Snap(view, x + 50, 50 - y); };

  // A corner catches the cursor 8 pixels away, even where an edge is nearer.
  ExpectPoint(at(7.9, 0), SnapKind::Vertex, {0, 0, 0});
  ExpectPoint(at(5, 0.2), SnapKind::Vertex, {0, 0, 0});
  ExpectPoint(at(5.6, 5.6), SnapKind::Vertex, {0, 0, 0});  // 7.9 px on the slant
  // Beyond that the edge, up to 6 pixels across it.
  ExpectPoint(at(9, 0.5), SnapKind::Edge, {9, 0, 0});
  ExpectPoint(at(10, 5.9), SnapKind::Edge, {10, 0, 0});
  ExpectPoint(at(20 + 5.5, 10), SnapKind::Edge, {20, 10, 0});
  // Farther in, the face under the cursor; outside everything, nothing.
  ExpectPoint(at(10, 6.5), SnapKind::Face, {10, 6.5, 0});
  EXPECT_EQ(at(40, 40).kind, SnapKind::None);
  EXPECT_EQ(at(-7, 10).kind, SnapKind::None);
}

TEST(MeasureSnap, HiddenCornersAndEdgesAreNotCaught) {
  // A roof over a floor of the same plan: seen from above, the floor's
  // corners lie under the roof's, and only the roof's may be picked.
  MeasureScene scene;
  AddSlab(scene, 0, 0, 20, 20, 0);
  AddSlab(scene, 0, 0, 20, 20, 10);
  ASSERT_TRUE(scene.Build());
  const korvex::WindowProjector view = PlanProjector();
  for (int i = 0; i < 2; ++i) {
    ExpectPoint(scene.Snap(view, 50 + 1, 50 - 1), SnapKind::Vertex, {0, 0, 10});
    ExpectPoint(scene.Snap(view, 50 + 10, 50 - 1), SnapKind::Edge, {10, 0, 10});
    ExpectPoint(scene.Snap(view, 50 + 10, 50 - 10), SnapKind::Face, {10, 10, 10});
  }
}

// A perspective eye at `eye` looking at `target`, 45° wide on 200 × 150.
korvex::WindowProjector PerspectiveProjector(GMVector eye, GMVector target) {
  korvex::WindowProjector p;
  p.eye = eye;
  const GMVector f = target - eye;
  p.f = f * (1.0 / std::sqrt(f.x * f.x + f.y * f.y + f.z * f.z));
  GMVector s{p.f.y, -p.f.x, 0};  // right of the view, level
  const double sl = std::sqrt(s.x * s.x + s.y * s.y);
  p.s = s * (1.0 / sl);
  p.u = {p.s.y * p.f.z - p.s.z * p.f.y, p.s.z * p.f.x - p.s.x * p.f.z, p.s.x * p.f.y - p.s.y * p.f.x};
  p.nearPlane = 0.5;
  p.right = 0.5 * std::tan(22.5 * 3.14159265358979 / 180);
  p.left = -p.right;
  p.top = p.right * 0.75;
  p.bottom = -p.top;
  p.parallel = false;
  p.w = 200;
  p.h = 150;
  return p;
}

// The tree that finds corners and edges near the cursor must miss none that
// the window shows within reach: compared with looking at every one, for
// views from above, from afar in perspective and from among the items
// (boxes then reach behind the eye).
TEST(MeasureSnap, TheSnappingTreeMissesNothingWithinReach) {
  std::vector<GMVector> points;
  std::vector<GMSegment> segments;
  unsigned seed = 17;
  const auto next = [&seed](double span) {
    seed = seed * 1103515245u + 12345u;
    return ((seed >> 8) % 100000) / 100000.0 * span;
  };
  for (int i = 0; i < 3000; ++i) {
    const GMVector p{next(400) - 200, next(400) - 200, next(60)};
    points.push_back(p);
    segments.push_back({p, p + GMVector{next(30) - 15, next(30) - 15, next(20) - 10}});
  }
  std::vector<GMVector> lo, hi;
  for (const GMSegment& s : segments) {
    lo.push_back({std::min(s.start.x, s.end.x), std::min(s.start.y, s.end.y), std::min(s.start.z, s.end.z)});
    hi.push_back({std::max(s.start.x, s.end.x), std::max(s.start.y, s.end.y), std::max(s.start.z, s.end.z)});
  }
  korvex::SnapTree pointTree, segmentTree;
  pointTree.Build(points, points);
  segmentTree.Build(lo, hi);

  korvex::WindowProjector plan = PlanProjector();
  plan.left = plan.bottom = -250;
  plan.right = plan.top = 250;
  const std::vector<korvex::WindowProjector> views = {
      plan, PerspectiveProjector({-300, -250, 150}, {0, 0, 0}), PerspectiveProjector({0, 0, 20}, {100, 30, 10})};
  for (size_t v = 0; v < views.size(); ++v) {
    const korvex::WindowProjector& view = views[v];
    size_t looked = 0, pointsNear = 0;
    for (double y = 3; y < view.h; y += 11.5)
      for (double x = 2; x < view.w; x += 9.5) {
        std::vector<int> found;
        pointTree.Near(view, x, y, korvex::kSnapVertexPixels, found);
        looked += found.size();
        const std::set<int> foundPoints(found.begin(), found.end());
        for (size_t i = 0; i < points.size(); ++i) {
          // A point counts where the window shows it: beyond the near plane.
          GMSegment w;
          if (!view.Segment({points[i], points[i]}, view.nearPlane, w) ||
              std::hypot(w.start.x - x, w.start.y - y) > korvex::kSnapVertexPixels)
            continue;
          ++pointsNear;
          EXPECT_TRUE(foundPoints.contains(static_cast<int>(i))) << "view " << v << " at " << x << "," << y;
        }
        segmentTree.Near(view, x, y, korvex::kSnapEdgePixels, found);
        const std::set<int> foundSegments(found.begin(), found.end());
        for (size_t i = 0; i < segments.size(); ++i) {
          GMSegment w;
          if (!view.Segment(segments[i], view.nearPlane, w)) continue;
          const double dx = w.end.x - w.start.x, dy = w.end.y - w.start.y, len2 = dx * dx + dy * dy;
          const double t = len2 > 0 ? std::clamp(((x - w.start.x) * dx + (y - w.start.y) * dy) / len2, 0.0, 1.0) : 0;
          if (std::hypot(w.start.x + dx * t - x, w.start.y + dy * t - y) > korvex::kSnapEdgePixels) continue;
          EXPECT_TRUE(foundSegments.contains(static_cast<int>(i))) << "view " << v << " at " << x << "," << y;
        }
      }
    EXPECT_GT(pointsNear, 20u) << "view " << v << " puts points under the cursor";
    // Each look touches a small share of the points, not all of them.
    const size_t looks = static_cast<size_t>(std::ceil(view.h / 11.5) * std::ceil(view.w / 9.5));
    EXPECT_LT(looked, looks * points.size() / 10) << "view " << v;
  }
}

TEST(MeasureSnap, AnEmptyTreeFindsNothing) {
  korvex::SnapTree tree;
  std::vector<int> found{1, 2};
  tree.Near(PlanProjector(), 50, 50, 8, found);
  EXPECT_TRUE(found.empty());
  tree.Build({}, {});
  tree.Near(PlanProjector(), 50, 50, 8, found);
  EXPECT_TRUE(found.empty());
  // Many items in one place stay one leaf and are all found.
  const std::vector<GMVector> same(50, GMVector{1, 2, 3});
  tree.Build(same, same);
  tree.Near(PlanProjector(), 51, 48, 1, found);
  EXPECT_EQ(found.size(), 50u);
}

TEST(MeasureDistance, PartsAndConstraints) {
  const korvex::MeasureDistance d = korvex::MeasureBetween({1, 2, 3}, {4, 6, 15});
  EXPECT_DOUBLE_EQ(d.distance, 13);
  EXPECT_DOUBLE_EQ(d.horizontal, 5);
  EXPECT_DOUBLE_EQ(d.vertical, 12);
  EXPECT_DOUBLE_EQ(korvex::MeasureBetween({4, 6, 15}, {1, 2, 3}).vertical, -12);

  // Survey coordinates lose nothing of a short distance.
  const korvex::MeasureDistance far = korvex::MeasureBetween({-35210.125, 4123456.5, 41.2}, {-35207.125, 4123460.5, 41.2});
  EXPECT_NEAR(far.distance, 5.0, 1e-9);

  const GMVector first{1, 1, 2};
  const GMVector height = korvex::ConstrainPoint(first, {5, 4, 9}, MeasureConstraint::Vertical);
  EXPECT_EQ(height, (GMVector{1, 1, 9}));
  const GMVector level = korvex::ConstrainPoint(first, {5, 4, 9}, MeasureConstraint::Horizontal);
  EXPECT_EQ(level, (GMVector{5, 4, 2}));

  // Over empty sky the ray gives the second point: where it meets the level
  // plane, or where it passes the vertical.
  const auto onPlane = korvex::ConstrainRay(first, {1, 1, 12}, {1, 0, -1}, MeasureConstraint::Horizontal);
  ASSERT_TRUE(onPlane);
  EXPECT_NEAR(onPlane->x, 11, 1e-12);
  EXPECT_NEAR(onPlane->z, 2, 1e-12);
  EXPECT_FALSE(korvex::ConstrainRay(first, {1, 1, 12}, {1, 0, 0}, MeasureConstraint::Horizontal));
  EXPECT_FALSE(korvex::ConstrainRay(first, {1, 1, 12}, {1, 0, 1}, MeasureConstraint::Horizontal));
  const auto onVertical = korvex::ConstrainRay(first, {11, 3, 7}, {-1, 0, 0}, MeasureConstraint::Vertical);
  ASSERT_TRUE(onVertical);
  EXPECT_NEAR(onVertical->x, 1, 1e-12);
  EXPECT_NEAR(onVertical->y, 1, 1e-12);
  EXPECT_NEAR(onVertical->z, 7, 1e-12);
  EXPECT_FALSE(korvex::ConstrainRay(first, {1, 1, 12}, {0, 0, -1}, MeasureConstraint::Vertical));
}

// An L-shaped floor split into two rectangles of two triangles each that meet
// along part of a side (a corner of one on the side of the other), with a
// wall standing on it, a loose tile in its plane, and the floor's underside.
void AddLFloor(MeasureScene& scene, GMVector o) {
  auto p = [&](double x, double y, double z = 0) { return GMVector{o.x + x, o.y + y, o.z + z}; };
  scene.AddTriangle(p(0, 0), p(6, 0), p(6, 2));
  scene.AddTriangle(p(0, 0), p(6, 2), p(0, 2));
  scene.AddTriangle(p(0, 2), p(2, 2), p(2, 6));
  scene.AddTriangle(p(0, 2), p(2, 6), p(0, 6));
  scene.AddTriangle(p(0, 0), p(0, 2, 3), p(0, 2));  // wall
  scene.AddTriangle(p(8, 8), p(9, 8), p(9, 9));     // loose tile
  scene.AddTriangle(p(0, 0), p(6, 2), p(6, 0));     // underside
}

TEST(MeasureFace, LShapedFloorSplitIntoTriangles) {
  for (const GMVector origin : {GMVector{0, 0, 0}, GMVector{-35210.25, 4123456.75, 38.5}}) {
    SCOPED_TRACE(origin.x);
    MeasureScene scene;
    AddLFloor(scene, origin);
    ASSERT_TRUE(scene.Build());
    const auto face = scene.FaceAt({origin.x + 1, origin.y + 5, origin.z}, 1e-3);
    ASSERT_TRUE(face);
    EXPECT_NEAR(face->area, 20.0, 1e-6);
    EXPECT_NEAR(face->perimeter, 24.0, 1e-6);
    EXPECT_EQ(face->triangles.size(), 4u);
    EXPECT_NEAR(face->normal.z, 1.0, 1e-12);
    // The same face from any of its triangles.
    for (int t : face->triangles) {
      const auto again = scene.FaceOf(t);
      ASSERT_TRUE(again);
      EXPECT_EQ(again->triangles, face->triangles);
    }
    // The tile is a face of its own; above the floor or in the gap, none.
    const auto tile = scene.FaceAt({origin.x + 8.9, origin.y + 8.5, origin.z}, 1e-3);
    ASSERT_TRUE(tile);
    EXPECT_NEAR(tile->area, 0.5, 1e-9);
    EXPECT_FALSE(scene.FaceAt({origin.x + 1, origin.y + 1, origin.z + 0.5}, 1e-3));
    EXPECT_FALSE(scene.FaceAt({origin.x + 4, origin.y + 4, origin.z}, 1e-3));
  }
}

TEST(MeasureFace, SingleSlabAndDegenerateTriangles) {
  MeasureScene one;
  one.AddTriangle({0, 0, 0}, {4, 0, 0}, {0, 3, 0});
  ASSERT_TRUE(one.Build());
  const auto face = one.FaceAt({1, 1, 0}, 1e-6);
  ASSERT_TRUE(face);
  EXPECT_NEAR(face->area, 6, 1e-12);
  EXPECT_NEAR(face->perimeter, 12, 1e-12);
  EXPECT_FALSE(one.FaceOf(-1));
  EXPECT_FALSE(one.FaceOf(5));

  MeasureScene empty;
  EXPECT_FALSE(empty.Build());
  EXPECT_FALSE(empty.FaceAt({0, 0, 0}, 1));
  EXPECT_EQ(empty.Snap(PlanProjector(), 50, 50).kind, SnapKind::None);
}

// A scene of n × n level squares of side 6 on a 10-unit grid about the
// origin, each in a node of its own (the root owns them).
std::unique_ptr<CInkNode> SquareTown(int n) {
  auto root = std::make_unique<CInkNode>();
  root->Create(nullptr);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      auto* node = new CInkNode();
      node->Create(nullptr);
      const double x = (i - n / 2) * 10.0, y = (j - n / 2) * 10.0;
      const GMVector points[4] = {{x, y, 0}, {x + 6, y, 0}, {x + 6, y + 6, 0}, {x, y + 6, 0}};
      const InkPolyDescription square(points);
      node->AddPolygonFigure(square.Get(), 0);
      root->AddChild(node);
    }
  return root;
}

// Made on a worker, stopped at any moment and started again, the surfaces
// come out as those made on the spot; a stopped making leaves none.
TEST(MeasureBuild, StoppedAtAnyMomentThenMadeAsOnTheSpot) {
  const std::unique_ptr<CInkNode> town = SquareTown(9);
  MeasureScene onTheSpot;
  ASSERT_TRUE(onTheSpot.Build(town.get()));

  korvex::MeasureBuild build;
  EXPECT_FALSE(build.Started());
  EXPECT_EQ(build.Wait(), nullptr);
  for (int round = 0; round < 20; ++round) {
    build.Start(town.get());
    std::this_thread::sleep_for(std::chrono::microseconds(50 * round));
    build.Stop();
    EXPECT_FALSE(build.Started());
    EXPECT_EQ(build.Ready(), nullptr);
  }
  std::atomic<int> done{0};
  build.Start(town.get(), [&done] { ++done; });
  MeasureScene* made = build.Wait();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(build.Ready(), made);
  EXPECT_EQ(done.load(), 1);
  ASSERT_EQ(made->TriangleCount(), onTheSpot.TriangleCount());
  const korvex::WindowProjector plan = PlanProjector();
  for (int y = 1; y < 100; y += 3)
    for (int x = 1; x < 100; x += 3) {
      const korvex::MeasurePoint a = made->Snap(plan, x, y), b = onTheSpot.Snap(plan, x, y);
      EXPECT_EQ(a.kind, b.kind) << x << "," << y;
      EXPECT_EQ(a.at, b.at) << x << "," << y;
    }

  // The worker stops where it is, also within the octree: a stopped build
  // leaves surfaces that catch nothing.
  MeasureScene stopped;
  std::stop_source source;
  source.request_stop();
  EXPECT_FALSE(stopped.Gather(town.get(), source.get_token()));
  EXPECT_FALSE(stopped.Build(source.get_token()));
  EXPECT_EQ(stopped.Snap(plan, 50, 50).kind, SnapKind::None);
}

TEST(MeasureText, ThreeDecimalsAndTheUnitOfMetreModels) {
  EXPECT_EQ(korvex::FormatMeasure(12.3456), "12.346");
  EXPECT_EQ(korvex::FormatMeasure(2.5), "2.5");
  EXPECT_EQ(korvex::FormatMeasure(3), "3");
  EXPECT_EQ(korvex::FormatMeasure(-0.0001), "0");
  EXPECT_EQ(korvex::MeasureUnitFor("/a/Site.K3D"), "m");
  EXPECT_EQ(korvex::MeasureUnitFor("/plans/Haus.IFC"), "m");
  EXPECT_EQ(korvex::MeasureUnitFor("house.obj"), "");
  EXPECT_EQ(korvex::MeasureUnitFor("ifc.d/house.dae"), "");
  EXPECT_EQ(korvex::MeasureUnitFor("k3d"), "");
  EXPECT_EQ(korvex::DistanceText({13, 5, -12}, "m"), "距離 13 m  ΔXY 5 m  ΔZ -12 m");
  korvex::PlanarFace face;
  face.area = 20;
  face.perimeter = 24.0004;
  EXPECT_EQ(korvex::FaceText(face, ""), "面積 20  周長 24");
}

}  // namespace
