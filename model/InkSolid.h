// The scene root: the one object that holds a loaded scene.
//
// It owns the root node of the scene tree, the file host through which every
// format but the scene exchange file is read and written, the extension host
// told before a tree goes away (both plug-in hosts, handed in by
// korvex::InitializeWithPlugins of plugins/ScenePlugins.h), and the scene
// settings block that carries the camera and light between the viewer and
// the plug-ins.
#pragma once

#include <memory>
#include <string>

#include "model/SceneHosts.h"
#include "model/SceneSettings.h"

class CInkNode;

class CInkSolid {
 public:
  CInkSolid();
  CInkSolid(const CInkSolid&) = delete;
  CInkSolid& operator=(const CInkSolid&) = delete;

  // Tells the extension plug-ins, deletes the tree, then the hosts.
  virtual ~CInkSolid();
  // Makes the first (unannounced) root, then takes the hosts; either may be
  // null (no formats, nobody to tell). Called once, before anything else.
  void Initialize(std::unique_ptr<SceneFileHost> files, std::unique_ptr<SceneRootWatcher> watcher);
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

  // Import through another file host than the scene's own, such as the
  // short-lived host of a dropped file.
  int ImportWith(SceneFileHost& host, int index, const char* path);

  // Why the last Import failed, in the user's words (UTF-8), or empty.
  std::string LastImportFailure() const;

  // The view copies its camera in before and out after every file operation.
  InkSceneSettings settings;

 private:
  std::unique_ptr<CInkNode> root_;
  std::unique_ptr<SceneFileHost> fileHost_;
  std::unique_ptr<SceneRootWatcher> extHost_;
};
