// Welds the corners of an Assimp mesh by exact position.
#pragma once

#include <assimp/types.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvex::assimp {

// Welding by exact position through an open-addressing table: faster than
// the general containers for the millions of corners a large model has. The
// positions are welded as Assimp holds them (single precision), before any
// transform, so that equal corners stay equal. The table grows with the
// distinct positions, not with the corners, and keeps part of each hash
// beside the index so that most probes never touch a position.
class PositionWelder {
 public:
  PositionWelder() { slots_.resize(1024); }
  // The distinct positions in the order first met.
  const std::vector<aiVector3D>& Positions() const { return positions_; }

  // The welded index of p; a position not seen before becomes a new vertex.
  int32_t Index(const aiVector3D& p) {
    const uint64_t h = Hash(p);
    // Faces near each other in a file share corners: a small table of recent
    // positions answers most repeats without reaching into the large one.
    Slot& recent = recent_[h & (kRecent - 1)];
    if (recent.index >= 0 && recent.tag == static_cast<uint32_t>(h >> 32) &&
        Same(positions_[static_cast<size_t>(recent.index)], p))
      return recent.index;
    recent = {static_cast<uint32_t>(h >> 32), Find(p, h)};
    return recent.index;
  }

 private:
  static constexpr size_t kRecent = 4096;

  int32_t Find(const aiVector3D& p, uint64_t h) {
    if (2 * (positions_.size() + 1) > slots_.size()) Grow();
    const auto tag = static_cast<uint32_t>(h >> 32);
    const size_t mask = slots_.size() - 1;
    for (size_t i = h & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.index < 0) {
        slot = {tag, static_cast<int32_t>(positions_.size())};
        positions_.push_back(p);
        return slot.index;
      }
      if (slot.tag == tag && Same(positions_[static_cast<size_t>(slot.index)], p)) return slot.index;
    }
  }

  struct Slot {
    uint32_t tag = 0;
    int32_t index = -1;
  };
  // Equal positions give equal bits; -0 and +0 are one position.
  static uint32_t Bits(float v) { return std::bit_cast<uint32_t>(v == 0.0f ? 0.0f : v); }
  static bool Same(const aiVector3D& a, const aiVector3D& b) {
    return Bits(a.x) == Bits(b.x) && Bits(a.y) == Bits(b.y) && Bits(a.z) == Bits(b.z);
  }
  static uint64_t Hash(const aiVector3D& p) {
    uint64_t h = (uint64_t{Bits(p.x)} << 32 | Bits(p.y)) * 0x9E3779B97F4A7C15ull;
    h = (h ^ (h >> 29) ^ Bits(p.z)) * 0xC2B2AE3D27D4EB4Full;
    return h ^ (h >> 32);
  }
  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (size_t v = 0; v < positions_.size(); ++v) {
      const uint64_t h = Hash(positions_[v]);
      size_t i = h & mask;
      while (slots_[i].index >= 0) i = (i + 1) & mask;
      slots_[i] = {static_cast<uint32_t>(h >> 32), static_cast<int32_t>(v)};
    }
  }

  std::vector<aiVector3D> positions_;
  std::vector<Slot> slots_;
  std::vector<Slot> recent_ = std::vector<Slot>(kRecent);
};

}  // namespace korvex::assimp
