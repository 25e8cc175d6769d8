// Whether a picture size fits the machine: the largest export (16384 ×
// 16384, about 6 GB at its peak) is refused where half of the memory is
// smaller, and no size wraps round in the arithmetic.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "output/PictureMemory.h"

namespace {

using korvex::output::PictureFitsInMemory;
using korvex::output::PictureMemoryNeed;

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

TEST(PictureMemory, TheLargestPictureFitsOnlyWhereHalfTheMemoryHoldsIt) {
  // As measured: 16384 × 16384 peaks between 5.4 and 6.2 GB.
  EXPECT_GE(PictureMemoryNeed(16384, 16384), 6 * kGiB);
  EXPECT_LE(PictureMemoryNeed(16384, 16384), 7 * kGiB);
  EXPECT_FALSE(PictureFitsInMemory(16384, 16384, 4 * kGiB));  // an 8 GB machine
  EXPECT_TRUE(PictureFitsInMemory(16384, 16384, 12 * kGiB));  // a 24 GB machine
  EXPECT_TRUE(PictureFitsInMemory(4000, 3000, 1 * kGiB));
  // Sides as large as an int holds: no overflow to a small need.
  EXPECT_FALSE(PictureFitsInMemory(INT_MAX, INT_MAX, 64 * kGiB));
  EXPECT_FALSE(PictureFitsInMemory(0, 100, 64 * kGiB));
  EXPECT_FALSE(PictureFitsInMemory(100, -1, 64 * kGiB));
  // The machine's own limit lets an ordinary picture through.
  EXPECT_TRUE(PictureFitsInMemory(1920, 1080));
  EXPECT_GT(korvex::output::PictureMemoryLimit(), PictureMemoryNeed(1920, 1080));
}

}  // namespace
