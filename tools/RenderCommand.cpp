#include "tools/RenderCommand.h"

#include <charconv>
#include <iostream>
#include <optional>
#include <string>

#include "common/user_interface.h"
#include "model/InkSolid.h"
#include "output/DibImage.h"
#include "output/JpegWriter.h"
#include "view/StereonView.h"

namespace korvex::cli {

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kMaxSide = 16384;

// The view's user, for a batch run: nothing is asked, messages are kept for
// the one-line failure report.
class BatchUi final : public UserInterface {
 public:
  void SetStatusText(std::string_view) override {}
  MessageAnswer ShowMessage(std::string_view text, std::string_view, MessageIcon, MessageButtons) override {
    lastMessage = std::string(text);
    return MessageAnswer::Cancel;
  }
  std::optional<std::string> ChooseFile(const FileDialogRequest&) override { return std::nullopt; }
  void SetWaitCursor(bool) override {}
  void SetClipboardText(std::string_view) override {}
  std::optional<std::string> GetClipboardText() override { return {}; }
  bool PostToHost(uint32_t, uint64_t, uint64_t) override { return false; }
  void RequestRepaint() override {}

  std::string lastMessage;
};

int Usage(std::string_view problem) {
  std::cerr << "korvex-cli: " << problem << "\n" << kRenderUsage;
  return kExitUsage;
}

int Fail(std::string_view model, std::string_view reason) {
  std::cerr << "korvex-cli: cannot render " << model << ": " << reason << "\n";
  return kExitFailed;
}

bool ParseInt(std::string_view text, int base, int& out) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseSize(std::string_view text, int& width, int& height) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) return false;
  return ParseInt(text.substr(0, x), 10, width) && ParseInt(text.substr(x + 1), 10, height) && width > 0 &&
         height > 0 && width <= kMaxSide && height <= kMaxSide;
}

std::optional<int> ViewCommand(std::string_view name) {
  if (name == "reset") return cmd::kResetEye;
  if (name == "plan") return cmd::kPlanView;
  if (name == "elevation") return cmd::kElevation;
  if (name == "back") return cmd::kBackView;
  if (name == "left") return cmd::kLeftView;
  if (name == "right") return cmd::kRightView;
  return std::nullopt;
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

const char* Reason(ModelLoadResult result) {
  switch (result) {
    case ModelLoadResult::kNoReader: return "no reader for this kind of file";
    case ModelLoadResult::kMissing: return "no such file";
    case ModelLoadResult::kFailed: return "the file could not be read";
    default: return "";
  }
}

}  // namespace

int RunRender(const std::vector<std::string_view>& args) {
  std::optional<std::string_view> model;
  std::optional<std::string_view> output;
  int width = 1024;
  int height = 768;
  int viewCommand = cmd::kResetEye;
  int corner = -1;
  bool perspective = false;
  std::optional<int> flags;
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
    } else if (!optionsEnded && arg == "--perspective") {
      perspective = true;
    } else if (!optionsEnded && arg == "--flags") {
      std::string_view text = hasValue ? args[++i] : std::string_view();
      if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
      int value = 0;
      if (text.empty() || !ParseInt(text, 16, value) || value < 0) return Usage("--flags needs a hexadecimal number");
      flags = value;
    } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
      return Usage("unknown option " + std::string(arg));
    } else if (!model) {
      model = arg;
    } else {
      return Usage("render takes one MODEL");
    }
  }
  if (!model) return Usage("render needs a MODEL");
  if (!output) return Usage("render needs -o OUT.jpg or OUT.bmp");
  const std::string ext = LowerExtension(*output);
  const bool jpeg = ext == ".jpg" || ext == ".jpeg";
  if (!jpeg && ext != ".bmp") return Usage("the output must end in .jpg, .jpeg or .bmp");

  BatchUi ui;
  LaunchValues launch;
  launch.modelPath = std::string(*model);
  launch.perspective = perspective;
  launch.useEyeFile = false;
  CStereonView view(ui, launch);
  view.State().isometricCorner = corner;
  if (!view.CreateHeadless(width, height))
    return Fail(*model, ui.lastMessage.empty() ? "no OpenGL context" : ui.lastMessage);
  if (view.StartupResult() != ModelLoadResult::kLoaded) return Fail(*model, Reason(view.StartupResult()));

  if (flags) view.State().displayFlags = *flags;
  if (viewCommand == cmd::kResetEye) {
    if (corner >= 0) view.ResetEye();
  } else {
    view.StandardView(viewCommand);
  }
  const StereonImage picture = view.PaintImage();
  if (picture.width != width || picture.height != height) return Fail(*model, "the picture could not be drawn");

  const std::string out(*output);
  if (jpeg) {
    std::string error;
    if (!WriteJpegFile(out, picture.pixels.data(), picture.width, picture.height, JpegPixels::RgbaBottomUp,
                       kJpegQuality, &error))
      return Fail(*model, error);
    return kExitWritten;
  }
  // BMP rows are blue, green, red, bottom row first: the engine's order,
  // without alpha and with red and blue swapped.
  std::vector<uint8_t> bgr(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t p = 0, q = 0; p < picture.pixels.size(); p += 4, q += 3) {
    bgr[q] = picture.pixels[p + 2];
    bgr[q + 1] = picture.pixels[p + 1];
    bgr[q + 2] = picture.pixels[p];
  }
  CDibImage image(&ui);
  if (image.Create(bgr.data(), width, height) == nullptr) return Fail(*model, "the picture is too large");
  if (image.Save(out) != 0) return Fail(*model, ui.lastMessage.empty() ? "the file could not be written" : ui.lastMessage);
  return kExitWritten;
}

}  // namespace korvex::cli
