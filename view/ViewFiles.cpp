// Opening, dropping, reloading and saving models, the start-up load, and
// the eye file around them.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "common/encoding.h"
#include "common/file_util.h"
#include "common/user_interface.h"
#include "formats/K3dReader.h"
#include "formats/ModelLoader.h"
#include "geometry/gm_matrix.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "model/TangledFaces.h"
#include "plugins/InkFile.h"
#include "view/CurrentFolder.h"
#include "view/EyeFile.h"
#include "view/SceneCompanions.h"
#include "view/StereonView.h"
#include "view/ViewShell.h"
#include "view/ViewTexts.h"

namespace korvex {

namespace {

// Pattern of a dropped file without an extension.
constexpr std::string_view kDropDefaultPattern = "*.ink";
constexpr std::string_view kInkPattern = "*.ink";
constexpr int kFilterBuffer = static_cast<int>(kMaxPath);

// Where the file name begins: after the last "/" or "\".
std::size_t NameStart(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? 0 : slash + 1;
}

std::string FileName(std::string_view path) { return std::string(path.substr(NameStart(path))); }

// The path without the extension of its file name; a "." in a folder name
// is no extension.
std::string WithoutExtension(std::string_view path) {
  const std::size_t start = NameStart(path);
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < start) return std::string(path);
  return std::string(path.substr(0, dot));
}

struct FormatList {
  std::string filter;                 // UTF-8, for the dialog
  std::vector<int> formats;           // the scene's format index of each entry
  std::vector<std::string> patterns;  // the pattern of each entry

  // The format of a plug-in's filter entry; -1 for an entry of no plug-in.
  int FormatAt(int entry) const {
    return entry >= 0 && entry < static_cast<int>(formats.size()) ? formats[static_cast<size_t>(entry)] : -1;
  }
};

// The open and save-as dialog, in the folder the process stands in; the
// filter entry the user chose goes to *chosen (-1 when the dialog cannot
// tell).
std::optional<std::string> ChooseModelFile(UserInterface& ui, const CurrentFolderGuard& folder, bool save,
                                           std::string_view caption, std::string filter, int& chosen) {
  FileDialogRequest request;
  request.save = save;
  request.caption = caption;
  request.filter = std::move(filter);
  if (save) request.defaultExtension = "ink";
  request.initialFolder = folder.Folder().string();
  chosen = -1;
  request.chosenFilter = &chosen;
  return ui.ChooseFile(request);
}

// The filters of the plug-ins that read (or write) files, in index order.
FormatList PluginFormats(CInkSolid& scene, bool forExport) {
  FormatList list;
  for (int i = 0; i < scene.GetFormatCount(); ++i) {
    if (!(forExport ? scene.CanExport(i) : scene.CanImport(i))) continue;
    char text[kFilterBuffer] = {};
    if (forExport)
      scene.GetExportFormat(i, text, kFilterBuffer);
    else
      scene.GetImportFormat(i, text, kFilterBuffer);
    list.filter += Cp932ToUtf8(text);
    list.formats.push_back(i);
    list.patterns.emplace_back(FilterPattern(text));
  }
  return list;
}

}  // namespace

// --- the camera through the scene settings block ----------------------------

void CStereonView::CameraToSettings() {
  InkSceneSettings& s = scene_->settings;
  PutCamera(s, state_.camera);
  s.unitFactor = 1.0;
  s.lightPosition = state_.lightPosition;
}

void CStereonView::CameraFromSettings() {
  const InkSceneSettings& s = scene_->settings;
  state_.camera = CameraOf(s);
  state_.lightPosition = s.lightPosition;
}

void CStereonView::RecordModelTime() {
  std::error_code error;
  const auto time = std::filesystem::last_write_time(launch_.modelPath, error);
  if (!error) launch_.modelTime = time;
}

void CStereonView::DiscardSceneReferences() {
  // The old tree is gone: nothing may reach its nodes any more, not even a
  // repaint that a message box causes before the new trees are built.
  selection_ = 0;
  DropHighlight();
  handles_.Clear();
}

void CStereonView::ForgetCompanions() {
  // The street trees and texture pictures belong to the model that brought
  // them: a new model starts without them (the background image stays, it
  // belongs to the view). Node texture slots would otherwise point at
  // another model's pictures.
  engine_->DeleteAllBillboards();
  engine_->DeleteTexture(-1);
  launch_.texturePath.clear();
}

void CStereonView::ReadCompanions(const std::string& path) {
  const std::string base = WithoutExtension(path);
  if (const std::string billboards = base + ".bil"; FileExists(billboards))
    companions_->ReadBillboards(*engine_, billboards);
  if (const std::string textures = base + ".txi"; FileExists(textures)) {
    if (scene_->GetRoot()) companions_->ReadTextureAssignment(*engine_, *scene_->GetRoot(), textures);
    launch_.texturePath = textures;
  }
}

// --- start-up ---------------------------------------------------------------

void CStereonView::StartupLoad() {
  if (!launch_.modelPath.empty()) {
    const std::string path = NormalizeSeparators(launch_.modelPath);
    K3dViewState k3d;
    const std::string pattern = FilePattern(path, kStartupDefaultPattern);
    // The importer reads the camera from the settings block and may widen
    // its far plane to take in the model.
    CameraToSettings();
    try {
      startupResult_ = LoadModel(*scene_, path, k3d, kStartupDefaultPattern);
      if (startupResult_ == ModelLoadResult::kFailed && pattern != kK3dPattern)
        ReportImportFailure(path, scene_->LastImportFailure());
    } catch (const std::bad_alloc&) {
      // A scene exchange file too large for the machine: the viewer starts
      // empty and says why.
      scene_->NewScene();
      startupResult_ = ModelLoadResult::kFailed;
      ReportImportFailure(path, "メモリが足りません");
    }
    if (startupResult_ == ModelLoadResult::kLoaded) {
      // The far plane the load produced: the clean-up below measures with it.
      state_.camera.farPlane = pattern == kK3dPattern ? k3d.farPlane : scene_->settings.farClip;
      // A site handed over as a scene exchange file has its textures and
      // trees beside it too, and opening the same file reads them.
      ReadCompanions(path);
      RecordModelTime();
      if (!LeftOutText(k3d).empty()) ReadyAfterK3d(path, k3d);
    }
    startupK3d_ = k3d;
  }
  if (!launch_.backgroundPath.empty()) {
    const std::string path = NormalizeSeparators(launch_.backgroundPath);
    const std::string beside = (TextureFolder() / path).string();
    if (FileExists(path))
      companions_->LoadBackgroundImage(*engine_, path);
    else if (FileExists(beside))
      companions_->LoadBackgroundImage(*engine_, beside);
  }
  if (!launch_.texturePath.empty() && FileExists(launch_.texturePath) && scene_->GetRoot())
    companions_->ReadTextureAssignment(*engine_, *scene_->GetRoot(), launch_.texturePath);

  RemoveInvalidFigures();
  RebuildAll();
  state_.currentFile = launch_.modelPath;
  RestoreEye();
}

void CStereonView::RestoreEye() {
  EyeSettings eye{state_.camera.eye, state_.camera.target, state_.zoom, state_.lightPosition};
  if (launch_.useEyeFile && LoadStartupEye(eye)) {
    state_.camera.eye = eye.eye;
    state_.camera.target = eye.target;
    state_.zoom = eye.zoomScale;
    state_.lightPosition = eye.light;
    // The file keeps the camera of whatever model was open last: the planes
    // must still hold this one.
    if (state_.displayFlags & frame::kParallel) KeepEyeOutsideModel(true);
    FitPlanes();
    return;
  }
  // The window may not have its size yet: fit again at the first paint.
  if (ResetEye()) fitAtFirstPaint_ = true;
}

void CStereonView::SaveEye() {
  if (!launch_.useEyeFile) return;
  SaveProjectEye(EyeSettings{state_.camera.eye, state_.camera.target, state_.zoom, state_.lightPosition});
}

// --- open -------------------------------------------------------------------

void CStereonView::OpenCommand() {
  if (!scene_ || !engine_) return;
  const CurrentFolderGuard folder;
  const FormatList formats = PluginFormats(*scene_, false);
  // First, and shown first, an entry of every format at once: the plan
  // folder shows all its models whatever they were written in.
  std::vector<std::string_view> patterns;
  for (const std::string& pattern : formats.patterns)
    if (!pattern.empty() && std::find(patterns.begin(), patterns.end(), pattern) == patterns.end())
      patterns.push_back(pattern);
  if (std::find(patterns.begin(), patterns.end(), kK3dPattern) == patterns.end()) patterns.push_back(kK3dPattern);
  std::string all;
  for (const std::string_view pattern : patterns) all += (all.empty() ? "" : ";") + std::string(pattern);
  int chosen = -1;
  const std::optional<std::string> path =
      ChooseModelFile(ui_, folder, false, text::kOpenCaption,
                      std::string(text::kAllModelsFilter) + " (" + all + ")|" + all + "|" + formats.filter +
                          text::kK3dFilterEntry + "|",
                      chosen);
  if (!path) return;
  // Entry 0 is every format: the file's own pattern decides, as it does
  // when the dialog cannot tell. The entry after the plug-ins' is ".k3d".
  const int format = chosen <= 0 ? FindImportFormat(*scene_, FilePattern(*path, kStartupDefaultPattern))
                                  : formats.FormatAt(chosen - 1);
  LoadWholeModel(*path, format, nullptr);
}

std::unique_ptr<CInkFile> CStereonView::LoadDropHost() const {
  // Each drop loads the plug-ins afresh, so one added since start-up reads
  // the file too; they are unloaded again when the drop is done.
  auto host = std::make_unique<CInkFile>();
  if (launch_.programFolder.empty())
    host->Load();
  else
    host->LoadFrom(launch_.programFolder);
  return host;
}

void CStereonView::LoadWholeModel(const std::string& path, int format, CInkFile* dropHost) {
  const bool fromDrop = dropHost != nullptr;
  // The old model's shadows must not fall on the new one.
  DropShadowVolumes();
  StopMeasureBuild();
  CameraToSettings();
  Status(text::kLoading);
  K3dViewState k3d;
  if (FilePattern(path, kStartupDefaultPattern) == kK3dPattern) {
    // Make sure the file can be read before the scene is emptied: a file
    // that cannot be opened leaves the model the user is looking at.
    std::FILE* file = OpenRegularFile(path);
    if (file == nullptr) {
      Status(text::kReady);
      ui_.ShowMessage(text::kOpenFailed, text::kOpenFailedCaption, MessageIcon::Warning);
      return;
    }
    scene_->NewScene();
    DiscardSceneReferences();
    if (CInkNode* root = scene_->GetRoot()) ReadK3dStream(*root, k3d, file);
    std::fclose(file);
    scene_->settings.farClip = k3d.farPlane > 0.0 ? k3d.farPlane : scene_->settings.farClip;
  } else {
    const int imported = dropHost ? scene_->ImportWith(*dropHost, format, path.c_str())
                                  : scene_->Import(format, path.c_str());
    if (!imported) {
      ReportImportFailure(path, dropHost ? dropHost->LastImportFailure() : scene_->LastImportFailure());
      ui_.ShowMessage(text::kOpenFailed, text::kOpenFailedCaption, MessageIcon::Warning);
      return;
    }
    DiscardSceneReferences();
  }
  if (CInkNode* root = scene_->GetRoot()) k3d.tangledFaces = CountTangledFaces(*root);
  ForgetCompanions();
  ReadCompanions(path);
  CameraFromSettings();
  state_.currentFile = path;
  launch_.modelPath = path;
  RecordModelTime();

  Status(text::kBuilding);
  DiscardSceneReferences();
  RemoveInvalidFigures();
  RebuildAll();
  ResetEye();
  if (!fromDrop) FitAll();
  ReadyAfterK3d(path, k3d);
  shell_->SetTitle(FileName(path) + text::kTitleSuffix);
  Redraw();
}

// --- drop -------------------------------------------------------------------

void CStereonView::OnDropFile(const std::string& path, int x, int y) {
  if (!scene_ || !engine_) return;
  ApplyEngineState();
  engine_->SetEyeTarget(state_.camera.eye, state_.camera.target);
  const int name = engine_->Pick(state_.displayFlags, x, y, 3);
  DropHighlight();
  if (CInkNode* node = handles_.Node(name)) {
    DropOntoNode(path, *node, x, y);
    return;
  }
  if (ui_.ShowMessage(text::kAskLoad, "", MessageIcon::Question, MessageButtons::OkCancel) != MessageAnswer::Ok)
    return;
  const std::unique_ptr<CInkFile> host = LoadDropHost();
  const std::string pattern = FilePattern(path, kDropDefaultPattern);
  const int format = FindImportFormat(*host, pattern);
  if (format < 0 && pattern != kK3dPattern) {
    ui_.ShowMessage(text::kUnknownFile, text::kNoticeCaption, MessageIcon::Warning);
    return;
  }
  LoadWholeModel(path, format, host.get());
}

void CStereonView::DropOntoNode(const std::string& path, CInkNode& node, int x, int y) {
  StopMeasureBuild();
  // The pick ray in the node's own coordinates.
  const GMSegment ray = engine_->ScreenToRay(state_.displayFlags, x, y, ClientWidth(), ClientHeight());
  GMMatrix inverse;
  node.GetInverseWorldMatrix(inverse);
  GMVector start = ray.start;
  GMVector end = ray.end;
  GMTransformPoint(start, inverse);
  GMTransformPoint(end, inverse);
  const GMVector direction{end.x - start.x, end.y - start.y, end.z - start.z};
  GMVector hit;
  if (node.PickFigure(start, direction, hit, GM_TOLERANCE) == nullptr) return;

  const std::unique_ptr<CInkFile> host = LoadDropHost();
  const int format = FindImportFormat(*host, FilePattern(path, kDropDefaultPattern));
  if (format < 0) {
    ui_.ShowMessage(text::kUnknownFile, text::kNoticeCaption, MessageIcon::Warning);
    return;
  }
  CameraToSettings();
  CInkNode* added = host->Import(format, path.c_str(), &scene_->settings);
  if (added == nullptr) {
    ReportImportFailure(path, host->LastImportFailure());
    ui_.ShowMessage(text::kNodeImportFailed, text::kNoticeCaption, MessageIcon::Warning);
    return;
  }
  added->SetName(Utf8ToCp932(FileName(path)));
  added->GetAttributeRecord()->origin = hit;
  node.AddChild(added);
  if (COGLDispTree* parentTree = handles_.Tree(node); parentTree != nullptr && engine_->MakeCurrent())
    BuildTree(*parentTree, *added);
  RebuildNode(node);
  Redraw();
}

// --- reload -----------------------------------------------------------------

void CStereonView::Reload() {
  if (!scene_ || !engine_ || !launch_.reload || launch_.modelPath.empty()) return;
  const std::string path = launch_.modelPath;
  // ".k3d" is read by the viewer itself, as it is opened; other models go
  // through the file plug-ins.
  const bool k3d = FilePattern(path, kStartupDefaultPattern) == kK3dPattern;
  const int format = k3d ? -1 : FindImportFormat(*scene_, FilePattern(path, kStartupDefaultPattern));
  if (!k3d && format < 0) return;
  StopMeasureBuild();
  ui_.SetWaitCursor(true);
  Status(text::kReloading);
  // The reloaded model may have moved: the old volumes would cast from where
  // it was.
  DropShadowVolumes();
  // The importer sees the camera as it is; the camera stays, but the far
  // plane the load produces is taken, as at every load.
  CameraToSettings();
  std::optional<std::string> failure;
  K3dViewState view;
  std::FILE* file = k3d && FileExists(path) ? OpenRegularFile(path) : nullptr;
  if (file != nullptr) {
    scene_->NewScene();
    DiscardSceneReferences();
    if (CInkNode* root = scene_->GetRoot()) ReadK3dStream(*root, view, file);
    std::fclose(file);
    scene_->settings.farClip = view.farPlane > 0.0 ? view.farPlane : scene_->settings.farClip;
    state_.camera.farPlane = scene_->settings.farClip;
    ReadCompanions(path);
    RecordModelTime();
  } else if (!k3d && FileExists(path)) {
    if (scene_->Import(format, path.c_str())) {
      DiscardSceneReferences();
      state_.camera.farPlane = scene_->settings.farClip;
      ReadCompanions(path);
      RecordModelTime();
    } else {
      // The model on screen stays; the status bar says why the new one did not come.
      failure = scene_->LastImportFailure();
    }
  }
  // Counted on the model as it now is: after a failed import that is still
  // the old one, whose faces the status bar then need not repeat.
  if (!failure && scene_->GetRoot()) view.tangledFaces = CountTangledFaces(*scene_->GetRoot());
  if (!launch_.texturePath.empty() && FileExists(launch_.texturePath) && scene_->GetRoot())
    companions_->ReadTextureAssignment(*engine_, *scene_->GetRoot(), launch_.texturePath);
  Status(text::kRedrawing);
  RemoveInvalidFigures();
  RebuildAll();
  // The camera stays; the planes follow the model as it now is.
  FitPlanes();
  Redraw();
  state_.currentFile = path;
  if (failure)
    ReportImportFailure(path, *failure);
  else
    ReadyAfterK3d(path, view);
  ui_.SetWaitCursor(false);
}

void CStereonView::ReportImportFailure(const std::string& path, const std::string& reason) {
  const std::string line = reason.empty() ? std::string(text::kOpenFailed) : std::string(text::kOpenFailed) + " " + reason;
  Status(line);
  if (engine_) engine_->Log("%s: %s\n", path.c_str(), Utf8ToCp932(line).c_str());
}

void CStereonView::ReadyAfterK3d(const std::string& path, const K3dViewState& k3d) {
  const std::string left = LeftOutText(k3d);
  if (left.empty()) {
    Status(text::kReady);
    return;
  }
  Status(left);
  if (engine_) engine_->Log("%s: %s\n", path.c_str(), Utf8ToCp932(left).c_str());
}

void CStereonView::OnFocusGained() {
  if (!launch_.reload || launch_.modelPath.empty()) return;
  std::error_code error;
  const auto time = std::filesystem::last_write_time(launch_.modelPath, error);
  if (error || (launch_.modelTime && *launch_.modelTime == time)) return;
  Reload();
}

// --- save -------------------------------------------------------------------

void CStereonView::SaveCommand() {
  if (!scene_) return;
  const std::string& current = state_.currentFile;
  if (!current.empty() && FilePattern(current, "") == kInkPattern) {
    if (const int format = FindExportFormat(*scene_, kInkPattern); format >= 0) {
      ExportScene(format, current);
      SaveEye();
      return;
    }
  }
  SaveAsCommand();
}

bool CStereonView::ExportScene(int format, const std::string& path) {
  // The file keeps the camera the user looks through.
  CameraToSettings();
  std::memset(scene_->settings.reserved, 0, sizeof scene_->settings.reserved);
  // The user must learn when the work was not saved.
  if (format >= 0 && scene_->Export(format, path.c_str())) return true;
  ui_.ShowMessage(text::kSaveFailed, text::kSaveFailedCaption, MessageIcon::Warning);
  return false;
}

void CStereonView::SaveAsCommand() {
  if (!scene_) return;
  const CurrentFolderGuard folder;
  const FormatList formats = PluginFormats(*scene_, true);
  int chosen = -1;
  const std::optional<std::string> path =
      ChooseModelFile(ui_, folder, true, text::kSaveAsCaption, formats.filter + "|", chosen);
  if (!path) return;
  // A dialog that cannot tell the entry leaves the file's pattern to decide.
  int format = formats.FormatAt(chosen);
  if (format < 0) format = FindExportFormat(*scene_, FilePattern(*path, kInkPattern));
  if (ExportScene(format, *path)) state_.currentFile = *path;
}

}  // namespace korvex
