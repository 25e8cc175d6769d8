// Meshes from polygons, and the place of a point relative to a closed mesh.
#include <gtest/gtest.h>

#include "geometry/gm_mesh_build.h"
#include "geometry/gm_mesh_make.h"
#include "geometry/gm_polygon_ops.h"
#include "gm_expect.h"
#include "mesh_samples.h"

using meshtest::Loop;
using meshtest::Ring;
using meshtest::SurfaceFault;
using meshtest::Volume;

TEST(GMMakeMeshFromPolygons, SharesVerticesInFirstSeenOrder) {
  const GMPolygonSetPtr box = GMBoxFaces(0, 0, 0, 2, 3, 4);
  const GMMeshPtr mesh = GMMakeMeshFromPolygons(box->polygons, 1e-7);
  ASSERT_TRUE(mesh);
  EXPECT_EQ(mesh->vertexCount, 8);
  EXPECT_EQ(mesh->faceCount, 6);
  EXPECT_EQ(mesh->edgeCount, 12);
  EXPECT_EQ(Loop(*mesh, 0), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(Loop(*mesh, 1), (std::vector<int>{1, 4, 5, 2}));
  EXPECT_TRUE(VectorNear(mesh->Position(4), {2, 3, 0}));
  EXPECT_EQ(mesh->edges[0], (GMMeshEdge{0, 1, -1}));
  EXPECT_EQ(mesh->edges[4], (GMMeshEdge{1, 4, -1}));
  EXPECT_EQ(SurfaceFault(*mesh), "");
  EXPECT_NEAR(Volume(*mesh), 24.0, 1e-12);
  for (InkVertex* v : mesh->Vertices()) {
    EXPECT_EQ(v->mark, 0);
    EXPECT_EQ(v->figure, nullptr);
    EXPECT_TRUE(GMIsUndefined(v->worldPosition));
  }
}

TEST(GMMakeMeshFromPolygons, MergesPointsWithinTheToleranceOnEveryAxis) {
  // The second triangle's corners are off by just under the tolerance on
  // each axis (further than it in distance), the third's by just over.
  const GMPolygon a = Ring({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  const GMPolygon b = Ring({{1 + 9e-8, 9e-8, -9e-8}, {1, 1, 0}, {9e-8, 1 - 9e-8, 9e-8}});
  const GMPolygon c = Ring({{1 + 2e-7, 1, 0}, {2, 1, 0}, {2, 2, 0}});
  const GMMeshPtr mesh = GMMakeMeshFromPolygons(std::vector<GMPolygon>{a, b, c}, 1e-7);
  EXPECT_EQ(mesh->vertexCount, 7);
  EXPECT_EQ(Loop(*mesh, 1), (std::vector<int>{1, 3, 2}));
  EXPECT_TRUE(VectorNear(mesh->Position(1), {1, 0, 0}, 0.0));  // the first-seen position stays
  EXPECT_EQ(Loop(*mesh, 2), (std::vector<int>{4, 5, 6}));
  EXPECT_EQ(mesh->edgeCount, 3 + 2 + 3);  // the shared edge 1-2 once

  // Corners that fall together give no edge.
  const GMMeshPtr spike = GMMakeMeshFromPolygons(std::vector<GMPolygon>{Ring({{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}})}, 1e-7);
  EXPECT_EQ(Loop(*spike, 0), (std::vector<int>{0, 1, 1, 2}));
  EXPECT_EQ(spike->edgeCount, 3);

  EXPECT_FALSE(GMMakeMeshFromPolygons({}, 1e-7));
}

TEST(GMFindMeshFace, FirstFaceHoldingThePoint) {
  const GMMeshPtr box = meshtest::SplitBox(1, 1, 1, 1);  // bottom, top, y = 0, y = 1, x = 0, x = 1
  EXPECT_EQ(GMFindMeshFace({0.5, 0.5, 1}, *box, 1e-7), 1);
  EXPECT_EQ(GMFindMeshFace({0.5, 0, 0.5}, *box, 1e-7), 2);
  EXPECT_EQ(GMFindMeshFace({1, 0.25, 1}, *box, 1e-7), 1);  // on the edge between top and x = 1
  EXPECT_EQ(GMFindMeshFace({0, 0, 0}, *box, 1e-7), 0);
  EXPECT_EQ(GMFindMeshFace({0.5, 0.5, 0.5}, *box, 1e-7), -1);
  EXPECT_EQ(GMFindMeshFace({1.5, 0.5, 1}, *box, 1e-7), -1);  // in the lid's plane, beyond it
}

TEST(GMPointInMesh, InsideOutsideAndOnTheSurface) {
  const GMMeshPtr box = meshtest::SplitBox(2, 2, 2, 1);
  EXPECT_EQ(GMPointInMesh(*box, {1, 1, 1}, 1, 1e-7), 1);
  EXPECT_EQ(GMPointInMesh(*box, {3, 1, 1}, 1, 1e-7), 0);
  EXPECT_EQ(GMPointInMesh(*box, {-3, 1, 1}, 1, 1e-7), 0);
  EXPECT_EQ(GMPointInMesh(*box, {1, 5, 1}, 1, 1e-7), 0);
  EXPECT_EQ(GMPointInMesh(*box, {1, 1, 2}, 1, 1e-7), -1);
  EXPECT_EQ(GMPointInMesh(*box, {2, 2, 2}, 1, 1e-7), -1);
  // Without the surface check the ray still finds a point on an edge that
  // it runs along.
  EXPECT_EQ(GMPointInMesh(*box, {2, 2, 1}, 0, 1e-7), -1);
}

TEST(GMPointInMesh, RaysGrazingEdgesAndFacesAreTilted) {
  // Twelve triangles: the x = 2 side is split along (2,0,0)-(2,2,2), which
  // the ray from the centre meets exactly.
  const GMMeshPtr box = meshtest::SplitBox(2, 2, 2, 1, true);
  EXPECT_EQ(GMPointInMesh(*box, {1, 1, 1}, 1, 1e-7), 1);
  EXPECT_EQ(GMPointInMesh(*box, {0.5, 0.5, 0.5}, 1, 1e-7), 1);
  // A ray that runs in the plane of the y = 0 side.
  EXPECT_EQ(GMPointInMesh(*box, {-1, 0, 1}, 1, 1e-7), 0);
  // Level with the top edges, outside.
  EXPECT_EQ(GMPointInMesh(*box, {-1, 2, 2}, 1, 1e-7), 0);

  // A concave solid: the notch of an L is outside, the legs inside, and
  // the ray from the notch crosses the solid twice.
  const GMMeshPtr l = ExtrudePolygon(Ring({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}}), {0, 0, 1});
  EXPECT_EQ(GMPointInMesh(*l, {1.5, 1.5, 0.5}, 1, 1e-7), 0);
  EXPECT_EQ(GMPointInMesh(*l, {0.5, 1.5, 0.5}, 1, 1e-7), 1);
  EXPECT_EQ(GMPointInMesh(*l, {-0.5, 0.5, 0.5}, 1, 1e-7), 0);
  EXPECT_EQ(GMPointInMesh(*l, {0.5, 1, 0.5}, 1, 1e-7), 1);  // level with the inner corner's edge
}

TEST(GMPointInMesh, OpenOrEmptyMeshes) {
  const GMMesh empty;
  EXPECT_EQ(GMPointInMesh(empty, {0, 0, 0}, 1, 1e-7), 0);
  EXPECT_EQ(GMFindMeshFace({0, 0, 0}, empty, 1e-7), -1);
}
