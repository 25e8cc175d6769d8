// The camera under mouse, wheel and keys, fit all and the standard views.
#include <cmath>

#include "view_fixture.h"
#include "view/ViewMath.h"

namespace view_test {
namespace {

namespace cmd = korvex::cmd;
namespace vm = korvex::vm;

GMVector ViewVector(const korvex::ViewState& s) { return s.camera.eye - s.camera.target; }

double AngleBetween(const GMVector& a, const GMVector& b) {
  return std::acos(std::clamp(GMDot(vm::Unit(a), vm::Unit(b)), -1.0, 1.0)) * 180.0 / M_PI;
}

TEST_F(ViewTest, AClickToleratesTwoPixelsOfJitterAndThreeMakeADrag) {
  ASSERT_TRUE(Start());
  view->Paint();  // the fit of the first paint
  view->OnCommand(cmd::kModeEyeMove);
  GMVector eye = State().camera.eye;
  view->OnLeftDown(150, 50);
  view->OnMouseMove(152, 52);
  view->OnLeftUp(152, 52);
  EXPECT_NE(State().camera.eye, eye);  // the click turned the eye
  EXPECT_EQ(view->RangeRect().left, -1);

  eye = State().camera.eye;
  view->OnLeftDown(150, 50);
  view->OnMouseMove(153, 50);
  view->Paint();
  ASSERT_TRUE(view->Overlay().rubberBand.has_value());
  view->OnLeftUp(153, 50);
  EXPECT_EQ(State().camera.eye, eye);
  EXPECT_EQ(view->RangeRect(), (korvex::ViewRect{150, 50, 153, 50}));
}

TEST_F(ViewTest, EyeMoveClickAtTheCentreStaysAndOnTheRimTurnsAQuarter) {
  ASSERT_TRUE(Start());
  view->OnCommand(cmd::kModeEyeMove);
  const GMVector before = ViewVector(State());
  view->OnLeftDown(100, 50);
  view->OnLeftUp(100, 50);
  EXPECT_TRUE(vm::SamePoint(ViewVector(State()), before, 1e-9));
  view->OnLeftDown(199, 50);  // beyond the trackball's radius of 50
  view->OnLeftUp(199, 50);
  EXPECT_NEAR(AngleBetween(ViewVector(State()), before), 90.0, 1e-6);
  EXPECT_NEAR(GMLength(ViewVector(State())), GMLength(before), 1e-9);
}

TEST_F(ViewTest, OrbitingOverThePoleTurnsTheUpVectorOver) {
  ASSERT_TRUE(Start());
  // An ordinary step keeps the distance and the height.
  const GMVector before = ViewVector(State());
  view->OnLeftDown(100, 50);
  view->OnMouseMove(110, 50);
  EXPECT_NEAR(AngleBetween(ViewVector(State()), before), 2.0 * std::cos(std::asin(std::sqrt(1.0 / 3.0))), 0.01);
  EXPECT_NEAR(ViewVector(State()).z, before.z, 1e-9);
  view->OnLeftUp(110, 50);

  for (const bool yUp : {false, true}) {
    view->OnCommand(yUp ? cmd::kYUp : cmd::kZUp);
    const GMVector up = State().camera.up;
    State().camera.eye = State().camera.target + up * 10.0;  // straight along the up vector
    view->OnLeftDown(100, 50);
    view->OnMouseMove(100, 53);  // 0.6° vertically
    view->OnLeftUp(100, 53);
    EXPECT_EQ(State().camera.up, up * -1.0) << (yUp ? "Y up" : "Z up");
  }
}

TEST_F(ViewTest, WheelDolliesInPerspectiveZoomsInParallelAndMovesBothWithCtrl) {
  ASSERT_TRUE(Start());
  view->OnCommand(cmd::kParallel);  // perspective
  State().camera.eye = State().camera.target + GMVector{0, -5, 0};
  view->OnWheel(120, false);
  EXPECT_NEAR(GMDistance(State().camera.eye, State().camera.target), 1.0, 1e-9);  // moved only 4
  view->OnWheel(-120, false);
  EXPECT_NEAR(GMDistance(State().camera.eye, State().camera.target), 11.0, 1e-9);

  const GMVector target = State().camera.target;
  view->OnWheel(120, true);
  EXPECT_NEAR(GMDistance(State().camera.target, target), 10.0, 1e-9);
  EXPECT_NEAR(GMDistance(State().camera.eye, State().camera.target), 11.0, 1e-9);

  view->OnCommand(cmd::kParallel);
  const double zoom = State().zoom;
  view->OnWheel(120, false);
  EXPECT_DOUBLE_EQ(State().zoom, zoom * 0.8);
  view->OnWheel(-120, false);
  EXPECT_DOUBLE_EQ(State().zoom, zoom * 0.8 * 1.2);
}

TEST_F(ViewTest, WheelReverseOfTheUserSettingsTurnsTheWheelAround) {
  const std::filesystem::path folder = scratch->Root() / "config" / "Tallis Group";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "KQ.ini") << "# shared settings\nWheelReverse 1\n";
  ASSERT_TRUE(Start());
  EXPECT_EQ(State().wheelReverse, 1);
  const double zoom = State().zoom;
  view->OnWheel(120, false);
  EXPECT_DOUBLE_EQ(State().zoom, zoom * 1.2);
}

TEST_F(ViewTest, RangeZoomUsesTheWidthRatioOfAWideRectangle) {
  ASSERT_TRUE(Start(true, 200, 200));
  view->OnCommand(cmd::kModeSelect);
  view->OnCommand(cmd::kFitAll);
  const double zoom = State().zoom;
  const double scale = view->PixelsPerUnit();
  const GMVector target = State().camera.target;
  view->OnLeftDown(50, 50);
  view->OnMouseMove(150, 100);
  view->OnLeftUp(150, 100);
  view->OnCommand(cmd::kZoomIn);
  EXPECT_DOUBLE_EQ(State().zoom, zoom * 100.0 / 200.0);
  EXPECT_EQ(view->RangeRect().left, -1);
  // The rectangle's centre (100, 75) came to the window's centre.
  EXPECT_NEAR(GMDistance(State().camera.target, target), 25.0 / scale, 1e-9);
  // Without a rectangle: half about the centre; zoom out doubles.
  view->OnCommand(cmd::kZoomIn);
  EXPECT_DOUBLE_EQ(State().zoom, zoom * 0.25);
  view->OnCommand(cmd::kZoomOut);
  EXPECT_DOUBLE_EQ(State().zoom, zoom * 0.5);
}

TEST_F(ViewTest, FitAllFillsTheWindowWithAFivePercentMargin) {
  ASSERT_TRUE(Start());
  // Plan view of x -10..32, y -10..10 in 200 × 100: the width decides, 42
  // units over 200 / 1.05 pixels, centred.
  const StereonImage picture = PaintPlan();
  const double perUnit = 200.0 / 1.05 / 42.0;
  const int left = static_cast<int>(100 - 21 * perUnit);
  const int right = static_cast<int>(100 + 21 * perUnit);
  const int top = static_cast<int>(50 - 10 * perUnit);
  for (const auto& [x, y] : {std::pair{left + 2, 50}, {right - 2, 50}, {20, top + 2}, {50, 50}}) {
    const Rgb c = PixelAt(picture, x, y);
    EXPECT_TRUE(c.g > 200 && c.r < 80) << x << "," << y;
  }
  for (const auto& [x, y] : {std::pair{left - 2, 50}, {right + 2, 50}, {20, top - 2}})
    EXPECT_TRUE(IsWhite(PixelAt(picture, x, y))) << x << "," << y;
}

TEST_F(ViewTest, StandardViewsPlaceTheEyeAtTheSameDistance) {
  ASSERT_TRUE(Start());
  const double d = GMDistance(State().camera.eye, State().camera.target);
  const std::pair<int, GMVector> views[] = {{cmd::kElevation, {0, -d, 0}},
                                            {cmd::kBackView, {0, d, 0}},
                                            {cmd::kLeftView, {-d, 0, 0}},
                                            {cmd::kRightView, {d, 0, 0}},
                                            {cmd::kPlanView, {0, -0.01, d}}};
  for (const auto& [id, offset] : views) {
    view->OnCommand(id);
    EXPECT_TRUE(vm::SamePoint(ViewVector(State()), offset, 1e-9)) << id;
    EXPECT_EQ(State().camera.up, (GMVector{0, 0, 1}));
  }
  view->OnCommand(cmd::kFreeCamera);
  EXPECT_EQ(State().zoom, 1.0);
  EXPECT_TRUE(State().displayFlags & frame::kParallel);
}

TEST_F(ViewTest, PanningClicksMoveTheCameraOrInShiftModeThePicture) {
  ASSERT_TRUE(Start());
  PaintPlan();
  view->OnCommand(cmd::kModeEyeTargetMove);
  const double scale = view->PixelsPerUnit();
  GMVector target = State().camera.target;
  view->OnLeftDown(150, 50);
  view->OnLeftUp(150, 50);
  EXPECT_NEAR(State().camera.target.x - target.x, 50.0 / scale, 1e-9);
  EXPECT_NEAR(State().camera.target.y - target.y, 0.0, 1e-9);

  // The middle button drags the picture with the cursor.
  target = State().camera.target;
  view->OnMiddleDown(100, 50);
  view->OnMouseMove(110, 50);
  view->OnMiddleUp(110, 50);
  EXPECT_NEAR(State().camera.target.x - target.x, -10.0 / scale, 1e-9);

  view->OnCommand(cmd::kShiftMode);
  view->OnCommand(cmd::kParallel);  // perspective
  const GMVector eye = State().camera.eye;
  view->OnLeftDown(150, 30);
  view->OnLeftUp(150, 30);
  view->OnLeftDown(120, 50);
  view->OnLeftUp(120, 50);
  EXPECT_EQ(State().camera.eye, eye);
  EXPECT_EQ(view->Engine()->panEnabled, 1);
  EXPECT_EQ(view->Engine()->panX, 150 + 20);
  EXPECT_EQ(view->Engine()->panY, 70);
}

TEST_F(ViewTest, TargetMoveClickTurnsTheTargetAboutTheEye) {
  ASSERT_TRUE(Start());
  view->OnCommand(cmd::kElevation);
  view->OnCommand(cmd::kModeTargetMove);
  const GMVector eye = State().camera.eye;
  const GMVector target = State().camera.target;
  view->OnLeftDown(150, 50);
  view->OnLeftUp(150, 50);
  EXPECT_EQ(State().camera.eye, eye);
  EXPECT_GT(State().camera.target.x, target.x);
  EXPECT_NEAR(State().camera.target.z, target.z, 1e-9);
  EXPECT_NEAR(GMDistance(State().camera.eye, State().camera.target), GMDistance(eye, target), 1e-9);
}

TEST_F(ViewTest, KeysRotateAndPageKeysZoomAboutTheCursor) {
  ASSERT_TRUE(Start());
  const GMVector before = ViewVector(State());
  view->OnKey(korvex::ViewKey::Left);
  const GMVector after = ViewVector(State());
  EXPECT_NEAR(std::atan2(after.y, after.x) - std::atan2(before.y, before.x), vm::Radians(5.0), 1e-9);
  const double zoom = State().zoom;
  view->OnKey(korvex::ViewKey::PageUp, 150, 50);
  EXPECT_DOUBLE_EQ(State().zoom, zoom * 0.5);
  EXPECT_EQ(shell.cursor, (std::pair{100, 50}));
}

TEST_F(ViewTest, RightClickWithinTwoPixelsOpensTheContextMenu) {
  ASSERT_TRUE(Start());
  view->OnRightDown(10, 10);
  view->OnRightUp(12, 12);
  view->OnRightDown(10, 10);
  view->OnRightUp(13, 10);
  EXPECT_EQ(shell.menus, (std::vector<std::pair<int, int>>{{12, 12}}));
}

TEST_F(ViewTest, TargetGoesToTheSelectionCentreExceptInRotateMode) {
  ASSERT_TRUE(Start());
  view->Select(Child("Lid"));
  view->OnCommand(cmd::kTargetToSelection);  // rotate mode: nothing
  EXPECT_NE(State().camera.target, (GMVector{30, 0, 0}));
  view->OnCommand(cmd::kModeSelect);
  view->OnCommand(cmd::kTargetToSelection);
  EXPECT_TRUE(vm::SamePoint(State().camera.target, GMVector{30, 0, 0}, 1e-9));
  view->OnCommand(cmd::kTargetToModel);
  EXPECT_TRUE(vm::SamePoint(State().camera.target, GMVector{11, 0, 0}, 1e-9));
}

}  // namespace
}  // namespace view_test
