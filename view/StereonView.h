// CStereonView: the one view of the viewer. It owns the scene and the
// rendering engine, keeps the camera and every display option, carries out
// the commands, turns mouse, wheel and key events into camera moves, opens
// and saves models and hands the scene to the engine.
//
// The view knows no toolkit. The GUI forwards plain input events (window
// pixels, y down) and command ids to it, asks it for the state of each
// command, calls Paint when the widget paints and draws the overlay the view
// describes over the finished picture. The view asks for paints through
// UserInterface::RequestRepaint, and reaches dialogs, title and window
// through ViewShell. korvex-cli runs the same view on a bitmap engine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/ModelLoader.h"
#include "geometry/gm_types.h"
#include "model/SceneSettings.h"
#include "render/Stereon.h"
#include "view/Measure.h"
#include "view/MeasureBuild.h"
#include "view/NodeHandles.h"
#include "view/ViewCommands.h"
#include "view/ViewShell.h"

class CInkSolid;
class CPlainList;
class CInkNode;
class CInkFile;
struct InkFigure;

namespace korvex {
class UserInterface;
class ViewShell;
class SceneCompanions;
class GLWindowContext;
class PrintDevice;
}  // namespace korvex

namespace korvex {

// Messages exchanged with the host planning application.
inline constexpr uint32_t kHostViewerReady = 0x801A;  // viewer → host, once at start-up
inline constexpr uint32_t kHostNodeSelected = 0x8019;  // both ways: a node name on the clipboard
inline constexpr uint32_t kHostReload = 0x801B;        // host → viewer
inline constexpr uint32_t kHostClose = 0x801C;         // host → viewer

// The values of the command line that the application keeps for the whole
// run; the view reads them when it is created and on reload, and updates the
// ones that follow the opened model.
struct LaunchValues {
  std::string modelPath;       // follows every opened model
  std::string texturePath;     // a ".txi" file; replaced by one found beside a model
  std::string backgroundPath;  // a 24-bit BMP
  bool reload = false;         // "/r": reloading allowed
  bool perspective = false;    // "/ps": start in perspective
  uint64_t hostWindow = 0;     // 0: no host; cleared when a post fails
  uint64_t mainWindow = 0;     // the main window's native id, sent to the host
  // Last-write time of the model file at its last load.
  std::optional<std::filesystem::file_time_type> modelTime;
  // Where "FilePlugin" and "ExtPlugin" lie; empty: beside the program.
  std::filesystem::path programFolder;
  // The eye file of a project folder is read at start-up and written at the
  // end; a batch picture leaves it alone.
  bool useEyeFile = true;
  // One picture and done (a batch render): the scene is drawn straight from
  // the model at each frame instead of compiled into display lists, which
  // would be built, replayed once and thrown away.
  bool drawStraight = false;
};

// Mouse modes.
enum class MouseMode : int {
  EyeMove = 0,
  TargetMove = 1,
  Light = 2,
  Select = 3,
  EyeTargetMove = 5,
  Rotate = 6,
  Measure = 7,
  SectionMove = 8,  // dragging moves the chosen section plane
};

// Light colour presets.
enum class LightSet : int { Daylight = 0, Night = 1, Sunset = 2 };

// Keys the view reacts to.
enum class ViewKey { Left, Right, Up, Down, PageUp, PageDown, Escape };

// The camera and display options of the view.
struct ViewState {
  MouseMode mouseMode = MouseMode::Select;
  int displayFlags = frame::kViewDefault;
  int previousFlags = frame::kViewDefault;
  int yUp = 0;
  SceneCamera camera;
  double zoom = 1.0;
  double rotationStep = 5.0;
  double referenceScale = 300.0;
  double paperWidth = 0.297;
  double paperHeight = 0.21;
  GMVector lightPosition{0.0, 0.0, 1.0};
  LightSet lightSet = LightSet::Daylight;
  int contrast = 0;
  int shiftMode = 0;
  int aero = 1;
  int noTransparentShadows = 1;
  int noHiddenShadows = 1;
  int fastShadowsOff = 1;
  // The time last chosen by "太陽方向" and by "ソーラビュー", each its own.
  int sunSelection = 0;
  int solarViewSelection = 0;
  int isometricCorner = -1;  // of the eye dialog; -1: none chosen
  int wheelReverse = 0;
  bool backgroundImageUsed = false;
  std::string backgroundImagePath;
  // Where the texture load command's dialog starts; empty: the program's
  // "Texture" folder.
  std::string textureFolder;
  std::string currentFile;
  // Section planes in world coordinates, each keeping the side where
  // nx·x + ny·y + nz·z + d <= 0; they cut the model only while
  // sectionShown, and are kept while it is off.
  std::vector<GMPlane> sectionPlanes;
  bool sectionShown = true;
};

// A rectangle in window pixels; left == -1 means none.
struct ViewRect {
  int left = -1;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const ViewRect&, const ViewRect&) = default;
};

// What the shell draws over the finished picture, in window pixels (y down).
struct ViewOverlay {
  // The selected node's outline, one-pixel lines in RGB(255, 0, 255).
  std::vector<GMSegment> highlight;
  // Light-position mode: a cross of ±16 pixels at the centre and a circle of
  // radius half the smaller side, in RGB(0, 255, 128), drawn inverting.
  bool lightMarks = false;
  int centreX = 0;
  int centreY = 0;
  int circleRadius = 0;
  // The rubber band of the range zoom while it is dragged; it stays visible
  // on any background.
  std::optional<ViewRect> rubberBand;
  // A study drawn on its plane (the daylight regulation study), projected.
  struct StudySegment {
    GMSegment window;
    uint32_t rgb = 0;  // 0xRRGGBB
    double width = 1;
    bool dashed = false;
  };
  struct StudyLabel {
    double x = 0, y = 0;
    std::string text;  // UTF-8
    uint32_t rgb = 0;
  };
  std::vector<StudySegment> study;
  std::vector<StudyLabel> studyLabels;
};

// A study's lines and labels in world coordinates, which the view projects
// into its overlay at every paint while the study is shown.
struct StudyDrawing {
  struct Line {
    std::vector<GMVector> points;
    uint32_t rgb = 0;
    double width = 1;
    bool dashed = false;
  };
  struct Label {
    GMVector at;
    std::string text;
    uint32_t rgb = 0;
  };
  std::vector<Line> lines;
  std::vector<Label> labels;
};

// Cuts the ring down to the part that the planes keep (each keeps the side
// where nx·x + ny·y + nz·z + d <= 0); an empty ring when nothing is left.
void ClipToSections(GMPolygon& polygon, std::span<const GMPlane> planes);

// A section plane as the user types it: "z=H" keeps what lies below the
// height H, "x=V" and "y=V" what lies on the lower side of that value, and
// "a,b,c,d" the side of the plane a·x + b·y + c·z + d = 0 where the sum is
// at most 0. Nothing when it is read; otherwise why not, in words.
std::optional<std::string> ParseSectionText(std::string_view text, GMPlane& plane);
// The plane in the same words: "z=H", "x=V", "y=V" for those planes, else
// "a,b,c,d"; read back, it gives the same plane.
std::string SectionText(const GMPlane& plane);

class CStereonView {
 public:
  // `shell` and `companions` may be null: a shell that cancels every dialog,
  // and companion readers that read nothing.
  CStereonView(UserInterface& ui, LaunchValues& launch, ViewShell* shell = nullptr,
               SceneCompanions* companions = nullptr);
  // Writes the Aero flag and the eye file, then deletes the engine and the
  // scene.
  ~CStereonView();
  CStereonView(const CStereonView&) = delete;
  CStereonView& operator=(const CStereonView&) = delete;

  // Window creation: scene, engine on the window, the start-up model, the
  // eye, the projection and the first paint request. False when the engine
  // gets no GL context (the window then cannot be shown).
  bool Create(GLWindowContext* window);
  // The window's GL context is about to go and is current: the engine lets
  // go of everything it made there, and the view of the window.
  void ReleaseWindow();
  // The same on a bitmap engine of width × height, for headless pictures.
  bool CreateHeadless(int width, int height);

  // Draws the picture now: light, camera, projection, zoom, Render, and the
  // overlay for the shell. The GUI calls it from its paint handler.
  void Paint();
  // Headless: paints and returns the finished picture (RGBA, bottom row
  // first). Empty on a window engine.
  StereonImage PaintImage();
  const ViewOverlay& Overlay() const { return overlay_; }
  // The study drawn over the picture: replaced, shown or hidden; an empty
  // drawing draws nothing.
  void SetStudyDrawing(StudyDrawing drawing);
  void ShowStudyDrawing(bool shown);
  bool StudyDrawingShown() const { return studyShown_; }
  bool HasStudyDrawing() const { return !study_.lines.empty() || !study_.labels.empty(); }

  // --- commands -----------------------------------------------------------
  // Carries out a command; a disabled or unknown one does nothing.
  void OnCommand(int id);
  cmd::CommandState GetCommandState(int id) const;

  // --- input (window pixels, y down) --------------------------------------
  void OnLeftDown(int x, int y);
  void OnLeftUp(int x, int y);
  void OnMouseMove(int x, int y);
  void OnMiddleDown(int x, int y);
  void OnMiddleUp(int x, int y);
  void OnRightDown(int x, int y);
  void OnRightUp(int x, int y);
  // delta > 0: turned away from the user; ctrl: Ctrl held.
  void OnWheel(int delta, bool ctrl);
  // A double click of the left button, in place of the second press (after
  // the first press and release): measuring, the face under it; otherwise
  // that press.
  void OnLeftDoubleClick(int x, int y);
  // Which of Shift and Ctrl are held, for the measuring constraints.
  void SetModifiers(bool shift, bool ctrl);
  // (cursorX, cursorY): where the cursor is, for Page Up and Page Down.
  void OnKey(ViewKey key, int cursorX = 0, int cursorY = 0);
  // The window got the keyboard focus: reload when the model file changed.
  void OnFocusGained();
  // A file dropped at (x, y) of the view.
  void OnDropFile(const std::string& path, int x, int y);
  // A message from the host.
  void OnHostMessage(uint32_t message);

  // --- navigation, also used by korvex-cli ---------------------------------
  void FitAll();
  // False when the model is empty (the camera is then left as it was).
  bool ResetEye();
  void StandardView(int command);
  void ZoomAbout(int x, int y, double factor);
  void RotateBy(double horizontalDegrees, double verticalDegrees);

  // --- scene and display trees ---------------------------------------------
  // Empties the engine's tree and builds one tree per top-level node.
  void RebuildAll();
  // Rebuilds the node's own element into the tree it remembers.
  void RebuildNode(CInkNode& node);
  // Stops making the measure surfaces before the model or what is shown of
  // it changes (a window changing a node's shown flag calls it first): the
  // worker reads both while it gathers. RebuildNode makes them anew.
  void StopMeasureBuild();
  // Removes figures with unusable vertices or too few of them.
  void RemoveInvalidFigures();

  // --- sun and shadows (ViewShadows.cpp) -----------------------------------
  // "影作製": the shadows of the scene under the light position, built and
  // shown; with no casters the old shadows are deleted.
  void MakeShadows();

  // --- image output and printing (ViewExport.cpp) -------------------------
  // "ファイル出力": the dialog, then a picture (and a layout file) written.
  void ExportImageCommand();
  // The picture at width × height drawn by the on-screen engine, written as
  // JPEG or BMP by the extension of `path`. True when the file was written;
  // otherwise the user was told why.
  bool SaveImage(const std::string& path, int width, int height, double lineWidth);
  // The picture drawn by a second engine with its own display tree, written
  // as a 24-bit BMP whatever the extension.
  bool SaveImageOld(const std::string& path, int width, int height, double lineWidth);
  // The picture as `base` + ".jpg" (".bmp" with the old method) and the
  // layout file `base` + ".tdo" placing it on a drawing sheet, both relative
  // to the current folder.
  bool SaveLayout(const std::string& base, int width, int height, double lineWidth, bool oldMethod);
  // The on-screen engine's picture at width × height; false (and `picture`
  // empty) when no picture of that size can be made.
  bool RenderToBitmap(int width, int height, int flags, StereonImage& picture);
  // Draws the picture on one printed page at the print settings.
  void PrintPage(PrintDevice& device);
  ExportDialogValues& ExportSettings() { return export_; }
  PrintDialogValues& PrintSettings() { return print_; }
  // Set while a picture is drawn for output; paints are ignored meanwhile.
  bool OutputBusy() const { return outputBusy_; }

  // --- measuring (ViewMeasure.cpp) -------------------------------------------
  // The text of the last finished measurement ("距離 …" or "面積 …"); empty
  // when there is none.
  const std::string& MeasureResult() const { return measureResult_; }
  // The measurement drawn now: its two points (the second follows the
  // cursor until the second click), or the face measured.
  // The measure surfaces are made on a worker thread; measuring catches
  // nothing until they are ready. True once they are.
  bool MeasureSurfacesReady();
  // Waits for the surfaces being made (for scripts and tests); false when
  // none are being made.
  bool WaitForMeasureSurfaces();
  // Called by the shell on the view's own thread after a worker asked for
  // it through ViewShell::Wake.
  void OnWake();
  // The point caught under the cursor by the last move.
  const MeasurePoint& MeasureHover() const { return measureHover_; }
  std::optional<GMVector> MeasureFirst() const { return measureFirst_; }
  std::optional<GMVector> MeasureSecond() const { return measureSecond_; }
  const std::optional<PlanarFace>& MeasuredFace() const { return measureFace_; }

  // --- sections (ViewSection.cpp) --------------------------------------------
  // Each adds one plane (at most three) and redraws; false, with the planes
  // as they were, for a fourth or for a plane without a normal.
  bool AddSection(const GMPlane& plane);
  // Keeps what lies below the height.
  bool AddHorizontalSection(double height);
  // Upright along the line from `from` to `to` on the plan; keeps what lies
  // to the left of it, looking from `from` to `to`.
  bool AddVerticalSection(const GMVector& from, const GMVector& to);
  // Through the face under window point (x, y), keeping what lies behind
  // it; false over no face.
  bool AddSectionThroughFace(int x, int y);
  // Replaces every plane; false, with the planes as they were, for more
  // than three or a plane without a normal.
  bool SetSections(std::span<const GMPlane> planes);
  void RemoveSection(int index);
  // Moves plane `index` along its normal, towards the side it removes: a
  // positive distance keeps more.
  bool MoveSection(int index, double distance);
  // The plane the mouse drags in the section mode: the last one added
  // unless another is chosen.
  void ChooseSection(int index);
  int ChosenSection() const { return chosenSection_; }
  // The check item: sectioning on or off, the planes kept either way.
  void ShowSections(bool shown);
  bool SectionsShown() const { return state_.sectionShown; }
  std::span<const GMPlane> Sections() const { return state_.sectionPlanes; }
  // Whether the world point is kept by the sections in force.
  bool KeptBySections(const GMVector& point) const;
  // The stretch from..to (0 at the start, 1 at the end) of a line that the
  // shown sections keep; false when they keep none of it.
  bool KeptStretch(const GMSegment& segment, double& from, double& to) const;
  // The same test for picking and measuring on the model's surfaces; empty
  // (everything shown) while no section is in force.
  ShownTest SectionShownTest() const;

  // --- state ---------------------------------------------------------------
  ViewState& State() { return state_; }
  const ViewState& State() const { return state_; }
  CInkSolid* Scene() { return scene_.get(); }
  CStereon* Engine() { return engine_.get(); }
  const NodeHandleTable& Handles() const { return handles_; }
  CInkNode* Selection() const;
  void Select(CInkNode* node);
  const ViewRect& RangeRect() const { return range_; }
  int ClientWidth() const;
  int ClientHeight() const;
  // Client width / height; 0 while the window has no size.
  double WindowAspect() const;
  // Pixels per model unit at the target, for the present zoom.
  double PixelsPerUnit();
  // The eye reset found an empty model during creation: the next paint fits.
  bool FitPending() const { return fitAtFirstPaint_; }
  // How the model of the command line loaded at creation (kMissing also
  // when no model was named).
  ModelLoadResult StartupResult() const { return startupResult_; }
  // What loading that model left out (solids of a scene exchange file too
  // large to build or too costly to cut, faces too tangled to draw), for a
  // batch run that has no status bar to show it.
  const K3dViewState& StartupK3dState() const { return startupK3d_; }

 private:
  bool Initialise(GLWindowContext* window, int width, int height);
  void Redraw();
  void DropHighlight();
  void ApplyEngineState();
  void BuildHighlight();
  void PickAt(int x, int y);
  void NotifyHost(const CInkNode* picked);
  void SelectByHostName();
  void Status(std::string_view text);
  // "読み込みに失敗しました。" with the reason, in the status bar and the
  // engine's error log; the scene on screen is left as it is.
  void ReportImportFailure(const std::string& path, const std::string& reason);
  // "ﾚﾃﾞｨ", or, when the scene exchange file had solids too large to build,
  // how many were left out (also in the error log).
  void ReadyAfterK3d(const std::string& path, const K3dViewState& k3d);

  // Navigation.
  GMVector TrackballDirection(int x, int y) const;
  GMVector PanVector(double u, double v) const;
  void MoveBy(const GMVector& offset);
  void OrbitStep(int dx, int dy);
  void ClickAction(int x, int y);
  void ZoomIn();
  // The box of the model's shown points; with `auxiliary` the auxiliary
  // nodes (which are drawn, and shadows fall on) count too.
  bool ModelBox(GMBox& box, bool auxiliary = false) const;
  void TargetToModel();
  void TargetToSelection();
  void FreeCamera();
  void TargetMoveClick(int x, int y);

  // Commands.
  void ToggleDisplay(int bit);
  void SetMode(MouseMode mode);
  void ToggleShiftMode();
  void ShowAll(CInkNode& node);
  void EyeDialog();
  void ColourDialog();
  void NodePropertyDialog();
  void BackgroundDialog();
  void FogDialog();
  void TextureDialog();
  void DeleteShadows();
  // The engine's shadow volumes deleted, without a redraw.
  void DropShadowVolumes();
  // Builds the shadow volumes of the scene's casters (and of the billboards
  // in `billboards`) under `light` into `target`, whose context is current.
  // False when nothing casts; `target` then keeps no volumes.
  bool BuildShadowsOn(CStereon& target, const GMVector& light, CPlainList* billboards);
  // "太陽方向", or with `solarView` "ソーラビュー".
  void SunCommand(bool solarView);
  int TextureCount() const;

  // Texture and billboard files (ViewTextures.cpp).
  void LoadTextureCommand();
  void OpenTextureAssignmentCommand();
  void SaveTextureAssignmentCommand();
  void OpenBillboardsCommand();
  std::filesystem::path TextureFolder() const;

  // Files.
  void OpenCommand();
  // A dropped model comes with the host that found its format.
  void LoadWholeModel(const std::string& path, int format, CInkFile* dropHost);
  std::unique_ptr<CInkFile> LoadDropHost() const;
  // Drops the billboards and textures of the model that was open.
  void ForgetCompanions();
  void ReadCompanions(const std::string& path);
  void StartupLoad();
  void Reload();
  void SaveCommand();
  void SaveAsCommand();
  // Writes the scene with the camera in view; says so when it fails.
  bool ExportScene(int format, const std::string& path);
  void CameraToSettings();
  void CameraFromSettings();
  void RecordModelTime();
  void DiscardSceneReferences();
  void DropOntoNode(const std::string& path, CInkNode& node, int x, int y);
  void RestoreEye();
  void SaveEye();

  // Output.
  void PrintSettingsCommand();
  void BuildTreesInto(CStereon& engine);
  void CopyIntoOldEngine(CStereon& engine, int width, double lineWidth);

  // Bridge.
  // Builds the trees of the node and all below it as a child of `parent`.
  COGLDispTree* BuildTree(COGLDispTree& parent, CInkNode& node);
  // The trees of the scene root's children under the engine's top node.
  void BuildTopTrees(COGLDispTree& root, CInkNode& sceneRoot);
  void FillTree(CInkNode& node, COGLDispTree& tree);
  // The point of the node's own coordinates its display lists are drawn
  // about.
  GMVector LocalShift(const CInkNode& node) const;
  // The world point the engine draws about for the present model: the
  // model's centre when the model lies away from the origin, else the
  // origin itself.
  GMVector LocalOriginFor() const;

  // Near and far planes (ViewPlanes.cpp).
  struct ModelBall {
    GMVector centre{};
    double radius = 0.0;
    bool empty = true;
  };
  // The ball holding all the view draws: every shown node, auxiliary ones
  // too, and the billboards.
  ModelBall DrawnBall();
  // In parallel projection: steps the eye back along the view direction
  // until the model, turned any way about the target, lies before it; with
  // `keepPicture` the zoom keeps the picture's scale.
  void KeepEyeOutsideModel(bool keepPicture);
  // Near and far planes round the model as seen from the eye, however the
  // eye turns about the target.
  void FitPlanes();
  // Widens the planes where the eye has come so near the model or gone so
  // far from it that they would cut it.
  void KeepModelBetweenPlanes();
  // Fit all in perspective: every model point inside the view. False when
  // there is no point to fit.
  bool FitPerspective(int width, int height);
  // The middle of the model and its span, from the vertices that are
  // numbers, leaving out the outermost hundredth on each side.
  struct ModelExtent {
    GMVector middle{};
    double span = 0.0;
  };
  ModelExtent MeasureModelExtent();
  // After the section planes or their check item changed.
  void SectionsChanged();
  // Hands the engine the lines where the planes cut the model's faces.
  void OutlineSections();
  // Moves the chosen plane by a drag of (dx, dy) window pixels.
  void DragSection(int dx, int dy);
  int chosenSection_ = -1;
  void RemoveInvalidFrom(CInkNode& node, const GMVector& middle, double limit);

  UserInterface& ui_;
  LaunchValues& launch_;
  ViewShell* shell_;
  SceneCompanions* companions_;
  std::unique_ptr<ViewShell> ownShell_;
  std::unique_ptr<SceneCompanions> ownCompanions_;

  ViewState state_;
  // The way the sunlight travelled when the present shadows were made.
  GMVector shadowLight_{0.0, 0.0, -1.0};
  std::unique_ptr<CInkSolid> scene_;
  std::unique_ptr<CStereon> engine_;
  GLWindowContext* window_ = nullptr;
  int bitmapWidth_ = 0;
  int bitmapHeight_ = 0;
  NodeHandleTable handles_;
  int32_t selection_ = 0;  // handle of the selected node, 0: none

  std::vector<GMSegment> highlight_;
  bool highlightValid_ = false;
  StudyDrawing study_;
  bool studyShown_ = true;
  void BuildStudyOverlay();
  // Measuring.
  // The surfaces once made; nullptr while they are being made (the making
  // starts here when nothing is under way).
  MeasureScene* MeasureSurfaces();
  // For work that cannot go on without the surfaces (a section through a
  // picked face, the outline of a cut): waits for them, as making them on
  // the spot did. Measuring itself never waits.
  MeasureScene& MeasureSurfacesNow();
  // After the model or its display changed: made anew while measuring.
  void RestartMeasureBuild();
  // "計測準備中..." while the surfaces are not ready.
  bool MeasurePending();
  void MeasureClick(int x, int y);
  void MeasureMove(int x, int y);
  void MeasureFaceAt(int x, int y);
  // Ends the measurement in progress or shown; false when there was none.
  bool EndMeasure();
  void BuildMeasureOverlay();
  MeasureBuild measureBuild_;
  bool measurePendingShown_ = false;
  std::optional<GMVector> measureFirst_;
  std::optional<GMVector> measureSecond_;
  bool measureDone_ = false;
  MeasurePoint measureHover_;
  std::optional<PlanarFace> measureFace_;
  std::string measureResult_;
  bool shiftHeld_ = false, ctrlHeld_ = false;
  ViewOverlay overlay_;
  bool fitAtFirstPaint_ = false;
  // The box of the drawn scene, found again after the display trees change.
  GMBox sceneBox_{};
  bool sceneBoxEmpty_ = true;
  bool sceneBoxValid_ = false;
  ExportDialogValues export_;
  PrintDialogValues print_;
  bool outputBusy_ = false;
  ModelLoadResult startupResult_ = ModelLoadResult::kMissing;
  K3dViewState startupK3d_;

  // Mouse.
  ViewRect range_;
  int downX_ = 0, downY_ = 0;
  int upX_ = 0, upY_ = 0;
  int moveX_ = 0, moveY_ = 0;
  int middleX_ = 0, middleY_ = 0;
  int rightX_ = 0, rightY_ = 0;
  bool leftHeld_ = false, rightHeld_ = false, middleHeld_ = false;
};

// Names of the nodes that are never counted as model geometry (auxiliary
// lines, the north arrow, the zoning areas), as the Shift-JIS bytes the
// scene holds.
bool IsAuxiliaryNodeName(std::string_view cp932Name);

// Whether the node's own figures cast shadows: it is opaque unless
// transparent bodies may cast, and shown unless hidden bodies may cast.
// Its children answer for themselves.
bool NodeCastsShadow(CInkNode& node, bool transparentCast, bool hiddenCast);

}  // namespace korvex

using korvex::CStereonView;
