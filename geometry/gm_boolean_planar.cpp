// The planar half of the Boolean engine: the cells of two sets of polygons
// lying in one plane.
//
// Both sets' outlines are cut where they cross each other and handed to a
// line network, whose bounded cells become the cells. A cell must not have a
// hole, because a face of the result is a single ring: wherever a polygon
// lies inside another without touching it, two bridges join the two rings,
// which splits the ring-shaped region between them into two simple cells.

#include <algorithm>
#include <cmath>

#include "geometry/gm_boolean.h"
#include "geometry/gm_linenet.h"
#include "geometry/gm_lists.h"
#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_detail.h"
#include "geometry/gm_polygon_inside.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_polygon_ops.h"
#include "geometry/gm_segment.h"
#include "geometry/gm_vector.h"

namespace {

GMVector Flat(const GMVector& p) { return {p.x, p.y, 0.0}; }

// The xy bounds of a ring or a segment, widened by the tolerance, so that
// pairs that cannot meet are passed over before any exact test.
struct Bounds {
  double x0 = GM_UNDEFINED, y0 = GM_UNDEFINED, x1 = -GM_UNDEFINED, y1 = -GM_UNDEFINED;
  void Add(const GMVector& p) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
  }
  Bounds Widened(double tol) const { return {x0 - tol, y0 - tol, x1 + tol, y1 + tol}; }
  bool Meets(const Bounds& o) const { return x0 <= o.x1 && o.x0 <= x1 && y0 <= o.y1 && o.y0 <= y1; }
  bool Within(const Bounds& o) const { return x0 >= o.x0 && x1 <= o.x1 && y0 >= o.y0 && y1 <= o.y1; }
};

Bounds BoundsOf(const GMPolygon& ring, double tol) {
  Bounds b;
  for (const GMVector& p : ring.points) b.Add(p);
  return b.Widened(tol);
}

// The lines of the arrangement and the bridges laid so far, for the test that
// a new bridge runs free of all of them.
class CBridgeBuilder {
 public:
  CBridgeBuilder(std::vector<GMSegment>& lines, double tol) : lines_(lines), tol_(tol) {}

  // A bridge a-b is free when it is no existing line, crosses no line except
  // at an end it shares with it, and no line's end lies on it away from its
  // own ends (which also rules out running along a line).
  bool IsFree(const GMVector& a, const GMVector& b) const {
    if (GMIsSamePoint(a, b, tol_)) return false;
    const GMVector mid = GMMidpoint(a, b);
    for (const GMSegment& line : lines_) {
      if (GMCompareSegments(line.start, line.end, a, b, tol_) != 0) return false;
      GMVector hit;
      const int r = GMIntersectSegments2D(a, b, line.start, line.end, hit, tol_);
      if (r == 3) return false;
      const bool sharesEnd = GMIsSamePoint(line.start, a, tol_) || GMIsSamePoint(line.start, b, tol_) ||
                             GMIsSamePoint(line.end, a, tol_) || GMIsSamePoint(line.end, b, tol_);
      if (r == 0 && !sharesEnd) return false;
      if (r == 2) {
        for (const GMVector* end : {&line.start, &line.end})
          if (!GMIsSamePoint(*end, a, tol_) && !GMIsSamePoint(*end, b, tol_) &&
              GMIsPointOnSegmentBySum(a, b, *end, tol_))
            return false;
        // A bridge lying wholly on a longer line has no line end on it.
        if (GMIsPointOnSegmentBySum(line.start, line.end, mid, tol_)) return false;
      }
    }
    return true;
  }

  // Joins the ring of `inner` to the ring of `outer` by two bridges with four
  // distinct ends, the first free vertex pairs in vertex order. Two bridges
  // from one vertex would leave a cell that passes that vertex twice, which no
  // simple ring can describe, so a second bridge must start and end elsewhere.
  // Returns the number of bridges laid (0 or 2): a single bridge is taken
  // back, since it would not split the region and only makes a ring that
  // walks the bridge both ways.
  int Join(const GMPolygon& outer, const GMPolygon& inner) {
    const int n = outer.Count(), m = inner.Count();
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < m; ++j) {
        if (!IsFree(outer[i], inner[j])) continue;
        lines_.push_back({outer[i], inner[j]});
        for (int k = 0; k < n; ++k) {
          if (GMIsSamePoint(outer[k], outer[i], tol_)) continue;
          for (int l = 0; l < m; ++l) {
            if (GMIsSamePoint(inner[l], inner[j], tol_)) continue;
            if (!IsFree(outer[k], inner[l])) continue;
            lines_.push_back({outer[k], inner[l]});
            return 2;
          }
        }
        lines_.pop_back();
      }
    return 0;
  }

 private:
  std::vector<GMSegment>& lines_;
  double tol_;
};

// Whether the inner ring shares a stretch of boundary with the outer one (an
// edge of the inner ring lies on the outer ring): the region between them is
// then open at that stretch and needs no bridge.
bool SharesBoundary(const GMPolygon& inner, const GMPolygon& outer, double tol) {
  const int m = inner.Count();
  for (int j = 0; j < m; ++j)
    if (GMPointOnPolygonBoundary(outer, GMMidpoint(inner[j], inner[(j + 1) % m]), tol)) return true;
  return false;
}

}  // namespace

InkFragmentsPtr CInkElement::CombinePlanar2D(std::span<const GMPolygon> a, std::span<const GMPolygon> b,
                                             int flag) {
  return CombinePlanar2DWithProbes(a, b, flag, nullptr);
}

InkFragmentsPtr CInkElement::CombinePlanar2DWithProbes(std::span<const GMPolygon> a, std::span<const GMPolygon> b,
                                                       int flag, std::vector<GMVector>* probes) {
  if (probes) probes->clear();
  const double tol = tolerance_;

  // Counter-clockwise copies in the xy plane. A ring without area bounds no
  // cell and would only disturb the relations below.
  std::vector<GMPolygon> rings;
  std::vector<char> fromA;
  const auto take = [&](std::span<const GMPolygon> set, bool isA) {
    for (const GMPolygon& polygon : set) {
      if (polygon.Count() < 3) continue;
      GMPolygon ring;
      ring.points.reserve(polygon.points.size());
      for (const GMVector& p : polygon.points) ring.points.push_back(Flat(p));
      const double area = GMPolygonArea2D(ring);
      if (std::abs(area) <= tol) continue;
      if (area < 0.0) GMReversePolygon(ring);
      rings.push_back(std::move(ring));
      fromA.push_back(isA ? 1 : 0);
    }
  };
  take(a, true);
  take(b, false);
  if (rings.empty()) return nullptr;
  // A's rings come first, then B's.
  const size_t countA = static_cast<size_t>(std::count(fromA.begin(), fromA.end(), 1));
  const std::span<const GMPolygon> setA(rings.data(), countA);
  const std::span<const GMPolygon> setB(rings.data() + countA, rings.size() - countA);
  std::vector<Bounds> bounds;
  for (const GMPolygon& ring : rings) bounds.push_back(BoundsOf(ring, tol));

  // Every outline cut where the other set's outlines cross it.
  gm_detail::SegmentSet list(tol);
  std::vector<GMSegment> lines;
  const auto addLine = [&](const GMVector& p, const GMVector& q) {
    if (list.Add(p, q)) lines.push_back({p, q});
  };
  std::vector<const GMPolygon*> others;
  std::vector<GMSegment> pieces, split, finer;
  for (size_t i = 0; i < rings.size(); ++i) {
    const GMPolygon& ring = rings[i];
    const int n = ring.Count();
    for (int k = 0; k < n; ++k) {
      const GMSegment edge{ring[k], ring[(k + 1) % n]};
      if (GMIsSamePoint(edge.start, edge.end, tol)) continue;
      // Only the other set's rings whose bounds the edge reaches can cut it.
      Bounds reach;
      reach.Add(edge.start);
      reach.Add(edge.end);
      reach = reach.Widened(tol);
      const std::span<const GMPolygon> set = fromA[i] ? setB : setA;
      const size_t first = fromA[i] ? countA : 0;
      others.clear();
      for (size_t j = first; j < first + set.size(); ++j)
        if (bounds[j].Meets(reach)) others.push_back(&rings[j]);
      pieces.clear();
      if (!others.empty()) gm_detail::SplitSegmentByRings(edge, others, tol, pieces);
      // The split gives up on an outline with a zero-length edge; the edge is
      // then kept whole rather than lost.
      if (pieces.empty()) pieces.push_back(edge);
      // Rings of one set meet as well: a courtyard's outline runs along the
      // roof around it, and two courtyards side by side share a wall. Where a
      // ring's edge runs along another ring of its own set, the other ring's
      // corners on it must cut it too, or the network would get two
      // overlapping lines of different length that no cell can be traced
      // along. Only the rings whose bounds the edge reaches are asked.
      const size_t own = fromA[i] ? 0 : countA;
      const size_t ownEnd = fromA[i] ? countA : rings.size();
      others.clear();
      for (size_t j = own; j < ownEnd; ++j)
        if (j != i && bounds[j].Meets(reach)) others.push_back(&rings[j]);
      if (!others.empty()) {
        finer.clear();
        for (const GMSegment& piece : pieces) {
          gm_detail::SplitSegmentByRings(piece, others, tol, split);
          if (split.empty()) split.push_back(piece);
          finer.insert(finer.end(), split.begin(), split.end());
        }
        pieces.swap(finer);
      }
      for (const GMSegment& piece : pieces)
        if (!GMIsSamePoint(piece.start, piece.end, tol)) addLine(piece.start, piece.end);
    }
  }

  // Bridges: each ring that lies inside another without sharing boundary with
  // it is joined to its nearest container (the one no other container of it
  // lies in). Rings that repeat another ring (the same outline in both sets)
  // count once.
  const int count = static_cast<int>(rings.size());
  std::vector<char> repeat(static_cast<size_t>(count), 0);
  for (int i = 0; i < count; ++i)
    for (int j = 0; j < i && !repeat[static_cast<size_t>(i)]; ++j)
      if (!repeat[static_cast<size_t>(j)] && GMIsSamePolygonEitherWay(rings[i], rings[j], tol))
        repeat[static_cast<size_t>(i)] = 1;
  // inside[i][j]: ring i lies within ring j.
  std::vector<std::vector<char>> inside(static_cast<size_t>(count), std::vector<char>(static_cast<size_t>(count), 0));
  for (int i = 0; i < count; ++i) {
    if (repeat[static_cast<size_t>(i)]) continue;
    for (int j = i + 1; j < count; ++j) {
      if (repeat[static_cast<size_t>(j)]) continue;
      // One ring can only lie in another whose bounds hold its own.
      if (!bounds[static_cast<size_t>(i)].Within(bounds[static_cast<size_t>(j)]) &&
          !bounds[static_cast<size_t>(j)].Within(bounds[static_cast<size_t>(i)]))
        continue;
      // Two rings alone in the plane that share boundary both ways (a face
      // of a bore and the strip its plane cuts from the pipe) get no bridge
      // whichever lies in which, and no third ring asks how they lie.
      if (count == 2 && SharesBoundary(rings[i], rings[j], tol) && SharesBoundary(rings[j], rings[i], tol)) continue;
      const int relation = GMPolygonRelation(rings[i], rings[j], tol);
      if (relation == GM_RELATION_A_IN_B) inside[static_cast<size_t>(i)][static_cast<size_t>(j)] = 1;
      if (relation == GM_RELATION_B_IN_A) inside[static_cast<size_t>(j)][static_cast<size_t>(i)] = 1;
    }
  }
  CBridgeBuilder bridges(lines, tol);
  for (int i = 0; i < count; ++i) {
    for (int j = 0; j < count; ++j) {
      if (!inside[static_cast<size_t>(i)][static_cast<size_t>(j)]) continue;
      bool nearest = true;
      for (int k = 0; k < count && nearest; ++k)
        if (k != i && k != j && inside[static_cast<size_t>(i)][static_cast<size_t>(k)] &&
            inside[static_cast<size_t>(k)][static_cast<size_t>(j)])
          nearest = false;
      if (!nearest || SharesBoundary(rings[i], rings[j], tol)) continue;
      bridges.Join(rings[j], rings[i]);
    }
  }

  // One network per thread, started again for every plane, keeps its
  // storage from plane to plane.
  thread_local CLineNet net;
  net.InitNetwork(tol);
  for (const GMSegment& line : lines) net.AddLineToNetwork(line.start, line.end);
  GMPolygonSetPtr cells = net.GetFaces(1);
  if (!cells) return nullptr;

  auto result = std::make_unique<InkFragments>();
  for (GMPolygon& cell : cells->polygons) {
    // The clockwise rings are the outer boundaries of connected parts.
    if (GMPolygonArea2D(cell) < -tol) continue;
    int word = 0;
    const GMVector probe = GMInteriorPoint(cell, tol, GM_INTERIOR_2D_CCW);
    if (!GMIsUndefined(probe)) {
      Bounds at;
      at.Add(probe);
      for (size_t j = 0; j < rings.size(); ++j) {
        const int bit = fromA[j] ? INK_CELL_IN_A : INK_CELL_IN_B;
        if (!(word & bit) && bounds[j].Meets(at) && GMPointInPolygon2D(rings[j], probe, 1, tol)) word |= bit;
      }
    }
    // With flag set, cells that lie in neither set are left out.
    if (flag && word == 0) continue;
    result->polygons.push_back(std::move(cell));
    result->flags.push_back(word);
    if (probes) probes->push_back(probe);
  }
  if (result->polygons.empty()) return nullptr;
  return result;
}

InkFragmentsPtr CInkElement::CombineCoplanar(std::span<const GMPolygon> a, std::span<const GMPolygon> b, int flag) {
  if (a.empty() || a[0].Count() < 3) return nullptr;
  const GMVector normal = GMPolygonNormal(a[0], GM_TOLERANCE);
  if (GMIsUndefined(normal)) return nullptr;
  const GMPlane plane = GMPlaneFromPointNormal(a[0][0], normal);
  const GMProjectionAxis axis = GMProjectionAxisOf(normal);

  // Every polygon is turned to the first one's normal and imaged on its axis,
  // so both sets meet in one consistent 2D picture.
  const auto image = [&](std::span<const GMPolygon> set) {
    std::vector<GMPolygon> out;
    for (const GMPolygon& polygon : set) {
      if (polygon.Count() < 3) continue;
      GMPolygon copy = polygon;
      const GMVector n = GMPolygonNormal(copy, GM_TOLERANCE);
      if (!GMIsUndefined(n) && GMDot(n, normal) < 0.0) GMReversePolygon(copy);
      for (GMVector& p : copy.points) p = GMProject2D(p, axis);
      out.push_back(std::move(copy));
    }
    return out;
  };
  const std::vector<GMPolygon> imageA = image(a), imageB = image(b);
  InkFragmentsPtr cells = CombinePlanar2D(imageA, imageB, flag);
  if (!cells) return nullptr;
  for (GMPolygon& cell : cells->polygons)
    for (GMVector& p : cell.points) p = GMUnproject2D(p.x, p.y, plane, axis);
  return cells;
}
