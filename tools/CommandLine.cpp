#include "tools/CommandLine.h"

#include <iostream>
#include <string>

#include "plugins/ScenePlugins.h"

namespace korvex::cli {

int Usage(std::string_view usage, std::string_view problem) {
  std::cerr << "korvex-cli: " << problem << "\n" << usage;
  return kExitUsage;
}

bool OptionReader::Next() {
  if (started_) ++i_;
  started_ = true;
  if (dashDash_ && !ended_ && i_ < args_.size() && args_[i_] == "--") {
    ended_ = true;
    ++i_;
  }
  return i_ < args_.size();
}

CommandModel::CommandModel() {
  InitializeWithPlugins(scene);  // plug-ins from "FilePlugin" and "ExtPlugin" beside the program
}

bool CommandModel::Load(std::string_view path) {
  const ModelLoadResult result = LoadModel(scene, path, view);
  if (result != ModelLoadResult::kLoaded) {
    std::cerr << "korvex-cli: cannot read " << path << ": " << LoadFailureText(result, scene) << "\n";
    return false;
  }
  for (const std::string& left : LoadWarningTexts(view))
    std::cerr << "korvex-cli: " << path << ": " << left << "\n";
  return true;
}

}  // namespace korvex::cli
