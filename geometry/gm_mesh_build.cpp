// Extrusion, face access, the faces on an edge, orientation and the edge
// table. Merging of coplanar faces is in gm_mesh_merge.cpp, repair in
// gm_mesh_repair.cpp.
#include "geometry/gm_mesh_build.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <unordered_set>
#include <vector>

#include "geometry/gm_near_grid.h"
#include "geometry/gm_polygon_measure.h"
#include "geometry/gm_vector.h"

// --- the faces on an edge -----------------------------------------------------

int GMFaceEdgeDirection(const GMMeshFace& face, int a, int b) {
  const int32_t n = face.count;
  for (int32_t k = 0; k < n; ++k) {
    const int32_t u = face.indices[k];
    const int32_t v = face.indices[(k + 1) % n];
    if (u == a && v == b) return 1;
    if (u == b && v == a) return 0;
  }
  return -1;
}

namespace {

int EdgeResult(const GMMesh& mesh, int a, int b, int first, int second) {
  if (first < 0 || second < 0) return 0;
  const int d1 = GMFaceEdgeDirection(mesh.faces[first], a, b);
  const int d2 = GMFaceEdgeDirection(mesh.faces[second], a, b);
  return (d1 >= 0 && d2 >= 0 && d1 != d2) ? 1 : 0;
}

}  // namespace

int FindEdgeFaces(const GMMesh& mesh, int a, int b, int& first, int& second) {
  first = -1;
  second = -1;
  for (int32_t f = 0; f < mesh.faceCount; ++f) {
    if (GMFaceEdgeDirection(mesh.faces[f], a, b) < 0) continue;
    if (first < 0) {
      first = f;
    } else {
      second = f;
      break;
    }
  }
  return EdgeResult(mesh, a, b, first, second);
}

CGMEdgeFaceIndex::CGMEdgeFaceIndex(const GMMesh& mesh) : mesh_(mesh) {
  size_t corners = 0;
  for (const GMMeshFace& face : mesh.Faces()) corners += static_cast<size_t>(face.count);
  sides_.reserve(corners / 2 + 1);
  for (int32_t f = 0; f < mesh.faceCount; ++f) {
    const GMMeshFace& face = mesh.faces[f];
    const int32_t n = face.count;
    for (int32_t k = 0; k < n; ++k) {
      Sides& s = sides_[GMUndirectedEdgeKey(face.indices[k], face.indices[(k + 1) % n])];
      // Faces arrive in order, so the first two distinct faces seen are the
      // two a scan in face order would stop at.
      if (s.first < 0)
        s.first = f;
      else if (s.first != f && s.second < 0)
        s.second = f;
    }
  }
}

void CGMEdgeFaceIndex::Faces(int a, int b, int& first, int& second) const {
  const auto it = sides_.find(GMUndirectedEdgeKey(a, b));
  first = it == sides_.end() ? -1 : it->second.first;
  second = it == sides_.end() ? -1 : it->second.second;
}

int CGMEdgeFaceIndex::Find(int a, int b, int& first, int& second) const {
  Faces(a, b, first, second);
  return EdgeResult(mesh_, a, b, first, second);
}

// --- building -------------------------------------------------------------------

GMMeshPtr ExtrudePolygon(const GMPolygon& polygon, const GMVector& v) {
  const int n = polygon.Count();
  if (n < 3) return nullptr;
  const GMVector normal = GMPolygonNormal(polygon, GM_TOLERANCE);
  if (GMIsUndefined(normal)) return nullptr;
  const double d = GMDot(normal, v);
  if (std::abs(d) <= GM_TOLERANCE) return nullptr;  // v lies in the polygon's plane

  // The bottom ring must turn clockwise seen along v, so that the bottom face
  // looks away from the sweep; a ring turning the other way is read backwards.
  std::vector<GMVector> points(static_cast<size_t>(2 * n));
  for (int i = 0; i < n; ++i) {
    const int at = d < 0 ? i : n - 1 - i;
    const GMVector& p = polygon[i];
    points[static_cast<size_t>(at)] = p;
    points[static_cast<size_t>(n + at)] = GMVector{p.x + v.x, p.y + v.y, p.z + v.z};
  }

  std::vector<std::vector<int32_t>> faces;
  faces.reserve(static_cast<size_t>(n + 2));
  std::vector<int32_t> bottom(static_cast<size_t>(n)), top(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    bottom[static_cast<size_t>(i)] = i;
    top[static_cast<size_t>(i)] = 2 * n - 1 - i;
  }
  faces.push_back(std::move(bottom));
  faces.push_back(std::move(top));
  for (int i = 0; i < n; ++i) {
    const int j = (i + 1) % n;
    faces.push_back({i, n + i, n + j, j});
  }

  std::vector<GMMeshEdge> edges;
  edges.reserve(static_cast<size_t>(3 * n));
  for (int i = 0; i < n; ++i) edges.push_back({i, (i + 1) % n, -1});
  for (int i = 0; i < n; ++i) edges.push_back({n + i, n + (i + 1) % n, -1});
  for (int i = 0; i < n; ++i) edges.push_back({i, n + i, -1});

  return GMNewMesh(points, edges, faces);
}

GMPolygonPtr MeshFacePolygon(const GMMesh& mesh, int face) {
  if (face < 0 || face >= mesh.faceCount) return nullptr;
  auto polygon = std::make_unique<GMPolygon>();
  const GMMeshFace& f = mesh.faces[face];
  polygon->points.reserve(static_cast<size_t>(f.count));
  for (int32_t v : f.Indices()) polygon->points.push_back(mesh.Position(v));
  return polygon;
}

void ReverseMeshFace(GMMesh& mesh, int face) {
  if (face < 0 || face >= mesh.faceCount) return;
  auto loop = mesh.faces[face].Indices();
  std::reverse(loop.begin(), loop.end());
}

// --- orientation ----------------------------------------------------------------

// Faces are visited from start across edges shared with a neighbour; a
// neighbour running the same way through the shared edge is turned round.
// When the walk stops, the lowest face not yet reached that borders a
// reached one is taken up again from that reached neighbour, so a surface
// is oriented whole even where the walk branched. Faces are related only
// through the first two faces of an edge (as FindEdgeFaces reports them), so
// every resumption turns or confirms one more face and the walk ends.
int OrientMeshFaces(GMMesh& mesh, int start) {
  if (start < 0 || start >= mesh.faceCount) return 0;
  const CGMEdgeFaceIndex index(mesh);  // reversing faces keeps it valid
  std::vector<char> done(static_cast<size_t>(mesh.faceCount), 0);
  std::priority_queue<int32_t, std::vector<int32_t>, std::greater<>> frontier;
  int result = 1;

  auto other = [&](int32_t f, int32_t a, int32_t b) {
    int first = -1, second = -1;
    index.Faces(a, b, first, second);
    if (first == f) return second;
    if (second == f) return first;
    return -1;
  };
  auto markDone = [&](int32_t f) {
    if (done[static_cast<size_t>(f)]) return;
    done[static_cast<size_t>(f)] = 1;
    const GMMeshFace& face = mesh.faces[f];
    for (int32_t k = 0; k < face.count; ++k) {
      const int32_t g = other(f, face.indices[k], face.indices[(k + 1) % face.count]);
      if (g >= 0 && !done[static_cast<size_t>(g)]) frontier.push(g);
    }
  };
  // One pass over the edges of a reached face; the last neighbour turned is
  // where the walk goes on, -1 when none was turned.
  auto visit = [&](int32_t current) {
    int32_t lastTurned = -1;
    const GMMeshFace& face = mesh.faces[current];
    for (int32_t k = 0; k < face.count; ++k) {
      const int32_t a = face.indices[k];
      const int32_t b = face.indices[(k + 1) % face.count];
      int first = -1, second = -1;
      const int consistent = index.Find(a, b, first, second);
      // An edge shared by more than two faces, where this face is neither of
      // the first two, says nothing about this face's neighbours.
      if (first != current && second != current) continue;
      if (consistent) {
        markDone(first);
        markDone(second);
        continue;
      }
      if (second < 0) {
        result = 0;
        continue;
      }
      const int32_t neighbour = first == current ? second : first;
      if (!done[static_cast<size_t>(neighbour)]) {
        ReverseMeshFace(mesh, neighbour);
        markDone(neighbour);
        lastTurned = neighbour;
      }
    }
    return lastTurned;
  };

  markDone(start);
  int32_t current = start;
  for (;;) {
    const int32_t next = visit(current);
    if (next >= 0) {
      current = next;
      continue;
    }
    current = -1;
    while (current < 0 && !frontier.empty()) {
      const int32_t g = frontier.top();
      frontier.pop();
      if (done[static_cast<size_t>(g)]) continue;
      const GMMeshFace& face = mesh.faces[g];
      for (int32_t k = 0; k < face.count && current < 0; ++k) {
        const int32_t h = other(g, face.indices[k], face.indices[(k + 1) % face.count]);
        if (h >= 0 && done[static_cast<size_t>(h)]) current = h;
      }
    }
    if (current < 0) break;
  }
  return result;
}

// --- the edge table ---------------------------------------------------------------

int FinaliseMeshEdges(GMMesh& mesh, double threshold, double tol) {
  const CGMEdgeFaceIndex index(mesh);
  const double pi = GMPi();

  // Face normals are needed only at edges with two faces; each is made once.
  std::vector<GMVector> normals(static_cast<size_t>(mesh.faceCount));
  std::vector<char> known(static_cast<size_t>(mesh.faceCount), 0);
  auto normalOf = [&](int f) -> const GMVector& {
    const auto i = static_cast<size_t>(f);
    if (!known[i]) {
      normals[i] = GMPolygonNormal(*MeshFacePolygon(mesh, f), tol);
      known[i] = 1;
    }
    return normals[i];
  };

  int closed = 1;
  std::vector<GMMeshEdge> kept;
  kept.reserve(static_cast<size_t>(mesh.edgeCount));
  for (const GMMeshEdge& edge : mesh.Edges()) {
    int first = -1, second = -1;
    index.Faces(edge.first, edge.second, first, second);
    if (first < 0) continue;  // no face runs along it: not an edge of this surface
    if (second < 0) {
      kept.push_back({edge.first, edge.second, first});
      closed = 0;
      continue;
    }
    if (threshold < 0) {
      kept.push_back({edge.first, edge.second, -1});
      continue;
    }
    const GMVector& n1 = normalOf(first);
    const GMVector& n2 = normalOf(second);
    if (GMIsUndefined(n1) || GMIsUndefined(n2)) {
      // A face without a normal has no angle to its neighbour; its edge is drawn.
      kept.push_back({edge.first, edge.second, -1});
      continue;
    }
    double angle = GMAngleBetween(n1, n2, tol);
    if (angle > pi) angle = 2.0 * pi - angle;
    if (std::abs(angle - pi) <= tol) closed = 0;  // the faces fold back onto each other
    if (angle >= threshold && std::abs(angle - threshold) > tol) kept.push_back({edge.first, edge.second, -1});
  }
  mesh.SetEdges(kept);
  return closed;
}

void RebuildMeshEdges(GMMesh& mesh, double tol) {
  // Vertices within the tolerance of one another make equal segments; the
  // few such twins are found once through a grid, so that the test against
  // every listed segment becomes a look-up per twin.
  CGMNearGrid<3> grid(tol);
  grid.Reserve(static_cast<size_t>(mesh.vertexCount));
  for (int32_t v = 0; v < mesh.vertexCount; ++v) {
    const GMVector& p = mesh.Position(v);
    grid.Insert({p.x, p.y, p.z}, v);
  }
  // twins[twinStart[v] .. twinStart[v + 1]) are the other vertices near v.
  std::vector<int32_t> twinStart(static_cast<size_t>(mesh.vertexCount) + 1, 0);
  std::vector<int32_t> twins;
  for (int32_t v = 0; v < mesh.vertexCount; ++v) {
    const GMVector& p = mesh.Position(v);
    grid.ForEachCandidate({p.x, p.y, p.z}, [&](int32_t id) {
      if (id != v && GMIsSamePoint(mesh.Position(id), p, tol)) twins.push_back(id);
    });
    twinStart[static_cast<size_t>(v) + 1] = static_cast<int32_t>(twins.size());
  }
  auto forEachTwin = [&](int32_t v, auto fn) {
    fn(v);
    for (int32_t t = twinStart[static_cast<size_t>(v)]; t < twinStart[static_cast<size_t>(v) + 1]; ++t)
      fn(twins[static_cast<size_t>(t)]);
  };
  const auto key = GMUndirectedEdgeKey;

  std::vector<GMMeshEdge> edges;
  std::unordered_set<uint64_t> listed;
  for (const GMMeshFace& face : mesh.Faces()) {
    const int32_t n = face.count;
    for (int32_t k = 0; k < n; ++k) {
      const int32_t a = face.indices[k];
      const int32_t b = face.indices[(k + 1) % n];
      if (GMIsSamePoint(mesh.Position(a), mesh.Position(b), tol)) continue;  // no length: nothing to draw
      bool present = false;
      forEachTwin(a, [&](int32_t c) {
        forEachTwin(b, [&](int32_t d) { present = present || listed.count(key(c, d)) > 0; });
      });
      if (present) continue;
      listed.insert(key(a, b));
      edges.push_back({a, b, -1});
    }
  }
  mesh.SetEdges(edges);
}
