// Pictures for the texture, billboard and background tests, written as the
// 24-bit BMP files the viewer reads.
#pragma once

#include <cstdint>
#include <string>

#include "image/DibImage.h"

namespace korvex_test {

// Writes a width × height BMP to `path` whose pixel (x, y), y counted from
// the bottom, has the colour at(x, y) gives (anything with r, g and b);
// true when written.
template <typename ColourAt>
bool WriteBmpPicture(const std::string& path, int width, int height, ColourAt at) {
  CDibImage image;
  uint8_t* pixels = image.Create(nullptr, width, height);
  if (pixels == nullptr) return false;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const auto c = at(x, y);
      uint8_t* p = pixels + (static_cast<size_t>(y) * width + x) * 3;
      p[0] = static_cast<uint8_t>(c.b);
      p[1] = static_cast<uint8_t>(c.g);
      p[2] = static_cast<uint8_t>(c.r);
    }
  return image.Save(path) == 0;
}

}  // namespace korvex_test
