// Ear clipping on a linked working ring.
//
// The clipper takes exactly the decisions of the point-list version
// (tests/geometry/triangulate_reference.h) in the same order, but without its waste:
// - the ring is a doubly linked ring of vertex indices, so cutting a vertex,
//   turning the ring and backtracking cost O(1) and never allocate;
// - the 2D images of the vertices are computed once per projection axis and
//   reused while the ring's own normal keeps selecting that axis;
// - the edge tests of an ear (diagonal against edges, ray against edges) first
//   compare bounding boxes, widened by more than any tolerance the exact tests
//   allow, and run the exact test only where a box test cannot rule out the
//   outcome that matters. Edges are visited in ring order from the front, as
//   the ray-casting restarts depend on which edge is met first.
#include "geometry/gm_triangulate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_detail.h"
#include "geometry/gm_vector.h"

namespace {

struct Box2 {
  double minX, minY, maxX, maxY;
};

Box2 BoxOf(const GMVector& a, const GMVector& b) {
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

bool Apart(const Box2& a, const Box2& b, double margin) {
  return a.maxX + margin < b.minX || b.maxX + margin < a.minX || a.maxY + margin < b.minY ||
         b.maxY + margin < a.minY;
}

bool IsSliver(const GMVector& a, const GMVector& b, const GMVector& c, double tol) {
  const double la = GMDistance(a, b), lb = GMDistance(b, c), lc = GMDistance(c, a);
  return GMIsNear(la, 0.0, tol) || GMIsNear(lb, 0.0, tol) || GMIsNear(lc, 0.0, tol) ||
         GMIsNear(GMHeronArea(la, lb, lc), 0.0, tol);
}

// Whether two vertices are the same point within tol, which is exactly when
// a working ring with duplicate rejection would refuse one of them. Sorted by
// x, only neighbours within the tolerance in x need the full test.
bool HasRepeatedPoint(const std::vector<GMVector>& points, double tol) {
  const size_t n = points.size();
  // Without an order on x (a NaN coordinate) fall back to every pair.
  const bool ordered = std::all_of(points.begin(), points.end(), [](const GMVector& p) { return p.x == p.x; });
  if (n <= 12 || !ordered) {
    for (size_t i = 0; i < n; ++i)
      for (size_t j = i + 1; j < n; ++j)
        if (GMIsSamePoint(points[i], points[j], tol)) return true;
    return false;
  }
  std::vector<int> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = static_cast<int>(i);
  std::sort(order.begin(), order.end(), [&](int l, int r) { return points[l].x < points[r].x; });
  const double reach = 2.0 * tol;  // beyond any difference GMIsNear accepts
  for (size_t i = 0; i < n; ++i) {
    const GMVector& p = points[order[i]];
    for (size_t j = i + 1; j < n && points[order[j]].x - p.x <= reach; ++j)
      if (GMIsSamePoint(p, points[order[j]], tol)) return true;
  }
  return false;
}

class EarClipper {
 public:
  EarClipper(const std::vector<GMVector>& points, double tol) : pts_(points), tol_(tol) {
    const int n = static_cast<int>(pts_.size());
    next_.resize(pts_.size());
    prev_.resize(pts_.size());
    inRing_.assign(pts_.size(), 1);
    order_.reserve(pts_.size());
    double extent = 0.0;
    for (int i = 0; i < n; ++i) {
      next_[i] = (i + 1) % n;
      prev_[i] = (i + n - 1) % n;
      const GMVector& p = pts_[i];
      extent = std::max({extent, std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
    }
    front_ = 0;
    size_ = n;
    extent_ = extent;
    // How far apart two edges' boxes may still be while the 3D segment test
    // reports a meeting. That test accepts the fourth point as coplanar when
    // the cosine of its offset from the plane is within tol, which allows an
    // offset proportional to the coordinates' size; the 2D tests allow tol.
    margin3D_ = 16.0 * tol_ * (1.0 + extent) + 1e-9 * (1.0 + extent);
  }

  GMPolygonSetPtr Run();

 private:
  const GMVector& At(int pos) const { return pts_[static_cast<size_t>(order_[static_cast<size_t>(pos)])]; }
  const GMVector& ImageAt(int pos) const {
    return image_[static_cast<size_t>(order_[static_cast<size_t>(pos)])];
  }
  void Turn() { front_ = next_[front_]; }
  void Unlink(int v) {
    next_[prev_[v]] = next_[v];
    prev_[next_[v]] = prev_[v];
    inRing_[v] = 0;
    --size_;
  }
  void LinkAfter(int at, int v) {
    next_[v] = next_[at];
    prev_[v] = at;
    prev_[next_[at]] = v;
    next_[at] = v;
    inRing_[v] = 1;
    ++size_;
  }
  bool IsEar();
  bool MidpointInside(const GMVector& p);
  void UseAxis(GMProjectionAxis axis);

  const std::vector<GMVector>& pts_;
  const double tol_;
  std::vector<int> next_, prev_;
  std::vector<char> inRing_;
  int front_ = 0, size_ = 0;
  double extent_ = 0.0, margin3D_ = 0.0;
  std::vector<int> order_;  // the ring from the front, refreshed for each ear test
  GMProjectionAxis axis_ = -1;
  std::vector<GMVector> image_;  // every vertex's image for axis_
};

void EarClipper::UseAxis(GMProjectionAxis axis) {
  if (axis == axis_) return;
  axis_ = axis;
  image_.resize(pts_.size());
  for (size_t i = 0; i < pts_.size(); ++i) image_[i] = GMProject2D(pts_[i], axis);
}

bool EarClipper::IsEar() {
  const int n = size_;
  order_.clear();
  for (int v = front_, k = 0; k < n; ++k, v = next_[v]) order_.push_back(v);

  const GMVector& r0 = At(0);
  const GMVector& r1 = At(1);
  const GMVector& r2 = At(2);
  if (GMIsSamePoint(GMNormalize(GMSubtract(r0, r1), tol_), GMNormalize(GMSubtract(r0, r2), tol_), tol_))
    return false;

  // Diagonal against the edges that touch neither r0 nor r2. An edge whose
  // box stays clear of the diagonal's can neither meet it nor hold a vertex
  // on it.
  const double m = margin3D_;
  const double dMinX = std::min(r0.x, r2.x) - m, dMaxX = std::max(r0.x, r2.x) + m;
  const double dMinY = std::min(r0.y, r2.y) - m, dMaxY = std::max(r0.y, r2.y) + m;
  const double dMinZ = std::min(r0.z, r2.z) - m, dMaxZ = std::max(r0.z, r2.z) + m;
  for (int j = 3; j <= n - 2; ++j) {
    const GMVector& a = At(j);
    const GMVector& b = At(j + 1);
    if (std::max(a.x, b.x) < dMinX || std::min(a.x, b.x) > dMaxX || std::max(a.y, b.y) < dMinY ||
        std::min(a.y, b.y) > dMaxY || std::max(a.z, b.z) < dMinZ || std::min(a.z, b.z) > dMaxZ)
      continue;
    GMVector hit;
    if (GMIntersectSegments3D(r0, r2, a, b, hit, tol_) == 0) return false;
    if (GMIsPointOnSegment(r0, r2, a, tol_) || GMIsPointOnSegment(r0, r2, b, tol_)) return false;
  }

  // The diagonal's midpoint must be inside the ring's own image. The ring's
  // normal is taken afresh (it can change as vertices go, and on exact ties
  // its choice of vertex depends on where the ring starts), but the images
  // are only recomputed when it selects another axis.
  const GMVector normal = gm_detail::PolygonNormalAt(
      n, [&](int pos) -> const GMVector& { return At(pos); }, 1e-7);
  UseAxis(GMProjectionAxisOf(normal));
  return MidpointInside(GMProject2D(GMMidpoint(r0, r2), axis_));
}

// Ray casting with the restarts of GMPointInPolygon2D, on the images of the
// working ring read from its front; a point on an edge counts as inside.
bool EarClipper::MidpointInside(const GMVector& p) {
  const int n = size_;
  double maxX = p.x;
  for (int i = 0; i < n; ++i) maxX = std::max(maxX, ImageAt(i).x);

  // A point on an edge is within tol of it, so inside its box widened by tol.
  const double slack = 4.0 * tol_ + 1e-9 * (1.0 + extent_);
  for (int i = 0; i < n; ++i) {
    const GMVector& a = ImageAt(i);
    const GMVector& b = ImageAt(i + 1 == n ? 0 : i + 1);
    if (p.x < std::min(a.x, b.x) - slack || p.x > std::max(a.x, b.x) + slack ||
        p.y < std::min(a.y, b.y) - slack || p.y > std::max(a.y, b.y) + slack)
      continue;
    // Nor can a point farther than that from the edge's line.
    const double ex = b.x - a.x, ey = b.y - a.y;
    const double cross = ex * (p.y - a.y) - ey * (p.x - a.x);
    if (cross * cross > slack * slack * (ex * ex + ey * ey)) continue;
    if (GMIsPointOnSegment(a, b, p, tol_)) return true;
  }

  GMVector e{maxX + 100.0, p.y, 0.0};
  // The exact test must run for every edge that could be parallel to the ray
  // (a parallel edge restarts the count wherever it lies) and for every edge
  // near the ray; any other edge is one the count ignores.
  Box2 rayBox{};
  double rayX = 0.0, rayY = 0.0, rayMargin = 0.0;
  bool rayNearlyVertical = false;
  const double parallelSine = 16.0 * tol_ + 1e-9;
  auto aim = [&] {
    rayBox = BoxOf(p, e);
    const double dx = e.x - p.x, dy = e.y - p.y, len = std::sqrt(dx * dx + dy * dy);
    rayX = dx / len;
    rayY = dy / len;
    rayNearlyVertical = std::fabs(dx) <= 4.0 * tol_ + 1e-9 * (1.0 + std::fabs(e.x));
    rayMargin = 4.0 * tol_ + 1e-9 * (1.0 + std::max({extent_, std::fabs(e.x), std::fabs(e.y)}));
  };
  aim();

  int crossings = 0, turns = 0, raises = 0;
  for (int i = 0; i < n; ++i) {
    const GMVector& a = ImageAt(i);
    const GMVector& b = ImageAt(i + 1 == n ? 0 : i + 1);
    const double ex = b.x - a.x, ey = b.y - a.y;
    // Images are flat, so only an edge short on both axes can be a point.
    if (std::fabs(ex) <= 2.0 * tol_ && std::fabs(ey) <= 2.0 * tol_ && GMIsSamePoint(a, b, tol_)) continue;
    const double cross = rayX * ey - rayY * ex;
    const bool maybeParallel = cross * cross <= parallelSine * parallelSine * (ex * ex + ey * ey) ||
                               (rayNearlyVertical && std::fabs(ex) <= 4.0 * tol_ + 1e-9 * (1.0 + extent_));
    if (!maybeParallel && Apart(rayBox, BoxOf(a, b), rayMargin)) continue;
    GMVector hit;
    const int r = GMIntersectSegments2D(p, e, a, b, hit, tol_);
    if (r == 0) {
      if (GMIsSamePoint(hit, b, tol_) || GMIsSamePoint(hit, a, tol_)) {
        GMVector d = GMSubtract(p, e);
        GMRotate2D(d, 0.1, GM_TOLERANCE);
        e = {p.x + d.x, p.y + d.y, 0.0};
        if (++turns == 100) break;
        aim();
        crossings = 0;
        i = -1;
      } else {
        ++crossings;
      }
    } else if (r == 2) {
      e.y += 1.0;
      if (++raises == 10000) break;
      aim();
      crossings = 0;
      i = -1;
    }
  }
  return crossings % 2 == 1;
}

GMPolygonSetPtr EarClipper::Run() {
  std::vector<std::array<int, 3>> triangles;
  triangles.reserve(pts_.size());
  int remembered = -1;
  int cycle = 0, backtracks = 0;
  while (size_ > 3) {
    if (!IsEar()) {
      Turn();
      if (++cycle == size_) {
        // A full turn without an ear: put back the middle vertex of the last
        // cut at the front's side and forget that triangle. The vertex goes
        // back only when it is not in the ring already.
        if (!triangles.empty()) {
          if (!inRing_[remembered]) LinkAfter(front_, remembered);
          triangles.pop_back();
        }
        Turn();
        if (++backtracks == size_) break;
        cycle = 0;
      }
      continue;
    }
    const int i0 = front_, i1 = next_[i0], i2 = next_[i1];
    if (!IsSliver(pts_[i0], pts_[i1], pts_[i2], tol_)) {
      triangles.push_back({i0, i1, i2});
      remembered = i1;
    }
    Unlink(i1);
    Turn();
    cycle = 0;
  }
  triangles.push_back({front_, next_[front_], next_[next_[front_]]});

  auto set = std::make_unique<GMPolygonSet>();
  set->polygons.resize(triangles.size());
  for (size_t t = 0; t < triangles.size(); ++t)
    set->polygons[t].points = {pts_[triangles[t][0]], pts_[triangles[t][1]], pts_[triangles[t][2]]};
  return set;
}

}  // namespace

GMPolygonSetPtr GMTriangulate(const GMPolygon& polygon, double tol) {
  const int n = polygon.Count();
  if (n < 3) return nullptr;
  if (n == 3) {
    auto set = std::make_unique<GMPolygonSet>();
    set->polygons.push_back(polygon);
    return set;
  }
  // A ring that visits a point twice (a hole joined by a bridge walked both
  // ways) or holds an undefined point is refused.
  for (const GMVector& p : polygon.points)
    if (p.x == GM_UNDEFINED || p.y == GM_UNDEFINED || p.z == GM_UNDEFINED) return nullptr;
  if (HasRepeatedPoint(polygon.points, tol)) return nullptr;
  EarClipper clipper(polygon.points, tol);
  return clipper.Run();
}
