// The view: creation and destruction, painting and its overlay, selection
// and the host's messages.
#include "common/encoding.h"
#include "plugins/ScenePlugins.h"
#include "view/StereonView.h"

#include <array>

#include "common/file_util.h"
#include "common/user_interface.h"
#include "model/FigureTessellationWorld.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "plugins/InkFile.h"
#include "view/CompanionFiles.h"
#include "view/EyeFile.h"
#include "view/SceneCompanions.h"
#include "view/UserSettings.h"
#include "view/ViewMath.h"
#include "view/ViewShell.h"
#include "view/ViewTexts.h"
#include "view/WindowProjector.h"

namespace korvex {

using namespace vm;

bool IsAuxiliaryNodeName(std::string_view cp932Name) {
  static const std::array<std::string, 3> names = {Utf8ToCp932("補助線"), Utf8ToCp932("方位"),
                                                   Utf8ToCp932("用途地域")};
  for (const std::string& name : names)
    if (cp932Name == name) return true;
  return false;
}

CStereonView::CStereonView(UserInterface& ui, LaunchValues& launch, ViewShell* shell, SceneCompanions* companions)
    : ui_(ui), launch_(launch), shell_(shell), companions_(companions) {
  if (shell_ == nullptr) {
    ownShell_ = std::make_unique<ViewShell>();
    shell_ = ownShell_.get();
  }
  if (companions_ == nullptr) {
    ownCompanions_ = std::make_unique<CompanionFiles>(ui_, launch_.programFolder);
    companions_ = ownCompanions_.get();
  }
}

CStereonView::~CStereonView() {
  if (engine_) {
    shell_->WriteAeroFlag(state_.aero);
    SaveEye();
  }
  StopMeasureBuild();
  highlight_.clear();
  handles_.Clear();
  // The engine first: its display tree and lists go with its context. The
  // scene after it, so that nothing the engine holds outlives the nodes it
  // was built from.
  engine_.reset();
  scene_.reset();
}

bool CStereonView::Create(GLWindowContext* window) { return Initialise(window, 0, 0); }

bool CStereonView::CreateHeadless(int width, int height) {
  if (width <= 0 || height <= 0) return false;
  return Initialise(nullptr, width, height);
}

bool CStereonView::Initialise(GLWindowContext* window, int width, int height) {
  // The wheel direction is read as the window is about to be made.
  state_.wheelReverse = ReadUserSettings().wheelReverse;
  state_.aero = shell_->ReadAeroFlag();

  scene_ = std::make_unique<CInkSolid>();
  if (launch_.programFolder.empty())
    korvex::InitializeWithPlugins(*scene_);
  else
    korvex::InitializeWithPlugins(*scene_, launch_.programFolder);

  engine_ = std::make_unique<CStereon>(&ui_);
  const int made = window != nullptr ? engine_->CreateOnWindow(window)
                                     : engine_->CreateBitmapContext(width, height, 32, 24, width, height);
  if (!made) {
    engine_.reset();
    return false;
  }
  if (launch_.drawStraight) engine_->GetDispTree()->SetDrawStraight(true);
  window_ = window;
  bitmapWidth_ = width;
  bitmapHeight_ = height;

  // The projection is chosen before the model comes: the fit and the
  // planes of the start-up eye depend on it.
  if (launch_.perspective)
    state_.displayFlags &= ~frame::kParallel;
  else
    state_.displayFlags |= frame::kParallel;
  StartupLoad();
  Redraw();
  state_.mouseMode = MouseMode::Rotate;
  return true;
}

void CStereonView::ReleaseWindow() {
  if (engine_) engine_->ReleaseWindowContext();
  window_ = nullptr;
}

int CStereonView::ClientWidth() const {
  if (window_ != nullptr) {
    int w = 0, h = 0;
    window_->Size(w, h);
    return w;
  }
  return bitmapWidth_;
}

int CStereonView::ClientHeight() const {
  if (window_ != nullptr) {
    int w = 0, h = 0;
    window_->Size(w, h);
    return h;
  }
  return bitmapHeight_;
}

void CStereonView::Status(std::string_view text) { ui_.SetStatusText(text); }

void CStereonView::Redraw() { ui_.RequestRepaint(); }

void CStereonView::DropHighlight() {
  highlight_.clear();
  highlightValid_ = false;
}

void CStereonView::ApplyEngineState() {
  if (!engine_) return;
  // Light colours of the preset, each opaque.
  struct Preset {
    uint32_t ambient, diffuse;
  };
  static constexpr Preset presets[3] = {
      {0xFF808080u, 0xFFFFFFFFu},  // daylight: grey ambient, white light
      {0xFF1E1E1Eu, 0xFF644646u},  // night: dark, bluish RGB(70, 70, 100)
      {0xFF1E324Cu, 0xFF82AAFFu},  // sunset: RGB(76, 50, 30), light RGB(255, 170, 130)
  };
  const int set = static_cast<int>(state_.lightSet);
  const Preset& preset = presets[set >= 0 && set < 3 ? set : 0];
  engine_->SetLightAmbient(preset.ambient);
  engine_->SetLightDiffuse(preset.diffuse);
  engine_->SetLightSpecular(preset.diffuse);
  engine_->SetLightDirection(state_.lightPosition.x, state_.lightPosition.y, state_.lightPosition.z);
  engine_->SetCamera(state_.camera.eye, state_.camera.target, state_.camera.up);
  KeepModelBetweenPlanes();
  engine_->SetPlanes(state_.camera.nearPlane, state_.camera.farPlane, state_.camera.viewAngle);
  engine_->SetZoom(state_.zoom);
  if (!engine_->SetSectionPlanes(state_.sectionShown ? std::span<const GMPlane>(state_.sectionPlanes)
                                                     : std::span<const GMPlane>()))
    engine_->SetSectionPlanes({});
}

void CStereonView::Paint() {
  if (!engine_ || outputBusy_) return;
  if (fitAtFirstPaint_) {
    // The eye was reset while the window had no size yet: fit now.
    fitAtFirstPaint_ = false;
    FitAll();
  }
  ApplyEngineState();
  engine_->Render(state_.displayFlags);
  BuildHighlight();
}

StereonImage CStereonView::PaintImage() {
  StereonImage image;
  if (!engine_ || !engine_->IsBitmap() || outputBusy_) return image;
  if (fitAtFirstPaint_) {
    fitAtFirstPaint_ = false;
    FitAll();
  }
  ApplyEngineState();
  engine_->Render(state_.displayFlags, &image);
  BuildHighlight();
  return image;
}

// --- overlay and highlight --------------------------------------------------

// The camera and the view volume come from the engine as the last frame
// left them.
WindowProjector MakeProjector(CStereon& engine, const ViewState& state, int w, int h) {
  WindowProjector projector;
  projector.eye = engine.eye;
  projector.f = Unit(engine.target - engine.eye);
  projector.s = Unit(GMCross(projector.f, engine.up));
  projector.u = GMCross(projector.s, projector.f);
  projector.parallel = (state.displayFlags & frame::kParallel) != 0;
  projector.w = w;
  projector.h = h;
  const double aspect = static_cast<double>(w) / h;
  double n = 0, fa = 0;
  if (projector.parallel) {
    engine.GetParallelFrustum(aspect, projector.left, projector.right, projector.bottom, projector.top, n, fa);
  } else {
    engine.GetPerspectiveFrustum(aspect, projector.left, projector.right, projector.bottom, projector.top, n, fa);
    if (engine.panEnabled) {
      const double step = (projector.right - projector.left) / w;
      const double dx = engine.panX - w / 2;
      const double dy = engine.panY - h / 2;
      projector.left += dx * step;
      projector.right += dx * step;
      projector.top += dy * step;
      projector.bottom += dy * step;
    }
  }
  projector.nearPlane = n;
  return projector;
}

void CStereonView::SetStudyDrawing(StudyDrawing drawing) {
  study_ = std::move(drawing);
  studyShown_ = true;
  Redraw();
}

void CStereonView::ShowStudyDrawing(bool shown) {
  studyShown_ = shown;
  Redraw();
}

void CStereonView::BuildStudyOverlay() {
  const int w = ClientWidth();
  const int h = ClientHeight();
  if (!studyShown_ || !engine_ || w <= 0 || h <= 0 || !HasStudyDrawing()) return;
  const WindowProjector projector = MakeProjector(*engine_, state_, w, h);
  for (const StudyDrawing::Line& line : study_.lines)
    for (std::size_t i = 0; i + 1 < line.points.size(); ++i) {
      ViewOverlay::StudySegment segment{{}, line.rgb, line.width, line.dashed};
      if (projector.Segment({line.points[i], line.points[i + 1]}, state_.camera.nearPlane, segment.window))
        overlay_.study.push_back(segment);
    }
  for (const StudyDrawing::Label& label : study_.labels) {
    ViewOverlay::StudyLabel placed{0, 0, label.text, label.rgb};
    if (GMDot(label.at - projector.eye, projector.f) > state_.camera.nearPlane &&
        projector.Project(label.at, placed.x, placed.y))
      overlay_.studyLabels.push_back(std::move(placed));
  }
}

void CStereonView::BuildHighlight() {
  overlay_ = ViewOverlay{};
  const int w = ClientWidth();
  const int h = ClientHeight();
  if (state_.mouseMode == MouseMode::Light) {
    overlay_.lightMarks = true;
    overlay_.centreX = w / 2;
    overlay_.centreY = h / 2;
    overlay_.circleRadius = std::min(w, h) / 2;
  }
  if (leftHeld_ && range_.left != -1) overlay_.rubberBand = range_;

  BuildStudyOverlay();
  BuildMeasureOverlay();

  CInkNode* node = Selection();
  if (node == nullptr || state_.mouseMode == MouseMode::Rotate || !engine_ || w <= 0 || h <= 0) return;
  if (!highlightValid_) {
    // Both the camera and the view volume come from the engine as the last
    // frame left them, so the outline lies on the picture.
    const WindowProjector projector = MakeProjector(*engine_, state_, w, h);
    const double nearDistance = state_.camera.nearPlane;
    highlight_.clear();
    for (int i = 0; i < node->GetFigureCount(); ++i) {
      for (const GMSegment& segment : FigureWorldOutlineSegments(node->GetFigure(i), GM_TOLERANCE)) {
        GMSegment onWindow;
        if (!projector.Segment(segment, nearDistance, onWindow)) continue;
        highlight_.push_back(onWindow);
      }
    }
    highlightValid_ = true;
  }
  overlay_.highlight = highlight_;
}

// --- selection --------------------------------------------------------------

CInkNode* CStereonView::Selection() const { return selection_ != 0 ? handles_.Node(selection_) : nullptr; }

void CStereonView::Select(CInkNode* node) {
  selection_ = node != nullptr ? handles_.HandleOf(*node) : 0;
  DropHighlight();
}

void CStereonView::PickAt(int x, int y) {
  if (!engine_) return;
  ApplyEngineState();
  engine_->SetEyeTarget(state_.camera.eye, state_.camera.target);
  const int name = engine_->Pick(state_.displayFlags, x, y, 3);
  DropHighlight();
  CInkNode* node = handles_.Node(name);
  if (node == nullptr || node->IsLocked()) {
    selection_ = 0;
    Status(text::kCannotSelect);
    node = nullptr;
  } else {
    selection_ = name;
    Status(Cp932ToUtf8(node->GetName(nullptr, 0)) + text::kSelectedSuffix);
  }
  NotifyHost(node);
  Redraw();
}

void CStereonView::NotifyHost(const CInkNode* picked) {
  if (launch_.hostWindow == 0) return;
  ui_.SetClipboardText(picked != nullptr ? Cp932ToUtf8(picked->GetName(nullptr, 0)) : std::string());
  if (!ui_.PostToHost(kHostNodeSelected, launch_.mainWindow, 0)) launch_.hostWindow = 0;
}

namespace {
CInkNode* FindByName(CInkNode& node, std::string_view name) {
  for (int i = 0; i < node.GetCount(); ++i) {
    CInkNode* child = node.GetChild(i);
    if (child == nullptr) continue;
    if (std::string_view(child->GetName(nullptr, 0)) == name) return child;
    if (CInkNode* below = FindByName(*child, name)) return below;
  }
  return nullptr;
}
}  // namespace

void CStereonView::SelectByHostName() {
  const std::optional<std::string> text = ui_.GetClipboardText();
  if (!text) return;  // no text on the clipboard: the message is ignored
  const std::string name = Utf8ToCp932(*text);
  if (name.size() > 63) return;
  ui_.SetClipboardText("");
  CInkNode* found = nullptr;
  if (!name.empty() && scene_ && scene_->GetRoot()) found = FindByName(*scene_->GetRoot(), name);
  DropHighlight();
  selection_ = found != nullptr ? handles_.HandleOf(*found) : 0;
  if (selection_ != 0)
    Status(Cp932ToUtf8(found->GetName(nullptr, 0)) + text::kSelectedSuffix);
  else
    Status(text::kDeselected);
  Redraw();
}

void CStereonView::OnHostMessage(uint32_t message) {
  switch (message) {
    case kHostNodeSelected:
      SelectByHostName();
      break;
    case kHostReload:
      Reload();
      break;
    case kHostClose:
      shell_->CloseMainWindow();
      break;
    default:
      break;
  }
}

}  // namespace korvex
