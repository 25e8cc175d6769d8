// Building closed meshes from solid descriptions, and tidying them.
//
// The scene file describes solids as polygons and extrusions; these
// operations turn them into closed, consistently oriented GMMesh records
// (faces counter-clockwise seen from outside) before they become mesh
// figures: extrusion, the edge table that the outline draws and orientation.
// Merging coplanar faces is in gm_mesh_merge.h, and the repair of meshes that
// a Boolean step left with slivers, T-junctions or holes in gm_mesh_repair.h.
//
// Meshes handed in are expected to be consistent: every face index names an
// existing vertex (as InkCopyGeometry and the builders here guarantee).
//
// The questions "which faces lie on the two sides of this edge" are answered
// through CGMEdgeFaceIndex, built once per pass, so that finalising or
// cleaning a mesh of many faces stays close to linear in its size; the
// answers are exactly those of FindEdgeFaces.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "geometry/gm_mesh.h"
#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"

// --- the faces on an edge -----------------------------------------------------

// Looks for the faces whose loops pass along the edge a-b (the last index
// pairs with the first), in face order. first is the first such face and
// second the next one (-1 when fewer exist). 1 when two faces were found and
// they run through the edge in opposite directions (the way two neighbours
// of a consistently oriented surface do); 0 otherwise. Scans every face.
int FindEdgeFaces(const GMMesh& mesh, int a, int b, int& first, int& second);

// The first two faces of every undirected edge of a mesh, gathered in one
// pass over the faces. Find answers as FindEdgeFaces does. Reversing a face
// keeps the index valid (the faces on an edge stay the same); any other
// change to the face loops needs a new index.
class CGMEdgeFaceIndex {
 public:
  explicit CGMEdgeFaceIndex(const GMMesh& mesh);
  int Find(int a, int b, int& first, int& second) const;
  // The first two faces of the edge without the direction test.
  void Faces(int a, int b, int& first, int& second) const;

 private:
  struct Sides {
    int32_t first = -1;
    int32_t second = -1;
  };

  const GMMesh& mesh_;
  std::unordered_map<uint64_t, Sides> sides_;
};

// 1 when the loop of the face runs from a to b at its first occurrence of
// the edge, 0 when from b to a, -1 when the face does not pass along a-b.
int GMFaceEdgeDirection(const GMMeshFace& face, int a, int b);

// --- building -------------------------------------------------------------------

// The closed prism swept by the polygon along v: 2n vertices (the base ring,
// then the ring moved by v), faces bottom, top and one quad per side, and 3n
// edges (base ring, top ring, uprights). The ring is taken in reverse when
// needed so that the bottom face looks away from v and the solid is outward.
// Null when v lies in the polygon's plane or the polygon has no normal.
GMMeshPtr ExtrudePolygon(const GMPolygon& polygon, const GMVector& v);

// The positions of face i's vertices in face order; null when i is not a face.
GMPolygonPtr MeshFacePolygon(const GMMesh& mesh, int face);

// Reverses the whole vertex loop of face i; nothing when i is not a face.
void ReverseMeshFace(GMMesh& mesh, int face);

// Turns every face reachable from start (across edges with two faces) to
// agree with start's orientation. 1 when every edge met had a face on each
// side, 0 otherwise (also for a start that is not a face).
int OrientMeshFaces(GMMesh& mesh, int start);

// Keeps in the edge table only the edges worth drawing: an edge between two
// faces stays (extra -1) when the faces meet at an angle of at least the
// threshold (more than tol beyond it), so threshold 0 drops exactly the edges
// inside flat regions; an edge with a single face stays with that face's
// index as its extra word. 1 when the mesh is closed: no edge with a single
// face and no two faces folded back onto each other.
int FinaliseMeshEdges(GMMesh& mesh, double threshold, double tol);

// A new edge table from the face loops: every edge once (segments equal
// within tol in either direction count as one), extra -1.
void RebuildMeshEdges(GMMesh& mesh, double tol);
