#include "geometry/gm_point_index.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "geometry/gm_vector.h"

namespace {

// Coordinates far from the origin lose the fraction that tells how near a
// point is to a cell wall; there the neighbours on both sides are searched.
constexpr double kPreciseRange = 1e12;
constexpr double kClamp = 4.0e18;

uint64_t Mix(uint64_t h) {
  h ^= h >> 30;
  h *= 0xbf58476d1ce4e5b9ULL;
  h ^= h >> 27;
  h *= 0x94d049bb133111ebULL;
  h ^= h >> 31;
  return h;
}

}  // namespace

CGMPointIndex::CGMPointIndex(double tolerance)
    : tolerance_(tolerance),
      // Cells much wider than the tolerance keep most queries inside one cell.
      cell_(tolerance > 0.0 ? tolerance * 16.0 : 1e-6),
      margin_(tolerance > 0.0 ? 2.0 * tolerance / cell_ : 1e-9),
      slots_(64) {}

int64_t CGMPointIndex::CellOf(double v) const {
  const double q = std::floor(v / cell_);
  if (std::isnan(q)) return 0;
  return static_cast<int64_t>(std::clamp(q, -kClamp, kClamp));
}

size_t CGMPointIndex::FindSlot(const Key& key) const {
  const size_t mask = slots_.size() - 1;
  size_t i = Mix(static_cast<uint64_t>(key.x) * 0x9e3779b97f4a7c15ULL ^
                 Mix(static_cast<uint64_t>(key.y) + 0x632be59bd9b4e019ULL) ^
                 Mix(static_cast<uint64_t>(key.z) ^ 0x85ebca6b0c2b2ae3ULL)) &
             mask;
  while (slots_[i].used && !(slots_[i].key == key)) i = (i + 1) & mask;
  return i;
}

void CGMPointIndex::Grow() {
  std::vector<Slot> old;
  old.swap(slots_);
  slots_.assign(old.size() * 2, Slot{});
  usedSlots_ = 0;
  for (const Slot& s : old) {
    if (!s.used || s.head < 0) continue;  // cells emptied by Erase are dropped here
    const size_t i = FindSlot(s.key);
    slots_[i] = s;
    ++usedSlots_;
  }
}

void CGMPointIndex::Insert(const GMVector& p) {
  if ((usedSlots_ + 1) * 2 > slots_.size()) Grow();
  const Key key{CellOf(p.x), CellOf(p.y), CellOf(p.z)};
  const size_t i = FindSlot(key);
  Slot& slot = slots_[i];
  if (!slot.used) {
    slot.used = true;
    slot.key = key;
    slot.head = -1;
    ++usedSlots_;
  }
  int32_t e;
  if (freeEntry_ >= 0) {
    e = freeEntry_;
    freeEntry_ = entries_[static_cast<size_t>(e)].next;
    entries_[static_cast<size_t>(e)] = Entry{p, slot.head};
  } else {
    e = static_cast<int32_t>(entries_.size());
    entries_.push_back(Entry{p, slot.head});
  }
  slot.head = e;
  ++size_;
}

void CGMPointIndex::Erase(const GMVector& p) {
  const Key key{CellOf(p.x), CellOf(p.y), CellOf(p.z)};
  Slot& slot = slots_[FindSlot(key)];
  if (!slot.used) return;
  int32_t* link = &slot.head;
  while (*link >= 0) {
    Entry& entry = entries_[static_cast<size_t>(*link)];
    // The very bits that were inserted: the list erases the value it holds.
    if (std::memcmp(&entry.p, &p, sizeof p) == 0) {
      const int32_t e = *link;
      *link = entry.next;
      entry.next = freeEntry_;
      freeEntry_ = e;
      --size_;
      return;
    }
    link = &entry.next;
  }
}

bool CGMPointIndex::ContainsNear(const GMVector& p) const {
  int64_t lo[3], hi[3];
  const double v[3] = {p.x, p.y, p.z};
  for (int a = 0; a < 3; ++a) {
    const double q = v[a] / cell_;
    const int64_t k = CellOf(v[a]);
    lo[a] = hi[a] = k;
    if (!(std::fabs(q) < kPreciseRange)) {
      lo[a] = k - 1;
      hi[a] = k + 1;
      continue;
    }
    const double frac = q - std::floor(q);
    if (frac <= margin_) lo[a] = k - 1;
    if (frac >= 1.0 - margin_) hi[a] = k + 1;
  }
  for (int64_t x = lo[0]; x <= hi[0]; ++x)
    for (int64_t y = lo[1]; y <= hi[1]; ++y)
      for (int64_t z = lo[2]; z <= hi[2]; ++z) {
        const Slot& slot = slots_[FindSlot(Key{x, y, z})];
        if (!slot.used) continue;
        for (int32_t e = slot.head; e >= 0; e = entries_[static_cast<size_t>(e)].next)
          if (GMIsSamePoint(entries_[static_cast<size_t>(e)].p, p, tolerance_)) return true;
      }
  return false;
}
