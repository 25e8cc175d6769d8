// A scratch folder per test, a recording message box and BMP files built
// byte by byte.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/user_interface.h"
#include "tests/support/message_log.h"
#include "tests/support/scratch_folder.h"

namespace output_test {

using korvex_test::MessageLog;

class ScratchTest : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  std::vector<std::filesystem::path> Entries() const {
    return {std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()};
  }

  korvex_test::ScratchFolder scratch_;
  std::filesystem::path dir_ = scratch_.path();
};

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t Get32(const std::vector<uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// The colour of pixel (x, y), y counted from the bottom, in the test images.
inline uint8_t Channel(int x, int y, int c) { return static_cast<uint8_t>(x * 40 + y * 7 + c * 90 + 1); }

// A BMP file as painting programs write it: an info header of
// `headerSize` bytes, `gap` bytes between headers and pixels, rows of
// `width` pixels in file order (bottom-up, or top-down when `height` < 0),
// each padded to 4 bytes.
struct BmpSpec {
  int32_t width = 3;
  int32_t height = 2;
  uint32_t headerSize = 40;
  uint32_t gap = 0;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
};

inline std::vector<uint8_t> MakeBmp(const BmpSpec& s) {
  const int rows = s.height < 0 ? -s.height : s.height;
  const std::size_t rowBytes = (static_cast<std::size_t>(s.width) * 3 + 3) & ~std::size_t{3};
  const uint32_t offset = 14 + s.headerSize + s.gap;
  std::vector<uint8_t> b(offset + rowBytes * rows, 0xEE);  // the gap is not zero, to be noticed
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  Put32(b, 6, 0);
  Put32(b, 10, offset);
  std::fill(b.begin() + 14, b.begin() + 14 + s.headerSize, 0);
  Put32(b, 14, s.headerSize);
  Put32(b, 18, static_cast<uint32_t>(s.width));
  Put32(b, 22, static_cast<uint32_t>(s.height));
  b[26] = 1;
  b[28] = static_cast<uint8_t>(s.bitCount);
  b[29] = static_cast<uint8_t>(s.bitCount >> 8);
  Put32(b, 30, s.compression);
  for (int r = 0; r < rows; ++r) {
    const int y = s.height < 0 ? rows - 1 - r : r;
    uint8_t* row = b.data() + offset + r * rowBytes;
    std::fill(row, row + rowBytes, 0);
    for (int x = 0; x < s.width; ++x) {
      for (int c = 0; c < 3; ++c) row[x * 3 + c] = Channel(x, y, c);
    }
  }
  return b;
}

}  // namespace output_test
