// The triangulation as a sequence of point-list operations, exactly as the
// ear-clipping rules read. Slow (every ear test copies and re-projects the
// ring) but plain; the fast clipper in gm_triangulate.cpp is held to its
// results.
#include <array>
#include <vector>

#include "geometry/gm_lists.h"
#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_inside.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_triangulate.h"
#include "geometry/gm_vector.h"

int GMIsEar(CGMPointList& ring, double tol) {
  const int n = ring.GetCount();
  if (n < 3) return 1;
  const GMVector r0 = ring.GetPoint(0), r1 = ring.GetPoint(1), r2 = ring.GetPoint(2);
  // A corner whose two sides leave r0 the same way is a collinear spike.
  if (GMIsSamePoint(GMNormalize(GMSubtract(r0, r1), tol), GMNormalize(GMSubtract(r0, r2), tol), tol)) return 1;

  // The diagonal r0-r2 must not meet an edge that does not touch r0 or r2,
  // nor pass through a vertex.
  for (int j = 3; j <= n - 2; ++j) {
    const GMVector a = ring.GetPoint(j), b = ring.GetPoint(j + 1);
    GMVector hit;
    if (GMIntersectSegments3D(r0, r2, a, b, hit, tol) == 0) return 1;
    if (GMIsPointOnSegment(r0, r2, a, tol) || GMIsPointOnSegment(r0, r2, b, tol)) return 1;
  }

  // And it must run inside: its midpoint is inside the ring's own image.
  GMPolygon copy;
  copy.points.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) copy.points.push_back(ring.GetPoint(i));
  GMProjectionAxis axis = 0;
  const GMPolygonPtr image = GMProjectPolygonByOwnNormal(copy, axis);
  const GMVector mid = GMProject2D(GMMidpoint(r0, r2), axis);
  return GMPointInPolygon2D(*image, mid, 1, tol) ? 0 : 1;
}

namespace {
// Moves the front point to the back of the ring.
void Rotate(CGMPointList& ring) {
  const GMVector p = ring.GetPoint(0);
  ring.RemoveAt(0);
  ring.AddPoint(p);
}

bool IsSliver(const GMVector& a, const GMVector& b, const GMVector& c, double tol) {
  const double la = GMDistance(a, b), lb = GMDistance(b, c), lc = GMDistance(c, a);
  return GMIsNear(la, 0.0, tol) || GMIsNear(lb, 0.0, tol) || GMIsNear(lc, 0.0, tol) ||
         GMIsNear(GMHeronArea(la, lb, lc), 0.0, tol);
}
}  // namespace

GMPolygonSetPtr gm_detail::TriangulateByPointList(const GMPolygon& polygon, double tol) {
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
      Rotate(ring);
      if (++cycle == ring.GetCount()) {
        if (!triangles.empty()) {
          ring.InsertPoint(1, remembered);
          triangles.pop_back();
        }
        Rotate(ring);
        if (++backtracks == ring.GetCount()) break;
        cycle = 0;
      }
      continue;
    }
    const GMVector r0 = ring.GetPoint(0), r1 = ring.GetPoint(1), r2 = ring.GetPoint(2);
    if (!IsSliver(r0, r1, r2, tol)) {
      triangles.push_back({r0, r1, r2});
      remembered = r1;
    }
    ring.RemoveAt(1);
    Rotate(ring);
    cycle = 0;
  }
  triangles.push_back({ring.GetPoint(0), ring.GetPoint(1), ring.GetPoint(2)});

  auto set = std::make_unique<GMPolygonSet>();
  set->polygons.reserve(triangles.size());
  for (const auto& t : triangles) set->polygons.push_back(GMPolygon{{t[0], t[1], t[2]}});
  return set;
}
