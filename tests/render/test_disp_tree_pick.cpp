// The display tree: building, counting, finding, visibility, layers; and
// picking through it.
#include <deque>

#include "render_fixture.h"

namespace render_test {
namespace {

using TreeTest = RenderTest;

TEST_F(TreeTest, CountsTrianglesAndSegmentsOfTheWholeSubtree) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  // Five squares (10 triangles) and 4 segments in one node; a pentagon
  // (3 triangles) with 2 outline segments below it.
  std::vector<GMPolygon> squares;
  for (int i = 0; i < 5; ++i) squares.push_back(Square(i * 3.0, 0, 1));
  const GMSegment segments[4] = {{{0, 0, 0}, {1, 0, 0}}, {{0, 0, 0}, {0, 1, 0}}, {{0, 0, 0}, {0, 0, 1}},
                                 {{1, 1, 1}, {2, 2, 2}}};
  OGLDispElement element;
  element.name = 1;
  element.color = Color(10, 20, 30);
  element.polygons = squares;
  element.lines = segments;
  COGLDispTree* node = AddNode(*engine, element);
  EXPECT_EQ(node->CountPickable(), 14);
  const OGLDispLists* lists = node->GetLists();
  ASSERT_NE(lists, nullptr);
  EXPECT_EQ(lists->faceCount, 10);
  EXPECT_EQ(lists->lineCount, 4);
  EXPECT_NE(lists->faceList.Id(), 0u);
  EXPECT_NE(lists->lineList.Id(), 0u);
  EXPECT_EQ(lists->transparentList.Id(), 0u);

  const GMPolygon pentagon{{{0, 0, 0}, {2, 0, 0}, {3, 1, 0}, {1, 2, 0}, {-1, 1, 0}}};
  OGLDispElement childElement;
  childElement.name = 2;
  childElement.polygons = {&pentagon, 1};
  childElement.outlines = std::span(segments, 2);
  const GMVector points[3] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
  childElement.points = points;  // points are not pickable
  auto child = std::make_unique<COGLDispTree>();
  child->SetElement(&childElement);
  EXPECT_EQ(child->GetLists()->pointCount, 3);
  COGLDispTree* childRaw = child.get();
  EXPECT_EQ(node->AddChild(std::move(child)), 0);
  EXPECT_EQ(childRaw->GetParent(), node);
  EXPECT_EQ(node->CountPickable(), 19);
  EXPECT_EQ(engine->GetPickCapacity(), 19);
  EXPECT_EQ(node->AddChild(nullptr), -1);

  // An empty element gives an empty record (name -1, no lists) that counts
  // nothing of its own.
  node->SetElement(nullptr);
  EXPECT_EQ(node->GetLists()->name, -1);
  EXPECT_EQ(node->GetLists()->faceList.Id(), 0u);
  EXPECT_EQ(node->CountPickable(), 5);
}

TEST_F(TreeTest, FindsChildrenByNameAndByNode) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  COGLDispTree* root = engine->GetDispTree();
  OGLDispElement element;
  for (int32_t name : {10, 20, 10}) {
    element.name = name;
    AddNode(*engine, element);
  }
  auto unbuilt = std::make_unique<COGLDispTree>();  // no lists record yet
  const COGLDispTree* unbuiltRaw = unbuilt.get();
  root->AddChild(std::move(unbuilt));
  EXPECT_EQ(root->FindName(10), 0);
  EXPECT_EQ(root->FindName(20), 1);
  EXPECT_EQ(root->FindName(30), -1);
  EXPECT_EQ(root->FindNode(unbuiltRaw), 3);
  EXPECT_EQ(root->FindNode(nullptr), -1);
  root->RemoveAt(0);  // destroys that child
  EXPECT_EQ(root->FindName(10), 1);
  EXPECT_EQ(root->GetCount(), 3);
  root->RemoveAll();
  EXPECT_EQ(root->GetCount(), 0);
}

TEST_F(TreeTest, RebuildingAndRemovingNodesReleasesTheirLists) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  const GMPolygon square = Square(0, 0, 10);
  const GMSegment segment{{0, 0, 0}, {1, 1, 1}};
  OGLDispElement element;
  element.name = 1;
  element.polygons = {&square, 1};
  element.lines = {&segment, 1};
  COGLDispTree* node = AddNode(*engine, element);
  const unsigned faces = node->GetLists()->faceList.Id();
  const unsigned lines = node->GetLists()->lineList.Id();
  ASSERT_TRUE(glIsList(faces));
  ASSERT_TRUE(glIsList(lines));
  node->SetElement(&element);  // rebuilt: the old lists go
  const unsigned rebuilt = node->GetLists()->faceList.Id();
  EXPECT_TRUE(glIsList(rebuilt));
  if (rebuilt != faces) {
    EXPECT_FALSE(glIsList(faces));
  }
  engine->GetDispTree()->RemoveAt(0);
  EXPECT_FALSE(glIsList(rebuilt));
  EXPECT_FALSE(glIsList(lines)) << "a line list outlived its node";
}

TEST_F(TreeTest, OptionWordsAreExchanged) {
  COGLDispTree tree;
  tree.options = {1, 2, 3, 4, 5};
  COGLDispTree::OptionWords out{};
  tree.SwapOptions(out, {9, 8, 7, 6, 5});
  EXPECT_EQ(out, (COGLDispTree::OptionWords{1, 2, 3, 4, 5}));
  EXPECT_EQ(tree.options, (COGLDispTree::OptionWords{9, 8, 7, 6, 5}));
}

TEST_F(TreeTest, HiddenParentStillDrawsItsChildrenInItsPlace) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  const GMPolygon left = Square(-15, 0, 5);
  const GMPolygon atOrigin = Square(0, 0, 5);
  OGLDispElement parentElement;
  parentElement.name = 1;
  parentElement.color = Color(100, 0, 0);
  parentElement.polygons = {&left, 1};
  // The parent is moved 15 right: its own square and its child's move too.
  parentElement.origin = {15, 0, 0};
  COGLDispTree* parent = AddNode(*engine, parentElement);
  OGLDispElement childElement;
  childElement.name = 2;
  childElement.color = Color(0, 100, 0);
  childElement.polygons = {&atOrigin, 1};
  childElement.origin = {-15, 10, 0};
  auto child = std::make_unique<COGLDispTree>();
  child->SetElement(&childElement);
  parent->AddChild(std::move(child));

  StereonImage image = Draw(*engine);
  EXPECT_TRUE(PixelNear(image, 32, 32, {140, 0, 0}));        // parent square at x = 0
  EXPECT_TRUE(PixelNear(image, 32, 32 + 8, {0, 140, 0}));    // child at (0, 10)
  parent->visible = 0;
  image = Draw(*engine);
  EXPECT_TRUE(PixelNear(image, 32, 32, {255, 255, 255}, 1));
  EXPECT_TRUE(PixelNear(image, 32, 32 + 8, {0, 140, 0}));
}

TEST_F(TreeTest, RotationAndScaleOfANode) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  // A bar along x, turned a quarter about z and stretched twice along x
  // before turning: it ends up along y, twice as long.
  const GMPolygon bar{{{0, -1, 0}, {10, -1, 0}, {10, 1, 0}, {0, 1, 0}}};
  OGLDispElement element;
  element.name = 1;
  element.color = Color(100, 0, 0);
  element.polygons = {&bar, 1};
  element.axis = {0, 0, 1};
  element.angle = M_PI / 2.0;
  element.scale = {2, 1, 1};
  AddNode(*engine, element);
  const StereonImage image = Draw(*engine);
  // 20 units up the y axis is about 15 pixels.
  EXPECT_TRUE(PixelNear(image, 32, 32 + 12, {140, 0, 0}));
  EXPECT_TRUE(PixelNear(image, 32 + 12, 32, {255, 255, 255}, 1));
  EXPECT_TRUE(PixelNear(image, 32, 32 - 4, {255, 255, 255}, 1));
}

TEST_F(TreeTest, NodeWithoutListsDrawsNothingNotEvenItsChildren) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  const GMPolygon square = Square(0, 0, 10);
  OGLDispElement element;
  element.name = 1;
  element.color = Color(100, 0, 0);
  element.polygons = {&square, 1};
  auto holder = std::make_unique<COGLDispTree>();  // never built
  auto child = std::make_unique<COGLDispTree>();
  engine->MakeCurrent();
  child->SetElement(&element);
  holder->AddChild(std::move(child));
  engine->GetDispTree()->AddChild(std::move(holder));
  EXPECT_EQ(engine->GetPickCapacity(), 0);
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32, {255, 255, 255}, 1));
}

TEST_F(TreeTest, GivenNormalsAreUsedAndUndefinedOnesComputed) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  engine->SetLightDirection(1.0, 0.0, 0.0);
  const GMPolygon squares[2] = {Square(-15, 0, 8), Square(15, 0, 8)};
  // The left face claims to face the sun; the right one asks for its own
  // normal, which is edge-on to the sun.
  const GMVector normals[2] = {{1, 0, 0}, GMUndefinedVector()};
  OGLDispElement element;
  element.name = 1;
  element.color = Color(100, 0, 0);
  element.polygons = squares;
  element.normals = normals;
  AddNode(*engine, element);
  const StereonImage image = Draw(*engine);
  EXPECT_TRUE(PixelNear(image, 20, 32, {140, 0, 0}));
  EXPECT_TRUE(PixelNear(image, 44, 32, {40, 0, 0}));
}

// --- picking -------------------------------------------------------------

class PickTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    std::string why;
    window_ = TestWindow::Create(64, 64, &why);
    ASSERT_TRUE(window_) << why;
    engine_ = std::make_unique<CStereon>();
    ASSERT_EQ(engine_->CreateOnWindow(window_.get()), 1);
    engine_->SetCamera({0, 0, 100}, {0, 0, 0}, {0, 1, 0});
  }
  void TearDown() override { engine_.reset(); }

  void AddSquareNode(int32_t name, double half, double z, double cx = 0.0) {
    polygons_.push_back(Square(cx, 0, half, z));
    OGLDispElement element;
    element.name = name;
    element.color = Color(100, 0, 0);
    element.polygons = {&polygons_.back(), 1};
    AddNode(*engine_, element);
  }

  std::unique_ptr<TestWindow> window_;
  std::unique_ptr<CStereon> engine_;
  std::deque<GMPolygon> polygons_;
};

TEST_F(PickTest, NearerOfTwoOverlappingNodesWins) {
  // Large square behind, small one in front, and the other way round in the
  // tree order, so neither drawing order nor size decides.
  AddSquareNode(0x12345678, 20.0, 0.0);
  AddSquareNode(0x7ABCDEF0, 5.0, 10.0);
  AddSquareNode(-5, 5.0, 20.0, -15.0);
  AddSquareNode(77, 20.0, -10.0, -15.0);
  engine_->Render(frame::kViewDefault);
  EXPECT_EQ(engine_->Pick(frame::kViewDefault, 32, 32, 3), 0x7ABCDEF0);
  EXPECT_EQ(engine_->Pick(frame::kViewDefault, 32 + 10, 32, 3), 0x12345678);
  // Names are opaque 32-bit values, negative ones included.
  EXPECT_EQ(engine_->Pick(frame::kViewDefault, 32 - 14, 32, 3), -5);
  EXPECT_EQ(engine_->Pick(frame::kViewDefault | frame::kParallel, 32, 32, 3), 0x7ABCDEF0);
}

TEST_F(PickTest, BackgroundGivesMinusOne) {
  AddSquareNode(4, 5.0, 0.0);
  engine_->Render(frame::kViewDefault);
  EXPECT_EQ(engine_->Pick(frame::kViewDefault, 2, 2, 3), -1);
  EXPECT_EQ(engine_->Pick(frame::kViewDefault, 32, 32, 3), 4);
}

TEST_F(PickTest, EqualDepthsKeepTheFirstRecord) {
  AddSquareNode(3, 10.0, 0.0);
  AddSquareNode(4, 10.0, 0.0);
  engine_->Render(frame::kViewDefault);
  EXPECT_EQ(engine_->Pick(frame::kViewDefault, 32, 32, 3), 3);
}

TEST_F(PickTest, OnlyWhatTheFlagsShowCanBeHit) {
  const GMSegment line{{-20, 0, 0}, {20, 0, 0}};
  OGLDispElement element;
  element.name = 9;
  element.lines = {&line, 1};
  AddNode(*engine_, element);
  engine_->Render(frame::kViewDefault);
  EXPECT_EQ(engine_->Pick(frame::kViewDefault, 40, 32, 3), 9);
  EXPECT_EQ(engine_->Pick(frame::kViewDefault & ~frame::kLines, 40, 32, 3), -1);
  // A hidden node cannot be hit either.
  engine_->GetDispTree()->GetNodeAt(0)->visible = 0;
  EXPECT_EQ(engine_->Pick(frame::kViewDefault, 40, 32, 3), -1);
}

TEST_F(PickTest, BitmapEnginesDoNotPick) {
  auto bitmap = MakeEngine();
  ASSERT_TRUE(bitmap);
  const GMPolygon square = Square(0, 0, 20);
  OGLDispElement element;
  element.name = 1;
  element.polygons = {&square, 1};
  AddNode(*bitmap, element);
  Draw(*bitmap);
  EXPECT_EQ(bitmap->Pick(frame::kViewDefault, 32, 32, 3), -1);
}

}  // namespace
}  // namespace render_test
