// The engine's contexts and frame: clearing, bitmap output, sharing,
// overlay, the log and the messages when no context can be had.
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "common/user_interface.h"
#include "render_fixture.h"
#include "tests/support/message_log.h"
#include "tests/support/scratch_folder.h"

namespace render_test {
namespace {

using RecordingUi = korvex_test::MessageLog;

using FrameTest = RenderTest;

TEST_F(FrameTest, ClearsToTheBackgroundColourWithFullAlpha) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  EXPECT_EQ(engine->SetBackColor(Color(10, 20, 200, 0)), 0xFFFFFFFFu);
  EXPECT_EQ(engine->GetBackColor(), Color(10, 20, 200, 0));
  const StereonImage image = Draw(*engine);
  ASSERT_EQ(image.width, 64);
  ASSERT_EQ(image.height, 64);
  EXPECT_TRUE(PixelNear(image, 0, 0, {10, 20, 200}, 1));
  EXPECT_TRUE(PixelNear(image, 63, 63, {10, 20, 200}, 1));
  // The background alpha byte of 0 does not make the picture transparent.
  EXPECT_EQ(image.pixels[3], 255);
}

TEST_F(FrameTest, KeepColourFlagKeepsThePreviousPictureButClearsDepth) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  engine->SetBackColor(Color(0, 0, 255));
  // Frame one: a large red face near the eye.
  const GMPolygon near = Square(0, 0, 10, 50);
  OGLDispElement element;
  element.name = 1;
  element.color = Color(100, 0, 0);
  element.polygons = {&near, 1};
  COGLDispTree* nearNode = AddNode(*engine, element);
  Draw(*engine);
  // Frame two keeps the colours: the near face is hidden and a small green
  // face lies behind where it was.
  nearNode->visible = 0;
  const GMPolygon far = Square(0, 0, 3, 0);
  element.color = Color(0, 100, 0);
  element.polygons = {&far, 1};
  AddNode(*engine, element);
  engine->SetBackColor(Color(255, 255, 0));
  const StereonImage image = Draw(*engine, frame::kViewDefault | frame::kKeepColor);
  EXPECT_TRUE(PixelNear(image, 2, 2, {0, 0, 255}, 1));     // old background kept
  EXPECT_TRUE(PixelNear(image, 32, 44, {140, 0, 0}));       // old face kept
  EXPECT_TRUE(PixelNear(image, 32, 32, {0, 140, 0}));       // depth was cleared: the far face shows
}

TEST_F(FrameTest, BitmapPictureIsStretchedToTheDestinationSize) {
  auto engine = std::make_unique<CStereon>();
  ASSERT_EQ(engine->CreateBitmapContext(32, 16, 32, 24, 64, 48), 1);
  EXPECT_TRUE(engine->IsBitmap());
  engine->SetCamera({0, 0, 100}, {0, 0, 0}, {0, 1, 0});
  engine->SetBackColor(Color(0, 255, 0));
  // Left half of the bitmap red through the overlay, so the stretch has
  // something to carry across.
  std::span<uint8_t> overlay = engine->AllocOverlay(2, 1);
  ASSERT_EQ(overlay.size(), 8u);
  const uint8_t pixels[8] = {255, 0, 0, 255, 0, 0, 0, 0};
  std::copy(std::begin(pixels), std::end(pixels), overlay.begin());
  StereonImage image;
  // The rectangle handed in is ignored: a bitmap always renders whole.
  const StereonRect small{0, 0, 4, 4};
  EXPECT_EQ(engine->Render(frame::kViewDefault, &image, &small), 1);
  ASSERT_EQ(image.width, 64);
  ASSERT_EQ(image.height, 48);
  EXPECT_TRUE(PixelNear(image, 5, 40, {255, 0, 0}, 1));
  EXPECT_TRUE(PixelNear(image, 30, 5, {255, 0, 0}, 1));
  EXPECT_TRUE(PixelNear(image, 34, 5, {0, 255, 0}, 1));
  EXPECT_TRUE(PixelNear(image, 63, 47, {0, 255, 0}, 1));
}

TEST_F(FrameTest, OverlayBlendsOverTheSceneByItsAlpha) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  engine->SetBackColor(Color(0, 0, 0));
  int width = 1, height = 1;
  std::span<uint8_t> overlay = engine->GetOverlay(width, height);
  ASSERT_EQ(width, 1);
  ASSERT_EQ(overlay.size(), 4u);
  overlay[0] = 255;
  overlay[3] = 128;
  const StereonImage image = Draw(*engine);
  EXPECT_TRUE(PixelNear(image, 10, 50, {128, 0, 0}, 2));
  // A second GetOverlay returns the same buffer and its stored size.
  width = 7;
  height = 7;
  EXPECT_EQ(engine->GetOverlay(width, height).data(), overlay.data());
  EXPECT_EQ(width, 1);
  engine->FreeOverlay();
  EXPECT_TRUE(PixelNear(Draw(*engine), 10, 50, {0, 0, 0}, 1));
}

TEST_F(FrameTest, SharingEngineDrawsTheOtherTreeAndLeavesItAlive) {
  auto first = MakeEngine();
  ASSERT_TRUE(first);
  const GMPolygon square = Square(0, 0, 10);
  OGLDispElement element;
  element.name = 5;
  element.color = Color(100, 0, 0);
  element.polygons = {&square, 1};
  AddNode(*first, element);
  {
    auto second = std::make_unique<CStereon>();
    ASSERT_EQ(second->CreateBitmapContext(64, 64, 32, 24, 64, 64, first->GetContext()), 1);
    EXPECT_EQ(second->GetDispTree(), nullptr);  // none until ShareWith
    second->ShareWith(first.get());
    EXPECT_EQ(second->GetDispTree(), first->GetDispTree());
    second->SetCamera({0, 0, 100}, {0, 0, 0}, {0, 1, 0});
    second->SetLightAmbient(0xFF808080u);
    const StereonImage image = Draw(*second);
    EXPECT_TRUE(PixelNear(image, 32, 32, {140, 0, 0}));
    EXPECT_TRUE(PixelNear(image, 2, 2, {255, 255, 255}, 1));
  }
  // The first engine's tree and lists survive the second engine.
  ASSERT_NE(first->GetDispTree(), nullptr);
  EXPECT_EQ(first->GetDispTree()->GetCount(), 1);
  EXPECT_TRUE(PixelNear(Draw(*first), 32, 32, {140, 0, 0}));
}

TEST_F(FrameTest, WindowEngineDrawsIntoTheWindowAndPresents) {
  std::string why;
  auto window = TestWindow::Create(48, 32, &why);
  ASSERT_TRUE(window) << why;
  RecordingUi ui;
  CStereon engine(&ui);
  ASSERT_EQ(engine.CreateOnWindow(window.get()), 1);
  EXPECT_FALSE(engine.IsBitmap());
  EXPECT_EQ(window->presented, 1);  // the first, empty picture
  ASSERT_NE(engine.GetDispTree(), nullptr);
  engine.SetBackColor(Color(0, 128, 0));
  EXPECT_EQ(engine.Render(frame::kViewDefault), 1);
  EXPECT_EQ(window->presented, 2);
  EXPECT_TRUE(PixelNear(window->Read(), 47, 31, {0, 128, 0}, 1));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FrameTest, WindowWithoutContextShowsTheMessageAndFails) {
  std::string why;
  auto window = TestWindow::Create(8, 8, &why);
  ASSERT_TRUE(window) << why;
  window->failMakeCurrent = true;
  RecordingUi ui;
  CStereon engine(&ui);
  EXPECT_EQ(engine.CreateOnWindow(window.get()), 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "ピクセルフォーマットは使用出来ません。");
  EXPECT_EQ(ui.captions[0], "OpenGL ｴﾗｰ");
  EXPECT_EQ(ui.icons[0], korvex::MessageIcon::Error);
  EXPECT_EQ(engine.GetDispTree(), nullptr);
  // Without a context a frame draws nothing and still succeeds.
  EXPECT_EQ(engine.Render(frame::kViewDefault), 1);
  EXPECT_EQ(window->presented, 0);
}

TEST_F(FrameTest, BitmapOfImpossibleSizeShowsTheFramebufferMessage) {
  RecordingUi ui;
  CStereon engine(&ui);
  EXPECT_EQ(engine.CreateBitmapContext(1 << 20, 4, 32, 24, 4, 4), 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "フレームバッファの初期化に失敗しました。");
  EXPECT_EQ(engine.GetContext(), nullptr);
}

TEST_F(FrameTest, EachNewEngineStartsAFreshLog) {
  // The log lives in the current folder, which other test processes share:
  // work in a folder of this test's own.
  namespace fs = std::filesystem;
  const fs::path previous = fs::current_path();
  const korvex_test::ScratchFolder scratch;
  fs::current_path(scratch.path());
  // Leave the folder before it is removed.
  struct Restore {
    fs::path back;
    ~Restore() { fs::current_path(back); }
  } restore{previous};
  {
    std::ofstream stale(kStereonLogFile);
    stale << "from an earlier run\n";
  }
  CStereon engine;
  EXPECT_FALSE(std::filesystem::exists(kStereonLogFile));
  engine.Log("BillboardTex not found: %s\n", "a.bmp");
  engine.Log("BillboardMask not found: %s\n", "a.bmp.mask");
  std::ifstream log(kStereonLogFile);
  std::stringstream text;
  text << log.rdbuf();
  EXPECT_EQ(text.str(), "BillboardTex not found: a.bmp\nBillboardMask not found: a.bmp.mask\n");
  log.close();
  CStereon next;
  EXPECT_FALSE(std::filesystem::exists(kStereonLogFile));
}

TEST(StereonSettings, SettersReturnThePreviousValue) {
  CStereon engine;
  EXPECT_EQ(engine.SetTag(4), 0);
  EXPECT_EQ(engine.SetTag(9), 4);
  EXPECT_EQ(engine.GetTag(), 9);
  EXPECT_EQ(engine.SetLineWidth(2.5), 1.0);
  EXPECT_EQ(engine.GetLineWidth(), 2.5);
  EXPECT_EQ(engine.SetZoom(3.0), 1.0);
  EXPECT_EQ(engine.SetAmbientColor(1u), 0x004C4C4Cu);
  EXPECT_EQ(engine.SetLightAmbient(2u), 0xFF4C4C4Cu);
  EXPECT_EQ(engine.SetLightDiffuse(3u), 0xFFFFFFFFu);
  EXPECT_EQ(engine.SetLightSpecular(4u), 0xFFFFFFFFu);
  EXPECT_EQ(engine.SetLinePullScale(0.5), 0.999);
  EXPECT_EQ(engine.SetLinePullDistance(0.1), 0.05);
  EXPECT_EQ(engine.GetPickCapacity(), 0);
  EXPECT_EQ(engine.Pick(frame::kViewDefault, 1, 1, 3), -1);  // no context, no tree
}

}  // namespace
}  // namespace render_test

namespace render_test {
namespace {

TEST_F(FrameTest, BitmapEngineOnAWindowContextDrawsTheWindowTree) {
  // Export from the GUI: the bitmap is drawn in the window's own context,
  // into a framebuffer of its own, with the window engine's tree.
  std::string why;
  auto window = TestWindow::Create(32, 32, &why);
  ASSERT_TRUE(window) << why;
  CStereon onScreen;
  ASSERT_EQ(onScreen.CreateOnWindow(window.get()), 1);
  onScreen.SetBackColor(Color(0, 0, 255));
  const GMPolygon square = Square(0, 0, 10);
  OGLDispElement element;
  element.name = 1;
  element.color = Color(100, 0, 0);
  element.polygons = {&square, 1};
  AddNode(onScreen, element);
  {
    CStereon bitmap;
    ASSERT_EQ(bitmap.CreateBitmapContext(64, 64, 32, 24, 64, 64, onScreen.GetContext()), 1);
    bitmap.ShareWith(&onScreen);
    bitmap.SetCamera({0, 0, 100}, {0, 0, 0}, {0, 1, 0});
    bitmap.SetLightAmbient(0xFF808080u);
    const StereonImage image = Draw(bitmap);
    EXPECT_TRUE(PixelNear(image, 32, 32, {140, 0, 0}));
    EXPECT_TRUE(PixelNear(image, 1, 1, {255, 255, 255}, 1));
  }
  // The window still draws into its own framebuffer afterwards.
  onScreen.SetCamera({0, 0, 100}, {0, 0, 0}, {0, 1, 0});
  onScreen.Render(frame::kViewDefault);
  EXPECT_TRUE(PixelNear(window->Read(), 1, 1, {0, 0, 255}, 1));
  EXPECT_EQ(onScreen.GetDispTree()->GetCount(), 1);
}

TEST_F(FrameTest, EveryLayerLeavesNoGlError) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  const GMPolygon faces[2] = {Square(0, 0, 10), Square(5, 5, 10, 5)};
  const GMSegment segments[2] = {{{0, 0, 0}, {10, 0, 0}}, {{0, 0, 0}, {0, 10, 0}}};
  const GMVector points[2] = {{1, 1, 1}, {2, 2, 2}};
  OGLDispElement element;
  element.name = 1;
  element.color = Color(10, 200, 30);
  element.polygons = faces;
  element.lines = segments;
  element.outlines = segments;
  element.markLines = segments;
  element.points = points;
  element.markPoints = points;
  element.origin = {1, 2, 3};
  element.angle = 0.5;
  COGLDispTree* node = AddNode(*engine, element);
  element.color = Color(10, 200, 30, 100);
  auto child = std::make_unique<COGLDispTree>();
  child->SetElement(&element);
  node->AddChild(std::move(child));
  engine->BuildAxisMark();
  ASSERT_NE(engine->axisList.Id(), 0u);
  ASSERT_NE(engine->axisTiltedList.Id(), 0u);
  while (glGetError() != GL_NO_ERROR) {
  }
  for (int flags : {0x1FFF, 0x1FFF & ~frame::kParallel, frame::kViewDefault}) {
    Draw(*engine, flags);
    engine->DrawAxisMark();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << flags;
  }
}

TEST_F(FrameTest, TexturedFaceRepeatsItsPictureAcrossThePlane) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  // Two texels, white then black, repeated every 20 units across.
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  const uint8_t texels[8] = {255, 255, 255, 255, 0, 0, 0, 255};
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  StereonTexture record;
  record.textureId = texture;
  record.scale = 20.0;
  record.aspect = 1.0;
  const GMPolygon square = Square(0, 0, 20);
  OGLDispElement element;
  element.name = 1;
  element.color = Color(100, 100, 100);
  element.texture = &record;
  element.polygons = {&square, 1};
  COGLDispTree* node = AddNode(*engine, element);
  EXPECT_EQ(node->GetLists()->flags & 1, 1);
  const StereonImage image = Draw(*engine);
  // 5 units right of the origin: white texel, the lit grey shows; 5 units
  // left (the previous repeat's second half): black.
  EXPECT_TRUE(PixelNear(image, 32 + 4, 32, {140, 140, 140}));
  EXPECT_TRUE(PixelNear(image, 32 - 4, 32, {0, 0, 0}, 1));
  EXPECT_TRUE(PixelNear(image, 32 + 12, 32, {0, 0, 0}, 1));
  engine->MakeCurrent();
  node->SetElement(nullptr);
  glDeleteTextures(1, &texture);
}

}  // namespace
}  // namespace render_test
