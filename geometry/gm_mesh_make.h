// Meshes from polygons, and where a point lies relative to a closed mesh.
//
// These are the bridge between the polygon world of the Boolean operations
// and the indexed GMMesh record: cells selected by a Boolean step become a
// mesh here, and the classification of a cell asks here whether its test
// point lies inside, outside or on a mesh.
#pragma once

#include <span>
#include <vector>

#include "geometry/gm_mesh.h"
#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"

// A mesh with one face per polygon, in order. Its vertices are the distinct
// polygon vertices in first-seen order, points within tol (per axis) of an
// earlier vertex sharing that vertex; each face indexes them in the polygon's
// order. The edge table lists every undirected edge of the faces once, in the
// order first met, with extra word -1 (a face corner where two consecutive
// points merged into one vertex gives no edge). Null for no polygons.
GMMeshPtr GMMakeMeshFromPolygons(std::span<const GMPolygon> polygons, double tol);

// Where p lies: -1 on the surface (only looked for when onSurfaceCheck is
// non-zero), 1 inside, 0 outside. Decided by the parity of the faces crossed
// by a ray along +x, which is tilted whenever it grazes a face boundary or
// runs in a face's plane; after 100 tilts the point counts as outside.
int GMPointInMesh(const GMMesh& mesh, const GMVector& p, int onSurfaceCheck, double tol);

// The first face whose polygon contains p (boundary included), or -1.
int GMFindMeshFace(const GMVector& p, const GMMesh& mesh, double tol);

// A closed mesh prepared for many GMPointInMesh questions: every face's
// polygon, plane, 2D image and bounds are worked out once. The answers are
// exactly those of GMPointInMesh and GMFindMeshFace on the mesh, which must
// outlive the locator and stay unchanged while it is used.
class CGMMeshLocator {
 public:
  explicit CGMMeshLocator(const GMMesh& mesh);

  // GMPointInMesh(mesh, p, onSurfaceCheck, tol).
  int PointInMesh(const GMVector& p, int onSurfaceCheck, double tol) const;
  // GMFindMeshFace(p, mesh, tol).
  int FindFace(const GMVector& p, double tol) const;

 private:
  struct Face {
    int32_t index = 0;         // in the mesh
    GMPolygon polygon;
    GMPlane plane;             // GMPolygonPlane; nx undefined when the face has no plane
    GMPolygon image;           // on the axis of the face's own normal
    GMProjectionAxis axis = 0;
    GMVector low, high;        // bounds, widened to hold every point on the face's boundary
  };
  std::vector<Face> faces_;    // the faces of at least three corners, in mesh order
};
