// A hash grid over the points of a list, so that the duplicate test of a point
// list costs a few probes instead of a comparison with every listed point.
//
// The grid is only a filter: it finds the listed points that may lie within
// the tolerance of a query, and the final decision is the same per-axis,
// closed GMIsSamePoint test the list makes without it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/gm_types.h"

class CGMPointIndex {
 public:
  explicit CGMPointIndex(double tolerance);

  void Insert(const GMVector& p);
  // Removes one entry with exactly these coordinates, if there is one.
  void Erase(const GMVector& p);
  // Whether some indexed point is GMIsSamePoint to p within the tolerance.
  bool ContainsNear(const GMVector& p) const;
  std::size_t Size() const { return size_; }

 private:
  struct Key {
    int64_t x, y, z;
    bool operator==(const Key&) const = default;
  };
  struct Slot {
    Key key{};
    int32_t head = -1;  // first entry of the cell's chain, -1 when none
    bool used = false;
  };
  struct Entry {
    GMVector p;
    int32_t next = -1;  // next entry of the same cell, or of the free list
  };

  int64_t CellOf(double v) const;
  std::size_t FindSlot(const Key& key) const;  // the slot of key, or the empty slot where it belongs
  void Grow();

  double tolerance_;
  double cell_;    // edge length of a cell
  double margin_;  // how close to a cell wall (in cells) a point must be to look next door
  std::vector<Slot> slots_;
  std::vector<Entry> entries_;
  int32_t freeEntry_ = -1;
  std::size_t usedSlots_ = 0;
  std::size_t size_ = 0;
};
