// Ear-clipping triangulation of a face ring, for display lists and shadow
// volumes.
#pragma once

#include "geometry/gm_polygon.h"
#include "geometry/gm_types.h"

class CGMPointList;

// The triangles of the ring as a set of 3-vertex polygons in the order they
// were cut. Null for fewer than 3 vertices and for rings that repeat a point
// (within tol) or hold an undefined coordinate. A triangle comes back as a
// set of itself. A ring on which no ear can be found even after backtracking
// yields the triangles found so far plus one closing triangle.
GMPolygonSetPtr GMTriangulate(const GMPolygon& polygon, double tol);

// Whether the front corner (r0, r1, r2) of a working ring may be cut off:
// 0 for an ear, 1 otherwise.
int GMIsEar(CGMPointList& ring, double tol);
