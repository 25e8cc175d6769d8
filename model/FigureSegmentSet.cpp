// Surfaces and outlines of segment-set figures.
//
// A segment set describes swept members (pipes, rails, ducts, bent bars) one
// length at a time. Each segment record names four index lists A, B, C, D:
//
//   A  the outer profile where the length starts
//   B  the same profile where it ends, point for point (same count as A, >= 2)
//   C  the inner profile at the start
//   D  the inner profile at the end, point for point (same count as C, >= 1)
//
// A single inner index stands for a profile shrunk to one point (two equal
// points): the axis of a solid bar. A closed profile repeats its first index
// at the end. The length is then the closed shell between the four profiles:
//
//   outer wall  the band A -> B
//   inner wall  the band C -> D, facing the other way (nothing when C and D
//               are single points: the band collapses to a line)
//   start face  the band between C and A (a fan to the axis point for a solid
//               bar, a ring for a hollow one)
//   end face    the band between B and D
//
// Neighbouring polygons run through their shared edges in opposite
// directions, so a closed length is consistently oriented.
//
// A band between two lists of equal count pairs them point for point and is
// made of quadrilaterals; a band between lists of different counts (the end
// faces when inner and outer profiles differ) is zipped together by triangles,
// advancing along whichever list is behind in relative length.
//
// Walls and level: level 1 gives one row of polygons per wall. Higher levels
// cut each wall into that many rows. When the end profile is the start profile
// turned about a line (a bend, as in a pipe elbow), the rows follow the turn:
// the start profile is rotated about the line where the two profile planes
// meet, by the corresponding share of the angle between them, so the bent
// wall keeps its radius instead of cutting across the bend. Any part of the
// end profile that the turn does not explain is blended in linearly, so the
// last row is the end profile exactly. Without such a turn the rows are
// straight interpolations between the profiles.
//
// Every polygon has its corners on these profiles or on the rulings and arcs
// between them; repeated corners are removed and polygons left with fewer
// than three corners are dropped.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_quaternion.h"
#include "geometry/gm_vector.h"
#include "model/FigureTessellationDetail.h"

namespace ink_tessellation {
namespace {

constexpr int kMaxRows = 64;
// A turn explains the end profile when no point misses by more than this share
// of the segment's size.
constexpr double kBendFit = 1e-3;
constexpr double kTol = GM_TOLERANCE;

GMVector Lerp(const GMVector& a, const GMVector& b, double t) { return a + (b - a) * t; }

// The polygon of the given corners without repeated neighbours; nothing when
// fewer than three distinct corners remain.
void Emit(std::span<const GMVector> corners, bool triangles, GMPolygonSet& out) {
  GMVector ring[4];
  int n = 0;
  for (const GMVector& p : corners)
    if (n == 0 || !GMIsSamePoint(ring[n - 1], p, kTol)) ring[n++] = p;
  while (n > 1 && GMIsSamePoint(ring[n - 1], ring[0], kTol)) --n;
  if (n < 3) return;
  if (n == 4 && triangles) {
    out.polygons.push_back(GMPolygon{{ring[0], ring[1], ring[2]}});
    out.polygons.push_back(GMPolygon{{ring[0], ring[2], ring[3]}});
    return;
  }
  out.polygons.push_back(GMPolygon{std::vector<GMVector>(ring, ring + n)});
}

// Relative position of each point along the polyline, 0 to 1; evenly spaced
// when the polyline has no length.
std::vector<double> Parameters(std::span<const GMVector> line) {
  std::vector<double> t(line.size(), 0.0);
  for (size_t i = 1; i < line.size(); ++i) t[i] = t[i - 1] + GMDistance(line[i - 1], line[i]);
  const double total = t.back();
  for (size_t i = 0; i < line.size(); ++i)
    t[i] = total > 0.0 ? t[i] / total : static_cast<double>(i) / static_cast<double>(line.size() - 1);
  return t;
}

// The band between x and y: its polygons run along x as x[i] -> x[i + 1] and
// along y as y[j + 1] -> y[j]. Both lists have at least two points.
void Band(std::span<const GMVector> x, std::span<const GMVector> y, bool triangles, GMPolygonSet& out) {
  if (x.size() == y.size()) {
    for (size_t i = 0; i + 1 < x.size(); ++i) {
      const GMVector quad[4] = {x[i], x[i + 1], y[i + 1], y[i]};
      Emit(quad, triangles, out);
    }
    return;
  }
  const std::vector<double> tx = Parameters(x), ty = Parameters(y);
  size_t i = 0, j = 0;
  while (i + 1 < x.size() || j + 1 < y.size()) {
    const bool advanceX = j + 1 == y.size() || (i + 1 < x.size() && tx[i + 1] <= ty[j + 1]);
    if (advanceX) {
      const GMVector tri[3] = {x[i], x[i + 1], y[j]};
      Emit(tri, triangles, out);
      ++i;
    } else {
      const GMVector tri[3] = {x[i], y[j + 1], y[j]};
      Emit(tri, triangles, out);
      ++j;
    }
  }
}

// The turn that carries the start profile onto the end profile, when there is
// one: about the line through centre along axis, by angle.
struct Bend {
  GMVector centre, axis;
  double angle = 0.0;
};

bool FindBend(std::span<const GMVector> a, std::span<const GMVector> b, Bend& bend) {
  if (a.size() < 3) return false;
  const GMPolygon pa{std::vector<GMVector>(a.begin(), a.end())};
  const GMPolygon pb{std::vector<GMVector>(b.begin(), b.end())};
  const GMVector na = GMPolygonNormal(pa, kTol), nb = GMPolygonNormal(pb, kTol);
  if (GMIsUndefined(na) || GMIsUndefined(nb)) return false;
  const GMVector u = GMCross(na, nb);
  const double uu = GMDot(u, u);
  if (uu <= kTol * kTol) return false;  // parallel profile planes: a straight length
  // The point of the line where the planes meet nearest the origin:
  // ((ha nb - hb na) x u) / |u|^2 with ha, hb the planes' offsets along their normals.
  const double ha = GMDot(na, a[0]), hb = GMDot(nb, b[0]);
  const GMVector c = GMCross(nb * ha - na * hb, u);
  bend.centre = c * (1.0 / uu);
  bend.axis = u * (1.0 / std::sqrt(uu));
  bend.angle = std::atan2(std::sqrt(uu), GMDot(na, nb));

  double size = 0.0, miss = 0.0;
  for (size_t i = 0; i < a.size(); ++i) {
    GMVector p = a[i];
    GMRotatePointAboutAxis(p, bend.centre, bend.axis, bend.angle);
    miss = std::max(miss, GMDistance(p, b[i]));
    size = std::max({size, GMDistance(a[i], a[0]), GMDistance(a[i], b[i])});
  }
  return miss <= kBendFit * size;
}

// Row t (0 to 1) of the wall swept from start to end.
void Row(std::span<const GMVector> start, std::span<const GMVector> end, const Bend* bend, double t,
         std::vector<GMVector>& row) {
  row.resize(start.size());
  for (size_t i = 0; i < start.size(); ++i) {
    if (!bend) {
      row[i] = Lerp(start[i], end[i], t);
      continue;
    }
    GMVector full = start[i], part = start[i];
    GMRotatePointAboutAxis(full, bend->centre, bend->axis, bend->angle);
    GMRotatePointAboutAxis(part, bend->centre, bend->axis, bend->angle * t);
    row[i] = part + (end[i] - full) * t;
  }
}

void Wall(std::span<const GMVector> start, std::span<const GMVector> end, const Bend* bend, int rows,
          bool reversed, bool triangles, GMPolygonSet& out) {
  std::vector<GMVector> lower(start.begin(), start.end()), upper;
  for (int r = 1; r <= rows; ++r) {
    if (r == rows)
      upper.assign(end.begin(), end.end());
    else
      Row(start, end, bend, static_cast<double>(r) / rows, upper);
    if (reversed)
      Band(upper, lower, triangles, out);
    else
      Band(lower, upper, triangles, out);
    lower.swap(upper);
  }
}

bool ValidList(const InkSegmentSetRecord& set, int32_t list) {
  if (list < 0 || list >= set.listCount) return false;
  for (int32_t i : set.lists[list].Indices())
    if (i < 0 || i >= set.vertexCount) return false;
  return true;
}

void Points(const InkSegmentSetRecord& set, int32_t list, std::vector<GMVector>& out) {
  out.clear();
  for (int32_t i : set.lists[list].Indices()) out.push_back(set.vertices[i]->position);
  if (out.size() == 1) out.push_back(out[0]);  // a profile shrunk to one point
}

}  // namespace

void AppendSegmentSetPolygons(const InkSegmentSetRecord& set, int level, bool triangles, GMPolygonSet& out) {
  const int rows = triangles ? 1 : std::clamp(level, 1, kMaxRows);
  std::vector<GMVector> a, b, c, d;
  for (const InkSegmentRecord& segment : std::span(set.segments, static_cast<size_t>(std::max(set.segmentCount, 0)))) {
    if (!std::all_of(segment.list, segment.list + 4, [&](int32_t l) { return ValidList(set, l); })) continue;
    const int32_t na = set.lists[segment.list[0]].count, nb = set.lists[segment.list[1]].count;
    const int32_t nc = set.lists[segment.list[2]].count, nd = set.lists[segment.list[3]].count;
    if (na != nb || na < 2 || nc != nd || nc < 1) continue;
    Points(set, segment.list[0], a);
    Points(set, segment.list[1], b);
    Points(set, segment.list[2], c);
    Points(set, segment.list[3], d);

    Bend bend;
    const Bend* turn = rows > 1 && FindBend(a, b, bend) ? &bend : nullptr;
    Wall(a, b, turn, rows, false, triangles, out);
    Wall(c, d, turn, rows, true, triangles, out);
    Band(c, a, triangles, out);
    Band(b, d, triangles, out);
  }
}

std::vector<GMSegment> SegmentSetOutline(const InkSegmentSetRecord& set, double tol) {
  // Each kept segment is filed under the grid cell of its start point; a new
  // segment can only repeat one whose start lies within tol of either of its
  // ends, so only the cells around those two points are searched. The final
  // decision is the closed per-axis comparison of both end points.
  const double cell = std::max(tol, 1e-12) * 2.0;
  struct Key {
    int64_t x, y, z;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    size_t operator()(const Key& k) const {
      return static_cast<size_t>(static_cast<uint64_t>(k.x) * 73856093u ^ static_cast<uint64_t>(k.y) * 19349663u ^
                                 static_cast<uint64_t>(k.z) * 83492791u);
    }
  };
  auto cellOf = [cell](double v) {
    const double q = std::floor(v / cell);
    if (!(q == q)) return int64_t{0};
    return static_cast<int64_t>(std::clamp(q, -4.0e18, 4.0e18));
  };
  auto keyOf = [&](const GMVector& p) { return Key{cellOf(p.x), cellOf(p.y), cellOf(p.z)}; };

  std::vector<GMSegment> segments;
  std::unordered_map<Key, std::vector<int32_t>, KeyHash> byStart;
  auto repeats = [&](const GMVector& a, const GMVector& b) {
    for (const GMVector& probe : {a, b}) {
      const Key k = keyOf(probe);
      for (int64_t dx = -1; dx <= 1; ++dx)
        for (int64_t dy = -1; dy <= 1; ++dy)
          for (int64_t dz = -1; dz <= 1; ++dz) {
            const auto it = byStart.find(Key{k.x + dx, k.y + dy, k.z + dz});
            if (it == byStart.end()) continue;
            for (int32_t s : it->second)
              if (GMCompareSegments(segments[static_cast<size_t>(s)].start, segments[static_cast<size_t>(s)].end, a, b,
                                    tol) != 0)
                return true;
          }
    }
    return false;
  };

  for (const InkIndexList& list : std::span(set.lists, static_cast<size_t>(std::max(set.listCount, 0)))) {
    for (int32_t j = 0; j + 1 < list.count; ++j) {
      const int32_t i0 = list.indices[j], i1 = list.indices[j + 1];
      if (i0 < 0 || i0 >= set.vertexCount || i1 < 0 || i1 >= set.vertexCount) continue;
      const GMVector& a = set.vertices[i0]->position;
      const GMVector& b = set.vertices[i1]->position;
      if (repeats(a, b)) continue;
      byStart[keyOf(a)].push_back(static_cast<int32_t>(segments.size()));
      segments.push_back({a, b});
    }
  }
  return segments;
}

}  // namespace ink_tessellation
