#include "geometry/gm_mesh_make.h"

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "geometry/gm_mesh_detail.h"
#include "geometry/gm_plane.h"
#include "geometry/gm_polygon_inside.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_polygon_ops.h"
#include "geometry/gm_vector.h"

namespace {

std::array<double, 3> AsArray(const GMVector& p) { return {p.x, p.y, p.z}; }

uint64_t UndirectedKey(int32_t a, int32_t b) {
  const auto lo = static_cast<uint32_t>(a < b ? a : b);
  const auto hi = static_cast<uint32_t>(a < b ? b : a);
  return (static_cast<uint64_t>(lo) << 32) | hi;
}

GMPolygon FacePolygon(const GMMesh& mesh, const GMMeshFace& face) {
  GMPolygon polygon;
  polygon.points.reserve(static_cast<size_t>(face.count));
  for (int32_t v : face.Indices()) polygon.points.push_back(mesh.Position(v));
  return polygon;
}

}  // namespace

GMMeshPtr GMMakeMeshFromPolygons(std::span<const GMPolygon> polygons, double tol) {
  if (polygons.empty()) return nullptr;

  size_t corners = 0;
  for (const GMPolygon& polygon : polygons) corners += polygon.points.size();

  // Vertices are shared by position: a corner takes the earliest vertex
  // within the tolerance, so the faces of a closed solid meet in common
  // vertices however their rings were computed.
  CGMNearGrid<3> grid(tol);
  grid.Reserve(corners);
  std::vector<GMVector> points;
  points.reserve(corners);
  std::vector<std::vector<int32_t>> loops(polygons.size());
  for (size_t f = 0; f < polygons.size(); ++f) {
    loops[f].reserve(polygons[f].points.size());
    for (const GMVector& p : polygons[f].points) {
      int32_t found = -1;
      grid.ForEachCandidate(AsArray(p), [&](int32_t id) {
        if ((found < 0 || id < found) && GMIsSamePoint(points[static_cast<size_t>(id)], p, tol)) found = id;
      });
      if (found < 0) {
        found = static_cast<int32_t>(points.size());
        points.push_back(p);
        grid.Insert(AsArray(p), found);
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
      if (seen.insert(UndirectedKey(a, b)).second) edges.push_back({a, b, -1});
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

  GMVector e{p.x + 100.0, p.y, p.z};
  GMVector d = GMNormalize(GMSubtract(p, e), tol);
  double step = 1.25689;
  int crossings = 0;
  int retries = 0;

  size_t i = 0;
  while (i < faces.size()) {
    if (retries > 99) return 0;  // no clean ray found: counted as outside
    const Face& face = faces[i];
    GMVector hit;
    const int r = GMIntersectSegmentPlane(p, e, face.plane, hit, tol);
    if (r == 2) {
      ++i;
      continue;
    }
    const bool onBoundary = r != 3 && GMPointOnPolygonBoundary(face.polygon, hit, 1e-7);
    if (onBoundary && GMIsSamePoint(hit, p, tol)) return -1;
    if (r == 3 || onBoundary) {
      // The ray grazes an edge or runs in a face: tilt it by steps that never
      // repeat a direction and count again from the first face.
      e.y += step;
      step *= 1.0056983247;
      e.z += step;
      step *= 1.008562114;
      d = GMNormalize(GMSubtract(p, e), tol);
      crossings = 0;
      ++retries;
      i = 0;
      continue;
    }
    if (GMPointInPolygon3D(face.polygon, hit, 0, tol) && GMIsSamePoint(GMNormalize(GMSubtract(p, hit), tol), d, tol))
      ++crossings;
    ++i;
  }
  return (crossings % 2) ? 1 : 0;
}
