// Creation, the command table with its enable and check rules, the dialogs
// and the host's messages.
#include <cmath>

#include "view_fixture.h"

namespace view_test {
namespace {

namespace cmd = korvex::cmd;
using korvex::MouseMode;

TEST_F(ViewTest, CreationLoadsTheModelResetsTheEyeAndEntersRotateMode) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(view->StartupResult(), korvex::ModelLoadResult::kLoaded);
  EXPECT_EQ(State().mouseMode, MouseMode::Rotate);
  EXPECT_TRUE(State().displayFlags & frame::kParallel);
  EXPECT_EQ(State().currentFile, launch.modelPath);
  EXPECT_EQ(view->Handles().Size(), 2u);
  EXPECT_GE(ui.repaints, 1);
  // No eye file: the eye was reset about the model's centre (the fit then
  // pans only across the view), and the fit is repeated at the first paint.
  EXPECT_TRUE(view->FitPending());
  const GMVector v{State().camera.eye.x - State().camera.target.x, State().camera.eye.y - State().camera.target.y,
                   State().camera.eye.z - State().camera.target.z};
  EXPECT_NEAR((State().camera.target.x - 11.0) * v.x + State().camera.target.y * v.y + State().camera.target.z * v.z, 0.0, 1e-9);
  // No isometric corner chosen counts as the first corner: azimuth 45°.
  EXPECT_NEAR(v.x, -v.y, 1e-9);
  EXPECT_GT(v.x, 0.0);
  EXPECT_NEAR(std::atan2(v.z, std::hypot(v.x, v.y)), std::asin(std::sqrt(1.0 / 3.0)), 1e-9);
  view->Paint();
  EXPECT_FALSE(view->FitPending());
}

TEST_F(ViewTest, PerspectiveSwitchStartsInPerspective) {
  launch.perspective = true;
  ASSERT_TRUE(Start(false));
  EXPECT_FALSE(State().displayFlags & frame::kParallel);
}

TEST_F(ViewTest, ResetEyeTakesAnyUnknownCornerAsTheFirstAndRefusesAnEmptyModel) {
  ASSERT_TRUE(Start());
  State().isometricCorner = 7;
  view->OnCommand(cmd::kResetEye);
  const GMVector first = State().camera.eye;
  State().isometricCorner = 0;
  view->OnCommand(cmd::kResetEye);
  EXPECT_EQ(State().camera.eye, first);
  State().isometricCorner = 1;  // 135°: the eye moves to negative x
  view->OnCommand(cmd::kResetEye);
  EXPECT_LT(State().camera.eye.x, State().camera.target.x);

  Root()->RemoveAt(1);
  Root()->RemoveAt(0);
  const GMVector eye = State().camera.eye;
  view->OnCommand(cmd::kResetEye);
  EXPECT_EQ(ui.LastStatus(), "ﾃﾞｰﾀが空なのでこの操作は行えません");
  EXPECT_EQ(State().camera.eye, eye);
  view->OnCommand(cmd::kTargetToModel);
  EXPECT_EQ(ui.LastStatus(), "ﾃﾞｰﾀが空なのでこの操作は行えません");
}

TEST_F(ViewTest, ShiftModeDisablesFitZoomAndSelectAndResetsThePictureShift) {
  ASSERT_TRUE(Start());
  view->Select(Child("Box"));
  view->OnCommand(cmd::kShiftMode);
  EXPECT_EQ(State().mouseMode, MouseMode::EyeTargetMove);
  EXPECT_EQ(view->Selection(), nullptr);
  for (const int id : {cmd::kFitAll, cmd::kZoomIn, cmd::kZoomOut, cmd::kModeSelect})
    EXPECT_FALSE(view->GetCommandState(id).enabled) << id;
  EXPECT_TRUE(view->GetCommandState(cmd::kShiftMode).checked);
  // A disabled command does nothing even when it arrives.
  const double zoom = State().zoom;
  view->OnCommand(cmd::kZoomOut);
  EXPECT_EQ(State().zoom, zoom);

  view->Engine()->panEnabled = 1;
  view->Engine()->panX = 40;
  view->OnCommand(cmd::kShiftMode);
  EXPECT_EQ(State().mouseMode, MouseMode::Select);
  EXPECT_EQ(view->Engine()->panEnabled, 0);
  EXPECT_EQ(view->Engine()->panX, 0);
  EXPECT_TRUE(view->GetCommandState(cmd::kFitAll).enabled);
}

TEST_F(ViewTest, DisplayTogglesKeepThePreviousFlagsAndGateFacesAndFrames) {
  ASSERT_TRUE(Start());
  const int before = State().displayFlags;
  EXPECT_TRUE(view->GetCommandState(cmd::kShowPolygons).checked);
  view->OnCommand(cmd::kShowPolygons);
  EXPECT_EQ(State().displayFlags, before ^ frame::kFaces);
  EXPECT_EQ(State().previousFlags, before);
  EXPECT_FALSE(view->GetCommandState(cmd::kShowFaces).enabled);
  EXPECT_FALSE(view->GetCommandState(cmd::kShowFrames).enabled);
  EXPECT_TRUE(view->GetCommandState(cmd::kShowLines).enabled);
  view->OnCommand(cmd::kShowPolygons);
  view->OnCommand(cmd::kParallel);
  EXPECT_FALSE(State().displayFlags & frame::kParallel);
  view->OnCommand(cmd::kShowShadows);
  EXPECT_TRUE(view->GetCommandState(cmd::kShowShadows).checked);
}

TEST_F(ViewTest, FlagCommandsWithoutRedrawAndTheirMarks) {
  ASSERT_TRUE(Start());
  const int repaints = ui.repaints;
  for (const int id : {cmd::kTransparentShadows, cmd::kHiddenShadows, cmd::kFastShadows}) {
    EXPECT_FALSE(view->GetCommandState(id).checked) << id;
    view->OnCommand(id);
    EXPECT_TRUE(view->GetCommandState(id).checked) << id;
  }
  EXPECT_EQ(State().noTransparentShadows, 0);
  EXPECT_EQ(State().noHiddenShadows, 0);
  EXPECT_EQ(State().fastShadowsOff, 0);
  view->OnCommand(cmd::kAero);
  EXPECT_EQ(State().aero, 1);  // read as 0 from the settings store
  view->OnCommand(cmd::kRebuild);
  EXPECT_EQ(ui.repaints, repaints);
  view->OnCommand(cmd::kDaylight + 2);
  EXPECT_TRUE(view->GetCommandState(cmd::kSunset).checked);
  EXPECT_FALSE(view->GetCommandState(cmd::kDaylight).checked);
  EXPECT_EQ(ui.repaints, repaints + 1);
}

TEST_F(ViewTest, ModesUpAxisAndSelectionRules) {
  ASSERT_TRUE(Start());
  const std::pair<int, MouseMode> modes[] = {{cmd::kModeEyeMove, MouseMode::EyeMove},
                                             {cmd::kModeTargetMove, MouseMode::TargetMove},
                                             {cmd::kModeLight, MouseMode::Light},
                                             {cmd::kModeSelect, MouseMode::Select},
                                             {cmd::kModeEyeTargetMove, MouseMode::EyeTargetMove},
                                             {cmd::kModeRotate, MouseMode::Rotate}};
  for (const auto& [id, mode] : modes) {
    view->OnCommand(id);
    EXPECT_EQ(State().mouseMode, mode);
    const korvex::cmd::CommandState state = view->GetCommandState(id);
    EXPECT_TRUE(state.checked && state.radio) << id;
  }
  view->OnCommand(cmd::kYUp);
  EXPECT_EQ(State().camera.up, (GMVector{0, 1, 0}));
  EXPECT_TRUE(view->GetCommandState(cmd::kYUp).checked);
  view->OnCommand(cmd::kZUp);
  EXPECT_EQ(State().camera.up, (GMVector{0, 0, 1}));

  for (const int id : {cmd::kColourDialog, cmd::kNodeProperty, cmd::kClearSelection})
    EXPECT_FALSE(view->GetCommandState(id).enabled) << id;
  view->Select(Child("Lid"));
  EXPECT_TRUE(view->GetCommandState(cmd::kColourDialog).enabled);
  view->OnCommand(cmd::kClearSelection);
  EXPECT_EQ(view->Selection(), nullptr);

  EXPECT_TRUE(view->GetCommandState(cmd::kFreeCamera).checked);
  EXPECT_FALSE(view->GetCommandState(cmd::kTextureAdjust).enabled);  // no textures
  EXPECT_FALSE(view->GetCommandState(cmd::kAlwaysOnTop).handled);     // the main frame's
  // The sun is the view's own: it opens the time dialog instead of handing
  // the command to the shell.
  view->OnCommand(cmd::kSunDirection);
  EXPECT_TRUE(shell.timeShown.has_value());
  EXPECT_TRUE(shell.commands.empty());
}

TEST_F(ViewTest, EyeDialogTakesTheReferenceScaleOnlyAsANonZeroNumber) {
  ASSERT_TRUE(Start());
  korvex::EyeDialogValues answer;
  answer.camera.eye = {1, 2, 3};
  answer.camera.target = {4, 5, 6};
  answer.camera.viewAngle = 30;
  answer.camera.nearPlane = 2;
  answer.camera.farPlane = 900;
  answer.rotationStep = 15;
  answer.isometricCorner = 2;
  answer.referenceScale = "250 m";
  shell.eyeAnswer = answer;
  view->OnCommand(cmd::kEyeDialog);
  ASSERT_TRUE(shell.eyeShown);
  EXPECT_EQ(shell.eyeShown->referenceScale, "300");
  EXPECT_EQ(State().camera.eye, (GMVector{1, 2, 3}));
  EXPECT_EQ(State().camera.farPlane, 900);
  EXPECT_EQ(State().rotationStep, 15);
  EXPECT_EQ(State().isometricCorner, 2);
  EXPECT_EQ(State().referenceScale, 250);
  shell.eyeAnswer->referenceScale = "zero";
  view->OnCommand(cmd::kEyeDialog);
  EXPECT_EQ(State().referenceScale, 250);
}

TEST_F(ViewTest, ColourAndFogDialogsWriteBack) {
  ASSERT_TRUE(Start());
  CInkNode* box = Child("Box");
  view->Select(box);
  shell.colourAnswer = korvex::ColourDialogValues{0x80112233u, 0, false, nullptr};
  view->OnCommand(cmd::kColourDialog);
  EXPECT_EQ(shell.colourShown->colour, 0xFF00FF00u);
  EXPECT_EQ(box->GetAttributeRecord()->colour, 0x80112233u);
  EXPECT_FALSE(box->IsShown());
  // Hidden now: its tree keeps its name but draws nothing.
  const OGLDispLists* lists = view->Handles().Tree(*box)->GetLists();
  EXPECT_EQ(lists->name, view->Handles().HandleOf(*box));
  EXPECT_EQ(lists->faceCount + lists->lineCount, 0);

  korvex::FogDialogValues fog;
  fog.face = {true, 5, 50, 0.5, 1};
  fog.line = {false, 1, 2, 0.1, 2};
  shell.fogAnswer = fog;
  view->OnCommand(cmd::kFog);
  EXPECT_FALSE(shell.fogShown->face.used);
  EXPECT_TRUE(State().displayFlags & frame::kFaceFog);
  EXPECT_FALSE(State().displayFlags & frame::kLineFog);
  EXPECT_EQ(view->Engine()->faceFogEnd, 50);
}

TEST_F(ViewTest, HostSelectsByNameAndClosesTheWindow) {
  ASSERT_TRUE(Start());
  ui.clipboard = "Lid";
  view->OnHostMessage(korvex::kHostNodeSelected);
  EXPECT_EQ(view->Selection(), Child("Lid"));
  EXPECT_EQ(ui.LastStatus(), "Lid を選択");
  EXPECT_EQ(ui.clipboard, "");

  ui.clipboard = "nobody";
  view->OnHostMessage(korvex::kHostNodeSelected);
  EXPECT_EQ(view->Selection(), nullptr);
  EXPECT_EQ(ui.LastStatus(), "選択解除");

  // Longer than a node name can be: ignored, the clipboard left alone.
  view->Select(Child("Box"));
  ui.clipboard = std::string(64, 'x');
  view->OnHostMessage(korvex::kHostNodeSelected);
  EXPECT_EQ(view->Selection(), Child("Box"));
  EXPECT_EQ(ui.clipboard->size(), 64u);
  // No text on the clipboard at all is ignored too; empty text deselects.
  ui.clipboard.reset();
  view->OnHostMessage(korvex::kHostNodeSelected);
  EXPECT_EQ(view->Selection(), Child("Box"));
  ui.clipboard = "";
  view->OnHostMessage(korvex::kHostNodeSelected);
  EXPECT_EQ(view->Selection(), nullptr);

  // Reloading needs the reload switch.
  view->OnHostMessage(korvex::kHostReload);
  EXPECT_TRUE(ui.waitCursor.empty());
  view->OnHostMessage(korvex::kHostClose);
  EXPECT_EQ(shell.closes, 1);
}

TEST_F(ViewTest, DestructionWritesTheAeroFlag) {
  shell.aeroStored = 0;
  ASSERT_TRUE(Start(false));
  EXPECT_EQ(State().aero, 0);
  view->OnCommand(cmd::kAero);
  view.reset();
  EXPECT_EQ(shell.aeroWritten, 1);
}

}  // namespace
}  // namespace view_test
