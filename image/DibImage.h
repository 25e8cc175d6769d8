// CDibImage: one uncompressed 24-bit Windows bitmap in memory.
//
// The image is kept as the complete file image — 14-byte file header, 40-byte
// info header, pixels — and is read or written as one block. It reads every
// texture, mask and background picture and writes the BMP export.
//
// Pixels in memory: `height` rows from the bottom row upwards, each row
// `width` pixels of blue, green, red bytes, rows packed without padding (row
// length exactly width·3). In the file each row is padded with zero bytes to
// a multiple of 4.
//
// Reading accepts any info header of 40 bytes or more (the larger V4 and V5
// headers of painting programs) and takes the pixels from the file's pixel
// offset. Files stored top-down (negative height) are read too; in memory the
// rows are always bottom-up and the height positive. A file whose header
// promises more pixels than the file holds, or a picture larger than a BMP
// file can describe, is refused as not being a BMP file, before any memory
// is taken for it.
//
// Load accepts "\" as a separator, since texture and background names come
// from files written on Windows. Only plain files are read; a missing file, a
// folder, a pipe, or a picture the memory cannot hold "cannot be opened".
//
// Failures are shown as message boxes with no caption of their own and an OK
// button; Load and Save then return 1 and the image keeps what it held. Save
// reports a folder that cannot take the file as "cannot create", and any
// write that fails after that as "write ended abnormally".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvex {
class UserInterface;
}

// The messages, with "%s" standing for the path.
inline constexpr const char* kDibCannotOpen = "%s が開けない。";
inline constexpr const char* kDibNotBmp = "ＢＭＰファイルではない。";
inline constexpr const char* kDibNot24Bit = "２４ビットＢＭＰではない。";
inline constexpr const char* kDibCompressed = "圧縮形式には対応していない。";
inline constexpr const char* kDibCannotCreate = "%s を作製できない。";
inline constexpr const char* kDibWriteFailed = "%s の書き込みが異常終了した。";

// Size of the two headers at the start of the file image.
inline constexpr std::size_t kDibHeaderBytes = 54;
// Resolution written into saved files: 5906 pixels per metre (150 dpi).
inline constexpr int32_t kDibPixelsPerMetre = 5906;

// The fields of the 40-byte info header callers read.
struct DibInfoHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;  // positive: rows bottom-up
  uint16_t planes = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = kDibPixelsPerMetre;
  int32_t yPelsPerMeter = kDibPixelsPerMetre;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};

class CDibImage {
 public:
  // `ui` receives the messages; it may be null (then nothing is shown).
  explicit CDibImage(korvex::UserInterface* ui = nullptr);

  // Discards any image and makes one of width × height with the headers of a
  // saved file; copies width·height·3 bytes of packed bottom-up BGR rows from
  // `source` when given, else the pixels are black. Returns the pixel
  // pointer, or null when the size is not positive or larger than a BMP file
  // can hold (about 4 GiB) or the memory cannot be had; the image then keeps
  // what it held.
  uint8_t* Create(const uint8_t* source, int width, int height);

  // 0 on success, 1 on failure after a message.
  int Load(const std::string& path);
  // Writes the image through a temporary file that replaces `path` only when
  // it is complete, so a failed write leaves the previous file. 0 on
  // success, 1 on failure after a message (also when there is no image).
  int Save(const std::string& path);

  // The info header of the image (all zero sizes while there is none).
  DibInfoHeader GetInfoHeader() const;
  // The first pixel byte, or null while there is no image.
  uint8_t* GetPixels();
  const uint8_t* GetPixels() const;
  int Width() const { return width_; }
  int Height() const { return height_; }
  // width·height·3.
  std::size_t PixelBytes() const;
  // The complete image: headers, then the packed pixels.
  const std::vector<uint8_t>& FileImage() const { return fileImage_; }

 private:
  void Show(const char* message, const std::string& path) const;

  korvex::UserInterface* ui_ = nullptr;
  std::vector<uint8_t> fileImage_;
  int width_ = 0;
  int height_ = 0;
};
