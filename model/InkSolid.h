// The scene root: the one object that holds a loaded scene.
//
// It owns the root node of the scene tree, the file plug-in host through
// which every format but the scene exchange file is read and written, the
// extension plug-in host, and the scene settings block that carries the
// camera and light between the viewer and the plug-ins.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "model/SceneSettings.h"

class CInkNode;
class CInkFile;
class CInkExtPlugin;

class CInkSolid {
 public:
  CInkSolid();
  CInkSolid(const CInkSolid&) = delete;
  CInkSolid& operator=(const CInkSolid&) = delete;

  // Tells the extension plug-ins, deletes the tree, then the hosts.
  virtual ~CInkSolid();
  // Makes the first (unannounced) root, then loads the file and extension
  // plug-ins beside the program. Called once, before anything else.
  virtual void Initialize();
  // Replaces the tree by a fresh empty root, telling the extension plug-ins
  // about the old one before it is deleted.
  virtual void NewScene();
  virtual CInkNode* GetRoot();
  // Reads a file through plug-in index. The old scene is replaced only once
  // the plug-in has returned a tree: a failure leaves it as it was. 1 or 0.
  virtual int Import(int index, const char* path);
  // Writes the scene through plug-in index, handing it a copy of the block.
  virtual int Export(int index, const char* path);
  virtual int GetFormatCount();
  virtual int CanImport(int index);
  virtual int CanExport(int index);
  virtual int GetImportFormat(int index, char* buffer, int size);
  virtual int GetExportFormat(int index, char* buffer, int size);

  // Import through another file plug-in host than the scene's own, such as
  // the short-lived host of a dropped file.
  int ImportWith(CInkFile& host, int index, const char* path);

  // Initialize, with the plug-in folders taken from programFolder.
  void InitializeFrom(const std::filesystem::path& programFolder);
  // Why the last Import failed, in the user's words (UTF-8), or empty.
  std::string LastImportFailure() const;

  // The view copies its camera in before and out after every file operation.
  InkSceneSettings settings;

 private:
  std::unique_ptr<CInkNode> root_;
  std::unique_ptr<CInkFile> fileHost_;
  std::unique_ptr<CInkExtPlugin> extHost_;
};
