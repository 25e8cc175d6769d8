#include "plugins/ScenePlugins.h"
#include "tools/ConvertCommand.h"

#include <cstring>
#include <iostream>
#include <string>

#include "common/atomic_file.h"
#include "common/file_util.h"
#include "formats/ModelLoader.h"
#include "model/InkSolid.h"

namespace korvex::cli {

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// A file name without an extension is saved as the viewer's own format.
constexpr std::string_view kSaveDefaultPattern = "*.ink";

int Fail(std::string_view what, std::string_view path, std::string_view reason) {
  std::cerr << "korvex-cli: cannot " << what << " " << path << ": " << reason << "\n";
  return kExitFailed;
}

}  // namespace

int RunConvert(const std::vector<std::string_view>& args) {
  std::vector<std::string_view> paths;
  bool optionsEnded = false;
  for (const std::string_view arg : args) {
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
      std::cerr << "korvex-cli: unknown option " << arg << "\n" << kConvertUsage;
      return kExitUsage;
    } else {
      paths.push_back(arg);
    }
  }
  if (paths.size() != 2) {
    std::cerr << "korvex-cli: convert takes IN and OUT\n" << kConvertUsage;
    return kExitUsage;
  }
  const std::string_view in = paths[0];
  const std::string out(paths[1]);

  if (PathTooLong(out)) return Fail("write", out, "path too long");

  CInkSolid scene;
  korvex::InitializeWithPlugins(scene);  // plug-ins from "FilePlugin" beside the program
  const int format = FindExportFormat(scene, FilePattern(out, kSaveDefaultPattern));
  if (format < 0) return Fail("write", out, "no plug-in writes this kind of file");

  K3dViewState view;
  const ModelLoadResult result = LoadModel(scene, in, view);
  if (result != ModelLoadResult::kLoaded) return Fail("read", in, LoadFailureText(result, scene));
  // A building left out is said, but the rest of the site is still worth converting.
  if (const std::string left = LoadWarningText(view); !left.empty()) std::cerr << "korvex-cli: " << in << ": " << left << "\n";
  // As the viewer does: the scene exchange reader's far plane goes into the
  // block, the unit factor is 1 and the plug-ins' reserved area starts empty.
  if (FilePattern(in, kStartupDefaultPattern) == kK3dPattern) scene.settings.farClip = view.farPlane;
  scene.settings.unitFactor = 1.0;
  std::memset(scene.settings.reserved, 0, sizeof scene.settings.reserved);
  if (scene.Export(format, out.c_str()) == 0) return Fail("write", out, "the plug-in could not write the file");
  return kExitWritten;
}

}  // namespace korvex::cli
