// A file plug-in for one everyday exchange format, read (and where Assimp
// can, written) through Assimp. The same source is built once per format;
// KORVEX_ASSIMP_FORMAT names the format's extension.
#include <cstdio>
#include <exception>
#include <string>

#include "plugins/assimp/AssimpScene.h"
#include "plugins/sdk/KorvexPlugin.h"

namespace {

const korvex::assimp::FormatInfo& Format() {
  static const korvex::assimp::FormatInfo* format = korvex::assimp::FindFormat(KORVEX_ASSIMP_FORMAT);
  return *format;
}

int CopyText(char* buffer, int size, const std::string& text) {
  if (!buffer || size <= 0) return 0;
  std::snprintf(buffer, static_cast<size_t>(size), "%s", text.c_str());
  return 1;
}

std::string Filter() {
  const auto& f = Format();
  return std::string(f.description) + "|*." + f.extension + "|";
}

// Runs one of the readers; the settings block is written only when the
// whole file converted, and nothing thrown crosses into the host.
template <typename Reader>
CInkNode* ImportWith(const char* path, InkSceneSettings* settings, Reader read) {
  if (!path || !settings) return nullptr;
  try {
    InkSceneSettings readSettings = *settings;
    auto tree = read(path, Format(), readSettings);
    if (tree) *settings = readSettings;
    return tree.release();
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace

KORVEX_PLUGIN_DEFINE_ABI_VERSION()

KORVEX_PLUGIN_EXPORT int Create() { return korvex::assimp::FindFormat(KORVEX_ASSIMP_FORMAT) ? 1 : 0; }
KORVEX_PLUGIN_EXPORT void Free() {}
KORVEX_PLUGIN_EXPORT int GetComment(char* buffer, int size) {
  return CopyText(buffer, size, std::string(Format().description) + " through Assimp");
}
KORVEX_PLUGIN_EXPORT int CheckImport() { return 1; }
KORVEX_PLUGIN_EXPORT int CheckExport() { return Format().exportId ? 1 : 0; }
KORVEX_PLUGIN_EXPORT int GetImportableFormat(char* buffer, int size) { return CopyText(buffer, size, Filter()); }
KORVEX_PLUGIN_EXPORT int GetExportableFormat(char* buffer, int size) {
  return Format().exportId ? CopyText(buffer, size, Filter()) : CopyText(buffer, size, "");
}

KORVEX_PLUGIN_EXPORT CInkNode* Import(const char* path, InkSceneSettings* settings) {
  return ImportWith(path, settings, korvex::assimp::ImportFile);
}

// Plain OBJ files are read by the project's own lean reader, which is
// fuzzed like every reader of ours and needs no helper process; anything
// else (and every other format) is declined here and goes through Assimp in
// the helper.
KORVEX_PLUGIN_EXPORT CInkNode* ImportInViewer(const char* path, InkSceneSettings* settings) {
  return ImportWith(path, settings, korvex::assimp::ImportPlainObj);
}

KORVEX_PLUGIN_EXPORT int Export(const char* path, CInkNode* root, InkSceneSettings) {
  if (!path || !root) return 0;
  try {
    return korvex::assimp::ExportFile(path, Format(), *root) ? 1 : 0;
  } catch (const std::exception&) {
    return 0;
  }
}
