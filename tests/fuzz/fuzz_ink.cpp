// The ".ink" scene file on any bytes. What reads must also write back to the
// very same bytes: the format is lossless.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "plugins/ink/InkFormat.h"

namespace {

void ReadAndWriteBack(std::span<const uint8_t> file) {
  InkSceneSettings settings{};
  auto tree = korvex::ink::ReadScene(file, settings);
  if (!tree) return;
  std::vector<uint8_t> written;
  korvex_fuzz::Require(korvex::ink::WriteScene(*tree, settings, written));
  korvex_fuzz::Require(std::equal(written.begin(), written.end(), file.begin(), file.end()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  ReadAndWriteBack(std::span<const uint8_t>(data, size));
  // Nearly every change breaks the checksum, which the reader tests first; a
  // copy with the checksum made right lets the changes reach the sections.
  if (size < 4) return 0;
  std::vector<uint8_t> fixed(data, data + size);
  const uint32_t crc = korvex::ink::Crc32(std::span<const uint8_t>(fixed.data(), size - 4));
  for (int i = 0; i < 4; ++i) fixed[size - 4 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(crc >> (8 * i));
  ReadAndWriteBack(fixed);
  return 0;
}
