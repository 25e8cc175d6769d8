#include "image/DibImage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <span>
#include <system_error>

#include "common/atomic_file.h"
#include "common/file_util.h"
#include "common/user_interface.h"

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Bytes of one pixel row in the file: width·3 padded to a multiple of 4.
uint64_t FileRowBytes(uint64_t width) { return (width * 3 + 3) & ~uint64_t{3}; }

// The file size a saved image of width × height has, or 0 when it does not
// fit the 32-bit size field of a BMP file.
uint32_t SavedFileSize(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  const uint64_t total = kDibHeaderBytes + FileRowBytes(static_cast<uint64_t>(width)) * static_cast<uint64_t>(height);
  if (total > std::numeric_limits<uint32_t>::max()) return 0;
  return static_cast<uint32_t>(total);
}

// A file image of width × height with the headers of a saved file and black
// pixels; empty when the size cannot be a BMP or the memory cannot be had.
std::vector<uint8_t> MakeFileImage(int width, int height) {
  const uint32_t fileSize = SavedFileSize(width, height);
  if (fileSize == 0) return {};
  const std::size_t pixelBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
  std::vector<uint8_t> block;
  try {
    block.resize(kDibHeaderBytes + pixelBytes);
  } catch (const std::bad_alloc&) {
    return {};
  }
  uint8_t* h = block.data();
  h[0] = 'B';
  h[1] = 'M';
  Put32(h + 2, fileSize);
  Put32(h + 10, static_cast<uint32_t>(kDibHeaderBytes));
  Put32(h + 14, kInfoHeaderBytes);
  Put32(h + 18, static_cast<uint32_t>(width));
  Put32(h + 22, static_cast<uint32_t>(height));
  Put16(h + 26, 1);
  Put16(h + 28, 24);
  Put32(h + 38, static_cast<uint32_t>(kDibPixelsPerMetre));
  Put32(h + 42, static_cast<uint32_t>(kDibPixelsPerMetre));
  return block;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

CDibImage::CDibImage(korvex::UserInterface* ui) : ui_(ui) {}

uint8_t* CDibImage::Create(const uint8_t* source, int width, int height) {
  std::vector<uint8_t> block = MakeFileImage(width, height);
  if (block.empty()) return nullptr;
  if (source != nullptr) std::memcpy(block.data() + kDibHeaderBytes, source, block.size() - kDibHeaderBytes);
  fileImage_ = std::move(block);
  width_ = width;
  height_ = height;
  return GetPixels();
}

void CDibImage::Show(const char* message, const std::string& path) const {
  if (ui_ == nullptr) return;
  std::string text = message;
  if (const auto at = text.find("%s"); at != std::string::npos) text.replace(at, 2, path);
  ui_->ShowMessage(text, "", korvex::MessageIcon::None, korvex::MessageButtons::Ok);
}

int CDibImage::Load(const std::string& path) {
  const std::string name = korvex::NormalizeSeparators(path);
  // Only a plain file: a pipe or a device would block the reader or never end.
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    Show(kDibCannotOpen, path);
    return 1;
  }
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
  if (!file || ::fstat(::fileno(file.get()), &st) != 0) {
    Show(kDibCannotOpen, path);
    return 1;
  }
  const uint64_t fileSize = static_cast<uint64_t>(st.st_size);

  uint8_t header[kDibHeaderBytes] = {};
  const std::size_t got = std::fread(header, 1, sizeof header, file.get());
  if (got < 2 || header[0] != 'B' || header[1] != 'M') {
    Show(kDibNotBmp, path);
    return 1;
  }
  // The 12-byte headers of old OS/2 files hold no 32-bit sizes; everything
  // from 40 bytes on (V4, V5) starts with the fields read here.
  const uint32_t pixelOffset = Get32(header + 10);
  const uint32_t headerSize = Get32(header + 14);
  if (got < sizeof header || headerSize < kInfoHeaderBytes) {
    Show(kDibNotBmp, path);
    return 1;
  }
  const int32_t width = static_cast<int32_t>(Get32(header + 18));
  const int32_t height = static_cast<int32_t>(Get32(header + 22));
  if (Get16(header + 28) != 24) {
    Show(kDibNot24Bit, path);
    return 1;
  }
  if (Get32(header + 30) != 0) {
    Show(kDibCompressed, path);
    return 1;
  }

  // A negative height stores the rows top-down.
  const bool topDown = height < 0;
  if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min()) {
    Show(kDibNotBmp, path);
    return 1;
  }
  const int rows = topDown ? -height : height;
  // The pixels must lie after the headers and within the file; the last row
  // may lack its padding. Checked before any memory is taken, so a forged
  // header cannot ask for more than the file holds.
  const uint64_t rowBytes = static_cast<uint64_t>(width) * 3;
  const uint64_t fileRowBytes = FileRowBytes(static_cast<uint64_t>(width));
  const uint64_t pixelEnd = fileRowBytes * static_cast<uint64_t>(rows - 1) + rowBytes;
  if (pixelOffset < kFileHeaderBytes + headerSize || pixelOffset > fileSize || pixelEnd > fileSize - pixelOffset ||
      SavedFileSize(width, rows) == 0) {
    Show(kDibNotBmp, path);
    return 1;
  }

  CDibImage loaded;
  if (loaded.Create(nullptr, width, rows) == nullptr) {
    Show(kDibCannotOpen, path);
    return 1;
  }
  if (std::fseek(file.get(), static_cast<long>(pixelOffset), SEEK_SET) != 0) {
    Show(kDibNotBmp, path);
    return 1;
  }
  const long padding = static_cast<long>(fileRowBytes - rowBytes);
  uint8_t* pixels = loaded.GetPixels();
  for (int row = 0; row < rows; ++row) {
    const int target = topDown ? rows - 1 - row : row;
    uint8_t* destination = pixels + static_cast<std::size_t>(target) * rowBytes;
    // The file may have shrunk since its size was taken.
    if (std::fread(destination, 1, rowBytes, file.get()) != rowBytes ||
        (padding != 0 && row + 1 < rows && std::fseek(file.get(), padding, SEEK_CUR) != 0)) {
      Show(kDibNotBmp, path);
      return 1;
    }
  }
  fileImage_ = std::move(loaded.fileImage_);
  width_ = width;
  height_ = rows;
  return 0;
}

int CDibImage::Save(const std::string& path) {
  if (fileImage_.empty()) {
    Show(kDibCannotCreate, path);
    return 1;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
  const auto fileRowBytes = static_cast<std::size_t>(FileRowBytes(static_cast<uint64_t>(width_)));
  // Rows of a width divisible by 4 need no padding: the block in memory is
  // the file. Otherwise the padded file is put together first.
  std::vector<uint8_t> padded;
  std::span<const uint8_t> file(fileImage_);
  if (fileRowBytes != rowBytes) {
    try {
      padded.assign(kDibHeaderBytes + fileRowBytes * static_cast<std::size_t>(height_), 0);
    } catch (const std::bad_alloc&) {
      Show(kDibWriteFailed, path);
      return 1;
    }
    std::memcpy(padded.data(), fileImage_.data(), kDibHeaderBytes);
    for (int y = 0; y < height_; ++y) {
      std::memcpy(padded.data() + kDibHeaderBytes + y * fileRowBytes, GetPixels() + y * rowBytes, rowBytes);
    }
    file = padded;
  }
  // The new file replaces the old one only when it is complete, so a failed
  // export leaves the previous picture.
  const std::filesystem::path target(path);
  std::error_code ec;
  const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
  if (!std::filesystem::is_directory(folder, ec) || ::access(folder.c_str(), W_OK) != 0) {
    Show(kDibCannotCreate, path);
    return 1;
  }
  if (!korvex::ReplaceFileContents(target, file)) {
    Show(kDibWriteFailed, path);
    return 1;
  }
  return 0;
}

DibInfoHeader CDibImage::GetInfoHeader() const {
  DibInfoHeader info;
  if (fileImage_.size() < kDibHeaderBytes) {
    info.width = 0;
    info.height = 0;
    return info;
  }
  const uint8_t* h = fileImage_.data() + kFileHeaderBytes;
  info.size = Get32(h);
  info.width = static_cast<int32_t>(Get32(h + 4));
  info.height = static_cast<int32_t>(Get32(h + 8));
  info.planes = Get16(h + 12);
  info.bitCount = Get16(h + 14);
  info.compression = Get32(h + 16);
  info.sizeImage = Get32(h + 20);
  info.xPelsPerMeter = static_cast<int32_t>(Get32(h + 24));
  info.yPelsPerMeter = static_cast<int32_t>(Get32(h + 28));
  info.clrUsed = Get32(h + 32);
  info.clrImportant = Get32(h + 36);
  return info;
}

uint8_t* CDibImage::GetPixels() { return fileImage_.empty() ? nullptr : fileImage_.data() + kDibHeaderBytes; }
const uint8_t* CDibImage::GetPixels() const {
  return fileImage_.empty() ? nullptr : fileImage_.data() + kDibHeaderBytes;
}

std::size_t CDibImage::PixelBytes() const {
  return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3;
}
