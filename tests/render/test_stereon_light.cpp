// Lit face colours under the view's light presets, highlight, white for
// black, transparency and the two fogs, read back from the picture.
#include "render_fixture.h"

namespace render_test {
namespace {

using LightTest = RenderTest;

// One face of the given colour across the middle of the picture, at depth z.
COGLDispTree* AddFace(CStereon& engine, const GMPolygon& square, uint32_t color, int option = 0) {
  OGLDispElement element;
  element.name = 1;
  element.color = color;
  element.polygons = {&square, 1};
  return RenderTest::AddNode(engine, element, option);
}

// Daylight with the default model ambient: the face gets half its colour as
// ambient (lit by 0x4C + 0x80 of 255) and its colour as diffuse.
TEST_F(LightTest, DaylightLightsAFaceByAmbientAndDiffuse) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  const GMPolygon square = Square(0, 0, 10);
  AddFace(*engine, square, Color(100, 0, 0));
  // Facing the sun: 50·(204/255) + 100.
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32, {140, 0, 0}));

  // The sun 60 degrees off the face's normal halves the diffuse part.
  engine->SetLightDirection(0.0, std::sqrt(3.0) / 2.0, 0.5);
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32, {90, 0, 0}));

  // The sun behind the face we look at: only the ambient part.
  engine->SetLightDirection(0.0, 0.0, -1.0);
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32, {40, 0, 0}));

  // Sideways light leaves only the ambient part.
  engine->SetLightDirection(1.0, 0.0, 0.0);
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32, {40, 0, 0}));
}

TEST_F(LightTest, BackOfAFaceIsLitLikeItsFront) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  // Turned away from eye and sun alike: two-sided lighting lights the side
  // we see.
  GMPolygon square = Square(0, 0, 10);
  std::swap(square.points[1], square.points[3]);
  AddFace(*engine, square, Color(100, 0, 0));
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32, {140, 0, 0}));
  // Culling back faces removes it.
  EXPECT_TRUE(PixelNear(Draw(*engine, frame::kViewDefault | frame::kCullBack), 32, 32, {255, 255, 255}, 1));
}

TEST_F(LightTest, SaturatedFaceFacingTheSunIsFullRed) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  const GMPolygon square = Square(0, 0, 10);
  AddFace(*engine, square, Color(200, 0, 0));
  // Ambient 0.392 · 0.8 plus diffuse 0.784 exceeds 1 in red, nothing else.
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32, {255, 0, 0}, 1));
}

TEST_F(LightTest, NightPresetDimsAndTintsTheFace) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  engine->SetLightAmbient(0xFF1E1E1Eu);
  engine->SetLightDiffuse(0xFF644646u);
  const GMPolygon square = Square(0, 0, 10);
  AddFace(*engine, square, Color(200, 200, 200));
  // Ambient: 100 · (76 + 30)/255; diffuse: 200 · (70, 70, 100)/255.
  const double ambient = 100.0 * (76.0 + 30.0) / 255.0;
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32,
                        {static_cast<int>(std::lround(ambient + 200.0 * 70.0 / 255.0)),
                         static_cast<int>(std::lround(ambient + 200.0 * 70.0 / 255.0)),
                         static_cast<int>(std::lround(ambient + 200.0 * 100.0 / 255.0))}));
}

TEST_F(LightTest, HighlightLightensTheDiffuseColourHalfwayToWhite) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  const GMPolygon square = Square(0, 0, 10);
  AddFace(*engine, square, Color(0, 0, 100), 1);
  // Diffuse (127.5, 127.5, 177.5); ambient keeps half the plain colour.
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32, {128, 128, 218}));
}

TEST_F(LightTest, WhiteForBlackTurnsOnlyPureBlackWhite) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  const GMPolygon left = Square(-15, 0, 8);
  const GMPolygon right = Square(15, 0, 8);
  OGLDispElement black;
  black.name = 1;
  black.color = Color(0, 0, 0);
  black.polygons = {&left, 1};
  OGLDispElement red = black;
  red.color = Color(100, 0, 0);
  red.polygons = {&right, 1};

  engine->MakeCurrent();
  auto blackNode = std::make_unique<COGLDispTree>();
  blackNode->Reset(&black, 0, 1);
  auto redNode = std::make_unique<COGLDispTree>();
  redNode->Reset(&red, 0, 1);
  engine->GetDispTree()->AddChild(std::move(blackNode));
  engine->GetDispTree()->AddChild(std::move(redNode));
  engine->SetBackColor(Color(0, 0, 255));
  StereonImage image = Draw(*engine);
  EXPECT_TRUE(PixelNear(image, 20, 32, {255, 255, 255}, 1));
  EXPECT_TRUE(PixelNear(image, 44, 32, {140, 0, 0}));

  // Without the flag black stays black.
  engine->MakeCurrent();
  engine->GetDispTree()->GetNodeAt(0)->Reset(&black, 0, 0);
  image = Draw(*engine);
  EXPECT_TRUE(PixelNear(image, 20, 32, {0, 0, 0}, 1));
}

TEST_F(LightTest, TransparentFaceBlendsWithWhatIsBehind) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  const GMPolygon square = Square(0, 0, 10);
  COGLDispTree* node = AddFace(*engine, square, Color(100, 0, 0, 128));
  ASSERT_NE(node->GetLists(), nullptr);
  EXPECT_EQ(node->GetLists()->faceList.Id(), 0u);
  EXPECT_NE(node->GetLists()->transparentList.Id(), 0u);
  EXPECT_EQ(node->GetLists()->faceCount, 2);
  // Lit (140, 0, 0) at alpha 128/255 over white.
  const double a = 128.0 / 255.0;
  const Rgb expected{static_cast<int>(std::lround(140 * a + 255 * (1 - a))),
                     static_cast<int>(std::lround(255 * (1 - a))), static_cast<int>(std::lround(255 * (1 - a)))};
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32, expected));
  // Transparent faces are drawn whether they come before or after the
  // shadows.
  EXPECT_TRUE(PixelNear(Draw(*engine, frame::kViewDefault & ~frame::kTransparentFirst), 32, 32, expected));
  // Without lit faces they are not drawn at all.
  EXPECT_TRUE(PixelNear(Draw(*engine, frame::kFaces | frame::kOutlines), 32, 32, {255, 255, 255}, 1));
}

struct FogCase {
  const char* name;
  double start, end, density;
  int mode;
  double factor;  // share of the face's own colour left at depth 100
};

class FogTest : public RenderTest, public ::testing::WithParamInterface<FogCase> {};

TEST_P(FogTest, DistantFaceMovesTowardsTheBackground) {
  const FogCase& c = GetParam();
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  engine->SetBackColor(Color(0, 0, 255));
  const GMPolygon square = Square(0, 0, 10);
  AddFace(*engine, square, Color(100, 0, 0));
  engine->SetFaceFog(c.start, c.end, c.density, c.mode);
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32, {140, 0, 0}));  // fog is off without the flag
  const StereonImage fogged = Draw(*engine, frame::kViewDefault | frame::kFaceFog);
  EXPECT_TRUE(PixelNear(fogged, 32, 32,
                        {static_cast<int>(std::lround(140 * c.factor)), 0,
                         static_cast<int>(std::lround(255 * (1 - c.factor)))},
                        4));
  // The line fog flag alone leaves faces clear.
  EXPECT_TRUE(PixelNear(Draw(*engine, frame::kViewDefault | frame::kLineFog), 32, 32, {140, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Modes, FogTest,
                         ::testing::Values(FogCase{"linear", 50.0, 150.0, 0.01, 0, 0.5},
                                           FogCase{"exponential", 1.0, 3000.0, 0.01, 1, std::exp(-1.0)},
                                           FogCase{"squared", 1.0, 3000.0, 0.005, 2, std::exp(-0.25)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LightTest, UnknownFogModeKeepsTheModeLastUsed) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  engine->SetBackColor(Color(0, 0, 255));
  const GMPolygon square = Square(0, 0, 10);
  AddFace(*engine, square, Color(100, 0, 0));
  engine->SetFaceFog(50.0, 150.0, 0.01, 0);
  const StereonImage linear = Draw(*engine, frame::kViewDefault | frame::kFaceFog);
  // Mode 3: linear stays in force (exp² at 0.01 would give another colour).
  engine->SetFaceFog(50.0, 150.0, 0.01, 3);
  const Rgb kept = PixelAt(linear, 32, 32);
  EXPECT_TRUE(PixelNear(Draw(*engine, frame::kViewDefault | frame::kFaceFog), 32, 32, kept, 1));
}

TEST_F(LightTest, LineFogFadesLinesButNotFaces) {
  auto engine = MakeEngine();
  ASSERT_TRUE(engine);
  engine->SetBackColor(Color(0, 0, 255));
  engine->SetLineWidth(5.0);
  const GMSegment segment{{-20, 0, 0}, {20, 0, 0}};
  OGLDispElement element;
  element.name = 1;
  element.color = Color(0, 255, 0);
  element.lines = {&segment, 1};
  AddNode(*engine, element);
  engine->SetLineFog(50.0, 150.0, 0.01, 0);
  EXPECT_TRUE(PixelNear(Draw(*engine), 32, 32, {0, 255, 0}, 1));
  // Lines are pulled 0.1 % nearer the eye: the fog factor is about 0.501.
  EXPECT_TRUE(PixelNear(Draw(*engine, frame::kViewDefault | frame::kLineFog), 32, 32, {0, 128, 127}, 3));
  EXPECT_TRUE(PixelNear(Draw(*engine, frame::kViewDefault | frame::kFaceFog), 32, 32, {0, 255, 0}, 1));
}

TEST(StereonFog, ValuesAreKeptInSinglePrecision) {
  CStereon engine;
  engine.SetFaceFog(1.0, 3000.0, 0.01, 2.7);
  double start = 0, end = 0, density = 0;
  int mode = -1;
  engine.GetFaceFog(start, end, density, mode);
  EXPECT_EQ(start, 1.0);
  EXPECT_EQ(end, 3000.0);
  EXPECT_EQ(density, 0.009999999776482582);
  EXPECT_EQ(mode, 2);
  engine.SetLineFog(0.1, 20.0, 0.3, 1.0);
  engine.GetLineFog(start, end, density, mode);
  EXPECT_EQ(start, static_cast<double>(0.1f));
  EXPECT_EQ(density, static_cast<double>(0.3f));
  EXPECT_EQ(mode, 1);
  // The defaults are single-precision too.
  engine.GetFaceFog(start, end, density, mode);
  CStereon fresh;
  fresh.GetLineFog(start, end, density, mode);
  EXPECT_EQ(density, 0.009999999776482582);
}

}  // namespace
}  // namespace render_test
