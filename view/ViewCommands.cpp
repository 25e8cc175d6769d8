// The command table: what each command does and what its menu item shows.
#include <cstdlib>

#include "common/file_util.h"
#include "common/user_interface.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "common/PlainList.h"
#include "common/UiText.h"
#include "view/CurrentFolder.h"
#include "view/SceneCompanions.h"
#include "view/StereonView.h"
#include "view/ViewMath.h"
#include "view/ViewShell.h"
#include "view/ViewTexts.h"

namespace korvex {

namespace {

cmd::CommandState Check(bool on, bool enabled = true) { return {true, enabled, on, false}; }
cmd::CommandState Radio(bool on, bool enabled = true) { return {true, enabled, on, true}; }
cmd::CommandState Plain(bool enabled = true) { return {true, enabled, false, false}; }

// The leading decimal number of a text, as C's atoi reads it.
long LeadingInteger(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

}  // namespace

cmd::CommandState CStereonView::GetCommandState(int id) const {
  const int flags = state_.displayFlags;
  const bool selected = Selection() != nullptr;
  const bool shift = state_.shiftMode != 0;
  const MouseMode mode = state_.mouseMode;
  switch (id) {
    case cmd::kShowPolygons: return Check(flags & frame::kFaces);
    case cmd::kShowFaces: return Check(flags & frame::kLitFaces, flags & frame::kFaces);
    case cmd::kShowFrames: return Check(flags & frame::kOutlines, flags & frame::kFaces);
    case cmd::kShowLines: return Check(flags & frame::kLines);
    case cmd::kModeEyeMove: return Radio(mode == MouseMode::EyeMove);
    case cmd::kModeTargetMove: return Radio(mode == MouseMode::TargetMove);
    case cmd::kModeLight: return Radio(mode == MouseMode::Light);
    case cmd::kModeSelect: return Radio(mode == MouseMode::Select, !shift);
    case cmd::kModeEyeTargetMove: return Radio(mode == MouseMode::EyeTargetMove);
    case cmd::kModeRotate: return Radio(mode == MouseMode::Rotate);
    case cmd::kModeMeasure: return Radio(mode == MouseMode::Measure);
    case cmd::kCopyMeasure: return Plain(!measureResult_.empty());
    case cmd::kShowSections: return Check(state_.sectionShown && !state_.sectionPlanes.empty(), !state_.sectionPlanes.empty());
    case cmd::kModeSectionMove: return Radio(mode == MouseMode::SectionMove, !state_.sectionPlanes.empty());
    case cmd::kShiftMode: return Check(shift);
    case cmd::kParallel: return Check(flags & frame::kParallel);
    case cmd::kShowShadows: return Check(flags & frame::kShadows);
    case cmd::kTransparentShadows: return Check(state_.noTransparentShadows == 0);
    case cmd::kHiddenShadows: return Check(state_.noHiddenShadows == 0);
    case cmd::kFastShadows: return Check(state_.fastShadowsOff == 0);
    case cmd::kYUp: return Radio(state_.yUp == 1);
    case cmd::kZUp: return Radio(state_.yUp == 0);
    case cmd::kColourDialog:
    case cmd::kNodeProperty:
    case cmd::kClearSelection: return Plain(selected);
    case cmd::kFitAll:
    case cmd::kZoomIn:
    case cmd::kZoomOut: return Plain(!shift);
    case cmd::kFreeCamera: return Check(true);
    case cmd::kDaylight: return Check(state_.lightSet == LightSet::Daylight);
    case cmd::kNightLight: return Check(state_.lightSet == LightSet::Night);
    case cmd::kSunset: return Check(state_.lightSet == LightSet::Sunset);
    case cmd::kContrast: return Check(state_.contrast & 1);
    case cmd::kAero: return Check(state_.aero != 0);
    case cmd::kTextureAdjust: return Plain(TextureCount() > 0);
    case cmd::kMakeShadows:
    case cmd::kDeleteShadows:
    case cmd::kEyeDialog:
    case cmd::kShowAll:
    case cmd::kRemoveInvalid:
    case cmd::kRebuild:
    case cmd::kResetEye:
    case cmd::kTargetToModel:
    case cmd::kTargetToSelection:
    case cmd::kRotateLeft:
    case cmd::kRotateRight:
    case cmd::kRotateUp:
    case cmd::kRotateDown:
    case cmd::kPlanView:
    case cmd::kElevation:
    case cmd::kBackView:
    case cmd::kLeftView:
    case cmd::kRightView:
    case cmd::kSolarView:
    case cmd::kSunDirection:
    case cmd::kBackground:
    case cmd::kFog:
    case cmd::kLayers:
    case cmd::kLoadTexture:
    case cmd::kOpenTextureAssignment:
    case cmd::kSaveTextureAssignment:
    case cmd::kOpenBillboards:
    case cmd::kOpen:
    case cmd::kSave:
    case cmd::kSaveAs:
    case cmd::kFileOutput:
    case cmd::kPrintSettings:
    case cmd::kPrint:
    case cmd::kPrintDirect:
    case cmd::kPrintPreview:
    case cmd::kTestPrint:
    case cmd::kPiles: return Plain();
    default: return {};  // always-on-top is the main frame's
  }
}

void CStereonView::OnCommand(int id) {
  const cmd::CommandState command = GetCommandState(id);
  if (!command.handled || !command.enabled) return;
  switch (id) {
    case cmd::kShowPolygons: ToggleDisplay(frame::kFaces); break;
    case cmd::kShowFaces: ToggleDisplay(frame::kLitFaces); break;
    case cmd::kShowFrames: ToggleDisplay(frame::kOutlines); break;
    case cmd::kShowLines: ToggleDisplay(frame::kLines); break;
    case cmd::kShowShadows: ToggleDisplay(frame::kShadows); break;
    case cmd::kParallel:
      DropHighlight();
      ToggleDisplay(frame::kParallel);
      break;
    case cmd::kModeEyeMove: SetMode(MouseMode::EyeMove); break;
    case cmd::kModeTargetMove: SetMode(MouseMode::TargetMove); break;
    case cmd::kModeLight: SetMode(MouseMode::Light); break;
    case cmd::kModeSelect: SetMode(MouseMode::Select); break;
    case cmd::kModeEyeTargetMove: SetMode(MouseMode::EyeTargetMove); break;
    case cmd::kModeMeasure: SetMode(MouseMode::Measure); break;
    case cmd::kShowSections: ShowSections(!state_.sectionShown); break;
    case cmd::kModeSectionMove:
      if (!state_.sectionPlanes.empty()) SetMode(MouseMode::SectionMove);
      break;
    case cmd::kCopyMeasure:
      // Copied as the status bar shows it, in the user's language.
      if (!measureResult_.empty()) ui_.SetClipboardText(UiText(measureResult_));
      break;
    case cmd::kModeRotate:
      DropHighlight();
      SetMode(MouseMode::Rotate);
      break;
    case cmd::kShiftMode: ToggleShiftMode(); break;
    case cmd::kMakeShadows: MakeShadows(); break;
    case cmd::kDeleteShadows: DeleteShadows(); break;
    case cmd::kSunDirection: SunCommand(false); break;
    case cmd::kSolarView: SunCommand(true); break;
    case cmd::kTransparentShadows: state_.noTransparentShadows ^= 1; break;
    case cmd::kHiddenShadows: state_.noHiddenShadows ^= 1; break;
    case cmd::kFastShadows: state_.fastShadowsOff ^= 1; break;
    case cmd::kYUp:
    case cmd::kZUp:
      state_.yUp = id == cmd::kYUp ? 1 : 0;
      state_.camera.up = state_.yUp ? GMVector{0.0, 1.0, 0.0} : GMVector{0.0, 0.0, 1.0};
      DropHighlight();
      Redraw();
      break;
    case cmd::kEyeDialog: EyeDialog(); break;
    case cmd::kColourDialog: ColourDialog(); break;
    case cmd::kNodeProperty: NodePropertyDialog(); break;
    case cmd::kClearSelection:
      selection_ = 0;
      DropHighlight();
      Redraw();
      break;
    case cmd::kShowAll:
      StopMeasureBuild();
      if (scene_ && scene_->GetRoot()) ShowAll(*scene_->GetRoot());
      Redraw();
      break;
    case cmd::kRemoveInvalid:
      RemoveInvalidFigures();
      RebuildAll();
      Redraw();
      break;
    case cmd::kRebuild: RebuildAll(); break;
    case cmd::kFitAll: FitAll(); break;
    case cmd::kZoomIn: ZoomIn(); break;
    case cmd::kZoomOut: ZoomAbout(ClientWidth() / 2, ClientHeight() / 2, 2.0); break;
    case cmd::kResetEye: ResetEye(); break;
    case cmd::kTargetToModel: TargetToModel(); break;
    case cmd::kTargetToSelection: TargetToSelection(); break;
    case cmd::kRotateLeft: RotateBy(state_.rotationStep, 0.0); break;
    case cmd::kRotateRight: RotateBy(-state_.rotationStep, 0.0); break;
    case cmd::kRotateUp: RotateBy(0.0, state_.rotationStep); break;
    case cmd::kRotateDown: RotateBy(0.0, -state_.rotationStep); break;
    case cmd::kPlanView:
    case cmd::kElevation:
    case cmd::kBackView:
    case cmd::kLeftView:
    case cmd::kRightView: StandardView(id); break;
    case cmd::kFreeCamera: FreeCamera(); break;
    case cmd::kDaylight:
    case cmd::kNightLight:
    case cmd::kSunset:
      state_.lightSet = static_cast<LightSet>(id - cmd::kDaylight);
      Redraw();
      break;
    case cmd::kContrast:
      state_.contrast ^= 1;
      RebuildAll();
      Redraw();
      break;
    case cmd::kAero: state_.aero = state_.aero ? 0 : 1; break;
    case cmd::kBackground: BackgroundDialog(); break;
    case cmd::kFog: FogDialog(); break;
    case cmd::kTextureAdjust: TextureDialog(); break;
    case cmd::kLayers:
      if (scene_) shell_->OpenLayerDialog(*scene_);
      break;
    case cmd::kOpen: OpenCommand(); break;
    case cmd::kSave: SaveCommand(); break;
    case cmd::kSaveAs: SaveAsCommand(); break;
    case cmd::kLoadTexture: LoadTextureCommand(); break;
    case cmd::kOpenTextureAssignment: OpenTextureAssignmentCommand(); break;
    case cmd::kSaveTextureAssignment: SaveTextureAssignmentCommand(); break;
    case cmd::kOpenBillboards: OpenBillboardsCommand(); break;
    case cmd::kPiles: break;  // pile display has no effect in the view
    case cmd::kFileOutput: ExportImageCommand(); break;
    case cmd::kPrintSettings: PrintSettingsCommand(); break;
    default:
      // Output and printing: carried out outside the view core.
      shell_->RunCommand(id);
      break;
  }
}

void CStereonView::ToggleDisplay(int bit) {
  state_.previousFlags = state_.displayFlags;
  state_.displayFlags ^= bit;
  Redraw();
}

void CStereonView::SetMode(MouseMode mode) {
  // A measurement belongs to its mode: the marks go when another starts.
  if (mode != MouseMode::Measure) EndMeasure();
  if (mode != MouseMode::Measure && measurePendingShown_) {
    measurePendingShown_ = false;
    Status(text::kReady);
  }
  state_.mouseMode = mode;
  // The surfaces are made on entering the mode, not on the first move.
  if (mode == MouseMode::Measure) MeasurePending();
  Redraw();
}

void CStereonView::ToggleShiftMode() {
  if (!state_.shiftMode) {
    state_.shiftMode = 1;
    selection_ = 0;
    DropHighlight();
    state_.mouseMode = MouseMode::EyeTargetMove;
  } else {
    state_.shiftMode = 0;
    if (engine_) {
      engine_->panEnabled = 0;
      engine_->panX = 0;
      engine_->panY = 0;
    }
    state_.mouseMode = MouseMode::Select;
  }
  Redraw();
}

void CStereonView::ShowAll(CInkNode& node) {
  if (!node.IsShown()) {
    node.SetShown(1);
    RebuildNode(node);
  }
  for (int i = 0; i < node.GetCount(); ++i)
    if (CInkNode* child = node.GetChild(i)) ShowAll(*child);
}

// --- dialogs ----------------------------------------------------------------

void CStereonView::EyeDialog() {
  EyeDialogValues values;
  values.camera = state_.camera;
  values.rotationStep = state_.rotationStep;
  values.isometricCorner = state_.isometricCorner;
  values.referenceScale = std::to_string(static_cast<long long>(state_.referenceScale));
  if (!shell_->EyeDialog(values)) return;
  // The dialog does not show which way is up: the view's stays.
  const GMVector up = state_.camera.up;
  state_.camera = values.camera;
  state_.camera.up = up;
  state_.rotationStep = values.rotationStep;
  state_.isometricCorner = values.isometricCorner;
  if (const long scale = LeadingInteger(values.referenceScale); scale != 0)
    state_.referenceScale = static_cast<double>(scale);
  DropHighlight();
  Redraw();
}

void CStereonView::ColourDialog() {
  CInkNode* node = Selection();
  if (node == nullptr) return;
  InkAttributes* attributes = node->GetAttributeRecord();
  ColourDialogValues values;
  values.colour = attributes->colour;
  values.textureIndex = attributes->textureSlot;
  values.visible = node->IsShown() != 0;
  values.engine = engine_.get();
  if (!shell_->ColourDialog(values)) return;
  StopMeasureBuild();
  attributes->colour = values.colour;
  attributes->textureSlot = values.textureIndex;
  node->SetShown(values.visible ? 1 : 0);
  RebuildNode(*node);
  Redraw();
}

void CStereonView::NodePropertyDialog() {
  CInkNode* node = Selection();
  if (node == nullptr) return;
  InkAttributes* attributes = node->GetAttributeRecord();
  NodePropertyValues values;
  values.origin = attributes->origin;
  values.scale = attributes->scale;
  values.axis = attributes->rotationAxis;
  values.angleDegrees = attributes->rotationAngle * 180.0 / M_PI;
  if (!shell_->NodePropertyDialog(values)) return;
  StopMeasureBuild();
  attributes->origin = values.origin;
  attributes->scale = values.scale;
  attributes->rotationAxis = values.axis;
  attributes->rotationAngle = vm::Radians(values.angleDegrees);
  RebuildNode(*node);
  DropHighlight();
  Redraw();
}

void CStereonView::BackgroundDialog() {
  if (!engine_) return;
  BackgroundDialogValues values;
  values.colour = engine_->GetBackColor() & 0x00FFFFFFu;
  values.useImage = state_.backgroundImageUsed;
  if (!shell_->BackgroundDialog(values)) return;
  engine_->SetBackColor((values.colour & 0x00FFFFFFu) | 0xFF000000u);
  if (values.useImage) {
    const CurrentFolderGuard folder;
    FileDialogRequest request;
    request.caption = text::kBackgroundCaption;
    request.filter = text::kBitmapFilter;
    request.initialFolder = TextureFolder().string();
    if (const auto path = ui_.ChooseFile(request)) {
      if (!companions_->LoadBackgroundImage(*engine_, *path))
        ui_.ShowMessage(text::kBackgroundLoadFailed, text::kErrorCaption, MessageIcon::Warning);
      state_.backgroundImagePath = *path;
      state_.backgroundImageUsed = true;
    }
  } else {
    engine_->DeleteBackTexture();
    state_.backgroundImagePath.clear();
    state_.backgroundImageUsed = false;
  }
  Redraw();
}

void CStereonView::FogDialog() {
  if (!engine_) return;
  FogDialogValues values;
  values.face.used = (state_.displayFlags & frame::kFaceFog) != 0;
  values.line.used = (state_.displayFlags & frame::kLineFog) != 0;
  engine_->GetFaceFog(values.face.start, values.face.end, values.face.density, values.face.mode);
  engine_->GetLineFog(values.line.start, values.line.end, values.line.density, values.line.mode);
  if (!shell_->FogDialog(values)) return;
  state_.displayFlags = (state_.displayFlags & ~(frame::kFaceFog | frame::kLineFog)) |
                        (values.face.used ? frame::kFaceFog : 0) | (values.line.used ? frame::kLineFog : 0);
  engine_->SetFaceFog(values.face.start, values.face.end, values.face.density, values.face.mode);
  engine_->SetLineFog(values.line.start, values.line.end, values.line.density, values.line.mode);
  Redraw();
}

int CStereonView::TextureCount() const {
  return engine_ && engine_->textureTable != nullptr ? engine_->textureTable->GetCount() : 0;
}

void CStereonView::TextureDialog() {
  if (!engine_ || engine_->textureTable == nullptr) return;
  std::vector<StereonTexture*> textures;
  for (int i = 0; i < engine_->textureTable->GetCount(); ++i) {
    auto* texture = static_cast<StereonTexture*>(engine_->textureTable->GetAt(i));
    if (texture != nullptr && texture->name[0] != '*') textures.push_back(texture);
  }
  shell_->TextureDialog(textures);
  RebuildAll();
  Redraw();
}

}  // namespace korvex
