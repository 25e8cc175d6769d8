// The kernel's tolerance grid: a hash grid over points of N coordinates that
// finds the entries lying within a tolerance of a query on every axis, the
// per-axis closed test that GMIsSamePoint makes. Point lists use it for their
// duplicate test, the line network for its line ends and nodes, the mesh
// operations for shared vertices and coplanar faces.
//
// The grid is only a filter. It hands back every entry whose cell range may
// hold a match; the callers make the exact tolerance test themselves, so the
// answers are those of a comparison with every entry, in any order the
// callers choose to impose (usually the lowest index).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "common/hash_mix.h"

template <int N, typename Value = int32_t>
class CGMNearGrid {
 public:
  using Point = std::array<double, N>;

  explicit CGMNearGrid(double tol) : slots_(kFirstSlots) { SetTolerance(tol); }

  // Empties the grid for a new tolerance, keeping its storage: the Boolean
  // steps fill one grid per section.
  void Reset(double tol) {
    Clear();
    SetTolerance(tol);
  }

  void Clear() {
    // Only the cells in use are emptied: a grid that once held a large
    // network is refilled with many small ones.
    for (const std::size_t i : usedList_) slots_[i] = Slot{};
    usedList_.clear();
    entries_.clear();
    freeEntry_ = -1;
    size_ = 0;
  }

  void Reserve(std::size_t n) {
    entries_.reserve(n);
    while (slots_.size() < 2 * n) Grow();
  }

  std::size_t Size() const { return size_; }

  void Insert(const Point& p, const Value& value) {
    if ((usedList_.size() + 1) * 2 > slots_.size()) Grow();
    const Key key = KeyOf(p);
    const std::size_t i = FindSlot(key);
    Slot& slot = slots_[i];
    if (!slot.used) {
      slot.used = true;
      slot.key = key;
      slot.head = -1;
      usedList_.push_back(i);
    }
    int32_t e;
    if (freeEntry_ >= 0) {
      e = freeEntry_;
      freeEntry_ = entries_[static_cast<std::size_t>(e)].next;
      entries_[static_cast<std::size_t>(e)] = Entry{value, slot.head};
    } else {
      e = static_cast<int32_t>(entries_.size());
      entries_.push_back(Entry{value, slot.head});
    }
    slot.head = e;
    ++size_;
  }

  // Removes the latest entry filed at p for which match(value) holds; whether
  // there was one. p must be the point the entry was filed at.
  template <typename Match>
  bool Erase(const Point& p, Match match) {
    Slot& slot = slots_[FindSlot(KeyOf(p))];
    if (!slot.used) return false;
    for (int32_t* link = &slot.head; *link >= 0;) {
      Entry& entry = entries_[static_cast<std::size_t>(*link)];
      if (match(entry.value)) {
        const int32_t e = *link;
        *link = entry.next;
        entry.next = freeEntry_;
        freeEntry_ = e;
        --size_;
        return true;
      }
      link = &entry.next;
    }
    return false;
  }

  // Calls visit(value) for every entry in the cells that p ± tol reaches on
  // every axis. An entry may be visited that is not near; none that is near
  // is missed. A visit that returns true ends the search, and the call then
  // returns true.
  template <typename Visit>
  bool ForEachCandidate(const Point& p, Visit visit) const {
    std::array<int64_t, N> lo{}, hi{};
    for (int k = 0; k < N; ++k) {
      if (wholeSpace_) break;
      // A little beyond the tolerance, so rounding at a cell wall never
      // hides a point that the exact test would call near.
      const double slack = tol_ * 1.001 + std::abs(p[k]) * 4e-16 + 1e-300;
      lo[k] = CellOf(p[k] - slack);
      hi[k] = CellOf(p[k] + slack);
    }
    Key key{};
    return VisitCells<0>(key, lo, hi, visit);
  }

 private:
  struct Key {
    std::array<int64_t, N> c{};
    bool operator==(const Key&) const = default;
  };
  struct Slot {
    Key key{};
    int32_t head = -1;  // latest entry of the cell, -1 when none
    bool used = false;
  };
  struct Entry {
    Value value;
    int32_t next;  // the entry filed before it in the same cell, or the next free one
  };

  static constexpr std::size_t kFirstSlots = 64;
  static constexpr uint64_t kAxisSeed = 0x9e3779b97f4a7c15ULL;

  void SetTolerance(double tol) {
    tol_ = tol > 0.0 ? tol : 0.0;
    // Cells much wider than the tolerance keep most queries inside one cell.
    cell_ = tol > 0.0 ? tol * 16.0 : 1e-6;
    // A tolerance so large that its cells overflow takes in the whole space.
    wholeSpace_ = !(cell_ < 1e300);
  }

  int64_t CellOf(double v) const {
    // Within 2^50 cells of the origin a quotient is exact to an eighth of a
    // cell, so a query spans at most three cells on an axis, even where the
    // tolerance is below the rounding of the coordinates. Farther out, and
    // for undefined coordinates, points share the outermost cells: that
    // only costs comparisons, never a missed match.
    constexpr double kLimit = 1125899906842624.0;  // 2^50
    const double q = std::floor(v / cell_);
    if (!(q > -kLimit)) return -static_cast<int64_t>(kLimit);
    if (!(q < kLimit)) return static_cast<int64_t>(kLimit);
    return static_cast<int64_t>(q);
  }

  Key KeyOf(const Point& p) const {
    Key key{};
    if (!wholeSpace_)
      for (int k = 0; k < N; ++k) key.c[k] = CellOf(p[k]);
    return key;
  }

  // Cell coordinates of a plan come in regular strides, so they are mixed
  // thoroughly before the table reduces them to slots.
  static uint64_t Mix(uint64_t h) { return korvex::MixBits(h); }

  // The slot of key, or the empty slot where it belongs.
  std::size_t FindSlot(const Key& key) const {
    // Each axis is mixed on its own (no chain of dependent steps), with a
    // constant of its own so that swapped coordinates land apart.
    uint64_t h = 0;
    for (int k = 0; k < N; ++k)
      h ^= Mix(static_cast<uint64_t>(key.c[k]) + kAxisSeed * static_cast<uint64_t>(k + 1));
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = static_cast<std::size_t>(h) & mask;
    while (slots_[i].used && !(slots_[i].key == key)) i = (i + 1) & mask;
    return i;
  }

  // The cells lo..hi, the last axis fastest, each with its entries latest
  // first; true as soon as a visit says so. The loops unroll per axis.
  template <int Axis, typename Visit>
  bool VisitCells(Key& key, const std::array<int64_t, N>& lo, const std::array<int64_t, N>& hi,
                  Visit& visit) const {
    for (key.c[Axis] = lo[Axis];; ++key.c[Axis]) {
      if constexpr (Axis + 1 < N) {
        if (VisitCells<Axis + 1>(key, lo, hi, visit)) return true;
      } else if (const Slot& slot = slots_[FindSlot(key)]; slot.used) {
        for (int32_t e = slot.head; e >= 0; e = entries_[static_cast<std::size_t>(e)].next) {
          const Value& value = entries_[static_cast<std::size_t>(e)].value;
          if constexpr (!std::is_void_v<std::invoke_result_t<Visit&, const Value&>>) {
            if (visit(value)) return true;
          } else {
            visit(value);
          }
        }
      }
      if (key.c[Axis] >= hi[Axis]) return false;
    }
  }

  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    std::vector<std::size_t> oldUsed;
    oldUsed.swap(usedList_);
    for (const std::size_t i : oldUsed) {
      const Slot& s = old[i];
      if (s.head < 0) continue;  // cells emptied by Erase are dropped here
      const std::size_t j = FindSlot(s.key);
      slots_[j] = s;
      usedList_.push_back(j);
    }
  }

  double tol_ = 0.0;
  double cell_ = 1e-6;
  bool wholeSpace_ = false;
  std::vector<Slot> slots_;  // open addressing, a power of two long, at most half used
  std::vector<Entry> entries_;
  int32_t freeEntry_ = -1;
  std::vector<std::size_t> usedList_;  // the slots in use, for a quick Clear
  std::size_t size_ = 0;
};
