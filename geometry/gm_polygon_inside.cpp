#include "geometry/gm_polygon_inside.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <initializer_list>
#include <numeric>

#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_detail.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_polygon_ops.h"
#include "geometry/gm_segment.h"
#include "geometry/gm_vector.h"

namespace {
GMVector Flat(const GMVector& p) { return {p.x, p.y, 0.0}; }

// How far the 2D intersection test reaches beyond two segments' bounds when
// it finds them meeting: its tolerance, taken twice (a hit within the
// tolerance of each), and room for the rounding at coordinates this large.
double Reach(double tol, std::initializer_list<double> coordinates) {
  double largest = 0.0;
  for (double c : coordinates) largest = std::max(largest, std::fabs(c));
  return 2.0 * std::max(tol, 1e-7) + 8.0 * DBL_EPSILON * (1.0 + largest);
}

bool Apart(const GMVector& a0, const GMVector& a1, const GMVector& b0, const GMVector& b1, double reach) {
  return std::max(a0.x, a1.x) + reach < std::min(b0.x, b1.x) || std::max(b0.x, b1.x) + reach < std::min(a0.x, a1.x) ||
         std::max(a0.y, a1.y) + reach < std::min(b0.y, b1.y) || std::max(b0.y, b1.y) + reach < std::min(a0.y, a1.y);
}

// Whether GMIntersectSegments2D can call two segments of length (neither
// within tol of a point) parallel: their unit directions then agree within
// tol on each axis, so the sine between them is at most sqrt(2)·tol; or both
// run within tol of vertical. Rounding of the cross product is allowed for.
bool MayBeParallel(const GMVector& a0, const GMVector& a1, const GMVector& b0, const GMVector& b1, double tol) {
  const double ax = a1.x - a0.x, ay = a1.y - a0.y, bx = b1.x - b0.x, by = b1.y - b0.y;
  if (std::fabs(ax) <= 2.0 * tol && std::fabs(bx) <= 2.0 * tol) return true;
  const double cross = std::fabs(ax * by - ay * bx);
  const double slack = 3.0 * tol + 8.0 * DBL_EPSILON;
  // The sum of a vector's absolute coordinates is never less than its
  // length: a cross product beyond the bound with sums (and a margin for
  // rounding) is beyond it with lengths, found without the square roots.
  const double bySums = 1.01 * slack * (std::fabs(ax) + std::fabs(ay)) * (std::fabs(bx) + std::fabs(by));
  if (bySums > DBL_MIN && cross > bySums) return false;
  return !(cross > slack * std::hypot(ax, ay) * std::hypot(bx, by));
}

// The points that cut a segment, each once within the tolerance, in the
// order found; a plain vector, since every edge of every section gets one.
class CCutPoints {
 public:
  explicit CCutPoints(double tol) : tol_(tol) {}
  // Empty, for a new tolerance; the storage stays.
  void Reset(double tol) {
    tol_ = tol;
    points_.clear();
  }
  void Add(const GMVector& p) {
    for (const GMVector& q : points_)
      if (GMIsSamePoint(q, p, tol_)) return;
    points_.push_back(p);
  }
  // Nearest to `from` first; points at equal distance keep their order. A
  // point whose distance is not a number stays where it is and sorts the
  // runs before and after it apart.
  void SortByDistance(const GMVector& from) {
    const size_t n = points_.size();
    if (n < 2) return;
    distance_.resize(n);
    order_.resize(n);
    for (size_t i = 0; i < n; ++i) {
      distance_[i] = GMDistance(from, points_[i]);
      order_[i] = i;
    }
    const auto nearer = [&](size_t a, size_t b) { return distance_[a] < distance_[b]; };
    auto runStart = order_.begin();
    for (auto it = order_.begin(); it != order_.end(); ++it) {
      if (std::isnan(distance_[*it])) {
        std::stable_sort(runStart, it, nearer);
        runStart = it + 1;
      }
    }
    std::stable_sort(runStart, order_.end(), nearer);
    sorted_.clear();
    for (size_t k : order_) sorted_.push_back(points_[k]);
    points_.swap(sorted_);
  }
  const std::vector<GMVector>& Points() const { return points_; }

 private:
  double tol_;
  std::vector<GMVector> points_, sorted_;
  std::vector<double> distance_;
  std::vector<size_t> order_;
};

}  // namespace

int GMPointInPolygon2D(const GMPolygon& polygon, const GMVector& pIn, int onBoundary, double tol) {
  const int n = polygon.Count();
  const GMVector p = Flat(pIn);
  double maxX = p.x;
  double largest = 0.0;  // the largest coordinate of the ring, for the reach of the tests
  for (const GMVector& v : polygon.points) {
    maxX = std::max(maxX, v.x);
    largest = std::max({largest, std::fabs(v.x), std::fabs(v.y)});
  }
  // The point-on-segment test answers no for a point beyond its reach from
  // an edge's bounds; the reach taken over the whole ring is never smaller,
  // so an edge that far away is passed over without the call.
  const double onReach = 2.0 * tol + 8.0 * DBL_EPSILON * (1.0 + largest);
  for (int i = 0; i < n; ++i) {
    const GMVector& a = polygon[i];
    const GMVector& b = polygon[(i + 1) % n];
    if (p.x < std::min(a.x, b.x) - onReach || p.x > std::max(a.x, b.x) + onReach ||
        p.y < std::min(a.y, b.y) - onReach || p.y > std::max(a.y, b.y) + onReach)
      continue;
    if (GMIsPointOnSegment(Flat(a), Flat(b), p, tol)) return onBoundary != 0;
  }

  GMVector e{maxX + 100.0, p.y, 0.0};
  // The reach of the crossing test for the ray as it stands, taken over the
  // whole ring: never smaller than the reach for a single edge.
  double rayReach = Reach(tol, {p.x, p.y, e.x, e.y, largest});
  gm_detail::RayCrossings ray;
  for (int i = 0; i < n; ++i) {
    const GMVector a = Flat(polygon[i]);
    const GMVector b = Flat(polygon[(i + 1) % n]);
    if (GMIsSamePoint(a, b, tol)) continue;
    // An edge the ray cannot reach, and which it does not run along, is
    // one the intersection test would only call missed. Apart by the ring's
    // reach is apart by the edge's own; otherwise the edge's own decides.
    const bool apart = Apart(p, e, a, b, rayReach) || Apart(p, e, a, b, Reach(tol, {p.x, p.y, e.x, e.y, a.x, a.y, b.x, b.y}));
    if (apart && !MayBeParallel(p, e, a, b, tol)) continue;
    GMVector hit;
    const int r = GMIntersectSegments2D(p, e, a, b, hit, tol);
    const auto step = ray.Take(r, hit, a, b, p, e, tol);
    if (step == gm_detail::RayCrossings::Step::kGiveUp) break;
    if (step == gm_detail::RayCrossings::Step::kRestart) {
      rayReach = Reach(tol, {p.x, p.y, e.x, e.y, largest});
      i = -1;
    }
  }
  return ray.Inside() ? 1 : 0;
}

int GMPointInPolygon3D(const GMPolygon& polygon, const GMVector& p, int onBoundary, double tol) {
  const GMPlane plane = GMPolygonPlane(polygon);
  if (plane.nx == GM_UNDEFINED) return 0;
  if (GMPlaneSide(p, plane, 1e-7) != 0) return 0;
  GMProjectionAxis axis = 0;
  const GMPolygonPtr image = GMProjectPolygonByOwnNormal(polygon, axis);
  return GMPointInPolygon2D(*image, GMProject2D(p, axis), onBoundary, tol);
}

int GMPointInTriangle(const GMVector& t1, const GMVector& t2, const GMVector& t3, const GMVector& p,
                      int onBoundary, double tol) {
  if (GMIsPointOnSegment(t1, t2, p, tol) || GMIsPointOnSegment(t2, t3, p, tol) ||
      GMIsPointOnSegment(t3, t1, p, tol))
    return onBoundary;
  auto area = [](const GMVector& a, const GMVector& b, const GMVector& c, double t) {
    return GMTriangleAreaFromSides(GMDistance(a, b), GMDistance(b, c), GMDistance(c, a), t);
  };
  const double whole = area(t1, t2, t3, 1e-7);
  const double a1 = area(p, t1, t2, tol), a2 = area(p, t2, t3, tol), a3 = area(p, t3, t1, tol);
  // An impossible part triangle (only from rounding) cannot add up.
  if (whole == GM_UNDEFINED || a1 == GM_UNDEFINED || a2 == GM_UNDEFINED || a3 == GM_UNDEFINED) return 0;
  return GMIsNear(a1 + a2 + a3, whole, tol) ? 1 : 0;
}

int GMIntersectSegmentPolygon(const GMVector& p0, const GMVector& p1, const GMPolygon& polygon, GMVector& out,
                              double tol) {
  GMSetUndefined(out);
  if (polygon.Count() < 3) return 4;
  const GMPlane plane = GMPolygonPlane(polygon);
  if (plane.nx == GM_UNDEFINED) return 4;
  const int r = GMIntersectSegmentPlane(p0, p1, plane, out, tol);
  if (r != 0) return r;
  return GMPointInPolygon3D(polygon, out, 1, tol) ? 0 : 1;
}

void gm_detail::SplitSegmentByRings(const GMSegment& segment, std::span<const GMPolygon* const> polygons, double tol,
                                    std::vector<GMSegment>& pieces) {
  pieces.clear();
  const GMVector s0 = Flat(segment.start), s1 = Flat(segment.end);
  // Every edge of every section is split, so the cut points live in one
  // list per thread that keeps its storage.
  thread_local CCutPoints cuts(tol);
  cuts.Reset(tol);
  cuts.Add(s0);
  cuts.Add(s1);
  const bool pointLike = GMIsSamePoint(s0, s1, tol) != 0;
  for (const GMPolygon* polygon : polygons) {
    const int n = polygon->Count();
    // The reach of the test over the whole ring is never smaller than for
    // one of its edges: an edge apart by it is apart by its own.
    double largest = 0.0;
    for (const GMVector& v : polygon->points) largest = std::max({largest, std::fabs(v.x), std::fabs(v.y)});
    const double ringReach = Reach(tol, {s0.x, s0.y, s1.x, s1.y, largest});
    for (int i = 0; i < n; ++i) {
      const GMVector e0 = Flat((*polygon)[i]), e1 = Flat((*polygon)[(i + 1) % n]);
      // An edge of length whose bounds lie beyond the test's reach neither
      // meets the segment nor has an end on it: nothing to cut there.
      if (!pointLike && !GMIsSamePoint(e0, e1, tol) &&
          (Apart(s0, s1, e0, e1, ringReach) ||
           Apart(s0, s1, e0, e1, Reach(tol, {s0.x, s0.y, s1.x, s1.y, e0.x, e0.y, e1.x, e1.y}))))
        continue;
      GMVector hit;
      const int r = GMIntersectSegments2D(s0, s1, e0, e1, hit, tol);
      if (r == 3) return;
      if (r == 2) {
        // Along the segment: the edge's ends that lie on it cut it.
        if (GMIsPointOnSegment2D(s0, s1, e0, 1e-7, 1e-7)) cuts.Add(e0);
        if (GMIsPointOnSegment2D(s0, s1, e1, 1e-7, 1e-7)) cuts.Add(e1);
      } else if (r == 0) {
        // Snap a crossing to an end it nearly is, so pieces join exactly.
        for (const GMVector* end : {&s0, &s1, &e0, &e1})
          if (GMIsSamePoint(hit, *end, tol)) {
            hit = *end;
            break;
          }
        cuts.Add(hit);
      }
    }
  }
  cuts.SortByDistance(s0);
  const std::vector<GMVector>& points = cuts.Points();
  if (points.size() < 2) return;
  for (size_t i = 1; i < points.size(); ++i) pieces.push_back({points[i - 1], points[i]});
}

std::vector<GMSegment> GMSplitSegmentByPolygons(const GMSegment& segment, std::span<const GMPolygon> polygons,
                                                double tol) {
  std::vector<const GMPolygon*> rings;
  rings.reserve(polygons.size());
  for (const GMPolygon& polygon : polygons) rings.push_back(&polygon);
  std::vector<GMSegment> pieces;
  gm_detail::SplitSegmentByRings(segment, rings, tol, pieces);
  return pieces;
}

namespace {
// One polygon's ring refined by the points where the other polygon's edges
// touch it, in ring order, without zero-length edges.
std::vector<GMVector> JoinRefined(const std::vector<std::vector<GMVector>>& edgeLists, double tol) {
  std::vector<GMVector> ring;
  for (const std::vector<GMVector>& list : edgeLists) ring.insert(ring.end(), list.begin(), list.end());
  // A touching point found at a vertex (or twice on one edge) repeats a
  // point. The zero-length edge it would make lies on both boundaries, but
  // only one of the two rings may get it, which would upset the counts below
  // for polygons that merely touch; so drop such repeats.
  std::vector<GMVector> clean;
  clean.reserve(ring.size());
  for (size_t i = 0; i < ring.size(); ++i)
    if (!GMIsSamePoint(ring[i], ring[(i + 1) % ring.size()], tol)) clean.push_back(ring[i]);
  return clean;
}

void SortByDistanceFrom(std::vector<GMVector>& list, const GMVector& from) {
  // Stable: points at equal distance keep their order, as in the point list.
  std::vector<double> dist(list.size());
  for (size_t i = 0; i < list.size(); ++i) dist[i] = GMDistance(from, list[i]);
  std::vector<size_t> order(list.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t l, size_t r) { return dist[l] < dist[r]; });
  std::vector<GMVector> sorted;
  sorted.reserve(list.size());
  for (size_t k : order) sorted.push_back(list[k]);
  list.swap(sorted);
}

struct RefinedSide {
  int edges = 0;
  int inside = 0;
  int shared = 0;
};

// Counts the refined edges of `ring`, those whose midpoint lies in `other`
// (boundary inside), and those shared with an edge of `otherRing`.
RefinedSide CountSide(const std::vector<GMVector>& ring, const GMPolygon& other,
                      const std::vector<GMVector>& otherRing, double tol) {
  RefinedSide side;
  const size_t n = ring.size(), m = otherRing.size();
  side.edges = static_cast<int>(n);
  for (size_t i = 0; i < n; ++i) {
    const GMVector& a0 = ring[i];
    const GMVector& a1 = ring[(i + 1) % n];
    if (GMPointInPolygon2D(other, GMMidpoint(a0, a1), 1, tol)) ++side.inside;
    for (size_t j = 0; j < m; ++j)
      if (GMCompareSegments(a0, a1, otherRing[j], otherRing[(j + 1) % m], tol) != 0) {
        ++side.shared;
        break;
      }
  }
  return side;
}
}  // namespace

int GMPolygonRelation(const GMPolygon& aIn, const GMPolygon& bIn, double tol) {
  GMPolygon a, b;
  for (const GMVector& p : aIn.points) a.points.push_back(Flat(p));
  for (const GMVector& p : bIn.points) b.points.push_back(Flat(p));
  const int na = a.Count(), nb = b.Count();

  std::vector<std::vector<GMVector>> listsA(static_cast<size_t>(na)), listsB(static_cast<size_t>(nb));
  for (int i = 0; i < na; ++i) listsA[static_cast<size_t>(i)].push_back(a[i]);
  for (int j = 0; j < nb; ++j) listsB[static_cast<size_t>(j)].push_back(b[j]);

  // Only edges that meet can touch or cross: a pair whose bounds lie apart by
  // more than twice the tolerance (which is as far as the intersection test
  // reaches, with room for rounding) is passed over without the test.
  const auto boundsOf = [&](const GMPolygon& ring) {
    std::vector<std::array<double, 4>> out(ring.points.size());
    const int n = ring.Count();
    for (int i = 0; i < n; ++i) {
      const GMVector& p = ring[i];
      const GMVector& q = ring[(i + 1) % n];
      const double reach = Reach(tol, {p.x, p.y, q.x, q.y});
      out[static_cast<size_t>(i)] = {std::min(p.x, q.x) - reach, std::min(p.y, q.y) - reach,
                                     std::max(p.x, q.x) + reach, std::max(p.y, q.y) + reach};
    }
    return out;
  };
  const std::vector<std::array<double, 4>> boxA = boundsOf(a), boxB = boundsOf(b);
  for (int i = 0; i < na; ++i) {
    const GMVector& a0 = a[i];
    const GMVector& a1 = a[(i + 1) % na];
    const std::array<double, 4>& ba = boxA[static_cast<size_t>(i)];
    for (int j = 0; j < nb; ++j) {
      const std::array<double, 4>& bb = boxB[static_cast<size_t>(j)];
      if (ba[0] > bb[2] || bb[0] > ba[2] || ba[1] > bb[3] || bb[1] > ba[3]) continue;
      const GMVector& b0 = b[j];
      const GMVector& b1 = b[(j + 1) % nb];
      GMVector hit;
      if (GMIntersectSegments2D(a0, a1, b0, b1, hit, tol) != 0) continue;
      const bool atEnd = GMIsSamePoint(hit, a0, tol) || GMIsSamePoint(hit, a1, tol) ||
                         GMIsSamePoint(hit, b0, tol) || GMIsSamePoint(hit, b1, tol);
      if (!atEnd) return GM_RELATION_OVERLAP;  // the edges cross properly
      listsA[static_cast<size_t>(i)].push_back(hit);
      listsB[static_cast<size_t>(j)].push_back(hit);
    }
  }
  for (int i = 0; i < na; ++i) SortByDistanceFrom(listsA[static_cast<size_t>(i)], a[i]);
  for (int j = 0; j < nb; ++j) SortByDistanceFrom(listsB[static_cast<size_t>(j)], b[j]);
  const std::vector<GMVector> ringA = JoinRefined(listsA, tol);
  const std::vector<GMVector> ringB = JoinRefined(listsB, tol);

  const RefinedSide sideA = CountSide(ringA, b, ringB, tol);
  if (sideA.inside == sideA.edges) return GM_RELATION_A_IN_B;
  if (sideA.inside != sideA.shared) return GM_RELATION_OVERLAP;
  const RefinedSide sideB = CountSide(ringB, a, ringA, tol);
  if (sideB.inside == sideB.edges) return GM_RELATION_B_IN_A;
  if (sideB.inside != sideB.shared) return GM_RELATION_OVERLAP;
  return GM_RELATION_TOUCH;
}
