// Internal to the kernel. The robust-normal scan written once over any ring
// that can be read by position, so that a polygon record and the working ring
// of the triangulation (a linked ring read from its current front) take the
// very same decisions.
#pragma once

#include <cfloat>
#include <cmath>
#include <span>
#include <vector>

#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"
#include "geometry/gm_vector.h"

namespace gm_detail {

// GMSplitSegmentByPolygons over rings held elsewhere, into a list the caller
// keeps from one segment to the next; `pieces` is emptied first and stays
// empty where the split gives up.
void SplitSegmentByRings(const GMSegment& segment, std::span<const GMPolygon* const> polygons, double tol,
                         std::vector<GMSegment>& pieces);

// GMIsNear for the scan's inner loop.
inline bool Near(double a, double b, double tol) { return GMIsNear(a, b, tol) != 0; }

// Segments kept once each, as a line list with duplicate rejection keeps
// them: a segment equal to a kept one within the tolerance, either way
// round, is refused; the rest are kept in the order given. Without the list's
// one allocation per segment, for the sections that fill one per face plane.
class SegmentSet {
 public:
  explicit SegmentSet(double tol) : tol_(tol) {}
  // True when the segment was kept.
  bool Add(const GMVector& a, const GMVector& b) {
    // An equal segment has an end within the tolerance of a: one with
    // neither end that near in x is passed over unasked.
    const double reach = 2.0 * tol_;
    for (const GMSegment& s : segments_) {
      if (std::fabs(s.start.x - a.x) > reach && std::fabs(s.end.x - a.x) > reach) continue;
      if (GMCompareSegments(s.start, s.end, a, b, tol_) != 0) return false;
    }
    segments_.push_back({a, b});
    return true;
  }
  const std::vector<GMSegment>& Segments() const { return segments_; }

 private:
  std::vector<GMSegment> segments_;
  double tol_;
};

// The normal at a vertex that is certainly convex: the vertex of largest x or
// largest y (whichever extent is wider), skipping the middle of runs of equal
// coordinate, with its nearest distinct neighbours on either side. `at(i)`
// returns the vertex at ring position i, 0 <= i < n.
template <typename At>
GMVector PolygonNormalAt(int n, const At& at, double tol) {
  if (n < 3) return GMUndefinedVector();
  double minX = DBL_MAX, minY = DBL_MAX;
  double maxX = -DBL_MAX, maxY = -DBL_MAX;
  int xVertex = -1, yVertex = -1;
  for (int i = 0; i < n; ++i) {
    const GMVector& p = at(i);
    const GMVector& prev = at(i == 0 ? n - 1 : i - 1);
    const GMVector& next = at(i + 1 == n ? 0 : i + 1);
    if (p.x < minX) minX = p.x;
    if (p.y < minY) minY = p.y;
    if (p.x > maxX && !(Near(prev.x, p.x, tol) && Near(next.x, p.x, tol))) {
      maxX = p.x;
      xVertex = i;
    }
    if (p.y > maxY && !(Near(prev.y, p.y, tol) && Near(next.y, p.y, tol))) {
      maxY = p.y;
      yVertex = i;
    }
  }
  const int extreme = (maxY - minY) < (maxX - minX) ? xVertex : yVertex;
  if (extreme < 0) return GMUndefinedVector();

  const GMVector& e = at(extreme);
  int prev = extreme;
  do {
    prev = prev == 0 ? n - 1 : prev - 1;
    if (prev == extreme) return GMUndefinedVector();
  } while (GMIsSamePoint(at(prev), e, tol));
  int next = extreme;
  do {
    next = next + 1 == n ? 0 : next + 1;
    if (next == extreme) return GMUndefinedVector();
  } while (GMIsSamePoint(at(next), e, tol));
  return GMTriangleNormal(at(prev), e, at(next));
}

// The crossing count's ray from p to its far end e, turned when it runs
// through a vertex (where the count is ambiguous): the new far end, a tenth
// of a radian round and on the other side of p.
inline GMVector TurnedRayEnd(const GMVector& p, const GMVector& e) {
  GMVector d = GMSubtract(p, e);
  GMRotate2D(d, 0.1, GM_TOLERANCE);
  return {p.x + d.x, p.y + d.y, 0.0};
}

// How often the crossing count turns its ray at a vertex, and raises it off
// an edge it runs along, before it gives up. A ray that only ever runs along
// edges would be raised for good; no real ring needs anywhere near this many.
inline constexpr int kMaxRayTurns = 100;
inline constexpr int kMaxRayRaises = 10000;

// The even-odd count of the crossings of a ray from p to e with a ring's
// edges, walked in order. A ray through a vertex, or along an edge, cannot
// tell in from out: it turns (through a vertex) or is raised (along an edge)
// and the walk starts again, until the budget of turns or raises is spent.
class RayCrossings {
 public:
  enum class Step { kCounted, kRestart, kGiveUp };

  // Takes the answer r of GMIntersectSegments2D for the ray p-e and the edge
  // a-b, which met at hit. On kRestart, e has moved and the walk starts at
  // the first edge again; on kGiveUp the count stands as it is.
  Step Take(int r, const GMVector& hit, const GMVector& a, const GMVector& b, const GMVector& p, GMVector& e,
            double tol) {
    if (r == 0) {
      if (!GMIsSamePoint(hit, b, tol) && !GMIsSamePoint(hit, a, tol)) {
        ++crossings_;
        return Step::kCounted;
      }
      e = TurnedRayEnd(p, e);
      if (++turns_ == kMaxRayTurns) return Step::kGiveUp;
    } else if (r == 2) {
      e.y += 1.0;
      if (++raises_ == kMaxRayRaises) return Step::kGiveUp;
    } else {
      return Step::kCounted;
    }
    crossings_ = 0;
    return Step::kRestart;
  }
  bool Inside() const { return crossings_ % 2 == 1; }

 private:
  int crossings_ = 0, turns_ = 0, raises_ = 0;
};

}  // namespace gm_detail
