// The extension plug-in host: libraries in "ExtPlugin" beside the program,
// loaded for the life of the scene root. The viewer's only call into them is
// "DeleteRootNode", made while a scene tree is still intact and just before
// it is destroyed, so that a plug-in can drop what it holds about that tree.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "model/SceneHosts.h"
#include "plugins/plugin_folder.h"
#include "plugins/sdk/KorvexPlugin.h"

class CInkNode;

class CInkExtPlugin : public SceneRootWatcher {
 public:
  CInkExtPlugin();
  CInkExtPlugin(const CInkExtPlugin&) = delete;
  CInkExtPlugin& operator=(const CInkExtPlugin&) = delete;

  // Unloads every library in table order, without calling into them.
  ~CInkExtPlugin() override;
  virtual void Load();
  // Tells every plug-in, in table order, that the tree under root goes away.
  void NotifyDeleteRoot(CInkNode* root) override;
  virtual int GetCount() const;

  // Load, with the plug-ins taken from programFolder/ExtPlugin.
  void LoadFrom(const std::filesystem::path& programFolder);

 private:
  struct Entry {
    int32_t reserved[3] = {};
    korvex::PluginLibrary module;
    InkPluginDeleteRootFn deleteRootNode = nullptr;
  };
  std::vector<Entry> table_;
};
