// The geometry of one scene node: its figures and the flat list of all their
// vertices.
//
// A node's figures are points, polylines, polygons, meshes, subdivision
// surfaces, instances of other figures of the same node, and segment sets.
// Beside the figure list the administration keeps one list of every vertex of
// every figure, in the order added, so that a node can be transformed, bounded
// and searched vertex by vertex without knowing the figure kinds.
//
// The records below are read and written by file plug-ins, so their layouts
// are fixed and checked at compile time. A figure's geometry record is
// reached through InkFigure::geometry and has the type named by its kind.
//
// Descriptions: every Add...Figure operation takes a record of the same type
// as the kind's geometry and makes a private copy of it; the caller keeps and
// frees its own record. In a description only the head of each vertex record
// is read: x, y, z, and for polylines and polygons the mark word behind them.
// A figure's own geometry is therefore always a valid description, which is
// how a figure is copied from node to node.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "geometry/gm_mesh.h"
#include "geometry/gm_types.h"

class CInkNode;

// Figure kinds.
inline constexpr int32_t kInkFigurePoint = 1;
inline constexpr int32_t kInkFigurePolyline = 2;
inline constexpr int32_t kInkFigurePolygon = 3;
inline constexpr int32_t kInkFigureMesh = 4;
inline constexpr int32_t kInkFigureReserved = 5;  // never created
inline constexpr int32_t kInkFigureSubdivision = 6;
inline constexpr int32_t kInkFigureInstance = 7;
inline constexpr int32_t kInkFigureSegmentSet = 8;

struct InkFigure {
  int32_t hidden = 0;         // non-zero: left out of bounds and of the view's extent
  int32_t value = 0;          // the integer attribute given when the figure was added
  CInkNode* owner = nullptr;  // the node whose administration holds the figure
  int32_t kind = 0;           // kInkFigure...
  void* geometry = nullptr;   // owned record of the kind's type (below)
};
static_assert(offsetof(InkFigure, hidden) == 0);
static_assert(offsetof(InkFigure, value) == 4);
static_assert(offsetof(InkFigure, owner) == 8);
static_assert(offsetof(InkFigure, kind) == 16);
static_assert(offsetof(InkFigure, geometry) == 24);
static_assert(sizeof(InkFigure) == 32);

// Kind 1: one vertex. As a description: the address of a point pointer.
struct InkPointRecord {
  InkVertex* vertex = nullptr;
};
static_assert(sizeof(InkPointRecord) == 8);

// Kinds 2 and 3: the vertices of an open chain (polyline) or of one closed,
// filled outline (polygon), in order. A non-zero mark turns a polygon vertex
// into an arc point.
struct InkPolyRecord {
  int32_t count = 0;
  InkVertex** vertices = nullptr;

  std::span<InkVertex* const> Vertices() const { return {vertices, static_cast<size_t>(count)}; }
};
static_assert(offsetof(InkPolyRecord, count) == 0);
static_assert(offsetof(InkPolyRecord, vertices) == 8);
static_assert(sizeof(InkPolyRecord) == 16);

// Kind 4 is a GMMesh (geometry/gm_mesh.h); its vertices are the figure's.

// A counted list of indices, owned by the record that holds it.
struct InkIndexList {
  int32_t count = 0;
  int32_t* indices = nullptr;

  std::span<int32_t> Indices() { return {indices, static_cast<size_t>(count)}; }
  std::span<const int32_t> Indices() const { return {indices, static_cast<size_t>(count)}; }
};
static_assert(offsetof(InkIndexList, count) == 0);
static_assert(offsetof(InkIndexList, indices) == 8);
static_assert(sizeof(InkIndexList) == 16);

// Kind 6, per vertex: the refined position computed for the vertex, its
// sharpness, and the indices of the vertices joined to it by an edge.
struct InkSubdivVertex {
  GMVector point;
  double sharpness = 0.0;
  InkIndexList* neighbours = nullptr;  // owned; may be null for an isolated vertex
};
static_assert(offsetof(InkSubdivVertex, point) == 0);
static_assert(offsetof(InkSubdivVertex, sharpness) == 24);
static_assert(offsetof(InkSubdivVertex, neighbours) == 32);
static_assert(sizeof(InkSubdivVertex) == 40);

// Kind 6, per edge. A crease of exactly 1.0 marks a sharp edge, which keeps
// its straight course under refinement. A missing face is -1.
struct InkSubdivEdge {
  GMVector point;  // the edge point computed for refinement
  double crease = 0.0;
  int32_t vertex[2] = {-1, -1};
  int32_t face[2] = {-1, -1};
};
static_assert(offsetof(InkSubdivEdge, point) == 0);
static_assert(offsetof(InkSubdivEdge, crease) == 24);
static_assert(offsetof(InkSubdivEdge, vertex) == 32);
static_assert(offsetof(InkSubdivEdge, face) == 40);
static_assert(sizeof(InkSubdivEdge) == 48);

// Kind 6, per face: the face point computed for refinement, the face's
// vertex loop and the edges along it (edge k joins vertex k and vertex k+1).
struct InkSubdivFace {
  GMVector point;
  InkIndexList* vertices = nullptr;  // owned
  InkIndexList* edges = nullptr;     // owned
};
static_assert(offsetof(InkSubdivFace, point) == 0);
static_assert(offsetof(InkSubdivFace, vertices) == 24);
static_assert(offsetof(InkSubdivFace, edges) == 32);
static_assert(sizeof(InkSubdivFace) == 40);

// Kind 6: a control mesh refined by Catmull-Clark subdivision when drawn.
// vertexRecords holds vertexCount entries, one per vertex.
struct InkSubdivRecord {
  int32_t vertexCount = 0;
  InkVertex** vertices = nullptr;
  InkSubdivVertex* vertexRecords = nullptr;
  int32_t edgeCount = 0;
  InkSubdivEdge* edges = nullptr;
  int32_t faceCount = 0;
  InkSubdivFace* faces = nullptr;

  std::span<InkVertex* const> Vertices() const {
    return {vertices, static_cast<size_t>(vertexCount)};
  }
};
static_assert(offsetof(InkSubdivRecord, vertexCount) == 0);
static_assert(offsetof(InkSubdivRecord, vertices) == 8);
static_assert(offsetof(InkSubdivRecord, vertexRecords) == 16);
static_assert(offsetof(InkSubdivRecord, edgeCount) == 24);
static_assert(offsetof(InkSubdivRecord, edges) == 32);
static_assert(offsetof(InkSubdivRecord, faceCount) == 40);
static_assert(offsetof(InkSubdivRecord, faces) == 48);
static_assert(sizeof(InkSubdivRecord) == 56);

// Kind 7: another figure of the same node placed again. A point p of the
// referenced figure appears at p · matrix + (base − reference).
struct InkInstanceRecord {
  InkVertex* base = nullptr;       // where the reference point is placed
  GMVector reference;              // the point of the referenced figure that lands on base
  InkFigure* figure = nullptr;     // the referenced figure, or null
  GMMatrix matrix;                 // applied first (row vectors)
};
static_assert(offsetof(InkInstanceRecord, base) == 0);
static_assert(offsetof(InkInstanceRecord, reference) == 8);
static_assert(offsetof(InkInstanceRecord, figure) == 32);
static_assert(offsetof(InkInstanceRecord, matrix) == 40);
static_assert(sizeof(InkInstanceRecord) == 168);

// Kind 8, one segment: the four index lists it is swept from. The first two
// hold the same number of indices (at least 2), the last two the same number
// (at least 1; a single index stands for two equal points).
struct InkSegmentRecord {
  int32_t list[4] = {-1, -1, -1, -1};
};
static_assert(sizeof(InkSegmentRecord) == 16);

// Kind 8: vertices, index lists over them, and segment records over the lists.
struct InkSegmentSetRecord {
  int32_t vertexCount = 0;
  InkVertex** vertices = nullptr;
  int32_t listCount = 0;
  InkIndexList* lists = nullptr;
  int32_t segmentCount = 0;
  InkSegmentRecord* segments = nullptr;

  std::span<InkVertex* const> Vertices() const {
    return {vertices, static_cast<size_t>(vertexCount)};
  }
};
static_assert(offsetof(InkSegmentSetRecord, vertexCount) == 0);
static_assert(offsetof(InkSegmentSetRecord, vertices) == 8);
static_assert(offsetof(InkSegmentSetRecord, listCount) == 16);
static_assert(offsetof(InkSegmentSetRecord, lists) == 24);
static_assert(offsetof(InkSegmentSetRecord, segmentCount) == 32);
static_assert(offsetof(InkSegmentSetRecord, segments) == 40);
static_assert(sizeof(InkSegmentSetRecord) == 48);

// --- geometry records without a node ----------------------------------------

// The vertices of a figure's geometry, in the order they were added to the
// node's vertex list (kinds 1 and 7: the single base vertex). Empty for a
// null geometry or an unknown kind.
std::span<InkVertex* const> InkGeometryVertices(int32_t kind, const void* geometry);
// A private copy of a description of the given kind: new vertex records with
// the description's positions (and marks for kinds 2 and 3), copies of every
// table, world positions undefined, no figure. Null for kinds outside 1-4 and
// 6-8, and for a description that is inconsistent (a negative count, a null
// table with a non-zero count, an index beyond its table).
void* InkCopyGeometry(int32_t kind, const void* description);
// Whether a mesh can become a figure: every table present where counted and
// every edge and face index naming one of its vertices.
bool InkMeshIsValid(const GMMesh& mesh);
// Frees a geometry record of the given kind with everything it owns.
void InkFreeGeometry(int32_t kind, void* geometry);

// A caller-side description of a polyline or polygon with its own storage,
// for readers and tests: Get() is valid while this object lives.
class InkPolyDescription {
 public:
  explicit InkPolyDescription(std::span<const GMVector> points, std::span<const int32_t> marks = {});
  InkPolyDescription(const InkPolyDescription&) = delete;
  InkPolyDescription& operator=(const InkPolyDescription&) = delete;
  const InkPolyRecord* Get() const { return &record_; }

 private:
  std::vector<InkVertex> storage_;
  std::vector<InkVertex*> pointers_;
  InkPolyRecord record_;
};

// --- the administration -----------------------------------------------------

class CInkFigAdmin {
 public:
  CInkFigAdmin();
  CInkFigAdmin(const CInkFigAdmin&) = delete;
  CInkFigAdmin& operator=(const CInkFigAdmin&) = delete;

  // The virtual operations keep this order: plug-ins call them by slot.
  virtual ~CInkFigAdmin();
  virtual void Attach(CInkNode* node);
  virtual int AddSegmentFigure(const InkSegmentSetRecord* description, int value);
  // The copy keeps its reference only when it is a figure of this node.
  virtual int AddInstanceFigure(const InkInstanceRecord* description, int value);
  virtual int AddSubdivisionFigure(const InkSubdivRecord* description, int value);
  virtual int AddReservedFigure(const void* description, int value);  // always -1
  virtual int AddMeshFigure(const GMMesh* description, int value);
  virtual int AddPolygonFigure(const InkPolyRecord* description, int value);
  virtual int AddPolylineFigure(const InkPolyRecord* description, int value);
  virtual int AddPointFigure(const InkPointRecord* description, int value);
  virtual InkFigure* GetFigure(int index);
  virtual int DeleteFigure(InkFigure* figure);
  // Also deletes every instance that refers to the deleted figure, and the
  // instances that refer to those. 1 when a figure was deleted, else 0.
  virtual int DeleteFigureAt(int index);
  virtual InkVertex* GetVertex(int index);  // throws CListError outside 0..count-1
  virtual void ClearFigures();
  virtual int GetFigureCount() const;
  virtual int GetVertexCount() const;
  virtual void TransformVertices(const GMMatrix& matrix, int ignored);
  virtual int IndexOfFigure(const InkFigure* figure) const;
  virtual int GetInstanceCount() const;

  // Takes the mesh itself as a figure instead of a copy: an importer that
  // builds a district's mesh of millions of faces never holds it twice. -1
  // (and the mesh freed) when it is not valid.
  int AdoptMeshFigure(GMMeshPtr mesh, int value);

  CInkNode* Owner() const { return owner_; }
  // Every vertex in order, for walks over large nodes without a call each.
  std::span<InkVertex* const> Vertices() const { return vertices_; }

 private:
  int Append(int32_t kind, void* geometry, int value);
  // Start of the figure's run in vertices_: figures' vertices lie there
  // contiguously and in figure order.
  size_t VertexRunStart(size_t figureIndex) const;

  // Frees a figure record together with its geometry.
  struct FigureDeleter {
    void operator()(InkFigure* figure) const;
  };
  using FigurePtr = std::unique_ptr<InkFigure, FigureDeleter>;

  std::vector<InkVertex*> vertices_;  // not owned: each belongs to its figure's geometry
  std::vector<FigurePtr> figures_;
  CInkNode* owner_ = nullptr;
  int32_t instanceCount_ = 0;
};
