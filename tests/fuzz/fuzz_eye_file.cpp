// The eye file "eye.ini" on any bytes: whatever it holds, the camera it
// hands on stays finite with a positive zoom.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "geometry/gm_vector.h"
#include "view/EyeFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const korvex_fuzz::Scratch scratch;
  const auto path = scratch.path() / "eye.ini";
  korvex_fuzz::WriteFile(path, data, size);
  korvex::EyeSettings settings;
  settings.eye = {1.0, 2.0, 3.0};
  settings.target = {0.0, 0.0, 0.0};
  settings.light = {4.0, 5.0, 6.0};
  korvex_fuzz::Require(korvex::ReadEyeFile(path, settings));
  korvex_fuzz::Require(GMIsFinite(settings.eye) && GMIsFinite(settings.target) && GMIsFinite(settings.light));
  korvex_fuzz::Require(std::isfinite(settings.zoomScale) && settings.zoomScale > 0.0);
  (void)korvex::EyeIsOverhead(settings);
  return 0;
}
