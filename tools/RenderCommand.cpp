#include "tools/RenderCommand.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "common/file_util.h"
#include "common/atomic_file.h"
#include "common/user_interface.h"
#include "model/InkSolid.h"
#include "tools/BatchView.h"
#include "tools/CommandLine.h"
#include "view/StereonView.h"
#include "view/SunTimes.h"
#include "view/ViewShell.h"

namespace korvex::cli {

namespace {

int Usage(std::string_view problem) { return cli::Usage(kRenderUsage, problem); }

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

// What the command line asks for, checked before anything is loaded.
struct RenderOptions {
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
  std::vector<GMPlane> sections;
  // The sun as the time dialog would give it for the line of --sun.
  TimeDialogValues sun;
};

// Reads the arguments into `options`; a wrong command line prints its
// problem and the usage and gives the usage exit status.
std::optional<int> ParseRenderOptions(const std::vector<std::string_view>& args, RenderOptions& options) {
  for (OptionReader in(args); in.Next();) {
    const std::string_view arg = in.Arg();
    if (in.Is("-o") || in.Is("--output")) {
      if (!in.HasValue()) return Usage("-o needs a file");
      options.output = in.TakeValue();
    } else if (in.Is("--size")) {
      if (!in.HasValue() || !ParseSize(in.TakeValue(), options.width, options.height))
        return Usage("--size needs WxH, e.g. 1024x768");
    } else if (in.Is("--view")) {
      const auto command = in.HasValue() ? ViewCommand(in.TakeValue()) : std::nullopt;
      if (!command) return Usage("--view needs reset, plan, elevation, back, left or right");
      options.viewCommand = *command;
    } else if (in.Is("--iso")) {
      if (!in.HasValue() || !ParseInt(in.TakeValue(), 10, options.corner) || options.corner < 0 ||
          options.corner > 3)
        return Usage("--iso needs a corner 0 to 3");
    } else if (in.Is("--layout")) {
      if (in.PeekValue().empty()) return Usage("--layout needs a base name");
      options.layoutBase = in.TakeValue();
    } else if (in.Is("--bil") || in.Is("--txi") || in.Is("--background")) {
      if (in.PeekValue().empty()) return Usage(std::string(arg) + " needs a file");
      (arg == "--bil"   ? options.billboards
       : arg == "--txi" ? options.textures
                        : options.background) = in.TakeValue();
    } else if (in.Is("--old")) {
      options.oldMethod = true;
    } else if (in.Is("--perspective")) {
      options.perspective = true;
    } else if (in.Is("--flags")) {
      std::string_view text = in.TakeValue();
      if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
      int value = 0;
      if (text.empty() || !ParseInt(text, 16, value) || value < 0)
        return Usage("--flags needs a hexadecimal number");
      options.flags = value;
    } else if (in.Is("--sun")) {
      if (in.PeekValue().empty()) return Usage("--sun needs a time HH:MM");
      options.sunTime = in.TakeValue();
    } else if (in.Is("--north-flip")) {
      options.northFlip = true;
    } else if (in.Is("--shadows")) {
      options.shadows = true;
    } else if (in.Is("--section")) {
      const auto value = in.HasValue() ? std::optional(in.TakeValue()) : std::nullopt;
      if (const auto problem = ReadSectionOption(value, options.sections)) return Usage(*problem);
    } else if (in.IsOption()) {
      return Usage("unknown option " + std::string(arg));
    } else if (!options.model) {
      options.model = arg;
    } else {
      return Usage("render takes one MODEL");
    }
  }
  if (!options.model) return Usage("render needs a MODEL");
  if (!options.output && !options.layoutBase)
    return Usage("render needs -o OUT.jpg or OUT.bmp, or --layout BASE");
  if (options.output && options.layoutBase) return Usage("-o and --layout cannot be combined");
  if (options.northFlip && !options.sunTime) return Usage("--north-flip needs --sun");
  if (options.sunTime) {
    LoadTimeDialog(options.sun, ".");
    options.sun.flipNorth = options.northFlip;
    const int line = FindSunTime(options.sun.times, *options.sunTime);
    if (line < 0 || !AcceptTimeDialog(options.sun, line)) {
      std::string known;
      for (const long time : options.sun.times.times) {
        char clock[32];
        std::snprintf(clock, sizeof clock, " %02ld:%02ld", time / 100, time % 100);
        known += clock;
      }
      return Usage("--sun " + std::string(*options.sunTime) + " is not in the time list; the times are:" +
                   (known.empty() ? std::string(" none") : known));
    }
  }
  // Said before anything is drawn: a name the system cannot store would
  // otherwise fail only at the end, as a file that "could not be written".
  if ((options.output && PathTooLong(*options.output)) ||
      (options.layoutBase && PathTooLong(std::string(*options.layoutBase) + ".jpeg")))
    return Fail(*options.model, "path too long");
  if (options.output) {
    const std::string ext = LowerExtension(*options.output);
    const bool jpeg = ext == ".jpg" || ext == ".jpeg";
    if (!jpeg && ext != ".bmp") return Usage("the output must end in .jpg, .jpeg or .bmp");
    if (options.oldMethod && jpeg) return Usage("--old writes BMP files only");
  }

  return std::nullopt;
}

// Loads the model headless, sets the view as the options ask and writes the
// picture.
int RenderPicture(const RenderOptions& options) {
  BatchUi ui;
  LaunchValues launch;
  launch.modelPath = NormalizeSeparators(*options.model);
  launch.perspective = options.perspective;
  launch.useEyeFile = false;
  launch.drawStraight = true;
  BackgroundImageShell shell;
  CStereonView view(ui, launch, &shell);
  view.State().isometricCorner = options.corner;
  if (!view.CreateHeadless(options.width, options.height))
    return Fail(*options.model, ui.lastMessage.empty() ? "no OpenGL context" : ui.lastMessage);
  if (view.StartupResult() != ModelLoadResult::kLoaded)
    return Fail(*options.model, LoadFailureText(view.StartupResult(), *view.Scene()));
  for (const std::string& left : LoadWarningTexts(view.StartupK3dState()))
    std::cerr << "korvex-cli: " << *options.model << ": " << left << "\n";

  const std::pair<const std::optional<std::string_view>&, int> companions[] = {
      {options.billboards, cmd::kOpenBillboards},
      {options.textures, cmd::kOpenTextureAssignment},
      {options.background, cmd::kBackground}};
  for (const auto& [path, command] : companions)
    if (path)
      if (const auto problem = RunFileCommand(view, ui, command, *path))
        return Fail(*options.model, *problem);

  if (options.flags) view.State().displayFlags = *options.flags;
  if (options.sunTime) view.State().lightPosition = options.sun.sunDirection;
  // Cut before the shadows are made: what the planes remove casts none.
  if (!options.sections.empty() && !view.SetSections(options.sections))
    return Fail(*options.model, "the section planes were refused");
  if (options.shadows) view.MakeShadows();
  if (options.viewCommand == cmd::kResetEye) {
    if (options.corner >= 0) view.ResetEye();
  } else {
    view.StandardView(options.viewCommand);
  }
  // Written exactly as the viewer's "ファイル出力" writes it, at the size of
  // the picture and the default line width.
  const double lineWidth = view.ExportSettings().lineWidth;
  bool written = false;
  if (options.layoutBase)
    written = view.SaveLayout(std::string(*options.layoutBase), options.width, options.height, lineWidth,
                              options.oldMethod);
  else if (options.oldMethod)
    written = view.SaveImageOld(std::string(*options.output), options.width, options.height, lineWidth);
  else
    written = view.SaveImage(std::string(*options.output), options.width, options.height, lineWidth);
  if (!written)
    return Fail(*options.model, ui.lastMessage.empty() ? "the picture could not be written" : ui.lastMessage);
  return kExitDone;
}

}  // namespace

int RunRender(const std::vector<std::string_view>& args) {
  RenderOptions options;
  if (const auto usage = ParseRenderOptions(args, options)) return *usage;
  return RenderPicture(options);
}

}  // namespace korvex::cli
