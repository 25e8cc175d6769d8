// Meshes from polygons, and the place of a point relative to a closed mesh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "geometry/gm_mesh_build.h"
#include "geometry/gm_mesh_make.h"
#include "geometry/gm_polygon.h"
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

// The prepared locator answers exactly as GMPointInMesh and GMFindMeshFace:
// on corners, edges and faces, a hair off them on either side, level with
// edges (where the ray must be tilted), inside and outside, for boxes, a
// block with a courtyard, round prisms and split boxes, near the origin and
// at site coordinates.
TEST(CGMMeshLocator, AnswersAsThePointInMeshRules) {
  std::vector<GMMeshPtr> meshes;
  const auto box = [](double x0, double y0, double z0, double x1, double y1, double z1) {
    const GMPolygonSetPtr faces = GMBoxFaces(x0, y0, z0, x1, y1, z1);
    return GMMakeMeshFromPolygons(faces->polygons, 1e-7);
  };
  meshes.push_back(box(0, 0, 0, 2, 3, 4));
  meshes.push_back(box(-40000.25, 30000.5, 0, -39990.25, 30012.5, 9));
  meshes.push_back(GMMakeMeshFromPolygons(meshtest::SplitBoxPolygons(3, 2, 1, 3), 1e-7));
  meshes.push_back(GMMakeMeshFromPolygons(meshtest::SplitBoxPolygons(2, 2, 2, 2, true), 1e-7));
  {
    // An octagonal prism, turned so that no face is axis-parallel.
    std::vector<GMPolygon> faces;
    GMPolygon bottom, top;
    std::vector<GMVector> ring;
    for (int i = 0; i < 8; ++i) ring.push_back({1.5 * std::cos(0.3 + i * 0.785398), 1.5 * std::sin(0.3 + i * 0.785398), 0});
    for (int i = 7; i >= 0; --i) bottom.points.push_back(ring[static_cast<size_t>(i)]);
    for (const GMVector& p : ring) top.points.push_back({p.x, p.y, 2.5});
    faces.push_back(bottom);
    faces.push_back(top);
    for (int i = 0; i < 8; ++i) {
      const GMVector& p = ring[static_cast<size_t>(i)];
      const GMVector& q = ring[static_cast<size_t>((i + 1) % 8)];
      faces.push_back(GMPolygon{{p, q, {q.x, q.y, 2.5}, {p.x, p.y, 2.5}}});
    }
    meshes.push_back(GMMakeMeshFromPolygons(faces, 1e-7));
  }
  std::mt19937 random(31);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int onSurface = 0, inside = 0;
  for (const GMMeshPtr& mesh : meshes) {
    ASSERT_TRUE(mesh);
    const CGMMeshLocator locator(*mesh);
    GMVector lo = mesh->Position(0), hi = lo;
    for (const InkVertex* v : mesh->Vertices()) {
      lo = {std::min(lo.x, v->position.x), std::min(lo.y, v->position.y), std::min(lo.z, v->position.z)};
      hi = {std::max(hi.x, v->position.x), std::max(hi.y, v->position.y), std::max(hi.z, v->position.z)};
    }
    std::vector<GMVector> points;
    for (const GMMeshFace& face : mesh->Faces()) {
      const GMVector a = mesh->Position(face.indices[0]), b = mesh->Position(face.indices[1]);
      const GMVector c = mesh->Position(face.indices[2]);
      const GMVector mid{(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
      const GMVector centre{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
      for (const GMVector& p : {a, mid, centre})
        for (const double off : {0.0, 5e-8, -5e-8, 2e-7, -2e-7, 1e-3, -1e-3})
          points.push_back({p.x + off, p.y + off * 0.5, p.z - off});
    }
    for (int i = 0; i < 300; ++i) {
      GMVector p{lo.x + (hi.x - lo.x) * (1.4 * unit(random) - 0.2), lo.y + (hi.y - lo.y) * (1.4 * unit(random) - 0.2),
                 lo.z + (hi.z - lo.z) * (1.4 * unit(random) - 0.2)};
      // Every fourth point level with a corner, so the ray runs into edges.
      if (i % 4 == 0) {
        const GMVector& v = mesh->Position(static_cast<int>(random() % static_cast<unsigned>(mesh->vertexCount)));
        p.y = v.y;
        p.z = v.z;
      }
      points.push_back(p);
    }
    for (const GMVector& p : points) {
      const int literal = GMPointInMesh(*mesh, p, 1, GM_TOLERANCE);
      ASSERT_EQ(locator.PointInMesh(p, 1, GM_TOLERANCE), literal) << p.x << " " << p.y << " " << p.z;
      ASSERT_EQ(locator.PointInMesh(p, 0, GM_TOLERANCE), GMPointInMesh(*mesh, p, 0, GM_TOLERANCE));
      ASSERT_EQ(locator.FindFace(p, GM_TOLERANCE), GMFindMeshFace(p, *mesh, GM_TOLERANCE));
      onSurface += literal == -1 ? 1 : 0;
      inside += literal == 1 ? 1 : 0;
    }
  }
  EXPECT_GT(onSurface, 200);
  EXPECT_GT(inside, 200);
}
