#include "model/OctTree.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>

#include "geometry/gm_triangulate.h"
#include "geometry/gm_vector.h"
#include "model/InkNode.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Colours of the two nodes of the debug scene (red in the lowest byte):
// opaque light blue triangles and half-transparent light yellow boxes.
constexpr uint32_t kDumpTriangleColour = 0xFFFF8080u;
constexpr uint32_t kDumpCellColour = 0x8080FFFFu;

double At(const GMVector& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
double& At(GMVector& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// The interval [lo, hi] of the projections of three points onto an axis
// against the box's projection radius r: separated when they do not overlap.
[[gnu::always_inline]] inline bool Separated(double p0, double p1, double p2, double r) {
  const double lo = std::min({p0, p1, p2});
  const double hi = std::max({p0, p1, p2});
  return lo > r || hi < -r;
}

// The axes that may separate a triangle from a box besides the box's own
// normals: bit 3·j + k for box axis k crossed with edge j (corner j to corner
// j + 1), bit 9 for the triangle's normal.
constexpr uint16_t kEveryAxis = 0x3FF;
constexpr uint16_t kNormalAxis = 1u << 9;

// Which of those axes a triangle needs tried. An axis that has something
// along one box axis only (or nothing at all) projects the corners onto a
// multiple of their coordinates along that box axis, so it separates only
// where that box normal already does, in rounded arithmetic too (rounding
// keeps the order of products by one factor). Box buildings are made of
// such triangles: a wall's or a roof's lies in a plane along a box axis, with
// two sides along box axes, and needs one axis besides the box normals.
uint16_t AxesThatCanSeparate(const GMVector* p) {
  uint16_t axes = 0;
  bool level = false;
  for (int axis = 0; axis < 3; ++axis)
    level = level || (At(p[0], axis) == At(p[1], axis) && At(p[1], axis) == At(p[2], axis));
  for (int j = 0; j < 3; ++j) {
    const GMVector& from = p[j];
    const GMVector& to = p[(j + 1) % 3];
    const bool along[3] = {from.x != to.x, from.y != to.y, from.z != to.z};
    // Box axis k crossed with the edge has the edge's other two parts.
    for (int k = 0; k < 3; ++k)
      if (along[(k + 1) % 3] && along[(k + 2) % 3]) axes = static_cast<uint16_t>(axes | (1u << (3 * j + k)));
  }
  // A triangle in a plane along a box axis has its normal along that axis.
  if (!level) axes = static_cast<uint16_t>(axes | kNormalAxis);
  return axes;
}

// Separating axes of a triangle and a box: the three box normals, the
// triangle's normal and the nine cross products of box and triangle edges.
// When none of them separates the two, they meet. Growing the box keeps it a
// box, so the test stays exact for the grown box (centre, half sizes h); it
// also covers flat boxes and triangles collapsed to a segment or a point.
// Only the axes in `axes` are tried besides the box normals (see
// AxesThatCanSeparate).
[[gnu::always_inline]] inline bool TouchesGrownBox(const GMVector& a, const GMVector& b, const GMVector& c,
                                                   const GMVector& centre, const GMVector& h, uint16_t axes) {
  const GMVector v[3] = {a - centre, b - centre, c - centre};

  for (int axis = 0; axis < 3; ++axis)
    if (Separated(At(v[0], axis), At(v[1], axis), At(v[2], axis), At(h, axis))) return false;

  const GMVector edges[3] = {v[1] - v[0], v[2] - v[1], v[0] - v[2]};
  for (int j = 0; j < 3; ++j) {
    if (!(axes & (7u << (3 * j)))) continue;
    const GMVector& e = edges[j];
    // Box axis x × e = (0, -e.z, e.y), and so on for y and z.
    const GMVector cross[3] = {{0.0, -e.z, e.y}, {e.z, 0.0, -e.x}, {-e.y, e.x, 0.0}};
    for (int k = 0; k < 3; ++k) {
      if (!(axes & (1u << (3 * j + k)))) continue;
      const GMVector& n = cross[k];
      const double r = h.x * std::abs(n.x) + h.y * std::abs(n.y) + h.z * std::abs(n.z);
      if (Separated(GMDot(v[0], n), GMDot(v[1], n), GMDot(v[2], n), r)) return false;
    }
  }
  if (!(axes & kNormalAxis)) return true;

  const GMVector normal = GMCross(edges[0], edges[1]);
  const double r = h.x * std::abs(normal.x) + h.y * std::abs(normal.y) + h.z * std::abs(normal.z);
  const double d = GMDot(normal, v[0]);
  return std::abs(d) <= r;
}

// A child cell with the ray parameter at which the ray enters it.
struct CellEntry {
  double t;
  const COctTreeCell* cell;
};

// At most eight entries: an insertion sort beats any general sort here.
void SortByEntry(CellEntry* entries, int n) {
  for (int i = 1; i < n; ++i) {
    const CellEntry e = entries[i];
    int j = i;
    for (; j > 0 && entries[j - 1].t > e.t; --j) entries[j] = entries[j - 1];
    entries[j] = e;
  }
}

}  // namespace

// --- free predicates ----------------------------------------------------------

bool OctTreeTriangleTouchesBox(const GMVector& a, const GMVector& b, const GMVector& c, const GMVector& min,
                               const GMVector& max, double tol) {
  const GMVector centre{(min.x + max.x) * 0.5, (min.y + max.y) * 0.5, (min.z + max.z) * 0.5};
  const GMVector h{(max.x - min.x) * 0.5 + tol, (max.y - min.y) * 0.5 + tol, (max.z - min.z) * 0.5 + tol};
  return TouchesGrownBox(a, b, c, centre, h, kEveryAxis);
}

double OctTreeRayTriangle(const GMVector& origin, const GMVector& direction, const GMVector& a,
                          const GMVector& b, const GMVector& c) {
  // Barycentric slack, so that a ray through the shared edge of two faces
  // hits at least one of them instead of slipping through the seam.
  constexpr double kEdgeSlack = 1e-9;
  const GMVector e1 = b - a;
  const GMVector e2 = c - a;
  const GMVector p = GMCross(direction, e2);
  const double det = GMDot(e1, p);
  if (det == 0.0) return -1.0;
  const double inv = 1.0 / det;
  const GMVector s = origin - a;
  const double u = GMDot(s, p) * inv;
  if (u < -kEdgeSlack || u > 1.0 + kEdgeSlack) return -1.0;
  const GMVector q = GMCross(s, e1);
  const double v = GMDot(direction, q) * inv;
  if (v < -kEdgeSlack || u + v > 1.0 + kEdgeSlack) return -1.0;
  const double t = GMDot(e2, q) * inv;
  if (t < 0.0) return -1.0;
  // det is -direction · normal: a ray (almost) in the triangle's plane sees
  // the face edge-on and does not hit it, and a collapsed triangle has no
  // normal. Checked last, as few rays get this far.
  const GMVector n = GMCross(e1, e2);
  if (!(det * det > 1e-24 * GMDot(direction, direction) * GMDot(n, n))) return -1.0;
  return t;
}

// --- the ray ------------------------------------------------------------------

struct COctTreeBoxel::Ray {
  GMVector origin;
  GMVector direction;  // end - start: t = 1 is the segment's end
  double inverse[3] = {};
  double tMax = kInfinity;
  double pad = 0.0;  // how far boxes are grown so that rounding never loses a cell
  int skip = -1;

  Ray(const GMVector& start, const GMVector& end, bool limited, double tolerance, int skipTriangle)
      : origin(start), direction(end - start), tMax(limited ? 1.0 : kInfinity), skip(skipTriangle) {
    for (int axis = 0; axis < 3; ++axis) {
      const double d = At(direction, axis);
      inverse[axis] = d != 0.0 ? 1.0 / d : 0.0;
    }
    pad = tolerance;
  }

  // The part [t0, t1] of the ray inside the box grown by pad; false when the
  // ray misses it.
  bool Crosses(const GMVector& min, const GMVector& max, double& t0, double& t1) const {
    t0 = 0.0;
    t1 = tMax;
    for (int axis = 0; axis < 3; ++axis) {
      const double o = At(origin, axis);
      // Grow by the tolerance and by a relative share of the coordinates, so
      // that a box far from the origin is not missed by rounding alone.
      const double slack = pad + 1e-12 * (std::abs(At(min, axis)) + std::abs(At(max, axis)));
      const double lo = At(min, axis) - slack;
      const double hi = At(max, axis) + slack;
      if (At(direction, axis) == 0.0) {
        if (o < lo || o > hi) return false;
        continue;
      }
      double ta = (lo - o) * inverse[axis];
      double tb = (hi - o) * inverse[axis];
      if (ta > tb) std::swap(ta, tb);
      t0 = std::max(t0, ta);
      t1 = std::min(t1, tb);
      if (t0 > t1) return false;
    }
    return true;
  }
};

// --- life cycle and input ------------------------------------------------------

COctTreeBoxel::COctTreeBoxel() = default;

COctTreeBoxel::~COctTreeBoxel() { ClearInput(); }

void COctTreeBoxel::SetTolerance(double tolerance) { tolerance_ = tolerance; }

int COctTreeBoxel::AddPolygon(const GMPolygon* polygon, InkFigure* figure) {
  // A null polygon is refused before anything is appended, so that the two
  // input lists stay parallel.
  if (!polygon) return -1;
  if (!inputPolygons_) inputPolygons_ = std::make_unique<CGMPolygonList>();
  if (!inputFigures_) inputFigures_ = std::make_unique<CPlainList>();
  if (inputPolygons_->AddPolygonCopy(polygon) < 0) return -1;
  return inputFigures_->Add(figure);
}

void COctTreeBoxel::ClearInput() {
  inputPolygons_.reset();
  inputFigures_.reset();
}

std::span<COctTreeTriangle> COctTreeBoxel::GetTriangles() { return triangles_; }

COctTreeTriangle* COctTreeBoxel::GetTriangle(int index) { return triangles_.data() + index; }

int COctTreeBoxel::GetTriangleCount() const { return static_cast<int>(triangles_.size()); }

COctTreeCell* COctTreeBoxel::GetTree() { return tree_.get(); }

// --- building -----------------------------------------------------------------

// What filing a city's million triangles needs, made once for the whole
// build instead of once per cell and triangle: each triangle's bounds, and
// one list of triangles and their children's marks per depth, reused by every
// cell at that depth.
struct COctTreeBoxel::Filing {
  struct Bounds {
    GMVector lo, hi;
    uint16_t axes;  // the axes that may separate it from a box (AxesThatCanSeparate)
  };
  std::vector<Bounds> bounds;
  // Per depth, the triangles each child of the cell being split touches.
  std::vector<std::array<std::vector<int32_t>, 8>> lists;
};

int COctTreeBoxel::Build(int levels) {
  if (!inputPolygons_ || !inputFigures_) return 0;
  const int count = inputPolygons_->GetCount();
  if (count == 0 || count != inputFigures_->GetCount()) return 0;

  triangles_.clear();
  triangles_.reserve(static_cast<size_t>(count) * 2);
  for (int i = 0; i < count; ++i) {
    if (i % 4096 == 0 && stop_.stop_requested()) break;
    const GMPolygon* polygon = inputPolygons_->GetPolygon(i);
    auto* figure = static_cast<InkFigure*>(inputFigures_->GetAt(i));
    if (!polygon) continue;
    // A triangle is its own triangulation.
    if (polygon->Count() == 3) {
      triangles_.push_back({{(*polygon)[0], (*polygon)[1], (*polygon)[2]}, figure});
      continue;
    }
    // A ring the triangulation refuses (a repeated point, an undefined
    // coordinate) contributes no triangle.
    const GMPolygonSetPtr pieces = GMTriangulate(*polygon, tolerance_);
    if (!pieces) continue;
    for (const GMPolygon& piece : pieces->polygons) {
      if (piece.Count() != 3) continue;
      triangles_.push_back({{piece[0], piece[1], piece[2]}, figure});
    }
  }
  tree_.reset();
  if (levels < 0 || triangles_.empty() || stop_.stop_requested()) return 0;

  auto root = std::make_unique<COctTreeCell>();
  root->levels = levels;
  root->min = {kInfinity, kInfinity, kInfinity};
  root->max = {-kInfinity, -kInfinity, -kInfinity};
  Filing filing;
  filing.bounds.resize(triangles_.size());
  for (size_t i = 0; i < triangles_.size(); ++i) {
    const GMVector* v = triangles_[i].vertices;
    Filing::Bounds& b = filing.bounds[i];
    b.axes = AxesThatCanSeparate(v);
    for (int axis = 0; axis < 3; ++axis) {
      At(b.lo, axis) = std::min({At(v[0], axis), At(v[1], axis), At(v[2], axis)});
      At(b.hi, axis) = std::max({At(v[0], axis), At(v[1], axis), At(v[2], axis)});
      At(root->min, axis) = std::min(At(root->min, axis), At(b.lo, axis));
      At(root->max, axis) = std::max(At(root->max, axis), At(b.hi, axis));
    }
  }
  std::vector<int32_t> all(triangles_.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int32_t>(i);
  if (levels == 0) {
    root->indices = std::move(all);
  } else {
    filing.lists.resize(static_cast<size_t>(levels));
    Split(*root, all, filing, 0);
  }
  if (stop_.stop_requested()) return 0;
  tree_ = std::move(root);
  return 1;
}

void COctTreeBoxel::Split(COctTreeCell& cell, std::span<const int32_t> indices, Filing& filing, int depth) {
  if (stop_.stop_requested()) return;
  const GMVector mid{(cell.min.x + cell.max.x) * 0.5, (cell.min.y + cell.max.y) * 0.5,
                     (cell.min.z + cell.max.z) * 0.5};
  // Along an axis where the box is flat (a site plan, a single wall) both
  // halves would be the same sliver and every triangle would be listed twice
  // per level; such an axis is not halved and only the lower octants exist.
  bool flat[3];
  for (int axis = 0; axis < 3; ++axis) flat[axis] = At(cell.max, axis) - At(cell.min, axis) <= tolerance_;

  std::array<GMVector, 8> lower;
  std::array<GMVector, 8> upper;
  std::array<GMVector, 8> centre;
  std::array<GMVector, 8> half;  // grown by the tolerance
  for (int k = 0; k < 8; ++k) {
    for (int axis = 0; axis < 3; ++axis) {
      const bool high = (k >> axis) & 1;
      if (flat[axis]) {
        At(lower[k], axis) = At(cell.min, axis);
        At(upper[k], axis) = At(cell.max, axis);
      } else {
        At(lower[k], axis) = high ? At(mid, axis) : At(cell.min, axis);
        At(upper[k], axis) = high ? At(cell.max, axis) : At(mid, axis);
      }
      At(centre[k], axis) = (At(lower[k], axis) + At(upper[k], axis)) * 0.5;
      At(half[k], axis) = (At(upper[k], axis) - At(lower[k], axis)) * 0.5 + tolerance_;
    }
  }
  // The children on the lower side along each axis; the others are upper.
  constexpr uint8_t kLowerSide[3] = {0x55, 0x33, 0x0F};
  const double tol = tolerance_;

  // Each triangle to the children it touches. Its bounds say first which
  // halves along each axis it can reach at all; most octants end there.
  std::array<std::vector<int32_t>, 8>& lists = filing.lists[static_cast<size_t>(depth)];
  for (auto& list : lists) list.clear();
  for (const int32_t index : indices) {
    const Filing::Bounds& b = filing.bounds[static_cast<size_t>(index)];
    unsigned reach = 0xFF;
    for (int axis = 0; axis < 3; ++axis) {
      const double lo = At(b.lo, axis), hi = At(b.hi, axis);
      const bool low = !(lo > At(upper[0], axis) + tol || hi < At(cell.min, axis) - tol);
      const bool high = !flat[axis] && !(lo > At(cell.max, axis) + tol || hi < At(mid, axis) - tol);
      reach &= (low ? kLowerSide[axis] : 0u) | (high ? ~kLowerSide[axis] & 0xFFu : 0u);
    }
    const GMVector* v = triangles_[static_cast<size_t>(index)].vertices;
    for (; reach; reach &= reach - 1) {
      const int k = std::countr_zero(reach);
      if (TouchesGrownBox(v[0], v[1], v[2], centre[k], half[k], b.axes)) lists[static_cast<size_t>(k)].push_back(index);
    }
  }

  for (int k = 0; k < 8; ++k) {
    std::vector<int32_t>& list = lists[static_cast<size_t>(k)];
    if (list.empty()) continue;
    auto child = std::make_unique<COctTreeCell>();
    child->levels = cell.levels - 1;
    child->min = lower[k];
    child->max = upper[k];
    // A child that may be split no more is a leaf and keeps its triangles.
    if (child->levels <= 0)
      child->indices.assign(list.begin(), list.end());
    else
      Split(*child, list, filing, depth + 1);
    cell.childMask = static_cast<uint8_t>(cell.childMask | (1u << k));
    cell.children[static_cast<size_t>(k)] = std::move(child);
  }
}

// --- queries ------------------------------------------------------------------

bool COctTreeBoxel::Answers() const {
  if (!tree_ || triangles_.empty()) return false;
  if (!inputPolygons_ || !inputFigures_) return false;
  const int count = inputPolygons_->GetCount();
  // An octree made from a single polygon answers no query: the ray-cast
  // picture treats such a scene as empty.
  return count >= 2 && count == inputFigures_->GetCount();
}

void COctTreeBoxel::FindInCell(const COctTreeCell& cell, const Ray& ray, double& bestT, int& best) {
  if (cell.IsLeaf()) {
    for (int32_t index : cell.indices) {
      // A wall reaches through many cells of a column; test it once per ray.
      uint32_t& stamp = tested_[static_cast<size_t>(index)];
      if (stamp == query_ || index == ray.skip) continue;
      stamp = query_;
      const COctTreeTriangle& triangle = triangles_[static_cast<size_t>(index)];
      const double t = OctTreeRayTriangle(ray.origin, ray.direction, triangle.vertices[0],
                                          triangle.vertices[1], triangle.vertices[2]);
      if (t < 0.0 || t > ray.tMax) continue;
      if (t < bestT || (t == bestT && index < best)) {
        bestT = t;
        best = index;
      }
    }
    return;
  }

  // Children in the order the ray enters them. A hit found in one child may
  // lie beyond the next child's entry (triangles reach over several cells),
  // so a child is skipped only when the ray enters it beyond the best hit.
  CellEntry entries[8];
  int n = 0;
  for (const auto& child : cell.children) {
    double t0 = 0.0;
    double t1 = 0.0;
    if (child && ray.Crosses(child->min, child->max, t0, t1) && t0 <= bestT) entries[n++] = {t0, child.get()};
  }
  SortByEntry(entries, n);
  for (int i = 0; i < n; ++i) {
    if (entries[i].t > bestT) break;
    FindInCell(*entries[i].cell, ray, bestT, best);
  }
}

int COctTreeBoxel::FindFirstHit(const GMVector& start, const GMVector& end, GMVector* hit, int limitToSegment,
                                int skipTriangle) {
  if (!Answers()) return -1;
  const Ray ray(start, end, limitToSegment != 0, tolerance_, skipTriangle);
  if (ray.direction.x == 0.0 && ray.direction.y == 0.0 && ray.direction.z == 0.0) return -1;

  double t0 = 0.0;
  double t1 = 0.0;
  if (!ray.Crosses(tree_->min, tree_->max, t0, t1)) return -1;
  if (tested_.size() != triangles_.size()) {
    tested_.assign(triangles_.size(), 0);
    query_ = 0;
  }
  if (++query_ == 0) {  // the stamps wrapped round: forget them all
    std::fill(tested_.begin(), tested_.end(), 0);
    query_ = 1;
  }
  double bestT = kInfinity;
  int best = -1;
  FindInCell(*tree_, ray, bestT, best);
  if (best >= 0 && hit) {
    *hit = {start.x + bestT * ray.direction.x, start.y + bestT * ray.direction.y,
            start.z + bestT * ray.direction.z};
  }
  return best;
}

void COctTreeBoxel::CollectInCell(const COctTreeCell& cell, const Ray& ray,
                                  std::vector<std::pair<double, const COctTreeCell*>>& leaves) const {
  for (const auto& child : cell.children) {
    double t0 = 0.0;
    double t1 = 0.0;
    if (!child || !ray.Crosses(child->min, child->max, t0, t1)) continue;
    if (child->IsLeaf())
      leaves.emplace_back(t0, child.get());
    else
      CollectInCell(*child, ray, leaves);
  }
}

int COctTreeBoxel::CollectAlongSegment(const GMVector& start, const GMVector& end, CPlainList& list,
                                       int limitToSegment, int reportCells) {
  if (!tree_ || triangles_.empty() || GetInputCount() < 2) return -1;
  const Ray ray(start, end, limitToSegment != 0, tolerance_, -1);

  // Leaves with their entry parameters. Side-by-side columns that the ray
  // grazes along their common face are entered at the same height, so the
  // order is settled by sorting all leaves, not by the walk.
  std::vector<std::pair<double, const COctTreeCell*>> leaves;
  double t0 = 0.0;
  double t1 = 0.0;
  if (ray.Crosses(tree_->min, tree_->max, t0, t1)) {
    if (tree_->IsLeaf())
      leaves.emplace_back(t0, tree_.get());
    else
      CollectInCell(*tree_, ray, leaves);
  }
  std::stable_sort(leaves.begin(), leaves.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });

  int appended = 0;
  if (reportCells) {
    for (const auto& [t, leaf] : leaves)
      if (list.Add(const_cast<COctTreeCell*>(leaf)) >= 0) ++appended;
    return appended;
  }
  std::vector<bool> listed(triangles_.size(), false);
  for (const auto& [t, leaf] : leaves)
    for (int32_t index : leaf->indices) {
      if (listed[static_cast<size_t>(index)]) continue;
      listed[static_cast<size_t>(index)] = true;
      if (list.Add(GetTriangle(index)) >= 0) ++appended;
    }
  return appended;
}

// --- debugging aids -------------------------------------------------------------

void COctTreeBoxel::CollectCellFaces(const COctTreeCell* cell, CGMPolygonList& list) {
  if (!cell) return;
  if (!cell->IsLeaf()) {
    for (const auto& child : cell->children) CollectCellFaces(child.get(), list);
    return;
  }
  const double x0 = cell->min.x, y0 = cell->min.y, z0 = cell->min.z;
  const double x1 = cell->max.x, y1 = cell->max.y, z1 = cell->max.z;
  // Each face counter-clockwise seen from outside the box: -x, +x, -y, +y, -z, +z.
  const GMVector faces[6][4] = {
      {{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}},
      {{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}},
      {{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}},
      {{x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}},
      {{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}},
      {{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}},
  };
  for (const auto& corners : faces) {
    GMPolygon face;
    face.points.assign(std::begin(corners), std::end(corners));
    list.AddPolygonCopy(&face);
  }
}

void COctTreeBoxel::AddDumpNodes(CInkNode& root) {
  auto addNode = [&root](const char* name, uint32_t colour) {
    InkAttributes attributes;
    attributes.colour = colour;
    auto node = std::make_unique<CInkNode>();
    node->Create(&attributes);
    node->SetName(name);
    CInkNode* raw = node.get();
    if (root.AddChild(raw) < 0) return static_cast<CInkNode*>(nullptr);
    node.release();  // the root owns it now
    return raw;
  };

  if (CInkNode* node = addNode("TriangleElement", kDumpTriangleColour)) {
    for (const COctTreeTriangle& triangle : triangles_) {
      const InkPolyDescription description(triangle.vertices);
      node->AddPolygonFigure(description.Get(), 0);
    }
  }
  if (CInkNode* node = addNode("OctTreeElement", kDumpCellColour)) {
    CGMPolygonList faces;
    CollectCellFaces(tree_.get(), faces);
    for (int i = 0; i < faces.GetCount(); ++i) {
      const InkPolyDescription description(faces.GetPolygon(i)->points);
      node->AddPolygonFigure(description.Get(), 0);
    }
  }
}

