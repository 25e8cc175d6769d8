// The drawing-layout file (".tdo"): a small text file that places an
// exported picture on a drawing sheet, for the 2D drawing program that reads
// it. The only object on the sheet is the picture, fitted into the sheet
// frame with its aspect kept.
//
// The file is Shift-JIS text with CR LF line ends; numbers have six
// decimals whatever the process locale says.
#pragma once

#include <string>
#include <string_view>

namespace korvex {
class UserInterface;
}

namespace korvex::layout {

// The sheet frame, in sheet units, centred on the origin.
inline constexpr double kSheetWidth = 97500.0;
inline constexpr double kSheetHeight = 60500.0;

inline constexpr const char* kExtension = ".tdo";
inline constexpr const char* kCannotCreate = "図面レイアウトファイルを作れません。";

// Where the picture lands: `scale` sheet units per pixel, lower-left corner
// (x0, y0).
struct Placement {
  double scale = 0.0;
  double x0 = 0.0;
  double y0 = 0.0;
};

// Fits a picture of width × height pixels (both positive) into the frame:
// as wide as the frame unless that makes it too tall (or, for a portrait
// picture, as tall unless that makes it too wide).
Placement FitPicture(int width, int height);

// The whole file for a picture of width × height pixels written as
// `imageName` (UTF-8, relative to the layout file's folder).
std::string LayoutText(int width, int height, std::string_view imageName);

// Writes LayoutText to `path` through a temporary file. On failure shows
// "図面レイアウトファイルを作れません。" (caption "エラー") when `ui` is given,
// leaves any previous file, and returns false.
bool WriteLayoutFile(const std::string& path, int width, int height, std::string_view imageName,
                     UserInterface* ui);

}  // namespace korvex::layout
