// Repair of open and untidy meshes: degenerate faces, face removal, peeling,
// T-junctions and capping of holes, and the stages of CleanMesh.
#include <gtest/gtest.h>

#include "geometry/gm_mesh_build.h"
#include "geometry/gm_mesh_make.h"
#include "geometry/gm_mesh_repair.h"
#include "gm_expect.h"
#include "mesh_samples.h"

using meshtest::EulerCharacteristic;
using meshtest::Loop;
using meshtest::Ring;
using meshtest::SurfaceFault;
using meshtest::Volume;

namespace {

// The box's sides in the order bottom, top, y = 0, y = 1, x = 0, x = 1.
std::vector<GMPolygon> BoxSides(int n = 1) { return meshtest::SplitBoxPolygons(1, 1, 1, n); }

GMMeshPtr MeshOf(const std::vector<GMPolygon>& polygons) { return GMMakeMeshFromPolygons(polygons, 1e-7); }

std::vector<GMPolygon> Without(std::vector<GMPolygon> polygons, std::initializer_list<int> drop) {
  std::vector<GMPolygon> kept;
  for (int i = 0; i < static_cast<int>(polygons.size()); ++i)
    if (std::find(drop.begin(), drop.end(), i) == drop.end()) kept.push_back(polygons[static_cast<size_t>(i)]);
  return kept;
}

}  // namespace

TEST(GMIsDegenerateMeshFace, FacesWithoutArea) {
  const std::vector<GMVector> points = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}, {1, 5e-8, 0},
                                        {1, 1e-6, 0}, {0, 0, 5e-8}};
  const std::vector<std::vector<int32_t>> faces = {
      {0, 1, 0},        // folds back on itself
      {0, 1, 2},        // three corners on a line
      {0, 4, 2},        // narrower than the tolerance
      {0, 5, 2},        // thin, but wider than the tolerance
      {0, 1, 3},        // a plain triangle
      {0, 6, 1, 3},     // a plain triangle with a doubled corner
      {0, 6, 1},        // only two corners once the doubled one is merged
      {}, {0}, {0, 1},  // too few indices
  };
  const GMMeshPtr mesh = GMNewMesh(points, {}, faces);
  const std::vector<int> want = {1, 1, 1, 0, 0, 0, 1, 1, 1, 1};
  for (int f = 0; f < mesh->faceCount; ++f) EXPECT_EQ(GMIsDegenerateMeshFace(*mesh, f, 1e-7), want[f]) << "face " << f;
  EXPECT_EQ(GMIsDegenerateMeshFace(*mesh, 10, 1e-7), 0);
}

TEST(RemoveMeshFaces, RebuildsWhatIsLeft) {
  const GMMeshPtr box = MeshOf(BoxSides());
  EXPECT_FALSE(RemoveMeshFaces(*box, std::vector<int>{}));
  EXPECT_FALSE(RemoveMeshFaces(*box, std::vector<int>{-1, 6, 99}));

  const GMMeshPtr open = RemoveMeshFaces(*box, std::vector<int>{1, 1, 7});
  ASSERT_TRUE(open);
  EXPECT_EQ(open->faceCount, 5);
  EXPECT_EQ(open->vertexCount, 8);
  EXPECT_EQ(open->edgeCount, 12);

  const GMMeshPtr floor = RemoveMeshFaces(*box, std::vector<int>{1, 2, 3, 4, 5});
  ASSERT_TRUE(floor);
  EXPECT_EQ(floor->faceCount, 1);
  EXPECT_EQ(floor->vertexCount, 4);  // the lid's corners are not used any more

  const GMMeshPtr none = RemoveMeshFaces(*box, std::vector<int>{0, 1, 2, 3, 4, 5});
  ASSERT_TRUE(none);
  EXPECT_EQ(none->faceCount, 0);
  EXPECT_EQ(none->vertexCount, 0);
}

TEST(RemoveOpenFaces, PeelsOneRingAtATime) {
  const GMMeshPtr mesh = MeshOf(Without(BoxSides(), {1}));
  EXPECT_EQ(RemoveOpenFaces(*mesh), 1);  // the four walls touch the missing lid
  ASSERT_EQ(mesh->faceCount, 1);
  EXPECT_EQ(RemoveOpenFaces(*mesh), 1);  // then the floor is alone
  EXPECT_EQ(mesh->faceCount, 0);
  EXPECT_EQ(RemoveOpenFaces(*mesh), 0);

  const GMMeshPtr closed = MeshOf(BoxSides());
  EXPECT_EQ(RemoveOpenFaces(*closed), 0);
  EXPECT_EQ(closed->faceCount, 6);
}

TEST(PeelOpenFaces, KeepsOnlyTheClosedParts) {
  // A closed box beside an open sheet of 5 x 5 squares.
  std::vector<GMPolygon> polygons = BoxSides();
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j)
      polygons.push_back(Ring({{3.0 + i, 1.0 * j, 0}, {4.0 + i, 1.0 * j, 0}, {4.0 + i, 1.0 + j, 0}, {3.0 + i, 1.0 + j, 0}}));
  const GMMeshPtr mesh = MeshOf(polygons);
  PeelOpenFaces(*mesh);
  EXPECT_EQ(mesh->faceCount, 6);
  EXPECT_EQ(mesh->vertexCount, 8);
  EXPECT_EQ(SurfaceFault(*mesh), "");
}

TEST(CloseMeshHoles, CapsAMissingLidFacingOutwards) {
  const GMMeshPtr mesh = MeshOf(Without(BoxSides(), {1}));
  EXPECT_EQ(CloseMeshHoles(*mesh, 0.0, 1e-7), 1);
  EXPECT_EQ(mesh->faceCount, 6);
  EXPECT_EQ(SurfaceFault(*mesh), "");
  EXPECT_NEAR(Volume(*mesh), 1.0, 1e-12);
  EXPECT_EQ(mesh->edgeCount, 12);

  const GMMeshPtr closed = MeshOf(BoxSides());
  EXPECT_EQ(CloseMeshHoles(*closed, 0.0, 1e-7), 1);
  EXPECT_EQ(closed->faceCount, 6);
}

TEST(CloseMeshHoles, TwoHolesTouchingAtACornerGetACapEach) {
  // The lid split in four; two diagonal quarters are missing and meet at the
  // lid's centre, where four border edges come together.
  const std::vector<GMPolygon> sides = BoxSides(2);  // 4 squares per side, the lid is 4..7
  const GMMeshPtr mesh = MeshOf(Without(sides, {4, 7}));
  const int before = mesh->faceCount;
  EXPECT_EQ(CloseMeshHoles(*mesh, 0.0, 1e-7), 1);
  ASSERT_EQ(mesh->faceCount, before + 2);
  EXPECT_EQ(mesh->faces[before].count, 4);
  EXPECT_EQ(mesh->faces[before + 1].count, 4);
  EXPECT_EQ(SurfaceFault(*mesh), "");
  EXPECT_NEAR(Volume(*mesh), 1.0, 1e-12);
}

TEST(CloseMeshHoles, BordersThatDoNotCloseAreNotCapped) {
  // A fin standing on a box edge: its three free edges form no loop.
  std::vector<GMPolygon> polygons = BoxSides();
  polygons.push_back(Ring({{0, 0, 1}, {1, 0, 1}, {1, -1, 2}, {0, -1, 2}}));
  const GMMeshPtr mesh = MeshOf(polygons);
  EXPECT_EQ(CloseMeshHoles(*mesh, 0.0, 1e-7), 0);
  EXPECT_EQ(mesh->faceCount, 7);
}

TEST(CleanMesh, ClosedMeshIsOnlyFinalised) {
  const GMMeshPtr mesh = meshtest::SplitBox(1, 2, 3, 2, true);
  EXPECT_EQ(CleanMesh(*mesh, 0.0, 1e-7), 1);
  EXPECT_EQ(mesh->faceCount, 48);
  EXPECT_EQ(mesh->edgeCount, 24);  // the box edges, each split once; no diagonals, no splits of flat sides
}

TEST(CleanMesh, DropsDegenerateFaces) {
  std::vector<GMPolygon> polygons = BoxSides();
  polygons.insert(polygons.begin() + 2, Ring({{0, 0, 0}, {1, 0, 0}, {0, 0, 0}}));
  polygons.push_back(Ring({{0, 0, 0}, {0.5, 0, 0}, {1, 0, 0}}));
  const GMMeshPtr mesh = MeshOf(polygons);
  EXPECT_EQ(CleanMesh(*mesh, 0.0, 1e-7), 1);
  EXPECT_EQ(mesh->faceCount, 6);
  EXPECT_EQ(mesh->vertexCount, 8);
  EXPECT_EQ(SurfaceFault(*mesh), "");
  EXPECT_NEAR(Volume(*mesh), 1.0, 1e-12);
}

TEST(CleanMesh, MendsTJunctions) {
  // The lid split in two at x = 0.5 while the walls beside it are whole: the
  // walls' top edges must pass through the split points.
  std::vector<GMPolygon> polygons = Without(BoxSides(), {1});
  polygons.push_back(Ring({{0, 0, 1}, {0.5, 0, 1}, {0.5, 1, 1}, {0, 1, 1}}));
  polygons.push_back(Ring({{0.5, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0.5, 1, 1}}));
  const GMMeshPtr mesh = MeshOf(polygons);
  ASSERT_NE(SurfaceFault(*mesh), "");
  EXPECT_EQ(CleanMesh(*mesh, 0.0, 1e-7), 1);
  EXPECT_EQ(mesh->faceCount, 7);
  EXPECT_EQ(SurfaceFault(*mesh), "");
  EXPECT_NEAR(Volume(*mesh), 1.0, 1e-12);
  EXPECT_EQ(EulerCharacteristic(*mesh), 2);
  // The y = 0 wall now runs through (0.5, 0, 1) between its top corners.
  const std::vector<int> wall = Loop(*mesh, 1);
  ASSERT_EQ(wall.size(), 5u);
  int split = -1;
  for (int i = 0; i < 5; ++i)
    if (VectorNear(mesh->Position(wall[static_cast<size_t>(i)]), {0.5, 0, 1})) split = i;
  ASSERT_GE(split, 0);
  EXPECT_TRUE(VectorNear(mesh->Position(wall[static_cast<size_t>((split + 1) % 5)]), {0, 0, 1}));
  EXPECT_TRUE(VectorNear(mesh->Position(wall[static_cast<size_t>((split + 4) % 5)]), {1, 0, 1}));
  // Finalised: the split of the flat lid is not an edge to draw.
  EXPECT_EQ(mesh->edgeCount, 12 + 2);
}

TEST(CleanMesh, CapsHoles) {
  std::vector<GMPolygon> polygons = Without(BoxSides(3), {13, 20, 40});  // a hole in each of three sides
  const GMMeshPtr mesh = MeshOf(polygons);
  EXPECT_EQ(CleanMesh(*mesh, 0.0, 1e-7), 1);
  EXPECT_EQ(mesh->faceCount, 54);
  EXPECT_EQ(SurfaceFault(*mesh), "");
  EXPECT_NEAR(Volume(*mesh), 1.0, 1e-12);
}

TEST(CleanMesh, PeelsWhatCannotBeCapped) {
  std::vector<GMPolygon> polygons = BoxSides();
  polygons.push_back(Ring({{0, 0, 1}, {1, 0, 1}, {1, -1, 2}, {0, -1, 2}}));  // a fin on a box edge
  polygons.push_back(Ring({{0, -1, 2}, {1, -1, 2}, {1, -1, 3}, {0, -1, 3}}));  // and another on that
  const GMMeshPtr mesh = MeshOf(polygons);
  EXPECT_EQ(CleanMesh(*mesh, 0.0, 1e-7), 1);
  EXPECT_EQ(mesh->faceCount, 6);
  EXPECT_EQ(mesh->vertexCount, 8);
  EXPECT_EQ(SurfaceFault(*mesh), "");
  EXPECT_EQ(mesh->edgeCount, 12);
}

TEST(CleanMesh, NothingLeftIsNotClosed) {
  const GMMeshPtr sliver = MeshOf({Ring({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}})});
  EXPECT_EQ(CleanMesh(*sliver, 0.0, 1e-7), 0);
  EXPECT_EQ(sliver->faceCount, 0);
}
