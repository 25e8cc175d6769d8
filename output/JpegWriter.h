// Writing a picture as a JPEG file, through libjpeg-turbo.
//
// The picture is encoded in memory and written through a temporary file in
// the target's folder that replaces the target only when it is complete, so
// a failed export leaves the previous file as it was.
#pragma once

#include <cstdint>
#include <string>

class CDibImage;

namespace korvex {

// The quality exports are written with.
inline constexpr int kJpegQuality = 90;

// How the pixel bytes handed to the writer are laid out. Rows are packed
// without padding in both forms.
enum class JpegPixels {
  // Blue, green, red bytes, bottom row first: the form of CDibImage.
  BgrBottomUp,
  // Red, green, blue, alpha bytes, bottom row first: what the engine reads
  // back from its framebuffer (alpha is ignored).
  RgbaBottomUp,
};

// Writes width × height pixels to `path` at `quality` (1 … 100). True on
// success. On failure `error`, when given, receives a one-line reason and
// the file at `path` is untouched. Sizes must be 1 … 65535 each way.
bool WriteJpegFile(const std::string& path, const uint8_t* pixels, int width, int height,
                   JpegPixels layout = JpegPixels::BgrBottomUp, int quality = kJpegQuality,
                   std::string* error = nullptr);

// The picture held by a CDibImage.
bool WriteJpegFile(const std::string& path, const CDibImage& image, int quality = kJpegQuality,
                   std::string* error = nullptr);

}  // namespace korvex
