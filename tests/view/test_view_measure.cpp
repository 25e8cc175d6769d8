// The measure mode of the view: clicks on the model's corners, a double click
// on a face, the marks over the picture, ending and copying a measurement.
#include <chrono>
#include <thread>

#include "view_fixture.h"
#include "view/WindowProjector.h"

namespace view_test {
namespace {

namespace cmd = korvex::cmd;

class MeasureViewTest : public ViewTest {
 protected:
  // The window pixel of a world point in the present picture.
  std::pair<int, int> PixelOf(const GMVector& p) {
    const korvex::WindowProjector projector = korvex::MakeProjector(*view->Engine(), State(), 200, 100);
    double x = 0, y = 0;
    EXPECT_TRUE(projector.Project(p, x, y));
    return {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
  }
  void Click(std::pair<int, int> at, int dx = 0, int dy = 0) {
    view->OnMouseMove(at.first + dx, at.second + dy);
    view->OnLeftDown(at.first + dx, at.second + dy);
    view->OnLeftUp(at.first + dx, at.second + dy);
  }
};

TEST_F(MeasureViewTest, TwoClicksNearCornersMeasureBetweenTheCorners) {
  ASSERT_TRUE(Start());
  PaintPlan();
  view->OnCommand(cmd::kModeMeasure);
  ASSERT_TRUE(view->WaitForMeasureSurfaces());
  EXPECT_TRUE(view->GetCommandState(cmd::kModeMeasure).checked);
  EXPECT_FALSE(view->GetCommandState(cmd::kCopyMeasure).enabled);

  // Off the corners by a few pixels: the corners are caught.
  Click(PixelOf({-10, -10, 0}), 2, -1);
  ASSERT_TRUE(view->MeasureFirst());
  EXPECT_NEAR(view->MeasureFirst()->x, -10, 1e-9);
  EXPECT_NEAR(view->MeasureFirst()->y, -10, 1e-9);
  view->OnMouseMove(PixelOf({10, -10, 0}).first - 2, PixelOf({10, -10, 0}).second);
  EXPECT_EQ(ui.LastStatus(), "距離 20  ΔXY 20  ΔZ 0");  // follows the cursor
  Click(PixelOf({10, -10, 0}), -2, 1);
  EXPECT_EQ(view->MeasureResult(), "距離 20  ΔXY 20  ΔZ 0");
  EXPECT_EQ(ui.LastStatus(), view->MeasureResult());

  // The line and its label over the picture.
  view->Paint();
  const auto& overlay = view->Overlay();
  ASSERT_FALSE(overlay.studyLabels.empty());
  EXPECT_EQ(overlay.studyLabels.back().text, view->MeasureResult());
  EXPECT_TRUE(std::any_of(overlay.study.begin(), overlay.study.end(),
                          [](const auto& s) { return s.rgb == 0xFFD000 && s.width == 2; }));

  view->OnCommand(cmd::kCopyMeasure);
  EXPECT_EQ(ui.clipboard, view->MeasureResult());

  // A click off the model starts nothing; Escape ends the one shown.
  Click(PixelOf({30, -9, 0}));
  EXPECT_FALSE(view->MeasureFirst());
  Click(PixelOf({-10, -10, 0}));
  ASSERT_TRUE(view->MeasureFirst());
  view->OnKey(korvex::ViewKey::Escape);
  EXPECT_FALSE(view->MeasureFirst());
  view->Paint();
  EXPECT_TRUE(view->Overlay().studyLabels.empty());
  EXPECT_EQ(view->MeasureResult(), "距離 20  ΔXY 20  ΔZ 0");  // still there to copy
}

TEST_F(MeasureViewTest, ShiftHoldsTheSecondPointAboveTheFirst) {
  ASSERT_TRUE(Start());
  PaintPlan();
  view->OnCommand(cmd::kModeMeasure);
  ASSERT_TRUE(view->WaitForMeasureSurfaces());
  Click(PixelOf({-10, -10, 0}));
  view->SetModifiers(true, false);
  Click(PixelOf({10, 10, 0}));
  ASSERT_TRUE(view->MeasureSecond());
  EXPECT_NEAR(view->MeasureSecond()->x, -10, 1e-9);
  EXPECT_NEAR(view->MeasureSecond()->y, -10, 1e-9);
  EXPECT_EQ(view->MeasureResult(), "距離 0  ΔXY 0  ΔZ 0");
}

TEST_F(MeasureViewTest, DoubleClickMeasuresTheFaceAndRightClickEndsBeforeTheMenu) {
  ASSERT_TRUE(Start());
  PaintPlan();
  view->OnCommand(cmd::kModeMeasure);
  ASSERT_TRUE(view->WaitForMeasureSurfaces());
  const auto middle = PixelOf({3, 4, 0});
  Click(middle);
  view->OnLeftDoubleClick(middle.first, middle.second);
  ASSERT_TRUE(view->MeasuredFace());
  EXPECT_FALSE(view->MeasureFirst());
  EXPECT_NEAR(view->MeasuredFace()->area, 400, 1e-9);
  EXPECT_EQ(view->MeasureResult(), "面積 400  周長 80");
  view->Paint();
  EXPECT_EQ(std::count_if(view->Overlay().study.begin(), view->Overlay().study.end(),
                          [](const auto& s) { return s.rgb == 0xFF8000; }),
            4);

  view->OnRightDown(middle.first, middle.second);
  view->OnRightUp(middle.first, middle.second);
  EXPECT_FALSE(view->MeasuredFace());
  EXPECT_TRUE(shell.menus.empty());
  view->OnRightDown(middle.first, middle.second);
  view->OnRightUp(middle.first, middle.second);
  EXPECT_EQ(shell.menus.size(), 1u);

  // Another mode takes the marks away.
  view->OnLeftDoubleClick(middle.first, middle.second);
  ASSERT_TRUE(view->MeasuredFace());
  view->OnCommand(cmd::kModeSelect);
  EXPECT_FALSE(view->MeasuredFace());
}

// The surfaces are made away from the window: entering the mode returns at
// once, and once they are ready every point catches what surfaces made on the
// spot catch.
TEST_F(MeasureViewTest, SurfacesMadeAwayFromTheWindowCatchAsSurfacesMadeOnTheSpot) {
  ASSERT_TRUE(Start());
  PaintPlan();
  view->OnCommand(cmd::kModeMeasure);
  if (!view->MeasureSurfacesReady()) {
    EXPECT_EQ(ui.LastStatus(), "計測準備中...");
  }
  ASSERT_TRUE(view->WaitForMeasureSurfaces());
  ASSERT_TRUE(view->MeasureSurfacesReady());
  EXPECT_GE(shell.wakes.load(), 1);
  view->OnWake();  // as the shell does on the window's thread
  EXPECT_NE(ui.LastStatus(), "計測準備中...");

  korvex::MeasureScene onTheSpot;
  ASSERT_TRUE(onTheSpot.Build(Root()));
  const korvex::WindowProjector projector = korvex::MakeProjector(*view->Engine(), State(), 200, 100);
  int caught = 0;
  for (int y = 2; y < 100; y += 7)
    for (int x = 3; x < 200; x += 9) {
      view->OnMouseMove(x, y);
      const korvex::MeasurePoint expected = onTheSpot.Snap(projector, x, y);
      EXPECT_EQ(view->MeasureHover().kind, expected.kind) << x << "," << y;
      EXPECT_EQ(view->MeasureHover().at, expected.at) << x << "," << y;
      caught += expected.kind != korvex::SnapKind::None;
    }
  EXPECT_GT(caught, 20);
}

// Showing a hidden part while its surfaces are being made stops that making:
// what measuring catches afterwards includes the part, whenever the change
// came during the work.
TEST_F(MeasureViewTest, AChangeDuringTheMakingIsNeverMeasuredOnStaleSurfaces) {
  ASSERT_TRUE(Start());
  PaintPlan();
  CInkNode* lid = Child("Lid");
  ASSERT_NE(lid, nullptr);
  const auto corner = PixelOf({28, -2, 0});
  for (int round = 0; round < 6; ++round) {
    lid->SetShown(0);
    view->OnCommand(cmd::kRebuild);
    view->OnCommand(cmd::kModeMeasure);
    ASSERT_TRUE(view->WaitForMeasureSurfaces());
    view->OnMouseMove(corner.first, corner.second);
    EXPECT_EQ(view->MeasureHover().kind, korvex::SnapKind::None) << "the lid is hidden";

    // Hidden again and shown while the new surfaces are being made, after
    // a pause that grows each round.
    lid->SetShown(0);
    view->OnCommand(cmd::kRebuild);
    view->OnWake();
    std::this_thread::sleep_for(std::chrono::microseconds(200 * round * round));
    view->OnCommand(cmd::kShowAll);
    view->OnWake();
    view->OnMouseMove(corner.first, corner.second);
    ASSERT_TRUE(view->WaitForMeasureSurfaces());
    view->OnMouseMove(corner.first, corner.second);
    EXPECT_EQ(view->MeasureHover().kind, korvex::SnapKind::Vertex) << "round " << round;
    view->OnCommand(cmd::kModeSelect);
  }
}

}  // namespace
}  // namespace view_test

namespace view_test {
namespace {

// A hall 20 × 20 × 10 with a plinth 4 × 4 × 2 standing on its floor.
constexpr const char* kHallK3d =
    "HEADER\n0,0\n"
    "SOLIDV,Z0,0,G,0.8,0.2,0.2,0,4,1,Hall\n0,0,0\n20,0,0\n20,20,0\n0,20,0\n0,0,10\n"
    "SOLIDV,Z0,0,G,0.2,0.2,0.8,0,4,1,Plinth\n8,8,0\n12,8,0\n12,12,0\n8,12,0\n0,0,2\n";

TEST_F(MeasureViewTest, OnlyWhatTheSectionsLeaveIsCaught) {
  launch.modelPath = scratch->Write("hall.k3d", kHallK3d);
  ASSERT_TRUE(Start(false));
  PaintPlan();
  view->OnCommand(cmd::kModeMeasure);
  ASSERT_TRUE(view->WaitForMeasureSurfaces());
  const auto plinthCorner = PixelOf({8, 8, 2});
  const auto floor = PixelOf({4, 4, 0});
  // Under the roof the plinth is hidden: the roof is caught.
  Click(plinthCorner, 2, 2);
  ASSERT_TRUE(view->MeasureFirst());
  EXPECT_NEAR(view->MeasureFirst()->z, 10, 1e-9);
  view->OnKey(korvex::ViewKey::Escape);

  // Cut below the roof: its faces and corners are passed through, and hide
  // nothing any more.
  ASSERT_TRUE(view->AddHorizontalSection(5.0));
  Click(plinthCorner, 2, 2);
  ASSERT_TRUE(view->MeasureFirst());
  // A corner of the plinth: from straight above its top and its foot meet.
  EXPECT_NEAR(view->MeasureFirst()->x, 8, 1e-9);
  EXPECT_NEAR(view->MeasureFirst()->y, 8, 1e-9);
  EXPECT_LE(view->MeasureFirst()->z, 2 + 1e-9);
  Click(floor);
  ASSERT_TRUE(view->MeasureSecond());
  EXPECT_NEAR(view->MeasureSecond()->z, 0, 1e-6);
  view->OnLeftDoubleClick(floor.first, floor.second);
  ASSERT_TRUE(view->MeasuredFace());
  EXPECT_LT(view->MeasuredFace()->normal.z, -0.99) << "the floor seen from inside the hall, not the roof";

  // Switched off, the sections take nothing away.
  view->ShowSections(false);
  Click(plinthCorner, 2, 2);
  ASSERT_TRUE(view->MeasureFirst());
  EXPECT_NEAR(view->MeasureFirst()->z, 10, 1e-9);
}

// A planner measures the roof of a hall cut open lengthwise: the area and
// perimeter are those of the whole roof, sections on or off, and the part
// of its outline that the section cut away is dashed, the rest drawn solid.
TEST_F(MeasureViewTest, ACutFaceMeasuresWholeAndDashesWhatTheSectionRemoved) {
  launch.modelPath = scratch->Write("hall.k3d", kHallK3d);
  ASSERT_TRUE(Start(false));
  PaintPlan();
  view->OnCommand(cmd::kModeMeasure);
  ASSERT_TRUE(view->WaitForMeasureSurfaces());
  const auto roof = PixelOf({5, 5, 10});
  auto faceLines = [&](bool dashed) {
    view->Paint();
    std::vector<korvex::ViewOverlay::StudySegment> lines;
    for (const auto& s : view->Overlay().study)
      if (s.rgb == 0xFF8000 && s.dashed == dashed) lines.push_back(s);
    return lines;
  };
  view->OnLeftDoubleClick(roof.first, roof.second);
  ASSERT_TRUE(view->MeasuredFace());
  const std::string whole = view->MeasureResult();
  EXPECT_EQ(whole, "面積 400 m²  周長 80 m");
  EXPECT_EQ(faceLines(false).size(), 4u);
  EXPECT_TRUE(faceLines(true).empty());

  // Keep x <= 12: the roof's east part is gone.
  ASSERT_TRUE(view->AddSection({1.0, 0.0, 0.0, -12.0}));
  view->OnLeftDoubleClick(roof.first, roof.second);
  ASSERT_TRUE(view->MeasuredFace());
  EXPECT_NEAR(view->MeasuredFace()->normal.z, 1.0, 1e-9) << "the roof's kept part is measured";
  EXPECT_EQ(view->MeasureResult(), whole);
  const double cutX = PixelOf({12, 5, 10}).first;
  const double westX = PixelOf({0, 5, 10}).first, eastX = PixelOf({20, 5, 10}).first;
  ASSERT_LT(westX, cutX);
  auto lengthOf = [](const std::vector<korvex::ViewOverlay::StudySegment>& lines) {
    double sum = 0;
    for (const auto& s : lines) sum += std::hypot(s.window.end.x - s.window.start.x, s.window.end.y - s.window.start.y);
    return sum;
  };
  const auto solid = faceLines(false), dashed = faceLines(true);
  ASSERT_FALSE(solid.empty());
  ASSERT_FALSE(dashed.empty());
  for (const auto& s : solid) {
    EXPECT_LE(std::max(s.window.start.x, s.window.end.x), cutX + 0.5);
  }
  for (const auto& s : dashed) {
    EXPECT_GE(std::min(s.window.start.x, s.window.end.x), cutX - 0.5);
  }
  // Together they are the roof's whole outline: 12 + 20 + 12 kept, 8 + 20 + 8 cut.
  const double kept = lengthOf(solid), cut = lengthOf(dashed);
  EXPECT_NEAR(kept / (kept + cut), 44.0 / 80.0, 0.005);
  EXPECT_NEAR(kept + cut, 4 * (eastX - westX), 0.02 * (kept + cut));

  // Switched off, the whole outline is drawn again and the answer stays.
  view->ShowSections(false);
  EXPECT_EQ(faceLines(false).size(), 4u);
  EXPECT_TRUE(faceLines(true).empty());
  view->OnLeftDoubleClick(roof.first, roof.second);
  EXPECT_EQ(view->MeasureResult(), whole);
}

}  // namespace
}  // namespace view_test
