#include "plugins/InkExtPlugin.h"

#include "common/file_util.h"

CInkExtPlugin::CInkExtPlugin() = default;

CInkExtPlugin::~CInkExtPlugin() {
  for (Entry& entry : table_) entry.module.Unload();
}

void CInkExtPlugin::Load() { LoadFrom(korvex::ProgramFolder()); }

void CInkExtPlugin::LoadFrom(const std::filesystem::path& programFolder) {
  const auto files = korvex::ListPluginLibraries(programFolder, "ExtPlugin");
  table_.clear();
  table_.resize(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    table_[i].module = korvex::PluginLibrary(files[i]);
    table_[i].deleteRootNode =
        reinterpret_cast<InkPluginDeleteRootFn>(table_[i].module.Symbol("DeleteRootNode"));
  }
}

void CInkExtPlugin::NotifyDeleteRoot(CInkNode* root) {
  for (Entry& entry : table_) {
    if (!entry.deleteRootNode) continue;
    // The scene goes whatever the plug-in says: this runs while the scene
    // root is destroyed, where an escaping exception would end the viewer.
    try {
      entry.deleteRootNode(root);
    } catch (...) {
    }
  }
}

int CInkExtPlugin::GetCount() const { return static_cast<int>(table_.size()); }
