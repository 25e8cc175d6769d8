// The sun and its shadows through the view: the time dialog's two commands,
// the casters the view collects, and the shadows as drawn.
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "common/PlainList.h"
#include "image/DibImage.h"
#include "render/OGLDispTree.h"
#include "view_fixture.h"

namespace view_test {
namespace {

namespace cmd = korvex::cmd;

// A 10 × 10 × 10 box on the origin corner, read as a solid (a mesh).
constexpr const char* kBoxK3d =
    "HEADER\n0,0\nSOLIDV,Z0,0,G,0.8,0.2,0.2,0,4,1,Box\n0,0,0\n10,0,0\n10,10,0\n0,10,0\n0,0,10\n";

// The box standing on a white ground plate 100 × 100, seen from straight
// above in a 100 × 100 window at one pixel per model unit.
class ShadowViewTest : public ViewTest {
 protected:
  bool StartSite() {
    launch.modelPath = scratch->Write("site.k3d", kBoxK3d);
    window = TestWindow::Create(100, 100);
    if (!window) return false;
    view = std::make_unique<CStereonView>(ui, launch, &shell, companions);
    if (!view->Create(window.get())) return false;
    AddSquareNode(*Root(), "Plate", 5.0, 5.0, 50.0, 0.0, 0xFFFFFFFFu);
    view->RebuildAll();
    view->Paint();
    State().camera.eye = {5.0, 5.0, 50.0 / std::tan(22.5 * M_PI / 180.0)};
    State().camera.target = {5.0, 5.0, 0.0};
    State().camera.up = {0.0, 1.0, 0.0};
    State().zoom = 1.0;
    State().displayFlags |= frame::kParallel;
    return true;
  }
  // The pixel over ground point (x, y).
  Rgb Ground(const StereonImage& image, double x, double y) {
    return PixelAt(image, static_cast<int>(std::floor(x - 5.0 + 50.0)), static_cast<int>(std::floor(5.0 - y + 50.0)));
  }
  StereonImage Picture() {
    view->Paint();
    return window->Read();
  }
  void SunAt(double azimuth, double altitude) {
    const GMVector v = korvex::SunVectorFromAngles(azimuth, altitude, 0.0);
    State().lightPosition = {v.x / 100.0, v.y / 100.0, v.z / 100.0};
  }
  bool Darkened(const StereonImage& image, double x, double y) { return Ground(image, x, y).r < 200; }
  CStereon& Engine() { return *view->Engine(); }
  // Every corner of the volumes' triangles in the array form, in world
  // coordinates.
  template <typename Visit>
  void ForEachVolumePoint(Visit&& visit) {
    for (const auto& array : Engine().shadowArrays)
      for (size_t i = 0; i + 2 < array.vertices.size(); i += 3)
        visit(GMVector{array.origin.x + array.vertices[i], array.origin.y + array.vertices[i + 1],
                       array.origin.z + array.vertices[i + 2]});
  }
};

TEST_F(ShadowViewTest, NoonShadowFallsNorthAtHalfBrightnessInBothForms) {
  ASSERT_TRUE(StartSite());
  SunAt(0.0, 30.55);
  const StereonImage before = Picture();
  const Rgb lit = Ground(before, 5.0, 18.0);
  ASSERT_GT(lit.r, 200);
  // Making shadows also shows them (display bit 5 starts clear).
  ASSERT_FALSE(State().displayFlags & frame::kShadows);
  view->OnCommand(cmd::kMakeShadows);
  EXPECT_TRUE(State().displayFlags & frame::kShadows);
  EXPECT_FALSE(Engine().shadowArrays.empty());  // fast drawing off: arrays
  const StereonImage arrays = Picture();
  // North of the box (the shadow reaches 10 / tan 30.55° ≈ 16.9 beyond it).
  const Rgb dark = Ground(arrays, 5.0, 18.0);
  EXPECT_NEAR(dark.r, lit.r / 2.0, 8.0);
  EXPECT_NEAR(dark.g, lit.g / 2.0, 8.0);
  EXPECT_TRUE(Darkened(arrays, 2.0, 25.0));
  // South of it, beside it and beyond the shadow's end: lit.
  EXPECT_FALSE(Darkened(arrays, 5.0, -8.0));
  EXPECT_FALSE(Darkened(arrays, -6.0, 18.0));
  EXPECT_FALSE(Darkened(arrays, 5.0, 30.0));

  // Fast drawing: one display list, the same picture.
  view->OnCommand(cmd::kFastShadows);
  view->OnCommand(cmd::kMakeShadows);
  EXPECT_TRUE(Engine().shadowArrays.empty());
  EXPECT_TRUE(Engine().shadowList);
  const StereonImage list = Picture();
  int differing = 0;
  for (size_t i = 0; i < list.pixels.size(); ++i) differing += std::abs(list.pixels[i] - arrays.pixels[i]) > 2;
  EXPECT_EQ(differing, 0);

  // Hiding the shadows keeps the volumes; deleting them ends both forms.
  view->OnCommand(cmd::kShowShadows);
  EXPECT_FALSE(Darkened(Picture(), 5.0, 18.0));
  view->OnCommand(cmd::kShowShadows);
  view->OnCommand(cmd::kDeleteShadows);
  EXPECT_FALSE(Engine().shadowList);
  EXPECT_FALSE(Darkened(Picture(), 5.0, 18.0));
}

// The old output method draws on an engine of its own: shadows kept as a
// display list belong to the screen's context and must be made again there.
TEST_F(ShadowViewTest, OldMethodPictureCarriesTheShadowsInBothForms) {
  ASSERT_TRUE(StartSite());
  SunAt(0.0, 30.55);
  const std::string path = (scratch->Work() / "old.bmp").string();
  for (const bool fast : {false, true}) {
    if (fast) view->OnCommand(cmd::kFastShadows);
    view->OnCommand(cmd::kMakeShadows);
    ASSERT_EQ(static_cast<bool>(Engine().shadowList), fast);
    ASSERT_TRUE(view->SaveImageOld(path, 100, 100, 1.0));
    CDibImage image(&ui);
    ASSERT_EQ(image.Load(path), 0);
    const auto red = [&](double x, double y) {
      const int px = static_cast<int>(std::floor(x - 5.0 + 50.0)), py = static_cast<int>(std::floor(5.0 - y + 50.0));
      return image.GetPixels()[(static_cast<size_t>(99 - py) * 100 + px) * 3 + 2];
    };
    EXPECT_LT(red(5.0, 18.0), 200) << "fast " << fast;  // north of the box: shadow
    EXPECT_GT(red(5.0, -8.0), 200) << "fast " << fast;  // south of it: lit
  }
  // The screen keeps its own list.
  EXPECT_TRUE(Engine().shadowList);
  EXPECT_TRUE(Darkened(Picture(), 5.0, 18.0));
}

TEST_F(ShadowViewTest, OnlyTheBoxFacesTurnedAwayFromTheSunAreExtruded) {
  ASSERT_TRUE(StartSite());
  SunAt(0.0, 30.55);
  view->OnCommand(cmd::kMakeShadows);
  // The plate, the box's north face and its floor: the faces towards the
  // sun and those along its rays cast nothing of their own.
  ASSERT_EQ(Engine().shadowArrays.size(), 1u);
  int above = 0;
  ForEachVolumePoint([&](const GMVector& p) {
    if (p.z <= 1e-4) return;
    ++above;
    EXPECT_NEAR(p.y, 10.0, 1e-4) << "a point of a face turned towards the sun";
  });
  EXPECT_GT(above, 0);
}

// Opening another model, dropping one on the background and reloading each
// delete the old model's shadows; the display flag stays as the user set it.
TEST_F(ShadowViewTest, OpenDropAndReloadDeleteTheOldShadows) {
  ASSERT_TRUE(StartSite());
  launch.reload = true;
  SunAt(0.0, 30.55);
  const std::string other = scratch->Write("other.k3d", kBoxK3d);
  const char* ways[] = {"open", "drop", "reload"};
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(ways[way]);
    for (const bool fast : {false, true}) {
      if (fast != (State().fastShadowsOff == 0)) view->OnCommand(cmd::kFastShadows);
      view->OnCommand(cmd::kMakeShadows);
      ASSERT_TRUE(Engine().shadowList || !Engine().shadowArrays.empty());
      if (way == 0) {
        ui.chosenFile = other;
        view->OnCommand(cmd::kOpen);
      } else if (way == 1) {
        view->OnDropFile(other, 0, 0);  // a corner: no node under it
      } else {
        view->OnHostMessage(korvex::kHostReload);
      }
      EXPECT_EQ(launch.modelPath, other);
      EXPECT_FALSE(Engine().shadowList);
      EXPECT_TRUE(Engine().shadowArrays.empty());
      EXPECT_TRUE(State().displayFlags & frame::kShadows);
      // Nothing of the old volumes is drawn over the new model.
      const StereonImage with = Picture();
      State().displayFlags &= ~frame::kShadows;
      const StereonImage without = Picture();
      State().displayFlags |= frame::kShadows;
      EXPECT_EQ(with.pixels, without.pixels);
    }
  }
}

TEST_F(ShadowViewTest, TransparentAndHiddenBoxesCastOnlyWhenAllowed) {
  ASSERT_TRUE(StartSite());
  SunAt(0.0, 30.55);
  // The node that holds the box's solid.
  CInkNode* box = Root()->GetChild(0);
  while (box != nullptr && box->GetFigureCount() == 0) box = box->GetChild(0);
  ASSERT_NE(box, nullptr);
  box->GetAttributeRecord()->colour = (box->GetAttributeRecord()->colour & 0x00FFFFFFu) | 0x80000000u;
  view->OnCommand(cmd::kMakeShadows);
  EXPECT_FALSE(Darkened(Picture(), 5.0, 18.0));
  EXPECT_FALSE(view->GetCommandState(cmd::kTransparentShadows).checked);
  view->OnCommand(cmd::kTransparentShadows);
  EXPECT_TRUE(view->GetCommandState(cmd::kTransparentShadows).checked);
  view->OnCommand(cmd::kMakeShadows);
  EXPECT_TRUE(Darkened(Picture(), 5.0, 18.0));

  box->GetAttributeRecord()->colour |= 0xFF000000u;
  box->SetShown(0);
  view->RebuildNode(*box);
  view->OnCommand(cmd::kMakeShadows);
  EXPECT_FALSE(Darkened(Picture(), 5.0, 18.0));
  view->OnCommand(cmd::kHiddenShadows);
  EXPECT_TRUE(view->GetCommandState(cmd::kHiddenShadows).checked);
  view->OnCommand(cmd::kMakeShadows);
  EXPECT_TRUE(Darkened(Picture(), 5.0, 18.0));  // the hidden box's shadow

  // No caster left at all: the old shadow goes rather than staying behind.
  view->OnCommand(cmd::kHiddenShadows);
  Root()->RemoveAt(Root()->GetCount() - 1);  // the plate
  view->RebuildAll();
  view->OnCommand(cmd::kMakeShadows);
  EXPECT_TRUE(Engine().shadowArrays.empty());
  EXPECT_FALSE(Engine().shadowList);
}

TEST_F(ShadowViewTest, BillboardOutlineStandsAcrossTheSunInTheMorning) {
  ASSERT_TRUE(StartSite());
  // A 10 × 10 billboard standing at (-25, -25), its outline the whole square.
  auto record = std::make_unique<StereonBillboard>();
  record->position = {-25.0, -25.0, 0.0};
  record->width = 10.0;
  record->height = 10.0;
  record->outline = std::make_unique<GMPolygonSet>();
  record->outline->polygons.push_back(GMPolygon{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}});
  if (Engine().billboards == nullptr) Engine().billboards = new CPlainList();
  Engine().billboards->Add(record.release());

  // A south-east morning sun: the shadow runs north-west, as wide as the
  // billboard across the rays. Beside its middle line it is still dark; an
  // outline turned edge-on to the sun would leave that point lit.
  SunAt(-45.0, 30.0);
  view->OnCommand(cmd::kMakeShadows);
  const StereonImage morning = Picture();
  const double k = std::sqrt(0.5);
  EXPECT_TRUE(Darkened(morning, -25.0 - 5.0 * k + 3.0 * k, -25.0 + 5.0 * k + 3.0 * k));
  EXPECT_TRUE(Darkened(morning, -25.0 - 5.0 * k - 3.0 * k, -25.0 + 5.0 * k - 3.0 * k));
  EXPECT_FALSE(Darkened(morning, -25.0 + 5.0 * k, -25.0 - 5.0 * k));  // sunward side
  // The afternoon mirror image.
  SunAt(45.0, 30.0);
  view->OnCommand(cmd::kMakeShadows);
  const StereonImage afternoon = Picture();
  EXPECT_TRUE(Darkened(afternoon, -25.0 + 5.0 * k + 3.0 * k, -25.0 + 5.0 * k - 3.0 * k));
  EXPECT_TRUE(Darkened(afternoon, -25.0 + 5.0 * k - 3.0 * k, -25.0 + 5.0 * k + 3.0 * k));

  // The sun overhead: no billboard shadow.
  State().lightPosition = {0.0, 0.0, 1.0};
  view->OnCommand(cmd::kMakeShadows);
  ForEachVolumePoint([&](const GMVector& p) {
    EXPECT_FALSE(p.x < -19.0 && p.z > 1e-4) << "a billboard casting under the sun overhead";
  });
  Engine().DeleteAllBillboards();
}

TEST_F(ShadowViewTest, SunDirectionAndSolarViewRememberTheirTimesAndSetTheLight) {
  ASSERT_TRUE(StartSite());
  // Cancel: nothing changes.
  view->OnCommand(cmd::kSunDirection);
  ASSERT_TRUE(shell.timeShown.has_value());
  EXPECT_TRUE(shell.timeShown->createShadow);
  EXPECT_EQ(shell.timeShown->selection, 0);
  EXPECT_EQ(shell.timeShown->times.entries.size(), 17u);  // no plan file here
  EXPECT_EQ(State().lightPosition, (GMVector{0.0, 0.0, 1.0}));

  // Noon with shadows: the light towards the sun, the shadows built and shown.
  shell.timeLine = 8;
  view->OnCommand(cmd::kSunDirection);
  EXPECT_NEAR(State().lightPosition.y, -0.8612, 1e-4);
  EXPECT_NEAR(State().lightPosition.z, 0.5083, 1e-4);
  EXPECT_TRUE(State().displayFlags & frame::kShadows);
  EXPECT_TRUE(Darkened(Picture(), 5.0, 18.0));

  // The solar view starts from its own remembered line, without shadows.
  shell.timeLine = 2;
  view->OnCommand(cmd::kSolarView);
  EXPECT_EQ(shell.timeShown->selection, 0);
  EXPECT_FALSE(shell.timeShown->createShadow);
  const GMVector v = korvex::SunVectorFromAngles(-42.68979, 16.91216, 0.0);
  const GMVector toEye{State().camera.eye.x - State().camera.target.x, State().camera.eye.y - State().camera.target.y,
                       State().camera.eye.z - State().camera.target.z};
  const double diagonal = std::sqrt(100.0 * 100.0 * 2.0 + 10.0 * 10.0);  // plate and box
  EXPECT_NEAR(std::hypot(std::hypot(toEye.x, toEye.y), toEye.z), diagonal, 1e-6);
  EXPECT_NEAR(toEye.x / diagonal, v.x / 100.0, 1e-9);
  EXPECT_NEAR(State().camera.target.z, 5.0, 1e-9);
  view->OnCommand(cmd::kSunDirection);
  EXPECT_EQ(shell.timeShown->selection, 8);
  view->OnCommand(cmd::kSolarView);
  EXPECT_EQ(shell.timeShown->selection, 2);

  // An empty scene: the light still follows, the camera stays.
  while (Root()->GetCount() > 0) Root()->RemoveAt(0);
  view->RebuildAll();
  const GMVector eye = State().camera.eye;
  view->OnCommand(cmd::kSolarView);
  EXPECT_EQ(ui.LastStatus(), "ﾃﾞｰﾀが空なのでこの操作は行えません");
  EXPECT_EQ(State().camera.eye, eye);
}

// korvex-cli render with the sun of a plan folder's time list.
TEST_F(ViewTest, RenderTakesTheSunFromThePlanFolderAndRefusesOtherTimes) {
  scratch->Write("Plan.land", "[PLANDATA_TIMEDIRECTION]\npoint 1230 10 30\npoint 1500 40 15\n[END]\n");
  // The box on a white slab whose top is the ground.
  scratch->Write("site.k3d", std::string(kBoxK3d) +
                                 "SOLIDV,Z0,0,G,1,1,1,0,4,1,Plate\n-40,-40,-1\n50,-40,-1\n50,50,-1\n-40,50,-1\n0,0,1\n");
  auto run = [](const std::string& arguments) {
    const std::string command = std::string(KORVEX_CLI_PATH) + " render site.k3d --size 64x48 --view plan " +
                                arguments + " 2>cli-error.txt";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  auto bytes = [](const char* path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  ASSERT_EQ(run("-o lit.bmp --sun 12:30"), 0);
  ASSERT_EQ(run("-o shadow.bmp --sun 12:30 --shadows"), 0);
  EXPECT_NE(bytes("lit.bmp"), bytes("shadow.bmp"));
  ASSERT_EQ(run("-o flipped.bmp --sun 12:30 --north-flip --shadows"), 0);
  EXPECT_NE(bytes("flipped.bmp"), bytes("shadow.bmp"));
  // 12:00 is in the built-in table but not in this plan's list.
  EXPECT_EQ(run("-o noon.bmp --sun 12:00"), 2);
  EXPECT_NE(bytes("cli-error.txt").find("the times are: 12:30 15:00\n"), std::string::npos);
  EXPECT_EQ(run("-o noon.bmp --sun noon"), 2);
  EXPECT_EQ(run("-o noon.bmp --north-flip"), 2);
}

}  // namespace
}  // namespace view_test
