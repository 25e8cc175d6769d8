// Whether a picture of a given size can be drawn and written on this
// machine. An export or a study frame is drawn into an off-screen colour and
// depth buffer, read back and encoded; a size the machine cannot hold would
// push the viewer out of memory (16384 × 16384 takes about 6 GB), so such a
// size is refused up front with the picture-too-large message.
#pragma once

#include <cstdint>

namespace korvex::output {

// The most a picture may take while it is drawn and written: half of the
// machine's physical memory.
std::uint64_t PictureMemoryLimit();

// Bytes a width × height picture takes at its peak: colour and depth
// buffers, the image read back, the encoder's copy (measured: 6.2 GB for
// 16384 × 16384).
std::uint64_t PictureMemoryNeed(int width, int height);

// Whether a width × height picture fits in limit bytes; sizes below one
// pixel never fit.
bool PictureFitsInMemory(int width, int height, std::uint64_t limit = PictureMemoryLimit());

// While one lives, PictureMemoryLimit() is the given limit in place of half
// the machine's memory: how the refusal of a smaller machine is played on a
// large one.
class ScopedPictureMemoryLimit {
 public:
  explicit ScopedPictureMemoryLimit(std::uint64_t limit);
  ~ScopedPictureMemoryLimit();
  ScopedPictureMemoryLimit(const ScopedPictureMemoryLimit&) = delete;
  ScopedPictureMemoryLimit& operator=(const ScopedPictureMemoryLimit&) = delete;

 private:
  std::uint64_t previous_;
};

}  // namespace korvex::output
