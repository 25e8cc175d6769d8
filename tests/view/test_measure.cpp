// Measuring: what the cursor snaps to, the parts of a distance, and the area
// of a whole planar face however it was split into triangles.
#include <gtest/gtest.h>

#include "view/Measure.h"

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

TEST(MeasureText, ThreeDecimalsAndTheUnitOfMetreModels) {
  EXPECT_EQ(korvex::FormatMeasure(12.3456), "12.346");
  EXPECT_EQ(korvex::FormatMeasure(2.5), "2.5");
  EXPECT_EQ(korvex::FormatMeasure(3), "3");
  EXPECT_EQ(korvex::FormatMeasure(-0.0001), "0");
  EXPECT_EQ(korvex::MeasureUnitFor("/a/Site.K3D"), "m");
  EXPECT_EQ(korvex::MeasureUnitFor("house.obj"), "");
  EXPECT_EQ(korvex::MeasureUnitFor("k3d"), "");
  EXPECT_EQ(korvex::DistanceText({13, 5, -12}, "m"), "距離 13 m  ΔXY 5 m  ΔZ -12 m");
  korvex::PlanarFace face;
  face.area = 20;
  face.perimeter = 24.0004;
  EXPECT_EQ(korvex::FaceText(face, ""), "面積 20  周長 24");
}

}  // namespace
