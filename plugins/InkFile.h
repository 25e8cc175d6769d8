// The file plug-in host: finds the libraries in "FilePlugin" beside the
// program, resolves their nine entry points and calls them for the scene root
// and for dropped files.
//
// A plug-in is known by its index in discovery order, whether or not it
// loaded: an entry that failed keeps null entry points and answers 0 or null
// to everything. A library that does not export the viewer's plug-in ABI
// version counts as one that failed to load: it was built against other
// layouts of the scene classes and must never be handed a tree.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/SceneHosts.h"
#include "model/SceneSettings.h"
#include "plugins/plugin_folder.h"
#include "plugins/sdk/KorvexPlugin.h"

class CInkNode;

class CInkFile : public SceneFileHost {
 public:
  CInkFile();
  CInkFile(const CInkFile&) = delete;
  CInkFile& operator=(const CInkFile&) = delete;

  // Calls Free of every plug-in whose Create accepted, then unloads them, in
  // table order.
  ~CInkFile() override;
  // Discovers and loads the plug-ins beside the program.
  virtual void Load();
  virtual int GetComment(int index, char* buffer, int size);
  int CheckImport(int index) override;
  int CheckExport(int index) override;
  // The file-dialog filter text "description|*.ext|"; an empty text and 0
  // when the plug-in has none.
  int GetImportableFormat(int index, char* buffer, int size) override;
  int GetExportableFormat(int index, char* buffer, int size) override;
  // A new tree owned by the caller, or null; an empty path is refused
  // without calling the plug-in. While import isolation is on (the default,
  // IsolatedImport.h) the plug-in reads the file in the helper process,
  // unless its ImportInViewer takes the file first.
  CInkNode* Import(int index, const char* path, InkSceneSettings* settings) override;
  int Export(int index, const char* path, CInkNode* root, InkSceneSettings settings) override;
  int GetCount() const override;

  // Load, with the plug-ins taken from programFolder/FilePlugin.
  void LoadFrom(const std::filesystem::path& programFolder);

  // Why the last Import gave null, in the user's words (UTF-8); empty when it
  // succeeded or the plug-in simply had nothing to give.
  std::string LastImportFailure() const override { return lastFailure_; }

 private:
  struct Entry {
    int32_t reserved[3] = {};
    korvex::PluginLibrary module;
    std::filesystem::path file;  // the library, for the import helper
    InkPluginCreateFn create = nullptr;
    InkPluginFreeFn free = nullptr;
    InkPluginTextFn getComment = nullptr;
    InkPluginCheckFn checkImport = nullptr;
    InkPluginCheckFn checkExport = nullptr;
    InkPluginTextFn getImportableFormat = nullptr;
    InkPluginTextFn getExportableFormat = nullptr;
    InkPluginImportFn import = nullptr;
    InkPluginImportFn importInViewer = nullptr;
    InkPluginExportFn exportScene = nullptr;
  };

  // The entry at index, or null for an index outside the table.
  Entry* At(int index);

  std::vector<Entry> table_;
  std::string lastFailure_;
};
