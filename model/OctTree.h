// Triangles of the scene filed in an octree, for shooting many rays at them.
//
// The ray-cast picture shoots one ray per output pixel into the whole scene.
// Testing every triangle for every pixel would cost pixels × triangles, so the
// triangles are filed in the leaves of an octree whose leaves each hold the
// few triangles that touch their box; a ray visits only the leaves it crosses,
// nearest first, and stops once no nearer hit is possible.
//
// Use: AddPolygon for every face (with the figure it belongs to), Build once,
// then FindFirstHit per ray and GetTriangle for the hit. ClearInput drops the
// input polygons but keeps the triangles and the tree.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <stop_token>
#include <utility>
#include <vector>

#include "geometry/gm_lists.h"
#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"
#include "common/PlainList.h"

struct InkFigure;
class CInkNode;

// One triangle of the octree: three corners, then the figure it came from.
struct COctTreeTriangle {
  GMVector vertices[3];
  InkFigure* figure = nullptr;
};
static_assert(sizeof(COctTreeTriangle) == 80);

// One box of the octree. Child k covers the lower or upper half of the box
// along x (bit 0 of k), y (bit 1) and z (bit 2); an octant that no triangle
// touches has no child. Only leaves hold triangle indexes once the tree is
// built.
struct COctTreeCell {
  int32_t levels = 0;  // how many more times this cell may be split
  std::array<std::unique_ptr<COctTreeCell>, 8> children;
  uint8_t childMask = 0;         // bit k set when child k exists
  std::vector<int32_t> indices;  // triangles touching the box
  GMVector min;                  // lower corner of the box
  GMVector max;                  // upper corner of the box

  int IndexCount() const { return static_cast<int>(indices.size()); }
  bool IsLeaf() const { return childMask == 0; }
};

class COctTreeBoxel {
 public:
  COctTreeBoxel();
  COctTreeBoxel(const COctTreeBoxel&) = delete;
  COctTreeBoxel& operator=(const COctTreeBoxel&) = delete;

  // The virtual operations keep this order.

  // Appends the six faces of every leaf box under cell to list, each as its
  // four corners counter-clockwise seen from outside the box.
  virtual void CollectCellFaces(const COctTreeCell* cell, CGMPolygonList& list);
  virtual ~COctTreeBoxel();
  virtual void SetTolerance(double tolerance);
  // Appends a copy of the polygon and the figure it belongs to; returns the
  // index of the new entry, or -1 for a null polygon (nothing is appended).
  virtual int AddPolygon(const GMPolygon* polygon, InkFigure* figure);
  virtual void ClearInput();
  virtual std::span<COctTreeTriangle> GetTriangles();
  virtual COctTreeTriangle* GetTriangle(int index);  // no range test
  virtual int GetTriangleCount() const;
  // Triangulates the input and files the triangles in a tree of at most
  // levels splits. 1 when a tree was made; 0 without input, with input lists
  // of different lengths, for a negative levels or when no triangle results
  // (the previous tree is gone in the last two cases).
  virtual int Build(int levels);
  virtual COctTreeCell* GetTree();
  // Reports what the ray from start through end meets, leaf by leaf in the
  // order the ray enters them: the addresses of the triangle records (each
  // once) or, with reportCells non-zero, the leaf cells. limitToSegment
  // non-zero stops at end. Returns the number of entries appended, or -1
  // without a tree, without triangles, or with fewer than two input polygons.
  virtual int CollectAlongSegment(const GMVector& start, const GMVector& end, CPlainList& list,
                                  int limitToSegment, int reportCells);
  // The triangle hit first by the ray from start through end: the one whose
  // intersection is nearest to start (the lower index on a tie), its point in
  // hit when given. limitToSegment non-zero ignores hits beyond end;
  // skipTriangle (-1 for none) is left out, so that a ray leaving a surface
  // does not find the triangle it starts on. -1 when nothing is hit, and
  // without a tree, without triangles, with fewer than two input polygons, or
  // with input lists of different lengths.
  virtual int FindFirstHit(const GMVector& start, const GMVector& end, GMVector* hit, int limitToSegment,
                           int skipTriangle);
  // Adds the two nodes a dump of the tree holds under root:
  // "TriangleElement" with one polygon figure per triangle and
  // "OctTreeElement" with the faces of every leaf box. Writing them through a
  // file plug-in, to look at the tree in another viewer, is
  // korvex::DumpOctTreeToFile (plugins/ScenePlugins.h).
  void AddDumpNodes(CInkNode& root);

  double GetTolerance() const { return tolerance_; }
  // A build that sees this stop requested gives up and leaves no tree, as
  // a build without triangles does (returns 0), so that a worker making the
  // tree for a model that has just changed ends at once.
  void SetStop(std::stop_token stop) { stop_ = std::move(stop); }
  int GetInputCount() const { return inputPolygons_ ? inputPolygons_->GetCount() : 0; }

 private:
  struct Ray;
  struct Filing;
  void Split(COctTreeCell& cell, std::span<const int32_t> indices, Filing& filing, int depth);
  bool Answers() const;
  void FindInCell(const COctTreeCell& cell, const Ray& ray, double& bestT, int& best);
  void CollectInCell(const COctTreeCell& cell, const Ray& ray,
                     std::vector<std::pair<double, const COctTreeCell*>>& leaves) const;

  std::vector<COctTreeTriangle> triangles_;
  std::unique_ptr<COctTreeCell> tree_;
  std::unique_ptr<CGMPolygonList> inputPolygons_;
  std::unique_ptr<CPlainList> inputFigures_;
  double tolerance_ = GM_TOLERANCE;
  std::stop_token stop_;
  // Per triangle, the last query that tested it (FindFirstHit), so that a
  // triangle listed in several cells along a ray is tested only once.
  std::vector<uint32_t> tested_;
  uint32_t query_ = 0;
};

// Whether the triangle a-b-c meets the box min..max grown by tol on every
// side (a separating-axis test, exact for the grown box).
bool OctTreeTriangleTouchesBox(const GMVector& a, const GMVector& b, const GMVector& c, const GMVector& min,
                               const GMVector& max, double tol);

// Where the ray origin + t·direction meets the triangle a-b-c: t (>= 0), or
// -1 when it misses or runs parallel to the triangle's plane.
double OctTreeRayTriangle(const GMVector& origin, const GMVector& direction, const GMVector& a,
                          const GMVector& b, const GMVector& c);
