// Meshes from polygons, and where a point lies relative to a closed mesh.
//
// These are the bridge between the polygon world of the Boolean operations
// and the indexed GMMesh record: cells selected by a Boolean step become a
// mesh here, and the classification of a cell asks here whether its test
// point lies inside, outside or on a mesh.
#pragma once

#include <span>

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
