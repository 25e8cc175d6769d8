#include "formats/ModelLoader.h"

#include "common/UiText.h"
#include "common/file_util.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "model/SceneHosts.h"
#include "model/TangledFaces.h"

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

namespace {

// The first index in 0..count-1 that can do the job and whose filter text
// names the pattern; -1 when none does.
template <typename Can, typename Filter>
int FindFormat(int count, std::string_view pattern, Can can, Filter filterOf) {
  for (int i = 0; i < count; ++i) {
    if (!can(i)) continue;
    char filter[kFilterBuffer] = {};
    filterOf(i, filter, kFilterBuffer);
    if (FilterPattern(std::string_view(filter)) == pattern) return i;
  }
  return -1;
}

}  // namespace

int FindImportFormat(CInkSolid& scene, std::string_view pattern) {
  return FindFormat(
      scene.GetFormatCount(), pattern, [&](int i) { return scene.CanImport(i); },
      [&](int i, char* text, int size) { scene.GetImportFormat(i, text, size); });
}

int FindImportFormat(SceneFileHost& host, std::string_view pattern) {
  return FindFormat(
      host.GetCount(), pattern, [&](int i) { return host.CheckImport(i); },
      [&](int i, char* text, int size) { host.GetImportableFormat(i, text, size); });
}

int FindExportFormat(CInkSolid& scene, std::string_view pattern) {
  return FindFormat(
      scene.GetFormatCount(), pattern, [&](int i) { return scene.CanExport(i); },
      [&](int i, char* text, int size) { scene.GetExportFormat(i, text, size); });
}

ModelLoadResult LoadModel(CInkSolid& scene, std::string_view path, K3dViewState& view,
                          std::string_view defaultPattern) {
  // A model's file name travels in fixed buffers (the formats, the host);
  // one that does not fit is named as such, not as a missing file.
  if (path.size() >= kMaxPath) return ModelLoadResult::kPathTooLong;
  const std::string pattern = FilePattern(path, defaultPattern);
  const std::string file(path);
  if (pattern == kK3dPattern) {
    if (!FileExists(file)) return ModelLoadResult::kMissing;
    scene.NewScene();
    if (!scene.GetRoot()) return ModelLoadResult::kFailed;
    if (ReadK3dFile(*scene.GetRoot(), view, file.c_str()) != 0) return ModelLoadResult::kFailed;
    view.tangledFaces = CountTangledFaces(*scene.GetRoot());
    return ModelLoadResult::kLoaded;
  }
  const int format = FindImportFormat(scene, pattern);
  if (format < 0) return ModelLoadResult::kNoReader;
  if (!FileExists(file)) return ModelLoadResult::kMissing;
  if (!scene.Import(format, file.c_str())) return ModelLoadResult::kFailed;
  if (CInkNode* root = scene.GetRoot()) view.tangledFaces = CountTangledFaces(*root);
  return ModelLoadResult::kLoaded;
}

std::string LoadFailureText(ModelLoadResult result, const CInkSolid& scene) {
  switch (result) {
    case ModelLoadResult::kNoReader: return "no reader for this kind of file";
    case ModelLoadResult::kMissing: return "no such file";
    case ModelLoadResult::kPathTooLong: return "path too long";
    case ModelLoadResult::kFailed: {
      const std::string why = scene.LastImportFailure();
      return why.empty() ? "the file could not be read" : "the file could not be read: " + why;
    }
    default: return "";
  }
}

std::vector<std::string> LoadWarningTexts(const K3dViewState& view) {
  std::vector<std::string> texts = LeftOutTexts(view);
  for (std::string& text : texts) text = EnglishText(text);
  return texts;
}

}  // namespace korvex
