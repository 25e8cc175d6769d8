// Catmull-Clark refinement of subdivision-surface figures.
//
// The figure's control mesh is copied into a compact working form (positions,
// an edge table with creases and the faces as one index array) and refined
// there; the figure itself is never touched. The working form is rebuilt from
// the face loops rather than trusted from the record's face and neighbour
// fields, so a record whose bookkeeping disagrees with its faces still gives
// the surface its faces describe. The record's edge table contributes the
// crease values and its order.
//
// Rules at each refinement:
//  - face point: the average of the face's vertices;
//  - edge point: for a smooth edge between two faces, the average of its end
//    points and the two face points; for a border edge (one face), a sharp
//    edge (crease exactly 1.0) or an edge on no face or on more than two
//    faces, its midpoint, so the edge keeps its straight course;
//  - a vertex on exactly two such hard edges follows the crease:
//    (P1 + 6V + P2) / 8 with P1 and P2 the far ends of those edges;
//  - a vertex where more than two hard edges meet is a corner and stays where
//    it is: there is no single curve through it to smooth along, and pinning
//    it keeps every crease through it anchored at its true end point;
//  - any other vertex on a face takes the smooth rule
//    ((n - 2) / n) V + (sum of edge neighbours + sum of face points) / n^2;
//  - a vertex on no face (isolated, or the end of a loose edge) stays.
// Halves of a split edge inherit its crease, so a sharp edge stays sharp at
// every level; the new edges inside a face are smooth.

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "geometry/gm_mesh.h"
#include "geometry/gm_vector.h"
#include "model/FigureTessellationDetail.h"

namespace ink_tessellation {
namespace {

// Refinement stops before a level would produce more faces than this; each
// level multiplies the face count by about four, and a view asking for a
// deep level must not exhaust the memory.
constexpr size_t kMaxRefinedFaces = size_t{1} << 22;

struct Edge {
  int32_t v[2];
  double crease;
  int32_t face[2];    // the first two faces along the edge, -1 for none
  int32_t faceCount;  // how many face sides run along the edge
};

struct ControlMesh {
  std::vector<GMVector> points;
  std::vector<Edge> edges;
  std::vector<int32_t> faceStart;  // face f uses loop entries faceStart[f] .. faceStart[f + 1] - 1
  std::vector<int32_t> loop;       // vertex indices of all faces
  std::vector<int32_t> loopEdge;   // for each loop entry, the edge to the next entry of the face

  size_t FaceCount() const { return faceStart.empty() ? 0 : faceStart.size() - 1; }
};

bool IsHard(const Edge& e) { return e.faceCount != 2 || e.crease == 1.0; }

void AddFaceToEdge(Edge& e, int32_t face) {
  if (e.faceCount < 2) e.face[e.faceCount] = face;
  ++e.faceCount;
}

// The working form of the figure's control mesh.
ControlMesh BuildControlMesh(const InkSubdivRecord& record) {
  ControlMesh mesh;
  const int32_t nv = record.vertexCount;
  mesh.points.reserve(static_cast<size_t>(nv));
  for (InkVertex* v : record.Vertices()) mesh.points.push_back(v->position);

  std::unordered_map<uint64_t, int32_t> edgeOf;
  edgeOf.reserve(static_cast<size_t>(std::max(record.edgeCount, 0)) * 2);
  auto valid = [nv](int32_t i) { return i >= 0 && i < nv; };

  // The record's edges first, in their order, so that their creases apply.
  for (int32_t i = 0; i < record.edgeCount; ++i) {
    const InkSubdivEdge& e = record.edges[i];
    if (!valid(e.vertex[0]) || !valid(e.vertex[1]) || e.vertex[0] == e.vertex[1]) continue;
    auto [it, added] = edgeOf.try_emplace(GMUndirectedEdgeKey(e.vertex[0], e.vertex[1]), static_cast<int32_t>(mesh.edges.size()));
    if (added)
      mesh.edges.push_back({{e.vertex[0], e.vertex[1]}, e.crease, {-1, -1}, 0});
    else if (e.crease == 1.0)
      mesh.edges[static_cast<size_t>(it->second)].crease = 1.0;  // a repeated edge is sharp if any copy is
  }

  mesh.faceStart.push_back(0);
  std::vector<int32_t> cleaned;
  for (int32_t f = 0; f < record.faceCount; ++f) {
    const InkIndexList* list = record.faces[f].vertices;
    if (!list) continue;
    // Repeated consecutive indices would make zero-length sides; a face with
    // fewer than three corners left has no surface.
    cleaned.clear();
    for (int32_t i : list->Indices()) {
      if (!valid(i)) {
        cleaned.clear();
        break;
      }
      if (cleaned.empty() || cleaned.back() != i) cleaned.push_back(i);
    }
    while (cleaned.size() > 1 && cleaned.front() == cleaned.back()) cleaned.pop_back();
    if (cleaned.size() < 3) continue;

    const auto face = static_cast<int32_t>(mesh.FaceCount());
    for (size_t k = 0; k < cleaned.size(); ++k) {
      const int32_t a = cleaned[k], b = cleaned[(k + 1) % cleaned.size()];
      auto [it, added] = edgeOf.try_emplace(GMUndirectedEdgeKey(a, b), static_cast<int32_t>(mesh.edges.size()));
      if (added) mesh.edges.push_back({{a, b}, 0.0, {-1, -1}, 0});
      AddFaceToEdge(mesh.edges[static_cast<size_t>(it->second)], face);
      mesh.loop.push_back(a);
      mesh.loopEdge.push_back(it->second);
    }
    mesh.faceStart.push_back(static_cast<int32_t>(mesh.loop.size()));
  }
  return mesh;
}

void Accumulate(GMVector& sum, const GMVector& v) {
  sum.x += v.x;
  sum.y += v.y;
  sum.z += v.z;
}

// One Catmull-Clark step. New vertices: the moved old vertices, then one per
// edge, then one per face.
ControlMesh Refine(const ControlMesh& in) {
  const size_t nv = in.points.size(), ne = in.edges.size(), nf = in.FaceCount();
  const auto edgeBase = static_cast<int32_t>(nv);
  const auto faceBase = static_cast<int32_t>(nv + ne);

  ControlMesh out;
  out.points.resize(nv + ne + nf);

  // Face points.
  for (size_t f = 0; f < nf; ++f) {
    GMVector sum;
    const int32_t begin = in.faceStart[f], end = in.faceStart[f + 1];
    for (int32_t k = begin; k < end; ++k) Accumulate(sum, in.points[static_cast<size_t>(in.loop[static_cast<size_t>(k)])]);
    out.points[static_cast<size_t>(faceBase) + f] = sum * (1.0 / (end - begin));
  }

  // Edge points.
  for (size_t e = 0; e < ne; ++e) {
    const Edge& edge = in.edges[e];
    GMVector sum = in.points[static_cast<size_t>(edge.v[0])];
    Accumulate(sum, in.points[static_cast<size_t>(edge.v[1])]);
    if (IsHard(edge)) {
      sum = sum * 0.5;
    } else {
      Accumulate(sum, out.points[static_cast<size_t>(faceBase + edge.face[0])]);
      Accumulate(sum, out.points[static_cast<size_t>(faceBase + edge.face[1])]);
      sum = sum * 0.25;
    }
    out.points[static_cast<size_t>(edgeBase) + e] = sum;
  }

  // Vertex points: gather what each rule needs in one pass over the edges and
  // one over the faces.
  struct Gather {
    GMVector edgeSum, faceSum;
    int32_t valence = 0, faces = 0, hard = 0;
    int32_t hardEnd[2] = {-1, -1};
  };
  std::vector<Gather> gather(nv);
  for (const Edge& edge : in.edges) {
    for (int side = 0; side < 2; ++side) {
      Gather& g = gather[static_cast<size_t>(edge.v[side])];
      const int32_t other = edge.v[1 - side];
      Accumulate(g.edgeSum, in.points[static_cast<size_t>(other)]);
      ++g.valence;
      if (IsHard(edge)) {
        if (g.hard < 2) g.hardEnd[g.hard] = other;
        ++g.hard;
      }
    }
  }
  for (size_t f = 0; f < nf; ++f)
    for (int32_t k = in.faceStart[f]; k < in.faceStart[f + 1]; ++k) {
      Gather& g = gather[static_cast<size_t>(in.loop[static_cast<size_t>(k)])];
      Accumulate(g.faceSum, out.points[static_cast<size_t>(faceBase) + f]);
      ++g.faces;
    }
  for (size_t v = 0; v < nv; ++v) {
    const Gather& g = gather[v];
    const GMVector& p = in.points[v];
    GMVector& q = out.points[v];
    if (g.hard == 2) {
      q = p * 6.0;
      Accumulate(q, in.points[static_cast<size_t>(g.hardEnd[0])]);
      Accumulate(q, in.points[static_cast<size_t>(g.hardEnd[1])]);
      q = q * (1.0 / 8.0);
    } else if (g.hard > 2 || g.faces == 0) {
      q = p;
    } else {
      const double n = g.valence;
      q = p * ((n - 2.0) / n);
      GMVector sums = g.edgeSum;
      Accumulate(sums, g.faceSum);
      Accumulate(q, sums * (1.0 / (n * n)));
    }
  }

  // Topology. Edge e splits into 2e (at its first vertex) and 2e + 1 (at its
  // second); the side k of face f gives the inner edge 2ne + k from its edge
  // point to the face point.
  out.edges.resize(2 * ne + in.loop.size());
  for (size_t e = 0; e < ne; ++e) {
    const Edge& edge = in.edges[e];
    const int32_t mid = edgeBase + static_cast<int32_t>(e);
    out.edges[2 * e] = {{edge.v[0], mid}, edge.crease, {-1, -1}, 0};
    out.edges[2 * e + 1] = {{mid, edge.v[1]}, edge.crease, {-1, -1}, 0};
  }
  for (size_t f = 0; f < nf; ++f)
    for (int32_t k = in.faceStart[f]; k < in.faceStart[f + 1]; ++k) {
      const int32_t mid = edgeBase + in.loopEdge[static_cast<size_t>(k)];
      out.edges[2 * ne + static_cast<size_t>(k)] = {{mid, faceBase + static_cast<int32_t>(f)}, 0.0, {-1, -1}, 0};
    }

  // Each corner v_k of a face gives the quad v_k, edge point of side k, face
  // point, edge point of side k - 1: the same turning sense as the face.
  const auto half = [&](int32_t edge, int32_t vertex) {
    return 2 * edge + (in.edges[static_cast<size_t>(edge)].v[0] == vertex ? 0 : 1);
  };
  out.loop.reserve(4 * in.loop.size());
  out.loopEdge.reserve(4 * in.loop.size());
  out.faceStart.reserve(in.loop.size() + 1);
  out.faceStart.push_back(0);
  for (size_t f = 0; f < nf; ++f) {
    const int32_t begin = in.faceStart[f], end = in.faceStart[f + 1];
    for (int32_t k = begin; k < end; ++k) {
      const int32_t prev = k == begin ? end - 1 : k - 1;
      const int32_t v = in.loop[static_cast<size_t>(k)];
      const int32_t side = in.loopEdge[static_cast<size_t>(k)];
      const int32_t prevSide = in.loopEdge[static_cast<size_t>(prev)];
      const int32_t corners[4] = {v, edgeBase + side, faceBase + static_cast<int32_t>(f), edgeBase + prevSide};
      const int32_t sides[4] = {half(side, v), static_cast<int32_t>(2 * ne) + k,
                                static_cast<int32_t>(2 * ne) + prev, half(prevSide, v)};
      const auto face = static_cast<int32_t>(out.FaceCount());
      for (int i = 0; i < 4; ++i) {
        out.loop.push_back(corners[i]);
        out.loopEdge.push_back(sides[i]);
        AddFaceToEdge(out.edges[static_cast<size_t>(sides[i])], face);
      }
      out.faceStart.push_back(static_cast<int32_t>(out.loop.size()));
    }
  }
  return out;
}

}  // namespace

void AppendSubdivisionPolygons(const InkSubdivRecord& surface, int level, GMPolygonSet& out) {
  ControlMesh mesh = BuildControlMesh(surface);
  for (int step = 1; step < level; ++step) {
    if (mesh.loop.size() > kMaxRefinedFaces) break;  // the next level would have this many faces
    mesh = Refine(mesh);
  }
  const size_t nf = mesh.FaceCount();
  out.polygons.reserve(out.polygons.size() + nf);
  for (size_t f = 0; f < nf; ++f) {
    GMPolygon& polygon = out.polygons.emplace_back();
    polygon.points.reserve(static_cast<size_t>(mesh.faceStart[f + 1] - mesh.faceStart[f]));
    for (int32_t k = mesh.faceStart[f]; k < mesh.faceStart[f + 1]; ++k)
      polygon.points.push_back(mesh.points[static_cast<size_t>(mesh.loop[static_cast<size_t>(k)])]);
  }
}

}  // namespace ink_tessellation
