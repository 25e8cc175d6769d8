#include "output/JpegWriter.h"

#include <turbojpeg.h>

#include <memory>
#include <span>

#include "common/atomic_file.h"
#include "image/DibImage.h"

namespace korvex {
namespace {

struct CompressorCloser {
  void operator()(void* handle) const { tjDestroy(handle); }
};
struct JpegBufferFree {
  void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

bool Fail(std::string* error, std::string reason) {
  if (error != nullptr) *error = std::move(reason);
  return false;
}

}  // namespace

bool WriteJpegFile(const std::string& path, const uint8_t* pixels, int width, int height, JpegPixels layout,
                   int quality, std::string* error) {
  // JPEG frame sizes are 16-bit.
  if (pixels == nullptr || width <= 0 || height <= 0 || width > 65535 || height > 65535) {
    return Fail(error, "the picture size cannot be written as JPEG");
  }
  if (quality < 1 || quality > 100) return Fail(error, "the JPEG quality must be 1 to 100");

  const bool rgba = layout == JpegPixels::RgbaBottomUp;
  const int pitch = width * (rgba ? 4 : 3);
  std::unique_ptr<void, CompressorCloser> compressor(tjInitCompress());
  if (!compressor) return Fail(error, "cannot start the JPEG encoder");
  unsigned char* encoded = nullptr;
  unsigned long encodedSize = 0;
  // 4:2:0 chroma, as photo viewers and the usual export encoders write.
  const int result = tjCompress2(compressor.get(), pixels, width, pitch, height, rgba ? TJPF_RGBX : TJPF_BGR,
                                 &encoded, &encodedSize, TJSAMP_420, quality, TJFLAG_BOTTOMUP);
  std::unique_ptr<unsigned char, JpegBufferFree> owned(encoded);
  if (result != 0 || encoded == nullptr) {
    return Fail(error, std::string("cannot encode the picture: ") + tjGetErrorStr2(compressor.get()));
  }

  if (!ReplaceFileContents(path, std::span<const uint8_t>(encoded, encodedSize))) {
    return Fail(error, "cannot write " + path);
  }
  return true;
}

bool WriteJpegFile(const std::string& path, const CDibImage& image, int quality, std::string* error) {
  return WriteJpegFile(path, image.GetPixels(), image.Width(), image.Height(), JpegPixels::BgrBottomUp, quality,
                       error);
}

}  // namespace korvex
