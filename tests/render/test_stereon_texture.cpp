// Pictures in the engine: the texture table, the background image and the
// billboards with their masks, shared textures, log and facing.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include <unistd.h>

#include "model/InkFigAdmin.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "image/DibImage.h"
#include "render_fixture.h"
#include "plugins/ScenePlugins.h"
#include "tests/support/bmp_picture.h"
#include "tests/support/message_log.h"
#include "tests/support/scratch_folder.h"

namespace render_test {
namespace {

namespace fs = std::filesystem;

// Each case works in a folder of its own, which is also the current folder
// (where the engine keeps its log).
class TextureTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    previous_ = fs::current_path();
    folder_ = scratch_.path();
    fs::current_path(folder_);
  }
  void TearDown() override {
    if (folder_.empty()) return;
    fs::current_path(previous_);
  }

  // A 24-bit BMP of width × height whose pixel (x, y), y counted from the
  // bottom, has the colour `at` gives.
  std::string WriteBmp(const std::string& name, int width, int height, const std::function<Rgb(int, int)>& at) {
    const std::string path = (folder_ / name).string();
    EXPECT_TRUE(korvex_test::WriteBmpPicture(path, width, height, at));
    return path;
  }
  std::string WriteBmp(const std::string& name, int width, int height, Rgb colour) {
    return WriteBmp(name, width, height, [colour](int, int) { return colour; });
  }

  static std::string ReadLog() {
    std::ifstream in(kStereonLogFile);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Width and height of a GL texture of the engine.
  static std::pair<int, int> TextureSize(CStereon& engine, unsigned id) {
    engine.MakeCurrent();
    glBindTexture(GL_TEXTURE_2D, id);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    glBindTexture(GL_TEXTURE_2D, 0);
    return {w, h};
  }

  // An engine of size × size looking along +y at the origin from `distance`.
  std::unique_ptr<CStereon> MakeFrontEngine(int size = 128, double distance = 30.0) {
    auto engine = MakeEngine(size, size);
    if (!engine) return nullptr;
    engine->SetCamera({0.0, -distance, 0.0}, {0.0, 0.0, 0.0}, {0.0, 0.0, 1.0});
    engine->SetLightDirection(0.0, -1.0, 0.0);
    return engine;
  }

  korvex_test::ScratchFolder scratch_;
  fs::path folder_;
  fs::path previous_;
};

// A wall in the plane y = 0 facing -y, 2·half wide and high.
GMPolygon Wall(double half) {
  GMPolygon p;
  p.points = {{-half, 0.0, -half}, {half, 0.0, -half}, {half, 0.0, half}, {-half, 0.0, half}};
  return p;
}

// Runs of equal colour along a row or a column between two pixels.
int CountRuns(const StereonImage& image, int x0, int y0, int x1, int y1) {
  int runs = 0;
  Rgb last{-1, -1, -1};
  const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  for (int i = 0; i <= steps; ++i) {
    const Rgb c = PixelAt(image, x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
    if (std::abs(c.r - last.r) + std::abs(c.g - last.g) + std::abs(c.b - last.b) > 30) ++runs;
    last = c;
  }
  return runs;
}

TEST_F(TextureTest, TableScalesToAPowerOfTwoSquareAndKeepsAspectAndScale) {
  korvex_test::MessageLog ui;
  auto engine = std::make_unique<CStereon>(&ui);
  ASSERT_TRUE(engine->CreateBitmapContext(16, 16, 32, 24, 16, 16));
  // Nothing to delete: no table appears, nothing breaks.
  engine->DeleteTexture(-1);
  engine->DeleteTexture(0);
  EXPECT_EQ(engine->textureTable, nullptr);
  EXPECT_EQ(engine->GetTexture(0), nullptr);

  const std::string wide = WriteBmp("wide.bmp", 300, 200, Rgb{200, 10, 10});
  ASSERT_EQ(engine->AddTexture(wide.c_str(), 0.0, 0.0), 0);
  const StereonTexture* texture = engine->GetTexture(0);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(TextureSize(*engine, texture->textureId), std::make_pair(256, 256));
  double aspect = 0.0, scale = 0.0;
  EXPECT_EQ(engine->GetTextureScale(0, &aspect, &scale), 1);
  EXPECT_DOUBLE_EQ(aspect, 200.0 / 300.0);
  EXPECT_DOUBLE_EQ(scale, 1.0);

  // Given values are kept; a picture 1 pixel wide makes a 1 × 1 texture.
  const std::string thin = WriteBmp("thin.bmp", 1, 5, Rgb{0, 0, 0});
  ASSERT_EQ(engine->AddTexture(thin.c_str(), 0.5, 3.0), 1);
  EXPECT_EQ(TextureSize(*engine, engine->GetTexture(1)->textureId), std::make_pair(1, 1));
  EXPECT_EQ(engine->GetTextureScale(1, &aspect, &scale), 1);
  EXPECT_EQ(aspect, 0.5);
  EXPECT_EQ(scale, 3.0);
  EXPECT_EQ(engine->GetTextureScale(2, &aspect, &scale), 0);

  // Names are cut to the caller's buffer, which is cleared first.
  char name[8];
  std::memset(name, 'x', sizeof name);
  engine->GetTextureName(0, name, 5);
  EXPECT_EQ(std::string(name, 5), wide.substr(0, 4) + '\0');
  EXPECT_EQ(name[5], 'x');

  // A missing picture or a mask of another size adds nothing.
  EXPECT_EQ(engine->AddTexture((folder_ / "none.bmp").c_str(), 0, 0), -1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("none.bmp"), std::string::npos);
  const std::string odd = WriteBmp("odd.bmp", 4, 4, Rgb{1, 2, 3});
  WriteBmp("odd.bmp.mask", 2, 2, Rgb{255, 255, 255});
  EXPECT_EQ(engine->AddTexture(odd.c_str(), 0, 0), -1);
  EXPECT_EQ(engine->GetTextureCount(), 2);

  // Deleting one moves the later ones down and frees its GL texture.
  const unsigned first = engine->GetTexture(0)->textureId;
  engine->DeleteTexture(5);
  engine->DeleteTexture(0);
  EXPECT_EQ(engine->GetTextureCount(), 1);
  EXPECT_STREQ(engine->GetTexture(0)->name, thin.c_str());
  engine->MakeCurrent();
  EXPECT_FALSE(glIsTexture(first));
  engine->DeleteTexture(-1);
  EXPECT_EQ(engine->textureTable, nullptr);
}

TEST_F(TextureTest, TexturedWallRepeatsEveryScaleAcrossAndScaleTimesAspectUp) {
  auto engine = MakeFrontEngine();
  ASSERT_TRUE(engine);
  // Two texels across (red, green) on the bottom row, (blue, yellow) on top.
  const std::string path = WriteBmp("check.bmp", 2, 2, [](int x, int y) {
    if (y == 0) return x == 0 ? Rgb{255, 0, 0} : Rgb{0, 255, 0};
    return x == 0 ? Rgb{0, 0, 255} : Rgb{255, 255, 0};
  });
  // Repeats every 10 units across and every 20 up: a 20 × 20 wall shows four
  // texel columns and two texel rows.
  ASSERT_EQ(engine->AddTexture(path.c_str(), 2.0, 10.0), 0);
  const GMPolygon wall = Wall(10.0);
  OGLDispElement element;
  element.name = 1;
  element.texture = engine->GetTexture(0);
  element.polygons = {&wall, 1};
  AddNode(*engine, element);
  const StereonImage image = Draw(*engine);
  // The wall covers pixels of about 12 .. 115 of 128.
  EXPECT_EQ(CountRuns(image, 20, 64, 107, 64), 4);
  EXPECT_EQ(CountRuns(image, 64, 20, 64, 107), 2);
  // Each texel shows its own colour, lit white.
  const Rgb c = PixelAt(image, 30, 40);
  const bool primary = (c.r > 200) + (c.g > 200) + (c.b > 200) >= 1 && (c.r < 50 || c.g < 50 || c.b < 50);
  EXPECT_TRUE(primary) << c.r << " " << c.g << " " << c.b;
}

TEST_F(TextureTest, BackgroundImageShowsOnlyWhereNothingNearerWasDrawn) {
  korvex_test::MessageLog ui;
  auto engine = std::make_unique<CStereon>(&ui);
  ASSERT_TRUE(engine->CreateBitmapContext(64, 64, 32, 24, 64, 64));
  engine->SetCamera({0.0, 0.0, 100.0}, {0.0, 0.0, 0.0}, {0.0, 1.0, 0.0});
  engine->SetBackColor(Color(0, 0, 255));
  EXPECT_FALSE(engine->LoadBackTexture((folder_ / "none.bmp").c_str()));
  EXPECT_EQ(ui.messages.size(), 1u);
  // Left half red, right half green.
  const std::string sky = WriteBmp("sky.bmp", 6, 3, [](int x, int) { return x < 3 ? Rgb{255, 0, 0} : Rgb{0, 255, 0}; });
  ASSERT_TRUE(engine->LoadBackTexture(sky.c_str()));
  EXPECT_EQ(TextureSize(*engine, engine->backTexture), std::make_pair(6, 3));
  const GMPolygon plate = Square(0, 0, 5, 0);
  OGLDispElement element;
  element.name = 1;
  element.color = Color(255, 255, 255);
  element.polygons = {&plate, 1};
  AddNode(*engine, element);
  for (int flags : {frame::kViewDefault, frame::kViewDefault | frame::kParallel}) {
    SCOPED_TRACE(flags);
    const StereonImage image = Draw(*engine, flags);
    EXPECT_TRUE(PixelNear(image, 4, 32, {255, 0, 0}));
    EXPECT_TRUE(PixelNear(image, 59, 32, {0, 255, 0}));
    const Rgb centre = PixelAt(image, 32, 32);  // the white plate, lit
    EXPECT_GT(centre.b, 100);
    EXPECT_GT(centre.r, 100);
  }
  engine->DeleteBackTexture();
  EXPECT_EQ(engine->backTexture, 0u);
  EXPECT_TRUE(PixelNear(Draw(*engine), 4, 32, {0, 0, 255}));
}

TEST_F(TextureTest, BillboardsShareOnePicturePerFileAndLogWhatIsMissing) {
  auto engine = MakeFrontEngine();
  ASSERT_TRUE(engine);
  const std::string missing = (folder_ / "gone.bmp").string();
  EXPECT_EQ(engine->AddBillboard(0, 0, 0, missing.c_str(), 1, 1), -1);
  EXPECT_EQ(ReadLog(), "BillboardTex not found: " + missing + "\n");
  EXPECT_EQ(engine->billboards, nullptr);

  const std::string tree = WriteBmp("tree.bmp", 3, 5, Rgb{0, 200, 0});
  ASSERT_EQ(engine->AddBillboard(1, 2, 3, tree.c_str(), 4, 6), 0);
  const std::string afterFirst = ReadLog();
  EXPECT_EQ(afterFirst, "BillboardTex not found: " + missing + "\nBillboardMask not found: " + tree +
                            ".mask\nBillboardMaskPoly not found: " + tree + ".poly\n");
  // The same picture again, written with "\": nothing is read or logged.
  std::string windows = tree;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  ASSERT_EQ(engine->AddBillboard(5, 5, 5, windows.c_str(), 1, 1), 0);
  EXPECT_EQ(ReadLog(), afterFirst);
  ASSERT_EQ(engine->GetBillboardCount(), 2);
  const StereonBillboard* first = engine->GetBillboard(0);
  EXPECT_EQ(first->position.z, 3.0);
  EXPECT_EQ(first->width, 4.0);
  EXPECT_EQ(first->outline, nullptr);
  EXPECT_EQ(TextureSize(*engine, first->textureId), std::make_pair(2, 2));
  EXPECT_EQ(engine->GetBillboard(1)->textureId, first->textureId);
  EXPECT_EQ(engine->GetBillboard(2), nullptr);

  // A mask that cannot be read stops the billboard.
  const std::string bush = WriteBmp("bush.bmp", 4, 4, Rgb{0, 100, 0});
  WriteBmp("bush.bmp.mask", 3, 3, Rgb{255, 255, 255});
  EXPECT_EQ(engine->AddBillboard(0, 0, 0, bush.c_str(), 1, 1), -1);
  EXPECT_NE(ReadLog().find("BillboardMask not loaded: " + bush + ".mask\n"), std::string::npos);

  // The shared texture lives as long as one billboard shows it.
  const unsigned id = first->textureId;
  engine->DeleteBillboard(7);
  engine->DeleteBillboard(0);
  engine->MakeCurrent();
  EXPECT_TRUE(glIsTexture(id));
  engine->DeleteAllBillboards();
  engine->MakeCurrent();
  EXPECT_FALSE(glIsTexture(id));
  EXPECT_EQ(engine->billboards, nullptr);
}

TEST_F(TextureTest, OutlineComesFromTheSceneFileBesideThePicture) {
  // The outline file is a scene saved by the scene plug-in beside the tests.
  CInkSolid scene;
  korvex::InitializeWithPlugins(scene);
  int ink = -1;
  for (int i = 0; i < scene.GetFormatCount() && ink < 0; ++i) {
    char filter[256] = {};
    scene.GetExportFormat(i, filter, sizeof filter);
    if (scene.CanExport(i) && std::strstr(filter, "|*.ink|") != nullptr) ink = i;
  }
  ASSERT_GE(ink, 0) << "no .ink plug-in in FilePlugin beside the tests";
  auto node = std::make_unique<CInkNode>();
  node->Create(nullptr);
  const InkPolyDescription shape({{{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}}});
  node->AddPolygonFigure(shape.Get(), 0);
  scene.GetRoot()->AddChild(node.release());
  const std::string tree = WriteBmp("tree.bmp", 2, 2, Rgb{0, 200, 0});
  ASSERT_EQ(scene.Export(ink, (tree + ".poly").c_str()), 1);
  const std::string bush = WriteBmp("bush.bmp", 2, 2, Rgb{0, 100, 0});
  std::ofstream(bush + ".poly") << "no scene here";

  auto engine = MakeFrontEngine(16);
  ASSERT_TRUE(engine);
  ASSERT_EQ(engine->AddBillboard(0, 0, 0, tree.c_str(), 1, 1), 0);
  ASSERT_EQ(engine->AddBillboard(0, 0, 0, tree.c_str(), 1, 1), 0);
  ASSERT_EQ(engine->AddBillboard(0, 0, 0, bush.c_str(), 1, 1), 0);
  EXPECT_EQ(ReadLog().find("BillboardMaskPoly not found"), std::string::npos);
  EXPECT_NE(ReadLog().find("BillboardMaskPoly not loaded: " + bush + ".poly\n"), std::string::npos);
  const StereonBillboard* first = engine->GetBillboard(0);
  ASSERT_NE(first->outline, nullptr);
  ASSERT_EQ(first->outline->Count(), 1);
  EXPECT_EQ((*first->outline)[0].Count(), 3);
  // The second billboard has a copy of its own.
  const StereonBillboard* second = engine->GetBillboard(1);
  ASSERT_NE(second->outline, nullptr);
  EXPECT_NE(second->outline.get(), first->outline.get());
  EXPECT_EQ(engine->GetBillboard(2)->outline, nullptr);

  // An outline in another format: its reader wraps the objects in a node
  // named after the file, and the outline is the figure a level lower.
  bool objReader = false;
  for (int i = 0; i < scene.GetFormatCount(); ++i) {
    char filter[256] = {};
    scene.GetImportFormat(i, filter, sizeof filter);
    objReader = objReader || std::strstr(filter, "*.obj") != nullptr;
  }
  ASSERT_TRUE(objReader) << "no OBJ plug-in in FilePlugin beside the tests";
  const std::string shrub = WriteBmp("shrub.bmp", 2, 2, Rgb{0, 150, 0});
  std::ofstream(shrub + ".poly") << "v 0 0 0\nv 1 0 0\nv 0.5 1 0\nf 1 2 3\n";
  ASSERT_EQ(engine->AddBillboard(0, 0, 0, shrub.c_str(), 1, 1), 0);
  const StereonBillboard* outlined = engine->GetBillboard(3);
  ASSERT_NE(outlined->outline, nullptr);
  ASSERT_EQ(outlined->outline->Count(), 1);
  EXPECT_EQ((*outlined->outline)[0].Count(), 3);
}

TEST_F(TextureTest, MaskedBillboardLetsTheBackgroundThroughWhereItsMaskIsBlack) {
  auto engine = MakeFrontEngine(64);
  ASSERT_TRUE(engine);
  engine->SetBackColor(Color(0, 0, 255));
  const std::string picture = WriteBmp("person.bmp", 4, 4, Rgb{255, 0, 0});
  // Black (transparent) on the left half.
  WriteBmp("person.bmp.mask", 4, 4, [](int x, int) { return x < 2 ? Rgb{0, 0, 0} : Rgb{255, 255, 255}; });
  ASSERT_EQ(engine->AddBillboard(0, 0, -5, picture.c_str(), 10, 10), 0);
  EXPECT_EQ(ReadLog().find("BillboardMask not"), std::string::npos);
  const StereonImage image = Draw(*engine);
  // The billboard spans pixels of about 19 .. 44 across and up.
  EXPECT_TRUE(PixelNear(image, 24, 32, {0, 0, 255}));
  const Rgb shown = PixelAt(image, 40, 32);
  EXPECT_GT(shown.r, 100);
  EXPECT_LT(shown.b, 30);

  // Without a mask the whole picture is opaque.
  const std::string plain = WriteBmp("plain.bmp", 4, 4, Rgb{255, 0, 0});
  engine->DeleteAllBillboards();
  ASSERT_EQ(engine->AddBillboard(0, 0, -5, plain.c_str(), 10, 10), 0);
  EXPECT_NE(ReadLog().find("BillboardMask not found: " + plain + ".mask\n"), std::string::npos);
  EXPECT_GT(PixelAt(Draw(*engine), 24, 32).r, 100);
}

TEST_F(TextureTest, BillboardsAreDrawnFarToNearAndNotBehindTheEye) {
  auto engine = MakeFrontEngine(64);
  ASSERT_TRUE(engine);
  engine->SetBackColor(Color(0, 0, 255));
  const std::string red = WriteBmp("red.bmp", 2, 2, Rgb{255, 0, 0});
  const std::string green = WriteBmp("green.bmp", 2, 2, Rgb{0, 255, 0});
  // A wide billboard just behind the eye and off to its side: turned towards
  // the eye it would stretch far out in front of it.
  ASSERT_EQ(engine->AddBillboard(-20, -31, -50, red.c_str(), 200, 100), 0);
  EXPECT_TRUE(PixelNear(Draw(*engine), 5, 32, {0, 0, 255}));
  // Just in front of the eye the same billboard covers the left of the view.
  engine->GetBillboard(0)->position.y = -29;
  EXPECT_GT(PixelAt(Draw(*engine), 5, 32).r, 100);

  // A far green one behind a near red one: the list ends sorted near to far,
  // and the near one covers the far one.
  engine->DeleteAllBillboards();
  ASSERT_EQ(engine->AddBillboard(0, 20, -10, green.c_str(), 40, 20), 0);
  ASSERT_EQ(engine->AddBillboard(0, 0, -5, red.c_str(), 10, 10), 0);
  const StereonImage image = Draw(*engine);
  EXPECT_EQ(engine->GetBillboard(0)->position.y, 0.0);
  EXPECT_GT(PixelAt(image, 32, 32).r, 100);
  EXPECT_LT(PixelAt(image, 32, 32).g, 30);
}

TEST_F(TextureTest, SharingEngineDrawsTheOtherEnginesTexturesAndFreesOnlyItsOwn) {
  auto owner = MakeFrontEngine(64);
  ASSERT_TRUE(owner);
  const std::string path = WriteBmp("wall.bmp", 2, 2, Rgb{0, 255, 0});
  ASSERT_EQ(owner->AddTexture(path.c_str(), 0, 0), 0);
  const GMPolygon wall = Wall(10.0);
  OGLDispElement element;
  element.name = 1;
  element.texture = owner->GetTexture(0);
  element.polygons = {&wall, 1};
  AddNode(*owner, element);
  {
    CStereon bitmap;
    ASSERT_TRUE(bitmap.CreateBitmapContext(64, 64, 32, 24, 64, 64, owner->GetContext()));
    bitmap.ShareWith(owner.get());
    bitmap.SetCamera(owner->eye, owner->target, owner->up);
    bitmap.SetLightDirection(0.0, -1.0, 0.0);
    // A texture of its own, freed with it.
    ASSERT_EQ(bitmap.AddTexture(path.c_str(), 0, 0), 0);
    StereonImage image;
    bitmap.Render(frame::kViewDefault, &image);
    const Rgb c = PixelAt(image, 32, 32);
    EXPECT_GT(c.g, 200);
    EXPECT_LT(c.r, 50);
  }
  owner->MakeCurrent();
  EXPECT_TRUE(glIsTexture(owner->GetTexture(0)->textureId));
  EXPECT_GT(PixelAt(Draw(*owner), 32, 32).g, 200);
}

}  // namespace
}  // namespace render_test
