#include "output/PictureFile.h"

#include <new>

#include "common/user_interface.h"
#include "image/DibImage.h"
#include "output/JpegWriter.h"
#include "output/OutputTexts.h"

namespace korvex::output {

namespace {

void ShowCannotSave(UserInterface* ui) {
  if (ui != nullptr) ui->ShowMessage(kCannotSave, kErrorCaption, MessageIcon::Error);
}

bool Fits(std::span<const uint8_t> pixels, int width, int height) {
  return width > 0 && height > 0 &&
         pixels.size() >= static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4u;
}

}  // namespace

PictureFormat FormatOfPath(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return PictureFormat::Bmp;
  std::string ext(path.substr(dot));
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext == ".jpg" || ext == ".jpeg" ? PictureFormat::Jpeg : PictureFormat::Bmp;
}

bool WriteBmpPicture(const std::string& path, std::span<const uint8_t> rgbaBottomUp, int width, int height,
                     UserInterface* ui) {
  if (!Fits(rgbaBottomUp, width, height)) {
    ShowCannotSave(ui);
    return false;
  }
  // The BMP image is filled straight from the read-back pixels, so the
  // largest export holds the picture twice (4 + 3 bytes a pixel), not three
  // times.
  CDibImage image(ui);
  uint8_t* out = nullptr;
  try {
    out = image.Create(nullptr, width, height);
  } catch (const std::bad_alloc&) {
    out = nullptr;
  }
  if (out == nullptr) {
    ShowCannotSave(ui);
    return false;
  }
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const uint8_t* in = rgbaBottomUp.data();
  for (std::size_t p = 0; p < count; ++p, in += 4, out += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
  return image.Save(path) == 0;
}

bool WritePicture(const std::string& path, std::span<const uint8_t> rgbaBottomUp, int width, int height,
                  UserInterface* ui) {
  if (FormatOfPath(path) == PictureFormat::Bmp) return WriteBmpPicture(path, rgbaBottomUp, width, height, ui);
  if (!Fits(rgbaBottomUp, width, height) ||
      !WriteJpegFile(path, rgbaBottomUp.data(), width, height, JpegPixels::RgbaBottomUp, kJpegQuality)) {
    ShowCannotSave(ui);
    return false;
  }
  return true;
}

}  // namespace korvex::output
