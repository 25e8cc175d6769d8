// Figures as surface polygons, line segments and outlines.
//
// Polygons and polylines are read straight from their vertices, meshes face by
// face; subdivision surfaces and segment sets have their own files
// (FigureSubdivision.cpp, FigureSegmentSet.cpp). An instance expands the
// figure it refers to and places the result: every point p becomes
// p · matrix + (base - reference).
//
// Instances may refer to instances. A chain that comes back to a figure it is
// already expanding (which a plug-in editing records in place can make) would
// never end; such a chain, and one deeper than kMaxInstanceDepth, contributes
// nothing.

#include "model/FigureTessellation.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/gm_matrix.h"
#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_quaternion.h"
#include "geometry/gm_segment.h"
#include "geometry/gm_vector.h"
#include "model/FigureTessellationDetail.h"

namespace {

constexpr int kMaxInstanceDepth = 32;
// More arc steps than this add nothing visible and would let one bad mark
// swell an outline without bound.
constexpr double kMaxArcSteps = 4096.0;

// The figures an instance chain is currently expanding.
using Chain = std::vector<const InkFigure*>;

// The referenced figure of an instance, when expanding it is safe.
const InkFigure* Enter(const InkFigure* instance, Chain& chain) {
  const auto* record = static_cast<const InkInstanceRecord*>(instance->geometry);
  if (!record || !record->figure || !record->base) return nullptr;
  if (chain.size() >= kMaxInstanceDepth) return nullptr;
  if (std::find(chain.begin(), chain.end(), record->figure) != chain.end()) return nullptr;
  if (record->figure == instance) return nullptr;
  return record->figure;
}

// The instance transform: the matrix first, then the shift that brings the
// reference point onto the base vertex.
class Placement {
 public:
  explicit Placement(const InkInstanceRecord& record)
      : matrix_(record.matrix), shift_(GMSubtract(record.reference, record.base->position)) {}

  void Apply(GMVector& p) const {
    const GMMatrix& m = matrix_;
    const double w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
    // A matrix whose fourth column is zero (an instance record left with an
    // empty matrix) has no homogeneous scale; dividing by it would fill the
    // display and the octree with infinities, so the affine part is used.
    if (w != 0.0) {
      GMTransformPoint(p, m);
    } else {
      const GMVector q = p;
      for (int j = 0; j < 3; ++j) {
        const double v = q.x * m.m[0][j] + q.y * m.m[1][j] + q.z * m.m[2][j] + m.m[3][j];
        (j == 0 ? p.x : j == 1 ? p.y : p.z) = v;
      }
    }
    p.x += shift_.x;
    p.y += shift_.y;
    p.z += shift_.z;
  }

 private:
  GMMatrix matrix_;
  GMVector shift_;
};

// The points that replace the arc point V between P and N: the arc of the
// circle through P, V and N from P to N, divided into equal angular steps;
// the inner division points are emitted (P and N are the outline's own
// neighbours). V stays as it is when no arc can be made.
void AppendArc(const GMVector& p, const GMVector& v, const GMVector& n, int32_t mark, double arcFactor,
               std::vector<GMVector>& ring) {
  const double steps = std::min(std::trunc(static_cast<double>(mark) * arcFactor), kMaxArcSteps);
  if (!(steps >= 1.0) || GMIsPointOnSegment(p, n, v, GM_TOLERANCE)) {
    ring.push_back(v);
    return;
  }
  const GMVector centre = GMCircumcenter(p, v, n);
  const GMVector axis = GMCross(GMSubtract(p, v), GMSubtract(p, n));  // P -> V -> N turns about it
  const double axisLength = GMLength(axis);
  if (GMIsUndefined(centre) || !(axisLength > 0.0)) {
    ring.push_back(v);
    return;
  }
  const GMVector from = GMSubtract(centre, p), to = GMSubtract(centre, n);
  double sweep = std::atan2(GMDot(GMCross(from, to), axis) / axisLength, GMDot(from, to));
  if (sweep <= 0.0) sweep += 2.0 * GMPi();
  const int count = static_cast<int>(steps);
  for (int k = 1; k < count; ++k) {
    GMVector q = p;
    ring.push_back(GMRotatePointAboutAxis(q, centre, axis, sweep * k / count));
  }
}

void AppendPolygon(const InkPolyRecord& record, double arcFactor, GMPolygonSet& out) {
  const auto vertices = record.Vertices();
  const size_t n = vertices.size();
  if (n < 3) return;
  GMPolygon polygon;
  polygon.points.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const InkVertex& v = *vertices[i];
    if (v.mark == 0)
      polygon.points.push_back(v.position);
    else
      AppendArc(vertices[(i + n - 1) % n]->position, v.position, vertices[(i + 1) % n]->position, v.mark, arcFactor,
                polygon.points);
  }
  if (polygon.Count() >= 3) out.polygons.push_back(std::move(polygon));
}

// One polygon per face, in face order, so that polygon i is face i.
void AppendMesh(const GMMesh& mesh, GMPolygonSet& out) {
  out.polygons.reserve(out.polygons.size() + static_cast<size_t>(std::max(mesh.faceCount, 0)));
  for (const GMMeshFace& face : mesh.Faces()) {
    GMPolygon& polygon = out.polygons.emplace_back();
    polygon.points.reserve(static_cast<size_t>(std::max(face.count, 0)));
    for (int32_t i : face.Indices())
      if (i >= 0 && i < mesh.vertexCount) polygon.points.push_back(mesh.Position(i));
  }
}

void AppendPolygons(const InkFigure* figure, int level, double arcFactor, double tol, bool triangles, Chain& chain,
                    GMPolygonSet& out) {
  if (!figure || !figure->geometry) return;
  switch (figure->kind) {
    case kInkFigurePolygon:
      AppendPolygon(*static_cast<const InkPolyRecord*>(figure->geometry), arcFactor, out);
      break;
    case kInkFigureMesh:
      AppendMesh(*static_cast<const GMMesh*>(figure->geometry), out);
      break;
    case kInkFigureSubdivision:
      ink_tessellation::AppendSubdivisionPolygons(*static_cast<const InkSubdivRecord*>(figure->geometry), level, out);
      break;
    case kInkFigureSegmentSet:
      ink_tessellation::AppendSegmentSetPolygons(*static_cast<const InkSegmentSetRecord*>(figure->geometry),
                                                 triangles ? 1 : level, triangles, out);
      break;
    case kInkFigureInstance: {
      const InkFigure* target = Enter(figure, chain);
      if (!target) break;
      const size_t first = out.polygons.size();
      chain.push_back(figure);
      AppendPolygons(target, level, arcFactor, tol, triangles, chain, out);
      chain.pop_back();
      const Placement placement(*static_cast<const InkInstanceRecord*>(figure->geometry));
      for (size_t i = first; i < out.polygons.size(); ++i)
        for (GMVector& p : out.polygons[i].points) placement.Apply(p);
      break;
    }
    default:
      break;  // points, polylines and the reserved kind have no surface
  }
}

GMPolygonSetPtr CollectPolygons(const InkFigure* figure, int level, double arcFactor, double tol, bool triangles) {
  auto set = std::make_unique<GMPolygonSet>();
  Chain chain;
  AppendPolygons(figure, level, arcFactor, tol, triangles, chain, *set);
  if (set->polygons.empty()) return nullptr;
  return set;
}

void AppendLineSegments(const InkFigure* figure, Chain& chain, std::vector<GMSegment>& out) {
  if (!figure || !figure->geometry) return;
  if (figure->kind == kInkFigurePolyline) {
    const auto vertices = static_cast<const InkPolyRecord*>(figure->geometry)->Vertices();
    for (size_t i = 0; i + 1 < vertices.size(); ++i)
      if (vertices[i]->mark == 0 && vertices[i + 1]->mark == 0)
        out.push_back({vertices[i]->position, vertices[i + 1]->position});
  } else if (figure->kind == kInkFigureInstance) {
    // Nested instances of a polyline are followed too: otherwise a polyline
    // placed through two instances would simply vanish from the picture.
    const InkFigure* target = Enter(figure, chain);
    if (!target) return;
    const size_t first = out.size();
    chain.push_back(figure);
    AppendLineSegments(target, chain, out);
    chain.pop_back();
    const Placement placement(*static_cast<const InkInstanceRecord*>(figure->geometry));
    for (size_t i = first; i < out.size(); ++i) {
      placement.Apply(out[i].start);
      placement.Apply(out[i].end);
    }
  }
}

void AppendOutline(const InkFigure* figure, double tol, Chain& chain, std::vector<GMSegment>& out) {
  if (!figure || !figure->geometry) return;
  switch (figure->kind) {
    case kInkFigurePolygon: {
      const auto vertices = static_cast<const InkPolyRecord*>(figure->geometry)->Vertices();
      const size_t n = vertices.size();
      if (n < 2) break;
      // Two vertices close on themselves along one line: draw it once.
      const size_t sides = n == 2 ? 1 : n;
      for (size_t i = 0; i < sides; ++i) {
        const InkVertex& a = *vertices[i];
        const InkVertex& b = *vertices[(i + 1) % n];
        if (a.mark == 0 && b.mark == 0) out.push_back({a.position, b.position});
      }
      break;
    }
    case kInkFigureMesh: {
      const auto& mesh = *static_cast<const GMMesh*>(figure->geometry);
      out.reserve(out.size() + static_cast<size_t>(std::max(mesh.edgeCount, 0)));
      for (const GMMeshEdge& e : mesh.Edges())
        if (e.first >= 0 && e.first < mesh.vertexCount && e.second >= 0 && e.second < mesh.vertexCount)
          out.push_back({mesh.Position(e.first), mesh.Position(e.second)});
      break;
    }
    case kInkFigureSubdivision: {
      const auto& surface = *static_cast<const InkSubdivRecord*>(figure->geometry);
      for (int32_t i = 0; i < surface.edgeCount; ++i) {
        const InkSubdivEdge& e = surface.edges[i];
        if (e.vertex[0] >= 0 && e.vertex[0] < surface.vertexCount && e.vertex[1] >= 0 &&
            e.vertex[1] < surface.vertexCount)
          out.push_back({surface.vertices[e.vertex[0]]->position, surface.vertices[e.vertex[1]]->position});
      }
      break;
    }
    case kInkFigureInstance: {
      const InkFigure* target = Enter(figure, chain);
      if (!target) break;
      const size_t first = out.size();
      chain.push_back(figure);
      AppendOutline(target, GM_TOLERANCE, chain, out);
      chain.pop_back();
      const Placement placement(*static_cast<const InkInstanceRecord*>(figure->geometry));
      for (size_t i = first; i < out.size(); ++i) {
        placement.Apply(out[i].start);
        placement.Apply(out[i].end);
      }
      break;
    }
    case kInkFigureSegmentSet: {
      std::vector<GMSegment> segments =
          ink_tessellation::SegmentSetOutline(*static_cast<const InkSegmentSetRecord*>(figure->geometry), tol);
      out.insert(out.end(), segments.begin(), segments.end());
      break;
    }
    default:
      break;  // points and polylines have no outline; kind 5 is never made
  }
}

GMPlane PlaneOf(const GMPolygon& polygon, double tol) {
  constexpr GMPlane kNoPlane{GM_UNDEFINED, GM_UNDEFINED, GM_UNDEFINED, GM_UNDEFINED};
  if (polygon.Count() < 3) return kNoPlane;
  const GMVector n = GMPolygonNormal(polygon, tol);
  if (GMIsUndefined(n)) return kNoPlane;
  return GMPlaneFromPointNormal(polygon[0], n);
}

}  // namespace

GMPolygonSetPtr FigurePolygons(const InkFigure* figure, int level, double arcFactor, double tol) {
  return CollectPolygons(figure, level, arcFactor, tol, false);
}

GMPolygonSetPtr FigurePolygonsWithPlanes(const InkFigure* figure, int level, std::vector<GMPlane>& planes,
                                         double arcFactor, double tol) {
  planes.clear();
  GMPolygonSetPtr set = CollectPolygons(figure, level, arcFactor, tol, true);
  if (!set) return nullptr;
  planes.reserve(set->polygons.size());
  for (const GMPolygon& polygon : set->polygons) planes.push_back(PlaneOf(polygon, tol));
  return set;
}

std::vector<GMSegment> FigureLineSegments(const InkFigure* figure) {
  std::vector<GMSegment> segments;
  Chain chain;
  AppendLineSegments(figure, chain, segments);
  return segments;
}

std::vector<GMSegment> FigureOutlineSegments(const InkFigure* figure, double tol) {
  std::vector<GMSegment> segments;
  Chain chain;
  AppendOutline(figure, tol, chain, segments);
  return segments;
}
