// Repair of meshes that a Boolean step or a careless source left open:
// degenerate faces, T-junctions, holes, and faces hanging at open edges.
#pragma once

#include <span>

#include "geometry/gm_mesh.h"
#include "geometry/gm_types.h"

// Repairs in rising strength until the mesh is closed: drops degenerate
// faces; then inserts vertices lying on open edges into the faces along
// them (T-junctions) or caps border loops; finally peels off every face at
// an open edge until none is left. Finalises the edges at every stage.
// 1 when the result is closed.
int CleanMesh(GMMesh& mesh, double threshold, double tol);

// 1 when the face has no area: fewer than three corners remain once
// neighbouring vertices within tol are taken as one, or its width across its
// longest side is within tol.
int GMIsDegenerateMeshFace(const GMMesh& mesh, int face, double tol);

// A new mesh of every face not listed (rebuilt from the face polygons, so
// unused vertices go and coincident ones merge). Null when no listed index
// names a face; an empty mesh when every face was listed.
GMMeshPtr RemoveMeshFaces(const GMMesh& mesh, std::span<const int> faces);

// Removes in place every face that has an edge with no face on its other
// side. 1 when faces were removed.
int RemoveOpenFaces(GMMesh& mesh);

// RemoveOpenFaces repeated until it removes nothing, done in one count-down
// over the edges: what remains are the closed parts of the mesh.
void PeelOpenFaces(GMMesh& mesh);

// Caps the mesh's border loops with new faces and orients the whole mesh
// from face 0. 1 when the mesh is closed afterwards.
int CloseMeshHoles(GMMesh& mesh, double threshold, double tol);
