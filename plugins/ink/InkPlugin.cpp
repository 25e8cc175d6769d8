// The ".ink" file plug-in: reads and writes Korvex's own scene file.
#include <cstdio>
#include <fstream>
#include <vector>

#include "common/atomic_file.h"
#include "plugins/ink/InkFormat.h"
#include "plugins/sdk/KorvexPlugin.h"

namespace {

// "Korvexファイル (*.ink)|*.ink|" in Shift-JIS, as every text the viewer shows.
constexpr char kFilter[] = "Korvex\x83\x74\x83\x40\x83\x43\x83\x8B (*.ink)|*.ink|";
constexpr char kComment[] = "Korvex scene file (.ink), lossless";

int CopyText(char* buffer, int size, const char* text) {
  if (!buffer || size <= 0) return 0;
  std::snprintf(buffer, static_cast<size_t>(size), "%s", text);
  return 1;
}

}  // namespace

KORVEX_PLUGIN_DEFINE_ABI_VERSION()

KORVEX_PLUGIN_EXPORT int Create() { return 1; }
KORVEX_PLUGIN_EXPORT void Free() {}
KORVEX_PLUGIN_EXPORT int GetComment(char* buffer, int size) { return CopyText(buffer, size, kComment); }
KORVEX_PLUGIN_EXPORT int CheckImport() { return 1; }
KORVEX_PLUGIN_EXPORT int CheckExport() { return 1; }
KORVEX_PLUGIN_EXPORT int GetImportableFormat(char* buffer, int size) { return CopyText(buffer, size, kFilter); }
KORVEX_PLUGIN_EXPORT int GetExportableFormat(char* buffer, int size) { return CopyText(buffer, size, kFilter); }

KORVEX_PLUGIN_EXPORT CInkNode* Import(const char* path, InkSceneSettings* settings) {
  if (!path || !settings) return nullptr;
  try {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return nullptr;
    const std::streamoff size = in.tellg();
    if (size < 0) return nullptr;
    std::vector<uint8_t> file(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(file.data()), size)) return nullptr;
    return korvex::ink::ReadScene(file, *settings).release();
  } catch (const std::exception&) {
    return nullptr;  // out of memory for a file this large
  }
}

KORVEX_PLUGIN_EXPORT int Export(const char* path, CInkNode* root, InkSceneSettings settings) {
  if (!path || !root) return 0;
  try {
    std::vector<uint8_t> file;
    if (!korvex::ink::WriteScene(*root, settings, file)) return 0;
    return korvex::ReplaceFileContents(path, file) ? 1 : 0;
  } catch (const std::exception&) {
    return 0;
  }
}
