// Scrambles the bits of a 64-bit word so that keys in regular strides (grid
// cells, coordinates of a plan, counters) spread evenly over a hash table's
// slots: the finishing step of the splitmix generator.
#pragma once

#include <cstdint>

namespace korvex {

inline constexpr uint64_t MixBits(uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  x ^= x >> 31;
  return x;
}

}  // namespace korvex
