// The ".ink" scene file on any bytes. What reads must also write back to the
// very same bytes: the format is lossless, for scenes of finite numbers.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "ink_checksum.h"
#include "plugins/ink/InkFormat.h"

namespace {

// Whether any eight bytes of the file, at any offset, read as a NaN or an
// infinity. A scene that holds one must have it somewhere in its bytes, so a
// refused write of a file without one is a fault of the writer.
bool HoldsNonFiniteNumber(std::span<const uint8_t> file) {
  for (std::size_t at = 0; at + 8 <= file.size(); ++at) {
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | file[at + static_cast<std::size_t>(i)];
    if (!std::isfinite(std::bit_cast<double>(bits))) return true;
  }
  return false;
}

void ReadAndWriteBack(std::span<const uint8_t> file) {
  InkSceneSettings settings{};
  auto tree = korvex::ink::ReadScene(file, settings);
  if (!tree) return;
  std::vector<uint8_t> written;
  // The writer refuses NaN and infinity, which the reader lets through for
  // the load's clean-up to remove; everything else writes back.
  if (!korvex::ink::WriteScene(*tree, settings, written)) {
    korvex_fuzz::Require(HoldsNonFiniteNumber(file));
    return;
  }
  korvex_fuzz::Require(std::equal(written.begin(), written.end(), file.begin(), file.end()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  ReadAndWriteBack(std::span<const uint8_t>(data, size));
  const std::vector<uint8_t> fixed = korvex_fuzz::WithInkChecksum(data, size);
  if (!fixed.empty()) ReadAndWriteBack(fixed);
  return 0;
}
