// The 24-bit BMP reader (textures, masks, backgrounds) on any bytes. The
// reader takes a path, so each input becomes a file first.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "image/DibImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const korvex_fuzz::Scratch scratch;
  const auto path = scratch.path() / "input.bmp";
  korvex_fuzz::WriteFile(path, data, size);
  CDibImage image;
  if (image.Load(path.string()) == 0) {
    // A picture that loaded holds exactly its packed pixels behind the headers.
    korvex_fuzz::Require(image.Width() > 0 && image.Height() > 0);
    korvex_fuzz::Require(image.FileImage().size() == kDibHeaderBytes + image.PixelBytes());
  }
  return 0;
}
