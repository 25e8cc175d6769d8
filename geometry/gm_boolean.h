// Union, difference and intersection of closed meshes.
//
// CInkElement combines two groups of closed, outward meshes, A and B, face
// plane by face plane: every face of every mesh defines a plane; in that
// plane both groups are cut into planar cells, each cell is classified
// against both groups in 3D (on the surface, inside, outside), and the cells
// that the requested operation keeps are assembled into a new mesh.
//
// Cells are counter-clockwise about the normal of the face whose plane made
// them, so a kept cell faces outward as that face did. All arithmetic uses
// the element's tolerance (GM_TOLERANCE unless the caller sets another).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "geometry/gm_mesh.h"
#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"

// --- cell flags ---------------------------------------------------------------
inline constexpr int INK_CELL_IN_A = 0x01;       // in A's section, confirmed on or inside a mesh of A
inline constexpr int INK_CELL_IN_B = 0x02;       // the same for B
inline constexpr int INK_CELL_ON_A = 0x04;       // the test point lies on the surface of a mesh of A
inline constexpr int INK_CELL_ON_B = 0x08;       // ... of a mesh of B
inline constexpr int INK_CELL_INSIDE_A = 0x10;   // the test point lies inside a mesh of A
inline constexpr int INK_CELL_INSIDE_B = 0x20;   // ... inside a mesh of B
// A face of A and a face of B cover the cell facing opposite ways (two solids
// touching there). Both copies are kept apart; 0x40 marks the one that faces
// as A's face, 0x80 the one that faces as B's face.
inline constexpr int INK_CELL_FACING_A = 0x40;
inline constexpr int INK_CELL_FACING_B = 0x80;

// --- operations, selection modes and options --------------------------------------
inline constexpr int INK_BOOLEAN_UNION = 0;
inline constexpr int INK_BOOLEAN_DIFFERENCE = 1;     // A minus B
inline constexpr int INK_BOOLEAN_INTERSECTION = 2;

inline constexpr int INK_SELECT_UNION = 0;
inline constexpr int INK_SELECT_A_MINUS_B = 1;
inline constexpr int INK_SELECT_B_SIDE = 2;
inline constexpr int INK_SELECT_INTERSECTION = 3;

// Options of BooleanSolids: cut along the meshes' drawable edges only (their
// edge tables), and repair the result with CleanMesh. The scene file reader
// asks for both (3).
inline constexpr int INK_BOOLEAN_BY_EDGES = 0x1;
inline constexpr int INK_BOOLEAN_POST_MERGE = 0x2;

// The classified cells: one polygon and one flag word per cell. A flag word of
// 0 means the cell is discarded.
struct InkFragments {
  std::vector<GMPolygon> polygons;
  std::vector<int32_t> flags;

  int Count() const { return static_cast<int>(polygons.size()); }
};
using InkFragmentsPtr = std::unique_ptr<InkFragments>;

// A group of meshes; null entries are passed over.
using InkMeshGroup = std::span<const GMMesh* const>;

// Whether a cell with this flag word belongs to the result of the mode
// (0 union, 1 A minus B, 2 the B side, 3 intersection); never for a zero word
// or a mode above 3.
int IsFragmentSelected(int flags, int mode);

class CInkElement {
 public:
  CInkElement() = default;
  explicit CInkElement(double tolerance) : tolerance_(tolerance) {}
  CInkElement(const CInkElement&) = delete;
  CInkElement& operator=(const CInkElement&) = delete;
  virtual ~CInkElement() = default;

  // Keeps the cells chosen by IsFragmentSelected (clearing the others' flag
  // words) and builds a mesh of them. Null for a mode above 3, no cells or
  // none selected.
  virtual GMMeshPtr SelectFragments(InkFragments* fragments, int mode);
  // The cells of every face plane of A (kept when in A) and of B (kept when
  // in B), with equal cells merged. Null when there are none.
  virtual InkFragmentsPtr ClassifySolids(InkMeshGroup a, InkMeshGroup b);
  // The same, cutting coplanar faces along the meshes' drawable edges only.
  virtual InkFragmentsPtr ClassifySolidsByEdges(InkMeshGroup a, InkMeshGroup b);
  // The classified cells of one plane, restricted to the face polygon when
  // one is given. Cells come back in 3D on the plane.
  virtual InkFragmentsPtr SectionFragments(InkMeshGroup a, InkMeshGroup b, const GMPlane& plane,
                                           const GMPolygon* face);
  virtual InkFragmentsPtr SectionFragmentsByEdges(InkMeshGroup a, InkMeshGroup b, const GMPlane& plane,
                                                  const GMPolygon* face);
  // CombinePlanar2D for polygons lying in one 3D plane; the cells are lifted
  // back onto the plane of the first A polygon.
  virtual InkFragmentsPtr CombineCoplanar(std::span<const GMPolygon> a, std::span<const GMPolygon> b, int flag);
  // The cells of the arrangement of two sets of xy polygons, each with flag
  // 0x01 when inside an A polygon and 0x02 when inside a B polygon. Cells have
  // no holes: a polygon lying inside another is joined to it by two bridges.
  virtual InkFragmentsPtr CombinePlanar2D(std::span<const GMPolygon> a, std::span<const GMPolygon> b, int flag);
  // CombinePlanar2D, also handing back each cell's test point (GMInteriorPoint,
  // undefined where the cell has none), which a section asks for again.
  InkFragmentsPtr CombinePlanar2DWithProbes(std::span<const GMPolygon> a, std::span<const GMPolygon> b, int flag,
                                            std::vector<GMVector>* probes);
  virtual void FreeFragments(InkFragmentsPtr& fragments) { fragments.reset(); }
  // A text listing of the cells; 0 when the file cannot be created.
  virtual int DumpFragments(const char* path, const InkFragments* fragments);

  double GetTolerance() const { return tolerance_; }
  void SetTolerance(double tolerance) { tolerance_ = tolerance; }
  int GetPostMerge() const { return postMerge_; }
  void SetPostMerge(int on) { postMerge_ = on; }
  // How many threads cut the face planes: 0 (the default) as many as the
  // machine has cores, up to four. The cells are the same either way.
  int GetThreads() const { return threads_; }
  void SetThreads(int threads) { threads_ = threads < 0 ? 0 : threads; }

 private:
  InkFragmentsPtr Classify(InkMeshGroup a, InkMeshGroup b, bool byEdges);
  InkFragmentsPtr Section(InkMeshGroup a, InkMeshGroup b, const GMPlane& plane, const GMPolygon* face,
                          bool byEdges);

  unsigned ThreadsFor(size_t planes) const;

  double tolerance_ = GM_TOLERANCE;
  int32_t postMerge_ = 0;
  int32_t threads_ = 0;
};

// Combines the groups: operation 0 union, 1 A minus B, 2 intersection.
// options 0x1 cuts along drawable edges, and with 0x2 as well the result is
// repaired by CleanMesh (threshold 0, the given tolerance). A dump path, when
// given, receives the classified cells. Null when the result is empty (for
// example the intersection of disjoint solids).
GMMeshPtr BooleanSolids(InkMeshGroup a, InkMeshGroup b, int operation, int options, double tolerance,
                        const char* dumpPath = nullptr);
// The same for one mesh on each side.
GMMeshPtr BooleanSolids(const GMMesh* a, const GMMesh* b, int operation, int options, double tolerance,
                        const char* dumpPath = nullptr);
