// The page a picture is printed on, as the view's page drawing sees it. The
// GUI implements it over its printer; tests implement it in memory.
#pragma once

#include <cstdint>

struct StereonImage;

namespace korvex {

class PrintDevice {
 public:
  virtual ~PrintDevice() = default;
  // False for a device that cannot stretch pictures (nothing is printed).
  virtual bool CanStretch() const = 0;
  // The printable area in device pixels.
  virtual void PageSize(int& width, int& height) const = 0;
  // Stretches the picture (RGBA, bottom row first) onto (0, 0) … (width,
  // height) of the page; false when the device refused.
  virtual bool StretchPicture(const StereonImage& picture, int width, int height) = 0;
  // One page pixel (x, y), y down; colour red in the low byte. False when
  // the device refused.
  virtual bool SetPagePixel(int x, int y, uint32_t rgb) = 0;
};

}  // namespace korvex
