#include "geometry/gm_mesh_make.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "geometry/gm_near_grid.h"
#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_inside.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_polygon_ops.h"
#include "geometry/gm_segment.h"
#include "geometry/gm_vector.h"

namespace {

std::array<double, 3> AsArray(const GMVector& p) { return {p.x, p.y, p.z}; }

GMPolygon FacePolygon(const GMMesh& mesh, const GMMeshFace& face) {
  GMPolygon polygon;
  polygon.points.reserve(static_cast<size_t>(face.count));
  for (int32_t v : face.Indices()) polygon.points.push_back(mesh.Position(v));
  return polygon;
}

// The ray of the inside test: from p to end, first along +x. When it grazes
// an edge or runs in a face it is tilted by steps that never repeat a
// direction, and the count starts again.
struct TestRay {
  GMVector end;
  GMVector direction;
  double step = 1.25689;

  TestRay(const GMVector& p, double tol) : end{p.x + 100.0, p.y, p.z} {
    direction = GMNormalize(GMSubtract(p, end), tol);
  }

  void Tilt(const GMVector& p, double tol) {
    end.y += step;
    step *= 1.0056983247;
    end.z += step;
    step *= 1.008562114;
    direction = GMNormalize(GMSubtract(p, end), tol);
  }
};

// Vertices by the exact bits of their position: an open table of ids,
// twice as large as the corners it may hold, so a search ends soon.
class CExactPoints {
 public:
  explicit CExactPoints(size_t corners) {
    size_t size = 16;
    while (size < 2 * corners) size *= 2;
    slots_.assign(size, -1);
  }
  // The vertex at exactly p, else -1.
  int32_t Find(const GMVector& p, const std::vector<GMVector>& points) const {
    for (size_t k = Slot(p);; k = (k + 1) & (slots_.size() - 1)) {
      const int32_t id = slots_[k];
      if (id < 0 || SameBits(points[static_cast<size_t>(id)], p)) return id;
    }
  }
  // Files a new vertex, after any at the same bits (which Find keeps giving).
  void Insert(const GMVector& p, int32_t id) {
    size_t k = Slot(p);
    while (slots_[k] >= 0) k = (k + 1) & (slots_.size() - 1);
    slots_[k] = id;
  }

 private:
  static bool SameBits(const GMVector& a, const GMVector& b) { return std::memcmp(&a, &b, sizeof(GMVector)) == 0; }
  size_t Slot(const GMVector& p) const {
    uint64_t bits[3];
    std::memcpy(bits, &p, sizeof bits);
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (uint64_t b : bits) h = (h ^ b) * 0xBF58476D1CE4E5B9ull;
    return static_cast<size_t>(h ^ (h >> 29)) & (slots_.size() - 1);
  }
  std::vector<int32_t> slots_;
};

}  // namespace

GMMeshPtr GMMakeMeshFromPolygons(std::span<const GMPolygon> polygons, double tol) {
  if (polygons.empty()) return nullptr;

  size_t corners = 0;
  for (const GMPolygon& polygon : polygons) corners += polygon.points.size();

  // Vertices are shared by position: a corner takes the earliest vertex
  // within the tolerance, so the faces of a closed solid meet in common
  // vertices however their rings were computed.
  //
  // Most corners repeat a vertex to the bit (the cells of a Boolean step are
  // snapped to the meshes' vertices), and such a corner takes that vertex:
  // a vertex is only made when no earlier one lies within the tolerance, so
  // the earliest vertex near a copy of it is itself. The other corners look
  // among the vertices made so far, by a plain scan while there are few (the
  // result of a step on a pipe or a block has a few dozen), then by the grid.
  constexpr size_t kScanLimit = 96;
  CGMNearGrid<3> grid(tol);
  bool gridded = false;
  CExactPoints exact(corners);
  std::vector<GMVector> points;
  points.reserve(corners);
  std::vector<std::vector<int32_t>> loops(polygons.size());
  for (size_t f = 0; f < polygons.size(); ++f) {
    loops[f].reserve(polygons[f].points.size());
    for (const GMVector& p : polygons[f].points) {
      int32_t found = exact.Find(p, points);
      // A copy of a vertex that is not near itself (not a number) matches
      // nothing, as the search would say.
      if (found >= 0 && !GMIsSamePoint(points[static_cast<size_t>(found)], p, tol)) found = -1;
      if (found < 0 && gridded) {
        grid.ForEachCandidate(AsArray(p), [&](int32_t id) {
          if ((found < 0 || id < found) && GMIsSamePoint(points[static_cast<size_t>(id)], p, tol)) found = id;
        });
      } else if (found < 0) {
        for (size_t id = 0; id < points.size(); ++id)
          if (GMIsSamePoint(points[id], p, tol)) {
            found = static_cast<int32_t>(id);
            break;
          }
      }
      if (found < 0) {
        found = static_cast<int32_t>(points.size());
        points.push_back(p);
        exact.Insert(p, found);
        if (gridded) {
          grid.Insert(AsArray(p), found);
        } else if (points.size() > kScanLimit) {
          grid.Reserve(corners);
          for (size_t id = 0; id < points.size(); ++id) grid.Insert(AsArray(points[id]), static_cast<int32_t>(id));
          gridded = true;
        }
      }
      loops[f].push_back(found);
    }
  }

  // Each undirected edge once, in the order first met, as the faces give it.
  std::vector<GMMeshEdge> edges;
  std::unordered_set<uint64_t> seen;
  seen.reserve(corners);
  for (const auto& loop : loops) {
    const size_t n = loop.size();
    for (size_t k = 0; k < n; ++k) {
      const int32_t a = loop[k];
      const int32_t b = loop[(k + 1) % n];
      if (a == b) continue;  // two corners merged into one vertex: no edge there
      if (seen.insert(GMUndirectedEdgeKey(a, b)).second) edges.push_back({a, b, -1});
    }
  }

  return GMNewMesh(points, edges, loops);
}

int GMFindMeshFace(const GMVector& p, const GMMesh& mesh, double tol) {
  for (int32_t f = 0; f < mesh.faceCount; ++f) {
    const GMPolygon polygon = FacePolygon(mesh, mesh.faces[f]);
    if (polygon.Count() < 3) continue;
    if (GMPointInPolygon3D(polygon, p, 1, tol)) return f;
  }
  return -1;
}

int GMPointInMesh(const GMMesh& mesh, const GMVector& p, int onSurfaceCheck, double tol) {
  if (onSurfaceCheck && GMFindMeshFace(p, mesh, tol) >= 0) return -1;

  // The face polygons and planes do not change while the ray is tilted, so
  // they are made once. A face without a plane has no area and cannot be
  // crossed.
  struct Face {
    GMPolygon polygon;
    GMPlane plane;
  };
  std::vector<Face> faces;
  faces.reserve(static_cast<size_t>(mesh.faceCount));
  for (const GMMeshFace& face : mesh.Faces()) {
    GMPolygon polygon = FacePolygon(mesh, face);
    if (polygon.Count() < 3) continue;
    const GMPlane plane = GMPolygonPlane(polygon);
    if (plane.nx == GM_UNDEFINED) continue;
    faces.push_back({std::move(polygon), plane});
  }

  TestRay ray(p, tol);
  int crossings = 0;
  int retries = 0;

  size_t i = 0;
  while (i < faces.size()) {
    if (retries > 99) return 0;  // no clean ray found: counted as outside
    const Face& face = faces[i];
    GMVector hit;
    const int r = GMIntersectSegmentPlane(p, ray.end, face.plane, hit, tol);
    if (r == 2) {
      ++i;
      continue;
    }
    const bool onBoundary = r != 3 && GMPointOnPolygonBoundary(face.polygon, hit, 1e-7);
    if (onBoundary && GMIsSamePoint(hit, p, tol)) return -1;
    if (r == 3 || onBoundary) {
      ray.Tilt(p, tol);
      crossings = 0;
      ++retries;
      i = 0;
      continue;
    }
    if (GMPointInPolygon3D(face.polygon, hit, 0, tol) &&
        GMIsSamePoint(GMNormalize(GMSubtract(p, hit), tol), ray.direction, tol))
      ++crossings;
    ++i;
  }
  return (crossings % 2) ? 1 : 0;
}

// --- the prepared mesh ----------------------------------------------------------
//
// The same steps as GMFindMeshFace and GMPointInMesh, on the face data made
// once, with one shortcut that cannot change an answer: a point farther from
// a face's bounds than the boundary test reaches is not on its boundary.
// That test (GMIsPointOnSegmentBySum) accepts points where the two distances
// to an edge's ends exceed its length by the tolerance t at most, an ellipse
// about the edge that reaches t/2 beyond its ends and sqrt(L·t/2 + t²/4) to
// its sides for an edge of length L; the bounds are widened by twice that and
// twice t, more than any rounding of the distances can make up.

CGMMeshLocator::CGMMeshLocator(const GMMesh& mesh) {
  constexpr double kBoundaryTolerance = 1e-7;  // as GMPointInMesh asks GMPointOnPolygonBoundary
  faces_.reserve(static_cast<size_t>(mesh.faceCount));
  for (int32_t f = 0; f < mesh.faceCount; ++f) {
    Face face;
    face.index = f;
    face.polygon = FacePolygon(mesh, mesh.faces[f]);
    if (face.polygon.Count() < 3) continue;
    const GMVector normal = GMPolygonNormal(face.polygon, 1e-7);
    if (GMIsUndefined(normal)) {
      face.plane = {GM_UNDEFINED, GM_UNDEFINED, GM_UNDEFINED, GM_UNDEFINED};
    } else {
      face.plane = GMPlaneFromPointNormal(face.polygon[0], normal);
      GMPolygonPtr image = GMProjectPolygon(face.polygon, normal, face.axis);
      face.image = std::move(*image);
    }
    face.low = GMSetScalar(GM_UNDEFINED);
    face.high = GMSetScalar(-GM_UNDEFINED);
    double longest = 0.0;
    const int n = face.polygon.Count();
    for (int i = 0; i < n; ++i) {
      const GMVector& p = face.polygon[i];
      face.low = {std::min(face.low.x, p.x), std::min(face.low.y, p.y), std::min(face.low.z, p.z)};
      face.high = {std::max(face.high.x, p.x), std::max(face.high.y, p.y), std::max(face.high.z, p.z)};
      longest = std::max(longest, GMDistance(p, face.polygon[(i + 1) % n]));
    }
    const double t = kBoundaryTolerance;
    const double reach = 2.0 * (std::sqrt(longest * t / 2.0 + t * t / 4.0) + t);
    GMAdd(face.low, -reach, -reach, -reach);
    GMAdd(face.high, reach, reach, reach);
    faces_.push_back(std::move(face));
  }
}

int CGMMeshLocator::FindFace(const GMVector& p, double tol) const {
  for (const Face& face : faces_) {
    // GMPointInPolygon3D with the face's own plane and image.
    if (face.plane.nx == GM_UNDEFINED) continue;
    if (GMPlaneSide(p, face.plane, 1e-7) != 0) continue;
    if (GMPointInPolygon2D(face.image, GMProject2D(p, face.axis), 1, tol)) return face.index;
  }
  return -1;
}

int CGMMeshLocator::PointInMesh(const GMVector& p, int onSurfaceCheck, double tol) const {
  if (onSurfaceCheck && FindFace(p, tol) >= 0) return -1;

  TestRay ray(p, tol);
  int crossings = 0;
  int retries = 0;

  size_t i = 0;
  while (i < faces_.size()) {
    if (retries > 99) return 0;
    const Face& face = faces_[i];
    if (face.plane.nx == GM_UNDEFINED) {
      ++i;
      continue;
    }
    GMVector hit;
    const int r = GMIntersectSegmentPlane(p, ray.end, face.plane, hit, tol);
    if (r == 2) {
      ++i;
      continue;
    }
    const bool near = hit.x >= face.low.x && hit.x <= face.high.x && hit.y >= face.low.y && hit.y <= face.high.y &&
                      hit.z >= face.low.z && hit.z <= face.high.z;
    const bool onBoundary = r != 3 && near && GMPointOnPolygonBoundary(face.polygon, hit, 1e-7);
    if (onBoundary && GMIsSamePoint(hit, p, tol)) return -1;
    if (r == 3 || onBoundary) {
      ray.Tilt(p, tol);
      crossings = 0;
      ++retries;
      i = 0;
      continue;
    }
    // A hit that far from the face's bounds is not on the face, so the ray
    // does not pass through it there; then ahead of p, the cheaper half of
    // the remaining test.
    if (near && GMIsSamePoint(GMNormalize(GMSubtract(p, hit), tol), ray.direction, tol) &&
        GMPlaneSide(hit, face.plane, 1e-7) == 0 &&
        GMPointInPolygon2D(face.image, GMProject2D(hit, face.axis), 0, tol))
      ++crossings;
    ++i;
  }
  return (crossings % 2) ? 1 : 0;
}
