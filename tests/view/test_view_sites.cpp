// Real sites: models in survey coordinates draw as finely as the same model
// at the origin, and large or far-off models load and show whole.
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>

#include "view/EyeFile.h"
#include "view/ModelPoints.h"
#include "view/ViewMath.h"
#include "view_fixture.h"

namespace view_test {
namespace {

namespace cmd = korvex::cmd;
namespace vm = korvex::vm;

// A panel of 1 m × 1 m, 2 cm thick, carrying 1 cm ribs every 2 cm (so 1 cm
// grooves between them), its corner at (x0, y0, 0), as a scene exchange file.
std::string GroovedPanelK3d(double x0, double y0) {
  std::string text = "HEADER\n0,0\n";
  char line[128];
  auto box = [&](const char* name, double r, double g, double b, double xa, double ya, double xb, double yb,
                 double z, double height) {
    std::snprintf(line, sizeof line, "SOLIDV,Z0,0,G,%g,%g,%g,0,4,1,%s\n", r, g, b, name);
    text += line;
    const double corners[4][2] = {{xa, ya}, {xb, ya}, {xb, yb}, {xa, yb}};
    for (const auto& c : corners) {
      std::snprintf(line, sizeof line, "%.6f,%.6f,%.6f\n", x0 + c[0], y0 + c[1], z);
      text += line;
    }
    std::snprintf(line, sizeof line, "0,0,%.6f\n", height);
    text += line;
  };
  box("Panel", 0.2, 0.6, 0.2, 0.0, 0.0, 1.0, 1.0, 0.0, 0.02);
  for (int i = 0; i < 50; ++i) {
    const std::string name = "Rib" + std::to_string(i);
    box(name.c_str(), 0.9, 0.8, 0.2, 0.02 * i, 0.0, 0.02 * i + 0.01, 1.0, 0.02, 0.01);
  }
  return text;
}

int FigureCount(CInkNode& node) {
  int count = node.GetFigureCount();
  for (int i = 0; i < node.GetCount(); ++i) count += FigureCount(*node.GetChild(i));
  return count;
}

// Pixels whose colour differs by more than a few steps in any channel.
int DifferentPixels(const StereonImage& a, const StereonImage& b) {
  int count = 0;
  for (size_t i = 0; i + 3 < a.pixels.size() && i + 3 < b.pixels.size(); i += 4)
    for (int c = 0; c < 3; ++c)
      if (std::abs(a.pixels[i + c] - b.pixels[i + c]) > 8) {
        ++count;
        break;
      }
  return count;
}

// Pixels of the ribs' lit yellow tops, and of everything else of the model
// (the grooves' floors and the ribs' sides, darker).
void CountStripes(const StereonImage& image, int& ribs, int& grooves) {
  ribs = grooves = 0;
  for (size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
    const int r = image.pixels[i], g = image.pixels[i + 1], b = image.pixels[i + 2];
    if (r > 180 && g > 160 && b < 120)
      ++ribs;
    else if (!IsWhite({r, g, b}))
      ++grooves;
  }
}

class SurveyCoordinatesTest : public ViewTest {
 protected:
  // The panel's picture, opened on the command line at (x0, y0), seen as
  // `aim` leaves it and zoomed in five times about the window's centre (one
  // pixel is then about a millimetre).
  StereonImage Picture(double x0, double y0, bool perspective, int aim, int* figures = nullptr) {
    view.reset();
    window.reset();
    launch.modelPath = scratch->Write("panel.k3d", GroovedPanelK3d(x0, y0));
    launch.perspective = perspective;
    window = TestWindow::Create(200, 200);
    if (!window) return {};
    view = std::make_unique<CStereonView>(ui, launch, &shell, companions);
    if (!view->Create(window.get())) return {};
    if (figures != nullptr) *figures = FigureCount(*Root());
    view->Paint();  // the first paint's fit
    if (aim != cmd::kResetEye) view->OnCommand(aim);
    view->ZoomAbout(100, 100, 0.2);
    view->Paint();
    return window->Read();
  }
};

TEST_F(SurveyCoordinatesTest, AFarOffPanelKeepsEveryFigureAndDrawsLikeOneAtTheOrigin) {
  int atOrigin = 0, farOff = 0;
  const StereonImage planHome = Picture(0.0, 0.0, false, cmd::kPlanView, &atOrigin);
  const StereonImage planFar = Picture(-40000.0, 30000.0, false, cmd::kPlanView, &farOff);
  ASSERT_FALSE(planHome.pixels.empty());
  ASSERT_FALSE(planFar.pixels.empty());
  EXPECT_EQ(atOrigin, 51);
  EXPECT_EQ(farOff, atOrigin);
  int ribs = 0, grooves = 0;
  CountStripes(planHome, ribs, grooves);
  // About ten ribs and ten grooves across the window.
  EXPECT_GT(ribs, 10000);
  EXPECT_GT(grooves, 10000);
  EXPECT_LE(DifferentPixels(planHome, planFar), 200) << "of " << planHome.width * planHome.height;

  // In perspective from the reset eye the camera matrix once cancelled two
  // numbers of 50 km; the grooves' side walls and floors show too.
  const StereonImage isoHome = Picture(0.0, 0.0, true, cmd::kResetEye);
  const StereonImage isoFar = Picture(-40000.0, 30000.0, true, cmd::kResetEye);
  CountStripes(isoHome, ribs, grooves);
  EXPECT_GT(ribs, 5000);
  EXPECT_GT(grooves, 2000);
  EXPECT_LE(DifferentPixels(isoHome, isoFar), 200) << "of " << isoHome.width * isoHome.height;
}

// Where the model lands in the picture the engine last drew: the farthest
// any point reaches from the centre, in halves of the view (1 is the edge),
// and its nearest and farthest depth from the eye.
struct Framing {
  double widest = 0.0;
  double nearest = DBL_MAX;
  double farthest = -DBL_MAX;
};

Framing FrameOf(CStereonView& view, int w, int h) {
  const CStereon& e = *view.Engine();
  const bool parallel = (view.State().displayFlags & frame::kParallel) != 0;
  const GMVector f = vm::Unit(e.target - e.eye);
  const GMVector s = vm::Unit(GMCross(f, e.up));
  const GMVector u = GMCross(s, f);
  double left, right, bottom, top, nearPlane, farPlane;
  if (parallel)
    e.GetParallelFrustum(static_cast<double>(w) / h, left, right, bottom, top, nearPlane, farPlane);
  else
    e.GetPerspectiveFrustum(static_cast<double>(w) / h, left, right, bottom, top, nearPlane, farPlane);
  Framing framing;
  korvex::ForEachModelPoint(*view.Scene()->GetRoot(), [&](const GMVector& p) {
    const GMVector rel = p - e.eye;
    double x = GMDot(rel, s), y = GMDot(rel, u);
    const double z = GMDot(rel, f);
    if (!parallel) {
      x = z > 0.0 ? x * nearPlane / z : DBL_MAX;
      y = z > 0.0 ? y * nearPlane / z : DBL_MAX;
    }
    framing.widest = std::max({framing.widest, std::fabs(x) / right, std::fabs(y) / top});
    framing.nearest = std::min(framing.nearest, z);
    framing.farthest = std::max(framing.farthest, z);
  });
  return framing;
}

// Every model point inside the view and between the planes the engine drew
// with (parallel projection draws from the eye itself).
::testing::AssertionResult Whole(CStereonView& view, int w, int h) {
  const Framing framing = FrameOf(view, w, h);
  const CStereon& e = *view.Engine();
  const bool parallel = (view.State().displayFlags & frame::kParallel) != 0;
  const double front = parallel ? 0.0 : e.GetFrontPlane();
  if (framing.widest <= 1.0 && framing.nearest >= front && framing.farthest <= e.GetBackPlane())
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "reach " << framing.widest << ", depths " << framing.nearest << " to "
                                       << framing.farthest << " between planes " << front << " and "
                                       << e.GetBackPlane();
}

// A box of side `side` with its lower corner at `corner`, added to the root.
void AddBox(CInkNode& root, const char* name, const GMVector& corner, double side) {
  auto* node = new CInkNode;
  node->Create(nullptr);
  node->SetName(name);
  GMMesh box;
  std::vector<GMVector> corners;
  for (int k = 0; k < 8; ++k)
    corners.push_back({corner.x + ((k & 1) ? side : 0.0), corner.y + ((k & 2) ? side : 0.0),
                       corner.z + ((k & 4) ? side : 0.0)});
  box.SetVertices(corners);
  const std::vector<std::vector<int32_t>> faces = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                               {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  box.SetFaces(faces);
  node->AddMeshFigure(&box, 0);
  root.AddChild(node);
}

// The eye file of the plan folder keeps the camera of whatever model was
// open last: here one standing inside this model, looking across it.
TEST_F(ViewTest, AnotherModelsEyeFileStillShowsThisModelWholeAndFitAllRepairsIt) {
  std::ofstream(scratch->Root() / "buk") << "[PROJECT_NAME] p\n";
  std::ofstream(scratch->Work() / "buk") << "[PLAN_NAME] q\n";
  const korvex::EyeSettings inside{{-5, -5, 1}, {25, 25, 0}, 0.5, {0, 0, 1}};
  ASSERT_TRUE(korvex::WriteEyeFile(korvex::kEyeFileName, inside));
  ASSERT_TRUE(Start());
  ASSERT_FALSE(view->FitPending());  // the file was taken
  // The view direction is the file's; the eye stepped back along it.
  EXPECT_NEAR(GMDot(vm::Unit(State().camera.target - State().camera.eye), vm::Unit(GMVector{30, 30, -1})), 1.0, 1e-9);
  view->Paint();
  // The file's zoom may show a part of the model, but none of it is cut
  // off in depth.
  const Framing start = FrameOf(*view, 200, 100);
  EXPECT_GE(start.nearest, 0.0);
  EXPECT_LE(start.farthest, view->Engine()->GetBackPlane());
  view->OnCommand(cmd::kFitAll);
  view->Paint();
  EXPECT_TRUE(Whole(*view, 200, 100));
  EXPECT_GT(FrameOf(*view, 200, 100).widest, 0.9);
}

// In perspective a point nearer than the target looks larger than its
// projection on the target's plane: fit all must fit the points themselves.
TEST_F(ViewTest, PerspectiveFitAllKeepsEveryPointInsideTheView) {
  launch.perspective = true;
  ASSERT_TRUE(Start());
  view->Paint();
  EXPECT_TRUE(Whole(*view, 200, 100));
  // Close in on the model and look again.
  for (int i = 0; i < 4; ++i) view->OnWheel(120, false);
  view->OnCommand(cmd::kFitAll);
  view->Paint();
  EXPECT_TRUE(Whole(*view, 200, 100));
  EXPECT_GT(FrameOf(*view, 200, 100).widest, 0.9);  // and fills the view
  // Every standard view too.
  for (const int command : {cmd::kPlanView, cmd::kElevation, cmd::kBackView, cmd::kLeftView, cmd::kRightView}) {
    view->OnCommand(command);
    view->Paint();
    EXPECT_TRUE(Whole(*view, 200, 100)) << command;
  }
}

// Planes follow the model: a house after a district gets planes of its own,
// near enough for the depth buffer to tell its faces apart; walking away
// from it or up to it never cuts it off.
TEST_F(ViewTest, PlanesFollowEachModelAndWidenAsTheEyeMoves) {
  ASSERT_TRUE(Start(false));
  AddBox(*Root(), "District", {-1000, -1000, 0}, 2000);
  view->RemoveInvalidFigures();
  view->RebuildAll();
  ASSERT_TRUE(view->ResetEye());
  view->Paint();
  EXPECT_TRUE(Whole(*view, 200, 100));
  const double districtFar = State().camera.farPlane;
  EXPECT_GT(districtFar, 3000.0);

  Root()->RemoveAt(0);
  AddBox(*Root(), "House", {0, 0, 0}, 10);
  view->RebuildAll();
  ASSERT_TRUE(view->ResetEye());
  view->Paint();
  EXPECT_TRUE(Whole(*view, 200, 100));
  // In parallel projection the depth buffer spreads evenly up to the far
  // plane; in perspective its precision follows the near plane.
  EXPECT_LT(State().camera.farPlane, 200.0);
  EXPECT_GT(State().camera.nearPlane, 1.0);

  view->OnCommand(cmd::kParallel);  // to perspective
  ASSERT_TRUE(view->ResetEye());
  view->Paint();
  EXPECT_TRUE(Whole(*view, 200, 100));
  EXPECT_GT(State().camera.nearPlane, 1.0);
  for (int i = 0; i < 30; ++i) view->OnWheel(-120, false);  // 300 units away
  view->Paint();
  EXPECT_TRUE(Whole(*view, 200, 100));
  for (int i = 0; i < 40; ++i) view->OnWheel(120, false);  // up to a unit from the target
  view->Paint();
  EXPECT_LE(State().camera.nearPlane, GMDistance(State().camera.eye, State().camera.target) * 0.5);
}

// A model of one point, or of no size at all, opens without a division by
// zero: the fit keeps zoom 1 and the planes stay in order.
TEST_F(ViewTest, AModelOfOnePointOpensWithZoomOne) {
  for (const bool perspective : {false, true}) {
    SCOPED_TRACE(perspective);
    launch.perspective = perspective;
    view.reset();
    ASSERT_TRUE(Start(false));
    AddBox(*Root(), "Point", {5, 5, 5}, 0.0);
    view->RebuildAll();
    ASSERT_TRUE(view->ResetEye());
    view->Paint();
    EXPECT_EQ(State().zoom, 1.0);
    EXPECT_TRUE(std::isfinite(State().camera.eye.x) && std::isfinite(State().camera.eye.z));
    EXPECT_GT(State().camera.nearPlane, 0.0);
    EXPECT_LT(State().camera.nearPlane, State().camera.farPlane);
    EXPECT_TRUE(Whole(*view, 200, 100));
  }
}

}  // namespace
}  // namespace view_test
