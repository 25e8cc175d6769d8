// The ".ink" scene file on any bytes. What reads must also write back to the
// very same bytes: the format is lossless.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "ink_checksum.h"
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
  const std::vector<uint8_t> fixed = korvex_fuzz::WithInkChecksum(data, size);
  if (!fixed.empty()) ReadAndWriteBack(fixed);
  return 0;
}
