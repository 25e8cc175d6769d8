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
//
// Clipping is bounded. A tangled, self-crossing face (a footprint traced
// badly, a file made to hurt) finds no ear on a full turn again and again, and
// backtracking makes that cubic: a face of 2,000 random points took a minute.
// Every ring gets a budget of edge visits well beyond what the faces of real
// buildings need; a ring that spends it goes on with the local ear test in
// z-order below, which costs about n log n, for whatever is left of it.
#include "geometry/gm_triangulate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_polygon_detail.h"
#include "geometry/gm_segment.h"
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

// Edges the clipper may visit on one ring (about half a second): a face of
// a building with a few thousand vertices needs a small part of it.
constexpr long long kClippingWork = 60'000'000;

// Triangles as vertex indices into one point list.
using Triangles = std::vector<std::array<int, 3>>;

GMPolygonSetPtr MakeSet(const std::vector<GMVector>& points, const Triangles& triangles) {
  auto set = std::make_unique<GMPolygonSet>();
  set->polygons.resize(triangles.size());
  for (size_t t = 0; t < triangles.size(); ++t)
    set->polygons[t].points = {points[triangles[t][0]], points[triangles[t][1]], points[triangles[t][2]]};
  return set;
}

// The rest of a ring on which the clipper spent its budget, clipped by the
// local ear test, appended to triangles (indices into ring); false when that
// test could not finish it either and closed it with one triangle.
bool ClipWhatIsLeft(const std::vector<GMVector>& points, const std::vector<int>& ring, double tol,
                    Triangles& triangles);

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
  // Whether Run spent its budget and could not finish the ring.
  bool GaveUp() const { return gaveUp_; }

 private:
  bool OverBudget() const { return work_ > kClippingWork; }
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
  long long work_ = 0;           // edges visited so far, against kClippingWork
  bool gaveUp_ = false;
};

void EarClipper::UseAxis(GMProjectionAxis axis) {
  if (axis == axis_) return;
  axis_ = axis;
  image_.resize(pts_.size());
  for (size_t i = 0; i < pts_.size(); ++i) image_[i] = GMProject2D(pts_[i], axis);
}

bool EarClipper::IsEar() {
  const int n = size_;
  work_ += n;
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

  gm_detail::RayCrossings ray;
  work_ += 2 * n;
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
    const auto step = ray.Take(r, hit, a, b, p, e, tol_);
    if (step == gm_detail::RayCrossings::Step::kGiveUp) break;
    if (step == gm_detail::RayCrossings::Step::kRestart) {
      // Every restart walks the ring again; a budget spent ends the test
      // (the caller sees it and stops clipping).
      work_ += n;
      if (OverBudget()) return false;
      aim();
      i = -1;
    }
  }
  return ray.Inside();
}

GMPolygonSetPtr EarClipper::Run() {
  Triangles triangles;
  triangles.reserve(pts_.size());
  int remembered = -1;
  int cycle = 0, backtracks = 0;
  while (size_ > 3) {
    const bool ear = IsEar();
    if (OverBudget()) {
      std::vector<int> left;
      left.reserve(static_cast<size_t>(size_));
      for (int v = front_, k = 0; k < size_; ++k, v = next_[v]) left.push_back(v);
      gaveUp_ = !ClipWhatIsLeft(pts_, left, tol_, triangles);
      return MakeSet(pts_, triangles);
    }
    if (!ear) {
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
  return MakeSet(pts_, triangles);
}

// --- large plain rings -------------------------------------------------------
//
// A face of many vertices (a footprint traced from a survey, a terrain edge)
// would take the clipper above quadratic time: each ear test walks the whole
// ring. When the ring is plain -- planar, simple, no two edges near each other
// and no spike -- the same ear test has a local form: the corner turns the
// ring's way and no other vertex lies in the ear's triangle or on its
// diagonal. The vertices are kept in z-order (the Morton order of their
// images), so the vertices near a triangle are found without a walk round the
// ring. The cut order is the clipper's own, so the triangles are the same.
// Rings that are not plain go to the clipper above.
//
// The same test also finishes what the clipper above leaves when it spends
// its budget. Such a ring is usually tangled, where no test can say what
// inside means; the local one at least ends in bounded time and covers a
// face that is merely large and untidy.

constexpr int kLocalTestMinimum = 64;  // smaller rings gain nothing

uint32_t Spread(uint32_t v) {  // 16 bits to the even bits of 32
  v = (v | (v << 8)) & 0x00FF00FFu;
  v = (v | (v << 4)) & 0x0F0F0F0Fu;
  v = (v | (v << 2)) & 0x33333333u;
  v = (v | (v << 1)) & 0x55555555u;
  return v;
}

double Cross2(const GMVector& a, const GMVector& b, const GMVector& c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Squared distance from p to the segment ab in the plane of the images.
double SegmentDistance2(const GMVector& p, const GMVector& a, const GMVector& b) {
  const double ex = b.x - a.x, ey = b.y - a.y;
  const double len2 = ex * ex + ey * ey;
  double t = len2 > 0.0 ? ((p.x - a.x) * ex + (p.y - a.y) * ey) / len2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  const double dx = a.x + t * ex - p.x, dy = a.y + t * ey - p.y;
  return dx * dx + dy * dy;
}

class LocalEarClipper {
 public:
  // anyRing: clip whatever ring comes, plain or not (for what the clipper
  // above left); otherwise only a plain ring.
  LocalEarClipper(const std::vector<GMVector>& points, double tol, bool anyRing = false)
      : pts_(points), tol_(tol), anyRing_(anyRing) {}

  // The triangles, or null when the ring is not plain (or turned out not to
  // be, by finding no ear on a full turn).
  GMPolygonSetPtr Run();
  // For any ring: cuts ears until none is found on a full turn or the
  // budget is spent, then closes with one triangle at the front, as the
  // clipper above does when backtracking runs out. False when it had to close.
  bool ClipAny(Triangles& triangles);

 private:
  bool Prepare();
  // Cuts ears into triangles; false when a full turn finds none or the
  // budget is spent, with the triangles cut so far and the ring's front.
  bool Clip(Triangles& triangles, int& front);
  bool IsPlain() const;
  bool IsEar(int i0, int i1, int i2) const;
  void Unlink(int v) {
    next_[prev_[v]] = next_[v];
    prev_[next_[v]] = prev_[v];
    if (prevZ_[v] >= 0) nextZ_[prevZ_[v]] = nextZ_[v];
    if (nextZ_[v] >= 0) prevZ_[nextZ_[v]] = prevZ_[v];
    --size_;
  }
  uint32_t ZOf(double x, double y) const {
    const auto cell = [&](double v, double lo) {
      return static_cast<uint32_t>(std::clamp((v - lo) * scale_, 0.0, 65535.0));
    };
    return Spread(cell(x, minX_)) | (Spread(cell(y, minY_)) << 1);
  }

  const std::vector<GMVector>& pts_;
  const double tol_;
  const bool anyRing_;
  // Vertices looked at, and how many may be: an untidy ring of a real site
  // needs a few dozen per vertex, a tangled one would go on for ever.
  mutable long long work_ = 0;
  const long long budget_ = 128LL * static_cast<long long>(pts_.size()) + 1'000'000;
  std::vector<GMVector> image_;
  std::vector<int> next_, prev_, nextZ_, prevZ_;
  std::vector<uint32_t> z_;
  int size_ = 0;
  double turn_ = 1.0;  // the sign of the ring's turn in its image
  double minX_ = 0, minY_ = 0, scale_ = 0, near_ = 0;
};

bool LocalEarClipper::Prepare() {
  const int n = static_cast<int>(pts_.size());
  // The ring's area vector (Newell's) and centre, for the flatness test and
  // for an axis where the ring has no normal of its own.
  GMVector newell{0, 0, 0}, centre{0, 0, 0};
  for (int i = 0; i < n; ++i) {
    const GMVector& p = pts_[i];
    const GMVector& q = pts_[(i + 1) % n];
    newell.x += (p.y - q.y) * (p.z + q.z);
    newell.y += (p.z - q.z) * (p.x + q.x);
    newell.z += (p.x - q.x) * (p.y + q.y);
    centre = {centre.x + p.x / n, centre.y + p.y / n, centre.z + p.z / n};
  }
  GMPolygon ring;
  ring.points = pts_;
  GMVector normal = GMPolygonNormal(ring, 1e-7);
  if (normal.x == GM_UNDEFINED) {
    if (!anyRing_) return false;
    normal = newell;
  }
  const GMProjectionAxis axis = GMProjectionAxisOf(normal);
  image_.resize(pts_.size());
  double maxX = -GM_UNDEFINED, maxY = -GM_UNDEFINED, extent = 0.0;
  minX_ = GM_UNDEFINED, minY_ = GM_UNDEFINED;
  double area = 0.0;
  for (int i = 0; i < n; ++i) {
    image_[i] = GMProject2D(pts_[i], axis);
    minX_ = std::min(minX_, image_[i].x), maxX = std::max(maxX, image_[i].x);
    minY_ = std::min(minY_, image_[i].y), maxY = std::max(maxY, image_[i].y);
    extent = std::max({extent, std::fabs(pts_[i].x), std::fabs(pts_[i].y), std::fabs(pts_[i].z)});
  }
  for (int i = 0; i < n; ++i) area += Cross2(image_[0], image_[i], image_[(i + 1) % n]);
  const double size = std::max(maxX - minX_, maxY - minY_);
  if (!(size > 0.0) || !std::isfinite(area)) return false;
  if (!anyRing_ && std::fabs(area) <= 1e-9 * size * size) return false;
  turn_ = area >= 0.0 ? 1.0 : -1.0;
  scale_ = 65535.0 / size;
  // Edges and vertices closer than this count as touching: well beyond any
  // tolerance of the exact tests, so that a ring passed as plain is one on
  // which they decide nothing differently.
  near_ = 64.0 * tol_ + 1e-9 * (1.0 + extent);
  if (!anyRing_) {
    // Flat: every vertex near the plane through the centre along the area
    // vector, so the image is true to the ring.
    const double length = std::sqrt(newell.x * newell.x + newell.y * newell.y + newell.z * newell.z);
    if (!(length > 0.0)) return false;
    for (int i = 0; i < n; ++i) {
      const GMVector d = GMSubtract(pts_[i], centre);
      if (std::fabs(d.x * newell.x + d.y * newell.y + d.z * newell.z) > near_ * length) return false;
    }
  }

  next_.resize(pts_.size());
  prev_.resize(pts_.size());
  z_.resize(pts_.size());
  for (int i = 0; i < n; ++i) {
    next_[i] = (i + 1) % n;
    prev_[i] = (i + n - 1) % n;
    z_[i] = ZOf(image_[i].x, image_[i].y);
  }
  size_ = n;
  std::vector<int> order(pts_.size());
  for (int i = 0; i < n; ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](int a, int b) { return z_[a] < z_[b]; });
  nextZ_.assign(pts_.size(), -1);
  prevZ_.assign(pts_.size(), -1);
  for (int k = 0; k + 1 < n; ++k) {
    nextZ_[order[k]] = order[k + 1];
    prevZ_[order[k + 1]] = order[k];
  }
  return anyRing_ || IsPlain();
}

// No edge comes near another that it does not share a vertex with, and no
// corner folds back on itself. Edges are sorted into a grid of about one cell
// per vertex; only edges sharing a cell are compared.
bool LocalEarClipper::IsPlain() const {
  const int n = size_;
  for (int i = 0; i < n; ++i) {
    const GMVector& a = image_[prev_[i]];
    const GMVector& b = image_[i];
    const GMVector& c = image_[next_[i]];
    // A spike: the two edges at b leave it the same way.
    const double ux = a.x - b.x, uy = a.y - b.y, vx = c.x - b.x, vy = c.y - b.y;
    const double lu = std::hypot(ux, uy), lv = std::hypot(vx, vy);
    if (lu <= near_ || lv <= near_) return false;
    if (ux * vx + uy * vy > 0.0 && std::fabs(ux * vy - uy * vx) <= near_ * std::max(lu, lv)) return false;
  }
  const int side = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(n))));
  const double cell = 65536.0 / side;
  std::vector<std::vector<int>> grid(static_cast<size_t>(side) * static_cast<size_t>(side));
  size_t placed = 0;
  for (int i = 0; i < n; ++i) {
    const GMVector& a = image_[i];
    const GMVector& b = image_[next_[i]];
    const auto index = [&](double v, double lo) {
      return std::clamp(static_cast<int>(((v - lo) * scale_) / cell), 0, side - 1);
    };
    const int x0 = index(std::min(a.x, b.x) - near_, minX_), x1 = index(std::max(a.x, b.x) + near_, minX_);
    const int y0 = index(std::min(a.y, b.y) - near_, minY_), y1 = index(std::max(a.y, b.y) + near_, minY_);
    placed += static_cast<size_t>(x1 - x0 + 1) * static_cast<size_t>(y1 - y0 + 1);
    if (placed > 16 * static_cast<size_t>(n)) return false;  // long edges across the face: not worth it
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) grid[static_cast<size_t>(y) * static_cast<size_t>(side) + static_cast<size_t>(x)].push_back(i);
  }
  const double near2 = near_ * near_;
  size_t compared = 0;
  for (const std::vector<int>& edges : grid) {
    for (size_t k = 0; k < edges.size(); ++k) {
      const int e = edges[k];
      const GMVector& a = image_[e];
      const GMVector& b = image_[next_[e]];
      for (size_t m = k + 1; m < edges.size(); ++m) {
        const int f = edges[m];
        if (f == next_[e] || e == next_[f]) continue;  // neighbours share a corner
        if (++compared > 64 * static_cast<size_t>(n)) return false;
        const GMVector& c = image_[f];
        const GMVector& d = image_[next_[f]];
        const double s1 = Cross2(a, b, c), s2 = Cross2(a, b, d), s3 = Cross2(c, d, a), s4 = Cross2(c, d, b);
        if (((s1 > 0) != (s2 > 0)) && ((s3 > 0) != (s4 > 0))) return false;  // they cross
        if (SegmentDistance2(c, a, b) <= near2 || SegmentDistance2(d, a, b) <= near2 ||
            SegmentDistance2(a, c, d) <= near2 || SegmentDistance2(b, c, d) <= near2)
          return false;
      }
    }
  }
  return true;
}

bool LocalEarClipper::IsEar(int i0, int i1, int i2) const {
  const GMVector& r0 = pts_[i0];
  const GMVector& r1 = pts_[i1];
  const GMVector& r2 = pts_[i2];
  if (GMIsSamePoint(GMNormalize(GMSubtract(r0, r1), tol_), GMNormalize(GMSubtract(r0, r2), tol_), tol_))
    return false;
  const GMVector& a = image_[i0];
  const GMVector& b = image_[i1];
  const GMVector& c = image_[i2];
  // The corner must turn as the ring does; a straight or reflex corner's
  // diagonal runs outside.
  if (Cross2(a, b, c) * turn_ <= 0.0) return false;

  // No other vertex inside the triangle or near its diagonal: in a simple
  // ring that is exactly when the diagonal meets no edge and runs inside.
  const double diagonal = std::hypot(c.x - a.x, c.y - a.y);
  const double slack = near_ * diagonal;
  const double x0 = std::min({a.x, b.x, c.x}) - near_, x1 = std::max({a.x, b.x, c.x}) + near_;
  const double y0 = std::min({a.y, b.y, c.y}) - near_, y1 = std::max({a.y, b.y, c.y}) + near_;
  const uint32_t zLow = ZOf(x0, y0), zHigh = ZOf(x1, y1);
  const auto blocks = [&](int v) {
    ++work_;
    if (v == i0 || v == i2) return false;
    const GMVector& p = image_[v];
    if (p.x < x0 || p.x > x1 || p.y < y0 || p.y > y1) return false;
    return Cross2(a, b, p) * turn_ >= 0.0 && Cross2(b, c, p) * turn_ >= 0.0 && Cross2(c, a, p) * turn_ >= -slack;
  };
  for (int v = prevZ_[i1]; v >= 0 && z_[v] >= zLow; v = prevZ_[v])
    if (blocks(v)) return false;
  for (int v = nextZ_[i1]; v >= 0 && z_[v] <= zHigh; v = nextZ_[v])
    if (blocks(v)) return false;
  return true;
}

// The clipper's loop (EarClipper::Run) without its backtracking, which a
// plain ring never needs.
bool LocalEarClipper::Clip(Triangles& triangles, int& front) {
  front = 0;
  int cycle = 0;
  while (size_ > 3) {
    const int i0 = front, i1 = next_[i0], i2 = next_[i1];
    if (++work_ > budget_) return false;
    if (!IsEar(i0, i1, i2)) {
      front = next_[front];
      if (++cycle == size_) return false;
      continue;
    }
    if (!IsSliver(pts_[i0], pts_[i1], pts_[i2], tol_)) triangles.push_back({i0, i1, i2});
    Unlink(i1);
    front = next_[front];
    cycle = 0;
  }
  triangles.push_back({front, next_[front], next_[next_[front]]});
  return true;
}

GMPolygonSetPtr LocalEarClipper::Run() {
  if (!Prepare()) return nullptr;
  Triangles triangles;
  triangles.reserve(pts_.size());
  int front = 0;
  if (!Clip(triangles, front)) return nullptr;
  return MakeSet(pts_, triangles);
}

bool LocalEarClipper::ClipAny(Triangles& triangles) {
  int front = 0;
  if (!Prepare()) {
    // Every image on one point: nothing to clip but the closing triangle.
    triangles.push_back({0, 1, 2});
    return false;
  }
  if (Clip(triangles, front)) return true;
  triangles.push_back({front, next_[front], next_[next_[front]]});
  return false;
}

bool ClipWhatIsLeft(const std::vector<GMVector>& points, const std::vector<int>& ring, double tol,
                    Triangles& triangles) {
  std::vector<GMVector> left;
  left.reserve(ring.size());
  for (int v : ring) left.push_back(points[static_cast<size_t>(v)]);
  Triangles local;
  const bool finished = LocalEarClipper(left, tol, true).ClipAny(local);
  for (const std::array<int, 3>& t : local)
    triangles.push_back({ring[static_cast<size_t>(t[0])], ring[static_cast<size_t>(t[1])], ring[static_cast<size_t>(t[2])]});
  return finished;
}

// What every triangulation answers before it clips ears: nothing for fewer
// than three points, the polygon itself for three, and nothing for a ring
// that holds an undefined point or visits a point twice (a hole joined by a
// bridge walked both ways). False when the ring is left to the ear clipper.
bool AnswerWithoutClipping(const GMPolygon& polygon, double tol, GMPolygonSetPtr& answer) {
  answer = nullptr;
  const int n = polygon.Count();
  if (n < 3) return true;
  if (n == 3) {
    answer = std::make_unique<GMPolygonSet>();
    answer->polygons.push_back(polygon);
    return true;
  }
  for (const GMVector& p : polygon.points)
    if (p.x == GM_UNDEFINED || p.y == GM_UNDEFINED || p.z == GM_UNDEFINED) return true;
  return HasRepeatedPoint(polygon.points, tol);
}

}  // namespace

GMPolygonSetPtr GMTriangulate(const GMPolygon& polygon, double tol) {
  GMTriangulateStatus status;
  return GMTriangulateWithStatus(polygon, tol, status);
}

GMPolygonSetPtr GMTriangulateWithStatus(const GMPolygon& polygon, double tol, GMTriangulateStatus& status) {
  status = GMTriangulateStatus::kDone;
  GMPolygonSetPtr answer;
  if (AnswerWithoutClipping(polygon, tol, answer)) return answer;
  if (polygon.Count() >= kLocalTestMinimum)
    if (GMPolygonSetPtr set = LocalEarClipper(polygon.points, tol).Run()) return set;
  EarClipper clipper(polygon.points, tol);
  GMPolygonSetPtr set = clipper.Run();
  if (clipper.GaveUp()) status = GMTriangulateStatus::kGaveUp;
  return set;
}

// A four-point ring cuts one ear and is done, or turns its four corners
// without one and backtracks; with no triangle to take back its size stays
// four, and the fourth backtrack ends the loop after at most sixteen ear
// tests. Only a ring of five or more can come back to a size below its count
// of backtracks and run on until the budget ends it.
bool GMTriangulationMayGiveUp(int pointCount) { return pointCount > 4; }

GMPolygonSetPtr gm_detail::TriangulatePlainRing(const GMPolygon& polygon, double tol) {
  if (polygon.Count() < 4) return nullptr;
  GMPolygonSetPtr answer;
  if (AnswerWithoutClipping(polygon, tol, answer)) return answer;
  return LocalEarClipper(polygon.points, tol).Run();
}

GMPolygonSetPtr gm_detail::TriangulateRingByRing(const GMPolygon& polygon, double tol) {
  GMPolygonSetPtr answer;
  if (AnswerWithoutClipping(polygon, tol, answer)) return answer;
  return EarClipper(polygon.points, tol).Run();
}
