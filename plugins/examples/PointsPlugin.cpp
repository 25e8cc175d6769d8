// A minimal file plug-in: reads "*.xyz" point lists, one "x y z" per line,
// into one node holding a point figure per line. It shows the whole contract
// and nothing more; docs/plugins.md walks through it.
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "plugins/sdk/KorvexPlugin.h"

KORVEX_PLUGIN_DEFINE_ABI_VERSION()

namespace {
int CopyText(char* buffer, int size, const char* text) {
  if (!buffer || size <= 0) return 0;
  std::snprintf(buffer, static_cast<size_t>(size), "%s", text);
  return 1;
}
}  // namespace

KORVEX_PLUGIN_EXPORT int Create() { return 1; }
KORVEX_PLUGIN_EXPORT void Free() {}
KORVEX_PLUGIN_EXPORT int GetComment(char* buffer, int size) { return CopyText(buffer, size, "XYZ point lists"); }
KORVEX_PLUGIN_EXPORT int CheckImport() { return 1; }
KORVEX_PLUGIN_EXPORT int CheckExport() { return 0; }
KORVEX_PLUGIN_EXPORT int GetImportableFormat(char* buffer, int size) {
  return CopyText(buffer, size, "XYZ points (*.xyz)|*.xyz|");
}
KORVEX_PLUGIN_EXPORT int GetExportableFormat(char* buffer, int size) { return CopyText(buffer, size, ""); }

KORVEX_PLUGIN_EXPORT CInkNode* Import(const char* path, InkSceneSettings*) {
  std::ifstream in(path);
  if (!in) return nullptr;
  // The returned tree is a holder: the viewer keeps its children and its
  // properties and deletes the rest.
  auto tree = std::make_unique<CInkNode>();
  tree->Create(nullptr);
  auto points = std::make_unique<CInkNode>();
  points->Create(nullptr);
  points->SetName("points");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    InkVertex vertex;
    if (!(fields >> vertex.position.x >> vertex.position.y >> vertex.position.z)) continue;
    InkPointRecord point{&vertex};  // the node keeps a copy
    points->AddPointFigure(&point, 0);
  }
  if (points->GetFigureCount() == 0) return nullptr;
  tree->AddChild(points.release());
  return tree.release();
}
