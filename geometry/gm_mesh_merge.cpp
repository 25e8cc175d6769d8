// Merging the faces of a mesh that lie in one plane, so that a wall split by
// a Boolean step or built from several polygons becomes one face again.
#include "geometry/gm_mesh_merge.h"

#include <algorithm>
#include <vector>

#include "geometry/gm_mesh_build.h"
#include "geometry/gm_near_grid.h"
#include "geometry/gm_mesh_make.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_vector.h"

GMPolygonPtr JoinCoplanarPolygons(const GMPolygon& a, const GMPolygon& b, double tol) {
  const int n = a.Count();
  const int m = b.Count();
  if (n == 0 || m == 0) return nullptr;
  auto at = [](const GMPolygon& p, int i) -> const GMVector& {
    const int c = p.Count();
    return p[((i % c) + c) % c];
  };

  // The shared chain runs forward in A and backward in B. It starts at the
  // shared vertex whose predecessor in A is not B's successor, and ends at the
  // one whose successor in A is not B's predecessor.
  int start = -1, startB = -1, end = -1, endB = -1;
  for (int j = 0; j < n; ++j) {
    for (int k = 0; k < m; ++k) {
      if (!GMIsSamePoint(a[j], b[k], tol)) continue;
      if (!GMIsSamePoint(at(a, j - 1), at(b, k + 1), tol)) {
        if (start >= 0) return nullptr;  // a second chain
        start = j;
        startB = k;
      }
      if (!GMIsSamePoint(at(a, j + 1), at(b, k - 1), tol)) {
        if (end >= 0) return nullptr;
        end = j;
        endB = k;
      }
    }
  }
  if (start < 0 || end < 0 || start == end) return nullptr;  // no edge in common, or one point only

  auto joined = std::make_unique<GMPolygon>();
  joined->points.reserve(static_cast<size_t>(n + m));
  for (int j = end; j != start; j = (j + 1) % n) joined->points.push_back(a[j]);
  for (int k = startB; k != endB; k = (k + 1) % m) joined->points.push_back(b[k]);
  return joined;
}

namespace {

struct Box {
  GMVector min{GM_UNDEFINED, GM_UNDEFINED, GM_UNDEFINED};
  GMVector max{-GM_UNDEFINED, -GM_UNDEFINED, -GM_UNDEFINED};
};

Box BoxOf(const GMPolygon& polygon) {
  Box box;
  for (const GMVector& p : polygon.points) {
    box.min = {std::min(box.min.x, p.x), std::min(box.min.y, p.y), std::min(box.min.z, p.z)};
    box.max = {std::max(box.max.x, p.x), std::max(box.max.y, p.y), std::max(box.max.z, p.z)};
  }
  return box;
}

// Two polygons can share a point within tol only when their boxes come within
// tol of each other on every axis.
bool BoxesMeet(const Box& a, const Box& b, double tol) {
  return a.min.x - b.max.x <= tol && b.min.x - a.max.x <= tol && a.min.y - b.max.y <= tol &&
         b.min.y - a.max.y <= tol && a.min.z - b.max.z <= tol && b.min.z - a.max.z <= tol;
}

bool SamePlane(const GMPlane& p, const GMPlane& q, double tol) {
  return GMIsNear(p.nx, q.nx, tol) && GMIsNear(p.ny, q.ny, tol) && GMIsNear(p.nz, q.nz, tol) &&
         GMIsNear(p.d, q.d, tol);
}

GMVector Centroid(const GMPolygon& polygon) {
  GMVector c;
  for (const GMVector& p : polygon.points) c = {c.x + p.x, c.y + p.y, c.z + p.z};
  const double n = polygon.points.empty() ? 1.0 : static_cast<double>(polygon.points.size());
  return {c.x / n, c.y / n, c.z / n};
}

}  // namespace

GMMeshPtr MergeCoplanarPolygons(std::span<const GMPolygon> polygons, double tol) {
  if (polygons.empty()) return nullptr;
  const size_t count = polygons.size();

  // Polygons are only ever joined to others of the same plane; a grid over
  // the four plane coefficients finds those, so each piece scans its own
  // plane's polygons, in the same order a scan of all of them would.
  std::vector<GMPlane> planes(count);
  CGMNearGrid<4> planeGrid(tol);
  planeGrid.Reserve(count);
  for (size_t i = 0; i < count; ++i) {
    planes[i] = GMPolygonPlane(polygons[i]);
    planeGrid.Insert({planes[i].nx, planes[i].ny, planes[i].nz, planes[i].d}, static_cast<int32_t>(i));
  }
  std::vector<Box> boxes(count);
  for (size_t i = 0; i < count; ++i) boxes[i] = BoxOf(polygons[i]);

  std::vector<char> used(count, 0);
  std::vector<GMPolygon> pieces;
  CGMNearGrid<3> pieceGrid(GM_TOLERANCE);  // the pieces kept so far, by centroid
  std::vector<int32_t> candidates;
  for (size_t i = 0; i < count; ++i) {
    if (used[i]) continue;
    used[i] = 1;
    const GMPlane& plane = planes[i];
    candidates.clear();
    planeGrid.ForEachCandidate({plane.nx, plane.ny, plane.nz, plane.d}, [&](int32_t j) {
      if (!used[static_cast<size_t>(j)] && SamePlane(planes[static_cast<size_t>(j)], plane, tol))
        candidates.push_back(j);
    });
    std::sort(candidates.begin(), candidates.end());

    GMPolygon piece = polygons[i];
    Box pieceBox = boxes[i];
    bool joinedOne = true;
    while (joinedOne) {
      joinedOne = false;
      for (int32_t j : candidates) {
        const auto ju = static_cast<size_t>(j);
        if (used[ju] || !BoxesMeet(pieceBox, boxes[ju], tol)) continue;
        GMPolygonPtr joined = JoinCoplanarPolygons(piece, polygons[ju], tol);
        if (!joined) continue;
        piece = std::move(*joined);
        pieceBox = BoxOf(piece);
        used[ju] = 1;
        joinedOne = true;  // the piece has changed: look again from the first
        break;
      }
    }
    if (piece.points.empty()) continue;

    // A piece equal to one already kept (same ring, same direction) is the
    // same face twice and is kept once.
    const GMVector c = Centroid(piece);
    bool duplicate = false;
    pieceGrid.ForEachCandidate({c.x, c.y, c.z}, [&](int32_t k) {
      duplicate = duplicate || GMIsSamePolygon(pieces[static_cast<size_t>(k)], piece, GM_TOLERANCE);
    });
    if (duplicate) continue;
    pieceGrid.Insert({c.x, c.y, c.z}, static_cast<int32_t>(pieces.size()));
    pieces.push_back(std::move(piece));
  }
  return GMMakeMeshFromPolygons(pieces, tol);
}

GMMeshPtr MergeCoplanarFaces(const GMMesh& mesh, double tol) {
  std::vector<GMPolygon> polygons;
  polygons.reserve(static_cast<size_t>(mesh.faceCount));
  for (int32_t f = 0; f < mesh.faceCount; ++f) polygons.push_back(std::move(*MeshFacePolygon(mesh, f)));
  return MergeCoplanarPolygons(polygons, tol);
}
