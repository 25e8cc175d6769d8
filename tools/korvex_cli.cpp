// korvex-cli: the viewer's scene model for scripts, tests and batch work.
//
//   korvex-cli dump [--json] [--geometry] MODEL
//   korvex-cli --help | help [COMMAND] | COMMAND --help | --version
//   korvex-cli render MODEL -o OUT.jpg|OUT.bmp [options]  (tools/RenderCommand.h)
//   korvex-cli convert IN OUT  (tools/ConvertCommand.h)
//   korvex-cli sun ... / sunstudy MODEL -o DIR ...  (tools/SunCommand.h)
//   korvex-cli shadowhours MODEL -o DIR ... / shadowhours-merge  (tools/ShadowHoursCommand.h)
//   korvex-cli measure MODEL --points ... / --face-at ...  (tools/MeasureCommand.h)
//
// Loads MODEL as the viewer loads the model of its command line and prints
// the scene tree. Exit status: 0 loaded, 1 the model could not be read (one
// line on standard error), 2 a wrong command line. Help asked for goes to
// standard output with status 0; help after a mistake to standard error.
//
// This command line has its own parser: the viewer's switches are matched by
// substring, which would misread the paths of a script.
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/Translations.h"
#include "common/UiText.h"
#include "common/Version.h"
#include "common/file_util.h"
#include "plugins/IsolatedImport.h"
#include "tools/CommandLine.h"
#include "tools/ConvertCommand.h"
#include "tools/MeasureCommand.h"
#include "tools/RenderCommand.h"
#include "tools/SceneDump.h"
#include "tools/ShadowHoursCommand.h"
#include "tools/SunCommand.h"

namespace {

using korvex::cli::kExitDone;
using korvex::cli::kExitFailed;
using korvex::cli::kExitUsage;
using korvex::cli::Usage;

constexpr const char* kUsage =
    "usage: korvex-cli dump [--json] [--geometry] MODEL\n"
    "  Loads MODEL (a .k3d scene exchange file, or any format of a file plug-in\n"
    "  in FilePlugin beside the program) and prints its scene tree.\n"
    "  --json      one JSON document instead of the indented text\n"
    "  --geometry  also every figure's points, face loops and edges\n";

int Dump(const std::vector<std::string_view>& args) {
  korvex::cli::DumpOptions options;
  bool json = false;
  std::vector<std::string_view> models;
  for (korvex::cli::OptionReader in(args); in.Next();) {
    if (in.Is("--json")) {
      json = true;
    } else if (in.Is("--geometry")) {
      options.geometry = true;
    } else if (in.IsOption()) {
      return Usage(kUsage, "unknown option " + std::string(in.Arg()));
    } else {
      models.push_back(in.Arg());
    }
  }
  if (models.size() != 1)
    return Usage(kUsage, models.empty() ? "dump needs a MODEL" : "dump takes one MODEL");
  const std::string_view model = models.front();

  korvex::cli::CommandModel loaded;
  if (!loaded.Load(model)) return kExitFailed;
  CInkNode* root = loaded.scene.GetRoot();
  if (!root) {
    std::cerr << "korvex-cli: cannot read " << model << ": the scene is empty\n";
    return kExitFailed;
  }
  if (json) {
    // Names that are not valid text after conversion are written with
    // replacement characters rather than failing the whole document.
    std::cout << korvex::cli::SceneJson(model, *root, options)
                     .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << "\n";
  } else {
    korvex::cli::WriteSceneText(std::cout, model, *root, options);
  }
  std::cout.flush();
  return std::cout ? kExitDone : kExitFailed;
}

// Every command with its usage text, in the order the overview lists them.
struct Command {
  std::string_view name;
  const char* usage;
  int (*run)(const std::vector<std::string_view>&);
};

const Command kCommands[] = {
    {"dump", kUsage, Dump},
    {"render", korvex::cli::kRenderUsage, korvex::cli::RunRender},
    {"convert", korvex::cli::kConvertUsage, korvex::cli::RunConvert},
    {"sun", korvex::cli::kSunUsage, korvex::cli::RunSun},
    {"sunstudy", korvex::cli::kSunStudyUsage, korvex::cli::RunSunStudy},
    {"shadowhours", korvex::cli::kShadowHoursUsage, korvex::cli::RunShadowHours},
    {"shadowhours-merge", korvex::cli::kShadowHoursMergeUsage, korvex::cli::RunShadowHoursMerge},
    {"measure", korvex::cli::kMeasureUsage, korvex::cli::RunMeasure},
};

const Command* FindCommand(std::string_view name) {
  for (const Command& command : kCommands)
    if (command.name == name) return &command;
  return nullptr;
}

bool IsHelp(std::string_view arg) { return arg == "--help" || arg == "-h"; }

void WriteOverview(std::ostream& out) {
  out << "korvex-cli " << korvex::kVersion << ": Korvex models for scripts and batch work.\n"
      << "  korvex-cli COMMAND --help, or korvex-cli help COMMAND, shows one command.\n"
      << "  korvex-cli --version prints the version.\n"
      << "  --lang en|ja, with any command, chooses the language of the texts in\n"
      << "  pictures and sheets (default: the viewer's language setting).\n\n";
  for (const Command& command : kCommands) out << command.usage;
}

int TopUsage(std::string_view problem) {
  std::cerr << "korvex-cli: " << problem << "\n";
  WriteOverview(std::cerr);
  return kExitUsage;
}

}  // namespace

int Run(const std::vector<std::string_view>& args) {
  if (args.empty()) return TopUsage("no command");
  const std::string_view first = args.front();
  if (IsHelp(first) || (first == "help" && args.size() == 1)) {
    WriteOverview(std::cout);
    return kExitDone;
  }
  if (first == "--version") {
    std::cout << "korvex-cli " << korvex::kVersion << "\n";
    return kExitDone;
  }
  if (first == "help") {
    if (args.size() > 2) return TopUsage("help takes one COMMAND");
    const Command* command = FindCommand(args[1]);
    if (!command) return TopUsage("unknown command " + std::string(args[1]));
    std::cout << command->usage;
    return kExitDone;
  }
  const Command* command = FindCommand(first);
  if (!command) {
    const bool option = first.size() > 1 && first.front() == '-';
    return TopUsage((option ? "unknown option " : "unknown command ") + std::string(first));
  }
  std::vector<std::string_view> rest;
  // A request for help anywhere among the options answers it, whatever else
  // the command line holds; after "--" it is a file name. The language is
  // taken out here, so every command accepts it.
  korvex::UiLanguage language = korvex::SavedUiLanguage();
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (!optionsEnded && arg == "--") optionsEnded = true;
    if (!optionsEnded && IsHelp(arg)) {
      std::cout << command->usage;
      return kExitDone;
    }
    if (!optionsEnded && (arg == "--lang" || arg.starts_with("--lang="))) {
      const std::string_view code = arg == "--lang" ? (i + 1 < args.size() ? args[++i] : "") : arg.substr(7);
      const auto chosen = korvex::ParseUiLanguage(code);
      if (!chosen) {
        std::cerr << "korvex-cli: --lang needs en or ja\n";
        return kExitUsage;
      }
      language = *chosen;
      continue;
    }
    rest.push_back(arg);
  }
  korvex::SetUiLanguage(language);
  return command->run(rest);
}

namespace {

// The viewer's import time limit (seconds) as the user set it: "[Config]
// ImportTimeLimit" in the viewer's settings file, $XDG_CONFIG_HOME (else
// ~/.config) /Meridan/Korvex.conf. Nothing when it is not set or not a
// positive whole number.
std::optional<int> ImportTimeLimitSetting() {
  std::filesystem::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
    config = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    config = std::filesystem::path(home) / ".config";
  } else {
    return std::nullopt;
  }
  const std::optional<std::string> text = korvex::ReadRegularFile((config / "Meridan" / "Korvex.conf").string(),
                                                                  korvex::kTextCompanionLimit);
  if (!text) return std::nullopt;
  std::istringstream lines(*text);
  std::string line, section;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      section = line;
      continue;
    }
    constexpr std::string_view kKey = "ImportTimeLimit=";
    if (section != "[Config]" || line.compare(0, kKey.size(), kKey) != 0) continue;
    int seconds = 0;
    const char* first = line.data() + kKey.size();
    const char* last = line.data() + line.size();
    const auto [end, error] = std::from_chars(first, last, seconds);
    if (error == std::errc() && end == last && seconds > 0) return seconds;
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  // Under a file size limit a write past it fails as on a full disk, and the
  // command says so and cleans up, instead of being killed half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  // Imports give up after the time the user set for the viewer.
  if (const std::optional<int> seconds = ImportTimeLimitSetting())
    korvex::ImportIsolationSettings().limits.seconds = *seconds;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  // A model or a picture too large for this machine ends the command with a
  // message, not the process with an abort.
  try {
    return Run(args);
  } catch (const std::bad_alloc&) {
    std::cerr << "korvex-cli: out of memory: the command was stopped\n";
    return kExitFailed;
  }
}
