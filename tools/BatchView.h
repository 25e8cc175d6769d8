// What the commands that draw a model headless share: the view's user and
// shell for a batch run, the file commands run on a named file, and the readings of the picture size, the standard view and the
// load result.
#pragma once

#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_util.h"
#include "common/user_interface.h"
#include "formats/ModelLoader.h"
#include "view/SolarPosition.h"
#include "view/StereonView.h"
#include "view/ViewCommands.h"
#include "view/ViewShell.h"

namespace korvex::cli {

inline constexpr int kMaxPictureSide = 16384;

// One more --section option of a command that draws (its value none when
// the command line ends there): the plane added to `planes`, or what is
// wrong with it, to be said with the usage.
inline std::optional<std::string> ReadSectionOption(std::optional<std::string_view> value,
                                                    std::vector<GMPlane>& planes) {
  if (!value) return std::string("--section needs z=H, x=V, y=V or a,b,c,d");
  GMPlane plane;
  if (const auto problem = ParseSectionText(*value, plane)) return "--section: " + *problem;
  if (planes.size() >= static_cast<std::size_t>(CStereon::kMaxSectionPlanes))
    return std::string("at most three --section planes");
  planes.push_back(plane);
  return std::nullopt;
}

// The view's user, for a batch run: nothing is asked but the file a command
// line names, messages are kept for the one-line failure report.
class BatchUi final : public UserInterface {
 public:
  void SetStatusText(std::string_view) override {}
  MessageAnswer ShowMessage(std::string_view text, std::string_view, MessageIcon, MessageButtons) override {
    lastMessage = std::string(text);
    return MessageAnswer::Cancel;
  }
  std::optional<std::string> ChooseFile(const FileDialogRequest&) override { return chosenFile; }
  void SetWaitCursor(bool) override {}
  void SetClipboardText(std::string_view) override {}
  std::optional<std::string> GetClipboardText() override { return {}; }
  bool PostToHost(uint32_t, uint64_t, uint64_t) override { return false; }
  void RequestRepaint() override {}

  std::string lastMessage;
  // The answer of every file dialog; nothing: cancelled.
  std::optional<std::string> chosenFile;
};

// The whole of `text` as a number; false for anything else.
template <typename Number>
bool ParseNumber(std::string_view text, Number& out, int base = 10) {
  const char* end = text.data() + text.size();
  std::from_chars_result r;
  if constexpr (std::is_floating_point_v<Number>)
    r = std::from_chars(text.data(), end, out);
  else
    r = std::from_chars(text.data(), end, out, base);
  return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

inline bool ParseInt(std::string_view text, int base, int& out) { return ParseNumber(text, out, base); }

// "YYYY-MM-DD" into the date of `in`; the ranges are checked with the rest
// of the input.
inline bool ParseDate(std::string_view text, SolarInput& in) {
  const std::size_t first = text.find('-', 1);
  const std::size_t second = first == std::string_view::npos ? first : text.find('-', first + 1);
  if (second == std::string_view::npos) return false;
  return ParseNumber(text.substr(0, first), in.year) &&
         ParseNumber(text.substr(first + 1, second - first - 1), in.month) &&
         ParseNumber(text.substr(second + 1), in.day);
}

// "WxH" with both sides 1 … kMaxPictureSide.
inline bool ParseSize(std::string_view text, int& width, int& height) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) return false;
  return ParseInt(text.substr(0, x), 10, width) && ParseInt(text.substr(x + 1), 10, height) && width > 0 &&
         height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide;
}

// The command of a --view name.
inline std::optional<int> ViewCommand(std::string_view name) {
  if (name == "reset") return cmd::kResetEye;
  if (name == "plan") return cmd::kPlanView;
  if (name == "elevation") return cmd::kElevation;
  if (name == "back") return cmd::kBackView;
  if (name == "left") return cmd::kLeftView;
  if (name == "right") return cmd::kRightView;
  return std::nullopt;
}

// The background dialog of a batch run: the colour as it is, the image on.
class BackgroundImageShell final : public ViewShell {
 public:
  bool BackgroundDialog(BackgroundDialogValues& values) override {
    values.useImage = true;
    return true;
  }
};

// Carries out a file command on `path` as the user would pick it; the
// message the command showed, if any.
inline std::optional<std::string> RunFileCommand(CStereonView& view, BatchUi& ui, int command, std::string_view path) {
  if (!FileExists(path)) return "no such file " + std::string(path);
  ui.lastMessage.clear();
  ui.chosenFile = std::string(path);
  view.OnCommand(command);
  ui.chosenFile.reset();
  if (ui.lastMessage.empty()) return std::nullopt;
  return ui.lastMessage + " (" + std::string(path) + ")";
}

}  // namespace korvex::cli
