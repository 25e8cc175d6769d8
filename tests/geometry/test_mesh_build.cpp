// Extrusion, face access, the faces on an edge, orientation, merging of
// coplanar faces and the drawable edge table.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "geometry/gm_mesh_build.h"
#include "geometry/gm_mesh_make.h"
#include "geometry/gm_mesh_merge.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_polygon_ops.h"
#include "gm_expect.h"
#include "mesh_samples.h"

using meshtest::EulerCharacteristic;
using meshtest::Loop;
using meshtest::Ring;
using meshtest::SurfaceFault;
using meshtest::Volume;

namespace {

const GMPolygon kUnitSquare = Ring({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});

// An L-shaped floor plan (area 3) in the xy plane, counter-clockwise.
const GMPolygon kFloorL = Ring({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}});

void ExpectClosedSolid(const GMMesh& mesh, double volume) {
  EXPECT_EQ(SurfaceFault(mesh), "");
  EXPECT_NEAR(Volume(mesh), volume, 1e-9);
  EXPECT_EQ(EulerCharacteristic(mesh), 2);
}

GMVector FaceNormal(const GMMesh& mesh, int face) { return GMPolygonNormal(*MeshFacePolygon(mesh, face), 1e-7); }

}  // namespace

// --- extrusion ----------------------------------------------------------------

TEST(ExtrudePolygon, UnitSquareUpwardsReadsTheRingBackwards) {
  const GMMeshPtr mesh = ExtrudePolygon(kUnitSquare, {0, 0, 1});
  ASSERT_TRUE(mesh);
  EXPECT_EQ(mesh->vertexCount, 8);
  EXPECT_EQ(mesh->faceCount, 6);
  EXPECT_EQ(mesh->edgeCount, 12);
  EXPECT_TRUE(VectorNear(mesh->Position(0), {0, 1, 0}));
  EXPECT_TRUE(VectorNear(mesh->Position(3), {0, 0, 0}));
  EXPECT_TRUE(VectorNear(mesh->Position(4), {0, 1, 1}));
  EXPECT_EQ(Loop(*mesh, 0), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(Loop(*mesh, 1), (std::vector<int>{7, 6, 5, 4}));
  EXPECT_EQ(Loop(*mesh, 2), (std::vector<int>{0, 4, 5, 1}));
  // The bottom runs clockwise seen from above: it looks down, out of the solid.
  EXPECT_TRUE(VectorNear(FaceNormal(*mesh, 0), {0, 0, -1}));
  EXPECT_TRUE(VectorNear(FaceNormal(*mesh, 1), {0, 0, 1}));
  ExpectClosedSolid(*mesh, 1.0);
  for (const GMMeshEdge& edge : mesh->Edges()) EXPECT_EQ(edge.extra, -1);
}

TEST(ExtrudePolygon, UnitSquareDownwardsKeepsTheRing) {
  const GMMeshPtr mesh = ExtrudePolygon(kUnitSquare, {0, 0, -1});
  ASSERT_TRUE(mesh);
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(VectorNear(mesh->Position(i), kUnitSquare[i]));
    EXPECT_TRUE(VectorNear(mesh->Position(4 + i), {kUnitSquare[i].x, kUnitSquare[i].y, -1}));
  }
  EXPECT_TRUE(VectorNear(FaceNormal(*mesh, 0), {0, 0, 1}));
  ExpectClosedSolid(*mesh, 1.0);
}

TEST(ExtrudePolygon, RefusesASweepInThePolygonsPlane) {
  EXPECT_FALSE(ExtrudePolygon(kUnitSquare, {1, 0, 0}));
  EXPECT_FALSE(ExtrudePolygon(kUnitSquare, {0, 0, 5e-8}));
  EXPECT_FALSE(ExtrudePolygon(Ring({{0, 0, 0}, {1, 0, 0}}), {0, 0, 1}));
  EXPECT_FALSE(ExtrudePolygon(Ring({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}), {0, 0, 1}));  // no normal
}

TEST(ExtrudePolygon, ConcaveAndClockwiseRingsGiveOutwardSolidsEitherWay) {
  GMPolygon clockwise = kFloorL;
  std::reverse(clockwise.points.begin(), clockwise.points.end());
  for (const GMPolygon* ring : std::vector<const GMPolygon*>{&kFloorL, &clockwise}) {
    for (const GMVector& v : {GMVector{0, 0, 2.5}, GMVector{0, 0, -2.5}, GMVector{0.5, -0.25, 2.5}}) {
      const GMMeshPtr mesh = ExtrudePolygon(*ring, v);
      ASSERT_TRUE(mesh);
      ExpectClosedSolid(*mesh, 3.0 * 2.5);  // a slanted prism keeps base times height
    }
  }
}

// --- face access ----------------------------------------------------------------

TEST(MeshFaces, FacePolygonAndReversal) {
  const GMMeshPtr mesh = ExtrudePolygon(kUnitSquare, {0, 0, 1});
  const GMPolygonPtr side = MeshFacePolygon(*mesh, 2);
  ASSERT_TRUE(side);
  ASSERT_EQ(side->Count(), 4);
  EXPECT_TRUE(VectorNear((*side)[1], {0, 1, 1}));
  EXPECT_FALSE(MeshFacePolygon(*mesh, 6));
  EXPECT_FALSE(MeshFacePolygon(*mesh, -1));

  ReverseMeshFace(*mesh, 0);
  EXPECT_EQ(Loop(*mesh, 0), (std::vector<int>{3, 2, 1, 0}));
  ReverseMeshFace(*mesh, 6);  // beyond the faces: nothing
  ReverseMeshFace(*mesh, -1);
  EXPECT_EQ(Loop(*mesh, 5), (std::vector<int>{3, 7, 4, 0}));
}

TEST(FindEdgeFaces, ReportsNeighboursAndTheirAgreement) {
  const GMMeshPtr mesh = ExtrudePolygon(kUnitSquare, {0, 0, 1});
  int first = -1, second = -1;
  EXPECT_EQ(FindEdgeFaces(*mesh, 0, 1, first, second), 1);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 2);
  EXPECT_EQ(FindEdgeFaces(*mesh, 1, 0, first, second), 1);  // either way round

  ReverseMeshFace(*mesh, 2);
  EXPECT_EQ(FindEdgeFaces(*mesh, 0, 1, first, second), 0);
  EXPECT_EQ(second, 2);

  EXPECT_EQ(FindEdgeFaces(*mesh, 0, 2, first, second), 0);  // a diagonal: no face
  EXPECT_EQ(first, -1);
  EXPECT_EQ(second, -1);

  const GMMeshPtr lone = GMMakeMeshFromPolygons(std::vector<GMPolygon>{kUnitSquare}, 1e-7);
  EXPECT_EQ(FindEdgeFaces(*lone, 0, 1, first, second), 0);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, -1);
}

// --- orientation --------------------------------------------------------------------

TEST(OrientMeshFaces, TurnsFlippedFacesToAgreeWithTheStart) {
  const GMMeshPtr mesh = meshtest::SplitBox(2, 3, 4, 3);
  for (int f : {1, 7, 8, 20, 33, 53}) ReverseMeshFace(*mesh, f);
  ASSERT_NE(SurfaceFault(*mesh), "");
  EXPECT_EQ(OrientMeshFaces(*mesh, 0), 1);
  ExpectClosedSolid(*mesh, 24.0);

  // Starting from a face that looks inwards turns the whole surface inwards.
  ReverseMeshFace(*mesh, 10);
  EXPECT_EQ(OrientMeshFaces(*mesh, 10), 1);
  EXPECT_EQ(SurfaceFault(*mesh), "");
  EXPECT_NEAR(Volume(*mesh), -24.0, 1e-9);
}

TEST(OrientMeshFaces, ReportsOpenEdgesAndLeavesUnreachedPartsAlone) {
  // A box without its lid: oriented, but open.
  std::vector<GMPolygon> sides = meshtest::SplitBoxPolygons(1, 1, 1, 1);
  sides.erase(sides.begin() + 1);
  const GMMeshPtr open = GMMakeMeshFromPolygons(sides, 1e-7);
  ReverseMeshFace(*open, 3);
  EXPECT_EQ(OrientMeshFaces(*open, 0), 0);
  EXPECT_TRUE(VectorNear(FaceNormal(*open, 3), {-1, 0, 0}));  // the x = 0 side looks out again

  // Two separate boxes: only the one holding the start face is touched.
  std::vector<GMPolygon> two = meshtest::SplitBoxPolygons(1, 1, 1, 1);
  for (GMPolygon p : meshtest::SplitBoxPolygons(1, 1, 1, 1)) {
    for (GMVector& q : p.points) q.x += 5;
    two.push_back(p);
  }
  const GMMeshPtr pair = GMMakeMeshFromPolygons(two, 1e-7);
  ReverseMeshFace(*pair, 2);
  ReverseMeshFace(*pair, 8);
  EXPECT_EQ(OrientMeshFaces(*pair, 0), 1);
  EXPECT_TRUE(VectorNear(FaceNormal(*pair, 2), {0, -1, 0}));
  EXPECT_TRUE(VectorNear(FaceNormal(*pair, 8), {0, 1, 0}));  // still flipped
  EXPECT_EQ(OrientMeshFaces(*pair, 6), 1);
  EXPECT_EQ(SurfaceFault(*pair), "");

  EXPECT_EQ(OrientMeshFaces(*pair, 12), 0);  // not a face
}

// --- the drawable edge table --------------------------------------------------------

TEST(FinaliseMeshEdges, CubeOfTrianglesKeepsItsTwelveEdges) {
  const GMMeshPtr mesh = meshtest::SplitBox(1, 1, 1, 1, true);
  ASSERT_EQ(mesh->faceCount, 12);
  ASSERT_EQ(mesh->edgeCount, 18);
  EXPECT_EQ(FinaliseMeshEdges(*mesh, 0.0, 1e-7), 1);
  ASSERT_EQ(mesh->edgeCount, 12);
  for (const GMMeshEdge& edge : mesh->Edges()) {
    EXPECT_EQ(edge.extra, -1);
    // A cube edge runs along one axis: the ends differ in exactly one coordinate.
    const GMVector& a = mesh->Position(edge.first);
    const GMVector& b = mesh->Position(edge.second);
    EXPECT_EQ((a.x != b.x) + (a.y != b.y) + (a.z != b.z), 1);
  }
}

TEST(FinaliseMeshEdges, ThresholdKeepsOnlySharperFolds) {
  // A regular octagonal prism: sides meet at 45 degrees, caps at 90.
  GMPolygon octagon;
  for (int k = 0; k < 8; ++k)
    octagon.points.push_back({std::cos(k * std::numbers::pi / 4), std::sin(k * std::numbers::pi / 4), 0});
  const GMMeshPtr prism = ExtrudePolygon(octagon, {0, 0, 1});
  EXPECT_EQ(FinaliseMeshEdges(*prism, std::numbers::pi / 3, 1e-7), 1);
  EXPECT_EQ(prism->edgeCount, 16);  // the two rims; the uprights fold by only 45 degrees

  const GMMeshPtr again = ExtrudePolygon(octagon, {0, 0, 1});
  EXPECT_EQ(FinaliseMeshEdges(*again, std::numbers::pi / 4, 1e-7), 1);
  EXPECT_EQ(again->edgeCount, 16);  // exactly the threshold is not beyond it

  const GMMeshPtr all = ExtrudePolygon(octagon, {0, 0, 1});
  EXPECT_EQ(FinaliseMeshEdges(*all, -1.0, 1e-7), 1);
  EXPECT_EQ(all->edgeCount, 24);
}

TEST(FinaliseMeshEdges, OpenEdgesKeepTheirFaceAndFoldsAreNotClosed) {
  std::vector<GMPolygon> sides = meshtest::SplitBoxPolygons(1, 1, 1, 1);
  sides.erase(sides.begin() + 1);  // the lid
  const GMMeshPtr open = GMMakeMeshFromPolygons(sides, 1e-7);
  EXPECT_EQ(FinaliseMeshEdges(*open, 0.0, 1e-7), 0);
  int border = 0;
  for (const GMMeshEdge& edge : open->Edges()) {
    if (edge.extra < 0) continue;
    ++border;
    EXPECT_GE(GMFaceEdgeDirection(open->faces[edge.extra], edge.first, edge.second), 0);
    EXPECT_EQ(open->Position(edge.first).z, 1.0);
  }
  EXPECT_EQ(border, 4);

  // A square and its back side: every edge has two faces, but they fold flat.
  GMPolygon back = kUnitSquare;
  GMReversePolygon(back);
  const GMMeshPtr sheet = GMMakeMeshFromPolygons(std::vector<GMPolygon>{kUnitSquare, back}, 1e-7);
  EXPECT_EQ(FinaliseMeshEdges(*sheet, 0.0, 1e-7), 0);
  EXPECT_EQ(sheet->edgeCount, 4);
}

TEST(FinaliseMeshEdges, DropsEdgesThatNoFaceRunsAlong) {
  const GMMeshPtr mesh = ExtrudePolygon(kUnitSquare, {0, 0, 1});
  std::vector<GMMeshEdge> edges(mesh->Edges().begin(), mesh->Edges().end());
  edges.push_back({0, 6, -1});  // a diagonal through the solid
  mesh->SetEdges(edges);
  EXPECT_EQ(FinaliseMeshEdges(*mesh, 0.0, 1e-7), 1);
  EXPECT_EQ(mesh->edgeCount, 12);
}

TEST(RebuildMeshEdges, ListsEveryEdgeOnceEvenAcrossCoincidentVertices) {
  // The unit cube with corner 0 doubled: faces 0 and 2 use the twin.
  const std::vector<GMVector> points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1},
                                        {1, 0, 1}, {1, 1, 1}, {0, 1, 1}, {5e-8, 0, 0}};
  const std::vector<std::vector<int32_t>> faces = {{8, 3, 2, 1}, {4, 5, 6, 7}, {8, 1, 5, 4},
                                                   {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
  const GMMeshPtr mesh = GMNewMesh(points, {}, faces);
  RebuildMeshEdges(*mesh, 1e-7);
  EXPECT_EQ(mesh->edgeCount, 12);
  for (const GMMeshEdge& edge : mesh->Edges()) EXPECT_EQ(edge.extra, -1);
  RebuildMeshEdges(*mesh, 0.0);  // with no tolerance the twin's edges count apart
  EXPECT_EQ(mesh->edgeCount, 14);
}

// --- merging coplanar faces -------------------------------------------------------------

TEST(JoinCoplanarPolygons, JoinsAlongOneSharedChain) {
  const GMPolygon right = Ring({{1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}});
  const GMPolygonPtr joined = JoinCoplanarPolygons(kUnitSquare, right, 1e-7);
  ASSERT_TRUE(joined);
  const std::vector<GMVector> want = {{1, 1, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}};
  ASSERT_EQ(joined->Count(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(VectorNear((*joined)[i], want[static_cast<size_t>(i)]));
  EXPECT_NEAR(GMPolygonArea2D(*joined), 2.0, 1e-12);

  // A chain of two edges: the middle point goes.
  const GMPolygon l = Ring({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}});
  const GMPolygon notch = Ring({{2, 1, 0}, {2, 2, 0}, {1, 2, 0}, {1, 1, 0}});
  const GMPolygonPtr square = JoinCoplanarPolygons(l, notch, 1e-7);
  ASSERT_TRUE(square);
  EXPECT_EQ(square->Count(), 6);
  EXPECT_NEAR(GMPolygonArea2D(*square), 4.0, 1e-12);
}

TEST(JoinCoplanarPolygons, RefusesPointContactDisjointAndReversedNeighbours) {
  EXPECT_FALSE(JoinCoplanarPolygons(kUnitSquare, Ring({{1, 1, 0}, {2, 1, 0}, {2, 2, 0}, {1, 2, 0}}), 1e-7));
  EXPECT_FALSE(JoinCoplanarPolygons(kUnitSquare, Ring({{3, 0, 0}, {4, 0, 0}, {4, 1, 0}}), 1e-7));
  EXPECT_FALSE(JoinCoplanarPolygons(kUnitSquare, Ring({{1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {2, 0, 0}}), 1e-7));
  GMPolygon same = kUnitSquare;
  GMReversePolygon(same);
  EXPECT_FALSE(JoinCoplanarPolygons(kUnitSquare, same, 1e-7));  // every edge shared: nothing left
}

TEST(MergeCoplanarFaces, ABoxWithSplitSidesBecomesSixFaces) {
  for (bool triangles : {false, true}) {
    const GMMeshPtr split = meshtest::SplitBox(2, 3, 4, 3, triangles);
    const GMMeshPtr merged = MergeCoplanarFaces(*split, 1e-7);
    ASSERT_TRUE(merged);
    EXPECT_EQ(merged->faceCount, 6);
    ExpectClosedSolid(*merged, 24.0);
    // The split points on the box edges stay, shared by both sides.
    EXPECT_EQ(merged->vertexCount, 32);
    EXPECT_EQ(FinaliseMeshEdges(*merged, 0.0, 1e-7), 1);
    EXPECT_EQ(merged->edgeCount, 36);
  }
}

TEST(MergeCoplanarPolygons, KeepsOtherPlanesApartAndDropsRepeatedFaces) {
  const GMPolygon right = Ring({{1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}});
  const GMPolygon raised = Ring({{1, 0, 1}, {2, 0, 1}, {2, 1, 1}, {1, 1, 1}});
  const GMPolygon wall = Ring({{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}});
  const GMMeshPtr mesh = MergeCoplanarPolygons(std::vector<GMPolygon>{kUnitSquare, raised, wall, right, raised}, 1e-7);
  ASSERT_TRUE(mesh);
  ASSERT_EQ(mesh->faceCount, 3);
  EXPECT_EQ(mesh->faces[0].count, 6);  // the floor, joined
  EXPECT_EQ(mesh->faces[1].count, 4);
  EXPECT_EQ(mesh->faces[2].count, 4);
  EXPECT_EQ(mesh->vertexCount, 10);
  EXPECT_FALSE(MergeCoplanarPolygons({}, 1e-7));
}

TEST(MergeCoplanarFaces, ExtrudedFloorPlanPipelineStaysClosed) {
  // The scene file's sequence for a block: extrude, merge, finalise.
  const GMMeshPtr block = ExtrudePolygon(kFloorL, {0, 0, 3});
  const GMMeshPtr merged = MergeCoplanarFaces(*block, 1e-7);
  ASSERT_TRUE(merged);
  EXPECT_EQ(merged->faceCount, 8);
  EXPECT_EQ(FinaliseMeshEdges(*merged, 0.0, 1e-7), 1);
  EXPECT_EQ(merged->edgeCount, 18);
  ExpectClosedSolid(*merged, 9.0);
}
