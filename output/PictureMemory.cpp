#include "output/PictureMemory.h"

#include <unistd.h>

namespace korvex::output {

namespace {
constexpr std::uint64_t kPeakBytesPerPixel = 24;
// 0: the machine's own memory decides.
std::uint64_t givenLimit = 0;
}  // namespace

ScopedPictureMemoryLimit::ScopedPictureMemoryLimit(std::uint64_t limit) : previous_(givenLimit) {
  givenLimit = limit;
}

ScopedPictureMemoryLimit::~ScopedPictureMemoryLimit() { givenLimit = previous_; }

std::uint64_t PictureMemoryLimit() {
  if (givenLimit != 0) return givenLimit;
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  // A machine that does not say: the budget of a small desktop.
  if (pages <= 0 || pageSize <= 0) return std::uint64_t{2} << 30;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 2;
}

std::uint64_t PictureMemoryNeed(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * kPeakBytesPerPixel;
}

bool PictureFitsInMemory(int width, int height, std::uint64_t limit) {
  if (width <= 0 || height <= 0) return false;
  return PictureMemoryNeed(width, height) <= limit;
}

}  // namespace korvex::output
