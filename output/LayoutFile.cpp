#include "output/LayoutFile.h"

#include <charconv>
#include <cstdint>
#include <span>

#include "common/atomic_file.h"
#include "common/encoding.h"
#include "common/file_util.h"
#include "common/user_interface.h"
#include "output/OutputTexts.h"

namespace korvex::layout {

namespace {

constexpr double kLeft = -kSheetWidth / 2.0;
constexpr double kBottom = -kSheetHeight / 2.0;

// "%lf": fixed notation with six decimals, independent of the locale.
void AppendNumber(std::string& out, double value) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (error == std::errc()) out.append(buffer, end);
}

}  // namespace

Placement FitPicture(int width, int height) {
  const double w = width;
  const double h = height;
  const double sx = kSheetWidth / w;
  const double sy = kSheetHeight / h;
  Placement fit;
  if (width < height) {
    fit = {sy, -w * sy / 2.0, kBottom};
    if (fit.x0 < kLeft) fit = {sx, kLeft, -h * sx / 2.0};
  } else {
    fit = {sx, kLeft, -h * sx / 2.0};
    if (fit.y0 < kBottom) fit = {sy, -w * sy / 2.0, kBottom};
  }
  return fit;
}

std::string LayoutText(int width, int height, std::string_view imageName) {
  const Placement fit = FitPicture(width, height);
  const std::string name = Utf8ToCp932(imageName);
  std::string out;
  out.reserve(768 + name.size());
  const auto line = [&out](std::string_view text) {
    out.append(text);
    out.append("\r\n");
  };
  line("[LAYOUT2D_START]");
  line("\t[LAYOUT2D_HEADER_START]");
  line("\t\t[FILE_VERSION] 0.02");
  line("\t\t[AMK_ANCHOR_INFO] 0,0,0,0");
  line("\t\t[FRAME_DATA_START]");
  line("\t\t\t[TA_STRING1] <StringPack>:");
  line("\t\t\t[TA_STRING2] <StringPack>:" + Utf8ToCp932("パース"));
  line("\t\t\t[PAPER_CORNER] -48750 -30250 48750 30250");
  line("\t\t\t[SCALE_STRING] <StringPack>:1/250");
  line("\t\t[FRAME_DATA_END]");
  line("\t[LAYOUT2D_HEADER_END]");
  line("\t[LAYOUT2D_DATA_START]");
  out.append("\t\t[IMAGE_OBJECT_START] 1 20384 ");
  AppendNumber(out, width);
  out.push_back(' ');
  AppendNumber(out, height);
  out.append(" 0.000000 ");
  AppendNumber(out, fit.scale);
  out.push_back(' ');
  AppendNumber(out, fit.scale);
  out.append(" <StringPack>:");
  line(name);
  out.append("\t\t\t[VERTEX] ");
  AppendNumber(out, fit.x0);
  out.push_back(' ');
  AppendNumber(out, fit.y0);
  out.append("\r\n");
  line("\t\t[OBJECT_END]");
  line("\t[LAYOUT2D_DATA_END]");
  line("\t[AUTO_COMMAND_START]");
  line("\t[AUTO_COMMAND_END]");
  line("[LAYOUT2D_END]");
  return out;
}

bool WriteLayoutFile(const std::string& path, int width, int height, std::string_view imageName,
                     UserInterface* ui) {
  const std::string text = LayoutText(width, height, imageName);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  if (ReplaceFileContents(path, bytes)) return true;
  if (ui != nullptr) ui->ShowMessage(kCannotCreate, output::kErrorCaption, MessageIcon::Error);
  return false;
}

}  // namespace korvex::layout
