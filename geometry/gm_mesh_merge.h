// Merging the faces of a mesh that lie in one plane, so that a wall split by
// a Boolean step or built from several polygons becomes one face again.
#pragma once

#include <span>

#include "geometry/gm_mesh.h"
#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"

// Joins two coplanar polygons of the same turning sense that share one chain
// of edges into one polygon: A from the chain's end round to its start, then
// B round the other way. Null when they share no edge, touch at a single
// point or share more than one chain.
GMPolygonPtr JoinCoplanarPolygons(const GMPolygon& a, const GMPolygon& b, double tol);

// Joins neighbouring polygons that lie in one plane (equal plane coefficients
// within tol) into larger ones, then builds a mesh of the pieces. Null for
// no polygons.
GMMeshPtr MergeCoplanarPolygons(std::span<const GMPolygon> polygons, double tol);

// MergeCoplanarPolygons over the face polygons of the mesh.
GMMeshPtr MergeCoplanarFaces(const GMMesh& mesh, double tol);
