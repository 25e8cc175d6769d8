// The plug-in hosts as the scene root sees them. The root reads and writes
// every format but the scene exchange file through a file host, and tells an
// extension host before a tree goes away; plugins/ implements both over the
// libraries it loads, so the scene model itself knows no plug-in code.
#pragma once

#include <string>

#include "model/SceneSettings.h"

class CInkNode;

class SceneFileHost {
 public:
  virtual ~SceneFileHost() = default;
  virtual int GetCount() const = 0;
  virtual int CheckImport(int index) = 0;
  virtual int CheckExport(int index) = 0;
  // The file-dialog filter text "description|*.ext|"; an empty text and 0
  // when the format has none.
  virtual int GetImportableFormat(int index, char* buffer, int size) = 0;
  virtual int GetExportableFormat(int index, char* buffer, int size) = 0;
  // A new tree owned by the caller, or null.
  virtual CInkNode* Import(int index, const char* path, InkSceneSettings* settings) = 0;
  virtual int Export(int index, const char* path, CInkNode* root, InkSceneSettings settings) = 0;
  // Why the last Import gave null, in the user's words (UTF-8), or empty.
  virtual std::string LastImportFailure() const = 0;
};

class SceneRootWatcher {
 public:
  virtual ~SceneRootWatcher() = default;
  // The tree under root is still whole and goes away right after.
  virtual void NotifyDeleteRoot(CInkNode* root) = 0;
};
