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

// How a triangulation ended.
enum class GMTriangulateStatus {
  kDone,    // the ring is covered, or there was nothing to clip
  kGaveUp,  // the ring spent the clipper's work and the local test could not
            // finish it either: what was left got one closing triangle, so
            // most of the face is missing (a badly tangled face)
};
// The same, telling how it ended.
GMPolygonSetPtr GMTriangulateWithStatus(const GMPolygon& polygon, double tol, GMTriangulateStatus& status);
// Whether a ring of this many points can end kGaveUp at all: a triangle is
// its own answer, and a four-point ring ends its backtracking long before it
// has spent anything. Lets a count over a whole model skip the bulk of its
// faces.
bool GMTriangulationMayGiveUp(int pointCount);

// Whether the front corner (r0, r1, r2) of a working ring may be cut off:
// 0 for an ear, 1 otherwise.
int GMIsEar(CGMPointList& ring, double tol);

namespace gm_detail {
// The clipper that tests every ear against the whole ring, which
// GMTriangulate uses for small rings and rings that are not plain; large
// plain rings take a local ear test with the same decisions. Kept for the
// tests and the benchmark that hold the two to the same results.
GMPolygonSetPtr TriangulateRingByRing(const GMPolygon& polygon, double tol);
// The local ear test alone, whatever the ring's size; null when the ring is
// not plain (then GMTriangulate uses the clipper above).
GMPolygonSetPtr TriangulatePlainRing(const GMPolygon& polygon, double tol);
}  // namespace gm_detail
