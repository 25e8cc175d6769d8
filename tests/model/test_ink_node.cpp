#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "common/encoding.h"
#include "common/file_util.h"
#include "geometry/gm_matrix.h"
#include "model/InkNode.h"
#include "scene_samples.h"

namespace {

using scene_samples::AddBox;
using scene_samples::AddInstance;
using scene_samples::AddPoint;
using scene_samples::NewNode;

GMVector Apply(const GMMatrix& m, GMVector p) {
  GMTransformPoint(p, m);
  return p;
}

void ExpectNear(const GMVector& a, const GMVector& b, double tol = 1e-12) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

void ExpectIdentity(const GMMatrix& m, double tol) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(m.m[i][j], i == j ? 1.0 : 0.0, tol) << i << "," << j;
}

InkAttributes Placed(GMVector origin, GMVector scale = {1, 1, 1}, GMVector axis = {0, 0, 1}, double angle = 0) {
  InkAttributes a;
  a.origin = origin;
  a.scale = scale;
  a.rotationAxis = axis;
  a.rotationAngle = angle;
  return a;
}

TEST(InkNode, FreshNodeHasTheDocumentedDefaults) {
  std::unique_ptr<CInkNode> node{NewNode()};
  EXPECT_EQ(std::string(node->GetName(nullptr, 0)), korvex::Utf8ToCp932("名称未定"));
  InkAttributes a;
  node->GetAttributes(a);
  EXPECT_EQ(a.colour, 0xFF000000u);
  EXPECT_EQ(a.textureSlot, 0);
  EXPECT_EQ(a.rotationAxis, (GMVector{0, 0, 1}));
  EXPECT_EQ(a.rotationAngle, 0.0);
  EXPECT_EQ(a.scale, (GMVector{1, 1, 1}));
  EXPECT_EQ(a.origin, (GMVector{0, 0, 0}));
  EXPECT_EQ(node->IsShown(), 1);
  EXPECT_EQ(node->IsLocked(), 0);
  EXPECT_EQ(node->GetNodeId(), 0);
  EXPECT_EQ(node->GetParent(), nullptr);
  EXPECT_EQ(node->FindById(0), node.get());
  EXPECT_EQ(node->GetProperties()->GetCount(), 0);
  EXPECT_EQ(node->GetFigureCount(), 0);
}

TEST(InkNode, NamesAreCutToFitTheirFieldAndTheCallersBuffer) {
  std::unique_ptr<CInkNode> node{NewNode()};
  const std::string longName(100, 'n');
  node->SetName(longName);
  EXPECT_EQ(std::string(node->GetName(nullptr, 0)), longName.substr(0, 63));
  char buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), 'x');
  EXPECT_EQ(std::string(node->GetName(buffer, 5)), "nnnn");
  EXPECT_EQ(buffer[4], '\0');
  EXPECT_EQ(buffer[5], 'x');  // nothing written beyond size
  node->SetName(std::string_view{});  // a field left empty in a file
  EXPECT_STREQ(node->GetName(nullptr, 0), "");

  InkAttributes old, fresh = Placed({1, 2, 3});
  node->SetAttributes(old, fresh);
  EXPECT_EQ(old.origin, (GMVector{0, 0, 0}));
  node->GetAttributeRecord()->colour = 0x80112233u;  // edited in place, as the dialogs do
  EXPECT_EQ(node->GetAttributes(old).colour, 0x80112233u);
  EXPECT_EQ(old.origin, (GMVector{1, 2, 3}));
}

TEST(InkNode, LocalMatrixScalesThenRotatesThenTranslates) {
  std::unique_ptr<CInkNode> node{NewNode()};
  GMMatrix m;
  *node->GetAttributeRecord() = Placed({0, 0, 0}, {1, 1, 1}, {0, 0, 2}, std::numbers::pi / 2);
  ExpectNear(Apply(node->GetLocalMatrix(m), {1, 0, 0}), {0, 1, 0});  // the axis is normalised

  *node->GetAttributeRecord() = Placed({10, 0, 0}, {2, 2, 2});
  ExpectNear(Apply(node->GetLocalMatrix(m), {1, 0, 0}), {12, 0, 0});

  // Scaling along x before a quarter turn stretches what ends up along y.
  *node->GetAttributeRecord() = Placed({0, 0, 5}, {3, 1, 1}, {0, 0, 1}, std::numbers::pi / 2);
  ExpectNear(Apply(node->GetLocalMatrix(m), {1, 0, 0}), {0, 3, 5});
  ExpectNear(Apply(node->GetLocalMatrix(m), {0, 1, 0}), {-1, 0, 5});

  GMMatrix inverse, product;
  node->GetInverseLocalMatrix(inverse);
  GMMatrixMultiply(inverse, m, product);
  ExpectIdentity(product, 1e-12);
}

TEST(InkNode, TheRootsPlacementNeverCounts) {
  const InkAttributes rootPlace = Placed({100, 0, 0}, {5, 5, 5}, {1, 0, 0}, 1.0);
  std::unique_ptr<CInkNode> root{NewNode(&rootPlace)};
  const InkAttributes childPlace = Placed({1, 2, 3}, {2, 1, 1}, {0, 1, 0}, 0.5);
  CInkNode* child = NewNode(&childPlace);
  root->AddChild(child);

  GMMatrix world, local, inverse;
  root->GetWorldMatrix(world);
  ExpectIdentity(world, 0);
  root->GetInverseWorldMatrix(inverse);
  ExpectIdentity(inverse, 0);
  child->GetWorldMatrix(world);
  EXPECT_EQ(world, child->GetLocalMatrix(local));
  child->GetInverseWorldMatrix(inverse);
  EXPECT_EQ(inverse, child->GetInverseLocalMatrix(local));

  AddPoint(*child, {1, 0, 0});
  child->UpdateWorldVertices(0);
  ExpectNear(child->GetVertex(0)->worldPosition, Apply(world, {1, 0, 0}));
}

TEST(InkNode, WorldAndInverseWorldAreInversesOnRandomTrees) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> coord(-10, 10), factor(0.2, 4), angle(-3, 3);
  auto randomPlace = [&] {
    return Placed({coord(rng), coord(rng), coord(rng)}, {factor(rng), factor(rng), factor(rng)},
                  {coord(rng), coord(rng), coord(rng)}, angle(rng));
  };
  for (int tree = 0; tree < 5; ++tree) {
    const InkAttributes rootPlace = randomPlace();
    std::unique_ptr<CInkNode> root{NewNode(&rootPlace)};
    std::vector<CInkNode*> nodes{root.get()};
    for (int i = 0; i < 20; ++i) {
      const InkAttributes place = randomPlace();
      CInkNode* child = NewNode(&place);
      nodes[std::uniform_int_distribution<size_t>(0, nodes.size() - 1)(rng)]->AddChild(child);
      nodes.push_back(child);
    }
    for (CInkNode* node : nodes) {
      GMMatrix world, inverse, product, parentWorld, local, expected;
      node->GetWorldMatrix(world);
      node->GetInverseWorldMatrix(inverse);
      GMMatrixMultiply(inverse, world, product);
      ExpectIdentity(product, 1e-8);
      if (node->GetParent()) {  // world = local · parent's world
        node->GetParent()->GetWorldMatrix(parentWorld);
        GMMatrixMultiply(parentWorld, node->GetLocalMatrix(local), expected);
        for (int r = 0; r < 4; ++r)
          for (int c = 0; c < 4; ++c) EXPECT_NEAR(world.m[r][c], expected.m[r][c], 1e-9);
      }
    }
  }
}

TEST(InkNode, DetachedSubtreesMoveWithTheirParentPointers) {
  std::unique_ptr<CInkNode> a{NewNode()}, b{NewNode()};
  CInkNode* branch = NewNode();
  CInkNode* leaf = NewNode();
  leaf->SetNodeId(77);
  branch->AddChild(leaf);
  a->AddChild(NewNode());
  a->AddChild(branch);
  EXPECT_EQ(leaf->GetTopNode(), a.get());
  EXPECT_EQ(a->FindById(77), leaf);

  EXPECT_EQ(a->DetachChild(5), nullptr);
  EXPECT_EQ(a->DetachChild(1), branch);
  EXPECT_EQ(branch->GetParent(), nullptr);
  EXPECT_EQ(a->GetCount(), 1);
  EXPECT_EQ(a->FindById(77), nullptr);
  EXPECT_EQ(b->InsertChild(0, branch), -1);  // never appends
  EXPECT_EQ(b->AddChild(branch), 0);
  EXPECT_EQ(branch->GetParent(), b.get());
  EXPECT_EQ(leaf->GetTopNode(), b.get());
  EXPECT_EQ(b->IndexOfChild(branch), 0);
  EXPECT_EQ(b->AddChild(nullptr), -1);
  EXPECT_EQ(b->IndexOfChild(nullptr), -1);
  EXPECT_EQ(b->GetChild(1), nullptr);
  EXPECT_EQ(b->GetChild(-1), nullptr);

  CInkNode* first = NewNode();
  first->SetName("first");
  EXPECT_EQ(b->InsertChild(0, first), 0);
  EXPECT_EQ(first->GetParent(), b.get());
  EXPECT_EQ(b->FindChildByName("first"), first);
  EXPECT_EQ(b->FindChildByName("firs"), nullptr);
  b->RemoveAt(0);  // deletes it
  EXPECT_EQ(b->GetChild(0), branch);

  // Unlinking all children leaves them parentless for whoever takes them.
  std::unique_ptr<CInkNode> keep{branch};
  b->RemoveAll();
  EXPECT_EQ(branch->GetParent(), nullptr);
}

TEST(InkNode, CloneDepthsCopyNodeFiguresAndSubtree) {
  const InkAttributes place = Placed({1, 2, 3});
  std::unique_ptr<CInkNode> node{NewNode(&place)};
  node->SetName("wall");
  node->SetNodeId(5);
  node->SetShown(0);
  node->SetLocked(1);
  node->GetProperties()->AddProperty("floor", 2);
  AddBox(*node, {0, 0, 0}, {1, 1, 1});
  CInkNode* child = NewNode();
  AddPoint(*child, {4, 4, 4});
  child->AddChild(NewNode());
  node->AddChild(child);

  for (int depth : {0, 1, 2}) {
    std::unique_ptr<CInkNode> clone{node->Clone(depth)};
    EXPECT_EQ(std::string(clone->GetName(nullptr, 0)), "wall");
    EXPECT_EQ(clone->GetNodeId(), 5);
    EXPECT_EQ(clone->IsShown(), 0);
    EXPECT_EQ(clone->IsLocked(), 1);
    EXPECT_EQ(clone->GetAttributeRecord()->origin, (GMVector{1, 2, 3}));
    EXPECT_EQ(clone->GetProperties()->FindValue("floor"), 2);
    EXPECT_NE(clone->GetProperties(), node->GetProperties());
    EXPECT_EQ(clone->GetParent(), nullptr);
    EXPECT_EQ(clone->GetFigureCount(), depth >= 1 ? 1 : 0);
    EXPECT_EQ(clone->GetCount(), depth >= 2 ? 1 : 0);
    if (depth >= 1) {
      EXPECT_NE(clone->GetFigure(0), node->GetFigure(0));
      EXPECT_EQ(clone->GetFigure(0)->owner, clone.get());
    }
    if (depth >= 2) {
      CInkNode* copied = clone->GetChild(0);
      EXPECT_NE(copied, child);
      EXPECT_EQ(copied->GetParent(), clone.get());
      EXPECT_EQ(copied->GetFigureCount(), 1);
      EXPECT_EQ(copied->GetCount(), 1);
    }
  }
}

TEST(InkNode, CopiedInstancesPlaceTheCopiesOfTheirFigures) {
  std::unique_ptr<CInkNode> source{NewNode()}, target{NewNode()};
  AddBox(*source, {0, 0, 0}, {1, 1, 1});
  AddPoint(*source, {3, 3, 3});
  AddInstance(*source, source->GetFigure(0), {5, 0, 0});
  AddInstance(*source, source->GetFigure(1), {6, 0, 0});
  AddInstance(*source, nullptr, {7, 0, 0});
  AddBox(*target, {9, 9, 9}, {10, 10, 10});  // already there: the copies land behind it

  source->CopyFiguresTo(target.get());
  ASSERT_EQ(target->GetFigureCount(), 6);
  auto ref = [&](int i) { return static_cast<InkInstanceRecord*>(target->GetFigure(i)->geometry)->figure; };
  EXPECT_EQ(ref(3), target->GetFigure(1));
  EXPECT_EQ(ref(4), target->GetFigure(2));
  EXPECT_EQ(ref(5), nullptr);
  EXPECT_EQ(target->GetInstanceFigureCount(), 3);

  // The copies now depend on the copied box exactly as the originals did.
  EXPECT_EQ(target->DeleteFigureAt(1), 1);
  EXPECT_EQ(target->GetFigureCount(), 4);
  EXPECT_EQ(target->GetInstanceFigureCount(), 2);
  EXPECT_EQ(source->GetFigureCount(), 5);

  // Onto itself: the figures double once and the new instances place the new copies.
  source->CopyFiguresTo(source.get());
  ASSERT_EQ(source->GetFigureCount(), 10);
  EXPECT_EQ(static_cast<InkInstanceRecord*>(source->GetFigure(7)->geometry)->figure, source->GetFigure(5));
}

TEST(InkNode, BoundsSkipHiddenFiguresButNotShownChildrenOfHiddenNodes) {
  std::unique_ptr<CInkNode> root{NewNode()};
  GMBox box;
  root->GetBounds(box, nullptr);
  EXPECT_EQ(box, (GMBox{DBL_MAX, DBL_MAX, DBL_MAX, DBL_MAX, DBL_MAX, DBL_MAX}));
  const GMBox fallback{-1, -1, -1, 1, 1, 1};
  EXPECT_EQ(root->GetBounds(box, &fallback), fallback);

  const InkAttributes place = Placed({10, 0, 0}, {2, 2, 2});
  CInkNode* hidden = NewNode(&place);
  hidden->SetShown(0);
  AddBox(*hidden, {-50, -50, -50}, {50, 50, 50});  // not counted: its node is hidden
  CInkNode* grandchild = NewNode();
  AddBox(*grandchild, {0, 0, 0}, {1, 2, 3});
  AddBox(*grandchild, {-9, -9, -9}, {-8, -8, -8});
  grandchild->GetFigure(1)->hidden = 1;
  hidden->AddChild(grandchild);
  root->AddChild(hidden);

  EXPECT_EQ(root->GetBounds(box, &fallback), (GMBox{10, 0, 0, 12, 4, 6}));
  EXPECT_EQ(hidden->GetBounds(box, nullptr), (GMBox{0, 0, 0, 1, 2, 3}));

  AddPoint(*root, {-1, 20, 0});
  EXPECT_EQ(root->GetBounds(box, nullptr), (GMBox{-1, 0, 0, 12, 20, 6}));
}

TEST(InkNode, FindFigureOwnerSearchesTheSubtreeDepthFirst) {
  std::unique_ptr<CInkNode> root{NewNode()};
  CInkNode* a = NewNode();
  CInkNode* b = NewNode();
  root->AddChild(a);
  a->AddChild(b);
  AddPoint(*root, {0, 0, 0});
  AddPoint(*b, {0, 0, 0});
  AddPoint(*b, {1, 0, 0});
  int index = 99;
  EXPECT_EQ(root->FindFigureOwner(b->GetFigure(1), &index), b);
  EXPECT_EQ(index, 1);
  std::unique_ptr<CInkNode> stranger{NewNode()};
  AddPoint(*stranger, {0, 0, 0});
  EXPECT_EQ(root->FindFigureOwner(stranger->GetFigure(0), &index), nullptr);
  EXPECT_EQ(index, -1);
}

TEST(InkNode, PickFindsTheNearestSurfaceAlongTheRay) {
  std::unique_ptr<CInkNode> node{NewNode()};
  AddPoint(*node, {0, 0, 5});  // no surface: never picked
  AddBox(*node, {0, 0, 0}, {1, 1, 1});
  AddBox(*node, {0, 0, 3}, {1, 1, 4});
  const InkPolyDescription lShape({{{0, 0, 8}, {2, 0, 8}, {2, 1, 8}, {1, 1, 8}, {1, 2, 8}, {0, 2, 8}}});
  node->AddPolygonFigure(lShape.Get(), 0);

  GMVector hit;
  EXPECT_EQ(node->PickFigure({0.5, 0.5, -10}, {0, 0, 1}, hit, 1e-7), node->GetFigure(1));
  ExpectNear(hit, {0.5, 0.5, 0});
  EXPECT_EQ(node->PickFigure({0.5, 0.5, 10}, {0, 0, -2}, hit, 1e-7), node->GetFigure(3));
  ExpectNear(hit, {0.5, 0.5, 8});
  // Through the notch of the L nothing is in the way.
  EXPECT_EQ(node->PickFigure({1.5, 1.5, 10}, {0, 0, -1}, hit, 1e-7), nullptr);
  EXPECT_EQ(hit, GMUndefinedVector());
  EXPECT_EQ(node->PickFigure({0.5, 0.5, 3.5}, {0, 0, 1}, hit, 1e-7), node->GetFigure(2));
  ExpectNear(hit, {0.5, 0.5, 4});
  EXPECT_EQ(node->PickFigureAt(hit, {0.5, 0.5, 3.5}, {0, 0, -1}, 1e-7), (GMVector{0.5, 0.5, 3}));
}

TEST(InkNode, PickOnARoofSlopedAt45DegreesStaysInsideTheRoof) {
  // A roof plane rising along x at 45°, 1 × 1 in plan: its normal has equal
  // x and z parts.
  std::unique_ptr<CInkNode> node{NewNode()};
  const InkPolyDescription roof({{{0, 0, 0}, {1, 0, 1}, {1, 1, 1}, {0, 1, 0}}});
  node->AddPolygonFigure(roof.Get(), 0);
  GMVector hit;
  EXPECT_EQ(node->PickFigure({0.5, 0.5, 10}, {0, 0, -1}, hit, 1e-7), node->GetFigure(0));
  ExpectNear(hit, {0.5, 0.5, 0.5});
  // Far beside the roof in y, where the plane goes on but the roof does not.
  EXPECT_EQ(node->PickFigure({0.5, 40, 10}, {0, 0, -1}, hit, 1e-7), nullptr);
  EXPECT_EQ(node->PickFigure({5, 0.5, 10}, {0, 0, -1}, hit, 1e-7), nullptr);
}

}  // namespace
