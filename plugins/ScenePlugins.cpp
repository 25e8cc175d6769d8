#include "plugins/ScenePlugins.h"

#include <memory>

#include "common/file_util.h"
#include "model/InkSolid.h"
#include "model/OctTree.h"
#include "plugins/InkExtPlugin.h"
#include "plugins/InkFile.h"

namespace korvex {

void InitializeWithPlugins(CInkSolid& scene) { InitializeWithPlugins(scene, ProgramFolder()); }

void InitializeWithPlugins(CInkSolid& scene, const std::filesystem::path& programFolder) {
  auto files = std::make_unique<CInkFile>();
  files->LoadFrom(programFolder);
  auto watcher = std::make_unique<CInkExtPlugin>();
  watcher->LoadFrom(programFolder);
  scene.Initialize(std::move(files), std::move(watcher));
}

int DumpOctTreeToFile(COctTreeBoxel& tree, const char* path, const std::filesystem::path& programFolder) {
  CInkSolid scene;
  InitializeWithPlugins(scene, programFolder);
  tree.AddDumpNodes(*scene.GetRoot());
  return scene.Export(0, path);
}

int DumpOctTreeToFile(COctTreeBoxel& tree, const char* path) {
  return DumpOctTreeToFile(tree, path, ProgramFolder());
}

}  // namespace korvex
