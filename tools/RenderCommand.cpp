#include "tools/RenderCommand.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "common/file_util.h"
#include "common/user_interface.h"
#include "model/InkSolid.h"
#include "tools/BatchView.h"
#include "view/StereonView.h"
#include "view/SunTimes.h"
#include "view/ViewShell.h"

namespace korvex::cli {

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Usage(std::string_view problem) {
  std::cerr << "korvex-cli: " << problem << "\n" << kRenderUsage;
  return kExitUsage;
}

int Fail(std::string_view model, std::string_view reason) {
  std::cerr << "korvex-cli: cannot render " << model << ": " << reason << "\n";
  return kExitFailed;
}

std::string LowerExtension(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  std::string ext(path.substr(dot));
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

}  // namespace

int RunRender(const std::vector<std::string_view>& args) {
  std::optional<std::string_view> model;
  std::optional<std::string_view> output;
  std::optional<std::string_view> layoutBase;
  bool oldMethod = false;
  int width = 1024;
  int height = 768;
  int viewCommand = cmd::kResetEye;
  int corner = -1;
  bool perspective = false;
  std::optional<int> flags;
  std::optional<std::string_view> sunTime;
  bool northFlip = false;
  bool shadows = false;
  std::optional<std::string_view> billboards, textures, background;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (arg == "-o" || arg == "--output")) {
      if (!hasValue) return Usage("-o needs a file");
      output = args[++i];
    } else if (!optionsEnded && arg == "--size") {
      if (!hasValue || !ParseSize(args[++i], width, height)) return Usage("--size needs WxH, e.g. 1024x768");
    } else if (!optionsEnded && arg == "--view") {
      const auto command = hasValue ? ViewCommand(args[++i]) : std::nullopt;
      if (!command) return Usage("--view needs reset, plan, elevation, back, left or right");
      viewCommand = *command;
    } else if (!optionsEnded && arg == "--iso") {
      if (!hasValue || !ParseInt(args[++i], 10, corner) || corner < 0 || corner > 3)
        return Usage("--iso needs a corner 0 to 3");
    } else if (!optionsEnded && arg == "--layout") {
      if (!hasValue || args[i + 1].empty()) return Usage("--layout needs a base name");
      layoutBase = args[++i];
    } else if (!optionsEnded && (arg == "--bil" || arg == "--txi" || arg == "--background")) {
      if (!hasValue || args[i + 1].empty()) return Usage(std::string(arg) + " needs a file");
      (arg == "--bil" ? billboards : arg == "--txi" ? textures : background) = args[++i];
    } else if (!optionsEnded && arg == "--old") {
      oldMethod = true;
    } else if (!optionsEnded && arg == "--perspective") {
      perspective = true;
    } else if (!optionsEnded && arg == "--flags") {
      std::string_view text = hasValue ? args[++i] : std::string_view();
      if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
      int value = 0;
      if (text.empty() || !ParseInt(text, 16, value) || value < 0) return Usage("--flags needs a hexadecimal number");
      flags = value;
    } else if (!optionsEnded && arg == "--sun") {
      if (!hasValue || args[i + 1].empty()) return Usage("--sun needs a time HH:MM");
      sunTime = args[++i];
    } else if (!optionsEnded && arg == "--north-flip") {
      northFlip = true;
    } else if (!optionsEnded && arg == "--shadows") {
      shadows = true;
    } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
      return Usage("unknown option " + std::string(arg));
    } else if (!model) {
      model = arg;
    } else {
      return Usage("render takes one MODEL");
    }
  }
  if (!model) return Usage("render needs a MODEL");
  if (!output && !layoutBase) return Usage("render needs -o OUT.jpg or OUT.bmp, or --layout BASE");
  if (output && layoutBase) return Usage("-o and --layout cannot be combined");
  if (northFlip && !sunTime) return Usage("--north-flip needs --sun");
  // The sun as the time dialog would give it for that line of its list.
  TimeDialogValues sun;
  if (sunTime) {
    LoadTimeDialog(sun, ".");
    sun.flipNorth = northFlip;
    const int line = FindSunTime(sun.times, *sunTime);
    if (line < 0 || !AcceptTimeDialog(sun, line)) {
      std::string known;
      for (const long time : sun.times.times) {
        char clock[32];
        std::snprintf(clock, sizeof clock, " %02ld:%02ld", time / 100, time % 100);
        known += clock;
      }
      return Usage("--sun " + std::string(*sunTime) + " is not in the time list; the times are:" +
                   (known.empty() ? std::string(" none") : known));
    }
  }
  if (output) {
    const std::string ext = LowerExtension(*output);
    const bool jpeg = ext == ".jpg" || ext == ".jpeg";
    if (!jpeg && ext != ".bmp") return Usage("the output must end in .jpg, .jpeg or .bmp");
    if (oldMethod && jpeg) return Usage("--old writes BMP files only");
  }

  BatchUi ui;
  LaunchValues launch;
  launch.modelPath = NormalizeSeparators(*model);
  launch.perspective = perspective;
  launch.useEyeFile = false;
  BackgroundImageShell shell;
  CStereonView view(ui, launch, &shell);
  view.State().isometricCorner = corner;
  if (!view.CreateHeadless(width, height))
    return Fail(*model, ui.lastMessage.empty() ? "no OpenGL context" : ui.lastMessage);
  if (view.StartupResult() != ModelLoadResult::kLoaded) return Fail(*model, LoadFailureText(view.StartupResult(), *view.Scene()));

  const std::pair<const std::optional<std::string_view>&, int> companions[] = {
      {billboards, cmd::kOpenBillboards}, {textures, cmd::kOpenTextureAssignment}, {background, cmd::kBackground}};
  for (const auto& [path, command] : companions)
    if (path)
      if (const auto problem = RunFileCommand(view, ui, command, *path)) return Fail(*model, *problem);

  if (flags) view.State().displayFlags = *flags;
  if (sunTime) view.State().lightPosition = sun.sunDirection;
  if (shadows) view.MakeShadows();
  if (viewCommand == cmd::kResetEye) {
    if (corner >= 0) view.ResetEye();
  } else {
    view.StandardView(viewCommand);
  }
  // Written exactly as the viewer's "ファイル出力" writes it, at the size of
  // the picture and the default line width.
  const double lineWidth = view.ExportSettings().lineWidth;
  bool written = false;
  if (layoutBase)
    written = view.SaveLayout(std::string(*layoutBase), width, height, lineWidth, oldMethod);
  else if (oldMethod)
    written = view.SaveImageOld(std::string(*output), width, height, lineWidth);
  else
    written = view.SaveImage(std::string(*output), width, height, lineWidth);
  if (!written) return Fail(*model, ui.lastMessage.empty() ? "the picture could not be written" : ui.lastMessage);
  return kExitWritten;
}

}  // namespace korvex::cli
