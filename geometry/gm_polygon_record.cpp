#include "geometry/gm_polygon.h"

GMPolygonPtr GMNewPolygon(std::span<const GMVector> points) {
  if (points.size() < 3) return nullptr;
  auto polygon = std::make_unique<GMPolygon>();
  polygon->points.assign(points.begin(), points.end());
  return polygon;
}

GMPolygonPtr GMCopyPolygon(const GMPolygon* polygon) {
  if (!polygon) return nullptr;
  return std::make_unique<GMPolygon>(*polygon);
}

GMPolygonSetPtr GMCopyPolygonSet(const GMPolygonSet* set) {
  if (!set) return nullptr;
  return std::make_unique<GMPolygonSet>(*set);
}

#include "geometry/gm_vector.h"

int GMFindVertex(const GMVector& p, const GMPolygon& polygon, double tol) {
  for (int i = 0; i < polygon.Count(); ++i)
    if (GMIsSamePoint(polygon[i], p, tol)) return i;
  return -1;
}

namespace {
// Walks a against b from b's vertex k, forwards (step 1) or backwards (-1).
bool WalkMatches(const GMPolygon& a, const GMPolygon& b, int k, int step, double tol) {
  const int n = a.Count();
  for (int i = 1; i < n; ++i) {
    const int j = ((k + step * i) % n + n) % n;
    if (!GMIsSamePoint(a[i], b[j], tol)) return false;
  }
  return true;
}
}  // namespace

int GMIsSamePolygon(const GMPolygon& a, const GMPolygon& b, double tol) {
  if (a.Count() != b.Count() || a.Count() == 0) return 0;
  const int k = GMFindVertex(a[0], b, tol);
  if (k < 0) return 0;
  return WalkMatches(a, b, k, 1, tol) ? 1 : 0;
}

int GMIsSamePolygonEitherWay(const GMPolygon& a, const GMPolygon& b, double tol) {
  if (a.Count() != b.Count() || a.Count() == 0) return 0;
  const int k = GMFindVertex(a[0], b, tol);
  if (k < 0) return 0;
  return (WalkMatches(a, b, k, 1, tol) || WalkMatches(a, b, k, -1, tol)) ? 1 : 0;
}
