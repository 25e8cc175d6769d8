// The ".ink" reader tests the file's checksum before anything else, so nearly
// every change a fuzzer makes is refused at once. A copy with the checksum
// made right lets the changes reach the sections.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "plugins/ink/InkFormat.h"

namespace korvex_fuzz {

// The bytes with their last four replaced by the CRC-32 of the rest; empty
// when there are fewer than four.
inline std::vector<uint8_t> WithInkChecksum(const uint8_t* data, std::size_t size) {
  if (size < 4) return {};
  std::vector<uint8_t> fixed(data, data + size);
  const uint32_t crc = korvex::ink::Crc32(std::span<const uint8_t>(fixed.data(), size - 4));
  for (std::size_t i = 0; i < 4; ++i) fixed[size - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
  return fixed;
}

}  // namespace korvex_fuzz
