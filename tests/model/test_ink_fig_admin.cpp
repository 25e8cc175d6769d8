#include <gtest/gtest.h>

#include <cfloat>
#include <memory>
#include <utility>
#include <vector>

#include "model/InkFigAdmin.h"
#include "model/InkNode.h"
#include "scene_samples.h"

namespace {

using scene_samples::AddBox;
using scene_samples::AddInstance;
using scene_samples::AddPoint;

// The vertex list must be every figure's vertices end to end, in figure
// order, each pointing back at its figure.
void ExpectVerticesFollowFigures(CInkNode& node) {
  std::vector<InkVertex*> expected;
  for (int i = 0; i < node.GetFigureCount(); ++i) {
    const InkFigure* f = node.GetFigure(i);
    for (InkVertex* v : InkGeometryVertices(f->kind, f->geometry)) {
      EXPECT_EQ(v->figure, f);
      expected.push_back(v);
    }
  }
  ASSERT_EQ(node.GetVertexCount(), static_cast<int>(expected.size()));
  for (int i = 0; i < node.GetVertexCount(); ++i) EXPECT_EQ(node.GetVertex(i), expected[static_cast<size_t>(i)]);
}

class FigAdmin : public ::testing::Test {
 protected:
  std::unique_ptr<CInkNode> node{scene_samples::NewNode()};
};

TEST_F(FigAdmin, PolygonIsAPrivateCopyWithMarksAndUndefinedWorldPositions) {
  const std::vector<GMVector> points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  const std::vector<int32_t> marks = {0, 0, 5, 0};
  auto description = std::make_unique<InkPolyDescription>(points, marks);
  AddPoint(*node, {9, 9, 9});
  EXPECT_EQ(node->AddPolygonFigure(description->Get(), 42), 1);
  description.reset();  // the caller frees its own description

  EXPECT_EQ(node->GetFigureCount(), 2);
  EXPECT_EQ(node->GetVertexCount(), 5);
  const InkFigure* polygon = node->GetFigure(1);
  EXPECT_EQ(polygon->kind, kInkFigurePolygon);
  EXPECT_EQ(polygon->value, 42);
  EXPECT_EQ(polygon->hidden, 0);
  EXPECT_EQ(polygon->owner, node.get());
  for (int i = 1; i < 5; ++i) {
    const InkVertex* v = node->GetVertex(i);
    EXPECT_EQ(v->position, points[static_cast<size_t>(i - 1)]);
    EXPECT_EQ(v->mark, marks[static_cast<size_t>(i - 1)]);
    EXPECT_EQ(v->worldPosition, GMUndefinedVector());
    EXPECT_EQ(v->figure, polygon);
  }
  EXPECT_THROW(node->GetVertex(5), CListError);
  EXPECT_THROW(node->GetVertex(-1), CListError);
  EXPECT_EQ(node->GetFigure(2), nullptr);
}

TEST_F(FigAdmin, RefusedFiguresChangeNothing) {
  AddBox(*node, {0, 0, 0}, {1, 1, 1});
  int dummy = 0;
  EXPECT_EQ(node->AddReservedFigure(&dummy, 0), -1);
  InkFigure strange{0, 0, nullptr, 9, &dummy};
  EXPECT_EQ(node->AddFigure(&strange), -1);
  EXPECT_EQ(node->AddFigure(nullptr), -1);
  EXPECT_EQ(node->AddPolygonFigure(nullptr, 0), -1);
  const InkPointRecord noVertex{};
  EXPECT_EQ(node->AddPointFigure(&noVertex, 0), -1);

  // A face naming a vertex the mesh does not have would be read out of bounds
  // by everyone drawing the figure.
  GMMeshPtr broken = scene_samples::Box({0, 0, 0}, {1, 1, 1});
  broken->Faces()[2].indices[1] = 8;
  EXPECT_EQ(node->AddMeshFigure(broken.get(), 0), -1);
  // Taken as it is instead of copied, it is refused (and freed) alike.
  EXPECT_EQ(node->AdoptMeshFigure(std::move(broken), 0), -1);
  EXPECT_EQ(node->AdoptMeshFigure(nullptr, 0), -1);
  EXPECT_EQ(node->GetFigureCount(), 1);
  EXPECT_EQ(node->GetVertexCount(), 8);
}

TEST_F(FigAdmin, AnAdoptedMeshIsTheFigureItselfWithItsVerticesListed) {
  AddBox(*node, {0, 0, 0}, {1, 1, 1});
  GMMeshPtr box = scene_samples::Box({2, 0, 0}, {3, 1, 1});
  const GMMesh* given = box.get();
  ASSERT_EQ(node->AdoptMeshFigure(std::move(box), 7), 1);
  EXPECT_EQ(node->GetFigure(1)->geometry, given);
  EXPECT_EQ(node->GetFigure(1)->value, 7);
  ExpectVerticesFollowFigures(*node);
  EXPECT_EQ(node->GetVertexCount(), 16);
}

TEST_F(FigAdmin, InstanceKeepsOnlyAReferenceToItsOwnNode) {
  std::unique_ptr<CInkNode> other{scene_samples::NewNode()};
  AddBox(*other, {0, 0, 0}, {1, 1, 1});
  AddBox(*node, {0, 0, 0}, {1, 1, 1});
  EXPECT_EQ(AddInstance(*node, other->GetFigure(0), {5, 0, 0}), 1);
  EXPECT_EQ(AddInstance(*node, node->GetFigure(0), {9, 0, 0}), 2);
  auto ref = [&](int i) { return static_cast<InkInstanceRecord*>(node->GetFigure(i)->geometry)->figure; };
  EXPECT_EQ(ref(1), nullptr);
  EXPECT_EQ(ref(2), node->GetFigure(0));
  EXPECT_EQ(node->GetInstanceFigureCount(), 2);
  EXPECT_EQ(node->GetVertexCount(), 10);  // eight corners and two base vertices
  EXPECT_EQ(node->GetVertex(9)->position, (GMVector{9, 0, 0}));
}

TEST_F(FigAdmin, DeletingAPlacedFigureDeletesItsInstancesTransitively) {
  AddPoint(*node, {-1, 0, 0});
  AddBox(*node, {0, 0, 0}, {1, 1, 1});
  InkFigure* box = node->GetFigure(1);
  AddInstance(*node, box, {5, 0, 0});
  AddPoint(*node, {-2, 0, 0});
  AddInstance(*node, box, {7, 0, 0});
  AddInstance(*node, node->GetFigure(2), {9, 0, 0});  // an instance of an instance
  AddInstance(*node, nullptr, {3, 0, 0});
  ASSERT_EQ(node->GetInstanceFigureCount(), 4);
  InkFigure* keptPoint = node->GetFigure(3);
  InkFigure* unplaced = node->GetFigure(6);

  EXPECT_EQ(node->DeleteFigure(box), 1);
  EXPECT_EQ(node->GetFigureCount(), 3);
  EXPECT_EQ(node->GetInstanceFigureCount(), 1);
  EXPECT_EQ(node->GetFigure(1), keptPoint);
  EXPECT_EQ(node->GetFigure(2), unplaced);
  ExpectVerticesFollowFigures(*node);
  EXPECT_EQ(node->DeleteFigure(box), 0);  // no longer there
  EXPECT_EQ(node->DeleteFigure(nullptr), 0);
  EXPECT_EQ(node->DeleteFigureAt(3), 0);
}

TEST_F(FigAdmin, DeletingInAnyOrderKeepsVerticesWithTheirFigures) {
  for (int i = 0; i < 12; ++i) {
    if (i % 3 == 0)
      AddPoint(*node, {double(i), 0, 0});
    else
      AddBox(*node, {double(i), 0, 0}, {i + 1.0, 1, 1});
  }
  for (int index : {11, 0, 5, 2, 6, 3}) {
    ASSERT_EQ(node->DeleteFigureAt(index), 1);
    ExpectVerticesFollowFigures(*node);
  }
  EXPECT_EQ(node->GetFigureCount(), 6);
}

TEST_F(FigAdmin, ClearFiguresEmptiesEverythingAndResetsTheInstanceCount) {
  AddBox(*node, {0, 0, 0}, {1, 1, 1});
  AddInstance(*node, node->GetFigure(0), {2, 0, 0});
  AddInstance(*node, nullptr, {3, 0, 0});
  node->ClearFigures();
  EXPECT_EQ(node->GetFigureCount(), 0);
  EXPECT_EQ(node->GetVertexCount(), 0);
  EXPECT_EQ(node->GetInstanceFigureCount(), 0);
  EXPECT_EQ(AddPoint(*node, {0, 0, 0}), 0);
}

TEST_F(FigAdmin, TransformVerticesDividesByTheHomogeneousWord) {
  GMMatrix m;
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0;
  m.m[3][0] = 4.0;   // translation, applied before the division
  m.m[0][3] = 1.0;   // w = x + 1 = 2
  CInkFigAdmin admin;
  admin.Attach(node.get());
  InkVertex v{{1, 2, 3}};
  const InkPointRecord record{&v};
  admin.AddPointFigure(&record, 0);
  admin.TransformVertices(m, 0);
  EXPECT_EQ(admin.GetVertex(0)->worldPosition, (GMVector{2.5, 1.0, 1.5}));
  EXPECT_EQ(admin.GetVertex(0)->position, (GMVector{1, 2, 3}));
}

TEST_F(FigAdmin, EveryKindCopiesDeeplyBetweenNodes) {
  // Subdivision surface: one quad with its four edges.
  std::vector<InkVertex> quad = {{{0, 0, 0}}, {{1, 0, 0}}, {{1, 1, 0}}, {{0, 1, 0}}};
  std::vector<InkVertex*> quadPointers = {&quad[0], &quad[1], &quad[2], &quad[3]};
  int32_t loop[] = {0, 1, 2, 3}, sides[] = {0, 1, 2, 3};
  InkIndexList faceLoop{4, loop}, faceEdges{4, sides};
  InkSubdivFace face{{0.5, 0.5, 0}, &faceLoop, &faceEdges};
  std::vector<InkSubdivEdge> edges(4);
  for (int i = 0; i < 4; ++i) edges[static_cast<size_t>(i)] = {{}, 1.0, {i, (i + 1) % 4}, {0, -1}};
  InkSubdivRecord surface;
  surface.vertexCount = 4;
  surface.vertices = quadPointers.data();
  surface.edgeCount = 4;
  surface.edges = edges.data();
  surface.faceCount = 1;
  surface.faces = &face;

  // Segment set: two rails and two profiles over the same four points.
  int32_t railA[] = {0, 1}, railB[] = {3, 2}, single[] = {0};
  InkIndexList lists[] = {{2, railA}, {2, railB}, {1, single}, {1, single}};
  InkSegmentRecord segment{{0, 1, 2, 3}};
  InkSegmentSetRecord sweep;
  sweep.vertexCount = 4;
  sweep.vertices = quadPointers.data();
  sweep.listCount = 4;
  sweep.lists = lists;
  sweep.segmentCount = 1;
  sweep.segments = &segment;

  ASSERT_EQ(node->AddSubdivisionFigure(&surface, 1), 0);
  ASSERT_EQ(node->AddSegmentFigure(&sweep, 2), 1);
  ASSERT_EQ(AddBox(*node, {0, 0, 0}, {2, 2, 2}), 2);
  node->GetFigure(2)->hidden = 1;

  std::unique_ptr<CInkNode> copy{scene_samples::NewNode()};
  node->CopyFiguresTo(copy.get());
  node.reset();  // the copies must not share anything with the originals

  ASSERT_EQ(copy->GetFigureCount(), 3);
  EXPECT_EQ(copy->GetVertexCount(), 16);
  const auto* s = static_cast<const InkSubdivRecord*>(copy->GetFigure(0)->geometry);
  EXPECT_EQ(copy->GetFigure(0)->value, 1);
  ASSERT_EQ(s->faceCount, 1);
  EXPECT_EQ(s->faces[0].vertices->indices[2], 2);
  EXPECT_EQ(s->faces[0].edges->count, 4);
  EXPECT_EQ(s->edges[3].vertex[1], 0);
  EXPECT_EQ(s->edges[3].crease, 1.0);
  EXPECT_EQ(s->vertexRecords[2].point, (GMVector{1, 1, 0}));
  const auto* g = static_cast<const InkSegmentSetRecord*>(copy->GetFigure(1)->geometry);
  ASSERT_EQ(g->listCount, 4);
  EXPECT_EQ(g->lists[1].indices[0], 3);
  EXPECT_EQ(g->segments[0].list[3], 3);
  const auto* mesh = static_cast<const GMMesh*>(copy->GetFigure(2)->geometry);
  EXPECT_EQ(mesh->faceCount, 6);
  EXPECT_EQ(mesh->edgeCount, 12);
  EXPECT_EQ(mesh->Position(6), (GMVector{2, 2, 2}));
  EXPECT_EQ(copy->GetFigure(2)->hidden, 1);
  ExpectVerticesFollowFigures(*copy);
}

}  // namespace
