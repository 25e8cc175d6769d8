// Small children sharing their parent's display lists (a district of one
// object per building) must look, pick, hide and change exactly as children
// with lists of their own, and a changed child must recompile only its block.
#include <deque>

#include "render_fixture.h"

namespace render_test {
namespace {

// A 6 × 6 grid of small buildings, 8 units apart, of assorted colours and
// kinds: some transparent, one highlighted, one pure black drawn white, one
// moved by its origin, some with lines, outlines, points and marks.
struct District {
  std::deque<GMPolygon> squares;
  std::deque<GMSegment> segments;
  std::deque<GMVector> points;

  static constexpr int kSide = 6;
  static GMVector Centre(int i) { return {(i % kSide - 2.5) * 8.0, (i / kSide - 2.5) * 8.0, 0.0}; }

  OGLDispElement Element(int i) {
    const GMVector c = Centre(i);
    OGLDispElement e;
    e.name = 100 + i;
    e.color = Color(40 + 5 * i, 200 - 4 * i, (i * 37) % 256, i % 7 == 3 ? 128 : 255);
    if (i == 20) e.color = Color(0, 0, 0);
    squares.push_back(Square(c.x, c.y, 3.0, i % 2 == 0 ? 0.0 : 2.0));
    e.polygons = {&squares.back(), 1};
    if (i == 9) {
      // Drawn about a point of its own: the square lies 4 units to the
      // left and the origin brings it back.
      squares.back() = Square(c.x - 4.0, c.y, 3.0);
      e.origin = {4.0, 0.0, 0.0};
    }
    if (i % 5 == 1) {
      segments.push_back({{c.x - 3, c.y - 3, 3}, {c.x + 3, c.y + 3, 3}});
      e.lines = {&segments.back(), 1};
    }
    if (i % 4 == 2) {
      segments.push_back({{c.x - 3, c.y + 3, 3}, {c.x + 3, c.y - 3, 3}});
      e.outlines = {&segments.back(), 1};
    }
    if (i == 14) {
      points.push_back({c.x, c.y, 4});
      e.points = {&points.back(), 1};
      segments.push_back({{c.x - 3, c.y, 4}, {c.x + 3, c.y, 4}});
      e.markLines = {&segments.back(), 1};
    }
    return e;
  }
};

constexpr int kCount = District::kSide * District::kSide;
constexpr int kDrawAll = frame::kViewDefault | frame::kPoints | frame::kMarks;

// A parent holding the district, its children built after joining it as the
// view builds them. With `share`, blocks of about `block` primitives.
COGLDispTree* BuildDistrict(CStereon& engine, District& district, bool share, size_t block = 8) {
  engine.MakeCurrent();
  auto owned = std::make_unique<COGLDispTree>();
  COGLDispTree* parent = owned.get();
  parent->SetElement(nullptr);
  parent->SetShareChildLists(share, block);
  engine.GetDispTree()->AddChild(std::move(owned));
  for (int i = 0; i < kCount; ++i) {
    auto child = std::make_unique<COGLDispTree>();
    COGLDispTree* raw = child.get();
    raw->whiteForBlack = 1;
    raw->options[0] = i % 8 == 2 ? 1 : 0;
    parent->AddChild(std::move(child));
    const OGLDispElement e = district.Element(i);
    raw->SetElementWith(&e, i == 7 ? 1 : 0);
  }
  return parent;
}

// Pixels of the two pictures differing by more than `tol` in any channel.
int Differences(const StereonImage& a, const StereonImage& b, int tol = 1) {
  int count = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      const Rgb p = PixelAt(a, x, y), q = PixelAt(b, x, y);
      count += std::abs(p.r - q.r) > tol || std::abs(p.g - q.g) > tol || std::abs(p.b - q.b) > tol;
    }
  return count;
}

// Where the middle of building i shows in a 128 × 128 picture.
void PixelOf(int i, int& x, int& y) {
  const GMVector c = District::Centre(i);
  x = 64 + static_cast<int>(std::lround(c.x * 1.5));
  y = 64 + static_cast<int>(std::lround(c.y * 1.5));
}

using SharedTreeTest = RenderTest;

TEST_F(SharedTreeTest, SharedListsDrawWhatListsOfTheirOwnDraw) {
  auto shared = MakeEngine(128, 128), own = MakeEngine(128, 128);
  ASSERT_TRUE(shared && own);
  District a, b;
  COGLDispTree* sharing = BuildDistrict(*shared, a, true);
  COGLDispTree* owning = BuildDistrict(*own, b, false);
  for (int i = 0; i < kCount; ++i) {
    EXPECT_TRUE(sharing->GetNodeAt(i)->InSharedLists());
    EXPECT_FALSE(owning->GetNodeAt(i)->InSharedLists());
    EXPECT_EQ(sharing->GetNodeAt(i)->GetLists()->faceList.Id(), 0u);
  }
  EXPECT_GT(sharing->SharedBlockCount(), 1u);
  EXPECT_EQ(shared->GetPickCapacity(), own->GetPickCapacity());
  for (const int flags : {kDrawAll, kDrawAll | frame::kTransparentFirst, frame::kViewDefault & ~frame::kLitFaces}) {
    const StereonImage p = Draw(*shared, flags), q = Draw(*own, flags);
    EXPECT_EQ(Differences(p, q), 0) << "flags " << flags;
    if (HasFailure()) SavePicture(p, CurrentTestName() + "_shared");
  }
  // The district is really there: the highlighted building and the black
  // one drawn white are lighter than their plain neighbours.
  const StereonImage p = Draw(*shared);
  int x, y;
  PixelOf(20, x, y);
  EXPECT_TRUE(PixelNear(p, x, y, {255, 255, 255}, 20));
  PixelOf(0, x, y);
  EXPECT_FALSE(PixelNear(p, x, y, {255, 255, 255}, 20));
}

TEST_F(SharedTreeTest, AChangedChildRecompilesOnlyItsBlock) {
  auto engine = MakeEngine(128, 128), reference = MakeEngine(128, 128);
  ASSERT_TRUE(engine && reference);
  District district, other;
  COGLDispTree* parent = BuildDistrict(*engine, district, true);
  COGLDispTree* owning = BuildDistrict(*reference, other, false);
  Draw(*engine);
  const size_t blocks = parent->SharedBlockCount();
  ASSERT_GT(blocks, 3u);
  EXPECT_EQ(parent->SharedBlockCompiles(), blocks);
  Draw(*engine);
  EXPECT_EQ(parent->SharedBlockCompiles(), blocks) << "an unchanged frame recompiled";

  // A new colour for one building.
  int x, y;
  PixelOf(15, x, y);
  OGLDispElement recoloured = district.Element(15);
  recoloured.color = Color(0, 0, 200);
  engine->MakeCurrent();
  parent->GetNodeAt(15)->SetElement(&recoloured);
  StereonImage image = Draw(*engine);
  EXPECT_EQ(parent->SharedBlockCompiles(), blocks + 1);
  EXPECT_TRUE(PixelNear(image, x, y, {0, 0, 255}, 30));
  reference->MakeCurrent();
  OGLDispElement same = other.Element(15);
  same.color = Color(0, 0, 200);
  owning->GetNodeAt(15)->SetElement(&same);
  EXPECT_EQ(Differences(image, Draw(*reference)), 0);

  // Hidden and shown again, as a node of its own would be.
  parent->GetNodeAt(15)->visible = 0;
  owning->GetNodeAt(15)->visible = 0;
  image = Draw(*engine);
  EXPECT_EQ(parent->SharedBlockCompiles(), blocks + 2);
  EXPECT_TRUE(PixelNear(image, x, y, {255, 255, 255}, 1));
  EXPECT_EQ(Differences(image, Draw(*reference)), 0);
  parent->GetNodeAt(15)->visible = 1;
  Draw(*engine);
  EXPECT_EQ(parent->SharedBlockCompiles(), blocks + 3);

  // Grown beyond a small building: it takes lists of its own and leaves
  // its block, which is compiled again without it.
  std::vector<GMPolygon> many;
  const GMVector c = District::Centre(15);
  for (int k = 0; k < 5000; ++k) many.push_back(Square(c.x, c.y, 3.0));
  OGLDispElement large = district.Element(15);
  large.polygons = many;
  engine->MakeCurrent();
  parent->GetNodeAt(15)->SetElement(&large);
  EXPECT_FALSE(parent->GetNodeAt(15)->InSharedLists());
  EXPECT_NE(parent->GetNodeAt(15)->GetLists()->faceList.Id(), 0u);
  Draw(*engine);
  EXPECT_EQ(parent->SharedBlockCompiles(), blocks + 4);

  // Removed: its block goes on without it; a whole block removed goes.
  parent->RemoveAt(1);
  owning->RemoveAt(1);
  PixelOf(1, x, y);
  image = Draw(*engine);
  EXPECT_TRUE(PixelNear(image, x, y, {255, 255, 255}, 1));
  EXPECT_EQ(parent->SharedBlockCompiles(), blocks + 5);
  for (int k = 0; k < 8; ++k) parent->RemoveAt(0);
  EXPECT_LT(parent->SharedBlockCount(), blocks);
  Draw(*engine);
  EXPECT_GT(parent->SharedBlockCount(), 0u);
}

TEST_F(SharedTreeTest, TexturedTurnedAndUnbuiltChildrenKeepListsOfTheirOwn) {
  auto engine = MakeEngine(128, 128);
  ASSERT_TRUE(engine);
  District district;
  COGLDispTree* parent = BuildDistrict(*engine, district, true);
  StereonTexture texture;
  OGLDispElement textured = district.Element(3);
  textured.texture = &texture;
  OGLDispElement turned = district.Element(4);
  turned.axis = {0, 0, 1};
  turned.angle = 0.5;
  engine->MakeCurrent();
  parent->GetNodeAt(3)->SetElement(&textured);
  parent->GetNodeAt(4)->SetElement(&turned);
  EXPECT_FALSE(parent->GetNodeAt(3)->InSharedLists());
  EXPECT_FALSE(parent->GetNodeAt(4)->InSharedLists());
  EXPECT_TRUE(parent->GetNodeAt(5)->InSharedLists());
  // Built before joining a parent: lists of its own, drawn as ever.
  auto loose = std::make_unique<COGLDispTree>();
  const OGLDispElement e = district.Element(35);
  loose->SetElement(&e);
  EXPECT_FALSE(loose->InSharedLists());
  parent->RemoveAt(35);
  parent->AddChild(std::move(loose));
  int x, y;
  PixelOf(35, x, y);
  EXPECT_FALSE(PixelNear(Draw(*engine), x, y, {255, 255, 255}, 1));
}

// Picking a building of a shared block names that building.
class SharedPickTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    std::string why;
    window_ = TestWindow::Create(128, 128, &why);
    ASSERT_TRUE(window_) << why;
    engine_ = std::make_unique<CStereon>();
    ASSERT_EQ(engine_->CreateOnWindow(window_.get()), 1);
    engine_->SetCamera({0, 0, 100}, {0, 0, 0}, {0, 1, 0});
  }
  void TearDown() override { engine_.reset(); }

  std::unique_ptr<TestWindow> window_;
  std::unique_ptr<CStereon> engine_;
};

TEST_F(SharedPickTest, EachBuildingPicksByItsOwnNameAndHiddenOnesNot) {
  District district;
  COGLDispTree* parent = BuildDistrict(*engine_, district, true);
  engine_->Render(frame::kViewDefault);
  for (const int i : {0, 5, 7, 9, 20, 21, 35}) {
    int x, y;
    PixelOf(i, x, y);
    // Pick takes window rows from the top.
    EXPECT_EQ(engine_->Pick(frame::kViewDefault, x, 127 - y, 3), 100 + i) << "building " << i;
  }
  int x, y;
  PixelOf(21, x, y);
  parent->GetNodeAt(21)->visible = 0;
  engine_->Render(frame::kViewDefault);
  EXPECT_EQ(engine_->Pick(frame::kViewDefault, x, 127 - y, 3), -1);
}

}  // namespace
}  // namespace render_test
