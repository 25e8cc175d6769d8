// The texture and billboard file commands: loading one texture, opening and
// saving texture assignment files, and opening billboard files.
#include <filesystem>

#include "common/file_util.h"
#include "common/user_interface.h"
#include "model/InkSolid.h"
#include "view/CompanionFiles.h"
#include "view/CurrentFolder.h"
#include "view/StereonView.h"
#include "view/ViewTexts.h"

namespace korvex {

std::filesystem::path CStereonView::TextureFolder() const {
  return CompanionFolder(launch_.programFolder, kTextureFolderName);
}

void CStereonView::LoadTextureCommand() {
  if (!engine_) return;
  const CurrentFolderGuard folder;
  if (state_.textureFolder.empty()) state_.textureFolder = TextureFolder().string();
  FileDialogRequest request;
  request.caption = text::kTextureLoadCaption;
  request.filter = text::kBitmapFilter;
  request.initialFolder = state_.textureFolder;
  const std::optional<std::string> path = ui_.ChooseFile(request);
  if (!path) return;
  if (engine_->AddTexture(path->c_str(), 0.0, 0.0) < 0)
    ui_.ShowMessage(text::kTextureLoadFailed, text::kErrorCaption, MessageIcon::Warning);
  // The next load starts where this picture was found.
  state_.textureFolder = std::filesystem::absolute(*path).parent_path().string();
}

void CStereonView::OpenTextureAssignmentCommand() {
  if (!engine_ || !scene_ || scene_->GetRoot() == nullptr) return;
  const CurrentFolderGuard folder;
  FileDialogRequest request;
  request.caption = text::kTxiOpenCaption;
  request.filter = text::kTxiFilter;
  request.initialFolder = folder.Folder().string();
  const std::optional<std::string> path = ui_.ChooseFile(request);
  if (!path) return;
  companions_->ReadTextureAssignment(*engine_, *scene_->GetRoot(), *path);
  launch_.texturePath = *path;
  RebuildAll();
  Redraw();
}

void CStereonView::SaveTextureAssignmentCommand() {
  if (!engine_ || !scene_ || scene_->GetRoot() == nullptr) return;
  const CurrentFolderGuard folder;
  FileDialogRequest request;
  request.save = true;
  request.caption = text::kTxiSaveCaption;
  request.filter = text::kTxiFilter;
  request.defaultExtension = "txi";
  request.initialFolder = folder.Folder().string();
  const std::optional<std::string> path = ui_.ChooseFile(request);
  if (!path) return;
  // The file becomes the texture assignment of the model only when it was
  // written in full; a failed write leaves the old file as it was.
  if (!WriteTextureAssignment(*engine_, *scene_->GetRoot(), *path, TextureFolder())) {
    ui_.ShowMessage(text::kTxiOpenFailed, text::kErrorCaption, MessageIcon::Warning);
    return;
  }
  launch_.texturePath = *path;
}

void CStereonView::OpenBillboardsCommand() {
  if (!engine_) return;
  const CurrentFolderGuard folder;
  FileDialogRequest request;
  request.caption = text::kBillboardCaption;
  request.filter = text::kBillboardFilter;
  request.initialFolder = folder.Folder().string();
  const std::optional<std::string> path = ui_.ChooseFile(request);
  if (!path) return;
  if (!companions_->ReadBillboards(*engine_, *path))
    ui_.ShowMessage(text::kBillboardLoadFailed, text::kErrorCaption, MessageIcon::Warning);
  Redraw();
}

}  // namespace korvex
