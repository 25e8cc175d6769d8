#include "plugins/ink/InkFormat.h"

#include <zlib.h>

#include <algorithm>

#include "plugins/ink/InkFormatDetail.h"

namespace korvex::ink {

bool HasInstanceCycle(std::span<const int32_t> kinds, std::span<const int32_t> references) {
  const size_t n = kinds.size();
  for (size_t start = 0; start < n; ++start) {
    if (kinds[start] != kInkFigureInstance) continue;
    int32_t at = static_cast<int32_t>(start);
    for (size_t steps = 0; at >= 0 && kinds[static_cast<size_t>(at)] == kInkFigureInstance; ++steps) {
      if (steps > n) return true;
      at = references[static_cast<size_t>(at)];
      if (at == static_cast<int32_t>(start)) return true;
    }
  }
  return false;
}

uint32_t Crc32(std::span<const uint8_t> bytes) {
  // zlib takes at most a uInt of bytes per call.
  uLong crc = ::crc32(0L, Z_NULL, 0);
  while (!bytes.empty()) {
    const size_t step = std::min<size_t>(bytes.size(), size_t{1} << 30);
    crc = ::crc32(crc, bytes.data(), static_cast<uInt>(step));
    bytes = bytes.subspan(step);
  }
  return static_cast<uint32_t>(crc);
}

}  // namespace korvex::ink
