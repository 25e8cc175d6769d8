// Real sites: models in survey coordinates draw as finely as the same model
// at the origin, and large or far-off models load and show whole.
#include <cstdio>
#include <string>

#include "view_fixture.h"

namespace view_test {
namespace {

namespace cmd = korvex::cmd;

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

}  // namespace
}  // namespace view_test
