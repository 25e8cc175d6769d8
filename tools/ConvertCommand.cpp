#include "tools/ConvertCommand.h"

#include <cstring>
#include <iostream>
#include <string>

#include "common/atomic_file.h"
#include "common/file_util.h"
#include "formats/ModelLoader.h"
#include "model/InkSolid.h"
#include "tools/CommandLine.h"

namespace korvex::cli {

namespace {

// A file name without an extension is saved as the viewer's own format.
constexpr std::string_view kSaveDefaultPattern = "*.ink";

int Fail(std::string_view what, std::string_view path, std::string_view reason) {
  std::cerr << "korvex-cli: cannot " << what << " " << path << ": " << reason << "\n";
  return kExitFailed;
}

}  // namespace

int RunConvert(const std::vector<std::string_view>& args) {
  std::vector<std::string_view> paths;
  for (OptionReader in(args); in.Next();) {
    if (in.IsOption()) return Usage(kConvertUsage, "unknown option " + std::string(in.Arg()));
    paths.push_back(in.Arg());
  }
  if (paths.size() != 2) return Usage(kConvertUsage, "convert takes IN and OUT");
  const std::string_view in = paths[0];
  const std::string out(paths[1]);

  if (PathTooLong(out)) return Fail("write", out, "path too long");

  CommandModel model;
  const int format = FindExportFormat(model.scene, FilePattern(out, kSaveDefaultPattern));
  if (format < 0) return Fail("write", out, "no plug-in writes this kind of file");

  // A building left out is said, but the rest of the site is still worth converting.
  if (!model.Load(in)) return kExitFailed;
  CInkSolid& scene = model.scene;
  // As the viewer does: the scene exchange reader's far plane goes into the
  // block, the unit factor is 1 and the plug-ins' reserved area starts empty.
  if (FilePattern(in, kStartupDefaultPattern) == kK3dPattern) scene.settings.farClip = model.view.farPlane;
  scene.settings.unitFactor = 1.0;
  std::memset(scene.settings.reserved, 0, sizeof scene.settings.reserved);
  if (scene.Export(format, out.c_str()) == 0) return Fail("write", out, "the plug-in could not write the file");
  return kExitDone;
}

}  // namespace korvex::cli
