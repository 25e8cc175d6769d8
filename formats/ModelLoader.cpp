#include "formats/ModelLoader.h"

#include "common/file_util.h"
#include "model/InkSolid.h"

namespace korvex {

namespace {
// Buffer the view hands to the plug-ins for a filter text.
constexpr int kFilterBuffer = static_cast<int>(kMaxPath);
}  // namespace

std::string FilePattern(std::string_view path, std::string_view defaultPattern) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::string(defaultPattern);
  std::string pattern = "*";
  for (const char c : name.substr(dot)) pattern += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return pattern;
}

std::string_view FilterPattern(std::string_view filter) {
  const std::size_t first = filter.find('|');
  if (first == std::string_view::npos) return {};
  const std::string_view rest = filter.substr(first + 1);
  return rest.substr(0, rest.find('|'));
}

int FindImportFormat(CInkSolid& scene, std::string_view pattern) {
  const int count = scene.GetFormatCount();
  for (int i = 0; i < count; ++i) {
    if (!scene.CanImport(i)) continue;
    char filter[kFilterBuffer] = {};
    scene.GetImportFormat(i, filter, kFilterBuffer);
    if (FilterPattern(std::string_view(filter)) == pattern) return i;
  }
  return -1;
}

ModelLoadResult LoadModel(CInkSolid& scene, std::string_view path, K3dViewState& view,
                          std::string_view defaultPattern) {
  const std::string pattern = FilePattern(path, defaultPattern);
  const std::string file(path);
  if (pattern == kK3dPattern) {
    if (!FileExists(file)) return ModelLoadResult::kMissing;
    scene.NewScene();
    if (!scene.GetRoot()) return ModelLoadResult::kFailed;
    return ReadK3dFile(*scene.GetRoot(), view, file.c_str()) == 0 ? ModelLoadResult::kLoaded
                                                                  : ModelLoadResult::kFailed;
  }
  const int format = FindImportFormat(scene, pattern);
  if (format < 0) return ModelLoadResult::kNoReader;
  if (!FileExists(file)) return ModelLoadResult::kMissing;
  return scene.Import(format, file.c_str()) ? ModelLoadResult::kLoaded : ModelLoadResult::kFailed;
}

}  // namespace korvex
