#include "model/InkSolid.h"

#include "model/InkNode.h"
#include "model/InkProperty.h"

CInkSolid::CInkSolid() = default;

CInkSolid::~CInkSolid() {
  if (root_) {
    if (extHost_) extHost_->NotifyDeleteRoot(root_.get());
    root_.reset();
  }
  fileHost_.reset();  // a plug-in host calls each plug-in's Free and unloads it
  extHost_.reset();
}

void CInkSolid::Initialize(std::unique_ptr<SceneFileHost> files, std::unique_ptr<SceneRootWatcher> watcher) {
  NewScene();
  fileHost_ = std::move(files);
  extHost_ = std::move(watcher);
}

void CInkSolid::NewScene() {
  if (root_) {
    if (extHost_) extHost_->NotifyDeleteRoot(root_.get());
    root_.reset();
  }
  root_ = std::make_unique<CInkNode>();
  root_->Create(nullptr);
}

CInkNode* CInkSolid::GetRoot() { return root_.get(); }

int CInkSolid::Import(int index, const char* path) { return fileHost_ ? ImportWith(*fileHost_, index, path) : 0; }

int CInkSolid::ImportWith(SceneFileHost& host, int index, const char* path) {
  // The plug-in built the tree with our classes; we own it from here on.
  std::unique_ptr<CInkNode> tree(host.Import(index, path, &settings));
  if (!tree) return 0;

  NewScene();
  // Only the imported top-level nodes (in their order) and the tree's
  // properties survive; its own placement, name and figures are dropped.
  const int n = tree->GetCount();
  for (int i = 0; i < n; ++i) {
    CInkNode* child = tree->DetachChild(0);
    if (child) root_->AddChild(child);
  }
  CInkProperty* from = tree->GetProperties();
  CInkProperty* to = root_->GetProperties();
  if (from && to) from->CopyTo(*to);
  return 1;
}

std::string CInkSolid::LastImportFailure() const { return fileHost_ ? fileHost_->LastImportFailure() : std::string(); }

int CInkSolid::Export(int index, const char* path) {
  if (!root_) return 1;
  if (!fileHost_) return 0;
  return fileHost_->Export(index, path, root_.get(), settings);
}

int CInkSolid::GetFormatCount() { return fileHost_ ? fileHost_->GetCount() : 0; }
int CInkSolid::CanImport(int index) { return fileHost_ ? fileHost_->CheckImport(index) : 0; }
int CInkSolid::CanExport(int index) { return fileHost_ ? fileHost_->CheckExport(index) : 0; }

int CInkSolid::GetImportFormat(int index, char* buffer, int size) {
  return fileHost_ ? fileHost_->GetImportableFormat(index, buffer, size) : 0;
}

int CInkSolid::GetExportFormat(int index, char* buffer, int size) {
  return fileHost_ ? fileHost_->GetExportableFormat(index, buffer, size) : 0;
}
