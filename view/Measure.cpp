#include "view/Measure.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <deque>
#include <limits>
#include <numeric>
#include <tuple>
#include <unordered_set>

#include "common/number_text.h"
#include "geometry/gm_vector.h"
#include "model/ContentList.h"
#include "model/FigureTessellationWorld.h"
#include "model/InkNode.h"
#include "model/OctTreeFill.h"

namespace korvex {

namespace {

GMVector UnitOf(const GMVector& v) {
  const double l = GMLength(v);
  return l > 0.0 ? v * (1.0 / l) : GMVector{};
}

// The flatness a face may have: a millionth of its size, and never less than
// a micrometre, so that faces read from single-precision files still count as
// one.
double PlaneTolerance(double size) { return std::max(1e-6, 1e-6 * size); }

// The nearest point of segment a-b (window pixels) to p, and its parameter.
double PixelDistanceToSegment(double px, double py, const GMSegment& s, double& t) {
  const double dx = s.end.x - s.start.x;
  const double dy = s.end.y - s.start.y;
  const double len2 = dx * dx + dy * dy;
  t = len2 > 0.0 ? std::clamp(((px - s.start.x) * dx + (py - s.start.y) * dy) / len2, 0.0, 1.0) : 0.0;
  return std::hypot(s.start.x + dx * t - px, s.start.y + dy * t - py);
}

// The point of segment a-b nearest to the line origin + t·direction.
GMVector NearestOnSegmentToRay(const GMVector& a, const GMVector& b, const GMVector& origin,
                               const GMVector& direction) {
  const GMVector u = b - a;
  const GMVector v = direction;
  const GMVector w = a - origin;
  const double uu = GMDot(u, u), uv = GMDot(u, v), vv = GMDot(v, v), uw = GMDot(u, w), vw = GMDot(v, w);
  const double den = uu * vv - uv * uv;
  if (uu <= 0.0) return a;
  double s = den > 1e-12 * uu * vv ? (uv * vw - vv * uw) / den : 0.0;
  s = std::clamp(s, 0.0, 1.0);
  return a + u * s;
}

// How much of edge p0-p1 the collinear edges of `others` cover, as the
// uncovered pieces.
void UncoveredPieces(const GMVector& p0, const GMVector& p1, const std::vector<GMSegment>& others, double tol,
                     std::vector<GMSegment>& pieces) {
  const double length = GMDistance(p0, p1);
  if (length <= tol) return;
  const GMVector d = (p1 - p0) * (1.0 / length);
  std::vector<std::pair<double, double>> covered;
  for (const GMSegment& o : others) {
    auto off = [&](const GMVector& q) {
      const GMVector r = q - p0;
      return GMLength(r - d * GMDot(r, d));
    };
    if (off(o.start) > tol || off(o.end) > tol) continue;
    double a = GMDot(o.start - p0, d);
    double b = GMDot(o.end - p0, d);
    if (a > b) std::swap(a, b);
    a = std::max(a, 0.0);
    b = std::min(b, length);
    if (b - a > tol) covered.emplace_back(a, b);
  }
  std::sort(covered.begin(), covered.end());
  double at = 0.0;
  for (const auto& [a, b] : covered) {
    if (a > at + tol) pieces.push_back({p0 + d * at, p0 + d * a});
    at = std::max(at, b);
  }
  if (length > at + tol) pieces.push_back({p0 + d * at, p1});
}

bool Overlaps(const GMVector& lo, const GMVector& hi, const GMVector& min, const GMVector& max) {
  return lo.x <= max.x && hi.x >= min.x && lo.y <= max.y && hi.y >= min.y && lo.z <= max.z && hi.z >= min.z;
}

void CollectNear(const COctTreeCell& cell, const GMVector& lo, const GMVector& hi, std::vector<int>& out) {
  if (!Overlaps(lo, hi, cell.min, cell.max)) return;
  if (cell.IsLeaf()) {
    out.insert(out.end(), cell.indices.begin(), cell.indices.end());
    return;
  }
  for (const auto& child : cell.children)
    if (child) CollectNear(*child, lo, hi, out);
}

void Bounds(const COctTreeTriangle& t, double grow, GMVector& lo, GMVector& hi) {
  lo = hi = t.vertices[0];
  for (const GMVector& p : t.vertices) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  lo = lo - GMVector{grow, grow, grow};
  hi = hi + GMVector{grow, grow, grow};
}

double LongestSide(const COctTreeTriangle& t) {
  return std::max({GMDistance(t.vertices[0], t.vertices[1]), GMDistance(t.vertices[1], t.vertices[2]),
                   GMDistance(t.vertices[2], t.vertices[0])});
}

bool SameCorner(const GMVector& a, const GMVector& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
bool CornerBefore(const GMVector& a, const GMVector& b) {
  return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z);
}

// The items a leaf of the snapping tree holds at most.
constexpr int kLeafItems = 8;

double Along(const GMVector& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

GMVector Lower(const GMVector& a, const GMVector& b) {
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}
GMVector Upper(const GMVector& a, const GMVector& b) {
  return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

// How far before the eye the picture begins: what lies nearer is cut away
// by the near plane, and neither drawn nor caught.
double CutDepth(const WindowProjector& projector) { return projector.nearPlane - GM_TOLERANCE; }

bool BeforeTheCut(const WindowProjector& projector, const GMVector& p) {
  return GMDot(p - projector.eye, projector.f) < CutDepth(projector);
}

// Whether the part of box lo..hi beyond the near plane, as projected, may
// come within `pixels` of window point (x, y): the rectangle round the
// projected corners of that part, widened by the pixels, holds the point.
bool NearOnWindow(const WindowProjector& projector, const GMVector& lo, const GMVector& hi, double x, double y,
                  double pixels) {
  const double cut = CutDepth(projector);
  GMVector corner[8];
  double depth[8];
  int beyond = 0;
  for (int k = 0; k < 8; ++k) {
    corner[k] = {(k & 1) ? hi.x : lo.x, (k & 2) ? hi.y : lo.y, (k & 4) ? hi.z : lo.z};
    depth[k] = GMDot(corner[k] - projector.eye, projector.f);
    beyond += depth[k] >= cut;
  }
  if (beyond == 0) return false;
  double minX = std::numeric_limits<double>::infinity(), minY = minX;
  double maxX = -minX, maxY = -minX;
  bool anywhere = false;
  const auto add = [&](const GMVector& p) {
    double wx = 0, wy = 0;
    if (!projector.Project(p, wx, wy)) {
      anywhere = true;  // a near plane at the eye itself: no bound
      return;
    }
    minX = std::min(minX, wx);
    maxX = std::max(maxX, wx);
    minY = std::min(minY, wy);
    maxY = std::max(maxY, wy);
  };
  for (int k = 0; k < 8; ++k)
    if (depth[k] >= cut) add(corner[k]);
  // A box cut by the near plane: where its twelve edges cross it.
  if (beyond < 8)
    for (int k = 0; k < 8; ++k)
      for (const int bit : {1, 2, 4}) {
        const int other = k | bit;
        if ((k & bit) || (depth[k] >= cut) == (depth[other] >= cut)) continue;
        const double t = (cut - depth[k]) / (depth[other] - depth[k]);
        add(corner[k] + (corner[other] - corner[k]) * t);
      }
  if (anywhere) return true;
  return x >= minX - pixels && x <= maxX + pixels && y >= minY - pixels && y <= maxY + pixels;
}

}  // namespace

int MeasureOctTreeLevels(int faces) {
  int levels = 4;
  while (levels < 8 && (1LL << (3 * levels)) * 8 < faces) ++levels;
  return levels;
}

// --- the snapping tree --------------------------------------------------------

void SnapTree::Build(const std::vector<GMVector>& lo, const std::vector<GMVector>& hi) {
  nodes_.clear();
  items_.resize(lo.size());
  std::iota(items_.begin(), items_.end(), 0);
  if (lo.empty() || lo.size() != hi.size()) {
    items_.clear();
    return;
  }
  std::vector<GMVector> centre(lo.size());
  for (size_t i = 0; i < lo.size(); ++i) centre[i] = (lo[i] + hi[i]) * 0.5;
  nodes_.reserve(4 * lo.size() / kLeafItems + 1);
  Split(lo, hi, centre, 0, static_cast<int>(lo.size()));
}

int SnapTree::Split(const std::vector<GMVector>& lo, const std::vector<GMVector>& hi,
                    const std::vector<GMVector>& centre, int begin, int end) {
  const int index = static_cast<int>(nodes_.size());
  nodes_.emplace_back();
  Node node;
  node.begin = begin;
  node.end = end;
  node.lo = lo[items_[begin]];
  node.hi = hi[items_[begin]];
  GMVector middleLo = centre[items_[begin]], middleHi = middleLo;
  for (int i = begin; i < end; ++i) {
    const int item = items_[i];
    node.lo = Lower(node.lo, lo[item]);
    node.hi = Upper(node.hi, hi[item]);
    middleLo = Lower(middleLo, centre[item]);
    middleHi = Upper(middleHi, centre[item]);
  }
  if (end - begin > kLeafItems) {
    // Halved at the median along the widest spread of the items' middles;
    // items all in one place stay one leaf.
    const GMVector spread = middleHi - middleLo;
    const int axis = spread.x >= spread.y && spread.x >= spread.z ? 0 : spread.y >= spread.z ? 1 : 2;
    if (Along(spread, axis) > 0.0) {
      const int middle = begin + (end - begin) / 2;
      std::nth_element(items_.begin() + begin, items_.begin() + middle, items_.begin() + end,
                       [&](int a, int b) { return Along(centre[a], axis) < Along(centre[b], axis); });
      node.left = Split(lo, hi, centre, begin, middle);
      node.right = Split(lo, hi, centre, middle, end);
    }
  }
  nodes_[static_cast<size_t>(index)] = node;
  return index;
}

void SnapTree::Near(const WindowProjector& projector, double x, double y, double pixels,
                    std::vector<int>& out) const {
  out.clear();
  if (nodes_.empty()) return;
  std::vector<int> stack{0};
  while (!stack.empty()) {
    const Node& node = nodes_[static_cast<size_t>(stack.back())];
    stack.pop_back();
    if (!NearOnWindow(projector, node.lo, node.hi, x, y, pixels)) continue;
    if (node.left < 0) {
      out.insert(out.end(), items_.begin() + node.begin, items_.begin() + node.end);
    } else {
      stack.push_back(node.right);
      stack.push_back(node.left);
    }
  }
}

MeasureDistance MeasureBetween(const GMVector& first, const GMVector& second) {
  const GMVector d = second - first;
  return {GMLength(d), std::hypot(d.x, d.y), d.z};
}

GMVector ConstrainPoint(const GMVector& first, const GMVector& second, MeasureConstraint constraint) {
  switch (constraint) {
    case MeasureConstraint::Vertical: return {first.x, first.y, second.z};
    case MeasureConstraint::Horizontal: return {second.x, second.y, first.z};
    case MeasureConstraint::None: break;
  }
  return second;
}

std::optional<GMVector> ConstrainRay(const GMVector& first, const GMVector& origin, const GMVector& direction,
                                     MeasureConstraint constraint) {
  if (constraint == MeasureConstraint::Horizontal) {
    if (std::fabs(direction.z) < 1e-12 * GMLength(direction)) return std::nullopt;
    const double t = (first.z - origin.z) / direction.z;
    if (t < 0.0) return std::nullopt;
    return origin + direction * t;
  }
  if (constraint == MeasureConstraint::Vertical) {
    // The vertical through `first` against the ray: the height on the
    // vertical where the two lines pass nearest.
    const GMVector up{0.0, 0.0, 1.0};
    const GMVector w = first - origin;
    const double b = GMDot(up, direction), c = GMDot(direction, direction);
    const double d = GMDot(up, w), e = GMDot(direction, w);
    const double den = c - b * b;
    if (den <= 1e-12 * c) return std::nullopt;
    const double s = (b * e - c * d) / den;
    return first + up * s;
  }
  return std::nullopt;
}

// --- the scene ----------------------------------------------------------------

bool MeasureScene::Build(CInkNode* root) { return Gather(root) && Build(); }

bool MeasureScene::Gather(CInkNode* root, std::stop_token stop) {
  if (root == nullptr) return false;
  CContentList content;
  content.AddFiguresOf(root);
  const int count = content.GetCount();
  for (int i = 0; i < count; ++i) {
    if (stop.stop_requested()) return false;
    const InkFigure* figure = content.GetFigure(i);
    if (!figure || figure->hidden) continue;
    if (figure->owner && !figure->owner->IsShown()) continue;
    for (const GMSegment& s : FigureWorldOutlineSegments(figure, GM_TOLERANCE)) edges_.push_back(s);
    for (const GMSegment& s : FigureWorldLineSegments(figure)) edges_.push_back(s);
  }
  AddContentToOctTree(octree_, content, OctTreeSpace::World, stop);
  return !stop.stop_requested();
}

void MeasureScene::AddTriangle(const GMVector& a, const GMVector& b, const GMVector& c) {
  loose_.push_back(GMPolygon{{a, b, c}});
}

void MeasureScene::AddEdge(const GMSegment& edge) { edges_.push_back(edge); }

bool MeasureScene::Build() { return Build(std::stop_token{}); }

bool MeasureScene::Build(std::stop_token stop) {
  for (const GMPolygon& polygon : loose_) octree_.AddPolygon(&polygon, nullptr);
  loose_.clear();
  // The octree answers nothing for a scene of one polygon (the ray-cast
  // picture's rule for an empty scene); an empty entry, which makes no
  // triangle, lets a single slab or plot be measured too.
  if (octree_.GetInputCount() == 1) {
    const GMPolygon none;
    octree_.AddPolygon(&none, nullptr);
  }
  octree_.SetStop(stop);
  built_ = octree_.Build(MeasureOctTreeLevels(octree_.GetInputCount())) == 1;
  octree_.SetStop({});
  if (stop.stop_requested()) {
    built_ = false;
    edges_.clear();
    return false;
  }

  // Corners are the ends of the drawn edges, each once.
  for (GMSegment& e : edges_)
    if (CornerBefore(e.end, e.start)) std::swap(e.start, e.end);
  std::sort(edges_.begin(), edges_.end(), [](const GMSegment& a, const GMSegment& b) {
    return std::tie(a.start.x, a.start.y, a.start.z, a.end.x, a.end.y, a.end.z) <
           std::tie(b.start.x, b.start.y, b.start.z, b.end.x, b.end.y, b.end.z);
  });
  edges_.erase(std::unique(edges_.begin(), edges_.end()), edges_.end());
  corners_.clear();
  for (const GMSegment& e : edges_) {
    corners_.push_back(e.start);
    corners_.push_back(e.end);
  }
  std::sort(corners_.begin(), corners_.end(), CornerBefore);
  corners_.erase(std::unique(corners_.begin(), corners_.end(), SameCorner), corners_.end());
  cornerTree_.Build(corners_, corners_);
  std::vector<GMVector> lo(edges_.size()), hi(edges_.size());
  for (size_t i = 0; i < edges_.size(); ++i) {
    lo[i] = Lower(edges_[i].start, edges_[i].end);
    hi[i] = Upper(edges_[i].start, edges_[i].end);
  }
  edgeTree_.Build(lo, hi);
  return built_;
}

std::optional<MeasureScene::Hit> MeasureScene::FirstHit(const GMVector& origin, const GMVector& direction,
                                                        const ShownTest& shown) {
  if (!built_ || GMLength(direction) == 0.0) return std::nullopt;
  return FirstShownHit(origin, origin + direction, false, shown);
}

std::optional<MeasureScene::Hit> MeasureScene::FirstShownHit(GMVector start, const GMVector& end, bool limitToSegment,
                                                             const ShownTest& shown) {
  const GMVector direction = end - start;
  const double length = GMLength(direction);
  if (length == 0.0) return std::nullopt;
  // A hit on what a section removed is passed, a little beyond it; a model
  // never stacks more faces than this along one ray.
  constexpr int kMaxHiddenHits = 256;
  const GMVector step = direction * (1e-6 * std::max(1.0, length) / length);
  for (int pass = 0; pass < kMaxHiddenHits; ++pass) {
    Hit hit;
    hit.triangle = octree_.FindFirstHit(start, limitToSegment ? end : start + direction, &hit.at,
                                        limitToSegment ? 1 : 0, -1);
    if (hit.triangle < 0) return std::nullopt;
    if (!shown || shown(hit.at)) return hit;
    start = hit.at + step;
  }
  return std::nullopt;
}

bool MeasureScene::Visible(const WindowProjector& projector, const GMVector& point, const ShownTest& shown) {
  double wx = 0, wy = 0;
  if (!projector.Project(point, wx, wy)) return false;
  GMVector origin, direction;
  if (!projector.Ray(wx, wy, origin, direction)) return false;
  if (projector.parallel) origin = point - direction * (GMDot(point - projector.eye, direction) + 1.0);
  if (!built_) return true;
  const std::optional<Hit> hit = FirstShownHit(origin, point, true, shown);
  if (!hit) return true;
  // The corner itself, or a face meeting it, is hit at the point.
  return GMDistance(hit->at, point) <= PlaneTolerance(GMDistance(origin, point)) * 10.0;
}

MeasurePoint MeasureScene::Snap(const WindowProjector& projector, double x, double y, const ShownTest& shown) {
  // Only the corners and edges whose boxes come near the cursor are looked
  // at; the nearest visible one wins, the one filed first on a tie.
  struct Candidate {
    double pixels;
    int index;
    GMVector at;
  };
  const auto nearestFirst = [](const Candidate& a, const Candidate& b) {
    return a.pixels < b.pixels || (a.pixels == b.pixels && a.index < b.index);
  };
  std::vector<Candidate> candidates;
  std::vector<int> near;
  cornerTree_.Near(projector, x, y, kSnapVertexPixels, near);
  for (const int index : near) {
    const GMVector& corner = corners_[static_cast<size_t>(index)];
    double wx = 0, wy = 0;
    if (BeforeTheCut(projector, corner) || (shown && !shown(corner)) || !projector.Project(corner, wx, wy)) continue;
    const double d = std::hypot(wx - x, wy - y);
    if (d <= kSnapVertexPixels) candidates.push_back({d, index, corner});
  }
  std::sort(candidates.begin(), candidates.end(), nearestFirst);
  for (const Candidate& c : candidates)
    if (Visible(projector, c.at, shown)) return {SnapKind::Vertex, c.at};

  GMVector origin, direction;
  if (!projector.Ray(x, y, origin, direction)) return {};
  candidates.clear();
  edgeTree_.Near(projector, x, y, kSnapEdgePixels, near);
  for (const int index : near) {
    const GMSegment& edge = edges_[static_cast<size_t>(index)];
    GMSegment onWindow;
    if (!projector.Segment(edge, projector.nearPlane, onWindow)) continue;
    double t = 0;
    const double d = PixelDistanceToSegment(x, y, onWindow, t);
    if (d <= kSnapEdgePixels)
      candidates.push_back({d, index, NearestOnSegmentToRay(edge.start, edge.end, origin, direction)});
  }
  std::sort(candidates.begin(), candidates.end(), nearestFirst);
  for (const Candidate& c : candidates)
    if ((!shown || shown(c.at)) && Visible(projector, c.at, shown)) return {SnapKind::Edge, c.at};

  if (const std::optional<Hit> hit = FirstHit(origin, direction, shown)) return {SnapKind::Face, hit->at};
  return {};
}

void MeasureScene::TrianglesNear(const GMVector& lo, const GMVector& hi, std::vector<int>& out) {
  out.clear();
  if (const COctTreeCell* tree = octree_.GetTree()) CollectNear(*tree, lo, hi, out);
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
}

std::optional<PlanarFace> MeasureScene::FaceOf(int triangle) {
  if (!built_ || triangle < 0 || triangle >= octree_.GetTriangleCount()) return std::nullopt;
  const COctTreeTriangle& seed = *octree_.GetTriangle(triangle);
  const GMVector& base = seed.vertices[0];
  const GMVector normal = UnitOf(GMCross(seed.vertices[1] - base, seed.vertices[2] - base));
  if (GMLength(normal) == 0.0) return std::nullopt;
  const double tol = PlaneTolerance(LongestSide(seed));

  auto inPlane = [&](const COctTreeTriangle& t) {
    for (const GMVector& p : t.vertices)
      if (std::fabs(GMDot(p - base, normal)) > tol) return false;
    // Facing the same way: the back of a two-sided wall is another face.
    return GMDot(GMCross(t.vertices[1] - t.vertices[0], t.vertices[2] - t.vertices[0]), normal) > 0.0;
  };
  auto sides = [](const COctTreeTriangle& t) {
    return std::vector<GMSegment>{{t.vertices[0], t.vertices[1]},
                                  {t.vertices[1], t.vertices[2]},
                                  {t.vertices[2], t.vertices[0]}};
  };
  // Two triangles of the face join where a side of one runs along a side of
  // the other for some length, also where the sides are cut at different
  // points (a corner of one on the side of the other).
  auto joined = [&](const COctTreeTriangle& a, const COctTreeTriangle& b) {
    const std::vector<GMSegment> others = sides(b);
    for (const GMSegment& s : sides(a)) {
      std::vector<GMSegment> pieces;
      UncoveredPieces(s.start, s.end, others, tol, pieces);
      double free = 0;
      for (const GMSegment& p : pieces) free += GMDistance(p.start, p.end);
      if (free < GMDistance(s.start, s.end) - tol) return true;
    }
    return false;
  };

  PlanarFace face;
  face.normal = normal;
  std::unordered_set<int> inFace{triangle};
  std::deque<int> queue{triangle};
  std::vector<int> near;
  while (!queue.empty()) {
    const int current = queue.front();
    queue.pop_front();
    face.triangles.push_back(current);
    const COctTreeTriangle& t = *octree_.GetTriangle(current);
    GMVector lo, hi;
    Bounds(t, tol, lo, hi);
    TrianglesNear(lo, hi, near);
    for (const int other : near) {
      if (inFace.contains(other)) continue;
      const COctTreeTriangle& o = *octree_.GetTriangle(other);
      if (!inPlane(o) || !joined(t, o)) continue;
      inFace.insert(other);
      queue.push_back(other);
    }
  }
  std::sort(face.triangles.begin(), face.triangles.end());

  for (const int index : face.triangles) {
    const COctTreeTriangle& t = *octree_.GetTriangle(index);
    face.area += 0.5 * GMLength(GMCross(t.vertices[1] - t.vertices[0], t.vertices[2] - t.vertices[0]));
    GMVector lo, hi;
    Bounds(t, tol, lo, hi);
    TrianglesNear(lo, hi, near);
    std::vector<GMSegment> others;
    for (const int other : near)
      if (other != index && inFace.contains(other))
        for (const GMSegment& s : sides(*octree_.GetTriangle(other))) others.push_back(s);
    for (const GMSegment& s : sides(t)) UncoveredPieces(s.start, s.end, others, tol, face.outline);
  }
  for (const GMSegment& s : face.outline) face.perimeter += GMDistance(s.start, s.end);
  return face;
}

std::optional<PlanarFace> MeasureScene::FaceAt(const GMVector& point, double tolerance) {
  if (!built_) return std::nullopt;
  const GMVector grow{tolerance, tolerance, tolerance};
  std::vector<int> near;
  TrianglesNear(point - grow, point + grow, near);
  int best = -1;
  double bestDistance = tolerance;
  for (const int index : near) {
    const COctTreeTriangle& t = *octree_.GetTriangle(index);
    const GMVector& a = t.vertices[0];
    const GMVector n = UnitOf(GMCross(t.vertices[1] - a, t.vertices[2] - a));
    if (GMLength(n) == 0.0) continue;
    const double distance = std::fabs(GMDot(point - a, n));
    if (distance > bestDistance || (best >= 0 && distance == bestDistance)) continue;
    // Inside the triangle, or within the tolerance of its sides.
    bool inside = true;
    for (int k = 0; k < 3 && inside; ++k) {
      const GMVector& p = t.vertices[k];
      const GMVector& q = t.vertices[(k + 1) % 3];
      const GMVector inward = UnitOf(GMCross(n, q - p));
      inside = GMDot(point - p, inward) >= -tolerance;
    }
    if (!inside) continue;
    best = index;
    bestDistance = distance;
  }
  if (best < 0) return std::nullopt;
  return FaceOf(best);
}

// --- texts --------------------------------------------------------------------

std::string FormatMeasure(double value) { return TrimmedDecimal(value, 3); }

std::string MeasureUnitFor(std::string_view modelPath) {
  const std::size_t dot = modelPath.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string extension(modelPath.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // A ".k3d" scene is in metres. An IFC model names its length unit, and
  // the import turns whatever it names (millimetres, feet) into metres, so
  // it arrives in metres always. Other formats carry no unit the import
  // keeps: a bare number.
  return extension == "k3d" || extension == "ifc" ? "m" : "";
}

namespace {
std::string WithUnit(double value, std::string_view unit, std::string_view power = {}) {
  std::string s = FormatMeasure(value);
  if (!unit.empty()) s += " " + std::string(unit) + std::string(power);
  return s;
}
}  // namespace

std::string DistanceText(const MeasureDistance& d, std::string_view unit) {
  return "距離 " + WithUnit(d.distance, unit) + "  ΔXY " + WithUnit(d.horizontal, unit) + "  ΔZ " +
         WithUnit(d.vertical, unit);
}

std::string FaceText(const PlanarFace& face, std::string_view unit) {
  return "面積 " + WithUnit(face.area, unit, "²") + "  周長 " + WithUnit(face.perimeter, unit);
}

}  // namespace korvex
