#include "geometry/gm_lists.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "geometry/gm_near_grid.h"
#include "geometry/gm_vector.h"

namespace {

using PointGrid = CGMNearGrid<3, GMVector>;

PointGrid::Point AsPoint(const GMVector& p) { return {p.x, p.y, p.z}; }

// Below this many points a plain scan is as quick as the hash grid.
constexpr int kIndexThreshold = 16;

template <typename T>
T* NewElement(const T& value) {
  return new (std::nothrow) T(value);
}

}  // namespace

// --- CGMPointList --------------------------------------------------------------

CGMPointList::CGMPointList() = default;

CGMPointList::~CGMPointList() {
  for (CPlainItem* link = Head(); link; link = link->GetNext()) delete static_cast<GMVector*>(link->GetData());
}

void CGMPointList::RemoveAt(int index) {
  CPlainItem* link = LinkAt(index);
  if (!link) return;
  auto* point = static_cast<GMVector*>(link->GetData());
  // The very bits that were filed: the list erases the value it holds.
  if (index_ && point)
    index_->Erase(AsPoint(*point),
                  [point](const GMVector& q) { return std::memcmp(&q, point, sizeof q) == 0; });
  delete point;
  CPlainListCap::RemoveAt(index);
}

void CGMPointList::RemoveAll() {
  for (CPlainItem* link = Head(); link; link = link->GetNext()) delete static_cast<GMVector*>(link->GetData());
  DropIndex();
  CPlainListCap::RemoveAll();
}

int CGMPointList::SetAt(int index, void* data) {
  // A replaced element bypasses the grid; rebuild it on the next duplicate test.
  DropIndex();
  return CPlainListCap::SetAt(index, data);
}

void CGMPointList::DropIndex() { index_.reset(); }

GMVector* CGMPointList::GetPointAt(int index) { return static_cast<GMVector*>(GetAt(index)); }

// The probe order favours the ends and the cursor's neighbourhood, because
// rings are built and read sequentially.
template <typename Match>
int CGMPointList::ProbeFind(Match match) const {
  const int n = GetCount();
  if (n == 0) return -1;
  if (match(Head())) return 0;
  if (n == 1) return -1;
  if (CPlainItem* last = LinkAt(n - 1); match(last)) return n - 1;
  const int m = GetCurrentIndex();
  if (m > 0 && m < n - 1) {
    if (match(LinkAt(m))) return m;
    if (m >= 2 && match(LinkAt(m - 1))) return m - 1;
    if (m + 1 < n - 1 && match(LinkAt(m + 1))) return m + 1;
  }
  int i = 1;
  for (CPlainItem* link = Head()->GetNext(); link && i <= n - 2; link = link->GetNext(), ++i)
    if (match(link)) return i;
  return -1;
}

// Whether some listed point is GMIsSamePoint to p, through the grid.
bool CGMPointList::IndexHolds(const GMVector& p) const {
  return index_->ForEachCandidate(AsPoint(p),
                                  [&](const GMVector& q) { return GMIsSamePoint(q, p, tolerance_) != 0; });
}

int CGMPointList::FindPoint(const GMVector& p) {
  if (index_ && !IndexHolds(p)) return -1;
  const double tol = tolerance_;
  return ProbeFind([&](const CPlainItem* link) {
    const auto* q = static_cast<const GMVector*>(link->GetData());
    return q && GMIsSamePoint(*q, p, tol);
  });
}

int CGMPointList::FindId(int id) {
  return ProbeFind([id](const CPlainItem* link) { return link->GetId() == id; });
}

int CGMPointList::SetFlags(int flags) {
  const int old = flags_;
  flags_ = flags;
  return old;
}

int CGMPointList::GetFlags() const { return flags_; }

void CGMPointList::SetTolerance(int flags, double tolerance) {
  flags_ = flags;
  if (tolerance != tolerance_) DropIndex();
  tolerance_ = tolerance;
}

int CGMPointList::Accepts(const GMVector& p) {
  if (!(flags_ & GM_LIST_UNIQUE)) return 1;
  if (!index_ && GetCount() >= kIndexThreshold) {
    index_ = std::make_unique<PointGrid>(tolerance_);
    for (CPlainItem* link = Head(); link; link = link->GetNext())
      if (const auto* q = static_cast<const GMVector*>(link->GetData())) index_->Insert(AsPoint(*q), *q);
  }
  if (index_) return IndexHolds(p) ? 0 : 1;
  return FindPoint(p) >= 0 ? 0 : 1;
}

int CGMPointList::AddPoint(const GMVector& p) {
  if (!Accepts(p)) return -1;
  GMVector* copy = NewElement(p);
  if (!copy) return -1;
  const int i = Add(copy);
  if (i < 0) {
    delete copy;
    return -1;
  }
  if (index_) index_->Insert(AsPoint(p), p);
  return i;
}

int CGMPointList::InsertPoint(int index, const GMVector& p) {
  if (!Accepts(p)) return -1;
  GMVector* copy = NewElement(p);
  if (!copy) return -1;
  const int i = InsertAt(index, copy);
  if (i < 0) {
    delete copy;
    return -1;
  }
  if (index_) index_->Insert(AsPoint(p), p);
  return i;
}

GMVector CGMPointList::GetPoint(int index) { return *GetPointAt(index); }

// Equivalent to exchanging neighbours whose second point is strictly nearer
// and rescanning from the front until no such pair is left: that leaves every
// run between unorderable (NaN) distances stably sorted, and NaN entries where
// they were. Coordinates and ids move; the element storage stays with its link.
void CGMPointList::SortByDistance(const GMVector& p) {
  const int n = GetCount();
  if (n < 2) return;
  struct Item {
    double distance;
    GMVector point;
    int id;
  };
  std::vector<Item> items;
  std::vector<CPlainItem*> links;
  items.reserve(static_cast<size_t>(n));
  links.reserve(static_cast<size_t>(n));
  for (CPlainItem* link = Head(); link; link = link->GetNext()) {
    const GMVector q = *static_cast<const GMVector*>(link->GetData());
    items.push_back({GMDistance(p, q), q, link->GetId()});
    links.push_back(link);
  }
  auto nearer = [](const Item& a, const Item& b) { return a.distance < b.distance; };
  auto runStart = items.begin();
  for (auto it = items.begin(); it != items.end(); ++it) {
    if (std::isnan(it->distance)) {
      std::stable_sort(runStart, it, nearer);
      runStart = it + 1;
    }
  }
  std::stable_sort(runStart, items.end(), nearer);
  for (size_t i = 0; i < items.size(); ++i) {
    *static_cast<GMVector*>(links[i]->GetData()) = items[i].point;
    links[i]->SetId(items[i].id);
  }
}

GMPolygonPtr CGMPointList::ToPolygon() {
  const int n = GetCount();
  if (n < 3) return nullptr;
  std::vector<GMVector> all;
  all.reserve(static_cast<size_t>(n));
  for (CPlainItem* link = Head(); link; link = link->GetNext())
    all.push_back(*static_cast<const GMVector*>(link->GetData()));
  std::vector<GMVector> kept;
  kept.reserve(all.size());
  for (size_t i = 0; i < all.size(); ++i)
    if (!GMIsSamePoint(all[i], all[(i + 1) % all.size()], tolerance_)) kept.push_back(all[i]);
  return GMNewPolygon(kept);
}

// --- CGMLineList ---------------------------------------------------------------

CGMLineList::CGMLineList() = default;

CGMLineList::~CGMLineList() {
  for (CPlainItem* link = Head(); link; link = link->GetNext()) delete static_cast<GMSegment*>(link->GetData());
}

void CGMLineList::RemoveAt(int index) {
  if (CPlainItem* link = LinkAt(index)) {
    delete static_cast<GMSegment*>(link->GetData());
    CPlainListCap::RemoveAt(index);
  }
}

// The elements are freed here too, so that clearing a list never leaks them.
void CGMLineList::RemoveAll() {
  for (CPlainItem* link = Head(); link; link = link->GetNext()) delete static_cast<GMSegment*>(link->GetData());
  CPlainListCap::RemoveAll();
}

int CGMLineList::SetFlags(int flags) {
  const int old = flags_;
  flags_ = flags;
  return old;
}

int CGMLineList::GetFlags() const { return flags_; }

void CGMLineList::SetTolerance(int flags, double tolerance) {
  flags_ = flags;
  tolerance_ = tolerance;
}

int CGMLineList::Accepts(const GMVector& a, const GMVector& b) {
  if (!(flags_ & GM_LIST_UNIQUE)) return 1;
  const int bothWays = (flags_ & GM_LIST_DIRECTED) ? 0 : 1;
  return FindLine(a, b, bothWays) >= 0 ? 0 : 1;
}

int CGMLineList::AddLine(const GMVector& a, const GMVector& b) {
  if (!Accepts(a, b)) return -1;
  GMSegment* copy = NewElement(GMSegment{a, b});
  if (!copy) return -1;
  const int i = Add(copy);
  if (i < 0) delete copy;
  return i;
}

GMSegment CGMLineList::GetLine(int index) { return *static_cast<const GMSegment*>(GetAt(index)); }

int CGMLineList::FindLine(const GMVector& a, const GMVector& b, int bothWays) {
  int i = 0;
  for (CPlainItem* link = Head(); link; link = link->GetNext(), ++i) {
    const auto* s = static_cast<const GMSegment*>(link->GetData());
    const int r = GMCompareSegments(s->start, s->end, a, b, tolerance_);
    if (r == 1 || (bothWays && r != 0)) return i;
  }
  return -1;
}

std::vector<int> CGMLineList::LinesAtPoint(const GMVector& p) {
  std::vector<int> found;
  int i = 0;
  for (CPlainItem* link = Head(); link; link = link->GetNext(), ++i) {
    const auto* s = static_cast<const GMSegment*>(link->GetData());
    if (GMIsSamePoint(s->start, p, tolerance_) || GMIsSamePoint(s->end, p, tolerance_)) found.push_back(i);
  }
  return found;
}

// --- CGMPolygonList ------------------------------------------------------------

CGMPolygonList::CGMPolygonList() = default;

CGMPolygonList::~CGMPolygonList() {
  for (CPlainItem* link = Head(); link; link = link->GetNext()) delete static_cast<GMPolygon*>(link->GetData());
}

void CGMPolygonList::RemoveAt(int index) {
  if (CPlainItem* link = LinkAt(index)) {
    delete static_cast<GMPolygon*>(link->GetData());
    CPlainListCap::RemoveAt(index);
  }
}

void CGMPolygonList::RemoveAll() {
  while (GetCount() > 0) RemoveAt(0);
}

int CGMPolygonList::SetFlags(int flags) {
  const int old = flags_;
  flags_ = flags;
  return old;
}

int CGMPolygonList::GetFlags() const { return flags_; }

void CGMPolygonList::SetTolerance(int flags, double tolerance) {
  flags_ = flags;
  tolerance_ = tolerance;
}

int CGMPolygonList::Accepts(const GMPolygon& polygon) {
  if (!(flags_ & GM_LIST_UNIQUE)) return 1;
  return FindPolygon(polygon) >= 0 ? 0 : 1;
}

int CGMPolygonList::AddPolygonCopy(const GMPolygon* polygon) {
  if (!polygon) return -1;
  GMPolygonPtr copy = GMCopyPolygon(polygon);
  if (!copy || !Accepts(*polygon)) return -1;
  const int i = Add(copy.get());
  if (i >= 0) copy.release();  // the list owns it now
  return i;
}

const GMPolygon* CGMPolygonList::GetPolygon(int index) { return static_cast<const GMPolygon*>(GetAt(index)); }

int CGMPolygonList::FindPolygon(const GMPolygon& polygon) {
  int i = 0;
  for (CPlainItem* link = Head(); link; link = link->GetNext(), ++i)
    if (GMIsSamePolygon(*static_cast<const GMPolygon*>(link->GetData()), polygon, tolerance_)) return i;
  return -1;
}

GMPolygonSetPtr CGMPolygonList::ToPolygonSet() {
  if (GetCount() == 0) return nullptr;
  auto set = std::make_unique<GMPolygonSet>();
  set->polygons.reserve(static_cast<size_t>(GetCount()));
  for (CPlainItem* link = Head(); link; link = link->GetNext())
    set->polygons.push_back(*static_cast<const GMPolygon*>(link->GetData()));
  return set;
}

// --- CNumList ------------------------------------------------------------------

CNumList::CNumList() = default;

CNumList::~CNumList() {
  for (CPlainItem* link = Head(); link; link = link->GetNext()) delete static_cast<double*>(link->GetData());
}

void CNumList::RemoveAt(int index) {
  if (CPlainItem* link = LinkAt(index)) {
    delete static_cast<double*>(link->GetData());
    CPlainListCap::RemoveAt(index);
  }
}

void CNumList::RemoveAll() {
  for (CPlainItem* link = Head(); link; link = link->GetNext()) delete static_cast<double*>(link->GetData());
  CPlainListCap::RemoveAll();
}

int CNumList::AddNumber(double v) {
  double* copy = NewElement(v);
  if (!copy) return -1;
  const int i = Add(copy);
  if (i < 0) delete copy;
  return i;
}

int CNumList::InsertNumber(int index, double v) {
  double* copy = NewElement(v);
  if (!copy) return -1;
  const int i = InsertAt(index, copy);
  if (i < 0) delete copy;
  return i;
}

double CNumList::GetNumber(int index) { return *static_cast<const double*>(GetAt(index)); }

int CNumList::FindNumber(double v) {
  int i = 0;
  for (CPlainItem* link = Head(); link; link = link->GetNext(), ++i)
    if (GMIsNear(*static_cast<const double*>(link->GetData()), v, 1e-7)) return i;
  return -1;
}

// Selection sort: the smallest remaining value (the first on ties) moves to
// position k and takes its id along, so equal values keep their order.
void CNumList::SortNumbers() {
  const int n = GetCount();
  for (int k = 0; k < n;) {
    int smallest = k;
    double best = GetNumber(k);
    for (int i = k + 1; i < n; ++i) {
      const double v = GetNumber(i);
      if (v < best) {
        best = v;
        smallest = i;
      }
    }
    if (smallest == k) {
      ++k;
      continue;
    }
    const int id = GetIdAt(smallest);
    RemoveAt(smallest);
    if (InsertNumber(k, best) < 0) {
      // Out of memory half-way: put the value back at the end rather than lose it.
      if (AddNumber(best) >= 0) SetIdAt(GetCount() - 1, id);
      return;
    }
    SetIdAt(k, id);
  }
}
