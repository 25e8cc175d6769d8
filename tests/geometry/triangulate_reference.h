// The triangulation carried out step by step on a point list, exactly as the
// ear-clipping rules read: every ear test copies and re-projects the ring.
// Slow but plain; the linked clipper of the product (GMTriangulate) must give
// exactly its results, and the tests and the benchmark hold it to them.
#pragma once

#include <array>
#include <vector>

#include "geometry/gm_lists.h"
#include "geometry/gm_polygon.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_triangulate.h"
#include "geometry/gm_vector.h"

namespace gm_detail {

namespace reference_detail {
// Moves the front point to the back of the ring.
inline void Rotate(CGMPointList& ring) {
  const GMVector p = ring.GetPoint(0);
  ring.RemoveAt(0);
  ring.AddPoint(p);
}

inline bool IsSliver(const GMVector& a, const GMVector& b, const GMVector& c, double tol) {
  const double la = GMDistance(a, b), lb = GMDistance(b, c), lc = GMDistance(c, a);
  return GMIsNear(la, 0.0, tol) || GMIsNear(lb, 0.0, tol) || GMIsNear(lc, 0.0, tol) ||
         GMIsNear(GMHeronArea(la, lb, lc), 0.0, tol);
}
}  // namespace reference_detail

inline GMPolygonSetPtr TriangulateByPointList(const GMPolygon& polygon, double tol) {
  const int n = polygon.Count();
  if (n < 3) return nullptr;
  if (n == 3) {
    auto set = std::make_unique<GMPolygonSet>();
    set->polygons.push_back(polygon);
    return set;
  }
  CGMPointList ring;
  ring.SetTolerance(GM_LIST_UNIQUE, tol);
  for (const GMVector& p : polygon.points) {
    if (p.x == GM_UNDEFINED || p.y == GM_UNDEFINED || p.z == GM_UNDEFINED) return nullptr;
    if (ring.AddPoint(p) < 0) return nullptr;
  }
  if (ring.GetCount() <= 2) return nullptr;

  std::vector<std::array<GMVector, 3>> triangles;
  GMVector remembered;
  int cycle = 0, backtracks = 0;
  while (ring.GetCount() > 3) {
    if (GMIsEar(ring, tol) != 0) {
      reference_detail::Rotate(ring);
      if (++cycle == ring.GetCount()) {
        if (!triangles.empty()) {
          ring.InsertPoint(1, remembered);
          triangles.pop_back();
        }
        reference_detail::Rotate(ring);
        if (++backtracks == ring.GetCount()) break;
        cycle = 0;
      }
      continue;
    }
    const GMVector r0 = ring.GetPoint(0), r1 = ring.GetPoint(1), r2 = ring.GetPoint(2);
    if (!reference_detail::IsSliver(r0, r1, r2, tol)) {
      triangles.push_back({r0, r1, r2});
      remembered = r1;
    }
    ring.RemoveAt(1);
    reference_detail::Rotate(ring);
    cycle = 0;
  }
  triangles.push_back({ring.GetPoint(0), ring.GetPoint(1), ring.GetPoint(2)});

  auto set = std::make_unique<GMPolygonSet>();
  set->polygons.reserve(triangles.size());
  for (const auto& t : triangles) set->polygons.push_back(GMPolygon{{t[0], t[1], t[2]}});
  return set;
}

}  // namespace gm_detail
