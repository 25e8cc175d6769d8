// The indexed closed face set: what mesh building produces, what the Boolean
// operations combine and what a node keeps as a mesh figure.
//
// The record layout is shared with file plug-ins, which read mesh figures and
// hand meshes in, so its fields, their order and their sizes are fixed:
//
//   int32 vertex count;  array of pointers to vertex records
//   int32 edge count;    array of 12-byte edges {first, second, extra}
//   int32 face count;    array of faces {int32 count, owned int32 indices}
//
// Every vertex record begins with x, y, z; the scene keeps its own per-vertex
// data behind that (mark, world position, owning figure), so a mesh that is
// added to a node can become the figure's geometry as it is.
//
// Ownership: a mesh owns its vertex records, its edge table, its face table and
// every face's index array. A GMMesh releases all of them when destroyed;
// the kernel hands out new meshes as GMMeshPtr.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "geometry/gm_types.h"

struct InkFigure;  // the scene figure a vertex belongs to (model/InkFigAdmin.h)

// One vertex of a scene figure or mesh. A record fresh from `new InkVertex{p}`
// holds only its position: mark 0, no figure, and a world position that is
// still undefined (every component GM_UNDEFINED) until the owning node is
// transformed.
struct InkVertex {
  GMVector position;                                // local coordinates
  int32_t mark = 0;                                 // non-zero: arc point with that many steps
  GMVector worldPosition = GMUndefinedVector();     // position · world matrix
  InkFigure* figure = nullptr;                      // the figure the vertex belongs to
};

static_assert(offsetof(InkVertex, position) == 0);
static_assert(offsetof(InkVertex, mark) == 24);
static_assert(offsetof(InkVertex, worldPosition) == 32);
static_assert(offsetof(InkVertex, figure) == 56);
static_assert(sizeof(InkVertex) == 64);

// An undirected edge between two vertex indices. extra is -1 for a built or
// finalised inner edge; finalisation stores the single adjacent face's index
// there for an open edge.
struct GMMeshEdge {
  int32_t first = 0;
  int32_t second = 0;
  int32_t extra = -1;
  friend bool operator==(const GMMeshEdge&, const GMMeshEdge&) = default;
};
static_assert(sizeof(GMMeshEdge) == 12);

// One key for the edge between two vertices whichever way it is walked: the
// lower index in the high half. Every table of a mesh's undirected edges
// uses it.
inline uint64_t GMUndirectedEdgeKey(int32_t a, int32_t b) {
  const auto lo = static_cast<uint32_t>(a < b ? a : b);
  const auto hi = static_cast<uint32_t>(a < b ? b : a);
  return (static_cast<uint64_t>(lo) << 32) | hi;
}

// One closed loop of vertex indices, counter-clockwise seen from outside.
// The index array belongs to the mesh that holds the face.
struct GMMeshFace {
  int32_t count = 0;
  int32_t* indices = nullptr;

  std::span<int32_t> Indices() { return {indices, static_cast<size_t>(count)}; }
  std::span<const int32_t> Indices() const { return {indices, static_cast<size_t>(count)}; }
};
static_assert(offsetof(GMMeshFace, count) == 0);
static_assert(offsetof(GMMeshFace, indices) == 8);
static_assert(sizeof(GMMeshFace) == 16);

struct GMMesh {
  GMMesh() = default;
  GMMesh(const GMMesh&) = delete;
  GMMesh& operator=(const GMMesh&) = delete;
  GMMesh(GMMesh&& other) noexcept;
  GMMesh& operator=(GMMesh&& other) noexcept;
  ~GMMesh();

  // Releases everything; the mesh is then empty.
  void Clear();
  // Exchanges the whole contents; used to replace a mesh in place.
  void Swap(GMMesh& other) noexcept;

  // Replace one table. New vertices are fresh records holding only the
  // positions (see InkVertex); new edges and faces are copies.
  void SetVertices(std::span<const GMVector> points);
  void SetEdges(std::span<const GMMeshEdge> table);
  void SetFaces(std::span<const std::vector<int32_t>> loops);
  // Replaces the loop of face i (0 <= i < faceCount).
  void SetFace(int i, std::span<const int32_t> loop);

  std::span<InkVertex* const> Vertices() const {
    return {vertices, static_cast<size_t>(vertexCount)};
  }
  std::span<GMMeshEdge> Edges() { return {edges, static_cast<size_t>(edgeCount)}; }
  std::span<const GMMeshEdge> Edges() const { return {edges, static_cast<size_t>(edgeCount)}; }
  std::span<GMMeshFace> Faces() { return {faces, static_cast<size_t>(faceCount)}; }
  std::span<const GMMeshFace> Faces() const { return {faces, static_cast<size_t>(faceCount)}; }
  const GMVector& Position(int i) const { return vertices[i]->position; }
  GMVector& Position(int i) { return vertices[i]->position; }

  int32_t vertexCount = 0;
  InkVertex** vertices = nullptr;
  int32_t edgeCount = 0;
  GMMeshEdge* edges = nullptr;
  int32_t faceCount = 0;
  GMMeshFace* faces = nullptr;
};

static_assert(offsetof(GMMesh, vertexCount) == 0);
static_assert(offsetof(GMMesh, vertices) == 8);
static_assert(offsetof(GMMesh, edgeCount) == 16);
static_assert(offsetof(GMMesh, edges) == 24);
static_assert(offsetof(GMMesh, faceCount) == 32);
static_assert(offsetof(GMMesh, faces) == 40);
static_assert(sizeof(GMMesh) == 48);

using GMMeshPtr = std::unique_ptr<GMMesh>;

// A new mesh from positions, edges and face loops (any table may be empty).
GMMeshPtr GMNewMesh(std::span<const GMVector> points, std::span<const GMMeshEdge> edges,
                    std::span<const std::vector<int32_t>> faces);
// A deep copy: new vertex records with the source positions only (mark 0,
// world position undefined, no figure), copies of both tables. Null in, null out.
GMMeshPtr GMCopyMesh(const GMMesh* mesh);
inline void GMFreeMesh(GMMeshPtr& mesh) { mesh.reset(); }
