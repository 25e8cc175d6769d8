// Repair of meshes that a Boolean step or a careless source left open:
// degenerate faces, T-junctions, holes, and faces hanging at open edges.
#include "geometry/gm_mesh_repair.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>
#include <vector>

#include "geometry/gm_mesh_build.h"
#include "geometry/gm_mesh_make.h"
#include "geometry/gm_plane.h"
#include "geometry/gm_segment.h"
#include "geometry/gm_vector.h"

int GMIsDegenerateMeshFace(const GMMesh& mesh, int face, double tol) {
  if (face < 0 || face >= mesh.faceCount) return 0;
  const GMMeshFace& f = mesh.faces[face];

  // Corners left once neighbours that coincide are taken as one.
  std::vector<GMVector> corners;
  corners.reserve(static_cast<size_t>(f.count));
  for (int32_t v : f.Indices()) {
    const GMVector& p = mesh.Position(v);
    if (corners.empty() || !GMIsSamePoint(corners.back(), p, tol)) corners.push_back(p);
  }
  while (corners.size() > 1 && GMIsSamePoint(corners.back(), corners.front(), tol)) corners.pop_back();
  if (corners.size() < 3) return 1;

  // Twice the area (the length of the summed cross products) over the longest
  // side is the face's width across that side: a sliver whose corners all lie
  // within the tolerance of one line has none.
  const GMVector& o = corners.front();
  GMVector twiceArea;
  double longest = 0.0;
  const size_t n = corners.size();
  for (size_t i = 0; i < n; ++i) {
    const GMVector& p = corners[i];
    const GMVector& q = corners[(i + 1) % n];
    const GMVector c = GMCross(GMSubtract(o, p), GMSubtract(o, q));
    twiceArea = {twiceArea.x + c.x, twiceArea.y + c.y, twiceArea.z + c.z};
    longest = std::max(longest, GMDistance(p, q));
  }
  if (!(longest > 0.0)) return 1;
  const double width = GMLength(twiceArea) / longest;
  return width <= tol ? 1 : 0;
}

GMMeshPtr RemoveMeshFaces(const GMMesh& mesh, std::span<const int> faces) {
  std::vector<char> drop(static_cast<size_t>(mesh.faceCount), 0);
  int listed = 0;
  for (int f : faces) {
    if (f < 0 || f >= mesh.faceCount || drop[static_cast<size_t>(f)]) continue;
    drop[static_cast<size_t>(f)] = 1;
    ++listed;
  }
  if (listed == 0) return nullptr;

  std::vector<GMPolygon> polygons;
  polygons.reserve(static_cast<size_t>(mesh.faceCount - listed));
  for (int32_t f = 0; f < mesh.faceCount; ++f)
    if (!drop[static_cast<size_t>(f)]) polygons.push_back(std::move(*MeshFacePolygon(mesh, f)));
  if (polygons.empty()) return std::make_unique<GMMesh>();
  return GMMakeMeshFromPolygons(polygons, GM_TOLERANCE);
}

int RemoveOpenFaces(GMMesh& mesh) {
  if (mesh.vertexCount <= 2 || mesh.faceCount < 1) return 0;
  const CGMEdgeFaceIndex index(mesh);
  std::vector<int> open;
  for (int32_t f = 0; f < mesh.faceCount; ++f) {
    const GMMeshFace& face = mesh.faces[f];
    for (int32_t k = 0; k < face.count; ++k) {
      int first = -1, second = -1;
      index.Faces(face.indices[k], face.indices[(k + 1) % face.count], first, second);
      if (second < 0) {
        open.push_back(f);
        break;
      }
    }
  }
  GMMeshPtr rest = RemoveMeshFaces(mesh, open);
  if (!rest) return 0;
  mesh.Swap(*rest);
  return 1;
}

namespace {

// Turns the border edges (those finalisation left with their one face's
// index) into closed rings of vertex indices. A cap runs through a border
// edge against the direction of the face beside it, so the walk follows that
// direction where it can. Where more than two border edges meet at a vertex
// the walk takes the first in table order, and as soon as it comes back to a
// vertex already on its path that stretch is split off as a ring of its own:
// every cap is then a simple ring, even where two holes touch at a corner. A
// stretch that runs into a dead end cannot be capped and is left.
std::vector<std::vector<int32_t>> BorderLoops(const GMMesh& mesh, std::span<const GMMeshEdge> border) {
  struct HalfEdge {
    int32_t from, to;
  };
  std::vector<HalfEdge> caps(border.size());
  std::unordered_map<int32_t, std::vector<int32_t>> at;  // border edges at each vertex, in table order
  for (size_t e = 0; e < border.size(); ++e) {
    const GMMeshEdge& edge = border[e];
    const bool forward = GMFaceEdgeDirection(mesh.faces[edge.extra], edge.first, edge.second) == 1;
    caps[e] = forward ? HalfEdge{edge.second, edge.first} : HalfEdge{edge.first, edge.second};
    at[edge.first].push_back(static_cast<int32_t>(e));
    if (edge.second != edge.first) at[edge.second].push_back(static_cast<int32_t>(e));
  }

  std::vector<char> used(border.size(), 0);
  std::vector<std::vector<int32_t>> loops;
  std::vector<int32_t> path;
  std::unordered_map<int32_t, size_t> onPath;  // vertex -> position in path
  for (size_t e0 = 0; e0 < border.size(); ++e0) {
    if (used[e0]) continue;
    used[e0] = 1;
    path = {caps[e0].from, caps[e0].to};
    onPath = {{caps[e0].from, 0}};
    if (caps[e0].to == caps[e0].from) continue;
    onPath[caps[e0].to] = 1;
    while (path.size() > 1) {
      const int32_t cur = path.back();
      int32_t pick = -1;
      for (int32_t e : at[cur]) {
        if (used[static_cast<size_t>(e)]) continue;
        if (caps[static_cast<size_t>(e)].from == cur) {
          pick = e;
          break;
        }
        if (pick < 0) pick = e;
      }
      if (pick < 0) break;  // dead end
      used[static_cast<size_t>(pick)] = 1;
      const HalfEdge& h = caps[static_cast<size_t>(pick)];
      const int32_t next = h.from == cur ? h.to : h.from;
      const auto seen = onPath.find(next);
      if (seen == onPath.end()) {
        onPath[next] = path.size();
        path.push_back(next);
        continue;
      }
      const size_t k = seen->second;
      std::vector<int32_t> loop(path.begin() + static_cast<std::ptrdiff_t>(k), path.end());
      if (loop.size() >= 3) loops.push_back(std::move(loop));
      for (size_t i = k + 1; i < path.size(); ++i) onPath.erase(path[i]);
      path.resize(k + 1);
    }
  }
  return loops;
}

// Inserts into the face beside each open edge every vertex that lies on that
// edge between its ends, in order along the edge: the neighbour on the other
// side had been split there, and now both sides meet in the same vertices.
// Expects the edge table as finalisation leaves it. Returns how many
// vertices were inserted.
int InsertEdgeVertices(GMMesh& mesh, double tol) {
  std::vector<int32_t> byX(static_cast<size_t>(mesh.vertexCount));
  for (int32_t v = 0; v < mesh.vertexCount; ++v) byX[static_cast<size_t>(v)] = v;
  std::sort(byX.begin(), byX.end(),
            [&](int32_t a, int32_t b) { return mesh.Position(a).x < mesh.Position(b).x; });

  struct Insertion {
    int32_t a, b;
    std::vector<int32_t> vertices;  // in order from a towards b
  };
  std::map<int32_t, std::vector<Insertion>> byFace;
  int inserted = 0;
  for (const GMMeshEdge& edge : mesh.Edges()) {
    if (edge.extra < 0 || edge.extra >= mesh.faceCount) continue;
    const GMMeshFace& face = mesh.faces[edge.extra];
    const GMVector& pa = mesh.Position(edge.first);
    const GMVector& pb = mesh.Position(edge.second);
    const double lo = std::min(pa.x, pb.x) - tol;
    const double hi = std::max(pa.x, pb.x) + tol;
    auto it = std::lower_bound(byX.begin(), byX.end(), lo,
                               [&](int32_t v, double x) { return mesh.Position(v).x < x; });
    std::vector<int32_t> found;
    for (; it != byX.end() && mesh.Position(*it).x <= hi; ++it) {
      const int32_t v = *it;
      const GMVector& p = mesh.Position(v);
      if (v == edge.first || v == edge.second) continue;
      if (GMIsSamePoint(p, pa, tol) || GMIsSamePoint(p, pb, tol)) continue;
      if (!GMIsPointOnSegment(pa, pb, p, tol)) continue;
      const auto loop = face.Indices();
      if (std::find(loop.begin(), loop.end(), v) != loop.end()) continue;  // already a corner of it
      found.push_back(v);
    }
    if (found.empty()) continue;
    // Along the face's own direction through the edge.
    const bool forward = GMFaceEdgeDirection(face, edge.first, edge.second) != 0;
    const int32_t from = forward ? edge.first : edge.second;
    const int32_t to = forward ? edge.second : edge.first;
    const GMVector& start = mesh.Position(from);
    std::sort(found.begin(), found.end(), [&](int32_t u, int32_t w) {
      return GMDistance(start, mesh.Position(u)) < GMDistance(start, mesh.Position(w));
    });
    inserted += static_cast<int>(found.size());
    byFace[edge.extra].push_back({from, to, std::move(found)});
  }

  for (auto& [f, insertions] : byFace) {
    const GMMeshFace& face = mesh.faces[f];
    std::vector<int32_t> loop;
    loop.reserve(static_cast<size_t>(face.count) + 8);
    std::vector<char> applied(insertions.size(), 0);
    for (int32_t k = 0; k < face.count; ++k) {
      const int32_t u = face.indices[k];
      const int32_t w = face.indices[(k + 1) % face.count];
      loop.push_back(u);
      for (size_t i = 0; i < insertions.size(); ++i) {
        if (applied[i] || insertions[i].a != u || insertions[i].b != w) continue;
        loop.insert(loop.end(), insertions[i].vertices.begin(), insertions[i].vertices.end());
        applied[i] = 1;
      }
    }
    mesh.SetFace(f, loop);
  }
  return inserted;
}

}  // namespace

void PeelOpenFaces(GMMesh& mesh) {
  // The first pass rebuilds the mesh, which merges coincident vertices; after
  // it the vertices stand more than the tolerance apart and later rebuilds
  // only drop and renumber. Each further pass would remove the faces that
  // the previous one left with a lone edge, so the passes are run here as
  // one count-down of the faces on every edge, and the survivors are rebuilt
  // once: the same faces, vertices and edges as pass after pass.
  if (!RemoveOpenFaces(mesh)) return;
  if (mesh.vertexCount <= 2 || mesh.faceCount < 1) return;

  const auto key = GMUndirectedEdgeKey;
  // Each face's distinct edges, and how many faces run along each edge.
  std::vector<std::vector<uint64_t>> edgesOf(static_cast<size_t>(mesh.faceCount));
  std::unordered_map<uint64_t, int32_t> facesOn;
  for (int32_t f = 0; f < mesh.faceCount; ++f) {
    const GMMeshFace& face = mesh.faces[f];
    auto& own = edgesOf[static_cast<size_t>(f)];
    for (int32_t k = 0; k < face.count; ++k) own.push_back(key(face.indices[k], face.indices[(k + 1) % face.count]));
    std::sort(own.begin(), own.end());
    own.erase(std::unique(own.begin(), own.end()), own.end());
    for (uint64_t e : own) ++facesOn[e];
  }
  std::vector<char> removed(static_cast<size_t>(mesh.faceCount), 0);
  std::vector<int32_t> queue;
  for (int32_t f = 0; f < mesh.faceCount; ++f)
    for (uint64_t e : edgesOf[static_cast<size_t>(f)])
      if (facesOn[e] < 2) {
        removed[static_cast<size_t>(f)] = 1;
        queue.push_back(f);
        break;
      }
  if (queue.empty()) return;
  // Faces by edge, to find who else loses a neighbour.
  std::unordered_map<uint64_t, std::vector<int32_t>> onEdge;
  for (int32_t f = 0; f < mesh.faceCount; ++f)
    for (uint64_t e : edgesOf[static_cast<size_t>(f)]) onEdge[e].push_back(f);
  while (!queue.empty()) {
    const int32_t f = queue.back();
    queue.pop_back();
    for (uint64_t e : edgesOf[static_cast<size_t>(f)]) {
      if (--facesOn[e] >= 2) continue;
      for (int32_t g : onEdge[e]) {
        if (removed[static_cast<size_t>(g)]) continue;
        removed[static_cast<size_t>(g)] = 1;
        queue.push_back(g);
      }
    }
  }
  std::vector<int> gone;
  for (int32_t f = 0; f < mesh.faceCount; ++f)
    if (removed[static_cast<size_t>(f)]) gone.push_back(f);
  if (GMMeshPtr rest = RemoveMeshFaces(mesh, gone)) mesh.Swap(*rest);
}

int CloseMeshHoles(GMMesh& mesh, double threshold, double tol) {
  if (FinaliseMeshEdges(mesh, threshold, tol)) return 1;
  std::vector<GMMeshEdge> border;
  for (const GMMeshEdge& edge : mesh.Edges())
    if (edge.extra >= 0 && edge.extra < mesh.faceCount) border.push_back(edge);
  if (border.size() <= 2) return 0;

  std::vector<std::vector<int32_t>> loops = BorderLoops(mesh, border);
  if (loops.empty()) return 0;
  std::vector<std::vector<int32_t>> faces;
  faces.reserve(static_cast<size_t>(mesh.faceCount) + loops.size());
  for (const GMMeshFace& face : mesh.Faces()) faces.emplace_back(face.Indices().begin(), face.Indices().end());
  for (auto& loop : loops) faces.push_back(std::move(loop));
  mesh.SetFaces(faces);

  const int oriented = OrientMeshFaces(mesh, 0);
  const int closed = FinaliseMeshEdges(mesh, threshold, tol);
  return oriented && closed ? 1 : 0;
}

int CleanMesh(GMMesh& mesh, double threshold, double tol) {
  // Stage 1: faces without area.
  std::vector<int> degenerate;
  for (int32_t f = 0; f < mesh.faceCount; ++f)
    if (GMIsDegenerateMeshFace(mesh, f, tol)) degenerate.push_back(f);
  if (!degenerate.empty()) {
    if (GMMeshPtr rest = RemoveMeshFaces(mesh, degenerate)) mesh.Swap(*rest);
    RebuildMeshEdges(mesh, tol);
  }
  if (FinaliseMeshEdges(mesh, threshold, GM_TOLERANCE)) return mesh.faceCount > 0 ? 1 : 0;

  // Stage 2: T-junctions, else caps over the holes.
  if (InsertEdgeVertices(mesh, tol) > 0) {
    RebuildMeshEdges(mesh, tol);
    if (FinaliseMeshEdges(mesh, threshold, GM_TOLERANCE)) return 1;
  }
  if (CloseMeshHoles(mesh, threshold, tol)) return 1;

  // Stage 3: peel off what hangs at open edges until only closed parts remain.
  const int32_t before = mesh.faceCount;
  PeelOpenFaces(mesh);
  if (mesh.faceCount != before) RebuildMeshEdges(mesh, tol);
  const int closed = FinaliseMeshEdges(mesh, threshold, GM_TOLERANCE);
  return closed && mesh.faceCount > 0 ? 1 : 0;
}
