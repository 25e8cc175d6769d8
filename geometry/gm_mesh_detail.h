// Private helpers of the mesh operations: a hash grid that finds the entries
// lying within a tolerance of a query on every axis, the per-axis closed test
// that GMIsSamePoint makes.
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
#include <unordered_map>
#include <vector>

template <int N>
class CGMNearGrid {
 public:
  using Point = std::array<double, N>;

  explicit CGMNearGrid(double tol) : tol_(tol > 0.0 ? tol : 0.0), cell_(tol > 0.0 ? tol * 8.0 : 1e-6) {}

  void Reserve(std::size_t n) {
    entries_.reserve(n);
    heads_.reserve(n);
  }

  void Insert(const Point& p, int32_t id) {
    const Key key = KeyOf(p);
    auto it = heads_.try_emplace(key, -1).first;
    entries_.push_back({id, it->second});
    it->second = static_cast<int32_t>(entries_.size() - 1);
  }

  // Calls visit(id) for every entry in the cells that p ± tol reaches on
  // every axis. An entry may be visited that is not near; none that is near
  // is missed.
  template <typename Visit>
  void ForEachCandidate(const Point& p, Visit visit) const {
    std::array<int64_t, N> lo{}, hi{};
    for (int k = 0; k < N; ++k) {
      // A little beyond the tolerance, so rounding at a cell wall never
      // hides a point that the exact test would call near.
      const double slack = tol_ * 1.001 + std::abs(p[k]) * 4e-16 + 1e-300;
      lo[k] = CellOf(p[k] - slack);
      hi[k] = CellOf(p[k] + slack);
    }
    Key key{};
    VisitCells(key, lo, hi, 0, visit);
  }

 private:
  struct Key {
    std::array<int64_t, N> c{};
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const {
      uint64_t h = 1469598103934665603ull;
      for (int64_t v : k.c) {
        h ^= static_cast<uint64_t>(v) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
        h *= 1099511628211ull;
      }
      return static_cast<std::size_t>(h ^ (h >> 29));
    }
  };
  struct Entry {
    int32_t id;
    int32_t next;
  };

  int64_t CellOf(double v) const {
    // Far-out or undefined coordinates share the outermost cells; that only
    // costs comparisons, never a missed match.
    constexpr double kLimit = 4.0e18;
    const double q = std::floor(v / cell_);
    if (!(q > -kLimit)) return -static_cast<int64_t>(kLimit);
    if (!(q < kLimit)) return static_cast<int64_t>(kLimit);
    return static_cast<int64_t>(q);
  }

  Key KeyOf(const Point& p) const {
    Key key{};
    for (int k = 0; k < N; ++k) key.c[k] = CellOf(p[k]);
    return key;
  }

  template <typename Visit>
  void VisitCells(Key& key, const std::array<int64_t, N>& lo, const std::array<int64_t, N>& hi, int axis,
              Visit& visit) const {
    if (axis == N) {
      auto it = heads_.find(key);
      if (it == heads_.end()) return;
      for (int32_t e = it->second; e >= 0; e = entries_[static_cast<std::size_t>(e)].next)
        visit(entries_[static_cast<std::size_t>(e)].id);
      return;
    }
    for (int64_t c = lo[axis];; ++c) {
      key.c[axis] = c;
      VisitCells(key, lo, hi, axis + 1, visit);
      if (c >= hi[axis]) break;
    }
  }

  double tol_;
  double cell_;
  std::unordered_map<Key, int32_t, KeyHash> heads_;
  std::vector<Entry> entries_;
};
